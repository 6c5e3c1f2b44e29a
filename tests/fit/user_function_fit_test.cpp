// User-defined functions as non-linear equations: fitted in the phase from their start
// values, rejected when they cannot be evaluated, held to their limits, and fitted alone.

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "expr/evaluation_stop.h"
#include "fit/levenberg_marquardt.h"
#include "fit_test_data.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace fit_test;

class UserFunctionFit : public ::testing::Test {
 protected:
  static TUdfRecord& Define(int k, std::string_view zLine, std::initializer_list<long double> start) {
    return DefineUserFunction(k, zLine, start);
  }
  static int RunUdfPhase(PointTable& t, TFitList& list) {
    const TDataStats stats = StatsOf(t);
    TFitRunContext ctx(t, stats, TFitSelection{}, DefaultFitOptions(), list);
    ctx.udfs = &BoundUdfTable();
    CountFitRun(ctx);
    return RunFitFamilies(ctx);
  }
  UserFunctionScope scope_;
};

TEST_F(UserFunctionFit, PhaseFitsEveryDefinedFunctionFromItsStartValues) {
  Define(2, "Z=A0*X+A1*Y*Y", {1, 1});
  Define(9, "Z=A0*EXP(-X/A1)+A2", {1, 2, 0});
  PointTable t = GridTable(Axis(0.5L, 0.5L, 8), Axis(-1, 0.5L, 5), [](long double x, long double y) {
    return 2 * x + 3 * y * y;
  });
  TFitList list;
  ExprThreadContext().CurrentUdf = 5;
  EXPECT_EQ(RunUdfPhase(t, list), 2);
  EXPECT_EQ(ExprThreadContext().CurrentUdf, 0);
  const TFitResult* f = FindEquation(list, 2503);
  ExpectParameters(f, {2, 3}, 1e-9L);
  EXPECT_GE(f->r2, 1.0L - 1e-15L);
  EXPECT_EQ(f->complexity, 0);
  EXPECT_NE(FindEquation(list, 2510), nullptr);
  // The phase leaves the records' start values alone.
  EXPECT_EQ(BoundUdfTable()[2]->Start[0], 1.0L);
}

// A function whose run fails at some point (the root of a negative x) never enters the
// sums with the missing value as its z: its fit is rejected.
TEST_F(UserFunctionFit, FailedEvaluationRejectsTheFit) {
  Define(0, "Z=A0*SQRT(X)+A1", {1, 0});
  PointTable bad = GridTable(Axis(-1, 0.5L, 6), Axis(0, 1, 3),
                             [](long double x, long double) { return 2 * x + 1; });
  TFitList list;
  EXPECT_EQ(RunUdfPhase(bad, list), 0);
  EXPECT_EQ(FindEquation(list, 2501), nullptr);

  PointTable good = GridTable(Axis(0.5L, 0.5L, 6), Axis(0, 1, 3),
                              [](long double x, long double) { return 2 * std::sqrt(x) + 1; });
  EXPECT_EQ(RunUdfPhase(good, list), 1);
  ExpectParameters(FindEquation(list, 2501), {2}, 1e-9L);
}

// Ten parameters: the solve holds every one of them.
TEST_F(UserFunctionFit, TenParametersAreFitted) {
  Define(14, "Z=A0+A1*X+A2*Y+A3*X*X+A4*Y*Y+A5*X*Y+A6*X*X*X+A7*Y*Y*Y+A8*X*X*Y+A9*X*Y*Y",
         {1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  PointTable t = GridTable(Axis(-1, 0.5L, 5), Axis(-1, 0.5L, 5), [](long double x, long double y) {
    return 1 - 2 * x + 3 * y + 0.5L * x * x - y * y + 2 * x * y + x * x * x - 0.5L * y * y * y +
           1.5L * x * x * y - x * y * y;
  });
  TFitList list;
  EXPECT_EQ(RunUdfPhase(t, list), 1);
  ExpectParameters(FindEquation(list, 2515), {1, -2, 3, 0.5L, -1, 2, 1, -0.5L, 1.5L, -1}, 1e-6L);
}

// The fit alone writes its result back as the start values, keeping within the limits.
TEST_F(UserFunctionFit, FitUserFunctionUpdatesTheStartValues) {
  TUdfRecord& r = Define(6, "Z=A0*X+A1", {1, 1});
  PointTable t = GridTable(Axis(0, 1, 6), Axis(0, 1, 2),
                           [](long double x, long double) { return 5 * x - 2; });
  const TDataStats stats = StatsOf(t);
  EXPECT_EQ(FitUserFunction(6, t, stats, DefaultFitOptions()), UserFitResult::kFitted);
  EXPECT_LE(std::max(std::fabs(r.Start[0] - 5), std::fabs(r.Start[1] + 2)), 1e-6L);
  EXPECT_EQ(ExprThreadContext().CurrentUdf, 6);

  // A0 limited to 3: from 2.9 the steps beyond the limit pay 101 times their loss and lose,
  // so the fit creeps up to the limit from inside. There it stops short of its minimum (A1
  // at -1.75, where A0 = 3 asks A1 = 3): its steps toward it all pass the limit, and the
  // fit says so.
  r.Start[0] = 2.9L;
  r.Start[1] = -2;
  r.Upper[0] = 3;
  EXPECT_EQ(FitUserFunction(6, t, stats, DefaultFitOptions()), UserFitResult::kStoppedShortOfMinimum);
  EXPECT_TRUE(r.Start[0] > 2.99L && r.Start[0] <= 3.0L);
  // The penalty is a deterrent, not a wall: from (1, 1) the first step lands at A0 = 4.86,
  // whose loss of 1.36 still beats the start's 1148 after the penalty, and is kept. (Beyond
  // the limit with a loss below 1 the penalty rises as the loss falls: the fit stops there,
  // short of a minimum, and says so.)
  r.Start[0] = 1;
  r.Start[1] = 1;
  EXPECT_EQ(FitUserFunction(6, t, stats, DefaultFitOptions()), UserFitResult::kStoppedShortOfMinimum);
  EXPECT_GT(r.Start[0], 3.0L);

  EXPECT_EQ(FitUserFunction(3, t, stats, DefaultFitOptions()), UserFitResult::kNoFunction);  // no function in slot 3
  EXPECT_EQ(FitUserFunction(15, t, stats, DefaultFitOptions()), UserFitResult::kNoFunction);
}

TEST_F(UserFunctionFit, CovarianceOfAUserFunction) {
  Define(1, "Z=A0+A1*X+A2*Y", {0, 0, 0});
  PointTable t = GridTable(Axis(0, 1, 3), Axis(0, 2, 3),
                           [](long double x, long double y) { return 1 + x + y; });
  const TDataStats stats = StatsOf(t);
  LDMatrix user(3, 3), plane(3, 3);
  long double sseUser = -1, ssePlane = -1;
  const long double p[3] = {1, 1, 1};
  ASSERT_EQ(NonlinearCovariance(501, p, t, stats.WeightScale, user.Data(), sseUser), 3);
  ASSERT_EQ(NonlinearCovariance(168, p, t, stats.WeightScale, plane.Data(), ssePlane), 3);
  EXPECT_EQ(sseUser, 0);
  for (int j = 0; j < 3; ++j)
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(static_cast<double>(user[j][k]), static_cast<double>(plane[j][k]), 1e-8) << j << k;
  EXPECT_EQ(NonlinearCovariance(507, p, t, stats.WeightScale, user.Data(), sseUser), -1);
}

// Two non-linear phases at once, each with its own context and list and a user function
// evaluated on each thread's own expression context, give what one phase alone gives.
TEST_F(UserFunctionFit, ConcurrentPhasesAreIndependent) {
  Define(3, "Z=A0*EXP(-X*X/A1)+A2*Y", {1, 1, 0});
  PointTable t = GridTable(Axis(-2, 0.4L, 11), Axis(0.5L, 0.3L, 8), [](long double x, long double y) {
    return 3 * std::exp(-x * x / 2) + 0.5L * y + 0.01L * std::sin(7 * x * y);
  });
  const TDataStats stats = StatsOf(t);
  TFitSelection sel;
  for (int i : {0, 4, 76, 150, 162, 169}) sel.nonlinear[static_cast<std::size_t>(i)] = 1;
  TFitOptions o = DefaultFitOptions();
  o.samplingFlag = 1;
  auto run = [&](TFitList& list) {
    TFitRunContext ctx(t, stats, sel, o, list);
    ctx.udfs = &BoundUdfTable();
    CountFitRun(ctx);
    return RunFitFamilies(ctx);
  };
  TFitList alone, first, second;
  const int expected = run(alone);
  ASSERT_GT(expected, 1);
  ASSERT_NE(FindEquation(alone, 2504), nullptr);
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

// Stop Current Fit heard inside a user function's evaluations (TMarquardtState::skipAsked):
// a skip ends the equation without a record, before or after the function's parameters were
// measured on every point; either way without another pass, and the run goes on (not
// aborted). The fit's blocks are summed by four workers: once one of them takes the skip,
// each other block asks at most once more.
TEST_F(UserFunctionFit, ASkipMidPassEndsTheEquationUnrecorded) {
  Define(4, "Z=A0*EXP(-X/A1)+A2*Y", {1, 2, 0});
  PointTable t = GridTable(Axis(0.1L, 0.2L, 25), Axis(-1, 0.1L, 24), [](long double x, long double y) {
    return 3 * std::exp(-x / 1.5L) + 0.5L * y + 0.01L * std::sin(9 * x * y);
  });
  const TDataStats stats = StatsOf(t);
  TFitOptions o = DefaultFitOptions();
  o.samplingFlag = 0;  // every pass on all 600 points, 3 blocks
  constexpr int kBlocks = 3;
  struct Outcome {
    int result = 0;
    int asks = 0;
    const TFitResult* fit = nullptr;
  };
  const auto run = [&](TFitList& list, int skipAt) {
    TFitRunContext ctx(t, stats, TFitSelection{}, o, list);
    ctx.udfs = &BoundUdfTable();
    ctx.nonlinearThreads = 4;
    std::atomic<int> asks{0};
    ctx.skipAsked = [&] { return ++asks == skipAt; };
    CountFitRun(ctx);
    Outcome out;
    out.result = RunFitFamilies(ctx);
    out.asks = asks.load();
    out.fit = FindEquation(list, UdfEquationNumber(4));
    return out;
  };
  TFitList whole, early, late;
  const Outcome converged = run(whole, 0);
  ASSERT_NE(converged.fit, nullptr);
  ASSERT_GT(converged.asks, 60);  // passes of about nine asks each

  const Outcome first = run(early, 1);  // within the first measure of the start values
  EXPECT_EQ(first.result, 0);
  EXPECT_EQ(first.fit, nullptr);
  EXPECT_LE(first.asks, 1 + kBlocks);

  // Some passes on, the fit would stand; but a user function's fit is listed only once its
  // surface was sampled over the rectangle, which takes longer than a pass: skipped, it ends
  // unrecorded all the same, without another evaluation.
  const int at = 40;
  const Outcome standing = run(late, at);
  EXPECT_EQ(standing.result, 0);
  EXPECT_LE(standing.asks, at + kBlocks);
  EXPECT_EQ(standing.fit, nullptr);
}

// After the fit, its surface is sampled over the data rectangle (more than a thousand
// evaluations, longer than a small table's fit): those samples hear Stop Current Fit too. A
// skip taken there leaves the fit out, since it was not shown to have a value everywhere,
// and the run goes on; a stop of the run taken there ends the run. Before, the samples asked
// no one, and a costly function held the fit dialog for a minute after Stop Current Fit.
TEST_F(UserFunctionFit, TheSamplesOfAFittedSurfaceHearTheSkipAndTheStop) {
  Define(4, "Z=A0*EXP(-X/A1)+A2*Y", {1, 2, 0});
  PointTable t = GridTable(Axis(0.1L, 0.4L, 4), Axis(-1, 0.5L, 3), [](long double x, long double y) {
    return 3 * std::exp(-x / 1.5L) + 0.5L * y + 0.01L * std::sin(9 * x * y);
  });
  const TDataStats stats = StatsOf(t);
  struct Outcome {
    int result = 0;
    int asks = 0;
    int stopsAtLastAsk = 0;  // the run's questions asked up to the last skip question
    bool listed = false;
  };
  // skipAt and stopAt count the questions of the skip and of the run's stop from 1; 0 never.
  const auto run = [&](int skipAt, int stopAt) {
    TFitList list;
    TFitRunContext ctx(t, stats, TFitSelection{}, DefaultFitOptions(), list);
    ctx.udfs = &BoundUdfTable();
    Outcome out;
    int stops = 0;
    ctx.skipAsked = [&] {
      out.stopsAtLastAsk = stops;
      return ++out.asks == skipAt;
    };
    ctx.goOn = [&] { return ++stops != stopAt; };
    CountFitRun(ctx);
    out.result = RunFitFamilies(ctx);
    out.listed = FindEquation(list, UdfEquationNumber(4)) != nullptr;
    return out;
  };
  const Outcome whole = run(0, 0);
  ASSERT_TRUE(whole.listed);
  ASSERT_EQ(whole.result, 1);
  // The last questions are asked among the samples, after every pass of the fit.
  const Outcome skipped = run(whole.asks, 0);
  EXPECT_FALSE(skipped.listed);
  EXPECT_EQ(skipped.result, 0);  // the run went on
  EXPECT_EQ(skipped.asks, whole.asks);

  const Outcome stopped = run(0, whole.stopsAtLastAsk);
  EXPECT_FALSE(stopped.listed);
  EXPECT_EQ(stopped.result, -1);
}

// The fit of one function from its graph ("Find and Update") stopped by the question of its
// thread (the window's Cancel): kCancelled, the start values as they were, and the question
// is not asked again once it said no. The function runs its line F1 a thousand times an
// evaluation, so that it asks about four times an evaluation as a costly function does: the
// third question comes within the first pass, on the fit's own thread, whatever the helpers
// take. (A function that asks once in hundreds of evaluations let four threads end the fit
// before the fit's own thread had asked three times, 1 run in 20 on two cores: a cancel
// after the work is done is not heard, and the fit stands.)
TEST_F(UserFunctionFit, ACancelledFitUserFunctionKeepsTheStartValues) {
  TUdfRecord& r = Define(4, "F1=1+$/1E9\r\nZ=A0*EXP(-X/A1)+A2*Y+0*PROD(1,1,1000,1)", {1, 2, 0});
  PointTable t = GridTable(Axis(0.1L, 0.2L, 25), Axis(-1, 0.1L, 24), [](long double x, long double y) {
    return 3 * std::exp(-x / 1.5L) + 0.5L * y;
  });
  const TDataStats stats = StatsOf(t);
  int asks = 0;
  {
    const TEvaluationStopScope cancel(ExprThreadContext(), [&] { return ++asks < 3; });
    EXPECT_EQ(FitUserFunction(4, t, stats, DefaultFitOptions(), 4), UserFitResult::kCancelled);
  }
  EXPECT_EQ(asks, 3);
  EXPECT_EQ((std::vector<long double>{r.Start[0], r.Start[1], r.Start[2]}), (std::vector<long double>{1, 2, 0}));
  EXPECT_EQ(FitUserFunction(4, t, stats, DefaultFitOptions(), 4), UserFitResult::kFitted);
}

}  // namespace
