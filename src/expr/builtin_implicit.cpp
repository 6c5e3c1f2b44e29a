// "IMPLICIT" and "IMPLICIT_": a Z at which line n of the function being evaluated is 0,
// by Brent's method (inverse quadratic or secant interpolation guarded by bisection, as
// in Brent's zeroin) on a bracket [z1, z2], which "IMPLICIT" widens when the line has the
// same sign at both ends. Z is left holding the last value tried.
//
// When no bracket is found or the iteration does not converge the result is the missing
// value: a result of 0 could not be told from a root at 0.
#include <array>
#include <cmath>
#include <utility>

#include "expr/builtins.h"
#include "expr/calculus_state.h"
#include "expr/interpreter.h"

namespace {

constexpr int kBrentIterations = 200;
constexpr long double kBrentEps = 1e-18;

bool SameSign(long double a, long double b) { return (a > 0 && b > 0) || (a < 0 && b < 0); }

// Brent's method on [a, b] whose values fa, fb differ in sign (or one is 0).
long double Brent(auto& F, long double a, long double b, long double fa, long double fb, long double tol) {
  long double c = b;
  long double fc = fb;
  long double d = 0;
  long double e = 0;
  for (int iteration = 0; iteration < kBrentIterations; ++iteration) {
    if (SameSign(fb, fc)) {
      c = a;
      fc = fa;
      d = b - a;
      e = d;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const long double tol1 = 2 * kBrentEps * std::fabs(b) + tol / 2;
    const long double m = (c - b) / 2;
    if (std::fabs(m) <= tol1 || fb == 0) return b;
    if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
      const long double s = fb / fa;
      long double p = 0;
      long double q = 0;
      if (a == c) {
        p = 2 * m * s;
        q = 1 - s;
      } else {
        const long double qa = fa / fc;
        const long double r = fb / fc;
        p = s * (2 * m * qa * (qa - r) - (b - a) * (r - 1));
        q = (qa - 1) * (r - 1) * (s - 1);
      }
      if (p > 0) q = -q;
      p = std::fabs(p);
      if (2 * p < std::fmin(3 * m * q - std::fabs(tol1 * q), std::fabs(e * q))) {
        e = d;
        d = p / q;
      } else {
        d = m;
        e = m;
      }
    } else {
      d = m;
      e = m;
    }
    a = b;
    fa = fb;
    b += std::fabs(d) > tol1 ? d : std::copysign(tol1, m);
    fb = F(b);
  }
  return ExprErrorValue;
}

// IMPLICIT(n, z1, z2, tol) with `widen` (IMPLICIT) or without (IMPLICIT_).
long double Implicit(ExprContext& ctx, const long double* a, bool widen) {
  const int line = CalculusLineNumber(a[0]);
  long double z1 = a[1];
  long double z2 = a[2];
  const long double tol = a[3];
  if (line < 0 || !std::isfinite(z1) || !std::isfinite(z2)) return ExprErrorValue;
  const int slot = 10 * ctx.CurrentUdf + line;
  // A missing value takes part in the sign tests as the negative number it is.
  auto F = [&](long double z) {
    ctx.ExprVars.Z() = z;
    return ExprInterpret(ctx, slot);
  };
  if (z2 < z1) std::swap(z1, z2);
  if (z2 == z1) z2 = z1 + 1;
  const long double w = z2 - z1;
  long double lo = z1;
  long double hi = z2;
  long double flo = F(lo);
  long double fhi = F(hi);
  if (SameSign(flo, fhi) && widen) {
    // Further above first, then further below, each try evaluating both ends.
    const std::array<std::pair<long double, long double>, 6> brackets = {{
        {z1, z2 + w},
        {z1, z2 + 10 * w},
        {z1, z2 + 100 * w},
        {z1 - w, z2},
        {z1 - 10 * w, z2},
        {z1 - 100 * w, z2},
    }};
    for (const auto& [l, h] : brackets) {
      lo = l;
      hi = h;
      flo = F(lo);
      fhi = F(hi);
      if (!SameSign(flo, fhi)) break;
    }
  }
  if (SameSign(flo, fhi)) return ExprErrorValue;
  return Brent(F, lo, hi, flo, fhi, tol);
}

}  // namespace

long double BuiltinIMPLICIT(ExprContext& ctx, const long double* a) { return Implicit(ctx, a, true); }
long double BuiltinIMPLICIT_(ExprContext& ctx, const long double* a) { return Implicit(ctx, a, false); }
