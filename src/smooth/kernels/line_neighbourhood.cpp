#include "smooth/kernels/line_neighbourhood.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "smooth/kernels/nearest_points.h"

namespace {

// The nearest few points lie along a line when their smaller spread about the centre is below
// a tenth of their larger (the smaller eigenvalue of their second moments below a hundredth).
constexpr int kFew = 4;
constexpr double kAlongLine = 0.01;
// The k nearest lie along that line when this share of them lies within a band about it a
// twentieth of their reach wide: a point or two of the next line among them determine no
// curvature across it.
constexpr double kOnLineShare = 0.75;
constexpr int kTold = 12;
constexpr double kOnLineGap = 2.0;
constexpr double kBand = 0.05;
// A point lies on another line when it lies outside the band and this far across the line
// for its distance (a quarter: 15 degrees off it): a line that bends slowly stays in the band
// or along it.
constexpr double kOffLine = 0.25;
// Lines less than twice as far apart as the points along them are no lines to stretch: the
// nearest then reach across them.
constexpr double kLeastStretch = 2.0;

struct TOffset {
  double dx, dy;
};

// Whether the nearest few (offsets from the centre) lie along a line through it: the smaller
// eigenvalue `small` of their second moments below kAlongLine of the larger.
bool FewAlongLine(std::span<const TOffset> few, double& small) {
  double sxx = 0, sxy = 0, syy = 0;
  for (const TOffset& o : few) {
    sxx += o.dx * o.dx;
    sxy += o.dx * o.dy;
    syy += o.dy * o.dy;
  }
  const double mean = 0.5 * (sxx + syy), half = std::hypot(0.5 * (sxx - syy), sxy);
  const double large = mean + half;
  small = mean - half;
  return large > 0 && std::isfinite(large) && small < kAlongLine * large;
}

// The line the nearest lie along (offsets from the centre, nearest first), or false.
struct TLine {
  double ex = 1, ey = 0, band = 0, spacing = 0, reach = 0;
};
bool LineOfNearest(std::span<const TOffset> near, TLine& line) {
  const std::size_t n = near.size();
  if (static_cast<int>(n) < kFew) return false;
  double small = 0;
  if (!FewAlongLine(near.first(kFew), small)) return false;
  // The direction of the nearest few: the principal axis of their second moments.
  double sxx = 0, sxy = 0, syy = 0;
  for (int i = 0; i < kFew; ++i) {
    const TOffset& o = near[static_cast<std::size_t>(i)];
    sxx += o.dx * o.dx;
    sxy += o.dx * o.dy;
    syy += o.dy * o.dy;
  }
  // The longer column of the moments less the smaller eigenvalue lies along that axis.
  double ex = sxx - small, ey = sxy;
  if (std::hypot(sxy, syy - small) > std::hypot(ex, ey)) ex = sxy, ey = syy - small;
  const double norm = std::hypot(ex, ey);
  if (!(norm > 0)) return false;
  ex /= norm;
  ey /= norm;
  // The share of the nearest within the band about the line, and how far those reach along
  // it: the spacing along the line, half of them on either side of the centre.
  const TOffset& last = near.back();
  const double band = kBand * std::hypot(last.dx, last.dy);
  int onLine = 0;
  double reach = 0;
  for (const TOffset& o : near)
    if (std::fabs(ey * o.dx - ex * o.dy) <= band) {
      ++onLine;
      reach = std::max(reach, std::fabs(ex * o.dx + ey * o.dy));
    }
  if (onLine < kOnLineShare * static_cast<double>(n)) return false;
  const double spacing = reach / std::max(1.0, 0.5 * onLine);
  if (!(spacing > 0)) return false;
  // The centre lies on the line among them: its nearest point lies about a spacing away. A
  // cluster seen from afar lies in a band towards it, all its points about as far.
  double closest = 0;
  for (const TOffset& o : near)
    if (o.dx != 0 || o.dy != 0) {
      closest = std::hypot(o.dx, o.dy);
      break;
    }
  if (closest > kOnLineGap * spacing) return false;
  line = {ex, ey, band, spacing, reach};
  return true;
}

}  // namespace

bool NearestLieAlongLine(std::span<const std::pair<double, double>> offsets) {
  std::vector<TOffset> near;
  for (const auto& [dx, dy] : offsets) near.push_back({dx, dy});
  std::stable_sort(near.begin(), near.end(), [](const TOffset& a, const TOffset& b) {
    return a.dx * a.dx + a.dy * a.dy < b.dx * b.dx + b.dy * b.dy;
  });
  if (near.size() > static_cast<std::size_t>(kTold)) near.resize(static_cast<std::size_t>(kTold));
  TLine line;
  return LineOfNearest(near, line);
}

bool NearestFewLieAlongLine(const TNearestPoints& index, double px, double py, int skip) {
  thread_local std::vector<int> few;
  index.NearestTo(px, py, kFew, few, skip);
  if (static_cast<int>(few.size()) < kFew) return false;
  TOffset near[kFew];
  for (int i = 0; i < kFew; ++i) {
    const int j = few[static_cast<std::size_t>(i)];
    near[i] = {index.X(j) - px, index.Y(j) - py};
  }
  double small = 0;
  return FewAlongLine(near, small);
}

void SpanningNearest(const TNearestPoints& index, double px, double py, int k, int skip,
                     TNeighbourhood& out, std::span<const int> nearest) {
  out = TNeighbourhood{};
  // The nearest are told along a line from a dozen of them at least: of a few, most may lie in
  // a band by chance.
  std::vector<int> told;
  const std::size_t want = static_cast<std::size_t>(std::max(k, kTold));
  if (!nearest.empty())
    told.assign(nearest.begin(), nearest.begin() + std::min(nearest.size(), want));
  else
    index.NearestTo(px, py, static_cast<int>(want), told, skip);
  out.ids.assign(told.begin(), told.begin() + std::min(told.size(), static_cast<std::size_t>(std::max(k, 0))));
  if (k < 1) return;
  std::vector<TOffset> near;
  for (const int i : told) near.push_back({index.X(i) - px, index.Y(i) - py});
  TLine line;
  if (!LineOfNearest(near, line)) return;
  const double ex = line.ex, ey = line.ey, band = line.band, spacing = line.spacing, reach = line.reach;
  // The spacing of the lines: the nearest point on another line about the foot of the
  // centre's normal, within a few spacings of it along the line.
  std::vector<int> strip;
  // Every point lies within twice the larger side of the box of every other.
  const double extent = 2 * index.Extent();
  double across = std::numeric_limits<double>::infinity();
  for (double r = 4 * reach; std::isinf(across); r *= 2) {
    index.InStrip(px, py, ex, ey, 4 * spacing + band, std::min(r, extent), strip, skip);
    for (const int i : strip) {
      const double dx = index.X(i) - px, dy = index.Y(i) - py;
      const double c = std::fabs(ey * dx - ex * dy);
      if (c > band && c >= kOffLine * std::hypot(dx, dy)) across = std::min(across, c);
    }
    if (r >= extent) break;
  }
  if (!std::isfinite(across)) return;  // no other line
  const double stretch = across / spacing;
  if (!(stretch >= kLeastStretch)) return;
  // The k nearest in the stretched distance: those within R of it lie in the strip that
  // reaches R / stretch along the line and R across it.
  std::vector<std::pair<double, int>> ranked;
  for (double r = 2.5 * across;; r *= 2) {
    const bool whole = r / stretch >= extent;  // the strip holds every point
    index.InStrip(px, py, ex, ey, std::min(r / stretch, extent), std::min(r, extent), strip, skip);
    ranked.clear();
    int within = 0;
    for (const int i : strip) {
      const double dx = index.X(i) - px, dy = index.Y(i) - py;
      const double a = stretch * (ex * dx + ey * dy), c = ey * dx - ex * dy;
      const double d2 = a * a + c * c;
      within += d2 <= r * r;
      ranked.push_back({d2, i});
    }
    if (within < k && !whole) continue;
    std::sort(ranked.begin(), ranked.end());
    out.ids.clear();
    for (std::size_t i = 0; i < std::min(ranked.size(), static_cast<std::size_t>(k)); ++i)
      out.ids.push_back(ranked[i].second);
    out.acrossLines = true;
    out.ex = ex;
    out.ey = ey;
    out.stretch = stretch;
    return;
  }
}
