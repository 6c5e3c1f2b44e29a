// The rows of the ranked equation list for a full fit list of 6000 fits: each rank refitted
// in the cheap mode (the record alone) and its row formatted, as the list builds itself on
// opening and after every re-sort or filter. The fits mix the kinds a run produces:
// polynomials, rationals, built-in non-linear equations and term subsets.
#include <benchmark/benchmark.h>

#include "fit/equation_forms.h"
#include "fit/fit_list.h"
#include "fit/session.h"
#include "review/equation_list_rows.h"

namespace {

std::unique_ptr<TFitResult> BenchFit(int i) {
  const int pick = i % 4;
  TEquationForm form;
  int number = 0;
  if (pick == 0 && PolynomialEquationForm(1 + i % 225, form)) number = 1 + i % 225;
  if (pick == 1 && RationalEquationForm(1001 + i % 256, form)) number = 1001 + i % 256;
  if (pick == 2) {
    number = 2001 + i % 172;
    form.m = 4;
  }
  if (pick == 3) {
    number = 3021;
    form.m = 2;
    form.terms = {0, 0, 21};
  }
  auto fit = NewFitResult(form.m);
  fit->equationNumber = number;
  for (int k = 0; k <= form.m; ++k) fit->terms[static_cast<std::size_t>(k)] = form.terms[static_cast<std::size_t>(k)];
  fit->descriptor = form.descriptor;
  fit->r2 = 1.0L - i * 1e-5L;
  fit->adjustedR2 = fit->r2 - 1e-4L;
  fit->fitStdError = 0.01L * i;
  fit->f = 1e4L / i;
  fit->complexity = i % 60;
  for (long double& p : fit->parameters) p = 1.25L;
  return fit;
}

void BM_EquationListOf6000Fits(benchmark::State& state) {
  TSession session;
  if (!session.FitList.BeginRun()) state.SkipWithError("no fit list");
  for (int i = 1; i <= kFitListCapacity; ++i) (void)session.FitList.Append(BenchFit(i));
  session.FitCount.store(session.FitList.Count());
  TEquationRowsRequest request;
  request.allGoodness = state.range(0) != 0;
  for (auto _ : state) {
    std::vector<std::string> rows = BuildEquationRows(session, request);
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetItemsProcessed(state.iterations() * session.FitCount.load());
}
BENCHMARK(BM_EquationListOf6000Fits)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
