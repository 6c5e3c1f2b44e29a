// The term-subset phase: equation numbers, complexity and names of subsets, the candidate
// terms, and the search's recovery of known surfaces, keep counts, screening and marks.

#include <cstring>
#include <map>
#include <set>

#include "fit/candidate_terms.h"
#include "fit/fit_statistics.h"
#include "fit/term_subset_numbers.h"
#include "fit/term_subset_search.h"
#include "fit_test_data.h"
#include "support/long_double_near.h"

namespace {

using namespace fit_test;
using Terms = std::vector<std::int32_t>;

// Reference numbers: an independent count of the k-subsets that precede each one in
// lexicographic order (Python itertools.combinations over range(42), checked against the
// closed form for k = 2 and 3).
TEST(SubsetEquationNumber, NumbersOfKnownSubsets) {
  const struct {
    Terms terms;
    std::int32_t number;
  } cases[] = {
      {{0, 0, 21}, 3021},  // {x, y}
      {{0, 0, 1}, 3001},  // {x, x·ln x}
      {{0, 40, 41}, 3861},  // the last pair
      {{0, 0, 24}, 3024},  // {x, y²}
      {{0, 0, 1, 2}, 3862},  // the first triple
      {{0, 0, 1, 2, 3}, 15342}, {{0, 2, 5, 21, 30}, 37679}, {{0, 5, 10, 15, 20}, 63525},
      {{0, 3, 24, 25, 26, 27}, 472938}, {{0, 34, 35, 36, 37, 38, 39, 40, 41}, 151232238},  // the last subset of z
      {{1, 0, 21}, 151232259},  // {x, y} of ln z
      {{2, 0, 21}, 302461497},  // {x, y} of 1/z
      {{1, 2, 5, 21, 30}, 37679 + kSubsetVariantBlock}, {{2, 34, 35, 36, 37, 38, 39, 40, 41}, 453690714},
      {{0, 21, 0}, 3021},  // ranked as its ascending form
  };
  for (const auto& c : cases) {
    const int k = static_cast<int>(c.terms.size()) - 1;
    EXPECT_EQ(SubsetEquationNumber(c.terms, k), c.number) << c.number;
  }
}

TEST(SubsetEquationNumber, MalformedListsHaveNoNumber) {
  EXPECT_EQ(SubsetEquationNumber(Terms{0, 3}, 1), 0);                      // one term
  EXPECT_EQ(SubsetEquationNumber(Terms{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 9), 0);  // nine
  EXPECT_EQ(SubsetEquationNumber(Terms{3, 0, 1}, 2), 0);                   // no such variant
  EXPECT_EQ(SubsetEquationNumber(Terms{0, 0, 42}, 2), 0);                  // no such term
  EXPECT_EQ(SubsetEquationNumber(Terms{0, 7, 7}, 2), 0);                   // a term twice
  EXPECT_EQ(SubsetEquationNumber(Terms{0, 1}, 2), 0);                      // list too short
}

// Every subset of 2 and 3 terms (and the boundaries of every block) has a number of its own,
// in order, with no gap between the blocks.
TEST(SubsetEquationNumber, NumbersAreDenseAndDistinct) {
  std::int32_t expected = kFirstSubsetEquation;
  for (int a = 0; a < 42; ++a)
    for (int b = a + 1; b < 42; ++b) {
      ASSERT_EQ(SubsetEquationNumber(Terms{0, a, b}, 2), expected++);
      EXPECT_EQ(RankPair(a, b, 42), expected - 1 - kFirstSubsetEquation);
    }
  for (int a = 0; a < 42; ++a)
    for (int b = a + 1; b < 42; ++b)
      for (int c = b + 1; c < 42; ++c) ASSERT_EQ(SubsetEquationNumber(Terms{0, a, b, c}, 3), expected++);
  // The first subset of each size follows the last of the size before.
  const std::int32_t firsts[] = {3001, 3862, 15342, 127272, 977940, 6223726, 33202054};
  for (int k = 2; k <= 8; ++k) {
    Terms first{0}, last{0};
    for (int i = 0; i < k; ++i) {
      first.push_back(i);
      last.push_back(42 - k + i);
    }
    EXPECT_EQ(SubsetEquationNumber(first, k), firsts[k - 2]) << k;
    if (k < 8) {
      EXPECT_EQ(SubsetEquationNumber(last, k) + 1, firsts[k - 1]) << k;
    }
  }
}

TEST(SubsetComplexity, SumsInSinglePrecisionAndRounds) {
  EXPECT_EQ(SubsetComplexity(Terms{0, 0, 21}, 2), 4);      // 2·2.06 = 4.12
  EXPECT_EQ(SubsetComplexity(Terms{1, 16, 37}, 2), 14);    // 4.12 + 1.51 + 1.51 + 6.89 = 14.03
  EXPECT_EQ(SubsetComplexity(Terms{2, 7, 28, 20}, 3), 31);  // 6.18 + 8.4 + 8.4 + 6.89 + 1.51
  EXPECT_EQ(SubsetComplexity(Terms{0, 8, 29, 1, 22}, 4), 39);  // 8.24 + 2·8.91 + 2·6.6
  EXPECT_EQ(TermComplexity(5), TermComplexity(26));
  EXPECT_EQ((std::vector{TermComplexity(42), TermComplexity(-1), VariantComplexity(1), VariantComplexity(3)}),
            (std::vector{0.0f, 0.0f, 6.89f, 0.0f}));
}

TEST(SubsetTermNames, TableHoldsEveryName) {
  for (int i = 0; i < kSubsetTermNameCount; ++i) ASSERT_TRUE(SubsetTermNames[i] && *SubsetTermNames[i]) << i;
  const std::map<int, std::string> known = {
      {0, "x"},    {1, "xlnx"},         {2, "x~^1.5~^"}, {7, "e~^x/wx~^"}, {12, "lnx"},
      {20, "e~^-x~^"}, {21, "y"},       {22, "ylny"},    {28, "e~^y/wy~^"}, {41, "e~^-y~^"},
      {42, "42"},  {49, "49"},          {50, "x"},       {51, "x~^2~^"},  {60, "lnx"},
      {70, "/x"},  {110, "x"},          {170, "xy"},     {171, "ylnx"},   {172, "y/x"},
      {178, "/(xy)"}, {179, "179"},     {189, "189"},    {199, "199"}};
  for (const auto& [code, name] : known) EXPECT_EQ(SubsetTermName(code), name) << code;
  // The y terms are the x terms with y in place of x.
  for (int k = 0; k < 21; ++k) {
    std::string y = SubsetTermNames[k];
    for (char& c : y) c = c == 'x' ? 'y' : c;
    EXPECT_EQ(SubsetTermNames[21 + k], y) << k;
  }
  EXPECT_EQ((std::vector<std::string>{SubsetVariantName(0), SubsetVariantName(1), SubsetVariantName(2),
                                      SubsetVariantName(3), std::string(SubsetTermName(200))}),
            (std::vector<std::string>{"z", "lnz", "z~^-1~^", "", ""}));
}

// Each candidate term against its closed form at x = 2.5, y = 0.75, s_x = 2, s_y = 4.
TEST(CandidateTerms, ValuesOfEveryTerm) {
  ExprContext ctx;
  TFitRunScales sc;
  sc.xScale = 2;
  sc.yScale = 4;
  auto closedForm = [](long double v, int k, long double s) -> long double {
    const long double l = std::log(v), r = std::sqrt(v);
    const long double f[21] = {v,         v * l,     v * r,     v * v,      v * v * l, v * v * r,
                               v * v * v, std::exp(v / s), r * l, l * l,  v / l,     r,
                               l,         1 / l,     1 / r,     l / v,      1 / v,     1 / (v * r),
                               l / (v * v), 1 / (v * v), std::exp(-v)};
    return f[k];
  };
  for (int t = 0; t < 42; ++t) {
    const long double expected = t < 21 ? closedForm(2.5L, t, 2) : closedForm(0.75L, t - 21, 4);
    EXPECT_LD_NEAR(TermValue(ctx, 2.5L, 0.75L, t, sc), expected, 1e-18L * std::fabs(expected)) << t;
  }
  EXPECT_EQ(ctx.ExprMathError, 0);
  EXPECT_EQ(TermValue(ctx, 2.5L, 0.75L, 42, sc), 0.0L);
  EXPECT_EQ(TermValue(ctx, 2.5L, 0.75L, -1, sc), 0.0L);
}

TEST(CandidateTerms, FaultsFollowTheLanguage) {
  TFitRunScales sc;
  ExprContext ctx;
  // 1/x at 0 and x / ln x at 1 are divisions by zero.
  for (const auto& [x, term] : {std::pair{0.0L, 16}, {1.0L, 10}}) {
    ctx.ExprMathError = 0;
    EXPECT_EQ(std::tuple(TermValue(ctx, x, 1.0L, term, sc), ctx.ExprMathError), std::tuple(0.0L, -1)) << term;
  }
  ctx.ExprMathError = 0;
  TermValue(ctx, -1.0L, 1.0L, 12, sc);  // ln x of a negative x
  EXPECT_NE(ctx.ExprMathError, 0);
}

// A term-subset fit of 1/z whose linear part is 0 at a point gives 0 there and leaves
// "Division by Zero" set.
TEST(CandidateTerms, ReciprocalVariantAtAZeroLinearPart) {
  ExprContext ctx;
  TFitRunScales sc;
  const long double p[3] = {-3, 1, 1};  // s = -3 + x + y
  const Terms terms{2, 0, 21};
  EXPECT_EQ(std::tuple(TermSubsetValue(ctx, 1, 2, p, terms, 2, sc), ctx.ExprMathError), std::tuple(0.0L, -1));
  ctx.ExprMathError = 0;
  EXPECT_EQ(TermSubsetValue(ctx, 2, 2, p, terms, 2, sc), 1.0L);
  EXPECT_LD_NEAR(TermSubsetValue(ctx, 2, 2, p, Terms{1, 0, 21}, 2, sc), std::exp(1.0L), 1e-18L);  // ln z
  EXPECT_EQ(TermSubsetValue(ctx, 2, 2, p, Terms{5, 0, 21}, 2, sc), 0.0L);                          // no such variant
}

// ---- The search ---------------------------------------------------------------------

PointTable PositiveGrid(const Surface& f) { return GridTable(Axis(1, 0.5L, 9), Axis(0.5L, 0.25L, 8), f); }

std::map<int, int> CountPerSize(const TFitList& list) {
  std::map<int, int> n;
  for (int i = 1; i <= list.Count(); ++i)
    if (KindOfEquation(list.At(i)->equationNumber) == kKindTermSubset) ++n[list.At(i)->m];
  return n;
}

// z = 1 + 2x + 3y² over positive x and y: the pair {x, y²} is equation 3024 with r² 1 and
// the parameters 1, 2, 3.
TEST(SearchTermCombinations, RecoversTheExactPair) {
  PointTable t = PositiveGrid([](long double x, long double y) { return 1 + 2 * x + 3 * y * y; });
  TFitList list;
  const RunResult r = RunFit(t, LinearSelection(0, 0, kSubsetZ), DefaultFitOptions(), list);
  ASSERT_GT(r.result, 0);
  const TFitResult* f = FindEquation(list, 3024);
  ExpectParameters(f, {1, 2, 3}, 1e-14L);
  EXPECT_LD_NEAR(f->parameters[1], 2.0L, 1e-15L);
  EXPECT_LD_NEAR(f->parameters[2], 3.0L, 1e-15L);
  EXPECT_LD_NEAR(f->r2, 1.0L, 1e-16L);
  EXPECT_EQ(std::tuple(f->m, f->terms, f->complexity, f->descriptor, Best(list)->equationNumber),
            std::tuple(2, Terms{0, 0, 24}, 5, std::array<std::uint8_t, 6>{}, 3024));  // complexity 4.12 + 1.06
  // Every subset the search tried was counted: the x and y ranges hold 1, so x/ln x and 1/ln x
  // of both take no part (a pole among the data): the 703 pairs of the 38 others and the
  // screened counts (4060, 3060, 2002, 924, 792 and 495).
  EXPECT_EQ(std::tuple(r.counters.subsets[0], r.counters.tried), std::tuple(12036, 12036u));
}

// The ln z and 1/z fits of the same data are measured in z units: ln z of z = e^(1+x+y) is
// exact, with SSE 0 in z.
TEST(SearchTermCombinations, LogVariantIsMeasuredInZUnits) {
  PointTable t = PositiveGrid([](long double x, long double y) { return std::exp(0.5L + 0.3L * x + 0.2L * y); });
  TFitList list;
  RunFit(t, LinearSelection(0, 0, kSubsetLnZ), DefaultFitOptions(), list);
  const TFitResult* f = FindEquation(list, 151232259);
  ExpectParameters(f, {0.5L, 0.3L, 0.2L}, 1e-14L);
  EXPECT_LD_NEAR(f->parameters[1], 0.3L, 1e-15L);
  EXPECT_LD_NEAR(f->parameters[2], 0.2L, 1e-15L);
  EXPECT_LT(f->sse, 1e-20L);
  const TDataStats stats = StatsOf(t);
  for (int i = 1; i <= list.Count(); ++i) {
    const TFitResult* g = list.At(i);
    EXPECT_EQ(g->terms[0], 1);
    EXPECT_LD_NEAR(g->r2, 1 - g->sse / stats.SSTotal, 1e-15L);
  }
}

// With keep 10 every size from 2 to 8 holds exactly 10 subsets; with keep 3, three.
TEST(SearchTermCombinations, KeepCountPerSize) {
  PointTable t = PositiveGrid([](long double x,
      long double y) { return std::sin(x) * std::sqrt(y) + 0.1L * x * std::log(1 + y * y); });
  for (std::uint32_t keep : {10u, 3u}) {
    TFitOptions o = DefaultFitOptions();
    o.keepSubset = keep;
    TFitList list;
    RunFit(t, LinearSelection(0, 0, kSubsetZ), o, list);
    const std::map<int, int> n = CountPerSize(list);
    for (int k = 2; k <= 8; ++k) EXPECT_EQ(n.count(k) ? n.at(k) : 0, static_cast<int>(keep)) << keep << " " << k;
    // Kept in the order of their r² within each size.
    for (int i = 2; i <= list.Count(); ++i) {
      EXPECT_TRUE(list.At(i)->m != list.At(i - 1)->m || list.At(i - 1)->r2 >= list.At(i)->r2) << i;
    }
  }
}

// Noisy data that no reciprocal model follows: whatever the search keeps has 0 <= SSE <= SST
// and statistics that are numbers.
TEST(SearchTermCombinations, NoSubsetWorseThanTheMeanIsStored) {
  std::uint64_t state = 99;
  auto noise = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L - 0.5L;
  };
  PointTable t = PositiveGrid([&](long double x, long double y) { return 3 + std::cos(5 * x * y) + noise(); });
  TFitList list;
  RunFit(t, LinearSelection(0, 0, kSubsetMaskAll), DefaultFitOptions(), list);
  const TDataStats stats = StatsOf(t);
  ASSERT_GT(list.Count(), 0);
  for (int i = 1; i <= list.Count(); ++i) {
    const TFitResult* f = list.At(i);
    EXPECT_TRUE(f->sse >= 0 && f->sse <= stats.SSTotal) << f->equationNumber;
    EXPECT_TRUE(std::isfinite(f->r2) && std::isfinite(f->fitStdError) && std::isfinite(f->f) && f->procedure != -1);
  }
}

// Negative x: no term with a logarithm or a root of x in any kept fit.
TEST(SearchTermCombinations, NegativeXExcludesLogAndRootTerms) {
  PointTable t = GridTable(Axis(-2, 0.5L, 9), Axis(1, 0.5L, 7),
                           [](long double x, long double y) { return 2 + x * x + std::log(y); });
  TFitList list;
  RunFit(t, LinearSelection(0, 0, kSubsetZ | kSubsetInvZ), DefaultFitOptions(), list);
  ASSERT_GT(list.Count(), 0);
  const std::set<int> logRoot = {1, 2, 4, 5, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18};
  for (int i = 1; i <= list.Count(); ++i)
    for (int j = 1; j <= list.At(i)->m; ++j) EXPECT_EQ(logRoot.count(list.At(i)->terms[j]), 0u);
}

// A term limit below 2 (highest term count 2) skips the phase; the run goes on. Four
// points: only pairs (h = 2), and the adjusted r² of a pair has n - k - 2 = 0 degrees of
// freedom: it ranks last instead of dividing by zero.
TEST(SearchTermCombinations, SmallTermLimitsSkipThePhaseOrGivePairsWithGuardedStatistics) {
  PointTable t = PositiveGrid([](long double x, long double y) { return 1 + x + y; });
  TFitOptions o = DefaultFitOptions();
  o.highestTerm = 1;
  TFitList list;
  const RunResult skipped = RunFit(t, LinearSelection(0, 0, kSubsetMaskAll), o, list);
  EXPECT_EQ(std::tuple(skipped.result, list.Count()), std::tuple(0, 0));
  PointTable four = GridTable(Axis(1, 1, 2), Axis(1, 1, 2), [](long double x, long double y) { return x + y * y * y; });
  const RunResult r = RunFit(four, LinearSelection(0, 0, kSubsetZ), DefaultFitOptions(), list);
  ASSERT_GT(r.result, 0);
  EXPECT_EQ(r.counters.subsets[0], 703);  // every pair of the 38 terms defined from x, y = 1 to 2
  for (int i = 1; i <= list.Count(); ++i) {
    EXPECT_EQ(std::tuple(list.At(i)->m, list.At(i)->adjustedR2), std::tuple(2, kUndefinedDescending));
  }
}

// The z variant's mark lives for one run: a later run of ln z alone is not held back by it.
TEST(SearchTermCombinations, MarkOfTheZVariantIsResetPerRun) {
  // z follows a pair exactly; ln z does not: with the z variant in the run, ln z stops at
  // pairs.
  PointTable t = PositiveGrid([](long double x, long double y) { return 1 + 2 * x + 3 * y * y; });
  TFitList both, alone;
  RunFit(t, LinearSelection(0, 0, kSubsetZ | kSubsetLnZ), DefaultFitOptions(), both);
  EXPECT_GT(SubsetBestR2()[0], 0.99L);
  for (int i = 1; i <= both.Count(); ++i) EXPECT_FALSE(both.At(i)->terms[0] == 1 && both.At(i)->m > 2) << i;

  RunFit(t, LinearSelection(0, 0, kSubsetLnZ), DefaultFitOptions(), alone);
  EXPECT_EQ(SubsetBestR2()[0], 0.0L);
  const std::map<int, int> n = CountPerSize(alone);
  EXPECT_GT(n.count(8) ? n.at(8) : 0, 0);
}

// The normal equations of a subset from the sums of its variant, against a direct sum.
// Sixty points far from the origin, every value exact in binary: x = 1e6 + u, y = -5000 + v
// and z = 100 + u/512 + v/4 + u²/2^20 + e/256, with u in 0..999, v in 0..49 and e in -8..8
// drawn from the generator below. Over x in [1e6, 1e6 + 1000] the x terms are nearly
// collinear: the correlation form's sums cancel and the slopes it turns back into the units of
// the data missed the fit their r² promised. Each listed fit below has the least-squares SSE
// of its terms (mpmath, 120 digits, normal equations of the exact data); before, they were
// listed with 0.0181988, 0.0181881 and 0.0305931: 4.5e-4, 17 % and 100 % above it.
//
// Subsets of more than five of these terms are nearly dependent on the data: their
// correlation matrices have conditions near 1e16 and more, where the correlation form's r²
// is rounding (the subsets of seven and eight terms this test once named were listed on some
// machines and not on others, by the last bit of the logarithms), and the rounding of the
// coordinates would set their coefficients. The search lists none of them; the fits of two to
// five terms it lists are the same on every machine, and the least-squares fits of their
// terms (mpmath, 60 digits: tests/fit/far_fits_reference.py).
TEST(SearchTermCombinations, FarFromTheOriginEveryFitIsTheLeastSquaresFitOfItsTerms) {
  std::uint64_t s = 0x9E3779B97F4A7C15ULL;
  auto next = [&s](int modulus) {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((s >> 11) % static_cast<std::uint64_t>(modulus));
  };
  PointTable t = NewPointTable(60);
  for (std::size_t i = 1; i <= 60; ++i) {
    const long double u = next(1000), v = next(50), e = next(17) - 8;
    t[i].X = 1000000 + u;
    t[i].Y = -5000 + v;
    t[i].Z = 100 + u / 512 + v / 4 + u * u / 1048576 + e / 256;
    t[i].W = 1;
    t[i].Status = kPointActive;
  }
  TFitList list;
  ASSERT_GT(RunFit(t, LinearSelection(0, 0, kSubsetZ), DefaultFitOptions(), list).result, 0);
  const struct {
    int equation;
    Terms terms;
    long double sse;
  } cases[] = {
      {3252, {0, 6, 27}, 0.28105988928148666536L},
      {13322, {0, 18, 19, 24}, 0.017966758888948559992L},
      {96498, {0, 11, 13, 27, 40}, 0.017746943964898862737L},
  };
  for (const auto& c : cases) {
    const TFitResult* f = FindEquation(list, c.equation);
    ASSERT_NE(f, nullptr) << c.equation;
    EXPECT_EQ(Terms(f->terms.begin(), f->terms.end()), c.terms);
    EXPECT_LD_NEAR(f->sse, c.sse, 1e-9L * c.sse) << c.equation;
  }
  for (int i = 1; i <= list.Count(); ++i) EXPECT_LE(list.At(i)->m, 5) << list.At(i)->equationNumber;
}

TEST(BuildSubsetNormalEquations, MatchesDirectSums) {
  PointTable t = PositiveGrid([](long double x, long double y) { return 1 + x * y; });
  const TDataStats stats = StatsOf(t);
  TFitList list;
  TFitRunContext ctx(t, stats, LinearSelection(0, 0, kSubsetMaskAll), DefaultFitOptions(), list);
  CountFitRun(ctx);
  ASSERT_GE(ComputeFitSums(ctx), 2);
  const Terms terms{2, 3, 16, 33};  // 1/z on x², 1/x, ln y
  LDMatrix a(4, 4);
  long double b[4];
  BuildSubsetNormalEquations(*ctx.sums, 3, terms, a.Data(), b);
  long double ea[4][4] = {}, eb[4] = {};
  ExprContext e;
  for (const TXYZPoint& p : PointsOf(std::span<const TXYZPoint>(t))) {
    const long double w = p.Z * p.Z * p.Z * p.Z;  // the weight of 1/z
    long double g[4] = {1, 0, 0, 0};
    for (int i = 1; i <= 3; ++i) g[i] = TermValue(e, p.X, p.Y, terms[i], ctx.scales);
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) ea[i][j] += w * g[i] * g[j];
      eb[i] += w * g[i] / p.Z;
    }
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_LD_NEAR(a[i][j], ea[i][j], 1e-15L * std::fabs(ea[i][j])) << i << j;
    EXPECT_LD_NEAR(b[i], eb[i], 1e-15L * std::fabs(eb[i])) << i;
  }
}

}  // namespace
