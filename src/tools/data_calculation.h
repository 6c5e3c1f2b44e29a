// Data calculations: up to four formulas, one each for X, Y, Z and W (the weight), applied to
// every row of the XYZ data table, e.g. X=LN(X), Z=Z/1000, W=1/Z.
//
// The road of a calculation:
//   1. the user writes the lines (calculation dialog, or a .clc file read into it);
//   2. ValidateCalcLines checks each line on sample rows of the data (CheckCalcLine): it must
//      give a value somewhere, use only the variables its letter allows, and compile into
//      its expression slot (150 X, 151 Y, 152 Z, 153 W);
//   3. the lines become the current calculation (CalcTexts);
//   4. ApplyCalculation runs the compiled slots over the table (ApplyCalcToData) with a
//      backup taken first: fewer than four valid points undoes it at once, otherwise the user
//      keeps the result or undoes it in the accept-or-undo window.
//
// The current calculation is program-wide, as the expression slots it is compiled into are;
// it lives on the user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "app/xyz_point.h"
#include "platform/window.h"

struct TDataSession;

// The lines in their fixed order, with their letters and slots.
enum CalcLine : int { kCalcX = 0, kCalcY = 1, kCalcZ = 2, kCalcW = 3 };
inline constexpr char kCalcLetters[4] = {'X', 'Y', 'Z', 'W'};
inline constexpr int kCalcFirstSlot = 150;
// The characters of formula one line holds (the dialog's edits take 120 with the terminator).
inline constexpr std::size_t kCalcLineChars = 119;

// The four lines without their "X=" prefixes; an empty line is an absent one.
struct TCalcLines {
  std::array<std::string, 4> text;
  // Bit 1 X, 2 Y, 4 Z, 8 W for each line present.
  unsigned Mask() const;
  bool operator==(const TCalcLines&) const = default;
};

// The current calculation (what the formulas of slots 150-153 were compiled from).
TCalcLines& CalcTexts();
inline unsigned CalcMask() { return CalcTexts().Mask(); }
// Clear Calculation: no lines (the slots keep their code; nothing runs them without a line).
void ClearCalculation();

// The outcomes of CheckCalcLine, with the string of each refusal.
enum CalcLineCheck : int {
  kCalcLineCompiled = 1,
  kCalcLineNeverEvaluates = 0,
  kCalcXUsesOthers = -1,    // 3103 "X Calculation Cannot Contain Y, Z, or W"
  kCalcYUsesZOrW = -2,      // 3104 "Y Calculation Cannot Contain Z or W"
  kCalcZUsesW = -3,         // 3105 "Z Calculation Cannot Contain W"
  kCalcNoVariable = -4,     // 3106 "Expression Must Contain X, Y, Z or W"
  kCalcCompileFailed = -6,  // 3108 "Error in Compiling Calculation"
};
// The string id of a refusal (a negative code); 0 for any other code.
int CalcLineCheckTextId(int code);

// Tries a line on the data and compiles it into the line's slot. With 3 points or more, the
// rows 1, 1 + s, 1 + 2s, ... (s = N / 10, at least 1) are tried with X, Y, Z, W set to the
// row's values until one gives a value; with fewer the line is tried once at X = Y = Z = W =
// 0.9995. A line that gives no value, or whose text does not parse cleanly, never evaluates.
// The X line may use no Y, Z or W, the Y line no Z or W, the Z line no W; every line but W
// must use one of X, Y, Z, W. The expression language's error cells tell what failed.
[[nodiscard]] int CheckCalcLine(std::string_view text, CalcLine line, std::span<const TXYZPoint> table);

// The result of checking the four lines.
struct TCalcValidation {
  enum Result : int { kError = 0, kValid = 1, kAllEmpty = 2 };
  Result result = kError;
  CalcLine line = kCalcX;   // the line at fault, or the line to make current
  std::string caption;      // the message box of an error
  std::string text;
  int column = 0;           // where the caret goes in the line at fault
};
// Checks the lines X, Y, Z, W in order. A line of blanks becomes empty and is skipped; a
// line that begins with its own letter and "=" loses those two characters. The first line
// that fails gives the message: caption 3101 with the refusal's text, or for a line that
// never evaluates the line with "|" at the error column under the math error's text or the
// syntax error's (3128 + code).
TCalcValidation ValidateCalcLines(TCalcLines& lines, std::span<const TXYZPoint> table);

// Runs the compiled lines over rows firstRow .. N, one line over all its rows before the
// next, so that later lines see the values of earlier ones. The X line runs to N; the others
// stop at N - 1 when row N lacks Y or Z (a row the grid editor has not completed). A result
// that is no value makes the row inactive with 0 stored (1 for W); W stores the absolute
// value, and a W line sets the table's weights flag. The language's current-row index is the
// row being computed. False when the user stopped an evaluation ("Calculation Cancelled"):
// the rows are then partly computed. Meanwhile the context's task steps count the rows
// computed of all the lines' rows, for the window of a stoppable run to show.
[[nodiscard]] bool ApplyCalcToData(std::span<TXYZPoint> table, const TCalcLines& lines, int firstRow);

// Runs `work`, the evaluations of a calculation, so that the user may stop them (the
// user interface stands a window with Cancel around it, TEvaluationProgress).
using TStoppableRun = std::function<void(const std::function<void()>& work)>;

// Applies the current calculation to the session's table from firstRow on, with a backup:
// the busy window meanwhile, then the pre-scan. The rows are computed in a copy under
// `stoppable` (when given) and stored only when every row was computed: a stopped run
// leaves the table as it was, and its fit results valid, says "Calculation Cancelled" and gives false. Fewer than 4 active points: "Calculation
// Produces Less Than Four Valid Points" (3109/3110), the table restored, false. Otherwise
// `userKeeps` is asked (the accept-or-undo window); false restores the table. Without memory
// for a backup the change is kept without asking. True when the change was kept.
[[nodiscard]] bool ApplyCalculation(TDataSession& session, int firstRow, platform::Window owner,
                                    const std::function<bool()>& userKeeps, const TStoppableRun& stoppable = {});

// .clc files: text, up to four lines, each "X=", "Y=", "Z=" or "W=" and the formula, in
// any order (a letter given twice keeps the later text). Written with CR LF in the order
// X, Y, Z, W, one line for each line present.
std::string CalcFileText(const TCalcLines& lines);
[[nodiscard]] bool WriteCalcFile(const std::string& path, const TCalcLines& lines);

enum class CalcFileStatus { kRead, kCannotOpen, kBadLine };
struct TCalcFileRead {
  CalcFileStatus status = CalcFileStatus::kRead;
  TCalcLines lines;
};
// The lines a file's text gives. Reading empties X, Y and Z first and keeps W (`current`'s)
// unless the file sets it. Up to four lines are read, each ended by LF, CR LF or the end of
// the text; a line that does not begin with a letter and "=", or whose formula is longer
// than a line holds, makes the file bad (nothing of it is taken).
TCalcFileRead ParseCalcFile(std::string_view content, const TCalcLines& current);
TCalcFileRead ReadCalcFile(const std::string& path, const TCalcLines& current);
