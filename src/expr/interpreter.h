// The interpreter of compiled program slots and the operations it shares with the
// parser's interpret mode.
#pragma once

#include <cmath>

#include "app/long_double.h"
#include "expr/eval_context.h"
#include "expr/expr_types.h"
#include "expr/math_faults.h"

// Error codes raised by the operations themselves.
enum ExprOperationError : int {
  kErrDivisionByZero = -1,
  kErrFactorialNegative = -8,
  kErrFactorialNonInteger = -9,
  kErrFactorialOverflow = -10,
  // A run nested too deeply or without end: a line that reaches itself through F1..F9 or
  // a calculus built-in, directly or in a cycle, or an evaluation past its budget of slot
  // runs (see ExprContext's run guards).
  kErrInsufficientMemory = -32,
  // A data statistic the data leave undefined: every statistic without an active point,
  // the weighted ones (means, deviations, the values at the nine positions) with fewer than
  // 3 active points or weights that sum to 0, and the deviations XSTD, YSTD and ZSTD where
  // the weights sum to 1 or less.
  kErrStatisticUndefined = -111,
};

// A data statistic as an operand. An undefined one holds the missing value, which used
// as a number gave Z - 12345.68 for Z+ZSTD on light weights; it fails the statement.
inline long double ExprCheckedStatistic(ExprContext& ctx, long double v) {
  if (v == ExprErrorValue) [[unlikely]]
    ctx.SetError(kErrStatisticUndefined);
  return v;
}

// Runs slot 0..179 and returns its value: the missing value for a slot number out of
// range, an empty slot, or a run the guards refuse or an aborted evaluation (-32). Does not touch the floating-point status or clear
// ExprMathError; ExprRunSlot wraps it with both.
long double ExprInterpret(ExprContext& ctx, int slot);
long double ExprInterpret(int slot);

// The language's division: a zero or undefined divisor records "Division by Zero",
// counts the failure in ExprDivFailures and gives 0.
inline long double ExprSafeDivide(ExprContext& ctx, long double a, long double b) {
  if (b == 0 || std::isnan(b)) {
    ctx.SetError(kErrDivisionByZero);
    ++ctx.ExprDivFailures;
    return 0;
  }
  return a / b;
}
long double ExprSafeDivide(long double a, long double b);

// Arguments a1..an of the call instruction `call` (opcode 65 + n) from its own
// destination and the argument carriers before it.
void ExprGatherArguments(const TExprInstr* call, int n, const long double* T, long double* a);

long double ExprFactorial(ExprContext& ctx, long double x);
long double ExprFactorial(long double x);

inline long double ExprTruth(bool b) { return b ? 1.0L : 0.0L; }

// A NaN (INF-INF, 0*INF) has no truth value: a relation or a logical operation on one, and
// an "IF" whose condition is one, fails with "80x87: Invalid Operand" (the processor's
// unordered compare once made (INF-INF)>0 true and let the statement pass). The value
// given is 0; the code fails the statement.
inline bool ExprIsNaNOperand(ExprContext& ctx, long double v) {
  if (!std::isnan(v)) [[likely]] return false;
  ctx.SetError(kErrInvalidOperand);
  return true;
}
inline long double ExprRelation(ExprContext& ctx, int opcode, long double d, long double s) {
  if (ExprIsNaNOperand(ctx, d) | ExprIsNaNOperand(ctx, s)) return 0;
  switch (opcode) {
    case kOpLess: return ExprTruth(d < s);
    case kOpGreater: return ExprTruth(d > s);
    case kOpEqual: return ExprTruth(d == s);
    case kOpNotEqual: return ExprTruth(d != s);
    case kOpLessEqual: return ExprTruth(d <= s);
    default: return ExprTruth(d >= s);  // kOpGreaterEqual
  }
}

inline long double ExprLogical(ExprContext& ctx, int opcode, long double d, long double s) {
  if (ExprIsNaNOperand(ctx, d) | ExprIsNaNOperand(ctx, s)) return 0;
  return opcode == kOpAnd ? ExprTruth(d != 0 && s != 0) : ExprTruth(d != 0 || s != 0);
}

// d op s for the binary opcodes 1..16 (d is the left operand).
inline long double ExprApplyBinary(ExprContext& ctx, int opcode, long double d, long double s) {
  switch (opcode) {
    case kOpAdd: return d + s;
    case kOpSubtract: return d - s;
    case kOpAnd: return ExprLogical(ctx, opcode, d, s);
    case kOpMultiply: return s * d;
    case kOpDivide: return ExprSafeDivide(ctx, d, s);
    case kOpOr: return ExprLogical(ctx, opcode, d, s);
    case kOpPower: return ExprMathPow(ctx, d, s);
    case kOpModulo: return ExprMathFmod(ctx, d, s);
    default: return ExprRelation(ctx, opcode, d, s);
  }
}
