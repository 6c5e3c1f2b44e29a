// The tanh-sinh rule (Takahasi and Mori's double-exponential transformation, 1974): with
// x = c + d tanh(pi/2 sinh t) the integrand's values near the ends are weighted by factors
// that fall off doubly exponentially, so a trapezoid sum in t converges fast even when f
// has an integrable singularity at an end (LN(x) or 1/SQRT(x) at 0), where the error of
// the polynomial rules is not a series in the step and their estimates mislead.
//
// The step is halved level by level (each level adds the odd points only), and a level is
// accepted when it agrees with the one before to the tolerance: the error of a level is
// about the square of the one before, so the difference bounds the error of the earlier
// level and the accepted sum is better than that. The distance of a point from its end is
// computed directly (2d / (exp(2u) + 1)), not as the difference of two nearly equal
// numbers; a point that lies on the end in long double adds nothing.
//
// The rule sees the range only out to |t| = 4.5, about 1e-61 of the width from an end
// at 0 and nearer no end than its own rounding; what lies beyond is left out. That is
// negligible only when the weighted values fall off fast enough toward the outermost
// points: for 1/x over [0, 1] they do not fall at all and what is left out diverges, for
// x^-0.9 it is 7e-7 of the integral, and over [0, 1e300] the points keep 1e238 away from
// 0 where 1/(SQRT(x)(1 + x)) has all its mass. So a sum stands only when a bound on what
// lies beyond, taken from the fall of the two outermost values on each side, lies within
// the tolerance of it; and a sum of values that were all 0 never does (the mass lies
// where no point was). Infinite limits, and wide ranges that fail directly, are integrated
// through x = 1/u like the other engines; the end u = 0 is never evaluated.
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "expr/integration_pieces.h"

namespace {

constexpr int kLevels = 10;           // step 1/512 at the last level, about 4,600 points
constexpr long double kHalfRange = 4.5L;  // t in [-4.5, 4.5]: weights below 1e-60 beyond

struct TSinhPoint {
  long double fromEnd;  // distance of x from the nearer end (on the side of t's sign)
  long double weight;   // dx/dt
};

TSinhPoint Point(long double t, long double d) {
  constexpr long double kHalfPi = std::numbers::pi_v<long double> / 2;
  const long double u = kHalfPi * std::sinh(std::fabs(t));
  const long double e = std::exp(-2 * u);  // 0 far out: then the point adds nothing
  const long double fromEnd = 2 * d * e / (1 + e);
  const long double sech = 2 * std::exp(-u) / (1 + e);  // 1 / cosh(u)
  return {fromEnd, d * kHalfPi * std::cosh(t) * sech * sech};
}

// The largest half second difference |g(k - 1) - 2 g(k) + g(k + 1)| / 2 of values in order.
long double LargestSecondDifference(const std::vector<long double>& g) {
  long double largest = 0;
  for (std::size_t i = 1; i + 1 < g.size(); ++i) largest = std::fmax(largest, std::fabs(g[i - 1] - 2 * g[i] + g[i + 1]) / 2);
  return largest;
}

// One piece in its own variable u.
long double TanhSinhPiece(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const long double d = (u2 - u1) / 2;
  const long double tol = rec.IntegTolerance;
  bool singular = false;  // f failed at a point
  bool anyValue = false;
  // The point at t, or false when it lies on an end (or its weight is 0).
  auto at = [&](long double t, long double& x, long double& weight) {
    const TSinhPoint p = Point(t, d);
    x = t < 0 ? u1 + p.fromEnd : u2 - p.fromEnd;
    weight = p.weight;
    return weight != 0 && x > u1 && x < u2;
  };
  // f at the point t, weighted; 0 for a point on an end.
  auto term = [&](long double t) -> long double {
    long double x = 0;
    long double weight = 0;
    if (!at(t, x, weight)) return 0;
    long double v = 0;
    if (!PieceValueChecked(ctx, f, piece, x, v)) singular = true;
    anyValue = anyValue || v != 0;
    return v * weight;
  };
  // What the points beyond the outermost one off the end (on the side of `sign`) would
  // add at the step h: the weighted values there fall off at least as fast as from the
  // point before to the outermost one (ratio r), so their sum is at most h w r / (1 - r)
  // for the outermost value w; without a fall there is no bound.
  auto beyond = [&](long double h, long double sign) -> long double {
    long double x = 0;
    long double weight = 0;
    for (long double t = std::floor(kHalfRange / h) * h; t > h; t -= h) {
      if (!at(sign * t, x, weight)) continue;
      const long double outer = std::fabs(term(sign * t));
      const long double inner = std::fabs(term(sign * (t - h)));
      if (outer == 0) return 0;
      if (!(outer < inner)) return INFINITY;
      const long double r = outer / inner;
      return h * outer * r / (1 - r);
    }
    return 0;
  };
  // The weighted values at t = k h in order, k = -K .. K, of the latest level.
  std::vector<long double> grid;
  std::vector<long double> next;
  long double h = 1;
  long double sum = term(0);
  for (long double t = h; t <= kHalfRange; t += h) sum += term(t) + term(-t);
  const auto reach = [](long double step) { return static_cast<int>(std::floor(kHalfRange / step)); };
  for (int k = -reach(h); k <= reach(h); ++k) grid.push_back(term(k * h));
  long double second = LargestSecondDifference(grid);
  long double previous = sum * h;
  for (int level = 1; level <= kLevels && !singular && ctx.abortCode == 0; ++level) {
    h /= 2;
    const int before = reach(2 * h);
    const int now = reach(h);
    next.assign(static_cast<std::size_t>(2 * now + 1), 0);
    for (int k = -before; k <= before; ++k) next[static_cast<std::size_t>(2 * k + now)] = grid[static_cast<std::size_t>(k + before)];
    int k = 1;
    for (long double t = h; t <= kHalfRange; t += 2 * h, k += 2) {
      const long double up = term(t);
      const long double down = term(-t);
      sum += up + down;
      next[static_cast<std::size_t>(now + k)] = up;
      next[static_cast<std::size_t>(now - k)] = down;
    }
    std::swap(grid, next);
    const long double previousSecond = second;
    second = LargestSecondDifference(grid);
    const long double s = sum * h;
    const long double change = std::fabs(s - previous);
    if (!std::isfinite(s)) break;
    if (level >= 3 && change <= tol * std::fabs(s) && s != 0) {
      if (!anyValue || !(beyond(h, 1) + beyond(h, -1) <= tol * std::fabs(s)) || singular) break;
      // Two levels agree also where a jump (or several, FLOOR($-5.266) over [0, 5.5] gave
      // -16.5 for -16.595) left the sums alike; the second differences of the weighted
      // values tell: beside a jump they stay at half of it, level after level, while
      // they fall with the square of the step where f is smooth. They must fall below
      // 0.4 of the last level's, or stay so small that a jump of twice their size in one
      // step lies within an eighth of the tolerance.
      constexpr long double kFall = 0.4L;
      if (second <= kFall * previousSecond || second * h <= tol * std::fabs(s) / 8) {
        rec.IntegErrorEstimate += change / std::fabs(s);
        return s;
      }
    }
    previous = s;
  }
  rec.IntegFailed = 1;
  rec.IntegErrorEstimate += 1;
  ctx.SetError(singular ? kErrIntegralSingularity : kErrIntegralConvergence);
  return previous;
}

}  // namespace

long double IntegrateTanhSinh(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                              long double tol) {
  const long double r =
      IntegrateWithRetry(ctx, rec, a, b, tol, [&](long double lo, long double hi, bool lowTail, bool highTail) {
        if (lo == hi) return 0.0L;
        const TIntegPieces pieces = SplitIntegRange(lo, hi, lowTail, highTail);
        return SumPieces(ctx, pieces.count, [&](int i) { return TanhSinhPiece(ctx, rec, f, pieces.piece[i]); });
      });
  return FiniteIntegral(ctx, rec, r);
}
