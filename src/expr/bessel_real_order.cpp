// Bessel functions of real order and their derivatives.
//
// The workers follow Temme's and Steed's method as Numerical Recipes (section 6.7) gives
// it. From x = 2 on: the continued fraction CF1 gives J'/J (I'/I) at the order nu; a
// downward recurrence takes the unnormalised values to an order mu with |mu| <= 1/2; there
// the complex continued fraction CF2 with Steed's normalisation gives Y and Y' (K and K'),
// the Wronskian fixes the scale of J (I), and an upward recurrence brings Y (K) back to nu.
// Below 2, Temme's series gives Y and K at mu, and J and I come from their own power
// series instead of the Wronskian, which cancels there (see PowerSeries). Continued
// fractions run by the modified Lentz method.
//
// For x above 50 and orders from -5 to 5 the values come from Hankel's asymptotic
// expansions, which need neither the continued fractions (whose length grows with x) nor
// the recurrences; whole orders below that go to the integer-order functions, and other
// negative orders to the reflection formulas.
#include <cfloat>
#include <cstdint>
#include <cmath>
#include <numbers>

#include "expr/bessel_coefficients.h"
#include "expr/bessel_functions.h"
#include "expr/builtins.h"
#include "expr/math_faults.h"
#include "expr/special_functions.h"

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kEps = 1e-18L;
constexpr long double kFpMin = 1e-300L;
// The recurrences are scaled by 2^-kRescaleExponent (exact) once their values pass
// kRescaleAbove (about 1e2000), and the scales are counted in a binary exponent instead of
// being applied to the values kept from the recurrence's start: I_nu and J_nu of a large
// order can be subnormal, and K_nu and Y_nu can fit where their partner of order nu + 1
// does not, so only the final value may meet the range (JNU, INU and KNU of order 3000.25
// at 50.1 were flushed to 0 or failed with an overflow). The count is kept in 64 bits: Y
// and K of a large order at a tiny x grow past 2^6644 every step or two, and a million
// steps ran an int count past its end (DJNU of order 7e5 at 1e-3000); brought within
// kBesselFarExponent, such a scale gives Y and K infinite, their overflow.
constexpr std::int64_t kRescaleExponent = 6644;
constexpr long double kRescaleAbove = 0x1p6644L;
constexpr long double kRescaleBy = 0x1p-6644L;

void RescaleRecurrence(long double& value, long double& derivative, std::int64_t& exponent) {
  value *= kRescaleBy;
  derivative *= kRescaleBy;
  exponent += kRescaleExponent;
}

constexpr int kMaxIterations = 10000;
constexpr long double kTemmeSwitch = 2;

struct TTemmeGammas {
  long double gamma1, gamma2, gampl, gammi;  // gampl = 1/Gamma(1 + mu), gammi = 1/Gamma(1 - mu)
};

// Temme's Gamma1(mu) = (1/Gamma(1 - mu) - 1/Gamma(1 + mu)) / (2 mu) and Gamma2(mu) = (1/Gamma(1 - mu) +
// 1/Gamma(1 + mu)) / 2 for |mu| <= 1/2, from the odd and even halves of the Taylor series of
// 1/Gamma(1 + z). The usual short Chebyshev sets reach only about 1e-14 in Gamma1, which
// every value of Temme's series inherits.
TTemmeGammas TemmeGammas(long double mu) {
  const auto& c = bessel_coefficients::kReciprocalGamma;
  const long double m2 = mu * mu;
  long double odd = 0;
  long double even = 0;
  for (std::size_t k = c.size(); k-- > 0;) {
    if (k % 2 == 1) {
      odd = odd * m2 + c[k];
    } else {
      even = even * m2 + c[k];
    }
  }
  TTemmeGammas g{};
  g.gamma1 = -odd;
  g.gamma2 = even;
  g.gampl = g.gamma2 - mu * g.gamma1;
  g.gammi = g.gamma2 + mu * g.gamma1;
  return g;
}

// z/sin(z) and sinh(z)/z, 1 below the accuracy.
long double PiMuOverSin(long double pimu) { return std::fabs(pimu) < kEps ? 1 : pimu / std::sin(pimu); }
long double SinhOverArg(long double e) { return std::fabs(e) < kEps ? 1 : std::sinh(e) / e; }

// Orders beyond kBesselLargestOrder would run their recurrences for more than some
// milliseconds (and beyond 32 bits their step count would not convert); they count as a
// failure to converge.
int CheckArguments(long double x, long double nu) {
  if (!(x > 0)) return kErrBesselPositiveX;
  if (nu < 0) return kErrBesselNegativeOrder;
  if (!(nu <= kBesselLargestOrder)) return kErrBesselConvergence;  // a value that is not a number too
  return 0;
}

// Hankel's series. Terms are formed while they change the sum by 1e-18 of its value; a
// series that needs more than its share of the 99 factor indices is a failure (false).
constexpr int kHankelLastFactor = 99;

bool HankelPQ(long double nu, long double x, long double& p, long double& q) {
  // P = 1 - t2 + t4 - ..., Q = t1 - t3 + t5 - ... with
  // t_k = (mu - 1)(mu - 9)...(mu - (2k - 1)^2) / (k! (8x)^k): one sequence of terms serves
  // both. A half-integral order ends it exactly.
  const long double mu = 4 * nu * nu;
  const long double ex = 8 * x;
  long double term = 1;
  p = 1;
  q = 0;
  for (int k = 1;; ++k) {
    const int odd = 2 * k - 1;
    if (odd > kHankelLastFactor) return false;
    term *= (mu - static_cast<long double>(odd) * odd) / (k * ex);
    const long double signedTerm = (k / 2) % 2 == 0 ? term : -term;
    (k % 2 == 1 ? q : p) += signedTerm;
    if (term == 0 || std::fabs(term) < kEps * std::fabs(p)) return true;
  }
}

// S = 1 -+ (mu-1)/(8x) + (mu-1)(mu-9)/(2! (8x)^2) -+ ...: all signs + for K, alternating
// for I.
bool HankelIKSeries(long double nu, long double x, bool alternate, long double& s) {
  const long double mu = 4 * nu * nu;
  long double term = 1;
  s = 1;
  for (int k = 1;; ++k) {
    const int odd = 2 * k - 1;
    if (odd > kHankelLastFactor) return false;
    term *= (mu - static_cast<long double>(odd) * odd) / (k * 8 * x);
    const long double signedTerm = alternate && k % 2 == 1 ? -term : term;
    const long double before = s;
    s += signedTerm;
    if (term == 0 || std::fabs(signedTerm) < kEps * std::fabs(before)) return true;
  }
}

// cos and sin of chi = x - pi (nu/2 + 1/4) from those of the exact x and of the exactly
// reduced phase, so that a large x keeps its digits.
void HankelPhase(long double x, long double nu, long double& cosChi, long double& sinChi) {
  const long double phase = nu / 2 + 0.25L;
  const long double sp = ExprSinPi(phase);
  const long double cp = ExprSinPi(phase + 0.5L);
  const long double s = std::sin(x);
  const long double c = std::cos(x);
  cosChi = c * cp + s * sp;
  sinChi = s * cp - c * sp;
}

enum class TBesselKind { kJ, kY, kI, kK };

// One of the four Hankel values; false when its series does not meet its stop test.
bool HankelValue(ExprContext& ctx, TBesselKind kind, long double x, long double nu, long double& v) {
  long double p = 0;
  long double q = 0;
  if (kind == TBesselKind::kJ || kind == TBesselKind::kY) {
    if (!HankelPQ(nu, x, p, q)) return false;
    long double c = 0;
    long double s = 0;
    HankelPhase(x, nu, c, s);
    v = std::sqrt(2 / (kPi * x)) * (kind == TBesselKind::kJ ? p * c - q * s : p * s + q * c);
    return true;
  }
  if (!HankelIKSeries(nu, x, kind == TBesselKind::kI, p)) return false;
  if (kind == TBesselKind::kK) {
    v = std::sqrt(kPi / (2 * x)) * std::exp(-x) * p;
  } else {
    // e^x as e^(x/2) twice, so that I stays finite wherever its value is.
    const long double h = ExprMathExp(ctx, x / 2);
    v = h * (p / std::sqrt(2 * kPi * x)) * h;
  }
  return true;
}

// A negative fractional order from the positive one by the reflection formulas
//   J_-nu = cos(nu pi) J_nu - sin(nu pi) Y_nu,   Y_-nu = sin(nu pi) J_nu + cos(nu pi) Y_nu,
//   I_-nu = I_nu + (2/pi) sin(nu pi) K_nu,       K_-nu = K_nu,
// so that a negative order answers wherever its positive partner does, and not only where
// Hankel's expansions serve it. `nu` is the positive order.
int ReflectedValue(TBesselKind kind, long double nu, long double x, long double& v) {
  TBesselSet set;
  const bool jy = kind == TBesselKind::kJ || kind == TBesselKind::kY;
  if (const int status = jy ? BesselJY(x, nu, set) : BesselIK(x, nu, set); status < 0) return status;
  const long double s = ExprSinPi(nu);
  const long double c = ExprSinPi(nu + 0.5L);
  switch (kind) {
    case TBesselKind::kJ: v = c * set.value1 - s * set.value2; break;
    case TBesselKind::kY: v = s * set.value1 + c * set.value2; break;
    case TBesselKind::kI: v = set.value1 + 2 / kPi * s * set.value2; break;
    case TBesselKind::kK: v = set.value2; break;
  }
  return 0;
}

// The value built-ins. An error recorded before the call stays in ExprMathError when the
// call itself succeeds, so that an expression such as LN(-1)+JNU(0.5,1) still fails.
// J and I and their derivatives ((J_nu-1 - J_nu+1)/2 and (I_nu-1 + I_nu+1)/2): 0 at once
// where they lie below the smallest long double, at any order: the recurrences would run
// up to a million steps to that 0 (DJNU(999999, 1) took 10 ms, and a series of 31,999 such
// terms many minutes), and beyond kBesselLargestOrder they are not run at all
// (INU(1000000.25,1000) failed with -134 where it is 0).
bool BelowSmallestAtOnce(TBesselKind kind, long double nu, long double x, bool derivative) {
  if (kind == TBesselKind::kY || kind == TBesselKind::kK) return false;
  if (!derivative) return BesselBelowSmallestValue(nu, x);
  return BesselBelowSmallestValue(nu - 1, x) && BesselBelowSmallestValue(nu + 1, x);
}

long double RealOrderValue(ExprContext& ctx, TBesselKind kind, long double nu, long double x) {
  if (BelowSmallestAtOnce(kind, nu, x, false)) return 0;
  const int earlier = ctx.ExprMathError;
  ctx.ExprMathError = 0;
  const TKeptValueScope kept;  // the worker's other three values may lie beyond the range
  long double v = 0;
  // Hankel's series settle within their 99 factors for |nu| up to 5; larger negative
  // orders go by reflection like the others.
  if (x > 50 && nu <= 5 && nu >= -5) {
    // A series that does not settle (a large negative order) is a failure too, not a 0.
    if (!HankelValue(ctx, kind, x, nu, v) || ctx.ExprMathError != 0) {
      ctx.SetError(kErrBesselAsymptoticConvergence);
      return 0;
    }
  } else if (nu - std::floor(nu) == 0) {
    switch (kind) {
      case TBesselKind::kJ: v = BesselJn(ctx, nu, x); break;
      case TBesselKind::kY: v = BesselYn(ctx, nu, x); break;
      case TBesselKind::kI: v = BesselIn(ctx, nu, x); break;
      case TBesselKind::kK: v = BesselKn(ctx, nu, x); break;
    }
    if (ctx.ExprMathError != 0) return 0;
  } else if (nu < 0) {
    if (const int status = ReflectedValue(kind, -nu, x, v); status < 0) {
      ctx.SetError(status);
      return 0;
    }
    if (ctx.ExprMathError != 0) return 0;
  } else {
    TBesselSet set;
    const bool jy = kind == TBesselKind::kJ || kind == TBesselKind::kY;
    const int status = jy ? BesselJY(x, nu, set) : BesselIK(x, nu, set);
    if (status < 0) {
      ctx.SetError(status);
      return 0;
    }
    if (ctx.ExprMathError != 0) return 0;
    v = (kind == TBesselKind::kJ || kind == TBesselKind::kI) ? set.value1 : set.value2;
  }
  v = kept.Keep(ctx, v);
  if (ctx.ExprMathError == 0) ctx.ExprMathError = earlier;
  return v;
}

// The derivative built-ins always go through the worker.
long double RealOrderDerivative(ExprContext& ctx, TBesselKind kind, long double nu, long double x) {
  if (BelowSmallestAtOnce(kind, nu, x, true)) return 0;
  const int earlier = ctx.ExprMathError;
  ctx.ExprMathError = 0;
  const TKeptValueScope kept;
  TBesselSet set;
  const bool jy = kind == TBesselKind::kJ || kind == TBesselKind::kY;
  const int status = jy ? BesselJY(x, nu, set) : BesselIK(x, nu, set);
  if (status < 0) {
    ctx.SetError(status);
    return 0;
  }
  if (ctx.ExprMathError != 0) return 0;
  const long double v = kept.Keep(ctx, (kind == TBesselKind::kJ || kind == TBesselKind::kI) ? set.deriv1 : set.deriv2);
  if (ctx.ExprMathError == 0) ctx.ExprMathError = earlier;
  return v;
}

}  // namespace

// The asymptotic values; 0 when the series does not settle.
long double BesselJAsym(long double x, long double nu) {
  long double v = 0;
  return HankelValue(ExprThreadContext(), TBesselKind::kJ, x, nu, v) ? v : 0;
}
long double BesselYAsym(long double x, long double nu) {
  long double v = 0;
  return HankelValue(ExprThreadContext(), TBesselKind::kY, x, nu, v) ? v : 0;
}
long double BesselIAsym(ExprContext& ctx, long double x, long double nu) {
  long double v = 0;
  return HankelValue(ctx, TBesselKind::kI, x, nu, v) ? v : 0;
}
long double BesselKAsym(long double x, long double nu) {
  long double v = 0;
  return HankelValue(ExprThreadContext(), TBesselKind::kK, x, nu, v) ? v : 0;
}

namespace {

// (x/2)^nu / Gamma(nu + 1), the leading factor of the power series. x^nu 2^-nu rather than
// (x/2)^nu keeps every bit of a subnormal x; where Gamma(nu + 1) overflows the factor is
// formed from logarithms (it lies near or below the smallest long double there).
long double SeriesLead(long double x, long double nu) {
  const long double gamma = std::tgamma(nu + 1);
  if (std::isfinite(gamma) && nu <= 8192) return std::pow(x, nu) * std::exp2(-nu) / gamma;
  int sign = 0;
  return std::exp(nu * std::log(x / 2) - lgammal_r(nu + 1, &sign));
}

// J_nu(x) and J'_nu(x) (or I and I' when `modified`) from the power series
//   J_nu(x) = (x/2)^nu / Gamma(nu + 1) sum_k t_k,  t_k = (-x^2/4)^k / (k! (nu + 1)_k),
//   J'_nu(x) = (x/2)^nu / Gamma(nu + 1) sum_k (nu + 2k) t_k / x,
// with +x^2/4 for I. Below x = 2 the terms fall faster than 1/k!^2, so 25 terms reach the
// rounding unit; the J terms alternate, but no partial sum there is more than about ten
// times the value (J has no zero below 2.4). Temme's series for Y, with the Wronskian,
// gives J only through a difference of Y' and (J'/J) Y, which for orders with a fractional
// part of 1/2 or more cancels to nothing at small x (J_(0.7)(1e-30) 1 % off, J_(1/2)(1e-60)
// 22 orders of magnitude off); the series has no such difference.
void PowerSeries(long double x, long double nu, bool modified, long double& value, long double& deriv) {
  const long double step = (modified ? 1 : -1) * (x / 2) * (x / 2);
  long double term = 1;
  long double sum = 1;
  long double dsum = nu;
  long double sumAbs = 1;
  long double dsumAbs = nu;
  for (int k = 1; k <= 100; ++k) {
    term *= step / (k * (nu + k));
    const long double dterm = (nu + 2 * k) * term;
    sum += term;
    dsum += dterm;
    sumAbs += std::fabs(term);
    dsumAbs += std::fabs(dterm);
    if (std::fabs(term) <= kEps * sumAbs && std::fabs(dterm) <= kEps * dsumAbs) break;
  }
  const long double lead = SeriesLead(x, nu);
  value = lead * sum;
  // J' = (x/2)^(nu-1) / Gamma(nu) dsum / (2 nu): formed so where (x/2)^nu lies below the
  // normal range and J' does not.
  deriv = nu > 1 && std::fabs(lead) < LDBL_MIN ? SeriesLead(x, nu - 1) * (dsum / (2 * nu)) : lead * (dsum / x);
}

// The first terms of Temme's series at mu for K: f_0 and p_0 = e^(mu d) / (2 Gamma(1 + mu)),
// q_0 = e^(-mu d) / (2 Gamma(1 - mu)), d = ln(2/x). Those for Y are 2/pi times these.
struct TTemmeStart {
  long double ff, p, q;
};

TTemmeStart TemmeStart(long double x, long double xmu) {
  const long double fact = PiMuOverSin(kPi * xmu);
  const long double d = -std::log(x / 2);
  const long double e = xmu * d;
  const TTemmeGammas g = TemmeGammas(xmu);
  const long double ee = std::exp(e);
  return {fact * (g.gamma1 * std::cosh(e) + g.gamma2 * SinhOverArg(e) * d), 0.5L * ee / g.gampl,
          0.5L / (ee * g.gammi)};
}

// Temme's series for Y_mu and Y_(mu+1), |mu| <= 1/2, x < 2; false when it does not converge.
bool TemmeY(long double x, long double xmu, long double& ymu, long double& ymu1) {
  const TTemmeStart start = TemmeStart(x, xmu);
  long double ff = 2 / kPi * start.ff;
  long double p = 2 / kPi * start.p;
  long double q = 2 / kPi * start.q;
  const long double pimu2 = kPi * xmu / 2;
  const long double fact3 = std::fabs(pimu2) < kEps ? 1 : std::sin(pimu2) / pimu2;
  const long double r = kPi * pimu2 * fact3 * fact3;
  const long double xmu2 = xmu * xmu;
  long double c = 1;
  const long double step = -(x / 2) * (x / 2);
  long double sum = ff + r * q;
  long double sum1 = p;
  int i = 1;
  for (; i <= kMaxIterations; ++i) {
    ff = (i * ff + p + q) / (i * static_cast<long double>(i) - xmu2);
    c *= step / i;
    p /= i - xmu;
    q /= i + xmu;
    const long double del = c * (ff + r * q);
    sum += del;
    const long double del1 = c * p - i * del;
    sum1 += del1;
    if (std::fabs(del) < (1 + std::fabs(sum)) * kEps) break;
  }
  if (i > kMaxIterations) return false;
  ymu = -sum;
  ymu1 = -sum1 * (2 / x);
  return true;
}

// Temme's series for K_mu and K_(mu+1), |mu| <= 1/2, x < 2; false when it does not converge.
bool TemmeK(long double x, long double xmu, long double& kmu, long double& kmu1) {
  const TTemmeStart start = TemmeStart(x, xmu);
  long double ff = start.ff;
  long double p = start.p;
  long double q = start.q;
  long double sum = ff;
  const long double xmu2 = xmu * xmu;
  long double c = 1;
  const long double step = (x / 2) * (x / 2);
  long double sum1 = p;
  int i = 1;
  for (; i <= kMaxIterations; ++i) {
    ff = (i * ff + p + q) / (i * static_cast<long double>(i) - xmu2);
    c *= step / i;
    p /= i - xmu;
    q /= i + xmu;
    const long double del = c * ff;
    sum += del;
    const long double del1 = c * (p - i * ff);
    sum1 += del1;
    if (std::fabs(del) < std::fabs(sum) * kEps) break;
  }
  if (i > kMaxIterations) return false;
  kmu = sum;
  kmu1 = sum1 * (2 / x);
  return true;
}

// Y (or K, `modified`) from order mu and mu + 1 up to nu = mu + nl by the upward recurrence,
// into out.value2 and out.deriv2, both to be multiplied by 2^(the exponent returned). Past
// an overflow before the order nu the value is infinite whatever follows; the derivative
// of an infinite Y (K) is infinite with the opposite sign.
[[nodiscard]] std::int64_t UpwardSecondKind(long double x, long double nu, long double xmu, int nl, bool modified,
                                            long double fmu, long double fmu1, TBesselSet& out) {
  std::int64_t exponent = 0;
  int k = 1;
  for (; k <= nl && std::isfinite(fmu1); ++k) {
    const long double next = RecurrenceCoefficient(2 * (xmu + k), x) * fmu1 + (modified ? fmu : -fmu);
    fmu = fmu1;
    fmu1 = next;
    if (std::fabs(fmu1) > kRescaleAbove && std::isfinite(fmu1)) RescaleRecurrence(fmu1, fmu, exponent);
  }
  if (k <= nl) fmu = fmu1;  // overflowed below the order nu
  out.value2 = fmu;
  if (!std::isfinite(fmu)) {
    out.deriv2 = -fmu;
  } else if (!std::isfinite(fmu1)) {
    out.deriv2 = -fmu1;
  } else {
    out.deriv2 = RecurrenceCoefficient(nu, x) * fmu - fmu1;
  }
  return exponent;
}

// value * 2^exponent, rounded once also where it is subnormal.
long double Scaled(long double value, std::int64_t exponent) {
  return exponent == 0 || !std::isfinite(value) ? value : std::ldexp(value, BesselScaleExponent(exponent));
}

// Below x = 2: J and J' (I and I') by their power series, Y and Y' (K and K') by Temme's
// series at mu = nu - round(nu) and the upward recurrence.
int SmallArgument(long double x, long double nu, bool modified, TBesselSet& out) {
  const int nl = static_cast<int>(nu + 0.5L);
  const long double xmu = nu - nl;
  long double fmu = 0;
  long double fmu1 = 0;
  if (!(modified ? TemmeK(x, xmu, fmu, fmu1) : TemmeY(x, xmu, fmu, fmu1))) return kErrBesselConvergence;
  PowerSeries(x, nu, modified, out.value1, out.deriv1);
  const std::int64_t exponent = UpwardSecondKind(x, nu, xmu, nl, modified, fmu, fmu1, out);
  out.value2 = Scaled(out.value2, exponent);
  out.deriv2 = Scaled(out.deriv2, exponent);
  return 0;
}

}  // namespace

int BesselJY(long double x, long double nu, TBesselSet& out) {
  if (const int bad = CheckArguments(x, nu)) return bad;
  if (x < kTemmeSwitch) return SmallArgument(x, nu, false, out);
  const int nl = static_cast<int>(std::fmax(0.0L, std::trunc(nu - x + 1.5L)));
  const long double xmu = nu - nl;
  const long double xmu2 = xmu * xmu;
  const long double xi = 1 / x;
  const long double xi2 = 2 * xi;
  const long double w = xi2 / kPi;

  // CF1: J'_nu / J_nu, with the sign of J_nu counted through the denominators.
  int isign = 1;
  long double h = std::fmax(nu / x, kFpMin);
  long double b = 0;
  long double d = 0;
  long double c = h;
  int i = 1;
  for (; i <= kMaxIterations; ++i) {
    b = RecurrenceCoefficient(2 * (nu + i), x);  // formed afresh: summed over thousands of steps it drifts
    d = b - d;
    if (std::fabs(d) < kFpMin) d = kFpMin;
    c = b - 1 / c;
    if (std::fabs(c) < kFpMin) c = kFpMin;
    d = 1 / d;
    const long double del = c * d;
    h *= del;
    if (d < 0) isign = -isign;
    if (std::fabs(del - 1) < kEps) break;
  }
  if (i > kMaxIterations) return kErrBesselConvergence;

  long double rjl = isign * kFpMin;
  long double rjpl = h * rjl;
  long double rjl1 = rjl;
  long double rjp1 = rjpl;
  std::int64_t downScale = 0;  // rjl1 and rjp1 are 2^downScale times the values rjl and rjpl began as
  long double fact = RecurrenceCoefficient(nu, x);  // (mu + l)/x, l = nl at the start
  for (int l = nl; l >= 1; --l) {
    const long double rjtemp = fact * rjl + rjpl;
    fact = RecurrenceCoefficient(xmu + (l - 1), x);
    rjpl = fact * rjtemp - rjl;
    rjl = rjtemp;
    // Only ratios matter: scale down before the values overflow (past that every step
    // would work on infinities, slowly, and end in 0/0).
    if (std::fabs(rjl) > kRescaleAbove) RescaleRecurrence(rjl, rjpl, downScale);
  }
  if (rjl == 0) rjl = kEps;
  const long double f = rjpl / rjl;

  // CF2: p + iq = (J' + iY')/(J + iY) at mu, in complex arithmetic.
  long double a = 0.25L - xmu2;
  long double p = -0.5L * xi;
  long double q = 1;
  const long double br = 2 * x;
  long double bi = 2;
  fact = a * xi / (p * p + q * q);
  long double cr = br + q * fact;
  long double ci = bi + p * fact;
  long double den = br * br + bi * bi;
  long double dr = br / den;
  long double di = -bi / den;
  long double dlr = cr * dr - ci * di;
  long double dli = cr * di + ci * dr;
  long double temp = p * dlr - q * dli;
  q = p * dli + q * dlr;
  p = temp;
  for (i = 2; i <= kMaxIterations; ++i) {
    a += 2 * (i - 1);
    bi += 2;
    dr = a * dr + br;
    di = a * di + bi;
    if (std::fabs(dr) + std::fabs(di) < kFpMin) dr = kFpMin;
    fact = a / (cr * cr + ci * ci);
    cr = br + cr * fact;
    ci = bi - ci * fact;
    if (std::fabs(cr) + std::fabs(ci) < kFpMin) cr = kFpMin;
    den = dr * dr + di * di;
    dr /= den;
    di /= -den;
    dlr = cr * dr - ci * di;
    dli = cr * di + ci * dr;
    temp = p * dlr - q * dli;
    q = p * dli + q * dlr;
    p = temp;
    if (std::fabs(dlr - 1) + std::fabs(dli) < kEps) break;
  }
  if (i > kMaxIterations) return kErrBesselConvergence;
  const long double gam = (p - f) / q;
  long double rjmu = std::sqrt(w / ((p - f) * gam + q));
  rjmu = std::copysign(rjmu, rjl);
  const long double rymu = rjmu * gam;
  const long double rymup = rymu * (p + q / gam);
  const long double ry1 = xmu * xi * rymu - rymup;
  const long double scale = rjmu / rjl;
  out.value1 = Scaled(rjl1 * scale, -downScale);
  out.deriv1 = Scaled(rjp1 * scale, -downScale);
  const std::int64_t exponent = UpwardSecondKind(x, nu, xmu, nl, false, rymu, ry1, out);
  out.value2 = Scaled(out.value2, exponent);
  out.deriv2 = Scaled(out.deriv2, exponent);
  return 0;
}

int BesselIK(long double x, long double nu, TBesselSet& out) {
  if (const int bad = CheckArguments(x, nu)) return bad;
  if (x < kTemmeSwitch) return SmallArgument(x, nu, true, out);
  const int nl = static_cast<int>(nu + 0.5L);
  const long double xmu = nu - nl;
  const long double xmu2 = xmu * xmu;
  const long double xi = 1 / x;

  // CF1: I'_nu / I_nu.
  long double h = std::fmax(nu / x, kFpMin);
  long double b = 0;
  long double d = 0;
  long double c = h;
  int i = 1;
  for (; i <= kMaxIterations; ++i) {
    b = RecurrenceCoefficient(2 * (nu + i), x);
    d = 1 / (b + d);
    c = b + 1 / c;
    const long double del = c * d;
    h *= del;
    if (std::fabs(del - 1) < kEps) break;
  }
  if (i > kMaxIterations) return kErrBesselConvergence;

  long double ril = kFpMin;
  long double ripl = h * ril;
  long double ril1 = ril;
  long double rip1 = ripl;
  std::int64_t downScale = 0;  // as in BesselJY
  long double fact = RecurrenceCoefficient(nu, x);  // (mu + l)/x, l = nl at the start
  for (int l = nl; l >= 1; --l) {
    const long double ritemp = fact * ril + ripl;
    fact = RecurrenceCoefficient(xmu + (l - 1), x);
    ripl = fact * ritemp + ril;
    ril = ritemp;
    if (std::fabs(ril) > kRescaleAbove) RescaleRecurrence(ril, ripl, downScale);
  }
  const long double f = ripl / ril;

  // CF2 with Temme's normalisation (Steed's algorithm).
  b = 2 * (1 + x);
  d = 1 / b;
  long double delh = d;
  h = d;
  long double q1 = 0;
  long double q2 = 1;
  const long double a1 = 0.25L - xmu2;
  long double q = a1;
  c = a1;
  long double a = -a1;
  long double s = 1 + q * delh;
  for (i = 2; i <= kMaxIterations; ++i) {
    a -= 2 * (i - 1);
    c = -a * c / i;
    const long double qnew = (q1 - b * q2) / a;
    q1 = q2;
    q2 = qnew;
    q += c * qnew;
    b += 2;
    d = 1 / (b + a * d);
    delh = (b * d - 1) * delh;
    h += delh;
    const long double dels = q * delh;
    s += dels;
    if (std::fabs(dels / s) < kEps) break;
  }
  if (i > kMaxIterations) return kErrBesselConvergence;
  h = a1 * h;
  // K e^x and I e^-x: K alone underflows and I overflows from x = 11357 on, which left
  // the Wronskian 0/0.
  const long double rkmu = std::sqrt(kPi / (2 * x)) / s;
  const long double rk1 = rkmu * (xmu + x + 0.5L - h) * xi;
  const long double rkmup = xmu * xi * rkmu - rk1;
  const long double rimu = xi / (f * rkmu - rkmup);
  out.value1 = BesselTimesExp((rimu * ril1) / ril, x, BesselScaleExponent(-downScale));
  out.deriv1 = BesselTimesExp((rimu * rip1) / ril, x, BesselScaleExponent(-downScale));
  const std::int64_t exponent = UpwardSecondKind(x, nu, xmu, nl, true, rkmu, rk1, out);
  out.value2 = BesselTimesExp(out.value2, -x, BesselScaleExponent(exponent));
  out.deriv2 = BesselTimesExp(out.deriv2, -x, BesselScaleExponent(exponent));
  return 0;
}

long double BuiltinJNU(ExprContext& ctx, const long double* a) {
  return RealOrderValue(ctx, TBesselKind::kJ, a[0], a[1]);
}
long double BuiltinYNU(ExprContext& ctx, const long double* a) {
  return RealOrderValue(ctx, TBesselKind::kY, a[0], a[1]);
}
long double BuiltinINU(ExprContext& ctx, const long double* a) {
  return RealOrderValue(ctx, TBesselKind::kI, a[0], a[1]);
}
long double BuiltinKNU(ExprContext& ctx, const long double* a) {
  return RealOrderValue(ctx, TBesselKind::kK, a[0], a[1]);
}
long double BuiltinDJNU(ExprContext& ctx, const long double* a) {
  return RealOrderDerivative(ctx, TBesselKind::kJ, a[0], a[1]);
}
long double BuiltinDYNU(ExprContext& ctx, const long double* a) {
  return RealOrderDerivative(ctx, TBesselKind::kY, a[0], a[1]);
}
long double BuiltinDINU(ExprContext& ctx, const long double* a) {
  return RealOrderDerivative(ctx, TBesselKind::kI, a[0], a[1]);
}
long double BuiltinDKNU(ExprContext& ctx, const long double* a) {
  return RealOrderDerivative(ctx, TBesselKind::kK, a[0], a[1]);
}
