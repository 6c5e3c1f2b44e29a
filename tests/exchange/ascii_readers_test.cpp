#include "exchange/ascii_readers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "app/long_double.h"
#include "exchange/ascii_fields.h"
#include "exchange/exchange_test_support.h"
#include "exchange/reader_contract.h"
#include "support/german_locale.h"
#include "support/long_double_near.h"

namespace {

using exchange_test::TableTest;

class AsciiXYZ : public TableTest {
 protected:
  int Read(const std::string& text, TDataTitles& titles, int firstRow = 1, int n = 1, int s = 1) {
    TReadArgs a = Args(dir_.Write("data.txt", text), firstRow);
    a.filterN = n;
    a.filterStart = s;
    return ReadAsciiXYZ(a, titles);
  }
  void ExpectPoint(int row, long double x, long double y, long double z, char status = ' ',
                   long double w = 1) {
    SCOPED_TRACE(row);
    EXPECT_EQ(Row(row).X, x);
    EXPECT_EQ(Row(row).Y, y);
    EXPECT_EQ(Row(row).Z, z);
    EXPECT_EQ(Row(row).W, w);
    EXPECT_EQ(Row(row).Status, status);
  }
};

TEST_F(AsciiXYZ, PlainNumbersGiveEmptyTitles) {
  TDataTitles t;
  t.Title = "old";
  EXPECT_EQ(Read("1 2 3\n4 5 6\n7 8 9\n10 11 12\n", t), 4);
  EXPECT_EQ(HeaderCount(), 4);
  EXPECT_TRUE(t.Title.empty() && t.XName.empty() && t.YName.empty() && t.ZName.empty());
  ExpectPoint(1, 1, 2, 3);
  ExpectPoint(4, 10, 11, 12);
  EXPECT_EQ(Row(0).W, 0);  // unweighted
}

TEST_F(AsciiXYZ, QuotedTitleAndThreeNameLinesFillAllFour) {
  TDataTitles t;
  EXPECT_EQ(Read("\"Surface test\"\n\n  Temperature [K]\n\"Pressure\" unit\n"
                 "Yield\n1 2 3\n4 5 6\n",
                 t),
            2);
  EXPECT_EQ(t.Title, "Surface test");
  EXPECT_EQ(t.XName, "Temperature [K]");
  EXPECT_EQ(t.YName, "Pressure");
  EXPECT_EQ(t.ZName, "Yield");
}

TEST_F(AsciiXYZ, NumericLineEndsTheTitlesAndIsReadAsData) {
  TDataTitles t;
  EXPECT_EQ(Read("My data\n-.5 1 2\n", t), 1);
  EXPECT_EQ(t.Title, "My data");
  EXPECT_TRUE(t.XName.empty());
  ExpectPoint(1, -0.5L, 1, 2);
}

TEST_F(AsciiXYZ, LongTitlesAreCutAtTheirFields) {
  TDataTitles t;
  Read(std::string(100, 'T') + "\n" + std::string(60, 'X') + "\ny\nz\n1 2 3\n", t);
  EXPECT_EQ(t.Title.size(), kDataTitleLength);
  EXPECT_EQ(t.XName.size(), kAxisNameLength);
}

TEST_F(AsciiXYZ, CommasBetweenNumbersArePassedOver) {
  TDataTitles t;
  EXPECT_EQ(Read("1,2,3\n4, 5, 6\n", t), 2);
  ExpectPoint(2, 4, 5, 6);
}

TEST_F(AsciiXYZ, StarMarksInactiveAndWeightSetsTheWeightsFlag) {
  TDataTitles t;
  EXPECT_EQ(Read("1 2 3 *\n4 5 6 W0.5\n7 8 9 W 2\n", t), 3);
  ExpectPoint(1, 1, 2, 3, '*');
  ExpectPoint(2, 4, 5, 6, ' ', 0.5L);
  ExpectPoint(3, 7, 8, 9, ' ', 2);
  EXPECT_EQ(Row(0).W, 1);
}

TEST_F(AsciiXYZ, ValuesRunAcrossLineBreaksAndAnUnfinishedPointIsDropped) {
  TDataTitles t;
  EXPECT_EQ(Read("1 2\n3 4\n5 6 7 8\n", t), 2);
  ExpectPoint(1, 1, 2, 3);
  ExpectPoint(2, 4, 5, 6);
  EXPECT_EQ(Row(3).Status, 0);  // the 7 and 8 left no record behind
  EXPECT_EQ(Row(3).X, 0);
}

TEST_F(AsciiXYZ, WordsSkipTheirLineAndNeverReadAsInfinityOrNaN) {
  // The C library would read "inf" out of "information", "nan" as a number and 0x1A as 26.
  TDataTitles t;
  EXPECT_EQ(Read("1 2 3\n4 5 6 information 99 98 97\nnan 10 11 12\n7 8 9\n"
                 "inf 1 1 1\n-inf\n0x1A\n",
                 t),
            3);
  ExpectPoint(3, 7, 8, 9);
  // "0x1A": 0, then 'x' and the digit 1 (a number again), then 'A': X = 0, Y = 1.
  EXPECT_EQ(Row(4).Status, 0);
}

TEST_F(AsciiXYZ, OutOfRangeValuesAreMissingAndTinyOnesZero) {
  TDataTitles t;
  EXPECT_EQ(Read("1e5000 2 3\n1e301 2 3\n1e-5000 2 3\n-1e-301 2 3\n5. .5 +7e+2\n", t), 5);
  EXPECT_EQ(Row(1).X, ExprErrorValue);
  EXPECT_EQ(Row(2).X, ExprErrorValue);
  EXPECT_EQ(Row(3).X, 0);
  EXPECT_EQ(Row(4).X, 0);
  ExpectPoint(5, 5, 0.5L, 700);
}

TEST_F(AsciiXYZ, DigitalFilterKeepsTheChosenPoints) {
  std::string text;
  for (int i = 1; i <= 12; ++i) text += std::to_string(i) + " 0 0\n";
  struct Case {
    int n, start;
    std::vector<int> kept;
  };
  for (const Case& c : {Case{3, 2, {4, 7, 10}}, Case{2, 1, {2, 4, 6, 8, 10, 12}},
                        Case{1, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
                        Case{1, 10, {10, 11, 12}}, Case{5, 20, {}}}) {
    SCOPED_TRACE(testing::Message() << "n=" << c.n << " start=" << c.start);
    TDataTitles t;
    ASSERT_EQ(Read(text, t, 1, c.n, c.start), static_cast<int>(c.kept.size()));
    for (std::size_t k = 0; k < c.kept.size(); ++k)
      EXPECT_EQ(Row(static_cast<int>(k) + 1).X, c.kept[k]);
    EXPECT_EQ(Row(static_cast<int>(c.kept.size()) + 1).Status, 0);
  }
}

TEST_F(AsciiXYZ, AppendFillsRowsAfterTheTableAndKeepsItsWeights) {
  for (int i = 1; i <= 10; ++i) {
    TXYZPoint& p = XYZData()[static_cast<std::size_t>(i)];
    p.X = i, p.Y = 0, p.Z = 0, p.W = 2, p.Status = ' ';
  }
  XYZData()[0].X = 10;
  XYZData()[0].W = 1;
  SetXYZRows(10);
  TDataTitles t;
  EXPECT_EQ(Read("100 101 102\n103 104 105\n", t, 11), 2);
  EXPECT_EQ(HeaderCount(), 12);
  ExpectPoint(10, 10, 0, 0, ' ', 2);
  ExpectPoint(11, 100, 101, 102);
  ExpectPoint(12, 103, 104, 105);
  EXPECT_EQ(Row(0).W, 1);
}

TEST_F(AsciiXYZ, TableGrowsPastItsFirstCapacity) {
  std::string text;
  for (int i = 1; i <= 3000; ++i) text += std::to_string(i) + " 1 2\n";
  TDataTitles t;
  EXPECT_EQ(Read(text, t), 3000);
  EXPECT_GE(XYZCapacity(), 4096);
  EXPECT_EQ(Row(3000).X, 3000);
}

TEST_F(AsciiXYZ, MissingFileAnswersMinusOne) {
  TDataTitles t;
  EXPECT_EQ(ReadAsciiXYZ(Args(dir_.Path("none.txt")), t), -1);
}

// Numbers are read in the C locale whatever the user's: under a German locale "1.5" is
// still one and a half, and "1,5" two numbers.
TEST_F(AsciiXYZ, ReadsInTheCLocaleUnderAGermanLocale) {
  USE_GERMAN_LOCALE(german);
  TDataTitles t;
  EXPECT_EQ(Read("1.5 2.25 3e-1\n1,5 2,5\n", t), 2);
  ExpectPoint(1, 1.5L, 2.25L, 0.3L);
  ExpectPoint(2, 1, 5, 2);
}

class AsciiMultiColumn : public TableTest {};

TEST_F(AsciiMultiColumn, NamesFromTheHeaderAndChosenColumns) {
  const std::string path = dir_.Write("m.dat",
                                      "id  temp  press  yield  wt\n"
                                      "1   10    100    0.5    2\n"
                                      "2   20    200    0.6    0\n"
                                      "3   30    300    0.7    -2\n"
                                      "4   40    x      0.8    1\n");
  TReadArgs a = Args(path);
  a.colX = 2, a.colY = 3, a.colZ = 4, a.colW = 5;
  TDataTitles t;
  EXPECT_EQ(ReadAsciiMultiColumn(a, t), 3);
  EXPECT_EQ(t.XName, "temp");
  EXPECT_EQ(t.YName, "press");
  EXPECT_EQ(t.ZName, "yield");
  EXPECT_EQ(Row(1).X, 10);
  EXPECT_EQ(Row(1).W, 2);
  EXPECT_EQ(Row(2).W, 1);  // 0 and -2 are no weights
  EXPECT_EQ(Row(3).W, 1);
  EXPECT_EQ(Row(3).Z, 0.7L);
  EXPECT_EQ(Row(0).W, 1);
  EXPECT_EQ(HeaderCount(), 3);
}

TEST_F(AsciiMultiColumn, CommaFileWithBlanksInsideWords) {
  const std::string path = dir_.Write("c.csv",
                                      "Run name,x value,y value,z value\n"
                                      "first run,1,2,3\n"
                                      "second run,4,5,6\n"
                                      "third,7,8,9\n");
  TReadArgs a = Args(path);
  a.colX = 2, a.colY = 3, a.colZ = 4;
  TDataTitles t;
  EXPECT_EQ(ReadAsciiMultiColumn(a, t), 3);
  EXPECT_EQ(t.XName, "x value");
  EXPECT_EQ(Row(3).Z, 9);
  EXPECT_EQ(Row(0).W, 0);
}

TEST_F(AsciiMultiColumn, WithoutHeaderTheNamesAreTheFirstDataTexts) {
  TReadArgs a = Args(dir_.Write("n.txt", "1 2 3\n4 5 6\n"));
  a.colX = 3, a.colY = 1, a.colZ = 2;
  TDataTitles t;
  EXPECT_EQ(ReadAsciiMultiColumn(a, t), 2);
  EXPECT_EQ(t.XName, "3");
  EXPECT_EQ(Row(2).X, 6);
  EXPECT_EQ(Row(2).Y, 4);
}

TEST_F(AsciiMultiColumn, ListerAndColumnReader) {
  const std::string path = dir_.Write("l.txt", "a b c\n1 2 3\n4 5 6 7\n");
  std::vector<std::string> list;
  ASSERT_EQ(ListAsciiColumns(path, list), 4);
  EXPECT_EQ(list[0], "  1 a  1  4  ");
  EXPECT_EQ(list[3], "  4 7  ");
  const TColumnArray column = ReadAsciiColumn(path, 2);
  ASSERT_EQ(column.size(), 3u);
  EXPECT_EQ(column[0], 2);
  EXPECT_EQ(column[1], 2);
  EXPECT_EQ(column[2], 5);
  EXPECT_TRUE(ReadAsciiColumn(dir_.Path("none"), 1).empty());
}

struct ScanCase {
  const char* line;
  bool commaMode;
  int fields, commas;
  std::vector<std::string> texts;
};

TEST(ScanLineFields, FieldsQuotesCommasAndMarks) {
  const ScanCase cases[] = {
      {"1 2 3", false, 3, 0, {"1", "2", "3"}},
      {"  1.5e-3,\tabc , ,7", false, 4, 3, {"1.5e-3", "abc", "", "7"}},
      {",1", false, 2, 1, {"", "1"}},
      {"\"a b\" 'c' \"\" d", false, 4, 0, {"a b", "c", "", "d"}},
      {"1 2 3 * W0.5", false, 3, 0, {"1", "2", "3"}},
      {"first run,1", true, 2, 1, {"first run", "1"}},
      {"first run,1", false, 3, 1, {"first", "run", "1"}},
      {"1 2\r\n3", false, 2, 0, {"1", "2"}},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.line);
    TLineFields f;
    EXPECT_EQ(ScanLineFields(c.line, f, c.commaMode, kFieldLimit), c.fields);
    EXPECT_EQ(f.commas, c.commas);
    for (int i = 0; i < f.count && i < static_cast<int>(c.texts.size()); ++i)
      EXPECT_EQ(f.Text(c.line, i), c.texts[static_cast<std::size_t>(i)]);
  }
}

TEST(ScanLineFields, StopsOneShortOfTheFieldLimit) {
  std::string line;
  for (int i = 0; i < 100; ++i) line += "1 ";
  TLineFields f;
  EXPECT_EQ(ScanLineFields(line, f, false, kProbeFieldLimit), kProbeFieldLimit - 1);
}

TEST(ParseLineFields, NumbersMarksAndThePeriodThatEndsTheLine) {
  long double a, b, c;
  EXPECT_EQ(ParseLineFields("* 1 2 3", 2, 3, 4, a, b, c, false), 3);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(ParseLineFields("1 . 2 3", 1, 3, 4, a, b, c, false), 0);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, ExprErrorValue);
  EXPECT_EQ(ParseLineFields("1 2e1234 3", 1, 2, 3, a, b, c, false), 0);  // 4 exponent digits
  EXPECT_EQ(ParseLineFields("1 12abc 3", 1, 2, 3, a, b, c, false), 0);
  EXPECT_EQ(ParseLineFields("1 -2.5E+03 3", 1, 2, 3, a, b, c, false), 3);
  EXPECT_EQ(b, -2500);
}

TEST(DigitalFilter, KeepsEveryNthPointFromTheStart) {
  std::vector<int> kept;
  for (int c = 1; c <= 12; ++c)
    if (KeepFilteredPoint(c, 3, 2)) kept.push_back(c);
  EXPECT_EQ(kept, (std::vector<int>{4, 7, 10}));
}

}  // namespace
