// The design of a stored polynomial or rational fit, for its covariance and its limits.
//
// The inverse normal matrix of a fit (its covariance without the error factor) is formed in
// the coefficients the fit was solved in:
//   - a fit in raw powers: its raw coefficients, a rational's denominator terms counted
//     negated (the terms z·X^s of its linearisation, as its normal equations have them);
//   - a framed fit (TFitResult::frameParameters): its free coefficients in the frame. For a
//     polynomial these are the frame coefficients; for a rational the numerator's and those
//     of the denominator's terms but the one its normalisation eliminates (the condition
//     Q(u0, v0) = 1 of the raw powers' constant, see rational_families.cpp).
// LinearDesignRow gives the design row in those coefficients; RawCoefficientJacobian the
// derivatives of the raw coefficients (in the raw convention above) with respect to them,
// with which the covariance of the raw coefficients is J·C·Jᵀ.
#pragma once

#include "fit/fit_records.h"
#include "fit/fit_run.h"

struct ExprContext;

// Whether the fit is a polynomial or rational of the families of polynomial_families.cpp and
// rational_families.cpp (not a series family).
bool IsMonomialFit(const TFitEqn& e);

// row[0..m]: the design row at (x, y) with the value z (a rational's linearisation multiplies
// its denominator terms by z). False (a fault recorded in ctx) where x or y has no value of
// the fit's transforms, or for a fit that is not a monomial fit.
bool LinearDesignRow(const TFitEqn& e, const TFitRunScales& scales, ExprContext& ctx, long double x,
                     long double y, long double z, long double* row);

// jacobian[i][k] = d raw_i / d coefficient_k (i, k = 0..m) of a framed fit; false for a fit
// that is not framed or whose basis has no raw form.
bool RawCoefficientJacobian(const TFitEqn& e, const TFitRunScales& scales, long double* const* jacobian);
