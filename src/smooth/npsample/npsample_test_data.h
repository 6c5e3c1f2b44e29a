// Test problems of the sample extension library for the algorithm test command: Franke's
// six test functions and the four of Renka and Brown's accuracy tests of scattered-data
// interpolation (ACM TOMS 792), each with its exact first derivatives, and five node sets
// in the unit square.
#pragma once

namespace npsample {

inline constexpr int kTestFunctionCount = 10;
inline constexpr int kNodeSetCount = 5;
inline constexpr int kMaxNodes = 100;

struct TFunctionValue {
  double f = 0, fx = 0, fy = 0;
};

// Functions 1..10 (anything else: all 0):
//   1 exponential (Franke's), 2 cliff, 3 saddle, 4 gentle, 5 steep, 6 sphere (0 outside
//   its circle of radius 8/9), 7 trigonometric, 8 synergistic Gaussian, 9 cloverleaf
//   asymmetric hill and valley, 10 cosine peak (gradient 0 at its centre).
TFunctionValue TestFunction(int function, double x, double y);

// Node sets 1..5 into x and y (room for kMaxNodes each); answers the count (0 for another
// number):
//   1 100 points of the Halton sequence in bases 2 and 3
//   2  33 points of the Halton sequence in bases 5 and 7
//   3  25 points, the 5 x 5 grid on [0, 1]
//   4 100 points from a linear congruential generator
//   5  81 points, the 9 x 9 grid on [0, 1]
int NodeSet(int set, double* x, double* y);

}  // namespace npsample
