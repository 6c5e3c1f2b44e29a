// Linear systems whose matrix is banded: the collocation systems of B-spline interpolation
// and the Newton systems of the optimal knots, where row i has non-zeros only in columns
// i - kl .. i + ku.
//
// Gaussian elimination with partial pivoting in the band storage of LAPACK's gbtrf (the
// pivoting widens the upper band to kl + ku). B-spline collocation matrices are totally
// positive when they are regular, so pivoting is rarely needed; it is kept so that a badly
// placed knot sequence gives a poor answer rather than a division by zero, and a zero pivot
// reports the matrix singular.
#pragma once

#include <cstddef>
#include <vector>

class TBandLU {
 public:
  // An n x n zero matrix with kl sub- and ku super-diagonals.
  TBandLU(int n, int kl, int ku);

  int Size() const { return n_; }
  // Whether (i, j) lies inside the band that Set accepts.
  bool InBand(int i, int j) const { return j - i <= ku_ && i - j <= kl_; }
  // A(i, j) := v; (i, j) must lie inside the band.
  void Set(int i, int j, double v) { At(i, j) = v; }

  // Factors in place. False when a column has no non-zero pivot (singular matrix).
  [[nodiscard]] bool Factor();
  // Solves A x = b for one right-hand side whose entries stand `stride` apart; b becomes x.
  // Only after a successful Factor.
  void Solve(double* b, std::ptrdiff_t stride) const;

 private:
  double& At(int i, int j) { return ab_[Index(i, j)]; }
  double At(int i, int j) const { return ab_[Index(i, j)]; }
  std::size_t Index(int i, int j) const {
    return static_cast<std::size_t>(kl_ + ku_ + i - j) + static_cast<std::size_t>(j) * ld_;
  }

  int n_, kl_, ku_;
  std::size_t ld_;
  std::vector<double> ab_;
  std::vector<int> pivot_;
};
