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
#include <array>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <vector>

#include "expr/integration_checks.h"
#include "expr/integration_pieces.h"

namespace {

constexpr long double kSimpsonMinTolerance = 1e-14;
constexpr int kSimpsonMaxDepth = 50;
// Evaluations of one IntegrateSimpson, and of the integrand of one nested-Simpson double
// integral in all (the outer integral's points count through their inner integrals).
constexpr std::int64_t kSimpsonBudget = 1000000;
constexpr std::int64_t kSimpsonDoubleBudget = 4000000;

// The five values of an interval's two-panel rule, at lo, lo + w/4, ..., hi.
struct TFivePoints {
  long double lo = 0;
  long double w = 0;
  std::array<long double, 5> f{};
  bool taken = false;
};

// The quartic through an interval's five values, at u; and how far the quadratic through
// its ends and middle misses the value a quarter in from the end `fromLow` (or high)
// side: the slack of the model next to an end (a slope singularity there, SQRT($) at 0,
// misses by about as much between the end and the interval's first point).
long double FivePointPolynomial(const TFivePoints& p, long double u) {
  long double xs[5];
  long double ys[5];
  for (int i = 0; i < 5; ++i) {
    xs[i] = p.lo + p.w * i / 4;
    ys[i] = p.f[static_cast<std::size_t>(i)];
  }
  for (int m = 1; m < 5; ++m)
    for (int i = 0; i + m < 5; ++i) ys[i] = ((u - xs[i + m]) * ys[i] + (xs[i] - u) * ys[i + 1]) / (xs[i] - xs[i + m]);
  return ys[0];
}
long double FivePointSlack(const TFivePoints& p, bool fromLow) {
  const long double quadratic = (3 * p.f[0] + 6 * p.f[2] - p.f[4]) / 8;  // at a quarter from the low end
  const long double mirrored = (3 * p.f[4] + 6 * p.f[2] - p.f[0]) / 8;
  return fromLow ? std::fabs(p.f[1] - quadratic) : std::fabs(p.f[3] - mirrored);
}

struct TSimpsonRun {
  ExprContext& ctx;
  TIntegrand f;
  TIntegPiece piece;
  long double tol;
  std::int64_t& budget;
  const TUnderflowWatch& underflow;
  // How far f's values may be off (the outer integral of a double integral: its values are
  // inner integrals, each to its own estimate); null where they are exact.
  const long double* noise;
  bool singular = false;     // an evaluation raised an error: -101
  bool unfinished = false;   // an interval stopped unconverged: -100
  bool anyValue = false;     // some value was not 0
  bool vanished = false;     // an interval was taken as 0 from values that vanished in underflow
  long double largest = 0;   // the largest |f| met
  TFivePoints first{};       // the intervals taken at the piece's ends
  TFivePoints last{};
  std::vector<TFivePoints> taken{};  // every interval taken, in order

  long double Noise() const { return noise ? *noise : 0; }

  bool Value(long double u, long double& v) {
    --budget;
    if (PieceValueChecked(ctx, f, piece, u, v)) {
      anyValue = anyValue || v != 0;
      largest = std::fmax(largest, std::fabs(v));
      return true;
    }
    singular = true;
    return false;
  }

  // The integral over [lo, hi] from its ends and middle; `estimate` receives its error.
  // `parent` is the estimate of the interval it halves (infinite for a piece); `quarters`,
  // when given, the values at a quarter and three quarters, taken by the parent.
  //
  // Lyness's estimate falls by 32 from an interval to its halves where f is smooth, but by
  // 2 only beside a jump, where it is some twenty times too small (a jump J inside an
  // interval of width w gives |S1 - S2| / 15 = J w / 180 and moves S2 by up to J w / 4):
  // taken at e < tol the intervals beside a jump left 1.6e-7 of IF($<3.399,0,1) over
  // [0, 5.5] with an estimate of 1e-9. And five values agree with two jumps as well as
  // with a cubic (0, 0, 1, 2, 2 from FLOOR has S1 = S2). So an interval is taken where its
  // estimate is within the tolerance, has fallen to an eighth of its parent's (or is below
  // a 128th of the tolerance: a jump in it then moves S2 by less), and f at the four
  // eighths lies on the quartic through the five values, each point's miss times the
  // quarter it stands for within half the tolerance; a piece is halved at least once.
  // The eighths' values are handed to the halves where the interval is not taken. Five
  // values that all vanished in underflow say nothing of the interval: it is halved
  // kVanishDepth levels deep before it counts as 0.
  long double Recurse(long double lo, long double hi, long double fa, long double fm, long double fb, int depth,
                      long double parent, long double& estimate, const long double* quarters = nullptr) {
    constexpr int kVanishDepth = 6;
    constexpr long double kFall = 8;
    constexpr long double kNegligible = 1.0L / 128;
    constexpr long double kJumpShare = 64;
    const long double w = hi - lo;
    if (!(w > 0)) {  // the interval can no longer be halved
      estimate = 1;
      unfinished = true;
      return 0;
    }
    long double fl = 0;
    long double fr = 0;
    if (quarters) {
      fl = quarters[0];
      fr = quarters[1];
    } else if (!Value(lo + w / 4, fl) || !Value(hi - w / 4, fr)) {
      estimate = 1;
      return 0;
    }
    const long double s2 = w / 12 * (fa + 4 * fl + 2 * fm + 4 * fr + fb);
    const long double s1 = w / 6 * (fa + 4 * fm + fb);
    const long double e = std::fabs(s1 - s2) / 15;
    const bool allZero = fa == 0 && fl == 0 && fm == 0 && fr == 0 && fb == 0;
    const bool unseen = allZero && depth < kVanishDepth && underflow.Raised();
    const TFivePoints here{lo, w, {fa, fl, fm, fr, fb}, true};
    std::array<long double, 4> eighths{};
    bool eighthsTaken = false;
    const bool fell = kFall * e <= parent;
    if (depth > 0 && e < tol && (fell || e <= kNegligible * tol) && !unseen) {
      eighthsTaken = true;
      long double missed = 0;
      for (int i = 0; i < 4; ++i) {
        const long double u = lo + w * (2 * i + 1) / 8;
        if (!Value(u, eighths[static_cast<std::size_t>(i)])) {
          estimate = 1;
          return 0;
        }
        missed += std::fmax(std::fabs(eighths[static_cast<std::size_t>(i)] - FivePointPolynomial(here, u)) - Noise(),
                            0.0L) *
                  w / 4;
      }
      if (missed <= tol / 2) {
        // Beside a jump (the estimate has not fallen) S2 may be off by some 45 e.
        estimate = std::fmax(fell ? e : kJumpShare * e, missed);
        vanished = vanished || (allZero && underflow.Raised());
        if (!first.taken || lo < first.lo) first = here;
        if (!last.taken || hi > last.lo + last.w) last = here;
        taken.push_back(here);
        return s2;
      }
    }
    if (depth >= kSimpsonMaxDepth || budget <= 0) {
      estimate = 1;
      unfinished = true;
      return s2;
    }
    const long double mid = lo + w / 2;
    long double eLeft = 0;
    long double eRight = 0;
    const long double left = Recurse(lo, mid, fa, fl, fm, depth + 1, e, eLeft, eighthsTaken ? &eighths[0] : nullptr);
    if (singular) {
      estimate = 1;
      return 0;
    }
    const long double right =
        Recurse(mid, hi, fm, fr, fb, depth + 1, e, eRight, eighthsTaken ? &eighths[2] : nullptr);
    if (singular) {
      estimate = 1;
      return 0;
    }
    estimate = eLeft + eRight;
    return left + right;
  }
};

// The slope of the quartic through an interval's five values at its low (or high) end.
long double FivePointSlope(const TFivePoints& p, bool atLow) {
  const std::array<long double, 5>& f = p.f;
  const long double h = p.w / 4;
  return atLow ? (-25 * f[0] + 48 * f[1] - 36 * f[2] + 16 * f[3] - 3 * f[4]) / (12 * h)
               : (25 * f[4] - 48 * f[3] + 36 * f[2] - 16 * f[1] + 3 * f[0]) / (12 * h);
}

// Where two intervals taken meet with different slopes (a kink: two sides of f meeting
// there), a jump between the kink and the first point in from it on either side is seen
// by no value: ($-2.75)*IF($<3.09,1,2) over [0, 5.5] has its kink at 2.75, the middle of
// the piece, and S2 took the line 2($-2.75) over [2.75, 3.09] for $-2.75 (3.78125 for
// 3.72253). So toward such a kink a ladder of points at a quarter, a sixteenth, ... of
// the eighth next to it looks on either side, each point e from the kink and off its
// interval's quartic by d standing for d u^2/(2e), u the point before (what a jump
// between them hides where the sides meet at the kink), within the tolerance as each
// interval's own estimate is, until a jump that far from the kink could move the
// integral by no more than the tolerance (the difference of the slopes times half the
// square of the distance).
bool KinksConfirmed(TSimpsonRun& run) {
  constexpr int kMostRungs = 24;
  const std::vector<TFivePoints>& parts = run.taken;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const TFivePoints& left = parts[i - 1];
    const TFivePoints& right = parts[i];
    const long double at = right.lo;
    if (left.lo + left.w != at) continue;
    const long double bend = std::fabs(FivePointSlope(left, false) - FivePointSlope(right, true));
    for (const TFivePoints* side : {&left, &right}) {
      const long double sign = side == &right ? 1 : -1;
      long double upper = side->w / 8;
      for (int k = 1; k <= kMostRungs && bend * upper * upper / 2 > run.tol; ++k) {
        const long double e = upper / 4;
        const long double u = at + sign * e;
        long double v = 0;
        if (!run.Value(u, v)) return false;
              const long double off = std::fmax(std::fabs(v - FivePointPolynomial(*side, u)) - run.Noise(), 0.0L);
        if (off * upper * upper / (2 * e) > run.tol) return false;
        upper = e;
      }
    }
  }
  return true;
}

// Between each end of the piece and the first point in from it (a quarter of the
// interval taken there), where the two sides of a jump meeting at the end leave every
// value of the rule on one side ($*IF($<0.01,1,2) from 0), the ladders of
// integration_checks.h check f against the quartic through that interval's values,
// beyond its slack.
bool EndsConfirmed(ExprContext& ctx, TIntegrand f, const TIntegPiece& piece, const TSimpsonRun& run) {
  if (!run.first.taken || !run.last.taken) return true;
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const long double c = (u1 + u2) / 2;
  const long double h = (u2 - u1) / 2;
  if (!(h > 0)) return true;
  TPieceChecks checks(ctx, f, piece, c, h);
  const TShareLimit limit{run.tol / 2, h, false};
  const auto model = [&](long double t) {
    return t > 0 ? FivePointPolynomial(run.last, c + t * h) : FivePointPolynomial(run.first, c + t * h);
  };
  return LadderConfirmed(checks, TLadder::kEnds, model, run.last.w / 4 / h, run.first.w / 4 / h, run.largest, limit,
                         FivePointSlack(run.last, false) + run.Noise(), FivePointSlack(run.first, true) + run.Noise());
}

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
  const long double r = run.Recurse(u1, u2, fa, fm, fb, 0, INFINITY, estimate);
  if (!run.singular && !run.unfinished && !(EndsConfirmed(run.ctx, run.f, piece, run) && KinksConfirmed(run))) {
    run.unfinished = true;
    estimate = 1;
  }
  return r;
}

long double SimpsonIntegrate(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                             long double tol, std::int64_t& budget, const long double* noise = nullptr) {
  if (!(tol >= kSimpsonMinTolerance)) tol = kSimpsonMinTolerance;
  rec.IntegErrorEstimate = 0;
  rec.IntegVanished = 0;
  if (a == b) return 0;
  if (b < a) std::swap(a, b);
  const TUnderflowWatch underflow;
  const TIntegPieces pieces = SplitIntegRange(a, b, false, false);
  long double sum = 0;
  long double estimate = 0;
  bool singular = false;
  bool unfinished = false;
  TRangeValues values;
  for (int i = 0; i < pieces.count; ++i) {
    TSimpsonRun run{ctx, f, pieces.piece[i], tol, budget, underflow, noise};
    long double e = 0;
    sum += SimpsonStart(run, pieces.piece[i], e);
    estimate += e;
    singular = singular || run.singular;
    unfinished = unfinished || run.unfinished;
    values.seen = values.seen || run.anyValue;
    values.vanished = values.vanished || run.vanished;
  }
  rec.IntegErrorEstimate = std::fmin(estimate, 1.0L);
  // Raised once at the end: the evaluations of later intervals clear the error cell, and
  // a failure must not be reported as a success. Values that vanished everywhere are no
  // integral (TRangeValues).
  if (singular) {
    ctx.SetError(kErrIntegralSingularity);
  } else if (unfinished) {
    ctx.SetError(kErrIntegralConvergence);
  } else if (values.vanished && !values.seen) {
    ctx.SetError(kErrIntegralConvergence);
    rec.IntegVanished = 1;
    rec.IntegErrorEstimate = 1;
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
// its own record so that the outer integral's record stays its own. An inner integral
// whose values all vanished in underflow (at x far from a peak of f) is a value of the
// outer integrand that vanished in underflow: 0 where the outer integral shows mass at
// other x, no evidence where it shows none (EXP(-(x - 3000)^2 - (y - 3000)^2) over
// [0, 1e4]^2 underflows at every point of every inner integral, and gave 0 for pi).
template <typename Engine>
long double NestedIntegral(ExprContext& ctx, TIntegRecord& rec, TIntegrand2 f, long double x1, long double x2,
                           long double y1, long double y2, long double* errOut, Engine engine) {
  if (errOut) *errOut = 0;
  if (!CornersDefined(ctx, f, x1, x2, y1, y2)) return ExprErrorValue;
  long double innerError = 0;  // the largest estimate of the inner integrals so far
  auto outer = [&](long double x) {
    TIntegRecord inner;
    const long double r = engine(inner, [&](long double y) { return f(x, y); }, y1, y2, nullptr);
    if (inner.IntegVanished != 0) {
      ctx.ExprMathError = 0;
      std::feraiseexcept(FE_UNDERFLOW);
      return 0.0L;
    }
    innerError = std::fmax(innerError, inner.IntegErrorEstimate);
    if (errOut) *errOut = innerError;
    return r;
  };
  return engine(rec, outer, x1, x2, &innerError);
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
                        [&](TIntegRecord& r, TIntegrand g, long double lo, long double hi, const long double*) {
                          return IntegrateGaussWith(ctx, r, g, lo, hi, tol, TZeroSums::kConfirmOnHalf,
                                                    TVanishedLook::kLeave);
                        });
}

long double IntegrateDouble2(ExprContext& ctx, TIntegRecord& rec, TIntegrand2 f, long double x1, long double x2,
                             long double y1, long double y2, long double tol, long double* errOut) {
  std::int64_t budget = kSimpsonDoubleBudget;
  return NestedIntegral(ctx, rec, f, x1, x2, y1, y2, errOut,
                        [&](TIntegRecord& r, TIntegrand g, long double lo, long double hi, const long double* noise) {
                          return SimpsonIntegrate(ctx, r, g, lo, hi, tol, budget, noise);
                        });
}
