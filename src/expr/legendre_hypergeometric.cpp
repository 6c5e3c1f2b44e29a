// Associated Legendre functions by the upward recurrence in l from P_m^m, and the
// hypergeometric functions by their power series (U from the two Kummer functions M).
#include <cmath>
#include <cstdint>
#include <numbers>

#include "expr/builtins.h"
#include "expr/interpreter.h"
#include "expr/special_functions.h"

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

}  // namespace

// l and m are truncated; a degree or order that does not fit a 32-bit integer (or is not a
// number) is refused like a negative one instead of overflowing the conversion.
long double LGNDR(ExprContext& ctx, long double l, long double m, long double x) {
  l = std::trunc(l);
  m = std::trunc(m);
  constexpr long double kMaxDegree = INT32_MAX;
  if (!(m >= 0) || !(l >= m) || !(l <= kMaxDegree) || std::fabs(x) > 1) {
    ctx.SetError(kErrLegendreArgument);
    return 0;
  }
  const auto im = static_cast<std::int64_t>(m);
  const auto il = static_cast<std::int64_t>(l);
  long double pmm = 1;
  if (im > 0) {
    const long double s = std::sqrt((1 - x) * (1 + x));
    long double f = 1;
    for (std::int64_t i = 1; i <= im; ++i) {
      pmm = -pmm * f * s;
      f += 2;
    }
  }
  if (il == im) return pmm;
  long double pm1 = x * (2 * m + 1) * pmm;
  if (il == im + 1) return pm1;
  long double pll = 0;
  for (std::int64_t ll = im + 2; ll <= il; ++ll) {
    const auto fl = static_cast<long double>(ll);
    pll = (x * (2 * fl - 1) * pm1 - (fl + m - 1) * pmm) / (fl - m);
    pmm = pm1;
    pm1 = pll;
  }
  return pll;
}

// The term is carried as one quotient, (a)_k x^k / ((b)_k k!), rather than as numerator
// and denominator apart: those overflow long before a diverging or slowly converging series
// reaches its term limit, and the run would then report an overflow instead of the
// convergence failure.
long double HYPM(ExprContext& ctx, long double a, long double b, long double x) {
  long double sum = 1;
  long double previous = 1e-30L;
  long double k = 1;
  long double term = a * x / b;
  while (k < kExprSeriesLimit) {
    sum += term;
    if (std::fabs(sum - previous) < std::fabs(previous) * kExprSeriesEps) return sum;
    a += 1;
    b += 1;
    k += 1;
    if (b == 0) {  // skip the term whose denominator would vanish
      a += 1;
      b += 1;
      k += 1;
    }
    term *= a * x / (k * b);
    previous = sum;
  }
  ctx.SetError(kErrHypergeometricMConvergence);
  return 0;
}

// U(a, b, x) = pi / sin(pi b) (M(a, b, x) / (gamma(1 + a - b) gamma(b))
//                              - x^(1 - b) M(1 + a - b, 2 - b, x) / (gamma(a) gamma(2 - b))).
// A whole b is a pole of this form (sin(pi b) is exactly 0 there): it is reported as a
// division by zero instead of returning the cancellation noise of a huge factor.
long double HYPU(ExprContext& ctx, long double a, long double b, long double x) {
  const std::uint64_t raised = ctx.ExprErrorEvents;
  const long double factor = ExprSafeDivide(ctx, kPi, ExprSinPi(b));
  if (ctx.ExprErrorEvents != raised) return 0;
  // Every factor first, so that a pole of gamma (recorded with its own code) is never
  // divided by.
  const long double g1 = GAM(ctx, 1 + a - b) * GAM(ctx, b);
  const long double g2 = GAM(ctx, a) * GAM(ctx, 2 - b);
  const long double m1 = HYPM(ctx, a, b, x);
  const long double m2 = HYPM(ctx, 1 + a - b, 2 - b, x);
  const long double power = ExprMathPow(ctx, x, 1 - b);
  if (ctx.ExprErrorEvents != raised) return 0;
  const long double first = m1 / g1;
  const long double second = power * m2 / g2;
  return factor * (first - second);
}

// The term is carried as one quotient, as in HYPM.
long double HYPF(ExprContext& ctx, long double a, long double b, long double c, long double x) {
  long double sum = 1;
  long double previous = 0;
  long double term = a * b * x / c;
  long double k = 1;
  for (int n = 1; n < kExprSeriesLimit; ++n) {
    sum += term;
    if (std::fabs(sum - previous) < std::fabs(previous) * kExprSeriesEps) return sum;
    a += 1;
    b += 1;
    c += 1;
    k += 1;
    term *= a * b * x / (k * c);
    previous = sum;
  }
  ctx.SetError(kErrHypergeometricFConvergence);
  return 0;
}

long double BuiltinLGNDR(ExprContext& ctx, const long double* a) { return LGNDR(ctx, a[0], a[1], a[2]); }
long double BuiltinHYPM(ExprContext& ctx, const long double* a) { return HYPM(ctx, a[0], a[1], a[2]); }
long double BuiltinHYPU(ExprContext& ctx, const long double* a) { return HYPU(ctx, a[0], a[1], a[2]); }
long double BuiltinHYPF(ExprContext& ctx, const long double* a) {
  return HYPF(ctx, a[0], a[1], a[2], a[3]);
}
