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
//
// A sign change is a root only where the line comes near 0 (numerics/sign_change_root.h):
// Brent's method converges as readily on a pole, and IMPLICIT(1,5,6,1E-10) of F1=1/(Z-5.3)
// answered 5.3. Where the line at the converged point is not yet small beside its values at
// the bracket's ends (a coarse tolerance), the last bracket is narrowed to neighbouring
// numbers to tell.
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

#include "expr/builtins.h"
#include "expr/calculus_state.h"
#include "expr/interpreter.h"
#include "numerics/brent_zero.h"
#include "numerics/sign_change_root.h"

namespace {

bool SameSign(long double a, long double b) { return (a > 0 && b > 0) || (a < 0 && b < 0); }

// Whether the sign change Brent's method ended on is a root. A line that fails while the
// bracket is narrowed for the check has no root there either: its failure is not the
// built-in's answer, which is that no root was found.
template <class Line>
bool IsRoot(ExprContext& ctx, Line& line, bool& failed, const TBrentEnd& end, long double flo, long double fhi) {
  if (RootValueSmall(end.fb, flo, fhi)) return true;
  if (end.fb == end.fc || SameSign(end.fb, end.fc)) return false;
  const int errorBefore = ctx.ExprMathError;
  const auto value = [&](long double z, long double& out) {
    out = line(z);
    return !failed;
  };
  const long double reached = NarrowedSignChange(value, end.b, end.fb, end.c, end.fc);
  failed = false;
  ctx.ExprMathError = errorBefore;
  return RootValueSmall(reached, flo, fhi);
}

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
    TBrentEnd end;
    const std::optional<long double> root = BrentZero(F, lo, hi, flo, fhi, tol, kBrentMaxSteps, &end);
    if (failed) return ExprErrorValue;
    if (root && IsRoot(ctx, F, failed, end, flo, fhi)) return *root;
  }
  ctx.SetError(kErrNoRoot);
  return ExprErrorValue;
}

}  // namespace

long double BuiltinIMPLICIT(ExprContext& ctx, const long double* a) { return Implicit(ctx, a, true); }
long double BuiltinIMPLICIT_(ExprContext& ctx, const long double* a) { return Implicit(ctx, a, false); }
