// The review's list, text panes, residual graph and Quick Eval stand above the review, in the
// order the user opened or last used them, and under each of its dialogs (its buttons' and its
// menus') and of theirs.
#include "review/ui/review_window.h"
#include "app/ui/command_ids.h"
#include "graph3d/ui/graph_option_commands.h"
#include "stacking_walk.h"

#include <cstdio>

namespace stacking {
namespace {

TEST_F(WindowStacking, TheReviewsWindowsStandBetweenTheReviewAndEachOfItsDialogs) {
  every_window::TProgramUnderWalk program("ondravik_stacking_review");
  TOwnerWalk walk;
  walk.command = CmReviewGraph;
  walk.ownerClass = "TRView";
  walk.keptButtons = {kReviewNumeric, kReviewData, kReviewPrecision, kReviewResiduals, kReviewQuickEval};
  walk.dialogButtons = {kCmViewOptions, kCmGraphType, kCmScaling,        kCmAnimate,
                        kCmTitles,      kCmGraphFont, kCmColors,         kCmPointsOptions,
                        kReviewCopyButton, kReviewPrintButton, kReviewSearchButton, kReviewEvaluate};
  walk.visitAnotherProgram = true;
  walk.ownerClicksWithDialogUp = 2;
  walk.ownerRaisesWithDialogUp = 3;
  walk.animateButton = kCmAnimate;
  const TOwnerTally tally = CheckOwner(program, walk);
  const int dialogs = tally.dialogs;
  EXPECT_GE(dialogs, 20);
  EXPECT_EQ(tally.animationsPlayed, 1);
  std::fprintf(stderr, "review: %d dialogs\n", dialogs);
}

// With fresh settings the summaries and the residual graph open over one another and over
// Quick Eval's place: Quick Eval opened under them (active, taking the keys, out of sight),
// a click on the review left it there and a second click on QuickEval closed it unseen. And
// while a dialog of a pane was up (a summary's Font, the residual graph's 3D View, the list's
// Font), a click on the review sank the other panes behind it until the dialog closed.
TOwnerWalk ReviewAsOpened() {
  TOwnerWalk walk;
  walk.command = CmReviewGraph;
  walk.ownerClass = "TRView";
  walk.keptButtons = {kReviewNumeric, kReviewData, kReviewPrecision, kReviewResiduals, kReviewQuickEval};
  walk.dialogButtons = {kCmViewOptions, kReviewEvaluate};
  walk.ownerMenus = false;  // walked above
  walk.moveAside = false;
  walk.keptWindowsDialogs = true;
  walk.keptWindowItems = {"ASCII Editor"};
  return walk;
}

void CheckReviewAsOpened(WindowStacking& test, const char* home, const char* leftFree = "") {
  every_window::TProgramUnderWalk program(home);
  TOwnerWalk walk = ReviewAsOpened();
  walk.keptWindowLeftFree = leftFree;
  const TOwnerTally tally = test.CheckOwner(program, walk);
  EXPECT_EQ(tally.keptWindows, 6) << "the list, three summaries, the residual graph and Quick Eval";
  EXPECT_EQ(tally.dialogs, 2);
  EXPECT_GE(tally.keptWindowDialogs, 15);
  EXPECT_EQ(tally.keptWindowWindows, 4) << "an ASCII editor from each summary and from the list";
  std::fprintf(stderr, "review as opened: %d windows kept, %d dialogs over the review, %d over its windows\n",
               tally.keptWindows, tally.dialogs, tally.keptWindowDialogs);
}

// On a large screen the summaries, the residual graph and Quick Eval open clear of the
// equation list as well (the precision and data summaries covered it whole).
TEST_F(StackingAt1600x1200, TheReviewsWindowsStandAsTheUserOpenedThemAndUnderTheirDialogs) {
  CheckReviewAsOpened(*this, "ondravik_stacking_review_large", "TEqnList");
}

TEST_F(StackingAt1024x768, TheReviewsWindowsStandAsTheUserOpenedThemAndUnderTheirDialogs) {
  CheckReviewAsOpened(*this, "ondravik_stacking_review_small");
}

}  // namespace
}  // namespace stacking
