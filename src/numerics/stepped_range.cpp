#include "numerics/stepped_range.h"

#include <algorithm>
#include <cmath>

long double StepQuotientRounding(long double start, long double step, long double end) {
  constexpr long double kRoundings = 0x1p-50L;
  return kRoundings * (std::fabs(start) + std::fabs(end)) / std::fabs(step);
}

long double WholeWithinRounding(long double q, long double rounding) {
  if (!std::isfinite(q)) return q;
  const long double whole = std::round(q);
  return std::fabs(q - whole) <= rounding ? whole : q;
}

long double TSteppedRange::At(long double k) const {
  if (endsOnEnd && k + 1 == count) return end;
  return k == 0 ? start : start + k * step;  // an infinite step has the start alone
}

TSteppedRange SteppedRange(long double start, long double step, long double end) {
  TSteppedRange r;
  r.start = start;
  r.step = step;
  r.end = end;
  if (!std::isfinite(start) || !std::isfinite(end)) return r;
  if (start == end) {
    r.count = 1;
    r.endsOnEnd = true;
    return r;
  }
  const long double q = WholeWithinRounding((end - start) / step, StepQuotientRounding(start, step, end));
  // A quotient that is negative (a step pointing away from the end), infinite (a step of 0)
  // or not a number gives no values; an infinite step gives the start alone.
  if (!(q >= 0) || !std::isfinite(q)) return r;
  const long double whole = std::floor(q);
  r.count = whole + 1;
  r.endsOnEnd = whole == q && std::isfinite(step);
  return r;
}

long double EvenlySpacedNode(long double lo, long double hi, int i, int n) {
  if (n < 2) return lo;
  if (i == n - 1) return hi;
  return lo + static_cast<long double>(i) * (hi - lo) / static_cast<long double>(n - 1);
}
