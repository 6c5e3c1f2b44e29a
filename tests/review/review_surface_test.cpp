// The review graph's surfaces over the fitted plane z = a + bx + cy (a = 61/60, b = 2.05,
// c = 2.95 by least squares, tests/review/reference/pane_figures.py), the search starts of
// the quick evaluation, and the graph titles of the current fit.

#include <gtest/gtest.h>

#include <functional>

#include <cmath>

#include "expr/eval_context.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_families.h"
#include "fit/fit_refit.h"
#include "review/equation_text.h"
#include "review/review_fit_fixture.h"
#include "review/review_surface.h"

namespace {

using review_test::ReplicatedPlane;

class ReviewSurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    review_test::FitInto(session_, ReplicatedPlane(), fit_test::LinearSelection(9, 0, 0));
    rank_ = review_test::RankOf(session_, 1);
    ASSERT_GT(rank_, 0);
  }
  TSession session_;
  int rank_ = 0;
};

TEST_F(ReviewSurfaceTest, ModesGiveTheSurfaceAndItsDerivatives) {
  const std::optional<TFitSide> fit = RefitRank(session_, rank_, kRefitRecord);
  ASSERT_TRUE(fit);
  const long double x = 1.5L, y = 0.5L;
  // Central differences of a plane: exact up to the step's rounding.
  const struct {
    int mode;
    long double value, tolerance;
  } cases[] = {
      {kSurfaceZ, 61.0L / 60 + 2.05L * x + 2.95L * y, 1e-15L},
      {kSurfaceDzDx, 2.05L, 1e-9L},
      {kSurfaceDzDy, 2.95L, 1e-9L},
      {kSurfaceDxDy, 0, 1e-3L},
      {kSurfaceD2zDx2, 0, 1e-3L},
      {kSurfaceD2zDy2, 0, 1e-3L},
      {-1, 0, 0},  // outside the modes: a flat graph
      {6, 0, 0},
  };
  for (const auto& c : cases) EXPECT_LE(std::fabs(SurfaceZ(*fit, c.mode, x, y) - c.value), c.tolerance) << c.mode;
}

// A point where the equation is undefined has no value in any mode, whatever an earlier
// point left in the thread's error code: with the plane's y taken as ln y, y = 0 gave 0,
// or with a code standing from before, the plane computed with ln 0 as 0 (the review's
// Quick Eval showed 1.00698 there); a point where it is defined keeps its value.
TEST_F(ReviewSurfaceTest, APointWhereTheEquationIsUndefinedHasNoValue) {
  std::optional<TFitSide> fit = RefitRank(session_, rank_, kRefitRecord);
  ASSERT_TRUE(fit);
  ASSERT_EQ(fit->eqn.descriptor[3], kKindY);
  fit->eqn.descriptor[3] = kKindLnY;
  ExprContext& ctx = ExprThreadContext();
  for (int mode = kSurfaceZ; mode <= kSurfaceD2zDy2; ++mode) {
    for (const int before : {0, -6}) {
      ctx.ExprMathError = before;
      EXPECT_EQ(SurfaceZ(*fit, mode, 2, 0), ExprErrorValue) << mode << " " << before;
      EXPECT_EQ(SurfaceZ(*fit, mode, 2, -1), ExprErrorValue) << mode << " " << before;
    }
  }
  ctx.ExprMathError = -6;
  EXPECT_LE(std::fabs(SurfaceZ(*fit, kSurfaceZ, 2, std::exp(1.0L)) - (61.0L / 60 + 2.05L * 2 + 2.95L)), 1e-15L);
  EXPECT_EQ(ctx.ExprMathError, 0);
}

TEST_F(ReviewSurfaceTest, SearchesStartAtTheExtremeDataPoints) {
  // The smallest Z is the replicate at (0, 0) (0.9), the largest the one at (2, 2) (11.2).
  const TSurfaceSearchStart low = SurfaceMinStart(session_.DataStats);
  const TSurfaceSearchStart high = SurfaceMaxStart(session_.DataStats);
  EXPECT_EQ((std::vector<long double>{low.x, low.y, low.xLow, low.xHigh, low.yLow, low.yHigh}),
            (std::vector<long double>{0, 0, 0, 2, 0, 2}));
  EXPECT_EQ((std::vector<long double>{high.x, high.y}), (std::vector<long double>{2, 2}));
}

TEST_F(ReviewSurfaceTest, GridStartsAreTheExtremeNodesOverTheData) {
  // The data lie in [0, 2] x [0, 2]; the grid's steps are 1/16.
  const auto start = [this](const std::function<long double(long double, long double)>& f, bool maximum) {
    const std::optional<TSurfaceSearchStart> s = SurfaceGridStart(f, session_.DataStats, maximum);
    return s ? std::vector<long double>{s->x, s->y, s->xLow, s->xHigh, s->yLow, s->yHigh} : std::vector<long double>{};
  };
  const auto bump = [](long double x, long double y) { return -(x - 0.5L) * (x - 0.5L) - (y - 1.25L) * (y - 1.25L); };
  EXPECT_EQ(start(bump, true), (std::vector<long double>{0.5L, 1.25L, 0, 2, 0, 2}));
  EXPECT_EQ(start(bump, false), (std::vector<long double>{2, 0, 0, 2, 0, 2}));
  // Where the surface is undefined no node counts; defined nowhere, there is no start.
  const auto half = [&bump](long double x, long double y) { return x < 1 ? ExprErrorValue : bump(x, y); };
  EXPECT_EQ(start(half, true), (std::vector<long double>{1, 1.25L, 0, 2, 0, 2}));
  EXPECT_EQ(start([](long double, long double) { return ExprErrorValue; }, true), std::vector<long double>{});
}

TEST_F(ReviewSurfaceTest, TitlesOfTheCurrentFitAsDrawn) {
  ASSERT_TRUE(MakeRankCurrent(session_, rank_, kRefitRecord));
  T3DTitleSet set;
  FormatCurrentFitTitles(set, session_, 3, kSurfaceDzDx, 8);
  EXPECT_EQ(set.Lines[1].rfind("Rank " + std::to_string(rank_) + "  Eqn 1  z=a+bx+cy", 0), 0u) << set.Lines[1];
  EXPECT_EQ(set.Lines[2].rfind("r~^2~^=0.99885036", 0), 0u) << set.Lines[2];
  EXPECT_EQ(set.Lines[3], "");
  EXPECT_EQ(set.AxisTitles[2], SurfaceZTitle(kSurfaceDzDx, session_.DataTitles()));
}

}  // namespace
