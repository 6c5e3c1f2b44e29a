// Preusser's C1 and C2 interpolation of scattered data on triangles (ACM TOMS algorithm 684),
// the numerical library's entries c1ini / c1pnt (quintic elements, C1) and c2ini / c2pnt
// (nonic elements, C2).
//
// c1ini, c2ini: the Delaunay triangulation of the nodes (renka_triangulation.h, kept in IWK
// as LIST, LPTR, LEND: 13 N ints), then the partial derivatives at every node up to order 2
// (C1: 5 N doubles in WK) or 4 (C2: 14 N doubles), each from the polynomial of that degree
// through the node that fits its nearest neighbours best (local_polynomial_fit.h); within a
// TNodeLimits scope (the engines' extrapolation beyond the hull) held to what the values
// about the node support (derivative_limiter.h: on noisy data a one-sided estimate carried
// the noise beyond the hull).
// c1pnt, c2pnt: the element of the triangle holding the point (preusser_element.h); outside
// the convex hull, the Taylor expansion along the normal from the nearest point of the hull
// (the element's extension beyond a hull side, or the node's own expansion at a hull node).
//
// WK per node k (0-based): zx, zy, zxx, zxy, zyy at 5k .. 5k + 4 (C1), then for C2 at 14k ..:
// zx, zy, zxx, zxy, zyy, zxxx, zxxy, zxyy, zyyy, zxxxx, zxxxy, zxxyy, zxyyy, zyyyy.
//
// Re-entrant: besides WK and IWK the point routines keep only the search start they are
// handed (the node where the last search ended, so that a sweep over neighbouring points
// walks a few triangles each time).
#pragma once

// Error words of c1ini / c2ini.
inline constexpr int kPreusserOk = 0;
inline constexpr int kPreusserTooFew = 1;      // fewer than 4 nodes
inline constexpr int kPreusserCollinear = 2;   // the first three (or all) nodes on one line
inline constexpr int kPreusserCoincident = 3;  // two nodes coincide
inline constexpr int kPreusserNotFinite = 4;   // a coordinate or value that is not a number,
                                               // an extent outside the range below, or
                                               // derivatives that overflow
// The extents of the nodes (the larger of the x and y ranges) the routines accept: the
// engines pass unit coordinates.
inline constexpr double kPreusserMinExtent = 1e-30;
inline constexpr double kPreusserMaxExtent = 1e30;
// Error words of c1pnt / c2pnt.
inline constexpr int kPreusserInside = 0;       // in a triangle
inline constexpr int kPreusserUnusable = 1;     // the point or the set-up cannot be evaluated
inline constexpr int kPreusserExtrapolated = 2; // outside the hull: extrapolated

// Set-ups over nodes 1..n (node k at x[k-1], y[k-1], z[k-1]; the first three not on one
// line). `reserved` is kept for the callers' argument list (they pass 0). WK: 5 n (C1) or
// 14 n (C2) doubles; IWK: 13 n ints.
void PreusserC1Init(int n, const double* x, const double* y, const double* z, int reserved,
                    double* wk, int* iwk, int& ier);
void PreusserC2Init(int n, const double* x, const double* y, const double* z, int reserved,
                    double* wk, int* iwk, int& ier);

// The surface at (px, py), derivative mode `mode` (0 value, 1 d/dx, 2 d/dy, 3 d2/dx2, 4 d2/dy2,
// 5 d2/dxdy; other modes 0), over the set-up in WK and IWK. start: the node where the search
// begins (1 for the first point; a value outside 1..n counts as 1), left at the node where it
// ended. pz is 0 with the error word 1.
void PreusserC1Point(int n, const double* x, const double* y, const double* z, double px,
                     double py, const double* wk, const int* iwk, int& start, double& pz,
                     int reserved, int mode, int& ier);
void PreusserC2Point(int n, const double* x, const double* y, const double* z, double px,
                     double py, const double* wk, const int* iwk, int& start, double& pz,
                     int reserved, int mode, int& ier);
