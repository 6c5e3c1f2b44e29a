// The field-width rule behind every number shown in a window, and the small integer
// formats of lists and counts. Everything is formatted in the C locale.
#pragma once

#include <string>

// x, with a negative zero read as 0: a value that is 0 is written "0", never "-0".
inline long double UnsignedZero(long double x) { return x == 0.0L ? 0.0L : x; }

// Significant digits for "%.*Lg" so that x fits a field of w characters. With a = |x| and
// L = 10^(w-5): w - 1 for 1 <= a < L; w - 5 (room for a two-digit exponent) for a < 0.001
// or a >= L, one less for each further exponent digit (1e-100, 1e+150, 1e-1000), and w - 6
// for 0; w - 4, w - 3, w - 2 for a in [0.001, 0.01), [0.01, 0.1), [0.1, 1); one less for a
// negative x.
int NumberPrecision(long double x, int w);

// x with "%.*Lg" at NumberPrecision(x, w) significant digits (at least 1), 0 for -0. With fixedWidth,
// a result without an exponent whose length differs from w gets a "." when it has none,
// then zeros up to w, and is cut at w.
std::string FormatNumber(long double x, int w, bool fixedWidth);
// The same, padded as the user's preference `FixedWidthNumbers` (in the settings) says.
std::string FormatNumber(long double x, int w);

// The word a missing figure (the missing value) is written as wherever figures are text: a
// statistic that cannot be formed is told as such, never shown as its stand-in number.
inline constexpr const char* kMissingFigureText = "n/a";
// "%.*Lg" of x at `precision` digits (0 for -0), or kMissingFigureText for the missing value.
std::string FormatFigure(long double x, int precision);
// FormatNumber(x, w), or kMissingFigureText for the missing value.
std::string FormatNumberOrMissing(long double x, int w);

// The shortest text that reads back to exactly x (at most 21 significant digits: "1" for 1,
// "0.1" for the long double nearest 0.1), in the C locale.
std::string ShortestNumberText(long double x);

// The shortest text that reads back to a value within `tolerance` of x (exactly x when the
// tolerance is 0 or x is not a finite non-zero value), in the C locale.
std::string ShortestTextWithin(long double x, long double tolerance);

// Half the step between doubles at x: the rounding a figure of double data carries (0 where
// a double does not hold x as a normal number).
long double DoubleRoundingAt(long double x);

// The text of a figure taken from the data or computed from them, for the fields that show
// one: the shortest within DoubleRoundingAt(x), so the data of a file of doubles show the
// digits they were written with ("5403001.26" where ShortestNumberText shows the widened
// double's binary remainder, "5403001.2599999997765").
std::string ShortestFigureText(long double x);

// "%.*Lg" of a figure of the data at `digits` significant digits, where a value that a double
// holds exactly (data read from a file of doubles) takes the fewest digits, up to `digits`,
// that give that double back: it shows as it was written ("0.00086080047", not the binary
// remainder "0.00086080046999999996" of 17 digits). Any other value keeps its `digits`.
std::string DataFigureText(long double x, int digits);

// The integer left-justified in a field of the given width ("%-*d").
std::string FormatIntLeft(int value, int width);

// The integer with a comma between groups of three digits counted from the right, when it
// has 4 or more digits: 1234567 gives "1,234,567", -1234 gives "-1,234", 999 gives "999".
std::string FormatWithCommas(long long value);
