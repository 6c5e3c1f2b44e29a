// "AI", "AIP", "QI", "QIP", "QIN", "RI" and "DQIP": integrals of line n of the function
// being evaluated over its variable $ (and $$ for the double integral), through the
// engines of integration.h with the thread's integral record.
#include <cmath>

#include "expr/builtins.h"
#include "expr/calculus_state.h"
#include "expr/integration_pieces.h"

namespace {

// Tolerance of the built-ins without a precision argument (a double, as the language's
// other constants).
constexpr long double kDefaultTolerance = 1e-8;

// engine(ctx, record, f, start, end, tol) over [a1, a2] of line a0.
template <typename Engine>
long double SingleIntegral(ExprContext& ctx, const long double* a, Engine engine, long double tol) {
  return RunCalculusBuiltin(ctx, [&](TCalculusState& st) {
    const int n = CalculusLineNumber(a[0]);
    const long double start = a[1];
    const long double end = a[2];
    if (n < 0 || !(end >= start)) return RefuseCalculusArguments(ctx);
    st.CalcSubFn = n;
    // An empty range, or a line that is empty (0 everywhere), integrates to 0.
    if (end == start || CalculusLineEmpty(ctx, n)) {
      st.IntegRecord.IntegErrorEstimate = 0;
      return 0.0L;
    }
    return engine(ctx, st.IntegRecord, [&](long double t) { return SubFnOfDollar(ctx, st, t); }, start, end, tol);
  });
}

}  // namespace

long double BuiltinAI(ExprContext& ctx, const long double* a) {
  return SingleIntegral(ctx, a, IntegrateAuto, kDefaultTolerance);
}
long double BuiltinAIP(ExprContext& ctx, const long double* a) { return SingleIntegral(ctx, a, IntegrateAuto, a[3]); }
long double BuiltinQI(ExprContext& ctx, const long double* a) {
  return SingleIntegral(ctx, a, IntegrateGauss, kDefaultTolerance);
}
long double BuiltinQIP(ExprContext& ctx, const long double* a) { return SingleIntegral(ctx, a, IntegrateGauss, a[3]); }
long double BuiltinRI(ExprContext& ctx, const long double* a) {
  return SingleIntegral(ctx, a, IntegrateRomberg, kDefaultTolerance);
}

// The order is made even (an odd one goes up by 1) and kept within 2..128; a NaN order
// takes the 2-point rule.
//
// The fixed rule has no error control, and its sum over an integrand odd about the middle
// of the range is exactly 0 from values that cancel, whether or not the integral exists
// (1/x over [-1, 1] gave 0). Such a zero stands once the integral over the upper half is
// found to exist by the order-doubling rule; otherwise the integral fails.
long double BuiltinQIN(ExprContext& ctx, const long double* a) {
  const long double order = a[3];
  int n = 2;
  if (order > 128) {
    n = 128;
  } else if (order >= 2) {
    n = static_cast<int>(order);
    n += n % 2;
  }
  return SingleIntegral(
      ctx, a,
      [n](ExprContext& c, TIntegRecord& rec, TIntegrand f, long double lo, long double hi, long double) {
        bool anyValue = false;
        const auto tracked = [&](long double t) {
          const long double v = f(t);
          anyValue = anyValue || v != 0;
          return v;
        };
        const long double r = IntegrateGaussN(c, tracked, lo, hi, n);
        if (r != 0 || !anyValue) return r;
        const long double middle = lo / 2 + hi / 2;
        if (UpperHalfExists(rec, [&] { return IntegrateGauss(c, rec, f, middle, hi, kDefaultTolerance); })) return r;
        c.SetError(kErrIntegralConvergence);
        return ExprErrorValue;
      },
      0);
}

// DQIP(n, ost, oend, ist, iend, prec): $ runs over [ost, oend] (outer), $$ over
// [ist, iend] (inner).
long double BuiltinDQIP(ExprContext& ctx, const long double* a) {
  return RunCalculusBuiltin(ctx, [&](TCalculusState& st) {
    const int n = CalculusLineNumber(a[0]);
    const long double ost = a[1];
    const long double oend = a[2];
    const long double ist = a[3];
    const long double iend = a[4];
    if (n < 0 || !(oend >= ost) || !(iend >= ist)) return RefuseCalculusArguments(ctx);
    st.CalcSubFn = n;
    if (ost == oend || ist == iend || CalculusLineEmpty(ctx, n)) {
      st.IntegRecord.IntegErrorEstimate = 0;
      return 0.0L;
    }
    long double errOut = 0;
    return IntegrateDoubleConfirmed(
        ctx, st.IntegRecord, [&](long double s, long double t) { return SubFnOfDollar2(ctx, st, s, t); }, ost, oend,
        ist, iend, a[5], &errOut);
  });
}
