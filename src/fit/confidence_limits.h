// Confidence and prediction limits of a fit made current (fit_side.h) at a point (x, y).
//
// With g the gradient of the fitted value with respect to the parameters at (x, y), C the
// inverse of the fit's weighted normal matrix (the side's, from a refit with covariance), s the fit
// standard error and t the Student-t quantile of the chosen level at the fit's degrees of
// freedom:
//
//   standard error of the fitted mean       e_mean = sqrt(g'Cg)
//   standard error of one new observation   e_obs  = sqrt(1 + g'Cg)
//   confidence half-width                   t·s·e_mean
//   prediction half-width                   t·s·e_obs
//
// The 1 stands for one new observation of unit weight; the data's weights enter through C
// and s. The gradient follows the kind of the fit: the design row of a linear family (after
// its x and y transforms; a rational's linearised row holds the fitted z), the analytic or
// numeric parameter derivatives of a non-linear shape or user function, and the candidate
// terms of a term-subset fit.
//
// A term-subset fit of ln z or 1/z is linear in its parameters only before the
// back-transform: its surface is exp(s) or 1/s of the linear part s. The gradient of the
// fitted value is then ẑ·g (ln z) or -ẑ²·g (1/z), with g the terms' row; C of such a fit is
// built from the sums weighted by z² (z⁴), which is the Gauss-Newton curvature of the
// back-transformed model, and s is measured in z units. The limits therefore use the
// back-transformed gradient: the row of the linear part alone would give a band in ln z (or
// 1/z) units scaled by an error in z units, which is neither.
//
// A math error anywhere in the gradient (a logarithm of a negative x, a division by zero),
// or the root of a negative 1 + g'Cg, makes both errors 0; a negative g'Cg alone makes only
// e_mean 0. Without a valid covariance both are 0. A limit whose error is 0 or not a number
// is the missing value.
#pragma once

#include "fit/fit_evaluation.h"

struct ExprContext;

// e_mean of a side at (x, y) in the given context, e_obs through `observationError`; z is the
// fitted value at (x, y), read by the rational families' linearised rows.
long double ComputeSideLimitErrors(const TFitSide& side, ExprContext& ctx, long double x,
                                   long double y, long double z, long double& observationError);

// The same for a side on the calling thread.
long double ComputeLimitErrors(const TFitSide& fit, long double x, long double y, long double z,
                               long double& observationError);

// Half-widths at the level `LimitsLevel` of the settings, or the missing value. Bound to a
// side, they have the shape of the graphs' limit callback (the render thread's
// ConfidenceLimit2 and PredictionLimit2 are these over its own side).
long double ConfidenceLimit(const TFitSide& fit, long double x, long double y, long double z);
long double PredictionLimit(const TFitSide& fit, long double x, long double y, long double z);
// The same at a level index 0..4 the caller holds (clamped): the render thread keeps the
// level it started with, whatever the settings become meanwhile.
long double LimitAtLevel(const TFitSide& fit, int level, bool prediction, long double x, long double y,
                         long double z);

// The level index 0..4 (90, 95, 99, 99.9, 99.99 %) of the settings, clamped: a value from a
// damaged file or any other writer never indexes beyond the five levels.
int LimitsLevelIndex();
// The level as the program shows it: "90.00", "95.00", "99.00", "99.90", "99.99" (index
// clamped).
const char* LimitsLevelText(int level);
