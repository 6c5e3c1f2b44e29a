// Record layouts of the Excel 4 and Quattro Pro for Windows export files.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>

#include "app/byte_codec.h"
#include "app/file_utils.h"
#include "exchange/export/qpw_export.h"
#include "exchange/export/xls_export.h"
#include "exchange/export_fixture.h"
#include "support/german_locale.h"

namespace {

namespace fs = std::filesystem;

struct Rec {
  std::uint16_t type;
  std::vector<std::uint8_t> body;
};

std::vector<Rec> Records(const std::vector<std::uint8_t>& b, std::size_t from = 0) {
  std::vector<Rec> out;
  for (std::size_t p = from; p + 4 <= b.size();) {
    const std::uint16_t type = bytes::LoadU16(&b[p]), length = bytes::LoadU16(&b[p + 2]);
    out.push_back({type, std::vector<std::uint8_t>(b.begin() + p + 4, b.begin() + p + 4 + length)});
    p += 4 + length;
  }
  return out;
}

class ExportBinary : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = fs::temp_directory_path() / ("ondravik_export_bin_" + std::to_string(::getpid()));
  }
  void TearDown() override { fs::remove(path_); }
  fs::path path_;
  GermanLocale german_;
};

TEST_F(ExportBinary, Biff4FixedBlocksAndDimensions) {
  EXPECT_EQ(Biff4SettingsBlock().size(), kBiff4SettingsSize);
  bytes::ByteWriter closing;
  Biff4PutClosing(closing);
  EXPECT_EQ(closing.Size(), kBiff4ClosingSize);

  struct Case {
    int kind, points, nx, ny;
    std::uint16_t rows, columns;
  };
  for (const Case c : {Case{1, 5, 10, 10, 101, 7}, Case{0, 12, 10, 10, 102, 28}, Case{2, 0, 3, 2, 7, 3},
                       Case{3, 0, 4, 2, 3, 5}}) {
    TPlaneExport plane(c.points);
    plane.SetGrid(c.kind, Steps(c.nx), Steps(c.ny));
    ASSERT_GT(XlsExportTable(path_, plane.Input()).result, 0);
    const std::vector<Rec> recs = Records(LoadFileToGlobal(path_));
    const auto dim = std::find_if(recs.begin(), recs.end(), [](const Rec& r) { return r.type == 0x0200; });
    ASSERT_NE(dim, recs.end());
    EXPECT_EQ(bytes::LoadU16(&dim->body[2]), c.rows) << c.kind;
    EXPECT_EQ(bytes::LoadU16(&dim->body[6]), c.columns) << c.kind;
    EXPECT_EQ(recs.back().type, 0x000A);
  }
}

// The 26 FORMAT records of the settings block, byte for byte: the two index bytes, the
// length byte and the text. The dollar formats quote a "$" before both number groups, inside
// the colour and the parenthesis of the negative one.
TEST(Biff4Formats, FormatRecordsHoldTheWrittenTexts) {
  const std::pair<std::array<std::uint8_t, 2>, std::string> want[] = {
      {{0x00, 0x00}, "General"},
      {{0x01, 0x00}, "0"},
      {{0x01, 0x01}, "0.00"},
      {{0x01, 0x02}, "#,##0"},
      {{0x01, 0x03}, "#,##0.00"},
      {{0x01, 0x04}, R"(#,##0_);\(#,##0\))"},
      {{0x01, 0x05}, R"(#,##0_);[Red]\(#,##0\))"},
      {{0x01, 0x06}, R"(#,##0.00_);\(#,##0.00\))"},
      {{0x01, 0x07}, R"(#,##0.00_);[Red]\(#,##0.00\))"},
      {{0x02, 0x00}, R"("$"#,##0_);\("$"#,##0\))"},
      {{0x02, 0x01}, R"("$"#,##0_);[Red]\("$"#,##0\))"},
      {{0x02, 0x02}, R"("$"#,##0.00_);\("$"#,##0.00\))"},
      {{0x02, 0x03}, R"("$"#,##0.00_);[Red]\("$"#,##0.00\))"},
      {{0x05, 0x00}, "0%"},
      {{0x05, 0x01}, "0.00%"},
      {{0x07, 0x00}, "0.00E+00"},
      {{0x06, 0x00}, R"(#\ ?/?)"},
      {{0x06, 0x01}, R"(#\ ??/??)"},
      {{0x03, 0x00}, "m/d/yy"},
      {{0x03, 0x01}, R"(d\-mmm\-yy)"},
      {{0x03, 0x02}, R"(d\-mmm)"},
      {{0x03, 0x03}, R"(mmm\-yy)"},
      {{0x04, 0x00}, R"(h:mm\ AM/PM)"},
      {{0x04, 0x01}, R"(h:mm:ss\ AM/PM)"},
      {{0x04, 0x02}, "h:mm"},
      {{0x04, 0x03}, "h:mm:ss"},
      {{0x04, 0x04}, R"(m/d/yy\ h:mm)"},
  };
  std::vector<Rec> formats;
  for (const Rec& r : Records(Biff4SettingsBlock()))
    if (r.type == 0x041E) formats.push_back(r);
  ASSERT_EQ(formats.size(), std::size(want));
  for (std::size_t i = 0; i < formats.size(); ++i) {
    std::vector<std::uint8_t> body{want[i].first[0], want[i].first[1], static_cast<std::uint8_t>(want[i].second.size())};
    body.insert(body.end(), want[i].second.begin(), want[i].second.end());
    EXPECT_EQ(formats[i].body, body) << i << " " << want[i].second;
  }
}

TEST_F(ExportBinary, Biff4EmptyTitleIsAnEmptyLabel) {
  TPlaneExport plane(2);
  plane.fit.dataTitle.clear();
  plane.SetGrid(0, Steps(2), Steps(2));
  ASSERT_GT(XlsExportTable(path_, plane.Input()).result, 0);
  const std::vector<Rec> recs = Records(LoadFileToGlobal(path_));
  const auto dim = std::find_if(recs.begin(), recs.end(), [](const Rec& r) { return r.type == 0x0200; });
  ASSERT_NE(dim + 1, recs.end());
  EXPECT_EQ(dim[1].type, 0x0204);
  EXPECT_EQ(dim[1].body, (std::vector<std::uint8_t>{0, 0, 0, 0, 15, 0, 0, 0}));
  // Labels longer than 255 characters are cut there.
  plane.fit.dataTitle = std::string(300, 'x');
  ASSERT_GT(XlsExportTable(path_, plane.Input()).result, 0);
  const std::vector<Rec> long_recs = Records(LoadFileToGlobal(path_));
  const auto d2 = std::find_if(long_recs.begin(), long_recs.end(), [](const Rec& r) { return r.type == 0x0200; });
  EXPECT_EQ(d2[1].body.size(), 255u + 8);
}

TEST_F(ExportBinary, Wb1LabelsPadToEvenBodiesAndGridColumnsKeepEveryPoint) {
  TPlaneExport plane(1);
  plane.review.ReviewEvalZ = [](long double x, long double) { return x == 1 ? ExprErrorValue : x; };
  plane.SetGrid(0, Steps(2), Steps(3));
  ASSERT_GT(QpwExportTable(path_, plane.Input()).result, 0);
  const std::vector<std::uint8_t> b = LoadFileToGlobal(path_);
  EXPECT_EQ(bytes::LoadU16(&b[kQpwLastColumnOffset]), 27);
  EXPECT_EQ(bytes::LoadU16(&b[kQpwLastRowOffset]), 9);
  const std::vector<Rec> recs = Records(b);
  std::map<std::string, std::size_t> labelLength;
  std::vector<std::pair<int, int>> column21, column22, column23;
  bool inPage = false, cellsInPage = true;
  for (const Rec& r : recs) {
    if (r.type == 0x00CA) inPage = true;
    if (r.type == 0x00CB) inPage = false;
    if (r.type != 0x000E && r.type != 0x000F) continue;
    cellsInPage = cellsInPage && inPage;
    const int column = bytes::LoadU16(&r.body[0]), row = bytes::LoadU16(&r.body[2]);
    if (r.type == 0x000F) labelLength[std::string(reinterpret_cast<const char*>(&r.body[7]))] = r.body.size();
    if (r.type == 0x000E && column == 21) column21.push_back({column, row});
    if (r.type == 0x000E && column == 22) column22.push_back({column, row});
    if (r.type == 0x000E && column == 23) column23.push_back({column, row});
  }
  EXPECT_TRUE(cellsInPage);
  EXPECT_EQ(labelLength["Eqn"], 12u);
  EXPECT_EQ(labelLength["r2"], 10u);
  ASSERT_EQ(column21.size(), 6u);
  ASSERT_EQ(column22.size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(column22[static_cast<std::size_t>(i)].second, 2 + i);
  EXPECT_EQ(column23.size(), 3u);  // x = 1 cannot be evaluated
  // Cells go column by column.
  int lastColumn = -1;
  for (const Rec& r : recs)
    if (r.type == 0x000E || r.type == 0x000F) {
      const int column = bytes::LoadU16(&r.body[0]);
      ASSERT_GE(column, lastColumn);
      lastColumn = column;
    }
}

// A generated table of 16384 x 2 points: every column's run stops after the X value that
// starts at row 16381, at row 16382, and the next column's title follows at once; the header
// still states the capped grid's last row, 16383.
TEST_F(ExportBinary, Wb1GeneratedColumnsStopAfterTheXValueStartingAtRow16381) {
  for (const int kind : {1, 2}) {
    TPlaneExport plane(0);
    plane.SetGrid(kind, Steps(16384), Steps(2));
    const TExportOutcome out = QpwExportTable(path_, plane.Input());
    EXPECT_EQ(out.result, 16383) << kind;
    EXPECT_EQ(out.lastRowWritten, 16382) << kind;
    const std::vector<std::uint8_t> b = LoadFileToGlobal(path_);
    EXPECT_EQ(bytes::LoadU16(&b[kQpwLastColumnOffset]), kind == 1 ? 6 : 2);
    EXPECT_EQ(bytes::LoadU16(&b[kQpwLastRowOffset]), 16383);
    std::map<int, std::vector<int>> rowsOf;  // number cells by column
    for (const Rec& r : Records(b))
      if (r.type == 0x000E) rowsOf[bytes::LoadU16(&r.body[0])].push_back(bytes::LoadU16(&r.body[2]));
    for (int column = 0; column < 3; ++column) {
      ASSERT_EQ(rowsOf[column].size(), 16382u) << kind << " " << column;
      EXPECT_EQ(rowsOf[column].front(), 1);
      EXPECT_EQ(rowsOf[column].back(), 16382);
    }
    // Column 0's last cell, x = 8190 at row 16382, then column 1's title "Y Generated".
    const std::vector<std::uint8_t> joint = {
        0x0E, 0x00, 0x0E, 0x00, 0x00, 0x00, 0xFE, 0x3F, 0x03, 0x00, 0, 0, 0, 0, 0, 0xFE, 0xBF, 0x40,
        0x0F, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x27, 'Y', ' ', 'G', 'e', 'n', 'e',
        'r', 'a', 't', 'e', 'd', 0x00, 0x00};
    EXPECT_NE(std::search(b.begin(), b.end(), joint.begin(), joint.end()), b.end()) << kind;
  }
}

TEST_F(ExportBinary, FullWorksheetOf16384PointsStopsOnlyWhereAReaderWould) {
  TPlaneExport plane(16384);
  plane.SetGrid(0, {0, 0, 1}, Steps(1));  // 16383 X values, G capped at 16382
  const TExportOutcome xls = XlsExportTable(path_, plane.Input());
  EXPECT_EQ(xls.lastRowWritten, kBiff4MaxRow);
  EXPECT_EQ(xls.rowsCut, 16385 - kBiff4MaxRow);  // observed rows reach N + 1 = 16385
  const TExportOutcome wb1 = QpwExportTable(path_, plane.Input());
  EXPECT_EQ(wb1.lastRowWritten, 16385);
  EXPECT_EQ(wb1.rowsCut, 0);
}

}  // namespace
