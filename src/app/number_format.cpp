#include "app/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include "app/c_format.h"
#include "app/long_double.h"
#include "app/number_scanner.h"
#include "app/settings_file.h"

namespace {

// Digits of the decimal exponent "%Lg" writes for a (at least two: e+05, e-100, e+4930).
int ExponentDigits(long double a) {
  if (!(a > 0) || !std::isfinite(a)) return 2;
  // The logarithm of a power of ten may land a hair below its integer: the decade is
  // settled against the power itself.
  int e = static_cast<int>(std::floor(std::log10(a)));
  if (a >= std::pow(10.0L, static_cast<long double>(e + 1))) ++e;
  if (a < std::pow(10.0L, static_cast<long double>(e))) --e;
  e = std::abs(e);
  return e >= 1000 ? 4 : e >= 100 ? 3 : 2;
}

}  // namespace

int NumberPrecision(long double x, int w) {
  const long double a = std::fabs(x);
  const long double limit = std::pow(10.0L, static_cast<long double>(w - 5));
  int digits;
  if (a >= 1 && a < limit) {
    digits = w - 1;
  } else if (a >= 0.001L && a < 0.01L) {
    digits = w - 4;
  } else if (a >= 0.01L && a < 0.1L) {
    digits = w - 3;
  } else if (a >= 0.1L && a < 1) {
    digits = w - 2;
  } else if (a == 0) {
    digits = w - 6;
  } else {
    // Below 0.001, at or above L, or not a number: "d.ddd" and an exponent. Each exponent
    // digit beyond two takes a digit of the field, large values as well as small ones
    // (1.2346e+150 and 8.835e-100 took 11 characters of a field of 10).
    digits = w - 3 - ExponentDigits(a);
  }
  if (x < 0) --digits;
  return digits;
}

std::string FormatNumber(long double x, int w, bool fixedWidth) {
  x = UnsignedZero(x);
  // A precision below 1 would make printf fall back to 6 digits, far wider than the field.
  const int digits = std::max(NumberPrecision(x, w), 1);
  std::string text = CFormat("%.*Lg", digits, x);
  const std::size_t width = static_cast<std::size_t>(std::max(w, 0));
  if (fixedWidth && text.size() != width && text.find('e') == std::string::npos) {
    if (text.find('.') == std::string::npos) text += '.';
    if (text.size() < width) text.append(width - text.size(), '0');
    text.resize(width);
  }
  return text;
}

std::string FormatNumber(long double x, int w) {
  return FormatNumber(x, w, CurrentSettings().numberPadding != 0);
}

std::string FormatFigure(long double x, int precision) {
  return IsMissingValue(x) ? kMissingFigureText : CFormat("%.*Lg", precision, UnsignedZero(x));
}

std::string FormatNumberOrMissing(long double x, int w) {
  return IsMissingValue(x) ? kMissingFigureText : FormatNumber(x, w);
}

std::string ShortestNumberText(long double x) {
  char text[64];
  const std::to_chars_result r = std::to_chars(text, text + sizeof text, x);
  return r.ec == std::errc() ? std::string(text, r.ptr) : CFormat("%.21Lg", x);
}

std::string ShortestTextWithin(long double x, long double tolerance) {
  if (!std::isfinite(x) || x == 0 || !(tolerance > 0)) return ShortestNumberText(x);
  // The nearest decimal of each length: when any decimal of that length lies within the
  // tolerance, the nearest one does.
  for (int digits = 1; digits < 21; ++digits) {
    long double v = 0;
    if (!ConvertDecimalNumber(CFormat("%.*Le", digits - 1, x), v)) break;
    if (std::fabs(v - x) <= tolerance) return ShortestNumberText(v);
  }
  return ShortestNumberText(x);
}

long double DoubleRoundingAt(long double x) {
  const double d = static_cast<double>(x);
  if (!std::isnormal(d)) return 0;
  int exponent = 0;
  (void)std::frexp(d, &exponent);  // |d| = m * 2^exponent, 0.5 <= m < 1: a step of 2^(exponent - 53)
  return std::ldexp(1.0L, exponent - 54);
}

std::string ShortestFigureText(long double x) { return ShortestTextWithin(x, DoubleRoundingAt(x)); }

std::string DataFigureText(long double x, int digits) {
  const double d = static_cast<double>(x);
  if (std::isfinite(d) && d != 0 && static_cast<long double>(d) == x) {
    // The shortest text that gives the double back, in scientific form: its digits and its
    // decimal exponent. "%.*Lg" then writes those digits in the form the other figures take,
    // with at least the digits before the point that `digits` would show (1000000, not 1e+06).
    char text[64];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text - 1, d, std::chars_format::scientific);
    if (r.ec == std::errc()) {
      *r.ptr = '\0';
      const std::string_view shortest(text, static_cast<std::size_t>(r.ptr - text));
      const std::size_t e = shortest.find('e');
      int significant = 0;
      for (const char c : shortest.substr(0, e))
        if (c >= '0' && c <= '9') ++significant;
      const int exponent = e == std::string_view::npos ? 0 : std::atoi(shortest.data() + e + 1);
      int precision = significant;
      if (exponent >= 0) precision = std::max(precision, std::min(digits, exponent + 1));
      if (precision > 0 && precision < digits) return CFormat("%.*Lg", precision, x);
    }
  }
  return CFormat("%.*Lg", digits, x);
}

std::string FormatIntLeft(int value, int width) { return CFormat("%-*d", width, value); }

std::string FormatWithCommas(long long value) {
  const std::string plain = CFormat("%lld", value);
  // Group the digits only: a minus sign never takes a group's place.
  const std::size_t sign = plain[0] == '-' ? 1 : 0;
  const std::size_t digits = plain.size() - sign;
  if (digits < 4) return plain;
  std::string out = plain.substr(0, sign);
  for (std::size_t i = 0; i < digits; ++i) {
    if (i > 0 && (digits - i) % 3 == 0) out += ',';
    out += plain[sign + i];
  }
  return out;
}
