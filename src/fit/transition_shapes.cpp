// The transition shapes of the non-linear catalogue (indices 72-143): six sigmoidal rises from
// 0 to 1 (times the amplitude), each in the twelve forms.
//
//   GCUM    the normal distribution function of (t - b)/c
//   LORCUM  atan((t - b)/c)/π + 1/2
//   LNCUM   the log-normal distribution function with log-standard deviation c whose
//           density has its mode at b
//   SIG     the logistic sigmoid 1/(1 + e^-(t-b)/c)
//   EXVCUM  the Gumbel distribution function e^(-e^-(t-b)/c)
//   LDR     the logistic dose response 1/(1 + (t/b)^-c), with b a scale and c a slope
//
// GCUM takes its lower tail from the complementary error function, so it keeps its digits
// there ((1 + erf u)/2 would cancel to 0 long before the tail is negligible).
#include <cmath>
#include <numbers>

#include "expr/special_functions.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/nonlinear_forms.h"

namespace {

using namespace nonlinear_forms;

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kSqrt2 = std::numbers::sqrt2_v<long double>;
constexpr long double kSqrtPi = 1.772453850905516027298167483341145183L;

// The shapes with a centre and a width (GCUM, LORCUM, SIG, EXVCUM).
struct CentreWidth {
  static constexpr int kParams = 2;
  static void Repair(long double* s) { RepairWidth(s[1]); }
  static long double Abscissa(long double t) { return t; }
};

// Both a positive location or scale and an abscissa moved away from t <= 0 (LNCUM, LDR).
struct PositiveScale {
  static constexpr int kParams = 2;
  static long double Abscissa(long double t) { return PositiveAbscissa(t); }
};

struct Gcum : CentreWidth {
  static long double Value(long double t, const long double* s, long double* d) {
    const long double u = (t - s[0]) / (kSqrt2 * s[1]);
    // Below the centre the lower tail comes from erfc without cancellation; at and above it
    // (1 + erf u)/2, which is exactly 1/2 at the centre.
    const long double f = u < 0.0L ? 0.5L * BuiltinERFC(-u) : 0.5L * (1.0L + BuiltinERF(u));
    if (d) {
      d[0] = -std::exp(-u * u) * kSqrt2 / (2.0L * kSqrtPi * s[1]);
      d[1] = d[0] * u * kSqrt2;
    }
    return f;
  }
};

struct Lorcum : CentreWidth {
  static long double Value(long double t, const long double* s, long double* d) {
    const long double u = (t - s[0]) / s[1];
    if (d) {
      d[0] = -1.0L / ((u * u + 1.0L) * s[1] * kPi);
      d[1] = d[0] * u;
    }
    return std::atan(u) / kPi + 0.5L;
  }
};

struct Lncum : PositiveScale {
  static void Repair(long double* s) {
    RepairPositive(s[0]);
    RepairWidth(s[1]);
  }
  static long double Value(long double t, const long double* s, long double* d) {
    const long double w = std::log(t / s[0]) / (kSqrt2 * s[1]);
    const long double v = s[1] / kSqrt2 - w;
    if (d) {
      d[0] = -0.5L * std::exp(-v * v) * kSqrt2 / (kSqrtPi * s[0] * s[1]);
      d[1] = d[0] * kSqrt2 * s[0] * (s[1] / kSqrt2 + w);
    }
    return 0.5L * BuiltinERFC(v);
  }
};

// q S² = q/(1 + q)², the slope of 1/(1 + q); 0 where q overflowed (the value is then 0 and
// flat, where inf·0 would be undefined).
long double SlopeTerm(long double q, long double S) { return std::isinf(q) ? 0.0L : q * S * S; }

struct Sig : CentreWidth {
  static long double Value(long double t, const long double* s, long double* d) {
    const long double u = (t - s[0]) / s[1];
    const long double q = std::exp(-u);
    const long double S = 1.0L / (1.0L + q);
    if (d) {
      d[0] = -SlopeTerm(q, S) / s[1];
      d[1] = d[0] * u;
    }
    return S;
  }
};

struct Exvcum : CentreWidth {
  static long double Value(long double t, const long double* s, long double* d) {
    const long double u = (t - s[0]) / s[1];
    const long double q = std::exp(-u);
    const long double f = std::exp(-q);
    if (d) {
      d[0] = std::isinf(q) ? 0.0L : -q * f / s[1];
      d[1] = d[0] * u;
    }
    return f;
  }
};

// The scale must be positive; the slope is not guarded.
struct Ldr : PositiveScale {
  static void Repair(long double* s) { RepairPositive(s[0]); }
  static long double Value(long double t, const long double* s, long double* d) {
    const long double L = std::log(t / s[0]);
    const long double q = std::exp(-s[1] * L);
    const long double S = 1.0L / (1.0L + q);
    if (d) {
      const long double slope = SlopeTerm(q, S);
      d[0] = -slope * s[1] / s[0];
      d[1] = slope * L;
    }
    return S;
  }
};

}  // namespace

constinit const std::array<TNonlinearEvaluator, 72> TransitionEvaluators =
    JoinTables(Forms<Gcum, Gcum>::Table(), Forms<Lorcum, Lorcum>::Table(),
               Forms<Lncum, Lncum>::Table(), Forms<Sig, Sig>::Table(),
               Forms<Exvcum, Exvcum>::Table(), Forms<Ldr, Ldr>::Table());
