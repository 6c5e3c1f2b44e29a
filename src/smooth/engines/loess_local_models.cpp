// The local models of the loess smoother: weighted least-squares fits of a bivariate model
// of total degree 1 to 4 through the normal equations, and the exact value and partial
// derivatives of a fitted model.
//
// Every term is a product P_i(s) P_j(t) of one function per axis: monomials of the data
// coordinates (basis 0), or Chebyshev polynomials or cosines of the scaled coordinates
// (bases 1 and 2). Fits and evaluations share that description, so each works from one
// table of the terms' (i, j) exponents and one table of the axis functions' derivatives.
#include <cmath>

#include "numerics/dense_solvers.h"
#include "smooth/engines/loess_smoother.h"

namespace {

constexpr int kMaxTerms = 15;
constexpr int kMaxDegree = 4;

struct TTermPowers {
  int count = 0;
  int i[kMaxTerms] = {};  // order of the x function
  int j[kMaxTerms] = {};  // order of the y function
};

// Monomials: 1, x, y, x^2, y^2, xy, x^3, y^3, xy^2, x^2y.
TTermPowers MonomialTerms(int degree) {
  static constexpr int kI[10] = {0, 1, 0, 2, 0, 1, 3, 0, 1, 2};
  static constexpr int kJ[10] = {0, 0, 1, 0, 2, 1, 0, 3, 2, 1};
  TTermPowers t;
  t.count = degree >= 3 ? 10 : degree == 2 ? 6 : 3;
  for (int r = 0; r < t.count; ++r) {
    t.i[r] = kI[r];
    t.j[r] = kJ[r];
  }
  return t;
}

// Products of bases 1 and 2: by total degree d = 0..D, and within one d by falling i.
TTermPowers ProductTerms(int degree) {
  TTermPowers t;
  for (int d = 0; d <= degree; ++d)
    for (int i = d; i >= 0; --i) {
      t.i[t.count] = i;
      t.j[t.count] = d - i;
      ++t.count;
    }
  return t;
}

int DegreeOfTermCount(int terms) { return terms >= 15 ? 4 : terms >= 10 ? 3 : terms >= 6 ? 2 : 1; }

// d^order/ds^order of the axis functions P_0 .. P_degree at s, for order 0..4:
// derivative[order][k].
using TAxisDerivatives = long double[kMaxDegree + 1][kMaxDegree + 1];

void AxisDerivatives(TLoessBasis basis, long double s, int degree, TAxisDerivatives& d) {
  for (int order = 0; order <= kMaxDegree; ++order)
    for (int k = 0; k <= kMaxDegree; ++k) d[order][k] = 0.0L;
  switch (basis) {
    case TLoessBasis::kMonomial:
      // d^o s^k = k! / (k - o)! s^(k - o)
      for (int k = 0; k <= degree; ++k) {
        long double factor = 1.0L;
        for (int order = 0; order <= k; ++order) {
          d[order][k] = factor * std::pow(s, static_cast<long double>(k - order));
          factor *= static_cast<long double>(k - order);
        }
      }
      break;
    case TLoessBasis::kChebyshev:
      // T_k = 2 s T_(k-1) - T_(k-2), differentiated o times:
      // T_k^(o) = 2 s T_(k-1)^(o) + 2 o T_(k-1)^(o-1) - T_(k-2)^(o).
      for (int order = 0; order <= kMaxDegree; ++order) {
        d[order][0] = order == 0 ? 1.0L : 0.0L;
        if (degree >= 1) d[order][1] = order == 0 ? s : order == 1 ? 1.0L : 0.0L;
        for (int k = 2; k <= degree; ++k)
          d[order][k] = 2.0L * s * d[order][k - 1] +
                        (order > 0 ? 2.0L * order * d[order - 1][k - 1] : 0.0L) -
                        d[order][k - 2];
      }
      break;
    case TLoessBasis::kCosine:
      // d^o cos(k s) runs through cos, -k sin, -k^2 cos, k^3 sin, k^4 cos.
      d[0][0] = 1.0L;
      for (int k = 1; k <= degree; ++k) {
        const long double c = std::cos(k * s), sn = std::sin(k * s), kk = k;
        d[0][k] = c;
        d[1][k] = -kk * sn;
        d[2][k] = -kk * kk * c;
        d[3][k] = kk * kk * kk * sn;
        d[4][k] = kk * kk * kk * kk * c;
      }
      break;
  }
}

// The axis values of one point: P_0 .. P_degree of x and of y.
void AxisValues(TLoessBasis basis, long double s, int degree, long double* p) {
  p[0] = 1.0L;
  if (degree < 1) return;
  switch (basis) {
    case TLoessBasis::kMonomial:
      for (int k = 1; k <= degree; ++k) p[k] = p[k - 1] * s;
      break;
    case TLoessBasis::kChebyshev:
      p[1] = s;
      for (int k = 2; k <= degree; ++k) p[k] = 2.0L * s * p[k - 1] - p[k - 2];
      break;
    case TLoessBasis::kCosine:
      for (int k = 1; k <= degree; ++k) p[k] = std::cos(k * s);
      break;
  }
}

// With a further attempt possible, LU reports the determinant as the fit's measure; the last
// attempt is solved by elimination and accepted whenever it solves.
int SolveNormalEquations(long double* const* rows, long double* b, int n, long double& measure,
                         bool retry) {
  if (!retry) return TLoess3D::SolveGauss(rows, b, n);
  const SolverResult solved = SolveLU(rows, b, n);
  if (!solved.Solved()) return 0;
  if (solved.condition) measure = *solved.condition;
  return 1;
}

struct TNormalMatrix {
  long double cells[kMaxTerms][kMaxTerms] = {};
  long double* rows[kMaxTerms] = {};
  TNormalMatrix() {
    for (int r = 0; r < kMaxTerms; ++r) rows[r] = cells[r];
  }
};

int ListCount(std::span<const TXYZPoint> list) {
  if (list.empty()) return 0;
  const long double n = list[0].X;
  const long double room = static_cast<long double>(list.size() - 1);
  return n > 0 ? static_cast<int>(n < room ? n : room) : 0;
}

// Monomial fits of degree 2 and 3: the distinct power sums of the normal matrix in one pass,
// then the matrix filled from them.
int FitMonomial(std::span<const TXYZPoint> list, long double* coefficients, int degree,
                long double& measure, bool retry) {
  const TTermPowers terms = MonomialTerms(degree);
  constexpr int kPowers = 2 * 3 + 1;
  long double sums[kPowers][kPowers] = {};  // sums[a][b] = sum w x^a y^b, a + b <= 2 degree
  long double rhs[4][4] = {};               // rhs[a][b] = sum w z x^a y^b, a + b <= degree
  const int n = ListCount(list);
  for (int p = 1; p <= n; ++p) {
    const TXYZPoint& q = list[static_cast<std::size_t>(p)];
    long double xp[kPowers], yp[kPowers];
    xp[0] = yp[0] = 1.0L;
    for (int k = 1; k <= 2 * degree; ++k) {
      xp[k] = xp[k - 1] * q.X;
      yp[k] = yp[k - 1] * q.Y;
    }
    for (int a = 0; a <= 2 * degree; ++a)
      for (int b = 0; a + b <= 2 * degree; ++b) {
        const long double w = q.W * xp[a] * yp[b];
        sums[a][b] += w;
        if (a + b <= degree) rhs[a][b] += w * q.Z;
      }
  }
  TNormalMatrix a;
  for (int r = 0; r < terms.count; ++r) {
    for (int c = 0; c < terms.count; ++c)
      a.cells[r][c] = sums[terms.i[r] + terms.i[c]][terms.j[r] + terms.j[c]];
    coefficients[r] = rhs[terms.i[r]][terms.j[r]];
  }
  return SolveNormalEquations(a.rows, coefficients, terms.count, measure, retry);
}

// Chebyshev and cosine fits: each point's axis values once, the upper triangle of the normal
// matrix accumulated and mirrored.
int FitProducts(TLoessBasis basis, std::span<const TXYZPoint> list, long double* coefficients,
                int m, const TLoessScale& scale, long double& measure, bool retry) {
  const int degree = DegreeOfTermCount(m + 1);
  const TTermPowers terms = ProductTerms(degree);
  TNormalMatrix a;
  for (int r = 0; r < terms.count; ++r) coefficients[r] = 0.0L;
  const int n = ListCount(list);
  for (int p = 1; p <= n; ++p) {
    const TXYZPoint& q = list[static_cast<std::size_t>(p)];
    long double pu[kMaxDegree + 1], pv[kMaxDegree + 1], t[kMaxTerms];
    AxisValues(basis, (q.X - scale.xOrigin) / scale.xUnit, degree, pu);
    AxisValues(basis, (q.Y - scale.yOrigin) / scale.yUnit, degree, pv);
    for (int r = 0; r < terms.count; ++r) t[r] = pu[terms.i[r]] * pv[terms.j[r]];
    for (int r = 0; r < terms.count; ++r) {
      const long double wt = q.W * t[r];
      for (int c = r; c < terms.count; ++c) a.cells[r][c] += wt * t[c];
      coefficients[r] += wt * q.Z;
    }
  }
  for (int r = 1; r < terms.count; ++r)
    for (int c = 0; c < r; ++c) a.cells[r][c] = a.cells[c][r];
  return SolveNormalEquations(a.rows, coefficients, terms.count, measure, retry);
}

}  // namespace

int TLoess3D::SolveGauss(long double* const* rows, long double* b, int n) {
  return ::SolveGauss(rows, b, n).Solved() ? 1 : 0;
}

// The 3 by 3 normal equations of the plane by Cramer's rule, the determinant expanded along
// the first row.
int TLoess3D::FitPlane(std::span<const TXYZPoint> list, long double* coefficients) {
  long double w = 0, wx = 0, wy = 0, wz = 0, wxx = 0, wyy = 0, wxy = 0, wxz = 0, wyz = 0;
  const int n = ListCount(list);
  for (int p = 1; p <= n; ++p) {
    const TXYZPoint& q = list[static_cast<std::size_t>(p)];
    w += q.W;
    wx += q.W * q.X;
    wy += q.W * q.Y;
    wz += q.W * q.Z;
    wxx += q.W * q.X * q.X;
    wyy += q.W * q.Y * q.Y;
    wxy += q.W * q.X * q.Y;
    wxz += q.W * q.X * q.Z;
    wyz += q.W * q.Y * q.Z;
  }
  auto det3 = [](long double a11, long double a12, long double a13, long double a21,
                 long double a22, long double a23, long double a31, long double a32,
                 long double a33) {
    return a11 * (a22 * a33 - a23 * a32) - a12 * (a21 * a33 - a23 * a31) +
           a13 * (a21 * a32 - a22 * a31);
  };
  const long double det = det3(w, wx, wy, wx, wxx, wxy, wy, wxy, wyy);
  if (det == 0.0L || std::isnan(det)) return 0;
  coefficients[0] = det3(wz, wx, wy, wxz, wxx, wxy, wyz, wxy, wyy) / det;
  coefficients[1] = det3(w, wz, wy, wx, wxz, wxy, wy, wyz, wyy) / det;
  coefficients[2] = det3(w, wx, wz, wx, wxx, wxz, wy, wxy, wyz) / det;
  return 1;
}

int TLoess3D::FitQuadratic(std::span<const TXYZPoint> list, long double* coefficients,
                           long double& measure, bool retry) {
  return FitMonomial(list, coefficients, 2, measure, retry);
}

int TLoess3D::FitCubic(std::span<const TXYZPoint> list, long double* coefficients,
                       long double& measure, bool retry) {
  return FitMonomial(list, coefficients, 3, measure, retry);
}

int TLoess3D::FitChebyshev(std::span<const TXYZPoint> list, long double* coefficients, int m,
                           const TLoessScale& scale, long double& measure, bool retry) {
  return FitProducts(TLoessBasis::kChebyshev, list, coefficients, m, scale, measure, retry);
}

int TLoess3D::FitCosine(std::span<const TXYZPoint> list, long double* coefficients, int m,
                        const TLoessScale& scale, long double& measure, bool retry) {
  return FitProducts(TLoessBasis::kCosine, list, coefficients, m, scale, measure, retry);
}

// The sum over the terms of coefficient times the term's derivative, each d/dx carrying a
// factor 1 / x unit and each d/dy 1 / y unit (basis 0 works in the data's own units).
void TLoess3D::EvalLocalModel(TLoessBasis basis, int degree, long double x, long double y,
                              const long double* coefficients, int flags,
                              const TLoessScale& scale, TLoessResult& result) {
  const bool monomial = basis == TLoessBasis::kMonomial;
  const TTermPowers terms = monomial ? MonomialTerms(degree) : ProductTerms(degree);
  const long double xUnit = monomial ? 1.0L : scale.xUnit;
  const long double yUnit = monomial ? 1.0L : scale.yUnit;
  const long double u = monomial ? x : (x - scale.xOrigin) / xUnit;
  const long double v = monomial ? y : (y - scale.yOrigin) / yUnit;
  TAxisDerivatives du, dv;
  AxisDerivatives(basis, u, degree, du);
  AxisDerivatives(basis, v, degree, dv);
  int slot = 0;
  for (int order = 0; order <= 4; ++order) {
    const bool wanted = (flags & (1 << order)) != 0;
    // Within an order the slots run from all-x to all-y.
    for (int ox = order; ox >= 0; --ox, ++slot) {
      if (!wanted) continue;
      const int oy = order - ox;
      long double sum = 0.0L;
      for (int r = 0; r < terms.count; ++r)
        sum += coefficients[r] * du[ox][terms.i[r]] * dv[oy][terms.j[r]];
      result[static_cast<std::size_t>(slot)] =
          sum / (std::pow(xUnit, static_cast<long double>(ox)) *
                 std::pow(yUnit, static_cast<long double>(oy)));
    }
  }
}
