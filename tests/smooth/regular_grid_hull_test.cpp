// The exact interpolants on a regular 10 x 10 grid of nodes (the extension library's test
// layout, x = (i mod 10) / 9, y = (i div 10) / 9): a constant and a plane come back at every
// point of the hull, including points on the grid lines (triangle sides and hull edges) and
// on the nodes, both point by point and in one grid call, the 33 x 33 grid of the scattered
// test suite among them.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "smooth/engines/scattered_engine.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Table;
using smooth_test::TPoint;

template <class F>
PointTable RegularGrid(F f) {
  std::vector<TPoint> points;
  for (int i = 0; i < 100; ++i) {
    // The same doubles the library writes.
    const long double x = static_cast<double>(i % 10) / 9.0, y = static_cast<double>(i / 10) / 9.0;
    points.push_back({x, y, f(x, y)});
  }
  return Table(points);
}

// The 33 x 33 test-suite axis, then the grid lines of the nodes themselves.
std::vector<std::vector<long double>> Axes() {
  std::vector<long double> suite, nodes, halves;
  for (int k = 0; k < 33; ++k) suite.push_back(k * 0.03125L);
  for (int k = 0; k < 10; ++k) nodes.push_back(static_cast<double>(k) / 9.0);
  for (int k = 0; k <= 18; ++k) halves.push_back(static_cast<double>(k) / 18.0);
  return {suite, nodes, halves};
}

struct Method {
  const char* name;
  int code, option1, option2;
  // How near a plane comes back: Akima's derivative estimates are exact on a plane; the
  // others estimate gradients iteratively or by weighted fits and carry their error into the
  // surface (up to about 2e-3 here), far from the missing or zero value of a lost point.
  double planeTolerance;
};
// The methods that interpolate over a triangulation of the data without a library.
const Method kTriangleMethods[] = {
    {"Akima I", kNPAkima1, 1, 5, 1e-9},
    {"Akima I (20)", kNPAkima1Fixed, 0, 0, 1e-9},
    {"Renka I", kNPRenka1, 0, 0, 1e-4},
    {"Renka II C1", kNPRenka2, 1, 13, 1e-9},
    {"Renka III", kNPRenka3, 2, 18, 1e-2},
    {"Watson C0", kNPWatson, 0, 0, 1e-6},
    {"Watson C1", kNPWatson, 1, 5, 1e-6},
    {"own triangulation", kNPOwnTriangulation, 1, 0, 1e-4},
};

void ExpectSurfaceOnHull(const char* what, long double (*f)(long double, long double),
                         bool plane) {
  PointTable data = RegularGrid(f);
  for (const Method& m : kTriangleMethods) {
    const double tolerance = plane ? m.planeTolerance : 1e-9;
    TNParm3D engine(data, m.code, m.option1, m.option2, false);
    ASSERT_TRUE(engine.HasSurface()) << m.name;
    for (const std::vector<long double>& axis : Axes()) {
      const int n = static_cast<int>(axis.size());
      const std::vector<long double> grid = engine.EvalGrid(n, n, axis, axis);
      ASSERT_EQ(grid.size(), static_cast<std::size_t>(n * n)) << m.name;
      for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
          const long double x = axis[static_cast<std::size_t>(i)], y = axis[static_cast<std::size_t>(j)];
          const double want = static_cast<double>(f(x, y));
          EXPECT_NEAR(static_cast<double>(grid[static_cast<std::size_t>(j * n + i)]), want, tolerance)
              << what << ", " << m.name << " grid at " << static_cast<double>(x) << ", "
              << static_cast<double>(y);
          EXPECT_NEAR(static_cast<double>(engine.EvalAt(x, y)), want, tolerance)
              << what << ", " << m.name << " point at " << static_cast<double>(x) << ", "
              << static_cast<double>(y);
        }
    }
  }
}

long double Seven(long double, long double) { return 7.0L; }
long double Tilted(long double x, long double y) { return 2.5L - 1.5L * x + 0.75L * y; }

TEST(RegularGridHull, ConstantAndPlaneComeBackOnEveryLineAndNode) {
  ExpectSurfaceOnHull("constant 7", Seven, false);
  ExpectSurfaceOnHull("plane", Tilted, true);
}

}  // namespace
