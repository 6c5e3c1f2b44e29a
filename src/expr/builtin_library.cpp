// Built-ins that are the long double mathematical library itself, with its faults turned
// into the language's codes.
#include <cmath>

#include "expr/builtins.h"
#include "expr/math_faults.h"

long double BuiltinFLOOR(ExprContext&, const long double* a) { return std::floor(a[0]); }
long double BuiltinCEIL(ExprContext&, const long double* a) { return std::ceil(a[0]); }
long double BuiltinABS(ExprContext&, const long double* a) { return std::fabs(a[0]); }
long double BuiltinSQRT(ExprContext& ctx, const long double* a) { return ExprMathSqrt(ctx, a[0]); }
long double BuiltinLN(ExprContext& ctx, const long double* a) { return ExprMathLog(ctx, a[0]); }
long double BuiltinLOG(ExprContext& ctx, const long double* a) { return ExprMathLog10(ctx, a[0]); }
long double BuiltinEXP(ExprContext& ctx, const long double* a) { return ExprMathExp(ctx, a[0]); }
long double BuiltinPOW(ExprContext& ctx, const long double* a) { return ExprMathPow(ctx, a[0], a[1]); }
long double BuiltinMOD(ExprContext& ctx, const long double* a) { return ExprMathFmod(ctx, a[0], a[1]); }
long double BuiltinCOS(ExprContext& ctx, const long double* a) { return ExprMathCos(ctx, a[0]); }
long double BuiltinSIN(ExprContext& ctx, const long double* a) { return ExprMathSin(ctx, a[0]); }
long double BuiltinTAN(ExprContext& ctx, const long double* a) { return ExprMathTan(ctx, a[0]); }
long double BuiltinACOS(ExprContext& ctx, const long double* a) { return ExprMathAcos(ctx, a[0]); }
long double BuiltinASIN(ExprContext& ctx, const long double* a) { return ExprMathAsin(ctx, a[0]); }
long double BuiltinATAN(ExprContext& ctx, const long double* a) { return ExprMathAtan(ctx, a[0]); }
long double BuiltinATAN2(ExprContext& ctx, const long double* a) {
  return ExprMathAtan2(ctx, a[0], a[1]);
}
long double BuiltinTANH(ExprContext&, const long double* a) { return std::tanh(a[0]); }
// The library's cosh and sinh keep every digit near 0 (the difference of two exponentials
// would keep only those of x beyond the cancellation); an overflow reports -15 or -16.
long double BuiltinCOSH(ExprContext& ctx, const long double* a) { return ExprMathCosh(ctx, a[0]); }
long double BuiltinSINH(ExprContext& ctx, const long double* a) { return ExprMathSinh(ctx, a[0]); }
