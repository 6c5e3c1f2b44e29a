#include "app/number_scanner.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <string>

#include "app/fpu_control.h"
#include "app/long_double.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The power of ten of the leading digit of a scanned number (saturating), e.g. 2 for
// "123.4", -3 for "0.00123", 7 for "1.5e7"; 0 for a zero.
long long DecimalOrder(std::string_view n) {
  std::size_t i = 0;
  if (i < n.size() && (n[i] == '+' || n[i] == '-')) ++i;
  long long intDigits = 0;         // digits before the point, leading zeros left out
  long long zerosAfterPoint = 0;   // zeros after the point before the first other digit
  bool seen = false;               // a non-zero digit was met
  for (; i < n.size() && IsDigit(n[i]); ++i) {
    if (seen || n[i] != '0') {
      seen = true;
      ++intDigits;
    }
  }
  if (i < n.size() && n[i] == '.') {
    for (++i; i < n.size() && IsDigit(n[i]); ++i) {
      if (seen) continue;
      if (n[i] == '0')
        ++zerosAfterPoint;
      else
        seen = true;
    }
  }
  if (!seen) return 0;
  const long long order = intDigits > 0 ? intDigits - 1 : -(zerosAfterPoint + 1);
  long long exponent = 0;
  if (i < n.size() && (n[i] == 'e' || n[i] == 'E')) {
    ++i;
    const bool negative = i < n.size() && n[i] == '-';
    if (i < n.size() && (n[i] == '+' || n[i] == '-')) ++i;
    for (; i < n.size() && IsDigit(n[i]); ++i)
      if (exponent < 1000000000) exponent = exponent * 10 + (n[i] - '0');
    if (negative) exponent = -exponent;
  }
  return order + exponent;
}

// A number as ScanDecimalNumber takes it (any number of exponent digits), read in the same
// pass: its significant digits as an integer while they fit, and its power of ten.
struct TDecimalParts {
  std::size_t length = 0;  // 0: no number
  bool negative = false;
  std::uint64_t mantissa = 0;  // the significant digits, leading zeros left out
  bool mantissaFits = true;    // at most 19 significant digits
  int exponent = 0;            // of the last digit
  bool exponentFits = true;    // the exponent's digits stayed below 1000 before its last one
};

// Beyond this many digits after the point the exponent is not tracked (the mantissa does not
// fit then anyway): it stays far from int's range.
constexpr std::size_t kMaxFractionDigits = 100000;

// Inlined into its two callers: the data readers call it once for every number they read.
[[gnu::always_inline]] inline TDecimalParts ScanDecimalParts(std::string_view n) {
  TDecimalParts p;
  const std::size_t size = n.size();
  std::size_t i = 0;
  if (i < size && (n[i] == '+' || n[i] == '-')) p.negative = n[i++] == '-';
  // Leading zeros add nothing; the digits after them are taken into the mantissa, which
  // is used only while there are at most 19 of them.
  const std::size_t intStart = i;
  while (i < size && n[i] == '0') ++i;
  std::size_t from = i;
  for (; i < size && IsDigit(n[i]); ++i) p.mantissa = p.mantissa * 10 + static_cast<std::uint64_t>(n[i] - '0');
  std::size_t significant = i - from;
  std::size_t digits = i - intStart;
  if (i < size && n[i] == '.') {
    const std::size_t fracStart = ++i;
    if (significant == 0)
      while (i < size && n[i] == '0') ++i;
    from = i;
    for (; i < size && IsDigit(n[i]); ++i) p.mantissa = p.mantissa * 10 + static_cast<std::uint64_t>(n[i] - '0');
    significant += i - from;
    digits += i - fracStart;
    p.exponent = -static_cast<int>(std::min<std::size_t>(i - fracStart, kMaxFractionDigits));
  }
  if (digits == 0) return p;
  p.mantissaFits = significant <= 19;
  if (i < size && (n[i] == 'e' || n[i] == 'E')) {
    std::size_t j = i + 1;
    const bool negativeExponent = j < size && n[j] == '-';
    if (j < size && (n[j] == '+' || n[j] == '-')) ++j;
    const std::size_t firstDigit = j;
    int e = 0;
    for (; j < size && IsDigit(n[j]); ++j) {
      if (e > 1000)
        p.exponentFits = false;
      else
        e = e * 10 + (n[j] - '0');
    }
    if (j > firstDigit) {
      i = j;
      p.exponent += negativeExponent ? -e : e;
    }
  }
  p.length = i;
  return p;
}

// The powers of ten that long double holds exactly: 10^k = 2^k 5^k, and 5^27 < 2^64.
constexpr int kExactPowers = 27;
constexpr std::array<long double, kExactPowers + 1> kPowersOfTen = [] {
  std::array<long double, kExactPowers + 1> p{};
  p[0] = 1;
  for (int k = 1; k <= kExactPowers; ++k) p[k] = p[k - 1] * 10;
  return p;
}();

// Clinger's fast path: a number of at most 19 significant digits is an exact integer in long
// double's 64-bit significand, and times or over an exact power of ten one rounding gives
// the correctly rounded value, the full conversion's to the bit. Only while the x87 unit
// rounds to nearest at full precision; false leaves the number to the full conversion.
// The values it gives lie within 1e-27 .. 1e46 in magnitude, or are zero.
[[gnu::always_inline]] inline bool ExactValueOf(const TDecimalParts& p, long double& value) {
  constexpr std::uint16_t kRoundingAndPrecision = 0x0F00, kNearestFull = 0x0300;
  if (!p.mantissaFits || !p.exponentFits) return false;
  long double v = 0;
  if (p.mantissa != 0) {
    if (p.exponent < -kExactPowers || p.exponent > kExactPowers) return false;
    if ((X87ControlWord() & kRoundingAndPrecision) != kNearestFull) return false;
    const long double m = static_cast<long double>(p.mantissa);
    v = p.exponent >= 0 ? m * kPowersOfTen[static_cast<std::size_t>(p.exponent)]
                        : m / kPowersOfTen[static_cast<std::size_t>(-p.exponent)];
  }
  value = p.negative ? -v : v;
  return true;
}

bool ConvertExactly(std::string_view n, long double& value) {
  const TDecimalParts p = ScanDecimalParts(n);
  return p.length == n.size() && ExactValueOf(p, value);
}

// A number whose magnitude lies below long double's normal range, as the nearest long double
// (subnormal or 0), read in the C locale.
long double SubnormalValueOf(std::string_view number) {
  static const locale_t c = ::newlocale(LC_ALL_MASK, "C", nullptr);
  if (c == nullptr) return 0;
  const std::string text(number);
  const long double v = ::strtold_l(text.c_str(), nullptr, c);
  return std::isfinite(v) ? v : 0;
}

}  // namespace

std::size_t ScanDecimalNumber(std::string_view text, int maxExponentDigits) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    std::size_t expDigits = 0;
    while (j < text.size() && IsDigit(text[j])) ++j, ++expDigits;
    const bool withinLimit =
        maxExponentDigits == kAnyExponentDigits || expDigits <= static_cast<std::size_t>(maxExponentDigits);
    if (expDigits > 0 && withinLimit) i = j;
  }
  return i;
}

bool ConvertDecimalNumber(std::string_view number, long double& value) {
  if (ConvertExactly(number, value)) return true;
  // from_chars takes no '+', and reads in the C locale.
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  long double v = 0;
  const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), v);
  if (ec == std::errc::result_out_of_range) {
    // Beyond the range either way: a negative decimal order is an underflow, any other an
    // overflow. An underflow may still be a subnormal long double (1e-4940), which from_chars
    // reports as out of range: the C library's conversion in the C locale gives it, or 0.
    if (DecimalOrder(number) >= 0) return false;
    value = SubnormalValueOf(number);
    return true;
  }
  if (ec != std::errc()) return false;
  value = v;
  return true;
}

namespace {

// The range rule for a number outside the data's range, or 0 (kept apart from the reading of
// numbers within it, which most are).
[[gnu::noinline]] long double OutsideDataRange(std::string_view number, bool converted, long double v,
                                                TDataRangeNote* note) {
  const long double a = std::fabs(v);
  if (!converted || a > 1e300L) {
    if (note) ++note->beyond;
    return ExprErrorValue;
  }
  // A number too small even for long double converts to 0: its digits say it was not 0.
  const bool tiny = a != 0 || number.substr(0, number.find_first_of("eE")).find_first_of("123456789") !=
                                  std::string_view::npos;
  if (tiny) {
    if (note) ++note->nearZero;
    return 0;
  }
  return v;
}

}  // namespace

long double DataValueOf(std::string_view number, TDataRangeNote* note) {
  long double v = 0;
  const bool converted = ConvertDecimalNumber(number, v);
  const long double a = std::fabs(v);
  if (converted && a >= 1e-300L && a <= 1e300L) return v;  // the data's range, read as written
  return OutsideDataRange(number, converted, v, note);
}

std::size_t ScanDataValue(std::string_view text, long double& value) {
  const TDecimalParts p = ScanDecimalParts(text);
  if (p.length == 0) return 0;
  // Within the fast path's magnitudes the data range rule changes nothing.
  if (!ExactValueOf(p, value)) value = DataValueOf(text.substr(0, p.length));
  return p.length;
}

std::size_t ScanLongDoubleValue(std::string_view text, long double& value) {
  const TDecimalParts p = ScanDecimalParts(text);
  if (p.length == 0) return 0;
  if (!ExactValueOf(p, value) && !ConvertDecimalNumber(text.substr(0, p.length), value)) value = ExprErrorValue;
  return p.length;
}

bool IsWholeDecimalNumber(std::string_view text, int maxExponentDigits) {
  return !text.empty() && ScanDecimalNumber(text, maxExponentDigits) == text.size();
}
