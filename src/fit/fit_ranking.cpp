#include "fit/fit_ranking.h"

#include <utility>

#include "fit/fit_list.h"
#include "fit/fit_quicksort.h"

namespace {

enum BaseCode : int {
  kByR2 = 1,
  kByAdjustedR2 = 2,
  kByStdError = 4,
  kByF = 8,
  kByComplexity = 16,
  kByEquation = 64,
};

bool IsBaseCode(int code) {
  switch (code) {
    case kByR2:
    case kByAdjustedR2:
    case kByStdError:
    case kByF:
    case kByComplexity:
    case kByEquation: return true;
    default: return false;
  }
}

// The keys a ranking reads; the pivot is a copy of them.
struct TRankKeys {
  int m;
  int complexity;
  int equationNumber;
  long double r2, adjustedR2, fitStdError, f;
};

TRankKeys KeysOf(const TFitResult& r) {
  return {r.m, r.complexity, r.equationNumber, r.r2, r.adjustedR2, r.fitStdError, r.f};
}

// `before` when the keys differ; between equal keys the fit with fewer parameters ranks
// first: it explains the data as well with less (an exact fit of the plane before every
// larger one that passes through the same points).
bool OrFewerParameters(long double x, long double y, bool before, const TRankKeys& a, const TRankKeys& b) {
  return x != y ? before : a.m < b.m;
}

// True when a ranks before b. The statistics of a stored record are always numbers
// (fit_statistics.h), so every comparison is a strict order.
bool RanksBefore(const TRankKeys& a, const TRankKeys& b, int code) {
  if (code > kSortByParameterCount) {
    if (a.m != b.m) return a.m < b.m;
    code -= kSortByParameterCount;
  }
  switch (code) {
    case kByR2: return OrFewerParameters(a.r2, b.r2, a.r2 > b.r2, a, b);
    case kByAdjustedR2: return OrFewerParameters(a.adjustedR2, b.adjustedR2, a.adjustedR2 > b.adjustedR2, a, b);
    case kByStdError: return OrFewerParameters(a.fitStdError, b.fitStdError, a.fitStdError < b.fitStdError, a, b);
    case kByF: return OrFewerParameters(a.f, b.f, a.f > b.f, a, b);
    case kByComplexity:
      if (a.complexity != b.complexity) return a.complexity < b.complexity;
      return OrFewerParameters(a.r2, b.r2, a.r2 > b.r2, a, b);
    default: return a.equationNumber < b.equationNumber;
  }
}

}  // namespace

bool IsFitSortCode(int code) {
  if (code > kSortByParameterCount) return IsBaseCode(code - kSortByParameterCount);
  return IsBaseCode(code);
}

void SortFitResults(std::span<std::unique_ptr<TFitResult>> fits, int code) {
  if (fits.size() < 2 || !IsFitSortCode(code)) return;
  PartitionSort(
      0, static_cast<int>(fits.size()) - 1,
      [&fits](int i) { return KeysOf(*fits[static_cast<std::size_t>(i)]); },
      [code](const TRankKeys& a, const TRankKeys& b) { return RanksBefore(a, b, code); },
      [&fits](int i, int j) {
        std::swap(fits[static_cast<std::size_t>(i)], fits[static_cast<std::size_t>(j)]);
      });
}

void SortFitList(TFitList& list, int code) { SortFitResults(list.Ranked(), code); }
