// The texts of an axis's division labels.
#pragma once

#include <span>
#include <string>
#include <vector>

// The labels of the division values of one axis, in their order along it: "%.*Lg" at
// `digits` significant digits (10 to the power of the value on a log axis, whose values are
// decades). Where that many digits would make two neighbouring labels read alike (an axis of
// data far from 0, 1e20 + 0 .. 5e6, read "1e+20" at every division) the whole axis takes the
// fewest more digits that tell its neighbours apart, at most 18. The labels written with an
// exponent share one number of digits, the most any of them shows ("5.4060e+06" beside
// "5.4065e+06", not "5.406e+06"); those written without keep their "%g" form ("-0.5", "0").
std::vector<std::string> AxisLabelTexts(std::span<const long double> values, bool logAxis, int digits);
