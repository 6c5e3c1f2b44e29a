#include "smooth/engines/data_hull.h"

#include <algorithm>
#include <cmath>

#include "numerics/convex_hull.h"

namespace {

constexpr long double kRelativeTolerance = 1e-6L;

}  // namespace

TDataHull::TDataHull(std::span<const TXYZPoint> table) {
  std::vector<TVertex> points;
  const int n = table.empty() ? 0 : PointCount(table);
  for (int i = 1; i <= n && static_cast<std::size_t>(i) < table.size(); ++i) {
    const TXYZPoint& p = table[static_cast<std::size_t>(i)];
    if (IsActive(p) && std::isfinite(p.X) && std::isfinite(p.Y)) points.push_back({p.X, p.Y});
  }
  if (points.size() < 3) return;
  std::vector<TVertex> hull = ConvexHullOf(points);
  if (hull.size() < 3) return;
  tolerance_ = kRelativeTolerance * LargerExtentOf(points);
  vertices_ = std::move(hull);
}

bool TDataHull::Contains(long double x, long double y) const {
  if (Empty()) return true;
  // Inside a convex polygon: on the left of (or within the tolerance of) every side.
  for (std::size_t i = 0; i < vertices_.size(); ++i) {
    const TVertex& a = vertices_[i];
    const TVertex& b = vertices_[(i + 1) % vertices_.size()];
    const long double length = std::hypot(b.x - a.x, b.y - a.y);
    const long double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    if (cross < -tolerance_ * length) return false;
  }
  return true;
}
