// The "User Defined Functions" dialog and its commands, offscreen with scripted boxes and
// file dialogs: what the user typed stays in the dialog whatever is refused, files read
// and written, the library's count, Cancel, and the hand-over to the fit of the functions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>

#include "app/ui/dialog.h"
#include "app/c_format.h"
#include "app/data_statistics.h"
#include "app/prescan_hooks.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/modal_answers.h"
#include "expr/data_statistics_cells.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "expr/program_slots.h"
#include "expr/udf_record.h"
#include "fit/session.h"
#include "graph3d/graph_options.h"
#include "platform/file_dialog.h"
#include "platform/gui_thread.h"
#include "platform/message_box.h"
#include "support/graph_pixels.h"
#include "support/scratch_files.h"
#include "tools/udf/udf_evaluation.h"
#include "tools/udf/udf_files.h"
#include "tools/ui/udf_commands.h"
#include "tools/ui/function_picker.h"
#include "tools/ui/udf_dialog.h"
#include "tools/ui/udf_graph.h"

namespace {

class UdfDialogUi : public ::testing::Test {
 protected:
  void SetUp() override {
    CurrentSettings() = DefaultSettings(1280, 1024);
    ExprBindDataStats(&session_.DataStats);
    ExprBindUdfTable(&session_.UdfTable);
    ExprStartUp();
    ASSERT_TRUE(session_.Table.AllocPointArray());
    auto data = session_.Table.XYZData();
    int n = 0;
    // z = 1 + 2x + 3y² on a 6 x 6 grid.
    for (int i = 1; i <= 6; ++i)
      for (int j = 1; j <= 6; ++j)
        data[static_cast<std::size_t>(++n)] = {.X = 1.0L * i, .Y = 1.0L * j, .Z = 1 + 2.0L * i + 3.0L * j * j, .W = 1, .Status = kPointActive};
    SetPointCount(data, n);
    session_.Table.SetXYZRows(n);
    ASSERT_EQ(ComputeDataStatistics(session_.Table, session_.DataStats), 36);
    dir_.emplace("ondravik_udf_dialog");
  }
  void TearDown() override {
    FreeAllUdfs();
    ExprBindUdfTable(nullptr);
    ExprBindDataStats(nullptr);
  }

  TDlgUDF* Open() {
    auto* d = new TDlgUDF(nullptr, session_);
    d->show();
    return d;
  }
  static void Type(TDlgUDF* d, const char* text, int count) {
    d->TextEdit()->setPlainText(text);
    d->Edit(702)->setText(QString::number(count));
    ASSERT_TRUE(d->ApplyCountEdit());
  }
  std::string File(const char* name) const { return (dir_->Path() / name).string(); }
  // The graph window of user function 1, as Adjust opens it, drawn with `options`.
  TUDFGraph* OpenGraph(TGraphOptions& options) {
    options.Setup().SurfaceFn = [](long double x, long double y) { return EvalUdf1(x, y); };
    return new TUDFGraph(nullptr, &options.Setup(), session_, 0);
  }

  TSession session_;
  std::optional<ScratchDir> dir_;
};

TEST_F(UdfDialogUi, AFunctionTypedAndAcceptedIsCompiledAndCounted) {
  auto* d = new TDlgUDF(nullptr, session_);
  d->show();
  EXPECT_EQ(d->windowTitle(), "User Defined Function 1");
  EXPECT_EQ(d->Number()->text(), "1");
  d->Edit(701)->setText("Paraboloid");
  Type(d, "z=a0+a1*x+a2*y*y", 3);
  EXPECT_TRUE(d->Edit(706)->isEnabled());
  EXPECT_FALSE(d->Edit(707)->isEnabled());
  d->Button(1)->click();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  ASSERT_NE(UdfRecordAt(0), nullptr);
  EXPECT_TRUE(UdfReadyToFit(0));
  EXPECT_EQ(std::string(UdfFieldText(UdfRecordAt(0)->Name)), "Paraboloid");
  // What the user typed is still what the dialog shows.
  EXPECT_EQ(d->TextEdit()->toPlainText(), "z=a0+a1*x+a2*y*y");
  delete d;
}

// A refused function keeps every text the user typed; the box names the fault and its line,
// and the line is selected.
TEST_F(UdfDialogUi, ARefusalKeepsTheTextAndSelectsTheLine) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  Type(d, "F1=X*Y\nZ A0+F1\n", 1);
  d->Button(1)->click();
  EXPECT_NE(d->result(), QDialog::Accepted);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "User Function Validation Error");
  EXPECT_EQ(answers.Boxes()[0].text, "Equal Sign is Missing\n\nLine 2: Z A0+F1");
  EXPECT_EQ(d->TextEdit()->toPlainText(), "F1=X*Y\nZ A0+F1\n");
  EXPECT_EQ(d->TextEdit()->textCursor().selectedText(), "Z A0+F1");
  EXPECT_EQ(UdfRecordAt(0), nullptr);

  // A start value at its minimum: the start edit of that row takes the focus, its text kept.
  Type(d, "Z=A0+A1*X+Y", 2);
  d->Edit(715)->setText("2");
  d->Edit(705)->setText("2");
  d->Button(1)->click();
  EXPECT_EQ(answers.Boxes().back().text, "Parameter Estimate Must Be Greater Than Minimum\n\n#B [A1] Start: 2");
  EXPECT_TRUE(d->Edit(705)->hasFocus() || QApplication::focusWidget() == nullptr);
  EXPECT_EQ(d->Edit(705)->text(), "2");
  delete d;
}

// A line that runs for seconds (a product over a million terms of a Bessel function) can
// be stopped: a window with Cancel shows after a moment, and Cancel refuses the function
// at that line with "Calculation Cancelled", the text kept as typed.
TEST_F(UdfDialogUi, ALongValidationCanBeCancelled) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  const char* text = "F8=INU(100.5,$)*0+1\nF9=$*2\nZ=A0*X+Y+PROD(8,999999,CSCH(($$-LN(999999))),((-Z<#F9))!)";
  Type(d, text, 1);
  EXPECT_TRUE(CancelProgressWhenShown([&] { d->Button(1)->click(); }));
  EXPECT_NE(d->result(), QDialog::Accepted);
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Calculation Cancelled");
  EXPECT_NE(answers.Boxes()[0].text.find("Line 3: "), std::string::npos) << answers.Boxes()[0].text;
  EXPECT_EQ(d->TextEdit()->toPlainText(), text);
  EXPECT_EQ(UdfRecordAt(0), nullptr);
  EXPECT_FALSE(ExprThreadContext().goOn);
  // The next validation runs as ever.
  Type(d, "Z=A0*X+Y", 1);
  d->Button(1)->click();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_TRUE(UdfReadyToFit(0));
  delete d;
}

// Cancel while the effects of the parameters are measured over the data (a product of a
// million terms at every data point, one term at the data means where the lines are run
// and compiled): the dialog stays open with the text as typed, the function is not
// accepted, and no warning comes from the measures left unfinished, only the cancel.
TEST_F(UdfDialogUi, ACancelledCheckOfTheEffectsAcceptsNothingAndWarnsOfNothing) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  const char* text = "F1=1+SIN($*X+Y)/1E7\nZ=#A*PROD(1,1,1+999998*(ABS(X-XMEAN)>0),1)+#B*X+0*Y";
  Type(d, text, 2);
  EXPECT_TRUE(CancelProgressWhenShown([&] { d->Button(1)->click(); }));
  EXPECT_NE(d->result(), QDialog::Accepted);
  EXPECT_TRUE(d->isVisible());
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Calculation Cancelled");
  EXPECT_EQ(answers.Boxes()[0].text, "Validation Cancelled: the Function Is Not Accepted");
  EXPECT_EQ(d->TextEdit()->toPlainText(), text);
  EXPECT_EQ(UdfRecordAt(0), nullptr);
  EXPECT_FALSE(ExprThreadContext().goOn);
  // Fit UDFs after the cancel checks again, and a cancel there ends nothing either.
  EXPECT_TRUE(CancelProgressWhenShown([&] { d->Button(TDlgUDF::kFitResult)->click(); }));
  EXPECT_NE(d->result(), TDlgUDF::kFitResult);
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(answers.Boxes().size(), 2u);
  EXPECT_EQ(UdfRecordAt(0), nullptr);
  delete d;
}

TEST_F(UdfDialogUi, CountsOutsideOneToTenAreRefusedAndLoweringResetsTheRows) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  Type(d, "Z=A0*X*Y", 4);
  for (int id : {704, 705, 706, 707}) d->Edit(id)->setText("3");
  d->Edit(702)->setText("2");
  ASSERT_TRUE(d->ApplyCountEdit());
  EXPECT_EQ((QStringList{d->Edit(716)->text(), d->Edit(706)->text(), d->Edit(727)->text(), d->Edit(705)->text()}),
            (QStringList{"-1E25", "1", "1E25", "3"}));
  EXPECT_FALSE(d->Edit(706)->isEnabled());
  for (const char* bad : {"0", "11"}) {
    d->Edit(702)->setText(bad);
    EXPECT_FALSE(d->ApplyCountEdit());
    EXPECT_EQ(d->Edit(702)->text(), "2");
    EXPECT_EQ(answers.Boxes().back().caption, "Invalid Parameter Count");
    EXPECT_EQ(answers.Boxes().back().text, "Count Must Be Between 1 and 10");
  }
  delete d;
}

// OK with an empty text deletes the function shown and closes; spaces are a text.
TEST_F(UdfDialogUi, AnEmptyTextDeletesTheFunctionAndSpacesAreRefused) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  d->SelectUdf(4);
  Type(d, "Z=A0*X+Y", 1);
  d->SelectUdf(0);  // function 5 taken
  ASSERT_NE(UdfRecordAt(4), nullptr);
  d->SelectUdf(4);
  EXPECT_EQ(d->windowTitle(), "User Defined Function 5");
  EXPECT_EQ(d->TextEdit()->toPlainText(), "Z=A0*X+Y\n");
  d->TextEdit()->setPlainText("   ");
  d->Button(1)->click();
  EXPECT_NE(d->result(), QDialog::Accepted);
  EXPECT_EQ(answers.Boxes().back().text.substr(0, 21), "Equal Sign is Missing");
  d->TextEdit()->clear();
  d->Button(1)->click();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(UdfRecordAt(4), nullptr);
  delete d;
}

// Cancel after a refusal gives back the function as it stood: a typing slip never costs a
// function, and the old function still runs.
TEST_F(UdfDialogUi, CancelAfterARefusalPutsTheFunctionBack) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  Type(d, "Z=A0*X+Y", 1);
  d->SelectUdf(1);
  delete d;
  ASSERT_TRUE(UdfReadyToFit(0));
  d = Open();
  Type(d, "Z=A0*X+", 1);
  d->Button(1)->click();
  EXPECT_EQ(UdfRecordAt(0), nullptr);
  d->Button(2)->click();
  ASSERT_NE(UdfRecordAt(0), nullptr);
  EXPECT_TRUE(UdfReadyToFit(0));
  ExprThreadContext().CurrentUdf = 0;
  ExprThreadContext().ExprVars.A(0) = 2;
  EXPECT_EQ(EvalUdf1(3, 4), 10.0L);
  delete d;
}

// A file that cannot be read is named and leaves the function as it was; one that can is
// shown. Save writes what Read gives back.
TEST_F(UdfDialogUi, ReadAndSaveUdfFiles) {
  platform::ScriptedAnswers answers;
  platform::ScriptedFiles files;
  TDlgUDF* d = Open();
  d->Edit(701)->setText("Bowl");
  Type(d, "Z=A0+A1*X+A2*Y*Y", 3);
  files.Answer(File("bowl.udf"));
  d->Button(14)->click();
  ASSERT_EQ(files.Requests().size(), 1u);
  EXPECT_EQ(files.Requests()[0].title, "Save User Function");
  EXPECT_EQ(files.Requests()[0].filter, "User Function [udf]|*.udf|");

  std::ofstream(File("bad.udf")) << "NAME\r\nnot a count\r\n";
  d->SelectUdf(1);
  Type(d, "Z=A0*X*Y", 1);
  files.Answer(File("bad.udf"));
  d->Button(13)->click();
  EXPECT_EQ(files.Requests().back().title, "Read User Function 2");
  EXPECT_EQ(answers.Boxes().back().caption, File("bad.udf"));
  EXPECT_EQ(d->TextEdit()->toPlainText(), "Z=A0*X*Y");  // the dialog keeps what was typed

  files.Answer(File("bowl.udf"));
  d->Button(13)->click();
  EXPECT_EQ(d->Edit(701)->text(), "Bowl");
  EXPECT_EQ(d->Edit(702)->text(), "3");
  EXPECT_EQ(d->TextEdit()->toPlainText(), "Z=A0+A1*X+A2*Y*Y\n");
  EXPECT_TRUE(d->Edit(706)->isEnabled());
  d->Button(1)->click();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_TRUE(UdfReadyToFit(1));
  delete d;
}

// Start values of a fit written to a file are wider than their fields: read back, each
// shows its first digits (its last ones, "0253838146009044", hid what the number was).
TEST_F(UdfDialogUi, StartsReadFromAFileShowFromTheirFirstDigit) {
  platform::ScriptedFiles files;
  std::ofstream(File("peak.udf")) << "Eqn2002\r\n2\r\n1\r\nZ=#A+#B*X\r\n"
                                     "-1e+25 2.000253838146009044 1e+25\r\n"
                                     "-1e+25 -0.3002251792721215824 1e+25\r\n";
  TDlgUDF* d = Open();
  files.Answer(File("peak.udf"));
  d->Button(13)->click();
  for (int id : {704, 705}) {
    QLineEdit* start = d->Edit(id);
    ASSERT_GT(start->fontMetrics().horizontalAdvance(start->text()), start->width()) << id;
    EXPECT_EQ(start->cursorPosition(), 0) << id;
  }
  EXPECT_EQ(d->Edit(704)->text(), "2.000253838146009044");
  delete d;
}

// A library of three functions, one with two Z lines: 2 of 3 installed, each refusal named
// with its function, and the dialog shows the first valid one.
TEST_F(UdfDialogUi, ALibraryOfThreeWithOneRefusedInstallsTwo) {
  platform::ScriptedAnswers answers;
  platform::ScriptedFiles files;
  TDlgUDF* d = Open();
  Type(d, "Z=A0*X*Y\nZ=A0", 1);
  d->SelectUdf(2);  // refused and kept: stays on function 1
  EXPECT_EQ(d->Current(), 0);
  delete d;
  // Build the library from records: 2 (two Z lines), 4 and 9 valid.
  for (auto [k, text] : {std::pair{2, "Z=A0*X*Y\r\nZ=A0\r\n"}, {4, "Z=A0+X+Y\r\n"}, {9, "Z=A0*X+Y*Y\r\n"}}) {
    ASSERT_EQ(AllocUdf(k), 1);
    TUdfRecord& r = *UdfRecordAt(k);
    std::memcpy(r.Text.data(), text, std::strlen(text));
    r.ParamCount = 1;
    std::memcpy(r.MinText[0].data(), "-1e25", 5);
    std::memcpy(r.StartText[0].data(), "1", 1);
    std::memcpy(r.MaxText[0].data(), "1e25", 4);
  }
  FreeUdf(0);
  ASSERT_EQ(WriteUdfLibrary(session_.UdfTable, File("three.udl")), 3);
  FreeAllUdfs();
  ASSERT_EQ(AllocUdf(7), 1);  // defined before the read, gone after it

  d = Open();
  files.Answer(File("three.udl"));
  const std::size_t before = answers.Boxes().size();
  d->Button(364)->click();
  const auto boxes = answers.Boxes();
  ASSERT_EQ(boxes.size(), before + 2);
  EXPECT_EQ(boxes[before].text.substr(0, 26), "User Defined Function 3\n\nU");
  EXPECT_EQ(boxes[before + 1].caption, "Read User Function Library");
  EXPECT_EQ(boxes[before + 1].text, "Successfully Installed 2 of 3 UDFs");
  EXPECT_EQ(d->Current(), 4);
  EXPECT_EQ(UdfRecordAt(7), nullptr);
  EXPECT_NE(UdfRecordAt(2), nullptr);
  EXPECT_TRUE(UdfReadyToFit(9));

  // A library that cannot be read: named, and every function stays.
  std::ofstream(File("junk.udl")) << "not a library";
  files.Answer(File("junk.udl"));
  d->Button(364)->click();
  EXPECT_EQ(answers.Boxes().back().caption, File("junk.udl"));
  EXPECT_TRUE(UdfReadyToFit(9));
  EXPECT_NE(UdfRecordAt(2), nullptr);
  delete d;
}

TEST_F(UdfDialogUi, TheFunctionTextHoldsAtMost1023StoredCharacters) {
  TDlgUDF* d = Open();
  d->TextEdit()->setPlainText(QString(1000, 'A'));
  d->TextEdit()->moveCursor(QTextCursor::End);
  d->TextEdit()->insertPlainText(QString(20, '\n') + "12345");
  // 1000 + 2 x 20 line ends would be 1040: the insertion is refused whole.
  EXPECT_EQ(d->TextEdit()->toPlainText(), QString(1000, 'A'));
  delete d;
}

// The eight list buttons (351-358) insert the entry chosen at the cursor; a list closed
// without a choice inserts nothing.
TEST_F(UdfDialogUi, AListButtonInsertsTheFunctionChosen) {
  TDlgUDF* d = Open();
  auto* bessel = d->findChild<QPushButton*>("354");
  ASSERT_NE(bessel, nullptr);
  EXPECT_TRUE(bessel->isEnabled());
  d->TextEdit()->setPlainText("Z=");
  d->TextEdit()->moveCursor(QTextCursor::End);
  {
    ModalAnswer<TFnIns> pick([](TFnIns* list) { list->Entry(0)->click(); });
    bessel->click();
  }
  EXPECT_EQ(d->TextEdit()->toPlainText(), "Z=J0(X)");
  {
    ModalAnswer<TFnIns> none([](TFnIns* list) { list->reject(); });
    bessel->click();
  }
  EXPECT_EQ(d->TextEdit()->toPlainText(), "Z=J0(X)");
  delete d;
}

// Command 2184: "Fit &UDFs" voids the fit results and posts the fit of the functions;
// the fit command is enabled by the functions the dialog left.
TEST_F(UdfDialogUi, FitUdfsHandsOverToTheFitOfTheFunctions) {
  platform::ScriptedAnswers answers;
  std::vector<int> posted;
  platform::SetCommandTarget([&](int id) { posted.push_back(id); });
  int voided = 0;
  const auto keptHook = PrescanHooks().VoidFitResults;
  PrescanHooks().VoidFitResults = [&](TDataSession& s) { voided += &s == &session_ ? 1 : 100; };
  QTimer::singleShot(0, [] {
    auto* d = qobject_cast<TDlgUDF*>(ActiveDialog());
    ASSERT_NE(d, nullptr);
    d->TextEdit()->setPlainText("Z=A0+A1*X+A2*Y*Y");
    d->Edit(702)->setText("3");
    d->Button(TDlgUDF::kFitResult)->click();
  });
  udf_commands::CmEditUdfs(session_);
  QApplication::processEvents();
  EXPECT_EQ(posted, std::vector<int>{CmFitUserFunctions});
  EXPECT_EQ(voided, 1);
  EXPECT_TRUE(UdfReadyToFit(0));
  platform::SetCommandTarget(nullptr);
  PrescanHooks().VoidFitResults = keptHook;
}

// "&Adjust": the graph's bars and edits move the start values, Find and Update fits them,
// the derivative table shows their shares, and OK writes the changed ones into the start
// edits of the dialog.
TEST_F(UdfDialogUi, AdjustMovesFitsAndWritesBackTheStartValues) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  Type(d, "Z=A0+A1*X+A2*Y*Y", 3);
  d->Edit(715)->setText("0");
  d->Edit(705)->setText("2.5");
  d->Edit(725)->setText("10");
  d->Edit(706)->setText("0");
  bool ran = false;
  QTimer::singleShot(0, [&] {
    auto* g = qobject_cast<TUDFGraph*>(ActiveDialog());
    ASSERT_NE(g, nullptr);
    ran = true;
    QScrollBar* bar = g->Controls().Bar(1);
    EXPECT_EQ(bar->value(), 25);
    EXPECT_FALSE(g->Controls().Edit(3)->isEnabled());
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(g->Controls().Edit(1)->text(), "2.6");
    // The graph follows a second after the last change: ten ticks of its timer.
    const int refreshes = g->Refreshes();
    for (int t = 0; t < 9; ++t) g->Tick();
    EXPECT_EQ(g->Refreshes(), refreshes);
    g->Tick();
    EXPECT_EQ(g->Refreshes(), refreshes + 1);

    // The derivative table: the additive A0 is "Constant", A2 at 0 takes no share.
    QTimer::singleShot(0, [&] {
      auto* t = qobject_cast<TUDFDeriv*>(ActiveDialog());
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->Static(TUDFDeriv::kFirstRange)->text(), "Constant");
      EXPECT_EQ(t->Static(TUDFDeriv::kFirstRange + 1)->text(), "5");
      EXPECT_EQ(t->Static(TUDFDeriv::kFirstPercent + 1)->text(), "11.3");  // 5 · 2.6 · 100 / 115
      EXPECT_EQ(t->Static(TUDFDeriv::kFirstPercent + 2)->text(), "");
      EXPECT_EQ(t->Static(TUDFDeriv::kFirstRelative + 2)->text(), "");
      EXPECT_FALSE(t->Static(TUDFDeriv::kFirstMinimum + 3)->isEnabled());
      // Typed after the text (a field the program wrote shows from its first digit).
      QTest::keyClick(t->Controls().Edit(2), Qt::Key_End);
      QTest::keyClicks(t->Controls().Edit(2), "1");  // "01" reads 1
      for (int k = 0; k < 10; ++k) t->Tick();
      EXPECT_EQ(t->Static(TUDFDeriv::kFirstPercent + 2)->text(), "30.4");
      t->reject();  // Cancel: the graph's values stand
    });
    g->CmDerivatives();
    EXPECT_EQ(UdfRecordAt(0)->Start[2], 0.0L);

    g->CmFindAndUpdate();
    EXPECT_EQ((QStringList{g->Controls().Edit(0)->text(), g->Controls().Edit(1)->text(), g->Controls().Edit(2)->text()}),
              (QStringList{"1", "2", "3"}));
    EXPECT_NEAR(bar->value(), 20, 1);  // 2 as the fit reached it, truncated
    g->accept();
  });
  d->Button(15)->click();
  EXPECT_TRUE(ran);
  EXPECT_EQ((QStringList{d->Edit(704)->text(), d->Edit(705)->text(), d->Edit(706)->text()}),
            (QStringList{"1", "2", "3"}));
  EXPECT_EQ(d->TextEdit()->toPlainText(), "Z=A0+A1*X+A2*Y*Y");
  // No box: the fit converged.
  EXPECT_TRUE(answers.Boxes().empty()) << answers.Boxes().front().text;
  delete d;
}

// The function's graph under the derivative table keeps painting: repainted, or resized and
// drawn anew, while the table is up it shows what a paint without the table gives.
TEST_F(UdfDialogUi, TheGraphIsPaintedWhileTheDerivativeTableIsOpen) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  Type(d, "Z=A0+A1*X+A2*Y*Y", 3);
  d->Button(1)->click();
  ASSERT_EQ(d->result(), QDialog::Accepted);
  delete d;
  TGraphOptions options(CurrentSettings(), kGraphUserFunction, kPointsUserFunction, kPlaceUserFunctionGraph);
  auto* g = OpenGraph(options);
  g->resize(1000, 640);
  g->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(g));
  const QImage before = g->Pane()->grab().toImage();
  ASSERT_GT(PixelsOffBackground(before), before.width() * before.height() / 20);
  QImage repainted, resized;
  ModalAnswer<TUDFDeriv> table([&](TUDFDeriv* t) {
    repainted = g->Pane()->grab().toImage();
    g->resize(800, 560);
    QApplication::processEvents();
    resized = g->Pane()->grab().toImage();
    t->reject();
  });
  g->CmDerivatives();
  ASSERT_EQ(table.Seen(), 1);
  EXPECT_EQ(repainted, before);
  ASSERT_EQ(resized.size(), g->Pane()->size());
  EXPECT_NE(resized.size(), before.size());
  g->Redraw(2);
  EXPECT_EQ(resized, g->Pane()->grab().toImage());
  EXPECT_GT(PixelsOffBackground(resized), resized.width() * resized.height() / 20);
  delete g;
}

// Find and Update that runs out of iterations says so, and the parameters it reached are the
// new start values; a typed text that gives no value changes nothing.
TEST_F(UdfDialogUi, FindAndUpdateTellsAFitStoppedAtTheIterationLimit) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  // The rate of y is to be found: two iterations leave the fit short of its minimum (a
  // function linear in its parameters stands at its minimum after them, and is told nothing).
  Type(d, "Z=A0+A1*X+A2*EXP(A3*Y)", 4);
  d->Button(1)->click();
  ASSERT_EQ(d->result(), QDialog::Accepted);
  delete d;
  TGraphOptions options(CurrentSettings(), kGraphUserFunction, kPointsUserFunction, kPlaceUserFunctionGraph);
  session_.FitOptions.maxIterations = 2;
  auto* g = OpenGraph(options);
  g->show();
  QTest::keyClick(g->Controls().Edit(0), Qt::Key_End);  // typed after the text
  QTest::keyClicks(g->Controls().Edit(0), "+");  // "1+" gives no value
  EXPECT_EQ(g->Controls().Edit(0)->text(), "1+");
  EXPECT_EQ(UdfRecordAt(0)->Start[0], 1.0L);
  g->CmFindAndUpdate();
  ASSERT_FALSE(answers.Boxes().empty());
  EXPECT_EQ(answers.Boxes().back().caption, "Find/Update");
  EXPECT_EQ(answers.Boxes().back().text.substr(0, 38), "The fit stopped at the iteration limit");
  EXPECT_NE(UdfRecordAt(0)->Start[1], 1.0L);
  EXPECT_EQ(g->Controls().Edit(1)->text().toStdString(), CFormat("%.4Lg", UdfRecordAt(0)->Start[1]));
  delete g;
}

// Find and Update of a function that takes long at the data points (a product of a million
// terms where x and y are whole, as every data point's are; one term elsewhere): once the
// fit has taken a moment a window with Cancel shows, and Cancel ends the fit with the start
// values as they were and no message. It held the window for minutes behind a busy window
// no one could stop.
TEST_F(UdfDialogUi, FindAndUpdateOfACostlyFunctionCanBeCancelled) {
  platform::ScriptedAnswers answers;
  ASSERT_EQ(AllocUdf(0), 1);
  TUdfRecord& r = *UdfRecordAt(0);
  const std::string text =
      "F1=1+SIN($*X+Y)/1E7\r\nZ=A0*PROD(1,1,1+999998*(ABS(X-ROUND(X))+ABS(Y-ROUND(Y))<1E-9),1)+A1*X+0*Y\r\n";
  std::copy(text.begin(), text.end(), r.Text.begin());
  r.LineCount = 2;
  r.ParamCount = 2;
  r.Start[0] = 1, r.Start[1] = 1;
  for (int i = 0; i < 2; ++i) r.Lower[static_cast<std::size_t>(i)] = r.Upper[static_cast<std::size_t>(i)] = ExprErrorValue;
  ExprThreadContext().CurrentUdf = 0;
  ASSERT_EQ(UdfLoad(0), 1);
  TGraphOptions options(CurrentSettings(), kGraphUserFunction, kPointsUserFunction, kPlaceUserFunctionGraph);
  auto* g = OpenGraph(options);
  EXPECT_TRUE(CancelProgressWhenShown([&] { g->CmFindAndUpdate(); }));
  EXPECT_EQ(r.Start[0], 1.0L);
  EXPECT_EQ(r.Start[1], 1.0L);
  EXPECT_TRUE(answers.Boxes().empty());
  EXPECT_FALSE(ExprThreadContext().goOn);
  delete g;
}

// "#A" typed as "2,5" is no value: OK puts back the start the field held and says so, with
// the window still open, instead of writing the 2 read on the way; a bounded row's value past
// its limits is shown just inside the limit it is held to.
TEST_F(UdfDialogUi, AdjustFieldsShowTheStartsTheyWrite) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  Type(d, "Z=A0+A1*X+A2*Y*Y", 3);
  d->Edit(715)->setText("0");  // parameter B from 0 to 10
  d->Edit(725)->setText("10");
  d->Button(1)->click();
  ASSERT_EQ(d->result(), QDialog::Accepted);
  delete d;
  TGraphOptions options(CurrentSettings(), kGraphUserFunction, kPointsUserFunction, kPlaceUserFunctionGraph);
  auto* g = OpenGraph(options);
  g->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(g));
  QApplication::setActiveWindow(g);
  QLineEdit* a = g->Controls().Edit(0);
  QLineEdit* b = g->Controls().Edit(1);
  const QString held = a->text();
  a->setFocus();
  a->selectAll();
  QTest::keyClicks(a, "2,5");
  EXPECT_EQ(UdfRecordAt(0)->Start[0], 2.0L);  // "2" on the way was taken at once...
  g->accept();
  EXPECT_TRUE(g->isVisible());
  ASSERT_EQ(answers.Boxes().size(), 1u);
  EXPECT_EQ(answers.Boxes()[0].text, "Enter a number.");
  EXPECT_EQ(a->text(), held);  // ...and the start goes back with the text
  EXPECT_EQ(UdfRecordAt(0)->Start[0], a->text().toDouble());
  b->setFocus();
  b->selectAll();
  QTest::keyClicks(b, "25");
  EXPECT_EQ(b->text(), "25");  // as typed until the field is finished
  g->accept();
  EXPECT_TRUE(g->isVisible());
  ASSERT_EQ(answers.Boxes().size(), 2u);
  EXPECT_EQ(answers.Boxes()[1].text, "Valid Range is 0 to 10");
  // Held just inside the limit 10, which the functions dialog would refuse as a start.
  EXPECT_EQ(b->text(), "9.99999");
  g->accept();
  EXPECT_EQ(g->result(), QDialog::Accepted);
  EXPECT_NEAR(static_cast<double>(UdfRecordAt(0)->Start[1]), 9.99999, 1e-12);
  EXPECT_EQ(answers.Boxes().size(), 2u);
  delete g;
}

// A start value typed key by key stays as typed until its field is finished, in the graph and
// in the derivative table: a number whose first keys are a limit ("0.5" under the lower limit
// 0, "10.5" and "100" over the upper limit 10), a sign, an exponent or a point first is never
// rewritten on the way (the start held inside the limits once turned "0.5" into "0.0001.5",
// left the start at 0.0001, and OK refused it). What the keys read to is taken while it lies
// within the limits. A real click on OK finishes the field: a value past a limit is clamped
// and told, and the window stays open; one at a limit moves just inside it without a word.
TEST_F(UdfDialogUi, AStartTypedKeyByKeyStaysAsTypedUntilItsFieldIsFinished) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  Type(d, "Z=A0+A1*X+A2*Y*Y", 3);
  d->Edit(715)->setText("0");  // parameter B from 0 to 10, starting at 2.5
  d->Edit(705)->setText("2.5");
  d->Edit(725)->setText("10");
  d->Button(1)->click();
  ASSERT_EQ(d->result(), QDialog::Accepted);
  delete d;
  struct Case {
    const char* keys;
    long double typed;     // the start once the keys are typed
    const char* finished;  // the field once OK was clicked
    long double start;     // and the start
    bool told;             // "Valid Range is 0 to 10"
  };
  const Case cases[] = {
      {"0.5", 0.5L, "0.5", 0.5L, false},          {".5", 0.5L, ".5", 0.5L, false},
      {"1e-3", 0.001L, "1e-3", 0.001L, false},    {"7", 7, "7", 7, false},
      {"10.5", 10, "9.99999", 9.99999L, true},    {"100", 10, "9.99999", 9.99999L, true},
      {"-3", 2.5L, "0.0001", 0.0001L, true},      {"0", 0, "0.0001", 0.0001L, false},
      {"10", 10, "9.99999", 9.99999L, false},
  };
  const auto typeAndFinish = [&](QDialog* w, TUdfAdjustControls& controls, const Case& c) {
    SCOPED_TRACE(std::string(w->windowTitle().toStdString()) + ": " + c.keys);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    QApplication::setActiveWindow(w);
    QLineEdit* b = controls.Edit(1);
    b->setFocus();
    b->selectAll();
    const std::string keys = c.keys;
    for (std::size_t k = 0; k < keys.size(); ++k) {
      QTest::keyClick(b, keys[k]);
      EXPECT_EQ(b->text().toStdString(), keys.substr(0, k + 1));
    }
    EXPECT_EQ(UdfRecordAt(0)->Start[1], c.typed);
    const std::size_t boxes = answers.Boxes().size();
    QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_EQ(b->text().toStdString(), c.finished);
    EXPECT_NEAR(static_cast<double>(UdfRecordAt(0)->Start[1]), static_cast<double>(c.start), 1e-12);
    if (c.told) {
      ASSERT_EQ(answers.Boxes().size(), boxes + 1);
      EXPECT_EQ(answers.Boxes().back().text, "Valid Range is 0 to 10");
      EXPECT_TRUE(w->isVisible());
      QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
    }
    EXPECT_EQ(answers.Boxes().size(), boxes + (c.told ? 1 : 0));
    EXPECT_EQ(w->result(), QDialog::Accepted);
  };
  for (const Case& c : cases) {
    UdfRecordAt(0)->Start[1] = 2.5L;
    TGraphOptions options(CurrentSettings(), kGraphUserFunction, kPointsUserFunction, kPlaceUserFunctionGraph);
    TUDFGraph* g = OpenGraph(options);
    typeAndFinish(g, g->Controls(), c);
    delete g;
    UdfRecordAt(0)->Start[1] = 2.5L;
    auto* t = new TUDFDeriv(nullptr, session_, 0);
    typeAndFinish(t, t->Controls(), c);
    delete t;
  }

  // The other ways a field is finished, each with "0" typed: leaving it, Enter (which presses
  // OK), and the bar, which moves on from where the field finished.
  enum class Road { kTab, kEnter, kBar };
  for (const Road road : {Road::kTab, Road::kEnter, Road::kBar}) {
    SCOPED_TRACE(static_cast<int>(road));
    UdfRecordAt(0)->Start[1] = 2.5L;
    TGraphOptions options(CurrentSettings(), kGraphUserFunction, kPointsUserFunction, kPlaceUserFunctionGraph);
    TUDFGraph* g = OpenGraph(options);
    g->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(g));
    QApplication::setActiveWindow(g);
    QLineEdit* b = g->Controls().Edit(1);
    b->setFocus();
    b->selectAll();
    QTest::keyClick(b, '0');
    EXPECT_EQ(b->text(), "0");
    const std::size_t boxes = answers.Boxes().size();
    switch (road) {
      case Road::kTab:
        QTest::keyClick(b, Qt::Key_Tab);
        EXPECT_FALSE(b->hasFocus());
        EXPECT_EQ(b->text(), "0.0001");
        break;
      case Road::kEnter:
        QTest::keyClick(b, Qt::Key_Return);
        EXPECT_EQ(g->result(), QDialog::Accepted);
        EXPECT_EQ(b->text(), "0.0001");
        break;
      case Road::kBar: {
        QScrollBar* bar = g->Controls().Bar(1);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 4, bar->height() / 2));  // its right arrow
        EXPECT_EQ(bar->value(), 1);
        EXPECT_EQ(b->text(), "0.1001");
        break;
      }
    }
    EXPECT_NEAR(static_cast<double>(UdfRecordAt(0)->Start[1]), b->text().toDouble(), 1e-15);
    EXPECT_EQ(answers.Boxes().size(), boxes);
    delete g;
  }
}

// A start that needs many digits to lie inside its limits (2.000253838146009044 between
// 2.000253838146009 and 2.00025383814601) shows in Adjust and its derivative table whole,
// from its first digit: it showed its last ones, and was cut to the field's 14 characters,
// "2.000253838146", below its lower limit.
TEST_F(UdfDialogUi, AdjustShowsALongStartFromItsFirstDigit) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  Type(d, "Z=A0+A1*X+A2*Y*Y", 3);
  d->Edit(715)->setText("2.000253838146009");
  d->Edit(705)->setText("2.000253838146009044");
  d->Edit(725)->setText("2.00025383814601");
  d->Button(1)->click();
  ASSERT_EQ(d->result(), QDialog::Accepted);
  delete d;
  const auto look = [&](QDialog* w, TUdfAdjustControls& controls) {
    SCOPED_TRACE(w->windowTitle().toStdString());
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    QLineEdit* b = controls.Edit(1);
    const std::optional<long double> shown = ExprEntryValue(b->text().toStdString());
    ASSERT_TRUE(shown);
    EXPECT_GT(*shown, 2.000253838146009L);
    EXPECT_LT(*shown, 2.00025383814601L);
    EXPECT_EQ(b->text().left(6), "2.0002");
    ASSERT_GT(b->fontMetrics().horizontalAdvance(b->text()), b->width()) << b->text().toStdString();
    EXPECT_EQ(b->cursorPosition(), 0);
    // Left as shown, the field is taken without a word, and the start is the one it showed.
    QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_EQ(answers.Boxes().size(), 0u);
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_LE(std::fabs(UdfRecordAt(0)->Start[1] - *shown), 5e-18L);  // within the text's last digit
    EXPECT_GT(UdfRecordAt(0)->Start[1], 2.000253838146009L);
  };
  TGraphOptions options(CurrentSettings(), kGraphUserFunction, kPointsUserFunction, kPlaceUserFunctionGraph);
  TUDFGraph* g = OpenGraph(options);
  look(g, g->Controls());
  delete g;
  auto* t = new TUDFDeriv(nullptr, session_, 0);
  look(t, t->Controls());
  delete t;
}

// What Adjust and its derivative table give back, the dialog's OK takes: a start of 1e30
// typed for a parameter of the default limits -1E25 and 1E25, and one typed past a bounded
// parameter's limit, come back just inside the limits. (They came back as "1e+30" and "10",
// and OK refused them: "Parameter Estimate Must Be Less Than Maximum".)
TEST_F(UdfDialogUi, WhatAdjustWritesBackTheDialogTakes) {
  platform::ScriptedAnswers answers;
  TDlgUDF* d = Open();
  Type(d, "Z=A0+A1*X+A2*Y*Y", 3);
  d->Edit(715)->setText("0");  // parameter B from 0 to 10
  d->Edit(725)->setText("10");
  bool ran = false;
  QTimer::singleShot(0, [&] {
    auto* g = qobject_cast<TUDFGraph*>(ActiveDialog());
    ASSERT_NE(g, nullptr);
    ran = true;
    g->Controls().Edit(0)->setText("1e30");
    QTimer::singleShot(0, [&] {
      auto* t = qobject_cast<TUDFDeriv*>(ActiveDialog());
      ASSERT_NE(t, nullptr);
      t->Controls().Edit(2)->setText("-1e40");
      t->accept();
    });
    g->CmDerivatives();
    g->Controls().Edit(1)->setText("25");
    // B's 25 is past its limit: OK says so and shows where it is held.
    g->accept();
    EXPECT_EQ(g->Controls().Edit(1)->text(), "9.99999");
    g->accept();
  });
  d->Button(15)->click();
  ASSERT_TRUE(ran);
  EXPECT_EQ((QStringList{d->Edit(704)->text(), d->Edit(705)->text(), d->Edit(706)->text()}),
            (QStringList{"9.99999e+24", "9.99999", "-9.99999e+24"}));
  d->Button(1)->click();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  // (A at 1e25 leaves B's share of the surface tiny: a warning, which refuses nothing.)
  int told = 0;
  for (const platform::BoxRequest& box : answers.Boxes())
    if (box.text == "Valid Range is 0 to 10")
      ++told;
    else if (box.caption != "User Function Warning")
      ADD_FAILURE() << box.caption << ": " << box.text;
  EXPECT_EQ(told, 1);
  delete d;
}

}  // namespace
