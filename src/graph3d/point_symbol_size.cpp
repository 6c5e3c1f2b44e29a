#include "graph3d/point_symbol_size.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "numerics/convex_hull.h"

using platform::Point;

namespace {

// Twice the signed area of the triangle o, a, b: positive when it turns counter-clockwise.
long long Cross(const Point& o, const Point& a, const Point& b) {
  return static_cast<long long>(a.x - o.x) * (b.y - o.y) - static_cast<long long>(a.y - o.y) * (b.x - o.x);
}

}  // namespace

double MeanPointSpacing(std::span<const Point> positions) {
  std::vector<Point> sorted(positions.begin(), positions.end());
  std::sort(sorted.begin(), sorted.end(), [](const Point& a, const Point& b) {
    return a.x != b.x ? a.x < b.x : a.y < b.y;
  });
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  if (sorted.size() < 2) return 0;
  const std::vector<Point> hull = MonotoneChainHull(sorted, Cross);
  long long twiceArea = 0;
  double perimeter = 0;
  for (std::size_t i = 0; i < hull.size(); ++i) {
    const Point& a = hull[i];
    const Point& b = hull[(i + 1) % hull.size()];
    twiceArea += static_cast<long long>(a.x) * b.y - static_cast<long long>(b.x) * a.y;
    perimeter += std::hypot(static_cast<double>(b.x - a.x), static_cast<double>(b.y - a.y));
  }
  const double n = static_cast<double>(positions.size());
  const double areal = std::sqrt(static_cast<double>(twiceArea) / 2 / n);
  // A hull of two corners (points along a line) is walked there and back.
  const double linear = perimeter / 2 / n;
  return std::max(areal, linear);
}

int PointSymbolHalfSize(int width, int size, double spacing) {
  const int asked = std::max(width / 500, 1) * std::max(size, 1);
  if (!(spacing > 0)) return asked;
  const int roomy = static_cast<int>(std::min(spacing / 4, static_cast<double>(asked)));
  return std::clamp(roomy, 1, asked);
}
