// Elementary built-ins that are more than a library call: angle conversion, whole and
// fractional parts, rounding, the reciprocal trigonometric and hyperbolic functions, the
// inverse hyperbolic functions and the two data counters. ("IF" is in conditional.cpp,
// the random numbers in random_numbers.cpp.)
#include <cmath>

#include "app/data_statistics.h"
#include "expr/data_statistics_cells.h"
#include "expr/builtins.h"
#include "expr/interpreter.h"

namespace {

// pi/180 and 180/pi as the 64-bit doubles nearest them, widened.
constexpr long double kDegreesToRadians = static_cast<long double>(0.017453292519943295);
constexpr long double kRadiansToDegrees = static_cast<long double>(57.29577951308232);

enum ExprElementaryError : int {
  kErrAcoshArgument = -11,
  kErrAtanhArgument = -12,
};

// Beyond this the reciprocal hyperbolic functions are 2 e^-|x| to far more than long
// double precision (the neglected factor is 1 +- e^-2|x|), and sinh and cosh themselves
// would overflow long before their reciprocals reach 0.
constexpr long double kHyperbolicTail = 64;

// 1 / f(x) for sin, cos and tan: a zero divisor is "Division by Zero", and a fault of the
// function itself (total loss of precision) keeps its own code.
long double Reciprocal(ExprContext& ctx, long double (*f)(ExprContext&, long double),
                       long double x) {
  const std::uint64_t events = ctx.ExprErrorEvents;
  const long double d = f(ctx, x);
  if (ctx.ExprErrorEvents != events) return 0;
  if (d == 0) {
    ctx.SetError(kErrDivisionByZero);
    return 0;
  }
  return 1 / d;
}

}  // namespace

long double BuiltinDTOR(ExprContext&, const long double* a) { return a[0] * kDegreesToRadians; }
long double BuiltinRTOD(ExprContext&, const long double* a) { return a[0] * kRadiansToDegrees; }

long double BuiltinFRACTION(ExprContext&, const long double* a) {
  long double whole = 0;
  return std::modf(a[0], &whole);
}

long double BuiltinINTEGER(ExprContext&, const long double* a) {
  long double whole = 0;
  std::modf(a[0], &whole);
  return whole;
}

// x + 0.5 truncated towards zero. Truncated in long double rather than through a 32-bit
// integer, whose conversion is undefined past 2^31: ROUND(3E9) is 3E9.
long double BuiltinROUND(ExprContext&, const long double* a) { return std::trunc(a[0] + 0.5L); }

long double BuiltinCSC(ExprContext& ctx, const long double* a) { return Reciprocal(ctx, ExprMathSin, a[0]); }
long double BuiltinSEC(ExprContext& ctx, const long double* a) { return Reciprocal(ctx, ExprMathCos, a[0]); }
long double BuiltinCOT(ExprContext& ctx, const long double* a) { return Reciprocal(ctx, ExprMathTan, a[0]); }

// The reciprocal hyperbolic functions take sinh, cosh and tanh from the library (accurate
// near 0, where (e^x - e^-x)/2 cancels) and switch to 2 e^-|x| in the tail, where the
// reciprocal is tiny rather than an overflow.
long double BuiltinCSCH(ExprContext& ctx, const long double* a) {
  const long double x = a[0];
  if (x == 0) {
    ctx.SetError(kErrDivisionByZero);
    return 0;
  }
  const long double ax = std::fabs(x);
  const long double r = ax > kHyperbolicTail ? 2 * ExprMathExp(ctx, -ax) : 1 / std::sinh(ax);
  return x < 0 ? -r : r;
}

long double BuiltinSECH(ExprContext& ctx, const long double* a) {
  const long double ax = std::fabs(a[0]);
  return ax > kHyperbolicTail ? 2 * ExprMathExp(ctx, -ax) : 1 / std::cosh(ax);
}

long double BuiltinCOTH(ExprContext& ctx, const long double* a) {
  const long double t = std::tanh(a[0]);
  if (t == 0) {
    ctx.SetError(kErrDivisionByZero);
    return 0;
  }
  return 1 / t;
}

// The inverse hyperbolic functions are the library's: ln(sqrt(x^2 + 1) + x) cancels to
// ln(0) for large negative x (ASINH(-1E10) would fail) and loses digits near 0, and
// 0.5 ln((1 + x)/(1 - x)) loses them near 0 too.
long double BuiltinASINH(ExprContext&, const long double* a) { return std::asinh(a[0]); }

long double BuiltinACOSH(ExprContext& ctx, const long double* a) {
  if (a[0] < 1) {
    ctx.SetError(kErrAcoshArgument);
    return 0;
  }
  return std::acosh(a[0]);
}

long double BuiltinATANH(ExprContext& ctx, const long double* a) {
  if (std::fabs(a[0]) >= 1) {
    ctx.SetError(kErrAtanhArgument);
    return 0;
  }
  return std::atanh(a[0]);
}

long double BuiltinINDEX(ExprContext& ctx, const long double*) { return ctx.ExprPointIndex; }

long double BuiltinXYCNT(ExprContext&, const long double*) {
  return static_cast<long double>(ExprDataStats().ActiveCount);
}
