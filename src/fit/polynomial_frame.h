// The frame the polynomial families solve in (TPolynomialFrame, fit_run.h): which kinds are
// shifted and scaled for a data set, and how a solution in the frame becomes the coefficients
// of the raw powers that the records store and the evaluators read.
//
// A fit in the frame is the same model as the fit in raw powers: every polynomial in
// u = (X - c)·s of degree p is a polynomial in X of degree p, and the bases of these
// families hold every lower power beside each power (and product) they hold. Only the
// rounding differs, and the shifted moments do not cancel.
#pragma once

#include <array>
#include <span>

#include "app/data_statistics.h"
#include "fit/linear_fit.h"

// The frame of a data set: a kind is shifted onto (-1, 1) where its values lie on one side of
// 0 with the largest magnitude below three times the smallest; z is centred by the same test.
// Then every V - centre is exact (Sterbenz) and the scale is a power of 2: the frame's
// variables carry no rounding of their own.
TPolynomialFrame ChoosePolynomialFrame(const TDataStats& stats);

using TFrameMatrix = std::array<std::array<long double, kMaxLinearParams>, kMaxLinearParams>;

// raw[i] = Σ_k t[i][k]·frame[k] for the coefficients of `basis` (X of kind xKind, Y of kind
// yKind), z's centre left out. False when the basis is not closed under lower powers (no
// basis of the polynomial families).
bool FrameToRawMatrix(const TPolynomialFrame& frame, int xKind, int yKind,
                      std::span<const TMonomial> basis, TFrameMatrix& t);

// Whether a fit of kinds xKind and yKind solves in raw powers: its kinds and z unshifted.
bool FrameLeavesRaw(const TPolynomialFrame& frame, int xKind, int yKind);

// Replaces a solution in the frame by the coefficients of the raw powers, z's centre added to
// the constant. A fit the frame leaves raw is left exactly as it is. False as
// FrameToRawMatrix.
bool FrameToRawCoefficients(const TPolynomialFrame& frame, int xKind, int yKind,
                            std::span<const TMonomial> basis, long double* coef);
