// The guard of surfaces beyond the hull: which points lie beyond it (within a millionth of
// its extent they do not), the nearest point of the hull from beyond a side and from a
// corner's wedge, and the hold within a few noise widths of the value there, which data
// without noise never meet.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "noisy_tables.h"
#include "smooth/engines/hull_guard.h"

namespace {

// The unit square's corners and points inside it, with values of noise 1 about 10.
THullGuard NoisySquare() {
  smooth_test::TSplitMix random(3);
  std::vector<double> x = {0, 1, 1, 0}, y = {0, 0, 1, 1}, z;
  for (int i = 0; i < 400; ++i) {
    x.push_back(0.01 + 0.98 * static_cast<double>(random.Next()));
    y.push_back(0.01 + 0.98 * static_cast<double>(random.Next()));
  }
  for (std::size_t i = 0; i < x.size(); ++i) z.push_back(10 + static_cast<double>(random.Normal()));
  return THullGuard(x, y, z);
}

TEST(HullGuard, BeyondTheSidesAndCorners) {
  const THullGuard g = NoisySquare();
  ASSERT_FALSE(g.Empty());
  for (const auto& [px, py] : std::vector<std::pair<double, double>>{
           {0.5, 0.5}, {0, 0}, {1, 1}, {0.5, 0}, {0, 0.3}, {1, 0.999}, {0.5, -1e-7}, {1 + 1e-7, 0.4}})
    EXPECT_FALSE(g.Beyond(px, py)) << px << ", " << py;
  for (const auto& [px, py] : std::vector<std::pair<double, double>>{
           {0.5, -1e-5}, {-1e-5, 0.5}, {1.1, 0.5}, {0.5, 1.2}, {-1, -1}, {2, 2}, {1.5, -0.5}, {-0.2, 0.99}})
    EXPECT_TRUE(g.Beyond(px, py)) << px << ", " << py;
  // A triangle, whose fan from its first corner has one triangle.
  const std::vector<double> tx = {0, 2, 0}, ty = {0, 0, 2}, tz = {1, 2, 3};
  const THullGuard t(tx, ty, tz);
  EXPECT_FALSE(t.Beyond(0.5, 0.5));
  EXPECT_FALSE(t.Beyond(1, 1));
  EXPECT_TRUE(t.Beyond(1.1, 1.1));
  EXPECT_TRUE(t.Beyond(-0.1, 1));
  // Points on one line make no hull: nothing is beyond it.
  const std::vector<double> lx = {0, 1, 2, 3}, ly = {0, 1, 2, 3};
  const THullGuard line(lx, ly, lx);
  EXPECT_TRUE(line.Empty());
  EXPECT_FALSE(line.Beyond(5, -5));
}

TEST(HullGuard, TheFootIsTheNearestPointOfTheHull) {
  const THullGuard g = NoisySquare();
  auto foot = [&g](double x, double y) { return g.Foot(x, y); };
  EXPECT_EQ(foot(0.3, -2), (std::pair<double, double>{0.3, 0}));    // beyond a side
  EXPECT_EQ(foot(1.5, 0.25), (std::pair<double, double>{1, 0.25}));
  EXPECT_EQ(foot(-1, 3), (std::pair<double, double>{0, 1}));        // in a corner's wedge
  EXPECT_EQ(foot(2, -0.5), (std::pair<double, double>{1, 0}));
}

TEST(HullGuard, HoldsWithinAFewNoiseWidthsOfTheFoot) {
  const THullGuard g = NoisySquare();
  bool held = false;
  // Noise 1: the allowance is about three noise widths.
  EXPECT_EQ(g.Hold(10, 11.5, &held), 11.5);
  EXPECT_FALSE(held);
  const double up = g.Hold(10, 200, &held);
  EXPECT_TRUE(held);
  EXPECT_GT(up, 12.5);
  EXPECT_LT(up, 14);
  EXPECT_NEAR(g.Hold(10, -200), 20 - up, 1e-12);
  EXPECT_TRUE(g.MayHold(200));
  // A value that is no number is left as it is.
  EXPECT_TRUE(std::isnan(g.Hold(10, std::numeric_limits<double>::quiet_NaN())));

  // Data without noise (a plane) are never held, however far they reach.
  std::vector<double> x, y, z;
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j) {
      x.push_back(i * 0.1);
      y.push_back(j * 0.1 + 0.01 * i);
      z.push_back(3 * x.back() - y.back());
    }
  const THullGuard plane(x, y, z);
  EXPECT_FALSE(plane.MayHold(1e6));
  EXPECT_EQ(plane.Hold(0, 1e6, &held), 1e6);
  EXPECT_FALSE(held);
}

}  // namespace
