// Export of a full worksheet of 16384 points with a 16382-point grid and its limits, in
// each worksheet format, and the ASCII surface of the same grid.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/long_double.h"
#include "exchange/export/ascii_export.h"
#include "exchange/export/lotus_export.h"
#include "exchange/export/qpw_export.h"
#include "exchange/export/xls_export.h"

namespace {

struct Worksheet {
  std::vector<long double> parameters{1, 2, 3}, errors{0.1L, 0.2L, 0.3L};
  std::vector<TXYZPoint> points;
  TReviewCallbacks review;
  TExportFit fit;
  TExportRequest request{0, {0, 0.01L, 1.28L}, {0, 0.01L, 1.27L}};  // 129 x 128 = 16512, capped
  Worksheet() {
    review.ReviewEvalZ = [](long double x, long double y) { return 1 + 2 * x + 3 * y; };
    review.ReviewConfidenceLimit = [](long double x, long double y, long double) { return 0.1L + x * y; };
    review.ReviewPredictionLimit = [](long double x, long double y, long double) { return 0.3L + x * y; };
    fit.dataTitle = "bench", fit.equationText = "z=a+bx+cy", fit.parameters = parameters, fit.standardErrors = errors;
    for (int i = 0; i < 16384; ++i) {
      TXYZPoint p;
      p.X = i % 128, p.Y = i / 128, p.Z = 1 + 2 * p.X + 3 * p.Y, p.Status = ' ';
      points.push_back(p);
    }
  }
  TExportTableInput Input() const { return {&request, &fit, points, &review}; }
};

const std::filesystem::path kPath = std::filesystem::temp_directory_path() / "ondravik_bench_export";

void BM_Wk1(benchmark::State& state) {
  Worksheet w;
  for (auto _ : state) benchmark::DoNotOptimize(LotusExportTable(kPath, 1, w.Input()));
}
void BM_Wk3(benchmark::State& state) {
  Worksheet w;
  for (auto _ : state) benchmark::DoNotOptimize(LotusExportTable(kPath, 3, w.Input()));
}
void BM_Xls(benchmark::State& state) {
  Worksheet w;
  for (auto _ : state) benchmark::DoNotOptimize(XlsExportTable(kPath, w.Input()));
}
void BM_Wb1(benchmark::State& state) {
  Worksheet w;
  for (auto _ : state) benchmark::DoNotOptimize(QpwExportTable(kPath, w.Input()));
}
void BM_Ascii(benchmark::State& state) {
  Worksheet w;
  const TAsciiExportRequest request{AsciiDelimiter::kBlank, AsciiLayout::kWithLimits, 18, w.request.x, w.request.y};
  for (auto _ : state) benchmark::DoNotOptimize(AsciiExportTable(kPath, request, w.review));
}

BENCHMARK(BM_Wk1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wk3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Xls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wb1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ascii)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
