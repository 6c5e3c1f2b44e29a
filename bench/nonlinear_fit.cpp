// The non-linear engine: one Levenberg-Marquardt fit of a Gaussian peak (equation 2001) on
// 1000 scattered points with a little noise, from the catalogue's start values, as the fit
// run does it; and the evaluator alone with its five derivatives, the inner loop of every
// iteration.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "app/data_statistics.h"
#include "fit/fit_blocks.h"
#include "fit/fit_list.h"
#include "fit/levenberg_marquardt.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/nonlinear_start_values.h"

namespace {

PointTable PeakPoints(int n) {
  PointTable table = NewPointTable(n);
  std::uint64_t state = 20240611;
  auto uniform = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  };
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = table[static_cast<std::size_t>(i)];
    p.X = -5 + 10 * uniform();
    p.Y = -5 + 10 * uniform();
    const long double u = (p.X - 0.5L) / 1.2L, v = (p.Y + 0.7L) / 0.9L;
    p.Z = 5 * std::exp(-(u * u + v * v) / 2) + 0.01L * (uniform() - 0.5L);
    p.W = 1;
    p.Status = kPointActive;
  }
  return table;
}

void BM_MarquardtPeak1000(benchmark::State& state) {
  PointTable table = PeakPoints(1000);
  TDataStats stats;
  ComputeTableStatistics(table, stats);
  const TNonlinearEntry e = BuiltinNonlinearEntry(0);
  const TStartShape shape = StartShapeOf(stats);
  TNonlinearFitRequest rq;
  rq.equationNumber = 2001;
  rq.complexity = e.complexity;
  int iterations = 0;
  for (auto _ : state) {
    TFitList list;
    list.BeginRun();
    TFitRunContext ctx(table, stats, TFitSelection{}, DefaultFitOptions(), list);
    TMarquardtState st;
    InitMarquardtState(st, ctx.points, stats.WeightScale, stats.SSTotal);
    long double a[6] = {};
    int mode = 0;
    NonlinearStartValues(ctx.stats, e, a, shape, mode);
    const int added = FitNonlinearEquation(ctx, st, e.parameters, a, e.evaluator, rq);
    if (added != 1) state.SkipWithError("the peak was not fitted");
    iterations = list.At(1)->terms[1];
    benchmark::DoNotOptimize(a);
  }
  state.counters["iterations"] = iterations;
}
BENCHMARK(BM_MarquardtPeak1000)->Unit(benchmark::kMicrosecond);

void BM_PeakEvaluatorWithDerivatives(benchmark::State& state) {
  const TNonlinearEvaluator f = BuiltinNonlinearEntry(0).evaluator;
  long double a[6] = {0, 5, 0.5L, 1.2L, -0.7L, 0.9L};
  long double dz[6];
  long double x = -5;
  for (auto _ : state) {
    long double z;
    f(x, 0.3L, a, &z, dz);
    benchmark::DoNotOptimize(z);
    benchmark::DoNotOptimize(dz);
    x = x > 5 ? -5 : x + 0.01L;
  }
}
BENCHMARK(BM_PeakEvaluatorWithDerivatives);

}  // namespace

BENCHMARK_MAIN();
