#include "fit/fit_options_form.h"

#include <algorithm>

namespace {

constexpr int kSortCodes[kSortRadioCount] = {1, 2, 4, 8};

std::uint32_t Clamped(long value, std::uint32_t lo, std::uint32_t hi) {
  return static_cast<std::uint32_t>(std::clamp<long>(value, lo, hi));
}

}  // namespace

int SortCodeOfRadio(int radio) {
  return radio >= 0 && radio < kSortRadioCount ? kSortCodes[radio] : 0;
}

TFitOptionsForm FitOptionsFormOf(const TFitOptions& o) {
  TFitOptionsForm f;
  for (int r = 0; r < kSortRadioCount; ++r)
    if (o.sortCriterion & static_cast<std::uint32_t>(kSortCodes[r])) {
      f.sortRadio = r;
      break;
    }
  f.keep = o.keepSubset;
  f.highestTerms = static_cast<long>(o.highestTerm) + 1;
  f.digits = o.digitThreshold;
  f.autoSvd = o.autoSvd != 0;
  f.noDof = o.noDofForError != 0;
  f.iterations = o.maxIterations;
  f.convergeDigits = o.convergeDigits;
  f.robustMode = o.robustMode < kRobustRadioCount ? static_cast<int>(o.robustMode) : 0;
  return f;
}

void StoreFitOptionsForm(const TFitOptionsForm& f, const TFitOptions& openedWith,
                         TFitOptions& o) {
  const int opened = FitOptionsFormOf(openedWith).sortRadio;
  o.sortCriterion = f.sortRadio < 0 || f.sortRadio == opened
                        ? openedWith.sortCriterion
                        : static_cast<std::uint32_t>(SortCodeOfRadio(f.sortRadio));
  o.keepPolynomial = o.keepRational = o.keepSubset = Clamped(f.keep, kKeepCountMin, kKeepCountMax);
  o.highestTerm = Clamped(f.highestTerms - 1, kHighestTermMin, kHighestTermMax);
  o.digitThreshold = Clamped(f.digits, kDigitThresholdMin, kDigitThresholdMax);
  o.maxIterations = Clamped(f.iterations, kMaxIterationsMin, kMaxIterationsMax);
  o.convergeDigits = Clamped(f.convergeDigits, kConvergeDigitsMin, kConvergeDigitsMax);
  o.autoSvd = f.autoSvd ? 1 : 0;
  o.noDofForError = f.noDof ? 1 : 0;
  o.robustMode = static_cast<std::uint32_t>(std::clamp(f.robustMode, 0, kRobustRadioCount - 1));
}

TFitOptionsForm ResetFitOptionsForm() {
  TFitOptionsForm f;
  f.sortRadio = 0;
  f.keep = 10;
  f.highestTerms = 66;
  f.digits = 9;
  f.iterations = 200;
  f.convergeDigits = 6;
  return f;
}
