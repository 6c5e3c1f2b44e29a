// The import routines of the sibling product's DOS worksheets (kind 14) on files our record
// writer builds: the column list, the whole-file read with its skipped rows, weights and
// digital filter, the one-column read, and a worksheet marked read-only.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "exchange/exchange_test_support.h"
#include "exchange/import_detection.h"
#include "exchange/mv5_builder.h"
#include "exchange/mv5_reader.h"

namespace {

using namespace exchange_test;
using Texts = std::vector<std::string>;
using Rows = std::vector<RowValues>;

// Column 3 (1-based) has a text cell in row 3 and an empty one in row 5; column 4 holds
// weights, one of them 0 and one negative; column 6 has two cells only, column 5 none.
std::vector<Mv5Column> Survey() {
  return {{0, "Easting", {N(1), N(2), N(3), N(4), N(5), N(6), N(7)}},
          {1, "Northing", {N(10), N(20), N(30), N(40), N(50), N(60), N(70)}},
          {2, "Depth", {N(0.5), N(-1.5), T("N/A"), N(2.25), E(), N(1e-300), N(7)}},
          {3, "Weight", {N(2), N(0), N(1), N(-3), N(1), N(4), N(0.5)}},
          {5, "Short", {N(1), N(2)}}};
}

class Mv5Reader : public TableTest {
 protected:
  std::string Survey(const char* name = "survey.mv5") {
    const std::string path = dir_.File(name);
    EXPECT_EQ(WriteMv5(path, ::Survey()), MvCode::kOk);
    return path;
  }
};

TEST_F(Mv5Reader, ListsColumnsOfMoreThanTwoCellsWithTheirTitles) {
  std::string path = Survey();
  EXPECT_EQ(DetectImportFileType(path), 14);
  std::vector<std::string> list;
  EXPECT_EQ(ListMv5Columns(path, list), 4);
  EXPECT_EQ(list, (Texts{"   1: Easting", "   2: Northing", "   3: Depth", "   4: Weight"}));
  EXPECT_EQ(ListMv5Columns(path, list, 2), 2);
  // One listable column is not enough.
  const std::string one = dir_.File("one.mv5");
  ASSERT_EQ(WriteMv5(one, {{0, "A", {N(1), N(2), N(3)}}, {1, "B", {N(1), N(2)}}}), MvCode::kOk);
  EXPECT_EQ(ListMv5Columns(one, list), -2);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(ListMv5Columns(dir_.File("absent.mv5"), list), -1);
  EXPECT_EQ(ListMv5Columns(dir_.Write("text.mv5", std::string(300, 'x')), list), kListMalformed);
}

// Rows with a text or empty cell are no points and do not count for the digital filter; a
// weight that is not above 0 becomes 1.
TEST_F(Mv5Reader, ReadsCompleteRowsOnly) {
  const std::string path = Survey();
  TReadResult r = ReadMv5(ChosenColumns(path, 1, 2, 3, 4));
  EXPECT_EQ(RowsOf(r), (Rows{Point(1, 10, 0.5L, 2), Point(2, 20, -1.5L, 1), Point(4, 40, 2.25L, 1),
                             Point(6, 60, 1e-300, 4), Point(7, 70, 7, 0.5L)}));
  EXPECT_TRUE(r.weighted);
  EXPECT_EQ(r.titles.XName, "Easting");
  EXPECT_EQ(r.titles.ZName, "Depth");
  EXPECT_EQ(r.titles.Title, "");
  TReadArgs filtered = ChosenColumns(path, 1, 2, 3);
  filtered.filterN = 2;
  r = ReadMv5(filtered);
  EXPECT_EQ(RowsOf(r), (Rows{Point(2, 20, -1.5L), Point(6, 60, 1e-300)}));
  EXPECT_FALSE(r.weighted);
  EXPECT_EQ(r.pointsInFile, 5);
}

// A column shorter than the others ends the points: its slot gives empty cells.
TEST_F(Mv5Reader, AShortColumnEndsTheRows) {
  const std::string path = dir_.File("short.mv5");
  ASSERT_EQ(WriteMv5(path, {{0, "x", {N(1), N(2), N(3), N(4), N(5)}},
                            {1, "y", {N(1), N(2), N(3)}},
                            {2, "z", {N(9), N(8), N(7), N(6), N(5)}}}),
            MvCode::kOk);
  EXPECT_EQ(RowsOf(ReadMv5(ChosenColumns(path, 1, 2, 3))), (Rows{Point(1, 1, 9), Point(2, 2, 8), Point(3, 3, 7)}));
  // A chosen column that the file does not hold: no data.
  EXPECT_EQ(ReadMv5(ChosenColumns(path, 1, 2, 9)).error, TReadError::kMalformed);
  EXPECT_EQ(ReadMv5(ChosenColumns(dir_.File("none.mv5"), 1, 2, 3)).error, TReadError::kCannotOpen);
}

TEST_F(Mv5Reader, OneColumnPassesOverCellsWithoutNumbers) {
  const std::string path = Survey();
  EXPECT_EQ(ReadMv5Column(path, 3), (TColumnArray{5, 0.5L, -1.5L, 2.25L, 1e-300, 7}));
  EXPECT_EQ(ReadMv5Column(path, 1), (TColumnArray{7, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_TRUE(ReadMv5Column(path, 6).empty());  // two cells
  EXPECT_TRUE(ReadMv5Column(path, 5).empty());  // no block
  EXPECT_TRUE(ReadMv5Column(dir_.File("none.mv5"), 1).empty());
}

// A worksheet the user may not change imports all the same.
TEST_F(Mv5Reader, ReadOnlyWorksheetImports) {
  std::string path = Survey("locked.mv5");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_EQ(DetectImportFileType(path), 14);
  std::vector<std::string> list;
  EXPECT_EQ(ListMv5Columns(path, list), 4);
  EXPECT_EQ(ReadMv5(ChosenColumns(path, 1, 2, 4)).Count(), 7);
}

}  // namespace
