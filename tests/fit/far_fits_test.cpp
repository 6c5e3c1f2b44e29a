// Linear fits of awkward data: map coordinates, one weight of 1e12 among twelve points,
// points on a line in x-y, and the last bit of a machine's arithmetic. Each listed fit must be
// the fit its family's method makes, to the digits the data hold, evaluated without noise,
// and the same whatever file kind or machine the numbers came through.
//
// The references are least squares of the exact data at 60 to 120 digits (mpmath:
// tests/fit/far_fits_reference.py builds the same tables from the same integer generators).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/c_format.h"
#include "expr/eval_context.h"
#include "fit/confidence_limits.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_ranking.h"
#include "fit/fit_refit.h"
#include "fit/fit_statistics.h"
#include "fit_test_data.h"
#include "numerics/dense_solvers.h"
#include "support/long_double_near.h"

namespace {

using namespace fit_test;

// The 64-bit LCG of the reference script: (s >> 11) mod m after each step.
struct TLcg {
  std::uint64_t s;
  std::int64_t Next(std::int64_t modulus) {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::int64_t>((s >> 11) % static_cast<std::uint64_t>(modulus));
  }
};

// Floor division, as Python's //.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// 120 points in map coordinates, x = 5e5 + U/128 and y = 5.4e6 + V/128 over 2000 m x 1500 m,
// z a smooth hill with noise in steps of 1/1024: every value exact in binary.
PointTable MapTable() {
  PointTable t = NewPointTable(120);
  TLcg g{20260201};
  for (std::size_t i = 1; i <= 120; ++i) {
    const std::int64_t U = g.Next(256000), V = g.Next(192000), e = g.Next(2049) - 1024;
    const std::int64_t a = U - 128000, b = V - 96000;
    const std::int64_t hill = FloorDiv(1LL << 30, (1LL << 14) + FloorDiv(a * a, 1LL << 20) + FloorDiv(b * b, 1LL << 19));
    const std::int64_t z = 40960 + FloorDiv(a, 50) - FloorDiv(b, 80) + hill + e;
    t[i] = TXYZPoint{500000 + U / 128.0L, 5400000 + V / 128.0L, z / 1024.0L, 1, kPointActive};
  }
  return t;
}

// The fit at `rank` made current as the review makes it, for evaluation.
TFitSide SideOf(const TFitList& list, int rank, const RunResult& run, const TDataStats& stats, PointTable& t,
                int mode = kRefitRecord) {
  TRefitSources src;
  src.products = &run.products;
  src.stats = &stats;
  src.table = t;
  TFitSide side;
  EXPECT_TRUE(RefitSide(side, *list.At(rank), rank, mode, src));
  return side;
}

// The value of a side at (x, y) on the calling thread.
long double ValueOf(const TFitSide& side, long double x, long double y) {
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprMathError = 0;
  return EvalFitSideZ(side, ctx, x, y);
}

bool IsPolynomialOrRational(const TFitResult& f) {
  return (f.equationNumber < 400 || (f.equationNumber >= 1000 && f.equationNumber < 1400));
}

// The equation numbers of a list, with their SSE.
std::map<int, long double> Listed(const TFitList& list) {
  std::map<int, long double> out;
  for (int i = 1; i <= list.Count(); ++i) out[list.At(i)->equationNumber] = list.At(i)->sse;
  return out;
}

// Map coordinates are ordinary data. Before, the polynomials were stored in raw powers, whose
// terms at x = 5e5 and y = 5.4e6 cancel to the surface: evaluated, they were rounding noise
// (a cubic stepped by 2^-9 between points 4.7e-7 apart), and their listed r² were those of the
// noise; the rationals were solved in raw powers, their solutions rounding too; and the lists
// read from a text file and from a spreadsheet of the same numbers parted.
TEST(FarDataFits, MapCoordinatesListTheLeastSquaresFitsAndEvaluateThem) {
  PointTable t = MapTable();
  const TDataStats stats = StatsOf(t);
  TFitList list;
  const RunResult run = RunFit(t, LinearSelection(63, 27, 0), DefaultFitOptions(), list);
  ASSERT_GT(run.result, 0);

  // The least-squares SSE of the polynomials' terms, and the SSE of the rationals' linearised
  // least-squares solutions (denominator constant 1 at x = y = 0), to 1e-9.
  const struct {
    int equation;
    long double sse;
  } references[] = {
      {150, 677.040672640636516996L},   // ln x to the 5th, 1/y to the 5th
      {224, 687.8650803386498690909L},  // 1/x to the 5th, 1/y to the 4th
      {310, 1002.586739368389536038L},  // full cubic in x, y
      {318, 1003.02037957603555806L},   // full cubic in 1/x, 1/y
      {1013, 117.0657492241898452211L},  // (a + x + y + y²)/(1 + x + x² + y + y²)
      {1189, 39.93119358343962079855L},  // the same orders 2, 2 / 2, 2 in ln x and y
      {1301, 46.69579507677421306749L},  // full quadratic over full quadratic in x, y
  };
  for (const auto& r : references) {
    const TFitResult* f = FindEquation(list, r.equation);
    ASSERT_NE(f, nullptr) << r.equation;
    EXPECT_LD_NEAR(f->sse, r.sse, 1e-9L * r.sse) << r.equation;
  }

  // Every polynomial and rational lists the SSE of the equation it stores, as the review and
  // Quick Eval evaluate it, and that equation has no rounding steps: between points 1e-7 of the
  // data's ranges apart it moves as its slope moves it, never by 1e-4 of the z range.
  const long double zRange = stats.Z.Max - stats.Z.Min;
  const long double hx = 1e-7L * (stats.X.Max - stats.X.Min), hy = 1e-7L * (stats.Y.Max - stats.Y.Min);
  int checked = 0;
  for (int rank = 1; rank <= list.Count(); ++rank) {
    const TFitResult& f = *list.At(rank);
    if (!IsPolynomialOrRational(f)) continue;
    const TFitSide side = SideOf(list, rank, run, stats, t);
    long double sse = 0, step = 0;
    for (std::size_t i = 1; i < t.size(); ++i) {
      const long double z = ValueOf(side, t[i].X, t[i].Y);
      sse += (t[i].Z - z) * (t[i].Z - z);
      if (i % 15 == 0)
        step = std::max({step, std::fabs(ValueOf(side, t[i].X + hx, t[i].Y) - z),
                         std::fabs(ValueOf(side, t[i].X, t[i].Y + hy) - z)});
    }
    EXPECT_LD_NEAR(sse, f.sse, 1e-12L * f.sse) << f.equationNumber;
    EXPECT_LT(step, 1e-4L * zRange) << f.equationNumber;
    ++checked;
  }
  EXPECT_GT(checked, 100);

  // A polynomial is the same surface wherever the origin lies: the table moved to x from 0
  // and y from 0 (exactly: every coordinate less 5e5 and 5.4e6) gives the same values,
  // residual sum of squares and confidence and prediction limits (from covariances formed in
  // the frame here, in raw powers there).
  PointTable moved = t;
  for (std::size_t i = 1; i < moved.size(); ++i) moved[i].X -= 500000, moved[i].Y -= 5400000;
  const TDataStats movedStats = StatsOf(moved);
  TFitList movedList;
  const RunResult movedRun = RunFit(moved, LinearSelection(63, 27, 0), DefaultFitOptions(), movedList);
  for (int equation : {17, 310}) {  // x, x², y, y²; the full cubic
    int rank = 0, movedRank = 0;
    for (int i = 1; i <= list.Count(); ++i) rank = list.At(i)->equationNumber == equation ? i : rank;
    for (int i = 1; i <= movedList.Count(); ++i) movedRank = movedList.At(i)->equationNumber == equation ? i : movedRank;
    ASSERT_GT(rank, 0) << equation;
    ASSERT_GT(movedRank, 0) << equation;
    const TFitSide far = SideOf(list, rank, run, stats, t, kRefitCovariance);
    const TFitSide near = SideOf(movedList, movedRank, movedRun, movedStats, moved, kRefitCovariance);
    EXPECT_LD_NEAR(far.eqn.sse, near.eqn.sse, 1e-10L * near.eqn.sse) << equation;
    for (std::size_t i = 1; i < t.size(); i += 17) {
      const long double z = ValueOf(near, moved[i].X, moved[i].Y);
      EXPECT_LD_NEAR(ValueOf(far, t[i].X, t[i].Y), z, 1e-11L * zRange) << equation;
      for (const bool prediction : {false, true}) {
        const long double limit = LimitAtLevel(near, 1, prediction, moved[i].X, moved[i].Y, z);
        EXPECT_LD_NEAR(LimitAtLevel(far, 1, prediction, t[i].X, t[i].Y, z), limit, 1e-9L * limit) << equation;
      }
    }
  }

  // The same numbers as a text file holds them (two decimals, read to long double) and as a
  // spreadsheet holds them (read to double): the same fits, with the same figures to the
  // rounding of the data.
  PointTable text = NewPointTable(120), sheet = NewPointTable(120);
  for (std::size_t i = 1; i < t.size(); ++i) {
    const std::string xs = CFormat("%.2Lf", t[i].X), ys = CFormat("%.2Lf", t[i].Y), zs = CFormat("%.3Lf", t[i].Z);
    text[i] = TXYZPoint{std::strtold(xs.c_str(), nullptr), std::strtold(ys.c_str(), nullptr),
                        std::strtold(zs.c_str(), nullptr), 1, kPointActive};
    sheet[i] = TXYZPoint{std::strtod(xs.c_str(), nullptr), std::strtod(ys.c_str(), nullptr),
                         std::strtod(zs.c_str(), nullptr), 1, kPointActive};
  }
  TFitList fromText, fromSheet;
  ASSERT_GT(RunFit(text, LinearSelection(63, 27, 0), DefaultFitOptions(), fromText).result, 0);
  ASSERT_GT(RunFit(sheet, LinearSelection(63, 27, 0), DefaultFitOptions(), fromSheet).result, 0);
  const std::map<int, long double> a = Listed(fromText), b = Listed(fromSheet);
  EXPECT_EQ(a.size(), b.size());
  for (const auto& [equation, sse] : a) {
    ASSERT_TRUE(b.count(equation)) << equation << " is listed from the text only";
    EXPECT_LD_NEAR(b.at(equation), sse, 1e-9L * sse) << equation;
  }
}

// Twelve points, the fifth of weight 1e12 (the weights sum to n: that point weighs about 12,
// the others 1.2e-11). Normal equations square a condition near 1e10 past the long double:
// the listed SSE were up to 934 times the least-squares minimum of their terms and the
// parameters' standard errors off up to 28 times. Now the fits whose normal equations cannot
// hold them are solved by QR at the points, and their covariances formed there.
TEST(SpreadWeights, OneWeightOf1e12LeavesEveryLinearFitLeastSquares) {
  const long double xy[12][2] = {{1, 1},  {2, 1.5L},  {3, 1.25L}, {4, 2.5L},  {5, 2},  {6, 3.25L},
                                 {7, 2.75L}, {8, 3.5L}, {9, 4},  {10, 3},    {11, 4.5L}, {12, 4.25L}};
  const int zs[12] = {9331, 10274, 12966, 14001, 15383, 17282, 19263, 20561, 21982, 23727, 25386, 27006};
  PointTable t = NewPointTable(12);
  for (std::size_t i = 1; i <= 12; ++i)
    t[i] = TXYZPoint{xy[i - 1][0], xy[i - 1][1], zs[i - 1] / 4096.0L, i == 5 ? 1e12L : 1.0L, kPointActive};
  const TDataStats stats = StatsOf(t);
  TFitList list;
  const RunResult run = RunFit(t, LinearSelection(9, 9, 0), DefaultFitOptions(), list);
  ASSERT_GT(run.result, 0);
  const struct {
    int equation;
    long double sse;
    std::vector<long double> errors;  // the parameters' standard errors, s·sqrt(C_ii)
  } references[] = {
      {1, 1.096904264457828166964e-12L, {0.04227297958207985L, 0.02029013834460397L, 0.05546496820832853L}},
      {17, 9.261093368825838300612e-13L,
       {0.2115132746697741L, 0.06214871484771814L, 0.004266476854109184L, 0.2716183358264062L, 0.04597206354000094L}},
      {33, 4.531174319371400069839e-13L,
       {0.4509908349031937L, 0.1316784497379349L, 0.02082934390052091L, 0.001016406419310418L, 0.7530140334552305L,
        0.2672490614915824L, 0.03048364880959906L}},
      {310, 3.244729884919724245192e-14L,
       {0.3043772197892514L, 0.206372695624747L, 0.8166702957245563L, 0.06749480428361632L, 0.7712727151857314L,
        0.4289231553303367L, 0.01416364758482977L, 0.2661574443496396L, 0.2635398571348654L, 0.09917416995867241L}},
      {1001, 9.677534387098563948726e-13L, {}},
  };
  for (const auto& r : references) {
    const TFitResult* f = FindEquation(list, r.equation);
    ASSERT_NE(f, nullptr) << r.equation;
    EXPECT_LD_NEAR(f->sse, r.sse, 1e-9L * r.sse) << r.equation;
    if (r.errors.empty()) continue;
    int rank = 1;
    while (list.At(rank)->equationNumber != r.equation) ++rank;
    const TFitSide side = SideOf(list, rank, run, stats, t, kRefitCovariance);
    EXPECT_EQ(side.covarianceValid, 1) << r.equation;
    for (std::size_t k = 0; k < r.errors.size(); ++k)
      EXPECT_LD_NEAR(side.eqn.parameterErrors[k], r.errors[k], 1e-6L * r.errors[k]) << r.equation << " parameter " << k;
  }
}

// Points on the line y = 2x + 1, 12 and 20 of them: x and y are dependent on the data, and so
// is every family that holds both (the plane's rank is 2). Before, every plain polynomial was
// listed, the plane with parameter errors of 2.5e7, and an 11-parameter singular fit ranked
// above the 8-parameter fit of the same r².
TEST(DependentAxes, PointsOnALineListNoFitOfDependentTerms) {
  for (int n : {12, 20}) {
    PointTable t = NewPointTable(n);
    for (int i = 0; i < n; ++i) {
      const long double x = 0.5L + 0.25L * i;
      t[static_cast<std::size_t>(i) + 1] =
          TXYZPoint{x, 2 * x + 1, (4096 + 1024 * i + (37 * i * i) % 97) / 4096.0L, 1, kPointActive};
    }
    TFitList list;
    ASSERT_GT(RunFit(t, LinearSelection(kPolyMaskAll, kRatMaskAll, kSubsetMaskAll), DefaultFitOptions(), list).result, 0);
    for (int rank = 1; rank <= list.Count(); ++rank) {
      const TFitResult& f = *list.At(rank);
      const std::set<int> terms(f.terms.begin() + 1, f.terms.end());
      if (IsPolynomialOrRational(f)) {  // no fit in both x and y
        EXPECT_FALSE(f.descriptor[0] == kKindX && f.descriptor[3] == kKindY) << n << ": " << f.equationNumber;
      }
      if (f.equationNumber >= 3000) {  // no subset holding x and y, or x², y² and x or y
        EXPECT_FALSE(terms.count(0) && terms.count(21)) << n << ": " << f.equationNumber;
        EXPECT_FALSE(terms.count(3) && terms.count(24) && (terms.count(0) || terms.count(21)))
            << n << ": " << f.equationNumber;
      }
    }
    EXPECT_EQ(FindEquation(list, 1), nullptr) << n << ": the plane";
  }
}

// r² equal to their rounding rank the fit with fewer parameters first; r² that differ beyond
// it keep their order.
TEST(DependentAxes, TiedRSquaredRanksFewerParametersFirst) {
  const auto record = [](int equation, int m, long double r2, int complexity = 0) {
    auto f = NewFitResult(m);
    f->equationNumber = equation;
    f->r2 = r2;
    f->complexity = complexity;
    return f;
  };
  std::vector<std::unique_ptr<TFitResult>> fits;
  fits.push_back(record(1, 10, 0.99876543210987654321L));          // the same r² to 15 digits
  fits.push_back(record(2, 7, 0.99876543210987654321L - 1e-17L));
  fits.push_back(record(3, 2, 0.99876543210987654321L - 1e-9L));   // lower beyond rounding
  fits.push_back(record(4, 9, 1.0L));                              // two exact fits
  fits.push_back(record(5, 3, 1.0L - 2e-19L));
  SortFitResults(fits, 1);
  std::vector<int> order;
  for (const auto& f : fits) order.push_back(f->equationNumber);
  EXPECT_EQ(order, (std::vector<int>{5, 4, 2, 1, 3}));
  // By complexity, then r²: the same within one complexity.
  std::vector<std::unique_ptr<TFitResult>> byComplexity;
  byComplexity.push_back(record(1, 10, 0.5L, 20));
  byComplexity.push_back(record(2, 7, 0.5L - 1e-19L, 20));
  byComplexity.push_back(record(3, 2, 0.9L, 30));
  SortFitResults(byComplexity, 16);
  order.clear();
  for (const auto& f : byComplexity) order.push_back(f->equationNumber);
  EXPECT_EQ(order, (std::vector<int>{2, 1, 3}));
}

// Another machine's logarithms, roots and exponentials may differ in their last bit, and a
// text file and a spreadsheet may hold the same numbers to 64 and to 53 bits: changes of two
// units in the last place of every z must leave every list as it is, with its figures. Before,
// the term-subset search ranked subsets by r² that were rounding (correlation matrices of
// condition 1e16 and more, from sums that cancelled), and lists parted: 231 of 414 equations
// of a map-coordinate run, 132 of 363 with one weight of 1e12.
TEST(MachineIndependence, LastBitChangesLeaveEveryListAsItIs) {
  const auto moved = [](PointTable t) {
    for (std::size_t i = 1; i < t.size(); ++i) t[i].Z += (i % 2 ? 1 : -1) * t[i].Z * 0x1p-62L;
    return t;
  };
  PointTable far = NewPointTable(60);
  TLcg g{0x9E3779B97F4A7C15ULL};
  for (std::size_t i = 1; i <= 60; ++i) {
    const std::int64_t u = g.Next(1000), v = g.Next(50), e = g.Next(17) - 8;
    far[i] = TXYZPoint{1000000.0L + u, -5000.0L + v, 100 + u / 512.0L + v / 4.0L + u * u / 1048576.0L + e / 256.0L, 1,
                       kPointActive};
  }
  PointTable weighted = MapTable();
  weighted[7].W = 1e12L;
  for (PointTable* table : {&far, &weighted}) {
    PointTable other = moved(*table);
    TFitList a, b;
    const TFitSelection all = LinearSelection(kPolyMaskAll, kRatMaskAll, kSubsetMaskAll);
    ASSERT_GT(RunFit(*table, all, DefaultFitOptions(), a).result, 0);
    ASSERT_GT(RunFit(other, all, DefaultFitOptions(), b).result, 0);
    const std::map<int, long double> la = Listed(a), lb = Listed(b);
    EXPECT_EQ(la.size(), lb.size());
    for (const auto& [equation, sse] : la) {
      ASSERT_TRUE(lb.count(equation)) << equation;
      // A rational lists the SSE of the rational, not the minimum its linear system reaches:
      // the change of its solution moves that SSE at first order (by up to 1e-7 here, where
      // the weights spread over 1e12), the least-squares minima only at second.
      const bool rational = equation >= 1000 && equation < 2000;
      EXPECT_LD_NEAR(lb.at(equation), sse, (rational ? 1e-6L : 1e-9L) * sse) << equation;
    }
  }
}

}  // namespace
