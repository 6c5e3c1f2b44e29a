// The grid editor's graph stands above the editor and under each of its dialogs, and leaves
// the editor's cells, buttons and scroll bar free wherever it opens.
#include "tools/ui/grid_editor.h"
#include "app/ui/command_ids.h"
#include "app/ui/main_window.h"
#include "graph3d/ui/graph_frame_window.h"
#include "stacking_walk.h"
#include "x_display.h"

#include <QAbstractButton>
#include <QTest>

#include <cstdio>

namespace stacking {
namespace {

// The graph moved aside, clear of the editor: a click on the editor while a dialog is up
// uncovers nothing of it, and only the window manager's stacking tells the program that the
// editor was raised. The second click (or raising by another program) sank the graph under
// the editor for good while Calculation, Titles or Sort Table was up.
TEST_F(WindowStacking, TheGridEditorsGraphStandsBetweenTheEditorAndEachOfItsDialogs) {
  every_window::TProgramUnderWalk program("ondravik_stacking_editor");
  TOwnerWalk walk;
  walk.command = CmDataEditor;
  walk.ownerClass = "TEditor";
  walk.keptButtons = {TEditor::kGraph};
  walk.dialogButtons = {TEditor::kCalculation, TEditor::kTitles, TEditor::kSort, TEditor::kReverse};
  walk.ownerClicksWithDialogUp = 3;
  walk.ownerRaisesWithDialogUp = 5;
  const TOwnerTally tally = CheckOwner(program, walk);
  EXPECT_EQ(tally.dialogs, 4);
}

// As it opens with fresh settings on a small screen, under each dialog of the editor.
TEST_F(StackingAt1024x768, TheGridEditorsGraphStandsAsItOpensUnderEachDialogOfTheEditor) {
  every_window::TProgramUnderWalk program("ondravik_stacking_editor_small");
  TOwnerWalk walk;
  walk.command = CmDataEditor;
  walk.ownerClass = "TEditor";
  walk.keptButtons = {TEditor::kGraph};
  walk.dialogButtons = {TEditor::kCalculation, TEditor::kTitles, TEditor::kSort, TEditor::kReverse};
  walk.moveAside = false;
  walk.ownerClicksWithDialogUp = 3;
  const TOwnerTally tally = CheckOwner(program, walk);
  EXPECT_EQ(tally.keptWindows, 1);
  EXPECT_EQ(tally.dialogs, 4);
}

// The graph leaves the editor's cells, buttons and scroll bar free where it first opens beside
// the editor with fresh settings (at 1024 x 768 it covered the lower half of the scroll bar,
// its down arrow included, and came back there with the editor), and where it reopens with
// the editor.
TEST_F(StackingAt1024x768, TheGridEditorsGraphOpensClearOfTheEditorsControls) {
  every_window::TProgramUnderWalk program("ondravik_stacking_editor_clear");
  const auto isEditor = [](QWidget* w) { return std::string(w->metaObject()->className()) == "TEditor"; };
  const auto graphOpen = [](TEditor* editor) {
    return WaitUntil([&] { return editor->GraphWin() != nullptr && editor->GraphWin()->isVisible(); }) &&
           QTest::qWaitForWindowExposed(editor->GraphWin(), 30000);
  };
  const bool opened = WithWindow([&] { program.Window().ExecuteCommand(CmDataEditor); }, isEditor, [&](QWidget* w) {
    auto* editor = static_cast<TEditor*>(w);
    QAbstractButton* graphButton = editor->Button(TEditor::kGraph);
    const QPoint at = graphButton->mapToGlobal(graphButton->rect().center());
    // The editor reopens the graph it was closed with (an earlier test's): closed first.
    if (editor->GraphWin() != nullptr) {
      ASSERT_TRUE(ClickAt(at.x(), at.y()));
      ASSERT_TRUE(WaitUntil([&] { return editor->GraphWin() == nullptr; }));
    }
    ASSERT_TRUE(ClickAt(at.x(), at.y()));
    ASSERT_TRUE(graphOpen(editor));
    ExpectClearOfControls(editor, editor->GraphWin(), "the graph opened");
    QAbstractButton* ok = editor->Button(1);
    const QPoint okAt = ok->mapToGlobal(ok->rect().center());
    ASSERT_TRUE(ClickAt(okAt.x(), okAt.y()));
    (void)WaitUntil([&] { return !editor->isVisible(); });
  });
  ASSERT_TRUE(opened);
  const bool reopened = WithWindow([&] { program.Window().ExecuteCommand(CmDataEditor); }, isEditor, [&](QWidget* w) {
    auto* editor = static_cast<TEditor*>(w);
    ASSERT_TRUE(graphOpen(editor)) << "the graph did not open with the editor";
    ExpectClearOfControls(editor, editor->GraphWin(), "the graph reopened with the editor");
  });
  EXPECT_TRUE(reopened);
}

}  // namespace
}  // namespace stacking
