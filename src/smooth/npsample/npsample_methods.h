// The two methods of the sample extension library, in unit coordinates:
//   1 thin-plate spline: the interpolant sum_j lambda_j phi(|p - p_j|) + a0 + a1 u + a2 v with
//     phi(r) = r^2 ln r, the lambdas orthogonal to the linear polynomials (Duchon's
//     minimiser of the bending energy), solved densely, so for at most kThinPlateMaxPoints
//   2 inverse-distance weighting: Shepard's weighted mean with weights |p - p_j|^-power
// Both give exact first and second derivatives; where the surface has none (a thin-plate
// second derivative at a node, an inverse-distance gradient at a node with power 1) the
// evaluation reports an error.
#pragma once

#include <cstdint>

namespace npsample {

inline constexpr int kThinPlateMaxPoints = 1500;

// The value (mode 0) or derivative (modes 1..5: d/du, d/dv, d2/du2, d2/dv2, d2/dudv).
struct TEvaluation {
  double value = 0.0;
  bool ok = false;
};

// Coefficients into wk (n + 3 doubles). False for too many points or a singular system.
bool ThinPlateSetup(int n, const double* x, const double* y, const double* z, double* wk);
TEvaluation ThinPlateEval(double u, double v, int n, const double* x, const double* y,
                          const double* wk, int mode);

TEvaluation InverseDistanceEval(double u, double v, int n, const double* x, const double* y,
                                const double* z, int power, int mode);

}  // namespace npsample
