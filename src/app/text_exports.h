// A text window's lines handed to other programs: as plain text (codes stripped), as
// WordStar text (codes turned into its control bytes), as a rich-text document that keeps
// the coded-text styling (super- and subscripts, Symbol font, bold, italic, six colours)
// and the segment layout as tab stops, and as a WK1 or WK3 worksheet image in which each
// line is a row and its numbers and words are cells.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/text_line_buffer.h"

// The window font as the rich text names it.
struct TRtfFont {
  int family = 0;          // kFamilyRoman, ... (app/log_font.h); others count as swiss
  std::string face = "Arial";
  int height = 11;         // points
  int charWidth = 8;       // pixels of one character on the screen
  int screenDpi = 96;
};

// Rich text of one coded text (a line or a segment), at most `limit` characters of it (all
// of it by default: a text window's lines are exported whole).
// Backslashes and braces are escaped and bytes above 127 written as \'hh, so that no text
// can break the document. codeChars (may be null) receives the characters the codes took
// (2 a code, 1 a doubled tilde).
std::string CodedTextToRtf(std::string_view text, const TRtfFont& font, bool colors,
                           int* codeChars = nullptr, std::size_t limit = std::string::npos);

// The lines an export reads: a text window's buffer, or the rows of a list window, which
// share one column table.
class TExportLines {
 public:
  virtual ~TExportLines() = default;
  virtual int Count() const = 0;
  virtual std::string_view Line(int index) const = 0;
  // The line's segment lengths, 0-terminated; a first byte 0 is a plain line.
  virtual const std::uint8_t* Attr(int index) const = 0;
};

// A text window's buffer as export lines.
class TMFileLines final : public TExportLines {
 public:
  explicit TMFileLines(const TMFile& lines) : lines_(lines) {}
  int Count() const override { return lines_.LineCount(); }
  std::string_view Line(int index) const override { return lines_.GetLine(index); }
  const std::uint8_t* Attr(int index) const override { return lines_.GetLineAttr(index); }

 private:
  const TMFile& lines_;
};

// The rich-text document of the lines.
std::string LinesRtf(const TExportLines& lines, const TRtfFont& font, bool colors);
// The lines with their codes stripped, joined by CR LF (the clipboard text); whole lines
// are added until the text reaches `limit` bytes.
std::string LinesPlainText(const TExportLines& lines, std::size_t limit = std::string::npos);
// The worksheet image (form 1 WK1, 3 WK3) of the lines: each line is a row, scanned up to
// CR, LF or its end: blanks and tabs separate cells, a comma too (two commas in a row leave
// an empty cell), a token from one of "+-0123456789." on is a number (sign, digits with one
// period, an exponent of up to 3 digits), a quoted token a label without its quotes, any
// other token a label up to the next blank, tab or comma.
std::vector<std::uint8_t> LinesWorksheet(const TExportLines& lines, int form);
// The most cells a row of that image takes: a WK3 worksheet holds 256 columns, and the cells
// of a longer row would be left out of it.
int LinesWorksheetColumns(const TExportLines& lines);
// What a token that is only a sign or a period ("-", ".") means: the text windows end the
// row's cells there; the ASCII editor keeps it as a label.
enum class LoneSign { EndsRow, IsLabel };
// The same for lines of plain text (no text codes, not cut).
std::vector<std::uint8_t> PlainLinesWorksheet(std::span<const std::string_view> lines, int form, LoneSign lone);
// Writes the lines to a file in an output format of file_utils.h (text, WordStar, WK1,
// WK3, rich text); lines are written whole, with CR LF. Text goes in `encoding`, that of the
// file the lines were read from (Windows-1252, or UTF-8 after a byte order mark when the file
// had one), the program's own text as TextFileBytes writes it. False when the file cannot be
// written or the format is none of these.
bool WriteLinesFile(const TExportLines& lines, const std::string& path, int format,
                    const TRtfFont& font, bool colors, TFileEncoding encoding = TFileEncoding::kProgramText);

// The same for a text window's lines.
inline std::string TextWindowRtf(const TMFile& lines, const TRtfFont& font, bool colors) {
  return LinesRtf(TMFileLines(lines), font, colors);
}
inline std::string TextWindowPlainText(const TMFile& lines) { return LinesPlainText(TMFileLines(lines)); }
inline std::vector<std::uint8_t> TextWindowWorksheet(const TMFile& lines, int form) {
  return LinesWorksheet(TMFileLines(lines), form);
}
inline int TextWindowWorksheetColumns(const TMFile& lines) { return LinesWorksheetColumns(TMFileLines(lines)); }
[[nodiscard]] inline bool WriteTextWindowFile(const TMFile& lines, const std::string& path, int format,
                                const TRtfFont& font, bool colors) {
  return WriteLinesFile(TMFileLines(lines), path, format, font, colors, lines.Encoding());
}
