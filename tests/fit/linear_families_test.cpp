// The polynomial and rational families: exact recovery of known surfaces, the statistics of
// their records, keep lists, equation numbers and the evaluators.

#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "fit/fit_statistics.h"
#include "fit_test_data.h"
#include "numerics/dense_solvers.h"

namespace {

using namespace fit_test;

PointTable Grid(const Surface& f, long double w = 1.0L) {
  return GridTable(Axis(1, 1, 6), Axis(1, 1, 5), f, w);
}

// The plane is recovered exactly as equation 1 (a + b·x + c·y) with a zero SSE.
TEST(PolynomialFamilies, PlaneIsEquationOneWithExactParameters) {
  PointTable t = Grid([](long double x, long double y) { return 1 + 2 * x + 3 * y; });
  TFitList list;
  const RunResult r = RunFit(t, LinearSelection(63, 0, 0), DefaultFitOptions(), list);
  ASSERT_GT(r.result, 0);
  const TFitResult* f = FindEquation(list, 1);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->parameters, (std::vector<long double>{1, 2, 3}));
  EXPECT_EQ(std::tuple(f->sse, f->r2, f->adjustedR2, f->fitStdError, f->f), std::tuple(0.0L, 1.0L, 1.0L, 0.0L, 1e300L));
  EXPECT_EQ(f->terms, (std::vector<std::int32_t>{0, 50, 80}));
  EXPECT_EQ(f->descriptor, (std::array<std::uint8_t, 6>{5, 1, 0, 8, 1, 0}));
  EXPECT_EQ(std::tuple(f->m, f->procedure, f->complexity), std::tuple(2, 0, 4));  // complexity trunc(2.06·2)
  // The additive equations with a needless term fail the coefficient test: none of the
  // other x-by-y equations is kept, though each fits exactly.
  for (int number : {2, 3, 16, 17}) EXPECT_EQ(FindEquation(list, number), nullptr) << number;
  // Five distinct y values hold no quintic in y: 9 kind pairs of 5 x orders by 4 y orders,
  // and the transformed fitter counts on with its 18.
  EXPECT_EQ(std::tuple(r.counters.tried, r.counters.polynomial), std::tuple(198u, 198u));
}

TEST(PolynomialFamilies, CrossTermSurfaceIsTheFullQuadratic) {
  PointTable t = Grid([](long double x, long double y) { return 1 + x * x + x * y; });
  TFitList list;
  RunFit(t, LinearSelection(63, 0, 0), DefaultFitOptions(), list);
  const TFitResult* f = FindEquation(list, 301);
  ExpectParameters(f, {1, 0, 0, 1, 0, 1}, 1e-14L);  // a, X, Y, X², Y², XY
  EXPECT_EQ(f->m, 5);
  // The SSE comes from the sums (Σz² less the explained part): exact to the rounding of
  // sums near 6e4.
  EXPECT_LT(f->sse, 1e-13L);
  EXPECT_GT(f->r2, 1.0L - 1e-18L);
  EXPECT_EQ(f->terms, (std::vector<std::int32_t>{0, 50, 80, 51, 81, 165 + 5}));
  EXPECT_EQ(f->descriptor, (std::array<std::uint8_t, 6>{5, 254, 0, 8, 254, 0}));
  EXPECT_EQ(f->complexity, 11);  // trunc(2.06·5 + 1.06)
  // No additive polynomial reaches it.
  for (int i = 1; i <= list.Count(); ++i) {
    if (list.At(i)->equationNumber < 300) {
      EXPECT_LT(list.At(i)->r2, 1.0L);
    }
  }
}

TEST(RationalFamilies, ExactRationalIsEquation1001) {
  PointTable t =
      Grid([](long double x, long double y) { return (1 + 2 * x + 3 * y) / (1 + 0.5L * x + 0.25L * y); });
  TFitList list;
  const RunResult r = RunFit(t, LinearSelection(0, 27, 0), DefaultFitOptions(), list);
  ASSERT_GT(r.result, 0);
  EXPECT_EQ(r.counters.rational, 260u);
  const TFitResult* f = FindEquation(list, 1001);
  ExpectParameters(f, {1, 2, 3, 0.5L, 0.25L}, 1e-13L, true);
  EXPECT_EQ(f->m, 4);
  EXPECT_LT(f->sse, 1e-25L);
  EXPECT_EQ(std::tuple(f->r2, Best(list)->r2), std::tuple(1.0L, 1.0L));
  EXPECT_EQ(f->descriptor, (std::array<std::uint8_t, 6>{5, 1, 1, 8, 1, 1}));
  EXPECT_EQ(f->terms, (std::vector<std::int32_t>{0, 50, 80, 110, 140}));
  EXPECT_EQ(f->complexity, 9);  // trunc(2.06·4 + 1.51)
  // The evaluator gives the surface back.
  EXPECT_NEAR(static_cast<double>(EvalRationalEquation(3, 4, f->parameters.data(), f->descriptor.data())),
              static_cast<double>((1 + 6 + 12) / (1 + 1.5L + 1.0L)), 1e-14);
}

// The weights enter every sum scaled to add up to n, so a uniform weight of 2 fits exactly
// as unit weights do: every record, bit for bit. (Sums of squares with raw weights would
// double every SSE against an SST of normalised weights.)
// The coefficient test scales each term by its axis's magnitude, not its signed mean: the
// same data with x coded about 0 (mean near 0) and about 1 list the same polynomials in x
// and y (their spans, and so their fits, do not change with the coding). With the signed
// mean the coding about 0 made x^5 scale by 1e-10 and dropped every cubic and quintic in x.
TEST(LinearFamilies, ShiftedXListsTheSameEquations) {
  auto z = [](long double x1, long double y) { return std::sin(1.3L * x1) + 0.4L * std::exp(0.7L * x1) + 0.3L * y; };
  const std::vector<long double> about0 = Axis(-1.49L, 0.2L, 15);
  std::vector<long double> about1 = about0;
  for (long double& x : about1) x += 1;
  PointTable t0 = GridTable(about0, Axis(1, 1, 5), [&](long double x, long double y) { return z(x, y); });
  PointTable t1 = GridTable(about1, Axis(1, 1, 5), [&](long double x, long double y) { return z(x - 1, y); });
  TFitList l0, l1;
  const TFitSelection xAndY = LinearSelection(1 | 8, 0, 0);  // the kinds x and y
  ASSERT_GT(RunFit(t0, xAndY, DefaultFitOptions(), l0).result, 0);
  ASSERT_GT(RunFit(t1, xAndY, DefaultFitOptions(), l1).result, 0);
  auto numbers = [](const TFitList& l) {
    std::set<int> n;
    for (int i = 1; i <= l.Count(); ++i) n.insert(l.At(i)->equationNumber);
    return n;
  };
  EXPECT_EQ(numbers(l0), numbers(l1));
  // With the signed mean: fewer, the higher orders in x dropped. (Five distinct y values hold
  // no quintic in y: that is singular and never fitted.)
  EXPECT_EQ(numbers(l0).size(), 7u);
}

// One surface on x far from the origin, in three codings of x: about 1e6, about 1 and about
// 0 (x_k = 2^20 + 2^14 (k - 7), 1 + (k - 7)/64, (k - 7)/64 for k = 0..14; y = -3..3; every
// value exact in binary), and with z about 1000 as well. Exact least squares at 120 digits
// (tests/fit/far_axis_reference.py) give SSE and r² of every listed polynomial; the span of
// each polynomial, and so its SSE, is the same in every coding.
//
// Which polynomials are listed follows the coefficient test of raw powers, and the test
// keeps that rule: at x about 1e6 the scale of x is capped at 1000, so x^p counts with 1000^p
// though it is about (1e6)^p large, and every additive cubic and quintic in x falls below 1e-5
// of the mean scaled coefficient (1.4e-6 and 1.7e-12 exactly); at x about 1 the quintics' raw
// coefficients alternate near 1e4 while those of y stay near 0.1, and the quintics fall below
// (7.6e-6 for 61, 3e-7 for 65) while the cubics pass. About 0 every one passes.
//
// The digits are another matter. The sums of raw powers cancel far from the origin: at x
// about 1e6 and 1 the SSE of the cubic held 9 digits and that of the quintic 3-4. Solved with
// x (and a far z) shifted to their midpoints, every coding solves to a few units of the
// rounding of the sums (ε·SST). A fit in raw powers (x about 0, z about 0) lists that SSE and
// r² to a few ε; a fit solved in a shifted frame stores its coefficients in the frame (and the
// raw ones they multiply out to), is evaluated from those, and lists the figures of the
// equation it stores: its SSE evaluated at the points, within 1e-9 of the exact one.
namespace far_axis {

constexpr int kG[15] = {-839, -847, -783, -649, -451, -199, 93, 410, 734, 1051, 1344, 1600, 1812, 1973, 2084};
constexpr int kH[7] = {0, 426, 675, 852, 989, 1101, 1196};

PointTable Table(long double (*xOf)(int k), long double zOffset) {
  PointTable t = NewPointTable(15 * 7);
  int i = 1;
  for (int k = 0; k < 15; ++k)
    for (int y = -3; y <= 3; ++y) {
      TXYZPoint& p = t[static_cast<std::size_t>(i++)];
      p.X = xOf(k);
      p.Y = y;
      p.Z = (kG[k] + kH[y + 3]) / 1024.0L + zOffset;
      p.W = 1;
      p.Status = kPointActive;
    }
  return t;
}

long double About1e6(int k) { return 1048576.0L + 16384.0L * (k - 7); }
long double About1(int k) { return 1.0L + (k - 7) / 64.0L; }
long double About0(int k) { return (k - 7) / 64.0L; }

struct Reference {
  int number;
  long double sse, r2;
};
constexpr Reference kExact[] = {
    {31, 1.115544058209236844778L, 0.9912495078764702292579L},
    {33, 0.0160451050711578827244L, 0.9998741398293387350466L},
    {61, 1.110090669565645045291L, 0.9912922850613076444184L},
    {63, 0.0105917164275660832371L, 0.9999169170141761502072L},
    {65, 0.00003835024952415446274894L, 0.9999996991749864768037L},
    {301, 2.027554294657691802683L, 0.9840955650699155996388L},
    {310, 0.0160451050711578827244L, 0.9998741398293387350466L},
};
constexpr long double kSst = 127.4835794902983165923L;

// Σ (z - f(x, y))² of a stored polynomial over the points, evaluated as the program evaluates
// it: from its parameters, or for a fit solved in a shifted frame from its coefficients in
// the frame of its run.
long double PointwiseSse(const PointTable& t, const TFitResult& f, const TFitRunScales& scales) {
  long double sse = 0;
  for (std::size_t i = 1; i < t.size(); ++i) {
    const long double z = f.frameParameters.empty()
                              ? EvalTransformedPolynomial(t[i].X, t[i].Y, f.parameters.data(), f.descriptor.data())
                              : EvalFramedPolynomial(t[i].X, t[i].Y, f.frameParameters.data(), f.descriptor.data(),
                                                     scales.polynomialFrame);
    const long double r = t[i].Z - z;
    sse += r * r;
  }
  return sse;
}

// The records of `numbers` are listed, and their stored equations give the exact SSE back
// point by point (to 1e-9); the other numbers of kExact are not listed. A record lists the SSE
// and r² its stored equation gives at the points: for a fit in raw powers (`raw`) these are
// the exact ones to `units` ε·SST.
void ExpectStoredFiguresListed(const TFitResult& f, long double pointwise, const std::string& label) {
  const long double eps = std::numeric_limits<long double>::epsilon();
  EXPECT_LE(std::fabs(f.sse - pointwise), 4 * eps * pointwise) << label << ": SSE of " << f.equationNumber;
  EXPECT_LE(std::fabs(f.r2 - (1 - pointwise / kSst)), 8 * eps) << label << ": r² of " << f.equationNumber;
}

void ExpectExactFits(const PointTable& t, const TFitList& list, const TFitRunScales& scales, std::set<int> numbers,
                     long double units, bool raw, const std::string& label) {
  const long double eps = std::numeric_limits<long double>::epsilon();
  for (const Reference& ref : kExact) {
    const TFitResult* f = FindEquation(list, ref.number);
    if (!numbers.count(ref.number)) {
      EXPECT_EQ(f, nullptr) << label << ": " << ref.number << " is dropped by the coefficient test";
      continue;
    }
    ASSERT_NE(f, nullptr) << label << ": " << ref.number;
    if (raw) {
      EXPECT_LE(std::fabs(f->sse - ref.sse), units * eps * kSst) << label << ": SSE of " << ref.number;
      EXPECT_LE(std::fabs(f->r2 - ref.r2), (units + 1) * eps) << label << ": r² of " << ref.number;
    } else {
      ExpectStoredFiguresListed(*f, PointwiseSse(t, *f, scales), label);
    }
    EXPECT_NEAR(static_cast<double>(PointwiseSse(t, *f, scales) / ref.sse), 1.0, 1e-9) << label << ": parameters of " << ref.number;
  }
}

}  // namespace far_axis

TEST(PolynomialFamilies, FarFromOriginFitsToTheRoundingOfTheSums) {
  using namespace far_axis;
  struct Case {
    const char* label;
    long double (*xOf)(int);
    long double zOffset;
    std::set<int> listed;
  };
  const Case cases[] = {
      {"x about 1e6", About1e6, 0, {301, 310}},
      {"x about 1e6, z about 1000", About1e6, 1000, {301, 310}},
      {"x about 1", About1, 0, {31, 33, 301, 310}},
      {"x about 1, z about 1000", About1, 1000, {31, 33, 301, 310}},
      {"x about 0", About0, 0, {31, 33, 61, 63, 65, 301, 310}},
      {"x about 0, z about 1000", About0, 1000, {31, 33, 61, 63, 65, 301, 310}},
  };
  for (const Case& c : cases) {
    PointTable t = Table(c.xOf, c.zOffset);
    TFitList list;
    const RunResult run = RunFit(t, LinearSelection(kPolyX | kPolyY, 0, 0), DefaultFitOptions(), list);
    ASSERT_GT(run.result, 0) << c.label;
    // Only x about 0 with z about 0 is solved in raw powers.
    ExpectExactFits(t, list, run.scales, c.listed, 4, c.xOf == About0 && c.zOffset == 0, c.label);
  }
}

// The transformed kinds of an x about 1e6 are far from the origin too: ln x lies in
// [13.75, 13.97] and 1/x in [8.6e-7, 1.07e-6]. Their full quadratics and cubics (which the
// coefficient test does not judge) fit to the rounding of the sums and of ln x and 1/x
// themselves; in raw powers the cubic in ln x lost its second digit. Their records list the
// figures of the equations they store.
TEST(PolynomialFamilies, FarLogAndReciprocalKindsFitToTheRounding) {
  using namespace far_axis;
  PointTable t = Table(About1e6, 0);
  const struct {
    std::uint32_t kind;
    Reference quadratic, cubic;
  } kinds[] = {
      {kPolyLnX, {302, 1.8907669589421793385L, 0.985168545105951708719L}, {311, 0.0273192170991811333291L, 0.9997857040317787737913L}},
      {kPolyInvX, {303, 1.686790235872861156134L, 0.9867685686061142618407L}, {312, 0.0638227258969628855247L, 0.999499365124887947733L}},
  };
  for (const auto& k : kinds) {
    TFitList list;
    const RunResult run = RunFit(t, LinearSelection(k.kind | kPolyY, 0, 0), DefaultFitOptions(), list);
    ASSERT_GT(run.result, 0);
    for (const Reference& ref : {k.quadratic, k.cubic}) {
      const TFitResult* f = FindEquation(list, ref.number);
      ASSERT_NE(f, nullptr) << ref.number;
      ExpectStoredFiguresListed(*f, PointwiseSse(t, *f, run.scales), "x about 1e6");
      EXPECT_NEAR(static_cast<double>(PointwiseSse(t, *f, run.scales) / ref.sse), 1.0, 1e-9) << ref.number;
    }
  }
}

// 300 points far off in both axes, x = -5e4 - 30u and y = 1990 + 30v: 1/x and ln y are
// shifted. The quintic in 1/x and ln y (220) has raw coefficients near 1e40 whose terms cancel
// to the surface: evaluated from them it fits 13 % worse than the frame's solution. It is
// stored with its coefficients in the frame and evaluated from those, and the record lists
// the r² of the equation it stores, as evaluated at the points. So does every other listed
// polynomial of the run.
TEST(PolynomialFamilies, FarOffQuinticListsTheFiguresOfItsStoredCoefficients) {
  PointTable t = NewPointTable(300);
  std::uint64_t state = 20261207;  // a 64-bit LCG: u, v and the noise w uniform on [0, 1)
  const auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) * 0x1p-53L;
  };
  for (std::size_t i = 1; i < t.size(); ++i) {
    const long double u = next(), v = next(), w = next();
    t[i] = TXYZPoint{-5e4L - 30 * u, 1990 + 30 * v, 100 + 10 * std::sin(3 * u) + 5 * std::cos(2 * v) + 0.3L * (w - 0.5L),
                     1, kPointActive};
  }
  TFitList list;
  const RunResult run = RunFit(t, LinearSelection(kPolyInvX | kPolyLnY, 0, 0), DefaultFitOptions(), list);
  ASSERT_GT(run.result, 0);
  long double mean = 0, sst = 0;
  for (std::size_t i = 1; i < t.size(); ++i) mean += t[i].Z;
  mean /= 300;
  for (std::size_t i = 1; i < t.size(); ++i) sst += (t[i].Z - mean) * (t[i].Z - mean);
  ASSERT_NE(FindEquation(list, 220), nullptr);
  for (int k = 1; k <= list.Count(); ++k) {
    const TFitResult& f = *list.At(k);
    const long double stored = 1 - far_axis::PointwiseSse(t, f, run.scales) / sst;
    EXPECT_NEAR(static_cast<double>(f.r2), static_cast<double>(stored), 1e-12) << f.equationNumber;
  }
}

TEST(LinearFamilies, UniformWeightTwoFitsAsUnitWeights) {
  const Surface f = [](long double x, long double y) {
    return std::sin(x) + std::log(y + 1) * x / 3 + 0.01L * x * x * y;
  };
  PointTable one = GridTable(Axis(1, 0.7L, 9), Axis(1, 0.45L, 9), f, 1.0L);
  PointTable two = GridTable(Axis(1, 0.7L, 9), Axis(1, 0.45L, 9), f, 2.0L);
  TFitList a, b;
  const TFitSelection all = LinearSelection(kPolyMaskAll, kRatMaskAll, 0);
  RunFit(one, all, DefaultFitOptions(), a);
  RunFit(two, all, DefaultFitOptions(), b);
  ASSERT_GT(a.Count(), 100);
  ASSERT_EQ(a.Count(), b.Count());
  int rational = 0, series = 0;
  for (int i = 1; i <= a.Count(); ++i) {
    const TFitResult &p = *a.At(i), &q = *b.At(i);
    ASSERT_EQ(p.equationNumber, q.equationNumber);
    EXPECT_EQ(std::tuple(p.r2, p.sse, p.f, p.parameters), std::tuple(q.r2, q.sse, q.f, q.parameters))
        << p.equationNumber;
    rational += p.equationNumber > 1000;
    series += p.equationNumber > 400 && p.equationNumber < 1000;
  }
  EXPECT_GT(rational, 10);
  EXPECT_GT(series, 10);
}

TEST(LinearFamilies, RecordStatisticsFollowTheDefinitions) {
  PointTable t = Grid([](long double x, long double y) { return std::sqrt(x) + y * y / 7; });
  TFitList list;
  RunFit(t, LinearSelection(63, 27, 0), DefaultFitOptions(), list);
  const TDataStats stats = StatsOf(t);
  ASSERT_GT(list.Count(), 20);
  for (int i = 1; i <= list.Count(); ++i) {
    const TFitResult& f = *list.At(i);
    ASSERT_TRUE(SseAcceptable(f.sse, stats.SSTotal)) << f.equationNumber;
    const FitStatistics s = ComputeFitStatistics(f.sse, stats.SSTotal, 30, f.m);
    EXPECT_EQ(std::tuple(f.r2, f.adjustedR2, f.fitStdError, f.f, static_cast<int>(f.parameters.size())),
              std::tuple(s.r2, s.adjustedR2, s.fitStdError, s.f, f.m + 1));
  }
}

TEST(LinearFamilies, KeepCountBoundsEverySize) {
  PointTable t = Grid([](long double x, long double y) { return std::exp(x / 4) + 1 / y; });
  TFitOptions o = DefaultFitOptions();
  o.keepPolynomial = 2;
  o.keepRational = 3;
  TFitList list;
  RunFit(t, LinearSelection(63, 27, 0), o, list);
  std::map<int, int> polynomialBySize, rationalBySize;
  int quadratic = 0, cubic = 0;
  for (int i = 1; i <= list.Count(); ++i) {
    const TFitResult& f = *list.At(i);
    if (f.equationNumber <= 225) ++polynomialBySize[f.m];
    if (f.equationNumber >= 301 && f.equationNumber <= 309) ++quadratic;
    if (f.equationNumber >= 310 && f.equationNumber <= 318) ++cubic;
    if (f.equationNumber > 1000 && f.equationNumber <= 1256) ++rationalBySize[f.m];
  }
  for (auto [m, n] : polynomialBySize) EXPECT_LE(n, 2) << "m = " << m;
  for (auto [m, n] : rationalBySize) EXPECT_LE(n, 3) << "m = " << m;
  EXPECT_EQ(polynomialBySize.size(), 8u);  // m = 2..9: at most a quintic in x and a quartic in y
  EXPECT_LE(std::max(quadratic, cubic), 2);
}

// The term limit decides the sizes: with 6 points L = 4.
TEST(LinearFamilies, SmallTableLimitsTheSizes) {
  PointTable t = GridTable({1, 2, 3}, {1, 2}, [](long double x, long double y) {
    return 1 + x + y * y + 0.1L * x * y;
  });
  TFitList list;
  RunFit(t, LinearSelection(63, 27, 0), DefaultFitOptions(), list);
  std::set<int> rationals;
  for (int i = 1; i <= list.Count(); ++i) {
    const TFitResult& f = *list.At(i);
    EXPECT_LE(f.m, 4) << f.equationNumber;
    EXPECT_FALSE(f.equationNumber >= 301 && f.equationNumber <= 318) << "no full quadratic below L = 5";
    if (f.equationNumber > 1000) rationals.insert(f.equationNumber);
  }
  // L = 4: one rational position per kind pair.
  for (int n : rationals) EXPECT_TRUE(n == 1001 || n == 1025 || n == 1129 || n == 1153) << n;
}

TEST(LinearFamilies, NegativeXFitsNoLogarithmOfX) {
  PointTable t = GridTable(Axis(-2, 0.5L, 9), Axis(1, 1, 5), [](long double x, long double y) {
    return 3 + x * x / 4 + std::log(y);
  });
  TFitList list;
  RunFit(t, LinearSelection(63, 27, 0), DefaultFitOptions(), list);
  ASSERT_GT(list.Count(), 0);
  for (int i = 1; i <= list.Count(); ++i) {
    const int n = list.At(i)->equationNumber;
    EXPECT_FALSE(n >= 76 && n <= 150) << n;
    EXPECT_FALSE(n == 302 || n == 305 || n == 308 || n == 311 || n == 314 || n == 317) << n;
    EXPECT_FALSE(n >= 1129 && n <= 1256) << n;
    EXPECT_FALSE(n == 1303 || n == 1304) << n;
  }
}

TEST(LinearFamilies, SvdSwitchRecordsConditionAndProcedure) {
  PointTable t = Grid([](long double x, long double y) { return std::cos(x) * y + x; });
  TFitOptions o = DefaultFitOptions();
  TFitList off, on;
  RunFit(t, LinearSelection(63, 27, 0), o, off);
  o.autoSvd = 1;
  RunFit(t, LinearSelection(63, 27, 0), o, on);
  // Without the switch no record is solved by SVD or carries a condition. (A fit whose normal
  // equations would lose digits the data hold is solved by QR at the points, either way.)
  for (int i = 1; i <= off.Count(); ++i) {
    EXPECT_TRUE(off.At(i)->procedure == kProcGaussElim || off.At(i)->procedure == kProcQRDecomp)
        << off.At(i)->equationNumber;
    EXPECT_EQ(off.At(i)->determinant, 0.0L) << off.At(i)->equationNumber;
  }
  int conditioned = 0;
  for (int i = 1; i <= on.Count(); ++i) {
    const TFitResult& f = *on.At(i);
    EXPECT_TRUE(f.procedure == 0 || f.procedure == 3 || f.procedure == kProcQRDecomp) << f.equationNumber;
    EXPECT_TRUE(f.determinant >= 0.0L && f.determinant <= 1.0L) << f.equationNumber;
    conditioned += f.determinant > 0;
  }
  EXPECT_GT(conditioned, on.Count() / 2);
}

// An abort while a family records takes back what the family appended.
TEST(LinearFamilies, AbortTakesBackTheFamilysRecords) {
  PointTable t = Grid([](long double x, long double y) { return x + std::sqrt(y); });
  const TDataStats stats = StatsOf(t);
  TFitList list;
  ASSERT_TRUE(list.BeginRun());
  TFitRunContext ctx(t, stats, LinearSelection(63, 27, 0), DefaultFitOptions(), list);
  ctx.scratchMatrix = AllocLDMatrix(kFitScratchSize, kFitScratchSize);
  ctx.scratchVector.resize(kFitScratchSize);
  ASSERT_GT(ComputeFitSums(ctx), 0);
  ASSERT_GT(FitPolynomialEquations(ctx, 10, 10, 63, false, 243), 0);
  const int before = list.Count();
  // The rational fitter's last report, made after it appended its records, answers stop.
  ctx.progress = [before](int, float, std::uint32_t, int listed) { return listed > before ? 0 : 1; };
  EXPECT_EQ(FitRationalEquations(ctx, 10, 10, 27, false, 260), -1);
  EXPECT_EQ(list.Count(), before);
}

TEST(LinearFamilies, TransformedPolynomialEvaluator) {
  ExprContext& ectx = ExprThreadContext();
  const long double p[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const std::uint8_t additive[6] = {kKindInvX, 2, 0, kKindLnY, 3, 0};
  ectx.ClearErrors();
  // 1 + 2/x + 3/x² + 4 ln y + 5 ln² y + 6 ln³ y at x = 2, y = e.
  EXPECT_NEAR(static_cast<double>(EvalTransformedPolynomial(2, std::exp(1.0L), p, additive)),
              1 + 1 + 0.75 + 4 + 5 + 6, 1e-15);
  EXPECT_EQ(ectx.ExprMathError, 0);
  // 1/x at x = 0: 0 with "Division by Zero" set.
  EXPECT_EQ(EvalTransformedPolynomial(0, 1, p, additive), 0.0L);
  EXPECT_EQ(ectx.ExprMathError, -1);
  ectx.ClearErrors();
  const std::uint8_t cubic[6] = {kKindX, 255, 0, kKindY, 255, 0};
  // a + X + Y + X² + Y² + XY + X³ + Y³ + XY² + X²Y with the parameters 1..10 at (2, 3).
  EXPECT_EQ(EvalTransformedPolynomial(2, 3, p, cubic),
            1 + 2 * 2 + 3 * 3 + 4 * 4 + 5 * 9 + 6 * 6 + 7 * 8 + 8 * 27 + 9 * 18 + 10 * 12);
}

TEST(RationalFamilies, VanishingDenominatorGivesZero) {
  const long double p[5] = {3, 1, 1, -1, 0};  // (3 + x + y) / (1 - x)
  const std::uint8_t d[6] = {kKindX, 1, 1, kKindY, 1, 1};
  EXPECT_EQ(EvalRationalEquation(1, 5, p, d), 0.0L);
  EXPECT_EQ(EvalRationalEquation(2, 5, p, d), -10.0L);
}

TEST(LinearFamilies, NormalEquationsOfAStoredFitComeFromTheSums) {
  PointTable t = Grid([](long double x, long double y) { return 1 + 2 * x + 3 * y; });
  const TDataStats stats = StatsOf(t);
  TFitList list;
  TFitRunContext ctx(t, stats, LinearSelection(63, 27, 0), DefaultFitOptions(), list);
  ASSERT_GT(ComputeFitSums(ctx), 0);
  LDMatrix a(11, 11);
  long double b[11];
  const std::uint8_t plane[6] = {5, 1, 0, 8, 1, 0};
  ASSERT_TRUE(PolynomialNormalEquations(*ctx.sums, plane, a.Data(), b));
  // Σ1 = 30, Σx = 105, Σy = 90; Σz = 30 + 210 + 270 = 510.
  EXPECT_EQ((std::vector{a[0][0], a[0][1], a[2][0], b[0]}), (std::vector{30.0L, 105.0L, 90.0L, 510.0L}));
  const std::uint8_t bad[6] = {5, 6, 0, 8, 1, 0};
  EXPECT_FALSE(PolynomialNormalEquations(*ctx.sums, bad, a.Data(), b));
  const std::uint8_t rational[6] = {6, 2, 1, 9, 1, 2};
  EXPECT_TRUE(RationalNormalEquations(*ctx.sums, rational, a.Data(), b));
  const std::uint8_t inverse[6] = {7, 1, 1, 8, 1, 1};
  EXPECT_FALSE(RationalNormalEquations(*ctx.sums, inverse, a.Data(), b));
}

}  // namespace
