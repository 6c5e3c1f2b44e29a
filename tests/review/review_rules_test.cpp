// The review window's rules without a window: the limits toggles, steps through the list,
// the status texts and the layout blocks.

#include <gtest/gtest.h>

#include <vector>

#include "review/review_layout.h"
#include "review/review_rules.h"

namespace {

TEST(ReviewLimits, CommandsInTurn) {
  // Each row: the command, then the mode and the band Intervals would bring back.
  enum Cmd { kConf, kPred, kIntervals };
  struct Step {
    Cmd command;
    int mode, last;
  };
  const struct {
    int saved;
    std::vector<Step> steps;
  } cases[] = {
      // From prediction, Confidence switches the band; Intervals hides and restores it.
      {kLimitsPrediction,
       {{kConf, kLimitsConfidence, kLimitsPrediction},
        {kIntervals, kLimitsNone, kLimitsConfidence},
        {kIntervals, kLimitsConfidence, kLimitsConfidence}}},
      // Without a saved band, Intervals shows prediction limits.
      {kLimitsNone, {{kIntervals, kLimitsPrediction, kLimitsPrediction}}},
      // A band's own command hides it; the other's replaces it.
      {kLimitsConfidence,
       {{kConf, kLimitsNone, kLimitsConfidence},
        {kPred, kLimitsPrediction, kLimitsConfidence},
        {kPred, kLimitsNone, kLimitsPrediction},
        {kIntervals, kLimitsPrediction, kLimitsPrediction}}},
  };
  for (const auto& c : cases) {
    TReviewLimits limits = TReviewLimits::Opening(c.saved);
    EXPECT_EQ(limits.mode, c.saved);
    for (const Step& s : c.steps) {
      if (s.command == kConf) limits.ToggleConfidence();
      if (s.command == kPred) limits.TogglePrediction();
      if (s.command == kIntervals) limits.ToggleIntervals();
      EXPECT_EQ(limits.mode, s.mode);
      EXPECT_EQ(limits.last, s.last);
    }
  }
  // The renderer draws a nonzero kind in the confidence colour.
  EXPECT_EQ(RendererLimitKind(kLimitsConfidence), 1);
  EXPECT_EQ(RendererLimitKind(kLimitsPrediction), 0);
}

TEST(ReviewSteps, RowsAtTheEndsDoNothing) {
  const struct {
    int step, selected, count, row;
  } cases[] = {
      {kStepFirst, 3, 5, 0},  {kStepLast, 0, 5, 4},   {kStepHigher, 3, 5, 2}, {kStepLower, 3, 5, 4},
      {kStepHigher, 0, 5, -1}, {kStepLower, 4, 5, -1}, {kStepLower, 0, 1, -1}, {kStepHigher, 0, 1, -1},
      {kStepFirst, -1, 0, -1}, {kStepLower, -1, 3, -1}, {kStepHigher, -1, 3, -1}, {999, 1, 3, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(StepRow(c.step, c.selected, c.count), c.row) << c.step << " " << c.selected;
}

TEST(ReviewStatusTexts, DrawnOrCachedFrames) {
  TRenderFigures drawn;
  drawn.drawSeconds = 0.256;
  drawn.displaySeconds = 0.004;
  drawn.cacheBytes = 123456;
  drawn.cacheImages = 7;
  TRenderStatsTexts t = FormatRenderStats(drawn);
  EXPECT_EQ(t.frame, "0.26 sec");
  EXPECT_EQ(t.display, "0.00 sec");
  EXPECT_EQ(t.cache, "123K [7]");
  TRenderFigures cached = drawn;
  cached.fromCache = true;
  cached.imageBytes = 45999;
  EXPECT_EQ(FormatRenderStats(cached).frame, "45K");
}

TEST(ReviewRules, FitsThatCanBeSavedAsUserFunctions) {
  const struct {
    int equation, m, family;
    bool can;
  } cases[] = {
      {1, 2, 0, true},      {1, 9, 0, true},       {1, 10, 0, false},  // ten parameters at most
      {401, 5, 224, false}, {621, 3, 232, false},  {1421, 3, 229, false},  // series, Chebyshev
      {999, 3, 223, true},  {999, 3, 240, true},   {2001, 3, 0, true},
      {2501, 2, 0, false},  {2515, 2, 0, false},   {2516, 2, 0, true},  // user functions
  };
  for (const auto& c : cases) {
    TFitEqn fit;
    fit.equationNumber = c.equation;
    fit.m = c.m;
    fit.descriptor[1] = static_cast<std::uint8_t>(c.family);
    EXPECT_EQ(CanSaveAsUserFunction(fit), c.can) << c.equation << " " << c.m << " " << c.family;
  }
}

TEST(ReviewLayout, BlocksAreTheSettingsPlacements) {
  ProgramSettings s = DefaultSettings(1280, 1024);
  // Field 84 (placement 6) heads the graph-first block, field 90 the list-first one.
  EXPECT_EQ(&ReviewLayoutBlock(s, false)[kLayoutReview], &s.placements[5]);
  EXPECT_EQ(&ReviewLayoutBlock(s, false)[kLayoutPrecision], &s.placements[10]);
  EXPECT_EQ(&ReviewLayoutBlock(s, true)[kLayoutReview], &s.placements[11]);
  EXPECT_EQ(&ReviewLayoutBlock(s, true)[kLayoutPrecision], &s.placements[16]);
  // Fresh settings: nothing placed, nothing open.
  for (bool listFirst : {false, true})
    for (const WindowPlacement& p : ReviewLayoutBlock(s, listFirst)) {
      EXPECT_EQ(p.width, -1);
      EXPECT_FALSE(LayoutOpen(p));
    }
  WindowPlacement& numeric = ReviewLayoutBlock(s, true)[kLayoutNumeric];
  SetLayoutOpen(numeric, true);
  SetLayoutRect(numeric, {10, 20, 300, 200});
  EXPECT_EQ(numeric, (WindowPlacement{10, 20, 300, 200, 1}));
  EXPECT_EQ(LayoutRect(numeric), (std::array<std::int32_t, 4>{10, 20, 300, 200}));
}

}  // namespace
