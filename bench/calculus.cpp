// The calculus built-ins and engines where their cost shows: a user-defined function whose
// value at each point is an adaptive integral of one of its lines (every integrand value
// a run of a compiled slot), adaptive Simpson on a smooth integrand, and the double
// integral of a surface over its data rectangle, as the volume computations call it
// directly and as "DQIP" does through the language.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "expr/eval_context.h"
#include "expr/expression.h"
#include "expr/integration.h"
#include "expr/quadrature_table.h"
#include "app/data_statistics.h"
#include "app/xyz_point.h"
#include "fit/fit_volume.h"
#include "fit/nonlinear_catalogue.h"

namespace {

constexpr int kUdf = 5;

// F1 and F2 of user function 5, and its Z line `z`.
void Prepare(const char* z) {
  ExprStartUp();
  if (LoadQuadOverlay() < 0) std::abort();
  ExprContext& ctx = ExprThreadContext();
  ctx.CurrentUdf = kUdf;
  ctx.ExprVars.Dollar() = 0.5L;
  ctx.ExprVars.X() = 1;
  ctx.ExprVars.Y() = 1;
  if (ExprCompileSlot("EXP(-$*$)*COS(X*$)", 10 * kUdf + 1) != 1) std::abort();
  if (ExprCompileSlot("1/(1+X*$*$+Y*$$*$$)", 10 * kUdf + 2) != 1) std::abort();
  if (ExprCompileSlot(z, 10 * kUdf) != 1) std::abort();
}

// The Z line `z` of the function at moving X from `x`, with F3 `f3` when given.
void RunZLine(benchmark::State& state, const char* z, const char* f3 = nullptr, long double x = 0.5L) {
  Prepare(z);
  ExprContext& ctx = ExprThreadContext();
  if (f3 && ExprCompileSlot(f3, 10 * kUdf + 3) != 1) std::abort();
  for (auto _ : state) {
    ctx.ExprVars.X() = x;
    benchmark::DoNotOptimize(ExprRunSlot(ctx, 10 * kUdf));
    x += 1e-4L;
  }
  state.SetItemsProcessed(state.iterations());
}

// The automatic integral (Gauss with order doubling) of a line.
void BM_AdaptiveIntegralOfALine(benchmark::State& state) { RunZLine(state, "AI(1,0,3)"); }

// The automatic integral of a line singular at its lower limit: LN(X*$) on [0, 1], where
// Gauss fails and the tanh-sinh rule takes over.
void BM_AdaptiveIntegralOfASingularLine(benchmark::State& state) { RunZLine(state, "AI(3,0,1)", "LN(X*$)"); }

// The nested Gauss double integral of a line.
void BM_DoubleIntegralOfALine(benchmark::State& state) { RunZLine(state, "DQIP(2,0,2,0,3,1E-8)"); }

// "DQIP" of a line with a ridge 0.05 wide across [0, 10] x [0, 2] (moving with X), whose
// nested integral's outer points step over it: the cells over the whole rectangle find it
// and integrate it adaptively.
void BM_DoubleIntegralOfARidgeLine(benchmark::State& state) {
  RunZLine(state, "DQIP(3,0,10,0,2,1E-8)", "1+5*EXP(-(($-6.37-X/1000)/0.05)^2)+0.1*$$");
}

// integrate(ctx, rec, c) once an iteration, with an integrand centred on c, which moves
// a little each time so that no result is reused.
template <typename Integrate>
void RunMovingCentre(benchmark::State& state, Integrate integrate) {
  ExprStartUp();
  ExprContext& ctx = ExprThreadContext();
  long double c = 0.3L;
  for (auto _ : state) {
    TIntegRecord rec;
    benchmark::DoNotOptimize(integrate(ctx, rec, c));
    c += 1e-6L;
  }
  state.SetItemsProcessed(state.iterations());
}

// Adaptive Simpson on a smooth peak, tolerance 1e-10 (absolute).
void BM_AdaptiveSimpson(benchmark::State& state) {
  RunMovingCentre(state, [](ExprContext& ctx, TIntegRecord& rec, long double c) {
    return IntegrateSimpson(ctx, rec, [c](long double x) { return std::exp(-(x - c) * (x - c) * 4); }, -2, 2, 1e-10L);
  });
}

// The Runge-Kutta engine, the last fallback of the automatic integral, at tolerance 1e-10:
// its cost is the integrand values each quality-controlled step takes.
void BM_RungeKuttaIntegral(benchmark::State& state) {
  std::int64_t values = 0;
  RunMovingCentre(state, [&values](ExprContext& ctx, TIntegRecord& rec, long double c) {
    const auto f = [c, &values](long double x) {
      ++values;
      return std::exp(-(x - c) * (x - c)) * std::cos(3 * x);
    };
    return IntegrateOdeRK(ctx, rec, f, 0, 3, 1e-10L);
  });
  state.counters["values"] = benchmark::Counter(static_cast<double>(values), benchmark::Counter::kAvgIterations);
}

// The Bulirsch-Stoer engine over both tails of the line at tolerance 1e-10: the check
// that each tail's slope has settled at its infinite end costs two values a tail.
void BM_BulirschStoerOverTheLine(benchmark::State& state) {
  RunMovingCentre(state, [](ExprContext& ctx, TIntegRecord& rec, long double c) {
    const auto f = [c](long double x) { return 1 / (1 + (x - c) * (x - c)); };
    return IntegrateOdeBS(ctx, rec, f, -INFINITY, INFINITY, 1e-10L);
  });
}

// The automatic integral of a line that diverges, 1/$ over [1, INF]: what a refused
// integral costs inside a function line.
void BM_DivergentIntegralOfALine(benchmark::State& state) {
  Prepare("AI(3,1,INF)");
  ExprContext& ctx = ExprThreadContext();
  if (ExprCompileSlot("1/$", 10 * kUdf + 3) != 1) std::abort();
  for (auto _ : state) benchmark::DoNotOptimize(ExprRunSlot(ctx, 10 * kUdf));
  state.SetItemsProcessed(state.iterations());
}

// The Gauss rule with order doubling ("QI") on a smooth integrand at tolerance 1e-10: the
// orders it takes and the points that confirm two agreeing sums.
void BM_GaussIntegral(benchmark::State& state) {
  if (LoadQuadOverlay() < 0) std::abort();
  std::int64_t values = 0;
  RunMovingCentre(state, [&values](ExprContext& ctx, TIntegRecord& rec, long double c) {
    const auto f = [c, &values](long double x) {
      ++values;
      return std::exp(-(x - c) * (x - c)) * std::cos(3 * x);
    };
    return IntegrateGauss(ctx, rec, f, 0, 3, 1e-10L);
  });
  state.counters["values"] = benchmark::Counter(static_cast<double>(values), benchmark::Counter::kAvgIterations);
}

// Romberg ("RI") on the same integrand: the stages and the checks of their grids.
void BM_RombergIntegral(benchmark::State& state) {
  RunMovingCentre(state, [](ExprContext& ctx, TIntegRecord& rec, long double c) {
    const auto f = [c](long double x) { return std::exp(-(x - c) * (x - c)) * std::cos(3 * x); };
    return IntegrateRomberg(ctx, rec, f, 0, 3, 1e-10L);
  });
}

// The automatic integral of a line with a jump at a moving place, X*$*IF($<X,1,2) over
// [0, 5.5]: the rules' sums agree beside the jump, and the halves of halves take it.
void BM_AdaptiveIntegralOfAStep(benchmark::State& state) { RunZLine(state, "AI(3,0,5.5)", "X*$*IF($<X,1,2)", 2.5L); }

// The automatic integral of a line with a cusp at a moving place, SQRT(ABS($-X)) over
// [-0.697, 3.724]: Gauss and the tanh-sinh rule do not resolve it, and the halves of halves
// take it.
void BM_AdaptiveIntegralOfACusp(benchmark::State& state) {
  RunZLine(state, "AI(3,-0.697,3.724)", "SQRT(ABS($-X))", 0.37L);
}

// The volume under a surface z = f(x, y) over [-3, 3] x [-2, 4] at tolerance 1e-8 by
// `integrate`, the surface moving a little each time.
template <typename Integrate>
void RunSurfaceVolume(benchmark::State& state, Integrate integrate) {
  ExprStartUp();
  if (LoadQuadOverlay() < 0) std::abort();
  ExprContext& ctx = ExprThreadContext();
  long double a = 1;
  for (auto _ : state) {
    TIntegRecord rec;
    long double err = 0;
    const auto surface = [a](long double x, long double y) { return a + std::exp(-(x * x + y * y) / 4) * std::cos(x); };
    benchmark::DoNotOptimize(integrate(ctx, rec, surface, -3, 3, -2, 4, 1e-8L, &err));
    a += 1e-6L;
  }
  state.SetItemsProcessed(state.iterations());
}

// The nested integral alone, the call the fitted-surface volume makes on each cell.
void BM_SurfaceVolume(benchmark::State& state) {
  RunSurfaceVolume(state, [](auto&&... args) { return IntegrateDouble(args...); });
}

// The same volume confirmed over the whole rectangle, as the evaluation table and the
// smoothing windows' repeated requests take it: the nested integral, and the cells'
// sampling that stands behind it.
void BM_ConfirmedSurfaceVolume(benchmark::State& state) {
  RunSurfaceVolume(state, [](auto&&... args) { return IntegrateDoubleConfirmed(args...); });
}

// A table of the fitted-volume benchmarks: 41 x over [0, 10] and 41 over 6.37 +- 0.2 at
// y = 0, 1, 2 (a narrow peak's data, clustered), or 300 points at random over [0, 10] x
// [0, 2] (`scattered`).
PointTable VolumeTable(bool scattered) {
  std::vector<std::array<long double, 2>> at;
  std::uint64_t state = 21;
  const auto uniform = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  };
  if (scattered) {
    for (int i = 0; i < 300; ++i) at.push_back({10 * uniform(), 2 * uniform()});
  } else {
    for (int i = 0; i <= 40; ++i) {
      for (int y = 0; y <= 2; ++y) {
        at.push_back({0.25L * i, static_cast<long double>(y)});
        at.push_back({6.17L + 0.01L * i, static_cast<long double>(y)});
      }
    }
  }
  PointTable t = NewPointTable(static_cast<int>(at.size()));
  for (std::size_t i = 0; i < at.size(); ++i) {
    t[i + 1].X = at[i][0];
    t[i + 1].Y = at[i][1];
    t[i + 1].Z = 1;
    t[i + 1].W = 1;
    t[i + 1].Status = kPointActive;
  }
  return t;
}

// The review's volume of a fitted surface (fit_volume.h): the fit of
// GAUSSX(a,b,c)+GAUSSY(d,e,f)+GAUSSX(g,b,c)*GAUSSY(1,e,f) to a peak 0.05 wide among
// clustered data, cut at its fitted centres (`cut`), or over the whole rectangle as it was
// taken before, missing the peak's 3.9 %; and a smooth surface the volume knows nothing of
// over 300 points at random, cut where the data lie.
void RunFittedVolume(benchmark::State& state, bool narrowPeak, bool cut) {
  ExprStartUp();
  if (LoadQuadOverlay() < 0) std::abort();
  ExprContext& ctx = ExprThreadContext();
  PointTable table = VolumeTable(!narrowPeak);
  TDataStats stats;
  ComputeTableStatistics(table, stats);
  TFitEqn e;
  e.kind = kKindNonlinear;
  e.equationNumber = 2011;
  e.m = 6;
  const long double p[] = {4.99765485616681104679L, 6.36998021929634964094L, -0.0353470894940448451107L,
                           1.66538114838259518086L, 10.0540678062089151538L, 9.93786221143211101307L,
                           0.00484982671783846744607L};
  std::copy(std::begin(p), std::end(p), e.parameters.begin());
  const TNonlinearEvaluator evaluator = BuiltinNonlinearEntry(10).evaluator;
  long double shift = 0;
  const auto peak = [&](long double x, long double y) {
    long double a[8];
    std::copy(std::begin(p), std::end(p), a + 1);
    a[2] += shift;
    long double z = 0;
    evaluator(x, y, a, &z, nullptr);
    return z;
  };
  const auto smooth = [&](long double x, long double y) {
    return 1 + shift + std::exp(-(x - 4) * (x - 4) / 8) * std::cos(y + x / 3) + 0.01L * x * x * y;
  };
  const TSurfaceFeatures features = narrowPeak ? FitSurfaceFeatures(e) : TSurfaceFeatures{};
  for (auto _ : state) {
    if (cut) {
      benchmark::DoNotOptimize(narrowPeak ? FitSurfaceVolume(ctx, peak, stats, table, features, 1e-8L)
                                          : FitSurfaceVolume(ctx, smooth, stats, table, features, 1e-8L));
    } else {
      TIntegRecord rec;
      long double err = 0;
      benchmark::DoNotOptimize(narrowPeak ? IntegrateDouble(ctx, rec, peak, 0, 10, 0, 2, 1e-8L, &err)
                                          : IntegrateDouble(ctx, rec, smooth, stats.X.Min, stats.X.Max, stats.Y.Min,
                                                            stats.Y.Max, 1e-8L, &err));
    }
    shift += 1e-7L;
  }
  state.SetItemsProcessed(state.iterations());
}
void BM_FittedPeakVolume(benchmark::State& state) { RunFittedVolume(state, true, true); }
void BM_FittedPeakVolumeOverTheWholeRectangle(benchmark::State& state) { RunFittedVolume(state, true, false); }
void BM_VolumeOverScatteredData(benchmark::State& state) { RunFittedVolume(state, false, true); }
void BM_VolumeOverScatteredDataWholeRectangle(benchmark::State& state) { RunFittedVolume(state, false, false); }

// A surface the volume knows nothing of over a dense table at random (range(0) points
// over [0, 10] x [0, 2]), where the whole rectangle's integral does not hold and the cells
// cut where the data lie are taken: a smooth surface with a step 0.05 wide at x = 6.37
// (range(1) 0), or a ripple 40 periods across x that the whole rectangle's rule does not
// resolve but every cell does (range(1) 1).
void BM_VolumeOverDenseData(benchmark::State& state) {
  ExprStartUp();
  if (LoadQuadOverlay() < 0) std::abort();
  ExprContext& ctx = ExprThreadContext();
  const int n = static_cast<int>(state.range(0));
  const bool ripple = state.range(1) == 1;
  std::uint64_t seed = 0x5DEECE66DULL + static_cast<std::uint64_t>(n);
  const auto uniform = [&seed] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(seed >> 11) / 9007199254740992.0L;
  };
  PointTable table = NewPointTable(n);
  for (int i = 1; i <= n; ++i) {
    table[static_cast<std::size_t>(i)].X = 10 * uniform();
    table[static_cast<std::size_t>(i)].Y = 2 * uniform();
    table[static_cast<std::size_t>(i)].Z = 1;
    table[static_cast<std::size_t>(i)].W = 1;
    table[static_cast<std::size_t>(i)].Status = kPointActive;
  }
  TDataStats stats;
  ComputeTableStatistics(table, stats);
  long double shift = 0;
  long long values = 0;
  const auto step = [&](long double x, long double y) {
    ++values;
    return 1 + shift + std::exp(-(x - 4) * (x - 4) / 8) * std::cos(y + x / 3) + 0.5L * std::tanh((x - 6.37L) / 0.05L);
  };
  const auto wave = [&](long double x, long double y) {
    ++values;
    return 2 + shift + std::sin(25 * x) * std::cos(3 * y) + 0.01L * x * y;
  };
  bool shown = true;
  for (auto _ : state) {
    const std::optional<TFitVolume> v = ripple ? FitSurfaceVolume(ctx, wave, stats, table, {}, 1e-8L)
                                               : FitSurfaceVolume(ctx, step, stats, table, {}, 1e-8L);
    shown = shown && v.has_value();
    benchmark::DoNotOptimize(v);
    shift += 1e-7L;
  }
  if (!shown) state.SkipWithError("no volume");
  state.counters["values"] = static_cast<double>(values) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_AdaptiveIntegralOfALine);
BENCHMARK(BM_AdaptiveIntegralOfASingularLine);
BENCHMARK(BM_DoubleIntegralOfALine);
BENCHMARK(BM_DoubleIntegralOfARidgeLine);
BENCHMARK(BM_AdaptiveSimpson);
BENCHMARK(BM_RungeKuttaIntegral);
BENCHMARK(BM_BulirschStoerOverTheLine);
BENCHMARK(BM_DivergentIntegralOfALine);
BENCHMARK(BM_GaussIntegral);
BENCHMARK(BM_RombergIntegral);
BENCHMARK(BM_AdaptiveIntegralOfAStep);
BENCHMARK(BM_AdaptiveIntegralOfACusp);
BENCHMARK(BM_SurfaceVolume);
BENCHMARK(BM_ConfirmedSurfaceVolume);
BENCHMARK(BM_FittedPeakVolume);
BENCHMARK(BM_FittedPeakVolumeOverTheWholeRectangle);
BENCHMARK(BM_VolumeOverScatteredData);
BENCHMARK(BM_VolumeOverScatteredDataWholeRectangle);
BENCHMARK(BM_VolumeOverDenseData)
    ->ArgsProduct({{1000, 4096, 16384}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
