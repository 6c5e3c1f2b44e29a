// Bivariate Chebyshev polynomials of total order n = 2..10 in the scaled x and y (family 224),
// ln x and y (225), x and ln y (226) or ln x and ln y (227). Each axis is mapped onto [-1, 1]
// over the data range, so that the basis stays well conditioned up to 66 parameters.
//
// The basis of order n: for total degree d = 0..n, and within d for the x degree i = d down to
// 0, T_i(u)·T_(d-i)(v).
#include <algorithm>
#include <cmath>

#include "app/long_double.h"
#include "fit/fit_families.h"
#include "fit/series_families.h"

namespace {

constexpr int kChebM[] = {5, 9, 14, 20, 27, 35, 44, 54, 65};
constexpr float kChebComplexity[] = {30.02f, 48.76f, 70.62f, 95.6f, 123.7f,
                                     154.9f, 189.26f, 226.7f, 267.3f};
constexpr int kMaxTerms = 11;  // T_0..T_10
// From order 6 on (K > 6) the evaluator holds u and v inside [-1, 1]: a high order
// extrapolates wildly, so the surface beyond the data takes its boundary value.
constexpr int kClampAbove = 6;

// The basis row from the values of the two axes.
void TotalDegreeRow(const long double* tu, const long double* tv, int K, long double* row) {
  int r = 0;
  for (int d = 0; d < K; ++d)
    for (int i = d; i >= 0; --i) row[r++] = tu[i] * tv[d - i];
}

// u and v of a point; false outside a log axis's domain.
bool Scaled(long double x, long double y, bool lnX, bool lnY, const SeriesScales& s,
            long double& u, long double& v) {
  return ScaleLinear(x, s.x, lnX, u) && ScaleLinear(y, s.y, lnY, v);
}

bool Row(long double x, long double y, int m, bool lnX, bool lnY, const SeriesScales& s,
         bool clamp, long double* row) {
  long double u, v;
  if (!Scaled(x, y, lnX, lnY, s, u, v)) return false;
  const int K = ChebTermCount(m);
  if (clamp && K > kClampAbove) {
    u = std::clamp(u, -1.0L, 1.0L);
    v = std::clamp(v, -1.0L, 1.0L);
  }
  long double tu[kMaxTerms], tv[kMaxTerms];
  ChebyshevValues(u, K, tu);
  ChebyshevValues(v, K, tv);
  TotalDegreeRow(tu, tv, K, row);
  return true;
}

void NormalRow(const TSeriesFamily& f, const SeriesScales& s, long double x, long double y,
               long double z, int m, long double* row, long double* target) {
  Row(x, y, m, f.lnX, f.lnY, s, false, row);
  *target = z;
}

long double Eval(const TSeriesFamily& f, const SeriesScales& s, long double x, long double y,
                 const long double* p, int m) {
  return EvalChebPoly(x, y, p, m, f.lnX, f.lnY, s);
}

bool DesignRow(const TSeriesFamily& f, const SeriesScales& s, long double x, long double y,
               long double /*z*/, int m, long double* row) {
  return ChebPolyDesignRow(x, y, m, row, f.lnX, f.lnY, s);
}

constexpr TSeriesOperations kOperations{ChebPolyParamCount, ChebPolyComplexity, NormalRow, Eval,
                                        DesignRow};

constexpr TSeriesFamily ChebFamily(int code, const char* title, std::uint32_t bit, int first,
                                   bool lnX, bool lnY) {
  return MakeSeriesFamily({code, title, bit, false, first, 9, 2, true, 1e-4L, lnX, lnY, true},
                          kOperations);
}

}  // namespace

const TSeriesFamily kChebPolyFamilies[4] = {
    ChebFamily(kFamilyChebXY, "Chebyshev X,Y Bivariate Polynomial Order %d", kPolyChebyshev, 401,
               false, false),
    ChebFamily(kFamilyChebLnXY, "Chebyshev LnX,Y Bivariate Polynomial Order %d",
               kPolyChebyshevLog, 421, true, false),
    ChebFamily(kFamilyChebXLnY, "Chebyshev X,LnY Bivariate Polynomial Order %d",
               kPolyChebyshevLog, 441, false, true),
    ChebFamily(kFamilyChebLnXLnY, "Chebyshev LnX,LnY Bivariate Polynomial Order %d",
               kPolyChebyshevLog, 461, true, true),
};

int ChebTermCount(int m) {
  for (int k = 0; k < 9; ++k)
    if (kChebM[k] == m) return k + 3;
  return 0;
}

int ChebPolyParamCount(int k) { return k >= 0 && k < 9 ? kChebM[k] : 0; }

float ChebPolyComplexity(int k, bool lnX, bool lnY) {
  if (k < 0 || k >= 9) return 0.0f;
  // Each log axis adds 5.54, the sum rounded to single precision before truncation.
  float c = kChebComplexity[k];
  if (lnX) c = c + 5.54f;
  if (lnY) c = c + 5.54f;
  return c;
}

bool ChebPolyNormalEquations(const SeriesScales& s, std::span<const TXYZPoint> points,
                             long double weightScale, int m, long double* const* a,
                             long double* b, bool lnX, bool lnY) {
  return SeriesNormalEquationsOf(kChebPolyFamilies[(lnX ? 1 : 0) + (lnY ? 2 : 0)], s, points,
                                 weightScale, m, a, b);
}

long double ChebPolySumSquares(const SeriesScales& s, std::span<const TXYZPoint> points,
                               long double weightScale, const long double* p, int m, bool lnX,
                               bool lnY) {
  return SeriesSumSquares(kChebPolyFamilies[(lnX ? 1 : 0) + (lnY ? 2 : 0)], s, points,
                          weightScale, p, m);
}

long double EvalChebPoly(long double x, long double y, const long double* p, int m, bool lnX,
                         bool lnY, const SeriesScales& s) {
  long double row[kMaxSeriesM + 1];
  if (!Row(x, y, m, lnX, lnY, s, true, row)) return ExprErrorValue;
  long double z = 0.0L;
  for (int j = 0; j <= m; ++j) z += p[j] * row[j];
  return z;
}

bool ChebPolyDesignRow(long double x, long double y, int m, long double* row, bool lnX, bool lnY,
                       const SeriesScales& s) {
  return Row(x, y, m, lnX, lnY, s, true, row);
}
