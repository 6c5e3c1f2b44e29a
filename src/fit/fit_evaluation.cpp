#include "fit/fit_evaluation.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "app/long_double.h"
#include "expr/eval_context.h"
#include "fit/candidate_terms.h"
#include "fit/fit_families.h"
#include "tools/udf/udf_evaluation.h"

TFitSide CurFitSide(CurFitEqn);
TFitSide RenderFitSide(RenderFitEqn);

namespace {

constexpr long double kRelativeStep = 1e-6L;

long double Step(long double v) { return v == 0.0L ? kRelativeStep : kRelativeStep * v; }

long double Finite(long double v) { return std::isfinite(v) ? v : ExprErrorValue; }

}  // namespace

long double EvalFitSideZ(const TFitSide& side, ExprContext& ctx, long double x, long double y) {
  const TFitEqn& e = *side.eqn;
  const long double* p = e.parameters.data();
  const int m = std::clamp(e.m, 0, kMaxFitM);
  const int code = e.descriptor[1];
  switch (e.kind) {
    case kKindPolynomial:
      if (IsSeriesFamily(code)) return Finite(EvalSeriesFamily(code, x, y, p, m, side.scales.series));
      return Finite(EvalTransformedPolynomial(x, y, p, e.descriptor.data()));
    case kKindRational:
      if (IsSeriesFamily(code)) return Finite(EvalSeriesFamily(code, x, y, p, m, side.scales.series));
      return Finite(EvalRationalEquation(x, y, p, e.descriptor.data()));
    case kKindNonlinear: {
      // The evaluators take a 1-based vector of their own and may repair it in place.
      long double a[kFitEqnSlots + 1];
      std::copy(p, p + m + 1, a + 1);
      long double z = 0.0L;
      if (IsUdfEquation(e.equationNumber)) {
        // This thread's context carries the user function: no other thread's CurrentUdf is
        // touched.
        UdfFitEvaluate(ctx, e.equationNumber - kFirstUdfEquation, x, y, a, &z, nullptr);
      } else if (e.shapeEvaluator) {
        e.shapeEvaluator(x, y, a, &z, nullptr);
      }
      return Finite(z);
    }
    case kKindTermSubset:
      return Finite(TermSubsetValue(ctx, x, y, p,
                                    std::span<const std::int32_t>(e.terms.data(), static_cast<std::size_t>(m) + 1),
                                    m, side.scales));
    default: return 0.0L;
  }
}

long double EvalFitZ(long double x, long double y) {
  return EvalFitSideZ(CurFitSide, ExprThreadContext(), x, y);
}

long double EvalRenderFitZ(long double x, long double y) {
  return EvalFitSideZ(RenderFitSide, ExprThreadContext(), x, y);
}

long double SurfaceDzDx(TSurfaceFn f, long double x, long double y) {
  const long double h = Step(x);
  return (f(x + h, y) - f(x - h, y)) / (2 * h);
}

long double SurfaceDzDy(TSurfaceFn f, long double x, long double y) {
  const long double k = Step(y);
  return (f(x, y + k) - f(x, y - k)) / (2 * k);
}

long double SurfaceD2zDx2(TSurfaceFn f, long double x, long double y) {
  const long double h = Step(x);
  const long double f0 = f(x, y);
  return ((f(x + 2 * h, y) - f0) / (2 * h) - (f0 - f(x - 2 * h, y)) / (2 * h)) / (2 * h);
}

long double SurfaceD2zDy2(TSurfaceFn f, long double x, long double y) {
  const long double k = Step(y);
  const long double f0 = f(x, y);
  return ((f(x, y + 2 * k) - f0) / (2 * k) - (f0 - f(x, y - 2 * k)) / (2 * k)) / (2 * k);
}

long double SurfaceD2zDxDy(TSurfaceFn f, long double x, long double y) {
  const long double h = Step(x), k = Step(y);
  return (f(x + h, y + k) - f(x + h, y - k) - f(x - h, y + k) + f(x - h, y - k)) / (4 * h * k);
}

long double FitDzDx(long double x, long double y) { return SurfaceDzDx(EvalFitZ, x, y); }
long double FitDzDy(long double x, long double y) { return SurfaceDzDy(EvalFitZ, x, y); }
long double FitD2zDx2(long double x, long double y) { return SurfaceD2zDx2(EvalFitZ, x, y); }
long double FitD2zDy2(long double x, long double y) { return SurfaceD2zDy2(EvalFitZ, x, y); }
long double FitD2zDxDy(long double x, long double y) { return SurfaceD2zDxDy(EvalFitZ, x, y); }

long double RenderFitDzDx(long double x, long double y) { return SurfaceDzDx(EvalRenderFitZ, x, y); }
long double RenderFitDzDy(long double x, long double y) { return SurfaceDzDy(EvalRenderFitZ, x, y); }
long double RenderFitD2zDx2(long double x, long double y) { return SurfaceD2zDx2(EvalRenderFitZ, x, y); }
long double RenderFitD2zDy2(long double x, long double y) { return SurfaceD2zDy2(EvalRenderFitZ, x, y); }
long double RenderFitD2zDxDy(long double x, long double y) {
  return SurfaceD2zDxDy(EvalRenderFitZ, x, y);
}
