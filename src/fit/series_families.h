// The series families: Chebyshev polynomials (224-227) and rationals (228-231) in x, y or
// their logarithms, the simple (237) and bivariate (234) Fourier series, the cosine series
// (236) and the sigmoid series (235). Each is linear in its parameters and comes in orders of
// growing size; the series driver (series_driver.cpp) fits every order of a family the same
// way from the family's operations below.
//
// Every operation takes the series scales of the run (SeriesScales of fit_run.h), which map
// the data range onto [-1, 1] (Chebyshev and sigmoid) or [0, π] (Fourier and cosine).
#pragma once

#include <cstdint>
#include <span>

#include "app/xyz_point.h"
#include "fit/fit_run.h"

// The largest m of any series family (the Chebyshev polynomials of order 10).
inline constexpr int kMaxSeriesM = 65;

// One series family with the constants its entry hands to the driver.
struct TSeriesFamily {
  int code = 0;
  const char* title = "";  // the family's text in the review; the order stands for %d
  std::uint32_t maskBit = 0;  // in the polynomial word (phase 2) or the rational word (phase 3)
  bool rationalPhase = false;  // rational counter and stage 3, else polynomial counter, stage 2
  int firstEquation = 0;
  int orders = 0;
  // Axis test of order index k: q = k + offset (offset >= 0) or 2·(k - offset), and the
  // order needs more distinct x and y values than q.
  int offset = 0;
  bool fast = false;  // the sum of squares may come from the normal equations
  long double tolerance = 0.0L;
  bool lnX = false, lnY = false;
  // The basis of an order is the start of the basis of the next order (or, with `embed`,
  // a subset of it in the same relative order): the normal equations of every order can be
  // read from those of the largest one.
  bool nested = false;

  int (*paramCount)(int k) = nullptr;           // m of order index k, 0 outside the table
  float (*complexity)(int k, bool lnX, bool lnY) = nullptr;
  // The row of the normal equations at a data point, unclamped, and its target.
  void (*normalRow)(const TSeriesFamily& f, const SeriesScales& s, long double x, long double y,
                    long double z, int m, long double* row, long double* target) = nullptr;
  // The fitted value; the missing value outside a log axis's domain.
  long double (*eval)(const TSeriesFamily& f, const SeriesScales& s, long double x, long double y,
                      const long double* p, int m) = nullptr;
  // The design row at (x, y) (z: the fitted value, read by the rationals); false outside a
  // log axis's domain.
  bool (*designRow)(const TSeriesFamily& f, const SeriesScales& s, long double x, long double y,
                    long double z, int m, long double* row) = nullptr;
  // For a nested family whose orders are not prefixes of each other: the positions of the
  // basis of m within the basis of mBig. Null: the first m + 1 positions.
  void (*embed)(int m, int mBig, int* positions) = nullptr;
  // False when the fit of parameters p has no value somewhere over the data rectangle (a
  // rational's denominator vanishes there). Null: a family defined everywhere.
  bool (*definedOverData)(const long double* p, int m) = nullptr;
};

// A family's constants and operations, for the tables of the families.
struct TSeriesConstants {
  int code;
  const char* title;
  std::uint32_t maskBit;
  bool rationalPhase;
  int firstEquation, orders, offset;
  bool fast;
  long double tolerance;
  bool lnX, lnY, nested;
};
struct TSeriesOperations {
  int (*paramCount)(int k);
  float (*complexity)(int k, bool lnX, bool lnY);
  decltype(TSeriesFamily::normalRow) normalRow;
  decltype(TSeriesFamily::eval) eval;
  decltype(TSeriesFamily::designRow) designRow;
  decltype(TSeriesFamily::embed) embed = nullptr;
  decltype(TSeriesFamily::definedOverData) definedOverData = nullptr;
};
constexpr TSeriesFamily MakeSeriesFamily(const TSeriesConstants& c, const TSeriesOperations& o) {
  TSeriesFamily f;
  f.code = c.code;
  f.title = c.title;
  f.maskBit = c.maskBit;
  f.rationalPhase = c.rationalPhase;
  f.firstEquation = c.firstEquation;
  f.orders = c.orders;
  f.offset = c.offset;
  f.fast = c.fast;
  f.tolerance = c.tolerance;
  f.lnX = c.lnX;
  f.lnY = c.lnY;
  f.nested = c.nested;
  f.paramCount = o.paramCount;
  f.complexity = o.complexity;
  f.normalRow = o.normalRow;
  f.eval = o.eval;
  f.designRow = o.designRow;
  f.embed = o.embed;
  f.definedOverData = o.definedOverData;
  return f;
}

// The family of a code, or null.
const TSeriesFamily* SeriesFamilyOf(int code);

// The entry's fit of every order of a family (the series driver).
int FitSeriesFamily(TFitRunContext& ctx, const TSeriesFamily& family, int largestM,
                    int distinctX, int distinctY, bool svd, std::uint32_t total);

// Σ w·(z - f)² over the active points, w = W·weightScale.
long double SeriesSumSquares(const TSeriesFamily& f, const SeriesScales& s,
                             std::span<const TXYZPoint> points, long double weightScale,
                             const long double* p, int m);
// The weighted normal equations of order m over the active points into the top-left block
// of a and b[0..m], both halves filled. False when its work memory cannot be had.
bool SeriesNormalEquationsOf(const TSeriesFamily& f, const SeriesScales& s,
                             std::span<const TXYZPoint> points, long double weightScale, int m,
                             long double* const* a, long double* b);

// The scaled coordinate of an axis: (v - centre)/halfRange, or on a log axis
// (ln v - logCentre)/logHalfRange. False for v <= 0 on a log axis (the logarithm error is
// then set on the calling thread).
bool ScaleLinear(long double v, const TSeriesAxisScale& a, bool log, long double& u);
// The angular coordinate (v - origin)/angularScale.
long double ScaleAngular(long double v, const TSeriesAxisScale& a);

// The family tables (defined with their bases).
extern const TSeriesFamily kChebPolyFamilies[4];  // 224, 225, 226, 227
extern const TSeriesFamily kChebRatFamilies[4];   // 228, 229, 230, 231
extern const TSeriesFamily kFourierFamily;        // 237
extern const TSeriesFamily kFourier2Family;       // 234
extern const TSeriesFamily kCosineFamily;         // 236
extern const TSeriesFamily kSigmoidFamily;        // 235

// ---- Chebyshev polynomials (224-227) ----
// T_0..T_(K-1) at u by the recurrence T_j = 2u·T_(j-1) - T_(j-2).
inline void ChebyshevValues(long double u, int K, long double* t) {
  t[0] = 1.0L;
  if (K > 1) t[1] = u;
  for (int j = 2; j < K; ++j) t[j] = 2.0L * u * t[j - 1] - t[j - 2];
}

int ChebTermCount(int m);  // K = n + 1 of an m: 5 -> 3, ..., 65 -> 11; 0 for any other m
int ChebPolyParamCount(int k);
float ChebPolyComplexity(int k, bool lnX, bool lnY);
bool ChebPolyNormalEquations(const SeriesScales& s, std::span<const TXYZPoint> points,
                             long double weightScale, int m, long double* const* a,
                             long double* b, bool lnX, bool lnY);
long double ChebPolySumSquares(const SeriesScales& s, std::span<const TXYZPoint> points,
                               long double weightScale, const long double* p, int m, bool lnX,
                               bool lnY);
long double EvalChebPoly(long double x, long double y, const long double* p, int m, bool lnX,
                         bool lnY, const SeriesScales& s);
bool ChebPolyDesignRow(long double x, long double y, int m, long double* row, bool lnX, bool lnY,
                       const SeriesScales& s);

// ---- Chebyshev rationals (228-231) ----
int ChebRatTermCount(int m);  // K = D + 1 of an m = 4K - 6
int ChebRatParamCount(int k);
float ChebRatComplexity(int k, bool lnX, bool lnY);
long double EvalChebRat(long double x, long double y, const long double* p, int m, bool lnX,
                        bool lnY, const SeriesScales& s);
bool ChebRatDesignRow(long double x, long double y, long double z, int m, long double* row,
                      bool lnX, bool lnY, const SeriesScales& s);
// True when the denominator Q of the parameters p vanishes somewhere over the data rectangle,
// where the scaled u and v run over [-1, 1]: the rational has a pole there.
bool ChebRatDenominatorVanishes(const long double* p, int m);

// ---- Fourier (237, 234), cosine (236) and sigmoid (235) series ----
int FourierParamCount(int k);
int Fourier2ParamCount(int k);
int Fourier2Harmonics(int m);  // 12 -> 2, 24 -> 3, 40 -> 4, 60 -> 5, else 0
int CosineParamCount(int k);
int CosineOrder(int m);        // 5 -> 2, ..., 65 -> 10, else 0
int SigmoidParamCount(int k);
int SigmoidTermCount(int m);   // 5 -> 3, ..., 65 -> 11, else 0
// The basis row of the bivariate Fourier series at angular coordinates s, t.
void Fourier2Row(long double s, long double t, int m, long double* row);
long double EvalFourier(long double x, long double y, const long double* p, int m,
                        const SeriesScales& s);
long double EvalFourier2(long double x, long double y, const long double* p, int m,
                         const SeriesScales& s);
long double EvalCosine(long double x, long double y, const long double* p, int m,
                       const SeriesScales& s);
long double EvalSigmoid(long double x, long double y, const long double* p, int m,
                        const SeriesScales& s);
