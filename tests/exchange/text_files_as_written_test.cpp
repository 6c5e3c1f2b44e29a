// Text data files as other programs write them: UTF-8 headings, a UTF-8 byte order mark, lines
// longer than a reader's buffer (a long title line, a wide table's rows, a long text cell of a DIF file). Files made
// by LibreOffice (tests/data/make_libreoffice_fixtures.sh) and hand-built text.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "app/long_double.h"
#include "exchange/ascii_fields.h"
#include "exchange/ascii_readers.h"
#include "exchange/dif_reader.h"
#include "exchange/exchange_test_support.h"
#include "exchange/import_detection.h"

namespace {

using namespace exchange_test;

// "Temp °C" and "Yield µg" as the program keeps text (Windows-1252).
const std::string kTempC = "Temp \xB0" "C";
const std::string kYield = "Yield \xB5g";

std::vector<long double> Xs(const TReadResult& r) {
  std::vector<long double> xs;
  for (const TXYZPoint& p : r.points) xs.push_back(p.X);
  return xs;
}

// LibreOffice's DIF file: UTF-8 headings, and a note of 300 characters with commas in its
// second row. Cut into pieces of the 255-character buffer, the note's tail was read as a
// cell of its own, every later line was read one out of step, and the third row was lost.
TEST(TextFilesAsWritten, LibreOfficeDifHeadingsAndALongNote) {
  const std::string path = FixturePath("libreoffice_notes.dif").string();
  const TReadResult r = ReadDif(ChosenColumns(path, 0, 1, 2));
  EXPECT_EQ(r.titles.XName, kTempC);
  EXPECT_EQ(r.titles.YName, kYield);
  EXPECT_EQ(Xs(r), (std::vector<long double>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(RowsOf(r)[2], Point(3, 6, 9));
  EXPECT_EQ(r.skippedRows, 0);
  std::vector<std::string> list;
  ASSERT_EQ(ListDifColumns(path, list), 4);
  EXPECT_EQ(list[0], "A : " + kTempC);
  EXPECT_EQ(list[3], "D : Note short word, word, word, word, word, word");
  EXPECT_EQ(ReadDifColumn(path, 2), (TColumnArray{6, 1, 4, 9, 16, 25, 36}));
}

// LibreOffice's CSV table of 150 columns: its rows (1,195 characters) were cut into pieces
// of 1,023, each read as a row, so 8 rows gave 17 points, 9 of them made of later columns.
TEST(TextFilesAsWritten, LibreOfficeWideTableOneRowPerLine) {
  std::string path = FixturePath("libreoffice_wide.csv").string();
  ASSERT_EQ(DetectImportFileType(path), 4);
  std::vector<std::string> list;
  ASSERT_EQ(ListAsciiColumns(path, list), 150);
  EXPECT_EQ(list[0].substr(0, 21), "  1 " + kTempC + "  1.5  2.5");
  EXPECT_EQ(list[126].substr(0, 17), "127 c127  1127.25");

  const TReadResult r = ReadAsciiMultiColumn(ChosenColumns(path, 1, 2, 127));
  ASSERT_EQ(r.Count(), 8);
  EXPECT_EQ(r.titles.XName, kTempC);
  EXPECT_EQ(r.titles.ZName, "c127");
  EXPECT_EQ(RowsOf(r)[0], Point(1.5L, 1002.25L, 1127.25L));
  EXPECT_EQ(RowsOf(r)[7], Point(8.5L, 8002.25L, 8127.25L));
  EXPECT_EQ(r.skippedRows, 0);
  const std::vector<TColumnArray> pairs = ReadAsciiColumnPairs(path, std::vector<int>{1, 127});
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[1], (TColumnArray{8, 1127.25L, 2127.25L, 3127.25L, 4127.25L, 5127.25L, 6127.25L, 7127.25L,
                                    8127.25L}));
  // Every column is listed and read, the last of the 150 too (the first 127 were, and the
  // rest neither listed nor read).
  EXPECT_EQ(list[149].substr(0, 17), "150 c150  1150.25");
  EXPECT_EQ(ReadAsciiColumn(path, 150),
            (TColumnArray{8, 1150.25L, 2150.25L, 3150.25L, 4150.25L, 5150.25L, 6150.25L, 7150.25L, 8150.25L}));
}

// The title lines of an XYZ file: a title line longer than the reader's buffer gave its tail
// to the X name, and each name moved down a line. UTF-8 titles are kept as the program keeps
// text; the program's own files (Windows-1252) come back byte for byte.
TEST(TextFilesAsWritten, XyzTitleLinesWholeAndInTheirEncoding) {
  ScratchDir dir;
  struct Case {
    const char* name;
    std::string text;
    std::array<std::string, 4> titles;
  };
  const std::string longTitle(300, 'T');
  const Case cases[] = {
      {"a title line of 300 characters", "\"" + longTitle + "\"\nx\ny\nz\n1 2 3\n4 5 6\n",
       {std::string(kDataTitleLength, 'T'), "x", "y", "z"}},
      {"an unquoted one", longTitle + " end\nx\ny\nz\n1 2 3\n4 5 6\n",
       {std::string(kDataTitleLength, 'T'), "x", "y", "z"}},
      {"UTF-8 titles", "\"Plate \xC3\xB8 5 \xC2\xB5m\"\nTemp \xC2\xB0" "C\n\xCE\x94p\nz\n1 2 3\n4 5 6\n",
       {"Plate \xF8 5 \xB5m", kTempC, "?p", "z"}},
      {"UTF-8 cut at 80 characters, not bytes", std::string("\"") + [] {
         std::string s;
         for (int k = 0; k < 90; ++k) s += "\xC3\xA9";
         return s;
       }() + "\"\nx\ny\nz\n1 2 3\n",
       {std::string(kDataTitleLength, '\xE9'), "x", "y", "z"}},
      {"the program's own Windows-1252 text", "\"Plate \xF8 5 \xB5m\"\n\"Temp \xB0" "C\"\n\"y\"\n\"z\"\n1 2 3\n",
       {"Plate \xF8 5 \xB5m", kTempC, "y", "z"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TReadArgs a;
    a.path = dir.Write("t.txt", c.text);
    const TReadResult r = ReadAsciiXYZ(a);
    EXPECT_EQ((std::array<std::string, 4>{r.titles.Title, r.titles.XName, r.titles.YName, r.titles.ZName}), c.titles);
    EXPECT_EQ(r.points.empty() ? -1 : r.points[0].X, 1);
  }
}

// Excel's "CSV UTF-8" and many editors begin a file with a UTF-8 byte order mark. Read as
// text, a first row of numbers became the title "?1,2,3" and its point was lost, a heading
// read "?X", the program's own quoted title kept its quotes, and a DIF file was taken for an
// XY table.
TEST(TextFilesAsWritten, AByteOrderMarkIsPassedOver) {
  ScratchDir dir;
  const std::string kMark = "\xEF\xBB\xBF";

  std::string numbers = dir.Write("numbers.csv", kMark + "1,2,3\n4,5,6\n7,8,9\n10,11,12\n13,14,15\n16,17,18\n");
  ASSERT_EQ(DetectImportFileType(numbers), 3);
  TReadArgs a;
  a.path = numbers;
  TReadResult r = ReadAsciiXYZ(a);
  EXPECT_EQ(r.titles.Title, "");
  EXPECT_EQ(Xs(r), (std::vector<long double>{1, 4, 7, 10, 13, 16}));

  std::string own = dir.Write("own.dat", kMark + "\"Plate 5\"\n\"x\"\n\"y\"\n\"z\"\n1 2 3\n4 5 6\n");
  a.path = own;
  r = ReadAsciiXYZ(a);
  EXPECT_EQ((std::array<std::string, 4>{r.titles.Title, r.titles.XName, r.titles.YName, r.titles.ZName}),
            (std::array<std::string, 4>{"Plate 5", "x", "y", "z"}));
  EXPECT_EQ(Xs(r), (std::vector<long double>{1, 4}));

  std::string table =
      dir.Write("table.csv", kMark + "X,Y,Z,W\n1,2,3,1\n4,5,6,2\n7,8,9,1\n10,11,12,1\n13,14,15,1\n");
  ASSERT_EQ(DetectImportFileType(table), 4);
  std::vector<std::string> list;
  ASSERT_EQ(ListAsciiColumns(table, list), 4);
  EXPECT_EQ(list[0], "  1 X  1  4  7  10  13  ");
  r = ReadAsciiMultiColumn(ChosenColumns(table, 1, 2, 3, 4));
  EXPECT_EQ(r.titles.XName, "X");
  EXPECT_EQ(RowsOf(r)[0], Point(1, 2, 3));
  EXPECT_EQ(RowsOf(r)[1], Point(4, 5, 6, 2));
  EXPECT_EQ(r.Count(), 5);
  EXPECT_EQ(r.skippedRows, 0);
  std::string bare = dir.Write("bare.csv", kMark + "1,2,3,1\n4,5,6,1\n7,8,9,1\n10,11,12,1\n13,14,15,1\n");
  r = ReadAsciiMultiColumn(ChosenColumns(bare, 1, 2, 3));
  EXPECT_EQ(r.titles.XName, "1");
  EXPECT_EQ(Xs(r), (std::vector<long double>{1, 4, 7, 10, 13}));
  EXPECT_EQ(ReadAsciiColumn(bare, 1), (TColumnArray{5, 1, 4, 7, 10, 13}));

  std::string difText;
  {
    std::FILE* f = std::fopen(FixturePath("libreoffice_notes.dif").string().c_str(), "rb");
    ASSERT_NE(f, nullptr);
    for (int ch = std::getc(f); ch != EOF; ch = std::getc(f)) difText.push_back(static_cast<char>(ch));
    std::fclose(f);
  }
  std::string dif = dir.Write("marked.dif", kMark + difText);
  std::string unmarked = FixturePath("libreoffice_notes.dif").string();
  ASSERT_EQ(DetectImportFileType(dif), DetectImportFileType(unmarked));
  r = ReadDif(ChosenColumns(dif, 0, 1, 2));
  EXPECT_EQ(r.titles.XName, kTempC);
  EXPECT_EQ(Xs(r), (std::vector<long double>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
