// The surface of the current fit over a 120 x 120 grid, as a graph evaluates it: EvalFitZ for
// a linear fit (the full cubic polynomial), a rational fit, a term-subset fit of 8 terms and
// a non-linear fit (a Gaussian peak), and the confidence limit of the linear fit. Each
// iteration evaluates the 14400 grid points once.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/data_statistics.h"
#include "fit/confidence_limits.h"
#include "fit/fit_blocks.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_list.h"
#include "fit/fit_refit.h"
#include "fit/fit_results.h"
#include "fit/fit_run.h"
#include "fit/session.h"

namespace {

constexpr int kGrid = 120;

// A smooth positive surface with a peak on 30 x 30 points over [-3, 3]², fitted by the
// selected families and published as the session's fit list.
void Fit(TSession& session) {
  PointTable t = NewPointTable(900);
  int i = 1;
  for (int a = 0; a < 30; ++a)
    for (int b = 0; b < 30; ++b, ++i) {
      TXYZPoint& p = t[static_cast<std::size_t>(i)];
      p.X = -3 + 6.0L * a / 29;
      p.Y = -3 + 6.0L * b / 29;
      p.Z = 1 + 4 * std::exp(-0.5L * ((p.X - 0.3L) * (p.X - 0.3L) + (p.Y + 0.2L) * (p.Y + 0.2L))) +
            0.05L * p.X;
      p.W = 1;
      p.Status = kPointActive;
    }
  ComputeTableStatistics(t, session.DataStats);
  session.DataStats.DistinctY = CountTableDistinctY(t);
  session.DataStats.DistinctX = CountTableDistinctX(t);
  if (!session.Table.ReplaceDataTable(t)) std::abort();
  session.Table.SetXYZRows(900);
  TFitSelection sel;
  sel.polynomialMask = kPolyX | kPolyY;
  sel.rationalMask = kRatX | kRatY;
  sel.subsetMask = kSubsetZ;
  sel.nonlinear[0] = 1;  // the Gaussian peak, equation 2001
  TFitRunOutcome outcome;
  TFitRunContext ctx(session.Table.XYZData(), session.DataStats, sel, DefaultFitOptions(),
                     outcome.list);
  CountFitRun(ctx);
  if (RunFitFamilies(ctx) <= 0) std::abort();
  outcome.products = FitRunProductsOf(ctx);
  PublishFitResults(session, std::move(outcome));
}

// The one fitted session of every benchmark here.
const TSession& FittedSession() {
  static TSession* const session = [] {
    auto* s = new TSession;
    Fit(*s);
    return s;
  }();
  return *session;
}

// The rank of the first fit of the session's list that `wanted` accepts.
template <typename Wanted>
int RankWhere(const TSession& session, Wanted wanted) {
  for (int r = 1; r <= session.FitList.Count(); ++r)
    if (wanted(*session.FitList.At(r))) return r;
  std::fprintf(stderr, "no such fit\n");
  std::abort();
}

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

}  // namespace

BENCHMARK_MAIN();
