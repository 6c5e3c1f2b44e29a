// What the integration engines share: the pieces a range is split into, the change of
// variable of a piece, the integrand evaluated with its failure test, and the frame that
// tries a wide range a second time with 1/x tails.
#pragma once

#include <cfenv>
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
// `vanishedLook`: a piece whose values all vanished in underflow is searched at finer
// spacing (kSearch), or is left to the range at once (kLeave: the integrals of a double
// integral, where the outer integral judges what its values show and a search at every
// outer point cost millions of values).
enum class TVanishedLook { kSearch, kLeave };
long double IntegrateGaussWith(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                               long double tol, TZeroSums zeroSums, TVanishedLook vanishedLook = TVanishedLook::kSearch);

// Did the integrand's values underflow while the watch stood? A value of exactly 0 that
// came from an underflow (EXP(-1E6)) says nothing of where the mass lies, one computed
// exactly (0*$, a branch of IF) is the integrand's value. The processor's flag is cleared
// at the start, only when set (clearing reloads the floating-point environment), and put
// back at the end when it was set before, so that an enclosing watch (the outer integral
// of a double integral) still sees it.
class TUnderflowWatch {
 public:
  TUnderflowWatch() : before_(std::fetestexcept(FE_UNDERFLOW) != 0) {
    if (before_) std::feclearexcept(FE_UNDERFLOW);
  }
  ~TUnderflowWatch() {
    if (before_) std::feraiseexcept(FE_UNDERFLOW);
  }
  TUnderflowWatch(const TUnderflowWatch&) = delete;
  TUnderflowWatch& operator=(const TUnderflowWatch&) = delete;
  bool Raised() const { return std::fetestexcept(FE_UNDERFLOW) != 0; }

 private:
  bool before_;
};

// Split points of the tails: p and q below and above the direct middle piece, and p1 for
// a lower tail alone.
inline long double TailSplitLow(long double a) { return std::fmax(a / 2, -0.99); }
inline long double TailSplitHigh(long double b) { return std::fmin(b / 2, 0.99); }
inline long double TailSplitLowAlone(long double a) { return std::fmax(a / 2, -1.0L); }

// The pieces of [a, b], a < b: a lower tail when a is minus infinity or lowTail, an upper
// tail when b is plus infinity or highTail, the rest directly.
TIntegPieces SplitIntegRange(long double a, long double b, bool lowTail, bool highTail);

// x = 1/u of a tail, without the processor's division-by-zero flag, which a built-in's
// evaluation reads as "Division by Zero" when it is left raised: u = 0 is the tail's
// infinite end, with the sign of the zero (1/hi of the lower tail [-inf, q] is -0).
inline long double TailX(long double u) { return u == 0 ? std::copysign(HUGE_VALL, u) : 1 / u; }

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

// One half of a piece in the piece's own variable u (for a tail, x = 1/u).
inline TIntegPiece HalfOf(const TIntegPiece& piece, bool upper) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const long double mid = u1 / 2 + u2 / 2;
  const long double lo = upper ? mid : u1;
  const long double hi = upper ? u2 : mid;
  if (piece.mode == TPieceMode::kDirect) return {lo, hi, TPieceMode::kDirect};
  return {TailX(hi), TailX(lo), TPieceMode::kTail};
}

inline TIntegPiece UpperHalf(const TIntegPiece& piece) { return HalfOf(piece, true); }

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

inline TIntegPiece LowerHalf(const TIntegPiece& piece) { return HalfOf(piece, false); }

// Whether the integrals over both halves of a piece whose sums cancelled to 0 exist and
// cancel to the record's tolerance. Sums cancel where f is odd about the middle at the
// rule's points only: a staircase whose jumps lie nearly mirrored about it (FLOOR($-2.29)
// over [0, 5.5] cancels at every order, and its integral is -0.2415), and the rule's
// checks, which look at the even part of such sums only, cannot tell. `halfRule`(upper)
// integrates the upper or the lower half; the record's failure and estimate are left as
// they were.
template <class HalfRule>
bool HalvesCancel(TIntegRecord& rec, HalfRule&& halfRule) {
  const long double estimate = rec.IntegErrorEstimate;
  const int failedBefore = rec.IntegFailed;
  rec.IntegFailed = 0;
  const long double upper = halfRule(true);
  bool cancel = rec.IntegFailed == 0 && std::isfinite(upper);
  if (cancel) {
    const long double lower = halfRule(false);
    cancel = rec.IntegFailed == 0 && std::isfinite(lower) &&
             std::fabs(upper + lower) <= rec.IntegTolerance * (std::fabs(upper) + std::fabs(lower));
  }
  rec.IntegFailed = failedBefore;
  rec.IntegErrorEstimate = estimate;
  return cancel;
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

// What the pieces of one attempt at a range saw: whether one gave a value other than 0,
// and whether one was taken as 0 from values that all vanished in underflow. Such a zero
// is no evidence of its own: it stands beside a piece that shows mass (the middle piece of
// EXP(-(x - 1e3)^2) over the whole line, with the peak in a tail), and where no piece shows
// any the attempt fails, marked as vanished (IntegVanished).
struct TRangeValues {
  bool seen = false;
  bool vanished = false;

  void Judge(ExprContext& ctx, TIntegRecord& rec) const {
    if (!vanished || seen) return;
    rec.IntegFailed = 1;
    rec.IntegVanished = 1;
    ctx.SetError(kErrIntegralConvergence);
  }
};

// The Gauss doubling rule of IntegrateGauss on one piece alone, orders 2 .. 2
// largestHalfOrder, with its confirmations; values that all vanish in underflow leave the
// piece at 0 and are told in `values`. Sets the record's failure and estimate. Where the
// table file is missing, the rule computed in its stead (ComputedQuadTable) is used.
struct TGaussPiece {
  long double value = 0;
  long double largest = 0;    // the largest |f| met
  long double magnitude = 0;  // the integral of |f| by the last order taken
  long double unseen = 0;     // what a jump could still hide where the rule confirmed its sums
};
TGaussPiece IntegrateGaussPiece(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece,
                                long double tol, int largestHalfOrder, TRangeValues& values);

// Does f give a value other than 0 (or fail) at one of `count` points spread evenly over
// the piece, off every dyadic grid by the golden section of their spacing? The closer
// look at a piece whose values all vanished in underflow.
inline bool ValueFoundAtFinerSpacing(ExprContext& ctx, TIntegrand f, const TIntegPiece& piece, int count) {
  constexpr long double kOffset = 0.6180339887498948482L;
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const long double spacing = (u2 - u1) / count;
  for (int k = 0; k < count; ++k) {
    long double v = 0;
    if (!PieceValueChecked(ctx, f, piece, u1 + (k + kOffset) * spacing, v) || v != 0) return true;
  }
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
  rec.IntegVanished = 0;
  // A limit or a tolerance that is not a number: no sum can converge to it.
  if (std::isnan(a) || std::isnan(b) || std::isnan(tol)) {
    rec.IntegFailed = 1;
    rec.IntegErrorEstimate = 1;
    ctx.SetError(kErrIntegralConvergence);
    return ExprErrorValue;
  }
  const long double r1 = split(a, b, false, false);
  if (rec.IntegFailed == 0 || !WillRetryWithTails(a, b, false, false)) return r1;

  ctx.ClearErrors();
  const long double e1 = rec.IntegErrorEstimate;
  const int vanished1 = rec.IntegVanished;
  rec.IntegErrorEstimate = 0;
  rec.IntegFailed = 0;
  rec.IntegVanished = 0;
  const long double r2 = split(a, b, a < -2, b > 2);
  // Values vanished everywhere only when both attempts saw none.
  rec.IntegVanished = vanished1 != 0 && rec.IntegVanished != 0 ? 1 : 0;
  // A converged second attempt wins over the failed first one whatever their estimates:
  // returning the first would report a result that did not converge as a success.
  if (rec.IntegFailed == 0 || rec.IntegErrorEstimate < e1) return r2;
  rec.IntegErrorEstimate = e1;
  return r1;
}
