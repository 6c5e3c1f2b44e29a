// Start values of the non-linear equations: the peak and transition rules read the shape of
// the data, the exponential and power rules fit three points, the planes take the
// least-squares plane.

#include <array>

#include "fit/nonlinear_start_values.h"
#include "fit_test_data.h"

namespace {

using namespace fit_test;

// A bowl around (4, 3.5): the points nearest to and farthest from the origin are corners
// in the upper half of the z range, so every peak starts as a trough.
TEST(NonlinearStartValues, RimInTheUpperHalfStartsPeaksAsTroughs) {
  PointTable t = GridTable(Axis(2, 0.5L, 9), Axis(1.5L, 0.5L, 9), [](long double x, long double y) {
    return (x - 4) * (x - 4) + (y - 3.5L) * (y - 3.5L);
  });
  const TDataStats s = StatsOf(t);
  const TStartShape shape = StartShapeOf(s);
  ASSERT_EQ(shape.trough, 1);
  std::array<long double, 9> a{};
  PeakStartValues(s, 1, a.data(), shape.trough, 0, 0);  // ProductOffset
  EXPECT_EQ(a[1], s.Z.Max);
  EXPECT_EQ(a[2], -s.Z.Range);
  EXPECT_EQ(a[3], 4);  // the centre at the z minimum
  EXPECT_EQ(std::tuple(a[4], a[5], a[6]), std::tuple(s.X.StdDev / 2, 3.5L, s.Y.StdDev / 2));
  // The log-normal flags fix the widths at 0.2; the shared width is (sd x + sd y)/4.
  PeakStartValues(s, 2, a.data(), 0, 1, 1);
  EXPECT_EQ(a[3], 0.2L);
  PeakStartValues(s, 2, a.data(), 0, 0, 0);
  EXPECT_EQ(a[3], (s.X.StdDev + s.Y.StdDev) / 4);
  EXPECT_EQ(a[1], s.Z.Range);
  EXPECT_EQ(a[2], s.X.AtMax2);  // the centre at the z maximum
}

// Data that fall away from the origin start the transitions with negative widths.
TEST(NonlinearStartValues, FallingDataStartTransitionsWithNegativeWidths) {
  PointTable t = GridTable(Axis(0, 1, 5), Axis(0, 1, 5),
                           [](long double x, long double y) { return 10 - x - 2 * y; });
  const TDataStats s = StatsOf(t);
  const TStartShape shape = StartShapeOf(s);
  EXPECT_EQ(shape.direction, -1.0L);
  std::array<long double, 9> a{};
  TransitionStartValues(s, 12 + 5, a.data(), shape.direction, 0, 0);  // SumOffset
  EXPECT_EQ(std::tuple(a[1], a[2], a[3], a[4], a[7]),
            std::tuple(s.Z.Min, s.Z.Range / 2, (s.X.AtMin2 + s.X.AtMax2) / 2, -s.X.StdDev / 2, -s.Y.StdDev / 2));
}

TEST(NonlinearStartValues, ThreePointFitsAreExactOnTheirOwnCurves) {
  const long double t[3] = {0.5L, 1.5L, 3.0L};
  long double zp[3], ze[3];
  for (int i = 0; i < 3; ++i) {
    zp[i] = 2 * std::pow(t[i], 1.5L);
    ze[i] = 3 * std::exp(-t[i] / 2);
  }
  long double out[2] = {-1, -1};
  ASSERT_TRUE(FitPowerLawThreePoints(3, t, zp, out));
  EXPECT_NEAR(static_cast<double>(out[0]), 2.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(out[1]), 1.5, 1e-15);
  ASSERT_TRUE(FitExponentialThreePoints(3, t, ze, out));
  EXPECT_NEAR(static_cast<double>(out[0]), 3.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(out[1]), 2.0, 1e-15);

  // Three equal abscissas: singular, nothing written.
  const long double same[3] = {2, 2, 2};
  long double kept[2] = {7, 8};
  EXPECT_FALSE(FitPowerLawThreePoints(3, same, zp, kept));
  EXPECT_FALSE(FitExponentialThreePoints(3, same, ze, kept));
  EXPECT_EQ(kept[0], 7);
  EXPECT_EQ(kept[1], 8);
  // A constant z has no slope: the exponential keeps its length and takes the amplitude.
  const long double flat[3] = {4, 4, 4};
  EXPECT_TRUE(FitExponentialThreePoints(3, t, flat, kept));
  EXPECT_NEAR(static_cast<double>(kept[0]), 4.0, 1e-15);
  EXPECT_EQ(kept[1], 8);
}

// The caches are filled once and reused until the statistics are computed again.
TEST(NonlinearStartValues, CachesAreFilledOnceAndReused) {
  PointTable t = GridTable(Axis(1, 1, 4), Axis(1, 1, 4), [](long double x, long double y) {
    return 2 * std::exp(-x / 3) * std::exp(-y / 4);
  });
  TDataStats s = StatsOf(t);
  ASSERT_EQ(s.StartCacheB[0], -1.0L);
  std::array<long double, 5> a{};
  ExponentialStartValues(s, 24 + 6, a.data());  // LineY: Zmin, 0, E1, E2
  EXPECT_NE(s.StartCacheB[0], -1.0L);
  EXPECT_EQ(a[3], s.StartCacheB[0]);
  EXPECT_EQ(a[4], s.StartCacheB[1]);
  // Along the lower y edge z = 2 e^(-1/4) e^(-x/3): E1, E2 recover it.
  EXPECT_NEAR(static_cast<double>(s.StartCacheB[0]), static_cast<double>(2 * std::exp(-0.25L)), 1e-14);
  EXPECT_NEAR(static_cast<double>(s.StartCacheB[1]), 3.0, 1e-14);

  const long double before = s.StartCacheB[4];
  s.Z.AtPos[4] *= 2;  // a second equation of the same run does not refit
  ExponentialStartValues(s, 24 + 4, a.data());
  EXPECT_EQ(s.StartCacheB[4], before);
  EXPECT_EQ(a[1], before / 2);

  // The power cache starts at 1 and keeps 1 where nothing could be fitted.
  PowerStartValues(s, 36 + 6, a.data());
  EXPECT_NE(s.StartCacheA[0], -1.0L);
}

TEST(NonlinearStartValues, PlanesTakeTheLeastSquaresPlaneAndTheirRobustMode) {
  PointTable t = GridTable(Axis(0, 1, 4), Axis(0, 1, 4),
                           [](long double x, long double y) { return 1 + 2 * x + 3 * y; });
  TDataStats s = StatsOf(t);
  std::array<long double, 4> a{};
  int mode = 0;
  const TNonlinearEntry e = BuiltinNonlinearEntry(170);
  ASSERT_TRUE(NonlinearStartValues(s, e, a.data(), TStartShape{}, mode));
  EXPECT_EQ(mode, 2);
  EXPECT_NEAR(static_cast<double>(a[1]), 1.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(a[2]), 2.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(a[3]), 3.0, 1e-15);
  EXPECT_FALSE(NonlinearStartValues(s, TNonlinearEntry{}, a.data(), TStartShape{}, mode));
}

}  // namespace
