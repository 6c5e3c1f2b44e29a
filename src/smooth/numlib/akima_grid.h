// Akima's interpolation of data on a rectangular grid with the accuracy of a bicubic
// polynomial (ACM TOMS algorithm 760), the numerical library's entry rgbi3p.
//
// The surface is, on every grid rectangle, the bicubic Hermite polynomial fixed by z, zx, zy
// and zxy at its four corners, so it is C1 across the rectangles' sides. The partial
// derivatives at the nodes are estimated along the grid lines as in Akima's univariate
// method: every set of four consecutive nodes that holds the node gives, through the cubic
// that passes through them, a primary estimate of the slope at the node; the estimate is the
// mean of these weighted by the reciprocal of (the squared deviations of the four values
// from their least-squares line) times (the squared distances of the other three nodes).
// zxy is the same mean, with the products of the x and y weights, of the cross derivatives
// of the bicubic through the 4 x 4 nodes of a pair of sets. Lines of 2 or 3 nodes use the
// one polynomial through all of them. Data taken from a bicubic polynomial are therefore
// reproduced exactly, with all their derivatives.
//
// Points outside the grid take the polynomial of the nearest rectangle (extrapolation), so
// bicubic data are reproduced there too. Mode -1 integrates: over the rectangle with corners
// (xi[0], yi[0]) and (xi[1], yi[1]), each piece of it exactly by the polynomial that holds
// there.
//
// WK holds 3 doubles per node, node (i, j) at 3 (i + nxd j): zx, zy, zxy. MD 1 estimates them
// before evaluating; MD 2 uses WK as given (an earlier MD 1's, or derivatives the caller put
// there). Re-entrant: no state outside the arguments.
#pragma once

// Error words (IER).
inline constexpr int kRgOk = 0;
inline constexpr int kRgBadMd = 1;          // MD neither 1 nor 2
inline constexpr int kRgTooFewX = 2;        // NXD < 2
inline constexpr int kRgTooFewY = 3;        // NYD < 2
inline constexpr int kRgXNotIncreasing = 4; // XD not strictly increasing
inline constexpr int kRgYNotIncreasing = 5; // YD not strictly increasing
inline constexpr int kRgBadPoints = 6;      // NIP < 1 (< 2 in mode -1) or a missing array
inline constexpr int kRgBadMode = 7;        // mode outside -1 .. 5
inline constexpr int kRgNotFinite = 8;      // a coordinate, value or derivative not a number

// Derivative modes as everywhere: 0 value, 1 d/dx, 2 d/dy, 3 d2/dx2, 4 d2/dy2, 5 d2/dxdy; -1
// the integral (into zi[0]).
inline constexpr int kRgIntegral = -1;

// Node values zd[i + nxd j] at (xd[i], yd[j]). zi[k] := mode at (xi[k], yi[k]), k < nip.
void rgbi3p(int md, int nxd, int nyd, const double* xd, const double* yd, const double* zd,
            int nip, const double* xi, const double* yi, double* zi, double* wk, int mode,
            int& ier);
