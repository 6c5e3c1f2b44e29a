// The .sav import routines on the files PSPP wrote (tests/data/make_pspp_fixtures.sh):
// compressed, plain and zlib-compressed cases, UTF-8 and Windows-1252 texts, discrete and
// range missing values, short and long strings, a case weight, and the layout of the
// program's own files.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/long_double.h"
#include "exchange/exchange_test_support.h"
#include "exchange/import_detection.h"
#include "exchange/sav_builder.h"
#include "exchange/sav_file.h"
#include "exchange/sav_readers.h"

namespace {

using namespace exchange_test;
using Texts = std::vector<std::string>;
using Rows = std::vector<RowValues>;

constexpr const char* kCompressed = "pspp_compressed.sav";
constexpr const char* kUncompressed = "pspp_uncompressed.sav";
constexpr const char* kZCompressed = "pspp_zcompressed.sav";
constexpr std::size_t kCaseCountOffset = 80;  // the header's case count, an int32

// The fixture's titles in coded text: "Messreihe Nr. 7 – Gelände", "Länge X", "Höhe über Null".
const std::string kTitle = "Messreihe Nr. 7 \x96 Gel\xE4nde";
const std::string kXLabel = "L\xE4nge X";
const std::string kZLabel = "H\xF6he \xFC" "ber Null";

// The cases of the fixture whose x, y and z are present: the second has z = 999 (its
// discrete missing value), the eighth a system-missing x.
const Rows kXYZ = {Point(1, 2, 3.5L), Point(7, 8, 9), Point(-1500, 11, 12), Point(0.25L, -3, 0.01),
                   Point(100, 200, 300), Point(2.5L, 3.5L, 4.5L)};

class SavReaders : public TableTest {
 protected:
  // A copy of a fixture whose header states no case count.
  std::string WithoutCaseCount(const char* fixture) {
    std::vector<std::uint8_t> bytes = ReadBytes(FixturePath(fixture));
    for (std::size_t k = 0; k < 4; ++k) bytes[kCaseCountOffset + k] = 0xFF;
    return dir_.Write(std::string("nocount_") + fixture, bytes);
  }
};

TEST_F(SavReaders, PsppFilesOfEveryCompressionDetectAndReadAlike) {
  for (const char* fixture : {kCompressed, kUncompressed, kZCompressed}) {
    SCOPED_TRACE(fixture);
    const std::string original = FixturePath(fixture).string();
    for (std::string path : {original, WithoutCaseCount(fixture)}) {
      SCOPED_TRACE(path);
      EXPECT_EQ(DetectImportFileType(path), 23);
      const TReadResult r = ReadOkapSav(ChosenColumns(path, 1, 2, 3));
      EXPECT_EQ(RowsOf(r), kXYZ);
      EXPECT_FALSE(r.weighted);
      EXPECT_EQ(r.pointsInFile, 6);
      EXPECT_EQ(r.titles.Title, kTitle);
      EXPECT_EQ(r.titles.XName, kXLabel);
      EXPECT_EQ(r.titles.YName, "Breite");
      EXPECT_EQ(r.titles.ZName, kZLabel);
    }
    TSavDictionary d;
    ASSERT_EQ(ReadSavDictionary(original, d), TSavStatus::kOk);
    EXPECT_EQ(d.caseCount, 8);
    EXPECT_EQ(d.weightVariable, 3);
    ASSERT_EQ(d.variables.size(), 7u);
    EXPECT_FALSE(d.variables[5].numeric);
    EXPECT_FALSE(d.variables[6].numeric);  // the long string is one variable
  }
}

TEST_F(SavReaders, NumericVariablesAreListedByPositionWithTheirLabels) {
  std::vector<std::string> list;
  EXPECT_EQ(ListOkapVariables(FixturePath(kCompressed).string(), list), 5);
  EXPECT_EQ(list, (Texts{"1 x [" + kXLabel + "]", "2 y [Breite]", "3 z [" + kZLabel + "]", "4 w", "5 code"}));
  EXPECT_EQ(ListOkapVariables(FixturePath(kCompressed).string(), list, 2), 2);
  EXPECT_EQ(ListOkapVariables(dir_.File("missing.sav"), list), 0);
  EXPECT_TRUE(list.empty());
  // A label is cut to 40 characters in the list.
  const std::string longLabel(60, 'L');
  const std::string built = dir_.Write("long.sav", BuildSavFile({{"A", 0, longLabel}, {"S", 8}, {"B", 0}}));
  EXPECT_EQ(ListOkapVariables(built, list), 2);
  EXPECT_EQ(list, (Texts{"1 A [" + std::string(40, 'L') + "]", "3 B"}));
}

// W = |w|; a negative weight marks the case inactive while the digital filter keeps every
// point, and the table is weighted.
TEST_F(SavReaders, WeightVariableSignMarksInactiveCases) {
  const std::string path = FixturePath(kUncompressed).string();
  TReadResult r = ReadOkapSav(ChosenColumns(path, 1, 2, 3, 4));
  EXPECT_EQ(RowsOf(r), (Rows{Point(1, 2, 3.5L, 1), Point(7, 8, 9, 0.5L), Point(-1500, 11, 12, 4),
                             Point(0.25L, -3, 0.01, 1), Point(100, 200, 300, 0.5L), Point(2.5L, 3.5L, 4.5L, 2, '*')}));
  EXPECT_TRUE(r.weighted);
  TReadArgs filtered = ChosenColumns(path, 1, 2, 3, 4);
  filtered.filterN = 2;
  r = ReadOkapSav(filtered);
  EXPECT_EQ(RowsOf(r), (Rows{Point(7, 8, 9, 0.5L), Point(0.25L, -3, 0.01, 1), Point(2.5L, 3.5L, 4.5L, 2)}));
}

// A missing-value range drops every case inside it; the same variable may serve twice.
TEST_F(SavReaders, MissingRangesAndRepeatedVariables) {
  const std::string path = FixturePath(kCompressed).string();
  const TReadResult r = ReadOkapSav(ChosenColumns(path, 5, 5, 2));
  EXPECT_EQ(RowsOf(r), (Rows{Point(1, 1, 2), Point(4, 4, 11), Point(5, 5, -3), Point(6, 6, 200), Point(7, 7, 3.5L),
                             Point(8, 8, 1)}));
  EXPECT_EQ(r.titles.XName, "code");  // no label: the name
}

TEST_F(SavReaders, ChosenVariablesMustBeNumericAndExist) {
  const std::string path = FixturePath(kCompressed).string();
  for (int bad : {0, 6, 7, 8, -3}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ReadOkapSav(ChosenColumns(path, 1, bad, 3)).error, TReadError::kMalformed);
  }
  EXPECT_EQ(ReadOkapSav(ChosenColumns(dir_.File("none.sav"), 1, 2, 3)).error, TReadError::kCannotOpen);
  EXPECT_EQ(ReadOkapSav(ChosenColumns(dir_.Write("text.sav", "1 2 3\n"), 1, 2, 3)).error, TReadError::kMalformed);
  // A sound dictionary without a case is no data.
  const std::string empty = dir_.Write("empty.sav", BuildSavFile({{"A", 0}, {"B", 0}, {"C", 0}}));
  EXPECT_EQ(ReadOkapSav(ChosenColumns(empty, 1, 2, 3)).error, TReadError::kMalformed);
}

// The preview reads the variables together and keeps the complete cases; the one-variable
// read keeps one element per case, the missing value where the case has none.
TEST_F(SavReaders, VariableArrays) {
  const std::string path = FixturePath(kZCompressed).string();
  TColumnArray x, y, z;
  EXPECT_EQ(ReadOkapVariables3(path, 1, 2, 3, x, y, z), 6);
  EXPECT_EQ(x, (TColumnArray{6, 1, 7, -1500, 0.25L, 100, 2.5L}));
  EXPECT_EQ(z, (TColumnArray{6, 3.5L, 9, 12, 0.01, 300, 4.5L}));
  EXPECT_EQ(ReadOkapVariablePair(path, 3, 5, x, y), 6);
  EXPECT_EQ(y, (TColumnArray{6, 1, 4, 5, 6, 7, 8}));
  EXPECT_EQ(ReadOkapVariablePair(path, 3, 6, x, y), -2);
  EXPECT_EQ(ReadOkapVariablePair(dir_.File("none.sav"), 1, 2, x, y), -1);
  EXPECT_EQ(x, (TColumnArray{0}));
  const long double m = ExprErrorValue;
  EXPECT_EQ(ReadOkapVariable(path, 3), (TColumnArray{8, 3.5L, m, 9, 12, 0.01, 300, 4.5L, 1}));
  EXPECT_EQ(ReadOkapVariable(path, 1), (TColumnArray{8, 1, 4, 7, -1500, 0.25L, 100, 2.5L, m}));
  EXPECT_TRUE(ReadOkapVariable(path, 7).empty());
}

TEST_F(SavReaders, Windows1252TextsBecomeCodedText) {
  std::string path = FixturePath("pspp_windows1252.sav").string();
  EXPECT_EQ(DetectImportFileType(path), 23);
  const TReadResult r = ReadOkapSav(ChosenColumns(path, 1, 2, 3));
  EXPECT_EQ(RowsOf(r), (Rows{Point(1, 2, 3), Point(4, 5, 6)}));
  EXPECT_EQ(r.titles.Title, "Gel\xE4nde \x80 2");
  EXPECT_EQ(r.titles.XName, kXLabel);
  EXPECT_EQ(r.titles.ZName, "H\xF6he in \x80");
  // A file that names no encoding (the hand-built dictionary) keeps its bytes.
  TSavDictionary d;
  ASSERT_EQ(ReadSavDictionary(dir_.Write("raw.sav", BuildSavFile({{"A", 0, "\xC4pfel"}}, "Gr\xFC\xDF" "e")), d),
            TSavStatus::kOk);
  EXPECT_EQ(d.variables[0].label, "\xC4pfel");
  EXPECT_EQ(d.fileLabel.substr(0, 5), "Gr\xFC\xDF" "e");
}

// PSPP writing the program's own layout: kind 24, read without a dialog. The fourth case has
// a system-missing Y and is no point; the fifth is inactive although its weight of 0 has no
// sign to carry the mark.
TEST_F(SavReaders, OwnLayoutReadsWithStatesAndWeights) {
  std::string path = FixturePath("pspp_own_layout.sav").string();
  EXPECT_EQ(DetectImportFileType(path), 24);
  TReadResult r = ReadOkapSavOwn(Args(path));
  EXPECT_EQ(RowsOf(r), (Rows{Point(1, 2, 3, 1), Point(4, 5, 6, 2.5L), Point(7, 8, 9, 0.5L, '*'),
                             Point(13, 14, 15, 0, '*')}));
  EXPECT_TRUE(r.weighted);
  EXPECT_EQ(r.titles.Title, "Eigene Daten");
  EXPECT_EQ(r.titles.XName, "L\xE4nge");
  EXPECT_EQ(r.titles.ZName, "H\xF6he");
  // Through a digital filter the rows are renumbered and the marks are not kept.
  TReadArgs filtered = Args(path);
  filtered.filterN = 2;
  r = ReadOkapSavOwn(filtered);
  EXPECT_EQ(RowsOf(r), (Rows{Point(4, 5, 6, 2.5L), Point(13, 14, 15, 0)}));
  // Not the program's layout: refused.
  EXPECT_EQ(ReadOkapSavOwn(Args(FixturePath(kCompressed).string())).error, TReadError::kMalformed);
}

// A compressed file can hold millions of cases in a few bytes (a zlib-compressed one about
// 76 a byte). Once a million cases are read, the read stops and says "more than"; up to the
// bound the count is exact. A digital filter that keeps fewer points than the table holds
// stops there too: it used to make the read decode the whole file, however large.
TEST_F(SavReaders, CountingStopsAtTheBoundWhateverTheFilterKeeps) {
  const auto file = [&](const char* name, std::int64_t cases) {
    std::vector<std::uint8_t> bytes = BuildSavFile({{"A", 0}, {"B", 0}, {"C", 0}});
    AppendCompressedCases(bytes, {1, 2, 3}, cases);
    return dir_.Write(name, bytes);
  };
  const std::string exact = file("exact.sav", kPointsCountBound);
  const std::string huge = file("huge.sav", 3 * kPointsCountBound);
  const struct {
    const std::string& path;
    int filterN;
    int count;
    int pointsInFile;
    bool more;
  } cases[] = {
      {exact, 1, kXYZMaxPoints, kPointsCountBound, false},
      {huge, 1, kXYZMaxPoints, kPointsCountBound, true},
      // Every 100th point: 10,000 of the first million cases, and the table not full.
      {huge, 100, kPointsCountBound / 100, kPointsCountBound, true},
      {huge, 1000, kPointsCountBound / 1000, kPointsCountBound, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filterN);
    TReadArgs args = ChosenColumns(c.path, 1, 2, 3);
    args.filterN = c.filterN;
    const TReadResult r = ReadOkapSav(args);
    ASSERT_EQ(r.Count(), c.count);
    EXPECT_EQ(r.points.back().X, 1);
    EXPECT_EQ(r.points.back().Z, 3);
    EXPECT_EQ(r.pointsInFile, c.pointsInFile);
    EXPECT_EQ(r.morePointsInFile, c.more);
    EXPECT_EQ(r.pointsCut, std::max(c.pointsInFile / c.filterN - kXYZMaxPoints, 0));
  }
}

// Cases of missing values make no point and cost a byte each: the bound counts cases read,
// so that a million of them stop the read as a million points would, in the whole-file
// reads and in the paired columns of the column dialog alike. The points behind them are
// never reached.
TEST_F(SavReaders, CasesOfMissingValuesCountTowardTheBound) {
  constexpr int kSystemMissing = 155;  // the compressed code 255
  std::vector<std::uint8_t> bytes = BuildSavFile({{"A", 0}, {"B", 0}, {"C", 0}});
  AppendCompressedCases(bytes, {kSystemMissing, kSystemMissing, kSystemMissing}, kPointsCountBound);
  AppendCompressedCases(bytes, {1, 2, 3}, 8);
  const std::string path = dir_.Write("missing.sav", bytes);
  for (const int filterN : {1, 7}) {
    TReadArgs args = ChosenColumns(path, 1, 2, 3);
    args.filterN = filterN;
    const TReadResult r = ReadOkapSav(args);
    EXPECT_EQ(r.error, TReadError::kNone);
    EXPECT_EQ(r.Count(), 0);
    EXPECT_EQ(r.pointsInFile, 0);
    EXPECT_TRUE(r.morePointsInFile);
  }
  const int columns[] = {1, 2, 3};
  const std::vector<TColumnArray> pairs = ReadOkapColumnPairs(path, columns);
  ASSERT_EQ(pairs.size(), 3u);
  EXPECT_EQ(pairs[0][0], 0);
}

// A read asks its progress after every kReadProgressStep cases, and stops when it answers
// no: the result says it was cancelled, so that the import keeps nothing of it.
TEST_F(SavReaders, AReadIsCancelledThroughItsProgress) {
  std::vector<std::uint8_t> bytes = BuildSavFile({{"A", 0}, {"B", 0}, {"C", 0}});
  AppendCompressedCases(bytes, {1, 2, 3}, 3 * kReadProgressStep + 5);
  const std::string path = dir_.Write("long.sav", bytes);
  std::vector<int> asked;
  TReadArgs args = ChosenColumns(path, 1, 2, 3);
  args.progress = [&](int casesRead) {
    asked.push_back(casesRead);
    return asked.size() < 2;
  };
  const TReadResult cancelled = ReadOkapSav(args);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(asked, (std::vector<int>{kReadProgressStep, 2 * kReadProgressStep}));
  EXPECT_EQ(cancelled.pointsInFile, 2 * kReadProgressStep - 1);
  // Let run, the read goes to the end.
  asked.clear();
  args.progress = [&](int casesRead) {
    asked.push_back(casesRead);
    return true;
  };
  const TReadResult whole = ReadOkapSav(args);
  EXPECT_FALSE(whole.cancelled);
  EXPECT_EQ(whole.Count(), 3 * kReadProgressStep + 5);
  EXPECT_EQ(asked.size(), 3u);
}

TEST_F(SavReaders, ProbeNeedsTheMagicAndASoundDictionary) {
  std::string path = dir_.Write("t.sav", "$FL2@(#) but nothing more");
  EXPECT_EQ(ProbeOkapSav(path), 0);
  EXPECT_EQ(ProbeOkapSav(dir_.File("absent.sav")), -1);
  std::vector<std::uint8_t> bytes = ReadBytes(FixturePath(kCompressed));
  bytes[3] = '9';  // "$FL9": no system file
  EXPECT_EQ(ProbeOkapSav(dir_.Write("magic.sav", bytes)), 0);
  // A name without an extension finds the .SAV beside it.
  const std::vector<std::uint8_t> own = ReadBytes(FixturePath("pspp_own_layout.sav"));
  dir_.Write("data.SAV", own);
  std::string bare = dir_.File("data");
  EXPECT_EQ(DetectImportFileType(bare), 24);
  EXPECT_EQ(bare, dir_.File("data.SAV"));
}

}  // namespace
