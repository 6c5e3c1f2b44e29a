// "IMPLICIT" and "IMPLICIT_": a Z at which line n of the function being evaluated is 0,
// by Brent's method (inverse quadratic or secant interpolation guarded by bisection, as
// in Brent's zeroin) on a bracket [z1, z2], which "IMPLICIT" widens when the line has the
// same sign at both ends. Z is left holding the last value tried.
//
// When no bracket is found or the iteration does not converge, the built-in fails with
// kErrNoRoot: a result of 0 could not be told from a root at 0, and the missing value
// alone was taken as a number by the expression around it (Z+IMPLICIT(...) wrote
// Z - 12345.68 into every row without a root). A line with no value at a Z tried (the
// missing value, an error of its own) ends the search there: its failure stands.
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

#include "expr/builtins.h"
#include "expr/calculus_state.h"
#include "expr/interpreter.h"
#include "numerics/brent_zero.h"

namespace {

bool SameSign(long double a, long double b) { return (a > 0 && b > 0) || (a < 0 && b < 0); }

// IMPLICIT(n, z1, z2, tol) with `widen` (IMPLICIT) or without (IMPLICIT_).
long double Implicit(ExprContext& ctx, const long double* a, bool widen) {
  const int line = CalculusLineNumber(a[0]);
  long double z1 = a[1];
  long double z2 = a[2];
  const long double tol = a[3];
  if (line < 0 || !std::isfinite(z1) || !std::isfinite(z2)) return RefuseCalculusArguments(ctx);
  const int slot = 10 * ctx.CurrentUdf + line;
  // After a failed value the line gives 0, which ends Brent's iteration at once.
  bool failed = false;
  auto F = [&](long double z) -> long double {
    if (failed) return 0;
    ctx.ExprVars.Z() = z;
    const std::uint64_t events = ctx.ExprErrorEvents;
    const long double v = ExprInterpret(ctx, slot);
    if (std::isnan(v)) ctx.SetError(kErrInvalidOperand);
    FailMissingLineValue(ctx, v, events);
    failed = v == ExprErrorValue || (ctx.ExprErrorEvents != events && ctx.ExprMathError != 0);
    return failed ? 0 : v;
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
  if (failed) return ExprErrorValue;
  if (!SameSign(flo, fhi)) {
    const std::optional<long double> root = BrentZero(F, lo, hi, flo, fhi, tol);
    if (failed) return ExprErrorValue;
    if (root) return *root;
  }
  ctx.SetError(kErrNoRoot);
  return ExprErrorValue;
}

}  // namespace

long double BuiltinIMPLICIT(ExprContext& ctx, const long double* a) { return Implicit(ctx, a, true); }
long double BuiltinIMPLICIT_(ExprContext& ctx, const long double* a) { return Implicit(ctx, a, false); }
