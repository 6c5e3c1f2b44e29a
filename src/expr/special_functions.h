// The special functions of the calculation language as the rest of the program calls them
// directly: the error function family, the gamma family, digamma, beta, the incomplete
// gamma and beta functions with the distribution functions built on them, associated
// Legendre functions, the hypergeometric functions and the Student-t critical values.
//
// Every function computes in long double. Those that can fail record a negative code with
// ExprContext::SetError on the context they are given and return a fallback value
// (normally 0); the evaluation entry points then turn the run into the missing value.
// Apart from those error cells they are pure, so any number of threads may call them at
// once, each with its own context.
#pragma once

#include "expr/eval_context.h"

// Error codes of the special functions.
enum ExprSpecialFunctionError : int {
  kErrLogGammaSingularity = -108,
  kErrGammaSingularity = -109,
  kErrPsiSingularity = -112,
  kErrIncompleteGammaConvergence = -120,
  kErrIncompleteBetaConvergence = -122,
  kErrIncompleteGammaArgument = -123,
  kErrIncompleteGammaComplementArgument = -124,
  kErrIncompleteBetaArgument = -125,
  kErrLegendreArgument = -126,
  kErrHypergeometricMConvergence = -141,
  kErrHypergeometricFConvergence = -145,
  // The series ended, but no form of the value keeps half the bits of its sum (near a zero
  // of the function, where the terms or the recurrence's values are far larger than it).
  kErrHypergeometricPrecision = -147,
};

// Convergence tolerance of the series and continued fractions.
inline constexpr long double kExprSeriesEps = 1e-18L;
// Iteration limit of the series and continued fractions.
inline constexpr int kExprSeriesLimit = 1000;

// Error function family. They raise no error: beyond +-6 (erf) and 106.5 (erfc) the
// values are the limits.
long double BuiltinERF(long double x);
long double BuiltinERFC(long double x);
long double BuiltinERFP1(long double x);  // 1 + erf(x)
long double BuiltinERFM1(long double x);  // erf(x) - 1

// sin(pi x) and tan(pi x) with x reduced exactly first, so that values near the zeros and
// poles keep their digits (sin(pi n) is exactly 0 for a whole n).
long double ExprSinPi(long double x);
long double ExprTanPi(long double x);

// Gamma family. LNGAM of a negative x where gamma is negative fails as the logarithm of a
// negative number (-7); whole x of 0 or less are singular.
long double LNGAM(ExprContext& ctx, long double x);
long double GAM(ExprContext& ctx, long double x);
long double LNFAC(ExprContext& ctx, long double x);  // ln(x!) for whole x >= 0
long double PSI(ExprContext& ctx, long double x);    // digamma
long double BET(ExprContext& ctx, long double a, long double b);

// Regularised incomplete gamma P(a, x) and its complement Q(a, x).
long double IGAM(ExprContext& ctx, long double a, long double x);
long double IGAMC(ExprContext& ctx, long double a, long double x);
// Regularised incomplete beta I_x(a, b).
long double IBETA(ExprContext& ctx, long double a, long double b, long double x);

// Distribution functions.
long double PFX2(ExprContext& ctx, long double n, long double c);   // chi-square P(n/2, c/2)
long double PFX2C(ExprContext& ctx, long double n, long double c);  // Q(n/2, c/2)
// Probability that |t| with n degrees of freedom is below t.
long double PFST(ExprContext& ctx, long double n, long double t);
// Upper tail of the F distribution.
long double PFF(ExprContext& ctx, long double df1, long double df2, long double f);
// Probability of k or more successes in n trials of probability p.
long double PFBI(ExprContext& ctx, long double k, long double n, long double p);

// Associated Legendre function P_l^m(x) (l and m truncated to whole numbers).
long double LGNDR(ExprContext& ctx, long double l, long double m, long double x);
// Confluent hypergeometric functions M(a, b, x) and U(a, b, x), Gauss F(a, b; c; x). Where
// no form of the sum keeps half the bits of its value (the terms cancel), they fail rather
// than give rounding noise: with the precision code -147 where their series ended within
// its limit of terms, else with their convergence code (-141 for M and U, -145 for F).
long double HYPM(ExprContext& ctx, long double a, long double b, long double x);
long double HYPU(ExprContext& ctx, long double a, long double b, long double x);
long double HYPF(ExprContext& ctx, long double a, long double b, long double c, long double x);

// Two-sided critical values of Student's t with n degrees of freedom (n below 1 counts as
// 1) at 90, 95, 99, 99.9 and 99.99 per cent, to the long double's rounding.
long double StudentT90(long double n);
long double StudentT95(long double n);
long double StudentT99(long double n);
long double StudentT999(long double n);
long double StudentT9999(long double n);
