#include "expr/bernoulli_numbers.h"

#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <numbers>

#include "app/byte_codec.h"
#include "app/file_utils.h"
#include "expr/builtins.h"
#include "expr/interpreter.h"
#include "expr/program_files.h"
#include "expr/special_functions.h"

namespace {

// The loaded table, published once it is complete; readers take it without a lock.
std::atomic<const TBernoulliTable*> g_table{nullptr};
// Guards loading, freeing and the file name.
std::mutex g_loadMutex;
std::unique_ptr<TBernoulliTable> g_owner;
std::filesystem::path g_fileOverride;

const TBernoulliTable* LoadTable(ExprContext& ctx) {
  if (const TBernoulliTable* t = g_table.load(std::memory_order_acquire)) return t;
  std::lock_guard lock(g_loadMutex);
  if (const TBernoulliTable* t = g_table.load(std::memory_order_relaxed)) return t;

  const std::filesystem::path file =
      g_fileOverride.empty() ? ExprProgramFile(kBernoulliTableName) : g_fileOverride;
  std::array<std::uint8_t, kBernoulliTableBytes> bytes{};
  std::size_t got = 0;
  if (FilePtr f = FOpenOem(file, "rb")) got = std::fread(bytes.data(), 1, bytes.size(), f.get());
  // A short file would leave entries undefined: it is refused like a missing one.
  if (got < kBernoulliTableBytes) {
    ctx.SetError(kErrBernoulliTableMissing);
    return nullptr;
  }
  std::unique_ptr<TBernoulliTable> table;
  try {
    table = std::make_unique<TBernoulliTable>();
  } catch (const std::bad_alloc&) {
    ctx.SetError(kErrInsufficientMemory);
    return nullptr;
  }
  DecodeBernoulliTable(bytes, *table);
  g_owner = std::move(table);
  g_table.store(g_owner.get(), std::memory_order_release);
  return g_owner.get();
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

void BernoulliTableFree() {
  std::lock_guard lock(g_loadMutex);
  g_table.store(nullptr, std::memory_order_release);
  g_owner.reset();
}

void BernoulliTableUseFile(const std::filesystem::path& file) {
  std::lock_guard lock(g_loadMutex);
  g_fileOverride = file;
  g_table.store(nullptr, std::memory_order_release);
  g_owner.reset();
}

long double BuiltinB0(ExprContext& ctx, const long double* a) { return BernoulliNumber(ctx, a[0]); }
