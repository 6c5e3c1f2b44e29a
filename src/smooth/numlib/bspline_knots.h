// Knot sequences for B-spline interpolation: the numerical library's entry BSOpk, the
// optimal knots of de Boor's SPLOPT ("A Practical Guide to Splines", chapter XIII).
//
// For data sites tau[0] < ... < tau[n-1] and order k, the interior knots xi_1 < ... < xi_{n-k}
// of the optimal recovery scheme of Micchelli, Rivlin and Winograd (Gaffney and Powell) are
// the sign changes of the function h = +-1 that is orthogonal to every B-spline of order k
// on the knots tau:  integral over [tau[0], tau[n-1]] of h * B_{i,k,tau} = 0, i = 1 .. n - k.
// They are found, as in SPLOPT, by Newton's method from the averages of k - 1 consecutive
// sites; the Jacobian, 2 (-1)^(j-1) B_i(xi_j), is banded and (up to the signs of its
// columns) totally positive. Each step is shortened, where needed, so that the knots stay
// interlaced with the sites (tau[j-1] < xi_j < tau[j+k-1]), which keeps the system regular,
// and the residual of the conditions falls; where that iteration stalls, the knots are
// followed by continuation from evenly spaced sites to the given ones.
#pragma once

#include "smooth/numlib/bspline_basis.h"

// knots[0 .. n + k - 1] := k copies of tau[0], the n - k optimal interior knots, k copies of
// tau[n - 1]. Order 2 takes the interior sites as knots. Where the optimal knots cannot be
// found, the interior knots are the averages of k - 1 consecutive sites, on which
// interpolation at the sites is regular too (Schoenberg and Whitney); ier is then 0 as well.
// ier: 0, or an error word (bspline_basis.h; knots untouched): bad arguments, sites not
// finite or not increasing, or sites so close that not even the averages separate them.
void BSOpk(int n, const double* tau, int k, double* knots, int& ier);
