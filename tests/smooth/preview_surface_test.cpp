// The preview surface the smoothing subsystem gives the graphs that preview data: the own
// triangulation interpolant over a copy of the table, or nothing where no surface exists.
#include <gtest/gtest.h>

#include <vector>

#include "graph3d/preview_surface.h"
#include "smooth/engines/smoothing_services.h"
#include "smooth/libs/numerical_library.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Scattered;
using smooth_test::Table;

long double Saddle(long double x, long double y) { return x * x - y * y + 0.5L * x; }

TEST(PreviewSurface, InterpolatesACopyOfTheTableWithoutALibrary) {
  std::optional<TPreviewSurface> surface;
  std::vector<smooth_test::TPoint> points = Scattered(80, 31, Saddle, -2, 4, 5, 1);
  {
    PointTable table = Table(points);
    surface = MakeTriangulationPreview(table);
    ASSERT_TRUE(surface);
    EXPECT_FALSE(NumLibLoaded());
  }  // the callbacks outlive the caller's table
  for (const auto& p : points) {
    EXPECT_EQ(surface->atDataPoint(p.x, p.y, p.z), p.z);
    EXPECT_LT(std::fabs(surface->value(p.x, p.y) - p.z), 1e-12L);
  }
  const std::vector<long double> xs = {-1.5L, 0, 1.5L}, ys = {5.2L, 5.8L};
  const std::vector<long double> grid = surface->grid(3, 2, xs, ys);
  ASSERT_EQ(grid.size(), 6u);
  EXPECT_EQ(grid[4], surface->value(0, 5.8L));
}

TEST(PreviewSurface, NothingForTooFewOrCollinearPoints) {
  PointTable three = Table({{0, 0, 1}, {1, 0, 2}, {0, 1, 3}});
  EXPECT_FALSE(MakeTriangulationPreview(three));
  PointTable line = Table({{0, 0, 1}, {1, 1, 2}, {2, 2, 3}, {3, 3, 1}, {4, 4, 0}});
  EXPECT_FALSE(MakeTriangulationPreview(line));
  PointTable four = Table({{0, 0, 1}, {1, 0, 2}, {0, 1, 3}, {1, 1, 0}});
  EXPECT_TRUE(MakeTriangulationPreview(four));
}

TEST(PreviewSurface, TheHookReachesTheInstalledMaker) {
  PointTable table = Table(Scattered(20, 32, Saddle));
  SetPreviewSurfaceMaker({});
  EXPECT_FALSE(MakePreviewSurface(table));
  RegisterSmoothingServices();
  const std::optional<TPreviewSurface> surface = MakePreviewSurface(table);
  ASSERT_TRUE(surface);
  T3DGraphSetup setup;
  AttachPreviewSurface(setup, surface);
  EXPECT_TRUE(setup.SurfaceFn && setup.PointSurfaceFn && setup.GridFn);
  AttachPreviewSurface(setup, std::nullopt);
  EXPECT_FALSE(setup.SurfaceFn || setup.PointSurfaceFn || setup.GridFn);
  SetPreviewSurfaceMaker({});
}

}  // namespace
