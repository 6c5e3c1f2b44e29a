// Tension factors of the arcs of a triangulation, after Renka's shape-preserving tension
// splines (ACM TOMS 716, used over triangulations as in ACM 752).
//
// Along an arc of length a from node N1 to N2 the surface's section is the Hermite
// interpolant H(t), t in [0, 1], of the values h1, h2 and the derivatives d1, d2 (the
// gradients' components along the arc, times a) in span{1, t, cosh(s t), sinh(s t)}: the
// cubic for tension s = 0, tending to the straight line as s grows. With D = h2 - h1 the
// data are
//   monotone when D, d1, d2 are all >= 0 or all <= 0, and
//   convex   when d1 <= D <= d2 or d1 >= D >= d2,
// and H keeps a property when H' (monotone) or H'' (convex) does not change sign. The
// factor of an arc is the smallest s that keeps every property the data have, 0 when the
// cubic keeps them already, and kMaxTension when no smaller factor does (H then differs
// from the line by less than the rounding of its values). Unless d1 = D = d2, a monotone arc
// with D = 0 and a convex one with D = d1 or D = d2 need the largest factor.
//
// The convexity bound is explicit: H'' has one sign on [0, 1] exactly when it has at both
// ends, which holds when g(s) = (sinh s - s) / (s (cosh s - 1)) <= min(r, 1 - r) with
// r = (D - d1) / (d2 - d1); g falls from 1/3 at 0 towards 1/s. The monotone bound is found by
// bisection on the smallest value of H' (at its one interior critical point, if any).
#pragma once

#include "smooth/kernels/renka_interpolation.h"  // kMaxTension, the largest factor

// The smallest factor that keeps the shape of the data on one arc (D, d1, d2 as above), to
// the relative precision tol (0: about 1e-12).
double ArcTensionFactor(double delta, double d1, double d2, double tol);

// H'(t) and H''(t) of the tension Hermite interpolant of (0, d1) and (delta, d2) on [0, 1].
struct TArcSlope {
  double first, second;
};
TArcSlope ArcHermiteDerivatives(double delta, double d1, double d2, double sigma, double t);

// The factors of every arc of the triangulation of nodes 1..n (renka_triangulation.h) from
// the values z and gradients (gx, gy), stored at both LIST indices of each arc (6n doubles).
// ncc: constraint curves (>= 0; the factors do not depend on them). iflgs must be 0 (the
// argument keeps the package's order). dsmax: the largest change |new - old| of a factor.
// IER: 0 success; -1 n < 3, ncc < 0, iflgs != 0 or a value, gradient or coordinate that is
// not a finite number; -2 two adjacent nodes coincide.
void getsig(int ncc, int n, const double* x, const double* y, const double* z, const int* list,
            const int* lptr, const int* lend, const double* gx, const double* gy, int iflgs,
            double tol, double* sigma, double& dsmax, int& ier);
