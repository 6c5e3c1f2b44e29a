#include "fit/sampled_surface_check.h"

#include <cmath>
#include <vector>

namespace {

constexpr int kNodes = 33;
constexpr int kHalvings = 48;
// Brackets followed at most (a surface that crosses the middle level everywhere has more
// crossings than a pole needs to be found among them).
constexpr int kBracketBudget = 256;

long double Along(const TValueRange& r, int i) {
  return i == kNodes - 1 ? r.high : r.low + (r.high - r.low) * i / (kNodes - 1);
}

// A crossing of the level between (xa, ya) and (xb, yb), whose offsets from it da and db
// differ in sign, followed by halving. False when the surface has no value at a sample or
// stands beyond `width` on both sides of the last bracket.
bool CrossingIsContinuous(const TSurfaceSampler& surface, long double level, long double width, long double xa,
                          long double ya, long double da, long double xb, long double yb, long double db) {
  for (int k = 0; k < kHalvings; ++k) {
    const long double xm = xa + (xb - xa) / 2, ym = ya + (yb - ya) / 2;
    if ((xm == xa || xm == xb) && (ym == ya || ym == yb)) break;  // no number between the ends
    long double z = 0.0L;
    if (!surface(xm, ym, z)) return false;
    const long double dm = z - level;
    if (dm == 0.0L) return true;
    if ((dm < 0.0L) == (da < 0.0L)) {
      xa = xm, ya = ym, da = dm;
    } else {
      xb = xm, yb = ym, db = dm;
    }
  }
  return std::fabs(da) <= width || std::fabs(db) <= width;
}

}  // namespace

bool SampledSurfaceDefined(const TSurfaceSampler& surface, const TValueRange& x, const TValueRange& y,
                           const TValueRange& z) {
  const long double level = z.low + (z.high - z.low) / 2;
  const long double width = z.high > z.low ? z.high - z.low : 1.0L;
  std::vector<long double> offset(kNodes * kNodes);
  for (int i = 0; i < kNodes; ++i)
    for (int j = 0; j < kNodes; ++j) {
      long double v = 0.0L;
      if (!surface(Along(x, i), Along(y, j), v) || !std::isfinite(v)) return false;
      offset[static_cast<std::size_t>(i * kNodes + j)] = v - level;
    }
  int budget = kBracketBudget;
  const auto follow = [&](int i0, int j0, int i1, int j1) {
    const long double da = offset[static_cast<std::size_t>(i0 * kNodes + j0)];
    const long double db = offset[static_cast<std::size_t>(i1 * kNodes + j1)];
    if (!((da < 0.0L && db > 0.0L) || (da > 0.0L && db < 0.0L)) || budget <= 0) return true;
    --budget;
    return CrossingIsContinuous(surface, level, width, Along(x, i0), Along(y, j0), da, Along(x, i1), Along(y, j1), db);
  };
  for (int i = 0; i < kNodes; ++i)
    for (int j = 0; j < kNodes; ++j) {
      if (i + 1 < kNodes && !follow(i, j, i + 1, j)) return false;
      if (j + 1 < kNodes && !follow(i, j, i, j + 1)) return false;
    }
  return true;
}
