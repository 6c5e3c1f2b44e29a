#include "fit/fit_evaluation.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "app/long_double.h"
#include "expr/eval_context.h"
#include "fit/candidate_terms.h"
#include "fit/fit_families.h"
#include "tools/udf/udf_evaluation.h"

namespace {

long double Finite(long double v) { return std::isfinite(v) ? v : ExprErrorValue; }

}  // namespace

long double EvalFitSideZ(const TFitSide& side, ExprContext& ctx, long double x, long double y) {
  const TFitEqn& e = side.eqn;
  const long double* p = e.parameters.data();
  const int m = std::clamp(e.m, 0, kMaxFitM);
  const int code = e.descriptor[1];
  switch (e.kind) {
    case kKindPolynomial:
      if (IsSeriesFamily(code)) return Finite(EvalSeriesFamily(code, x, y, p, m, side.scales.series));
      if (e.framed)
        return Finite(EvalFramedPolynomial(x, y, e.frameParameters.data(), e.descriptor.data(),
                                           side.scales.polynomialFrame));
      return Finite(EvalTransformedPolynomial(x, y, p, e.descriptor.data()));
    case kKindRational:
      if (IsSeriesFamily(code)) return Finite(EvalSeriesFamily(code, x, y, p, m, side.scales.series));
      if (e.framed)
        return Finite(EvalFramedRational(x, y, e.frameParameters.data(), e.descriptor.data(),
                                         side.scales.rationalFrame));
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

long double EvalFitZ(const TFitSide& fit, long double x, long double y) {
  return EvalFitSideZ(fit, ExprThreadContext(), x, y);
}

namespace fd = finite_differences;

namespace {

// The side's surface on the calling thread; a larger step tried whose value fails leaves no
// error code behind (the trial guard).
long double SidePartial(fd::Partial p, const TFitSide& fit, long double x, long double y) {
  ExprContext& ctx = ExprThreadContext();
  return fd::SurfacePartial(
      p, x, y, fit.differenceScales, [&](long double px, long double py) { return EvalFitSideZ(fit, ctx, px, py); },
      fd::Rounding::kLongDouble, fd::TContextTrialGuard(ctx));
}

}  // namespace

long double FitDzDx(const TFitSide& fit, long double x, long double y) {
  return SidePartial(fd::Partial::kDzDx, fit, x, y);
}
long double FitDzDy(const TFitSide& fit, long double x, long double y) {
  return SidePartial(fd::Partial::kDzDy, fit, x, y);
}
long double FitD2zDx2(const TFitSide& fit, long double x, long double y) {
  return SidePartial(fd::Partial::kD2zDx2, fit, x, y);
}
long double FitD2zDy2(const TFitSide& fit, long double x, long double y) {
  return SidePartial(fd::Partial::kD2zDy2, fit, x, y);
}
long double FitD2zDxDy(const TFitSide& fit, long double x, long double y) {
  return SidePartial(fd::Partial::kD2zDxDy, fit, x, y);
}
