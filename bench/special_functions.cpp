// The special functions that fits and reviews call most: the error function (cumulative
// and log-normal shapes), log-gamma and gamma, the incomplete gamma (both expansions), the
// incomplete beta behind the distribution functions, and the Student-t critical values
// behind every confidence limit. Each sweeps its argument over a range, so branches and
// iteration counts vary as they do in use.
#include <benchmark/benchmark.h>

#include "expr/bessel_functions.h"
#include "expr/builtins.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "expr/peak_builtins.h"
#include "expr/quadrature_table.h"
#include "expr/special_functions.h"

namespace {

// Arguments lo, lo + step, ... below hi, repeated.
class Sweep {
 public:
  Sweep(long double lo, long double hi, int steps) : lo_(lo), step_((hi - lo) / steps), steps_(steps) {}
  long double Next() {
    const long double v = lo_ + step_ * i_;
    if (++i_ == steps_) i_ = 0;
    return v;
  }

 private:
  long double lo_, step_;
  int steps_, i_ = 0;
};

template <long double (*f)(long double)>
void Unary(benchmark::State& state, long double lo, long double hi) {
  Sweep s(lo, hi, 997);
  for (auto _ : state) benchmark::DoNotOptimize(f(s.Next()));
  state.SetItemsProcessed(state.iterations());
}

template <long double (*f)(ExprContext&, long double)>
void UnaryWithContext(benchmark::State& state, long double lo, long double hi) {
  ExprContext& ctx = ExprThreadContext();
  Sweep s(lo, hi, 997);
  for (auto _ : state) benchmark::DoNotOptimize(f(ctx, s.Next()));
  state.SetItemsProcessed(state.iterations());
}

void BM_Erf(benchmark::State& state) { Unary<BuiltinERF>(state, -5, 5); }
void BM_Erfc(benchmark::State& state) { Unary<BuiltinERFC>(state, 0, 20); }
void BM_LogGamma(benchmark::State& state) { UnaryWithContext<LNGAM>(state, 0.1L, 60); }
void BM_Gamma(benchmark::State& state) { UnaryWithContext<GAM>(state, 0.1L, 60); }
void BM_GammaReflected(benchmark::State& state) { UnaryWithContext<GAM>(state, -30.05L, -0.05L); }
void BM_Digamma(benchmark::State& state) { UnaryWithContext<PSI>(state, 0.1L, 60); }
void BM_StudentT95(benchmark::State& state) { Unary<StudentT95>(state, 1, 200); }
void BM_StudentT9999(benchmark::State& state) { Unary<StudentT9999>(state, 1, 200); }

// P(a, x) with x below a + 1 (the series) or above it (the continued fraction).
void BM_IncompleteGamma(benchmark::State& state) {
  ExprContext& ctx = ExprThreadContext();
  const long double a = static_cast<long double>(state.range(0));
  const bool fraction = state.range(1) != 0;
  Sweep s(fraction ? a + 1 : 0.01L, fraction ? 4 * a + 10 : a + 1, 997);
  for (auto _ : state) benchmark::DoNotOptimize(IGAM(ctx, a, s.Next()));
  state.SetItemsProcessed(state.iterations());
}

// The F distribution's upper tail, as the review's summary asks it.
void BM_FDistribution(benchmark::State& state) {
  ExprContext& ctx = ExprThreadContext();
  const long double df2 = static_cast<long double>(state.range(0));
  Sweep s(0.05L, 8, 997);
  for (auto _ : state) benchmark::DoNotOptimize(PFF(ctx, 5, df2, s.Next()));
  state.SetItemsProcessed(state.iterations());
}

// A transition shape through the language: GCUMX in a compiled slot, as a fit evaluates
// a catalogue equation.
void BM_CumulativeGaussianSlot(benchmark::State& state) {
  ExprStartUp();
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprVars.X() = 0.3L;
  if (ExprCompileSlot("GCUMX(2,1,0.5)+LNCUMX(1,1,0.5)", 171) != 1) std::abort();
  Sweep s(0.05L, 3, 997);
  for (auto _ : state) {
    ctx.ExprVars.X() = s.Next();
    benchmark::DoNotOptimize(ExprRunSlot(ctx, 171));
  }
  state.SetItemsProcessed(state.iterations());
}

// The Bessel family: the one-argument approximations across their switch at 8, the
// recurrences, the real-order worker, the Airy functions and TFN.
void BM_BesselJ0(benchmark::State& state) { UnaryWithContext<BesselJ0>(state, 0.1L, 20); }
void BM_BesselY1(benchmark::State& state) { UnaryWithContext<BesselY1>(state, 0.1L, 20); }
void BM_BesselK0(benchmark::State& state) { UnaryWithContext<BesselK0>(state, 0.1L, 20); }

// A built-in handler at fixed arguments.
void Handler(benchmark::State& state, ExprHandler f, long double a0, long double a1 = 0) {
  ExprContext& ctx = ExprThreadContext();
  const long double args[2] = {a0, a1};
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(ctx, args));
    ctx.ExprMathError = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_BesselJN50(benchmark::State& state) { Handler(state, BuiltinJN, 50, 10); }
void BM_BesselJNU(benchmark::State& state) { Handler(state, BuiltinJNU, 0.3L, 10); }
// The largest order served: at x = 3 the value lies below the smallest long double, and
// that is answered at once (a million recurrence steps to the same 0 took 10 ms), for the
// derivatives too; K runs its million steps to an overflow.
void BM_BesselINUHugeOrder(benchmark::State& state) { Handler(state, BuiltinINU, 999999.5L, 3); }
void BM_BesselDJNUHugeOrderUnderflow(benchmark::State& state) { Handler(state, BuiltinDJNU, 999999, 1); }
void BM_BesselKNUHugeOrder(benchmark::State& state) { Handler(state, BuiltinKNU, 999999.5L, 3); }
// Whole orders: the largest served (Miller's recurrence of 1.1 million steps, at an
// argument where the value is in range: at x = 3 it lies below the smallest long double,
// and that is answered at once) and one beyond it, refused at once.
void BM_BesselJNLargestOrder(benchmark::State& state) { Handler(state, BuiltinJN, 1e6L, 990000); }
void BM_BesselINLargestOrder(benchmark::State& state) { Handler(state, BuiltinIN, 1e6L, 662743); }
void BM_BesselJNLargestOrderUnderflow(benchmark::State& state) { Handler(state, BuiltinJN, 1e6L, 3); }
void BM_BesselJNRefusedOrder(benchmark::State& state) { Handler(state, BuiltinJN, 2147483647.0L, 3); }
void BM_AiryA(benchmark::State& state) { Handler(state, BuiltinAIRYA, -5); }
void BM_Tfn(benchmark::State& state) {
  if (LoadQuadOverlay() < 0) std::abort();
  Handler(state, BuiltinTFN, 3, 1);
}
// Large arguments: the rule placed around the integrand's peak.
void BM_TfnLarge(benchmark::State& state) {
  if (LoadQuadOverlay() < 0) std::abort();
  Handler(state, BuiltinTFN, 1e8L, 1e8L);
}

}  // namespace

BENCHMARK(BM_Erf);
BENCHMARK(BM_Erfc);
BENCHMARK(BM_LogGamma);
BENCHMARK(BM_Gamma);
BENCHMARK(BM_GammaReflected);
BENCHMARK(BM_Digamma);
BENCHMARK(BM_IncompleteGamma)->Args({3, 0})->Args({3, 1})->Args({50, 0})->Args({50, 1});
BENCHMARK(BM_FDistribution)->Arg(10)->Arg(200);
BENCHMARK(BM_StudentT95);
BENCHMARK(BM_StudentT9999);
BENCHMARK(BM_CumulativeGaussianSlot);
BENCHMARK(BM_BesselJ0);
BENCHMARK(BM_BesselY1);
BENCHMARK(BM_BesselK0);
BENCHMARK(BM_BesselJN50);
BENCHMARK(BM_BesselJNU);
BENCHMARK(BM_BesselINUHugeOrder);
BENCHMARK(BM_BesselDJNUHugeOrderUnderflow);
BENCHMARK(BM_BesselKNUHugeOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BesselJNLargestOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BesselINLargestOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BesselJNLargestOrderUnderflow);
BENCHMARK(BM_BesselJNRefusedOrder);
BENCHMARK(BM_AiryA);
BENCHMARK(BM_Tfn);
BENCHMARK(BM_TfnLarge);

BENCHMARK_MAIN();
