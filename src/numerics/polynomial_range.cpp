#include "numerics/polynomial_range.h"

#include <algorithm>
#include <cmath>

namespace {

// Enough halvings to reach the spacing of long doubles from any bracket of finite numbers.
constexpr int kBisections = 20000;

// Degree of p: the last coefficient that is not 0, or -1 for the zero polynomial.
int Degree(std::span<const long double> c) {
  int d = static_cast<int>(c.size()) - 1;
  while (d >= 0 && c[static_cast<std::size_t>(d)] == 0.0L) --d;
  return d;
}

bool OppositeSigns(long double a, long double b) { return (a < 0.0L && b > 0.0L) || (a > 0.0L && b < 0.0L); }

// The root of p in [a, b], whose ends differ in sign, by bisection down to adjacent numbers.
long double Bisect(std::span<const long double> c, long double a, long double b, long double fa) {
  for (int i = 0; i < kBisections; ++i) {
    const long double mid = a + (b - a) / 2;
    if (mid <= a || mid >= b) break;
    const long double fm = PolynomialValue(c, mid);
    if (fm == 0.0L) return mid;
    if (OppositeSigns(fa, fm)) {
      b = mid;
    } else {
      a = mid;
      fa = fm;
    }
  }
  return a + (b - a) / 2;
}

}  // namespace

long double PolynomialValue(std::span<const long double> c, long double t) {
  long double v = 0.0L;
  for (std::size_t i = c.size(); i-- > 0;) v = v * t + c[i];
  return v;
}

std::vector<long double> PolynomialRootsIn(std::span<const long double> c, long double lo,
                                           long double hi) {
  std::vector<long double> roots;
  const int d = Degree(c);
  if (d < 1 || !(lo <= hi)) return roots;
  const std::span<const long double> p = c.first(static_cast<std::size_t>(d) + 1);
  if (d == 1) {
    const long double t = -p[0] / p[1];
    if (lo <= t && t <= hi) roots.push_back(t);
    return roots;
  }
  std::vector<long double> derivative(static_cast<std::size_t>(d));
  for (int k = 1; k <= d; ++k)
    derivative[static_cast<std::size_t>(k - 1)] = static_cast<long double>(k) * p[static_cast<std::size_t>(k)];
  // The pieces on which p is monotone.
  std::vector<long double> ends = PolynomialRootsIn(derivative, lo, hi);
  ends.insert(ends.begin(), lo);
  ends.push_back(hi);
  long double a = ends[0], fa = PolynomialValue(p, a);
  if (fa == 0.0L) roots.push_back(a);
  for (std::size_t i = 1; i < ends.size(); ++i) {
    const long double b = ends[i], fb = PolynomialValue(p, b);
    if (fb == 0.0L) {
      if (roots.empty() || roots.back() != b) roots.push_back(b);
    } else if (OppositeSigns(fa, fb)) {
      roots.push_back(Bisect(p, a, b, fa));
    }
    a = b;
    fa = fb;
  }
  return roots;
}

TValueRange PolynomialRange(std::span<const long double> c, long double lo, long double hi) {
  TValueRange r;
  r.low = r.high = PolynomialValue(c, lo);
  const auto take = [&r, c](long double t) {
    const long double v = PolynomialValue(c, t);
    r.low = std::min(r.low, v);
    r.high = std::max(r.high, v);
  };
  take(hi);
  const int d = Degree(c);
  if (d >= 2) {
    std::vector<long double> derivative(static_cast<std::size_t>(d));
    for (int k = 1; k <= d; ++k)
      derivative[static_cast<std::size_t>(k - 1)] = static_cast<long double>(k) * c[static_cast<std::size_t>(k)];
    for (long double t : PolynomialRootsIn(derivative, lo, hi)) take(t);
  }
  return r;
}
