#include "fit/fit_refit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <new>
#include <optional>
#include <shared_mutex>
#include <utility>

#include "app/data_table.h"
#include "fit/session.h"
#include "app/long_double.h"
#include "app/settings_file.h"
#include "expr/eval_context.h"
#include "fit/candidate_terms.h"
#include "fit/extremum_search.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_families.h"
#include "fit/fit_list.h"
#include "fit/fit_statistics.h"
#include "fit/fit_volume.h"
#include "fit/levenberg_marquardt.h"
#include "fit/linear_design.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/term_subset_numbers.h"
#include "fit/term_subset_search.h"
#include "numerics/dense_solvers.h"
#include "numerics/least_squares.h"
#include "platform/gui_thread.h"

namespace {

// Relative tolerance of the volume integral.
constexpr long double kVolumeTolerance = 1e-8L;

// The inverse of the fit's normal matrix in side.covariance (indices 0..m) for a non-linear
// fit: the inverse of the least-squares curvature at the fitted parameters. False when the
// curvature is singular or cannot be measured.
bool NonlinearCovarianceOf(TFitSide& side, const TRefitSources& src) {
  const TFitEqn& e = side.eqn;
  const int index = IsUdfEquation(e.equationNumber)
                        ? kUdfCatalogueBase + e.equationNumber - kFirstUdfEquation
                        : NonlinearIndexOfEquation(e.equationNumber);
  long double sse = 0.0L;
  return NonlinearCovariance(index, e.parameters.data(), src.table, src.stats->WeightScale,
                             side.covariance.Data(), sse) == e.m + 1;
}

// A term list the term-subset builder can read: a variant 0..2 and 2..8 codes 0..41.
bool SubsetTermsUsable(const TFitEqn& e) {
  if (e.m < kSubsetMinTerms || e.m > kSubsetMaxTerms || e.terms[0] < 0 || e.terms[0] > 2) return false;
  for (int i = 1; i <= e.m; ++i)
    if (e.terms[static_cast<std::size_t>(i)] < 0 || e.terms[static_cast<std::size_t>(i)] >= kCandidateTermCount)
      return false;
  return true;
}

// The weighted normal matrix of a linear fit into side.covariance, as the fit was made.
bool BuildNormalMatrix(TFitSide& side, const TRefitSources& src) {
  const TFitEqn& e = side.eqn;
  long double* const* a = side.covariance.Data();
  long double b[kFitScratchSize];
  const int code = e.descriptor[1];
  const TSumsTable* sums = src.products ? src.products->sums.get() : nullptr;
  switch (e.kind) {
    case kKindPolynomial:
    case kKindRational:
      if (IsSeriesFamily(code))
        return SeriesNormalEquations(code, e.m, PointsOf(src.table), src.stats->WeightScale,
                                     side.scales.series, a, b);
      if (!sums) return false;
      return e.kind == kKindPolynomial ? PolynomialNormalEquations(*sums, e.descriptor.data(), a, b)
                                       : RationalNormalEquations(*sums, e.descriptor.data(), a, b);
    case kKindTermSubset:
      if (!sums || !SubsetTermsUsable(e)) return false;
      BuildSubsetNormalEquations(*sums, e.m, std::span<const std::int32_t>(e.terms.data(), static_cast<std::size_t>(e.m) + 1),
                                 a, b);
      return true;
    default: return false;
  }
}

// The inverse normal matrix of a polynomial or rational fit formed at the points, by QR of its
// weighted design in the coefficients it was solved in (linear_design.h): for a framed fit
// into side.frameCovariance, and from it, through the derivatives of the raw coefficients,
// into side.covariance. False when the design cannot be formed or is singular.
bool MonomialCovarianceAtPoints(TFitSide& side, const TRefitSources& src) {
  const TFitEqn& e = side.eqn;
  const int p = e.m + 1;
  ExprContext& ctx = ExprThreadContext();
  int n = 0;
  for (const TXYZPoint& pt : PointsOf(src.table))
    if (IsActive(pt)) ++n;
  TLeastSquaresQR qr;
  if (!qr.Reset(n, p)) return false;
  long double row[kFitEqnSlots];
  int i = 0;
  for (const TXYZPoint& pt : PointsOf(src.table)) {
    if (!IsActive(pt)) continue;
    ctx.ExprMathError = 0;
    if (!LinearDesignRow(e, side.scales, ctx, pt.X, pt.Y, pt.Z, row)) {
      ctx.ExprMathError = 0;
      return false;
    }
    const long double root = std::sqrt(pt.W * src.stats->WeightScale);
    for (int k = 0; k < p; ++k) qr.Column(k)[i] = root * row[k];
    ++i;
  }
  ctx.ExprMathError = 0;
  long double solution[kFitEqnSlots];
  if (!qr.Solve(std::numeric_limits<long double>::infinity(), solution).Solved()) return false;
  if (!e.framed) return qr.NormalInverse(side.covariance.Data());
  try {
    if (side.frameCovariance.Rows() < p) side.frameCovariance = LDMatrix(kFitScratchSize, kFitScratchSize);
  } catch (const std::bad_alloc&) {
    return false;
  }
  LDMatrix jacobian(p, p);
  if (!qr.NormalInverse(side.frameCovariance.Data()) ||
      !RawCoefficientJacobian(e, side.scales, jacobian.Data()))
    return false;
  // J·C·Jᵀ in 113 bits: the entries of J are the powers of the frame's centre.
  using Quad = __float128;
  Quad jc[kFitEqnSlots][kFitEqnSlots];
  for (int r = 0; r < p; ++r)
    for (int c = 0; c < p; ++c) {
      Quad v = 0;
      for (int k = 0; k < p; ++k) v += static_cast<Quad>(jacobian[r][k]) * static_cast<Quad>(side.frameCovariance[k][c]);
      jc[r][c] = v;
    }
  for (int r = 0; r < p; ++r)
    for (int c = 0; c < p; ++c) {
      Quad v = 0;
      for (int k = 0; k < p; ++k) v += jc[r][k] * static_cast<Quad>(jacobian[c][k]);
      side.covariance[r][c] = static_cast<long double>(v);
    }
  return true;
}

// Whether the rebuilt normal matrix of a linear fit can be inverted for its covariance: a
// framed fit or one solved at the points has no such matrix worth its name, and one whose
// scaled condition κ leaves fewer than 9 digits of its inverse (γ·κ above 1e-9, γ as in
// NormalsHoldSse) is inverted at the points.
bool NormalMatrixInvertible(const TFitSide& side) {
  const TFitEqn& e = side.eqn;
  if (e.framed || e.procedure == kProcQRDecomp) return false;
  const long double condition = EquilibratedCondition(side.covariance.Data(), e.m + 1);
  return (e.m + 2) * 0x1p-63L * condition <= 1e-9L;
}

// Step 6 of a refit with covariance: the inverse normal matrix of the fit.
bool InvertNormalMatrix(TFitSide& side, const TRefitSources& src) {
  const TFitEqn& e = side.eqn;
  if (e.kind == kKindNonlinear) return NonlinearCovarianceOf(side, src);
  const bool built = BuildNormalMatrix(side, src);
  if (IsMonomialFit(e) && (!built || !NormalMatrixInvertible(side))) return MonomialCovarianceAtPoints(side, src);
  if (IsSeriesFamily(e.descriptor[1]) && e.kind != kKindTermSubset && built && !NormalMatrixInvertible(side))
    return SeriesNormalInverseAtPoints(e.descriptor[1], e.m, PointsOf(src.table), src.stats->WeightScale,
                                       side.scales.series, side.covariance.Data());
  if (e.kind == kKindTermSubset && SubsetTermsUsable(e) && (!built || !NormalMatrixInvertible(side)))
    return SubsetNormalInverseAtPoints(PointsOf(src.table), src.stats->WeightScale, side.scales,
                                       std::span<const std::int32_t>(e.terms.data(), static_cast<std::size_t>(e.m) + 1),
                                       e.m, side.covariance.Data());
  if (!built) return false;
  const SolverFn invert = InverterForProcedure(e.procedure);
  return invert && invert(side.covariance.Data(), nullptr, e.m + 1).Solved();
}

// A side's matrix, allocated once at the scratch size the builders and inverters work in;
// false when memory is short (the fit then has no covariance, as when it cannot be inverted).
bool HasCovarianceMatrix(TFitSide& side) {
  if (side.covariance.Rows() >= kFitScratchSize && side.covariance.Cols() >= kFitScratchSize) return true;
  try {
    side.covariance = LDMatrix(kFitScratchSize, kFitScratchSize);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void CovarianceStep(TFitSide& side, const TRefitSources& src) {
  FillFitEqnTValues(side.eqn);
  side.covarianceValid = HasCovarianceMatrix(side) && InvertNormalMatrix(side, src) ? 1 : 0;
}

// s·sqrt(C_ii) of every parameter; 0 without a covariance, and for a diagonal entry that is
// negative or not a number (a matrix inverted without positive curvature in that direction).
// Without a fit standard error (no degree of freedom left) no parameter has one either: the
// missing value, never a 0 that reads as an exact parameter.
void StandardErrors(TFitSide& side) {
  TFitEqn& e = side.eqn;
  e.parameterErrors.fill(0.0L);
  if (!FitStdErrorKnown(e.fitStdError)) {
    std::fill_n(e.parameterErrors.begin(), std::clamp(e.m + 1, 0, kFitEqnSlots), ExprErrorValue);
    return;
  }
  if (!side.covarianceValid) return;
  for (int i = 0; i <= e.m; ++i) {
    const long double cii = side.covariance[i][i];
    const long double se = e.fitStdError * std::sqrt(cii);
    e.parameterErrors[static_cast<std::size_t>(i)] = cii >= 0.0L && std::isfinite(se) ? se : 0.0L;
  }
}

// Step 8: the volume and the extrema of the surface over the data rectangle.
void SurfaceStep(TFitSide& side, const TRefitSources& src) {
  TFitEqn& e = side.eqn;
  const TDataStats& st = *src.stats;
  e.volume = 0.0L;
  e.volumeSecond = 0.0L;
  ExprContext& ctx = ExprThreadContext();
  const auto value = [&side, &ctx](long double x, long double y) { return EvalFitSideZ(side, ctx, x, y); };
  if (src.volume) {
    // The volume under the surface by nested Gauss integrals over cells that follow the data
    // and the fitted centres (fit_volume.h); a surface undefined somewhere in the rectangle,
    // or a volume that cannot be had to its tolerance, has none.
    ctx.ExprMathError = 0;
    if (const std::optional<TFitVolume> v = FitSideVolume(
            ctx, side, {st.X.Min, st.X.Max, st.Y.Min, st.Y.Max}, src.table, kVolumeTolerance)) {
      e.volume = v->value;
      e.volumeSecond = v->precision;
    }
    ctx.ExprMathError = 0;
  }
  // A search that finds nothing leaves the missing value in its three fields, so that no
  // one reads (0, 0, 0) as an extremum. From the data's lowest (highest) point alone the
  // search found the nearest dip: a Chebyshev surface rising to 30.7 in a corner without
  // data was shown with a maximum of 4.89; from the lowest node of a uniform grid besides,
  // a fit in 1/x was shown with a lowest point of 0.342 where it falls to -32.6 beside the
  // data's smallest x.
  const TSurfaceExtremes found = FindLowestAndHighest(value, st.X.AtMin2, st.Y.AtMin2, st.X.AtMax2, st.Y.AtMax2,
                                                      st.X.Min, st.X.Max, st.Y.Min, st.Y.Max);
  e.minimum = found.low;
  e.maximum = found.high;
}

}  // namespace

bool RefitSide(TFitSide& side, const TFitResult& fit, int rank, int mode, const TRefitSources& src) {
  if (!src.stats) return false;
  TFitEqn& e = side.eqn;
  FillFitEqnFromResult(e, fit, rank, src.stats->SSTotal, src.stats->WeightedCount);
  e.parameterErrors.fill(0.0L);
  side.scales = src.products ? src.products->scales : TFitRunScales{};
  side.differenceScales = {src.stats->X.Max - src.stats->X.Min, src.stats->Y.Max - src.stats->Y.Min};
  side.covarianceValid = 0;
  e.shapeEvaluator = nullptr;
  side.udfIndex = -1;
  if (e.kind == kKindNonlinear) {
    if (IsUdfEquation(e.equationNumber))
      side.udfIndex = e.equationNumber - kFirstUdfEquation;
    else
      e.shapeEvaluator = BuiltinNonlinearEntry(NonlinearIndexOfEquation(e.equationNumber)).evaluator;
  }
  if (mode <= kRefitRecord) return true;
  // The steps below evaluate the surface, a user function's for minutes perhaps: when the
  // calling thread's question stops them (a Cancel), what they leave is no figure at all.
  const ExprContext& ctx = ExprThreadContext();
  CovarianceStep(side, src);
  if (ctx.stopped) return false;
  StandardErrors(side);
  if (mode >= kRefitComplete) SurfaceStep(side, src);
  return !ctx.stopped;
}

namespace {

bool RefitFromList(const TSession& session, TFitSide& side, int rank, int mode, bool volume) {
  const TFitResult* fit = session.FitList.At(rank);
  if (!fit) return false;
  // The series normal equations and the non-linear covariance read the data table; the
  // user-interface thread alone changes it, and takes the lock exclusively to do so.
  DataTableReadLock lock(session.Table.Mutex());
  TRefitSources src;
  src.products = &session.FitListProducts;
  src.stats = &session.DataStats;
  src.table = session.Table.XYZData();
  src.volume = volume;
  return RefitSide(side, *fit, rank, mode, src);
}

}  // namespace

bool RefitRankInto(TFitSide& side, const TSession& session, int rank, int mode) {
  mode = std::clamp(mode, 0, 2);
  const bool volume = mode == kRefitComplete && CurrentSettings().VolumeOption != 0;
  return RefitFromList(session, side, rank, mode, volume);
}

std::optional<TFitSide> RefitRank(const TSession& session, int rank, int mode) {
  std::optional<TFitSide> side(std::in_place);
  if (!RefitRankInto(*side, session, rank, mode)) side.reset();
  return side;
}

std::optional<TFitSide> RefitRankForRender(const TSession& session, int rank, bool covariance) {
  std::optional<TFitSide> side(std::in_place);
  if (!RefitFromList(session, *side, rank, covariance ? kRefitCovariance : kRefitRecord, false)) side.reset();
  return side;
}

bool MakeRankCurrent(TSession& session, int rank, int mode) {
  platform::AssertUiThread();
  // Refitted apart and put in place whole: a refit the user stopped halfway leaves the
  // current fit exactly as it was.
  ExprContext& ctx = ExprThreadContext();
  const int udf = ctx.CurrentUdf;
  std::optional<TFitSide> side = RefitRank(session, rank, mode);
  if (!side) {
    ctx.CurrentUdf = udf;  // a user function's evaluations set it
    return false;
  }
  session.CurFit = std::move(*side);
  if (session.CurFit.udfIndex >= 0) ctx.CurrentUdf = session.CurFit.udfIndex;
  return true;
}

int IsBuiltinNonlinearRank(const TFitSession& session, int rank) {
  if (rank < 1 || rank > session.FitCount.load()) return 0;
  const TFitResult* fit = session.FitList.At(rank);
  return fit && fit->equationNumber >= kFirstBuiltinNonlinear && fit->equationNumber <= 2500 ? 1 : 0;
}
