// The evaluation table: numbered result lines in a text window's line buffer, and beside
// each line the row (X, Y, Z) it shows, kept at full precision for the exports.
//
// A line is "%5d." with its number (the line count before it plus 1), the X, Y and Z texts
// in fields of 14 (numbers of 14 characters, "Error" for the missing value) and the label of
// its computation; a line of a value or a root may also carry the lower and upper limit of a
// confidence or prediction band and the band's level label ("95.00%ConfLim"). Each line's
// segment lengths let the text window draw and export it column by column.
//
// Row i belongs to line i. Clearing the table removes both and the numbering starts again at
// 1. Exports write the rows as they are (17 significant digits), except rows holding the
// missing value or a value that is no number (both shown "Error"), which are left out of
// text and worksheets (their worksheet row stays empty) as of the .sav file.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/sav_write_result.h"
#include "app/text_line_buffer.h"
#include "app/xyz_point.h"
#include "tools/evaluation_computations.h"

// The lines' limits, as the settings choose them.
enum class EvalLimits : int { kNone = 0, kConfidence = 1, kPrediction = 2 };

struct TEvalLimitChoice {
  EvalLimits limits = EvalLimits::kNone;
  std::string confidenceLabel;  // "95.00%ConfLim": the level and what the band is
  std::string predictionLabel;  // "95.00%PredLim"
};
// The two labels of a level text ("95.00").
TEvalLimitChoice MakeLimitChoice(EvalLimits limits, std::string_view levelText);

// One result line before it is numbered.
struct TEvalLine {
  long double x = 0, y = 0, z = 0;
  std::string label;
  // With limits: the band (lower, upper; the missing value shows "Error") and its label.
  bool hasLimits = false;
  bool prediction = false;
  long double lower = 0, upper = 0;
  std::string levelLabel;
};

// The line of a computation in `mode` (its label the mode's), with the limits the choice
// asks for when the surface has them and the mode takes them. A band is missing when the
// half-width is, or when X, Y or Z is.
TEvalLine MakeEvalLine(const TEvalSurface& surface, const TEvalLimitChoice& choice, int mode,
                       long double x, long double y, long double z);

// The coded text and segment lengths of a line with its number.
struct TFormattedLine {
  std::string text;
  TLineAttr attr{};
};
TFormattedLine FormatEvalLine(int number, const TEvalLine& line);
// A number of a table line: 14 characters, "Error" for the missing value.
std::string EvalNumberText(long double v);

struct TEvalRow {
  long double x = 0, y = 0, z = 0;
};

class TEvalTable {
 public:
  // Rows beyond this many are not kept (their lines have none and are not exported).
  static constexpr int kMaxRows = 16384;

  // The table lives in `lines` (the text window's buffer), which must outlive it.
  explicit TEvalTable(TMFile& lines) : lines_(lines) {}

  // Appends the numbered line and stores its row. The line's index, or -1 when the text
  // window is full (nothing appended).
  int Add(const TEvalLine& line);
  // Removes every line and row.
  void Clear();
  int LineCount() const { return lines_.LineCount(); }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const TEvalRow& Row(int i) const { return rows_[static_cast<std::size_t>(i)]; }
  // Whether the text window has room for another line.
  bool Full() const { return lines_.LineCount() >= lines_.Capacity(); }

  // The exported rows as text lines "%-25.17Lg  %-25.17Lg  %-25.17Lg" (without line ends).
  std::vector<std::string> RowLines() const;
  // Those lines with CR LF after each: the text the table saves and copies.
  std::string TextBlock() const;
  // The worksheet image (form 1 WK1, 3 WK3): columns A-C, row i for line i; empty when the
  // table has no lines.
  std::vector<std::uint8_t> WorksheetImage(int form) const;
  // Records 0..n of a point table of every stored row, the missing values included (record
  // 0 holds the count): what the statistics-package writer receives.
  std::vector<TXYZPoint> PointTable() const;

 private:
  bool Exported(const TEvalRow& row) const;

  TMFile& lines_;
  std::vector<TEvalRow> rows_;
};

// Saving the table by the file's extension: text (prn, dat, txt and any other), WK1, WK3,
// the statistics package's .sav (through `writeSav`), WordStar text and rich text.
enum class EvalSaveStatus {
  kWritten,
  kCannotWrite,      // the file could not be written
  kSavTooFewRows,    // a .sav file needs at least 3 complete rows
  kSavUnavailable,   // no .sav writer is installed
  kSavValueNotHeld,  // a value a .sav file cannot hold: nothing written
};
// The statistics-package writer: (records 0..n of a point table, path) -> what it did.
using TSavPointWriter = std::function<TSavWriteResult(std::span<const TXYZPoint> table, const std::string& path)>;
// `savResult`, when given, receives the .sav writer's answer (the value that refused the save).
[[nodiscard]] EvalSaveStatus SaveEvalTable(const TEvalTable& table, const std::string& path,
                                           const TSavPointWriter& writeSav, TSavWriteResult* savResult = nullptr);
