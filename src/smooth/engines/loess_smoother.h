// TLoess3D: locally weighted regression (loess) of scattered XYZ points, after Cleveland's
// method in two variables. At a query point it takes the nearest data points, weights them
// by their distance along each axis (tricube or Gaussian), fits a local model of total
// degree 1 to 4 by weighted least squares and returns the model's value and exact partial
// derivatives up to the fourth order. An ill-conditioned local fit widens the neighbourhood
// one point at a time, reusing the prefix of one sorted neighbour list.
//
// Local models (loess_local_models.cpp):
//   basis 0  monomials in x and y, degree 1 (plane by Cramer's rule), 2 or 3
//   basis 1  products of Chebyshev polynomials of the coordinates scaled to [-1, 1]
//   basis 2  products of cos(k t) of the coordinates scaled to [0, pi]
// A fit that may still be retried with a larger neighbourhood is solved by LU, whose
// determinant decides whether it is accepted; the last attempt uses Gaussian elimination
// and is accepted whenever it solves.
//
// Evaluate keeps everything it computes in the call; two smoothers may be used at once, but
// one smoother by one thread at a time (the neighbour search is its own).
#pragma once

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "app/xyz_data_set.h"
#include "app/xyz_point.h"
#include "smooth/kernels/nearest_points.h"

// The result record: value, then the derivatives grouped by order.
//   0 z; 1, 2 dz/dx, dz/dy; 3, 4, 5 d2z/dx2, d2z/dxdy, d2z/dy2;
//   6..9 d3z/dx3, d3z/dx2dy, d3z/dxdy2, d3z/dy3; 10..14 d4z/dx4 .. d4z/dy4.
using TLoessResult = std::array<long double, 15>;

// Request flags, OR-ed: the groups of the result record to write.
enum TLoessFlag : int {
  kLoessValue = 1,
  kLoessFirst = 2,
  kLoessSecond = 4,
  kLoessThird = 8,
  kLoessFourth = 16,
};

enum class TLoessBasis : int { kMonomial = 0, kChebyshev = 1, kCosine = 2 };
enum class TLoessKernel : int { kTricube = 0, kGaussian = 1 };

struct TLoessOptions {
  TLoessBasis basis = TLoessBasis::kChebyshev;
  int degree = 2;           // 1..4 (1..3 with monomials)
  int count = 13;           // neighbours of the first attempt
  bool raiseCount = true;   // the largest neighbourhood holds at least 10 points per degree
  TLoessKernel kernel = TLoessKernel::kTricube;
};

// The window on which the neighbour search quantises coordinates.
struct TLoessWindow {
  long double xLow = 0, xHigh = 1, yLow = 0, yHigh = 1;
};

// Maps the coordinates of one neighbourhood into the range of basis 1 or 2:
// u = (x - xOrigin) / xUnit, v = (y - yOrigin) / yUnit.
struct TLoessScale {
  long double xOrigin = 0, xUnit = 1, yOrigin = 0, yUnit = 1;
};

class TLoess3D {
 public:
  // Reads records 1..N of `data` (N from its header) while it is constructed; the caller may
  // release the table afterwards. A degree outside the basis's range is pulled into it.
  TLoess3D(std::span<TXYZPoint> data, const TLoessWindow& window, const TLoessOptions& options);
  TLoess3D(const TLoess3D&) = delete;
  TLoess3D& operator=(const TLoess3D&) = delete;

  // The estimate at (x, y) into the groups of `result` that `flags` asks for. 1: a local fit
  // was accepted. 0 with the result untouched: no neighbour list. 0 with the fallback (the
  // mean z of the largest neighbourhood, zero derivatives): no attempt's fit solved.
  [[nodiscard]] int Evaluate(long double x, long double y, TLoessResult& result, int flags);

  int PointCount() const { return pointCount_; }
  const TLoessOptions& Options() const { return options_; }

  // The local models. A neighbour list holds records 1..n (n in the X of record 0) with X,
  // Y, Z and the weight W; the coefficients receive the model's terms in the basis's order.
  // Each returns 1, or 0 when the normal matrix is singular (measure untouched then).
  [[nodiscard]] static int FitPlane(std::span<const TXYZPoint> list, long double* coefficients);
  [[nodiscard]] static int FitQuadratic(std::span<const TXYZPoint> list, long double* coefficients,
                                        long double& measure, bool retry);
  [[nodiscard]] static int FitCubic(std::span<const TXYZPoint> list, long double* coefficients,
                                    long double& measure, bool retry);
  // m + 1 terms (3, 6, 10 or 15: degree 1..4).
  [[nodiscard]] static int FitChebyshev(std::span<const TXYZPoint> list, long double* coefficients,
                                        int m, const TLoessScale& scale, long double& measure,
                                        bool retry);
  [[nodiscard]] static int FitCosine(std::span<const TXYZPoint> list, long double* coefficients,
                                     int m, const TLoessScale& scale, long double& measure,
                                     bool retry);
  // Gaussian elimination with partial pivoting, the upper row winning ties, on n row
  // pointers; the solution replaces b. 1, or 0 on a zero pivot.
  [[nodiscard]] static int SolveGauss(long double* const* rows, long double* b, int n);
  // The model of `basis` and `degree` with these coefficients at (x, y), into the groups of
  // `result` that `flags` asks for (the scale record is not used with basis 0).
  static void EvalLocalModel(TLoessBasis basis, int degree, long double x, long double y,
                             const long double* coefficients, int flags,
                             const TLoessScale& scale, TLoessResult& result);

 private:
  // The `count` points nearest to (x, y): the nearest, or, where they lie along a line of
  // points (points measured along lines), the nearest in the distance stretched along it
  // (line_neighbourhood.h), so that the local model reaches the lines beside it: across the
  // lines the points of one told nothing but its wiggle, and the model read the rise along
  // the line as a slope across it (11 lines of 401 points, data 1 to 6.15: -14,417 .. 16,146).
  PointTable Neighbours(long double x, long double y, int count) const;
  [[nodiscard]] int FitAttempt(std::span<const TXYZPoint> list, int degree, long double* coefficients,
                               const TLoessScale& scale, long double& measure, bool retry) const;

  std::unique_ptr<TXYZ> search_;
  // The points as doubles, and their nearest-point index: the neighbourhoods across lines.
  std::vector<TXYZPoint> records_;
  std::vector<double> xs_, ys_;
  std::unique_ptr<TNearestPoints> nearest_;
  TLoessOptions options_;
  int pointCount_ = 0;
  TLoessWindow window_;
};
