// A press on a scroll bar or on a field's arrows finishes the field first, as leaving it does:
// a bar or an arrow never takes the focus, so a value typed past the field's range stayed as
// typed, and the press moved on from the last part of it the field held. In Inspect and Adjust
// UDF and its derivative table, "25" typed under a limit of 10 and finished by a click on the
// bar's arrow became 2.2 without a word; now it is held just inside the limit and the field
// says its range. A spin field's arrow stepped from the typed value itself, still past the
// range (a mesh count of 235 over 120 became 234); now the field is clamped quietly, as
// leaving it is (its arrows show the range). Every window the commands reach is walked for
// its spin fields; the function's windows are opened on a function whose starts lie between
// limits.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "app/ui/spin_edit.h"
#include "every_window_support.h"
#include "expr/udf_record.h"
#include "fit/fit_test_data.h"
#include "tools/ui/udf_dialog.h"
#include "tools/ui/udf_graph.h"

namespace {

using namespace every_window;

std::string Name(const QWidget* w) {
  return std::string(w->metaObject()->className()) + " \"" + w->windowTitle().toStdString() + "\"";
}

void Type(QLineEdit* e, const QString& text) {
  e->setFocus();
  QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(e, text);
}

// Each spin field of the window typed past its range at one end and then at the other, each
// time finished by a click on the arrow that leads back into the range: the field then holds
// that end of its range, without a word. Answers the fields pressed.
int PressSpinFields(const QPointer<QWidget>& w, CarefulAnswers& answers, std::map<std::string, int>& wrong) {
  int pressed = 0;
  for (TRangeSpinEdit* e : w->findChildren<TRangeSpinEdit*>()) {
    if (!w || e->window() != w || !e->isVisible() || !e->isEnabled() || e->isReadOnly() || !e->HasRange()) continue;
    const QString original = e->text();
    const double span = std::max(1.0, e->Maximum() - e->Minimum());
    for (const bool high : {true, false}) {
      const double past = high ? e->Maximum() + span : e->Minimum() - span;
      Type(e, e->FormatValue(past));
      const int boxes = answers.Shown();
      TSpinner* arrows = e->Spinner();
      // The arrow back into the range: the lower one past the top, the upper one past the bottom.
      QTest::mouseClick(arrows, Qt::LeftButton, {}, QPoint(arrows->width() / 2, high ? arrows->height() * 3 / 4 : arrows->height() / 4));
      QApplication::processEvents();
      ++pressed;
      const std::optional<long double> held = e->TypedValue();
      const long double end = high ? e->RangeMaximum() : e->RangeMinimum();
      if (!held || *held != end)
        ++wrong[Name(w) + ": spin field " + e->objectName().toStdString() + " typed " +
                e->FormatValue(past).toStdString() + ", its arrow pressed, reads \"" + e->text().toStdString() + "\""];
      if (answers.Shown() != boxes) ++wrong[Name(w) + ": spin field " + e->objectName().toStdString() + " told on a press"];
    }
    e->SetValue(e->GetValue());  // something it holds, for the rest of the walk
    if (!original.isEmpty()) e->setText(original);
  }
  return pressed;
}

// Each row of a function's adjust window: a start typed past its upper limit and finished by
// the bar's right arrow, then one under its lower limit finished by the left arrow. The field
// holds the start just inside the limit, says its range, and the bar and the record show that
// start.
int PressFunctionRows(QWidget* w, TUdfAdjustControls& controls, CarefulAnswers& answers,
                      std::map<std::string, int>& wrong) {
  int pressed = 0;
  for (int i = 0; i < kUdfMaxParams; ++i) {
    QLineEdit* edit = controls.Edit(i);
    QScrollBar* bar = controls.Bar(i);
    if (!edit->isEnabled()) continue;
    for (const bool high : {true, false}) {
      const std::string row = Name(w) + " row " + std::to_string(i) + (high ? " over its limit" : " under its limit");
      Type(edit, high ? "25" : "-3");
      const int boxes = answers.Shown();
      QTest::mouseClick(bar, Qt::LeftButton, {}, high ? QPoint(bar->width() - 4, bar->height() / 2) : QPoint(4, bar->height() / 2));
      QApplication::processEvents();
      ++pressed;
      const long double start = UdfRecordAt(0)->Start[static_cast<std::size_t>(i)];
      const bool inside = high ? start > 9.99 && start < 10 : start > 0 && start < 0.01L;
      if (!inside) ++wrong[row + ": the start became " + std::to_string(static_cast<double>(start))];
      if (edit->text().toDouble() != static_cast<double>(start))
        ++wrong[row + ": the field shows \"" + edit->text().toStdString() + "\""];
      if (bar->value() != (high ? 99 : 0) && bar->value() != (high ? 100 : 1))
        ++wrong[row + ": the bar stands at " + std::to_string(bar->value())];
      if (answers.Shown() != boxes + 1 || answers.LastText() != "Valid Range is 0 to 10")
        ++wrong[row + ": not told (" + answers.LastText() + ")"];
    }
  }
  return pressed;
}

TEST(EveryWindowPress, ABarOrArrowPressedFinishesItsFieldFirst) {
  TProgramUnderWalk program("ondravik_press_settles");
  // A function whose three starts lie between 0 and 10.
  TUdfRecord& f = fit_test::DefineUserFunction(0, "Z=A0+A1*X+A2*Y", {1, 2, 3});
  for (std::size_t i = 0; i < 3; ++i) {
    f.Lower[i] = 0;
    f.Upper[i] = 10;
    std::snprintf(f.MinText[i].data(), f.MinText[i].size(), "0");
    std::snprintf(f.MaxText[i].data(), f.MaxText[i].size(), "10");
    std::snprintf(f.StartText[i].data(), f.StartText[i].size(), "%d", static_cast<int>(i) + 1);
  }
  program.Window().HaveUdfs = 1;

  std::map<std::string, int> wrong;
  int spinFields = 0;
  Walker walker(Clock::now() + std::chrono::minutes(5));
  walker.SetOpenedHook([&](const QPointer<QWidget>& w) { spinFields += PressSpinFields(w, program.Answers(), wrong); });
  program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); },
                          [&](const CommandInfo&) { program.LoadTableAndFitsIfChanged(); });
  EXPECT_FALSE(walker.TimedOut());

  // The function's adjust window and its derivative table, from the functions dialog.
  int rows = 0;
  ModalAnswer<TDlgUDF> functions([&](TDlgUDF* d) {
    d->Button(15)->click();  // Adjust
    d->reject();
  });
  ModalAnswer<TUDFGraph> graph([&](TUDFGraph* g) {
    // Pressed once it stands in sight, as a user presses it: it comes up after the function
    // has been evaluated, and takes no press that began before it appeared.
    WaitUntilInSight(g);
    rows += PressFunctionRows(g, g->Controls(), program.Answers(), wrong);
    g->CmDerivatives();
    g->reject();
  });
  ModalAnswer<TUDFDeriv> table([&](TUDFDeriv* t) {
    rows += PressFunctionRows(t, t->Controls(), program.Answers(), wrong);
    t->reject();
  });
  program.Window().ExecuteCommand(CmUserFunctions);
  EXPECT_EQ(graph.Seen(), 1);
  EXPECT_EQ(table.Seen(), 1);

  for (const auto& [what, count] : wrong) ADD_FAILURE() << what << " (" << count << " times)";
  EXPECT_EQ(rows, 2 * 2 * 3);
  EXPECT_GT(spinFields, 20);
  std::fprintf(stderr, "%d presses of spin arrows, %d of a function's bars\n", spinFields, rows);
}

}  // namespace
