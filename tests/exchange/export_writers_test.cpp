// Byte layouts of the export files and the text writers' exact lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "app/byte_codec.h"
#include "app/file_utils.h"
#include "exchange/export/ascii_export.h"
#include "exchange/export/lotus_export.h"
#include "exchange/export/parms_summary.h"
#include "exchange/export_fixture.h"
#include "support/german_locale.h"

namespace {

namespace fs = std::filesystem;

class ExportFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ondravik_export_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path Path(const std::string& name) const { return dir_ / name; }
  static std::vector<std::uint8_t> Bytes(const fs::path& p) { return LoadFileToGlobal(p); }
  static std::string Text(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static bool Contains(const std::vector<std::uint8_t>& hay, const std::vector<std::uint8_t>& needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
  }
  fs::path dir_;
  GermanLocale german_;
};

std::vector<std::uint8_t> Seq(std::initializer_list<int> head, std::string_view text, std::initializer_list<int> tail) {
  std::vector<std::uint8_t> v;
  for (int b : head) v.push_back(static_cast<std::uint8_t>(b));
  v.insert(v.end(), text.begin(), text.end());
  for (int b : tail) v.push_back(static_cast<std::uint8_t>(b));
  return v;
}

TEST_F(ExportFiles, Wk1FullWorksheetHeaderExtentAndTitleRecord) {
  TPlaneExport plane(20);
  plane.SetGrid(0, Steps(3), Steps(4));
  const TExportOutcome out = LotusExportTable(Path("t.wk1"), 1, plane.Input());
  EXPECT_EQ(out.result, 14);
  EXPECT_EQ(out.rowsCut, 0);
  const std::vector<std::uint8_t> b = Bytes(Path("t.wk1"));
  ASSERT_GT(b.size(), 1384u);
  EXPECT_EQ(bytes::LoadU16(&b[14]), 27);
  EXPECT_EQ(bytes::LoadU16(&b[16]), 21);
  // The first cell follows the 1380-byte header: the data title at (0, 0), left-aligned.
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 1380, b.begin() + 1380 + 12),
            Seq({0x0F, 0, 17, 0, 0xFF, 0, 0, 0, 0, 0x27}, "Pl", {}));
  EXPECT_TRUE(Contains(b, Seq({0x0F, 0, 0x0C, 0, 0xFF, 9, 0, 1, 0, 0x22}, "XYZ #", {0})));
  EXPECT_TRUE(Contains(b, Seq({0x0F, 0, 12, 0, 0xFF, 9, 0, 8, 0, 0x22}, "   7*", {0})) == false);
  EXPECT_EQ(std::vector<std::uint8_t>(b.end() - 4, b.end()), (std::vector<std::uint8_t>{1, 0, 0, 0}));
}

TEST_F(ExportFiles, Wk3HeaderTrailerAndUnroundedNumbers) {
  TPlaneExport plane(3);
  plane.review.ReviewEvalZ = [](long double x, long double y) { return (x + y) / 3; };
  plane.SetGrid(2, Steps(2), Steps(2));
  const TExportOutcome out = LotusExportTable(Path("t.wk3"), 3, plane.Input());
  EXPECT_EQ(out.result, 5);
  const std::vector<std::uint8_t> b = Bytes(Path("t.wk3"));
  EXPECT_EQ(bytes::LoadU16(&b[12]), 4);  // last row G
  EXPECT_EQ(b[15], 2);                   // last column
  const std::vector<std::uint8_t> trailer(b.end() - 43, b.end());
  EXPECT_EQ(trailer[0], 0x1C);
  EXPECT_EQ(std::vector<std::uint8_t>(trailer.end() - 4, trailer.end()), (std::vector<std::uint8_t>{1, 0, 0, 0}));
  // The z cell of (1, 1) at row 4, column 2 keeps all 64 mantissa bits.
  std::uint8_t expected[10];
  bytes::EncodeExtended(2.0L / 3, expected);
  EXPECT_TRUE(Contains(b, Seq({0x17, 0, 14, 0, 4, 0, 0, 2}, std::string_view(reinterpret_cast<char*>(expected), 10), {})));
  // The same cell in WK1 carries the double.
  ASSERT_EQ(LotusExportTable(Path("t.wk1"), 1, plane.Input()).result, 5);
  bytes::ByteWriter twoThirds;
  twoThirds.F64(2.0 / 3);
  const std::vector<std::uint8_t> d = twoThirds.Take();
  EXPECT_TRUE(Contains(Bytes(Path("t.wk1")),
                       Seq({0x0E, 0, 13, 0, 0xFF, 2, 0, 4, 0}, std::string_view(reinterpret_cast<const char*>(d.data()), 8), {})));
}

// Values a double cannot hold, which the spreadsheet programs show as errors, as 0 or not at
// all, go in as right-aligned text of their digits in every format, the 80-bit WK3 cells
// included; NaN leaves its cell empty. Labels are written in code page 850 in the Lotus
// files and as they stand (Windows-1252, the code page the settings name) in the others.
TEST_F(ExportFiles, ValuesADoubleCannotHoldAndNonAsciiLabels) {
  TPlaneExport plane(1);
  plane.fit.dataTitle = "H\xF6he \xB5m \xB1 2\xB0";
  plane.review.ReviewEvalZ = [](long double x, long double y) {
    const long double hostile[] = {1e4000L, std::numeric_limits<long double>::quiet_NaN(), -1e-400L, 0.5L};
    return hostile[static_cast<int>(x) * 2 + static_cast<int>(y)];
  };
  plane.SetGrid(2, Steps(2), Steps(2));
  struct Format {
    const char* name;
    std::vector<std::uint8_t> firstText, secondText;  // the two text cells of z (rows 1 and 3)
  };
  const Format formats[] = {
      {"t.wk1", Seq({0x0F, 0, 14, 0, 0xFF, 2, 0, 1, 0, 0x22}, "1e+4000", {0}),
       Seq({0x0F, 0, 14, 0, 0xFF, 2, 0, 3, 0, 0x22}, "-1e-400", {0})},
      {"t.wk3", Seq({0x16, 0, 13, 0, 1, 0, 0, 2, 0x22}, "1e+4000", {0}),
       Seq({0x16, 0, 13, 0, 3, 0, 0, 2, 0x22}, "-1e-400", {0})},
  };
  for (const Format& f : formats) {
    SCOPED_TRACE(f.name);
    ASSERT_EQ(LotusExportTable(Path(f.name), f.name[4] == '3' ? 3 : 1, plane.Input()).result, 5);
    const std::vector<std::uint8_t> b = Bytes(Path(f.name));
    EXPECT_TRUE(Contains(b, f.firstText));
    EXPECT_TRUE(Contains(b, f.secondText));
    // The NaN of row 2 gave no z cell: its row has x and y only.
    const std::vector<std::uint8_t> nanRowZ = f.name[4] == '3' ? Seq({0x17, 0, 14, 0, 2, 0, 0, 2}, "", {})
                                                               : Seq({0x0E, 0, 13, 0, 0xFF, 2, 0, 2, 0}, "", {});
    EXPECT_FALSE(Contains(b, nanRowZ));
  }
  // "Höhe µm ± 2°" in code page 850: ö 0x94, µ 0xE6, ± 0xF1, ° 0xF8.
  plane.SetGrid(0, Steps(1), Steps(1));
  ASSERT_GT(LotusExportTable(Path("t.wk1"), 1, plane.Input()).result, 0);
  EXPECT_TRUE(Contains(Bytes(Path("t.wk1")), Seq({0x27, 'H', 0x94, 'h', 'e', ' ', 0xE6, 'm', ' ', 0xF1, ' ', '2', 0xF8, 0}, "", {})));
  ASSERT_GT(LotusExportTable(Path("t.wk3"), 3, plane.Input()).result, 0);
  EXPECT_TRUE(Contains(Bytes(Path("t.wk3")), Seq({0x27, 'H', 0x94, 'h', 'e', ' ', 0xE6, 'm', ' ', 0xF1, ' ', '2', 0xF8, 0}, "", {})));
}

TEST_F(ExportFiles, Wk1LabelsAreCutAt240Characters) {
  TPlaneExport plane(1);
  plane.fit.dataTitle = std::string(300, 'Q');
  plane.SetGrid(0, Steps(1), Steps(1));
  ASSERT_GT(LotusExportTable(Path("t.wk1"), 1, plane.Input()).result, 0);
  const std::vector<std::uint8_t> b = Bytes(Path("t.wk1"));
  EXPECT_EQ(bytes::LoadU16(&b[1382]), 240 + 7);
}

TEST_F(ExportFiles, FailedWritesReturnMinusOneAndKeepWhatWasThere) {
  TPlaneExport plane(2);
  plane.SetGrid(2, Steps(2), Steps(2));
  std::ofstream(Path("plain")) << "kept";
  EXPECT_EQ(LotusExportTable(Path("plain/t.wk1"), 1, plane.Input()).result, -1);
  EXPECT_EQ(Text(Path("plain")), "kept");
  fs::create_directories(Path("busy/inner"));
  EXPECT_EQ(LotusExportTable(Path("busy"), 1, plane.Input()).result, -1);
  EXPECT_TRUE(fs::is_directory(Path("busy/inner")));
  TAsciiExportRequest ascii;
  EXPECT_EQ(AsciiExportTable(Path("busy"), ascii, plane.review), -1);
  TParmsSummaryInput summary;
  summary.fit = &plane.fit;
  EXPECT_EQ(ParmsWriteSummary(Path("busy"), 0, true, summary), -1);
  // A table kind outside 0..3 writes nothing.
  plane.request.tableKind = 4;
  EXPECT_EQ(LotusExportTable(Path("none.wk1"), 1, plane.Input()).result, 0);
  EXPECT_FALSE(fs::exists(Path("none.wk1")));
}

TEST_F(ExportFiles, AsciiBlankFieldsArePaddedToThePrecision) {
  TPlaneExport plane;
  const TAsciiExportRequest request{AsciiDelimiter::kBlank, AsciiLayout::kColumns, 6, {0, 0.5L, 0.5L}, {0, 1, 0}};
  ASSERT_EQ(AsciiExportTable(Path("t.txt"), request, plane.review), 3);
  EXPECT_EQ(Text(Path("t.txt")),
            "\"X Generated  \" \"Y Generated  \" \"Z Predicted  \"\n"
            "0               0               1              \n"
            "0.5             0               2              \n");
}

TEST_F(ExportFiles, AsciiLimitsLinesShortenWhereALimitIsMissing) {
  TPlaneExport plane;
  plane.review.ReviewPredictionLimit = [](long double x, long double, long double) {
    return x == 0 ? ExprErrorValue : 0.75L;
  };
  plane.review.ReviewEvalZ = [](long double x, long double y) { return y == 1 ? ExprErrorValue : 1 + 2 * x + 3 * y; };
  const TAsciiExportRequest request{AsciiDelimiter::kComma, AsciiLayout::kWithLimits, 4, {0, 1, 1}, {0, 1, 1}};
  EXPECT_EQ(AsciiExportTable(Path("t.csv"), request, plane.review), 2);
  EXPECT_EQ(Text(Path("t.csv")),
            "\"X Generated\",\"Y Generated\",\"Z Predicted\",\"95.00% Conf Lim\",\"95.00% Conf Lim\","
            "\"95.00% Pred Lim\",\"95.00% Pred Lim\"\n"
            "0,0,1\n"
            "0,1\n"
            "1,0,3,2.75,3.25,2.25,3.75\n"
            "1,1\n");
}

TEST_F(ExportFiles, AsciiMatrixCornerAndEmptyFields) {
  TPlaneExport plane;
  plane.review.ReviewEvalZ = [](long double x, long double y) { return x == 2 && y == 1 ? ExprErrorValue : x + 10 * y; };
  const TAsciiExportRequest comma{AsciiDelimiter::kComma, AsciiLayout::kMatrix, 6, Steps(3), Steps(2)};
  EXPECT_EQ(AsciiExportTable(Path("m.csv"), comma, plane.review), 1);
  EXPECT_EQ(Text(Path("m.csv")), "0,0,1,2\n0,0,1,2\n1,10,11,\n");
  const TAsciiExportRequest tab{AsciiDelimiter::kTab, AsciiLayout::kMatrix, 6, Steps(3), Steps(2)};
  ASSERT_EQ(AsciiExportTable(Path("m.tab"), tab, plane.review), 1);
  EXPECT_EQ(Text(Path("m.tab")), "0\t0\t1\t2\n0\t0\t1\t2\n1\t10\t11\t\n");
  const TAsciiExportRequest blank{AsciiDelimiter::kBlank, AsciiLayout::kMatrix, 3, Steps(2), Steps(1)};
  ASSERT_EQ(AsciiExportTable(Path("m.txt"), blank, plane.review), 1);
  EXPECT_EQ(Text(Path("m.txt")), "0            0            1           \n0            0            1           \n");
}

// Every layout with every delimiter: each line ends in a line feed, and no carriage return
// is written anywhere.
TEST_F(ExportFiles, AsciiLinesEndInALineFeedAlone) {
  TPlaneExport plane;
  for (const AsciiDelimiter d : {AsciiDelimiter::kBlank, AsciiDelimiter::kComma, AsciiDelimiter::kTab}) {
    for (const AsciiLayout layout : {AsciiLayout::kWithLimits, AsciiLayout::kColumns, AsciiLayout::kMatrix}) {
      const TAsciiExportRequest request{d, layout, 8, Steps(3), Steps(2)};
      ASSERT_GT(AsciiExportTable(Path("lf.txt"), request, plane.review), 0);
      const std::string text = Text(Path("lf.txt"));
      const std::string what = std::to_string(static_cast<int>(d)) + "/" + std::to_string(static_cast<int>(layout));
      EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 0) << what;
      ASSERT_FALSE(text.empty());
      EXPECT_EQ(text.back(), '\n') << what;
      // A title line and six grid lines, or the matrix's line of X values and two Y lines.
      EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), layout == AsciiLayout::kMatrix ? 3 : 7) << what;
    }
  }
}

TEST_F(ExportFiles, SummaryLinesFlagsAndAppends) {
  TPlaneExport plane;
  const std::vector<long double> parameters{1.5L, -2, 0.25L};
  plane.fit.parameters = parameters;
  TParmsSummaryInput in{.date = "Dec 7, 2026", .time = "2:40:00 AM", .dataSource = "plane.txt",
                        .dataTitle = "Plane data", .xName = "X", .yName = "Y", .zName = "Z", .fit = &plane.fit};
  ASSERT_EQ(ParmsWriteSummary(Path("s.txt"), 16, false, in), 1);
  EXPECT_EQ(Text(Path("s.txt")), "a= 1.5\r\nb= -2\r\nc= 0.25\r\n\r\n");
  ASSERT_EQ(ParmsWriteSummary(Path("s.txt"), 0, true, in), 1);
  EXPECT_EQ(Text(Path("s.txt")), "a= 1.5\r\nb= -2\r\nc= 0.25\r\n\r\n1.5\r\n-2\r\n0.25\r\n\r\n");
  plane.fit.r2 = 0.5L;
  plane.fit.adjustedR2 = 1.0L / 3;
  const std::vector<long double> one{1};
  plane.fit.parameters = one;
  EXPECT_EQ(ParmsSummaryText(in, 31),
            "Date= Dec 7, 2026\nTime= 2:40:00 AM\nFile Source= plane.txt\nData= Plane data\nX= X\nY= Y\nZ= Z\n"
            "Eqn= z=a+bx+cy\nr2= 0.5\nDOF r2= 0.333333333333333333\nStd Error= 0\nF Statistic= 1e+30\na= 1\n\n");
  // Past 'v' the letters go on as two-letter names.
  std::vector<long double> many(24, 1.0L);
  plane.fit.parameters = many;
  const std::string text = ParmsSummaryText(in, 16);
  EXPECT_NE(text.find("\nv= 1\naa= 1\nab= 1\n\n"), std::string::npos);
}

}  // namespace
