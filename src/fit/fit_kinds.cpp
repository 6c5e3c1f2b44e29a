#include "fit/fit_kinds.h"

#include <algorithm>
#include <cstddef>

namespace {

// Non-linear flag ranges of the kinds that choose their own.
constexpr int kPeakFlagsEnd = 72;             // 0..71: the six peak shapes
constexpr int kTransitionFlagsEnd = 144;      // 72..143: the six transition shapes
constexpr int kRobustPlaneFirstFlag = 168;    // 168..171: the robust plane equations

constexpr int kKindOfBackgroundType[kBackgroundFitTypeCount] = {
    -1, kFitKindAll, kFitKindLinear, kFitKindSimple, kFitKindRobustPlane, kFitKindPolynomial,
    kFitKindRational, kFitKindPolyRational, kFitKindPeak, kFitKindTransition,
    kFitKindCustomSet, kFitKindUserFunctions};

void SetFlags(TFitSelection& s, int first, int end, std::uint8_t value) {
  std::fill(s.nonlinear.begin() + first, s.nonlinear.begin() + end, value);
}

}  // namespace

int FitKindOfBackgroundType(int type) {
  return type >= 0 && type < kBackgroundFitTypeCount ? kKindOfBackgroundType[type] : -1;
}

void SetSelectionForFitKind(int kind, TFitSelection& s, TFitOptions& o) {
  if (kind <= kFitKindCustomSet || kind >= kFitKindCount) return;
  struct Masks {
    std::uint32_t poly, rat, subset;
  };
  static constexpr Masks kMasks[kFitKindCount] = {
      {0, 0, 0},                                    // custom set: not used
      {kPolyMaskAll, kRatMaskAll, kSubsetMaskAll},  // all
      {kPolyMaskAll, kRatMaskAll, kSubsetMaskAll},  // linear
      {63, 27, kSubsetMaskAll},                     // simple
      {kPolyMaskAll, 0, 0},                         // polynomial
      {0, kRatMaskAll, 0},                          // rational
      {kPolyMaskAll, kRatMaskAll, 0},               // polynomial and rational
      {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0},   // user functions, peak, transition, plane
  };
  const Masks& m = kMasks[kind];
  s.polynomialMask = m.poly;
  s.rationalMask = m.rat;
  s.subsetMask = m.subset;

  switch (kind) {
    case kFitKindAll:
      SetFlags(s, 0, kNonlinearEquationCount, 1);
      break;
    case kFitKindPeak:
      SetFlags(s, 0, kPeakFlagsEnd, 1);
      SetFlags(s, kPeakFlagsEnd, kNonlinearEquationCount, 0);
      break;
    case kFitKindTransition:
      // The exponential, power and robust-plane flags stay as the custom set has them, so
      // a custom set with exponential equations adds them to a transition fit.
      SetFlags(s, 0, kPeakFlagsEnd, 0);
      SetFlags(s, kPeakFlagsEnd, kTransitionFlagsEnd, 1);
      break;
    case kFitKindRobustPlane:
      SetFlags(s, 0, kRobustPlaneFirstFlag, 0);
      SetFlags(s, kRobustPlaneFirstFlag, kNonlinearEquationCount, 1);
      break;
    default:
      SetFlags(s, 0, kNonlinearEquationCount, 0);
      break;
  }
  if (kind == kFitKindSimple) o.highestTerm = 2;
  if (kind >= kFitKindUserFunctions) o.highestTerm = 10;
}
