// The data table written as text and as worksheet images, and the worksheet records those
// images are made of.
#include "app/data_file_writers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "app/long_double.h"
#include "app/test_points.h"
#include "app/worksheet_records.h"
#include "support/german_locale.h"
#include "support/scratch_files.h"

namespace {

TDataTitles Titles(const char* t, const char* x, const char* y, const char* z) {
  TDataTitles titles;
  titles.Title = t, titles.XName = x, titles.YName = y, titles.ZName = z;
  return titles;
}

PointTable FourPoints() {
  return TableOf({{1, 2, 3}, {4.5L, -5, 6e-7L}, {0.1L, 1e20L, 3}, {7, 8, 9}});
}

TEST(DataFileWriters, SaveAsTextOfFourUnweightedPointsIs320Bytes) {
  const std::string text = DataFileText(FourPoints(), Titles("T", "x", "y", "z"));
  EXPECT_EQ(text.size(), 320u);
  EXPECT_EQ(text.substr(0, 20), "\"T\"\r\n\"x\"\r\n\"y\"\r\n\"z\"\r\n");
  EXPECT_EQ(text.substr(20, 75),
            "1                       2                       3                        \r\n");
}

TEST(DataFileWriters, WeightedRowsCarryTheirWeightAndMissingValuesBecomeInactiveZeros) {
  PointTable t = TableOf({{1, 2, ExprErrorValue, 0.25L}, {4, 5, 6, 2, '*'}});
  t[0].W = 1;
  const std::string text = DataFileText(t, Titles("", "", "", ""));
  std::istringstream lines(text);
  std::string line;
  for (int i = 0; i < 5; ++i) std::getline(lines, line);
  EXPECT_EQ(line, "1                       2                       0                       * W0.25"
                  "                   \r");
  std::getline(lines, line);
  EXPECT_EQ(line.substr(72, 3), "* W");
}

// What a worksheet loses of the inactive marks and what it cannot hold: a marked point and
// one with a missing value (written as 0) come back active; one beyond +-1e300 is marked
// again by the pre-scan. WK1 names the first value beyond a double, WK3 holds it.
TEST(DataFileWriters, WorksheetsCountTheMarksTheyLoseAndNameTheValuesTheyCannotHold) {
  const PointTable t = TableOf({{1, 2, 3, 1, '*'}, {4, ExprErrorValue, 6}, {7, 8, -1e4000L, 1, '*'}, {1, 2, 1e-400L}});
  EXPECT_EQ(InactivePointsWritten(t), 2);
  const std::optional<TValueNotHeld> wk1 = FirstValueNotHeld(t, 1);
  ASSERT_TRUE(wk1);
  EXPECT_EQ(ValueNotHeldText(*wk1, ".wk1"), "Row 3, Z: -1E+4000 Cannot Be Held by a .wk1 File\nNothing Was Written");
  EXPECT_FALSE(FirstValueNotHeld(t, 3));
  EXPECT_TRUE(DataWorksheet(t, Titles("", "", "", ""), 1).empty());
}

TEST(DataFileWriters, ClipboardTextUsesWiderFields) {
  const std::string text = DataClipboardText(FourPoints(), Titles("T", "x", "y", "z"));
  EXPECT_EQ(text.size(), 20u + 4u * 78u);
}

// A table read from a file of doubles (a statistics-package or Excel file) goes to the ASCII
// editor and the clipboard as its figures were written, not with the binary remainder that
// 16 digits show of a double; a value computed in the table keeps its 16 digits.
TEST(DataFileWriters, ClipboardTextShowsFiguresOfDoublesAsWritten) {
  const PointTable t = TableOf({{static_cast<double>(-0.67346939), static_cast<double>(0.00086080047),
                                 static_cast<double>(5403001.26)},
                                {1.0L / 3, 2, 3}});
  const auto line = [](int width, std::initializer_list<const char*> figures) {
    std::string out;
    for (const char* f : figures) out += f + std::string(static_cast<std::size_t>(width) - std::strlen(f), ' ') + ' ';
    return out + " \r\n";
  };
  const std::string text = DataClipboardText(t, Titles("", "", "", ""));
  EXPECT_EQ(text.substr(16), line(24, {"-0.67346939", "0.00086080047", "5403001.26"}) +
                                 line(24, {"0.3333333333333333", "2", "3"}));
  // Save As keeps its 15 digits, which never showed a remainder.
  EXPECT_EQ(DataFileText(t, Titles("", "", "", "")).substr(16, 75),
            line(23, {"-0.67346939", "0.00086080047", "5403001.26"}));
}

TEST(DataFileWriters, WorksheetCopiesOfFourPointsAndOfAnEmptyTable) {
  const TDataTitles titles = Titles("T", "x", "y", "z");
  const auto wk1 = DataWorksheet(FourPoints(), titles, 1);
  EXPECT_EQ(wk1.size(), 1636u);
  EXPECT_EQ(DataWorksheet(FourPoints(), titles, 3).size(), 693u);
  EXPECT_EQ(DataWorksheet(NewPointTable(0), Titles("", "", "", ""), 1).size(), 1384u);
  EXPECT_EQ(DataWorksheet(NewPointTable(0), Titles("", "", "", ""), 3).size(), 433u);
  // The range: last column 2, last row N + 1.
  EXPECT_EQ(wk1[14], 2);
  EXPECT_EQ(wk1[16], 5);
}

TEST(DataFileWriters, NumbersAreWrittenInTheCLocaleUnderAGermanLocale) {
  USE_GERMAN_LOCALE(german);
  const std::string text = DataFileText(TableOf({{1.5L, 2, 3}}), Titles("", "", "", ""));
  EXPECT_EQ(text.substr(16, 4), "1.5 ");  // four empty title lines before
}

// A spreadsheet program reads our worksheet images back (skipped where gnumeric's
// converter is not installed).
TEST(DataFileWriters, GnumericReadsTheWorksheetImages) {
  if (std::system("command -v ssconvert >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ssconvert";
  ScratchDir dir;
  for (int form : {1, 3}) {
    const PointTable points = TableOf({{1, 2, 3}, {4.5L, -5, 0.25L}, {0.5L, 1048576, 3}, {7, 8, 9}});
    const std::string sheet = dir.Write(form == 1 ? "t.wk1" : "t.wk3",
                                        DataWorksheet(points, Titles("T", "x", "y", "z"), form));
    const std::string command = "LC_ALL=C.UTF-8 ssconvert -I Gnumeric_lotus:lotus '" + sheet + "' '" +
                                dir.File("t.csv") + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << form;
    EXPECT_EQ(ReadText(dir.File("t.csv")), "T,,\nx,y,z\n1,2,3\n4.5,-5,0.25\n0.5,1048576,3\n7,8,9\n")
        << form;
  }
}

// Data values a double cannot hold (a value of 1e400 is a valid point) and titles with
// accents: gnumeric shows the titles as the user wrote them and the values as the table
// holds them. WK3's 80-bit numbers hold every value (they were written as text, and the
// program's own import dropped their rows); WK1's doubles hold a subnormal value as the
// nearest double, and a table with a value beyond them gives no WK1 image at all.
TEST(DataFileWriters, WorksheetImagesOfHugeValuesAndAccentedTitlesReadBackAsWritten) {
  if (std::system("command -v ssconvert >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ssconvert";
  ScratchDir dir;
  const TDataTitles titles = Titles("Messung \xE9t\xE9", "\xB5m", "y\xB2", "\xB0" "C");
  const PointTable huge = TableOf({{1e400L, -1e-400L, 3}, {1e-310L, 2, 1.5L}});
  const PointTable subnormal = TableOf({{1, -1e-310L, 3}, {4.18873988004805e-322L, 2, 1.5L}});
  EXPECT_TRUE(DataWorksheet(huge, titles, 1).empty());
  const struct {
    int form;
    const PointTable* points;
    const char* rows;
  } cases[] = {
      {3, &huge, "1E+400,-1E-400,3\n1E-310,2,1.5\n"},
      {1, &subnormal, "1,-9.999999999999969449E-311,3\n4.1995579896505956255E-322,2,1.5\n"},
  };
  for (const auto& c : cases) {
    const std::string sheet = dir.Write(c.form == 1 ? "t.wk1" : "t.wk3", DataWorksheet(*c.points, titles, c.form));
    const std::string command = "LC_ALL=C.UTF-8 ssconvert -I Gnumeric_lotus:lotus '" + sheet + "' '" +
                                dir.File("t.csv") + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << c.form;
    EXPECT_EQ(ReadText(dir.File("t.csv")),
              std::string("\"Messung \xC3\xA9t\xC3\xA9\",,\n\xC2\xB5m,y\xC2\xB2,\xC2\xB0" "C\n") + c.rows)
        << c.form;
  }
}

// A title and names holding quotes and a subnormal value, in the data table's worksheet
// images, as gnumeric and LibreOffice read them: the titles as written; the value to the
// digits gnumeric prints, and from the WK3 image to the digits LibreOffice keeps (its WK1
// import shows a subnormal double as 0, which is its limit, not the file's).
TEST(DataFileWriters, SpreadsheetProgramsReadQuotedTitlesAndSubnormalValues) {
  if (std::system("command -v ssconvert >/dev/null 2>&1 && command -v soffice >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no ssconvert or soffice";
  ScratchDir dir;
  const TDataTitles titles = Titles("Plate \"A\" 5mm", "x \"east\"", "'north'", "z");
  const PointTable points = TableOf({{1, 2, 3}, {4.18873988004805e-322L, 5, 6}});
  const std::string head = "\"Plate \"\"A\"\" 5mm\",,\n\"x \"\"east\"\"\",'north',z\n1,2,3\n";
  const std::string gnumericRows[] = {"", "4.1995579896505956255E-322,5,6\n", "",
                                      "4.18873988004805E-322,5,6\n"};
  std::string files;
  for (int form : {1, 3}) {
    const std::string name = form == 1 ? "t1.wk1" : "t3.wk3";
    const std::string sheet = dir.Write(name, DataWorksheet(points, titles, form));
    const std::string command = "LC_ALL=C.UTF-8 ssconvert -I Gnumeric_lotus:lotus '" + sheet + "' '" + dir.File("t.csv") + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << form;
    EXPECT_EQ(ReadText(dir.File("t.csv")), head + gnumericRows[form]) << form;
    files += " '" + sheet + "'";
  }
  const std::string lo = "LC_ALL=C.UTF-8 soffice --headless -env:UserInstallation=file://" + dir.File("profile") +
                         " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir '" + dir.File("lo") + "'" +
                         files + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(lo.c_str()), 0);
  const std::string wk1 = ReadText(dir.File("lo/t1.csv")), wk3 = ReadText(dir.File("lo/t3.csv"));
  EXPECT_EQ(wk1.substr(0, head.size()), head);
  EXPECT_EQ(wk3, head + "4.2E-322,5,6\n");
}

using bytes::ByteWriter;
using Bytes = std::vector<std::uint8_t>;

// What goes into a cell: a number a double holds as a normal value (or zero), the digits of
// anything else, nothing for NaN.
TEST(WorksheetRecords, ValuesADoubleCannotHoldBecomeTheirDigits) {
  struct Case {
    long double value;
    WorksheetCell kind;
    const char* text;
  };
  const Case cases[] = {
      {0.0L, WorksheetCell::kNumber, "0"},
      {-1.5L, WorksheetCell::kNumber, "-1.5"},
      {static_cast<long double>(DBL_MAX), WorksheetCell::kNumber, "1.7976931348623157081e+308"},
      {static_cast<long double>(DBL_MIN), WorksheetCell::kNumber, "2.2250738585072013831e-308"},
      {2.8e308L, WorksheetCell::kText, "2.8e+308"},
      {-1e4000L, WorksheetCell::kText, "-1e+4000"},
      {1e-310L, WorksheetCell::kText, "1e-310"},  // subnormal as a double
      {1e-400L, WorksheetCell::kText, "1e-400"},  // 0 as a double
      {std::numeric_limits<long double>::infinity(), WorksheetCell::kText, "inf"},
      {-std::numeric_limits<long double>::infinity(), WorksheetCell::kText, "-inf"},
      {std::numeric_limits<long double>::quiet_NaN(), WorksheetCell::kEmpty, "nan"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WorksheetCellKind(c.value), c.kind) << c.text;
    EXPECT_EQ(WorksheetValueText(c.value), c.text);
  }
  // The image writes text right-aligned, and nothing for NaN.
  TWorksheetImage image(1, 0, 2);
  image.Number(0, 0, 1e400L);
  image.Number(0, 1, std::numeric_limits<long double>::quiet_NaN());
  const Bytes b = image.Finish();
  EXPECT_EQ(Bytes(b.begin() + 1380, b.end() - 4),
            (Bytes{0x0F, 0, 13, 0, 0xFF, 0, 0, 0, 0, '"', '1', 'e', '+', '4', '0', '0', 0}));
}

// The program's own images write what their numbers hold as numbers: WK3 every finite value
// in its 80-bit cell, WK1 every value a double holds (a subnormal one as the nearest double);
// only what a double cannot hold goes into a WK1 image as its digits.
TEST(WorksheetRecords, ImagesWriteEveryValueTheirNumbersHoldAsANumber) {
  const long double subnormal = 4.18873988004805e-322L;
  EXPECT_TRUE(WorksheetHoldsValue(1e4000L, 3));
  EXPECT_TRUE(WorksheetHoldsValue(-1e-4940L, 3));
  EXPECT_FALSE(WorksheetHoldsValue(std::numeric_limits<long double>::infinity(), 3));
  EXPECT_TRUE(WorksheetHoldsValue(subnormal, 1));
  EXPECT_FALSE(WorksheetHoldsValue(1e400L, 1));
  EXPECT_FALSE(WorksheetHoldsValue(1e-400L, 1));  // a double would make it 0

  TWorksheetImage wk3(3, 0, 1);
  wk3.Number(0, 0, 1e4000L);
  wk3.Number(0, 1, subnormal);
  const Bytes b3 = wk3.Finish();
  Bytes want3;
  for (const long double v : {1e4000L, subnormal}) {
    const Bytes head = {0x17, 0, 0x0E, 0, static_cast<std::uint8_t>(v == subnormal), 0, 0, 0};
    want3.insert(want3.end(), head.begin(), head.end());
    std::uint8_t ten[10];
    bytes::EncodeExtended(v, ten);
    want3.insert(want3.end(), ten, ten + 10);
  }
  EXPECT_EQ(Bytes(b3.begin() + kWK3HeaderSize, b3.end() - kWK3TrailerSize), want3);

  TWorksheetImage wk1(1, 0, 0);
  wk1.Number(0, 0, subnormal);
  const Bytes b1 = wk1.Finish();
  Bytes want1 = {0x0E, 0, 0x0D, 0, 0xFF, 0, 0, 0, 0};
  const double nearest = static_cast<double>(subnormal);
  const auto* d = reinterpret_cast<const std::uint8_t*>(&nearest);
  want1.insert(want1.end(), d, d + 8);
  EXPECT_EQ(Bytes(b1.begin() + kWK1HeaderSize, b1.end() - kWK1EofSize), want1);
  EXPECT_NE(nearest, 0);
}

TEST(WorksheetRecords, WK1HeaderRecordsStandWhereTheTemplateSaysAndTheRangeIsPatched) {
  ByteWriter w;
  EXPECT_EQ(WK1PutHeader(w, 3, 300), 1380);
  const Bytes h = w.Take();
  ASSERT_EQ(h.size(), kWK1HeaderSize);
  // Opcode of each record at its offset.
  const std::pair<std::size_t, int> records[] = {{0, 0x00},    {6, 0x06},    {18, 0x96},
                                                 {47, 0x07},   {362, 0x25},  {898, 0x28},
                                                 {912, 0x29},  {937, 0x2D}};
  for (auto [offset, opcode] : records) EXPECT_EQ(h[offset] | h[offset + 1] << 8, opcode) << offset;
  EXPECT_EQ(h[4], 0x06);
  EXPECT_EQ(h[5], 0x04);
  EXPECT_EQ(h[14] | h[15] << 8, 3);
  EXPECT_EQ(h[16] | h[17] << 8, 300);
  EXPECT_EQ(h[1374], 0x71);  // the graph record ends 71 71 01 00 00 00
  EXPECT_EQ(h[1376], 0x01);
  // A range set afterwards gives the same header.
  ByteWriter late;
  WK1PutHeader(late, 0, 0);
  Bytes patched = late.Take();
  WK1SetRange(patched, 3, 300);
  EXPECT_EQ(patched, h);
}

TEST(WorksheetRecords, WK3HeaderAndTrailer) {
  ByteWriter w;
  EXPECT_EQ(WK3PutHeader(w, 4, 1000), 390);
  EXPECT_EQ(WK3PutTrailer(w), 43);
  const Bytes b = w.Take();
  EXPECT_EQ(b[12] | b[13] << 8, 1000);
  EXPECT_EQ(b[15], 4);
  Bytes patched(b.begin(), b.begin() + kWK3HeaderSize);
  WK3SetRange(patched, 0, 0);
  WK3SetRange(patched, 4, 1000);
  EXPECT_TRUE(std::equal(patched.begin(), patched.end(), b.begin()));
  const std::pair<std::size_t, int> records[] = {{30, 0x03}, {40, 0x04}, {72, 0x21}, {77, 0x0B},
                                                 {82, 0x0E}, {118, 0x0F}, {208, 0x11}, {390, 0x1C},
                                                 {429, 0x01}};
  for (auto [offset, opcode] : records) EXPECT_EQ(b[offset] | b[offset + 1] << 8, opcode) << offset;
  // The 80-bit values 1 and 8191 in record 0x0E.
  EXPECT_EQ(b[82 + 4 + 10 + 7], 0x80);
  EXPECT_EQ(b[82 + 4 + 10 + 8], 0xFF);
  EXPECT_EQ(b[82 + 4 + 10 + 9], 0x3F);
}

TEST(WorksheetRecords, CellRecordsAreByteExact) {
  ByteWriter w;
  EXPECT_EQ(WK1PutLabel(w, 1, 2, "abc"), 14);
  EXPECT_EQ(w.Take(), (Bytes{0x0F, 0, 0x0A, 0, 0xFF, 1, 0, 2, 0, 0x27, 'a', 'b', 'c', 0}));
  EXPECT_EQ(WK3PutNumber(w, 3, 2, 1.0L), 18);
  EXPECT_EQ(w.Take(), (Bytes{0x17, 0, 0x0E, 0, 0x02, 0, 0, 0x03, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
  EXPECT_EQ(WK1PutNumber(w, 0, 1, 1.5), 17);
  EXPECT_EQ(w.Take(), (Bytes{0x0E, 0, 0x0D, 0, 0xFF, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
  EXPECT_EQ(WK3PutLabel(w, 2, 5, "xy"), 12);
  EXPECT_EQ(w.Take(), (Bytes{0x16, 0, 0x08, 0, 5, 0, 0, 2, 0x27, 'x', 'y', 0}));
  EXPECT_EQ(WK1PutEOF(w), 4);
}

TEST(WorksheetRecords, LabelsAreCutToTheirOneByteLengthAndCellsBeyondTheFieldsWriteNothing) {
  const std::string text(400, 'q');
  ByteWriter w;
  EXPECT_EQ(WK1PutLabel(w, 0, 0, text), 248 + 11);
  Bytes b = w.Take();
  EXPECT_EQ(std::pair(b[2], b[3]), std::pair(std::uint8_t{255}, std::uint8_t{0}));
  EXPECT_EQ(WK3PutLabel(w, 0, 0, text), 249 + 10);
  EXPECT_EQ(w.Take()[2], 255);
  EXPECT_EQ(WK3PutNumber(w, 256, 0, 1.0L), 0);
  EXPECT_EQ(WK3PutLabel(w, 0, 65536, "a"), 0);
  EXPECT_EQ(WK1PutNumber(w, -1, 0, 1.0), 0);
  EXPECT_EQ(w.Size(), 0u);
  EXPECT_EQ(WK3PutNumber(w, 255, 65535, 1.0L), 18);
}

TEST(WorksheetRecords, ImageGrowsForManyCellsAndRangeCanBeSetLate) {
  TWorksheetImage image(1, 20, 0);
  for (int row = 0; row < 5000; ++row) image.Number(0, row, row);
  image.SetRange(0, 4999);
  const Bytes b = image.Finish();
  EXPECT_EQ(b.size(), 1380u + 5000u * 17u + 4u);
  EXPECT_EQ(b[14] | b[15] << 8, 0);
  EXPECT_EQ(b[16] | b[17] << 8, 4999);
}

}  // namespace
