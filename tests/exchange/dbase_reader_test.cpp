// The dBASE reader on a table LibreOffice wrote and on hand-built tables, well formed and
// hostile: counts, lengths and offsets that disagree with the file are refused or bounded.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>
#include <string>
#include <vector>

#include "exchange/dbase_builder.h"
#include "exchange/dbase_reader.h"
#include "exchange/exchange_test_support.h"

namespace {

using namespace exchange_test;
const std::vector<FieldSpec> kXYZW = {{"EAST", 'N', 8}, {"NORTH", 'F', 8}, {"HEIGHT", 'N', 10}, {"WT", 'N', 5}};

class DbaseReader : public TableTest {
 protected:
  TReadArgs Chosen(const std::string& path, int x, int y, int z, int w) {
    TReadArgs a = Args(path);
    a.colX = x, a.colY = y, a.colZ = z, a.colW = w;
    return a;
  }
  static std::vector<RowValues> Rows(const TReadResult& r) {
    std::vector<RowValues> rows;
    for (const TXYZPoint& p : r.points) rows.push_back({p.X, p.Y, p.Z, p.W, p.Status});
    return rows;
  }
};

TEST_F(DbaseReader, TableWrittenByLibreOffice) {
  const std::string path = FixturePath("libreoffice_points.dbf").string();
  std::vector<std::string> list;
  ASSERT_EQ(ListDbaseFields(path, list), 4);  // the text field NAME (3) is not offered
  EXPECT_EQ(list, (std::vector<std::string>{"  1 X", "  2 Y", "  4 Z", "  5 W"}));

  const TReadResult r = ReadDbase(Chosen(path, 1, 2, 4, 5));
  ASSERT_EQ(r.Count(), 5);
  EXPECT_EQ(Rows(r), (std::vector<RowValues>{Point(1, 2, 3.5L, 1), Point(4, 5, 6, 1),
                                             Point(0, 0, 0, 2, '*'), Point(-1.5L, 11, 12, 1),
                                             Point(2.25L, -7, 0, 4)}));
  EXPECT_TRUE(r.weighted);
  EXPECT_EQ(r.titles.XName, "X");
  EXPECT_EQ(r.titles.ZName, "Z");

  const TColumnArray z = ReadDbaseColumn(path, 4);
  EXPECT_EQ(z, (TColumnArray{5, 3.5L, 6, 0, 12, 0}));
  EXPECT_TRUE(ReadDbaseColumn(path, 6).empty());

  // Through the registered readers and the commit of the import driver.
  TDataTitles titles;
  EXPECT_EQ(Commit(ReadDbase(Chosen(path, 2, 1, 5, -1)), titles), 5);
  EXPECT_EQ(RowOf(2), Point(5, 4, 0, 1));
  EXPECT_EQ(HeaderCount(), 5);
}

TEST_F(DbaseReader, DeletedBlankAndWeightRules) {
  const std::string path = dir_.Write(
      "t.dbf", DbaseTable(kXYZW,
                          {{"1", "2", "3", "0.5"},
                           {"4", "5", "6", "2"},
                           {"", "", "", ""},
                           {"7", "8", "9", "-2"},
                           {"1e2", "x1", " -3.25", "0"},
                           {"*****", "1,5", "2", " "}},
                          {false, true}));
  const TReadResult r = ReadDbase(Chosen(path, 1, 2, 3, 4));
  // The deleted record stays, inactive; the blank one is an inactive row of zeros; weights
  // not above 0 become 1; text that is not a number reads as 0, and its record is kept
  // inactive (it was an active point of a made-up 0), the user told how many were.
  EXPECT_EQ(Rows(r), (std::vector<RowValues>{Point(1, 2, 3, 0.5L), Point(4, 5, 6, 2, '*'),
                                             Point(0, 0, 0, 1, '*'), Point(7, 8, 9, 1),
                                             Point(100, 0, -3.25L, 1, '*'), Point(0, 0, 2, 1, '*')}));
  EXPECT_EQ(r.inactiveRows, 3);  // the blank record and the two with text; not the deleted one
  EXPECT_EQ(r.skippedRows, 0);
  EXPECT_EQ(r.titles.YName, "NORTH");
  // The preview's column leaves the deleted record out.
  EXPECT_EQ(ReadDbaseColumn(path, 1), (TColumnArray{5, 1, 0, 7, 100, 0}));

  // Every record counts for the digital filter, deleted ones included.
  TReadArgs filtered = Chosen(path, 1, 2, 3, -1);
  filtered.filterN = 2;
  const TReadResult f = ReadDbase(filtered);
  EXPECT_EQ(Rows(f), (std::vector<RowValues>{Point(4, 5, 6, 1, '*'), Point(7, 8, 9, 1), Point(0, 0, 2, 1, '*')}));
  EXPECT_EQ(f.inactiveRows, 1);  // of the records the filter kept
  EXPECT_FALSE(f.weighted);
}

TEST_F(DbaseReader, ListerRefusesTooFewFieldsAndMissingFiles) {
  std::vector<std::string> list;
  EXPECT_EQ(ListDbaseFields((dir_.Path() / "none.dbf").string(), list), -2);
  EXPECT_EQ(ListDbaseFields(dir_.Write("one.dbf", DbaseTable({{"A", 'N', 4}, {"B", 'C', 4}}, {{"1", "x"}})), list), -1);
  EXPECT_EQ(ListDbaseFields(dir_.Write("lone.dbf", DbaseTable({{"A", 'N', 4}}, {{"1"}})), list), -1);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(ReadDbase(Chosen((dir_.Path() / "none.dbf").string(), 1, 2, 3, -1)).error, TReadError::kCannotOpen);
}

TEST_F(DbaseReader, CountsAndLengthsAreCheckedAgainstTheFile) {
  const Bytes good = DbaseTable(kXYZW, {{"1", "2", "3", "1"}, {"4", "5", "6", "1"}});
  struct Case {
    const char* what;
    std::size_t at;
    int width;  // 1, 2 or 4 bytes
    std::uint32_t value;
    int count;  // points read; -1 refused as malformed
  };
  const Case cases[] = {
      {"record count far past the file's end", 4, 4, 0xFFFFFFFFu, 2},
      {"record count of one", 4, 4, 1, 1},
      {"header length below one descriptor block", 8, 2, 20, -1},
      {"header length past the file's end", 8, 2, 0xFFFF, -1},
      {"record length of 0", 10, 2, 0, -1},
      {"record length shorter than the fields", 10, 2, 12, -1},
      {"a field running past the record", 32 + 32 * 3 + 16, 1, 200, -1},
      {"a record longer than its fields", 10, 2, 100, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = good;
    if (c.width == 4) Put32(b, c.at, c.value);
    else if (c.width == 2) Put16(b, c.at, c.value);
    else b[c.at] = static_cast<std::uint8_t>(c.value);
    const TReadResult r = ReadDbase(Chosen(dir_.Write("h.dbf", b), 1, 2, 3, 4));
    EXPECT_EQ(r.Count(), c.count);
    std::vector<std::string> list;
    if (c.count < 0) {
      EXPECT_EQ(r.error, TReadError::kMalformed);
      // The lister says so too, and the import refuses the file before its column dialog.
      EXPECT_EQ(ListDbaseFields(dir_.File("h.dbf"), list), kListMalformed);
    } else {
      EXPECT_EQ(ListDbaseFields(dir_.File("h.dbf"), list), 4);
    }
  }
  // Fields that do not exist are refused rather than read as zeros.
  const std::string path = dir_.Write("g.dbf", good);
  EXPECT_EQ(ReadDbase(Chosen(path, 1, 2, 9, -1)).error, TReadError::kMalformed);
  EXPECT_EQ(ReadDbase(Chosen(path, 0, 2, 3, -1)).error, TReadError::kMalformed);

  // Every truncation reads at most the whole records present, and never fails to return.
  for (std::size_t n = 0; n < good.size(); ++n) {
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    const TReadResult r = ReadDbase(Chosen(dir_.Write("c.dbf", cut), 1, 2, 3, 4));
    EXPECT_LE(r.Count(), 2);
  }
}

// A header that counts more records than the file holds: the records there are read, and
// the read says how many the header counted and how many the file held.
TEST_F(DbaseReader, AShortFileKeepsItsRecordsAndSaysItIsShort) {
  using Counts = std::pair<std::int64_t, std::int64_t>;
  std::vector<std::vector<std::string>> records;
  for (int k = 1; k <= 30; ++k) records.push_back({std::to_string(k), std::to_string(k % 7), std::to_string(k * k), "1"});
  Bytes b = DbaseTable(kXYZW, records);
  const TReadResult whole = ReadDbase(Chosen(dir_.Write("whole.dbf", b), 1, 2, 3, 4));
  EXPECT_EQ(whole.Count(), 30);
  EXPECT_EQ(std::pair(whole.recordsInHeader, whole.recordsInFile), Counts(0, 0));

  Put32(b, 4, 1000);
  const TReadResult r = ReadDbase(Chosen(dir_.Write("short.dbf", b), 1, 2, 3, 4));
  ASSERT_EQ(r.Count(), 30);
  EXPECT_EQ(Rows(r)[29], Point(30, 2, 900, 1));
  EXPECT_EQ(std::pair(r.recordsInHeader, r.recordsInFile), Counts(1000, 30));
  // Half a record at the end is not a record, and a count past every int is told as the
  // header gives it (it was told as 2147483647).
  b.resize(b.size() - 10);
  Put32(b, 4, 0xFFFFFFFFu);
  const TReadResult cut = ReadDbase(Chosen(dir_.Write("cut.dbf", b), 1, 2, 3, 4));
  EXPECT_EQ(cut.Count(), 29);
  EXPECT_EQ(std::pair(cut.recordsInHeader, cut.recordsInFile), Counts(4294967295, 29));
}

// A table of more records than the data table takes is read whole: the points beyond its
// room are counted and cut, as the text readers do, and the user is told; nothing is lost
// without a word.
TEST_F(DbaseReader, RecordsBeyondTheTablesRoomAreCountedAndCut) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 20000; ++i) rows.push_back({std::to_string(i), "2", "3", "1"});
  const std::string path = dir_.Write("big.dbf", DbaseTable(kXYZW, rows));
  const TReadResult r = ReadDbase(Chosen(path, 1, 2, 3, 4));
  EXPECT_EQ(r.pointsInFile, 20000);
  EXPECT_EQ(r.pointsCut, 20000 - kXYZMaxPoints);
  ASSERT_EQ(r.Count(), kXYZMaxPoints);
  EXPECT_EQ(r.points.back().X, kXYZMaxPoints - 1);
  // With room for all of them, all of them; the digital filter sees every record.
  TReadArgs roomy = Chosen(path, 1, 2, 3, 4);
  roomy.capacity = 20000;
  EXPECT_EQ(ReadDbase(roomy).Count(), 20000);
  TReadArgs filtered = roomy;
  filtered.filterN = 4;
  const TReadResult f = ReadDbase(filtered);
  EXPECT_EQ(f.Count(), 5000);
  EXPECT_EQ(f.points.back().X, 19999);
}

// A character field longer than 255 bytes keeps its high length byte after the low one
// (FoxPro, Clipper): read as one byte it shifted every later field, and the records came
// back as inactive zeros without an error. Fields that do not fill the record are refused.
TEST_F(DbaseReader, LongCharacterFieldsAndLengthsThatDoNotAddUp) {
  const std::vector<FieldSpec> fields = {
      {"X", 'N', 8}, {"NOTE", 'C', 300}, {"Y", 'F', 10}, {"Z", 'N', 12}};
  const std::string path = dir_.Write(
      "long.dbf", DbaseTable(fields, {{"1.5", std::string(299, 'n') + "9", "2", "-3"}, {"4", "", "5", "6.25"}}));
  std::vector<std::string> list;
  ASSERT_EQ(ListDbaseFields(path, list), 3);
  EXPECT_EQ(list, (std::vector<std::string>{"  1 X", "  3 Y", "  4 Z"}));
  const TReadResult r = ReadDbase(Chosen(path, 1, 3, 4, -1));
  ASSERT_EQ(r.error, TReadError::kNone);
  EXPECT_EQ(Rows(r), (std::vector<RowValues>{Point(1.5L, 2, -3, 1), Point(4, 5, 6.25L, 1)}));
  EXPECT_EQ(ReadDbaseColumn(path, 4), (TColumnArray{2, -3, 6.25L}));

  // A numeric field's byte after the length is its decimal count, not a length byte.
  Bytes decimals = DbaseTable(kXYZW, {{"1.25", "2", "3", "1"}});
  decimals[32 + 17] = 2;
  EXPECT_EQ(Rows(ReadDbase(Chosen(dir_.Write("dec.dbf", decimals), 1, 2, 3, -1))),
            (std::vector<RowValues>{Point(1.25L, 2, 3, 1)}));

  // The same table with the long field's high byte lost: the fields no longer fill the
  // record, and the table is refused rather than read from the wrong bytes.
  Bytes cut = DbaseTable(fields, {{"1.5", "n", "2", "-3"}});
  cut[32 + 32 + 17] = 0;
  const std::string bad = dir_.Write("cut.dbf", cut);
  EXPECT_EQ(ReadDbase(Chosen(bad, 1, 3, 4, -1)).error, TReadError::kMalformed);
  EXPECT_EQ(ListDbaseFields(bad, list), kListMalformed);
  EXPECT_TRUE(ReadDbaseColumn(bad, 1).empty());
}

}  // namespace
