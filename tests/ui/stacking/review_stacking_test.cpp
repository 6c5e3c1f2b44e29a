// The review's list, text panes, residual graph and Quick Eval stand above the review and
// under each of its dialogs (its buttons' and its menus').
#include "review/ui/review_window.h"
#include "app/ui/command_ids.h"
#include "graph3d/ui/graph_option_commands.h"
#include "stacking_walk.h"

#include <cstdio>

namespace stacking {
namespace {

TEST_F(WindowStacking, TheReviewsWindowsStandBetweenTheReviewAndEachOfItsDialogs) {
  every_window::TProgramUnderWalk program("ondravik_stacking_review");
  const int dialogs = CheckOwner(
      program, CmReviewGraph, "TRView", {kReviewNumeric, kReviewData, kReviewPrecision, kReviewResiduals, kReviewQuickEval},
      {kCmViewOptions, kCmGraphType, kCmScaling, kCmAnimate, kCmTitles, kCmGraphFont, kCmColors, kCmPointsOptions,
       kReviewCopyButton, kReviewPrintButton, kReviewSearchButton, kReviewEvaluate},
      true);
  EXPECT_GE(dialogs, 20);
  std::fprintf(stderr, "review: %d dialogs\n", dialogs);
}

}  // namespace
}  // namespace stacking
