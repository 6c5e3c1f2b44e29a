// The nearest neighbours of every point of a scattered set, through a grid of cells over the
// points' bounding box (about two points a cell): the derivative estimation of the library's
// Akima and Preusser surfaces asks each point for its K nearest others, and the noise
// estimate of derivative_limiter.h for its nearest one.
#pragma once

#include <span>
#include <vector>

class TNearestPoints {
 public:
  // Over points 0..n-1 of x and y (finite coordinates).
  TNearestPoints(std::span<const double> x, std::span<const double> y);

  // The k nearest points to point self other than itself, nearest first (equal distances in
  // ascending point order); fewer when the set has fewer others.
  void Nearest(int self, int k, std::vector<int>& out) const;

 private:
  int Cell(double v, double origin) const;
  std::span<const double> x_, y_;
  double x0_ = 0, y0_ = 0, scale_ = 0;
  int cells_ = 1;
  std::vector<int> start_, members_;
};
