#include "numerics/dense_solvers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "numerics/ld_matrix.h"

// Fails every nothrow array allocation while set, so that the solvers' out-of-memory paths
// can be driven. The solvers take all their work storage through nothrow new[].
static std::atomic<bool> g_failNothrowArrays{false};

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (g_failNothrowArrays.load()) return nullptr;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

namespace {

// A square matrix from its rows.
LDMatrix Make(std::initializer_list<std::initializer_list<long double>> rows) {
  const int n = static_cast<int>(rows.size());
  LDMatrix m(n, n);
  int i = 0;
  for (const auto& row : rows) std::copy(row.begin(), row.end(), m[i++]);
  return m;
}

LDMatrix Hilbert(int n) {
  LDMatrix h(n, n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) h[i][j] = 1.0L / (i + j + 1);
  return h;
}

struct NamedSolver {
  const char* name;
  SolverFn solve;
};

// Every way the program solves a system: the solve table, the in-place symmetric solver and
// the inverters, which solve the vector they are given as well.
const NamedSolver kAllSolvers[] = {
    {"SolveGauss", SolveGauss}, {"SolveGaussJordan", SolveGaussJordan}, {"SolveLU", SolveLU}, {"SolveSVD", SolveSVD},
    {"SolveSymIndefCopy", SolveSymIndefCopy}, {"SolveSymIndefInPlace", SolveSymIndefInPlace},
    {"InvertLU", InvertLU}, {"InvertSVD", InvertSVD}};

bool IsSvd(SolverFn s) { return s == SolveSVD || s == InvertSVD; }

long double MaxAbs(const std::vector<long double>& v) {
  long double m = 0.0L;
  for (long double x : v) m = std::max(m, std::fabs(x));
  return m;
}

// The largest error of a solution against the exact one, relative to the exact one.
long double RelativeError(const long double* got, const std::vector<long double>& exact) {
  long double e = 0.0L;
  for (std::size_t i = 0; i < exact.size(); ++i) e = std::max(e, std::fabs(got[i] - exact[i]));
  return e / MaxAbs(exact);
}

// A pseudo-random entry in [-1, 1] (a fixed 32-bit congruence).
long double NextEntry(std::uint32_t& state) {
  state = state * 1103515245u + 12345u;
  return static_cast<long double>((state >> 8) % 2001u) / 1000.0L - 1.0L;
}

// a x for the square matrix a.
std::vector<long double> Times(const LDMatrix& a, const std::vector<long double>& x) {
  std::vector<long double> b(x.size(), 0.0L);
  for (std::size_t i = 0; i < x.size(); ++i)
    for (std::size_t j = 0; j < x.size(); ++j) b[i] += a[static_cast<int>(i)][static_cast<int>(j)] * x[j];
  return b;
}

constexpr long double kEps = std::numeric_limits<long double>::epsilon();

TEST(DenseSolvers, NonFiniteEntriesAreNeverReportedAsSolved) {
  for (long double v : {std::numeric_limits<long double>::quiet_NaN(), std::numeric_limits<long double>::infinity()}) {
    for (const auto& s : kAllSolvers) {
      LDMatrix a = Make({{2, v, 0.5L}, {v, v, 0.5L}, {0.5L, 0.5L, 2}});
      long double b[3] = {1.0L, 1.0L, 1.0L};
      EXPECT_NE(s.solve(a.Data(), b, 3).status, 1) << s.name << " " << static_cast<double>(v);
    }
  }
  // A solution that overflows. The SVD drops the tiny singular value instead and returns the
  // finite minimum-norm solution.
  for (const auto& s : kAllSolvers) {
    LDMatrix a = Make({{1e-4000L, 0}, {0, 1}});
    long double b[2] = {1e4000L, 1.0L};
    EXPECT_EQ(s.solve(a.Data(), b, 2).status, IsSvd(s.solve) ? 1 : 0) << s.name;
    EXPECT_TRUE(!IsSvd(s.solve) || b[0] == 0.0L) << s.name;
  }
}

TEST(DenseSolvers, TwoThreadsSolveAtOnceEachWithItsOwnCondition) {
  // The side results travel with the results: a background fit and a foreground fit (or the
  // smoother) solving at the same moment never see each other's values.
  auto worker = [](long double scale, int* mismatches) {
    for (int round = 0; round < 200; ++round) {
      LDMatrix a = Make({{2 * scale, 1}, {4, 3}});  // determinant 6 scale - 4
      long double b[2] = {1.0L, 1.0L};
      const SolverResult lu = SolveLU(a.Data(), b, 2);
      LDMatrix s = Make({{scale, 0}, {0, scale}});
      const SolverResult sym = SolveSymIndefCopy(s.Data(), b, 2);
      if (*lu.condition != 6 * scale - 4 || *sym.condition != 1.0L) ++*mismatches;
    }
  };
  int first = 0, second = 0;
  std::thread a(worker, 1.0L, &first), b(worker, 3.0L, &second);
  a.join();
  b.join();
  EXPECT_EQ(first + second, 0);
}

TEST(DenseSolvers, SideResultsOfSmallSystems) {
  // LU determinants carry the interchange sign: one interchange (4 > 2) and still positive,
  // an odd number of interchanges. The identity is perfectly conditioned.
  const std::pair<LDMatrix, long double> cases[] = {
      {Make({{2, 1}, {4, 3}}), 2.0L}, {Make({{0, 1}, {1, 0}}), -1.0L}, {Make({{3}}), 3.0L}};
  for (auto [a, det] : cases) {
    long double b[2] = {1.0L, 1.0L};
    const SolverResult r = SolveLU(a.Data(), b, a.Rows());
    ASSERT_EQ(r.status, 1);
    EXPECT_EQ(r.condition, det);
  }
  LDMatrix id = Make({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  long double b[3] = {1, 2, 3};
  EXPECT_EQ(SolveSVD(id.Data(), b, 3).condition, 1.0L);
  EXPECT_EQ(SolveSymIndefCopy(id.Data(), b, 3).condition, 1.0L);
  EXPECT_EQ(b[2], 3.0L);
}

TEST(DenseSolvers, OneByOneSolvesAndAZeroColumnIsSingularForAllButTheSVD) {
  const LDMatrix a = Make({{1, 0, 2}, {0, 0, 0}, {2, 0, 5}});  // symmetric: its zero column is a zero row
  for (const auto& s : kAllSolvers) {
    LDMatrix one = Make({{4.0L}});
    long double q[1] = {10.0L};
    EXPECT_EQ(std::tuple(s.solve(one.Data(), q, 1).status, q[0]), std::tuple(1, 2.5L)) << s.name;
    LDMatrix m(a);
    long double b[3] = {1.0L, 2.0L, 3.0L};
    const SolverResult r = s.solve(m.Data(), b, 3);
    EXPECT_EQ(r.status, IsSvd(s.solve) ? 1 : 0) << s.name;
    // A failure reports no condition; the least-squares solution has no component along the
    // zero column.
    EXPECT_TRUE(IsSvd(s.solve) ? b[1] == 0.0L : !r.condition.has_value()) << s.name;
  }
  // The SVD gives the minimum-norm solution of a rank-deficient system, its smallest singular
  // value 0 up to rounding, and leaves the matrix as it was.
  LDMatrix c = Make({{1, 1}, {1, 1}});
  long double b[2] = {2.0L, 2.0L};
  const SolverResult r = SolveSVD(c.Data(), b, 2);
  ASSERT_EQ(r.status, 1);
  EXPECT_NEAR(static_cast<double>(b[0]), 1.0, 1e-18);
  EXPECT_NEAR(static_cast<double>(b[1]), 1.0, 1e-18);
  EXPECT_LT(r.condition.value_or(1), 1e-18L);
  EXPECT_EQ((std::vector<long double>{c[0][0], c[1][0]}), (std::vector<long double>{1, 1}));
}

TEST(DenseSolvers, TiesOfPivotsGoToTheUppermostInGaussAndTheLowestInCrout) {
  // Gauss: |1| = |-1| in the first column, row 0 is not exchanged. Crout: both rows scale to
  // merit 1 in the first column, and the lower one becomes the pivot row.
  LDMatrix g = Make({{1, 2}, {-1, 3}}), c = Make({{2, 1}, {2, 1.5L}});
  long double bg[2] = {3.0L, 2.0L}, bc[2] = {3.0L, 3.5L};
  ASSERT_EQ(SolveGauss(g.Data(), bg, 2).status, 1);
  const SolverResult r = SolveLU(c.Data(), bc, 2);
  ASSERT_EQ(r.status, 1);
  EXPECT_EQ(std::tuple(g[0][1], c[0][1], r.condition, (std::vector<long double>{bg[0], bg[1], bc[0], bc[1]})),
            std::tuple(2.0L, 1.5L, 1.0L, (std::vector<long double>{1, 1, 1, 1})));
}

TEST(DenseSolvers, EveryInverterOfTheTableInverts) {
  const LDMatrix a = Make({{5, 1, 2}, {1, 4, 1}, {2, 1, 6}});
  for (int code = 0; code <= 4; ++code) {
    LDMatrix m(a);
    long double b[3] = {8.0L, 6.0L, 9.0L};  // a * (1, 1, 1)
    SolverFn invert = InverterForProcedure(code);
    ASSERT_NE(invert, nullptr);
    ASSERT_EQ(invert(m.Data(), b, 3).status, 1) << code;
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(static_cast<double>(b[i]), 1.0, 1e-17) << code;
      for (int j = 0; j < 3; ++j) {
        long double s = 0.0L;
        for (int k = 0; k < 3; ++k) s += a[i][k] * m[k][j];
        EXPECT_NEAR(static_cast<double>(s), i == j ? 1.0 : 0.0, 1e-17) << code;
      }
    }
  }
  // The tables hold the five methods; the symmetric solver's inverter is Gauss-Jordan.
  for (int code = 0; code < kProcedureTableSize; ++code) {
    EXPECT_EQ(SolveTable[code] != nullptr, code <= 4) << code;
    EXPECT_EQ(InvertTable[code] != nullptr, code <= 4) << code;
  }
  EXPECT_EQ(SolveTable[kProcSymIndefCopy], SolveSymIndefCopy);
  EXPECT_EQ(InvertTable[kProcSymIndefCopy], SolveGaussJordan);
  EXPECT_EQ(SolverForProcedure(kProcLevMarq), nullptr);
  EXPECT_EQ(SolverForProcedure(-1), nullptr);
  EXPECT_EQ(InverterForProcedure(99), nullptr);
}

TEST(DenseSolvers, GeneralSystemsOfEverySizeAgreeWithTheirExactSolution) {
  // Pseudo-random unsymmetric systems up to the fitters' largest size; the SVD's singular
  // value ratio bounds the error every backward-stable method may make.
  std::uint32_t state = 777u;
  for (int n : {2, 3, 5, 8, 13, 21, 34, 55, 80}) {
    LDMatrix a(n, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) a[i][j] = NextEntry(state);
    std::vector<long double> x(n);
    for (long double& v : x) v = NextEntry(state);
    const std::vector<long double> rhs = Times(a, x);
    LDMatrix probe(a);
    std::vector<long double> scratch(rhs);
    const long double ratio = *SolveSVD(probe.Data(), scratch.data(), n).condition;
    for (const auto& s : kAllSolvers) {
      if (s.solve == SolveSymIndefCopy || s.solve == SolveSymIndefInPlace) continue;  // symmetric only
      LDMatrix m(a);
      std::vector<long double> b(rhs);
      ASSERT_EQ(s.solve(m.Data(), b.data(), n).status, 1) << s.name << " n=" << n;
      EXPECT_LT(RelativeError(b.data(), x), 100.0L * n * kEps / ratio) << s.name << " n=" << n;
    }
  }
}

TEST(SymmetricIndefinite, PivotBlocksAndInterchanges) {
  // A zero diagonal forces a 2x2 block at rows 1 and 2 without interchange.
  LDMatrix a = Make({{0, 1}, {1, 0}});
  int pivots[3];
  LDMatrix f(a);
  ASSERT_EQ(FactorSymmetric(f.Data(), 2, pivots), 1);
  EXPECT_EQ(pivots[0], -1);
  EXPECT_EQ(pivots[1], -1);
  long double b[3] = {3.0L, 5.0L};
  const SolverResult r = SolveSymIndefCopy(a.Data(), b, 2);
  ASSERT_EQ(r.status, 1);
  EXPECT_EQ(std::tuple(b[0], b[1], r.condition), std::tuple(5.0L, 3.0L, 1.0L));
  // Column 3 has |a33| = 0.1 < alpha * |a13|, and a11 dominates row 1: a 1x1 block with rows 1
  // and 3 interchanged. Only the lower triangle is given (the upper one holds garbage that
  // must not be read).
  LDMatrix g = Make({{4, 99, 99}, {1, 3, 99}, {2, 0.5L, 0.1L}});
  LDMatrix h(g);
  ASSERT_EQ(FactorSymmetric(h.Data(), 3, pivots), 1);
  EXPECT_EQ(pivots[2], 1);
  const std::vector<long double> x = {1.0L, 2.0L, -1.0L};
  std::vector<long double> c = Times(Make({{4, 1, 2}, {1, 3, 0.5L}, {2, 0.5L, 0.1L}}), x);
  ASSERT_EQ(SolveSymIndefInPlace(g.Data(), c.data(), 3).status, 1);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(static_cast<double>(c[i]), static_cast<double>(x[i]), 1e-17);
  // A singular matrix leaves the vector and the copy untouched, and reports no condition.
  LDMatrix zero = Make({{0, 0}, {0, 0}});
  long double z[2] = {1.0L, 2.0L};
  const SolverResult singular = SolveSymIndefCopy(zero.Data(), z, 2);
  EXPECT_EQ(singular.status, 0);
  EXPECT_FALSE(singular.condition.has_value());
  EXPECT_EQ((std::vector<long double>{z[0], z[1]}), (std::vector<long double>{1, 2}));
}

TEST(SymmetricIndefinite, IndefiniteMatricesOfEverySizeSolveWithSmallResidual) {
  // Pseudo-random symmetric matrices, half of them with a zero diagonal so that 2x2 blocks
  // with and without interchanges occur. The error is bounded through the estimate.
  std::uint32_t state = 12345u;
  int twoByTwo = 0, interchanged = 0;
  for (int n = 1; n <= 14; ++n) {
    for (int zeroDiagonal = 0; zeroDiagonal <= 1; ++zeroDiagonal) {
      LDMatrix a(n, n);
      for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) a[i][j] = a[j][i] = (i == j && zeroDiagonal) ? 0.0L : NextEntry(state);
      if (n == 1) a[0][0] = 0.5L;
      std::vector<long double> x(n);
      for (long double& v : x) v = NextEntry(state);
      std::vector<long double> b = Times(a, x);
      LDMatrix f(a);
      std::vector<int> pivots(n);
      ASSERT_EQ(FactorSymmetric(f.Data(), n, pivots.data()), 1) << n;
      for (int k = 0; k < n; ++k) {
        twoByTwo += pivots[k] < 0;
        // Without interchange: k + 1 for a 1x1 block, 1 - (second row) for both rows of a 2x2.
        interchanged += pivots[k] != k + 1 && pivots[k] != -k && pivots[k] != -(k + 1);
      }
      const SolverResult r = SolveSymIndefCopy(a.Data(), b.data(), n);
      ASSERT_EQ(r.status, 1) << n;
      EXPECT_LT(RelativeError(b.data(), x), 1000.0L * kEps / *r.condition) << n;
      EXPECT_TRUE(*r.condition > 0.0L && *r.condition <= 1.0L) << n;
    }
  }
  EXPECT_GT(twoByTwo, 10);
  EXPECT_GT(interchanged, 5);
}

TEST(DenseSolvers, WorkMemoryShortageIsReportedNeverSolved) {
  // Gaussian elimination and LU work without the heap at fitting sizes; the others report
  // the shortage and leave the matrix and the vector untouched.
  for (const auto& s : kAllSolvers) {
    LDMatrix a = Make({{2, 1}, {1, 3}});
    long double b[2] = {3.0L, 4.0L};
    g_failNothrowArrays = true;
    const SolverResult r = s.solve(a.Data(), b, 2);
    g_failNothrowArrays = false;
    if (s.solve == SolveGauss || s.solve == SolveLU) {
      EXPECT_EQ(r.status, 1) << s.name;
      continue;
    }
    EXPECT_EQ(r.status, -1) << s.name;
    EXPECT_EQ(b[0], 3.0L) << s.name << ": the vector is untouched";
    EXPECT_EQ(a[0][0], 2.0L) << s.name << ": the matrix is untouched";
  }
}

// Hilbert-6 with the entries 1/(i+j+1) as stored in long doubles. References from mpmath at
// 60 digits on exactly those stored entries (tests/fit/hilbert_reference.py).
constexpr long double kHilbertSolution[6] = {
    -6.00000000000042993278208393634L, 210.00000000001202103033001076L,
    -1680.00000000008026546549806985L, 5040.00000000020686916047362711L,
    -6300.00000000022679242273234766L, 2772.00000000008889472166186482L,
};
constexpr long double kHilbertDeterminant = 5.3672998873584763373228023266e-18L;
constexpr long double kHilbertRcond1 = 3.43993946532112927881878002652e-8L;
constexpr long double kHilbertConditionInf = 29070279.0000011474823057404294L;
constexpr long double kHilbertSingularRatio = 6.68848958505044077538615018068e-8L;

TEST(DenseSolvers, AllMethodsAgreeOnHilbertSixToTheDigitsItsConditionAllows) {
  // A backward-stable solver's relative error is bounded by a small multiple of cond * eps
  // (about 3e-12 here: 11 to 12 significant digits).
  const long double tolerance = 10.0L * kHilbertConditionInf * kEps;
  for (const auto& s : kAllSolvers) {
    LDMatrix h = Hilbert(6);
    long double b[6] = {1, 1, 1, 1, 1, 1};
    ASSERT_EQ(s.solve(h.Data(), b, 6).status, 1) << s.name;
    const long double relative = RelativeError(b, std::vector<long double>(kHilbertSolution, kHilbertSolution + 6));
    EXPECT_LT(relative, tolerance) << s.name << " relative error " << static_cast<double>(relative);
  }
}

TEST(DenseSolvers, HilbertSixSideResultsMatchTheirDefinitions) {
  long double b[6] = {1, 1, 1, 1, 1, 1};
  // The determinant is a product of pivots: relative error a few eps per factor.
  EXPECT_NEAR(static_cast<double>(*SolveLU(Hilbert(6).Data(), b, 6).condition / kHilbertDeterminant), 1.0, 1e-11);
  EXPECT_NEAR(static_cast<double>(*SolveSVD(Hilbert(6).Data(), b, 6).condition / kHilbertSingularRatio), 1.0, 1e-10);
  // The estimate bounds the 1-norm reciprocal condition from above and is close to it.
  const SolverResult sym = SolveSymIndefCopy(Hilbert(6).Data(), b, 6);
  EXPECT_GE(*sym.condition, kHilbertRcond1 * (1.0L - 1e-9L));
  EXPECT_LT(*sym.condition, 10.0L * kHilbertRcond1);
}

}  // namespace
