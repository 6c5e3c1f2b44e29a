// The convex hull of plane points, for any point type with x and y and a matching turn.
#pragma once

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <vector>

// The convex hull of points sorted by x, then y (Andrew's monotone chain), counter-clockwise
// without repeating its first corner; points on an edge are left out, and so are repeated
// points from a hull of three corners or more. `turn(o, a, b)` is twice the signed area of
// the triangle o, a, b: positive when it turns counter-clockwise.
template <class Point, class Turn>
std::vector<Point> MonotoneChainHull(const std::vector<Point>& sorted, Turn turn) {
  if (sorted.empty()) return {};
  std::vector<Point> hull(2 * sorted.size());
  std::size_t k = 0;
  for (const Point& p : sorted) {
    while (k >= 2 && turn(hull[k - 2], hull[k - 1], p) <= 0) --k;
    hull[k++] = p;
  }
  for (std::size_t i = sorted.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && turn(hull[k - 2], hull[k - 1], sorted[i]) <= 0) --k;
    hull[k++] = sorted[i];
  }
  hull.resize(k - 1);
  return hull;
}

// The convex hull of points with members x and y, in any order: sorted by x, then y, and
// built by MonotoneChainHull with the cross product as the turn.
template <class Point>
std::vector<Point> ConvexHullOf(std::vector<Point> points) {
  std::sort(points.begin(), points.end(),
            [](const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  return MonotoneChainHull(points, [](const Point& o, const Point& a, const Point& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
  });
}

// The larger of the points' extents in x and in y, 0 for no points: the scale from which a
// hull's tolerance is taken.
template <class Point>
std::remove_cvref_t<decltype(Point::x)> LargerExtentOf(const std::vector<Point>& points) {
  if (points.empty()) return 0;
  const auto [xlo, xhi] = std::minmax_element(points.begin(), points.end(),
                                              [](const Point& a, const Point& b) { return a.x < b.x; });
  const auto [ylo, yhi] = std::minmax_element(points.begin(), points.end(),
                                              [](const Point& a, const Point& b) { return a.y < b.y; });
  return std::max(xhi->x - xlo->x, yhi->y - ylo->y);
}
