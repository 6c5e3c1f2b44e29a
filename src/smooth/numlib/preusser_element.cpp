#include "smooth/numlib/preusser_element.h"

#include <cmath>
#include <utility>
#include <vector>

#include "smooth/numlib/small_counts.h"

namespace {

constexpr int kMax = TBiPoly::kMaxDegree;

// Bernstein-Bezier coefficients of degree n over a triangle: index (i0, i1, i2) with
// i0 + i1 + i2 = n, i_k the power of the barycentric coordinate of vertex k.
struct BezierNet {
  int n = 0;
  double b[kMax + 1][kMax + 1] = {};
  double& At(const int (&idx)[3]) { return b[idx[0]][idx[1]]; }
  double At(const int (&idx)[3]) const { return b[idx[0]][idx[1]]; }
};

// The coefficients of the symmetric ninth-derivative functional of the nonic's central
// coefficient: (E0-E1)^6 (E1-E2)^3 summed over the cyclic shifts, minus the same with the
// orientation reversed, expanded in the shift operators E_k.
struct CentreFunctional {
  double l[kMax + 1][kMax + 1] = {};  // l[i0][i1], i2 = 9 - i0 - i1
  CentreFunctional() {
    // Products of linear forms in three variables, as coefficient tables.
    using Form = std::vector<double>;  // index i0 * 10 + i1, i2 implied by the degree
    // (E_a - E_b)^exponent as a table over (i0, i1, i2).
    auto power = [](int a, int b, int exponent) {
      Form f(100, 0.0);
      for (int k = 0; k <= exponent; ++k) {
        int idx[3] = {0, 0, 0};
        idx[a] += exponent - k;
        idx[b] += k;
        f[static_cast<std::size_t>(idx[0] * 10 + idx[1])] +=
            Binomial(exponent, k) * ((k % 2) ? -1.0 : 1.0);
      }
      return f;
    };
    auto product = [](const Form& f, int df, const Form& g, int dg) {
      Form h(100, 0.0);
      for (int i0 = 0; i0 <= df; ++i0)
        for (int i1 = 0; i0 + i1 <= df; ++i1) {
          const double a = f[static_cast<std::size_t>(i0 * 10 + i1)];
          if (a == 0.0) continue;
          for (int j0 = 0; j0 <= dg; ++j0)
            for (int j1 = 0; j0 + j1 <= dg; ++j1)
              h[static_cast<std::size_t>((i0 + j0) * 10 + i1 + j1)] +=
                  a * g[static_cast<std::size_t>(j0 * 10 + j1)];
        }
      return h;
    };
    const int cyc[3][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}};
    for (const auto& p : cyc) {
      const int a = p[0], b = p[1], c = p[2];
      const Form s1 = product(power(a, b, 6), 6, power(b, c, 3), 3);
      const Form s2 = product(power(a, b, 6), 6, power(c, a, 3), 3);
      for (int i0 = 0; i0 <= 9; ++i0)
        for (int i1 = 0; i0 + i1 <= 9; ++i1)
          l[i0][i1] += s1[static_cast<std::size_t>(i0 * 10 + i1)] -
                       s2[static_cast<std::size_t>(i0 * 10 + i1)];
    }
  }
};

// The directional difference net (beta . E)^m of a net: coefficients of degree n - m.
std::vector<double> DirectionalNet(const BezierNet& net, const double beta[3], int m) {
  const int n = net.n;
  std::vector<double> cur(static_cast<std::size_t>((kMax + 1) * (kMax + 1)), 0.0);
  for (int i0 = 0; i0 <= n; ++i0)
    for (int i1 = 0; i0 + i1 <= n; ++i1) cur[static_cast<std::size_t>(i0 * (kMax + 1) + i1)] = net.b[i0][i1];
  for (int step = 1; step <= m; ++step) {
    const int d = n - step;
    std::vector<double> next(cur.size(), 0.0);
    for (int i0 = 0; i0 <= d; ++i0)
      for (int i1 = 0; i0 + i1 <= d; ++i1)
        next[static_cast<std::size_t>(i0 * (kMax + 1) + i1)] =
            beta[0] * cur[static_cast<std::size_t>((i0 + 1) * (kMax + 1) + i1)] +
            beta[1] * cur[static_cast<std::size_t>(i0 * (kMax + 1) + i1 + 1)] +
            beta[2] * cur[static_cast<std::size_t>(i0 * (kMax + 1) + i1)];
    cur.swap(next);
  }
  return cur;
}

// (ex d/dx + ey d/dy)^j (fx d/dx + fy d/dy)^l of the vertex data.
double DirectionalDerivative(const TPreusserVertex& v, double ex, double ey, int j, double fx,
                             double fy, int l) {
  // Coefficients of X^a Y^(deg - a) of the operator polynomial.
  double op[9] = {1.0};
  int deg = 0;
  auto times = [&op, &deg](double cx, double cy) {
    for (int a = deg + 1; a >= 0; --a)
      op[a] = (a > 0 ? cx * op[a - 1] : 0.0) + (a <= deg ? cy * op[a] : 0.0);
    ++deg;
  };
  for (int s = 0; s < j; ++s) times(ex, ey);
  for (int s = 0; s < l; ++s) times(fx, fy);
  double sum = 0.0;
  for (int a = 0; a <= deg; ++a) sum += op[a] * v.d[a][deg - a];
  return sum;
}

// The polynomial of degree 2k - 1 on [0, 1] with the derivatives f0[i], f1[i] (i < k) at its
// ends, by elimination on its k + k conditions.
void HermiteOnUnit(int k, const double* f0, const double* f1, double* coef) {
  const int m = 2 * k;
  double a[10][11] = {};
  for (int i = 0; i < k; ++i) {
    a[i][i] = Factorial(i);
    a[i][m] = f0[i];
    for (int j = i; j < m; ++j) a[k + i][j] = Factorial(j) / Factorial(j - i);
    a[k + i][m] = f1[i];
  }
  for (int col = 0; col < m; ++col) {
    int piv = col;
    for (int row = col + 1; row < m; ++row)
      if (std::fabs(a[row][col]) > std::fabs(a[piv][col])) piv = row;
    for (int j = 0; j <= m; ++j) std::swap(a[col][j], a[piv][j]);
    for (int row = 0; row < m; ++row) {
      if (row == col || a[row][col] == 0.0) continue;
      const double f = a[row][col] / a[col][col];
      for (int j = col; j <= m; ++j) a[row][j] -= f * a[col][j];
    }
  }
  for (int j = 0; j < m; ++j) coef[j] = a[j][m] / a[j][j];
}

}  // namespace

double TBiPoly::Derivative(int a, int b, double u, double v) const {
  double sum = 0.0;
  for (int i = degree; i >= a; --i) {
    double row = 0.0;
    for (int j = degree - i; j >= b; --j) {
      double f = c[i][j];
      for (int k = 0; k < b; ++k) f *= j - k;
      row = row * v + f;
    }
    double f = 1.0;
    for (int k = 0; k < a; ++k) f *= i - k;
    sum = sum * u + f * row;
  }
  return sum;
}

double TAffinePoly::Value(double x, double y, int mode) const {
  if (mode < 0 || mode > 5) return 0.0;
  const double dx = x - x0, dy = y - y0;
  const double u = j11 * dx + j12 * dy, v = j21 * dx + j22 * dy;
  if (mode == 0) return poly.Derivative(0, 0, u, v);
  if (mode <= 2) {
    const double pu = poly.Derivative(1, 0, u, v), pv = poly.Derivative(0, 1, u, v);
    return mode == 1 ? j11 * pu + j21 * pv : j12 * pu + j22 * pv;
  }
  const double puu = poly.Derivative(2, 0, u, v), puv = poly.Derivative(1, 1, u, v);
  const double pvv = poly.Derivative(0, 2, u, v);
  switch (mode) {
    case 3:
      return j11 * j11 * puu + 2 * j11 * j21 * puv + j21 * j21 * pvv;
    case 4:
      return j12 * j12 * puu + 2 * j12 * j22 * puv + j22 * j22 * pvv;
    default:
      return j11 * j12 * puu + (j11 * j22 + j12 * j21) * puv + j21 * j22 * pvv;
  }
}

TBezierTriangle PreusserElement(const std::array<TPreusserVertex, 3>& v, int order) {
  const int r = order, n = 2 * r + 1;
  BezierNet net;
  net.n = n;

  // Near each vertex: its Taylor expansion along the two sides from it.
  for (int k = 0; k < 3; ++k) {
    const int pn = (k + 1) % 3, po = (k + 2) % 3;
    const double ex = v[pn].x - v[k].x, ey = v[pn].y - v[k].y;
    const double fx = v[po].x - v[k].x, fy = v[po].y - v[k].y;
    double taylor[5][5] = {};
    for (int j = 0; j <= r; ++j)
      for (int l = 0; j + l <= r; ++l) {
        const double sum = DirectionalDerivative(v[k], ex, ey, j, fx, fy, l);
        taylor[j][l] = sum / (Factorial(j) * Factorial(l));
      }
    for (int j = 0; j <= r; ++j)
      for (int l = 0; j + l <= r; ++l) {
        double c = 0.0;
        for (int j1 = 0; j1 <= j; ++j1)
          for (int l1 = 0; l1 <= l; ++l1)
            c += taylor[j1][l1] * Binomial(j, j1) * Binomial(l, l1) * Factorial(j1) *
                 Factorial(l1) * Factorial(n - j1 - l1) / Factorial(n);
        int idx[3];
        idx[k] = n - j - l;
        idx[pn] = j;
        idx[po] = l;
        net.At(idx) = c;
      }
  }

  // Across each side: the m-th normal derivative along it of degree 2(r - m) + 1.
  for (int opp = 0; opp < 3; ++opp) {
    const int A = (opp + 1) % 3, B = (opp + 2) % 3;
    const double ex = v[B].x - v[A].x, ey = v[B].y - v[A].y;
    const double fx = v[opp].x - v[A].x, fy = v[opp].y - v[A].y;
    const double dx = -ey, dy = ex;  // the side's normal
    const double det = ex * fy - ey * fx;
    double beta[3];
    beta[B] = (dx * fy - dy * fx) / det;
    beta[opp] = (ex * dy - ey * dx) / det;
    beta[A] = -beta[B] - beta[opp];
    for (int m = 1; m <= r / 2; ++m) {
      const int deg = n - m, q = deg - m + 1;
      // The m free coefficients of this ring and the m conditions on them.
      auto unknownOf = [&](BezierNet& of, int t) -> double& {
        int idx[3];
        idx[opp] = m;
        idx[B] = r + 1 - m + t;
        idx[A] = n - m - idx[B];
        return of.At(idx);
      };
      auto unknown = [&](int t) -> double& { return unknownOf(net, t); };
      auto conditions = [&](const BezierNet& of, double out[2]) {
        const std::vector<double> h = DirectionalNet(of, beta, m);
        for (int i = 0; i < m; ++i) {
          double s = 0.0;
          for (int t = 0; t <= q; ++t) {
            int idx[3];
            idx[opp] = 0;
            idx[B] = i + t;
            idx[A] = deg - idx[B];
            s += ((q - t) % 2 ? -1.0 : 1.0) * Binomial(q, t) *
                 h[static_cast<std::size_t>(idx[0] * (kMax + 1) + idx[1])];
          }
          out[i] = s;
        }
      };
      // The conditions are linear in the unknowns: their residual with the unknowns at 0,
      // and each unknown's column from a net holding only that unknown at 1 (not from the
      // difference of two residuals, which cancels to nothing when the data are large).
      double f0[2], jac[2][2];
      for (int t = 0; t < m; ++t) unknown(t) = 0.0;
      conditions(net, f0);
      for (int t = 0; t < m; ++t) {
        BezierNet unit;
        unit.n = n;
        unknownOf(unit, t) = 1.0;
        double ft[2];
        conditions(unit, ft);
        for (int i = 0; i < m; ++i) jac[i][t] = ft[i];
      }
      if (m == 1) {
        unknown(0) = -f0[0] / jac[0][0];
      } else {
        const double dj = jac[0][0] * jac[1][1] - jac[0][1] * jac[1][0];
        unknown(0) = (-f0[0] * jac[1][1] + f0[1] * jac[0][1]) / dj;
        unknown(1) = (-f0[1] * jac[0][0] + f0[0] * jac[1][0]) / dj;
      }
    }
  }

  // The nonic's centre.
  if (n == 9) {
    static const CentreFunctional centre;
    double s = 0.0;
    for (int i0 = 0; i0 <= 9; ++i0)
      for (int i1 = 0; i0 + i1 <= 9; ++i1)
        if (!(i0 == 3 && i1 == 3)) s += centre.l[i0][i1] * net.b[i0][i1];
    net.b[3][3] = -s / centre.l[3][3];
  }

  TBezierTriangle out;
  out.n = n;
  for (int i0 = 0; i0 <= n; ++i0)
    for (int i1 = 0; i0 + i1 <= n; ++i1) out.b[i0][i1] = net.b[i0][i1];
  for (int k = 0; k < 3; ++k) {
    out.x[k] = v[k].x;
    out.y[k] = v[k].y;
  }
  return out;
}

double TBezierTriangle::Value(double px, double py, int mode) const {
  if (mode < 0 || mode > 5) return 0.0;
  // Barycentric coordinates of the point, and of the unit directions x and y.
  const double ex = x[1] - x[0], ey = y[1] - y[0], fx = x[2] - x[0], fy = y[2] - y[0];
  const double det = ex * fy - ey * fx;
  auto bary = [&](double dx, double dy, bool point, double out[3]) {
    out[1] = (dx * fy - dy * fx) / det;
    out[2] = (ex * dy - ey * dx) / det;
    out[0] = (point ? 1.0 : 0.0) - out[1] - out[2];
  };
  double lambda[3], bx[3], by[3];
  bary(px - x[0], py - y[0], true, lambda);
  bary(1.0, 0.0, false, bx);
  bary(0.0, 1.0, false, by);
  BezierNet net;
  net.n = n;
  for (int i0 = 0; i0 <= n; ++i0)
    for (int i1 = 0; i0 + i1 <= n; ++i1) net.b[i0][i1] = b[i0][i1];
  // The directions of the mode (none, x, y, x x, y y, x y) and the factor n!/(n - m)!.
  const double* dirs[2] = {nullptr, nullptr};
  int m = 0;
  switch (mode) {
    case 1: dirs[0] = bx; m = 1; break;
    case 2: dirs[0] = by; m = 1; break;
    case 3: dirs[0] = dirs[1] = bx; m = 2; break;
    case 4: dirs[0] = dirs[1] = by; m = 2; break;
    case 5: dirs[0] = bx; dirs[1] = by; m = 2; break;
    default: break;
  }
  double factor = 1.0;
  for (int s = 0; s < m; ++s) {
    const std::vector<double> d = DirectionalNet(net, dirs[s], 1);
    net.n -= 1;
    for (int i0 = 0; i0 <= net.n; ++i0)
      for (int i1 = 0; i0 + i1 <= net.n; ++i1)
        net.b[i0][i1] = d[static_cast<std::size_t>(i0 * (kMax + 1) + i1)];
    factor *= n - s;
  }
  // de Casteljau: each step lowers the degree by one.
  for (int d = net.n; d > 0; --d)
    for (int i0 = 0; i0 < d; ++i0)
      for (int i1 = 0; i0 + i1 < d; ++i1)
        net.b[i0][i1] = lambda[0] * net.b[i0 + 1][i1] + lambda[1] * net.b[i0][i1 + 1] +
                        lambda[2] * net.b[i0][i1];
  return factor * net.b[0][0];
}

TAffinePoly PreusserVertexTaylor(const TPreusserVertex& v, int order) {
  TAffinePoly out;
  out.x0 = v.x;
  out.y0 = v.y;
  out.poly.degree = order;
  for (int a = 0; a <= order; ++a)
    for (int b = 0; a + b <= order; ++b) out.poly.c[a][b] = v.d[a][b] / (Factorial(a) * Factorial(b));
  return out;
}

TAffinePoly PreusserSideExtension(const TPreusserVertex& a, const TPreusserVertex& b, int order) {
  const double len = std::hypot(b.x - a.x, b.y - a.y);
  const double tx = (b.x - a.x) / len, ty = (b.y - a.y) / len;
  const double nx = ty, ny = -tx;  // outward: the data lie to the side's left
  TAffinePoly out;
  out.x0 = a.x;
  out.y0 = a.y;
  out.j11 = tx;
  out.j12 = ty;
  out.j21 = nx;
  out.j22 = ny;
  out.poly.degree = 2 * order + 1;
  for (int m = 0; m <= order; ++m) {
    // The m-th normal derivative along the side, in s = sigma / len.
    const int k = order - m + 1;
    double f0[5], f1[5], coef[10];
    for (int i = 0; i < k; ++i) {
      f0[i] = DirectionalDerivative(a, tx, ty, i, nx, ny, m) * std::pow(len, i);
      f1[i] = DirectionalDerivative(b, tx, ty, i, nx, ny, m) * std::pow(len, i);
    }
    HermiteOnUnit(k, f0, f1, coef);
    for (int j = 0; j < 2 * k; ++j) out.poly.c[j][m] = coef[j] / (std::pow(len, j) * Factorial(m));
  }
  return out;
}
