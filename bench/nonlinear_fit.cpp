// The non-linear engine: one Levenberg-Marquardt fit of a Gaussian peak (equations 2001 and
// 2002) on 1000 or 16384 scattered points with a little noise, from the catalogue's start
// values, as the fit run does it, its point loop on one thread or shared among four as a fit
// alone shares it, and on weighted points; a power product on map coordinates that crawls to its
// iteration limit; and the evaluator alone with its five derivatives, the inner loop of every
// iteration. bench/scipy_peak_fit.py fits the same data with SciPy.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/data_statistics.h"
#include "fit/badly_scaled_tables.h"
#include "fit/fit_blocks.h"
#include "fit/fit_list.h"
#include "fit/levenberg_marquardt.h"
#include "fit/nonlinear_catalogue.h"
#include "fit/nonlinear_start_values.h"

namespace {

// n scattered points of the peak with a little noise; `weighted`: with weights in 0.5..1.5
// (drawn after the rest, so that the points are the same either way).
PointTable PeakPoints(int n, bool weighted = false) {
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
  if (weighted)
    for (int i = 1; i <= n; ++i) table[static_cast<std::size_t>(i)].W = 0.5L + uniform();
  return table;
}

// One fit of `equation` on `table` from the catalogue's start values, the point loop shared
// with `helpers`, as the fit run does it (its run context, list and point table made for the
// fit); false when the peak was not fitted.
struct TPeakFit {
  int iterations = 0;
  long double sse = 0;
  std::vector<long double> parameters;
};
bool FitPeakOnce(const PointTable& table, const TDataStats& stats, int equation, TBlockHelpers& helpers,
                 TPeakFit& out) {
  const TNonlinearEntry e = BuiltinNonlinearEntry(NonlinearIndexOfEquation(equation));
  TNonlinearFitRequest rq;
  rq.equationNumber = equation;
  rq.complexity = e.complexity;
  TFitList list;
  if (!list.BeginRun()) std::abort();
  TFitRunContext ctx(table, stats, TFitSelection{}, DefaultFitOptions(), list);
  TMarquardtState st;
  if (!InitMarquardtState(st, ctx.points, stats.WeightScale, stats.SSTotal)) std::abort();
  st.helpers = &helpers;
  long double a[kMaxNonlinearParameters + 1] = {};
  int mode = 0;
  if (!NonlinearStartValues(ctx.stats, e, a, StartShapeOf(stats), mode)) std::abort();
  if (FitNonlinearEquation(ctx, st, e.parameters, a, e.evaluator, rq) != 1) return false;
  out.iterations = list.At(1)->terms[1];
  out.sse = list.At(1)->sse;
  out.parameters = list.At(1)->parameters;
  benchmark::DoNotOptimize(a);
  return true;
}

// One fit of equation range(0) on range(1) points, the point loop on range(2) threads; with
// `weighted`, on weighted points (the sums then form each point's weighted derivatives).
void MarquardtPeak(benchmark::State& state, bool weighted) {
  const int equation = static_cast<int>(state.range(0));
  PointTable table = PeakPoints(static_cast<int>(state.range(1)), weighted);
  TDataStats stats;
  ComputeTableStatistics(table, stats);
  TPeakFit fit;
  TBlockHelperThreads helpers(static_cast<unsigned>(state.range(2)));
  for (auto _ : state)
    if (!FitPeakOnce(table, stats, equation, helpers.helpers, fit)) state.SkipWithError("the peak was not fitted");
  state.counters["iterations"] = fit.iterations;
  state.counters["sse"] = static_cast<double>(fit.sse);
}
void BM_MarquardtPeak(benchmark::State& state) { MarquardtPeak(state, false); }
void BM_MarquardtPeakWeighted(benchmark::State& state) { MarquardtPeak(state, true); }
// 2001: the Gaussian product (5 parameters); 2002: the Gaussian peak with an offset (6).
BENCHMARK(BM_MarquardtPeak)
    ->ArgNames({"eqn", "n", "threads"})
    ->Args({2001, 1000, 1})
    ->Args({2002, 1000, 1})
    ->Args({2002, 1000, 4})
    ->Args({2002, 16384, 1})
    ->Args({2002, 16384, 4})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MarquardtPeakWeighted)
    ->ArgNames({"eqn", "n", "threads"})
    ->Args({2002, 16384, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// The power product z=POWX(a,b)*POWY(1,c) on 300 points of map coordinates
// (tests/fit/badly_scaled_tables.h), from the catalogue's start values, the abandon test off:
// a fit whose valley the amplitude bends over a hundred orders of magnitude. It crawls to
// its iteration limit and says so (it stopped after 12 iterations as converged, far from its
// minimum, when small changes alone ended a fit).
void BM_MarquardtMapPower(benchmark::State& state) {
  PointTable table = badly_scaled::Tables()[0].points;
  TDataStats stats;
  ComputeTableStatistics(table, stats);
  constexpr int kEquation = 2157;
  const TNonlinearEntry e = BuiltinNonlinearEntry(NonlinearIndexOfEquation(kEquation));
  TNonlinearFitRequest rq;
  rq.equationNumber = kEquation;
  rq.complexity = e.complexity;
  rq.checkIteration = 0;
  int iterations = 0, converged = 0;
  long double r2 = 0;
  for (auto _ : state) {
    TFitList list;
    if (!list.BeginRun()) std::abort();
    TFitRunContext ctx(table, stats, TFitSelection{}, DefaultFitOptions(), list);
    TMarquardtState st;
    if (!InitMarquardtState(st, MakeFitPointTable(ctx.points, stats.WeightScale, true), stats.SSTotal)) std::abort();
    long double a[kMaxNonlinearParameters + 1] = {};
    int mode = 0;
    if (!NonlinearStartValues(ctx.stats, e, a, StartShapeOf(stats), mode)) std::abort();
    if (FitNonlinearEquation(ctx, st, e.parameters, a, {e.evaluator, e.pointEvaluator}, rq) != 1) {
      state.SkipWithError("the power product was not listed");
      break;
    }
    iterations = list.At(1)->terms[1];
    converged = list.At(1)->converged ? 1 : 0;
    r2 = list.At(1)->r2;
  }
  state.counters["iterations"] = iterations;
  state.counters["converged"] = converged;
  state.counters["r2"] = static_cast<double>(r2);
}
BENCHMARK(BM_MarquardtMapPower)->Unit(benchmark::kMicrosecond);

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

// With ONDRAVIK_PEAK_DUMP=FILE the program writes, instead of benchmarking, the data and
// catalogue start values of equation ONDRAVIK_PEAK_EQN (2002 by default) on
// ONDRAVIK_PEAK_N points (1000) to FILE: a line "start a1 .. ap", then "x y z" per point,
// at full precision, for the SciPy comparison.
int EnvInt(const char* name, int otherwise) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : otherwise;
}

int DumpPeakData(const char* path) {
  const int equation = EnvInt("ONDRAVIK_PEAK_EQN", 2002);
  PointTable table = PeakPoints(EnvInt("ONDRAVIK_PEAK_N", 1000));
  TDataStats stats;
  ComputeTableStatistics(table, stats);
  const TNonlinearEntry e = BuiltinNonlinearEntry(NonlinearIndexOfEquation(equation));
  if (e.evaluator == nullptr) return 2;
  long double a[kMaxNonlinearParameters + 1] = {};
  int mode = 0;
  if (!NonlinearStartValues(stats, e, a, StartShapeOf(stats), mode)) std::abort();
  std::FILE* out = std::fopen(path, "w");
  if (out == nullptr) return 1;
  std::fprintf(out, "start");
  for (int j = 1; j <= e.parameters; ++j) std::fprintf(out, " %.21Lg", a[j]);
  std::fprintf(out, "\n");
  for (int i = 1; i <= PointCount(table); ++i) {
    const TXYZPoint& p = table[static_cast<std::size_t>(i)];
    std::fprintf(out, "%.21Lg %.21Lg %.21Lg\n", p.X, p.Y, p.Z);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}

// With ONDRAVIK_PEAK_FITS=F the program fits the peak F times as the benchmark does (equation
// ONDRAVIK_PEAK_EQN, 2002 by default, on ONDRAVIK_PEAK_N points, 1000, its point loop on
// ONDRAVIK_PEAK_THREADS threads, 1), prints the last fit's iterations, SSE and parameters and
// exits: the whole process can be timed from outside (/usr/bin/time) beside
// scipy_peak_fit.py --fits F, whose process makes as many fits of the same data with SciPy.
int FitPeakRepeatedly(int fits) {
  const int equation = EnvInt("ONDRAVIK_PEAK_EQN", 2002);
  PointTable table = PeakPoints(EnvInt("ONDRAVIK_PEAK_N", 1000));
  TDataStats stats;
  ComputeTableStatistics(table, stats);
  TBlockHelperThreads helpers(static_cast<unsigned>(EnvInt("ONDRAVIK_PEAK_THREADS", 1)));
  TPeakFit fit;
  for (int i = 0; i < fits; ++i)
    if (!FitPeakOnce(table, stats, equation, helpers.helpers, fit)) return 1;
  std::printf("fits %d iterations %d sse %.21Lg parameters", fits, fit.iterations, fit.sse);
  for (const long double v : fit.parameters) std::printf(" %.21Lg", v);
  std::printf("\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* dump = std::getenv("ONDRAVIK_PEAK_DUMP")) return DumpPeakData(dump);
  if (std::getenv("ONDRAVIK_PEAK_FITS")) return FitPeakRepeatedly(EnvInt("ONDRAVIK_PEAK_FITS", 0));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
