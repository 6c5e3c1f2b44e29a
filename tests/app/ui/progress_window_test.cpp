// The window of a long computation: it shows once the work has taken a moment, in the place
// of the busy window its caller put up around the same work (one window, the one with
// Cancel), with the arrow pointer, and its gauge shows how far the work has come where the
// work knows its length.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QProgressBar>
#include <QProgressDialog>

#include "app/ui/modal_answers.h"
#include "app/ui/progress_window.h"
#include "platform/busy_window.h"
#include "platform/message_box.h"

namespace {

QProgressDialog* ShownProgressWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "TProgressWindow" && w->isVisible()) return qobject_cast<QProgressDialog*>(w);
  return nullptr;
}

TEST(ProgressWindow, TakesTheBusyWindowsPlaceAndShowsTheCountItIsGiven) {
  const struct {
    int done, total;  // total 0: Busy()
    const char* shown;
  } cases[] = {{12, 60, "20%"}, {0, 0, ""}};
  for (const auto& c : cases) {
    ShowBusyMsg(nullptr, "Calculation", "Calculation in Progress", 1);
    {
      TProgressWindow window(nullptr, "Calculation", "Calculation in Progress");
      EXPECT_TRUE(platform::CurrentBusyState().shown);  // not yet due: the busy window stands
      if (c.total > 0) (void)window.Step(0, c.total);  // the work begins
      ASSERT_TRUE(PumpUntil([&] {
        (void)(c.total > 0 ? window.Step(c.done, c.total) : window.Busy());
        return ShownProgressWindow() != nullptr;
      }));
      EXPECT_FALSE(platform::CurrentBusyState().shown) << c.total;
      QProgressBar* bar = ShownProgressWindow()->findChild<QProgressBar*>();
      ASSERT_NE(bar, nullptr);
      EXPECT_EQ(bar->maximum(), c.total);
      EXPECT_EQ(bar->value(), c.done);
      EXPECT_EQ(bar->text(), c.shown);
      ASSERT_NE(QApplication::overrideCursor(), nullptr);
      EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    HideBusyMsg();  // what the caller does last: nothing is left to hide
    EXPECT_FALSE(platform::CurrentBusyState().shown);
  }
}

}  // namespace

namespace {

// A caption naming a file deep in its folders: the window stays within the screen (it asked
// for the caption's width and more, past the screen's edge with its Cancel).
TEST(ProgressWindow, ALongPathCaptionKeepsTheWindowWithinTheScreen) {
  const QString path = "/home/user/" + QString("measurements of the plate/").repeated(12) + "plate.txt";
  TProgressWindow window(nullptr, path, "Reading Data");
  QProgressDialog* dialog = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "TProgressWindow") dialog = qobject_cast<QProgressDialog*>(w);
  ASSERT_NE(dialog, nullptr);
  const int screen = QGuiApplication::primaryScreen()->availableGeometry().width();
  ASSERT_GT(dialog->fontMetrics().horizontalAdvance(path), screen);  // the case the test is about
  EXPECT_LE(dialog->minimumWidth(), screen);
  // A short caption still widens the window to show it whole.
  TProgressWindow shortWindow(nullptr, "plate.txt", "Reading Data");
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "TProgressWindow" && w != dialog) dialog = qobject_cast<QProgressDialog*>(w);
  EXPECT_GE(dialog->minimumWidth(), dialog->fontMetrics().horizontalAdvance("plate.txt"));
}

}  // namespace

namespace {

// A box shown while work is under way shows alone: the busy window ends first, a progress
// window steps aside and comes back when the work asks it again ("Saving Data..." stood under
// "Unable to Save", a gauge with Cancel over a question about the work).
TEST(ProgressWindow, ABoxShowsAloneAndTheProgressWindowComesBackAfterIt) {
  platform::ScriptedAnswers answers;
  WorkBesideBoxes beside(answers);
  ShowBusyMsg(nullptr, "plate.prn", "Saving Data...", 1);
  ErrorBox(nullptr, "plate.prn", "Unable to Save XYZ Data");
  EXPECT_FALSE(platform::CurrentBusyState().shown);
  HideBusyMsg();  // the caller's own, after the box: harmless
  {
    TProgressWindow window(nullptr, "Calculation", "Calculation in Progress");
    ASSERT_TRUE(PumpUntil([&] {
      (void)window.Busy();
      return ShownProgressWindow() != nullptr;
    }));
    EXPECT_EQ(AskYesNo(nullptr, "Calculation", "Go On?"), platform::kIdCancel);
    EXPECT_EQ(ShownProgressWindow(), nullptr);
    ASSERT_TRUE(PumpUntil([&] {
      (void)window.Busy();
      return ShownProgressWindow() != nullptr;
    }));
  }
  EXPECT_EQ(ShownProgressWindow(), nullptr);
  EXPECT_EQ(beside.Boxes(), 2);
  EXPECT_EQ(beside.Beside(), std::vector<std::string>{});
}

}  // namespace
