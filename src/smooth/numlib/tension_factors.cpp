#include "smooth/numlib/tension_factors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"

namespace {

// Below this a factor adds nothing to the cubic that its rounding would show.
constexpr double kNegligibleTension = 1e-7;
constexpr double kDefaultPrecision = 1e-12;

// g(s) = (sinh s - s) / (s (cosh s - 1)), 1/3 at 0.
double ConvexityBound(double s) {
  if (s == 0) return 1.0 / 3.0;
  return SinhMinusX(s) / (s * CoshMinusOne(s));
}

// The smallest s in [0, kMaxTension] with holds(s), for a property that, once it holds,
// holds for every larger s: regula falsi (Illinois) on ln s over the bracket of failing
// and holding factors, with margin(s) < 0 exactly where the property fails.
template <class Margin>
double SmallestFactor(Margin margin, double tol) {
  if (margin(0.0) >= 0) return 0.0;
  if (margin(kMaxTension) < 0) return kMaxTension;
  double lo = std::log(kNegligibleTension), hi = std::log(kMaxTension);
  double mlo = margin(kNegligibleTension);
  if (mlo >= 0) return kNegligibleTension;
  double mhi = margin(kMaxTension);
  int side = 0;
  for (int it = 0; it < 200 && hi - lo > tol; ++it) {
    double mid = (lo * mhi - hi * mlo) / (mhi - mlo);
    // Keep the step inside the bracket and away from stalling at one end.
    if (!(mid > lo && mid < hi)) mid = 0.5 * (lo + hi);
    const double m = margin(std::exp(mid));
    if (m >= 0) {
      hi = mid;
      mhi = m;
      if (side == 1) mlo *= 0.5;
      side = 1;
    } else {
      lo = mid;
      mlo = m;
      if (side == -1) mhi *= 0.5;
      side = -1;
    }
  }
  return std::exp(hi);
}

// H' in one of two forms. Below kExponentialForm: H(t) = d1 t + a C(t) + b S(t) (H(0) taken
// as 0) with C and S normalised to behave as t^2 and t^3 for small s, C = 2 (cosh(s t) - 1)
// / s^2 and S = 6 (sinh(s t) - s t) / s^3. From it on: H'(t) = alpha + beta e^(-s t) +
// gamma e^(-s (1 - t)), the layers at the two ends, which keeps its digits for large s
// where the first form cancels.
constexpr double kExponentialForm = 0.5;

struct THermite {
  double s, d1, a, b;
  double alpha, beta, gamma;
};

THermite Coefficients(double delta, double d1, double d2, double s) {
  const double r1 = delta - d1, r2 = d2 - d1;
  if (s == 0) return {0, d1, 3 * r1 - r2, r2 - 2 * r1, 0, 0, 0};
  if (s >= kExponentialForm) {
    // H'(0) = d1, H'(1) = d2 and the integral of H' over [0, 1] = delta.
    const double e = std::exp(-s), p = -std::expm1(-s) / s;
    const double sum = (d1 + d2 - 2 * delta) / (1 + e - 2 * p);
    const double diff = (d1 - d2) / -std::expm1(-s);
    return {s, d1, 0, 0, delta - sum * p, 0.5 * (sum + diff), 0.5 * (sum - diff)};
  }
  const double s2 = s * s, s3 = s2 * s;
  const double c1 = 2 * CoshMinusOne(s) / s2, s1 = 6 * SinhMinusX(s) / s3;
  const double dc1 = 2 * std::sinh(s) / s, ds1 = 6 * CoshMinusOne(s) / s2;
  // c1 ds1 - s1 dc1, through an identity that keeps its digits for small s.
  const double det = 12 * (s * SinhMinusX(s) - 2 * CoshMinusOneMinusHalfSquare(s)) / (s2 * s2);
  return {s, d1, (r1 * ds1 - s1 * r2) / det, (c1 * r2 - r1 * dc1) / det, 0, 0, 0};
}

TArcSlope Derivatives(const THermite& h, double t) {
  if (h.s == 0) return {h.d1 + 2 * h.a * t + 3 * h.b * t * t, 2 * h.a + 6 * h.b * t};
  if (h.s >= kExponentialForm) {
    const double left = h.beta * std::exp(-h.s * t), right = h.gamma * std::exp(-h.s * (1 - t));
    return {h.alpha + left + right, h.s * (right - left)};
  }
  const double u = h.s * t, sh = std::sinh(u);
  return {h.d1 + h.a * 2 * sh / h.s + h.b * 6 * CoshMinusOne(u) / (h.s * h.s),
          h.a * 2 * std::cosh(u) + h.b * 6 * sh / h.s};
}

// Where H'' vanishes (H' has its one interior extremum), or -1.
double CriticalPoint(const THermite& h) {
  if (h.s == 0) return h.b != 0 ? -h.a / (3 * h.b) : -1;
  if (h.s >= kExponentialForm) {
    // beta e^(-s t) = gamma e^(-s (1 - t))
    if (h.beta == 0 || h.gamma == 0 || (h.beta > 0) != (h.gamma > 0)) return -1;
    return 0.5 + std::log(h.beta / h.gamma) / (2 * h.s);
  }
  if (h.b == 0) return -1;
  const double q = -h.a * h.s / (3 * h.b);
  return std::fabs(q) < 1 ? std::atanh(q) / h.s : -1;
}

// The smallest H' on [0, 1]: at the ends or at its interior extremum.
double SmallestSlope(double delta, double d1, double d2, double s) {
  const THermite h = Coefficients(delta, d1, d2, s);
  double low = std::min(d1, d2);
  const double t = CriticalPoint(h);
  if (t > 0 && t < 1) low = std::min(low, Derivatives(h, t).first);
  return low;
}

}  // namespace

TArcSlope ArcHermiteDerivatives(double delta, double d1, double d2, double sigma, double t) {
  return Derivatives(Coefficients(delta, d1, d2, sigma), t);
}

double ArcTensionFactor(double delta, double d1, double d2, double tol) {
  if (!(tol > 0)) tol = kDefaultPrecision;
  if (d1 == delta && d2 == delta) return 0.0;  // a straight section
  double factor = 0.0;
  // Monotone data: the sign of H' must not change. Data falling are the mirror image.
  const bool rising = delta >= 0 && d1 >= 0 && d2 >= 0;
  const bool falling = delta <= 0 && d1 <= 0 && d2 <= 0;
  if (rising || falling) {
    const double sign = rising ? 1.0 : -1.0;
    factor = delta == 0 ? kMaxTension
                        : SmallestFactor(
                              [&](double s) {
                                return SmallestSlope(sign * delta, sign * d1, sign * d2, s);
                              },
                              tol);
  }
  // Convex (or concave) data: the sign of H'' must not change.
  if ((d1 <= delta && delta <= d2) || (d1 >= delta && delta >= d2)) {
    const double r = (delta - d1) / (d2 - d1);
    const double bound = std::min(r, 1 - r);
    double convex = 0.0;
    if (!(bound > 0)) {
      convex = kMaxTension;
    } else if (bound < 1.0 / 3.0) {
      convex = SmallestFactor([bound](double s) { return bound - ConvexityBound(s); }, tol);
    }
    factor = std::max(factor, convex);
  }
  return factor;
}

void getsig(int ncc, int n, const double* x, const double* y, const double* z, const int* list,
            const int* lptr, const int* lend, const double* gx, const double* gy, int iflgs,
            double tol, double* sigma, double& dsmax, int& ier) {
  dsmax = 0;
  if (ncc < 0 || n < 3 || iflgs != 0 || !x || !y || !z || !list || !lptr || !lend || !gx ||
      !gy || !sigma) {
    ier = -1;
    return;
  }
  for (int k = 0; k < n; ++k)
    if (!std::isfinite(x[k]) || !std::isfinite(y[k]) || !std::isfinite(z[k]) ||
        !std::isfinite(gx[k]) || !std::isfinite(gy[k])) {
      ier = -1;
      return;
    }
  for (int n1 = 1; n1 <= n; ++n1) {
    const int lpl = lend[n1 - 1];
    int lp = lpl;
    do {
      lp = lptr[lp - 1];
      const int n2 = std::abs(list[lp - 1]);
      if (n2 < n1) continue;  // each arc once, from its lower node
      const double ex = x[n2 - 1] - x[n1 - 1], ey = y[n2 - 1] - y[n1 - 1];
      if (ex == 0 && ey == 0) {
        ier = -2;
        return;
      }
      // Derivatives along the arc per unit of t: the gradients dotted with the arc.
      const double d1 = gx[n1 - 1] * ex + gy[n1 - 1] * ey;
      const double d2 = gx[n2 - 1] * ex + gy[n2 - 1] * ey;
      const double s = ArcTensionFactor(z[n2 - 1] - z[n1 - 1], d1, d2, tol);
      const int back = RenkaListIndex(lend[n2 - 1], n1, list, lptr);
      dsmax = std::max({dsmax, std::fabs(s - sigma[lp - 1]), std::fabs(s - sigma[back - 1])});
      sigma[lp - 1] = s;
      sigma[back - 1] = s;
    } while (lp != lpl);
  }
  ier = 0;
}
