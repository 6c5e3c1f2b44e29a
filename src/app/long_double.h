// The program computes in the x87 80-bit extended format and stores it in 10 bytes.
#pragma once

#include <cfloat>
#include <cmath>
#include <limits>

static_assert(LDBL_MANT_DIG == 64, "long double must be the x87 80-bit extended format");
static_assert(std::numeric_limits<long double>::is_iec559);

// The missing value: marks missing data cells, failed evaluations and surface points
// outside the data. It is the double -12345.6789 widened to 80 bits (not the closer long
// double literal), because that is the value every stored file carries.
inline constexpr long double ExprErrorValue = static_cast<long double>(-12345.6789);

inline bool IsMissingValue(long double v) { return v == ExprErrorValue; }

// A value a calculation can go on with: a finite number that is not the missing value.
inline bool IsUsableValue(long double v) { return std::isfinite(v) && !IsMissingValue(v); }

// A number read from a file of doubles as the data take it. The data end at +-1e300 (a point
// beyond takes no part), which no double holds: the nearest, 1.0000000000000000525e300, lies
// a hair beyond, so 1e300 written to such a file by this program, or typed into a
// spreadsheet, came back beyond the limit and its point inactive. That double is read as
// 1e300; every other value as it stands.
inline long double DataValueOfDouble(long double v) {
  constexpr long double kLimitAsDouble = static_cast<double>(1e300L);
  if (v == kLimitAsDouble) return 1e300L;
  if (v == -kLimitAsDouble) return -1e300L;
  return v;
}

// Whether a 64-bit double holds v: its double is finite, and nonzero when v is (1e-400 would
// come back as 0). A subnormal double keeps such a value with fewer digits; NaN is no number.
inline bool HeldAsDouble(long double v) {
  return v == 0 || (std::fabs(v) <= DBL_MAX && static_cast<double>(v) != 0);
}
