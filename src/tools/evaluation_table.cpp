#include "tools/evaluation_table.h"

#include <algorithm>
#include <cmath>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/log_font.h"
#include "app/long_double.h"
#include "app/number_format.h"
#include "app/text_exports.h"
#include "app/worksheet_records.h"

namespace {

constexpr int kNumberWidth = 14;
// Segment lengths: "%5d.  " is 8 bytes; each number field with its two blanks and two code
// pairs is 20.
constexpr std::uint8_t kNumberColumn = 8;
constexpr std::uint8_t kValueColumn = 20;

std::uint8_t LabelWidth(std::size_t length) {
  return static_cast<std::uint8_t>(std::min<std::size_t>(length, 255));
}

}  // namespace

TEvalLimitChoice MakeLimitChoice(EvalLimits limits, std::string_view levelText) {
  const std::string level(levelText);
  return {limits, level + "%ConfLim", level + "%PredLim"};
}

TEvalLine MakeEvalLine(const TEvalSurface& surface, const TEvalLimitChoice& choice, int mode,
                       long double x, long double y, long double z) {
  TEvalLine line;
  line.x = x, line.y = y, line.z = z;
  line.label = EvalModeLabel(mode);
  if (choice.limits == EvalLimits::kNone || !surface.LimitsAvailable() || !EvalModeTakesLimits(mode)) return line;
  line.hasLimits = true;
  line.prediction = choice.limits == EvalLimits::kPrediction;
  line.levelLabel = line.prediction ? choice.predictionLabel : choice.confidenceLabel;
  line.lower = line.upper = ExprErrorValue;
  if (IsMissingValue(x) || IsMissingValue(y) || IsMissingValue(z)) return line;
  const long double half = line.prediction ? surface.predictionLimit(x, y, z) : surface.confidenceLimit(x, y, z);
  if (!IsUsableValue(half)) return line;
  line.lower = z - half;
  line.upper = z + half;
  return line;
}

std::string EvalNumberText(long double v) {
  return IsMissingValue(v) || !std::isfinite(v) ? "Error" : FormatNumber(v, kNumberWidth);
}

TFormattedLine FormatEvalLine(int number, const TEvalLine& line) {
  TFormattedLine out;
  const std::string x = EvalNumberText(line.x), y = EvalNumberText(line.y), z = EvalNumberText(line.z);
  if (!line.hasLimits) {
    out.text = CFormat("%5d.  ~#%-14s~#  ~!%-14s~!  ~$%-14s~$  %s", number, x.c_str(), y.c_str(), z.c_str(),
                       line.label.c_str());
    out.attr = {kNumberColumn, kValueColumn, kValueColumn, kValueColumn, LabelWidth(line.label.size())};
    return out;
  }
  const std::string lower = EvalNumberText(line.lower), upper = EvalNumberText(line.upper);
  // Confidence limits in the X colour, prediction limits in the Y colour.
  const char* format = line.prediction ? "%5d.  ~#%-14s~#  ~!%-14s~!  ~$%-14s~$  ~!%-14s~!  ~!%-14s~!  %s %s"
                                       : "%5d.  ~#%-14s~#  ~!%-14s~!  ~$%-14s~$  ~#%-14s~#  ~#%-14s~#  %s %s";
  out.text = CFormat(format, number, x.c_str(), y.c_str(), z.c_str(), lower.c_str(), upper.c_str(),
                     line.label.c_str(), line.levelLabel.c_str());
  out.attr = {kNumberColumn, kValueColumn, kValueColumn, kValueColumn, kValueColumn, kValueColumn,
              LabelWidth(line.label.size() + 1 + line.levelLabel.size())};
  return out;
}

// ---------------------------------------------------------------------------------------
// TEvalTable

int TEvalTable::Add(const TEvalLine& line) {
  const int index = lines_.LineCount();
  if (Full()) return -1;
  const TFormattedLine formatted = FormatEvalLine(index + 1, line);
  if (lines_.AppendLine(formatted.text, formatted.attr.data()) == 0) return -1;
  // Row i belongs to line i, even if the buffer was changed behind the table's back.
  if (index < kMaxRows) {
    rows_.resize(static_cast<std::size_t>(index), TEvalRow{ExprErrorValue, ExprErrorValue, ExprErrorValue});
    rows_.push_back({line.x, line.y, line.z});
  }
  return index;
}

void TEvalTable::Clear() {
  lines_.Clear();
  rows_.clear();
}

bool TEvalTable::Exported(const TEvalRow& row) const {
  // A value that is no number shows "Error" as the missing value does, and is left out as it
  // is: saved as "inf" it was a line or cell of text where the file's other rows are points.
  return IsUsableValue(row.x) && IsUsableValue(row.y) && IsUsableValue(row.z);
}

std::vector<std::string> TEvalTable::RowLines() const {
  std::vector<std::string> out;
  for (const TEvalRow& row : rows_)
    if (Exported(row))
      out.push_back(CFormat("%-25s  %-25s  %-25.17Lg", DataFigureText(row.x, 17).c_str(),
                            DataFigureText(row.y, 17).c_str(), row.z));
  return out;
}

std::string TEvalTable::TextBlock() const {
  std::string text;
  for (const std::string& line : RowLines()) text += line + "\r\n";
  return text;
}

std::vector<std::uint8_t> TEvalTable::WorksheetImage(int form) const {
  if (LineCount() == 0) return {};
  TWorksheetImage image(form, 2, LineCount() - 1);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const TEvalRow& row = rows_[i];
    if (!Exported(row)) continue;
    const int r = static_cast<int>(i);
    image.Number(0, r, row.x);
    image.Number(1, r, row.y);
    image.Number(2, r, row.z);
  }
  return image.Finish();
}

std::vector<TXYZPoint> TEvalTable::PointTable() const {
  std::vector<TXYZPoint> table(rows_.size() + 1);
  SetPointCount(table, static_cast<int>(rows_.size()));
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    TXYZPoint& p = table[i + 1];
    p.X = rows_[i].x, p.Y = rows_[i].y, p.Z = rows_[i].z, p.W = 1, p.Status = kPointActive;
  }
  return table;
}

EvalSaveStatus SaveEvalTable(const TEvalTable& table, const std::string& path, const TSavPointWriter& writeSav,
                             TSavWriteResult* savResult) {
  const int format = SaveFormatByExt(path);
  switch (format) {
    case kSaveFormatWk1:
    case kSaveFormatWk3:
      return SaveGlobalToFile(table.WorksheetImage(format == kSaveFormatWk1 ? 1 : 3), path)
                 ? EvalSaveStatus::kWritten
                 : EvalSaveStatus::kCannotWrite;
    case kSaveFormatSav: {
      if (!writeSav) return EvalSaveStatus::kSavUnavailable;
      const TSavWriteResult written = writeSav(table.PointTable(), path);
      if (savResult) *savResult = written;
      switch (written.status) {
        case SavWriteStatus::kWritten: return EvalSaveStatus::kWritten;
        case SavWriteStatus::kTooFewRows: return EvalSaveStatus::kSavTooFewRows;
        case SavWriteStatus::kValueNotHeld: return EvalSaveStatus::kSavValueNotHeld;
        case SavWriteStatus::kCannotWrite: break;
      }
      return EvalSaveStatus::kCannotWrite;
    }
    case kSaveFormatRtf:
    case kSaveFormatWordStar: {
      // The rows as a document in a fixed-pitch font, so that the columns stay aligned.
      const std::vector<std::string> rows = table.RowLines();
      TMFile lines("", std::max<int>(1, static_cast<int>(rows.size())));
      for (const std::string& row : rows) (void)lines.AppendLine(row);  // rows are far below the line limit
      TRtfFont font;
      font.family = kFamilyModern;
      font.face = "Courier New";
      font.height = 10;
      return WriteTextWindowFile(lines, path, format, font, false) ? EvalSaveStatus::kWritten
                                                                    : EvalSaveStatus::kCannotWrite;
    }
    default:
      return SaveGlobalToFile(table.TextBlock(), path) ? EvalSaveStatus::kWritten : EvalSaveStatus::kCannotWrite;
  }
}
