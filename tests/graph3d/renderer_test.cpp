#include "graph3d/renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <string>
#include <utility>

#include "app/long_double.h"
#include "graph_fixture.h"

namespace {

using platform::Color;
using platform::DcOpKind;
using platform::RecordingDeviceContext;

long double Saddle(long double x, long double y) { return x * x - y * y; }

// z = x^2 - y^2 over [-3, 3]^2 with the record's defaults.
class Renderer : public ::testing::Test {
 protected:
  Renderer() { g.SetSurface(Saddle); }
  GraphFixture g;
};

TEST(GraphPalettes, SizesAndEntriesAsSpecified) {
  const int counts[kGraphPaletteCount] = {6, 6, 12, 24, 24, 24, 24, 32, 32, 32, 32, 32, 32, 32};
  for (int k = 0; k < kGraphPaletteCount; ++k) {
    const platform::Palette p = BuildGraphPalette(k, 1L << 24);
    EXPECT_EQ(GradientColorCount(k), counts[k]);
    ASSERT_EQ(p.entries.size(), static_cast<std::size_t>(counts[k] + 16)) << k;
    // The 16 basic colours follow the gradient.
    EXPECT_EQ(p.entries[static_cast<std::size_t>(counts[k])], Color::Hex(0x000000));
    EXPECT_EQ(p.entries.back(), Color::Hex(0xFFFFFF));
  }
  // Grey ramp: 96 + 4i in every channel.
  const platform::Palette grey = BuildGraphPalette(10, 1L << 24);
  for (int i = 0; i < 32; ++i) {
    const auto v = static_cast<std::uint8_t>(96 + 4 * i);
    EXPECT_EQ(grey.entries[static_cast<std::size_t>(i)], Color::Rgb(v, v, v));
  }
  // Ramps wrap modulo 256: entry 31 of blue-to-red is red 251, blue 4.
  EXPECT_EQ(BuildGraphPalette(7, 1L << 24).entries[31], Color::Rgb(251, 0, 4));
  EXPECT_EQ(BuildGraphPalette(13, 1L << 24).entries[31], Color::Rgb(255, 0, 0));
  EXPECT_EQ(BuildGraphPalette(3, 1L << 24).entries[23], Color::Hex(0xFF00FF));
  // Dim colours depend on the display.
  EXPECT_EQ(BuildGraphPalette(0, 16).entries[0], Color::Hex(0x800000));
  EXPECT_EQ(BuildGraphPalette(0, 256).entries[0], Color::Hex(0xB00000));
  EXPECT_EQ(BuildGraphPalette(2, 255).entries[2], Color::Hex(0x808000));
  EXPECT_EQ(BuildGraphPalette(2, 256).entries[2], Color::Hex(0xB0B000));
}

TEST_F(Renderer, GraphTypesDecodeAndAnUnknownTypeKeepsThePreviousDecoding) {
  struct Case {
    int type;
    bool fill, gradient, shaded;
    int palette;
  };
  const Case cases[] = {{0, false, false, false, 2}, {1, true, false, false, 2},
                        {5, true, true, false, 3},   {9, true, true, false, 10},
                        {15, true, true, false, 9},  {16, true, false, true, 10},
                        {19, true, false, true, 11}};
  for (const Case& c : cases) {
    GraphTypeDecoding d;
    ASSERT_TRUE(DecodeGraphType(c.type, d));
    EXPECT_EQ(std::tuple(d.fill, d.gradient, d.shaded, d.palette),
              std::tuple(c.fill, c.gradient, c.shaded, c.palette)) << c.type;
  }
  g.view.GraphType = 17;
  auto r = g.MakeRenderer();
  r->MutableView().GraphType = 25;
  r->Prepare();
  EXPECT_TRUE(r->Decoding().shaded);
  EXPECT_EQ(r->Decoding().palette, 13);
}

TEST_F(Renderer, ContentFlagsFollowTheRecord) {
  g.setup.Points = [] { return std::span<const TXYZPoint>(); };
  g.setup.LimitFn = [](long double, long double, long double) { return 1.0L; };
  g.setup.GridFn = [](int, int, std::span<const long double>, std::span<const long double>) {
    return std::vector<long double>();
  };
  EXPECT_EQ(g.MakeRenderer()->ContentFlags(), 1 | 2 | 8 | 32);
  g.setup.ResidualMode = 2;
  // A residual graph shows neither the surface nor the points as such.
  EXPECT_EQ(g.MakeRenderer()->ContentFlags(), 4 | 8 | 32);
}

TEST_F(Renderer, LockBitsProtectTheirFieldsOfTheRecord) {
  auto edit = [this] {
    auto r = g.MakeRenderer();
    r->MutableView().AngleXY = 33;
    r->MutableView().GraphType = 2;
    r->MutableView().MeshX = 9;
    r->MutableScaling().Zoom[0] = 4;
  };
  g.setup.LockMask = kLockEverything;
  const T3DViewRec before = g.view;
  const T3DScalingBlock scalingBefore = g.setup.Scaling;
  edit();
  EXPECT_EQ(g.view, before);
  EXPECT_EQ(g.setup.Scaling, scalingBefore);
  g.setup.LockMask = kLockGraphType | kLockMesh;
  edit();
  EXPECT_EQ(g.view.AngleXY, 33);
  EXPECT_EQ(g.view.GraphType, 5);
  EXPECT_EQ(g.view.MeshX, 35);
}

TEST_F(Renderer, HideMeshIsStoredOnlyFromRichDisplaysAndAnEmptyFaceIsArialTwelve) {
  for (long colors : {16L, 256L}) {
    DisplayColors display(colors);
    g.view.HideMesh = 1;
    g.MakeRenderer();
    EXPECT_EQ(g.view.HideMesh, colors > 255 ? 1 : 0) << colors;
  }
  g.font = platform::Font{};
  g.MakeRenderer();
  EXPECT_EQ(g.font.face, "Arial");
  EXPECT_EQ(g.font.height, 12);
}

TEST_F(Renderer, ColourSchemesComeFromTheTableOrTheUserSchemes) {
  g.scheme = 4;  // "Red"
  EXPECT_EQ(g.MakeRenderer()->ColorIndex(kRoleBackground), 4);
  g.scheme = kUserScheme;
  g.setup.UserScheme = 14;
  g.userSchemes[14].fill(9);
  g.userSchemes[14][kRoleTitle] = 200;  // damaged: not one of the 16 colours
  auto r = g.MakeRenderer();
  EXPECT_EQ(r->ColorIndex(kRoleBackground), 9);
  EXPECT_EQ(r->ColorIndex(kRoleTitle), 0);
  r->SetSchemeNumber(2);
  r->CopySchemeToUser();
  EXPECT_EQ(g.userSchemes[14], BuiltinColorScheme(ColorSchemeTable, 2));
}

TEST_F(Renderer, ResidualBandColours) {
  long double sigma = 0;
  g.points.FitRecord = &sigma;
  auto r = g.MakeRenderer();
  r->SetResidualBand();
  EXPECT_EQ(r->ResidualColor(1e6L), kRolePoints1SD);  // band 0: every point in the first colour
  sigma = 2;
  r->SetResidualBand();
  const std::pair<long double, int> bands[] = {{2, kRolePoints1SD}, {3.9L, kRolePoints2SD},
                                               {6, kRolePoints3SD}, {6.01L, kRolePointsOver3SD}};
  for (auto [residual, role] : bands) EXPECT_EQ(r->ResidualColor(residual), role) << static_cast<double>(residual);
}

TEST_F(Renderer, PerspectiveLevelsAndTheMissingValueOffScreen) {
  const std::pair<long double, long double> expected[] = {
      {0, 1}, {2000, 0.922L}, {1500, 0.896L}, {1250, 0.875L}, {1000, 0.844L}, {750, 0.792L}};
  auto r = g.MakeRenderer();
  for (int level = 0; level <= 9; ++level) {
    r->MutableView().Perspective = level;
    r->SetupView(30, 20);
    const auto& e = level <= 5 ? expected[level] : expected[2];  // others draw as level 2
    EXPECT_EQ(r->EyeDistance(), e.first) << level;
    EXPECT_EQ(r->PerspectiveFactor(), e.second) << level;
  }
  int x = 0, y = 0;
  EXPECT_EQ(r->Project(0, 0, ExprErrorValue, x, y), -1);
  EXPECT_EQ(x, T3DBase::kOffScreen);
  EXPECT_EQ(y, T3DBase::kOffScreen);
  EXPECT_EQ(r->Project(0, 0, std::numeric_limits<long double>::infinity(), x, y), -1);
  EXPECT_EQ(r->Project(0, 0, 0, x, y), 1);
}

TEST_F(Renderer, ParallelProjectionOfTheBoxCentre) {
  // Straight from above (elevation 90) at rotation 0 without perspective, x runs up the
  // screen and y to the right: the centre of the box lands on the view centre.
  g.view.Perspective = 0;
  g.view.LabelBits = 0;
  auto r = g.MakeRenderer(400, 300);
  r->SetupView(0, 90);
  int cx = 0, cy = 0, px = 0, py = 0;
  r->Project(r->AxisMid(kAxisX), r->AxisMid(kAxisY), r->AxisMid(kAxisZ), cx, cy);
  EXPECT_EQ(cx, 200);
  EXPECT_EQ(cy, 150 + 300 / 25);
  // One axis unit (1/180 of the X range) moves by sx * (1.0) pixels: 300 * 0.85 * 0.005.
  r->Project(r->AxisHigh(kAxisX), r->AxisMid(kAxisY), r->AxisMid(kAxisZ), px, py);
  EXPECT_EQ(px, cx);
  EXPECT_EQ(py, cy + static_cast<int>(90 * 1.275L));
}

TEST_F(Renderer, TallRectanglesShowTheWholeBoxAtTheScaleOfTheirWidth) {
  // A rectangle narrower than 4:3 draws as a 4:3 one of its width would, centred on its own
  // middle; a wider one keeps the scale of its height.
  g.view.Perspective = 0;
  for (const long double theta : {30.0L, 120.0L, 210.0L, 300.0L}) {
    auto wide = g.MakeRenderer(400, 300);
    auto tall = g.MakeRenderer(400, 700);
    auto wider = g.MakeRenderer(800, 300);
    for (T3DBase* r : {wide.get(), tall.get(), wider.get()}) r->SetupView(theta, 20);
    for (int corner = 0; corner < 8; ++corner) {
      const long double x = corner & 1 ? wide->AxisHigh(kAxisX) : wide->AxisLow(kAxisX);
      const long double y = corner & 2 ? wide->AxisHigh(kAxisY) : wide->AxisLow(kAxisY);
      const long double z = corner & 4 ? wide->AxisHigh(kAxisZ) : wide->AxisLow(kAxisZ);
      int wx = 0, wy = 0, tx = 0, ty = 0, vx = 0, vy = 0;
      wide->Project(x, y, z, wx, wy);
      tall->Project(x, y, z, tx, ty);
      wider->Project(x, y, z, vx, vy);
      EXPECT_EQ(tx, wx) << theta << " corner " << corner;
      EXPECT_EQ(ty - (350 + 700 / 25), wy - (150 + 300 / 25)) << theta << " corner " << corner;
      EXPECT_GT(tx, 0);
      EXPECT_LT(tx, 400);
      EXPECT_EQ(vx - 400, wx - 200) << theta << " corner " << corner;
      EXPECT_EQ(vy, wy) << theta << " corner " << corner;
    }
  }
}

// The fonts follow the box: a pane taller than 4:3 (the review's 590 x 700) made them by its
// height, too large for the box's width, and the Z and X titles ran off the pane's sides (at
// 400 x 900 the labels too). Now the labels and titles of such a pane are those of the 4:3
// pane of its width, and every one of them stands within the pane.
TEST_F(Renderer, TallRectanglesDrawTheirTextAtTheScaleOfTheirWidth) {
  g.SetSurface([](long double x, long double y) { return 3000 * std::sin(x) * std::cos(y); }, 0, 9.8L, -5, 5);
  g.titles.AxisTitles = {"Width x [mm]", "Temperature", "Z um"};
  for (const long double theta : {30.0L, 120.0L, 210.0L, 300.0L}) {
    for (const auto& [width, height] : {std::pair{590, 700}, std::pair{400, 900}, std::pair{640, 480}}) {
      g.view.AngleXY = theta;
      const Drawing f = g.Draw(width, height, true);
      SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + " at " + std::to_string(static_cast<int>(theta)));
      auto fourByThree = g.MakeRenderer(width, width * 3 / 4);
      fourByThree->CreateScreenFonts();
      EXPECT_EQ(f.r->ScreenFont(15)->height, fourByThree->ScreenFont(15)->height);
      for (const platform::DcOp& op : f.Ops(DcOpKind::TextOut)) {
        const platform::Size extent = RecordingDeviceContext::TextExtentFor(op.font, op.text.size());
        // Upright text (the Z titles) is as wide as a line is high; the labels and titles
        // along the floor's axes lean, and are taken as wide as their text at most.
        const int across = op.font.escapement == 900 ? extent.cy : extent.cx;
        const unsigned h = op.align & (platform::TextAlign::kCenter | platform::TextAlign::kRight);
        int left = op.points[0].x;
        if (op.font.escapement == 900) {
          left -= op.align & platform::TextAlign::kBottom ? across : 0;
        } else if (h == platform::TextAlign::kRight) {
          left -= across;
        } else if (h == platform::TextAlign::kCenter) {
          left -= across / 2;
        }
        if (op.font.escapement != 0 && op.font.escapement != 900) continue;  // turned along an axis
        EXPECT_GE(left, 0) << op.text;
        EXPECT_LE(left + across, width) << op.text;
      }
    }
  }
}

TEST_F(Renderer, RotationsAreTakenModulo360AndTheElevationIsLimited) {
  g.view.MeshX = g.view.MeshY = 8;
  // The figures of a frame drawn from the view angles.
  auto frame = [this](long double theta, long double phi) {
    g.view.AngleXY = theta;
    g.view.AngleZ = phi;
    std::vector<std::tuple<DcOpKind, std::vector<platform::Point>, platform::Brush>> figures;
    const Drawing f = g.Draw();
    for (const platform::DcOp& op : f.dc.Ops()) figures.emplace_back(op.kind, op.points, op.brush);
    return figures;
  };
  EXPECT_EQ(frame(720, 20), frame(0, 20));
  // A negative rotation is the same view as its positive equivalent, drawn in the same
  // back-to-front order.
  EXPECT_EQ(frame(-90, 20), frame(270, 20));
  EXPECT_EQ(frame(-405, 20), frame(315, 20));
  g.view.AngleZ = 100;
  EXPECT_EQ(g.Draw().r->View().AngleZ, 90);
}

TEST_F(Renderer, ViewOrderFlagsAtTheQuadrantBoundaries) {
  struct Case {
    long double theta;
    bool flipX, flipY, swap;
  };
  const Case cases[] = {{0, false, false, false},   {45, false, false, false},
                        {46, false, false, true},   {90, false, false, true},
                        {135, true, false, true},   {180, true, false, false},
                        {181, true, true, false},   {270, true, true, true},
                        {271, false, true, true},   {315, false, true, true},
                        {359, false, true, false},  {360, false, false, false}};
  auto r = g.MakeRenderer();
  for (const Case& c : cases) {
    r->MutableView().AngleXY = c.theta;
    RecordingDeviceContext dc;
    r->Render(dc);
    EXPECT_EQ(std::tuple(r->FlipX(), r->FlipY(), r->Swap()), std::tuple(c.flipX, c.flipY, c.swap))
        << static_cast<double>(c.theta);
  }
}

TEST(SurfaceGrid, MissingNodesNeverWidenTheRange) {
  GraphFixture g;
  g.view.MeshX = g.view.MeshY = 5;
  g.SetSurface([](long double x, long double y) {
    if (x > 2) return ExprErrorValue;                                  // failed evaluation
    if (y > 2) return std::numeric_limits<long double>::quiet_NaN();  // math error
    return x + y;
  });
  auto r = g.MakeRenderer();
  EXPECT_EQ(r->DataLow(kAxisZ), -6);
  EXPECT_EQ(r->DataHigh(kAxisZ), 1.5L + 1.5L);
  EXPECT_EQ(r->GridValue(4, 0), ExprErrorValue);
  EXPECT_EQ(r->GridValue(0, 4), ExprErrorValue);
  long double lo, hi, xb[6], yb[6];
  r->GridMinMax(lo, hi, xb, yb);
  EXPECT_EQ(lo, -6);
  EXPECT_EQ(hi, 3);
  // Minimum at the first X line: the bracket starts there twice; maximum at x = 1.5.
  EXPECT_EQ((std::vector<long double>{xb[0], xb[1], xb[2], xb[4]}), (std::vector<long double>{-3, -3, -1.5L, 1.5L}));
}

// A function defined up to the axis's ends (SQRT(1-X*X) on [-1, 1], a surface clipped to the
// data rectangle) has a value at every node of the mesh: the last line lies on the end. The
// mesh was walked by adding its spacing to a running coordinate, and the last line came out
// a few units of the last place past the end in about half the meshes, where the function
// had no value and the graph lost its edge. The extremes' brackets name the same lines.
TEST(SurfaceGrid, TheMeshsLastLinesLieOnTheAxisEnds) {
  struct Range {
    long double low, high;
  };
  const Range ranges[] = {{-1, 1}, {0.1L, 0.7L}, {1.1L, 4.67L}, {5e5L, 5.4e6L}};
  int meshes = 0;
  for (const Range& xr : ranges) {
    for (int mesh = 5; mesh <= 120; mesh += 5) {
      GraphFixture g;
      g.view.MeshX = g.view.MeshY = static_cast<std::int16_t>(mesh);
      const Range yr = {xr.low * 2, xr.high * 2};
      g.SetSurface(
          [xr, yr](long double x, long double y) {
            if (x < xr.low || x > xr.high || y < yr.low || y > yr.high) return ExprErrorValue;
            return x + y;
          },
          xr.low, xr.high, yr.low, yr.high);
      auto r = g.MakeRenderer();
      ASSERT_EQ(r->GridNx(), mesh);
      for (int k = 0; k < mesh; ++k) {
        EXPECT_NE(r->GridValue(mesh - 1, k), ExprErrorValue) << mesh << " " << static_cast<double>(xr.high);
        EXPECT_NE(r->GridValue(k, mesh - 1), ExprErrorValue) << mesh << " " << static_cast<double>(yr.high);
      }
      EXPECT_EQ(r->GridValue(mesh - 1, mesh - 1), xr.high + yr.high);
      long double lo, hi, xb[6], yb[6];
      r->GridMinMax(lo, hi, xb, yb);
      EXPECT_EQ(hi, xr.high + yr.high);
      EXPECT_EQ(xb[4], xr.high);
      EXPECT_EQ(yb[4], yr.high);
      ++meshes;
    }
  }
  EXPECT_EQ(meshes, 96);
}

// A surface extrapolated into corners that the region leaves out: those nodes are drawn
// (they stay in the grid) but neither widen the Z range nor become the extreme nodes.
TEST(SurfaceGrid, NodesOutsideTheScaleRegionNeitherWidenTheRangeNorAreExtremes) {
  GraphFixture g;
  g.view.MeshX = g.view.MeshY = 7;  // lines at -3, -2, .., 3
  g.SetSurface([](long double x, long double y) {
    if (x + y > 3) return 100 + x;  // the far corner, beyond the data
    if (x + y < -3) return -100 + x;
    return x - y;
  });
  g.setup.ScaleRegion = [](long double x, long double y) { return std::fabs(x + y) <= 3; };
  auto r = g.MakeRenderer();
  EXPECT_EQ(r->DataLow(kAxisZ), -6);
  EXPECT_EQ(r->DataHigh(kAxisZ), 6);
  EXPECT_EQ(r->GridValue(6, 6), 103);  // drawn all the same
  long double lo, hi, xb[6], yb[6];
  r->GridMinMax(lo, hi, xb, yb);
  EXPECT_EQ(lo, -6);
  EXPECT_EQ(hi, 6);
  EXPECT_EQ((std::vector<long double>{xb[0], xb[1], xb[2], yb[0], yb[1], yb[2]}),
            (std::vector<long double>{-3, -3, -2, 2, 3, 3}));
  // Without the region every node counts; with a region no node falls in, too.
  g.setup.ScaleRegion = nullptr;
  EXPECT_EQ(g.MakeRenderer()->DataHigh(kAxisZ), 103);
  g.setup.ScaleRegion = [](long double, long double) { return false; };
  EXPECT_EQ(g.MakeRenderer()->DataHigh(kAxisZ), 103);
}

TEST(SurfaceGrid, GridCallbackFillsTheGridOrFallsBack) {
  int calls = 0;
  GraphFixture g;
  g.view.MeshX = 3;
  g.view.MeshY = 2;
  g.SetSurface([&](long double x, long double y) {
    ++calls;
    return x - y;
  }, 0, 2, 0, 1);
  std::size_t blockSize = 6;
  g.setup.GridFn = [&](int nx, int ny, std::span<const long double> xs, std::span<const long double> ys) {
    std::vector<long double> block(blockSize);
    for (int j = 0; j < ny && blockSize == 6; ++j)
      for (int i = 0; i < nx; ++i) block[static_cast<std::size_t>(nx * j + i)] = 10 * xs[i] + ys[j];
    return block;
  };
  auto r = g.MakeRenderer();
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(r->GridValue(2, 1), 21);  // x fastest in the block
  EXPECT_EQ(r->GridValue(1, 0), 10);
  blockSize = 5;  // a block of the wrong size is not used
  auto fallback = g.MakeRenderer();
  EXPECT_EQ(calls, 6);
  EXPECT_EQ(fallback->GridValue(2, 1), 1);
}

TEST(SurfaceGrid, FailedSetupLeavesAnEmptyRenderer) {
  GraphFixture g;
  g.SetSurface([](long double, long double) -> long double { throw std::bad_alloc(); });
  T3DBase r;
  EXPECT_FALSE(r.SetData(&g.setup));
  EXPECT_EQ(r.ContentFlags(), 0);
  EXPECT_FALSE(r.DrawingEnabled());
  EXPECT_EQ(r.Setup(), nullptr);
  RecordingDeviceContext dc;
  r.Draw(dc, kDrawScreen);
  EXPECT_TRUE(dc.Ops().empty());
}

TEST(Residuals, StatisticsAndRangesOfTheThreeKinds) {
  // Surface z = 0: the residuals are the z values themselves.
  PointTable table = MakeTable({{0, 0, 1}, {1, 0, -3}, {0, 1, 2}, {1, 1, 4}});
  table[4].Status = kPointInactive;  // left out of every statistic
  long double sigma = 2;
  // Percent residuals are all 100 (the range always holds 0), standardised residuals r / 2.
  const long double lows[] = {-3, 0, -1.5L}, highs[] = {2, 100, 1.5L};
  for (int kind : {1, 2, 3}) {
    SCOPED_TRACE(kind);
    GraphFixture g;
    g.SetSurface([](long double, long double) { return 0.0L; }, 0, 1, 0, 1);
    g.setup.Points = [&] { return std::span<const TXYZPoint>(table); };
    g.setup.ResidualMode = kind;
    g.points.FitRecord = &sigma;
    auto r = g.MakeRenderer();
    const TResidualStats& s = r->ResidualStats();
    EXPECT_EQ(std::tuple(s.count, s.maxAbsRIndex), std::tuple(3, 2));
    EXPECT_EQ((std::vector<long double>{s.minR, s.maxR, s.mean, s.sumSquaredDeviations, s.minP,
                                        s.maxP, s.minS, s.maxAbsS}),
              (std::vector<long double>{-3, 2, 0, 14, 0, 100, -1.5L, 1.5L}));
    EXPECT_NEAR(static_cast<double>(s.standardDeviation), std::sqrt(14.0 / 3), 1e-15);
    EXPECT_EQ(r->DataLow(kAxisZ), lows[kind - 1]);
    EXPECT_EQ(r->DataHigh(kAxisZ), highs[kind - 1]);
  }
  // No usable point gives zeros, not NaN, and never an empty range.
  GraphFixture g;
  g.SetSurface([](long double, long double) { return ExprErrorValue; }, 0, 1, 0, 1);
  g.setup.Points = [&] { return std::span<const TXYZPoint>(table); };
  g.setup.ResidualMode = 1;
  auto r = g.MakeRenderer();
  const TResidualStats& s = r->ResidualStats();
  EXPECT_EQ(s.count, 0);
  EXPECT_EQ((std::vector<long double>{s.mean, s.standardDeviation, s.minR, s.maxR}),
            (std::vector<long double>{0, 0, 0, 1e-8L}));
  EXPECT_TRUE(std::isfinite(r->AxisLow(kAxisZ)) && std::isfinite(r->AxisHigh(kAxisZ)));
}

TEST_F(Renderer, TitleFontSizesFollowTheNumberOfLinesAndAnEnabledCustomSetIsUsed) {
  struct Case {
    int lines;
    std::array<float, 4> factors;
  };
  const Case cases[] = {{2, {1.5f, 1.2f, 1.0f, 1.0f}},
                        {3, {1.2f, 1.0f, 0.875f, 1.0f}},
                        {5, {1.0f, 0.875f, 0.75f, 1.0f}}};
  for (const Case& c : cases) {
    g.font.height = 16;
    g.titles = {};
    for (int k = 0; k < c.lines; ++k) g.titles.Lines[static_cast<std::size_t>(k)] = "line";
    g.titles.Lines[1] = "r~^2~^=0.9";
    EXPECT_EQ(g.MakeRenderer()->TitleCount(), c.lines);
    EXPECT_EQ(g.titles.LineCoded[1], 1);
    EXPECT_EQ(g.titles.LineCoded[0], 0);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(g.titles.FontSizes[k], 16 * c.factors[k]);
  }
  g.custom.Enabled = 1;
  g.custom.Lines[0] = "Custom";
  g.titles.Enabled = 1;
  EXPECT_EQ(g.MakeRenderer()->ActiveTitles(), &g.custom);
  g.custom.Enabled = 0;
  EXPECT_EQ(g.MakeRenderer()->ActiveTitles(), &g.titles);
  EXPECT_EQ(g.titles.Enabled, 0);
}

// A title line wider than the graph is drawn in a font made smaller to fit; a short one
// keeps its font.
TEST_F(Renderer, TitleLinesWiderThanTheGraphShrinkToFit) {
  g.titles.Lines[0] = "Short";
  g.titles.Lines[1] = std::string(150, 'W');
  g.view.LabelBits = 0x40 | 0x80;
  const Drawing d = g.Draw(400, 300, true);
  const auto texts = d.Ops(DcOpKind::TextOut);
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "Short");
  EXPECT_EQ(texts[0].font, *d.r->ScreenFont(0));
  const platform::DcOp& wide = texts[1];
  ASSERT_EQ(wide.text, g.titles.Lines[1]);
  EXPECT_LT(std::abs(wide.font.height), std::abs(d.r->ScreenFont(5)->height));
  const int width = platform::RecordingDeviceContext::TextExtentFor(wide.font, wide.text.size()).cx;
  EXPECT_LE(width, 400);
  EXPECT_GE(wide.points[0].x - width / 2, 0);
}

TEST_F(Renderer, TitlesAreDrawnCentredInTheirColours) {
  g.titles.Lines[0] = "Saddle";
  g.titles.Lines[1] = "r~^2~^=1";
  g.view.LabelBits = 0x40 | 0x80;
  g.scheme = 1;  // title maroon (4), subtitles green (2)
  const auto texts = g.Draw(640, 480, true).Ops(DcOpKind::TextOut);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[0].text, "Saddle");
  EXPECT_EQ(texts[0].color, Color::PaletteRgb(0x80, 0, 0));
  EXPECT_EQ(texts[0].align, platform::TextAlign::kCenter);
  EXPECT_EQ(texts[0].points[0].x, 320);
  // The coded line is drawn run by run: "r", the superscript "2", "=1".
  EXPECT_EQ(texts[1].text, "r");
  EXPECT_EQ(texts[2].text, "2");
  EXPECT_EQ(texts[1].color, Color::PaletteRgb(0, 0x80, 0));
  EXPECT_GT(texts[1].points[0].y, texts[0].points[0].y);
}

TEST(PointOrder, DrawnInViewOrderWithoutReorderingTheTable) {
  PointTable table = MakeTable({{2, 1, 0}, {1, 5, 1}, {1, 2, 2}, {3, 3, 3}});
  const PointTable before = table;
  GraphFixture g;
  g.setup.Points = [&] { return std::span<const TXYZPoint>(table); };
  g.setup.Scaling.DataLow = g.setup.Scaling.AxisLow = {0, 0, 0};
  g.setup.Scaling.DataHigh = g.setup.Scaling.AxisHigh = {4, 6, 3};
  struct Case {
    long double theta;
    std::vector<int> order;  // record numbers
  };
  const Case cases[] = {
      {30, {3, 2, 1, 4}},   // x ascending, then y ascending
      {120, {4, 1, 3, 2}},  // x descending (flip X), y ascending
      {200, {4, 1, 2, 3}},  // x and y descending
      {300, {2, 3, 1, 4}},  // x ascending, y descending
  };
  for (const Case& c : cases) {
    g.view.AngleXY = c.theta;
    EXPECT_EQ(g.Draw().r->PointOrder(), c.order) << static_cast<double>(c.theta);
  }
  for (std::size_t k = 0; k < table.size(); ++k) {
    EXPECT_EQ(table[k].X, before[k].X);
    EXPECT_EQ(table[k].SortKey, before[k].SortKey);
  }
  auto r = g.MakeRenderer();
  r->SortForView(-1, -1);
  EXPECT_EQ(r->PointOrder(), (std::vector<int>{1, 2, 3, 4}));
}

}  // namespace
