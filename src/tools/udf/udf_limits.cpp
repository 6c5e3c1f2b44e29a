#include "tools/udf/udf_limits.h"

#include <cmath>
#include <string_view>

#include "app/c_format.h"
#include "app/data_statistics.h"
#include "app/data_table.h"
#include "app/long_double.h"
#include "expr/expr_types.h"
#include "expr/expression.h"
#include "expr/finite_differences.h"
#include "tools/udf/udf_record_codec.h"

namespace {

// One limit expression evaluated at once. Besides a math error, a trailing character the
// language does not know counts as a failure: "2;5" would otherwise be taken for 2.
long double EvalLimit(const std::array<char, kUdfExprTextSize>& text, bool& readsData) {
  ExprContext& ctx = ExprThreadContext();
  ctx.ClearErrors();
  const long double v = ExprParseAndRun(UdfFieldText(text));
  readsData = (ctx.ExprVarsUsed & kUsesDataStatistic) != 0;
  if (ctx.ExprMathError != 0 || ctx.ExprSyntaxCode != 0 || !std::isfinite(v) || IsMissingValue(v))
    return ExprErrorValue;
  return v;
}

// The sampled points: every point up to 25, else about 25 at the step 0.04 n, counted in
// single precision from 1 as the sampling always was.
template <typename F>
void ForEachSample(int n, F f) {
  const float step = n <= 25 ? 1.0f : 0.04f * static_cast<float>(n);
  for (float t = 1; t <= static_cast<float>(n); t += step) f(static_cast<int>(t));
}

constexpr long double kNearZero = static_cast<long double>(1e-12);
constexpr long double kNoExtreme = static_cast<long double>(1e30);

bool Usable(long double z, const ExprContext& ctx) {
  return ctx.ExprMathError == 0 && std::isfinite(z) && !IsMissingValue(z);
}

// The place value of the sixth significant digit of |v| (v not 0).
long double SixthDigitUnit(long double v) {
  return std::pow(10.0L, std::floor(std::log10(std::fabs(v))) - 5);
}

// Limits this far out bound nothing a user means (the defaults are -1e25 and 1e25).
constexpr long double kFarLimit = static_cast<long double>(9e24);

// The value just inside `limit` toward `inward` (+1 or -1): one unit of the sixth significant
// digit of the limit; of the span to the other limit when the limit is 0; of `start` (the
// value brought back) when the other limit is a far one too.
long double JustInside(long double limit, long double other, long double start, int inward) {
  const long double scale = limit != 0 ? limit : std::fabs(other) < kFarLimit ? other : start;
  if (scale == 0 || !std::isfinite(scale)) return limit;
  long double unit = SixthDigitUnit(scale);
  long double v = limit + inward * unit;
  // The unit of a limit of the form 1000... is a tenth too large on its smaller side.
  if (inward * limit < 0 && SixthDigitUnit(v) < unit) v = limit + inward * (unit /= 10);
  return v;
}

}  // namespace

bool UdfStartWithinLimits(long double lower, long double start, long double upper) {
  return lower < start && start < upper;
}

long double UdfStartInsideLimits(long double start, long double lower, long double upper) {
  if (UdfStartWithinLimits(lower, start, upper) || !(lower < upper)) return start;
  const long double v = start <= lower ? JustInside(lower, upper, start, +1) : JustInside(upper, lower, start, -1);
  if (UdfStartWithinLimits(lower, v, upper)) return v;
  return lower / 2 + upper / 2;
}

std::string UdfStartText(long double start, int digits, long double lower, long double upper) {
  // Read back as validation reads it; 21 digits give back every long double exactly.
  constexpr int kExactDigits = 21;
  std::string text;
  for (int d = digits; d <= kExactDigits; ++d) {
    text = CFormat("%.*Lg", d, start);
    const std::optional<long double> v = ExprEntryValue(text);
    if (!UdfStartWithinLimits(lower, start, upper) || (v && UdfStartWithinLimits(lower, *v, upper))) break;
  }
  return text;
}

void ParseUdfParams(int k) {
  if (TUdfRecord* r = UdfRecordAt(k)) ParseUdfParams(*r, k);
}

void ParseUdfParams(TUdfRecord& record, int k) {
  TUdfRecord* const r = &record;
  ExprContext& ctx = ExprThreadContext();
  // A limit that calls F1..F9 reaches this function's own lines.
  const TCurrentUdfScope udf(ctx, k);
  r->DataMask = 0;
  const int params = UdfClampedParamCount(*r);
  for (int i = 0; i < params; ++i) {
    const auto u = static_cast<std::size_t>(i);
    bool readsData = false;
    r->Lower[u] = EvalLimit(r->MinText[u], readsData);
    if (readsData) r->DataMask |= kUdfMaskAnyMinimum;
    r->Start[u] = EvalLimit(r->StartText[u], readsData);
    if (readsData) r->DataMask |= 1u << i;
    ctx.ExprVars.A(i) = r->Start[u];
    r->Upper[u] = EvalLimit(r->MaxText[u], readsData);
    if (readsData) r->DataMask |= kUdfMaskAnyMaximum;
  }
  for (int i = params; i < kUdfMaxParams; ++i) {
    const auto u = static_cast<std::size_t>(i);
    r->Lower[u] = kUdfDefaultLower;
    r->Start[u] = kUdfDefaultStart;
    r->Upper[u] = kUdfDefaultUpper;
  }
}

void ParseAllUdfParams() { ParseAllUdfParams(BoundUdfTable()); }

void ParseAllUdfParams(TUdfTable& table) {
  for (int k = 0; k < kUdfCount; ++k) {
    TUdfRecord* r = table[static_cast<std::size_t>(k)].get();
    if (r && r->DataMask != 0) ParseUdfParams(*r, k);
  }
}

int UdfDerivativeRanges(int k, int p, std::span<const TXYZPoint> table, long double zRange) {
  TUdfRecord* r = UdfRecordAt(k);
  if (!r) return -1;
  const int params = UdfClampedParamCount(*r);
  if (p < -1 || p >= params) return -1;
  const int first = p < 0 ? 0 : p;
  const int last = p < 0 ? params - 1 : p;

  ExprContext& ctx = ExprThreadContext();
  const TCurrentUdfScope udf(ctx, k);
  TExprVars& v = ctx.ExprVars;
  for (int i = 0; i < params; ++i) v.A(i) = r->Start[static_cast<std::size_t>(i)];
  const int slot = 10 * k;
  const int n = PointCount(table);

  for (int j = first; j <= last; ++j) {
    long double largest = -kNoExtreme;
    long double smallest = kNoExtreme;
    long double& cell = v.A(j);
    const long double start = cell;
    ForEachSample(n, [&](int index) {
      const TXYZPoint& pt = table[static_cast<std::size_t>(index)];
      if (std::fabs(pt.X) < kNearZero || std::fabs(pt.Y) < kNearZero) return;
      // A point whose coordinates are missing values is no place to measure anything.
      if (IsMissingValue(pt.X) || IsMissingValue(pt.Y) || !std::isfinite(pt.X) || !std::isfinite(pt.Y))
        return;
      v.X() = pt.X;
      v.Y() = pt.Y;
      v.Z() = pt.Z;
      v.W() = pt.W;
      // The central difference of the program's quotients (expr/finite_differences.h) at the
      // start value itself; a parameter has no range to scale its step by: the unit.
      const long double d = finite_differences::First(
          {start, 1},
          [&](long double h) {
            cell = start + h;
            const long double z = ExprRunSlot(ctx, slot);
            return Usable(z, ctx) ? z : ExprErrorValue;
          },
          finite_differences::Rounding::kLongDouble, finite_differences::TContextTrialGuard(ctx));
      cell = start;
      if (IsMissingValue(d) || !std::isfinite(d)) return;
      if (d > largest) largest = d;
      if (d < smallest) smallest = d;
    });
    if (largest == -kNoExtreme || smallest == kNoExtreme) largest = smallest = 0;
    r->DerivMax[static_cast<std::size_t>(j)] = largest;
    r->DerivMin[static_cast<std::size_t>(j)] = smallest;
  }

  for (int j = first; j <= last; ++j) {
    const auto u = static_cast<std::size_t>(j);
    const long double start = r->Start[u];
    const long double largest = r->DerivMax[u];
    const long double smallest = r->DerivMin[u];
    const bool additive = smallest > 0.999 && largest < 1.001;
    if (start != 0 && !additive && std::fabs(start * (largest - smallest)) < 0.001 * zRange) return j;
  }
  return -1;
}

