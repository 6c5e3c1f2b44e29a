// When the residual sum of squares of a surface that passes through its data is 0.
//
// The interpolation kernels work in double precision, so an interpolant evaluated at its own
// data points misses each z by a few units in the last place of the values around it: the
// SSE of an exact surface comes out as 1e-27 instead of 0. Each residual within
// kRoundingResidual of the data's magnitude is rounding, and so is an SSE within
// kRoundingResidual² of the data's sum of squares (sum of z², not about the mean: the rounding
// scales with the values themselves, however little they vary). 1024 units of the double's
// epsilon (2.3e-13) leave room for the kernels' growth of error and are still far below the
// 15 to 17 digits any data file holds.
#pragma once

#include <cfloat>

inline constexpr long double kRoundingResidual = 1024.0L * DBL_EPSILON;

// The SSE as it is shown: 0 when it is rounding noise of data whose z² sum to `zSquares`; any
// other SSE (the missing value included) as it is.
inline long double RoundingNoiseAsZero(long double sse, long double zSquares) {
  return sse >= 0.0L && sse <= kRoundingResidual * kRoundingResidual * zSquares ? 0.0L : sse;
}
