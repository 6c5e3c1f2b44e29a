// "SUM", "PROD" and "SER": sums and products of line n of the function being evaluated
// over its index variable $, and the open-ended series that stops at a small term.
//
// The terms are counted before any is summed: term k has $ = start + k inc (k inc taken
// away when counting down), and a range that a whole number of steps spans, to the
// rounding of its decimal values, ends on its end. Advancing $ by repeated addition and
// comparing it with the end dropped the last term of many a decimal step: 0 + 0.1 + ... +
// 0.1 passes 1 at the tenth addition, so SUM(1,0,1,0.1) of $ gave 4.5 for 5.5. A step of 0
// or below, and a step too small to change $, never ended that loop; they fail with
// "80x87: Invalid Operand". A sum or product of more than a million terms,
// which would hold the evaluating thread for hours, fails with a message of its own, and
// so does a series that reaches its term limit without meeting its tolerance (a divergent
// one once gave its partial sum there as its value). The codes are raised, not only the
// missing value returned: Z+SUM(1,1,1E18,1) would otherwise give Z - 12345.6789 as a
// number.
#include <cmath>
#include <limits>

#include "expr/builtins.h"
#include "expr/calculus_state.h"
#include "expr/math_faults.h"
#include "numerics/stepped_range.h"

namespace {

constexpr long double kMaxTerms = 1000000;
constexpr int kSeriesMaxTerms = 31999;

// t rounded to a 64-bit double; beyond the double range it stays as it is (no conversion
// to a type that cannot hold it).
long double AsDouble(long double t) {
  if (std::fabs(t) > std::numeric_limits<double>::max()) return t;
  return static_cast<long double>(static_cast<double>(t));
}

// A term that raised an error makes the result missing. Its code stays set, so that the
// evaluation fails with the term's own message instead of computing on with the missing
// value as if it were a number.
long double Finish(ExprContext& ctx, long double s) { return ctx.ExprMathError != 0 ? ExprErrorValue : s; }

long double TooManyTerms(ExprContext& ctx) {
  ctx.SetError(kErrTooManyTerms);
  return ExprErrorValue;
}

long double SumOrProduct(ExprContext& ctx, const long double* a, bool product) {
  return RunCalculusBuiltin(ctx, [&](TCalculusState& st) {
    const int n = CalculusLineNumber(a[0]);
    const long double start = a[1];
    const long double end = a[2];
    const long double inc = a[3];
    if (n < 0 || !(inc > 0) || !std::isfinite(start) || !std::isfinite(end) || !std::isfinite(inc)) {
      return RefuseCalculusArguments(ctx);
    }
    // Counting down when end <= start (one term when they are equal), else up.
    const bool down = end <= start;
    const TSteppedRange terms = SteppedRange(start, down ? -inc : inc, end);
    // No terms for finite arguments and a positive step: a quotient past the long double.
    if (terms.count == 0 || terms.count > kMaxTerms) return TooManyTerms(ctx);
    st.CalcSubFn = n;
    ctx.ExprMathError = 0;
    long double s = product ? 1 : 0;
    long double previous = 0;
    for (long double k = 0; k < terms.count; ++k) {
      const long double d = terms.At(k);
      if (k > 0 && d == previous) return RefuseCalculusArguments(ctx);  // the step does not move $
      previous = d;
      const long double t = SubFnOfDollar(ctx, st, d);
      if (ctx.abortCode != 0) return ExprErrorValue;
      s = product ? s * t : s + t;
    }
    return Finish(ctx, s);
  });
}

}  // namespace

long double BuiltinSUM(ExprContext& ctx, const long double* a) { return SumOrProduct(ctx, a, false); }
long double BuiltinPROD(ExprContext& ctx, const long double* a) { return SumOrProduct(ctx, a, true); }

// SER(n, st, inc, lim): Fn(st) + Fn(st + inc) + ... until a term t has |t| < |s| x lim
// (t compared as a 64-bit double), at most 31,999 terms. The magnitude of the running
// sum s is used: with the signed sum a series whose partial sums are negative never
// stopped early. A series that never met the test fails, unless every term was 0 (an
// empty line, a line that is 0): its sum is 0 to the last term.
long double BuiltinSER(ExprContext& ctx, const long double* a) {
  return RunCalculusBuiltin(ctx, [&](TCalculusState& st) {
    const int n = CalculusLineNumber(a[0]);
    const long double start = a[1];
    const long double inc = a[2];
    const long double lim = a[3];
    if (n < 0 || !(inc > 0) || !std::isfinite(start) || !std::isfinite(inc)) return RefuseCalculusArguments(ctx);
    st.CalcSubFn = n;
    ctx.ExprMathError = 0;
    long double s = 0;
    long double previous = 0;
    bool met = false;
    bool allZero = true;
    for (int k = 0; k < kSeriesMaxTerms && !met; ++k) {
      // $ formed afresh at each term, as in SUM: no drift over thousands of additions.
      const long double d = start + static_cast<long double>(k) * inc;
      if (k > 0 && d == previous) return RefuseCalculusArguments(ctx);  // the step does not move $
      previous = d;
      const long double t = SubFnOfDollar(ctx, st, d);
      if (ctx.abortCode != 0) return ExprErrorValue;
      s += t;
      allZero = allZero && t == 0;
      met = std::fabs(AsDouble(t)) < std::fabs(s) * lim;
    }
    if (!met && !allZero && ctx.ExprMathError == 0) {
      ctx.SetError(kErrSeriesConvergence);
      return ExprErrorValue;
    }
    return Finish(ctx, s);
  });
}
