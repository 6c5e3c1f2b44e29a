#include "smooth/numlib/bspline_basis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

int BSplineSpan(const double* t, int n, int k, double x) {
  int lo = k - 1, hi = n;
  if (!(x >= t[lo])) return lo;
  if (x >= t[n - 1]) return n - 1;
  // Invariant: t[lo] <= x < t[hi].
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    if (x < t[mid]) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  return lo;
}

void BSplineBasis(const double* t, int k, int l, double x, int d, double* ders) {
  const int p = k - 1;
  std::array<std::array<double, kMaxSplineOrder>, kMaxSplineOrder> ndu{};
  std::array<double, kMaxSplineOrder> left{}, right{};
  ndu[0][0] = 1.0;
  for (int j = 1; j <= p; ++j) {
    left[j] = x - t[l + 1 - j];
    right[j] = t[l + j] - x;
    double saved = 0.0;
    for (int r = 0; r < j; ++r) {
      // Lower triangle: knot differences; upper triangle: basis functions.
      ndu[j][r] = right[r + 1] + left[j - r];
      const double temp = ndu[r][j - 1] / ndu[j][r];
      ndu[r][j] = saved + right[r + 1] * temp;
      saved = left[j - r] * temp;
    }
    ndu[j][j] = saved;
  }
  for (int a = 0; a < k; ++a) ders[a] = ndu[a][p];
  for (int r = 1; r <= d; ++r)
    for (int a = 0; a < k; ++a) ders[r * k + a] = 0.0;
  const int dmax = std::min(d, p);
  if (dmax < 1) return;
  std::array<std::array<double, kMaxSplineOrder>, 2> coef{};
  for (int r = 0; r <= p; ++r) {
    int s1 = 0, s2 = 1;
    coef[0][0] = 1.0;
    for (int q = 1; q <= dmax; ++q) {
      double sum = 0.0;
      const int rq = r - q, pq = p - q;
      if (r >= q) {
        coef[s2][0] = coef[s1][0] / ndu[pq + 1][rq];
        sum = coef[s2][0] * ndu[rq][pq];
      }
      const int j1 = rq >= -1 ? 1 : -rq;
      const int j2 = r - 1 <= pq ? q - 1 : p - r;
      for (int j = j1; j <= j2; ++j) {
        coef[s2][j] = (coef[s1][j] - coef[s1][j - 1]) / ndu[pq + 1][rq + j];
        sum += coef[s2][j] * ndu[rq + j][pq];
      }
      if (r <= pq) {
        coef[s2][q] = -coef[s1][q - 1] / ndu[pq + 1][r];
        sum += coef[s2][q] * ndu[r][pq];
      }
      ders[q * k + r] = sum;
      std::swap(s1, s2);
    }
  }
  double factor = p;
  for (int q = 1; q <= dmax; ++q) {
    for (int a = 0; a < k; ++a) ders[q * k + a] *= factor;
    factor *= p - q;
  }
}

TGaussRule GaussLegendreRule(int p) {
  TGaussRule rule;
  rule.node.resize(static_cast<std::size_t>(p));
  rule.weight.resize(static_cast<std::size_t>(p));
  // Newton's method on P_p from the Chebyshev-like first guesses; the roots are symmetric.
  for (int i = 0; i < (p + 1) / 2; ++i) {
    double z = std::cos(std::numbers::pi * (i + 0.75) / (p + 0.5));
    double dp = 1.0;
    for (int iter = 0; iter < 100; ++iter) {
      double p0 = 1.0, p1 = 0.0;
      for (int j = 1; j <= p; ++j) {
        const double p2 = p1;
        p1 = p0;
        p0 = ((2.0 * j - 1.0) * z * p1 - (j - 1.0) * p2) / j;
      }
      dp = p * (z * p0 - p1) / (z * z - 1.0);
      const double step = p0 / dp;
      z -= step;
      if (std::fabs(step) <= 1e-16) break;
    }
    const double w = 2.0 / ((1.0 - z * z) * dp * dp);
    rule.node[static_cast<std::size_t>(i)] = -z;
    rule.node[static_cast<std::size_t>(p - 1 - i)] = z;
    rule.weight[static_cast<std::size_t>(i)] = w;
    rule.weight[static_cast<std::size_t>(p - 1 - i)] = w;
  }
  if (p % 2 == 1) rule.node[static_cast<std::size_t>(p / 2)] = 0.0;
  return rule;
}

void BSplineBasisIntegrals(const double* t, int n, int k, double a, double b, double* out) {
  std::fill(out, out + n, 0.0);
  double sign = 1.0;
  if (b < a) {
    std::swap(a, b);
    sign = -1.0;
  }
  if (!(a < b)) return;
  // ceil(k / 2) points integrate the degree k - 1 of every span exactly.
  const TGaussRule rule = GaussLegendreRule((k + 1) / 2);
  std::array<double, kMaxSplineOrder> basis{};
  // The pieces of [a, b] between the distinct interior knots.
  double lo = a;
  int next = k;  // first knot index above the first piece's start
  while (next < n && t[next] <= a) ++next;
  while (lo < b) {
    const double hi = next < n ? std::min(b, t[next]) : b;
    if (hi > lo) {
      const int l = BSplineSpan(t, n, k, 0.5 * (lo + hi));
      const double half = 0.5 * (hi - lo), mid = 0.5 * (hi + lo);
      for (std::size_t g = 0; g < rule.node.size(); ++g) {
        BSplineBasis(t, k, l, mid + half * rule.node[g], 0, basis.data());
        const double w = sign * half * rule.weight[g];
        for (int i = 0; i < k; ++i) out[l - k + 1 + i] += w * basis[static_cast<std::size_t>(i)];
      }
    }
    lo = hi;
    ++next;
  }
}

bool BSplineKnotsValid(const double* t, int n, int k) {
  if (k < 1 || k > kMaxSplineOrder || n < k || !t) return false;
  for (int i = 0; i < n + k; ++i)
    if (!std::isfinite(t[i]) || (i > 0 && t[i] < t[i - 1])) return false;
  // The end spans must not be empty: the ends belong to them.
  return t[k - 1] < t[k] && t[n - 1] < t[n];
}
