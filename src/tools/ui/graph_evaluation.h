// The function viewer's graph window opens the evaluation table through its hook, on the
// graph's surface and axis ranges (kept apart from the review's opener: the two subsystems'
// headers do not mix).
#pragma once

#include "tools/evaluation_computations.h"

struct TDataSession;
struct TEvaluationTableRequest;

// The surface of a graph window's request: its value and axis ranges, nothing more (a viewed
// function has no confidence band, derivatives or volume of its own).
TEvalSurface GraphSurface(const TEvaluationTableRequest& request);

// Installs the table as the graph windows' evaluation dialog.
void RegisterGraphEvaluationTable(TDataSession& session);
