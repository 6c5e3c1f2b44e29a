// The lowest and highest point a fit's surface reaches over the data rectangle, as the
// review's numeric summary shows them, against a dense search of the same equation that
// shares nothing with the program's (a uniform grid, the four edges sampled densely, and a
// compass search from the best of those samples); and a surface whose lowest point is known
// in closed form, a dip a hundredth wide beside the edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "app/data_statistics.h"
#include "app/long_double.h"
#include "expr/eval_context.h"
#include "fit/extremum_search.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_ranking.h"
#include "fit/fit_refit.h"
#include "fit/fit_results.h"
#include "fit/fit_run.h"
#include "fit/session.h"
#include "fit_test_data.h"
#include "hill_tables.h"
#include "support/long_double_near.h"

namespace {

// A point of the surface, scored so that lower is better.
struct TSample {
  long double score, x, y;
};

// The dense search: a 161 x 161 grid, 4001 points along each edge, then a compass search with
// halving steps, kept to the box, from each of the best six samples.
class TDenseSearch {
 public:
  TDenseSearch(const TFitSide& fit, const TDataStats& st)
      : fit_(fit), x0_(st.X.Min), x1_(st.X.Max), y0_(st.Y.Min), y1_(st.Y.Max) {}

  // The lowest (highest) value found; false when the surface is defined nowhere.
  bool Extreme(bool maximum, long double& best) {
    std::vector<TSample> samples;
    const auto take = [&](long double x, long double y) {
      long double z = 0;
      if (Value(x, y, z)) samples.push_back({maximum ? -z : z, x, y});
    };
    constexpr int kGrid = 161, kEdge = 4001;
    for (int i = 0; i < kGrid; ++i)
      for (int j = 0; j < kGrid; ++j) take(Along(x0_, x1_, i, kGrid), Along(y0_, y1_, j, kGrid));
    for (int i = 0; i < kEdge; ++i) {
      const long double x = Along(x0_, x1_, i, kEdge), y = Along(y0_, y1_, i, kEdge);
      take(x, y0_), take(x, y1_), take(x0_, y), take(x1_, y);
    }
    if (samples.empty()) return false;
    const std::size_t starts = std::min<std::size_t>(6, samples.size());
    std::partial_sort(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(starts), samples.end(),
                      [](const TSample& a, const TSample& b) { return a.score < b.score; });
    long double score = samples[0].score;
    for (std::size_t k = 0; k < starts; ++k) score = std::min(score, Compass(samples[k], maximum));
    best = maximum ? -score : score;
    return true;
  }

 private:
  static long double Along(long double lo, long double hi, int i, int n) {
    return i == n - 1 ? hi : lo + (hi - lo) * i / (n - 1);
  }
  bool Value(long double x, long double y, long double& z) const {
    ExprContext& ctx = ExprThreadContext();
    ctx.ExprMathError = 0;
    z = EvalFitZ(fit_, x, y);
    return ctx.ExprMathError == 0 && IsUsableValue(z);
  }
  long double Compass(TSample s, bool maximum) const {
    long double hx = (x1_ - x0_) / 160, hy = (y1_ - y0_) / 160;
    constexpr int kMoves[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    while (hx > 1e-14L * (x1_ - x0_) || hy > 1e-14L * (y1_ - y0_)) {
      bool moved = false;
      for (const auto& m : kMoves) {
        const long double x = std::clamp(s.x + m[0] * hx, x0_, x1_), y = std::clamp(s.y + m[1] * hy, y0_, y1_);
        long double z = 0;
        if (Value(x, y, z) && (maximum ? -z : z) < s.score) {
          s = {maximum ? -z : z, x, y};
          moved = true;
          break;
        }
      }
      if (!moved) hx /= 2, hy /= 2;
    }
    return s.score;
  }

  const TFitSide& fit_;
  long double x0_, x1_, y0_, y1_;
};

using hill_tables::FifteenPoints;
using hill_tables::TwelvePoints;

void FitLinearFamilies(TSession& session, PointTable t) {
  ASSERT_TRUE(session.Table.ReplaceDataTable(t));
  session.Table.SetXYZRows(static_cast<int>(t.size()) - 1);
  ASSERT_GE(PrepareDataForFit(session.Table, session.DataStats), 4);
  TFitRunOutcome outcome;
  TFitRunContext ctx(session.Table.XYZData(), session.DataStats,
                     fit_test::LinearSelection(kPolyMaskAll, kRatMaskAll, kSubsetMaskAll), DefaultFitOptions(),
                     outcome.list);
  CountFitRun(ctx);
  ASSERT_GT(RunFitFamilies(ctx), 0);
  SortFitList(outcome.list, 1);
  outcome.products = FitRunProductsOf(ctx);
  PublishFitResults(session, std::move(outcome));
}

// The first 40 ranks by r² of every linear family on each table: the numeric summary's lowest
// and highest point are the surface's over the data rectangle, never passed by the dense
// search by more than a millionth of the data's Z range. Only fits whose surface stays within
// 1e6 of the data are asked (a pole inside the rectangle has no extremum).
TEST(SurfaceExtremes, EveryListedFitShowsTheExtremaOfItsSurfaceOverTheData) {
  for (const bool fifteen : {true, false}) {
    TSession session;
    FitLinearFamilies(session, fifteen ? FifteenPoints() : TwelvePoints());
    const TDataStats& st = session.DataStats;
    const long double zRange = st.Z.Max - st.Z.Min;
    const int ranks = std::min(session.FitList.Count(), 40);
    ASSERT_EQ(ranks, 40);
    int asked = 0;
    for (int rank = 1; rank <= ranks; ++rank) {
      ASSERT_TRUE(MakeRankCurrent(session, rank, kRefitComplete));
      const TFitEqn& e = session.CurFitEqn();
      TDenseSearch dense(session.CurFit, st);
      long double low = 0, high = 0;
      ASSERT_TRUE(dense.Extreme(false, low) && dense.Extreme(true, high)) << rank;
      if (high - low > 1e6L * zRange) continue;
      ++asked;
      const long double slack = 1e-6L * zRange;
      EXPECT_LE(e.minimum[2], low + slack) << (fifteen ? "15" : "12") << " points, rank " << rank << ", equation "
                                           << e.equationNumber << ": the surface falls to " << static_cast<double>(low);
      EXPECT_GE(e.maximum[2], high - slack) << (fifteen ? "15" : "12") << " points, rank " << rank << ", equation "
                                            << e.equationNumber << ": the surface rises to " << static_cast<double>(high);
    }
    EXPECT_GE(asked, 36);
  }
}

// A dip 0.01 wide beside the low x edge of the box, on a tilted plane: z = 2 + 0.5x +
// 0.1(y - 0.25) - 3 exp(-((x - 0.19)/0.01)²) over [0.1, 4.7] x [0.25, 4.8], lowest at
// x = 0.18999166666087961958, y = 0.25, z = -0.90500208333405671380 (mpmath, 30 digits, the
// root of dz/dx by bisection). Started far from it, and with a grid node of 33 a side 0.14
// apart, the search stopped at the corner (0.1, 0.25), 2.05. Its mirror is the highest point.
TEST(SurfaceExtremes, ADipAHundredthWideBesideTheEdgeIsTheLowestPoint) {
  const auto dip = [](long double x, long double y) {
    const long double u = (x - 0.19L) / 0.01L;
    return 2 + 0.5L * x + 0.1L * (y - 0.25L) - 3 * std::exp(-u * u);
  };
  const auto peak = [&](long double x, long double y) { return -dip(x, y); };
  long double x = 0, y = 0, z = 0;
  ASSERT_TRUE(FindLowestPoint(dip, 4, 4, 0.1L, 4.7L, 0.25L, 4.8L, x, y, z));
  EXPECT_LD_NEAR(x, 0.18999166666087961958L, 1e-7L);
  EXPECT_EQ(y, 0.25L);
  EXPECT_LD_NEAR(z, -0.90500208333405671380L, 1e-14L);
  ASSERT_TRUE(FindHighestPoint(peak, 4, 4, 0.1L, 4.7L, 0.25L, 4.8L, x, y, z));
  EXPECT_LD_NEAR(z, 0.90500208333405671380L, 1e-14L);
  // Both at once from one grid, with the plane's highest corner.
  const TSurfaceExtremes both = FindLowestAndHighest(dip, 4, 4, 4, 4, 0.1L, 4.7L, 0.25L, 4.8L);
  ASSERT_TRUE(both.lowFound && both.highFound);
  EXPECT_LD_NEAR(both.low[2], -0.90500208333405671380L, 1e-14L);
  EXPECT_EQ(both.high, (std::array<long double, 3>{4.7L, 4.8L, dip(4.7L, 4.8L)}));
  // Defined nowhere: nothing found, the missing value shown.
  const TSurfaceExtremes none =
      FindLowestAndHighest([](long double, long double) { return ExprErrorValue; }, 0, 0, 0, 0, 0, 1, 0, 1);
  EXPECT_FALSE(none.lowFound || none.highFound);
  EXPECT_EQ(none.low[2], ExprErrorValue);
  EXPECT_EQ(none.high[2], ExprErrorValue);
}

}  // namespace
