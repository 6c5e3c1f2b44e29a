// A polynomial or rational fit written about the middle of its data.
//
// Far from the origin the powers of x hardly differ over the data (x = 1e6 ± 2), and the
// stored coefficients of the raw powers cancel each other by many digits: a seventh-order
// polynomial at x = 1e6 is the small difference of terms near 1e17, of which double
// arithmetic keeps no correct digit. In u = (X - c)·s, with X the fitted transform of x (x,
// ln x or 1/x), c the middle of its data and s a power of 2 that takes the half width into
// [0.5, 1), the same polynomial has coefficients of the size of its values, and the code
// computes it to the last digits of its reals.
//
// The centred coefficients are the Taylor shift of the stored ones, summed in the 113 bits
// of __float128, so that their cancellation costs nothing the code's reals keep. A rational's
// numerator and denominator are shifted alike and divided by the new constant of the
// denominator, which keeps its written constant 1. The transforms of the fitted variables
// (FX, FY) then carry the shift: "x = (x-1000001.5)/2".
//
// A fit is centred only where the terms of its raw form grow more than 100 times beyond those
// of the centred form over the data (where the raw form would lose more than two digits to
// rounding): fits of data about the origin are written as they always were, with the
// coefficients the review shows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/data_statistics.h"
#include "fit/fit_records.h"
#include "fit/fit_run.h"

// The centred variable u = (X - c)·s of one axis. For X = 1/x the code computes
// u = (x0 - x)/(x·x0)·s, with c = 1/x0: x0 - x is exact over data far from 0, where 1/x - c
// would lose the digits that 1/x and c share. For X = ln x it computes u = ln(x/x0)·s with
// c = ln x0: the logarithm of a number near 1 keeps the digits of the ratio, where ln x - c
// keeps those of ln x (about 14 times fewer of u for x near 1e6).
struct TAxisCentring {
  bool active = false;
  bool inverse = false;    // X = 1/x, centred about 1/x0
  bool logarithm = false;  // X = ln x, centred about ln x0
  long double centre = 0;  // c (x0 when `inverse` or `logarithm`) as the code's reals hold it
  long double scale = 1;   // s, a power of 2
};

struct TCentredLinearFit {
  TFitEqn fit;  // the fit with the coefficients of the centred variables
  TAxisCentring x, y;
};

// The fit centred for `dialect` over the data of `stats`, when its raw form needs it (above);
// nothing for a fit that keeps its digits, a fit of another family, or data that do not lie
// off the origin. A fit solved in a frame (TFitEqn::framed) is always centred, from its
// coefficients in the frame `scales` gives (its raw ones are those rounded after their terms
// cancelled): without scales it is centred from its raw coefficients.
std::optional<TCentredLinearFit> CentreLinearFit(int dialect, const TFitEqn& fit, const TDataStats& stats,
                                                 const TFitRunScales* scales = nullptr);

// The centred variable as the code computes it from the variable `variable` ("x") and its
// fitted transform `transform` ("x", "logl(x)", "1.0/x"): "(x-1000001.500000000)/2.000000000000000"
// in C with double; `transform` itself when the axis is not centred.
std::string CentredVariableText(int dialect, std::string_view variable, std::string_view transform,
                                const TAxisCentring& centring);
