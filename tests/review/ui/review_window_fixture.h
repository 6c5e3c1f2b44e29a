// A review window on a real fit of the replicated plane, built as OpenReviewWindow builds it
// but shown without a modal run, with option dialogs that record their ids and cancel.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "app/shell_state.h"
#include "graph3d/graph_options.h"
#include "platform/gui_thread.h"
#include "platform/message_box.h"
#include "platform/qt/qt_services.h"
#include "review/fit_list_fixture.h"
#include "review/review_fit_fixture.h"
#include "review/review_layout.h"
#include "review/review_titles.h"
#include "review/ui/review_window.h"

namespace review_test {

// The option dialogs a window opened, by id; each is cancelled but the animation settings,
// which are accepted so that the player's caption can be seen.
struct RecordingDialogs : GraphOptionDialogs {
  std::vector<int>* runs;
  std::string* animationCaption;
  RecordingDialogs(std::vector<int>* r, std::string* caption) : runs(r), animationCaption(caption) {}
  int Run(int dialog, QWidget*, T3DGraphSetup&, const GraphOptionContext& context) override {
    runs->push_back(dialog);
    if (dialog == kDlgAnimationPlayer) *animationCaption = context.animationCaption;
    return dialog == kDlgAnimate ? kDialogOk : kDialogCancel;
  }
};

class ReviewWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    // As in the program, the render thread's reports reach the window through its event
    // loop: run on the render thread they would touch the window's widgets from there.
    previousDispatcher_ = platform::SetUiDispatcher(&platform::qt::QtUiDispatcher());
    ScreenWidth = 1280;
    ScreenHeight = 1024;
    CurrentSettings() = DefaultSettings(ScreenWidth, ScreenHeight);
    ReviewTitleSets() = TReviewTitleSets{};
    ReviewExtensions() = TReviewExtensions{};
    review_test::FitInto(session, review_test::ReplicatedPlane(), fit_test::LinearSelection(9, 0, 0));
    ASSERT_GE(session.FitList.Count(), 3);
  }
  void TearDown() override {
    window.reset();
    options.reset();
    ReviewExtensions() = TReviewExtensions{};
    QApplication::processEvents();  // reports still queued find no window and end
    platform::SetUiDispatcher(previousDispatcher_);
  }

  // A review as OpenReviewWindow builds it, not yet shown (it is shown only when its opening
  // was not cancelled).
  TRView& Make(bool listFirst) {
    window.reset();
    options = std::make_unique<TGraphOptions>(CurrentSettings(), kGraphDataStatusFits, kPointsDataStatusFits,
                                              ReviewLayoutSlot(listFirst, kLayoutReview));
    T3DGraphSetup& setup = options->Setup();
    SetDataRanges(setup.Scaling, session.DataStats);
    setup.Titles = &ReviewTitleSets().custom;
    setup.TitleSettings = &ReviewTitleSets().automatic;
    window = std::make_unique<TRView>(nullptr, session, &setup, listFirst,
                                      std::make_unique<RecordingDialogs>(&dialogs, &animationCaption));
    return *window;
  }
  // The same, shown but not modal.
  TRView& Open(bool listFirst) {
    Make(listFirst);
    window->resize(900, 650);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::processEvents();
    return *window;
  }
  // Closes the window as its OK button does, keeping what it recorded.
  void Close() {
    window->done(1);
    window.reset();
    options->StoreBack();
    options.reset();
  }
  QPoint InGraph(double fx, double fy) {
    const platform::Rect r = window->GraphRectInPane();
    return {r.left + static_cast<int>((r.right - r.left) * fx), r.top + static_cast<int>((r.bottom - r.top) * fy)};
  }

  TSession session;
  std::unique_ptr<TGraphOptions> options;
  std::unique_ptr<TRView> window;
  std::vector<int> dialogs;
  std::string animationCaption;
  platform::ScriptedAnswers answers;

 private:
  platform::UiDispatcher* previousDispatcher_ = nullptr;
};

}  // namespace review_test
