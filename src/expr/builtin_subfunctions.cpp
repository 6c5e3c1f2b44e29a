// F1..F9 and #F1..#F9: line n of the function being evaluated, that is slot
// 10 x CurrentUdf + n (the view function runs with CurrentUdf 16, slots 161..169).
#include <cmath>
#include <cstdint>

#include "expr/builtins.h"
#include "expr/calculus_state.h"
#include "expr/eval_context.h"
#include "expr/interpreter.h"

namespace {

// An empty line counts as 0 in the calling expression. A line that fails gives 0 too,
// with an error code that fails the whole evaluation: its own, kErrLineUndefined for the
// missing value without one (DATAERR), "80x87: Invalid Operand" for a NaN; both of these
// once passed as 0.
template <int n>
long double SubFunction(ExprContext& ctx, const long double*) {
  const std::uint64_t events = ctx.ExprErrorEvents;
  const long double v = ExprInterpret(ctx, 10 * ctx.CurrentUdf + n);
  if (v != ExprErrorValue && !std::isnan(v)) [[likely]] return v;
  if (std::isnan(v)) {
    ctx.SetError(kErrInvalidOperand);
  } else if (!CalculusLineEmpty(ctx, n)) {
    FailMissingLineValue(ctx, v, events);
  }
  return 0;
}

}  // namespace

long double BuiltinF1(ExprContext& ctx, const long double* a) { return SubFunction<1>(ctx, a); }
long double BuiltinF2(ExprContext& ctx, const long double* a) { return SubFunction<2>(ctx, a); }
long double BuiltinF3(ExprContext& ctx, const long double* a) { return SubFunction<3>(ctx, a); }
long double BuiltinF4(ExprContext& ctx, const long double* a) { return SubFunction<4>(ctx, a); }
long double BuiltinF5(ExprContext& ctx, const long double* a) { return SubFunction<5>(ctx, a); }
long double BuiltinF6(ExprContext& ctx, const long double* a) { return SubFunction<6>(ctx, a); }
long double BuiltinF7(ExprContext& ctx, const long double* a) { return SubFunction<7>(ctx, a); }
long double BuiltinF8(ExprContext& ctx, const long double* a) { return SubFunction<8>(ctx, a); }
long double BuiltinF9(ExprContext& ctx, const long double* a) { return SubFunction<9>(ctx, a); }

int SubFunctionLine(ExprHandler handler) {
  constexpr ExprHandler kLines[] = {BuiltinF1, BuiltinF2, BuiltinF3, BuiltinF4, BuiltinF5,
                                    BuiltinF6, BuiltinF7, BuiltinF8, BuiltinF9};
  for (int n = 1; n <= 9; ++n) {
    if (kLines[n - 1] == handler) return n;
  }
  return 0;
}
