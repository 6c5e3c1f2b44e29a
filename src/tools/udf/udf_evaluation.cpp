#include "tools/udf/udf_evaluation.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/long_double.h"
#include "expr/expression.h"
#include "expr/finite_differences.h"

namespace {

template <int K>
long double EvalUdfSlot(long double x, long double y) {
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprVars.X() = x;
  ctx.ExprVars.Y() = y;
  return ExprRunSlot(ctx, 10 * K);
}

constexpr long double kNearZero = static_cast<long double>(1e-12);
constexpr long double kTinyCoordinate = static_cast<long double>(1e-25);
constexpr long double kFailedDerivative = static_cast<long double>(1e-30);

}  // namespace

long double EvalUdf1(long double x, long double y) { return EvalUdfSlot<0>(x, y); }
long double EvalUdf2(long double x, long double y) { return EvalUdfSlot<1>(x, y); }
long double EvalUdf3(long double x, long double y) { return EvalUdfSlot<2>(x, y); }
long double EvalUdf4(long double x, long double y) { return EvalUdfSlot<3>(x, y); }
long double EvalUdf5(long double x, long double y) { return EvalUdfSlot<4>(x, y); }
long double EvalUdf6(long double x, long double y) { return EvalUdfSlot<5>(x, y); }
long double EvalUdf7(long double x, long double y) { return EvalUdfSlot<6>(x, y); }
long double EvalUdf8(long double x, long double y) { return EvalUdfSlot<7>(x, y); }
long double EvalUdf9(long double x, long double y) { return EvalUdfSlot<8>(x, y); }
long double EvalUdf10(long double x, long double y) { return EvalUdfSlot<9>(x, y); }
long double EvalUdf11(long double x, long double y) { return EvalUdfSlot<10>(x, y); }
long double EvalUdf12(long double x, long double y) { return EvalUdfSlot<11>(x, y); }
long double EvalUdf13(long double x, long double y) { return EvalUdfSlot<12>(x, y); }
long double EvalUdf14(long double x, long double y) { return EvalUdfSlot<13>(x, y); }
long double EvalUdf15(long double x, long double y) { return EvalUdfSlot<14>(x, y); }

UdfValueCallback EvalUdfCallback(int k) {
  static constexpr std::array<UdfValueCallback, kUdfCount> kCallbacks = {
      EvalUdf1, EvalUdf2,  EvalUdf3,  EvalUdf4,  EvalUdf5,  EvalUdf6,  EvalUdf7, EvalUdf8,
      EvalUdf9, EvalUdf10, EvalUdf11, EvalUdf12, EvalUdf13, EvalUdf14, EvalUdf15};
  return k >= 0 && k < kUdfCount ? kCallbacks[static_cast<std::size_t>(k)] : nullptr;
}

int UdfIndexOfEquation(int equation) {
  const int k = equation - kUdfFirstEquation;
  return k >= 0 && k < kUdfCount ? k : -1;
}

int UdfDefinedCount() {
  int n = 0;
  for (const auto& r : BoundUdfTable()) n += r ? 1 : 0;
  return n;
}

int UdfRecordParamCount(const TUdfRecord& r) {
  return r.ParamCount >= 1 && r.ParamCount <= kUdfMaxParams ? r.ParamCount : 0;
}

int UdfFitParamCount(int k) {
  const TUdfRecord* r = UdfRecordAt(k);
  return r ? UdfRecordParamCount(*r) : 0;
}

bool UdfReadyToFit(int k) { return UdfFitParamCount(k) > 0 && UdfRecordAt(k)->Compiled != 0; }

long double UdfFitCoordinate(long double v) { return std::fabs(v) < kNearZero ? kTinyCoordinate : v; }

void UdfFitEvaluate(ExprContext& ctx, int k, long double x, long double y, const long double* a,
                    long double* z, long double* dz) {
  const int p = UdfFitParamCount(k);
  TExprVars& v = ctx.ExprVars;
  ctx.CurrentUdf = k;
  v.X() = UdfFitCoordinate(x);
  v.Y() = UdfFitCoordinate(y);
  for (int i = 1; i <= p; ++i) v.A(i - 1) = a[i];
  const int slot = 10 * k;
  *z = ExprRunSlot(ctx, slot);
  if (!dz) return;
  if (ctx.stopped) {
    // The caller's question said no (the run is being stopped): the value has no slopes,
    // and running the function p more times would only ask again.
    std::fill(dz + 1, dz + p + 1, kFailedDerivative);
    return;
  }
  for (int i = 1; i <= p; ++i) {
    long double& cell = v.A(i - 1);
    const long double ai = cell;
    // A parameter has no range to scale its step by: the unit.
    const long double d = finite_differences::Forward(
        {ai, 1}, *z,
        [&](long double h) {
          cell = ai + h;
          return ExprRunSlot(ctx, slot);
        },
        finite_differences::Rounding::kLongDouble, finite_differences::TContextTrialGuard(ctx));
    // A shifted run that gives no value has no slope to offer: the tiny derivative keeps
    // the curvature finite, as a math error does.
    dz[i] = IsMissingValue(d) || !std::isfinite(d) ? kFailedDerivative : d;
    // The parameter is put back exactly, not by subtracting h again.
    cell = ai;
  }
}

void UdfFitEvaluate(int k, long double x, long double y, const long double* a, long double* z,
                    long double* dz) {
  UdfFitEvaluate(ExprThreadContext(), k, x, y, a, z, dz);
}

bool UdfParamsOutOfLimits(int k, const long double* a) {
  const TUdfRecord* r = UdfRecordAt(k);
  return r && UdfParamsOutOfLimits(*r, a);
}

bool UdfParamsOutOfLimits(const TUdfRecord& r, const long double* a) {
  const int p = UdfRecordParamCount(r);
  for (int i = 1; i <= p; ++i) {
    const auto u = static_cast<std::size_t>(i - 1);
    // A limit whose expression failed holds the missing value, which bounds nothing.
    const long double lower = r.Lower[u];
    const long double upper = r.Upper[u];
    if ((!IsMissingValue(lower) && a[i] < lower) || (!IsMissingValue(upper) && a[i] > upper)) return true;
  }
  return false;
}
