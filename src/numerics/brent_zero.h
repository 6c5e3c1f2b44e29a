// Brent's zero finder (Forsythe, Malcolm and Moler's zeroin): on a bracket [a, b] whose
// values fa and fb differ in sign (or one is 0), inverse quadratic interpolation or a secant
// step, each accepted only when it falls well inside the bracket and shrinks fast enough,
// otherwise bisection. Converged when half the bracket is within
// tol1 = 2 eps |b| + tol / 2 (eps = 1e-18) or f(b) = 0; a step shorter than tol1 becomes
// tol1 towards the other end.
#pragma once

#include <algorithm>
#include <cmath>
#include <optional>

inline constexpr int kBrentMaxSteps = 200;

// Where the search ended: the root b and the other end c of the last bracket, with f at
// each (|fb| <= |fc|; fc has the other sign unless fb is 0).
struct TBrentEnd {
  long double b = 0, fb = 0, c = 0, fc = 0;
};

// The root, or nothing after maxSteps steps without convergence; with `end`, also where
// the search ended.
template <class F>
std::optional<long double> BrentZero(F&& f, long double a, long double b, long double fa,
                                     long double fb, long double tol,
                                     int maxSteps = kBrentMaxSteps, TBrentEnd* end = nullptr) {
  constexpr long double kEps = 1e-18L;
  auto sameSign = [](long double u, long double v) { return (u > 0 && v > 0) || (u < 0 && v < 0); };
  long double c = b, fc = fb, d = 0, e = 0;
  for (int step = 0; step < maxSteps; ++step) {
    if (sameSign(fb, fc)) {
      c = a;
      fc = fa;
      d = e = b - a;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const long double tol1 = 2 * kEps * std::fabs(b) + tol / 2;
    const long double m = (c - b) / 2;
    if (std::fabs(m) <= tol1 || fb == 0) {
      if (end) *end = {b, fb, c, fc};
      return b;
    }
    if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
      const long double s = fb / fa;
      long double p = 0, q = 0;
      if (a == c) {
        p = 2 * m * s;
        q = 1 - s;
      } else {
        const long double qa = fa / fc, r = fb / fc;
        p = s * (2 * m * qa * (qa - r) - (b - a) * (r - 1));
        q = (qa - 1) * (r - 1) * (s - 1);
      }
      if (p > 0) q = -q;
      p = std::fabs(p);
      if (2 * p < std::min(3 * m * q - std::fabs(tol1 * q), std::fabs(e * q))) {
        e = d;
        d = p / q;
      } else {
        d = e = m;
      }
    } else {
      d = e = m;
    }
    a = b;
    fa = fb;
    b += std::fabs(d) > tol1 ? d : std::copysign(tol1, m);
    fb = f(b);
  }
  return std::nullopt;
}
