// The graph box on the recording device context: far corner, back planes, front edges,
// grid lines, ticks, labels and axis titles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "graph_fixture.h"

namespace {

using platform::Color;
using platform::DcOp;
using platform::DcOpKind;
using platform::Point;
using platform::RecordingDeviceContext;

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// A box over x 10 .. 14, y 100 .. 104, z 0 .. 4 (4 divisions each) with an empty point
// table, so that everything drawn is the box's.
struct BoxGraph : GraphFixture {
  PointTable table = MakeTable({});

  BoxGraph() {
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    FixRanges({10, 100, 0}, {14, 104, 4});
    view.GridBits = 0;
    view.LabelBits = 0;
  }
  std::unique_ptr<T3DBase> Renderer() {
    auto r = MakeRenderer();
    r->CreateScreenFonts();
    return r;
  }
  RecordingDeviceContext Frame() {
    auto r = Renderer();
    RecordingDeviceContext dc(641, 481);
    r->Draw(dc, kDrawScreen);
    return dc;
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const DcOp& op : Frame().OpsOf(DcOpKind::TextOut)) out.push_back(op.text);
    return out;
  }
};

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

Color RoleColor(const T3DBase& r, int role) {
  const Color c = Basic16Colors[static_cast<std::size_t>(r.ColorIndex(role))];
  return Color::PaletteRgb(c.Red(), c.Green(), c.Blue());
}

TEST(BoxGeometry, ScreenAngleTickEndAndEscapement) {
  struct AngleCase {
    Point a, b;
    long double angle;
  };
  const AngleCase angles[] = {{{0, 0}, {10, 0}, 0},          {{0, 0}, {0, -10}, kPi / 2},
                              {{0, 0}, {-10, 0}, kPi},       {{0, 0}, {0, 10}, 3 * kPi / 2},
                              {{0, 0}, {0, 0}, 3 * kPi / 2}, {{0, 0}, {10, 10}, 7 * kPi / 4},
                              {{5, 5}, {6, 4}, kPi / 4}};
  for (const AngleCase& c : angles) {
    EXPECT_NEAR(static_cast<double>(T3DBase::ScreenAngle(c.a.x, c.a.y, c.b.x, c.b.y)),
                static_cast<double>(c.angle), 1e-15)
        << c.b.x << "," << c.b.y;
  }
  // The end point rounds each offset by adding a half and truncating toward zero.
  EXPECT_EQ(T3DBase::TickEndPoint(10, 10, 5, kPi / 2), (Point{10, 5}));
  EXPECT_EQ(T3DBase::TickEndPoint(10, 10, 5, 0), (Point{15, 10}));
  EXPECT_EQ(T3DBase::TickEndPoint(10, 10, 5, kPi), (Point{6, 10}));  // -5 + 0.5 -> -4
  EXPECT_EQ(T3DBase::TickEndPoint(0, 0, 10, kPi / 4), (Point{7, -7}));
  EXPECT_EQ(T3DBase::AngleToEscapement(0), 0);
  EXPECT_EQ(T3DBase::AngleToEscapement(kPi / 2), 900);
  EXPECT_EQ(T3DBase::AngleToEscapement(-kPi / 2), 2700);
  EXPECT_EQ(T3DBase::AngleToEscapement(kPi), 1800);
}

TEST(BoxGeometry, FarCornerIsTheOneAwayFromTheEye) {
  struct Case {
    long double theta, phi;
    int far;
  };
  // Seen from above, the bottom corner opposite the eye; from below, the top one.
  const Case cases[] = {{30, 20, 0}, {120, 20, 1}, {210, 20, 3}, {300, 20, 2},
                        {30, -20, 4}, {210, -20, 7}};
  for (const Case& c : cases) {
    BoxGraph g;
    g.view.AngleXY = c.theta;
    g.view.AngleZ = c.phi;
    auto r = g.Renderer();
    RecordingDeviceContext dc(641, 481);
    r->Render(dc);
    EXPECT_EQ(r->DrawFrameAndGrids(dc, c.phi >= 0), c.far) << static_cast<double>(c.theta);
  }
}

TEST(BoxFrame, BackPlaneModesAndFrontEdges) {
  struct Case {
    int planes;
    std::size_t polygons;  // faces
    std::size_t edges;     // lines of the box
  };
  // None; Outline: the three edges at the far corner and the nine that do not touch it;
  // Full/Closed: three faces and the nine front edges; Full/Open: the faces only.
  const Case cases[] = {{0, 0, 0}, {1, 0, 12}, {2, 3, 9}, {3, 3, 0}};
  for (const Case& c : cases) {
    BoxGraph g;
    g.view.BackPlanes = static_cast<std::int16_t>(c.planes);
    const RecordingDeviceContext dc = g.Frame();
    EXPECT_EQ(dc.Count(DcOpKind::Polygon), c.polygons) << c.planes;
    EXPECT_EQ(dc.Count(DcOpKind::LineTo), c.edges) << c.planes;
  }
  // No front edge touches the far corner (Xmax, Ymax, Zmin at rotation 210).
  BoxGraph g;
  g.view.BackPlanes = 2;
  auto r = g.Renderer();
  RecordingDeviceContext dc(641, 481);
  r->Draw(dc, kDrawScreen);
  Point far;
  r->Project(14, 104, 0, far.x, far.y);
  for (const DcOp& line : dc.OpsOf(DcOpKind::LineTo)) {
    EXPECT_NE(line.points[0], far);
    EXPECT_NE(line.points[1], far);
    EXPECT_EQ(line.pen.color, RoleColor(*r, kRoleAxes));
  }
}

TEST(BoxGrids, FamiliesLevelsAndSteepViews) {
  struct Case {
    int bits;
    long double elevation;
    std::size_t lines;
  };
  // Three interior lines per family (4 divisions); the constant-Z families (1 and 4) are
  // left out in views steeper than 81 degrees.
  const Case cases[] = {{63, 20, 18}, {63, 85, 12}, {1 | 4, 85, 0}, {16 | 32, 85, 6},
                        {2, -40, 3},  {0, 20, 0}};
  for (const Case& c : cases) {
    BoxGraph g;
    g.view.BackPlanes = 3;
    g.view.GridBits = static_cast<std::int16_t>(c.bits);
    g.view.AngleZ = c.elevation;
    const RecordingDeviceContext dc = g.Frame();
    EXPECT_EQ(dc.Count(DcOpKind::LineTo), c.lines) << c.bits << " at " << static_cast<double>(c.elevation);
  }
  // Level 1: the same lines dotted, one pixel in every second step, in the grid colour.
  BoxGraph g;
  g.view.BackPlanes = 3;
  g.view.GridBits = 2 | (1 << 8);
  auto r = g.Renderer();
  RecordingDeviceContext dc(641, 481);
  r->Draw(dc, kDrawScreen);
  EXPECT_EQ(dc.Count(DcOpKind::LineTo), 0u);
  const auto pixels = dc.OpsOf(DcOpKind::SetPixel);
  ASSERT_FALSE(pixels.empty());
  EXPECT_EQ(pixels[0].color, RoleColor(*r, kRoleXZGrids));
}

TEST(BoxGrids, DottedLineSetsEveryGthPixel) {
  BoxGraph g;
  auto r = g.Renderer();
  struct Case {
    Point a, b;
    int spacing;
    std::vector<Point> pixels;
  };
  const Case cases[] = {
      {{0, 0}, {10, 0}, 2, {{0, 0}, {2, 0}, {4, 0}, {6, 0}, {8, 0}, {10, 0}}},
      {{5, 9}, {5, 3}, 3, {{5, 9}, {5, 6}, {5, 3}}},
      {{0, 0}, {9, 3}, 3, {{0, 0}, {3, 1}, {6, 2}, {9, 3}}},
      {{0, 0}, {-4, -4}, 4, {{0, 0}, {-4, -4}}},
  };
  for (const Case& c : cases) {
    RecordingDeviceContext dc(20, 20);
    r->DrawGridLine(dc, c.a.x, c.a.y, c.b.x, c.b.y, 3, Color::Rgb(0, 128, 128), c.spacing);
    std::vector<Point> set;
    for (const DcOp& op : dc.OpsOf(DcOpKind::SetPixel)) set.push_back(op.points[0]);
    EXPECT_EQ(set, c.pixels) << c.b.x << "," << c.b.y;
  }
  // Below 2 the line is solid, in the basic pen of the colour index.
  RecordingDeviceContext dc(20, 20);
  r->DrawGridLine(dc, 0, 0, 10, 5, 3, Color::Rgb(0, 128, 128), 1);
  const auto lines = dc.OpsOf(DcOpKind::LineTo);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].pen.color, Color::PaletteRgb(0, 128, 128));
}

TEST(BoxGrids, LogAxisGetsMinorLinesAndResidualFloorLiesAtZero) {
  BoxGraph g;
  g.view.BackPlanes = 3;
  g.view.GridBits = 16;  // floor lines of constant X
  g.FixRanges({0, 100, 0}, {3, 104, 4});
  g.setup.Scaling.Divs = {3, 4, 4};
  g.setup.Scaling.Log[0] = 1;  // decades 1 .. 1000
  // Two interior decades and eight minor lines in each of the three.
  EXPECT_EQ(g.Frame().Count(DcOpKind::LineTo), 2u + 3u * 8u);

  BoxGraph residual;
  residual.setup.Points = [&residual] { return std::span<const TXYZPoint>(residual.table); };
  residual.setup.SurfaceFn = [](long double, long double) { return 0.0L; };
  residual.setup.ResidualMode = 1;
  residual.FixRanges({0, 100, -2}, {4, 104, 2});
  residual.view.BackPlanes = 3;
  residual.view.GridBits = 32;  // floor lines of constant Y
  auto r = residual.Renderer();
  RecordingDeviceContext dc(641, 481);
  r->Draw(dc, kDrawScreen);
  const auto lines = dc.OpsOf(DcOpKind::LineTo);
  ASSERT_EQ(lines.size(), 3u);
  Point start;
  r->Project(0, 101, 0, start.x, start.y);
  EXPECT_EQ(lines[0].points[0], start);
}

TEST(BoxLabels, ViewsAlongAnAxisLeaveItsLabelsOut) {
  struct Case {
    long double theta, phi;
    int bits;
    bool x, y, z;
  };
  const Case cases[] = {
      {0, 0, 3, false, true, false},   // from the side along X: only the Y labels
      {180, 0, 3, false, true, false},
      {90, 0, 3, true, false, false},  // along Y: only the X labels
      {45, 0, 3, false, false, false}, // any other side view: neither
      {30, 20, 15, true, true, true},
      {30, 80, 12, false, false, true},
      {30, 85, 12, false, false, false},  // too steep for the Z axes
      {30, 90, 15, true, true, false},    // from the top: no Z labels
      {30, -90, 15, true, true, false},
  };
  for (const Case& c : cases) {
    BoxGraph g;
    g.view.AngleXY = c.theta;
    g.view.AngleZ = c.phi;
    g.view.LabelBits = static_cast<std::int16_t>(c.bits);
    const std::vector<std::string> texts = g.Texts();
    // Every axis labels its middle value: X 12, Y 102, Z 2.
    const std::string view = std::to_string(static_cast<int>(c.theta)) + "/" +
                             std::to_string(static_cast<int>(c.phi));
    EXPECT_EQ(Contains(texts, "12"), c.x) << view;
    EXPECT_EQ(Contains(texts, "102"), c.y) << view;
    EXPECT_EQ(Contains(texts, "2"), c.z) << view;
  }
}

TEST(BoxLabels, DivisionValuesSnapToZero) {
  struct Case {
    long double low, high;
    int divisions;
    long double theta;
    std::vector<std::string> labels;
  };
  const Case cases[] = {
      {-1, 1, 4, 210, {"-1", "-0.5", "0", "0.5"}},  // from the low end
      {-1, 1, 4, 30, {"1", "0.5", "0", "-0.5"}},    // from the high end
      // -0.3 + 3 x 0.1 is 5.6e-17 in floating point: shown as 0.
      {-0.3L, 0.3L, 6, 210, {"-0.3", "-0.2", "-0.1", "0", "0.1", "0.2"}},
  };
  for (const Case& c : cases) {
    BoxGraph g;
    g.FixRanges({c.low, 100, 0}, {c.high, 104, 4});
    g.setup.Scaling.Divs = {static_cast<std::int16_t>(c.divisions), 4, 4};
    g.view.AngleXY = c.theta;
    g.view.LabelBits = 1;
    EXPECT_EQ(g.Texts(), c.labels) << static_cast<double>(c.theta);
  }
  // A log axis shows the powers of ten.
  BoxGraph g;
  g.FixRanges({0, 100, 0}, {3, 104, 4});
  g.setup.Scaling.Divs = {3, 4, 4};
  g.setup.Scaling.Log[0] = 1;
  g.view.LabelBits = 1;
  EXPECT_EQ(g.Texts(), (std::vector<std::string>{"1", "10", "100"}));
  // The label precision is the graph labels' digits.
  SetGraphLabelDigits(3);
  g.FixRanges({0, 100, 0}, {2, 104, 4});
  g.setup.Scaling.Divs = {3, 4, 4};
  g.setup.Scaling.Log[0] = 0;
  EXPECT_EQ(g.Texts(), (std::vector<std::string>{"0", "0.667", "1.33"}));
  SetGraphLabelDigits(kDefaultGraphLabelDigits);
}

TEST(BoxLabels, TicksAndZLabelsStandBesideTheirAxes) {
  BoxGraph g;
  g.view.LabelBits = 4 | 8;
  g.view.BackPlanes = 0;  // the Z axis lines are drawn too
  auto r = g.Renderer();
  RecordingDeviceContext dc(641, 481);
  r->Draw(dc, kDrawScreen);
  const auto texts = dc.OpsOf(DcOpKind::TextOut);
  ASSERT_EQ(texts.size(), 10u);  // levels 0 .. 4 on both axes
  const int L = 640 / 200 + 480 / 200;
  // At rotation 210 the Z axes stand at (Xmax, Ymin) and (Xmin, Ymax).
  Point a, b;
  r->Project(14, 100, 0, a.x, a.y);
  r->Project(10, 104, 0, b.x, b.y);
  const Point left = a.x <= b.x ? a : b, right = a.x <= b.x ? b : a;
  const int h2 = RecordingDeviceContext::TextExtentFor(*r->ScreenFont(15), 2).cy / 2;
  EXPECT_EQ(texts[0].text, "0");
  EXPECT_EQ(texts[0].points[0], (Point{left.x - 2 * L, left.y - h2}));
  EXPECT_EQ(texts[0].align & platform::TextAlign::kHorizontalMask, platform::TextAlign::kRight);
  EXPECT_EQ(texts[1].points[0], (Point{right.x + 2 * L, right.y - h2}));
  EXPECT_EQ(texts[1].align & platform::TextAlign::kHorizontalMask, platform::TextAlign::kLeft);
  EXPECT_EQ(texts[0].color, RoleColor(*r, kRoleAxisLabels));
  const auto lines = dc.OpsOf(DcOpKind::LineTo);
  // Ten ticks of L pixels (left, then right), then the two axis lines.
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0].points[0], left);
  EXPECT_EQ(lines[0].points[1], (Point{left.x - L, left.y}));
  EXPECT_EQ(lines[1].points[1], (Point{right.x + L, right.y}));
}

TEST(BoxTitles, PlainRotatedCodedAndStripped) {
  BoxGraph g;
  g.titles.AxisTitles = {"Distance", "Depth", "~@D~@h"};
  g.view.LabelBits = 1 | 4;
  auto r = g.Renderer();
  RecordingDeviceContext dc(641, 481);
  r->Draw(dc, kDrawScreen);
  auto texts = dc.OpsOf(DcOpKind::TextOut);
  auto find = [&](const std::string& text) -> const DcOp* {
    for (const DcOp& op : texts) {
      if (op.text == text) return &op;
    }
    return nullptr;
  };
  const DcOp* x = find("Distance");
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->font.escapement, 0);  // not rotated: the label font
  EXPECT_EQ(x->color, RoleColor(*r, kRoleAxisTitles));
  // The coded Z title runs upward: the Symbol font's D (a Delta), then h.
  const DcOp* delta = find("D");
  ASSERT_NE(delta, nullptr);
  EXPECT_EQ(delta->font.charset, platform::CharSet::Symbol);
  EXPECT_EQ(delta->font.escapement, 900);
  ASSERT_NE(find("h"), nullptr);
  EXPECT_EQ(find("Depth"), nullptr);  // no Y labels, no Y title

  // Rotate X: the title runs along the X axis, centred on its anchor.
  g.view.LabelBits = 1 | 16;
  r = g.Renderer();
  RecordingDeviceContext turned(641, 481);
  r->Draw(turned, kDrawScreen);
  texts = turned.OpsOf(DcOpKind::TextOut);
  x = find("Distance");
  ASSERT_NE(x, nullptr);
  EXPECT_NE(x->font.escapement, 0);
  EXPECT_EQ(x->align & platform::TextAlign::kHorizontalMask, platform::TextAlign::kCenter);

  // A metafile with plain text draws the title with its codes removed.
  g.view.LabelBits = 4;
  r = g.Renderer();
  RecordingDeviceContext plain(641, 481);
  r->Draw(plain, kDrawMetafilePlain);
  texts = plain.OpsOf(DcOpKind::TextOut);
  ASSERT_NE(find("Dh"), nullptr);
  EXPECT_EQ(find("D"), nullptr);
}

TEST(BoxLabels, NothingWithoutFonts) {
  BoxGraph g;
  g.view.LabelBits = 15;
  auto r = g.MakeRenderer();  // no fonts made
  RecordingDeviceContext dc(641, 481);
  r->Draw(dc, kDrawScreen);
  EXPECT_EQ(dc.Count(DcOpKind::TextOut), 0u);
}

}  // namespace
