#include "smooth/numlib/bspline_knots.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "smooth/numlib/band_solver.h"

namespace {

constexpr int kMaxNewtonSteps = 100;
constexpr int kMaxHalvings = 60;
// Of which at most this many steps are tried on the residual (a step shortened a million
// times is no step).
constexpr int kMaxResidualTrials = 20;
// The shortest step of the continuation toward the given sites before it gives up.
constexpr double kMinContinuationStride = 1.0 / 65536.0;
// Newton's iteration gives up when its residual has not halved in this many steps.
constexpr int kStallSteps = 10;
// The work of one set of knots, continuation included, in m k² operations (about 0.4 s at
// order 16 on 200 sites, a hundred thousand evaluations of the conditions at order 4): the
// knots of high orders on sites bunched in a few clusters may not be found at all, and are
// not sought for seconds.
constexpr double kMaxWork = 5e7;

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
    std::vector<double>& v = scratch_;
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
  mutable std::vector<double> scratch_ = std::vector<double>(static_cast<std::size_t>(k_));
};

// Whether the knots are strictly increasing and interlaced with the sites.
bool Interlaced(const std::vector<double>& xi, const double* tau, int k) {
  for (std::size_t j = 0; j < xi.size(); ++j) {
    if (!(xi[j] > tau[j] && xi[j] < tau[j + static_cast<std::size_t>(k)])) return false;
    if (j > 0 && !(xi[j] > xi[j - 1])) return false;
  }
  return true;
}

// The orthogonality conditions F_i(xi) = 0 of the knots xi, where
//   F_i = sum_j 2 (-1)^j G_i(xi_j) + (-1)^m G_i(tau[n-1]),  G_i(x) = integral of B_i to x,
// and their Jacobian dF_i / dxi_j = 2 (-1)^j B_i(xi_j) (j from 0), kept without the factor
// 2 (-1)^j, which the step puts back.
class TOrthogonality {
 public:
  TOrthogonality(int n, const double* tau, int k)
      : k_(k), m_(n - k), basis_(n, tau, k), values_(static_cast<std::size_t>(k)),
        partial_(static_cast<std::size_t>(k)), interval_(static_cast<std::size_t>(m_)),
        suffix_(static_cast<std::size_t>(m_) + 1) {
    // suffix[j] = sum over j' >= j of 2 (-1)^j', plus the (-1)^m of the end.
    suffix_[static_cast<std::size_t>(m_)] = m_ % 2 == 0 ? 1.0 : -1.0;
    for (int j = m_ - 1; j >= 0; --j)
      suffix_[static_cast<std::size_t>(j)] = suffix_[static_cast<std::size_t>(j) + 1] + (j % 2 == 0 ? 2.0 : -2.0);
  }

  // f := F(xi).
  void Residual(const std::vector<double>& xi, std::vector<double>& f) {
    std::fill(f.begin(), f.end(), 0.0);
    for (int j = 0; j < m_; ++j) {
      const double x = xi[static_cast<std::size_t>(j)];
      const int l = basis_.Interval(x);
      interval_[static_cast<std::size_t>(j)] = l;
      basis_.Partial(l, x, partial_.data());
      const double sign = j % 2 == 0 ? 2.0 : -2.0;
      for (int a = 0; a < k_; ++a) {
        const int i = l - k_ + 1 + a;
        if (i < 0 || i >= m_) continue;
        f[static_cast<std::size_t>(i)] += sign * (basis_.Cumulative(i, l - i) + partial_[static_cast<std::size_t>(a)]);
      }
    }
    // The knots beyond the support of B_i see all of it.
    for (int i = 0, j = 0; i < m_; ++i) {
      while (j < m_ && interval_[static_cast<std::size_t>(j)] < i + k_) ++j;
      f[static_cast<std::size_t>(i)] += basis_.Total(i) * suffix_[static_cast<std::size_t>(j)];
    }
  }

  // The Jacobian's entries B_i(xi_j). False when a knot left the band of the sites that the
  // Jacobian's B-splines reach.
  bool Jacobian(const std::vector<double>& xi, TBandLU& jacobian) {
    for (int j = 0; j < m_; ++j) {
      const double x = xi[static_cast<std::size_t>(j)];
      const int l = basis_.Interval(x);
      basis_.Values(l, x, values_.data());
      for (int a = 0; a < k_; ++a) {
        const int i = l - k_ + 1 + a;
        if (i < 0 || i >= m_) continue;
        if (!jacobian.InBand(i, j)) return false;
        jacobian.Set(i, j, values_[static_cast<std::size_t>(a)]);
      }
    }
    return true;
  }

 private:
  int k_, m_;
  TSiteBasis basis_;
  std::vector<double> values_, partial_;
  std::vector<int> interval_;
  std::vector<double> suffix_;
};

double Norm2(const std::vector<double>& v) {
  double s = 0.0;
  for (const double x : v) s += x * x;
  return std::sqrt(s);
}

// Newton's iteration on the orthogonality conditions from the knots xi. Each step is
// shortened until the knots stay interlaced with the sites (which keeps the Jacobian
// regular) and the conditions' residual falls: a full step from knots that are not yet
// near the solution could jump to where the Jacobian is nearly singular, and on about one
// site set of 50 drawn at random the iteration then wandered without end. Returns false
// without convergence, xi then holding the last iterate. Every evaluation of the conditions
// is taken from `budget` (counted in m k² operations), and the iteration gives up when it is
// spent. Unguarded, the steps are shortened for the interlacing alone and may run their
// course (SPLOPT's iteration).
bool OptimalInteriorKnots(int n, const double* tau, int k, std::vector<double>& xi, double& budget,
                          bool guarded = true) {
  const int m = n - k;
  TOrthogonality conditions(n, tau, k);
  const double range = tau[n - 1] - tau[0];
  std::vector<double> f(static_cast<std::size_t>(m)), delta(static_cast<std::size_t>(m)),
      trial(static_cast<std::size_t>(m)), trialF(static_cast<std::size_t>(m));
  std::vector<double> residuals;
  bool known = false;  // f holds F(xi), left by the step that was tried there
  for (int step = 0; step < kMaxNewtonSteps; ++step) {
    const double cost = static_cast<double>(m) * k * k;
    if (!known) {
      if ((budget -= cost) < 0) return false;
      conditions.Residual(xi, f);
    }
    TBandLU jacobian(m, k - 1, k - 1);
    if (!conditions.Jacobian(xi, jacobian)) return false;  // the knots left the sites' band
    const double residual = Norm2(f);
    // Creeping along a valley of the residual toward no solution: give up early.
    residuals.push_back(residual);
    if (guarded && step >= kStallSteps && residual > 0.5 * residuals[static_cast<std::size_t>(step - kStallSteps)])
      return false;
    if (!jacobian.Factor()) return false;
    // A delta = -F / 2 with Delta_j = (-1)^j delta_j.
    for (int i = 0; i < m; ++i) delta[static_cast<std::size_t>(i)] = -0.5 * f[static_cast<std::size_t>(i)];
    jacobian.Solve(delta.data(), 1);
    double largest = 0.0;
    for (int j = 0; j < m; ++j) {
      if (j % 2 == 1) delta[static_cast<std::size_t>(j)] = -delta[static_cast<std::size_t>(j)];
      largest = std::max(largest, std::fabs(delta[static_cast<std::size_t>(j)]));
    }
    if (!std::isfinite(largest)) return false;
    // A step of a few ulps is taken as it stands: the residual is then rounding.
    const bool converged = largest <= 8.0 * DBL_EPSILON * range;
    double lambda = 1.0;
    bool placed = false;
    known = false;
    for (int h = 0, tried = 0; h < kMaxHalvings && tried < kMaxResidualTrials && !placed; ++h, lambda *= 0.5) {
      for (int j = 0; j < m; ++j)
        trial[static_cast<std::size_t>(j)] = xi[static_cast<std::size_t>(j)] + lambda * delta[static_cast<std::size_t>(j)];
      if (!Interlaced(trial, tau, k)) continue;
      if (guarded && !converged) {
        ++tried;
        if ((budget -= cost) < 0) return false;
        conditions.Residual(trial, trialF);
        if (!(Norm2(trialF) < (1.0 - 1e-4 * lambda) * residual)) continue;
        f.swap(trialF);
        known = true;
      }
      placed = true;
      xi.swap(trial);
    }
    if (!placed) return false;
    if (converged) return true;
  }
  return false;
}

// The averages of k - 1 consecutive sites, xi_j the mean of tau[j + 1 .. j + k - 1]: Newton's
// starting knots, as SPLOPT takes them.
std::vector<double> MeanKnots(int n, const double* tau, int k) {
  std::vector<double> xi(static_cast<std::size_t>(n - k));
  for (int j = 0; j < n - k; ++j) {
    double sum = 0.0;
    for (int r = j + 1; r <= j + k - 1; ++r) sum += tau[r];
    xi[static_cast<std::size_t>(j)] = sum / (k - 1);
  }
  return xi;
}

// The same averages taken from their first site, so that rounding never puts one below it.
// They lie strictly between tau[j] and tau[j + k], so interpolation at the sites on them is
// regular (Schoenberg and Whitney): the knots where the optimal ones are not found.
std::vector<double> AveragedKnots(int n, const double* tau, int k) {
  std::vector<double> xi(static_cast<std::size_t>(n - k));
  for (int j = 0; j < n - k; ++j) {
    double sum = 0.0;
    for (int r = j + 2; r <= j + k - 1; ++r) sum += tau[r] - tau[j + 1];
    xi[static_cast<std::size_t>(j)] = tau[j + 1] + sum / (k - 1);
  }
  return xi;
}

// The optimal knots of sites on [0, 1]: Newton's iteration from the averages; where it
// does not converge (sites bunched unevenly), by continuation from evenly spaced sites,
// whose knots Newton finds, moving the sites toward the given ones in steps that Newton
// follows, halved where it does not.
bool OptimalKnotsOnUnitSites(int n, const double* unit, int k, std::vector<double>& xi) {
  double budget = kMaxWork;
  xi = MeanKnots(n, unit, k);
  if (OptimalInteriorKnots(n, unit, k, xi, budget)) return true;
  // Newton's steps unguarded by the residual, as SPLOPT takes them, reach the knots of a
  // few site sets where the guarded steps stall.
  xi = MeanKnots(n, unit, k);
  if (OptimalInteriorKnots(n, unit, k, xi, budget, false)) return true;
  std::vector<double> even(static_cast<std::size_t>(n)), sites(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) even[static_cast<std::size_t>(i)] = static_cast<double>(i) / (n - 1);
  xi = MeanKnots(n, even.data(), k);
  if (!OptimalInteriorKnots(n, even.data(), k, xi, budget)) return false;
  double reached = 0.0, stride = 0.125;
  while (reached < 1.0) {
    if (stride < kMinContinuationStride) return false;
    const double s = std::min(1.0, reached + stride);
    for (int i = 0; i < n; ++i)
      sites[static_cast<std::size_t>(i)] =
          s == 1.0 ? unit[i] : (1.0 - s) * even[static_cast<std::size_t>(i)] + s * unit[i];
    std::vector<double> next = xi;
    if (Interlaced(next, sites.data(), k) && OptimalInteriorKnots(n, sites.data(), k, next, budget)) {
      xi.swap(next);
      reached = s;
      stride *= 1.5;
    } else {
      stride *= 0.5;
    }
  }
  return true;
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
    bool optimal = OptimalKnotsOnUnitSites(n, unit.data(), k, xi);
    if (optimal) {
      for (double& x : xi) x = origin + range * x;
      // Sites closer than the knots' rounding can leave a knot on a site.
      optimal = Interlaced(xi, tau, k);
    }
    // Without the optimal knots, the averages of the sites: not optimal, but interpolation
    // on them is regular, where a refusal left uneven but valid sites without a spline.
    if (!optimal) {
      xi = AveragedKnots(n, tau, k);
      if (!Interlaced(xi, tau, k)) {
        ier = kBSNoConvergence;
        return;
      }
    }
  }
  for (int r = 0; r < k; ++r) {
    knots[r] = tau[0];
    knots[n + r] = tau[n - 1];
  }
  std::copy(xi.begin(), xi.end(), knots + k);
}
