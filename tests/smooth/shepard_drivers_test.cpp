// The Shepard and natural-neighbour methods of the scattered-data engine (codes 4, 5, 6) and
// Renka I's frame and tension options (code 3): the counts handed to the library, the
// fallbacks for few points, the quadratic method's second derivatives, surfaces recovered
// in data units, and the frame's nodes, values and tension factors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "app/long_double.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/libs/numerical_library.h"
#include "smooth/numlib/tension_factors.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Scattered;
using smooth_test::ScaledError;
using smooth_test::ScopedNumLib;
using smooth_test::Table;
using smooth_test::TPoint;

long double Quadratic(long double x, long double y) {
  return 1 + 0.5L * x - 2 * y + 0.8L * x * x - 0.6L * x * y + 1.1L * y * y;
}
long double Cubic(long double x, long double y) {
  return Quadratic(x, y) + 0.3L * x * x * x - 0.2L * x * x * y + 0.4L * x * y * y - 0.1L * y * y * y;
}
long double Wavy(long double x, long double y) { return std::sin(3 * x) * std::cos(2 * y); }

// What the stand-ins saw: the set-up routine called and its counts, and the points at which
// the quadratic gradient was asked.
struct TSeen {
  int quadratic = 0, cubic = 0, cosine = 0;
  int nfit = 0, nw = 0;
  std::vector<double> gradientU, gradientV;
} g_seen;

void CountingQshep2(int n, const double* x, const double* y, const double* f, int nq, int nw,
                    int nr, int* lcell, int* lnext, double& xmin, double& ymin, double& dx,
                    double& dy, double& rmax, double* radii, double* a, int& ier) {
  ++g_seen.quadratic;
  g_seen.nfit = nq;
  g_seen.nw = nw;
  qshep2(n, x, y, f, nq, nw, nr, lcell, lnext, xmin, ymin, dx, dy, rmax, radii, a, ier);
}

void CountingCshep2(int n, const double* x, const double* y, const double* f, int nc, int nw,
                    int nr, int* lcell, int* lnext, double& xmin, double& ymin, double& dx,
                    double& dy, double& rmax, double* radii, double* a, int& ier) {
  ++g_seen.cubic;
  g_seen.nfit = nc;
  g_seen.nw = nw;
  cshep2(n, x, y, f, nc, nw, nr, lcell, lnext, xmin, ymin, dx, dy, rmax, radii, a, ier);
}

void CountingTshep2(int n, const double* x, const double* y, const double* f, int nc, int nw,
                    int nr, int* lcell, int* lnext, double& xmin, double& ymin, double& dx,
                    double& dy, double& kappa, double& ratio, double& rmax, double* radii,
                    double* a, int& ier) {
  ++g_seen.cosine;
  g_seen.nfit = nc;
  g_seen.nw = nw;
  tshep2(n, x, y, f, nc, nw, nr, lcell, lnext, xmin, ymin, dx, dy, kappa, ratio, rmax, radii, a,
         ier);
}

void RecordingQs2grd(double px, double py, int n, const double* x, const double* y,
                     const double* f, int nr, const int* lcell, const int* lnext,
                     const double& xmin, const double& ymin, const double& dx, const double& dy,
                     const double& rmax, const double* radii, const double* a, double& q,
                     double& qx, double& qy, int& ier) {
  g_seen.gradientU.push_back(px);
  g_seen.gradientV.push_back(py);
  qs2grd(px, py, n, x, y, f, nr, lcell, lnext, xmin, ymin, dx, dy, rmax, radii, a, q, qx, qy, ier);
}

class ShepardDrivers : public ::testing::Test {
 protected:
  ShepardDrivers() : library_(Counting()) { g_seen = TSeen{}; }
  static TNumLibTable Counting() {
    TNumLibTable table = BuiltInNumLib();
    ServeNumLibEntry<TNumLibEntry::qshep2>(table, &CountingQshep2);
    ServeNumLibEntry<TNumLibEntry::cshep2>(table, &CountingCshep2);
    ServeNumLibEntry<TNumLibEntry::tshep2>(table, &CountingTshep2);
    ServeNumLibEntry<TNumLibEntry::qs2grd>(table, &RecordingQs2grd);
    return table;
  }
  ScopedNumLib library_;
};

TEST_F(ShepardDrivers, RenkaTwoOnFivePointsFailsBeforeTheLibrary) {
  PointTable data = Table(Scattered(5, 1, Wavy));
  TNParm3D engine(data, kNPRenka2, 1, 13, false);
  EXPECT_FALSE(engine.HasSurface());
  EXPECT_EQ(g_seen.quadratic + g_seen.cubic, 0);
  EXPECT_EQ(engine.EvalAt(0.5L, 0.5L), 0.0L);
}

TEST_F(ShepardDrivers, NinePointsRunTheQuadraticMethodAndRenkaThreeFails) {
  PointTable data = Table(Scattered(9, 2, Wavy));
  TNParm3D engine(data, kNPRenka2, 2, 17, false);
  EXPECT_TRUE(engine.HasSurface());
  EXPECT_EQ(g_seen.quadratic, 1);
  EXPECT_EQ(g_seen.cubic, 0);
  engine.SetMethod(kNPRenka3, 2, 18);
  EXPECT_FALSE(engine.HasSurface());
  EXPECT_EQ(g_seen.cosine, 0);
  PointTable ten = Table(Scattered(10, 2, Wavy));
  TNParm3D enough(ten, kNPRenka3, 2, 18, false);
  EXPECT_TRUE(enough.HasSurface());
  EXPECT_EQ(g_seen.cosine, 1);
}

TEST_F(ShepardDrivers, NodeCountsFollowOptionTwoWithinTheLimits) {
  struct Case {
    int points, code, option1, option2;
    int nfit, nw;
  };
  const Case cases[] = {
      {60, kNPRenka2, 1, 7, 7, 10},    // 7 * 19 / 13 = 10
      {60, kNPRenka2, 2, 17, 17, 30},  // 17 * 30 / 17 = 30
      {60, kNPRenka2, 2, 25, 25, 40},  // 25 * 30 / 17 = 44, at most 40
      {60, kNPRenka2, 1, 5, 5, 7},
      {12, kNPRenka2, 2, 17, 11, 11},  // at most N - 1
      {60, kNPRenka3, 2, 18, 18, 32},  // 18 * 32 / 18
      {60, kNPRenka3, 2, 9, 9, 16},
      {20, kNPRenka3, 2, 18, 18, 19},
  };
  for (const Case& c : cases) {
    PointTable data = Table(Scattered(c.points, 3, Wavy));
    g_seen = TSeen{};
    TNParm3D engine(data, c.code, c.option1, c.option2, false);
    EXPECT_TRUE(engine.HasSurface());
    EXPECT_EQ(g_seen.nfit, c.nfit) << c.points << " " << c.option2;
    EXPECT_EQ(g_seen.nw, c.nw) << c.points << " " << c.option2;
  }
}

TEST_F(ShepardDrivers, QuadraticSecondDerivativesAreDifferencesOfLibraryGradients) {
  // x over [2, 6], y over [-1, 0]: unit steps 4 and 1.
  PointTable data = Table(Scattered(80, 4, Quadratic, 2, 4, -1, 1));
  TNParm3D engine(data, kNPRenka2, 1, 13, false);
  ASSERT_TRUE(engine.HasSurface());
  const long double x = 3.9L, y = -0.45L;
  struct Mode {
    int mode;
    long double want;
  };
  for (const Mode m : {Mode{kDerivXX, 1.6L}, Mode{kDerivYY, 2.2L}, Mode{kDerivXY, -0.6L}}) {
    g_seen.gradientU.clear();
    g_seen.gradientV.clear();
    const long double got = engine.EvalMode(x, y, m.mode);
    ASSERT_EQ(g_seen.gradientU.size(), 2u);
    const double du = g_seen.gradientU[1] - g_seen.gradientU[0];
    const double dv = g_seen.gradientV[1] - g_seen.gradientV[0];
    EXPECT_NEAR(m.mode == kDerivYY ? dv : du, 2e-6, 1e-15);
    EXPECT_EQ(m.mode == kDerivYY ? du : dv, 0.0);
    // A quadratic's gradient is linear: its differences are exact but for rounding.
    EXPECT_NEAR(static_cast<double>(got), static_cast<double>(m.want), 2e-4) << m.mode;
  }
}

TEST_F(ShepardDrivers, SurfacesRecoverTheirPolynomialsInDataUnits) {
  struct Case {
    int code, option1, option2;
    long double (*f)(long double, long double);
  };
  const Case cases[] = {{kNPRenka2, 1, 13, Quadratic}, {kNPRenka2, 2, 17, Cubic}};
  for (const Case& c : cases) {
    PointTable data = Table(Scattered(150, 5, c.f, -2, 4, 10, 0.5L));
    TNParm3D engine(data, c.code, c.option1, c.option2, false);
    ASSERT_TRUE(engine.HasSurface());
    for (const TPoint& p : Scattered(20, 6, c.f, -1.8L, 3.6L, 10.05L, 0.4L)) {
      EXPECT_LT(ScaledError(engine.EvalAt(p.x, p.y), p.z), 1e-11L);
      const long double h = 1e-4L;
      const long double fx = (c.f(p.x + h, p.y) - c.f(p.x - h, p.y)) / (2 * h);
      const long double fy = (c.f(p.x, p.y + h) - c.f(p.x, p.y - h)) / (2 * h);
      EXPECT_LT(ScaledError(engine.EvalDx(p.x, p.y), fx), 1e-7L);
      EXPECT_LT(ScaledError(engine.EvalDy(p.x, p.y), fy), 1e-7L);
    }
    EXPECT_EQ(engine.Sse(), 0.0L);
  }
  // The cubic method's Hessian of a cubic, from the library's own second derivatives.
  PointTable data = Table(Scattered(150, 7, Cubic, -2, 4, 10, 0.5L));
  TNParm3D engine(data, kNPRenka2, 2, 17, false);
  const long double x = 0.3L, y = 10.2L;
  EXPECT_LT(ScaledError(engine.EvalDxx(x, y), 1.6L + 1.8L * x - 0.4L * y), 1e-6L);
  EXPECT_LT(ScaledError(engine.EvalDyy(x, y), 2.2L + 0.8L * x - 0.6L * y), 1e-6L);
  EXPECT_LT(ScaledError(engine.EvalDxy(x, y), -0.6L - 0.4L * x + 0.8L * y), 1e-6L);
}

TEST_F(ShepardDrivers, NodesAreInterpolatedAndPointsBeyondEveryRadiusGiveZero) {
  PointTable data = Table(Scattered(120, 8, Wavy));
  for (const int code : {kNPRenka2, kNPRenka3}) {
    TNParm3D engine(data, code, 2, 17, false);
    ASSERT_TRUE(engine.HasSurface());
    const std::span<const TXYZPoint> merged = engine.Working();
    for (int i = 1; i <= engine.PointCount(); ++i) {
      const TXYZPoint& p = merged[static_cast<std::size_t>(i)];
      EXPECT_EQ(engine.EvalAt(p.X, p.Y), static_cast<double>(p.Z)) << code << " " << i;
    }
    // Far outside the data no radius reaches: 0, not the missing value.
    EXPECT_EQ(engine.EvalAt(5, 5), 0.0L);
    EXPECT_EQ(engine.EvalDx(5, 5), 0.0L);
    EXPECT_EQ(engine.EvalDxy(5, 5), 0.0L);
    const std::vector<long double> axis{0.5L, 5.0L};
    const std::vector<long double> grid = engine.EvalGrid(2, 2, axis, axis);
    ASSERT_EQ(grid.size(), 4u);
    EXPECT_EQ(grid[3], 0.0L);
    EXPECT_EQ(grid[0], engine.EvalAt(0.5L, 0.5L));
  }
}

TEST(WatsonDriver, ScalingAnAxisScalesNothingInsideTheMethod) {
  const std::vector<TPoint> points = Scattered(80, 9, Wavy);
  std::vector<TPoint> stretched = points;
  for (TPoint& p : stretched) p.x *= 1000;
  PointTable a = Table(points), b = Table(stretched);
  for (const int variant : {0, 3}) {
    TNParm3D plain(a, kNPWatson, variant == 0 ? 0 : 1, variant, false);
    TNParm3D scaled(b, kNPWatson, variant == 0 ? 0 : 1, variant, false);
    ASSERT_TRUE(plain.HasSurface());
    ASSERT_TRUE(scaled.HasSurface());
    for (const TPoint& p : Scattered(25, 10, Wavy, 0.05L, 0.9L, 0.05L, 0.9L)) {
      const long double v = plain.EvalAt(p.x, p.y);
      EXPECT_NEAR(static_cast<double>(scaled.EvalAt(1000 * p.x, p.y)), static_cast<double>(v),
                  1e-9 * (1 + std::fabs(static_cast<double>(v))));
      // The derivative along the stretched axis is a thousandth.
      EXPECT_NEAR(static_cast<double>(scaled.EvalDx(1000 * p.x, p.y) * 1000),
                  static_cast<double>(plain.EvalDx(p.x, p.y)), 1e-4);
    }
    // Beyond the interpolator's reach: no value.
    EXPECT_EQ(plain.EvalAt(1e9L, 0.5L), ExprErrorValue);
    EXPECT_EQ(plain.EvalAt(std::nanl(""), 0.5L), ExprErrorValue);
    // The grid holds the point values.
    const std::vector<long double> xs{0.2L, 0.7L}, ys{0.4L, 0.6L};
    const std::vector<long double> grid = plain.EvalGrid(2, 2, xs, ys);
    ASSERT_EQ(grid.size(), 4u);
    EXPECT_EQ(grid[1], plain.EvalAt(0.7L, 0.4L));
    EXPECT_EQ(grid[2], plain.EvalAt(0.2L, 0.6L));
  }
}

// Moving the data far from the origin moves nothing inside the method either: at x 1e6 .. 1e6
// + 1 a double holds x to 1e-10, and the numerical derivative's step (1e-6 of the range) to
// 1e-4, yet the surface, its gradient and a uniform grid made by Watson's method are those
// at the origin. (Second differences over steps of 1e-6 at 1e6 are beyond even the long
// doubles of the positions.)
TEST(WatsonDriver, DataFarFromTheOriginHaveTheSurfaceOfTheOrigin) {
  const std::vector<TPoint> points = Scattered(80, 9, Wavy);
  std::vector<TPoint> moved = points;
  for (TPoint& p : moved) {
    p.x += 1e6L;
    p.y -= 2e5L;
  }
  PointTable a = Table(points), b = Table(moved);
  for (const int variant : {0, 3}) {
    SCOPED_TRACE(variant);
    TNParm3D nearE(a, kNPWatson, variant == 0 ? 0 : 1, variant, false);
    TNParm3D farE(b, kNPWatson, variant == 0 ? 0 : 1, variant, false);
    ASSERT_TRUE(farE.HasSurface());
    for (const TPoint& p : Scattered(25, 10, Wavy, 0.05L, 0.9L, 0.05L, 0.9L))
      for (int mode = 0; mode < 3; ++mode)
        EXPECT_NEAR(static_cast<double>(farE.EvalMode(p.x + 1e6L, p.y - 2e5L, mode)),
                    static_cast<double>(nearE.EvalMode(p.x, p.y, mode)), mode == 0 ? 1e-10 : 1e-5)
            << "mode " << mode;
  }
  TSpline3D nearGrid(a, kGridBSpline, 3, 3, 0, 0, 9, 8, kRegridWatson, true);
  TSpline3D farGrid(b, kGridBSpline, 3, 3, 0, 0, 9, 8, kRegridWatson, true);
  for (const long double u : {0.1L, 0.45L, 0.8L})
    EXPECT_NEAR(static_cast<double>(farGrid.EvalAt(u + 1e6L, 0.5L - 2e5L)), static_cast<double>(nearGrid.EvalAt(u, 0.5L)),
                1e-12);
}

// Outside the data's hull Watson's surface runs on towards the data's plane; beyond every
// circumcircle of its triangulation (tens of data ranges out) it has no value: the point,
// its numerical derivatives and its grid node are missing, never a height of 0.
TEST(WatsonDriver, BeyondItsReachThereIsNoValue) {
  // z = 3 + 2x - y: the plane the far vertices carry, reproduced outside the hull too.
  std::vector<TPoint> points = Scattered(60, 11, Wavy);
  for (TPoint& p : points) p.z = 3 + 2 * p.x - p.y;
  PointTable data = Table(points);
  for (const int variant : {0, 2}) {
    SCOPED_TRACE(variant);
    TNParm3D engine(data, kNPWatson, variant == 0 ? 0 : 1, variant, false);
    ASSERT_TRUE(engine.HasSurface());
    EXPECT_NEAR(static_cast<double>(engine.EvalAt(3, -2)), 3 + 6 + 2, 1e-6);
    EXPECT_NEAR(static_cast<double>(engine.EvalDx(3, -2)), 2, 0.05);
    for (const auto& [x, y] : {std::pair{1e3L, 0.5L}, std::pair{0.5L, -1e3L}, std::pair{-1e6L, 1e6L}}) {
      EXPECT_EQ(engine.EvalAt(x, y), ExprErrorValue) << x << ", " << y;
      for (int mode = kDerivX; mode <= kDerivXY; ++mode)
        EXPECT_EQ(engine.EvalMode(x, y, mode), ExprErrorValue) << mode;
    }
    const std::vector<long double> xs{0.5L, 1e3L}, ys{0.5L};
    const std::vector<long double> grid = engine.EvalGrid(2, 1, xs, ys);
    ASSERT_EQ(grid.size(), 2u);
    EXPECT_NEAR(static_cast<double>(grid[0]), 3 + 1 - 0.5, 1e-6);
    EXPECT_EQ(grid[1], ExprErrorValue);
  }
}

// Data at the ends of the double range, on a line, or with values that are not numbers (and
// Renka I with its frame and tension on them):
// every set-up and evaluation answers without reading past an array (run under the
// sanitizers).
TEST(ShepardDriversHostile, ExtremeAndDegenerateDataAreHandled) {
  std::vector<std::vector<TPoint>> sets;
  sets.push_back(Scattered(40, 50, Wavy, -1e300L, 1e300L, 1e300L, 1e299L));
  sets.push_back(Scattered(40, 51, Wavy, 1, 1e-300L, 1, 1e-300L));
  std::vector<TPoint> line = Scattered(40, 52, Wavy);
  for (TPoint& p : line) p.y = 0.5L;
  sets.push_back(line);
  std::vector<TPoint> nan = Scattered(40, 53, Wavy);
  nan[7].z = std::nanl("");
  nan[9].x = HUGE_VALL;
  sets.push_back(nan);
  for (const auto& points : sets) {
    PointTable data = Table(points);
    for (const int code : {kNPRenka1, kNPRenka2, kNPRenka3, kNPWatson}) {
      const int option1 = code == kNPRenka1 || code == kNPWatson ? 1 : 2;
      const int option2 = code == kNPRenka1 ? 1 : code == kNPWatson ? 5 : 17;
      TNParm3D engine(data, code, option1, option2, false);
      const std::vector<long double> xs{engine.XMin(), (engine.XMin() + engine.XMax()) / 2, engine.XMax()};
      const std::vector<long double> ys{engine.YMin(), (engine.YMin() + engine.YMax()) / 2, engine.YMax()};
      for (int mode = kDerivValue; mode <= kDerivXY; ++mode) {
        (void)engine.GridMode(3, 3, xs, ys, mode);
        (void)engine.EvalMode(xs[1], ys[1], mode);
      }
    }
  }
}

}  // namespace
