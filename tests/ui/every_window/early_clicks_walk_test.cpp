// The windows that open by themselves take no click that began before they appeared: the
// review that follows a fit when its ten seconds are up (a click meant for the fit dialog's OK
// landed on the new graph and opened 3D Scaling), and the fit dialog whose OK and Start
// buttons come by themselves where Cancel stood. A click made once the window has been in
// sight for a moment acts as ever. The guard's clock is the test's, so nothing hangs on the
// machine's speed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <cstdint>

#include "app/ui/dialog.h"
#include "app/ui/early_clicks.h"
#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "every_window_support.h"
#include "fit/fit_command.h"
#include "fit/session.h"
#include "fit/ui/fit_progress_dialog.h"
#include "graph3d/ui/scaling_dialog.h"
#include "review/ui/review_window.h"

namespace {

using namespace every_window;

// A click as the window system brings it, at a point of the screen, after the pointer moved
// there.
void ClickAt(QWidget* window, QPoint global) {
  const QPoint at = window->mapFromGlobal(global);
  QTest::mouseMove(window->windowHandle(), at);
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
  QApplication::processEvents();
}

TEST(WindowsThatOpenByThemselves, TakeNoClickThatBeganBeforeTheyAppeared) {
  TProgramUnderWalk program("ondravik_early_clicks");
  QVRK& window = program.Window();
  std::int64_t now = 1'000'000;
  TEarlyClickGuard::SetClock([&now] { return now; });

  int scalings = 0, reviews = 0;
  {
    ModalAnswer<T3DScale> scaling([&](T3DScale* d) {
      ++scalings;
      d->reject();
    });
    ModalAnswer<TFit> fit([&](TFit* d) {
      ASSERT_TRUE(PumpUntil([d] { return d->Button(kFitDlgOk)->isVisible(); }));
      // OK has just come where Cancel stood: the click meant for Cancel does nothing to it.
      QPushButton* ok = d->Button(kFitDlgOk);
      ClickAt(d, ok->mapToGlobal(ok->rect().center()));
      EXPECT_TRUE(d->isVisible()) << "a click from before the run ended took OK";
      // The ten seconds are up: the dialog gives way to the review.
      d->done(kFitDlgTimedOut);
    });
    ModalAnswer<TRView> review([&](TRView* r) {
      ++reviews;
      ASSERT_TRUE(QTest::qWaitForWindowExposed(r));
      // In the scaling zone of the graph, near its lower left corner.
      const QRect graph = r->GraphRectOnScreen();
      const QPoint corner(graph.left() + 4, graph.bottom() - 4);
      ClickAt(r, corner);
      QApplication::processEvents();
      EXPECT_EQ(scalings, 0) << "a click on its way as the review appeared opened 3D Scaling";
      // A moment later the same click is the user's.
      now += 1000;
      ClickAt(r, corner);
      EXPECT_EQ(scalings, 1);
      r->close();
    });
    window.ExecuteCommand(CmFitSimple);
    EXPECT_EQ(fit.Seen(), 1);
    EXPECT_TRUE(PumpUntil([&] { return reviews == 1 && ActiveDialog() == nullptr; }));
    EXPECT_EQ(reviews, 1);
  }

  // The fit dialog's OK, a moment after it came, is the user's.
  ModalAnswer<TFit> later([&](TFit* d) {
    ASSERT_TRUE(PumpUntil([d] { return d->Button(kFitDlgOk)->isVisible(); }));
    now += 1000;
    QPushButton* ok = d->Button(kFitDlgOk);
    ClickAt(d, ok->mapToGlobal(ok->rect().center()));
    if (d->isVisible()) {
      ADD_FAILURE() << "OK took no click a moment after it came";
      d->done(kFitDlgOk);
    }
  });
  window.ExecuteCommand(CmFitSimple);
  EXPECT_EQ(later.Seen(), 1);
  TEarlyClickGuard::SetClock({});
}

}  // namespace
