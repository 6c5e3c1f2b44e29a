// Every check box and radio button of every window and dialog answers a click beside its
// text: a control laid out wider than its box and text (a short label in a wide column, a
// check box stretched along a row) took a click on its free part for none, where the dialogs
// the windows follow take a click anywhere on the control. Each control is looked at where
// it stands when its window opens and again after the walk's clicks (which show more of
// them), at the far end of its rectangle and at its centre: the place where a press and
// release count as a click must hold both.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyleOptionButton>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "every_window_support.h"

namespace {

using namespace every_window;

// Whether a press and release at `at` (the button's coordinates) count as a click on it.
bool Hits(const QAbstractButton* button, QPoint at) {
  struct THit : QAbstractButton {
    static bool At(const QAbstractButton* b, QPoint p) { return (b->*(&THit::hitButton))(p); }
  };
  return THit::At(button, at);
}

// The click area Qt's own style gives the control (without the program's widening), for the
// count of the controls the widening mends.
QRect PlainClickArea(const QAbstractButton* b) {
  const auto* proxy = qobject_cast<const QProxyStyle*>(b->style());
  const QStyle* plain = proxy != nullptr ? proxy->baseStyle() : b->style();
  QStyleOptionButton option;
  if (const auto* check = qobject_cast<const QCheckBox*>(b)) {
    struct TOption : QCheckBox {
      static void Of(const QCheckBox* c, QStyleOptionButton* o) { (c->*(&TOption::initStyleOption))(o); }
    };
    TOption::Of(check, &option);
    return plain->subElementRect(QStyle::SE_CheckBoxClickRect, &option, b);
  }
  struct TOption : QRadioButton {
    static void Of(const QRadioButton* r, QStyleOptionButton* o) { (r->*(&TOption::initStyleOption))(o); }
  };
  TOption::Of(qobject_cast<const QRadioButton*>(b), &option);
  return plain->subElementRect(QStyle::SE_RadioButtonClickRect, &option, b);
}

TEST(EveryWindowWholeControlClicks, EveryCheckBoxAndRadioButtonAnswersAClickBesideItsText) {
  TProgramUnderWalk program("ondravik_whole_control_clicks");
  // By window class, control class and text: the controls met, those that miss a click beside
  // their text, and those Qt's own click area would have missed.
  std::set<std::string> met, missing, plainMissing, wideMissing;
  std::set<std::string> windows;
  const auto look = [&](const QPointer<QWidget>& w) {
    if (!w || !w->isVisible()) return;
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
      if (b->window() != w || !b->isVisible()) continue;
      if (qobject_cast<QCheckBox*>(b) == nullptr && qobject_cast<QRadioButton*>(b) == nullptr) continue;
      const std::string name = std::string(w->metaObject()->className()) + " " + b->metaObject()->className() +
                               " \"" + Plain(b->text()) + "\"";
      met.insert(name);
      windows.insert(w->metaObject()->className());
      const QPoint beside(b->width() - 2, b->height() / 2), centre = b->rect().center();
      if (!Hits(b, beside) || !Hits(b, centre)) missing.insert(name);
      const QRect plain = PlainClickArea(b);
      if (!plain.contains(beside)) plainMissing.insert(name);
      if (b->width() - 1 - plain.right() >= 10) wideMissing.insert(name);  // a finger's width or more
    }
  };
  Walker walker(Clock::now() + std::chrono::minutes(4), look);
  walker.SetOpenedHook(look);
  program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); }, [](const CommandInfo&) {});
  EXPECT_FALSE(walker.TimedOut());
  // The data graph's "Add Surface", the scattered-data window's methods, the options dialogs'
  // boxes: well over a hundred controls in a few dozen windows.
  EXPECT_GT(met.size(), 100u);
  EXPECT_GT(windows.size(), 20u);
  for (const std::string& name : missing) ADD_FAILURE() << name << " takes a click beside its text for none";
  std::fprintf(stderr, "whole control clicks: %zu check boxes and radio buttons in %zu windows, %zu missed a click beside "
               "their text, %zu would with Qt's own click area (%zu with 10 pixels or more beside it)\n",
               met.size(), windows.size(), missing.size(), plainMissing.size(), wideMissing.size());
  for (const std::string& name : wideMissing) std::fprintf(stderr, "  widened: %s\n", name.c_str());
}

}  // namespace
