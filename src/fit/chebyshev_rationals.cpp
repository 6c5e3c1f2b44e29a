// Chebyshev rationals: numerator and denominator additive Chebyshev series in the scaled x and
// y (family 228), ln x and y (229), x and ln y (230) or ln x and ln y (231), from numerator
// order 1 over denominator order 2 up to 10 over 11. With zs = (z - cz)/hz:
//
//   P = a0 + Σ_{j=1..K-2} (a_(4j-1)·T_j(u) + a_(4j)·T_j(v))
//   Q = 1 + a1·T1(u) + a2·T1(v) + Σ_{j=2..K-1} (a_(4j-3)·T_j(u) + a_(4j-2)·T_j(v))
//   z = cz + hz·P/Q
//
// Multiplied through by Q the rational is linear in its parameters (zs = P - zs·(Q - 1)), so
// the series driver fits it by normal equations; its sum of squares is always taken from the
// rational itself.
#include <algorithm>
#include <cmath>
#include <span>

#include "app/long_double.h"
#include "fit/fit_families.h"
#include "fit/series_families.h"
#include "numerics/polynomial_range.h"

namespace {

constexpr int kChebRatM[] = {6, 10, 14, 18, 22, 26, 30, 34, 38, 42};
constexpr float kChebRatComplexity[] = {16.93f, 27.31f, 37.69f, 48.07f, 58.45f,
                                        68.83f, 79.21f, 89.59f, 99.97f, 110.4f};
constexpr int kOrders = 10;
constexpr int kMaxTerms = 12;  // T_0..T_11
// From denominator order 7 on (K > 7) the evaluator holds u and v inside [-1, 1].
constexpr int kClampAbove = 7;

// T_0..T_(K-1) of both axes; false outside a log axis's domain.
bool Values(long double x, long double y, int K, bool lnX, bool lnY, const SeriesScales& s,
            bool clamp, long double* tu, long double* tv) {
  long double u, v;
  if (!ScaleLinear(x, s.x, lnX, u) || !ScaleLinear(y, s.y, lnY, v)) return false;
  if (clamp && K > kClampAbove) {
    u = std::clamp(u, -1.0L, 1.0L);
    v = std::clamp(v, -1.0L, 1.0L);
  }
  ChebyshevValues(u, K, tu);
  ChebyshevValues(v, K, tv);
  return true;
}

// The linearised row at a point whose scaled value is zs.
void LinearisedRow(const long double* tu, const long double* tv, int K, long double zs,
                   long double* row) {
  row[0] = 1.0L;
  row[1] = -zs * tu[1];
  row[2] = -zs * tv[1];
  for (int j = 1; j <= K - 2; ++j) {
    row[4 * j - 1] = tu[j];
    row[4 * j] = tv[j];
    row[4 * j + 1] = -zs * tu[j + 1];
    row[4 * j + 2] = -zs * tv[j + 1];
  }
}

void NormalRow(const TSeriesFamily& f, const SeriesScales& s, long double x, long double y,
               long double z, int m, long double* row, long double* target) {
  const int K = ChebRatTermCount(m);
  long double tu[kMaxTerms], tv[kMaxTerms];
  Values(x, y, K, f.lnX, f.lnY, s, false, tu, tv);
  const long double zs = (z - s.z.centre) / s.z.halfRange;
  LinearisedRow(tu, tv, K, zs, row);
  *target = zs;
}

long double Eval(const TSeriesFamily& f, const SeriesScales& s, long double x, long double y,
                 const long double* p, int m) {
  return EvalChebRat(x, y, p, m, f.lnX, f.lnY, s);
}

bool DesignRow(const TSeriesFamily& f, const SeriesScales& s, long double x, long double y,
               long double z, int m, long double* row) {
  return ChebRatDesignRow(x, y, z, m, row, f.lnX, f.lnY, s);
}

// A denominator that vanishes over the data rectangle makes a pole between the points the
// rational was fitted to: such an order is no fit of them, whatever its r² at the points.
bool DefinedOverData(const long double* p, int m) { return !ChebRatDenominatorVanishes(p, m); }

constexpr TSeriesOperations kOperations{ChebRatParamCount, ChebRatComplexity, NormalRow, Eval,
                                        DesignRow, nullptr, DefinedOverData};

// The power coefficients of Σ_{j=1..K-1} a_j·T_j(t) (a_0 = 0) into c[0..K-1].
void ChebyshevSeriesToPowers(const long double* a, int K, long double* c) {
  long double prev[kMaxTerms] = {1.0L}, cur[kMaxTerms] = {0.0L, 1.0L};  // T_0, T_1
  std::fill(c, c + K, 0.0L);
  for (int j = 1; j < K; ++j) {
    if (j >= 2) {
      long double next[kMaxTerms] = {};
      for (int i = 0; i < K; ++i) next[i] = (i > 0 ? 2.0L * cur[i - 1] : 0.0L) - prev[i];
      std::copy(cur, cur + K, prev);
      std::copy(next, next + K, cur);
    }
    for (int i = 0; i <= j; ++i) c[i] += a[j] * cur[i];
  }
}

// No fast sum of squares: every order's is taken from the rational itself.
constexpr TSeriesFamily ChebRatFamily(int code, const char* title, std::uint32_t bit, int first,
                                      bool lnX, bool lnY) {
  return MakeSeriesFamily(
      {code, title, bit, true, first, kOrders, 2, false, 0.0L, lnX, lnY, true}, kOperations);
}

}  // namespace

const TSeriesFamily kChebRatFamilies[4] = {
    ChebRatFamily(kFamilyChebRatXY, "Chebyshev X,Y Rational Order %d/%d", kRatChebyshev, 1401,
                  false, false),
    ChebRatFamily(kFamilyChebRatLnXY, "Chebyshev LnX,Y Rational Order %d/%d", kRatChebyshevLog,
                  1421, true, false),
    ChebRatFamily(kFamilyChebRatXLnY, "Chebyshev X,LnY Rational Order %d/%d", kRatChebyshevLog,
                  1441, false, true),
    ChebRatFamily(kFamilyChebRatLnXLnY, "Chebyshev LnX,LnY Rational Order %d/%d",
                  kRatChebyshevLog, 1461, true, true),
};

int ChebRatTermCount(int m) { return (m + 6) % 4 == 0 && m >= 6 && m <= 42 ? (m + 6) / 4 : 0; }

int ChebRatParamCount(int k) { return k >= 0 && k < kOrders ? kChebRatM[k] : 0; }

float ChebRatComplexity(int k, bool lnX, bool lnY) {
  if (k < 0 || k >= kOrders) return 0.0f;
  float c = kChebRatComplexity[k];
  if (lnX) c = c + 5.54f;
  if (lnY) c = c + 5.54f;
  return c;
}

long double EvalChebRat(long double x, long double y, const long double* p, int m, bool lnX,
                        bool lnY, const SeriesScales& s) {
  const int K = ChebRatTermCount(m);
  long double tu[kMaxTerms], tv[kMaxTerms];
  if (K == 0) return 0.0L;
  if (!Values(x, y, K, lnX, lnY, s, true, tu, tv)) return ExprErrorValue;
  long double num = p[0];
  for (int j = 1; j <= K - 2; ++j) num += p[4 * j - 1] * tu[j] + p[4 * j] * tv[j];
  long double den = 1.0L + p[1] * tu[1] + p[2] * tv[1];
  for (int j = 2; j <= K - 1; ++j) den += p[4 * j - 3] * tu[j] + p[4 * j - 2] * tv[j];
  if (den == 0.0L) return 0.0L;
  return s.z.centre + s.z.halfRange * num / den;
}

bool ChebRatDesignRow(long double x, long double y, long double z, int m, long double* row,
                      bool lnX, bool lnY, const SeriesScales& s) {
  const int K = ChebRatTermCount(m);
  long double tu[kMaxTerms], tv[kMaxTerms];
  if (K == 0 || !Values(x, y, K, lnX, lnY, s, true, tu, tv)) return false;
  LinearisedRow(tu, tv, K, (z - s.z.centre) / s.z.halfRange, row);
  return true;
}

bool ChebRatDenominatorVanishes(const long double* p, int m) {
  const int K = ChebRatTermCount(m);
  if (K == 0) return false;
  // Q = 1 + A(u) + B(v), each half a Chebyshev series of one variable without a constant.
  long double a[kMaxTerms] = {}, b[kMaxTerms] = {}, ca[kMaxTerms], cb[kMaxTerms];
  a[1] = p[1];
  b[1] = p[2];
  for (int j = 2; j <= K - 1; ++j) {
    a[j] = p[4 * j - 3];
    b[j] = p[4 * j - 2];
  }
  ChebyshevSeriesToPowers(a, K, ca);
  ChebyshevSeriesToPowers(b, K, cb);
  const std::span<const long double> pa(ca, static_cast<std::size_t>(K)), pb(cb, static_cast<std::size_t>(K));
  const TValueRange ra = PolynomialRange(pa, -1.0L, 1.0L), rb = PolynomialRange(pb, -1.0L, 1.0L);
  const TValueRange q{1.0L + ra.low + rb.low, 1.0L + ra.high + rb.high};
  return q.Holds(0.0L) || !std::isfinite(q.low) || !std::isfinite(q.high);
}
