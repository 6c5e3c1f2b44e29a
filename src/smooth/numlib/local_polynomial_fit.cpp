#include "smooth/numlib/local_polynomial_fit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "smooth/kernels/nearest_points.h"
#include "smooth/numlib/small_counts.h"

namespace {

// The columns are monomials of the offsets in units of the neighbourhood's radius, so a
// well-spread neighbourhood gives every column a part of about the size of the largest that
// no earlier column explains. A part smaller than this share of the largest column means the
// neighbours hardly spread in that term's direction (all within a sliver along one line):
// its coefficient would be rounding error divided by the sliver's width.
constexpr double kRankTolerance = 1e-6;

// Nearer neighbours weigh more, down to this share of the neighbourhood's radius: a
// neighbour far nearer than the others is no better known than they are, and weighed by
// its distance alone it set the slope between the two points (noisy values a thousandth of
// the radius apart gave slopes of a thousand noise widths), which the higher terms then had
// to take back at every other neighbour.
constexpr double kNearestWeighed = 0.25;

// Least squares min |A c - b| by Householder QR (A is rows x cols, column-major). False when a
// column is, to the tolerance, a combination of the columns before it.
bool SolveLeastSquares(std::vector<double>& a, std::vector<double>& b, int rows, int cols,
                       std::vector<double>& c) {
  if (rows < cols) return false;
  auto A = [&a, rows](int i, int j) -> double& { return a[static_cast<std::size_t>(j) * rows + i]; };
  double largest = 0;
  for (int j = 0; j < cols; ++j) {
    double s = 0;
    for (int i = 0; i < rows; ++i) s += A(i, j) * A(i, j);
    largest = std::max(largest, std::sqrt(s));
  }
  std::vector<double> diag(static_cast<std::size_t>(cols));
  for (int j = 0; j < cols; ++j) {
    double s = 0;
    for (int i = j; i < rows; ++i) s += A(i, j) * A(i, j);
    const double alpha = A(j, j) > 0 ? -std::sqrt(s) : std::sqrt(s);
    if (!(std::fabs(alpha) > kRankTolerance * largest)) return false;
    diag[static_cast<std::size_t>(j)] = alpha;
    A(j, j) -= alpha;  // the Householder vector v = x - alpha e1, stored in place
    const double vnorm2 = s - 2 * alpha * (A(j, j) + alpha) + alpha * alpha;
    if (vnorm2 <= 0) continue;
    for (int k = j + 1; k < cols; ++k) {
      double dot = 0;
      for (int i = j; i < rows; ++i) dot += A(i, j) * A(i, k);
      const double f = 2 * dot / vnorm2;
      for (int i = j; i < rows; ++i) A(i, k) -= f * A(i, j);
    }
    double dot = 0;
    for (int i = j; i < rows; ++i) dot += A(i, j) * b[static_cast<std::size_t>(i)];
    const double f = 2 * dot / vnorm2;
    for (int i = j; i < rows; ++i) b[static_cast<std::size_t>(i)] -= f * A(i, j);
  }
  c.assign(static_cast<std::size_t>(cols), 0.0);
  for (int j = cols - 1; j >= 0; --j) {
    double s = b[static_cast<std::size_t>(j)];
    for (int k = j + 1; k < cols; ++k) s -= A(j, k) * c[static_cast<std::size_t>(k)];
    c[static_cast<std::size_t>(j)] = s / diag[static_cast<std::size_t>(j)];
  }
  return true;
}

// In a neighbourhood that reaches across lines of points (line_neighbourhood.h) a term is
// kept only where the points spread in its direction by at least this share of the term's
// own size: three lines determine a quadratic across them but not a cubic, whose column
// differs from the linear one by the lines' wiggle alone, and the wiggle would divide the
// residual of the rise along the lines into a cubic across them.
constexpr double kTermTolerance = 0.05;

// Least squares min |A c - b| by Householder QR over the columns that the rows determine:
// column j is left out (c_j = 0) when its part that the columns kept before it do not
// explain is below kTermTolerance of its own length. False when a first-degree column (the
// first `planeColumns`) is left out.
bool SolveDeterminedTerms(std::vector<double>& a, std::vector<double>& b, int rows, int cols,
                          int planeColumns, std::vector<double>& c, std::vector<char>& kept) {
  auto A = [&a, rows](int i, int j) -> double& { return a[static_cast<std::size_t>(j) * rows + i]; };
  std::vector<double> length(static_cast<std::size_t>(cols));
  for (int j = 0; j < cols; ++j) {
    double s = 0;
    for (int i = 0; i < rows; ++i) s += A(i, j) * A(i, j);
    length[static_cast<std::size_t>(j)] = std::sqrt(s);
  }
  kept.assign(static_cast<std::size_t>(cols), 0);
  std::vector<int> pivot;        // the column of each accepted row
  std::vector<double> diag;
  for (int j = 0; j < cols; ++j) {
    const int r = static_cast<int>(pivot.size());
    if (r >= rows) break;
    double s = 0;
    for (int i = r; i < rows; ++i) s += A(i, j) * A(i, j);
    if (!(std::sqrt(s) >= kTermTolerance * length[static_cast<std::size_t>(j)]) ||
        !(length[static_cast<std::size_t>(j)] > 0)) {
      if (j < planeColumns) return false;
      continue;
    }
    const double alpha = A(r, j) > 0 ? -std::sqrt(s) : std::sqrt(s);
    A(r, j) -= alpha;
    const double vnorm2 = s - 2 * alpha * (A(r, j) + alpha) + alpha * alpha;
    if (vnorm2 > 0) {
      for (int k = j + 1; k < cols; ++k) {
        double dot = 0;
        for (int i = r; i < rows; ++i) dot += A(i, j) * A(i, k);
        const double f = 2 * dot / vnorm2;
        for (int i = r; i < rows; ++i) A(i, k) -= f * A(i, j);
      }
      double dot = 0;
      for (int i = r; i < rows; ++i) dot += A(i, j) * b[static_cast<std::size_t>(i)];
      const double f = 2 * dot / vnorm2;
      for (int i = r; i < rows; ++i) b[static_cast<std::size_t>(i)] -= f * A(i, j);
    }
    pivot.push_back(j);
    diag.push_back(alpha);
    kept[static_cast<std::size_t>(j)] = 1;
  }
  for (int j = 0; j < std::min(planeColumns, cols); ++j)
    if (!kept[static_cast<std::size_t>(j)]) return false;
  c.assign(static_cast<std::size_t>(cols), 0.0);
  for (int r = static_cast<int>(pivot.size()) - 1; r >= 0; --r) {
    double s = b[static_cast<std::size_t>(r)];
    for (std::size_t l = static_cast<std::size_t>(r) + 1; l < pivot.size(); ++l)
      s -= A(r, pivot[l]) * c[static_cast<std::size_t>(pivot[l])];
    c[static_cast<std::size_t>(pivot[static_cast<std::size_t>(r)])] = s / diag[static_cast<std::size_t>(r)];
  }
  return true;
}

}  // namespace

int LocalFitTerms(int degree) { return (degree + 1) * (degree + 2) / 2 - 1; }

bool LocalPolynomialFit(std::span<const double> x, std::span<const double> y,
                        std::span<const double> z, int self, std::span<const int> neighbours,
                        int maxDegree, TLocalFit& out) {
  out = TLocalFit{};
  const auto s = static_cast<std::size_t>(self);
  const double x0 = x[s], y0 = y[s], z0 = z[s];
  const int rows = static_cast<int>(neighbours.size());
  double radius = 0;
  for (const int k : neighbours)
    radius = std::max(radius, std::hypot(x[static_cast<std::size_t>(k)] - x0,
                                         y[static_cast<std::size_t>(k)] - y0));
  if (!(radius > 0) || !std::isfinite(radius)) return false;
  // Weights fall from the nearest neighbour (or one a quarter of the radius away) to a
  // third of that at the farthest.
  const double reach = 1.5 * radius;
  std::vector<double> weight(static_cast<std::size_t>(rows)), u(weight.size()), v(weight.size());
  for (int i = 0; i < rows; ++i) {
    const auto k = static_cast<std::size_t>(neighbours[static_cast<std::size_t>(i)]);
    u[static_cast<std::size_t>(i)] = (x[k] - x0) / radius;
    v[static_cast<std::size_t>(i)] = (y[k] - y0) / radius;
    const double r = std::hypot(u[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(i)]);
    weight[static_cast<std::size_t>(i)] = (reach / radius - r) / (reach / radius * std::max(r, kNearestWeighed));
  }
  for (int degree = std::min(maxDegree, kLocalFitMaxDegree); degree >= 1; --degree) {
    const int cols = LocalFitTerms(degree);
    if (rows < cols) continue;
    std::vector<double> a(static_cast<std::size_t>(rows) * cols), b(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
      const auto iu = static_cast<std::size_t>(i);
      int col = 0;
      for (int total = 1; total <= degree; ++total)
        for (int py = 0; py <= total; ++py) {
          const int px = total - py;
          a[static_cast<std::size_t>(col++) * rows + iu] =
              weight[iu] * std::pow(u[iu], px) * std::pow(v[iu], py);
        }
      const auto k = static_cast<std::size_t>(neighbours[iu]);
      b[iu] = weight[iu] * (z[k] - z0);
    }
    std::vector<double> c;
    if (!SolveLeastSquares(a, b, rows, cols, c)) continue;
    out.degree = degree;
    out.d[0][0] = z0;
    int col = 0;
    for (int total = 1; total <= degree; ++total)
      for (int py = 0; py <= total; ++py) {
        const int px = total - py;
        out.d[px][py] = c[static_cast<std::size_t>(col++)] * Factorial(px) * Factorial(py) /
                        std::pow(radius, total);
      }
    for (int a1 = 0; a1 <= kLocalFitMaxDegree; ++a1)
      for (int b1 = 0; a1 + b1 <= kLocalFitMaxDegree; ++b1)
        if (!std::isfinite(out.d[a1][b1])) return false;
    return true;
  }
  return false;
}

bool LocalPolynomialFit(std::span<const double> x, std::span<const double> y,
                        std::span<const double> z, int self, const TNeighbourhood& hood,
                        int maxDegree, TLocalFit& out) {
  if (!hood.acrossLines) return LocalPolynomialFit(x, y, z, self, hood.ids, maxDegree, out);
  out = TLocalFit{};
  const auto s = static_cast<std::size_t>(self);
  const double x0 = x[s], y0 = y[s], z0 = z[s];
  const int rows = static_cast<int>(hood.ids.size());
  // The offsets in the frame of the lines: along them (stretched to the spacing of the
  // lines), across them.
  std::vector<double> p(static_cast<std::size_t>(rows)), q(p.size()), weight(p.size());
  double radius = 0;
  for (int i = 0; i < rows; ++i) {
    const auto k = static_cast<std::size_t>(hood.ids[static_cast<std::size_t>(i)]);
    const auto iu = static_cast<std::size_t>(i);
    p[iu] = hood.Along(x[k] - x0, y[k] - y0);
    q[iu] = hood.Across(x[k] - x0, y[k] - y0);
    radius = std::max(radius, std::hypot(p[iu], q[iu]));
  }
  if (!(radius > 0) || !std::isfinite(radius)) return false;
  const double reach = 1.5;
  for (std::size_t i = 0; i < p.size(); ++i) {
    p[i] /= radius;
    q[i] /= radius;
    const double r = std::hypot(p[i], q[i]);
    weight[i] = (reach - r) / (reach * std::max(r, kNearestWeighed));
  }
  const int degree = std::min(maxDegree, kLocalFitMaxDegree);
  const int cols = LocalFitTerms(degree);
  if (rows < 2) return false;
  std::vector<double> a(static_cast<std::size_t>(rows) * cols), b(static_cast<std::size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    const auto iu = static_cast<std::size_t>(i);
    int col = 0;
    for (int total = 1; total <= degree; ++total)
      for (int pq = 0; pq <= total; ++pq)
        a[static_cast<std::size_t>(col++) * rows + iu] = weight[iu] * std::pow(p[iu], total - pq) * std::pow(q[iu], pq);
    b[iu] = weight[iu] * (z[static_cast<std::size_t>(hood.ids[iu])] - z0);
  }
  std::vector<double> c;
  std::vector<char> kept;
  if (!SolveDeterminedTerms(a, b, rows, cols, 2, c, kept)) return false;
  // The polynomial in the frame, sum c_ab p^a q^b (offsets in units of the radius), in the
  // offsets dx, dy: p = m11 dx + m12 dy, q = m21 dx + m22 dy.
  const double m11 = hood.Along(1, 0) / radius, m12 = hood.Along(0, 1) / radius;
  const double m21 = hood.Across(1, 0) / radius, m22 = hood.Across(0, 1) / radius;
  double poly[kLocalFitMaxDegree + 1][kLocalFitMaxDegree + 1] = {};
  int col = 0;
  for (int total = 1; total <= degree; ++total)
    for (int pq = 0; pq <= total; ++pq) {
      const double coef = c[static_cast<std::size_t>(col)];
      if (kept[static_cast<std::size_t>(col++)]) out.degree = total;
      if (coef == 0) continue;
      const int pa = total - pq;
      for (int i = 0; i <= pa; ++i)
        for (int j = 0; j <= pq; ++j)
          poly[i + j][total - i - j] += coef * Binomial(pa, i) * std::pow(m11, i) * std::pow(m12, pa - i) *
                                        Binomial(pq, j) * std::pow(m21, j) * std::pow(m22, pq - j);
    }
  out.d[0][0] = z0;
  for (int a1 = 0; a1 <= degree; ++a1)
    for (int b1 = 0; a1 + b1 <= degree; ++b1)
      if (a1 + b1 > 0) out.d[a1][b1] = poly[a1][b1] * Factorial(a1) * Factorial(b1);
  for (int a1 = 0; a1 <= kLocalFitMaxDegree; ++a1)
    for (int b1 = 0; a1 + b1 <= kLocalFitMaxDegree; ++b1)
      if (!std::isfinite(out.d[a1][b1])) return false;
  return true;
}

bool FitAtPoint(const TNearestPoints& nearest, std::span<const double> x, std::span<const double> y,
                std::span<const double> z, int self, int count, int maxDegree, TLocalFit& fit,
                std::vector<int>& neighbours) {
  const int others = static_cast<int>(std::min({x.size(), y.size(), z.size()})) - 1;
  const auto s = static_cast<std::size_t>(self);
  TNeighbourhood hood;
  bool ok = false;
  for (int want = std::min(others, count); !ok; want = std::min(others, 2 * want)) {
    SpanningNearest(nearest, x[s], y[s], want, self, hood);
    ok = LocalPolynomialFit(x, y, z, self, hood, maxDegree, fit);
    if (want >= others) break;
  }
  neighbours = hood.ids;
  return ok;
}

TNodeTaylor FitTaylor(const TLocalFit& fit) {
  static_assert(kLocalFitMaxDegree <= kTaylorMaxOrder);
  TNodeTaylor t;
  t.order = fit.degree;
  for (int a = 0; a <= kLocalFitMaxDegree; ++a)
    for (int b = 0; a + b <= kLocalFitMaxDegree; ++b)
      if (a + b > 0) t.d[a][b] = fit.d[a][b];
  return t;
}
