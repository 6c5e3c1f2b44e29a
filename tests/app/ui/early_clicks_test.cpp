// The guard of a window that opens by itself: the clicks it passes over and those it takes.
// A click "on its way" is one the window system has brought while the program was still busy
// putting the window up: queued before the program caught up, as a posted event is.
#include "platform/qt/early_clicks.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

#include <chrono>
#include <cstdint>

namespace {

class EarlyClicksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TEarlyClickGuard::SetClock([this] { return now_; });
    auto* layout = new QVBoxLayout(&window_);
    button_ = new QPushButton("OK", &window_);
    layout->addWidget(button_);
    QObject::connect(button_, &QPushButton::clicked, [this] { ++clicks_; });
    guard_ = GuardAgainstEarlyClicks(&window_);
    other_.resize(200, 100);
    other_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other_));
  }
  void TearDown() override { TEarlyClickGuard::SetClock({}); }
  QPoint OnButton() const { return button_->mapTo(&window_, button_->rect().center()); }
  // An event the window system has queued, made at `time` (0: no time told).
  static void Queue(QWidget* to, QEvent::Type type, QPoint at, std::uint64_t time) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    auto* event = new QMouseEvent(type, QPointF(at), QPointF(to->mapToGlobal(at)), button,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    event->setTimestamp(time);
    QCoreApplication::postEvent(to->windowHandle(), event);
  }
  // A click the window system has queued: handled with the events at hand.
  void QueueClick(std::uint64_t time = 0) {
    Queue(&window_, QEvent::MouseButtonPress, OnButton(), time);
    Queue(&window_, QEvent::MouseButtonRelease, OnButton(), time == 0 ? 0 : time + 60);
  }
  // A click made once the window stands in sight.
  void Click() {
    QApplication::processEvents();
    QTest::mouseClick(window_.windowHandle(), Qt::LeftButton, {}, OnButton());
    QApplication::processEvents();
  }
  void ShowWithAClickOnItsWay() {
    window_.show();
    window_.winId();  // its native window, for the click to be queued to
    QueueClick();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    QApplication::processEvents();
  }

  std::int64_t now_ = 5000;
  QWidget window_;
  QWidget other_;
  QPushButton* button_ = nullptr;
  TEarlyClickGuard* guard_ = nullptr;
  int clicks_ = 0;
};

TEST_F(EarlyClicksTest, ClicksOnTheirWayAsTheWindowAppearsArePassedOverAndLaterOnesTaken) {
  // A press already down elsewhere as the window appears: its release on the window does
  // nothing; a click on its way as the window came up neither.
  QTest::mousePress(other_.windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
  ShowWithAClickOnItsWay();
  QTest::mouseRelease(window_.windowHandle(), Qt::LeftButton, {}, OnButton());
  QApplication::processEvents();
  EXPECT_EQ(clicks_, 0);
  EXPECT_EQ(guard_->PassedOver(), 1);
  // The second click of a double-click whose first was on its way does nothing either.
  now_ += 200;
  Click();
  EXPECT_EQ(clicks_, 0);
  // Once the window stands in sight, a click of the user's acts, at once after it.
  now_ += 1000;
  Click();
  EXPECT_EQ(clicks_, 1);
  now_ += 10;
  Click();
  EXPECT_EQ(clicks_, 2);

  // Shown again (aside for a box and back): it appears anew.
  window_.hide();
  QApplication::processEvents();
  ShowWithAClickOnItsWay();
  EXPECT_EQ(clicks_, 2) << "a click on its way as the window came back";
  now_ += 1000;
  Click();
  EXPECT_EQ(clicks_, 3);

  // Controls that changed by themselves, a click on its way to them: the window counts as
  // appearing now.
  QueueClick();
  guard_->AppearsNow();
  QApplication::processEvents();
  EXPECT_EQ(clicks_, 3);
  now_ += 1000;
  Click();
  EXPECT_EQ(clicks_, 4);
  EXPECT_EQ(guard_->PassedOver(), 4);
  // Keys are not guarded: Space on the button the user chose presses it at once.
  guard_->AppearsNow();
  button_->setFocus();
  QTest::keyClick(button_, Qt::Key_Space);
  EXPECT_EQ(clicks_, 5);
}

TEST_F(EarlyClicksTest, APressMadeBeforeTheWindowAppearedIsPassedOverThoughHandledAfter) {
  // The window system's times: the steady clock's milliseconds, as on X11.
  const auto steady = [] {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
  };
  TEarlyClickGuard::WatchInputTimes();
  // The pointer moves over another window, then presses while the window is being put up.
  Queue(&other_, QEvent::MouseMove, QPoint(10, 10), steady());
  QApplication::processEvents();
  const std::uint64_t madeBefore = steady() - 1;
  window_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  QApplication::processEvents();
  QApplication::processEvents();
  // Handled only now that the program has caught up with it: it began before the window
  // appeared.
  QueueClick(madeBefore);
  QApplication::processEvents();
  EXPECT_EQ(clicks_, 0);
  EXPECT_EQ(guard_->PassedOver(), 1);
  // A press made once the window stood in sight, a moment after (on the guard's clock), is
  // the user's.
  now_ += 1000;
  QueueClick(steady());
  QApplication::processEvents();
  EXPECT_EQ(clicks_, 1);
  EXPECT_EQ(guard_->PassedOver(), 1);
}

}  // namespace
