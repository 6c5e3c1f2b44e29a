// The current fit as a surface: its value and numeric derivatives at any (x, y), on either
// side of the current fit.
//
// Two sides exist for the whole run of the program. The user-interface side (`CurFitSide`:
// `CurFitEqn`, `FitUdfIndex`, `FitCovarianceValid` and the first covariance matrix) serves
// the windows, the exports, the data tools and, at the end of a run, the fitting thread; the
// render side (`RenderFitSide`: `RenderFitEqn`, `RenderUdfIndex`, `RenderCovarianceValid` and
// the second matrix) serves only the review's render thread. A refit on one side never
// touches the other (fit_refit.h).
//
// Evaluation runs in the calling thread's expression context (ExprThreadContext): a user
// function is evaluated with that context's CurrentUdf, so the render thread evaluates its
// own user function without disturbing the user-interface thread's (the two threads never
// share a CurrentUdf). Faults follow the calculation language: an undefined evaluation
// records its code in the calling thread's math error and gives 0 (or, for a series family
// outside a log axis, the missing value); a result that is not a finite number becomes the
// missing value. The math error is not cleared first: callers clear it when they want to
// know about one evaluation.
#pragma once

#include <cstdint>

#include "fit/fit_records.h"
#include "fit/fit_run.h"
#include "numerics/ld_matrix.h"

struct ExprContext;

// One side of the current fit.
struct TFitSide {
  explicit TFitSide(TFitEqn* record) : eqn(record) {}
  TFitSide(const TFitSide&) = delete;
  TFitSide& operator=(const TFitSide&) = delete;

  TFitEqn* const eqn;
  // The user function (0..14) of a fit 2501..2515, else -1.
  std::int32_t udfIndex = -1;
  // 1 when the last refit with a covariance request left the inverse normal matrix of the
  // fit in `covariance` (indices 0..m).
  std::int32_t covarianceValid = 0;
  LDMatrix covariance{kFitScratchSize, kFitScratchSize};
  // The scales of the run that made the fit (series families and exponential terms), taken
  // at the refit: evaluation never reads the published run products.
  TFitRunScales scales;
};

extern TFitSide CurFitSide;
extern TFitSide RenderFitSide;
// The names the rest of the program reads.
inline std::int32_t& FitUdfIndex = CurFitSide.udfIndex;
inline std::int32_t& FitCovarianceValid = CurFitSide.covarianceValid;
inline std::int32_t& RenderUdfIndex = RenderFitSide.udfIndex;
inline std::int32_t& RenderCovarianceValid = RenderFitSide.covarianceValid;

// The value of a side's fit at (x, y) in the given context: by kind, the polynomial and
// series evaluators (kind 1), the rational ones (2), the non-linear shape evaluator or the
// user function (3), the term-subset value (4); 0 for any other kind or a kind-3 record
// without its evaluator.
long double EvalFitSideZ(const TFitSide& side, ExprContext& ctx, long double x, long double y);

// Value and derivatives of `CurFitEqn` on the calling thread.
long double EvalFitZ(long double x, long double y);
long double FitDzDx(long double x, long double y);
long double FitDzDy(long double x, long double y);
long double FitD2zDx2(long double x, long double y);
long double FitD2zDy2(long double x, long double y);
long double FitD2zDxDy(long double x, long double y);

// The same over `RenderFitEqn` (render thread).
long double EvalRenderFitZ(long double x, long double y);
long double RenderFitDzDx(long double x, long double y);
long double RenderFitDzDy(long double x, long double y);
long double RenderFitD2zDx2(long double x, long double y);
long double RenderFitD2zDy2(long double x, long double y);
long double RenderFitD2zDxDy(long double x, long double y);

// Central differences of any surface f, with the steps h = 1e-6·x (1e-6 at x = 0) and
// k = 1e-6·y (1e-6 at y = 0):
//   dz/dx     = (f(x+h, y) - f(x-h, y)) / 2h
//   d²z/dx²   = ((f(x+2h, y) - f(x, y))/2h - (f(x, y) - f(x-2h, y))/2h) / 2h
//   d²z/dxdy  = (f(x+h, y+k) - f(x+h, y-k) - f(x-h, y+k) + f(x-h, y-k)) / 4hk
// and likewise in y.
using TSurfaceFn = long double (*)(long double x, long double y);
long double SurfaceDzDx(TSurfaceFn f, long double x, long double y);
long double SurfaceDzDy(TSurfaceFn f, long double x, long double y);
long double SurfaceD2zDx2(TSurfaceFn f, long double x, long double y);
long double SurfaceD2zDy2(TSurfaceFn f, long double x, long double y);
long double SurfaceD2zDxDy(TSurfaceFn f, long double x, long double y);
