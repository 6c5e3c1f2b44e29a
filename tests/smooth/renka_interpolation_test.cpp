// C1 interpolation over the triangulation: exact recovery of planes and quadratics, the
// node gradients and surface against SciPy, the extrapolation outside the hull, the error
// codes, the arc coefficients and the derivative fields of the natural-neighbour method.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "smooth/kernels/renka_interpolation.h"
#include "triangulation_test_support.h"

namespace {

using smooth_test::Mesh;
using smooth_test::Triangulate;

struct Surface {
  Mesh mesh;
  std::vector<double> z, gx, gy;
};

struct Quadratic {
  double c0, cx, cy, cxx, cxy, cyy;
  double operator()(double x, double y) const {
    return c0 + cx * x + cy * y + cxx * x * x + cxy * x * y + cyy * y * y;
  }
  double dx(double x, double y) const { return cx + 2 * cxx * x + cxy * y; }
  double dy(double x, double y) const { return cy + cxy * x + 2 * cyy * y; }
};

// The surface of a quadratic with its exact node gradients over seeded random nodes.
Surface ExactSurface(int n, std::uint64_t seed, const Quadratic& q) {
  std::vector<double> x, y;
  smooth_test::RandomPoints(n, seed, x, y);
  Surface s{Triangulate(x, y), {}, {}, {}};
  for (int i = 0; i < n; ++i) {
    s.z.push_back(q(x[i], y[i]));
    s.gx.push_back(q.dx(x[i], y[i]));
    s.gy.push_back(q.dy(x[i], y[i]));
  }
  return s;
}

struct Value {
  double pz = 0, pzx = 0, pzy = 0;
  int ier = 99;
  int ist = 1;
};

Value Evaluate(const Surface& s, double px, double py, int dflag = 1, int iflgs = 0,
               double sigma = 0.0, int ist = 1) {
  Value v;
  v.ist = ist;
  const Mesh& m = s.mesh;
  RenkaInterpolateC1(px, py, 0, nullptr, m.n(), m.x.data(), m.y.data(), s.z.data(),
                     m.list.data(), m.lptr.data(), m.lend.data(), iflgs, &sigma, s.gx.data(),
                     s.gy.data(), dflag, v.ist, v.pz, v.pzx, v.pzy, v.ier);
  return v;
}

// Global gradients of s.z from zero starting values; returns IER, with nit and dgmax updated.
int EstimateGradients(Surface& s, int& nit, double& dgmax) {
  s.gx.assign(s.z.size(), 0.0);
  s.gy.assign(s.z.size(), 0.0);
  int ier = 9;
  const double sigma = 0.0;
  const Mesh& m = s.mesh;
  RenkaGradients(0, nullptr, m.n(), m.x.data(), m.y.data(), s.z.data(), m.list.data(),
                 m.lptr.data(), m.lend.data(), 0, &sigma, nit, dgmax, s.gx.data(), s.gy.data(), ier);
  return ier;
}

const Quadratic kPlane{0.75, -1.5, 2.25, 0, 0, 0};
const Quadratic kBowl{0.5, -1.0, 0.25, 1.5, -2.0, 0.75};

TEST(RenkaTriangleValue, ReproducesQuadraticsWithExactGradients) {
  const double tri[][6] = {{0, 0, 1, 0, 0, 1}, {0.2, 0.1, 3.0, 0.4, 0.9, 2.5}, {-1, -1, 0.1, -0.9, -0.95, 0.2}};
  for (const auto& t : tri) {
    for (int i = 0; i <= 10; ++i)
      for (int j = 0; i + j <= 10; ++j) {
        const double b1 = i / 10.0, b2 = j / 10.0, b0 = 1 - b1 - b2;
        const double px = b0 * t[0] + b1 * t[2] + b2 * t[4], py = b0 * t[1] + b1 * t[3] + b2 * t[5];
        double f, fx, fy;
        int ier;
        const Quadratic& q = kBowl;
        RenkaTriangleValue(px, py, t[0], t[2], t[4], t[1], t[3], t[5], q(t[0], t[1]), q(t[2], t[3]),
                           q(t[4], t[5]), q.dx(t[0], t[1]), q.dx(t[2], t[3]), q.dx(t[4], t[5]),
                           q.dy(t[0], t[1]), q.dy(t[2], t[3]), q.dy(t[4], t[5]), 1, f, fx, fy, ier);
        ASSERT_EQ(ier, 0);
        EXPECT_NEAR(f, q(px, py), 1e-13);
        EXPECT_NEAR(fx, q.dx(px, py), 1e-12);
        EXPECT_NEAR(fy, q.dy(px, py), 1e-12);
      }
  }
  double f, fx, fy;
  int ier;
  RenkaTriangleValue(0.5, 0.5, 0, 1, 2, 0, 1, 2, 1, 2, 3, 0, 0, 0, 0, 0, 0, 1, f, fx, fy, ier);
  EXPECT_EQ(ier, -1);
}

TEST(RenkaTriangleValue, IsC1AcrossTheCentroidSplit) {
  // Arbitrary (non-quadratic) data: value and gradient agree on both sides of the lines
  // from the centroid to the vertices, and the gradient matches differences of the value.
  const double x[3] = {0.1, 1.3, 0.4}, y[3] = {0.2, 0.5, 1.6};
  const double z[3] = {1.0, -0.5, 2.0}, gx[3] = {0.3, -2.0, 1.1}, gy[3] = {1.7, 0.4, -0.8};
  auto at = [&](double px, double py, double& f, double& fx, double& fy) {
    int ier;
    RenkaTriangleValue(px, py, x[0], x[1], x[2], y[0], y[1], y[2], z[0], z[1], z[2], gx[0], gx[1],
                       gx[2], gy[0], gy[1], gy[2], 1, f, fx, fy, ier);
  };
  const double cx = (x[0] + x[1] + x[2]) / 3, cy = (y[0] + y[1] + y[2]) / 3;
  for (int v = 0; v < 3; ++v) {
    const double mx = 0.5 * (cx + x[v]), my = 0.5 * (cy + y[v]);
    const double nx = -(y[v] - cy), ny = x[v] - cx;  // across the line centroid-vertex
    const double h = 1e-7;
    double f1, fx1, fy1, f2, fx2, fy2;
    at(mx + h * nx, my + h * ny, f1, fx1, fy1);
    at(mx - h * nx, my - h * ny, f2, fx2, fy2);
    EXPECT_NEAR(f1, f2, 1e-6);
    EXPECT_NEAR(fx1, fx2, 1e-5);
    EXPECT_NEAR(fy1, fy2, 1e-5);
  }
  double f, fx, fy, fa, fb, dummy;
  at(0.5, 0.7, f, fx, fy);
  at(0.5 + 1e-6, 0.7, fa, dummy, dummy);
  at(0.5 - 1e-6, 0.7, fb, dummy, dummy);
  EXPECT_NEAR((fa - fb) / 2e-6, fx, 1e-6);
}

TEST(RenkaInterpolateC1, AtANodeGivesItsValueAndGradient) {
  const Surface s = ExactSurface(60, 11, kBowl);
  ASSERT_EQ(s.mesh.ier, 0);
  for (int k = 1; k <= s.mesh.n(); ++k) {
    const Value v = Evaluate(s, s.mesh.x[k - 1], s.mesh.y[k - 1], 1, 0, 0.0, 1 + (k * 7) % 60);
    ASSERT_EQ(v.ier, 0);
    EXPECT_NEAR(v.pz, s.z[k - 1], 1e-14) << k;
    EXPECT_NEAR(v.pzx, s.gx[k - 1], 1e-12) << k;
    EXPECT_NEAR(v.pzy, s.gy[k - 1], 1e-12) << k;
  }
}

TEST(RenkaInterpolateC1, PlaneIsReproducedInsideAndOutsideTheHull) {
  const Surface s = ExactSurface(80, 12, kPlane);
  ASSERT_EQ(s.mesh.ier, 0);
  for (int i = -6; i <= 6; ++i)
    for (int j = -6; j <= 6; ++j) {
      const double px = 0.5 + i * 0.37, py = 0.5 + j * 0.41;
      const Value v = Evaluate(s, px, py);
      if (std::fabs(px - 0.5) > 0.6 || std::fabs(py - 0.5) > 0.6) {
        EXPECT_EQ(v.ier, kRenkaExtrapolated);
      } else {
        EXPECT_TRUE(v.ier == 0 || v.ier == kRenkaExtrapolated);
      }
      EXPECT_NEAR(v.pz, kPlane(px, py), 1e-12) << px << "," << py;
      EXPECT_NEAR(v.pzx, kPlane.cx, 1e-12);
      EXPECT_NEAR(v.pzy, kPlane.cy, 1e-12);
    }
}

TEST(RenkaGradients, RecoverAPlaneAndTheInterpolantFollowsIt) {
  Surface s = ExactSurface(120, 13, kPlane);
  int nit = 50;
  double dgmax = 1e-13;
  ASSERT_EQ(EstimateGradients(s, nit, dgmax), 0);
  const Mesh& m = s.mesh;
  EXPECT_LT(nit, 50);
  for (int k = 0; k < m.n(); ++k) {
    EXPECT_NEAR(s.gx[k], kPlane.cx, 1e-10);
    EXPECT_NEAR(s.gy[k], kPlane.cy, 1e-10);
  }
  for (const double p : {-2.0, 0.3, 0.7, 3.0}) EXPECT_NEAR(Evaluate(s, p, 0.4).pz, kPlane(p, 0.4), 1e-9);
}

TEST(RenkaGradients, ErrorCodes) {
  Surface s = ExactSurface(10, 14, kBowl);
  const Mesh& m = s.mesh;
  auto run = [&](const Mesh& mesh, int nit, double dgmax, int& ier) {
    double sigma = 0.0;
    RenkaGradients(0, nullptr, mesh.n(), mesh.x.data(), mesh.y.data(), s.z.data(), mesh.list.data(),
                   mesh.lptr.data(), mesh.lend.data(), 0, &sigma, nit, dgmax, s.gx.data(),
                   s.gy.data(), ier);
    return std::pair{nit, dgmax};
  };
  int ier = 9;
  EXPECT_EQ(run(m, 0, 1e-3, ier), (std::pair{0, 0.0}));
  EXPECT_EQ(ier, kRenkaInvalidInput);
  EXPECT_EQ(run(m, 4, -1.0, ier), (std::pair{0, 0.0}));
  EXPECT_EQ(ier, kRenkaInvalidInput);
  // One sweep with a zero bound does not converge: the iterate comes back with IER 1.
  const auto one = run(m, 1, 0.0, ier);
  EXPECT_EQ(ier, kRenkaNotConverged);
  EXPECT_EQ(one.first, 1);
  EXPECT_GT(one.second, 0.0);
  // A hand-made coincidence: a neighbour of node 1 moved onto it after triangulating.
  Mesh moved = m;
  const int nb = std::abs(smooth_test::Ring(m, 1).front());
  moved.x[nb - 1] = moved.x[0];
  moved.y[nb - 1] = moved.y[0];
  const auto coincident = run(moved, 4, 1e-3, ier);
  EXPECT_EQ(ier, kRenkaCoincident);
  EXPECT_EQ(coincident.first, 0);
}

TEST(RenkaInterpolateC1, ErrorCodesAndTension) {
  const Surface s = ExactSurface(30, 15, kBowl);
  // Derivatives inside a triangle under tension are refused, with PZ 0.
  Value v = Evaluate(s, 0.5, 0.5, 1, 0, 0.5);
  EXPECT_EQ(v.ier, kRenkaTensionDerivative);
  EXPECT_EQ(v.pz, 0.0);
  v = Evaluate(s, 0.5, 0.5, 1, 1, 0.0);
  EXPECT_EQ(v.ier, kRenkaTensionDerivative);
  // Values under tension are those of the cubic inside; outside the arc is a tension spline.
  EXPECT_EQ(Evaluate(s, 0.5, 0.5, 0, 0, 0.5).ier, 0);
  EXPECT_DOUBLE_EQ(Evaluate(s, 0.5, 0.5, 0, 0, 0.5).pz, Evaluate(s, 0.5, 0.5, 0).pz);
  v = Evaluate(s, 3.0, 0.5, 1, 0, 2.0);
  EXPECT_EQ(v.ier, kRenkaExtrapolated);
  EXPECT_TRUE(std::isfinite(v.pz));
  EXPECT_EQ(Evaluate(s, 0.5, 0.5, 0, 0, 0.0, 0).ier, kRenkaInvalidInput);
  EXPECT_EQ(Evaluate(s, 0.5, 0.5, 0, 0, 0.0, 31).ier, kRenkaInvalidInput);
  EXPECT_EQ(Evaluate(s, std::numeric_limits<double>::quiet_NaN(), 0.5).ier, kRenkaInvalidInput);
}

TEST(RenkaInterpolateC1, FarBeyondAnArcTheSurfaceIsLinearAlongItsNormal) {
  // A square hull: beyond the middle of its bottom side the surface continues along the
  // outward normal with the blended gradient's normal component.
  Surface s{Triangulate({0, 1, 1, 0, 0.4}, {0, 0, 1, 1, 0.6}), {}, {}, {}};
  s.z = {0.0, 1.0, 0.5, -0.5, 0.2};
  s.gx = {1.0, -0.5, 0.3, 0.8, 0.0};
  s.gy = {2.0, 1.0, -1.0, 0.4, 0.0};
  const double r[3] = {10.0, 100.0, 1000.0};
  double pz[3];
  for (int i = 0; i < 3; ++i) {
    const Value v = Evaluate(s, 0.5, -r[i], 0);
    EXPECT_EQ(v.ier, kRenkaExtrapolated);
    pz[i] = v.pz;
  }
  // Slope along -y is minus the blended gy at the midpoint: -(2 + 1)/2.
  EXPECT_NEAR((pz[1] - pz[0]) / 90.0, -1.5, 1e-12);
  EXPECT_NEAR((pz[2] - pz[1]) / 900.0, -1.5, 1e-12);
  // Value at the midpoint Q: the cubic Hermite along the side, z 0 -> 1, slopes 1 and -0.5.
  EXPECT_NEAR(pz[0] + 1.5 * 10.0, 0.5 + (1.0 - (-0.5)) / 8.0, 1e-12);
}

TEST(RenkaInterpolateC1, ExtrapolationIsContinuousWithAnExactGradient) {
  const Surface s = ExactSurface(40, 16, kBowl);
  double previous = Evaluate(s, 2.0, 0.5).pz;
  for (int i = 1; i <= 20000; ++i) {
    const double a = 2 * M_PI * i / 20000.0;
    const double px = 0.5 + 1.5 * std::cos(a), py = 0.5 + 1.5 * std::sin(a);
    const Value v = Evaluate(s, px, py);
    ASSERT_EQ(v.ier, kRenkaExtrapolated);
    EXPECT_NEAR(v.pz, previous, 2e-3) << a;
    previous = v.pz;
    if (i % 97 == 0) {
      const double h = 1e-6;
      const double fx = (Evaluate(s, px + h, py).pz - Evaluate(s, px - h, py).pz) / (2 * h);
      const double fy = (Evaluate(s, px, py + h).pz - Evaluate(s, px, py - h).pz) / (2 * h);
      EXPECT_NEAR(v.pzx, fx, 1e-5) << a;
      EXPECT_NEAR(v.pzy, fy, 1e-5) << a;
    }
  }
}

TEST(RenkaArcCoefficients, CubicCaseAndBranchesThatMeet) {
  double d, sd;
  RenkaArcCoefficients(0.0, 8.0, d, sd);
  EXPECT_DOUBLE_EQ(d, 0.5);
  EXPECT_DOUBLE_EQ(sd, 0.25);
  // Tension tends to the cubic case as sigma -> 0.
  RenkaArcCoefficients(1e-4, 1.0, d, sd);
  EXPECT_NEAR(d, 4.0, 1e-6);
  EXPECT_NEAR(sd, 2.0, 1e-6);
  // The small-argument branch (sigma <= 0.5) and the exponential one meet at 0.5.
  double d2, sd2;
  RenkaArcCoefficients(0.5, 2.0, d, sd);
  RenkaArcCoefficients(std::nextafter(0.5, 1.0), 2.0, d2, sd2);
  EXPECT_NEAR(d2 / d, 1.0, 1e-12);
  EXPECT_NEAR(sd2 / sd, 1.0, 1e-12);
  // Reference at sigma = 2 from the closed forms: D = s(s c - (ssm - 2 s ems)) / E.
  RenkaArcCoefficients(2.0, 1.0, d, sd);
  const double ems = std::exp(-2.0), ssm = 1 - ems * ems, c = (1 - ems) * (1 - ems);
  const double e = 2.0 * ssm - 2 * c;
  EXPECT_NEAR(d, 2.0 * (2.0 * c - (ssm - 4.0 * ems)) / e, 1e-13);
}

TEST(RenkaGradients, EqualSciPyGlobalGradientsAndCloughTocherSurface) {
  // estimate_gradients_2d_global (tol 1e-12, 400 iterations) minimises the same curvature
  // functional. SciPy's element differs from the classical one in the direction of the
  // derivative across a side (towards the neighbour's centroid instead of the normal), so
  // the surface is compared with the classical element written out in the reference script,
  // and only loosely with SciPy's own.
  const auto ref = smooth_test::ReadReference("clough_tocher.txt", 5, 4);
  ASSERT_TRUE(ref.ok);
  std::vector<double> x, y;
  for (const auto& p : ref.points) {
    x.push_back(p[0]);
    y.push_back(p[1]);
  }
  Surface s{Triangulate(x, y), {}, {}, {}};
  ASSERT_EQ(s.mesh.ier, 0);
  double zmin = 1e300, zmax = -1e300;
  for (const auto& p : ref.points) {
    s.z.push_back(p[2]);
    zmin = std::min(zmin, p[2]);
    zmax = std::max(zmax, p[2]);
  }
  int nit = 400;
  double dgmax = 1e-12;
  ASSERT_EQ(EstimateGradients(s, nit, dgmax), 0);
  for (size_t k = 0; k < x.size(); ++k) {
    EXPECT_NEAR(s.gx[k], ref.points[k][3], 1e-6) << k;
    EXPECT_NEAR(s.gy[k], ref.points[k][4], 1e-6) << k;
  }
  int ist = 1;
  for (const auto& g : ref.rows) {
    Value v = Evaluate(s, g[0], g[1], 0, 0, 0.0, ist);
    ist = v.ist;
    ASSERT_EQ(v.ier, 0);
    EXPECT_NEAR(v.pz, g[3], 1e-9 * (zmax - zmin)) << g[0] << "," << g[1];
    EXPECT_NEAR(v.pz, g[2], 2e-3 * (zmax - zmin)) << g[0] << "," << g[1];
  }
}

TEST(WatsonGradients, DerivativeFieldsOfPlanesAndQuadratics) {
  std::vector<double> x, y;
  smooth_test::RandomPoints(300, 21, x, y);
  const int n = static_cast<int>(x.size());
  std::vector<double> z(n), f1(n), f2(n), f3(n), f4(n), f5(n);
  for (int i = 0; i < n; ++i) z[i] = kPlane(x[i], y[i]);
  ASSERT_EQ(WatsonGradientsC1(n, x.data(), y.data(), z.data(), f1.data(), f2.data()), 1);
  for (int i = 0; i < n; ++i) {
    EXPECT_NEAR(f1[i], kPlane.cx, 0.05);  // four sweeps from zero: loosely converged
    EXPECT_NEAR(f2[i], kPlane.cy, 0.05);
  }
  // Each field lands in its own array: x^2, y^2 and xy light up f3, f4 and f5 alone. Four
  // loosely converged sweeps per run leave scatter, so the medians are compared.
  const Quadratic probes[3] = {{0, 0, 0, 1, 0, 0}, {0, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 1, 0}};
  for (const Quadratic& q : probes) {
    for (int i = 0; i < n; ++i) z[i] = q(x[i], y[i]);
    ASSERT_EQ(WatsonGradientsC2(n, x.data(), y.data(), z.data(), f1.data(), f2.data(), f3.data(),
                                f5.data(), f4.data()),
              1);
    auto median = [&](const std::vector<double>& f) {
      std::vector<double> inner;
      for (int i = 0; i < n; ++i)
        if (x[i] > 0.25 && x[i] < 0.75 && y[i] > 0.25 && y[i] < 0.75) inner.push_back(f[i]);
      std::nth_element(inner.begin(), inner.begin() + inner.size() / 2, inner.end());
      return inner[inner.size() / 2];
    };
    EXPECT_NEAR(median(f3), 2 * q.cxx, 0.15);
    EXPECT_NEAR(median(f4), 2 * q.cyy, 0.15);
    EXPECT_NEAR(median(f5), q.cxy, 0.15);
  }
  // Collinear first three nodes: the triangulation fails and so do the wrappers.
  std::vector<double> cx = {0, 1, 2, 0}, cy = {0, 1, 2, 1}, cz = {1, 2, 3, 4}, g1(4), g2(4);
  EXPECT_EQ(WatsonGradientsC1(4, cx.data(), cy.data(), cz.data(), g1.data(), g2.data()), 0);
}

TEST(RenkaInterpolateC1, LatticeDataGiveFiniteValuesEverywhere) {
  // Collinear hull runs (parallel boundary arcs, flat wedges) and cocircular quadruples: the
  // gradients converge and the surface is finite inside and outside the hull.
  std::uint64_t seed = 4242;
  auto next = [&seed](int m) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<int>((seed >> 33) % static_cast<std::uint64_t>(m));
  };
  for (int trial = 0; trial < 100; ++trial) {
    std::vector<double> x = {0, 4, 0}, y = {0, 0, 4};
    std::vector<std::array<int, 2>> used = {{0, 0}, {4, 0}, {0, 4}};
    const int n = 3 + next(20);
    while (static_cast<int>(x.size()) < n) {
      const std::array<int, 2> p{next(5), next(5)};
      if (std::find(used.begin(), used.end(), p) != used.end()) continue;
      used.push_back(p);
      x.push_back(p[0]);
      y.push_back(p[1]);
    }
    Surface s{Triangulate(x, y), {}, {}, {}};
    ASSERT_EQ(s.mesh.ier, 0) << trial;
    for (int i = 0; i < n; ++i) s.z.push_back(next(50) * 0.1);
    int nit = 40;
    double dgmax = 1e-9;
    ASSERT_GE(EstimateGradients(s, nit, dgmax), 0) << trial;
    for (int i = -2; i <= 6; ++i)
      for (int j = -2; j <= 6; ++j) {
        const Value v = Evaluate(s, i * 1.01, j * 0.99);
        ASSERT_GE(v.ier, 0) << trial;
        ASSERT_TRUE(std::isfinite(v.pz) && std::isfinite(v.pzx) && std::isfinite(v.pzy)) << trial;
      }
  }
}

}  // namespace
