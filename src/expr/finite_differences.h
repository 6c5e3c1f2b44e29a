// Difference quotients: the one step rule and the one set of quotients behind every numeric
// derivative of the program (the language's "DX", "DX2", "DY", "DY2" and "DXY", the view
// function's derivatives, the fitted surface's, the evaluation table's, the smoothing
// surfaces', a user function's slopes in its parameters while it is fitted and over the data
// in the adjust windows).
//
// The step. A quotient is as good as its step: too large and it measures the function's
// change over a span instead of at the point (truncation), too small and it measures the
// rounding of the values it is made of (a step of 1e-6 x at x = 1e-8 gave d²z/dx² of 0 for
// 1.3 + 2.7x², and -1.08e17 at 1e-12 for 2 + sin x). Which step balances the two depends on
// how the function varies, which the quotient cannot know, and on the rounding unit eps of
// its values, which it does:
//   - the scale s of the variable, the width over which it is looked at (the data's range,
//     the graph's range), 1 where none is known (the language's built-ins, parameters);
//   - a step below the scale, as a fraction of |v| itself, so that a function that varies on
//     the scale of |v| (LN(X), SQRT(X), X^-2 near 0) is differenced inside its domain:
//     eps^p |v| for |v| <= s (at 0 itself, as at 2^-40 s), with p = 1/2 (forward), 1/3
//     (central), 1/4 (second and mixed) the power that balances truncation against rounding;
//   - at coordinates far beyond the scale (map coordinates, 5e6 over a range of 2000) eps^p |v|
//     spans features of the data's size: there the step is eps^p s^(1-p) |v|^p, the one that
//     balances the truncation over the scale against the rounding of values made at |v|.
// Where the step's difference is lost in the rounding of its values (a smooth function at
// 1e-8, or a parameter that hardly moves the value), the step grows in at most three stages
// up to eps^p max(|v|, s), stopping at the first whose difference stands clear of the
// rounding; a larger step whose values fail (out of the function's domain) is given up and
// the last good quotient stands. Every step is made exactly representable, (v + h) - v, so
// that the distance divided by is the distance the values lie apart.
//
// A derivative is only as good as every value it is made of: one missing value at the first
// step makes the derivative missing rather than a huge quotient of the missing value.
#pragma once

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "app/long_double.h"
#include "expr/eval_context.h"

namespace finite_differences {

// The rounding of the values differenced: the long doubles of the language and the fits, or
// the doubles the smoothing surfaces are computed in.
enum class Rounding { kLongDouble, kDouble };

// The quotient a step is for; each takes the rounding unit to its own power in its step.
enum class Quotient { kForward, kCentral, kSecond };

inline long double Epsilon(Rounding r) {
  return r == Rounding::kDouble ? std::numeric_limits<double>::epsilon()
                                : std::numeric_limits<long double>::epsilon();
}

// eps^p of the quotient, a power of 2 near it (2^-63: 2^-31, 2^-21, 2^-16; 2^-52: 2^-26,
// 2^-17, 2^-13), so that a step of a scale that is a power of 2 is one too.
inline long double StepFraction(Quotient q, Rounding r) {
  const bool d = r == Rounding::kDouble;
  switch (q) {
    case Quotient::kForward: return d ? 0x1p-26L : 0x1p-31L;
    case Quotient::kCentral: return d ? 0x1p-17L : 0x1p-21L;
    case Quotient::kSecond: return d ? 0x1p-13L : 0x1p-16L;
  }
  return 0x1p-21L;
}

// |v|^p / s^p, the growth of the step beyond the scale.
inline long double ScaledPower(Quotient q, long double ratio) {
  switch (q) {
    case Quotient::kForward: return std::sqrt(ratio);
    case Quotient::kCentral: return std::cbrt(ratio);
    case Quotient::kSecond: return std::sqrt(std::sqrt(ratio));
  }
  return ratio;
}

// The axis of a quotient: the variable's value and its scale.
struct TAxis {
  long double at = 0;
  long double scale = 1;
  // Whether the function is computed from the variable's own value, so that its size bears
  // on the step (a function of X near 0, the rounding of values made at a coordinate far
  // from 0). A surface computed in coordinates of its own range (the smoothing surfaces,
  // which map the data's rectangle onto the unit square) has no such point: its step is the
  // scale's everywhere.
  bool ownValue = true;
};

// The first step tried and the largest the growth may reach.
struct TStepRange {
  long double first = 0;
  long double last = 0;
};

// A scale that is no width (0, negative, not a number) is the unit.
inline long double UsableScale(long double scale) { return scale > 0 && std::isfinite(scale) ? scale : 1.0L; }

inline TStepRange StepRange(const TAxis& axis, Quotient q, Rounding r) {
  // At 0 itself the step starts as it does a hair from 0 (2^-40 of the scale), so that a
  // function whose features there are much narrower than the scale (e^(A X) in A at 0 with
  // X = 5e6) is differenced across them no more coarsely than beside 0.
  constexpr long double kNearZero = 0x1p-40L;
  const long double s = UsableScale(axis.scale);
  const long double c = StepFraction(q, r);
  const long double a = std::fabs(axis.at);
  if (!axis.ownValue || !std::isfinite(a)) return {c * s, c * s};
  if (a <= s) return {c * (a > 0 ? a : kNearZero * s), c * s};
  return {c * s * ScaledPower(q, a / s), c * a};
}

// The step h as the exact distance from v to the value v + h rounds to (at least one unit of
// v's last place).
inline long double RepresentableStep(long double v, long double h) {
  const long double d = (v + h) - v;
  if (d > 0) return d;
  return std::nextafter(v, std::numeric_limits<long double>::infinity()) - v;
}

// A quotient at one step: its value, the difference it divides (numerator) and the sum of the
// magnitudes of the values it was made of; undefined when one of them is missing.
struct TQuotient {
  long double value = ExprErrorValue;
  long double difference = 0;
  long double magnitude = 0;
  bool defined = false;
};

inline bool AnyMissing(std::initializer_list<long double> values) {
  for (long double v : values)
    if (v == ExprErrorValue) return true;
  return false;
}

// A difference stands clear of its values' rounding when it is 2^23 (about 8e6) times their
// last place: its quotient is then right to about 1e-7 even when the function itself rounds
// a few units worse than that, and a search for the extremes of a derivative surface, which
// seeks out the largest rounding error there is, finds figures right to 1e-6.
inline bool Resolved(const TQuotient& q, Rounding r) {
  constexpr long double kClearance = 0x1p23L;
  return std::fabs(q.difference) >= kClearance * Epsilon(r) * q.magnitude;
}

// What the evaluations of a larger step may do to the caller's state, undone when the step is
// given up. The quotients of plain functions need nothing.
struct TNoTrialGuard {
  void Begin() {}
  bool Failed() const { return false; }
  void Reject() {}
};

// For evaluations in a language context: a larger step whose run raised an error code or a
// processor flag that fails an evaluation (overflow, division by zero), or aborted it, is
// given up, and the codes, error list and flags go back to what they were before it.
class TContextTrialGuard {
 public:
  explicit TContextTrialGuard(ExprContext& ctx) : ctx_(ctx) {}
  void Begin() {
    mathError_ = ctx_.ExprMathError;
    errorCount_ = ctx_.ExprErrorCount;
    events_ = ctx_.ExprErrorEvents;
    flags_ = std::fetestexcept(kFailingFlags);
  }
  bool Failed() const {
    const bool coded = ctx_.ExprMathError != 0 && (ctx_.ExprErrorEvents != events_ || ctx_.ExprMathError != mathError_);
    return coded || (std::fetestexcept(kFailingFlags) & ~flags_) != 0 || ctx_.abortCode != 0 || ctx_.stopped;
  }
  void Reject() {
    ctx_.ExprMathError = mathError_;
    ctx_.ExprErrorCount = errorCount_;
    const int raised = std::fetestexcept(kFailingFlags) & ~flags_;
    if (raised) std::feclearexcept(raised);
    const int lost = flags_ & ~std::fetestexcept(kFailingFlags);
    if (lost) std::feraiseexcept(lost);
  }

 private:
  static constexpr int kFailingFlags = FE_OVERFLOW | FE_DIVBYZERO;
  ExprContext& ctx_;
  int mathError_ = 0;
  int errorCount_ = 0;
  std::uint64_t events_ = 0;
  int flags_ = 0;
};

// The quotient at `first`, grown as the header says while its difference is lost in the
// rounding: `at(t)` forms the quotient at t times each first step (t from 1 to `reach`).
template <typename At, typename Guard>
long double Grown(long double reach, Rounding r, At at, Guard& guard) {
  TQuotient q = at(1.0L);
  if (!q.defined) return ExprErrorValue;
  if (Resolved(q, r) || !(reach > 1)) return q.value;
  const int stages = reach <= 0x1p10L ? 1 : reach <= 0x1p20L ? 2 : 3;
  for (int k = 1; k <= stages; ++k) {
    const long double t = k == stages ? reach : std::pow(reach, static_cast<long double>(k) / stages);
    guard.Begin();
    const TQuotient g = at(t);
    if (!g.defined || !std::isfinite(g.value) || guard.Failed()) {
      guard.Reject();
      break;
    }
    q = g;
    if (Resolved(q, r)) break;
  }
  return q.value;
}

// The step t times the first of a range, never beyond its last.
inline long double StepAt(const TStepRange& range, long double t) {
  return t <= 1 ? range.first : std::min(range.first * t, range.last);
}

inline long double Reach(const TStepRange& range) { return range.last / range.first; }

// The scales of a surface's two variables: the widths of X and Y it is looked at over.
struct TSurfaceScales {
  long double x = 1;
  long double y = 1;
  bool ownValues = true;  // TAxis::ownValue of both
};

// (f(h) - f(-h)) / 2h, f evaluated at those offsets from the axis's value in that order.
template <typename F, typename Guard = TNoTrialGuard>
long double First(TAxis axis, F f, Rounding r = Rounding::kLongDouble, Guard guard = {}) {
  const TStepRange range = StepRange(axis, Quotient::kCentral, r);
  const auto at = [&](long double t) {
    const long double h = RepresentableStep(axis.at, StepAt(range, t));
    const long double fp = f(h);
    const long double fm = f(-h);
    if (AnyMissing({fp, fm})) return TQuotient{};
    return TQuotient{(fp - fm) / (2 * h), fp - fm, std::fabs(fp) + std::fabs(fm), true};
  };
  return Grown(Reach(range), r, at, guard);
}

// ((f(h) - f(0)) - (f(0) - f(-h))) / h², f evaluated at 0, h and -h in that order.
template <typename F, typename Guard = TNoTrialGuard>
long double Second(TAxis axis, F f, Rounding r = Rounding::kLongDouble, Guard guard = {}) {
  const TStepRange range = StepRange(axis, Quotient::kSecond, r);
  const long double z0 = f(0);
  if (AnyMissing({z0})) return ExprErrorValue;
  const auto at = [&](long double t) {
    const long double h = RepresentableStep(axis.at, StepAt(range, t));
    const long double fp = f(h);
    const long double fm = f(-h);
    if (AnyMissing({fp, fm})) return TQuotient{};
    const long double d = (fp - z0) - (z0 - fm);
    return TQuotient{d / (h * h), d, std::fabs(fp) + 2 * std::fabs(z0) + std::fabs(fm), true};
  };
  return Grown(Reach(range), r, at, guard);
}

// (f(hx, hy) - f(hx, -hy) - f(-hx, hy) + f(-hx, -hy)) / 4 hx hy, in that order; the two steps
// grow together, each up to its own last.
template <typename F, typename Guard = TNoTrialGuard>
long double Mixed(TAxis x, TAxis y, F f, Rounding r = Rounding::kLongDouble, Guard guard = {}) {
  const TStepRange rx = StepRange(x, Quotient::kSecond, r);
  const TStepRange ry = StepRange(y, Quotient::kSecond, r);
  const auto at = [&](long double t) {
    const long double hx = RepresentableStep(x.at, StepAt(rx, t));
    const long double hy = RepresentableStep(y.at, StepAt(ry, t));
    const long double fpp = f(hx, hy);
    const long double fpm = f(hx, -hy);
    const long double fmp = f(-hx, hy);
    const long double fmm = f(-hx, -hy);
    if (AnyMissing({fpp, fpm, fmp, fmm})) return TQuotient{};
    const long double d = (fpp - fpm) - (fmp - fmm);
    const long double m = std::fabs(fpp) + std::fabs(fpm) + std::fabs(fmp) + std::fabs(fmm);
    return TQuotient{d / (4 * hx * hy), d, m, true};
  };
  return Grown(std::max(Reach(rx), Reach(ry)), r, at, guard);
}

// (f(h) - f0) / h with the value f0 at the axis's value given: a slope in one of several
// variables, where one more value per variable is all the caller can afford (a fit's
// Jacobian).
template <typename F, typename Guard = TNoTrialGuard>
long double Forward(TAxis axis, long double f0, F f, Rounding r = Rounding::kLongDouble, Guard guard = {}) {
  if (AnyMissing({f0})) return ExprErrorValue;
  const TStepRange range = StepRange(axis, Quotient::kForward, r);
  const auto at = [&](long double t) {
    const long double h = RepresentableStep(axis.at, StepAt(range, t));
    const long double fh = f(h);
    if (AnyMissing({fh})) return TQuotient{};
    return TQuotient{(fh - f0) / h, fh - f0, std::fabs(fh) + std::fabs(f0), true};
  };
  return Grown(Reach(range), r, at, guard);
}

// The partial derivatives of a surface z(x, y), in the order of the graphs' derivative modes.
enum class Partial { kDzDx, kDzDy, kD2zDxDy, kD2zDx2, kD2zDy2 };

// One partial derivative of z at (x, y) with the steps of the surface's scales.
template <typename Z, typename Guard = TNoTrialGuard>
long double SurfacePartial(Partial p, long double x, long double y, const TSurfaceScales& s, Z z,
                           Rounding r = Rounding::kLongDouble, Guard guard = {}) {
  const TAxis ax{x, s.x, s.ownValues}, ay{y, s.y, s.ownValues};
  const auto alongX = [&](long double h) { return z(x + h, y); };
  const auto alongY = [&](long double k) { return z(x, y + k); };
  switch (p) {
    case Partial::kDzDx: return First(ax, alongX, r, guard);
    case Partial::kDzDy: return First(ay, alongY, r, guard);
    case Partial::kD2zDxDy:
      return Mixed(ax, ay, [&](long double h, long double k) { return z(x + h, y + k); }, r, guard);
    case Partial::kD2zDx2: return Second(ax, alongX, r, guard);
    case Partial::kD2zDy2: return Second(ay, alongY, r, guard);
  }
  return 0;
}

}  // namespace finite_differences
