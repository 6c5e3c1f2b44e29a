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
// The Gaussian e^-u^2 of the rule around the peak is below 1e-35 beyond |u| = 9; panels of
// width at most 1.5 with 16 points each integrate it to the rounding unit.
constexpr long double kPeakTail = 9;
constexpr long double kPeakPanel = 1.5L;
constexpr int kPeakPanelPoints = 16;

// With t = (sqrt(b) + u)^2 and s = 2 sqrt(bt) = 2 sqrt(b) (sqrt(b) + u), s - b - t = -u^2, so
//   TFN(a, b) = integral from -sqrt(b) to sqrt(a) - sqrt(b) of 2 (sqrt(b) + u) I0(s) e^-s e^-u^2 du
// exactly, for every size of a and b: no cancellation, no overflow, and the range beyond
// |u| = kPeakTail left out. sqrt(a) - sqrt(b) is formed as (a - b)/(sqrt(a) + sqrt(b)).
long double TfnAroundPeak(ExprContext& ctx, long double a, long double b) {
  const long double rb = std::sqrt(b);
  const long double upper = std::isinf(a) ? kPeakTail : (a - b) / (std::sqrt(a) + rb);
  const long double lo = std::fmax(-rb, -kPeakTail);
  const long double hi = std::fmin(upper, kPeakTail);
  if (!(hi > lo)) return 0;  // the whole peak lies above a
  const auto integrand = [&](long double u) {
    const long double r = std::fmax(0.0L, rb + u);
    return 2 * r * BesselI0eix(ctx, 2 * rb * r) * std::exp(-u * u);
  };
  const int panels = static_cast<int>(std::ceil((hi - lo) / kPeakPanel));
  const long double width = (hi - lo) / panels;
  long double sum = 0;
  for (int k = 0; k < panels; ++k) {
    const long double from = k == 0 ? lo : lo + k * width;
    const long double to = k == panels - 1 ? hi : lo + (k + 1) * width;
    sum += IntegrateGaussN(ctx, integrand, from, to, kPeakPanelPoints);
    if (ctx.ExprMathError != 0) return 0;
  }
  return sum;
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
