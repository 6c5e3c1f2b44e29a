#include "exchange/export/xls_export.h"

#include <initializer_list>
#include <string>

#include "app/file_utils.h"

namespace {

using bytes::ByteWriter;

constexpr std::uint16_t kCellXf = 15;

void Head(ByteWriter& w, std::uint16_t type, std::size_t length) {
  w.U16(type);
  w.U16(static_cast<std::uint16_t>(length));
}
void Record(ByteWriter& w, std::uint16_t type, std::initializer_list<std::uint8_t> body) {
  Head(w, type, body.size());
  for (std::uint8_t b : body) w.U8(b);
}
void DoubleRecord(ByteWriter& w, std::uint16_t type, double v) {
  Head(w, type, 8);
  w.F64(v);
}

std::vector<std::uint8_t> MakeSettings() {
  ByteWriter w;
  Record(w, 0x0042, {0xE4, 0x04});  // CODEPAGE 1252
  Record(w, 0x000C, {0x64, 0});     // CALCCOUNT
  Record(w, 0x000D, {1, 0});        // CALCMODE
  Record(w, 0x000E, {1, 0});        // PRECISION
  Record(w, 0x000F, {1, 0});        // REFMODE
  DoubleRecord(w, 0x0010, 0.001);   // DELTA
  Record(w, 0x0011, {0, 0});        // ITERATION
  Record(w, 0x0022, {0, 0});        // DATEMODE
  Record(w, 0x002A, {0, 0});        // PRINTHEADERS
  Record(w, 0x002B, {1, 0});        // PRINTGRIDLINES
  Record(w, 0x005F, {1, 0});        // SAVERECALC
  Record(w, 0x0082, {0, 0});        // GRIDSET
  Record(w, 0x0080, {0, 0, 0, 0, 0, 0, 0, 0});  // GUTS
  Record(w, 0x0225, {0, 0, 0xFF, 0});           // DEFAULTROWHEIGHT
  Record(w, 0x008C, {1, 0, 1, 0});              // COUNTRY
  Record(w, 0x008D, {0, 0});                    // HIDEOBJ
  Record(w, 0x0081, {0xC1, 0x04});              // WSBOOL
  for (std::uint8_t attributes : {0, 1, 2, 3, 0}) {  // FONT: plain, bold, italic, bold italic, plain
    Head(w, 0x0231, 20);
    w.U16(0xC8), w.U16(attributes), w.U16(0x7FFF), w.U8(13);
    w.Raw("MS Sans Serif", 13);
  }
  Head(w, 0x0014, 3), w.U8(2), w.Raw("&F", 2);          // HEADER
  Head(w, 0x0015, 8), w.U8(7), w.Raw("Page &P", 7);     // FOOTER
  Record(w, 0x0083, {0, 0});                            // HCENTER
  Record(w, 0x0084, {0, 0});                            // VCENTER
  DoubleRecord(w, 0x0026, 0.75), DoubleRecord(w, 0x0027, 0.75);  // LEFT/RIGHTMARGIN
  DoubleRecord(w, 0x0028, 1.0), DoubleRecord(w, 0x0029, 1.0);    // TOP/BOTTOMMARGIN
  Record(w, 0x00A1, {0xC1, 0x04, 1, 0, 1, 0, 1, 0, 1, 0, 4, 0});  // SETUP
  Record(w, 0x0040, {0, 0});                                      // BACKUP
  Record(w, 0x0056, {0x1B, 0});                                   // BUILTINFMTCOUNT
  const std::string money[] = {"#,##0_);\\(#,##0\\)", "#,##0_);[Red]\\(#,##0\\)",
                               "#,##0.00_);\\(#,##0.00\\)", "#,##0.00_);[Red]\\(#,##0.00\\)"};
  // A quoted dollar sign before each of the two number groups; the negative group's starts
  // at its first '#', after any colour and the escaped parenthesis.
  auto dollars = [](const std::string& f) {
    const std::size_t negative = f.find('#', f.find(';'));
    return "\"$\"" + f.substr(0, negative) + "\"$\"" + f.substr(negative);
  };
  const std::pair<std::uint16_t, std::string> formats[] = {
      {0x0000, "General"}, {0x0001, "0"}, {0x0101, "0.00"}, {0x0201, "#,##0"}, {0x0301, "#,##0.00"},
      {0x0401, money[0]}, {0x0501, money[1]}, {0x0601, money[2]}, {0x0701, money[3]},
      {0x0002, dollars(money[0])}, {0x0102, dollars(money[1])}, {0x0202, dollars(money[2])},
      {0x0302, dollars(money[3])}, {0x0005, "0%"}, {0x0105, "0.00%"}, {0x0007, "0.00E+00"},
      {0x0006, "#\\ ?/?"}, {0x0106, "#\\ ?" "?/?" "?"}, {0x0003, "m/d/yy"}, {0x0103, "d\\-mmm\\-yy"},
      {0x0203, "d\\-mmm"}, {0x0303, "mmm\\-yy"}, {0x0004, "h:mm\\ AM/PM"}, {0x0104, "h:mm:ss\\ AM/PM"},
      {0x0204, "h:mm"}, {0x0304, "h:mm:ss"}, {0x0404, "m/d/yy\\ h:mm"}};
  for (const auto& [index, text] : formats) {  // FORMAT: the two index bytes as listed
    Head(w, 0x041E, 3 + text.size());
    w.U8(static_cast<std::uint8_t>(index & 0xFF)), w.U8(static_cast<std::uint8_t>(index >> 8));
    w.U8(static_cast<std::uint8_t>(text.size()));
    w.Raw(text.data(), text.size());
  }
  for (std::uint8_t code : {5, 9, 4, 6, 7, 8}) Record(w, 0x0218, {0x20, 0, 0x0C, 1, 0, 0, code});  // NAME
  for (std::uint16_t type : {0x0012, 0x0019, 0x0063, 0x0013}) Record(w, type, {0, 0});  // protection
  Record(w, 0x0443, {0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0xCE, 0, 0, 0, 0});  // XF 0
  for (int i = 1; i <= 14; ++i) {
    const std::uint8_t font = i <= 2 ? 1 : i <= 4 ? 2 : 0;
    Record(w, 0x0443, {font, 0, 0xF5, 0xFF, 0x20, 0xF4, 0, 0xCE, 0, 0, 0, 0});
  }
  Record(w, 0x0443, {0, 0, 1, 0, 0x20, 0, 0, 0xCE, 0, 0, 0, 0});  // XF 15, the cells'
  for (std::uint8_t format : {0x08, 0x06, 0x0C, 0x0A, 0x0D})
    Record(w, 0x0443, {5, format, 0xF5, 0xFF, 0x20, 0xF8, 0, 0xCE, 0, 0, 0, 0});
  Record(w, 0x0293, {0x10, 0x80, 0x03, 0xFF});  // STYLE
  Record(w, 0x0293, {0x11, 0x80, 0x06, 0xFF});
  Record(w, 0x0293, {0x12, 0x80, 0x04, 0xFF});
  Record(w, 0x0293, {0x13, 0x80, 0x07, 0xFF});
  Record(w, 0x0293, {0x00, 0x80, 0x00, 0xFF});
  Record(w, 0x0293, {0x14, 0x80, 0x05, 0xFF});
  Record(w, 0x0055, {8, 0});  // DEFCOLWIDTH
  return w.Take();
}

class TBiff4Sink : public TExportCellSink {
 public:
  explicit TBiff4Sink(ByteWriter& out) : out_(out) {}
  void Number(int column, int row, long double value) override {
    Biff4PutNumber(out_, column, row, static_cast<double>(value));
  }
  void Label(int column, int row, std::string_view text, bool) override { Biff4PutLabel(out_, column, row, text); }

 private:
  ByteWriter& out_;
};

}  // namespace

const std::vector<std::uint8_t>& Biff4SettingsBlock() {
  static const std::vector<std::uint8_t> block = MakeSettings();
  return block;
}

void Biff4PutHeader(ByteWriter& out, int rowCount, int columnCount) {
  Record(out, 0x0409, {0, 0, 0x10, 0, 0xF6, 0x05});  // BOF: worksheet
  Head(out, 0x005C, 32);                             // WRITEACCESS
  out.U8(9);
  std::string user = "Ada Vlock";
  user.resize(31, ' ');
  out.Raw(user.data(), user.size());
  out.Raw(Biff4SettingsBlock());
  Head(out, 0x0200, 10);  // DIMENSIONS
  out.U16(0), out.U16(static_cast<std::uint16_t>(rowCount));
  out.U16(0), out.U16(static_cast<std::uint16_t>(columnCount)), out.U16(0);
}

void Biff4PutNumber(ByteWriter& out, int column, int row, double value) {
  Head(out, 0x0203, 14);
  out.U16(static_cast<std::uint16_t>(row)), out.U16(static_cast<std::uint16_t>(column)), out.U16(kCellXf);
  out.F64(value);
}

void Biff4PutLabel(ByteWriter& out, int column, int row, std::string_view text) {
  text = text.substr(0, kBiff4MaxLabel);
  Head(out, 0x0204, text.size() + 8);
  out.U16(static_cast<std::uint16_t>(row)), out.U16(static_cast<std::uint16_t>(column)), out.U16(kCellXf);
  out.U16(static_cast<std::uint16_t>(text.size()));
  out.Raw(text.data(), text.size());
}

void Biff4PutClosing(ByteWriter& out) {
  Record(out, 0x003D, {0x78, 0, 0x4B, 0, 0x5B, 0x3B, 0x52, 0x26, 0, 0});  // WINDOW1
  Record(out, 0x023E, {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0});                // WINDOW2
  Record(out, 0x001D, {3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});     // SELECTION
  Head(out, 0x0094, 0);
  Head(out, 0x00AB, 34), out.U16(0x20);  // GCW
  for (int i = 0; i < 32; ++i) out.U8(0xFF);
  Head(out, 0x000A, 0);  // EOF
}

TExportOutcome XlsExportTable(const std::filesystem::path& path, const TExportTableInput& in) {
  if (in.request->tableKind < 0 || in.request->tableKind > 3) return {};
  const TExportGrid grid = MakeExportGrid(*in.request);
  const TExportLayout layout = ExportTableLayout(in, grid, kBiff4MaxRow);
  ByteWriter out;
  Biff4PutHeader(out, layout.lastRow + 1, layout.lastColumn + 1);
  TBiff4Sink sink(out);
  TExportOutcome outcome = WriteExportCells(in, grid, ExportGridRules::kLotusExcel, kBiff4MaxRow, sink);
  Biff4PutClosing(out);
  if (ExportEvaluationsStopped() || !SaveGlobalToFile(out.Bytes(), path)) outcome.result = -1;
  return outcome;
}
