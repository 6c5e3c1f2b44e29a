// TNurbs2D: one grid line smoothed as a plane B-spline curve whose knots are the line's
// abscissas and whose control points are the (abscissa, ordinate) pairs themselves, shifted
// by a few places for higher degrees. Such a curve does not pass through x = u at parameter
// u, so the smoothed ordinate at an abscissa x is read at the parameter that solves
// x(u) = x (Brent's zero finder on a bracket widened from the curve's local knot spacing).
//
// Abscissas T(1) .. T(n) (ascending) and ordinates V(1) .. V(n) are the caller's, indexed
// from 1, and read as the end values beyond 1 .. n. The degree p is clamped to
// 2 .. min(n - 2, 9) at construction (the upper bound wins when they cross). The tolerance
// is a distance along the abscissas (the engine takes a share of the line's extent), so a
// line smooths the same wherever it lies.
#pragma once

#include <optional>

class TNurbs2D {
 public:
  TNurbs2D(int degree, int count, const long double* abscissas, const long double* ordinates,
           long double tolerance);

  int Degree() const { return degree_; }

  // The last knot index k with T(k) < u (the cached span first); -1 below T(1), -2 beyond
  // T(n).
  int FindSpan(long double u);
  // The curve's abscissa x(u); its ordinate goes to `ordinate`, and the local knot spacing to
  // `spacing` when given. Beyond the end knots the curve is the horizontal line of the end
  // ordinate.
  long double PointAt(long double u, long double& ordinate, long double* spacing = nullptr);
  // The parameter u in [a, b] with x(u) = target; `ordinate` receives the ordinate of the
  // last curve point evaluated and `evaluations` (when given) the number of curve points.
  // Nothing when the ends do not bracket the target or 200 steps do not converge.
  [[nodiscard]] std::optional<long double> SolveParameter(long double target, long double a, long double b,
                                            long double& ordinate, long double tolerance,
                                            int* evaluations = nullptr);
  // The curve's ordinate at abscissa x: read at u = x when x(u) lies within ten tolerances
  // of x, else at the root of x(u) = x; nothing when the root search fails (the caller then
  // keeps the ordinate it had).
  [[nodiscard]] std::optional<long double> ValueAt(long double x);

 private:
  long double T(int i) const { return t_[Index(i)]; }
  long double V(int i) const { return v_[Index(i)]; }
  int Index(int i) const { return i < 1 ? 0 : i > count_ ? count_ - 1 : i - 1; }

  int degree_;
  int count_;
  int spanCache_ = 1;
  const long double* t_;
  const long double* v_;
  long double tolerance_;
};
