// Gaussian elimination, Gauss-Jordan elimination and Crout LU decomposition, and the tables
// that pick a solver or inverter by the procedure code a fit result stores.
#include "numerics/dense_solvers.h"

#include <cmath>
#include <utility>

#include "numerics/solver_work.h"

namespace {

void SwapRows(long double* const* a, int p, int k, int n) {
  long double* rp = a[p];
  long double* rk = a[k];
  for (int j = 0; j < n; ++j) std::swap(rp[j], rk[j]);
}

// Crout factorisation with implicit pivoting: every row is scaled by its largest magnitude
// for the choice of pivot only. Records the pivot row of each column in indx and the parity
// of the interchanges. Returns 0 for a zero row or a zero pivot (no tiny-pivot substitute: a
// singular system is reported, never solved approximately).
int FactorLU(long double* const* a, int n, int* indx, long double* scale, int* parity) {
  *parity = 1;
  for (int i = 0; i < n; ++i) {
    long double big = 0.0L;
    for (int j = 0; j < n; ++j) {
      const long double t = std::fabs(a[i][j]);
      if (t > big) big = t;
    }
    if (big == 0.0L) return 0;
    scale[i] = 1.0L / big;
  }
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < j; ++i) {
      long double sum = a[i][j];
      for (int k = 0; k < i; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
    }
    long double big = 0.0L;
    int imax = j;
    for (int i = j; i < n; ++i) {
      long double sum = a[i][j];
      for (int k = 0; k < j; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
      const long double merit = scale[i] * std::fabs(sum);
      if (merit >= big) {  // a later row wins ties
        big = merit;
        imax = i;
      }
    }
    if (imax != j) {
      SwapRows(a, imax, j, n);
      *parity = -*parity;
      scale[imax] = scale[j];
    }
    indx[j] = imax;
    if (a[j][j] == 0.0L) return 0;
    if (j != n - 1) {
      const long double pivot = a[j][j];
      for (int i = j + 1; i < n; ++i) a[i][j] /= pivot;
    }
  }
  return 1;
}

// Forward substitution applying the recorded interchanges (starting at the first non-zero
// entry of the right-hand side), then back substitution.
void SubstituteLU(long double* const* a, int n, const int* indx, long double* b) {
  int first = -1;
  for (int i = 0; i < n; ++i) {
    const int ip = indx[i];
    long double sum = b[ip];
    b[ip] = b[i];
    if (first >= 0) {
      for (int j = first; j < i; ++j) sum -= a[i][j] * b[j];
    } else if (sum != 0.0L) {
      first = i;
    }
    b[i] = sum;
  }
  for (int i = n - 1; i >= 0; --i) {
    long double sum = b[i];
    for (int j = i + 1; j < n; ++j) sum -= a[i][j] * b[j];
    b[i] = sum / a[i][i];
  }
}

}  // namespace

SolverResult SolveGauss(long double* const* a, long double* b, int n) {
  if (n < 1) return {};
  for (int k = 0; k < n - 1; ++k) {
    int p = k;
    long double big = std::fabs(a[k][k]);
    for (int i = k + 1; i < n; ++i) {
      const long double t = std::fabs(a[i][k]);
      if (t > big) {  // strictly larger: the uppermost row wins ties
        big = t;
        p = i;
      }
    }
    if (big == 0.0L) return {};
    if (p != k) {
      SwapRows(a, p, k, n);
      std::swap(b[p], b[k]);
    }
    const long double* rk = a[k];
    const long double pivot = rk[k];
    for (int i = k + 1; i < n; ++i) {
      long double* ri = a[i];
      const long double f = ri[k] / pivot;
      for (int j = k + 1; j < n; ++j) ri[j] -= f * rk[j];
      b[i] -= f * b[k];
    }
  }
  if (a[n - 1][n - 1] == 0.0L) return {};
  b[n - 1] = b[n - 1] / a[n - 1][n - 1];
  for (int i = n - 2; i >= 0; --i) {
    long double sum = 0.0L;
    for (int j = i + 1; j < n; ++j) sum += a[i][j] * b[j];
    b[i] = (b[i] - sum) / a[i][i];
  }
  if (!solver_work::AllFinite(b, n)) return {};
  return {1, std::nullopt};
}

SolverResult SolveGaussJordan(long double* const* a, long double* b, int n) {
  if (n < 1) return {};
  // Pivot use count, row and column of each step. A failed allocation is reported as "no
  // work memory", never as a solution.
  const std::size_t slots = static_cast<std::size_t>(n) + 1;
  auto work = solver_work::Allocate<int>(3 * slots);
  if (!work) return {-1, std::nullopt};
  int* used = work.get();
  int* rowOf = used + slots;
  int* colOf = rowOf + slots;

  for (int step = 0; step < n; ++step) {
    long double big = 0.0L;
    int r = -1;
    int c = -1;
    for (int j = 0; j < n; ++j) {
      if (used[j] == 1) continue;
      for (int k = 0; k < n; ++k) {
        if (used[k] == 0) {
          const long double t = std::fabs(a[j][k]);
          if (t >= big) {  // greater or equal: the last candidate in row-major order wins
            big = t;
            r = j;
            c = k;
          }
        } else if (used[k] > 1) {
          return {};
        }
      }
    }
    if (c < 0) return {};  // only not-a-number candidates were left
    ++used[c];
    if (r != c) {
      SwapRows(a, r, c, n);
      if (b) std::swap(b[r], b[c]);
    }
    rowOf[step] = r;
    colOf[step] = c;
    if (a[c][c] == 0.0L) return {};
    const long double g = 1.0L / a[c][c];
    a[c][c] = 1.0L;
    long double* rc = a[c];
    for (int j = 0; j < n; ++j) rc[j] *= g;
    if (b) b[c] *= g;
    for (int l = 0; l < n; ++l) {
      if (l == c) continue;
      long double* rl = a[l];
      const long double t = rl[c];
      rl[c] = 0.0L;
      for (int j = 0; j < n; ++j) rl[j] -= rc[j] * t;
      if (b) b[l] -= b[c] * t;
    }
  }
  for (int step = n - 1; step >= 0; --step) {
    const int r = rowOf[step];
    const int c = colOf[step];
    if (r == c) continue;
    for (int k = 0; k < n; ++k) std::swap(a[k][r], a[k][c]);
  }
  if (!solver_work::AllFinite(b, n) || !solver_work::AllFinite(a, n)) return {};
  return {1, std::nullopt};
}

SolverResult SolveLU(long double* const* a, long double* b, int n) {
  if (n < 1) return {};
  solver_work::SmallArray<int> indx(static_cast<std::size_t>(n));
  solver_work::SmallArray<long double> scale(static_cast<std::size_t>(n));
  if (!indx.Data() || !scale.Data()) return {-1, std::nullopt};
  int parity = 1;
  if (!FactorLU(a, n, indx.Data(), scale.Data(), &parity)) return {};
  long double det = parity;
  for (int i = 0; i < n; ++i) det *= a[i][i];
  SubstituteLU(a, n, indx.Data(), b);
  if (!solver_work::AllFinite(b, n)) return {};
  return {1, det};
}

SolverResult InvertLU(long double* const* a, long double* b, int n) {
  if (n < 1) return {};
  // The inverse is gathered apart and written over the matrix only once every column is
  // known, because the factors in the matrix are needed for every column.
  solver_work::SmallArray<int> indx(static_cast<std::size_t>(n));
  solver_work::SmallArray<long double> scale(static_cast<std::size_t>(n));
  auto inverse = solver_work::Allocate<long double>(static_cast<std::size_t>(n) * n);
  auto column = solver_work::Allocate<long double>(static_cast<std::size_t>(n));
  if (!indx.Data() || !scale.Data() || !inverse || !column) return {-1, std::nullopt};
  int parity = 1;
  if (!FactorLU(a, n, indx.Data(), scale.Data(), &parity)) return {};
  if (b) SubstituteLU(a, n, indx.Data(), b);
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) column[i] = 0.0L;
    column[j] = 1.0L;
    SubstituteLU(a, n, indx.Data(), column.get());
    for (int i = 0; i < n; ++i) inverse[static_cast<std::size_t>(i) * n + j] = column[i];
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a[i][j] = inverse[static_cast<std::size_t>(i) * n + j];
  if (!solver_work::AllFinite(b, n) || !solver_work::AllFinite(a, n)) return {};
  return {1, std::nullopt};
}

const std::array<SolverFn, kProcedureTableSize> SolveTable = {
    SolveGauss, SolveGaussJordan, SolveLU, SolveSVD, SolveSymIndefCopy,
    nullptr,    nullptr,          nullptr, nullptr,
};

const std::array<SolverFn, kProcedureTableSize> InvertTable = {
    SolveGaussJordan, SolveGaussJordan, InvertLU, InvertSVD, SolveGaussJordan,
    nullptr,          nullptr,          nullptr,  nullptr,
};

const std::array<const char*, kProcedureNameCount> ProcedureNames = {
    // procedure codes 0 to 8
    "GaussElim",
    "GaussJord",
    "LUDecomp",
    "SVDecomp",
    "GaussElim",
    "GaussElim[XP]",
    "QRDecomp",
    "",
    "Lev-Marq",
    // robust modes 0 to 3
    "Least Squares",
    "Least Abs Dev",
    "Lorentzian",
    "PearsonVII Lim",
};

SolverFn SolverForProcedure(int code) {
  return code >= 0 && code < kProcedureTableSize ? SolveTable[code] : nullptr;
}

SolverFn InverterForProcedure(int code) {
  return code >= 0 && code < kProcedureTableSize ? InvertTable[code] : nullptr;
}
