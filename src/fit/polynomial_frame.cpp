#include "fit/polynomial_frame.h"

#include <cmath>

#include "fit/fit_families.h"

namespace {

// The shift of a variable whose values lie in [lo, hi]: the identity unless the interval lies
// on one side of 0 with |hi| < 3|lo| (for positive values; the mirror for negative ones), i.e.
// farther from 0 than half its width. The midpoint c then satisfies c/2 <= v <= 2c for every
// v of the interval, so v - c is exact.
TPowerShift ShiftFor(long double lo, long double hi) {
  if (!std::isfinite(lo) || !std::isfinite(hi) || !(lo < hi)) return {};
  const bool farPositive = lo > 0.0L && hi < 3.0L * lo;
  const bool farNegative = hi < 0.0L && lo > 3.0L * hi;
  if (!farPositive && !farNegative) return {};
  const long double halfWidth = (hi - lo) / 2;
  // A power of 2 that takes the half width into [0.5, 1).
  return {lo + halfWidth, std::ldexp(1.0L, -(std::ilogb(halfWidth) + 1))};
}

// The shifts of one axis's three kinds: v, ln v and 1/v.
void AxisShifts(const TAxisStats& a, TPowerShift* kinds) {
  kinds[0] = ShiftFor(a.Min, a.Max);
  if (a.Min > 0.0L) kinds[1] = ShiftFor(std::log(a.Min), std::log(a.Max));
  if (a.Min > 0.0L || a.Max < 0.0L) kinds[2] = ShiftFor(1.0L / a.Max, 1.0L / a.Min);
}

long double Binomial(int n, int k) {
  long double c = 1.0L;
  for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
  return c;
}

// The coefficients of (s·(X - c))^p as a polynomial in X: out[j] for X^j, j = 0..p.
void ShiftedPower(const TPowerShift& f, int p, long double* out) {
  const long double sp = std::pow(f.scale, static_cast<long double>(p));  // exact: s is 2^k
  long double negC = 1.0L;  // (-c)^(p-j), built from j = p down
  for (int j = p; j >= 0; --j) {
    out[j] = Binomial(p, j) * negC * sp;
    negC *= -f.centre;
  }
}

}  // namespace

TPolynomialFrame ChoosePolynomialFrame(const TDataStats& stats) {
  TPolynomialFrame frame;
  AxisShifts(stats.X, &frame.kinds[kKindX - kKindX]);
  AxisShifts(stats.Y, &frame.kinds[kKindY - kKindX]);
  frame.zCentre = ShiftFor(stats.Z.Min, stats.Z.Max).centre;
  return frame;
}

bool FrameToRawMatrix(const TPolynomialFrame& frame, int xKind, int yKind,
                      std::span<const TMonomial> basis, TFrameMatrix& t) {
  const int n = static_cast<int>(basis.size());
  if (n > kMaxLinearParams) return false;
  for (auto& row : t) row.fill(0.0L);
  constexpr int kMaxPower = kMaxLinearParams;
  for (int k = 0; k < n; ++k) {
    const TMonomial& m = basis[static_cast<std::size_t>(k)];
    if (m.e != 0 || m.p >= kMaxPower || m.q >= kMaxPower) return false;
    long double xs[kMaxPower], ys[kMaxPower];
    ShiftedPower(frame.Of(xKind), m.p, xs);
    ShiftedPower(frame.Of(yKind), m.q, ys);
    for (int j = 0; j <= m.p; ++j) {
      for (int l = 0; l <= m.q; ++l) {
        int i = 0;
        while (i < n && (basis[static_cast<std::size_t>(i)].p != j || basis[static_cast<std::size_t>(i)].q != l ||
                         basis[static_cast<std::size_t>(i)].e != 0))
          ++i;
        if (i == n) return false;
        t[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] += xs[j] * ys[l];
      }
    }
  }
  return true;
}

bool FrameLeavesRaw(const TPolynomialFrame& frame, int xKind, int yKind) {
  return frame.Of(xKind).Identity() && frame.Of(yKind).Identity() && frame.zCentre == 0.0L;
}

bool FrameToRawCoefficients(const TPolynomialFrame& frame, int xKind, int yKind,
                            std::span<const TMonomial> basis, long double* coef) {
  if (FrameLeavesRaw(frame, xKind, yKind)) return true;
  TFrameMatrix t;
  if (!FrameToRawMatrix(frame, xKind, yKind, basis, t)) return false;
  const int n = static_cast<int>(basis.size());
  long double raw[kMaxLinearParams] = {};
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) raw[i] += t[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] * coef[k];
  for (int i = 0; i < n; ++i) coef[i] = raw[i];
  // The constant of the basis (X^0 Y^0) takes z's centre.
  for (int i = 0; i < n; ++i)
    if (basis[static_cast<std::size_t>(i)].p == 0 && basis[static_cast<std::size_t>(i)].q == 0) coef[i] += frame.zCentre;
  return true;
}
