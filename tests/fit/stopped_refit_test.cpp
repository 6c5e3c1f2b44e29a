// Refits stopped by the user: a user function can take minutes to evaluate, and the refits
// that evaluate it (the covariance, the volume and the extrema) hear the calling thread's
// question (TEvaluationStopScope) as the fit does. A stopped refit gives nothing, and the
// session's current fit stays exactly as it was.

#include <thread>
#include <tuple>

#include "expr/evaluation_stop.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "fit/session.h"
#include "fit_test_data.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace fit_test;

// Each evaluation of the function runs its line F1 1000 times: the question is asked about
// four times an evaluation, as a costly function asks it, at no cost to the test.
constexpr const char* kAskingFunction = "F1=1+$/1E9\r\nZ=A0*PROD(1,1,1000,1)+A1*X*Y";

// What a current fit shows, compared whole.
auto Figures(const TFitSide& s) {
  const TFitEqn& e = s.eqn;
  return std::tuple(e.rank, e.equationNumber, e.parameters, e.parameterErrors, e.tValues, e.volume, e.minimum,
                    e.maximum, s.covarianceValid, s.udfIndex);
}

class StoppedRefit : public ::testing::Test {
 protected:
  void SetUp() override {
    DefineUserFunction(3, kAskingFunction, {1, 1});
    PointTable t = GridTable(Axis(1, 0.5L, 6), Axis(1, 0.5L, 6), [](long double x, long double y) {
      return 2 + 0.5L * x * y + 0.01L * std::sin(5 * x * y);
    });
    ASSERT_GT(PublishRun(session_, t, LinearSelection(kPolyX | kPolyY, 0, 0), &BoundUdfTable()), 0);
    for (int r = 1; r <= session_.FitList.Count(); ++r)
      if (session_.FitList.At(r)->equationNumber == UdfEquationNumber(3)) udfRank_ = r;
    ASSERT_GT(udfRank_, 0);
    otherRank_ = udfRank_ == 1 ? 2 : 1;
    // The fit under review before the step: a polynomial with its covariance and extrema.
    ASSERT_TRUE(MakeRankCurrent(session_, otherRank_, kRefitComplete));
  }

  // The questions a refit of the function's rank asks when nothing stops it.
  int AsksOf(int mode) {
    int asks = 0;
    const TEvaluationStopScope count(ExprThreadContext(), [&] { return ++asks > 0; });
    EXPECT_TRUE(RefitRank(session_, udfRank_, mode));
    return asks;
  }

  UserFunctionScope scope_;
  TSession session_;
  int udfRank_ = 0;
  int otherRank_ = 0;
};

// The user's No at the first question, halfway through the covariance, and (complete) in the
// extrema after the covariance: no fit comes out, the current fit and this thread's current
// function stay as they were, and once the question is gone the same refit is whole. Before,
// the stopped evaluations' garbage became the current fit: standard errors 0, a covariance
// marked invalid, extrema of missing values.
TEST_F(StoppedRefit, AStoppedRefitGivesNothingAndLeavesTheCurrentFit) {
  const int covarianceAsks = AsksOf(kRefitCovariance), completeAsks = AsksOf(kRefitComplete);
  ASSERT_GT(covarianceAsks, 10);
  ASSERT_GT(completeAsks, covarianceAsks + 10);
  const auto before = Figures(session_.CurFit);
  const struct {
    int mode, stopAt;
  } cases[] = {{kRefitCovariance, 1},
               {kRefitCovariance, covarianceAsks / 2},
               {kRefitComplete, 1},
               {kRefitComplete, (covarianceAsks + completeAsks) / 2}};
  for (const auto& c : cases) {
    ExprThreadContext().CurrentUdf = 7;  // a refit alone leaves its function's
    int asks = 0;
    {
      const TEvaluationStopScope stop(ExprThreadContext(), [&] { return ++asks < c.stopAt; });
      EXPECT_FALSE(MakeRankCurrent(session_, udfRank_, c.mode)) << c.mode << " " << c.stopAt;
      EXPECT_EQ(ExprThreadContext().CurrentUdf, 7);
      // Every evaluation after the No gives up at its first line: the rest of the refit
      // costs nothing like its whole.
      EXPECT_LT(asks, c.mode == kRefitComplete ? completeAsks : covarianceAsks) << c.stopAt;
      EXPECT_FALSE(RefitRank(session_, udfRank_, c.mode)) << c.stopAt;
      TFitSide into;
      EXPECT_FALSE(RefitRankInto(into, session_, udfRank_, c.mode)) << c.stopAt;
    }
    EXPECT_TRUE(Figures(session_.CurFit) == before) << c.mode << " " << c.stopAt;
  }
  // A refit of the record alone evaluates nothing: a question that says No changes nothing.
  {
    const TEvaluationStopScope stop(ExprThreadContext(), [] { return false; });
    EXPECT_TRUE(MakeRankCurrent(session_, udfRank_, kRefitRecord));
  }
  EXPECT_EQ(session_.CurFit.udfIndex, 3);
  ASSERT_TRUE(MakeRankCurrent(session_, udfRank_, kRefitComplete));
  const std::optional<TFitSide> alone = RefitRank(session_, udfRank_, kRefitComplete);
  ASSERT_TRUE(alone);
  EXPECT_TRUE(Figures(session_.CurFit) == Figures(*alone));
  EXPECT_EQ(session_.CurFit.covarianceValid, 1);
  EXPECT_NE(session_.CurFitEqn().parameterErrors[0], 0.0L);
}

// The render thread's refit hears its own thread's question (the stop of the thread), and
// the user interface's fit and question are not touched by it.
TEST_F(StoppedRefit, TheRenderSideHearsItsOwnThreadsQuestion) {
  const auto before = Figures(session_.CurFit);
  bool stopped = false, whole = false;
  std::thread render([&] {
    {
      const TEvaluationStopScope stop(ExprThreadContext(), [] { return false; });
      stopped = !RefitRankForRender(session_, udfRank_, true);
    }
    const std::optional<TFitSide> fit = RefitRankForRender(session_, udfRank_, true);
    whole = fit && fit->covarianceValid == 1 && EvalFitZ(*fit, 2, 2) != ExprErrorValue;
  });
  render.join();
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(whole);
  EXPECT_TRUE(Figures(session_.CurFit) == before);
}

}  // namespace
