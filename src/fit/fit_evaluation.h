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
// EvalRenderFitZ, RenderFitDzDx, .. are these over its own side). The derivatives are the
// program's difference quotients (expr/finite_differences.h) over the widths of the data's X
// and Y the side was refit with; a larger step tried whose value fails leaves no error code.
long double EvalFitZ(const TFitSide& fit, long double x, long double y);
long double FitDzDx(const TFitSide& fit, long double x, long double y);
long double FitDzDy(const TFitSide& fit, long double x, long double y);
long double FitD2zDx2(const TFitSide& fit, long double x, long double y);
long double FitD2zDy2(const TFitSide& fit, long double x, long double y);
long double FitD2zDxDy(const TFitSide& fit, long double x, long double y);
