#include "graph3d/surface_search_start.h"

#include <cmath>
#include <cstddef>

#include "graph3d/renderer.h"

long double AxisToData(const T3DBase& renderer, int axis, long double v) {
  return renderer.Scaling().Log[static_cast<std::size_t>(axis)] != 0 ? std::pow(10.0L, v) : v;
}

TSurfaceSearchStart SurfaceSearchStart(const T3DBase& renderer, bool maximum) {
  long double low = 0, high = 0, xs[6] = {}, ys[6] = {};
  renderer.GridMinMax(low, high, xs, ys);
  const int k = maximum ? 3 : 0;
  const auto x = [&](int i) { return AxisToData(renderer, kAxisX, xs[k + i]); };
  const auto y = [&](int i) { return AxisToData(renderer, kAxisY, ys[k + i]); };
  return {x(1), y(1), x(0), x(2), y(0), y(2)};
}
