// The data tools' windows offscreen, with scripted boxes and file dialogs: the "Calculations"
// dialog and its commands with the accept-or-undo window, the function lists, the grid
// editor with its live graph and its sort and reverse dialogs, and the ASCII editor with its
// conversions, worksheet copy, worksheet save and hand-back.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/data_statistics.h"
#include "app/prescan_hooks.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_table.h"
#include "app/ui/modal_answers.h"
#include "app/ui/text_window.h"
#include "expr/data_statistics_cells.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "graph3d/ui/accept_or_undo.h"
#include "graph3d/ui/graph_frame_window.h"
#include "graph3d/ui/titles_dialog.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "support/scratch_files.h"
#include "support/table_bytes.h"
#include "tools/data_calculation.h"
#include "tools/function_lists.h"
#include "tools/ui/ascii_editor.h"
#include "tools/ui/calculation_commands.h"
#include "tools/ui/calculation_dialog.h"
#include "tools/ui/data_tool_commands.h"
#include "tools/ui/function_picker.h"
#include "tools/ui/grid_editor.h"
#include "tools/ui/grid_editor_dialogs.h"
#include "tools/ui/titles_dialog.h"

namespace {

struct Row {
  long double x, y, z;
};

class DataEditorsUi : public ::testing::Test {
 protected:
  void SetUp() override {
    CurrentSettings() = DefaultSettings(1280, 1024);
    ExprBindDataStats(&session_.DataStats);
    ExprStartUp();
    ExprThreadContext().ClearErrors();
    ASSERT_TRUE(session_.Table.AllocPointArray());
    Load({{1, 2, 3}, {2, 3, 5}, {3, 1, 4}, {4, 4, 8}, {5, 2, 7}, {6, 5, 11}});
    ClearCalculation();
  }
  void TearDown() override {
    ClearCalculation();
    PrescanHooks() = TPrescanHooks{};
    ExprBindDataStats(nullptr);
  }
  void Load(const std::vector<Row>& rows) {
    session_.Table.ClearPointsFrom(0);
    ASSERT_TRUE(session_.Table.EnsurePointCapacity(static_cast<int>(rows.size()) + 2));
    auto data = session_.Table.XYZData();
    for (std::size_t i = 0; i < rows.size(); ++i)
      data[i + 1] = {.X = rows[i].x, .Y = rows[i].y, .Z = rows[i].z, .W = 1, .Status = kPointActive};
    SetPointCount(data, static_cast<int>(rows.size()));
    session_.Table.SetXYZRows(static_cast<int>(rows.size()));
    ComputeDataStatistics(session_.Table, session_.DataStats);
  }
  long double Value(int row, int column) const {
    const TXYZPoint& p = session_.Table.XYZData()[static_cast<std::size_t>(row)];
    return column == 0 ? p.X : column == 1 ? p.Y : column == 2 ? p.Z : p.W;
  }
  std::vector<unsigned char> TableBytes() const { return ::TableBytes(session_.Table); }

  TDataSession session_;
  platform::ScriptedAnswers boxes_;
  platform::ScriptedFiles files_;
};

// ---------------------------------------------------------------------------------------
// Calculations

TEST_F(DataEditorsUi, CalculationDialogRefusesAtTheLineAtFaultAndKeepsCheckedLines) {
  TCalcLines lines;
  auto* d = new TCalc(nullptr, &lines, session_.Table.XYZData());
  d->show();
  EXPECT_FALSE(d->Button(TCalc::kFirstList + kCalculusFunctionList)->isEnabled());
  d->Line(kCalcX)->setText("X=X*2");
  d->Line(kCalcY)->setText("X+Z");
  d->Button(1)->click();
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].caption, "Calculation Validation Error");
  EXPECT_EQ(boxes_.Boxes()[0].text, "Y Calculation Cannot Contain Z or W");
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->CurrentLine(), d->Line(kCalcY));
  // The X line lost its prefix on the way.
  EXPECT_EQ(d->Line(kCalcX)->text(), "X*2");
  d->Line(kCalcY)->setText("5");
  d->Button(1)->click();
  EXPECT_EQ(boxes_.Boxes().back().text, "Expression Must Contain X, Y, Z or W");
  d->Line(kCalcY)->clear();
  d->Line(kCalcW)->setText("1");
  d->Button(1)->click();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(lines.text, (std::array<std::string, 4>{"X*2", "", "", "1"}));
  delete d;
}

TEST_F(DataEditorsUi, FunctionListsInsertAtTheCaretOfTheCurrentLine) {
  TCalcLines lines;
  lines.text[kCalcZ] = "Z+";
  auto* d = new TCalc(nullptr, &lines, session_.Table.XYZData());
  d->show();
  d->Line(kCalcZ)->setFocus();
  d->Line(kCalcZ)->setCursorPosition(2);
  d->Line(kCalcX)->setFocus();  // the Z line remembers its caret when it loses the focus
  d->Line(kCalcZ)->setFocus();
  QString title;
  {
    ModalAnswer<TFnIns> pick([&](TFnIns* list) {
      title = list->windowTitle();
      // The whole caption is in sight: the list is wider than its title.
      EXPECT_GT(list->minimumWidth(), QFontMetrics(list->font()).horizontalAdvance(title));
      for (int i = 0; list->Entry(i); ++i)
        if (list->Entry(i)->text() == "SQRT(X)") list->Entry(i)->click();
    });
    d->InsertFunction(0);
  }
  EXPECT_EQ(title, "Select General Function");
  EXPECT_EQ(d->Line(kCalcZ)->text(), "Z+SQRT(X)");
  // A list left without a choice inserts nothing.
  ModalAnswer<TFnIns> cancel([](TFnIns* list) { list->reject(); });
  d->InsertFunction(6);
  EXPECT_EQ(d->Line(kCalcZ)->text(), "Z+SQRT(X)");
  delete d;
}

// Copy, Cut and Paste act on the line the user entered last, by a click, by Tab into an
// empty line or by its letter: the buttons take the focus, and the line records itself as it
// gives the focus up.
TEST_F(DataEditorsUi, CalculationEditButtonsActOnTheLineTheUserEntered) {
  TCalcLines lines;
  lines.text[kCalcX] = "X*2";
  lines.text[kCalcZ] = "Z+";
  auto* d = new TCalc(nullptr, &lines, session_.Table.XYZData());
  d->show();
  d->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(d));
  const auto click = [](QWidget* w, QPoint at) { QTest::mouseClick(w, Qt::LeftButton, {}, at); };
  const auto press = [&](int id) { click(d->Button(id), d->Button(id)->rect().center()); };
  QGuiApplication::clipboard()->setText("7");
  QLineEdit* z = d->Line(kCalcZ);
  click(z, QPoint(z->width() - 4, z->height() / 2));
  press(TCalc::kPaste);
  EXPECT_EQ(z->text(), "Z+7");
  EXPECT_EQ(d->Line(kCalcX)->text(), "X*2");
  QTest::keyClick(z, Qt::Key_Tab);  // into the empty W line
  ASSERT_TRUE(d->Line(kCalcW)->hasFocus());
  press(TCalc::kPaste);
  EXPECT_EQ(d->Line(kCalcW)->text(), "7");
  EXPECT_EQ(z->text(), "Z+7");
  QTest::keyClick(d, Qt::Key_Y, Qt::AltModifier);  // the empty Y line by its letter
  ASSERT_TRUE(d->Line(kCalcY)->hasFocus());
  press(TCalc::kPaste);
  EXPECT_EQ(d->Line(kCalcY)->text(), "7");
  EXPECT_EQ(d->Line(kCalcW)->text(), "7");
  delete d;
}

TEST_F(DataEditorsUi, CalculationFilesAreSavedAndReadFromTheDialog) {
  ScratchDir dir("ondravik_calc_ui");
  const std::string path = dir.File("scale.clc");
  TCalcLines lines;
  auto* d = new TCalc(nullptr, &lines, session_.Table.XYZData());
  d->show();
  d->Line(kCalcZ)->setText("Z/1000");
  d->Line(kCalcW)->setText("1/Z");
  files_.Answer(path);
  d->Button(TCalc::kSave)->click();
  EXPECT_EQ(ReadText(path), "Z=Z/1000\r\nW=1/Z\r\n");
  d->Button(TCalc::kClear)->click();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(d->Line(i)->text().isEmpty());
  d->Line(kCalcX)->setText("LN(X)");
  files_.Answer(path);
  d->Button(TCalc::kRead)->click();
  // Reading empties X, Y and Z and takes what the file sets.
  EXPECT_EQ(d->Line(kCalcX)->text(), "");
  EXPECT_EQ(d->Line(kCalcZ)->text(), "Z/1000");
  EXPECT_EQ(d->Line(kCalcW)->text(), "1/Z");
  // A file of another kind is refused and changes nothing.
  const std::string bad = dir.Write("bad.clc", std::string("Q=1\r\n"));
  files_.Answer(bad);
  d->Button(TCalc::kRead)->click();
  EXPECT_EQ(boxes_.Boxes().back().text, "Probable Error in Reading Calculation File");
  EXPECT_EQ(d->Line(kCalcZ)->text(), "Z/1000");
  delete d;
}

TEST_F(DataEditorsUi, UndoInTheAcceptOrUndoWindowRestoresTheTableAndOpensTheDialogAgain) {
  const std::vector<unsigned char> before = TableBytes();
  int dialogs = 0;
  ModalAnswer<TCalc> calc([&](TCalc* d) {
    if (++dialogs == 1) {
      d->Line(kCalcX)->setText("X*2");
      d->Button(1)->click();
    } else {
      EXPECT_EQ(d->Line(kCalcX)->text(), "X*2");  // the formulas, to be revised
      d->reject();
    }
  });
  {
    ModalAnswer<TUndo> undo([](TUndo* w) { w->Button(TVFXY::kUndo)->click(); });
    boxes_.Answer(platform::kIdYes);  // "Apply Calculation?"
    calculation_commands::CmCalculation(session_);
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(undo.Seen(), 1);
  }
  EXPECT_EQ(TableBytes(), before);
  EXPECT_EQ(CalcTexts().text[kCalcX], "X*2");

  // Applied again and kept: X doubled, the data count as unsaved.
  ModalAnswer<TUndo> accept([](TUndo* w) { w->Button(TVFXY::kOk)->click(); });
  session_.DataUnsaved = 0;
  calculation_commands::CmApplyCalc(session_);
  EXPECT_EQ(accept.Seen(), 1);
  for (int r = 1; r <= 6; ++r) EXPECT_EQ(Value(r, 0), 2.0L * r);
  EXPECT_EQ(session_.DataUnsaved, 1);
  calculation_commands::CmClearCalc();
  EXPECT_EQ(CalcMask(), 0u);
}

TEST_F(DataEditorsUi, TheOtherFormulaDialogsReachTheFunctionLists) {
  SetFunctionInsertDialog(nullptr);
  RegisterDataToolCommands(session_);
  RunStartupSteps();
  ASSERT_TRUE(static_cast<bool>(GetFunctionInsertDialog()));
  {
    ModalAnswer<TFnIns> pick([](TFnIns* list) { list->Entry(0)->click(); });
    EXPECT_EQ(GetFunctionInsertDialog()(nullptr, 3), std::optional<std::string>("J0(X)"));
  }
  for (const CommandInfo& c : CommandTable()) UnregisterCommand(c.id);
  ForgetShellSteps();
  SetFunctionInsertDialog(nullptr);
}

// ---------------------------------------------------------------------------------------
// Grid editor

TEST_F(DataEditorsUi, GridEditorEntersANewRowByKeysAndTheLiveGraphFollows) {
  std::uint64_t saved = 0;
  auto* e = new TEditor(nullptr, session_, &saved);
  e->show();
  ASSERT_TRUE(PumpUntil([&] { return e->isVisible(); }));
  EXPECT_EQ(e->Static(TEditor::kTitleX)->text(), "X");
  EXPECT_FALSE(e->Box(TEditor::kApplyCalc)->isEnabled());
  EXPECT_TRUE(e->Box(TEditor::kAutoW)->isChecked());
  e->Button(TEditor::kGraph)->click();
  ASSERT_NE(e->GraphWin(), nullptr);
  EXPECT_TRUE(e->GraphWin()->isVisible());
  // End puts the new row on the last used line; Y and Z open as the row fills.
  QTest::keyClick(e->CurrentCell(), Qt::Key_End);
  EXPECT_EQ(e->Model().CurrentRow(), 7);
  EXPECT_FALSE(e->Cell(e->Model().PageRow(), kColY)->isEnabled());
  for (const char* value : {"7", "SQRT(4)", "30"}) {
    QTest::keyClicks(e->CurrentCell(), value);
    QTest::keyClick(e->CurrentCell(), Qt::Key_Return);
  }
  EXPECT_EQ(e->Model().Rows(), 7);
  EXPECT_EQ(Value(7, 1), 2.0L);
  EXPECT_EQ(Value(7, 3), 1.0L);
  EXPECT_EQ(e->Model().CurrentRow(), 8);
  EXPECT_EQ(e->Model().Column(), kColX);
  EXPECT_GE(e->GraphWin()->Renderer().AxisHigh(2), 30.0L);
  // A cell that does not evaluate keeps the cursor and tells why.
  QTest::keyClicks(e->CurrentCell(), "LN(");
  QTest::keyClick(e->CurrentCell(), Qt::Key_Up);
  EXPECT_EQ(e->Model().CurrentRow(), 8);
  EXPECT_FALSE(boxes_.Boxes().empty());
  e->CurrentCell()->clear();
  // The graph closes with its button and opens again.
  e->Button(TEditor::kGraph)->click();
  EXPECT_EQ(e->GraphWin(), nullptr);
  e->reject();
  delete e;
}

// Titles that carry codes show in the editor's caption, its column heads and its graph's
// caption as the graph draws them: the caption read "Plate ~@a~@ ~~5" for Plate alpha ~5.
TEST_F(DataEditorsUi, GridEditorShowsCodedTitlesAsDrawn) {
  session_.DataTitles().Title = "Plate ~@a~@ ~~5";
  session_.DataTitles().XName = "~@q~@ [deg]";
  session_.DataTitles().ZName = "Yield ~^2~^";
  std::uint64_t saved = 0;
  auto* e = new TEditor(nullptr, session_, &saved);
  e->show();
  ASSERT_TRUE(PumpUntil([&] { return e->isVisible(); }));
  EXPECT_EQ(e->windowTitle(), QString::fromUtf8("Plate \u03B1 ~5"));
  EXPECT_EQ(e->Static(TEditor::kTitleX)->text(), QString::fromUtf8("\u03B8 [deg]"));
  EXPECT_EQ(e->Static(TEditor::kTitleY)->text(), "Y");
  EXPECT_EQ(e->Static(TEditor::kTitleZ)->text(), "Yield ^2");
  e->Button(TEditor::kGraph)->click();
  ASSERT_NE(e->GraphWin(), nullptr);
  EXPECT_EQ(e->GraphWin()->windowTitle(), QString::fromUtf8("Plate \u03B1 ~5"));
  // A title changed in the titles dialog shows drawn; one cleared gives the editor's own caption.
  const struct {
    const char* typed;
    QString shown;
  } changes[] = {{"x~`1~` ~@b~@", QString::fromUtf8("x1 \u03B2")},
                 {"", QString::fromLatin1(platform::LoadString(3421).data(),
                                          static_cast<qsizetype>(platform::LoadString(3421).size()))}};
  for (const auto& c : changes) {
    ModalAnswer<TTitlesDlg> titles([&c](TTitlesDlg* d) {
      d->Edit(661)->setText(c.typed);
      d->accept();
    });
    e->Button(TEditor::kTitles)->click();
    ASSERT_EQ(titles.Seen(), 1) << c.typed;
    EXPECT_EQ(e->windowTitle(), c.shown) << c.typed;
  }
  EXPECT_EQ(session_.DataTitles().XName, "~@q~@ [deg]");  // the titles keep their codes
  e->Button(TEditor::kGraph)->click();
  e->reject();
  delete e;
}

// A click makes the clicked cell current on every one of the twenty lines: the value typed
// next lands in that row and column. The last line once chose a cell past the page, which
// ended the program with the edits unsaved.
// A cell's statement that runs for long is stopped with Cancel: the cell is refused with
// "Calculation Cancelled" and stays open, the table as it was.
TEST_F(DataEditorsUi, GridEditorCellWithALongStatementCanBeCancelled) {
  const TCurrentUdfScope udf(ExprThreadContext(), 3);
  ExprThreadContext().ExprVars.Dollar() = 0.5;
  ASSERT_EQ(ExprCompileSlot("INU(100.5,$/1E6)*0+1", 37), 1);  // a million of these: seconds
  std::uint64_t saved = 0;
  auto* e = new TEditor(nullptr, session_, &saved);
  e->show();
  ASSERT_TRUE(PumpUntil([&] { return e->isVisible(); }));
  const std::vector<unsigned char> before = TableBytes();
  const int row = e->Model().CurrentRow();
  e->CurrentCell()->clear();
  QTest::keyClicks(e->CurrentCell(), "SUM(7,1,1E6,1)");
  EXPECT_TRUE(CancelProgressWhenShown([&] { QTest::keyClick(e->CurrentCell(), Qt::Key_Return); }));
  EXPECT_EQ(TableBytes(), before);
  EXPECT_EQ(e->Model().CurrentRow(), row);
  ASSERT_FALSE(boxes_.Boxes().empty());
  EXPECT_EQ(boxes_.Boxes().back().caption, "Calculation Cancelled");
  EXPECT_FALSE(ExprThreadContext().goOn);
  // The next entry is taken as ever.
  e->CurrentCell()->clear();
  QTest::keyClicks(e->CurrentCell(), "9");
  QTest::keyClick(e->CurrentCell(), Qt::Key_Return);
  EXPECT_EQ(Value(row, 0), 9);
  delete e;
}

TEST_F(DataEditorsUi, GridEditorClickSelectsTheCellClickedOnEveryLine) {
  std::vector<Row> rows;
  for (int r = 1; r <= 30; ++r) rows.push_back({static_cast<long double>(r), r * 2.0L, r * 3.0L});
  Load(rows);
  std::uint64_t saved = 0;
  auto* e = new TEditor(nullptr, session_, &saved);
  e->show();
  ASSERT_TRUE(PumpUntil([&] { return e->isVisible(); }));
  struct Click {
    int line;
    GridColumn column;
    const char* typed;
  } clicks[] = {{1, kColZ, "42"}, {0, kColY, "17"}, {19, kColX, "-8"}, {19, kColW, "3"}};
  for (const Click& c : clicks) {
    TEditKey* cell = e->Cell(c.line, c.column);
    QTest::mouseClick(cell, Qt::LeftButton);
    EXPECT_EQ(e->Model().PageRow(), c.line) << c.line;
    EXPECT_EQ(e->Model().Column(), c.column) << c.line;
    ASSERT_EQ(e->CurrentCell(), cell) << c.line;
    QTest::keyClicks(e->CurrentCell(), c.typed);
    QTest::keyClick(e->CurrentCell(), Qt::Key_Return);
    EXPECT_EQ(Value(c.line + 1, c.column), std::stold(c.typed)) << c.line;
  }
  // Nothing else moved.
  EXPECT_EQ(Value(1, kColX), 1.0L);
  EXPECT_EQ(Value(2, kColY), 4.0L);
  EXPECT_EQ(Value(21, kColX), 21.0L);
  EXPECT_EQ(e->Model().Rows(), 30);
  e->reject();
  delete e;
}

// On a short table the new row's X cell takes the click, and what is typed there starts a
// new point instead of overwriting the first one.
TEST_F(DataEditorsUi, GridEditorClickOnTheNewRowStartsAPoint) {
  Load({{1, 2, 3}, {2, 3, 5}, {3, 1, 4}, {4, 4, 8}, {5, 2, 7}, {6, 5, 11}, {7, 1, 9}, {8, 3, 2}});
  std::uint64_t saved = 0;
  auto* e = new TEditor(nullptr, session_, &saved);
  e->show();
  ASSERT_TRUE(PumpUntil([&] { return e->isVisible(); }));
  TEditKey* cell = e->Cell(8, kColX);
  ASSERT_TRUE(cell->isEnabled());
  QTest::mouseClick(cell, Qt::LeftButton);
  ASSERT_EQ(e->CurrentCell(), cell);
  for (const char* value : {"9", "6", "1"}) {
    QTest::keyClicks(e->CurrentCell(), value);
    QTest::keyClick(e->CurrentCell(), Qt::Key_Return);
  }
  EXPECT_EQ(e->Model().Rows(), 9);
  EXPECT_EQ(Value(1, kColX), 1.0L);
  EXPECT_EQ(Value(9, kColX), 9.0L);
  EXPECT_EQ(Value(9, kColY), 6.0L);
  EXPECT_EQ(Value(9, kColZ), 1.0L);
  e->reject();
  delete e;
}

TEST_F(DataEditorsUi, SortAndReverseDialogsSetTheirKeysAndColumns) {
  session_.DataTitles().XName = "Time";
  session_.DataTitles().ZName = "Height";
  std::uint64_t saved = 0;
  auto* e = new TEditor(nullptr, session_, &saved);
  e->show();
  ModalAnswer<TSortDlg> sort([](TSortDlg* d) {
    d->Radio(TSortDlg::kDescending)->setChecked(true);
    d->Radio(TSortDlg::kByZ)->setChecked(true);
    d->accept();
  });
  e->Button(TEditor::kSort)->click();
  EXPECT_EQ(sort.Seen(), 1);
  for (int r = 1; r < 6; ++r) EXPECT_GE(Value(r, 2), Value(r + 1, 2)) << r;
  EXPECT_EQ(Value(1, 2), 11.0L);
  ModalAnswer<TReverseDlg> reverse([](TReverseDlg* d) {
    EXPECT_TRUE(d->Radio(TReverseDlg::kXAndZ)->isChecked());
    // A small dialog under its caption: wide enough for the whole caption.
    EXPECT_GT(d->width(), QFontMetrics(d->font()).horizontalAdvance(d->windowTitle()));
    d->accept();
  });
  e->Button(TEditor::kReverse)->click();
  EXPECT_EQ(Value(1, 0), 11.0L);
  EXPECT_EQ(Value(1, 2), 6.0L);
  EXPECT_EQ(e->Static(TEditor::kTitleX)->text(), "Height");
  EXPECT_EQ(e->Static(TEditor::kTitleZ)->text(), "Time");
  EXPECT_EQ(EditorSortKey(false, 0), 0);
  EXPECT_EQ(EditorSortKey(true, 4), 13);
  e->reject();
  delete e;
}

TEST_F(DataEditorsUi, GridEditorSaveCountsOnlyAFileThatWasWritten) {
  ScratchDir dir("ondravik_grid_save");
  std::uint64_t saved = 0;
  auto* e = new TEditor(nullptr, session_, &saved);
  e->show();
  WorkBesideBoxes beside(boxes_);
  // A write-protected file: told, the dialog comes back, nothing counts as saved.
  const std::string locked = dir.Write("locked.prn", std::string("kept\r\n"));
  std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
  files_.Answer(locked);
  files_.Answer(std::nullopt);
  boxes_.Answer(platform::kIdYes);  // "Overwrite Existing File?"
  const std::size_t before = boxes_.Boxes().size();
  e->Button(TEditor::kSave)->click();
  EXPECT_EQ(files_.Requests().size(), 2u);
  EXPECT_GT(boxes_.Boxes().size(), before);
  EXPECT_EQ(saved, 0u);
  EXPECT_EQ(ReadText(locked), "kept\r\n");
  // The failure is told with no busy window "Saving Data..." beside it.
  EXPECT_EQ(beside.Beside(), std::vector<std::string>{});
  const std::string path = dir.File("data.prn");
  files_.Answer(path);
  e->Button(TEditor::kSave)->click();
  EXPECT_NE(saved, 0u);
  const std::string text = ReadText(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), std::count(text.begin(), text.end(), '\n'));
  EXPECT_EQ(text.find('\0'), std::string::npos);
  EXPECT_NE(text.find("11"), std::string::npos);
  e->reject();
  delete e;
}

// Every button and switch of the grid editor commits the cell being typed in before it acts:
// "7" typed over the first point's X (1) and not yet committed was overwritten by the page
// that Calculation, Graph, Titles, Clear All (answered No), the AutoEntry and Apply Calc
// switches showed, and Calculation worked on the old value (X = X+1 gave 2, not 8). Delete,
// whose row goes with what was typed in it, and Cancel, which abandons it, are the two that
// do not.
TEST_F(DataEditorsUi, GridEditorCommitsTheCellBeingTypedBeforeEveryCommand) {
  // A calculation to apply, so that Apply Calc is offered.
  TCalcLines lines;
  lines.text[kCalcW] = "W*1";
  ASSERT_EQ(ValidateCalcLines(lines, session_.Table.XYZData()).result, TCalcValidation::kValid);
  CalcTexts() = lines;
  struct Command {
    const char* name;
    std::function<void(TEditor*)> act;
    long double x = 7;  // the first point's X afterwards
  };
  const auto click = [](int id) { return [id](TEditor* e) { e->Button(id)->click(); }; };
  const auto box = [](int id) { return [id](TEditor* e) { e->Box(id)->click(); }; };
  const Command commands[] = {
      {"Calculation, X = X+1 applied",
       [](TEditor* e) {
         ModalAnswer<TCalc> calc([](TCalc* d) {
           d->Line(kCalcX)->setText("X+1");
           d->Line(kCalcW)->clear();
           d->Button(1)->click();
         });
         ModalAnswer<TUndo> keep([](TUndo* w) { w->Button(TVFXY::kOk)->click(); });
         e->Button(TEditor::kCalculation)->click();
       },
       8},
      {"Calculation cancelled", [](TEditor* e) {
         ModalAnswer<TCalc> calc([](TCalc* d) { d->reject(); });
         e->Button(TEditor::kCalculation)->click();
       }},
      {"Graph", click(TEditor::kGraph)},
      {"Titles", [](TEditor* e) {
         ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->reject(); });
         e->Button(TEditor::kTitles)->click();
       }},
      {"Sort Table", [](TEditor* e) {
         ModalAnswer<TSortDlg> sort([](TSortDlg* d) { d->reject(); });
         e->Button(TEditor::kSort)->click();
       }},
      {"Reverse", [](TEditor* e) {
         ModalAnswer<TReverseDlg> reverse([](TReverseDlg* d) { d->reject(); });
         e->Button(TEditor::kReverse)->click();
       }},
      {"Clear All answered No", click(TEditor::kClearAll)},
      {"Save", click(TEditor::kSave)},
      {"Next", click(TEditor::kNext)},
      {"Insert", click(TEditor::kInsert)},
      {"Down", [](TEditor* e) { QTest::mouseClick(e->Button(TEditor::kDown), Qt::LeftButton); }},
      {"AutoEntry X", box(TEditor::kAutoX)},
      {"AutoEntry Y", box(TEditor::kAutoY)},
      {"AutoEntry Z", box(TEditor::kAutoZ)},
      {"AutoEntry W", box(TEditor::kAutoW)},
      {"Apply Calc", box(TEditor::kApplyCalc)},
      {"the exclusion box of the line", [](TEditor* e) { e->ExcludeBox(0)->click(); }},
      {"the scroll bar", [](TEditor* e) { e->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); }},
      {"OK", [](TEditor* e) { e->accept(); }},
  };
  const ScratchDir dir("ondravik_grid_commits");
  int run = 0;
  for (const Command& c : commands) {
    Load({{1, 2, 3}, {2, 3, 5}, {3, 1, 4}, {4, 4, 8}, {5, 2, 7}, {6, 5, 11}});
    std::uint64_t saved = 0;
    auto* e = new TEditor(nullptr, session_, &saved);
    e->show();
    ASSERT_EQ(e->CurrentCell(), e->Cell(0, kColX));
    QTest::keyClick(e->CurrentCell(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(e->CurrentCell(), '7');
    // "Apply Calculation?" Yes (the calculation's road), "Clear All XYZ Data?" No.
    platform::ScriptedAnswers boxes;
    boxes.Answer(c.x == 7 ? platform::kIdNo : platform::kIdYes);
    platform::ScriptedFiles files;
    files.Answer(dir.File("run" + std::to_string(++run) + ".prn"));
    c.act(e);
    QApplication::processEvents();
    // The first point (Y 2, Z 3) wherever it now stands (a row inserted before it, the
    // table sorted by the calculation's pre-scan), and the page's line that shows it.
    int row = 0;
    for (int r = 1; r <= session_.Table.XYZRows(); ++r)
      if (Value(r, 1) == 2 && Value(r, 2) == 3) row = r;
    ASSERT_NE(row, 0) << c.name;
    EXPECT_EQ(Value(row, 0), c.x) << c.name;
    for (int line = 0; e->isVisible() && line < TGridEditor::kLines; ++line)
      if (e->Model().Line(line).row == row)
        EXPECT_EQ(e->Cell(line, kColX)->text().toStdString(), TGridEditor::CellText(c.x, kColX)) << c.name;
    if (e->isVisible()) e->reject();
    delete e;
  }
  ClearCalculation();
}

TEST_F(DataEditorsUi, CancelAfterEditsAsksAndYesGivesTheTableBackByteForByte) {
  const std::vector<unsigned char> before = TableBytes();
  ModalAnswer<TEditor> edit([](TEditor* e) {
    QTest::keyClicks(e->CurrentCell(), "100");
    QTest::keyClick(e->CurrentCell(), Qt::Key_Down);
    e->reject();
  });
  boxes_.Answer(platform::kIdYes);  // "Abandon Changes?"
  RunDataEditor(session_);
  EXPECT_EQ(edit.Seen(), 1);
  ASSERT_FALSE(boxes_.Boxes().empty());
  EXPECT_EQ(boxes_.Boxes().back().text, "Abandon Changes?");
  EXPECT_EQ(TableBytes(), before);
}

// ---------------------------------------------------------------------------------------
// ASCII editor

TEST_F(DataEditorsUi, AsciiEditorConvertsCommasAndCompressesBlanks) {
  auto* a = new TAsciiEd(nullptr, "Editor", "1,5;2,25 \"a,b\"\r\n", nullptr, {});
  a->show();
  a->Action(TAsciiEd::kEuropean)->trigger();
  EXPECT_EQ(a->Edit()->Text(), "1.5;2.25 \"a,b\"\n");
  a->Edit()->ReplaceText("   1   2\t 3   \r\n");
  a->Action(TAsciiEd::kCommaDelimiter)->trigger();
  EXPECT_EQ(a->Edit()->Text(), "1,2,3\n");
  a->Edit()->ReplaceText("");
  EXPECT_FALSE(a->Action(TAsciiEd::kEuropean)->isEnabled());
  // Changed text of no file: the edit asks before dropping it.
  boxes_.Answer(platform::kIdNo);
  EXPECT_TRUE(a->close());
  EXPECT_EQ(boxes_.Boxes().back().text, "The Text Has Changed. Save Changes?");
}

TEST_F(DataEditorsUi, AsciiEditorCopiesTwoLinesAlsoAsAWorksheetAndSavesWk1) {
  ScratchDir dir("ondravik_ascii_ui");
  auto* a = new TAsciiEd(nullptr, "Editor", "1 2 3\n4 5 6\n", nullptr, {});
  a->show();
  a->Edit()->selectAll();
  a->Action(TAsciiEd::kCopy)->trigger();
  const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->text().toStdString(), "1 2 3\r\n4 5 6\r\n");
  const QByteArray wk1 = copied->data(kMimeWk1);
  ASSERT_GT(wk1.size(), 6);
  // The worksheet's first record: beginning of file, version 0x0406.
  EXPECT_EQ(wk1.left(6), QByteArray("\x00\x00\x02\x00\x06\x04", 6));
  const std::string path = dir.File("table.wk1");
  files_.Answer(path);
  EXPECT_TRUE(a->CmSaveAs());
  EXPECT_EQ(ReadText(path), wk1.toStdString());
  // The edit keeps its own (empty) file name; a text save writes CR LF lines.
  EXPECT_TRUE(a->Edit()->FileName().empty());
  const std::string text = dir.File("table.prn");
  files_.Answer(text);
  EXPECT_TRUE(a->CmSaveAs());
  EXPECT_EQ(ReadText(text), "1 2 3\r\n4 5 6\r\n");
  EXPECT_TRUE(a->close());
}

// The editor opens a file in its own encoding and saves it back so: a UTF-8 file's "°C" and
// "Δ" showed as "Â°C" and "Î”" (its bytes taken for Windows-1252); a Windows-1252 file
// stays byte for byte; the program's own text whose bytes happen to form UTF-8 ("Ã©") is
// saved marked UTF-8, and a text without such bytes as it always was.
TEST_F(DataEditorsUi, AsciiEditorOpensAndSavesAFileInItsOwnEncoding) {
  ScratchDir dir("ondravik_ascii_encoding");
  const struct {
    const char* name;
    std::string bytes;
    QString shown;
  } files[] = {
      {"utf8.txt", "Temp \xC2\xB0" "C \xCE\x94p\r\n1 2 3\r\n", QString::fromUtf8("Temp \xC2\xB0" "C \xCE\x94p\n1 2 3\n")},
      {"marked.txt", "\xEF\xBB\xBF\xC2\xB5m\r\n", QString::fromUtf8("\xC2\xB5m\n")},
      {"cp1252.txt", "\xC3\xA9 \xE9t\xE9\r\n", QString::fromUtf8("\xC3\x83\xC2\xA9 \xC3\xA9t\xC3\xA9\n")},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    auto* a = new TAsciiEd(nullptr, "Editor", "", nullptr, {});
    a->show();
    ASSERT_TRUE(a->LoadFile(dir.Write(f.name, f.bytes)));
    EXPECT_EQ(a->Edit()->toPlainText(), f.shown);
    ASSERT_TRUE(a->SaveFile(dir.File(std::string("saved-") + f.name)));
    EXPECT_EQ(ReadText(dir.File(std::string("saved-") + f.name)), f.bytes);
    EXPECT_TRUE(a->close());
  }
  auto* a = new TAsciiEd(nullptr, "Editor", "\"Plate \xC3\xA9\"\n", nullptr, {});
  a->show();
  ASSERT_TRUE(a->SaveFile(dir.File("own.prn")));
  EXPECT_EQ(ReadText(dir.File("own.prn")), "\xEF\xBB\xBF\"Plate \xC3\x83\xC2\xA9\"\r\n");
  a->Edit()->ReplaceText("\"\xE9t\xE9\"\n");
  ASSERT_TRUE(a->SaveFile(dir.File("plain.prn")));
  EXPECT_EQ(ReadText(dir.File("plain.prn")), "\"\xE9t\xE9\"\r\n");
  EXPECT_TRUE(a->close());
}

// Ctrl+C, which the menu's Copy shows, copies as that item does, the worksheet with the text;
// so do the edit's own copies (its context menu's Copy, Ctrl+Insert) and a cut. The edit took
// Ctrl+C for a copy of plain text only.
TEST_F(DataEditorsUi, EveryCopyOfTheAsciiEditorCarriesTheWorksheet) {
  auto* a = new TAsciiEd(nullptr, "Editor", "1 2 3\n4 5 6\n", nullptr, {});
  a->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(a));
  a->Edit()->setFocus();
  EXPECT_EQ(a->Action(TAsciiEd::kCopy)->shortcut(), QKeySequence(QKeySequence::Copy));
  const auto copied = [](const std::function<void()>& copy) {
    QGuiApplication::clipboard()->clear();
    copy();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data == nullptr ? std::pair<std::string, int>{}
                           : std::pair<std::string, int>{data->text().toStdString(), static_cast<int>(data->data(kMimeWk1).size())};
  };
  a->Edit()->selectAll();
  const std::pair<std::string, int> menu = copied([a] { a->Action(TAsciiEd::kCopy)->trigger(); });
  EXPECT_EQ(menu.first, "1 2 3\r\n4 5 6\r\n");
  ASSERT_GT(menu.second, 6);
  EXPECT_EQ(copied([a] { QTest::keyClick(a->Edit(), Qt::Key_C, Qt::ControlModifier); }), menu) << "Ctrl+C";
  EXPECT_EQ(copied([a] { QTest::keyClick(a->Edit(), Qt::Key_Insert, Qt::ControlModifier); }), menu) << "Ctrl+Insert";
  EXPECT_EQ(copied([a] { a->Edit()->copy(); }), menu) << "the edit's Copy";
  EXPECT_EQ(copied([a] { a->Edit()->cut(); }), menu) << "Cut";
  a->Edit()->document()->setModified(false);
  EXPECT_TRUE(a->close());
}

TEST_F(DataEditorsUi, AsciiEditorHandsItsTextBackOnlyWhenTheTableTakesIt) {
  std::string handed;
  int points = 0;
  auto* a = new TAsciiEd(nullptr, "Editor", "1 2 3\n", nullptr, [&](const std::string& text, const std::string&) {
    handed = text;
    return points;
  });
  bool closed = false;
  QObject::connect(a, &TAsciiEd::closed, [&] { closed = true; });
  a->show();
  a->Edit()->ReplaceText("1 2 3\n4 5 6\n");
  // Text the table refuses keeps the editor open with its text.
  boxes_.Answer(platform::kIdYes);
  a->close();
  EXPECT_EQ(handed, "1 2 3\n4 5 6\n");
  EXPECT_FALSE(closed);
  points = 4;
  boxes_.Answer(platform::kIdYes);
  a->close();
  EXPECT_TRUE(closed);
  EXPECT_EQ(boxes_.Boxes().back().text, "Update XYZ Data Table with Current Contents of Editor?");
}

// Text written into a file whose code lacks some of its characters: the user is told how
// many and where, or is refused as the dialog's OK refuses, on every road. The ASCII editor
// saved a typed Omega into a Windows-1252 file as '?', and its conversions and copies made it
// '?' in the edit itself; Custom Titles' Save wrote '?' where its OK refused the text; the
// worksheets' labels, in code page 850, lost the euro sign without a word.
TEST_F(DataEditorsUi, CharactersAFileCannotHoldAreToldOnEveryWritingRoad) {
  ScratchDir dir("ondravik_lost_characters");
  const QString omega = QString::fromUtf8("\xCE\xA9");
  const auto told = [this](std::size_t from) {
    std::vector<std::string> texts;
    for (std::size_t k = from; k < boxes_.Boxes().size(); ++k) texts.push_back(boxes_.Boxes()[k].text);
    return texts;
  };
  // A Windows-1252 file keeps its encoding: Save asks first, and No writes nothing.
  const std::string cp1252 = dir.Write("cp1252.txt", std::string("Temp \xB0" "C\r\n1 2 3\r\n"));
  auto* a = new TAsciiEd(nullptr, "Editor", "", nullptr, {});
  a->show();
  ASSERT_TRUE(a->LoadFile(cp1252));
  a->Edit()->moveCursor(QTextCursor::End);
  a->Edit()->insertPlainText(omega + " 4 5 6\n");
  std::size_t from = boxes_.Boxes().size();
  boxes_.Answer(platform::kIdNo);
  EXPECT_FALSE(a->SaveFile(cp1252));
  EXPECT_EQ(told(from), std::vector<std::string>{"1 Character of the Text Lies Beyond Windows-1252, the File's Encoding "
                                                 "(First on Line 3)\nIt Will Be Written as ?\nSave Anyway?"});
  EXPECT_EQ(ReadText(cp1252), "Temp \xB0" "C\r\n1 2 3\r\n");
  boxes_.Answer(platform::kIdYes);
  EXPECT_TRUE(a->SaveFile(cp1252));
  EXPECT_EQ(ReadText(cp1252), "Temp \xB0" "C\r\n1 2 3\r\n? 4 5 6\r\n");
  // The conversions and the copy keep the character in the edit and on the clipboard.
  a->Action(TAsciiEd::kCommaDelimiter)->trigger();
  EXPECT_EQ(a->Edit()->toPlainText(), QString("Temp,\u00B0C\n1,2,3\n") + omega + ",4,5,6\n");
  a->Edit()->selectAll();
  a->Action(TAsciiEd::kCopy)->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("Temp,\u00B0C\r\n1,2,3\r\n") + omega + ",4,5,6\r\n");
  // A worksheet's labels in code page 850: the euro sign is told.
  a->Edit()->ReplaceText("\"Cost \x80\" 1 2\n");
  from = boxes_.Boxes().size();
  files_.Answer(dir.File("cost.wk1"));
  EXPECT_TRUE(a->CmSaveAs());
  EXPECT_EQ(told(from),
            std::vector<std::string>{"1 Character of the Text Lies Beyond the Worksheet's Code Page 850\nIt Was Written as ?"});
  a->Edit()->document()->setModified(false);
  EXPECT_TRUE(a->close());

  // A new text that holds a character Windows-1252 lacks is saved as UTF-8, every character
  // kept, and said nothing of.
  a = new TAsciiEd(nullptr, "Editor", "", nullptr, {});
  a->show();
  a->Edit()->setPlainText("\"" + omega + " Survey\"\n1 2 3\n");
  from = boxes_.Boxes().size();
  ASSERT_TRUE(a->SaveFile(dir.File("new.prn")));
  EXPECT_EQ(ReadText(dir.File("new.prn")), "\xEF\xBB\xBF\"\xCE\xA9 Survey\"\r\n1 2 3\r\n");
  EXPECT_EQ(told(from), std::vector<std::string>{});
  EXPECT_TRUE(a->close());

  // Handed back to the table, whose titles are the program's text: told before.
  std::string handed;
  a = new TAsciiEd(nullptr, "Table Editor", "1 2 3\n", nullptr, [&](const std::string& text, const std::string&) {
    handed = text;
    return 4;
  });
  a->show();
  a->Edit()->selectAll();
  a->Edit()->insertPlainText("\"Run " + omega + omega + "\"\n1 2 3\n4 5 6\n");
  from = boxes_.Boxes().size();
  boxes_.Answer(platform::kIdYes);
  a->close();
  EXPECT_EQ(handed, "\"Run ??\"\n1 2 3\n4 5 6\n");
  EXPECT_EQ(told(from), (std::vector<std::string>{"Update XYZ Data Table with Current Contents of Editor?",
                                                  "2 Characters of the Text Lie Beyond Windows-1252 (First on Line 1)\n"
                                                  "They Are Shown as ?"}));

  // Custom Titles' Save refuses what its OK refuses, and writes nothing.
  T3DTitleSet custom, automatic;
  automatic.Lines = {"Data", "Eqn", "", "", ""};
  automatic.AxisTitles = {"X", "Y", "Z"};
  automatic.FontSizes = {12, 10, 9, 10};
  auto* titles = new TTitles(nullptr, &custom, automatic, platform::Font{"Arial", 12});
  titles->TextEdit(0)->setText("Ofen " + omega);
  from = boxes_.Boxes().size();
  files_.Answer(dir.File("t.ttl"));
  titles->CmSaveTitles();
  EXPECT_EQ(told(from), std::vector<std::string>{"Only Western European characters can be kept here.\n"
                                                 "These characters cannot: U+03A9"});
  EXPECT_FALSE(std::filesystem::exists(dir.File("t.ttl")));
  delete titles;

  // A text window's worksheet: the euro sign of its labels is told.
  const std::string euro = dir.Write("euro.txt", std::string("\"Cost \x80\" 1 2\r\n"));
  TScrWin* w = OpenTextFileWindow(nullptr, euro, "View ASCII File", 20, kMenuTextFull, kFontSlotFileViewer, euro,
                                  "Reading Data...", TextWindowHold::Nothing, FileTildes::kLiteral);
  ASSERT_NE(w, nullptr);
  from = boxes_.Boxes().size();
  ASSERT_TRUE(w->SaveTo(dir.File("euro.wk3")));
  EXPECT_EQ(told(from),
            std::vector<std::string>{"1 Character of the Text Lies Beyond the Worksheet's Code Page 850\nIt Was Written as ?"});
  w->close();
}

TEST_F(DataEditorsUi, AsciiEditorOverTheTableClosedUnchangedLeavesTheTable) {
  const std::vector<unsigned char> before = TableBytes();
  RunAsciiEditor(session_);
  TAsciiEd* a = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* editor = qobject_cast<TAsciiEd*>(w); editor && editor->isVisible() && editor->windowTitle() != "Editor")
      a = editor;
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->windowTitle(), "Ondravik 3D ASCII File Editor");
  EXPECT_NE(a->Edit()->Text().find("6"), std::string::npos);
  const std::size_t asked = boxes_.Boxes().size();
  a->close();
  EXPECT_EQ(boxes_.Boxes().size(), asked);
  EXPECT_EQ(TableBytes(), before);
}

}  // namespace
