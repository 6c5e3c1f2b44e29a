// Adaptive Simpson integration with an absolute tolerance, and the double integrals over
// a rectangle by nested Gauss or nested Simpson integrals.
//
// Each interval compares Simpson's rule on the whole with the rule on its two halves
// (Lyness's criterion |S1 - S2| / 15) and is halved until they agree. Without a bound an
// integrand with a jump recurses until the interval cannot be halved (thousands of levels
// near 0) and a noisy one never stops, so the recursion is capped at 50 levels and at a
// budget of evaluations; an interval stopped by either keeps its two-panel value and
// reports -100 with estimate 1.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "expr/integration_pieces.h"

namespace {

constexpr long double kSimpsonMinTolerance = 1e-14;
constexpr int kSimpsonMaxDepth = 50;
// Evaluations of one IntegrateSimpson, and of the integrand of one nested-Simpson double
// integral in all (the outer integral's points count through their inner integrals).
constexpr std::int64_t kSimpsonBudget = 1000000;
constexpr std::int64_t kSimpsonDoubleBudget = 4000000;

struct TSimpsonRun {
  ExprContext& ctx;
  TIntegrand f;
  TIntegPiece piece;
  long double tol;
  std::int64_t& budget;
  bool singular = false;     // an evaluation raised an error: -101
  bool unfinished = false;   // an interval stopped unconverged: -100

  bool Value(long double u, long double& v) {
    --budget;
    if (PieceValueChecked(ctx, f, piece, u, v)) return true;
    singular = true;
    return false;
  }

  // The integral over [lo, hi] from its ends and middle; `estimate` receives its error.
  long double Recurse(long double lo, long double hi, long double fa, long double fm, long double fb, int depth,
                      long double& estimate) {
    const long double w = hi - lo;
    if (!(w > 0)) {  // the interval can no longer be halved
      estimate = 1;
      unfinished = true;
      return 0;
    }
    long double fl = 0;
    long double fr = 0;
    if (!Value(lo + w / 4, fl) || !Value(hi - w / 4, fr)) {
      estimate = 1;
      return 0;
    }
    const long double s2 = w / 12 * (fa + 4 * fl + 2 * fm + 4 * fr + fb);
    const long double s1 = w / 6 * (fa + 4 * fm + fb);
    const long double e = std::fabs(s1 - s2) / 15;
    if (e < tol) {
      estimate = e;
      return s2;
    }
    if (depth >= kSimpsonMaxDepth || budget <= 0) {
      estimate = 1;
      unfinished = true;
      return s2;
    }
    const long double mid = lo + w / 2;
    long double eLeft = 0;
    long double eRight = 0;
    const long double left = Recurse(lo, mid, fa, fl, fm, depth + 1, eLeft);
    if (singular) {
      estimate = 1;
      return 0;
    }
    const long double right = Recurse(mid, hi, fm, fr, fb, depth + 1, eRight);
    if (singular) {
      estimate = 1;
      return 0;
    }
    estimate = eLeft + eRight;
    return left + right;
  }
};

long double SimpsonStart(TSimpsonRun& run, const TIntegPiece& piece, long double& estimate) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  long double fa = 0;
  long double fm = 0;
  long double fb = 0;
  if (!run.Value(u1, fa) || !run.Value((u1 + u2) / 2, fm) || !run.Value(u2, fb)) {
    estimate = 1;
    return 0;
  }
  return run.Recurse(u1, u2, fa, fm, fb, 0, estimate);
}

long double SimpsonIntegrate(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                             long double tol, std::int64_t& budget) {
  if (!(tol >= kSimpsonMinTolerance)) tol = kSimpsonMinTolerance;
  rec.IntegErrorEstimate = 0;
  if (a == b) return 0;
  if (b < a) std::swap(a, b);
  const TIntegPieces pieces = SplitIntegRange(a, b, false, false);
  long double sum = 0;
  long double estimate = 0;
  bool singular = false;
  bool unfinished = false;
  for (int i = 0; i < pieces.count; ++i) {
    TSimpsonRun run{ctx, f, pieces.piece[i], tol, budget};
    long double e = 0;
    sum += SimpsonStart(run, pieces.piece[i], e);
    estimate += e;
    singular = singular || run.singular;
    unfinished = unfinished || run.unfinished;
  }
  rec.IntegErrorEstimate = std::fmin(estimate, 1.0L);
  // Raised once at the end: the evaluations of later intervals clear the error cell, and
  // a failure must not be reported as a success.
  if (singular) {
    ctx.SetError(kErrIntegralSingularity);
  } else if (unfinished) {
    ctx.SetError(kErrIntegralConvergence);
  }
  return sum;
}

// f at the four corners; false when one fails or is missing.
bool CornersDefined(ExprContext& ctx, TIntegrand2 f, long double x1, long double x2, long double y1, long double y2) {
  ctx.ExprMathError = 0;
  for (const auto& [x, y] : {std::pair{x1, y1}, std::pair{x1, y2}, std::pair{x2, y1}, std::pair{x2, y2}}) {
    const long double v = f(x, y);
    if (ctx.ExprMathError != 0 || v == ExprErrorValue) return false;
  }
  return true;
}

// The double integral as outer(x) = the inner integral over y, each inner integral with
// its own record so that the outer integral's record stays its own.
template <typename Engine>
long double NestedIntegral(ExprContext& ctx, TIntegRecord& rec, TIntegrand2 f, long double x1, long double x2,
                           long double y1, long double y2, long double* errOut, Engine engine) {
  if (errOut) *errOut = 0;
  if (!CornersDefined(ctx, f, x1, x2, y1, y2)) return ExprErrorValue;
  auto outer = [&](long double x) {
    TIntegRecord inner;
    const long double r = engine(inner, [&](long double y) { return f(x, y); }, y1, y2);
    if (errOut && *errOut < inner.IntegErrorEstimate) *errOut = inner.IntegErrorEstimate;
    return r;
  };
  return engine(rec, outer, x1, x2);
}

}  // namespace

long double IntegrateSimpson(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                             long double tol) {
  std::int64_t budget = kSimpsonBudget;
  return FiniteIntegral(ctx, rec, SimpsonIntegrate(ctx, rec, f, a, b, tol, budget), false);
}

long double IntegrateDouble(ExprContext& ctx, TIntegRecord& rec, TIntegrand2 f, long double x1, long double x2,
                            long double y1, long double y2, long double tol, long double* errOut) {
  return NestedIntegral(ctx, rec, f, x1, x2, y1, y2, errOut,
                        [&](TIntegRecord& r, TIntegrand g, long double lo, long double hi) {
                          return IntegrateGauss(ctx, r, g, lo, hi, tol);
                        });
}

long double IntegrateDouble2(ExprContext& ctx, TIntegRecord& rec, TIntegrand2 f, long double x1, long double x2,
                             long double y1, long double y2, long double tol, long double* errOut) {
  std::int64_t budget = kSimpsonDoubleBudget;
  return NestedIntegral(ctx, rec, f, x1, x2, y1, y2, errOut,
                        [&](TIntegRecord& r, TIntegrand g, long double lo, long double hi) {
                          return SimpsonIntegrate(ctx, r, g, lo, hi, tol, budget);
                        });
}
