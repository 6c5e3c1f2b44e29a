// The gamma family: log-gamma by Stirling's series after shifting the argument to 16 or
// more, gamma as its exponential, digamma by its asymptotic series after shifting to 20
// or more, and the reflection formulas for arguments of 0 or less.
#include <array>
#include <cmath>
#include <numbers>

#include "expr/builtins.h"
#include "expr/interpreter.h"
#include "expr/special_functions.h"

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kHalfLog2Pi = 0.918938533204672741780329736405617639861L;

bool IsWhole(long double x) { return x == std::trunc(x); }

// Stirling's series for ln gamma in z = 1/x: the coefficients of z, z^3, ..., z^15
// (B_2k / (2k (2k - 1))), taken in pairs.
constexpr std::array<long double, 8> kStirling = {
    1.0L / 12,   -1.0L / 360,        1.0L / 1260, -1.0L / 1680,
    1.0L / 1188, -691.0L / 360360,   1.0L / 156,  -3617.0L / 122400};

// The asymptotic series of digamma in z = 1/x: the coefficients of z^2, z^4, ..., z^16
// (-B_2k / 2k).
constexpr std::array<long double, 8> kPsiSeries = {
    -1.0L / 12,  1.0L / 120,        -1.0L / 252, 1.0L / 240,
    -1.0L / 132, 691.0L / 32760,    -1.0L / 12,  3617.0L / 8160};

}  // namespace

// The argument is reduced exactly (x - 2 round(x/2) and 1 - r are exact in floating
// point) before it is multiplied by pi, so that sin(pi x) near a whole x keeps its
// relative precision instead of inheriting the absolute error of pi x.
long double ExprSinPi(long double x) {
  if (!std::isfinite(x)) return std::nanl("");
  long double r = x - 2 * std::nearbyint(0.5L * x);  // in [-1, 1]
  const bool negative = r < 0;
  r = std::fabs(r);
  if (r > 0.5L) r = 1 - r;
  const long double s = std::sin(kPi * r);
  return negative ? -s : s;
}

long double ExprTanPi(long double x) {
  if (!std::isfinite(x)) return std::nanl("");
  const long double r = x - std::nearbyint(x);  // in [-0.5, 0.5]
  return std::tan(kPi * r);
}

long double LNGAM(ExprContext& ctx, long double x) {
  if (x <= 0) {
    if (IsWhole(x)) {
      ctx.SetError(kErrLogGammaSingularity);
      return 0;
    }
    // Reflection: gamma(x) gamma(1 - x) = pi / sin(pi x). Where gamma(x) is negative the
    // logarithm fails with its own code.
    const long double q = kPi / ExprSinPi(x);
    if (q <= 0) return ExprMathLog(ctx, q);
    return std::log(q) - LNGAM(ctx, 1 - x);
  }
  long double p = 1;
  while (x < 16) {
    p *= x;
    x += 1;
  }
  long double s = (x - 0.5L) * std::log(x) - x + kHalfLog2Pi - std::log(p);
  const long double z = 1 / x;
  const long double z2 = z * z;
  long double power = z;
  for (std::size_t i = 0; i < kStirling.size(); i += 2) {
    s += kStirling[i] * power;
    power *= z2;
    const long double before = s;
    s += kStirling[i + 1] * power;
    power *= z2;
    if (s == before) break;
  }
  return s;
}

long double GAM(ExprContext& ctx, long double x) {
  if (x > 0) return ExprMathExp(ctx, LNGAM(ctx, x));
  // A NaN is neither positive nor whole, and 1 - NaN is a NaN again: the reflection below
  // recursed on it until the stack ran out. The NaN result fails the evaluation.
  if (std::isnan(x)) return x;
  if (IsWhole(x)) {
    ctx.SetError(kErrGammaSingularity);
    return 0;
  }
  const long double g = GAM(ctx, 1 - x);
  if (g == 0) return 0;  // gamma(1 - x) overflowed: its code is recorded
  return kPi / (ExprSinPi(x) * g);
}

long double LNFAC(ExprContext& ctx, long double x) {
  if (x < 0) {
    ctx.SetError(kErrFactorialNegative);
    return 0;
  }
  if (!IsWhole(x)) {  // also a NaN
    ctx.SetError(kErrFactorialNonInteger);
    return 0;
  }
  return LNGAM(ctx, x + 1);
}

long double PSI(ExprContext& ctx, long double x) {
  if (x <= 0) {
    if (IsWhole(x)) {
      ctx.SetError(kErrPsiSingularity);
      return 0;
    }
    // Reflection: psi(1 - x) - psi(x) = pi cot(pi x).
    return PSI(ctx, 1 - x) - kPi / ExprTanPi(x);
  }
  long double shift = 0;
  while (x < 20) {
    shift += 1 / x;
    x += 1;
  }
  const long double z = 1 / x;
  const long double z2 = z * z;
  long double sum = std::log(x) - 0.5L * z;
  long double power = z2;
  for (const long double c : kPsiSeries) {
    const long double before = sum;
    sum += c * power;
    if (sum == before) break;
    power *= z2;
  }
  return sum - shift;
}

long double BET(ExprContext& ctx, long double a, long double b) {
  return ExprMathExp(ctx, LNGAM(ctx, a) + LNGAM(ctx, b) - LNGAM(ctx, a + b));
}

long double BuiltinLNFAC(ExprContext& ctx, const long double* a) { return LNFAC(ctx, a[0]); }
long double BuiltinLNGAM(ExprContext& ctx, const long double* a) { return LNGAM(ctx, a[0]); }
long double BuiltinGAM(ExprContext& ctx, const long double* a) { return GAM(ctx, a[0]); }
long double BuiltinPSI(ExprContext& ctx, const long double* a) { return PSI(ctx, a[0]); }
long double BuiltinBET(ExprContext& ctx, const long double* a) { return BET(ctx, a[0], a[1]); }
