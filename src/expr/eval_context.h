// The run-time cells of the calculation language, one set per thread.
//
// The language was designed with one process-wide set of variables, result cell, error
// code and work areas, shared by the user-interface thread, the fit worker, the background
// fit and the review's render thread. Two threads evaluating at once would then write the
// same cells, so every thread gets its own ExprContext here. Compiled program slots stay
// shared and read-only while they run (their operands are indices into these cells).
// Compiling (which writes slots and user variables) runs on one thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "expr/expr_types.h"

// Indices of the variable cells X, Y, Z, W, A0..A9, $ and $$.
enum ExprVarIndex : std::uint32_t {
  kVarX = 0,
  kVarY = 1,
  kVarZ = 2,
  kVarW = 3,
  kVarA0 = 4,  // A0..A9 are 4..13
  kVarDollar = 14,
  kVarDollar2 = 15,
  kExprVarCount = 16,
};

struct TExprVars {
  std::array<long double, kExprVarCount> cell{};

  long double& X() { return cell[kVarX]; }
  long double& Y() { return cell[kVarY]; }
  long double& Z() { return cell[kVarZ]; }
  long double& W() { return cell[kVarW]; }
  long double& A(int i) { return cell[kVarA0 + static_cast<std::uint32_t>(i)]; }
  long double& Dollar() { return cell[kVarDollar]; }
  long double& Dollar2() { return cell[kVarDollar2]; }
};

// State of one compile (modes: 0 interpret only, 1 count, 2 emit). The emitting pass
// collects the program here and installs it in the slot only when it is complete, so a
// slot is never seen half-built.
struct TExprCompileState {
  int slot = -1;
  int mode = 0;
  std::uint32_t instrCount = 0;
  std::uint32_t constCount = 0;
  int tempTop = -1;
  int deepestTemp = -1;
  // Emitting pass only: sizes counted by the first pass, and the program being built.
  std::uint32_t countedInstrs = 0;
  std::uint32_t countedConsts = 0;
  int countedDeepest = -1;
  bool overrun = false;  // the emitting pass produced more than the counting pass sized
  std::vector<TExprInstr> code;
  std::vector<long double> constants;
};

inline constexpr int kExprErrorListSize = 10;
// "Calculation Cancelled": the user stopped the evaluation.
inline constexpr int kErrEvaluationCancelled = -104;
inline constexpr int kExprParamAreaSize = 8;

// Steps of a task of known length; a total of 0: the length is not known.
struct TTaskSteps {
  std::int64_t done = 0;
  std::int64_t total = 0;
};

// The error state at a comma between the arguments of "IF" (after the condition, after
// the first branch), so that "IF" can forget what its untaken branch raised.
struct TExprErrorMark {
  int mathError = 0;
  int errorCount = 0;
  std::uint64_t events = 0;  // ExprErrorEvents at the mark
  int fpFlags = 0;           // overflow and zero-divide flags standing at the mark
  int branchFlags = 0;       // flags the first branch raised, taken aside at the second mark
};

// A line being probed (line_reach.h): the lines of its function that it runs are recorded
// here instead of run.
struct TLineProbe {
  int firstSlot = 0;        // slot of the function's line 0
  int nesting = 0;          // the nesting of the probed line's own run
  std::uint16_t plain = 0;  // bit n: line n run by a call of Fn, a derivative, a solver
  std::uint16_t bound = 0;  // bit n: line n run by a built-in that binds $
  bool binds = false;       // the probed line calls a built-in that binds $
};

struct ExprContext {
  TExprVars ExprVars;
  long double ExprResult = 0;
  int ExprMathError = 0;
  std::array<int, kExprErrorListSize> ExprErrorList{};
  int ExprErrorCount = 0;
  int ExprSyntaxCode = 0;
  int ExprErrorColumn = 0;
  std::uint32_t ExprVarsUsed = 0;
  int CurrentUdf = 0;
  // Work area of the peak built-ins (they store their arguments there); points at a
  // scratch area of the running ExprRunSlot or ExprParseAndRun, null between runs.
  long double* ExprParamArea = nullptr;
  std::uint64_t ExprDivFailures = 0;
  // Counts every SetError and ClearErrors, so that a caller can tell whether the error
  // state changed over a computation even when the same code was raised again.
  std::uint64_t ExprErrorEvents = 0;
  // Marks of the "IF" calls whose arguments are being computed (see conditional.h).
  std::vector<TExprErrorMark> errorMarks;
  // The point-index cell that "INDEX" reads: the row being computed by a data calculation
  // or a grid-editor cell, 0 elsewhere.
  long double ExprPointIndex = 0;

  TExprCompileState compile;

  // Set while a line is probed for the lines it runs (line_reach.h).
  TLineProbe* lineProbe = nullptr;

  // State that later built-ins keep per thread (the integral record of the calculus
  // built-ins); created by them on first use and freed with the context.
  std::shared_ptr<void> calculusState;

  // ExprSetError: records the code and appends it to ExprErrorList while there is room.
  void SetError(int code) {
    ++ExprErrorEvents;
    ExprMathError = code;
    if (ExprErrorCount < kExprErrorListSize) ExprErrorList[static_cast<std::size_t>(ExprErrorCount++)] = code;
  }
  void ClearErrors() {
    ++ExprErrorEvents;
    ExprErrorCount = 0;
    ExprMathError = 0;
  }
  bool ErrorListed(int code) const;

  // Temporaries of the running programs. Each run of a slot takes its own block from
  // this per-thread stack and gives it back when it ends, so nested runs (a sub-function
  // call inside a slot, a calculus built-in running a line) never share cells.
  static constexpr int kMaxNesting = 32;
  static constexpr std::size_t kTempCapacity = 8192;
  std::vector<long double> tempStack;
  std::size_t tempTop = 0;
  int nesting = 0;

  // Guards of one evaluation (one ExprRunSlot or ExprParseAndRun with everything it runs)
  // against work without end. Lines may call each other, and calculus built-ins run lines
  // many times, so a line that reaches itself (F1=F1+F1, F1=DX(1), a cycle through other
  // lines) multiplies its calls at every level, and lines that fan out or nest sums
  // multiply their counts. A run past the nesting limit (only a line that reaches itself
  // gets there) or past the budget of slot runs aborts the evaluation: the code is raised
  // once and every later slot run of the same evaluation returns at once, whatever error
  // handling ("IF", the engines) makes of the codes in between. The entry points raise
  // the code again at the end.
  static constexpr std::uint64_t kSlotRunBudget = 10'000'000;
  std::uint64_t slotRunsLeft = kSlotRunBudget;
  int abortCode = 0;    // non-zero once the evaluation has been aborted
  int evaluations = 0;  // entry points running on this thread (they nest: a compile's test runs)

  // The user's way out of a long evaluation (TEvaluationStopScope, evaluation_stop.h):
  // when set, asked every kRunsBetweenAsks slot runs, which are the evaluation's safe
  // points (each term of "SUM", "PROD" and "SER" and each value of an integral runs a
  // line); false aborts the evaluation with kErrEvaluationCancelled.
  static constexpr std::uint32_t kRunsBetweenAsks = 256;
  std::function<bool()> goOn;
  std::uint32_t runsSinceAsked = 0;
  // Set when the question said no, and kept while it stands: a task of many evaluations
  // (a check that runs a text several times, the point loop of a fit) tells from it that
  // it was stopped, whichever of its evaluations the no met.
  bool stopped = false;
  // How far the task under the question has come, for the question to show (a
  // calculation: the rows computed of all it computes); kept with the question.
  TTaskSteps taskSteps;

  // Starts the guards afresh for an evaluation that is not part of a running one.
  void ResetRunGuards() {
    slotRunsLeft = kSlotRunBudget;
    abortCode = 0;
  }
  // Aborts the running evaluation with `code` (once: a later call keeps the first code).
  void AbortRun(int code) {
    slotRunsLeft = 0;
    if (abortCode == 0) {
      abortCode = code;
      SetError(code);
    }
  }
};

// Sets a context's CurrentUdf for a scope and puts the value before it back at the end, so
// that work on one function (its limits, its view, its derivative ranges) leaves the
// function the caller was evaluating as it was.
class TCurrentUdfScope {
 public:
  TCurrentUdfScope(ExprContext& ctx, int udf) : ctx_(ctx), saved_(ctx.CurrentUdf) { ctx.CurrentUdf = udf; }
  ~TCurrentUdfScope() { ctx_.CurrentUdf = saved_; }
  TCurrentUdfScope(const TCurrentUdfScope&) = delete;
  TCurrentUdfScope& operator=(const TCurrentUdfScope&) = delete;

 private:
  ExprContext& ctx_;
  int saved_;
};

// The calling thread's context (created on first use, destroyed when the thread ends).
ExprContext& ExprThreadContext();

// The error cells of the calling thread's context, for callers that hold no context.
void ExprSetError(int code);
void ExprClearErrors();
int ExprErrorListed(int code);
