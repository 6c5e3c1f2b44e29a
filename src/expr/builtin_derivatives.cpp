// "DX", "DX2", "DY", "DY2" and "DXY": central differences of line n of the function being
// evaluated in X and Y at the current point. The variable is moved for each evaluation
// and restored exactly afterwards; the error code is neither cleared nor tested, so an
// error in the line still fails the evaluation. A line whose value is missing at one of
// the points without an error of its own fails the derivative with kErrLineUndefined:
// the missing value alone was taken as a number by the expression around it.
#include <cmath>
#include <cstdint>

#include "expr/builtins.h"
#include "expr/calculus_state.h"
#include "expr/finite_differences.h"
#include "expr/interpreter.h"
#include "expr/program_slots.h"

namespace {

namespace fd = finite_differences;

// The step of a variable at v: 1e-6 v (negative for negative v), or 1e-6 near 0.
long double DerivativeStep(long double v) {
  constexpr long double kRelative = 1e-6;
  constexpr long double kSmall = 1e-12;
  return std::fabs(v) >= kSmall ? kRelative * v : kRelative;
}

constexpr int kNoLine = -1;
constexpr int kEmptyLine = -2;

// The slot of line n of the function being evaluated, kNoLine when n is not a line
// number, kEmptyLine when the line holds nothing.
int LineSlot(ExprContext& ctx, long double n) {
  const int line = CalculusLineNumber(n);
  if (line < 0) return kNoLine;
  const int slot = 10 * ctx.CurrentUdf + line;
  const TExprSlot* s = ExprSlotAt(slot);
  return s && !s->Empty() ? slot : kEmptyLine;
}

// What a derivative of a line that cannot be run is: a refusal for a bad line number
// (only a direct call gets past the compiler with one), 0 for an empty line (the language
// counts an empty line as 0).
long double NoDerivative(ExprContext& ctx, int slot) {
  return slot == kNoLine ? RefuseCalculusArguments(ctx) : 0;
}

// The first or second difference in one variable. A line whose value is missing at one
// of the points gives the missing value, not a difference quotient of it.
template <int var, bool second>
long double Derivative(ExprContext& ctx, const long double* a) {
  const int slot = LineSlot(ctx, a[0]);
  if (slot < 0) return NoDerivative(ctx, slot);
  long double& cell = ctx.ExprVars.cell[var];
  const long double v = cell;
  const auto at = [&](long double d) {
    cell = v + d;
    return ExprInterpret(ctx, slot);
  };
  const long double h = DerivativeStep(v);
  const std::uint64_t events = ctx.ExprErrorEvents;
  const long double r = second ? fd::Second(h, at) : fd::First(h, at);
  cell = v;
  FailMissingLineValue(ctx, r, events);
  return r;
}

}  // namespace

long double BuiltinDX(ExprContext& ctx, const long double* a) { return Derivative<kVarX, false>(ctx, a); }
long double BuiltinDX2(ExprContext& ctx, const long double* a) { return Derivative<kVarX, true>(ctx, a); }
long double BuiltinDY(ExprContext& ctx, const long double* a) { return Derivative<kVarY, false>(ctx, a); }
long double BuiltinDY2(ExprContext& ctx, const long double* a) { return Derivative<kVarY, true>(ctx, a); }

long double BuiltinDXY(ExprContext& ctx, const long double* a) {
  const int slot = LineSlot(ctx, a[0]);
  if (slot < 0) return NoDerivative(ctx, slot);
  TExprVars& vars = ctx.ExprVars;
  const long double x = vars.X();
  const long double y = vars.Y();
  const std::uint64_t events = ctx.ExprErrorEvents;
  const long double r = fd::Mixed(DerivativeStep(x), DerivativeStep(y), [&](long double dx, long double dy) {
    vars.X() = x + dx;
    vars.Y() = y + dy;
    return ExprInterpret(ctx, slot);
  });
  vars.X() = x;
  vars.Y() = y;
  FailMissingLineValue(ctx, r, events);
  return r;
}
