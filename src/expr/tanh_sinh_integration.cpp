// The tanh-sinh rule (Takahasi and Mori's double-exponential transformation, 1974): with
// x = c + d tanh(pi/2 sinh t) the integrand's values near the ends are weighted by factors
// that fall off doubly exponentially, so a trapezoid sum in t converges fast even when f
// has an integrable singularity at an end (LN(x) or 1/SQRT(x) at 0), where the error of
// the polynomial rules is not a series in the step and their estimates mislead.
//
// The step is halved level by level (each level adds the odd points only), and a level is
// accepted when it agrees with the one before to the tolerance and its new values lie on
// the curve through the old ones (UnresolvedMass): the error of a level is then about the
// square of the one before, so the difference bounds the error of the earlier level and
// the accepted sum is better than that. The distance of a point from its end is
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
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "expr/integration_pieces.h"

namespace {

constexpr int kLevels = 10;           // step 1/1024 at the last level, about 9,200 points
constexpr long double kHalfRange = 4.5L;  // t in [-4.5, 4.5]: weights below 1e-60 beyond
constexpr int kFinestSteps = 1 << kLevels;  // points of the last level per unit of t
constexpr int kFinestReach = 4608;          // kHalfRange * kFinestSteps
static_assert(kFinestReach == static_cast<int>(kHalfRange * kFinestSteps));

struct TSinhPoint {
  long double fromEnd;  // distance of x from the nearer end (on the side of t's sign)
  long double weight;   // dx/dt
};

// The points' distances from their end and weights for a half-width of 1, at every t of
// the last level, 0 .. 4.5, computed once: four exponentials a point were most of the
// rule's cost where f is cheap.
class TSinhPoints {
 public:
  TSinhPoints() {
    constexpr long double kHalfPi = std::numbers::pi_v<long double> / 2;
    for (int k = 0; k <= kFinestReach; ++k) {
      const long double t = static_cast<long double>(k) / kFinestSteps;
      const long double u = kHalfPi * std::sinh(t);
      const long double e = std::exp(-2 * u);  // 0 far out: then the point adds nothing
      const long double sech = 2 * std::exp(-u) / (1 + e);  // 1 / cosh(u)
      unit_[static_cast<std::size_t>(k)] = {2 * e / (1 + e), kHalfPi * std::cosh(t) * sech * sech};
    }
  }
  // The point at t (a multiple of the last level's step, |t| <= 4.5) for half-width d.
  TSinhPoint At(long double t, long double d) const {
    const TSinhPoint& p = unit_[static_cast<std::size_t>(std::fabs(t) * kFinestSteps)];
    return {d * p.fromEnd, d * p.weight};
  }

 private:
  std::array<TSinhPoint, kFinestReach + 1> unit_;
};

TSinhPoint Point(long double t, long double d) {
  static const TSinhPoints points;
  return points.At(t, d);
}

// Lagrange weights of the value at 0 of the polynomial through the points 2i - 1 and
// -(2i - 1), i = 1 .. m (the midpoint between two points of a grid, through m of them on
// either side); `weight`[m][i - 1] is that of the points at +-(2i - 1), alike by symmetry.
constexpr int kModelHalf = 16;
struct TMidpointWeights {
  long double weight[kModelHalf + 1][kModelHalf] = {};
  TMidpointWeights() {
    for (int m = 1; m <= kModelHalf; ++m) {
      for (int i = 1; i <= m; ++i) {
        const long double xi = 2 * i - 1;
        long double w = 1;
        for (int j = -m; j <= m; ++j) {
          if (j == 0) continue;
          const long double xj = j > 0 ? 2 * j - 1 : 2 * j + 1;
          if (xj != xi) w *= -xj / (xi - xj);
        }
        weight[m][i - 1] = w;
      }
    }
  }
};

// What a feature the rule does not resolve could still hide from the sum of the latest
// level: the trapezoid sum of a smooth g converges double-exponentially, but beside a kink,
// a cusp or a jump of f (anywhere inside the range, as of g) its error is of the order of
// the step times how far g leaves a smooth curve there, and two successive levels can agree
// by chance while both are off (SQRT(ABS($-0.37)) over [-0.697, 3.724] agreed to 5e-9 with
// an error of 3.4e-6). So each new value of the level, at an odd k, is held against the
// polynomial through up to 32 values of the level before around it (as many on either side
// as the grid has, up to 16), and the deviations times the step are added up. For a kink,
// a cusp |x - c|^p (0 < p < 1), a logarithmic singularity or a jump, wherever it lies
// between the points, the error of the sum is at most 0.94 of that (0.16 for a kink, 0.38
// for a square root, 0.81 for p = 0.1, 0.61 for a jump); for a smooth g it falls about as
// fast as the sums' changes do. `g` holds the values at k = -K .. K in order.
long double UnresolvedMass(const std::vector<long double>& g, long double h) {
  static const TMidpointWeights weights;
  const int count = static_cast<int>(g.size());
  long double sum = 0;
  for (int at = 1; at < count; at += 2) {
    const int m = std::min({kModelHalf, (at + 1) / 2, (count - at) / 2});
    if (m < 1) continue;
    long double model = 0;
    for (int i = 1; i <= m; ++i) {
      const std::size_t below = static_cast<std::size_t>(at - (2 * i - 1));
      const std::size_t above = static_cast<std::size_t>(at + (2 * i - 1));
      model += weights.weight[m][i - 1] * (g[below] + g[above]);
    }
    sum += std::fabs(g[static_cast<std::size_t>(at)] - model);
  }
  return sum * h;
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
    const long double s = sum * h;
    const long double change = std::fabs(s - previous);
    if (!std::isfinite(s)) break;
    if (level >= 3 && change <= tol * std::fabs(s) && s != 0) {
      if (!anyValue || !(beyond(h, 1) + beyond(h, -1) <= tol * std::fabs(s)) || singular) break;
      // Two levels agree also where a jump (FLOOR($-5.266) over [0, 5.5] gave -16.5 for
      // -16.595), a kink or a cusp left the sums alike by chance: the sum stands only where
      // what the level does not resolve lies within half the tolerance.
      if (UnresolvedMass(grid, h) <= tol * std::fabs(s) / 2) {
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
