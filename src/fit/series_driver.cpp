// The series driver: every order of a series family is fitted the same way. Build the
// weighted normal equations of the order's basis, solve them, take the sum of squares, and
// append a record to the fit list.
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "app/long_double.h"
#include "expr/eval_context.h"
#include "expr/math_faults.h"
#include "fit/fit_families.h"
#include "fit/fit_statistics.h"
#include "fit/fit_sums.h"
#include "fit/series_families.h"
#include "fit/linear_fit.h"
#include "numerics/dense_solvers.h"
#include "numerics/least_squares.h"

namespace {

constexpr int kMaxRow = kMaxSeriesM + 1;

// Points are taken in chunks: the rows of a chunk are built first, then every entry adds the
// chunk's products to its running sum in a register. The sums, their order and every product
// are those of a point-by-point accumulation; only the memory traffic differs.
constexpr int kChunk = 64;

// The rows of one chunk, stored by basis index: r[i][p], w·r[i][p] and the targets.
class TChunkRows {
 public:
  bool Allocate(int n) {
    try {
      rows_.assign(static_cast<std::size_t>(n) * kChunk, 0.0L);
      weighted_.assign(static_cast<std::size_t>(n) * kChunk, 0.0L);
    } catch (const std::bad_alloc&) {
      return false;
    }
    n_ = n;
    count_ = 0;
    return true;
  }
  bool Full() const { return count_ == kChunk; }
  int Count() const { return count_; }
  void Add(const long double* row, long double w, long double target) {
    for (int i = 0; i < n_; ++i) {
      R(i)[count_] = row[i];
      W(i)[count_] = w * row[i];
    }
    targets_[count_++] = target;
  }
  // Adds the chunk to the upper triangle of a and to b, and empties it.
  void Flush(long double* const* a, long double* b) {
    const int c = count_;
    for (int i = 0; i < n_; ++i) {
      const long double* wi = W(i);
      long double* ai = a[i];
      int j = i;
      // Four entries at a time: four independent running sums.
      for (; j + 3 < n_; j += 4) {
        long double s0 = ai[j], s1 = ai[j + 1], s2 = ai[j + 2], s3 = ai[j + 3];
        const long double *r0 = R(j), *r1 = R(j + 1), *r2 = R(j + 2), *r3 = R(j + 3);
        for (int p = 0; p < c; ++p) {
          const long double w = wi[p];
          s0 += w * r0[p];
          s1 += w * r1[p];
          s2 += w * r2[p];
          s3 += w * r3[p];
        }
        ai[j] = s0;
        ai[j + 1] = s1;
        ai[j + 2] = s2;
        ai[j + 3] = s3;
      }
      for (; j < n_; ++j) {
        long double sj = ai[j];
        const long double* rj = R(j);
        for (int p = 0; p < c; ++p) sj += wi[p] * rj[p];
        ai[j] = sj;
      }
      long double bi = b[i];
      for (int p = 0; p < c; ++p) bi += wi[p] * targets_[p];
      b[i] = bi;
    }
    count_ = 0;
  }

 private:
  long double* R(int i) { return rows_.data() + static_cast<std::size_t>(i) * kChunk; }
  long double* W(int i) { return weighted_.data() + static_cast<std::size_t>(i) * kChunk; }
  std::vector<long double> rows_, weighted_;
  long double targets_[kChunk] = {};
  int n_ = 0, count_ = 0;
};

// Accumulates Σ w·r_i·r_j (j >= i) and Σ w·r_i·target over the active points: only the upper
// triangle, in table order, each product as (w·r_i)·r_j. False when the chunk storage cannot
// be had.
bool Accumulate(const TSeriesFamily& f, const SeriesScales& s, std::span<const TXYZPoint> points,
                long double weightScale, int m, long double* const* a, long double* b) {
  TChunkRows chunk;
  if (!chunk.Allocate(m + 1)) return false;
  for (int i = 0; i <= m; ++i) {
    std::fill(a[i] + i, a[i] + m + 1, 0.0L);
    b[i] = 0.0L;
  }
  long double row[kMaxRow];
  for (const TXYZPoint& p : points) {
    if (!IsActive(p)) continue;
    long double target = 0.0L;
    f.normalRow(f, s, p.X, p.Y, p.Z, m, row, &target);
    chunk.Add(row, p.W * weightScale, target);
    if (chunk.Full()) chunk.Flush(a, b);
  }
  chunk.Flush(a, b);
  return true;
}

void MirrorUpper(long double* const* a, int m) {
  for (int i = 0; i <= m; ++i)
    for (int j = i + 1; j <= m; ++j) a[j][i] = a[i][j];
}

// The normal equations of the largest order a family will fit, gathered in one pass; the
// equations of every smaller order are read from them. Each entry is the same running sum the
// smaller order would gather itself (the same products of the same row values, in table
// order), so the systems are identical to the last bit.
class TNormalCache {
 public:
  bool Build(const TSeriesFamily& f, const SeriesScales& s, std::span<const TXYZPoint> points,
             long double weightScale, int mBig) {
    const auto n = static_cast<std::size_t>(mBig + 1);
    try {
      cells_.assign(n * n, 0.0L);
      rows_.resize(n);
      rhs_.assign(n, 0.0L);
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (std::size_t i = 0; i < n; ++i) rows_[i] = cells_.data() + i * n;
    mBig_ = mBig;
    return Accumulate(f, s, points, weightScale, mBig, rows_.data(), rhs_.data());
  }

  void Extract(const TSeriesFamily& f, int m, long double* const* a, long double* b) const {
    int pos[kMaxRow];
    if (f.embed) {
      f.embed(m, mBig_, pos);
    } else {
      for (int i = 0; i <= m; ++i) pos[i] = i;
    }
    for (int i = 0; i <= m; ++i) {
      for (int j = i; j <= m; ++j) a[i][j] = rows_[static_cast<std::size_t>(pos[i])][pos[j]];
      b[i] = rhs_[static_cast<std::size_t>(pos[i])];
    }
    MirrorUpper(a, m);
  }

 private:
  std::vector<long double> cells_, rhs_;
  std::vector<long double*> rows_;
  int mBig_ = 0;
};

// q of the axis test of order index k.
int AxisOrder(const TSeriesFamily& f, int k) {
  return f.offset >= 0 ? k + f.offset : 2 * (k - f.offset);
}

// The number of orders the loop can reach: it stops at the first order above the run's limit
// or beyond what the distinct x and y values support.
int ReachableOrders(const TSeriesFamily& f, int limit, int distinctX, int distinctY) {
  int k = 0;
  for (; k < f.orders; ++k) {
    const int q = AxisOrder(f, k);
    if (f.paramCount(k) > limit || q >= distinctX || q >= distinctY) break;
  }
  return k;
}

// The least-squares solution of order m at the active points, by QR of the weighted rows
// the normal equations are made of, into b[0..m]; dependent when the scaled design's
// condition reaches maxCondition.
TLeastSquaresResult SolveSeriesAtPoints(const TSeriesFamily& f, const SeriesScales& s,
                                        std::span<const TXYZPoint> points, long double weightScale, int m,
                                        long double maxCondition, long double* b) {
  int n = 0;
  for (const TXYZPoint& p : points)
    if (IsActive(p)) ++n;
  TLeastSquaresQR qr;
  if (!qr.Reset(n, m + 1)) return {TLeastSquaresStatus::kNoMemory};
  long double row[kMaxRow];
  int i = 0;
  for (const TXYZPoint& p : points) {
    if (!IsActive(p)) continue;
    long double target = 0.0L;
    f.normalRow(f, s, p.X, p.Y, p.Z, m, row, &target);
    const long double root = std::sqrt(p.W * weightScale);
    for (int k = 0; k <= m; ++k) qr.Column(k)[i] = root * row[k];
    qr.Target()[i] = root * target;
    ++i;
  }
  return qr.Solve(maxCondition, b);
}

// The rounding the data carry into the design of order index k (DesignRounding of
// linear_fit.h): the relative rounding of each scaled axis, times twice the order (the slope
// of T_n and of cos(n·s) over the data grows with it), and for the rationals that of z,
// which their rows carry.
long double SeriesDesignRounding(const TSeriesFamily& f, const TDataStats& stats, int k) {
  const int q = std::max(1, AxisOrder(f, k));
  const long double axes = KindRounding(stats.X, f.lnX ? kKindLnX : kKindX) + KindRounding(stats.Y, f.lnY ? kKindLnY : kKindY);
  const long double z = f.rationalPhase ? KindRounding(stats.Z, kKindX) : 0.0L;
  return kDataRounding * (2.0L * q * axes + z);
}

}  // namespace

bool ScaleLinear(long double v, const TSeriesAxisScale& a, bool log, long double& u) {
  if (!log) {
    u = (v - a.centre) / a.halfRange;
    return true;
  }
  if (v <= 0.0L) {
    ExprMathLog(ExprThreadContext(), v);  // records the logarithm's error
    return false;
  }
  u = (std::log(v) - a.logCentre) / a.logHalfRange;
  return true;
}

long double ScaleAngular(long double v, const TSeriesAxisScale& a) {
  return (v - a.origin) / a.angularScale;
}

long double SeriesSumSquares(const TSeriesFamily& f, const SeriesScales& s,
                             std::span<const TXYZPoint> points, long double weightScale,
                             const long double* p, int m) {
  long double sum = 0.0L;
  for (const TXYZPoint& q : points) {
    if (!IsActive(q)) continue;
    const long double r = q.Z - f.eval(f, s, q.X, q.Y, p, m);
    sum += q.W * weightScale * r * r;
  }
  return sum;
}

bool SeriesNormalEquationsOf(const TSeriesFamily& f, const SeriesScales& s,
                             std::span<const TXYZPoint> points, long double weightScale, int m,
                             long double* const* a, long double* b) {
  if (!Accumulate(f, s, points, weightScale, m, a, b)) return false;
  MirrorUpper(a, m);
  return true;
}

int FitSeriesFamily(TFitRunContext& ctx, const TSeriesFamily& f, int largestM, int distinctX,
                    int distinctY, bool svd, std::uint32_t total) {
  const int mFirst = f.paramCount(0);
  const int limit = std::min(largestM, f.paramCount(f.orders - 1));
  if (limit < mFirst) return 0;

  const SeriesScales& scales = ctx.scales.series;
  const long double weightScale = ctx.stats.WeightScale;
  const long double sst = ctx.sst;
  const long double sumZ2 = (*ctx.sums)[TSumsTable::ZSquare(kVariantZ)];
  std::uint32_t& counter = f.rationalPhase ? ctx.counters.rational : ctx.counters.polynomial;
  const int stage = f.rationalPhase ? kStageRational : kStagePolynomial;
  const int listedBefore = ctx.Listed();
  long double* const* a = ctx.scratchMatrix->Data();
  long double* b = ctx.scratchVector.data();

  const int reachable = ReachableOrders(f, limit, distinctX, distinctY);
  std::vector<long double> normal;  // an order's normal matrix, before the solver works on it
  TNormalCache cache;
  const bool cached = f.nested && reachable > 1 &&
                      cache.Build(f, scales, ctx.points, weightScale, f.paramCount(reachable - 1));

  for (int k = 0; k < reachable; ++k) {
    const int m = f.paramCount(k);
    if (cached) {
      cache.Extract(f, m, a, b);
    } else if (!SeriesNormalEquationsOf(f, scales, ctx.points, weightScale, m, a, b)) {
      ctx.outOfMemory = true;  // no work memory for this order: the family ends here
      break;
    }
    long double rhs[kMaxRow];
    std::copy(b, b + m + 1, rhs);
    const int n = m + 1;
    // The condition of the normal matrix decides whether its solution holds the digits the
    // data hold (linear_fit.h); the solvers destroy the matrix, so it is taken first.
    const long double rounding = SeriesDesignRounding(f, ctx.stats, k);
    const long double maxCondition = DependenceCondition(rounding);
    const long double normalCondition = EquilibratedCondition(a, n);
    if (f.fast) {
      normal.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
      for (int i = 0; i < n; ++i) std::copy(a[i], a[i] + n, normal.begin() + static_cast<std::ptrdiff_t>(i) * n);
    }

    SolverResult solved;
    int procedure = kProcGaussElim;
    long double condition = 0.0L;
    if (svd) {
      procedure = kProcSymIndefCopy;
      solved = SolveSymIndefCopy(a, b, m + 1);
      condition = solved.condition.value_or(0.0L);
      // A nearly collinear basis ends the family: higher orders only make it worse.
      if (solved.Solved() && condition < 5e-14L) break;
    } else {
      solved = SolveGauss(a, b, m + 1);
    }

    ++ctx.counters.tried;
    ++counter;
    if (!ctx.Progress(stage, ProgressPercent(counter, total))) {
      ctx.list.Truncate(listedBefore);
      return -1;
    }
    // The residual sum of squares of the linear system (for a rational its linearisation in
    // the scaled z) and that of its target, for the test that the data determine the order.
    long double targetSquares = sumZ2;
    if (!f.fast) {
      const TSeriesAxisScale& z = scales.z;
      const TSumsTable& sums = *ctx.sums;
      targetSquares = (sums[TSumsTable::ZSquare(kVariantZ)] - 2 * z.centre * sums[TSumsTable::Z(kVariantZ)] +
                       z.centre * z.centre * sums[TSumsTable::Count(kVariantZ)]) /
                      (z.halfRange * z.halfRange);
    }
    long double linearSse = targetSquares;
    for (int i = 0; i <= m; ++i) linearSse -= b[i] * rhs[i];
    long double sse;
    if (solved.Solved() && normalCondition < maxCondition * maxCondition &&
        !DeterminedByData(std::sqrt(normalCondition), linearSse, targetSquares, rounding))
      continue;  // the rounding of the data sets this order: no fit of them
    if (!solved.Solved() || !(normalCondition < maxCondition * maxCondition) ||
        !NormalsHoldParameters(normalCondition, n, rounding)) {
      // Weights spread over many orders of magnitude, or axes that are nearly dependent on
      // the data, square a condition past what the normal equations hold: the order is solved
      // at the points, and dropped when its terms are dependent on the data.
      const TLeastSquaresResult r = SolveSeriesAtPoints(f, scales, ctx.points, weightScale, m, maxCondition, b);
      if (!r.Solved() || !DeterminedByData(r.condition, r.sse, r.targetSquares, rounding)) {
        if (r.status == TLeastSquaresStatus::kNoMemory) ctx.outOfMemory = true;
        continue;
      }
      procedure = kProcQRDecomp;
      sse = f.fast ? r.sse : SeriesSumSquares(f, scales, ctx.points, weightScale, b, m);
    } else if (f.fast) {
      sse = sumZ2;
      for (int i = 0; i <= m; ++i) sse -= b[i] * rhs[i];
      // Cancellation eats the fast value of a close fit, and a solution that misses its
      // equations has another SSE: take the exact one.
      if (sse < f.tolerance * sst || !NormalEquationSseStands(sse, sumZ2, normal, b, rhs, n))
        sse = SeriesSumSquares(f, scales, ctx.points, weightScale, b, m);
    } else {
      sse = SeriesSumSquares(f, scales, ctx.points, weightScale, b, m);
    }
    if (!SseAcceptable(sse, sst)) continue;
    if (f.definedOverData && !f.definedOverData(b, m)) continue;

    auto record = NewFitResult(m);
    if (!record) break;
    record->procedure = procedure;
    record->descriptor = {kKindX, static_cast<std::uint8_t>(f.code), static_cast<std::uint8_t>(m),
                          kKindY, static_cast<std::uint8_t>(f.code), static_cast<std::uint8_t>(m)};
    std::copy(b, b + m + 1, record->parameters.begin());
    record->equationNumber = f.firstEquation + k;
    record->determinant = condition;
    record->complexity = static_cast<int>(f.complexity(k, f.lnX, f.lnY));
    StoreFitStatistics(*record, sse, sst, ctx.Observations());
    if (!ctx.list.Append(std::move(record))) break;
  }
  if (!ctx.Progress(stage, ProgressPercent(counter, total))) {
    ctx.list.Truncate(listedBefore);
    return -1;
  }
  return ctx.Listed() - listedBefore;
}

// ---- Entries ----------------------------------------------------------------------------

namespace {

// The entry of a family: its bit in the selection word, and usable log axes (a log axis
// whose half range is 0 has data at or below 0, or a single value).
int Enter(TFitRunContext& ctx, const TSeriesFamily& f, int largestM, int distinctX, int distinctY,
          std::uint32_t word, bool svd, std::uint32_t total) {
  if (!(word & f.maskBit)) return 0;
  if (f.lnX && ctx.scales.series.x.logHalfRange == 0.0L) return 0;
  if (f.lnY && ctx.scales.series.y.logHalfRange == 0.0L) return 0;
  return FitSeriesFamily(ctx, f, largestM, distinctX, distinctY, svd, total);
}

}  // namespace

#define ONDRAVIK_SERIES_ENTRY(name, family)                                                    \
  int name(TFitRunContext& ctx, int largestM, int distinctX, int distinctY, std::uint32_t word, \
           bool svd, std::uint32_t total) {                                                    \
    return Enter(ctx, family, largestM, distinctX, distinctY, word, svd, total);               \
  }
ONDRAVIK_SERIES_ENTRY(FitChebFamilyXY, kChebPolyFamilies[0])
ONDRAVIK_SERIES_ENTRY(FitChebFamilyLnXY, kChebPolyFamilies[1])
ONDRAVIK_SERIES_ENTRY(FitChebFamilyXLnY, kChebPolyFamilies[2])
ONDRAVIK_SERIES_ENTRY(FitChebFamilyLnXLnY, kChebPolyFamilies[3])
ONDRAVIK_SERIES_ENTRY(FitChebRatFamilyXY, kChebRatFamilies[0])
ONDRAVIK_SERIES_ENTRY(FitChebRatFamilyLnXY, kChebRatFamilies[1])
ONDRAVIK_SERIES_ENTRY(FitChebRatFamilyXLnY, kChebRatFamilies[2])
ONDRAVIK_SERIES_ENTRY(FitChebRatFamilyLnXLnY, kChebRatFamilies[3])
ONDRAVIK_SERIES_ENTRY(FitFourierFamily, kFourierFamily)
ONDRAVIK_SERIES_ENTRY(FitFourierFamily2, kFourier2Family)
ONDRAVIK_SERIES_ENTRY(FitCosineFamily, kCosineFamily)
ONDRAVIK_SERIES_ENTRY(FitSigmoidFamily, kSigmoidFamily)
#undef ONDRAVIK_SERIES_ENTRY

// ---- Stored fits ------------------------------------------------------------------------

const TSeriesFamily* SeriesFamilyOf(int code) {
  if (code >= kFamilyChebXY && code <= kFamilyChebLnXLnY) return &kChebPolyFamilies[code - kFamilyChebXY];
  if (code >= kFamilyChebRatXY && code <= kFamilyChebRatLnXLnY)
    return &kChebRatFamilies[code - kFamilyChebRatXY];
  switch (code) {
    case kFamilyFourier: return &kFourierFamily;
    case kFamilyFourier2: return &kFourier2Family;
    case kFamilyCosine: return &kCosineFamily;
    case kFamilySigmoid: return &kSigmoidFamily;
    default: return nullptr;
  }
}

bool IsSeriesFamily(int code) { return SeriesFamilyOf(code) != nullptr; }

namespace {

// m is one of the family's orders.
bool HasOrder(const TSeriesFamily& f, int m) {
  for (int k = 0; k < f.orders; ++k)
    if (f.paramCount(k) == m) return true;
  return false;
}

}  // namespace

long double EvalSeriesFamily(int code, long double x, long double y, const long double* p, int m,
                             const SeriesScales& scales) {
  const TSeriesFamily* f = SeriesFamilyOf(code);
  if (!f || !HasOrder(*f, m)) return 0.0L;
  return f->eval(*f, scales, x, y, p, m);
}

bool SeriesDesignRow(int code, long double x, long double y, long double z, int m,
                     long double* row, const SeriesScales& scales) {
  const TSeriesFamily* f = SeriesFamilyOf(code);
  if (!f || !HasOrder(*f, m)) return false;
  return f->designRow(*f, scales, x, y, z, m, row);
}

bool SeriesNormalEquations(int code, int m, std::span<const TXYZPoint> points,
                           long double weightScale, const SeriesScales& scales,
                           long double* const* a, long double* b) {
  const TSeriesFamily* f = SeriesFamilyOf(code);
  if (!f || !HasOrder(*f, m)) return false;
  return SeriesNormalEquationsOf(*f, scales, points, weightScale, m, a, b);
}

bool SeriesNormalInverseAtPoints(int code, int m, std::span<const TXYZPoint> points, long double weightScale,
                                 const SeriesScales& scales, long double* const* inverse) {
  const TSeriesFamily* f = SeriesFamilyOf(code);
  if (!f || !HasOrder(*f, m)) return false;
  int n = 0;
  for (const TXYZPoint& p : points)
    if (IsActive(p)) ++n;
  TLeastSquaresQR qr;
  if (!qr.Reset(n, m + 1)) return false;
  long double row[kMaxRow];
  int i = 0;
  for (const TXYZPoint& p : points) {
    if (!IsActive(p)) continue;
    long double target = 0.0L;
    f->normalRow(*f, scales, p.X, p.Y, p.Z, m, row, &target);
    const long double root = std::sqrt(p.W * weightScale);
    for (int k = 0; k <= m; ++k) qr.Column(k)[i] = root * row[k];
    ++i;
  }
  long double solution[kMaxRow];
  return qr.Solve(std::numeric_limits<long double>::infinity(), solution).Solved() && qr.NormalInverse(inverse);
}
