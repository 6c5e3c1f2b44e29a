#include "app/xyz_data_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <queue>
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

// The neighbourhood rules written out by exhaustive scans, as the reference of the cell
// search: every choice by (squared screen distance, point number).
std::vector<int> NeighbourhoodByScan(const TXYZ& set, long double x, long double y, int k) {
  TXYZ& s = const_cast<TXYZ&>(set);
  const std::span<TXYZPoint> sorted = s.Sorted();
  const int n = PointCount(sorted);
  const auto [tx, ty] = set.ScreenCoords(x, y);
  std::vector<std::int64_t> d(static_cast<std::size_t>(n) + 1);
  std::vector<int> sx(d.size()), sy(d.size());
  for (int i = 1; i <= n; ++i) {
    const auto [px, py] = set.ScreenCoords(sorted[i].X, sorted[i].Y);
    sx[i] = px, sy[i] = py;
    d[i] = std::int64_t{px - tx} * (px - tx) + std::int64_t{py - ty} * (py - ty);
  }
  std::vector<int> all;
  for (int i = 1; i <= n; ++i) all.push_back(i);
  if (k == n) return all;
  auto before = [&](int a, int b) { return d[a] < d[b] || (d[a] == d[b] && a < b); };
  std::vector<int> by = all;
  std::sort(by.begin(), by.end(), before);
  std::vector<int> list(by.begin(), by.begin() + k), protect;
  for (int q = 0; q < 4; ++q) {
    int best = 0;
    for (int i : by)
      if (ScreenQuadrant(sx[i], sy[i], tx, ty) == q) {
        best = i;
        break;
      }
    if (best == 0) continue;
    if (std::find(list.begin(), list.end(), best) == list.end()) {
      int far = 0;
      for (int i : list)
        if (std::find(protect.begin(), protect.end(), i) == protect.end() && (far == 0 || before(far, i)))
          far = i;
      if (far == 0) continue;
      *std::find(list.begin(), list.end(), far) = best;
    }
    protect.push_back(best);
  }
  std::sort(list.begin(), list.end());
  std::vector<int> xs, ys;
  for (int i : list) {
    if (xs.size() < 3 && std::find(xs.begin(), xs.end(), sx[i]) == xs.end()) xs.push_back(sx[i]);
    if (ys.size() < 3 && std::find(ys.begin(), ys.end(), sy[i]) == ys.end()) ys.push_back(sy[i]);
  }
  if (xs.size() < 3 || ys.size() < 3) {
    for (int i : by) {
      if (std::find(list.begin(), list.end(), i) != list.end()) continue;
      if (xs.size() < 3 && std::find(xs.begin(), xs.end(), sx[i]) != xs.end()) continue;
      if (ys.size() < 3 && std::find(ys.begin(), ys.end(), sy[i]) != ys.end()) continue;
      list.insert(std::upper_bound(list.begin(), list.end(), i), i);
      break;
    }
  }
  return list;
}

TEST(ScreenIndex, CellSearchChoosesWhatAnExhaustiveScanChooses) {
  std::uint64_t seed = 99;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<long double>(seed >> 11) * 0x1.0p-53L;
  };
  // Scattered points, a grid (many equal distances), points on two lines, and clusters.
  std::vector<PointTable> tables;
  PointTable scattered = NewPointTable(700);
  for (int i = 1; i <= 700; ++i) scattered[i].X = next(), scattered[i].Y = next();
  tables.push_back(scattered);
  PointTable grid = Grid(25, 20);
  tables.push_back(grid);
  PointTable lines = NewPointTable(60);
  for (int i = 1; i <= 60; ++i) lines[i].X = i % 2 ? 0.2L : 0.8L, lines[i].Y = i / 60.0L;
  tables.push_back(lines);
  PointTable clusters = NewPointTable(300);
  for (int i = 1; i <= 300; ++i)
    clusters[i].X = (i % 3) * 0.4L + 0.01L * next(), clusters[i].Y = (i % 5) * 0.2L + 0.01L * next();
  tables.push_back(clusters);
  for (PointTable& t : tables) {
    TXYZ set(t, nullptr);
    long double xl = 1e9L, xh = -1e9L, yl = 1e9L, yh = -1e9L;
    for (int i = 1; i <= PointCount(t); ++i) {
      xl = std::min(xl, t[i].X), xh = std::max(xh, t[i].X);
      yl = std::min(yl, t[i].Y), yh = std::max(yh, t[i].Y);
    }
    set.BuildScreenIndex(xl, xh, yl, yh);
    const int n = PointCount(t);
    for (int query = 0; query < 150; ++query) {
      // Inside, on the edges and corners, and outside the window.
      const long double qx = query < 10 ? (query % 2 ? xl : xh) : xl - 0.2L + (xh - xl + 0.4L) * next();
      const long double qy = query < 10 ? (query / 2 % 2 ? yl : yh) : yl - 0.2L + (yh - yl + 0.4L) * next();
      for (int k : {1, 4, 13, 20, n - 1, n}) {
        const PointTable got = set.FindNearest(qx, qy, k);
        const std::vector<int> want = NeighbourhoodByScan(set, qx, qy, k);
        ASSERT_EQ(PointCount(got), static_cast<int>(want.size())) << n << " " << query << " " << k;
        for (std::size_t r = 0; r < want.size(); ++r) {
          EXPECT_EQ(got[r + 1].X, set.Sorted()[static_cast<std::size_t>(want[r])].X);
          EXPECT_EQ(got[r + 1].Y, set.Sorted()[static_cast<std::size_t>(want[r])].Y);
        }
      }
    }
  }
}

}  // namespace
