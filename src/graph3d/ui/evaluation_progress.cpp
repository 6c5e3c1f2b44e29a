#include "graph3d/ui/evaluation_progress.h"

#include "expr/eval_context.h"

TEvaluationProgress::TEvaluationProgress(QWidget* parent, const QString& caption, const QString& text)
    : window_(parent, caption, text), stop_(ExprThreadContext(), [this] { return GoOn(); }) {}

bool TEvaluationProgress::GoOn() {
  if (cancelled_) return false;
  ExprContext& ctx = ExprThreadContext();
  const TExprVars vars = ctx.ExprVars;
  const int udf = ctx.CurrentUdf;
  const long double result = ctx.ExprResult;
  const int code = ctx.ExprMathError;
  const auto list = ctx.ExprErrorList;
  const int count = ctx.ExprErrorCount;
  cancelled_ = !window_.Busy();
  ctx.ExprVars = vars;
  ctx.CurrentUdf = udf;
  ctx.ExprResult = result;
  ctx.ExprMathError = code;
  ctx.ExprErrorList = list;
  ctx.ExprErrorCount = count;
  return !cancelled_;
}
