#include "exchange/export/qpw_export.h"

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "app/file_utils.h"

namespace {

using bytes::ByteWriter;

void Head(ByteWriter& w, std::uint16_t type, std::size_t length) {
  w.U16(type);
  w.U16(static_cast<std::uint16_t>(length));
}
void Record(ByteWriter& w, std::uint16_t type, std::initializer_list<std::uint8_t> body) {
  Head(w, type, body.size());
  for (std::uint8_t b : body) w.U8(b);
}
void Zeros(ByteWriter& w, std::uint16_t type, std::size_t length) {
  Head(w, type, length);
  w.Zeros(length);
}
// A record whose body opens with a NUL-terminated text, zero-filled to its length.
void TextRecord(ByteWriter& w, std::uint16_t type, std::size_t length, std::size_t textOffset, std::string_view text) {
  Head(w, type, length);
  std::string body(length, '\0');
  body.replace(textOffset, text.size(), text);
  w.Raw(body.data(), body.size());
}
// Font records: point size 10, plain, the face name.
void FontRecord(ByteWriter& w, std::uint16_t type) {
  Head(w, type, 36);
  w.U16(10), w.U16(0);
  w.FixedString("Arial", 32);
}

// The notebook header: the short bodies of the format's blank notebook, and plain bodies
// (fonts, palette, named styles, page setup, block settings) that the readers accept for a
// notebook without graphs. The graph object records are left out.
std::vector<std::uint8_t> MakeHeader() {
  ByteWriter w;
  Record(w, 0x0000, {0x01, 0x10});  // BOF, notebook version 0x1001
  Record(w, 0x00C9, {0x01, 0x00});
  Zeros(w, 0x0006, 8);  // the extent: last column and last row at file offsets 20 and 22
  Record(w, 0x0099, {0x00});
  Record(w, 0x0002, {0x01});
  Record(w, 0x0003, {0x00});
  Record(w, 0x002F, {0x01});
  for (int i = 0; i < 3; ++i) FontRecord(w, 0x00CF);
  Head(w, 0x00E8, 64);  // the 16 basic colours as R, G, B, 0
  for (std::uint32_t rgb : {0x000000u, 0xFFFFFFu, 0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFF00u, 0xFF00FFu,
                            0x00FFFFu, 0x800000u, 0x008000u, 0x000080u, 0x808000u, 0x800080u, 0x008080u,
                            0xC0C0C0u, 0x808080u})
    w.U8(static_cast<std::uint8_t>(rgb >> 16)), w.U8(static_cast<std::uint8_t>(rgb >> 8)),
        w.U8(static_cast<std::uint8_t>(rgb)), w.U8(0);
  TextRecord(w, 0x00E6, 21, 2, "TMonth' 'D', 'YYYY");
  int index = 0;
  for (const char* name : {"Normal", "Comma", "Currency", "Percent", "Fixed", "Date", "Heading 1", "Heading 2",
                           "Total", "Comma0", "Currency0"}) {
    const std::string_view n(name);
    Head(w, 0x00D0, 4 + n.size() + 1);
    w.U16(static_cast<std::uint16_t>(index++)), w.U16(0);
    w.Raw(n.data(), n.size()), w.U8(0);
  }
  Record(w, 0x00CE, {0x02, 0, 0x03, 0x30, 0x01, 0, 0xFE, 0});
  for (std::uint8_t b : {0x52, 0x32, 0x42, 0x12, 0x78}) Record(w, 0x00CE, {b, 0, 0x03, 0x30, 0x01, 0, 0x02, 0});
  Record(w, 0x00CE, {0x02, 0, 0x03, 0x30, 0x02, 0, 0x10, 0});
  Record(w, 0x00CE, {0x02, 0, 0x03, 0x30, 0x03, 0, 0x10, 0});
  Record(w, 0x00CE, {0x02, 0, 0x03, 0x30, 0x01, 0x08, 0x20, 0});
  for (std::uint8_t b : {0x50, 0x30}) Record(w, 0x00CE, {b, 0, 0x03, 0x30, 0x01, 0, 0x02, 0});
  Record(w, 0x0097, {0x01, 0, 0});
  Record(w, 0x00E2, {0x01});
  Record(w, 0x0264, {0x5D, 0xF1, 0xD8, 0x14});
  TextRecord(w, 0x0259, 15, 0, "<Active Graph>");
  Record(w, 0x0322, {0, 0});
  Record(w, 0x025D, {0, 0, 0, 0});
  Zeros(w, 0x025A, 0);
  for (std::uint16_t opener : {0x0109, 0x010A}) {  // page setup of the sheet, then of the graph page
    Record(w, opener, {0x00});
    for (auto [type, length] : std::initializer_list<std::pair<std::uint16_t, std::size_t>>{
             {0x001A, 6}, {0x0025, 1}, {0x0026, 1}, {0x0027, 1}, {0x0028, 12}, {0x0030, 1}, {0x00EE, 1},
             {0x0101, 1}, {0x0102, 1}, {0x00EF, 4}, {0x00F0, 4}, {0x00F1, 2}, {0x00F2, 6}, {0x00F3, 1},
             {0x00F4, 1}, {0x00F5, 2}, {0x00F6, 2}, {0x00F7, 1}, {0x00F8, 6}, {0x00F9, 6}, {0x00FA, 1}}) {
      Zeros(w, type, length);
    }
    FontRecord(w, 0x00FC);
    Zeros(w, 0x010C, 12);
    Zeros(w, 0x00FB, 0);
  }
  for (auto [type, length] : std::initializer_list<std::pair<std::uint16_t, std::size_t>>{
           {0x001C, 10}, {0x0018, 32}, {0x0019, 32}, {0x010D, 10}, {0x0103, 84}, {0x00B7, 38}, {0x001B, 14},
           {0x001D, 12}, {0x0023, 12}, {0x009F, 12}, {0x00A0, 12}, {0x00A1, 12}, {0x0020, 20}, {0x0066, 20},
           {0x0067, 32}, {0x0069, 50}}) {
    Zeros(w, type, length);
  }
  Record(w, 0x00FD, {0x05, 0});
  Record(w, 0x00FE, {1, 0, 1, 0, 1, 0, 1, 0, 1, 0});
  Record(w, 0x012D, {0x01, 0});
  Record(w, 0x012E, {0x01, 0, 0, 0});
  Zeros(w, 0x012F, 103);
  Record(w, 0x00CA, {0x00});  // the sheet's page begins
  Record(w, 0x0024, {0x00});
  Zeros(w, 0x00D1, 38);
  Record(w, 0x00E0, {0x01, 0});
  Record(w, 0x00DA, {0, 0, 0x01});
  Zeros(w, 0x025B, 0);
  Zeros(w, 0x025C, 0);
  return w.Take();
}

// Writes each cell's record at the end of its column's own buffer as it comes (the cells
// arrive in row order): the buffers one after another are the cells column by column, each
// column's in the order the cells came.
class TColumnSink : public TExportCellSink {
 public:
  // Each column's buffer is made with room for `rows` numbers.
  explicit TColumnSink(int rows) : columnBytes_(static_cast<std::size_t>(std::max(rows, 0)) * kNumberRecordBytes) {}
  void Number(int column, int row, long double value) override {
    QpwPutNumber(Column(column), column, row, static_cast<double>(value));
  }
  void Label(int column, int row, std::string_view text, bool) override {
    QpwPutLabel(Column(column), column, row, text);
  }
  // Each column's buffer in turn, after `pieces` has been given what goes before them.
  void AppendTo(std::vector<std::span<const std::uint8_t>>& pieces) const {
    for (const ByteWriter& c : columns_) pieces.emplace_back(c.Bytes());
  }

 private:
  ByteWriter& Column(int column) {
    const std::size_t k = static_cast<std::size_t>(std::max(column, 0));
    while (k >= columns_.size()) {
      columns_.emplace_back();
      columns_.back().Reserve(columnBytes_);
    }
    return columns_[k];
  }
  static constexpr std::size_t kNumberRecordBytes = 18;
  std::size_t columnBytes_;
  std::vector<ByteWriter> columns_;
};

}  // namespace

void QpwPutHeader(ByteWriter& out, int rowCount, int columnCount) {
  static const std::vector<std::uint8_t> header = MakeHeader();
  const std::size_t start = out.Size();
  out.Raw(header);
  out.PatchU16(start + kQpwLastColumnOffset, static_cast<std::uint16_t>(std::max(columnCount - 1, 0)));
  out.PatchU16(start + kQpwLastRowOffset, static_cast<std::uint16_t>(std::max(rowCount - 1, 0)));
}

void QpwPutNumber(ByteWriter& out, int column, int row, double value) {
  Head(out, 0x000E, 14);
  out.U16(static_cast<std::uint16_t>(column)), out.U16(static_cast<std::uint16_t>(row)), out.U16(3);
  out.F64(value);
}

void QpwPutLabel(ByteWriter& out, int column, int row, std::string_view text) {
  text = text.substr(0, std::min(text.find('\0'), std::size_t{0xFFF0}));
  const std::size_t l = text.size() + (text.size() % 2 == 0 ? 1 : 2);
  Head(out, 0x000F, l + 7);
  out.U16(static_cast<std::uint16_t>(column)), out.U16(static_cast<std::uint16_t>(row)), out.U16(1);
  out.U8(0x27);
  out.Raw(text.data(), text.size());
  out.Zeros(l - text.size());
}

void QpwPutClosing(ByteWriter& out) {
  Record(out, 0x00CB, {0x00});  // end of the sheet's page
  Head(out, 0x0191, 0);
  Record(out, 0x0194, {0x14, 0, 0x0F, 0});
  Record(out, 0x0193, {0x75, 0x02, 0xE2, 0x03, 0, 0});
  Record(out, 0x019C, {0, 0, 1, 0, 1, 0, 1, 0});
  Record(out, 0x019E, {0x64, 0});
  Record(out, 0x0195, {0, 0, 0x64, 0, 0, 0});
  Record(out, 0x0196, {0, 0});
  Record(out, 0x0197, {0, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0});
  Record(out, 0x0199, {0});
  Record(out, 0x019B, {1});
  Head(out, 0x0192, 0);
  Head(out, 0x0001, 0);  // end of file
}

TExportOutcome QpwExportTable(const std::filesystem::path& path, const TExportTableInput& in) {
  if (in.request->tableKind < 0 || in.request->tableKind > 3) return {};
  const TExportGrid grid = MakeExportGrid(*in.request);
  const TExportLayout layout = ExportTableLayout(in, grid, kQpwMaxRow);
  TColumnSink sink(layout.lastRow + 1);
  TExportOutcome outcome = WriteExportCells(in, grid, ExportGridRules::kQuattroPro, kQpwMaxRow, sink);
  // The columns go to the file as they stand, between the header and the closing block.
  ByteWriter header, closing;
  QpwPutHeader(header, layout.lastRow + 1, layout.lastColumn + 1);
  QpwPutClosing(closing);
  std::vector<std::span<const std::uint8_t>> pieces{header.Bytes()};
  sink.AppendTo(pieces);
  pieces.emplace_back(closing.Bytes());
  if (ExportEvaluationsStopped() || !SaveGlobalToFile(pieces, path)) outcome.result = -1;
  return outcome;
}
