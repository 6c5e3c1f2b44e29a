// Weighted linear least squares where the normal equations cannot be trusted.
//
// Normal equations square the condition of the design: a design whose columns are scaled to
// unit length and still have a condition κ gives a normal matrix of condition κ², and the
// 64-bit mantissa of a long double then holds about 19 - 2·log10(κ) digits of the solution.
// Weights spread over 1e12 (κ grows by their square root), powers of a variable far from its
// centre, or terms that nearly coincide on the data square κ past what a long double holds.
//
// Two pieces serve the fitters:
//   - EquilibratedCondition measures the condition of a normal matrix after scaling it to a
//     unit diagonal (Jacobi scaling, under which the rounding of its entries is relative to
//     them): the test that decides whether its solution holds the digits a fit needs.
//   - TLeastSquaresQR solves the least-squares problem from the design itself by Householder
//     QR (Golub's method), whose error grows with κ rather than κ², and measures κ of the
//     column-scaled design: a design whose condition the data's own rounding could make
//     singular is reported as dependent instead of being solved.
// Both are re-entrant; TLeastSquaresQR keeps its work storage between solves.
#pragma once

#include <cstddef>
#include <vector>

// The 1-norm condition of D·A·D, D = diag(1/sqrt(a_ii)), for the symmetric n x n matrix `a`
// (row pointers, only the lower triangle read), computed from its Cholesky factor and the
// explicit inverse (n is small: the fitters pass at most 80 unknowns). +infinity when a
// diagonal entry is not positive or the factorisation meets a pivot that is not: the matrix
// is not positive definite to the precision of its entries.
long double EquilibratedCondition(const long double* const* a, int n);

enum class TLeastSquaresStatus {
  kSolved,
  kDependent,  // the columns are dependent on the rows given (or fewer rows than columns)
  kNoMemory,
};

struct TLeastSquaresResult {
  TLeastSquaresStatus status = TLeastSquaresStatus::kDependent;
  long double sse = 0.0L;  // Σ (target - design·x)² of the rows as given
  long double targetSquares = 0.0L;  // Σ target² of the rows as given
  // The 1-norm condition of the design with its columns scaled to unit length (+infinity for
  // a zero column).
  long double condition = 0.0L;
  bool Solved() const { return status == TLeastSquaresStatus::kSolved; }
};

// The least-squares solution of design·x ≈ target over n rows and p columns. The caller
// fills the columns and the target with every row already multiplied by the square root of
// its weight, then calls Solve.
class TLeastSquaresQR {
 public:
  // Work storage for n rows and p columns; false when memory is short.
  [[nodiscard]] bool Reset(int n, int p);
  int Rows() const { return n_; }
  int Cols() const { return p_; }
  // Column j (n entries) and the target (n entries), to be filled before Solve.
  long double* Column(int j) { return cells_.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(n_); }
  long double* Target() { return target_.data(); }

  // Factors the design and solves into x[0..p). A design whose scaled condition is not below
  // `maxCondition` is dependent: x is then left alone. The design and target are destroyed.
  TLeastSquaresResult Solve(long double maxCondition, long double* x);

  // After a solve: the inverse of the normal matrix designᵀ·design into inv (p x p, row
  // pointers), formed from the triangular factor as R⁻¹·R⁻ᵀ. False before a solve.
  bool NormalInverse(long double* const* inv) const;

 private:
  int n_ = 0, p_ = 0;
  bool solved_ = false;
  std::vector<long double> cells_, target_;
  std::vector<long double> scale_;     // 1 / the length of each column
  std::vector<long double> rInverse_;  // R⁻¹ of the scaled columns, p x p by rows
};
