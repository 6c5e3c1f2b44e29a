// The windows that open by themselves take no click that began before they appeared: the
// review that follows a fit when its ten seconds are up (a click meant for the fit dialog's OK
// landed on the new graph and opened 3D Scaling), and the fit dialog whose OK and Start
// buttons come by themselves where Cancel stood. A click made once the window stands in
// sight acts as ever. A click "on its way" is one queued while the program puts the window up.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <chrono>
#include <cstdint>
#include <functional>

#include "app/ui/dialog.h"
#include "platform/qt/early_clicks.h"
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

// A click made once the window stands in sight: the pointer moves there, then clicks, as the
// window system brings it.
void ClickAt(QWidget* window, QPoint global) {
  QApplication::processEvents();
  const QPoint at = window->mapFromGlobal(global);
  QTest::mouseMove(window->windowHandle(), at + QPoint(2, -2));
  QTest::mouseMove(window->windowHandle(), at);
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
  QApplication::processEvents();
}

// The window system's time of an input event: the steady clock's milliseconds, as on X11.
std::uint64_t SteadyTime() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

void PostMouse(QWidget* window, QEvent::Type type, QPointF at, QPointF screen, std::uint64_t time) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  auto* event = new QMouseEvent(type, at, screen, button,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
  event->setTimestamp(time);
  QCoreApplication::postEvent(window->windowHandle(), event);
}

// A click on its way as the window came up: made 20 ms before (the window system's time
// says so), queued while the program was putting the window up, after the pointer moved there.
void QueueClickAt(QWidget* window, QPoint global) {
  const QPointF at(window->mapFromGlobal(global));
  const QPointF screen(global);
  const std::uint64_t made = SteadyTime() - 20;
  PostMouse(window, QEvent::MouseMove, at, screen, made - 10);
  PostMouse(window, QEvent::MouseButtonPress, at, screen, made);
  PostMouse(window, QEvent::MouseButtonRelease, at, screen, made + 5);
}

// Calls `seen` for each event of the application until it answers true.
class EventWatch : public QObject {
 public:
  explicit EventWatch(std::function<bool(QObject*, QEvent*)> seen) : seen_(std::move(seen)) {
    qApp->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!done_ && seen_(watched, event)) done_ = true;
    return false;
  }

 private:
  std::function<bool(QObject*, QEvent*)> seen_;
  bool done_ = false;
};

// The review's graph near its lower left corner: a place of its scaling zone.
QPoint ScalingCorner(TRView* review) {
  const QRect graph = review->GraphRectOnScreen();
  return {graph.left() + 4, graph.bottom() - 4};
}

TEST(WindowsThatOpenByThemselves, TakeNoClickThatBeganBeforeTheyAppeared) {
  TProgramUnderWalk program("ondravik_early_clicks");
  QVRK& window = program.Window();
  // The guard's clock is the test's: a click a moment after one passed over is no second
  // click of a double-click, however slow the machine.
  std::int64_t now = 1'000'000;
  TEarlyClickGuard::SetClock([&now] { return now; });

  // The pointer moves over the main window: the window system's times are the steady clock's.
  PostMouse(&window, QEvent::MouseMove, QPointF(5, 5), QPointF(window.mapToGlobal(QPoint(5, 5))), SteadyTime());
  QApplication::processEvents();
  int scalings = 0, reviews = 0;
  ModalAnswer<T3DScale> scaling([&](T3DScale* d) {
    ++scalings;
    d->reject();
  });
  {
    // The run ends: OK comes where Cancel stood, and a click meant for Cancel is on its way.
    EventWatch okShown([](QObject* watched, QEvent* event) {
      auto* ok = qobject_cast<QPushButton*>(watched);
      auto* fit = ok != nullptr ? qobject_cast<TFit*>(ok->window()) : nullptr;
      if (event->type() != QEvent::Show || fit == nullptr || ok != fit->Button(kFitDlgOk)) return false;
      QueueClickAt(fit, ok->mapToGlobal(ok->rect().center()));
      return true;
    });
    // The review comes up by itself, and a click on the fit dialog's place is on its way.
    EventWatch reviewShown([](QObject* watched, QEvent* event) {
      if (event->type() != QEvent::Expose || !watched->isWindowType()) return false;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* review = qobject_cast<TRView*>(w); review && review->windowHandle() == watched) {
          QueueClickAt(review, ScalingCorner(review));
          return true;
        }
      return false;
    });
    ModalAnswer<TFit> fit([&](TFit* d) {
      ASSERT_TRUE(PumpUntil([d] { return d->Button(kFitDlgOk)->isVisible(); }));
      QApplication::processEvents();
      EXPECT_TRUE(d->isVisible()) << "a click on its way as the run ended took OK";
      // The ten seconds are up: the dialog gives way to the review.
      d->done(kFitDlgTimedOut);
    });
    ModalAnswer<TRView> review([&](TRView* r) {
      ++reviews;
      ASSERT_TRUE(QTest::qWaitForWindowExposed(r));
      for (int i = 0; i < 10; ++i) QApplication::processEvents();  // the click on its way arrives
      EXPECT_EQ(scalings, 0) << "a click on its way as the review came up opened 3D Scaling";
      // Once the review stands in sight the same click, a moment later, is the user's.
      now += 1000;
      ClickAt(r, ScalingCorner(r));
      EXPECT_EQ(scalings, 1);
      r->close();
    });
    window.ExecuteCommand(CmFitSimple);
    EXPECT_EQ(fit.Seen(), 1);
    EXPECT_TRUE(PumpUntil([&] { return reviews == 1 && ActiveDialog() == nullptr; }));
    EXPECT_EQ(reviews, 1);
  }

  // The fit dialog's OK, clicked once it stands in sight, is the user's.
  ModalAnswer<TFit> later([&](TFit* d) {
    ASSERT_TRUE(PumpUntil([d] { return d->Button(kFitDlgOk)->isVisible(); }));
    QPushButton* ok = d->Button(kFitDlgOk);
    now += 1000;
    ClickAt(d, ok->mapToGlobal(ok->rect().center()));
    if (d->isVisible()) {
      ADD_FAILURE() << "OK took no click once it stood in sight";
      d->done(kFitDlgOk);
    }
  });
  window.ExecuteCommand(CmFitSimple);
  EXPECT_EQ(later.Seen(), 1);
  TEarlyClickGuard::SetClock({});
}

}  // namespace
