// The automatic integral ("AI", "AIP"): the Gauss rule first, then the other engines in
// turn over one budget of integrand values, and the checks of what they give: a Gauss
// result of exactly 0 from values that cancel, and an inner point where the integrand is
// singular or sharply peaked, which every rule over the whole range misjudges.
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "expr/integration_pieces.h"
#include "expr/quadrature_table.h"

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
  // |f| and where it was met are kept (a NaN passed over); only then, so that it costs the
  // other runs nothing.
  template <typename Engine>
  bool Try(Attempt& at, Engine engine, long double a, long double b) {
    if (spent_) return false;
    const auto tracked = [this](long double t) {
      const long double v = Value(t);
      if (std::fabs(v) > largest_) {
        largest_ = std::fabs(v);
        largestAt_ = t;
      }
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

  // An inner point of [a, b] where |f| is largest, and whether f is singular there.
  // Where the singular point lies between two long doubles, no rule sees the mass beside
  // it (for 1/SQRT(ABS($*$-2)) next to the root of 2, some 3e-10 of the integral):
  // `unseen` bounds it from the values at the neighbours of x.
  struct TInnerPeak {
    long double x = 0;
    bool found = false;
    bool singular = false;
    long double unseen = 0;
  };
  TInnerPeak FindInnerPeak(long double a, long double b);
  // |f(x)|, infinite where f fails (a singular point), 0 for a NaN.
  long double Size(long double x);
  // The integral over [a, b] split at s, each part by the tanh-sinh rule, added to the
  // sums; a part that fails is split at its own peak, down to kSplitDepth levels. False
  // when a part fails there too.
  struct TSplitSums {
    long double value = 0;
    long double estimate = 0;  // the parts' relative estimates
    long double unseen = 0;    // the mass beside the singular points that no part sees
  };
  bool SplitAt(long double a, long double s, long double b, int depth, TSplitSums& sums);
  // The pieces of [a, b] (infinite limits through 1/x tails), each cut into halves by
  // Bisect; false when a piece cannot be integrated so. `roughInside_` tells afterwards
  // whether a part inside the range, off both limits, never converged however narrow it
  // was cut (a jump, a kink or a cusp there, or values too rough for the tolerance).
  bool BisectRange(long double a, long double b, long double& value);
  bool Bisect(const TIntegPiece& piece, long double& value);
  bool BisectOnce(const TIntegPiece& piece, long double partTol, long double narrowLimit, long double& sum,
                  long double& magnitude, long double& missed);

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
  long double largestAt_ = std::numeric_limits<long double>::quiet_NaN();
  // The limits of the range BisectRange works on, and what it found inside them.
  long double rangeLo_ = 0;
  long double rangeHi_ = 0;
  bool roughInside_ = false;
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

  // On a finite range the rules above also fail at an inner point where the integrand is
  // singular (|x - 0.5|^-0.5 over [0, 1]) or sharply peaked (a Gaussian 1e-3 wide over
  // [-100, 100]). Split there, each part has it at an end, where the tanh-sinh rule
  // integrates it. The differential-equation engines step across such a singular point
  // on an estimate that does not see it (they gave 2.82842707996 for 2.82842712474619 with
  // an estimate of 3e-11), so they are not tried where one was found.
  TInnerPeak inner;
  if (std::isfinite(a) && std::isfinite(b)) {
    inner = FindInnerPeak(a, b);
    TSplitSums sums;
    sums.unseen = inner.unseen;
    if (inner.found && SplitAt(a, inner.x, b, 0, sums) && sums.unseen <= tol_ * std::fabs(sums.value)) {
      rec_.IntegTolerance = tol_;
      rec_.IntegFailed = 0;
      rec_.IntegErrorEstimate = sums.estimate + (sums.value != 0 ? sums.unseen / std::fabs(sums.value) : 0);
      return sums.value;
    }
  }
  // A jump (IF, FLOOR) or a peak the rules above did not take: the Gauss rule on halves
  // of halves finds it, wherever it lies. The differential-equation engines step across
  // a jump on an estimate that does not see it (they gave 30.25 for 30.24995 with
  // $*IF($<0.01,1,2) over [0, 5.5], 2.75 for 2.297 with IF($<3.203,0,1)), so they come only
  // after it.
  if (long double value = 0; BisectRange(a, b, value)) {
    rec_.IntegTolerance = tol_;
    rec_.IntegFailed = 0;
    rec_.IntegVanished = 0;
    return value;
  }
  // The differential-equation engines are not tried after an inner singular point, nor
  // where the halves of halves met a place inside the range on which no part converged,
  // however narrow: they step across it unseen (beside the cusp of |x - c|^0.18 at
  // tolerance 1e-12, Bulirsch-Stoer gave 437.320174135737 for 437.320174133488 with an
  // estimate of 4e-13).
  const bool odeEngines = !inner.singular && !roughInside_;
  if (a == -INFINITY || b == INFINITY || bad) {
    if (Try(romberg, IntegrateRomberg, a, b)) return romberg.result;
    if (!bad && odeEngines && Try(bs, IntegrateOdeBS, a, b)) return bs.result;
  } else {
    if (odeEngines && Try(bs, IntegrateOdeBS, a, b)) return bs.result;
    if (Try(romberg, IntegrateRomberg, a, b)) return romberg.result;
  }
  if (odeEngines && Try(rk, IntegrateOdeRK, a, b)) return rk.result;

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
// range at the Gauss points, and the Gauss rule takes two of them as the integral 0. That
// holds only when the integral over each half exists: 1/x over [-1, 1], or TAN over
// [-2, 2] with its poles at -pi/2 and pi/2, gives zero sums as well and diverges. So the
// upper half is integrated too, by all the engines. When none of them converges there,
// the integral fails if the integrand showed that it is unbounded on the half (a value a
// million times the largest at the Gauss points); a bounded one that merely defeats the
// engines (SIN(1/$) next to 0) has a half integral all the same, and its zero stands.
// Where the upper half converges, the lower one must cancel it: a staircase whose jumps
// lie nearly mirrored about the middle is odd at the Gauss points only (FLOOR($-2.29)
// over [0, 5.5] gave 0 for -0.2415), and then the halves' sum is the integral. A range
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
  const long double upper = Run(middle, b, false);
  tracking_ = false;
  ctx_.ClearErrors();
  if (rec_.IntegFailed != 0 && !(largest_ <= kUnboundedGrowth * atGaussPoints)) {
    ctx_.SetError(kErrIntegralConvergence);
    return gauss.result;
  }
  if (rec_.IntegFailed == 0) {
    // The lower half must cancel the upper one; where it does not, f was odd about the
    // middle at the Gauss points only, and the halves' sum is the integral.
    const long double upperEstimate = rec_.IntegErrorEstimate;
    const long double lower = Run(a, middle, false);
    ctx_.ClearErrors();
    if (rec_.IntegFailed != 0) {
      ctx_.SetError(kErrIntegralConvergence);
      return gauss.result;
    }
    if (!(std::fabs(upper + lower) <= tol_ * (std::fabs(upper) + std::fabs(lower)))) {
      rec_.IntegTolerance = tol_;
      rec_.IntegErrorEstimate += upperEstimate;
      return upper + lower;
    }
  }
  rec_.IntegTolerance = tol_;
  rec_.IntegFailed = 0;
  rec_.IntegErrorEstimate = gauss.estimate;
  return gauss.result;
}

long double TAutoIntegral::Size(long double x) {
  ctx_.ExprMathError = 0;
  const long double v = Value(x);
  const bool failed = ctx_.ExprMathError != 0;
  ctx_.ExprMathError = 0;
  if (failed) return INFINITY;
  return std::isnan(v) ? 0 : std::fabs(v);
}

// The largest |f| among kScanPoints evenly spaced inner points and the point of the
// Gauss attempt where |f| was largest, then zoomed in on: each round takes kZoomPoints
// points on either side within the spacing around the best point so far, which moves
// there, until the spacing reaches the rounding of x; then it moves one long double at a
// time while |f| grows. A point where f fails is the largest of all (a singular point hit
// exactly). The peak counts only where it is kDistinct times every scanned value more
// than two spacings away from it; it is singular where f fails there or where |f| is ten
// times that a billionth of the range away on both sides.
TAutoIntegral::TInnerPeak TAutoIntegral::FindInnerPeak(long double a, long double b) {
  constexpr int kScanPoints = 512;
  constexpr int kZoomPoints = 16;
  constexpr int kZoomRounds = 40;
  constexpr long double kSingularGrowth = 10;
  constexpr long double kSingularOffset = 1e-9L;
  constexpr int kUlpSteps = 64;
  constexpr long double kDistinct = 4;
  const long double scanSpacing = (b - a) / (kScanPoints + 1);
  long double spacing = scanSpacing;
  std::array<long double, kScanPoints + 1> scanned{};
  long double best = 0;
  long double at = 0;
  for (int k = 1; k <= kScanPoints && !spent_; ++k) {
    const long double x = a + spacing * k;
    const long double size = Size(x);
    scanned[static_cast<std::size_t>(k)] = size;
    if (size > best) {
      best = size;
      at = x;
    }
  }
  if (largestAt_ > a && largestAt_ < b && largest_ > best) {
    best = largest_;
    at = largestAt_;
  }
  if (!(best > 0) || spent_) return {};
  for (int round = 0; round < kZoomRounds && best != INFINITY && !spent_; ++round) {
    const long double step = spacing / kZoomPoints;
    if (!(step > LDBL_EPSILON * std::fabs(at))) break;
    long double next = at;
    for (int j = -kZoomPoints; j <= kZoomPoints; ++j) {
      const long double x = at + step * j;
      if (j == 0 || !(x > a && x < b)) continue;
      const long double size = Size(x);
      if (size > best) {
        best = size;
        next = x;
      }
    }
    at = next;
    spacing = 2 * step;
  }
  for (const long double toward : {a, b}) {
    for (int k = 0; k < kUlpSteps && best != INFINITY && !spent_; ++k) {
      const long double x = std::nextafter(at, toward);
      const long double size = x > a && x < b ? Size(x) : 0;
      if (!(size > best)) break;
      best = size;
      at = x;
    }
  }
  if (spent_) return {};
  // A peak that does not stand out from the values away from it (an oscillating
  // integrand, several peaks alike) is no point to split at.
  long double background = 0;
  for (int k = 1; k <= kScanPoints; ++k) {
    if (std::fabs(a + scanSpacing * k - at) > 2 * scanSpacing)
      background = std::fmax(background, scanned[static_cast<std::size_t>(k)]);
  }
  if (!(best > kDistinct * background)) return {};
  const long double offset = kSingularOffset * (b - a);
  const long double aside = std::fmax(Size(std::fmax(at - offset, a)), Size(std::fmin(at + offset, b)));
  TInnerPeak peak;
  peak.x = at;
  peak.found = at > a && at < b;
  peak.singular = peak.found && (best == INFINITY || best > kSingularGrowth * aside);
  if (peak.singular && best != INFINITY) {
    // Between the neighbours of x: twice what the values there give over one spacing each,
    // which bounds the mass of a singularity weaker than 1/|x - x0|.
    const long double below = std::nextafter(at, a);
    const long double above = std::nextafter(at, b);
    peak.unseen = 2 * (Size(below) * (at - below) + Size(above) * (above - at) + best * (above - below));
  }
  ctx_.ClearErrors();
  return peak;
}

bool TAutoIntegral::SplitAt(long double a, long double s, long double b, int depth, TSplitSums& sums) {
  constexpr int kSplitDepth = 3;
  for (const auto& [lo, hi] : {std::pair{a, s}, std::pair{s, b}}) {
    Attempt part;
    if (Try(part, IntegrateTanhSinh, lo, hi)) {
      sums.value += part.result;
      sums.estimate += part.estimate;
      continue;
    }
    if (depth + 1 >= kSplitDepth) return false;
    const TInnerPeak peak = FindInnerPeak(lo, hi);
    sums.unseen += peak.unseen;
    if (!peak.found || !SplitAt(lo, peak.x, hi, depth + 1, sums)) return false;
  }
  return true;
}

// The piece is taken by the Gauss rule (orders up to 128) where it confirms a part, else
// cut in halves, and the halves in halves, until a part is taken or so narrow that twice
// the largest |f| met on it over its width lies within a sixty-fourth of the tolerance of
// the piece's first integral of |f|: a jump lies in such a part, and the part's sum
// stands. A part where f fails at a point fails the piece. What the parts may miss
// together (the change of each part's last sums, what its confirmation found that a jump
// could hide, twice the largest |f| over the width of the narrow ones) must lie within the
// tolerance of the sum; where the parts cancel and it does not (IF($<2.74,-1,1) over
// [0, 5.5] is 0.02 of its integral of |f|), the parts are taken once more to as much finer
// a tolerance, the narrow ones to that of the sum. Values that all vanished in underflow
// count as 0 beside parts that show values and fail the piece where none does.
bool TAutoIntegral::Bisect(const TIntegPiece& piece, long double& value) {
  constexpr long double kFinestTolerance = 1e-17L;
  constexpr long double kNarrowShare = 1.0L / 64;
  long double sum = 0;
  long double magnitude = 0;
  long double missed = 0;
  if (!BisectOnce(piece, tol_, -1, sum, magnitude, missed)) return false;
  if (!(missed <= tol_ * std::fabs(sum))) {
    const long double finer = tol_ * std::fabs(sum) / (2 * magnitude);
    if (!(finer >= kFinestTolerance) ||
        !BisectOnce(piece, finer, kNarrowShare * tol_ * std::fabs(sum), sum, magnitude, missed) ||
        !(missed <= tol_ * std::fabs(sum)))
      return false;
  }
  value = sum;
  return true;
}

// One pass of Bisect with the parts' tolerance `partTol`: a part is narrow where twice the
// largest |f| over its width is at most `narrowLimit` (where that is negative, a
// sixty-fourth of the tolerance of the piece's first integral of |f|).
bool TAutoIntegral::BisectOnce(const TIntegPiece& piece, long double partTol, long double narrowLimit,
                               long double& sum, long double& magnitude, long double& missed) {
  constexpr int kPartHalfOrder = kQuadLargestHalfOrder;
  constexpr int kDeepest = 64;
  constexpr int kMostParts = 8192;
  constexpr long double kNarrowShare = 1.0L / 64;
  constexpr int kRoughDepth = 24;  // a part 6e-8 of the piece wide that does not converge
  struct TPart {
    long double lo;  // in the piece's own variable
    long double hi;
    int depth;
  };
  // A part of a tail from u = 0 reaches the tail's infinite limit (1/0 is never formed).
  const long double infinite = std::isinf(piece.lo) ? piece.lo : piece.hi;
  const auto inverse = [&](long double u) { return u == 0 ? infinite : 1 / u; };
  const auto partOf = [&](long double lo, long double hi) {
    return piece.mode == TPieceMode::kDirect ? TIntegPiece{lo, hi, TPieceMode::kDirect}
                                             : TIntegPiece{inverse(hi), inverse(lo), TPieceMode::kTail};
  };
  const auto budgeted = [this](long double t) { return Value(t); };
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  std::vector<TPart> stack{{u1, u2, 0}};
  TRangeValues values;
  sum = 0;
  magnitude = 0;
  missed = 0;
  int parts = 0;
  while (!stack.empty()) {
    const TPart part = stack.back();
    stack.pop_back();
    if (++parts > kMostParts) return false;
    TIntegRecord rec;
    ctx_.ClearErrors();
    const TGaussPiece g =
        IntegrateGaussPiece(ctx_, rec, budgeted, partOf(part.lo, part.hi), partTol, kPartHalfOrder, values);
    const bool undefined = ctx_.ExprMathError == kErrIntegralSingularity;
    ctx_.ClearErrors();
    // A part whose sums are not a number has such a value in it, at any finer spacing too.
    if (spent_ || undefined || std::isnan(g.value)) return false;
    if (narrowLimit < 0) narrowLimit = kNarrowShare * tol_ * g.magnitude;
    const long double narrow = 2 * g.largest * (part.hi - part.lo);
    if (rec.IntegFailed != 0 && (narrow <= narrowLimit || part.depth >= kRoughDepth)) {
      const TIntegPiece inX = partOf(part.lo, part.hi);
      if (inX.lo > rangeLo_ && inX.hi < rangeHi_) roughInside_ = true;
    }
    if (rec.IntegFailed == 0 || narrow <= narrowLimit) {
      sum += g.value;
      magnitude += g.magnitude;
      missed += rec.IntegFailed == 0 ? rec.IntegErrorEstimate * std::fabs(g.value) + g.unseen : narrow;
      continue;
    }
    const long double middle = part.lo + (part.hi - part.lo) / 2;
    if (part.depth >= kDeepest || !(middle > part.lo && middle < part.hi)) return false;
    stack.push_back({middle, part.hi, part.depth + 1});
    stack.push_back({part.lo, middle, part.depth + 1});
  }
  return !(values.vanished && !values.seen) && std::isfinite(sum);
}

bool TAutoIntegral::BisectRange(long double a, long double b, long double& value) {
  const TIntegPieces pieces = SplitIntegRange(a, b, false, false);
  rangeLo_ = a;
  rangeHi_ = b;
  roughInside_ = false;
  value = 0;
  for (int i = 0; i < pieces.count; ++i) {
    long double part = 0;
    if (!Bisect(pieces.piece[i], part)) return false;
    value += part;
  }
  return true;
}

}  // namespace

long double IntegrateAuto(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                          long double tol) {
  if (std::isnan(a) || std::isnan(b) || std::isnan(tol)) {
    // A limit or a tolerance that is not a number: every engine fails.
    rec.IntegTolerance = tol;
    rec.IntegFailed = 1;
    rec.IntegErrorEstimate = 1;
    rec.IntegVanished = 0;
    ctx.SetError(kErrIntegralConvergence);
    return ExprErrorValue;
  }
  return TAutoIntegral(ctx, rec, f, tol).Run(a, b, true);
}
