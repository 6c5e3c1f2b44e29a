#include "expr/calculus_state.h"

#include <algorithm>
#include <memory>

#include "expr/builtins.h"
#include "expr/interpreter.h"
#include "expr/program_slots.h"

TCalculusState& CalculusState(ExprContext& ctx) {
  if (!ctx.calculusState) ctx.calculusState = std::make_shared<TCalculusState>();
  return *static_cast<TCalculusState*>(ctx.calculusState.get());
}

TCalculusErrorScope::TCalculusErrorScope(ExprContext& ctx)
    : ctx_(ctx), code_(ctx.ExprMathError), count_(ctx.ExprErrorCount), list_(ctx.ExprErrorList) {
  ctx.ExprMathError = 0;
  ctx.ExprErrorCount = 0;
}

void TCalculusErrorScope::Finish() {
  const std::array<int, kExprErrorListSize> added = ctx_.ExprErrorList;
  const int addedCount = std::clamp(ctx_.ExprErrorCount, 0, kExprErrorListSize);
  const int kept = std::clamp(count_, 0, kExprErrorListSize);
  const int total = std::min(kept + addedCount, kExprErrorListSize);
  ctx_.ExprErrorList = list_;
  std::copy(added.begin(), added.begin() + (total - kept), ctx_.ExprErrorList.begin() + kept);
  ctx_.ExprErrorCount = total;
  if (ctx_.ExprMathError == 0) ctx_.ExprMathError = code_;
}

bool CalculusBindsDollar(ExprHandler handler) {
  constexpr ExprHandler kBinders[] = {BuiltinAI,  BuiltinAIP, BuiltinQI,  BuiltinQIP,  BuiltinQIN,
                                      BuiltinRI,  BuiltinDQIP, BuiltinSUM, BuiltinPROD, BuiltinSER};
  for (const ExprHandler h : kBinders)
    if (h == handler) return true;
  return false;
}

bool CalculusLineEmpty(const ExprContext& ctx, int line) {
  const TExprSlot* s = ExprSlotAt(10 * ctx.CurrentUdf + line);
  return s == nullptr || s->Empty();
}

namespace {

long double RunLine(ExprContext& ctx, TCalculusState& st) {
  const std::uint64_t events = ctx.ExprErrorEvents;
  const int slot = 10 * ctx.CurrentUdf + st.CalcSubFn;
  const long double v = ExprInterpret(ctx, slot);
  if (ctx.ExprMathError == kErrCalculusNested) st.nestedRefused = true;
  if (v != ExprErrorValue) [[likely]] return v;
  if (!CalculusLineEmpty(ctx, st.CalcSubFn)) FailMissingLineValue(ctx, v, events);
  return 0;
}

}  // namespace

long double SubFnOfDollar(ExprContext& ctx, TCalculusState& st, long double t) {
  ctx.ExprVars.Dollar() = t;
  return RunLine(ctx, st);
}

long double SubFnOfDollar2(ExprContext& ctx, TCalculusState& st, long double s, long double t) {
  ctx.ExprVars.Dollar() = s;
  ctx.ExprVars.Dollar2() = t;
  return RunLine(ctx, st);
}
