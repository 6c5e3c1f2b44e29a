#include "expr/random_numbers.h"

#include <array>
#include <charconv>
#include <cmath>

#include "app/data_statistics.h"
#include "app/long_double.h"
#include "expr/data_statistics_cells.h"
#include "expr/builtins.h"
#include "expr/interpreter.h"

namespace {

struct TRandomState {
  std::uint64_t state = 1;
  bool haveKept = false;
  long double kept = 0;
};

thread_local TRandomState t_random;

constexpr std::uint64_t kMultiplier = 0x015A4E35;
constexpr long double kOnePercent = static_cast<long double>(0.01);
constexpr long double kRandLargestRange = 10001;

}  // namespace

void ExprRandomSeed(std::uint64_t seed) {
  t_random.state = seed;
  t_random.haveKept = false;
}

std::uint32_t ExprRandomNext() {
  t_random.state = t_random.state * kMultiplier + 1;
  return static_cast<std::uint32_t>(t_random.state >> 32) & 0x7FFFFFFFu;
}

// The 20 digits are converted as a decimal text, so the fraction is the long double
// nearest to them. The few texts above 1 - 2^-65 would round to exactly 1; they give the
// largest long double below 1 instead, so that RANDOM stays below 1.
long double ExprRandomFraction() {
  std::array<char, 21> text{};
  text[0] = '.';
  for (int group = 0; group < 5; ++group) {
    std::uint32_t v = ExprRandomNext() % 10000;
    for (int d = 3; d >= 0; --d) {
      text[static_cast<std::size_t>(1 + 4 * group + d)] = static_cast<char>('0' + v % 10);
      v /= 10;
    }
  }
  long double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  if (value >= 1) value = std::nextafter(1.0L, 0.0L);
  return value;
}

long double ExprRandomGauss() {
  if (t_random.haveKept) {
    t_random.haveKept = false;
    return t_random.kept;
  }
  long double u = 0, v = 0, s = 0;
  do {
    u = 2 * ExprRandomFraction() - 1;
    v = 2 * ExprRandomFraction() - 1;
    s = u * u + v * v;
  } while (!(s > 0 && s < 1));
  const long double f = std::sqrt(-2 * std::log(s) / s);
  t_random.kept = u * f;
  t_random.haveKept = true;
  return v * f;
}

// n = x + 1 truncated (10001 above 10000); r mod n. The count is kept in long double until
// it is known to fit, so a huge negative x cannot overflow an integer. A NaN is no count:
// it fails with "80x87: Invalid Operand" (it once gave a number below 10001).
long double BuiltinRAND(ExprContext& ctx, const long double* a) {
  const long double x = a[0];
  if (std::isnan(x)) {
    ctx.SetError(kErrInvalidOperand);
    return 0;
  }
  const long double n = x <= 10000 ? std::trunc(x + 1) : kRandLargestRange;
  if (n == 0) return 0;
  const std::uint32_t r = ExprRandomNext();
  const long double m = std::fabs(n);
  if (m > 2147483647.0L) return r;  // r is below |n|: r mod n is r
  return static_cast<long double>(r % static_cast<std::uint32_t>(m));
}

long double BuiltinRANDOM(ExprContext&, const long double*) { return ExprRandomFraction(); }

long double BuiltinRANDGAUSS(ExprContext&, const long double*) { return ExprRandomGauss(); }

long double BuiltinNOISE(ExprContext& ctx, const long double* a) {
  // Without an active point the data have no Z range to scale the noise by.
  const long double range = ExprCheckedStatistic(ctx, ExprDataStats().Z.Range);
  if (IsMissingValue(range)) return 0;
  return (ExprRandomFraction() - 0.5L) * range * a[0] * kOnePercent;
}

long double BuiltinGNOISE(ExprContext& ctx, const long double* a) {
  // Noise scaled by a deviation the weights leave undefined is itself undefined, and fails
  // the statement as the deviation itself does.
  const long double sd = ExprCheckedStatistic(ctx, ExprDataStats().Z.StdDev);
  if (IsMissingValue(sd)) return 0;
  return ExprRandomGauss() * sd * a[0] * kOnePercent;
}
