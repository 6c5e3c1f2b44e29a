// Every check box, radio button and push button of the graph windows and the smoothing
// windows answers a real click: the pointer moved there and the left button pressed and
// released through the X server (xdotool) under a window manager, as a user clicks. A check
// box or radio button is clicked beside its text, at the far end of its control (the data
// graph's "Add Surface" took such a click for none), and toggles or is chosen (each emits its
// click); a push button is clicked at its centre and checked without acting (its press and
// release are taken from it): the click reaches it, and lands where it answers.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/ui/dialog.h"
#include "app/ui/command_ids.h"
#include "app/ui/main_window.h"
#include "app/ui/number_field.h"
#include "app/ui/small_controls.h"
#include "graph3d/ui/view_function_dialog.h"
#include "platform/qt/qt_text.h"
#include "every_window_support.h"
#include "stacking_walk.h"
#include "x_display.h"

namespace stacking {
namespace {

using every_window::Plain;

// Whether the button takes a release at `at` (its coordinates) as a click on it.
bool Hits(const QAbstractButton* button, QPoint at) {
  struct THit : QAbstractButton {
    static bool At(const QAbstractButton* b, QPoint p) { return (b->*(&THit::hitButton))(p); }
  };
  return THit::At(button, at);
}

// What of a real click reached a button. A push button's press and release are taken from
// it, so that it does not act.
class TClickWatch : public QObject {
 public:
  TClickWatch(QAbstractButton* button, bool takeAway) : button_(button), takeAway_(takeAway) {
    button->installEventFilter(this);
  }
  ~TClickWatch() override {
    if (button_) button_->removeEventFilter(this);
  }
  bool pressed = false, released = false, hit = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        pressed = true;
        return takeAway_;
      case QEvent::MouseButtonRelease:
        released = true;
        hit = button_ && Hits(button_, static_cast<QMouseEvent*>(event)->position().toPoint());
        return takeAway_;
      default:
        return false;
    }
  }

 private:
  QPointer<QAbstractButton> button_;
  bool takeAway_;
};

std::string Describe(const QWidget* owner, const QAbstractButton* b) {
  return std::string(owner->metaObject()->className()) + " " + b->metaObject()->className() + " \"" +
         Plain(b->text()) + "\"";
}

struct TTally {
  int clicked = 0, toggles = 0, disabled = 0;
  std::vector<std::string> failures;
};

// A real click on the button, beside the text of a check box or radio button, at the centre
// of a push button; answers whether it worked as the kind of button says.
bool ClickWorks(QAbstractButton* b, std::string* why) {
  const bool toggles = qobject_cast<QCheckBox*>(b) != nullptr || qobject_cast<QRadioButton*>(b) != nullptr;
  const bool wasChecked = b->isChecked();
  TClickWatch watch(b, !toggles);
  QSignalSpy clicks(b, &QAbstractButton::clicked);
  const QPoint at = b->mapToGlobal(toggles ? QPoint(b->width() - 3, b->height() / 2) : b->rect().center());
  if (!ClickAt(at.x(), at.y())) {
    *why = "xdotool could not click";
    return false;
  }
  const bool arrived = WaitUntil([&] { return watch.released && (!toggles || !clicks.isEmpty() || !watch.hit); });
  QTest::qWait(50);
  if (!arrived || !watch.pressed) {
    *why = watch.pressed ? "the release did not reach it" : "the click did not reach it";
    return false;
  }
  if (!watch.hit) {
    *why = "the click lies outside the place where it answers";
    return false;
  }
  if (!toggles) return true;
  if (clicks.isEmpty()) {
    *why = "no click was emitted";
    return false;
  }
  if (qobject_cast<QCheckBox*>(b) != nullptr) {
    if (b->isChecked() == wasChecked) {
      *why = "it did not toggle";
      return false;
    }
    // Back as it was, by a second click.
    TClickWatch back(b, false);
    if (!ClickAt(at.x(), at.y()) || !WaitUntil([&] { return b->isChecked() == wasChecked; })) {
      *why = "the second click did not toggle it back";
      return false;
    }
    return true;
  }
  if (!b->isChecked()) {
    *why = "it was not chosen";
    return false;
  }
  return true;
}

// Opens the owner by its command and clicks every check box, radio button and push button it
// shows, from within its own event loop; then closes it.
void ClickEveryButton(every_window::TProgramUnderWalk& program, int command, const char* ownerClass, TTally& tally) {
  bool answered = false;
  const auto owner = [&](QWidget* w) {
    // The function viewer asks for its function first.
    if (auto* ask = qobject_cast<TDlgVFXY*>(w); ask != nullptr && !answered) {
      answered = true;
      ask->TextEdit()->SetRecordText("Z=X*Y");
      for (int i = 0; i < 4; ++i) ask->RangeEdit(i)->setText(i % 2 == 0 ? "1" : "10");
      QTimer::singleShot(0, ask, [ask] { ask->accept(); });
    }
    return std::string(w->metaObject()->className()) == ownerClass;
  };
  const auto clickEvery = [&](QWidget* window) {
    QPointer<QWidget> w(window);
    window->raise();
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window, 30000);
    std::vector<QPointer<QAbstractButton>> buttons;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
      if (b->window() == window && b->isVisible() &&
          (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b) || qobject_cast<QPushButton*>(b)))
        buttons.emplace_back(b);
    for (const QPointer<QAbstractButton>& b : buttons) {
      if (!w || !b || !b->isVisible()) continue;
      if (!b->isEnabled()) {
        ++tally.disabled;
        continue;
      }
      std::string why;
      if (!ClickWorks(b, &why)) tally.failures.push_back(Describe(w, b) + ": " + why);
      ++tally.clicked;
      if (qobject_cast<QCheckBox*>(b.data()) || qobject_cast<QRadioButton*>(b.data())) ++tally.toggles;
    }
  };
  EXPECT_TRUE(WithWindow([&] { program.Window().ExecuteCommand(command); }, owner, clickEvery))
      << ownerClass << " did not open";
}

class RealClicks : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!NoDisplayReason().empty())
      GTEST_SKIP() << "no X display with a window manager could be started (" << NoDisplayReason()
                   << "): real clicks are not tried";
  }
};

TEST_F(RealClicks, EveryButtonOfTheGraphAndSmoothingWindowsAnswersARealClick) {
  every_window::TProgramUnderWalk program("ondravik_real_clicks");
  struct TOwner {
    int command;
    const char* className;
  };
  const TOwner owners[] = {
      {CmDataGraph, "TViewDataNP"},      {CmScatteredNP, "T3DNParm"},   {CmGriddedNP, "T3DSpline"},
      {CmUniformGrid, "TDFSpline"},      {CmFillSparseGrid, "TFSSpline"}, {CmSmoothLoess, "T3DSmooth"},
      {CmSmoothNurbs, "T3DSmoothNurbs"}, {CmFunctionViewer, "TVFXY2"},  {CmSampler, "TNLSamp"},
      {CmReviewGraph, "TRView"},
  };
  TTally tally;
  for (const TOwner& o : owners) {
    ClickEveryButton(program, o.command, o.className, tally);
    if (HasFatalFailure()) return;
  }
  std::string all;
  for (const std::string& f : tally.failures) all += f + "\n";
  EXPECT_TRUE(tally.failures.empty()) << tally.failures.size() << " of " << tally.clicked << " buttons:\n" << all;
  std::fprintf(stderr, "real clicks: %d buttons of %zu windows clicked (%d check boxes and radio buttons), %d disabled\n",
               tally.clicked, std::size(owners), tally.toggles, tally.disabled);
}

// A value typed key by key past a field's range in a smoothing window, and Eval (Eval Spline)
// clicked through the X server, as a user clicks: the click moves the focus out of the field
// under the window manager, and the button settles the field before it acts. It says the
// range, shows the field clamped with the focus back in it, and opens no evaluation table.
// (The field was clamped without a word and the table opened over it on the clamped surface.)
TEST_F(RealClicks, ARealClickOnEvalSettlesTheFieldLeftForItFirst) {
  every_window::TProgramUnderWalk program("ondravik_real_click_eval");
  struct TOwner {
    int command;
    const char* className;
  };
  const TOwner owners[] = {{CmGriddedNP, "T3DSpline"}, {CmUniformGrid, "TDFSpline"}, {CmScatteredNP, "T3DNParm"}};
  int checked = 0;
  for (const TOwner& o : owners) {
    SCOPED_TRACE(o.className);
    const auto inside = [&](QWidget* window) {
      window->raise();
      window->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(window, 30000));
      std::vector<QLineEdit*> fields;
      for (QLineEdit* e : window->findChildren<QLineEdit*>())
        if (NumberFieldOf(e) != nullptr && e->isVisible() && e->isEnabled()) fields.push_back(e);
      ASSERT_FALSE(fields.empty());
      std::sort(fields.begin(), fields.end(), [](QLineEdit* a, QLineEdit* b) { return a->objectName() < b->objectName(); });
      QLineEdit* field = fields.front();
      TNumberField& f = *NumberFieldOf(field);
      auto* eval = window->findChild<QPushButton*>(QString::number(378));
      ASSERT_NE(eval, nullptr);
      ASSERT_TRUE(eval->isEnabled());
      // Into the field with a real click, its text selected, and a number past its range typed
      // key by key.
      const QPoint in = field->mapToGlobal(field->rect().center());
      ASSERT_TRUE(ClickAt(in.x(), in.y()));
      ASSERT_TRUE(WaitUntil([&] { return field->hasFocus(); }));
      QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
      const QString past = QString::number(static_cast<long>(f.RangeMaximum()) * 3 + 10);
      QTest::keyClicks(field, past);
      ASSERT_EQ(field->text(), past);
      const int boxes = program.Answers().Shown();
      // A window the click opens (the evaluation table) is named and closed.
      std::string opened;
      QTimer closer;
      QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QDialog*>(ActiveDialog()); d != nullptr && d != window) {
          opened = d->metaObject()->className();
          d->reject();
        }
      });
      closer.start(20);
      const QPoint at = eval->mapToGlobal(eval->rect().center());
      ASSERT_TRUE(ClickAt(at.x(), at.y()));
      const bool told = WaitUntil([&] { return program.Answers().Shown() > boxes || !opened.empty(); }) &&
                        program.Answers().Shown() > boxes;
      QTest::qWait(200);
      closer.stop();
      EXPECT_TRUE(told) << "nothing was said";
      EXPECT_EQ(opened, "") << "the click opened a window over the field";
      if (told) {
        EXPECT_EQ(program.Answers().LastText(), platform::qt::ToCp1252(f.Message()));
      }
      EXPECT_EQ(field->text(), f.TextOf(f.RangeMaximum()));
      EXPECT_TRUE(field->hasFocus());
      ++checked;
    };
    EXPECT_TRUE(WithWindow([&] { program.Window().ExecuteCommand(o.command); },
                           [&](QWidget* w) { return std::string(w->metaObject()->className()) == o.className; }, inside))
        << o.className << " did not open";
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(checked, 3);
}

}  // namespace
}  // namespace stacking
