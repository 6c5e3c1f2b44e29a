// The double integral over a rectangle, confirmed over the whole rectangle.
//
// A nested integral takes f(x, .) at its outer rule's points only, and its estimate is its
// inner integrals' and its outer sums' changes: a ridge or a peak that lies between the
// outer points (or between every inner point) is missed by every order alike, the sums
// agree without it, and the estimate says nothing of it. Z=1+5*EXP(-((X-6.37)/0.05)^2)+0.1*Y
// over [0, 10] x [0, 2] gave 22 with an estimate of 1e-19 for 22.886; a peak 0.01 wide in
// [0, 10]^2 gave 4.5e-69 for 0.00157.
//
// So the surface is also sampled over the whole rectangle, by the product of the 7-point
// Gauss and 15-point Kronrod rules (Kronrod, 1965; the pair of Piessens et al.'s
// QUADPACK) on 8 x 8 cells: a value at least every 1/120 of each side, each cell's two
// rules told apart in either direction (the Kronrod sum against the Gauss rule in x with
// the Kronrod rule in y, and the other way round). The nested answer stands where these
// cells' sum agrees with it and their rules agree among themselves. Elsewhere the cells
// are integrated adaptively over the whole rectangle (the globally adaptive scheme of
// Berntsen, Espelid and Genz: the cell with the largest estimate is halved first), each
// halved across the axis along which its rules differ most, so a ridge is followed along
// its width only; a cell's estimate is the difference of its Kronrod and Gauss sums, an
// estimate of the Gauss sum's error that bounds the Kronrod sum's many times over, and the
// estimates of all cells, the outer integration's own included, add up to the estimate
// of the integral. The nested answer still stands where the adaptive one confirms it to
// the tolerance, so a right answer keeps its digits.
//
// The cells' answer replaces a converged nested one only where the nested rule is shown
// to have missed something (the cells met values beyond any it met, or the two differ by
// a hundred tolerances), and only once a second partition of the rectangle, 7 x 7 cells
// whose edges lie nowhere on the first's, agrees with it; a cell whose estimate does not
// fall on halving as over a smooth surface counts its estimate 64 times; and the strips
// between the rectangle's edges and the cells' outermost nodes are checked against the
// cells' lines of values extrapolated there. Where the two answers disagree and neither is
// shown wrong, the integral fails.
//
// A feature narrower than the cells' spacing (about 1/500 of a side on a baseline, 1/1000
// alone, where its tails show) whose values are nowhere seen cannot be found by any rule
// that does not know where it is; one whose values show anywhere is climbed by the halving.
#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <queue>
#include <utility>
#include <vector>

#include "expr/integration.h"
#include "expr/integration_pieces.h"

namespace {

// The 15-point Kronrod rule and the 7-point Gauss rule it extends on [-1, 1], by the
// distance of the node from the middle; the Gauss rule has a weight at every other node
// (mpmath at 60 digits: the Legendre roots, the roots of the Stieltjes polynomial of
// degree 8, and weights exact to degree 14).
constexpr int kHalfNodes = 8;
constexpr std::array<long double, kHalfNodes> kNodeDistance = {
    0.0L,
    0.207784955007898467600689403773244913L,
    0.405845151377397166906606412076961463L,
    0.586087235467691130294144838258729598L,
    0.741531185599394439863864773280788407L,
    0.864864423359769072789712788640926201L,
    0.949107912342758524526189684047851262L,
    0.991455371120812639206854697526328517L,
};
constexpr std::array<long double, kHalfNodes> kKronrodWeight = {
    0.209482141084727828012999174891714264L, 0.204432940075298892414161999234649085L,
    0.190350578064785409913256402421013683L, 0.169004726639267902826583426598550284L,
    0.140653259715525918745189590510237920L, 0.104790010322250183839876322541518017L,
    0.063092092629978553290700663189204287L, 0.022935322010529224963732008058969592L,
};
constexpr std::array<long double, kHalfNodes> kGaussWeight = {
    0.417959183673469387755102040816326531L, 0, 0.381830050505118944950369775488975134L, 0,
    0.279705391489276667901467771423779582L, 0, 0.129484966168869693270611432679082018L, 0,
};
constexpr int kNodes = 2 * kHalfNodes - 1;

struct TRuleNodes {
  std::array<long double, kNodes> t{};
  std::array<long double, kNodes> kronrod{};
  std::array<long double, kNodes> gauss{};
};
constexpr TRuleNodes MakeRuleNodes() {
  TRuleNodes r;
  for (int k = 0; k < kNodes; ++k) {
    const int d = k < kHalfNodes - 1 ? kHalfNodes - 1 - k : k - (kHalfNodes - 1);
    const std::size_t at = static_cast<std::size_t>(k);
    const std::size_t from = static_cast<std::size_t>(d);
    r.t[at] = k < kHalfNodes - 1 ? -kNodeDistance[from] : kNodeDistance[from];
    r.kronrod[at] = kKronrodWeight[from];
    r.gauss[at] = kGaussWeight[from];
  }
  return r;
}
constexpr TRuleNodes kRule = MakeRuleNodes();

// The cells of the first sampling per side, and of the second partition that confirms an
// answer of the cells: no edge of the one lies on an edge of the other but the rectangle's,
// so a jump or a kink hidden between a cell's outermost points and its edge (where its
// rules see nothing) lies inside a cell of the other, and a place inside a cell where
// its two rules agree by chance lies elsewhere in the other's.
// The first partition's inner edges are moved by the golden section's smaller part of a
// cell, so that its edges (and the corners where four cells meet, which no rule sees) lie
// at none of the simple fractions of the sides where a user's peak sits: the middle, the
// quarters, the eighths. The second's middle cell has its middle node at the rectangle's.
constexpr int kFirstCells = 8;
constexpr long double kFirstOffset = 0.381966011250105151795L;
constexpr int kConfirmingCells = 7;
// Where each partition's halves keep the feature they are cut beside: at the middle of a
// half (SplitPoint).
constexpr long double kFirstFeatureNode = 0;
constexpr long double kConfirmingFeatureNode = 0;
// Values one adaptive integration may take (some 5,000 cells): a divergent
// integrand, or one that is noise, ends there with -100.
constexpr std::int64_t kAdaptiveValues = 1'200'000;
// Estimates within this many roundings of the integral of |f| are rounding noise: no
// finer cells can lower them.
constexpr long double kRoundingNoise = 1024 * 0x1p-63L;

// The lowest and highest values an integration met.
struct TSeen {
  long double lo = INFINITY, hi = -INFINITY;
  void Add(long double v) {
    if (!std::isfinite(v)) return;
    lo = std::fmin(lo, v);
    hi = std::fmax(hi, v);
  }
  // Did `other` meet a value beyond this range by more than a twentieth of it (anything
  // beyond, where this met one value only)? Two samplings of one surface, dense enough to
  // integrate it, meet nearly the same extremes; a feature that one of them stepped over
  // shows there.
  bool Exceeded(const TSeen& other) const {
    constexpr long double kMargin = 0.05L;
    if (!(other.hi >= other.lo)) return false;
    if (!(hi >= lo)) return true;
    const long double margin = kMargin * (hi - lo);
    return other.hi > hi + margin || other.lo < lo - margin;
  }
};

// Over a smooth surface the 7-point Gauss rule's error falls by some 2^14 when a cell is
// halved; where the halves' estimates add up to more than 1/kFall of their parent's, the
// halves are rough.
constexpr long double kFall = 16;
constexpr long double kRough = 64;

struct TCell {
  long double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  long double value = 0;      // the product Kronrod sum
  long double errorX = 0;     // |Kronrod - Gauss in x with Kronrod in y|
  long double errorY = 0;     // the same across y
  long double magnitude = 0;  // the Kronrod sum of |f|
  bool vanished = false;      // every value vanished in underflow
  // Where to halve the cell across x (y): the place of its sharpest feature kept at a node
  // of a half (see SplitPoint).
  long double splitX = 0, splitY = 0;
  // Halving its parent did not lower the estimate the way it does over a smooth surface:
  // the cell holds a kink, a cusp or a jump, about which its two rules can agree far too
  // well (|x|^0.1 took estimates of a twentieth of their errors), and its estimate counts
  // kRough times.
  bool rough = false;

  long double Error() const { return (errorX + errorY) * (rough ? kRough : 1); }
};

// The strip between a cell's outermost nodes and its edge (in the rule's variable), and the
// rungs of the ladder that looks into it from the rectangle's edges: points kStrip 4^-k in
// from the edge, k = 1 .. kRungs (down to some 1e-7 of the half-width), never the edge
// itself, where f may have no value.
constexpr long double kStrip = 1 - kNodeDistance[kHalfNodes - 1];
constexpr int kRungs = 9;
long double RungDistance(int k) { return k == 0 ? 0 : std::ldexp(kStrip, -2 * k); }

// Lagrange's coefficients of the polynomial through the 15 nodes at the edges (rung 0) and
// at each rung, from the low edge (t = -1 + distance) and from the high one: the values a
// cell's lines of values extrapolate to there.
struct TRungCoefficients {
  std::array<std::array<long double, kNodes>, kRungs + 1> low{}, high{};
};
TRungCoefficients MakeRungCoefficients() {
  TRungCoefficients c;
  for (int k = 0; k <= kRungs; ++k) {
    const long double e = RungDistance(k);
    for (std::size_t i = 0; i < kNodes; ++i) {
      long double low = 1, high = 1;
      for (std::size_t m = 0; m < kNodes; ++m) {
        if (m == i) continue;
        low *= (-1 + e - kRule.t[m]) / (kRule.t[i] - kRule.t[m]);
        high *= (1 - e - kRule.t[m]) / (kRule.t[i] - kRule.t[m]);
      }
      c.low[static_cast<std::size_t>(k)][i] = low;
      c.high[static_cast<std::size_t>(k)][i] = high;
    }
  }
  return c;
}
const TRungCoefficients& RungCoefficients() {
  static const TRungCoefficients coefficients = MakeRungCoefficients();
  return coefficients;
}

// Where a cell [c - h, c + h] is halved across one axis, from the sums of its 15 lines of
// values across that axis. Halved in the middle, a cell loses what its middle line saw (the
// line lies on the halves' common edge, where neither half takes a value), and a peak
// narrower than the spacing of the lines, seen by one line only, is lost by both halves
// (a peak 0.01 wide at the middle of a cell gave 7.7e-9 less than the integral). So the
// cell is cut where the line whose value departs most from its neighbours' (the sharpest
// feature across the axis) lies at `node` (a distance from the middle, in the half's own
// variable) of the half that holds it, on the side of the cut; at the middle of that half
// for `node` 0 (and then the middle line at the second Gauss node of the lower half).
long double SplitPoint(long double c, long double h, const std::array<long double, kNodes>& lines, long double node) {
  std::size_t sharpest = kHalfNodes - 1;
  long double largest = -1;
  for (std::size_t i = 1; i + 1 < kNodes; ++i) {
    const long double departure = std::fabs(2 * lines[i] - lines[i - 1] - lines[i + 1]);
    if (departure > largest) {
      largest = departure;
      sharpest = i;
    }
  }
  if (!(largest > 0)) return c;
  const long double t = kRule.t[sharpest];
  if (t == 0 && node == 0) node = kNodeDistance[2];
  if (t > 0) return c + h * (2 * t - 1 + node) / (1 + node);
  return c - h * (-2 * t - 1 + node) / (1 + node);
}

// The product rules on cells; false from Integrate where f fails at a point (retried once,
// nudged off it, as the fixed-order Gauss rule does) or gives no number, or the
// evaluation was stopped.
class TCellRule {
 public:
  // `featureNode`: where a half keeps the feature its parent is cut beside (SplitPoint).
  TCellRule(ExprContext& ctx, TIntegrand2 f, long double featureNode)
      : ctx_(ctx), f_(f), featureNode_(featureNode) {}

  // `bounds`: the rectangle integrated. A cell's rules take no value between its outermost
  // nodes and its edges, where a kink or a jump is seen by neither of two cells that meet
  // there (|x - 1.865| turned 0.002 from an edge that halving had put there, and the cells
  // took 1.2e-8 less than the integral with an estimate of 7e-20). So each line of values
  // across an edge is checked against what it extrapolates to: on an edge between cells at
  // the edge itself, where a kink or a jump in the strip departs from the line by as much
  // as the strip could hold per unit of its width; on the rectangle's edges, where f may
  // have no value, on a ladder of rungs in the strip, a rung off by d standing for d times
  // the gap to the rung outside it, as much as a jump there could hide ($-3.723 turning at
  // 0.001 from the end of [-0.697, 3.724], $*IF($<0.001,1,2) from 0). A point where f has
  // no value is left out.
  bool Integrate(TCell& cell, const TCell& bounds) {
    const long double cx = cell.x0 / 2 + cell.x1 / 2, hx = cell.x1 / 2 - cell.x0 / 2;
    const long double cy = cell.y0 / 2 + cell.y1 / 2, hy = cell.y1 / 2 - cell.y0 / 2;
    const TUnderflowWatch underflow;
    std::array<std::array<long double, kNodes>, kNodes> values{};
    long double kk = 0, gk = 0, kg = 0, magnitude = 0;
    std::array<long double, kNodes> columns{}, rows{};
    bool anyValue = false;
    for (std::size_t i = 0; i < kNodes; ++i) {
      const long double x = cx + hx * kRule.t[i];
      long double columnK = 0, columnG = 0, columnAbs = 0;
      for (std::size_t j = 0; j < kNodes; ++j) {
        long double& v = values[i][j];
        if (!Value(x, cy + hy * kRule.t[j], v)) return false;
        anyValue = anyValue || v != 0;
        columnK += kRule.kronrod[j] * v;
        columnG += kRule.gauss[j] * v;
        columnAbs += kRule.kronrod[j] * std::fabs(v);
        rows[j] += kRule.kronrod[i] * v;
      }
      columns[i] = columnK;
      kk += kRule.kronrod[i] * columnK;
      gk += kRule.gauss[i] * columnK;
      kg += kRule.kronrod[i] * columnG;
      magnitude += kRule.kronrod[i] * columnAbs;
    }
    evaluations_ += kNodes * kNodes;
    // The strips beside the rectangle's edges.
    const TRungCoefficients& rung = RungCoefficients();
    long double stripX = 0, stripY = 0;
    const auto ladder = [&](bool acrossX, bool high, bool boundary, long double& strip) {
      const auto& coefficients = high ? rung.high : rung.low;
      const int first = boundary ? 1 : 0, last = boundary ? kRungs : 0;
      for (std::size_t line = 0; line < kNodes; ++line) {
        long double outside = kStrip;  // the distance of the point outside the rung
        for (int k = first; k <= last; ++k) {
          const long double e = RungDistance(k);
          const long double t = high ? 1 - e : -1 + e;
          const long double at = k == 0 ? (acrossX ? (high ? cell.x1 : cell.x0) : (high ? cell.y1 : cell.y0))
                                        : acrossX ? cx + hx * t : cy + hy * t;
          long double v = 0;
          const bool ok = acrossX ? CheckValue(at, cy + hy * kRule.t[line], v)
                                  : CheckValue(cx + hx * kRule.t[line], at, v);
          if (Stopped()) return false;
          if (ok) {
            long double model = 0;
            for (std::size_t i = 0; i < kNodes; ++i)
              model += coefficients[static_cast<std::size_t>(k)][i] * (acrossX ? values[i][line] : values[line][i]);
            strip += kRule.kronrod[line] * std::fabs(v - model) * (outside - e);
          }
          outside = e;
        }
      }
      evaluations_ += kNodes * (last - first + 1);
      return true;
    };
    for (const bool high : {false, true}) {
      const bool boundaryX = high ? cell.x1 == bounds.x1 : cell.x0 == bounds.x0;
      const bool boundaryY = high ? cell.y1 == bounds.y1 : cell.y0 == bounds.y0;
      if (!ladder(true, high, boundaryX, stripX) || !ladder(false, high, boundaryY, stripY)) return false;
    }
    const long double area = hx * hy;
    cell.value = kk * area;
    cell.errorX = (std::fabs(kk - gk) + stripX) * area;
    cell.errorY = (std::fabs(kk - kg) + stripY) * area;
    cell.magnitude = magnitude * area;
    cell.vanished = !anyValue && underflow.Raised();
    cell.splitX = SplitPoint(cx, hx, columns, featureNode_);
    cell.splitY = SplitPoint(cy, hy, rows, featureNode_);
    return std::isfinite(cell.value) && std::isfinite(cell.Error()) && std::isfinite(cell.magnitude);
  }

  std::int64_t Evaluations() const { return evaluations_; }
  const TSeen& Seen() const { return seen_; }
  bool Singular() const { return singular_; }
  bool Stopped() const { return ctx_.stopped || ctx_.abortCode != 0; }

 private:
  // f at a point of a check: false where it has no value there, without failing the cell.
  bool CheckValue(long double x, long double y, long double& v) {
    ctx_.ExprMathError = 0;
    v = f_(x, y);
    const bool ok = ctx_.ExprMathError == 0 && std::isfinite(v);
    ctx_.ExprMathError = 0;
    if (ok) seen_.Add(v);
    return ok;
  }

  bool Value(long double x, long double y, long double& v) {
    ctx_.ExprMathError = 0;
    v = f_(x, y);
    if (ctx_.ExprMathError != 0 && !Stopped()) {
      ctx_.ExprMathError = 0;
      v = f_(x == 0 ? 1e-30L : x * (1 + 1e-12L), y == 0 ? 1e-30L : y * (1 + 1e-12L));
    }
    if (Stopped()) return false;
    if (ctx_.ExprMathError != 0) {
      ctx_.ExprMathError = 0;
      singular_ = true;
      return false;
    }
    seen_.Add(v);
    return std::isfinite(v);
  }

  ExprContext& ctx_;
  TIntegrand2 f_;
  long double featureNode_;
  std::int64_t evaluations_ = 0;
  bool singular_ = false;
  TSeen seen_;
};

struct TCellsOutcome {
  long double value = 0;
  long double error = 0;      // absolute
  long double magnitude = 0;  // the integral of |f|
  bool converged = false;
  bool failed = false;  // f failed at a point, gave no number, or the evaluation was stopped
  bool vanished = false;  // every value of every cell vanished in underflow

  // The estimate relative to the integral (or, for an integral of rounding noise, to the
  // rounding of |f|'s).
  long double Relative() const {
    const long double scale = std::fmax(std::fabs(value), kRoundingNoise * magnitude);
    return error == 0 ? 0 : scale > 0 ? error / scale : INFINITY;
  }
};

TCellsOutcome Sum(const std::vector<TCell>& cells) {
  TCellsOutcome out;
  out.vanished = true;
  for (const TCell& c : cells) {
    out.value += c.value;
    out.error += c.Error();
    out.magnitude += c.magnitude;
    out.vanished = out.vanished && c.vanished;
  }
  return out;
}

bool WithinTolerance(const TCellsOutcome& o, long double tol) {
  return o.error <= tol * std::fabs(o.value) || o.error <= kRoundingNoise * o.magnitude;
}

// The rectangle as n x n cells, their inner edges moved down by `offset` of a cell.
bool FirstCells(TCellRule& rule, int n, long double offset, long double x1, long double x2, long double y1,
                long double y2, std::vector<TCell>& cells) {
  cells.clear();
  cells.reserve(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  const auto edge = [n, offset](long double a, long double b, int k) {
    return k == 0 ? a : k == n ? b : a + (b - a) * (k - offset) / n;
  };
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      TCell c{edge(x1, x2, i), edge(x1, x2, i + 1), edge(y1, y2, j), edge(y1, y2, j + 1)};
      if (!rule.Integrate(c, TCell{x1, x2, y1, y2})) return false;
      cells.push_back(c);
    }
  return true;
}

// Can [a, b] be halved into two intervals each wider than the rounding of its ends?
bool Halvable(long double a, long double b) {
  const long double m = a / 2 + b / 2;
  return m > a && m < b && (b - a) > 64 * 0x1p-63L * std::fmax(std::fabs(a), std::fabs(b));
}

// The cells halved, the one with the largest estimate first, until the estimates add up to
// the tolerance (or to rounding noise), the budget is spent, or the worst cell can no
// longer be halved.
TCellsOutcome Refine(TCellRule& rule, std::vector<TCell>& cells, const TCell& bounds, long double tol) {
  const std::int64_t budget = rule.Evaluations() + kAdaptiveValues;
  using TEntry = std::pair<long double, std::size_t>;
  std::priority_queue<TEntry> worst;
  for (std::size_t k = 0; k < cells.size(); ++k) worst.push({cells[k].Error(), k});
  TCellsOutcome running = Sum(cells);
  for (;;) {
    if (WithinTolerance(running, tol)) {
      running = Sum(cells);  // the running sums drift by their roundings
      if (WithinTolerance(running, tol)) {
        running.converged = true;
        return running;
      }
    }
    if (rule.Evaluations() >= budget || worst.empty()) return running;
    const std::size_t k = worst.top().second;
    worst.pop();
    const TCell parent = cells[k];
    const bool acrossX = parent.errorX >= parent.errorY;
    const long double a = acrossX ? parent.x0 : parent.y0, b = acrossX ? parent.x1 : parent.y1;
    long double cut = acrossX ? parent.splitX : parent.splitY;
    if (!(cut > a && cut < b) || !Halvable(a, cut) || !Halvable(cut, b)) cut = a / 2 + b / 2;
    if (!Halvable(a, b)) return running;
    TCell low = parent, high = parent;
    if (acrossX) {
      low.x1 = high.x0 = cut;
    } else {
      low.y1 = high.y0 = cut;
    }
    if (!rule.Integrate(low, bounds) || !rule.Integrate(high, bounds)) {
      running.failed = true;
      return running;
    }
    const long double raw = parent.errorX + parent.errorY;
    low.rough = high.rough = low.errorX + low.errorY + high.errorX + high.errorY > raw / kFall;
    cells[k] = low;
    cells.push_back(high);
    worst.push({low.Error(), k});
    worst.push({high.Error(), cells.size() - 1});
    running.value += low.value + high.value - parent.value;
    running.error += low.Error() + high.Error() - parent.Error();
    running.magnitude += low.magnitude + high.magnitude - parent.magnitude;
  }
}

// The first answer's relative estimate: its inner integrals' and its outer integral's.
// Gauss's estimates are relative changes; Simpson's are absolute, the inner ones per unit
// of the outer variable.
long double FirstEstimate(TDoubleFirst first, long double value, long double outer, long double inner,
                          long double x1, long double x2) {
  if (first == TDoubleFirst::kNestedGauss) return outer + inner;
  const long double absolute = outer + inner * (x2 - x1);
  return absolute == 0 ? 0 : value != 0 ? absolute / std::fabs(value) : INFINITY;
}

}  // namespace

long double IntegrateDoubleConfirmed(ExprContext& ctx, TIntegRecord& rec, TIntegrand2 f, long double x1,
                                     long double x2, long double y1, long double y2, long double tol,
                                     long double* errOut, TDoubleFirst first) {
  // A point where f itself fails is told apart from an inner integral that did not
  // converge, which the outer rule takes as a failure at its point as well.
  bool undefined = false;
  TSeen seenFirst;
  const auto watched = [&](long double x, long double y) {
    const long double v = f(x, y);
    undefined = undefined || ctx.ExprMathError != 0;
    if (ctx.ExprMathError == 0) seenFirst.Add(v);
    return v;
  };
  long double inner = 0;
  const long double v1 = first == TDoubleFirst::kNestedGauss
                             ? IntegrateDouble(ctx, rec, watched, x1, x2, y1, y2, tol, &inner)
                             : IntegrateDouble2(ctx, rec, watched, x1, x2, y1, y2, tol, &inner);
  const int code1 = ctx.ExprMathError;
  const long double e1 = FirstEstimate(first, v1, rec.IntegErrorEstimate, inner, x1, x2);
  // The cells' evaluations clear the code the nested answer left: it is put back.
  const auto keepFirst = [&] {
    if (errOut) *errOut = e1;
    if (ctx.ExprMathError != code1) ctx.ExprMathError = code1;
    return v1;
  };
  // A corner without a value, a missing quadrature table, a stopped evaluation, and limits
  // the cells cannot take (infinite, reversed, empty) keep the nested answer as it is.
  const bool finite = std::isfinite(x1) && std::isfinite(x2) && std::isfinite(y1) && std::isfinite(y2);
  // So does a point inside where f fails: the nested rule met it, and there is no integral.
  const bool firstRan = v1 != ExprErrorValue && !undefined &&
                        (code1 == 0 || code1 == kErrIntegralConvergence || code1 == kErrIntegralSingularity);
  if (!finite || !(x1 < x2) || !(y1 < y2) || !firstRan || ctx.stopped || ctx.abortCode != 0 || !(tol > 0))
    return keepFirst();
  const bool firstConverged = code1 == 0 && IsUsableValue(v1) && std::isfinite(e1);

  const auto fail = [&](int code, long double value, long double estimate) {
    rec.IntegFailed = 1;
    rec.IntegErrorEstimate = estimate;
    if (errOut) *errOut = estimate;
    ctx.SetError(code);
    return value;
  };
  const auto succeed = [&](long double value, long double estimate) {
    ctx.ExprMathError = 0;
    rec.IntegFailed = 0;
    rec.IntegErrorEstimate = estimate;
    if (errOut) *errOut = estimate;
    return value;
  };
  TCellRule rule(ctx, f, kFirstFeatureNode);
  std::vector<TCell> cells;
  const auto cellsFailed = [&] {
    if (rule.Stopped()) return keepFirst();
    return fail(rule.Singular() ? kErrIntegralSingularity : kErrIntegralConvergence, ExprErrorValue, 1);
  };
  if (!FirstCells(rule, kFirstCells, kFirstOffset, x1, x2, y1, y2, cells)) return cellsFailed();
  const TCellsOutcome scan = Sum(cells);
  // Values that all vanished in underflow are no evidence either way.
  if (scan.vanished) return keepFirst();
  // The nested answer within the tolerance of the cells', whose rules agree among
  // themselves: it stands, with the difference as part of its estimate.
  const auto agreement = [&](const TCellsOutcome& cellsOutcome) {
    const long double scale = std::fmax(std::fmax(std::fabs(v1), std::fabs(cellsOutcome.value)),
                                        kRoundingNoise * cellsOutcome.magnitude);
    return scale > 0 ? (std::fabs(v1 - cellsOutcome.value) + cellsOutcome.error) / scale : 0.0L;
  };
  if (firstConverged && WithinTolerance(scan, tol) && agreement(scan) <= tol)
    return succeed(v1, std::fmax(e1, agreement(scan)));

  // The cells and the nested answer disagree, or the nested rule failed: the cells are
  // integrated to the tolerance. A cell's two rules can agree too well about a kink or a
  // cusp (|x - 1.865| and |x - 2.634|^0.1 took estimates of a sixth and a twentieth of
  // their errors), so the cells are taken to a 64th of it, and their answer stands only
  // where the second partition's agrees with it to half of it.
  constexpr long double kCellsShare = 64;
  const TCell bounds{x1, x2, y1, y2};
  const TCellsOutcome refined = Refine(rule, cells, bounds, tol / kCellsShare);
  if (refined.failed) return cellsFailed();
  if (firstConverged && refined.converged && agreement(refined) <= tol)
    return succeed(v1, std::fmax(e1, agreement(refined)));
  // Cells that met values beyond any the nested rule met show that it stepped over a
  // feature (a ridge between its outer points, a peak between all of them).
  const bool evidence = seenFirst.Exceeded(rule.Seen());
  // The nested rule met values the cells did not (a peak narrower than the cells' spacing
  // that its own search found): it keeps its answer and its outcome.
  if (firstConverged && rule.Seen().Exceeded(seenFirst)) return keepFirst();
  if (!refined.converged) {
    if (evidence) return fail(kErrIntegralConvergence, refined.value, refined.Relative());
    return keepFirst();
  }
  TCellRule confirmingRule(ctx, f, kConfirmingFeatureNode);
  std::vector<TCell> confirmingCells;
  if (!FirstCells(confirmingRule, kConfirmingCells, 0, x1, x2, y1, y2, confirmingCells)) return cellsFailed();
  const TCellsOutcome confirming = Refine(confirmingRule, confirmingCells, bounds, tol / kCellsShare);
  if (confirming.failed) return cellsFailed();
  const long double scale = std::fmax(std::fabs(refined.value), kRoundingNoise * refined.magnitude);
  const long double difference = scale > 0 ? std::fabs(refined.value - confirming.value) / scale : 0;
  const long double estimate = std::fmax(std::fmax(refined.Relative(), confirming.Relative()), difference);
  const bool confirmed = confirming.converged && difference <= tol / 2;
  if (!firstConverged) return confirmed ? succeed(refined.value, estimate) : keepFirst();
  // Both converged and disagree. The cells' answer stands where the nested rule is shown to
  // have missed something: the cells met values it did not, or the two differ by far more
  // than a kink could move the cells' (a ridge whose top one outer point met, integrated
  // as if it were as wide as the spacing of the points). Otherwise neither is shown
  // wrong, and the integral is not had to the tolerance.
  constexpr long double kClearly = 100;
  const bool clearly = agreement(refined) > kClearly * tol;
  if (confirmed && (evidence || clearly)) return succeed(refined.value, estimate);
  return fail(kErrIntegralConvergence, v1, std::fmax(e1, agreement(refined)));
}

