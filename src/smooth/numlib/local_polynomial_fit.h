// Partial derivatives at a data point from a polynomial through it that fits its neighbours:
// the derivative estimation of the library's Akima (cubic, for the accuracy of a cubic
// polynomial) and Preusser (quadratic for C1, quartic for C2) surfaces.
//
// The polynomial of degree d in (x - x0, y - y0) passes through the point's own value and
// fits the neighbours by weighted least squares (Householder QR on columns scaled by the
// neighbourhood's radius); nearer neighbours weigh more, down to a quarter of the radius (a
// neighbour nearer still is no better known). Data taken from a polynomial of
// degree d are fitted exactly, so its derivatives come back exact. When the neighbours do
// not determine all terms (too few, lying on a curve that the terms cannot tell apart, or
// spread across a line by less than a millionth of their distance along it), the degree is
// lowered until they do. For the extrapolation beyond the hull the callers then hold the
// derivatives to what the values about the point support (derivative_limiter.h).
#pragma once

#include <span>
#include <vector>

#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/line_neighbourhood.h"

inline constexpr int kLocalFitMaxDegree = 4;

// d[a][b] = the derivative of order a in x and b in y (a + b <= degree), d[0][0] = z0;
// entries above the degree used are 0.
struct TLocalFit {
  int degree = 0;
  double d[kLocalFitMaxDegree + 1][kLocalFitMaxDegree + 1] = {};
};

// The number of terms of a degree beyond the constant: 2, 5, 9, 14 for degrees 1..4.
int LocalFitTerms(int degree);

// Fits point `self` of (x, y, z) against the neighbours (point indices) with a polynomial of
// at most maxDegree. False when not even a plane is determined (all neighbours on one line
// through the point) or a result is not a finite number.
[[nodiscard]] bool LocalPolynomialFit(std::span<const double> x, std::span<const double> y,
                                      std::span<const double> z, int self,
                                      std::span<const int> neighbours, int maxDegree,
                                      TLocalFit& out);

// The same over a neighbourhood that may reach across lines of points (line_neighbourhood.h):
// there the polynomial is fitted in the frame of the lines, along them and across them, and
// a term is left out where the points do not spread in its direction (three lines determine
// a quadratic across them, not a cubic): the terms of every degree along the lines stay.
[[nodiscard]] bool LocalPolynomialFit(std::span<const double> x, std::span<const double> y,
                                      std::span<const double> z, int self,
                                      const TNeighbourhood& hood, int maxDegree, TLocalFit& out);

// The fit at point `self` over a neighbourhood of `count` points (SpanningNearest over its
// nearest), or of twice as many, and so on, until one determines a plane: `neighbours`
// receives the points of the fit. False when even all the points do not.
class TNearestPoints;
[[nodiscard]] bool FitAtPoint(const TNearestPoints& nearest, std::span<const double> x,
                              std::span<const double> y, std::span<const double> z, int self,
                              int count, int maxDegree, TLocalFit& fit, std::vector<int>& neighbours);

// The fit's derivatives as a node's expansion (derivative_limiter.h).
TNodeTaylor FitTaylor(const TLocalFit& fit);
