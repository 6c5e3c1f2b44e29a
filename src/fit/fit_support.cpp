#include "fit/fit_support.h"

#include <utility>
#include <vector>

namespace {

template <class T>
int DistinctCount(std::vector<T>& values) {
  std::sort(values.begin(), values.end());
  return static_cast<int>(std::unique(values.begin(), values.end()) - values.begin());
}

}  // namespace

TFitSupport FitSupportOf(std::span<const TXYZPoint> points) {
  std::vector<long double> xs, ys;
  std::vector<std::pair<long double, long double>> at;
  xs.reserve(points.size());
  ys.reserve(points.size());
  at.reserve(points.size());
  for (const TXYZPoint& p : points) {
    if (!IsActive(p) || !(p.W > 0.0L)) continue;
    xs.push_back(p.X);
    ys.push_back(p.Y);
    at.emplace_back(p.X, p.Y);
  }
  TFitSupport s;
  s.points = static_cast<int>(xs.size());
  s.distinctX = DistinctCount(xs);
  s.distinctY = DistinctCount(ys);
  s.locations = DistinctCount(at);
  return s;
}
