// Tension factors and constraint curves: getsig against sampled tension splines, addcst
// forcing arcs into a triangulation and keeping the rest Delaunay, the constraint regions
// as the interpolation reports them, zgradg on planar data, and the refusal of bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "smooth/kernels/renka_interpolation.h"
#include "smooth/numlib/constraint_curves.h"
#include "smooth/numlib/tension_factors.h"
#include "triangulation_test_support.h"

namespace {

using smooth_test::Mesh;
using smooth_test::RandomPoints;
using smooth_test::Triangulate;

// H'(t) and H''(t) of the tension Hermite interpolant of (0, d1) and (delta, d2), from the
// hyperbolic functions themselves in long double (H = d1 t + a (cosh st - 1) + b (sinh st -
// st)), independent of the library's normalised form.
struct Slope {
  long double first, second;
};
Slope Reference(long double delta, long double d1, long double d2, long double s, long double t) {
  const long double ch = std::cosh(s) - 1, sh = std::sinh(s) - s;
  const long double dch = s * std::sinh(s), dsh = s * ch;
  const long double r1 = delta - d1, r2 = d2 - d1, det = ch * dsh - sh * dch;
  const long double a = (r1 * dsh - sh * r2) / det, b = (ch * r2 - r1 * dch) / det;
  return {d1 + a * s * std::sinh(s * t) + b * s * (std::cosh(s * t) - 1),
          a * s * s * std::cosh(s * t) + b * s * s * std::sinh(s * t)};
}

// Whether the sampled interpolant keeps monotonicity (the sign of H') or convexity (the
// sign of H''), as the data ask.
bool Keeps(long double delta, long double d1, long double d2, long double s, bool convexity) {
  const long double sign = convexity ? (d2 >= d1 ? 1 : -1) : (delta + d1 + d2 >= 0 ? 1 : -1);
  const long double scale = std::fabs(delta) + std::fabs(d1) + std::fabs(d2);
  for (int i = 0; i <= 4000; ++i) {
    const Slope h = Reference(delta, d1, d2, s, i / 4000.0L);
    const long double v = convexity ? h.second : h.first;
    if (sign * v < -1e-9L * scale) return false;
  }
  return true;
}

TEST(TensionFactors, CubicThatKeepsShapeNeedsNoTension) {
  struct Arc {
    double delta, d1, d2;
  };
  for (const Arc a : {Arc{1, 1, 1}, Arc{1, 0.5, 1.5}, Arc{0, 0, 0}, Arc{-2, -1.5, -2.5},
                      Arc{0.2, -1, 2}, Arc{1, 1.2, 0.9}}) {
    EXPECT_EQ(ArcTensionFactor(a.delta, a.d1, a.d2, 0), 0.0) << a.delta << " " << a.d1 << " " << a.d2;
  }
}

TEST(TensionFactors, SmallestFactorKeepsTheShapeAndNineTenthsLoseIt) {
  struct Arc {
    double delta, d1, d2;
    bool monotone, convex;  // the properties of the data
  };
  const Arc arcs[] = {
      {1, 0, 5, true, true},       // steep end: monotone and convex
      {1, 4, 4, true, false},      // overshoots in the middle: monotone only
      {-0.5, -1, 2, false, true},  // convex, not monotone
      {-1, -3, -0.2, true, true},  // falling, convex
      {1, 2, 6, true, false},      // steep at both ends: overshoots back
      {0.3, 0.01, 6, true, true},
  };
  for (const Arc& a : arcs) {
    const double s = ArcTensionFactor(a.delta, a.d1, a.d2, 0);
    ASSERT_GT(s, 0) << a.delta << " " << a.d1 << " " << a.d2;
    ASSERT_LT(s, kMaxTension);
    if (a.monotone) {
      EXPECT_TRUE(Keeps(a.delta, a.d1, a.d2, s, false)) << a.delta << " " << s;
    }
    if (a.convex) {
      EXPECT_TRUE(Keeps(a.delta, a.d1, a.d2, s, true)) << a.delta << " " << s;
    }
    // Below the factor the property that set it fails.
    const bool lost = (a.monotone && !Keeps(a.delta, a.d1, a.d2, 0.9 * s, false)) ||
                      (a.convex && !Keeps(a.delta, a.d1, a.d2, 0.9 * s, true));
    EXPECT_TRUE(lost) << a.delta << " " << a.d1 << " " << a.d2 << " s " << s;
    // The library's own derivatives agree with the reference.
    for (double t : {0.0, 0.3, 0.77, 1.0}) {
      const TArcSlope got = ArcHermiteDerivatives(a.delta, a.d1, a.d2, s, t);
      const Slope ref = Reference(a.delta, a.d1, a.d2, s, t);
      const double first = static_cast<double>(ref.first), second = static_cast<double>(ref.second);
      EXPECT_NEAR(got.first, first, 1e-9 * (1 + std::fabs(first)));
      EXPECT_NEAR(got.second, second, 1e-8 * (1 + std::fabs(second)));
    }
  }
}

TEST(TensionFactors, FlatMonotoneArcsAndChordEndsNeedTheCap) {
  EXPECT_EQ(ArcTensionFactor(0, 0, 1, 0), kMaxTension);   // monotone with no rise
  EXPECT_EQ(ArcTensionFactor(1, 1, 3, 0), kMaxTension);   // convex with a chord slope at one end
}

// getsig over a triangulation: planar and quadratic data with their exact gradients keep
// shape as cubics (every factor 0); data with a ridge need tension on the arcs across it.
TEST(TensionFactors, TriangulationFactorsFollowTheData) {
  std::vector<double> x, y;
  RandomPoints(80, 7, x, y);
  Mesh m = Triangulate(x, y);
  ASSERT_EQ(m.ier, 0);
  const int n = m.n();
  struct Field {
    double (*f)(double, double);
    double (*fx)(double, double);
    double (*fy)(double, double);
    bool tense;
  };
  const Field fields[] = {
      {[](double u, double v) { return 1 + 2 * u - 3 * v; }, [](double, double) { return 2.0; },
       [](double, double) { return -3.0; }, false},
      {[](double u, double v) { return u * u + v * v; }, [](double u, double) { return 2 * u; },
       [](double, double v) { return 2 * v; }, false},
      {[](double u, double) { return std::tanh(40 * (u - 0.5)); },
       [](double u, double) { return 40 / std::pow(std::cosh(40 * (u - 0.5)), 2); },
       [](double, double) { return 0.0; }, true},
  };
  for (const Field& field : fields) {
    std::vector<double> z(n), gx(n), gy(n), sigma(6 * n, -1);
    for (int k = 0; k < n; ++k) {
      z[k] = field.f(x[k], y[k]);
      gx[k] = field.fx(x[k], y[k]);
      gy[k] = field.fy(x[k], y[k]);
    }
    double dsmax = -1;
    int ier = -9;
    getsig(0, n, x.data(), y.data(), z.data(), m.list.data(), m.lptr.data(), m.lend.data(),
           gx.data(), gy.data(), 0, 0, sigma.data(), dsmax, ier);
    ASSERT_EQ(ier, 0);
    double largest = 0;
    for (int k = 1; k <= n; ++k)
      for (int lp = m.lptr[m.lend[k - 1] - 1];; lp = m.lptr[lp - 1]) {
        const int j = std::abs(m.list[lp - 1]);
        // Both ends of an arc carry one factor.
        const int back = RenkaListIndex(m.lend[j - 1], k, m.list.data(), m.lptr.data());
        EXPECT_EQ(sigma[lp - 1], sigma[back - 1]);
        largest = std::max(largest, sigma[lp - 1]);
        if (lp == m.lend[k - 1]) break;
      }
    if (field.tense)
      EXPECT_GT(largest, 1.0);
    else
      EXPECT_LT(largest, 1e-6);
    EXPECT_GE(dsmax, largest);  // from the -1 they held before
  }
}

TEST(TensionFactors, BadInputIsRefused) {
  std::vector<double> x, y;
  RandomPoints(10, 3, x, y);
  Mesh m = Triangulate(x, y);
  std::vector<double> z(10, 1), gx(10, 0), gy(10, 0), sigma(60, 0);
  double dsmax = 0;
  int ier = 0;
  auto call = [&](int ncc, int n, int iflgs) {
    getsig(ncc, n, x.data(), y.data(), z.data(), m.list.data(), m.lptr.data(), m.lend.data(),
           gx.data(), gy.data(), iflgs, 0, sigma.data(), dsmax, ier);
    return ier;
  };
  EXPECT_EQ(call(-1, 10, 0), -1);
  EXPECT_EQ(call(0, 2, 0), -1);
  EXPECT_EQ(call(0, 10, 1), -1);
  gx[4] = std::nan("");
  EXPECT_EQ(call(0, 10, 0), -1);
  gx[4] = 0;
  EXPECT_EQ(call(0, 10, 0), 0);
}

// Data around a long thin hole whose long sides the Delaunay triangulation does not hold.
struct Holed {
  Mesh mesh;
  int first;  // first node of the hole's curve
};
Holed HoledData(bool counterClockwise) {
  std::vector<double> x, y;
  RandomPoints(300, 11, x, y);
  std::vector<double> hx, hy;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (std::fabs(y[i] - 0.5) > 0.03 || x[i] < 0.28 || x[i] > 0.72) hx.push_back(x[i]), hy.push_back(y[i]);
  const int first = static_cast<int>(hx.size()) + 1;
  const double cx[4] = {0.3, 0.7, 0.7, 0.3}, cy[4] = {0.49, 0.49, 0.51, 0.51};
  for (int i = 0; i < 4; ++i) {
    const int j = counterClockwise ? i : 3 - i;
    hx.push_back(cx[j]);
    hy.push_back(cy[j]);
  }
  return {Triangulate(hx, hy), first};
}

bool IsArc(const Mesh& m, int a, int b) {
  const int lp = RenkaListIndex(m.lend[a - 1], b, m.list.data(), m.lptr.data());
  return std::abs(m.list[lp - 1]) == b;
}

TEST(ConstraintCurves, ForcedArcsJoinTheTriangulationWhichStaysDelaunayElsewhere) {
  Holed h = HoledData(true);
  Mesh& m = h.mesh;
  ASSERT_EQ(m.ier, 0);
  const int n = m.n();
  ASSERT_FALSE(IsArc(m, h.first, h.first + 1));  // the long side is not an arc yet
  std::vector<int> work(2 * n);
  int lwk = 2 * n, ier = -9;
  addcst(1, &h.first, n, m.x.data(), m.y.data(), lwk, work.data(), m.list.data(), m.lptr.data(),
         m.lend.data(), ier);
  ASSERT_EQ(ier, 0);
  EXPECT_GT(lwk, 0);
  for (int k = h.first; k <= n; ++k) EXPECT_TRUE(IsArc(m, k, k < n ? k + 1 : h.first)) << k;
  // Every triangle is counter-clockwise, the triangles cover the hull exactly (Euler), and
  // every arc but the constraint ones passes the circumcircle test.
  const auto triangles = smooth_test::Triangles(m);
  int hull = 0;
  for (int k = 1; k <= n; ++k) hull += m.list[m.lend[k - 1] - 1] < 0;
  EXPECT_EQ(static_cast<int>(triangles.size()), 2 * n - 2 - hull);
  for (const auto& t : triangles) {
    EXPECT_NE(smooth_test::Cross(m, t[0], t[1], t[2]), 0.0L);
  }
  int inHole = 0;
  for (const auto& sorted : triangles) {
    std::array<int, 3> t = sorted;
    if (smooth_test::Cross(m, t[0], t[1], t[2]) < 0) std::swap(t[1], t[2]);
    const bool constrained = InConstraintRegion(t[0], t[1], t[2], 1, &h.first, n);
    inHole += constrained;
    // Constrained exactly when all three corners are the hole's.
    EXPECT_EQ(constrained, t[0] >= h.first && t[1] >= h.first && t[2] >= h.first);
  }
  // Locally Delaunay across every arc that is not a side of the hole: the node beyond the
  // arc lies outside the circumcircle of the triangle on this side.
  auto side = [&](int a, int b) {
    return a >= h.first && b >= h.first && (std::abs(a - b) == 1 || std::abs(a - b) == 3);
  };
  for (int p = 1; p <= n; ++p) {
    const std::vector<int> ring = smooth_test::Ring(m, p);
    const int size = static_cast<int>(ring.size());
    for (int i = 0; i < size; ++i) {
      if (ring[i] < 0 || ring[(i + 1) % size] < 0) continue;  // no triangle on that side
      const int q = ring[i], r = std::abs(ring[(i + 1) % size]);
      const int back = std::abs(ring[(i + size - 1) % size]);
      if (side(p, q) || (i == 0 && ring.back() < 0)) continue;
      EXPECT_LE(smooth_test::InCircle(m, p, q, r, back), 1e-12L) << p << " " << q;
    }
  }
  EXPECT_EQ(inHole, 2);
}

TEST(ConstraintCurves, InvalidCurvesAndRegionsAreRefused) {
  Holed h = HoledData(false);  // clockwise: the hole excludes everything outside it
  Mesh& m = h.mesh;
  const int n = m.n();
  std::vector<int> work(2 * n);
  int lwk = 2 * n, ier = 0;
  auto run = [&](int ncc, const int* lcc, int room) {
    Mesh copy = m;
    lwk = room;
    addcst(ncc, lcc, n, copy.x.data(), copy.y.data(), lwk, work.data(), copy.list.data(),
           copy.lptr.data(), copy.lend.data(), ier);
    return ier;
  };
  EXPECT_EQ(run(1, &h.first, 2 * n), kConstraintNodeInside);
  const int tooShort = n - 1, zero = 0;
  EXPECT_EQ(run(1, &tooShort, 2 * n), kConstraintInvalid);
  EXPECT_EQ(run(1, &zero, 2 * n), kConstraintInvalid);
  EXPECT_EQ(run(-1, &h.first, 2 * n), kConstraintInvalid);
  EXPECT_EQ(run(1, &h.first, 0), kConstraintWorkSpace);
  EXPECT_GT(lwk, 0);  // the room it needs
  EXPECT_EQ(run(0, nullptr, 0), 0);
}

TEST(ConstraintCurves, CrossingCurvesAndCurvesThroughNodesAreRefused) {
  auto run = [](std::vector<double> x, std::vector<double> y, std::vector<int> lcc) {
    Mesh m = Triangulate(std::move(x), std::move(y));
    EXPECT_EQ(m.ier, 0);
    const int n = m.n();
    std::vector<int> work(2 * n);
    int lwk = 2 * n, ier = -9;
    addcst(static_cast<int>(lcc.size()), lcc.data(), n, m.x.data(), m.y.data(), lwk, work.data(),
           m.list.data(), m.lptr.data(), m.lend.data(), ier);
    return ier;
  };
  // Corners 1..4; a diamond 5..8 (counter-clockwise); a thin upright rectangle 9..12 whose
  // long sides cut through the diamond.
  EXPECT_EQ(run({0, 1, 1, 0, 0.3, 0.5, 0.7, 0.5, 0.45, 0.55, 0.55, 0.45},
                {0, 0, 1, 1, 0.5, 0.3, 0.5, 0.7, 0.1, 0.1, 0.9, 0.9}, {5, 9}),
            kConstraintCrossing);
  // Corners 1..4, node 5 at the centre; the curve 6..8 runs from (0.5, 0.2) to (0.5, 0.8)
  // straight through node 5.
  EXPECT_EQ(run({0, 1, 1, 0, 0.5, 0.5, 0.5, 0.3}, {0, 0, 1, 1, 0.5, 0.2, 0.8, 0.5}, {6}),
            kConstraintThroughNode);
}

TEST(ConstraintCurves, ValuesAndGradientsAtCurveNodesRecoverAPlane) {
  std::vector<double> x, y;
  RandomPoints(60, 5, x, y);
  const int data = 60;
  // A clockwise frame of 12 nodes around the unit square.
  const double fx[12] = {-0.1, -0.1, -0.1, -0.1, 0.3, 0.7, 1.1, 1.1, 1.1, 1.1, 0.7, 0.3};
  const double fy[12] = {-0.1, 0.3, 0.7, 1.1, 1.1, 1.1, 1.1, 0.7, 0.3, -0.1, -0.1, -0.1};
  for (int i = 0; i < 12; ++i) x.push_back(fx[i]), y.push_back(fy[i]);
  Mesh m = Triangulate(x, y);
  ASSERT_EQ(m.ier, 0);
  const int n = m.n(), lcc = data + 1;
  std::vector<int> work(2 * n);
  int lwk = 2 * n, ier = 0;
  addcst(1, &lcc, n, m.x.data(), m.y.data(), lwk, work.data(), m.list.data(), m.lptr.data(),
         m.lend.data(), ier);
  ASSERT_EQ(ier, 0);
  auto plane = [](double u, double v) { return 2 - 1.5 * u + 0.25 * v; };
  for (int withValues : {1, 0}) {
    std::vector<double> z(n), gx(n), gy(n);
    for (int k = 0; k < n; ++k) {
      const bool curve = k >= data;
      z[k] = curve && withValues ? 0 : plane(x[k], y[k]);
      gx[k] = curve ? 0 : -1.5;
      gy[k] = curve ? 0 : 0.25;
    }
    int nit = 6;
    double dzmax = 1e-5;
    const double zero = 0;
    zgradg(1, &lcc, n, m.x.data(), m.y.data(), m.list.data(), m.lptr.data(), m.lend.data(), 0,
           &zero, nit, dzmax, z.data(), gx.data(), gy.data(), withValues, ier);
    ASSERT_EQ(ier, 0);
    for (int k = data; k < n; ++k) {
      EXPECT_NEAR(z[k], plane(x[k], y[k]), 1e-12);
      EXPECT_NEAR(gx[k], -1.5, 1e-12);
      EXPECT_NEAR(gy[k], 0.25, 1e-12);
    }
  }
  // Inside the frame no triangle is constrained: the interpolation reports 0, outside 2.
  std::vector<double> z(n), gx(n, -1.5), gy(n, 0.25);
  for (int k = 0; k < n; ++k) z[k] = plane(x[k], y[k]);
  const double zero = 0;
  for (double px : {-0.05, 0.02, 0.5, 1.05}) {
    int ist = 1;
    double f, dfx, dfy;
    intrc1(px, -0.05, 1, &lcc, n, m.x.data(), m.y.data(), z.data(), m.list.data(), m.lptr.data(),
           m.lend.data(), 0, &zero, gx.data(), gy.data(), 0, ist, f, dfx, dfy, ier);
    EXPECT_EQ(ier, 0) << px;
    EXPECT_NEAR(f, plane(px, -0.05), 1e-12);
  }
  int ist = 1;
  double f, dfx, dfy;
  intrc1(1.5, 0.5, 1, &lcc, n, m.x.data(), m.y.data(), z.data(), m.list.data(), m.lptr.data(),
         m.lend.data(), 0, &zero, gx.data(), gy.data(), 0, ist, f, dfx, dfy, ier);
  EXPECT_EQ(ier, kRenkaExtrapolated);
}

TEST(ConstraintCurves, ZgradgRefusesBadInput) {
  std::vector<double> x, y;
  RandomPoints(20, 9, x, y);
  Mesh m = Triangulate(x, y);
  std::vector<double> z(20, 1), gx(20), gy(20);
  const double zero = 0;
  auto run = [&](int ncc, int lcc, int nit, double dzmax) {
    int ier = 0;
    zgradg(ncc, &lcc, 20, m.x.data(), m.y.data(), m.list.data(), m.lptr.data(), m.lend.data(), 0,
           &zero, nit, dzmax, z.data(), gx.data(), gy.data(), 1, ier);
    return ier;
  };
  EXPECT_EQ(run(0, 15, 6, 1e-5), -1);
  EXPECT_EQ(run(1, 19, 6, 1e-5), -1);  // a curve of two nodes
  EXPECT_EQ(run(1, 15, 0, 1e-5), -1);
  EXPECT_EQ(run(1, 15, 6, -1), -1);
  EXPECT_GE(run(1, 15, 6, 1e-5), 0);
}

}  // namespace
