// What the integration engines share: the pieces a range is split into, the change of
// variable of a piece, the integrand evaluated with its failure test, and the frame that
// tries a wide range a second time with 1/x tails.
#pragma once

#include <cmath>
#include <utility>

#include "app/long_double.h"
#include "expr/integration.h"

// How a piece is integrated: directly in x, or as a tail through x = 1/u (the integrand
// becomes f(1/u)/u^2 over u from 1/hi to 1/lo).
enum class TPieceMode { kDirect = 1, kTail = 2 };

struct TIntegPiece {
  long double lo = 0;
  long double hi = 0;
  TPieceMode mode = TPieceMode::kDirect;
};

struct TIntegPieces {
  TIntegPiece piece[3];
  int count = 0;
  void Add(long double lo, long double hi, TPieceMode mode) { piece[count++] = {lo, hi, mode}; }
};

// How the Gauss rule takes a piece whose sums are exactly 0 from values that cancel (an
// integrand odd about the piece's middle): confirmed by integrating the upper half, whose
// failure fails the piece (a divergent 1/x over [-1, 1] cancels too), or taken as 0 by a
// caller that confirms such a zero itself (the automatic integral). The halving goes
// kZeroCheckDepth levels deep for an integrand odd about every middle.
enum class TZeroSums { kConfirmOnHalf, kTakeAsZero };
inline constexpr int kZeroCheckDepth = 6;
long double IntegrateGaussWith(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                               long double tol, TZeroSums zeroSums);

// Split points of the tails: p and q below and above the direct middle piece, and p1 for
// a lower tail alone.
inline long double TailSplitLow(long double a) { return std::fmax(a / 2, -0.99); }
inline long double TailSplitHigh(long double b) { return std::fmin(b / 2, 0.99); }
inline long double TailSplitLowAlone(long double a) { return std::fmax(a / 2, -1.0L); }

// The pieces of [a, b], a < b: a lower tail when a is minus infinity or lowTail, an upper
// tail when b is plus infinity or highTail, the rest directly.
TIntegPieces SplitIntegRange(long double a, long double b, bool lowTail, bool highTail);

// The interval in the piece's own variable, in ascending order.
inline void PieceInterval(const TIntegPiece& p, long double& u1, long double& u2) {
  if (p.mode == TPieceMode::kDirect) {
    u1 = p.lo;
    u2 = p.hi;
  } else {
    u1 = 1 / p.hi;
    u2 = 1 / p.lo;
  }
  if (u1 > u2) std::swap(u1, u2);
}

// The upper half of a piece in the piece's own variable u (for a tail, x = 1/u).
inline TIntegPiece UpperHalf(const TIntegPiece& piece) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const long double mid = u1 / 2 + u2 / 2;
  if (piece.mode == TPieceMode::kDirect) return {mid, u2, TPieceMode::kDirect};
  return {1 / u2, 1 / mid, TPieceMode::kTail};
}

// Whether the integral over the upper half of a piece whose sums cancelled to 0 exists:
// `halfRule` integrates that half, and the record's failure and estimate are left as they
// were.
template <class HalfRule>
bool UpperHalfExists(TIntegRecord& rec, HalfRule&& halfRule) {
  const long double estimate = rec.IntegErrorEstimate;
  const int failedBefore = rec.IntegFailed;
  rec.IntegFailed = 0;
  const long double half = halfRule();
  const bool exists = rec.IntegFailed == 0 && std::isfinite(half);
  rec.IntegFailed = failedBefore;
  rec.IntegErrorEstimate = estimate;
  return exists;
}

// Where a tail's end at u = 0 (an infinite limit) is evaluated, on the piece's side of 0.
inline constexpr long double kTailEnd = 1e-30;

// Does the piece's variable u reach 0, that is does the piece run to an infinite limit?
inline bool PieceReachesInfinity(const TIntegPiece& p) {
  return p.mode == TPieceMode::kTail && (std::isinf(p.lo) || std::isinf(p.hi));
}

// The integrand in the piece's variable. A tail's end at u = 0 (an infinite limit) is
// never evaluated at an infinite x: the value there is taken at u = kTailEnd on the
// piece's side of 0, the limit of f(1/u)/u^2 to working accuracy (1 for f = 1/x^2, 0 for
// a tail that decays faster, large for one that decays more slowly).
inline long double PieceValue(TIntegrand f, const TIntegPiece& piece, long double u) {
  if (piece.mode == TPieceMode::kDirect) return f(u);
  if (u == 0) u = piece.lo > 0 ? kTailEnd : -kTailEnd;
  return f(1 / u) / (u * u);
}

// PieceValue with ExprMathError cleared first; false (the code cleared again) when the
// evaluation raised one.
inline bool PieceValueChecked(ExprContext& ctx, TIntegrand f, const TIntegPiece& piece, long double u,
                              long double& v) {
  ctx.ExprMathError = 0;
  v = PieceValue(f, piece, u);
  if (ctx.ExprMathError == 0) return true;
  ctx.ExprMathError = 0;
  return false;
}

// Adds up rule(0) .. rule(count - 1), the results of a range's pieces. A piece's failure
// code can be cleared by the next piece's evaluations; the last code raised is put back
// at the end, so a failed piece is never reported as a success.
template <typename Rule>
long double SumPieces(ExprContext& ctx, int count, Rule rule) {
  long double sum = 0;
  int code = 0;
  for (int i = 0; i < count; ++i) {
    sum += rule(i);
    if (ctx.ExprMathError != 0) code = ctx.ExprMathError;
  }
  if (code != 0 && ctx.ExprMathError == 0) ctx.SetError(code);
  return sum;
}

// A result that is not a number (a NaN limit, an integrand that gives NaN or infinity
// without raising a code, a sum that overflows) is a failed integral: the missing value
// with -100 raised, never a NaN or infinity handed on as a value. `markRecord` false for
// the engines that report failure through the code alone (Simpson).
inline long double FiniteIntegral(ExprContext& ctx, TIntegRecord& rec, long double r, bool markRecord = true) {
  if (std::isfinite(r)) return r;
  if (markRecord) rec.IntegFailed = 1;
  if (ctx.ExprMathError == 0) ctx.SetError(kErrIntegralConvergence);
  return ExprErrorValue;
}

// Does IntegrateWithRetry integrate [a, b] again with 1/x tails when the attempt without
// them (no tail flags) fails? On a finite range reaching past -2 or 2.
inline bool WillRetryWithTails(long double a, long double b, bool lowTail, bool highTail) {
  return !lowTail && !highTail && std::isfinite(a) && std::isfinite(b) && (a < -2 || b > 2);
}

// The frame of the Gauss, Romberg and differential-equation engines: store tol, clear
// the failure state and integrate by `split`(a, b, lowTail, highTail). When that fails on
// a finite range reaching past -2 or 2, clear the errors and integrate again with the far
// parts as 1/x tails; a converged attempt wins over a failed one, and of two failed ones
// the one with the smaller estimate (the first on a tie).
template <typename Split>
long double IntegrateWithRetry(ExprContext& ctx, TIntegRecord& rec, long double a, long double b, long double tol,
                               Split split) {
  if (b < a) std::swap(a, b);
  rec.IntegTolerance = tol;
  rec.IntegFailed = 0;
  rec.IntegErrorEstimate = 0;
  const long double r1 = split(a, b, false, false);
  if (rec.IntegFailed == 0 || !WillRetryWithTails(a, b, false, false)) return r1;

  ctx.ClearErrors();
  const long double e1 = rec.IntegErrorEstimate;
  rec.IntegErrorEstimate = 0;
  rec.IntegFailed = 0;
  const long double r2 = split(a, b, a < -2, b > 2);
  // A converged second attempt wins over the failed first one whatever their estimates:
  // returning the first would report a result that did not converge as a success.
  if (rec.IntegFailed == 0 || rec.IntegErrorEstimate < e1) return r2;
  rec.IntegErrorEstimate = e1;
  return r1;
}
