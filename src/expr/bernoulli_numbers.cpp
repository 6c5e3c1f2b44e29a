#include "expr/bernoulli_numbers.h"

#include <cmath>
#include <numbers>

#include "app/byte_codec.h"
#include "expr/builtins.h"
#include "expr/interpreter.h"
#include "expr/program_table_file.h"
#include "expr/special_functions.h"

namespace {

TProgramTableFile<TBernoulliTable>& TableFile() {
  static TProgramTableFile<TBernoulliTable> file(kBernoulliTableName, kBernoulliTableBytes, DecodeBernoulliTable);
  return file;
}

const TBernoulliTable* LoadTable(ExprContext& ctx) {
  const int loaded = TableFile().Load();
  const TBernoulliTable* table = loaded >= 0 ? TableFile().Get() : nullptr;
  if (!table) ctx.SetError(loaded == -2 ? int{kErrInsufficientMemory} : int{kErrBernoulliTableMissing});
  return table;
}

// zeta(n) = sum of 1/j^n, until a term changes the sum by less than EPS of it.
long double Zeta(long double n) {
  long double sum = 1;
  for (int j = 2; j <= 9999; ++j) {
    const long double term = std::pow(static_cast<long double>(j), -n);
    const long double previous = sum;
    sum += term;
    if (std::fabs(sum - previous) < std::fabs(previous) * kExprSeriesEps) break;
  }
  return sum;
}

}  // namespace

std::vector<std::uint8_t> EncodeBernoulliTable(const TBernoulliTable& table) {
  bytes::ByteWriter w;
  for (const long double b : table) w.Extended(b);
  return w.Take();
}

bool DecodeBernoulliTable(std::span<const std::uint8_t> data, TBernoulliTable& table) {
  if (data.size() < kBernoulliTableBytes) return false;
  bytes::ByteReader r(data.first(kBernoulliTableBytes));
  for (long double& b : table) b = r.Extended();
  return r.Ok();
}

long double BernoulliNumber(ExprContext& ctx, long double n) {
  if (n != std::trunc(n)) {  // also a NaN
    ctx.SetError(kErrBernoulliInteger);
    return 0;
  }
  if (n < 0) {
    ctx.SetError(kErrBernoulliNegative);
    return 0;
  }
  if (n > kBernoulliLargestIndex) {
    ctx.SetError(kErrBernoulliOverflow);
    return 0;
  }
  const int k = static_cast<int>(n);
  if (k == 0) return 1;
  if (k == 1) return -0.5L;
  if (k % 2 == 1) return 0;
  if (k <= kBernoulliTableLastIndex) {
    const TBernoulliTable* table = LoadTable(ctx);
    return table ? (*table)[static_cast<std::size_t>(k / 2)] : 0;
  }
  constexpr long double kTwoPi = 2 * std::numbers::pi_v<long double>;
  const long double b = 2 * ExprFactorial(ctx, n) / std::pow(kTwoPi, n) * Zeta(n);
  return (k / 2) % 2 == 0 ? -b : b;
}

void BernoulliTableFree() { TableFile().Free(); }

void BernoulliTableUseFile(const std::filesystem::path& file) { TableFile().UseFile(file); }

long double BuiltinB0(ExprContext& ctx, const long double* a) { return BernoulliNumber(ctx, a[0]); }
