// Akima's rectangular-grid surface (rgbi3p): the accuracy of a bicubic it promises (bicubic
// data reproduced with every derivative, inside the grid and beyond it, and integrated
// exactly), lines of two and three nodes, the nodes themselves, the reuse of estimated
// derivatives, and the error words.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "smooth/numlib/akima_grid.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::FullDegreePolynomial;
using smooth_test::TPolynomial2;

struct TGridData {
  std::vector<double> x, y, z, wk;
};

TGridData Grid(std::vector<double> x, std::vector<double> y,
               const std::function<double(double, double)>& f) {
  TGridData g{std::move(x), std::move(y), {}, {}};
  for (double yj : g.y)
    for (double xi : g.x) g.z.push_back(f(xi, yj));
  g.wk.assign(3 * g.z.size(), 0.0);
  return g;
}

double At(TGridData& g, int md, int mode, double x, double y, int& ier) {
  double v = 0;
  rgbi3p(md, static_cast<int>(g.x.size()), static_cast<int>(g.y.size()), g.x.data(), g.y.data(),
         g.z.data(), 1, &x, &y, &v, g.wk.data(), mode, ier);
  return v;
}

double Integral(TGridData& g, double x1, double x2, double y1, double y2, int& ier) {
  const std::array<double, 2> xi = {x1, x2}, yi = {y1, y2};
  double v = 0;
  rgbi3p(1, static_cast<int>(g.x.size()), static_cast<int>(g.y.size()), g.x.data(), g.y.data(),
         g.z.data(), 2, xi.data(), yi.data(), &v, g.wk.data(), kRgIntegral, ier);
  return v;
}

constexpr std::array<std::array<int, 2>, 6> kModeOrders = {
    {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {0, 2}, {1, 1}}};

// The accuracy promised: a surface of the degrees the grid lines allow (cubic on lines of
// four or more nodes, the one polynomial through the nodes on shorter lines) comes back
// with every derivative, at the nodes, between them and beyond the grid, and so does its
// integral over rectangles inside, across and outside the grid.
TEST(AkimaGrid, PolynomialsOfTheGridsDegreeAreReproducedInEveryMode) {
  struct TCase {
    const char* what;
    std::vector<double> x, y;
    int degreeX, degreeY;
  };
  for (const TCase& c :
       {TCase{"bicubic, 6 x 5 uneven", {-1.0, -0.4, 0.1, 0.3, 1.2, 2.0}, {0.0, 0.5, 0.6, 1.4, 2.5}, 3, 3},
        TCase{"bicubic, 4 x 4", {0, 1, 2, 3}, {0, 0.3, 1, 1.1}, 3, 3},
        TCase{"quadratic x cubic, 3 x 7", {0, 0.4, 1.5}, {0, 1, 2, 3, 4, 5, 6}, 2, 3},
        TCase{"linear x quadratic, 2 x 3", {1, 2}, {0, 1, 3}, 1, 2}}) {
    SCOPED_TRACE(c.what);
    const TPolynomial2 p = FullDegreePolynomial(c.degreeX, c.degreeY, 0.7);
    TGridData g = Grid(c.x, c.y, [&](double x, double y) { return p.Der(0, 0, x, y); });
    const double x0 = c.x.front(), x1 = c.x.back(), y0 = c.y.front(), y1 = c.y.back();
    std::vector<std::array<double, 2>> points;
    for (const double u : {-0.3, 0.0, 0.13, 0.5, 0.71, 1.0, 1.25})
      for (const double v : {-0.2, 0.0, 0.37, 0.66, 1.0, 1.4})
        points.push_back({x0 + u * (x1 - x0), y0 + v * (y1 - y0)});
    for (std::size_t m = 0; m < kModeOrders.size(); ++m)
      for (const auto& pt : points) {
        int ier = -1;
        const double v = At(g, 1, static_cast<int>(m), pt[0], pt[1], ier);
        ASSERT_EQ(ier, kRgOk);
        const double want = p.Der(kModeOrders[m][0], kModeOrders[m][1], pt[0], pt[1]);
        EXPECT_NEAR(v, want, 1e-10 * std::max(1.0, std::fabs(want)))
            << "mode " << m << " at " << pt[0] << ", " << pt[1];
      }
    for (const auto& r : {std::array<double, 4>{x0, x1, y0, y1},
                          std::array<double, 4>{x0 + 0.1, x1 - 0.2, y0 + 0.05, y1},
                          std::array<double, 4>{x0 - 1, x1 + 0.5, y0 - 0.3, y1 + 2},
                          std::array<double, 4>{x1 + 0.5, x1 + 1.5, y0 - 2, y0 - 1},
                          std::array<double, 4>{x1, x0, y0, y1}}) {
      int ier = -1;
      const double v = Integral(g, r[0], r[1], r[2], r[3], ier);
      ASSERT_EQ(ier, kRgOk);
      const double want = p.Integral(r[0], r[1], r[2], r[3]);
      EXPECT_NEAR(v, want, 1e-10 * std::max(1.0, std::fabs(want)));
    }
  }
}

// Any data: the surface passes through every node, and MD 2 with the derivatives of an
// earlier MD 1 gives the same surface bit for bit.
TEST(AkimaGrid, NodesAreInterpolatedAndEstimatesReused) {
  TGridData g = Grid({0, 0.5, 0.9, 2, 2.2, 3, 4.5}, {-1, 0, 0.2, 1, 3},
                     [](double x, double y) { return std::exp(-x) * std::sin(2 * y) + (x > 2 ? 1 : 0); });
  for (std::size_t j = 0; j < g.y.size(); ++j)
    for (std::size_t i = 0; i < g.x.size(); ++i) {
      int ier = -1;
      EXPECT_NEAR(At(g, 1, 0, g.x[i], g.y[j], ier), g.z[i + g.x.size() * j], 1e-13);
    }
  int ier = -1;
  const double first = At(g, 1, 5, 1.3, 0.7, ier);
  const double again = At(g, 2, 5, 1.3, 0.7, ier);
  EXPECT_EQ(first, again);
  // MD 2 takes the derivatives it is handed: zero derivatives give the bilinear blend of
  // the corners' values with flat edges (at the centre of a rectangle, their mean).
  std::fill(g.wk.begin(), g.wk.end(), 0.0);
  const double centre = At(g, 2, 0, 0.25, -0.5, ier);
  EXPECT_NEAR(centre, 0.25 * (g.z[0] + g.z[1] + g.z[7] + g.z[8]), 1e-14);
}

// Akima's method does not overshoot a step as a spline would: on data that jump once along
// x, the values between the flat nodes away from the jump stay flat.
TEST(AkimaGrid, FlatRunsBesideAStepStayFlat) {
  TGridData g = Grid({0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3}, [](double x, double) { return x < 3.5 ? 0.0 : 1.0; });
  int ier = -1;
  for (const double x : {0.5, 1.5, 5.5, 6.5}) {
    const double want = x < 3.5 ? 0.0 : 1.0;
    EXPECT_NEAR(At(g, 1, 0, x, 1.5, ier), want, 1e-14) << x;
  }
}

TEST(AkimaGrid, BadArgumentsNameTheirFault) {
  const double nan = std::nan("");
  struct TCase {
    const char* what;
    int md, mode, nip;
    std::vector<double> x, y, xi;
    int want;
  };
  const std::vector<double> x = {0, 1, 2}, y = {0, 1, 2};
  for (const TCase& c : {TCase{"md 0", 0, 0, 1, x, y, {0.5}, kRgBadMd},
                         TCase{"one column", 1, 0, 1, {0}, y, {0.5}, kRgTooFewX},
                         TCase{"one row", 1, 0, 1, x, {0}, {0.5}, kRgTooFewY},
                         TCase{"x repeated", 1, 0, 1, {0, 1, 1}, y, {0.5}, kRgXNotIncreasing},
                         TCase{"y falling", 1, 0, 1, x, {0, 2, 1}, {0.5}, kRgYNotIncreasing},
                         TCase{"no points", 1, 0, 0, x, y, {0.5}, kRgBadPoints},
                         TCase{"one corner for the integral", 1, -1, 1, x, y, {0.5}, kRgBadPoints},
                         TCase{"mode 6", 1, 6, 1, x, y, {0.5}, kRgBadMode},
                         TCase{"point not a number", 1, 0, 1, x, y, {nan}, kRgNotFinite}}) {
    SCOPED_TRACE(c.what);
    const std::vector<double> z(9, 1.0), yi(2, 0.5);
    std::vector<double> wk(27, 0.0), zi(2, 42.0);
    std::vector<double> xi = c.xi;
    xi.resize(2, 0.5);
    int ier = -1;
    rgbi3p(c.md, static_cast<int>(c.x.size()), static_cast<int>(c.y.size()), c.x.data(),
           c.y.data(), z.data(), c.nip, xi.data(), yi.data(), zi.data(), wk.data(), c.mode, ier);
    EXPECT_EQ(ier, c.want);
    EXPECT_EQ(zi[0], 42.0);
  }
}

}  // namespace
