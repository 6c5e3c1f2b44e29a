// Incremental Delaunay triangulation of scattered nodes in the plane, after Renka's
// triangulation package (ACM TOMS algorithm 751): the same adjacency structure, argument
// order and error codes, so that the interpolation routines beside it and any caller written
// for that package read it unchanged.
//
// Storage of a triangulation of N nodes (node k is (x[k-1], y[k-1]); every index below is
// 1-based in meaning, element i of an array being array[i-1]):
//   LIST  6N ints: the neighbours of every node in counter-clockwise order; the last
//         neighbour of a boundary node is stored negated. A boundary node's ring starts with
//         the hull node that follows it counter-clockwise and ends with the one before it.
//   LPTR  6N ints: LPTR(i) is the LIST index of the entry after LIST(i) in the same ring.
//   LEND  N ints: LEND(k) is the LIST index of node k's last neighbour; node k lies on the
//         boundary exactly when LIST(LEND(k)) < 0.
//   LNEW  the first free LIST index (one more than the entries in use).
// The engines keep LIST, LPTR and LEND in one block of 13N ints (LPTR at 6N, LEND at 12N).
//
// RenkaTriangulate, in order: the first three nodes form the first triangle; every later
// node, in the given order, is located by a walk from a node inserted near it (RenkaLocate),
// joined to the triangle around it (splitting the side it lies on when that is a hull side)
// or to the hull nodes it sees, and the Delaunay property is restored by swapping diagonals
// around it (RenkaSwapTest, RenkaSwap).
//
// Every routine here is re-entrant: the machine precision and the swap tolerance are found
// per call, and no state is shared between calls.
//
// Range: the predicates multiply up to four coordinate differences. RenkaTriangulate
// decides on copies scaled by a power of two when the largest coordinate lies beyond 2^200
// or below 2^-200 in magnitude, so every finite input gets the mesh an unbounded exponent
// range would give; RenkaAddNode does the same when the node it adds lies there.
// RenkaLocate, RenkaSwapTest and RenkaLeft take the coordinates as they are (the engines
// work in the unit square).
#pragma once

#include <vector>

// Error codes of the triangulation routines (IER). A positive IER L names node L, which the
// new node coincides with.
inline constexpr int kRenkaOk = 0;
inline constexpr int kRenkaInvalidInput = -1;  // too few nodes, bad index or count
inline constexpr int kRenkaCollinear = -2;     // the first three (or all) nodes on one line
inline constexpr int kRenkaConstraint = -3;    // the node lies in a constraint region

// Builds the Delaunay triangulation of nodes 1..n into list, lptr (6n ints each) and lend
// (n ints). IER: 0 success; -1 n < 3 or a coordinate that is not a finite number; -2 the
// first three nodes are collinear (RenkaPrepareFirstThree mends that); L > 0 node L
// coincides with a later node. After an error the arrays must not be used.
void RenkaTriangulate(int n, const double* x, const double* y, int* list, int* lptr, int* lend,
                      int& lnew, int& ier);

// Adds node k at (xk, yk) to the triangulation of nodes 1..n, starting the search at node
// ist; stores (xk, yk) as node k and increments n on success. The arrays must have room for
// the triangulation of k nodes. Constraint curves (ncc > 0, first nodes lcc[0..ncc-1]) are
// checked for validity only: constraint regions are not supported by this implementation,
// so k must be n + 1. IER: 0 success; -1 k != n + 1, ist outside 1..n, ncc < 0, n < 3, a
// constraint curve with fewer than 3 nodes, k above the first constraint node, or a
// coordinate that is not a finite number; -2 all nodes so far are collinear; L > 0 the node
// coincides with node L.
void RenkaAddNode(int k, double xk, double yk, int ist, int ncc, const int* lcc, int& n,
                  double* x, double* y, int* list, int* lptr, int* lend, int& lnew, int& ier);

// Finds the triangle (i1, i2, i3), counter-clockwise, that contains (px, py), starting the
// walk at node nst (node 1 when nst is outside 1..n). A point outside the convex hull gives
// i3 = 0 and i1, i2 the rightmost and leftmost hull nodes visible from it as seen from the
// point (the visible chain runs clockwise from i1 to i2). i1 = i2 = i3 = 0 when the
// structure holds no triangle (all nodes collinear) or the point is not a finite number.
void RenkaLocate(int nst, double px, double py, int n, const double* x, const double* y,
                 const int* list, const int* lptr, const int* lend, int& i1, int& i2, int& i3);
// The same walk, the same triangle, with `twins` from RenkaTwinSlots of this triangulation
// (or nullptr): each step then finds the side it crosses in the ring of the node beyond
// instead of searching that ring.
void RenkaLocate(int nst, double px, double py, int n, const double* x, const double* y,
                 const int* list, const int* lptr, const int* lend, const int* twins, int& i1,
                 int& i2, int& i3);

// For every LIST index lp (node v, neighbour u = |LIST(lp)|) the LIST index of v in u's
// ring, at twins[lp - 1]; valid until the triangulation changes.
std::vector<int> RenkaTwinSlots(int n, const int* list, const int* lptr, const int* lend);

// Whether the diagonal io1-io2 of the quadrilateral with opposite nodes in1 (left of
// io1->io2) and in2 (right of it) should be replaced by in1-in2: the circumcircle test in
// the form of Cline and Renka, which keeps the existing diagonal for cocircular nodes.
bool RenkaSwapTest(int in1, int in2, int io1, int io2, const double* x, const double* y);

// Replaces the diagonal io1-io2 by in1-in2; returns the LIST index of in1 as a neighbour of
// in2, or 0 (nothing changed) when in1 and in2 are already adjacent.
int RenkaSwap(int in1, int in2, int io1, int io2, int* list, int* lptr, int* lend);

// True when (x0, y0) lies on or to the left of the directed line (x1, y1) -> (x2, y2).
bool RenkaLeft(double x1, double y1, double x2, double y2, double x0, double y0);

// The LIST index at which node nb stands in the ring whose last entry is at index lpl (either
// sign of the stored entry matches); lpl itself when nb is not in the ring.
int RenkaListIndex(int lpl, int nb, const int* list, const int* lptr);

// A triangle is flat when twice its area is below this share of its longest side squared:
// a point's coordinates in it, the ratios of areas, then keep less than six digits. Triangles
// of three nodes of a hull side through nearly collinear nodes (the ends of lines of points,
// turned) are flat to the rounding (1e-17), and the surfaces over them stood a hundredth off
// the plane their data lie on; slivers of points on a wiggling line are 1e-5 and more.
inline constexpr double kRenkaFlatShare = 1e-10;

// For a point (px, py) in the triangle of nodes tri (1-based) when that triangle is flat: the
// shortest of its sides a -> b onto which the point's foot falls, at b's share `share` of a
// (foot = share a + (1 - share) b). The surfaces take their value there along that side, as
// the triangles beside it have it, within the triangle's height. False when the triangle is
// not flat or the foot falls on no side.
[[nodiscard]] bool RenkaFlatTriangleSide(double px, double py, const double* x, const double* y,
                                         const int tri[3], int& a, int& b, double& share);

// Prepares points in arbitrary order (0-based arrays of n points) for RenkaTriangulate: finds
// the first point k >= 3 (1-based) that is not on the line through points 1 and 2 (slopes
// compared exactly, a vertical slope counting as 1e300). Returns 1 when n < 3 or every point
// lies on that line, else 0; when k >= 4 and swap is set, points 1 and k are exchanged in x,
// y and z (z may be null) so that the first three points are not collinear.
[[nodiscard]] int RenkaPrepareFirstThree(int n, double* x, double* y, double* z, int swap);
