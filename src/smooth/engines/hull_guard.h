// Scattered-data surfaces beyond the convex hull of their points.
//
// Inside the hull an interpolant is pinned by the data; beyond it every method extrapolates
// its estimated derivatives: Akima's and Preusser's pieces carry the nodes' second (and
// higher) derivatives quadratically or further along the outward normal, the Shepard
// methods their nodal polynomials, the triangulation methods the hull nodes' gradients
// linearly. However well the estimates are held at the nodes (derivative_limiter.h), their
// growth over the distance from the hull to a corner of the data's rectangle is not what the
// data say: on dense noisy data the surface ran to walls ten times the data's height.
//
// THullGuard holds a surface beyond the hull within a few noise widths of its value at the
// nearest point of the hull (the allowance of derivative_limiter.h: a few noise widths for
// noisy data, without bound for data without noise). On noisy data the surface leaves the
// hull with its own slope and levels off within that band, however far the rectangle
// reaches; data without noise (a plane, a polynomial a method reproduces) keep their whole
// extrapolation.
#pragma once

#include <limits>
#include <span>
#include <utility>
#include <vector>

#include "smooth/kernels/derivative_limiter.h"

class THullGuard {
 public:
  THullGuard() = default;
  // Over points 0..n-1 of x, y and their values z. Fewer than three points off one line make
  // no hull: no point is then beyond it.
  THullGuard(std::span<const double> x, std::span<const double> y, std::span<const double> z);

  bool Empty() const { return hull_.size() < 3; }
  // The allowance of the values (TDataTrend::Allowance).
  double Allowance() const { return allowance_; }
  // Whether (x, y) lies beyond the hull by more than a millionth of the points' extent (a
  // point the rounding of a side puts outside is inside).
  bool Beyond(double x, double y) const;
  // The point of the hull nearest to (x, y).
  std::pair<double, double> Foot(double x, double y) const;
  // v held within the allowance of `footValue`, the surface's value at the foot; *held tells
  // whether it was moved.
  double Hold(double footValue, double v, bool* held = nullptr) const;
  // Whether v might be held at all: false when it lies within half the allowance of every
  // value within the data's range, as the foot's does on smooth data (whose allowance is
  // wide), so that the foot need not be evaluated.
  bool MayHold(double v) const;

 private:
  struct TVertex {
    double x, y;
  };
  std::vector<TVertex> hull_;  // counter-clockwise, no three on a line
  // For each side, how far the cross product of a point within the tolerance (a millionth of
  // the extent) may fall below 0.
  std::vector<double> slack_;
  double allowance_ = std::numeric_limits<double>::infinity();  // none measured: no hold
  double zMin_ = 0, zMax_ = 0;
};
