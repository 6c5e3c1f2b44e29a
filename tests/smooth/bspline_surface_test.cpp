// The numerical library's tensor-product B-splines and optimal knots: agreement with SciPy on
// the same knots, de Boor's characterisation of the optimal knots, exact recovery of
// polynomials of the spline's degree with their derivatives and integrals, and refusal of
// bad arguments with the outputs untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <functional>
#include <vector>

#include "smooth/numlib/bspline_knots.h"
#include "smooth/numlib/bspline_surface.h"
#include "noisy_tables.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::FullDegreePolynomial;
using smooth_test::TPolynomial2;

std::vector<double> Sites(int n, double lo, double hi, double stretch) {
  std::vector<double> s(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double u = static_cast<double>(i) / (n - 1);
    s[static_cast<std::size_t>(i)] = lo + (hi - lo) * (u + stretch * u * (1 - u));
  }
  return s;
}

std::vector<double> OptimalKnots(const std::vector<double>& tau, int k) {
  std::vector<double> t(tau.size() + static_cast<std::size_t>(k));
  int ier = -1;
  BSOpk(static_cast<int>(tau.size()), tau.data(), k, t.data(), ier);
  EXPECT_EQ(ier, kBSOk);
  return t;
}

// F[i + nx j] = fn(x[i], y[j]).
std::vector<double> Sample(const std::vector<double>& x, const std::vector<double>& y,
                           const std::function<double(double, double)>& fn) {
  std::vector<double> f;
  for (double yj : y)
    for (double xi : x) f.push_back(fn(xi, yj));
  return f;
}

constexpr std::array<std::array<int, 2>, 5> kOrders = {{{0, 0}, {1, 0}, {0, 1}, {2, 0}, {1, 1}}};
constexpr std::array<std::array<double, 2>, 5> kPoints = {
    {{0.1, 0.2}, {0.77, 1.31}, {1.9, 0.05}, {2.5, 2.2}, {3.0, 1.0}}};

double F(double x, double y) { return std::sin(x) * std::cos(1.3 * y) + 0.1 * x * y; }

// One SciPy case: the coefficients the routine made and the references at kPoints.
struct TScipyCase {
  const char* name;
  int kx, ky, ncx, ncy;
  std::vector<double> tx, ty, coef;
  std::array<std::array<double, 5>, 5> want;  // [order][point]
  double integral;                            // over [0.2, 2.7] x [0.3, 2.1]
};

void CheckAgainstScipy(const TScipyCase& c) {
  SCOPED_TRACE(c.name);
  for (std::size_t o = 0; o < kOrders.size(); ++o) {
    std::array<double, 5> xs{}, ys{}, grid{};
    for (std::size_t p = 0; p < kPoints.size(); ++p) {
      double v = 0;
      int ier = -1;
      BSDer2(kOrders[o][0], kOrders[o][1], kPoints[p][0], kPoints[p][1], c.kx, c.ky,
             c.tx.data(), c.ty.data(), c.ncx, c.ncy, c.coef.data(), v, ier);
      ASSERT_EQ(ier, kBSOk);
      EXPECT_NEAR(v, c.want[o][p], 1e-10) << "order " << o << " point " << p;
      xs[p] = kPoints[p][0];
      ys[p] = kPoints[p][1];
    }
    // The grid routine at the same points (its diagonal).
    std::vector<double> values(25);
    int ier = -1;
    BSGEvl(kOrders[o][0], kOrders[o][1], 5, xs.data(), 5, ys.data(), c.kx, c.ky, c.tx.data(),
           c.ty.data(), c.ncx, c.ncy, c.coef.data(), values.data(), 5, ier);
    ASSERT_EQ(ier, kBSOk);
    for (std::size_t p = 0; p < 5; ++p) grid[p] = values[p * 6];
    for (std::size_t p = 0; p < 5; ++p) EXPECT_NEAR(grid[p], c.want[o][p], 1e-10);
  }
  double v = 0;
  int ier = -1;
  BSItg2(0.2, 2.7, 0.3, 2.1, c.kx, c.ky, c.tx.data(), c.ty.data(), c.ncx, c.ncy, c.coef.data(),
         v, ier);
  ASSERT_EQ(ier, kBSOk);
  EXPECT_NEAR(v, c.integral, 1e-10);
}

// References: tests/smooth/reference/bspline_references.py (SciPy 1.10, make_interp_spline
// and make_lsq_spline one axis at a time, bisplev, dfitpack.dblint).
TEST(BSplineSurface, InterpolationMatchesScipyOnTheSameKnots) {
  const std::vector<double> x = {0.0, 0.3, 0.9, 1.2, 2.0, 2.6, 3.1};
  const std::vector<double> y = {0.0, 0.4, 0.7, 1.5, 1.9, 2.4};
  TScipyCase c{"interpolation", 4, 3, 7, 6,
               {0, 0, 0, 0, 0.79999999999999993, 1.3666666666666665, 1.9333333333333336, 3.1,
                3.1, 3.1, 3.1},
               {0, 0, 0, 0.55000000000000004, 1.1000000000000001, 1.7, 2.4, 2.4, 2.4},
               std::vector<double>(42),
               {{{0.098447941011421333, 0.0047271341948196717, 0.95321930618606732,
                  -0.021591423756302498, 0.33856536090831135},
                 {0.98028394018858966, 0.031824415210440861, -0.31837679878888181,
                  0.98118861074405139, -0.17020807224348561},
                 {-0.023034537552488452, -0.80535866023180236, 0.096438591701063059,
                  0.033464885134929699, 0.11812890690895295},
                 {-0.11243184305947719, 0.098149941247904549, -0.97271576262780091,
                  0.55138584727003537, -0.061333345660092457},
                 {-0.2289083784531489, -0.81019167558354566, 0.13205994463350043,
                  0.38835993055717988, 1.3742792055747741}}},
               0.81114207568870911};
  const std::vector<double> f = Sample(x, y, F);
  int ier = -1;
  BSInt2(7, x.data(), 6, y.data(), f.data(), 7, 4, 3, c.tx.data(), c.ty.data(), c.coef.data(),
         ier);
  ASSERT_EQ(ier, kBSOk);
  CheckAgainstScipy(c);
}

TEST(BSplineSurface, WeightedLeastSquaresMatchesScipyOnTheSameKnots) {
  const std::vector<double> xs = {0,
                                  0.22173269734636303,
                                  0.47529444158484696,
                                  0.74244300584796563,
                                  1.0188159387632907,
                                  1.3022571330252029,
                                  1.5914614222270549,
                                  1.8855479633131809,
                                  2.1838797727509922,
                                  2.4859735326789121,
                                  2.7914492731500156,
                                  3.1000000000000005};
  const std::vector<double> ys = {0,
                                  0.26666666666666666,
                                  0.53333333333333333,
                                  0.80000000000000004,
                                  1.0666666666666667,
                                  1.3333333333333333,
                                  1.6000000000000001,
                                  1.8666666666666667,
                                  2.1333333333333333,
                                  2.3999999999999999};
  const std::vector<double> wx = {1.5,
                                  1.2701511529340699,
                                  0.79192658172642882,
                                  0.50500375169977729,
                                  0.67317818956819409,
                                  1.1418310927316131,
                                  1.4800851433251829,
                                  1.3769511271716524,
                                  0.92724998309569329,
                                  0.54443486905766147,
                                  0.58046423546177373,
                                  1.0022128489940254};
  const std::vector<double> wy = {1,
                                  1.2103677462019742,
                                  1.2273243567064205,
                                  1.0352800020149668,
                                  0.81079937617301789,
                                  0.76026893133421536,
                                  0.93014612545026853,
                                  1.1642466496796973,
                                  1.2473395616558454,
                                  1.1030296213104391};
  const double xe = 3.1000000000000005, ye = 2.3999999999999999;
  TScipyCase c{"least squares", 4, 3, 6, 5,
               {0, 0, 0, 0, 0.9, 2.2, xe, xe, xe, xe},
               {0, 0, 0, 0.8, 1.6, ye, ye, ye},
               std::vector<double>(30),
               {{{0.097225372987835387, 0.013875426540061716, 0.95296272487734024,
                  -0.024226574526031004, 0.33570430887892128},
                 {0.96745352594131306, 0.040555487547095259, -0.30008075690150438,
                  1.005874186595396, -0.14919272706553507},
                 {-0.021931597673954927, -0.78599295640207767, 0.096166752628464733,
                  0.040314742783724544, 0.12956420779760927},
                 {0.0057823947366779649, 0.094855119314529335, -0.93438006953446451,
                  0.57010358570646913, -0.0026249146549775964},
                 {-0.21770634081940141, -0.79721662039093666, 0.13034218244749327,
                  0.38697075033823175, 1.2895303727210015}}},
               0.81225366118309261};
  const std::vector<double> f = Sample(xs, ys, F);
  int ier = -1;
  BSLsq2(12, xs.data(), 10, ys.data(), f.data(), 12, 4, 3, c.tx.data(), c.ty.data(), 6, 5,
         wx.data(), wy.data(), c.coef.data(), ier);
  ASSERT_EQ(ier, kBSOk);
  CheckAgainstScipy(c);
}

// 8-point Gauss-Legendre on [-1, 1].
constexpr std::array<double, 8> kGauss8Node = {-0.9602898564975363, -0.7966664774136267,
                                               -0.5255324099163290, -0.1834346424956498,
                                               0.1834346424956498,  0.5255324099163290,
                                               0.7966664774136267,  0.9602898564975363};
constexpr std::array<double, 8> kGauss8Weight = {0.1012285362903763, 0.2223810344533745,
                                                 0.3137066458778873, 0.3626837833783620,
                                                 0.3626837833783620, 0.3137066458778873,
                                                 0.2223810344533745, 0.1012285362903763};

// The order-k B-spline B_i on the knots t (support t[i] .. t[i + k]) by the Cox-de Boor
// recursion, right-continuous, written independently of the library's basis.
double CoxDeBoor(const std::vector<double>& t, int i, int k, double x) {
  const auto u = static_cast<std::size_t>(i);
  if (k == 1) return t[u] <= x && x < t[u + 1] ? 1.0 : 0.0;
  double s = 0;
  if (t[u + k - 1] > t[u]) s += (x - t[u]) / (t[u + k - 1] - t[u]) * CoxDeBoor(t, i, k - 1, x);
  if (t[u + k] > t[u + 1])
    s += (t[u + k] - x) / (t[u + k] - t[u + 1]) * CoxDeBoor(t, i + 1, k - 1, x);
  return s;
}

// de Boor's characterisation of the optimal interior knots xi: the function that is +1 on
// [tau_0, xi_1), -1 on [xi_1, xi_2) and so on is orthogonal to the order-k B-splines on the
// data sites. The integrals are taken piece by piece between all sites and knots by 8-point
// Gauss-Legendre, exact for the polynomial pieces.
TEST(BSOpk, InteriorKnotsMeetTheOrthogonalityCharacterisation) {
  struct TCase {
    int n, k;
    double stretch;
  };
  for (const TCase c : {TCase{8, 4, 0.0}, TCase{8, 4, 0.8}, TCase{12, 3, -0.6}, TCase{10, 6, 0.5},
                        TCase{20, 4, 0.9}, TCase{7, 5, 0.3}}) {
    SCOPED_TRACE(testing::Message() << "n " << c.n << " k " << c.k << " stretch " << c.stretch);
    const std::vector<double> tau = Sites(c.n, -1.0, 2.0, c.stretch);
    const std::vector<double> t = OptimalKnots(tau, c.k);
    const std::vector<double> xi(t.begin() + c.k, t.begin() + c.n);
    ASSERT_EQ(static_cast<int>(xi.size()), c.n - c.k);
    for (int j = 0; j + 1 < static_cast<int>(xi.size()); ++j) EXPECT_LT(xi[j], xi[j + 1]);
    std::vector<double> cuts(tau);
    cuts.insert(cuts.end(), xi.begin(), xi.end());
    std::sort(cuts.begin(), cuts.end());
    for (int i = 0; i < c.n - c.k; ++i) {
      double sum = 0;
      for (std::size_t p = 0; p + 1 < cuts.size(); ++p) {
        const double a = cuts[p], b = cuts[p + 1], mid = 0.5 * (a + b), half = 0.5 * (b - a);
        if (!(b > a)) continue;
        const auto passed = std::upper_bound(xi.begin(), xi.end(), mid) - xi.begin();
        const double h = passed % 2 == 0 ? 1.0 : -1.0;
        for (std::size_t g = 0; g < 8; ++g)
          sum += h * half * kGauss8Weight[g] * CoxDeBoor(tau, i, c.k, mid + half * kGauss8Node[g]);
      }
      EXPECT_NEAR(sum, 0.0, 1e-12) << "B-spline " << i;
    }
  }
}

// Sites far from 0 against their extent (years, 100 .. 101): the optimal knots follow the
// sites' affine map. The references solve the orthogonality conditions in 40-digit
// arithmetic (mpmath; tests/smooth/reference/optimal_knots_references.py).
TEST(BSOpk, SitesFarFromTheOriginGiveTheOptimalKnots) {
  struct TCase {
    const char* name;
    std::vector<double> tau;
    int k;
    std::vector<double> want;
  };
  std::vector<double> years;
  for (int y = 1990; y <= 2020; ++y) years.push_back(y);
  const std::vector<TCase> cases = {
      {"100 .. 101",
       {100, 100.125, 100.25, 100.5, 100.625, 100.75, 100.875, 101},
       4,
       {100.28246645220319532, 100.45400191605658817, 100.61162606618305846, 100.75497222819562035}},
      {"16 .. 17",
       {16, 16.0625, 16.1875, 16.25, 16.5, 16.5625, 16.75, 16.875, 16.9375, 17},
       5,
       {16.241046678615059372, 16.379328825537773915, 16.519832136401339269, 16.656368733945141239,
        16.785235197720881135}},
      {"1990 .. 2020",
       years,
       4,
       {1991.9332153049593966, 1992.9838380297490217, 1993.9957746677457665, 1994.9988750821264905,
        1995.9996990946573145, 1996.9999194095627856, 1997.9999784085053791, 1998.99999421476725,
        1999.9999984498679466, 2000.9999995846545921, 2001.999999888746836, 2002.9999999703324946,
        2003.999999992583124, 2005.0, 2006.000000007416876, 2007.0000000296675054, 2008.000000111253164,
        2009.0000004153454079, 2010.0000015501320534, 2011.00000578523275, 2012.0000215914946209,
        2013.0000805904372144, 2014.0003009053426855, 2015.0011249178735095, 2016.0042253322542335,
        2017.0161619702509783, 2018.0667846950406034}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.tau.size());
    std::vector<double> t(c.tau.size() + static_cast<std::size_t>(c.k));
    int ier = -1;
    BSOpk(n, c.tau.data(), c.k, t.data(), ier);
    ASSERT_EQ(ier, kBSOk);
    const double extent = c.tau.back() - c.tau.front();
    for (std::size_t j = 0; j < c.want.size(); ++j)
      EXPECT_NEAR(t[static_cast<std::size_t>(c.k) + j], c.want[j], 8 * DBL_EPSILON * std::fabs(c.want[j]) + 1e-14 * extent)
          << "knot " << j;
  }
  // The 32 sites of a grid column at 20 .. 21 give the knots of the same sites at 0 .. 1, moved.
  std::vector<double> near(32), far(32);
  for (int i = 0; i < 32; ++i) {
    near[static_cast<std::size_t>(i)] = i / 31.0;
    far[static_cast<std::size_t>(i)] = 20 + i / 31.0;
  }
  const std::vector<double> tn = OptimalKnots(near, 4), tf = OptimalKnots(far, 4);
  for (std::size_t j = 0; j < tn.size(); ++j) EXPECT_NEAR(tf[j], 20 + tn[j], 1e-13);
}

TEST(BSOpk, EndKnotsRepeatTheEndSitesAndOrderTwoTakesTheSites) {
  const std::vector<double> tau = {0.0, 0.5, 0.7, 1.5, 3.0};
  const std::vector<double> t2 = OptimalKnots(tau, 2);
  EXPECT_EQ(t2, (std::vector<double>{0, 0, 0.5, 0.7, 1.5, 3, 3}));
  const std::vector<double> t5 = OptimalKnots(tau, 5);  // no interior knots
  EXPECT_EQ(t5, (std::vector<double>{0, 0, 0, 0, 0, 3, 3, 3, 3, 3}));
}

// n sites drawn evenly at random from [0, 10) (seeded, the same on every machine), sorted.
std::vector<double> RandomSites(std::uint64_t seed, int n) {
  smooth_test::TSplitMix random(seed);
  std::vector<double> s(static_cast<std::size_t>(n));
  for (double& v : s) v = static_cast<double>(10 * random.Next());
  std::sort(s.begin(), s.end());
  return s;
}

// n sites in three tight clusters about 0.2, 0.5 and 0.9 (normal, deviation 0.02), sorted.
std::vector<double> ClusteredSites(std::uint64_t seed, int n) {
  smooth_test::TSplitMix random(seed);
  const std::array<long double, 3> centre = {0.2L, 0.5L, 0.9L};
  std::vector<double> s(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    s[static_cast<std::size_t>(i)] = static_cast<double>(centre[static_cast<std::size_t>(i % 3)] + 0.02L * random.Normal());
  std::sort(s.begin(), s.end());
  s.erase(std::unique(s.begin(), s.end()), s.end());
  return s;
}

// Whether interpolation at the sites on the knots t (n + k of them) is regular: each B-spline
// is non-zero at its own site, t[i] < tau[i] < t[i + k] with the end knots at the end sites
// (Schoenberg and Whitney), and the interior knots strictly increase.
bool SchoenbergWhitney(const std::vector<double>& tau, int k, const std::vector<double>& t) {
  const std::size_t n = tau.size(), uk = static_cast<std::size_t>(k);
  for (std::size_t r = 0; r < uk; ++r)
    if (t[r] != tau[0] || t[n + r] != tau[n - 1]) return false;
  for (std::size_t i = 1; i + 1 < n; ++i)
    if (!(t[i] < tau[i] && tau[i] < t[i + uk])) return false;
  for (std::size_t i = uk; i <= n; ++i)
    if (!(t[i] > t[i - 1])) return false;
  return true;
}

// The largest misfit of the spline interpolating seeded values at the sites on the knots t,
// at the sites, relative to the largest coefficient; 1 when BSInt2 refuses.
double InterpolationMisfit(const std::vector<double>& tau, int k, const std::vector<double>& t) {
  const int n = static_cast<int>(tau.size());
  smooth_test::TSplitMix random(7);
  std::vector<double> f(2 * tau.size()), coef(2 * tau.size());
  for (double& v : f) v = static_cast<double>(random.Normal());
  const std::array<double, 2> y = {0, 1};
  const std::array<double, 4> ty = {0, 0, 1, 1};
  int ier = -1;
  BSInt2(n, tau.data(), 2, y.data(), f.data(), n, k, 2, t.data(), ty.data(), coef.data(), ier);
  if (ier != kBSOk) return 1;
  double largest = 1, worst = 0;
  for (const double c : coef) largest = std::max(largest, std::fabs(c));
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < n; ++i) {
      double v = 0;
      BSVal2(tau[static_cast<std::size_t>(i)], y[static_cast<std::size_t>(j)], k, 2, t.data(), ty.data(), n, 2,
             coef.data(), v, ier);
      worst = std::max(worst, std::fabs(v - f[static_cast<std::size_t>(i + n * j)]) / largest);
    }
  return worst;
}

// de Boor's characterisation as above, for each B-spline relative to its integral: the
// largest |integral of h B_i| / integral of B_i, over the pieces of B_i's own support.
double OrthogonalityMisfit(const std::vector<double>& tau, int k, const std::vector<double>& t) {
  const int n = static_cast<int>(tau.size());
  const std::vector<double> xi(t.begin() + k, t.begin() + n);
  std::vector<double> cuts(tau);
  cuts.insert(cuts.end(), xi.begin(), xi.end());
  std::sort(cuts.begin(), cuts.end());
  double worst = 0;
  for (int i = 0; i < n - k; ++i) {
    const double lo = tau[static_cast<std::size_t>(i)], hi = tau[static_cast<std::size_t>(i + k)];
    double sum = 0, total = 0;
    for (std::size_t p = 0; p + 1 < cuts.size(); ++p) {
      const double a = cuts[p], b = cuts[p + 1], mid = 0.5 * (a + b), half = 0.5 * (b - a);
      if (!(b > a) || b <= lo || a >= hi) continue;
      const auto passed = std::upper_bound(xi.begin(), xi.end(), mid) - xi.begin();
      const double h = passed % 2 == 0 ? 1.0 : -1.0;
      for (std::size_t g = 0; g < kGauss8Node.size(); ++g) {
        const double v = half * kGauss8Weight[g] * CoxDeBoor(tau, i, k, mid + half * kGauss8Node[g]);
        sum += h * v;
        total += v;
      }
    }
    worst = std::max(worst, std::fabs(sum) / total);
  }
  return worst;
}

// Uneven sites, drawn at random: Newton's iteration for the optimal knots, started from the
// sites' averages, jumped to where its Jacobian is nearly singular and wandered for its 100
// steps on about one site set in fifty (orders 3 to 6, 40 to 200 sites), and the gridded
// engine's B-spline surfaces were refused. Each set now has its optimal knots (de Boor's
// characterisation holds), interpolation on them is regular and passes every site.
TEST(BSOpk, UnevenSitesGetTheirOptimalKnots) {
  struct TCase {
    int k, n;
    std::uint64_t seed;
  };
  for (const TCase c : {TCase{3, 40, 368}, TCase{3, 100, 101}, TCase{3, 200, 152}, TCase{4, 40, 142},
                        TCase{4, 60, 256}, TCase{4, 100, 3}, TCase{4, 128, 96}, TCase{4, 200, 8},
                        TCase{5, 40, 5}, TCase{5, 60, 117}, TCase{5, 128, 123}, TCase{6, 60, 152},
                        TCase{6, 100, 180}, TCase{6, 200, 224}}) {
    SCOPED_TRACE(testing::Message() << "order " << c.k << ", " << c.n << " sites, seed " << c.seed);
    const std::vector<double> tau = RandomSites(c.seed, c.n);
    std::vector<double> t(tau.size() + static_cast<std::size_t>(c.k));
    int ier = -1;
    BSOpk(c.n, tau.data(), c.k, t.data(), ier);
    ASSERT_EQ(ier, kBSOk);
    EXPECT_TRUE(SchoenbergWhitney(tau, c.k, t));
    EXPECT_LT(OrthogonalityMisfit(tau, c.k, t), 1e-10);
    EXPECT_LT(InterpolationMisfit(tau, c.k, t), 1e-13);
  }
}

// Where the optimal knots are not found (high orders on sites in three tight clusters, where
// the routine answered "no convergence"), the knots are the averages of k - 1 consecutive
// sites, which Schoenberg and Whitney's conditions admit: interpolation passes every site.
TEST(BSOpk, WhereNoOptimalKnotsAreFoundTheSitesAveragesServe) {
  struct TCase {
    int k, n;
    std::uint64_t seed;
  };
  for (const TCase c : {TCase{13, 60, 1}, TCase{14, 60, 2}, TCase{16, 40, 1}}) {
    SCOPED_TRACE(testing::Message() << "order " << c.k << ", " << c.n << " sites, seed " << c.seed);
    const std::vector<double> tau = ClusteredSites(c.seed, c.n);
    const int n = static_cast<int>(tau.size());
    std::vector<double> t(tau.size() + static_cast<std::size_t>(c.k));
    int ier = -1;
    BSOpk(n, tau.data(), c.k, t.data(), ier);
    ASSERT_EQ(ier, kBSOk);
    for (int j = 0; j < n - c.k; ++j) {
      double mean = 0;
      for (int r = j + 1; r < j + c.k; ++r) mean += tau[static_cast<std::size_t>(r)];
      mean /= c.k - 1;
      EXPECT_NEAR(t[static_cast<std::size_t>(c.k + j)], mean, 1e-15) << "knot " << j;
    }
    EXPECT_TRUE(SchoenbergWhitney(tau, c.k, t));
    EXPECT_LT(InterpolationMisfit(tau, c.k, t), 1e-13);
  }
}

// Interpolation and least squares on optimal knots hold every polynomial of the spline's
// degree: values, derivatives (inside and beyond the sites, where the end polynomials
// continue) and the integral over rectangles inside and across the data.
TEST(BSplineSurface, PolynomialsOfTheSplinesDegreeAreRecoveredExactly) {
  struct TCase {
    int kx, ky, nx, ny;
    bool leastSquares;
  };
  for (const TCase c : {TCase{4, 4, 9, 7, false}, TCase{3, 5, 6, 8, false},
                        TCase{2, 2, 5, 4, false}, TCase{6, 4, 11, 6, false},
                        TCase{4, 4, 40, 30, true}, TCase{3, 6, 25, 20, true}}) {
    SCOPED_TRACE(testing::Message() << "kx " << c.kx << " ky " << c.ky << " ls "
                                    << c.leastSquares);
    const TPolynomial2 poly = FullDegreePolynomial(c.kx - 1, c.ky - 1);
    const std::vector<double> x = Sites(c.nx, -1.0, 1.5, 0.4), y = Sites(c.ny, 0.0, 2.0, -0.3);
    const std::vector<double> f = Sample(x, y, [&](double a, double b) { return poly.Der(0, 0, a, b); });
    int ncx = c.nx, ncy = c.ny;
    std::vector<double> tx, ty;
    std::vector<double> coef;
    int ier = -1;
    if (c.leastSquares) {
      ncx = c.kx + 5;
      ncy = c.ky + 4;
      tx = OptimalKnots(Sites(ncx, -1.0, 1.5, 0.0), c.kx);
      ty = OptimalKnots(Sites(ncy, 0.0, 2.0, 0.0), c.ky);
      coef.resize(static_cast<std::size_t>(ncx * ncy));
      const std::vector<double> wx(x.size(), 1.0), wy(y.size(), 2.0);
      BSLsq2(c.nx, x.data(), c.ny, y.data(), f.data(), c.nx, c.kx, c.ky, tx.data(), ty.data(),
             ncx, ncy, wx.data(), wy.data(), coef.data(), ier);
    } else {
      tx = OptimalKnots(x, c.kx);
      ty = OptimalKnots(y, c.ky);
      coef.resize(f.size());
      BSInt2(c.nx, x.data(), c.ny, y.data(), f.data(), c.nx, c.kx, c.ky, tx.data(), ty.data(),
             coef.data(), ier);
    }
    ASSERT_EQ(ier, kBSOk);
    const double scale = 1e-10;
    for (const double px : {-1.3, -1.0, -0.2, 0.77, 1.5, 1.8})
      for (const double py : {-0.4, 0.0, 0.9, 1.95, 2.0, 2.3})
        for (int dx = 0; dx <= 2; ++dx)
          for (int dy = 0; dy <= 2; ++dy) {
            double v = 0;
            BSDer2(dx, dy, px, py, c.kx, c.ky, tx.data(), ty.data(), ncx, ncy, coef.data(), v,
                   ier);
            ASSERT_EQ(ier, kBSOk);
            const double want = poly.Der(dx, dy, px, py);
            EXPECT_NEAR(v, want, scale * std::max(1.0, 10 * std::fabs(want)))
                << px << ", " << py << " d" << dx << dy;
          }
    for (const auto& r : {std::array<double, 4>{-1.0, 1.5, 0.0, 2.0},
                          std::array<double, 4>{-0.3, 0.9, 0.4, 1.1},
                          std::array<double, 4>{1.2, -0.5, 1.7, 0.2},
                          std::array<double, 4>{-1.5, 2.0, -0.5, 2.5}}) {
      double v = 0;
      BSItg2(r[0], r[1], r[2], r[3], c.kx, c.ky, tx.data(), ty.data(), ncx, ncy, coef.data(), v,
             ier);
      ASSERT_EQ(ier, kBSOk);
      const double want = poly.Integral(r[0], r[1], r[2], r[3]);
      EXPECT_NEAR(v, want, 1e-10 * std::max(1.0, std::fabs(want)));
    }
  }
}

TEST(BSplineSurface, InterpolationPassesThroughEveryNode) {
  const std::vector<double> x = Sites(15, 0.0, 4.0, 0.7), y = Sites(11, -2.0, 1.0, -0.5);
  const std::vector<double> f = Sample(x, y, [](double a, double b) { return std::exp(-a * b) + std::cos(5 * a); });
  for (const int k : {2, 3, 4, 5, 6}) {
    const std::vector<double> tx = OptimalKnots(x, k), ty = OptimalKnots(y, k);
    std::vector<double> coef(f.size()), values(f.size());
    int ier = -1;
    BSInt2(15, x.data(), 11, y.data(), f.data(), 15, k, k, tx.data(), ty.data(), coef.data(), ier);
    ASSERT_EQ(ier, kBSOk);
    BSGEvl(0, 0, 15, x.data(), 11, y.data(), k, k, tx.data(), ty.data(), 15, 11, coef.data(),
           values.data(), 15, ier);
    ASSERT_EQ(ier, kBSOk);
    for (std::size_t i = 0; i < f.size(); ++i) EXPECT_NEAR(values[i], f[i], 1e-12) << "k " << k;
  }
}

// Bad arguments leave the outputs as they were and name the fault.
TEST(BSplineSurface, BadArgumentsAreRefusedWithOutputsUntouched) {
  const std::vector<double> x = {0, 1, 2, 3, 4}, y = {0, 1, 2, 3};
  const std::vector<double> tx = OptimalKnots(x, 4), ty = OptimalKnots(y, 3);
  const std::vector<double> f(20, 1.0);
  const double nan = std::nan("");
  struct TCase {
    const char* what;
    std::vector<double> x, f, tx;
    int kx;
    int want;
  };
  std::vector<double> fNan = f;
  fNan[7] = nan;
  std::vector<double> txBad = tx;
  std::swap(txBad[4], txBad[5]);
  for (const TCase& c : {TCase{"sites not increasing", {0, 1, 1, 3, 4}, f, tx, 4, kBSSitesNotIncreasing},
                         TCase{"site not a number", {0, 1, nan, 3, 4}, f, tx, 4, kBSNotFinite},
                         TCase{"value not a number", x, fNan, tx, 4, kBSNotFinite},
                         TCase{"order above the sites", x, f, tx, 6, kBSBadArgument},
                         TCase{"knots decreasing", x, f, txBad, 4, kBSBadArgument}}) {
    SCOPED_TRACE(c.what);
    std::vector<double> coef(20, 42.0);
    int ier = -1;
    BSInt2(5, c.x.data(), 4, y.data(), c.f.data(), 5, c.kx, 3, c.tx.data(), ty.data(),
           coef.data(), ier);
    EXPECT_EQ(ier, c.want);
    EXPECT_EQ(coef, std::vector<double>(20, 42.0));
  }
  // Knots that put no B-spline under its own site: the collocation matrix is singular.
  const std::vector<double> crowded = {0, 0, 0, 3.2, 3.5, 4, 4, 4};
  std::vector<double> coef(20, 42.0);
  int ier = -1;
  BSInt2(5, x.data(), 4, y.data(), f.data(), 5, 3, 3, crowded.data(), ty.data(), coef.data(), ier);
  EXPECT_EQ(ier, kBSSingular);
  // Least squares with a B-spline that has no data in its support.
  const std::vector<double> lx = {0, 0.1, 0.2, 0.3, 0.4, 0.5, 4};
  const std::vector<double> ltx = {0, 0, 0, 0, 2, 2.5, 3, 4, 4, 4, 4};
  const std::vector<double> lf(28, 1.0), w7(7, 1.0), w4(4, 1.0), w5(5, 1.0);
  std::vector<double> lcoef(28, 42.0);
  BSLsq2(7, lx.data(), 4, y.data(), lf.data(), 7, 4, 3, ltx.data(), ty.data(), 7, 4, w7.data(),
         w4.data(), lcoef.data(), ier);
  EXPECT_EQ(ier, kBSSingular);
  EXPECT_EQ(lcoef, std::vector<double>(28, 42.0));
  // A non-positive weight.
  const std::vector<double> w0 = {1, 1, 0, 1, 1};
  BSLsq2(5, x.data(), 4, y.data(), f.data(), 5, 2, 2, OptimalKnots(x, 2).data(),
         OptimalKnots(y, 2).data(), 5, 4, w0.data(), w4.data(), lcoef.data(), ier);
  EXPECT_EQ(ier, kBSBadArgument);
  // BSOpk: too few sites, sites not increasing.
  std::vector<double> knots(12, 7.0);
  BSOpk(3, x.data(), 4, knots.data(), ier);
  EXPECT_EQ(ier, kBSBadArgument);
  const std::vector<double> twice = {0, 1, 1, 2, 3};
  BSOpk(5, twice.data(), 3, knots.data(), ier);
  EXPECT_EQ(ier, kBSSitesNotIncreasing);
  EXPECT_EQ(knots, std::vector<double>(12, 7.0));
}

}  // namespace
