// The noise measure and the limiter of node derivative estimates: the noise of noisy data
// measured to a few percent and that of polynomial data as none; a slope from two points a
// hair apart held within its neighbours' range, order by order from the first; expansions
// that reproduce their data, and gradients of a plane, never touched.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "noisy_tables.h"
#include "smooth/kernels/derivative_limiter.h"
#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"

namespace {

struct TCloud {
  std::vector<double> x, y, z;
};

// n points uniform in the unit square with z = f(x, y) + noise * N(0, 1).
template <class F>
TCloud Cloud(int n, double noise, std::uint64_t seed, F f) {
  smooth_test::TSplitMix random(seed);
  TCloud c;
  for (int i = 0; i < n; ++i) {
    const double x = static_cast<double>(random.Next()), y = static_cast<double>(random.Next());
    c.x.push_back(x);
    c.y.push_back(y);
    c.z.push_back(f(x, y) + noise * static_cast<double>(random.Normal()));
  }
  return c;
}

TEST(MeasureTrend, NoiseOfNoisyDataAndNoneOfPolynomials) {
  auto plane = [](double x, double y) { return 3 - 2 * x + 5 * y; };
  auto quadratic = [](double x, double y) { return 1 + x * x - 3 * x * y + 0.5 * y * y; };
  auto hill = [](double x, double y) { return 40 * std::exp(-8 * ((x - 0.5) * (x - 0.5) + (y - 0.5) * (y - 0.5))); };
  // Noisy: the estimate within a few percent of the noise (5000 points; a sample of 2048 of
  // them is measured), the plane found, noisy data allowed three noise widths or a little more.
  for (const double noise : {0.1, 2.0}) {
    const TCloud c = Cloud(5000, noise, 7, plane);
    const TDataTrend t = MeasureTrend(c.x, c.y, c.z);
    EXPECT_NEAR(t.noise, noise, 0.05 * noise);
    EXPECT_NEAR(t.variation, noise, 0.05 * noise);
    EXPECT_NEAR(t.ax, -2, 0.2 * noise);
    EXPECT_NEAR(t.ay, 5, 0.2 * noise);
    EXPECT_GE(t.Allowance(), 3 * t.noise);
    EXPECT_LE(t.Allowance(), 3.5 * noise);
  }
  // A hill with noise: the noise is still the noise, though neighbours differ by more.
  const TCloud h = Cloud(5000, 1.0, 8, hill);
  const TDataTrend ht = MeasureTrend(h.x, h.y, h.z);
  EXPECT_NEAR(ht.noise, 1.0, 0.05);
  // Without noise: data of a plane or a quadratic have none, and no limit.
  for (const TCloud& c : {Cloud(500, 0, 9, plane), Cloud(500, 0, 9, quadratic)}) {
    const TDataTrend t = MeasureTrend(c.x, c.y, c.z);
    EXPECT_LT(t.noise, 1e-12);
    EXPECT_EQ(t.Allowance(), std::numeric_limits<double>::infinity());
  }
  // Smooth data sampled densely vary between neighbours far more than their noise: a wide
  // allowance.
  const TCloud smooth = Cloud(4000, 0, 10, hill);
  const TDataTrend st = MeasureTrend(smooth.x, smooth.y, smooth.z);
  EXPECT_GT(st.variation, 10 * st.noise);
  EXPECT_GT(st.Allowance(), 40.0);  // more than the hill's height
  // Nothing to measure.
  const std::vector<double> one = {1.0};
  EXPECT_EQ(MeasureTrend(one, one, one).noise, 0.0);
  EXPECT_EQ(MeasureTrend({}, {}, {}).noise, 0.0);
}

// A step or a cliff across a table of noise: the pairs and neighbourhoods across it made the
// whole table count as smooth (the sharp step's allowance 10.3 noise widths, the cliff's
// measured noise 2.4 times its own). The typical (median) variation and noise leave them
// out: 4.0 and 3.2 noise widths. Tables of noise alone, and data without noise, keep
// what they had.
TEST(MeasureTrend, TheTypicalAllowanceOfNoiseWithAStepIsAFewNoiseWidths) {
  auto sharpStep = [](double x, double) { return std::tanh(30 * (x - 0.5)); };
  auto cliff = [](double x, double) { return x < 0.5 ? 0.0 : 1.0; };
  for (const auto& [name, c] : {std::pair{"sharp step", Cloud(2000, 0.02, 10, sharpStep)},
                                std::pair{"cliff", Cloud(1500, 0.02, 14, cliff)}}) {
    SCOPED_TRACE(name);
    const TDataTrend t = MeasureTrend(c.x, c.y, c.z);
    EXPECT_NEAR(t.typicalNoise, 0.02, 0.002);
    EXPECT_LE(t.typicalVariation, 1.6 * 0.02);
    EXPECT_LT(t.typicalVariation, 0.75 * t.variation);
    EXPECT_LE(t.TypicalAllowance(), 4.5 * 0.02);
    EXPECT_LE(t.TypicalAllowance(), 0.5 * t.Allowance());
    EXPECT_GE(t.TypicalAllowance(), 3 * t.typicalNoise);
  }
  // Noise alone: the typical figures are the noise, and the allowance stays.
  const TCloud noisy = Cloud(5000, 0.1, 7, [](double x, double y) { return 3 - 2 * x + 5 * y; });
  const TDataTrend nt = MeasureTrend(noisy.x, noisy.y, noisy.z);
  EXPECT_NEAR(nt.typicalNoise, 0.1, 0.01);
  EXPECT_NEAR(nt.typicalVariation, 0.1, 0.01);
  EXPECT_LE(nt.TypicalAllowance(), nt.Allowance());
  EXPECT_GE(nt.TypicalAllowance(), 0.9 * nt.Allowance());
  // Without noise there is no limit.
  const TCloud exact = Cloud(500, 0, 9, [](double x, double y) { return 1 + x * x - 3 * x * y; });
  EXPECT_EQ(MeasureTrend(exact.x, exact.y, exact.z).TypicalAllowance(), std::numeric_limits<double>::infinity());
}

TEST(LimitNodeTaylor, ASlopeFromAHairIsHeldWithinItsNeighbours) {
  // Node 0 at the origin, value 10; node 1 a thousandth away, value 12 (noise); the ring
  // 0.1 away with values 9..11. The slope of the pair, 2000 along x, is held so that the
  // tangent plane keeps within [9 - 1, 12 + 1] at every neighbour: 1000 times smaller.
  const std::vector<double> x = {0, 0.001, 0.1, -0.1, 0, 0}, y = {0, 0, 0, 0, 0.1, -0.1};
  const std::vector<double> z = {10, 12, 11, 9, 10.5, 9.5};
  const std::vector<int> ring = {1, 2, 3, 4, 5};
  TNodeTaylor t;
  t.order = 1;
  t.d[1][0] = 2000;
  t.d[0][1] = 3;
  ASSERT_TRUE(LimitNodeTaylor(x, y, z, 0, ring, 1.0, {}, t));
  // At (0.1, 0): 10 + 0.1 s <= 13, at (-0.1, 0): 10 - 0.1 s >= 8: s <= 20 by both, scaled
  // with the y slope alike.
  EXPECT_NEAR(t.d[1][0], 20, 1e-9);
  EXPECT_NEAR(t.d[0][1], 0.03, 1e-12);
  for (int k : ring) {
    const double p = z[0] + t.d[1][0] * x[static_cast<std::size_t>(k)] + t.d[0][1] * y[static_cast<std::size_t>(k)];
    EXPECT_GE(p, 8 - 1e-9);
    EXPECT_LE(p, 13 + 1e-9);
  }
}

TEST(LimitNodeTaylor, OrdersAreCutFromTheFirstThatStrays) {
  // A slope that keeps within the bounds and a curvature that does not: the slope stays, the
  // curvature is scaled, and the third order above it is dropped.
  const std::vector<double> x = {0, 1, -1, 0, 0}, y = {0, 0, 0, 1, -1};
  const std::vector<double> z = {0, 1, -1, 0.2, -0.2};
  const std::vector<int> ring = {1, 2, 3, 4};
  TNodeTaylor t;
  t.order = 3;
  t.d[1][0] = 1;
  t.d[0][1] = 0.2;
  t.d[2][0] = 8;  // half of it, 4, at (+-1, 0): beyond 1 + 0.5
  t.d[3][0] = 6;
  ASSERT_TRUE(LimitNodeTaylor(x, y, z, 0, ring, 0.5, {}, t));
  EXPECT_EQ(t.d[1][0], 1);
  EXPECT_EQ(t.d[0][1], 0.2);
  // At (1, 0) the slope reaches 1 and the curvature may add 0.5 more: d20 / 2 = 0.5.
  EXPECT_NEAR(t.d[2][0], 1, 1e-12);
  EXPECT_EQ(t.d[3][0], 0);
}

TEST(LimitNodeTaylor, ExpansionsThatReproduceTheirDataStayWhole) {
  // The exact Taylor polynomial of a cubic at the node meets every neighbour: however far it
  // leaves the neighbours' range in between, nothing is limited, even with no allowance.
  auto cubic = [](double x, double y) { return 1 + 2 * x - y + 3 * x * x + x * x * x - 4 * y * y * y; };
  const std::vector<double> x = {0, 1, -1, 0.3, -0.2, 0.7}, y = {0, 0.5, 0.2, -1, 0.9, -0.6};
  std::vector<double> z;
  for (std::size_t i = 0; i < x.size(); ++i) z.push_back(cubic(x[i], y[i]));
  TNodeTaylor t;
  t.order = 3;
  t.d[1][0] = 2;
  t.d[0][1] = -1;
  t.d[2][0] = 6;
  t.d[3][0] = 6;
  t.d[0][3] = -24;
  const TNodeTaylor before = t;
  EXPECT_FALSE(LimitNodeTaylor(x, y, z, 0, std::vector<int>{1, 2, 3, 4, 5}, 0.0, {}, t));
  for (int a = 0; a <= 3; ++a)
    for (int b = 0; a + b <= 3; ++b) EXPECT_EQ(t.d[a][b], before.d[a][b]);
}

TEST(LimitNodeTaylor, ANeighboursOwnMissWidensTheBoundThere) {
  // The node's tangent misses neighbour 1 by 1.5 beyond the range with an allowance of 1:
  // limited, unless neighbour 1's own expansion misses the node as much (smooth data's
  // curvature), which widens the bound there by twice its miss, up to twice the allowance.
  const std::vector<double> x = {0, 1}, y = {0, 0}, z = {0, 1};
  const std::vector<int> one = {1};
  TNodeTaylor t;
  t.order = 1;
  t.d[1][0] = 3.5;  // predicts 3.5 at x = 1: 2.5 beyond the neighbour's 1
  EXPECT_TRUE(LimitNodeTaylor(x, y, z, 0, one, 1.0, {}, t));
  EXPECT_NEAR(t.d[1][0], 2, 1e-12);
  std::vector<TNodeTaylor> originals(2);
  originals[1].order = 1;
  originals[1].d[1][0] = 1.75;  // predicts 1 - 1.75 = -0.75 at the node: a miss of 0.75
  t.d[1][0] = 3.5;
  EXPECT_FALSE(LimitNodeTaylor(x, y, z, 0, one, 1.0, originals, t));
  EXPECT_EQ(t.d[1][0], 3.5);
  EXPECT_EQ(CheckSlack(1.0, 0.75), 2.5);
  EXPECT_EQ(CheckSlack(1.0, 5.0), 3.0);  // at most twice the allowance more
}

TEST(RenkaLimitGradients, ANoisyClosePairIsHeldAndAPlaneIsNot) {
  const TCloud plane = Cloud(400, 0, 11, [](double x, double y) { return 2 + x - 3 * y; });
  TCloud noisy = Cloud(400, 0.5, 12, [](double, double) { return 10.0; });
  // Two points a ten-thousandth apart whose values differ by four noise widths.
  noisy.x[1] = noisy.x[0] + 1e-4;
  noisy.y[1] = noisy.y[0];
  noisy.z[1] = noisy.z[0] + 2;
  for (const TCloud* c : {static_cast<const TCloud*>(&plane), static_cast<const TCloud*>(&noisy)}) {
    const int n = static_cast<int>(c->x.size());
    std::vector<int> list(6 * c->x.size()), lptr(6 * c->x.size()), lend(c->x.size());
    int lnew = 0, ier = 0;
    RenkaTriangulate(n, c->x.data(), c->y.data(), list.data(), lptr.data(), lend.data(), lnew, ier);
    ASSERT_EQ(ier, 0);
    std::vector<double> gx(c->x.size()), gy(c->x.size());
    int nit = 6;
    double dgmax = 1e-5, sigma = 0;
    RenkaGradients(0, nullptr, n, c->x.data(), c->y.data(), c->z.data(), list.data(), lptr.data(),
                   lend.data(), 0, &sigma, nit, dgmax, gx.data(), gy.data(), ier);
    ASSERT_GE(ier, 0);
    const std::vector<double> gx0 = gx;
    const int limited = RenkaLimitGradients(n, c->x.data(), c->y.data(), c->z.data(), list.data(),
                                            lptr.data(), lend.data(), gx.data(), gy.data());
    if (c == &plane) {
      EXPECT_EQ(limited, 0);
      EXPECT_EQ(gx, gx0);
    } else {
      // The pair's estimates were slopes of thousands; held, they keep within a few noise
      // widths over the ring's spacing.
      EXPECT_GT(std::fabs(gx0[0]), 1000);
      EXPECT_GE(limited, 2);
      EXPECT_LT(std::fabs(gx[0]), 200);
      EXPECT_LT(std::fabs(gx[1]), 200);
    }
  }
}

}  // namespace
