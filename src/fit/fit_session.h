// The fitting engine's half of a session: the blocks that decide what the next run fits, the
// ranked list of the last published run with what goes with it, and the current fit of the
// user interface (fit_side.h).
//
// Threads: all of it belongs to the user-interface thread. A run works on copies of the
// blocks (its job) and fills a list of its own; PublishFitResults (fit_results.h) swaps
// that list in on the user-interface thread, for the foreground and the background fit
// alike.
#pragma once

#include <atomic>
#include <cstdint>

#include "fit/fit_blocks.h"
#include "fit/fit_list.h"
#include "fit/fit_run.h"
#include "fit/fit_side.h"

struct TFitSession {
  TFitSession() = default;
  TFitSession(const TFitSession&) = delete;
  TFitSession& operator=(const TFitSession&) = delete;

  TFitSelection FitSelection = DefaultFitSelection();
  TFitOptions FitOptions = DefaultFitOptions();

  // The fits of the last published run, ranked (slots 1..FitCount).
  TFitList FitList;
  // Number of fits of the last finished run: the list count when it was published, 0
  // after a failed, aborted or stopped run and after any change of data or options.
  // Atomic for the windows that poll it from a timer while a run goes on.
  std::atomic<std::int32_t> FitCount{0};
  // 1 when the list holds a finished run.
  std::atomic<std::int32_t> FitResultsValid{0};
  // What the evaluation and the refit of the fits in FitList need of the run that made
  // them (its sums and scales).
  TFitRunProducts FitListProducts;
  // Rank (1-based) of the fit under review; 1 after each run; saved with the settings.
  std::int32_t ReviewCurrentRank = 1;
  // The user interface's current fit: changed only by MakeRankCurrent (fit_refit.h).
  TFitSide CurFit;
  const TFitEqn& CurFitEqn() const { return CurFit.eqn; }
};

// Frees the fit list with every record in it and voids the results (at exit).
void FreeFitStorage(TFitSession& session);

// Ranks the session's list by `code` (fit_ranking.h) and keeps the fit under review: the
// remembered rank and the current fit's rank become that fit's new rank, so that the rank
// shown beside the current fit, and the review opened again, name the same fit.
void ResortFitList(TFitSession& session, int code);

// 1 when the fit at that rank of the session's list is a user-defined function
// (2501-2515), else 0 (also for a rank outside 1..FitCount).
int IsUdfRank(const TFitSession& session, int rank);
