#include "app/worksheet_records.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <initializer_list>

#include "app/long_double.h"
#include "platform/cp850.h"

namespace {

using bytes::ByteWriter;

// The unset-range pattern of the WK1 header.
void Unset(ByteWriter& w, int repeats) {
  for (int i = 0; i < repeats; ++i) {
    w.U16(0xFFFF);
    w.U16(0);
  }
}

void Bytes(ByteWriter& w, std::initializer_list<std::uint8_t> list) {
  for (std::uint8_t b : list) w.U8(b);
}

void RecordHead(ByteWriter& w, std::uint16_t opcode, std::uint16_t length) {
  w.U16(opcode);
  w.U16(length);
}

// The WK1 header with a zero range, built once from its records.
std::vector<std::uint8_t> MakeWK1Template() {
  ByteWriter w;
  RecordHead(w, 0x00, 2), Bytes(w, {0x06, 0x04});            // BOF, file version 0x0406
  RecordHead(w, 0x06, 8), w.Zeros(8);                         // RANGE, patched
  RecordHead(w, 0x96, 0);
  RecordHead(w, 0x2F, 1), w.U8(0x01);                         // CALCCOUNT
  RecordHead(w, 0x02, 1), w.U8(0xFF);                         // CALCMODE
  RecordHead(w, 0x03, 1), w.U8(0x00);                         // CALCORDER
  RecordHead(w, 0x04, 1), w.U8(0x00);
  RecordHead(w, 0x05, 1), w.U8(0xFF);
  RecordHead(w, 0x07, 32);                                    // WINDOW1
  Bytes(w, {0, 0, 0, 0, 0x71, 0, 0x09, 0, 0x08, 0, 0x14});
  w.Zeros(13);
  Bytes(w, {0x04, 0, 0x04, 0, 0x48, 0, 0, 0});
  RecordHead(w, 0x64, 32), w.Zeros(32);
  RecordHead(w, 0x18, 25), w.U8(0), Unset(w, 6);
  RecordHead(w, 0x19, 25), Unset(w, 6), w.U8(0);
  RecordHead(w, 0x1A, 8), Unset(w, 2);
  RecordHead(w, 0x30, 1), w.U8(0);
  RecordHead(w, 0x1C, 8), Unset(w, 2);
  RecordHead(w, 0x1B, 8), Unset(w, 2);
  RecordHead(w, 0x1D, 9), Unset(w, 2), w.U8(0);
  RecordHead(w, 0x23, 9), Unset(w, 2), w.U8(0);
  RecordHead(w, 0x67, 25), Unset(w, 6), w.U8(0);
  RecordHead(w, 0x69, 40), Unset(w, 10);
  RecordHead(w, 0x20, 16), Unset(w, 4);
  RecordHead(w, 0x66, 16), Unset(w, 4);
  RecordHead(w, 0x24, 1), w.U8(0);
  RecordHead(w, 0x25, 242), w.Zeros(242);                     // FOOTER
  RecordHead(w, 0x26, 242), w.Zeros(242);                     // HEADER
  RecordHead(w, 0x27, 40), w.Zeros(40);
  RecordHead(w, 0x28, 10), Bytes(w, {0x04, 0, 0x4C, 0, 0x42, 0, 0x02, 0, 0x02, 0});  // MARGINS
  RecordHead(w, 0x29, 1), w.U8(0x27);                         // LABELFMT: left-aligned
  RecordHead(w, 0x2A, 16), Unset(w, 4);
  RecordHead(w, 0x2D, 439), Unset(w, 26);                     // GRAPH
  Bytes(w, {0x04, 0, 0, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03});
  w.Zeros(320);
  Bytes(w, {0x71, 0x71, 0x01, 0, 0, 0});
  return w.Take();
}

std::vector<std::uint8_t> MakeWK3Template() {
  ByteWriter w;
  RecordHead(w, 0x00, 26);  // BOF; last row at image bytes 12-13, last column at 15
  Bytes(w, {0x00, 0x10, 0x04, 0, 0, 0, 0, 0});
  w.U16(0), w.U8(0), w.U8(0);
  Bytes(w, {0x01, 0, 0x05, 0, 0x01, 0x0A});
  w.Zeros(8);
  RecordHead(w, 0x03, 6), Bytes(w, {0x01, 0, 0, 0, 0x01, 0});
  RecordHead(w, 0x04, 28);
  Bytes(w, {0x01, 0x01, 0x01, 0, 0, 0, 0x0C, 0x24, 0x6F, 0x04, 0x04, 0, 0x70, 0xD5,
            0x8E, 0x1A, 0xF7, 0x4E, 0xFF, 0, 0xA7, 0x4D, 0, 0, 0x01, 0, 0x92, 0});
  RecordHead(w, 0x21, 1), w.U8(0);
  RecordHead(w, 0x0B, 1), w.U8(0);
  RecordHead(w, 0x0E, 32), w.Zeros(10), w.Extended(1), w.Extended(8191), Bytes(w, {0x01, 0});
  RecordHead(w, 0x0F, 86);
  w.U8(0x01), w.Zeros(49), w.U8(0x01), w.Zeros(8), w.U8(0x01), w.Zeros(10);
  Bytes(w, {0x04, 0, 0x4C, 0, 0x02, 0, 0x02, 0, 0x42, 0, 0x4C, 0, 0x42, 0, 0, 0});
  RecordHead(w, 0x11, 178);
  w.U8(0x01), w.Zeros(59), Bytes(w, {1, 1, 1, 1, 1, 1}), w.Zeros(22);
  Bytes(w, {0x01, 0, 0x0E, 0, 0x0E, 0, 0x0E}), w.Zeros(11);
  Bytes(w, {0x71, 0, 0, 0, 0x71, 0, 0, 0, 0x71}), w.Zeros(63);
  return w.Take();
}

std::vector<std::uint8_t> MakeWK3Trailer() {
  ByteWriter w;
  RecordHead(w, 0x1C, 6), Bytes(w, {0, 0, 0x2D, 0, 0, 0});
  for (std::uint8_t k : {0, 1, 2}) RecordHead(w, 0x1D, 4), Bytes(w, {k, 0, 0, 0});
  RecordHead(w, 0x1E, 1), w.U8(0);
  RecordHead(w, 0x01, 0);  // EOF
  return w.Take();
}

const std::vector<std::uint8_t>& WK1Template() {
  static const std::vector<std::uint8_t> t = MakeWK1Template();
  return t;
}
const std::vector<std::uint8_t>& WK3Template() {
  static const std::vector<std::uint8_t> t = MakeWK3Template();
  return t;
}

bool InRange(int value, int max) { return value >= 0 && value <= max; }

// The range fields of a header written at `start`: WK1 column and row at bytes 14 and 16;
// WK3 row at bytes 12-13 and column at byte 15 (byte 14 is 0 in the template).
void PatchWK1Range(ByteWriter& out, std::size_t start, int lastColumn, int lastRow) {
  out.PatchU16(start + 14, static_cast<std::uint16_t>(std::clamp(lastColumn, 0, kWK1MaxColumn)));
  out.PatchU16(start + 16, static_cast<std::uint16_t>(std::clamp(lastRow, 0, kWorksheetMaxRow)));
}
void PatchWK3Range(ByteWriter& out, std::size_t start, int lastColumn, int lastRow) {
  out.PatchU16(start + 12, static_cast<std::uint16_t>(std::clamp(lastRow, 0, kWorksheetMaxRow)));
  out.PatchU16(start + 14, static_cast<std::uint16_t>(std::clamp(lastColumn, 0, kWK3MaxColumn) << 8));
}

}  // namespace

int WK1PutHeader(ByteWriter& out, int lastColumn, int lastRow) {
  const std::size_t start = out.Size();
  out.Raw(WK1Template());
  PatchWK1Range(out, start, lastColumn, lastRow);
  return static_cast<int>(kWK1HeaderSize);
}

void WK1SetRange(std::span<std::uint8_t> header, int lastColumn, int lastRow) {
  if (header.size() < kWK1HeaderSize) return;
  bytes::StoreU16(&header[14], static_cast<std::uint16_t>(std::clamp(lastColumn, 0, kWK1MaxColumn)));
  bytes::StoreU16(&header[16], static_cast<std::uint16_t>(std::clamp(lastRow, 0, kWorksheetMaxRow)));
}

int WK1PutNumber(ByteWriter& out, int column, int row, double value) {
  if (!InRange(column, kWK1MaxColumn) || !InRange(row, kWorksheetMaxRow)) return 0;
  RecordHead(out, 0x0E, 0x0D);
  out.U8(0xFF);
  out.U16(static_cast<std::uint16_t>(column));
  out.U16(static_cast<std::uint16_t>(row));
  out.F64(value);
  return static_cast<int>(kWK1NumberSize);
}

int WK1PutLabel(ByteWriter& out, int column, int row, std::string_view text, char prefix) {
  if (!InRange(column, kWK1MaxColumn) || !InRange(row, kWorksheetMaxRow)) return 0;
  const std::string label = platform::Cp1252ToCp850(text.substr(0, std::min(text.find('\0'), kWK1MaxLabel)));
  RecordHead(out, 0x0F, static_cast<std::uint16_t>(label.size() + 7));
  out.U8(0xFF);
  out.U16(static_cast<std::uint16_t>(column));
  out.U16(static_cast<std::uint16_t>(row));
  out.U8(static_cast<std::uint8_t>(prefix));
  out.Raw(label.data(), label.size());
  out.U8(0);
  return static_cast<int>(label.size() + 11);
}

int WK1PutEOF(ByteWriter& out) {
  RecordHead(out, 0x01, 0);
  return static_cast<int>(kWK1EofSize);
}

int WK3PutHeader(ByteWriter& out, int lastColumn, int lastRow) {
  const std::size_t start = out.Size();
  out.Raw(WK3Template());
  PatchWK3Range(out, start, lastColumn, lastRow);
  return static_cast<int>(kWK3HeaderSize);
}

void WK3SetRange(std::span<std::uint8_t> header, int lastColumn, int lastRow) {
  if (header.size() < kWK3HeaderSize) return;
  bytes::StoreU16(&header[12], static_cast<std::uint16_t>(std::clamp(lastRow, 0, kWorksheetMaxRow)));
  header[15] = static_cast<std::uint8_t>(std::clamp(lastColumn, 0, kWK3MaxColumn));
}

int WK3PutNumber(ByteWriter& out, int column, int row, long double value) {
  if (!InRange(column, kWK3MaxColumn) || !InRange(row, kWorksheetMaxRow)) return 0;
  RecordHead(out, 0x17, 0x0E);
  out.U16(static_cast<std::uint16_t>(row));
  out.U8(0);  // sheet
  out.U8(static_cast<std::uint8_t>(column));
  out.Extended(value);
  return static_cast<int>(kWK3NumberSize);
}

int WK3PutLabel(ByteWriter& out, int column, int row, std::string_view text, char prefix) {
  if (!InRange(column, kWK3MaxColumn) || !InRange(row, kWorksheetMaxRow)) return 0;
  const std::string label = platform::Cp1252ToCp850(text.substr(0, std::min(text.find('\0'), kWK3MaxLabel)));
  RecordHead(out, 0x16, static_cast<std::uint16_t>(label.size() + 6));
  out.U16(static_cast<std::uint16_t>(row));
  out.U8(0);
  out.U8(static_cast<std::uint8_t>(column));
  out.U8(static_cast<std::uint8_t>(prefix));
  out.Raw(label.data(), label.size());
  out.U8(0);
  return static_cast<int>(label.size() + 10);
}

int WK3PutTrailer(ByteWriter& out) {
  static const std::vector<std::uint8_t> trailer = MakeWK3Trailer();
  out.Raw(trailer);
  return static_cast<int>(kWK3TrailerSize);
}

WorksheetCell WorksheetCellKind(long double value) {
  if (std::isnan(value)) return WorksheetCell::kEmpty;
  if (value == 0) return WorksheetCell::kNumber;
  if (!(std::fabs(value) <= DBL_MAX)) return WorksheetCell::kText;
  return std::isnormal(static_cast<double>(value)) ? WorksheetCell::kNumber : WorksheetCell::kText;
}

std::string WorksheetValueText(long double value) {
  char text[64];
  const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

TWorksheetImage::TWorksheetImage(int form, int lastColumn, int lastRow) : form_(form == 3 ? 3 : 1) {
  if (form_ == 1)
    WK1PutHeader(out_, lastColumn, lastRow);
  else
    WK3PutHeader(out_, lastColumn, lastRow);
}

std::string LabelCharactersNotHeld(std::string_view text) {
  std::string lacking;
  const std::string back = platform::Cp850ToCp1252(platform::Cp1252ToCp850(text));
  for (std::size_t i = 0; i < text.size() && i < back.size(); ++i)
    if (back[i] != text[i] && lacking.find(text[i]) == std::string::npos) lacking += text[i];
  return lacking;
}

bool WorksheetHoldsValue(long double value, int form) {
  if (!std::isfinite(value)) return false;
  return form == 3 || HeldAsDouble(value);
}

void TWorksheetImage::Number(int column, int row, long double value) {
  if (std::isnan(value)) return;
  if (!WorksheetHoldsValue(value, form_)) {
    const std::string text = WorksheetValueText(value);
    if (form_ == 1)
      WK1PutLabel(out_, column, row, text, '"');
    else
      WK3PutLabel(out_, column, row, text, '"');
  } else if (form_ == 1) {
    WK1PutNumber(out_, column, row, static_cast<double>(value));
  } else {
    WK3PutNumber(out_, column, row, value);
  }
}

void TWorksheetImage::Label(int column, int row, std::string_view text) {
  if (text.empty()) return;
  if (form_ == 1)
    WK1PutLabel(out_, column, row, text);
  else
    WK3PutLabel(out_, column, row, text);
}

void TWorksheetImage::SetRange(int lastColumn, int lastRow) {
  if (form_ == 1)
    PatchWK1Range(out_, 0, lastColumn, lastRow);
  else
    PatchWK3Range(out_, 0, lastColumn, lastRow);
}

std::vector<std::uint8_t> TWorksheetImage::Finish() {
  if (form_ == 1)
    WK1PutEOF(out_);
  else
    WK3PutTrailer(out_);
  return out_.Take();
}
