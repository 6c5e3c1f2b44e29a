#include "numerics/least_squares.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "numerics/solver_work.h"

namespace {

constexpr long double kInfinity = std::numeric_limits<long double>::infinity();

// The inverse of the upper triangular p x p matrix r (row-major) into inv (row-major);
// false when a diagonal entry is 0 or an entry of the inverse is not finite.
bool InvertUpper(const long double* r, int p, long double* inv) {
  std::fill(inv, inv + static_cast<std::size_t>(p) * p, 0.0L);
  for (int j = p - 1; j >= 0; --j) {
    if (r[j * p + j] == 0.0L) return false;
    inv[j * p + j] = 1.0L / r[j * p + j];
    for (int i = j - 1; i >= 0; --i) {
      long double s = 0.0L;
      for (int k = i + 1; k <= j; ++k) s += r[i * p + k] * inv[k * p + j];
      inv[i * p + j] = -s / r[i * p + i];
    }
  }
  return solver_work::AllFinite(inv, p * p);
}

// The 1-norm of an upper triangular p x p matrix (row-major).
long double UpperNorm1(const long double* r, int p) {
  long double norm = 0.0L;
  for (int j = 0; j < p; ++j) {
    long double column = 0.0L;
    for (int i = 0; i <= j; ++i) column += std::fabs(r[i * p + j]);
    norm = std::max(norm, column);
  }
  return norm;
}

}  // namespace

long double EquilibratedCondition(const long double* const* a, int n) {
  if (n <= 0) return kInfinity;
  solver_work::SmallArray<long double, 144> cells(static_cast<std::size_t>(n) * n);
  solver_work::SmallArray<long double, 144> inverse(static_cast<std::size_t>(n) * n);
  solver_work::SmallArray<long double, 12> d(static_cast<std::size_t>(n));
  if (!cells.Data() || !inverse.Data() || !d.Data()) return kInfinity;
  for (int i = 0; i < n; ++i) {
    if (!(a[i][i] > 0.0L) || !std::isfinite(a[i][i])) return kInfinity;
    d[i] = 1.0L / std::sqrt(a[i][i]);
  }
  long double* l = cells.Data();  // the scaled matrix's lower triangle, then its Cholesky factor
  long double norm = 0.0L;        // the scaled matrix's 1-norm, by columns
  for (int j = 0; j < n; ++j) {
    long double column = 0.0L;
    for (int i = 0; i < n; ++i) column += std::fabs((i >= j ? a[i][j] : a[j][i]) * d[i] * d[j]);
    norm = std::max(norm, column);
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) l[i * n + j] = a[i][j] * d[i] * d[j];
  for (int j = 0; j < n; ++j) {
    long double pivot = l[j * n + j];
    for (int k = 0; k < j; ++k) pivot -= l[j * n + k] * l[j * n + k];
    if (!(pivot > 0.0L)) return kInfinity;
    const long double root = std::sqrt(pivot);
    l[j * n + j] = root;
    for (int i = j + 1; i < n; ++i) {
      long double v = l[i * n + j];
      for (int k = 0; k < j; ++k) v -= l[i * n + k] * l[j * n + k];
      l[i * n + j] = v / root;
    }
  }
  // L⁻¹ by forward substitution (lower, row-major); A⁻¹ = L⁻ᵀ·L⁻¹.
  long double* li = inverse.Data();
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < j; ++i) li[i * n + j] = 0.0L;
    li[j * n + j] = 1.0L / l[j * n + j];
    for (int i = j + 1; i < n; ++i) {
      long double v = 0.0L;
      for (int k = j; k < i; ++k) v += l[i * n + k] * li[k * n + j];
      li[i * n + j] = -v / l[i * n + i];
    }
  }
  long double inverseNorm = 0.0L;
  for (int j = 0; j < n; ++j) {
    long double column = 0.0L;
    for (int i = 0; i < n; ++i) {
      long double v = 0.0L;
      for (int k = std::max(i, j); k < n; ++k) v += li[k * n + i] * li[k * n + j];
      column += std::fabs(v);
    }
    inverseNorm = std::max(inverseNorm, column);
  }
  const long double condition = norm * inverseNorm;
  return std::isfinite(condition) ? condition : kInfinity;
}

bool TLeastSquaresQR::Reset(int n, int p) {
  n_ = std::max(n, 0);
  p_ = std::max(p, 0);
  solved_ = false;
  try {
    cells_.assign(static_cast<std::size_t>(n_) * static_cast<std::size_t>(p_), 0.0L);
    target_.assign(static_cast<std::size_t>(n_), 0.0L);
    scale_.assign(static_cast<std::size_t>(p_), 0.0L);
    rInverse_.assign(static_cast<std::size_t>(p_) * static_cast<std::size_t>(p_), 0.0L);
  } catch (const std::bad_alloc&) {
    n_ = p_ = 0;
    return false;
  }
  return true;
}

TLeastSquaresResult TLeastSquaresQR::Solve(long double maxCondition, long double* x) {
  TLeastSquaresResult result;
  solved_ = false;
  const int n = n_, p = p_;
  result.condition = kInfinity;
  if (p == 0 || n < p) return result;
  for (int i = 0; i < n; ++i) result.targetSquares += target_[static_cast<std::size_t>(i)] * target_[static_cast<std::size_t>(i)];
  // Every column to unit length: the condition measured is that of the scaled design, and
  // the triangular factor's entries are relative to the columns they come from.
  for (int j = 0; j < p; ++j) {
    long double* c = Column(j);
    long double squares = 0.0L;
    for (int i = 0; i < n; ++i) squares += c[i] * c[i];
    const long double length = std::sqrt(squares);
    if (!(length > 0.0L) || !std::isfinite(length)) return result;
    scale_[static_cast<std::size_t>(j)] = 1.0L / length;
    for (int i = 0; i < n; ++i) c[i] *= scale_[static_cast<std::size_t>(j)];
  }
  // Rows in order of their largest entry, the largest first (Powell and Reid's row ordering):
  // Householder's reflections stay accurate however far the rows' weights spread, where in
  // their given order a row of weight 1e12 among rows of 1 costs the solution 1e-13 of its
  // digits.
  {
    std::vector<std::pair<long double, int>> order;
    try {
      order.reserve(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
      result.status = TLeastSquaresStatus::kNoMemory;
      return result;
    }
    for (int i = 0; i < n; ++i) {
      long double largest = 0.0L;
      for (int j = 0; j < p; ++j) largest = std::max(largest, std::fabs(Column(j)[i]));
      order.emplace_back(-largest, i);
    }
    std::stable_sort(order.begin(), order.end());
    std::vector<long double> moved(static_cast<std::size_t>(n));
    const auto permute = [&](long double* c) {
      for (int i = 0; i < n; ++i) moved[static_cast<std::size_t>(i)] = c[order[static_cast<std::size_t>(i)].second];
      std::copy(moved.begin(), moved.end(), c);
    };
    for (int j = 0; j < p; ++j) permute(Column(j));
    permute(target_.data());
  }
  // Householder QR: column j below the diagonal becomes its reflector, R_jj = alpha.
  solver_work::SmallArray<long double, 80> diagonal(static_cast<std::size_t>(p));
  if (!diagonal.Data()) {
    result.status = TLeastSquaresStatus::kNoMemory;
    return result;
  }
  long double* t = target_.data();
  for (int j = 0; j < p; ++j) {
    long double* cj = Column(j);
    long double squares = 0.0L;
    for (int i = j; i < n; ++i) squares += cj[i] * cj[i];
    const long double norm = std::sqrt(squares);
    if (!(norm > 0.0L)) return result;  // a column inside the span of the ones before it
    const long double alpha = cj[j] > 0.0L ? -norm : norm;
    cj[j] -= alpha;
    const long double half = -cj[j] * alpha;  // vᵀv / 2
    diagonal[static_cast<std::size_t>(j)] = alpha;
    const auto reflect = [&](long double* c) {
      long double dot = 0.0L;
      for (int i = j; i < n; ++i) dot += cj[i] * c[i];
      const long double f = dot / half;
      for (int i = j; i < n; ++i) c[i] -= f * cj[i];
    };
    for (int k = j + 1; k < p; ++k) reflect(Column(k));
    reflect(t);
  }
  // R (row-major) and its inverse: the condition of the scaled design is that of R.
  std::vector<long double> r;
  try {
    r.assign(static_cast<std::size_t>(p) * p, 0.0L);
  } catch (const std::bad_alloc&) {
    result.status = TLeastSquaresStatus::kNoMemory;
    return result;
  }
  for (int i = 0; i < p; ++i) {
    r[static_cast<std::size_t>(i) * p + i] = diagonal[static_cast<std::size_t>(i)];
    for (int k = i + 1; k < p; ++k) r[static_cast<std::size_t>(i) * p + k] = Column(k)[i];
  }
  if (!InvertUpper(r.data(), p, rInverse_.data())) return result;
  result.condition = UpperNorm1(r.data(), p) * UpperNorm1(rInverse_.data(), p);
  // A condition the rounding of the factorisation reaches is singular, whatever the bound.
  if (!(result.condition < maxCondition) || !(result.condition * (n + p) * 0x1p-63L < 1.0L)) return result;
  // x = S·R⁻¹·(Qᵀt)[0..p), the residual is the rest of Qᵀt.
  for (int i = 0; i < p; ++i) {
    long double v = 0.0L;
    for (int k = i; k < p; ++k) v += rInverse_[static_cast<std::size_t>(i) * p + k] * t[k];
    x[i] = v * scale_[static_cast<std::size_t>(i)];
  }
  long double sse = 0.0L;
  for (int i = p; i < n; ++i) sse += t[i] * t[i];
  if (!solver_work::AllFinite(x, p) || !std::isfinite(sse)) return result;
  result.sse = sse;
  result.status = TLeastSquaresStatus::kSolved;
  solved_ = true;
  return result;
}

bool TLeastSquaresQR::NormalInverse(long double* const* inv) const {
  if (!solved_) return false;
  const int p = p_;
  // (AᵀA)⁻¹ = S·R⁻¹·R⁻ᵀ·S with S the column scales.
  for (int i = 0; i < p; ++i) {
    for (int j = 0; j < p; ++j) {
      long double v = 0.0L;
      for (int k = std::max(i, j); k < p; ++k)
        v += rInverse_[static_cast<std::size_t>(i) * p + k] * rInverse_[static_cast<std::size_t>(j) * p + k];
      inv[i][j] = v * scale_[static_cast<std::size_t>(i)] * scale_[static_cast<std::size_t>(j)];
    }
  }
  return true;
}
