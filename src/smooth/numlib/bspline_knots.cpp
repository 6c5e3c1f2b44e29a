#include "smooth/numlib/bspline_knots.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "smooth/numlib/band_solver.h"

namespace {

constexpr int kMaxNewtonSteps = 100;
constexpr int kMaxHalvings = 60;

// The B-splines B_i of order k on the simple knots tau (i = 0 .. n - k - 1, support tau[i] ..
// tau[i + k]), evaluated through a copy of tau padded with k extra knots at each end so that
// de Boor's recurrence finds all the knots it reads; the padding never enters a B_i whose
// knots all lie in tau.
class TSiteBasis {
 public:
  TSiteBasis(int n, const double* tau, int k)
      : n_(n), k_(k), m_(n - k), tau_(tau), padded_(static_cast<std::size_t>(n + 2 * k)),
        rule_(GaussLegendreRule((k + 1) / 2)),
        cumulative_(static_cast<std::size_t>(m_) * static_cast<std::size_t>(k + 1), 0.0) {
    const double h = (tau[n - 1] - tau[0]) / (n - 1);
    for (int r = 0; r < k; ++r) {
      padded_[static_cast<std::size_t>(r)] = tau[0] - (k - r) * h;
      padded_[static_cast<std::size_t>(n + k + r)] = tau[n - 1] + (r + 1) * h;
    }
    std::copy(tau, tau + n, padded_.begin() + k);
    // G_i(tau[i + s]) for s = 0 .. k: the integral of B_i up to each of its knots.
    std::vector<double> part(static_cast<std::size_t>(k));
    for (int l = 0; l + 1 < n; ++l) {
      Partial(l, tau[l + 1], part.data());
      for (int a = 0; a < k; ++a) {
        const int i = l - k + 1 + a;
        if (i < 0 || i >= m_) continue;
        const int s = l - i;  // span l is the s-th span of B_i
        Cumulative(i, s + 1) = Cumulative(i, s) + part[static_cast<std::size_t>(a)];
      }
    }
  }

  // The site interval l (0 .. n - 2) holding x.
  int Interval(double x) const {
    const auto it = std::upper_bound(tau_, tau_ + n_, x);
    return std::clamp(static_cast<int>(it - tau_) - 1, 0, n_ - 2);
  }
  // B_{l-k+1+a}(x), a = 0 .. k - 1, for x in interval l.
  void Values(int l, double x, double* out) const {
    BSplineBasis(padded_.data(), k_, l + k_, x, 0, out);
  }
  // The integrals of B_{l-k+1+a} from tau[l] to x (x in interval l).
  void Partial(int l, double x, double* out) const {
    std::fill(out, out + k_, 0.0);
    const double a = tau_[l];
    const double half = 0.5 * (x - a), mid = 0.5 * (x + a);
    std::vector<double> v(static_cast<std::size_t>(k_));
    for (std::size_t g = 0; g < rule_.node.size(); ++g) {
      Values(l, mid + half * rule_.node[g], v.data());
      for (int i = 0; i < k_; ++i) out[i] += half * rule_.weight[g] * v[static_cast<std::size_t>(i)];
    }
  }
  double& Cumulative(int i, int s) {
    return cumulative_[static_cast<std::size_t>(i) * static_cast<std::size_t>(k_ + 1) +
                       static_cast<std::size_t>(s)];
  }
  double Cumulative(int i, int s) const {
    return cumulative_[static_cast<std::size_t>(i) * static_cast<std::size_t>(k_ + 1) +
                       static_cast<std::size_t>(s)];
  }
  double Total(int i) const { return Cumulative(i, k_); }

 private:
  int n_, k_, m_;
  const double* tau_;
  std::vector<double> padded_;
  TGaussRule rule_;
  std::vector<double> cumulative_;
};

// Whether the knots are strictly increasing and interlaced with the sites.
bool Interlaced(const std::vector<double>& xi, const double* tau, int k) {
  for (std::size_t j = 0; j < xi.size(); ++j) {
    if (!(xi[j] > tau[j] && xi[j] < tau[j + static_cast<std::size_t>(k)])) return false;
    if (j > 0 && !(xi[j] > xi[j - 1])) return false;
  }
  return true;
}

// Newton's iteration on the orthogonality conditions F_i(xi) = 0, where
//   F_i = sum_j 2 (-1)^j G_i(xi_j) + (-1)^m G_i(tau[n-1]),  G_i(x) = integral of B_i to x,
// and dF_i / dxi_j = 2 (-1)^j B_i(xi_j) (j from 0). Returns false without convergence.
bool OptimalInteriorKnots(int n, const double* tau, int k, std::vector<double>& xi) {
  const int m = n - k;
  const TSiteBasis basis(n, tau, k);
  const double range = tau[n - 1] - tau[0];
  std::vector<double> f(static_cast<std::size_t>(m)), values(static_cast<std::size_t>(k)),
      partial(static_cast<std::size_t>(k)), trial(static_cast<std::size_t>(m));
  std::vector<int> interval(static_cast<std::size_t>(m));
  // suffix[j] = sum over j' >= j of 2 (-1)^j', plus the (-1)^m of the end.
  std::vector<double> suffix(static_cast<std::size_t>(m) + 1);
  suffix[static_cast<std::size_t>(m)] = m % 2 == 0 ? 1.0 : -1.0;
  for (int j = m - 1; j >= 0; --j)
    suffix[static_cast<std::size_t>(j)] =
        suffix[static_cast<std::size_t>(j) + 1] + (j % 2 == 0 ? 2.0 : -2.0);

  for (int step = 0; step < kMaxNewtonSteps; ++step) {
    TBandLU jacobian(m, k - 1, k - 1);
    std::fill(f.begin(), f.end(), 0.0);
    for (int j = 0; j < m; ++j) {
      const double x = xi[static_cast<std::size_t>(j)];
      const int l = basis.Interval(x);
      interval[static_cast<std::size_t>(j)] = l;
      basis.Values(l, x, values.data());
      basis.Partial(l, x, partial.data());
      const double sign = j % 2 == 0 ? 2.0 : -2.0;
      for (int a = 0; a < k; ++a) {
        const int i = l - k + 1 + a;
        if (i < 0 || i >= m) continue;
        const double g = basis.Cumulative(i, l - i) + partial[static_cast<std::size_t>(a)];
        f[static_cast<std::size_t>(i)] += sign * g;
        if (!jacobian.InBand(i, j)) return false;  // the knots left the sites' band
        jacobian.Set(i, j, values[static_cast<std::size_t>(a)]);
      }
    }
    // The knots beyond the support of B_i see all of it.
    for (int i = 0, j = 0; i < m; ++i) {
      while (j < m && interval[static_cast<std::size_t>(j)] < i + k) ++j;
      f[static_cast<std::size_t>(i)] += basis.Total(i) * suffix[static_cast<std::size_t>(j)];
    }
    if (!jacobian.Factor()) return false;
    // A delta = -F / 2 with Delta_j = (-1)^j delta_j.
    for (double& v : f) v *= -0.5;
    jacobian.Solve(f.data(), 1);
    double largest = 0.0;
    for (int j = 0; j < m; ++j) {
      if (j % 2 == 1) f[static_cast<std::size_t>(j)] = -f[static_cast<std::size_t>(j)];
      largest = std::max(largest, std::fabs(f[static_cast<std::size_t>(j)]));
    }
    if (!std::isfinite(largest)) return false;
    double lambda = 1.0;
    bool placed = false;
    for (int h = 0; h < kMaxHalvings && !placed; ++h, lambda *= 0.5) {
      for (int j = 0; j < m; ++j)
        trial[static_cast<std::size_t>(j)] =
            xi[static_cast<std::size_t>(j)] + lambda * f[static_cast<std::size_t>(j)];
      placed = Interlaced(trial, tau, k);
      if (placed) xi.swap(trial);
    }
    if (!placed) return false;
    if (largest <= 8.0 * DBL_EPSILON * range) return true;
  }
  return false;
}

}  // namespace

void BSOpk(int n, const double* tau, int k, double* knots, int& ier) {
  ier = kBSOk;
  if (k < 2 || k > kMaxSplineOrder || n < k || !tau || !knots) {
    ier = kBSBadArgument;
    return;
  }
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(tau[i])) {
      ier = kBSNotFinite;
      return;
    }
    if (i > 0 && !(tau[i] > tau[i - 1])) {
      ier = kBSSitesNotIncreasing;
      return;
    }
  }
  const int m = n - k;
  std::vector<double> xi(static_cast<std::size_t>(m));
  if (k == 2) {
    std::copy(tau + 1, tau + 1 + m, xi.begin());
  } else if (m > 0) {
    // The knots are found for the sites mapped onto [0, 1] and mapped back (the optimal knots
    // follow any affine map of the sites). On the sites themselves the stopping test, a step
    // of a few ulps of their extent, fell below one ulp of the knots once the sites lay
    // farther from 0 than about 15 times their extent (years, 100 .. 101), and Newton's
    // iteration never stopped.
    const double origin = tau[0], range = tau[n - 1] - tau[0];
    std::vector<double> unit(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) unit[static_cast<std::size_t>(i)] = (tau[i] - origin) / range;
    unit[static_cast<std::size_t>(n - 1)] = 1.0;
    for (int j = 0; j < m; ++j) {
      double sum = 0.0;
      for (int r = j + 1; r <= j + k - 1; ++r) sum += unit[static_cast<std::size_t>(r)];
      xi[static_cast<std::size_t>(j)] = sum / (k - 1);
    }
    if (!OptimalInteriorKnots(n, unit.data(), k, xi)) {
      ier = kBSNoConvergence;
      return;
    }
    for (double& x : xi) x = origin + range * x;
    // Sites closer than the knots' rounding can leave a knot on a site: no valid sequence.
    if (!Interlaced(xi, tau, k)) {
      ier = kBSNoConvergence;
      return;
    }
  }
  for (int r = 0; r < k; ++r) {
    knots[r] = tau[0];
    knots[n + r] = tau[n - 1];
  }
  std::copy(xi.begin(), xi.end(), knots + k);
}
