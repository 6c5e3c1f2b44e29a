// The B-spline basis on one axis, shared by the numerical library's B-spline routines.
//
// A spline of order k (degree k - 1) with n coefficients lives on a knot sequence t[0 ..
// n + k - 1], non-decreasing, and is a polynomial on each span [t[l], t[l + 1]], l = k - 1
// .. n - 1; on span l only B_{l-k+1} .. B_l are non-zero. Points beyond t[k - 1] or t[n]
// belong to the end spans: the spline continues there as the end polynomial. The right end
// t[n] belongs to the last span, so that a spline is defined on the whole closed interval.
//
// Values and derivatives follow de Boor's recurrence (in the derivative form of Piegl and
// Tiller's basis-function algorithm); integrals of the basis use Gauss-Legendre rules, which
// are exact on each span for polynomials of the spline's degree.
#pragma once

#include <array>
#include <vector>

// Error words of the B-spline routines.
inline constexpr int kBSOk = 0;
inline constexpr int kBSBadArgument = 1;         // an order, count or array out of range
inline constexpr int kBSSitesNotIncreasing = 2;  // data sites not strictly increasing
inline constexpr int kBSSingular = 3;            // knots and sites admit no unique spline
inline constexpr int kBSNoConvergence = 4;       // the knot iteration did not converge
inline constexpr int kBSNotFinite = 5;           // a site, knot, weight or value not a number

// Orders the library accepts: up to degree 15.
inline constexpr int kMaxSplineOrder = 16;

// The span l (k - 1 <= l <= n - 1) that x belongs to: the last l with t[l] <= x, or k - 1
// for x below t[k - 1].
int BSplineSpan(const double* t, int n, int k, double x);

// Values (row 0) and derivatives of orders 1 .. d (rows 1 .. d) of the k basis functions
// B_{l-k+1} .. B_l at x on span l: ders[r * k + a] is the r-th derivative of B_{l-k+1+a}.
// Derivatives of order k and above are 0. ders holds (d + 1) k entries; 1 <= k <= the
// maximum order.
void BSplineBasis(const double* t, int k, int l, double x, int d, double* ders);

// Gauss-Legendre nodes and weights of p points on [-1, 1] (p >= 1).
struct TGaussRule {
  std::vector<double> node, weight;
};
TGaussRule GaussLegendreRule(int p);

// The integrals over [a, b] of the n basis functions: out[i] := the integral of B_i from a
// to b (negative when b < a). Beyond the end knots the end polynomials are integrated.
void BSplineBasisIntegrals(const double* t, int n, int k, double a, double b, double* out);

// Whether the knot sequence of n coefficients of order k is usable: finite, non-decreasing,
// with non-empty end spans (t[k - 1] < t[k], t[n - 1] < t[n]).
bool BSplineKnotsValid(const double* t, int n, int k);
