// Romberg integration: successive trapezoid sums (points doubled each stage, the ends
// included) or midpoint sums (points tripled, the ends never evaluated), extrapolated to
// step 0 by Neville's polynomial interpolation through the last five stages.
#include <cmath>
#include <cstdint>

#include "expr/integration_pieces.h"

namespace {

enum class TRefinement { kClosed, kOpen };

constexpr int kExtrapolationPoints = 5;
constexpr int kClosedStages = 18;
constexpr int kOpenStages = 12;

// One refinement of one piece: the running sum and the point count of the next stage.
class TRefinementRun {
 public:
  TRefinementRun(ExprContext& ctx, TIntegrand f, const TIntegPiece& piece, TRefinement kind)
      : ctx_(ctx), f_(f), piece_(piece), kind_(kind) {
    PieceInterval(piece, u1_, u2_);
  }

  // Stage n (1, 2, ... in order); false when an evaluation raised an error (cleared).
  bool Stage(int n, long double& s) {
    const long double width = u2_ - u1_;
    long double v1 = 0;
    long double v2 = 0;
    if (n == 1) {
      count_ = 1;
      if (kind_ == TRefinement::kClosed) {
        if (!Value(u1_, v1) || !Value(u2_, v2)) return false;
        s_ = width / 2 * (v1 + v2);
        magnitude_ = std::fabs(width) / 2 * (std::fabs(v1) + std::fabs(v2));
      } else {
        if (!Value((u1_ + u2_) / 2, v1)) return false;
        s_ = width * v1;
        magnitude_ = std::fabs(width * v1);
      }
      s = s_;
      return true;
    }
    const long double count = static_cast<long double>(count_);
    long double sum = 0;
    long double absolute = 0;
    if (kind_ == TRefinement::kClosed) {
      const long double d = width / count;
      long double u = u1_ + d / 2;
      for (std::int64_t i = 0; i < count_; ++i, u += d) {
        if (!Value(u, v1)) return false;
        sum += v1;
        absolute += std::fabs(v1);
      }
      s_ = (s_ + width * sum / count) / 2;
      magnitude_ = (magnitude_ + std::fabs(width) * absolute / count) / 2;
      count_ *= 2;
    } else {
      const long double d = width / (3 * count);
      long double u = u1_ + d / 2;
      for (std::int64_t i = 0; i < count_; ++i) {
        if (!Value(u, v1)) return false;
        u += 2 * d;
        if (!Value(u, v2)) return false;
        u += d;
        sum += v1 + v2;
        absolute += std::fabs(v1) + std::fabs(v2);
      }
      s_ = (s_ + width * sum / count) / 3;
      magnitude_ = (magnitude_ + std::fabs(width) * absolute / count) / 3;
      count_ *= 3;
    }
    s = s_;
    return true;
  }

  // Was some value of the run not 0?
  bool AnyValue() const { return anyValue_; }
  // The latest stage's sum of |f| (the integral of |f| by the same rule).
  long double Magnitude() const { return magnitude_; }

 private:
  bool Value(long double u, long double& v) {
    if (!PieceValueChecked(ctx_, f_, piece_, u, v)) return false;
    anyValue_ = anyValue_ || v != 0;
    return true;
  }

  ExprContext& ctx_;
  TIntegrand f_;
  TIntegPiece piece_;
  TRefinement kind_;
  long double u1_ = 0;
  long double u2_ = 0;
  long double s_ = 0;
  long double magnitude_ = 0;
  std::int64_t count_ = 1;
  bool anyValue_ = false;
};

// Neville's algorithm for the polynomial through (h[i], s[i]), i = 1..n, evaluated at
// h = 0: starts from the point nearest 0 and adds the tableau corrections column by
// column; the last correction is the error estimate.
void RombergExtrapolate(const long double* h, const long double* s, int n, long double& ss, long double& dss) {
  long double c[kExtrapolationPoints + 1];
  long double d[kExtrapolationPoints + 1];
  int ns = 1;
  long double nearest = std::fabs(h[1]);
  for (int i = 1; i <= n; ++i) {
    if (std::fabs(h[i]) < nearest) {
      ns = i;
      nearest = std::fabs(h[i]);
    }
    c[i] = s[i];
    d[i] = s[i];
  }
  ss = s[ns--];
  dss = 0;
  for (int m = 1; m < n; ++m) {
    for (int i = 1; i <= n - m; ++i) {
      const long double ho = h[i];
      const long double hp = h[i + m];
      const long double den = (c[i + 1] - d[i]) / (ho - hp);
      d[i] = hp * den;
      c[i] = ho * den;
    }
    dss = 2 * ns < n - m ? c[ns + 1] : d[ns--];
    ss += dss;
  }
}

// `retried`: the range is integrated again with 1/x tails if this piece fails.
long double RombergRule(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece,
                        TRefinement kind, bool retried, int depth = 0) {
  const int stages = kind == TRefinement::kClosed ? kClosedStages : kOpenStages;
  const long double shrink = kind == TRefinement::kClosed ? 4 : 9;
  long double h[kClosedStages + 2];
  long double s[kClosedStages + 2];
  TRefinementRun run(ctx, f, piece, kind);
  long double ss = 0;
  long double dss = 0;
  bool converged = false;
  bool noise = false;  // the last two extrapolations lay within the rounding of the values
  h[1] = 1;
  for (int j = 1; j <= stages && !converged; ++j) {
    if (!run.Stage(j, s[j])) {
      ctx.SetError(kErrIntegralSingularity);
      rec.IntegFailed = 1;
      return 0;
    }
    if (j >= kExtrapolationPoints) {
      const long double previous = ss;
      const int first = j - kExtrapolationPoints;
      RombergExtrapolate(h + first, s + first, kExtrapolationPoints, ss, dss);
      // An extrapolation that no longer moves at all has converged, also when its value
      // is 0 (an odd integrand on a symmetric range) and no relative test can pass.
      const bool settled = std::fabs(dss) < rec.IntegTolerance * std::fabs(ss) || dss == 0;
      // The tableau's last correction measures the error only when the error of the sums
      // is a series in even powers of the step. An integrand singular at an end (LN($) or
      // 1/SQRT($) at 0, an end the open rule never evaluates) has other terms, and its
      // correction can be tiny while the value is still wrong in the fifth digit. So two
      // successive extrapolations must agree to the tolerance as well.
      const bool steady = j > kExtrapolationPoints && std::fabs(ss - previous) <= rec.IntegTolerance * std::fabs(ss);
      // An integral that is 0 without values that cancel exactly (digamma over [1, 2])
      // extrapolates to rounding noise that never settles relatively: two extrapolations
      // within the rounding of the values (1024 epsilons of the integral of |f|) take the
      // road of an extrapolation of 0 below.
      const long double floor = 1024 * 0x1p-63L * run.Magnitude();
      noise = j > kExtrapolationPoints && run.AnyValue() && std::fabs(ss) <= floor && std::fabs(previous) <= floor;
      converged = (settled && steady) || noise;
    }
    h[j + 1] = h[j] / shrink;
  }
  // An extrapolation of exactly 0 comes from values that cancel (an integrand odd about
  // the middle of the piece), and stands once the integral over the upper half is found
  // to exist: TAN over [-2, 2] cancels as well, and diverges. From values that are all 0
  // it stands only where the ends were among them (closed), and not on a range that is
  // integrated again with tails, which see it on every scale: the open rule never sees its
  // ends, and EXP(-x)/SQRT(x) over [0, 1e300] is 0 at every point either rule takes.
  if (converged && (ss == 0 || noise)) {
    if (run.AnyValue()) {
      if (depth < kZeroCheckDepth)
        converged = UpperHalfExists(
            rec, [&] { return RombergRule(ctx, rec, f, UpperHalf(piece), kind, false, depth + 1); });
    } else {
      converged = kind == TRefinement::kClosed && !retried;
    }
  }
  if (!converged) {
    rec.IntegFailed = 1;
    ctx.SetError(kErrIntegralConvergence);
  }
  rec.IntegErrorEstimate += ss == 0 ? 0 : noise ? std::fabs(dss) / run.Magnitude() : std::fabs(dss / ss);
  return ss;
}

// Does f raise an error at x?
bool FailsAt(ExprContext& ctx, TIntegrand f, long double x) {
  long double v = 0;
  return !PieceValueChecked(ctx, f, TIntegPiece{}, x, v);
}

// The pieces of GaussSplitRange, each with the refinement that suits its ends: a tail
// and an end where f fails take the open rule. When f fails at the finite end of a lone
// tail, a direct open piece next to that end keeps the 1/x substitution away from it.
long double RombergSplitRange(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                              bool lowTail, bool highTail) {
  if (a == b) return 0;
  if (b < a) std::swap(a, b);
  const bool low = a == -INFINITY || lowTail;
  const bool high = b == INFINITY || highTail;
  struct Part {
    TIntegPiece piece;
    TRefinement kind;
  };
  Part parts[3];
  int count = 0;
  auto add = [&](long double lo, long double hi, TPieceMode mode, TRefinement kind) {
    parts[count++] = {{lo, hi, mode}, kind};
  };
  auto closedUnless = [](bool failed) { return failed ? TRefinement::kOpen : TRefinement::kClosed; };
  constexpr TPieceMode kDirect = TPieceMode::kDirect;
  constexpr TPieceMode kTail = TPieceMode::kTail;
  constexpr TRefinement kOpen = TRefinement::kOpen;

  if (low && high) {
    const long double p = TailSplitLow(a);
    const long double q = TailSplitHigh(b);
    add(a, p, kTail, kOpen);
    add(p, q, kDirect, TRefinement::kClosed);
    add(q, b, kTail, kOpen);
  } else if (high && a > 0) {
    if (!FailsAt(ctx, f, a)) {
      add(a, b, kTail, kOpen);
    } else {
      // The split point 2a must lie inside a finite range; otherwise its middle is used
      // (2a past b would integrate [b, 2a] twice).
      const long double s = 2 * a < b ? 2 * a : a + (b - a) / 2;
      add(a, s, kDirect, kOpen);
      add(s, b, kTail, kOpen);
    }
  } else if (high) {
    const long double q = TailSplitHigh(b);
    add(a, q, kDirect, closedUnless(FailsAt(ctx, f, a)));
    add(q, b, kTail, kOpen);
  } else if (low && b < 0) {
    if (!FailsAt(ctx, f, b)) {
      add(a, b, kTail, kOpen);
    } else {
      const long double s = 2 * b > a ? 2 * b : a + (b - a) / 2;
      add(a, s, kTail, kOpen);
      add(s, b, kDirect, kOpen);
    }
  } else if (low) {
    const long double p1 = TailSplitLowAlone(a);
    const bool failed = FailsAt(ctx, f, b);
    add(a, p1, kTail, kOpen);
    add(p1, b, kDirect, closedUnless(failed));
  } else {
    const bool failedA = FailsAt(ctx, f, a);
    const bool failedB = FailsAt(ctx, f, b);
    add(a, b, kDirect, closedUnless(failedA || failedB));
  }

  const bool retried = WillRetryWithTails(a, b, lowTail, highTail);
  return SumPieces(ctx, count,
                   [&](int i) { return RombergRule(ctx, rec, f, parts[i].piece, parts[i].kind, retried); });
}

}  // namespace

long double IntegrateRomberg(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                             long double tol) {
  const long double r =
      IntegrateWithRetry(ctx, rec, a, b, tol, [&](long double lo, long double hi, bool lowTail, bool highTail) {
        return RombergSplitRange(ctx, rec, f, lo, hi, lowTail, highTail);
      });
  return FiniteIntegral(ctx, rec, r);
}
