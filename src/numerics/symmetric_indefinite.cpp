// Symmetric indefinite systems: the diagonal pivoting factorisation of Bunch and Kaufman,
// A = U D U^T with 1x1 and 2x2 blocks in D, as LINPACK's SIFA/SISL have it, with the
// condition estimate of Cline, Moler, Stewart and Wilkinson (LINPACK's SICO).
//
// LINPACK works on the upper triangle of a column-major array; the row k of our row-pointer
// matrix holds exactly that column k (entries 1..k), so the code below reads E(i, k) for
// i <= k as a[k-1][i-1] and walks contiguous rows where LINPACK walks columns.
#include <algorithm>
#include <cmath>

#include "numerics/dense_solvers.h"
#include "numerics/ld_matrix.h"
#include "numerics/solver_work.h"

namespace {

// Entry (i, k), i <= k, 1-based, of the stored triangle.
class Triangle {
 public:
  explicit Triangle(long double* const* a) : a_(a) {}
  long double& operator()(int i, int k) const { return a_[k - 1][i - 1]; }
  // The first `count` entries of column k (rows 1..count).
  long double* Column(int k) const { return a_[k - 1]; }

 private:
  long double* const* a_;
};

// 1-based index of the first entry of largest magnitude among x[0..count-1].
int FirstLargest(const long double* x, int count) {
  int best = 1;
  long double big = std::fabs(x[0]);
  for (int i = 1; i < count; ++i) {
    const long double t = std::fabs(x[i]);
    if (t > big) {
      big = t;
      best = i + 1;
    }
  }
  return best;
}

// y[0..count-1] += s * x[0..count-1]
void Axpy(int count, long double s, const long double* x, long double* y) {
  for (int i = 0; i < count; ++i) y[i] += s * x[i];
}

long double Dot(int count, const long double* x, const long double* y) {
  long double sum = 0.0L;
  for (int i = 0; i < count; ++i) sum += x[i] * y[i];
  return sum;
}

long double SumOfMagnitudes(int count, const long double* x) {
  long double sum = 0.0L;
  for (int i = 0; i < count; ++i) sum += std::fabs(x[i]);
  return sum;
}

void Scale(int count, long double s, long double* x) {
  for (int i = 0; i < count; ++i) x[i] *= s;
}

// Applies the inverse of the 2x2 block at rows k-1, k to z[k-2], z[k-1], by Cramer's rule on
// entries scaled by the block's off-diagonal element.
void SolveTwoByTwo(const Triangle& E, int k, long double* z) {
  const long double off = E(k - 1, k);
  const long double ak = E(k, k) / off;
  const long double akm1 = E(k - 1, k - 1) / off;
  const long double bk = z[k - 1] / off;
  const long double bkm1 = z[k - 2] / off;
  const long double denom = ak * akm1 - 1.0L;
  z[k - 1] = (akm1 * bk - bkm1) / denom;
  z[k - 2] = (ak * bkm1 - bk) / denom;
}

// Pivot record entry of row k (1-based).
int& Pivot(int* pivots, int k) { return pivots[k - 1]; }

// Solves with the factors: backward through the blocks (interchanges, U, D inverse), then
// forward (U^T, interchanges undone). b is 0-based; z(k) below is b[k-1].
void SubstituteSymmetric(long double* const* a, int n, int* pivots, long double* b) {
  const Triangle E(a);
  auto z = [b](int k) -> long double& { return b[k - 1]; };
  int k = n;
  while (k > 0) {
    if (Pivot(pivots, k) >= 0) {
      if (k != 1) {
        const int kp = Pivot(pivots, k);
        if (kp != k) std::swap(z(k), z(kp));
        Axpy(k - 1, z(k), E.Column(k), b);
      }
      z(k) = z(k) / E(k, k);
      k -= 1;
    } else {
      if (k != 2) {
        const int kp = std::abs(Pivot(pivots, k));
        if (kp != k - 1) std::swap(z(k - 1), z(kp));
        Axpy(k - 2, z(k), E.Column(k), b);
        Axpy(k - 2, z(k - 1), E.Column(k - 1), b);
      }
      SolveTwoByTwo(E, k, b);
      k -= 2;
    }
  }
  k = 1;
  while (k <= n) {
    if (Pivot(pivots, k) >= 0) {
      if (k != 1) {
        z(k) += Dot(k - 1, E.Column(k), b);
        const int kp = Pivot(pivots, k);
        if (kp != k) std::swap(z(k), z(kp));
      }
      k += 1;
    } else {
      if (k != 1) {
        z(k) += Dot(k - 1, E.Column(k), b);
        z(k + 1) += Dot(k - 1, E.Column(k + 1), b);
        const int kp = std::abs(Pivot(pivots, k));
        if (kp != k) std::swap(z(k), z(kp));
      }
      k += 2;
    }
  }
}

// Scales z to unit sum of magnitudes and returns the factor; 0 when the sum is 0 or not
// finite (the estimate then reports a singular-looking matrix).
long double NormaliseSum(int n, long double* z) {
  const long double sum = SumOfMagnitudes(n, z);
  if (!(sum > 0.0L) || !std::isfinite(sum)) return 0.0L;
  const long double s = 1.0L / sum;
  Scale(n, s, z);
  return s;
}

// Solve of U D w = e (first == true, e chosen step by step to make w grow) or U D v = y.
// ynorm is rescaled with z whenever a component outgrows its 1x1 pivot.
void SolveUD(const Triangle& E, int n, int* pivots, long double* z, bool first,
             long double* ynorm) {
  auto Z = [z](int k) -> long double& { return z[k - 1]; };
  long double ek = 1.0L;
  int k = n;
  while (k > 0) {
    const int ks = Pivot(pivots, k) < 0 ? 2 : 1;
    if (first || k != ks) {
      const int kp = std::abs(Pivot(pivots, k));
      const int kps = k + 1 - ks;
      if (kp != kps) std::swap(Z(kps), Z(kp));
      if (first) {
        if (Z(k) != 0.0L) ek = std::copysign(ek, Z(k));
        Z(k) += ek;
      }
      Axpy(k - ks, Z(k), E.Column(k), z);
      if (ks == 2) {
        if (first) {
          if (Z(k - 1) != 0.0L) ek = std::copysign(ek, Z(k - 1));
          Z(k - 1) += ek;
        }
        Axpy(k - ks, Z(k - 1), E.Column(k - 1), z);
      }
    }
    if (ks == 1) {
      const long double akk = std::fabs(E(k, k));
      if (std::fabs(Z(k)) > akk) {
        const long double s = akk / std::fabs(Z(k));
        Scale(n, s, z);
        if (first) {
          ek *= s;
        } else {
          *ynorm *= s;
        }
      }
      Z(k) = E(k, k) != 0.0L ? Z(k) / E(k, k) : 1.0L;
    } else {
      SolveTwoByTwo(E, k, z);
    }
    k -= ks;
  }
}

// Solve of U^T y = w in place.
void SolveUTranspose(const Triangle& E, int n, int* pivots, long double* z) {
  auto Z = [z](int k) -> long double& { return z[k - 1]; };
  int k = 1;
  while (k <= n) {
    const int ks = Pivot(pivots, k) < 0 ? 2 : 1;
    if (k != 1) {
      Z(k) += Dot(k - 1, E.Column(k), z);
      if (ks == 2) Z(k + 1) += Dot(k - 1, E.Column(k + 1), z);
      const int kp = std::abs(Pivot(pivots, k));
      if (kp != k) std::swap(Z(k), Z(kp));
    }
    k += ks;
  }
}

// Factors with the condition estimate. z is a work vector of n entries. Returns 0 when the
// factorisation fails; otherwise 1 with the reciprocal condition estimate in *rcond.
int FactorSymmetricCond(long double* const* a, int n, int* pivots, long double* z,
                        long double* rcond) {
  const Triangle E(a);
  // 1-norm of the symmetric matrix from its stored triangle.
  for (int j = 1; j <= n; ++j) {
    z[j - 1] = SumOfMagnitudes(j, E.Column(j));
    for (int i = 1; i < j; ++i) z[i - 1] += std::fabs(E(i, j));
  }
  long double norm = 0.0L;
  for (int j = 0; j < n; ++j) norm = std::max(norm, z[j]);

  if (!FactorSymmetric(a, n, pivots)) return 0;

  for (int j = 0; j < n; ++j) z[j] = 0.0L;
  long double ynorm = 1.0L;
  SolveUD(E, n, pivots, z, true, &ynorm);
  long double s = NormaliseSum(n, z);
  if (s != 0.0L) {
    SolveUTranspose(E, n, pivots, z);
    s = NormaliseSum(n, z);
  }
  if (s != 0.0L) {
    ynorm = 1.0L;
    SolveUD(E, n, pivots, z, false, &ynorm);
    s = NormaliseSum(n, z);
    ynorm *= s;
  }
  if (s != 0.0L) {
    SolveUTranspose(E, n, pivots, z);
    s = NormaliseSum(n, z);
    ynorm *= s;
  }
  *rcond = (s != 0.0L && norm != 0.0L) ? ynorm / norm : 0.0L;
  return 1;
}

SolverResult SolveSymIndef(long double* const* a, long double* b, int n) {
  const std::size_t slots = static_cast<std::size_t>(n) + 1;
  auto z = solver_work::Allocate<long double>(slots);
  auto pivots = solver_work::Allocate<int>(slots);
  if (!z || !pivots) return {-1, std::nullopt};
  long double rcond = 0.0L;
  if (!FactorSymmetricCond(a, n, pivots.get(), z.get(), &rcond)) return {};
  SubstituteSymmetric(a, n, pivots.get(), b);
  if (!solver_work::AllFinite(b, n)) return {};
  return {1, rcond};
}

}  // namespace

int FactorSymmetric(long double* const* a, int n, int* pivots) {
  const Triangle E(a);
  const long double alpha = (1.0L + std::sqrt(17.0L)) / 8.0L;
  int k = n;
  while (k > 0) {
    if (k == 1) {
      Pivot(pivots, 1) = 1;
      return E(1, 1) == 0.0L ? 0 : 1;
    }
    const int km1 = k - 1;
    const long double absakk = std::fabs(E(k, k));
    const int imax = FirstLargest(E.Column(k), k - 1);
    const long double colmax = std::fabs(E(imax, k));
    int kstep = 1;
    bool swap = false;
    if (absakk < alpha * colmax) {
      long double rowmax = 0.0L;
      for (int j = imax + 1; j <= k; ++j) rowmax = std::max(rowmax, std::fabs(E(imax, j)));
      if (imax != 1) {
        const int jmax = FirstLargest(E.Column(imax), imax - 1);
        rowmax = std::max(rowmax, std::fabs(E(jmax, imax)));
      }
      if (std::fabs(E(imax, imax)) >= alpha * rowmax) {
        swap = true;
      } else if (absakk >= alpha * colmax * (colmax / rowmax)) {
        swap = false;
      } else {
        kstep = 2;
        swap = imax != km1;
      }
    }
    if (std::max(absakk, colmax) == 0.0L) {
      Pivot(pivots, k) = k;
      return 0;
    }
    if (kstep == 1) {
      if (swap) {
        for (int i = 1; i <= imax; ++i) std::swap(E(i, imax), E(i, k));
        for (int j = k; j >= imax; --j) std::swap(E(j, k), E(imax, j));
      }
      // Divide the column above k by -a(k,k) and apply its rank-one update.
      for (int j = k - 1; j >= 1; --j) {
        const long double mulk = -E(j, k) / E(k, k);
        Axpy(j, mulk, E.Column(k), E.Column(j));
        E(j, k) = mulk;
      }
      Pivot(pivots, k) = swap ? imax : k;
    } else {
      const int km2 = k - 2;
      if (swap) {
        for (int i = 1; i <= imax; ++i) std::swap(E(i, imax), E(i, km1));
        for (int j = km1; j >= imax; --j) std::swap(E(j, km1), E(imax, j));
        std::swap(E(km1, k), E(imax, k));
      }
      if (km2 != 0) {
        const long double off = E(km1, k);
        const long double ak = E(k, k) / off;
        const long double akm1 = E(km1, km1) / off;
        const long double denom = 1.0L - ak * akm1;
        for (int j = km1 - 1; j >= 1; --j) {
          const long double bk = E(j, k) / off;
          const long double bkm1 = E(j, km1) / off;
          const long double mulk = (akm1 * bk - bkm1) / denom;
          const long double mulkm1 = (ak * bkm1 - bk) / denom;
          Axpy(j, mulk, E.Column(k), E.Column(j));
          Axpy(j, mulkm1, E.Column(km1), E.Column(j));
          E(j, k) = mulk;
          E(j, km1) = mulkm1;
        }
      }
      Pivot(pivots, k) = swap ? -imax : 1 - k;
      Pivot(pivots, km1) = Pivot(pivots, k);
    }
    k -= kstep;
  }
  return 1;
}

SolverResult SolveSymIndefInPlace(long double* const* a, long double* b, int n) {
  if (n < 1) return {};
  return SolveSymIndef(a, b, n);
}

SolverResult SolveSymIndefCopy(long double* const* a, long double* b, int n) {
  if (n < 1) return {};
  const std::unique_ptr<LDMatrix> copy = AllocLDMatrix(n, n);
  if (!copy) return {-1, std::nullopt};
  // Only the lower triangle is read.
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) (*copy)[i][j] = a[i][j];
  return SolveSymIndef(copy->Data(), b, n);
}
