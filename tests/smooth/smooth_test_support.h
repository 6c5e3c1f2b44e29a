// Shared helpers of the engine tests: point tables from coordinates or functions, and a
// numerical library installed for the length of a test.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "app/xyz_point.h"
#include "smooth/libs/numerical_library.h"

namespace smooth_test {

struct TPoint {
  long double x, y, z;
};

inline PointTable Table(const std::vector<TPoint>& points) {
  PointTable t(points.size() + 1);
  t[0].X = static_cast<long double>(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    t[i + 1].X = points[i].x;
    t[i + 1].Y = points[i].y;
    t[i + 1].Z = points[i].z;
    t[i + 1].W = 1;
    t[i + 1].Status = kPointActive;
  }
  return t;
}

// n seeded points in [x0, x0 + w] x [y0, y0 + h] with z = f(x, y).
template <class F>
std::vector<TPoint> Scattered(int n, std::uint64_t seed, F f, long double x0 = 0,
                              long double w = 1, long double y0 = 0, long double h = 1) {
  std::vector<TPoint> out;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<long double>(seed >> 11) * 0x1.0p-53L;
  };
  for (int i = 0; i < n; ++i) {
    const long double x = x0 + w * next(), y = y0 + h * next();
    out.push_back({x, y, f(x, y)});
  }
  return out;
}

inline long double ScaledError(long double got, long double want) {
  return std::fabs(got - want) / std::max(1.0L, std::fabs(want));
}

// The limit of f at (mx, my) from the side of the unit direction (nx, ny), by linear
// extrapolation from two points just off it: the value of the piece on that side, so that
// comparing both sides of a triangle side tests the continuity of f across it.
template <class F>
double SideLimit(F f, double mx, double my, double nx, double ny, double eps = 1e-9) {
  return 2 * f(mx + eps * nx, my + eps * ny) - f(mx + 2 * eps * nx, my + 2 * eps * ny);
}

// Installs a numerical library source for the life of the object (the built-in library
// again afterwards).
class ScopedNumLib {
 public:
  explicit ScopedNumLib(std::optional<TNumLibTable> table) {
    SetNumLibSource([table] { return table; });
  }
  ~ScopedNumLib() { SetNumLibSource({}); }
  ScopedNumLib(const ScopedNumLib&) = delete;
  ScopedNumLib& operator=(const ScopedNumLib&) = delete;
};

}  // namespace smooth_test
