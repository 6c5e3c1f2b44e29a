#include "exchange/dif_reader.h"

#include <gtest/gtest.h>

#include "app/long_double.h"
#include "exchange/exchange_test_support.h"

namespace {

using namespace exchange_test;

class DifReader : public TableTest {
 protected:
  TReadArgs Columns(const std::string& path, int x, int y, int z, int w) {
    TReadArgs a = Args(path);
    a.colX = x, a.colY = y, a.colZ = z, a.colW = w;
    return a;
  }
  static std::string Tuple(const std::vector<std::string>& cells) {
    std::string t = "-1,0\r\nBOT\r\n";
    for (const std::string& c : cells) t += c;
    return t;
  }
  static std::string Num(const std::string& v) { return "0," + v + "\r\nV\r\n"; }
  static std::string Header() {
    return "TABLE\r\n0,1\r\n\"\"\r\nVECTORS\r\n0,3\r\n\"\"\r\nTUPLES\r\n0,3\r\n\"\"\r\n"
           "DATA\r\n0,0\r\n\"\"\r\n";
  }
};

// Written by gnumeric (tests/data/make_gnumeric_fixtures.sh): a header row x, y, z, w and six
// rows, of which the second has an empty Z cell and the third a text Z cell.
TEST_F(DifReader, ReadsTheFileGnumericWrote) {
  const std::string path = FixturePath("gnumeric_points.dif").string();
  TDataTitles t;
  ASSERT_EQ(ReadDif(Columns(path, 0, 1, 2, 3), t), 4);
  EXPECT_EQ(t.XName, "x");
  EXPECT_EQ(t.YName, "y");
  EXPECT_EQ(t.ZName, "z");
  EXPECT_EQ(HeaderCount(), 4);
  EXPECT_EQ(Row(0).W, 1);
  const long double expected[4][4] = {
      {1, 2, 3.5L, 1}, {-1500, 11, 12, 1}, {0.25L, -3, 0.01L, 4}, {100, 200, 300, 0.5L}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Row(i + 1).X, expected[i][0]);
    EXPECT_EQ(Row(i + 1).Y, expected[i][1]);
    EXPECT_EQ(Row(i + 1).Z, expected[i][2]);
    EXPECT_EQ(Row(i + 1).W, expected[i][3]);
    EXPECT_EQ(Row(i + 1).Status, ' ');
  }
}

TEST_F(DifReader, ColumnsInAnyOrderWithoutWeights) {
  const std::string path = FixturePath("gnumeric_points.dif").string();
  TDataTitles t;
  ASSERT_EQ(ReadDif(Columns(path, 2, 0, 1, -1), t), 4);
  EXPECT_EQ(t.XName, "z");
  EXPECT_EQ(Row(1).X, 3.5L);
  EXPECT_EQ(Row(1).W, 1);
  EXPECT_EQ(Row(0).W, 0);
}

TEST_F(DifReader, DigitalFilterCountsCompletePoints) {
  TReadArgs a = Columns(FixturePath("gnumeric_points.dif").string(), 0, 1, 2, -1);
  a.filterN = 2;
  TDataTitles t;
  ASSERT_EQ(ReadDif(a, t), 2);
  EXPECT_EQ(Row(1).X, -1500);
  EXPECT_EQ(Row(2).X, 100);
}

TEST_F(DifReader, ListerAndColumnReaderOnGnumericFiles) {
  std::vector<std::string> list;
  ASSERT_EQ(ListDifColumns(FixturePath("gnumeric_points.dif").string(), list), 4);
  EXPECT_EQ(list[0], "A : x");
  EXPECT_EQ(list[2], "C : z  abc");  // the empty string cell adds a blank
  const TColumnArray x = ReadDifColumn(FixturePath("gnumeric_points.dif").string(), 0);
  ASSERT_EQ(x.size(), 7u);
  EXPECT_EQ(x[0], 6);
  EXPECT_EQ(x[4], -1500);
  EXPECT_EQ(ListDifColumns(FixturePath("gnumeric_two_columns.dif").string(), list), 2);
}

TEST_F(DifReader, NotAvailableCellGivesNoPoint) {
  const std::string path = dir_.Write(
      "na.dif", Header() + Tuple({Num("1"), Num("2"), "0,0\r\nNA\r\n"}) +
                    Tuple({Num("4"), Num("5"), Num("6")}) + "-1,0\r\nEOD\r\n");
  TDataTitles t;
  ASSERT_EQ(ReadDif(Columns(path, 0, 1, 2, -1), t), 1);
  EXPECT_EQ(Row(1).X, 4);
}

TEST_F(DifReader, FileCutBeforeItsEndIsRefused) {
  const std::string path =
      dir_.Write("cut.dif", Header() + Tuple({Num("1"), Num("2"), Num("3")}) + "-1,0\r\nBOT\r\n0,4");
  TDataTitles t;
  EXPECT_EQ(ReadDif(Columns(path, 0, 1, 2, -1), t), -1);
  const std::string noData = dir_.Write("nodata.dif", "TABLE\r\n0,1\r\n\"\"\r\n");
  EXPECT_EQ(ReadDif(Columns(noData, 0, 1, 2, -1), t), -1);
  std::vector<std::string> list;
  EXPECT_EQ(ListDifColumns(noData, list), -1);
  EXPECT_TRUE(ReadDifColumn(noData, 0).empty());
}

TEST(ColumnLetters, SingleThenDoubleLetters) {
  EXPECT_EQ(ColumnLetters(0), "A");
  EXPECT_EQ(ColumnLetters(25), "Z");
  EXPECT_EQ(ColumnLetters(26), "AA");
  EXPECT_EQ(ColumnLetters(27), "AB");
  EXPECT_EQ(ColumnLetters(52), "BA");
}

}  // namespace
