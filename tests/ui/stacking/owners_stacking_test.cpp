// Every window that keeps windows beside itself besides the review and the grid editor (the
// scattered-data and gridded-data windows and the function viewer, with their Quick Eval), as
// they open with fresh settings on a large and a small screen: what the user opened last
// stands in front, it leaves the owner's controls free, and it stays between the owner and the
// owner's dialogs (a click on the owner included).
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "app/ui/command_ids.h"
#include "graph3d/ui/function_viewer.h"
#include "graph3d/ui/graph_option_commands.h"
#include "graph3d/ui/view_function_dialog.h"
#include "smooth/ui/smoothing_window.h"
#include "stacking_walk.h"

namespace stacking {
namespace {

struct TOwner {
  int command;
  const char* className;
  int quickEval;
};

// The windows that offer Quick Eval (the loess, NURBS and regridding windows and the data view
// offer none and keep no window beside them).
const TOwner kOwners[] = {
    {CmScatteredNP, "T3DNParm", TBaseNP::kQuickEval},
    {CmGriddedNP, "T3DSpline", TBaseNP::kQuickEval},
    {CmFunctionViewer, "TVFXY2", TVFXY2::kQuickEval},
};

void CheckEveryOwner(WindowStacking& test, const char* home) {
  every_window::TProgramUnderWalk program(home);
  int owners = 0, kept = 0, dialogs = 0;
  for (const TOwner& o : kOwners) {
    bool answered = false;
    TOwnerWalk walk;
    walk.command = o.command;
    walk.ownerClass = o.className;
    // The function viewer asks for its function first.
    walk.answerFirst = [&answered](QWidget* w) {
      auto* ask = qobject_cast<TDlgVFXY*>(w);
      if (ask == nullptr || answered) return false;
      answered = true;
      ask->TextEdit()->SetRecordText("Z=X*Y");
      for (int i = 0; i < 4; ++i) ask->RangeEdit(i)->setText(i % 2 == 0 ? "1" : "10");
      QTimer::singleShot(0, ask, [ask] { ask->accept(); });
      return true;
    };
    walk.keptButtons = {o.quickEval};
    walk.dialogButtons = {kCmViewOptions, kCmEvaluate};
    walk.moveAside = false;
    walk.keptWindowsDialogs = true;
    walk.ownerClicksWithDialogUp = 3;
    walk.ownerRaisesWithDialogUp = 3;
    const TOwnerTally tally = test.CheckOwner(program, walk);
    if (test.HasFatalFailure()) return;
    EXPECT_EQ(tally.keptWindows, 1) << o.className << ": Quick Eval";
    EXPECT_EQ(tally.dialogs, 2) << o.className;
    ++owners;
    kept += tally.keptWindows;
    dialogs += tally.dialogs + tally.keptWindowDialogs;
  }
  std::fprintf(stderr, "%d owners, %d windows kept beside them, %d dialogs\n", owners, kept, dialogs);
}

TEST_F(StackingAt1600x1200, QuickEvalStandsInFrontOfEveryOwnerAndUnderItsDialogs) {
  CheckEveryOwner(*this, "ondravik_stacking_owners_large");
}

TEST_F(StackingAt1024x768, QuickEvalStandsInFrontOfEveryOwnerAndUnderItsDialogs) {
  CheckEveryOwner(*this, "ondravik_stacking_owners_small");
}

}  // namespace
}  // namespace stacking
