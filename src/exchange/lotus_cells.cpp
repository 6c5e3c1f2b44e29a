#include "exchange/lotus_cells.h"

#include <vector>

#include "app/byte_codec.h"
#include "app/file_utils.h"
#include "exchange/worksheet_cells.h"
#include "platform/cp1252.h"
#include "platform/cp850.h"

namespace {

constexpr std::uint16_t kEndRecord = 1;
constexpr std::uint16_t kWk3EndRecord = 28;
constexpr std::size_t kRecordHeader = 4;

// The text of a label body from `from` to its NUL.
std::string LabelText(std::span<const std::uint8_t> body, std::size_t from) {
  std::string text;
  for (std::size_t i = from; i < body.size() && body[i] != 0; ++i) text.push_back(static_cast<char>(body[i]));
  return text;
}
// Lotus keeps its labels in code page 850; a character Windows-1252 lacks is counted.
void LotusLabel(TSheetCells& out, int sheet, int row, int column, std::span<const std::uint8_t> body,
                std::size_t from) {
  const platform::TReplacedCharacters lost;
  std::string text = platform::Cp850ToCp1252(LabelText(body, from));
  out.Label(sheet, row, column, std::move(text), lost.Count());
}

// Decodes one record into the list; false when a cell record is shorter than its fixed
// part (the walk ends there).
bool DecodeWk1Record(unsigned type, std::span<const std::uint8_t> b, bool quattroLabels, TSheetCells& out) {
  if (type < 13 || type > 16) return true;
  const std::size_t labelFrom = quattroLabels ? 7 : 6;
  const std::size_t need = type == 13 ? 7 : type == 15 ? labelFrom : 13;
  if (b.size() < need) return false;
  const int column = bytes::LoadU16(&b[1]), row = bytes::LoadU16(&b[3]);
  if (type == 13)
    out.Number(0, row, column, static_cast<std::int16_t>(bytes::LoadU16(&b[5])));
  else if (type == 15 && quattroLabels)
    out.Label(0, row, column, LabelText(b, labelFrom));
  else if (type == 15)
    LotusLabel(out, 0, row, column, b, labelFrom);
  else
    out.Number(0, row, column, bytes::ByteReader(b.subspan(5)).F64());
  return true;
}

bool DecodeWb1Record(unsigned type, std::span<const std::uint8_t> b, TSheetCells& out) {
  if (type < 13 || type > 16) return true;
  const std::size_t need = type == 13 ? 8 : type == 15 ? 7 : 14;
  if (b.size() < need) return false;
  const int column = b[0], sheet = b[1], row = bytes::LoadU16(&b[2]);
  if (type == 13)
    out.Number(sheet, row, column, static_cast<std::int16_t>(bytes::LoadU16(&b[6])));
  else if (type == 15)
    out.Label(sheet, row, column, LabelText(b, 7));
  else
    out.Number(sheet, row, column, bytes::ByteReader(b.subspan(6)).F64());
  return true;
}

bool DecodeWk3Record(unsigned type, std::span<const std::uint8_t> b, TSheetCells& out) {
  if (type < 22 || type > 25) return true;
  const std::size_t need = type == 22 ? 5 : type == 24 ? 6 : 14;
  if (b.size() < need) return false;
  const int row = bytes::LoadU16(&b[0]), sheet = b[2], column = b[3];
  if (type == 22)
    LotusLabel(out, sheet, row, column, b, 5);
  else if (type == 24)
    out.Number(sheet, row, column, UnpackLotusNumber(b[4], b[5]));
  else
    out.Number(sheet, row, column, bytes::DecodeExtended(&b[4]));
  return true;
}

}  // namespace

TLotusLayout WorksheetLayout(std::span<const std::uint8_t> bytes, const std::string& path) {
  if (bytes.size() >= 4 && bytes::LoadU16(&bytes[0]) == 0) {
    if (bytes[2] == 26) return TLotusLayout::kWk3;
    if (bytes[2] == 2) return TLotusLayout::kWk1;
  }
  return IsWk3FamilyName(path) ? TLotusLayout::kWk3 : TLotusLayout::kWk1;
}

long double UnpackLotusNumber(std::uint8_t b0, std::uint8_t b1) {
  const auto high = static_cast<std::int8_t>(b1);
  if (b0 % 2 == 0) return static_cast<std::int16_t>(b0 | b1 << 8) >> 1;
  const long double m = high * 16.0L + (b0 >> 4);
  const long double fraction = high + (b0 >> 4) / 16.0L;
  // Decimal scalings are divisions, so that each value is the nearest to the decimal one.
  switch (b0 & 0x0F) {
    case 1: return m * 5000;
    case 3: return m * 500;
    case 5: return m / 20;
    case 7: return m / 200;
    case 9: return m / 2000;
    case 11: return m / 20000;
    case 13: return fraction;
    case 15: return fraction / 4;
    default: return 0;
  }
}

TSheetCells DecodeLotusCells(std::span<const std::uint8_t> bytes, TLotusLayout layout, std::size_t firstCell) {
  TSheetCells out;
  const bool wk3 = layout == TLotusLayout::kWk3;
  std::size_t offset = firstCell;
  while (offset + kRecordHeader <= bytes.size()) {
    const unsigned type = bytes::LoadU16(&bytes[offset]);
    const std::size_t length = bytes::LoadU16(&bytes[offset + 2]);
    if (type == kEndRecord || (wk3 && type == kWk3EndRecord)) return out;
    if (length > bytes.size() - offset - kRecordHeader) break;
    const auto body = bytes.subspan(offset + kRecordHeader, length);
    bool whole = true;
    switch (layout) {
      case TLotusLayout::kWk1: whole = DecodeWk1Record(type, body, false, out); break;
      case TLotusLayout::kWq1: whole = DecodeWk1Record(type, body, true, out); break;
      case TLotusLayout::kWk3: whole = DecodeWk3Record(type, body, out); break;
      case TLotusLayout::kWb1: whole = DecodeWb1Record(type, body, out); break;
    }
    if (!whole) break;
    offset += kRecordHeader + length;
  }
  // The file ended without its end record, or a record did not fit: what came before is
  // kept.
  out.cut = true;
  return out;
}

TLotusFile LoadLotusCells(const std::string& path, TLotusLayout layout) {
  TLotusFile file;
  const std::vector<std::uint8_t> bytes = LoadFileToGlobal(path);
  if (bytes.empty()) {
    file.error = TReadError::kCannotOpen;
    return file;
  }
  const bool wk3 = layout == TLotusLayout::kWk3;
  long first = WalkToCellRecord(bytes, wk3);
  if (first < 0) first = ScanForCellRecord(bytes, wk3);
  if (first < 0) {
    file.error = TReadError::kMalformed;
    return file;
  }
  file.cells = DecodeLotusCells(bytes, layout, static_cast<std::size_t>(first));
  return file;
}

TLotusFile LoadWorksheetCells(const std::string& path, int kind) {
  switch (kind) {
    case 9: return LoadLotusCells(path, TLotusLayout::kWb1);
    case 11: return LoadLotusCells(path, TLotusLayout::kWq1);
    case 7:
    case 12: return LoadLotusCells(path, TLotusLayout::kWk3);
    default: return LoadLotusCells(path, WorksheetLayout(ReadFileHead(path, 4), path));
  }
}
