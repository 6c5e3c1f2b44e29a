// The integral of a gridded-data surface over an axis-parallel rectangle. Inside the data the
// B-spline and Akima surfaces are integrated exactly by the numerical library; beyond it
// code 1 adds Akima's extrapolation strip by strip and codes 0 and 3 sample their clamped
// continuation on two grids (IntegrateByGridding); codes 4 and 5 follow code 1 or code 0,
// as their evaluation does. Asking again for the same rectangle
// answers by adaptive numerical integration of the surface instead, and a third request
// takes the method route again.
//
// The last rectangle is kept whole: a fingerprint summed from its sides made the rectangle
// [0, 0] x [0, 0] look like no request at all and let different rectangles collide.
//
// A surface that could not be made, or a library step that fails, answers the missing value
// with the error unwritten: a 0 with an error of 0 passed for an exact volume of nothing.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "app/long_double.h"
#include "app/point_table.h"
#include "expr/eval_context.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth/libs/numerical_library.h"

namespace {

constexpr long double kNumericTolerance = 1e-5L;
constexpr long double kAcceptedError = 1e-8L;
constexpr int kFineNodes = 101;
constexpr int kCoarseNodes = 51;

}  // namespace

std::optional<TNumericIntegral> NumericIntegral(TIntegrand2 surface, const TRectangle& r,
                                                long double gaussTolerance,
                                                long double adaptiveTolerance,
                                                long double accepted) {
  ExprContext& ctx = ExprThreadContext();
  TIntegRecord record;
  auto run = [&](bool adaptive) -> std::optional<TNumericIntegral> {
    ctx.ExprMathError = 0;
    long double error = 0;
    const long double v = IntegrateDoubleConfirmed(
        ctx, record, surface, r.x1, r.x2, r.y1, r.y2, adaptive ? adaptiveTolerance : gaussTolerance, &error,
        adaptive ? TDoubleFirst::kNestedSimpson : TDoubleFirst::kNestedGauss);
    const bool failed = ctx.ExprMathError != 0 || !IsUsableValue(v) || !std::isfinite(error);
    ctx.ExprMathError = 0;
    if (failed) return std::nullopt;
    return TNumericIntegral{v, error};
  };
  const std::optional<TNumericIntegral> gauss = run(false);
  if (gauss && gauss->error < accepted) return gauss;
  const std::optional<TNumericIntegral> adaptive = run(true);
  if (!adaptive) return gauss;
  if (!gauss || adaptive->error < accepted || adaptive->error < gauss->error) return adaptive;
  // The Gauss value with the adaptive integrator's estimate, the last one made.
  return TNumericIntegral{gauss->value, adaptive->error};
}

long double BoundedByFirstAnswer(const TNumericIntegral& direct, const TFirstVolume& first) {
  if (IsMissingValue(first.value) || IsMissingValue(first.error) || direct.value == 0) return direct.error;
  return std::max(direct.error, std::fabs((direct.value - first.value) / direct.value) + first.error);
}

// The spline is made and integrated in doubles over axes that start at the rectangle's lower
// corner: an integral does not depend on where its rectangle lies, but a double placed at
// x = 1e9 keeps only 1e-7 of the rectangle's width.
std::vector<long double> IntegrateGridSplinePieces(std::span<const long double> values, int n, const TRectangle& r,
                                                   const TGridExtents& extents, int pieces) {
  const long double width = r.x2 - r.x1, height = r.y2 - r.y1;
  const std::vector<long double> xs = MakeGridAxisLD(0, width, n), ys = MakeGridAxisLD(0, height, n);
  PointTable table = BuildGridPointsLD(values, n, n, xs, ys);
  if (table.empty() || pieces < 1) return {};
  const TGridExtents local = {extents[0] - r.x1, extents[1] - r.x1, extents[2] - r.y1,
                              extents[3] - r.y1, extents[4],         extents[5]};
  TSpline3D engine(n, n, table, &local, kGridBSpline, 3, 3);
  if (!engine.HasSurface()) return {};
  const auto edge = [pieces](long double side, int k) { return k == pieces ? side : side * k / pieces; };
  std::vector<long double> integrals;
  integrals.reserve(static_cast<std::size_t>(pieces) * static_cast<std::size_t>(pieces));
  for (int j = 0; j < pieces; ++j)
    for (int i = 0; i < pieces; ++i) {
      // Each square differs from the one before, so each is integrated exactly.
      long double ignored = 0;
      const long double v =
          engine.Integrate(edge(width, i), edge(width, i + 1), edge(height, j), edge(height, j + 1), &ignored);
      if (IsMissingValue(v)) return {};
      integrals.push_back(v);
    }
  return integrals;
}

long double IntegrateGridSpline(std::span<const long double> values, int n, const TRectangle& r,
                                const TGridExtents& extents) {
  const std::vector<long double> whole = IntegrateGridSplinePieces(values, n, r, extents, 1);
  return whole.empty() ? ExprErrorValue : whole[0];
}

namespace {

// The relative error that rounding leaves in the integral of a spline with values in
// [lo, hi] over the rectangle: its doubles round every value, and its positions, held to
// `positionEpsilon` of where the rectangle lies, move each value by as much as the surface
// changes over that step, `positionRoundings` times.
long double SplineRoundingShare(long double integral, long double lo, long double hi, const TRectangle& r,
                                long double positionEpsilon, long double positionRoundings) {
  const long double width = r.x2 - r.x1, height = r.y2 - r.y1;
  if (integral == 0 || width == 0 || height == 0) return 0;
  constexpr long double kValueRoundings = 64;
  const long double valueRounding =
      kValueRoundings * std::numeric_limits<double>::epsilon() * std::max(std::fabs(lo), std::fabs(hi));
  const long double positionRounding =
      (hi - lo) * positionRoundings * positionEpsilon *
      (std::max(std::fabs(r.x1), std::fabs(r.x2)) / width + std::max(std::fabs(r.y1), std::fabs(r.y2)) / height);
  return std::fabs((valueRounding + positionRounding) * width * height / integral);
}

}  // namespace

long double GridSplineRoundingShare(long double integral, long double lo, long double hi, const TRectangle& r) {
  return SplineRoundingShare(integral, lo, hi, r, std::numeric_limits<long double>::epsilon(), 64);
}

// The engine's splines lie in doubles measured from the data's lower corner (LibX, LibY):
// a position is held to a double's step at its distance from that corner, a step that the
// surface's values and its integral follow. Measured, the effect stays below a third of one
// such rounding; four are counted.
long double TSpline3D::RoundingShare(long double integral, const TRectangle& r) const {
  const TRectangle shifted{r.x1 - ext_[0], r.x2 - ext_[0], r.y1 - ext_[2], r.y2 - ext_[2]};
  return SplineRoundingShare(integral, ext_[4], ext_[5], shifted, std::numeric_limits<double>::epsilon(), 4);
}

long double IntegrateByGridding(TIntegrand2 value, long double x1, long double x2,
                                long double y1, long double y2, long double* errorOut) {
  // The grids run from the lower to the upper side; a reversed side reverses the sign.
  if (x2 < x1 || y2 < y1) {
    const long double v = IntegrateByGridding(value, std::min(x1, x2), std::max(x1, x2),
                                              std::min(y1, y2), std::max(y1, y2), errorOut);
    return IsMissingValue(v) || (x2 < x1) == (y2 < y1) ? v : -v;
  }
  const std::vector<long double> xs = MakeGridAxisLD(x1, x2, kFineNodes),
                                 ys = MakeGridAxisLD(y1, y2, kFineNodes);
  std::vector<long double> fine, coarse;
  fine.reserve(static_cast<std::size_t>(kFineNodes) * kFineNodes);
  coarse.reserve(static_cast<std::size_t>(kCoarseNodes) * kCoarseNodes);
  long double lo = 1e300L, hi = -1e300L;
  for (int j = 0; j < kFineNodes; ++j)
    for (int i = 0; i < kFineNodes; ++i) {
      const long double v = value(xs[static_cast<std::size_t>(i)], ys[static_cast<std::size_t>(j)]);
      // A surface missing somewhere in the rectangle has no volume: 0 would be read as one.
      if (IsMissingValue(v)) return ExprErrorValue;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      fine.push_back(v);
      if (i % 2 == 0 && j % 2 == 0) coarse.push_back(v);
    }
  const TRectangle rect{x1, x2, y1, y2};
  const TGridExtents extents = {x1, x2, y1, y2, lo, hi};
  const long double vf = IntegrateGridSpline(fine, kFineNodes, rect, extents);
  const long double vc = IntegrateGridSpline(coarse, kCoarseNodes, rect, extents);
  if (IsMissingValue(vf) || IsMissingValue(vc)) return ExprErrorValue;
  // Two grids that agree to the last bit still carry the doubles' rounding.
  if (errorOut)
    *errorOut = (vc != 0 ? std::fabs((vf - vc) / vc) : 0.0L) +
                GridSplineRoundingShare(vf, lo, hi, rect);
  return vf;
}

long double TSpline3D::Integrate(long double x1, long double x2, long double y1, long double y2,
                                 long double* errorOut) {
  if (pointCount_ < 4) return 0.0L;
  if (!HasSurface()) return ExprErrorValue;
  const TRectangle rect{x1, x2, y1, y2};
  const auto surface = [this](long double x, long double y) { return EvalAt(x, y); };
  if (integralKey_ && integralKey_->rect == rect) {
    const TFirstVolume first = *integralKey_;
    integralKey_.reset();
    if (const auto numeric = NumericIntegral(surface, rect, kNumericTolerance, kNumericTolerance, kAcceptedError)) {
      if (errorOut) *errorOut = BoundedByFirstAnswer(*numeric, first) + RoundingShare(numeric->value, rect);
      return numeric->value;
    }
    // The integrators failed (no quadrature table, a surface they cannot sample): the
    // method route answers rather than a 0 passed off as the integral.
    return MethodRouteIntegral(rect, errorOut);
  }
  long double error = ExprErrorValue;
  const long double v = MethodRouteIntegral(rect, &error);
  integralKey_ = TFirstVolume{rect, v, error};
  if (errorOut && !IsMissingValue(v) && !IsMissingValue(error)) *errorOut = error;
  return v;
}

long double TSpline3D::MethodRouteIntegral(const TRectangle& rect, long double* errorOut) {
  const auto [x1, x2, y1, y2] = rect;
  const auto surface = [this](long double x, long double y) { return EvalAt(x, y); };
  long double answer = 0;
  // Codes 4 and 5 evaluate as code 0 unless they take code 1's Akima edges, and so they
  // integrate: beyond the data both routes take the clamped continuation that the surface
  // shows, where the method route once counted nothing and the repeated request did.
  const int route = (method_ == kGridNurbs || method_ == kGridNurbsCubic) && !NurbsUsesAkimaEdge()
                        ? kGridBSpline
                        : method_;
  switch (route) {
    case kGridBSpline:
    case kGridLeastSquares: {
      if (x1 >= ext_[0] && x2 <= ext_[1] && y1 >= ext_[2] && y2 <= ext_[3]) {
        answer = IntegrateBSpline(x1, x2, y1, y2);
        break;
      }
      long double error = 0;
      answer = IntegrateByGridding(surface, x1, x2, y1, y2, &error);
      if (errorOut && !IsMissingValue(answer)) *errorOut = error + RoundingShare(answer, rect);
      return answer;
    }
    case kGridBSplineAkimaEdge:
      answer = IntegrateBSplineAkimaEdge(x1, x2, y1, y2);
      break;
    case kGridAkima:
      answer = IntegrateAkima(x1, x2, y1, y2);
      break;
    case kGridNurbs:
    case kGridNurbsCubic:
      answer = IntegrateNurbs(x1, x2, y1, y2);  // code 1's route here
      break;
    default:
      return 0.0L;
  }
  if (IsMissingValue(answer)) return answer;
  // Exact but for rounding.
  if (errorOut) *errorOut = RoundingShare(answer, rect);
  return answer;
}

// Parts of the rectangle beyond the data add nothing.
long double TSpline3D::IntegrateBSpline(long double x1, long double x2, long double y1,
                                        long double y2) {
  const auto bsitg2 = NumLibEntry<TNumLibEntry::BSItg2>();
  if (!bsitg2 || coef_.empty()) return ExprErrorValue;
  x1 = std::max(x1, ext_[0]);
  x2 = std::min(x2, ext_[1]);
  y1 = std::max(y1, ext_[2]);
  y2 = std::min(y2, ext_[3]);
  if (!(x1 < x2 && y1 < y2)) return 0.0L;
  double v = 0.0;
  int ier = -1;
  bsitg2(LibX(x1), LibX(x2), LibY(y1), LibY(y2), kx_, ky_, tx_.data(), ty_.data(), coefCountX_, coefCountY_,
         coef_.data(), v, ier);
  return ier == 0 ? v : ExprErrorValue;
}

long double TSpline3D::AkimaIntegral(long double x1, long double x2, long double y1,
                                     long double y2, double* wk) {
  const auto rgbi3p = NumLibEntry<TNumLibEntry::rgbi3p>();
  if (!rgbi3p || coef_.empty()) return ExprErrorValue;
  const std::array<double, 2> xi = {LibX(x1), LibX(x2)};
  const std::array<double, 2> yi = {LibY(y1), LibY(y2)};
  std::array<double, 2> result = {0, 0};
  int ier = -1;
  rgbi3p(2, nx_, ny_, xv_.data(), yv_.data(), zm_.data(), 2, xi.data(), yi.data(), result.data(),
         wk, -1, ier);
  return ier == 0 ? result[0] : ExprErrorValue;
}

long double TSpline3D::IntegrateAkima(long double x1, long double x2, long double y1,
                                      long double y2) {
  return AkimaIntegral(x1, x2, y1, y2, coef_.data());
}

// The B-spline over the part inside the data, Akima's extrapolation over up to four strips
// beyond it.
long double TSpline3D::IntegrateBSplineAkimaEdge(long double x1, long double x2, long double y1,
                                                 long double y2) {
  if (coef_.empty()) return ExprErrorValue;
  const long double xMin = ext_[0], xMax = ext_[1], yMin = ext_[2], yMax = ext_[3];
  double* edges = coef_.data() + static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_);
  long double sum = 0;
  bool failed = false;
  const auto add = [&](long double piece) {
    failed = failed || IsMissingValue(piece);
    sum += piece;
  };
  const bool overlapX = x1 < xMax && xMin < x2;
  if (overlapX && y1 < yMax && yMin < y2) add(IntegrateBSpline(x1, x2, y1, y2));
  if (x1 < xMin) add(AkimaIntegral(x1, std::min(xMin, x2), y1, y2, edges));
  if (xMax < x2) add(AkimaIntegral(std::max(xMax, x1), x2, y1, y2, edges));
  if (y1 < yMin && overlapX)
    add(AkimaIntegral(std::max(xMin, x1), std::min(xMax, x2), y1, std::min(yMin, y2), edges));
  if (yMax < y2 && overlapX)
    add(AkimaIntegral(std::max(xMin, x1), std::min(xMax, x2), std::max(yMax, y1), y2, edges));
  return failed ? ExprErrorValue : sum;
}

long double TSpline3D::IntegrateNurbs(long double x1, long double x2, long double y1,
                                      long double y2) {
  return NurbsUsesAkimaEdge() ? IntegrateBSplineAkimaEdge(x1, x2, y1, y2)
                              : IntegrateBSpline(x1, x2, y1, y2);
}
