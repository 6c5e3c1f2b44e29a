#include "expr/line_test_order.h"

#include <mutex>

#include "expr/compiler.h"
#include "expr/expression.h"
#include "expr/function_text_lines.h"
#include "expr/line_reach.h"
#include "expr/program_slots.h"

TLineTestOrder::TLineTestOrder(int udf, const std::vector<std::string_view>& lines)
    : udf_(udf), number_(lines.size(), -1), below_(lines.size(), 0) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TUdfLine line = ClassifyUdfLine(lines[i]);
    if (line.kind == UdfLineKind::kValue) number_[i] = 0;
    if (line.kind == UdfLineKind::kSubFunction) number_[i] = line.sub;
  }
  std::uint16_t below = 0;
  for (std::size_t i = lines.size(); i-- > 0;) {
    below_[i] = below;
    if (number_[i] >= 0) below |= static_cast<std::uint16_t>(1u << number_[i]);
  }
}

bool TLineTestOrder::MayWait(int i) const {
  return i >= 0 && static_cast<std::size_t>(i) < below_.size() && (below_[static_cast<std::size_t>(i)] | waits_) != 0;
}

bool TLineTestOrder::Waits(int i, const TExprVars& vars) {
  if (!MayWait(i)) return false;
  const int n = number_[static_cast<std::size_t>(i)];
  if (n < 0) return false;
  TLineReach reach;
  {
    std::lock_guard lock(ExprCompileMutex());
    reach = ProbeFunctionLines(ExprThreadContext(), udf_);
  }
  if (LineReachesItself(reach, n)) return false;
  if ((LinesReached(reach, n) & (below_[static_cast<std::size_t>(i)] | waits_)) == 0) return false;
  waits_ |= static_cast<std::uint16_t>(1u << n);
  waiting_.push_back({i, vars});
  return true;
}

bool TLineTestOrder::CompileIfWaiting(int i, std::string_view expression, int slot, std::uint32_t& used) {
  if (!MayWait(i)) return false;
  ExprContext& ctx = ExprThreadContext();
  const TExprVars vars = ctx.ExprVars;
  long double value = 0;
  // A text that gives no program leaves the slot empty: the test where it stands tells why.
  const bool compiled = ExprCompileSlotKept(expression, slot, value) >= 0;
  const std::uint32_t read = ctx.ExprVarsUsed;
  const bool waits = compiled && Waits(i, vars);
  if (waits) {
    used |= read;
  } else {
    ExprSlotFree(slot);
  }
  ctx.ExprVars = vars;
  ctx.ClearErrors();
  return waits;
}
