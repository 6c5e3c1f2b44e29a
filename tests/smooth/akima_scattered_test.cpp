// The library's scattered Akima surface (sdbi3p): cubic polynomials reproduced with all five
// derivatives at the nodes, between them and beyond the hull; continuity of the first
// derivatives across triangle sides; the set-up modes; error words and hostile input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "smooth/kernels/akima_interpolation.h"
#include "smooth/numlib/akima_scattered.h"
#include "smooth/numlib/surf_int.h"
#include "smooth_test_support.h"
#include "triangulation_test_support.h"

namespace {

struct Cubic {
  double a[10];
  // Value and derivative modes 0..5.
  double D(int mode, double x, double y) const {
    switch (mode) {
      case 0:
        return a[0] + a[1] * x + a[2] * y + a[3] * x * x + a[4] * x * y + a[5] * y * y +
               a[6] * x * x * x + a[7] * x * x * y + a[8] * x * y * y + a[9] * y * y * y;
      case 1:
        return a[1] + 2 * a[3] * x + a[4] * y + 3 * a[6] * x * x + 2 * a[7] * x * y + a[8] * y * y;
      case 2:
        return a[2] + a[4] * x + 2 * a[5] * y + a[7] * x * x + 2 * a[8] * x * y + 3 * a[9] * y * y;
      case 3:
        return 2 * a[3] + 6 * a[6] * x + 2 * a[7] * y;
      case 4:
        return 2 * a[5] + 2 * a[8] * x + 6 * a[9] * y;
      default:
        return a[4] + 2 * a[7] * x + 2 * a[8] * y;
    }
  }
};

constexpr Cubic kCubic = {{0.7, -1.2, 0.4, 2.1, -0.9, 1.3, -1.7, 0.6, 1.1, -0.8}};

struct Surface {
  std::vector<double> x, y, z, wk;
  std::vector<int> iwk;
  int n() const { return static_cast<int>(x.size()); }
  int Call(int md, const std::vector<double>& xi, const std::vector<double>& yi,
           std::vector<double>& zi, int deriv) {
    wk.resize(17 * x.size());
    iwk.resize(39 * x.size());
    zi.resize(xi.size());
    return AkimaScatteredInterpolate(md, n(), x.data(), y.data(), z.data(),
                                     static_cast<int>(xi.size()), xi.data(), yi.data(), zi.data(),
                                     wk.data(), iwk.data(), deriv);
  }
  double At(double px, double py, int deriv) {
    std::vector<double> zi;
    EXPECT_EQ(Call(3, {px}, {py}, zi, deriv), kSdOk);
    return zi[0];
  }
};

Surface CubicSurface(int count, std::uint64_t seed) {
  Surface s;
  smooth_test::RandomPoints(count, seed, s.x, s.y);
  for (int i = 0; i < count; ++i) s.z.push_back(kCubic.D(0, s.x[i], s.y[i]));
  return s;
}

TEST(AkimaScatteredInterpolate, ReproducesCubicsWithAllDerivatives) {
  for (const int count : {10, 40, 300}) {
    Surface s = CubicSurface(count, 50 + count);
    std::vector<double> zi;
    ASSERT_EQ(s.Call(1, {0.5}, {0.5}, zi, 0), kSdOk) << count;
    // The nodes, points between them and points well beyond the hull on every side.
    std::vector<double> px = s.x, py = s.y;
    for (double u = -0.8; u <= 1.8; u += 0.1)
      for (double v = -0.8; v <= 1.8; v += 0.1) {
        px.push_back(u);
        py.push_back(v);
      }
    for (std::size_t i = 0; i < px.size(); ++i)
      for (int mode = 0; mode < 6; ++mode) {
        const double want = kCubic.D(mode, px[i], py[i]);
        EXPECT_NEAR(s.At(px[i], py[i], mode), want, 1e-8 * std::max(1.0, std::fabs(want)))
            << count << " points, mode " << mode << " at " << px[i] << ", " << py[i];
      }
  }
}

TEST(AkimaScatteredInterpolate, FirstDerivativesContinuousAcrossSides) {
  Surface s;
  smooth_test::RandomPoints(80, 13, s.x, s.y);
  for (int i = 0; i < s.n(); ++i) s.z.push_back(std::sin(4 * s.x[i]) * std::exp(s.y[i]));
  std::vector<double> zi;
  ASSERT_EQ(s.Call(1, {0.5}, {0.5}, zi, 0), kSdOk);
  const smooth_test::Mesh m = smooth_test::Triangulate(s.x, s.y);  // the same Delaunay sides
  int sides = 0;
  for (const auto& t : smooth_test::Triangles(m))
    for (int e = 0; e < 3; ++e) {
      const int a = t[e], b = t[(e + 1) % 3];
      const double ax = s.x[a - 1], ay = s.y[a - 1], bx = s.x[b - 1], by = s.y[b - 1];
      const double len = std::hypot(bx - ax, by - ay), nx = (ay - by) / len, ny = (bx - ax) / len;
      const double mx = (ax + bx) / 2, my = (ay + by) / 2;
      for (int mode = 0; mode <= 2; ++mode) {
        auto f = [&](double qx, double qy) { return s.At(qx, qy, mode); };
        const double left = smooth_test::SideLimit(f, mx, my, nx, ny);
        const double right = smooth_test::SideLimit(f, mx, my, -nx, -ny);
        EXPECT_NEAR(left, right, 1e-8 * std::max(1.0, std::fabs(left)))
            << "side " << a << "-" << b << " mode " << mode;
      }
      ++sides;
    }
  EXPECT_GT(sides, 300);
}

TEST(AkimaScatteredInterpolate, ModesReuseTheSetUp) {
  Surface s = CubicSurface(60, 7);
  const std::vector<double> xi = {0.1, 0.5, 0.9, 1.4}, yi = {0.2, 0.5, 0.7, -0.3};
  std::vector<double> first, again;
  ASSERT_EQ(s.Call(1, xi, yi, first, 0), kSdOk);
  ASSERT_EQ(s.Call(3, xi, yi, again, 0), kSdOk);
  EXPECT_EQ(again, first);
  for (double& v : s.z) v = -2 * v + 1;  // new values on the same points
  ASSERT_EQ(s.Call(2, xi, yi, again, 0), kSdOk);
  for (std::size_t i = 0; i < xi.size(); ++i) EXPECT_NEAR(again[i], -2 * first[i] + 1, 1e-9);
  // Another point count than the set-up's.
  s.x.push_back(0.3);
  s.y.push_back(0.9);
  s.z.push_back(0);
  EXPECT_EQ(s.Call(3, xi, yi, again, 0), kSdNoSetUp);
}

TEST(AkimaScatteredInterpolate, ErrorWords) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Surface ten = CubicSurface(10, 1);
  std::vector<double> zi(1, -7.0);
  // A fresh IWK holds no set-up; MD outside 1..3 and NIP 0 are refused.
  EXPECT_EQ(ten.Call(3, {0.5}, {0.5}, zi, 0), kSdNoSetUp);
  EXPECT_EQ(ten.Call(2, {0.5}, {0.5}, zi, 0), kSdNoSetUp);
  EXPECT_EQ(ten.Call(4, {0.5}, {0.5}, zi, 0), kSdBadCall);
  EXPECT_EQ(ten.Call(1, {}, {}, zi, 0), kSdBadCall);

  struct Case {
    const char* name;
    int count;
    void (*spoil)(Surface&);
    int word;
  };
  const Case cases[] = {
      {"nine points", 9, [](Surface&) {}, kSdTooFew},
      {"ten points", 10, [](Surface&) {}, kSdOk},
      {"two points coincide", 20, [](Surface& s) { s.x[7] = s.x[3]; s.y[7] = s.y[3]; }, kSdCoincident},
      {"all on one line", 20, [](Surface& s) { for (std::size_t i = 0; i < s.x.size(); ++i) s.y[i] = 2 * s.x[i]; }, kSdCollinear},
      {"NaN value", 20, [](Surface& s) { s.z[4] = std::numeric_limits<double>::quiet_NaN(); }, kSdNotFinite},
      {"infinite coordinate", 20, [](Surface& s) { s.x[2] = HUGE_VAL; }, kSdNotFinite},
      {"huge scale", 20, [](Surface& s) { for (double& v : s.x) v *= 1e200; for (double& v : s.y) v *= 1e200; }, kSdNotFinite},
      {"tiny scale", 20, [](Surface& s) { for (double& v : s.x) v *= 1e-200; for (double& v : s.y) v *= 1e-200; }, kSdNotFinite},
      {"large scale", 20, [](Surface& s) { for (double& v : s.x) v *= 1e12; for (double& v : s.y) v *= 1e12; }, kSdOk},
  };
  for (const Case& c : cases) {
    Surface s = CubicSurface(c.count, 99);
    c.spoil(s);
    std::vector<double> out;
    EXPECT_EQ(s.Call(1, {s.x[0]}, {s.y[0]}, out, 0), c.word) << c.name;
    if (c.word == kSdOk) {
      EXPECT_NEAR(out[0], s.z[0], 1e-9 * std::max(1.0, std::fabs(s.z[0]))) << c.name;
    } else {
      // A failed set-up leaves nothing to evaluate.
      EXPECT_NE(s.Call(3, {0.5}, {0.5}, out, 0), kSdOk) << c.name;
    }
  }
  // A NaN evaluation point is refused and leaves the output alone.
  Surface s = CubicSurface(20, 3);
  std::vector<double> out;
  ASSERT_EQ(s.Call(1, {0.5}, {0.5}, out, 0), kSdOk);
  out.assign(1, -7.0);
  EXPECT_EQ(AkimaScatteredInterpolate(3, s.n(), s.x.data(), s.y.data(), s.z.data(), 1, &nan, &nan,
                                      out.data(), s.wk.data(), s.iwk.data(), 0),
            kSdNotFinite);
  EXPECT_EQ(out[0], -7.0);
}

TEST(AkimaSurfaceOnGrid, IsTheKernelGridWithItsLeadingDimension) {
  Surface s = CubicSurface(30, 17);
  std::vector<double> xy;
  for (int i = 0; i < s.n(); ++i) xy.insert(xy.end(), {s.x[i], s.y[i]});
  const std::vector<double> xs = {-0.2, 0.3, 0.6, 1.1}, ys = {0.1, 0.5, 0.9};
  const int ld = 6;
  std::vector<double> out(ld * ys.size(), -7.0);
  ASSERT_NE(AkimaSurfaceOnGrid(s.n(), xy.data(), s.z.data(), 4, 3, xs.data(), ys.data(), out.data(), ld), 0);
  std::vector<int> iwk(AkimaIntWorkSize(5, s.n(), 4, 3));
  std::vector<double> wk(AkimaRealWorkSize(s.n())), grid(12);
  ASSERT_EQ(AkimaGridInterpolate(kAkimaNewPoints, 5, s.n(), s.x, s.y, s.z, 4, 3, xs, ys, grid, iwk, wk, 0), 1);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < ld; ++i)
      EXPECT_EQ(out[static_cast<std::size_t>(j * ld + i)], i < 4 ? grid[static_cast<std::size_t>(j * 4 + i)] : -7.0);
  // Failures leave the output untouched: four collinear points, a leading dimension below nx.
  const std::vector<double> line = {0, 0, 1, 1, 2, 2, 3, 3}, z4 = {1, 2, 3, 4};
  EXPECT_EQ(AkimaSurfaceOnGrid(4, line.data(), z4.data(), 4, 3, xs.data(), ys.data(), out.data(), ld), 0);
  EXPECT_EQ(AkimaSurfaceOnGrid(s.n(), xy.data(), s.z.data(), 4, 3, xs.data(), ys.data(), out.data(), 3), 0);
  EXPECT_EQ(out[4], -7.0);
}

}  // namespace
