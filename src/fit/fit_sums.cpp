// Phase 1 of a fit run: the sums table, the scales of the run and the terms the data's domain
// excludes.
#include "fit/fit_sums.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "fit/polynomial_frame.h"

namespace {

// A coordinate of exactly 0 enters the sums as this value, so that 1/x and ln x exist.
constexpr long double kZeroReplacement = 1e-300L;
// Below this |ln x| the terms x/ln x and 1/ln x are taken as 0 for the point.
constexpr long double kTinyLog = 1e-25L;
// 1/π as the angular scale of the Fourier and cosine families uses it.
constexpr long double kInversePi = 0.318309886183790684L;
// Beyond this the exponential terms of x (of y) at unit scale are left out.
constexpr long double kExpTermBound = 120.0L;

constexpr int kFirstYTerm = 21;
// The x terms with a logarithm or a root (their y twins are 21 higher).
constexpr int kLogRootTerms[] = {1, 2, 4, 5, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18};
// Those without a value at x = 0 (a logarithm, or a division by a root), and the terms that
// divide by x or by ln x.
constexpr int kUndefinedAtZero[] = {1, 4, 8, 9, 10, 12, 13, 14, 15, 17, 18};
constexpr int kReciprocalTerms[] = {16, 19};
constexpr int kInverseLogTerms[] = {10, 13};
constexpr int kExpTerm = 7;      // exp(x/s_x)
constexpr int kNegExpTerm = 20;  // exp(-x)

constexpr int kMaxPower = 10;
constexpr int kKindCount = 6;  // kinds 5..10
// The share of a raw sum of squares its centred part must keep for the raw subset rows to
// serve (four digits of the covariances formed from them).
constexpr long double kCentredShare = 1e-4L;

// Which rows the run gathers.
struct TGatherPlan {
  bool variant[kZVariantCount] = {};  // the Z·term and pair rows (and for v > 0 all rows)
  bool family = false;                // rows 2970..3410
  bool logX = false, logY = false;    // the axis has no negative value
  // The polynomial families' frame, when it is not the identity: its rows are gathered into
  // a table of their own.
  const TPolynomialFrame* frame = nullptr;
  // The rational families' frame, when it shifts a kind the rational mask selects: their rows
  // (raw z, the kinds shifted) into a table of their own.
  const TPolynomialFrame* rationalFrame = nullptr;
};

// The active points are gathered in chunks. Each point's terms, powers and weights are
// computed once into the chunk's columns; then every row adds the chunk's products to its
// running sum in a register. The sums, their order (the points in table order) and every
// product are those of a point-by-point gathering; only the memory traffic differs.
constexpr int kChunk = 64;

struct TChunk {
  int count = 0;
  long double w[kChunk];
  long double wz[kChunk], wz2[kChunk];                   // w·z, w·z²
  long double omega[kZVariantCount][kChunk];             // ω_v
  long double zv[kZVariantCount][kChunk];                // Z_v
  long double zv2[kZVariantCount][kChunk];               // Z_v²
  long double omegaZ[kZVariantCount][kChunk];            // ω_v·Z_v
  long double terms[kCandidateTermCount][kChunk];
  long double squares[kCandidateTermCount][kChunk];
  long double powers[kKindCount][kMaxPower + 1][kChunk];  // V_a^p, p = 1..10
  long double work[kCandidateTermCount][kChunk];          // products of the row in progress
  // The polynomial families' frame: z less its centre, w times that, and the powers of the
  // shifted kinds (the kinds it leaves alone are read from `powers`).
  long double zFrame[kChunk], wzFrame[kChunk];
  long double framePowers[kKindCount][kMaxPower + 1][kChunk];
  // The powers of the kinds the rational families' frame shifts.
  long double rationalPowers[kKindCount][kMaxPower + 1][kChunk];
};

// s += Σ_p f[p]·g[p] over the chunk, in point order.
void AddProducts(long double& s, const long double* f, const long double* g, int c) {
  long double acc = s;
  for (int p = 0; p < c; ++p) acc += f[p] * g[p];
  s = acc;
}

// The same for four neighbouring entries s[0..3] with four second factors: four independent
// running sums.
void AddProducts4(long double* s, const long double* f, const long double* g0,
                  const long double* g1, const long double* g2, const long double* g3, int c) {
  long double a0 = s[0], a1 = s[1], a2 = s[2], a3 = s[3];
  for (int p = 0; p < c; ++p) {
    const long double fp = f[p];
    a0 += fp * g0[p];
    a1 += fp * g1[p];
    a2 += fp * g2[p];
    a3 += fp * g3[p];
  }
  s[0] = a0;
  s[1] = a1;
  s[2] = a2;
  s[3] = a3;
}

// out[p] = f[p]·g[p].
void Multiply(long double* out, const long double* f, const long double* g, int c) {
  for (int p = 0; p < c; ++p) out[p] = f[p] * g[p];
}

void FillPowers(long double v, long double (*powers)[kChunk], int p) {
  long double pw = v;
  powers[1][p] = pw;
  for (int k = 2; k <= kMaxPower; ++k) {
    pw *= v;
    powers[k][p] = pw;
  }
}

void FillPowers(long double v, TChunk& ch, int kindIndex, int p) { FillPowers(v, ch.powers[kindIndex], p); }

// Σ ω·term_t and Σ ω·term_t² of one variant.
void GatherTermRows(TSumsTable& s, int v, const TChunk& ch) {
  for (int t = 0; t < kCandidateTermCount; ++t) {
    AddProducts(s[TSumsTable::Term(v, t)], ch.omega[v], ch.terms[t], ch.count);
    AddProducts(s[TSumsTable::TermSquare(v, t)], ch.omega[v], ch.squares[t], ch.count);
  }
}

// Σ ω·Z and Σ ω·Z² of one variant.
void GatherZRows(TSumsTable& s, int v, const TChunk& ch) {
  AddProducts(s[TSumsTable::Z(v)], ch.omega[v], ch.zv[v], ch.count);
  AddProducts(s[TSumsTable::ZSquare(v)], ch.omega[v], ch.zv2[v], ch.count);
}

// Σ (ω·Z)·term_t and the pair rows Σ (ω·term_i)·term_j of one variant.
void GatherCrossRows(TSumsTable& s, int v, TChunk& ch) {
  const int c = ch.count;
  for (int t = 0; t < kCandidateTermCount; ++t)
    AddProducts(s[TSumsTable::TermZ(v, t)], ch.omegaZ[v], ch.terms[t], c);
  for (int i = 0; i < kCandidateTermCount - 1; ++i) Multiply(ch.work[i], ch.omega[v], ch.terms[i], c);
  // The pair rows of a variant form a row-major upper triangle: pair(i, i+1) follows
  // pair(i-1, 41).
  int index = TSumsTable::Pair(v, 0, 1);
  for (int i = 0; i < kCandidateTermCount - 1; ++i) {
    const long double* wi = ch.work[i];
    int j = i + 1;
    for (; j + 3 < kCandidateTermCount; j += 4, index += 4)
      AddProducts4(&s[index], wi, ch.terms[j], ch.terms[j + 1], ch.terms[j + 2], ch.terms[j + 3], c);
    for (; j < kCandidateTermCount; ++j, ++index) AddProducts(s[index], wi, ch.terms[j], c);
  }
}

const long double* Pw(const TChunk& ch, int kind, int p) { return ch.powers[kind - kKindX][p]; }

void GatherFamilies(TSumsTable& s, TChunk& ch) {
  const int c = ch.count;
  for (int a = kKindX; a <= kKindInvY; ++a) {
    for (int p = 1; p <= kMaxPower; ++p) {
      AddProducts(s[TSumsTable::Power(a, p)], ch.w, Pw(ch, a, p), c);
      AddProducts(s[TSumsTable::PowerZ(a, p)], ch.wz, Pw(ch, a, p), c);
    }
  }
  long double* wp = ch.work[0];
  for (int a = kKindX; a <= kKindInvX; ++a) {
    for (int c8 = kKindY; c8 <= kKindInvY; ++c8) {
      for (int p = 1; p <= 5; ++p) {
        Multiply(wp, ch.w, Pw(ch, a, p), c);  // w·V_a^p
        AddProducts4(&s[TSumsTable::CrossPower(a, p, c8, 1)], wp, Pw(ch, c8, 1), Pw(ch, c8, 2),
                     Pw(ch, c8, 3), Pw(ch, c8, 4), c);
        AddProducts(s[TSumsTable::CrossPower(a, p, c8, 5)], wp, Pw(ch, c8, 5), c);
      }
    }
  }
  for (int a : {kKindX, kKindLnX, kKindY, kKindLnY})
    for (int p = 1; p <= 6; ++p) AddProducts(s[TSumsTable::PowerZ2(a, p)], ch.wz2, Pw(ch, a, p), c);
  long double* pq = ch.work[1];
  for (int a = kKindX; a <= kKindLnX; ++a) {
    for (int c8 = kKindY; c8 <= kKindLnY; ++c8) {
      for (int p = 1; p <= 3; ++p) {
        for (int q = 1; q <= 3; ++q) {
          Multiply(pq, Pw(ch, a, p), Pw(ch, c8, q), c);  // V_a^p·V_c^q
          AddProducts(s[TSumsTable::CrossZ(a, p, c8, q)], ch.wz, pq, c);
          AddProducts(s[TSumsTable::CrossZ2(a, p, c8, q)], ch.wz2, pq, c);
        }
      }
    }
  }
}

// The rows 3411..3445, gathered in every run that computes sums: (w·z·V_a^p)·V_c^q.
void GatherProducts(TSumsTable& s, TChunk& ch) {
  const int c = ch.count;
  long double* f = ch.work[0];
  for (int a = kKindX; a <= kKindInvX; ++a) {
    for (int c8 = kKindY; c8 <= kKindInvY; ++c8) {
      Multiply(f, ch.wz, Pw(ch, a, 1), c);
      AddProducts(s[TSumsTable::ZXY(a, c8)], f, Pw(ch, c8, 1), c);
      AddProducts(s[TSumsTable::ZXY2(a, c8)], f, Pw(ch, c8, 2), c);
      Multiply(f, ch.wz, Pw(ch, a, 2), c);
      AddProducts(s[TSumsTable::ZX2Y(a, c8)], f, Pw(ch, c8, 1), c);
      if (a <= kKindLnX && c8 <= kKindLnY) {
        Multiply(f, ch.wz2, Pw(ch, a, 3), c);
        AddProducts(s[TSumsTable::Z2X3Y(a, c8)], f, Pw(ch, c8, 1), c);
        Multiply(f, ch.wz2, Pw(ch, a, 1), c);
        AddProducts(s[TSumsTable::Z2XY3(a, c8)], f, Pw(ch, c8, 3), c);
      }
    }
  }
}

// The powers of a kind in the polynomial families' frame.
const long double* FramePw(const TChunk& ch, const TPolynomialFrame& f, int kind, int p) {
  return f.Of(kind).Identity() ? Pw(ch, kind, p) : ch.framePowers[kind - kKindX][p];
}

// The rows the polynomial families read, in their frame: Σ w·z', Σ w·z'², Σ w·U_a^p (p up to
// 10), Σ w·z'·U_a^p (p up to 5: no basis of theirs goes higher), Σ w·U_a^p·U_c^q and the three
// cross rows of z'; z' = z - centre, U_a the kind shifted. The count row is copied from the
// main table after the pass.
void GatherFrameRows(TSumsTable& s, const TPolynomialFrame& f, TChunk& ch) {
  const int c = ch.count;
  AddProducts(s[TSumsTable::Z(kVariantZ)], ch.w, ch.zFrame, c);
  AddProducts(s[TSumsTable::ZSquare(kVariantZ)], ch.wzFrame, ch.zFrame, c);
  for (int a = kKindX; a <= kKindInvY; ++a) {
    for (int p = 1; p <= kMaxPower; ++p) AddProducts(s[TSumsTable::Power(a, p)], ch.w, FramePw(ch, f, a, p), c);
    for (int p = 1; p <= 5; ++p) AddProducts(s[TSumsTable::PowerZ(a, p)], ch.wzFrame, FramePw(ch, f, a, p), c);
  }
  long double* wp = ch.work[0];
  for (int a = kKindX; a <= kKindInvX; ++a) {
    for (int c8 = kKindY; c8 <= kKindInvY; ++c8) {
      for (int p = 1; p <= 5; ++p) {
        Multiply(wp, ch.w, FramePw(ch, f, a, p), c);
        AddProducts4(&s[TSumsTable::CrossPower(a, p, c8, 1)], wp, FramePw(ch, f, c8, 1), FramePw(ch, f, c8, 2),
                     FramePw(ch, f, c8, 3), FramePw(ch, f, c8, 4), c);
        AddProducts(s[TSumsTable::CrossPower(a, p, c8, 5)], wp, FramePw(ch, f, c8, 5), c);
      }
      Multiply(wp, ch.wzFrame, FramePw(ch, f, a, 1), c);
      AddProducts(s[TSumsTable::ZXY(a, c8)], wp, FramePw(ch, f, c8, 1), c);
      AddProducts(s[TSumsTable::ZXY2(a, c8)], wp, FramePw(ch, f, c8, 2), c);
      Multiply(wp, ch.wzFrame, FramePw(ch, f, a, 2), c);
      AddProducts(s[TSumsTable::ZX2Y(a, c8)], wp, FramePw(ch, f, c8, 1), c);
    }
  }
}

// The powers of a kind in the rational families' frame.
const long double* RationalPw(const TChunk& ch, const TPolynomialFrame& f, int kind, int p) {
  return f.Of(kind).Identity() ? Pw(ch, kind, p) : ch.rationalPowers[kind - kKindX][p];
}

// The rows the rational families read, in their frame (x, ln x, y, ln y shifted, z as it is):
// Σ w·U^p, Σ w·z·U^p and Σ w·z²·U^p (p up to 6), Σ w·U_a^p·U_c^q, Σ w·z·U_a^p·U_c^q and
// Σ w·z²·U_a^p·U_c^q (p, q up to 3), and the cross rows of the full quadratic rational. The
// count, Σ w·z and Σ w·z² are copied from the main table after the pass.
void GatherRationalFrameRows(TSumsTable& s, const TPolynomialFrame& f, TChunk& ch) {
  const int c = ch.count;
  for (int a : {kKindX, kKindLnX, kKindY, kKindLnY}) {
    for (int p = 1; p <= 6; ++p) {
      const long double* u = RationalPw(ch, f, a, p);
      AddProducts(s[TSumsTable::Power(a, p)], ch.w, u, c);
      AddProducts(s[TSumsTable::PowerZ(a, p)], ch.wz, u, c);
      AddProducts(s[TSumsTable::PowerZ2(a, p)], ch.wz2, u, c);
    }
  }
  long double* pq = ch.work[1];
  long double* wf = ch.work[0];
  for (int a = kKindX; a <= kKindLnX; ++a) {
    for (int c8 = kKindY; c8 <= kKindLnY; ++c8) {
      for (int p = 1; p <= 3; ++p) {
        for (int q = 1; q <= 3; ++q) {
          Multiply(pq, RationalPw(ch, f, a, p), RationalPw(ch, f, c8, q), c);
          AddProducts(s[TSumsTable::CrossPower(a, p, c8, q)], ch.w, pq, c);
          AddProducts(s[TSumsTable::CrossZ(a, p, c8, q)], ch.wz, pq, c);
          AddProducts(s[TSumsTable::CrossZ2(a, p, c8, q)], ch.wz2, pq, c);
        }
      }
      Multiply(wf, ch.wz, RationalPw(ch, f, a, 1), c);
      AddProducts(s[TSumsTable::ZXY(a, c8)], wf, RationalPw(ch, f, c8, 1), c);
      AddProducts(s[TSumsTable::ZXY2(a, c8)], wf, RationalPw(ch, f, c8, 2), c);
      Multiply(wf, ch.wz, RationalPw(ch, f, a, 2), c);
      AddProducts(s[TSumsTable::ZX2Y(a, c8)], wf, RationalPw(ch, f, c8, 1), c);
      Multiply(wf, ch.wz2, RationalPw(ch, f, a, 3), c);
      AddProducts(s[TSumsTable::Z2X3Y(a, c8)], wf, RationalPw(ch, f, c8, 1), c);
      Multiply(wf, ch.wz2, RationalPw(ch, f, a, 1), c);
      AddProducts(s[TSumsTable::Z2XY3(a, c8)], wf, RationalPw(ch, f, c8, 3), c);
    }
  }
}

// Adds the chunk's points to every row the plan gathers and empties the chunk.
void GatherChunk(TSumsTable& s, TSumsTable* frameSums, TSumsTable* rationalSums, const TGatherPlan& plan,
                 TChunk& ch) {
  if (ch.count == 0) return;
  // Always: the Z variant's term rows, Σ w·z, Σ w·z² and the three weighted counts.
  GatherTermRows(s, kVariantZ, ch);
  GatherZRows(s, kVariantZ, ch);
  for (int v = 0; v < kZVariantCount; ++v) {
    long double one[kChunk];
    std::fill(one, one + ch.count, 1.0L);
    AddProducts(s[TSumsTable::Count(v)], ch.omega[v], one, ch.count);
  }
  if (plan.variant[kVariantZ]) GatherCrossRows(s, kVariantZ, ch);
  for (int v = kVariantLnZ; v <= kVariantInvZ; ++v) {
    if (!plan.variant[v]) continue;
    GatherTermRows(s, v, ch);
    GatherZRows(s, v, ch);
    GatherCrossRows(s, v, ch);
  }
  if (plan.family) GatherFamilies(s, ch);
  GatherProducts(s, ch);
  if (plan.frame) GatherFrameRows(*frameSums, *plan.frame, ch);
  if (plan.rationalFrame) GatherRationalFrameRows(*rationalSums, *plan.rationalFrame, ch);
  ch.count = 0;
}

// A term whose sums overflowed (an exponential term far beyond its scale) is excluded as the
// domain tests exclude terms: all of its rows become 0 and the term takes no part in the
// search. No infinity or NaN stays in the table. A term's own rows (Σ ω·t, Σ ω·t², Σ ω·Z·t)
// tell which term overflowed: while they are finite, so are its pair rows with any other
// finite term.
void ExcludeOverflowedTerms(TSumsTable& s, std::uint8_t* excluded) {
  auto zeroTerm = [&s, excluded](int t) {
    excluded[t] = 1;
    for (int v = 0; v < kZVariantCount; ++v) {
      s[TSumsTable::Term(v, t)] = 0.0L;
      s[TSumsTable::TermSquare(v, t)] = 0.0L;
      s[TSumsTable::TermZ(v, t)] = 0.0L;
      for (int j = 0; j < kCandidateTermCount; ++j)
        if (j != t) s[TSumsTable::Pair(v, t, j)] = 0.0L;
    }
  };
  for (int t = 0; t < kCandidateTermCount; ++t) {
    bool finite = true;
    for (int v = 0; v < kZVariantCount; ++v)
      finite = finite && std::isfinite(s[TSumsTable::Term(v, t)]) &&
               std::isfinite(s[TSumsTable::TermSquare(v, t)]) &&
               std::isfinite(s[TSumsTable::TermZ(v, t)]);
    if (!finite) zeroTerm(t);
  }
  // A pair of finite terms whose products still overflowed takes both out.
  for (int v = 0; v < kZVariantCount; ++v)
    for (int i = 0; i < kCandidateTermCount; ++i)
      for (int j = i + 1; j < kCandidateTermCount; ++j)
        if (!std::isfinite(s[TSumsTable::Pair(v, i, j)])) {
          zeroTerm(i);
          zeroTerm(j);
        }
}

// The scale s of exp(x/s): the x range over ln(z at the largest x / z at the smallest x),
// when that ratio is positive and not 1. A scale that is 0 or not finite (a single x value)
// would divide by zero: the scale stays 1.
long double ExponentialScale(long double range, long double zAtMin, long double zAtMax) {
  if (zAtMin == 0.0L) return 1.0L;
  const long double ratio = zAtMax / zAtMin;
  if (!(ratio > 0.0L) || ratio == 1.0L) return 1.0L;
  const long double s = range / std::log(ratio);
  return std::isfinite(s) && s != 0.0L ? s : 1.0L;
}

TSeriesAxisScale AxisScale(const TAxisStats& a) {
  TSeriesAxisScale s;
  s.centre = (a.Max + a.Min) / 2;
  s.halfRange = (a.Max - a.Min) / 2;
  if (a.Min > 0.0L) {
    const long double lmin = std::log(a.Min), lmax = std::log(a.Max);
    s.logCentre = (lmax + lmin) / 2;
    s.logHalfRange = (lmax - lmin) / 2;
  }
  s.origin = a.Min;
  s.angularScale = (a.Max - a.Min) * kInversePi;
  return s;
}

long double NonZero(long double v) { return v == 0.0L ? kZeroReplacement : v; }

bool RangeHolds(const TAxisStats& axis, long double v) { return axis.Min <= v && v <= axis.Max; }

// The 42 candidate terms at a point's coordinates (0 taken as 1e-300), as both passes of the
// sums form them.
void PointTerms(long double x, long double y, const TFitRunScales& sc, const TGatherPlan& plan,
                const std::uint8_t* excluded, long double* terms) {
  FillCandidateTerms(x, sc.xScale, plan.logX, excluded[kExpTerm], excluded[kNegExpTerm], terms);
  FillCandidateTerms(y, sc.yScale, plan.logY, excluded[kFirstYTerm + kExpTerm], excluded[kFirstYTerm + kNegExpTerm],
                     terms + kFirstYTerm);
}

// Whether a sum of squares about the mean, formed as Σ ω·v² - (Σ ω·v)²/N, keeps fewer than
// four of its digits: the mean is more than 100 spreads from 0.
bool Cancels(long double sum, long double squares, long double n) {
  if (!(n > 0.0L) || !std::isfinite(squares)) return false;
  const long double centred = squares - sum * sum / n;
  return !(centred > kCentredShare * squares);
}

// Whether the raw rows of any variant the run searches cancel (Cancels) for a term that takes
// part, or for its Z_v.
bool SubsetRowsCancel(const TSumsTable& s, const TGatherPlan& plan, const std::uint8_t* excluded) {
  for (int v = 0; v < kZVariantCount; ++v) {
    if (!plan.variant[v]) continue;
    const long double n = s[TSumsTable::Count(v)];
    if (Cancels(s[TSumsTable::Z(v)], s[TSumsTable::ZSquare(v)], n)) return true;
    for (int t = 0; t < kCandidateTermCount; ++t)
      if (!excluded[t] && Cancels(s[TSumsTable::Term(v, t)], s[TSumsTable::TermSquare(v, t)], n)) return true;
  }
  return false;
}

// The second pass of the sums phase where the raw subset rows cancel: the rows of every
// searched variant again, each term and Z_v less its weighted mean from the first pass.
// Returns -1 on abort, -2 when memory is short, else 0.
int GatherCentredSubsetRows(TFitRunContext& ctx, const TGatherPlan& plan) {
  const TSumsTable& raw = *ctx.sums;
  auto centred = std::shared_ptr<TCentredSubsetSums>(new (std::nothrow) TCentredSubsetSums());
  std::unique_ptr<TChunk> chunk(new (std::nothrow) TChunk);
  std::unique_ptr<long double[]> terms(new (std::nothrow) long double[kCandidateTermCount * kChunk]);
  if (!centred || !chunk || !terms) return -2;
  centred->rows.Clear();
  for (int v = 0; v < kZVariantCount; ++v) {
    const long double n = raw[TSumsTable::Count(v)];
    if (!plan.variant[v] || !(n > 0.0L)) continue;
    centred->zMean[static_cast<std::size_t>(v)] = raw[TSumsTable::Z(v)] / n;
    for (int t = 0; t < kCandidateTermCount; ++t)
      centred->termMean[static_cast<std::size_t>(v)][static_cast<std::size_t>(t)] = raw[TSumsTable::Term(v, t)] / n;
    centred->rows[TSumsTable::Count(v)] = n;
  }
  const TFitRunScales& sc = ctx.scales;
  const std::uint8_t* excluded = ctx.termExcluded.data();
  TChunk& ch = *chunk;
  TSumsTable& s = centred->rows;
  // Flushes the chunk: for each searched variant, its terms and Z_v less their means.
  const auto flush = [&] {
    for (int v = 0; v < kZVariantCount; ++v) {
      if (!plan.variant[v]) continue;
      const auto& a = centred->termMean[static_cast<std::size_t>(v)];
      const long double b = centred->zMean[static_cast<std::size_t>(v)];
      for (int t = 0; t < kCandidateTermCount; ++t)
        for (int p = 0; p < ch.count; ++p) {
          const long double d = terms[static_cast<std::size_t>(t * kChunk + p)] - a[static_cast<std::size_t>(t)];
          ch.terms[t][p] = d;
          ch.squares[t][p] = d * d;
        }
      for (int p = 0; p < ch.count; ++p) {
        const long double d = ch.zv[v][p] - b;
        ch.zv2[v][p] = d * d;
        ch.omegaZ[v][p] = ch.omega[v][p] * d;
        ch.zv[v][p] = d;
      }
      GatherTermRows(s, v, ch);
      GatherZRows(s, v, ch);
      GatherCrossRows(s, v, ch);
    }
    ch.count = 0;
  };
  ch.count = 0;
  const int count = static_cast<int>(ctx.points.size());
  const int every = std::max(1, count / 25);
  for (int i = 1; i <= count; ++i) {
    if (i % every == 0 && !ctx.Progress(kStageSums, static_cast<float>(100.0L * i / count))) return -1;
    const TXYZPoint& pt = ctx.points[static_cast<std::size_t>(i - 1)];
    if (!IsActive(pt)) continue;
    const int p = ch.count;
    const long double w = ctx.WeightOf(pt);
    const long double x = NonZero(pt.X), y = NonZero(pt.Y), z = NonZero(pt.Z);
    long double row[kCandidateTermCount];
    PointTerms(x, y, sc, plan, excluded, row);
    for (int t = 0; t < kCandidateTermCount; ++t) terms[static_cast<std::size_t>(t * kChunk + p)] = row[t];
    const long double z2 = z * z;
    ch.omega[kVariantZ][p] = w;
    ch.omega[kVariantLnZ][p] = w * z2;
    ch.omega[kVariantInvZ][p] = w * z2 * z2;
    ch.zv[kVariantZ][p] = z;
    ch.zv[kVariantLnZ][p] = plan.variant[kVariantLnZ] ? std::log(z) : 0.0L;
    ch.zv[kVariantInvZ][p] = 1.0L / z;
    if (++ch.count == kChunk) flush();
  }
  flush();
  // A term whose centred rows overflowed is excluded as the first pass excludes one.
  ExcludeOverflowedTerms(s, ctx.termExcluded.data());
  ctx.subsetSums = std::move(centred);
  return 0;
}

}  // namespace

bool LogKindAllowed(const TAxisStats& axis) { return axis.Min > 0.0L; }

bool ReciprocalKindAllowed(const TAxisStats& axis) { return !RangeHolds(axis, 0.0L); }

void ExcludeUndefinedTerms(const TAxisStats& axis, std::uint8_t* flags) {
  if (axis.Min < 0.0L)
    for (int k : kLogRootTerms) flags[k] = 1;
  if (axis.Min <= 0.0L)
    for (int k : kUndefinedAtZero) flags[k] = 1;
  if (!ReciprocalKindAllowed(axis))
    for (int k : kReciprocalTerms) flags[k] = 1;
  if (RangeHolds(axis, 1.0L))
    for (int k : kInverseLogTerms) flags[k] = 1;
}

bool InverseZAllowed(const TAxisStats& z) { return !(z.Min < 0.0L && z.Max > 0.0L); }

int TSumsTable::Moment(int a, int p, int c, int q, int e) {
  if (p < 0 || q < 0 || e < 0 || e > 2) return -1;
  if (p == 0 && q == 0) return e == 0 ? Count(0) : e == 1 ? Z(0) : ZSquare(0);
  // A moment of one kind alone.
  if (p == 0 || q == 0) {
    const int kind = p == 0 ? c : a;
    const int power = p == 0 ? q : p;
    if (kind < kKindX || kind > kKindInvY) return -1;
    switch (e) {
      case 0: return power <= 10 ? Power(kind, power) : -1;
      case 1: return power <= 10 ? PowerZ(kind, power) : -1;
      default:
        return power <= 6 && kind != kKindInvX && kind != kKindInvY ? PowerZ2(kind, power) : -1;
    }
  }
  if (a < kKindX || a > kKindInvX || c < kKindY || c > kKindInvY) return -1;
  const bool rationalKinds = a <= kKindLnX && c <= kKindLnY;
  switch (e) {
    case 0: return p <= 5 && q <= 5 ? CrossPower(a, p, c, q) : -1;
    case 1:
      if (p == 1 && q == 1) return ZXY(a, c);
      if (p == 1 && q == 2) return ZXY2(a, c);
      if (p == 2 && q == 1) return ZX2Y(a, c);
      return rationalKinds && p <= 3 && q <= 3 ? CrossZ(a, p, c, q) : -1;
    default: return rationalKinds && p <= 3 && q <= 3 ? CrossZ2(a, p, c, q) : -1;
  }
}

void FillCandidateTerms(long double v, long double s, bool logsAllowed, bool expExcluded,
                        bool negExpExcluded, long double* out) {
  const long double v2 = v * v;
  out[0] = v;
  out[3] = v2;
  out[6] = v2 * v;
  out[16] = 1.0L / v;
  out[19] = 1.0L / v2;
  out[kExpTerm] = expExcluded ? 0.0L : std::exp(v / s);
  out[kNegExpTerm] = negExpExcluded ? 0.0L : std::exp(-v);
  if (!logsAllowed) {
    for (int k : kLogRootTerms) out[k] = 0.0L;
    return;
  }
  const long double lv = std::log(v);
  const long double rv = std::sqrt(v);
  const bool tinyLog = std::fabs(lv) < kTinyLog;
  out[1] = v * lv;
  out[2] = v * rv;
  out[4] = v2 * lv;
  out[5] = v2 * rv;
  out[8] = rv * lv;
  out[9] = lv * lv;
  out[10] = tinyLog ? 0.0L : v / lv;
  out[11] = rv;
  out[12] = lv;
  out[13] = tinyLog ? 0.0L : 1.0L / lv;
  out[14] = 1.0L / rv;
  out[15] = lv / v;
  out[17] = 1.0L / (v * rv);
  out[18] = lv / v2;
}

int ComputeFitSums(TFitRunContext& ctx) {
  const TDataStats& st = ctx.stats;
  if (!ctx.sums) {
    ctx.sums = std::shared_ptr<TSumsTable>(new (std::nothrow) TSumsTable());
    if (!ctx.sums) return -2;
  }
  TSumsTable& s = *ctx.sums;
  s.Clear();

  const bool xNegative = st.X.Min < 0.0L, yNegative = st.Y.Min < 0.0L;
  const bool zNegative = st.Z.Min < 0.0L;
  ctx.lnXExcluded = !LogKindAllowed(st.X);
  ctx.lnYExcluded = !LogKindAllowed(st.Y);
  ctx.invXExcluded = !ReciprocalKindAllowed(st.X);
  ctx.invYExcluded = !ReciprocalKindAllowed(st.Y);

  // The term limit: the options' highest term count minus 1, lowered at every table size
  // so that no fit has more parameters than the data can determine, and each keeps a degree
  // of freedom for its error (none with the "no DOF for error" flag, for error-free data).
  // Data that determine no more than a constant give 0, never a negative limit (which would
  // read as an abort).
  const int h = std::max(0, std::min(static_cast<int>(ctx.options.highestTerm), ctx.MaxParameters() - 1));

  TFitRunScales& sc = ctx.scales;
  sc.xScale = ExponentialScale(st.X.Range, st.Z.AtMin1, st.Z.AtMax1);
  sc.yScale = ExponentialScale(st.Y.Range, st.Z.AtMin2, st.Z.AtMax2);
  sc.series.x = AxisScale(st.X);
  sc.series.y = AxisScale(st.Y);
  sc.series.z = AxisScale(st.Z);

  std::uint8_t* excluded = ctx.termExcluded.data();
  ctx.termExcluded.fill(0);
  ExcludeUndefinedTerms(st.X, excluded);
  ExcludeUndefinedTerms(st.Y, excluded + kFirstYTerm);
  if (st.X.Max > kExpTermBound && sc.xScale == 1.0L) excluded[kExpTerm] = 1;
  if (st.Y.Max > kExpTermBound && sc.yScale == 1.0L) excluded[kFirstYTerm + kExpTerm] = 1;
  if (st.X.Min < -kExpTermBound) excluded[kNegExpTerm] = 1;
  if (st.Y.Min < -kExpTermBound) excluded[kFirstYTerm + kNegExpTerm] = 1;

  const std::uint32_t subsets = ctx.selection.subsetMask;
  TGatherPlan plan;
  plan.variant[kVariantZ] = (subsets & kSubsetMaskAll) != 0;
  plan.variant[kVariantLnZ] = (subsets & kSubsetLnZ) != 0 && !zNegative;
  plan.variant[kVariantInvZ] = (subsets & kSubsetInvZ) != 0 && InverseZAllowed(st.Z);
  plan.family = ctx.selection.polynomialMask != 0 || ctx.selection.rationalMask != 0;
  plan.logX = !xNegative;
  plan.logY = !yNegative;

  // The polynomial families' frame, and its table when it shifts anything. A kind the mask
  // does not select keeps the identity (the kind bits run in kind order from kPolyX).
  sc.polynomialFrame = {};
  const std::uint32_t kindBits =
      ctx.selection.polynomialMask & (kPolyX | kPolyLnX | kPolyInvX | kPolyY | kPolyLnY | kPolyInvY);
  if (kindBits != 0) {
    sc.polynomialFrame = ChoosePolynomialFrame(st);
    for (int a = kKindX; a <= kKindInvY; ++a)
      if ((kindBits & (kPolyX << (a - kKindX))) == 0) sc.polynomialFrame.kinds[static_cast<std::size_t>(a - kKindX)] = {};
  }
  sc.rationalFrame = ChooseRationalFrame(st);
  // Its table, where it shifts a kind the rational mask selects.
  const std::uint32_t rationalBits = ctx.selection.rationalMask & (kRatX | kRatLnX | kRatY | kRatLnY);
  bool rationalShift = false;
  for (int a : {kKindX, kKindLnX, kKindY, kKindLnY})
    rationalShift = rationalShift || (!sc.rationalFrame.Of(a).Identity() &&
                                      (rationalBits & (a == kKindX ? kRatX : a == kKindLnX ? kRatLnX : a == kKindY ? kRatY : kRatLnY)));
  if (rationalShift) {
    if (!ctx.rationalSums) {
      ctx.rationalSums = std::shared_ptr<TSumsTable>(new (std::nothrow) TSumsTable());
      if (!ctx.rationalSums) return -2;
    }
    ctx.rationalSums->Clear();
    plan.rationalFrame = &sc.rationalFrame;
  } else {
    ctx.rationalSums.reset();
  }
  TSumsTable* rationalSums = ctx.rationalSums.get();
  const TPolynomialFrame& frame = sc.polynomialFrame;
  if (frame.Identity()) {
    ctx.polynomialSums.reset();
  } else {
    if (!ctx.polynomialSums) {
      ctx.polynomialSums = std::shared_ptr<TSumsTable>(new (std::nothrow) TSumsTable());
      if (!ctx.polynomialSums) return -2;
    }
    ctx.polynomialSums->Clear();
    plan.frame = &frame;
  }
  TSumsTable* frameSums = ctx.polynomialSums.get();

  std::unique_ptr<TChunk> chunk(new (std::nothrow) TChunk);
  if (!chunk) return -2;
  TChunk& ch = *chunk;
  ch.count = 0;
  const int count = static_cast<int>(ctx.points.size());
  const int every = std::max(1, count / 25);
  for (int i = 1; i <= count; ++i) {
    if (i % every == 0 &&
        !ctx.Progress(kStageSums, static_cast<float>(100.0L * i / count)))
      return -1;
    const TXYZPoint& pt = ctx.points[static_cast<std::size_t>(i - 1)];
    if (!IsActive(pt)) continue;
    const int p = ch.count;
    const long double w = ctx.WeightOf(pt);
    const long double x = NonZero(pt.X), y = NonZero(pt.Y), z = NonZero(pt.Z);

    long double terms[kCandidateTermCount];
    PointTerms(x, y, sc, plan, excluded, terms);
    for (int t = 0; t < kCandidateTermCount; ++t) {
      ch.terms[t][p] = terms[t];
      ch.squares[t][p] = terms[t] * terms[t];
    }
    FillPowers(x, ch, kKindX - kKindX, p);
    FillPowers(plan.logX ? std::log(x) : 0.0L, ch, kKindLnX - kKindX, p);
    FillPowers(1.0L / x, ch, kKindInvX - kKindX, p);
    FillPowers(y, ch, kKindY - kKindX, p);
    FillPowers(plan.logY ? std::log(y) : 0.0L, ch, kKindLnY - kKindX, p);
    FillPowers(1.0L / y, ch, kKindInvY - kKindX, p);
    if (plan.frame) {
      for (int a = kKindX; a <= kKindInvY; ++a) {
        const TPowerShift& shift = frame.Of(a);
        if (!shift.Identity())
          FillPowers((Pw(ch, a, 1)[p] - shift.centre) * shift.scale, ch.framePowers[a - kKindX], p);
      }
      ch.zFrame[p] = z - frame.zCentre;
      ch.wzFrame[p] = w * ch.zFrame[p];
    }

    const long double z2 = z * z, z4 = z2 * z2;
    ch.w[p] = w;
    ch.wz[p] = w * z;
    ch.wz2[p] = w * z2;
    ch.omega[kVariantZ][p] = w;
    ch.omega[kVariantLnZ][p] = w * z2;
    ch.omega[kVariantInvZ][p] = w * z4;
    ch.zv[kVariantZ][p] = z;
    ch.zv2[kVariantZ][p] = z2;
    // ln z and 1/z only for the variants the run gathers (ln z needs z > 0).
    const long double lz = plan.variant[kVariantLnZ] ? std::log(z) : 0.0L;
    ch.zv[kVariantLnZ][p] = lz;
    ch.zv2[kVariantLnZ][p] = lz * lz;
    ch.zv[kVariantInvZ][p] = 1.0L / z;
    ch.zv2[kVariantInvZ][p] = 1.0L / z2;
    for (int v = 0; v < kZVariantCount; ++v) ch.omegaZ[v][p] = ch.omega[v][p] * ch.zv[v][p];
    if (plan.rationalFrame) {
      for (int a : {kKindX, kKindLnX, kKindY, kKindLnY}) {
        const TPowerShift& shift = plan.rationalFrame->Of(a);
        if (!shift.Identity())
          FillPowers((Pw(ch, a, 1)[p] - shift.centre) * shift.scale, ch.rationalPowers[a - kKindX], p);
      }
    }
    if (++ch.count == kChunk) GatherChunk(s, frameSums, rationalSums, plan, ch);
  }
  GatherChunk(s, frameSums, rationalSums, plan, ch);
  if (frameSums) (*frameSums)[TSumsTable::Count(kVariantZ)] = s[TSumsTable::Count(kVariantZ)];
  if (rationalSums)
    for (int row : {TSumsTable::Count(kVariantZ), TSumsTable::Z(kVariantZ), TSumsTable::ZSquare(kVariantZ)})
      (*rationalSums)[row] = s[row];
  ExcludeOverflowedTerms(s, excluded);
  ctx.subsetSums.reset();
  if (SubsetRowsCancel(s, plan, excluded)) {
    const int centred = GatherCentredSubsetRows(ctx, plan);
    if (centred < 0) return centred;
  }
  // The reports above stop short of the last points; the finished pass fills its gauge.
  if (count % every != 0 && !ctx.Progress(kStageSums, 100.0f)) return -1;
  return h;
}
