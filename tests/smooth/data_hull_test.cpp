// The hull of the data in the x, y plane: inside, on and beyond its sides, the tolerance at
// the data's own extremes, inactive points left out, and data that make no hull.
#include <gtest/gtest.h>

#include "app/point_table.h"
#include "smooth/engines/data_hull.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Table;

TEST(DataHull, InsideOnAndBeyondTheSides) {
  // A triangle with points inside it and on one side (dropped from the hull).
  PointTable data = Table({{0, 0, 1}, {4, 0, 2}, {0, 4, 3}, {1, 1, 4}, {2, 0, 5}, {0.5L, 2, 6}});
  const TDataHull hull(data);
  ASSERT_FALSE(hull.Empty());
  EXPECT_TRUE(hull.Contains(1, 1));
  EXPECT_TRUE(hull.Contains(2, 2));        // on the long side
  EXPECT_TRUE(hull.Contains(4, 0));        // a vertex
  EXPECT_TRUE(hull.Contains(2, -1e-7L));   // within a millionth of the extent of a side
  EXPECT_FALSE(hull.Contains(2, -1e-5L));
  EXPECT_FALSE(hull.Contains(2.1L, 2.1L));
  EXPECT_FALSE(hull.Contains(4, 4));       // the corner of the data's bounding box
  EXPECT_FALSE(hull.Contains(-1, 2));
}

TEST(DataHull, InactivePointsAreLeftOut) {
  PointTable data = Table({{0, 0, 1}, {4, 0, 2}, {0, 4, 3}, {4, 4, 4}});
  EXPECT_TRUE(TDataHull(data).Contains(3, 3));
  data[4].Status = kPointInactive;
  EXPECT_FALSE(TDataHull(data).Contains(3, 3));
}

TEST(DataHull, DataThatMakeNoHullContainEverything) {
  PointTable line = Table({{0, 0, 1}, {1, 1, 2}, {2, 2, 3}, {3, 3, 4}});
  PointTable two = Table({{0, 0, 1}, {1, 0, 2}});
  PointTable none;
  for (const PointTable* t : {&line, &two, &none}) {
    const TDataHull hull(*t);
    EXPECT_TRUE(hull.Empty());
    EXPECT_TRUE(hull.Contains(100, -100));
  }
}

}  // namespace
