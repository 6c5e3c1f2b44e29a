// The view function: a function z = f(x, y) the user types in the calculation language, with
// auxiliary lines F1..F9 and assignments, and the X and Y ranges over which the function
// viewer draws it.
//
//   - TViewFnRecord, the entry as the dialog keeps it, and its file (.vfz): one record of
//     1186 bytes, raw, without a header.
//   - ViewMode: the function itself or one of its five partial derivatives, and the value a
//     graph draws for it (EvalViewMode).
//   - SetGraphTitlesFromText: the viewer's titles, its first lines being the function's own.
//
// The function's lines are compiled into the program slots of the view function (160 for Z,
// 161..169 for F1..F9, expr/expression.h); no user-defined function's slot is touched.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "expr/finite_differences.h"
#include "graph3d/option_files.h"
#include "graph3d/title_set.h"

// The record, field by field: the function text (lines ended by CR LF), then the minimum X,
// maximum X, minimum Y and maximum Y as expression texts, then two bytes the program does
// not use (a file's own are kept and written back).
struct TViewFnRecord {
  static constexpr std::size_t kSize = 1186;
  static constexpr std::size_t kTextField = 1024;
  static constexpr std::size_t kRangeField = 40;
  static constexpr std::size_t kRangeOffset = 1024;
  static constexpr std::size_t kTailOffset = 1184;
  // The longest texts the fields hold: each field keeps a NUL at its end.
  static constexpr std::size_t kTextLimit = kTextField - 1;
  static constexpr std::size_t kRangeLimit = kRangeField - 1;

  std::string text;
  std::array<std::string, 4> ranges;  // minimum X, maximum X, minimum Y, maximum Y
  std::array<std::uint8_t, 2> tail{};
  friend bool operator==(const TViewFnRecord&, const TViewFnRecord&) = default;
};

enum ViewFnRange : std::size_t { kMinX = 0, kMaxX = 1, kMinY = 2, kMaxY = 3 };

// The entry "&Clear" gives: no text, X and Y from 1 to 10.
TViewFnRecord ClearedViewFnRecord();

// Exactly 1186 bytes; a text longer than its field is cut so that a NUL ends it.
std::vector<std::uint8_t> EncodeViewFnRecord(const TViewFnRecord& record);
// Only 1186 bytes are taken. Each text runs to its first NUL and never past its field's last
// byte (1023 characters of function text, 39 of a range), whatever the bytes hold.
bool DecodeViewFnRecord(std::span<const std::uint8_t> bytes, TViewFnRecord& out);

inline constexpr int kViewFnFileErrorId = 3228;  // "Error in Reading View Function(X,Y) File"
inline constexpr const char* kViewFnFileFilter = "View Fn(x,y) [vfz]|*.vfz|";
inline constexpr const char* kViewFnFileExtension = "VFZ";

// A file of any size but 1186 bytes is refused and changes nothing.
[[nodiscard]] OptionFileStatus ReadViewFnFile(const std::filesystem::path& path, TViewFnRecord& out);
[[nodiscard]] bool WriteViewFnFile(const std::filesystem::path& path, const TViewFnRecord& record);

// The lines of a text: CR LF, a lone LF and a lone CR each end one line; a last line without
// an end is a line; the text after the last line end, when empty, is none.
struct TTextLine {
  std::size_t start = 0;
  std::size_t length = 0;
};
std::vector<TTextLine> TextLines(std::string_view text);

// What the function viewer draws, and the radio buttons that choose it.
enum class ViewMode : int {
  Value = 0,
  DzDx = 1,
  DzDy = 2,
  D2zDxDy = 3,
  D2zDx2 = 4,
  D2zDy2 = 5,
};
inline constexpr int kViewModeCount = 6;

// The view function's value or derivative at (x, y) (ExprEvalViewFn, ExprDerivX, ExprDerivY,
// ExprDerivXY, ExprDeriv2X, ExprDeriv2Y); 0 for a mode outside 0..5. Runs on the calling
// thread's expression context. The derivatives' steps follow the widths of X and Y the
// function is viewed over (`scales`; the unit in the first form).
long double EvalViewMode(ViewMode mode, long double x, long double y);
long double EvalViewMode(ViewMode mode, long double x, long double y, const finite_differences::TSurfaceScales& scales);

// The Z axis title of a mode in coded text: "Z" for the value, else the derivative with the
// partial sign (0xB6 in the Symbol font, between "~@" codes) and 0xB2 for the square, e.g.
// "~@\xB6~@Z/~@\xB6~@X" for dZ/dX.
std::string ViewModeZTitle(ViewMode mode);

// The viewer's titles: lines 1-5 are the first five lines of the function's text (each cut
// at 160 characters; lines beyond the text are empty), the axis titles "X", "Y" and the Z
// title of the mode; all four font sizes are the base size.
void SetGraphTitlesFromText(T3DTitleSet& set, std::string_view text, ViewMode mode);
