// What the Gauss and Romberg rules check before they take two agreeing sums as the
// integral of a piece: that f lies on the rule's smooth model of it at points the rule
// did not take. Sums agree where a jump hides from every point of the rule, between its
// middle nodes, beside an end, or as a pair mirrored about the middle; the points here are
// chosen so that no such place escapes them, whatever the positions of the rule's own.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>

#include "expr/integration_pieces.h"

// Points of a piece in symmetric pairs c + t h and c - t h (c the middle, h the
// half-width, t in the rule's variable, 0 .. 1), taken once per piece as they are first
// needed: two ladders of pairs at 64^-k of the half-width, k = 1 .. kRungs, from the ends
// inward and from the middle outward (never the middle itself, where f may be undefined:
// SIN($)/$ at 0). A pair where f fails at a point is left out.
enum class TLadder { kEnds, kMiddle };

class TPieceChecks {
 public:
  static constexpr int kRungs = 7;  // down to 2^-42 of the half-width

  TPieceChecks(ExprContext& ctx, TIntegrand f, const TIntegPiece& piece, long double c, long double h)
      : ctx_(ctx), f_(f), piece_(piece), c_(c), h_(h) {}

  // The distance of rung k from its ladder's end (or the middle) in the rule's variable.
  static long double RungDistance(int k) { return std::ldexp(1.0L, -6 * k); }
  static long double RungPoint(TLadder ladder, int k) {
    return ladder == TLadder::kEnds ? 1 - RungDistance(k) : RungDistance(k);
  }
  // f at c + t h (up) and c - t h (down) of rung k of `ladder`; false where f fails.
  bool Pair(TLadder ladder, int k, long double& up, long double& down) {
    TPair& p = pairs_[ladder == TLadder::kEnds ? 0 : 1][static_cast<std::size_t>(k)];
    if (!p.taken) {
      p.taken = true;
      const long double t = RungPoint(ladder, k);
      p.ok = PieceValueChecked(ctx_, f_, piece_, c_ + t * h_, p.up) &&
             PieceValueChecked(ctx_, f_, piece_, c_ - t * h_, p.down);
      largest_ = std::fmax(largest_, std::fmax(std::fabs(p.up), std::fabs(p.down)));
    }
    up = p.up;
    down = p.down;
    return p.ok;
  }
  // The largest |f| at the points taken so far.
  long double Largest() const { return largest_; }

 private:
  struct TPair {
    bool taken = false;
    bool ok = false;
    long double up = 0;
    long double down = 0;
  };
  ExprContext& ctx_;
  TIntegrand f_;
  TIntegPiece piece_;
  long double c_;
  long double h_;
  std::array<std::array<TPair, kRungs + 1>, 2> pairs_{};
  long double largest_ = 0;
};

// How far a pair may lie off the model. A point off by d stands for as much of the
// integral as a jump beside it could hide, d times the width of the gap in which it
// could lie unseen (in the rule's variable, times the half-width); every share must lie
// within half of what the tolerance allows of the integral (the other half is the sums'),
// or of the integral of |f| where the sums are 0 or rounding noise. Sums that cancel to exactly 0
// come from values exactly odd about the middle, and over a pair of gaps only the even
// part of f - model adds to the integral: there a pair is judged by its mean (an odd
// SIN(1/$), wild beside the middle, adds nothing).
struct TShareLimit {
  long double allowed;    // half the tolerance times |integral| (or the integral of |f|)
  long double halfWidth;  // of the piece
  bool cancelled;
  mutable long double total = 0;  // the shares judged so far, added up

  // `slackUp` and `slackDown`: how far the model may miss f on either side without that
  // being evidence of anything (see EndLaddersConfirmed).
  bool Within(long double up, long double down, long double modelUp, long double modelDown, long double gap,
              long double slackUp = 0, long double slackDown = 0) const {
    const long double offUp = std::fmax(std::fabs(up - modelUp) - slackUp, 0.0L);
    const long double offDown = std::fmax(std::fabs(down - modelDown) - slackDown, 0.0L);
    const long double off = cancelled ? std::fmax(std::fabs(up + down - modelUp - modelDown) - slackUp - slackDown, 0.0L)
                                      : std::fmax(offUp, offDown);
    const long double share = off * gap * halfWidth;
    total += share;
    return share <= allowed;
  }
};

// The pair beside the middle alone (the middle ladder's last rung), in a gap `gap` on
// either side: where two orders' sums agree while a jump lies between their middle
// nodes, its two sides are constants (with any slope the half sums of two orders differ),
// and they differ at the middle itself.
template <typename Model>
bool MiddleConfirmed(TPieceChecks& checks, Model model, long double gap, const TShareLimit& limit) {
  constexpr int kRung = TPieceChecks::kRungs;
  const long double t = TPieceChecks::RungPoint(TLadder::kMiddle, kRung);
  long double up = 0;
  long double down = 0;
  return !checks.Pair(TLadder::kMiddle, kRung, up, down) || limit.Within(up, down, model(t), model(-t), gap);
}

// A ladder of pairs within `gapUp` (`gapDown`) of its anchor on either side (the distance
// from the end, or from the middle, to the nearest point the rule took there), against
// `model`(t), each side allowed the model's own miss there (`slackUp`, `slackDown`: what a
// rule that sees the end knows its model misses by). A rung e from the anchor below the
// next point u stands for d u sqrt(u/e): as much as the jump could hide when the two sides
// differ by d all the way up (d u), or meet at the anchor with their difference growing
// from 0 there ($*IF($<0.07,1,2) from 0 at an end; within a quarter of d u^2/(2e) for the
// rungs' ratio 64), and the share of a difference growing like the root of the distance
// (SQRT($) at 0) is the same on every rung. The ladder ends where twice the largest value
// met over the distance left is below a quarter of what the tolerance allows: a jump
// between values no larger than those cannot matter below it. Cancelled sums (equal gaps
// on both sides) are judged pair by pair, the others side by side.
template <typename Model>
bool LadderConfirmed(TPieceChecks& checks, TLadder ladder, Model model, long double gapUp, long double gapDown,
                     long double largest, const TShareLimit& limit, long double slackUp = 0,
                     long double slackDown = 0) {
  constexpr long double kAll = INFINITY;
  for (const int side : {1, -1}) {
    if (limit.cancelled && side < 0) break;
    const long double gap = side > 0 ? gapUp : gapDown;
    long double upper = gap;
    for (int k = 1; k <= TPieceChecks::kRungs && 2 * largest * upper * limit.halfWidth > limit.allowed / 4; ++k) {
      const long double e = TPieceChecks::RungDistance(k);
      if (e >= gap) continue;
      long double up = 0;
      long double down = 0;
      const long double t = TPieceChecks::RungPoint(ladder, k);
      if (checks.Pair(ladder, k, up, down)) {
        const long double weight = upper * std::sqrt(upper / e);
        const bool within = limit.cancelled
                                ? limit.Within(up, down, model(t), model(-t), weight, slackUp, slackDown)
                                : side > 0 ? limit.Within(up, down, model(t), model(-t), weight, slackUp, kAll)
                                           : limit.Within(up, down, model(t), model(-t), weight, kAll, slackDown);
        if (!within) return false;
      }
      upper = e;
    }
  }
  return true;
}

// Both sides with one gap.
template <typename Model>
bool LadderConfirmed(TPieceChecks& checks, TLadder ladder, Model model, long double gap, long double largest,
                     const TShareLimit& limit, long double slackUp = 0, long double slackDown = 0) {
  return LadderConfirmed(checks, ladder, model, gap, gap, largest, limit, slackUp, slackDown);
}
