// Whether a sign change that a bracket search has narrowed down is a root.
//
// Bisection and Brent's method look for a place where f - z changes sign, and converge on
// one whether f passes through z there or not: at a pole (1/(x - 5.3)) or a jump (a step) f - z
// changes sign without ever coming near 0, and the search ends beside the pole with values
// of 1e12 and more, or beside the jump with values as large as at the bracket's ends. A
// root is where f - z is small: narrowed to neighbouring numbers, |f - z| at a root falls to
// the rounding of f, many orders below its values at the ends of the bracket it was found
// in, while at a pole it grows and at a jump it stays.
//
// kRootShrink is the share of the bracket's larger end value that f - z must fall below. A
// surface evaluated to its last digits falls some 1e-13 of it at a root found in a hundredth
// of a range; a jump smaller than a millionth of the change over the bracket reads as a root.
#pragma once

#include <algorithm>
#include <cmath>

inline constexpr long double kRootShrink = 1e-6L;

// True when |f - z| at the narrowed root, `atRoot`, is small beside its values at the ends
// of the bracket the search started from, `endA` and `endB`.
inline bool RootValueSmall(long double atRoot, long double endA, long double endB) {
  return std::fabs(atRoot) <= kRootShrink * std::max(std::fabs(endA), std::fabs(endB));
}

// The smaller |f| at the ends of [a, b] (fa and fb of opposite signs) narrowed by bisection
// down to neighbouring numbers: what f comes down to near the sign change. A failing f
// (answering false from `value(t, out)`) ends the narrowing with what was reached. The
// bound on the halvings is more than any two finite long doubles need to become neighbours.
template <class Value>
long double NarrowedSignChange(const Value& value, long double a, long double fa, long double b, long double fb) {
  constexpr int kHalvings = 20000;
  for (int i = 0; i < kHalvings; ++i) {
    const long double m = a + (b - a) / 2;
    if (m == a || m == b) break;
    long double fm = 0;
    if (!value(m, fm)) break;
    if (fm == 0) return 0;
    if ((fm < 0) == (fa < 0)) {
      a = m;
      fa = fm;
    } else {
      b = m;
      fb = fm;
    }
  }
  return std::min(std::fabs(fa), std::fabs(fb));
}
