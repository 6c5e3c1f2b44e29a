// Rules of the review window that need no window: the limits toggles, stepping through the
// ranked list, and the status-line texts of the drawing and cache figures.
#pragma once

#include <cstdint>
#include <string>

#include "fit/fit_records.h"

// Which band the review graph draws around its surface.
enum ReviewLimitsMode : int {
  kLimitsNone = 0,
  kLimitsConfidence = 1,
  kLimitsPrediction = 2,
};

// The limits mode with the last band shown, which the Intervals button brings back.
struct TReviewLimits {
  int mode = kLimitsNone;
  int last = kLimitsPrediction;

  // The window opens with the saved mode; without one, Intervals brings prediction limits.
  static TReviewLimits Opening(int savedMode);
  // "Confidence" and "Prediction": a band shown is hidden by its own command and replaced
  // by the other's.
  void ToggleConfidence();
  void TogglePrediction();
  // "Intervals": hides the band shown, or shows the last one again.
  void ToggleIntervals();
};

// The renderer's limit kind of a band: nonzero draws in the confidence colour.
inline int RendererLimitKind(int mode) { return mode == kLimitsConfidence ? 1 : 0; }

// Steps of the ranked list.
enum ReviewStep : int {
  kStepFirst = 2432,
  kStepLast = 2433,
  kStepHigher = 2434,  // the row above (a better rank in the list's order)
  kStepLower = 2435,
};
// The row a step selects from row `selected` of `count`, or -1 when it selects none (no
// rows, or Higher at the top and Lower at the bottom).
int StepRow(int step, int selected, int count);

// The figures of the last frame shown: drawn (seconds) or taken from the cache (its stored
// size), the time to show it, and the cache's content.
struct TRenderFigures {
  bool fromCache = false;
  double drawSeconds = 0;
  std::int64_t imageBytes = 0;
  double displaySeconds = 0;
  std::int64_t cacheBytes = 0;
  int cacheImages = 0;
};
// The status line's three fields: "%.2f sec" (or "%dK" for a cached frame), "%.2f sec",
// and "%dK [%d]" with the cache in kilobytes of 1000 bytes and its image count.
struct TRenderStatsTexts {
  std::string frame, display, cache;
};
TRenderStatsTexts FormatRenderStats(const TRenderFigures& figures);

// Whether a fit can be written as a user-defined function: at most ten parameters, not one
// of the series and Chebyshev families (family codes 224-239, which the function language
// cannot state in ten parameters' worth of text) and not a user function already.
bool CanSaveAsUserFunction(const TFitEqn& fit);
