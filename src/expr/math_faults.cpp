#include "expr/math_faults.h"

#include <cfenv>
#include <cfloat>
#include <cmath>

#include "expr/eval_context.h"
#include "expr/interpreter.h"

namespace {

// A library underflow yields 0, never a subnormal number.
long double FlushUnderflow(long double r) {
  return (r != 0 && std::fabs(r) < LDBL_MIN) ? 0.0L : r;
}

long double Fault(ExprContext& ctx, int code) {
  ctx.SetError(code);
  return 0;
}

// An overflow the library reports by its own code: the processor's overflow flag that the
// call raised is taken back, so that the run reports this code and not the generic
// "80x87: Numeric Overflow".
long double OverflowFault(ExprContext& ctx, int code) {
  std::feclearexcept(FE_OVERFLOW);
  return Fault(ctx, code);
}

// The trigonometric functions lose every digit of the argument's reduction at 2^63 and
// beyond (the x87 range of FSIN, FCOS and FPTAN), where the library reports a total loss
// of precision.
constexpr long double kTrigArgumentLimit = 9223372036854775808.0L;  // 2^63

bool TotalPrecisionLoss(long double x) {
  return std::isinf(x) || std::fabs(x) >= kTrigArgumentLimit;
}

// Overflow: a finite argument with an infinite result.
bool Overflowed(long double r) { return std::isinf(r); }

}  // namespace

long double ExprMathSqrt(ExprContext& ctx, long double x) {
  if (x < 0) return Fault(ctx, kErrSqrtNegative);
  return std::sqrt(x);
}

long double ExprMathLog(ExprContext& ctx, long double x) {
  if (x == 0) return Fault(ctx, kErrLogZero);
  if (x < 0) return Fault(ctx, kErrLogNegative);
  return std::log(x);
}

long double ExprMathLog10(ExprContext& ctx, long double x) {
  if (x == 0) return Fault(ctx, kErrLogZero);
  if (x < 0) return Fault(ctx, kErrLogNegative);
  return std::log10(x);
}

long double ExprMathExp(ExprContext& ctx, long double x) {
  if (std::isnan(x)) return x;
  const long double r = std::exp(x);
  if (Overflowed(r)) return OverflowFault(ctx, kErrExpOverflow);
  return FlushUnderflow(r);
}

long double ExprMathPow(ExprContext& ctx, long double x, long double y) {
  if (std::isnan(x) || std::isnan(y)) return std::pow(x, y);
  if (x == 0) {
    if (y == 0) return Fault(ctx, kErrPowZeroZero);
    if (y < 0) return Fault(ctx, kErrPowZeroNegative);
    return 0;
  }
  if (x < 0 && std::isfinite(y) && y != std::trunc(y)) return Fault(ctx, kErrPowNegativeFraction);
  const long double r = std::pow(x, y);
  if (Overflowed(r) && std::isfinite(x) && std::isfinite(y)) return OverflowFault(ctx, kErrPowOverflow);
  return FlushUnderflow(r);
}

// The floating remainder has no code of its own. A zero divisor fails as the division
// does ("Division by Zero"), and an infinite dividend, whose remainder is undefined, as the
// processor's remainder instruction does ("80x87: Invalid Operand"); both once gave 0 as a
// number, so that MOD(1,0) passed where 1/0 failed.
long double ExprMathFmod(ExprContext& ctx, long double x, long double y) {
  if (std::isnan(x) || std::isnan(y)) return std::fmod(x, y);
  if (y == 0) return Fault(ctx, kErrDivisionByZero);
  if (std::isinf(x)) return Fault(ctx, kErrInvalidOperand);
  return std::fmod(x, y);
}

long double ExprMathSin(ExprContext& ctx, long double x) {
  if (TotalPrecisionLoss(x)) return Fault(ctx, kErrSinPrecision);
  return std::sin(x);
}

long double ExprMathCos(ExprContext& ctx, long double x) {
  if (TotalPrecisionLoss(x)) return Fault(ctx, kErrCosPrecision);
  return std::cos(x);
}

long double ExprMathTan(ExprContext& ctx, long double x) {
  if (TotalPrecisionLoss(x)) return Fault(ctx, kErrTanPrecision);
  return std::tan(x);
}

long double ExprMathAcos(ExprContext& ctx, long double x) {
  if (std::fabs(x) > 1) return Fault(ctx, kErrAcosRange);
  return std::acos(x);
}

long double ExprMathAsin(ExprContext& ctx, long double x) {
  if (std::fabs(x) > 1) return Fault(ctx, kErrAsinRange);
  return std::asin(x);
}

long double ExprMathAtan(ExprContext&, long double x) { return std::atan(x); }

// The angle of (0, 0) is undefined: the library reports it as a domain fault.
long double ExprMathAtan2(ExprContext& ctx, long double y, long double x) {
  if (y == 0 && x == 0) return Fault(ctx, kErrAtanInvalid);
  return std::atan2(y, x);
}

long double ExprMathCosh(ExprContext& ctx, long double x) {
  if (std::isnan(x)) return x;
  const long double r = std::cosh(x);
  if (Overflowed(r)) return OverflowFault(ctx, kErrCoshOverflow);
  return r;
}

long double ExprMathSinh(ExprContext& ctx, long double x) {
  if (std::isnan(x)) return x;
  const long double r = std::sinh(x);
  if (Overflowed(r)) return OverflowFault(ctx, kErrSinhOverflow);
  return FlushUnderflow(r);
}

namespace {
constexpr int kDiscardedFlags = FE_OVERFLOW | FE_DIVBYZERO;
}  // namespace

TKeptValueScope::TKeptValueScope() : before_(std::fetestexcept(kDiscardedFlags)) {}

// Only a raised flag is cleared: clearing means reloading the whole environment.
TKeptValueScope::~TKeptValueScope() {
  if (const int raised = std::fetestexcept(kDiscardedFlags) & ~before_) std::feclearexcept(raised);
}

long double TKeptValueScope::Keep(ExprContext& ctx, long double value) const {
  if (std::isfinite(value)) return value;
  ctx.SetError(std::isnan(value) ? kErrInvalidOperand : kErrNumericOverflow);
  return 0;
}
