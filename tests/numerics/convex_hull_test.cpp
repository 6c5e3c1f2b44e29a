#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "numerics/convex_hull.h"

namespace {

struct P {
  long long x, y;
  bool operator==(const P&) const = default;
};

long long Turn(const P& o, const P& a, const P& b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

std::vector<P> Hull(std::vector<P> points) {
  std::sort(points.begin(), points.end(), [](const P& a, const P& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
  return MonotoneChainHull(points, Turn);
}

// A square with points inside, on its edges and repeated: only its corners remain,
// counter-clockwise from the lowest-leftmost.
TEST(ConvexHull, KeepsOnlyTheCornersCounterClockwise) {
  EXPECT_EQ(Hull({{2, 2}, {0, 0}, {4, 0}, {2, 0}, {4, 4}, {0, 4}, {0, 2}, {1, 3}, {4, 4}, {0, 0}, {4, 2}}),
            (std::vector<P>{{0, 0}, {4, 0}, {4, 4}, {0, 4}}));
}

// Points on one line are a hull of their two ends; one point, or none, is no hull.
TEST(ConvexHull, DegenerateSetsGiveTheirEndsOrNothing) {
  EXPECT_EQ(Hull({{3, 3}, {1, 1}, {2, 2}, {0, 0}}), (std::vector<P>{{0, 0}, {3, 3}}));
  EXPECT_EQ(Hull({{5, 5}}), std::vector<P>{});
  EXPECT_EQ(Hull({}), std::vector<P>{});
}

}  // namespace
