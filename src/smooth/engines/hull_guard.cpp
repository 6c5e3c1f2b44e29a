#include "smooth/engines/hull_guard.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "numerics/convex_hull.h"
#include "smooth/kernels/nearest_points.h"

namespace {

constexpr double kRelativeTolerance = 1e-6;
// The points about a place whose range bounds the surface there: at least this many, in the
// smallest square of cells about the place's cell that holds them (3 by 3 cells of two
// points each on even data).
constexpr int kNearbyPoints = 16;
constexpr double kPointsPerCell = 2.0;
// How far the surface may pass the data's highest (lowest) value is measured on the points
// about the few highest (lowest) points: each with its nearest others, this many in all.
constexpr std::size_t kEndPoints = 4;
constexpr int kAboutEndPoint = 32;

// The typical allowance of the points about the kEndPoints highest points (`highest`) or
// lowest: the noise and variation of the data where the surface may pass their range.
double AllowanceAtEnd(std::span<const double> x, std::span<const double> y, std::span<const double> z,
                      const TNearestPoints& nearest, bool highest) {
  const std::size_t n = z.size(), m = std::min(n, kEndPoints);
  std::vector<int> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<int>(i);
  // Equal values in point order, so that the choice is the same whatever the sort does.
  auto before = [&z, highest](int a, int b) {
    const double za = z[static_cast<std::size_t>(a)], zb = z[static_cast<std::size_t>(b)];
    return za != zb ? (highest ? za > zb : za < zb) : a < b;
  };
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(m), order.end(), before);
  std::vector<int> about, near;
  for (std::size_t e = 0; e < m; ++e) {
    nearest.Nearest(order[e], kAboutEndPoint - 1, near);
    about.insert(about.end(), near.begin(), near.end());
    about.push_back(order[e]);
  }
  std::sort(about.begin(), about.end());
  about.erase(std::unique(about.begin(), about.end()), about.end());
  std::vector<double> ax, ay, az;
  for (const int i : about) {
    const auto k = static_cast<std::size_t>(i);
    ax.push_back(x[k]);
    ay.push_back(y[k]);
    az.push_back(z[k]);
  }
  return MeasureTrend(ax, ay, az).TypicalAllowance();
}

}  // namespace

THullGuard::TNearby::TNearby(std::span<const double> x, std::span<const double> y,
                              std::span<const double> z) {
  const std::size_t n = x.size();
  const auto [xlo, xhi] = std::minmax_element(x.begin(), x.end());
  const auto [ylo, yhi] = std::minmax_element(y.begin(), y.end());
  x0 = *xlo;
  y0 = *ylo;
  cells = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(n) / kPointsPerCell)));
  const double wx = *xhi - *xlo, wy = *yhi - *ylo;
  sx = wx > 0 ? cells / wx : 0.0;
  sy = wy > 0 ? cells / wy : 0.0;
  const auto count = static_cast<std::size_t>(cells) * static_cast<std::size_t>(cells);
  // Each cell's own count and range, then the range of the smallest square of cells about it
  // that holds enough points.
  std::vector<int> members(count, 0);
  std::vector<double> ownLo(count, std::numeric_limits<double>::infinity());
  std::vector<double> ownHi(count, -std::numeric_limits<double>::infinity());
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t c = Cell(x[i], y[i]);
    ++members[c];
    ownLo[c] = std::min(ownLo[c], z[i]);
    ownHi[c] = std::max(ownHi[c], z[i]);
  }
  lo.assign(count, 0.0);
  hi.assign(count, 0.0);
  for (int cy = 0; cy < cells; ++cy)
    for (int cx = 0; cx < cells; ++cx) {
      int found = 0;
      double l = std::numeric_limits<double>::infinity(), h = -l;
      for (int r = 1; r <= cells && found < kNearbyPoints; ++r) {
        found = 0;
        l = std::numeric_limits<double>::infinity(), h = -l;
        for (int by = std::max(0, cy - r); by <= std::min(cells - 1, cy + r); ++by)
          for (int bx = std::max(0, cx - r); bx <= std::min(cells - 1, cx + r); ++bx) {
            const std::size_t b = static_cast<std::size_t>(by) * static_cast<std::size_t>(cells) + static_cast<std::size_t>(bx);
            found += members[b];
            l = std::min(l, ownLo[b]);
            h = std::max(h, ownHi[b]);
          }
      }
      const std::size_t c = static_cast<std::size_t>(cy) * static_cast<std::size_t>(cells) + static_cast<std::size_t>(cx);
      lo[c] = l;
      hi[c] = h;
    }
}

std::size_t THullGuard::TNearby::Cell(double x, double y) const {
  auto index = [this](double v, double origin, double scale) {
    const double f = (v - origin) * scale;
    if (!(f > 0.0)) return 0;
    return std::min(cells - 1, static_cast<int>(f));
  };
  return static_cast<std::size_t>(index(y, y0, sy)) * static_cast<std::size_t>(cells) +
         static_cast<std::size_t>(index(x, x0, sx));
}

THullGuard::THullGuard(std::span<const double> x, std::span<const double> y,
                       std::span<const double> z) {
  const TDataTrend trend = MeasureTrend(x, y, z);
  allowance_ = trend.Allowance();
  nearbyAllowance_ = trend.TypicalAllowance();
  const std::size_t n = std::min({x.size(), y.size(), z.size()});
  // Data without noise are never held within the hull; nor are points that are not all
  // numbers (MeasureTrend finds no noise in them).
  if (std::isfinite(allowance_))
    nearby_ = std::make_shared<const TNearby>(x.first(n), y.first(n), z.first(n));
  bool first = true;
  for (std::size_t i = 0; i < n; ++i)
    if (std::isfinite(z[i])) {
      zMin_ = first ? z[i] : std::min(zMin_, z[i]);
      zMax_ = first ? z[i] : std::max(zMax_, z[i]);
      first = false;
    }
  // The surface may pass the data's range by what the points about its highest and lowest
  // points support. A table whose steep parts count it as smooth (a broad step whose
  // neighbours differ by 6 to 10 noise widths) let the surface run 13 noise widths past the
  // plateaus at its ends, which are noise; a narrow peak or smooth data keep their allowance.
  if (nearby_) {
    const TNearestPoints nearest(x.first(n), y.first(n));
    above_ = std::min(nearbyAllowance_, AllowanceAtEnd(x.first(n), y.first(n), z.first(n), nearest, true));
    below_ = std::min(nearbyAllowance_, AllowanceAtEnd(x.first(n), y.first(n), z.first(n), nearest, false));
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
  return HoldWithin(allowance_, footValue, v, held);
}

double THullGuard::Hold(double fx, double fy, double footValue, double v, bool* held) const {
  double lo = 0, hi = 0;
  const double allowance = NearbyRange(fx, fy, lo, hi);
  // A foot beyond the range of the points about it counts from that range's end.
  const double from = std::isfinite(footValue) ? std::clamp(footValue, lo, hi) : footValue;
  const double kept = WithinRange(HoldWithin(allowance, from, v, nullptr));
  if (held != nullptr) *held = std::isfinite(v) && kept != v;
  return kept;
}

double THullGuard::HoldWithin(double allowance, double footValue, double v, bool* held) {
  const double kept = std::isfinite(v) && std::isfinite(footValue)
                          ? std::clamp(v, footValue - allowance, footValue + allowance)
                          : v;
  if (held != nullptr) *held = kept != v;
  return kept;
}

double THullGuard::WithinRange(double v) const {
  return std::isfinite(v) ? std::clamp(v, zMin_ - below_, zMax_ + above_) : v;
}

bool THullGuard::MayHold(double v) const {
  if (!std::isfinite(v)) return false;
  if (v != WithinRange(v)) return true;
  const double beyond = std::max({0.0, zMin_ - v, v - zMax_});
  return beyond + (zMax_ - zMin_) > 0.5 * allowance_;
}

double THullGuard::NearbyRange(double x, double y, double& lo, double& hi) const {
  lo = -std::numeric_limits<double>::infinity();
  hi = std::numeric_limits<double>::infinity();
  if (!nearby_) return allowance_;
  const std::size_t c = nearby_->Cell(x, y);
  lo = nearby_->lo[c];
  hi = nearby_->hi[c];
  return nearbyAllowance_;
}
