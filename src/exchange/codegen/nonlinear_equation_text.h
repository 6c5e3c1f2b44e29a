// Source text of the 172 built-in non-linear equations (numbers 2001-2172). Each is written
// in pieces: z1, the shape in x; z2, the shape in y; zu and zv, the exponentials inside the
// logistic peaks; and the combination that joins them with the amplitude and baseline
// parameters. In the user-function dialect the pieces are the file's function lines: F1 and
// F2 hold zu and zv, F3 and F4 hold z1 and z2, and parameter k is written "#" and its letter.
//
// Index i = number - 2000 picks the shape, (i - 1) div 12 of: Gauss, Lorentz, log-normal,
// logistic, extreme value, mixed Gauss and log-normal, Gauss cumulative, Lorentz cumulative,
// log-normal cumulative, sigmoid, extreme-value cumulative, logistic dose response,
// exponential, power (i = 169..172 are the robust planes a + bx + cy), and the form, i mod 12,
// the way the shapes are combined (see nonlinear_forms.h of the fitting engine).
//
// Numbers are written with fixed formats: the first number of a combination with "%.16LG",
// every further one with "%+#.16LG"; in a shape a centre is written negated after the variable
// ("x-1.250000000000000") and a width or rate with "%.16LG". The 80-bit dialects (C with long
// double, Pascal) write 19 digits instead of 16. Each number is made a literal of the
// dialect's real type, so FORTRAN computes every constant in double precision, and a
// negative width or rate that follows "/" or "*" is parenthesised ("x/(-0.25)"), which
// FORTRAN requires.
#pragma once

#include <string>
#include <string_view>

#include "exchange/codegen/equation_pieces.h"
#include "fit/fit_records.h"

inline constexpr int kFirstLogisticEquation = 2037;
inline constexpr int kLastLogisticEquation = 2048;

// The pieces of a built-in non-linear fit, long ones broken by WrapLongExpression; all empty
// for another fit.
TEquationPieces NonlinearEquationPieces(int dialect, const TFitEqn& fit);

// The combination of equation index i (1..172) with the fit's parameters, unbroken; empty for
// another index.
std::string CodeGenEquationBody(int dialect, int index, const TFitEqn& fit);

// A long expression broken into lines by `lineBreak` (nothing is done when it is empty): a text
// of at most 60 characters stays whole; a longer one is broken after the operator (+, -, *, /,
// **) nearest before the 50th character of each line, and again while what remains of the
// text is longer than 60 characters. A sign inside a number ("1.5E-07") is never taken for an
// operator, so a number is never cut. Where no operator lies before that character the break
// goes after the first operator beyond it; a text with no operator stays whole.
std::string WrapLongExpression(std::string_view text, std::string_view lineBreak);
