#include "app/data_file_writers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "app/long_double.h"
#include "app/test_points.h"
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

TEST(DataFileWriters, ClipboardTextUsesWiderFields) {
  const std::string text = DataClipboardText(FourPoints(), Titles("T", "x", "y", "z"));
  EXPECT_EQ(text.size(), 20u + 4u * 78u);
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
    const std::string command = "ssconvert -I Gnumeric_lotus:lotus '" + sheet + "' '" +
                                dir.File("t.csv") + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << form;
    EXPECT_EQ(ReadText(dir.File("t.csv")), "T,,\nx,y,z\n1,2,3\n4.5,-5,0.25\n0.5,1048576,3\n7,8,9\n")
        << form;
  }
}

}  // namespace
