#include "tools/evaluation_computations.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "app/long_double.h"
#include "expr/eval_context.h"
#include "expr/finite_differences.h"
#include "expr/integration.h"
#include "fit/fit_volume.h"
#include "fit/session.h"
#include "numerics/sign_change_root.h"

namespace fd = finite_differences;

namespace {

constexpr const char* kModeLabels[kEvalModeCount] = {
    "Z=F(X,Y)",     "X=Root(Z,Y)",    "Y=Root(Z,X)",    "Z=dF(X,Y)/dX",
    "Z=dF(X,Y)/dY", "Z=d2F(X,Y)/dX2", "Z=d2F(X,Y)/dY2", "Z=d2F(X,Y)/dXdY"};

constexpr int kMaxHalvings = 100;
constexpr long double kRootTolerance = 1e-8L;
constexpr int kNarrowingHalvings = 70;
constexpr int kSubIntervals = 100;
constexpr int kDecades = 14;
constexpr std::size_t kLinearCandidates = 104;
constexpr long double kVolumeTolerance = 1e-8L;

// F - Z at t along the searched axis; false when F fails there (a math error, the missing
// value, or no finite number).
template <typename F>
bool Offset(const F& f, long double z, long double t, long double& out) {
  const long double v = f(t);
  if (ExprThreadContext().ExprMathError != 0 || !IsUsableValue(v)) return false;
  out = v - z;
  return true;
}

// The ends of a bracket being halved: r where f - z <= 0 and r + d where it is > 0, with
// f - z at each.
struct TBracket {
  long double r, d, atR, atOther;
};

// One halving of the bracket; false when f fails at the midpoint. Sets `hit` when f equals z
// there.
template <typename F>
bool Halve(const F& f, long double z, TBracket& b, bool& hit) {
  b.d /= 2;
  const long double m = b.r + b.d;
  long double fm = 0;
  if (!Offset(f, z, m, fm)) return false;
  if (fm <= 0) {
    b.r = m;
    b.atR = fm;
  } else {
    b.atOther = fm;
  }
  hit = fm == 0;
  return true;
}

// The halving of a converged bracket carried on until the step no longer moves r: at most
// 64 more halvings of a long double mantissa.
template <typename F>
void Narrow(const F& f, long double z, TBracket& b) {
  for (int i = 0; i < kNarrowingHalvings && b.r + b.d / 2 != b.r; ++i) {
    bool hit = false;
    if (!Halve(f, z, b, hit)) {
      ExprThreadContext().ExprMathError = 0;  // what was reached stands
      return;
    }
    if (hit) return;
  }
}

// Bisection of f(t) = z over [a, b], keeping r at the end where f - z <= 0 and halving the
// step until it is below 1e-8 of the bracket's midpoint (1e-8 at a midpoint of 0): that
// decides whether the sign change is found. It is then narrowed on to the last digit the
// arithmetic separates, since the table shows 14 digits and files 17 (10.5 came out as
// 10.499999932944775), and is a root only where f - z has become small there
// (numerics/sign_change_root.h): a pole of 1/(x - 5.3) was listed as the root 5.3, and a
// rational fit's poles as roots where the fit is 1e12 and 1e15.
template <typename F>
long double Bisect(const F& f, long double z, long double a, long double b, BracketEdges edges) {
  ExprThreadContext().ExprMathError = 0;
  const long double mid = (a + b) / 2;
  const long double tolerance = mid == 0 ? kRootTolerance : std::fabs(kRootTolerance * mid);
  long double fa = 0, fb = 0;
  if (!Offset(f, z, a, fa)) return ExprErrorValue;
  if (fa == 0) return a;
  if (!Offset(f, z, b, fb)) return ExprErrorValue;
  if (fb == 0) return edges == BracketEdges::kBoth ? b : ExprErrorValue;
  // Signs compared, not the product: a product of two tiny values would vanish.
  if ((fa < 0) == (fb < 0)) return ExprErrorValue;
  TBracket bracket = fa < 0 ? TBracket{a, b - a, fa, fb} : TBracket{b, a - b, fb, fa};
  for (int i = 0; i < kMaxHalvings; ++i) {
    bool hit = false;
    if (!Halve(f, z, bracket, hit)) return ExprErrorValue;
    if (hit) return bracket.r;
    if (std::fabs(bracket.d) < tolerance) {
      Narrow(f, z, bracket);
      const long double reached = std::min(std::fabs(bracket.atR), std::fabs(bracket.atOther));
      return RootValueSmall(reached, fa, fb) ? bracket.r : ExprErrorValue;
    }
  }
  return ExprErrorValue;
}

// Fourteen decades from `start` upwards, each one bracket (the last takes its far edge).
template <typename B>
void SearchDecades(const B& bisect, long double start, TRootCandidates& list) {
  list.assign(kDecades, ExprErrorValue);
  for (int i = 0; i < kDecades; ++i) {
    const long double next = 10 * start;
    list[static_cast<std::size_t>(i)] =
        bisect(start, next, i + 1 == kDecades ? BracketEdges::kBoth : BracketEdges::kLeft);
    start = next;
  }
}

// The edges of `pieces` equal parts of [a, b] into `edges`, b itself the last.
void AddEvenEdges(long double a, long double b, int pieces, std::vector<long double>& edges) {
  const long double s = (b - a) * (1.0L / pieces);
  for (int i = 0; i < pieces; ++i) edges.push_back(a + i * s);
  edges.push_back(b);
}

// A range [lo, hi] of n >= 1 whole decades: the brackets inside it upwards (every edge of
// the hundredths of the range and of each decade in it), then the decades below it from
// the nearest down, then those above it upwards, fourteen decades in all as the range's
// own decades centred among them.
template <typename B>
void SearchWholeDecades(const B& bisect, long double lo, long double hi, int n, TRootCandidates& list) {
  const int inside = std::min(n, kDecades);
  const int below = std::max((kDecades - n) / 2, 0);
  const int above = std::max(kDecades - below - n, 0);
  std::vector<long double> edges;
  edges.reserve(static_cast<std::size_t>((inside + 1) * (kSubIntervals + 1)));
  AddEvenEdges(lo, hi, kSubIntervals, edges);
  long double d = lo;
  for (int j = 0; j < inside; ++j) {
    const long double next = j + 1 == n ? hi : 10 * d;
    AddEvenEdges(d, next, kSubIntervals, edges);
    d = next;
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  list.clear();
  for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
    const bool last = i + 2 == edges.size() && above == 0;
    list.push_back(bisect(edges[i], edges[i + 1], last ? BracketEdges::kBoth : BracketEdges::kLeft));
  }
  long double top = lo;
  for (int j = 0; j < below; ++j) {
    const long double bottom = 0.1L * top;
    list.push_back(bisect(bottom, top, BracketEdges::kLeft));
    top = bottom;
  }
  long double start = hi;
  for (int j = 0; j < above; ++j) {
    const long double next = 10 * start;
    list.push_back(bisect(start, next, j + 1 == above ? BracketEdges::kBoth : BracketEdges::kLeft));
    start = next;
  }
}

// The candidate search of RootSearchX and RootSearchY over a bracket function
// bisect(a, b, edges).
//
// A range of whole decades (lo > 0, log10(hi / lo) a whole number n) is searched for roots
// of every size, in the fourteen decades centred on it. A decade bracketed whole holds any
// two roots in it as one even sign change and lost both: (x - 3)(x - 6) over 1 .. 10 had no
// root, nor had 1/(x - 5.3) = 0.5 beside its pole. So inside the range the decades are
// searched in the hundredths of each decade together with the hundredths of the range,
// every edge of both, and only the decades beyond the range stay whole.
template <typename B>
void RootSearch(const B& bisect, long double lo, long double hi, TRootCandidates& list) {
  list.clear();
  if (lo > 0) {
    const long double span = std::log10(hi) - std::log10(lo);
    if (std::isfinite(span) && span - std::floor(span) < 1e-8L && std::fabs(span) < 1e6L) {
      const int n = static_cast<int>(span);
      if (n >= 1) {
        SearchWholeDecades(bisect, lo, hi, n, list);
        return;
      }
      // A range of no width or reversed: its decades alone, as far as they go.
      for (int k = (kDecades - n) / 2; k > 0; --k) lo *= 0.1L;
      SearchDecades(bisect, lo, list);
      return;
    }
  }
  list.assign(kLinearCandidates, ExprErrorValue);
  const long double s = (hi - lo) * 0.01L;
  // Shared edges are computed once, so that neighbouring brackets meet exactly.
  const auto edge = [&](int i) { return i == kSubIntervals ? hi : lo + i * s; };
  for (int i = 0; i < kSubIntervals; ++i)
    list[static_cast<std::size_t>(i)] = bisect(edge(i), edge(i + 1), BracketEdges::kLeft);
  const long double below = lo - 5 * s, above = hi + 5 * s;
  list[100] = bisect(below, lo, BracketEdges::kLeft);
  list[101] = bisect(lo - 10 * s, below, BracketEdges::kLeft);
  list[102] = bisect(hi, above, BracketEdges::kLeft);
  list[103] = bisect(above, hi + 10 * s, BracketEdges::kBoth);
  const bool none = std::all_of(list.begin(), list.end(), [](long double v) { return IsMissingValue(v); });
  if (none && hi > 0) {
    for (int k = 0; k < 7; ++k) hi *= 0.1L;
    TRootCandidates decades;
    SearchDecades(bisect, hi, decades);
    std::copy(decades.begin(), decades.end(), list.begin());
  }
}

long double FirstCandidate(const TRootCandidates& list) {
  for (long double v : list)
    if (!IsMissingValue(v)) return v;
  return ExprErrorValue;
}

}  // namespace

const char* EvalModeLabel(int mode) {
  return mode >= 0 && mode < kEvalModeCount ? kModeLabels[mode] : "";
}

TEvalComputer::TEvalComputer(TEvalSurface surface)
    : surface_(std::move(surface)),
      scales_{std::fabs(surface_.xMax - surface_.xMin), std::fabs(surface_.yMax - surface_.yMin)} {}

long double TEvalComputer::BisectX(long double z, long double y, long double a, long double b,
                                   BracketEdges edges) const {
  return Bisect([&](long double t) { return surface_.z(t, y); }, z, a, b, edges);
}

long double TEvalComputer::BisectY(long double z, long double x, long double a, long double b,
                                   BracketEdges edges) const {
  return Bisect([&](long double t) { return surface_.z(x, t); }, z, a, b, edges);
}

void TEvalComputer::RootSearchX(long double z, long double y, long double lo, long double hi,
                                TRootCandidates& list) const {
  RootSearch([&](long double a, long double b, BracketEdges e) { return BisectX(z, y, a, b, e); }, lo, hi, list);
}

void TEvalComputer::RootSearchY(long double z, long double x, long double lo, long double hi,
                                TRootCandidates& list) const {
  RootSearch([&](long double a, long double b, BracketEdges e) { return BisectY(z, x, a, b, e); }, lo, hi, list);
}

void TEvalComputer::Compute(long double& x, long double& y, long double& z, int mode) const {
  ExprContext& ctx = ExprThreadContext();
  // The opener's derivative, else the quotient of the surface; a larger step tried whose value
  // fails leaves no error code to fail the quotient (the trial guard).
  const auto partial = [&](const TSurfaceFn& given, fd::Partial p) {
    return given ? given(x, y)
                 : fd::SurfacePartial(p, x, y, scales_, surface_.z, fd::Rounding::kLongDouble, fd::TContextTrialGuard(ctx));
  };
  ctx.ExprMathError = 0;
  const TSurfaceFn& f = surface_.z;
  TRootCandidates list;
  switch (mode) {
    case kEvalRootX: {
      long double r = BisectX(z, y, surface_.xMin, surface_.xMax);
      if (IsMissingValue(r)) {
        RootSearchX(z, y, surface_.xMin, surface_.xMax, list);
        r = FirstCandidate(list);
      }
      x = r;
      return;
    }
    case kEvalRootY: {
      long double r = BisectY(z, x, surface_.yMin, surface_.yMax);
      if (IsMissingValue(r)) {
        RootSearchY(z, x, surface_.yMin, surface_.yMax, list);
        r = FirstCandidate(list);
      }
      y = r;
      return;
    }
    case kEvalZ: z = f(x, y); break;
    case kEvalDzDx: z = partial(surface_.dzdx, fd::Partial::kDzDx); break;
    case kEvalDzDy: z = partial(surface_.dzdy, fd::Partial::kDzDy); break;
    case kEvalD2zDx2: z = partial(surface_.d2zdx2, fd::Partial::kD2zDx2); break;
    case kEvalD2zDy2: z = partial(surface_.d2zdy2, fd::Partial::kD2zDy2); break;
    case kEvalD2zDxDy: z = partial(surface_.d2zdxdy, fd::Partial::kD2zDxDy); break;
    default: return;
  }
  if (ctx.ExprMathError != 0 || !std::isfinite(z)) z = ExprErrorValue;
}

TVolumeResult TEvalComputer::Volume(long double x1, long double x2, long double y1, long double y2) const {
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprMathError = 0;
  if (surface_.volume) {
    long double error = ExprErrorValue;
    const long double v = surface_.volume(x1, x2, y1, y2, error);
    if (ctx.ExprMathError != 0 || !IsUsableValue(v)) return {ExprErrorValue, ExprErrorValue};
    return {v, IsUsableValue(error) ? error : ExprErrorValue};
  }
  // A point where the surface has no value fails the integral like a math error: summed as
  // a number, the missing value would make a plausible but wrong volume.
  const auto f = [&](long double x, long double y) {
    const long double v = surface_.z(x, y);
    if (ctx.ExprMathError == 0 && !IsUsableValue(v)) ctx.SetError(kErrIntegralSingularity);
    return v;
  };
  // Each integrator is judged by its own outcome: the Gauss attempt that does not converge
  // must not fail the Simpson attempt that follows it. Both are confirmed over the whole
  // rectangle, and their estimates hold the outer integral's own: a nested rule whose outer
  // points stepped over a narrow ridge agreed with itself without it and showed its inner
  // integrals' estimate (22 [9.86e-20] for 22.886).
  const auto attempt = [&](TDoubleFirst first, long double& error) {
    ctx.ExprMathError = 0;
    TIntegRecord record;
    error = 0;
    const long double v =
        IntegrateDoubleConfirmed(ctx, record, f, x1, x2, y1, y2, kVolumeTolerance, &error, first);
    const bool ok = ctx.ExprMathError == 0 && IsUsableValue(v) && std::isfinite(error);
    ctx.ExprMathError = 0;
    return ok ? v : ExprErrorValue;
  };
  long double e1 = 0, e2 = 0;
  const long double v1 = attempt(TDoubleFirst::kNestedGauss, e1);
  const bool ok1 = !IsMissingValue(v1);
  if (ok1 && e1 < kVolumeTolerance) return {v1, e1};
  const long double v2 = attempt(TDoubleFirst::kNestedSimpson, e2);
  const bool ok2 = !IsMissingValue(v2);
  if (ok2 && (!ok1 || e2 < kVolumeTolerance || e1 > e2)) return {v2, e2};
  if (ok1) return {v1, e1};
  return {ExprErrorValue, ExprErrorValue};
}

TVolumeFn CurrentFitVolume(const TSession& session) {
  return [&session](long double x1, long double x2, long double y1, long double y2, long double& error) {
    ExprContext& ctx = ExprThreadContext();
    const std::optional<TFitVolume> v =
        FitSideVolume(ctx, session.CurFit, {x1, x2, y1, y2}, session.Table.XYZData(), kVolumeTolerance);
    if (!v) return ExprErrorValue;
    error = v->precision;
    return v->value;
  };
}
