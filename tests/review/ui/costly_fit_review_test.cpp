// The review of a user function that takes long to evaluate: every change that refits the
// fit under review or draws it (a step to its rank, the limits, the level, a derivative, a
// pane or the residual graph opened, the opening itself) shows the progress window with
// Cancel once it has taken a moment, and a Cancel puts back everything it had changed.
//
// Two functions: a costly one (a product of a million terms of a line with a sine at every
// evaluation, a tenth of a second or more), cancelled from the progress window as a user
// does; and one that asks the question about four times an evaluation at no cost, cancelled
// by a scripted question at a chosen ask, so that the No falls in every stage of a change.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QRadioButton>

#include <string>
#include <vector>

#include "app/ui/modal_answers.h"
#include "expr/evaluation_stop.h"
#include "fit/fit_test_data.h"
#include "review/equation_list_rows.h"
#include "review/equation_text.h"
#include "review/review_fit_fixture.h"
#include "review/review_titles.h"
#include "review/ui/review_window_fixture.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace fit_test;

constexpr const char* kCostly = "F1=1+SIN($*X+Y)/1E7\r\nZ=(A0+A1*X+A2*Y)*PROD(1,1,999999,1)";
constexpr const char* kAsking = "F1=1+$/1E9\r\nZ=(A0+A1*X+A2*Y)*PROD(1,1,500,1)";

std::vector<std::string> TextOf(const TRVScrWin* pane) {
  std::vector<std::string> lines;
  if (pane == nullptr) return lines;
  for (int i = 0; i < pane->Lines().LineCount(); ++i) lines.emplace_back(pane->Lines().GetLine(i));
  return lines;
}

// What the review shows, compared whole.
struct Shown {
  int rank, reviewRank, equation, covarianceValid, limits, level, surfaceMode;
  std::string selectedRow, titleLine;
  QImage picture;
  std::vector<std::string> numeric, data;
  QImage residuals;
  bool operator==(const Shown&) const = default;
};

class CostlyFitReview : public review_test::ReviewWindowFixture {
 protected:
  void SetUp() override {
    ReviewWindowFixture::SetUp();
    // The function is redefined while the review stands: no thread may evaluate it then.
    CurrentSettings().BackgroundCacheOn = 0;
    // A user function fitted among the planes while it is cheap; the tests then make it
    // costly or asking, as a function whose fit took its time would be.
    DefineUserFunction(0, "Z=A0+A1*X+A2*Y", {1, 1, 1});
    review_test::FitInto(session, review_test::ReplicatedPlane(), LinearSelection(9, 0, 0), &BoundUdfTable());
    udfRank = review_test::RankOf(session, UdfEquationNumber(0));
    planeRank = udfRank == 1 ? 2 : 1;
    ASSERT_GT(udfRank, 0);
    session.ReviewCurrentRank = planeRank;
  }
  void MakeFunction(const char* text) { DefineUserFunction(0, text, {1, 1, 1}); }

  Shown Look() const {
    TRView& w = *window;
    const std::string* row = w.List() != nullptr ? w.List()->GetSelString() : nullptr;
    const TResid* resid = w.ResidualWindow();
    return Shown{w.Rank(),
                 session.ReviewCurrentRank,
                 session.CurFitEqn().equationNumber,
                 session.CurFit.covarianceValid,
                 w.Limits().mode,
                 CurrentSettings().LimitsLevel,
                 w.SurfaceMode(),
                 row != nullptr ? *row : std::string(),
                 ReviewTitleSets().automatic.Lines[0],
                 w.HeldImage(),
                 TextOf(w.NumericPane()),
                 TextOf(w.DataPane()),
                 resid != nullptr ? resid->Frame() : QImage()};
  }
  // The list's row of the rank chosen, as the list chooses it.
  void Choose(int rank) {
    TEqnList& list = *window->List();
    for (int row = 0; row < list.GetCount(); ++row)
      if (RankOfRow(*list.GetString(row)) == rank) list.SetSelIndex(row);
    window->MakeRankCurrent(kRankRowChosen, rank);
    QApplication::processEvents();
  }
  // Runs `step` under a question that says No at its `at`-th ask (never when 0); the asks.
  static int Asked(int at, const std::function<void()>& step) {
    int asks = 0;
    const TEvaluationStopScope question(ExprThreadContext(), [&] { return at == 0 || ++asks < at; });
    step();
    return at == 0 ? 0 : asks;
  }
  static int AsksOf(const std::function<void()>& step) {
    int asks = 0;
    const TEvaluationStopScope question(ExprThreadContext(), [&] { return ++asks > 0; });
    step();
    return asks;
  }

  UserFunctionScope scope;
  int udfRank = 0;
  int planeRank = 0;
};

// The user's road: a step to the rank of a function that takes minutes to draw shows the
// progress window, and its Cancel puts back the rank shown before, with its picture, titles,
// list row and fit. The step held the window for minutes with no way out.
TEST_F(CostlyFitReview, AStepToACostlyFitShowsCancelAndCancelPutsBackTheRankBefore) {
  TRView& w = Open(false);
  MakeFunction(kCostly);
  const Shown before = Look();
  ASSERT_EQ(before.rank, planeRank);
  EXPECT_TRUE(CancelProgressWhenShown([&] { Choose(udfRank); }));
  EXPECT_TRUE(Look() == before);
  // Nothing of the cancelled rank was kept to be shown later.
  w.Cache().SetKey(udfRank);
  EXPECT_FALSE(w.Cache().FindFrame());
  w.Cache().SetKey(planeRank);
}

// A No at every stage of a step to the function's rank (its refit, its surface, its
// picture, the numeric and data panes, the residual graph): the review shows what it showed,
// however much of the step was done. Stopped evaluations gave the graph, the panes and the
// current fit values of nothing.
TEST_F(CostlyFitReview, AScriptedCancelAtEveryStageOfAStepPutsBackWhatWasShown) {
  TRView& w = Open(false);
  w.Command(kReviewNumeric);
  w.Command(kReviewData);
  w.Command(kReviewResiduals);
  ASSERT_TRUE(w.NumericPane() && w.DataPane() && w.ResidualWindow());
  MakeFunction(kAsking);
  // Counted once the rank's picture is in the window's cache, as every later step finds it.
  Choose(udfRank);
  Choose(planeRank);
  const int whole = AsksOf([&] { Choose(udfRank); });
  ASSERT_EQ(w.Rank(), udfRank);
  ASSERT_GT(whole, 100);
  Choose(planeRank);
  const Shown before = Look();
  ASSERT_EQ(before.rank, planeRank);
  for (const int at : {1, whole / 10, whole / 3, whole / 2, 2 * whole / 3, 9 * whole / 10, whole - 1}) {
    (void)Asked(at, [&] { Choose(udfRank); });
    EXPECT_TRUE(Look() == before) << "No at ask " << at << " of " << whole;
  }
  // Unstopped, the step shows the function's rank.
  Choose(udfRank);
  EXPECT_EQ(w.Rank(), udfRank);
  EXPECT_EQ(session.CurFitEqn().equationNumber, UdfEquationNumber(0));
  EXPECT_FALSE(Look() == before);
}

// With the function's fit under review: the limits, a level and a derivative surface
// cancelled at their first ask leave the graph, the menu's checks, the radio buttons and the
// panes as they were; the data pane and the residual graph stay open.
TEST_F(CostlyFitReview, LimitsALevelAndADerivativeOfACostlyFitCanBeCancelled) {
  session.ReviewCurrentRank = udfRank;
  TRView& w = Open(false);
  w.Command(kReviewNumeric);
  w.Command(kReviewData);
  w.Command(kReviewResiduals);
  MakeFunction(kAsking);
  const Shown before = Look();
  ASSERT_EQ(before.rank, udfRank);
  ASSERT_EQ(before.limits, kLimitsNone);
  for (const int id : {static_cast<int>(kCmReviewConfidence), static_cast<int>(kCmReviewPrediction),
                       static_cast<int>(kReviewIntervals), kCmReviewLevel90 + 3}) {
    (void)Asked(1, [&] { w.Command(id); });
    EXPECT_TRUE(Look() == before) << id;
    EXPECT_FALSE(w.Action(kCmReviewConfidence)->isChecked());
    EXPECT_TRUE(w.Action(kCmReviewLevel90 + before.level)->isChecked());
  }
  (void)Asked(1, [&] { w.SetSurfaceMode(kSurfaceDzDx); });
  EXPECT_TRUE(Look() == before);
  EXPECT_TRUE(w.findChild<QRadioButton*>(QString::number(kReviewSurfaceNone))->isChecked());
  EXPECT_TRUE(w.DataPane() && w.ResidualWindow());
  // Unstopped, each takes.
  w.Command(kCmReviewConfidence);
  EXPECT_EQ(std::tuple(w.Limits().mode, session.CurFit.covarianceValid), std::tuple(kLimitsConfidence, 1));
  w.SetSurfaceMode(kSurfaceDzDx);
  EXPECT_EQ(w.SurfaceMode(), kSurfaceDzDx);
  EXPECT_FALSE(w.DataPane());
}

// A pane or the residual graph of the function's fit, cancelled while it computes its
// figures, does not open; the opening of a review on the function's rank, cancelled, leaves
// the review unopened.
TEST_F(CostlyFitReview, PanesTheResidualGraphAndTheOpeningOfACostlyFitCanBeCancelled) {
  session.ReviewCurrentRank = udfRank;
  TRView& w = Open(false);
  MakeFunction(kAsking);
  for (const int id : {kReviewNumeric, kReviewData, kReviewPrecision, kReviewResiduals}) {
    (void)Asked(1, [&] { w.Command(id); });
    QApplication::processEvents();
    EXPECT_TRUE(!w.NumericPane() && !w.DataPane() && !w.PrecisionPane() && !w.ResidualWindow()) << id;
  }
  w.Command(kReviewNumeric);
  ASSERT_TRUE(w.NumericPane());
  // The pane's own options: a Cancel keeps the options and the text as they were.
  const std::vector<std::string> text = TextOf(w.NumericPane());
  const std::int32_t paneOptions = CurrentSettings().NumericPaneOptions;
  (void)Asked(1, [&] { w.NumericPane()->ToggleOption(2); });
  EXPECT_EQ(std::tuple(CurrentSettings().NumericPaneOptions, TextOf(w.NumericPane())), std::tuple(paneOptions, text));
  Close();

  const auto made = [this] { return Make(false).OpeningCancelled(); };
  EXPECT_TRUE(Asked(1, [&] { (void)made(); }) > 0 && window->OpeningCancelled());
  window.reset();
  EXPECT_FALSE(made());
  EXPECT_EQ(window->Rank(), udfRank);
}

}  // namespace
