// Handlers of the built-in functions, grouped by the file that holds their bodies. Each
// takes the evaluating thread's context and its arguments a[0..n-1] (ExprHandler).
#pragma once

#include "expr/expr_types.h"

// builtin_subfunctions.cpp: F1..F9 and #F1..#F9 run line n of the function being
// evaluated (slot 10 x CurrentUdf + n).
long double BuiltinF1(ExprContext& ctx, const long double* a);
long double BuiltinF2(ExprContext& ctx, const long double* a);
long double BuiltinF3(ExprContext& ctx, const long double* a);
long double BuiltinF4(ExprContext& ctx, const long double* a);
long double BuiltinF5(ExprContext& ctx, const long double* a);
long double BuiltinF6(ExprContext& ctx, const long double* a);
long double BuiltinF7(ExprContext& ctx, const long double* a);
long double BuiltinF8(ExprContext& ctx, const long double* a);
long double BuiltinF9(ExprContext& ctx, const long double* a);

// builtin_library.cpp: thin bodies over the long double mathematical library, with the
// library's faults turned into the language's error codes (math_faults.h).
long double BuiltinFLOOR(ExprContext& ctx, const long double* a);
long double BuiltinCEIL(ExprContext& ctx, const long double* a);
long double BuiltinABS(ExprContext& ctx, const long double* a);
long double BuiltinSQRT(ExprContext& ctx, const long double* a);
long double BuiltinLN(ExprContext& ctx, const long double* a);
long double BuiltinLOG(ExprContext& ctx, const long double* a);
long double BuiltinEXP(ExprContext& ctx, const long double* a);
long double BuiltinPOW(ExprContext& ctx, const long double* a);
long double BuiltinMOD(ExprContext& ctx, const long double* a);
long double BuiltinCOS(ExprContext& ctx, const long double* a);
long double BuiltinSIN(ExprContext& ctx, const long double* a);
long double BuiltinTAN(ExprContext& ctx, const long double* a);
long double BuiltinACOS(ExprContext& ctx, const long double* a);
long double BuiltinASIN(ExprContext& ctx, const long double* a);
long double BuiltinATAN(ExprContext& ctx, const long double* a);
long double BuiltinATAN2(ExprContext& ctx, const long double* a);
long double BuiltinTANH(ExprContext& ctx, const long double* a);
