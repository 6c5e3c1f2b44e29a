// Preusser's C1 and C2 interpolation: the quintic element against Akima's published quintic,
// polynomial reproduction and vertex-order independence of the nonic, exact nodes, planes
// inside and outside the hull, continuity of the first (C1) and second (C2) derivatives
// across triangle sides, error words and hostile input.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "smooth/kernels/akima_patch.h"
#include "smooth/numlib/preusser_element.h"
#include "smooth/numlib/preusser_interpolation.h"
#include "smooth_test_support.h"
#include "triangulation_test_support.h"

namespace {

// A polynomial sum a[i][j] x^i y^j with its exact partial derivatives.
struct Poly {
  double a[8][8] = {};
  int degree = 0;
  double D(int p, int q, double x, double y) const {
    double s = 0;
    for (int i = p; i <= degree; ++i)
      for (int j = q; i + j <= degree; ++j) {
        double f = a[i][j];
        for (int k = 0; k < p; ++k) f *= i - k;
        for (int k = 0; k < q; ++k) f *= j - k;
        s += f * std::pow(x, i - p) * std::pow(y, j - q);
      }
    return s;
  }
};

Poly RandomPoly(int degree, std::uint64_t seed) {
  Poly p;
  p.degree = degree;
  std::vector<double> r, unused;
  smooth_test::RandomPoints(64, seed, r, unused);
  int k = 0;
  for (int i = 0; i <= degree; ++i)
    for (int j = 0; i + j <= degree; ++j) p.a[i][j] = 2 * r[static_cast<std::size_t>(k++)] - 1;
  return p;
}

TPreusserVertex VertexOf(const Poly& p, double x, double y, int order) {
  TPreusserVertex v;
  v.x = x;
  v.y = y;
  for (int a = 0; a <= order; ++a)
    for (int b = 0; a + b <= order; ++b) v.d[a][b] = p.D(a, b, x, y);
  return v;
}

const std::array<std::array<double, 2>, 3> kTriangle = {{{0.1, 0.2}, {0.9, 0.35}, {0.3, 0.8}}};

TEST(PreusserElement, QuinticIsAkimasQuintic) {
  // Arbitrary vertex data (not from one polynomial): the two constructions must still agree,
  // as both are the quintic with cubic cross-side derivatives.
  std::vector<double> r, unused;
  smooth_test::RandomPoints(18, 4, r, unused);
  std::array<TPreusserVertex, 3> v;
  TAkimaNode n[3];
  for (int k = 0; k < 3; ++k) {
    v[k].x = n[k].x = kTriangle[k][0];
    v[k].y = n[k].y = kTriangle[k][1];
    const double* q = r.data() + 6 * k;
    v[k].d[0][0] = n[k].z = q[0];
    v[k].d[1][0] = n[k].pd[0] = q[1];
    v[k].d[0][1] = n[k].pd[1] = q[2];
    v[k].d[2][0] = n[k].pd[2] = q[3];
    v[k].d[1][1] = n[k].pd[3] = q[4];
    v[k].d[0][2] = n[k].pd[4] = q[5];
  }
  const TBezierTriangle quintic = PreusserElement(v, 2);
  const TAkimaPatch akima = AkimaTrianglePatch(n[0], n[1], n[2]);
  std::vector<double> px, py;
  smooth_test::RandomPoints(50, 11, px, py);
  for (std::size_t i = 0; i < px.size(); ++i)
    for (int mode = 0; mode < 6; ++mode) {
      const double want = AkimaPatchValue(akima, px[i], py[i], mode);
      EXPECT_NEAR(quintic.Value(px[i], py[i], mode), want, 1e-10 * std::max(1.0, std::fabs(want)))
          << "mode " << mode;
    }
}

TEST(PreusserElement, ReproducesPolynomialsAndIgnoresVertexOrder) {
  struct Case {
    int order, degree;
  };
  for (const Case c : {Case{2, 2}, Case{4, 7}}) {
    const Poly p = RandomPoly(c.degree, 100 + c.degree);
    std::array<TPreusserVertex, 3> v;
    for (int k = 0; k < 3; ++k) v[k] = VertexOf(p, kTriangle[k][0], kTriangle[k][1], c.order);
    const TBezierTriangle e = PreusserElement(v, c.order);
    const TBezierTriangle rotated = PreusserElement({v[1], v[2], v[0]}, c.order);
    const TBezierTriangle flipped = PreusserElement({v[0], v[2], v[1]}, c.order);
    for (double s = 0.05; s < 1; s += 0.15)
      for (double t = 0.05; s + t < 1; t += 0.15) {
        const double x = kTriangle[0][0] + s * (kTriangle[1][0] - kTriangle[0][0]) +
                         t * (kTriangle[2][0] - kTriangle[0][0]);
        const double y = kTriangle[0][1] + s * (kTriangle[1][1] - kTriangle[0][1]) +
                         t * (kTriangle[2][1] - kTriangle[0][1]);
        const int d[6][2] = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {0, 2}, {1, 1}};
        for (int mode = 0; mode < 6; ++mode) {
          const double want = p.D(d[mode][0], d[mode][1], x, y);
          const double tol = 1e-9 * std::max(1.0, std::fabs(want));
          EXPECT_NEAR(e.Value(x, y, mode), want, tol) << "order " << c.order << " mode " << mode;
          EXPECT_NEAR(rotated.Value(x, y, mode), want, tol) << "order " << c.order;
          EXPECT_NEAR(flipped.Value(x, y, mode), want, tol) << "order " << c.order;
        }
      }
  }
}

// A Preusser set-up over scattered points.
struct Surface {
  int order = 2;
  std::vector<double> x, y, z, wk;
  std::vector<int> iwk;
  int start = 1;
  int ier = -1;

  int n() const { return static_cast<int>(x.size()); }
  void Init() {
    wk.assign((order == 2 ? 5 : 14) * x.size(), 0.0);
    iwk.assign(13 * x.size(), 0);
    (order == 2 ? PreusserC1Init : PreusserC2Init)(n(), x.data(), y.data(), z.data(), 0,
                                                   wk.data(), iwk.data(), ier);
  }
  double At(double px, double py, int mode, int* status = nullptr) {
    double pz = 0;
    int st = -1;
    (order == 2 ? PreusserC1Point : PreusserC2Point)(n(), x.data(), y.data(), z.data(), px, py,
                                                     wk.data(), iwk.data(), start, pz, 0, mode,
                                                     st);
    if (status) *status = st;
    return pz;
  }
  smooth_test::Mesh Mesh() const {
    smooth_test::Mesh m;
    m.x = x;
    m.y = y;
    m.list.assign(iwk.begin(), iwk.begin() + 6 * n());
    m.lptr.assign(iwk.begin() + 6 * n(), iwk.begin() + 12 * n());
    m.lend.assign(iwk.begin() + 12 * n(), iwk.begin() + 13 * n());
    return m;
  }
};

Surface Scattered(int order, int count, std::uint64_t seed, double (*f)(double, double)) {
  Surface s;
  s.order = order;
  smooth_test::RandomPoints(count, seed, s.x, s.y);
  for (int i = 0; i < count; ++i) s.z.push_back(f(s.x[i], s.y[i]));
  s.Init();
  return s;
}

double Wavy(double x, double y) { return std::sin(4 * x) * std::cos(3 * y) + 0.5 * x * y; }

TEST(PreusserInterpolation, NodesAreExact) {
  for (const int order : {2, 4}) {
    Surface s = Scattered(order, 120, 3, Wavy);
    ASSERT_EQ(s.ier, kPreusserOk);
    for (int i = 0; i < s.n(); ++i) {
      int status = -1;
      EXPECT_NEAR(s.At(s.x[i], s.y[i], 0, &status), s.z[i], 1e-12) << "order " << order;
      EXPECT_NE(status, kPreusserUnusable);
    }
  }
}

TEST(PreusserInterpolation, PlanesReproducedInsideAndOutside) {
  for (const int order : {2, 4}) {
    Surface s = Scattered(order, 60, 21, [](double x, double y) { return 2 - 3 * x + 0.5 * y; });
    ASSERT_EQ(s.ier, kPreusserOk);
    const double want[6] = {0, -3, 0.5, 0, 0, 0};
    int outside = 0;
    for (double px = -0.5; px <= 1.5; px += 0.125)
      for (double py = -0.5; py <= 1.5; py += 0.125) {
        int status = -1;
        const double v = s.At(px, py, 0, &status);
        ASSERT_NE(status, kPreusserUnusable);
        outside += status == kPreusserExtrapolated;
        EXPECT_NEAR(v, 2 - 3 * px + 0.5 * py, 1e-10) << "order " << order;
        for (int mode = 1; mode < 6; ++mode)
          EXPECT_NEAR(s.At(px, py, mode), want[mode], 1e-7) << "order " << order << " mode " << mode;
      }
    EXPECT_GT(outside, 100);
  }
}

// Jumps of the derivative modes across every interior side, at three places along it.
void ExpectContinuousAcrossSides(Surface& s, int modes, double tolerance) {
  const smooth_test::Mesh m = s.Mesh();
  int sides = 0;
  for (const auto& t : smooth_test::Triangles(m))
    for (int e = 0; e < 3; ++e) {
      const int a = t[e], b = t[(e + 1) % 3];
      // Interior sides only (both endpoints' shared triangles), each once.
      int shared = 0;
      for (const auto& u : smooth_test::Triangles(m))
        shared += std::count(u.begin(), u.end(), a) && std::count(u.begin(), u.end(), b);
      if (shared != 2 || a > b) continue;
      const double ax = s.x[a - 1], ay = s.y[a - 1], bx = s.x[b - 1], by = s.y[b - 1];
      const double len = std::hypot(bx - ax, by - ay);
      const double nx = (ay - by) / len, ny = (bx - ax) / len;
      for (const double f : {0.27, 0.5, 0.74}) {
        const double mx = ax + f * (bx - ax), my = ay + f * (by - ay);
        for (int mode = 0; mode < modes; ++mode) {
          auto g = [&](double px, double py) { return s.At(px, py, mode); };
          const double left = smooth_test::SideLimit(g, mx, my, nx, ny);
          const double right = smooth_test::SideLimit(g, mx, my, -nx, -ny);
          EXPECT_NEAR(left, right, tolerance * std::max(1.0, std::fabs(left)))
              << "order " << s.order << " side " << a << "-" << b << " mode " << mode;
        }
      }
      ++sides;
    }
  EXPECT_GT(sides, 100);
}

TEST(PreusserInterpolation, C1AcrossTriangleSides) {
  Surface s = Scattered(2, 90, 5, Wavy);
  ASSERT_EQ(s.ier, kPreusserOk);
  ExpectContinuousAcrossSides(s, 3, 1e-8);
}

TEST(PreusserInterpolation, C2AcrossTriangleSides) {
  Surface s = Scattered(4, 90, 6, Wavy);
  ASSERT_EQ(s.ier, kPreusserOk);
  ExpectContinuousAcrossSides(s, 6, 1e-8);
}

TEST(PreusserInterpolation, ErrorWordsAndHostileInput) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    std::vector<double> x, y, z;
    int ier;
  };
  const Case cases[] = {
      {"three nodes", {0, 1, 0}, {0, 0, 1}, {1, 2, 3}, kPreusserTooFew},
      {"all on one line", {0, 1, 2, 3}, {0, 1, 2, 3}, {1, 2, 3, 4}, kPreusserCollinear},
      {"first three on one line", {0, 1, 2, 0}, {0, 1, 2, 5}, {1, 2, 3, 4}, kPreusserCollinear},
      {"two nodes coincide", {0, 1, 0, 1, 1}, {0, 0, 1, 1, 1}, {1, 2, 3, 4, 5}, kPreusserCoincident},
      {"NaN value", {0, 1, 0, 1}, {0, 0, 1, 1}, {1, nan, 3, 4}, kPreusserNotFinite},
      {"NaN coordinate", {0, 1, 0, nan}, {0, 0, 1, 1}, {1, 2, 3, 4}, kPreusserNotFinite},
      {"four nodes", {0, 1, 0, 1}, {0, 0, 1, 1.2}, {1, 2, 3, 4}, kPreusserOk},
      {"small scale", {0, 1e-20, 0, 1e-20, 4e-21}, {0, 0, 1e-20, 1e-20, 6e-21}, {1, 2, 3, 4, 5},
       kPreusserOk},
      {"large scale", {0, 1e20, 0, 1e20, 4e19}, {0, 0, 1e20, 1e20, 6e19}, {1, 2, 3, 4, 5},
       kPreusserOk},
      {"tiny scale", {0, 1e-150, 0, 1e-150, 4e-151}, {0, 0, 1e-150, 1e-150, 6e-151}, {1, 2, 3, 4, 5},
       kPreusserNotFinite},
      {"huge scale", {0, 1e150, 0, 1e150, 4e149}, {0, 0, 1e150, 1e150, 6e149}, {1, 2, 3, 4, 5},
       kPreusserNotFinite},
  };
  for (const int order : {2, 4})
    for (const Case& c : cases) {
      Surface s;
      s.order = order;
      s.x = c.x;
      s.y = c.y;
      s.z = c.z;
      s.Init();
      EXPECT_EQ(s.ier, c.ier) << c.name << " order " << order;
      if (s.ier != kPreusserOk) continue;
      // Every node interpolated, whatever the scale.
      for (int i = 0; i < s.n(); ++i) EXPECT_NEAR(s.At(s.x[i], s.y[i], 0), s.z[i], 1e-9) << c.name;
      int status = -1;
      EXPECT_EQ(s.At(nan, 0.5, 0, &status), 0.0);
      EXPECT_EQ(status, kPreusserUnusable) << c.name;
    }
}

}  // namespace
