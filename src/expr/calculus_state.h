// The state of the calculation language's calculus built-ins, one per thread (kept in
// ExprContext::calculusState): the integral record of the running built-in, the number of
// the line it evaluates, and whether one is running.
//
// The built-ins that bind the variable $ (the integrals, "SUM", "PROD", "SER") evaluate
// a line of the function with $ (and $$) set to their own variable, and their record and
// line number are single cells: one of them called from inside the line another one is
// evaluating would overwrite the outer one's $, record and line. So a nested call is
// refused: it raises -103 and gives the missing value without touching the outer one's
// state. When the refusal reaches the outer built-in through its integrand (its code was
// not forgotten by an "IF" branch not taken), the outer one ends with the missing value
// and -103 too, whatever its engine made of the failing point. The derivatives and the implicit solvers move X,
// Y or Z, restore or own them, and use no record: they may be nested freely.
#pragma once

#include <array>
#include <cstdint>

#include "app/long_double.h"
#include "expr/eval_context.h"
#include "expr/integration.h"
#include "expr/math_faults.h"

// Failures of the calculus built-ins themselves; each fails the statement, so that no
// missing value reaches the expression around the call as a number.
inline constexpr int kErrCalculusNested = -103;     // "Calculus Functions Cannot Be Nested"
inline constexpr int kErrTooManyTerms = -105;       // a sum or product of more than a million terms
inline constexpr int kErrSeriesConvergence = -106;  // a series that never met its tolerance
inline constexpr int kErrNoRoot = -107;             // "IMPLICIT", "IMPLICIT_" found no root
inline constexpr int kErrLineUndefined = -110;      // a line gave the missing value and no code

struct TCalculusState {
  TIntegRecord IntegRecord;
  int CalcSubFn = 0;         // line n of the running built-in (slot 10 x CurrentUdf + n)
  bool running = false;      // a built-in that binds $ runs on this thread
  bool nestedRefused = false;
};

// The calling thread's state (created in the context on first use).
TCalculusState& CalculusState(ExprContext& ctx);

// The line number argument n truncated toward zero, or -1 outside 0..9 (a NaN included).
inline int CalculusLineNumber(long double n) { return n > -1 && n < 10 ? static_cast<int>(n) : -1; }

// Is `handler` one of the built-ins that bind $ (the integrals, "SUM", "PROD", "SER")?
bool CalculusBindsDollar(ExprHandler handler);

// Is line n of the function being evaluated empty? An empty line counts as 0.
bool CalculusLineEmpty(const ExprContext& ctx, int line);

// A value of a line, run by a calculus built-in, that is the missing value although the
// run recorded no error (DATAERR, or an "IF" that gives it) has no value at that point:
// it fails the built-in with kErrLineUndefined instead of counting as a number (a line
// giving DATAERR above 0.7 once counted as 0 in SUM and the integrals, and as a difference
// of -12345.6789 in "DX"). `eventsBefore` is ExprErrorEvents before the run: a code that
// stood before it, or that the run raised and an "IF" of the line forgot, is not the
// line's failure.
inline void FailMissingLineValue(ExprContext& ctx, long double v, std::uint64_t eventsBefore) {
  if (v == ExprErrorValue && (ctx.ExprMathError == 0 || ctx.ExprErrorEvents == eventsBefore))
    ctx.SetError(kErrLineUndefined);
}

// Arguments a built-in that binds $ cannot run with (a line outside 0..9, a reversed range,
// a step that does not move $): the statement fails with Invalid Operand, so that the
// missing value never reaches the expression around it as a number.
inline long double RefuseCalculusArguments(ExprContext& ctx) {
  ctx.SetError(kErrInvalidOperand);
  return ExprErrorValue;
}

// Runs `body` as a built-in that binds $: refuses a nested call, and keeps the error code
// and error list entries that the expression raised before the call (the engines clear
// the error cells as they go, which would otherwise let an earlier failure, LN(0) in
// LN(0)+QI(1,0,1), pass as a success).
template <typename Body>
long double RunCalculusBuiltin(ExprContext& ctx, Body body);

// The integrands of the built-ins: $ = t (and $$ = t2), then line CalcSubFn of the
// function being evaluated. An empty line gives 0; a missing value gives 0 with an error
// code left for the caller (the line's own, or kErrLineUndefined). A refused nested call
// met here is remembered for the outer built-in.
long double SubFnOfDollar(ExprContext& ctx, TCalculusState& st, long double t);
long double SubFnOfDollar2(ExprContext& ctx, TCalculusState& st, long double s, long double t);

// ---------------------------------------------------------------------------------------

class TCalculusErrorScope {
 public:
  explicit TCalculusErrorScope(ExprContext& ctx);
  // Puts the earlier entries back in front of those the built-in left, and the earlier
  // code back when the built-in left none.
  void Finish();

 private:
  ExprContext& ctx_;
  int code_;
  int count_;
  std::array<int, kExprErrorListSize> list_;
};

template <typename Body>
long double RunCalculusBuiltin(ExprContext& ctx, Body body) {
  TCalculusState& st = CalculusState(ctx);
  if (st.running) {
    ctx.SetError(kErrCalculusNested);
    return ExprErrorValue;
  }
  TCalculusErrorScope errors(ctx);
  st.running = true;
  st.nestedRefused = false;
  long double result = body(st);
  st.running = false;
  if (st.nestedRefused) {
    st.nestedRefused = false;
    ctx.SetError(kErrCalculusNested);
    result = ExprErrorValue;
  }
  errors.Finish();
  return result;
}
