// Timing program for the scattered-data engine on the points of bench_triangulation
// (SplitMix64 seed 16384, uniform in the unit square, z = sin 3x cos 2y). For every method
// code this build runs (Akima I, Akima II, Preusser C1 and C2, Renka I with each pair of its
// frame and tension options, Renka II of both orders, Renka III, Watson C0 and C1 mode 5), at
// 2000 and 16384 points of which the last hundredth repeat earlier positions, the best of
// three runs of
//   code=<c> options=<1>,<2> n=<n> setup_ms=… grid_ms=… stats_ms=… node_err=…
// setup: building the engine (copy, merge, set-up); grid: a 120 x 120 grid over the unit
// square; stats: the fit statistics at every point; node_err: the largest |EvalAt - z| over
// the merged points, beside the range of z. Loess codes run with the loess window's defaults
// (order 2, count 13). bench/scattered_engine_compare.py runs this program and SciPy's
// Clough-Tocher interpolator on the same points, compares code 16 with it, and checks the
// targets of codes 0 to 6 and 17. Then, on 2000 noisy points of a tanh step (noise 0.02),
// where the surfaces are held within the points' range about each place,
//   noisy_step code=<c> options=<1>,<2> n=2000 setup_ms=… grid_ms=… points_ms=…
// points: the same grid evaluated point by point (Quick Eval, the evaluation table).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/xyz_point.h"
#include "splitmix_points.h"
#include "smooth/engines/scattered_engine.h"

namespace {

constexpr int kGrid = 120;

// n points of the unit square, z = height(x, y, the points' generator).
template <class F>
PointTable SquarePoints(int n, F height) {
  TSplitMixPoints points;
  PointTable t(static_cast<std::size_t>(n) + 1);
  t[0].X = n;
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = t[static_cast<std::size_t>(i)];
    p.X = points.Next();
    p.Y = points.Next();
    p.Z = height(p.X, p.Y, points);
    p.W = 1;
    p.Status = kPointActive;
  }
  return t;
}

PointTable Points(int n) {
  PointTable t = SquarePoints(n, [](long double x, long double y, TSplitMixPoints&) { return std::sin(3 * x) * std::cos(2 * y); });
  // The last hundredth repeats earlier positions: the engine merges them, and the exact
  // methods then compute their statistics at every point instead of fixing them.
  for (int i = n - n / 100 + 1; i <= n; ++i)
    t[static_cast<std::size_t>(i)] = t[static_cast<std::size_t>(7 * i % (n / 2) + 1)];
  return t;
}

double Ms(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Run {
  int code, option1, option2;
};

}  // namespace

int main() {
  const std::vector<Run> runs = {
      {kNPAkima1, 1, 5},        {kNPAkima2, 1, 9},          {kNPPreusser, 1, 3},
      {kNPPreusser, 2, 3},      {kNPRenka1, 0, 0},        {kNPRenka1, 0, 1},          {kNPRenka1, 1, 0},
      {kNPRenka1, 1, 1},        {kNPRenka2, 1, 13},         {kNPRenka2, 2, 17},
      {kNPRenka3, 2, 18},       {kNPWatson, 0, 0},          {kNPWatson, 1, 5},
      {kNPLoess, 2, 13},        {kNPOwnTriangulation, 1, 0}, {kNPLoessGradient, 2, 13},
      {kNPLoessSmoothed, 2, 13}, {kNPLoessCosine, 2, 13}};
  std::vector<long double> axis(kGrid);
  for (int i = 0; i < kGrid; ++i) axis[static_cast<std::size_t>(i)] = (i + 0.5L) / kGrid;
  long double sink = 0;
  for (const int n : {2000, 16384}) {
    PointTable data = Points(n);
    long double zLow = data[1].Z, zHigh = data[1].Z;
    for (int i = 1; i <= n; ++i) {
      zLow = std::min(zLow, data[static_cast<std::size_t>(i)].Z);
      zHigh = std::max(zHigh, data[static_cast<std::size_t>(i)].Z);
    }
    const long double zRange = zHigh - zLow;
    for (const Run& run : runs) {
      double setup = 1e300, grid = 1e300, stats = 1e300;
      long double err = 0;
      for (int rep = 0; rep < 3; ++rep) {
        auto start = std::chrono::steady_clock::now();
        TNParm3D engine(data, run.code, run.option1, run.option2, false);
        setup = std::min(setup, Ms(start));
        start = std::chrono::steady_clock::now();
        const std::vector<long double> values = engine.EvalGrid(kGrid, kGrid, axis, axis);
        grid = std::min(grid, Ms(start));
        start = std::chrono::steady_clock::now();
        engine.ComputeFitStats();
        stats = std::min(stats, Ms(start));
        if (!values.empty()) sink += values[kGrid * kGrid / 2];
        err = 0;
        const std::span<const TXYZPoint> merged = engine.Working();
        for (int i = 1; i <= engine.PointCount(); ++i) {
          const TXYZPoint& p = merged[static_cast<std::size_t>(i)];
          err = std::max(err, std::fabs(engine.EvalAt(p.X, p.Y) - p.Z));
        }
      }
      std::printf(
          "code=%d options=%d,%d n=%d setup_ms=%.2f grid_ms=%.2f stats_ms=%.2f node_err=%.3Lg "
          "z_range=%.4Lg\n",
          run.code, run.option1, run.option2, n, setup, grid, stats, err, zRange);
    }
  }
  // The noisy step: z = tanh(10 (x - 0.5)) + 0.02 N(0, 1), N the sum of twelve uniform
  // numbers less 6.
  {
    constexpr int n = 2000;
    PointTable data = SquarePoints(n, [](long double x, long double, TSplitMixPoints& points) {
      double normal = -6;
      for (int k = 0; k < 12; ++k) normal += points.Next();
      return std::tanh(10 * (x - 0.5L)) + 0.02L * normal;
    });
    for (const Run& run : {Run{kNPPreusser, 2, 3}, Run{kNPRenka1, 0, 0}, Run{kNPWatson, 1, 5},
                           Run{kNPOwnTriangulation, 1, 0}, Run{kNPAkima1, 1, 5}}) {
      double setup = 1e300, grid = 1e300, pointwise = 1e300;
      for (int rep = 0; rep < 3; ++rep) {
        auto start = std::chrono::steady_clock::now();
        TNParm3D engine(data, run.code, run.option1, run.option2, false);
        setup = std::min(setup, Ms(start));
        start = std::chrono::steady_clock::now();
        const std::vector<long double> values = engine.EvalGrid(kGrid, kGrid, axis, axis);
        grid = std::min(grid, Ms(start));
        if (!values.empty()) sink += values[kGrid * kGrid / 2];
        start = std::chrono::steady_clock::now();
        for (const long double y : axis)
          for (const long double x : axis) sink += engine.EvalAt(x, y);
        pointwise = std::min(pointwise, Ms(start));
      }
      std::printf("noisy_step code=%d options=%d,%d n=%d setup_ms=%.2f grid_ms=%.2f points_ms=%.2f\n",
                  run.code, run.option1, run.option2, n, setup, grid, pointwise);
    }
  }
  return sink == 12345.0L ? 1 : 0;
}
