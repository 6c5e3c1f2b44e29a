#include "fit/linear_fit.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "app/data_statistics.h"
#include "fit/fit_statistics.h"
#include "fit/parameter_significance.h"
#include "numerics/dense_solvers.h"

bool BuildMonomialNormals(const TSumsTable& sums, int xKind, int yKind,
                          std::span<const TMonomial> basis, long double* const* a, long double* b) {
  const int n = static_cast<int>(basis.size());
  for (int i = 0; i < n; ++i) {
    const TMonomial& ti = basis[static_cast<std::size_t>(i)];
    for (int j = i; j < n; ++j) {
      const TMonomial& tj = basis[static_cast<std::size_t>(j)];
      const int k = TSumsTable::Moment(xKind, ti.p + tj.p, yKind, ti.q + tj.q, ti.e + tj.e);
      if (k < 0) return false;
      a[i][j] = a[j][i] = sums[k];
    }
    const int k = TSumsTable::Moment(xKind, ti.p, yKind, ti.q, ti.e + 1);
    if (k < 0) return false;
    b[i] = sums[k];
  }
  return true;
}

long double MonomialSse(const TSumsTable& sums, int xKind, int yKind,
                        std::span<const TMonomial> basis, const long double* coef) {
  long double sse = sums[TSumsTable::ZSquare(kVariantZ)];
  for (std::size_t i = 0; i < basis.size(); ++i) {
    const TMonomial& t = basis[i];
    sse -= coef[i] * sums[TSumsTable::Moment(xKind, t.p, yKind, t.q, t.e + 1)];
  }
  return sse;
}

bool TKeepList::Allocate(int keep) {
  try {
    slots_.assign(static_cast<std::size_t>(std::max(keep, 1)), KeptFit{});
  } catch (const std::bad_alloc&) {
    return false;
  }
  count_ = 0;
  worst_ = 0;
  worst_r2_ = kEmptyR2;
  return true;
}

bool TKeepList::Admits(long double r2) const {
  return count_ < static_cast<int>(slots_.size()) || !(r2 < worst_r2_);
}

void TKeepList::Store(const KeptFit& fit) {
  const int capacity = static_cast<int>(slots_.size());
  if (count_ < capacity) {
    slots_[static_cast<std::size_t>(count_)] = fit;
    if (fit.r2 < worst_r2_) {
      worst_r2_ = fit.r2;
      worst_ = count_;
    }
    ++count_;
    return;
  }
  slots_[static_cast<std::size_t>(worst_)] = fit;
  // The worst is found again from the first record: the first of equal r² values wins.
  worst_r2_ = kEmptyR2;
  for (int i = 0; i < capacity; ++i) {
    if (slots_[static_cast<std::size_t>(i)].r2 < worst_r2_) {
      worst_r2_ = slots_[static_cast<std::size_t>(i)].r2;
      worst_ = i;
    }
  }
}

namespace {

// The refinement of one kept fit: the reciprocal condition estimate of its normal matrix
// (with the SVD switch on) and, where that estimate shows an ill-conditioned matrix, the SVD
// solution when it fits better. Returns the condition; procedure, SSE and parameters change
// only when the SVD solution is taken.
long double Refine(TFitRunContext& ctx, KeptFit& fit, const TLinearFamily& family, int& procedure) {
  procedure = kProcGaussElim;
  long double* const* a = ctx.scratchMatrix->Data();
  long double* b = ctx.scratchVector.data();
  const std::span<const TMonomial> basis(fit.basis.data(), static_cast<std::size_t>(fit.m) + 1);
  const int n = fit.m + 1;
  if (!BuildMonomialNormals(family.normals, fit.xKind, fit.yKind, basis, a, b)) return 0.0L;
  const SolverResult sym = SolveSymIndefCopy(a, b, n);
  if (!sym.Solved()) return 0.0L;  // the record is written as screened
  const long double condition = sym.condition.value_or(0.0L);
  if (!(condition < kIllConditioned)) return condition;

  BuildMonomialNormals(family.normals, fit.xKind, fit.yKind, basis, a, b);
  const SolverResult svd = SolveSVD(a, b, n);
  if (!svd.Solved()) return condition;
  const long double sse = ClearTinyNegativeSse(family.SolutionSse(fit, b));
  if (!(sse >= 0.0L && sse < ctx.sst && sse < fit.sse) || !family.DefinedOverData(fit, b)) return condition;
  procedure = kProcSVDecomp;
  fit.sse = sse;
  std::copy(b, b + n, fit.params.begin());
  return svd.condition.value_or(0.0L);
}

}  // namespace

int RecordKeptFits(TFitRunContext& ctx, std::span<const TKeepList> lists,
                   const TLinearFamily& family, bool svd) {
  int appended = 0;
  for (const TKeepList& list : lists) {
    for (KeptFit fit : list.Kept()) {
      int procedure = kProcGaussElim;
      const long double condition = svd ? Refine(ctx, fit, family, procedure) : 0.0L;
      fit.sse = family.ListedSseOf(fit);
      if (!SseAcceptable(fit.sse, ctx.sst)) continue;
      auto record = NewFitResult(fit.m);
      if (!record) break;
      record->procedure = procedure;
      std::copy(fit.descriptor.begin(), fit.descriptor.end(), record->descriptor.begin());
      std::copy(fit.params.begin(), fit.params.begin() + fit.m + 1, record->parameters.begin());
      std::copy(fit.terms.begin(), fit.terms.begin() + fit.m + 1, record->terms.begin());
      record->equationNumber = fit.equationNumber;
      record->determinant = condition;
      record->complexity = fit.complexity;
      StoreFitStatistics(*record, fit.sse, ctx.sst, ctx.Observations());
      if (!ctx.list.Append(std::move(record))) break;
      ++appended;
    }
  }
  return appended;
}

int AddKindComplexity(long double c, int xKind, int yKind) {
  if (xKind == kKindLnX) c = std::trunc(c + static_cast<long double>(5.54f));
  if (yKind == kKindLnY) c = std::trunc(c + static_cast<long double>(5.54f));
  if (xKind == kKindInvX) c = std::trunc(c + static_cast<long double>(1.51f));
  if (yKind == kKindInvY) c = std::trunc(c + static_cast<long double>(1.51f));
  return static_cast<int>(c);
}

long double KindScale(int kind, const TAxisStats& axis, long double cap) {
  // The root-mean-square magnitude of the axis, sqrt(mean^2 + sd^2): the signed mean made the
  // test depend on where the axis lies (coded about 0 its fifth power was 1e-10 and dropped
  // every quintic), and it is 0 only when every value is.
  const long double magnitude = std::hypot(axis.Mean, AxisSpread(axis));
  long double s = 1.0L;
  switch (kind) {
    case kKindX:
    case kKindY: s = std::min(magnitude, cap); break;
    case kKindLnX:
    case kKindLnY: s = std::log(magnitude); break;
    default: s = magnitude != 0.0L ? 1.0L / magnitude : 1.0L / axis.Max; break;
  }
  return std::isfinite(s) && s != 0.0L ? s : 1.0L;
}

bool AllocateKeepLists(std::vector<TKeepList>& lists, int count, int keep) {
  try {
    lists.resize(static_cast<std::size_t>(std::max(count, 0)));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (TKeepList& l : lists)
    if (!l.Allocate(keep)) return false;
  return true;
}

namespace {

// The coefficient test, one half (numerator e = 0, denominator e = 1) at a time.
bool CoefficientsSignificant(const TFitRunContext& ctx, const KeptFit& fit, const long double* p,
                             long double cap) {
  long double sx[kMaxLinearParams], sy[kMaxLinearParams];
  sx[1] = KindScale(fit.xKind, ctx.stats.X, cap);
  sy[1] = KindScale(fit.yKind, ctx.stats.Y, cap);
  for (int k = 2; k < kMaxLinearParams; ++k) {
    sx[k] = sx[k - 1] * sx[1];
    sy[k] = sy[k - 1] * sy[1];
  }
  for (int half = 0; half < 2; ++half) {
    long double scaled[kMaxLinearParams];
    int count = 0;
    for (int k = 1; k <= fit.m; ++k) {
      const TMonomial& t = fit.basis[static_cast<std::size_t>(k)];
      if (t.e == half) scaled[count++] = p[k] * (t.p > 0 ? sx[t.p] : sy[t.q]);
    }
    if (count > 0 && !ParametersSignificant(scaled, count, ctx.fitTolerance)) return false;
  }
  return true;
}

}  // namespace

int ScreenCandidate(TFitRunContext& ctx, KeptFit& fit, TKeepList& list,
                    const TLinearFamily& family, bool testCoefficients, std::uint32_t total) {
  long double* const* a = ctx.scratchMatrix->Data();
  long double* b = ctx.scratchVector.data();
  const int n = fit.m + 1;
  const std::span<const TMonomial> basis(fit.basis.data(), static_cast<std::size_t>(n));
  const bool built = BuildMonomialNormals(family.normals, fit.xKind, fit.yKind, basis, a, b);
  const SolverResult solved = built ? SolveGauss(a, b, n) : SolverResult{};
  std::uint32_t& counter = ctx.counters.*family.counter;
  ++ctx.counters.tried;
  ++counter;
  if (counter % 5 == 0 && !ctx.Progress(family.stage, ProgressPercent(counter, total))) return 0;
  if (!solved.Solved()) return 1;
  const long double sse = ClearTinyNegativeSse(family.SolutionSse(fit, b));
  if (!SseAcceptable(sse, ctx.sst)) return 1;
  // A data set without spread (SST 0) gives no r².
  const long double r2 = ctx.sst > 0.0L ? 1.0L - sse / ctx.sst : kUndefinedDescending;
  if (!list.Admits(r2) || !family.DefinedOverData(fit, b)) return 1;
  if (testCoefficients && !CoefficientsSignificant(ctx, fit, b, family.scaleCap)) return 1;
  fit.sse = sse;
  fit.r2 = r2;
  std::copy(b, b + n, fit.params.begin());
  list.Store(fit);
  return 1;
}

int FinishLinearFamily(TFitRunContext& ctx, const TLinearFamily& family, int appended,
                       int listedBefore, std::uint32_t total) {
  if (!ctx.Progress(family.stage, ProgressPercent(ctx.counters.*family.counter, total))) {
    ctx.list.Truncate(listedBefore);
    return -1;
  }
  return appended;
}
