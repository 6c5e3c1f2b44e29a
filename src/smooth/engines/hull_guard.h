// Scattered-data surfaces held to their points beyond the convex hull of the points.
//
// Inside the hull an interpolant is pinned by the data; beyond it every method extrapolates
// its estimated derivatives: Akima's and Preusser's pieces carry the nodes' second (and
// higher) derivatives quadratically or further along the outward normal, the Shepard
// methods their nodal polynomials, the triangulation methods the hull nodes' gradients
// linearly. However well the estimates they extrapolate from are held (derivative_limiter.h),
// their growth over the distance from the hull to a corner of the data's rectangle is not
// what the data say: on dense noisy data the surface ran to walls ten times the data's height.
//
// THullGuard holds a surface beyond the hull within a few noise widths of its value at the
// nearest point of the hull (the allowance of derivative_limiter.h: a few noise widths for
// noisy data, without bound for data without noise). On noisy data the surface leaves the
// hull with its own slope and levels off within that band, however far the rectangle
// reaches; data without noise (a plane, a polynomial a method reproduces) keep their whole
// extrapolation.
//
// Within the hull nothing is held: an interpolant is pinned by its points there, and no
// measure tells the curvature of a sparsely sampled narrow peak from noise (a bump sampled at
// 300 points, its top between them, counted as noisy and was cut flat at the range of the
// points about it). Beyond the hull the foot's value is taken within the range of the points
// about the foot (the cells about it, at least 16 points) before the band, the typical
// allowance of the noise and variation, is laid about it: a step or a cliff across a table of
// noise then does not make the whole table count as smooth there.
//
// Beyond the hull the surface is also kept within the data's range widened by what the points
// about its few highest (lowest) points support: on a table with a broad step, whose
// neighbours differ by several noise widths, the typical allowance counts the whole table as
// smooth (10 noise widths), and the surface ran that far past the plateaus at its ends, which
// are noise.
#pragma once

#include <limits>
#include <memory>
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
  // The same with the foot (fx, fy) taken into the range of the points about it, and the
  // band the allowance about them (NearbyRange): the strip beside the flat part of a table
  // with a steep step is held to a few noise widths of its points. The band lies within the
  // data's widened range.
  double Hold(double fx, double fy, double footValue, double v, bool* held = nullptr) const;
  // Whether v might be held at all: false when it lies within half the allowance of every
  // value within the data's range, as the foot's does on smooth data (whose allowance is
  // wide), and within the data's widened range, so that the foot need not be evaluated.
  bool MayHold(double v) const;
  // The range [lo, hi] of the values of the points about (x, y) (at least 16 of them, in the
  // cells about its cell; unbounded without noise), and the allowance by which the surface
  // may pass it: TDataTrend::TypicalAllowance.
  double NearbyRange(double x, double y, double& lo, double& hi) const;

 private:
  static double HoldWithin(double allowance, double footValue, double v, bool* held);
  // v held within the data's range widened by the allowances about its ends.
  double WithinRange(double v) const;
  // The range of the values about every cell of a grid over the points' box (about two
  // points a cell): the least and greatest value in the smallest square of cells about the
  // cell that holds at least 16 points. Made only for data with noise.
  struct TNearby {
    TNearby(std::span<const double> x, std::span<const double> y, std::span<const double> z);
    std::size_t Cell(double x, double y) const;
    double x0 = 0, y0 = 0, sx = 0, sy = 0;
    int cells = 1;
    std::vector<double> lo, hi;
  };
  struct TVertex {
    double x, y;
  };
  std::vector<TVertex> hull_;  // counter-clockwise, no three on a line
  // For each side, how far the cross product of a point within the tolerance (a millionth of
  // the extent) may fall below 0.
  std::vector<double> slack_;
  double allowance_ = std::numeric_limits<double>::infinity();  // none measured: no hold
  double zMin_ = 0, zMax_ = 0;
  // The allowance about the points within and beside the hull (TDataTrend::TypicalAllowance).
  double nearbyAllowance_ = std::numeric_limits<double>::infinity();
  std::shared_ptr<const TNearby> nearby_;  // shared by copies: it never changes
  // How far the surface may pass the data's highest (lowest) value: the typical allowance of
  // the points about the few highest (lowest) points, at most nearbyAllowance_; unbounded
  // without noise.
  double above_ = std::numeric_limits<double>::infinity();
  double below_ = std::numeric_limits<double>::infinity();
};
