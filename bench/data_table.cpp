// The statistics pass and the sorts of the XYZ data table on a full table of 16384 points.
#include <cstdlib>
#include <benchmark/benchmark.h>

#include <cstdint>

#include "app/data_sort.h"
#include "app/data_statistics.h"
#include "app/data_table.h"

namespace {

constexpr int kPoints = kXYZMaxPoints;

// Scattered points with some replicates, from a fixed linear congruential sequence.
PointTable ScatteredTable() {
  PointTable t = NewPointTable(kPoints);
  std::uint32_t s = 12345;
  auto next = [&s] {
    s = s * 1664525u + 1013904223u;
    return static_cast<long double>(s >> 8) / (1u << 24);
  };
  for (int i = 1; i <= kPoints; ++i) {
    t[i].X = static_cast<int>(next() * 200) * 0.05L;
    t[i].Y = static_cast<int>(next() * 200) * 0.05L;
    t[i].Z = t[i].X * t[i].Y + next();
    t[i].W = 1;
    t[i].Status = kPointActive;
  }
  return t;
}

void BM_ComputeTableStatistics(benchmark::State& state) {
  PointTable t = ScatteredTable();
  TDataStats s;
  for (auto _ : state) benchmark::DoNotOptimize(ComputeTableStatistics(t, s));
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ComputeTableStatistics);

// The whole pre-scan computation of a session's table: statistics, both distinct counts
// (two sorts) and the pure-error sums.
void BM_PrepareDataForFit(benchmark::State& state) {
  const PointTable source = ScatteredTable();
  TDataTable table;
  TDataStats stats;
  if (!table.AllocPointArray()) std::abort();  // nothing to time without a table
  for (auto _ : state) {
    state.PauseTiming();
    if (!table.ReplaceDataTable(source)) std::abort();
    state.ResumeTiming();
    benchmark::DoNotOptimize(PrepareDataForFit(table, stats));
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_PrepareDataForFit);

void BM_SortDataTable(benchmark::State& state) {
  const PointTable source = ScatteredTable();
  const int key = static_cast<int>(state.range(0));
  PointTable t;
  for (auto _ : state) {
    state.PauseTiming();
    t = source;
    state.ResumeTiming();
    SortDataTable(t, key);
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_SortDataTable)->Arg(0)->Arg(4)->Arg(8)->Arg(14);

// Resorting a table that is already in order (the pre-scan sorts by y and then by x).
void BM_SortSortedTable(benchmark::State& state) {
  PointTable t = ScatteredTable();
  SortDataTable(t, 0);
  for (auto _ : state) SortDataTable(t, 0);
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_SortSortedTable);

void BM_AssignPointCells(benchmark::State& state) {
  const PointTable source = ScatteredTable();
  PointTable t;
  for (auto _ : state) {
    state.PauseTiming();
    t = source;
    state.ResumeTiming();
    AssignPointCells(t, 10, 0, 41, 10, 0, 41, false, true, false, false, false);
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_AssignPointCells);

}  // namespace

BENCHMARK_MAIN();
