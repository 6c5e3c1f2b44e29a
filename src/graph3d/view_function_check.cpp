#include "graph3d/view_function_check.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "app/long_double.h"
#include "app/text_utils.h"
#include "expr/calculus_state.h"
#include "expr/compiler.h"
#include "expr/error_text.h"
#include "expr/expression.h"
#include "expr/function_text_lines.h"
#include "expr/line_test_order.h"
#include "expr/program_slots.h"
#include "platform/string_table.h"

namespace {

constexpr int kAdjustableParameters = 0xFFC0;  // the kUsesA0 bits of A0..A9

// A text of the string table with its placeholder (the first `mark`) replaced.
std::string StringWith(int id, std::string_view mark, std::string_view by) {
  std::string text = platform::StringOrId(id);
  const std::size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), by);
  return text;
}

bool Blank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

class Checker {
 public:
  explicit Checker(const TViewFnRecord& record) : record_(record) {
    check_.caption = platform::StringOrId(kViewFnErrorCaption);
  }

  TViewFnCheck Run() {
    Normalise();
    if (!EvaluateRanges()) return check_;
    TExprVars& vars = ctx_.ExprVars;
    for (int i = 0; i < 8; ++i) vars.A(i) = 1;
    vars.X() = vars.Dollar() = (check_.ranges.xMin + check_.ranges.xMax) / 2;
    vars.Y() = (check_.ranges.yMin + check_.ranges.yMax) / 2;
    if (!CheckLines() || !CheckWhole()) return check_;
    TLinesFault fault;
    if (ExprCompileViewFn(check_.text, vars.X(), vars.Y(), fault) != 1) return CompileFault(fault);
    check_.ok = true;
    return check_;
  }

 private:
  TViewFnCheck& Fail(int id, ViewFnField field = ViewFnField::Text) {
    return Fail(platform::StringOrId(id), id, field);
  }
  TViewFnCheck& Fail(std::string message, int id, ViewFnField field = ViewFnField::Text) {
    check_.ok = false;
    check_.message = std::move(message);
    check_.messageId = id;
    check_.field = field;
    return check_;
  }

  // Every line ended by CR LF whatever ended it before; blank lines at the end dropped.
  void Normalise() {
    const std::string_view text = record_.text;
    for (const TTextLine& line : TextLines(text)) {
      lines_.emplace_back(text.substr(line.start, line.length));
      check_.text.append(lines_.back()).append("\r\n");
    }
    while (!lines_.empty() && lines_.back().empty()) lines_.pop_back();
    EndLineCrLf(check_.text);
  }

  // The minimum and maximum X, then Y, each with its own message; a text that leaves
  // anything behind its expression is no number either.
  bool EvaluateRanges() {
    std::array<long double, 4> v{};
    const ViewFnField fields[4] = {ViewFnField::MinX, ViewFnField::MaxX, ViewFnField::MinY, ViewFnField::MaxY};
    for (std::size_t i = 0; i < 4; ++i) {
      v[i] = ExprParseAndRun(record_.ranges[i]);
      if (v[i] == ExprErrorValue || ctx_.ExprMathError != 0 || ctx_.ExprSyntaxCode != 0) {
        Fail(kViewFnBadRangeFirst + static_cast<int>(i) + (i >= 2 ? 1 : 0), fields[i]);
        return false;
      }
      if (i % 2 == 1 && !(v[i - 1] < v[i])) {
        Fail(kViewFnBadRangeFirst + (i == 1 ? 2 : 5), fields[i]);
        return false;
      }
    }
    check_.ranges = {v[kMinX], v[kMaxX], v[kMinY], v[kMaxY]};
    return true;
  }

  void Select(int line, std::size_t column, std::size_t length) {
    check_.line = line;
    check_.column = static_cast<int>(column);
    check_.length = static_cast<int>(length);
  }

  bool CheckLines() {
    {
      // The lines of an earlier view function must not answer this one's calls.
      std::lock_guard lock(ExprCompileMutex());
      for (int n = 0; n < 10; ++n) (void)ExprSlotFree(kExprViewFnSlot + n);
    }
    // F1..F9 and the calculus built-ins reach the view function's own lines.
    TCurrentUdfScope udf(ctx_, kExprViewFnUdf);
    // A line that runs a line written below it is run once every line is compiled.
    TLineTestOrder order(kExprViewFnUdf, lines_);
    bool haveZ = false;
    std::array<bool, 10> haveF{};
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const std::string_view text = lines_[i];
      const int line = static_cast<int>(i);
      if (Blank(text)) continue;
      const TUdfLine l = ClassifyUdfLine(text);
      if (!l.hasEquals) {
        Select(line, 0, text.size());
        Fail(kViewFnNoEqualSign);
        return false;
      }
      if (l.kind == UdfLineKind::kValue) {
        if (haveZ) return Failed(line, kViewFnSecondZ);
        haveZ = true;
      } else if (l.kind == UdfLineKind::kSubFunction) {
        if (haveF[static_cast<std::size_t>(l.sub)]) {
          Select(line, 0, 0);
          Fail(StringWith(kViewFnSecondF, "Fx", "F" + std::to_string(l.sub)), kViewFnSecondF);
          return false;
        }
        haveF[static_cast<std::size_t>(l.sub)] = true;
      }
      if (l.kind != UdfLineKind::kStatement &&
          order.CompileIfWaiting(line, l.expression, UdfLineSlot(kExprViewFnUdf, l), used_))
        continue;
      if (!TestLine(line)) return false;
    }
    for (const TLineTestOrder::TWaiting& waiting : order.Waiting()) {
      ctx_.ExprVars = waiting.vars;
      if (!TestLine(waiting.line)) return false;
    }
    if (!haveZ) {
      Fail(kViewFnNoZ);
      return false;
    }
    return true;
  }

  // Line `line` of the text run once with the variables as they stand; a sub-function line
  // is compiled at once, so that later lines can call it. False, with the failure set, when
  // it fails.
  bool TestLine(int line) {
    const std::string_view text = lines_[static_cast<std::size_t>(line)];
    const TUdfLine l = ClassifyUdfLine(text);
    const std::string_view part = l.expression;
    const std::size_t offset = static_cast<std::size_t>(part.data() - text.data());
    const long double value = ExprParseAndRun(part);
    used_ |= ctx_.ExprVarsUsed;
    if (value == ExprErrorValue || ctx_.ExprMathError < 0 || ctx_.ExprSyntaxCode != 0) {
      const int column = ctx_.ExprErrorColumn;
      ReportLineError(part, column);
      Select(line, offset + static_cast<std::size_t>(std::max(column, 0)), 0);
      // A line that failed for calling itself while it was still empty (F1=IMPLICIT(1,...)
      // finds no root of an empty line) is told that it calls itself.
      const int code = ctx_.ExprMathError;
      bool reachesItself = false;
      if (l.kind == UdfLineKind::kSubFunction && code < 0 &&
          ExprCompileSlot(part, kExprViewFnSlot + l.sub, reachesItself) == 0 && reachesItself) {
        Select(line, offset, 0);
        check_.caption = platform::StringOrId(kViewFnErrorCaption);
        LineFault(kViewFnLineCallsItself, l.sub);
      } else if (const int named = FirstLineAmong(ExprNestingLines(kExprViewFnUdf), line);
                 code == kErrCalculusNested && !LineName(named).empty()) {
        // A run refused as nested names the line that nests: one compiled before this
        // one (a Z line last runs F1's integral of F2's sum), else this one.
        Select(named, 0, 0);
        check_.caption = platform::StringOrId(kViewFnErrorCaption);
        LineFault(kViewFnLineNestsCalculus, LineName(named));
      }
      return false;
    }
    bool reachesItself = false;
    if (l.kind == UdfLineKind::kSubFunction && ExprCompileSlot(part, kExprViewFnSlot + l.sub, reachesItself) != 1) {
      Select(line, offset, 0);
      if (reachesItself)
        LineFault(kViewFnLineCallsItself, l.sub);
      else
        Fail(kViewFnCompileError);
      return false;
    }
    return true;
  }

  // The name of line `line` of the text ("Z", "F3"), empty for a line of another kind.
  std::string LineName(int line) const {
    if (line < 0 || static_cast<std::size_t>(line) >= lines_.size()) return {};
    const TUdfLine l = ClassifyUdfLine(lines_[static_cast<std::size_t>(line)]);
    if (l.kind == UdfLineKind::kValue) return "Z";
    return l.kind == UdfLineKind::kSubFunction ? "F" + std::to_string(l.sub) : std::string();
  }
  std::string FaultLineName(const TLinesFault& fault) const { return LineName(fault.line); }

  // The first line of the text that is one of the function's lines in `mask` (bit n: line
  // n, 0 the Z line), or `otherwise` when none is.
  int FirstLineAmong(std::uint16_t mask, int otherwise) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const TUdfLine l = ClassifyUdfLine(lines_[i]);
      const int n = l.kind == UdfLineKind::kSubFunction ? l.sub : 0;
      if (l.kind != UdfLineKind::kStatement && (mask >> n & 1) != 0) return static_cast<int>(i);
    }
    return otherwise;
  }

  // A message that names a line Fn: its "Fx" becomes "F" and the line's digit.
  void LineFault(int id, int n) { LineFault(id, "F" + std::to_string(n)); }
  // The same with the line's name ("Z" for the Z line).
  void LineFault(int id, const std::string& name) { Fail(StringWith(id, "Fx", name), id); }

  // The whole text failed to compile: a line that calls a line the text does not define (its
  // call gave 0 in the test run, and "Error in Compiling View Function" named neither line),
  // one that reaches itself, or one whose integral, sum, product or series runs another;
  // the line is marked.
  TViewFnCheck& CompileFault(const TLinesFault& fault) {
    if (fault.line >= 0) Select(fault.line, 0, 0);
    const std::string name = FaultLineName(fault);
    if (fault.missing > 0)
      LineFault(kViewFnLineMissing, fault.missing);
    else if (fault.reachesItself && !name.empty())
      LineFault(kViewFnLineCallsItself, name);
    else if (fault.nestsCalculus && !name.empty())
      LineFault(kViewFnLineNestsCalculus, name);
    else
      Fail(kViewFnCompileError);
    return check_;
  }

  bool Failed(int line, int id) {
    Select(line, 0, 0);
    Fail(id);
    return false;
  }

  // The line with its error position marked, under the caption that names the error.
  void ReportLineError(std::string_view part, int column) {
    const int math = ctx_.ExprMathError;
    const int syntax = ctx_.ExprSyntaxCode;
    std::string caption;
    if (math < 0) caption = ExprErrorText(math);
    else if (syntax >= 1 && syntax <= 6) caption = ExprViewSyntaxText(syntax);
    check_.caption = caption.empty() ? platform::StringOrId(kViewFnErrorCaption) : caption;
    Fail(ExprErrorLine(part, column), 0);
  }

  bool CheckWhole() {
    if (used_ & kAdjustableParameters) {
      Fail(kViewFnParameters);
    } else if (!(used_ & kUsesX)) {
      Fail(StringWith(kViewFnMissingXY, " x ", " X "), kViewFnMissingXY);
    } else if (!(used_ & kUsesY)) {
      Fail(StringWith(kViewFnMissingXY, " x ", " Y "), kViewFnMissingXY);
    } else if (used_ & kUsesZ) {
      Fail(kViewFnZOnRight);
    } else {
      return true;
    }
    return false;
  }

  const TViewFnRecord& record_;
  ExprContext& ctx_ = ExprThreadContext();
  TViewFnCheck check_;
  std::vector<std::string_view> lines_;
  std::uint32_t used_ = 0;
};

}  // namespace

TViewFnCheck ValidateViewFunction(const TViewFnRecord& record) { return Checker(record).Run(); }
