#include "fit/term_subset_search.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "expr/eval_context.h"
#include "fit/candidate_terms.h"
#include "fit/fit_quicksort.h"
#include "fit/fit_statistics.h"
#include "fit/fit_sums.h"
#include "fit/linear_fit.h"
#include "fit/parameter_significance.h"
#include "fit/term_subset_numbers.h"
#include "fit/term_subset_range.h"
#include "numerics/dense_solvers.h"
#include "numerics/least_squares.h"
#include "numerics/ld_matrix.h"

namespace {

constexpr int kTerms = kCandidateTermCount;
constexpr int kXTerms = 21;
// The worst r² of an empty result array: above every r².
constexpr long double kEmptyWorst = 1.01L;
// Progress is reported every this many subsets.
constexpr int kProgressEvery = 25;
// A retained fit whose linear part misses the correlation form's sum of squares by more than
// this share (of it and of S_zz) is solved again from the points.
constexpr long double kRefitSlack = 1e-10L;
// The largest power of its variable a candidate term moves with (x³): the factor of the
// rounding of a coordinate in the rounding of the terms (DesignRounding).
constexpr int kLargestTermPower = 3;
// The error of the r² of a subset the search ranks by, at most.
constexpr long double kSearchedR2Error = 1e-9L;

// Screening: the positions (in each half of the sorted keys) whose terms are left out before
// the searches of 3, 4, 5 and 6 terms; the searches of 7 and 8 terms keep the 6 of 6.
constexpr int kScreenFrom[kSubsetMaxTerms + 1] = {0, 0, 0, 15, 9, 7, 6, kXTerms, kXTerms};
// The searches whose subsets score the terms for the next screening.
constexpr bool kScores[kSubsetMaxTerms + 1] = {false, false, true, true, true, true,
                                                false, false, false};

// One retained subset fit; its other statistics, equation number and complexity are formed
// when it is appended to the fit list.
struct TSubsetRecord {
  long double r2 = 0.0L;
  long double sse = 0.0L;
  long double determinant = 0.0L;
  std::int32_t procedure = 0;
  // The condition of the subset's correlation matrix times the cancellation its sums carry
  // (the error scale of the correlation-form solution, linear_fit.h), and the rounding of its
  // design (DesignRounding).
  long double condition = 0.0L;
  long double rounding = 0.0L;
  std::array<std::int32_t, kSubsetMaxTerms + 1> terms{};  // v, then the codes ascending
  std::array<long double, kSubsetMaxTerms + 1> params{};
};

struct TScreeningKey {
  long double key = 0.0L;
  std::int32_t term = 0;
};

// The standardised slopes β = R⁻¹·r of a subset into r (k x k correlation matrix R, unit
// diagonal, only its lower triangle read; k <= 8), by its Cholesky factor L, with an upper
// bound of its 2-norm condition: κ₂ <= ||R||₂·||R⁻¹||₂ <= k·||L⁻¹||_F² (|R_ij| <= 1, and
// ||R⁻¹||₂ = ||L⁻¹||₂² <= ||L⁻¹||_F²). False when R is not positive definite to working
// precision.
bool SolveCorrelation(long double* const* a, long double* r, int k, long double& conditionBound) {
  long double l[kSubsetMaxTerms][kSubsetMaxTerms] = {}, li[kSubsetMaxTerms][kSubsetMaxTerms] = {};
  for (int j = 0; j < k; ++j) {
    long double pivot = a[j][j];
    for (int m = 0; m < j; ++m) pivot -= l[j][m] * l[j][m];
    if (!(pivot > 0.0L)) return false;
    l[j][j] = std::sqrt(pivot);
    for (int i = j + 1; i < k; ++i) {
      long double v = a[i][j];
      for (int m = 0; m < j; ++m) v -= l[i][m] * l[j][m];
      l[i][j] = v / l[j][j];
    }
  }
  long double frobenius = 0.0L;
  for (int j = 0; j < k; ++j) {
    li[j][j] = 1.0L / l[j][j];
    frobenius += li[j][j] * li[j][j];
    for (int i = j + 1; i < k; ++i) {
      long double v = 0.0L;
      for (int m = j; m < i; ++m) v += l[i][m] * li[m][j];
      li[i][j] = -v / l[i][i];
      frobenius += li[i][j] * li[i][j];
    }
  }
  conditionBound = k * frobenius;
  // β = L⁻ᵀ·(L⁻¹·r).
  long double y[kSubsetMaxTerms];
  for (int i = 0; i < k; ++i) {
    y[i] = 0.0L;
    for (int m = 0; m <= i; ++m) y[i] += li[i][m] * r[m];
  }
  for (int i = 0; i < k; ++i) {
    long double v = 0.0L;
    for (int m = i; m < k; ++m) v += li[m][i] * y[m];
    r[i] = v;
  }
  for (int i = 0; i < k; ++i)
    if (!std::isfinite(r[i])) return false;
  return std::isfinite(conditionBound);
}

// a / b, or 0 when b is 0 or not a number (the language's safe division, without touching
// an expression context: nothing reads the error it would record).
long double SafeRatio(long double a, long double b) {
  return b == 0.0L || std::isnan(b) ? 0.0L : a / b;
}

// Everything the search of one variant works with.
class TVariantSearch {
 public:
  TVariantSearch(TFitRunContext& ctx, int variant)
      : ctx_(ctx), sums_(*ctx.sums), v_(variant), sst_(ctx.sst) {}

  // False when memory for the work tables cannot be had.
  bool Prepare(int kmax);
  // The search of one term count: the number of fits retained, or -1 on abort.
  int FitTermSubsets(int k, bool scoring, long double* bestSlot);
  // Leaves out the terms at the screening positions of the search of k terms.
  void Screen(int k);
  // The largest r² among the retained fits of k terms that passed their statistics.
  long double BestRetained(int k) const;
  // Appends the retained fits to the list; returns the number appended.
  int Append(int kmax);

 private:
  void Correlations();
  void StoreSearchResults(int k, int count);
  void SortTermKeys(int lo, int hi);
  void SortSubsetResults(std::vector<TSubsetRecord>& records, int lo, int hi);

  TFitRunContext& ctx_;
  const TSumsTable& sums_;
  const int v_;
  const long double sst_;
  int keep_ = 1;
  std::uint32_t expected_ = 0;
  bool svd_ = false;
  // Terms that take part: 0 admitted, 1 left out (by the data's domain or by screening).
  std::array<std::uint8_t, kTerms> excluded_{};
  std::unique_ptr<LDMatrix> corr_;       // R: correlations of the terms
  std::array<long double, kTerms> r_{};  // correlations of the terms with Z_v
  std::array<long double, kTerms + 1> mean_{}, sd_{};  // entry 42 is Z_v
  // Σ ω·t² over the centred sum of squares of each term: how much of its covariances the
  // sums they are formed from cancel (1 for rows about the means).
  std::array<long double, kTerms> cancellation_{};
  // sqrt(S_ii): the scale that turns R back into the centred normal matrix.
  std::array<long double, kTerms> spread_{};
  // KindRounding of x and y (the rounding of a coordinate in the terms' spread).
  long double xRounding_ = 0.0L, yRounding_ = 0.0L;
  long double szz_ = 0.0L;
  std::array<TScreeningKey, kTerms> keys_{};
  TTermMagnitudes sizes_{};
  // Retained fits per term count, and how many each array holds.
  std::vector<std::vector<TSubsetRecord>> results_;
  std::array<int, kSubsetMaxTerms + 1> retained_{};
  ExprContext& expr_ = ExprThreadContext();
  // The terms at the points, for the SSE of every retained fit.
  TTermColumns columns_{ctx_.points, ctx_.stats.WeightScale, ctx_.scales};
};

bool TVariantSearch::Prepare(int kmax) {
  keep_ = std::max(1, static_cast<int>(std::min<std::uint32_t>(ctx_.options.keepSubset, 1000000u)));
  expected_ = ctx_.counts.subsets[static_cast<std::size_t>(v_)];
  svd_ = ctx_.options.autoSvd != 0;
  corr_ = AllocLDMatrix(kTerms, kTerms);
  if (!corr_ || !ctx_.scratchMatrix || ctx_.scratchVector.size() < kSubsetMaxTerms + 1) return false;
  try {
    results_.assign(static_cast<std::size_t>(kmax) + 1, {});
    for (int k = kSubsetMinTerms; k <= kmax; ++k)
      results_[static_cast<std::size_t>(k)].assign(static_cast<std::size_t>(keep_), TSubsetRecord{});
  } catch (const std::bad_alloc&) {
    return false;
  }
  sizes_ = TermMagnitudes(ctx_.stats, ctx_.scales);
  xRounding_ = KindRounding(ctx_.stats.X, kKindX);
  yRounding_ = KindRounding(ctx_.stats.Y, kKindY);
  std::copy(ctx_.termExcluded.begin(), ctx_.termExcluded.end(), excluded_.begin());
  Correlations();
  return true;
}

// The correlation form of the variant's sums: with S_ij = Σ ω t_i t_j - Σ ω t_i Σ ω t_j / N_v,
// R_ij = S_ij / sqrt(|S_ii S_jj|), r_i = S_iz / sqrt(|S_zz S_ii|), and the means and standard
// deviations that turn standardised coefficients back into slopes. Where the run gathered
// the rows about the terms' means (TCentredSubsetSums), they are read from there: S is the
// same in exact arithmetic and keeps its digits.
void TVariantSearch::Correlations() {
  const int v = v_;
  const TSumsTable& sums_ = ctx_.subsetSums ? ctx_.subsetSums->rows : *ctx_.sums;
  const long double n = sums_[TSumsTable::Count(v)];
  std::array<long double, kTerms> sii{};
  for (int i = 0; i < kTerms; ++i) {
    const long double st = sums_[TSumsTable::Term(v, i)];
    sii[static_cast<std::size_t>(i)] = sums_[TSumsTable::TermSquare(v, i)] - SafeRatio(st * st, n);
    cancellation_[static_cast<std::size_t>(i)] =
        std::max(1.0L, SafeRatio(sums_[TSumsTable::TermSquare(v, i)], sii[static_cast<std::size_t>(i)]));
    spread_[static_cast<std::size_t>(i)] = std::sqrt(std::fabs(sii[static_cast<std::size_t>(i)]));
    // A term that does not vary over the points (a single x value, say) cannot be fitted:
    // its coefficient would be 0 beside an intercept that does its work. It takes no part.
    if (!(sii[static_cast<std::size_t>(i)] > 0.0L) || !std::isfinite(sii[static_cast<std::size_t>(i)]))
      excluded_[static_cast<std::size_t>(i)] = 1;
  }
  const long double sz = sums_[TSumsTable::Z(v)];
  szz_ = sums_[TSumsTable::ZSquare(v)] - SafeRatio(sz * sz, n);
  LDMatrix& R = *corr_;
  for (int i = 0; i < kTerms; ++i) {
    if (excluded_[static_cast<std::size_t>(i)]) continue;
    const long double si = sums_[TSumsTable::Term(v, i)];
    R[i][i] = 1.0L;
    for (int j = i + 1; j < kTerms; ++j) {
      if (excluded_[static_cast<std::size_t>(j)]) continue;
      const long double sj = sums_[TSumsTable::Term(v, j)];
      const long double sij = sums_[TSumsTable::Pair(v, i, j)] - SafeRatio(si * sj, n);
      R[i][j] = R[j][i] = SafeRatio(
          sij, std::sqrt(std::fabs(sii[static_cast<std::size_t>(i)] * sii[static_cast<std::size_t>(j)])));
    }
    const long double siz = sums_[TSumsTable::TermZ(v, i)] - SafeRatio(si * sz, n);
    r_[static_cast<std::size_t>(i)] =
        SafeRatio(siz, std::sqrt(std::fabs(szz_ * sii[static_cast<std::size_t>(i)])));
  }
  auto meanAndDeviation = [n](long double s, long double s2, long double& mean, long double& sd) {
    mean = SafeRatio(s, n);
    sd = std::sqrt(std::fabs(SafeRatio(n * s2 - s * s, n * (n - 1.0L))));
  };
  for (int i = 0; i < kTerms; ++i)
    if (!excluded_[static_cast<std::size_t>(i)])
      meanAndDeviation(sums_[TSumsTable::Term(v, i)], sums_[TSumsTable::TermSquare(v, i)],
                       mean_[static_cast<std::size_t>(i)], sd_[static_cast<std::size_t>(i)]);
  meanAndDeviation(sz, sums_[TSumsTable::ZSquare(v)], mean_[kTerms], sd_[kTerms]);
  if (ctx_.subsetSums) {
    for (int i = 0; i < kTerms; ++i)
      mean_[static_cast<std::size_t>(i)] += ctx_.subsetSums->termMean[static_cast<std::size_t>(v)][static_cast<std::size_t>(i)];
    mean_[kTerms] += ctx_.subsetSums->zMean[static_cast<std::size_t>(v)];
  }
}

int TVariantSearch::FitTermSubsets(int k, bool scoring, long double* bestSlot) {
  if (scoring)
    for (int i = 0; i < kTerms; ++i) keys_[static_cast<std::size_t>(i)] = {0.0L, i};
  std::vector<TSubsetRecord>& records = results_[static_cast<std::size_t>(k)];
  long double worst = kEmptyWorst;
  int worstSlot = 0;
  int count = 0;

  std::array<int, kTerms> admitted{};
  int na = 0;
  for (int t = 0; t < kTerms; ++t)
    if (!excluded_[static_cast<std::size_t>(t)]) admitted[static_cast<std::size_t>(na++)] = t;

  long double* const* a = ctx_.scratchMatrix->Data();
  long double* b = ctx_.scratchVector.data();
  const LDMatrix& R = *corr_;
  std::int32_t& tried = ctx_.counters.subsets[static_cast<std::size_t>(v_)];

  // The k-subsets of the admitted terms in lexicographic order: pos[q] indexes `admitted`.
  std::array<int, kSubsetMaxTerms> pos{};
  for (int q = 0; q < k; ++q) pos[static_cast<std::size_t>(q)] = q;
  std::array<int, kSubsetMaxTerms> t{};
  while (k <= na) {
    for (int q = 0; q < k; ++q)
      t[static_cast<std::size_t>(q)] = admitted[static_cast<std::size_t>(pos[static_cast<std::size_t>(q)])];

    ++ctx_.counters.tried;
    ++tried;
    if (tried % kProgressEvery == 0 &&
        !ctx_.Progress(kStageSubsetZ + v_, ProgressPercent(static_cast<std::uint32_t>(tried), expected_)))
      return -1;

    // Terms of x alone, beside the intercept, need more distinct x values than there are of
    // them (with fewer, some combination of them is constant over the data); likewise in y.
    int xTerms = 0;
    for (int q = 0; q < k; ++q)
      if (t[static_cast<std::size_t>(q)] < kXTerms) ++xTerms;
    const bool determined = xTerms < ctx_.support.distinctX && k - xTerms < ctx_.support.distinctY;

    // The subset's correlation matrix R and a bound of its condition κ (SolveCorrelation) times
    // the cancellation c of the sums it comes from. The r² = rᵀ·R⁻¹·r of the correlation form moves by at most
    // γ·c·((Σ|β|)² + 2·Σ|β|) under the rounding of R, r and the elimination (β = R⁻¹·r the
    // standardised slopes, γ = (k + 1)·2^-63), and γ·c·κ below 1e-4 keeps β itself to that
    // share and the decision clear of the rounding of κ and β. A subset whose r² that does
    // not hold to 9 digits (terms nearly dependent on the data, as the powers and roots of one
    // variable far from the origin are) is neither scored nor retained: its r² would rank it
    // by rounding, and rank the screening's terms by it, so that two machines, or two files of
    // the same numbers, searched different terms.
    long double condition = 0.0L;
    const auto solved = [&] {
      long double cancellation = 1.0L;
      for (int p = 0; p < k; ++p) {
        const auto tp = static_cast<std::size_t>(t[static_cast<std::size_t>(p)]);
        for (int q = 0; q <= p; ++q) a[p][q] = p == q ? 1.0L : R[static_cast<int>(tp)][t[static_cast<std::size_t>(q)]];
        b[p] = r_[tp];
        cancellation = std::max(cancellation, cancellation_[tp]);
      }
      const long double gamma = (k + 1) * 0x1p-63L;
      long double bound = 0.0L;
      if (!SolveCorrelation(a, b, k, bound)) return false;
      condition = bound * cancellation;
      if (!(gamma * condition < 1e-4L)) return false;
      long double slopes = 0.0L;
      for (int p = 0; p < k; ++p) slopes += std::fabs(b[p]);
      return gamma * cancellation * (slopes * slopes + 2 * slopes) <= kSearchedR2Error;
    };
    if (determined && solved()) {
      long double r2 = 0.0L;
      for (int p = 0; p < k; ++p) r2 += b[p] * r_[static_cast<std::size_t>(t[static_cast<std::size_t>(p)])];
      if (scoring)
        for (int p = 0; p < k; ++p) keys_[static_cast<std::size_t>(t[static_cast<std::size_t>(p)])].key += r2;

      // A subset the rounding of the data would decide is dependent: not retained.
      const long double subsetRounding =
          kDataRounding * kLargestTermPower * ((xTerms > 0 ? xRounding_ : 0.0L) + (k - xTerms > 0 ? yRounding_ : 0.0L));
      if (!(count == keep_ && worst > r2) && DeterminedByData(std::sqrt(condition), 1.0L - r2, 1.0L, subsetRounding)) {
        // Slopes in the units of the data, and the test that every term contributes.
        long double slope[kSubsetMaxTerms], contribution[kSubsetMaxTerms];
        for (int p = 0; p < k; ++p) {
          const int term = t[static_cast<std::size_t>(p)];
          slope[p] = SafeRatio(b[p] * sd_[kTerms], sd_[static_cast<std::size_t>(term)]);
          contribution[p] = TermScale(slope[p], term, sizes_);
        }
        if (ParametersSignificant(contribution, k, ctx_.fitTolerance)) {
          const bool full = count == keep_;
          TSubsetRecord& rec = records[static_cast<std::size_t>(full ? worstSlot : count)];
          rec = TSubsetRecord{};
          rec.r2 = r2;
          rec.condition = condition;
          rec.rounding = subsetRounding;
          rec.sse = (1.0L - r2) * szz_;
          rec.terms[0] = v_;
          rec.params[0] = mean_[kTerms];
          for (int p = 0; p < k; ++p) {
            rec.terms[static_cast<std::size_t>(p) + 1] = t[static_cast<std::size_t>(p)];
            rec.params[static_cast<std::size_t>(p) + 1] = slope[p];
            rec.params[0] -= slope[p] * mean_[static_cast<std::size_t>(t[static_cast<std::size_t>(p)])];
          }
          if (full) {
            // The first of equal smallest r² values becomes the worst.
            worst = kEmptyWorst;
            for (int s = 0; s < keep_; ++s)
              if (records[static_cast<std::size_t>(s)].r2 < worst) {
                worst = records[static_cast<std::size_t>(s)].r2;
                worstSlot = s;
              }
          } else {
            if (r2 < worst) {
              worst = r2;
              worstSlot = count;
            }
            ++count;
          }
        }
      }
    }

    // Next subset: raise the last position that still has room and reset the ones after it.
    int q = k - 1;
    while (q >= 0 && pos[static_cast<std::size_t>(q)] == na - k + q) --q;
    if (q < 0) break;
    ++pos[static_cast<std::size_t>(q)];
    for (int r = q + 1; r < k; ++r) pos[static_cast<std::size_t>(r)] = pos[static_cast<std::size_t>(r - 1)] + 1;
  }

  StoreSearchResults(k, count);
  if (scoring) {
    SortTermKeys(0, kXTerms - 1);
    SortTermKeys(kXTerms, kTerms - 1);
  }
  if (count > 1) SortSubsetResults(records, 0, count - 1);
  if (bestSlot) *bestSlot = worst;
  retained_[static_cast<std::size_t>(k)] = count;
  return count;
}

// The final SSE of the retained fits in z units, with the SVD refinement of an
// ill-conditioned fit, and their r². A fit whose SSE is negative or above SST is marked
// failed (procedure -1) and never appended.
void TVariantSearch::StoreSearchResults(int k, int count) {
  std::vector<TSubsetRecord>& records = results_[static_cast<std::size_t>(k)];
  const int n = ctx_.Observations();
  long double* const* a = ctx_.scratchMatrix->Data();
  long double* b = ctx_.scratchVector.data();
  for (int i = 0; i < count; ++i) {
    TSubsetRecord& rec = records[static_cast<std::size_t>(i)];
    const std::span<const std::int32_t> terms(rec.terms.data(), static_cast<std::size_t>(k) + 1);
    rec.determinant = 0.0L;
    rec.procedure = kProcGaussElim;
    auto sseOf = [&](const long double* p, long double* linear = nullptr) {
      return columns_.SubsetSse(expr_, p, terms, k, linear);
    };
    // A fit of 1/Z is 1/s: where its linear part s vanishes over the data rectangle it has a
    // pole between the points it was fitted to, and is no fit of them. The range of s is
    // bracketed from the parameters: a grid of 33 x 33 nodes let through dips of s below 0
    // narrower than its cells, with surfaces of 1e13 and more between the points.
    auto poleFree = [&](const long double* p) {
      if (v_ != kVariantInvZ) return true;
      const TDataStats& st = ctx_.stats;
      return !SubsetLinearPartVanishes(p, terms, k, {st.X.Min, st.X.Max}, {st.Y.Min, st.Y.Max}, ctx_.scales);
    };
    // Where the correlation matrix's condition would cost the parameters digits the data hold
    // (NormalsHoldParameters), they are refined with the residuals at the points
    // (RefineAtPoints) from the centred normal matrix the correlation form stands for: one
    // step squares their relative error γ·κ, a second follows where that square is not below
    // 1e-12.
    if (!NormalsHoldParameters(rec.condition, k + 1, rec.rounding)) {
      long double cells[kSubsetMaxTerms * kSubsetMaxTerms];
      long double* rows[kSubsetMaxTerms];
      for (int p = 0; p < k; ++p) {
        rows[p] = cells + p * k;
        const auto tp = static_cast<std::size_t>(terms[static_cast<std::size_t>(p) + 1]);
        for (int q = 0; q < k; ++q) {
          const auto tq = static_cast<std::size_t>(terms[static_cast<std::size_t>(q) + 1]);
          rows[p][q] = (p == q ? 1.0L : (*corr_)[static_cast<int>(tp)][static_cast<int>(tq)]) * spread_[tp] * spread_[tq];
        }
      }
      const long double error = (k + 1) * 0x1p-63L * rec.condition;
      std::array<long double, kSubsetMaxTerms + 1> q = rec.params;
      if (columns_.RefineAtPoints(expr_, terms, k, rows, q.data(), error < 1e-6L ? 1 : 2)) rec.params = q;
    }
    // The correlation form gives the r² of the exact least-squares solution, and ln z and 1/z
    // fits are judged in z: every fit is measured at the data as it is stored. Where its
    // linear part still misses that r² (the sums it came from lost digits), the fit is solved
    // again from the points by QR, its columns centred; a subset whose design proves
    // dependent on the data there is no fit. On 60 points at x ~ 5e5, y ~ 4.5e6 most subset
    // fits were listed 7-21 % above their least-squares SSE.
    long double linear = 0.0L;
    rec.sse = sseOf(rec.params.data(), &linear);
    const long double promised = (1.0L - rec.r2) * szz_;
    const bool promiseMissed = linear > promised * (1.0L + kRefitSlack) + kRefitSlack * szz_;
    if (promiseMissed) {
      std::array<long double, kSubsetMaxTerms + 1> q{};
      const TLeastSquaresResult solved =
          columns_.LeastSquaresAtPoints(expr_, terms, k, DependenceCondition(rec.rounding), q.data());
      if ((solved.status == TLeastSquaresStatus::kDependent && std::isfinite(solved.condition)) ||
          (solved.Solved() && !DeterminedByData(solved.condition, solved.sse, solved.targetSquares, rec.rounding))) {
        rec.procedure = kProcFailed;
        rec.r2 = kUndefinedDescending;
        continue;
      }
      if (solved.Solved() && poleFree(q.data())) {
        rec.sse = sseOf(q.data());
        rec.params = q;
        rec.procedure = kProcQRDecomp;
      }
    }
    if (!SseAcceptable(rec.sse, sst_) || !poleFree(rec.params.data())) {
      rec.procedure = kProcFailed;
      rec.r2 = kUndefinedDescending;  // ranks last among the retained fits
      continue;
    }

    if (svd_) {
      BuildSubsetNormalEquations(sums_, k, terms, a, b);
      const SolverResult sym = SolveSymIndefCopy(a, b, k + 1);
      if (sym.Solved()) rec.determinant = sym.condition.value_or(0.0L);
      // A fit solved at the points is the least-squares one: no SVD of its normal matrix
      // improves on it.
      if (sym.Solved() && rec.determinant < kIllConditioned && rec.procedure != kProcQRDecomp) {
        BuildSubsetNormalEquations(sums_, k, terms, a, b);
        const SolverResult svd = SolveSVD(a, b, k + 1);
        if (svd.Solved()) {
          const long double sse = sseOf(b);
          if (sse >= 0.0L && sse < sst_ && sse < rec.sse && poleFree(b)) {
            rec.procedure = kProcSVDecomp;
            rec.determinant = svd.condition.value_or(0.0L);
            rec.sse = sse;
            std::copy(b, b + k + 1, rec.params.begin());
          }
        }
      }
    }
    rec.r2 = ComputeFitStatistics(rec.sse, sst_, n, k).r2;
  }
}

void TVariantSearch::SortTermKeys(int lo, int hi) {
  PartitionSort(
      lo, hi, [this](int i) { return keys_[static_cast<std::size_t>(i)].key; },
      [](long double x, long double y) { return x > y; },
      [this](int i, int j) { std::swap(keys_[static_cast<std::size_t>(i)], keys_[static_cast<std::size_t>(j)]); });
}

void TVariantSearch::SortSubsetResults(std::vector<TSubsetRecord>& records, int lo, int hi) {
  PartitionSort(
      lo, hi, [&records](int i) { return records[static_cast<std::size_t>(i)].r2; },
      [](long double x, long double y) { return x > y; },
      [&records](int i, int j) {
        std::swap(records[static_cast<std::size_t>(i)], records[static_cast<std::size_t>(j)]);
      });
}

void TVariantSearch::Screen(int k) {
  for (int half = 0; half < 2; ++half)
    for (int p = kScreenFrom[k]; p < kXTerms; ++p)
      excluded_[static_cast<std::size_t>(keys_[static_cast<std::size_t>(half * kXTerms + p)].term)] = 1;
}

long double TVariantSearch::BestRetained(int k) const {
  long double best = 0.0L;
  const std::vector<TSubsetRecord>& records = results_[static_cast<std::size_t>(k)];
  for (int i = 0; i < retained_[static_cast<std::size_t>(k)]; ++i)
    if (records[static_cast<std::size_t>(i)].procedure != kProcFailed)
      best = std::max(best, records[static_cast<std::size_t>(i)].r2);
  return best;
}

int TVariantSearch::Append(int kmax) {
  int appended = 0;
  for (int k = kSubsetMinTerms; k <= kmax; ++k) {
    const std::vector<TSubsetRecord>& records = results_[static_cast<std::size_t>(k)];
    for (int i = 0; i < retained_[static_cast<std::size_t>(k)]; ++i) {
      const TSubsetRecord& rec = records[static_cast<std::size_t>(i)];
      if (rec.procedure == kProcFailed) continue;
      std::unique_ptr<TFitResult> fit = NewFitResult(k);
      if (!fit) return appended;
      const std::span<const std::int32_t> terms(rec.terms.data(), static_cast<std::size_t>(k) + 1);
      std::copy(terms.begin(), terms.end(), fit->terms.begin());
      std::copy(rec.params.begin(), rec.params.begin() + k + 1, fit->parameters.begin());
      fit->procedure = rec.procedure;
      // The statistics guard every division: with n - k - 2 = 0 the adjusted r² has no
      // degrees of freedom and ranks last instead of dividing by zero.
      StoreFitStatistics(*fit, rec.sse, sst_, ctx_.Observations());
      fit->equationNumber = SubsetEquationNumber(terms, k);
      fit->determinant = rec.determinant;
      fit->complexity = SubsetComplexity(terms, k);
      if (!ctx_.list.Append(std::move(fit))) return appended;
      ++appended;
    }
  }
  return appended;
}

}  // namespace

std::array<long double, kZVariantCount>& SubsetBestR2() {
  // One set per thread: two runs on two threads (a test beside the background fit) never
  // share their marks; the three searches of one run run on its thread in order.
  thread_local std::array<long double, kZVariantCount> marks{};
  return marks;
}

void BuildSubsetNormalEquations(const TSumsTable& sums, int k, std::span<const std::int32_t> terms,
                                long double* const* a, long double* b) {
  const int v = terms[0];
  a[0][0] = sums[TSumsTable::Count(v)];
  b[0] = sums[TSumsTable::Z(v)];
  for (int p = 1; p <= k; ++p) {
    const int tp = terms[static_cast<std::size_t>(p)];
    a[0][p] = a[p][0] = sums[TSumsTable::Term(v, tp)];
    a[p][p] = sums[TSumsTable::TermSquare(v, tp)];
    b[p] = sums[TSumsTable::TermZ(v, tp)];
    for (int q = p + 1; q <= k; ++q) {
      const int tq = terms[static_cast<std::size_t>(q)];
      a[p][q] = a[q][p] = tp == tq ? sums[TSumsTable::TermSquare(v, tp)] : sums[TSumsTable::Pair(v, tp, tq)];
    }
  }
}

int SearchTermCombinations(TFitRunContext& ctx, int termLimit, int variant) {
  if (variant < 0 || variant >= kZVariantCount) return 0;
  std::array<long double, kZVariantCount>& marks = SubsetBestR2();
  if (variant == kVariantZ) marks.fill(0.0L);
  static constexpr std::uint32_t kVariantBits[kZVariantCount] = {kSubsetZ, kSubsetLnZ, kSubsetInvZ};
  if (!(ctx.selection.subsetMask & kVariantBits[variant])) return 0;
  ctx.counters.subsets[static_cast<std::size_t>(variant)] = 0;
  const int stage = kStageSubsetZ + variant;

  // Fewer than 2 terms leave nothing to search: the phase contributes no fits and the run
  // goes on (rather than ending the whole run as if the user had aborted it). ln z has no
  // sums when some z is negative: that variant contributes nothing either.
  // 1/z of data with z of both signs has both signs too: every fit of it has a pole between
  // the points.
  const bool searchable = termLimit >= kSubsetMinTerms && ctx.sums &&
                          !(variant == kVariantLnZ && ctx.stats.Z.Min < 0.0L) &&
                          !(variant == kVariantInvZ && !InverseZAllowed(ctx.stats.Z));
  if (!searchable) return ctx.Progress(stage, 100.0f) ? 0 : -1;

  const int kmax = std::min(termLimit, kSubsetMaxTerms);
  std::unique_ptr<TVariantSearch> search(new (std::nothrow) TVariantSearch(ctx, variant));
  if (!search || !search->Prepare(kmax)) return -2;

  long double& mark = marks[static_cast<std::size_t>(variant)];
  if (search->FitTermSubsets(kSubsetMinTerms, true, &mark) < 0) return -1;
  bool more = kmax > kSubsetMinTerms;
  if (more && variant != kVariantZ) {
    mark = std::max(mark, search->BestRetained(kSubsetMinTerms));
    more = !(mark < marks[kVariantZ]);
  }
  for (int k = kSubsetMinTerms + 1; more && k <= kmax; ++k) {
    search->Screen(k);
    if (search->FitTermSubsets(k, kScores[k], nullptr) < 0) return -1;
  }
  // The final report follows the appending, so that it carries the list count with this
  // variant's fits.
  const int appended = search->Append(kmax);
  return ctx.Progress(stage, 100.0f) ? appended : -1;
}
