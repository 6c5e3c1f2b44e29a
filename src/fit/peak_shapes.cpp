// The peak shapes of the non-linear catalogue (indices 0-71): Gaussian, Lorentzian,
// log-normal, logistic and extreme-value peaks, each of value 1 at its centre, in the twelve
// forms, and the Gaussian/log-normal mixes.
//
// Each shape is F(u) with u = (t - centre)/width (log-normal: u = ln(t/centre)/width) and
// D(u) = -dF/du; the derivatives by the centre and the width follow from D by the chain rule:
// dF/dm = D/w and dF/dw = D u/w (log-normal: u F/(w m) and u² F/w).
#include <cmath>

#include "fit/nonlinear_catalogue.h"
#include "fit/nonlinear_forms.h"

namespace {

using namespace nonlinear_forms;

// A location-scale peak: the unit shape computes F and D at u.
template <class Unit>
struct LocationScale {
  static constexpr int kParams = 2;
  static void Repair(long double* s) { RepairWidth(s[1]); }
  static long double Abscissa(long double t) { return t; }
  static long double Value(long double t, const long double* s, long double* d) {
    const long double u = (t - s[0]) / s[1];
    long double D = 0.0L;
    const long double f = Unit::Eval(u, d ? &D : nullptr);
    if (d) {
      d[0] = D / s[1];
      d[1] = d[0] * u;
    }
    return f;
  }
};

struct GaussUnit {
  static long double Eval(long double u, long double* D) {
    const long double f = std::exp(-u * u * 0.5L);
    if (D) *D = u * f;
    return f;
  }
};

struct LorentzUnit {
  static long double Eval(long double u, long double* D) {
    const long double f = 1.0L / (1.0L + u * u);
    if (D) *D = 2.0L * u * f * f;
    return f;
  }
};

// 4E/(1 + E)² with E = e^-u is even in u; it is formed with E = e^-|u|, which never
// overflows, so a point far on the rising side of a narrow peak gives 0 rather than inf/inf.
struct LogisticUnit {
  static long double Eval(long double u, long double* D) {
    const long double e = std::exp(-std::fabs(u));
    const long double f = 4.0L * e / ((1.0L + e) * (1.0L + e));
    if (D) *D = std::copysign(f * (1.0L - e) / (1.0L + e), u);
    return f;
  }
};

struct ExtremeValueUnit {
  static long double Eval(long double u, long double* D) {
    const long double e = std::exp(-u);
    const long double f = std::exp(1.0L - u - e);
    // Far below the centre e overflows and f is 0; so is its slope (0 times -inf is not).
    if (D) *D = f == 0.0L ? 0.0L : f * (1.0L - e);
    return f;
  }
};

// Log-normal peak exp(-u²/2), u = ln(t/m)/w. In its own block the centre must be positive and
// an abscissa <= 0 is evaluated at 1e-12; in the mixed block only a centre of exactly 0 (or
// not a number) is repaired and the abscissa is used as it is, so a mixed fit over data with
// t <= 0 shows a non-finite z and is rejected by the engine.
template <bool strict>
struct LogNormal {
  static constexpr int kParams = 2;
  static void Repair(long double* s) {
    if constexpr (strict) {
      RepairPositive(s[0]);
    } else {
      if (s[0] == 0.0L || std::isnan(s[0])) s[0] = kRepaired;
    }
    RepairWidth(s[1]);
  }
  static long double Abscissa(long double t) {
    if constexpr (strict) return PositiveAbscissa(t);
    return t;
  }
  static long double Value(long double t, const long double* s, long double* d) {
    const long double u = std::log(t / s[0]) / s[1];
    const long double f = std::exp(-u * u * 0.5L);
    if (d) {
      d[0] = u * f / (s[1] * s[0]);
      d[1] = u * u * f / s[1];
    }
    return f;
  }
};

using Gauss = LocationScale<GaussUnit>;
using Lorentz = LocationScale<LorentzUnit>;
using Logistic = LocationScale<LogisticUnit>;
using ExtremeValue = LocationScale<ExtremeValueUnit>;
using LogNormalPeak = LogNormal<true>;
using LogNormalMixed = LogNormal<false>;

// The mixed block: forms 0, 1, 4, 5, 10 and 11, each with the Gaussian in x and the log-normal
// in y, then the reverse.
constexpr std::array<TNonlinearEvaluator, 12> MixedTable() {
  constexpr auto gl = Forms<Gauss, LogNormalMixed>::Table();
  constexpr auto lg = Forms<LogNormalMixed, Gauss>::Table();
  constexpr int kForms[6] = {0, 1, 4, 5, 10, 11};
  std::array<TNonlinearEvaluator, 12> t{};
  for (int i = 0; i < 6; ++i) {
    t[static_cast<std::size_t>(2 * i)] = gl[static_cast<std::size_t>(kForms[i])];
    t[static_cast<std::size_t>(2 * i + 1)] = lg[static_cast<std::size_t>(kForms[i])];
  }
  return t;
}

}  // namespace

void EvalPeakWithOffset(TNonlinearEvaluator inner, long double x, long double y, long double* a,
                        long double* z, long double* dz) {
  inner(x, y, a + 1, z, dz ? dz + 1 : nullptr);
  *z = a[1] + *z;
  if (dz) dz[1] = 1.0L;
}

constinit const std::array<TNonlinearEvaluator, 72> PeakEvaluators =
    JoinTables(Forms<Gauss, Gauss>::Table(), Forms<Lorentz, Lorentz>::Table(),
         Forms<LogNormalPeak, LogNormalPeak>::Table(), Forms<Logistic, Logistic>::Table(),
         Forms<ExtremeValue, ExtremeValue>::Table(), MixedTable());
