// Contour planes on the recording device context.
#include <gtest/gtest.h>

#include "app/long_double.h"
#include "graph_fixture.h"

namespace {

using platform::Color;
using platform::DcOp;
using platform::DcOpKind;
using platform::Point;

struct PlaneGraph : GraphFixture {
  // A surface over [-1, 1] x [-1, 1] with a fixed Z axis, without box and labels.
  PlaneGraph(SurfaceFunction f, int mesh, long double zLow = -1, long double zHigh = 1) {
    setup.SurfaceFn = std::move(f);
    FixRanges({-1, -1, zLow}, {1, 1, zHigh});
    ContentOnly();
    view.MeshX = view.MeshY = static_cast<std::int16_t>(mesh);
    view.GraphType = 0;  // wire frame: 12 colours, contour lines
  }
  // The lines a frame draws with the planes of `contourBits` beyond those it draws without.
  std::size_t ContourLines(int contourBits) {
    view.ContourBits = 0;
    const std::size_t without = Draw().Count(DcOpKind::LineTo);
    view.ContourBits = static_cast<std::int16_t>(contourBits);
    return Draw().Count(DcOpKind::LineTo) - without;
  }
};

TEST(ContourPlanes, OneBandGivesNoContourLines) {
  // Every value between the boundaries of band 6 (Z 0 .. 0.1667 of a -1 .. 1 axis).
  PlaneGraph g([](long double x, long double y) { return 0.05L + 0.01L * x * y; }, 9);
  EXPECT_EQ(g.ContourLines(1), 0u);
  EXPECT_EQ(g.ContourLines(2), 0u);
  // A gradient plane of one band is one colour: a polygon per cell, all alike.
  g.view.GraphType = 4;  // "12 Color"
  g.view.ContourBits = 1;
  g.view.AngleZ = -30;  // from below the bottom plane is drawn after the surface
  const auto polygons = g.Draw().Ops(DcOpKind::Polygon);
  ASSERT_GE(polygons.size(), 64u);
  for (std::size_t k = polygons.size() - 64; k < polygons.size(); ++k) {
    EXPECT_EQ(polygons[k].brush.color, Color::PaletteIndex(6)) << k;
    EXPECT_EQ(polygons[k].pen.color, Color::PaletteIndex(6)) << k;
  }
}

// A crossing as the cell drawers compute it: the product first, truncated toward zero.
Point Crossing(Point p, Point q, int t, int l0, int l1) {
  return {p.x + static_cast<int>(static_cast<long long>(q.x - p.x) * (t - l0) / (l1 - l0)),
          p.y + static_cast<int>(static_cast<long long>(q.y - p.y) * (t - l0) / (l1 - l0))};
}

TEST(ContourPlanes, SaddleCellDrawsOneSegmentPerLevel) {
  // One cell, z = xy: corners +1, -1, +1, -1 (c0 .. c3), levels 1199 and 0 after the limit
  // to the range; every level 100 b, b = 1 .. 11, is crossed on all four edges.
  PlaneGraph g([](long double x, long double y) { return x * y; }, 2);
  g.view.ContourBits = 1;
  const Drawing f = g.Draw();
  const auto lines = f.Ops(DcOpKind::LineTo);
  ASSERT_EQ(lines.size(), 11u + 4u);  // then the wire surface's four lines
  const long double z = f.r->AxisLow(kAxisZ);  // the bottom plane
  const Point c0 = f.At(-1, -1, z), c1 = f.At(1, -1, z), c2 = f.At(1, 1, z);
  for (int b = 11; b >= 1; --b) {
    const DcOp& line = lines[static_cast<std::size_t>(11 - b)];
    // The first two crossings of the level along the edge order: on c0 -> c1 and c1 -> c2.
    const Point first = Crossing(c0, c1, 100 * b, 1199, 0);
    Point second = Crossing(c1, c2, 100 * b, 0, 1199);
    if (second.x != first.x) second.x += second.x > first.x ? 1 : -1;
    if (second.y != first.y) second.y += second.y > first.y ? 1 : -1;
    EXPECT_EQ(line.points, (std::vector<Point>{first, second})) << b;
    EXPECT_EQ(line.pen.color, Color::PaletteRgb(0, 0, 0x80)) << b;  // Wire Line, navy
  }
}

TEST(ContourPlanes, MissingNodesLieInTheLowestBand) {
  // A surface in the top band with one node missing: every level from 1 up runs round it,
  // also on an axis that reaches below the missing value itself.
  for (long double low : {0.0L, -20000.0L}) {
    const long double top = low == 0 ? 0.99L : -10;
    PlaneGraph g([top](long double x, long double y) { return x > 0 && y > 0 ? ExprErrorValue : top; },
                 2, low, low == 0 ? 1 : 0);
    EXPECT_EQ(g.ContourLines(1), 11u) << static_cast<double>(low);
  }
}

TEST(ContourPlanes, MeshTypeFillsTheWholeFace) {
  PlaneGraph g([](long double x, long double) { return x; }, 5);
  g.view.GraphType = 1;
  g.view.ContourBits = 2;
  g.view.AngleZ = -30;  // the top plane lies behind the surface: drawn first
  const Drawing f = g.Draw();
  const auto polygons = f.Ops(DcOpKind::Polygon);
  ASSERT_FALSE(polygons.empty());
  const long double top = f.r->AxisHigh(kAxisZ);
  EXPECT_EQ(polygons[0].points,
            (std::vector<Point>{f.At(-1, -1, top), f.At(1, -1, top), f.At(1, 1, top), f.At(-1, 1, top)}));
  EXPECT_EQ(polygons[0].brush.color, f.Role(kRoleMeshFill));
  // Its contour lines follow, in the Mesh Line colour.
  EXPECT_GT(f.Count(DcOpKind::LineTo), 0u);
}

TEST(ContourPlanes, PlaneInFrontLeavesTheSurfacePointsForTheVisibleTest) {
  // Seen from above the top plane is drawn after the surface and before the visible-only
  // test, which paints the surface's cells: they must stand at the surface's heights.
  PlaneGraph g([](long double, long double) { return 0.0L; }, 3);
  g.view.GraphType = 4;
  g.view.ContourBits = 2;
  PointTable table = MakeTable({{0.5L, 0.5L, 0.5L}});
  g.setup.Points = [&table] { return std::span<const TXYZPoint>(table); };
  g.points.Display = 2;
  const Drawing f = g.Draw();
  ASSERT_EQ(f.dc.Children().size(), 1u);
  const auto painted = f.dc.Children()[0]->OpsOf(DcOpKind::Polygon);
  ASSERT_EQ(painted.size(), 4u);
  std::vector<Point> nodes;
  for (long double x : {-1.0L, 0.0L, 1.0L})
    for (long double y : {-1.0L, 0.0L, 1.0L}) nodes.push_back(f.At(x, y, 0));
  for (const DcOp& cell : painted)
    for (const Point& p : cell.points)
      EXPECT_NE(std::find(nodes.begin(), nodes.end(), p), nodes.end()) << p.x << "," << p.y;
}

TEST(ContourPlanes, FloorWithAContourPlaneIsNotPaintedOver) {
  for (int bits : {0, 1}) {
    PlaneGraph g([](long double x, long double) { return x; }, 5);
    g.view.BackPlanes = 2;
    g.view.ContourBits = static_cast<std::int16_t>(bits);
    g.scheme = 2;  // "Blue": the X-Y back plane black, the others grey
    const auto polygons = g.Draw().Ops(DcOpKind::Polygon);
    const auto black = std::count_if(polygons.begin(), polygons.end(),
                                     [](const DcOp& p) { return p.brushRgb == Color::Black(); });
    EXPECT_EQ(black, bits == 0 ? 1 : 0) << bits;
  }
}

}  // namespace
