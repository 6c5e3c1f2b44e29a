// Triangulation of scattered points after Akima's bivariate interpolation package (ACM TOMS
// algorithm 526), the triangulation under the Akima interpolants of akima_interpolation.h and
// of the numerical library's scattered Akima surface.
//
// In order: the closest pair of points (the first pair met with the strictly smallest squared
// distance) and the point nearest to its midpoint that is not on the pair's line form the
// first triangle; the other points follow in the order of their distance from that midpoint
// (a selection sort: for each position the first point with the strictly smallest remaining
// distance is exchanged into it). Each new point is joined to the border segments it sees,
// and diagonals are exchanged by Lawson's max-min-angle criterion (AkimaSwapTest) over the
// sides marked by the addition and by every exchange, until a pass exchanges none: at most
// 100 passes per point in the published form, here as many as there are points when more are
// needed. On points along straight lines evenly spaced (an even grid of points) the exchanges
// run the length of a line, and the published bound left fans of triangles from one point to
// a run of the next line, 0.2 wide and 1.8 long, over which Akima's surfaces of a narrow
// ridge stood at -146 .. 87 for data of 1 .. 6.15.
//
// Output, point numbers 1-based as in the published package:
//   IPT  3 ints per triangle: its vertices, counter-clockwise (NT triangles, NT <= 2 NDP - 5)
//   IPL  3 ints per border segment: its end points and the triangle it belongs to; the
//        border runs counter-clockwise (NL segments, NL <= NDP)
//
// Speed: the published form finds the closest pair over all pairs, orders the points by a
// quadratic selection sort and looks up the two triangles on a marked side by scanning every
// triangle. Here the pair search compares all pairs in vectorisable blocks (the same pair
// wins), the selection sort runs on a tournament tree (the same exchanges in the same order)
// and the triangles on a side come from a side-to-triangle map (the same two, the later one
// first): the triangulation is the published one, built in O(N^2 / 2) cheap comparisons plus
// O(N log N).
//
// Re-entrant: no state outside the arguments.
#pragma once

#include <span>

// Tolerance of the collinearity and visibility tests, relative to a squared length.
inline constexpr double kAkimaCollinearRatio = 1.0e-6;
// Limit on the passes of diagonal exchanges after each added point (the published one; the
// number of points when that is larger).
inline constexpr int kAkimaSwapPasses = 100;

// Triangulates points 1..ndp (point k at xd[k-1], yd[k-1]) into ipt (at least 6 ndp - 15
// ints) and ipl (at least 3 ndp ints). Returns 1 with nt and nl set; 0 when ndp < 4, two
// points coincide, all points lie on one line, a coordinate is not a finite number, squared
// distances overflow, or an array is too short (nothing meaningful is then left in the arrays).
[[nodiscard]] int AkimaTriangulate(int ndp, std::span<const double> xd, std::span<const double> yd,
                                   std::span<int> ipt, std::span<int> ipl, int& nt, int& nl);

// The first pair (i < j, i outer, 1-based) with the strictly smallest squared distance among
// points 1..n, as a scan over all pairs finds it. False when two points coincide or n < 2.
[[nodiscard]] bool AkimaClosestPair(int n, std::span<const double> x, std::span<const double> y,
                                    int& ip1, int& ip2, double& dsqmn);

// Whether the diagonal p3-p4 of the quadrilateral p1 p3 p2 p4 (triangles p1 p3 p4 and
// p2 p4 p3) should become p1-p2: only when p3 and p4 lie strictly on opposite sides of the
// line p1-p2, and then exactly when the smallest angle of the two triangles on p1-p2 is
// larger than that of the two on p3-p4 (compared through cross^2 / (L D): D the squared
// length of the triangle's side on the diagonal, L the larger squared length of its others).
// Point numbers are 1-based.
[[nodiscard]] bool AkimaSwapTest(std::span<const double> x, std::span<const double> y, int p1,
                                 int p2, int p3, int p4);
