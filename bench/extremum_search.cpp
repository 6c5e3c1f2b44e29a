// The lowest and highest point of the current fit's surface over the data rectangle, as a
// change of rank in the review finds them (the refit's surface step without the volume): a
// full cubic polynomial, a rational fit, a term-subset fit of 8 terms and a Gaussian peak.
// Each iteration finds both extremes of one fit once.
#include <benchmark/benchmark.h>

#include <optional>

#include "fit/extremum_search.h"
#include "fit/fit_refit.h"
#include "fit/session.h"
#include "fitted_session.h"

namespace {

using bench_fit::FittedSession;
using bench_fit::RankWhere;

template <typename Wanted>
void FindExtremes(benchmark::State& state, Wanted wanted) {
  const TSession& session = FittedSession();
  const std::optional<TFitSide> fit = RefitRank(session, RankWhere(session, wanted), kRefitCovariance);
  for (auto _ : state) {
    const TSurfaceExtremes e = FindSurfaceExtremes(*fit, session.DataStats);
    benchmark::DoNotOptimize(e.low[2] + e.high[2]);
  }
}

void BM_Extremes_FullCubic(benchmark::State& state) {
  FindExtremes(state, [](const TFitResult& f) { return f.equationNumber == 310; });
}
BENCHMARK(BM_Extremes_FullCubic)->Unit(benchmark::kMillisecond);

void BM_Extremes_Rational(benchmark::State& state) {
  FindExtremes(state, [](const TFitResult& f) { return f.equationNumber >= 1000 && f.equationNumber < 2000; });
}
BENCHMARK(BM_Extremes_Rational)->Unit(benchmark::kMillisecond);

void BM_Extremes_TermSubset8(benchmark::State& state) {
  FindExtremes(state, [](const TFitResult& f) { return f.equationNumber >= 3000 && f.m == 8; });
}
BENCHMARK(BM_Extremes_TermSubset8)->Unit(benchmark::kMillisecond);

void BM_Extremes_GaussianPeak(benchmark::State& state) {
  FindExtremes(state, [](const TFitResult& f) { return f.equationNumber == 2001; });
}
BENCHMARK(BM_Extremes_GaussianPeak)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
