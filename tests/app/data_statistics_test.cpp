#include "app/data_statistics.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/data_session.h"
#include "app/data_signature.h"
#include "app/long_double.h"
#include "app/prescan_hooks.h"
#include "app/test_points.h"
#include "platform/busy_window.h"

namespace {

using LDs = std::vector<long double>;

// Loads the points into the session's XYZ data table.
void Load(TDataSession& session, const std::vector<TestPoint>& points) {
  ASSERT_TRUE(session.Table.ReplaceDataTable(TableOf(points)));
}

// Relative difference in units of the long double epsilon.
long double Ulps(long double a, long double b) {
  return std::fabs(a - b) / (std::fabs(b) * std::numeric_limits<long double>::epsilon());
}

// sqrt(5/3) = 1.29099444873580562839308846659 (mpmath, 30 digits): the sample standard
// deviation of 1, 2, 3, 4.
constexpr long double kSdOneToFour = 1.29099444873580562839308846659L;

TEST(DataStatistics, UnitWeightsGiveTheSampleStandardDeviation) {
  TDataSession session;
  Load(session, {{1, 10, 5}, {2, 20, 6}, {3, 30, 7}, {4, 40, 8}});
  ASSERT_EQ(ComputeDataStatistics(session.Table, session.DataStats), 4);
  EXPECT_EQ(static_cast<double>(session.DataStats.X.StdDev), 1.2909944487358056);
  EXPECT_LE(Ulps(session.DataStats.X.StdDev, kSdOneToFour), 2);
  EXPECT_LE(Ulps(session.DataStats.Y.StdDev, 12.9099444873580562839308846659L), 2);
  const TDataStats& s = session.DataStats;
  // SSTotal = (1.5^2 + 0.5^2) * 2.
  EXPECT_EQ((LDs{s.X.Mean, s.X.Min, s.X.Max, s.X.Range, s.WeightScale, s.SSTotal}), (LDs{2.5L, 1, 4, 3, 1, 5}));
  EXPECT_EQ(session.Table.XYZRows(), 4);
}

TEST(DataStatistics, WeightedDeviationDividesByTheSumOfWeightsLessOneAndKeepsEveryDigit) {
  // Weights s, 2s, 3s, 4s on x = 1..4: mean 3, sum w (x-3)^2 = 10s, deviation
  // sqrt(10s / (10s - 1)) (mpmath, 30 digits). Weights summing to 1 or less leave no degree
  // of freedom: the deviation is missing.
  struct Case {
    long double scale, sd;
  };
  TDataStats s;
  for (const Case c : {Case{1, 1.05409255338945977733296451481L}, Case{1e6L, 1.00000005000000375000031250003L},
                       Case{0.125L, 2.23606797749978969640917366873L}, Case{0.0625L, ExprErrorValue},
                       Case{1e-6L, ExprErrorValue}}) {
    PointTable t = TableOf({{1, 0, 0, 1 * c.scale}, {2, 1, 0, 2 * c.scale}, {3, 0, 1, 3 * c.scale},
                            {4, 1, 1, 4 * c.scale}});
    ASSERT_EQ(ComputeTableStatistics(t, s), 4);
    if (IsMissingValue(c.sd))
      EXPECT_EQ(s.X.StdDev, ExprErrorValue) << static_cast<double>(c.scale);
    else
      EXPECT_LE(Ulps(s.X.StdDev, c.sd), 8) << static_cast<double>(c.scale);
    EXPECT_LE(Ulps(s.X.Mean, 3), 4);
    EXPECT_LE(Ulps(s.WeightScale, 0.4L / c.scale), 4);
  }
  // Weights summing to exactly 1 (four quarters).
  PointTable quarters = TableOf({{1, 0, 0, 0.25L}, {2, 0, 0, 0.25L}, {3, 0, 0, 0.25L}, {4, 0, 0, 0.25L}});
  ASSERT_EQ(ComputeTableStatistics(quarters, s), 4);
  EXPECT_EQ(s.X.StdDev, ExprErrorValue);
  EXPECT_EQ(AxisSpread(s.X), 0.75L);  // the scales fall back on a quarter of the range
  // x = 1e9 + 1 .. 1e9 + 4 has the same spread as 1 .. 4.
  PointTable far = TableOf({{1e9L + 1, 0, 1e12L + 1}, {1e9L + 2, 1, 1e12L + 2},
                            {1e9L + 3, 0, 1e12L + 3}, {1e9L + 4, 1, 1e12L + 4}});
  ASSERT_EQ(ComputeTableStatistics(far, s), 4);
  EXPECT_LE(Ulps(s.X.StdDev, kSdOneToFour), 2);
  EXPECT_EQ(AxisSpread(s.X), s.X.StdDev);
  EXPECT_LE(Ulps(s.SSTotal, 5), 2);
}

// Forty weighted points, x = (7i mod 13) + i/4, y = (11i mod 17)/2, z = i^2 mod 23, weight
// (i mod 4) + 1: the deviation is sqrt((sum w v^2 sum w - (sum w v)^2) / (sum w (sum w - 1))),
// values from mpmath at 40 digits, and numpy.cov(v, fweights=w) agrees to its 16 digits
// (4.722918546403229, 2.4789212381700447, 5.784863564912008). The same weights divided by
// 64 sum to 1.5625.
TEST(DataStatistics, WeightedDeviationOfFortyPoints) {
  struct Case {
    long double divisor;
    std::array<long double, 3> sd;
  };
  for (const Case c : {Case{1, {4.7229185464032296774056375419L, 2.47892123817004420986693234175L,
                                5.78486356491200790069600404267L}},
                       Case{64, {7.83207436691512071146053281565L, 4.11082581592663554792703317815L,
                                 9.59311095410543960512221238442L}}}) {
    std::vector<TestPoint> points;
    for (int i = 1; i <= 40; ++i)
      points.push_back({(i * 7 % 13) + i / 4.0L, (i * 11 % 17) / 2.0L, static_cast<long double>(i * i % 23),
                        (i % 4 + 1) / c.divisor});
    PointTable t = TableOf(points);
    TDataStats s;
    ASSERT_EQ(ComputeTableStatistics(t, s), 40);
    EXPECT_LE(Ulps(s.X.StdDev, c.sd[0]), 16) << static_cast<double>(c.divisor);
    EXPECT_LE(Ulps(s.Y.StdDev, c.sd[1]), 16) << static_cast<double>(c.divisor);
    EXPECT_LE(Ulps(s.Z.StdDev, c.sd[2]), 16) << static_cast<double>(c.divisor);
  }
}

TEST(DataStatistics, UnusablePointsAreMadeInactive) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double inf = std::numeric_limits<long double>::infinity();
  PointTable t = TableOf({{1, 1, 1},
                          {2, 2, 2e300},  // beyond 1e300
                          {nan, 3, 3},    // NaN passes no magnitude test
                          {4, -inf, 4},
                          {5, 5, ExprErrorValue},  // the missing value is never fitted
                          {6, 6, 6, nan},
                          {7, 7, 7},
                          {7.5L, 7, 7, -2},  // a negative weight
                          {8, 8, 8, 1, kPointInactive},
                          {9, 9, 9}});
  TDataStats s;
  ASSERT_EQ(ComputeTableStatistics(t, s), 3);
  EXPECT_EQ(s.ActiveCount, 3);
  std::string status;
  for (int i = 1; i <= 10; ++i) status += t[i].Status;
  EXPECT_EQ(status, " ***** ** ");
  EXPECT_EQ(s.X.Max, 9);
  EXPECT_EQ(s.Z.Mean, (1 + 7 + 9) / 3.0L);
  // Radii are written for every record, active or not.
  EXPECT_EQ(t[9].RXY, std::sqrt(128.0L));
  EXPECT_EQ(t[9].RXYZ, std::sqrt(192.0L));
}

TEST(DataStatistics, FewerThanThreeActivePointsLeaveNothingOfEarlierData) {
  TDataSession session;
  Load(session, {{1, 1, 1}, {2, 5, 2}, {3, 2, 7}, {4, 9, 3}});
  ASSERT_EQ(ComputeDataStatistics(session.Table, session.DataStats), 4);
  ASSERT_NE(session.DataStats.X.Mean, 0);
  Load(session, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3, 1, kPointInactive}});
  PrescanData(session);
  const TDataStats& s = session.DataStats;
  EXPECT_EQ(s.ActiveCount, 2);
  // The two points' extremes are figures; the weighted figures are missing, never 0.
  EXPECT_EQ((LDs{s.X.Mean, s.X.StdDev, s.PlaneB, s.X.Range, s.StartCacheA[0]}), (LDs{ExprErrorValue, ExprErrorValue, 0, 1, -1}));
  EXPECT_EQ((LDs{s.X.Min, s.X.Max, s.Z.Max, s.Y.AtPos[4]}), (LDs{1, 2, 2, ExprErrorValue}));
  EXPECT_EQ(session.DataFingerprint, DataSignature(session.Table.XYZData()));
  EXPECT_EQ(s.DistinctX, 2);
}

TEST(DataStatistics, ExtremesAndNinePositionsRecordTheirPartnerCoordinatesEarliestFirst) {
  PointTable t = TableOf({{3, 7, 0.5L}, {1, 8, 2}, {1, 9, 3}, {5, 2, 9}, {2, 2, -1}});
  TDataStats s;
  ASSERT_EQ(ComputeTableStatistics(t, s), 5);
  // X minimum 1 first at (1, 8, 2), maximum at (5, 2, 9); Y minimum 2 first at (5, 2, 9);
  // Z minimum at (2, 2, -1), maximum at (5, 2, 9). Smallest radius sqrt(x^2+y^2) at
  // (2, 2), largest at (1, 9).
  EXPECT_EQ((LDs{s.Y.AtMin1, s.Z.AtMin1, s.Y.AtMax1, s.Z.AtMax1, s.X.AtMin1, s.Z.AtMin2, s.X.AtMin2,
                 s.Y.AtMin2, s.X.AtMax2, s.Z.AtMinRXY, s.Z.AtMaxRXY}),
            (LDs{8, 2, 2, 9, 5, 9, 2, 2, 5, -1, 3}));
  // The header carries the Z range.
  EXPECT_EQ(t[0].Z, -1);
  EXPECT_EQ(t[0].RXYZ, 9);

  std::vector<TestPoint> grid;
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) grid.push_back({i * 10.0L, j * 100.0L, 10.0L * j + i});
  PointTable g = TableOf(grid);
  ASSERT_EQ(ComputeTableStatistics(g, s), 9);
  // Order (Xmax,Ymin), (Xmean,Ymin), (Xmin,Ymin), (Xmax,Ymean), ... (Xmin,Ymax).
  EXPECT_EQ(LDs(s.Z.AtPos, s.Z.AtPos + 9), (LDs{2, 1, 0, 12, 11, 10, 22, 21, 20}));
  EXPECT_EQ(s.X.AtPos[0], 20);
  EXPECT_EQ(s.Y.AtPos[8], 200);
}

TEST(DataStatistics, PlaneIsRecoveredExactlyAndSingularSystemsGiveOnes) {
  std::vector<TestPoint> pts;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 4; ++j) {
      const long double x = 1e6L + i, y = 3.0L * j - 2;
      pts.push_back({x, y, 2 + 3 * (x - 1e6L) - 4 * y});
    }
  PointTable t = TableOf(pts);
  TDataStats s;
  ASSERT_EQ(ComputeTableStatistics(t, s), 20);
  EXPECT_LE(std::fabs(s.PlaneB - 3), 1e-15L);
  EXPECT_LE(std::fabs(s.PlaneC + 4), 1e-15L);
  EXPECT_LE(std::fabs(s.PlaneA - (2 - 3e6L)), 1e-8L);
  // x constant; x and y on a line.
  for (const auto& singular : {std::vector<TestPoint>{{0.1L, 1, 1}, {0.1L, 2, 5}, {0.1L, 3, 2}, {0.1L, 4, 8}},
                               std::vector<TestPoint>{{0.1L, 0.3L, 1}, {0.2L, 0.6L, 5}, {0.3L, 0.9L, 2}, {0.7L, 2.1L, 8}}}) {
    PointTable u = TableOf(singular);
    ASSERT_EQ(ComputeTableStatistics(u, s), 4);
    EXPECT_EQ((LDs{s.PlaneA, s.PlaneB, s.PlaneC}), (LDs{1, 1, 1})) << static_cast<double>(singular[1].y);
  }
}

TEST(DataStatistics, RangesWidenAConstantAxisAndCoverAnyTable) {
  TDataSession session;
  Load(session, {{2, 1, 5}, {2, 3, 6}, {2, 4, 7}, {2, 8, 5}});
  ASSERT_EQ(ComputeDataStatistics(session.Table, session.DataStats), 4);
  EXPECT_EQ(session.DataStats.X.Range, 0);
  long double x0, x1, y0, y1, z0, z1;
  GetDataRanges(session.DataStats, x0, x1, y0, y1, z0, z1);
  EXPECT_EQ((LDs{x0, x1, y0, y1, z1}), (LDs{1.5L, 2.5L, 1, 8, 7}));

  PointTable t = TableOf({{1, -2, 3}, {-4, 5, 6}, {7, 8, -9, 1, kPointInactive}, {0, 0, 0}});
  EXPECT_EQ(ColumnRangeStatistics(t, x0, x1, y0, y1, z0, z1), 3);
  EXPECT_EQ((LDs{x0, x1, y1, z0, t[0].RXYZ}), (LDs{-4, 1, 5, 0, 6}));
  PointTable empty = NewPointTable(0);
  EXPECT_EQ(ColumnRangeStatistics(empty, x0, x1, y0, y1, z0, z1), 0);
  EXPECT_EQ((LDs{x0, z1}), (LDs{0, 0}));
}

TEST(PureError, ReplicatesGiveTheirSumOfSquaresAndDegreesOfFreedomAndDistinctCountsAreExact) {
  struct Case {
    const char* name;
    std::vector<TestPoint> pts;  // already sorted by x, then y
    long double ss, dof;
  };
  const Case cases[] = {
      {"one pair", {{0, 0, 5}, {1, 1, 1}, {1, 1, 3}, {2, 0, 4}}, 2, 1},
      {"weighted data have none", {{0, 0, 5}, {1, 1, 1, 2}, {1, 1, 3, 2}, {2, 0, 4, 2}}, 0, 0},
      {"pair at the end", {{0, 0, 5}, {1, 1, 1}, {1, 1, 3}}, 2, 1},
      {"triple and pair", {{1, 1, 1}, {1, 1, 2}, {1, 1, 3}, {2, 2, 10}, {2, 2, 14}}, 2 + 8, 3},
      // An inactive record inside a run takes no part, nor does its weight.
      {"inactive inside a run", {{1, 1, 1}, {1, 1, 100, 7, kPointInactive}, {1, 1, 3}, {2, 0, 4}}, 2, 1},
      {"large z keeps its digits", {{1, 1, 1e15L + 1}, {1, 1, 1e15L + 3}}, 2, 1},
      {"no replicate", {{1, 1, 1}, {1, 2, 3}, {2, 1, 3}}, 0, 0},
  };
  for (const Case& c : cases) {
    const TPureError e = TablePureErrorSums(TableOf(c.pts));
    EXPECT_EQ((LDs{e.SS, e.DOF}), (LDs{c.ss, c.dof})) << c.name;
  }
  const long double a = 1.0L;
  const long double b = std::nextafter(a, 2.0L);  // differs in the last mantissa bit
  PointTable t = TableOf({{a, 1, 0}, {b, 1, 0}, {a, 2, 0}, {9, 9, 9, 1, kPointInactive}});
  EXPECT_EQ(CountTableDistinctX(t), 2);
  EXPECT_EQ(CountTableDistinctY(t), 2);
}

// The pre-scan's hooks capture the test's locals: the fixture takes them away whatever
// way the test ends.
class DataStatisticsPrescan : public ::testing::Test {
 protected:
  void TearDown() override { PrescanHooks() = TPrescanHooks{}; }
};

TEST_F(DataStatisticsPrescan, SortsByXThenYAndRunsTheOtherSubsystemsStepsInOrder) {
  TDataSession session;
  Load(session, {{3, 1, 1}, {1, 2, 3}, {2, 9, 2}, {1, 1, 1}, {1, 1, 3}, {3, 0, 4}});
  std::string calls;
  int active_at_udf = -1;
  // The busy window stands from before the scan until the background fit has started.
  auto busy = [&] {
    const platform::BusyState b = platform::CurrentBusyState();
    if (b.shown) calls += b.caption + "|" + b.text + (b.hourglass ? "|wait," : ",");
  };
  TPrescanHooks& hooks = PrescanHooks();
  // Each hook is handed the session whose table was pre-scanned.
  const auto own = [&](const TDataSession& s) { return &s == &session ? "" : "another session's "; };
  hooks.VoidFitResults = [&](TDataSession& s) {
    calls += own(s) + std::string("void,");
    busy();
  };
  hooks.ParseAllUdfParams = [&](TDataSession& s) {
    calls += own(s) + std::string("udf,");
    busy();
    active_at_udf = s.DataStats.ActiveCount;
  };
  hooks.StartBackgroundFit = [&](TDataSession& s) {
    calls += own(s) + std::string("fit,");
    busy();
  };
  PrescanData(session);
  busy();
  EXPECT_EQ(calls, "void,udf,Data PreScan|PreScan in Progess|wait,fit,Data PreScan|PreScan in Progess|wait,");
  EXPECT_EQ(active_at_udf, 6);
  const std::span<TXYZPoint> t = session.Table.XYZData();
  EXPECT_EQ(t[0].SortKey, 0);
  for (int i = 2; i <= 6; ++i)
    EXPECT_TRUE(t[i - 1].X < t[i].X || (t[i - 1].X == t[i].X && t[i - 1].Y <= t[i].Y)) << i;
  const TDataStats& s = session.DataStats;
  EXPECT_EQ((std::vector<int>{s.DistinctX, s.DistinctY}), (std::vector<int>{3, 4}));
  EXPECT_EQ((LDs{s.PureErrorSS, s.PureErrorDOF}), (LDs{2, 1}));
  EXPECT_EQ(session.DataFingerprint, DataSignature(t));
}

}  // namespace
