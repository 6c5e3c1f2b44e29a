// Tensor-product B-spline surfaces on rectangular grids: the numerical library's entries
// BSInt2 (interpolation), BSLsq2 (weighted least squares), BSVal2 and BSDer2 (a value or a
// partial derivative at a point), BSGEvl (the same on a grid) and BSItg2 (the exact integral
// over a rectangle), after de Boor's SPLINT, L2APPR and BVALUE ("A Practical Guide to
// Splines"), one axis at a time.
//
// A surface of orders kx, ky on knots tx[0 .. ncx + kx - 1], ty[0 .. ncy + ky - 1] is
//   s(x, y) = sum over i < ncx, j < ncy of coef[i + ncx j] B_i(x) B_j(y),
// coefficients with x varying fastest. Data matrices f hold f(x_i, y_j) at f[i + ldf j].
// Beyond the end knots the surface continues as the polynomials of its end spans
// (bspline_basis.h); callers that want the surface held at its edges clamp the point.
//
// Interpolation solves the banded collocation systems of the two axes, first along x for
// every grid row, then along y for every row of the result. Least squares with product
// weights wx_i wy_j separates the same way; each axis is solved by Givens rotations of the
// weighted observation rows into a banded triangle (as in Dierckx's FITPACK), which never
// forms the normal equations. A triangle whose diagonal vanishes relative to its largest
// element (a B-spline without data in its support) reports the system singular.
//
// Every routine reports through its last argument, an error word of bspline_basis.h; on an
// error the outputs are untouched.
#pragma once

#include "smooth/numlib/bspline_basis.h"

// coef[0 .. nx ny - 1] := the coefficients of the surface of orders kx, ky on the knots
// that takes the value f[i + ldf j] at (x[i], y[j]). The sites must be strictly increasing
// and each B-spline must be non-zero at its own site (the Schoenberg-Whitney conditions).
void BSInt2(int nx, const double* x, int ny, const double* y, const double* f, int ldf, int kx,
            int ky, const double* tx, const double* ty, double* coef, int& ier);

// coef[0 .. ncx ncy - 1] := the coefficients of the surface of orders kx, ky on the knots
// that minimises sum wx[i] wy[j] (s(x[i], y[j]) - f[i + ldf j])^2. Weights must be
// positive, the sites within the knots' end spans.
void BSLsq2(int nx, const double* x, int ny, const double* y, const double* f, int ldf, int kx,
            int ky, const double* tx, const double* ty, int ncx, int ncy, const double* wx,
            const double* wy, double* coef, int& ier);

// The value at (x, y).
void BSVal2(double x, double y, int kx, int ky, const double* tx, const double* ty, int ncx,
            int ncy, const double* coef, double& value, int& ier);

// The partial derivative of order ix in x and iy in y at (x, y).
void BSDer2(int ix, int iy, double x, double y, int kx, int ky, const double* tx,
            const double* ty, int ncx, int ncy, const double* coef, double& value, int& ier);

// value[i + ldv j] := the partial derivative of order ix, iy at (xs[i], ys[j]), i < nxo,
// j < nyo.
void BSGEvl(int ix, int iy, int nxo, const double* xs, int nyo, const double* ys, int kx, int ky,
            const double* tx, const double* ty, int ncx, int ncy, const double* coef,
            double* value, int ldv, int& ier);

// The integral of the surface over [a, b] x [c, d].
void BSItg2(double a, double b, double c, double d, int kx, int ky, const double* tx,
            const double* ty, int ncx, int ncy, const double* coef, double& value, int& ier);
