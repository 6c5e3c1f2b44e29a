// Romberg integration: successive trapezoid sums (points doubled each stage, the ends
// included) or midpoint sums (points tripled, the ends never evaluated), extrapolated to
// step 0 by Neville's polynomial interpolation through the last five stages.
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "expr/integration_checks.h"
#include "expr/integration_pieces.h"

namespace {

enum class TRefinement { kClosed, kOpen };

constexpr int kExtrapolationPoints = 5;
constexpr int kClosedStages = 18;
constexpr int kOpenStages = 12;

// One refinement of one piece: the running sum, the point count of the next stage, and
// the values on the current grid in order (closed: the ends and every point between;
// open: the points, which never reach the ends), which the checks of an extrapolation
// read.
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
        grid_ = {v1, v2};
      } else {
        if (!Value((u1_ + u2_) / 2, v1)) return false;
        s_ = width * v1;
        magnitude_ = std::fabs(width * v1);
        grid_ = {v1};
      }
      s = s_;
      return true;
    }
    const long double count = static_cast<long double>(count_);
    long double sum = 0;
    long double absolute = 0;
    next_.clear();
    if (kind_ == TRefinement::kClosed) {
      const long double d = width / count;
      long double u = u1_ + d / 2;
      for (std::int64_t i = 0; i < count_; ++i, u += d) {
        if (!Value(u, v1)) return false;
        sum += v1;
        absolute += std::fabs(v1);
        next_.push_back(grid_[static_cast<std::size_t>(i)]);
        next_.push_back(v1);
      }
      next_.push_back(grid_.back());
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
        next_.push_back(v1);
        next_.push_back(grid_[static_cast<std::size_t>(i)]);
        next_.push_back(v2);
      }
      s_ = (s_ + width * sum / count) / 3;
      magnitude_ = (magnitude_ + std::fabs(width) * absolute / count) / 3;
      count_ *= 3;
    }
    std::swap(grid_, next_);
    s = s_;
    return true;
  }

  // Was some value of the run not 0?
  bool AnyValue() const { return anyValue_; }
  // The latest stage's sum of |f| (the integral of |f| by the same rule).
  long double Magnitude() const { return magnitude_; }
  // The values on the current grid, and its spacing in the rule's variable (-1 .. 1).
  const std::vector<long double>& Grid() const { return grid_; }
  long double Spacing() const {
    const auto n = static_cast<long double>(grid_.size());
    return kind_ == TRefinement::kClosed ? 2 / (n - 1) : 2 / n;
  }
  // The largest half second difference |f(u - d) - 2 f(u) + f(u + d)| / 2 on the grid (of
  // the even part of f about the middle with `evenPart`), at the points next to the ends
  // and at the others: for a smooth integrand it falls with the square of the spacing,
  // beside a jump J it stays J / 2 wherever the jump lies, and two jumps cannot hide each
  // other in it.
  struct TSecondDifferences {
    long double inner = 0;
    long double ends = 0;
  };
  TSecondDifferences LargestSecondDifferences(bool evenPart) const {
    const std::size_t n = grid_.size();
    const auto at = [&](std::size_t i) { return evenPart ? (grid_[i] + grid_[n - 1 - i]) / 2 : grid_[i]; };
    TSecondDifferences largest;
    for (std::size_t i = 1; i + 1 < n; ++i) {
      long double& to = i == 1 || i + 2 == n ? largest.ends : largest.inner;
      to = std::fmax(to, std::fabs(at(i - 1) - 2 * at(i) + at(i + 1)) / 2);
    }
    return largest;
  }

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
  std::vector<long double> grid_;
  std::vector<long double> next_;
};

// The polynomial through kEndPoints grid values next to an end (side -1 or 1), every
// `stride`-th from the `from`-th, at t in the rule's variable. With stride 1 from the
// first: the grid's smooth model of f between the end and its first point.
long double EndPolynomial(const TRefinementRun& run, bool closed, int side, long double t, int from = 0,
                          int stride = 1) {
  constexpr int kEndPoints = 6;
  const std::vector<long double>& grid = run.Grid();
  const int available = (static_cast<int>(grid.size()) - from + stride - 1) / stride;
  const int n = available < kEndPoints ? available : kEndPoints;
  const long double spacing = run.Spacing();
  const long double first = closed ? 0 : spacing / 2;  // the first point's distance from the end
  long double xs[kEndPoints];
  long double ys[kEndPoints];
  for (int i = 0; i < n; ++i) {
    const int k = from + i * stride;
    xs[i] = side * (1 - first - k * spacing);
    ys[i] = grid[side < 0 ? static_cast<std::size_t>(k) : grid.size() - 1 - static_cast<std::size_t>(k)];
  }
  // Neville's scheme.
  for (int m = 1; m < n; ++m)
    for (int i = 0; i + m < n; ++i)
      ys[i] = ((t - xs[i + m]) * ys[i] + (xs[i] - t) * ys[i + 1]) / (xs[i] - xs[i + m]);
  return ys[0];
}

// How far the grid's model next to an end misses f where the grid knows it: the
// polynomial through the last stage's points there against the point this stage added
// nearest the end. Where f is not smooth at the end itself (SQRT($) at 0) the model
// misses by about as much between the end and the grid, and a ladder that finds f that
// far off finds nothing the grid has not seen; where the model is exact (a line), any
// offset is a jump.
long double EndModelSlack(const TRefinementRun& run, bool closed, int side) {
  const std::vector<long double>& grid = run.Grid();
  const long double first = closed ? 0 : run.Spacing() / 2;
  // The point nearest the end that the last stage did not have, and the last stage's
  // points: every second from the end (closed), the middle of every three (open).
  const int added = closed ? 1 : 0;
  const std::size_t at = side < 0 ? static_cast<std::size_t>(added) : grid.size() - 1 - static_cast<std::size_t>(added);
  if (grid.size() < 12) return 0;
  const long double t = side * (1 - first - added * run.Spacing());
  return std::fabs(grid[at] - EndPolynomial(run, closed, side, t, closed ? 0 : 1, closed ? 2 : 3));
}

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

// Does the grid of the stage that extrapolated to an agreement confirm it? Agreeing
// extrapolations of a jump came out of trapezoid sums that a jump left unchanged stage
// after stage (six jumps of FLOOR($-3.203) over [0, 5.5] cancel in every sum from the
// 4,097-point one on, and gave -5.21802 for -5.218), by chance (IF($<3.282,0,1): 2.21622
// for 2.21789), or beside a kink on a grid point that the sums take exactly
// (($-2.75)*IF($<2.786,1,2): 3.78125 for 3.78060). The grid's largest second difference
// tells them from a smooth integrand wherever the jumps lie: it stays at half a jump
// beside one, stage after stage, falls with the spacing beside a kink (where a jump can
// lie unseen in the next cell), and with its square where f is smooth (to a quarter at
// each closed stage, a ninth at each open one). Inside the grid it must fall to below
// 0.4 (0.2 open) of the last stage's, next to the ends (where an integrable slope
// singularity falls by the root of the spacing: SQRT($) at 0) to below 0.85; or be so
// small that a jump of twice its size in one cell lies within a quarter of what the
// tolerance allows, or inside below half of what falls next to the ends. Between an end and the grid's first point (where the two sides of a
// jump meet at the end, $*IF($<0.01,1,2) from 0, the grid sees one side only) the
// ladders of integration_checks.h check f against the polynomial through the grid's
// points next to that end, beyond the slack of EndModelSlack. Extrapolations of 0 from
// values that cancel are judged by the even part of the grid (an odd integrand's wild
// middle adds nothing).
bool GridConfirms(const TRefinementRun& run, TPieceChecks& checks, TRefinement kind,
                  const TRefinementRun::TSecondDifferences& now, const TRefinementRun::TSecondDifferences& before,
                  const TShareLimit& limit) {
  constexpr long double kEndFall = 0.85L;
  const bool closed = kind == TRefinement::kClosed;
  const long double innerFall = closed ? 0.4L : 0.2L;
  const long double spacing = run.Spacing();
  const auto fellOrNegligible = [&](long double second, long double previous, long double fall) {
    return second <= fall * previous || second * spacing * limit.halfWidth <= limit.allowed / 4;
  };
  // An end singularity's differences reach inside, falling there as they do at the end
  // (a third of them one point further in for SQRT($) at 0), and a jump of half of them
  // lies within what the end itself leaves unknown.
  constexpr long double kInsideEndShare = 0.5L;
  if (!fellOrNegligible(now.ends, before.ends, kEndFall)) return false;
  if (!fellOrNegligible(now.inner, before.inner, innerFall) && !(now.inner <= kInsideEndShare * now.ends)) return false;
  long double largest = 0;
  for (const long double v : run.Grid()) largest = std::fmax(largest, std::fabs(v));
  const auto model = [&](long double t) { return EndPolynomial(run, closed, t < 0 ? -1 : 1, t); };
  return LadderConfirmed(checks, TLadder::kEnds, model, closed ? spacing : spacing / 2, largest, limit,
                         EndModelSlack(run, closed, 1), EndModelSlack(run, closed, -1));
}

// `retried`: the range is integrated again with 1/x tails if this piece fails; `values`:
// what the pieces of the attempt saw.
long double RombergRule(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece,
                        TRefinement kind, bool retried, TRangeValues& values, int depth = 0) {
  constexpr int kZeroSearchPoints = 2048;
  const TUnderflowWatch underflow;
  const int stages = kind == TRefinement::kClosed ? kClosedStages : kOpenStages;
  const long double shrink = kind == TRefinement::kClosed ? 4 : 9;
  long double h[kClosedStages + 2];
  long double s[kClosedStages + 2];
  TRefinementRun run(ctx, f, piece, kind);
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  TPieceChecks checks(ctx, f, piece, (u1 + u2) / 2, (u2 - u1) / 2);
  long double ss = 0;
  long double dss = 0;
  bool converged = false;
  bool noise = false;  // the last two extrapolations lay within the rounding of the values
  bool searched = false;
  // The grid's largest half second differences (of f, and of its even part), this stage
  // and the last.
  TRefinementRun::TSecondDifferences second;
  TRefinementRun::TSecondDifferences previousSecond;
  TRefinementRun::TSecondDifferences even;
  TRefinementRun::TSecondDifferences previousEven;
  h[1] = 1;
  for (int j = 1; j <= stages && !converged; ++j) {
    if (!run.Stage(j, s[j])) {
      ctx.SetError(kErrIntegralSingularity);
      rec.IntegFailed = 1;
      return 0;
    }
    // A sum that is not a number (a value of NaN or infinity) stays so at every stage.
    if (!std::isfinite(s[j])) {
      ss = s[j];
      break;
    }
    previousSecond = second;
    previousEven = even;
    second = run.LargestSecondDifferences(false);
    even = run.LargestSecondDifferences(true);
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
      // Values that all vanished in underflow are no zero (EXP(-(x - 0.3)^2 1E8) over
      // [-1, 1] underflows at every point up to the 129-point grid): the piece is looked at
      // on a finer scale once; with nothing there its 0 is left to the range (the range
      // that is integrated again with tails fails), else the stages go on until the grid
      // meets the values.
      if (converged && !run.AnyValue() && underflow.Raised()) {
        converged = false;
        if (!searched && !ValueFoundAtFinerSpacing(ctx, f, piece, kZeroSearchPoints)) {
          values.vanished = true;
          if (retried) break;
          return 0;
        }
        searched = true;
      }
      if (converged) {
        const bool cancelled = ss == 0 && run.AnyValue();
        const long double scale = ss == 0 || noise ? run.Magnitude() : std::fabs(ss);
        const TShareLimit limit{rec.IntegTolerance * scale / 2, std::fabs(u2 - u1) / 2, cancelled};
        converged = cancelled ? GridConfirms(run, checks, kind, even, previousEven, limit)
                              : GridConfirms(run, checks, kind, second, previousSecond, limit);
      }
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
        converged = HalvesCancel(rec, [&](bool upper) {
          TRangeValues half;
          return RombergRule(ctx, rec, f, upper ? UpperHalf(piece) : LowerHalf(piece), kind, false, half, depth + 1);
        });
    } else {
      converged = kind == TRefinement::kClosed && !retried;
    }
  }
  values.seen = values.seen || run.AnyValue();
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
  TRangeValues values;
  const long double r = SumPieces(
      ctx, count, [&](int i) { return RombergRule(ctx, rec, f, parts[i].piece, parts[i].kind, retried, values); });
  values.Judge(ctx, rec);
  return r;
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
