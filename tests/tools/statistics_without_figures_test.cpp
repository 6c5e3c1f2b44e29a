// Data whose statistics cannot be formed: no active point, one, two, every weight 0. Each
// reader of the statistics refuses what the data do not give or shows it as not available;
// none reads a 0 the record was reset to as a figure. (W = 0, then Y = Y*0+XMEAN wrote 0
// into every y of data whose x spans 1.1 .. 4.67, and the status window said Min 0, Max 0.)
//
// References are closed forms: the extremes of the few points written here; the smallest
// and largest of the twelve x values are 1.1 and 4.67.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/data_session.h"
#include "app/data_statistics.h"
#include "app/long_double.h"
#include "expr/error_text.h"
#include "expr/expression.h"
#include "expr/interpreter.h"
#include "expr/program_slots.h"
#include "tools/data_calculation.h"
#include "tools/data_tools.h"
#include "tools/grid_editor_model.h"
#include "tools/tools_test_support.h"

namespace {

// Twelve points with x from 1.1 to 4.67 (y from 2 to 13, z from -3 to 30.5).
std::vector<TestRow> TwelvePoints(long double w) {
  const long double xs[] = {2.5L, 1.1L, 3.3L, 4.67L, 2.0L, 3.9L, 1.7L, 4.1L, 2.8L, 3.0L, 1.4L, 4.4L};
  std::vector<TestRow> rows;
  for (int i = 0; i < 12; ++i) {
    TestRow r{xs[i], static_cast<long double>(2 + i), i == 3 ? 30.5L : static_cast<long double>(i) - 3, w};
    rows.push_back(r);
  }
  return rows;
}

struct Case {
  const char* name;
  std::vector<TestRow> rows;
  bool extremes;               // the active points give extremes
  long double xMin, xMax;      // then these
};

class StatisticsWithoutFigures : public DataToolsTest {
 protected:
  void TearDown() override {
    ClearCalculation();
    DataToolsTest::TearDown();
  }
  // The value of a statement and its code.
  static std::pair<long double, int> Run(const std::string& text) {
    ExprThreadContext().ClearErrors();
    const long double v = ExprParseAndRun(text);
    return {v, ExprThreadContext().ExprMathError};
  }
};

TEST_F(StatisticsWithoutFigures, EveryReaderRefusesOrShowsWhatTheDataDoNotGive) {
  const TestRow off{9, 9, 9, 1, kPointInactive};
  const std::vector<Case> cases = {
      {"no active point", {off, off, off, off, off}, false, 0, 0},
      {"one active point", {off, {2.5L, 7, 1}, off, off}, true, 2.5L, 2.5L},
      {"two active points", {{-1.5L, 7, 1}, off, {3.25L, 8, 2}, off}, true, -1.5L, 3.25L},
      {"every weight 0", TwelvePoints(0), true, 1.1L, 4.67L},
  };
  EXPECT_EQ(ExprErrorText(kErrStatisticUndefined),
            "Data Statistic Undefined: Fewer Than 3 Active Points, or Weights Sum to 1 or Less");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Load(c.rows);
    const TDataStats& s = session_.DataStats;

    // The record: the extremes where there are active points, the weighted figures missing.
    EXPECT_EQ(s.X.Min, c.extremes ? c.xMin : ExprErrorValue);
    EXPECT_EQ(s.X.Max, c.extremes ? c.xMax : ExprErrorValue);
    EXPECT_EQ(s.X.Range, c.extremes ? c.xMax - c.xMin : ExprErrorValue);
    for (const TAxisStats* a : {&s.X, &s.Y, &s.Z}) {
      EXPECT_EQ(a->Mean, ExprErrorValue);
      EXPECT_EQ(a->StdDev, ExprErrorValue);
      for (long double v : a->AtPos) EXPECT_EQ(v, ExprErrorValue);
    }

    // The language: an extreme is a number, every figure the data do not give fails the
    // statement (-111), GNOISE and NOISE with it; the count of active points is a count.
    for (const char* text : {"XMEAN", "XMN", "XSTD", "YSTD", "ZATXMNYMN", "Z+ZMEAN", "GNOISE(5)", "Y*0+XMEAN"}) {
      const auto [v, code] = Run(text);
      EXPECT_EQ(code, kErrStatisticUndefined) << text;
      EXPECT_EQ(v, ExprErrorValue) << text;
    }
    for (const char* text : {"XMIN", "XMAX", "XRANGE", "NOISE(5)", "YATXMIN"}) {
      const auto [v, code] = Run(text);
      if (c.extremes) {
        EXPECT_EQ(code, 0) << text;
      } else {
        EXPECT_EQ(code, kErrStatisticUndefined) << text;
        EXPECT_EQ(v, ExprErrorValue) << text;
      }
    }
    if (c.extremes) {
      EXPECT_EQ(Run("XMIN").first, c.xMin);
      EXPECT_EQ(Run("XMAX").first, c.xMax);
    }
    EXPECT_EQ(Run("XYCNT").first, s.ActiveCount);

    // Table > XYZ Statistics: "n/a" for each figure not given, never a 0 standing in.
    const std::vector<std::string> lines = StatisticsText(s, TDataTitles{}, "", "", "");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], "  ~#   Xmean:~# ~!n/a         ~! ~#    Xstd:~# ~!n/a         ~!");
    if (!c.extremes)
      EXPECT_EQ(lines[1], "  ~#    Xmin:~# ~!n/a         ~! ~#    Xmax:~# ~!n/a         ~! ~#  Xrange:~# ~!n/a         ~!");
    else
      EXPECT_EQ(lines[1].find("n/a"), std::string::npos);

    // Graphs and grids: the span of the active points, or an empty one at 0 without any.
    long double x0, x1, y0, y1, z0, z1;
    GetDataRanges(s, x0, x1, y0, y1, z0, z1);
    if (c.extremes && c.xMin != c.xMax) {
      EXPECT_EQ(x0, c.xMin);
      EXPECT_EQ(x1, c.xMax);
    } else {
      const long double centre = c.extremes ? c.xMin : 0;
      EXPECT_EQ(x0, centre - 0.5L);
      EXPECT_EQ(x1, centre + 0.5L);
    }
    // The grid editor's graph starts from no range rather than from the missing value.
    const TGridEditor editor(session_, nullptr);
    const TGraphRanges ranges = editor.GraphRanges();
    for (int a = 0; a < 3; ++a) {
      EXPECT_LT(ranges.low[a], ranges.high[a]);
      EXPECT_GT(ranges.low[a], -100) << a;
    }

    // A data calculation that reads a figure the data do not give is refused with its text,
    // and the table stays as it was.
    TCalcLines calc;
    calc.text[kCalcY] = "Y*0+XMEAN";
    const TCalcValidation v = ValidateCalcLines(calc, session_.Table.XYZData());
    EXPECT_NE(v.result, TCalcValidation::kValid);
  }

  // An emptied table keeps no figure of the data it held.
  Load(TwelvePoints(1));
  ASSERT_NE(session_.DataStats.X.Mean, ExprErrorValue);
  ClearDataTable(session_);
  EXPECT_EQ(Run("XMEAN").second, kErrStatisticUndefined);
  EXPECT_EQ(Run("XMIN").second, kErrStatisticUndefined);
  // So does a session that never held data.
  TDataSession fresh;
  ExprBindDataStats(&fresh.DataStats);
  EXPECT_EQ(Run("ZMAX").second, kErrStatisticUndefined);
  // A user function that reads a statistic still compiles before there are data (the
  // session's functions load first); run, it fails. A data calculation's line is refused.
  ASSERT_EQ(ExprCompileSlot("A0*(X-XMEAN)+ZRANGE", 30), 1);
  ExprThreadContext().ClearErrors();
  EXPECT_EQ(ExprRunSlot(30), ExprErrorValue);
  EXPECT_EQ(ExprThreadContext().ExprMathError, kErrStatisticUndefined);
  EXPECT_EQ(ExprCompileSlot("Y*0+XMEAN", kExprCalcSlotFirst + 1), 0);
  ExprSlotFree(30);
  ExprBindDataStats(&session_.DataStats);
}

// Weights that sum to a positive value below 1 still give the weighted mean; only the
// deviation, which divides by the sum less 1, is undefined (the behaviour the figures above
// now share).
TEST_F(StatisticsWithoutFigures, LightWeightsGiveTheMeanAndRefuseTheDeviation) {
  std::vector<TestRow> rows = TwelvePoints(0.05L);
  Load(rows);
  const TDataStats& s = session_.DataStats;
  long double sum = 0;
  for (const TestRow& r : rows) sum += r.x;
  EXPECT_NEAR(static_cast<double>(s.X.Mean), static_cast<double>(sum / 12), 1e-15);
  EXPECT_EQ(Run("XSTD").second, kErrStatisticUndefined);
  EXPECT_EQ(Run("XMEAN").second, 0);
}

}  // namespace
