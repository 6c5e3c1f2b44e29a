// The current fit as a value: `TFitSide`, one ranked fit made current with what its
// evaluation, its limits and its panes need (the record `TFitEqn`, the user function, the
// inverse normal matrix, the scales of the run that made it).
//
// Who owns a side, who reads it:
//   - The session owns the user interface's current fit, `TFitSession::CurFit` (its record
//     is `CurFitEqn()`, its user function `udfIndex`, its matrix flag `covarianceValid`).
//     Only `MakeRankCurrent` (fit_refit.h) changes it, on the user-interface thread; every
//     publish of a run makes rank 1 current. Windows, exports, the code generator and the
//     data tools read it from the session they were handed.
//   - `RefitRank` (fit_refit.h) is a pure function of (session, rank, mode) that returns a
//     side of its own: the equation list, the panes and the summaries read the ranks they
//     need that way and never move the session's current fit.
//   - The review's render thread keeps its own side (`RefitRankForRender`) in the snapshot it
//     renders from, and never reads the session's: a refit on either thread leaves the
//     other's fit as it was.
// Evaluation (fit_evaluation.h) and the limits (confidence_limits.h) work on the side they
// are handed, in the calling thread's expression context.
#pragma once

#include <cstdint>

#include "expr/finite_differences.h"
#include "fit/fit_records.h"
#include "fit/fit_run.h"
#include "numerics/ld_matrix.h"

struct TFitSide {
  // Nothing fitted yet: a record with the installed t functions and level words, no matrix.
  TFitSide() : eqn(NewFitEqn()) {}

  TFitEqn eqn;
  // The user function (0..14) of a fit 2501..2515, else -1.
  std::int32_t udfIndex = -1;
  // 1 when the last refit with a covariance request left the inverse normal matrix of the
  // fit in `covariance` (indices 0..m).
  std::int32_t covarianceValid = 0;
  // Allocated by the first refit that asks for the covariance, then reused.
  LDMatrix covariance{0, 0};
  // A framed polynomial or rational (TFitEqn::framed): the inverse normal matrix in its free
  // coefficients in the frame (linear_design.h), from which `covariance` (in its raw
  // coefficients) is formed and with which its limits are computed: the raw matrix's terms
  // cancel over such data as the raw coefficients do. Valid with `covarianceValid`.
  LDMatrix frameCovariance{0, 0};
  // The scales of the run that made the fit (series families and exponential terms), taken
  // at the refit: evaluation never reads the published run products.
  TFitRunScales scales;
  // The widths of the data's X and Y at the refit, the scales of the surface's difference
  // quotients (fit_evaluation.h); the unit for a side no refit has filled.
  finite_differences::TSurfaceScales differenceScales;
};
