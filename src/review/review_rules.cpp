#include "review/review_rules.h"

#include <algorithm>
#include <vector>

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

namespace {

bool Empty(const platform::Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// The parts of `r` outside `cut`: at most four rectangles (above, below, left, right).
void Subtract(const platform::Rect& r, const platform::Rect& cut, std::vector<platform::Rect>& out) {
  const platform::Rect overlap{std::max(r.left, cut.left), std::max(r.top, cut.top),
                               std::min(r.right, cut.right), std::min(r.bottom, cut.bottom)};
  if (Empty(overlap)) {
    out.push_back(r);
    return;
  }
  const platform::Rect pieces[4] = {
      {r.left, r.top, r.right, overlap.top},
      {r.left, overlap.bottom, r.right, r.bottom},
      {r.left, overlap.top, overlap.left, overlap.bottom},
      {overlap.right, overlap.top, r.right, overlap.bottom},
  };
  for (const platform::Rect& p : pieces)
    if (!Empty(p)) out.push_back(p);
}

}  // namespace

PaneCoverage GraphCoverage(const platform::Rect& pane, std::span<const platform::Rect> covers) {
  std::vector<platform::Rect> region{pane};
  bool changed = false;
  for (const platform::Rect& cover : covers) {
    if (Empty(cover)) continue;
    std::vector<platform::Rect> next;
    for (const platform::Rect& piece : region) Subtract(piece, cover, next);
    if (next.size() != region.size() || !std::equal(next.begin(), next.end(), region.begin())) changed = true;
    region = std::move(next);
  }
  if (!changed) return PaneCoverage::Free;
  return region.empty() ? PaneCoverage::Covered : PaneCoverage::Partial;
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
