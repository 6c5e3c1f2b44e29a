// The dense solvers on normal-equation systems of the sizes a fit run produces: the normal
// matrix of a polynomial in x and y with n terms over 400 scattered points. Every iteration
// restores the matrix and right-hand side (the solvers overwrite them); the Copy benchmark
// measures that restoring alone, to be subtracted.
#include "numerics/dense_solvers.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct NormalSystem {
  int n;
  std::vector<long double> matrix;  // row-major n x n
  std::vector<long double> rhs;
};

// Normal equations of z over the first n monomials x^i y^j (ordered by total degree) on
// points scattered in [1, 2] x [1, 2]: symmetric positive definite and as ill-conditioned
// as real polynomial fits get.
NormalSystem MakeNormalSystem(int n) {
  std::vector<std::pair<int, int>> powers;
  for (int degree = 0; static_cast<int>(powers.size()) < n; ++degree)
    for (int i = degree; i >= 0 && static_cast<int>(powers.size()) < n; --i)
      powers.emplace_back(i, degree - i);
  NormalSystem s{n, std::vector<long double>(static_cast<std::size_t>(n) * n, 0.0L),
                 std::vector<long double>(n, 0.0L)};
  std::uint32_t state = 2024u;
  auto uniform = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<long double>(state >> 8) / 16777216.0L;
  };
  std::vector<long double> row(n);
  for (int p = 0; p < 400; ++p) {
    const long double x = 1.0L + uniform();
    const long double y = 1.0L + uniform();
    const long double z = std::sin(x) * std::cos(y);
    for (int k = 0; k < n; ++k)
      row[k] = std::pow(x, powers[k].first) * std::pow(y, powers[k].second);
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) s.matrix[static_cast<std::size_t>(i) * n + j] += row[i] * row[j];
      s.rhs[i] += row[i] * z;
    }
  }
  return s;
}

template <SolverFn kSolve>
void BM_Solve(benchmark::State& state) {
  const NormalSystem system = MakeNormalSystem(static_cast<int>(state.range(0)));
  const int n = system.n;
  std::vector<long double> cells = system.matrix;
  std::vector<long double*> rows(n);
  for (int i = 0; i < n; ++i) rows[i] = cells.data() + static_cast<std::size_t>(i) * n;
  std::vector<long double> b = system.rhs;
  for (auto _ : state) {
    cells = system.matrix;
    b = system.rhs;
    const SolverResult r = kSolve(rows.data(), b.data(), n);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(b.data());
  }
}

void BM_Copy(benchmark::State& state) {
  const NormalSystem system = MakeNormalSystem(static_cast<int>(state.range(0)));
  std::vector<long double> cells = system.matrix;
  std::vector<long double> b = system.rhs;
  for (auto _ : state) {
    cells = system.matrix;
    b = system.rhs;
    benchmark::DoNotOptimize(cells.data());
    benchmark::DoNotOptimize(b.data());
  }
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int n : {10, 20, 40, 80}) b->Arg(n);
}

BENCHMARK(BM_Copy)->Apply(Sizes);
BENCHMARK(BM_Solve<SolveGauss>)->Apply(Sizes)->Name("SolveGauss");
BENCHMARK(BM_Solve<SolveGaussJordan>)->Apply(Sizes)->Name("SolveGaussJordan");
BENCHMARK(BM_Solve<SolveLU>)->Apply(Sizes)->Name("SolveLU");
BENCHMARK(BM_Solve<InvertLU>)->Apply(Sizes)->Name("InvertLU");
BENCHMARK(BM_Solve<SolveSymIndefCopy>)->Apply(Sizes)->Name("SolveSymIndefCopy");
BENCHMARK(BM_Solve<SolveSVD>)->Apply(Sizes)->Name("SolveSVD");
BENCHMARK(BM_Solve<InvertSVD>)->Apply(Sizes)->Name("InvertSVD");

}  // namespace

BENCHMARK_MAIN();
