// The program's own reader of decimal numbers in data files and text windows. The C
// library's scanners accept more than a data file may mean: "nan", "inf" (also as the start
// of "information"), hexadecimal floats, and digits grouped or pointed as the user's locale
// says. Here a number is only: an optional sign, digits with at most one period (at least
// one digit in all), and an optional exponent, 'E' or 'e' with an optional sign and at
// least one digit. The value is converted in the C locale whatever the locale is.
#pragma once

#include <cstddef>
#include <string_view>

// Any number of exponent digits.
inline constexpr int kAnyExponentDigits = -1;

// The length of the number at the start of `text` (0 when it does not start with one). An
// 'e' not followed by digits (after its optional sign) is not part of the number, nor are
// exponent digits beyond maxExponentDigits when that is not kAnyExponentDigits: "2e1234"
// with a limit of 3 is the number "2" followed by other text.
std::size_t ScanDecimalNumber(std::string_view text, int maxExponentDigits = kAnyExponentDigits);

// Converts text that ScanDecimalNumber accepted whole. False when the magnitude is beyond
// the range of long double (then value is untouched); a value too small for long double
// gives 0 with true.
[[nodiscard]] bool ConvertDecimalNumber(std::string_view number, long double& value);

// What the data readers' rule (DataValueOf) made of the numbers it read, for the read to
// tell: numbers beyond +-1e300 taken as missing, and non-zero ones nearer 0 than 1e-300
// taken as 0.
struct TDataRangeNote {
  int beyond = 0;
  int nearZero = 0;
};

// The data readers' rule on top: the value of a number, the missing value when it lies
// beyond +-1e300 or long double's range, and 0 for a non-zero magnitude below 1e-300. Each
// change is counted in `note` when one is given.
long double DataValueOf(std::string_view number, TDataRangeNote* note = nullptr);

// ScanDecimalNumber (any number of exponent digits) and DataValueOf of the number found, in
// one pass over its characters: the length of the number (0, value untouched, when none).
std::size_t ScanDataValue(std::string_view text, long double& value);

// The same with the value as long double holds it, without the data readers' rule: the
// missing value only beyond long double's range, 0 below it.
std::size_t ScanLongDoubleValue(std::string_view text, long double& value);

// Whether all of `text` is one number in the syntax above.
bool IsWholeDecimalNumber(std::string_view text, int maxExponentDigits = kAnyExponentDigits);
