// The surface of the current fit over a 120 x 120 grid, as a graph evaluates it: EvalFitZ for
// a linear fit (the full cubic polynomial), a rational fit, a term-subset fit of 8 terms and
// a non-linear fit (a Gaussian peak), the confidence limit of the linear fit, and the
// review's derivative surfaces (dz/dx, d²z/dx², d²z/dxdy) of the cubic and the peak. Each
// iteration evaluates the 14400 grid points once.
#include <benchmark/benchmark.h>

#include <cmath>
#include <optional>

#include "fit/confidence_limits.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "fit/session.h"
#include "fitted_session.h"

namespace {

constexpr int kGrid = 120;
using bench_fit::FittedSession;
using bench_fit::RankWhere;

template <typename Wanted, typename Surface>
void EvaluateGrid(benchmark::State& state, Wanted wanted, Surface surface, int mode) {
  const TSession& session = FittedSession();
  const std::optional<TFitSide> fit = RefitRank(session, RankWhere(session, wanted), mode);
  for (auto _ : state) {
    long double sum = 0;
    for (int a = 0; a < kGrid; ++a) {
      const long double x = -3 + 6.0L * a / (kGrid - 1);
      for (int b = 0; b < kGrid; ++b) sum += surface(*fit, x, -3 + 6.0L * b / (kGrid - 1));
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kGrid * kGrid);
}

void BM_EvalFitZ_FullCubic(benchmark::State& state) {
  EvaluateGrid(state, [](const TFitResult& f) { return f.equationNumber == 310; }, EvalFitZ, 0);
}
BENCHMARK(BM_EvalFitZ_FullCubic)->Unit(benchmark::kMicrosecond);

void BM_EvalFitZ_Rational(benchmark::State& state) {
  EvaluateGrid(
      state, [](const TFitResult& f) { return f.equationNumber >= 1000 && f.equationNumber < 1400; },
      EvalFitZ, 0);
}
BENCHMARK(BM_EvalFitZ_Rational)->Unit(benchmark::kMicrosecond);

void BM_EvalFitZ_TermSubset8(benchmark::State& state) {
  EvaluateGrid(
      state, [](const TFitResult& f) { return f.equationNumber > 3000 && f.m == 8; }, EvalFitZ, 0);
}
BENCHMARK(BM_EvalFitZ_TermSubset8)->Unit(benchmark::kMicrosecond);

void BM_EvalFitZ_GaussianPeak(benchmark::State& state) {
  EvaluateGrid(state, [](const TFitResult& f) { return f.equationNumber == 2001; }, EvalFitZ, 0);
}
BENCHMARK(BM_EvalFitZ_GaussianPeak)->Unit(benchmark::kMicrosecond);

void BM_ConfidenceLimit_FullCubic(benchmark::State& state) {
  EvaluateGrid(
      state, [](const TFitResult& f) { return f.equationNumber == 310; },
      [](const TFitSide& fit, long double x, long double y) { return ConfidenceLimit(fit, x, y, 0); },
      kRefitCovariance);
}
BENCHMARK(BM_ConfidenceLimit_FullCubic)->Unit(benchmark::kMicrosecond);

bool IsFullCubic(const TFitResult& f) { return f.equationNumber == 310; }
bool IsGaussianPeak(const TFitResult& f) { return f.equationNumber == 2001; }

void BM_FitDzDx_FullCubic(benchmark::State& state) { EvaluateGrid(state, IsFullCubic, FitDzDx, 0); }
BENCHMARK(BM_FitDzDx_FullCubic)->Unit(benchmark::kMicrosecond);

void BM_FitD2zDx2_FullCubic(benchmark::State& state) { EvaluateGrid(state, IsFullCubic, FitD2zDx2, 0); }
BENCHMARK(BM_FitD2zDx2_FullCubic)->Unit(benchmark::kMicrosecond);

void BM_FitD2zDxDy_FullCubic(benchmark::State& state) { EvaluateGrid(state, IsFullCubic, FitD2zDxDy, 0); }
BENCHMARK(BM_FitD2zDxDy_FullCubic)->Unit(benchmark::kMicrosecond);

void BM_FitD2zDx2_GaussianPeak(benchmark::State& state) { EvaluateGrid(state, IsGaussianPeak, FitD2zDx2, 0); }
BENCHMARK(BM_FitD2zDx2_GaussianPeak)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
