// The sums phase of a fit run: the rows of the sums table, the scales and the term
// exclusions it derives from the data.

#include <set>
#include <tuple>

#include "fit_test_data.h"
#include "support/long_double_near.h"

namespace {

using namespace fit_test;

// A small scattered table with positive x, y and z and unequal weights.
PointTable Scattered(int n, long double xShift = 0.5L) {
  PointTable t = NewPointTable(n);
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = t[static_cast<std::size_t>(i)];
    p.X = xShift + 0.37L * i - 0.013L * i * i / n;
    p.Y = 1.0L + std::fmod(0.61803398875L * i, 1.0L) * 3.0L;
    p.Z = 2.0L + std::sin(p.X) + 0.5L * p.Y;
    p.W = 0.5L + 0.25L * (i % 3);
    p.Status = kPointActive;
  }
  return t;
}

TEST(FitSums, IndexFunctionsCoverTheLayoutOnce) {
  // Every row of the layout has exactly one index, and none lies above 3445.
  std::set<int> seen;
  auto add = [&](int i) {
    EXPECT_TRUE(seen.insert(i).second) << "index " << i << " used twice";
    EXPECT_GE(i, 0);
    EXPECT_LE(i, 3445);
  };
  for (int v = 0; v < 3; ++v) {
    for (int t = 0; t < 42; ++t) {
      add(TSumsTable::Term(v, t));
      add(TSumsTable::TermSquare(v, t));
      add(TSumsTable::TermZ(v, t));
      for (int j = t + 1; j < 42; ++j) add(TSumsTable::Pair(v, t, j));
    }
    add(TSumsTable::Z(v));
    add(TSumsTable::ZSquare(v));
    add(TSumsTable::Count(v));
  }
  for (int a = 5; a <= 10; ++a)
    for (int p = 1; p <= 10; ++p) {
      add(TSumsTable::Power(a, p));
      add(TSumsTable::PowerZ(a, p));
    }
  for (int a = 5; a <= 7; ++a)
    for (int c = 8; c <= 10; ++c) {
      for (int p = 1; p <= 5; ++p)
        for (int q = 1; q <= 5; ++q) add(TSumsTable::CrossPower(a, p, c, q));
      add(TSumsTable::ZXY(a, c));
      add(TSumsTable::ZXY2(a, c));
      add(TSumsTable::ZX2Y(a, c));
    }
  for (int a : {5, 6, 8, 9})
    for (int p = 1; p <= 6; ++p) add(TSumsTable::PowerZ2(a, p));
  for (int a = 5; a <= 6; ++a)
    for (int c = 8; c <= 9; ++c) {
      for (int p = 1; p <= 3; ++p)
        for (int q = 1; q <= 3; ++q) {
          add(TSumsTable::CrossZ(a, p, c, q));
          add(TSumsTable::CrossZ2(a, p, c, q));
        }
      add(TSumsTable::Z2X3Y(a, c));
      add(TSumsTable::Z2XY3(a, c));
    }
  EXPECT_EQ(seen.size(), 3446u);
  EXPECT_EQ(TSumsTable::Pair(0, 40, 41), 387 + 860);
  EXPECT_EQ(TSumsTable::Pair(2, 7, 3), TSumsTable::Pair(2, 3, 7));
}

// Every row is a running sum over the active points in table order of one product, formed
// as the comments of fit_sums.h give it. The reference here gathers a sample of rows point
// by point; the table must hold exactly the same numbers.
TEST(FitSums, RowsAreTheWeightedSumsInTableOrder) {
  SumsRun run(Scattered(157), LinearSelection(63, 27, 7));
  const TFitRunContext& ctx = *run.ctx;
  const long double sx = ctx.scales.xScale, sy = ctx.scales.yScale;
  long double count = 0, sz = 0, pair07_12 = 0, lnzPair = 0, invTermZ = 0, pw = 0, cross = 0,
              crossZ2 = 0, zxy2 = 0, termSquare = 0;
  for (int i = 1; i <= PointCount(run.table); ++i) {
    const TXYZPoint& p = run.table[static_cast<std::size_t>(i)];
    const long double w = p.W * run.stats.WeightScale;
    long double tx[21], ty[21];
    FillCandidateTerms(p.X, sx, true, false, false, tx);
    FillCandidateTerms(p.Y, sy, true, false, false, ty);
    const long double z2 = p.Z * p.Z;
    count += w;
    sz += w * p.Z;
    pair07_12 += (w * tx[7]) * tx[12];                 // exp(x/s)·ln x, fit of Z
    lnzPair += (w * z2 * tx[3]) * ty[16 - 0];          // x²·(1/y), fit of ln Z
    invTermZ += (w * (z2 * z2) * (1.0L / p.Z)) * ty[9];  // (ln y)², fit of 1/Z
    termSquare += w * (tx[11] * tx[11]);
    pw += w * std::pow(std::log(p.X), 3.0L);
    cross += (w * (1.0L / p.X) * (1.0L / p.X)) * (p.Y * p.Y * p.Y);
    crossZ2 += (w * z2) * (std::log(p.X) * (p.Y * p.Y));
    zxy2 += (w * p.Z * p.X) * (p.Y * p.Y);
  }
  const TSumsTable& s = run.S();
  EXPECT_EQ(s[TSumsTable::Count(0)], count);
  EXPECT_EQ(s[TSumsTable::Z(0)], sz);
  EXPECT_EQ(s[TSumsTable::Pair(0, 7, 12)], pair07_12);
  EXPECT_EQ(s[TSumsTable::Pair(1, 3, 21 + 16)], lnzPair);
  EXPECT_EQ(s[TSumsTable::TermZ(2, 21 + 9)], invTermZ);
  EXPECT_EQ(s[TSumsTable::TermSquare(0, 11)], termSquare);
  // Powers are repeated products, not pow(): compare to the last bits only.
  EXPECT_NEAR(static_cast<double>(s[TSumsTable::Power(kKindLnX, 3)] / pw), 1.0, 1e-17);
  EXPECT_NEAR(static_cast<double>(s[TSumsTable::CrossPower(kKindInvX, 2, kKindY, 3)] / cross), 1.0,
              1e-17);
  EXPECT_EQ(s[TSumsTable::CrossZ2(kKindLnX, 1, kKindY, 2)], crossZ2);
  EXPECT_EQ(s[TSumsTable::ZXY2(kKindX, kKindY)], zxy2);
  // With n active points the normalised weights add up to n.
  EXPECT_NEAR(static_cast<double>(count), 157.0, 1e-15);
}

TEST(FitSums, UnitWeightsGiveCountsOfNAndTheZPowers) {
  SumsRun run(GridTable(Axis(1, 1, 5), Axis(1, 1, 4), [](long double x, long double y) { return x + 2 * y; }),
              LinearSelection(9, 0, 1));
  long double z2 = 0, z4 = 0;
  for (int i = 1; i <= 20; ++i) {
    const long double z = run.table[static_cast<std::size_t>(i)].Z;
    z2 += z * z;
    z4 += (z * z) * (z * z);
  }
  EXPECT_EQ((std::vector{run.S()[90], run.S()[91], run.S()[92]}), (std::vector{20.0L, z2, z4}));
}

TEST(FitSums, ReciprocalRowsAtXZeroAndXOne) {
  // At x = 1, ln x = 0: x/ln x and 1/ln x are taken as 0 there.
  SumsRun one(GridTable({1.0L}, Axis(1, 1, 4), [](long double, long double y) { return y; }), LinearSelection(9, 0, 1));
  for (int code : {10, 13}) {
    EXPECT_EQ(one.S()[TSumsTable::Term(0, code)], 0.0L) << code;
    EXPECT_EQ(one.S()[TSumsTable::TermSquare(0, code)], 0.0L) << code;
  }
  // Two points at x = 0 (1/x = 1e300) and two at x = 2, unit weights.
  SumsRun zero(GridTable({0.0L, 2.0L}, {1.0L, 2.0L}, [](long double, long double y) { return y; }),
               LinearSelection(63, 0, 1));
  const long double expected = 2 * (1.0L / 1e-300L) + 2 * 0.5L;
  EXPECT_EQ(zero.S()[TSumsTable::Power(kKindInvX, 1)], expected);
  EXPECT_EQ(zero.S()[TSumsTable::Term(0, 16)], expected);
}

TEST(FitSums, NegativeXLeavesEveryLogarithmRowEmpty) {
  SumsRun run(GridTable(Axis(-2, 1, 6), Axis(2, 1, 4), [](long double x, long double y) { return 5 + x + y; }),
              LinearSelection(63, 27, 7));
  const TSumsTable& s = run.S();
  EXPECT_TRUE(run.ctx->lnXExcluded);
  EXPECT_FALSE(run.ctx->lnYExcluded);
  for (int p = 1; p <= 10; ++p) {
    EXPECT_EQ(std::tuple(s[TSumsTable::Power(kKindLnX, p)], s[TSumsTable::PowerZ(kKindLnX, p)]), std::tuple(0.0L, 0.0L))
        << p;
  }
  EXPECT_EQ(s[TSumsTable::CrossZ(kKindLnX, 2, kKindLnY, 1)], 0.0L);
  EXPECT_NE(s[TSumsTable::CrossZ(kKindX, 2, kKindLnY, 1)], 0.0L);
  for (int code : {1, 2, 4, 5, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18}) {
    const auto& ex = run.ctx->termExcluded;
    EXPECT_EQ(std::tuple(int{ex[static_cast<std::size_t>(code)]}, int{ex[static_cast<std::size_t>(21 + code)]},
                         s[TSumsTable::Term(0, code)], s[TSumsTable::Pair(0, code, 30)]),
              std::tuple(1, 0, 0.0L, 0.0L))
        << code;
  }
  // The x range holds 0: 1/x and 1/x² have a pole among the data and take no part either,
  // nor does the 1/x family; their y twins and 1/y do.
  EXPECT_EQ(std::tuple(int{run.ctx->termExcluded[16]}, int{run.ctx->termExcluded[19]}, int{run.ctx->termExcluded[37]},
                       int{run.ctx->termExcluded[40]}, run.ctx->invXExcluded, run.ctx->invYExcluded),
            std::tuple(1, 1, 0, 0, true, false));
}

// Every kind and term that has no value somewhere over the data's range takes no part: at a
// point (ln x and the reciprocal roots at x = 0) or between points (1/x across 0, x/ln x and
// 1/ln x across 1), and no others.
TEST(FitSums, TermsUndefinedOverTheDataTakeNoPart) {
  const struct {
    long double min, max;
    std::set<int> excluded;
    bool lnKind, inverseKind;
  } cases[] = {
      {0.5L, 0.9L, {}, true, true},
      {1.5L, 4.0L, {}, true, true},
      {0.5L, 4.0L, {10, 13}, true, true},          // across 1
      {1.0L, 4.0L, {10, 13}, true, true},          // from 1
      {0.0L, 4.0L, {1, 4, 8, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19}, false, false},  // from 0
      {-4.0L, -1.0L, {1, 2, 4, 5, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18}, false, true},
      {-1.0L, 4.0L, {1, 2, 4, 5, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}, false, false},
  };
  for (const auto& c : cases) {
    TAxisStats axis;
    axis.Min = c.min;
    axis.Max = c.max;
    std::uint8_t flags[21] = {};
    ExcludeUndefinedTerms(axis, flags);
    std::set<int> excluded;
    for (int k = 0; k < 21; ++k)
      if (flags[k]) excluded.insert(k);
    EXPECT_EQ(excluded, c.excluded) << static_cast<double>(c.min) << ".." << static_cast<double>(c.max);
    EXPECT_EQ(std::tuple(LogKindAllowed(axis), ReciprocalKindAllowed(axis)), std::tuple(c.lnKind, c.inverseKind))
        << static_cast<double>(c.min) << ".." << static_cast<double>(c.max);
  }
}

TEST(FitSums, RowsAreGatheredOnlyForTheirFamiliesAndVariants) {
  // Subsets alone gather no family rows.
  SumsRun subsets(Scattered(40), LinearSelection(0, 0, 1));
  for (int i = 2970; i <= 3410; ++i) ASSERT_EQ(subsets.S()[i], 0.0L) << i;
  for (int i = 3411; i <= 3445; ++i) EXPECT_NE(subsets.S()[i], 0.0L) << i;
  for (int i = 3446; i < kSumsTableSize; ++i) ASSERT_EQ(subsets.S()[i], 0.0L) << i;
  // Only the Z variant: the ln Z and 1/Z term rows stay empty, their counts do not.
  SumsRun zOnly(Scattered(40), LinearSelection(0, 0, kSubsetZ));
  EXPECT_EQ(zOnly.S()[TSumsTable::Term(1, 0)], 0.0L);
  EXPECT_EQ(zOnly.S()[TSumsTable::Pair(2, 0, 1)], 0.0L);
  EXPECT_NE(zOnly.S()[TSumsTable::Count(2)], 0.0L);
  EXPECT_NE(zOnly.S()[TSumsTable::Pair(0, 0, 1)], 0.0L);
  // No subset bit: not even the Z pair rows.
  SumsRun none(Scattered(40), LinearSelection(63, 0, 0));
  EXPECT_EQ(none.S()[TSumsTable::Pair(0, 0, 1)], 0.0L);
  EXPECT_NE(none.S()[TSumsTable::Term(0, 0)], 0.0L);
  // ln Z needs z >= 0; 1/Z z of one sign (with both, 1/z crosses 0 between the points).
  PointTable t = Scattered(40);
  t[3].Z = -1.0L;
  SumsRun mixed(std::move(t), LinearSelection(0, 0, 7));
  EXPECT_EQ(mixed.S()[TSumsTable::Term(1, 0)], 0.0L);
  EXPECT_EQ(mixed.S()[TSumsTable::Term(2, 0)], 0.0L);
  PointTable below = Scattered(40);
  for (std::size_t i = 1; i < below.size(); ++i) below[i].Z = -below[i].Z;
  SumsRun negative(std::move(below), LinearSelection(0, 0, 7));
  EXPECT_EQ(negative.S()[TSumsTable::Term(1, 0)], 0.0L);
  EXPECT_NE(negative.S()[TSumsTable::Term(2, 0)], 0.0L);
}

// No fit has more parameters than points (less one for the error's degree of freedom,
// unless the data are taken as exact), at every table size.
TEST(FitSums, TermLimitFallsWithFewPoints) {
  const struct {
    int points;
    std::uint32_t noDof;
    int h;
  } cases[] = {{6, 0, 4}, {6, 1, 5}, {9, 0, 7}, {10, 0, 8}, {10, 1, 9}, {4, 0, 2}, {30, 0, 28}, {67, 0, 65}, {66, 1, 65}};
  for (const auto& c : cases) {
    TFitOptions o = DefaultFitOptions();
    o.noDofForError = c.noDof;
    EXPECT_EQ(SumsRun(Scattered(c.points), LinearSelection(9, 0, 0), o).h, c.h) << c.points << " points, no-DOF "
        << c.noDof;
  }
}

TEST(FitSums, ExponentialScalesAndSeriesScalesFromTheData) {
  // z doubles from the smallest to the largest x: s_x = range / ln 2; z does not change with y.
  SumsRun run(GridTable({1.0L, 3.0L}, {1.0L, 2.0L, 5.0L},
                        [](long double x, long double) { return x == 1 ? 1.0L : 2.0L; }),
              LinearSelection(9, 0, 1));
  EXPECT_EQ(run.ctx->scales.xScale, 2.0L / std::log(2.0L));
  EXPECT_EQ(run.ctx->scales.yScale, 1.0L);
  const TSeriesAxisScale& y = run.ctx->scales.series.y;
  EXPECT_EQ((std::vector{y.centre, y.halfRange, y.origin, y.angularScale}),
            (std::vector{3.0L, 2.0L, 1.0L, 4.0L * 0.318309886183790684L}));
  // ln 5 / 2 to a unit in the last place: the x87's logarithm, as the CPU rounds it.
  EXPECT_LD_NEAR(y.logCentre, 0.80471895621705018730037966661309381L, 1.2e-19L);
  // An axis at or below zero has no log scale.
  SumsRun low(GridTable({0.0L, 1.0L, 2.0L}, {-1.0L, 1.0L}, [](long double x, long double y) { return 1 + x + y; }),
              LinearSelection(9, 0, 1));
  const SeriesScales& s = low.ctx->scales.series;
  EXPECT_EQ((std::vector{s.x.logHalfRange, s.y.logCentre, s.x.halfRange}), (std::vector{0.0L, 0.0L, 1.0L}));
}

// exp(x/s_x) with a tiny scale overflows even an 80-bit sum: the term is excluded and its
// rows hold 0, never infinity.
TEST(FitSums, OverflowingExponentialTermsAreExcluded) {
  // x in [1000, 1001] and z growing by e^20 across it: s_x = 1/20, exp(x/s_x) ~ e^20000.
  const Surface steep = [](long double x, long double y) { return std::exp(20.0L * (x - 1000.0L)) + y; };
  SumsRun run(GridTable(Axis(1000, 0.25L, 5), Axis(1, 1, 4), steep), LinearSelection(63, 27, 7));
  EXPECT_EQ(run.ctx->termExcluded[7], 1);
  for (long double v : run.S().Entries()) ASSERT_TRUE(std::isfinite(v));
  EXPECT_EQ(run.S()[TSumsTable::Term(0, 7)], 0.0L);
  EXPECT_NE(run.S()[TSumsTable::Term(0, 6)], 0.0L);
  // At unit scale: x max above 120 excludes exp(x), x min below -120 exp(-x).
  SumsRun large(GridTable({-130.0L, 5.0L, 121.0L}, {1.0L, 2.0L}, [](long double, long double y) { return y; }),
                LinearSelection(9, 0, 1));
  const auto& ex = large.ctx->termExcluded;
  EXPECT_EQ((std::vector<int>{ex[7], ex[20], ex[28], ex[41]}), (std::vector<int>{1, 1, 0, 0}));
}

TEST(FitSums, MomentsOfTheFamilies) {
  const std::pair<int, int> held[] = {
      {TSumsTable::Moment(kKindX, 0, kKindY, 0, 0), TSumsTable::Count(0)},
      {TSumsTable::Moment(kKindX, 0, kKindY, 0, 2), TSumsTable::ZSquare(0)},
      {TSumsTable::Moment(kKindInvX, 10, kKindY, 0, 1), TSumsTable::PowerZ(kKindInvX, 10)},
      {TSumsTable::Moment(kKindX, 0, kKindLnY, 6, 2), TSumsTable::PowerZ2(kKindLnY, 6)},
      {TSumsTable::Moment(kKindLnX, 3, kKindLnY, 3, 2), TSumsTable::CrossZ2(6, 3, 9, 3)},
      {TSumsTable::Moment(kKindInvX, 2, kKindInvY, 1, 1), TSumsTable::ZX2Y(7, 10)},
      // Moments the families never need are not held.
      {TSumsTable::Moment(kKindX, 11, kKindY, 0, 0), -1}, {TSumsTable::Moment(kKindInvX, 2, kKindY, 2, 1), -1},
      {TSumsTable::Moment(kKindInvX, 1, kKindY, 0, 2), -1}, {TSumsTable::Moment(kKindX, 6, kKindY, 1, 0), -1}};
  for (const auto& [moment, row] : held) EXPECT_EQ(moment, row);
}

}  // namespace
