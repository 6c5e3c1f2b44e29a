#include "tools/udf/udf_validation.h"

#include <cmath>
#include <memory>
#include <string_view>

#include "app/c_format.h"
#include "app/long_double.h"
#include "expr/calculus_state.h"
#include "expr/data_statistics_cells.h"
#include "expr/error_text.h"
#include "expr/evaluation_stop.h"
#include "expr/expr_types.h"
#include "expr/expression.h"
#include "expr/function_text_lines.h"
#include "expr/line_test_order.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_limits.h"

namespace {

constexpr const char* kColumnNames[] = {"Min", "Start", "Max"};
// A line shown in a detail is cut here, so a long line never widens the box past the screen.
constexpr std::size_t kDetailLineChars = 60;

std::string ShownLine(std::string_view line) {
  if (line.size() <= kDetailLineChars) return std::string(line);
  return std::string(line.substr(0, kDetailLineChars)) + "...";
}

TUdfVerdict Refuse(UdfFault fault, const std::string& message) {
  TUdfVerdict v;
  v.fault = fault;
  v.caption = kUdfValidationCaption;
  v.message = message;
  v.kept = fault == UdfFault::kSecondZLine || fault == UdfFault::kSecondSubFunction ||
           fault == UdfFault::kCompilationFailure;
  return v;
}

TUdfVerdict LimitFault(UdfFault fault, const std::string& message, int row, UdfField field,
                       std::string_view text) {
  TUdfVerdict v = Refuse(fault, message);
  v.field = field;
  v.row = row;
  const int column = field == UdfField::kMinimum ? 0 : field == UdfField::kStart ? 1 : 2;
  v.detail = UdfParameterRowLabel(row) + " " + kColumnNames[column] + ": " + ShownLine(text);
  return v;
}

TUdfVerdict LineFault(UdfFault fault, const std::string& message, int line, std::string_view text,
                      int column = -1) {
  TUdfVerdict v = Refuse(fault, message);
  v.field = UdfField::kText;
  v.line = line;
  v.column = column;
  v.detail = UdfLineDetail(line, text);
  return v;
}

// Step 1: the limits, row by row, minimum, start, maximum.
TUdfVerdict CheckLimits(const TUdfRecord& r) {
  const int params = UdfClampedParamCount(r);
  for (int i = 0; i < params; ++i) {
    const auto u = static_cast<std::size_t>(i);
    if (IsMissingValue(r.Lower[u]))
      return LimitFault(UdfFault::kInvalidLimit, kUdfInvalidNumericExpression, i, UdfField::kMinimum,
                        UdfFieldText(r.MinText[u]));
    if (IsMissingValue(r.Start[u]))
      return LimitFault(UdfFault::kInvalidLimit, kUdfInvalidNumericExpression, i, UdfField::kStart,
                        UdfFieldText(r.StartText[u]));
    if (IsMissingValue(r.Upper[u]))
      return LimitFault(UdfFault::kInvalidLimit, kUdfInvalidNumericExpression, i, UdfField::kMaximum,
                        UdfFieldText(r.MaxText[u]));
    if (r.Lower[u] >= r.Start[u])
      return LimitFault(UdfFault::kStartNotAboveMinimum, "Parameter Estimate Must Be Greater Than Minimum", i,
                        UdfField::kStart, UdfFieldText(r.StartText[u]));
    if (r.Upper[u] <= r.Start[u])
      return LimitFault(UdfFault::kStartNotBelowMaximum, "Parameter Estimate Must Be Less Than Maximum", i,
                        UdfField::kStart, UdfFieldText(r.StartText[u]));
  }
  return {};
}

// n of a line Fn, 0 for the Z line (and for a line of another kind).
int LineNumber(const TUdfLine& line) { return line.kind == UdfLineKind::kSubFunction ? line.sub : 0; }

// The first line of the text (0-based) that is one of the function's lines in `mask` (bit n:
// line n, 0 the Z line), or `otherwise` when none is.
int FirstLineAmong(const std::vector<std::string_view>& lines, std::uint16_t mask, int otherwise) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TUdfLine l = ClassifyUdfLine(lines[i]);
    if (l.kind != UdfLineKind::kStatement && (mask >> LineNumber(l) & 1) != 0) return static_cast<int>(i);
  }
  return otherwise;
}

// Line n of the text run once, with the variables as they stand: a verdict that refuses it,
// or a valid one. `used` collects the variables it reads. A sub-function line is compiled
// at once, so that later lines can call it.
TUdfVerdict TestLine(int k, const std::vector<std::string_view>& lines, int n, std::uint32_t& used) {
  ExprContext& ctx = ExprThreadContext();
  const TUdfLine line = ClassifyUdfLine(lines[static_cast<std::size_t>(n)]);
  ctx.ClearErrors();
  const long double value = ExprParseAndRun(line.expression);
  used |= ctx.ExprVarsUsed;
  const int code = ctx.ExprMathError;
  if (code != 0 || ctx.ExprSyntaxCode != 0 || !std::isfinite(value) || IsMissingValue(value)) {
    // The column of the fault within the whole line: the expression starts after the "=".
    const int offset = static_cast<int>(line.expression.data() - line.text.data());
    const int column = std::min(offset + std::max(ctx.ExprErrorColumn, 0), static_cast<int>(line.text.size()));
    const std::string languageText = code < 0 ? std::string(ExprErrorText(code)) : std::string();
    const std::string marked = ExprErrorLine(line.expression);
    // A line that failed for calling itself while it was still empty (F1=IMPLICIT(1,...)
    // finds no root of an empty line) is told that it calls itself.
    bool reachesItself = false;
    if (line.kind == UdfLineKind::kSubFunction && code < 0 &&
        ExprCompileSlot(line.expression, UdfLineSlot(k, line), reachesItself) == 0 && reachesItself)
      return LineFault(UdfFault::kExpressionFails, UdfLineCallsItselfText(line.sub), n, line.text, 0);
    // A run refused as nested names the line that nests: one compiled before this one (a Z
    // line last runs F1's integral of F2's sum), else this one.
    if (code == kErrCalculusNested) {
      const int named = FirstLineAmong(lines, ExprNestingLines(k), n);
      const TUdfLine l = ClassifyUdfLine(lines[static_cast<std::size_t>(named)]);
      if (l.kind != UdfLineKind::kStatement)
        return LineFault(UdfFault::kExpressionFails, UdfLineNestsCalculusText(LineNumber(l)), named, l.text, 0);
    }
    if (!languageText.empty()) {
      TUdfVerdict fault = LineFault(UdfFault::kExpressionFails, marked, n, line.text, column);
      fault.caption = languageText;
      return fault;
    }
    return LineFault(UdfFault::kExpressionFails, kUdfInvalidNumericExpression, n, line.text, column);
  }
  bool reachesItself = false;
  if (line.kind == UdfLineKind::kSubFunction &&
      ExprCompileSlot(line.expression, UdfLineSlot(k, line), reachesItself) == 0)
    return LineFault(UdfFault::kExpressionFails,
                     reachesItself ? UdfLineCallsItselfText(line.sub) : std::string(kUdfInvalidNumericExpression),
                     n, line.text, 0);
  return {};
}

// Step 2: every line run once. `used` collects the variables the expressions read. A line
// that runs a line written below it is run once every line is compiled (line_test_order.h).
TUdfVerdict RunLines(const TUdfRecord& r, int k, std::uint32_t& used, bool& sawZ) {
  ExprContext& ctx = ExprThreadContext();
  TExprVars& v = ctx.ExprVars;
  const int params = UdfClampedParamCount(r);
  for (int i = 0; i < params; ++i) v.A(i) = r.Start[static_cast<std::size_t>(i)];
  v.X() = ExprTrialCoordinate(0);
  v.Dollar() = v.X();
  v.Y() = ExprTrialCoordinate(1);
  v.Z() = ExprTrialCoordinate(2);
  v.W() = 1;
  used = 0;
  sawZ = false;
  bool sawSub[10] = {};
  const std::vector<std::string_view> lines = UdfTextLines(UdfFieldText(r.Text));
  TLineTestOrder order(k, lines);
  for (int n = 0; n < static_cast<int>(lines.size()); ++n) {
    const TUdfLine line = ClassifyUdfLine(lines[static_cast<std::size_t>(n)]);
    if (!line.hasEquals) return LineFault(UdfFault::kEqualSignMissing, "Equal Sign is Missing", n, line.text);
    if (line.kind == UdfLineKind::kValue) {
      if (sawZ)
        return LineFault(UdfFault::kSecondZLine, "UDF Can Contain Only One Z= Expression", n, line.text);
      sawZ = true;
    } else if (line.kind == UdfLineKind::kSubFunction) {
      if (sawSub[line.sub])
        return LineFault(UdfFault::kSecondSubFunction,
                         CFormat("UDF Can Contain Only One F%d Expression", line.sub), n, line.text);
      sawSub[line.sub] = true;
    }
    if (line.kind != UdfLineKind::kStatement && order.CompileIfWaiting(n, line.expression, UdfLineSlot(k, line), used))
      continue;
    if (TUdfVerdict fault = TestLine(k, lines, n, used); !fault.Valid()) return fault;
  }
  for (const TLineTestOrder::TWaiting& waiting : order.Waiting()) {
    ctx.ExprVars = waiting.vars;
    if (TUdfVerdict fault = TestLine(k, lines, waiting.line, used); !fault.Valid()) return fault;
  }
  return {};
}

// Step 3: the variables the lines used, parameter by parameter.
TUdfVerdict CheckUse(const TUdfRecord& r, std::uint32_t used) {
  const int params = UdfClampedParamCount(r);
  const auto missing = [](const std::string& what) {
    TUdfVerdict v = Refuse(UdfFault::kParameterMissing, "Parameter " + what + " is Missing from UDF");
    v.field = UdfField::kText;
    return v;
  };
  for (int i = 0; i < kUdfMaxParams; ++i) {
    const bool usesA = (used & (kUsesA0 << i)) != 0;
    if (!usesA && i < params) return missing(std::to_string(i + 1));
    if ((used & kUsesX) == 0) return missing("X");
    if ((used & kUsesY) == 0) return missing("Y");
    if (usesA && i >= params) {
      TUdfVerdict v = Refuse(UdfFault::kParameterExceedsCount,
                             "Parameter " + std::to_string(i + 1) + " Exceeds Specified Parameter Count");
      v.field = UdfField::kText;
      return v;
    }
  }
  return {};
}

// A check the user stopped. A line that stopped has named itself already (the language's
// "Calculation Cancelled" over the marked line); any other step gets the cancel's text.
TUdfVerdict Stopped(TUdfVerdict v) {
  const std::string_view cancelled = ExprErrorText(kErrEvaluationCancelled);
  if (v.Valid() || v.caption != cancelled) {
    v = Refuse(UdfFault::kCancelled, "Validation Cancelled: the Function Is Not Accepted");
    v.caption = std::string(cancelled);
    v.field = UdfField::kText;
  }
  v.fault = UdfFault::kCancelled;
  v.kept = false;
  return v;
}

}  // namespace

std::string TUdfVerdict::BoxText() const { return detail.empty() ? message : message + "\n\n" + detail; }

std::string UdfWeakParameterText(int j) {
  return CFormat(
      "Parameter %c Makes Less Than 0.001 Fractional Contribution to Equation in Range of Data. "
      "Adjustment is Recommended.",
      'A' + j);
}

namespace {

std::string LineName(int n) { return n == 0 ? std::string("Z") : CFormat("F%d", n); }

}  // namespace

std::string UdfLineCallsItselfText(int n) { return LineName(n) + " Expression Calls Itself"; }
std::string UdfLineNestsCalculusText(int n) { return LineName(n) + " Expression Nests Calculus Functions"; }

std::string UdfLineDetail(int line, std::string_view text) {
  return CFormat("Line %d: ", line + 1) + ShownLine(text);
}

std::string UdfParameterRowLabel(int i) { return CFormat("#%c [A%d]", 'A' + i, i); }

TUdfVerdict UdfLoadRefusal(int k, const TLinesFault& fault, int code) {
  const TUdfRecord* const r = UdfRecordAt(k);
  const std::vector<std::string_view> lines = r ? UdfTextLines(UdfFieldText(r->Text)) : std::vector<std::string_view>();
  if (fault.line >= 0 && static_cast<std::size_t>(fault.line) < lines.size()) {
    const std::string_view text = lines[static_cast<std::size_t>(fault.line)];
    const int n = LineNumber(ClassifyUdfLine(text));
    if (fault.missing > 0)
      return LineFault(UdfFault::kCompilationFailure, CFormat("F%d= Expression is Missing", fault.missing),
                       fault.line, text);
    if (fault.reachesItself)
      return LineFault(UdfFault::kExpressionFails, UdfLineCallsItselfText(n), fault.line, text, 0);
    if (fault.nestsCalculus)
      return LineFault(UdfFault::kExpressionFails, UdfLineNestsCalculusText(n), fault.line, text, 0);
    // A line whose test run failed: the language's reason.
    if (const std::string_view reason = code < 0 ? ExprErrorText(code) : std::string_view(); !reason.empty())
      return LineFault(UdfFault::kCompilationFailure, std::string(reason), fault.line, text);
  }
  TUdfVerdict v = Refuse(UdfFault::kCompilationFailure, "UDF Compilation Failure");
  v.field = UdfField::kText;
  return v;
}

TUdfVerdict ValidateUdf(int k, std::span<const TXYZPoint> points, long double zRange) {
  TUdfRecord* const r = UdfRecordAt(k);
  if (!r) {
    TUdfVerdict none = Refuse(UdfFault::kZLineMissing, "Z= Expression is Missing");
    return none;
  }
  ExprContext& ctx = ExprThreadContext();
  const TCurrentUdfScope current(ctx, k);
  // Nothing of an earlier text may run while this one is checked, nor after it is refused.
  UdfUnload(k);

  TUdfVerdict verdict = [&] {
    r->Compiled = 0;
    ParseUdfParams(k);
    if (ctx.stopped) return Stopped({});
    if (TUdfVerdict v = CheckLimits(*r); !v.Valid()) return v;
    std::uint32_t used = 0;
    bool sawZ = false;
    if (TUdfVerdict v = RunLines(*r, k, used, sawZ); !v.Valid()) return ctx.stopped ? Stopped(v) : v;
    if (!sawZ) {
      TUdfVerdict v = Refuse(UdfFault::kZLineMissing, "Z= Expression is Missing");
      v.field = UdfField::kText;
      return v;
    }
    if (TUdfVerdict v = CheckUse(*r, used); !v.Valid()) return v;
    TLinesFault fault;
    if (UdfLoad(k, fault) != 1) {
      if (ctx.stopped) return Stopped({});
      return UdfLoadRefusal(k, fault, ctx.ExprMathError);
    }
    TUdfVerdict valid;
    valid.weakParameter = UdfDerivativeRanges(k, -1, points, zRange);
    // Stopped while the effects were measured: the ranges left are no finding.
    if (ctx.stopped) return Stopped({});
    if (valid.weakParameter >= 0) {
      valid.caption = kUdfWarningCaption;
      valid.message = UdfWeakParameterText(valid.weakParameter);
    }
    return valid;
  }();

  if (!verdict.Valid()) {
    UdfUnload(k);
    if (!verdict.kept) FreeUdf(k);
  }
  return verdict;
}

TUdfBatchValidation ValidateAllUdfs(std::span<const TXYZPoint> points, long double zRange) {
  TUdfBatchValidation batch;
  ExprContext& ctx = ExprThreadContext();
  for (int k = 0; k < kUdfCount; ++k) batch.defined += UdfRecordAt(k) ? 1 : 0;
  TTaskStepsScope steps(ctx, batch.defined);
  int checked = 0;
  for (int k = 0; k < kUdfCount; ++k) {
    TUdfRecord* const record = UdfRecordAt(k);
    if (!record) continue;
    // A check the user stops takes nothing read away: the function stays as the file
    // held it (uncompiled, so nothing fits it), and so do the ones not yet checked.
    const TUdfRecord asRead = *record;
    ctx.CurrentUdf = k;
    TUdfVerdict verdict = ValidateUdf(k, points, zRange);
    if (verdict.fault == UdfFault::kCancelled || ctx.stopped) {
      auto back = std::make_unique<TUdfRecord>(asRead);
      back->Compiled = 0;
      UdfUnload(k);
      BoundUdfTable()[static_cast<std::size_t>(k)] = std::move(back);
      batch.cancelled = true;
      batch.unchecked = batch.defined - checked;
      return batch;
    }
    steps.Done(++checked);
    if (verdict.Valid()) {
      ++batch.valid;
      if (batch.firstValid < 0) batch.firstValid = k;
    }
    if (!verdict.Valid() || verdict.weakParameter >= 0) batch.reports.push_back({k, std::move(verdict)});
  }
  return batch;
}

int UdfReadyCount(const TUdfTable& table) {
  int n = 0;
  for (const auto& r : table) n += r && UdfRecordParamCount(*r) > 0 && r->Compiled != 0 ? 1 : 0;
  return n;
}
