// The hot paths of a user-defined function: the fit's evaluation with forward-difference
// derivatives (p + 1 runs of the slot per point), the graph callback, and the derivative
// ranges measured after every change of a start value in the adjust windows.
#include <cstdlib>
#include <benchmark/benchmark.h>

#include <cstring>

#include "app/xyz_point.h"
#include "expr/expression.h"
#include "expr/udf_record.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_limits.h"

namespace {

constexpr int kUdf = 4;

// A four-parameter Gaussian ridge with a sub-function, as users write them.
void Prepare() {
  ExprStartUp();
  if (AllocUdf(kUdf) != 1) std::abort();
  TUdfRecord& r = *UdfRecordAt(kUdf);
  const char* text = "F1=(X-A2)^2+(Y-A2)^2\r\nZ=A0+A1*EXP(-F1/A3)\r\n";
  std::strncpy(r.Text.data(), text, r.Text.size() - 1);
  r.ParamCount = 4;
  const char* starts[] = {"1", "2", "0.5", "3"};
  for (std::size_t i = 0; i < 4; ++i) {
    std::strcpy(r.MinText[i].data(), "-100");
    std::strcpy(r.StartText[i].data(), starts[i]);
    std::strcpy(r.MaxText[i].data(), "100");
  }
  ParseUdfParams(kUdf);
  ExprThreadContext().CurrentUdf = kUdf;
  if (UdfLoad(kUdf) != 1) std::abort();
}

void BM_UdfFitEvaluateWithDerivatives(benchmark::State& state) {
  Prepare();
  const long double a[] = {0, 1, 2, 0.5L, 3};
  long double z = 0;
  long double dz[5] = {};
  ExprContext& ctx = ExprThreadContext();
  long double x = 0.1L;
  for (auto _ : state) {
    UdfFitEvaluate(ctx, kUdf, x, 0.7L, a, &z, dz);
    x += 1e-6L;
    benchmark::DoNotOptimize(z);
    benchmark::DoNotOptimize(dz[4]);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UdfFitEvaluateWithDerivatives);

void BM_EvalUdfCallback(benchmark::State& state) {
  Prepare();
  const UdfValueCallback f = EvalUdfCallback(kUdf);
  long double x = 0.1L;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(x, 0.7L));
    x += 1e-6L;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvalUdfCallback);

void BM_UdfDerivativeRanges(benchmark::State& state) {
  Prepare();
  const int n = static_cast<int>(state.range(0));
  PointTable t = NewPointTable(n);
  for (int i = 1; i <= n; ++i) {
    t[static_cast<std::size_t>(i)].X = 0.01L * i;
    t[static_cast<std::size_t>(i)].Y = 0.02L * i;
    t[static_cast<std::size_t>(i)].W = 1;
  }
  for (auto _ : state) benchmark::DoNotOptimize(UdfDerivativeRanges(kUdf, -1, t, 10));
}
BENCHMARK(BM_UdfDerivativeRanges)->Arg(25)->Arg(16384);

}  // namespace

BENCHMARK_MAIN();
