// Constraint curves in a triangulation, after Renka's triangulation and surface packages
// (ACM TOMS 751 and 752): curves made arcs of the triangulation, the regions they exclude,
// and the values and gradients at their nodes estimated from the other nodes.
//
// NCC curves are closed polygons of nodes: curve c runs from node LCC(c) to the node before
// LCC(c+1) (the last one to node N) and back to its first node; the curves are the last
// nodes of the triangulation. The constraint region of a curve lies to its left as it is
// traversed: a curve in counter-clockwise order excludes its inside, a clockwise one its
// outside (so a clockwise frame around the data excludes nothing inside it). A triangle lies
// in a constraint region when all three vertices belong to one curve and, in
// counter-clockwise order from its lowest vertex, its vertex numbers increase.
#pragma once

// Error codes of addcst (IER) beyond success (0).
inline constexpr int kConstraintInvalid = 1;     // ncc, lcc or n out of range
inline constexpr int kConstraintWorkSpace = 2;   // lwk too small (lwk then holds the need)
inline constexpr int kConstraintCrossing = 3;    // two constraint arcs cross
inline constexpr int kConstraintThroughNode = 4;  // a constraint arc passes through a node
inline constexpr int kConstraintNodeInside = 5;  // a node lies in a constraint region

// Makes every arc of every curve an arc of the triangulation of nodes 1..n
// (renka_triangulation.h), by swapping the diagonals that cross it (Sloan's edge
// insertion), then restores the Delaunay property of the arcs that are not constraint arcs.
// lwk in: the size of iwk; out: the entries needed (2 per crossing arc of the worst
// constraint arc). IER: 0, or one of the codes above; after an error other than 1 or 2 the
// triangulation may have been changed (it stays a valid triangulation).
void addcst(int ncc, const int* lcc, int n, const double* x, const double* y, int& lwk, int* iwk,
            int* list, int* lptr, int* lend, int& ier);

// Whether the counter-clockwise triangle (i1, i2, i3) lies in a constraint region.
[[nodiscard]] bool InConstraintRegion(int i1, int i2, int i3, int ncc, const int* lcc, int n);

// Values and gradients at the constraint nodes (those from lcc[0] on) from those of the other
// nodes: each constraint node's value and gradient minimise the curvature functional of its
// arcs (cubic, or under tension as in RenkaGradients) with its neighbours held, one
// Gauss-Seidel sweep after another, starting from the tangent planes of the nodes already
// known (nearest first). values = 0 keeps the given values and estimates gradients only.
// nit in: the sweep limit (>= 1), out: sweeps done; dzmax in: the bound on the relative
// change of a sweep, out: the largest change of the last sweep. IER: 0 converged; 1 not
// converged (the last iterate is kept); -1 invalid input (ncc < 1, lcc, n, nit or dzmax out
// of range); -2 a singular system at a node; -3 two adjacent nodes coincide.
void zgradg(int ncc, const int* lcc, int n, const double* x, const double* y, const int* list,
            const int* lptr, const int* lend, int iflgs, const double* sigma, int& nit,
            double& dzmax, double* z, double* gx, double* gy, int values, int& ier);

// The C1 surface of RenkaInterpolateC1 (renka_interpolation.h) with the constraint curves
// honoured as regions: IER 1 where the point lies in a triangle of a constraint region (the
// value is still the triangle's), otherwise as there.
void intrc1(double px, double py, int ncc, const int* lcc, int n, const double* x,
            const double* y, const double* z, const int* list, const int* lptr, const int* lend,
            int iflgs, const double* sigma, const double* gx, const double* gy, int dflag,
            int& ist, double& pz, double& pzx, double& pzy, int& ier);
