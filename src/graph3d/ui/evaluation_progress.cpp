#include "graph3d/ui/evaluation_progress.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "expr/eval_context.h"
#include "expr/expression.h"
#include "platform/qt/qt_text.h"

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
  // A task of known length shows how far it has come (a calculation's rows); others a
  // bar that only moves.
  const TTaskSteps steps = ctx.taskSteps;
  if (steps.total > 0) {
    constexpr std::int64_t kMost = std::numeric_limits<int>::max();
    const std::int64_t total = std::min(steps.total, kMost);
    const std::int64_t done = std::clamp<std::int64_t>(steps.done, 0, total);
    cancelled_ = !window_.Step(static_cast<int>(done), static_cast<int>(total));
  } else {
    cancelled_ = !window_.Busy();
  }
  ctx.ExprVars = vars;
  ctx.CurrentUdf = udf;
  ctx.ExprResult = result;
  ctx.ExprMathError = code;
  ctx.ExprErrorList = list;
  ctx.ExprErrorCount = count;
  return !cancelled_;
}

TEvaluationTask::TEvaluationTask(QWidget* parent, const QString& caption, const QString& text) {
  if (!ExprThreadContext().goOn) own_.emplace(parent, caption, text);
}

bool TEvaluationTask::Cancelled() const { return ExprThreadContext().stopped; }

std::optional<long double> FormulaFieldValue(const QWidget* owner, const QString& text, int maxChars) {
  const std::string source = platform::qt::ToCp1252(text.left(maxChars));
  if (source.find_first_not_of(" \t") == std::string::npos) return std::nullopt;
  QWidget* window = owner != nullptr ? owner->window() : nullptr;
  const TEvaluationProgress progress(window, window != nullptr ? window->windowTitle() : QString(),
                                     QStringLiteral("Calculation in Progress"));
  const std::optional<long double> v = ExprEntryValue(source);
  if (progress.Cancelled()) return std::nullopt;
  return v;
}
