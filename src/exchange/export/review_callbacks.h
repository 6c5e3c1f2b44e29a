// What the export writers know of the fit under review: its surface and the half-widths of
// its confidence and prediction bands, as the review window installs them, and the level in
// force. The writers evaluate the fit only through these, so they run headless and tests
// fill them from any surface.
#pragma once

#include <functional>

struct TReviewCallbacks {
  // z(x, y) of the current fit, or the missing value.
  std::function<long double(long double x, long double y)> ReviewEvalZ;
  // Half-widths c(x, y, z) and p(x, y, z) of the bands, or the missing value.
  std::function<long double(long double x, long double y, long double z)> ReviewConfidenceLimit;
  std::function<long double(long double x, long double y, long double z)> ReviewPredictionLimit;
  // Clears the calling thread's math error and tells whether one had been raised since the
  // last call; empty when the surface raises none.
  std::function<bool()> TakeMathError;
  // 0..4: 90.00, 95.00, 99.00, 99.90, 99.99 %.
  int LimitsLevel = 1;
};
