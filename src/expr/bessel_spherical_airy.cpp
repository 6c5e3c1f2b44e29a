// Spherical Bessel functions of whole order n from the real-order workers at n + 1/2
// (j_n(x) = sqrt(pi/(2x)) J_(n+1/2)(x), and likewise y, i, k), and the Airy functions from
// orders 1/3 and 2/3 at z = (2/3)|x|^(3/2): K and I for x > 0, J and Y for x < 0.
#include <cmath>
#include <numbers>

#include "expr/bessel_functions.h"
#include "expr/builtins.h"
#include "expr/math_faults.h"

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kEpsilon = 1e-20L;  // stop test of the power series
constexpr long double kSqrtHalfPi = 1.25331413731550025120788264240552262881L;
constexpr long double kInvSqrt3 = std::numbers::inv_sqrt3_v<long double>;
constexpr long double kAiry0 = 0.355028053887817239260063186004183176398L;       // Ai(0)
constexpr long double kAiryPrime0 = -0.258819403792806798405183560189203963479L;  // Ai'(0)

using TWorker = int (*)(long double, long double, TBesselSet&);

// Below this argument j_n, j'_n, i_n and i'_n come from their power series.
constexpr long double kSphericalSeriesEnd = 1;

// j_n(x) and j'_n(x) (i_n and i'_n when `modified`) for x < 1 from the power series
//   j_n(x) = x^n / (2n+1)!! sum_k t_k,  t_k = (-x^2/2)^k / (k! (2n+3)(2n+5)...(2n+2k+1)),
//   j'_n(x) = x^n / (2n+1)!! sum_k (n + 2k) t_k / x,
// with +x^2/2 for i. Formed from the half-order worker instead, j'_n = sqrt(pi/(2x))
// J'_(n+1/2) - j_n/(2x) is the difference of two terms near n j_n/x + j_n/(2x), which at
// x = 1e-8 leaves three digits of j'_0 = -x/3. The leading factor is a product of n
// factors below 1/3; it reaches 0 within some ten thousand steps for any order.
void SphericalSeries(long double x, long double n, bool modified, long double& value, long double& deriv) {
  // lead = x^n / (2n+1)!!, and x^(n-1) / (2n+1)!! for the derivative (which lead / x
  // would lose where lead lies below the normal range).
  long double below = 1;
  for (long double i = 1; i < n && below != 0; ++i) below *= x / (2 * i + 1);
  const long double lead = n >= 1 ? below * (x / (2 * n + 1)) : 1;
  const long double step = (modified ? 0.5L : -0.5L) * x * x;
  long double term = 1;
  long double sum = 1;
  long double dsum = n;
  for (int k = 1; k <= 60; ++k) {
    term *= step / (k * (2 * n + 2 * k + 1));
    const long double dterm = (n + 2 * k) * term;
    sum += term;
    dsum += dterm;
    if (std::fabs(term) <= kEpsilon * std::fabs(sum) && std::fabs(dterm) <= kEpsilon * std::fabs(dsum)) break;
  }
  value = lead * sum;
  if (n >= 1) {
    deriv = below / (2 * n + 1) * dsum;
  } else {
    // j'_0 = -j_1 and i'_0 = i_1: dsum / x would square x, which underflows from x = 1e-2466
    // on while j'_0 = -x/3 is still far inside the range.
    long double value1 = 0;
    long double deriv1 = 0;
    SphericalSeries(x, 1, modified, value1, deriv1);
    deriv = modified ? value1 : -value1;
  }
}

// (sqrt(pi/(2x)) C(x))' = sqrt(pi/(2x)) C'(x) - c(x)/(2x) for c = sqrt(pi/(2x)) C; where c
// lies beyond the range, so does its derivative, with the sign of C'.
long double SphericalDerivative(long double factor, long double derivative, long double value, long double x) {
  if (!std::isfinite(value)) return std::copysign(INFINITY, derivative);
  return factor * derivative - value / (2 * x);
}

int Spherical(TWorker worker, long double x, long double n, TBesselSet& out) {
  if (!(x > 0)) return kErrBesselPositiveX;
  if (n < 0) return kErrBesselNegativeOrder;
  if (n - std::floor(n) != 0) return kErrBesselIntegerOrder;
  TBesselSet b;
  if (const int status = worker(x, n + 0.5L, b); status < 0) return status;
  const long double factor = kSqrtHalfPi / std::sqrt(x);
  out.value2 = factor * b.value2;
  out.deriv2 = SphericalDerivative(factor, b.deriv2, out.value2, x);
  if (x < kSphericalSeriesEnd) {
    SphericalSeries(x, n, worker == BesselIK, out.value1, out.deriv1);
  } else {
    out.value1 = factor * b.value1;
    out.deriv1 = SphericalDerivative(factor, b.deriv1, out.value1, x);
  }
  return 0;
}

// One output of a worker as a built-in: a failure is recorded and gives 0; the worker's
// other outputs do not count (`kept` was opened before the worker ran).
long double WorkerOutput(ExprContext& ctx, const TKeptValueScope& kept, int status, long double value) {
  if (status < 0) {
    ctx.SetError(status);
    return 0;
  }
  return ctx.ExprMathError != 0 ? 0 : kept.Keep(ctx, value);
}

long double SphericalOutput(ExprContext& ctx, TWorker worker, const long double* a, long double TBesselSet::*field) {
  const TKeptValueScope kept;
  TBesselSet set;
  const int status = Spherical(worker, a[1], a[0], set);
  return WorkerOutput(ctx, kept, status, set.*field);
}

// The Airy built-ins keep an error recorded before them (see the real-order values).
long double AiryOutput(ExprContext& ctx, long double x, long double TBesselSet::*field) {
  const int earlier = ctx.ExprMathError;
  ctx.ExprMathError = 0;
  const TKeptValueScope kept;
  TBesselSet set;
  const int status = AiryFunctions(x, set);
  const long double v = WorkerOutput(ctx, kept, status, set.*field);
  if (ctx.ExprMathError == 0) ctx.ExprMathError = earlier;
  return v;
}

}  // namespace

int SphBesselJY(long double x, long double n, TBesselSet& out) { return Spherical(BesselJY, x, n, out); }
int SphBesselIK(long double x, long double n, TBesselSet& out) { return Spherical(BesselIK, x, n, out); }

// Output fields: value1 Ai, value2 Bi, deriv1 Ai', deriv2 Bi'.
int AiryFunctions(long double x, TBesselSet& out) {
  const long double a = std::fabs(x);
  const long double r = std::sqrt(a);
  const long double z = 2 * a * r / 3;
  TBesselSet third;
  TBesselSet twoThirds;
  if (x > 0 || std::isnan(x)) {
    if (const int status = BesselIK(z, 1.0L / 3, third); status < 0) return status;
    if (const int status = BesselIK(z, 2.0L / 3, twoThirds); status < 0) return status;
    const long double k = third.value2 / kPi;
    out.value1 = r * kInvSqrt3 * k;
    out.value2 = r * (k + 2 * kInvSqrt3 * third.value1);
    const long double k2 = twoThirds.value2 / kPi;
    out.deriv1 = -x * kInvSqrt3 * k2;
    out.deriv2 = x * (k2 + 2 * kInvSqrt3 * twoThirds.value1);
  } else if (x < 0) {
    if (const int status = BesselJY(z, 1.0L / 3, third); status < 0) return status;
    if (const int status = BesselJY(z, 2.0L / 3, twoThirds); status < 0) return status;
    out.value1 = 0.5L * r * (third.value1 - kInvSqrt3 * third.value2);
    out.value2 = -0.5L * r * (third.value2 + kInvSqrt3 * third.value1);
    out.deriv1 = 0.5L * a * (kInvSqrt3 * twoThirds.value2 + twoThirds.value1);
    out.deriv2 = 0.5L * a * (kInvSqrt3 * twoThirds.value1 - twoThirds.value2);
  } else {
    out.value1 = kAiry0;
    out.value2 = kAiry0 / kInvSqrt3;
    out.deriv1 = kAiryPrime0;
    out.deriv2 = -kAiryPrime0 / kInvSqrt3;
  }
  return 0;
}

long double BuiltinSPHJN(ExprContext& ctx, const long double* a) {
  return SphericalOutput(ctx, BesselJY, a, &TBesselSet::value1);
}
long double BuiltinSPHYN(ExprContext& ctx, const long double* a) {
  return SphericalOutput(ctx, BesselJY, a, &TBesselSet::value2);
}
long double BuiltinSPHIN(ExprContext& ctx, const long double* a) {
  return SphericalOutput(ctx, BesselIK, a, &TBesselSet::value1);
}
long double BuiltinSPHKN(ExprContext& ctx, const long double* a) {
  return SphericalOutput(ctx, BesselIK, a, &TBesselSet::value2);
}
long double BuiltinDSPHJN(ExprContext& ctx, const long double* a) {
  return SphericalOutput(ctx, BesselJY, a, &TBesselSet::deriv1);
}
long double BuiltinDSPHYN(ExprContext& ctx, const long double* a) {
  return SphericalOutput(ctx, BesselJY, a, &TBesselSet::deriv2);
}
long double BuiltinDSPHIN(ExprContext& ctx, const long double* a) {
  return SphericalOutput(ctx, BesselIK, a, &TBesselSet::deriv1);
}
long double BuiltinDSPHKN(ExprContext& ctx, const long double* a) {
  return SphericalOutput(ctx, BesselIK, a, &TBesselSet::deriv2);
}
long double BuiltinAIRYA(ExprContext& ctx, const long double* a) { return AiryOutput(ctx, a[0], &TBesselSet::value1); }
long double BuiltinAIRYB(ExprContext& ctx, const long double* a) { return AiryOutput(ctx, a[0], &TBesselSet::value2); }
long double BuiltinDAIRYA(ExprContext& ctx, const long double* a) {
  return AiryOutput(ctx, a[0], &TBesselSet::deriv1);
}
long double BuiltinDAIRYB(ExprContext& ctx, const long double* a) {
  return AiryOutput(ctx, a[0], &TBesselSet::deriv2);
}
