#include "smooth/numlib/shepard.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <span>
#include <vector>

#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/line_neighbourhood.h"
#include "smooth/kernels/nearest_points.h"
#include "smooth/numlib/shepard_cells.h"

namespace {

using shepard::TCells;
using shepard::TNeighbour;

enum class TFamily { kQuadratic, kCubic, kCosine };

constexpr int kMaxColumns = 9;
// Renka's bound on the nodes of one fit and of one radius.
constexpr int kMaxNodes = 40;
// A fit whose equilibrated triangular factor has a diagonal ratio below this is taken as
// ill-conditioned.
constexpr double kConditionBound = 0.01;
// Damping rows, in units of the largest diagonal of the equilibrated factor.
constexpr double kDamping = 0.1;
// A fit whose weighted residual is below this share of the values' spread reproduces them.
constexpr double kExactFit = 1e-12;
// A point nearer a node than this fraction of its radius takes the node's own nodal
// function: the weight's derivatives would overflow long before the result changed.
constexpr double kNodeHit = 1e-50;
// The cosine series' angle stays within 0.45 pi of its value at the node over a fit and over
// the weight radius: there sin of the angle covers nearly [-1, 1], where the harmonics are
// Chebyshev polynomials of it and as well conditioned as a cubic basis can be.
constexpr double kMaxFitAngle = 0.45 * std::numbers::pi;

struct TFamilyFacts {
  int columns;  // coefficients fitted per node
  int stored;   // coefficients stored per node
  int power;    // exponent of the weights
  int minNodes;
  int minFit;
  // Damping stages: the leading columns (highest order first) damped at each stage.
  std::array<int, 3> damped;
};

constexpr TFamilyFacts Facts(TFamily family) {
  switch (family) {
    case TFamily::kQuadratic:
      return {5, 5, 2, 6, 5, {3, 5, 5}};
    case TFamily::kCubic:
      return {9, 9, 3, 10, 9, {4, 7, 9}};
    case TFamily::kCosine:
    default:
      return {9, 10, 3, 10, 9, {4, 7, 9}};
  }
}

// Degree of each polynomial column (quadratic: the last five of the cubic's).
constexpr std::array<int, 9> kCubicDegree = {3, 3, 3, 3, 2, 2, 2, 1, 1};
// Harmonics (i, j) of the cosine columns; the stored tenth coefficient is (0, 0).
constexpr std::array<std::array<int, 2>, 10> kCosineTerms = {
    {{3, 0}, {2, 1}, {1, 2}, {0, 3}, {2, 0}, {1, 1}, {0, 2}, {1, 0}, {0, 1}, {0, 0}}};
// cos(i pi / 2): the harmonics at the node itself.
constexpr std::array<double, 4> kAtNode = {1, 0, -1, 0};

// cos(i t) and sin(i t), i = 0..3, for t = pi/2 + a (computed from a, so that small angles
// about the node lose nothing).
struct THarmonics {
  double c[4], s[4];
};
THarmonics Harmonics(double a) {
  const double c1 = -std::sin(a), s1 = std::cos(a);
  THarmonics h;
  h.c[0] = 1;
  h.s[0] = 0;
  h.c[1] = c1;
  h.s[1] = s1;
  h.c[2] = 2 * c1 * c1 - 1;
  h.s[2] = 2 * s1 * c1;
  h.c[3] = c1 * (4 * c1 * c1 - 3);
  h.s[3] = s1 * (3 - 4 * s1 * s1);
  return h;
}

// Value and derivatives of a nodal function or of the blend.
struct TJet {
  double f = 0, fx = 0, fy = 0, fxx = 0, fxy = 0, fyy = 0;
};

// One least-squares row of node k's fit for a neighbour at offset (ex, ey): the columns,
// in the family's order. Polynomial columns are in offsets scaled by 1 / radius.
void FitColumns(TFamily family, double ex, double ey, double scale, double* out) {
  if (family == TFamily::kCosine) {
    const THarmonics hx = Harmonics(scale * ex), hy = Harmonics(scale * ey);
    for (int j = 0; j < 9; ++j) {
      const int p = kCosineTerms[j][0], q = kCosineTerms[j][1];
      out[j] = hx.c[p] * hy.c[q] - kAtNode[p] * kAtNode[q];
    }
    return;
  }
  const double u = ex * scale, v = ey * scale;
  const double quad[5] = {u * u, u * v, v * v, u, v};
  if (family == TFamily::kQuadratic) {
    std::copy(quad, quad + 5, out);
    return;
  }
  const double cubic[4] = {u * u * u, u * u * v, u * v * v, v * v * v};
  std::copy(cubic, cubic + 4, out);
  std::copy(quad, quad + 5, out + 4);
}

// The nodal function with coefficients a at offset (ex, ey) from its node; order 0 value,
// 1 also the gradient, 2 also the Hessian. w: the cosine family's angle per unit length.
TJet NodalJet(TFamily family, const double* a, double fk, double ex, double ey, double w,
              int order) {
  TJet q;
  if (family == TFamily::kCosine) {
    const THarmonics hx = Harmonics(w * ex), hy = Harmonics(w * ey);
    const double w2 = w * w;
    for (int j = 0; j < 10; ++j) {
      const int p = kCosineTerms[j][0], r = kCosineTerms[j][1];
      const double c = a[j];
      q.f += c * hx.c[p] * hy.c[r];
      if (order < 1) continue;
      q.fx -= c * p * w * hx.s[p] * hy.c[r];
      q.fy -= c * r * w * hx.c[p] * hy.s[r];
      if (order < 2) continue;
      q.fxx -= c * p * p * w2 * hx.c[p] * hy.c[r];
      q.fxy += c * p * r * w2 * hx.s[p] * hy.s[r];
      q.fyy -= c * r * r * w2 * hx.c[p] * hy.c[r];
    }
    return q;
  }
  const double* s = a;  // second-order block: a1..a5 of the quadratic layout
  double c1 = 0, c2 = 0, c3 = 0, c4 = 0;
  if (family == TFamily::kCubic) {
    c1 = a[0], c2 = a[1], c3 = a[2], c4 = a[3];
    s = a + 4;
  }
  const double xx = ex * ex, xy = ex * ey, yy = ey * ey;
  q.f = fk + c1 * xx * ex + c2 * xx * ey + c3 * ex * yy + c4 * yy * ey + s[0] * xx + s[1] * xy +
        s[2] * yy + s[3] * ex + s[4] * ey;
  if (order < 1) return q;
  q.fx = 3 * c1 * xx + 2 * c2 * xy + c3 * yy + 2 * s[0] * ex + s[1] * ey + s[3];
  q.fy = c2 * xx + 2 * c3 * xy + 3 * c4 * yy + s[1] * ex + 2 * s[2] * ey + s[4];
  if (order < 2) return q;
  q.fxx = 6 * c1 * ex + 2 * c2 * ey + 2 * s[0];
  q.fxy = 2 * c2 * ex + 2 * c3 * ey + s[1];
  q.fyy = 2 * c3 * ex + 6 * c4 * ey + 2 * s[2];
  return q;
}

// Weighted least squares by Givens rotations of each row into a triangular factor, with the
// columns equilibrated first (so that the diagonal measures how nearly they depend on each
// other).
class TLeastSquares {
 public:
  explicit TLeastSquares(int columns) : cols_(columns) {}

  // rows: `count` rows of cols_ columns followed by the right-hand side.
  void Factor(const std::vector<double>& rows, int count) {
    for (auto& r : r_) r.fill(0.0);
    scale_.fill(0.0);
    const int width = cols_ + 1;
    for (int i = 0; i < count; ++i)
      for (int j = 0; j < cols_; ++j) scale_[j] += rows[i * width + j] * rows[i * width + j];
    for (int j = 0; j < cols_; ++j) scale_[j] = scale_[j] > 0 ? 1.0 / std::sqrt(scale_[j]) : 1.0;
    std::array<double, kMaxColumns + 1> row;
    for (int i = 0; i < count; ++i) {
      for (int j = 0; j < cols_; ++j) row[j] = rows[i * width + j] * scale_[j];
      row[cols_] = rows[i * width + cols_];
      RotateIn(row);
    }
  }

  // Adds the damping row sigma e_j (right-hand side 0).
  void Damp(int j, double sigma) {
    std::array<double, kMaxColumns + 1> row{};
    row[j] = sigma;
    RotateIn(row);
  }

  // Adds the damping row sigma e_j in the original column j.
  void DampOriginal(int j, double sigma) { Damp(j, sigma * scale_[j]); }

  double LargestDiagonal() const {
    double big = 0;
    for (int j = 0; j < cols_; ++j) big = std::max(big, std::fabs(r_[j][j]));
    return big;
  }

  bool WellConditioned() const {
    double small = std::fabs(r_[0][0]);
    for (int j = 1; j < cols_; ++j) small = std::min(small, std::fabs(r_[j][j]));
    const double big = LargestDiagonal();
    return big > 0 && small >= kConditionBound * big;
  }

  // The solution in the original columns (0 where a diagonal vanished).
  void Solve(double* out) const {
    std::array<double, kMaxColumns> z{};
    for (int j = cols_ - 1; j >= 0; --j) {
      double t = r_[j][cols_];
      for (int l = j + 1; l < cols_; ++l) t -= r_[j][l] * z[l];
      z[j] = r_[j][j] != 0 ? t / r_[j][j] : 0.0;
    }
    for (int j = 0; j < cols_; ++j) out[j] = z[j] * scale_[j];
  }

 private:
  void RotateIn(std::array<double, kMaxColumns + 1>& row) {
    for (int j = 0; j < cols_; ++j) {
      if (row[j] == 0) continue;
      const double h = std::hypot(r_[j][j], row[j]);
      const double c = r_[j][j] / h, s = row[j] / h;
      r_[j][j] = h;
      row[j] = 0;
      for (int l = j + 1; l <= cols_; ++l) {
        const double t = r_[j][l];
        r_[j][l] = c * t + s * row[l];
        row[l] = c * row[l] - s * t;
      }
    }
  }

  int cols_;
  std::array<std::array<double, kMaxColumns + 1>, kMaxColumns> r_{};
  std::array<double, kMaxColumns> scale_{};
};

// How many of the sorted neighbours a count takes in (those as far as the count-th come
// too), and the radius that holds exactly them: the next neighbour's distance, or 1.1 times
// the last one's when no further neighbour is known.
struct TRadius {
  int count;
  double r;
};
TRadius RadiusFor(const std::vector<TNeighbour>& nb, int count) {
  const int known = static_cast<int>(nb.size());
  int m = std::min(count, known);
  while (m < known && nb[m].d2 == nb[m - 1].d2) ++m;
  const double r = m < known ? std::sqrt(nb[m].d2) : 1.1 * std::sqrt(nb[known - 1].d2);
  return {m, r};
}

// The same for the nodes of a neighbourhood reaching across lines of nodes (NodeNeighbours),
// which lie in order of the stretched distance: 1.1 times the farthest one's distance.
TRadius RadiusFor(const std::vector<TNeighbour>& nb, int count, bool acrossLines) {
  if (!acrossLines) return RadiusFor(nb, count);
  const int m = std::min(count, static_cast<int>(nb.size()));
  double far = 0;
  for (int i = 0; i < m; ++i) far = std::max(far, nb[static_cast<std::size_t>(i)].d2);
  return {m, 1.1 * std::sqrt(far)};
}

// The `want` nodes nearest to node k, nearest first. Where the nearest lie along a line of
// nodes (points measured along lines), they are taken in the distance stretched along the
// line (line_neighbourhood.h), so that the nodal function and the radius reach the lines
// beside it: across the lines the nodes along one told nothing but their wiggle, and the
// radii left the space between the lines unreached (the surface 0 there). True in that case;
// d2 is the plain squared distance either way.
bool NodeNeighbours(const TCells& cells, const TNearestPoints& index, const double* x, const double* y,
                    int k, int want, std::vector<TNeighbour>& nb) {
  const double xk = x[k - 1], yk = y[k - 1];
  shepard::NearestNodes(cells, x, y, k, want, nb);
  thread_local std::vector<int> nearest;
  nearest.clear();
  for (const TNeighbour& m : nb) nearest.push_back(m.node - 1);
  TNeighbourhood hood;
  SpanningNearest(index, xk, yk, want, k - 1, hood, nearest);
  if (!hood.acrossLines) return false;
  nb.clear();
  for (const int i : hood.ids) {
    const double ex = x[i] - xk, ey = y[i] - yk;
    nb.push_back({i + 1, ex * ex + ey * ey});
  }
  return true;
}

bool AllFinite(int n, const double* v) {
  for (int k = 0; k < n; ++k)
    if (!std::isfinite(v[k])) return false;
  return true;
}

// All nodes on one line through the first node and the node farthest from it, but for the
// rounding of their coordinates (a few units in the last place of the distances): no fit
// could tell such nodes from a line.
bool AllCollinear(int n, const double* x, const double* y) {
  int far = 0;
  double best = 0;
  for (int k = 1; k < n; ++k) {
    const double d = std::hypot(x[k] - x[0], y[k] - y[0]);
    if (d > best) best = d, far = k;
  }
  if (far == 0) return true;
  const double ux = x[far] - x[0], uy = y[far] - y[0];
  constexpr double kRounding = 64 * std::numeric_limits<double>::epsilon();
  for (int k = 1; k < n; ++k) {
    const double ex = x[k] - x[0], ey = y[k] - y[0];
    if (std::fabs(ex * uy - ey * ux) > kRounding * best * std::hypot(ex, ey)) return false;
  }
  return true;
}

// The degree of polynomial column j of the cubic layout (the cosine columns' harmonic order).
int Degree(int j) { return kCubicDegree[static_cast<std::size_t>(j)]; }

// The value of node m's nodal function (coefficients a) at node k.
double NodalAt(TFamily family, const double* a, const double* x, const double* y, const double* f,
               int m, int k, double w) {
  return NodalJet(family, a, f[m - 1], x[k - 1] - x[m - 1], y[k - 1] - y[m - 1], w, 0).f;
}

// A nodal function held to what the values about its node support (derivative_limiter.h):
// at each of the nodes `near` its terms of degree 3, 2 and 1 (the cosine series' by the
// order of their harmonics) are dropped or scaled so that it stays within the range of their
// values and its own, widened by CheckSlack of `allowance` and of what each one's own nodal
// function (in `original`) misses node k by. A neighbour far nearer than the others dominates
// a fit weighted by the inverse distance, and with noisy values the nodal function took the
// slope between the two across the whole radius.
void LimitNodal(TFamily family, std::span<const int> near, const double* x, const double* y,
                const double* f, int k, const double* w, double allowance, const double* original,
                double* coef) {
  const TFamilyFacts facts = Facts(family);
  const int first = family == TFamily::kQuadratic ? 4 : 0;
  const int order = family == TFamily::kQuadratic ? 2 : 3;
  const auto o = static_cast<std::size_t>(order);
  const std::size_t m = near.size();
  std::vector<TCheck> checks(m);
  std::vector<double> parts(m * o, 0.0);
  const double xk = x[k - 1], yk = y[k - 1], fk = f[k - 1];
  for (std::size_t i = 0; i < m; ++i) {
    const int node = near[i];
    const double* theirs = original + static_cast<std::size_t>(node - 1) * facts.stored;
    const double back = NodalAt(family, theirs, x, y, f, node, k, w[node - 1]) - fk;
    checks[i] = {f[node - 1], CheckSlack(allowance, back)};
    const double ex = x[node - 1] - xk, ey = y[node - 1] - yk;
    double terms[kMaxColumns];
    if (family == TFamily::kCosine) {
      const THarmonics hx = Harmonics(w[k - 1] * ex), hy = Harmonics(w[k - 1] * ey);
      for (int j = 0; j < facts.columns; ++j) {
        const auto p = static_cast<std::size_t>(kCosineTerms[static_cast<std::size_t>(j)][0]);
        const auto q = static_cast<std::size_t>(kCosineTerms[static_cast<std::size_t>(j)][1]);
        terms[j] = hx.c[p] * hy.c[q] - kAtNode[p] * kAtNode[q];
      }
    } else {
      FitColumns(family, ex, ey, 1.0, terms);
    }
    for (int j = 0; j < facts.columns; ++j)
      parts[i * o + static_cast<std::size_t>(Degree(first + j) - 1)] += coef[j] * terms[j];
  }
  double scale[3];
  if (!LimitOrders(fk, checks, parts, order, scale)) return;
  for (int j = 0; j < facts.columns; ++j) coef[j] *= scale[Degree(first + j) - 1];
  if (family == TFamily::kCosine) {
    double atNode = 0;
    for (std::size_t j = 0; j < 9; ++j)
      atNode += coef[j] * kAtNode[static_cast<std::size_t>(kCosineTerms[j][0])] *
                kAtNode[static_cast<std::size_t>(kCosineTerms[j][1])];
    coef[9] = fk - atNode;
  }
}

// The set-up shared by the three families: validation, cells, radii and one fit per node.
int Setup(TFamily family, int n, const double* x, const double* y, const double* f, int nfit,
          int nw, int nr, int* lcell, int* lnext, double& xmin, double& ymin, double& dx,
          double& dy, double& rmax, double* radii, double* a, double* kappa, double* ratio) {
  const TFamilyFacts facts = Facts(family);
  const int limit = std::min(kMaxNodes, n - 1);
  if (n < facts.minNodes || nfit < facts.minFit || nfit > limit || nw < 1 || nw > limit ||
      nr < 1 || !x || !y || !f || !lcell || !lnext || !radii || !a)
    return 1;
  if (!AllFinite(n, x) || !AllFinite(n, y) || !AllFinite(n, f)) return 1;
  const int cellsIer = shepard::StoreCells(n, x, y, nr, lcell, lnext, xmin, ymin, dx, dy);
  if (cellsIer == 1) return 1;
  if (cellsIer == 2 || AllCollinear(n, x, y)) return 3;
  const TCells cells{n, nr, lcell, lnext, xmin, ymin, dx, dy};
  const TNearestPoints index(std::span<const double>(x, static_cast<std::size_t>(n)),
                             std::span<const double>(y, static_cast<std::size_t>(n)));

  // One node beyond the largest count, to place the radius.
  const int fetch = std::min(kMaxNodes + 1, n - 1);
  std::vector<TNeighbour> nb;
  nb.reserve(static_cast<std::size_t>(fetch) * 4);

  // The cosine family's angle scale, from the largest fitting radius per weight radius.
  double turn = kMaxFitAngle;
  if (family == TFamily::kCosine) {
    double worst = 0;
    for (int k = 1; k <= n; ++k) {
      const bool across = NodeNeighbours(cells, index, x, y, k, fetch, nb);
      if (nb.front().d2 == 0) return 2;
      worst = std::max(worst, RadiusFor(nb, nfit, across).r / RadiusFor(nb, nw, across).r);
    }
    turn = kMaxFitAngle / std::max(1.0, worst);
    if (kappa) *kappa = turn;
    if (ratio) *ratio = worst;
  }

  const bool limited = TNodeLimits::Active();
  const double allowance =
      limited ? MeasureTrend(std::span<const double>(x, static_cast<std::size_t>(n)),
                             std::span<const double>(y, static_cast<std::size_t>(n)),
                             std::span<const double>(f, static_cast<std::size_t>(n)))
                    .Allowance()
              : 0.0;
  // The nodes each nodal function is checked at (those its fit and its weight reach) and the
  // cosine family's angle per unit length of each node.
  std::vector<std::vector<int>> near(static_cast<std::size_t>(n));
  std::vector<double> scales(static_cast<std::size_t>(n), 0.0);
  const int width = facts.columns + 1;
  std::vector<double> rows(static_cast<std::size_t>(fetch) * width);
  TLeastSquares ls(facts.columns);
  rmax = 0;
  for (int k = 1; k <= n; ++k) {
    const bool across = NodeNeighbours(cells, index, x, y, k, fetch, nb);
    if (nb.front().d2 == 0) return 2;
    const double xk = x[k - 1], yk = y[k - 1], fk = f[k - 1];
    const double rw = RadiusFor(nb, nw, across).r;
    radii[k - 1] = rw;
    rmax = std::max(rmax, rw);
    const double w = turn / rw;

    // The fit: more nodes while it is ill-conditioned, then damping order by order.
    TRadius fit = RadiusFor(nb, nfit, across);
    for (;;) {
      const double scale = family == TFamily::kCosine ? w : 1.0 / fit.r;
      for (int i = 0; i < fit.count; ++i) {
        const int m = nb[static_cast<std::size_t>(i)].node;
        const double d = std::sqrt(nb[static_cast<std::size_t>(i)].d2);
        const double weight = (fit.r - d) / (fit.r * d);
        double* row = rows.data() + static_cast<std::size_t>(i) * width;
        FitColumns(family, x[m - 1] - xk, y[m - 1] - yk, scale, row);
        for (int j = 0; j < facts.columns; ++j) row[j] *= weight;
        row[facts.columns] = weight * (f[m - 1] - fk);
      }
      ls.Factor(rows, fit.count);
      if (ls.WellConditioned() || fit.count >= limit) break;
      fit = RadiusFor(nb, fit.count + 1, across);
    }
    if (!ls.WellConditioned()) {
      const double sigma = kDamping * std::max(ls.LargestDiagonal(), 1.0);
      int done = 0;
      for (const int upTo : facts.damped) {
        for (; done < upTo; ++done) ls.Damp(done, sigma);
        if (ls.WellConditioned()) break;
      }
    }
    // Noisy values: every coefficient is drawn towards 0 as far as the fit's own residuals
    // leave it undetermined (ridge regression, a term's size over the radius being about the
    // spread of the values fitted). Neighbours along a line a hair wide determine nothing
    // across it, and the fit read the noise over the hair as slopes of thousands across it;
    // data the family reproduces leave no residual and keep their exact fit.
    double trial[kMaxColumns + 1] = {};
    ls.Solve(trial);
    double rss = 0, spread = 0;
    for (int i = 0; i < fit.count; ++i) {
      const double* row = rows.data() + static_cast<std::size_t>(i) * width;
      double r = -row[facts.columns];
      for (int j = 0; j < facts.columns; ++j) r += row[j] * trial[j];
      rss += r * r;
      spread = std::max(spread, std::fabs(f[nb[static_cast<std::size_t>(i)].node - 1] - fk));
    }
    const double residual = std::sqrt(rss / std::max(1, fit.count - facts.columns));
    if (spread > 0 && residual > kExactFit * spread)
      for (int j = 0; j < facts.columns; ++j) ls.DampOriginal(j, residual / spread);
    double* coef = a + static_cast<std::size_t>(k - 1) * facts.stored;
    ls.Solve(coef);
    if (family == TFamily::kCosine) {
      // The constant term makes the series take f_k at its node.
      double atNode = 0;
      for (int j = 0; j < 9; ++j)
        atNode += coef[j] * kAtNode[kCosineTerms[j][0]] * kAtNode[kCosineTerms[j][1]];
      coef[9] = fk - atNode;
    } else {
      const int first = family == TFamily::kQuadratic ? 4 : 0;
      for (int j = 0; j < facts.columns; ++j) coef[j] /= std::pow(fit.r, kCubicDegree[first + j]);
    }
    const int checked = std::max(fit.count, RadiusFor(nb, nw, across).count);
    std::vector<int>& mine = near[static_cast<std::size_t>(k - 1)];
    for (int i = 0; i < checked; ++i) mine.push_back(nb[static_cast<std::size_t>(i)].node);
    scales[static_cast<std::size_t>(k - 1)] = w;
  }
  // Every nodal function is limited against its neighbours' own, as they were fitted.
  if (!limited) return 0;
  const std::vector<double> original(a, a + static_cast<std::size_t>(n) * facts.stored);
  for (int k = 1; k <= n; ++k)
    LimitNodal(family, near[static_cast<std::size_t>(k - 1)], x, y, f, k, scales.data(),
               allowance, original.data(), a + static_cast<std::size_t>(k - 1) * facts.stored);
  return 0;
}

// One node's share of the blend: its weight with derivatives and its nodal function.
struct TShare {
  double w, wx, wy, wxx, wxy, wyy;
  TJet q;
};

// The blend at (px, py); order 0 value, 1 gradient, 2 Hessian. IER 0, 1 or 2 (shepard.h).
int Blend(TFamily family, double px, double py, int n, const double* x, const double* y,
          const double* f, int nr, const int* lcell, const int* lnext, double xmin, double ymin,
          double dx, double dy, double kappa, double rmax, const double* radii, const double* a,
          int order, TJet& out) {
  out = TJet{};
  const TFamilyFacts facts = Facts(family);
  if (n < facts.minNodes || nr < 1 || !(dx > 0) || !(dy > 0) || !(rmax >= 0) ||
      !std::isfinite(rmax) || !std::isfinite(px) || !std::isfinite(py) || !std::isfinite(xmin) ||
      !std::isfinite(ymin) || !std::isfinite(dx) || !std::isfinite(dy) || !x || !y || !f ||
      !lcell || !lnext || !radii || !a)
    return 1;
  if (family == TFamily::kCosine && !(kappa > 0 && std::isfinite(kappa))) return 1;
  const TCells cells{n, nr, lcell, lnext, xmin, ymin, dx, dy};
  const double p = facts.power;
  std::vector<TShare> shares;
  int hit = 0;
  const bool valid = shepard::NodesNear(cells, px, py, rmax, [&](int k) {
    const double r = radii[k - 1];
    const double ex = px - x[k - 1], ey = py - y[k - 1];
    const double d2 = ex * ex + ey * ey;
    if (hit != 0 || !(d2 < r * r)) return;
    const double d = std::sqrt(d2);
    if (d <= kNodeHit * r) {
      hit = k;
      return;
    }
    const double* coef = a + static_cast<std::size_t>(k - 1) * facts.stored;
    TShare s{};
    const double h = 1 / d - 1 / r;
    s.w = std::pow(h, p);
    s.q = NodalJet(family, coef, f[k - 1], ex, ey, kappa / r, order);
    if (order >= 1) {
      const double g1 = -p * std::pow(h, p - 1) / d2;  // dW/dd
      const double ux = ex / d, uy = ey / d;
      s.wx = g1 * ux;
      s.wy = g1 * uy;
      if (order >= 2) {
        const double g2 = p * (p - 1) * std::pow(h, p - 2) / (d2 * d2) + 2 * p * std::pow(h, p - 1) / (d2 * d);
        s.wxx = g2 * ux * ux + g1 * uy * uy / d;
        s.wyy = g2 * uy * uy + g1 * ux * ux / d;
        s.wxy = (g2 - g1 / d) * ux * uy;
      }
    }
    shares.push_back(s);
  });
  if (!valid) return 1;
  if (hit != 0) {
    const double* coef = a + static_cast<std::size_t>(hit - 1) * facts.stored;
    out = NodalJet(family, coef, f[hit - 1], 0, 0, kappa / radii[hit - 1], order);
    out.f = f[hit - 1];  // the nodal function's own value, without rounding
    return 0;
  }
  double sw = 0, swq = 0;
  for (const TShare& s : shares) sw += s.w, swq += s.w * s.q.f;
  if (!(sw > 0)) return 2;
  TJet c;
  c.f = swq / sw;
  if (order >= 1) {
    for (const TShare& s : shares) {
      c.fx += s.wx * (s.q.f - c.f) + s.w * s.q.fx;
      c.fy += s.wy * (s.q.f - c.f) + s.w * s.q.fy;
    }
    c.fx /= sw;
    c.fy /= sw;
  }
  if (order >= 2) {
    for (const TShare& s : shares) {
      const double e = s.q.f - c.f, ex = s.q.fx - c.fx, ey = s.q.fy - c.fy;
      c.fxx += s.wxx * e + 2 * s.wx * ex + s.w * s.q.fxx;
      c.fxy += s.wxy * e + s.wx * ey + s.wy * ex + s.w * s.q.fxy;
      c.fyy += s.wyy * e + 2 * s.wy * ey + s.w * s.q.fyy;
    }
    c.fxx /= sw;
    c.fxy /= sw;
    c.fyy /= sw;
  }
  out = c;
  return 0;
}

}  // namespace

// ---- quadratic (ACM 660) ----

void qshep2(int n, const double* x, const double* y, const double* f, int nq, int nw, int nr,
            int* lcell, int* lnext, double& xmin, double& ymin, double& dx, double& dy,
            double& rmax, double* radii, double* a, int& ier) {
  ier = Setup(TFamily::kQuadratic, n, x, y, f, nq, nw, nr, lcell, lnext, xmin, ymin, dx, dy, rmax,
              radii, a, nullptr, nullptr);
}

void qs2val(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& rmax, const double* radii,
            const double* a, double& q) {
  TJet jet;
  (void)Blend(TFamily::kQuadratic, px, py, n, x, y, f, nr, lcell, lnext, xmin, ymin, dx, dy, 0,
              rmax, radii, a, 0, jet);  // a failure leaves the published 0
  q = jet.f;
}

void qs2grd(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& rmax, const double* radii,
            const double* a, double& q, double& qx, double& qy, int& ier) {
  TJet jet;
  ier = Blend(TFamily::kQuadratic, px, py, n, x, y, f, nr, lcell, lnext, xmin, ymin, dx, dy, 0,
              rmax, radii, a, 1, jet);
  q = jet.f;
  qx = jet.fx;
  qy = jet.fy;
}

// ---- cubic (ACM 790) ----

void cshep2(int n, const double* x, const double* y, const double* f, int nc, int nw, int nr,
            int* lcell, int* lnext, double& xmin, double& ymin, double& dx, double& dy,
            double& rmax, double* radii, double* a, int& ier) {
  ier = Setup(TFamily::kCubic, n, x, y, f, nc, nw, nr, lcell, lnext, xmin, ymin, dx, dy, rmax,
              radii, a, nullptr, nullptr);
}

void cs2val(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& rmax, const double* radii,
            const double* a, double& c) {
  TJet jet;
  (void)Blend(TFamily::kCubic, px, py, n, x, y, f, nr, lcell, lnext, xmin, ymin, dx, dy, 0, rmax,
              radii, a, 0, jet);  // a failure leaves the published 0
  c = jet.f;
}

void cs2grd(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& rmax, const double* radii,
            const double* a, double& c, double& cx, double& cy, int& ier) {
  TJet jet;
  ier = Blend(TFamily::kCubic, px, py, n, x, y, f, nr, lcell, lnext, xmin, ymin, dx, dy, 0, rmax,
              radii, a, 1, jet);
  c = jet.f;
  cx = jet.fx;
  cy = jet.fy;
}

void cs2hes(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& rmax, const double* radii,
            const double* a, double& c, double& cx, double& cy, double& cxx, double& cxy,
            double& cyy, int& ier) {
  TJet jet;
  ier = Blend(TFamily::kCubic, px, py, n, x, y, f, nr, lcell, lnext, xmin, ymin, dx, dy, 0, rmax,
              radii, a, 2, jet);
  c = jet.f;
  cx = jet.fx;
  cy = jet.fy;
  cxx = jet.fxx;
  cxy = jet.fxy;
  cyy = jet.fyy;
}

// ---- cosine series (ACM 791) ----

void tshep2(int n, const double* x, const double* y, const double* f, int nc, int nw, int nr,
            int* lcell, int* lnext, double& xmin, double& ymin, double& dx, double& dy,
            double& kappa, double& ratio, double& rmax, double* radii, double* a, int& ier) {
  ier = Setup(TFamily::kCosine, n, x, y, f, nc, nw, nr, lcell, lnext, xmin, ymin, dx, dy, rmax,
              radii, a, &kappa, &ratio);
}

void ts2val(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& kappa, const double& ratio,
            const double& rmax, const double* radii, const double* a, double& t) {
  (void)ratio;  // a fact of the set-up; the evaluation needs KAPPA only
  TJet jet;
  (void)Blend(TFamily::kCosine, px, py, n, x, y, f, nr, lcell, lnext, xmin, ymin, dx, dy, kappa,
              rmax, radii, a, 0, jet);  // a failure leaves the published 0
  t = jet.f;
}

void ts2grd(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& kappa, const double& ratio,
            const double& rmax, const double* radii, const double* a, double& t, double& tx,
            double& ty, int& ier) {
  (void)ratio;  // a fact of the set-up; the evaluation needs KAPPA only
  TJet jet;
  ier = Blend(TFamily::kCosine, px, py, n, x, y, f, nr, lcell, lnext, xmin, ymin, dx, dy, kappa,
              rmax, radii, a, 1, jet);
  t = jet.f;
  tx = jet.fx;
  ty = jet.fy;
}

void ts2hes(double px, double py, int n, const double* x, const double* y, const double* f,
            int nr, const int* lcell, const int* lnext, const double& xmin, const double& ymin,
            const double& dx, const double& dy, const double& kappa, const double& ratio,
            const double& rmax, const double* radii, const double* a, double& t, double& tx,
            double& ty, double& txx, double& txy, double& tyy, int& ier) {
  (void)ratio;  // a fact of the set-up; the evaluation needs KAPPA only
  TJet jet;
  ier = Blend(TFamily::kCosine, px, py, n, x, y, f, nr, lcell, lnext, xmin, ymin, dx, dy, kappa,
              rmax, radii, a, 2, jet);
  t = jet.f;
  tx = jet.fx;
  ty = jet.fy;
  txx = jet.fxx;
  txy = jet.fxy;
  tyy = jet.fyy;
}
