// Loading the user-defined functions and the view function: texts of several lines, each
// compiled into its program slot or run at once.
#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "expr/builtins.h"
#include "expr/calculus_state.h"
#include "expr/compiler.h"
#include "expr/data_statistics_cells.h"
#include "expr/expression.h"
#include "expr/finite_differences.h"
#include "expr/function_table.h"
#include "expr/function_text_lines.h"
#include "expr/line_reach.h"
#include "expr/line_test_order.h"
#include "expr/program_slots.h"
#include "expr/udf_record.h"

namespace {

// The first call of a line Fn in the function's compiled lines that names a line its text does
// not define: the calling slot's line n (0 for Z) into `caller` and the missing n into
// `missing`. A call of a missing line would give 0 wherever it stands: a misspelt line number
// that the compile would otherwise let through as a working function.
bool CallsOnlyDefinedLines(int udf, int& caller, int& missing) {
  const auto functions = ExprFunctionTable();
  for (int n = 0; n < 10; ++n) {
    for (const TExprInstr& instr : ExprSlotAt(10 * udf + n)->code) {
      if (instr.opcode != kOpCall0 || instr.source >= functions.size()) continue;
      const int line = SubFunctionLine(functions[instr.source].handler);
      if (line != 0 && ExprSlotAt(10 * udf + line)->Empty()) {
        caller = n;
        missing = line;
        return false;
      }
    }
  }
  return true;
}

// The first line of the text (0-based) among the function's lines in `lines` (bit n: line
// n), with lineOfSlot[n] the text line of line n (-1 where the text has none); -1 when none.
int FirstTextLine(std::uint16_t lines, const std::array<int, 10>& lineOfSlot) {
  int first = -1;
  for (int n = 0; n < 10; ++n) {
    const int line = lineOfSlot[static_cast<std::size_t>(n)];
    if ((lines >> n & 1) != 0 && line >= 0 && (first < 0 || line < first)) first = line;
  }
  return first;
}

// A test run of function `udf`'s line in text line `line` failed: the fault names it, or,
// for a run refused as nested, the line that nests (one installed before it: a Z line last
// runs F1's integral of F2's sum).
void TestFailed(int udf, int line, const std::array<int, 10>& lineOfSlot, TLinesFault& fault) {
  fault.line = line;
  if (!fault.reachesItself && ExprThreadContext().ExprMathError == kErrCalculusNested) {
    fault.nestsCalculus = true;
    const int first = FirstTextLine(ExprNestingLines(udf), lineOfSlot);
    if (first >= 0) fault.line = first;
  }
}

// Compiles the lines of `text` into the slots of function `udf`: 10 udf (the "Z" line) and
// 10 udf + n (lines "Fn" and "#Fn", n 1..9); any other line is run at once as a whole (an
// assignment such as B=2 sets a user variable). Returns 1, or -1 at the first line that
// fails, with the line in `fault`. The function's ten slots are emptied first: a line the new
// text no longer defines must fail as a line never defined does, not run its old program.
// A line that runs a line written below it is test-run once every line is compiled
// (line_test_order.h).
int CompileLines(std::string_view text, int udf, TLinesFault& fault) {
  fault = TLinesFault{};
  for (int n = 0; n < 10; ++n) ExprSlotFree(10 * udf + n);
  std::array<int, 10> lineOfSlot{};
  lineOfSlot.fill(-1);
  ExprContext& ctx = ExprThreadContext();
  const std::vector<std::string_view> lines = UdfTextLines(text);
  TLineTestOrder order(udf, lines);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TUdfLine line = ClassifyUdfLine(lines[i]);
    if (line.kind == UdfLineKind::kStatement) {
      ExprParseAndRun(line.text);
      continue;
    }
    fault.line = static_cast<int>(i);
    // A Z or F line without "=" holds no expression: it fails like a bad compile.
    if (!line.hasEquals) return -1;
    const int slot = UdfLineSlot(udf, line);
    const TExprVars vars = ctx.ExprVars;
    long double value = 0;
    if (ExprCompileSlotKept(line.expression, slot, value) < 0) return -1;
    lineOfSlot[static_cast<std::size_t>(slot - 10 * udf)] = static_cast<int>(i);
    if (order.Waits(static_cast<int>(i), vars)) {
      // Its test did not count: what it did to the variables does not either.
      ctx.ExprVars = vars;
      continue;
    }
    fault.reachesItself = ExprSlotReachesItself(slot);
    if (value == ExprErrorValue || fault.reachesItself) {
      ExprSlotFree(slot);
      TestFailed(udf, static_cast<int>(i), lineOfSlot, fault);
      return -1;
    }
  }
  for (const TLineTestOrder::TWaiting& waiting : order.Waiting()) {
    ctx.ExprVars = waiting.vars;
    const TUdfLine line = ClassifyUdfLine(lines[static_cast<std::size_t>(waiting.line)]);
    if (ExprRunSlot(ctx, UdfLineSlot(udf, line)) == ExprErrorValue) {
      TestFailed(udf, waiting.line, lineOfSlot, fault);
      return -1;
    }
  }
  int caller = 0, missing = 0;
  if (!CallsOnlyDefinedLines(udf, caller, missing)) {
    fault.line = lineOfSlot[static_cast<std::size_t>(caller)];
    fault.missing = missing;
    return -1;
  }
  // Nested built-ins that bind $ where the order of the lines hid them from the test runs:
  // the first line of the text that holds the outer one is named.
  fault = TLinesFault{};
  fault.line = FirstTextLine(ExprNestingLines(udf), lineOfSlot);
  if (fault.line >= 0) {
    fault.nestsCalculus = true;
    ExprThreadContext().SetError(kErrCalculusNested);  // the code every evaluation would raise
    return -1;
  }
  return 1;
}

}  // namespace

std::uint16_t ExprNestingLines(int udf) {
  std::lock_guard lock(ExprCompileMutex());
  const TLineReach reach = ProbeFunctionLines(ExprThreadContext(), udf);
  std::uint16_t lines = 0;
  for (int n = 0; n < 10; ++n)
    if (LineNestsCalculus(reach, n)) lines |= static_cast<std::uint16_t>(1u << n);
  return lines;
}

int UdfLoad(int k) {
  TLinesFault fault;
  return UdfLoad(k, fault);
}

int UdfLoad(int k, TLinesFault& fault) {
  fault = TLinesFault{};
  std::lock_guard lock(ExprCompileMutex());
  TUdfRecord* const record = UdfRecordAt(k);
  if (!record) return -1;
  TUdfRecord& r = *record;
  ExprContext& ctx = ExprThreadContext();
  TExprVars& v = ctx.ExprVars;
  const int params = UdfClampedParamCount(r);
  for (int i = 0; i < params; ++i) v.A(i) = r.Start[static_cast<std::size_t>(i)];
  v.X() = ExprTrialCoordinate(0);
  v.Dollar() = v.X();
  v.Y() = ExprTrialCoordinate(1);
  v.Z() = ExprTrialCoordinate(2);
  v.W() = 1;
  const std::string_view text = UdfFieldText(r.Text);
  // Calls of line n in the test runs reach this function's own lines.
  TCurrentUdfScope udf(ctx, k);
  // The flag says whether the slots hold the current text: a failed load clears it.
  r.Compiled = 0;
  if (CompileLines(text, k, fault) < 0) return -1;
  r.Compiled = 1;
  return 1;
}

void UdfUnload(int k) {
  if (k < 0 || k >= kUdfCount) return;
  std::lock_guard lock(ExprCompileMutex());
  for (int n = 0; n < 10; ++n) ExprSlotFree(10 * k + n);
  if (TUdfRecord* record = UdfRecordAt(k)) record->Compiled = 0;
}

int ExprCompileViewFn(std::string_view text, long double x, long double y) {
  TLinesFault fault;
  return ExprCompileViewFn(text, x, y, fault);
}

int ExprCompileViewFn(std::string_view text, long double x, long double y, TLinesFault& fault) {
  std::lock_guard lock(ExprCompileMutex());
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprVars.Dollar() = x;
  ctx.ExprVars.X() = x;
  ctx.ExprVars.Y() = y;
  TCurrentUdfScope udf(ctx, kExprViewFnUdf);
  return CompileLines(text, kExprViewFnUdf, fault) < 0 ? -1 : 1;
}

long double ExprEvalViewFn(long double x, long double y) {
  ExprContext& ctx = ExprThreadContext();
  TCurrentUdfScope udf(ctx, kExprViewFnUdf);
  ctx.ExprVars.X() = x;
  ctx.ExprVars.Y() = y;
  return ExprRunSlot(ctx, kExprViewFnSlot);
}

namespace fd = finite_differences;

// A larger step tried whose values fail leaves no error code behind (the trial guard).
long double ExprViewFnPartial(fd::Partial p, long double x, long double y, const fd::TSurfaceScales& s) {
  return fd::SurfacePartial(p, x, y, s, ExprEvalViewFn, fd::Rounding::kLongDouble,
                            fd::TContextTrialGuard(ExprThreadContext()));
}

long double ExprDerivX(long double x, long double y) { return ExprViewFnPartial(fd::Partial::kDzDx, x, y, {}); }
long double ExprDerivY(long double x, long double y) { return ExprViewFnPartial(fd::Partial::kDzDy, x, y, {}); }
long double ExprDeriv2X(long double x, long double y) { return ExprViewFnPartial(fd::Partial::kD2zDx2, x, y, {}); }
long double ExprDeriv2Y(long double x, long double y) { return ExprViewFnPartial(fd::Partial::kD2zDy2, x, y, {}); }
long double ExprDerivXY(long double x, long double y) { return ExprViewFnPartial(fd::Partial::kD2zDxDy, x, y, {}); }
