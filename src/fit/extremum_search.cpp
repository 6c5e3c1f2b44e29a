#include "fit/extremum_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "app/data_statistics.h"
#include "app/long_double.h"
#include "expr/eval_context.h"
#include "fit/fit_evaluation.h"

namespace {

constexpr int kDims = 2;
constexpr long double kFtol = 1e-8L;
constexpr int kPowellIterations = 100;
// Score of a point where the surface is undefined: worse than any value the program keeps
// (points beyond ±1e300 never enter the data), and finite, so that the parabolic steps of
// the bracketing and of Brent's method stay numbers.
constexpr long double kUndefinedScore = 1e300L;
// Relative convergence of a Powell pass; the floor lets a surface that is exactly 0 converge.
constexpr long double kTinyValue = 1e-25L;

// Bracketing (downhill, golden steps with parabolic extrapolation).
constexpr long double kGold = 1.618034L;
constexpr long double kGrowLimit = 100.0L;
constexpr long double kTinyDivisor = 1e-20L;
constexpr int kBracketSteps = 200;

// Brent's line minimisation.
constexpr long double kGoldenSection = 0.381966L;
constexpr long double kBrentFloor = 1e-10L;
constexpr int kBrentIterations = 100;

// Nodes on each side of the grid whose local extremes start the further searches of
// FindLowestPoint (FindHighestPoint), and how many of them, best first, start one.
constexpr int kGridNodes = 65;
// Nodes on each side of the uniform grid of BestGridNode.
constexpr int kUniformGridNodes = 33;
constexpr std::size_t kGridStarts = 6;
constexpr long double kPi = 3.141592653589793238462643383279502884L;

using Vec = std::array<long double, kDims + 1>;  // 1-based: entries 1..2

// +|a| when b > 0, else -|a|: a zero b gives the negative sign.
long double SignOf(long double a, long double b) { return b > 0.0L ? std::fabs(a) : -std::fabs(a); }

// The search of one surface over one box, with the objective and the state of the current
// line search (Powell, then Brent along one line at a time).
class TExtremumSearch {
 public:
  TExtremumSearch(const TExtremumFunction& f, long double xMin, long double xMax,
                  long double yMin, long double yMax, bool maximum)
      : f_(f), xMin_(xMin), xMax_(xMax), yMin_(yMin), yMax_(yMax), maximum_(maximum) {}

  // True when converged, with the point in p (projected onto the box) and the objective in
  // value. The first directions are the x and y axes with the lengths in `step` (the first
  // step of each line search).
  bool Run(Vec& p, const Vec& step, long double& value);

 private:
  long double Objective(Vec& p) const;
  long double LineObjective(long double t) const;
  bool PowellMinimize(Vec& p, const Vec& step, long double& value);
  void LineMinimize(Vec& p, Vec& direction, long double& value);
  bool BracketMinimum(long double& a, long double& b, long double& c, long double& fa,
                      long double& fb, long double& fc) const;
  long double BrentMinimize(long double a, long double b, long double c, long double& xmin) const;

  // t clamped into the steps along the running line that stay inside the box.
  long double OnLine(long double t) const { return std::clamp(t, lineLow_, lineHigh_); }
  // The point of the running line at step t (clamped so), exactly on the edge that ends the
  // line when t is at that end.
  Vec PointOnLine(long double t) const;

  const TExtremumFunction& f_;
  const long double xMin_, xMax_, yMin_, yMax_;
  const bool maximum_;
  // The line of the running line search, and the steps t along it that stay inside the box
  // (lineLow_ <= 0 <= lineHigh_, infinite where the line never leaves it).
  Vec linePoint_{}, lineDirection_{};
  long double lineLow_ = 0.0L, lineHigh_ = 0.0L;
  // The coordinate (1 x, 2 y; 0 none) whose edge ends the line at each end, and that edge.
  int lowAxis_ = 0, highAxis_ = 0;
  long double lowEdge_ = 0.0L, highEdge_ = 0.0L;
};

// The value to be minimised at p: the surface (negated for a maximum) at p clamped into the
// box; the clamped coordinates are written back into p.
long double TExtremumSearch::Objective(Vec& p) const {
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprMathError = 0;
  p[1] = std::clamp(p[1], xMin_, xMax_);
  p[2] = std::clamp(p[2], yMin_, yMax_);
  const long double z = f_(p[1], p[2]);
  if (ctx.ExprMathError != 0 || !IsUsableValue(z)) return kUndefinedScore;
  return maximum_ ? -z : z;
}

Vec TExtremumSearch::PointOnLine(long double t) const {
  t = OnLine(t);
  Vec q;
  for (int j = 1; j <= kDims; ++j) q[j] = linePoint_[j] + t * lineDirection_[j];
  if (t == lineLow_ && lowAxis_ != 0) q[lowAxis_] = lowEdge_;
  if (t == lineHigh_ && highAxis_ != 0) q[highAxis_] = highEdge_;
  return q;
}

long double TExtremumSearch::LineObjective(long double t) const {
  Vec q = PointOnLine(t);
  return Objective(q);
}

bool TExtremumSearch::Run(Vec& p, const Vec& step, long double& value) {
  const bool converged = PowellMinimize(p, step, value);
  p[1] = std::clamp(p[1], xMin_, xMax_);
  p[2] = std::clamp(p[2], yMin_, yMax_);
  // Ending on an undefined point finds nothing: the whole box may be undefined.
  return converged && value < kUndefinedScore;
}

bool TExtremumSearch::PowellMinimize(Vec& p, const Vec& step, long double& value) {
  // Directions: x then y, of the lengths given.
  std::array<Vec, kDims + 1> xi{};
  for (int i = 1; i <= kDims; ++i) xi[i][i] = step[i];
  value = Objective(p);
  Vec pt = p, ptt{}, xit{};
  for (int iteration = 1;; ++iteration) {
    const long double fp = value;
    int ibig = 0;
    long double del = 0.0L;
    for (int i = 1; i <= kDims; ++i) {
      for (int j = 1; j <= kDims; ++j) xit[j] = xi[j][i];
      const long double fptt = value;
      LineMinimize(p, xit, value);
      if (std::fabs(fptt - value) > del) {
        del = std::fabs(fptt - value);
        ibig = i;
      }
    }
    if (2.0L * std::fabs(fp - value) <= kFtol * (std::fabs(fp) + std::fabs(value)) + kTinyValue)
      return true;
    if (iteration == kPowellIterations || !std::isfinite(value)) return false;
    for (int j = 1; j <= kDims; ++j) {
      ptt[j] = 2.0L * p[j] - pt[j];
      xit[j] = p[j] - pt[j];
      pt[j] = p[j];
    }
    const long double fptt = Objective(ptt);
    if (fptt < fp) {
      const long double d1 = fp - value - del, d2 = fp - fptt;
      const long double t = 2.0L * (fp - 2.0L * value + fptt) * d1 * d1 - del * d2 * d2;
      if (t < 0.0L && ibig > 0) {
        LineMinimize(p, xit, value);
        // The new direction takes the place of the direction of largest decrease.
        for (int j = 1; j <= kDims; ++j) xi[j][ibig] = xit[j];
      }
    }
  }
}

// The line search keeps to the steps that stay inside the box. Bracketing on the projected
// objective instead would step past an edge into the flat region beyond it, where every
// point is the edge's value, and Brent's method would settle there: a shallow dip just
// inside the edge, lower than the edge, was then never seen.
void TExtremumSearch::LineMinimize(Vec& p, Vec& direction, long double& value) {
  linePoint_ = p;
  lineDirection_ = direction;
  const std::array<long double, kDims + 1> low = {0.0L, xMin_, yMin_}, high = {0.0L, xMax_, yMax_};
  lineLow_ = -std::numeric_limits<long double>::infinity();
  lineHigh_ = std::numeric_limits<long double>::infinity();
  lowAxis_ = highAxis_ = 0;
  for (int j = 1; j <= kDims; ++j) {
    if (direction[j] == 0.0L) continue;
    const bool up = direction[j] > 0.0L;
    // Steps back to the edge behind and on to the edge ahead along this coordinate.
    const long double behind = std::min(((up ? low[j] : high[j]) - p[j]) / direction[j], 0.0L);
    const long double ahead = std::max(((up ? high[j] : low[j]) - p[j]) / direction[j], 0.0L);
    if (behind > lineLow_) {
      lineLow_ = behind;
      lowAxis_ = j;
      lowEdge_ = up ? low[j] : high[j];
    }
    if (ahead < lineHigh_) {
      lineHigh_ = ahead;
      highAxis_ = j;
      highEdge_ = up ? high[j] : low[j];
    }
  }
  long double a = 0.0L, b = 1.0L, c = 0.0L, fa = 0.0L, fb = 0.0L, fc = 0.0L;
  // Without a bracket there is no step to trust: the point stays.
  if (!BracketMinimum(a, b, c, fa, fb, fc)) return;
  // A bracket that ends on the box edge, still falling there, has its lowest point known so
  // far on the edge: Brent's method searches between the last two points from there.
  long double t = 0.0L;
  const long double best = fc < fb ? BrentMinimize(b, c, c, t) : BrentMinimize(a, b, c, t);
  t = OnLine(t);
  if (!std::isfinite(best) || !std::isfinite(t) || best > value) return;
  value = best;
  for (int j = 1; j <= kDims; ++j) direction[j] *= t;
  p = PointOnLine(t);
  for (int j = 1; j <= kDims; ++j) p[j] = std::clamp(p[j], low[j], high[j]);
}

// Downhill bracketing (golden steps with parabolic extrapolation) along the running line,
// every trial step kept inside the box. On true: fb <= fa and fb <= fc (a bracket), or c on
// the box edge with fc < fb (the line falls all the way to the edge).
bool TExtremumSearch::BracketMinimum(long double& a, long double& b, long double& c,
                                     long double& fa, long double& fb, long double& fc) const {
  // The first step is 1, or as far as the box allows; where the line leaves the box sooner
  // ahead than behind, the first step goes the other way.
  if (lineHigh_ < std::min(b, -lineLow_)) b = -b;
  b = OnLine(b);
  if (b == a) return false;  // no room along this line
  fa = LineObjective(a);
  fb = LineObjective(b);
  // Downhill from a to b; an equal value tells nothing about the way down, so the search then
  // looks the other way.
  if (fb >= fa) {
    std::swap(a, b);
    std::swap(fa, fb);
  }
  c = OnLine(b + kGold * (b - a));
  fc = LineObjective(c);
  for (int step = 0; fb > fc; ++step) {
    if (step == kBracketSteps) return false;
    if (c == (c > b ? lineHigh_ : lineLow_)) return true;  // falling up to the edge
    const long double r = (b - a) * (fb - fc);
    const long double q = (b - c) * (fb - fa);
    long double u = b - ((b - c) * q - (b - a) * r) /
                            (2.0L * SignOf(std::max(std::fabs(q - r), kTinyDivisor), q - r));
    const long double ulim = OnLine(b + kGrowLimit * (c - b));
    long double fu = 0.0L;
    if (!std::isfinite(u)) return false;
    if ((b - u) * (u - c) > 0.0L) {
      fu = LineObjective(u);
      if (fu < fc) {
        a = b;
        b = u;
        fa = fb;
        fb = fu;
        return true;
      }
      if (fu > fb) {
        c = u;
        fc = fu;
        return true;
      }
      u = OnLine(c + kGold * (c - b));
      fu = LineObjective(u);
    } else if ((c - u) * (u - ulim) > 0.0L) {
      fu = LineObjective(u);
      if (fu < fc) {
        b = c;
        c = u;
        u = OnLine(c + kGold * (c - b));
        fb = fc;
        fc = fu;
        fu = LineObjective(u);
      }
    } else if ((u - ulim) * (ulim - c) >= 0.0L) {
      u = ulim;
      fu = LineObjective(u);
    } else {
      u = OnLine(c + kGold * (c - b));
      fu = LineObjective(u);
    }
    a = b;
    b = c;
    c = u;
    fa = fb;
    fb = fc;
    fc = fu;
    if (std::isnan(fa) || std::isnan(fb) || std::isnan(fc) || !std::isfinite(c)) return false;
  }
  return !std::isnan(fb) && !std::isnan(fc);
}

long double TExtremumSearch::BrentMinimize(long double ax, long double bx, long double cx,
                                           long double& xmin) const {
  long double a = std::min(ax, cx), b = std::max(ax, cx);
  long double x = bx, w = bx, v = bx;
  long double fx = LineObjective(x), fw = fx, fv = fx;
  long double d = 0.0L, e = 0.0L;
  for (int iteration = 0; iteration < kBrentIterations; ++iteration) {
    const long double xm = 0.5L * (a + b);
    const long double tol1 = kFtol * std::fabs(x) + kBrentFloor, tol2 = 2.0L * tol1;
    if (std::fabs(x - xm) <= tol2 - 0.5L * (b - a)) break;
    if (std::fabs(e) > tol1) {
      const long double r = (x - w) * (fx - fv);
      long double q = (x - v) * (fx - fw);
      long double p = (x - v) * q - (x - w) * r;
      q = 2.0L * (q - r);
      if (q > 0.0L) p = -p;
      q = std::fabs(q);
      const long double etemp = e;
      e = d;
      if (std::fabs(p) >= std::fabs(0.5L * q * etemp) || p <= q * (a - x) || p >= q * (b - x)) {
        e = x >= xm ? a - x : b - x;
        d = kGoldenSection * e;
      } else {
        d = p / q;
        const long double u = x + d;
        if (u - a < tol2 || b - u < tol2) d = SignOf(tol1, xm - x);
      }
    } else {
      e = x >= xm ? a - x : b - x;
      d = kGoldenSection * e;
    }
    const long double u = std::fabs(d) >= tol1 ? x + d : x + SignOf(tol1, d);
    const long double fu = LineObjective(u);
    if (fu <= fx) {
      if (u >= x) {
        a = x;
      } else {
        b = x;
      }
      v = w;
      w = x;
      x = u;
      fv = fw;
      fw = fx;
      fx = fu;
    } else {
      if (u < x) {
        a = u;
      } else {
        b = u;
      }
      if (fu <= fw || w == x) {
        v = w;
        w = u;
        fv = fw;
        fw = fu;
      } else if (fu <= fv || v == x || v == w) {
        v = u;
        fv = fu;
      }
    }
  }
  xmin = x;
  return fx;
}

// Unit first steps: the search of the entry points that start where the caller says.
constexpr Vec kUnitSteps = {0.0L, 1.0L, 1.0L};

bool Find(const TExtremumFunction& f, bool maximum, long double x0, long double y0,
          long double xMin, long double xMax, long double yMin, long double yMax, long double& x,
          long double& y, long double& z, const Vec& steps = kUnitSteps) {
  x = y = z = ExprErrorValue;
  // A box that is not a box (reversed or undefined limits) has no extremum.
  if (!(xMin <= xMax) || !(yMin <= yMax) || !std::isfinite(xMin) || !std::isfinite(xMax) ||
      !std::isfinite(yMin) || !std::isfinite(yMax))
    return false;
  TExtremumSearch search(f, xMin, xMax, yMin, yMax, maximum);
  Vec p = {0.0L, std::isfinite(x0) ? x0 : xMin, std::isfinite(y0) ? y0 : yMin};
  long double value = 0.0L;
  if (!search.Run(p, steps, value)) return false;
  x = p[1];
  y = p[2];
  z = maximum ? -value : value;
  return true;
}

// The surface sampled on the search grid: kGridNodes Chebyshev-Lobatto nodes along each
// side, x_i = (a + b)/2 - (b - a)/2 cos(pi i/(n - 1)), the ends included. The nodes stand
// closest near the edges, where a fit in ln x or 1/x, a polynomial of high order and a
// rational near a pole outside the box change fastest: a uniform grid of 33 nodes stepped over
// dips and peaks a tenth of its step wide beside the edge.
struct TGridSamples {
  std::vector<long double> xs, ys;
  std::vector<long double> z;  // row-major by x; NaN where the surface is undefined
  long double At(int i, int j) const { return z[static_cast<std::size_t>(i) * ys.size() + static_cast<std::size_t>(j)]; }
};

std::vector<long double> GridSide(long double lo, long double hi) {
  std::vector<long double> v(kGridNodes);
  const long double mid = (lo + hi) / 2, half = (hi - lo) / 2;
  for (int i = 0; i < kGridNodes; ++i)
    v[static_cast<std::size_t>(i)] = i == 0 ? lo : i == kGridNodes - 1 ? hi : mid - half * std::cos(kPi * i / (kGridNodes - 1));
  return v;
}

TGridSamples SampleGrid(const TExtremumFunction& f, long double xMin, long double xMax, long double yMin,
                        long double yMax) {
  ExprContext& ctx = ExprThreadContext();
  TGridSamples g{GridSide(xMin, xMax), GridSide(yMin, yMax), {}};
  g.z.reserve(g.xs.size() * g.ys.size());
  for (const long double x : g.xs)
    for (const long double y : g.ys) {
      ctx.ExprMathError = 0;
      const long double v = f(x, y);
      g.z.push_back(ctx.ExprMathError != 0 || !IsUsableValue(v) ? std::numeric_limits<long double>::quiet_NaN() : v);
    }
  ctx.ExprMathError = 0;
  return g;
}

// A start of the search at a node of the grid, with the first steps of its line searches:
// the node's nearer neighbour along each axis, so that the search looks first within the
// dip (peak) the grid saw there. A step of the box's size from there passed over a dip a
// tenth of a cell from the node for the box's corner beyond it.
struct TGridStart {
  Vec point, steps;
};

// The step from node i of a grid side to its nearer neighbour (1 on a side of one point).
long double NeighbourStep(const std::vector<long double>& side, std::size_t i) {
  long double h = std::numeric_limits<long double>::infinity();
  if (i > 0) h = std::min(h, side[i] - side[i - 1]);
  if (i + 1 < side.size()) h = std::min(h, side[i + 1] - side[i]);
  return std::isfinite(h) && h > 0.0L ? h : 1.0L;
}

// The grid's local extremes, best first: the defined nodes that no defined neighbour (of
// the eight) beats, at most kGridStarts of them.
std::vector<TGridStart> GridStarts(const TGridSamples& g, bool maximum) {
  const int nx = static_cast<int>(g.xs.size()), ny = static_cast<int>(g.ys.size());
  const auto score = [&](int i, int j) { return maximum ? -g.At(i, j) : g.At(i, j); };
  std::vector<std::pair<long double, std::pair<int, int>>> found;
  for (int i = 0; i < nx; ++i)
    for (int j = 0; j < ny; ++j) {
      const long double s = score(i, j);
      if (std::isnan(s)) continue;
      bool best = true;
      for (int di = -1; di <= 1 && best; ++di)
        for (int dj = -1; dj <= 1 && best; ++dj) {
          const int a = i + di, b = j + dj;
          if ((di == 0 && dj == 0) || a < 0 || b < 0 || a >= nx || b >= ny) continue;
          const long double t = score(a, b);
          if (!std::isnan(t) && t < s) best = false;
        }
      if (best) found.push_back({s, {i, j}});
    }
  const std::size_t keep = std::min<std::size_t>(found.size(), kGridStarts);
  std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(keep), found.end(),
                    [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<TGridStart> starts;
  for (std::size_t k = 0; k < keep; ++k) {
    const auto i = static_cast<std::size_t>(found[k].second.first), j = static_cast<std::size_t>(found[k].second.second);
    starts.push_back({{0.0L, g.xs[i], g.ys[j]}, {0.0L, NeighbourStep(g.xs, i), NeighbourStep(g.ys, j)}});
  }
  return starts;
}

bool FindBest(const TExtremumFunction& f, bool maximum, long double x0, long double y0, long double xMin,
              long double xMax, long double yMin, long double yMax, const TGridSamples* grid, long double& x,
              long double& y, long double& z) {
  bool found = Find(f, maximum, x0, y0, xMin, xMax, yMin, yMax, x, y, z);
  if (!(xMin <= xMax) || !(yMin <= yMax) || grid == nullptr) return found;
  for (const TGridStart& start : GridStarts(*grid, maximum)) {
    long double px, py, pz;
    if (Find(f, maximum, start.point[1], start.point[2], xMin, xMax, yMin, yMax, px, py, pz, start.steps) &&
        (!found || (maximum ? pz > z : pz < z))) {
      x = px;
      y = py;
      z = pz;
      found = true;
    }
  }
  return found;
}

bool BoxUsable(long double xMin, long double xMax, long double yMin, long double yMax) {
  return xMin <= xMax && yMin <= yMax && std::isfinite(xMin) && std::isfinite(xMax) && std::isfinite(yMin) &&
         std::isfinite(yMax);
}

bool FindBest(const TExtremumFunction& f, bool maximum, long double x0, long double y0, long double xMin,
              long double xMax, long double yMin, long double yMax, long double& x, long double& y, long double& z) {
  if (!BoxUsable(xMin, xMax, yMin, yMax)) return Find(f, maximum, x0, y0, xMin, xMax, yMin, yMax, x, y, z);
  const TGridSamples grid = SampleGrid(f, xMin, xMax, yMin, yMax);
  return FindBest(f, maximum, x0, y0, xMin, xMax, yMin, yMax, &grid, x, y, z);
}

}  // namespace

bool BestGridNode(const TExtremumFunction& f, bool maximum, long double xMin, long double xMax,
                  long double yMin, long double yMax, long double& bx, long double& by) {
  ExprContext& ctx = ExprThreadContext();
  bool found = false;
  long double best = 0.0L;
  const int n = kUniformGridNodes;
  for (int i = 0; i < n; ++i) {
    const long double x = i == n - 1 ? xMax : xMin + (xMax - xMin) * i / (n - 1);
    for (int j = 0; j < n; ++j) {
      const long double y = j == n - 1 ? yMax : yMin + (yMax - yMin) * j / (n - 1);
      ctx.ExprMathError = 0;
      const long double z = f(x, y);
      if (ctx.ExprMathError != 0 || !IsUsableValue(z)) continue;
      const long double score = maximum ? -z : z;
      if (!found || score < best) {
        found = true;
        best = score;
        bx = x;
        by = y;
      }
    }
  }
  ctx.ExprMathError = 0;
  return found;
}

bool FindLowestPoint(const TExtremumFunction& f, long double x0, long double y0, long double xMin,
                     long double xMax, long double yMin, long double yMax, long double& x,
                     long double& y, long double& z) {
  return FindBest(f, false, x0, y0, xMin, xMax, yMin, yMax, x, y, z);
}

bool FindHighestPoint(const TExtremumFunction& f, long double x0, long double y0, long double xMin,
                      long double xMax, long double yMin, long double yMax, long double& x,
                      long double& y, long double& z) {
  return FindBest(f, true, x0, y0, xMin, xMax, yMin, yMax, x, y, z);
}

bool FindFunctionMinimum(const TExtremumFunction& f, long double x0, long double y0,
                         long double xMin, long double xMax, long double yMin, long double yMax,
                         long double& x, long double& y, long double& z) {
  return Find(f, false, x0, y0, xMin, xMax, yMin, yMax, x, y, z);
}

bool FindFunctionMaximum(const TExtremumFunction& f, long double x0, long double y0,
                         long double xMin, long double xMax, long double yMin, long double yMax,
                         long double& x, long double& y, long double& z) {
  return Find(f, true, x0, y0, xMin, xMax, yMin, yMax, x, y, z);
}

TSurfaceExtremes FindLowestAndHighest(const TExtremumFunction& f, long double lowX, long double lowY,
                                      long double highX, long double highY, long double xMin, long double xMax,
                                      long double yMin, long double yMax) {
  TSurfaceExtremes e;
  if (!BoxUsable(xMin, xMax, yMin, yMax)) {
    e.lowFound = Find(f, false, lowX, lowY, xMin, xMax, yMin, yMax, e.low[0], e.low[1], e.low[2]);
    e.highFound = Find(f, true, highX, highY, xMin, xMax, yMin, yMax, e.high[0], e.high[1], e.high[2]);
    return e;
  }
  const TGridSamples grid = SampleGrid(f, xMin, xMax, yMin, yMax);
  e.lowFound = FindBest(f, false, lowX, lowY, xMin, xMax, yMin, yMax, &grid, e.low[0], e.low[1], e.low[2]);
  e.highFound = FindBest(f, true, highX, highY, xMin, xMax, yMin, yMax, &grid, e.high[0], e.high[1], e.high[2]);
  return e;
}

TSurfaceExtremes FindSurfaceExtremes(const TFitSide& fit, const TDataStats& stats) {
  ExprContext& ctx = ExprThreadContext();
  const auto surface = [&fit, &ctx](long double x, long double y) { return EvalFitSideZ(fit, ctx, x, y); };
  return FindLowestAndHighest(surface, stats.X.AtMin2, stats.Y.AtMin2, stats.X.AtMax2, stats.Y.AtMax2, stats.X.Min,
                              stats.X.Max, stats.Y.Min, stats.Y.Max);
}
