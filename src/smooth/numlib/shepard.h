// Modified Shepard interpolation of scattered data after Renka, in three families that share
// one cell grid, one nearest-node search and one blending of nodal functions:
//   qshep2, qs2val, qs2grd           quadratic nodal functions, C1 (ACM TOMS 660)
//   cshep2, cs2val, cs2grd, cs2hes   cubic nodal functions, C2 (ACM TOMS 790)
//   tshep2, ts2val, ts2grd, ts2hes   cosine-series nodal functions, C2 (ACM TOMS 791)
//
// The interpolant is C(P) = sum W_k(P) Q_k(P) / sum W_k(P) over the nodes whose radius of
// influence R_k holds P, with W_k = ((R_k - d_k)+ / (R_k d_k))^p (p = 2 quadratic, 3 cubic
// and cosine) and Q_k the nodal function of node k: Q_k(x_k, y_k) = f_k exactly, and its
// other coefficients fitted by weighted least squares (row weights (R - d) / (R d)) to the
// values of the nearest NQ (NC) nodes. R_k takes in the NW nearest nodes. A radius is the
// distance to the next node beyond the count (nodes as far as the last counted one are
// counted too), or 1.1 times the distance to the farthest node when every node is counted.
// A fit whose columns come out nearly dependent is retried with more nodes (up to 40), and
// if that does not help its highest-order coefficients are damped towards 0, order by
// order, so that every nodal function exists unless all nodes are collinear. A fit that
// leaves residuals (noisy values) draws every coefficient towards 0 as far as those residuals
// leave it undetermined (ridge regression), and within a TNodeLimits scope (the engines'
// extrapolation beyond the hull) every nodal function is then held to what the values of the
// nodes it reaches support (derivative_limiter.h): on noisy data a
// neighbour a hair away, or nodes along a line a hair wide, made slopes of thousands of
// noise widths. Data a family reproduces leave no residual and keep their exact fits.
//
// Nodal functions of node k, with dx = x - x_k, dy = y - y_k (coefficients per node, in
// this order):
//   quadratic  a1 dx^2 + a2 dx dy + a3 dy^2 + a4 dx + a5 dy + f_k                  (5)
//   cubic      a1 dx^3 + a2 dx^2 dy + a3 dx dy^2 + a4 dy^3 + a5..a9 as a1..a5 above (9)
//   cosine     sum over i + j <= 3 of c_ij cos(i t) cos(j s), t = pi/2 + w dx,
//              s = pi/2 + w dy with w = KAPPA / R_k: c30 c21 c12 c03 c20 c11 c02 c10 c01
//              c00 (10). cos(i t) is the Chebyshev polynomial T_i(-sin(w dx)), so within a
//              quarter turn of the node the series is a cubic in sin(w dx) and sin(w dy),
//              with the conditioning of Chebyshev polynomials; it reproduces no polynomial.
//
// Cell grid: the smallest rectangle holding the nodes, XMIN and YMIN its corner, split into
// NR x NR cells of DX by DY; LCELL(i, j) (lcell[(j-1) NR + i - 1]) is the smallest node in
// cell (i, j) or 0, LNEXT(k) the next node of node k's cell (k itself for the last). RMAX is
// the largest R_k; RADII holds R_k (not squared) for every family.
//
// Set-up error words (IER): 0 success; 1 N, NQ/NC, NW or NR out of range or a coordinate or
// value that is not a finite number; 2 two nodes coincide (or all x or all y equal); 3 all
// nodes collinear. Limits: quadratic N >= 6, 5 <= NQ <= min(40, N - 1); cubic and cosine
// N >= 10, 9 <= NC <= min(40, N - 1); all 1 <= NW <= min(40, N - 1), NR >= 1.
//
// Evaluators: the value routines answer 0 outside every radius or on invalid input. The
// gradient and Hessian routines give IER 0, 1 for invalid input (N, NR, DX, DY, RMAX, a
// point that is not a finite number, or cell lists that do not describe N nodes), or 2 when
// no radius holds the point; their outputs are 0 unless IER is 0.
//
// All routines are re-entrant and keep no state between calls.
#pragma once

void qshep2(int n, const double* x, const double* y, const double* f, int nq, int nw, int nr,
            int* lcell, int* lnext, double& xmin, double& ymin, double& dx, double& dy,
            double& rmax, double* radii, double* a, int& ier);
void qs2val(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& rmax, const double* radii,
            const double* a, double& q);
void qs2grd(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& rmax, const double* radii,
            const double* a, double& q, double& qx, double& qy, int& ier);

void cshep2(int n, const double* x, const double* y, const double* f, int nc, int nw, int nr,
            int* lcell, int* lnext, double& xmin, double& ymin, double& dx, double& dy,
            double& rmax, double* radii, double* a, int& ier);
void cs2val(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& rmax, const double* radii,
            const double* a, double& c);
void cs2grd(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& rmax, const double* radii,
            const double* a, double& c, double& cx, double& cy, int& ier);
void cs2hes(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& rmax, const double* radii,
            const double* a, double& c, double& cx, double& cy, double& cxx, double& cxy,
            double& cyy, int& ier);

// The cosine family carries two more reals between DY and RMAX: KAPPA, the angle that the
// series turns through between a node and the edge of its weight radius (0.45 pi, less
// where a fitting radius exceeds the weight radius, so that every fit stays inside a
// quarter turn), and RATIO, the largest fitting radius over weight radius of the nodes, from
// which KAPPA was chosen.
void tshep2(int n, const double* x, const double* y, const double* f, int nc, int nw, int nr,
            int* lcell, int* lnext, double& xmin, double& ymin, double& dx, double& dy,
            double& kappa, double& ratio, double& rmax, double* radii, double* a, int& ier);
void ts2val(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& kappa, const double& ratio,
            const double& rmax, const double* radii, const double* a, double& t);
void ts2grd(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& kappa, const double& ratio,
            const double& rmax, const double* radii, const double* a, double& t, double& tx,
            double& ty, int& ier);
void ts2hes(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& kappa, const double& ratio,
            const double& rmax, const double* radii, const double* a, double& t, double& tx,
            double& ty, double& txx, double& txy, double& tyy, int& ier);
