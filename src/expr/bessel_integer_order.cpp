// Bessel functions of whole order. Orders 0 and 1 by fixed approximations that switch at
// x = 8: rational forms in x^2 below it for J and Y and Hankel's modulus form with rational
// P and Q in (8/x)^2 above it; Chebyshev series for I and K (K with a third piece from 2
// to 8). Other orders by recurrence
// from orders 0 and 1: upward where it is stable (J for n below |x|, Y and K always),
// Miller's downward recurrence otherwise (J for n of |x| or more, and I), normalised by
// J0 + 2(J2 + J4 + ...) = 1 and by I0.
//
// The coefficient sets are made by tools/make_bessel_coefficients.py.
#include <cfloat>
#include <cmath>
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

// Rescaling of Miller's recurrences, which grow without bound downwards.
constexpr long double kMillerBig = 1e15L;
constexpr long double kMillerSmall = 1e-15L;

}  // namespace

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

long double BesselJ0(long double x) {
  const long double a = std::fabs(x);
  if (a < 8) {
    const long double y = x * x;
    return Poly(y, bc::kJ0P) / Poly(y, bc::kJ0Q);
  }
  return HankelOrder0(a).first;
}

long double BesselJ1(long double x) {
  const long double a = std::fabs(x);
  if (a < 8) {
    const long double y = x * x;
    return x * Poly(y, bc::kJ1P) / Poly(y, bc::kJ1Q);
  }
  const long double j = HankelOrder1(a).first;
  return x < 0 ? -j : j;
}

long double BesselY0(ExprContext& ctx, long double x) {
  if (!(x > 0)) {
    ctx.SetError(kErrBesselPositiveX);
    return 0;
  }
  if (x < 8) {
    const long double y = x * x;
    return Poly(y, bc::kY0P) / Poly(y, bc::kY0Q) + kTwoOverPi * BesselJ0(x) * std::log(x);
  }
  return HankelOrder0(x).second;
}

long double BesselY1(ExprContext& ctx, long double x) {
  if (!(x > 0)) {
    ctx.SetError(kErrBesselPositiveX);
    return 0;
  }
  if (x < 8) {
    const long double y = x * x;
    return x * Poly(y, bc::kY1P) / Poly(y, bc::kY1Q) + kTwoOverPi * (BesselJ1(x) * std::log(x) - 1 / x);
  }
  return HankelOrder1(x).second;
}

long double BesselI0(long double x) {
  const long double a = std::fabs(x);
  if (a == 0) return 1;  // exactly, where the series' rounding could leave a last bit
  if (a <= 8) return ChebSum(a / 8, bc::kI0Small.data(), static_cast<int>(bc::kI0Small.size()), true);
  return ScaledByExp(a, I0LargeSeries(a));
}

long double BesselI1(long double x) {
  const long double a = std::fabs(x);
  long double r = 0;
  if (a <= 8) {
    r = (a / 8) * ChebSum(a / 8, bc::kI1Small.data(), static_cast<int>(bc::kI1Small.size()), true);
  } else {
    r = ScaledByExp(a, I1LargeSeries(a));
  }
  return x < 0 ? -r : r;
}

long double BesselK0(ExprContext& ctx, long double x) {
  if (!(x > 0)) {
    ctx.SetError(kErrBesselPositiveX);
    return 0;
  }
  if (x < kKSmallEnd) {
    return ChebSum(x / 8, bc::kK0Small.data(), static_cast<int>(bc::kK0Small.size()), true) -
           std::log(x / 8) * BesselI0(x);
  }
  if (x < 8) return KMidSeries(x, bc::kK0Mid);
  return kPi * std::exp(-x) / std::sqrt(x) *
         ChebEvalInterval(-1, 1, bc::kK0Large.data(), static_cast<int>(bc::kK0Large.size()), -8 / x);
}

long double BesselK1(ExprContext& ctx, long double x) {
  if (!(x > 0)) {
    ctx.SetError(kErrBesselPositiveX);
    return 0;
  }
  if (x < kKSmallEnd) {
    return std::log(x / 8) * BesselI1(x) + 1 / x -
           (x / 8) * ChebSum(x / 8, bc::kK1Small.data(), static_cast<int>(bc::kK1Small.size()), true);
  }
  if (x < 8) return KMidSeries(x, bc::kK1Mid);
  return kPi * std::exp(-x) / std::sqrt(x) *
         ChebEvalInterval(-1, 1, bc::kK1Large.data(), static_cast<int>(bc::kK1Large.size()), -8 / x);
}

// A negative argument writes its code straight into ExprMathError, without an entry in
// the error list.
long double BesselI0eix(ExprContext& ctx, long double x) {
  if (x < 0) {
    ctx.ExprMathError = kErrBesselPositiveX;
    return 0;
  }
  if (x < 10) return std::exp(-x) * Poly(x * x / 100, bc::kI0eixSmall);
  if (x <= kILargeEnd) return I0LargeSeries(x) / std::sqrt(x);
  return Poly(10 / x, bc::kI0eixLarge) / std::sqrt(x);
}

long double BesselI1eix(ExprContext& ctx, long double x) {
  if (x < 0) {
    ctx.ExprMathError = kErrBesselPositiveX;
    return 0;
  }
  if (x < 10) return std::exp(-x) * x * Poly(x * x / 100, bc::kI1eixSmall);
  if (x <= kILargeEnd) return I1LargeSeries(x) / std::sqrt(x);
  return Poly(10 / x, bc::kI1eixLarge) / std::sqrt(x);
}

long double BesselJn(ExprContext& ctx, long double n, long double x) {
  int order = 0;
  if (!WholeOrder(ctx, n, order)) return 0;
  if (order == 0) return BesselJ0(x);
  if (order == 1) return BesselJ1(x);
  if (order == -1) return -BesselJ1(x);
  const int m = order < 0 ? -order : order;
  const long double a = std::fabs(x);
  if (a == 0) return 0;
  const long double tox = 2 / a;
  long double ans = 0;
  if (m < a) {
    long double bjm = BesselJ0(a);
    long double bj = BesselJ1(a);
    for (int j = 1; j < m; ++j) {
      const long double bjp = j * tox * bj - bjm;
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
      const long double bjm = j * tox * bj - bjp;
      bjp = bj;
      bj = bjm;
      if (std::fabs(bj) > kMillerBig) {
        bj *= kMillerSmall;
        bjp *= kMillerSmall;
        ans *= kMillerSmall;
        sum *= kMillerSmall;
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
  if (!(x > 0)) {
    ctx.SetError(kErrBesselPositiveX);
    return 0;
  }
  const long double tox = 2 / x;
  long double bym = BesselY0(ctx, x);
  long double by = BesselY1(ctx, x);
  for (int j = 1; j < m; ++j) {
    const long double byp = j * tox * by - bym;
    bym = by;
    by = byp;
    if (std::isinf(by)) break;  // overflowed: the run reports it
  }
  return (order < 0 && m % 2 == 1) ? -by : by;
}

long double BesselIn(ExprContext& ctx, long double n, long double x) {
  int order = 0;
  if (!WholeOrder(ctx, n, order)) return 0;
  const int m = order < 0 ? -order : order;
  if (m == 0) return BesselI0(x);
  if (m == 1) return BesselI1(x);
  if (x == 0) return 0;
  const long double a = std::fabs(x);
  // From a = kBesselLargestOrder on, I_m(a) exceeds e^(a/2) for every order served, far
  // beyond the range; the start index below would grow with a.
  if (a >= kBesselLargestOrder) {
    ctx.SetError(kErrNumericOverflow);
    return 0;
  }
  const long double tox = 2 / a;
  // Miller's start index must lie where I is negligible against K in the recurrence's
  // two solutions: (start^2 - m^2)/a above ln(1e19) or so. The fixed rule alone (about
  // 1.1 m) falls short once a is large against m and loses digits (IN(2, 100) kept five);
  // the second bound covers that.
  const long double fixedStart = 2 * std::trunc(1.1L * (m / 2.0L + std::sqrt(static_cast<long double>(m)) + 13));
  const long double wideStart = 2 * std::trunc(std::sqrt(static_cast<long double>(m) * m + 45 * a) / 2 + 1);
  const int start = static_cast<int>(std::fmax(fixedStart, wideStart));
  long double bi = 1;
  long double bip = 0;
  long double ans = 0;
  for (int j = start; j >= 1; --j) {
    const long double bim = bip + j * tox * bi;
    bip = bi;
    bi = bim;
    if (std::fabs(bi) > kMillerBig) {
      ans *= kMillerSmall;
      bi *= kMillerSmall;
      bip *= kMillerSmall;
    }
    if (j == m) ans = bip;
  }
  ans *= BesselI0(x) / bi;
  return (x < 0 && m % 2 == 1) ? -ans : ans;
}

long double BesselKn(ExprContext& ctx, long double n, long double x) {
  int order = 0;
  if (!WholeOrder(ctx, n, order)) return 0;
  const int m = order < 0 ? -order : order;
  if (m == 0) return BesselK0(ctx, x);
  if (m == 1) return BesselK1(ctx, x);
  if (!(x > 0)) {
    ctx.SetError(kErrBesselPositiveX);
    return 0;
  }
  const long double tox = 2 / x;
  long double bkm = BesselK0(ctx, x);
  long double bk = BesselK1(ctx, x);
  for (int j = 1; j < m; ++j) {
    const long double bkp = bkm + j * tox * bk;
    bkm = bk;
    bk = bkp;
    if (std::isinf(bk)) break;  // overflowed: the run reports it
  }
  return bk;
}

long double BuiltinJ0(ExprContext&, const long double* a) { return BesselJ0(a[0]); }
long double BuiltinJ1(ExprContext&, const long double* a) { return BesselJ1(a[0]); }
long double BuiltinY0(ExprContext& ctx, const long double* a) { return BesselY0(ctx, a[0]); }
long double BuiltinY1(ExprContext& ctx, const long double* a) { return BesselY1(ctx, a[0]); }
long double BuiltinI0(ExprContext&, const long double* a) { return BesselI0(a[0]); }
long double BuiltinI1(ExprContext&, const long double* a) { return BesselI1(a[0]); }
long double BuiltinK0(ExprContext& ctx, const long double* a) { return BesselK0(ctx, a[0]); }
long double BuiltinK1(ExprContext& ctx, const long double* a) { return BesselK1(ctx, a[0]); }
long double BuiltinI0EIX(ExprContext& ctx, const long double* a) { return BesselI0eix(ctx, a[0]); }
long double BuiltinI1EIX(ExprContext& ctx, const long double* a) { return BesselI1eix(ctx, a[0]); }
long double BuiltinJN(ExprContext& ctx, const long double* a) { return BesselJn(ctx, a[0], a[1]); }
long double BuiltinYN(ExprContext& ctx, const long double* a) { return BesselYn(ctx, a[0], a[1]); }
long double BuiltinIN(ExprContext& ctx, const long double* a) { return BesselIn(ctx, a[0], a[1]); }
long double BuiltinKN(ExprContext& ctx, const long double* a) { return BesselKn(ctx, a[0], a[1]); }
