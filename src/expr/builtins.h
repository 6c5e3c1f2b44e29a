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
// n of the handler of "Fn" and "#Fn" (1..9), 0 for any other handler.
int SubFunctionLine(ExprHandler handler);

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
long double BuiltinCOSH(ExprContext& ctx, const long double* a);
long double BuiltinSINH(ExprContext& ctx, const long double* a);

// builtin_elementary.cpp: angle conversion, whole and fractional parts, rounding,
// reciprocal and inverse hyperbolic trigonometry, the data counters.
long double BuiltinDTOR(ExprContext& ctx, const long double* a);
long double BuiltinRTOD(ExprContext& ctx, const long double* a);
long double BuiltinFRACTION(ExprContext& ctx, const long double* a);
long double BuiltinINTEGER(ExprContext& ctx, const long double* a);
long double BuiltinROUND(ExprContext& ctx, const long double* a);
long double BuiltinCSC(ExprContext& ctx, const long double* a);
long double BuiltinSEC(ExprContext& ctx, const long double* a);
long double BuiltinCOT(ExprContext& ctx, const long double* a);
long double BuiltinCSCH(ExprContext& ctx, const long double* a);
long double BuiltinSECH(ExprContext& ctx, const long double* a);
long double BuiltinCOTH(ExprContext& ctx, const long double* a);
long double BuiltinASINH(ExprContext& ctx, const long double* a);
long double BuiltinACOSH(ExprContext& ctx, const long double* a);
long double BuiltinATANH(ExprContext& ctx, const long double* a);
long double BuiltinINDEX(ExprContext& ctx, const long double* a);
long double BuiltinXYCNT(ExprContext& ctx, const long double* a);

// conditional.cpp: "IF"(c, a, b), forgetting the errors of the branch not taken.
long double BuiltinIF(ExprContext& ctx, const long double* a);

// random_numbers.cpp: the per-thread generator's built-ins.
long double BuiltinRAND(ExprContext& ctx, const long double* a);
long double BuiltinRANDOM(ExprContext& ctx, const long double* a);
long double BuiltinRANDGAUSS(ExprContext& ctx, const long double* a);
long double BuiltinNOISE(ExprContext& ctx, const long double* a);
long double BuiltinGNOISE(ExprContext& ctx, const long double* a);

// Special functions (special_functions.h has the direct-call forms): error_function.cpp,
// gamma_functions.cpp, incomplete_gamma_beta.cpp, legendre_hypergeometric.cpp,
// bernoulli_numbers.cpp and student_t.cpp.
long double BuiltinERF(ExprContext& ctx, const long double* a);
long double BuiltinERFC(ExprContext& ctx, const long double* a);
long double BuiltinERFP1(ExprContext& ctx, const long double* a);
long double BuiltinERFM1(ExprContext& ctx, const long double* a);
long double BuiltinLNFAC(ExprContext& ctx, const long double* a);
long double BuiltinLNGAM(ExprContext& ctx, const long double* a);
long double BuiltinGAM(ExprContext& ctx, const long double* a);
long double BuiltinPSI(ExprContext& ctx, const long double* a);
long double BuiltinBET(ExprContext& ctx, const long double* a);
long double BuiltinIGAM(ExprContext& ctx, const long double* a);   // also "IGAMP"
long double BuiltinIGAMC(ExprContext& ctx, const long double* a);  // also "IGAMQ", "PFCP"
long double BuiltinPFX2(ExprContext& ctx, const long double* a);
long double BuiltinPFX2C(ExprContext& ctx, const long double* a);
long double BuiltinPFST(ExprContext& ctx, const long double* a);
long double BuiltinPFF(ExprContext& ctx, const long double* a);
long double BuiltinPFBI(ExprContext& ctx, const long double* a);
long double BuiltinIBETA(ExprContext& ctx, const long double* a);
long double BuiltinLGNDR(ExprContext& ctx, const long double* a);
long double BuiltinHYPM(ExprContext& ctx, const long double* a);
long double BuiltinHYPU(ExprContext& ctx, const long double* a);
long double BuiltinHYPF(ExprContext& ctx, const long double* a);
long double BuiltinB0(ExprContext& ctx, const long double* a);
long double BuiltinT90(ExprContext& ctx, const long double* a);
long double BuiltinT95(ExprContext& ctx, const long double* a);
long double BuiltinT99(ExprContext& ctx, const long double* a);
long double BuiltinT999(ExprContext& ctx, const long double* a);
long double BuiltinT9999(ExprContext& ctx, const long double* a);

// The Bessel family (bessel_functions.h has the direct-call forms):
// bessel_integer_order.cpp, bessel_real_order.cpp, bessel_spherical_airy.cpp and
// noncentral_chi_square.cpp ("TFN").
long double BuiltinJ0(ExprContext& ctx, const long double* a);
long double BuiltinJ1(ExprContext& ctx, const long double* a);
long double BuiltinY0(ExprContext& ctx, const long double* a);
long double BuiltinY1(ExprContext& ctx, const long double* a);
long double BuiltinI0(ExprContext& ctx, const long double* a);
long double BuiltinI1(ExprContext& ctx, const long double* a);
long double BuiltinK0(ExprContext& ctx, const long double* a);
long double BuiltinK1(ExprContext& ctx, const long double* a);
long double BuiltinI0EIX(ExprContext& ctx, const long double* a);
long double BuiltinI1EIX(ExprContext& ctx, const long double* a);
long double BuiltinJN(ExprContext& ctx, const long double* a);
long double BuiltinYN(ExprContext& ctx, const long double* a);
long double BuiltinIN(ExprContext& ctx, const long double* a);
long double BuiltinKN(ExprContext& ctx, const long double* a);
long double BuiltinJNU(ExprContext& ctx, const long double* a);
long double BuiltinYNU(ExprContext& ctx, const long double* a);
long double BuiltinINU(ExprContext& ctx, const long double* a);
long double BuiltinKNU(ExprContext& ctx, const long double* a);
long double BuiltinDJNU(ExprContext& ctx, const long double* a);
long double BuiltinDYNU(ExprContext& ctx, const long double* a);
long double BuiltinDINU(ExprContext& ctx, const long double* a);
long double BuiltinDKNU(ExprContext& ctx, const long double* a);
long double BuiltinSPHJN(ExprContext& ctx, const long double* a);
long double BuiltinSPHYN(ExprContext& ctx, const long double* a);
long double BuiltinSPHIN(ExprContext& ctx, const long double* a);
long double BuiltinSPHKN(ExprContext& ctx, const long double* a);
long double BuiltinDSPHJN(ExprContext& ctx, const long double* a);
long double BuiltinDSPHYN(ExprContext& ctx, const long double* a);
long double BuiltinDSPHIN(ExprContext& ctx, const long double* a);
long double BuiltinDSPHKN(ExprContext& ctx, const long double* a);
long double BuiltinAIRYA(ExprContext& ctx, const long double* a);
long double BuiltinAIRYB(ExprContext& ctx, const long double* a);
long double BuiltinDAIRYA(ExprContext& ctx, const long double* a);
long double BuiltinDAIRYB(ExprContext& ctx, const long double* a);
long double BuiltinTFN(ExprContext& ctx, const long double* a);

// Calculus: the first argument names line n of the function being evaluated (slot
// 10 x CurrentUdf + n). builtin_integrals.cpp: integrals over $ (and $$);
// builtin_series.cpp: sums, products and series over $; builtin_derivatives.cpp: central
// differences in X and Y; builtin_implicit.cpp: roots in Z.
long double BuiltinAI(ExprContext& ctx, const long double* a);
long double BuiltinAIP(ExprContext& ctx, const long double* a);
long double BuiltinQI(ExprContext& ctx, const long double* a);
long double BuiltinQIP(ExprContext& ctx, const long double* a);
long double BuiltinQIN(ExprContext& ctx, const long double* a);
long double BuiltinRI(ExprContext& ctx, const long double* a);
long double BuiltinDQIP(ExprContext& ctx, const long double* a);
long double BuiltinSUM(ExprContext& ctx, const long double* a);
long double BuiltinPROD(ExprContext& ctx, const long double* a);
long double BuiltinSER(ExprContext& ctx, const long double* a);
long double BuiltinDX(ExprContext& ctx, const long double* a);
long double BuiltinDX2(ExprContext& ctx, const long double* a);
long double BuiltinDY(ExprContext& ctx, const long double* a);
long double BuiltinDY2(ExprContext& ctx, const long double* a);
long double BuiltinDXY(ExprContext& ctx, const long double* a);
long double BuiltinIMPLICIT(ExprContext& ctx, const long double* a);
long double BuiltinIMPLICIT_(ExprContext& ctx, const long double* a);

// The peak and transition shapes (peak_builtins.h): BuiltinShape<variable, core, args>.
