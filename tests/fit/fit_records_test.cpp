#include "fit/fit_records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <tuple>

#include "fit/fit_list.h"
#include "fit/fit_session.h"
#include "fit/fit_side.h"
#include "fit/session.h"
#include "fit/fit_statistics.h"

namespace {

TEST(FitRecords, EquationNumberDecidesTheKind) {
  const std::pair<int, int> cases[] = {{1, 1},    {999, 1},  {1000, 2}, {1999, 2}, {2000, 3},
                                       {2172, 3}, {2515, 3}, {2999, 3}, {3000, 4}, {151232259, 4}};
  for (const auto& [number, kind] : cases) EXPECT_EQ(KindOfEquation(number), kind) << number;
}

TEST(FitRecords, NewRecordHoldsMPlusOneZeroedEntries) {
  auto r = NewFitResult(3);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(std::tuple(r->m, r->procedure, r->parameters, r->terms),
            std::tuple(3, 0, std::vector<long double>(4, 0.0L), std::vector<std::int32_t>(4, 0)));
  EXPECT_NE(NewFitResult(kMaxFitM), nullptr);
  EXPECT_EQ(NewFitResult(kMaxFitM + 1), nullptr);
  EXPECT_EQ(NewFitResult(-1), nullptr);
}

TEST(FitStatisticsTest, DefinitionsOnAnOrdinaryFit) {
  // n = 20 points, 4 parameters, SST 10, SSE 2.
  const FitStatistics s = ComputeFitStatistics(2.0L, 10.0L, 20, 3);
  EXPECT_EQ(s.r2, 1.0L - 2.0L / 10.0L);
  // Closed forms: 1 - 38/150, sqrt(1/8), (8/3)/(1/8) = 64/3.
  EXPECT_LT(std::fabs(s.adjustedR2 - (1.0L - 38.0L / 150.0L)), 1e-18L);
  EXPECT_LT(std::fabs(s.fitStdError - std::sqrt(0.125L)), 1e-18L);
  EXPECT_LT(std::fabs(s.f - 64.0L / 3.0L), 1e-17L);
  // Stored into a record with its m.
  auto r = NewFitResult(3);
  StoreFitStatistics(*r, 2.0L, 10.0L, 20);
  EXPECT_EQ(std::tuple(r->sse, r->r2, r->f), std::tuple(2.0L, s.r2, s.f));
}

// A term-subset fit is measured at the data (its SSE is never below 0): an SSE of 0 is an
// exact fit, and a negative one, however small, is no sum of squares. (A negative SSE of the
// correlation form within a thousandth of SST was once taken as 0, listing r² 1 for fits
// whose equations were not exact.)
TEST(FitStatisticsTest, ZeroSseIsAnExactFitAndNoNegativeSseIsAccepted) {
  const long double sst = 37.5L;
  ASSERT_TRUE(SseAcceptable(0.0L, sst));
  const FitStatistics s = ComputeFitStatistics(0.0L, sst, 30, 4);
  EXPECT_EQ(std::tuple(s.r2, s.adjustedR2, s.fitStdError, s.f), std::tuple(1.0L, 1.0L, 0.0L, 1e300L));
  EXPECT_FALSE(SseAcceptable(-0.0005L * sst, sst));
  EXPECT_FALSE(SseAcceptable(-0.002L * sst, sst));
}

TEST(FitStatisticsTest, PolynomialSseClearedOnlyWithinTheAbsoluteBound) {
  const long double sst = 1e-12L;  // the bound does not scale with the data
  EXPECT_EQ(ClearTinyNegativeSse(-5e-8L), 0.0L);
  EXPECT_TRUE(SseAcceptable(ClearTinyNegativeSse(-5e-8L), sst));
  EXPECT_EQ(ClearTinyNegativeSse(-2e-7L), -2e-7L);
  EXPECT_FALSE(SseAcceptable(ClearTinyNegativeSse(-2e-7L), 1e6L));
  EXPECT_EQ(ClearTinyNegativeSse(3.0L), 3.0L);
}

TEST(FitStatisticsTest, OnlySseBetweenZeroAndSstIsAcceptable) {
  constexpr long double kInf = std::numeric_limits<long double>::infinity();
  EXPECT_TRUE(SseAcceptable(0.0L, 0.0L) && SseAcceptable(5.0L, 5.0L));
  EXPECT_FALSE(SseAcceptable(5.0000001L, 5.0L));
  EXPECT_FALSE(SseAcceptable(std::numeric_limits<long double>::quiet_NaN(), 5.0L));
  EXPECT_FALSE(SseAcceptable(kInf, kInf));
}

TEST(FitStatisticsTest, StatisticsThatCannotBeFormedRankLast) {
  struct Case {
    const char* what;
    long double sse, sst;
    int n, m;
    long double r2, adjustedR2, fitStdError, f;
  };
  const long double kLow = kUndefinedDescending;
  const long double kHigh = kUndefinedStdError;
  const Case cases[] = {
      // Constant Z: SST 0, and only an exact fit is acceptable.
      {"constant z", 0.0L, 0.0L, 10, 2, kLow, kLow, 0.0L, 1e300L},
      // As many parameters as points (no DOF for error): n - m - 1 = 0, n - m - 2 = -1.
      {"saturated with residual", 1e-20L, 4.0L, 5, 4, 1.0L - 1e-20L / 4.0L, kLow, kHigh, kLow},
      // Exact, but 0/0 is no variance: neither a fit standard error nor F exists.
      {"saturated exact", 0.0L, 4.0L, 5, 4, 1.0L, kLow, kHigh, kLow},
      // An exact fit with a degree of freedom left: no error, F unbounded.
      {"exact with a degree left", 0.0L, 4.0L, 5, 3, 1.0L, kLow, 0.0L, 1e300L},
      // n - m - 2 = 0.
      {"no DOF for adjustment", 1.0L, 4.0L, 5, 3, 0.75L, kLow, 1.0L, 1.0L},
      // A fit of the mean alone: m = 0.
      {"mean only", 4.0L, 4.0L, 8, 0, 0.0L, 1.0L - 7.0L * 4.0L / (6.0L * 4.0L),
       std::sqrt(4.0L / 7.0L), kLow},
  };
  for (const Case& c : cases) {
    const FitStatistics s = ComputeFitStatistics(c.sse, c.sst, c.n, c.m);
    EXPECT_EQ(std::tuple(s.r2, s.adjustedR2, s.fitStdError, s.f), std::tuple(c.r2, c.adjustedR2, c.fitStdError, c.f))
        << c.what;
  }
}

TEST(FitStatisticsTest, NoInputEverYieldsANonFiniteStatistic) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double values[] = {0.0L, -0.0L, 1.0L, -1.0L, 1e-4000L, 1e4000L, inf, -inf, nan};
  for (long double sse : values)
    for (long double sst : values)
      for (int n = 0; n <= 6; ++n)
        for (int m = 0; m <= 6; ++m) {
          const FitStatistics s = ComputeFitStatistics(sse, sst, n, m);
          ASSERT_TRUE(std::isfinite(s.r2) && std::isfinite(s.adjustedR2) &&
                      std::isfinite(s.fitStdError) && std::isfinite(s.f))
              << "sse " << static_cast<double>(sse) << " sst " << static_cast<double>(sst) << " n "
              << n << " m " << m;
        }
}

class FitListTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(session_.FitList.BeginRun()); }

  static std::unique_ptr<TFitResult> Fit(int number) {
    auto r = NewFitResult(2);
    r->equationNumber = number;
    return r;
  }
  TFitSession session_;
};

TEST_F(FitListTest, FullListRefusesRecordsAndCountsThem) {
  for (int i = 1; i <= kFitListCapacity; ++i) ASSERT_TRUE(session_.FitList.Append(Fit(i)));
  EXPECT_TRUE(session_.FitList.Full());
  EXPECT_EQ(session_.FitList.Header()->m, 5999);
  EXPECT_FALSE(session_.FitList.Append(Fit(99999)));
  EXPECT_FALSE(session_.FitList.Append(Fit(99999)));
  EXPECT_EQ(std::tuple(session_.FitList.Count(), session_.FitList.Refused(), session_.FitList.At(5999)->equationNumber),
            std::tuple(5999, 2, 5999));
  EXPECT_EQ(session_.FitList.At(6000), nullptr);
  // A new run starts empty and forgets the refusals.
  ASSERT_TRUE(session_.FitList.BeginRun());
  EXPECT_EQ(std::tuple(session_.FitList.Count(), session_.FitList.Refused(), session_.FitList.At(1)), std::tuple(0, 0, nullptr));
}

TEST_F(FitListTest, AppendFillsSlotsInOrderAndTruncateTakesThemBack) {
  for (int number : {11, 1001, 2003}) ASSERT_TRUE(session_.FitList.Append(Fit(number)));
  EXPECT_FALSE(session_.FitList.Append(nullptr));
  EXPECT_EQ(session_.FitList.Count(), 3);
  EXPECT_EQ(session_.FitList.At(2)->equationNumber, 1001);
  EXPECT_EQ(session_.FitList.At(0), nullptr);
  EXPECT_EQ(session_.FitList.Ranked().size(), 3u);
  session_.FitList.Truncate(1);
  EXPECT_EQ(session_.FitList.Count(), 1);
  EXPECT_EQ(session_.FitList.At(2), nullptr);
  EXPECT_EQ(session_.FitList.Ranked().size(), 1u);
  // The ranking sort exchanges slots in place.
  ASSERT_TRUE(session_.FitList.Append(Fit(3021)));
  std::swap(session_.FitList.Ranked()[0], session_.FitList.Ranked()[1]);
  EXPECT_EQ(session_.FitList.At(1)->equationNumber, 3021);
}

TEST_F(FitListTest, UdfRanksAreThoseOfTheUserFunctionNumbers) {
  for (int number : {2500, 2501, 2515, 2516}) ASSERT_TRUE(session_.FitList.Append(Fit(number)));
  session_.FitCount = session_.FitList.Count();
  for (int rank = 0; rank <= 5; ++rank) EXPECT_EQ(IsUdfRank(session_, rank), rank == 2 || rank == 3) << rank;
  session_.FitCount = 1;  // a voided or shorter run: ranks beyond the count are not fits
  EXPECT_EQ(IsUdfRank(session_, 2), 0);
}

long double FakeT(long double dof) { return 2.0L + 1.0L / dof; }
long double FailingT(long double) { return std::numeric_limits<long double>::quiet_NaN(); }

TEST(FitEqnRecord, FilledFromARecordWithItsDegreesOfFreedom) {
  auto r = NewFitResult(2);
  r->equationNumber = 1001;
  r->parameters = {1.0L, 2.0L, 3.0L};
  r->terms = {0, 5, 7};
  r->descriptor = {5, 2, 0, 8, 1, 0};
  r->procedure = 2;
  StoreFitStatistics(*r, 1.0L, 8.0L, 10);
  TFitEqn eqn;
  FillFitEqnFromResult(eqn, *r, 4, 8.0L, 10);
  EXPECT_EQ(std::tuple(eqn.rank, eqn.kind, eqn.m, eqn.dof, eqn.terms[2], eqn.descriptor[3], eqn.procedure),
            std::tuple(4, kKindRational, 2, 7, 7, 8, 2));
  EXPECT_EQ(std::tuple(eqn.parameters[1], eqn.parameters[3], eqn.sst, eqn.f), std::tuple(2.0L, 0.0L, 8.0L, r->f));
  // With n - m - 1 = 0 the degrees of freedom are 1.
  FillFitEqnFromResult(eqn, *r, 1, 8.0L, 3);
  EXPECT_EQ(eqn.dof, 1);
  EXPECT_EQ(FitEqnDof(0, 69), 1);
}

// From the start of the program the t values come from the expression library's Student-t
// critical values (their values: the expression tests; their use in a refit: the plane of
// the fit-use tests).
class FitEqnTFunctions : public ::testing::Test {
 protected:
  void TearDown() override { InstallFitEqnTFunctions(kStudentTFunctions); }
};

TEST_F(FitEqnTFunctions, TValuesComeFromTheInstalledFunctions) {
  // The session's current fit and a render-side fit, as the program starts them.
  const auto session = std::make_unique<TSession>();
  const TFitSide renderFit;
  for (const TFitEqn* eqn : {&session->CurFitEqn(), &renderFit.eqn}) {
    EXPECT_EQ(eqn->tFunctions, kStudentTFunctions);
    EXPECT_EQ(eqn->levelWords, kConfidenceLevelWords);
  }
  TFitEqn eqn;
  eqn.dof = 4;
  eqn.fitStdError = 0.5L;
  FillFitEqnTValues(eqn);  // nothing installed: missing values, never a call through null
  for (int level = 0; level < kConfidenceLevelCount; ++level) {
    EXPECT_EQ(std::tuple(eqn.tValues[level], eqn.tTimesStdError[level]), std::tuple(ExprErrorValue, ExprErrorValue));
  }
  InstallFitEqnTFunctions({FakeT, FakeT, FakeT, FakeT, FailingT});
  const TFitSide current, render;  // fits made after the install
  EXPECT_EQ(current.eqn.levelWords, (std::array<std::int32_t, 5>{90, 95, 99, 99, 99}));
  EXPECT_EQ(render.eqn.tFunctions[0], &FakeT);
  eqn.tFunctions = current.eqn.tFunctions;
  FillFitEqnTValues(eqn);
  EXPECT_EQ(std::tuple(eqn.tValues[0], eqn.tTimesStdError[0], eqn.tValues[4]),
            std::tuple(2.25L, 1.125L, ExprErrorValue));
}

}  // namespace
