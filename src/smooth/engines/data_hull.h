// The convex hull of the active points of an XYZ table in the x, y plane: where a scattered-
// data surface interpolates rather than extrapolates. The smoothing windows take the Z range
// of their graphs and the surface's extreme nodes from inside it.
#pragma once

#include <span>
#include <vector>

#include "app/xyz_point.h"

class TDataHull {
 public:
  // Over records 1 .. N of `table` (record 0 the header) whose status is active.
  explicit TDataHull(std::span<const TXYZPoint> table);

  // Whether (x, y) lies inside the hull or on it, within a millionth of the points' extents
  // (grid nodes laid on the data's own extremes count). Fewer than three points off one line
  // make no hull: every point is then inside.
  bool Contains(long double x, long double y) const;
  bool Empty() const { return vertices_.size() < 3; }

 private:
  struct TVertex {
    long double x, y;
  };
  std::vector<TVertex> vertices_;  // counter-clockwise, no three on a line
  long double tolerance_ = 0;      // in units of length
};
