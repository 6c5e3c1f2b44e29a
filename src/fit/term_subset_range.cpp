#include "fit/term_subset_range.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

#include "fit/term_subset_numbers.h"

namespace {

constexpr int kAxisTerms = 21;
constexpr int kMaxPartTerms = kSubsetMaxTerms;  // all the terms of a fit may lie on one axis
// The least value of a piece is settled when its bound comes within this share of the
// terms' size of the best value found: about a thousand roundings of the sum itself.
constexpr long double kSettled = 1e-16L;
// A first, coarser bracket, which tells the sign of most linear parts at a fraction of the
// cost: only a part that comes this close to 0 is bracketed to the rounding.
constexpr long double kCoarse = 1e-4L;
// What one evaluation of the sum may be off by, in shares of the terms' size.
constexpr long double kRounding = 64.0L * LDBL_EPSILON;
// Pieces examined per extreme at most; the rest keep the bound of their whole piece.
constexpr int kPieceBudget = 20000;

// Where a term of one coordinate, or its slope, turns (its derivative, or its second
// derivative, changes sign): the axis is cut there, so that on every piece each term and
// each slope is monotone.
constexpr long double kTurns[] = {
    0.0L,                     // x² turns, and x³'s slope
    0.13533528323661269189L,  // e^(-2): √x ln x, and the slope of 1/ln x
    0.22313016014842982893L,  // e^(-3/2): the slope of x² ln x
    0.36787944117144232160L,  // e^(-1): x ln x
    0.60653065971263342360L,  // e^(-1/2): x² ln x
    1.0L,                     // (ln x)², and the slope of √x ln x
    1.6487212707001281468L,   // e^(1/2): ln x / x²
    2.3009758908928250130L,   // e^(5/6): the slope of ln x / x²
    2.7182818284590452354L,   // e: x / ln x and ln x / x, and the slope of (ln x)²
    4.4816890703380648226L,   // e^(3/2): the slope of ln x / x
    7.3890560989306502272L,   // e²: the slope of x / ln x
};

struct TTermPoint {
  long double value = 0.0L, slope = 0.0L;
};

// Function k (0..20) of a coordinate v and its derivative; s is the exponential scale of the
// axis (a scale of 0 gives exp(0), as the language's safe division makes it).
TTermPoint TermAndSlope(int k, long double v, long double s) {
  const auto L = [v] { return std::log(v); };
  const auto r = [v] { return std::sqrt(v); };
  switch (k) {
    case 0: return {v, 1.0L};
    case 1: return {v * L(), L() + 1.0L};
    case 2: return {v * r(), 1.5L * r()};
    case 3: return {v * v, 2.0L * v};
    case 4: return {v * v * L(), v * (2.0L * L() + 1.0L)};
    case 5: return {v * v * r(), 2.5L * v * r()};
    case 6: return {v * v * v, 3.0L * v * v};
    case 7: {
      if (s == 0.0L || std::isnan(s)) return {1.0L, 0.0L};
      const long double e = std::exp(v / s);
      return {e, e / s};
    }
    case 8: return {r() * L(), (L() + 2.0L) / (2.0L * r())};
    case 9: return {L() * L(), 2.0L * L() / v};
    case 10: return {v / L(), (L() - 1.0L) / (L() * L())};
    case 11: return {r(), 0.5L / r()};
    case 12: return {L(), 1.0L / v};
    case 13: return {1.0L / L(), -1.0L / (v * L() * L())};
    case 14: return {1.0L / r(), -0.5L / (v * r())};
    case 15: return {L() / v, (1.0L - L()) / (v * v)};
    case 16: return {1.0L / v, -1.0L / (v * v)};
    case 17: return {1.0L / (v * r()), -1.5L / (v * v * r())};
    case 18: return {L() / (v * v), (1.0L - 2.0L * L()) / (v * v * v)};
    case 19: return {1.0L / (v * v), -2.0L / (v * v * v)};
    case 20: {
      const long double e = std::exp(-v);
      return {e, -e};
    }
    default: return {};
  }
}

// c_0 + Σ c_i·term(k_i)(v) over one axis.
struct TAxisPart {
  long double constant = 0.0L;
  int count = 0;
  std::array<int, kMaxPartTerms> codes{};
  std::array<long double, kMaxPartTerms> coefficients{};
  long double scale = 1.0L;

  void Negate() {
    constant = -constant;
    for (int i = 0; i < count; ++i) coefficients[static_cast<std::size_t>(i)] = -coefficients[static_cast<std::size_t>(i)];
  }
};

// The part at v, with the size of its terms (Σ |c_i·term_i| + |c_0|), which bounds the
// rounding of the sum.
struct TPartPoint {
  long double value = 0.0L, size = 0.0L;
};

TPartPoint PartAt(const TAxisPart& f, long double v) {
  TPartPoint p{f.constant, std::fabs(f.constant)};
  for (int i = 0; i < f.count; ++i) {
    const long double t = f.coefficients[static_cast<std::size_t>(i)] *
                          TermAndSlope(f.codes[static_cast<std::size_t>(i)], v, f.scale).value;
    p.value += t;
    p.size += std::fabs(t);
  }
  return p;
}

// Enclosures over a piece on which every term and slope is monotone: each term's share lies
// between its values at the ends, and so does its slope's.
struct TPieceEnclosure {
  long double valueLow = 0.0L;
  long double slopeLow = 0.0L, slopeHigh = 0.0L;
};

TPieceEnclosure EncloseOn(const TAxisPart& f, long double a, long double b) {
  TPieceEnclosure e{f.constant, 0.0L, 0.0L};
  for (int i = 0; i < f.count; ++i) {
    const long double c = f.coefficients[static_cast<std::size_t>(i)];
    const int k = f.codes[static_cast<std::size_t>(i)];
    const TTermPoint ta = TermAndSlope(k, a, f.scale), tb = TermAndSlope(k, b, f.scale);
    e.valueLow += std::min(c * ta.value, c * tb.value);
    e.slopeLow += std::min(c * ta.slope, c * tb.slope);
    e.slopeHigh += std::max(c * ta.slope, c * tb.slope);
  }
  return e;
}

struct TPiece {
  long double a, b;
};

// The least value of the part over [lo, hi], bracketed to `share` of its terms' size; a bound
// of NaN when the part has no finite value somewhere.
TBracketedExtreme LeastOf(const TAxisPart& f, long double lo, long double hi, long double share) {
  constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
  std::vector<long double> cuts{lo};
  for (long double t : kTurns)
    if (lo < t && t < hi) cuts.push_back(t);
  cuts.push_back(hi);
  std::sort(cuts.begin(), cuts.end());

  long double size = 0.0L;
  std::vector<TPartPoint> at;
  for (long double v : cuts) {
    at.push_back(PartAt(f, v));
    size = std::max(size, at.back().size);
  }
  long double best = std::numeric_limits<long double>::infinity();
  std::vector<TPiece> pieces;
  for (std::size_t i = 0; i < at.size(); ++i) {
    if (!std::isfinite(at[i].value)) return {kNaN, kNaN};
    best = std::min(best, at[i].value);
    if (i + 1 < at.size() && cuts[i] < cuts[i + 1]) pieces.push_back({cuts[i], cuts[i + 1]});
  }
  const long double settled = share * size, margin = kRounding * size;
  long double bound = best - margin;
  int budget = kPieceBudget;
  while (!pieces.empty()) {
    const TPiece q = pieces.back();
    pieces.pop_back();
    const TPieceEnclosure e = EncloseOn(f, q.a, q.b);
    if (!(e.slopeLow < 0.0L && e.slopeHigh > 0.0L)) {
      // Monotone: the least value is at an end, already taken.
      if (std::isnan(e.slopeLow) || std::isnan(e.slopeHigh)) return {kNaN, kNaN};
      continue;
    }
    const long double mid = q.a + (q.b - q.a) / 2;
    const TPartPoint m = PartAt(f, mid);
    if (!std::isfinite(m.value)) return {kNaN, kNaN};
    best = std::min(best, m.value);
    const long double steepest = std::max(-e.slopeLow, e.slopeHigh);
    const long double low = std::max(m.value - steepest * ((q.b - q.a) / 2), e.valueLow) - margin;
    if (low >= best - settled || mid <= q.a || mid >= q.b || --budget <= 0) {
      bound = std::min(bound, low);
      continue;
    }
    pieces.push_back({q.a, mid});
    pieces.push_back({mid, q.b});
  }
  return {std::min(bound, best - margin), best};
}

TBracketedExtreme LargestOf(TAxisPart f, long double lo, long double hi, long double share) {
  f.Negate();
  const TBracketedExtreme least = LeastOf(f, lo, hi, share);
  return {-least.bound, -least.attained};
}

TLinearPartRange BracketedRange(const long double* p, std::span<const std::int32_t> terms, int m,
                                const TValueRange& x, const TValueRange& y, const TFitRunScales& scales,
                                long double share) {
  TAxisPart fx, fy;
  fx.constant = p[0];
  fx.scale = scales.xScale;
  fy.scale = scales.yScale;
  TLinearPartRange r;
  for (int i = 1; i <= m && static_cast<std::size_t>(i) < terms.size(); ++i) {
    const int code = terms[static_cast<std::size_t>(i)];
    TAxisPart& f = code < kAxisTerms ? fx : fy;
    if (code < 0 || code >= kCandidateTermCount || f.count == kMaxPartTerms) {
      r.defined = false;
      return r;
    }
    f.codes[static_cast<std::size_t>(f.count)] = code % kAxisTerms;
    f.coefficients[static_cast<std::size_t>(f.count)] = p[i];
    ++f.count;
  }
  const TBracketedExtreme xLow = LeastOf(fx, x.low, x.high, share), xHigh = LargestOf(fx, x.low, x.high, share);
  const TBracketedExtreme yLow = LeastOf(fy, y.low, y.high, share), yHigh = LargestOf(fy, y.low, y.high, share);
  r.low = {xLow.bound + yLow.bound, xLow.attained + yLow.attained};
  r.high = {xHigh.bound + yHigh.bound, xHigh.attained + yHigh.attained};
  r.defined = std::isfinite(r.low.bound) && std::isfinite(r.high.bound);
  return r;
}

}  // namespace

TLinearPartRange SubsetLinearPartRange(const long double* p, std::span<const std::int32_t> terms, int m,
                                       const TValueRange& x, const TValueRange& y, const TFitRunScales& scales) {
  return BracketedRange(p, terms, m, x, y, scales, kSettled);
}

bool SubsetLinearPartVanishes(const long double* p, std::span<const std::int32_t> terms, int m, const TValueRange& x,
                              const TValueRange& y, const TFitRunScales& scales) {
  for (const long double share : {kCoarse, kSettled}) {
    const TLinearPartRange r = BracketedRange(p, terms, m, x, y, scales, share);
    if (!r.defined) return true;
    if (r.low.bound > 0.0L || r.high.bound < 0.0L) return false;     // one sign throughout
    if (r.low.attained <= 0.0L && r.high.attained >= 0.0L) return true;  // both signs taken
  }
  return true;  // within a rounding of 0
}
