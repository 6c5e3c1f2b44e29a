// Data points drawn on the recording device context: Z lines, symbols, colours, limit bars
// and the pick list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "app/data_table.h"
#include "app/long_double.h"
#include "graph3d/point_symbol_size.h"
#include "graph_fixture.h"

namespace {

using platform::Brush;
using platform::DcOp;
using platform::DcOpKind;
using platform::Point;
using platform::RecordingDeviceContext;

// A box 0 .. 4 on every axis, without frame and labels, holding `table`'s points.
struct PointGraph : GraphFixture {
  PointTable table;

  explicit PointGraph(PointTable points) : table(std::move(points)) {
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    FixRanges({0, 0, 0}, {4, 4, 4});
    ContentOnly();
  }
  // A flat surface at height h under the points, drawn as a mesh (polygons only, so that
  // every line recorded is a point's).
  void FlatSurface(long double h) {
    setup.SurfaceFn = [h](long double, long double) { return h; };
    view.GraphType = 1;
    view.MeshX = view.MeshY = 5;
  }
};

Point Centre(const DcOp& ellipse) {
  return {(ellipse.rect.left + ellipse.rect.right - 1) / 2,
          (ellipse.rect.top + ellipse.rect.bottom - 1) / 2};
}

// Pixel-exact Z lines and the symbols at their points, in the order they are drawn.
struct ZLine {
  long double x, y, low, high, z;
  int role;
};
void ExpectZLines(const Drawing& f, std::initializer_list<ZLine> expected) {
  const auto lines = f.Ops(DcOpKind::LineTo);
  const auto symbols = f.Ops(DcOpKind::Ellipse);
  ASSERT_EQ(lines.size(), expected.size());
  ASSERT_EQ(symbols.size(), expected.size());
  std::size_t k = 0;
  for (const ZLine& e : expected) {
    SCOPED_TRACE(k);
    EXPECT_EQ(lines[k].points, (std::vector<Point>{f.At(e.x, e.y, e.low), f.At(e.x, e.y, e.high)}));
    EXPECT_EQ(lines[k].pen.color, f.Role(e.role));
    EXPECT_EQ(Centre(symbols[k]), f.At(e.x, e.y, e.z));
    EXPECT_EQ(symbols[k].pen.color, f.Role(e.role));  // the line's pen outlines the symbol
    ++k;
  }
}

TEST(PointDrawing, HidePointsDrawsNothingNotEvenLimitBars) {
  PointGraph g(MakeTable({{1, 1, 3}, {2, 2, 1}, {3, 3, 2}}));
  g.FlatSurface(2);
  g.setup.LimitFn = [](long double, long double, long double) { return 0.5L; };
  g.points.Display = 3;
  const std::string hidden = g.Draw().dc.Describe();
  // The same graph with an empty table (its Z range kept in the header).
  SetPointCount(g.table, 0);
  g.points.Display = 1;
  EXPECT_EQ(hidden, g.Draw().dc.Describe());
}

TEST(PointDrawing, ZLinesJoinThePointsToTheSurfaceOrTheFloorOrTheCeiling) {
  PointGraph g(MakeTable({{1, 1, 3}, {2, 2, 1}, {3, 3, 2}}));
  g.FlatSurface(2);
  g.points.Fill = 2;
  // Drawn in view order (rotation 210: x and y descending): on the surface a line of no
  // length; below, from the point up to the surface; above, from the surface to the point.
  ExpectZLines(g.Draw(), {{3, 3, 2, 2, 2, kRoleZLineAbove},
                          {2, 2, 1, 2, 1, kRoleZLineBelow},
                          {1, 1, 2, 3, 3, kRoleZLineAbove}});
  // Without a surface a line stands on the floor, or seen from below hangs from the ceiling.
  PointGraph h(MakeTable({{1, 2, 3}}));
  ExpectZLines(h.Draw(), {{1, 2, 0, 3, 3, kRoleZLineAbove}});
  h.view.AngleZ = -20;
  ExpectZLines(h.Draw(), {{1, 2, 3, 4, 3, kRoleZLineBelow}});
}

TEST(PointDrawing, ResidualKindsAndTheirZeroCases) {
  struct Case {
    int mode;
    bool withSigma;
    std::array<long double, 2> residuals;  // of the points (1, 1, 0) and (2, 2, 4)
  };
  // Surface z = 1: plain residuals -1 and 3; percent of Z: 0 for Z = 0 and 75; divided by
  // the fit standard error 2: -0.5 and 1.5, and 0 without a fit record.
  const Case cases[] = {{1, false, {-1, 3}}, {2, false, {0, 75}}, {3, true, {-0.5L, 1.5L}},
                        {3, false, {0, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    PointGraph g(MakeTable({{1, 1, 0}, {2, 2, 4}}));
    g.setup.SurfaceFn = [](long double, long double) { return 1.0L; };
    g.setup.ResidualMode = c.mode;
    long double sigma = 2;
    g.points.FitRecord = c.withSigma ? &sigma : nullptr;
    g.FixRanges({0, 0, -100}, {4, 4, 100});
    const Drawing f = g.Draw();
    const auto symbols = f.Ops(DcOpKind::Ellipse);
    const auto lines = f.Ops(DcOpKind::LineTo);
    ASSERT_EQ(symbols.size(), 2u);
    // View order: (2, 2) first; lines from the zero plane.
    EXPECT_EQ(Centre(symbols[1]), f.At(1, 1, c.residuals[0]));
    EXPECT_EQ(Centre(symbols[0]), f.At(2, 2, c.residuals[1]));
    const long double e = c.residuals[0];
    EXPECT_EQ(lines[1].points, (std::vector<Point>{f.At(1, 1, std::min(e, 0.0L)), f.At(1, 1, std::max(e, 0.0L))}));
    EXPECT_EQ(lines[1].pen.color, f.Role(e >= 0 ? kRoleZLineAbove : kRoleZLineBelow));
  }
}

TEST(PointDrawing, SymbolColoursByFillStatusAndResidualBand) {
  struct Case {
    int fill;
    bool inactive;
    int role;  // -1: unfilled
  };
  const Case cases[] = {{0, false, -1}, {0, true, -1},  // unfilled stays unfilled
                        {2, false, kRolePoints1SD},     {3, false, kRolePoints2SD},
                        {4, false, kRolePoints3SD},     {5, false, kRolePointsOver3SD},
                        {5, true, kRolePointsInactive}, {1, true, kRolePointsInactive},
                        {9, false, -1}};
  for (const Case& c : cases) {
    PointGraph g(MakeTable({{1, 1, 1}}));
    g.points.Fill = static_cast<std::uint16_t>(c.fill);
    if (c.inactive) g.table[1].Status = kPointInactive;
    const Drawing f = g.Draw();
    const auto symbols = f.Ops(DcOpKind::Ellipse);
    ASSERT_EQ(symbols.size(), 1u);
    EXPECT_EQ(symbols[0].brush, c.role == -1 ? Brush::Null() : Brush::Solid(f.Role(c.role))) << c.fill;
  }
  // Surface at 2, fit standard error 0.5: residuals 0.5, 0.75, 1.5 and 1.6 give the four
  // colours (view order: x descending); a band of 0 puts every point in the first colour.
  PointGraph g(MakeTable({{0.5L, 0.5L, 2.5L}, {1, 1, 1.25L}, {2, 2, 3.5L}, {3, 3, 0.4L}}));
  g.FlatSurface(2);
  long double sigma = 0.5L;
  g.points.FitRecord = &sigma;
  Drawing f = g.Draw();
  const int roles[] = {kRolePointsOver3SD, kRolePoints3SD, kRolePoints2SD, kRolePoints1SD};
  const auto symbols = f.Ops(DcOpKind::Ellipse);
  ASSERT_EQ(symbols.size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(symbols[k].brush.color, f.Role(roles[k])) << k;
  sigma = 0;
  for (const DcOp& s : g.Draw().Ops(DcOpKind::Ellipse)) EXPECT_EQ(s.brush.color, f.Role(kRolePoints1SD));
}

TEST(PointDrawing, LimitBarsWithEndMarks) {
  PointGraph g(MakeTable({{2, 2, 3}}));
  g.FlatSurface(2);
  g.setup.LimitFn = [](long double, long double, long double) { return 0.5L; };
  for (int kind : {1, 0}) {
    g.setup.LimitKind = kind;
    g.points.Display = 1;
    const Drawing f = g.Draw();
    const int s = f.r->SymbolHalfSize();
    const Point low = f.At(2, 2, 1.5L), high = f.At(2, 2, 2.5L);
    const auto lines = f.Ops(DcOpKind::LineTo);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points, (std::vector<Point>{low, high}));
    EXPECT_EQ(lines[0].pen.color, f.Role(kind != 0 ? kRoleConfidence : kRolePrediction));
    EXPECT_EQ(lines[1].points, (std::vector<Point>{{low.x - s, low.y}, {low.x + s, low.y}}));
    EXPECT_EQ(lines[2].points[0], (Point{high.x - s, high.y}));
    // The symbol stands at the point itself, not on the bar's ends.
    EXPECT_EQ(Centre(f.Ops(DcOpKind::Ellipse)[0]), f.At(2, 2, 3));
    // Hide Z Lines hides the bar and keeps its end marks.
    g.points.Display = 0x101;
    EXPECT_EQ(g.Draw().Count(DcOpKind::LineTo), 2u);
  }
}

TEST(PointDrawing, LimitBarsOnALogAxisKeepEndsWithoutALogarithmOnTheFloor) {
  // Z axis in decades -2 .. 1; surface 0.5; point at Z = 1 (decade 0).
  struct Case {
    long double h;
    long double low, high;  // the bar's ends v - h and v + h in decades
  };
  const Case cases[] = {
      {0.25L, std::log10(0.25L), std::log10(0.75L)},
      {2, -2, std::log10(2.5L)},   // v - h < 0: the floor
      {-1, std::log10(1.5L), -2},  // a negative half-width: v + h < 0 lies on the floor
  };
  for (const Case& c : cases) {
    PointGraph g(MakeTable({{2, 2, 1}}));
    g.FlatSurface(0.5L);
    g.FixRanges({0, 0, -2}, {4, 4, 1});
    g.setup.Scaling.Log[2] = 1;
    g.setup.LimitFn = [h = c.h](long double, long double, long double) { return h; };
    const Drawing f = g.Draw();
    const auto lines = f.Ops(DcOpKind::LineTo);
    ASSERT_EQ(lines.size(), 3u) << static_cast<double>(c.h);
    EXPECT_EQ(lines[0].points, (std::vector<Point>{f.At(2, 2, c.low), f.At(2, 2, c.high)}))
        << static_cast<double>(c.h);
  }
}

TEST(PointDrawing, PointsOutsideTheBoxOrWithoutAValueAreLeftOut) {
  PointGraph g(MakeTable({{1, 1, 5},      // above the Z axis
                          {5, 1, 1},      // beyond the X window
                          {1, 1, 1},      // drawn
                          {2, 2, 2}}));   // the surface has no value here
  g.FlatSurface(1);
  g.setup.SurfaceFn = [](long double x, long double) { return x == 2 ? ExprErrorValue : 1.0L; };
  EXPECT_EQ(g.Draw().Count(DcOpKind::Ellipse), 1u);
}

// Automatic axes end on the division a top exceeds by less than a hair (data up to
// 1.00000001 get the axis 0 .. 1, as the Part's 0 .. 1 does): the points at that top lay
// outside the axis by 1e-8 and were not drawn.
TEST(PointDrawing, PointsWithinTheAxisTopsHairAreDrawn) {
  for (const bool automatic : {true, false}) {
    PointGraph g(MakeTable({{0, 0, 0}, {1.00000001L, 0.5L, 0.5L}, {0.5L, 1.00000001L, 0.5L}, {0.5L, 0.5L, 1.00000001L}}));
    if (automatic) {
      g.setup.Scaling.Auto = {1, 1, 1};
      g.setup.Scaling.DataHigh = {1.00000001L, 1.00000001L, 1.00000001L};
    } else {
      g.FixRanges({0, 0, 0}, {1, 1, 1});
    }
    const Drawing f = g.Draw();
    ASSERT_EQ(f.r->AxisHigh(kAxisX), 1);
    ASSERT_EQ(f.r->AxisHigh(kAxisZ), 1);
    EXPECT_EQ(f.Count(DcOpKind::Ellipse), 4u) << automatic;
  }
  // Beyond the hair a point is outside the axis, as before.
  PointGraph g(MakeTable({{0, 0, 0}, {1.000001L, 0.5L, 0.5L}}));
  g.FixRanges({0, 0, 0}, {1, 1, 1});
  EXPECT_EQ(g.Draw().Count(DcOpKind::Ellipse), 1u);
}

TEST(PointDrawing, SymbolsGrowWithTheWindowWidthInEveryShape) {
  struct Case {
    int width;
    int half;  // size 3 times (width / 500, at least 1)
  };
  const Case cases[] = {{300, 3}, {500, 3}, {999, 3}, {1000, 6}, {1500, 9}};
  for (const Case& c : cases) {
    PointGraph g(MakeTable({{2, 2, 2}}));
    const auto symbols = g.Draw(c.width, 400).Ops(DcOpKind::Ellipse);
    ASSERT_EQ(symbols.size(), 1u);
    EXPECT_EQ(symbols[0].rect.right - symbols[0].rect.left, 2 * c.half + 1) << c.width;
  }
  // Square and diamond in the same box; no such shape: the line only.
  PointGraph g(MakeTable({{2, 2, 2}}));
  g.points.Shape = 1;
  Drawing f = g.Draw();
  const Point p = f.At(2, 2, 2);
  const auto squares = f.Ops(DcOpKind::Rectangle);
  ASSERT_EQ(squares.size(), 2u);  // the erase, then the symbol
  EXPECT_EQ(squares[1].rect, (platform::Rect{p.x - 3, p.y - 3, p.x + 4, p.y + 4}));
  g.points.Shape = 3;
  const auto diamonds = g.Draw().Ops(DcOpKind::Polygon);
  ASSERT_EQ(diamonds.size(), 1u);
  EXPECT_EQ(diamonds[0].points,
            (std::vector<Point>{{p.x - 3, p.y}, {p.x, p.y - 3}, {p.x + 3, p.y}, {p.x, p.y + 3}}));
  g.points.Shape = 7;
  f = g.Draw();
  EXPECT_EQ(f.Count(DcOpKind::Polygon) + f.Count(DcOpKind::Ellipse), 0u);
  EXPECT_EQ(f.Count(DcOpKind::LineTo), 1u);
}

// Symbols keep to a quarter of the points' mean spacing, on every device; the options' size,
// scaled with the width, holds while there is room, and 1 is the floor.
TEST(PointDrawing, SymbolsShrinkWithTheNumberOfPoints) {
  const struct {
    int width, size;
    double spacing;
    int half;
  } cases[] = {
      {800, 3, 31, 3},       // room for the size asked
      {800, 3, 15.5, 3},
      {800, 3, 9.8, 2},
      {800, 3, 5.4, 1},
      {800, 10, 69, 10},
      {1000, 10, 100, 20},   // two pixels a step at this width
      {1000, 10, 5.4, 1},    // close points: below size 1's two pixels
      {9000, 3, 35, 8},      // a printer page: 18 pixels a step, but the points lie close
      {9000, 3, 1000, 54},
      {800, 3, 2, 1},        // never below 1
      {300, 3, 0, 3},        // no neighbours: the size asked
  };
  for (const auto& c : cases)
    EXPECT_EQ(PointSymbolHalfSize(c.width, c.size, c.spacing), c.half)
        << c.width << " wide, size " << c.size << ", spacing " << c.spacing;
  // Drawn: 16384 points on 640 x 480 are circles of half-size 1, where 500 have size 3's.
  PointTable table = NewPointTable(kXYZMaxPoints);
  for (int i = 0; i < kXYZMaxPoints; ++i)
    table[static_cast<std::size_t>(i) + 1] =
        TXYZPoint{0.25L + (i % 128) * 3.5L / 128, 0.25L + (i / 128) * 3.5L / 128, 2, 1, kPointActive};
  PointGraph g(table);
  const auto symbols = g.Draw().Ops(DcOpKind::Ellipse);
  ASSERT_FALSE(symbols.empty());
  EXPECT_EQ(symbols[0].rect.right - symbols[0].rect.left, 3);
}

// The spacing is taken over the area the points cover, not the graph's: a grid's hull, a
// line's length, and nothing for points that all stand on one pixel.
TEST(PointDrawing, MeanSpacingOfTheirPositions) {
  std::vector<Point> grid;
  for (int i = 0; i < 128; ++i)
    for (int j = 0; j < 128; ++j) grid.push_back({100 + 3 * i + j, 50 + 2 * j});  // a sheared grid
  // The hull is the parallelogram of sides (381, 0) and (127, 254): area 381 * 254.
  EXPECT_NEAR(MeanPointSpacing(grid), std::sqrt(381.0 * 254 / 16384), 1e-12);
  std::vector<Point> line;
  for (int i = 0; i < 100; ++i) line.push_back({10 + 5 * i, 20 + 5 * i});
  EXPECT_NEAR(MeanPointSpacing(line), 495 * std::sqrt(2.0) / 100, 1e-12);
  std::vector<Point> pile(50, Point{7, 7});
  EXPECT_EQ(MeanPointSpacing(pile), 0);
  EXPECT_EQ(MeanPointSpacing(std::vector<Point>{{3, 4}}), 0);
  EXPECT_EQ(MeanPointSpacing(std::vector<Point>{}), 0);
  // A square with its centre, and a point repeated: the repeated one still counts.
  EXPECT_NEAR(MeanPointSpacing(std::vector<Point>{{0, 0}, {40, 0}, {40, 40}, {0, 40}, {20, 20}, {20, 20}}),
              std::sqrt(1600.0 / 6), 1e-12);
}

// 16384 points of a 128 x 128 grid on a surface, in windows 640, 1280 and 2560 pixels wide:
// the symbols never grow over their neighbours, however wide the window (3 pixels, the
// smallest symbol, where the points lie closer than that).
TEST(PointDrawing, SixteenThousandPointsStayPointsAtEveryWidth) {
  const PointTable table = DenseGrid::Table();
  for (const auto& [width, height] : {std::pair{640, 480}, std::pair{1280, 960}, std::pair{2560, 1920}}) {
    SCOPED_TRACE(width);
    PointGraph g(table);
    g.setup.SurfaceFn = &DenseGrid::Height;
    g.view.GraphType = 1;
    g.view.MeshX = g.view.MeshY = 20;
    const Drawing f = g.Draw(width, height);
    const auto symbols = f.Ops(DcOpKind::Ellipse);
    ASSERT_EQ(symbols.size(), static_cast<std::size_t>(kXYZMaxPoints));
    const int across = symbols[0].rect.right - symbols[0].rect.left;
    const double gap = DenseGrid::MedianNeighbourGap(*f.r);
    EXPECT_LE(across, std::max(3.0, gap)) << "median gap " << gap;
  }
}

TEST(PointDrawing, PickListHoldsTheScreenPointsSortedByX) {
  PointGraph g(MakeTable({{1, 3, 1}, {3, 1, 2}, {2, 2, 9}, {0.5L, 0.5L, 3}}));
  Drawing f{g.MakeRenderer(), RecordingDeviceContext(641, 481)};
  T3DBase& r = *f.r;
  r.SetKeepPoints(true);
  r.Draw(f.dc, kDrawScreen);
  const auto& list = r.KeptPoints();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].x, 4);  // the count
  int previous = -1;
  int undrawn = 0;
  for (std::size_t k = 1; k < list.size(); ++k) {
    EXPECT_GE(list[k].x, previous);
    previous = list[k].x;
    if (list[k].index == 3) {
      EXPECT_EQ(list[k].y, -1);  // above the box: not drawn
      ++undrawn;
      continue;
    }
    const TXYZPoint& p = g.table[static_cast<std::size_t>(list[k].index)];
    EXPECT_EQ((Point{list[k].x, list[k].y}), f.At(p.X, p.Y, p.Z));
    EXPECT_EQ(list[k].lineRole, kRoleZLineAbove);
  }
  EXPECT_EQ(undrawn, 1);

  // A redraw of one entry after its point became inactive takes the inactive colour.
  std::size_t entry = 1;
  while (list[entry].index != 2) ++entry;
  g.table[2].Status = kPointInactive;
  RecordingDeviceContext again(641, 481);
  r.RedrawPickedPoint(again, static_cast<int>(entry));
  const auto symbols = again.OpsOf(DcOpKind::Ellipse);
  ASSERT_EQ(symbols.size(), 1u);
  EXPECT_EQ(Centre(symbols[0]), f.At(3, 1, 2));
  EXPECT_EQ(symbols[0].brush.color, f.Role(kRolePointsInactive));

  // Printing keeps no list.
  r.SetKeepPoints(false);
  r.SetKeepPoints(true);
  RecordingDeviceContext page(641, 481);
  r.Draw(page, kDrawPrinter);
  EXPECT_TRUE(r.KeptPoints().empty());
  r.RedrawPickedPoint(page, 1);  // nothing to redraw
}

TEST(PointDrawing, VisibleOnlyWithoutAFilledSurfaceShowsEveryPoint) {
  // No surface: nothing decides visibility and every point is drawn; a wire frame hides
  // nothing either.
  PointGraph g(MakeTable({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}));
  g.points.Display = 2;
  EXPECT_EQ(g.Draw().Count(DcOpKind::Ellipse), 3u);
  g.setup.SurfaceFn = [](long double, long double) { return 2.5L; };
  g.view.GraphType = 0;
  const Drawing f = g.Draw();
  for (int k = 1; k <= 3; ++k) EXPECT_TRUE(f.r->PointVisible(k)) << k;
  EXPECT_EQ(f.Count(DcOpKind::Ellipse), 3u);
}

TEST(PointDrawing, VisibleOnlyTestImageStartsAtTheOrigin) {
  // The test bitmap and the erased area reach from (0, 0) to the graph rectangle's far
  // corner, so that a rectangle away from the origin is not cropped.
  PointGraph g(MakeTable({{1, 1, 1}}));
  g.FlatSurface(2);
  g.points.Display = 2;
  auto r = std::make_unique<T3DBase>();
  r->SetGraphRect(platform::Rect{100, 50, 740, 530});
  r->SetData(&g.setup, true);
  RecordingDeviceContext dc(800, 600);
  r->Draw(dc, kDrawScreen);
  const auto made = dc.OpsOf(DcOpKind::CreateCompatible);
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].rect, (platform::Rect{0, 0, 741, 531}));
  EXPECT_EQ(dc.OpsOf(DcOpKind::Rectangle)[0].rect, made[0].rect);  // the erase
  // The recorder rasterises no polygon: every marker survives, every point is visible.
  EXPECT_TRUE(r->PointVisible(1));
  EXPECT_EQ(dc.Count(DcOpKind::Ellipse), 1u);
}

}  // namespace
