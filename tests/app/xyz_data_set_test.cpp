#include "app/xyz_data_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "app/point_table.h"

namespace {

PointTable Grid(int nx, int ny) {
  PointTable t = NewPointTable(nx * ny);
  int k = 1;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i, ++k) {
      t[k].X = 0.5L * i;
      t[k].Y = 10.0L + j;
      t[k].Z = i * j;
      t[k].W = 1;
      t[k].Status = kPointActive;
    }
  return t;
}

TEST(DataSet, DetectsAGridInAnyOrder) {
  PointTable t = Grid(4, 3);
  std::reverse(t.begin() + 1, t.end());
  std::swap(t[2], t[7]);
  TXYZ set(t, nullptr);
  EXPECT_EQ(set.count, 12);
  EXPECT_TRUE(set.DetectGrid());
  EXPECT_EQ(std::pair(set.pointsPerRow, set.rows), std::pair(4, 3));
  EXPECT_EQ(t[1].X, 1.5L);  // the caller's table is not reordered

  PointTable missing = Grid(4, 3);
  SetPointCount(missing, 11);
  EXPECT_FALSE(set.DetectGrid(missing));
  EXPECT_EQ(set.pointsPerRow, 0);
  PointTable ragged = Grid(4, 3);
  ragged[8].X = 7;  // one x of the second row out of its column
  EXPECT_FALSE(set.DetectGrid(ragged));
  PointTable one_row = Grid(5, 1);
  EXPECT_FALSE(set.DetectGrid(one_row));
}

TEST(DataSet, StatisticsOfTheSourceAndOfAWorkingCopy) {
  PointTable t = Grid(3, 3);
  TXYZ set(t, nullptr);
  EXPECT_EQ(set.ComputeStats(1), nullptr);  // no working copy yet
  TDataStats* s0 = set.GetStats(0);
  ASSERT_NE(s0, nullptr);
  EXPECT_EQ(s0->ActiveCount, 9);
  // The header of the source gets its Z range.
  EXPECT_EQ((std::vector<long double>{set.xMax, set.yMin, set.zMax, t[0].RXYZ}), (std::vector<long double>{1, 10, 4, 4}));
  set.ResetWork();
  set.Work()[1].X = 100;
  ASSERT_NE(set.ComputeStats(1), nullptr);
  EXPECT_EQ(set.xMax, 100);
  EXPECT_EQ(t[1].X, 0);  // the source is not touched through the copy
  set.RefreshRanges(5);
  EXPECT_EQ(set.xMax, 0);
  EXPECT_EQ(set.GridAxisX(3), (std::vector<double>{0, 0, 0}));
}

TEST(DataSet, StatusAndHeaderExtrasAreRestoredAndCopied) {
  PointTable t = Grid(2, 2);
  t[0].Z = -5;
  t[0].RXYZ = 5;
  TXYZ set(t, nullptr);
  set.SaveStatus();
  set.SaveHeaderExtras();
  t[2].Status = kPointInactive;
  t[0].Z = 0;
  set.RestoreStatus();
  set.RestoreHeaderExtras();
  EXPECT_EQ(t[2].Status, kPointActive);
  EXPECT_EQ(t[0].Z, -5);
  EXPECT_EQ(PointCount(set.MakeMergedCopy()), 4);
  set.CopyHeaderExtras();
  EXPECT_EQ(set.Work()[0].RXYZ, 5);
}

TEST(ScreenIndex, MapsTheWindowOntoScreenCoordinates) {
  PointTable t = NewPointTable(4);
  const long double xs[] = {10, std::nextafter(10.0L, 0.0L), 0, 5};
  for (int i = 1; i <= 4; ++i) t[i].X = xs[i - 1], t[i].Y = 2;
  TXYZ set(t, nullptr);
  set.BuildScreenIndex(0, 10, 0, 4);
  const std::span<TXYZPoint> s = set.Sorted();
  // The window in the header, then the points sorted by x.
  EXPECT_EQ((std::vector<long double>{s[0].Y, s[0].Z, s[0].RXYZ, s[1].X}), (std::vector<long double>{0, 10, 4, 0}));
  EXPECT_EQ(set.ScreenCoords(10, 4), (std::pair<int, int>{kScreenMax, kScreenMax}));
  EXPECT_LE(set.ScreenCoords(xs[1], 0).first, kScreenMax);
  EXPECT_EQ(set.ScreenCoords(5, 2), (std::pair<int, int>{16383, 16383}));
  EXPECT_EQ(set.ScreenCoords(-1, std::nan("")).first, 0);
}

TEST(ScreenIndex, QuadrantsAroundATarget) {
  struct Case {
    int sx, sy, tx, ty, q;
  };
  const Case cases[] = {
      {20, 20, 10, 10, 0}, {5, 20, 10, 10, 1}, {5, 5, 10, 10, 2},   {20, 5, 10, 10, 3},
      {10, 10, 10, 10, 2},  // on the target: left and down
      {5, 5, kScreenMax, 10, 3},  // a target on the right edge puts every point right
      {20, 20, 0, 0, 2},          // and one at the low corner puts every point left-down
  };
  for (const Case& c : cases) EXPECT_EQ(ScreenQuadrant(c.sx, c.sy, c.tx, c.ty), c.q) << c.sx << "," << c.tx;
}

TEST(ScreenIndex, NeighbourhoodCoversQuadrantsAndThreeDistinctRows) {
  // Ten points on y = 0 and one far above.
  PointTable t = NewPointTable(11);
  for (int i = 1; i <= 10; ++i) t[i].X = i - 1;
  t[11].X = 5;
  t[11].Y = 9;
  TXYZ set(t, nullptr);
  EXPECT_TRUE(set.FindNearest(2, 0, 3).empty());  // no screen index yet
  set.BuildScreenIndex(0, 10, 0, 10);

  const PointTable n = set.FindNearest(2, 0, 3);
  ASSERT_EQ(PointCount(n), 4);  // three nearest on one row, plus one with another y
  std::vector<long double> xs;
  for (int i = 1; i <= 4; ++i) xs.push_back(n[i].X);
  std::sort(xs.begin(), xs.end());
  EXPECT_EQ(xs, (std::vector<long double>{1, 2, 3, 5}));
  bool has_far = false;
  for (int i = 1; i <= 4; ++i) {
    const auto [sx, sy] = set.ScreenCoords(n[i].X, n[i].Y);
    const auto [tx, ty] = set.ScreenCoords(2, 0);
    EXPECT_EQ(n[i].RXY, static_cast<long double>((sx - tx) * (sx - tx) + (sy - ty) * (sy - ty)));
    has_far |= n[i].Y == 9;
  }
  EXPECT_TRUE(has_far);

  // All points: every one with its distance, as every other list carries it.
  const PointTable all = set.FindNearest(2, 0, 11);
  ASSERT_EQ(PointCount(all), 11);
  for (int i = 1; i <= 11; ++i) EXPECT_GE(all[i].RXY, 0);
  EXPECT_EQ(all[3].RXY, 0);  // x = 2 is the target itself
  EXPECT_TRUE(set.FindNearest(2, 0, 0).empty());
  EXPECT_TRUE(set.FindNearest(2, 0, 12).empty());
}

TEST(ScreenIndex, EveryOccupiedQuadrantIsRepresented) {
  // A dense cluster right-up of the target and single points in the other quadrants.
  PointTable t = NewPointTable(24);
  int k = 1;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 5; ++j, ++k) t[k].X = 5.1L + 0.1L * i, t[k].Y = 5.1L + 0.1L * j;
  const long double others[4][2] = {{2, 8}, {1, 1}, {9, 2}, {8.5L, 8.5L}};
  for (const auto& o : others) t[k].X = o[0], t[k++].Y = o[1];
  TXYZ set(t, nullptr);
  set.BuildScreenIndex(0, 10, 0, 10);
  const PointTable n = set.FindNearest(5, 5, 6);
  bool seen[4] = {};
  const auto [tx, ty] = set.ScreenCoords(5, 5);
  for (int i = 1; i <= PointCount(n); ++i) {
    const auto [sx, sy] = set.ScreenCoords(n[i].X, n[i].Y);
    seen[ScreenQuadrant(sx, sy, tx, ty)] = true;
  }
  for (int q = 0; q < 4; ++q) EXPECT_TRUE(seen[q]) << q;
  EXPECT_EQ(PointCount(n), 6);
}

}  // namespace
