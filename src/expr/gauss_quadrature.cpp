// Gauss-Legendre integration: the order-doubling rule with its range splitting and the
// fixed-order rule.
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

#include "expr/integration_checks.h"
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
// `largest` is raised to the larger |f| there.
bool ZeroAtEnds(ExprContext& ctx, TIntegrand f, const TIntegPiece& piece, long double& largest) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  long double v1 = 0;
  long double v2 = 0;
  const bool ok = PieceValueChecked(ctx, f, piece, u1, v1) && PieceValueChecked(ctx, f, piece, u2, v2);
  largest = std::fmax(largest, std::fmax(std::fabs(v1), std::fabs(v2)));
  return ok && v1 == 0 && v2 == 0;
}

// What a piece whose values were all exactly 0 can say when they were computed exactly
// (0*$, a branch of IF). Its mass may still lie between the points, so its zero is no
// evidence by itself:
//   kFail       the range is integrated again with 1/x tails, which look at it on every
//               scale: the piece fails;
//   kSearch     nothing else will look: the piece is searched at finer spacing first;
//   kTakeIfEnds the piece is part of such a look (a tail, or the middle between tails):
//               its zero stands where f is 0 at its ends too, as an empty line is.
// Values that vanished in underflow are no evidence at all: EXP(-(x - 700)^2) underflows
// at every point of every order on the tail [0.99, 1400] as on [0, 0.99], and the two
// zeros were the integral. Such a piece is searched at finer spacing (unless it is a part
// of a search), and is otherwise taken as 0 only while another piece of the range shows
// values; a range where none does fails.
enum class TAllZero { kFail, kSearch, kTakeIfEnds };

// Pieces of an all-zero piece searched, and the rule each is searched with (the 64-point
// rule: 2,048 values).
constexpr int kZeroSearchPieces = 32;
constexpr int kZeroSearchHalfOrder = 32;
static_assert(kZeroSearchPieces <= 32, "the parts found are a 32-bit mask");

// Has the rule's integral of |f| settled from one order to the next (see TGaussRun::Piece)?
bool MagnitudeSettled(long double magnitude, long double previous) {
  constexpr long double kSettled = 0.05L;
  return std::fabs(magnitude - previous) <= kSettled * magnitude;
}

// The values of one order's rule at its nodes, c + h x_i (plus) and c - h x_i (minus).
struct TOrderValues {
  int m = 0;  // half the order
  std::array<long double, kQuadLargestHalfOrder> plus{};
  std::array<long double, kQuadLargestHalfOrder> minus{};
};

// The barycentric weights of the Gauss-Legendre nodes of the 2m-point rule,
// (-1)^j sqrt((1 - x_j^2) w_j) for the nodes in ascending order (Wang and Xiang, 2012):
// those of +x_i and -x_i differ in sign, and `lambda`[i] is that of +x_i.
void NodeWeights(const TQuadTable& table, int m, std::array<long double, kQuadLargestHalfOrder>& lambda) {
  const long double* x = table.Abscissas(m);
  const long double* w = table.Weights(m);
  for (int i = 0; i < m; ++i)
    lambda[static_cast<std::size_t>(i)] = (i % 2 == 0 ? 1 : -1) * std::sqrt((1 - x[i] * x[i]) * w[i]);
}

// The polynomial of degree 2m - 1 through the values of the 2m-point rule, by the
// barycentric formula with the weights of NodeWeights, at t and at -t (in the rule's
// variable, no node) at once: the quotients of the one are those of the other, the values
// of +x_i and -x_i swapped.
void NodePolynomialPair(const TQuadTable& table, const TOrderValues& v,
                        const std::array<long double, kQuadLargestHalfOrder>& lambda, long double t, long double& atPlus,
                        long double& atMinus) {
  const long double* x = table.Abscissas(v.m);
  long double plus = 0;
  long double minus = 0;
  long double den = 0;
  for (int i = 0; i < v.m; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    const long double up = lambda[at] / (t - x[i]);
    const long double down = -lambda[at] / (t + x[i]);
    plus += up * v.plus[at] + down * v.minus[at];
    minus += down * v.plus[at] + up * v.minus[at];
    den += up + down;
  }
  atPlus = plus / den;
  atMinus = minus / den;
}

// The Gauss doubling rule over the pieces of one attempt at a range, and what the pieces
// saw: whether a piece gave a value other than 0, and whether one was taken as 0 from
// values that vanished in underflow.
class TGaussRun {
 public:
  TGaussRun(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TQuadTable& table, TZeroSums zeroSums,
            TVanishedLook vanishedLook = TVanishedLook::kSearch, int largestHalfOrder = kQuadLargestHalfOrder)
      : ctx_(ctx),
        rec_(rec),
        f_(f),
        table_(table),
        zeroSums_(zeroSums),
        vanishedLook_(vanishedLook),
        largestHalfOrder_(largestHalfOrder) {}

  // One piece; `searched`: the piece is a part of a piece searched at finer spacing.
  long double Piece(const TIntegPiece& piece, TAllZero allZero, int depth = 0, bool searched = false);

  bool Seen() const { return piecesSeen_ > 0; }
  bool Vanished() const { return vanished_; }
  // The largest |f| met (at the nodes, the ends and the points of the confirmations), and
  // the integral of |f| by the last order taken.
  long double Largest() const { return largest_; }
  long double Magnitude() const { return magnitude_; }
  // What the confirmations of the pieces taken found off the polynomial, times the gaps
  // (TShareLimit): how much a jump there could still hide.
  long double Unseen() const { return unseen_; }

 private:
  // `scale`: what the tolerance is relative to, |sum| for sums that agree, the integral of
  // |f| for sums of 0 or of rounding noise.
  bool AgreementConfirmed(const TOrderValues& now, const TOrderValues& before, long double h, long double scale,
                          bool cancelled, TPieceChecks& checks);
  std::uint32_t PartsWithValues(const TIntegPiece& piece);
  long double InParts(const TIntegPiece& piece, std::uint32_t partsWithValues, int depth);
  long double Fail(long double s, long double rel) {
    rec_.IntegFailed = 1;
    ctx_.SetError(kErrIntegralConvergence);
    rec_.IntegErrorEstimate += rel;
    return s;
  }

  ExprContext& ctx_;
  TIntegRecord& rec_;
  TIntegrand f_;
  const TQuadTable& table_;
  TZeroSums zeroSums_;
  TVanishedLook vanishedLook_;
  int largestHalfOrder_;
  int piecesSeen_ = 0;  // pieces (and parts) that gave a value other than 0
  bool vanished_ = false;
  long double largest_ = 0;
  long double magnitude_ = 0;
  long double unseen_ = 0;
};

// Two successive orders agree, or cancel to 0 twice; the rule takes that only where f
// lies on the polynomial through the last order's values also at points neither order
// took (integration_checks.h). Two orders see the same values when a jump lies between
// their middle nodes (IF($<3.203,0,1) over [0, 5.5] gave 2.75 at orders 4 and 8 for
// 2.297), outside their outermost ones ($*IF($<0.07,1,2) gave 30.25 for 30.2474), or when
// two jumps lie nearly mirrored about the middle with no node of either order between
// their distances from it (FLOOR($-3.282) over [0, 5.5] gave -5.5 at orders 16 and 32 for
// -5.6927). So the points are beside the middle (a gap of the middle nodes' distance),
// the nodes of the order before (each in its gap to the nearest node), and the ladders
// toward the ends within the gap outside the outermost node. For a smooth integrand the
// polynomial through 2m nodes is about as close as the m-point sum, and every share
// passes.
bool TGaussRun::AgreementConfirmed(const TOrderValues& now, const TOrderValues& before, long double h,
                                   long double scale, bool cancelled, TPieceChecks& checks) {
  const long double* x = table_.Abscissas(now.m);
  const TShareLimit limit{rec_.IntegTolerance * scale / 8, std::fabs(h), cancelled};
  std::array<long double, kQuadLargestHalfOrder> lambda;
  NodeWeights(table_, now.m, lambda);
  // The checks ask for t and -t in turn: both come from one pass (NodePolynomialPair).
  long double pairAt = NAN;
  long double pairPlus = 0;
  long double pairMinus = 0;
  const auto polynomial = [&](long double t) {
    if (t == -pairAt) return pairMinus;
    if (t != pairAt) {
      pairAt = t;
      NodePolynomialPair(table_, now, lambda, t, pairPlus, pairMinus);
    }
    return pairPlus;
  };
  // Both orders' abscissas ascend: the nearest node of this order to each of the order
  // before lies beside it in one walk.
  const long double* y = table_.Abscissas(before.m);
  int next = 0;  // the first node of this order above y[k]
  for (int k = 0; k < before.m; ++k) {
    while (next < now.m && x[next] <= y[k]) ++next;
    long double gap = next < now.m ? x[next] - y[k] : 2;
    if (next > 0 && y[k] - x[next - 1] < gap) gap = y[k] - x[next - 1];
    const std::size_t at = static_cast<std::size_t>(k);
    long double modelUp = 0;
    long double modelDown = 0;
    NodePolynomialPair(table_, now, lambda, y[k], modelUp, modelDown);
    if (!limit.Within(before.plus[at], before.minus[at], modelUp, modelDown, gap)) return false;
  }
  long double largest = 0;
  for (int i = 0; i < now.m; ++i) {
    const std::size_t at = static_cast<std::size_t>(i);
    largest = std::fmax(largest, std::fmax(std::fabs(now.plus[at]), std::fabs(now.minus[at])));
  }
  const bool confirmed = MiddleConfirmed(checks, polynomial, x[0], limit) &&
                         LadderConfirmed(checks, TLadder::kEnds, polynomial, 1 - x[now.m - 1], largest, limit);
  largest_ = std::fmax(largest_, checks.Largest());
  if (confirmed) unseen_ += limit.total;
  return confirmed;
}

// Which of kZeroSearchPieces equal parts of the piece give a value other than 0 at a point
// of the 64-point rule (bit k for part k)? A failing point counts as such a value (the
// doubling rule will meet it).
std::uint32_t TGaussRun::PartsWithValues(const TIntegPiece& piece) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const long double width = (u2 - u1) / kZeroSearchPieces;
  const long double* x = table_.Abscissas(kZeroSearchHalfOrder);
  std::uint32_t parts = 0;
  for (int k = 0; k < kZeroSearchPieces; ++k) {
    const long double h = width / 2;
    const long double c = u1 + width * k + h;
    for (int i = 0; i < kZeroSearchHalfOrder; ++i) {
      long double plus = 0;
      long double minus = 0;
      if (!PieceValueChecked(ctx_, f_, piece, c + h * x[i], plus) ||
          !PieceValueChecked(ctx_, f_, piece, c - h * x[i], minus) || plus != 0 || minus != 0) {
        parts |= std::uint32_t{1} << k;
        break;
      }
    }
  }
  return parts;
}

// The piece as kZeroSearchPieces parts, each by the doubling rule. A part whose values are
// all 0 again counts as 0 (the piece showed its mass elsewhere), unless the search saw a
// value in it: then the mass lies where the part's own points do not reach, and the piece
// fails.
long double TGaussRun::InParts(const TIntegPiece& piece, std::uint32_t partsWithValues, int depth) {
  long double u1 = 0;
  long double u2 = 0;
  PieceInterval(piece, u1, u2);
  const long double width = (u2 - u1) / kZeroSearchPieces;
  return SumPieces(ctx_, kZeroSearchPieces, [&](int k) {
    const long double lo = u1 + width * k;
    const long double hi = k + 1 == kZeroSearchPieces ? u2 : lo + width;
    const TIntegPiece part = piece.mode == TPieceMode::kDirect ? TIntegPiece{lo, hi, TPieceMode::kDirect}
                                                               : TIntegPiece{TailX(hi), TailX(lo), TPieceMode::kTail};
    const int seenBefore = piecesSeen_;
    const long double r = Piece(part, TAllZero::kTakeIfEnds, depth, true);
    if ((partsWithValues >> k & 1U) != 0 && piecesSeen_ == seenBefore && ctx_.ExprMathError == 0) Fail(0, 1);
    return r;
  });
}

// Gauss-Legendre rules of order 2, 4, ..., 128 on one piece until two successive orders
// agree to the record's tolerance, from order 8 on (the 2- and 4-point sums of a step
// agree exactly by chance: a unit step at 0 over [-1, 0.5] gave 0.75 for 0.5), confirmed
// at points no node of either order took (AgreementConfirmed). Each order costs N new
// evaluations (the rules share no points), 254 at most, and the confirmation 3 once.
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
long double TGaussRun::Piece(const TIntegPiece& piece, TAllZero allZero, int depth, bool searched) {
  constexpr int kFirstAcceptedHalfOrder = 4;  // the 8-point rule against the 4-point one
  constexpr long double kRoundingNoise = 1024 * 0x1p-63L;
  const TUnderflowWatch underflow;
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
    if (zeroSums_ == TZeroSums::kTakeAsZero || depth >= kZeroCheckDepth) return true;
    return HalvesCancel(rec_, [&](bool upper) {
      return Piece(upper ? UpperHalf(piece) : LowerHalf(piece), TAllZero::kTakeIfEnds, depth + 1);
    });
  };
  TOrderValues now;
  TOrderValues before;
  TPieceChecks checks(ctx_, f_, piece, c, h);
  bool anyValue = false;  // some value at some order was not 0
  long double rel = 1;    // stands when no order gave a sum to compare
  long double s = 0;
  for (int m = 1; m <= largestHalfOrder_; m *= 2) {
    std::swap(before, now);
    now.m = m;
    const long double* x = table_.Abscissas(m);
    const long double* w = table_.Weights(m);
    s = 0;
    long double magnitude = 0;  // the same rule's integral of |f|
    bool nonZero = false;
    for (int i = 0; i < m; ++i) {
      const long double d = h * x[i];
      long double& plus = now.plus[static_cast<std::size_t>(i)];
      long double& minus = now.minus[static_cast<std::size_t>(i)];
      if (!PieceValueChecked(ctx_, f_, piece, c + d, plus) || !PieceValueChecked(ctx_, f_, piece, c - d, minus)) {
        ctx_.SetError(kErrIntegralSingularity);
        rec_.IntegFailed = 1;
        return 0;
      }
      nonZero = nonZero || plus != 0 || minus != 0;
      s += w[i] * (plus + minus);
      magnitude += w[i] * (std::fabs(plus) + std::fabs(minus));
      largest_ = std::fmax(largest_, std::fmax(std::fabs(plus), std::fabs(minus)));
    }
    s *= h;
    magnitude *= std::fabs(h);
    magnitude_ = magnitude;
    if (nonZero && !anyValue) ++piecesSeen_;
    anyValue = anyValue || nonZero;
    const bool noise = nonZero && std::fabs(s) <= kRoundingNoise * magnitude;
    if (s != 0) {
      rel = std::fabs((s - previous) / s);
      if (rel < rec_.IntegTolerance && m >= kFirstAcceptedHalfOrder && MagnitudeSettled(magnitude, previousMagnitude) &&
          AgreementConfirmed(now, before, h, std::fabs(s), false, checks)) {
        rec_.IntegErrorEstimate += rel;
        return s;
      }
    }
    const bool cancelledTwice = s == 0 && nonZero && previous == 0 && previousCancelled;
    const bool noiseTwice = noise && previousNoise && m >= kFirstAcceptedHalfOrder;
    if ((cancelledTwice || noiseTwice) && AgreementConfirmed(now, before, h, magnitude, cancelledTwice, checks)) {
      if (takeAsZero()) {
        if (s != 0) rec_.IntegErrorEstimate += std::fabs(s - previous) / magnitude;
        return s;
      }
      return Fail(0, 0);
    }
    previous = s;
    previousMagnitude = magnitude;
    previousCancelled = s == 0 && nonZero;
    previousNoise = noise;
  }
  if (!anyValue) {
    const bool vanished = underflow.Raised();
    if (allZero == TAllZero::kFail) {
      vanished_ = vanished_ || vanished;
    } else {
      const bool look = vanished ? vanishedLook_ == TVanishedLook::kSearch : allZero == TAllZero::kSearch;
      if (!searched && look) {
        if (const std::uint32_t parts = PartsWithValues(piece)) return InParts(piece, parts, depth);
      }
      if (vanished) {
        vanished_ = true;
        return 0;
      }
      if (ZeroAtEnds(ctx_, f_, piece, largest_)) return 0;
    }
  }
  return Fail(s, rel);
}

long double GaussSplitRange(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, long double a, long double b,
                            bool lowTail, bool highTail, TZeroSums zeroSums, TVanishedLook vanishedLook) {
  if (a == b) return 0;
  if (b < a) std::swap(a, b);
  const TQuadTable* table = NeedQuadTable(ctx);
  if (!table) {
    rec.IntegFailed = 1;
    return 0;
  }
  const TIntegPieces pieces = SplitIntegRange(a, b, lowTail, highTail);
  // Values all 0 on the one direct piece of a range that is integrated again with tails
  // if this fails (IntegrateWithRetry) fail it; on a range that is not, the piece is
  // searched; among tails they are a look on every scale.
  TAllZero allZero = TAllZero::kTakeIfEnds;
  if (pieces.count == 1 && pieces.piece[0].mode == TPieceMode::kDirect)
    allZero = WillRetryWithTails(a, b, lowTail, highTail) ? TAllZero::kFail : TAllZero::kSearch;
  TGaussRun run(ctx, rec, f, *table, zeroSums, vanishedLook);
  const long double r =
      SumPieces(ctx, pieces.count, [&](int i) { return run.Piece(pieces.piece[i], allZero); });
  TRangeValues{run.Seen(), run.Vanished()}.Judge(ctx, rec);
  return r;
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

TGaussPiece IntegrateGaussPiece(ExprContext& ctx, TIntegRecord& rec, TIntegrand f, const TIntegPiece& piece,
                                long double tol, int largestHalfOrder, TRangeValues& values) {
  TGaussPiece result;
  // The automatic integral's search of the parts of a range integrates without the file
  // where it is missing, with the rule computed here: it once took every part as done,
  // worth 0, and gave 0 for the integral with code 0.
  const TQuadTable* table = LoadQuadOverlay() >= 0 ? QuadTable() : &ComputedQuadTable();
  rec.IntegTolerance = tol;
  rec.IntegFailed = 0;
  rec.IntegErrorEstimate = 0;
  TGaussRun run(ctx, rec, f, *table, TZeroSums::kConfirmOnHalf, TVanishedLook::kSearch, largestHalfOrder);
  result.value = run.Piece(piece, TAllZero::kTakeIfEnds, 0, true);
  result.largest = run.Largest();
  result.magnitude = run.Magnitude();
  result.unseen = run.Unseen();
  values.seen = values.seen || run.Seen();
  values.vanished = values.vanished || run.Vanished();
  return result;
}

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
                               long double tol, TZeroSums zeroSums, TVanishedLook vanishedLook) {
  const long double r =
      IntegrateWithRetry(ctx, rec, a, b, tol, [&](long double lo, long double hi, bool lowTail, bool highTail) {
        return GaussSplitRange(ctx, rec, f, lo, hi, lowTail, highTail, zeroSums, vanishedLook);
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
