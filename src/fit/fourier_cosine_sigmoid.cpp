// The series families whose bases are not Chebyshev polynomials: the simple Fourier series
// (237, additive in x and y), the bivariate Fourier series (234, with cross products), the
// bivariate cosine series (236) and the bivariate sigmoid series (235).
//
// The Fourier and cosine families scale x and y to s, t in [0, π] over the data; their
// evaluators and design rows hold s and t inside [0, π], so that a surface beyond the data
// repeats its boundary value. The sigmoid family scales to [-1, 1] and never clamps.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "fit/fit_families.h"
#include "fit/series_families.h"

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
// Slope of the sigmoids: the 80-bit constant nearest 8.3333333333333336, a hair above 25/3.
constexpr long double kSigmoidSlope = 8.3333333333333336L;

constexpr int kFourierOrders = 10, kFourier2Orders = 4, kBivariateOrders = 9;
constexpr int kBivariateM[] = {5, 9, 14, 20, 27, 35, 44, 54, 65};
constexpr int kFourier2M[] = {12, 24, 40, 60};
constexpr float kFourierComplexity[] = {34.12f, 67.44f, 100.8f, 134.1f, 167.4f,
                                        200.7f, 234.0f, 267.4f, 300.7f, 334.0f};
constexpr float kFourier2Complexity[] = {77.7f, 131.7f, 198.1f, 277.1f};
constexpr float kCosineComplexity[] = {44.6f, 67.4f, 93.4f, 122.6f, 154.8f,
                                       190.2f, 228.6f, 270.2f, 315.0f};
constexpr float kSigmoidComplexity[] = {59.23f, 107.2f, 158.2f, 212.4f, 269.8f,
                                        330.2f, 393.7f, 460.4f, 530.2f};
constexpr int kMaxHarmonics = 10;
constexpr int kMaxBivariateTerms = 11;

void Angles(const SeriesScales& sc, long double x, long double y, bool clamp, long double& s,
            long double& t) {
  s = ScaleAngular(x, sc.x);
  t = ScaleAngular(y, sc.y);
  if (clamp) {
    s = std::clamp(s, 0.0L, kPi);
    t = std::clamp(t, 0.0L, kPi);
  }
}

long double Dot(const long double* p, const long double* row, int m) {
  long double z = 0.0L;
  for (int j = 0; j <= m; ++j) z += p[j] * row[j];
  return z;
}

// The Chebyshev order of two axes' values: for total degree d = 0..K-1, x degree d..0.
void TotalDegreeRow(const long double* a, const long double* b, int K, long double* row) {
  int r = 0;
  for (int d = 0; d < K; ++d)
    for (int i = d; i >= 0; --i) row[r++] = a[i] * b[d - i];
}

// The operations of a family on the angular coordinates s, t, from its row builder: the
// normal equations take the point unclamped, the design row and the value clamped into
// [0, π].
using TAngularRowFn = void (*)(long double s, long double t, int m, long double* row);

template <TAngularRowFn kRow>
void AngularNormalRow(const TSeriesFamily&, const SeriesScales& sc, long double x, long double y,
                      long double z, int m, long double* row, long double* target) {
  long double s, t;
  Angles(sc, x, y, false, s, t);
  kRow(s, t, m, row);
  *target = z;
}

template <TAngularRowFn kRow>
bool AngularDesignRow(const TSeriesFamily&, const SeriesScales& sc, long double x, long double y,
                      long double, int m, long double* row) {
  long double s, t;
  Angles(sc, x, y, true, s, t);
  kRow(s, t, m, row);
  return true;
}

template <TAngularRowFn kRow>
long double AngularValue(long double x, long double y, const long double* p, int m,
                         const SeriesScales& sc) {
  long double s, t, row[kMaxSeriesM + 1];
  Angles(sc, x, y, true, s, t);
  kRow(s, t, m, row);
  return Dot(p, row, m);
}

template <TAngularRowFn kRow>
long double AngularEval(const TSeriesFamily&, const SeriesScales& sc, long double x, long double y,
                        const long double* p, int m) {
  return AngularValue<kRow>(x, y, p, m, sc);
}

// ---- 237: simple Fourier series ----

void FourierRow(long double s, long double t, int m, long double* row) {
  row[0] = 1.0L;
  for (int h = 1; h <= m / 4; ++h) {
    row[4 * h - 3] = std::cos(h * s);
    row[4 * h - 2] = std::sin(h * s);
    row[4 * h - 1] = std::cos(h * t);
    row[4 * h] = std::sin(h * t);
  }
}

// ---- 234: bivariate Fourier series ----

// The bounds of the cross part by the number of harmonics H = 2..5.
constexpr int kCrossI[] = {0, 0, 2, 2, 4, 4};
constexpr int kCrossJ[] = {0, 0, 2, 4, 6, 8};

// Identity of a row entry, to place the basis of one order inside a larger one: 0 the
// constant, 1000 + j for A_j, 2000 + j for B_j, 100·i + j for A_i·B_j.
template <typename Emit>
void Fourier2Layout(int H, Emit emit) {
  emit(0);
  for (int j = 1; j <= 2 * H; ++j) {
    emit(1000 + j);
    emit(2000 + j);
  }
  int J = kCrossJ[H];
  for (int i = 1; i <= kCrossI[H]; ++i) {
    if (i == 3) J -= 2;
    for (int j = i; j <= J; ++j) {
      emit(100 * i + j);
      if (j != i) emit(100 * j + i);
    }
  }
}

void Fourier2Embed(int m, int mBig, int* positions) {
  int big[kMaxSeriesM + 1];
  int nBig = 0;
  Fourier2Layout(Fourier2Harmonics(mBig), [&](int id) { big[nBig++] = id; });
  int n = 0, from = 0;
  Fourier2Layout(Fourier2Harmonics(m), [&](int id) {
    while (from < nBig && big[from] != id) ++from;
    positions[n++] = from++;
  });
}

// ---- 236: cosine series ----

void CosineRow(long double s, long double t, int m, long double* row) {
  const int n = CosineOrder(m);
  long double cs[kMaxBivariateTerms], ct[kMaxBivariateTerms];
  cs[0] = ct[0] = 1.0L;
  for (int i = 1; i <= n; ++i) {
    cs[i] = std::cos(i * s);
    ct[i] = std::cos(i * t);
  }
  TotalDegreeRow(cs, ct, n + 1, row);
}

// ---- 235: sigmoid series ----

// S_0 = 1, S_1 = u, and for j = 2..n a sigmoid centred at -1 + 2(j-1)/n.
void Sigmoids(long double u, int n, long double* out) {
  out[0] = 1.0L;
  out[1] = u;
  for (int j = 2; j <= n; ++j) {
    const long double c = -1.0L + 2.0L * (j - 1) / n;
    out[j] = 2.0L / (1.0L + std::exp(-kSigmoidSlope * (u - c))) - 1.0L;
  }
}

void SigmoidRow(const SeriesScales& sc, long double x, long double y, int m, long double* row) {
  const int K = SigmoidTermCount(m);
  long double su[kMaxBivariateTerms], sv[kMaxBivariateTerms];
  long double u, v;
  ScaleLinear(x, sc.x, false, u);
  ScaleLinear(y, sc.y, false, v);
  Sigmoids(u, K - 1, su);
  Sigmoids(v, K - 1, sv);
  TotalDegreeRow(su, sv, K, row);
}

void SigmoidNormalRow(const TSeriesFamily&, const SeriesScales& sc, long double x, long double y,
                      long double z, int m, long double* row, long double* target) {
  SigmoidRow(sc, x, y, m, row);
  *target = z;
}

bool SigmoidDesignRow(const TSeriesFamily&, const SeriesScales& sc, long double x, long double y,
                      long double, int m, long double* row) {
  SigmoidRow(sc, x, y, m, row);
  return true;
}

long double SigmoidEval(const TSeriesFamily&, const SeriesScales& sc, long double x,
                        long double y, const long double* p, int m) {
  return EvalSigmoid(x, y, p, m, sc);
}

float FourierComplexity(int k, bool, bool) {
  return k >= 0 && k < kFourierOrders ? kFourierComplexity[k] : 0.0f;
}
float Fourier2Complexity(int k, bool, bool) {
  return k >= 0 && k < kFourier2Orders ? kFourier2Complexity[k] : 0.0f;
}
float CosineComplexity(int k, bool, bool) {
  return k >= 0 && k < kBivariateOrders ? kCosineComplexity[k] : 0.0f;
}
float SigmoidComplexity(int k, bool, bool) {
  return k >= 0 && k < kBivariateOrders ? kSigmoidComplexity[k] : 0.0f;
}

}  // namespace

const TSeriesFamily kFourierFamily = MakeSeriesFamily(
    {kFamilyFourier, "Fourier Series Simple Order 2x%d", kPolyFourier, false, 501, kFourierOrders,
     -1, true, 1e-2L, false, false, true},
    {FourierParamCount, FourierComplexity, AngularNormalRow<FourierRow>, AngularEval<FourierRow>,
     AngularDesignRow<FourierRow>});
// The bases of the orders of the bivariate Fourier series are not prefixes of each other but
// subsets in the same relative order: Fourier2Embed places one inside another.
const TSeriesFamily kFourier2Family = MakeSeriesFamily(
    {kFamilyFourier2, "Fourier Series Bivariate Order 2x%d", kPolyFourier2, false, 521,
     kFourier2Orders, -2, true, 1e-2L, false, false, true},
    {Fourier2ParamCount, Fourier2Complexity, AngularNormalRow<Fourier2Row>,
     AngularEval<Fourier2Row>, AngularDesignRow<Fourier2Row>, Fourier2Embed});
const TSeriesFamily kCosineFamily = MakeSeriesFamily(
    {kFamilyCosine, "Cosine Series Bivariate Order %d", kPolyCosine, false, 531, kBivariateOrders,
     2, true, 1e-3L, false, false, true},
    {CosineParamCount, CosineComplexity, AngularNormalRow<CosineRow>, AngularEval<CosineRow>,
     AngularDesignRow<CosineRow>});
// The sigmoid centres move with the order, so the bases of two orders share only their first
// terms: every order gathers its own normal equations.
const TSeriesFamily kSigmoidFamily = MakeSeriesFamily(
    {kFamilySigmoid, "Sigmoid Series Bivariate Order %d", kPolySigmoid, false, 601,
     kBivariateOrders, 2, true, 1e-4L, false, false, false},
    {SigmoidParamCount, SigmoidComplexity, SigmoidNormalRow, SigmoidEval, SigmoidDesignRow});

int FourierParamCount(int k) { return k >= 0 && k < kFourierOrders ? 4 * (k + 1) : 0; }
int Fourier2ParamCount(int k) { return k >= 0 && k < kFourier2Orders ? kFourier2M[k] : 0; }
int Fourier2Harmonics(int m) {
  for (int k = 0; k < kFourier2Orders; ++k)
    if (kFourier2M[k] == m) return k + 2;
  return 0;
}
int CosineParamCount(int k) { return k >= 0 && k < kBivariateOrders ? kBivariateM[k] : 0; }
int CosineOrder(int m) {
  for (int k = 0; k < kBivariateOrders; ++k)
    if (kBivariateM[k] == m) return k + 2;
  return 0;
}
int SigmoidParamCount(int k) { return CosineParamCount(k); }
int SigmoidTermCount(int m) {
  const int n = CosineOrder(m);
  return n > 0 ? n + 1 : 0;
}

void Fourier2Row(long double s, long double t, int m, long double* row) {
  const int H = Fourier2Harmonics(m);
  long double A[2 * kMaxHarmonics + 1], B[2 * kMaxHarmonics + 1];
  for (int h = 1; h <= H; ++h) {
    A[2 * h - 1] = std::cos(h * s);
    A[2 * h] = std::sin(h * s);
    B[2 * h - 1] = std::cos(h * t);
    B[2 * h] = std::sin(h * t);
  }
  int r = 0;
  Fourier2Layout(H, [&](int id) {
    if (id == 0) {
      row[r++] = 1.0L;
    } else if (id >= 2000) {
      row[r++] = B[id - 2000];
    } else if (id >= 1000) {
      row[r++] = A[id - 1000];
    } else {
      row[r++] = A[id / 100] * B[id % 100];
    }
  });
}

long double EvalFourier(long double x, long double y, const long double* p, int m,
                        const SeriesScales& sc) {
  return AngularValue<FourierRow>(x, y, p, m, sc);
}

long double EvalFourier2(long double x, long double y, const long double* p, int m,
                         const SeriesScales& sc) {
  return AngularValue<Fourier2Row>(x, y, p, m, sc);
}

long double EvalCosine(long double x, long double y, const long double* p, int m,
                       const SeriesScales& sc) {
  return AngularValue<CosineRow>(x, y, p, m, sc);
}

long double EvalSigmoid(long double x, long double y, const long double* p, int m,
                        const SeriesScales& sc) {
  long double row[kMaxSeriesM + 1];
  SigmoidRow(sc, x, y, m, row);
  return Dot(p, row, m);
}
