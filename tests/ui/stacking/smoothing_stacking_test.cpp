// Quick Eval stands above the smoothing window it reads (the scattered-data and the
// gridded-data windows offer it) and under each of the window's dialogs.
#include "smooth/ui/smoothing_window.h"
#include "app/ui/command_ids.h"
#include "graph3d/ui/graph_option_commands.h"
#include "stacking_walk.h"

#include <cstdio>
#include <vector>

namespace stacking {
namespace {

// The dialogs of a smoothing window's buttons: its graph's options, copy and print, the
// section and the evaluation table.
const std::vector<int> kSmoothingDialogs = {kCmGraphType,  kCmViewOptions, kCmScaling,      kCmAnimate,
                                            kCmTitles,     kCmGraphFont,   kCmColors,       kCmPointsOptions,
                                            TBaseNP::kCopy, TBaseNP::kPrint, kCmSection,   kCmEvaluate};

TEST_F(WindowStacking, QuickEvalStandsBetweenASmoothingWindowAndEachOfItsDialogs) {
  every_window::TProgramUnderWalk program("ondravik_stacking_smoothing");
  TOwnerWalk walk;
  walk.command = CmScatteredNP;
  walk.ownerClass = "T3DNParm";
  walk.keptButtons = {TBaseNP::kQuickEval};
  walk.dialogButtons = kSmoothingDialogs;
  walk.animateButton = kCmAnimate;
  const TOwnerTally tally = CheckOwner(program, walk);
  const int dialogs = tally.dialogs;
  EXPECT_EQ(dialogs, static_cast<int>(kSmoothingDialogs.size()));
  EXPECT_EQ(tally.animationsPlayed, 1);
  std::fprintf(stderr, "scattered-data window: %d dialogs\n", dialogs);
}

TEST_F(WindowStacking, QuickEvalStandsBetweenTheGriddedDataWindowAndEachOfItsDialogs) {
  every_window::TProgramUnderWalk program("ondravik_stacking_gridded");
  const int dialogs = CheckOwner(program, CmGriddedNP, "T3DSpline", {TBaseNP::kQuickEval}, kSmoothingDialogs, false);
  EXPECT_EQ(dialogs, static_cast<int>(kSmoothingDialogs.size()));
  std::fprintf(stderr, "gridded-data window: %d dialogs\n", dialogs);
}

}  // namespace
}  // namespace stacking
