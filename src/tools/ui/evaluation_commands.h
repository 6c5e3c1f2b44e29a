// The openers of the evaluation table that stand in this program: the review window's
// "&Eval" button (378) and its "&Evaluation" item (2442), on the fit under review, and the
// function viewer's graph window through its evaluation hook. Other windows (the smoothing
// windows) open it with RunEvaluationTable and a surface of their own.
#pragma once

#include "tools/evaluation_computations.h"

class T3DBase;
struct TSession;

// The session's current fit as the table evaluates it: its value, its confidence and
// prediction half-widths at the level of the settings, and the graph's axis ranges (values,
// also on a log axis). No derivative or volume callbacks: the table's own quotients and
// integrators serve.
TEvalSurface CurrentFitSurface(TSession& session, const T3DBase& renderer);

// Installs the function viewer's evaluation table (RegisterGraphEvaluationTable) and the
// review's evaluation commands through its extension hooks; they are offered
// while the review shows the fitted surface itself (not one of its derivatives).
void RegisterEvaluationTable(TSession& session);
