// The integral as the solution of y' = f(x), y(a) = 0, with an adaptive step: classical
// fourth-order Runge-Kutta with step doubling for the error estimate (the quality-
// controlled stepper of Press et al.), or Bulirsch-Stoer steps (modified midpoint sums
// for the step counts 2, 4, 6, ..., 96, extrapolated to step 0 by rational functions).
//
// An evaluation that raises an error counts as slope 0 and does not stop the steps, but
// the piece fails: a result reached through a value that failed or overflowed is made up
// (EXP(x) over [0, inf) gave 6.8e2754 from slopes of 0 where EXP overflowed). A tail
// through u = 1/x to an infinite limit starts at u = 0, where the slope is taken next to
// 0 (integration_pieces.h); a tail whose slope has not settled there is refused
// (TailEndSettled below).
#include <algorithm>
#include <array>
#include <cmath>

#include "expr/integration_pieces.h"

namespace {

constexpr int kMaxSteps = 9990;
constexpr long double kTiny = 1e-30;       // smallest step, and the floor of the scale
constexpr long double kBsEpsFloor = 1e-18;  // Bulirsch-Stoer works to 1000 x tol, not below this
// Step-size retries of one step: a step that keeps failing has shrunk below the smallest
// step long before this; the bound only guards against a non-number.
constexpr int kMaxRetries = 200;

constexpr std::array<int, 11> kBsStepCounts = {2, 4, 6, 8, 12, 16, 24, 32, 48, 64, 96};
constexpr int kBsMaxColumns = 7;

// The slope of one piece, 0 where f fails or is not a number; Failed() tells whether it
// ever did.
class TSlope {
 public:
  TSlope(ExprContext& ctx, TIntegrand f, const TIntegPiece& piece) : ctx_(ctx), f_(f), piece_(piece) {}
  long double operator()(long double u) const {
    long double v = 0;
    if (PieceValueChecked(ctx_, f_, piece_, u, v) && std::isfinite(v)) return v;
    failed_ = true;
    return 0;
  }
  bool Failed() const { return failed_; }

 private:
  ExprContext& ctx_;
  TIntegrand f_;
  TIntegPiece piece_;
  mutable bool failed_ = false;
};

// Where a stepper leaves its step: the new x and y, the step done and the next to try.
struct TStep {
  long double x = 0;
  long double y = 0;
  long double next = 0;
};

// Classical fourth-order Runge-Kutta for y' = F(x) over a step h, from the slopes at its
// start, middle and end: the two middle stages coincide when the slope does not depend
// on y.
long double Rk4Step(long double y, long double h, long double start, long double mid, long double end) {
  return y + h / 6 * (start + 4 * mid + end);
}

// Two half steps against one full step; the difference estimates the error and corrects
// the result (fifth order). False when the step cannot be made. The slope at x0 + h/2 ends
// the first half step, starts the second and is the middle of the full step: it is
// evaluated once, so a try costs five integrand values.
bool RkQualityStep(const TSlope& F, TStep& st, long double dydx, long double htry, long double eps,
                   long double yscal) {
  const long double x0 = st.x;
  const long double y0 = st.y;
  long double h = htry;
  for (int retry = 0; retry < kMaxRetries; ++retry) {
    const long double hh = h / 2;
    const long double xm = x0 + hh;
    const long double fm = F(xm);
    const long double y1 = Rk4Step(y0, hh, dydx, F(x0 + hh / 2), fm);
    const long double y2 = Rk4Step(y1, hh, fm, F(xm + hh / 2), F(xm + hh));
    const long double x = x0 + h;
    if (x == x0) return false;
    const long double yb = Rk4Step(y0, h, dydx, fm, F(x));
    const long double diff = y2 - yb;
    const long double errmax = std::fabs(diff / yscal) / eps;
    if (errmax <= 1) {
      st.x = x;
      st.y = y2 + diff / 15;
      st.next = errmax > 6e-4 ? 0.9 * h * std::pow(errmax, -0.2) : 4 * h;
      return true;
    }
    // A non-number error would shrink the step to a non-number and never end.
    if (!std::isfinite(errmax)) return false;
    h = 0.9 * h * std::pow(errmax, -0.25);
    if (std::fabs(h) <= kTiny) return false;
  }
  return false;
}

// The modified midpoint rule over H in n substeps.
long double ModifiedMidpoint(const TSlope& F, long double y, long double slope, long double xs, long double bigH,
                             int n) {
  const long double h = bigH / n;
  long double ym = y;
  long double yn = y + h * slope;
  long double x = xs + h;
  long double g = F(x);
  for (int k = 2; k <= n; ++k) {
    const long double t = ym + 2 * h * g;
    ym = yn;
    yn = t;
    x += h;
    g = F(x);
  }
  return (ym + yn + h * g) / 2;
}

// Rational-function extrapolation to step 0 over the last min(i, 7) estimates of one
// Bulirsch-Stoer step (the tableau of Bulirsch and Stoer as given by Press et al.).
class TRationalExtrapolation {
 public:
  void Add(int i, long double xest, long double yest, long double& y, long double& yerr) {
    x_[static_cast<std::size_t>(i)] = xest;
    if (i == 1) {
      y = yest;
      d_[1] = yest;
      yerr = yest;
      return;
    }
    const int m = std::min(i, kBsMaxColumns);
    std::array<long double, kBsMaxColumns + 1> fx{};
    for (int k = 1; k < m; ++k) fx[static_cast<std::size_t>(k + 1)] = x_[static_cast<std::size_t>(i - k)] / xest;
    long double yy = yest;
    long double v = d_[1];
    long double c = yy;
    long double ddy = 0;
    d_[1] = yy;
    for (int k = 2; k <= m; ++k) {
      const auto uk = static_cast<std::size_t>(k);
      const long double b1 = fx[uk] * v;
      long double b = b1 - c;
      if (b != 0) {
        b = (c - v) / b;
        ddy = c * b;
        c = b1 * b;
      } else {
        ddy = v;
      }
      if (k < m) v = d_[uk];
      d_[uk] = ddy;
      yy += ddy;
    }
    yerr = ddy;
    y = yy;
  }

 private:
  std::array<long double, kBsStepCounts.size() + 1> x_{};
  std::array<long double, kBsMaxColumns + 1> d_{};
};

bool BulirschStoerStep(const TSlope& F, TStep& st, long double dydx, long double htry, long double eps,
                       long double yscal) {
  const long double x0 = st.x;
  const long double y0 = st.y;
  long double h = htry;
  for (int retry = 0; retry < kMaxRetries; ++retry) {
    TRationalExtrapolation extrapolation;
    for (int i = 1; i <= static_cast<int>(kBsStepCounts.size()); ++i) {
      const int n = kBsStepCounts[static_cast<std::size_t>(i - 1)];
      const long double ym = ModifiedMidpoint(F, y0, dydx, x0, h, n);
      const long double xest = (h / n) * (h / n);
      long double y = 0;
      long double yerr = 0;
      extrapolation.Add(i, xest, ym, y, yerr);
      const long double errmax = std::fabs(yerr / yscal) / eps;
      if (errmax < 1) {
        st.x = x0 + h;
        st.y = y;
        st.next = i == 7 ? 0.95 * h : (i == 6 ? 1.2 * h : h * 16 / n);
        return true;
      }
    }
    h /= 16;
    if (x0 + h == x0 || std::fabs(h) <= kTiny) return false;
  }
  return false;
}

enum class TStepper { kRungeKutta, kBulirschStoer };

// A failed piece: -100, result 0, estimate 1.
long double OdeFailure(ExprContext& ctx, TIntegRecord& rec) {
  rec.IntegFailed = 1;
  ctx.SetError(kErrIntegralConvergence);
  rec.IntegErrorEstimate = 1;
  return 0;
}

// A tail that runs to an infinite limit starts at u = 0, where its slope f(1/u)/u^2 is
// the value taken at u = kTailEnd. That value stands for the end only when the slope has
// settled there, as it has when f falls like 1/x^2 or faster. When f falls more slowly
// the slope grows without bound toward u = 0, and the steppers, which measure their
// error against the slope where a step starts, take the made-up value as their scale and
// let every step through: 1 over (-inf, 2] gave 6.4e36 and 1/x over [1, inf) 1.5e18,
// integrals that diverge, and x^-1.5 over [1, inf) 1462 for 2, all as converged. So the
// slope at kTailEnd is compared with the one ten decades further in (or at the tail's
// finite end, when that is nearer): it grows there by 1e10 or more for a tail that
// diverges (f no faster than 1/x), and by R = 10^(10 p) for f falling like x^(p - 2).
// Measured on such f, the error of the result is about 1.3e-4 R^3 (Bulirsch-Stoer) or
// 8e-3 R^3 (Runge-Kutta) times the tolerance, whatever the tolerance; the limits keep it
// below half the tolerance, so x^-1.9 (R = 10) still converges by Bulirsch-Stoer, and a
// tail whose slope grows more fails.
constexpr long double kTailGrowthLimitBs = 15;
constexpr long double kTailGrowthLimitRk = 3.5;
constexpr long double kTailGrowthSpan = 1e10;

bool TailEndSettled(const TSlope& F, const TIntegPiece& piece, TStepper stepper) {
  const long double finiteEnd = std::isinf(piece.lo) ? piece.hi : piece.lo;
  const long double side = piece.lo > 0 ? 1 : -1;
  const long double end = std::fabs(F(side * kTailEnd));
  const long double inner = std::fabs(F(side * std::fmin(kTailEnd * kTailGrowthSpan, 1 / std::fabs(finiteEnd))));
  const long double limit = stepper == TStepper::kBulirschStoer ? kTailGrowthLimitBs : kTailGrowthLimitRk;
  return end <= limit * inner;  // false for a non-number too
}

// The steppers measure a step's error against yscal = |y| + |h dydx| at its start, so a
// step that starts on a slope far above the rest of the piece is let through with an
// error that dwarfs the result: SQRT(x) over [0.99, 1e250] as a tail, whose slope
// u^-2.5 is 1e625 where it starts, gave 1.5e613 for 6.7e374. The largest error a step
// was allowed must stay near the tolerance of the result, ten times it at most:
// Bulirsch-Stoer works to a thousandth of the tolerance, so its scale may reach ten
// thousand times |y|; the Runge-Kutta steps, at the tolerance itself, ten times.
constexpr long double kLargestScaleBs = 1e4;
constexpr long double kLargestScaleRk = 10;

// One piece by the adaptive stepper, starting with a hundredth of the piece. Fails (-100,
// result 0, estimate 1) when a tail's slope has not settled at its infinite end, a value
// failed or was not a number, a step cannot be made, the steps run out, a step was
// allowed an error beyond the tolerance of the result, or the solution and its slope are
// both exactly 0 at the end (the integrand failed everywhere).
long double OdeIntegrate(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece,
                         TStepper stepper) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const TSlope F(ctx, f, piece);
  if (PieceReachesInfinity(piece) && !TailEndSettled(F, piece, stepper)) return OdeFailure(ctx, rec);
  // A tail always starts at its infinite end, u = 0, and runs outward: the steppers bear
  // a slope that is still settling better where they start than where they land, on a
  // last step cut short onto u = 0 (x^-1.95 over (-inf, -1] ended 160 times its
  // tolerance off when it ran toward 0). The lower tail runs from 0 down to its finite
  // end, and the sign of its result is turned.
  long double sign = 1;
  if (PieceReachesInfinity(piece) && u2 == 0) {
    std::swap(u1, u2);
    sign = -1;
  }
  const long double eps =
      stepper == TStepper::kBulirschStoer ? std::fmax(rec.IntegTolerance * 0.001, kBsEpsFloor) : rec.IntegTolerance;
  TStep st{u1, 0, 0};
  long double h = 0.01 * (u2 - u1);
  long double largestScale = 0;
  for (int step = 0; step < kMaxSteps; ++step) {
    const long double dydx = F(st.x);
    const long double yscal = std::fabs(st.y) + std::fabs(h * dydx) + kTiny;
    largestScale = std::fmax(largestScale, yscal);
    if ((st.x + h - u2) * (st.x + h - u1) > 0) h = u2 - st.x;
    const bool made = stepper == TStepper::kRungeKutta ? RkQualityStep(F, st, dydx, h, eps, yscal)
                                                       : BulirschStoerStep(F, st, dydx, h, eps, yscal);
    if (!made || F.Failed()) break;
    if ((st.x - u2) * (u2 - u1) >= 0) {
      if (yscal == kTiny) break;
      const long double scaleLimit = stepper == TStepper::kBulirschStoer ? kLargestScaleBs : kLargestScaleRk;
      if (!(largestScale <= scaleLimit * std::fabs(st.y))) break;
      rec.IntegErrorEstimate += eps * yscal;
      return sign * st.y;
    }
    if (!(std::fabs(st.next) > kTiny)) break;
    h = st.next;
  }
  return OdeFailure(ctx, rec);
}

long double IntegrateOde(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                         long double tol, TStepper stepper) {
  return IntegrateWithRetry(ctx, rec, a, b, tol, [&](long double lo, long double hi, bool lowTail, bool highTail) {
    if (lo == hi) return 0.0L;
    const TIntegPieces pieces = SplitIntegRange(lo, hi, lowTail, highTail);
    return SumPieces(ctx, pieces.count, [&](int i) { return OdeIntegrate(ctx, rec, f, pieces.piece[i], stepper); });
  });
}

}  // namespace

long double IntegrateOdeRK(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                           long double tol) {
  return IntegrateOde(ctx, rec, f, a, b, tol, TStepper::kRungeKutta);
}

long double IntegrateOdeBS(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                           long double tol) {
  return IntegrateOde(ctx, rec, f, a, b, tol, TStepper::kBulirschStoer);
}
