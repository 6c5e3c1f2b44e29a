#include "fit/nonlinear_start_values.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>

namespace {

// Width of a log-normal axis: its widths are in ln t, where the data's spread says nothing.
constexpr long double kLogWidth = 0.2L;
// Abscissas and z of a three-point fit are kept at or above this before the logarithm.
constexpr long double kThreePointFloor = 1e-30L;

// Positions of the nine reference points of the statistics (the active point nearest each).
enum ReferencePoint : int {
  kMaxMin = 0,  // (x max, y min)
  kMeanMin = 1,
  kMinMin = 2,
  kMinMean = 5,
  kMeanMean = 4,
  kMaxMax = 6,
  kMinMax = 8,
};

void Assign(long double* a, std::initializer_list<long double> values) {
  int i = 1;
  for (long double v : values) a[i++] = v;
}

struct Widths {
  long double x, y, shared;
};

Widths StartWidths(const TDataStats& s, int xLog, int yLog) {
  Widths w;
  w.x = xLog ? kLogWidth : AxisSpread(s.X) / 2;
  w.y = yLog ? kLogWidth : AxisSpread(s.Y) / 2;
  w.shared = xLog ? kLogWidth : (AxisSpread(s.X) + AxisSpread(s.Y)) / 4;
  return w;
}

// The weighted sums of a three-point fit of ln z against u(t).
struct ThreePointSums {
  long double S = 0, Su = 0, Suu = 0, SL = 0, SuL = 0;
  long double D() const { return S * Suu - Su * Su; }
  // Abscissas that are all equal make the system singular, but the determinant of the
  // rounded sums is then only nearly 0, and its solution noise: a determinant within the
  // rounding of its terms counts as 0.
  bool Singular() const { return !(std::fabs(D()) > 64 * LDBL_EPSILON * S * Suu); }
};

template <class U>
ThreePointSums SumThreePoints(int n, const long double* t, const long double* z, U u) {
  ThreePointSums s;
  for (int i = 0; i < n; ++i) {
    const long double ti = t[i] < kThreePointFloor ? kThreePointFloor : t[i];
    const long double zi = z[i] < kThreePointFloor ? kThreePointFloor : z[i];
    const long double w = zi * zi;
    const long double ui = u(ti);
    const long double L = std::log(zi);
    s.S += w;
    s.Su += w * ui;
    s.Suu += w * ui * ui;
    s.SL += w * L;
    s.SuL += w * ui * L;
  }
  return s;
}

// The three (t, z) pairs of one estimate: the abscissa is x (or y) of the reference points.
struct Triple {
  long double t[3], z[3];
};

Triple TripleOf(const TDataStats& s, bool alongY, std::initializer_list<int> points) {
  Triple tr;
  int i = 0;
  for (int k : points) {
    tr.t[i] = alongY ? s.Y.AtPos[k] : s.X.AtPos[k];
    tr.z[i] = s.Z.AtPos[k];
    ++i;
  }
  return tr;
}

using ThreePointFit = bool (*)(int, const long double*, const long double*, long double*);

// The four pairs 5/6, 7/8, 1/2, 3/4 in this order, each from its own three points.
void FitFourPairs(const TDataStats& s, long double* cache, ThreePointFit fit) {
  const struct {
    int slot;
    bool alongY;
    std::initializer_list<int> points;
  } pairs[] = {
      {4, false, {kMinMin, kMeanMean, kMaxMax}},  // along the diagonal, in x
      {6, true, {kMinMin, kMeanMean, kMaxMax}},   // the same points, in y
      {0, false, {kMinMin, kMeanMin, kMaxMin}},   // along the lower y edge
      {2, true, {kMinMin, kMinMean, kMinMax}},    // along the lower x edge
  };
  for (const auto& p : pairs) {
    const Triple tr = TripleOf(s, p.alongY, p.points);
    fit(3, tr.t, tr.z, cache + p.slot);
  }
}

}  // namespace

TStartShape StartShapeOf(const TDataStats& s) {
  TStartShape shape;
  const long double half = s.Z.Range / 2;
  const long double nearZ = s.Z.AtMinRXY, farZ = s.Z.AtMaxRXY;
  shape.trough = half > s.Z.Max - nearZ && half > s.Z.Max - farZ ? 1 : 0;
  shape.direction = farZ > nearZ ? 1.0L : -1.0L;
  return shape;
}

void PeakStartValues(const TDataStats& s, int subIndex, long double* a, int trough, int xLog,
                     int yLog) {
  const Widths w = StartWidths(s, xLog, yLog);
  const long double A = trough ? -s.Z.Range : s.Z.Range;
  const long double B = trough ? s.Z.Max : s.Z.Min;
  const long double xc = trough ? s.X.AtMin2 : s.X.AtMax2;  // x at the z minimum (maximum)
  const long double yc = trough ? s.Y.AtMin2 : s.Y.AtMax2;
  switch (subIndex) {
    case 0: Assign(a, {A, xc, w.x, yc, w.y}); break;
    case 1: Assign(a, {B, A, xc, w.x, yc, w.y}); break;
    case 2: Assign(a, {A, xc, w.shared, yc}); break;
    case 3: Assign(a, {B, A, xc, w.shared, yc}); break;
    case 4: Assign(a, {A / 2, xc, w.x, A / 2, yc, w.y}); break;
    case 5: Assign(a, {B, A / 2, xc, w.x, A / 2, yc, w.y}); break;
    case 6: Assign(a, {B, 0, A, xc, w.x}); break;
    case 7: Assign(a, {B, 0, A, yc, w.y}); break;
    case 8: Assign(a, {B, 0, 0, A, xc, w.x}); break;
    case 9: Assign(a, {B, 0, 0, A, yc, w.y}); break;
    case 10: Assign(a, {A / 2, xc, w.x, A / 2, yc, w.y, 0.1L * A}); break;
    case 11: Assign(a, {B, A / 2, xc, w.x, A / 2, yc, w.y, 0.1L * A}); break;
    default: break;
  }
}

void TransitionStartValues(const TDataStats& s, int subIndex, long double* a,
                           long double direction, int xLog, int yLog) {
  const Widths w = StartWidths(s, xLog, yLog);
  const long double wx = direction * w.x, wy = direction * w.y, ws = direction * w.shared;
  const long double xm = (s.X.AtMin2 + s.X.AtMax2) / 2;  // between the z extremes
  const long double ym = (s.Y.AtMin2 + s.Y.AtMax2) / 2;
  const long double zmin = s.Z.Min, zmax = s.Z.Max, range = s.Z.Range;
  switch (subIndex - kSubTransition) {
    case 0: Assign(a, {zmax, xm, wx, ym, wy}); break;
    case 1: Assign(a, {zmin, range, xm, wx, ym, wy}); break;
    case 2: Assign(a, {zmax, xm, ws, ym}); break;
    case 3: Assign(a, {zmin, range, xm, ws, ym}); break;
    case 4: Assign(a, {zmax / 2, xm, wx, zmax / 2, ym, wy}); break;
    case 5: Assign(a, {zmin, range / 2, xm, wx, range / 2, ym, wy}); break;
    case 6: Assign(a, {zmin, 0, range, xm, wx}); break;
    case 7: Assign(a, {zmin, 0, range, ym, wy}); break;
    case 8: Assign(a, {zmin, 0, 0, range, xm, wx}); break;
    case 9: Assign(a, {zmin, 0, 0, range, ym, wy}); break;
    case 10: Assign(a, {zmax / 2, xm, wx, zmax / 2, ym, wy, 0.1L * range}); break;
    case 11: Assign(a, {zmin, range / 2, xm, wx, range / 2, ym, wy, 0.1L * range}); break;
    default: break;
  }
}

void ExponentialStartValues(TDataStats& s, int subIndex, long double* a) {
  EstimateStartValuesExp(s);
  const long double* E = s.StartCacheB - 1;  // E[1]..E[8]
  const long double zmin = s.Z.Min;
  switch (subIndex - kSubExponential) {
    case 0: Assign(a, {(E[7] + E[5]) / 2, 2 * E[6], 2 * E[8]}); break;
    case 1: Assign(a, {zmin, (E[7] + E[5]) / 2, 2 * E[6], 2 * E[8]}); break;
    case 2: Assign(a, {(E[7] + E[5]) / 2, E[8] + E[6]}); break;
    case 3: Assign(a, {zmin, (E[7] + E[5]) / 2, E[8] + E[6]}); break;
    case 4: Assign(a, {E[5] / 2, E[6], E[7] / 2, E[8]}); break;
    case 5: Assign(a, {zmin, E[5] / 2, E[6], E[7] / 2, E[8]}); break;
    case 6: Assign(a, {zmin, 0, E[1], E[2]}); break;
    case 7: Assign(a, {zmin, 0, E[3], E[4]}); break;
    case 8: Assign(a, {zmin, 0, 0, E[1], E[2]}); break;
    case 9: Assign(a, {zmin, 0, 0, E[3], E[4]}); break;
    case 10: Assign(a, {E[5] / 2, E[6], E[7] / 2, E[8], 0}); break;
    case 11: Assign(a, {zmin, E[5] / 2, E[6], E[7] / 2, E[8], 0}); break;
    default: break;
  }
}

// A negative exponent estimate makes its square root NaN; such a start fails the fit's
// acceptance, as the estimate says nothing usable about the data.
void PowerStartValues(TDataStats& s, int subIndex, long double* a) {
  EstimateStartValuesLog(s);
  const long double* P = s.StartCacheA - 1;  // P[1]..P[8]
  const long double zmin = s.Z.Min;
  const long double r6 = std::sqrt(P[6]), r8 = std::sqrt(P[8]);
  switch (subIndex - kSubPower) {
    case 0: Assign(a, {(P[7] + P[5]) / 2, r6, r8}); break;
    case 1: Assign(a, {zmin, (P[7] + P[5]) / 2, r6, r8}); break;
    case 2: Assign(a, {(P[7] + P[5]) / 2, (r6 + r8) / 2}); break;
    case 3: Assign(a, {zmin, (P[7] + P[5]) / 2, (r6 + r8) / 2}); break;
    case 4: Assign(a, {P[5] / 2, P[6], P[7] / 2, P[8]}); break;
    case 5: Assign(a, {zmin, P[5] / 2, P[6], P[7] / 2, P[8]}); break;
    case 6: Assign(a, {zmin, 0, P[1], P[2]}); break;
    case 7: Assign(a, {zmin, 0, P[3], P[4]}); break;
    case 8: Assign(a, {zmin, 0, 0, P[1], P[2]}); break;
    case 9: Assign(a, {zmin, 0, 0, P[3], P[4]}); break;
    case 10: Assign(a, {P[5] / 2, P[6], P[7] / 2, P[8], 0}); break;
    case 11: Assign(a, {zmin, P[5] / 2, P[6], P[7] / 2, P[8], 0}); break;
    default: break;
  }
}

void PlaneStartValues(const TDataStats& s, int subIndex, long double* a, int& robustMode) {
  Assign(a, {s.PlaneA, s.PlaneB, s.PlaneC});
  robustMode = subIndex - kSubPlane;
}

bool NonlinearStartValues(TDataStats& stats, const TNonlinearEntry& e, long double* a,
                          const TStartShape& shape, int& robustMode) {
  const int sub = e.subIndex;
  if (sub < 0 || sub >= kSubEnd) return false;
  if (sub < kSubTransition)
    PeakStartValues(stats, sub, a, shape.trough, e.xLog, e.yLog);
  else if (sub < kSubExponential)
    TransitionStartValues(stats, sub, a, shape.direction, e.xLog, e.yLog);
  else if (sub < kSubPower)
    ExponentialStartValues(stats, sub, a);
  else if (sub < kSubPlane)
    PowerStartValues(stats, sub, a);
  else
    PlaneStartValues(stats, sub, a, robustMode);
  return true;
}

void EstimateStartValuesLog(TDataStats& s) {
  if (s.StartCacheA[0] != -1.0L) return;
  for (long double& p : s.StartCacheA) p = 1.0L;
  FitFourPairs(s, s.StartCacheA, FitPowerLawThreePoints);
}

void EstimateStartValuesExp(TDataStats& s) {
  if (s.StartCacheB[0] != -1.0L) return;
  long double* E = s.StartCacheB;
  E[0] = E[2] = E[4] = E[6] = s.Z.Range / 2;
  E[1] = E[5] = AxisSpread(s.X);
  E[3] = E[7] = AxisSpread(s.Y);
  FitFourPairs(s, s.StartCacheB, FitExponentialThreePoints);
}

bool FitPowerLawThreePoints(int n, const long double* t, const long double* z, long double* out) {
  const ThreePointSums s = SumThreePoints(n, t, z, [](long double v) { return std::log(v); });
  if (s.Singular()) return false;
  const long double D = s.D();
  const long double amplitude = std::exp((s.SL * s.Suu - s.SuL * s.Su) / D);
  const long double exponent = (s.S * s.SuL - s.Su * s.SL) / D;
  if (!std::isfinite(amplitude) || !std::isfinite(exponent)) return false;
  out[0] = amplitude;
  out[1] = exponent;
  return true;
}

bool FitExponentialThreePoints(int n, const long double* t, const long double* z,
                               long double* out) {
  const ThreePointSums s = SumThreePoints(n, t, z, [](long double v) { return v; });
  if (s.Singular()) return false;
  const long double D = s.D();
  const long double amplitude = std::exp((s.SL * s.Suu - s.SuL * s.Su) / D);
  const long double N = s.S * s.SuL - s.Su * s.SL;  // D times the slope of ln z
  const long double length = N == 0.0L ? out[1] : -D / N;
  if (!std::isfinite(amplitude) || !std::isfinite(length)) return false;
  out[0] = amplitude;
  out[1] = length;
  return true;
}
