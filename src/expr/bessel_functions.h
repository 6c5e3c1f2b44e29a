// The Bessel family of the calculation language as the rest of the program calls it
// directly:
// - integer orders (bessel_integer_order.cpp): J0, J1, Y0, Y1, I0, I1, K0, K1 by rational
//   and Chebyshev approximations switching at 8, the scaled I0(x) e^-x and I1(x) e^-x
//   switching at 10, and any whole order by recurrence from orders 0 and 1;
// - real orders (bessel_real_order.cpp): the workers BesselJY and BesselIK (Temme's series
//   below x = 2, Steed's continued fractions from 2 on) and Hankel's asymptotic expansions
//   for x above 50;
// - spherical Bessel and Airy functions (bessel_spherical_airy.cpp) from orders n + 1/2,
//   1/3 and 2/3;
// - TFN (noncentral_chi_square.cpp), an integral of e^-(b + t) I0(2 sqrt(bt)).
//
// Everything computes in long double. Failures record a negative code with
// ExprContext::SetError on the given context and return 0; apart from those cells the
// functions are pure, so any number of threads may call them at once.
#pragma once

#include <algorithm>
#include <cstdint>

#include "expr/eval_context.h"

// The largest order, whole or real, that the recurrences serve: a call costs about one
// step of a three-term recurrence per unit of order, some milliseconds here. Larger orders
// fail with -134.
inline constexpr long double kBesselLargestOrder = 1e6L;

enum ExprBesselError : int {
  kErrBesselIntegerOrder = -131,       // "Bessel: Integer nu Required"
  kErrBesselPositiveX = -132,          // "Bessel: Positive x Required"
  kErrBesselNegativeOrder = -133,      // "Bessel: Negative nu"
  kErrBesselConvergence = -134,        // "Bessel: Convergence Failure"
  kErrBesselAsymptoticConvergence = -135,
};

// Shared evaluation routines. PolyEval: c[0] + c[1] x + ... + c[n-1] x^(n-1).
// ChebSum: sum' c_k T_k(x) by the forward recurrence of T_k, with x first replaced by
// 2x^2 - 1 when `even`. ChebEvalInterval: sum' c_k T_k(u), u = (2x - a - b)/(b - a), by
// Clenshaw's recurrence.
long double PolyEval(long double x, const long double* c, int n);
long double ChebSum(long double x, const long double* c, int n, bool even);
long double ChebEvalInterval(long double a, long double b, const long double* c, int m, long double x);
// n/x, the coefficients of the three-term recurrences and continued fractions, divided
// afresh at every step: a product with a rounded 1/x repeats that one rounding in every
// step, as if the whole chain ran at a slightly different x, which costs about as many
// units of the last place as the chain has steps (JNU(1700.5, 300) kept fifteen digits,
// IN of order 1000 lost some hundreds of units). The quotients' own roundings do not add
// up that way.
inline long double RecurrenceCoefficient(long double n, long double x) { return n / x; }
// factor e^a 2^e, also where e^a alone lies beyond the range of long double.
long double BesselTimesExp(long double factor, long double a, int e = 0);

// The recurrences keep their values in range by powers of two counted apart, in 64 bits:
// a count of the orders served (up to kBesselLargestOrder steps of some thousands of
// binary places each) never nears its end. A power of two past kBesselFarExponent lies
// beyond every result's reach, also added to the exponent of e^a (a below
// kBesselLargestOrder, some 1.5 million): a scale past it gives 0 or an overflow alike, so
// a count is brought within it before it is applied.
inline constexpr std::int64_t kBesselFarExponent = std::int64_t{1} << 30;
inline int BesselScaleExponent(std::int64_t e) {
  return static_cast<int>(std::clamp<std::int64_t>(e, -kBesselFarExponent, kBesselFarExponent));
}

// Integer orders. J0, J1, I0, I1 take every number (a NaN records -48); Y0, Y1, K0, K1
// need x > 0 (else -132). A value beyond the range of long double (I0 and I1 from |x| =
// 11357 on, Y1 and K1 at the smallest x, YN, KN, IN past their overflow) records -49 and
// gives 0: no function here returns an infinity or a NaN.
long double BesselJ0(ExprContext& ctx, long double x);
long double BesselJ1(ExprContext& ctx, long double x);
long double BesselI0(ExprContext& ctx, long double x);
long double BesselI1(ExprContext& ctx, long double x);
long double BesselY0(ExprContext& ctx, long double x);
long double BesselY1(ExprContext& ctx, long double x);
long double BesselK0(ExprContext& ctx, long double x);
long double BesselK1(ExprContext& ctx, long double x);
// I0(x) e^-x and I1(x) e^-x for x >= 0; a negative x sets ExprMathError to -132 without an
// entry in the error list, and gives 0.
long double BesselI0eix(ExprContext& ctx, long double x);
long double BesselI1eix(ExprContext& ctx, long double x);
// I0(|x|) e^-|x| to the accuracy of I0's own approximations at every x: the built-in
// I0EIX keeps its short polynomial below 10, good to about fifteen digits only.
long double BesselI0Scaled(long double x);
// Are J_nu(a) and I_nu(a) (nu >= 1, a > 0) surely below the smallest long double?
bool BesselBelowSmallestValue(long double order, long double a);
// Whole orders n (else -131; orders beyond 32 bits too; -134 beyond kBesselLargestOrder,
// but for J and I where they are below the smallest long double: 0).
long double BesselJn(ExprContext& ctx, long double n, long double x);
long double BesselYn(ExprContext& ctx, long double n, long double x);
long double BesselIn(ExprContext& ctx, long double n, long double x);
long double BesselKn(ExprContext& ctx, long double n, long double x);

// Real orders nu >= 0, x > 0: the four values of one kind at once. 0, or -132 (x <= 0 or
// not a number), -133 (nu < 0), -134 (an iteration did not converge); on a failure the
// outputs are untouched.
struct TBesselSet {
  long double value1 = 0;  // J or I
  long double value2 = 0;  // Y or K
  long double deriv1 = 0;  // J' or I'
  long double deriv2 = 0;  // Y' or K'
};
[[nodiscard]] int BesselJY(long double x, long double nu, TBesselSet& out);
[[nodiscard]] int BesselIK(long double x, long double nu, TBesselSet& out);

// Hankel's asymptotic values for large x (any sign of nu); 0 when a series does not meet
// its stop test.
long double BesselJAsym(long double x, long double nu);
long double BesselYAsym(long double x, long double nu);
long double BesselIAsym(ExprContext& ctx, long double x, long double nu);
long double BesselKAsym(long double x, long double nu);

// Spherical functions of whole order n >= 0 at x > 0 (j, y, j', y' and i, k, i', k'), and
// Ai, Bi, Ai', Bi' at any x: codes as the workers, and -131 for an order not whole.
[[nodiscard]] int SphBesselJY(long double x, long double n, TBesselSet& out);
[[nodiscard]] int SphBesselIK(long double x, long double n, TBesselSet& out);
[[nodiscard]] int AiryFunctions(long double x, TBesselSet& out);

// TFN(a, b): the integral from 0 to a of e^-(b + t) I0(2 sqrt(bt)) dt, by an n-point Gauss
// rule with n from TfnPointCount.
long double TFN(ExprContext& ctx, long double a, long double b);
int TfnPointCount(long double p, long double q);
