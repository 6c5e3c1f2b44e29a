// The peak and transition shapes of the non-linear equation catalogue as built-ins of the
// language: GAUSSX(a,b,c) is the Gaussian peak at the variable X, GAUSSY at Y and GAUSS$
// at $, and so on for the thirteen families. The abscissa is never an argument.
//
// A handler stores its two or three arguments in the running evaluation's work area
// (ExprParamArea) and calls its family's core with the current value of its variable;
// the core reads the parameters back from that area. The cores divide with the language's
// safe division, so a zero width or scale is "Division by Zero" and the run yields the
// missing value.
#pragma once

#include "expr/eval_context.h"

// Core of one family: the value at abscissa v with the parameters p[0..2] (a, b, c). LDR
// writes its repaired scale back into p[1].
using TShapeCore = long double (*)(ExprContext& ctx, long double v, long double* p);

long double ShapeGAUSS(ExprContext& ctx, long double v, long double* p);     // a e^(-u^2/2)
long double ShapeLOR(ExprContext& ctx, long double v, long double* p);       // a / (u^2 + 1)
long double ShapeLOGNORM(ExprContext& ctx, long double v, long double* p);   // u = ln(v/b)/c
long double ShapeLOGISTIC(ExprContext& ctx, long double v, long double* p);  // 4a q/(q+1)^2
long double ShapeEXTRVAL(ExprContext& ctx, long double v, long double* p);   // a e^(-q-u+1)
long double ShapeGCUM(ExprContext& ctx, long double v, long double* p);      // a/2 (erf w + 1)
long double ShapeLORCUM(ExprContext& ctx, long double v, long double* p);    // a (atan u/pi + 1/2)
long double ShapeLNCUM(ExprContext& ctx, long double v, long double* p);     // log-normal cdf
long double ShapeSIG(ExprContext& ctx, long double v, long double* p);       // a / (e^-u + 1)
long double ShapeEXVCUM(ExprContext& ctx, long double v, long double* p);    // a e^(-e^-u)
long double ShapeLDR(ExprContext& ctx, long double v, long double* p);       // a / ((v/b)^-c + 1)
long double ShapeEXP(ExprContext& ctx, long double v, long double* p);       // a e^(-v/b)
long double ShapePOW(ExprContext& ctx, long double v, long double* p);       // a v^b, 0 at v <= 0

// The handler of a shape built-in reading variable `var` with `args` arguments. Outside
// an evaluation entry point (no work area) the arguments go to a block of its own.
template <int var, TShapeCore core, int args>
long double BuiltinShape(ExprContext& ctx, const long double* a) {
  long double own[3] = {};
  long double* p = ctx.ExprParamArea ? ctx.ExprParamArea : own;
  for (int i = 0; i < args; ++i) p[i] = a[i];
  return core(ctx, ctx.ExprVars.cell[static_cast<unsigned>(var)], p);
}
