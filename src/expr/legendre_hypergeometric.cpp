// Associated Legendre functions by the upward recurrence in l from P_m^m, and the
// hypergeometric functions by their power series (U from the two Kummer functions M), each
// sum checked for the digits its cancellation leaves.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "expr/builtins.h"
#include "expr/integration.h"
#include "expr/interpreter.h"
#include "expr/math_faults.h"
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

namespace {

// A power series' sum with the sum of its terms' magnitudes. Rounding leaves the sum good to
// about the long double epsilon (2^-63) times that magnitude, so a sum far smaller than its
// terms (alternating terms that cancel) has lost digits. A value is given only while at
// least half of its 64 bits stand, that is while the terms outweigh it by 2^31 at most; past
// that the functions report their convergence failure instead of a number whose leading
// digits are rounding noise (M(6.17, 0.0134, -31.6) summed plainly gives -640.8 for 4.2e-5).
struct TSeriesSum {
  long double sum = 1;
  long double magnitude = 1;
  bool converged = false;

  static constexpr long double kMostLossKept = 0x1p31L;

  // How far the terms outweigh the sum (infinite for a sum of exactly 0).
  long double Loss() const { return magnitude / std::fabs(sum); }
  bool Kept() const { return converged && Loss() <= kMostLossKept; }
};

// Kummer's series M(a, b, x) = sum of (a)_k x^k / ((b)_k k!). The term is carried as one
// quotient rather than as numerator and denominator apart: those overflow long before a
// diverging or slowly converging series reaches its term limit, and the run would then
// report an overflow instead of the convergence failure. While b + k is below 0 the terms
// may shrink only to grow again once it has passed 0, so a small term ends the sum only
// where b + k is above 0 and the next term is no larger (see Gauss's series below).
TSeriesSum KummerSeries(long double a, long double b, long double x) {
  TSeriesSum s;
  long double previous = 1e-30L;
  long double k = 1;
  long double term = a * x / b;
  while (k < kExprSeriesLimit) {
    s.sum += term;
    s.magnitude += std::fabs(term);
    const bool small = std::fabs(s.sum - previous) < std::fabs(previous) * kExprSeriesEps;
    a += 1;
    b += 1;
    k += 1;
    if (b == 0) {  // skip the term whose denominator would vanish
      a += 1;
      b += 1;
      k += 1;
    }
    const long double next = term * a * x / (k * b);
    if (small && b > 0 && std::fabs(next) <= std::fabs(term)) {
      s.converged = true;
      return s;
    }
    term = next;
    previous = s.sum;
  }
  return s;
}

// A sum whose rounding keeps 14 of the 19 digits of a long double: the terms outweigh it
// by 2^16 at most. HYPM and HYPU take the first form of their value that keeps that many,
// and only where none does the best of those that keep half the bits (TSeriesSum::Kept).
constexpr long double kFullLoss = 0x1p16L;

// One step y_(i-1) = p y_i + q y_(i+1) of a three-term recurrence, with the sizes that
// bound the rounding of its coefficients: |p| and |q|, or more where the terms of which
// they are made cancel.
struct TRecurrenceStep {
  long double p = 0;
  long double q = 0;
  long double pSize = 0;
  long double qSize = 0;
};

// A function given by the three-term recurrence of its contiguous functions in a parameter
// that is taken downward from where its series keeps its digits: y_i is the function with
// that parameter raised by i, sumAt(n) its series there, stepAt(i) the step that gives
// y_(i-1), and y_0 the value wanted. This is the stable direction where the function is
// the dominant solution as the parameter falls (its series tends to 1 as the parameter
// grows, the other solution grows like a gamma function). The series are first taken at
// firstSteps, and that doubled until they keep all but 12 bits; the errors of those two
// starting sums are part of the bound below, as the steps' are.
// The error is bounded, not estimated: each step's rounding (its coefficients, its two
// products and their sum) is at most kStepRounding epsilons of the sizes it is made of,
// and reaches the result multiplied by the derivative of the result with respect to that
// value, which the transposed recurrence gives running upward from the result (s_0 = 1,
// s_i = p_i s_(i-1) + q_(i-1) s_(i-2)). The sum of those bounds is the magnitude returned.
// It is a bound on the worst case, some hundreds of times the error made on random
// arguments, but it never understates it; where the function is not the dominant
// solution, the bound shows it. More than kMostSteps steps (a few milliseconds) are not
// taken.
template <class Sum, class Step>
TSeriesSum DownwardRecurrence(long double firstSteps, const Sum& sumAt, const Step& stepAt) {
  constexpr long double kMostSteps = 200000;
  constexpr long double kStartLoss = 0x1p12L;
  constexpr long double kStepRounding = 8;
  constexpr long double kEpsilon = 0x1p-63L;
  const TSeriesSum failed;
  // A run that overflows on its way fails here, without the flag of an overflow that the
  // value returned by another form would not have.
  const TKeptValueScope kept;
  long double steps = std::max(0.0L, std::ceil(firstSteps));
  TSeriesSum upper;
  TSeriesSum top;
  for (;;) {
    if (!(steps <= kMostSteps)) return failed;
    top = sumAt(steps);
    upper = sumAt(steps + 1);
    if (top.converged && upper.converged && top.Loss() <= kStartLoss && upper.Loss() <= kStartLoss) break;
    steps = 2 * steps + 16;
  }
  const auto n = static_cast<std::size_t>(steps);
  // The rounding bound of each value the recurrence makes.
  std::vector<long double> rounding(n);
  long double above = upper.sum;
  long double at = top.sum;
  for (std::size_t i = n; i > 0; --i) {
    const TRecurrenceStep step = stepAt(i);
    const long double below = step.p * at + step.q * above;
    rounding[i - 1] = kStepRounding * kEpsilon * (step.pSize * std::fabs(at) + step.qSize * std::fabs(above));
    above = at;
    at = below;
    if (!std::isfinite(at)) return failed;
  }
  // The derivatives s_i of the result with respect to y_i, upward.
  long double bound = n > 0 ? rounding[0] : 0;
  long double sBelow = 0;  // s_(i-2)
  long double s = 1;       // s_(i-1)
  long double qBelow = 0;  // q_(i-1)
  for (std::size_t i = 1; i <= n; ++i) {
    const TRecurrenceStep step = stepAt(i);
    const long double next = s * step.p + sBelow * qBelow;
    sBelow = s;
    s = next;
    qBelow = step.q;
    if (i < n) bound += std::fabs(s) * rounding[i];
  }
  // s is now s_n, sBelow s_(n-1); y_(n+1) reaches the result only through q_n.
  const long double sUpper = sBelow * qBelow;
  bound += std::fabs(s) * kEpsilon * top.magnitude + std::fabs(sUpper) * kEpsilon * upper.magnitude;
  if (!std::isfinite(bound)) return failed;
  TSeriesSum result;
  result.sum = at;
  result.magnitude = bound / kEpsilon;
  result.converged = true;
  return result;
}

// M(a, b, x) by the recurrence in b (DLMF 13.3.2)
//   M(a, b - 1, x) = (b - 1 + x) / (b - 1) M(a, b, x) - x (b - a) / (b (b - 1)) M(a, b + 1, x),
// which keeps the digits that the series loses where its terms alternate for k below -a
// (a below 0 and x above 0: M(-27.5, 14.5, 18.5) is 1.8e-6 under terms of 1.1e7), and
// takes the place of the series where that needs more terms than its limit (x of 500 and
// more). Its series fall from the first term on once b is well above |a x| / 4 + 2 |x|.
// A whole b of 0 or less is a pole of M, which the series' own rule passes by; it is left
// to the series.
TSeriesSum RecurrenceInB(long double a, long double b, long double x) {
  if (b <= 0 && b == std::floor(b)) return {};
  const auto sumAt = [&](long double n) { return KummerSeries(a, b + n, x); };
  const auto stepAt = [&](std::size_t i) {
    const long double c = b + static_cast<long double>(i);
    TRecurrenceStep step;
    step.p = (c - 1 + x) / (c - 1);
    step.q = -x * (c - a) / (c * (c - 1));
    step.pSize = (std::fabs(c) + 1 + std::fabs(x)) / std::fabs(c - 1);
    step.qSize = std::fabs(x) * (std::fabs(c) + std::fabs(a)) / std::fabs(c * (c - 1));
    return step;
  };
  return DownwardRecurrence(0.25L * std::fabs(a * x) + 2 * std::fabs(x) - b, sumAt, stepAt);
}

// M(a, b, x) by the first of its forms that keeps 14 digits, else by the one that keeps
// the most: the series; for a negative x Kummer's transformation e^x M(b - a, b, -x),
// whose terms keep one sign once k passes a - b, where the plain terms alternate and grow
// towards e^|x| while M itself may be of order |x|^-a; and the recurrence in b of the form
// with the argument of 0 or more, whose terms alternate for k below its first parameter's
// magnitude (a below 0, or a above b for a negative x).
TSeriesSum KummerM(long double a, long double b, long double x) {
  TSeriesSum best = KummerSeries(a, b, x);
  const auto better = [&best](const TSeriesSum& s) {
    return s.converged && (!best.converged || s.Loss() < best.Loss());
  };
  const auto scaled = [](TSeriesSum s, long double factor) {
    s.sum *= factor;
    s.magnitude *= factor;
    return s;
  };
  if (best.converged && best.Loss() <= kFullLoss) return best;
  if (x < 0) {
    const long double factor = std::exp(x);  // below 0: at worst it underflows to 0
    const TSeriesSum turned = scaled(KummerSeries(b - a, b, -x), factor);
    if (better(turned)) best = turned;
    if (best.converged && best.Loss() <= kFullLoss) return best;
    const TSeriesSum recurred = scaled(RecurrenceInB(b - a, b, -x), factor);
    if (better(recurred)) best = recurred;
  } else {
    const TSeriesSum recurred = RecurrenceInB(a, b, x);
    if (better(recurred)) best = recurred;
  }
  return best;
}

// U(a, b, x) for a large positive x by its asymptotic series
// x^-a sum of (a)_k (a - b + 1)_k / k! (-1/x)^k, taken until a term leaves the sum unchanged
// or, once the terms start to grow, to its smallest term, whose size bounds the error.
// Accepted while the rounding and the truncation together keep the sum to `mostLoss`
// epsilons, as the loss of a series above.
bool AsymptoticU(long double a, long double b, long double x, long double mostLoss, long double& u) {
  long double sum = 1;
  long double magnitude = 1;
  long double term = 1;
  long double error = 0;
  for (int k = 0; k < kExprSeriesLimit; ++k) {
    const long double next = term * (a + k) * (a - b + 1 + k) / ((k + 1) * -x);
    if (next == 0) break;  // a terminating series: exact
    if (std::fabs(next) >= std::fabs(term)) {  // the series starts to diverge
      error = std::fabs(term);
      break;
    }
    sum += next;
    magnitude += std::fabs(next);
    term = next;
    if (std::fabs(next) < std::fabs(sum) * kExprSeriesEps) break;
    if (k + 1 == kExprSeriesLimit) return false;
  }
  const long double loss = (magnitude * 0x1p-63L + error) / std::fabs(sum);
  if (!(loss <= mostLoss * 0x1p-63L)) return false;
  u = std::pow(x, -a) * sum;
  return std::isfinite(u);
}

// The error cells as they stood: an engine that an evaluation runs inside a function
// clears and raises codes of its own, which are not the function's to leave.
class TKeptErrors {
 public:
  explicit TKeptErrors(ExprContext& ctx)
      : ctx_(ctx), code_(ctx.ExprMathError), count_(ctx.ExprErrorCount), list_(ctx.ExprErrorList) {}
  ~TKeptErrors() {
    ctx_.ExprMathError = code_;
    ctx_.ExprErrorCount = count_;
    ctx_.ExprErrorList = list_;
  }
  TKeptErrors(const TKeptErrors&) = delete;
  TKeptErrors& operator=(const TKeptErrors&) = delete;

 private:
  ExprContext& ctx_;
  int code_;
  int count_;
  std::array<int, kExprErrorListSize> list_;
};

// U(a, b, x) for a >= 1 and x > 0 by its integral representation (DLMF 13.4.4 with t = s/x)
//   U(a, b, x) = x^-a / gamma(a) * integral over s from 0 to infinity of
//                e^-s s^(a-1) (1 + s/x)^(b-a-1) ds,
// whose integrand keeps one sign: none of its digits cancel, wherever the two terms of the
// difference of M functions do. The tanh-sinh rule takes it with its error control (its
// sums agree, their new values lie on the curve of the old ones, and what lies beyond its
// outermost points is within the tolerance; a tighter tolerance than 1e-15 it cannot
// confirm, though its sums are good to about 1e-18). The integrand is taken relative to its
// largest value, whose logarithm is added back at the end: for a large a it peaks near
// s = a at e^(a ln a - a), past the long double range from a = 1800 on. From a >= 1 on it is
// bounded at s = 0, which the rule would otherwise see only in part (s^-0.9 leaves 7e-7 of
// the integral beyond its outermost point). It takes some 1,000 to 5,000 values of the
// integrand, about half a millisecond, where the series' failure once came at once.
bool IntegralU(ExprContext& ctx, long double a, long double b, long double x, long double& u) {
  constexpr long double kTolerance = 1e-15L;
  const long double power = b - a - 1;
  // The logarithm of the integrand, -s + (a - 1) ln s + (b - a - 1) ln(1 + s/x), and where
  // it is largest: the positive root of s^2 + (x - a + 1 - power) s - (a - 1) x = 0 (0 for
  // a = 1 with the power not above 0).
  const auto g = [&](long double s) { return -s + (a - 1) * std::log(s) + power * std::log1p(s / x); };
  const long double p = x - a + 1 - power;
  const long double peak = (std::sqrt(p * p + 4 * (a - 1) * x) - p) / 2;
  const long double top = peak > 0 ? g(peak) : 0;
  TIntegRecord rec;
  long double integral = 0;
  {
    const TKeptErrors kept(ctx);
    const auto f = [&](long double s) { return s > 0 ? std::exp(g(s) - top) : 0.0L; };
    integral = IntegrateTanhSinh(ctx, rec, f, 0, INFINITY, kTolerance);
  }
  if (rec.IntegFailed != 0 || !(integral > 0) || !std::isfinite(integral)) return false;
  u = std::exp(std::log(integral) + top - a * std::log(x) - LNGAM(ctx, a));
  return std::isfinite(u);
}

// U(a, b, x) for x > 0 where the series do not keep its digits: by the integral for
// a >= 1, else from the integrals at a + n and a + n + 1 (a + n in [1, 2)) by the
// recurrence in a (DLMF 13.3.7)
//   U(a - 1, b, x) = (x + 2a - b) U(a, b, x) - a (a - b + 1) U(a + 1, b, x),
// taken downward, the direction in which U, the solution that decays as a grows, is
// computed stably.
// More steps than kMostSteps are not taken (a of -1e15 would take them for ever).
bool IntegralOrRecurrenceU(ExprContext& ctx, long double a, long double b, long double x, long double& u) {
  constexpr long double kMostSteps = 10000;
  if (a >= 1) return IntegralU(ctx, a, b, x, u);
  const long double steps = std::ceil(1 - a);
  if (!(steps <= kMostSteps)) return false;
  long double upper = a + steps;  // in [1, 2)
  long double above = 0;
  long double at = 0;
  if (!IntegralU(ctx, upper, b, x, at) || !IntegralU(ctx, upper + 1, b, x, above)) return false;
  for (long double k = 0; k < steps; ++k) {
    const long double below = (x + 2 * upper - b) * at - upper * (upper - b + 1) * above;
    above = at;
    at = below;
    upper -= 1;
  }
  u = at;
  return std::isfinite(u);
}

}  // namespace

long double HYPM(ExprContext& ctx, long double a, long double b, long double x) {
  const TSeriesSum m = KummerM(a, b, x);
  if (m.Kept()) return m.sum;
  // Where the series ended within its limit, its digits were lost; else it did not end.
  const bool ended = KummerSeries(a, b, x).converged;
  ctx.SetError(ended ? kErrHypergeometricPrecision : kErrHypergeometricMConvergence);
  return 0;
}

// U(a, b, x) = pi / sin(pi b) (M(a, b, x) / (gamma(1 + a - b) gamma(b))
//                              - x^(1 - b) M(1 + a - b, 2 - b, x) / (gamma(a) gamma(2 - b))).
// A whole b is a pole of this form (sin(pi b) is exactly 0 there): it is reported as a
// division by zero instead of returning the cancellation noise of a huge factor. For a
// large x the two terms are nearly equal and their difference keeps few of their digits
// (beyond x = 3 or so, fewer than half of them for most a and b: HYPU(0.5,0.5,20) was
// refused as a convergence failure of M, though both M series converge). The form taken is
// the first that keeps its digits to kFullLoss epsilons: the difference, the asymptotic
// series for a positive x, and then, for a positive x, the integral representation
// (IntegralOrRecurrenceU), which cancels nothing. Where that fails too, the difference or
// the asymptotic series that keeps at least half the bits, and else the failure.
long double HYPU(ExprContext& ctx, long double a, long double b, long double x) {
  const std::uint64_t raised = ctx.ExprErrorEvents;
  const long double factor = ExprSafeDivide(ctx, kPi, ExprSinPi(b));
  if (ctx.ExprErrorEvents != raised) return 0;
  // Every factor first, so that a pole of gamma (recorded with its own code) is never
  // divided by.
  const long double g1 = GAM(ctx, 1 + a - b) * GAM(ctx, b);
  const long double g2 = GAM(ctx, a) * GAM(ctx, 2 - b);
  const TSeriesSum m1 = KummerM(a, b, x);
  const TSeriesSum m2 = KummerM(1 + a - b, 2 - b, x);
  const long double power = ExprMathPow(ctx, x, 1 - b);
  if (ctx.ExprErrorEvents != raised) return 0;
  const long double first = m1.sum / g1;
  const long double second = power * m2.sum / g2;
  const long double difference = first - second;
  // Each term also carries the rounding of its gamma functions (each the exponential of a
  // log-gamma of magnitude up to about 40) and of the power: counted as 128 more epsilons.
  constexpr long double kFactorsLoss = 128;
  const long double weight =
      std::fabs(first) * (m1.Loss() + kFactorsLoss) + std::fabs(second) * (m2.Loss() + kFactorsLoss);
  const long double loss = m1.converged && m2.converged ? weight / std::fabs(difference) : INFINITY;
  if (loss <= kFullLoss) return factor * difference;
  long double u = 0;
  if (x > 0 && (AsymptoticU(a, b, x, kFullLoss, u) || IntegralOrRecurrenceU(ctx, a, b, x, u) ||
                AsymptoticU(a, b, x, TSeriesSum::kMostLossKept, u)))
    return u;
  if (loss <= TSeriesSum::kMostLossKept) return factor * difference;
  ctx.SetError(m1.converged && m2.converged && loss > TSeriesSum::kMostLossKept ? kErrHypergeometricPrecision
                                                                              : kErrHypergeometricMConvergence);
  return 0;
}

namespace {

// Gauss's series F(a, b; c; x), its term carried as in Kummer's series. Where c is below 0 the
// terms may fall below the tolerance while c + k is negative and grow again for a long
// stretch after it has passed 0 (F(1.31, 0.0204; -131.5; 0.468) stopped at its 8th term
// gives 0.9999053593 for 0.9999053806), so a small term ends the sum only where c + k is
// above 0 and the next term is no larger.
TSeriesSum GaussSeries(long double a, long double b, long double c, long double x) {
  TSeriesSum s;
  long double previous = 0;
  long double term = a * b * x / c;
  long double k = 1;
  for (int n = 1; n < kExprSeriesLimit; ++n) {
    s.sum += term;
    s.magnitude += std::fabs(term);
    const bool small = std::fabs(s.sum - previous) < std::fabs(previous) * kExprSeriesEps;
    a += 1;
    b += 1;
    c += 1;
    k += 1;
    const long double next = term * a * b * x / (k * c);
    if (small && c > 0 && std::fabs(next) <= std::fabs(term)) {
      s.converged = true;
      return s;
    }
    term = next;
    previous = s.sum;
  }
  return s;
}

// F(a, b; c; z) by the recurrence in c (DLMF 15.5.18)
//   F(c - 1) = ((c - 1 - (2c - a - b - 1) z) F(c) + (c - a)(c - b) z / c F(c + 1)) / ((c - 1)(1 - z)),
// which keeps the digits that the series loses where its terms alternate for k below -a
// or -b (F(-49.3, 20.32; 5.582; 0.1847) is 2.4e-6 under terms of 6.9e6). Its series fall
// from the first term on once c is well above |a b z| / 4 + 2 (|a| + |b|) |z|. Beyond z of
// 1/2 F is no longer the dominant solution as c falls: it is not tried there. A whole c of
// 0 or less is a pole of F, left to the series.
TSeriesSum RecurrenceInC(long double a, long double b, long double c, long double z) {
  if ((c <= 0 && c == std::floor(c)) || !(z > 0 && z <= 0.5L)) return {};
  const auto sumAt = [&](long double n) { return GaussSeries(a, b, c + n, z); };
  const auto stepAt = [&](std::size_t i) {
    const long double e = c + static_cast<long double>(i);
    const long double d = (e - 1) * (1 - z);
    TRecurrenceStep step;
    step.p = (e - 1 - (2 * e - a - b - 1) * z) / d;
    step.q = (e - a) * (e - b) * z / (e * d);
    step.pSize = (std::fabs(e) + 1 + (2 * std::fabs(e) + std::fabs(a) + std::fabs(b) + 1) * z) / std::fabs(d);
    step.qSize = (std::fabs(e) + std::fabs(a)) * (std::fabs(e) + std::fabs(b)) * z / std::fabs(e * d);
    return step;
  };
  return DownwardRecurrence(0.25L * std::fabs(a * b * z) + 2 * (std::fabs(a) + std::fabs(b)) * z - c, sumAt, stepAt);
}

// F(a, b; c; z) for z between 0 and 1/2 by its series, or by the recurrence in c where the
// series keeps fewer than 14 digits and the recurrence keeps more.
TSeriesSum GaussF(long double a, long double b, long double c, long double z) {
  const TSeriesSum plain = GaussSeries(a, b, c, z);
  if (plain.converged && plain.Loss() <= kFullLoss) return plain;
  const TSeriesSum recurred = RecurrenceInC(a, b, c, z);
  return recurred.converged && (!plain.converged || recurred.Loss() < plain.Loss()) ? recurred : plain;
}

// 1 / gamma(z), 0 at the poles of gamma; NaN beyond the range where gamma is a long double.
long double ReciprocalGamma(long double z) {
  if (z <= 0 && z == std::floor(z)) return 0;
  if (!(std::fabs(z) < 1700)) return NAN;
  return 1 / std::tgamma(z);
}

// The rounding of a gamma factor (each gamma function good to a few epsilons, and the
// power beside it), in epsilons of the term it multiplies.
constexpr long double kFactorsLoss = 128;

// F(a, b; c; x) for x between 1/2 and 1, where its series converges slowly (past its term
// limit beyond x of about 0.96), by the transformation to 1 - x (DLMF 15.8.4)
//   F = gamma(c) gamma(c - a - b) / (gamma(c - a) gamma(c - b)) F(a, b; a + b - c + 1; 1 - x)
//     + (1 - x)^(c - a - b) gamma(c) gamma(a + b - c) / (gamma(a) gamma(b))
//       F(c - a, c - b; c - a - b + 1; 1 - x),
// each F of an argument below 1/2. A whole c - a - b is a pole of both gamma factors (the
// limit has logarithmic terms): not taken there; near it the two terms cancel, which the
// loss returned counts, with 128 epsilons for the rounding of each term's gamma functions
// and power, and 2 (|a| + |b| + |c|) for the rounding of c - a - b, which each term
// magnifies as much as the two cancel.
TSeriesSum OneMinusXForm(long double a, long double b, long double c, long double x) {
  TSeriesSum failed;
  const long double d = c - a - b;
  if (!(x > 0.5L && x < 1) || d == std::floor(d) || (c <= 0 && c == std::floor(c))) return failed;
  const TKeptValueScope kept;
  const long double y = 1 - x;  // exact for x between 1/2 and 1
  const long double gammaC = std::tgamma(c);
  const long double firstFactor = gammaC * std::tgamma(d) * ReciprocalGamma(c - a) * ReciprocalGamma(c - b);
  const long double secondFactor =
      std::pow(y, d) * gammaC * std::tgamma(-d) * ReciprocalGamma(a) * ReciprocalGamma(b);
  if (!std::isfinite(firstFactor) || !std::isfinite(secondFactor)) return failed;
  const TSeriesSum first = GaussF(a, b, 1 - d, y);
  const TSeriesSum second = GaussF(c - a, c - b, 1 + d, y);
  if (!first.converged || !second.converged) return failed;
  const long double firstTerm = firstFactor * first.sum;
  const long double secondTerm = secondFactor * second.sum;
  TSeriesSum s;
  s.sum = firstTerm + secondTerm;
  const long double parameters = 2 * (std::fabs(a) + std::fabs(b) + std::fabs(c));
  s.magnitude = std::fabs(firstTerm) * (first.Loss() + kFactorsLoss + parameters) +
                std::fabs(secondTerm) * (second.Loss() + kFactorsLoss + parameters);
  s.converged = std::isfinite(s.sum) && std::isfinite(s.magnitude);
  return s;
}

// F(a, b; c; x) for x between 1/2 and 1 where c - a - b is a whole m (F(1, 1; 2; x) =
// -ln(1 - x) / x, the complete elliptic integrals), by the limit of the transformation to
// 1 - x (DLMF 15.8.10), with y = 1 - x:
//   F = gamma(m) gamma(c) / (gamma(a + m) gamma(b + m)) sum for k < m of
//         (a)_k (b)_k / (k! (1 - m)_k) y^k
//     - (-y)^m gamma(c) / (gamma(a) gamma(b)) sum for k >= 0 of
//         (a + m)_k (b + m)_k / (k! (k + m)!) y^k
//         (ln y - psi(k + 1) - psi(k + m + 1) + psi(a + k + m) + psi(b + k + m)),
// for m below 0 after Euler's transformation F = (1 - x)^m F(c - a, c - b; c; x), whose
// c - a - b is -m. Taken for a and b above 0 (after that transformation), where no gamma
// function or psi meets a pole. Each term of the sums counts its sizes with the rounding of
// the psi values carried from term to term (one epsilon a step) in the loss returned, and
// the whole the rounding of c - a - b, which may stand for a c a few epsilons of
// |a| + |b| + |c| away (F changes with c by about ln(1 - x) + psi(c) times as much).
TSeriesSum LogarithmicForm(ExprContext& ctx, long double a, long double b, long double c, long double x) {
  constexpr long double kMostOrder = 1000;
  constexpr long double kEulerGamma = 0.577215664901532860606512090082402431L;
  TSeriesSum failed;
  long double m = c - a - b;
  if (!(x > 0.5L && x < 1) || m != std::floor(m)) return failed;
  const long double y = 1 - x;  // exact for x between 1/2 and 1
  long double factor = 1;
  if (m < 0) {
    factor = std::pow(y, m);
    const long double turnedA = c - a;
    b = c - b;
    a = turnedA;
    m = -m;
  }
  if (!(a > 0 && b > 0) || !(m <= kMostOrder)) return failed;
  const TKeptValueScope kept;
  const long double gammaC = std::tgamma(c);
  // The finite sum, of m terms.
  TSeriesSum head;
  head.sum = 0;
  head.magnitude = 0;
  if (m > 0) {
    long double term = std::tgamma(m) * gammaC / (std::tgamma(a + m) * std::tgamma(b + m));
    for (long double k = 0; k < m; ++k) {
      head.sum += term;
      head.magnitude += std::fabs(term) * (kFactorsLoss + k);
      term *= (a + k) * (b + k) * y / ((k + 1) * (1 - m + k));
    }
  }
  // The logarithmic series.
  const long double logY = std::log(y);
  long double psiK = -kEulerGamma;  // psi(k + 1)
  long double psiKM = -kEulerGamma;  // psi(k + m + 1)
  for (long double j = 1; j <= m; ++j) psiKM += 1 / j;
  long double psiA = PSI(ctx, a + m);  // psi(a + k + m)
  long double psiB = PSI(ctx, b + m);  // psi(b + k + m)
  long double coefficient = 1 / std::tgamma(m + 1);
  long double sum = 0;
  long double magnitude = 0;
  bool ended = false;
  for (long double k = 0; k < kExprSeriesLimit; ++k) {
    const long double bracket = logY - psiK - psiKM + psiA + psiB;
    const long double term = coefficient * bracket;
    sum += term;
    const long double sizes = std::fabs(logY) + std::fabs(psiK) + std::fabs(psiKM) + std::fabs(psiA) + std::fabs(psiB);
    magnitude += std::fabs(coefficient) * sizes * (k + 8);
    if (k > 0 && std::fabs(coefficient) * sizes < std::fabs(sum) * 1e-21L) {
      ended = true;
      break;
    }
    coefficient *= (a + m + k) * (b + m + k) * y / ((k + 1) * (k + m + 1));
    psiK += 1 / (k + 1);
    psiKM += 1 / (k + m + 1);
    psiA += 1 / (a + k + m);
    psiB += 1 / (b + k + m);
  }
  if (!ended) return failed;
  const long double tailFactor = -std::pow(-y, m) * gammaC / (std::tgamma(a) * std::tgamma(b));
  const long double tail = tailFactor * sum;
  TSeriesSum s;
  s.sum = factor * (head.sum + tail);
  const long double parameters =
      2 * (std::fabs(a) + std::fabs(b) + std::fabs(c)) * (std::fabs(logY) + std::log(2 + std::fabs(c)) + 2);
  s.magnitude =
      std::fabs(factor) * (head.magnitude + std::fabs(tailFactor) * (magnitude + kFactorsLoss * std::fabs(sum))) +
      parameters * std::fabs(s.sum);
  s.converged = std::isfinite(s.sum) && std::isfinite(s.magnitude);
  return s;
}

}  // namespace

// F by the first of its forms that keeps 14 digits, else by the one that keeps the most:
// the series; for -1 < x < 0, where the series alternates (and near -1 converges too
// slowly for its term limit), Pfaff's transformations (1 - x)^-a F(a, c - b; c; z) and
// (1 - x)^-b F(c - a, b; c; z) with z = x / (x - 1) between 0 and 1/2; and the recurrence
// in c of the series with its argument between 0 and 1/2 (the plain one for x above 0,
// the transformed ones for x below 0); for x between 1/2 and 1 the transformation to 1 - x,
// or its limit where c - a - b is whole.
long double HYPF(ExprContext& ctx, long double a, long double b, long double c, long double x) {
  const TSeriesSum plain = GaussSeries(a, b, c, x);
  TSeriesSum best = plain;
  const auto take = [&best](TSeriesSum s, long double factor) {
    s.sum *= factor;
    s.magnitude *= factor;
    if (s.converged && (!best.converged || s.Loss() < best.Loss())) best = s;
  };
  const auto full = [&best] { return best.converged && best.Loss() <= kFullLoss; };
  if (!full() && x < 0 && x > -1) {
    const long double z = x / (x - 1);
    const long double firstFactor = std::pow(1 - x, -a);
    const long double secondFactor = std::pow(1 - x, -b);
    take(GaussSeries(a, c - b, c, z), firstFactor);
    take(GaussSeries(c - a, b, c, z), secondFactor);
    if (!full()) take(RecurrenceInC(a, c - b, c, z), firstFactor);
    if (!full()) take(RecurrenceInC(c - a, b, c, z), secondFactor);
  } else if (!full() && x > 0.5L) {
    take(OneMinusXForm(a, b, c, x), 1);
    take(LogarithmicForm(ctx, a, b, c, x), 1);
  } else if (!full()) {
    take(RecurrenceInC(a, b, c, x), 1);
  }
  if (best.Kept()) return best.sum;
  // Where the series ended within its limit, its digits were lost; else it did not end.
  ctx.SetError(plain.converged ? kErrHypergeometricPrecision : kErrHypergeometricFConvergence);
  return 0;
}

long double BuiltinLGNDR(ExprContext& ctx, const long double* a) { return LGNDR(ctx, a[0], a[1], a[2]); }
long double BuiltinHYPM(ExprContext& ctx, const long double* a) { return HYPM(ctx, a[0], a[1], a[2]); }
long double BuiltinHYPU(ExprContext& ctx, const long double* a) { return HYPU(ctx, a[0], a[1], a[2]); }
long double BuiltinHYPF(ExprContext& ctx, const long double* a) {
  return HYPF(ctx, a[0], a[1], a[2], a[3]);
}
