// The Windows worksheet reader of the sibling product on the fixture the fixture script
// wrote and on built files of both starts, well formed and hostile.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/long_double.h"
#include "exchange/exchange_test_support.h"
#include "exchange/import_detection.h"
#include "exchange/mvw_builder.h"
#include "exchange/mvw_reader.h"

namespace {

using namespace exchange_test;
using Texts = std::vector<std::string>;

std::vector<MvwColumn> SurveyColumns() {
  return {{0, "Easting", {MvwNumber(1), MvwNumber(2), MvwNumber(3), MvwNumber(4), MvwNumber(5)}},
          {1, "Northing", {MvwNumber(10), MvwText("n/a"), MvwNumber(30), MvwEmpty(), MvwNumber(50), MvwNumber(60)}},
          {2, "Depth", {MvwNumber(1.0L / 3), MvwNumber(-2), MvwNumber(1e-300L), MvwNumber(4), MvwNumber(5e4000L)}},
          {3, "Weight", {MvwNumber(0.5L), MvwNumber(1), MvwNumber(-3), MvwNumber(0), MvwNumber(2), MvwNumber(9)}}};
}

class MvwReader : public TableTest {};

TEST_F(MvwReader, FixtureOfTheScript) {
  std::string path = FixturePath("worksheet_data.mvw").string();
  EXPECT_EQ(DetectImportFileType(path), 15);
  std::vector<std::string> list;
  EXPECT_EQ(ListMvwColumns(path, list), 4);
  EXPECT_EQ(list, (Texts{"   1: Easting", "   2: Northing", "   3: Depth", "   4: Weight"}));
  const TReadResult r = ReadMvw(ChosenColumns(path, 1, 3, 2));
  // Y (column 2) holds 5 cells: the shortest column decides; its text cell skips row 3.
  EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1, 0.5L, 10), Point(2, 0.25L, 20), Point(4, -1.5L, 40),
                                             Point(5, 1e-3, 50)}));
  EXPECT_EQ(r.titles.XName, "Easting");
  EXPECT_EQ(r.titles.ZName, "Northing");
  EXPECT_EQ(ReadMvwColumn(path, 4), (TColumnArray{4, 1, 2, 3, 4}));
}

// Both starts of the file give the same worksheet: 0x8100 and its header, or the block walk
// from offset 24 with the item's name met once before the item.
TEST_F(MvwReader, HeadedAndWalkedStartsReadAlike) {
  for (bool headed : {true, false}) {
    SCOPED_TRACE(headed);
    const std::string path = dir_.Write("s.mvw", BuildMvw(SurveyColumns(), headed));
    int rows = 0, columns = 0;
    EXPECT_GT(FindDataWorksheet(ReadBytes(path), &rows, &columns), 0);
    EXPECT_EQ(rows, 6);
    EXPECT_EQ(columns, 4);
    std::vector<std::string> list;
    EXPECT_EQ(ListMvwColumns(path, list), 4);
    EXPECT_EQ(list[1], "   2: Northing");
    // X has 5 cells; Y's text and empty cells drop rows 2 and 4; Z's 80-bit values come
    // through exactly, and a weight not above 0 becomes 1.
    const TReadResult r = ReadMvw(ChosenColumns(path, 1, 2, 3, 4));
    EXPECT_EQ(RowsOf(r), (std::vector<RowValues>{Point(1, 10, 1.0L / 3, 0.5L), Point(3, 30, 1e-300L, 1),
                                               Point(5, 50, 5e4000L, 2)}));
    EXPECT_TRUE(r.weighted);
    EXPECT_EQ(r.titles.YName, "Northing");
    EXPECT_EQ(ReadMvwColumn(path, 2), (TColumnArray{6, 10, ExprErrorValue, 30, ExprErrorValue, 50, 60}));
  }
}

TEST_F(MvwReader, MissingColumnsAndFiles) {
  const std::string path = dir_.Write("s.mvw", BuildMvw(SurveyColumns()));
  EXPECT_EQ(ReadMvw(ChosenColumns(path, 1, 2, 7)).error, TReadError::kMalformed);
  EXPECT_EQ(ReadMvw(ChosenColumns(dir_.File("none.mvw"), 1, 2, 3)).error, TReadError::kCannotOpen);
  std::vector<std::string> list;
  EXPECT_EQ(ListMvwColumns(dir_.File("none.mvw"), list), -1);
  EXPECT_EQ(ListMvwColumns(dir_.Write("one.mvw", BuildMvw({SurveyColumns()[0]})), list), -2);
  const std::vector<std::uint8_t> noItem(100, 7);
  EXPECT_EQ(ReadMvw(ChosenColumns(dir_.Write("no.mvw", noItem), 1, 2, 3)).error, TReadError::kMalformed);
  EXPECT_TRUE(ReadMvwColumn(dir_.File("no.mvw"), 1).empty());
}

// Lengths and indices from the file are bounded: entries stay within 23 characters
// whatever the column number and title; block and data lengths past the file end the
// walk or are cut to their block.
TEST_F(MvwReader, HostileLengthsAndIndices) {
  std::vector<MvwColumn> columns = SurveyColumns();
  columns[0].title = std::string(30, 'T');
  columns[1].index = 9998;
  columns[2].index = 0xFFFFFFFFu;
  const std::string path = dir_.Write("h.mvw", BuildMvw(columns));
  std::vector<std::string> list;
  EXPECT_EQ(ListMvwColumns(path, list), 3);  // the column 2^32 - 1 cannot be named
  EXPECT_EQ(list, (Texts{"   1: TTTTTTTTTTTTTTT", "9999: Northing", "   4: Weight"}));

  std::vector<std::uint8_t> bytes = BuildMvw(SurveyColumns());
  const long item = FindDataWorksheet(bytes);
  ASSERT_GT(item, 0);
  // The first title block's length runs past the file: the worksheet's blocks end there.
  std::vector<std::uint8_t> cut = bytes;
  bytes::StoreU32(&cut[static_cast<std::size_t>(item) + 4], 0x7FFFFFF0u);
  EXPECT_EQ(ReadMvw(ChosenColumns(dir_.Write("cut.mvw", cut), 1, 2, 3)).error, TReadError::kMalformed);
  // A data length larger than its block reads only the cells the block holds.
  std::vector<std::uint8_t> longData = bytes;
  const std::size_t firstData = static_cast<std::size_t>(item) + 4 * 48;
  ASSERT_EQ(longData[firstData], 1);
  bytes::StoreU32(&longData[firstData + 20], 0xFFFFFFF0u);
  EXPECT_EQ(ReadMvwColumnArray(longData, 0), (TColumnArray{5, 1, 2, 3, 4, 5}));
  // Every truncation of the file reads without fault.
  for (std::size_t n = 0; n < bytes.size(); n += 7) {
    const std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    std::vector<std::string> l;
    (void)ListMvwColumns(part, l);
    const TReadResult r = ReadMvwBytes(part, ChosenColumns("", 1, 2, 3, 4));
    EXPECT_LE(r.points.size(), 3u);
  }
}

}  // namespace
