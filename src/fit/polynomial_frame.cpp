#include "fit/polynomial_frame.h"

#include <cmath>
#include <map>
#include <utility>

#include "expr/eval_context.h"
#include "expr/interpreter.h"
#include "expr/math_faults.h"
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

TPolynomialFrame ChooseRationalFrame(const TDataStats& stats) {
  TPolynomialFrame frame = ChoosePolynomialFrame(stats);
  frame.kinds[static_cast<std::size_t>(kKindInvX - kKindX)] = {};
  frame.kinds[static_cast<std::size_t>(kKindInvY - kKindX)] = {};
  frame.zCentre = 0.0L;
  return frame;
}

bool FrameShiftsKinds(const TPolynomialFrame& frame, int xKind, int yKind) {
  return !frame.Of(xKind).Identity() || !frame.Of(yKind).Identity();
}

namespace {

using Quad = __float128;

// The coefficients of (s·(X - c))^p as a polynomial in X, in 113 bits: out[j] for X^j.
void ShiftedPowerQuad(const TPowerShift& f, int p, Quad* out) {
  Quad sp = 1;
  for (int k = 0; k < p; ++k) sp *= static_cast<Quad>(f.scale);
  Quad negC = 1;
  for (int j = p; j >= 0; --j) {
    out[j] = static_cast<Quad>(Binomial(p, j)) * negC * sp;
    negC *= -static_cast<Quad>(f.centre);
  }
}

}  // namespace

bool FrameFormToRaw(const TPolynomialFrame& frame, int xKind, int yKind, std::span<const TMonomial> basis,
                    const long double* framed, long double* raw) {
  constexpr int kMaxPower = kMaxLinearParams;
  // The raw sums of the numerator (e = 0) and of the denominator (e = 1) by (p, q).
  std::map<std::pair<int, int>, Quad> sums[2];
  bool rational = false;
  const auto add = [&](int e, const TMonomial& m, Quad coefficient) {
    if (m.p >= kMaxPower || m.q >= kMaxPower) return false;
    Quad xs[kMaxPower], ys[kMaxPower];
    ShiftedPowerQuad(frame.Of(xKind), m.p, xs);
    ShiftedPowerQuad(frame.Of(yKind), m.q, ys);
    for (int j = 0; j <= m.p; ++j)
      for (int l = 0; l <= m.q; ++l) sums[e][{j, l}] += coefficient * xs[j] * ys[l];
    return true;
  };
  for (std::size_t k = 0; k < basis.size(); ++k) {
    const TMonomial& m = basis[k];
    if (m.e > 1 || !add(m.e, m, static_cast<Quad>(framed[k]))) return false;
    rational = rational || m.e == 1;
  }
  Quad divisor = 1;
  if (rational) {
    if (!add(1, TMonomial{0, 0, 1}, 1)) return false;  // the frame denominator's constant
    divisor = sums[1][{0, 0}];
    if (divisor == 0) return false;
  }
  for (std::size_t k = 0; k < basis.size(); ++k) {
    const TMonomial& m = basis[k];
    const auto at = sums[m.e].find({m.p, m.q});
    if (at == sums[m.e].end()) return false;
    raw[k] = static_cast<long double>(at->second / divisor);
    sums[m.e].erase(at);
  }
  // Every raw power must have a coefficient of its own in the basis.
  for (int e = 0; e < 2; ++e)
    for (const auto& [key, value] : sums[e])
      if (!(e == 1 && key == std::pair<int, int>{0, 0}) && value != 0) return false;
  return true;
}

long double FrameVariable(ExprContext& ctx, const TPowerShift& shift, int kind, long double v) {
  long double V = v;
  if (kind == kKindLnX || kind == kKindLnY) V = ExprMathLog(ctx, v);
  if (kind == kKindInvX || kind == kKindInvY) V = ExprSafeDivide(ctx, 1.0L, v);
  return shift.Identity() ? V : (V - shift.centre) * shift.scale;
}

bool FrameCoordinates(ExprContext& ctx, const TPolynomialFrame& frame, const std::uint8_t* d, long double x,
                      long double y, long double& u, long double& v) {
  const bool clean = ctx.ExprMathError == 0;
  u = FrameVariable(ctx, frame.Of(d[0]), d[0], x);
  v = FrameVariable(ctx, frame.Of(d[3]), d[3], y);
  return !(clean && ctx.ExprMathError != 0);
}
