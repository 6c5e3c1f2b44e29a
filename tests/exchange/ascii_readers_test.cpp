// The text readers: ASCII XYZ and multi-column files, their field scanner, and DIF.
#include "exchange/ascii_readers.h"

#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <random>

#include "app/long_double.h"
#include "app/number_scanner.h"
#include "exchange/ascii_fields.h"
#include "exchange/dif_reader.h"
#include "exchange/import_detection.h"
#include "exchange/exchange_test_support.h"
#include "support/german_locale.h"

namespace {

using namespace exchange_test;


class AsciiXYZ : public TableTest {
 protected:
  int Read(const std::string& text, TDataTitles& titles, int firstRow = 1, int n = 1, int s = 1) {
    TReadArgs a = Args(dir_.Write("data.txt", text));
    a.filterN = n;
    a.filterStart = s;
    return Commit(ReadAsciiXYZ(a), titles, firstRow);
  }
};

TEST_F(AsciiXYZ, TitlesNumbersAndMarks) {
  struct Want {
    int row;
    RowValues values;
  };
  struct Case {
    const char* name;
    std::string text;
    int count;
    std::array<std::string, 4> titles;  // title, X, Y and Z names
    long double weighted;               // the header's weights flag
    std::vector<Want> rows;
  };
  const RowValues empty = Point(0, 0, 0, 0, 0);
  const Case cases[] = {
      {"plain numbers give empty titles", "1 2 3\n4 5 6\n7 8 9\n10 11 12\n", 4, {}, 0,
       {{1, Point(1, 2, 3)}, {4, Point(10, 11, 12)}}},
      {"quoted title and three name lines fill all four",
       "\"Surface test\"\n\n  Temperature [K]\n\"Pressure\" unit\nYield\n1 2 3\n4 5 6\n", 2,
       {"Surface test", "Temperature [K]", "Pressure", "Yield"}, 0, {{2, Point(4, 5, 6)}}},
      // The program writes each title line quoted as it stands; one holding quotes came back
      // cut at its second quote ("Plate").
      {"a quoted title line runs from its first quote to its last",
       "\"Plate \"A\" 5mm\"\r\n\"x \"east\"\"\r\n\"\"\"\r\n  \"open z\r\n1 2 3\r\n", 1,
       {"Plate \"A\" 5mm", "x \"east\"", "\"", "open z"}, 0, {{1, Point(1, 2, 3)}}},
      {"a numeric line ends the titles and is data", "My data\n-.5 1 2\n", 1, {"My data"}, 0,
       {{1, Point(-0.5L, 1, 2)}}},
      {"long titles are cut at their fields",
       std::string(100, 'T') + "\n" + std::string(60, 'X') + "\ny\nz\n1 2 3\n", 1,
       {std::string(kDataTitleLength, 'T'), std::string(kAxisNameLength, 'X'), "y", "z"}, 0, {}},
      {"commas between numbers are passed over", "1,2,3\n4, 5, 6\n", 2, {}, 0,
       {{2, Point(4, 5, 6)}}},
      {"a star marks inactive, a weight sets the flag", "1 2 3 *\n4 5 6 W0.5\n7 8 9 W 2\n", 3, {},
       1, {{1, Point(1, 2, 3, 1, '*')}, {2, Point(4, 5, 6, 0.5L)}, {3, Point(7, 8, 9, 2)}}},
      {"a line that ends before its point is complete is no point", "1 2\n3 4\n5 6 7 8\n", 1,
       {}, 0, {{1, Point(5, 6, 7)}, {2, empty}}},
      // The C library would read "inf" out of "information", "nan" as a number and 0x1A as
      // 26. "0x1A": 0, then 'x' and the digit 1 (a number again), then 'A': no point.
      {"words skip their line and never read as infinity or NaN",
       "1 2 3\n4 5 6 information 99 98 97\nnan 10 11 12\n7 8 9\ninf 1 1 1\n-inf\n0x1A\n", 3, {}, 0,
       {{3, Point(7, 8, 9)}, {4, empty}}},
      // The program's own data text holds what the table held: 1e301, 1e4000 and subnormal
      // values come back as written (they came back missing or 0).
      {"values long double holds are kept, beyond its range missing, below it zero",
       "1e5000 2 3\n1e301 2 3\n1e-5000 2 3\n-1e-301 2 3\n5. .5 +7e+2\n-1e4000 4.18873988004805e-322 1e-4940\n", 6,
       {}, 0,
       {{1, Point(ExprErrorValue, 2, 3)}, {2, Point(1e301L, 2, 3)}, {3, Point(0, 2, 3)},
        {4, Point(-1e-301L, 2, 3)}, {5, Point(5, 0.5L, 700)},
        {6, Point(-1e4000L, 4.18873988004805e-322L, 1e-4940L)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TableTest::SetUp();
    TDataTitles t;
    t.Title = "old";
    EXPECT_EQ(Read(c.text, t), c.count);
    EXPECT_EQ(HeaderCount(), c.count);
    EXPECT_EQ((std::array<std::string, 4>{t.Title, t.XName, t.YName, t.ZName}), c.titles);
    EXPECT_EQ(Row(0).W, c.weighted);
    for (const Want& w : c.rows) EXPECT_EQ(RowOf(w.row), w.values) << "row " << w.row;
  }
}

// A heading line of column names, as spreadsheets and surveying programs write it, names X,
// Y and Z by its fields; one title, quoted or not, stays the title. The first heading below
// gave the X name 'Ostwert (m)"<TAB>"Nordwert (m)' (the first quote to the last, cut at 40
// characters) and no Y or Z name.
TEST_F(AsciiXYZ, HeadingLinesOfSeveralFieldsNameXYAndZ) {
  struct Case {
    const char* name;
    std::string text;
    std::array<std::string, 4> titles;  // title, X, Y and Z names
  };
  const std::string data = "1 2 3\n4 5 6\n";
  const Case cases[] = {
      {"three quoted fields parted by tabs, in UTF-8",
       "\"Ostwert (m)\"\t\"Nordwert (m)\"\t\"H\xC3\xB6he \xC3\xBC. NN (m)\"\r\n" + data,
       {"", "Ostwert (m)", "Nordwert (m)", "H\xF6he \xFC. NN (m)"}},
      {"a title line, then quoted fields parted by commas", "\"Survey 7\"\n\"East\",\"North\",\"Depth\"\n" + data,
       {"Survey 7", "East", "North", "Depth"}},
      {"quoted fields parted by blanks", "\"x [m]\" \"y [m]\"  \"z [m]\"\n" + data, {"", "x [m]", "y [m]", "z [m]"}},
      {"quoted fields parted by semicolons", "\"x\";\"y\";\"z\"\n" + data, {"", "x", "y", "z"}},
      {"two quoted fields name X and Y", "\"East\" \"North\"\n" + data, {"", "East", "North", ""}},
      {"a fourth field is passed over", "\"a\",\"b\",\"c\",\"d\"\n" + data, {"", "a", "b", "c"}},
      {"a quote doubled inside a field is one quote", "\"5\"\" plate\"\t\"y\"\t\"z\"\n" + data,
       {"", "5\" plate", "y", "z"}},
      {"names are cut at their 40 characters", "\"" + std::string(50, 'n') + "\"\t\"y\"\t\"z\"\n" + data,
       {"", std::string(kAxisNameLength, 'n'), "y", "z"}},
      {"lines after the heading are no titles", "\"x\" \"y\" \"z\"\n\"m\" \"m\" \"m\"\n" + data, {"", "x", "y", "z"}},
      // One title stays one title, whatever it holds.
      {"one quoted title", "\"Plate \"A\" 5mm\"\n" + data, {"Plate \"A\" 5mm", "", "", ""}},
      {"a title of words and commas", "Survey 3, March, 2024\n" + data, {"Survey 3, March, 2024", "", "", ""}},
      {"a title of words", "x y z\n" + data, {"x y z", "", "", ""}},
      {"a title of words and tabs", "Run 4\tMarch\n" + data, {"Run 4\tMarch", "", "", ""}},
      {"a quoted field and words", "\"Run\" 4\n" + data, {"Run", "", "", ""}},
      {"a quote that never closes", "\"a\"\t\"b\n" + data, {"a\"", "", "", ""}},
      {"one field and a tab", "\"Title\"\t\n" + data, {"Title", "", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TableTest::SetUp();
    TDataTitles t;
    EXPECT_EQ(Read(c.text, t), 2);
    EXPECT_EQ((std::array<std::string, 4>{t.Title, t.XName, t.YName, t.ZName}), c.titles);
    EXPECT_EQ(RowOf(2), Point(4, 5, 6));
  }
  // The multi-column reader names its chosen columns by the same headings.
  for (const std::string heading :
       {"\"Nr\"\t\"Ostwert (m)\"\t\"Nordwert (m)\"\t\"H\xC3\xB6he \xC3\xBC. NN (m)\"",
        "\"Nr\", \"Ostwert (m)\", \"Nordwert (m)\", \"H\xF6he \xFC. NN (m)\""}) {
    SCOPED_TRACE(heading);
    TReadArgs a = Args(dir_.Write("m.txt", heading + "\n1 10 100 0.5\n2 20 200 0.6\n"));
    a.colX = 2, a.colY = 3, a.colZ = 4, a.colW = -1;
    const TReadResult r = ReadAsciiMultiColumn(a);
    EXPECT_EQ(r.Count(), 2);
    EXPECT_EQ((std::array<std::string, 3>{r.titles.XName, r.titles.YName, r.titles.ZName}),
              (std::array<std::string, 3>{"Ostwert (m)", "Nordwert (m)", "H\xF6he \xFC. NN (m)"}));
  }
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
    TXYZPoint& p = session_.Table.XYZData()[static_cast<std::size_t>(i)];
    p.X = i, p.Y = 0, p.Z = 0, p.W = 2, p.Status = ' ';
  }
  session_.Table.XYZData()[0].X = 10;
  session_.Table.XYZData()[0].W = 1;
  session_.Table.SetXYZRows(10);
  TDataTitles t;
  EXPECT_EQ(Read("100 101 102\n103 104 105\n", t, 11), 2);
  EXPECT_EQ(HeaderCount(), 12);
  EXPECT_EQ(RowOf(10), Point(10, 0, 0, 2));
  EXPECT_EQ(RowOf(11), Point(100, 101, 102));
  EXPECT_EQ(RowOf(12), Point(103, 104, 105));
  EXPECT_EQ(Row(0).W, 1);
}

TEST_F(AsciiXYZ, TableGrowsPastItsFirstCapacityAndAMissingFileAnswersMinusOne) {
  std::string text;
  for (int i = 1; i <= 3000; ++i) text += std::to_string(i) + " 1 2\n";
  TDataTitles t;
  EXPECT_EQ(Read(text, t), 3000);
  EXPECT_GE(session_.Table.XYZCapacity(), 4096);
  EXPECT_EQ(Row(3000).X, 3000);
  EXPECT_EQ(Commit(ReadAsciiXYZ(Args(dir_.File("none.txt"))), t), -1);
}

// Numbers are read in the C locale whatever the user's: under a German locale "1.5" is
// still one and a half, and "1,5" two numbers.
TEST_F(AsciiXYZ, ReadsInTheCLocaleUnderAGermanLocale) {
  USE_GERMAN_LOCALE(german);
  TDataTitles t;
  EXPECT_EQ(Read("1.5 2.25 3e-1\n1,5 2,5\n", t), 2);
  EXPECT_EQ(RowOf(1), Point(1.5L, 2.25L, 0.3L));
  EXPECT_EQ(RowOf(2), Point(1, 5, 2));
}

// A line that mixes letters into numbers is no point and no title: read as a stream,
// "A4 4 0" gave the point (4, 4, 0) and a file of such lines lost its first four to the
// titles. Such lines are passed over whole and counted.
TEST_F(AsciiXYZ, LinesMixingLettersIntoNumbersAreSkippedAndCounted) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<long double> xs;  // X of the points read, in order
    int skipped;
    std::string title;
  };
  const Case cases[] = {
      {"labels before numbers", "A1 1 0\nA2 2 0\nA3 3 0\nA4 4 0\nA5 5 0\n", {}, 5, ""},
      {"a real title stays a title", "Run 2 at 25C\n1 2 3\nB7 8 9\n4 5 6\n", {1, 4}, 1, "Run 2 at 25C"},
      {"exponents, weights and marks are numbers", "1e2 2 3 W0.5\n4 5 6*\n7E-1 8 9\n", {100, 4, 0.7L}, 0, ""},
      {"a label at the end of a line", "1 2 3 x4\n4 5 6\n", {4}, 1, ""},
      {"words without digits keep their old reading", "1 2 3 information 4 5 6\n7 8 9\n", {1, 7}, 0, ""},
      // Empty cells of comma-separated lines, and numbers joined into dates, times, fractions.
      {"a trailing comma after a whole point is no empty cell", "1,2,3,\n4,5,6,\n", {1, 4}, 0, ""},
      {"blanks between the commas", "1, ,3\n4 , 5 , 6\n", {4}, 1, ""},
      {"a point is complete on its line, or passed over and counted", "1 2\n3 4\n5 6 7 8\n", {5}, 3, ""},
      {"times and fractions", "12:30 1 2\n3/4 5 6\n7 8 9\n1.5-2 3 4\n1.2.3 4 5\n", {7}, 4, ""},
      {"signs, exponents and periods of numbers", "-5 -6 -7\n1e-5,+2.,3E+2\n.5 -.5 5.\n", {-5, 1e-5L, 0.5L}, 0, ""},
      {"comma lines of no numbers", "1,2,3\n,,\n , \n4,5,6\n", {1, 4}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TReadResult r = ReadAsciiXYZ(Args(dir_.Write("mixed.txt", c.text)));
    std::vector<long double> xs;
    for (const TXYZPoint& p : r.points) xs.push_back(p.X);
    EXPECT_EQ(xs, c.xs);
    EXPECT_EQ(r.skippedLines, c.skipped);
    EXPECT_EQ(r.titles.Title, c.title);
  }
}

// A three-column CSV table LibreOffice wrote (tests/data/make_libreoffice_fixtures.sh): its
// empty cells and its date made every later point of two rows' values (commas are passed over
// between numbers, "2024-01-04" read as 2024, -1 and -4). A line with an empty cell inside a
// point, or a field of numbers joined into a date, a time or a fraction, is passed over and
// counted; an empty row is no data.
TEST_F(AsciiXYZ, EmptyCellsAndDatesOfCommaFilesPassOverTheirLine) {
  std::string path = FixturePath("libreoffice_gaps.csv").string();
  ASSERT_EQ(DetectImportFileType(path), 3);
  const TReadResult r = ReadAsciiXYZ(Args(path));
  EXPECT_EQ(r.titles.Title, "x,y,z");
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1, 2, 3), Point(7, 8, 9), Point(16, 17, 18),
                                               Point(22, 23, 24), Point(25, 26, 27)}));
  EXPECT_EQ(r.skippedLines, 4);

}

// A point is complete on its line. The review's surface export writes "x y" for a grid point
// the fit cannot evaluate; read across the line end, that point took the next line's X as its
// Z, and every later point was made of the values of two lines (three short lines gave 14
// points, two of them made up). A line that ends before its point is complete is passed over
// and counted, in every separator and at the end of the file.
TEST_F(AsciiXYZ, ALineThatEndsBeforeItsPointIsCompleteIsPassedOverAndCounted) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<RowValues> rows;
    int skipped;
  };
  const Case cases[] = {
      {"blanks", "1 2 3\n4 5\n6 7 8\n9 10\n11 12 13\n", {Point(1, 2, 3), Point(6, 7, 8), Point(11, 12, 13)}, 2},
      {"commas", "1,2,3\n4,5\n6,7,8\n", {Point(1, 2, 3), Point(6, 7, 8)}, 1},
      {"tabs and CR LF", "1\t2\t3\r\n4\t5\r\n6\t7\t8\r\n", {Point(1, 2, 3), Point(6, 7, 8)}, 1},
      {"the last line without its line feed", "1 2 3\n4 5", {Point(1, 2, 3)}, 1},
      {"a lone X", "7\n1 2 3\n", {Point(1, 2, 3)}, 1},
      {"a note after two values", "1 2 \"n/a\"\n4 5 6\n", {Point(4, 5, 6)}, 1},
      {"marks of a whole point stay", "1 2 3 *\n4 5\n6 7 8 W2\n", {Point(1, 2, 3, 1, '*'), Point(6, 7, 8, 2)}, 1},
      {"two points on a line", "1 2 3 4 5 6\n", {Point(1, 2, 3), Point(4, 5, 6)}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TReadResult r = ReadAsciiXYZ(Args(dir_.Write("short.txt", c.text)));
    EXPECT_EQ(RowsOf(r), c.rows);
    EXPECT_EQ(r.skippedLines, c.skipped);
  }
}

// Every reader counts the points of the file and cuts at the room the table has left.
TEST_F(AsciiXYZ, EveryReaderCountsWhatItCutAtTheTablesRoom) {
  std::string xyz, multi, dif = "TABLE\n0,1\n\"\"\nVECTORS\n0,3\n\"\"\nDATA\n0,0\n\"\"\n";
  for (int i = 1; i <= 9; ++i) {
    xyz += std::to_string(i) + " 0 0\n";
    multi += "p," + std::to_string(i) + ",0,0\n";
    dif += "-1,0\nBOT\n0," + std::to_string(i) + "\nV\n0,0\nV\n0,0\nV\n";
  }
  dif += "-1,0\nEOD\n";
  struct Case {
    const char* name;
    TReadResult (*read)(const TReadArgs&);
    std::string file;
    int firstColumn;
  };
  const Case cases[] = {{"xyz", ReadAsciiXYZ, dir_.Write("c.txt", xyz), 1},
                        {"multi-column", ReadAsciiMultiColumn, dir_.Write("c.csv", multi), 2},
                        {"dif", ReadDif, dir_.Write("c.dif", dif), 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TReadArgs a = Args(c.file);
    a.colX = c.firstColumn, a.colY = c.firstColumn + 1, a.colZ = c.firstColumn + 2;
    a.capacity = 4;
    a.filterN = 2;  // points 2, 4, 6, 8 kept: all fit
    TReadResult r = c.read(a);
    EXPECT_EQ((std::vector<int>{r.Count(), r.pointsInFile, r.pointsCut}), (std::vector<int>{4, 9, 0}));
    a.filterN = 1;
    r = c.read(a);
    EXPECT_EQ((std::vector<int>{r.Count(), r.pointsInFile, r.pointsCut}), (std::vector<int>{4, 9, 5}));
    EXPECT_EQ(r.points.back().X, 4);
  }
}

class AsciiMultiColumn : public TableTest {
 protected:
  int Read(const std::string& text, int x, int y, int z, int w, TDataTitles& t) {
    TReadArgs a = Args(dir_.Write("m.txt", text));
    a.colX = x, a.colY = y, a.colZ = z, a.colW = w;
    return Commit(ReadAsciiMultiColumn(a), t);
  }
};

TEST_F(AsciiMultiColumn, NamesFromTheHeaderAndChosenColumns) {
  TDataTitles t;
  EXPECT_EQ(Read("id  temp  press  yield  wt\n1   10    100    0.5    2\n"
                 "2   20    200    0.6    0\n3   30    300    0.7    -2\n4   40    x      0.8    1\n",
                 2, 3, 4, 5, t),
            3);
  EXPECT_EQ((std::array<std::string, 3>{t.XName, t.YName, t.ZName}),
            (std::array<std::string, 3>{"temp", "press", "yield"}));
  EXPECT_EQ(RowOf(1), Point(10, 100, 0.5L, 2));
  EXPECT_EQ(RowOf(2), Point(20, 200, 0.6L, 1));  // 0 and -2 are no weights
  EXPECT_EQ(RowOf(3), Point(30, 300, 0.7L, 1));
  EXPECT_EQ(Row(0).W, 1);
  EXPECT_EQ(HeaderCount(), 3);

  // Comma files keep the blanks inside words; without a header the names are the first texts.
  EXPECT_EQ(Read("Run name,x value,y value,z value\nfirst run,1,2,3\nsecond run,4,5,6\n"
                 "third,7,8,9\n", 2, 3, 4, -1, t),
            3);
  EXPECT_EQ(t.XName, "x value");
  EXPECT_EQ(Row(3).Z, 9);
  EXPECT_EQ(Row(0).W, 0);
  EXPECT_EQ(Read("1 2 3\n4 5 6\n", 3, 1, 2, -1, t), 2);
  EXPECT_EQ(t.XName, "3");
  EXPECT_EQ(RowOf(2), Point(6, 4, 5));
}

// The lister numbers the fields as the readers do: a word beginning with "W" (or "*") is a
// column of its own, so the column the user picks is the column read.
TEST_F(AsciiMultiColumn, ListerAndColumnReaderNumberColumnsAlike) {
  const std::string path = dir_.Write("l.txt", "a b c\n1 2 3\n4 5 6 7\nWien 8 9\n");
  std::vector<std::string> list;
  ASSERT_EQ(ListAsciiColumns(path, list), 4);
  EXPECT_EQ(list[0], "  1 a  1  4  Wien  ");
  EXPECT_EQ(list[1], "  2 b  2  5  8  ");
  EXPECT_EQ(list[3], "  4 7  ");
  EXPECT_EQ(ReadAsciiColumn(path, 2), (TColumnArray{3, 2, 5, 8}));
  EXPECT_TRUE(ReadAsciiColumn(dir_.File("none"), 1).empty());
}

TEST(ScanLineFields, FieldsQuotesCommasAndMarks) {
  struct Case {
    const char* line;
    bool commaMode;
    int fields, commas;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {"1 2 3", false, 3, 0, {"1", "2", "3"}},         {",1", false, 2, 1, {"", "1"}},
      {"  1.5e-3,\tabc , ,7", false, 4, 3, {"1.5e-3", "abc", "", "7"}},
      {"\"a b\" 'c' \"\" d", false, 4, 0, {"a b", "c", "", "d"}},
      {"1 2 3 * W0.5", false, 3, 0, {"1", "2", "3"}},  {"1 2\r\n3", false, 2, 0, {"1", "2"}},
      {"first run,1", true, 2, 1, {"first run", "1"}},  {"first run,1", false, 3, 1, {"first", "run", "1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TLineFields f;
    EXPECT_EQ(ScanLineFields(c.line, f, c.commaMode, kFieldLimit), c.fields);
    EXPECT_EQ(f.commas, c.commas);
    for (int i = 0; i < f.count && i < static_cast<int>(c.texts.size()); ++i)
      EXPECT_EQ(f.Text(c.line, i), c.texts[static_cast<std::size_t>(i)]);
  }
  // A line of more fields stops one short of the limit.
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

// A line read for several fields is scanned once (FieldValue): every field of random lines
// (numbers, 4-digit exponents, lone periods, empty and quoted fields, commas, marks, words)
// has the value the field-by-field reading gave, in blank and comma mode.
TEST(ParseLineFields, OneScanGivesEachFieldsValueAsBefore) {
  // The reading as it stood: the fields up to the last wanted one, a lone period ending it.
  auto before = [](std::string_view line, int f1, int f2, int f3, long double& v1, long double& v2,
                   long double& v3, bool commaMode) {
    v1 = v2 = v3 = ExprErrorValue;
    TLineFields fields;
    ScanLineFields(line, fields, commaMode, kFieldLimit, true);
    const int last = std::max({f1, f2, f3});
    for (int f = 1; f <= last && f <= fields.count; ++f) {
      const std::string_view text = fields.Text(line, f - 1);
      if (text == ".") break;
      if (f != f1 && f != f2 && f != f3) continue;
      if (!IsWholeDecimalNumber(text, 3)) continue;
      const long double v = DataValueOf(text);
      if (f == f1) v1 = v;
      if (f == f2) v2 = v;
      if (f == f3) v3 = v;
    }
    return !IsMissingValue(v1) && !IsMissingValue(v2) && !IsMissingValue(v3) ? 3 : 0;
  };
  const char* pieces[] = {"1", "-2.5", "3e2", "4E-300", "5e1234", ".", "..", "'q'", "\"\"", ",", ", ,", " ",
                          "\t", "*", "W2", "abc", "1e400", "+.5", "7.", "0x1", "1,5", "-", "'a b'"};
  std::mt19937_64 random(345);
  for (int n = 0; n < 20000; ++n) {
    std::string line;
    const int count = static_cast<int>(random() % 9);
    for (int k = 0; k < count; ++k) {
      if (k > 0) line += random() % 3 == 0 ? "," : " ";
      line += pieces[random() % std::size(pieces)];
    }
    const bool commaMode = random() % 2 == 0;
    const int f1 = static_cast<int>(random() % 11) - 1, f2 = static_cast<int>(random() % 11) - 1,
              f3 = static_cast<int>(random() % 11) - 1;
    long double a, b, c, wantA, wantB, wantC;
    const int got = ParseLineFields(line, f1, f2, f3, a, b, c, commaMode);
    ASSERT_EQ(got, before(line, f1, f2, f3, wantA, wantB, wantC, commaMode)) << line;
    ASSERT_EQ((std::array<long double, 3>{a, b, c}), (std::array<long double, 3>{wantA, wantB, wantC})) << line;
    ASSERT_EQ(ParseLineField(line, f1, commaMode), wantA) << line;
  }
}

class DifReader : public TableTest {
 protected:
  int Read(const std::string& path, int x, int y, int z, int w, TDataTitles& t, int n = 1) {
    TReadArgs a = Args(path);
    a.colX = x, a.colY = y, a.colZ = z, a.colW = w;
    a.filterN = n;
    return Commit(ReadDif(a), t);
  }
  const std::string gnumeric_ = FixturePath("gnumeric_points.dif").string();
};

// Written by gnumeric (tests/data/make_gnumeric_fixtures.sh): a header row x, y, z, w and six
// rows, of which the second has an empty Z cell and the third a text Z cell.
TEST_F(DifReader, ReadsTheFileGnumericWroteInAnyColumnOrder) {
  TDataTitles t;
  ASSERT_EQ(Read(gnumeric_, 0, 1, 2, 3, t), 4);
  EXPECT_EQ((std::array<std::string, 3>{t.XName, t.YName, t.ZName}), (std::array<std::string, 3>{"x", "y", "z"}));
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
  EXPECT_EQ(ListDifColumns(noData, list), kListMalformed);
  EXPECT_TRUE(ReadDifColumn(noData, 0).empty());
}

// The text readers share the bound and the progress of every reader: a filtered read stops
// after kPointsCountBound points however few it keeps, and a cancelled read stops at once.
TEST_F(AsciiXYZ, AFilteredReadStopsAtTheBoundAndACancelStopsTheRead) {
  std::string text;
  text.reserve(6 * (kPointsCountBound + 10));
  for (int i = 0; i < kPointsCountBound + 10; ++i) text += "1 2 3\n";
  const std::string path = dir_.Write("long.txt", text);
  TReadArgs args = Args(path);
  args.filterN = 10000;
  TReadResult r = ReadAsciiXYZ(args);
  EXPECT_EQ(r.Count(), kPointsCountBound / 10000);
  EXPECT_EQ(r.pointsInFile, kPointsCountBound);
  EXPECT_TRUE(r.morePointsInFile);
  EXPECT_EQ(r.pointsCut, 0);
  for (const auto read : {ReadAsciiXYZ, ReadAsciiMultiColumn}) {
    TReadArgs cancelled = ChosenColumns(path, 1, 2, 3);
    cancelled.progress = [](int) { return false; };
    r = read(cancelled);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.pointsInFile, kReadProgressStep - 1);
  }
}

TEST(ColumnLetters, SingleThenDoubleLetters) {
  for (auto [column, letters] : {std::pair{0, "A"}, {25, "Z"}, {26, "AA"}, {27, "AB"}, {52, "BA"}})
    EXPECT_EQ(ColumnLetters(column), letters) << column;
}

}  // namespace
