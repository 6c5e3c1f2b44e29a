// Central differences of a function of an offset along one or two axes, shared by the
// view function's derivatives and the language's "DX", "DX2", "DY", "DY2" and "DXY".
//
// A derivative is only as good as every value it is made of: one missing value makes
// the derivative missing rather than a huge difference quotient.
#pragma once

#include <initializer_list>

#include "app/long_double.h"

namespace finite_differences {

inline bool AnyMissing(std::initializer_list<long double> values) {
  for (long double v : values) {
    if (v == ExprErrorValue) return true;
  }
  return false;
}

// (f(h) - f(-h)) / 2h, evaluated in that order.
template <typename F>
long double First(long double h, F f) {
  const long double f1 = f(h);
  const long double f0 = f(-h);
  if (AnyMissing({f1, f0})) return ExprErrorValue;
  return (f1 - f0) / (2 * h);
}

// ((f(2h) - f(0)) / 2h - (f(0) - f(-2h)) / 2h) / 2h.
template <typename F>
long double Second(long double h, F f) {
  const long double z0 = f(0);
  const long double f1 = f(2 * h);
  const long double f0 = f(-2 * h);
  if (AnyMissing({z0, f1, f0})) return ExprErrorValue;
  const long double d1 = (f1 - z0) / (2 * h);
  const long double d2 = (z0 - f0) / (2 * h);
  return (d1 - d2) / (2 * h);
}

// (f(hx, hy) - f(hx, -hy) - f(-hx, hy) + f(-hx, -hy)) / 4 hx hy, in that order.
template <typename F>
long double Mixed(long double hx, long double hy, F f) {
  const long double fpp = f(hx, hy);
  const long double fpm = f(hx, -hy);
  const long double fmp = f(-hx, hy);
  const long double fmm = f(-hx, -hy);
  if (AnyMissing({fpp, fpm, fmp, fmm})) return ExprErrorValue;
  return (fpp - fpm - fmp + fmm) / (4 * hx * hy);
}

}  // namespace finite_differences
