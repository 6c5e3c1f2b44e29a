// "DX", "DX2", "DY", "DY2" and "DXY": central differences of line n of the function being
// evaluated in X and Y at the current point (finite_differences.h; a built-in knows no range
// of its variables, so their scale is the unit). The variable is moved for each evaluation
// and restored exactly afterwards; the error code is neither cleared nor tested, so an
// error in the line still fails the evaluation. A line whose value is missing at one of
// the points without an error of its own fails the derivative with kErrLineUndefined:
// the missing value alone was taken as a number by the expression around it. A larger step
// tried because the first one's difference was lost in the rounding leaves no trace when its
// values fail: the quotient of the step before it stands.
#include <cstdint>

#include "expr/builtins.h"
#include "expr/calculus_state.h"
#include "expr/finite_differences.h"
#include "expr/interpreter.h"
#include "expr/program_slots.h"

namespace {

namespace fd = finite_differences;

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

// The partial derivative of the line at the current X and Y. A line whose value is missing
// at one of the points gives the missing value, not a difference quotient of it.
template <fd::Partial partial>
long double Derivative(ExprContext& ctx, const long double* a) {
  const int slot = LineSlot(ctx, a[0]);
  if (slot < 0) return NoDerivative(ctx, slot);
  TExprVars& vars = ctx.ExprVars;
  const long double x = vars.X();
  const long double y = vars.Y();
  const auto line = [&](long double px, long double py) {
    vars.X() = px;
    vars.Y() = py;
    return ExprInterpret(ctx, slot);
  };
  const std::uint64_t events = ctx.ExprErrorEvents;
  const long double r = fd::SurfacePartial(partial, x, y, fd::TSurfaceScales{}, line, fd::Rounding::kLongDouble,
                                           fd::TContextTrialGuard(ctx));
  vars.X() = x;
  vars.Y() = y;
  FailMissingLineValue(ctx, r, events);
  return r;
}

}  // namespace

long double BuiltinDX(ExprContext& ctx, const long double* a) { return Derivative<fd::Partial::kDzDx>(ctx, a); }
long double BuiltinDX2(ExprContext& ctx, const long double* a) { return Derivative<fd::Partial::kD2zDx2>(ctx, a); }
long double BuiltinDY(ExprContext& ctx, const long double* a) { return Derivative<fd::Partial::kDzDy>(ctx, a); }
long double BuiltinDY2(ExprContext& ctx, const long double* a) { return Derivative<fd::Partial::kD2zDy2>(ctx, a); }
long double BuiltinDXY(ExprContext& ctx, const long double* a) { return Derivative<fd::Partial::kD2zDxDy>(ctx, a); }
