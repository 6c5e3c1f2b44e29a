#include "smooth/engines/loess_smoother.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/data_sort.h"
#include "smooth/kernels/line_neighbourhood.h"

namespace {

// Acceptance threshold of a retried fit's determinant.
long double Threshold(TLoessBasis basis) {
  return basis == TLoessBasis::kMonomial ? 1e-12L : 1e-5L;
}

int MaxDegree(TLoessBasis basis) { return basis == TLoessBasis::kMonomial ? 3 : 4; }

// Number of terms less one.
int TermsLessOne(int degree) { return degree == 4 ? 14 : degree == 3 ? 9 : degree == 2 ? 5 : 2; }

// sqrt(ln 2 / ln 10^4) and -4 ln 2: the Gaussian factor falls from 0.9999 at the query's
// coordinate to about 0.9577 at the farthest neighbour along the axis.
constexpr long double kGaussC = 0.27433100246963574L;
constexpr long double kGaussExponent = 2.772588722239781L;

long double TricubeFactor(long double distance, long double bandwidth) {
  // A zero bandwidth means every neighbour shares the query's coordinate on this axis: the
  // axis does not tell the neighbours apart, and its factor is 1 for all of them.
  if (bandwidth == 0.0L) return 1.0L;
  const long double r = distance / bandwidth;
  const long double t = 1.0L - r * r * r;
  return t * t * t;
}

// Distinct values of X (or Y) among records 1 .. size, counted up to `enough`.
int DistinctValues(std::span<const TXYZPoint> list, int size, bool alongX, int enough) {
  long double seen[5];  // enough is at most the largest degree plus 1
  int count = 0;
  for (int i = 1; i <= size && count < enough; ++i) {
    const TXYZPoint& p = list[static_cast<std::size_t>(i)];
    const long double v = alongX ? p.X : p.Y;
    if (std::find(seen, seen + count, v) == seen + count) seen[count++] = v;
  }
  return count;
}

// The highest degree the points determine: a model of degree d needs d + 1 distinct values on
// each axis. Points on fewer lines leave its normal matrix singular, which rounding in the
// scaled coordinates can hide, and an elimination would then return a wild model.
int DeterminedDegree(std::span<const TXYZPoint> list, int size, int degree) {
  return std::min(DistinctValues(list, size, true, degree + 1),
                  DistinctValues(list, size, false, degree + 1)) - 1;
}

long double GaussianFactor(long double offset, long double bandwidth) {
  if (bandwidth == 0.0L) return 1.0L;
  const long double a = kGaussC * offset / (2.0L * bandwidth);
  return std::exp(-kGaussExponent * a * a) - 0.0001L;
}

}  // namespace

TLoess3D::TLoess3D(std::span<TXYZPoint> data, const TLoessWindow& window,
                   const TLoessOptions& options)
    : options_(options), window_(window) {
  options_.degree = std::clamp(options_.degree, 1, MaxDegree(options_.basis));
  pointCount_ = ::PointCount(data);
  search_ = std::make_unique<TXYZ>(data, nullptr);
  search_->BuildScreenIndex(window.xLow, window.xHigh, window.yLow, window.yHigh);
  for (int i = 1; i <= pointCount_; ++i) {
    const TXYZPoint& p = data[static_cast<std::size_t>(i)];
    records_.push_back(p);
    xs_.push_back(static_cast<double>(p.X));
    ys_.push_back(static_cast<double>(p.Y));
  }
  nearest_ = std::make_unique<TNearestPoints>(xs_, ys_);
}

PointTable TLoess3D::Neighbours(long double x, long double y, int count) const {
  // Whether the nearest lie along a line is told from the nearest in the plain distance; the
  // screen index's neighbourhood adds a point of each quadrant about the place, which on
  // lines of points come from the place's own line, its wiggle on either side.
  const double px = static_cast<double>(x), py = static_cast<double>(y);
  PointTable own = search_->FindNearest(x, y, count);
  std::vector<std::pair<double, double>> offsets;
  for (int i = 1; i <= ::PointCount(own); ++i)
    offsets.push_back({static_cast<double>(own[static_cast<std::size_t>(i)].X) - px,
                       static_cast<double>(own[static_cast<std::size_t>(i)].Y) - py});
  if (!NearestLieAlongLine(offsets)) return own;
  TNeighbourhood hood;
  SpanningNearest(*nearest_, px, py, std::min(count, pointCount_), -1, hood);
  if (!hood.acrossLines) return own;
  // The neighbourhood across the lines, nearest first in the stretched distance, which its
  // distance field then holds for the attempts' sort.
  PointTable list = NewPointTable(static_cast<int>(hood.ids.size()));
  for (std::size_t r = 0; r < hood.ids.size(); ++r) {
    TXYZPoint p = records_[static_cast<std::size_t>(hood.ids[r])];
    const double a = hood.Along(static_cast<double>(p.X) - px, static_cast<double>(p.Y) - py);
    const double c = hood.Across(static_cast<double>(p.X) - px, static_cast<double>(p.Y) - py);
    p.RXY = a * a + c * c;
    list[r + 1] = p;
  }
  return list;
}

int TLoess3D::FitAttempt(std::span<const TXYZPoint> list, int degree, long double* coefficients,
                         const TLoessScale& scale, long double& measure, bool retry) const {
  const int m = TermsLessOne(degree);
  switch (options_.basis) {
    case TLoessBasis::kChebyshev:
      return FitChebyshev(list, coefficients, m, scale, measure, retry);
    case TLoessBasis::kCosine:
      return FitCosine(list, coefficients, m, scale, measure, retry);
    case TLoessBasis::kMonomial:
      break;
  }
  switch (degree) {
    case 1:
      return FitPlane(list, coefficients);
    case 2:
      return FitQuadratic(list, coefficients, measure, retry);
    default:
      return FitCubic(list, coefficients, measure, retry);
  }
}

// Attempts n = count .. nmax work on the n nearest points of one list. The search may add
// one point beyond nmax so that the chosen points span three distinct x and y values; the
// last attempt takes the whole list, that point included.
int TLoess3D::Evaluate(long double x, long double y, TLoessResult& result, int flags) {
  const int minimum = 10 * options_.degree;
  int nmax = options_.count;
  if (options_.raiseCount && nmax < minimum) nmax = minimum;
  nmax = std::min(nmax, pointCount_);
  // A count above the point count leaves a single attempt with all the points.
  const int first = std::clamp(options_.count, 1, std::max(nmax, 1));
  PointTable list = Neighbours(x, y, nmax);
  if (list.empty()) return 0;
  const int listCount = ::PointCount(list);
  if (first != nmax) SortPoints(list, 10);

  const long double threshold = Threshold(options_.basis);
  long double coefficients[15] = {};
  long double meanZ = 0.0L;
  for (int n = first; n <= nmax; ++n) {
    const bool retry = n < nmax;
    const int size = retry ? n : listCount;
    long double xMin = 1e300L, xMax = -1e300L, yMin = 1e300L, yMax = -1e300L;
    long double dx = 0.0L, dy = 0.0L, zSum = 0.0L;
    for (int i = 1; i <= size; ++i) {
      const TXYZPoint& p = list[static_cast<std::size_t>(i)];
      xMin = std::min(xMin, p.X);
      xMax = std::max(xMax, p.X);
      yMin = std::min(yMin, p.Y);
      yMax = std::max(yMax, p.Y);
      dx = std::max(dx, std::fabs(x - p.X));
      dy = std::max(dy, std::fabs(y - p.Y));
      zSum += p.Z;
    }
    meanZ = zSum / size;
    const long double hx = 1.1L * dx, hy = 1.1L * dy;

    TLoessScale scale;
    if (options_.basis == TLoessBasis::kChebyshev) {
      scale = {(xMin + xMax) / 2.0L, (xMax - xMin) / 2.0L, (yMin + yMax) / 2.0L,
               (yMax - yMin) / 2.0L};
    } else if (options_.basis == TLoessBasis::kCosine) {
      constexpr long double kInvPi = std::numbers::inv_pi_v<long double>;
      scale = {xMin, (xMax - xMin) * kInvPi, yMin, (yMax - yMin) * kInvPi};
    }
    // Points sharing one coordinate give no scale on that axis: it reads as 1, and the fit
    // then finds its normal matrix singular and the neighbourhood grows.
    if (scale.xUnit == 0.0L) scale.xUnit = 1.0L;
    if (scale.yUnit == 0.0L) scale.yUnit = 1.0L;

    long double weightSum = 0.0L;
    for (int i = 1; i <= size; ++i) {
      TXYZPoint& p = list[static_cast<std::size_t>(i)];
      p.W = options_.kernel == TLoessKernel::kTricube
                ? TricubeFactor(std::fabs(x - p.X), hx) * TricubeFactor(std::fabs(y - p.Y), hy)
                : GaussianFactor(p.X - x, hx) * GaussianFactor(p.Y - y, hy);
      weightSum += p.W;
    }
    list[0].X = size;
    const long double normalise = size / weightSum;
    for (int i = 1; i <= size; ++i) list[static_cast<std::size_t>(i)].W *= normalise;

    long double measure = 0.0L;
    const int degree = options_.degree;
    const int determined = DeterminedDegree(list, size, degree);
    if (determined < degree) {
      // The largest neighbourhood lies on too few lines for the model (data on a few
      // profiles): the highest degree it determines, when that is a plane or more, rather
      // than a singular fit or the mean.
      const int lower = retry ? 0 : determined;
      if (lower >= 1 && FitAttempt(list, lower, coefficients, scale, measure, false) != 0) {
        EvalLocalModel(options_.basis, lower, x, y, coefficients, flags, scale, result);
        return 1;
      }
      continue;
    }
    if (FitAttempt(list, degree, coefficients, scale, measure, retry) != 0) {
      if (!retry || measure > threshold) {
        EvalLocalModel(options_.basis, degree, x, y, coefficients, flags, scale, result);
        return 1;
      }
    }
  }
  // Every attempt failed: the mean z of the largest neighbourhood, zero derivatives.
  result[0] = meanZ;
  for (int order = 1, slot = 1; order <= 4; slot += order + 1, ++order)
    if (flags & (1 << order))
      std::fill(result.begin() + slot, result.begin() + slot + order + 1, 0.0L);
  return 0;
}
