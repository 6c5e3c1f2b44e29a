#include "review/equation_search.h"

#include <array>
#include <limits>

#include "app/field_text.h"

namespace {

struct TNumberRange {
  long long first, last;
};

// The equation numbers of every built-in family, as the fitters number them.
constexpr std::array<TNumberRange, 18> kBuiltinRanges = {{
    {1, 225},        // additive polynomials
    {301, 318},      // full quadratic and cubic polynomials
    {401, 409},      // Chebyshev polynomials in x, y
    {421, 429},      // ... ln x, y
    {441, 449},      // ... x, ln y
    {461, 469},      // ... ln x, ln y
    {501, 510},      // simple Fourier series, 1 to 10 harmonics
    {521, 524},      // bivariate Fourier series
    {531, 539},      // cosine series
    {601, 609},      // sigmoid series
    {1001, 1256},    // rationals
    {1301, 1304},    // full quadratic rationals
    {1401, 1410},    // Chebyshev rationals in x, y
    {1421, 1430},    // ... ln x, y
    {1441, 1450},    // ... x, ln y
    {1461, 1470},    // ... ln x, ln y
    {2001, 2172},    // built-in non-linear equations with the four robust planes
    {3001, 453690714},  // term-subset equations
}};

}  // namespace

bool IsBuiltinEquationNumber(long long number) {
  for (const TNumberRange& r : kBuiltinRanges)
    if (number >= r.first && number <= r.last) return true;
  return false;
}

std::optional<int> ReadEquationEntry(std::string_view text) {
  const std::optional<long> v = ReadIntegerText(text);
  if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(*v);
}
