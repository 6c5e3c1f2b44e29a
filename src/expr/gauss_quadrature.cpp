// Gauss-Legendre integration: the order-doubling rule with its range splitting and the
// fixed-order rule.
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

// What a piece whose values were all exactly 0 can say. Its mass may lie between the
// points (EXP(-x*x) over [-1e4, 1e4] underflows at every point of every order, and gave 0
// for sqrt(pi)), so its zero is no evidence by itself:
//   kFail       the range is integrated again with 1/x tails, which look at it on every
//               scale: the piece fails;
//   kSearch     nothing else will look: the piece is searched at finer spacing first;
//   kTakeIfEnds the piece is part of such a look (a tail, or the middle between tails):
//               its zero stands where f is 0 at its ends too, as an empty line is.
enum class TAllZero { kFail, kSearch, kTakeIfEnds };

// Pieces of an all-zero piece searched, and the rule each is searched with (the 64-point
// rule: 2,048 values).
constexpr int kZeroSearchPieces = 32;
constexpr int kZeroSearchHalfOrder = 32;

long double GaussDoublingRule(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece,
                              TZeroSums zeroSums, TAllZero allZero, int depth = 0);

// Does f give a value other than 0 at the points of the 64-point rule on one of
// kZeroSearchPieces equal parts of the piece? A failing point counts as such a value (the
// doubling rule will meet it).
bool ValueFoundAtFinerSpacing(ExprContext& ctx, const TQuadTable& table, TIntegrand f, const TIntegPiece& piece) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const long double width = (u2 - u1) / kZeroSearchPieces;
  const long double* x = table.Abscissas(kZeroSearchHalfOrder);
  for (int k = 0; k < kZeroSearchPieces; ++k) {
    const long double h = width / 2;
    const long double c = u1 + width * k + h;
    for (int i = 0; i < kZeroSearchHalfOrder; ++i) {
      long double plus = 0;
      long double minus = 0;
      if (!PieceValueChecked(ctx, f, piece, c + h * x[i], plus) || !PieceValueChecked(ctx, f, piece, c - h * x[i], minus) ||
          plus != 0 || minus != 0)
        return true;
    }
  }
  return false;
}

// The piece as kZeroSearchPieces parts, each by the doubling rule; the parts whose values
// are all 0 again count as 0 (the piece showed its mass elsewhere).
long double IntegrateInParts(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece,
                             TZeroSums zeroSums, int depth) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const long double width = (u2 - u1) / kZeroSearchPieces;
  return SumPieces(ctx, kZeroSearchPieces, [&](int k) {
    const long double lo = u1 + width * k;
    const long double hi = k + 1 == kZeroSearchPieces ? u2 : lo + width;
    const TIntegPiece part = piece.mode == TPieceMode::kDirect ? TIntegPiece{lo, hi, TPieceMode::kDirect}
                                                               : TIntegPiece{1 / hi, 1 / lo, TPieceMode::kTail};
    return GaussDoublingRule(ctx, rec, f, part, zeroSums, TAllZero::kTakeIfEnds, depth);
  });
}

// Has the rule's integral of |f| settled from one order to the next (see GaussDoublingRule)?
bool MagnitudeSettled(long double magnitude, long double previous) {
  constexpr long double kSettled = 0.05L;
  return std::fabs(magnitude - previous) <= kSettled * magnitude;
}

// Gauss-Legendre rules of order 2, 4, ..., 128 on one piece until two successive orders
// agree to the record's tolerance, from order 8 on: the 2- and 4-point sums of a step
// agree exactly by chance (a unit step at 0 over [-1, 0.5] gave 0.75 for 0.5), and a
// smooth integrand that the 4-point rule integrates exactly costs 8 values more. Each
// order costs N new evaluations (the rules share no points), 254 at most.
//
// A relative change cannot be formed for sums of exactly 0, which arise in two ways. An
// integrand odd about the middle of the piece gives them from values that cancel; two in
// a row are taken as the integral 0, after the integral over the upper half has been
// found to exist when `zeroSums` asks for it (1/x over [-1, 1] cancels as well, and
// diverges). An integrand whose values at the Gauss points are all 0 is taken as
// `allZero` says.
//
// Sums that agree are taken only while the same rule's integral of |f| agrees too, to 5 %:
// at a pole in the middle of a piece the values on either side cancel, and the sums settle
// on the principal value (2.1145 for e^x / x over [-1, 1]) while the integral of |f| grows
// by 2 ln 2 / |residue| at every doubling. An integrand whose integral exists has an
// integral of |f| that settles as well, a little later where f changes sign.
//
// An integral that is 0 without values that cancel exactly (digamma over [1, 2], e^x - 1.718...
// over [0, 1]) gives sums of rounding noise whose relative changes never settle: from order 8
// on, two successive sums that both lie within the rounding of the values they add (1024
// epsilons of the integral of |f|) count as sums of 0, on the same terms.
long double GaussDoublingRule(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece,
                              TZeroSums zeroSums, TAllZero allZero, int depth) {
  constexpr int kFirstAcceptedHalfOrder = 4;  // the 8-point rule against the 4-point one
  constexpr long double kRoundingNoise = 1024 * 0x1p-63L;
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
  bool previousNoise = false;
  long double previousMagnitude = 0;
  // Sums that cancel to 0 (or to rounding noise) twice in a row: the integral 0 once its
  // upper half is found to exist, when `zeroSums` asks for that.
  const auto takeAsZero = [&] {
    if (zeroSums == TZeroSums::kTakeAsZero || depth >= kZeroCheckDepth) return true;
    return UpperHalfExists(rec, [&] {
      return GaussDoublingRule(ctx, rec, f, UpperHalf(piece), zeroSums, TAllZero::kTakeIfEnds, depth + 1);
    });
  };
  bool anyValue = false;  // some value at some order was not 0
  long double rel = 1;    // stands when no order gave a sum to compare
  long double s = 0;
  for (int m = 1; m <= kQuadLargestHalfOrder; m *= 2) {
    const long double* x = table->Abscissas(m);
    const long double* w = table->Weights(m);
    s = 0;
    long double magnitude = 0;  // the same rule's integral of |f|
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
      magnitude += w[i] * (std::fabs(plus) + std::fabs(minus));
    }
    s *= h;
    magnitude *= std::fabs(h);
    anyValue = anyValue || nonZero;
    const bool noise = nonZero && std::fabs(s) <= kRoundingNoise * magnitude;
    if (s != 0) {
      rel = std::fabs((s - previous) / s);
      if (rel < rec.IntegTolerance && m >= kFirstAcceptedHalfOrder && MagnitudeSettled(magnitude, previousMagnitude)) {
        rec.IntegErrorEstimate += rel;
        return s;
      }
    }
    const bool cancelledTwice = s == 0 && nonZero && previous == 0 && previousCancelled;
    const bool noiseTwice = noise && previousNoise && m >= kFirstAcceptedHalfOrder;
    if (cancelledTwice || noiseTwice) {
      if (takeAsZero()) {
        if (s != 0) rec.IntegErrorEstimate += std::fabs(s - previous) / magnitude;
        return s;
      }
      rec.IntegFailed = 1;
      ctx.SetError(kErrIntegralConvergence);
      return 0;
    }
    previous = s;
    previousMagnitude = magnitude;
    previousCancelled = s == 0 && nonZero;
    previousNoise = noise;
  }
  if (!anyValue) {
    if (allZero == TAllZero::kSearch && ValueFoundAtFinerSpacing(ctx, *table, f, piece))
      return IntegrateInParts(ctx, rec, f, piece, zeroSums, depth);
    if (allZero != TAllZero::kFail && ZeroAtEnds(ctx, f, piece)) return 0;
  }
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
  // Values all 0 on the one direct piece of a range that is integrated again with tails
  // if this fails (IntegrateWithRetry) fail it; on a range that is not, the piece is
  // searched; among tails they are a look on every scale.
  TAllZero allZero = TAllZero::kTakeIfEnds;
  if (pieces.count == 1 && pieces.piece[0].mode == TPieceMode::kDirect)
    allZero = WillRetryWithTails(a, b, lowTail, highTail) ? TAllZero::kFail : TAllZero::kSearch;
  return SumPieces(ctx, pieces.count,
                   [&](int i) { return GaussDoublingRule(ctx, rec, f, pieces.piece[i], zeroSums, allZero); });
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
