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

// Gauss-Legendre rules of order 2, 4, ..., 128 on one piece until two successive orders
// agree to the record's tolerance. Each order costs N new evaluations (the rules share no
// points), 254 at most.
long double GaussDoublingRule(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece) {
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
  long double rel = 1;  // stands when no order gave a sum to compare
  long double s = 0;
  for (int m = 1; m <= kQuadLargestHalfOrder; m *= 2) {
    const long double* x = table->Abscissas(m);
    const long double* w = table->Weights(m);
    s = 0;
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
      s += w[i] * (plus + minus);
    }
    s *= h;
    if (s != 0) {
      rel = std::fabs((s - previous) / s);
      if (rel < rec.IntegTolerance) {
        rec.IntegErrorEstimate += rel;
        return s;
      }
    } else if (previous == 0) {
      // Two successive sums of exactly 0 (an odd integrand on a symmetric range) are the
      // integral 0; a relative change cannot be formed, so without this the rule would
      // run through every order and report a convergence failure.
      return 0;
    }
    previous = s;
  }
  rec.IntegFailed = 1;
  ctx.SetError(kErrIntegralConvergence);
  rec.IntegErrorEstimate += rel;
  return s;
}

long double GaussSplitRange(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                            bool lowTail, bool highTail) {
  if (a == b) return 0;
  if (b < a) std::swap(a, b);
  const TIntegPieces pieces = SplitIntegRange(a, b, lowTail, highTail);
  return SumPieces(ctx, pieces.count, [&](int i) { return GaussDoublingRule(ctx, rec, f, pieces.piece[i]); });
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

long double IntegrateGauss(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                           long double tol) {
  const long double r =
      IntegrateWithRetry(ctx, rec, a, b, tol, [&](long double lo, long double hi, bool lowTail, bool highTail) {
        return GaussSplitRange(ctx, rec, f, lo, hi, lowTail, highTail);
      });
  return FiniteIntegral(ctx, rec, r);
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

long double IntegrateAuto(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                          long double tol) {
  struct Attempt {
    long double result = 0;
    long double estimate = 0;
    bool made = false;
  };
  // The engines share one budget of integrand values. Once it is spent every further
  // value fails, so that Gauss, Romberg and tanh-sinh stop at once; the differential-
  // equation engines take a failed value as slope 0 and would run on to a made-up result,
  // so the attempt that spent the budget is never kept, and no engine is tried after it.
  std::int64_t valuesLeft = kAutoIntegralValues;
  const auto budgeted = [&](long double t) -> long double {
    if (valuesLeft <= 0) {
      ctx.ExprMathError = kErrIntegralConvergence;
      return 0;
    }
    --valuesLeft;
    return f(t);
  };
  const TIntegrand g = budgeted;
  Attempt gauss, sinh, romberg, bs, rk;
  bool spent = false;
  auto attempt = [&](Attempt& at, auto engine) {
    if (spent) return false;
    at.result = engine(ctx, rec, g, a, b, tol);
    at.estimate = rec.IntegErrorEstimate;
    at.made = true;
    if (valuesLeft <= 0) {
      spent = true;
      at.made = false;
      rec.IntegFailed = 1;
    }
    if (rec.IntegFailed != 0) ctx.ClearErrors();
    return rec.IntegFailed == 0;
  };

  if (attempt(gauss, IntegrateGauss)) return gauss.result;

  // Is the integrand undefined at a limit? Then the engines that evaluate the ends are
  // tried last. An infinite limit is never evaluated (no engine evaluates f there).
  if (std::isfinite(a)) g(a);
  if (std::isfinite(b)) g(b);
  const bool bad = ctx.ExprMathError != 0;
  ctx.ClearErrors();

  // An end where f is undefined is usually a singularity there (LN, a negative power),
  // which the tanh-sinh rule integrates to full accuracy where the others stall or, worse,
  // stop early on a misleading estimate.
  if (bad && std::isfinite(a) && std::isfinite(b) && attempt(sinh, IntegrateTanhSinh)) return sinh.result;
  if (a == -INFINITY || b == INFINITY || bad) {
    if (attempt(romberg, IntegrateRomberg)) return romberg.result;
    if (!bad && attempt(bs, IntegrateOdeBS)) return bs.result;
  } else {
    if (attempt(bs, IntegrateOdeBS)) return bs.result;
    if (attempt(romberg, IntegrateRomberg)) return romberg.result;
  }
  if (attempt(rk, IntegrateOdeRK)) return rk.result;

  // All failed: the result with the smallest estimate, the earlier method on a tie. When
  // no estimate is below 1e30 (all huge or not numbers), the Gauss result is kept.
  ctx.ClearErrors();
  long double best = 1e30;
  long double result = gauss.result;
  for (const Attempt* at : {&gauss, &sinh, &romberg, &bs, &rk}) {
    if (at->made && std::fabs(at->estimate) < best) {
      best = std::fabs(at->estimate);
      result = at->result;
    }
  }
  rec.IntegFailed = 1;
  rec.IntegErrorEstimate = best;
  ctx.SetError(kErrIntegralConvergence);
  return result;
}
