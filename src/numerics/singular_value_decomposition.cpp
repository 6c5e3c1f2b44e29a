// Solution and pseudo-inverse through the singular value decomposition A = U diag(w) V^T,
// computed by the Golub-Reinsch method as EISPACK's SVD has it: Householder reduction to
// bidiagonal form (each column and row part first scaled by the sum of its magnitudes), the
// transformations accumulated into U and V, then implicit-shift QR sweeps.
#include <algorithm>
#include <cmath>

#include "numerics/dense_solvers.h"
#include "numerics/solver_work.h"

namespace {

constexpr int kMaxSweeps = 30;
// Singular values below this fraction of the largest are dropped from a solution.
constexpr long double kDropRatio = 5e-14L;

// Row-major n x n views into the work block.
struct Square {
  long double* cells;
  int n;
  long double& operator()(int i, int j) const { return cells[static_cast<std::size_t>(i) * n + j]; }
};

// Decomposes the matrix held in u (replaced by U) into w and v. e is a work vector of n
// entries (the super-diagonal). Returns 0, or k + 1 when singular value k did not converge
// within the sweep limit.
int DecomposeSVD(const Square& u, long double* w, const Square& v, long double* e) {
  const int n = u.n;
  long double g = 0.0L, scale = 0.0L, anorm = 0.0L;
  int l = 0;
  for (int i = 0; i < n; ++i) {
    l = i + 1;
    e[i] = scale * g;
    g = scale = 0.0L;
    long double s = 0.0L;
    for (int k = i; k < n; ++k) scale += std::fabs(u(k, i));
    if (scale != 0.0L) {
      for (int k = i; k < n; ++k) {
        u(k, i) /= scale;
        s += u(k, i) * u(k, i);
      }
      long double f = u(i, i);
      g = -std::copysign(std::sqrt(s), f);
      const long double h = f * g - s;
      u(i, i) = f - g;
      for (int j = l; j < n; ++j) {
        s = 0.0L;
        for (int k = i; k < n; ++k) s += u(k, i) * u(k, j);
        f = s / h;
        for (int k = i; k < n; ++k) u(k, j) += f * u(k, i);
      }
      for (int k = i; k < n; ++k) u(k, i) *= scale;
    }
    w[i] = scale * g;
    g = scale = 0.0L;
    s = 0.0L;
    if (i != n - 1) {
      for (int k = l; k < n; ++k) scale += std::fabs(u(i, k));
      if (scale != 0.0L) {
        for (int k = l; k < n; ++k) {
          u(i, k) /= scale;
          s += u(i, k) * u(i, k);
        }
        const long double f = u(i, l);
        g = -std::copysign(std::sqrt(s), f);
        const long double h = f * g - s;
        u(i, l) = f - g;
        for (int k = l; k < n; ++k) e[k] = u(i, k) / h;
        for (int j = l; j < n; ++j) {
          s = 0.0L;
          for (int k = l; k < n; ++k) s += u(j, k) * u(i, k);
          for (int k = l; k < n; ++k) u(j, k) += s * e[k];
        }
        for (int k = l; k < n; ++k) u(i, k) *= scale;
      }
    }
    anorm = std::max(anorm, std::fabs(w[i]) + std::fabs(e[i]));
  }
  // Right-hand transformations into V.
  for (int i = n - 1; i >= 0; --i) {
    if (i < n - 1) {
      if (g != 0.0L) {
        // Two divisions rather than one product, against underflow.
        for (int j = l; j < n; ++j) v(j, i) = (u(i, j) / u(i, l)) / g;
        for (int j = l; j < n; ++j) {
          long double s = 0.0L;
          for (int k = l; k < n; ++k) s += u(i, k) * v(k, j);
          for (int k = l; k < n; ++k) v(k, j) += s * v(k, i);
        }
      }
      for (int j = l; j < n; ++j) v(i, j) = v(j, i) = 0.0L;
    }
    v(i, i) = 1.0L;
    g = e[i];
    l = i;
  }
  // Left-hand transformations into U.
  for (int i = n - 1; i >= 0; --i) {
    l = i + 1;
    g = w[i];
    for (int j = l; j < n; ++j) u(i, j) = 0.0L;
    if (g != 0.0L) {
      g = 1.0L / g;
      for (int j = l; j < n; ++j) {
        long double s = 0.0L;
        for (int k = l; k < n; ++k) s += u(k, i) * u(k, j);
        const long double f = (s / u(i, i)) * g;
        for (int k = i; k < n; ++k) u(k, j) += f * u(k, i);
      }
      for (int j = i; j < n; ++j) u(j, i) *= g;
    } else {
      for (int j = i; j < n; ++j) u(j, i) = 0.0L;
    }
    u(i, i) += 1.0L;
  }
  // Diagonalisation of the bidiagonal form. An entry is negligible when adding its
  // magnitude to anorm leaves anorm unchanged.
  auto negligible = [anorm](long double t) { return std::fabs(t) + anorm == anorm; };
  for (int k = n - 1; k >= 0; --k) {
    for (int sweeps = 0;; ++sweeps) {
      bool cancel = true;
      int split = k;
      for (; split >= 0; --split) {
        // e[0] is always 0; the explicit test also stops a not-a-number from running on.
        if (split == 0 || negligible(e[split])) {
          cancel = false;
          break;
        }
        if (negligible(w[split - 1])) break;
      }
      l = split;
      if (cancel) {
        // w[l-1] is negligible: cancel e[l] by rotations.
        const int nm = l - 1;
        long double c = 0.0L, s = 1.0L;
        for (int i = l; i <= k; ++i) {
          const long double f = s * e[i];
          e[i] = c * e[i];
          if (negligible(f)) break;
          g = w[i];
          long double h = std::hypot(f, g);
          w[i] = h;
          h = 1.0L / h;
          c = g * h;
          s = -f * h;
          for (int j = 0; j < n; ++j) {
            const long double y = u(j, nm);
            const long double z = u(j, i);
            u(j, nm) = y * c + z * s;
            u(j, i) = z * c - y * s;
          }
        }
      }
      long double z = w[k];
      if (l == k) {
        if (z < 0.0L) {  // made non-negative together with its column of V
          w[k] = -z;
          for (int j = 0; j < n; ++j) v(j, k) = -v(j, k);
        }
        break;
      }
      if (sweeps == kMaxSweeps) return k + 1;
      // Shift from the bottom 2x2 minor.
      long double x = w[l];
      const int nm = k - 1;
      long double y = w[nm];
      g = e[nm];
      long double h = e[k];
      long double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0L * h * y);
      g = std::hypot(f, 1.0L);
      f = ((x - z) * (x + z) + h * ((y / (f + std::copysign(g, f))) - h)) / x;
      long double c = 1.0L, s = 1.0L;
      for (int j = l; j <= nm; ++j) {
        const int i = j + 1;
        g = e[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = std::hypot(f, h);
        e[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        for (int jj = 0; jj < n; ++jj) {
          x = v(jj, j);
          z = v(jj, i);
          v(jj, j) = x * c + z * s;
          v(jj, i) = z * c - x * s;
        }
        z = std::hypot(f, h);
        w[j] = z;
        if (z != 0.0L) {  // otherwise the rotation may be arbitrary
          z = 1.0L / z;
          c = f * z;
          s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        for (int jj = 0; jj < n; ++jj) {
          y = u(jj, j);
          z = u(jj, i);
          u(jj, j) = y * c + z * s;
          u(jj, i) = z * c - y * s;
        }
      }
      e[l] = 0.0L;
      e[k] = f;
      w[k] = x;
    }
  }
  return 0;
}

// x = V diag(1/w) U^T b, where a zero w contributes nothing. t is a work vector.
void SubstituteSVD(const Square& u, const long double* w, const Square& v, const long double* b,
                   long double* t, long double* x) {
  const int n = u.n;
  for (int i = 0; i < n; ++i) {
    long double s = 0.0L;
    if (w[i] != 0.0L) {
      for (int r = 0; r < n; ++r) s += u(r, i) * b[r];
      s /= w[i];
    }
    t[i] = s;
  }
  for (int j = 0; j < n; ++j) {
    long double s = 0.0L;
    for (int i = 0; i < n; ++i) s += v(j, i) * t[i];
    x[j] = s;
  }
}

// The decomposition of a copy of the matrix with its small singular values dropped.
class Decomposition {
 public:
  explicit Decomposition(int n)
      : n_(n),
        block_(solver_work::Allocate<long double>(2 * static_cast<std::size_t>(n) * n +
                                                  4 * static_cast<std::size_t>(n))) {}

  bool Allocated() const { return block_ != nullptr; }

  // 1, or 0 when the QR sweeps did not converge. *condition = smallest / largest singular
  // value (1e-100 when the largest is 0).
  int Decompose(long double* const* a, long double* condition) {
    const Square u = U();
    for (int i = 0; i < n_; ++i)
      for (int j = 0; j < n_; ++j) u(i, j) = a[i][j];
    if (DecomposeSVD(u, W(), V(), Work()) != 0) return 0;
    long double wmax = -1e300L;
    long double wmin = 1e300L;
    for (int i = 0; i < n_; ++i) {
      wmax = std::max(wmax, W()[i]);
      wmin = std::min(wmin, W()[i]);
    }
    *condition = wmax == 0.0L ? 1e-100L : wmin / wmax;
    const long double threshold = wmax * kDropRatio;
    for (int i = 0; i < n_; ++i)
      if (W()[i] < threshold) W()[i] = 0.0L;
    return 1;
  }

  // Solves in place.
  void Solve(long double* b) {
    long double* rhs = Rhs();
    for (int i = 0; i < n_; ++i) rhs[i] = b[i];
    SubstituteSVD(U(), W(), V(), rhs, Work(), b);
  }

 private:
  Square U() const { return {block_.get(), n_}; }
  Square V() const { return {block_.get() + static_cast<std::size_t>(n_) * n_, n_}; }
  long double* W() const { return block_.get() + 2 * static_cast<std::size_t>(n_) * n_; }
  long double* Work() const { return W() + n_; }
  long double* Rhs() const { return Work() + n_; }

  int n_;
  std::unique_ptr<long double[]> block_;
};

}  // namespace

SolverResult SolveSVD(long double* const* a, long double* b, int n) {
  if (n < 1) return {};
  Decomposition svd(n);
  if (!svd.Allocated()) return {-1, std::nullopt};
  long double condition = 0.0L;
  if (!svd.Decompose(a, &condition)) return {};
  svd.Solve(b);
  if (!solver_work::AllFinite(b, n)) return {};
  return {1, condition};
}

SolverResult InvertSVD(long double* const* a, long double* b, int n) {
  if (n < 1) return {};
  Decomposition svd(n);
  auto column = solver_work::Allocate<long double>(static_cast<std::size_t>(n));
  if (!svd.Allocated() || !column) return {-1, std::nullopt};
  long double condition = 0.0L;
  if (!svd.Decompose(a, &condition)) return {};
  if (b) svd.Solve(b);
  // The decomposition lives in its own block, so columns of the pseudo-inverse can be
  // written over the matrix as they come.
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) column[i] = 0.0L;
    column[j] = 1.0L;
    svd.Solve(column.get());
    for (int i = 0; i < n; ++i) a[i][j] = column[i];
  }
  if (!solver_work::AllFinite(b, n) || !solver_work::AllFinite(a, n)) return {};
  return {1, condition};
}
