#include "tools/data_calculation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "app/data_session.h"
#include "app/background_fit_hold.h"
#include "app/data_statistics.h"
#include "app/file_utils.h"
#include "app/long_double.h"
#include "app/point_table.h"
#include "app/shell_state.h"
#include "expr/error_text.h"
#include "expr/eval_context.h"
#include "expr/evaluation_stop.h"
#include "expr/expr_types.h"
#include "expr/expression.h"
#include "platform/busy_window.h"
#include "platform/message_box.h"
#include "platform/string_table.h"

namespace {

constexpr int kMinValidPoints = 4;
constexpr long double kFewPointsTrial = 0.9995L;
constexpr std::uint32_t kDataVariables = kUsesX | kUsesY | kUsesZ | kUsesW;
// Longest .clc file read: four lines of 256 characters, with room for a CR each.
constexpr std::size_t kCalcFileMaxBytes = 4 * 258;

void SetRowVariables(ExprContext& ctx, const TXYZPoint& p, int row) {
  ctx.ExprVars.X() = p.X;
  ctx.ExprVars.Y() = p.Y;
  ctx.ExprVars.Z() = p.Z;
  ctx.ExprVars.W() = p.W;
  ctx.ExprPointIndex = row;
}

// The variables a line may not use, and the refusal when it does.
struct VariableRule {
  std::uint32_t forbidden;
  CalcLineCheck refusal;
};
constexpr VariableRule kRules[4] = {{kUsesY | kUsesZ | kUsesW, kCalcXUsesOthers},
                                    {kUsesZ | kUsesW, kCalcYUsesZOrW},
                                    {kUsesW, kCalcZUsesW},
                                    {0, kCalcLineCompiled}};

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

unsigned TCalcLines::Mask() const {
  unsigned mask = 0;
  for (int i = 0; i < 4; ++i)
    if (!text[static_cast<std::size_t>(i)].empty()) mask |= 1u << i;
  return mask;
}

TCalcLines& CalcTexts() {
  static TCalcLines lines;
  return lines;
}

void ClearCalculation() { CalcTexts() = TCalcLines{}; }

int CalcLineCheckTextId(int code) {
  switch (code) {
    case kCalcXUsesOthers: return 3103;
    case kCalcYUsesZOrW: return 3104;
    case kCalcZUsesW: return 3105;
    case kCalcNoVariable: return 3106;
    case kCalcCompileFailed: return 3108;
    default: return 0;
  }
}

int CheckCalcLine(std::string_view text, CalcLine line, std::span<const TXYZPoint> table) {
  ExprContext& ctx = ExprThreadContext();
  const int n = PointCount(table);
  // A trailing bad token does not stop the language from giving the value before it ("1 2"
  // gives 1): such a text is no formula.
  auto evaluates = [&] { return !IsMissingValue(ExprParseAndRun(text)) && ctx.ExprSyntaxCode == 0; };
  bool valued = false;
  if (n >= 3) {
    const int step = std::max(n / 10, 1);
    for (int r = 1; r <= n && !valued; r += step) {
      SetRowVariables(ctx, table[static_cast<std::size_t>(r)], r);
      valued = evaluates();
    }
  } else {
    TXYZPoint trial;
    trial.X = trial.Y = trial.Z = trial.W = kFewPointsTrial;
    SetRowVariables(ctx, trial, 1);
    valued = evaluates();
  }
  if (!valued) return kCalcLineNeverEvaluates;
  const std::uint32_t used = ctx.ExprVarsUsed;
  if (line != kCalcW && (used & kDataVariables) == 0) return kCalcNoVariable;
  const VariableRule& rule = kRules[line];
  if ((used & rule.forbidden) != 0) return rule.refusal;
  return ExprCompileSlot(text, kCalcFirstSlot + line) == 1 ? kCalcLineCompiled : kCalcCompileFailed;
}

TCalcValidation ValidateCalcLines(TCalcLines& lines, std::span<const TXYZPoint> table) {
  TCalcValidation v;
  bool counted = false;
  for (int i = 0; i < 4; ++i) {
    const auto line = static_cast<CalcLine>(i);
    std::string& text = lines.text[static_cast<std::size_t>(i)];
    if (IsBlank(text)) {
      text.clear();
      continue;
    }
    if (text.size() >= 2 && text[0] == kCalcLetters[i] && text[1] == '=') text.erase(0, 2);
    const int code = CheckCalcLine(text, line, table);
    counted = true;
    if (code == kCalcLineCompiled) continue;
    v.line = line;
    if (code < 0) {
      v.caption = platform::LoadString(3101);
      v.text = platform::LoadString(CalcLineCheckTextId(code));
      return v;
    }
    const ExprContext& ctx = ExprThreadContext();
    v.caption = ctx.ExprMathError < 0 ? ExprErrorText(ctx.ExprMathError) : ExprSyntaxText(ctx.ExprSyntaxCode);
    v.text = ExprErrorLine(text, ctx.ExprErrorColumn);
    v.column = ctx.ExprErrorColumn;
    return v;
  }
  v.result = counted ? TCalcValidation::kValid : TCalcValidation::kAllEmpty;
  v.line = kCalcX;
  return v;
}

bool ApplyCalcToData(std::span<TXYZPoint> table, const TCalcLines& lines, int firstRow) {
  const int n = PointCount(table);
  if (n < 1) return true;
  ExprContext& ctx = ExprThreadContext();
  const TXYZPoint& last = table[static_cast<std::size_t>(n)];
  const int lastComplete = IsMissingValue(last.Y) || IsMissingValue(last.Z) ? n - 1 : n;
  const int first = std::max(firstRow, 1);
  const auto lastRow = [&](int line) { return line == kCalcX ? n : lastComplete; };
  // Every line's rows, for a window that shows how far the calculation has come.
  std::int64_t rows = 0;
  for (int i = 0; i < 4; ++i)
    if (!lines.text[static_cast<std::size_t>(i)].empty()) rows += std::max(lastRow(i) - first + 1, 0);
  TTaskStepsScope steps(ctx, rows);
  std::int64_t done = 0;
  for (int i = 0; i < 4; ++i) {
    if (lines.text[static_cast<std::size_t>(i)].empty()) continue;
    if (i == kCalcW) table[0].W = 1;
    const int end = lastRow(i);
    for (int r = first; r <= end; ++r, ++done) {
      steps.Done(done);
      TXYZPoint& p = table[static_cast<std::size_t>(r)];
      SetRowVariables(ctx, p, r);
      const long double v = ExprRunSlot(kCalcFirstSlot + i);
      // The guard is reset by the next row's run: read it before.
      if (ctx.abortCode == kErrEvaluationCancelled) return false;
      const bool failed = IsMissingValue(v);
      if (failed) p.Status = kPointInactive;
      switch (i) {
        case kCalcX: p.X = failed ? 0 : v; break;
        case kCalcY: p.Y = failed ? 0 : v; break;
        case kCalcZ: p.Z = failed ? 0 : v; break;
        default: p.W = failed ? 1 : std::fabs(v); break;
      }
    }
  }
  return true;
}

bool ApplyCalculation(TDataSession& session, int firstRow, platform::Window owner,
                      const std::function<bool()>& userKeeps, const TStoppableRun& stoppable) {
  TDataTable& table = session.Table;
  // The background fit reads the table: held while the rows are computed, so that a stopped
  // run, which leaves the table as it was, keeps the fit results; stopped, its results
  // voided, before the table takes the new rows; the pre-scan starts it on the new data.
  HoldBackgroundFit();
  ShowBusyMsgId(owner, 3124, 3127, 1);
  const PointTable backup = table.DupDataTable();
  PointTable result = backup.empty() ? PointTable{} : CopyPoints(backup);
  if (!result.empty()) {
    // The rows are computed in a copy, outside the table's lock, since the user's way out
    // lets events through (a reader of the table among them); the table takes the finished
    // result in one step, and a stopped run leaves it as it was.
    bool finished = false;
    const auto work = [&] { finished = ApplyCalcToData(result, CalcTexts(), firstRow); };
    if (stoppable)
      stoppable(work);
    else
      work();
    if (!finished) {
      HideBusyMsg();
      ErrorBoxIds(owner, 3124, 3789);
      ResumeBackgroundFit();
      return false;
    }
    StopBackgroundFit();
    DataTableWriteLock lock(table.Mutex());
    std::copy(result.begin(), result.end(), table.XYZData().begin());
  } else {
    // No memory for a copy: the rows change in place under the lock, where no event may
    // pass, so the run is not offered for stopping.
    StopBackgroundFit();
    const TEvaluationStopScope unstoppable(ExprThreadContext(), {});
    DataTableWriteLock lock(table.Mutex());
    (void)ApplyCalcToData(table.XYZData(), CalcTexts(), firstRow);
  }
  HideBusyMsg();
  PrescanData(session, owner);
  auto undo = [&] {
    StopBackgroundFit();
    if (!table.RestoreDataTable(backup)) {
      // The table held these points before: only memory can fail here.
      ErrorBoxIds(owner, 3109, 3448);
      return;
    }
    PrescanData(session, owner);
  };
  if (session.DataStats.ActiveCount < kMinValidPoints) {
    ErrorBoxIds(owner, 3109, 3110);
    if (!backup.empty()) undo();
    return false;
  }
  if (backup.empty()) return true;
  if (userKeeps && !userKeeps()) {
    undo();
    return false;
  }
  return true;
}

std::string CalcFileText(const TCalcLines& lines) {
  std::string out;
  for (int i = 0; i < 4; ++i) {
    const std::string& text = lines.text[static_cast<std::size_t>(i)];
    if (text.empty()) continue;
    out += kCalcLetters[i];
    out += '=';
    out += text;
    out += "\r\n";
  }
  return out;
}

bool WriteCalcFile(const std::string& path, const TCalcLines& lines) {
  return SaveGlobalToFile(CalcFileText(lines), path);
}

TCalcFileRead ParseCalcFile(std::string_view content, const TCalcLines& current) {
  TCalcFileRead read;
  read.lines.text[kCalcW] = current.text[kCalcW];
  std::size_t pos = 0;
  for (int count = 0; count < 4 && pos < content.size(); ++count) {
    // A line ends at LF, CR LF or a lone CR; only the line end goes: the last character of a
    // last line without one is formula.
    const std::size_t end = content.find_first_of("\r\n", pos);
    const std::string_view line = content.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    pos = end == std::string_view::npos ? content.size()
          : content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n' ? end + 2
                                                                                     : end + 1;
    int letter = -1;
    for (int i = 0; i < 4; ++i)
      if (line.size() >= 2 && line[0] == kCalcLetters[i] && line[1] == '=') letter = i;
    // A formula longer than a line holds is refused rather than cut; a control character
    // (a binary file) is no formula.
    const bool control = std::any_of(line.begin(), line.end(), [](char c) {
      const auto u = static_cast<unsigned char>(c);
      return (u < 0x20 && c != '\t') || u == 0x7F;
    });
    if (letter < 0 || line.size() - 2 > kCalcLineChars || control) {
      read.status = CalcFileStatus::kBadLine;
      read.lines = current;
      return read;
    }
    read.lines.text[static_cast<std::size_t>(letter)] = std::string(line.substr(2));
  }
  return read;
}

TCalcFileRead ReadCalcFile(const std::string& path, const TCalcLines& current) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {CalcFileStatus::kCannotOpen, current};
  // Four lines of the longest kind fit in the head read; a longer line is refused anyway.
  const std::vector<std::uint8_t> bytes = ReadFileHead(path, kCalcFileMaxBytes);
  if (bytes.empty() && FileSize(path) > 0) return {CalcFileStatus::kCannotOpen, current};
  return ParseCalcFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), current);
}
