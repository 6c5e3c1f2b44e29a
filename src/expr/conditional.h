// The conditional "IF"(c, a, b) and the error marks that scope its errors.
//
// The language has no short-cut evaluation: all three arguments are computed before the
// call. An error raised while computing the branch that is not taken must not fail the
// result (IF(X>0, LN(X), 0) at X = -1 is 0), while an error raised by the condition, by
// the branch taken, or anywhere else in the program must still count. So the parser and
// the compiled program record the error state at the two commas of every "IF" call
// (ExprMarkErrors, the instruction kOpErrorMark), and the call undoes exactly what the
// untaken branch added: its codes, its entries in the error list, and the overflow and
// zero-divide flags of the processor that it raised.
#pragma once

#include "expr/eval_context.h"

// Records the error state at the comma after argument n (1: the condition, 2: the first
// branch) of an "IF" call.
void ExprMarkErrors(ExprContext& ctx, int n);
