// The non-linear phase on a pool of worker threads: the list is the one a single thread
// makes, record for record and bit for bit, also when the workers that have no equation left
// share the point loops of the others' fits; progress counts finished equations; an abort
// answered to any worker stops them all and leaves no fit of the phase.

#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include "fit/levenberg_marquardt.h"
#include "fit_test_data.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace fit_test;

bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// A two-humped surface with a little deterministic noise over positive x and y: most shapes
// find something to fit, many do not converge alike, so the workers finish out of order.
PointTable Humps(int columns = 16, int rows = 15) {
  return GridTable(Axis(0.25L, 4.0L / static_cast<long double>(columns), columns),
                   Axis(0.3L, 3.0L / static_cast<long double>(rows), rows), [](long double x, long double y) {
    return 1 + 4 * std::exp(-((x - 1.5L) * (x - 1.5L) + (y - 1.2L) * (y - 1.2L))) +
           2 * std::exp(-(x - 3) * (x - 3) / 0.5L) + 0.05L * std::sin(37 * x * y);
  });
}

class NonlinearThreads : public ::testing::Test {
 protected:
  NonlinearThreads() {
    for (auto& flag : selection_.nonlinear) flag = 1;
    options_.samplingFlag = 1;
    DefineUserFunction(1, "Z=A0+A1*EXP(-(X-A2)*(X-A2))*EXP(-(Y-A3)*(Y-A3))", {1, 3, 1.4L, 1.1L});
    DefineUserFunction(6, "Z=A0*X^2+A1*Y^3+A2", {0.1L, 0.1L, 1});
  }

  void ExpectSameList(const TFitList& one, const TFitList& many, unsigned threads) {
    ASSERT_EQ(many.Count(), one.Count()) << threads;
    for (int i = 1; i <= one.Count(); ++i) {
      const TFitResult& a = *one.At(i);
      const TFitResult& b = *many.At(i);
      ASSERT_EQ(b.equationNumber, a.equationNumber) << threads << " threads, slot " << i;
      EXPECT_EQ(std::tuple(b.m, b.procedure, b.complexity, b.terms), std::tuple(a.m, a.procedure, a.complexity, a.terms))
          << a.equationNumber;
      ASSERT_EQ(b.parameters.size(), a.parameters.size());
      for (std::size_t j = 0; j < a.parameters.size(); ++j)
        EXPECT_TRUE(SameBits(b.parameters[j], a.parameters[j])) << a.equationNumber << " a" << j;
      for (auto field : {&TFitResult::r2, &TFitResult::sse, &TFitResult::adjustedR2, &TFitResult::fitStdError,
                         &TFitResult::f})
        EXPECT_TRUE(SameBits(b.*field, a.*field)) << a.equationNumber;
    }
  }

  int Run(unsigned threads, TFitList& list, const TFitStatusFn& status = {}) {
    const TDataStats stats = StatsOf(table_);
    TFitRunContext ctx(table_, stats, selection_, options_, list);
    ctx.nonlinearThreads = threads;
    ctx.udfs = &BoundUdfTable();
    CountFitRun(ctx);
    if (status) ctx.status = status;
    return RunFitFamilies(ctx);
  }

  UserFunctionScope scope_;
  PointTable table_ = Humps();
  TFitSelection selection_;
  TFitOptions options_ = DefaultFitOptions();
};

TEST_F(NonlinearThreads, ListIsTheOneThreadListRecordForRecord) {
  TFitList one;
  const int fitted = Run(1, one);
  ASSERT_GT(fitted, 100);
  ASSERT_NE(FindEquation(one, 2502), nullptr);  // the user functions are in it
  ASSERT_NE(FindEquation(one, 2507), nullptr);
  for (unsigned threads : {2u, 3u, 8u}) {
    TFitList many;
    ASSERT_EQ(Run(threads, many), fitted) << threads;
    ExpectSameList(one, many, threads);
  }
}

// More points than a block: the workers left without an equation sum blocks of the fits
// still running (the user functions' among them), and the list is the same on 1, 2, 4 and 8
// threads. A share of the shapes keeps the test short.
TEST_F(NonlinearThreads, SharedPointLoopsGiveTheOneThreadList) {
  table_ = Humps(40, 21);  // 840 points: three blocks and a short one
  for (std::size_t i = 0; i < selection_.nonlinear.size(); ++i) selection_.nonlinear[i] = i % 4 == 0 ? 1 : 0;
  TFitList one;
  const int fitted = Run(1, one);
  ASSERT_GT(fitted, 25);
  ASSERT_NE(FindEquation(one, 2502), nullptr);
  for (unsigned threads : {2u, 4u, 8u}) {
    TFitList many;
    ASSERT_EQ(Run(threads, many), fitted) << threads;
    ExpectSameList(one, many, threads);
  }
}

// Cancel late in the phase, while the workers without an equation sum blocks of the fits still
// running: every thread stops and no fit of the phase is kept.
TEST_F(NonlinearThreads, AbortWhileWorkersSharePointLoopsStopsThemAll) {
  table_ = Humps(40, 21);
  for (std::size_t i = 0; i < selection_.nonlinear.size(); ++i) selection_.nonlinear[i] = i % 4 == 0 ? 1 : 0;
  TFitList all;
  int reports = 0;
  ASSERT_GT(Run(8, all, [&](int c, int, float, std::uint32_t, int, std::uint32_t, long double) {
    reports += c == 2 ? 1 : 0;
    return 1;
  }), 0);
  for (const int at : {reports / 2, reports * 9 / 10, reports - 2}) {
    TFitList list;
    int seen = 0, after = 0;
    const int result = Run(8, list, [&](int c, int, float, std::uint32_t, int, std::uint32_t, long double) {
      if (seen >= at) ++after;
      if (c == 2 && ++seen == at) return 0;
      return 1;
    });
    EXPECT_EQ(result, -1) << at << " of " << reports;
    EXPECT_EQ(list.Count(), 0) << at;
    EXPECT_EQ(after, 0) << at;
  }
}

TEST_F(NonlinearThreads, ProgressCountsFinishedEquations) {
  TFitList list;
  std::vector<float> ends;
  std::uint32_t tried = 0;
  Run(4, list, [&](int code, int, float fraction, std::uint32_t t, int, std::uint32_t, long double) {
    if (code == 4) ends.push_back(fraction);
    tried = t;
    return 1;
  });
  ASSERT_EQ(ends.size(), 174u);  // 172 shapes and two user functions
  for (std::size_t i = 1; i < ends.size(); ++i) EXPECT_GT(ends[i], ends[i - 1]) << i;
  EXPECT_FLOAT_EQ(ends.back(), 100.0f);
  EXPECT_EQ(tried, 174u);
}

// Cancel at the n-th iteration report, whichever worker sends it: every worker stops, the
// run reports the abort and keeps no fit of the phase. Also at a record's report, and at
// the start of an equation.
TEST_F(NonlinearThreads, AbortAnsweredToAnyWorkerStopsThemAll) {
  for (const auto& [code, at] : {std::pair{2, 1}, std::pair{2, 200}, std::pair{3, 20}, std::pair{1, 50}}) {
    TFitList list;
    int seen = 0, after = 0;
    const int result = Run(4, list, [&](int c, int, float, std::uint32_t, int, std::uint32_t, long double) {
      if (seen >= at) ++after;
      if (c == code && ++seen == at) return 0;
      return 1;
    });
    EXPECT_EQ(result, -1) << code << "@" << at;
    EXPECT_EQ(list.Count(), 0) << code << "@" << at;
    EXPECT_EQ(after, 0) << "reports after the abort, " << code << "@" << at;
  }
}

}  // namespace

namespace {

using namespace fit_test;

// A user function whose every value takes a million line runs, as a product of a costly
// line: a pass over 1000 points with two parameters (three values a point) takes about
// 1.2e10 runs, 4.7 million asks of the run's question. The run's question answers no at
// its third ask, mid-way through the first value: the run must end with no fit at once,
// on every thread, asked at most once more by each block of the pass (its first value
// stops, its slopes are not run) and each thread, never by a pass that goes on. The status
// says go on throughout: the stopped evaluations alone end the fit and the run.
TEST(NonlinearStop, TheRunsQuestionEndsACostlyUserFunctionMidPassOnEveryThread) {
  UserFunctionScope scope;
  TUdfRecord& r = DefineUserFunction(2, "F1=1+SIN($*X+Y)/1E7\r\nZ=A0*PROD(1,1,999999,1)+A1*X+0*Y", {1, 1});
  ASSERT_TRUE(UdfReadyToFit(2)) << r.LineCount;
  PointTable table = Humps(40, 25);  // 1000 points: four blocks
  const TDataStats stats = StatsOf(table);
  TFitSelection selection;  // no built-in shape: the user function alone
  TFitOptions options = DefaultFitOptions();
  options.samplingFlag = 0;  // every pass over all the points
  constexpr int kStopAt = 3;
  constexpr int kBlocks = 4;
  for (unsigned threads : {1u, 4u}) {
    TFitList list;
    TFitRunContext ctx(table, stats, selection, options, list);
    ctx.nonlinearThreads = threads;
    ctx.udfs = &BoundUdfTable();
    ASSERT_TRUE(CountFitRun(ctx));
    std::atomic<int> asks{0};
    ctx.goOn = [&] { return asks.fetch_add(1) + 1 < kStopAt; };
    int statusAfter = 0;
    ctx.status = [&](int, int, float, std::uint32_t, int, std::uint32_t, long double) {
      statusAfter += asks.load() >= kStopAt ? 1 : 0;
      return 1;
    };
    EXPECT_EQ(RunFitFamilies(ctx), -1) << threads;
    EXPECT_EQ(list.Count(), 0) << threads;
    EXPECT_LE(asks.load(), kStopAt + kBlocks + static_cast<int>(threads)) << threads;
    EXPECT_EQ(statusAfter, 0) << "nothing was reported after the stop, " << threads;
  }
}

}  // namespace
