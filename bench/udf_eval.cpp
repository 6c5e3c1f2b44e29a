// The hot paths of a user-defined function: the fit's evaluation with forward-difference
// derivatives (p + 1 runs of the slot per point), a whole fit of the function to 400 points
// made from it (one thread), the graph callback, and the derivative ranges measured after
// every change of a start value in the adjust windows.
#include <cmath>
#include <cstdlib>
#include <benchmark/benchmark.h>

#include <cstring>

#include "app/data_statistics.h"
#include "app/xyz_point.h"
#include "expr/expression.h"
#include "expr/udf_record.h"
#include "fit/fit_blocks.h"
#include "fit/levenberg_marquardt.h"
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

void BM_UdfFitGaussianRidge(benchmark::State& state) {
  Prepare();
  PointTable t = NewPointTable(400);
  for (int i = 0; i < 400; ++i) {
    const long double x = 0.25L * (i % 20) - 2, y = 0.25L * (i / 20) - 2;
    const long double f1 = (x - 0.5L) * (x - 0.5L) + (y - 0.5L) * (y - 0.5L);
    t[static_cast<std::size_t>(i + 1)] = {.X = x, .Y = y, .Z = 1 + 2 * std::exp(-f1 / 3), .W = 1, .Status = kPointActive};
  }
  TDataStats stats;
  ComputeTableStatistics(t, stats);
  const TFitOptions options = DefaultFitOptions();
  TUdfRecord& r = *UdfRecordAt(kUdf);
  for (auto _ : state) {
    r.Start = {0.8L, 1.5L, 0.2L, 2.5L};
    benchmark::DoNotOptimize(FitUserFunction(kUdf, t, stats, options, 1));
  }
  if (std::fabs(r.Start[1] - 2) > 1e-9L) state.SkipWithError("the fit did not recover the ridge");
}
BENCHMARK(BM_UdfFitGaussianRidge)->Unit(benchmark::kMillisecond);

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
