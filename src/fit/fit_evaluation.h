// A fit made current as a surface: its value and numeric derivatives at any (x, y), for
// the side it is handed (fit_side.h): the session's current fit or the render thread's.
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

#include "fit/fit_side.h"

struct ExprContext;

// The value of a side's fit at (x, y) in the given context: by kind, the polynomial and
// series evaluators (kind 1), the rational ones (2), the non-linear shape evaluator or the
// user function (3), the term-subset value (4); 0 for any other kind or a kind-3 record
// without its evaluator.
long double EvalFitSideZ(const TFitSide& side, ExprContext& ctx, long double x, long double y);

// Value and derivatives of a side on the calling thread (the render thread's
// EvalRenderFitZ, RenderFitDzDx, .. are these over its own side).
long double EvalFitZ(const TFitSide& fit, long double x, long double y);
long double FitDzDx(const TFitSide& fit, long double x, long double y);
long double FitDzDy(const TFitSide& fit, long double x, long double y);
long double FitD2zDx2(const TFitSide& fit, long double x, long double y);
long double FitD2zDy2(const TFitSide& fit, long double x, long double y);
long double FitD2zDxDy(const TFitSide& fit, long double x, long double y);

// Central differences of any surface f(x, y), with the steps h = 1e-6·x (1e-6 at x = 0) and
// k = 1e-6·y (1e-6 at y = 0):
//   dz/dx     = (f(x+h, y) - f(x-h, y)) / 2h
//   d²z/dx²   = ((f(x+2h, y) - f(x, y))/2h - (f(x, y) - f(x-2h, y))/2h) / 2h
//   d²z/dxdy  = (f(x+h, y+k) - f(x+h, y-k) - f(x-h, y+k) + f(x-h, y-k)) / 4hk
// and likewise in y.
inline long double DifferenceStep(long double v) { return v == 0.0L ? 1e-6L : 1e-6L * v; }

template <typename F>
long double SurfaceDzDx(const F& f, long double x, long double y) {
  const long double h = DifferenceStep(x);
  return (f(x + h, y) - f(x - h, y)) / (2 * h);
}

template <typename F>
long double SurfaceDzDy(const F& f, long double x, long double y) {
  const long double k = DifferenceStep(y);
  return (f(x, y + k) - f(x, y - k)) / (2 * k);
}

template <typename F>
long double SurfaceD2zDx2(const F& f, long double x, long double y) {
  const long double h = DifferenceStep(x);
  const long double f0 = f(x, y);
  return ((f(x + 2 * h, y) - f0) / (2 * h) - (f0 - f(x - 2 * h, y)) / (2 * h)) / (2 * h);
}

template <typename F>
long double SurfaceD2zDy2(const F& f, long double x, long double y) {
  const long double k = DifferenceStep(y);
  const long double f0 = f(x, y);
  return ((f(x, y + 2 * k) - f0) / (2 * k) - (f0 - f(x, y - 2 * k)) / (2 * k)) / (2 * k);
}

template <typename F>
long double SurfaceD2zDxDy(const F& f, long double x, long double y) {
  const long double h = DifferenceStep(x), k = DifferenceStep(y);
  return (f(x + h, y + k) - f(x + h, y - k) - f(x - h, y + k) + f(x - h, y - k)) / (4 * h * k);
}
