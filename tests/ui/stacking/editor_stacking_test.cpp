// The grid editor's graph stands above the editor and under each of its dialogs.
#include "tools/ui/grid_editor.h"
#include "app/ui/command_ids.h"
#include "stacking_walk.h"

namespace stacking {
namespace {

TEST_F(WindowStacking, TheGridEditorsGraphStandsBetweenTheEditorAndEachOfItsDialogs) {
  every_window::TProgramUnderWalk program("ondravik_stacking_editor");
  const int dialogs = CheckOwner(program, CmDataEditor, "TEditor", {TEditor::kGraph},
                                 {TEditor::kCalculation, TEditor::kTitles, TEditor::kSort, TEditor::kReverse}, false);
  EXPECT_EQ(dialogs, 4);
}

}  // namespace
}  // namespace stacking
