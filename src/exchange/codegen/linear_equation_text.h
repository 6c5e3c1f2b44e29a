// Source text of the equations that are linear in their parameters: polynomials and rationals
// in transformed x and y (written in Horner form), the full quadratic and cubic polynomials
// and the full quadratic rational, and the term-subset equations z = a + b·f1 + ... + i·f8 with
// their 42 candidate term functions.
//
// Coefficients are code literals of the dialect (codegen_dialects.h); in the user-function
// dialect every coefficient is written by name instead, "#A" for P0, "#B" for P1 and so on,
// and the transformed variables are the file's function lines F1 (x) and F2 (y). The series
// families are not written here: their coefficients are listed by the templates.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/codegen/equation_pieces.h"
#include "fit/fit_records.h"
#include "fit/fit_run.h"

// The most term functions a term-subset equation writes (f1..f8).
inline constexpr int kMaxWrittenTerms = 8;

// The Horner form of c0 + c1 v + ... + cn v^n: c0+v*(c1+v*(c2+ ... +v*cn)), with the
// dialect's line break before every even-numbered term. `coefficients` holds the texts c0..cn
// (c0 unused when `skipConstant`, which writes v*(c1+ ... +v*cn)); `extraParentheses` more
// opening ones go in front and are closed at the end. In the FORTRAN dialects cn is
// parenthesised, so that a negative one never follows "*" directly.
std::string WritePolynomialText(int dialect, int n, std::span<const std::string> coefficients,
                                int extraParentheses, bool skipConstant, std::string_view variable);

// The pieces of a polynomial (kind 1), rational (kind 2) or term-subset (kind 4) fit; all
// empty for a fit of another kind, a series family, or a record whose counts do not add up
// to its parameters.
TEquationPieces LinearEquationPieces(int dialect, const TFitEqn& fit);

// A parameter of a polynomial or rational fit as the monomial x^p·y^q of the transformed
// variables that it multiplies, in the numerator or the denominator.
struct TLinearMonomial {
  int p = 0, q = 0;
  bool denominator = false;
};
// The monomials of a polynomial or rational fit's parameters in parameter order (the
// denominator's constant 1 is no parameter); empty for a series family, a fit of another
// kind, or a record whose counts do not add up to its parameters.
std::vector<TLinearMonomial> LinearFitMonomials(const TFitEqn& fit);

// Term function `code` (0..41) of the term-subset equations; empty for any other code. The
// exponential terms take the scales of the run that made the fit.
std::string TermFunctionText(int dialect, int code, const TFitRunScales& scales);
// Term function k (1..8) of a term-subset fit; empty when the fit has fewer terms or is of
// another kind (keywords F1..F8).
std::string FitTermFunctionText(int dialect, const TFitEqn& fit, int k, const TFitRunScales& scales);
// The axis whose exponential-term scale term function k of a fit writes: 'x' for exp(x/s_x),
// 'y' for exp(y/s_y), 0 for any other term or fit.
char TermFunctionScaleAxis(const TFitEqn& fit, int k);
// The names f1,..,fm of a term-subset fit's term functions; empty for other fits (FLIST).
std::string TermFunctionNames(const TFitEqn& fit);

// The transform of x (of y) of a polynomial or rational fit: ln x, 1/x, or empty for plain
// x, which the user-function dialect writes as "X" ("Y"); empty for other fits (FX, FY).
std::string TransformOfX(int dialect, const TFitEqn& fit);
std::string TransformOfY(int dialect, const TFitEqn& fit);
// The back-transform of the dependent variable of a fit (FZ): the plain z of the dialect,
// its exponential (ln z fitted) or 1/z (1/z fitted), by entry 0 of the term list; empty for a
// user-function fit or another entry.
std::string BackTransformText(int dialect, const TFitEqn& fit);
