// The interpreter's inner loop: a 20-operator expression compiled once and evaluated a
// million times, as a fit of a user-defined function does.
#include <benchmark/benchmark.h>

#include <utility>

#include "expr/expression.h"
#include "expr/interpreter.h"

namespace {

// 20 binary operators: a quadratic-plus-cubic surface with a damped term.
constexpr const char* kText = "A0+A1*X+A2*Y+A3*X*Y+A4*X^2+A5*Y^2+A6*X^3-A7/(1+Y*Y)";
constexpr int kSlot = 170;

void Prepare() {
  ExprStartUp();
  ExprContext& ctx = ExprThreadContext();
  for (int i = 0; i < 8; ++i) ctx.ExprVars.A(i) = 0.5L + i;
  ctx.ExprVars.X() = 1.5L;
  ctx.ExprVars.Y() = -0.75L;
  if (ExprCompileSlot(kText, kSlot) != 1) std::abort();
}

// Evaluates the compiled slot with `run`, moving X a little every time.
template <long double (*run)(ExprContext&, int)>
void RunCompiled(benchmark::State& state) {
  Prepare();
  ExprContext& ctx = ExprThreadContext();
  long double x = 0;
  for (auto _ : state) {
    ctx.ExprVars.X() = x;
    x += 1e-6L;
    benchmark::DoNotOptimize(run(ctx, kSlot));
  }
  state.SetItemsProcessed(state.iterations());
}

// ExprRunSlot: the whole evaluation with the floating-point status cleared and read.
long double RunSlot(ExprContext& ctx, int slot) { return ExprRunSlot(ctx, slot); }
BENCHMARK(RunCompiled<RunSlot>)->Name("BM_RunSlot")->Iterations(1000000);

// ExprInterpret alone: the dispatch loop without the status handling.
long double Interpret(ExprContext& ctx, int slot) { return ExprInterpret(ctx, slot); }
BENCHMARK(RunCompiled<Interpret>)->Name("BM_Interpret")->Iterations(1000000);

// ExprParseAndRun of the same text, for comparison: what every evaluation would cost
// without compiling.
void BM_ParseAndRun(benchmark::State& state) {
  Prepare();
  for (auto _ : state) benchmark::DoNotOptimize(ExprParseAndRun(kText));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseAndRun);

// A function whose Z line calls its lines, and a sum over a line: the nested runs whose
// every entry is checked against the evaluation's guards (a line must not reach itself,
// an evaluation has a budget of slot runs).
void CompileLines() {
  Prepare();
  ExprContext& ctx = ExprThreadContext();
  ctx.CurrentUdf = 3;
  ctx.ExprVars.Dollar() = 1;
  for (const auto& [text, slot] : {std::pair{"A1*X+A2", 31}, std::pair{"F1*F1-Y", 32}, std::pair{"$*F1", 33},
                                   std::pair{"F2+F1/(1+F2*F2)", 30}}) {
    if (ExprCompileSlot(text, slot) != 1) std::abort();
  }
}

void BM_SubFunctionCalls(benchmark::State& state) {
  CompileLines();
  ExprContext& ctx = ExprThreadContext();
  for (auto _ : state) benchmark::DoNotOptimize(ExprRunSlot(ctx, 30));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SubFunctionCalls);

void BM_SumOfALine(benchmark::State& state) {
  CompileLines();
  ExprContext& ctx = ExprThreadContext();
  if (ExprCompileSlot("SUM(3,1,1000,1)", 34) != 1) std::abort();
  for (auto _ : state) benchmark::DoNotOptimize(ExprRunSlot(ctx, 34));
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SumOfALine);

}  // namespace

BENCHMARK_MAIN();
