// The fit-run driver: the counts before a run, the phases in their order, and the hand-over
// of a finished run's products.
#include "fit/fit_run.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "fit/fit_families.h"
#include "fit/fit_sums.h"


TFitRunContext::TFitRunContext(std::span<const TXYZPoint> table, const TDataStats& stats_,
                               const TFitSelection& selection_, const TFitOptions& options_,
                               TFitList& list_)
    : points(PointsOf(table)),
      stats(stats_),
      selection(selection_),
      options(options_),
      list(list_),
      support(FitSupportOf(points)),
      sst(stats_.SSTotal) {}

TFitRunContext::~TFitRunContext() = default;

int TFitRunContext::Progress(int stage, float percent) const {
  return progress ? progress(stage, percent, counters.tried, Listed()) : 1;
}

float ProgressPercent(std::uint32_t counter, std::uint32_t total) {
  return total > 0 ? static_cast<float>(100.0L * counter / total) : 100.0f;
}

namespace {

// Equations of one X-by-Y pair of the plain polynomials, by the limit h10: the additive ones
// and the full quadratic and cubic.
constexpr std::uint32_t kPolyAdditive[11] = {0, 0, 1, 3, 6, 10, 15, 19, 22, 24, 25};
constexpr std::uint32_t kPolyFull[11] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2};
// The same for one pair of the plain rationals and the full quadratic rational.
constexpr std::uint32_t kRatAdditive[11] = {0, 0, 0, 0, 1, 5, 15, 31, 48, 60, 64};
constexpr std::uint32_t kRatFull[11] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
// Subsets one term-subset search tries, by its limit h8 (861 pairs, then the screened
// searches of 3..8 terms).
constexpr std::uint32_t kSubsetSearch[9] = {0, 0, 861, 4921, 7981, 9983, 10907, 11699, 12194};

// Parameter counts minus 1 of the series families' orders.
constexpr int kChebOrders[] = {5, 9, 14, 20, 27, 35, 44, 54, 65};
constexpr int kChebRatOrders[] = {6, 10, 14, 18, 22, 26, 30, 34, 38, 42};
constexpr int kFourierOrders[] = {4, 8, 12, 16, 20, 24, 28, 32, 36, 40};
constexpr int kFourier2Orders[] = {12, 24, 40, 60};

std::uint32_t Bit(std::uint32_t mask, std::uint32_t bit) { return (mask & bit) ? 1u : 0u; }

template <std::size_t N>
std::uint32_t OrdersWithin(const int (&orders)[N], int limit) {
  return static_cast<std::uint32_t>(
      std::count_if(orders, orders + N, [limit](int m) { return m <= limit; }));
}

// Number of X-by-Y pairs of a mask whose kinds the data allow (the bits run x, ln x, 1/x
// and y, ln y, 1/y; the rationals have no reciprocal kinds).
std::uint32_t KindPairs(std::uint32_t mask, std::initializer_list<std::uint32_t> xBits,
                        std::initializer_list<std::uint32_t> yBits, const TDataStats& stats) {
  const auto allowed = [](const TAxisStats& axis, std::size_t kind) {
    return kind == 0 || (kind == 1 ? LogKindAllowed(axis) : ReciprocalKindAllowed(axis));
  };
  const auto count = [mask, &allowed](std::initializer_list<std::uint32_t> bits, const TAxisStats& axis) {
    std::uint32_t n = 0;
    std::size_t kind = 0;
    for (std::uint32_t b : bits) {
      if ((mask & b) && allowed(axis, kind)) ++n;
      ++kind;
    }
    return n;
  };
  return count(xBits, stats.X) * count(yBits, stats.Y);
}

}  // namespace

std::uint32_t CountLinearEquations(const TFitSelection& selection, const TFitOptions& options,
                                   const TDataStats& stats, TFitCounts& counts) {
  const int highest = static_cast<int>(options.highestTerm);  // highest term count minus 1
  const int h10 = std::clamp(highest, 0, 10);
  const int h65 = std::clamp(highest, 0, 65);
  const int h8 = std::clamp(highest, 0, 8);
  const std::uint32_t poly = selection.polynomialMask, rat = selection.rationalMask;

  const std::uint32_t polyPairs = KindPairs(poly, {kPolyX, kPolyLnX, kPolyInvX},
                                            {kPolyY, kPolyLnY, kPolyInvY}, stats);
  counts.polynomial = polyPairs * (kPolyAdditive[h10] + kPolyFull[h10]);
  counts.polynomial += OrdersWithin(kChebOrders, h65) *
                       (Bit(poly, kPolyChebyshev) + 3 * Bit(poly, kPolyChebyshevLog) +
                        Bit(poly, kPolyCosine) + Bit(poly, kPolySigmoid));
  counts.polynomial += OrdersWithin(kFourierOrders, h65) * Bit(poly, kPolyFourier);
  counts.polynomial += OrdersWithin(kFourier2Orders, h65) * Bit(poly, kPolyFourier2);

  const std::uint32_t ratPairs =
      KindPairs(rat, {kRatX, kRatLnX}, {kRatY, kRatLnY}, stats);
  counts.rational = ratPairs * (kRatAdditive[h10] + kRatFull[h10]);
  counts.rational += OrdersWithin(kChebRatOrders, h65) *
                     (Bit(rat, kRatChebyshev) + 3 * Bit(rat, kRatChebyshevLog));

  const std::uint32_t variantBits[kZVariantCount] = {kSubsetZ, kSubsetLnZ, kSubsetInvZ};
  for (int v = 0; v < kZVariantCount; ++v)
    counts.subsets[static_cast<std::size_t>(v)] =
        Bit(selection.subsetMask, variantBits[v]) * kSubsetSearch[h8];

  counts.linear = counts.polynomial + counts.rational + counts.subsets[0] + counts.subsets[1] +
                  counts.subsets[2];
  return counts.linear;
}

std::uint32_t CountNonLinearEquations(const TFitSelection& selection, int definedUdfs) {
  std::uint32_t n = 0;
  for (int i = 0; i < kNonlinearEquationCount; ++i)
    if (selection.nonlinear[static_cast<std::size_t>(i)]) ++n;
  return n + static_cast<std::uint32_t>(std::max(definedUdfs, 0));
}

bool CountFitRun(TFitRunContext& ctx) {
  ctx.counts = TFitCounts{};
  CountLinearEquations(ctx.selection, ctx.options, ctx.stats, ctx.counts);
  ctx.counts.nonlinear = CountNonLinearEquations(ctx.selection, ctx.udfs ? UdfTableDefinedCount(*ctx.udfs) : 0);
  ctx.counters = TFitCounters{};
  return ctx.counts.linear > 0 || ctx.counts.nonlinear > 0;
}

namespace {

// The phase results of a run: -1 stops it, -2 is remembered and the run goes on.
class TPhaseTally {
 public:
  explicit TPhaseTally(TFitRunContext& ctx) : ctx_(ctx) {}
  // False when the run must end (the user aborted).
  bool Add(int result) {
    if (result == -1) return false;
    if (result == -2)
      ctx_.outOfMemory = true;
    else
      fitted_ += result;
    return true;
  }
  int Fitted() const { return fitted_; }

 private:
  TFitRunContext& ctx_;
  int fitted_ = 0;
};

// An aborted run leaves nothing of itself in the list.
int Abort(TFitRunContext& ctx) {
  ctx.list.Truncate(0);
  return -1;
}

bool AllocateScratch(TFitRunContext& ctx) {
  if (!ctx.scratchMatrix) ctx.scratchMatrix = AllocLDMatrix(kFitScratchSize, kFitScratchSize);
  try {
    ctx.scratchVector.resize(kFitScratchSize);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return ctx.scratchMatrix != nullptr;
}

}  // namespace

int RunFitFamilies(TFitRunContext& ctx) {
  if (!ctx.list.BeginRun() || !AllocateScratch(ctx)) return -2;
  ctx.fitTolerance = std::pow(10.0L, -static_cast<long double>(ctx.options.digitThreshold));
  ctx.outOfMemory = false;
  TPhaseTally tally(ctx);

  if (ctx.counts.linear > 0) {
    const int h = ComputeFitSums(ctx);
    if (h == -1) return Abort(ctx);
    if (h < 0) return h;

    const TFitOptions& o = ctx.options;
    const bool svd = o.autoSvd != 0;
    // The series families' orders are bounded by the distinct values of the points that
    // take part.
    const int dx = ctx.support.distinctX, dy = ctx.support.distinctY;

    const std::uint32_t poly = ctx.selection.polynomialMask;
    if (ctx.counts.polynomial > 0) {
      const std::uint32_t total = ctx.counts.polynomial;
      const int keep = static_cast<int>(o.keepPolynomial);
      if (!tally.Add(FitPolynomialEquations(ctx, keep, h, poly, svd, total)) ||
          !tally.Add(FitTransformPolynomials(ctx, keep, h, poly, svd, total)))
        return Abort(ctx);
      for (TSeriesEntryFn entry :
           {FitChebFamilyXY, FitChebFamilyLnXY, FitChebFamilyXLnY, FitChebFamilyLnXLnY,
            FitSigmoidFamily, FitFourierFamily, FitFourierFamily2, FitCosineFamily})
        if (!tally.Add(entry(ctx, h, dx, dy, poly, svd, total))) return Abort(ctx);
    }
    if (poly != 0 && !ctx.Progress(kStagePolynomial, 100.0f)) return Abort(ctx);

    const std::uint32_t rat = ctx.selection.rationalMask;
    if (ctx.counts.rational > 0) {
      const std::uint32_t total = ctx.counts.rational;
      const int keep = static_cast<int>(o.keepRational);
      if (!tally.Add(FitRationalEquations(ctx, keep, h, rat, svd, total)) ||
          !tally.Add(FitRationalEquations2(ctx, keep, h, rat, svd, total)))
        return Abort(ctx);
      for (TSeriesEntryFn entry : {FitChebRatFamilyXY, FitChebRatFamilyLnXY,
                                   FitChebRatFamilyXLnY, FitChebRatFamilyLnXLnY})
        if (!tally.Add(entry(ctx, h, dx, dy, rat, svd, total))) return Abort(ctx);
    }
    if (rat != 0 && !ctx.Progress(kStageRational, 100.0f)) return Abort(ctx);

    for (int v = kVariantZ; v <= kVariantInvZ; ++v)
      if (!tally.Add(SearchTermCombinations(ctx, h, v))) return Abort(ctx);
  }
  if (ctx.counts.nonlinear > 0 && !tally.Add(FitNonlinearEquations(ctx))) return Abort(ctx);
  return ctx.outOfMemory ? -2 : tally.Fitted();
}

TFitRunProducts FitRunProductsOf(const TFitRunContext& ctx) {
  return TFitRunProducts{ctx.sums, ctx.scales, ctx.sst};
}
