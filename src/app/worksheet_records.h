// Lotus 1-2-3 worksheet images, WK1 (Release 2) and WK3 (Release 3), as the program puts
// tables on the clipboard (registered formats "Wk1" and "Wk3") and writes them to .wk1 and
// .wk3 files: a fixed header patched with the sheet's last column and row, NUMBER and LABEL
// cell records in any order, and a fixed end. Every record is a 16-bit opcode, a 16-bit
// data length and the data, little-endian.
//
// The builders append to a growing byte writer, so that no image can overrun its buffer;
// each returns the number of bytes it wrote, 0 when the cell cannot be written (a column
// or row beyond the format's fields). A label's length field holds one byte: longer texts
// are cut to 248 characters in WK1 and 249 in WK3. Labels are written in code page 850,
// the worksheets' own (the program's Windows-1252 text converted).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/byte_codec.h"

inline constexpr std::size_t kWK1HeaderSize = 1380;
inline constexpr std::size_t kWK1EofSize = 4;
inline constexpr std::size_t kWK1NumberSize = 17;
inline constexpr std::size_t kWK3HeaderSize = 390;
inline constexpr std::size_t kWK3TrailerSize = 43;
inline constexpr std::size_t kWK3NumberSize = 18;
inline constexpr std::size_t kWK1MaxLabel = 248;
inline constexpr std::size_t kWK3MaxLabel = 249;
inline constexpr int kWorksheetMaxRow = 65535;
inline constexpr int kWK1MaxColumn = 65535;
inline constexpr int kWK3MaxColumn = 255;

int WK1PutHeader(bytes::ByteWriter& out, int lastColumn, int lastRow);
// Rewrites the range of a header already written (its first 1380 bytes).
void WK1SetRange(std::span<std::uint8_t> header, int lastColumn, int lastRow);
int WK1PutNumber(bytes::ByteWriter& out, int column, int row, double value);
// `prefix` is the label's alignment: '\'' left (the default), '"' right.
int WK1PutLabel(bytes::ByteWriter& out, int column, int row, std::string_view text,
                char prefix = '\'');
int WK1PutEOF(bytes::ByteWriter& out);

int WK3PutHeader(bytes::ByteWriter& out, int lastColumn, int lastRow);
void WK3SetRange(std::span<std::uint8_t> header, int lastColumn, int lastRow);
int WK3PutNumber(bytes::ByteWriter& out, int column, int row, long double value);
int WK3PutLabel(bytes::ByteWriter& out, int column, int row, std::string_view text,
                char prefix = '\'');
int WK3PutTrailer(bytes::ByteWriter& out);

// How a value goes into a cell of the review's export tables, which are made for spreadsheet
// programs rather than to be read back by this one. The programs that open the files read
// their numbers into doubles (LibreOffice those of WK3's 80-bit cells too) and show a value
// a double cannot hold wrongly or not at all: NaN and infinities as errors or empty cells,
// values beyond a double's range as errors or 0, subnormal ones as empty cells. A value is
// therefore written as a number when it is zero or a double holds it as a normal number;
// as right-aligned text of its digits when it is infinite, beyond that range or below it;
// and not at all when it is not a number.
enum class WorksheetCell { kNumber, kText, kEmpty };
WorksheetCell WorksheetCellKind(long double value);
// The text of a value written as text: the shortest digits that give it back, in the C
// locale ("1e+400", "-inf").
std::string WorksheetValueText(long double value);

// The characters of a text (Windows-1252) that a label cannot hold (code page 850 lacks
// them: €, the curly quotes, the dashes, ...), each once in the order met; empty when every
// character is held. They come back as '?'.
std::string LabelCharactersNotHeld(std::string_view text);

// Whether a form's number cells hold a value: WK3's 80-bit numbers every finite one; WK1's
// doubles every one a double holds (HeldAsDouble: a subnormal one with the digits a
// subnormal double keeps, the nearest double; not 1e400, nor 1e-400, which would be 0).
bool WorksheetHoldsValue(long double value, int form);

// A whole image of either form (1 WK1, 3 WK3): header, cells, end. The program's own
// images give back what they hold: a value the form holds is written as a number (a double
// in WK1, an 80-bit value in WK3), any other as the right-aligned text of its digits, NaN
// not at all. (The review's export tables, made for spreadsheet programs, follow
// WorksheetCellKind instead.) An empty label writes nothing.
class TWorksheetImage {
 public:
  TWorksheetImage(int form, int lastColumn, int lastRow);
  int Form() const { return form_; }
  void Number(int column, int row, long double value);
  void Label(int column, int row, std::string_view text);
  void SetRange(int lastColumn, int lastRow);
  // Writes the end records and hands the image over.
  std::vector<std::uint8_t> Finish();
  std::size_t Size() const { return out_.Size(); }

 private:
  int form_;
  bytes::ByteWriter out_;
};
