// The twelve ways the non-linear catalogue combines a one-dimensional shape in x with one in
// y, written once over any pair of shapes, and the shapes' common repairs. The peak,
// transition, exponential and power evaluators (peak_shapes.cpp, transition_shapes.cpp,
// exponential_power_shapes.cpp) are instances of these templates; nothing outside those files
// needs this header.
//
// A shape type S describes the factor F(t; 1, s) of unit amplitude with K = S::kParams shape
// parameters s[0..K-1] (centre and width, or one decay length or exponent):
//
//   static void Repair(long double* s)            repairs degenerate parameters in place; the
//                                                 repaired values go back into the caller's
//                                                 vector, so a fit continues from them
//   static long double Abscissa(long double t)    the abscissa the shape is evaluated at (a
//                                                 logarithmic shape moves t <= 0 to 1e-12 for
//                                                 this evaluation only)
//   static long double Value(t, s, d)             F, and when d is not null d[j] = dF/ds_j
//
// Parameter layouts (1-based, a = p1; K shape parameters per axis, the last one the width):
//
//   Product        a Fx Fy                       a, sx, sy                      1 + 2K
//   ProductShared  a Fx Fy, one width            a, sx without width, width,    2K
//                                                sy without width
//   Sum            a Fx + d Fy                   a, sx, d, sy                   2 + 2K
//   LineY / LineX  a + b y + c Fx (x, Fy)        a, b, c, sx (sy)               3 + K
//   QuadY / QuadX  a + b y + c y² + d Fx         a, b, c, d, sx (sy)            4 + K
//   Synergy        a Fx + d Fy + g Fx Fy         a, sx, d, sy, g                3 + 2K
//
// and each of Product, ProductShared, Sum and Synergy once more behind a constant offset
// (`EvalPeakWithOffset`). Every factor is computed once and its value serves z and every
// derivative; no evaluator allocates.
#pragma once

#include <array>
#include <cmath>

#include "fit/nonlinear_catalogue.h"

namespace nonlinear_forms {

// What a zero or undefined width, scale or location is replaced by.
inline constexpr long double kRepaired = 1e-12L;

// A width that is exactly 0 or not a number; a negative width is kept (it mirrors the shape).
inline void RepairWidth(long double& w) {
  if (w == 0.0L || std::isnan(w)) w = kRepaired;
}
// A location or scale that must be positive: 0 or less, or not a number.
inline void RepairPositive(long double& v) {
  if (!(v > 0.0L)) v = kRepaired;
}
inline long double PositiveAbscissa(long double t) { return t > 0.0L ? t : kRepaired; }

template <class SX, class SY>
struct Forms {
  static_assert(SX::kParams == SY::kParams);
  static constexpr int K = SX::kParams;

  // The x and y factors with their shape parameters taken from (and repaired in) `a`.
  struct Factors {
    long double fx, fy;
    long double dx[K], dy[K];
  };

  static void EvalX(long double x, long double* s, long double& f, long double* d) {
    SX::Repair(s);
    f = SX::Value(SX::Abscissa(x), s, d);
  }
  static void EvalY(long double y, long double* s, long double& f, long double* d) {
    SY::Repair(s);
    f = SY::Value(SY::Abscissa(y), s, d);
  }

  // z = a Fx Fy.
  static void Product(long double x, long double y, long double* a, long double* z,
                      long double* dz) {
    long double fx, fy, dx[K], dy[K];
    EvalX(x, a + 2, fx, dz ? dx : nullptr);
    EvalY(y, a + 2 + K, fy, dz ? dy : nullptr);
    *z = a[1] * fx * fy;
    if (!dz) return;
    dz[1] = fx * fy;
    for (int j = 0; j < K; ++j) {
      dz[2 + j] = a[1] * fy * dx[j];
      dz[2 + K + j] = a[1] * fx * dy[j];
    }
  }

  // z = a Fx Fy with one width (the last shape parameter) for both axes.
  static void ProductShared(long double x, long double y, long double* a, long double* z,
                            long double* dz) {
    long double fx, fy, dx[K], dy[K];
    EvalX(x, a + 2, fx, dz ? dx : nullptr);  // a[2..K+1]: x location(s), then the width
    long double sy[K];
    for (int j = 0; j < K - 1; ++j) sy[j] = a[K + 2 + j];
    sy[K - 1] = a[K + 1];
    EvalY(y, sy, fy, dz ? dy : nullptr);
    for (int j = 0; j < K - 1; ++j) a[K + 2 + j] = sy[j];
    a[K + 1] = sy[K - 1];
    *z = a[1] * fx * fy;
    if (!dz) return;
    dz[1] = fx * fy;
    for (int j = 0; j < K - 1; ++j) {
      dz[2 + j] = a[1] * fy * dx[j];
      dz[K + 2 + j] = a[1] * fx * dy[j];
    }
    dz[K + 1] = a[1] * (fy * dx[K - 1] + fx * dy[K - 1]);
  }

  // z = a Fx + d Fy.
  static void Sum(long double x, long double y, long double* a, long double* z, long double* dz) {
    long double fx, fy, dx[K], dy[K];
    EvalX(x, a + 2, fx, dz ? dx : nullptr);
    EvalY(y, a + 3 + K, fy, dz ? dy : nullptr);
    const long double ay = a[2 + K];
    *z = a[1] * fx + ay * fy;
    if (!dz) return;
    dz[1] = fx;
    dz[2 + K] = fy;
    for (int j = 0; j < K; ++j) {
      dz[2 + j] = a[1] * dx[j];
      dz[3 + K + j] = ay * dy[j];
    }
  }

  // z = a + b t + (c t² +) amp F(other axis); `quad` adds the square term.
  template <bool onX, bool quad>
  static void Baseline(long double x, long double y, long double* a, long double* z,
                       long double* dz) {
    constexpr int amp = quad ? 4 : 3;  // index of the shape's amplitude
    const long double t = onX ? y : x;  // the baseline runs along the other axis
    long double f, d[K];
    if constexpr (onX)
      EvalX(x, a + amp + 1, f, dz ? d : nullptr);
    else
      EvalY(y, a + amp + 1, f, dz ? d : nullptr);
    long double base = a[1] + a[2] * t;
    if constexpr (quad) base += a[3] * t * t;
    *z = base + a[amp] * f;
    if (!dz) return;
    dz[1] = 1.0L;
    dz[2] = t;
    if constexpr (quad) dz[3] = t * t;
    dz[amp] = f;
    for (int j = 0; j < K; ++j) dz[amp + 1 + j] = a[amp] * d[j];
  }

  // z = a Fx + d Fy + g Fx Fy: the interaction shares each axis's shape parameters.
  static void Synergy(long double x, long double y, long double* a, long double* z,
                      long double* dz) {
    long double fx, fy, dx[K], dy[K];
    EvalX(x, a + 2, fx, dz ? dx : nullptr);
    EvalY(y, a + 3 + K, fy, dz ? dy : nullptr);
    const long double ay = a[2 + K], g = a[3 + 2 * K];
    *z = a[1] * fx + ay * fy + g * fx * fy;
    if (!dz) return;
    dz[1] = fx;
    dz[2 + K] = fy;
    dz[3 + 2 * K] = fx * fy;
    for (int j = 0; j < K; ++j) {
      dz[2 + j] = (a[1] + g * fy) * dx[j];
      dz[3 + K + j] = (ay + g * fx) * dy[j];
    }
  }

  template <TNonlinearEvaluator inner>
  static void WithOffset(long double x, long double y, long double* a, long double* z,
                         long double* dz) {
    EvalPeakWithOffset(inner, x, y, a, z, dz);
  }

  // The twelve forms in catalogue order.
  static constexpr std::array<TNonlinearEvaluator, 12> Table() {
    return {Product,
            WithOffset<Product>,
            ProductShared,
            WithOffset<ProductShared>,
            Sum,
            WithOffset<Sum>,
            Baseline<true, false>,   // LineY: a + b y + c F(x)
            Baseline<false, false>,  // LineX: a + b x + c F(y)
            Baseline<true, true>,    // QuadY
            Baseline<false, true>,   // QuadX
            Synergy,
            WithOffset<Synergy>};
  }
};

// Parameter counts of the twelve forms for K shape parameters per axis.
constexpr int FormParameterCount(int form, int K) {
  constexpr int kBase[12][2] = {{1, 2}, {2, 2}, {0, 2}, {1, 2}, {2, 2}, {3, 2},
                                {3, 1}, {3, 1}, {4, 1}, {4, 1}, {3, 2}, {4, 2}};
  return kBase[form][0] + kBase[form][1] * K;
}

// The tables of several blocks, one after the other.
template <std::size_t N, std::size_t... M>
constexpr std::array<TNonlinearEvaluator, (N + ... + M)> JoinTables(
    const std::array<TNonlinearEvaluator, N>& first,
    const std::array<TNonlinearEvaluator, M>&... rest) {
  std::array<TNonlinearEvaluator, (N + ... + M)> out{};
  std::size_t i = 0;
  for (TNonlinearEvaluator e : first) out[i++] = e;
  (..., [&] {
    for (TNonlinearEvaluator e : rest) out[i++] = e;
  }());
  return out;
}

}  // namespace nonlinear_forms
