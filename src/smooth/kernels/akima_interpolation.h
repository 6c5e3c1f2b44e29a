// Akima's bivariate interpolation of irregularly distributed data (ACM TOMS algorithm 526),
// the program's own kernel of the Akima I method and of the numerical library's grid surface.
//
// AkimaGridInterpolate, in order:
//   1. validate the call against what IWK holds (MD 2 and 3 reuse an earlier MD 1's work);
//   2. MD 1: triangulate the convex hull (akima_triangulation.h);
//   3. MD 1: the NCP closest points of every point;
//   4. MD 1, 2: sort the output grid points by the region they lie in: triangles, then for
//      every border segment its strip and the sector at its end vertex;
//   5. estimate zx, zy, zxx, zxy, zyy at every point from its closest points;
//   6. evaluate region by region the pieces of akima_patch.h: the quintic in a triangle, the
//      strip piece beyond a border segment, the Taylor piece in a vertex sector.
//
// Work arrays (1-based positions as in the published package; IWK(k) is iwk[k - 1]):
//   IWK(1) NCP  IWK(2) NDP  IWK(3) NXI  IWK(4) NYI  IWK(5) NT  IWK(6) NL
//   IWK(16) ..                      IPT, 3 per triangle (counter-clockwise)
//   IWK(6 NDP + 1) ..               NGP, grid points per region: the front halves forward,
//                                   the back halves (points on region boundaries) backward
//   IWK(24 NDP + 1) ..              IPL, 3 per border segment (end points, triangle)
//   IWK(27 NDP + 1) ..              IPC, the NCP closest points of every point
//   IWK(max(31, 27 + NCP) NDP + 1)  IGP, grid point numbers sorted by region: front halves
//                                   from the start, back halves from the end
//   WK(5 (k - 1) + 1 .. 5 k)        zx, zy, zxx, zxy, zyy of point k
// Regions: 1..NT the triangles; IL1 (NT + NL) + IL2 the strip beyond segment IL1 (IL2 = IL1)
// or the sector between segments IL1 and IL2 = IL1 mod NL + 1.
//
// Where this kernel departs from the published form: real quantities are doubles; failures
// come back as the result 0 (with ZI untouched) instead of printed messages; the value
// routine also gives the five partial derivatives of the interpolant; a grid point that
// rounding leaves outside every region (one within a rounding error of a side shared by two
// triangles) is evaluated in the triangle it lies most inside rather than left unset; the
// closest points are found by the published scan over all points in vectorisable blocks,
// which keeps the published choice among equally distant points; within a TNodeLimits scope
// (the engines' extrapolation beyond the hull) the derivatives estimated are held to what the
// values about each point support (derivative_limiter.h), which on noisy data keeps a point
// whose closest points crowd along the border from taking noise over a sliver's width as its
// slope and curvature.
//
// Re-entrant: the coefficient cache lives in the call; between calls only IWK and WK carry
// state.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "smooth/kernels/akima_patch.h"

// MD: new points and grid; new z values and grid on the same points; new z values only.
inline constexpr int kAkimaNewPoints = 1;
inline constexpr int kAkimaNewValues = 2;
inline constexpr int kAkimaSameGrid = 3;

// Bounds of the closest-point count and the sine^2 (of 15 degrees) below which a set of
// closest points counts as collinear.
inline constexpr int kAkimaMaxCloseCount = 25;
inline constexpr double kAkimaCollinearSine2 = 0.06698;

// IWK and WK sizes for a call.
std::size_t AkimaIntWorkSize(int ncp, int ndp, int nxi, int nyi);
inline std::size_t AkimaRealWorkSize(int ndp) { return 5 * static_cast<std::size_t>(ndp); }

// The grid entry: ZI((iy - 1) NXI + ix) at (XI(ix), YI(iy)), derivative code deriv
// (akima_patch.h). Returns 1, or 0 on any failure: MD outside 1..3; NCP outside 2..25 or not
// below NDP; NDP < 4; NXI or NYI < 1; an array shorter than the call needs; a coordinate or
// value that is not a finite number; MD 2 or 3 with NCP or NDP other than stored, MD 3 with
// another grid size; two identical points; all points on one line; a point whose closest
// points all lie on one line through it with no other point off that line; or derivatives
// that overflow. A failure leaves ZI untouched; after a failure in steps 2 to 5 IWK holds no
// reusable work (a later MD 2 or 3 fails).
[[nodiscard]] int AkimaGridInterpolate(int md, int ncp, int ndp, std::span<const double> xd,
                                       std::span<const double> yd, std::span<const double> zd,
                                       int nxi, int nyi, std::span<const double> xi,
                                       std::span<const double> yi, std::span<double> zi,
                                       std::span<int> iwk, std::span<double> wk, int deriv);

// Single points over the triangulation an earlier successful call left in IWK: the numbers
// that call would give with MD 2 and a grid of one point, while the values and the
// derivatives in WK are those of that call, without sorting or estimating anything again.
// The region of a point is found through a bucket grid of the triangles' bounding boxes and
// the published region tests (so a point on a side goes to the same triangle). Keeps copies
// of the coordinates and the triangulation; one evaluator serves one thread at a time.
class TAkimaPointEvaluator {
 public:
  // Null when IWK holds no triangulation of these points.
  static std::unique_ptr<TAkimaPointEvaluator> Build(int ndp, std::span<const double> xd,
                                                     std::span<const double> yd,
                                                     std::span<const int> iwk);
  ~TAkimaPointEvaluator();

  // Derivative code deriv at (x, y) with the values zd and the derivatives wk of the call.
  double Evaluate(double x, double y, int deriv, std::span<const double> zd,
                  std::span<const double> wk) const;

 private:
  TAkimaPointEvaluator() = default;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
