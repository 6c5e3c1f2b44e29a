// Quick Eval stands above the smoothing window it reads and under each of the window's dialogs.
#include "smooth/ui/smoothing_window.h"
#include "app/ui/command_ids.h"
#include "graph3d/ui/graph_option_commands.h"
#include "stacking_walk.h"

#include <cstdio>

namespace stacking {
namespace {

TEST_F(WindowStacking, QuickEvalStandsBetweenASmoothingWindowAndEachOfItsDialogs) {
  every_window::TProgramUnderWalk program("ondravik_stacking_smoothing");
  const int dialogs = CheckOwner(program, CmScatteredNP, "T3DNParm", {TBaseNP::kQuickEval},
                                 {kCmGraphType, kCmViewOptions, kCmScaling, kCmAnimate, kCmTitles, kCmGraphFont, kCmColors,
                                  kCmPointsOptions, TBaseNP::kCopy, TBaseNP::kPrint, kCmSection, kCmEvaluate}, false);
  EXPECT_GE(dialogs, 8);
  std::fprintf(stderr, "scattered-data window: %d dialogs\n", dialogs);
}

}  // namespace
}  // namespace stacking
