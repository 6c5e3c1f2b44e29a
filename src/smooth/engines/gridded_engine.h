// TSpline3D: the gridded-data engine. It takes an XYZ point table, finds out whether the points
// already form a complete rectangular grid, makes one when they do not (grid_making.cpp), fits
// one of six gridded surfaces over that grid and answers values, partial derivatives, grids of
// them, fit statistics and integrals over rectangles.
//
//   code  surface                                              degrees       file
//   0     interpolating tensor-product B-spline                2 .. n-1, ≤5  bspline_surfaces.cpp
//   1     bicubic B-spline inside the data, Akima outside      3 and 3       bspline_surfaces.cpp
//   2     Akima's rectangular-grid surface everywhere          3 and 3       bspline_surfaces.cpp
//   3     least-squares B-spline, chosen coefficient counts    2 .. n-2, ≤5  bspline_surfaces.cpp
//   4     NURBS smoothing of every grid line, then the         2 .. n-2, ≤5  nurbs_smoothing.cpp
//         B-spline of the same degrees (code 1 at 3 and 3)
//   5     as 4, degrees up to 9, always a cubic B-spline       2 .. n-2, ≤9  nurbs_smoothing.cpp
// Codes 0, 1 and 2 reproduce every grid node. Integrals: surface_integral.cpp.
//
// Life of an engine: construction builds the data object over a copy of the source sorted by
// x then y, merges replicated positions into the working table, detects or makes the grid,
// pulls the degrees and coefficient counts into their limits and computes; SetOptions
// computes again over the same grid. The source must outlive the engine, which never writes
// it. Evaluation clamps to the data's extents where the surface's Part says so (codes 0 and
// 3); beyond them code 1 extrapolates by Akima's method.
//
// Derivative modes as everywhere (scattered_engine.h): 0 value, 1 d/dx, 2 d/dy, 3 d2/dx2,
// 4 d2/dy2, 5 d2/dxdy.
//
// An engine is used by one thread at a time. It holds a reference to the numerical library
// for its whole life; without the library nothing is computed and every answer is 0 (grids
// empty).
#pragma once

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "app/xyz_data_set.h"
#include "app/xyz_point.h"
#include "expr/integration.h"
#include "smooth/engines/integral_rectangle.h"
#include "smooth/engines/rounding_noise.h"

enum TGridMethod : int {
  kGridBSpline = 0,
  kGridBSplineAkimaEdge = 1,
  kGridAkima = 2,
  kGridLeastSquares = 3,
  kGridNurbs = 4,
  kGridNurbsCubic = 5,
};
inline constexpr int kGridMethodCount = 6;

// Methods that make a grid from scattered points (grid_making.cpp); any other code is Renka I.
enum TRegridMethod : int {
  kRegridAkima = 0,
  kRegridSurf = 1,
  kRegridAkimaII = 2,
  kRegridPreusserC1 = 3,
  kRegridPreusserC2 = 4,
  kRegridRenka = 5,
  kRegridShepardQuadratic = 6,
  kRegridShepardCubic = 7,
  kRegridShepardCosine = 8,
  kRegridWatson = 9,
};
inline constexpr int kRegridMethodCount = 10;

// The sparse-grid filling gives way to a uniform grid of this size above kMaxFillNodes.
inline constexpr int kMaxFillNodes = 16384;
inline constexpr int kFillFallbackSize = 25;

// x min, x max, y min, y max, z min, z max.
using TGridExtents = std::array<long double, 6>;

class TSpline3D {
 public:
  // The windows' engine. nx, ny: the size of the uniform grid to make when the points are
  // not a complete grid of at least 3 by 3 (both 0: fill the sparse grid of the data's own
  // distinct x and y values instead).
  TSpline3D(std::span<TXYZPoint> source, int method, int degreeX, int degreeY, int lsqCoefX,
            int lsqCoefY, int nx, int ny, int regridMethod, bool forceRegrid);
  // Over a complete grid of nx * ny points in any order, which is both source and working
  // table (sorted in place, never copied; it must outlive the engine). extents: the data
  // extents, or null to compute them from the grid. No degree limits are applied. Without
  // the numerical library nothing is computed.
  TSpline3D(int nx, int ny, std::span<TXYZPoint> grid, const TGridExtents* extents, int method,
            int degreeX, int degreeY);
  ~TSpline3D();
  TSpline3D(const TSpline3D&) = delete;
  TSpline3D& operator=(const TSpline3D&) = delete;

  // Stores the five values, applies the limits and computes again; the grid stays.
  void SetOptions(int method, int degreeX, int degreeY, int lsqCoefX, int lsqCoefY);
  // Computes the current method over the grid, then the fit statistics.
  void Compute();
  void FreeWork();

  // Values and derivatives at (x, y); 0 with fewer than 4 grid nodes or no surface.
  long double EvalAt(long double x, long double y) { return EvalMode(x, y, 0); }
  long double EvalDx(long double x, long double y) { return EvalMode(x, y, 1); }
  long double EvalDy(long double x, long double y) { return EvalMode(x, y, 2); }
  long double EvalDxx(long double x, long double y) { return EvalMode(x, y, 3); }
  long double EvalDyy(long double x, long double y) { return EvalMode(x, y, 4); }
  long double EvalDxy(long double x, long double y) { return EvalMode(x, y, 5); }
  long double EvalMode(long double x, long double y, int mode);

  // nxo * nyo values at (xs[i], ys[j]) stored at j nxo + i; empty with fewer than 4 grid
  // nodes, no surface, or axes shorter than asked.
  std::vector<long double> EvalGrid(int nxo, int nyo, std::span<const long double> xs,
                                    std::span<const long double> ys) {
    return EvalGridMode(nxo, nyo, xs, ys, 0);
  }
  std::vector<long double> EvalGridDx(int nxo, int nyo, std::span<const long double> xs,
                                      std::span<const long double> ys) {
    return EvalGridMode(nxo, nyo, xs, ys, 1);
  }
  std::vector<long double> EvalGridDy(int nxo, int nyo, std::span<const long double> xs,
                                      std::span<const long double> ys) {
    return EvalGridMode(nxo, nyo, xs, ys, 2);
  }
  std::vector<long double> EvalGridDxx(int nxo, int nyo, std::span<const long double> xs,
                                       std::span<const long double> ys) {
    return EvalGridMode(nxo, nyo, xs, ys, 3);
  }
  std::vector<long double> EvalGridDyy(int nxo, int nyo, std::span<const long double> xs,
                                       std::span<const long double> ys) {
    return EvalGridMode(nxo, nyo, xs, ys, 4);
  }
  std::vector<long double> EvalGridDxy(int nxo, int nyo, std::span<const long double> xs,
                                       std::span<const long double> ys) {
    return EvalGridMode(nxo, nyo, xs, ys, 5);
  }
  std::vector<long double> EvalGridMode(int nxo, int nyo, std::span<const long double> xs,
                                        std::span<const long double> ys, int mode);

  // The surface at a data point: z itself for codes 0 and 1, the surface's value otherwise.
  long double EvalAtDataPoint(long double x, long double y, long double z);

  // The integral over [x1, x2] x [y1, y2] with its error estimate (surface_integral.cpp); 0
  // with fewer than 4 grid nodes, the missing value without a surface or when a library step
  // fails, the error then unwritten.
  long double Integrate(long double x1, long double x2, long double y1, long double y2,
                        long double* errorOut);

  // A copy of the source whose every z is the surface's value at its (x, y): the NURBS
  // window's smoothed data. Empty without the library or a surface.
  PointTable SmoothedPoints();

  // Limits of the degrees and coefficient counts; an argument of -1 takes the engine's own.
  int MinDegreeX(int method = -1) const { return MinDegree(method); }
  int MinDegreeY(int method = -1) const { return MinDegree(method); }
  int MaxDegreeX(int n = -1, int method = -1) const { return MaxDegree(n < 0 ? nx_ : n, method); }
  int MaxDegreeY(int n = -1, int method = -1) const { return MaxDegree(n < 0 ? ny_ : n, method); }
  int MinCoefX(int n = -1, int degree = -1, int method = -1) const {
    return MinCoef(n < 0 ? nx_ : n, degree < 0 ? degreeX_ : degree, method);
  }
  int MinCoefY(int n = -1, int degree = -1, int method = -1) const {
    return MinCoef(n < 0 ? ny_ : n, degree < 0 ? degreeY_ : degree, method);
  }
  int MaxCoefX(int n = -1, int method = -1) const { return MaxCoef(n < 0 ? nx_ : n, method); }
  int MaxCoefY(int n = -1, int method = -1) const { return MaxCoef(n < 0 ? ny_ : n, method); }

  long double Sse() const { return sse_; }
  // The SSE as the window shows it: rounding noise of an interpolant reads 0.
  long double ShownSse() const { return RoundingNoiseAsZero(sse_, zSquares_); }
  long double StdErr() const { return stdErr_; }
  long double RSquared() const { return rSquared_; }
  long double Sst() const { return sst_; }
  int Method() const { return method_; }
  int DegreeX() const { return degreeX_; }
  int DegreeY() const { return degreeY_; }
  int LsqCoefX() const { return lsqCoefX_; }
  int LsqCoefY() const { return lsqCoefY_; }
  int CoefCountX() const { return coefCountX_; }
  int CoefCountY() const { return coefCountY_; }
  int Nx() const { return nx_; }
  int Ny() const { return ny_; }
  int PointCount() const { return pointCount_; }
  int MergedCount() const { return mergedCount_; }
  bool Ready() const { return ready_; }
  bool GridDetected() const { return gridDetected_; }
  bool Inexact() const { return inexact_; }
  // Whether the last compute left a surface to evaluate.
  bool HasSurface() const { return !coef_.empty(); }
  // Nodes of a made grid that its method could not evaluate: they are marked inactive in the
  // working table and hold Renka I's value there (grid_making.cpp), never a 0 that no method
  // estimated.
  int FailedNodes() const { return failedNodes_; }
  // The data's own grid when filling it gave way to a uniform grid (more than kMaxFillNodes
  // nodes): its distinct x and y counts; 0 and 0 when it did not.
  std::pair<std::size_t, std::size_t> FillGaveWay() const { return fillGaveWay_; }
  // The grid the surface rests on (records 0 .. nx ny).
  std::span<const TXYZPoint> Working() const { return working_; }
  long double XMin() const { return ext_[0]; }
  long double XMax() const { return ext_[1]; }
  long double YMin() const { return ext_[2]; }
  long double YMax() const { return ext_[3]; }
  long double ZMin() const { return ext_[4]; }
  long double ZMax() const { return ext_[5]; }

  // Grid making from the working table (grid_making.cpp): a uniform nx_ by ny_ grid over the
  // data's extents, or the data's own distinct x and y values with the missing nodes filled.
  // Each answers true when the grid was made; it then becomes the working table.
  [[nodiscard]] bool RegridAkima() { return MakeGrid(false, kRegridAkima); }
  [[nodiscard]] bool RegridSurf() { return MakeGrid(false, kRegridSurf); }
  [[nodiscard]] bool RegridAkimaII() { return MakeGrid(false, kRegridAkimaII); }
  [[nodiscard]] bool RegridPreusser(int variant) {
    return MakeGrid(false, variant == 2 ? kRegridPreusserC2 : kRegridPreusserC1);
  }
  [[nodiscard]] bool RegridRenka() { return MakeGrid(false, kRegridRenka); }
  [[nodiscard]] bool RegridShepard(int variant) {
    return MakeGrid(false, kRegridShepardQuadratic + std::clamp(variant, 0, 2));
  }
  [[nodiscard]] bool RegridWatson() { return MakeGrid(false, kRegridWatson); }
  [[nodiscard]] bool FillAkima() { return MakeGrid(true, kRegridAkima); }
  [[nodiscard]] bool FillSurf() { return MakeGrid(true, kRegridSurf); }
  [[nodiscard]] bool FillAkimaII() { return MakeGrid(true, kRegridAkimaII); }
  [[nodiscard]] bool FillPreusser(int variant) {
    return MakeGrid(true, variant == 2 ? kRegridPreusserC2 : kRegridPreusserC1);
  }
  [[nodiscard]] bool FillRenka() { return MakeGrid(true, kRegridRenka); }
  [[nodiscard]] bool FillShepard(int variant) {
    return MakeGrid(true, kRegridShepardQuadratic + std::clamp(variant, 0, 2));
  }
  [[nodiscard]] bool FillWatson() { return MakeGrid(true, kRegridWatson); }

 private:
  int MinDegree(int method) const;
  int MaxDegree(int n, int method) const;
  int MinCoef(int n, int degree, int method) const;
  int MaxCoef(int n, int method) const;
  void ApplyLimits();
  void ComputeFitStats();
  // The B-spline orders of the current compute.
  int OrderX() const { return cubic_ ? 4 : degreeX_ + 1; }
  int OrderY() const { return cubic_ ? 4 : degreeY_ + 1; }
  // Codes 4 and 5 evaluate as code 1 when they interpolate with the bicubic and Akima edges.
  bool NurbsUsesAkimaEdge() const { return !cubic_ && degreeX_ == 3 && degreeY_ == 3; }

  // Grid making (grid_making.cpp).
  [[nodiscard]] bool MakeGrid(bool fill, int regridMethod);
  [[nodiscard]] bool MakeGridByMethod(bool fill, int regridMethod);

  // Codes 0 to 3 (bspline_surfaces.cpp). The compute steps read the grid table (the working
  // table when empty) and leave no coefficients when any step fails.
  void ComputeInterp(std::span<TXYZPoint> grid = {});
  void ComputeInterpAkimaEdge(std::span<TXYZPoint> grid = {});
  void ComputeAkima();
  void ComputeLsq();
  [[nodiscard]] bool ReadGrid(std::span<TXYZPoint> grid);
  [[nodiscard]] bool InterpolatingBSpline(int kx, int ky);
  long double EvalBSpline(long double x, long double y, int mode);
  long double EvalBSplineAkimaEdge(long double x, long double y, int mode);
  long double EvalAkima(long double x, long double y, int mode);
  std::vector<long double> EvalGridBSpline(int nxo, int nyo, std::span<const long double> xs,
                                           std::span<const long double> ys, int mode);
  std::vector<long double> EvalGridBSplineAkimaEdge(int nxo, int nyo,
                                                    std::span<const long double> xs,
                                                    std::span<const long double> ys, int mode);
  std::vector<long double> EvalGridAkima(int nxo, int nyo, std::span<const long double> xs,
                                         std::span<const long double> ys, int mode);
  std::vector<long double> GridByPoints(int nxo, int nyo, std::span<const long double> xs,
                                        std::span<const long double> ys, int mode);
  long double EvalAtDataPointLsq(long double x, long double y, long double z);
  long double EvalAtDataPointAkima(long double x, long double y, long double z);
  static long double DataPointZ(long double, long double, long double z) { return z; }
  bool Inside(long double x, long double y) const {
    return x >= ext_[0] && x <= ext_[1] && y >= ext_[2] && y <= ext_[3];
  }
  // The library's coordinates: doubles measured from the data's lower corner, the shift
  // taken in long doubles, so that data far from the origin keep their digits (a double
  // holds 1e9 + 1e-3 u only to 1e-4 in u). Values, derivatives and integrals do not change
  // with the shift.
  double LibX(long double x) const { return static_cast<double>(x - ext_[0]); }
  double LibY(long double y) const { return static_cast<double>(y - ext_[2]); }

  // Codes 4 and 5 (nurbs_smoothing.cpp).
  void ComputeNurbs();
  long double EvalNurbs(long double x, long double y, int mode);
  std::vector<long double> EvalGridNurbs(int nxo, int nyo, std::span<const long double> xs,
                                         std::span<const long double> ys, int mode);
  long double EvalAtDataPointNurbs(long double x, long double y, long double z);

  // Integral routes (surface_integral.cpp).
  long double IntegrateBSpline(long double x1, long double x2, long double y1, long double y2);
  long double IntegrateBSplineAkimaEdge(long double x1, long double x2, long double y1,
                                        long double y2);
  long double IntegrateAkima(long double x1, long double x2, long double y1, long double y2);
  long double IntegrateNurbs(long double x1, long double x2, long double y1, long double y2);
  // The integral by the method's own route (the first request for a rectangle).
  long double MethodRouteIntegral(const TRectangle& rect, long double* errorOut);
  // The relative error that the doubles' rounding of this engine's values and positions
  // leaves in an integral over the rectangle.
  long double RoundingShare(long double integral, const TRectangle& r) const;
  // rgbi3p's integral over one rectangle with the derivative table wk.
  long double AkimaIntegral(long double x1, long double x2, long double y1, long double y2,
                            double* wk);

  std::unique_ptr<TXYZ> data_;
  PointTable sortedSource_;
  std::span<TXYZPoint> source_;
  std::span<TXYZPoint> working_;
  int pointCount_ = 0;
  int method_ = 0;
  int coefCountX_ = 0, coefCountY_ = 0;
  int degreeX_ = 3, degreeY_ = 3;
  int lsqCoefX_ = 0, lsqCoefY_ = 0;
  bool cubic_ = false;
  int nx_ = 0, ny_ = 0;
  bool gridDetected_ = false;
  bool ready_ = false;
  bool forceRegrid_ = false;
  int regridMethod_ = kRegridRenka;
  int mergedCount_ = 0;
  bool holdsNumLib_ = false;
  bool inexact_ = false;
  int failedNodes_ = 0;
  // The sparse-grid filling gave way to the uniform grid (too many nodes), and the size of
  // the grid it would have filled.
  bool filledUniform_ = false;
  std::pair<std::size_t, std::size_t> fillGaveWay_{0, 0};
  long double sst_ = 0, sse_ = 0, stdErr_ = 0, rSquared_ = 0;
  long double zSquares_ = 0;  // sum of z² of the points the SSE was taken over
  // The last rectangle integrated by the method route, with its answer; none after every
  // compute.
  std::optional<TFirstVolume> integralKey_;
  TGridExtents ext_{};
  // Orders of the B-spline in use (may be lowered below degree + 1 where an axis has fewer
  // nodes than the order needs).
  int kx_ = 4, ky_ = 4;
  std::vector<double> xv_, yv_, zm_, tx_, ty_, coef_, wx_, wy_;
};

// The integral of a surface given by its values over [x1, x2] x [y1, y2]: interpolating
// bicubic B-splines through the values on 101 x 101 and 51 x 51 nodes, integrated exactly;
// the answer is the fine one and *errorOut their relative difference, with the share of the
// doubles' rounding (GridSplineRoundingShare) added. A value equal to the
// missing value, or a spline that cannot be made, gives up: the answer is the missing value
// and the error is not written.
long double IntegrateByGridding(TIntegrand2 value, long double x1, long double x2,
                                long double y1, long double y2, long double* errorOut);

// The integral over the rectangle of the interpolating bicubic B-spline through values on an
// n x n grid spanning it (x fastest), held at the extents beyond them; the missing value when
// the spline cannot be made.
long double IntegrateGridSpline(std::span<const long double> values, int n, const TRectangle& r,
                                const TGridExtents& extents);
// The same spline's integrals over pieces x pieces equal squares of the rectangle, row by
// row from its lower left corner; empty when the spline cannot be made.
std::vector<long double> IntegrateGridSplinePieces(std::span<const long double> values, int n, const TRectangle& r,
                                                   const TGridExtents& extents, int pieces);
// The relative error that rounding leaves in such an integral of values in [lo, hi] (0 for
// an integral of 0): the splines' doubles and the nodes' positions where the rectangle lies.
// The floor of the error estimates of the gridding integrals.
long double GridSplineRoundingShare(long double integral, long double lo, long double hi, const TRectangle& r);

// The integral of a surface over a rectangle by nested Gauss quadrature and, when its error
// estimate is not below `accepted`, by the adaptive nested integrator, each confirmed over
// the whole rectangle (IntegrateDoubleConfirmed): the adaptive answer when its estimate is
// below `accepted` or below Gauss's, otherwise Gauss's; the error is the last integrator's
// relative estimate, the outer integral's own included. Nothing when both integrators fail.
struct TNumericIntegral {
  long double value = 0, error = 0;
};
[[nodiscard]] std::optional<TNumericIntegral> NumericIntegral(TIntegrand2 surface, const TRectangle& r,
                                                long double gaussTolerance,
                                                long double adaptiveTolerance,
                                                long double accepted);

// The relative error of a repeated request's direct answer, bounded by the first request's
// answer for the same rectangle: the integrators judge their answer by their own samples,
// which a narrow ridge between them or a surface of thousands of cubic pieces can fool
// (22 with an estimate of 3.4e-13 for a ridge whose grids gave 22.886); the first answer,
// of the same surface by other means, bounds the error independently with the answers'
// difference plus its own error.
long double BoundedByFirstAnswer(const TNumericIntegral& direct, const TFirstVolume& first);
