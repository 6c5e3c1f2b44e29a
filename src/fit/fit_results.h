// The one way a finished fit run becomes a session's fit results, for the foreground and the
// background fit alike. A run fills and ranks a list of its own on its thread; the
// user-interface thread then swaps that list into the session with the run's products,
// makes rank 1 the session's current fit and, last of all, sets FitResultsValid. No run
// ever writes the session's list, so a window that reads it on the user-interface thread
// never sees a run half-way.
#pragma once

#include "fit/fit_run.h"

struct TSession;
struct TFitSession;

// User-interface thread. The outcome's list becomes the session's FitList (the old list is
// freed), its products FitListProducts and its count FitCount; with fits, rank 1 is refitted
// as the current fit (ReviewCurrentRank 1) and FitResultsValid set, without, it stays clear.
void PublishFitResults(TSession& session, TFitRunOutcome outcome);

// The results no longer describe the data or the options: FitCount and FitResultsValid 0
// (the list stays until the next run replaces it).
void VoidFitList(TFitSession& session);
