#include "smooth/numlib/local_polynomial_fit.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

double Factorial(int n) {
  double f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
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

TNodeTaylor FitTaylor(const TLocalFit& fit) {
  static_assert(kLocalFitMaxDegree <= kTaylorMaxOrder);
  TNodeTaylor t;
  t.order = fit.degree;
  for (int a = 0; a <= kLocalFitMaxDegree; ++a)
    for (int b = 0; a + b <= kLocalFitMaxDegree; ++b)
      if (a + b > 0) t.d[a][b] = fit.d[a][b];
  return t;
}
