// The sums table of a fit run: every weighted sum over the active points that the linear
// families and the term-subset search fit from, gathered in one pass over the data (phase 1),
// so that no later linear fit touches a data point.
//
// w is the point's weight times the weight scale of the statistics (the weights of the
// active points add up to n, the number of them with a positive weight). A coordinate that is exactly 0 enters every sum as 1e-300, so
// that the reciprocal and logarithmic transforms are defined.
//
// Per Z variant v (0 fit of Z, 1 of ln Z, 2 of 1/Z) the variant's weight ω_v and value Z_v:
// ω_0 = w, Z_0 = z; ω_1 = w·z², Z_1 = ln z; ω_2 = w·z⁴, Z_2 = 1/z. term_t is the candidate
// term t (0..41) at the point.
//
//   index                                     content
//   t + (0, 93, 177)[v]                       Σ ω_v·term_t
//   t + (42, 135, 219)[v]                     Σ ω_v·term_t²
//   84 + v, 87 + v, 90 + v                    Σ ω_v·Z_v, Σ ω_v·Z_v², Σ ω_v
//   261 + 42v + t                             Σ ω_v·Z_v·term_t
//   (387, 1248, 2109)[v] + pair(i, j), i < j  Σ ω_v·term_i·term_j
//
// The family sums, with V_a the transform of kind a (5 x, 6 ln x, 7 1/x, 8 y, 9 ln y,
// 10 1/y) and powers p, q counted from 1:
//
//   2970 + 10(a-5) + p-1             Σ w·V_a^p              a 5..10, p 1..10
//   3030 + 75(a-5) + 25(c-8) + ...   Σ w·V_a^p·V_c^q        a 5..7, c 8..10, p, q 1..5
//   3255 + 10(a-5) + p-1             Σ w·z·V_a^p            a 5..10, p 1..10
//   3315 / 3327 + 6(..) + p-1        Σ w·z²·V_a^p           a 5, 6, 8, 9, p 1..6
//   3339 + 18(a-5) + 9(c-8) + ...    Σ w·z·V_a^p·V_c^q      a 5, 6, c 8, 9, p, q 1..3
//   3375 + the same                  Σ w·z²·V_a^p·V_c^q
//   3411, 3420, 3429 + (a-5) + 3(c-8)  Σ w·z·V_a·V_c, ·V_a·V_c², ·V_a²·V_c   a 5..7, c 8..10
//   3438, 3442 + (a-5) + 2(c-8)        Σ w·z²·V_a³·V_c, ·V_a·V_c³           a 5, 6, c 8, 9
//
// Entries above 3445 stay 0. Which rows a run gathers is decided by ComputeFitSums (see
// fit_sums.cpp); rows it does not gather hold 0.
#pragma once

#include <array>
#include <cstddef>

#include "fit/fit_families.h"
#include "fit/fit_run.h"

inline constexpr int kSumsTableSize = 4307;
inline constexpr int kTermPairCount = 861;  // pairs i < j of the 42 candidate terms

class TSumsTable {
 public:
  long double& operator[](int i) { return s_[static_cast<std::size_t>(i)]; }
  long double operator[](int i) const { return s_[static_cast<std::size_t>(i)]; }
  void Clear() { s_.fill(0.0L); }
  const std::array<long double, kSumsTableSize>& Entries() const { return s_; }

  // Per-variant rows.
  static constexpr int Term(int v, int t) { return t + kTermBase[v]; }
  static constexpr int TermSquare(int v, int t) { return t + kTermSquareBase[v]; }
  static constexpr int Z(int v) { return 84 + v; }
  static constexpr int ZSquare(int v) { return 87 + v; }
  static constexpr int Count(int v) { return 90 + v; }  // the weighted count N_v
  static constexpr int TermZ(int v, int t) { return 261 + 42 * v + t; }
  // i != j, in either order.
  static constexpr int Pair(int v, int i, int j) {
    if (i > j) {
      const int k = i;
      i = j;
      j = k;
    }
    return kPairBase[v] + (j - i - 1) + 42 * i - i * (i + 1) / 2;
  }

  // Family rows (a an X kind 5..7 or any kind for the single-kind rows, c a Y kind 8..10).
  static constexpr int Power(int a, int p) { return 2970 + 10 * (a - 5) + p - 1; }
  static constexpr int CrossPower(int a, int p, int c, int q) {
    return 3030 + 75 * (a - 5) + 25 * (c - 8) + 5 * (p - 1) + q - 1;
  }
  static constexpr int PowerZ(int a, int p) { return 3255 + 10 * (a - 5) + p - 1; }
  static constexpr int PowerZ2(int a, int p) {
    return a >= kKindY ? 3327 + 6 * (a - 8) + p - 1 : 3315 + 6 * (a - 5) + p - 1;
  }
  static constexpr int CrossZ(int a, int p, int c, int q) {
    return 3339 + 18 * (a - 5) + 9 * (c - 8) + 3 * (p - 1) + q - 1;
  }
  static constexpr int CrossZ2(int a, int p, int c, int q) {
    return 3375 + 18 * (a - 5) + 9 * (c - 8) + 3 * (p - 1) + q - 1;
  }
  static constexpr int ZXY(int a, int c) { return 3411 + (a - 5) + 3 * (c - 8); }
  static constexpr int ZXY2(int a, int c) { return 3420 + (a - 5) + 3 * (c - 8); }
  static constexpr int ZX2Y(int a, int c) { return 3429 + (a - 5) + 3 * (c - 8); }
  static constexpr int Z2X3Y(int a, int c) { return 3438 + (a - 5) + 2 * (c - 8); }
  static constexpr int Z2XY3(int a, int c) { return 3442 + (a - 5) + 2 * (c - 8); }

  // The entry holding Σ w·z^e·X^p·Y^q for X of kind a and Y of kind c (p, q >= 0, e 0..2),
  // or -1 when the table does not hold that moment. p = q = 0 gives the count, Σ w·z and
  // Σ w·z². This is how the normal equations of the polynomial and rational families are
  // read: every product of two of their terms is such a moment.
  static int Moment(int a, int p, int c, int q, int e);

 private:
  static constexpr int kTermBase[3] = {0, 93, 177};
  static constexpr int kTermSquareBase[3] = {42, 135, 219};
  static constexpr int kPairBase[3] = {387, 1248, 2109};

  std::array<long double, kSumsTableSize> s_{};
};

// The rows of the term-subset search gathered again about the weighted means of their terms,
// where the raw sums cancel: the term rows of a variant (Σ ω·t, Σ ω·t², Σ ω·Z_v·t, the pair
// rows) and its Z rows (Σ ω·Z_v, Σ ω·Z_v²) hold the sums of t - termMean[v][t] and
// Z_v - zMean[v] in the places of the raw ones; the count rows are the raw ones. Far from the
// origin (x³ about 1e18 over a spread of 1e15) or with the weight gathered on a few points, a
// covariance Σ ω·t_i·t_j - Σ ω·t_i·Σ ω·t_j / N formed from raw sums keeps few digits or none;
// about the means it keeps them all.
struct TCentredSubsetSums {
  TSumsTable rows;
  std::array<std::array<long double, kCandidateTermCount>, kZVariantCount> termMean{};
  std::array<long double, kZVariantCount> zMean{};
};

// The candidate terms of one axis at a coordinate v (never 0: the sums replace 0 by 1e-300):
// out[k] = term k of the axis (k = 0..20, code k for x and 21 + k for y), s the scale of the
// axis's exponential term. The logarithm and root terms are computed only with `logsAllowed`
// (the axis has no negative value); the exponential terms only while not excluded. Terms not
// computed are 0.
void FillCandidateTerms(long double v, long double s, bool logsAllowed, bool expExcluded,
                        bool negExpExcluded, long double* out);

// What the data's range allows of the transforms of an axis. A kind or candidate term takes no
// part where it has no value somewhere over the range of the data, at a point or between two:
// a fit in it would be undefined (a pole, or a logarithm of 0) among the data it claims to
// describe. ln v needs every value above 0, 1/v a range without 0, v/ln v and 1/ln v a range
// without 1 as well.
bool LogKindAllowed(const TAxisStats& axis);
bool ReciprocalKindAllowed(const TAxisStats& axis);
// Sets the flags (21 of them: term k of the axis at flags[k]) of the candidate terms that have
// no value somewhere over the axis's range; leaves the others as they are.
void ExcludeUndefinedTerms(const TAxisStats& axis, std::uint8_t* flags);
// Fits of 1/Z (z = 1/s) need data whose z lie on one side of 0: with z of both signs s has
// both signs at the points, and so a pole between them.
bool InverseZAllowed(const TAxisStats& z);
