// Two sessions side by side: each owns its table, statistics, blocks and fit list, and a run
// of one never reaches the other.

#include "fit/session.h"

#include <cmath>
#include <memory>
#include <thread>
#include <tuple>

#include "app/prescan_hooks.h"
#include "app/shell_state.h"
#include "fit/background_fit.h"
#include "fit/fit_ranking.h"
#include "fit/fit_results.h"
#include "fit/fit_threads.h"
#include "fit_test_data.h"
#include "support/long_double_near.h"

namespace {

using namespace fit_test;

// A session holding an n x n grid of z = f(x, y), pre-scanned.
void LoadSurface(TSession& session, int n, const Surface& f) {
  ASSERT_TRUE(session.Table.ReplaceDataTable(GridTable(Axis(1, 1, n), Axis(1, 1, n), f)));
  ASSERT_EQ(PrepareDataForFit(session.Table, session.DataStats), n * n);
}

// z = a + b x + c y.
void LoadPlane(TSession& session, int n, long double a, long double b, long double c) {
  LoadSurface(session, n, [=](long double x, long double y) { return a + b * x + c * y; });
}

// A job's run on the calling thread into the job's own list, ranked, with its products.
void RunJob(TFitJob& job) {
  TFitRunContext ctx(job.table, job.stats, job.selection, job.options, job.outcome.list);
  ctx.udfs = &job.udfs;
  ASSERT_TRUE(CountFitRun(ctx));
  ASSERT_GT(RunFitFamilies(ctx), 0);
  SortFitList(job.outcome.list, static_cast<int>(job.options.sortCriterion));
  job.outcome.products = FitRunProductsOf(ctx);
}

// The parameters of the plane (equation 1) in a session's list; empty when it is missing.
std::vector<long double> PlaneParameters(const TSession& session) {
  for (int rank = 1; rank <= session.FitCount; ++rank)
    if (session.FitList.At(rank)->equationNumber == 1) return session.FitList.At(rank)->parameters;
  return {};
}

void ExpectPlane(const std::vector<long double>& p, long double a, long double b, long double c) {
  ASSERT_EQ(p.size(), 3u);
  EXPECT_LD_NEAR(p[0], a, 1e-14L);
  EXPECT_LD_NEAR(p[1], b, 1e-14L);
  EXPECT_LD_NEAR(p[2], c, 1e-14L);
}

TEST(Session, TwoSessionsFitTheirOwnTablesSideBySide) {
  TSession first, second;
  LoadPlane(first, 5, 1, 2, 3);
  LoadPlane(second, 6, 5, -1, 0.5L);
  // The second session fits polynomials and rationals, the first polynomials alone.
  first.FitSelection = LinearSelection(9, 0, 0);
  second.FitSelection = LinearSelection(9, 9, 0);
  EXPECT_NE(first.FitSelection, second.FitSelection);

  TFitJob firstJob = MakeFitJob(first, first.FitSelection, first.FitOptions);
  TFitJob secondJob = MakeFitJob(second, second.FitSelection, second.FitOptions);
  // Both runs at once, each on its own thread (run under ThreadSanitizer).
  std::thread firstRun([&] { RunJob(firstJob); });
  std::thread secondRun([&] { RunJob(secondJob); });
  firstRun.join();
  secondRun.join();
  const int firstCount = firstJob.outcome.list.Count();
  const int secondCount = secondJob.outcome.list.Count();
  ASSERT_GT(secondCount, firstCount);
  // Nothing of either run is in either session before it is published.
  EXPECT_EQ(std::tuple(first.FitCount.load(), second.FitCount.load()), std::tuple(0, 0));

  PublishFitResults(first, std::move(firstJob.outcome));
  EXPECT_EQ(std::tuple(first.FitCount.load(), first.FitResultsValid.load()), std::tuple(firstCount, 1));
  EXPECT_EQ(std::tuple(second.FitCount.load(), second.FitList.Count()), std::tuple(0, 0));
  PublishFitResults(second, std::move(secondJob.outcome));

  // Each session holds the fits of its own data, and its own products.
  EXPECT_EQ(std::tuple(first.FitCount.load(), first.FitList.Count(), first.DataStats.ActiveCount),
            std::tuple(firstCount, firstCount, 25));
  EXPECT_EQ(std::tuple(second.FitCount.load(), second.FitList.Count(), second.DataStats.ActiveCount),
            std::tuple(secondCount, secondCount, 36));
  ExpectPlane(PlaneParameters(first), 1, 2, 3);
  ExpectPlane(PlaneParameters(second), 5, -1, 0.5L);
  EXPECT_NE(first.FitListProducts.sums, second.FitListProducts.sums);
  EXPECT_EQ(first.FitListProducts.scales.series.x.halfRange, 2.0L);
  EXPECT_EQ(second.FitListProducts.scales.series.x.halfRange, 2.5L);
  EXPECT_EQ(std::tuple(first.ReviewCurrentRank, second.ReviewCurrentRank), std::tuple(1, 1));

  // Clearing one session's table leaves the other's as it was.
  first.Table.FreePointArray();
  EXPECT_EQ(PointCount(second.Table.XYZData()), 36);
  EXPECT_EQ(second.Table.XYZRows(), 36);
}

// Two sessions fit user functions on two threads, each run from the copies of the
// records its job took: what the sessions do to their records after the jobs were made
// changes nothing of the runs.
TEST(Session, TwoSessionsFitTheirUserFunctionsFromTheirJobsCopies) {
  UserFunctionScope scope;
  DefineUserFunction(1, "Z=A0+A1*X*Y", {1, 1});  // the one compiled program of both
  TSession first, second;
  LoadSurface(first, 5, [](long double x, long double y) { return 2 + 0.5L * x * y + 0.01L * std::sin(x + 2 * y); });
  LoadSurface(second, 6, [](long double x, long double y) { return -1 + 3 * x * y + 0.01L * std::cos(3 * x); });
  for (TSession* s : {&first, &second}) s->UdfTable[1] = std::make_unique<TUdfRecord>(*BoundUdfTable()[1]);
  // The second session bounds A1 by 2 (its data want 3; the bound moves the fit): its own
  // limits are those its run keeps to, not the language's record.
  second.UdfTable[1]->Upper[1] = 2;

  const auto parametersOf = [](const TFitJob& job) {
    const TFitResult* fit = job.outcome.list.At(1);
    return fit ? fit->parameters : std::vector<long double>{};
  };
  TFitJob firstAlone = MakeFitJob(first, TFitSelection{}, first.FitOptions);
  TFitJob secondAlone = MakeFitJob(second, TFitSelection{}, second.FitOptions);
  RunJob(firstAlone);
  RunJob(secondAlone);
  ASSERT_EQ(std::tuple(firstAlone.outcome.list.Count(), secondAlone.outcome.list.Count()), std::tuple(1, 1));

  TFitJob firstJob = MakeFitJob(first, TFitSelection{}, first.FitOptions);
  TFitJob secondJob = MakeFitJob(second, TFitSelection{}, second.FitOptions);
  // After the jobs were made: one session's function gone, the other's bound lifted and its
  // start moved.
  first.UdfTable[1].reset();
  second.UdfTable[1]->Upper.fill(ExprErrorValue);
  second.UdfTable[1]->Start.fill(1e6L);
  std::thread firstRun([&] { RunJob(firstJob); });
  std::thread secondRun([&] { RunJob(secondJob); });
  firstRun.join();
  secondRun.join();
  EXPECT_EQ(parametersOf(firstJob), parametersOf(firstAlone));
  EXPECT_EQ(parametersOf(secondJob), parametersOf(secondAlone));
  PublishFitResults(first, std::move(firstJob.outcome));
  PublishFitResults(second, std::move(secondJob.outcome));
  EXPECT_EQ(std::tuple(first.CurFitEqn().equationNumber, second.CurFitEqn().equationNumber), std::tuple(2502, 2502));
  EXPECT_LD_NEAR(first.CurFitEqn().parameters[1], 0.5L, 1e-3L);
  // The bound made a difference: the same function run without it ends elsewhere.
  TFitJob unbounded = MakeFitJob(second, TFitSelection{}, second.FitOptions);
  unbounded.udfs[1]->Start = secondAlone.udfs[1]->Start;
  RunJob(unbounded);
  EXPECT_NE(parametersOf(unbounded), parametersOf(secondAlone));
}

// The background fit registered for one session voids that session's results when its own
// table is pre-scanned, and only then: a pre-scan of another session's table leaves them.
TEST(Session, APrescanVoidsOnlyTheResultsOfTheSessionWhoseTableItWas) {
  TSession first, second;
  LoadPlane(first, 5, 1, 2, 3);
  LoadPlane(second, 6, 5, -1, 0.5L);
  for (TSession* s : {&first, &second}) {
    TFitJob job = MakeFitJob(*s, LinearSelection(9, 0, 0), s->FitOptions);
    RunJob(job);
    PublishFitResults(*s, std::move(job.outcome));
  }
  // No background fit type: the pre-scan's restart starts no thread.
  const int type = BackgroundFitType();
  const std::uint32_t flags = BackgroundFitFlags();
  SetBackgroundFitChoice(0, 0);
  InstallBackgroundFit(first);
  PrescanData(second);
  EXPECT_EQ(std::tuple(first.FitResultsValid.load(), first.FitCount.load() > 0), std::tuple(1, true));
  PrescanData(first);
  EXPECT_EQ(std::tuple(first.FitResultsValid.load(), first.FitCount.load()), std::tuple(0, 0));
  // The other session's results are its own business: no hook of the first touches them.
  EXPECT_EQ(second.FitResultsValid.load(), 1);
  EXPECT_FALSE(BackgroundFitThreadExists());
  PrescanHooks() = TPrescanHooks{};
  SetBackgroundFitStopper(nullptr);
  SetBackgroundFitChoice(type, flags);
}

// A run that finds nothing publishes an empty list: the session's results are void and its
// old fits gone, exactly as after a run that fitted nothing.
TEST(Session, PublishingAnEmptyRunVoidsTheResults) {
  TSession session;
  LoadPlane(session, 4, 1, 1, 1);
  TFitJob job = MakeFitJob(session, LinearSelection(9, 0, 0), session.FitOptions);
  RunJob(job);
  PublishFitResults(session, std::move(job.outcome));
  ASSERT_GT(session.FitCount.load(), 0);
  PublishFitResults(session, TFitRunOutcome{});
  EXPECT_EQ(std::tuple(session.FitCount.load(), session.FitResultsValid.load(), session.FitList.Count()),
            std::tuple(0, 0, 0));
}

}  // namespace
