// Dense solvers for the small systems of normal equations that every linear least-squares
// fit ends in (at most 80 unknowns, 80-bit long doubles).
//
// A matrix is n x n long doubles held as n row pointers, indexed from 0: a[0][0] is the top
// left entry. Callers pass the top-left n x n block of a larger scratch matrix. Every solver
// overwrites the right-hand side with the solution.
//
// The solvers are re-entrant: their side result (a determinant, a reciprocal condition
// estimate or a singular-value ratio) comes back in the result, never through shared state,
// so the background fit, a foreground fit and the smoother may solve at the same time.
#pragma once

#include <array>
#include <optional>

// Procedure codes stored in a fit result: they index `SolveTable`, `InvertTable` and
// `ProcedureNames`.
enum FitProcedure : int {
  kProcGaussElim = 0,
  kProcGaussJordan = 1,
  kProcLUDecomp = 2,
  kProcSVDecomp = 3,
  kProcSymIndefCopy = 4,
  // Householder QR of the weighted design at the points (least_squares.h), for the linear
  // fits whose normal equations would lose digits; no solve or invert table entry (the
  // refit forms its covariance from the points as well).
  kProcQRDecomp = 6,
  kProcLevMarq = 8,
  kProcFailed = -1,
};

struct SolverResult {
  // 1 solved, 0 singular (for the SVD: not converged), -1 work memory not available. A
  // solution (or inverse) holding a value that is not a finite number, as overflowing or
  // undefined entries give, counts as singular: it is never reported as solved.
  int status = 0;
  // The method's side result, present only when the method has one and succeeded:
  // `SolveLU` the determinant of the matrix as given; the symmetric indefinite solvers the
  // reciprocal condition estimate (0 singular-looking, 1 perfectly conditioned); the SVD the
  // ratio smallest / largest singular value. A caller that keeps a running "condition"
  // updates it only when this is present, exactly as if it read a shared value that the
  // failed or condition-less call left alone.
  std::optional<long double> condition;

  bool Solved() const { return status == 1; }
};

using SolverFn = SolverResult (*)(long double* const* a, long double* b, int n);

// Gaussian elimination with partial pivoting (the uppermost row wins ties). The matrix is
// destroyed. Allocates nothing: the fitters call it for every candidate equation.
[[nodiscard]] SolverResult SolveGauss(long double* const* a, long double* b, int n);

// Gauss-Jordan elimination with full pivoting; the matrix is replaced by its inverse. Also
// serves as an inverter: b may be null, then only the matrix is inverted.
[[nodiscard]] SolverResult SolveGaussJordan(long double* const* a, long double* b, int n);

// Crout LU decomposition with implicit (row-scaled) partial pivoting. The matrix is replaced
// by its LU factors (rows permuted); the condition is the determinant.
[[nodiscard]] SolverResult SolveLU(long double* const* a, long double* b, int n);

// Inverse through the LU factors; b, when given, is solved too.
[[nodiscard]] SolverResult InvertLU(long double* const* a, long double* b, int n);

// Solution through the singular value decomposition; the matrix is left unchanged. Singular
// values below 5e-14 of the largest are dropped, so a rank-deficient system gets its
// minimum-norm solution.
[[nodiscard]] SolverResult SolveSVD(long double* const* a, long double* b, int n);

// The pseudo-inverse V diag(1/w) U^T in place of the matrix; b, when given, is solved too.
[[nodiscard]] SolverResult InvertSVD(long double* const* a, long double* b, int n);

// Symmetric indefinite factorisation (Bunch-Kaufman diagonal pivoting) with the LINPACK
// condition estimate. Only the lower triangle (row k, columns 0..k) is read. The Copy form
// leaves the matrix unchanged; the InPlace form replaces it by its factors.
[[nodiscard]] SolverResult SolveSymIndefCopy(long double* const* a, long double* b, int n);
[[nodiscard]] SolverResult SolveSymIndefInPlace(long double* const* a, long double* b, int n);

// The symmetric factorisation A = U D U^T on its own (used by the solvers above; exposed for
// tests of the pivot choice). pivots receives n entries, 1-based row numbers as LINPACK
// records them: for a 1x1 block at row k the row interchanged with it (k itself when none);
// for a 2x2 block at rows k-1, k both entries negative (1-k without interchange, -imax with).
// Returns 1, or 0 when a zero pivot column makes the matrix singular.
[[nodiscard]] int FactorSymmetric(long double* const* a, int n, int* pivots);

inline constexpr int kProcedureTableSize = 9;
// Indexed by procedure code 0..8; codes 5 to 8 are empty (null).
extern const std::array<SolverFn, kProcedureTableSize> SolveTable;
extern const std::array<SolverFn, kProcedureTableSize> InvertTable;

// Names of the procedure codes 0..8, then of the robust fitting modes 0..3 in rows 9..12.
inline constexpr int kProcedureNameCount = 13;
extern const std::array<const char*, kProcedureNameCount> ProcedureNames;

// The table entry for a procedure code, or null for a code outside the table or an empty
// slot (a caller holding a code read from a record checks this before calling).
SolverFn SolverForProcedure(int code);
SolverFn InverterForProcedure(int code);
