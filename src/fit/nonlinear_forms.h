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
// A shape that reads only the logarithm of its abscissa declares kReadsLog = true instead of
// Abscissa, and its Value takes ln t (of t moved to 1e-12 when t <= 0, `LogAbscissa`). Such a
// logarithm depends on the point alone: the point evaluators (`PointTable`) read it from the
// point's precomputed abscissae, the plain evaluators (`Table`) compute it; both give the
// same bits.
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
// and each of Product, ProductShared, Sum and Synergy once more behind a constant offset. Every factor is computed once and its value serves z and every
// derivative; no evaluator allocates.
#pragma once

#include <array>
#include <cmath>

#include "fit/nonlinear_catalogue.h"

namespace nonlinear_forms {

// What a zero or undefined width, scale or location is replaced by.
inline constexpr long double kRepaired = kRepairedAbscissa;

// A width that is exactly 0 or not a number; a negative width is kept (it mirrors the shape).
inline void RepairWidth(long double& w) {
  if (w == 0.0L || std::isnan(w)) w = kRepaired;
}
// A location or scale that must be positive: 0 or less, or not a number.
inline void RepairPositive(long double& v) {
  if (!(v > 0.0L)) v = kRepaired;
}

template <class S>
concept ReadsLog = requires { requires S::kReadsLog; };

// What shape S reads of an abscissa t: t as the shape takes it, or ln t.
template <class S>
long double ShapeArgument(long double t) {
  if constexpr (ReadsLog<S>)
    return LogAbscissa(t);
  else
    return S::Abscissa(t);
}
template <class S>
long double ShapeArgument(long double t, long double logT) {
  if constexpr (ReadsLog<S>)
    return logT;
  else
    return S::Abscissa(t);
}

// The point of a plain evaluator: the logarithms are computed when a shape reads them.
struct XYPoint {
  long double x, y;
};
template <class S>
long double ArgumentX(const XYPoint& p) { return ShapeArgument<S>(p.x); }
template <class S>
long double ArgumentY(const XYPoint& p) { return ShapeArgument<S>(p.y); }
template <class S>
long double ArgumentX(const TShapePoint& p) { return ShapeArgument<S>(p.x, p.logX); }
template <class S>
long double ArgumentY(const TShapePoint& p) { return ShapeArgument<S>(p.y, p.logY); }

template <class SX, class SY>
struct Forms {
  static_assert(SX::kParams == SY::kParams);
  static constexpr int K = SX::kParams;

  template <class P>
  static void EvalX(const P& pt, long double* s, long double& f, long double* d) {
    SX::Repair(s);
    f = SX::Value(ArgumentX<SX>(pt), s, d);
  }
  template <class P>
  static void EvalY(const P& pt, long double* s, long double& f, long double* d) {
    SY::Repair(s);
    f = SY::Value(ArgumentY<SY>(pt), s, d);
  }

  // z = a Fx Fy.
  template <class P>
  static void Product(const P& pt, long double* a, long double* z, long double* dz) {
    long double fx, fy, dx[K], dy[K];
    EvalX(pt, a + 2, fx, dz ? dx : nullptr);
    EvalY(pt, a + 2 + K, fy, dz ? dy : nullptr);
    // Read once: the stores into dz below could otherwise be taken to change it.
    const long double amp = a[1];
    *z = amp * fx * fy;
    if (!dz) return;
    dz[1] = fx * fy;
    for (int j = 0; j < K; ++j) {
      dz[2 + j] = amp * fy * dx[j];
      dz[2 + K + j] = amp * fx * dy[j];
    }
  }

  // z = a Fx Fy with one width (the last shape parameter) for both axes.
  template <class P>
  static void ProductShared(const P& pt, long double* a, long double* z, long double* dz) {
    long double fx, fy, dx[K], dy[K];
    EvalX(pt, a + 2, fx, dz ? dx : nullptr);  // a[2..K+1]: x location(s), then the width
    long double sy[K];
    for (int j = 0; j < K - 1; ++j) sy[j] = a[K + 2 + j];
    sy[K - 1] = a[K + 1];
    EvalY(pt, sy, fy, dz ? dy : nullptr);
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
  template <class P>
  static void Sum(const P& pt, long double* a, long double* z, long double* dz) {
    long double fx, fy, dx[K], dy[K];
    EvalX(pt, a + 2, fx, dz ? dx : nullptr);
    EvalY(pt, a + 3 + K, fy, dz ? dy : nullptr);
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
  template <bool onX, bool quad, class P>
  static void Baseline(const P& pt, long double* a, long double* z, long double* dz) {
    constexpr int amp = quad ? 4 : 3;  // index of the shape's amplitude
    const long double t = onX ? pt.y : pt.x;  // the baseline runs along the other axis
    long double f, d[K];
    if constexpr (onX)
      EvalX(pt, a + amp + 1, f, dz ? d : nullptr);
    else
      EvalY(pt, a + amp + 1, f, dz ? d : nullptr);
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
  template <class P>
  static void Synergy(const P& pt, long double* a, long double* z, long double* dz) {
    long double fx, fy, dx[K], dy[K];
    EvalX(pt, a + 2, fx, dz ? dx : nullptr);
    EvalY(pt, a + 3 + K, fy, dz ? dy : nullptr);
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

  // Form 0..11 of the catalogue at a point.
  template <int form, class P>
  static void Evaluate(const P& pt, long double* a, long double* z, long double* dz) {
    if constexpr (form == 0 || form == 2 || form == 4 || form == 10) {
      if constexpr (form == 0) Product(pt, a, z, dz);
      if constexpr (form == 2) ProductShared(pt, a, z, dz);
      if constexpr (form == 4) Sum(pt, a, z, dz);
      if constexpr (form == 10) Synergy(pt, a, z, dz);
    } else if constexpr (form == 1 || form == 3 || form == 5 || form == 11) {
      // The form before it behind a constant offset: z = a[1] + inner(a[2..]).
      Evaluate<form - 1>(pt, a + 1, z, dz ? dz + 1 : nullptr);
      *z = a[1] + *z;
      if (dz) dz[1] = 1.0L;
    } else {
      static_assert(form >= 6 && form <= 9);
      Baseline<form % 2 == 0, (form >= 8)>(pt, a, z, dz);  // 6 LineY, 7 LineX, 8 QuadY, 9 QuadX
    }
  }

  template <int form>
  static void OnXY(long double x, long double y, long double* a, long double* z, long double* dz) {
    Evaluate<form>(XYPoint{x, y}, a, z, dz);
  }
  template <int form>
  static void OnPoint(const TShapePoint& pt, long double* a, long double* z, long double* dz) {
    Evaluate<form>(pt, a, z, dz);
  }

  // The twelve forms in catalogue order, as plain evaluators and as point evaluators.
  static constexpr std::array<TNonlinearEvaluator, 12> Table() {
    return {OnXY<0>, OnXY<1>, OnXY<2>, OnXY<3>, OnXY<4>,  OnXY<5>,
            OnXY<6>, OnXY<7>, OnXY<8>, OnXY<9>, OnXY<10>, OnXY<11>};
  }
  static constexpr std::array<TNonlinearPointEvaluator, 12> PointTable() {
    return {OnPoint<0>, OnPoint<1>, OnPoint<2>, OnPoint<3>, OnPoint<4>,  OnPoint<5>,
            OnPoint<6>, OnPoint<7>, OnPoint<8>, OnPoint<9>, OnPoint<10>, OnPoint<11>};
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
