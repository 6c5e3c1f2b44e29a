// Well-rounded axis divisions for the 3D graphs.
#pragma once

struct DecimalParts {
  long double mantissa = 0;  // 1 <= |mantissa| < 10, or 0
  int exponent = 0;
};

// v = mantissa x 10^exponent. 0, and values that are not finite, give (0, 0).
DecimalParts Decompose(long double v);

struct AxisDivisions {
  long double start = 0;  // first division (a decade number on a log axis)
  long double step = 1;
  int count = 1;          // at least 1
};

// Divisions that cover lo .. hi with a round start and step: 6 to 10 of them for most
// ranges (8 of 0.125 for a range of 1); on a log axis whole decades, at most 20.
AxisDivisions NiceDivisions(long double lo, long double hi, bool logAxis);

// The top of a range as NiceDivisions is given it: a hair below the data's top, so that a
// top on a round value (data 0 .. 1) does not open another division. The hair is 1e-7 of
// the top's magnitude on a log axis and where the range reaches down to 0, and never more
// than 1e-7 of the range: of the magnitude alone it passed below the low end of data far
// from 0 (1e20 + 0 .. 5e6, 1e6 + 0 .. 0.5) and the axis then missed or squashed the points.
long double DivisionsTop(long double lo, long double hi, bool logAxis);

// A linear range too narrow for labels of `digits` significant digits to tell its ends apart
// (a constant, or one with rounding noise: a plane's slope by differences) becomes a tenth of
// its value wide about its middle, so that its divisions read as different numbers. Other
// ranges, and a range about 0, stay as they are.
void WidenUnreadableRange(long double& lo, long double& hi, int digits);
