#include "app/field_text.h"

#include <climits>
#include <cmath>

#include "app/number_scanner.h"

std::string_view TrimFieldText(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::optional<long double> ReadRealText(std::string_view text) {
  text = TrimFieldText(text);
  long double value = 0;
  if (!IsWholeDecimalNumber(text) || !ConvertDecimalNumber(text, value) || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<long> ReadIntegerText(std::string_view text) {
  text = TrimFieldText(text);
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++i;
  if (i == text.size()) return std::nullopt;
  // Accumulated as a negative number so that LONG_MIN fits; past the range it saturates.
  long v = 0;
  bool saturated = false;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    const int d = text[i] - '0';
    if (saturated || v < (LONG_MIN + d) / 10) {
      saturated = true;
      continue;
    }
    v = v * 10 - d;
  }
  if (saturated) return negative ? LONG_MIN : LONG_MAX;
  if (!negative) return v == LONG_MIN ? LONG_MAX : -v;
  return v;
}
