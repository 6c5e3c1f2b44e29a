#include "expr/expression.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <mutex>

#include "expr/bernoulli_numbers.h"
#include "expr/compiler.h"
#include "expr/interpreter.h"
#include "expr/line_reach.h"
#include "expr/math_faults.h"
#include "expr/parser.h"
#include "expr/quadrature_table.h"
#include "expr/program_slots.h"
#include "expr/random_numbers.h"
#include "expr/symbol_table.h"

namespace {

// The exception flags an evaluation reads. Only these are cleared before it: clearing
// the x87 flags means storing and reloading the whole floating-point environment, which
// costs more than a short program, so it is done only when one of them is set.
constexpr int kWatchedFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;

void ClearWatchedFlags() {
  if (std::fetestexcept(kWatchedFlags)) std::feclearexcept(kWatchedFlags);
}

// Points ExprParamArea at a scratch area of this evaluation and restores it afterwards,
// so that nested evaluations on one thread each have their own. Error marks of "IF"
// calls that a failed parse left open are dropped at the end. An evaluation that is not
// part of a running one starts the run guards afresh.
class RunScope {
 public:
  explicit RunScope(ExprContext& ctx)
      : ctx_(ctx), saved_(ctx.ExprParamArea), marks_(ctx.errorMarks.size()) {
    ctx.ExprParamArea = area_;
    if (ctx.evaluations++ == 0 && ctx.nesting == 0) ctx.ResetRunGuards();
  }
  ~RunScope() {
    --ctx_.evaluations;
    ctx_.ExprParamArea = saved_;
    if (ctx_.errorMarks.size() > marks_) ctx_.errorMarks.resize(marks_);
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  ExprContext& ctx_;
  long double* saved_;
  std::size_t marks_;
  long double area_[kExprParamAreaSize] = {};
};

// Reads the exception flags an evaluation left and decides its result.
//
// Two faults of the plain flag rule are mended here. Taking any underflow to mean a
// result of 0 would make A0+A1*EXP(-X^2) far from the peak 0 instead of A0, so underflow
// is ignored (the operations that underflow already give 0 or a tiny number). And the
// invalid flag alone raises no code, which would let a NaN through as a number: a result
// that is not a number, or is infinite, fails with "80x87: Invalid Operand" or
// "80x87: Numeric Overflow".
void FinishEvaluation(ExprContext& ctx) {
  // An aborted evaluation fails with its own code, whatever the built-ins after the abort
  // did with the error cells.
  if (ctx.abortCode != 0 && ctx.ExprMathError != ctx.abortCode) ctx.SetError(ctx.abortCode);
  const int raised = std::fetestexcept(kWatchedFlags);
  if (raised) std::feclearexcept(kWatchedFlags);
  if (raised & FE_DIVBYZERO) {
    ctx.SetError(kErrZeroDivide);
  } else if (raised & FE_OVERFLOW) {
    ctx.SetError(kErrNumericOverflow);
  }
  if (ctx.ExprMathError == 0) {
    if (std::isnan(ctx.ExprResult)) {
      ctx.SetError(kErrInvalidOperand);
    } else if (std::isinf(ctx.ExprResult)) {
      ctx.SetError(kErrNumericOverflow);
    }
  }
  if (ctx.ExprMathError != 0) ctx.ExprResult = ExprErrorValue;
}

// A line of the function being evaluated that reaches itself, directly or through the
// lines installed before it (F1=F1+1, F1=DX(1), F1=AI(1,0,1), F2=F1 after F1=F2, F2=SUM(1,...)
// after F1=AI(2,...)). The test runs of the compile cannot see it: the slot is empty while
// it compiles, and an integral that comes round to itself is ended by the refusal of nested
// calculus built-ins before it does. So the installed lines are probed for the lines they
// run (line_reach.h). Only the function's own ten slots can be reached by a call of line n.
// A line that does is run once, to leave the code it raises whenever it runs (-32 from the
// nesting limit, or -103 where a built-in that binds $ comes round to itself).
bool ReachesItself(int slot) {
  ExprContext& ctx = ExprThreadContext();
  const int first = 10 * ctx.CurrentUdf;
  if (slot < first || slot >= first + 10) return false;
  if (!LineReachesItself(ProbeFunctionLines(ctx, ctx.CurrentUdf), slot - first)) return false;
  (void)ExprRunSlot(ctx, slot);
  return true;
}

}  // namespace

std::recursive_mutex& ExprCompileMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

void ExprStartUp() {
  std::lock_guard lock(ExprCompileMutex());
  // The calling (user-interface) thread's random generator, from the clock in seconds;
  // worker threads start from their own state.
  ExprRandomSeed(static_cast<std::uint64_t>(std::time(nullptr)));
  ExprBuildSymbols();
  ExprSlotsInit();
}

void ExprShutDown() {
  std::lock_guard lock(ExprCompileMutex());
  ExprFreeSymbols();
  BernoulliTableFree();
  FreeQuadOverlay();
  ExprSlotsFreeAll();
}

long double ExprRunSlot(int slot) { return ExprRunSlot(ExprThreadContext(), slot); }

long double ExprRunSlot(ExprContext& ctx, int slot) {
  ClearWatchedFlags();
  ctx.ExprMathError = 0;
  {
    RunScope scope(ctx);
    ctx.ExprResult = ExprInterpret(ctx, slot);
  }
  FinishEvaluation(ctx);
  return ctx.ExprResult;
}

long double ExprParseAndRun(std::string_view text) {
  std::lock_guard lock(ExprCompileMutex());
  if (ExprSymbolCount() == 0) ExprBuildSymbols();
  ExprContext& ctx = ExprThreadContext();
  ClearWatchedFlags();
  ctx.ExprMathError = 0;
  ctx.ExprSyntaxCode = 0;
  ctx.ExprVarsUsed = 0;
  ctx.ExprErrorColumn = 0;
  int failed = 0;
  {
    RunScope scope(ctx);
    failed = ExprParse(ctx, text);
  }
  FinishEvaluation(ctx);
  if (failed) ctx.ExprResult = ExprErrorValue;
  return ctx.ExprResult;
}

std::optional<long double> ExprEntryValue(std::string_view text) {
  if (text.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
  ExprContext& ctx = ExprThreadContext();
  ctx.ClearErrors();
  const long double v = ExprParseAndRun(text);
  const bool clean = ctx.ExprMathError == 0 && ctx.ExprSyntaxCode == 0 && IsUsableValue(v);
  ctx.ClearErrors();
  if (!clean) return std::nullopt;
  return v;
}

int ExprCompileSlot(std::string_view text, int slot) {
  bool reachesItself = false;
  return ExprCompileSlot(text, slot, reachesItself);
}

int ExprCompileSlot(std::string_view text, int slot, bool& reachesItself) {
  reachesItself = false;
  std::lock_guard lock(ExprCompileMutex());
  long double value = 0;
  const int chosen = ExprCompileSlotKept(text, slot, value);
  if (chosen < 0) return 0;
  // A line whose test run failed may have failed for calling itself while it was empty
  // (F1=IMPLICIT(1,0,1,1E-9): an empty line has no root); that is the fault to tell.
  reachesItself = ReachesItself(chosen);
  if (value == ExprErrorValue || reachesItself) {
    ExprSlotFree(chosen);
    return 0;
  }
  return 1;
}

int ExprCompileSlotKept(std::string_view text, int slot, long double& value) {
  std::lock_guard lock(ExprCompileMutex());
  // Two passes over the same text: the first sizes the slot's blocks, the second fills
  // them. The parser computes the value in both, so an assignment in the text runs twice
  // and the second pass compiles the value the first one left.
  value = ExprErrorValue;
  const int chosen = ExprSlotBegin(slot, kModeCount);
  if (chosen < 0) return -1;
  ExprParseAndRun(text);
  ExprSlotEnd();
  if (ExprSlotBegin(chosen, kModeEmit) < 0) return -1;
  value = ExprParseAndRun(text);
  if (ExprSlotEnd() == 0) {
    ExprSlotFree(chosen);
    return -1;
  }
  return chosen;
}

bool ExprSlotReachesItself(int slot) {
  std::lock_guard lock(ExprCompileMutex());
  return ReachesItself(slot);
}

std::string ExprErrorLine(std::string_view text) {
  return ExprErrorLine(text, ExprThreadContext().ExprErrorColumn);
}

std::string ExprErrorLine(std::string_view text, int column) {
  std::string marked;
  if (column < 0) column = 0;
  if (static_cast<std::size_t>(column) >= text.size()) {
    marked.assign(text);
    marked += "| ";
  } else {
    marked.assign(text.substr(0, static_cast<std::size_t>(column)));
    marked += '|';
    marked.append(text.substr(static_cast<std::size_t>(column)));
  }
  if (marked.size() >= 81) {
    marked.insert(79, 1, '\n');
    marked.insert(40, 1, '\n');
  } else if (marked.size() >= 41) {
    marked.insert(40, 1, '\n');
  }
  return marked;
}
