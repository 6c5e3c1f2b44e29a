// Data generation: grid counts with binary rounding and truly fractional quotients, the
// 16384-pair cut, the range dialog's check, and generation into the table and into text
// (roots, failures, limits, cancellation).
#include "tools/data_generation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "app/c_format.h"
#include "app/long_double.h"
#include "app/settings_file.h"
#include "expr/eval_context.h"
#include "support/decimal_ranges.h"

namespace {

using Pair = std::pair<long double, long double>;

// A number field of the generated files.
std::string Col(const std::string& s) { return s + std::string(25 - s.size(), ' '); }

std::vector<long double> FirstAxis(const TEvalInputs& list) {
  std::vector<long double> v;
  for (std::size_t i = 1; i < list.size(); ++i)
    if (v.empty() || v.back() != list[i].first) v.push_back(list[i].first);
  return v;
}

TEST(DataGeneration, GridCountsKeepTheEndValueAndDropFractionalSteps) {
  struct Case {
    long double start, increment, end;
    std::vector<long double> values;
  };
  const std::vector<Case> cases = {
      {0, 0.25L, 1, {0, 0.25L, 0.5L, 0.75L, 1}},
      {0, 0.3L, 1, {0, 0.3L, 2 * 0.3L, 3 * 0.3L}},       // 4.33 steps: the end value 1 is not made
      {0, 0.1L, 1, {}},                                  // 11 values ending on 1 exactly (below)
      {0, 3e-20L, 1e-19L, {0, 3e-20L, 2 * 3e-20L, 3 * 3e-20L}},  // tiny scales: 9e-20 is not taken for 1e-19
      {5, 1, 5, {5}},
  };
  for (const Case& c : cases) {
    const TGridInputs grid = MakeGridInputs(c.start, c.increment, c.end, 0, 1, 0);
    const std::vector<long double> values = FirstAxis(grid.list);
    if (c.values.empty()) {
      ASSERT_EQ(values.size(), 11u);
      EXPECT_EQ(values.back(), 1);
      EXPECT_EQ(values[3], 3 * 0.1L);
    } else {
      EXPECT_EQ(values, c.values) << static_cast<double>(c.increment);
    }
    EXPECT_EQ(GridAxisCount(c.start, c.increment, c.end), static_cast<int>(values.size()));
  }
  EXPECT_EQ(GridAxisCount(0, -1, 1), 0);
  EXPECT_EQ(GridAxisCount(0, 0, 1), 0);
  EXPECT_TRUE(MakeGridInputs(1, 1, 0, 0, 1, 1).list.empty());
  EXPECT_EQ(MakeGridInputs(0, 0.1L, 1, 0, 0.1L, 1).list.size(), 122u);
}

// Generate Table's axes over the decimal ranges whose ends lie a whole number of steps from
// the start or a real fraction of a step off it (support/decimal_ranges.h), counting up and
// down: the values up to the end and none past it, the last the end itself only when the
// end is on a step. A fixed allowance of 1e-9 of the quotient gave 0 to 0.999999999 by 0.001
// 1001 values, the last 0.999999999.
TEST(DataGeneration, AxesWhoseEndIsARealFractionOfAStepOffKeepTheirFraction) {
  namespace dr = decimal_ranges;
  int left = 0, wrong = 0;
  const std::vector<dr::TRange> ranges = dr::Ranges(dr::FullGrid(), left);
  for (const dr::TRange& c : ranges) {
    const long double start = std::strtold(c.start.c_str(), nullptr);
    const long double step = std::strtold(c.step.c_str(), nullptr);
    const long double end = std::strtold(c.end.c_str(), nullptr);
    const int count = GridAxisCount(start, step, end);
    const TGridInputs grid = MakeGridInputs(start, step, end, 0, 1, 0);
    const long double last = grid.list.back().first;
    const bool inside = step > 0 ? last <= end : last >= end;
    if ((count != c.count || static_cast<long long>(grid.list.size()) != c.count + 1 || !inside ||
         (last == end) != c.endsOnEnd) &&
        ++wrong <= 10)
      ADD_FAILURE() << c.start << " to " << c.end << " by " << c.step << ": " << count << " values for " << c.count;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(ranges.size(), 10415u);
  EXPECT_EQ(GridAxisCount(0, 0.001L, 0.999999999L), 1000);
}

TEST(DataGeneration, AGridOfQuartersGivesTwentyFivePairsFirstAxisSlowest) {
  const TGridInputs grid = MakeGridInputs(0, 0.25L, 1, 0, 0.25L, 1);
  ASSERT_EQ(grid.list.size(), 26u);
  EXPECT_EQ(grid.list[0], (Pair{25, 25}));
  EXPECT_EQ(grid.list[1], (Pair{0, 0}));
  EXPECT_EQ(grid.list[2], (Pair{0, 0.25L}));
  EXPECT_EQ(grid.list[6], (Pair{0.25L, 0}));
  EXPECT_EQ(grid.list[25], (Pair{1, 1}));
  EXPECT_FALSE(grid.truncated);
}

TEST(DataGeneration, ALargeGridIsCutAt16384Pairs) {
  const TGridInputs grid = MakeGridInputs(0, 1, 199, 0, 1, 199);
  EXPECT_TRUE(grid.truncated);
  EXPECT_EQ(grid.requested, 40000);
  ASSERT_EQ(grid.list.size(), 16385u);
  EXPECT_EQ(grid.list[0].first, 16384);
  // 81 values of the first axis with all 200 of the second, then 184 for the 82nd.
  EXPECT_EQ(grid.list[16200], (Pair{80, 199}));
  EXPECT_EQ(grid.list[16384], (Pair{81, 183}));
  // One axis alone beyond the cap.
  const TGridInputs line = MakeGridInputs(0, 1e-9L, 1, 0, 1, 0);
  EXPECT_TRUE(line.truncated);
  EXPECT_EQ(line.list.size(), 16385u);
}

TEST(DataGeneration, TheRangeCheckOrdersAxesAndRefusesEmptyOnes) {
  const TGenRange block = {9, 9, 9, 9, 9, 9};
  using Entries = std::array<std::string, 6>;
  struct Case {
    Entries entries;
    int errors;
    TGenRange range;
  };
  const std::vector<Case> cases = {
      {{"1", "0.5", "0", "0", "-0.25", "1"}, 0, {0, 0.5L, 1, 0, 0.25L, 1}},  // swapped, negative
      {{"2*3", "1/4", "14/2", "0", "1", "2"}, 0, {6, 0.25L, 7, 0, 1, 2}},     // formulas
      {{"0", "1", "0", "0", "1", "2"}, 1, {0, 1, 0, 0, 1, 2}},                  // start = end
      {{"0", "0", "3", "0", "1", "2"}, 1, {0, 0, 3, 0, 1, 2}},                  // no increment
      {{"0", "1", "3", "", "LN(-1)", "2"}, 2, {0, 1, 3, 2, 9, 9}},              // unread entries kept
      {{"0", "1", "3", "5", "1", "5"}, 1, {0, 1, 3, 5, 1, 5}},
  };
  for (const Case& c : cases) {
    const TGenRangeCheck check = CheckGenRange(c.entries, block);
    EXPECT_EQ(check.errors, c.errors) << c.entries[0] << " " << c.entries[4];
    EXPECT_EQ(check.range, c.range) << c.entries[0] << " " << c.entries[4];
  }
  EXPECT_EQ(ExprThreadContext().ExprMathError, 0);
}

TEST(DataGeneration, HostileEntriesAreRefusedAndHugeGridsCut) {
  // Entries a user may paste: each is refused without harm, and leaves no math error behind
  // for the next evaluation.
  const std::vector<std::string> refused = {
      "", "   ", "1e5000", "-1e5000", "1/0", std::string(40, '('), "\xff\xfe\x80", std::string(10000, '('),
      "LN(0)", "SQRT(-1)", ")", "1+"};
  ExprThreadContext().ClearErrors();
  for (const std::string& entry : refused) {
    long double v = 42;
    EXPECT_FALSE(ReadEntryValue(entry, 29, v)) << entry.substr(0, 20);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(ExprThreadContext().ExprMathError, 0);
  }
  // Only the first characters count: a formula cut there reads as what it says so far.
  long double v = 0;
  ASSERT_TRUE(ReadEntryValue("12345678901234567890", 3, v));
  EXPECT_EQ(v, 123);

  // Steps far below the range, or an axis beyond the long double's range, stop at the limit.
  const TGridInputs tiny = MakeGridInputs(0, 1e-300L, 1, 0, 1, 1);
  EXPECT_TRUE(tiny.truncated);
  EXPECT_EQ(tiny.list.size(), static_cast<std::size_t>(kMaxGeneratedPairs) + 1);
  EXPECT_EQ(GridAxisCount(0, 1e-300L, 1), kMaxGeneratedPairs + 1);
  EXPECT_TRUE(MakeGridInputs(-1e4000L, 1, 1e4000L, 0, 1, 1).list.size() <= kMaxGeneratedPairs + 1u);
  // An infinite step gives the start alone.
  EXPECT_EQ(MakeGridInputs(0, std::numeric_limits<long double>::infinity(), 1, 0, 1, 1).list.size(), 3u);
  EXPECT_TRUE(MakeGridInputs(0, std::numeric_limits<long double>::quiet_NaN(), 1, 0, 1, 1).list.empty());
}

// z = x·y over [0, 4] x [0, 4], with limits 1 (confidence) and 3 (prediction).
TEvalSurface Product() {
  TEvalSurface s;
  s.z = [](long double x, long double y) { return x * y; };
  s.xMin = 0, s.xMax = 4, s.yMin = 0, s.yMax = 4, s.zMin = 0, s.zMax = 16;
  s.confidenceLimit = [](long double, long double, long double) { return 1.0L; };
  s.predictionLimit = [](long double, long double, long double) { return 3.0L; };
  return s;
}

TEST(DataGeneration, RangesAndInputsFollowTheMode) {
  const TEvalSurface s = Product();
  EXPECT_EQ(InitialGenRange(kEvalZ, s), (TGenRange{0, 4.0L / 9, 4, 0, 4.0L / 9, 4}));
  EXPECT_EQ(InitialGenRange(kEvalRootY, s)[kGenEnd1], 16);
  EXPECT_EQ(InitialGenRange(kEvalRootY, s)[kGenEnd2], 4);
}

TEST(DataGeneration, RootsGoIntoTheXColumnAndAPairWithoutOneShowsError) {
  CurrentSettings() = DefaultSettings(1280, 1024);
  const TEvalComputer computer(Product());
  // (Z, Y) pairs: x·2 = 6 has the root 3; x·0 = 6 has none.
  const TEvalInputs inputs = {{2, 2}, {6, 2}, {6, 0}};
  TMFile lines("", 100);
  TEvalTable table(lines);
  table.Add(MakeEvalLine(computer.Surface(), {}, kEvalZ, 1, 1, 1));  // numbering goes on from here
  const TEvalLimitChoice limits = MakeLimitChoice(EvalLimits::kPrediction, "95.00");
  const TGenOutcome out = GenerateToTable(computer, limits, kEvalRootX, inputs, table, nullptr);
  EXPECT_EQ(out.pairs, 2);
  EXPECT_EQ(out.written, 2);
  ASSERT_EQ(table.RowCount(), 3);
  EXPECT_NEAR(static_cast<double>(table.Row(1).x), 3, 1e-7);
  EXPECT_EQ(table.Row(1).y, 2);
  EXPECT_EQ(table.Row(1).z, 6);
  EXPECT_TRUE(IsMissingValue(table.Row(2).x));
  const std::string second = lines.GetLine(1), third = lines.GetLine(2);
  EXPECT_EQ(second.substr(0, 8), "    2.  ");
  // The band's own level label, not a placeholder.
  EXPECT_NE(second.find("X=Root(Z,Y) 95.00%PredLim"), std::string::npos) << second;
  EXPECT_NE(third.find("~#Error         ~#"), std::string::npos) << third;

  // Into text: the pair without a root is left out; limits follow a tab.
  std::string text;
  const TGenOutcome file = GenerateFileText(computer, limits, kEvalRootX, inputs, text, nullptr);
  EXPECT_EQ(file.written, 1);
  EXPECT_EQ(text, Col("3") + "  " + Col("2") + "  " + Col("6") + "\t" + Col("3") + "  " + Col("9") + "\r\n");
}

// Generation in root mode writes what the table's button gives: a pole is no root, so a
// pair whose only sign change is the pole of 1/(x - 5.3) shows Error and is left out of a
// file, while 1/(x - 5.3) = 2 has its root at 5.8.
TEST(DataGeneration, APoleIsNotGeneratedAsARoot) {
  TEvalSurface s;
  s.z = [](long double x, long double) { return 1 / (x - 5.3L); };
  s.xMin = 0, s.xMax = 10, s.yMin = 0, s.yMax = 4;
  const TEvalComputer computer(s);
  const TEvalInputs inputs = {{2, 2}, {0, 2}, {2, 2}};
  std::string text;
  const TGenOutcome file = GenerateFileText(computer, {}, kEvalRootX, inputs, text, nullptr);
  EXPECT_EQ(file.pairs, 2);
  EXPECT_EQ(file.written, 1);
  EXPECT_EQ(text.substr(0, 25), Col("5.8")) << text;
}

// Generation over a range of one whole decade, 1 .. 10: two roots of (x - 3)(x - 6) = Z in
// the decade, and the root 7.3 of 1/(x - 5.3) = 0.5 beside its pole, are generated as the
// lowest root (the whole decade, searched as one bracket, held two sign changes and gave
// Error for each pair).
TEST(DataGeneration, RootsInAOneDecadeRangeAreGenerated) {
  TEvalSurface s;
  s.z = [](long double x, long double y) { return (x - 3) * (x - 6) + 0 * y; };
  s.xMin = 1, s.xMax = 10, s.yMin = 1, s.yMax = 10;
  std::string text;
  const TGenOutcome roots = GenerateFileText(TEvalComputer(s), {}, kEvalRootX, {{2, 2}, {0, 2}, {-2, 2}}, text, nullptr);
  EXPECT_EQ(roots.written, 2);
  EXPECT_EQ(text, Col("3") + "  " + Col("2") + "  " + Col("0") + "\r\n" + Col("4") + "  " + Col("2") + "  " +
                      Col("-2") + "\r\n");
  s.z = [](long double x, long double) { return 1 / (x - 5.3L); };
  const TGenOutcome pole = GenerateFileText(TEvalComputer(s), {}, kEvalRootX, {{2, 2}, {0.5L, 2}, {-1, 2}}, text, nullptr);
  EXPECT_EQ(pole.written, 2);
  EXPECT_EQ(text, Col("7.3") + "  " + Col("2") + "  " + Col("0.5") + "\r\n" + Col("4.3") + "  " + Col("2") + "  " +
                      Col("-1") + "\r\n");
}

TEST(DataGeneration, FileTextWithoutLimitsAndCancellation) {
  const TEvalComputer computer(Product());
  const TGridInputs grid = MakeGridInputs(0, 1, 2, 0, 1, 2);
  std::string text;
  const TGenOutcome out = GenerateFileText(computer, {}, kEvalDzDx, grid.list, text, nullptr);
  EXPECT_EQ(out.written, 9);
  // dz/dx of x·y is y.
  EXPECT_EQ(text.substr(0, 81), Col("0") + "  " + Col("0") + "  " + Col("0") + "\r\n");
  int asked = 0;
  const TGenOutcome stopped = GenerateFileText(computer, {}, kEvalZ, grid.list, text, [&](int done, int total) {
    EXPECT_EQ(total, 9);
    EXPECT_EQ(done, asked++);
    return done < 4;
  });
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_EQ(stopped.pairs, 4);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
  // Ends taken from a file of doubles show as written ("0.00086080047", not
  // "0.00086080046999999996"); a computed Z keeps its 17 digits.
  const long double x0 = static_cast<double>(0.00086080047), y0 = static_cast<double>(5403001.26);
  const TGridInputs data = MakeGridInputs(x0, 1, 2, y0, 1, y0 + 2);
  GenerateFileText(computer, {}, kEvalZ, data.list, text, nullptr);
  EXPECT_EQ(text.substr(0, 81),
            Col("0.00086080047") + "  " + Col("5403001.26") + "  " + Col(CFormat("%.17Lg", x0 * y0)) + "\r\n");
}

// A pair whose value or band cannot be evaluated is counted, and what became of it told:
// left out of a file (which wrote the rest without a word), shown "Error" in the table. The
// band of x·y fails at x = 3 (no value) and x = 1 (an infinity), the root of x·0 = 2 at y = 0.
TEST(DataGeneration, PairsWithoutAValueOrABandAreCountedAndTold) {
  CurrentSettings() = DefaultSettings(1280, 1024);
  TEvalSurface s = Product();
  s.confidenceLimit = [](long double x, long double, long double) {
    return x == 3 ? ExprErrorValue : x == 1 ? std::numeric_limits<long double>::infinity() : 1.0L;
  };
  const TEvalComputer computer(s);
  const TEvalLimitChoice confidence = MakeLimitChoice(EvalLimits::kConfidence, "95.00");
  const TGridInputs grid = MakeGridInputs(0, 1, 3, 0, 1, 1);
  std::string text;
  const TGenOutcome file = GenerateFileText(computer, confidence, kEvalZ, grid.list, text, nullptr);
  EXPECT_EQ(file.pairs, 8);
  EXPECT_EQ(file.written, 4);
  EXPECT_EQ(file.noValue, 0);
  EXPECT_EQ(file.noBand, 4);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
  EXPECT_EQ(GenerationLossText(file, confidence, true),
            "4 of the 8 Inputs Gave No Confidence Limits and Were Left Out of the File");

  TMFile lines("", 100);
  TEvalTable table(lines);
  const TGenOutcome intoTable = GenerateToTable(computer, confidence, kEvalZ, grid.list, table, nullptr);
  EXPECT_EQ(intoTable.written, 8);
  EXPECT_EQ(intoTable.noBand, 4);
  EXPECT_EQ(GenerationLossText(intoTable, confidence, false),
            "4 of the 8 Inputs Gave No Confidence Limits: Their Limits Show Error");
  for (int i = 0; i < table.LineCount(); ++i) {
    const bool lost = table.Row(i).x == 1 || table.Row(i).x == 3;
    EXPECT_EQ(std::string(lines.GetLine(i)).find("Error") != std::string::npos, lost) << lines.GetLine(i);
  }

  // Roots: x·2 = 6 has one, x·0 = 6 none; the prediction band holds everywhere.
  const TEvalLimitChoice prediction = MakeLimitChoice(EvalLimits::kPrediction, "95.00");
  const TEvalInputs roots = {{3, 3}, {6, 2}, {6, 0}, {6, 0}};
  const TGenOutcome rootFile = GenerateFileText(computer, prediction, kEvalRootX, roots, text, nullptr);
  EXPECT_EQ(rootFile.written, 1);
  EXPECT_EQ(rootFile.noValue, 2);
  EXPECT_EQ(rootFile.noBand, 0);
  EXPECT_EQ(GenerationLossText(rootFile, prediction, true), "2 of the 3 Inputs Gave No Value and Were Left Out of the File");
  EXPECT_EQ(GenerationLossText(rootFile, prediction, false), "2 of the 3 Inputs Gave No Value: Their Lines Show Error");
  // A generation that lost nothing has nothing to tell.
  const TGenOutcome whole = GenerateFileText(computer, prediction, kEvalZ, grid.list, text, nullptr);
  EXPECT_EQ(whole.written, 8);
  EXPECT_EQ(GenerationLossText(whole, prediction, true), "");
}

TEST(DataGeneration, ATableWithoutRoomStopsTheGeneration) {
  const TEvalComputer computer(Product());
  const TGridInputs grid = MakeGridInputs(0, 1, 2, 0, 1, 2);
  TMFile lines("", 5);
  TEvalTable table(lines);
  const TGenOutcome out = GenerateToTable(computer, {}, kEvalZ, grid.list, table, nullptr);
  EXPECT_TRUE(out.tableFull);
  EXPECT_EQ(out.written, 5);
  EXPECT_EQ(table.LineCount(), 5);
}

}  // namespace
