// The rows of the inspect-and-adjust graph and of the derivative table: bars, steps, typed
// values, Reset, Find and Update, the table's texts and the delayed refresh.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "app/data_statistics.h"
#include "expr/expr_test_support.h"
#include "fit/fit_blocks.h"
#include "tools/udf/udf_form.h"
#include "tools/udf/udf_limits.h"
#include "tools/udf/udf_validation.h"
#include "tools/udf_adjustment.h"

namespace {

// Z = A0 + A1 X + A2 Y² over 36 points of z = 1 + 2x + 3y² (x, y = 1..6): A0 unbounded and
// additive, A1 bounded 0..10 from 2.5, A2 unbounded from 0.
class UdfAdjustmentTest : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    points_ = NewPointTable(36);
    int n = 0;
    for (int i = 1; i <= 6; ++i)
      for (int j = 1; j <= 6; ++j)
        points_[static_cast<std::size_t>(++n)] = {.X = 1.0L * i, .Y = 1.0L * j, .Z = 1 + 2.0L * i + 3.0L * j * j, .W = 1, .Status = kPointActive};
    ASSERT_EQ(ComputeTableStatistics(points_, stats_), 36);
    TUdfForm form = ClearedUdfForm();
    form.text = "Z=A0+A1*X+A2*Y*Y";
    form.count = "3";
    form.minText[1] = "0";
    form.startText[1] = "2.5";
    form.maxText[1] = "10";
    form.startText[2] = "0";
    BoundUdfTable()[kK] = UdfRecordFromForm(form);
    ASSERT_TRUE(ValidateUdf(kK, points_, stats_.Z.Range).Valid());
    Ctx().CurrentUdf = kK;
  }
  TUdfAdjustRows Rows(TUdfAdjustRows::Window w) {
    TUdfAdjustRows rows(w, kK, points_, stats_.Z.Range);
    rows.Setup();
    return rows;
  }
  static TUdfRecord& Record() { return *UdfRecordAt(kK); }

  static constexpr int kK = 4;
  PointTable points_;
};

TEST_F(UdfAdjustmentTest, ABoundedStartSitsOnItsBarAndNeverLeavesItsLimits) {
  TUdfAdjustRows rows = Rows(TUdfAdjustRows::Window::kGraph);
  EXPECT_EQ(rows.Count(), 3);
  const TUdfAdjustRow& a1 = rows.Row(1);
  EXPECT_TRUE(a1.bounded);
  EXPECT_EQ(a1.position, 25);
  EXPECT_LD_NEAR(a1.step, 0.1L, 1e-18L);
  EXPECT_FALSE(rows.Row(3).enabled);

  rows.Scroll(1, 26);
  EXPECT_LD_NEAR(a1.value, 2.6L, 1e-17L);
  EXPECT_LD_NEAR(Record().Start[1], 2.6L, 1e-17L);
  EXPECT_LD_NEAR(Vars().A(1), 2.6L, 1e-17L);
  EXPECT_EQ(a1.editText, "2.6");
  // At and past the limits the value is held just inside them, where the functions dialog
  // takes it as a start value.
  rows.Scroll(1, 130);  // beyond the bar: its end
  EXPECT_LD_NEAR(a1.value, 9.99999L, 1e-15L);
  EXPECT_EQ(a1.position, 100);
  rows.Scroll(1, 0);
  EXPECT_LD_NEAR(a1.value, 0.0001L, 1e-17L);
  EXPECT_EQ(a1.position, 0);

  // Typed, a value past the limits is not taken (its field puts it right when finished);
  // one at a limit is taken as typed, the text kept, until the edit is finished: then it is
  // held just inside the limit, bar and text too.
  EXPECT_FALSE(rows.Edit(1, "15"));
  EXPECT_LD_NEAR(a1.value, 0.0001L, 1e-17L);
  ASSERT_TRUE(rows.Edit(1, "10"));
  EXPECT_EQ(std::tuple(a1.value, a1.position, a1.editText), std::tuple(10.0L, 100, std::string("10")));
  EXPECT_EQ(Record().Start[1], 10.0L);
  EXPECT_TRUE(rows.Finish(1));
  EXPECT_LD_NEAR(a1.value, 9.99999L, 1e-15L);
  EXPECT_EQ(std::tuple(a1.position, a1.editText), std::tuple(99, std::string("9.99999")));
  EXPECT_FALSE(rows.Finish(1));  // inside: nothing moves
  ASSERT_TRUE(rows.Edit(1, "7.5"));
  EXPECT_EQ(a1.position, 75);
  // A text that gives no value changes nothing.
  EXPECT_FALSE(rows.Edit(1, "7.5+"));
  EXPECT_FALSE(rows.Edit(1, "LN(0)"));
  EXPECT_EQ(a1.value, 7.5L);
}

TEST_F(UdfAdjustmentTest, AnUnboundedBarAtItsEndRecentresAndTheValueMovesOn) {
  TUdfAdjustRows rows = Rows(TUdfAdjustRows::Window::kGraph);
  const TUdfAdjustRow& a0 = rows.Row(0);
  EXPECT_FALSE(a0.bounded);
  // Additive: a hundredth of the z range (115) a unit.
  EXPECT_LD_NEAR(a0.step, 1.15L, 1e-17L);
  rows.Scroll(0, 100);
  EXPECT_LD_NEAR(a0.value, 1 + 50 * 1.15L, 1e-15L);
  EXPECT_EQ(std::tuple(a0.position, a0.lastPosition), std::tuple(50, 50));
  rows.Scroll(0, 100);
  EXPECT_LD_NEAR(a0.value, 1 + 100 * 1.15L, 1e-15L);
  EXPECT_EQ(a0.position, 50);
  // A2's step follows the spread of its effect, dZ/dA2 = y² from 1 to 36 (measured about
  // its start value 0 with the tiny step such a value gets, so only roughly).
  EXPECT_LD_NEAR(rows.Row(2).step, 115.0L / ((Record().DerivMax[2] - Record().DerivMin[2]) * 100), 1e-18L);
  EXPECT_NEAR(static_cast<double>(rows.Row(2).step), 115.0 / 3500, 1e-3);

  // Reset brings back the set-up's values, shown with four digits.
  rows.Reset();
  EXPECT_EQ(std::tuple(a0.value, a0.editText, rows.Row(1).position), std::tuple(1.0L, std::string("1"), 25));
  EXPECT_EQ(Record().Start[0], 1.0L);
}

// The derivative table: an additive parameter is "Constant", a start value of 0 leaves its
// shares empty; A1's effect over x = 1..6 from 2.5 is 5 · 2.5 · 100 / 115 % of the z range.
TEST_F(UdfAdjustmentTest, TheDerivativeTableShowsEachParametersShare) {
  TUdfAdjustRows rows = Rows(TUdfAdjustRows::Window::kDerivatives);
  const auto table = rows.DerivativeTable();
  EXPECT_EQ(std::tuple(table[0].minimum, table[0].maximum, table[0].range, table[0].percentOfZ, table[0].relativePercent),
            std::tuple(std::string("1"), std::string("1"), std::string("Constant"), std::string(), std::string()));
  EXPECT_EQ(std::tuple(table[1].minimum, table[1].maximum, table[1].range, table[1].percentOfZ, table[1].relativePercent),
            std::tuple(std::string("1"), std::string("6"), std::string("5"), std::string("10.9"), std::string("100")));
  EXPECT_EQ(std::tuple(table[2].percentOfZ, table[2].relativePercent), std::tuple(std::string(), std::string()));

  // Every change measures every parameter again: A2 at 1 now takes a share.
  ASSERT_TRUE(rows.Edit(2, "1"));
  const auto after = rows.DerivativeTable();
  EXPECT_EQ(after[2].percentOfZ, "30.4");  // 35 · 100 / 115
  EXPECT_EQ(after[1].relativePercent, "26.3");
  EXPECT_EQ(after[2].relativePercent, "73.7");
}

// Find and Update fits the function from its start values: data made from it give back its
// parameters, which the rows and the graph's variables take.
TEST_F(UdfAdjustmentTest, FindAndUpdateRecoversTheParametersOfTheData) {
  TUdfAdjustRows rows = Rows(TUdfAdjustRows::Window::kGraph);
  TFitOptions options = DefaultFitOptions();
  const UserFitResult r = rows.FindAndUpdate(stats_, options);
  ASSERT_TRUE(r == UserFitResult::kFitted) << static_cast<int>(r);
  const long double expected[] = {1, 2, 3};
  for (int i = 0; i < 3; ++i) {
    EXPECT_LD_NEAR(rows.Row(i).value, expected[i], 1e-9L * expected[i]) << i;
    EXPECT_EQ(Vars().A(i), rows.Row(i).value);
    EXPECT_EQ(Record().Start[static_cast<std::size_t>(i)], rows.Row(i).value);
  }
  EXPECT_EQ(rows.Row(1).editText, "2");
  EXPECT_EQ(rows.Row(1).position, 20);
}

// The derivative table cancelled puts the graph's values back into the record.
TEST_F(UdfAdjustmentTest, CancelledDerivativesPutTheGraphsValuesBack) {
  TUdfAdjustRows graph = Rows(TUdfAdjustRows::Window::kGraph);
  {
    TUdfAdjustRows table = Rows(TUdfAdjustRows::Window::kDerivatives);
    ASSERT_TRUE(table.Edit(0, "4"));
  }
  EXPECT_EQ(Record().Start[0], 4.0L);
  graph.PutBackStarts();
  EXPECT_EQ(Record().Start[0], 1.0L);
  EXPECT_EQ(Vars().A(0), 1.0L);
  // Taken on OK instead:
  Record().Start[1] = 3;
  graph.TakeRecordStarts();
  EXPECT_EQ(std::tuple(graph.Row(1).value, graph.Row(1).position, graph.Row(1).editText),
            std::tuple(3.0L, 30, std::string("3")));
}

// Whatever the rows come to hold, typed, scrolled or fitted, in the graph or in the derivative
// table, is a start value the functions dialog then takes: strictly between its limits, and
// written back with the digits that read between them. The rows took 1e30 for a parameter
// of the default limits -1E25 and 1E25, and held a bounded one at its limit, and the
// dialog's OK then refused what they wrote.
TEST_F(UdfAdjustmentTest, EveryValueTheRowsHoldIsOneTheFunctionsDialogTakes) {
  // The record as the dialog rebuilds it from the texts the adjust road writes, validated.
  const auto taken = [&](int i) {
    constexpr int kCopy = kK + 1;
    BoundUdfTable()[kCopy] = std::make_unique<TUdfRecord>(Record());
    TUdfRecord& copy = *BoundUdfTable()[kCopy];
    const std::string text = AdjustedStartText(Record(), i);
    copy.StartText[static_cast<std::size_t>(i)].fill(0);
    std::copy(text.begin(), text.end(), copy.StartText[static_cast<std::size_t>(i)].begin());
    const TUdfVerdict verdict = ValidateUdf(kCopy, points_, stats_.Z.Range);
    BoundUdfTable()[kCopy].reset();
    Ctx().CurrentUdf = kK;
    return verdict.Valid() ? std::string() : verdict.message + " (" + text + ")";
  };
  struct Step {
    const char* what;
    int row;
    std::function<void(TUdfAdjustRows&)> act;
    long double value;      // held
    const char* written;    // the start expression written back
  };
  const Step steps[] = {
      {"1e30 typed, limits +-1E25", 0, [](TUdfAdjustRows& r) { ASSERT_TRUE(r.Edit(0, "1e30")); r.Finish(0); },
       9.99999e24L, "9.99999e+24"},
      {"-1e30 typed", 0, [](TUdfAdjustRows& r) { ASSERT_TRUE(r.Edit(0, "-1e30")); r.Finish(0); }, -9.99999e24L,
       "-9.99999e+24"},
      {"the upper limit typed", 0, [](TUdfAdjustRows& r) { ASSERT_TRUE(r.Edit(0, "1E25")); r.Finish(0); },
       9.99999e24L, "9.99999e+24"},
      {"a bounded row's upper limit typed", 1, [](TUdfAdjustRows& r) { ASSERT_TRUE(r.Edit(1, "10")); r.Finish(1); },
       9.99999L, "9.99999"},
      {"past it, not taken", 1, [](TUdfAdjustRows& r) { ASSERT_FALSE(r.Edit(1, "15")); r.Finish(1); }, 9.99999L,
       "9.99999"},
      {"its lower limit 0 typed", 1, [](TUdfAdjustRows& r) { ASSERT_TRUE(r.Edit(1, "0")); r.Finish(1); }, 0.0001L,
       "0.0001"},
      {"six digits would read 10", 1,
       [](TUdfAdjustRows& r) { ASSERT_TRUE(r.Edit(1, "9.9999996")); r.Finish(1); }, 9.9999996L, "9.9999996"},
      {"scrolled to the bar's end", 1, [](TUdfAdjustRows& r) { r.Scroll(1, 100); }, 9.99999L, "9.99999"},
      {"scrolled to its start", 1, [](TUdfAdjustRows& r) { r.Scroll(1, 0); }, 0.0001L, "0.0001"},
  };
  for (const TUdfAdjustRows::Window window : {TUdfAdjustRows::Window::kGraph, TUdfAdjustRows::Window::kDerivatives}) {
    TUdfAdjustRows rows = Rows(window);
    for (const Step& step : steps) {
      SCOPED_TRACE(step.what);
      step.act(rows);
      const TUdfAdjustRow& row = rows.Row(step.row);
      EXPECT_LD_NEAR(row.value, step.value, std::fabs(step.value) * 1e-15L);
      EXPECT_EQ(Record().Start[static_cast<std::size_t>(step.row)], row.value);
      EXPECT_EQ(Vars().A(step.row), row.value);
      EXPECT_EQ(AdjustedStartText(Record(), step.row), step.written);
      EXPECT_EQ(taken(step.row), "");
    }
  }
  // A bound a fit would pass: A1's best value is 2, its limits 0 and 1.5. Find and Update
  // ends within them, where the dialog takes it. And an unbounded row with a lower limit of
  // 0 (A2 from 0.05) scrolled below it stays just above it.
  TUdfForm form = UdfFormFromRecord(Record());
  form.startText[1] = "1";
  form.maxText[1] = "1.5";
  form.minText[2] = "0";
  form.startText[2] = "0.05";
  BoundUdfTable()[kK] = UdfRecordFromForm(form);
  ASSERT_TRUE(ValidateUdf(kK, points_, stats_.Z.Range).Valid());
  Ctx().CurrentUdf = kK;
  TUdfAdjustRows rows = Rows(TUdfAdjustRows::Window::kGraph);
  (void)rows.FindAndUpdate(stats_, DefaultFitOptions());
  EXPECT_GT(rows.Row(1).value, 0.0L);
  EXPECT_LT(rows.Row(1).value, 1.5L);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(taken(i), "") << i;
  ASSERT_TRUE(rows.Edit(2, "0.05"));
  ASSERT_FALSE(rows.Row(2).bounded);
  rows.Scroll(2, 0);  // 50 units of about 0.03 down
  EXPECT_GT(rows.Row(2).value, 0.0L);
  EXPECT_LT(rows.Row(2).value, 0.001L);
  EXPECT_EQ(taken(2), "");
}

// The start values a window that moves them by hand holds: those strictly between the limits
// as they are, one at or past a limit one unit of its sixth digit inside it.
TEST(UdfStartLimitsTest, AValueAtOrPastALimitIsHeldJustInsideIt) {
  struct Case {
    long double start, lower, upper, held;
  };
  const Case cases[] = {
      {5, 0, 10, 5},
      {10, 0, 10, 9.99999L},
      {1e30L, -1e25L, 1e25L, 9.99999e24L},
      {-1e30L, -1e25L, 1e25L, -9.99999e24L},
      {0, 0, 10, 0.0001L},            // a limit of 0: a unit of the span's sixth digit
      {-5, 0, 1e25L, 0.00001L},       // with a far other limit: of the value's
      {-3, -100, 100, -3},
      {-200, -100, 100, -99.9999L},
      {50, 100, 101, 100.001L},
      {150, 100, 101, 100.999L},
      {1, 1, 1.000001L, 1.0000005L},  // no six-digit room: the middle
  };
  for (const Case& c : cases) {
    const long double held = UdfStartInsideLimits(c.start, c.lower, c.upper);
    EXPECT_LD_NEAR(held, c.held, std::fabs(c.held) * 1e-15L) << static_cast<double>(c.start);
    EXPECT_TRUE(UdfStartWithinLimits(c.lower, held, c.upper)) << static_cast<double>(c.start);
  }
  EXPECT_EQ(UdfStartText(9.9999996L, 6, 0, 10), "9.9999996");
  EXPECT_EQ(UdfStartText(2.123456789L, 6, 0, 10), "2.12346");
  EXPECT_EQ(UdfStartText(1.0000005L, 6, 1, 1.000001L), "1.0000005");
}

TEST(AdjustRefreshTest, TheRefreshComesTenTicksAfterTheLastChange) {
  TAdjustRefresh refresh;
  EXPECT_TRUE(refresh.Changed());  // no timer: at once
  refresh.SetTimerRunning(true);
  EXPECT_FALSE(refresh.Changed());
  int ticks = 0;
  while (!refresh.Tick()) {
    ++ticks;
    if (ticks == 5) {
      EXPECT_FALSE(refresh.Changed());  // a change in between starts the count again
    }
    ASSERT_LT(ticks, 100);
  }
  EXPECT_EQ(ticks, 5 + 9);
  EXPECT_FALSE(refresh.Tick());
}

TEST(AdjustedStartsTest, ChangesAboveOneInAHundredThousandCountAndDataDependenceIsSeen) {
  TUdfRecord r;
  r.ParamCount = 3;
  r.Start = {1.000005L, 2.1L, 0.0L};
  r.DataMask = 1u << 1;
  const TAdjustedStarts s = CompareAdjustedStarts(r, {1, 2, 0});
  EXPECT_EQ(std::tuple(s.changed[0], s.changed[1], s.changed[2], s.changedReadsData, s.AnyChanged()),
            std::tuple(false, true, false, true, true));
  EXPECT_EQ(AdjustedStartText(2.123456789L), "2.12346");
}

}  // namespace
