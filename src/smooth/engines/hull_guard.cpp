#include "smooth/engines/hull_guard.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "numerics/convex_hull.h"

namespace {

constexpr double kRelativeTolerance = 1e-6;

}  // namespace

THullGuard::THullGuard(std::span<const double> x, std::span<const double> y,
                       std::span<const double> z)
    : allowance_(MeasureTrend(x, y, z).Allowance()) {
  const std::size_t n = std::min({x.size(), y.size(), z.size()});
  bool first = true;
  for (std::size_t i = 0; i < n; ++i)
    if (std::isfinite(z[i])) {
      zMin_ = first ? z[i] : std::min(zMin_, z[i]);
      zMax_ = first ? z[i] : std::max(zMax_, z[i]);
      first = false;
    }
  std::vector<TVertex> points;
  points.reserve(n);
  for (std::size_t i = 0; i < n; ++i)
    if (std::isfinite(x[i]) && std::isfinite(y[i])) points.push_back({x[i], y[i]});
  if (points.size() < 3) return;
  std::vector<TVertex> hull = ConvexHullOf(points);
  if (hull.size() < 3) return;
  const double tolerance = kRelativeTolerance * LargerExtentOf(points);
  hull_ = std::move(hull);
  for (std::size_t i = 0; i < hull_.size(); ++i) {
    const TVertex& a = hull_[i];
    const TVertex& b = hull_[(i + 1) % hull_.size()];
    slack_.push_back(tolerance * std::hypot(b.x - a.x, b.y - a.y));
  }
}

bool THullGuard::Beyond(double x, double y) const {
  if (Empty() || !std::isfinite(x) || !std::isfinite(y)) return false;
  // Whether (x, y) lies left of side i (from corner i to the next), or beyond it by no more
  // than the tolerance.
  const std::size_t h = hull_.size();
  auto inside = [this, h, x, y](std::size_t i) {
    const TVertex& a = hull_[i];
    const TVertex& b = hull_[(i + 1) % h];
    return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x) >= -slack_[i];
  };
  // The fan of triangles from the first corner: beyond its first or last side the point is
  // beyond the hull's sides there; otherwise a binary search finds the triangle whose ray
  // pair holds the point, and the hull side of that triangle decides.
  const TVertex& o = hull_[0];
  if (!inside(h - 1) || !inside(0)) return true;
  auto leftOfRay = [&o, x, y](const TVertex& v) {
    return (v.x - o.x) * (y - o.y) - (v.y - o.y) * (x - o.x) >= 0;
  };
  std::size_t lo = 1, hi = h - 1;  // the point lies left of ray o -> hull_[lo], not of hi
  if (leftOfRay(hull_[h - 1])) return !inside(h - 2);
  if (!leftOfRay(hull_[1])) return !inside(1);
  while (hi - lo > 1) {
    const std::size_t mid = (lo + hi) / 2;
    (leftOfRay(hull_[mid]) ? lo : hi) = mid;
  }
  return !inside(lo);
}

std::pair<double, double> THullGuard::Foot(double x, double y) const {
  if (Empty()) return {x, y};
  double best = std::numeric_limits<double>::infinity();
  std::pair<double, double> foot{hull_[0].x, hull_[0].y};
  for (std::size_t i = 0; i < hull_.size(); ++i) {
    const TVertex& a = hull_[i];
    const TVertex& b = hull_[(i + 1) % hull_.size()];
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double len2 = ex * ex + ey * ey;
    const double t = len2 > 0 ? std::clamp(((x - a.x) * ex + (y - a.y) * ey) / len2, 0.0, 1.0) : 0.0;
    const double fx = a.x + t * ex, fy = a.y + t * ey;
    const double d = (x - fx) * (x - fx) + (y - fy) * (y - fy);
    if (d < best) {
      best = d;
      foot = {fx, fy};
    }
  }
  return foot;
}

double THullGuard::Hold(double footValue, double v, bool* held) const {
  const double kept = std::isfinite(v) && std::isfinite(footValue)
                          ? std::clamp(v, footValue - allowance_, footValue + allowance_)
                          : v;
  if (held != nullptr) *held = kept != v;
  return kept;
}

bool THullGuard::MayHold(double v) const {
  if (!std::isfinite(v)) return false;
  const double beyond = std::max({0.0, zMin_ - v, v - zMax_});
  return beyond + (zMax_ - zMin_) > 0.5 * allowance_;
}
