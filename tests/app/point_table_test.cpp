#include "app/point_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <array>
#include <tuple>
#include <vector>

#include "app/data_sort.h"
#include "app/test_points.h"
#include "app/xyz_data_set.h"

namespace {

using P = TestPoint;

TEST(PointTable, CompactionMovesWholeRecordsAndZeroesTheTailAndCopiesHoldTheHeader) {
  PointTable t = TableOf({{1, 1}, {2, 2, 0, 1, kPointInactive}, {3, 3}, {4, 4, 0, 1, kPointInactive}});
  t[3].RXY = 9;
  t[3].CellX = 7;
  EXPECT_EQ(CompactPoints(t), 2);
  EXPECT_EQ(PointCount(t), 2);
  EXPECT_EQ((std::vector<long double>{t[2].X, t[2].RXY, t[3].X}), (std::vector<long double>{3, 9, 0}));
  EXPECT_EQ(t[2].CellX, 7);
  EXPECT_EQ(t[4].Status, 0);

  PointTable u = TableOf({{1, 2, 3}, {4, 5, 6}});
  u[0].W = 1;
  const PointTable c = DupPoints(u);
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].W, 1);
  EXPECT_EQ(c[2].Z, 6);
  EXPECT_TRUE(CopyPoints({}).empty());
  EXPECT_EQ(PointsXY(u), (std::vector<double>{1, 2, 4, 5}));
  EXPECT_EQ(PointsZ(u), (std::vector<double>{3, 6}));
}

TEST(MergeDuplicates, MergesPositionsEqualInSinglePrecision) {
  // 1 and 1 + 1e-12 are one float; the run keeps the last point's x.
  const PointTable t = TableOf({{0, 0, 5, 1},
                                {1, 1, 1, 1},
                                {1 + 1e-12L, 1, 3, 2},
                                {1 + 2e-12L, 1, 8, 1},
                                {2, 0, 4, 1, kPointInactive},
                                {3, 0, 4, 1}});
  const PointTable m = MergeDuplicates(t, false, false);
  ASSERT_EQ(PointCount(m), 4);
  EXPECT_EQ(m[2].X, 1 + 2e-12L);
  EXPECT_EQ(m[2].Z, 4);  // (1 + 3 + 8) / 3
  EXPECT_EQ(m[2].W, 4);  // weights add up
  EXPECT_EQ(m[0].W, 1);  // the header says the points carry weights
  EXPECT_EQ(m[3].Status, kPointActive);

  const PointTable c = MergeDuplicates(t, true, false);
  EXPECT_EQ(PointCount(c), 3);  // the inactive point went first
  const PointTable plain = MergeDuplicates(TableOf({{0, 0}, {1, 1}, {2, 2}, {3, 3}}), true, true);
  EXPECT_EQ(PointCount(plain), 4);
  EXPECT_EQ(plain[0].W, 0);
}

TEST(MergeDuplicates, SinglePrecisionIsTakenWithinTheDataSpanNotFromTheOrigin) {
  // Hourly readings on a Julian-day axis: 2460000 + k/24 are one float for several hours
  // (floats are 0.25 apart there), yet six places a day apart from one another by 1/24.
  std::vector<TestPoint> hourly;
  for (int k = 0; k < 6; ++k) hourly.push_back({2460000.0L + k / 24.0L, 10, static_cast<long double>(k)});
  const PointTable h = MergeDuplicates(TableOf(hourly), true, true);
  ASSERT_EQ(PointCount(h), 6);
  for (int k = 1; k <= 6; ++k) EXPECT_EQ(h[k].Z, k - 1);
  EXPECT_EQ(h[0].W, 0);  // nothing was merged

  // A true replicate far from the origin still merges: 1e-12 of a day is no place of its own.
  hourly.push_back({2460000.0L + 5 / 24.0L + 1e-12L, 10, 7});
  const PointTable r = MergeDuplicates(TableOf(hourly), true, true);
  ASSERT_EQ(PointCount(r), 6);
  EXPECT_EQ(r[6].Z, 6);  // (5 + 7) / 2
  EXPECT_EQ(r[0].W, 1);

  // Spans below the smallest float and beyond the largest keep their points apart: every
  // x of the first table was 0 as a float, every y of the second infinite.
  const PointTable tiny =
      MergeDuplicates(TableOf({{0, 0, 1}, {1e-50L, 0, 2}, {2e-50L, 1e-50L, 3}, {3e-50L, 1e-50L, 4}, {4e-50L, 0, 5}}), true, true);
  EXPECT_EQ(PointCount(tiny), 5);
  const PointTable huge =
      MergeDuplicates(TableOf({{0, 1e40L, 1}, {0, 2e40L, 2}, {1, 3e40L, 3}, {1, 4e40L, 4}, {2, 5e40L, 5}}), true, true);
  EXPECT_EQ(PointCount(huge), 5);
  // Points 1e-5 apart near 0 in data spanning -1e6 .. 1e6 are one place of the span as a
  // float, but their values are not one float: they stay apart, as they always did.
  const PointTable wide =
      MergeDuplicates(TableOf({{-1e6L, 0, 1}, {0, 0, 2}, {1e-5L, 0, 3}, {2e-5L, 0, 4}, {1e6L, 1, 5}}), true, true);
  EXPECT_EQ(PointCount(wide), 5);
  // One x for all: the span of 0 compares the values themselves.
  EXPECT_EQ(PointCount(MergeDuplicates(TableOf({{5, 1, 1}, {5, 2, 2}, {5, 2, 4}, {5, 3, 3}}), true, false)), 3);
}

TEST(MergeDuplicates, ReplicatesMergeWhereverTheExactOrderPutsThem) {
  // Two replicates of a 2 x 3 grid read from files that wrote 0.3 as "0.3" and as
  // "0.30000000000000004": one float position, two long doubles. Sorted by x, then y, the
  // second replicate's column lies after the whole of the first's, so no replicate is the
  // neighbour of its twin; left apart, each pair is two points 5e-17 apart with z 0.02 apart,
  // through which an interpolating surface swung to 1e27.
  std::vector<TestPoint> points;
  for (const long double x3 : {0.3L, 0.30000000000000004L})
    for (int j = 0; j < 3; ++j) {
      const long double offset = x3 == 0.3L ? 0.01L : -0.01L;
      points.push_back({0.1L, static_cast<long double>(j), j + offset});
      points.push_back({x3, static_cast<long double>(j), 10 + j + offset});
    }
  PointTable t = TableOf(points);
  SortDataTable(t, 0);
  const PointTable m = MergeDuplicates(t, true, true);
  ASSERT_EQ(PointCount(m), 6);
  EXPECT_EQ(m[0].W, 1);
  for (int k = 1; k <= 6; ++k) {
    const TXYZPoint& p = m[static_cast<std::size_t>(k)];
    const long double column = p.X < 0.2L ? 0 : 10;
    EXPECT_NEAR(static_cast<double>(p.Z), static_cast<double>(column + p.Y), 1e-15) << k;
    EXPECT_EQ(p.W, 2) << k;
  }
  // Each merged point keeps the x of its run's last point, the same in every row, so the
  // merged table is the 2 x 3 grid it was measured on.
  TXYZ set(t, nullptr);
  EXPECT_TRUE(set.DetectGrid(set.MakeMergedCopy()));
  EXPECT_EQ(std::tuple(set.pointsPerRow, set.rows), std::tuple(2, 3));

  // Points no float tells apart merge whatever their order, a NaN with nothing.
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const PointTable u = MergeDuplicates(
      TableOf({{1 + 1e-12L, 2, 1}, {0, 0, 7}, {1, 2, 3}, {nan, 1, 9}, {1, 2 + 1e-12L, 5}, {nan, 1, 9}}), true, false);
  ASSERT_EQ(PointCount(u), 4);
  int merged = 0;
  for (int k = 1; k <= 4; ++k)
    if (u[static_cast<std::size_t>(k)].W == 3) {
      ++merged;
      EXPECT_EQ(u[static_cast<std::size_t>(k)].Z, 3);
    }
  EXPECT_EQ(merged, 1);
}

TEST(MergeDuplicates, OneResolutionDecidesReplicatesAtTheEdgesAndWithinTheSpan) {
  // Floats of a place within the span are far finer near 0 than near 1: 1 and 1 + 1e-9 of
  // data spanning 1 .. 4 (places 0 and 3.3e-10) stayed two points where the same two values
  // at 2.5 or at 4 were one. A replicate is decided by one step of the span everywhere.
  for (const long double at : {1.0L, 2.5L, 4 - 1e-9L}) {
    SCOPED_TRACE(testing::Message() << static_cast<double>(at));
    std::vector<TestPoint> points = {{1, 0, 0}, {2, 1, 0}, {4, 2, 0}};
    points.push_back({at, 3, 1});
    points.push_back({at + 1e-9L, 3, 3});
    const PointTable m = MergeDuplicates(TableOf(points), true, false);
    ASSERT_EQ(PointCount(m), 4);
    EXPECT_EQ(m[0].W, 1);
    const auto merged = std::find_if(m.begin() + 1, m.end(), [](const TXYZPoint& p) { return p.W == 2; });
    ASSERT_NE(merged, m.end());
    EXPECT_EQ(merged->Z, 2);
    // 1e-5 is 56 steps of a span of 3: two places wherever they lie.
    points.back().x = at + 1e-5L;
    EXPECT_EQ(PointCount(MergeDuplicates(TableOf(points), true, false)), 5);
  }
  // Two repeats written 0.30000000000000004 at the lowest x of a 5 x 4 grid merge as the
  // same repeats at 0.6 always did: 20 points either way.
  for (const long double x0 : {0.3L, 0.6L}) {
    std::vector<TestPoint> grid;
    for (int i = 1; i <= 5; ++i)
      for (int j = 0; j < 4; ++j) grid.push_back({0.3L * i, static_cast<long double>(j), 1.7L});
    const long double written = x0 == 0.3L ? 0.30000000000000004L : 0.60000000000000009L;
    grid.push_back({written, 0, 1.8L});
    grid.push_back({written, 1, 1.6L});
    PointTable t = TableOf(grid);
    SortDataTable(t, 0);
    const PointTable m = MergeDuplicates(t, true, true);
    EXPECT_EQ(PointCount(m), 20) << static_cast<double>(x0);
  }
}

TEST(MergeDuplicates, FourPointFallbackNeedsFourSourcePoints) {
  const PointTable m = MergeDuplicates(TableOf({{1, 1, 1}, {1, 1, 2}, {1, 1, 3}, {1, 1, 4}, {1, 1, 5}}), true, true);
  ASSERT_EQ(PointCount(m), 4);
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(m[i].Z, (std::array<long double, 4>{1, 2, 4, 5}[i - 1]));  // points 1, 2, N-1, N
    EXPECT_EQ(m[i].Status, 0);
  }
  // Three points cannot give four: the merged table stands, nothing is read past it.
  const PointTable n = MergeDuplicates(TableOf({{1, 1, 1}, {1, 1, 2}, {1, 1, 6}}), true, true);
  ASSERT_EQ(PointCount(n), 1);
  EXPECT_EQ(n[1].Z, 3);
  EXPECT_EQ(PointCount(MergeDuplicates(NewPointTable(0), true, true)), 0);
}

TEST(GridPoints, EvenAxesWithExactEndsAndAShuffledGridReadBack) {
  EXPECT_EQ(LinSpace(0, 1, 5), (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
  const std::vector<double> v = LinSpace(0.1, 0.7, 7);
  ASSERT_EQ(v.size(), 7u);
  EXPECT_EQ(std::pair(v.front(), v.back()), std::pair(0.1, 0.7));
  EXPECT_EQ(LinSpace(3, 9, 1), (std::vector<double>{3}));
  EXPECT_TRUE(LinSpace(3, 9, 0).empty());
  EXPECT_TRUE(LinSpace(3, 9, -4).empty());
  EXPECT_EQ(MakeGridAxisLD(-1, 1, 3), (std::vector<long double>{-1, 0, 1}));
  const std::vector<double> x = {0, 1, 2, 3}, y = {10, 20, 30};
  std::vector<double> z;
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 4; ++i) z.push_back(100.0 * j + i);
  PointTable g = BuildGridPoints(z, 4, 3, x, y);
  ASSERT_EQ(PointCount(g), 12);
  // k = j nx + i + 1: j = 1, i = 1
  EXPECT_EQ((std::vector<long double>{g[6].X, g[6].Y, g[6].Z, g[6].W}), (std::vector<long double>{1, 20, 101, 1}));
  std::reverse(g.begin() + 1, g.end());

  std::vector<double> gx, gy, gz;
  ASSERT_TRUE(GridPointsToMatrix(g, 4, 3, gx, gy, gz));
  EXPECT_EQ(std::tie(gx, gy, gz), std::tie(x, y, z));

  std::reverse(g.begin() + 1, g.end());
  const std::optional<TGridMatrixLD> ld = GridPointsToMatrixLD(g, 4, 3);
  ASSERT_TRUE(ld);
  EXPECT_EQ(ld->x[4], 3);
  EXPECT_EQ(ld->y[3], 30);
  for (int j = 1; j <= 3; ++j)
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(ld->z[j][i], 100.0L * (j - 1) + (i - 1));

  // A table too small for the grid is refused with the outputs untouched.
  EXPECT_FALSE(GridPointsToMatrix(g, 5, 3, gx, gy, gz));
  EXPECT_EQ(gx, x);
  EXPECT_FALSE(GridPointsToMatrixLD(g, 4, 4));
  EXPECT_TRUE(BuildGridPoints(z, 4, 4, x, y).empty());  // vectors shorter than the grid
}

TEST(GridPoints, DistinctValuesAndScatteredPointsOnTheirGrid) {
  PointTable t = TableOf({{2, 5, 1}, {1, 5, 2}, {2, 7, 3}, {9, 9, 4, 1, kPointInactive}, {2, 7, 8}});
  EXPECT_EQ(DistinctXValues(t), (std::vector<double>{1, 2}));
  // Every record holds the index of the last distinct x reached, the inactive one too.
  EXPECT_EQ(t[PointCount(t)].X, 9);
  EXPECT_EQ(t[PointCount(t)].RXY, 1);
  EXPECT_EQ(DistinctYValuesLD(t), (std::vector<long double>{5, 7}));

  const TGridMatrix g = PointsToGridMatrix(t, -1);
  ASSERT_EQ(g.x.size(), 2u);
  ASSERT_EQ(g.y.size(), 2u);
  // (1, 5), (2, 5), (1, 7) without a point, and (2, 7), which holds 3 and 8 and is then
  // overwritten by the inactive (9, 9), which takes the last index reached: the later
  // point wins.
  EXPECT_EQ(g.z, (std::vector<double>{2, 1, -1, 4}));
  PointTable none = TableOf({{1, 1, 1, 1, kPointInactive}});
  EXPECT_TRUE(PointsToGridMatrix(none, 0).z.empty());
}

TEST(Collinearity, CrossProductWithARelativeTolerance) {
  struct Case {
    const char* name;
    std::vector<TestPoint> pts;
    bool collinear;
  };
  std::vector<TestPoint> rounded;  // on y = 3x up to the rounding of each double
  for (int i = 1; i <= 6; ++i) rounded.push_back({0.1 * i, 0.3 * i});
  const Case cases[] = {
      {"two points", {{0, 0}, {1, 5}}, true},
      {"three on a line", {{0, 0}, {1, 2}, {3, 6}}, true},
      {"vertical line", {{2, 0}, {2, 1}, {2, -7}, {2, 3}}, true},
      {"duplicates of point 1 first", {{1, 1}, {1, 1}, {2, 2}, {5, 5}}, true},
      {"all at one position", {{4, 4}, {4, 4}, {4, 4}}, true},
      {"collinear up to rounding", rounded, true},
      {"a triangle", {{0, 0}, {1, 0}, {0, 1}}, false},
      {"duplicate then off the line", {{0, 0}, {0, 0}, {1, 1}, {1, 0}}, false},
      {"off by far more than rounding", {{0, 0}, {1, 1}, {2, 2 + 1e-9L}}, false},
  };
  for (const Case& c : cases) {
    PointTable t = TableOf(c.pts);
    int moved = -1;
    EXPECT_EQ(IsCollinearXY(t, false, &moved), c.collinear) << c.name;
    EXPECT_EQ(moved, 0) << c.name;
  }
}

bool FirstThreeCollinear(const PointTable& t) {
  PointTable head = NewPointTable(3);
  for (int i = 1; i <= 3; ++i) head[i] = t[i];
  return IsCollinearXY(head, false, nullptr);
}

TEST(Collinearity, ReorderMakesTheFirstThreePointsATriangle) {
  PointTable t = TableOf({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {5, 0}});
  int moved = 0;
  EXPECT_FALSE(IsCollinearXY(t, true, &moved));
  EXPECT_EQ(moved, 5);
  EXPECT_EQ(t[2].X, 5);  // points 2 and 5 exchanged
  EXPECT_FALSE(FirstThreeCollinear(t));

  // Duplicates of point 1 at 2 and 3: point 3 is then replaced by a point on the line.
  PointTable d = TableOf({{0, 0}, {0, 0}, {0, 0}, {1, 1}, {2, 0}});
  EXPECT_FALSE(IsCollinearXY(d, true, &moved));
  EXPECT_EQ(moved, 5);
  EXPECT_FALSE(FirstThreeCollinear(d));

  // Already a triangle: nothing moves.
  PointTable ok = TableOf({{0, 0}, {1, 0}, {0, 1}, {5, 5}});
  EXPECT_FALSE(IsCollinearXY(ok, true, &moved));
  EXPECT_EQ(moved, 0);
  EXPECT_EQ(ok[2].X, 1);
}

}  // namespace
