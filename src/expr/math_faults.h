// The long double mathematical library as the calculation language sees it.
//
// The language turns every fault of a library function into its own error code and a
// result of 0, and an underflow into 0 with no code. glibc has no math-error hook, so
// each function here tests the faulting conditions itself before or after the library
// call (checks around the call); the codes are recorded with ExprContext::SetError.
#pragma once

struct ExprContext;

// Language error codes of the library faults.
enum ExprLibraryError : int {
  kErrSqrtNegative = -3,
  kErrLogZero = -6,
  kErrLogNegative = -7,
  kErrAcosRange = -13,
  kErrAsinRange = -14,
  kErrCoshOverflow = -15,
  kErrSinhOverflow = -16,
  kErrExpOverflow = -17,
  kErrAtanInvalid = -18,
  kErrCosPrecision = -19,
  kErrSinPrecision = -20,
  kErrTanPrecision = -21,
  kErrPowOverflow = -22,
  kErrPowZeroNegative = -23,
  kErrPowNegativeFraction = -24,
  kErrPowZeroZero = -25,
};

// Codes an evaluation reads from the processor's status after it ran ("80x87: Invalid
// Operand", "80x87: Numeric Overflow", "80x87: Division by Zero"). A built-in whose result
// lies beyond the range of long double records kErrNumericOverflow itself and returns 0, as
// the evaluation would have.
enum ExprProcessorError : int {
  kErrInvalidOperand = -48,
  kErrNumericOverflow = -49,
  kErrZeroDivide = -50,
};

long double ExprMathSqrt(ExprContext& ctx, long double x);
long double ExprMathLog(ExprContext& ctx, long double x);
long double ExprMathLog10(ExprContext& ctx, long double x);
long double ExprMathExp(ExprContext& ctx, long double x);
long double ExprMathPow(ExprContext& ctx, long double x, long double y);

// x^2 and x^3 as ExprMathPow(ctx, x, 2) and (x, 3) compute them, to the last bit and
// with the same overflow and underflow flags, mostly without the library call. For a
// whole exponent the library multiplies by binary powering (x*x, and x*(x*x)), but it
// also forms x^4 on the way; where x^4 overflows or underflows it raises that flag for a
// representable result. So only bases with 2^-4095 <= |x| < 2^4096 are multiplied here;
// the rest (and zero, infinities and NaN) still go to the library.
inline bool ExprInWholePowerBand(long double x) {
  const long double a = __builtin_fabsl(x);
  return __builtin_isgreaterequal(a, 0x1p-4095L) && __builtin_isless(a, 0x1p4096L);  // quiet on NaN
}
inline long double ExprMathSquare(ExprContext& ctx, long double x) {
  return ExprInWholePowerBand(x) ? x * x : ExprMathPow(ctx, x, 2);
}
inline long double ExprMathCube(ExprContext& ctx, long double x) {
  return ExprInWholePowerBand(x) ? x * x * x : ExprMathPow(ctx, x, 3);
}
long double ExprMathFmod(ExprContext& ctx, long double x, long double y);
long double ExprMathSin(ExprContext& ctx, long double x);
long double ExprMathCos(ExprContext& ctx, long double x);
long double ExprMathTan(ExprContext& ctx, long double x);
long double ExprMathAcos(ExprContext& ctx, long double x);
long double ExprMathAsin(ExprContext& ctx, long double x);
long double ExprMathAtan(ExprContext& ctx, long double x);
long double ExprMathAtan2(ExprContext& ctx, long double y, long double x);
long double ExprMathCosh(ExprContext& ctx, long double x);
long double ExprMathSinh(ExprContext& ctx, long double x);

// A computation that forms several values at once (the Bessel workers give J, Y, J' and
// Y' together) raises the processor's overflow and zero-divide flags for members its
// caller then throws away, and an evaluation reads a raised flag as the failure of the
// whole text: SPHJN(0, 1e-2476) = 1 failed because y'_0 = 1/x^2 overflowed beside it.
// A TKeptValueScope opened before such a computation takes back, when it closes, the
// flags raised inside it (flags standing before it stay); the value kept is judged by
// Keep instead, and a code the computation recorded stands as it is.
class TKeptValueScope {
 public:
  TKeptValueScope();
  ~TKeptValueScope();
  TKeptValueScope(const TKeptValueScope&) = delete;
  TKeptValueScope& operator=(const TKeptValueScope&) = delete;
  // The value itself, or for one beyond the range the overflow code (a NaN: the
  // invalid-operand code) recorded and 0.
  long double Keep(ExprContext& ctx, long double value) const;

 private:
  int before_;
};
