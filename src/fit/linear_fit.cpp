#include "fit/linear_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "app/data_statistics.h"
#include "fit/fit_statistics.h"
#include "fit/parameter_significance.h"
#include "numerics/dense_solvers.h"
#include "numerics/least_squares.h"

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

bool TFramePoints::Make(const TFitRunContext& ctx, const TPolynomialFrame& frame) {
  frame_ = frame;
  const bool lnX = LogKindAllowed(ctx.stats.X), lnY = LogKindAllowed(ctx.stats.Y);
  const bool invX = ReciprocalKindAllowed(ctx.stats.X), invY = ReciprocalKindAllowed(ctx.stats.Y);
  try {
    w_.clear();
    z_.clear();
    for (auto& u : u_) u.clear();
    for (const TXYZPoint& p : ctx.points) {
      if (!IsActive(p)) continue;
      const long double x = p.X == 0.0L ? 1e-300L : p.X, y = p.Y == 0.0L ? 1e-300L : p.Y;
      w_.push_back(ctx.WeightOf(p));
      z_.push_back(p.Z == 0.0L ? 1e-300L : p.Z);
      const long double values[6] = {x, lnX ? std::log(x) : 0.0L, invX ? 1.0L / x : 0.0L,
                                     y, lnY ? std::log(y) : 0.0L, invY ? 1.0L / y : 0.0L};
      const bool allowed[6] = {true, lnX, invX, true, lnY, invY};
      for (int k = 0; k < 6; ++k) {
        const TPowerShift& shift = frame.kinds[static_cast<std::size_t>(k)];
        const long double v = values[k];
        u_[static_cast<std::size_t>(k)].push_back(!allowed[k] || shift.Identity() ? v : (v - shift.centre) * shift.scale);
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool NormalsHoldSse(long double condition, int n, long double targetSquares, long double sse) {
  const long double gamma = (n + 1) * 0x1p-63L;
  const long double excess = gamma * condition * gamma * condition * targetSquares;
  // An SSE below the rounding of the sums it is formed from (an exact fit) is known only to
  // that rounding.
  const long double known = std::max(sse, gamma * targetSquares);
  return std::isfinite(excess) && excess <= 1e-10L * known;
}

bool NormalsHoldParameters(long double condition, int n, long double rounding) {
  const long double gamma = (n + 1) * 0x1p-63L;
  return std::isfinite(condition) && gamma * condition <= kParameterDigitsSpared * rounding * std::sqrt(condition);
}

long double DependenceCondition(long double rounding) {
  return rounding > 0.0L && std::isfinite(rounding) ? kRoundingShare / rounding : 0.0L;
}

bool DeterminedByData(long double designCondition, long double sse, long double targetSquares,
                      long double rounding) {
  const long double fitted = targetSquares - sse;
  const long double tangent = sse > 0.0L && fitted > 0.0L ? std::sqrt(sse / fitted) : 0.0L;
  const long double moved = (designCondition + designCondition * designCondition * tangent) * rounding;
  return std::isfinite(moved) && moved < kRoundingShare;
}

long double KindRounding(const TAxisStats& axis, int kind) {
  constexpr long double kInfinity = std::numeric_limits<long double>::infinity();
  const long double lo = axis.Min, hi = axis.Max;
  long double largest = 0.0L, half = 0.0L;
  switch (kind) {
    case kKindX:
    case kKindY:
      largest = std::max(std::fabs(lo), std::fabs(hi));
      half = (hi - lo) / 2;
      break;
    case kKindLnX:
    case kKindLnY:
      if (!(lo > 0.0L)) return kInfinity;
      largest = 1.0L;
      half = (std::log(hi) - std::log(lo)) / 2;
      break;
    default:
      if (!(lo > 0.0L || hi < 0.0L)) return kInfinity;
      largest = 1.0L / std::min(std::fabs(lo), std::fabs(hi));
      half = std::fabs(1.0L / lo - 1.0L / hi) / 2;
      break;
  }
  return half > 0.0L ? largest / half : kInfinity;
}

namespace {

// A candidate's solution at the points, made its own; false when its design is dependent on
// the data or has no stored form.
bool SolveCandidateAtPoints(const TLinearFamily& family, KeptFit& fit, long double* solution, long double& sse,
                            long double& condition) {
  const long double rounding = family.DesignRounding(fit);
  const TLeastSquaresResult r = family.SolveAtPoints(fit, DependenceCondition(rounding), solution);
  if (!r.Solved() || !DeterminedByData(r.condition, r.sse, r.targetSquares, rounding)) return false;
  condition = r.condition;
  sse = ClearTinyNegativeSse(family.Adopt(fit, solution, r.sse));
  fit.fromNormals = false;
  return true;
}

// The refinement of one kept fit with the SVD switch on: the reciprocal condition estimate
// of its normal matrix and, where that estimate shows an ill-conditioned matrix, the SVD
// solution when it fits better (a fit solved at the points keeps its solution: it is the
// least-squares one). Returns the condition; procedure, SSE and parameters change only when
// the SVD solution is taken.
long double Refine(TFitRunContext& ctx, KeptFit& fit, const TLinearFamily& family, int& procedure) {
  long double* const* a = ctx.scratchMatrix->Data();
  long double* b = ctx.scratchVector.data();
  const int n = fit.m + 1;
  long double targetSquares = 0.0L;
  if (!family.NormalEquations(fit, a, b, targetSquares)) {
    // No sums hold this fit's normal matrix: its condition is that of its design, squared.
    if (fit.fromNormals || !(fit.normalCondition > 0.0L)) return 0.0L;
    const long double c = 1.0L / (fit.normalCondition * fit.normalCondition);
    return std::isfinite(c) ? c : 0.0L;
  }
  const SolverResult sym = SolveSymIndefCopy(a, b, n);
  if (!sym.Solved()) return 0.0L;  // the record is written as screened
  const long double condition = sym.condition.value_or(0.0L);
  if (!(condition < kIllConditioned) || !fit.fromNormals) return condition;

  family.NormalEquations(fit, a, b, targetSquares);
  const SolverResult svd = SolveSVD(a, b, n);
  if (!svd.Solved()) return condition;
  KeptFit trial = fit;
  const long double linear = family.NormalSse(trial, b);
  if (!family.FromNormalSolution(trial, b)) return condition;
  const long double sse = ClearTinyNegativeSse(family.Adopt(trial, b, linear));
  if (!(sse >= 0.0L && sse < ctx.sst && sse < fit.sse) || !family.DefinedOverData(trial)) return condition;
  procedure = kProcSVDecomp;
  fit = trial;
  fit.sse = sse;
  return svd.condition.value_or(0.0L);
}

}  // namespace

int RecordKeptFits(TFitRunContext& ctx, std::span<const TKeepList> lists,
                   const TLinearFamily& family, bool svd) {
  int appended = 0;
  long double* b = ctx.scratchVector.data();
  for (const TKeepList& list : lists) {
    for (KeptFit fit : list.Kept()) {
      // Normal equations whose condition would cost the parameters digits the data hold give
      // way to the solution at the points.
      if (fit.fromNormals &&
          !NormalsHoldParameters(fit.normalCondition, fit.m + 1, family.DesignRounding(fit))) {
        KeptFit trial = fit;
        long double sse = 0.0L, condition = 0.0L;
        if (SolveCandidateAtPoints(family, trial, b, sse, condition) && SseAcceptable(sse, ctx.sst) &&
            family.DefinedOverData(trial)) {
          fit = trial;
          fit.sse = sse;
          fit.normalCondition = condition;
        }
      }
      int procedure = fit.fromNormals ? kProcGaussElim : kProcQRDecomp;
      const long double condition = svd ? Refine(ctx, fit, family, procedure) : 0.0L;
      if (!SseAcceptable(fit.sse, ctx.sst)) continue;
      auto record = NewFitResult(fit.m);
      if (!record) break;
      record->procedure = procedure;
      std::copy(fit.descriptor.begin(), fit.descriptor.end(), record->descriptor.begin());
      std::copy(fit.params.begin(), fit.params.begin() + fit.m + 1, record->parameters.begin());
      if (fit.framed) {
        try {
          record->frameParameters.assign(fit.frameParams.begin(), fit.frameParams.begin() + fit.m + 1);
        } catch (const std::bad_alloc&) {
          break;
        }
      }
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
  long double targetSquares = 0.0L;
  const bool built = family.NormalEquations(fit, a, b, targetSquares);
  // The condition first: the elimination destroys the matrix.
  const long double condition = built ? EquilibratedCondition(a, n) : 0.0L;
  const SolverResult solved = built ? SolveGauss(a, b, n) : SolverResult{};
  std::uint32_t& counter = ctx.counters.*family.counter;
  ++ctx.counters.tried;
  ++counter;
  if (counter % 5 == 0 && !ctx.Progress(family.stage, ProgressPercent(counter, total))) return 0;

  const long double rounding = family.DesignRounding(fit);
  const long double maxCondition = DependenceCondition(rounding);
  long double sse = 0.0L;
  bool solvedByNormals = false;
  if (solved.Solved() && condition < maxCondition * maxCondition) {
    const long double linear = family.NormalSse(fit, b);
    // A fit the rounding of the data determines is dropped as a singular one was.
    if (!DeterminedByData(std::sqrt(condition), linear, targetSquares, rounding)) return 1;
    if (NormalsHoldSse(condition, n, targetSquares, linear) && family.FromNormalSolution(fit, b)) {
      fit.fromNormals = true;
      fit.normalCondition = condition;
      sse = ClearTinyNegativeSse(family.Adopt(fit, b, linear));
      solvedByNormals = true;
    }
  }
  if (!solvedByNormals) {
    long double designCondition = 0.0L;
    // A design dependent on the data is no fit of it: dropped, as a singular system was.
    if (!SolveCandidateAtPoints(family, fit, b, sse, designCondition)) return 1;
    fit.normalCondition = designCondition * designCondition;
  }
  if (!SseAcceptable(sse, ctx.sst)) return 1;
  // A data set without spread (SST 0) gives no r².
  const long double r2 = ctx.sst > 0.0L ? 1.0L - sse / ctx.sst : kUndefinedDescending;
  if (!list.Admits(r2) || !family.DefinedOverData(fit)) return 1;
  if (testCoefficients && !CoefficientsSignificant(ctx, fit, fit.params.data(), family.scaleCap)) return 1;
  fit.sse = sse;
  fit.r2 = r2;
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
