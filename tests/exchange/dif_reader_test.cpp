#include "exchange/dif_reader.h"

#include <gtest/gtest.h>

#include "app/long_double.h"
#include "exchange/exchange_test_support.h"

namespace {

using namespace exchange_test;

class DifReader : public TableTest {
 protected:
  int Read(const std::string& path, int x, int y, int z, int w, TDataTitles& t, int n = 1) {
    TReadArgs a = Args(path);
    a.colX = x, a.colY = y, a.colZ = z, a.colW = w;
    a.filterN = n;
    return ReadDif(a, t);
  }
  const std::string gnumeric_ = FixturePath("gnumeric_points.dif").string();
};

// Written by gnumeric (tests/data/make_gnumeric_fixtures.sh): a header row x, y, z, w and six
// rows, of which the second has an empty Z cell and the third a text Z cell.
TEST_F(DifReader, ReadsTheFileGnumericWroteInAnyColumnOrder) {
  TDataTitles t;
  ASSERT_EQ(Read(gnumeric_, 0, 1, 2, 3, t), 4);
  EXPECT_EQ(t.XName, "x");
  EXPECT_EQ(t.YName, "y");
  EXPECT_EQ(t.ZName, "z");
  EXPECT_EQ(HeaderCount(), 4);
  EXPECT_EQ(Row(0).W, 1);
  EXPECT_EQ(RowOf(1), Point(1, 2, 3.5L, 1));
  EXPECT_EQ(RowOf(2), Point(-1500, 11, 12, 1));
  EXPECT_EQ(RowOf(3), Point(0.25L, -3, 0.01L, 4));
  EXPECT_EQ(RowOf(4), Point(100, 200, 300, 0.5L));

  ASSERT_EQ(Read(gnumeric_, 2, 0, 1, -1, t), 4);
  EXPECT_EQ(t.XName, "z");
  EXPECT_EQ(RowOf(1), Point(3.5L, 1, 2));
  EXPECT_EQ(Row(0).W, 0);
  // The digital filter counts complete points.
  ASSERT_EQ(Read(gnumeric_, 0, 1, 2, -1, t, 2), 2);
  EXPECT_EQ(Row(1).X, -1500);
  EXPECT_EQ(Row(2).X, 100);
}

TEST_F(DifReader, ListerAndColumnReaderOnGnumericFiles) {
  std::vector<std::string> list;
  ASSERT_EQ(ListDifColumns(gnumeric_, list), 4);
  EXPECT_EQ(list[0], "A : x");
  EXPECT_EQ(list[2], "C : z  abc");  // the empty string cell adds a blank
  const TColumnArray x = ReadDifColumn(gnumeric_, 0);
  ASSERT_EQ(x.size(), 7u);
  EXPECT_EQ(x[0], 6);
  EXPECT_EQ(x[4], -1500);
  EXPECT_EQ(ListDifColumns(FixturePath("gnumeric_two_columns.dif").string(), list), 2);
}

TEST_F(DifReader, NotAvailableCellsAndCutFiles) {
  const std::string header =
      "TABLE\r\n0,1\r\n\"\"\r\nVECTORS\r\n0,3\r\n\"\"\r\nTUPLES\r\n0,3\r\n\"\"\r\n"
      "DATA\r\n0,0\r\n\"\"\r\n";
  const std::string tuple123 = "-1,0\r\nBOT\r\n0,1\r\nV\r\n0,2\r\nV\r\n0,3\r\nV\r\n";
  TDataTitles t;
  // An NA cell gives no point.
  ASSERT_EQ(Read(dir_.Write("na.dif", header +
                                          "-1,0\r\nBOT\r\n0,1\r\nV\r\n0,2\r\nV\r\n0,0\r\nNA\r\n"
                                          "-1,0\r\nBOT\r\n0,4\r\nV\r\n0,5\r\nV\r\n0,6\r\nV\r\n"
                                          "-1,0\r\nEOD\r\n"),
                 0, 1, 2, -1, t),
            1);
  EXPECT_EQ(Row(1).X, 4);
  // A file cut before its end, or one without data, is refused.
  EXPECT_EQ(Read(dir_.Write("cut.dif", header + tuple123 + "-1,0\r\nBOT\r\n0,4"), 0, 1, 2, -1, t), -1);
  const std::string noData = dir_.Write("nodata.dif", "TABLE\r\n0,1\r\n\"\"\r\n");
  EXPECT_EQ(Read(noData, 0, 1, 2, -1, t), -1);
  std::vector<std::string> list;
  EXPECT_EQ(ListDifColumns(noData, list), -1);
  EXPECT_TRUE(ReadDifColumn(noData, 0).empty());
}

TEST(ColumnLetters, SingleThenDoubleLetters) {
  for (auto [column, letters] : {std::pair{0, "A"}, {25, "Z"}, {26, "AA"}, {27, "AB"}, {52, "BA"}})
    EXPECT_EQ(ColumnLetters(column), letters) << column;
}

}  // namespace
