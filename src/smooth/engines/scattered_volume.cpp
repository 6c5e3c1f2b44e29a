// The volume under a scattered-data surface over a rectangle. A first request samples the
// surface on 101 x 101 nodes and on every other of them (51 x 51), puts an interpolating
// bicubic B-spline through each (the gridded-data engine) and integrates those exactly: the
// fine volume is the answer and the relative difference of the two the error (with a
// cross-check, below). Asking again for the same rectangle integrates the surface itself by
// nested Gauss quadrature, falling back to the adaptive twin; a third request answers from
// the grids again.
#include <algorithm>
#include <cmath>

#include "app/long_double.h"
#include "app/point_table.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth/engines/scattered_engine.h"

namespace {

constexpr long double kGaussTolerance = 0.00001L;
constexpr long double kAdaptiveTolerance = 0.000001L;
constexpr long double kAcceptedError = 0.00001L;
constexpr int kFineNodes = 101;
constexpr int kCoarseNodes = 51;

}  // namespace

long double TNParm3D::Volume(long double x1, long double x2, long double y1, long double y2,
                             long double* errorOut) {
  if (pointCount_ < 4) return 0.0L;
  if (!HasSurface()) return ExprErrorValue;  // no surface has no volume, not one of 0
  const TRectangle rect{x1, x2, y1, y2};
  if (volumeKey_ && volumeKey_->rect == rect && method_ != kNPAkima1) {
    const TGridVolume grid = *volumeKey_;
    volumeKey_.reset();
    const auto surface = [this](long double x, long double y) { return EvalAt(x, y); };
    if (const auto direct = NumericIntegral(surface, rect, kGaussTolerance, kAdaptiveTolerance,
                                            kAcceptedError)) {
      // The integrators judge their answer by its own changes, which a surface made of
      // thousands of cubic pieces can fool (an estimate of 5e-6 for an error of 3e-5). The
      // grids' volume of the same surface bounds the error independently: the answers'
      // difference plus the grids' own error.
      long double error = direct->error;
      if (!IsMissingValue(grid.value) && direct->value != 0)
        error = std::max(error, std::fabs((direct->value - grid.value) / direct->value) + grid.error);
      if (errorOut) *errorOut = error;
      return direct->value;
    }
    // The integrators failed: the grids answer rather than a 0 passed off as the volume.
    if (errorOut && !IsMissingValue(grid.value)) *errorOut = grid.error;
    return grid.value;
  }
  long double error = 0;
  const long double v = GridVolume(rect, error);
  volumeKey_ = TGridVolume{rect, v, error};
  if (errorOut && !IsMissingValue(v)) *errorOut = error;
  return v;
}

// The error is the relative difference of the fine and coarse splines, plus that of the fine
// spline and Simpson's rule on the same nodes, plus rounding. The spline pair alone can
// agree by chance on a surface made of many cubic pieces (the coarse error is a sum of
// pieces of either sign) and claimed 6e-7 for an error of 7e-7; Simpson's rule weighs the
// nodes differently, and where the surface changes between them the two part.
long double TNParm3D::GridVolume(const TRectangle& rect, long double& errorOut) {
  const auto [x1, x2, y1, y2] = rect;
  const std::vector<long double> xs = MakeGridAxisLD(x1, x2, kFineNodes),
                                 ys = MakeGridAxisLD(y1, y2, kFineNodes);
  const std::vector<long double> fine = EvalGrid(kFineNodes, kFineNodes, xs, ys);
  if (fine.empty()) return ExprErrorValue;
  std::vector<long double> coarse;
  coarse.reserve(static_cast<std::size_t>(kCoarseNodes) * kCoarseNodes);
  long double lo = 1e300L, hi = -1e300L, simpson = 0;
  const auto simpsonWeight = [](int i) { return i == 0 || i == kFineNodes - 1 ? 1 : i % 2 == 1 ? 4 : 2; };
  for (int j = 0; j < kFineNodes; ++j)
    for (int i = 0; i < kFineNodes; ++i) {
      const long double v = fine[static_cast<std::size_t>(j) * kFineNodes + static_cast<std::size_t>(i)];
      // A surface missing somewhere in the rectangle has no volume.
      if (IsMissingValue(v)) return ExprErrorValue;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      simpson += simpsonWeight(i) * simpsonWeight(j) * v;
      if (i % 2 == 0 && j % 2 == 0) coarse.push_back(v);
    }
  simpson *= (x2 - x1) * (y2 - y1) / (9.0L * (kFineNodes - 1) * (kFineNodes - 1));
  const TGridExtents extents = {xMin_, xMax_, yMin_, yMax_, zMin_, zMax_};
  const long double vf = IntegrateGridSpline(fine, kFineNodes, rect, extents);
  const long double vc = IntegrateGridSpline(coarse, kCoarseNodes, rect, extents);
  // A spline that could not be made has no volume: never a 0 with an error of 0.
  if (IsMissingValue(vf) || IsMissingValue(vc)) return ExprErrorValue;
  errorOut = (vf != 0 ? (std::fabs(vc - vf) + std::fabs(simpson - vf)) / std::fabs(vf) : 0.0L) +
             GridSplineRoundingShare(vf, lo, hi, rect);
  return vf;
}
