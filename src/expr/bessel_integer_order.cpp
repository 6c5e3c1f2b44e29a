// Bessel functions of whole order. Orders 0 and 1 by fixed approximations that switch at
// x = 8: rational forms in x^2 below it for J and Y and Hankel's modulus form with rational
// P and Q in (8/x)^2 above it; Chebyshev series for I and K (K with a third piece from 2
// to 8). Other orders by recurrence
// from orders 0 and 1: upward where it is stable (J for n below |x|, Y and K always),
// Miller's downward recurrence otherwise (J for n of |x| or more, and I), normalised by
// J0 + 2(J2 + J4 + ...) = 1 and by I0 + 2(I1 + I2 + ...) = e^|x|.
//
// The coefficient sets are made by tools/make_bessel_coefficients.py.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "expr/bessel_coefficients.h"
#include "expr/bessel_functions.h"
#include "expr/builtins.h"
#include "expr/math_faults.h"

namespace bc = bessel_coefficients;

namespace {

constexpr long double kTwoOverPi = 2 / std::numbers::pi_v<long double>;
constexpr long double kInvSqrtPi = std::numbers::inv_sqrtpi_v<long double>;
constexpr long double kPi = std::numbers::pi_v<long double>;

template <std::size_t N>
long double Poly(long double x, const std::array<long double, N>& c) {
  return PolyEval(x, c.data(), static_cast<int>(N));
}

// Hankel's form for x >= 8: f = sqrt(2/(pi x)) (P cos t - Q sin t) and its companion
// g = sqrt(2/(pi x)) (P sin t + Q cos t), t = x - (2n + 1) pi/4. cos t and sin t are
// formed from cos x and sin x of the exact argument: t itself, rounded, would carry an
// absolute error of x times the rounding unit into every value at large x.
struct THankelPair {
  long double first;   // J_n
  long double second;  // Y_n
};

THankelPair HankelOrder0(long double x) {
  const long double u = 64 / (x * x);
  const long double p = Poly(u, bc::kP0p) / Poly(u, bc::kP0q);
  const long double q = (8 / x) * Poly(u, bc::kQ0r) / Poly(u, bc::kQ0s);
  const long double s = std::sin(x);
  const long double c = std::cos(x);
  // cos(x - pi/4) = (c + s)/sqrt 2, sin(x - pi/4) = (s - c)/sqrt 2.
  const long double f = kInvSqrtPi / std::sqrt(x);
  return {f * (p * (c + s) - q * (s - c)), f * (p * (s - c) + q * (c + s))};
}

THankelPair HankelOrder1(long double x) {
  const long double u = 64 / (x * x);
  const long double p = Poly(u, bc::kP1p) / Poly(u, bc::kP1q);
  const long double q = (8 / x) * Poly(u, bc::kQ1r) / Poly(u, bc::kQ1s);
  const long double s = std::sin(x);
  const long double c = std::cos(x);
  // cos(x - 3pi/4) = (s - c)/sqrt 2, sin(x - 3pi/4) = -(s + c)/sqrt 2.
  const long double f = kInvSqrtPi / std::sqrt(x);
  return {f * (p * (s - c) + q * (s + c)), f * (q * (s - c) - p * (s + c))};
}

// I0 and I1 above 8 without the e^x overflowing before the division by sqrt(x) brings the
// value back into range: e^(x/2) twice.
long double ScaledByExp(long double a, long double series) {
  const long double h = std::exp(a / 2);
  return h * (series / std::sqrt(a)) * h;
}

// I0(a) and I1(a) times e^-a sqrt(a) for a above 8, in w = 8/a over [0.00072, 1], that is up
// to a = 11111 (the series is used a little beyond, where I overflows anyway).
constexpr long double kILargeLow = 0.00072L;
constexpr long double kILargeEnd = 8 / kILargeLow;

long double I0LargeSeries(long double a) {
  return ChebEvalInterval(kILargeLow, 1, bc::kI0Large.data(), static_cast<int>(bc::kI0Large.size()), 8 / a);
}
// I0(x) e^-x for x above 8: the large-argument series up to its end, Hankel's expansion
// in 10/x beyond.
long double I0ScaledLarge(long double x) {
  if (x <= kILargeEnd) return I0LargeSeries(x) / std::sqrt(x);
  return Poly(10 / x, bc::kI0eixLarge) / std::sqrt(x);
}

long double I1LargeSeries(long double a) {
  return ChebEvalInterval(kILargeLow, 1, bc::kI1Large.data(), static_cast<int>(bc::kI1Large.size()), 8 / a);
}

// K0 and K1 switch from their logarithmic form to e^-x / sqrt(x) times a series at 2, not
// at 8: towards 8 the logarithmic form subtracts terms near 5 to leave K near 2e-4 and
// keeps only 13 digits. Between 2 and 8 the series runs in w = 8/x over [1, 4].
constexpr long double kKSmallEnd = 2;

template <std::size_t N>
long double KMidSeries(long double x, const std::array<long double, N>& c) {
  return std::exp(-x) / std::sqrt(x) * ChebEvalInterval(1, 4, c.data(), static_cast<int>(N), 8 / x);
}

// A whole order as an integer: -131 for fractions, non-numbers and orders beyond 32 bits;
// -134 for orders beyond kBesselLargestOrder, whose recurrences would run for seconds.
bool WholeOrder(ExprContext& ctx, long double n, int& m) {
  if (n - std::floor(n) != 0 || std::fabs(n) > 2147483647.0L) {
    ctx.SetError(kErrBesselIntegerOrder);
    return false;
  }
  if (std::fabs(n) > kBesselLargestOrder) {
    ctx.SetError(kErrBesselConvergence);
    return false;
  }
  m = static_cast<int>(n);
  return true;
}

// Miller's recurrences grow without bound downwards: past kMillerBig = 2^50 their values
// are multiplied by 2^-50 (exact), or, where one step grew by more than that (2j/x above
// 2^50: a fixed factor fell behind, and JN(5, 1e-200) overflowed), by the power of two
// that brings them back to [1, 2). Below kMillerSmallest a single step would overflow; J_m
// and I_m of m >= 2 are below the smallest long double there.
constexpr long double kMillerBig = 0x1p50L;
constexpr int kMillerStepExponent = -50;
constexpr long double kMillerSmallest = 1e-4900L;

// The binary exponent to scale a value past kMillerBig by.
int MillerExponent(long double v) {
  return std::fabs(v) > kMillerBig * kMillerBig ? -std::ilogb(v) : kMillerStepExponent;
}
long double PowerOfTwo(int e) { return e == kMillerStepExponent ? 0x1p-50L : std::ldexp(1.0L, e); }

bool BelowSmallestValue(int m, long double a) { return BesselBelowSmallestValue(m, a); }

// A whole order beyond kBesselLargestOrder (of either sign: J_-n = (-1)^n J_n, I_-n = I_n)
// whose J and I at x are below the smallest long double: 0, as the orders served give.
bool BeyondLargestOrderBelowSmallest(long double n, long double x) {
  const long double m = std::fabs(n);
  return m > kBesselLargestOrder && m - std::floor(m) == 0 && BesselBelowSmallestValue(m, std::fabs(x));
}

// A value of a direct call: one beyond the range of long double records the overflow code
// (a NaN the invalid-operand code) and gives 0, as an evaluation of the language would.
long double InRange(ExprContext& ctx, long double v) {
  if (std::isfinite(v)) return v;
  ctx.SetError(std::isnan(v) ? kErrInvalidOperand : kErrNumericOverflow);
  return 0;
}

// ln(x/8) also where x/8 would lose bits below the normal range.
long double LogEighth(long double x) {
  constexpr long double kLn8 = 2.07944154167983592825169636437452970L;
  return x >= 8 * LDBL_MIN ? std::log(x / 8) : std::log(x) - kLn8;
}

// The unscaled I0 and I1, for |x| up to where they overflow.
long double I0Value(long double a) {
  if (a == 0) return 1;  // exactly, where the series' rounding could leave a last bit
  if (a <= 8) return ChebSum(a / 8, bc::kI0Small.data(), static_cast<int>(bc::kI0Small.size()), true);
  return ScaledByExp(a, I0LargeSeries(a));
}

long double I1Value(long double x) {
  const long double a = std::fabs(x);
  long double r = 0;
  if (a <= 8) {
    r = (a / 8) * ChebSum(a / 8, bc::kI1Small.data(), static_cast<int>(bc::kI1Small.size()), true);
  } else {
    r = ScaledByExp(a, I1LargeSeries(a));
  }
  return x < 0 ? -r : r;
}

long double J0Value(long double x) {
  const long double a = std::fabs(x);
  if (a < 8) {
    const long double y = x * x;
    return Poly(y, bc::kJ0P) / Poly(y, bc::kJ0Q);
  }
  return HankelOrder0(a).first;
}

long double J1Value(long double x) {
  const long double a = std::fabs(x);
  if (a < 8) {
    const long double y = x * x;
    return x * Poly(y, bc::kJ1P) / Poly(y, bc::kJ1Q);
  }
  const long double j = HankelOrder1(a).first;
  return x < 0 ? -j : j;
}

}  // namespace

// e^a = 2^k e^(a - k ln 2), with ln 2 in two parts so that k ln 2 is exact in the first;
// within the range of e^a the plain product.
long double BesselTimesExp(long double factor, long double a, int e) {
  if (factor == 0 || !std::isfinite(factor)) return factor;
  if ((std::fabs(a) < 11000 && e == 0) || !std::isfinite(a)) return factor * std::exp(a);
  constexpr long double kLn2High = 0.693147180369123816490L;  // 32 significant bits
  constexpr long double kLn2Low = 1.90821492927058770002e-10L;
  const long double k = std::nearbyint(a / std::numbers::ln2_v<long double>);
  if (std::fabs(k) > 1e8L) return factor * std::exp(a);  // beyond the range whatever e is
  const long double r = (a - k * kLn2High) - k * kLn2Low;
  return std::ldexp(factor * std::exp(r), static_cast<int>(k) + e);
}

long double PolyEval(long double x, const long double* c, int n) {
  long double s = c[n - 1];
  for (int k = n - 2; k >= 0; --k) s = s * x + c[k];
  return s;
}

long double ChebSum(long double x, const long double* c, int n, bool even) {
  if (even) x = 2 * x * x - 1;
  long double t0 = 1;
  long double t1 = x;
  long double sum = c[0] / 2 + c[1] * x;
  for (int k = 2; k < n; ++k) {
    const long double t = 2 * x * t1 - t0;
    t0 = t1;
    t1 = t;
    sum += c[k] * t;
  }
  return sum;
}

long double ChebEvalInterval(long double a, long double b, const long double* c, int m, long double x) {
  const long double u = (2 * x - a - b) / (b - a);
  long double d = 0;
  long double dd = 0;
  for (int j = m - 1; j >= 1; --j) {
    const long double sv = d;
    d = 2 * u * d - dd + c[j];
    dd = sv;
  }
  return u * d - dd + c[0] / 2;
}

// J0 and J1 tend to 0 at both infinities; a NaN is no argument.
long double BesselJ0(ExprContext& ctx, long double x) {
  if (std::isinf(x)) return 0;
  return InRange(ctx, J0Value(x));
}

long double BesselJ1(ExprContext& ctx, long double x) {
  if (std::isinf(x)) return 0;
  return InRange(ctx, J1Value(x));
}

namespace {

// Y0, Y1, K0 and K1 of x > 0, infinite where the value lies beyond the range.
long double Y0Value(long double x) {
  if (std::isinf(x)) return 0;
  if (x < 8) {
    const long double y = x * x;
    return Poly(y, bc::kY0P) / Poly(y, bc::kY0Q) + kTwoOverPi * J0Value(x) * std::log(x);
  }
  return HankelOrder0(x).second;
}

long double Y1Value(long double x) {
  if (std::isinf(x)) return 0;
  if (x < 8) {
    const long double y = x * x;
    return x * Poly(y, bc::kY1P) / Poly(y, bc::kY1Q) + kTwoOverPi * (J1Value(x) * std::log(x) - 1 / x);
  }
  return HankelOrder1(x).second;
}

// K0(x) e^x and K1(x) e^x from x = 8 on: the factor e^-x of the values above apart, so that
// the upward recurrence of KN starts from every bit where K0 and K1 themselves are
// subnormal (x from about 11340 on) or 0.
long double K0ScaledLarge(long double x) {
  return kPi / std::sqrt(x) *
         ChebEvalInterval(-1, 1, bc::kK0Large.data(), static_cast<int>(bc::kK0Large.size()), -8 / x);
}

long double K1ScaledLarge(long double x) {
  return kPi / std::sqrt(x) *
         ChebEvalInterval(-1, 1, bc::kK1Large.data(), static_cast<int>(bc::kK1Large.size()), -8 / x);
}

long double K0Value(long double x) {
  if (std::isinf(x)) return 0;
  if (x < kKSmallEnd) {
    return ChebSum(x / 8, bc::kK0Small.data(), static_cast<int>(bc::kK0Small.size()), true) -
           LogEighth(x) * I0Value(x);
  }
  if (x < 8) return KMidSeries(x, bc::kK0Mid);
  return BesselTimesExp(K0ScaledLarge(x), -x);
}

long double K1Value(long double x) {
  if (std::isinf(x)) return 0;
  if (x < kKSmallEnd) {
    return LogEighth(x) * I1Value(x) + 1 / x -
           (x / 8) * ChebSum(x / 8, bc::kK1Small.data(), static_cast<int>(bc::kK1Small.size()), true);
  }
  if (x < 8) return KMidSeries(x, bc::kK1Mid);
  return BesselTimesExp(K1ScaledLarge(x), -x);
}

// x <= 0 or not a number: -132 and 0.
bool PositiveArgument(ExprContext& ctx, long double x) {
  if (x > 0) return true;
  ctx.SetError(kErrBesselPositiveX);
  return false;
}

}  // namespace

// I0 and I1 overflow from |x| = 11357 on.
long double BesselI0(ExprContext& ctx, long double x) { return InRange(ctx, I0Value(std::fabs(x))); }
long double BesselI1(ExprContext& ctx, long double x) { return InRange(ctx, I1Value(x)); }

// Y1 and K1 overflow for the smallest x (-2/(pi x) and 1/x).
long double BesselY0(ExprContext& ctx, long double x) { return PositiveArgument(ctx, x) ? Y0Value(x) : 0; }
long double BesselY1(ExprContext& ctx, long double x) { return PositiveArgument(ctx, x) ? InRange(ctx, Y1Value(x)) : 0; }
long double BesselK0(ExprContext& ctx, long double x) { return PositiveArgument(ctx, x) ? K0Value(x) : 0; }
long double BesselK1(ExprContext& ctx, long double x) { return PositiveArgument(ctx, x) ? InRange(ctx, K1Value(x)) : 0; }

// A negative argument (or one that is not a number) writes its code straight into
// ExprMathError, without an entry in the error list.
long double BesselI0eix(ExprContext& ctx, long double x) {
  if (!(x >= 0)) {
    ctx.SetError(kErrBesselPositiveX);
    return 0;
  }
  if (x < 10) return std::exp(-x) * Poly(x * x / 100, bc::kI0eixSmall);
  return I0ScaledLarge(x);
}

long double BesselI0Scaled(long double x) {
  const long double a = std::fabs(x);
  if (a <= 8) return I0Value(a) * std::exp(-a);
  return I0ScaledLarge(a);
}

long double BesselI1eix(ExprContext& ctx, long double x) {
  if (!(x >= 0)) {
    ctx.SetError(kErrBesselPositiveX);
    return 0;
  }
  if (x < 10) return std::exp(-x) * x * Poly(x * x / 100, bc::kI1eixSmall);
  if (x <= kILargeEnd) return I1LargeSeries(x) / std::sqrt(x);
  return Poly(10 / x, bc::kI1eixLarge) / std::sqrt(x);
}

long double BesselJn(ExprContext& ctx, long double n, long double x) {
  if (BeyondLargestOrderBelowSmallest(n, x)) return 0;
  int order = 0;
  if (!WholeOrder(ctx, n, order)) return 0;
  if (order == 0) return BesselJ0(ctx, x);
  if (order == 1) return BesselJ1(ctx, x);
  if (order == -1) return -BesselJ1(ctx, x);
  const int m = order < 0 ? -order : order;
  if (std::isnan(x)) return InRange(ctx, x);
  const long double a = std::fabs(x);
  if (a < kMillerSmallest || std::isinf(a) || BelowSmallestValue(m, a)) return 0;
  long double ans = 0;
  if (m < a) {
    long double bjm = J0Value(a);
    long double bj = J1Value(a);
    for (int j = 1; j < m; ++j) {
      const long double bjp = RecurrenceCoefficient(2.0L * j, a) * bj - bjm;
      bjm = bj;
      bj = bjp;
    }
    ans = bj;
  } else {
    const int start = 2 * static_cast<int>(1.1L * (m / 2.0L + std::sqrt(static_cast<long double>(m)) + 9));
    long double bj = 1;
    long double bjp = 0;
    long double sum = 0;
    bool add = false;
    for (int j = start; j >= 1; --j) {
      const long double bjm = RecurrenceCoefficient(2.0L * j, a) * bj - bjp;
      bjp = bj;
      bj = bjm;
      if (std::fabs(bj) > kMillerBig) {
        const long double f = PowerOfTwo(MillerExponent(bj));
        bj *= f;
        bjp *= f;
        ans *= f;
        sum *= f;
      }
      if (add) sum += bj;
      add = !add;
      if (j == m) ans = bjp;
    }
    sum = 2 * sum - bj;
    ans /= sum;
  }
  // J_m(-x) = J_-m(x) = (-1)^m J_m(x).
  if (m % 2 == 1 && (x < 0) != (order < 0)) ans = -ans;
  return ans;
}

long double BesselYn(ExprContext& ctx, long double n, long double x) {
  int order = 0;
  if (!WholeOrder(ctx, n, order)) return 0;
  if (order == 0) return BesselY0(ctx, x);
  if (order == 1) return BesselY1(ctx, x);
  const int m = order < 0 ? -order : order;
  if (!PositiveArgument(ctx, x)) return 0;
  long double bym = Y0Value(x);
  long double by = Y1Value(x);
  for (int j = 1; j < m && std::isfinite(by); ++j) {
    const long double byp = RecurrenceCoefficient(2.0L * j, x) * by - bym;
    bym = by;
    by = byp;
  }
  return InRange(ctx, (order < 0 && m % 2 == 1) ? -by : by);
}

long double BesselIn(ExprContext& ctx, long double n, long double x) {
  if (BeyondLargestOrderBelowSmallest(n, x)) return 0;
  int order = 0;
  if (!WholeOrder(ctx, n, order)) return 0;
  const int m = order < 0 ? -order : order;
  if (m == 0) return BesselI0(ctx, x);
  if (m == 1) return BesselI1(ctx, x);
  if (std::isnan(x)) return InRange(ctx, x);
  const long double a = std::fabs(x);
  if (a < kMillerSmallest || BelowSmallestValue(m, a)) return 0;
  // From a = kBesselLargestOrder on, I_m(a) exceeds e^(a/2) for every order served, far
  // beyond the range; the start index below would grow with a.
  if (a >= kBesselLargestOrder) {
    ctx.SetError(kErrNumericOverflow);
    return 0;
  }
  // Miller's start index must lie where the terms I_j(a) that the normalising sum leaves
  // out are negligible: I_j(a)/I_0(a) is about e^(-j^2/2a), below 1e-21 from j^2 = 100 a
  // on. The fixed rule alone (about 1.1 m) falls short once a is large against m.
  const long double fixedStart = 2 * std::trunc(1.1L * (m / 2.0L + std::sqrt(static_cast<long double>(m)) + 13));
  const long double wideStart = 2 * std::trunc(std::sqrt(static_cast<long double>(m) * m + 100 * a) / 2 + 1);
  const int start = static_cast<int>(std::fmax(fixedStart, wideStart));
  long double bi = 1;
  long double bip = 0;
  long double ans = 0;
  long double sum = 0;    // 2 (I_1 + I_2 + ...) in the scale of bi
  std::int64_t shift = 0;  // ans is 2^shift times I_m in the scale of bi
  for (int j = start; j >= 1; --j) {
    const long double bim = bip + RecurrenceCoefficient(2.0L * j, a) * bi;
    bip = bi;
    bi = bim;
    if (std::fabs(bi) > kMillerBig) {
      const int e = MillerExponent(bi);
      const long double f = PowerOfTwo(e);
      bi *= f;
      bip *= f;
      sum *= f;
      if (ans != 0) shift -= e;
    }
    sum += 2 * bip;
    if (j == m) ans = bip;
  }
  // Normalised by e^a = I_0(a) + 2 (I_1(a) + I_2(a) + ...), a sum of positive terms that
  // keeps every digit the recurrence has (I_0 from its approximation kept only about
  // fifteen); e^a apart, so that a value in range stays in range where e^a overflows.
  const long double ratio = ans / (bi + sum);
  const int e = BesselScaleExponent(-shift);
  const long double v = BesselTimesExp(ratio, a, e);
  return InRange(ctx, (x < 0 && m % 2 == 1) ? -v : v);
}

// The upward recurrence K_(j+1) = K_(j-1) + (2j/x) K_j is stable, but from x = 8 on it runs
// on K e^x, and at every x on values kept below 2^50 by powers of two counted apart: K0
// and K1 underflow from about x = 11356 on while K_n of a large order is still far within
// the range (KN(30000, 15000) is 1.1e4240), and K_n can fit where the steps before it
// would overflow on the way. Only the final value meets the range, once.
long double BesselKn(ExprContext& ctx, long double n, long double x) {
  int order = 0;
  if (!WholeOrder(ctx, n, order)) return 0;
  const int m = order < 0 ? -order : order;
  if (m == 0) return BesselK0(ctx, x);
  if (m == 1) return BesselK1(ctx, x);
  if (!PositiveArgument(ctx, x)) return 0;
  if (std::isinf(x)) return 0;
  const bool scaled = x >= 8;
  long double bkm = scaled ? K0ScaledLarge(x) : K0Value(x);
  long double bk = scaled ? K1ScaledLarge(x) : K1Value(x);
  std::int64_t shift = 0;  // the true values are 2^shift times bkm and bk (times e^-x)
  for (int j = 1; j < m && std::isfinite(bk); ++j) {
    const long double bkp = bkm + RecurrenceCoefficient(2.0L * j, x) * bk;
    bkm = bk;
    bk = bkp;
    if (std::fabs(bk) > kMillerBig) {
      const int e = MillerExponent(bk);
      bk *= PowerOfTwo(e);
      bkm *= PowerOfTwo(e);
      shift -= e;
    }
  }
  if (!std::isfinite(bk)) return InRange(ctx, bk);
  const int e = BesselScaleExponent(shift);
  return InRange(ctx, BesselTimesExp(bk, scaled ? -x : 0.0L, e));
}

long double BuiltinJ0(ExprContext& ctx, const long double* a) { return BesselJ0(ctx, a[0]); }
long double BuiltinJ1(ExprContext& ctx, const long double* a) { return BesselJ1(ctx, a[0]); }
long double BuiltinY0(ExprContext& ctx, const long double* a) { return BesselY0(ctx, a[0]); }
long double BuiltinY1(ExprContext& ctx, const long double* a) { return BesselY1(ctx, a[0]); }
long double BuiltinI0(ExprContext& ctx, const long double* a) { return BesselI0(ctx, a[0]); }
long double BuiltinI1(ExprContext& ctx, const long double* a) { return BesselI1(ctx, a[0]); }
long double BuiltinK0(ExprContext& ctx, const long double* a) { return BesselK0(ctx, a[0]); }
long double BuiltinK1(ExprContext& ctx, const long double* a) { return BesselK1(ctx, a[0]); }
long double BuiltinI0EIX(ExprContext& ctx, const long double* a) { return BesselI0eix(ctx, a[0]); }
long double BuiltinI1EIX(ExprContext& ctx, const long double* a) { return BesselI1eix(ctx, a[0]); }
long double BuiltinJN(ExprContext& ctx, const long double* a) { return BesselJn(ctx, a[0], a[1]); }
long double BuiltinYN(ExprContext& ctx, const long double* a) { return BesselYn(ctx, a[0], a[1]); }
long double BuiltinIN(ExprContext& ctx, const long double* a) { return BesselIn(ctx, a[0], a[1]); }
long double BuiltinKN(ExprContext& ctx, const long double* a) { return BesselKn(ctx, a[0], a[1]); }

// J_nu(a) and I_nu(a) are at most (a/2)^nu / Gamma(nu + 1) e^(a^2 / 4(nu + 1)) in
// magnitude (the terms of their power series fall by a^2 / 4(nu + 1 + k) at least), and
// ln Gamma(nu + 1) is at least nu ln nu - nu + ln(2 pi nu)/2 (Stirling). Such orders at
// small arguments are answered at once instead of running a million recurrence steps to
// 0, and beyond the largest order served instead of failing.
bool BesselBelowSmallestValue(long double order, long double a) {
  constexpr long double kLogSmallest = -11400;  // ln of the smallest subnormal is -11399.4
  constexpr long double kLogTwoPi = 1.83787706640934548356065947281123527L;
  if (!(order >= 1 && a > 0)) return false;
  const long double bound = order * (std::log(a / (2 * order)) + 1) - (kLogTwoPi + std::log(order)) / 2 +
                            a * a / (4 * (order + 1));
  return bound < kLogSmallest;
}
