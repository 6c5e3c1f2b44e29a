#include "fit/fit_ranking.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "fit/fit_list.h"
#include "fit/fit_quicksort.h"

namespace {

// The share of the larger distance from 1 (SSE/SST) within which two r² are tied.
constexpr long double kR2TieShare = 1e-12L;

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
  bool converged;
  int m;
  int complexity;
  int equationNumber;
  long double r2, adjustedR2, fitStdError, f;
};

TRankKeys KeysOf(const TFitResult& r) {
  return {r.converged, r.m, r.complexity, r.equationNumber, r.r2, r.adjustedR2, r.fitStdError, r.f};
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
  // A fit that stopped short of its minimum is no least-squares fit: whatever its figures,
  // it ranks after every fit that reached its own (the order by equation number excepted,
  // which ranks nothing).
  const int base = code > kSortByParameterCount ? code - kSortByParameterCount : code;
  if (base != kByEquation && a.converged != b.converged) return a.converged;
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

// Whether two r² are equal to their rounding: their distances from 1 (the SSE over SST)
// agree to 1e-12 of the larger, or both are within a few units of the last place of 1. Two
// fits of one surface (a plane, and a cubic whose higher terms come out as rounding) have
// such r², and the one with fewer parameters explains the data as well with less.
bool R2Tied(long double a, long double b) {
  const long double shortfall = std::max(1.0L - a, 1.0L - b);
  return std::fabs(a - b) <= kR2TieShare * shortfall + 4 * std::numeric_limits<long double>::epsilon();
}

// After the sort by r² (codes 1 and 16): each run of fits whose r² is tied with that of the
// run's first (and, for 16, whose complexity is the same) is put in order of parameter
// count, then r², so that rounding does not decide between a fit and a larger one of the
// same r². The runs are taken from the top down, each from its own first fit.
void FewerParametersFirstAmongTies(std::span<std::unique_ptr<TFitResult>> fits, bool sameComplexity) {
  std::size_t i = 0;
  while (i < fits.size()) {
    std::size_t j = i + 1;
    while (j < fits.size() && R2Tied(fits[i]->r2, fits[j]->r2) && fits[j]->converged == fits[i]->converged &&
           (!sameComplexity || fits[j]->complexity == fits[i]->complexity))
      ++j;
    std::stable_sort(fits.begin() + static_cast<std::ptrdiff_t>(i), fits.begin() + static_cast<std::ptrdiff_t>(j),
                     [](const std::unique_ptr<TFitResult>& a, const std::unique_ptr<TFitResult>& b) {
                       return a->m != b->m ? a->m < b->m : a->r2 > b->r2;
                     });
    i = j;
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
  if (code == kByR2 || code == kByComplexity) FewerParametersFirstAmongTies(fits, code == kByComplexity);
}

void SortFitList(TFitList& list, int code) { SortFitResults(list.Ranked(), code); }
