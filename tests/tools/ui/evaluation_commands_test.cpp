// The review opens the evaluation table on the fit under review: offered only for the
// fitted surface itself, titled with the equation line, with the fit's values, limits and
// the graph's ranges. The function viewer opens it on its graph's surface without limits.
#include "tools/ui/evaluation_commands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTest>

#include <memory>
#include <vector>

#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/modal_answers.h"
#include "fit/confidence_limits.h"
#include "fit/fit_evaluation.h"
#include "graph3d/graph_options.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "platform/message_box.h"
#include "review/equation_text.h"
#include "review/fit_list_fixture.h"
#include "review/review_fit_fixture.h"
#include "review/review_titles.h"
#include "review/ui/review_window.h"
#include "support/graph_pixels.h"
#include "tools/ui/evaluation_dialog.h"

namespace {

class ReviewEvaluation : public ::testing::Test {
 protected:
  void SetUp() override {
    ScreenWidth = 1280;
    ScreenHeight = 1024;
    CurrentSettings() = DefaultSettings(ScreenWidth, ScreenHeight);
    ReviewTitleSets() = TReviewTitleSets{};
    ReviewExtensions() = TReviewExtensions{};
    review_test::FitInto(session, review_test::ReplicatedPlane(), fit_test::LinearSelection(9, 0, 0));
    RegisterEvaluationTable(session);
    options = std::make_unique<TGraphOptions>(CurrentSettings(), kGraphDataStatusFits, kPointsDataStatusFits,
                                              ReviewLayoutSlot(false, kLayoutReview));
    T3DGraphSetup& setup = options->Setup();
    SetDataRanges(setup.Scaling, session.DataStats);
    setup.Titles = &ReviewTitleSets().custom;
    setup.TitleSettings = &ReviewTitleSets().automatic;
    window = std::make_unique<TRView>(nullptr, session, &setup, false);
    window->resize(900, 650);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::processEvents();
  }
  void TearDown() override {
    window.reset();
    options.reset();
    ReviewExtensions() = TReviewExtensions{};
    SetEvaluationTableDialog(nullptr);
  }

  TSession session;
  std::unique_ptr<TGraphOptions> options;
  std::unique_ptr<TRView> window;
  platform::ScriptedAnswers answers;
};

TEST_F(ReviewEvaluation, TheTableOpensOnTheFitUnderReview) {
  EXPECT_TRUE(window->CommandAvailable(kReviewEvaluate));
  EXPECT_TRUE(window->CommandAvailable(kCmReviewEvaluation));
  int seen = 0;
  ModalAnswer<TDlgEval> table([&](TDlgEval* d) {
    ++seen;
    const TEvalSurface& s = d->Computer().Surface();
    EXPECT_TRUE(s.LimitsAvailable());
    EXPECT_TRUE(d->ConfBox()->isEnabled());
    // The fit's value, and its band at the level of the settings from the refit covariance.
    EXPECT_EQ(s.z(0.5L, 1.5L), EvalFitZ(session.CurFit, 0.5L, 1.5L));
    EXPECT_EQ(session.CurFit.covarianceValid, 1);
    const long double z = s.z(0.5L, 1.5L);
    EXPECT_EQ(s.confidenceLimit(0.5L, 1.5L, z), ConfidenceLimit(session.CurFit, 0.5L, 1.5L, z));
    EXPECT_GT(s.predictionLimit(0.5L, 1.5L, z), s.confidenceLimit(0.5L, 1.5L, z));
    // The graph's ranges hold the data's.
    EXPECT_LE(s.xMin, 0);
    EXPECT_GE(s.xMax, 2);
    EXPECT_LE(s.zMin, 1);
    EXPECT_EQ(d->Hosted()->windowTitle().toStdString(),
              StripTextCodes(ReviewTitleSets().automatic.Lines[1], 79));
    EXPECT_FALSE(window->List() != nullptr && window->List()->isEnabled());
    d->accept();
  });
  window->Command(kReviewEvaluate);
  EXPECT_EQ(seen, 1);
  if (window->List()) {
    EXPECT_TRUE(window->List()->isEnabled());
  }
  // The derivative surfaces have no table.
  window->SetSurfaceMode(1);
  EXPECT_FALSE(window->CommandAvailable(kReviewEvaluate));
  window->Command(kCmReviewEvaluation);
  EXPECT_EQ(seen, 1);
}

// The review under its open table keeps painting its graph: a pane repainted, or resized and
// drawn anew, while the table is up shows the graph a paint without the table gives.
TEST_F(ReviewEvaluation, TheGraphIsPaintedWhileTheTableIsOpen) {
  const QImage before = window->Pane()->grab().toImage();
  ASSERT_GT(PixelsOffBackground(before), before.width() * before.height() / 20);
  QImage repainted, resized;
  ModalAnswer<TDlgEval> table([&](TDlgEval* d) {
    // The table over the middle of the graph, as it opens.
    d->move(window->Pane()->mapToGlobal(window->Pane()->rect().center()) - QPoint(d->width() / 2, d->height() / 2));
    repainted = window->Pane()->grab().toImage();
    window->resize(760, 560);
    QApplication::processEvents();
    resized = window->Pane()->grab().toImage();
    d->accept();
  });
  window->Command(kReviewEvaluate);
  ASSERT_EQ(table.Seen(), 1);
  EXPECT_EQ(repainted, before);
  ASSERT_EQ(resized.size(), window->Pane()->size());
  EXPECT_NE(resized.size(), before.size());
  window->Redraw(2);
  EXPECT_EQ(resized, window->Pane()->grab().toImage());
  EXPECT_GT(PixelsOffBackground(resized), resized.width() * resized.height() / 20);
}

TEST_F(ReviewEvaluation, TheFunctionViewerOpensTheTableOnItsGraphsSurface) {
  const EvaluationTableDialog& open = GetEvaluationTableDialog();
  ASSERT_TRUE(open);
  TEvaluationTableRequest request{"View Function Evaluation",
                                  [](long double x, long double y) { return x * y; },
                                  {-1, 2, -3},
                                  {1, 4, 3},
                                  {}};
  int seen = 0;
  ModalAnswer<TDlgEval> table([&](TDlgEval* d) {
    ++seen;
    const TEvalSurface& s = d->Computer().Surface();
    // A viewed function has no band: the limit boxes are off.
    EXPECT_FALSE(s.LimitsAvailable());
    EXPECT_FALSE(d->ConfBox()->isEnabled());
    EXPECT_FALSE(d->PredBox()->isEnabled());
    EXPECT_EQ(s.z(3, 5), 15);
    EXPECT_EQ(std::vector<long double>({s.xMin, s.xMax, s.yMin, s.yMax, s.zMin, s.zMax}),
              std::vector<long double>({-1, 1, 2, 4, -3, 3}));
    EXPECT_EQ(d->Hosted()->windowTitle().toStdString(), "View Function Evaluation");
    d->accept();
  });
  open(nullptr, request);
  EXPECT_EQ(seen, 1);
}

}  // namespace
