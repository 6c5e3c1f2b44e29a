// Building small point tables in tests.
#pragma once

#include <vector>

#include "app/xyz_point.h"

struct TestPoint {
  long double x, y, z = 0, w = 1;
  char status = kPointActive;
};

inline PointTable TableOf(const std::vector<TestPoint>& points) {
  PointTable t = NewPointTable(static_cast<int>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) {
    TXYZPoint& r = t[i + 1];
    r.X = points[i].x, r.Y = points[i].y, r.Z = points[i].z, r.W = points[i].w;
    r.Status = points[i].status;
  }
  return t;
}
