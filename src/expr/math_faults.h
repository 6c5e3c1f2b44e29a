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

long double ExprMathSqrt(ExprContext& ctx, long double x);
long double ExprMathLog(ExprContext& ctx, long double x);
long double ExprMathLog10(ExprContext& ctx, long double x);
long double ExprMathExp(ExprContext& ctx, long double x);
long double ExprMathPow(ExprContext& ctx, long double x, long double y);
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
