// Quick Eval's Surface Min and Max on graphs with logarithmic X and Y axes: the renderer's
// grid lines stand at equal steps in decades there, while the searches evaluate the surface
// at data values. Every start the graph windows hand to Quick Eval (the smoothing and review
// windows', the function viewer's) must find the extremes the linear-axis graph finds.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "fit/extremum_search.h"
#include "graph3d/graph_fixture.h"
#include "graph3d/ui/dialog_shots.h"
#include "graph3d/ui/function_viewer.h"
#include "smooth/ui/smoothing_window.h"

namespace {

// Lowest point (3, 5, 1); highest point (20, 2, 10); both well inside [1, 100] x [1, 10].
long double Bowl(long double x, long double y) { return 1 + (x - 3) * (x - 3) + (y - 5) * (y - 5); }
long double Cap(long double x, long double y) { return 10 - (x - 20) * (x - 20) / 100 - (y - 2) * (y - 2); }

struct Found {
  long double x = 0, y = 0, z = 0;
};

// The surface over [1, 100] x [1, 10] on a 21 x 21 grid, X and Y linear or in decades.
void DrawOn(GraphFixture& g, SurfaceFunction f, bool logX, bool logY) {
  g.SetSurface(std::move(f), 1, 100, 1, 10);
  g.view.MeshX = g.view.MeshY = 21;
  if (logX) {
    g.setup.Scaling.Log[0] = 1;
    g.setup.Scaling.AxisLow[0] = 0;
    g.setup.Scaling.AxisHigh[0] = 2;
  }
  if (logY) {
    g.setup.Scaling.Log[1] = 1;
    g.setup.Scaling.AxisLow[1] = 0;
    g.setup.Scaling.AxisHigh[1] = 1;
  }
}

Found Search(const SurfaceFunction& f, const TSurfaceSearchStart& b, bool maximum) {
  Found r;
  const bool found = maximum ? FindFunctionMaximum(f, b.x, b.y, b.xLow, b.xHigh, b.yLow, b.yHigh, r.x, r.y, r.z)
                             : FindFunctionMinimum(f, b.x, b.y, b.xLow, b.xHigh, b.yLow, b.yHigh, r.x, r.y, r.z);
  EXPECT_TRUE(found);
  return r;
}

void ExpectSame(const Found& got, const Found& linear, const char* what) {
  const auto near = [](long double a, long double b) { return std::fabs(a - b) <= 1e-9L * std::fabs(b); };
  EXPECT_TRUE(near(got.x, linear.x) && near(got.y, linear.y) && near(got.z, linear.z))
      << what << ": found (" << static_cast<double>(got.x) << ", " << static_cast<double>(got.y) << ", "
      << static_cast<double>(got.z) << "), linear axes (" << static_cast<double>(linear.x) << ", "
      << static_cast<double>(linear.y) << ", " << static_cast<double>(linear.z) << ")";
}

struct Axes {
  bool logX, logY;
  const char* name;
};
constexpr Axes kLogAxes[] = {{true, false, "log X"}, {false, true, "log Y"}, {true, true, "log X and Y"}};

TEST(QuickEvalLogAxes, SurfaceSearchStartFindsTheLinearAxisExtremes) {
  for (const bool maximum : {false, true}) {
    const SurfaceFunction f = maximum ? Cap : Bowl;
    GraphFixture linearGraph;
    DrawOn(linearGraph, f, false, false);
    const Found linear = Search(f, SurfaceSearchStart(*linearGraph.MakeRenderer(), maximum), maximum);
    EXPECT_NEAR(static_cast<double>(linear.z), maximum ? 10 : 1, 1e-12);
    for (const Axes& a : kLogAxes) {
      GraphFixture g;
      DrawOn(g, f, a.logX, a.logY);
      const std::unique_ptr<T3DBase> r = g.MakeRenderer();
      ASSERT_EQ(r->Scaling().Log[0] != 0, a.logX);
      const TSurfaceSearchStart b = SurfaceSearchStart(*r, maximum);
      EXPECT_TRUE(b.xLow <= b.x && b.x <= b.xHigh && b.yLow <= b.y && b.y <= b.yHigh) << a.name;
      ExpectSame(Search(f, b, maximum), linear, a.name);
    }
  }
}

TEST(QuickEvalLogAxes, TheFunctionViewerStartsFindTheLinearAxisExtremes) {
  ViewMode mode = ViewMode::Value;
  const std::string text = "Z=X+Y\r\n";
  const auto viewerStart = [&](GraphFixture& g, bool maximum) {
    TVFXY2 window(nullptr, &g.setup, text, mode);
    ShowDialog(&window, "function_viewer_log_axes");
    return maximum ? window.MaxCellOfView() : window.MinCellOfView();
  };
  for (const bool maximum : {false, true}) {
    const SurfaceFunction f = maximum ? Cap : Bowl;
    GraphFixture linearGraph;
    DrawOn(linearGraph, f, false, false);
    const Found linear = Search(f, viewerStart(linearGraph, maximum), maximum);
    EXPECT_NEAR(static_cast<double>(linear.z), maximum ? 10 : 1, 1e-12);
    for (const Axes& a : kLogAxes) {
      GraphFixture g;
      DrawOn(g, f, a.logX, a.logY);
      ExpectSame(Search(f, viewerStart(g, maximum), maximum), linear, a.name);
    }
  }
}

}  // namespace
