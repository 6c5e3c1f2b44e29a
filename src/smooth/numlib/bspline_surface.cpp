#include "smooth/numlib/bspline_surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "smooth/numlib/array_checks.h"
#include "smooth/numlib/band_solver.h"

namespace {

// Relative size below which a diagonal of the least-squares triangle counts as 0.
constexpr double kRankTolerance = 1e-12;

// The factored collocation matrix A[r][c] = B_c(x[r]) of one axis; nothing when a B-spline
// vanishes at its own site (the Schoenberg-Whitney conditions fail) or the matrix is singular.
std::optional<TBandLU> CollocationMatrix(int n, const double* x, int k, const double* t) {
  TBandLU a(n, k - 1, k - 1);
  std::array<double, kMaxSplineOrder> basis{};
  for (int r = 0; r < n; ++r) {
    const int l = BSplineSpan(t, n, k, x[r]);
    BSplineBasis(t, k, l, x[r], 0, basis.data());
    bool diagonal = false;
    for (int q = 0; q < k; ++q) {
      const int c = l - k + 1 + q;
      const double v = basis[static_cast<std::size_t>(q)];
      if (v == 0.0) continue;
      if (!a.InBand(r, c)) return std::nullopt;
      a.Set(r, c, v);
      diagonal = diagonal || c == r;
    }
    if (!diagonal) return std::nullopt;
  }
  if (!a.Factor()) return std::nullopt;
  return a;
}

// A matrix of doubles seen through two strides: element (i, r) at base[i * rowStride +
// r * colStride].
struct TStrided {
  double* base;
  std::ptrdiff_t rowStride, colStride;
  double& operator()(int i, int r) const { return base[i * rowStride + r * colStride]; }
};
struct TConstStrided {
  const double* base;
  std::ptrdiff_t rowStride, colStride;
  double operator()(int i, int r) const { return base[i * rowStride + r * colStride]; }
};

// Weighted least squares along one axis for m right-hand sides at once: observation i < n at
// x[i] with weight w[i] and values in(i, r); out(c, r) := the coefficients c < nc. Givens
// rotations of each weighted observation row into the banded triangle R (row c holds R(c,
// c .. c + k - 1)) and the rotated right-hand sides Z, then back substitution.
bool AxisLeastSquares(int n, const double* x, const double* w, int k, const double* t, int nc,
                      int m, TConstStrided in, TStrided out) {
  const auto unc = static_cast<std::size_t>(nc), uk = static_cast<std::size_t>(k),
             um = static_cast<std::size_t>(m);
  std::vector<double> r(unc * uk, 0.0), z(unc * um, 0.0), rhs(um);
  std::array<double, kMaxSplineOrder> h{};
  for (int i = 0; i < n; ++i) {
    const double root = std::sqrt(w[i]);
    const int l = BSplineSpan(t, nc, k, x[i]);
    BSplineBasis(t, k, l, x[i], 0, h.data());
    for (int q = 0; q < k; ++q) h[static_cast<std::size_t>(q)] *= root;
    for (int s = 0; s < m; ++s) rhs[static_cast<std::size_t>(s)] = root * in(i, s);
    for (int q = 0; q < k; ++q) {
      const double piv = h[static_cast<std::size_t>(q)];
      if (piv == 0.0) continue;
      const auto c = static_cast<std::size_t>(l - k + 1 + q);
      double* rc = r.data() + c * uk;
      const double len = std::hypot(rc[0], piv);
      const double cs = rc[0] / len, sn = piv / len;
      rc[0] = len;
      for (int b = q + 1; b < k; ++b) {
        double& rv = rc[static_cast<std::size_t>(b - q)];
        double& hv = h[static_cast<std::size_t>(b)];
        const double keep = rv;
        rv = cs * keep + sn * hv;
        hv = -sn * keep + cs * hv;
      }
      double* zc = z.data() + c * um;
      for (std::size_t s = 0; s < um; ++s) {
        const double keep = zc[s];
        zc[s] = cs * keep + sn * rhs[s];
        rhs[s] = -sn * keep + cs * rhs[s];
      }
    }
  }
  double largest = 0.0;
  for (std::size_t c = 0; c < unc; ++c) largest = std::max(largest, std::fabs(r[c * uk]));
  if (!(largest > 0.0)) return false;
  for (std::size_t c = 0; c < unc; ++c)
    if (!(std::fabs(r[c * uk]) > kRankTolerance * largest)) return false;
  for (int c = nc - 1; c >= 0; --c) {
    const double* rc = r.data() + static_cast<std::size_t>(c) * uk;
    for (int s = 0; s < m; ++s) {
      double v = z[static_cast<std::size_t>(c) * um + static_cast<std::size_t>(s)];
      for (int b = 1; b < k && c + b < nc; ++b) v -= rc[static_cast<std::size_t>(b)] * out(c + b, s);
      out(c, s) = v / rc[0];
    }
  }
  return true;
}

// Checks shared by the evaluation routines: orders, counts and the end spans of the knots.
bool EvaluationArgumentsValid(int kx, int ky, const double* tx, const double* ty, int ncx,
                              int ncy, const double* coef) {
  if (!tx || !ty || !coef) return false;
  if (kx < 1 || ky < 1 || kx > kMaxSplineOrder || ky > kMaxSplineOrder) return false;
  if (ncx < kx || ncy < ky) return false;
  return tx[kx - 1] < tx[ncx] && ty[ky - 1] < ty[ncy];
}

// sum over a, b of bx[a] by[b] coef[(lx - kx + 1 + a) + ncx (ly - ky + 1 + b)].
double Contract(const double* bx, const double* by, int kx, int ky, int lx, int ly, int ncx,
                const double* coef) {
  double sum = 0.0;
  for (int b = 0; b < ky; ++b) {
    const double* row = coef + static_cast<std::ptrdiff_t>(ly - ky + 1 + b) * ncx + (lx - kx + 1);
    double inner = 0.0;
    for (int a = 0; a < kx; ++a) inner += bx[a] * row[a];
    sum += by[b] * inner;
  }
  return sum;
}

}  // namespace

void BSInt2(int nx, const double* x, int ny, const double* y, const double* f, int ldf, int kx,
            int ky, const double* tx, const double* ty, double* coef, int& ier) {
  ier = kBSOk;
  if (!x || !y || !f || !coef || kx < 1 || ky < 1 || kx > kMaxSplineOrder ||
      ky > kMaxSplineOrder || nx < kx || ny < ky || ldf < nx) {
    ier = kBSBadArgument;
    return;
  }
  if (!AllFinite(x, nx) || !AllFinite(y, ny)) {
    ier = kBSNotFinite;
    return;
  }
  if (!StrictlyIncreasing(x, nx) || !StrictlyIncreasing(y, ny)) {
    ier = kBSSitesNotIncreasing;
    return;
  }
  if (!BSplineKnotsValid(tx, nx, kx) || !BSplineKnotsValid(ty, ny, ky)) {
    ier = kBSBadArgument;
    return;
  }
  const auto unx = static_cast<std::size_t>(nx), uny = static_cast<std::size_t>(ny);
  std::vector<double> work(unx * uny);
  for (std::size_t j = 0; j < uny; ++j)
    for (std::size_t i = 0; i < unx; ++i) {
      const double v = f[i + static_cast<std::size_t>(ldf) * j];
      if (!std::isfinite(v)) {
        ier = kBSNotFinite;
        return;
      }
      work[i + unx * j] = v;
    }
  const std::optional<TBandLU> ax = CollocationMatrix(nx, x, kx, tx);
  const std::optional<TBandLU> ay = CollocationMatrix(ny, y, ky, ty);
  if (!ax || !ay) {
    ier = kBSSingular;
    return;
  }
  for (std::size_t j = 0; j < uny; ++j) ax->Solve(work.data() + unx * j, 1);
  for (std::size_t i = 0; i < unx; ++i) ay->Solve(work.data() + i, nx);
  std::copy(work.begin(), work.end(), coef);
}

void BSLsq2(int nx, const double* x, int ny, const double* y, const double* f, int ldf, int kx,
            int ky, const double* tx, const double* ty, int ncx, int ncy, const double* wx,
            const double* wy, double* coef, int& ier) {
  ier = kBSOk;
  if (!x || !y || !f || !wx || !wy || !coef || kx < 1 || ky < 1 || kx > kMaxSplineOrder ||
      ky > kMaxSplineOrder || ncx < kx || ncy < ky || nx < ncx || ny < ncy || ldf < nx) {
    ier = kBSBadArgument;
    return;
  }
  if (!AllFinite(x, nx) || !AllFinite(y, ny) || !AllFinite(wx, nx) || !AllFinite(wy, ny)) {
    ier = kBSNotFinite;
    return;
  }
  for (int i = 0; i < nx; ++i)
    if (!(wx[i] > 0.0)) ier = kBSBadArgument;
  for (int j = 0; j < ny; ++j)
    if (!(wy[j] > 0.0)) ier = kBSBadArgument;
  if (ier != kBSOk) return;
  if (!BSplineKnotsValid(tx, ncx, kx) || !BSplineKnotsValid(ty, ncy, ky)) {
    ier = kBSBadArgument;
    return;
  }
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i)
      if (!std::isfinite(f[static_cast<std::size_t>(i) + static_cast<std::size_t>(ldf) * j])) {
        ier = kBSNotFinite;
        return;
      }
  // Along x for every grid row (ncx x ny), then along y for every coefficient row.
  std::vector<double> rows(static_cast<std::size_t>(ncx) * static_cast<std::size_t>(ny));
  std::vector<double> result(static_cast<std::size_t>(ncx) * static_cast<std::size_t>(ncy));
  if (!AxisLeastSquares(nx, x, wx, kx, tx, ncx, ny, {f, 1, ldf}, {rows.data(), 1, ncx}) ||
      !AxisLeastSquares(ny, y, wy, ky, ty, ncy, ncx, {rows.data(), ncx, 1},
                        {result.data(), ncx, 1})) {
    ier = kBSSingular;
    return;
  }
  std::copy(result.begin(), result.end(), coef);
}

void BSDer2(int ix, int iy, double x, double y, int kx, int ky, const double* tx,
            const double* ty, int ncx, int ncy, const double* coef, double& value, int& ier) {
  ier = kBSOk;
  if (ix < 0 || iy < 0 || !EvaluationArgumentsValid(kx, ky, tx, ty, ncx, ncy, coef)) {
    ier = kBSBadArgument;
    return;
  }
  if (!std::isfinite(x) || !std::isfinite(y)) {
    ier = kBSNotFinite;
    return;
  }
  if (ix >= kx || iy >= ky) {
    value = 0.0;
    return;
  }
  std::array<double, kMaxSplineOrder * kMaxSplineOrder> bx{}, by{};
  const int lx = BSplineSpan(tx, ncx, kx, x), ly = BSplineSpan(ty, ncy, ky, y);
  BSplineBasis(tx, kx, lx, x, ix, bx.data());
  BSplineBasis(ty, ky, ly, y, iy, by.data());
  value = Contract(bx.data() + ix * kx, by.data() + iy * ky, kx, ky, lx, ly, ncx, coef);
}

void BSVal2(double x, double y, int kx, int ky, const double* tx, const double* ty, int ncx,
            int ncy, const double* coef, double& value, int& ier) {
  BSDer2(0, 0, x, y, kx, ky, tx, ty, ncx, ncy, coef, value, ier);
}

void BSGEvl(int ix, int iy, int nxo, const double* xs, int nyo, const double* ys, int kx, int ky,
            const double* tx, const double* ty, int ncx, int ncy, const double* coef,
            double* value, int ldv, int& ier) {
  ier = kBSOk;
  if (ix < 0 || iy < 0 || nxo < 1 || nyo < 1 || ldv < nxo || !xs || !ys || !value ||
      !EvaluationArgumentsValid(kx, ky, tx, ty, ncx, ncy, coef)) {
    ier = kBSBadArgument;
    return;
  }
  if (!AllFinite(xs, nxo) || !AllFinite(ys, nyo)) {
    ier = kBSNotFinite;
    return;
  }
  if (ix >= kx || iy >= ky) {
    for (int j = 0; j < nyo; ++j)
      std::fill_n(value + static_cast<std::ptrdiff_t>(j) * ldv, nxo, 0.0);
    return;
  }
  // rows(i, cy) = sum over a of B^(ix)_a(xs[i]) coef[a + ncx cy]: the x direction contracted
  // once for every output abscissa.
  const auto uncy = static_cast<std::size_t>(ncy);
  std::vector<double> rows(static_cast<std::size_t>(nxo) * uncy);
  std::array<double, kMaxSplineOrder * kMaxSplineOrder> basis{};
  for (int i = 0; i < nxo; ++i) {
    const int lx = BSplineSpan(tx, ncx, kx, xs[i]);
    BSplineBasis(tx, kx, lx, xs[i], ix, basis.data());
    const double* b = basis.data() + ix * kx;
    double* out = rows.data() + static_cast<std::size_t>(i) * uncy;
    for (int cy = 0; cy < ncy; ++cy) {
      const double* c = coef + static_cast<std::ptrdiff_t>(cy) * ncx + (lx - kx + 1);
      double sum = 0.0;
      for (int a = 0; a < kx; ++a) sum += b[a] * c[a];
      out[cy] = sum;
    }
  }
  for (int j = 0; j < nyo; ++j) {
    const int ly = BSplineSpan(ty, ncy, ky, ys[j]);
    BSplineBasis(ty, ky, ly, ys[j], iy, basis.data());
    const double* b = basis.data() + iy * ky;
    double* out = value + static_cast<std::ptrdiff_t>(j) * ldv;
    for (int i = 0; i < nxo; ++i) {
      const double* r = rows.data() + static_cast<std::size_t>(i) * uncy + (ly - ky + 1);
      double sum = 0.0;
      for (int q = 0; q < ky; ++q) sum += b[q] * r[q];
      out[i] = sum;
    }
  }
}

void BSItg2(double a, double b, double c, double d, int kx, int ky, const double* tx,
            const double* ty, int ncx, int ncy, const double* coef, double& value, int& ier) {
  ier = kBSOk;
  if (!EvaluationArgumentsValid(kx, ky, tx, ty, ncx, ncy, coef) ||
      !BSplineKnotsValid(tx, ncx, kx) || !BSplineKnotsValid(ty, ncy, ky)) {
    ier = kBSBadArgument;
    return;
  }
  if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c) || !std::isfinite(d)) {
    ier = kBSNotFinite;
    return;
  }
  std::vector<double> ix(static_cast<std::size_t>(ncx)), iy(static_cast<std::size_t>(ncy));
  BSplineBasisIntegrals(tx, ncx, kx, a, b, ix.data());
  BSplineBasisIntegrals(ty, ncy, ky, c, d, iy.data());
  double sum = 0.0;
  for (int j = 0; j < ncy; ++j) {
    if (iy[static_cast<std::size_t>(j)] == 0.0) continue;
    const double* row = coef + static_cast<std::ptrdiff_t>(j) * ncx;
    double inner = 0.0;
    for (int i = 0; i < ncx; ++i) inner += ix[static_cast<std::size_t>(i)] * row[i];
    sum += iy[static_cast<std::size_t>(j)] * inner;
  }
  value = sum;
}
