// Every road that changes the data makes Exit ask "Save Current Data?": the ASCII editor's
// hand-back, a grid editor cell, its Titles and its Sort Table (a saved file keeps the order),
// a calculation applied, a section kept in the data graph, new titles, clearing the inactive
// points, appending from the clipboard and from a file, and a smoothing kept with OK; and
// every road that changes nothing, or undoes what it changed, leaves Exit without a question:
// a point toggled in the data graph and toggled back, a cell typed over with its own value, a
// sort undone by the sort the program keeps the table in. Each taken as a user takes it, in
// the program as its entry point builds it, on data read from a file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "app/ui/dialog.h"
#include "app/data_saved_mark.h"
#include "app/data_statistics.h"
#include "app/ui/command_table.h"
#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "app/shell_state.h"
#include "every_window_support.h"
#include "fit/session.h"
#include "graph3d/ui/section_dialog.h"
#include "graph3d/ui/accept_or_undo.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "smooth/ui/loess_window.h"
#include "support/table_bytes.h"
#include "tools/data_calculation.h"
#include "tools/ui/ascii_editor.h"
#include "tools/ui/calculation_dialog.h"
#include "graph3d/ui/rotating_graph_dialog.h"
#include "tools/ui/grid_editor.h"
#include "tools/ui/grid_editor_dialogs.h"
#include "tools/ui/titles_dialog.h"

namespace {

using namespace every_window;

// The answers of a user who keeps what he did: Yes to the editor's hand-back and to saving
// (whose file dialog he then cancels), No to abandoning the grid editor's changes.
class KeepingAnswers : public platform::MessageBoxService {
 public:
  KeepingAnswers() : previous_(platform::SetMessageBoxService(this)) {}
  ~KeepingAnswers() override { platform::SetMessageBoxService(previous_); }
  int ShowBox(const platform::BoxRequest& request) override {
    texts.push_back(request.text);
    if (request.text == "Update XYZ Data Table with Current Contents of Editor?" ||
        request.text == "Apply Calculation?" || request.text == "Save Current Data?")
      return platform::kIdYes;
    return request.kind == platform::BoxKind::YesNo || request.kind == platform::BoxKind::YesNoCancel
               ? platform::kIdNo
               : platform::kIdOk;
  }
  std::vector<std::string> texts;

 private:
  platform::MessageBoxService* previous_;
};

// Whether Exit asks "Save Current Data?": the user says Yes and cancels the save, so the
// program goes on. Data Exit would not ask about are not tried, since Exit would end it.
bool ExitAsks(QVRK& window, TSession& session, KeepingAnswers& answers) {
  if (!DataNeedsSaving(session)) return false;
  answers.texts.clear();
  if (window.close()) {
    ADD_FAILURE() << "the program ended without asking";
    window.show();
  }
  return std::find(answers.texts.begin(), answers.texts.end(), "Save Current Data?") != answers.texts.end();
}

// A push button of `w` by its text without its mnemonic.
QPushButton* ButtonOf(QWidget* w, const std::string& text) {
  for (QPushButton* b : w->findChildren<QPushButton*>())
    if (Plain(b->text()) == text) return b;
  return nullptr;
}

// Sorts the table in the grid editor as a user does: Sort Table, the order and the key
// chosen, OK; then OK in the editor.
void SortInTheGridEditor(TProgramUnderWalk& p, std::vector<int> radios) {
  ModalAnswer<TEditor> editor([&radios](TEditor* e) {
    ModalAnswer<TSortDlg> sort([&radios](TSortDlg* d) {
      for (int id : radios) d->Radio(id)->click();
      d->accept();
    });
    e->Button(TEditor::kSort)->click();
    EXPECT_EQ(sort.Seen(), 1);
    e->accept();
  });
  p.Window().ExecuteCommand(CmDataEditor);
  EXPECT_EQ(editor.Seen(), 1);
}

// Toggles each record of `records` in the data graph by a click on its symbol, then OK.
void ToggleInTheDataGraph(TProgramUnderWalk& p, std::vector<int> records) {
  QTimer::singleShot(0, [records] {
    auto* graph = qobject_cast<T3DDlgSW*>(ActiveDialog());
    ASSERT_NE(graph, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(graph));
    graph->Pane()->repaint();
    for (const int record : records) {
      QPoint at;
      for (const TKeptPoint& k : graph->Renderer().KeptPoints())
        if (k.index == record) at = {k.x, k.y};
      EXPECT_FALSE(at.isNull()) << "record " << record << " not drawn";
      if (at.isNull()) break;
      QTest::mousePress(graph->Pane(), Qt::LeftButton, {}, at);
      QTest::mouseRelease(graph->Pane(), Qt::LeftButton, {}, at);
      graph->Pane()->repaint();
    }
    ButtonOf(graph, "OK")->click();
  });
  p.Window().ExecuteCommand(CmDataGraph);
}

struct TRoad {
  const char* name;
  std::function<void(TProgramUnderWalk&)> take;
};

TEST(EveryWindowExitAsks, EveryRoadThatChangesTheDataMakesExitAsk) {
  TProgramUnderWalk program("ondravik_every_window_exit");
  QVRK& window = program.Window();
  const std::string appended = program.Home().Write("more.txt", "7 1 20\n7 2 23\n7 3 26\n7 4 29\n");

  const TRoad roads[] = {
      {"the ASCII editor's hand-back",
       [](TProgramUnderWalk& p) {
         p.Window().ExecuteCommand(CmAsciiEditor);
         TAsciiEd* editor = nullptr;
         for (QWidget* w : QApplication::topLevelWidgets())
           if (auto* e = qobject_cast<TAsciiEd*>(w); e && e->isVisible()) editor = e;
         ASSERT_NE(editor, nullptr);
         editor->Edit()->moveCursor(QTextCursor::End);
         QTest::keyClick(editor->Edit(), Qt::Key_Return);
         QTest::keyClicks(editor->Edit(), "7 7 40");
         editor->close();
         QApplication::processEvents();
       }},
      {"a grid editor cell",
       [](TProgramUnderWalk& p) {
         ModalAnswer<TEditor> editor([](TEditor* e) {
           QTest::mouseClick(e->Cell(0, 2), Qt::LeftButton);
           QTest::keyClick(e->Cell(0, 2), Qt::Key_A, Qt::ControlModifier);
           QTest::keyClicks(e->Cell(0, 2), "99");
           e->Button(TEditor::kNext)->click();
           e->accept();
         });
         p.Window().ExecuteCommand(CmDataEditor);
         EXPECT_EQ(editor.Seen(), 1);
       }},
      {"the grid editor's Titles",
       [](TProgramUnderWalk& p) {
         ModalAnswer<TEditor> editor([](TEditor* e) {
           ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) {
             d->Edit(663)->setText("Depth");
             d->accept();
           });
           e->Button(TEditor::kTitles)->click();
           EXPECT_EQ(titles.Seen(), 1);
           e->accept();
         });
         p.Window().ExecuteCommand(CmDataEditor);
         EXPECT_EQ(editor.Seen(), 1);
       }},
      {"a Sort Table in the grid editor",
       [](TProgramUnderWalk& p) { SortInTheGridEditor(p, {TSortDlg::kDescending, TSortDlg::kByZ}); }},
      {"a calculation applied",
       [](TProgramUnderWalk& p) {
         ModalAnswer<TCalc> calc([](TCalc* d) {
           d->Line(kCalcZ)->setText("Z+1");
           d->Button(1)->click();
         });
         ModalAnswer<TUndo> keep([](TUndo* w) { w->Button(TVFXY::kOk)->click(); });
         p.Window().ExecuteCommand(CmCalculation);
         EXPECT_EQ(calc.Seen(), 1);
         EXPECT_EQ(keep.Seen(), 1);
       }},
      {"a section kept in the data graph",
       [](TProgramUnderWalk& p) {
         QTimer::singleShot(0, [] {
           QWidget* graph = ActiveDialog();
           ASSERT_NE(graph, nullptr);
           ModalAnswer<TSection> section([](TSection* d) {
             d->BoundEdit(0)->setText("3");
             d->Apply(SectionApply::New);
             d->accept();
           });
           ButtonOf(graph, "Section")->click();
           EXPECT_EQ(section.Seen(), 1);
           ButtonOf(graph, "OK")->click();
         });
         p.Window().ExecuteCommand(CmDataGraph);
       }},
      {"new titles",
       [](TProgramUnderWalk& p) {
         ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) {
           d->Edit(661)->setText("Another Title");
           d->accept();
         });
         p.Window().ExecuteCommand(CmTitles);
         EXPECT_EQ(titles.Seen(), 1);
       }},
      {"clearing the inactive points",
       [](TProgramUnderWalk& p) {
         // Data read with an inactive point (a saved file keeps the statuses).
         p.Session().Table.XYZData()[4].Status = kPointInactive;
         ASSERT_GT(ComputeDataStatistics(p.Session().Table, p.Session().DataStats), 0);
         MarkDataSaved(p.Session());
         p.Window().ExecuteCommand(CmClearInactive);
         EXPECT_EQ(p.Session().Table.XYZRows(), 29);
       }},
      {"appending from the clipboard",
       [](TProgramUnderWalk& p) {
         QApplication::clipboard()->setText("8 1 22\n8 2 25\n8 3 28\n8 4 31\n");
         ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
         p.Window().ExecuteCommand(CmAppendClipboard);
         EXPECT_EQ(p.Session().Table.XYZRows(), 34);
       }},
      {"appending from a file",
       [&appended](TProgramUnderWalk& p) {
         ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
         p.Files().Answer(appended);
         p.Window().ExecuteCommand(CmAppend);
         EXPECT_EQ(p.Session().Table.XYZRows(), 34);
       }},
      {"a smoothing kept",
       [](TProgramUnderWalk& p) {
         ModalAnswer<T3DSmooth> loess([](T3DSmooth* w) { w->accept(); });
         p.Window().ExecuteCommand(CmSmoothLoess);
         EXPECT_EQ(loess.Seen(), 1);
       }},
  };

  KeepingAnswers answers;
  for (const TRoad& road : roads) {
    program.LoadTableAndFits();  // data as read from a file: nothing to ask
    ASSERT_FALSE(DataNeedsSaving(program.Session())) << road.name;
    const std::vector<unsigned char> table = TableBytes(program.Session().Table);
    const TDataTitles titles = program.Session().DataTitles();
    answers.texts.clear();
    road.take(program);
    QApplication::processEvents();
    EXPECT_TRUE(TableBytes(program.Session().Table) != table || !(program.Session().DataTitles() == titles))
        << road.name << " changed nothing";
    EXPECT_EQ(ActiveDialog(), nullptr) << road.name;
    EXPECT_TRUE(ExitAsks(window, program.Session(), answers)) << road.name << " changed the data and Exit did not ask";
  }
}

// Roads that leave the data as they were: Exit asks nothing, though the table went through the
// grid editor, the data graph and the program's own sort on the way.
TEST(EveryWindowExitAsks, RoadsThatChangeNothingLeaveExitWithoutAQuestion) {
  TProgramUnderWalk program("ondravik_every_window_exit_nothing");
  const TRoad roads[] = {
      {"a point toggled in the data graph and toggled back",
       [](TProgramUnderWalk& p) { ToggleInTheDataGraph(p, {7, 7}); }},
      {"two points toggled in two visits to the data graph and toggled back in a third",
       [](TProgramUnderWalk& p) {
         ToggleInTheDataGraph(p, {3, 12});
         ASSERT_TRUE(DataNeedsSaving(p.Session()));
         ToggleInTheDataGraph(p, {12});
         ToggleInTheDataGraph(p, {3});
       }},
      {"a grid editor cell typed over with its own value",
       [](TProgramUnderWalk& p) {
         ModalAnswer<TEditor> editor([](TEditor* e) {
           const QString same = e->Cell(0, 0)->text();  // an x of the grid, exact in 15 digits
           QTest::mouseClick(e->Cell(0, 0), Qt::LeftButton);
           QTest::keyClick(e->Cell(0, 0), Qt::Key_A, Qt::ControlModifier);
           QTest::keyClicks(e->Cell(0, 0), same);
           e->Button(TEditor::kNext)->click();
           e->accept();
         });
         p.Window().ExecuteCommand(CmDataEditor);
         EXPECT_EQ(editor.Seen(), 1);
       }},
      {"a sort by Z, then one by X ascending (the order the program keeps the table in)",
       [](TProgramUnderWalk& p) {
         SortInTheGridEditor(p, {TSortDlg::kDescending, TSortDlg::kByZ});
         ASSERT_TRUE(DataNeedsSaving(p.Session()));
         SortInTheGridEditor(p, {TSortDlg::kAscending, TSortDlg::kByX});
       }},
  };
  KeepingAnswers answers;
  for (const TRoad& road : roads) {
    program.LoadTableAndFits();
    ASSERT_FALSE(DataNeedsSaving(program.Session())) << road.name;
    const std::vector<unsigned char> table = TableBytes(program.Session().Table);
    answers.texts.clear();
    road.take(program);
    QApplication::processEvents();
    EXPECT_EQ(ActiveDialog(), nullptr) << road.name;
    EXPECT_EQ(TableBytes(program.Session().Table), table) << road.name << " changed the table";
    EXPECT_FALSE(DataNeedsSaving(program.Session())) << road.name << " left Exit a question";
    EXPECT_EQ(std::count(answers.texts.begin(), answers.texts.end(), "Save Current Data?"), 0) << road.name;
  }
}

}  // namespace
