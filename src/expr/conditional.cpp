#include "expr/conditional.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

#include "expr/builtins.h"
#include "expr/interpreter.h"

namespace {

// The processor flags the evaluation entry points turn into error codes.
constexpr int kBranchFlags = FE_OVERFLOW | FE_DIVBYZERO;

TExprErrorMark PopMark(ExprContext& ctx) {
  const TExprErrorMark mark = ctx.errorMarks.back();
  ctx.errorMarks.pop_back();
  return mark;
}

// The first branch was taken: everything the second branch did to the error state goes.
void ForgetSecondBranch(ExprContext& ctx, const TExprErrorMark& afterFirst) {
  if (ctx.ExprErrorEvents != afterFirst.events) {
    ctx.ExprMathError = afterFirst.mathError;
    ctx.ExprErrorCount = afterFirst.errorCount;
  }
  const int raised = std::fetestexcept(kBranchFlags) & ~afterFirst.fpFlags;
  if (raised) std::feclearexcept(raised);
  if (afterFirst.branchFlags) std::feraiseexcept(afterFirst.branchFlags);
}

// The second branch was taken: the first branch's codes and list entries go (its flags
// were already taken aside at the second mark); the second branch's stay.
void ForgetFirstBranch(ExprContext& ctx, const TExprErrorMark& afterCondition,
                       const TExprErrorMark& afterFirst) {
  if (afterFirst.events == afterCondition.events) return;
  if (ctx.ExprErrorEvents == afterFirst.events) ctx.ExprMathError = afterCondition.mathError;
  const int from = afterCondition.errorCount;
  const int to = afterFirst.errorCount;
  const int end = ctx.ExprErrorCount;
  if (from <= to && to <= end) {
    auto& list = ctx.ExprErrorList;
    std::copy(list.begin() + to, list.begin() + end, list.begin() + from);
    ctx.ExprErrorCount = from + (end - to);
  }
}

}  // namespace

void ExprMarkErrors(ExprContext& ctx, int n) {
  TExprErrorMark mark{ctx.ExprMathError, ctx.ExprErrorCount, ctx.ExprErrorEvents,
                      std::fetestexcept(kBranchFlags), 0};
  if (n == 2 && !ctx.errorMarks.empty()) {
    // Flags raised by the first branch are cleared now and kept in the mark, so that the
    // second branch's own flags can be told apart; the call puts them back if the first
    // branch is the one taken.
    const int raised = mark.fpFlags & ~ctx.errorMarks.back().fpFlags;
    if (raised) {
      std::feclearexcept(raised);
      mark.fpFlags &= ~raised;
      mark.branchFlags = raised;
    }
  }
  ctx.errorMarks.push_back(mark);
}

// A NaN condition has no truth value: the second argument is given and the statement
// fails with "80x87: Invalid Operand", whatever the branches did. Called without its two
// marks (not through the parser or a compiled program) it forgets nothing.
long double BuiltinIF(ExprContext& ctx, const long double* a) {
  const bool undefined = std::isnan(a[0]);
  const bool first = a[0] != 0 && !undefined;
  const long double result = first ? a[1] : a[2];
  if (ctx.errorMarks.size() >= 2) {
    const TExprErrorMark afterFirst = PopMark(ctx);
    const TExprErrorMark afterCondition = PopMark(ctx);
    if (first) {
      ForgetSecondBranch(ctx, afterFirst);
    } else {
      ForgetFirstBranch(ctx, afterCondition, afterFirst);
    }
  }
  if (undefined) ctx.SetError(kErrInvalidOperand);
  return result;
}
