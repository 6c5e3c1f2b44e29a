// Scattered test data for the smoothing windows: points spread over a rectangle by the
// golden-ratio sequences, so that no two points share a place and every run sees the same table.
#pragma once

#include <cmath>
#include <cstddef>

#include "app/point_table.h"
#include "app/xyz_point.h"

namespace smooth_test {

// Records 1..n: z = surface(x, y) at n quasi-random places over [0, width] x [0, height],
// every point active with weight 1.
template <class Surface>
PointTable QuasiRandomPoints(int n, long double width, long double height, Surface surface) {
  PointTable t = NewPointTable(n);
  for (int k = 1; k <= n; ++k) {
    const long double x = width * std::fmod(k * 0.618033988749894848L, 1.0L);
    const long double y = height * std::fmod(k * 0.754877666246692760L, 1.0L);
    t[static_cast<std::size_t>(k)] = TXYZPoint{x, y, surface(x, y), 1, kPointActive};
  }
  return t;
}

}  // namespace smooth_test
