// The fit-run driver: counts, phases, abort, memory reports and independent runs.

#include <thread>
#include <tuple>

#include "fit/fit_results.h"
#include "fit/session.h"
#include "fit_test_data.h"
#include "support/long_double_near.h"

namespace {

using namespace fit_test;

TDataStats PositiveStats() {
  TDataStats s;
  ResetDataStats(s, 100);
  s.X.Min = 1;
  s.Y.Min = 2;
  return s;
}

// The counts of the default selection and options with all-positive data: 9 polynomial
// pairs of 25 additive and 2 full equations, 4 rational pairs of 64 additive and 1 full
// equation, no series family, and one term-subset search of Z.
TEST(CountLinearEquations, DefaultSelectionAndOptions) {
  TFitCounts c;
  const std::uint32_t total = CountLinearEquations(DefaultFitSelection(), DefaultFitOptions(), PositiveStats(), c);
  EXPECT_EQ((std::vector{c.polynomial, c.rational, c.subsets[0], c.subsets[1], c.subsets[2], c.linear}),
            (std::vector{243u, 260u, 12194u, 0u, 0u, total}));
  EXPECT_EQ(total, 243u + 260u + 12194u);
}

TEST(CountLinearEquations, EveryLinearFamily) {
  TFitCounts c;
  CountLinearEquations(LinearSelection(kPolyMaskAll, kRatMaskAll, kSubsetMaskAll), DefaultFitOptions(),
                       PositiveStats(), c);
  // Series: 9 Chebyshev, 27 log Chebyshev, 9 cosine, 9 sigmoid, 10 + 4 Fourier.
  EXPECT_EQ((std::vector{c.polynomial, c.rational, c.linear}),
            (std::vector{243u + 68u, 260u + 40u, 311u + 300u + 3 * 12194u}));
}

TEST(CountLinearEquations, DomainAndLimits) {
  TDataStats negativeX = PositiveStats();
  negativeX.X.Min = -3;
  negativeX.X.Max = -1;
  TFitCounts c;
  CountLinearEquations(DefaultFitSelection(), DefaultFitOptions(), negativeX, c);
  EXPECT_EQ(c.polynomial, 6u * 27u);  // no ln x pairs
  EXPECT_EQ(c.rational, 2u * 65u);
  // An x range that holds 0 leaves out 1/x as well (a pole among the data), and one that
  // starts at 0 ln x.
  for (const long double min : {-1.0L, 0.0L}) {
    TDataStats throughZero = PositiveStats();
    throughZero.X.Min = min;
    throughZero.X.Max = 4;
    CountLinearEquations(DefaultFitSelection(), DefaultFitOptions(), throughZero, c);
    EXPECT_EQ(std::tuple(c.polynomial, c.rational), std::tuple(3u * 27u, 2u * 65u)) << static_cast<double>(min);
  }

  // With the plain families, the Chebyshev polynomials and rationals and the first Fourier
  // family selected, by the highest term count minus 1.
  const struct {
    std::uint32_t highest;
    std::uint32_t polynomial, rational, subsets;
  } cases[] = {
      {1, 0, 0, 0},
      {2, 9 * 1, 0, 861},
      {4, 9 * 6 + 1, 4 * 1, 7981},                 // Fourier: 1 harmonic (m 4)
      {5, 9 * (10 + 1) + 1 + 1, 4 * 5, 9983},      // + Chebyshev order 2 (m 5)
      {9, 9 * (24 + 2) + 2 + 2, 4 * 60 + 1, 12194},  // + Chebyshev rational 1/2 (m 6)
      {20, 9 * (25 + 2) + 4 + 5, 4 * (64 + 1) + 4, 12194},
  };
  for (const auto& k : cases) {
    TFitOptions o = DefaultFitOptions();
    o.highestTerm = k.highest;
    CountLinearEquations(LinearSelection(63 | kPolyChebyshev | kPolyFourier, 27 | kRatChebyshev, kSubsetZ), o,
                         PositiveStats(), c);
    EXPECT_EQ((std::vector{c.polynomial, c.rational, c.subsets[0]}),
              (std::vector{k.polynomial, k.rational, k.subsets})) << k.highest;
  }
}

TEST(CountNonLinearEquations, FlagsAndUserFunctions) {
  EXPECT_EQ(CountNonLinearEquations(DefaultFitSelection(), 0), 24u);
  TFitSelection s = DefaultFitSelection();
  s.nonlinear[200] = 1;  // beyond the 172 equations: not counted
  EXPECT_EQ(CountNonLinearEquations(s, 3), 27u);
}

// The counts decide what a run fits; the fits of a run equal what its families make.
TEST(RunFitFamilies, RunsThePhasesInOrder) {
  PointTable t = GridTable(Axis(1, 0.5L, 10), Axis(1, 0.5L, 10),
                           [](long double x, long double y) { return 2 + std::log(x) * y + 1 / y; });
  std::vector<int> stages;
  const TDataStats stats = StatsOf(t);
  TFitList list;
  TFitOptions o = DefaultFitOptions();
  o.digitThreshold = 9;
  TFitRunContext ctx(t, stats, LinearSelection(kPolyMaskAll, kRatMaskAll, 0), o, list);
  ASSERT_TRUE(CountFitRun(ctx));
  ctx.progress = [&](int stage, float, std::uint32_t, int) {
    if (stages.empty() || stages.back() != stage) stages.push_back(stage);
    return 1;
  };
  ctx.outOfMemory = true;  // reset by the run: only its own phases count as out of memory (-2)
  const int r = RunFitFamilies(ctx);
  EXPECT_EQ(r, list.Count());
  EXPECT_FALSE(ctx.outOfMemory);
  EXPECT_EQ(stages, (std::vector<int>{kStageSums, kStagePolynomial, kStageRational}));
  EXPECT_EQ(ctx.counters.tried, ctx.counters.polynomial + ctx.counters.rational);
  // 10^-9 from the digit threshold, by the x87's power (the CPU's last bit).
  EXPECT_LD_NEAR(ctx.fitTolerance, 1e-9L, 1e-9L * 1e-18L);
  // Equation numbers come in the order of the families.
  int previousKind = 0;
  for (int i = 1; i <= list.Count(); ++i) {
    const int kind = KindOfEquation(list.At(i)->equationNumber);
    EXPECT_GE(kind, previousKind);
    previousKind = kind;
  }
}

TEST(RunFitFamilies, NothingSelectedIsNothingToFitAndOnlyNonLinearComputesNoSums) {
  PointTable t = GridTable(Axis(1, 1, 5), Axis(1, 1, 5), [](long double x, long double y) { return x * y; });
  const TDataStats stats = StatsOf(t);
  TFitList list;
  TFitRunContext none(t, stats, LinearSelection(0, 0, 0), DefaultFitOptions(), list);
  EXPECT_FALSE(CountFitRun(none));
  TUdfTable oneFunction;
  oneFunction[0] = std::make_unique<TUdfRecord>();
  none.udfs = &oneFunction;
  EXPECT_TRUE(CountFitRun(none));  // a defined user function is something to fit
  TFitSelection sel = LinearSelection(0, 0, 0);
  sel.nonlinear[150] = 1;
  TFitRunContext ctx(t, stats, sel, DefaultFitOptions(), list);
  ASSERT_TRUE(CountFitRun(ctx));
  EXPECT_EQ(std::tuple(ctx.counts.linear, ctx.counts.nonlinear), std::tuple(0u, 1u));
  EXPECT_EQ(RunFitFamilies(ctx), 1);
  EXPECT_EQ(list.At(1)->equationNumber, 2151);
  EXPECT_EQ(ctx.sums, nullptr);
}

// An abort in any phase ends the run with -1 and leaves no fit of it in the list.
TEST(RunFitFamilies, AbortLeavesNoFits) {
  PointTable t = GridTable(Axis(1, 0.5L, 10), Axis(1, 0.5L, 10),
                           [](long double x, long double y) { return x + y * y; });
  const TDataStats stats = StatsOf(t);
  for (int stopStage : {kStageSums, kStagePolynomial, kStageRational}) {
    TFitList list;
    TFitRunContext ctx(t, stats, LinearSelection(kPolyMaskAll, kRatMaskAll, 1), DefaultFitOptions(), list);
    CountFitRun(ctx);
    int calls = 0;
    ctx.progress = [&](int stage, float, std::uint32_t, int listed) {
      ++calls;
      return stage == stopStage && (stage == kStageSums || listed > 0) ? 0 : 1;
    };
    EXPECT_EQ(RunFitFamilies(ctx), -1) << stopStage;
    EXPECT_EQ(list.Count(), 0) << stopStage;
    EXPECT_GT(calls, 0);
  }
}

// Two runs at once, each with its own context and list, share no scratch state: both give
// exactly what one run alone gives.
TEST(RunFitFamilies, ConcurrentRunsAreIndependent) {
  PointTable t =
      GridTable(Axis(1, 0.4L, 12), Axis(1, 0.3L, 12),
                [](long double x, long double y) { return std::sqrt(x) * std::sin(y) + x * y / 10; });
  const TDataStats stats = StatsOf(t);
  const TFitSelection sel = LinearSelection(kPolyMaskAll, kRatMaskAll, 7);
  auto run = [&](TFitList& list) {
    TFitRunContext ctx(t, stats, sel, DefaultFitOptions(), list);
    CountFitRun(ctx);
    return RunFitFamilies(ctx);
  };
  TFitList alone, first, second;
  const int expected = run(alone);
  int a = 0, b = 0;
  std::thread one([&] { a = run(first); }), two([&] { b = run(second); });
  one.join();
  two.join();
  ASSERT_EQ(std::tuple(a, b), std::tuple(expected, expected));
  for (int i = 1; i <= alone.Count(); ++i) {
    EXPECT_EQ(first.At(i)->parameters, alone.At(i)->parameters);
    EXPECT_EQ(second.At(i)->r2, alone.At(i)->r2);
  }
}

TEST(RunFitFamilies, PublishHandsTheRunsProductsOver) {
  PointTable t = GridTable(Axis(1, 1, 5), Axis(1, 1, 5), [](long double x, long double y) { return x + y; });
  TSession session;
  ASSERT_TRUE(session.Table.ReplaceDataTable(t));
  session.DataStats = StatsOf(t);
  TFitRunOutcome outcome;
  TFitRunContext ctx(t, session.DataStats, LinearSelection(9, 0, 0), DefaultFitOptions(),
                     outcome.list);
  CountFitRun(ctx);
  const int n = RunFitFamilies(ctx);
  // A run fills its own list: the session sees nothing of it before it is published.
  EXPECT_EQ(std::tuple(session.FitList.Count(), session.FitCount.load()), std::tuple(0, 0));
  EXPECT_EQ(session.FitListProducts.sums, nullptr);
  outcome.products = FitRunProductsOf(ctx);
  PublishFitResults(session, std::move(outcome));
  EXPECT_EQ(session.FitCount.load(), n);
  EXPECT_EQ(session.FitList.Count(), n);
  EXPECT_EQ(session.FitResultsValid.load(), 1);
  EXPECT_EQ(session.FitListProducts.sums, ctx.sums);
  EXPECT_EQ(session.FitListProducts.scales.series.x.halfRange, 2.0L);
}

}  // namespace
