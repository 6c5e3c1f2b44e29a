// The function viewer's graph window opens the evaluation table through its hook, on the
// graph's surface and axis ranges (kept apart from the review's opener: the two subsystems'
// headers do not mix).
#pragma once

#include "tools/evaluation_computations.h"

struct TDataSession;
struct TEvaluationTableRequest;

// The surface of a graph window's request: its value, axis ranges, and the derivatives and
// volume its opener knows (a smoothing engine's; a viewed function has none). No graph
// window has a confidence band.
TEvalSurface GraphSurface(const TEvaluationTableRequest& request);

// Installs the table as the graph windows' evaluation dialog.
void RegisterGraphEvaluationTable(TDataSession& session);
