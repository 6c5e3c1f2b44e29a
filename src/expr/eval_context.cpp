#include "expr/eval_context.h"

#include <algorithm>

bool ExprContext::ErrorListed(int code) const {
  const auto end = ExprErrorList.begin() + ExprErrorCount;
  return std::find(ExprErrorList.begin(), end, code) != end;
}

ExprContext& ExprThreadContext() {
  thread_local ExprContext context;
  return context;
}

void ExprSetError(int code) { ExprThreadContext().SetError(code); }

void ExprClearErrors() { ExprThreadContext().ClearErrors(); }

int ExprErrorListed(int code) { return ExprThreadContext().ErrorListed(code) ? 1 : 0; }
