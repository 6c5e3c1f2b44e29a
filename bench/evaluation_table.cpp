// The evaluation table's computations on a fitted surface (the full cubic polynomial of the
// shared fitted session): one root search with its 104 candidate brackets and one over four
// whole decades, the root of one generated pair (mode 1: a plain bisection, the full search
// when that finds nothing), the volume over the data box, and whole generations into text: 128 x 128 values, and 16 x 16
// roots in X (half of them have none, so each costs a full search).
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "fitted_session.h"
#include "tools/data_generation.h"
#include "tools/evaluation_computations.h"

namespace {

using bench_fit::FittedSession;
using bench_fit::RankWhere;

// The cubic's side lives as long as the program: the surface refers to it.
const TFitSide& CubicSide() {
  static const TFitSide side = [] {
    const TSession& session = FittedSession();
    return *RefitRank(session, RankWhere(session, [](const TFitResult& f) { return f.equationNumber == 310; }),
                      kRefitCovariance);
  }();
  return side;
}

TEvalComputer Computer() {
  TEvalSurface s;
  s.z = [](long double x, long double y) { return EvalFitZ(CubicSide(), x, y); };
  s.xMin = -3, s.xMax = 3, s.yMin = -3, s.yMax = 3, s.zMin = 0.5L, s.zMax = 5.5L;
  return TEvalComputer(s);
}

void BM_RootSearchX_104Brackets(benchmark::State& state) {
  const TEvalComputer c = Computer();
  TRootCandidates list;
  for (auto _ : state) {
    c.RootSearchX(2.5L, 0.1L, -3, 3, list);
    benchmark::DoNotOptimize(list);
  }
}
BENCHMARK(BM_RootSearchX_104Brackets)->Unit(benchmark::kMicrosecond);

// A range of whole decades, 0.01 .. 100: the hundredths of its four decades and of the range
// (about 480 brackets), and the ten decades around it.
void BM_RootSearchX_FourWholeDecades(benchmark::State& state) {
  const TEvalComputer c = Computer();
  TRootCandidates list;
  for (auto _ : state) {
    c.RootSearchX(2.5L, 0.1L, 0.01L, 100, list);
    benchmark::DoNotOptimize(list);
  }
}
BENCHMARK(BM_RootSearchX_FourWholeDecades)->Unit(benchmark::kMicrosecond);

void BM_ComputeRootX(benchmark::State& state) {
  const TEvalComputer c = Computer();
  for (auto _ : state) {
    long double x = 0, y = 0.1L, z = 2.5L;
    c.Compute(x, y, z, kEvalRootX);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_ComputeRootX)->Unit(benchmark::kMicrosecond);

void BM_VolumeOverDataBox(benchmark::State& state) {
  const TEvalComputer c = Computer();
  for (auto _ : state) benchmark::DoNotOptimize(c.Volume(-3, 3, -3, 3));
}
BENCHMARK(BM_VolumeOverDataBox)->Unit(benchmark::kMillisecond);

void Generate(benchmark::State& state, int mode, const TGridInputs& grid) {
  const TEvalComputer c = Computer();
  std::string text;
  for (auto _ : state) {
    const TGenOutcome out = GenerateFileText(c, {}, mode, grid.list, text, nullptr);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(grid.list.size() - 1));
}

void BM_GenerateValues128x128(benchmark::State& state) {
  Generate(state, kEvalZ, MakeGridInputs(-3, 6.0L / 127, 3, -3, 6.0L / 127, 3));
}
BENCHMARK(BM_GenerateValues128x128)->Unit(benchmark::kMillisecond);

void BM_GenerateRootsX16x16(benchmark::State& state) {
  // Z from 0.5 to 5.5 over Y in [-3, 3]: the upper half of Z is beyond most of the surface.
  Generate(state, kEvalRootX, MakeGridInputs(0.5L, 5.0L / 15, 5.5L, -3, 6.0L / 15, 3));
}
BENCHMARK(BM_GenerateRootsX16x16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
