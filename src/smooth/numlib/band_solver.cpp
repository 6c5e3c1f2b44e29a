#include "smooth/numlib/band_solver.h"

#include <algorithm>
#include <cmath>
#include <utility>

TBandLU::TBandLU(int n, int kl, int ku)
    : n_(n), kl_(kl), ku_(ku), ld_(static_cast<std::size_t>(2 * kl + ku + 1)),
      ab_(ld_ * static_cast<std::size_t>(std::max(n, 0)), 0.0),
      pivot_(static_cast<std::size_t>(std::max(n, 0)), 0) {}

bool TBandLU::Factor() {
  int ju = 0;  // last column touched by the rows pivoted so far
  for (int j = 0; j < n_; ++j) {
    const int km = std::min(kl_, n_ - 1 - j);
    int jp = 0;
    double best = std::fabs(At(j, j));
    for (int r = 1; r <= km; ++r) {
      const double v = std::fabs(At(j + r, j));
      if (v > best) best = v, jp = r;
    }
    pivot_[static_cast<std::size_t>(j)] = j + jp;
    if (best == 0.0) return false;
    ju = std::max(ju, std::min(j + ku_ + jp, n_ - 1));
    if (jp != 0)
      for (int c = j; c <= ju; ++c) std::swap(At(j, c), At(j + jp, c));
    const double pivot = At(j, j);
    for (int r = 1; r <= km; ++r) At(j + r, j) /= pivot;
    for (int c = j + 1; c <= ju; ++c) {
      const double u = At(j, c);
      if (u == 0.0) continue;
      for (int r = 1; r <= km; ++r) At(j + r, c) -= At(j + r, j) * u;
    }
  }
  return true;
}

void TBandLU::Solve(double* b, std::ptrdiff_t stride) const {
  auto B = [b, stride](int i) -> double& { return b[static_cast<std::ptrdiff_t>(i) * stride]; };
  for (int j = 0; j < n_; ++j) {
    const int p = pivot_[static_cast<std::size_t>(j)];
    if (p != j) std::swap(B(j), B(p));
    const double v = B(j);
    if (v == 0.0) continue;
    const int km = std::min(kl_, n_ - 1 - j);
    for (int r = 1; r <= km; ++r) B(j + r) -= At(j + r, j) * v;
  }
  const int width = kl_ + ku_;
  for (int j = n_ - 1; j >= 0; --j) {
    B(j) /= At(j, j);
    const double v = B(j);
    if (v == 0.0) continue;
    for (int i = std::max(0, j - width); i < j; ++i) B(i) -= At(i, j) * v;
  }
}
