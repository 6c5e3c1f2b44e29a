// Grid making in the gridded-data engine: uniform grids and filled sparse grids by every
// method, the substitutions for few points, the data kept at their nodes, collinear data,
// the fall-back of an oversized sparse grid, and nodes a method cannot evaluate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "smooth/engines/gridded_engine.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Scattered;
using smooth_test::ScopedNumLib;
using smooth_test::Table;
using smooth_test::TPoint;

long double Plane(long double x, long double y) { return 1 + 2 * x + 3 * y; }
long double Wavy(long double x, long double y) { return std::sin(3 * x) * std::cos(2 * y) + x * y; }

// The made grid's node values (x fastest, as the working table holds them after a sort).
std::vector<long double> Nodes(const TSpline3D& e) {
  std::vector<TXYZPoint> t(e.Working().begin(), e.Working().end());
  std::sort(t.begin() + 1, t.end(), [](const TXYZPoint& a, const TXYZPoint& b) {
    return a.Y != b.Y ? a.Y < b.Y : a.X < b.X;
  });
  std::vector<long double> z;
  for (std::size_t k = 1; k < t.size(); ++k) z.push_back(t[k].Z);
  return z;
}

// Every method makes a uniform grid of scattered data from a plane and reproduces it: Renka's
// triangulation to its gradient tolerance, Watson's natural neighbours to 1e-6, the others to rounding. The cosine-series
// Shepard method reproduces no polynomial: it stays within a hundredth of the range.
TEST(GridMaking, EveryMethodReproducesAPlane) {
  PointTable data = Table(Scattered(60, 5, Plane, -1, 2, 3, 4));
  for (int method = 0; method < kRegridMethodCount; ++method) {
    SCOPED_TRACE(method);
    TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 12, 9, method, true);
    ASSERT_TRUE(e.Ready());
    EXPECT_EQ(e.Nx(), 12);
    EXPECT_EQ(e.Ny(), 9);
    EXPECT_EQ(e.PointCount(), 108);
    // The plane's range over the data is about 16.
    const double tolerance = method == kRegridRenka          ? 1e-3 * 16
                             : method == kRegridShepardCosine ? 1e-2 * 16
                             : method == kRegridWatson        ? 1e-6
                                                              : 1e-9;
    int checked = 0;
    for (const TXYZPoint& p : e.Working().subspan(1)) {
      if (!IsActive(p)) continue;  // beyond every Shepard radius
      EXPECT_NEAR(static_cast<double>(p.Z), static_cast<double>(Plane(p.X, p.Y)), tolerance)
          << p.X << ", " << p.Y;
      ++checked;
    }
    EXPECT_EQ(checked + e.FailedNodes(), 108);
    EXPECT_GT(checked, 90);
  }
}

// Filling keeps every data value at its node, to the last digit, whatever the method.
// The same scattered points at the origin and at x 1e9 .. 1e9 + 1 (where a double holds x
// only to 1e-7 of the span): every method makes the same uniform grid.
TEST(GridMaking, AGridFarFromTheOriginIsTheGridAtTheOrigin) {
  const std::vector<TPoint> unit = Scattered(60, 5, Wavy);
  std::vector<TPoint> moved;
  for (const TPoint& p : unit) moved.push_back({1e9L + p.x, -3e6L + p.y, p.z});
  PointTable nearData = Table(unit), farData = Table(moved);
  for (int method = 0; method < kRegridMethodCount; ++method) {
    SCOPED_TRACE(method);
    TSpline3D nearE(nearData, kGridBSpline, 3, 3, 0, 0, 9, 8, method, true);
    TSpline3D farE(farData, kGridBSpline, 3, 3, 0, 0, 9, 8, method, true);
    const std::vector<long double> want = Nodes(nearE), got = Nodes(farE);
    ASSERT_EQ(got.size(), 72u);
    ASSERT_EQ(want.size(), 72u);
    for (std::size_t k = 0; k < got.size(); ++k)
      EXPECT_NEAR(static_cast<double>(got[k]), static_cast<double>(want[k]), 1e-9) << "node " << k;
  }
}

TEST(GridMaking, AFilledGridKeepsEveryDataValue) {
  std::vector<TPoint> points;
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 7; ++j)
      if ((i * 7 + j) % 3 != 1) {
        const long double x = 0.25L * i, y = 0.5L * j;
        points.push_back({x, y, Wavy(x, y)});
      }
  PointTable data = Table(points);
  for (int method = 0; method < kRegridMethodCount; ++method) {
    SCOPED_TRACE(method);
    TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 0, 0, method, true);
    ASSERT_TRUE(e.Ready());
    EXPECT_EQ(e.Nx(), 9);
    EXPECT_EQ(e.Ny(), 7);
    EXPECT_FALSE(e.Inexact());
    for (const TPoint& p : points) {
      bool found = false;
      for (const TXYZPoint& q : e.Working().subspan(1))
        if (q.X == p.x && q.Y == p.y) {
          EXPECT_EQ(q.Z, p.z);
          found = true;
        }
      EXPECT_TRUE(found);
    }
  }
}

// 200 distinct x and 100 distinct y values would make 20000 nodes: a uniform 25 x 25 grid by
// the same method instead, whose statistics are computed since it no longer holds the data.
// Filling a sparse grid on a Julian-day axis (x 2460000 + i/24, which no double holds) gives
// every point back its own x and y to the last bit of its long double, and puts each missing
// node on the same long-double axes.
TEST(GridMaking, AFilledGridKeepsThePointsOwnPositions) {
  std::vector<TPoint> points;
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 7; ++j)
      if ((i * 7 + j) % 4 != 1) {
        const long double x = 2460000.0L + i / 24.0L, y = 1e-3L * j / 3;
        points.push_back({x, y, Wavy(24 * (x - 2460000), 300 * y)});
      }
  PointTable data = Table(points);
  for (const int method : {kRegridAkima, kRegridRenka, kRegridWatson}) {
    SCOPED_TRACE(method);
    TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 0, 0, method, false);
    ASSERT_EQ(e.PointCount(), 63);
    int found = 0;
    for (const TXYZPoint& q : e.Working().subspan(1, 63)) {
      bool onAxisX = false, onAxisY = false;
      for (int i = 0; i < 9; ++i) onAxisX = onAxisX || q.X == 2460000.0L + i / 24.0L;
      for (int j = 0; j < 7; ++j) onAxisY = onAxisY || q.Y == 1e-3L * j / 3;
      EXPECT_TRUE(onAxisX && onAxisY) << static_cast<double>(q.X) << ", " << static_cast<double>(q.Y);
      for (const TPoint& p : points)
        if (p.x == q.X && p.y == q.Y) {
          EXPECT_EQ(q.Z, p.z);
          ++found;
        }
    }
    EXPECT_EQ(found, static_cast<int>(points.size()));
  }
}

TEST(GridMaking, AnOversizedSparseGridBecomesUniformTwentyFiveByTwentyFive) {
  std::vector<TPoint> points;
  for (int i = 0; i < 200; ++i) {
    const long double x = i / 199.0L, y = ((i * 37) % 100) / 99.0L;
    points.push_back({x, y, Wavy(x, y)});
  }
  PointTable data = Table(points);
  TSpline3D filled(data, kGridBSpline, 3, 3, 0, 0, 0, 0, kRegridAkima, true);
  TSpline3D uniform(data, kGridBSpline, 3, 3, 0, 0, 25, 25, kRegridAkima, true);
  ASSERT_TRUE(filled.Ready());
  EXPECT_EQ(filled.Nx(), 25);
  EXPECT_EQ(filled.Ny(), 25);
  EXPECT_TRUE(filled.Inexact());
  EXPECT_GT(filled.Sse(), 0.0L);
  EXPECT_EQ(Nodes(filled), Nodes(uniform));
}

// With few points the methods that need more hand over to the ones named for that case.
TEST(GridMaking, FewPointsUseTheSubstituteMethods) {
  struct TCase {
    int points, method, substitute;
  };
  for (const TCase c : {TCase{9, kRegridAkimaII, kRegridAkima},
                        TCase{5, kRegridShepardQuadratic, kRegridRenka},
                        TCase{5, kRegridShepardCosine, kRegridRenka},
                        TCase{8, kRegridShepardCubic, kRegridShepardQuadratic},
                        TCase{8, kRegridShepardCosine, kRegridShepardQuadratic}}) {
    SCOPED_TRACE(testing::Message() << c.points << " points, method " << c.method);
    PointTable data = Table(Scattered(c.points, 40 + c.points, Wavy));
    for (const bool fill : {false, true}) {
      const int n = fill ? 0 : 7;
      TSpline3D got(data, kGridBSpline, 3, 3, 0, 0, n, n, c.method, true);
      TSpline3D want(data, kGridBSpline, 3, 3, 0, 0, n, n, c.substitute, true);
      ASSERT_TRUE(got.Ready());
      EXPECT_EQ(Nodes(got), Nodes(want));
    }
  }
}

// Small N: the Shepard counts are held inside the published ranges, so the set-up succeeds.
TEST(GridMaking, ShepardCountsForSmallDataStayInRange) {
  for (const int n : {6, 7, 10, 12}) {
    PointTable data = Table(Scattered(n, 70 + n, Plane));
    for (const int method : {kRegridShepardQuadratic, kRegridShepardCubic, kRegridShepardCosine}) {
      SCOPED_TRACE(testing::Message() << n << " points, method " << method);
      TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 6, 6, method, true);
      EXPECT_TRUE(e.Ready());
    }
  }
}

TEST(GridMaking, CollinearDataMakeNoGrid) {
  std::vector<TPoint> line;
  for (int i = 0; i < 30; ++i) line.push_back({0.1L * i, 0.2L * i + 1, static_cast<long double>(i % 4)});
  PointTable data = Table(line);
  for (int method = 0; method < kRegridMethodCount; ++method) {
    SCOPED_TRACE(method);
    TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 10, 10, method, true);
    EXPECT_FALSE(e.Ready());
    EXPECT_EQ(e.PointCount(), 0);
    EXPECT_EQ(e.EvalAt(1, 1), 0.0L);
  }
}

// Preusser's interpolants have no value far outside the hull of thin data: those nodes are
// counted and marked inactive, and hold Renka I's value of the plane there instead of standing
// in the grid as data of 0.
TEST(GridMaking, NodesAMethodCannotEvaluateAreMarkedInactive) {
  TNumLibTable table = BuiltInNumLib();
  // A stand-in point routine that fails on the left half of the unit square.
  ServeNumLibEntry<TNumLibEntry::c1pnt>(
      table, [](int, const double*, const double*, const double*, double px, double, const double*,
                const int*, int&, double& pz, int, int, int& ier) {
        pz = 5;
        ier = px < 0.5 ? 1 : 0;
      });
  ScopedNumLib partial(table);
  PointTable data = Table(Scattered(40, 9, Plane));
  TSpline3D e(data, kGridBSpline, 3, 3, 0, 0, 10, 4, kRegridPreusserC1, true);
  ASSERT_TRUE(e.Ready());
  EXPECT_EQ(e.FailedNodes(), 20);
  int inactive = 0;
  for (const TXYZPoint& p : e.Working().subspan(1))
    if (!IsActive(p)) {
      ++inactive;
      // Renka I reproduces the plane to its gradient tolerance (the plane's range is 6).
      EXPECT_NEAR(static_cast<double>(p.Z), static_cast<double>(Plane(p.X, p.Y)), 1e-3 * 6);
    } else {
      EXPECT_EQ(p.Z, 5.0L);
    }
  EXPECT_EQ(inactive, 20);
}

}  // namespace

namespace {

// Every gridded surface over a uniform grid made by a Shepard method from points on a disc
// of a plane: the rectangle's corners lie beyond every node's radius. Those nodes held 0 and
// every surface through them fell to it; they now hold Renka I's plane, and the surfaces
// reproduce the plane over the whole of the data's rectangle.
TEST(GridMaking, NodesBeyondEveryShepardRadiusHoldRenkaIsValues) {
  std::vector<TPoint> disc;
  for (const TPoint& p : Scattered(900, 17, Plane, -1, 2, -1, 2))
    if (p.x * p.x + p.y * p.y <= 1) disc.push_back(p);
  PointTable data = Table(disc);
  // The plane's range over the rectangle [-1, 1]^2 is 10; Renka I's gradients meet it to
  // their tolerance of a thousandth.
  const double tolerance = 1e-3 * 10;
  for (const int method : {kRegridShepardQuadratic, kRegridShepardCubic}) {
    SCOPED_TRACE(method);
    TSpline3D e(data, kGridBSpline, 3, 3, 12, 12, 16, 16, method, true);
    ASSERT_TRUE(e.Ready());
    EXPECT_GE(e.FailedNodes(), 8);  // about the four corners of the rectangle
    int inactive = 0;
    for (const TXYZPoint& p : e.Working().subspan(1)) {
      inactive += !IsActive(p);
      EXPECT_NEAR(static_cast<double>(p.Z), static_cast<double>(Plane(p.X, p.Y)), tolerance)
          << (IsActive(p) ? "node " : "inactive node ") << static_cast<double>(p.X) << ", " << static_cast<double>(p.Y);
    }
    EXPECT_EQ(inactive, e.FailedNodes());
    for (int code = 0; code < kGridMethodCount; ++code) {
      SCOPED_TRACE(code);
      e.SetOptions(code, 3, 3, 12, 12);
      ASSERT_TRUE(e.HasSurface());
      double worst = 0;
      for (int j = 0; j <= 40; ++j)
        for (int i = 0; i <= 40; ++i) {
          const long double x = e.XMin() + (e.XMax() - e.XMin()) * i / 40;
          const long double y = e.YMin() + (e.YMax() - e.YMin()) * j / 40;
          worst = std::max(worst, static_cast<double>(std::fabs(e.EvalAt(x, y) - Plane(x, y))));
        }
      EXPECT_LE(worst, tolerance);
    }
  }
}

}  // namespace
