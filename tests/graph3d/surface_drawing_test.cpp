#include <gtest/gtest.h>

#include <cmath>

#include "app/long_double.h"
#include "graph_fixture.h"

namespace {

using platform::Color;
using platform::DcOp;
using platform::DcOpKind;
using platform::Pen;
using platform::RecordingDeviceContext;

// The surface of type `type` on a mesh x mesh grid without its box (no back planes, grids
// or front edges; the axes need fonts, which these tests do not make), so that every
// figure recorded is the surface's, with the Z axis fixed to 0 .. 1.
struct SurfaceGraph : GraphFixture {
  SurfaceGraph(int type, int mesh, SurfaceFunction f, long double range = 3) {
    view.BackPlanes = 0;
    view.GraphType = static_cast<std::int16_t>(type);
    view.MeshX = view.MeshY = static_cast<std::int16_t>(mesh);
    SetSurface(std::move(f), -range, range, -range, range);
    setup.Scaling.Auto[2] = 0;
    setup.Scaling.AxisLow[2] = setup.Scaling.DataLow[2] = 0;
    setup.Scaling.AxisHigh[2] = setup.Scaling.DataHigh[2] = 1;
    setup.Scaling.Divs[2] = 4;
  }
  std::vector<DcOp> Polygons(int mode = kDrawScreen) { return Draw(640, 480, false, mode).Ops(DcOpKind::Polygon); }
};

SurfaceFunction Flat(long double z) {
  return [z](long double, long double) { return z; };
}

TEST(SurfaceDrawing, EraseFillsTheGraphAreaFirstAndGradientsSelectTheirPalette) {
  SurfaceGraph g(5, 35, [](long double x, long double y) { return x + y; });
  g.setup.Scaling.Auto[2] = 1;
  const Drawing f = g.Draw();
  ASSERT_FALSE(f.dc.Ops().empty());
  const auto rect = f.Ops(DcOpKind::Rectangle);
  ASSERT_EQ(rect.size(), 1u);
  EXPECT_EQ(rect[0].rect, (platform::Rect{0, 0, 641, 481}));
  // "Page White Color": white background, black frame.
  EXPECT_EQ(rect[0].brushRgb, Color::White());
  EXPECT_EQ(rect[0].penRgb, Color::Black());
  const auto palettes = f.Ops(DcOpKind::SelectPalette);
  ASSERT_EQ(palettes.size(), 2u);  // selected, then the previous one put back
  EXPECT_EQ(palettes[0].value, 24 + 16);
  EXPECT_EQ(palettes[1].value, -1);
  g.view.GraphType = 1;
  EXPECT_EQ(g.Draw().Count(DcOpKind::SelectPalette), 0u);
}

TEST(SurfaceDrawing, OneBandCellIsOnePolygonAndAHiddenMeshTakesTheFillColour) {
  SurfaceGraph g(5, 2, Flat(0.5L));
  auto polygons = g.Polygons();
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0].points.size(), 4u);
  // Level 100 * 24 * 0.5 = 1200: band 12 of the spectrum, as a palette index on screen.
  EXPECT_EQ(polygons[0].brush.color, Color::PaletteIndex(12));
  EXPECT_EQ(polygons[0].pen, Pen::Solid(Color::PaletteRgb(0x80, 0x80, 0x80)));  // mesh in grey

  DisplayColors display(1L << 24);
  g.view.HideMesh = 1;
  polygons = g.Polygons(kDrawPrinter);
  ASSERT_EQ(polygons.size(), 1u);
  // On a printer colours are palette-relative RGB values of the entry.
  EXPECT_EQ(polygons[0].brush.color, Color::PaletteRgb(0x00, 0xFF, 0xFF));
  EXPECT_EQ(polygons[0].pen.color, polygons[0].brush.color);
}

TEST(SurfaceDrawing, MissingCornerDropsTheFilledCellButNotTheOtherWireSegments) {
  auto surface = [](long double x, long double y) { return x > 0 && y > 0 ? ExprErrorValue : 0.25L; };
  for (int type : {1, 5, 16}) EXPECT_EQ(SurfaceGraph(type, 2, surface).Polygons().size(), 0u) << type;
  SurfaceGraph g(0, 2, surface);
  const auto lines = g.Draw().Ops(DcOpKind::LineTo);
  EXPECT_EQ(lines.size(), 2u);
  for (const DcOp& line : lines) EXPECT_EQ(line.pen, Pen::Solid(Color::PaletteRgb(0, 0, 0x80)));  // navy
  // With node (2, 2) in the middle of a 5 x 5 grid missing: 2 x 5 lines of 4 segments,
  // less the 4 segments that meet at it.
  SurfaceGraph middle(0, 5, [](long double x, long double y) { return x == 0 && y == 0 ? ExprErrorValue : 0.5L; }, 2);
  EXPECT_EQ(middle.Draw().Count(DcOpKind::LineTo), 36u);
}

TEST(SurfaceDrawing, SaddleCellSplitsIntoEveryBand) {
  // Corners at the bottom and top of the range alternate: each edge crosses all 31 band
  // boundaries of a 32-colour palette, 4 + 124 entries in the crossing list.
  SurfaceGraph g(13, 2, [](long double x, long double y) { return (x > 0) == (y > 0) ? 0.0L : 0.9999L; });
  const Drawing f = g.Draw();
  const auto polygons = f.Ops(DcOpKind::Polygon);
  ASSERT_EQ(polygons.size(), 32u);
  EXPECT_EQ(polygons.front().brush.color, Color::PaletteIndex(31));  // highest band first
  EXPECT_EQ(polygons.back().brush.color, Color::PaletteIndex(0));
  EXPECT_EQ(f.Count(DcOpKind::LineTo), 4u);  // the cell's four edges in grey
}

TEST(SurfaceDrawing, NodesAboveTheRangeAreClippedAndFarAboveItVanish) {
  // The corner at Zmax is replaced by the two crossings of level M just short of it.
  const auto clipped = SurfaceGraph(1, 2, [](long double x, long double y) { return x > 0 && y > 0 ? 1.0L : 0.5L; }).Polygons();
  ASSERT_EQ(clipped.size(), 1u);
  EXPECT_EQ(clipped[0].points.size(), 5u);
  // Within 10 spans above the range the cells are drawn clipped; beyond they vanish.
  for (auto [high, cells] : {std::pair{50.0L, 2u}, {5.0L, 4u}}) {
    SurfaceGraph g(1, 3, [h = high](long double x, long double) { return x > 0 ? h : 0.5L; });
    EXPECT_EQ(g.Polygons().size(), cells) << static_cast<double>(high);
  }
}

TEST(SurfaceDrawing, ShadedSurfaceOutlinesAndFlatMeshCells) {
  // Lit from straight above (elevation 75 and the light's offset of 15): the brightest
  // shade, outlined two shades darker.
  SurfaceGraph lit(16, 3, Flat(0.5L));
  lit.view.AngleZ = 75;
  const auto shaded = lit.Polygons();
  ASSERT_EQ(shaded.size(), 4u);
  for (const DcOp& p : shaded) {
    EXPECT_EQ(p.brush.color, Color::PaletteIndex(31));
    EXPECT_EQ(p.pen.color, Color::PaletteIndex(29));
  }
  {
    // On few colours a hidden mesh is outlined in grey.
    DisplayColors display(16);
    SurfaceGraph g(17, 3, [](long double x, long double y) { return 0.1L * x + 0.05L * y + 0.5L; });
    g.view.HideMesh = 1;
    for (const DcOp& p : g.Polygons()) EXPECT_EQ(p.pen.color, Color::Rgb(128, 128, 128));
  }
  // A mesh of a flat surface is one quadrilateral per cell in the scheme's colours.
  SurfaceGraph mesh(1, 6, Flat(0.5L));
  mesh.view.MeshY = 4;
  const auto cells = mesh.Polygons();
  ASSERT_EQ(cells.size(), 15u);
  for (const DcOp& p : cells) {
    EXPECT_EQ(p.points.size(), 4u);
    EXPECT_EQ(p.brushRgb, Color::Hex(0x008080));  // mesh fill of "Page White Color"
    EXPECT_EQ(p.penRgb, Color::Hex(0x000080));
  }
}

TEST(SurfaceDrawing, CellsArePaintedFromTheFarSide) {
  // Seen from rotation 30 the far corner of the box is (Xmin, Ymin): the first cell
  // painted touches it, the nearest is painted last; from 210 the far corner is (Xmax, Ymax).
  for (long double theta : {30.0L, 210.0L}) {
    SurfaceGraph g(1, 4, Flat(0.5L));
    g.view.AngleXY = theta;
    const Drawing f = g.Draw();
    const auto polygons = f.Ops(DcOpKind::Polygon);
    ASSERT_EQ(polygons.size(), 9u);
    const long double far = theta < 90 ? -3 : 3;
    const auto& first = polygons.front().points;
    const auto& last = polygons.back().points;
    EXPECT_NE(std::find(first.begin(), first.end(), f.At(far, far, 0.5L)), first.end()) << static_cast<double>(theta);
    EXPECT_NE(std::find(last.begin(), last.end(), f.At(-far, -far, 0.5L)), last.end()) << static_cast<double>(theta);
  }
}

TEST(SurfaceDrawing, PolygonCountOfAKnownSurfaceStaysFixed) {
  // z = sin(x) cos(y) on a 30 x 30 mesh over [-3, 3]^2, Z axis -1 .. 1. A mesh or shaded
  // graph draws one polygon per cell (29^2); a gradient graph one per band a cell spans,
  // counted independently (numpy: levels truncated from single precision, summed
  // max band - min band + 1 over the cells): 1238 with 6 colours, 2544 with 24, 3110 with 32.
  const auto surface = [](long double x, long double y) { return std::sin(x) * std::cos(y); };
  for (auto [type, polygons] : {std::pair{1, 841u}, {2, 1238u}, {5, 2544u}, {13, 3110u}, {16, 841u}}) {
    SurfaceGraph g(type, 30, surface);
    g.setup.Scaling.Auto[2] = 1;
    EXPECT_EQ(g.Polygons().size(), polygons) << type;
  }
  // A stop request ends the frame at once.
  SurfaceGraph g(5, 30, surface);
  g.setup.Scaling.Auto[2] = 1;
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
