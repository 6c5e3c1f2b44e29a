// The guard of a window that opens by itself: the clicks it passes over and those it takes,
// on the guard's own clock.
#include "app/ui/early_clicks.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

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
  void Show() {
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }
  QPoint OnButton() const { return button_->mapTo(&window_, button_->rect().center()); }
  void Press() { QTest::mousePress(window_.windowHandle(), Qt::LeftButton, {}, OnButton()); }
  void Release() { QTest::mouseRelease(window_.windowHandle(), Qt::LeftButton, {}, OnButton()); }
  void Click() {
    Press();
    Release();
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
  // A press already down elsewhere as the window appears: its release on the window, and a
  // quick second click after it (a double-click begun before), do nothing.
  QTest::mousePress(other_.windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
  Show();
  now_ += 1000;
  Release();
  QApplication::processEvents();
  EXPECT_EQ(clicks_, 0);
  // The window has been in sight for a moment: a click of the user's acts.
  Click();
  EXPECT_EQ(clicks_, 1);

  // Shown again (aside for a box and back): it appears anew.
  window_.hide();
  Show();
  now_ += 100;
  Click();
  EXPECT_EQ(clicks_, 1) << "a click within the interval after it came back";
  // The second click of a double-click, within the interval of the first passed over.
  now_ += 350;
  Click();
  EXPECT_EQ(clicks_, 1);
  now_ += 1000;
  Click();
  EXPECT_EQ(clicks_, 2);
  EXPECT_EQ(guard_->PassedOver(), 2);

  // Controls that changed by themselves: the window counts as appearing now.
  guard_->AppearsNow();
  Click();
  EXPECT_EQ(clicks_, 2);
  now_ += 1000;
  Click();
  EXPECT_EQ(clicks_, 3);
  // Keys are not guarded: Space on the button the user chose presses it at once.
  guard_->AppearsNow();
  button_->setFocus();
  QTest::keyClick(button_, Qt::Key_Space);
  EXPECT_EQ(clicks_, 4);
}

}  // namespace
