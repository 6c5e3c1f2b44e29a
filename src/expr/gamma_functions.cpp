// The gamma family: log-gamma by Stirling's series after shifting the argument to 16 or
// more (by the series of ln gamma(1 + z) within 1/4 of its zeros at 1 and 2), gamma as its
// exponential, digamma by its asymptotic series after shifting to 20
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

// ln gamma(1 + z) = -EULER z + sum over k >= 2 of (-1)^k zeta(k) / k z^k: the coefficients
// (-1)^k zeta(k) / k for k = 2 .. 30 (mpmath at 25 digits), enough for |z| up to 1/4.
constexpr long double kEuler = 0.577215664901532860606512090082402431L;
constexpr std::array<long double, 29> kLogGammaNearOne = {
    0.8224670334241132182362076L,    -0.4006856343865314284665794L,   0.2705808084277845478790009L,
    -0.2073855510286739852662731L,   0.1695571769974081899524197L,    -0.1440498967688461181199711L,
    0.1255096695247430424223357L,    -0.1113342658695646904908725L,   0.1000994575127818085337146L,
    -0.0909540171458290422326093L,   0.0833538405461090040248865L,    -0.07693251641135219147282706L,
    0.07143294629536133605923275L,   -0.06666870588242046803290345L,  0.06250095514121304074198329L,
    -0.05882397865868458233895727L,  0.05555576762740361110221425L,   -0.05263167937961666073362767L,
    0.05000004769810169363980566L,   -0.04761907033014222799078396L,  0.04545455629320466944240864L,
    -0.043478266053040259361351L,    0.04166666915034121046914498L,   -0.04000000119214014058609121L,
    0.03846153903467518570634774L,   -0.03703703731298932554946035L,  0.03571428584733335802815918L,
    -0.03448275868491930081079479L,  0.03333333336437758108065561L};
constexpr long double kNearRoot = 0.25L;

// ln gamma(1 + z) for |z| <= 1/4 by the series above, summed from its smallest term up.
long double LogGammaOnePlus(long double z) {
  long double sum = 0;
  for (std::size_t i = kLogGammaNearOne.size(); i-- > 0;) sum = (sum + kLogGammaNearOne[i]) * z;
  return (sum - kEuler) * z;
}

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

// Near its zeros at 1 and 2 ln gamma is the small difference of Stirling's terms of size 30
// or more, which kept only its absolute precision (ln gamma(1) was 1.7e-18, and 1 + 1e-10
// had 7 correct digits); there the series of ln gamma(1 + z) keeps the relative precision,
// with ln gamma(2 + z) = ln gamma(1 + z) + ln(1 + z).
long double LNGAM(ExprContext& ctx, long double x) {
  if (std::fabs(x - 1) <= kNearRoot) return LogGammaOnePlus(x - 1);
  if (std::fabs(x - 2) <= kNearRoot) return LogGammaOnePlus(x - 2) + std::log1p(x - 2);
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
