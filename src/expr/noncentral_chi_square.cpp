// TFN(a, b): the integral from 0 to a of e^-(b + t) I0(2 sqrt(bt)) dt, the probability that
// a noncentral chi-square variable with 2 degrees of freedom and noncentrality 2b stays
// below 2a (1 - Q1(sqrt(2b), sqrt(2a)) with Marcum's Q-function).
//
// The integral is taken by one fixed-order Gauss-Legendre rule whose number of points
// grows with the logarithms of the limit and of the noncentrality. When a > b the
// complementary form TFN(a, b) = 1 - e^-(a+b) I0(2 sqrt(ab)) - TFN(b, a) integrates over
// the shorter range.
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
// back when TFN itself succeeds, so that it still fails the evaluation.
long double TFN(ExprContext& ctx, long double a, long double b) {
  const int earlier = ctx.ExprMathError;
  long double result = 0;
  if (b >= a) {
    result = TfnIntegral(ctx, a, b, TfnPointCount(a, b));
  } else {
    const long double s = 2 * ExprMathSqrt(ctx, a * b);
    const long double tail = BesselI0eix(ctx, s) * std::exp(s - a - b);
    if (ctx.ExprMathError != 0) return 0;
    result = 1 - tail - TfnIntegral(ctx, b, a, TfnPointCount(b, a));
  }
  if (ctx.ExprMathError == 0) ctx.ExprMathError = earlier;
  return result;
}

long double BuiltinTFN(ExprContext& ctx, const long double* a) { return TFN(ctx, a[0], a[1]); }
