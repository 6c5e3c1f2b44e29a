// No listed fit has a pole, or no value, between the points it was fitted to: the linear part
// of a 1/Z term-subset fit is bracketed over the data rectangle from its parameters, however
// narrow its dip below 0; a user function is sampled over the rectangle. Fits without a pole
// on the same data stay listed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "fit/fit_evaluation.h"
#include "fit/fit_kinds.h"
#include "fit/fit_refit.h"
#include "fit/sampled_surface_check.h"
#include "fit/term_subset_range.h"
#include "fit_test_data.h"
#include "pole_hunt_support.h"

namespace {

using namespace fit_test;

// The linear part's least and largest value over the rectangle, bracketed: each reference lies
// between the bound and the value attained, and the value attained is the reference to a
// rounding of the terms' size.
TEST(SubsetLinearPartRange, BracketsTheExtremesFromTheParameters) {
  // f(x) = 3 exp(x/2) - 8 √x ln x + 5 ln x / x over [0.5, 6] and g(y) = -0.2 y + 0.18 y³ over
  // [-0.8, 0.8]: min f + min g = -0.059930519963114634222 (f at x = 3.1299055312625180310,
  // g at y = 0.60858061945018457051), max f + max g = 26.719716211909723080 (f at 6, g at
  // -0.60858...) (mpmath at 40 digits, the roots of f' and g' by findroot).
  constexpr long double kLeast = -0.059930519963114634222L, kLargest = 26.719716211909723080L;
  TFitRunScales scales;
  scales.xScale = 2.0L;
  const std::vector<std::int32_t> transcendental = {2, 7, 8, 15, 21, 27};
  // (x - 2.03)² - 1e-6 over [0.5, 3.5]: 0 at 2.029 and 2.031, least -1e-6 at 2.03, largest
  // 2.3409 - 1e-6 at 0.5 (closed form).
  const std::vector<std::int32_t> parabola = {2, 0, 3};
  // 1000 - 1e-6 - 2/x + 0.001/x² over [0.0005, 1]: least -1e-6 at x = 0.001, largest
  // 1000 - 1e-6 at x = 0.0005 (closed form: a - b²/4c at x = -2c/b).
  const std::vector<std::int32_t> reciprocal = {2, 16, 19};
  const struct {
    const char* name;
    const std::vector<std::int32_t>& terms;
    std::vector<long double> p;
    TValueRange x, y;
    long double least, largest;
    bool vanishes;
  } cases[] = {
      {"transcendental, 1e-9 above 0", transcendental, {-kLeast + 1e-9L, 3, -8, 5, -0.2L, 0.18L}, {0.5L, 6}, {-0.8L, 0.8L},
       1e-9L, kLargest - kLeast + 1e-9L, false},
      {"transcendental, 1e-9 below 0", transcendental, {-kLeast - 1e-9L, 3, -8, 5, -0.2L, 0.18L}, {0.5L, 6}, {-0.8L, 0.8L},
       -1e-9L, kLargest - kLeast - 1e-9L, true},
      {"parabola dipping 1e-6 below 0", parabola, {4.1209L - 1e-6L, -4.06L, 1}, {0.5L, 3.5L}, {1, 3}, -1e-6L,
       2.3409L - 1e-6L, true},
      {"parabola 1e-6 above 0", parabola, {4.1209L + 1e-6L, -4.06L, 1}, {0.5L, 3.5L}, {1, 3}, 1e-6L, 2.3409L + 1e-6L,
       false},
      {"1/x and 1/x² dipping below 0 at x = 0.001", reciprocal, {1000 - 1e-6L, -2, 0.001L}, {0.0005L, 1}, {1, 2}, -1e-6L,
       1000 - 1e-6L, true},
  };
  for (const auto& c : cases) {
    const int m = static_cast<int>(c.terms.size()) - 1;
    const TLinearPartRange r = SubsetLinearPartRange(c.p.data(), c.terms, m, c.x, c.y, scales);
    ASSERT_TRUE(r.defined) << c.name;
    const long double size = 1e-14L * (1 + std::fabs(c.largest));
    EXPECT_LE(r.low.bound, c.least) << c.name;
    EXPECT_NEAR(static_cast<double>(r.low.attained), static_cast<double>(c.least), static_cast<double>(size)) << c.name;
    EXPECT_GE(r.high.bound, c.largest) << c.name;
    EXPECT_NEAR(static_cast<double>(r.high.attained), static_cast<double>(c.largest), static_cast<double>(size))
        << c.name;
    EXPECT_NEAR(static_cast<double>(r.low.attained - r.low.bound), 0.0, static_cast<double>(size)) << c.name;
    EXPECT_EQ(SubsetLinearPartVanishes(c.p.data(), c.terms, m, c.x, c.y, scales), c.vanishes) << c.name;
  }
  // A term without a value over its range (ln x from x = -1) leaves the part undefined.
  const std::vector<std::int32_t> logarithm = {2, 12};
  const long double p[] = {1, 1};
  EXPECT_FALSE(SubsetLinearPartRange(p, logarithm, 1, {-1, 2}, {0, 1}, scales).defined);
  EXPECT_TRUE(SubsetLinearPartVanishes(p, logarithm, 1, {-1, 2}, {0, 1}, scales));
}

// A surface known by its values: a node without one, or a pole between nodes, condemns it; a
// crossing of the middle level however steep, if continuous, does not.
TEST(SampledSurfaceDefined, NodesWithoutAValueAndPolesBetweenNodes) {
  const auto sampler = [](auto f) {
    return [f](long double x, long double y, long double& z) {
      z = f(x, y);
      return std::isfinite(z);
    };
  };
  const TValueRange unit{0, 1};
  const struct {
    const char* name;
    TSurfaceSampler surface;
    bool defined;
  } cases[] = {
      {"plane", sampler([](long double x, long double y) { return 0.5L + 0.3L * x * y; }), true},
      {"pole between nodes at x = 0.3", sampler([](long double x, long double) { return 1 / (x - 0.3L); }), false},
      {"pole at the node x = 0.5", sampler([](long double x, long double) { return 1 / (x - 0.5L); }), false},
      {"a crossing a millionth wide", sampler([](long double x, long double) { return std::tanh((x - 0.3L) * 1e6L); }),
       true},
      {"no root below x + y = 0.5", sampler([](long double x, long double y) { return std::sqrt(x + y - 0.5L); }), false},
  };
  for (const auto& c : cases) EXPECT_EQ(SampledSurfaceDefined(c.surface, unit, unit, unit), c.defined) << c.name;
}

class PolesBetweenPoints : public ::testing::Test {
 protected:
  UserFunctionScope scope_;
};

// The points of z(x, y) at x = 0.5, 0.75, .. 1.5 and 2.5, .. 3.5, y = 1, 2, 3: nothing between
// x = 1.5 and 2.5.
PointTable TwoClusters(const Surface& f) {
  std::vector<long double> xs = Axis(0.5L, 0.25L, 5), right = Axis(2.5L, 0.25L, 5);
  xs.insert(xs.end(), right.begin(), right.end());
  return GridTable(xs, Axis(1, 1, 3), f);
}

// The terms of a listed fit, or an empty list.
std::vector<std::int32_t> TermsOf(const TFitResult& f) { return {f.terms.begin(), f.terms.begin() + f.m + 1}; }

// 1/z = (x - 2.03)² - 1e-6 is fitted exactly by the term subset {x, x²} of 1/Z, whose linear
// part dips below 0 between x = 2.029 and 2.031, where no point lies: its surface runs to
// z = -1e6 at x = 2.03 and to ±infinity at the two roots (closed form). A grid of 33 nodes over
// the rectangle (0.094 apart) stepped over the dip and the fit was listed first, r² 1. Every
// 1/Z fit listed is now positive wherever a fine grid looks (the data are), and fits of Z and
// ln Z and 1/Z fits without a pole are still listed.
TEST_F(PolesBetweenPoints, OneOverZFitsWithANarrowDipBelowZeroAreNotListed) {
  TSession session;
  PublishRun(session, TwoClusters([](long double x, long double) { return 1 / ((x - 2.03L) * (x - 2.03L) - 1e-6L); }),
             LinearSelection(0, 0, kSubsetMaskAll));
  const TDataStats& st = session.DataStats;
  int inverseZ = 0, others = 0;
  for (int rank = 1; rank <= session.FitList.Count(); ++rank) {
    const TFitResult& f = *session.FitList.At(rank);
    if (f.terms[0] != kVariantInvZ) {
      ++others;
      continue;
    }
    ++inverseZ;
    EXPECT_NE(TermsOf(f), (std::vector<std::int32_t>{kVariantInvZ, 0, 3})) << "rank " << rank;
    const std::optional<TFitSide> side = RefitRank(session, rank, kRefitRecord);
    ASSERT_TRUE(side);
    long double least = std::numeric_limits<long double>::infinity();
    for (int i = 0; i <= 6000; ++i)
      for (int j = 0; j <= 4; ++j) {
        const long double x = st.X.Min + (st.X.Max - st.X.Min) * i / 6000, y = st.Y.Min + (st.Y.Max - st.Y.Min) * j / 4;
        least = std::min(least, EvalFitZ(*side, x, y));
      }
    EXPECT_GT(least, 0.0L) << "rank " << rank << ", equation " << f.equationNumber;
  }
  EXPECT_GT(inverseZ, 0);
  EXPECT_GT(others, 0);
}

// User functions: Z = A0/(X-A1)+A2*Y fitted to z = 1/(x - 2) + 0.5y on both sides of x = 2 is
// exact at every point (A1 = 2) and has its pole at x = 2, between the clusters (closed form);
// Z = A0*LN(X+Y-A1)+A2 fitted to z = 2 ln(x + y - 2.5) + 1 at the points of [1, 3]² with
// x + y >= 3.5 is exact (A1 = 2.5) and has no value below x + y = 2.5, the rectangle's corner.
// Both were listed with r² 1. The plane on the first data and the logarithm on data it covers
// (A1 = 1.5) are listed.
TEST_F(PolesBetweenPoints, UserFunctionsWithAPoleOrNoValueOverTheRectangleAreNotListed) {
  DefineUserFunction(0, "Z=A0/(X-A1)+A2*Y", {1, 2.2L, 0});
  DefineUserFunction(1, "Z=A0+A1*X+A2*Y", {1, 1, 1});
  TSession pole;
  PublishRun(pole, TwoClusters([](long double x, long double y) { return 1 / (x - 2) + 0.5L * y; }), TFitSelection{},
             &BoundUdfTable());
  EXPECT_EQ(FindEquation(pole.FitList, 2501), nullptr);
  EXPECT_NE(FindEquation(pole.FitList, 2502), nullptr);
  FreeAllUdfs();

  // Compiled with X and Y at 0: a start of A1 below 0 gives the logarithm a value there.
  DefineUserFunction(2, "Z=A0*LN(X+Y-A1)+A2", {1, -1, 0});
  for (const long double a1 : {2.5L, 1.5L}) {
    const Surface f = [a1](long double x, long double y) { return 2 * std::log(x + y - a1) + 1; };
    std::vector<TXYZPoint> kept;
    for (long double x : Axis(1, 0.5L, 5))
      for (long double y : Axis(1, 0.5L, 5))
        if (x + y >= 3.5L) kept.push_back({.X = x, .Y = y, .Z = f(x, y), .W = 1, .Status = kPointActive});
    PointTable t = NewPointTable(static_cast<int>(kept.size()));
    std::copy(kept.begin(), kept.end(), t.begin() + 1);
    TSession session;
    PublishRun(session, std::move(t), TFitSelection{}, &BoundUdfTable());
    const TFitResult* fit = FindEquation(session.FitList, 2503);
    if (a1 == 2.5L) {
      EXPECT_EQ(fit, nullptr);
    } else {
      ASSERT_NE(fit, nullptr);
      ExpectParameters(fit, {2, 1.5L, 1}, 1e-8L);
    }
  }
}

// The hunt's tables where listed fits had poles (a 1/Z fit of twelve scattered points, a
// user-defined rational on five) and others with user functions, a gap or z near 0: every
// rational, 1/Z fit and user function listed is scanned over the data rectangle (a grid, the
// edges, sign changes bisected, |z| climbed, a 1/Z fit's linear part along each axis) and
// stays within a million times the data's z range (a pole the scan meets runs to 1e15 and
// more), with a value everywhere. Before, the two 1/Z fits' linear parts fell to -0.00032 and
// -0.0016 between the points (their surfaces 1e18 there) and the rational's denominator
// crossed 0.
TEST_F(PolesBetweenPoints, NoListedFitOfTheHuntsTablesHasAPole) {
  const std::vector<pole_hunt::THuntTable> tables = pole_hunt::HuntTables(31);  // up to "random 30"
  TFitSelection selection;
  TFitOptions options = DefaultFitOptions();
  SetSelectionForFitKind(kFitKindLinear, selection, options);
  int examined = 0;
  for (const int index : {0, 4, 5, 8, 22, 23, 28, 39, 62}) {
    const pole_hunt::THuntTable& table = tables[static_cast<std::size_t>(index)];
    TSession session;
    ASSERT_GT(pole_hunt::FitHuntTable(session, table, selection, options), 0) << table.name;
    for (int rank = 1; rank <= session.FitList.Count(); ++rank) {
      // The families whose surface can have a pole; the others (polynomials and series, fits
      // of Z and ln Z of terms defined over the data's range) have a value everywhere.
      const TFitResult& f = *session.FitList.At(rank);
      const int kind = KindOfEquation(f.equationNumber);
      if (!(kind == kKindRational || IsUdfEquation(f.equationNumber) ||
            (kind == kKindTermSubset && f.terms[0] == kVariantInvZ)))
        continue;
      const std::optional<TFitSide> side = RefitRank(session, rank, kRefitRecord);
      ASSERT_TRUE(side);
      ExprThreadContext().CurrentUdf = side->udfIndex >= 0 ? side->udfIndex : 0;
      const pole_hunt::TScan s = pole_hunt::TScanner(*side, session.DataStats, {41, 501, 2001}).Run();
      ++examined;
      EXPECT_FALSE(s.undefined || s.separableZero || s.worst > 1e6L)
          << table.name << ", rank " << rank << ", equation " << f.equationNumber << ": " << static_cast<double>(s.worst)
          << " data ranges at (" << static_cast<double>(s.x) << ", " << static_cast<double>(s.y) << ")";
    }
  }
  EXPECT_GT(examined, 700);
}

}  // namespace
