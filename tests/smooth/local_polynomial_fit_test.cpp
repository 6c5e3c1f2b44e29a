// The local polynomial fits behind the library's Akima and Preusser derivative estimates:
// polynomials of the fit's degree come back with exact derivatives, and neighbourhoods that
// cannot determine a term lower the degree or fail instead of giving rounding error as slopes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "smooth/numlib/local_polynomial_fit.h"

namespace {

// sum c[a][b] x^a y^b of total degree 4.
double Quartic(double x, double y) {
  return 0.3 - 1.1 * x + 0.7 * y + 0.4 * x * x - 0.9 * x * y + 1.2 * y * y + 0.5 * x * x * x -
         0.2 * x * x * y + 0.8 * x * y * y - 0.6 * y * y * y + 0.15 * x * x * x * x -
         0.35 * x * x * x * y + 0.25 * x * x * y * y + 0.45 * x * y * y * y - 0.55 * y * y * y * y;
}

struct Cloud {
  std::vector<double> x, y, z;
  std::vector<int> neighbours;  // every point but the first
};

// The point (0.2, -0.1) first, then count points around it within `spread` in x and 0.1 in y.
Cloud Around(int count, double spread) {
  Cloud c;
  c.x = {0.2};
  c.y = {-0.1};
  std::uint64_t seed = 17;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(seed >> 11) * 0x1.0p-53 - 0.5;
  };
  for (int i = 1; i <= count; ++i) {
    c.x.push_back(0.2 + spread * next());
    c.y.push_back(-0.1 + 0.1 * next());
    c.neighbours.push_back(i);
  }
  for (std::size_t i = 0; i < c.x.size(); ++i) c.z.push_back(Quartic(c.x[i], c.y[i]));
  return c;
}

TEST(LocalPolynomialFit, QuarticDataGiveExactDerivativesUpToTheFourthOrder) {
  const Cloud c = Around(30, 0.1);
  TLocalFit fit;
  ASSERT_TRUE(LocalPolynomialFit(c.x, c.y, c.z, 0, c.neighbours, 4, fit));
  EXPECT_EQ(fit.degree, 4);
  // Derivatives of the quartic at (0.2, -0.1), by hand.
  const double x = 0.2, y = -0.1;
  const double zx = -1.1 + 0.8 * x - 0.9 * y + 1.5 * x * x - 0.4 * x * y + 0.8 * y * y +
                    0.6 * x * x * x - 1.05 * x * x * y + 0.5 * x * y * y + 0.45 * y * y * y;
  const double zyy = 2.4 + 1.6 * x - 3.6 * y + 0.5 * x * x + 2.7 * x * y - 6.6 * y * y;
  EXPECT_NEAR(fit.d[0][0], Quartic(x, y), 1e-15);
  EXPECT_NEAR(fit.d[1][0], zx, 1e-9);
  EXPECT_NEAR(fit.d[0][2], zyy, 1e-7);
  EXPECT_NEAR(fit.d[4][0], 24 * 0.15, 1e-4);
  EXPECT_NEAR(fit.d[2][2], 4 * 0.25, 1e-4);
}

TEST(LocalPolynomialFit, NeighbourhoodsThatCannotDetermineATermLowerTheDegree) {
  struct Case {
    const char* name;
    int count;
    double spread;   // across x, against 0.1 in y
    int maxDegree;
    bool ok;
    int degree;
  };
  const Case cases[] = {
      {"enough points for a quartic", 30, 0.1, 4, true, 4},
      {"too few for a quartic (14 terms)", 12, 0.1, 4, true, 3},
      {"too few for a plane", 1, 0.1, 2, false, 0},
      // Across a sliver the x terms are rounding error over its width: not determined.
      {"a sliver 1e-11 wide", 30, 1e-11, 2, false, 0},
      {"a strip a thousandth wide", 30, 1e-3, 2, true, 2},
  };
  for (const Case& t : cases) {
    const Cloud c = Around(t.count, t.spread);
    TLocalFit fit;
    EXPECT_EQ(LocalPolynomialFit(c.x, c.y, c.z, 0, c.neighbours, t.maxDegree, fit), t.ok) << t.name;
    if (t.ok) {
      EXPECT_EQ(fit.degree, t.degree) << t.name;
    }
  }
}

}  // namespace
