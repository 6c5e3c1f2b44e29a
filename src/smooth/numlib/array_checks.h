// Checks of the arrays handed to the numerical library's grid routines.
#pragma once

#include <cmath>
#include <cstddef>

// Whether v[0 .. n - 1] are all finite.
inline bool AllFinite(const double* v, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}
inline bool AllFinite(const double* v, int n) {
  return n <= 0 || AllFinite(v, static_cast<std::size_t>(n));
}

// Whether v[0 .. n - 1] rise strictly (false when any is not a number).
inline bool StrictlyIncreasing(const double* v, int n) {
  for (int i = 1; i < n; ++i)
    if (!(v[i] > v[i - 1])) return false;
  return true;
}
