// The exponential and power shapes of the non-linear catalogue (indices 144-167), each in the
// twelve forms, and the plane of the four robust entries 168-171.
//
//   EXP  F(t; A, b) = A e^(-t/b): amplitude A at t = 0, decay length b (negative: growth)
//   POW  F(t; A, b) = A t^b, formed as A e^(b ln t); ln t is the point's own (see
//        nonlinear_forms.h), so the power fits read it from their table
#include <cmath>

#include "fit/nonlinear_catalogue.h"
#include "fit/nonlinear_forms.h"

namespace {

using namespace nonlinear_forms;

// A decay length of exactly 0 (or not a number) becomes 1e-12 in the caller's vector.
struct Exponential {
  static constexpr int kParams = 1;
  static void Repair(long double* s) { RepairWidth(s[0]); }
  static long double Abscissa(long double t) { return t; }
  static long double Value(long double t, const long double* s, long double* d) {
    const long double e = std::exp(-t / s[0]);
    if (d) d[0] = t * e / (s[0] * s[0]);
    return e;
  }
};

// The exponent is not guarded; an abscissa <= 0 is evaluated at 1e-12 (the language's POWX
// gives 0 there instead).
struct Power {
  static constexpr int kParams = 1;
  static constexpr bool kReadsLog = true;
  static void Repair(long double*) {}
  static long double Value(long double lt, const long double* s, long double* d) {
    const long double p = std::exp(s[0] * lt);
    if (d) d[0] = lt * p;
    return p;
  }
};

}  // namespace

constinit const std::array<TNonlinearEvaluator, 24> ExponentialPowerEvaluators =
    JoinTables(Forms<Exponential, Exponential>::Table(), Forms<Power, Power>::Table());
constinit const std::array<TNonlinearPointEvaluator, 12> PowerPointEvaluators =
    Forms<Power, Power>::PointTable();

void EvalRobustPlane(long double x, long double y, long double* a, long double* z,
                     long double* dz) {
  *z = a[1] + a[2] * x + a[3] * y;
  if (!dz) return;
  dz[1] = 1.0L;
  dz[2] = x;
  dz[3] = y;
}
