// The gridded-data engine's object: construction (grid detection or making), the limits of
// the degrees and coefficient counts, dispatch of compute, evaluation and grids to the
// surfaces, and the fit statistics.
#include "smooth/engines/gridded_engine.h"

#include <algorithm>
#include <cmath>

#include "app/data_sort.h"
#include "app/long_double.h"
#include "app/point_table.h"
#include "platform/message_box.h"
#include "smooth/libs/numerical_library.h"

namespace {

constexpr int kMaxLsqCoefficients = 100;

bool IsExactInterpolant(int method) {
  return method == kGridBSpline || method == kGridBSplineAkimaEdge || method == kGridAkima;
}

}  // namespace

TSpline3D::TSpline3D(std::span<TXYZPoint> source, int method, int degreeX, int degreeY,
                     int lsqCoefX, int lsqCoefY, int nx, int ny, int regridMethod,
                     bool forceRegrid)
    : source_(source), method_(method), degreeX_(degreeX), degreeY_(degreeY),
      lsqCoefX_(lsqCoefX), lsqCoefY_(lsqCoefY), forceRegrid_(forceRegrid),
      regridMethod_(regridMethod) {
  if (LoadNumLib(true) != 0) {
    holdsNumLib_ = true;
  } else {
    // The box has only an OK button; the engine goes on and answers 0 everywhere.
    (void)ErrorBox(nullptr, "Missing DLL Error",
                   "The file QKIMSL.DLL was not found.\nThis DLL is required for spline "
                   "algorithms.");
  }
  // The data object works on a copy sorted by x, then y: replicated positions must be
  // neighbours to be merged, and the caller's table keeps its order and contents.
  sortedSource_ = CopyPoints(source_);
  SortPoints(sortedSource_, 0);
  data_ = std::make_unique<TXYZ>(sortedSource_, nullptr);
  const TDataStats* whole = data_->ComputeStats(0);
  sst_ = whole ? whole->SSTotal : 0.0L;
  working_ = data_->MakeMergedCopy();
  mergedCount_ = ::PointCount(working_);
  SortPointsByXY(working_, 1, mergedCount_);
  data_->ComputeStats(1);
  ext_ = {data_->xMin, data_->xMax, data_->yMin, data_->yMax, data_->zMin, data_->zMax};

  const bool merged = ::PointCount(source_) != mergedCount_;
  if (!forceRegrid_ && data_->DetectGrid(working_)) {
    gridDetected_ = true;
    nx_ = data_->pointsPerRow;
    ny_ = data_->rows;
  }
  if (gridDetected_ && nx_ >= 3 && ny_ >= 3) {
    pointCount_ = mergedCount_;
    ready_ = true;
    inexact_ = merged;
  } else {
    nx_ = nx;
    ny_ = ny;
    const bool fill = nx == 0 && ny == 0;
    // A sparse grid too large to fill becomes a uniform grid that no longer holds the data
    // as they stand: its statistics must be computed like those of any uniform grid.
    ready_ = mergedCount_ >= 4 && holdsNumLib_ && MakeGrid(fill, regridMethod_);
    inexact_ = !fill || filledUniform_;
    // No grid made: the engine answers as one with fewer than 4 nodes.
    if (!ready_) pointCount_ = 0;
  }
  ApplyLimits();
  Compute();
}

TSpline3D::TSpline3D(int nx, int ny, std::span<TXYZPoint> grid, const TGridExtents* extents,
                     int method, int degreeX, int degreeY)
    : source_(grid), working_(grid), method_(method), degreeX_(degreeX), degreeY_(degreeY),
      lsqCoefX_(nx), lsqCoefY_(ny), nx_(nx), ny_(ny) {
  if (LoadNumLib(true) == 0) return;
  holdsNumLib_ = true;
  data_ = std::make_unique<TXYZ>(grid, nullptr);
  const TDataStats* whole = data_->ComputeStats(0);
  sst_ = whole ? whole->SSTotal : 0.0L;
  if (extents) {
    ext_ = *extents;
  } else {
    ext_ = {data_->xMin, data_->xMax, data_->yMin, data_->yMax, data_->zMin, data_->zMax};
  }
  mergedCount_ = pointCount_ = ::PointCount(grid);
  ready_ = pointCount_ >= nx * ny && nx >= 2 && ny >= 2;
  gridDetected_ = ready_;
  if (!ready_) pointCount_ = 0;
  Compute();
}

TSpline3D::~TSpline3D() {
  FreeWork();
  data_.reset();
  if (holdsNumLib_) (void)LoadNumLib(false);  // giving back always succeeds
}

void TSpline3D::FreeWork() {
  xv_ = {};
  yv_ = {};
  zm_ = {};
  tx_ = {};
  ty_ = {};
  coef_ = {};
  wx_ = {};
  wy_ = {};
}

void TSpline3D::SetOptions(int method, int degreeX, int degreeY, int lsqCoefX, int lsqCoefY) {
  method_ = method;
  degreeX_ = degreeX;
  degreeY_ = degreeY;
  lsqCoefX_ = lsqCoefX;
  lsqCoefY_ = lsqCoefY;
  ApplyLimits();
  Compute();
}

// ---- limits ----

int TSpline3D::MinDegree(int method) const {
  if (method < 0) method = method_;
  return method == kGridBSplineAkimaEdge || method == kGridAkima ? 3 : 2;
}

int TSpline3D::MaxDegree(int n, int method) const {
  if (method < 0) method = method_;
  switch (method) {
    case kGridBSpline:
      return std::min(n - 1, 5);
    case kGridBSplineAkimaEdge:
    case kGridAkima:
      return 3;
    case kGridLeastSquares:
    case kGridNurbs:
      return std::min(n - 2, 5);
    case kGridNurbsCubic:
      return std::min(n - 2, 9);
    default:
      return 3;
  }
}

int TSpline3D::MinCoef(int n, int degree, int method) const {
  if (method < 0) method = method_;
  if (method == kGridLeastSquares) return n >= degree + 1 ? degree + 1 : n;
  return n;
}

int TSpline3D::MaxCoef(int n, int method) const {
  if (method < 0) method = method_;
  return method == kGridLeastSquares ? std::min(n, kMaxLsqCoefficients) : n;
}

// Each value is raised to its minimum, then lowered to its maximum: the maximum wins when
// the two cross.
void TSpline3D::ApplyLimits() {
  degreeX_ = std::min(std::max(degreeX_, MinDegree(method_)), MaxDegree(nx_, method_));
  degreeY_ = std::min(std::max(degreeY_, MinDegree(method_)), MaxDegree(ny_, method_));
  lsqCoefX_ = std::min(std::max(lsqCoefX_, MinCoef(nx_, degreeX_, method_)), MaxCoef(nx_, method_));
  lsqCoefY_ = std::min(std::max(lsqCoefY_, MinCoef(ny_, degreeY_, method_)), MaxCoef(ny_, method_));
}

// ---- compute and dispatch ----

void TSpline3D::Compute() {
  if (pointCount_ < 4 || !holdsNumLib_ || !ready_) return;
  integralKey_.reset();
  cubic_ = false;
  switch (method_) {
    case kGridBSpline:
      ComputeInterp();
      break;
    case kGridBSplineAkimaEdge:
      ComputeInterpAkimaEdge();
      break;
    case kGridAkima:
      ComputeAkima();
      break;
    case kGridLeastSquares:
      ComputeLsq();
      break;
    case kGridNurbs:
      ComputeNurbs();
      break;
    case kGridNurbsCubic:
      cubic_ = true;
      ComputeNurbs();
      break;
    default:
      FreeWork();
      break;
  }
  ComputeFitStats();
}

long double TSpline3D::EvalMode(long double x, long double y, int mode) {
  if (pointCount_ < 4 || mode < 0 || mode > 5) return 0.0L;
  switch (method_) {
    case kGridBSpline:
    case kGridLeastSquares:
      return EvalBSpline(x, y, mode);
    case kGridBSplineAkimaEdge:
      return EvalBSplineAkimaEdge(x, y, mode);
    case kGridAkima:
      return EvalAkima(x, y, mode);
    case kGridNurbs:
    case kGridNurbsCubic:
      return EvalNurbs(x, y, mode);
    default:
      return 0.0L;
  }
}

std::vector<long double> TSpline3D::EvalGridMode(int nxo, int nyo, std::span<const long double> xs,
                                                 std::span<const long double> ys, int mode) {
  if (pointCount_ < 4 || nxo < 1 || nyo < 1 || xs.size() < static_cast<std::size_t>(nxo) ||
      ys.size() < static_cast<std::size_t>(nyo) || mode < 0 || mode > 5)
    return {};
  switch (method_) {
    case kGridBSpline:
    case kGridLeastSquares:
      return EvalGridBSpline(nxo, nyo, xs, ys, mode);
    case kGridBSplineAkimaEdge:
      return EvalGridBSplineAkimaEdge(nxo, nyo, xs, ys, mode);
    case kGridAkima:
      return EvalGridAkima(nxo, nyo, xs, ys, mode);
    case kGridNurbs:
    case kGridNurbsCubic:
      return EvalGridNurbs(nxo, nyo, xs, ys, mode);
    default:
      return GridByPoints(nxo, nyo, xs, ys, mode);
  }
}

std::vector<long double> TSpline3D::GridByPoints(int nxo, int nyo, std::span<const long double> xs,
                                                 std::span<const long double> ys, int mode) {
  std::vector<long double> grid(static_cast<std::size_t>(nxo) * static_cast<std::size_t>(nyo));
  for (int j = 0; j < nyo; ++j)
    for (int i = 0; i < nxo; ++i)
      grid[static_cast<std::size_t>(j) * static_cast<std::size_t>(nxo) + static_cast<std::size_t>(i)] =
          EvalMode(xs[static_cast<std::size_t>(i)], ys[static_cast<std::size_t>(j)], mode);
  return grid;
}

long double TSpline3D::EvalAtDataPoint(long double x, long double y, long double z) {
  if (pointCount_ < 4) return 0.0L;
  switch (method_) {
    case kGridBSpline:
    case kGridBSplineAkimaEdge:
      return DataPointZ(x, y, z);
    case kGridAkima:
      return EvalAtDataPointAkima(x, y, z);
    case kGridLeastSquares:
      return EvalAtDataPointLsq(x, y, z);
    case kGridNurbs:
    case kGridNurbsCubic:
      return EvalAtDataPointNurbs(x, y, z);
    default:
      return 0.0L;
  }
}

long double TSpline3D::EvalAtDataPointLsq(long double x, long double y, long double) {
  return EvalBSpline(x, y, 0);
}

long double TSpline3D::EvalAtDataPointAkima(long double x, long double y, long double) {
  return EvalAkima(x, y, 0);
}

// ---- statistics ----

// The degrees of freedom count the active points only: inactive ones add nothing to the SSE
// and must not make the standard error look smaller.
void TSpline3D::ComputeFitStats() {
  zSquares_ = 0.0L;
  if (!HasSurface()) {
    // A failed compute must not report the perfect fit of an exact interpolant.
    sse_ = stdErr_ = rSquared_ = ExprErrorValue;
    return;
  }
  if (IsExactInterpolant(method_) && !inexact_) {
    sse_ = stdErr_ = 0.0L;
    rSquared_ = 1.0L;
    return;
  }
  sse_ = 0.0L;
  int active = 0;
  const int n = ::PointCount(source_);
  for (int i = 1; i <= n; ++i) {
    const TXYZPoint& p = source_[static_cast<std::size_t>(i)];
    if (!IsActive(p)) continue;
    const long double r = EvalAt(p.X, p.Y) - p.Z;
    sse_ += r * r;
    zSquares_ += p.Z * p.Z;
    ++active;
  }
  long double dof = active - (degreeX_ + degreeY_) / 2 - 1;
  if (dof < 1) dof = 1;
  stdErr_ = sse_ / dof >= 0 ? std::sqrt(sse_ / dof) : 0.0L;
  rSquared_ = sst_ != 0 ? 1.0L - sse_ / sst_ : 0.0L;
  if (rSquared_ < 0) rSquared_ = 0;
}

PointTable TSpline3D::SmoothedPoints() {
  if (!holdsNumLib_ || !HasSurface()) return {};
  PointTable copy = CopyPoints(source_);
  const int n = ::PointCount(copy);
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = copy[static_cast<std::size_t>(i)];
    p.Z = EvalAt(p.X, p.Y);
  }
  return copy;
}
