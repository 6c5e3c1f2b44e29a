// The range of a polynomial of one variable over a closed interval, and its real roots there.
//
// The extremes of p on [lo, hi] lie at the ends or at roots of p' inside. The roots of any
// polynomial inside the interval are isolated by the same rule one degree lower: the roots of
// its derivative split [lo, hi] into pieces on which it is monotone, so each piece holds at
// most one root, found by bisection where the piece's ends differ in sign. The recursion ends
// at a linear polynomial. Nothing is sampled: two extremes however close are both found.
//
// Coefficients run from the constant up: c[0] + c[1]·t + ... + c[d]·t^d.
#pragma once

#include <span>
#include <vector>

struct TValueRange {
  long double low = 0.0L;
  long double high = 0.0L;
  // True when the range holds v (the polynomial takes the value v somewhere on the interval).
  bool Holds(long double v) const { return low <= v && v <= high; }
};

// p(t) by Horner's rule.
long double PolynomialValue(std::span<const long double> c, long double t);

// The real roots of p in [lo, hi], ascending (a polynomial that is 0 throughout has none).
std::vector<long double> PolynomialRootsIn(std::span<const long double> c, long double lo,
                                           long double hi);

// The smallest and largest value of p on [lo, hi] (lo <= hi).
TValueRange PolynomialRange(std::span<const long double> c, long double lo, long double hi);
