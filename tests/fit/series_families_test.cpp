// The series families and their driver: orders, limits, rows, evaluators and records.

#include <numbers>
#include <set>
#include <tuple>

#include "fit/series_families.h"
#include "fit_test_data.h"
#include "numerics/dense_solvers.h"

namespace {

using namespace fit_test;

// Scales that leave coordinates as they are: u = x, v = y; s = x, t = y on the angular axes.
SeriesScales IdentityScales() {
  SeriesScales s;
  for (TSeriesAxisScale* a : {&s.x, &s.y, &s.z}) {
    std::tie(a->centre, a->halfRange, a->logCentre, a->logHalfRange, a->origin, a->angularScale) =
        std::tuple(0, 1, 0, 1, 0, 1);
  }
  return s;
}

std::set<int> EquationNumbers(const TFitList& list, int first, int last) {
  std::set<int> out;
  for (int i = 1; i <= list.Count(); ++i) {
    const int n = list.At(i)->equationNumber;
    if (n >= first && n <= last) out.insert(n);
  }
  return out;
}

TEST(SeriesFamilies, ThreeDistinctXLimitTheOrders) {
  // x takes 3 values, y many.
  PointTable t = GridTable({1, 2, 4}, Axis(1, 0.3L, 15),
                           [](long double x, long double y) { return std::sin(y) * x + std::sqrt(x * y); });
  TFitList list;
  RunFit(t, LinearSelection(kPolyMaskAll & ~63u, kRatChebyshev | kRatChebyshevLog, 0),
         DefaultFitOptions(), list);
  EXPECT_EQ(EquationNumbers(list, 401, 409), (std::set<int>{401}));  // Chebyshev order 2 only
  EXPECT_EQ(EquationNumbers(list, 421, 469), (std::set<int>{421, 441, 461}));
  EXPECT_EQ(EquationNumbers(list, 501, 510), (std::set<int>{501}));  // one harmonic
  EXPECT_TRUE(EquationNumbers(list, 521, 524).empty());              // needs 5 distinct values
  EXPECT_EQ(EquationNumbers(list, 531, 539), (std::set<int>{531}));
  EXPECT_EQ(EquationNumbers(list, 601, 609), (std::set<int>{601}));
  EXPECT_TRUE(EquationNumbers(list, 1402, 1410).empty());
}

TEST(SeriesFamilies, RunLimitStopsTheOrders) {
  PointTable t = GridTable(Axis(1, 0.25L, 25), Axis(1, 0.2L, 25), [](long double x, long double y) {
    return std::cos(x) * std::log(y + 1) + x / y;
  });
  TFitOptions o = DefaultFitOptions();
  o.highestTerm = 20;
  TFitList list;
  RunFit(t, LinearSelection(kPolyChebyshev | kPolyFourier, 0, 0), o, list);
  EXPECT_EQ(EquationNumbers(list, 401, 409), (std::set<int>{401, 402, 403, 404}));
  EXPECT_EQ(EquationNumbers(list, 501, 510), (std::set<int>{501, 502, 503, 504, 505}));
}

// An exact Chebyshev surface of order 3 is recovered with zero error from order 3 on.
TEST(SeriesFamilies, ChebyshevRecoversAPolynomialSurface) {
  PointTable t = GridTable(Axis(-1, 0.25L, 9), Axis(2, 0.5L, 9), [](long double x, long double y) {
    return 1 + x * x * y - 2 * y * y * y + x;
  });
  TFitList list;
  const RunResult r = RunFit(t, LinearSelection(kPolyChebyshev, 0, 0), DefaultFitOptions(), list);
  ASSERT_GE(r.result, 2);
  const TFitResult *order2 = FindEquation(list, 401), *order3 = FindEquation(list, 402);
  ASSERT_TRUE(order2 && order3);
  EXPECT_LT(order2->r2, 0.9999L);
  EXPECT_LT(order3->sse, 1e-20L);
  EXPECT_GT(order3->r2, 1.0L - 1e-18L);
  EXPECT_EQ(std::tuple(order3->m, order3->descriptor, order3->complexity, order3->procedure),
            std::tuple(9, std::array<std::uint8_t, 6>{5, 224, 9, 8, 224, 9}, 48, 0));
  // The stored fit evaluates back to the surface inside the data.
  const TDataStats stats = StatsOf(t);
  TFitRunContext ctx(t, stats, LinearSelection(kPolyChebyshev, 0, 0), DefaultFitOptions(), list);
  ComputeFitSums(ctx);
  EXPECT_NEAR(static_cast<double>(EvalSeriesFamily(224, 0.3L, 3.1L, order3->parameters.data(), 9,
                                                   ctx.scales.series)),
              static_cast<double>(1 + 0.09L * 3.1L - 2 * 3.1L * 3.1L * 3.1L + 0.3L), 1e-13);
}

TEST(SeriesFamilies, ChebyshevRationalRecoversARationalSurface) {
  PointTable t = GridTable(Axis(1, 0.5L, 8), Axis(1, 0.5L, 8), [](long double x, long double y) {
    return (2 + x + 0.5L * y) / (1 + 0.1L * x * x + 0.05L * y);
  });
  TFitList list;
  RunFit(t, LinearSelection(0, kRatChebyshev, 0), DefaultFitOptions(), list);
  // Scaled to zs = (z - cz)/hz the numerator gains an x² term: numerator order 2 over
  // denominator order 3 holds the surface exactly.
  const TFitResult* f = FindEquation(list, 1402);
  ASSERT_NE(f, nullptr);
  EXPECT_GT(f->r2, 1.0L - 1e-18L);
  EXPECT_EQ(std::tuple(f->m, f->complexity, f->descriptor),
            std::tuple(10, 27, std::array<std::uint8_t, 6>{5, 228, 10, 8, 228, 10}));
}

TEST(SeriesFamilies, LogFamiliesNeedPositiveAxes) {
  PointTable t = GridTable({0, 1, 2, 3, 4}, Axis(1, 1, 6), [](long double x, long double y) { return x + y; });
  TFitList list;
  RunFit(t, LinearSelection(kPolyMaskAll & ~63u, kRatMaskAll & ~27u, 0), DefaultFitOptions(), list);
  EXPECT_TRUE(EquationNumbers(list, 421, 439).empty());  // ln x
  EXPECT_TRUE(EquationNumbers(list, 461, 469).empty());  // ln x, ln y
  EXPECT_FALSE(EquationNumbers(list, 441, 449).empty());  // ln y is usable
  EXPECT_TRUE(EquationNumbers(list, 1421, 1430).empty());
  EXPECT_TRUE(EquationNumbers(list, 1461, 1470).empty());
}

// The driver reads the normal equations of every order from one gathering for the largest
// order: the systems, and so every record, equal those gathered order by order.
TEST(SeriesFamilies, SharedNormalEquationsEqualThoseOfEachOrder) {
  PointTable t = GridTable(Axis(0.5L, 0.37L, 14), Axis(1, 0.29L, 13), [](long double x, long double y) {
    return std::exp(-x / 3) * std::cos(y) + 0.2L * x * y;
  });
  const TDataStats stats = StatsOf(t);
  for (int code : {224, 225, 227, 228, 230, 234, 235, 236, 237}) {
    TFitList list;
    TFitRunContext ctx(t, stats, LinearSelection(kPolyMaskAll, kRatMaskAll, 0), DefaultFitOptions(),
                       list);
    ASSERT_TRUE(list.BeginRun());
    ctx.scratchMatrix = AllocLDMatrix(kFitScratchSize, kFitScratchSize);
    ctx.scratchVector.resize(kFitScratchSize);
    ComputeFitSums(ctx);
    const TSeriesFamily& f = *SeriesFamilyOf(code);
    FitSeriesFamily(ctx, f, 65, stats.DistinctX, stats.DistinctY, false, 100);
    ASSERT_GE(list.Count(), 2) << code;
    for (int i = 1; i <= list.Count(); ++i) {
      const TFitResult& rec = *list.At(i);
      LDMatrix a(kFitScratchSize, kFitScratchSize);
      std::vector<long double> b(kFitScratchSize);
      ASSERT_TRUE(SeriesNormalEquations(code, rec.m, ctx.points, stats.WeightScale,
                                        ctx.scales.series, a.Data(), b.data()));
      ASSERT_TRUE(SolveGauss(a.Data(), b.data(), rec.m + 1).Solved());
      for (int k = 0; k <= rec.m; ++k)
        ASSERT_EQ(rec.parameters[static_cast<std::size_t>(k)], b[static_cast<std::size_t>(k)]) << code << " m "
            << rec.m << " parameter " << k;
    }
  }
}

TEST(SeriesFamilies, SvdSwitchUsesTheSymmetricSolver) {
  PointTable t = GridTable(Axis(1, 0.5L, 12), Axis(1, 0.5L, 12), [](long double x, long double y) {
    return std::sin(x) + std::cos(y);
  });
  TFitOptions o = DefaultFitOptions();
  o.autoSvd = 1;
  TFitList list;
  RunFit(t, LinearSelection(kPolyChebyshev | kPolyCosine, 0, 0), o, list);
  ASSERT_GT(list.Count(), 0);
  // Below a determinant of 5e-14 the family stops.
  for (int i = 1; i <= list.Count(); ++i) EXPECT_TRUE(list.At(i)->procedure == 4 && list.At(i)->determinant >= 5e-14L)
      << i;
}

TEST(SeriesFamilies, ChebyshevRowAtAKnownPoint) {
  const SeriesScales s = IdentityScales();
  long double row[6];
  ASSERT_TRUE(ChebPolyDesignRow(0.5L, -0.5L, 5, row, false, false, s));
  EXPECT_EQ(std::vector(row, row + 6), (std::vector<long double>{1, 0.5L, -0.5L, -0.5L, -0.25L, -0.5L}));
  // At u = 1 every T_j is 1.
  long double big[66];
  ASSERT_TRUE(ChebPolyDesignRow(1, 1, 65, big, false, false, s));
  EXPECT_EQ(std::vector(big, big + 66), std::vector<long double>(66, 1.0L));
}

TEST(SeriesFamilies, HighOrdersHoldTheBoundaryValueBeyondTheData) {
  const SeriesScales s = IdentityScales();
  std::vector<long double> p(45, 0.0L);
  p[3] = 1;  // T2(u)
  // Order 8 (m 44): u held at 1 beyond the data; order 4 (m 14) extrapolates.
  EXPECT_EQ(EvalChebPoly(3, 0, p.data(), 44, false, false, s), 1.0L);
  EXPECT_EQ(EvalChebPoly(3, 0, p.data(), 14, false, false, s), 17.0L);  // 2·9 - 1
  std::vector<long double> r(43, 0.0L);
  r[3] = 1;  // the numerator's T1(u)
  EXPECT_EQ(EvalChebRat(5, 0, r.data(), 26, false, false, s), 1.0L);   // D = 8: clamped
  EXPECT_EQ(EvalChebRat(5, 0, r.data(), 22, false, false, s), 5.0L);   // D = 7: not yet
}

// ln x of x <= 0 has no value: the evaluator gives the missing value (and the logarithm's
// error), never a NaN that would pass for a number.
TEST(SeriesFamilies, LogVariantOutsideItsDomainGivesTheMissingValue) {
  const SeriesScales s = IdentityScales();
  std::vector<long double> p(11, 0.5L);
  ExprContext& e = ExprThreadContext();
  e.ClearErrors();
  EXPECT_EQ(EvalChebPoly(0, 1, p.data(), 9, true, false, s), ExprErrorValue);
  EXPECT_EQ(e.ExprMathError, -6);
  e.ClearErrors();
  EXPECT_EQ(EvalSeriesFamily(226, 1, -2, p.data(), 9, s), ExprErrorValue);
  EXPECT_EQ(e.ExprMathError, -7);
  e.ClearErrors();
  EXPECT_EQ(EvalChebRat(-1, 1, p.data(), 10, true, true, s), ExprErrorValue);
  long double row[11];
  EXPECT_FALSE(SeriesDesignRow(231, 1, 0, 1, 10, row, s));
  e.ClearErrors();
  EXPECT_TRUE(std::isfinite(EvalSeriesFamily(227, 2, 3, p.data(), 9, s)));
  EXPECT_EQ(e.ExprMathError, 0);
}

TEST(SeriesFamilies, ChebyshevRationalWithOnlyA0IsAPlane) {
  SeriesScales s = IdentityScales();
  s.z.centre = 10;
  s.z.halfRange = 4;
  std::vector<long double> p(7, 0.0L);
  p[0] = 0.25L;
  EXPECT_EQ(EvalChebRat(0.3L, -0.7L, p.data(), 6, false, false, s), 11.0L);
  p[1] = -1;  // Q = 1 - u vanishes at u = 1
  EXPECT_EQ(EvalChebRat(1, 0, p.data(), 6, false, false, s), 0.0L);
}

TEST(SeriesFamilies, FourierRowsAtTheOrigin) {
  const SeriesScales s = IdentityScales();
  long double row[13];
  ASSERT_TRUE(SeriesDesignRow(237, 0, 0, 0, 4, row, s));
  const std::vector<long double> origin = {1, 1, 0, 1, 0};
  EXPECT_EQ(std::vector(row, row + 5), origin);
  // Left of the data the angle is held at 0.
  ASSERT_TRUE(SeriesDesignRow(237, -3, -1, 0, 4, row, s));
  EXPECT_EQ(std::vector(row, row + 5), origin);
}

TEST(SeriesFamilies, BivariateFourierRowOfTwoHarmonics) {
  const long double sa = 0.3L, ta = 1.1L;
  long double row[13];
  Fourier2Row(sa, ta, 12, row);
  const long double A1 = std::cos(sa), A2 = std::sin(sa), B1 = std::cos(ta), B2 = std::sin(ta);
  const long double A3 = std::cos(2 * sa), A4 = std::sin(2 * sa), B3 = std::cos(2 * ta), B4 = std::sin(2 * ta);
  EXPECT_EQ(std::vector(row, row + 13),
            (std::vector{1.0L, A1, B1, A2, B2, A3, B3, A4, B4, A1 * B1, A1 * B2, A2 * B1, A2 * B2}));
}

TEST(SeriesFamilies, SigmoidIsZeroAtItsCentre) {
  const SeriesScales s = IdentityScales();
  long double row[66];
  // Order 2: S_2 is centred at 0; the row is 1, S1(u), S1(v), S2(u), S1(u)S1(v), S2(v).
  ASSERT_TRUE(SeriesDesignRow(235, 0, 0, 0, 5, row, s));
  EXPECT_EQ(std::tuple(row[3], row[5]), std::tuple(0.0L, 0.0L));
  // Order 10: centres at -0.8, -0.6, ..., 0.8; S_j(-0.6) = 0 for j = 3.
  ASSERT_TRUE(SeriesDesignRow(235, -0.6L, 5, 0, 65, row, s));
  EXPECT_NEAR(static_cast<double>(row[6]), 0.0, 1e-18);  // d = 3, i = 3: S3(u)·S0(v)
  // Far above every centre each sigmoid tends to 1.
  ASSERT_TRUE(SeriesDesignRow(235, 40, 0, 0, 65, row, s));
  EXPECT_EQ(row[3], 1.0L);
}

TEST(SeriesFamilies, StoredComplexities) {
  const int cheb224[] = {30, 48, 70, 95, 123, 154, 189, 226, 267};
  const int cheb225[] = {35, 54, 76, 101, 129, 160, 194, 232, 272};
  const int cheb227[] = {41, 59, 81, 106, 134, 165, 200, 237, 278};
  const int rat228[] = {16, 27, 37, 48, 58, 68, 79, 89, 99, 110};
  const int rat229[] = {22, 32, 43, 53, 63, 74, 84, 95, 105, 115};
  const int rat231[] = {28, 38, 48, 59, 69, 79, 90, 100, 111, 121};
  const auto ints = [](auto... v) { return std::vector<int>{static_cast<int>(v)...}; };
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(ints(ChebPolyComplexity(k, false, false), ChebPolyComplexity(k, true, false),
                   ChebPolyComplexity(k, false, true), ChebPolyComplexity(k, true, true)),
              (std::vector{cheb224[k], cheb225[k], cheb225[k], cheb227[k]})) << k;
  }
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(ints(ChebRatComplexity(k, false, false), ChebRatComplexity(k, true, false),
                   ChebRatComplexity(k, true, true)),
              (std::vector{rat228[k], rat229[k], rat231[k]})) << k;
  }
}

TEST(SeriesFamilies, OrderTables) {
  const struct {
    int (*count)(int);
    int k;
    int m;
  } cases[] = {{ChebPolyParamCount, 0, 5},  {ChebPolyParamCount, 8, 65}, {ChebPolyParamCount, 9, 0},
               {ChebRatParamCount, 0, 6},   {ChebRatParamCount, 9, 42},  {ChebRatParamCount, -1, 0},
               {FourierParamCount, 0, 4},   {FourierParamCount, 9, 40},  {Fourier2ParamCount, 3, 60},
               {Fourier2ParamCount, 4, 0},  {CosineParamCount, 2, 14},   {SigmoidParamCount, 8, 65}};
  for (const auto& c : cases) EXPECT_EQ(c.count(c.k), c.m) << c.k;
  EXPECT_EQ((std::vector{ChebTermCount(44), ChebTermCount(43), ChebRatTermCount(42), Fourier2Harmonics(40),
                         CosineOrder(65), SigmoidTermCount(5)}),
            (std::vector{9, 0, 12, 4, 10, 3}));
  EXPECT_FALSE(SeriesDesignRow(224, 0, 0, 0, 6, nullptr, IdentityScales()));  // no order with m 6
  EXPECT_EQ(EvalSeriesFamily(233, 0, 0, nullptr, 5, IdentityScales()), 0.0L);
}

}  // namespace
