// TFN(a, b): the integral from 0 to a of e^-(b + t) I0(2 sqrt(bt)) dt, the probability that
// a noncentral chi-square variable with 2 degrees of freedom and noncentrality 2b stays
// below 2a (1 - Q1(sqrt(2b), sqrt(2a)) with Marcum's Q-function).
//
// Up to a and b of kPeakRuleFrom the integral is taken by one fixed-order Gauss-Legendre
// rule whose number of points grows with the logarithms of the limit and of the
// noncentrality; when a > b the complementary form TFN(a, b) = 1 - e^-(a+b) I0(2 sqrt(ab))
// - TFN(b, a) integrates over the shorter range. Beyond, the integrand is a peak of width
// about sqrt(b) at t = b, which a rule of at most 120 points spread over [0, a] misses
// (TFN(1e8, 1e8) gave 0.564 instead of 0.5, TFN(1e12, 1e12) 3e-1075): there the variable
// t = (sqrt(b) + u)^2 turns the integrand into a Gaussian in u of width 1 (TfnAroundPeak).
#include <cmath>

#include "expr/bessel_functions.h"
#include "expr/builtins.h"
#include "expr/integration.h"
#include "expr/math_faults.h"

namespace {

constexpr int kFewestPoints = 2;
constexpr int kMostPoints = 120;

// The point-count polynomials in u = ln p (coefficients from the highest power down) and,
// added to them, v times a polynomial in v = ln q.
struct TPointBand {
  long double upTo;  // the band holds u below this
  std::initializer_list<long double> inU;
  std::initializer_list<long double> inV;
};

const TPointBand kPointBands[] = {
    {2.5L,
     {0.000284723890057087L, 0.00793635529391756L, 0.073902538219809L, 0.295245941223304L, 0.987593994588201L,
      7.5478678724673L},
     {0.0180804453001616L}},
    {5.0L,
     {-0.317473433915008L, 4.90298517542266L, -274.099332524394L},
     {0.0991329359864504L, -2.54744991178373L, 25.8980766712857L, -127.499629165724L, 302.367840971793L}},
    {7.5L,
     {-1.48405534448624L, 21.6057082345865L, -105.242853141972L, 9338.63006511856L},
     {-0.557674139683014L, 19.8950027408226L, -279.311563106387L, 1940.99326008879L, -6688.54086653887L}},
    {10.0L,
     {-10.3401279776196L, 223.740484165342L, -1649.59487342678L, 186033.178467639L},
     {-3.49086531014132L, 154.564288786337L, -2721.06017779878L, 23858.9406577211L, -104289.841465287L}},
};

long double Horner(std::initializer_list<long double> c, long double x) {
  long double s = 0;
  for (const long double k : c) s = s * x + k;
  return s;
}

// The integral of e^-(c + t) I0(2 sqrt(ct)) from 0 to p by the n-point Gauss rule. The
// noncentrality travels with the integrand, so concurrent calls never share it. I0 is
// taken scaled, I0(s) e^-s, so that the integrand stays finite where I0 alone overflows.
long double TfnIntegral(ExprContext& ctx, long double p, long double q, int n) {
  const long double c = q;
  return IntegrateGaussN(
      ctx,
      [&](long double t) {
        const long double s = 2 * ExprMathSqrt(ctx, c * t);
        return BesselI0eix(ctx, s) * std::exp(s - c - t);
      },
      0, p, n);
}

// Where the rule over [0, a] stops serving, and the rule around the peak takes over.
constexpr long double kPeakRuleFrom = 30;
// The integrand of the rule around the peak falls as e^-u^2 away from the point of its
// window nearest u = 0; beyond u^2 = 81 more than there it is below 1e-35 of its largest
// value and is left out. Panels of 16 points integrate it to the rounding unit while the
// exponent changes by at most 16 across one, and none is wider than 1.5.
constexpr long double kPeakTail = 9;
constexpr long double kPeakPanel = 1.5L;
constexpr long double kPeakPanelExponent = 8;  // a panel spans at most 2 |m| w = 16
constexpr int kPeakPanelPoints = 16;

// (sqrt(b) - sqrt(a))^2 = hi + lo to about twice the working precision: e^-(hi + lo) is the
// factor of a limit far below the peak, where an error of one unit in sqrt(b) - sqrt(a)
// alone would cost 2 (sqrt(b) - sqrt(a))^2 units of the result.
void SquaredRootGap(long double a, long double b, long double& hi, long double& lo) {
  const long double ra = std::sqrt(a);
  const long double rb = std::sqrt(b);
  const long double raLow = ra > 0 ? std::fma(-ra, ra, a) / (2 * ra) : 0;  // sqrt(a) = ra + raLow
  const long double rbLow = rb > 0 ? std::fma(-rb, rb, b) / (2 * rb) : 0;
  const long double g = rb - ra;                                // rb >= ra: exact error below
  const long double gLow = ((rb - g) - ra) + (rbLow - raLow);  // sqrt(b) - sqrt(a) = g + gLow
  hi = g * g;
  lo = std::fma(g, g, -hi) + 2 * g * gLow;
}

// With t = (sqrt(b) + u)^2 and s = 2 sqrt(bt) = 2 sqrt(b) (sqrt(b) + u), s - b - t = -u^2, so
//   TFN(a, b) = integral from -sqrt(b) to sqrt(a) - sqrt(b) of 2 (sqrt(b) + u) I0(s) e^-s e^-u^2 du
// exactly, for every size of a and b: no cancellation, no overflow. The window is taken
// about m, the point of the range nearest the peak u = 0: u = 0 itself when the range holds
// it, else its upper end sqrt(a) - sqrt(b) (a limit far below the peak, where the whole
// value lies in a layer of width about 1/|m| under the limit). With u = m + d the
// integrand is e^-m^2 times 2 r I0(s) e^-s e^-d(2m + d), r = sqrt(b) + m + d, and e^-m^2
// comes out of the sum: the value stays in range down to the smallest long double however
// far the peak lies above the limit. sqrt(a) - sqrt(b) is formed as (a - b)/(sqrt(a) + sqrt(b)).
long double TfnAroundPeak(ExprContext& ctx, long double a, long double b) {
  const long double rb = std::sqrt(b);
  const long double upper = std::isinf(a) ? kPeakTail : (a - b) / (std::sqrt(a) + rb);
  const bool belowPeak = upper < 0;
  const long double m = belowPeak ? upper : 0;
  const long double rm = belowPeak ? std::sqrt(a) : rb;  // sqrt(b) + m
  // The window in d = u - m: u from -sqrt(b), and u^2 - m^2 up to kPeakTail^2.
  const long double reach = kPeakTail * kPeakTail / (std::sqrt(m * m + kPeakTail * kPeakTail) + std::fabs(m));
  const long double lo = std::fmax(-rm, -reach);
  const long double hi = belowPeak ? 0 : std::fmin(upper, kPeakTail);
  if (!(hi > lo)) return 0;
  const auto integrand = [&](long double d) {
    const long double r = std::fmax(0.0L, rm + d);
    return 2 * r * BesselI0Scaled(2 * rb * r) * std::exp(-d * (2 * m + d));
  };
  const long double widest = std::fabs(m) * kPeakPanel > kPeakPanelExponent ? kPeakPanelExponent / std::fabs(m)
                                                                           : kPeakPanel;
  const int panels = static_cast<int>(std::ceil((hi - lo) / widest));
  const long double width = (hi - lo) / panels;
  long double sum = 0;
  for (int k = 0; k < panels; ++k) {
    const long double from = k == 0 ? lo : lo + k * width;
    const long double to = k == panels - 1 ? hi : lo + (k + 1) * width;
    sum += IntegrateGaussN(ctx, integrand, from, to, kPeakPanelPoints);
    if (ctx.ExprMathError != 0) return 0;
  }
  if (!belowPeak) return sum;
  long double gap = 0;
  long double gapLow = 0;
  SquaredRootGap(a, b, gap, gapLow);
  return sum * std::exp(-gap) * (1 - gapLow);
}

}  // namespace

// A limit or noncentrality of 0 has no logarithm; its term is left out (taken as 0), which
// is all the integral needs there: TFN(0, b) is 0 and TFN(a, 0) is 1 - e^-a.
int TfnPointCount(long double p, long double q) {
  const long double u = p > 0 ? std::log(p) : 0;
  const long double v = q > 0 ? std::log(q) : 0;
  long double count = kMostPoints;
  if (u < -10) {
    count = kFewestPoints;
  } else if (u < 10) {
    for (const TPointBand& band : kPointBands) {
      if (u < band.upTo) {
        count = Horner(band.inU, u) + Horner(band.inV, v) * v;
        break;
      }
    }
  }
  if (!(count > kFewestPoints)) return kFewestPoints;  // a value that is not a number too
  if (count >= kMostPoints) return kMostPoints;
  int n = static_cast<int>(count);
  n += n % 2;
  return n < kFewestPoints ? kFewestPoints : (n > kMostPoints ? kMostPoints : n);
}

// The Gauss rule starts by clearing the error code; an error recorded before TFN is put
// back when TFN itself succeeds, so that it still fails the evaluation. A failure gives 0
// (the evaluation turns it into the missing value).
long double TFN(ExprContext& ctx, long double a, long double b) {
  if (std::isnan(a) || std::isnan(b)) {
    ctx.SetError(kErrInvalidOperand);
    return 0;
  }
  const int earlier = ctx.ExprMathError;
  long double result = 0;
  if (a >= 0 && b >= 0 && std::fmax(a, b) > kPeakRuleFrom) {
    result = std::isinf(b) ? 0 : TfnAroundPeak(ctx, a, b);
  } else if (b >= a) {
    result = TfnIntegral(ctx, a, b, TfnPointCount(a, b));
  } else {
    const long double s = 2 * ExprMathSqrt(ctx, a * b);
    const long double tail = BesselI0eix(ctx, s) * std::exp(s - a - b);
    if (ctx.ExprMathError != 0) return 0;
    result = 1 - tail - TfnIntegral(ctx, b, a, TfnPointCount(b, a));
  }
  if (ctx.ExprMathError == 0 && !std::isfinite(result)) {
    // Negative arguments, which the formulas do not refuse, can leave e^-b beyond the range.
    ctx.SetError(std::isnan(result) ? kErrInvalidOperand : kErrNumericOverflow);
  }
  if (ctx.ExprMathError != 0) return 0;
  ctx.ExprMathError = earlier;
  return result;
}

long double BuiltinTFN(ExprContext& ctx, const long double* a) { return TFN(ctx, a[0], a[1]); }
