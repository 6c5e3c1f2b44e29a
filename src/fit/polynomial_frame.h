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
#include <cstdint>
#include <span>

#include "app/data_statistics.h"
#include "fit/linear_fit.h"

struct ExprContext;

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

// The frame of the rational families: x, ln x, y and ln y shifted by the test of
// ChoosePolynomialFrame; 1/x, 1/y and z left alone.
TPolynomialFrame ChooseRationalFrame(const TDataStats& stats);

// Whether a fit of kinds xKind and yKind has its own frame: one of its kinds is shifted.
bool FrameShiftsKinds(const TPolynomialFrame& frame, int xKind, int yKind);

// The raw coefficients of a fit given in the frame, each the rounding of its exact value
// formed in the 113 bits of __float128 (the terms of a far frame cancel by many digits, which
// long double sums would lose). `framed` holds the coefficients of `basis` in the frame
// variables, z's centre already in the constant. A rational's denominator terms (e = 1) have
// the constant 1 in the frame form as in the raw one: the raw numerator and denominator are
// divided by the raw denominator's constant. False for a basis that is not closed under lower
// powers or a raw denominator whose constant is 0.
bool FrameFormToRaw(const TPolynomialFrame& frame, int xKind, int yKind, std::span<const TMonomial> basis,
                    const long double* framed, long double* raw);

// The variable of kind `kind` (5..10) at the coordinate v, shifted by `shift`: (V - c)·s with
// V = v, ln v or 1/v computed as the evaluators compute it (a logarithm of v <= 0 or a
// reciprocal of 0 records its fault in ctx).
long double FrameVariable(ExprContext& ctx, const TPowerShift& shift, int kind, long double v);

// A fit's transformed coordinates at (x, y) in the frame: the variables of its descriptor's X
// and Y kinds (d[0], d[3]) shifted by `frame`. False when a transform records a fault in a
// context that had none (the evaluators then give 0, the fault kept).
bool FrameCoordinates(ExprContext& ctx, const TPolynomialFrame& frame, const std::uint8_t* descriptor, long double x,
                      long double y, long double& u, long double& v);
