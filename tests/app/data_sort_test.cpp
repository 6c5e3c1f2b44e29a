#include "app/data_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>
#include <vector>

namespace {

// The key table, written out as data: field (0 X, 1 Y, 2 Z, 3 RXY, 4 RXYZ, 5 CellX,
// 6 CellY, -1 none) and direction (+1 ascending, -1 descending) of both fields.
struct KeyDef {
  int f1, d1, f2, d2;
};
constexpr KeyDef kKeys[22] = {
    {0, 1, 1, 1},   {0, -1, 1, 1},  {0, 1, 1, -1},  {0, -1, 1, -1}, {1, 1, 0, 1},
    {1, 1, 0, -1},  {1, -1, 0, 1},  {1, -1, 0, -1}, {2, 1, -1, 0},  {2, -1, -1, 0},
    {3, 1, -1, 0},  {3, -1, -1, 0}, {4, 1, -1, 0},  {4, -1, -1, 0}, {5, 1, 6, 1},
    {5, -1, 6, 1},  {5, 1, 6, -1},  {5, -1, 6, -1}, {6, 1, 5, 1},   {6, -1, 5, 1},
    {6, 1, 5, -1},  {6, -1, 5, -1},
};

long double FieldOf(const TXYZPoint& p, int f) {
  const long double fields[] = {p.X, p.Y, p.Z, p.RXY, p.RXYZ, static_cast<long double>(p.CellX),
                                static_cast<long double>(p.CellY)};
  return fields[f];
}

// A table with many ties in every field, so that the second field is exercised.
PointTable TieTable(int n) {
  PointTable t = NewPointTable(n);
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = t[i];
    p.X = (i * 7) % 5;
    p.Y = (i * 3) % 4;
    p.Z = (i * 11) % 6 - 2.5L;
    p.RXY = (i * 13) % 7;
    p.RXYZ = (i * 17) % 9 * 0.25L;
    p.CellX = static_cast<std::uint8_t>((i * 5) % 4 + 1);
    p.CellY = static_cast<std::uint8_t>((i * 19) % 3 + 1);
    p.W = i;  // identifies the record
  }
  return t;
}

std::vector<long double> Ids(const PointTable& t) {
  std::vector<long double> ids;
  for (int i = 1; i <= PointCount(t); ++i) ids.push_back(t[i].W);
  std::sort(ids.begin(), ids.end());
  return ids;
}

TEST(DataSort, EveryKeyOrdersByItsFieldsAndRecordsTheKey) {
  for (int key = 0; key < kSortKeyCount; ++key) {
    PointTable t = TieTable(200);
    const std::vector<long double> before = Ids(t);
    SortDataTable(t, key);
    EXPECT_EQ(t[0].SortKey, key);
    EXPECT_EQ(Ids(t), before) << "key " << key << " lost or duplicated a record";
    const KeyDef k = kKeys[key];
    for (int i = 2; i <= 200; ++i) {
      const long double a1 = FieldOf(t[i - 1], k.f1) * k.d1, b1 = FieldOf(t[i], k.f1) * k.d1;
      ASSERT_LE(a1, b1) << "key " << key << " at " << i;
      if (a1 == b1 && k.f2 >= 0) {
        ASSERT_LE(FieldOf(t[i - 1], k.f2) * k.d2, FieldOf(t[i], k.f2) * k.d2)
            << "key " << key << " at " << i;
      }
    }
  }
}

TEST(DataSort, KeyOutsideTheTableSortsByKeyZeroAndSmallOrDamagedTablesAreSafe) {
  for (int key : {22, -1, 255}) {
    PointTable t = TieTable(50);
    t[0].SortKey = 9;
    SortDataTable(t, key);
    EXPECT_EQ(t[0].SortKey, 0);
    for (int i = 2; i <= 50; ++i)
      ASSERT_TRUE(t[i - 1].X < t[i].X || (t[i - 1].X == t[i].X && t[i - 1].Y <= t[i].Y));
  }
  SortDataTable({}, 3);
  PointTable none = NewPointTable(0);
  SortDataTable(none, 3);
  PointTable one = NewPointTable(1);
  one[1].X = 42;
  SortDataTable(one, 1);
  EXPECT_EQ(one[1].X, 42);
  // A header claiming more points than the block holds sorts only what exists.
  PointTable lying = TieTable(10);
  lying[0].X = 1e6L;
  SortDataTable(lying, 0);
  EXPECT_EQ(Ids(lying).size(), 10u);
}

TEST(DataSort, NaNCoordinatesSortLastAscendingAndFirstDescending) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  PointTable t = TieTable(300);
  for (int i = 1; i <= 300; i += 7) t[i].X = nan;
  for (int i = 3; i <= 300; i += 11) t[i].Y = nan;
  SortDataTable(t, 0);
  int first_nan = 0;
  for (int i = 1; i <= 300; ++i)
    if (std::isnan(t[i].X) && first_nan == 0) first_nan = i;
  ASSERT_GT(first_nan, 0);
  for (int i = first_nan; i <= 300; ++i) EXPECT_TRUE(std::isnan(t[i].X)) << i;
  SortDataTable(t, 1);
  EXPECT_TRUE(std::isnan(t[1].X));
  SortDataTable(t, 6);
  EXPECT_TRUE(std::isnan(t[1].Y));
}

TEST(DataSort, PartialRangeSortsOnlyThatRange) {
  PointTable t = NewPointTable(5);
  for (int i = 1; i <= 5; ++i) t[i].X = 6 - i;
  auto xs = [&t] {
    std::vector<long double> v;
    for (int i = 1; i <= 5; ++i) v.push_back(t[i].X);
    return v;
  };
  SortPointsByXY(t, 2, 4);
  EXPECT_EQ(xs(), (std::vector<long double>{5, 2, 3, 4, 1}));
  SortPointsByXY(t, -3, 99);
  EXPECT_EQ(xs(), (std::vector<long double>{1, 2, 3, 4, 5}));
}

TEST(DataSort, IndexSortLeavesTheTableUntouched) {
  const PointTable t = TieTable(100);
  std::vector<int> index(100);
  std::iota(index.begin(), index.end(), 1);
  index.push_back(0);    // not a point
  index.push_back(500);  // past the end
  SortPointIndex(t, index, 9);
  for (int i = 1; i < 100; ++i) ASSERT_GE(t[index[i - 1]].Z, t[index[i]].Z);
  EXPECT_EQ(index[100], 0);
  EXPECT_EQ(index[101], 500);
  EXPECT_EQ(t[1].W, 1);
}

TEST(PointCells, CellsOfTheWindowAndItsEdges) {
  struct Case {
    long double v;
    int cells;
    bool log;
    int cell;
  };
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const Case cases[] = {
      {-1, 11, false, 1},   {0, 11, false, 1},   {4.5L, 11, false, 5}, {9.99L, 11, false, 10},
      {10, 11, false, 10},  {25, 11, false, 10}, {nan, 11, false, 1},  {0, 11, true, 1},
      {-3, 11, true, 1},    {1e5L, 11, true, 6},  // log10 = 5, half way through 0 .. 10
      {5, 1000, false, 128},                      // cells clamp to 256: m = 255
      {10, 1000, false, 255},
      {std::nextafter(10.0L, 0.0L), 256, false, 255},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PointCell(c.v, 0, 10, c.cells, c.log), c.cell)
        << static_cast<double>(c.v) << " cells " << c.cells;
}

TEST(PointCells, AssignsCellsAndSortsInThePaintersOrder) {
  struct Case {
    bool x_desc, y_desc, y_first;
    int key;
  };
  const Case cases[] = {{false, false, false, 14}, {false, true, false, 16},
                        {true, false, false, 15},  {true, true, false, 17},
                        {false, false, true, 18},  {false, true, true, 19},
                        {true, false, true, 20},   {true, true, true, 21}};
  for (const Case& c : cases) {
    PointTable t = NewPointTable(30);
    for (int i = 1; i <= 30; ++i) {
      t[i].X = (i * 7) % 10 + 0.5L;
      t[i].Y = (i * 3) % 5 * 2 + 0.5L;
    }
    AssignPointCells(t, 10, 0, 11, 10, 0, 6, c.x_desc, c.y_desc, false, false, c.y_first);
    EXPECT_EQ(t[0].SortKey, c.key);
    for (int i = 1; i <= 30; ++i) {
      EXPECT_EQ(t[i].CellX, static_cast<int>(t[i].X) + 1);
      EXPECT_EQ(t[i].CellY, static_cast<int>(t[i].Y) / 2 + 1);
    }
  }
}

}  // namespace
