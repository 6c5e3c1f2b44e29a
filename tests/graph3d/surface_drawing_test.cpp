#include <gtest/gtest.h>

#include <cmath>

#include "app/long_double.h"
#include "graph_fixture.h"

namespace {

using platform::Brush;
using platform::Color;
using platform::DcOp;
using platform::DcOpKind;
using platform::Pen;
using platform::RecordingDeviceContext;


// The surface without its box (no back planes, grids or front edges; the axes need fonts,
// which these tests do not make), so that every figure recorded is the surface's.
struct SurfaceFixture : GraphFixture {
  SurfaceFixture() { view.BackPlanes = 0; }
};

// One frame of the graph in the fixture, recorded.
RecordingDeviceContext DrawFrame(GraphFixture& g, int mode = kDrawScreen) {
  auto r = g.MakeRenderer();
  RecordingDeviceContext dc(640, 480);
  r->Draw(dc, mode);
  return dc;
}

// The Z axis is fixed to 0 .. 1, so that levels are easy to reason about.
void FixZ(GraphFixture& g, long double low = 0, long double high = 1) {
  g.setup.Scaling.Auto[2] = 0;
  g.setup.Scaling.AxisLow[2] = g.setup.Scaling.DataLow[2] = low;
  g.setup.Scaling.AxisHigh[2] = g.setup.Scaling.DataHigh[2] = high;
  g.setup.Scaling.Divs[2] = 4;
}

TEST(SurfaceDrawing, EraseFillsTheGraphAreaFirst) {
  SurfaceFixture g;
  g.SetSurface([](long double x, long double y) { return x + y; });
  const RecordingDeviceContext dc = DrawFrame(g);
  ASSERT_FALSE(dc.Ops().empty());
  const auto rect = dc.OpsOf(DcOpKind::Rectangle);
  ASSERT_EQ(rect.size(), 1u);
  EXPECT_EQ(rect[0].rect, (platform::Rect{0, 0, 641, 481}));
  // "Page White Color": white background, black frame.
  EXPECT_EQ(rect[0].brushRgb, Color::White());
  EXPECT_EQ(rect[0].penRgb, Color::Black());
}

TEST(SurfaceDrawing, GradientTypesSelectTheirPalette) {
  SurfaceFixture g;
  g.SetSurface([](long double x, long double y) { return x + y; });
  g.view.GraphType = 5;
  RecordingDeviceContext dc = DrawFrame(g);
  const auto palettes = dc.OpsOf(DcOpKind::SelectPalette);
  ASSERT_EQ(palettes.size(), 2u);  // selected, then the previous one put back
  EXPECT_EQ(palettes[0].value, 24 + 16);
  EXPECT_EQ(palettes[1].value, -1);
  g.view.GraphType = 1;
  EXPECT_EQ(DrawFrame(g).Count(DcOpKind::SelectPalette), 0u);
}

TEST(SurfaceDrawing, OneBandCellIsOnePolygon) {
  SurfaceFixture g;
  g.view.MeshX = g.view.MeshY = 2;
  g.view.GraphType = 5;
  g.SetSurface([](long double, long double) { return 0.5L; });
  FixZ(g);
  const RecordingDeviceContext dc = DrawFrame(g);
  const auto polygons = dc.OpsOf(DcOpKind::Polygon);
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0].points.size(), 4u);
  // Level 100 * 24 * 0.5 = 1200: band 12 of the spectrum, as a palette index on screen.
  EXPECT_EQ(polygons[0].brush.color, Color::PaletteIndex(12));
  EXPECT_EQ(polygons[0].pen, Pen::Solid(Color::PaletteRgb(0x80, 0x80, 0x80)));  // mesh in grey
}

TEST(SurfaceDrawing, HiddenMeshTakesTheFillColour) {
  DisplayColors display(1L << 24);
  SurfaceFixture g;
  g.view.MeshX = g.view.MeshY = 2;
  g.view.GraphType = 5;
  g.view.HideMesh = 1;
  g.SetSurface([](long double, long double) { return 0.5L; });
  FixZ(g);
  const auto polygons = DrawFrame(g, kDrawPrinter).OpsOf(DcOpKind::Polygon);
  ASSERT_EQ(polygons.size(), 1u);
  // On a printer colours are palette-relative RGB values of the entry.
  EXPECT_EQ(polygons[0].brush.color, Color::PaletteRgb(0x00, 0xFF, 0xFF));
  EXPECT_EQ(polygons[0].pen.color, polygons[0].brush.color);
}

TEST(SurfaceDrawing, MissingCornerDropsTheFilledCellButNotTheOtherWireSegments) {
  auto surface = [](long double x, long double y) {
    return x > 0 && y > 0 ? ExprErrorValue : 0.25L;
  };
  for (int type : {1, 5, 16}) {
    SurfaceFixture g;
    g.view.MeshX = g.view.MeshY = 2;
    g.view.GraphType = static_cast<std::int16_t>(type);
    g.SetSurface(surface);
    FixZ(g);
    EXPECT_EQ(DrawFrame(g).Count(DcOpKind::Polygon), 0u) << type;
  }
  SurfaceFixture g;
  g.view.MeshX = g.view.MeshY = 2;
  g.view.GraphType = 0;
  g.SetSurface(surface);
  FixZ(g);
  const RecordingDeviceContext dc = DrawFrame(g);
  EXPECT_EQ(dc.Count(DcOpKind::LineTo), 2u);
  for (const DcOp& line : dc.OpsOf(DcOpKind::LineTo)) {
    EXPECT_EQ(line.pen, Pen::Solid(Color::PaletteRgb(0, 0, 0x80)));  // wire line: navy
  }
}

TEST(SurfaceDrawing, WireLinesResumeAfterAMissingNode) {
  SurfaceFixture g;
  g.view.MeshX = 5;
  g.view.MeshY = 5;
  g.view.GraphType = 0;
  // Node (2, 2) in the middle of the grid is missing.
  g.SetSurface([](long double x, long double y) {
    return x == 0 && y == 0 ? ExprErrorValue : 0.5L;
  }, -2, 2, -2, 2);
  FixZ(g);
  // 2 x 5 lines of 4 segments, less the 4 segments that meet at the missing node.
  EXPECT_EQ(DrawFrame(g).Count(DcOpKind::LineTo), 36u);
}

TEST(SurfaceDrawing, SaddleCellSplitsIntoEveryBand) {
  // Corners at the bottom and top of the range alternate: each edge crosses all 31 band
  // boundaries of a 32-colour palette, 4 + 124 entries in the crossing list.
  SurfaceFixture g;
  g.view.MeshX = g.view.MeshY = 2;
  g.view.GraphType = 13;  // blue to red, 32 colours
  g.SetSurface([](long double x, long double y) {
    return (x > 0) == (y > 0) ? 0.0L : 0.9999L;
  });
  FixZ(g);
  const RecordingDeviceContext dc = DrawFrame(g);
  const auto polygons = dc.OpsOf(DcOpKind::Polygon);
  ASSERT_EQ(polygons.size(), 32u);
  EXPECT_EQ(polygons.front().brush.color, Color::PaletteIndex(31));  // highest band first
  EXPECT_EQ(polygons.back().brush.color, Color::PaletteIndex(0));
  // The cell's four edges in grey.
  EXPECT_EQ(dc.Count(DcOpKind::LineTo), 4u);
}

TEST(SurfaceDrawing, NodeAtTheTopOfTheRangeIsClipped) {
  SurfaceFixture g;
  g.view.MeshX = g.view.MeshY = 2;
  g.view.GraphType = 1;
  g.SetSurface([](long double x, long double y) { return x > 0 && y > 0 ? 1.0L : 0.5L; });
  FixZ(g);
  const auto polygons = DrawFrame(g).OpsOf(DcOpKind::Polygon);
  ASSERT_EQ(polygons.size(), 1u);
  // The corner at Zmax is replaced by the two crossings of level M just short of it.
  EXPECT_EQ(polygons[0].points.size(), 5u);
}

TEST(SurfaceDrawing, FarOutsideTheRangeCellsDisappear) {
  SurfaceFixture g;
  g.view.MeshX = g.view.MeshY = 3;
  g.view.GraphType = 1;
  // Within 10 spans above the range the cells are drawn clipped; beyond they vanish.
  g.SetSurface([](long double x, long double) { return x > 0 ? 50.0L : 0.5L; });
  FixZ(g);
  EXPECT_EQ(DrawFrame(g).Count(DcOpKind::Polygon), 2u);
  g.SetSurface([](long double x, long double) { return x > 0 ? 5.0L : 0.5L; });
  FixZ(g);
  EXPECT_EQ(DrawFrame(g).Count(DcOpKind::Polygon), 4u);
}

TEST(SurfaceDrawing, ShadedFlatSurfaceLitFromAboveTakesTheBrightestShade) {
  SurfaceFixture g;
  g.view.MeshX = g.view.MeshY = 3;
  g.view.GraphType = 16;
  g.view.AngleZ = 75;  // with the light's offset of 15: straight above
  g.SetSurface([](long double, long double) { return 0.5L; });
  FixZ(g);
  const auto polygons = DrawFrame(g).OpsOf(DcOpKind::Polygon);
  ASSERT_EQ(polygons.size(), 4u);
  for (const DcOp& p : polygons) {
    EXPECT_EQ(p.brush.color, Color::PaletteIndex(31));
    EXPECT_EQ(p.pen.color, Color::PaletteIndex(29));  // two shades darker for the outline
  }
}

TEST(SurfaceDrawing, ShadedOnFewColoursOutlinesInGrey) {
  DisplayColors display(16);
  SurfaceFixture g;
  g.view.MeshX = g.view.MeshY = 3;
  g.view.GraphType = 17;
  g.view.HideMesh = 1;
  g.SetSurface([](long double x, long double y) { return 0.1L * x + 0.05L * y + 0.5L; });
  FixZ(g);
  for (const DcOp& p : DrawFrame(g).OpsOf(DcOpKind::Polygon)) {
    EXPECT_EQ(p.pen.color, Color::Rgb(128, 128, 128));
  }
}

TEST(SurfaceDrawing, MeshOfAFlatSurfaceIsOneQuadrilateralPerCell) {
  SurfaceFixture g;
  g.view.MeshX = 6;
  g.view.MeshY = 4;
  g.view.GraphType = 1;
  g.scheme = 1;
  g.SetSurface([](long double, long double) { return 0.5L; });
  FixZ(g);
  const auto polygons = DrawFrame(g).OpsOf(DcOpKind::Polygon);
  ASSERT_EQ(polygons.size(), 15u);
  for (const DcOp& p : polygons) {
    EXPECT_EQ(p.points.size(), 4u);
    EXPECT_EQ(p.brushRgb, Color::Hex(0x008080));  // mesh fill of "Page White Color"
    EXPECT_EQ(p.penRgb, Color::Hex(0x000080));
  }
}

TEST(SurfaceDrawing, CellsArePaintedFromTheFarSide) {
  // Seen from rotation 30 the far corner of the box is (Xmin, Ymin): the first cell
  // painted touches it; from 210 the far corner is (Xmax, Ymax).
  for (long double theta : {30.0L, 210.0L}) {
    SurfaceFixture g;
    g.view.MeshX = g.view.MeshY = 4;
    g.view.GraphType = 1;
    g.view.AngleXY = theta;
    g.SetSurface([](long double, long double) { return 0.5L; });
    FixZ(g);
    auto r = g.MakeRenderer();
    RecordingDeviceContext dc;
    r->Draw(dc, kDrawScreen);
    const auto polygons = dc.OpsOf(DcOpKind::Polygon);
    ASSERT_EQ(polygons.size(), 9u);
    const bool far = theta < 90;
    int cx = 0, cy = 0;
    r->Project(far ? -3 : 3, far ? -3 : 3, 0.5L, cx, cy);
    const auto& first = polygons.front().points;
    EXPECT_NE(std::find(first.begin(), first.end(), platform::Point{cx, cy}), first.end())
        << static_cast<double>(theta);
    // The nearest cell is painted last.
    r->Project(far ? 3 : -3, far ? 3 : -3, 0.5L, cx, cy);
    const auto& last = polygons.back().points;
    EXPECT_NE(std::find(last.begin(), last.end(), platform::Point{cx, cy}), last.end());
  }
}

TEST(SurfaceDrawing, PolygonCountOfAKnownSurfaceStaysFixed) {
  // z = sin(x) cos(y) on a 30 x 30 mesh over [-3, 3]^2, Z axis -1 .. 1. A mesh or shaded
  // graph draws one polygon per cell (29^2); a gradient graph one per band a cell spans,
  // counted independently (numpy: levels truncated from single precision, summed
  // max band - min band + 1 over the cells): 1238 with 6 colours, 2544 with 24, 3110 with 32.
  struct Case {
    int type;
    std::size_t polygons;
  };
  const Case cases[] = {{1, 841}, {2, 1238}, {5, 2544}, {13, 3110}, {16, 841}};
  for (const Case& c : cases) {
    SurfaceFixture g;
    g.view.MeshX = g.view.MeshY = 30;
    g.view.GraphType = static_cast<std::int16_t>(c.type);
    g.SetSurface([](long double x, long double y) { return std::sin(x) * std::cos(y); });
    EXPECT_EQ(DrawFrame(g).Count(DcOpKind::Polygon), c.polygons) << c.type;
  }
}

TEST(SurfaceDrawing, StopRequestEndsTheFrameAtOnce) {
  SurfaceFixture g;
  g.view.MeshX = g.view.MeshY = 30;
  g.view.GraphType = 5;
  g.SetSurface([](long double x, long double y) { return std::sin(x) * std::cos(y); });
  auto r = g.MakeRenderer();
  std::atomic<int> renderThreadState{-1};
  r->SetStopWord(&renderThreadState);
  RecordingDeviceContext dc;
  r->Draw(dc, kDrawScreen);
  EXPECT_EQ(dc.Count(DcOpKind::Polygon), 0u);
  renderThreadState = 1;
  RecordingDeviceContext again;
  r->Draw(again, kDrawScreen);
  EXPECT_GT(again.Count(DcOpKind::Polygon), 800u);
}

}  // namespace
