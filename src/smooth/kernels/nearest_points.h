// The nearest neighbours of every point of a scattered set, through a grid of cells over the
// points' bounding box (about two points a cell): the derivative estimation of the library's
// Akima and Preusser surfaces asks each point for its K nearest others, and the noise
// estimate of derivative_limiter.h for its nearest one.
#pragma once

#include <algorithm>
#include <span>
#include <vector>

class TNearestPoints {
 public:
  // Over points 0..n-1 of x and y (finite coordinates).
  TNearestPoints(std::span<const double> x, std::span<const double> y);

  int Count() const { return static_cast<int>(std::min(x_.size(), y_.size())); }
  double X(int i) const { return x_[static_cast<std::size_t>(i)]; }
  double Y(int i) const { return y_[static_cast<std::size_t>(i)]; }
  // The larger side of the points' box.
  double Extent() const { return scale_ > 0 ? cells_ / scale_ : 0.0; }

  // The k nearest points to point self other than itself, nearest first (equal distances in
  // ascending point order); fewer when the set has fewer others.
  void Nearest(int self, int k, std::vector<int>& out) const;
  // The k nearest points to (px, py) within the points' box, nearest first (equal distances
  // in ascending point order), leaving out point `skip` (none when it names no point).
  void NearestTo(double px, double py, int k, std::vector<int>& out, int skip = -1) const;
  // The points (other than `skip`) in the rectangle about (px, py) that reaches `along` either
  // way along the unit direction (ex, ey) and `across` either way across it, in no order.
  void InStrip(double px, double py, double ex, double ey, double along, double across,
               std::vector<int>& out, int skip = -1) const;

 private:
  int Cell(double v, double origin) const;
  std::span<const double> x_, y_;
  double x0_ = 0, y0_ = 0, scale_ = 0;
  int cells_ = 1;
  std::vector<int> start_, members_;
};
