// The volume under a scattered-data surface over a rectangle. A first request samples the
// surface on 101 x 101 nodes and on every other of them (51 x 51), puts an interpolating
// bicubic B-spline through each (the gridded-data engine) and integrates those exactly: the
// fine volume is the answer, and their differences, square by square, the error (below).
// Asking again for the same rectangle integrates the surface itself by nested Gauss
// quadrature, falling back to the adaptive twin; a third request answers from the grids again.
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
// The squares per side over which the grids' error is taken, and the fine intervals along
// each (even, for Simpson's rule).
constexpr int kSquares = 5;
constexpr int kSquareIntervals = (kFineNodes - 1) / kSquares;
static_assert(kSquareIntervals % 2 == 0 && kSquareIntervals * kSquares == kFineNodes - 1);

}  // namespace

long double TNParm3D::Volume(long double x1, long double x2, long double y1, long double y2,
                             long double* errorOut) {
  if (pointCount_ < 4) return 0.0L;
  if (!HasSurface()) return ExprErrorValue;  // no surface has no volume, not one of 0
  const TRectangle rect{x1, x2, y1, y2};
  if (volumeKey_ && volumeKey_->rect == rect && method_ != kNPAkima1) {
    const TFirstVolume grid = *volumeKey_;
    volumeKey_.reset();
    const auto surface = [this](long double x, long double y) { return EvalAt(x, y); };
    if (const auto direct = NumericIntegral(surface, rect, kGaussTolerance, kAdaptiveTolerance,
                                            kAcceptedError)) {
      // The integrators judge their answer by their own samples, which a surface made of
      // thousands of cubic pieces can fool (an estimate of 5e-6 for an error of 3e-5).
      if (errorOut) *errorOut = BoundedByFirstAnswer(*direct, grid);
      return direct->value;
    }
    // The integrators failed: the grids answer rather than a 0 passed off as the volume.
    if (errorOut && !IsMissingValue(grid.value)) *errorOut = grid.error;
    return grid.value;
  }
  long double error = 0;
  const long double v = GridVolume(rect, error);
  volumeKey_ = TFirstVolume{rect, v, error};
  if (errorOut && !IsMissingValue(v)) *errorOut = error;
  return v;
}

// The error compares the fine spline with the coarse one and with Simpson's rule on the fine
// nodes, square by square over 5 x 5 squares of the rectangle, and adds the differences'
// sizes; then rounding. On a surface made of many cubic pieces each rule's error is a sum of
// pieces of either sign: the differences over the whole rectangle can cancel by chance and
// once claimed 2.2e-7 for an error of 9.6e-7 (1000 Franke points, code 0); square by square
// they do not (over 90 such surfaces the estimate was at least 8 times the error).
long double TNParm3D::GridVolume(const TRectangle& rect, long double& errorOut) {
  const auto [x1, x2, y1, y2] = rect;
  const std::vector<long double> xs = MakeGridAxisLD(x1, x2, kFineNodes),
                                 ys = MakeGridAxisLD(y1, y2, kFineNodes);
  const std::vector<long double> fine = EvalGrid(kFineNodes, kFineNodes, xs, ys);
  if (fine.empty()) return ExprErrorValue;
  std::vector<long double> coarse;
  coarse.reserve(static_cast<std::size_t>(kCoarseNodes) * kCoarseNodes);
  long double lo = 1e300L, hi = -1e300L;
  for (int j = 0; j < kFineNodes; ++j)
    for (int i = 0; i < kFineNodes; ++i) {
      const long double v = fine[static_cast<std::size_t>(j) * kFineNodes + static_cast<std::size_t>(i)];
      // A surface missing somewhere in the rectangle has no volume.
      if (IsMissingValue(v)) return ExprErrorValue;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      if (i % 2 == 0 && j % 2 == 0) coarse.push_back(v);
    }
  // The splines span the rectangle and the values sampled in it: given the data's extents
  // they would hold the surface at its value on the data's edge wherever the rectangle
  // reaches beyond it, where this surface carries on.
  const TGridExtents extents = {x1, x2, y1, y2, lo, hi};
  const std::vector<long double> finePieces =
      IntegrateGridSplinePieces(fine, kFineNodes, rect, extents, kSquares);
  const std::vector<long double> coarsePieces =
      IntegrateGridSplinePieces(coarse, kCoarseNodes, rect, extents, kSquares);
  // A spline that could not be made has no volume: never a 0 with an error of 0.
  if (finePieces.empty() || coarsePieces.empty()) return ExprErrorValue;
  long double vf = 0, differences = 0;
  const auto simpsonWeight = [](int i) { return i == 0 || i == kSquareIntervals ? 1 : i % 2 == 1 ? 4 : 2; };
  const long double simpsonScale =
      (x2 - x1) * (y2 - y1) / (9.0L * (kFineNodes - 1) * (kFineNodes - 1));
  for (int sj = 0; sj < kSquares; ++sj)
    for (int si = 0; si < kSquares; ++si) {
      const std::size_t k = static_cast<std::size_t>(sj) * kSquares + static_cast<std::size_t>(si);
      long double simpson = 0;
      for (int j = 0; j <= kSquareIntervals; ++j)
        for (int i = 0; i <= kSquareIntervals; ++i)
          simpson += simpsonWeight(i) * simpsonWeight(j) *
                     fine[static_cast<std::size_t>(sj * kSquareIntervals + j) * kFineNodes +
                          static_cast<std::size_t>(si * kSquareIntervals + i)];
      vf += finePieces[k];
      differences += std::fabs(coarsePieces[k] - finePieces[k]) + std::fabs(simpson * simpsonScale - finePieces[k]);
    }
  errorOut = (vf != 0 ? differences / std::fabs(vf) : 0.0L) + GridSplineRoundingShare(vf, lo, hi, rect);
  return vf;
}
