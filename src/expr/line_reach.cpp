#include "expr/line_reach.h"

#include "expr/expression.h"
#include "expr/program_slots.h"

namespace {

std::uint16_t Reached(const TLineReach& r, int n) {
  std::uint16_t seen = 0;
  std::uint16_t frontier = static_cast<std::uint16_t>(r.plain[n] | r.bound[n]);
  while (frontier != 0) {
    seen |= frontier;
    std::uint16_t next = 0;
    for (int m = 0; m < 10; ++m)
      if (frontier >> m & 1) next |= static_cast<std::uint16_t>(r.plain[m] | r.bound[m]);
    frontier = static_cast<std::uint16_t>(next & ~seen);
  }
  return seen;
}

}  // namespace

TLineReach ProbeFunctionLines(ExprContext& ctx, int udf) {
  TLineReach reach;
  // What the caller reads stays as it was: its result and error cells and its variables
  // (the derivatives and solvers move X, Y and Z).
  const TExprVars vars = ctx.ExprVars;
  const long double result = ctx.ExprResult;
  const int code = ctx.ExprMathError;
  const auto list = ctx.ExprErrorList;
  const int count = ctx.ExprErrorCount;
  const std::uint64_t divFailures = ctx.ExprDivFailures;
  TCurrentUdfScope current(ctx, udf);
  for (int n = 0; n < 10; ++n) {
    const int slot = 10 * udf + n;
    const TExprSlot* s = ExprSlotAt(slot);
    if (s == nullptr || s->Empty()) continue;
    reach.defined[static_cast<std::size_t>(n)] = true;
    TLineProbe probe{10 * udf, ctx.nesting};
    ctx.lineProbe = &probe;
    (void)ExprRunSlot(ctx, slot);  // only the lines it runs are wanted, not its value
    ctx.lineProbe = nullptr;
    reach.plain[static_cast<std::size_t>(n)] = probe.plain;
    reach.bound[static_cast<std::size_t>(n)] = probe.bound;
    reach.binds[static_cast<std::size_t>(n)] = probe.binds;
    ctx.ExprVars = vars;
  }
  ctx.ExprResult = result;
  ctx.ExprMathError = code;
  ctx.ExprErrorList = list;
  ctx.ExprErrorCount = count;
  ctx.ExprDivFailures = divFailures;
  return reach;
}

std::uint16_t LinesReached(const TLineReach& reach, int n) { return n >= 0 && n < 10 ? Reached(reach, n) : 0; }

bool LineReachesItself(const TLineReach& reach, int n) {
  return n >= 0 && n < 10 && (Reached(reach, n) >> n & 1) != 0;
}

bool LineNestsCalculus(const TLineReach& reach, int n) {
  if (n < 0 || n >= 10) return false;
  for (int m = 0; m < 10; ++m) {
    if ((reach.bound[static_cast<std::size_t>(n)] >> m & 1) == 0) continue;
    if (reach.binds[static_cast<std::size_t>(m)]) return true;
    const std::uint16_t further = Reached(reach, m);
    for (int w = 0; w < 10; ++w)
      if ((further >> w & 1) != 0 && reach.binds[static_cast<std::size_t>(w)]) return true;
  }
  return false;
}
