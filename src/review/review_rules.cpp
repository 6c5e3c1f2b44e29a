#include "review/review_rules.h"

#include "app/c_format.h"

TReviewLimits TReviewLimits::Opening(int savedMode) {
  TReviewLimits limits;
  limits.mode = savedMode;
  limits.last = savedMode != kLimitsNone ? savedMode : kLimitsPrediction;
  return limits;
}

void TReviewLimits::ToggleConfidence() {
  if (mode != kLimitsNone) last = mode;
  mode = mode == kLimitsConfidence ? kLimitsNone : kLimitsConfidence;
}

void TReviewLimits::TogglePrediction() {
  if (mode != kLimitsNone) last = mode;
  mode = mode == kLimitsPrediction ? kLimitsNone : kLimitsPrediction;
}

void TReviewLimits::ToggleIntervals() {
  if (mode != kLimitsNone) {
    last = mode;
    mode = kLimitsNone;
  } else {
    mode = last;
  }
}

int StepRow(int step, int selected, int count) {
  if (count <= 0) return -1;
  switch (step) {
    case kStepFirst: return 0;
    case kStepLast: return count - 1;
    case kStepHigher: return selected > 0 && selected < count ? selected - 1 : -1;
    case kStepLower: return selected >= 0 && selected < count - 1 ? selected + 1 : -1;
    default: return -1;
  }
}

TRenderStatsTexts FormatRenderStats(const TRenderFigures& f) {
  TRenderStatsTexts t;
  t.frame = f.fromCache ? CFormat("%dK", static_cast<int>(f.imageBytes / 1000))
                        : CFormat("%.2f sec", f.drawSeconds);
  t.display = CFormat("%.2f sec", f.displaySeconds);
  t.cache = CFormat("%dK [%d]", static_cast<int>(f.cacheBytes / 1000), f.cacheImages);
  return t;
}

bool CanSaveAsUserFunction(const TFitEqn& fit) {
  const int family = fit.descriptor[1];
  const bool userFunction = fit.equationNumber >= 2501 && fit.equationNumber <= 2515;
  return fit.m < 10 && (family < 224 || family > 239) && !userFunction;
}
