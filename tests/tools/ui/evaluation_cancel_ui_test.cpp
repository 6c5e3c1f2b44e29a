// Long evaluations of the user's statements stopped with Cancel through the real roads:
// applying a calculation to the data table, and a statement typed into the evaluation
// dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <functional>

#include "app/data_session.h"
#include "app/settings_file.h"
#include "app/ui/modal_answers.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "platform/busy_window.h"
#include "platform/message_box.h"
#include "tools/data_calculation.h"
#include "tools/tools_test_support.h"
#include "tools/ui/calculation_commands.h"
#include "tools/ui/evaluation_dialog.h"

namespace {

// Each row's Z sums a million terms of a line of user function 3: seconds for the table.
constexpr const char* kCostlyZ = "Z+SUM(9,1,999999,1)";

class EvaluationCancelUi : public DataToolsTest {
 protected:
  void SetUp() override {
    DataToolsTest::SetUp();
    CurrentSettings() = DefaultSettings(1280, 1024);
    ClearCalculation();
    ExprThreadContext().CurrentUdf = 3;
    ASSERT_EQ(ExprCompileSlot("SIN($)*0", 39), 1);
    Load({{1, 10, 5}, {2, 20, -1}, {3, 30, 7}, {4, 40, 0}, {5, 50, 9}, {6, 60, 2}});
    PrescanData(session_);
  }
  void TearDown() override {
    ExprThreadContext().CurrentUdf = 0;
    ClearCalculation();
    DataToolsTest::TearDown();
  }
};

TEST_F(EvaluationCancelUi, ACancelledTableCalculationLeavesTheTableAsItWas) {
  TCalcLines lines;
  lines.text[kCalcX] = "X*2";
  lines.text[kCalcZ] = kCostlyZ;
  ASSERT_EQ(ValidateCalcLines(lines, session_.Table.XYZData()).result, TCalcValidation::kValid);
  CalcTexts() = lines;
  const std::vector<unsigned char> before = TableBytes();
  platform::ScriptedAnswers answers;
  bool kept = true;
  EXPECT_TRUE(CancelProgressWhenShown([&] { kept = calculation_commands::ApplyWithAcceptOrUndo(nullptr, session_, 1); }));
  EXPECT_FALSE(kept);
  EXPECT_EQ(TableBytes(), before);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Calculation");
  EXPECT_EQ(answers.Boxes()[0].text, "Calculation Cancelled");
  EXPECT_FALSE(platform::CurrentBusyState().shown);
  EXPECT_FALSE(ExprThreadContext().goOn);

}

// A calculation of 60 rows shows one window, the one with Cancel (the busy window of the
// calculation gives it its place), and its gauge counts the rows computed.
TEST_F(EvaluationCancelUi, ACalculationsWindowIsOneWindowThatCountsItsRows) {
  std::vector<TestRow> rows;
  for (int i = 1; i <= 60; ++i) rows.push_back({1.0L * i, 10.0L * i, 1.0L * (i % 7)});
  Load(rows);
  PrescanData(session_);
  TCalcLines lines;
  lines.text[kCalcZ] = kCostlyZ;
  ASSERT_EQ(ValidateCalcLines(lines, session_.Table.XYZData()).result, TCalcValidation::kValid);
  CalcTexts() = lines;
  platform::ScriptedAnswers answers;
  int shownOf = -1, shownAt = -1;
  bool busyBehind = true;
  QString caption;
  EXPECT_TRUE(CancelProgressWhenShown(
      [&] { (void)calculation_commands::ApplyWithAcceptOrUndo(nullptr, session_, 1); },
      [&](QWidget* window) {
        busyBehind = platform::CurrentBusyState().shown;
        caption = window->windowTitle();
        if (auto* bar = window->findChild<QProgressBar*>()) {
          shownOf = bar->maximum();
          shownAt = bar->value();
        }
      }));
  EXPECT_FALSE(busyBehind);
  EXPECT_EQ(caption, "Calculation");
  EXPECT_EQ(shownOf, 60);
  EXPECT_GE(shownAt, 0);
  EXPECT_LT(shownAt, 60);
  EXPECT_FALSE(platform::CurrentBusyState().shown);
}

TEST_F(EvaluationCancelUi, AStatementTypedIntoTheEvaluationDialogCanBeCancelled) {
  TEvalSurface s;
  s.z = [](long double x, long double y) { return x + y; };
  s.xMin = 0, s.xMax = 5, s.yMin = 0, s.yMax = 5, s.zMin = 0, s.zMax = 10;
  // A million terms of a costly line, in the twelve characters an input holds: seconds.
  ASSERT_EQ(ExprParseAndRun("B=1E6"), 1e6L);
  ExprThreadContext().ExprVars.Dollar() = 0.5;
  ASSERT_EQ(ExprCompileSlot("INU(100.5,$/1E6)*0+1", 37), 1);
  platform::ScriptedAnswers answers;
  auto* d = new TDlgEval(nullptr, "Test Surface", s, session_);
  d->show();
  QApplication::processEvents();
  d->Input(0)->setText("SUM(7,1,B,1)");
  d->Input(1)->setText("2");
  EXPECT_TRUE(CancelProgressWhenShown([&] { d->Button(kEvalButtonZ)->click(); }));
  EXPECT_EQ(d->Table().LineCount(), 0);  // nothing evaluated at a stopped input
  EXPECT_EQ(d->Input(0)->selectedText(), "SUM(7,1,B,1)");  // the input selected, as a refused one
  EXPECT_FALSE(ExprThreadContext().goOn);
  d->Input(0)->setText("1");
  d->Button(kEvalButtonZ)->click();
  ASSERT_EQ(d->Table().LineCount(), 1);
  EXPECT_EQ(d->Table().Row(0).z, 3);
  delete d;
  (void)ExprParseAndRun("B=0");
}

}  // namespace
