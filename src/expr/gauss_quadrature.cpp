// Gauss-Legendre integration: the order-doubling rule with its range splitting, the
// fixed-order rule, and the automatic integral that falls back on the other engines.
#include <cmath>
#include <cstdint>

#include "expr/integration_pieces.h"
#include "expr/interpreter.h"
#include "expr/quadrature_table.h"

namespace {

// The table, loaded on first use; null after raising -102 (file missing or short) or -32.
const TQuadTable* NeedQuadTable(ExprContext& ctx) {
  const int loaded = LoadQuadOverlay();
  const TQuadTable* table = loaded >= 0 ? QuadTable() : nullptr;
  if (!table) ctx.SetError(loaded == -2 ? int{kErrInsufficientMemory} : int{kErrQuadTableMissing});
  return table;
}

// Does f give exactly 0 at both ends of the piece (an infinite end taken next to it)?
bool ZeroAtEnds(ExprContext& ctx, TIntegrand f, const TIntegPiece& piece) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  long double v1 = 0;
  long double v2 = 0;
  return PieceValueChecked(ctx, f, piece, u1, v1) && PieceValueChecked(ctx, f, piece, u2, v2) && v1 == 0 &&
         v2 == 0;
}

// Gauss-Legendre rules of order 2, 4, ..., 128 on one piece until two successive orders
// agree to the record's tolerance. Each order costs N new evaluations (the rules share no
// points), 254 at most.
//
// A relative change cannot be formed for sums of exactly 0, which arise in two ways. An
// integrand odd about the middle of the piece gives them from values that cancel; two in
// a row are taken as the integral 0, after the integral over the upper half has been
// found to exist when `zeroSums` asks for it (1/x over [-1, 1] cancels as well, and
// diverges). An integrand whose values at the Gauss points are all 0 has lost its mass
// between them (EXP(-x) over [0, 1e6] underflows at every point up to order 64 and gave
// 0): its zero stands only when f is 0 at both ends too, as an empty line is.
long double GaussDoublingRule(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece,
                              TZeroSums zeroSums, int depth = 0) {
  const TQuadTable* table = NeedQuadTable(ctx);
  if (!table) {
    rec.IntegFailed = 1;
    return 0;
  }
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const long double c = (u1 + u2) / 2;
  const long double h = (u2 - u1) / 2;
  long double previous = ExprErrorValue;
  bool previousCancelled = false;
  bool anyValue = false;  // some value at some order was not 0
  long double rel = 1;    // stands when no order gave a sum to compare
  long double s = 0;
  for (int m = 1; m <= kQuadLargestHalfOrder; m *= 2) {
    const long double* x = table->Abscissas(m);
    const long double* w = table->Weights(m);
    s = 0;
    bool nonZero = false;
    for (int i = 0; i < m; ++i) {
      const long double d = h * x[i];
      long double plus = 0;
      long double minus = 0;
      if (!PieceValueChecked(ctx, f, piece, c + d, plus) ||
          !PieceValueChecked(ctx, f, piece, c - d, minus)) {
        ctx.SetError(kErrIntegralSingularity);
        rec.IntegFailed = 1;
        return 0;
      }
      nonZero = nonZero || plus != 0 || minus != 0;
      s += w[i] * (plus + minus);
    }
    s *= h;
    anyValue = anyValue || nonZero;
    if (s != 0) {
      rel = std::fabs((s - previous) / s);
      if (rel < rec.IntegTolerance) {
        rec.IntegErrorEstimate += rel;
        return s;
      }
    } else if (nonZero && previous == 0 && previousCancelled) {
      if (zeroSums == TZeroSums::kTakeAsZero || depth >= kZeroCheckDepth) return 0;
      if (UpperHalfExists(rec, [&] { return GaussDoublingRule(ctx, rec, f, UpperHalf(piece), zeroSums, depth + 1); }))
        return 0;
      rec.IntegFailed = 1;
      ctx.SetError(kErrIntegralConvergence);
      return 0;
    }
    previous = s;
    previousCancelled = s == 0 && nonZero;
  }
  if (!anyValue && ZeroAtEnds(ctx, f, piece)) return 0;
  rec.IntegFailed = 1;
  ctx.SetError(kErrIntegralConvergence);
  rec.IntegErrorEstimate += rel;
  return s;
}

long double GaussSplitRange(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                            bool lowTail, bool highTail, TZeroSums zeroSums) {
  if (a == b) return 0;
  if (b < a) std::swap(a, b);
  const TIntegPieces pieces = SplitIntegRange(a, b, lowTail, highTail);
  return SumPieces(ctx, pieces.count,
                   [&](int i) { return GaussDoublingRule(ctx, rec, f, pieces.piece[i], zeroSums); });
}

// f at t; a failure is retried once, nudged off the point (to 1e-30 when t is 0, else by
// a relative 1e-12). False when the retry fails too.
bool NudgedValue(ExprContext& ctx, TIntegrand f, long double t, long double& v) {
  const TIntegPiece direct;
  if (PieceValueChecked(ctx, f, direct, t, v)) return true;
  const long double nudged = t == 0 ? 1e-30 : t * (1 + 1e-12);
  return PieceValueChecked(ctx, f, direct, nudged, v);
}

}  // namespace

TIntegPieces SplitIntegRange(long double a, long double b, bool lowTail, bool highTail) {
  const bool low = a == -INFINITY || lowTail;
  const bool high = b == INFINITY || highTail;
  TIntegPieces pieces;
  if (low && high) {
    const long double p = TailSplitLow(a);
    const long double q = TailSplitHigh(b);
    pieces.Add(a, p, TPieceMode::kTail);
    pieces.Add(p, q, TPieceMode::kDirect);
    pieces.Add(q, b, TPieceMode::kTail);
  } else if (high) {
    if (a > 0) {
      pieces.Add(a, b, TPieceMode::kTail);
    } else {
      const long double q = TailSplitHigh(b);
      pieces.Add(a, q, TPieceMode::kDirect);
      pieces.Add(q, b, TPieceMode::kTail);
    }
  } else if (low) {
    if (b < 0) {
      pieces.Add(a, b, TPieceMode::kTail);
    } else {
      const long double p = TailSplitLowAlone(a);
      pieces.Add(a, p, TPieceMode::kTail);
      pieces.Add(p, b, TPieceMode::kDirect);
    }
  } else {
    pieces.Add(a, b, TPieceMode::kDirect);
  }
  return pieces;
}

long double IntegrateGaussWith(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                               long double tol, TZeroSums zeroSums) {
  const long double r =
      IntegrateWithRetry(ctx, rec, a, b, tol, [&](long double lo, long double hi, bool lowTail, bool highTail) {
        return GaussSplitRange(ctx, rec, f, lo, hi, lowTail, highTail, zeroSums);
      });
  return FiniteIntegral(ctx, rec, r);
}

long double IntegrateGauss(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                           long double tol) {
  return IntegrateGaussWith(ctx, rec, f, a, b, tol, TZeroSums::kConfirmOnHalf);
}

long double IntegrateGaussN(ExprContext& ctx, TIntegrand f, long double a, long double b, int n) {
  const TQuadTable* table = NeedQuadTable(ctx);
  if (!table) return 0;
  const int m = n / 2 < 1 ? 1 : (n / 2 > kQuadLargestHalfOrder ? kQuadLargestHalfOrder : n / 2);
  const long double c = (a + b) / 2;
  const long double h = (b - a) / 2;
  const long double* x = table->Abscissas(m);
  const long double* w = table->Weights(m);
  ctx.ExprMathError = 0;
  long double s = 0;
  for (int i = 0; i < m; ++i) {
    long double plus = 0;
    long double minus = 0;
    if (!NudgedValue(ctx, f, c + h * x[i], plus) || !NudgedValue(ctx, f, c - h * x[i], minus)) {
      ctx.SetError(kErrIntegralSingularity);
      return ExprErrorValue;
    }
    s += w[i] * (plus + minus);
  }
  return h * s;
}

namespace {

// One automatic integral: the engines in turn over the budgeted integrand, and the check
// of a result of exactly 0.
class TAutoIntegral {
 public:
  TAutoIntegral(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double tol)
      : ctx_(ctx), rec_(rec), f_(f), tol_(tol) {}

  // The engines over [a, b]; `confirmZero` checks a Gauss result of exactly 0 (below).
  long double Run(long double a, long double b, bool confirmZero);

 private:
  struct Attempt {
    long double result = 0;
    long double estimate = 0;
    bool made = false;
  };

  // The engines share one budget of integrand values. Once it is spent every further
  // value fails, so that Gauss, Romberg and tanh-sinh stop at once; the differential-
  // equation engines take a failed value as slope 0 and would run on to a made-up result,
  // so the attempt that spent the budget is never kept, and no engine is tried after it.
  long double Value(long double t) {
    if (valuesLeft_ <= 0) {
      ctx_.ExprMathError = kErrIntegralConvergence;
      return 0;
    }
    --valuesLeft_;
    return f_(t);
  }

  // Runs `engine` over [a, b]; true when it converged. While `tracking_`, the largest
  // |f| is kept (a NaN passed over); only then, so that it costs the other runs nothing.
  template <typename Engine>
  bool Try(Attempt& at, Engine engine, long double a, long double b) {
    if (spent_) return false;
    const auto tracked = [this](long double t) {
      const long double v = Value(t);
      if (std::fabs(v) > largest_) largest_ = std::fabs(v);
      return v;
    };
    const auto plain = [this](long double t) { return Value(t); };
    at.result = tracking_ ? engine(ctx_, rec_, tracked, a, b, tol_) : engine(ctx_, rec_, plain, a, b, tol_);
    at.estimate = rec_.IntegErrorEstimate;
    at.made = true;
    if (valuesLeft_ <= 0) {
      spent_ = true;
      at.made = false;
      rec_.IntegFailed = 1;
    }
    if (rec_.IntegFailed != 0) ctx_.ClearErrors();
    return rec_.IntegFailed == 0;
  }

  long double ConfirmZero(const Attempt& gauss, long double a, long double b);

  ExprContext& ctx_;
  TIntegRecord& rec_;
  TIntegrand f_;
  long double tol_;
  std::int64_t valuesLeft_ = kAutoIntegralValues;
  bool spent_ = false;
  // The largest |f| met while `tracking_`: in the Gauss attempt over the whole range and
  // in the check of its zero.
  bool tracking_ = false;
  long double largest_ = 0;
};

long double TAutoIntegral::Run(long double a, long double b, bool confirmZero) {
  Attempt gauss, sinh, romberg, bs, rk;
  if (confirmZero) {
    largest_ = 0;
    tracking_ = true;
  }
  // The Gauss attempt takes cancelling sums as 0; ConfirmZero below confirms that zero.
  const auto gaussTakingZero = [](ExprContext& c, TIntegRecord& r, TIntegrand g, long double lo, long double hi,
                                  long double t) {
    return IntegrateGaussWith(c, r, g, lo, hi, t, TZeroSums::kTakeAsZero);
  };
  const bool converged = Try(gauss, gaussTakingZero, a, b);
  if (confirmZero) tracking_ = false;
  if (converged) return confirmZero && gauss.result == 0 ? ConfirmZero(gauss, a, b) : gauss.result;

  // Is the integrand undefined at a limit? Then the engines that evaluate the ends are
  // tried last. An infinite limit is never evaluated (no engine evaluates f there).
  if (std::isfinite(a)) Value(a);
  if (std::isfinite(b)) Value(b);
  const bool bad = ctx_.ExprMathError != 0;
  ctx_.ClearErrors();

  // Where Gauss fails, the integrand is usually singular at an end, in value (LN, a
  // negative power, undefined there) or in a derivative (SQRT(1 - x^2) at -1 and 1), or
  // falls slowly toward an infinite limit, which the tail makes an end singularity in u.
  // The tanh-sinh rule integrates those to full accuracy where the others stall or, worse,
  // stop early on a misleading estimate; so it comes next, for every range.
  if (Try(sinh, IntegrateTanhSinh, a, b)) return sinh.result;
  if (a == -INFINITY || b == INFINITY || bad) {
    if (Try(romberg, IntegrateRomberg, a, b)) return romberg.result;
    if (!bad && Try(bs, IntegrateOdeBS, a, b)) return bs.result;
  } else {
    if (Try(bs, IntegrateOdeBS, a, b)) return bs.result;
    if (Try(romberg, IntegrateRomberg, a, b)) return romberg.result;
  }
  if (Try(rk, IntegrateOdeRK, a, b)) return rk.result;

  // All failed: the result with the smallest estimate, the earlier method on a tie. When
  // no estimate is below 1e30 (all huge or not numbers), the Gauss result is kept.
  ctx_.ClearErrors();
  long double best = 1e30;
  long double result = gauss.result;
  for (const Attempt* at : {&gauss, &sinh, &romberg, &bs, &rk}) {
    if (at->made && std::fabs(at->estimate) < best) {
      best = std::fabs(at->estimate);
      result = at->result;
    }
  }
  rec_.IntegFailed = 1;
  rec_.IntegErrorEstimate = best;
  ctx_.SetError(kErrIntegralConvergence);
  return result;
}

// Gauss sums of exactly 0 come from an integrand that is odd about the middle of the
// range, and the Gauss rule takes two of them as the integral 0. That holds only when
// the integral over each half exists: 1/x over [-1, 1], or TAN over [-2, 2] with its
// poles at -pi/2 and pi/2, gives zero sums as well and diverges. So the upper half is
// integrated too, by all the engines. When none of them converges there, the integral
// fails if the integrand showed that it is unbounded on the half (a value a million
// times the largest at the Gauss points); a bounded one that merely defeats the engines
// (SIN(1/$) next to 0) has a half integral all the same, and its zero stands. A range
// with one infinite limit is not symmetric and is taken as it is; on the whole line the
// Gauss tails have converged, and the half holds the rest of the middle piece.
long double TAutoIntegral::ConfirmZero(const Attempt& gauss, long double a, long double b) {
  constexpr long double kUnboundedGrowth = 1e6;
  long double middle = 0;
  if (std::isfinite(a) && std::isfinite(b)) {
    middle = a / 2 + b / 2;
  } else if (!(a == -INFINITY && b == INFINITY)) {
    return gauss.result;
  }
  const long double atGaussPoints = largest_;
  largest_ = 0;
  tracking_ = true;
  Run(middle, b, false);
  tracking_ = false;
  ctx_.ClearErrors();
  if (rec_.IntegFailed != 0 && !(largest_ <= kUnboundedGrowth * atGaussPoints)) {
    ctx_.SetError(kErrIntegralConvergence);
    return gauss.result;
  }
  rec_.IntegTolerance = tol_;
  rec_.IntegFailed = 0;
  rec_.IntegErrorEstimate = gauss.estimate;
  return gauss.result;
}

}  // namespace

long double IntegrateAuto(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                          long double tol) {
  return TAutoIntegral(ctx, rec, f, tol).Run(a, b, true);
}
