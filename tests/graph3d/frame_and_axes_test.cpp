// The graph box on the recording device context: far corner, back planes, front edges,
// grid lines, ticks, labels and axis titles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "graph_fixture.h"
#include "graph3d/label_thinning.h"

namespace {

using platform::Color;
using platform::DcOp;
using platform::DcOpKind;
using platform::Point;
using platform::RecordingDeviceContext;
using Texts = std::vector<std::string>;

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
  Drawing Frame(int mode = kDrawScreen) { return Draw(640, 480, true, mode); }
  Texts TextsDrawn() {
    Texts out;
    for (const DcOp& op : Frame().Ops(DcOpKind::TextOut)) out.push_back(op.text);
    return out;
  }
};

bool Contains(const Texts& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
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
  for (auto [angle, escapement] : {std::pair{0.0L, 0}, {kPi / 2, 900}, {-kPi / 2, 2700}, {kPi, 1800}})
    EXPECT_EQ(T3DBase::AngleToEscapement(angle), escapement) << escapement;
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
    Drawing f = g.Frame();
    EXPECT_EQ(f.r->DrawFrameAndGrids(f.dc, c.phi >= 0), c.far) << static_cast<double>(c.theta);
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
    const Drawing f = g.Frame();
    EXPECT_EQ(f.Count(DcOpKind::Polygon), c.polygons) << c.planes;
    EXPECT_EQ(f.Count(DcOpKind::LineTo), c.edges) << c.planes;
    // No front edge touches the far corner (Xmax, Ymax, Zmin at rotation 210).
    for (const DcOp& line : f.Ops(DcOpKind::LineTo)) {
      if (c.planes != 2) break;
      EXPECT_NE(line.points[0], f.At(14, 104, 0));
      EXPECT_NE(line.points[1], f.At(14, 104, 0));
      EXPECT_EQ(line.pen.color, f.Role(kRoleAxes));
    }
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
    EXPECT_EQ(g.Frame().Count(DcOpKind::LineTo), c.lines) << c.bits << " at " << static_cast<double>(c.elevation);
  }
  // Level 1: the same lines dotted, one pixel in every second step, in the grid colour.
  BoxGraph g;
  g.view.BackPlanes = 3;
  g.view.GridBits = 2 | (1 << 8);
  const Drawing f = g.Frame();
  EXPECT_EQ(f.Count(DcOpKind::LineTo), 0u);
  const auto pixels = f.Ops(DcOpKind::SetPixel);
  ASSERT_FALSE(pixels.empty());
  EXPECT_EQ(pixels[0].color, f.Role(kRoleXZGrids));
}

TEST(BoxGrids, DottedLineSetsEveryGthPixel) {
  BoxGraph g;
  auto r = g.MakeRenderer();
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
  residual.setup.SurfaceFn = [](long double, long double) { return 0.0L; };
  residual.setup.ResidualMode = 1;
  residual.FixRanges({0, 100, -2}, {4, 104, 2});
  residual.view.BackPlanes = 3;
  residual.view.GridBits = 32;  // floor lines of constant Y
  const Drawing f = residual.Frame();
  const auto lines = f.Ops(DcOpKind::LineTo);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].points[0], f.At(0, 101, 0));
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
      {30, 20, 15, true, true, true},     {30, 80, 12, false, false, true},
      {30, 85, 12, false, false, false},  // too steep for the Z axes
      {30, 90, 15, true, true, false},    {30, -90, 15, true, true, false},  // from the top: no Z labels
  };
  for (const Case& c : cases) {
    BoxGraph g;
    g.view.AngleXY = c.theta;
    g.view.AngleZ = c.phi;
    g.view.LabelBits = static_cast<std::int16_t>(c.bits);
    const Texts texts = g.TextsDrawn();
    // X and Y label their middle values 12 and 102; Z, seen steeply its labels thinned,
    // always its lowest, 0.
    SCOPED_TRACE(std::to_string(static_cast<int>(c.theta)) + "/" + std::to_string(static_cast<int>(c.phi)));
    EXPECT_EQ(Contains(texts, "12"), c.x);
    EXPECT_EQ(Contains(texts, "102"), c.y);
    EXPECT_EQ(Contains(texts, "0"), c.z);
  }
}

TEST(BoxLabels, DivisionValuesSnapToZero) {
  struct Case {
    long double low, high;
    int divisions, log, digits;
    long double theta;
    Texts labels;
  };
  const Case cases[] = {
      {-1, 1, 4, 0, kDefaultGraphLabelDigits, 210, {"-1", "-0.5", "0", "0.5"}},  // from the low end
      {-1, 1, 4, 0, kDefaultGraphLabelDigits, 30, {"1", "0.5", "0", "-0.5"}},    // from the high end
      // -0.3 + 3 x 0.1 is 5.6e-17 in floating point: shown as 0.
      {-0.3L, 0.3L, 6, 0, kDefaultGraphLabelDigits, 210, {"-0.3", "-0.2", "-0.1", "0", "0.1", "0.2"}},
      {0, 3, 3, 1, kDefaultGraphLabelDigits, 210, {"1", "10", "100"}},  // a log axis: powers of ten
      {0, 2, 3, 0, 3, 210, {"0", "0.667", "1.33"}},  // the graph labels' digits
  };
  for (const Case& c : cases) {
    BoxGraph g;
    g.FixRanges({c.low, 100, 0}, {c.high, 104, 4});
    g.setup.Scaling.Divs = {static_cast<std::int16_t>(c.divisions), 4, 4};
    g.setup.Scaling.Log[0] = static_cast<std::int16_t>(c.log);
    g.view.AngleXY = c.theta;
    g.view.LabelBits = 1;
    SetGraphLabelDigits(c.digits);
    EXPECT_EQ(g.TextsDrawn(), c.labels) << static_cast<double>(c.theta);
  }
  SetGraphLabelDigits(kDefaultGraphLabelDigits);
}

// Labels of an axis far from 0 at six digits all read "1e+20": the axis takes the digits
// that tell its divisions apart, and each label reads its division's value; the Z axis alike.
// A scaling range of Min = Max = 1E20 is widened by 2^-40 of its value and then reads
// "1.0000000000000e+20", "1.0000000000002e+20", ... instead of five times "1e+20"; the labels
// of an axis share their digits (the first once read "1e+20").
TEST(BoxLabels, FarOffAxesTakeTheDigitsThatTellTheirDivisionsApart) {
  struct Case {
    long double low, high;
    int axis;
    Texts labels;
  };
  long double wideLow = 1e20L, wideHigh = 1e20L;
  WidenEmptyRange(wideLow, wideHigh);
  const Case cases[] = {
      // The fourth label, "1.00000000000003e+20", has no room off the floor beside the graph's
      // edge: it is left out, where it ran onto the floor.
      {1e20L, 1e20L + 4e6L, kAxisX, {"1.00000000000000e+20", "1.00000000000001e+20", "1.00000000000002e+20"}},
      {-1e-3L - 4e-15L, -1e-3L, kAxisX,
       {"-0.001000000000004", "-0.001000000000003", "-0.001000000000002", "-0.001000000000001"}},
      {1e6L, 1e6L + 0.4L, kAxisX, {"1000000", "1000000.1", "1000000.2", "1000000.3"}},
      {1, 2, kAxisX, {"1", "1.25", "1.5", "1.75"}},  // ordinary axes keep six digits
      {1e20L, 1e20L + 4e6L, kAxisZ,
       {"1.00000000000000e+20", "1.00000000000001e+20", "1.00000000000002e+20", "1.00000000000003e+20",
        "1.00000000000004e+20"}},
      {wideLow, wideHigh, kAxisZ,
       {"1.0000000000000e+20", "1.0000000000002e+20", "1.0000000000005e+20", "1.0000000000007e+20",
        "1.0000000000009e+20"}},
  };
  for (const Case& c : cases) {
    BoxGraph g;
    std::array<long double, 3> low{10, 100, 0}, high{14, 104, 4};
    low[static_cast<std::size_t>(c.axis)] = c.low;
    high[static_cast<std::size_t>(c.axis)] = c.high;
    g.FixRanges(low, high);
    g.view.LabelBits = c.axis == kAxisX ? 1 : 4;
    g.view.AngleXY = 210;
    Texts labels = g.TextsDrawn();
    SCOPED_TRACE(c.labels.front());
    EXPECT_EQ(labels, c.labels);
  }
}

TEST(BoxLabels, TicksAndZLabelsStandBesideTheirAxes) {
  BoxGraph g;
  g.view.LabelBits = 4 | 8;
  g.view.BackPlanes = 0;  // the Z axis lines are drawn too
  const Drawing f = g.Frame();
  const auto texts = f.Ops(DcOpKind::TextOut);
  ASSERT_EQ(texts.size(), 10u);  // levels 0 .. 4 on both axes
  const int L = 640 / 200 + 480 / 200;
  // At rotation 210 the Z axes stand at (Xmax, Ymin) and (Xmin, Ymax).
  const Point a = f.At(14, 100, 0), b = f.At(10, 104, 0);
  const Point left = a.x <= b.x ? a : b, right = a.x <= b.x ? b : a;
  const int h2 = RecordingDeviceContext::TextExtentFor(*f.r->ScreenFont(15), 2).cy / 2;
  EXPECT_EQ(texts[0].text, "0");
  EXPECT_EQ(texts[0].points[0], (Point{left.x - 2 * L, left.y - h2}));
  EXPECT_EQ(texts[0].align & platform::TextAlign::kHorizontalMask, platform::TextAlign::kRight);
  EXPECT_EQ(texts[1].points[0], (Point{right.x + 2 * L, right.y - h2}));
  EXPECT_EQ(texts[1].align & platform::TextAlign::kHorizontalMask, platform::TextAlign::kLeft);
  EXPECT_EQ(texts[0].color, f.Role(kRoleAxisLabels));
  const auto lines = f.Ops(DcOpKind::LineTo);
  // Ten ticks of L pixels (left, then right), then the two axis lines.
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0].points, (std::vector<Point>{left, {left.x - L, left.y}}));
  EXPECT_EQ(lines[1].points[1], (Point{right.x + L, right.y}));
}

// Label boxes: placed by their alignment, turned with their font, and touching only when
// they share more than an edge.
TEST(LabelThinning, BoxesAndTheirOverlaps) {
  namespace TA = platform::TextAlign;
  const auto corners = [](const TLabelBox& b) {
    std::vector<std::pair<long, long>> out;
    for (const auto& c : b.corners) out.emplace_back(std::lround(c[0]), std::lround(c[1]));
    return out;
  };
  using Corners = std::vector<std::pair<long, long>>;
  EXPECT_EQ(corners(LabelBoxAt(100, 50, {30, 10}, TA::kLeft | TA::kTop, 0, 2)),
            (Corners{{98, 50}, {132, 50}, {132, 60}, {98, 60}}));
  EXPECT_EQ(corners(LabelBoxAt(100, 50, {30, 10}, TA::kRight | TA::kBottom, 0, 0)),
            (Corners{{70, 40}, {100, 40}, {100, 50}, {70, 50}}));
  EXPECT_EQ(corners(LabelBoxAt(100, 50, {30, 10}, TA::kCenter | TA::kTop, 0, 0)),
            (Corners{{85, 50}, {115, 50}, {115, 60}, {85, 60}}));
  // Turned a quarter counter-clockwise the text runs upward and its glyphs lean right.
  EXPECT_EQ(corners(LabelBoxAt(100, 50, {30, 10}, TA::kLeft | TA::kTop, 900, 0)),
            (Corners{{100, 50}, {100, 20}, {110, 20}, {110, 50}}));

  const TLabelBox a = LabelBoxAt(0, 0, {20, 10}, TA::kLeft | TA::kTop, 0, 0);
  EXPECT_FALSE(LabelBoxesOverlap(a, LabelBoxAt(20, 0, {20, 10}, TA::kLeft | TA::kTop, 0, 0)));  // shares an edge
  EXPECT_TRUE(LabelBoxesOverlap(a, LabelBoxAt(19, 9, {20, 10}, TA::kLeft | TA::kTop, 0, 0)));
  EXPECT_FALSE(LabelBoxesOverlap(a, LabelBoxAt(0, 10, {20, 10}, TA::kLeft | TA::kTop, 0, 0)));  // the next line
  // Two turned labels side by side, and one crossing them.
  const TLabelBox up1 = LabelBoxAt(0, 100, {40, 10}, TA::kLeft | TA::kTop, 900, 0);
  EXPECT_FALSE(LabelBoxesOverlap(up1, LabelBoxAt(12, 100, {40, 10}, TA::kLeft | TA::kTop, 900, 0)));
  EXPECT_TRUE(LabelBoxesOverlap(up1, LabelBoxAt(-10, 80, {40, 10}, TA::kLeft | TA::kTop, 0, 0)));
}

TEST(LabelThinning, StrideKeepsEveryKthLabelApart) {
  namespace TA = platform::TextAlign;
  const auto row = [](int spacing, int count) {
    std::vector<TLabelBox> boxes;
    for (int i = 0; i < count; ++i) boxes.push_back(LabelBoxAt(i * spacing, 0, {18, 10}, TA::kLeft | TA::kTop, 0, 2));
    return boxes;
  };
  const struct {
    int spacing, count, stride;
  } cases[] = {{30, 10, 1}, {22, 10, 1}, {21, 10, 2}, {15, 10, 2}, {10, 10, 3}, {5, 10, 5}, {0, 10, 10},
               {0, 1, 1},   {0, 0, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(LabelStride(row(c.spacing, c.count)), c.stride) << c.spacing << " x " << c.count;
}

// The labels of a long range on a small graph would run together: every k-th is drawn, no
// two of those touch, and the first always stands.
TEST(BoxLabels, LabelsThatWouldRunTogetherAreThinnedEvenly) {
  for (const int width : {640, 320, 160}) {
    for (const int bits : {1, 2, 4 | 8, 1 | 16}) {
      BoxGraph g;
      g.FixRanges({-5, 0, 0}, {5, 3, 15}, 10);
      g.view.LabelBits = static_cast<std::int16_t>(bits);
      const Drawing f = g.Draw(width, width * 3 / 4, true);
      const std::vector<DcOp> texts = f.dc.OpsOf(DcOpKind::TextOut);
      SCOPED_TRACE(std::to_string(width) + " bits " + std::to_string(bits));
      ASSERT_FALSE(texts.empty());
      std::vector<TLabelBox> boxes;
      for (const DcOp& op : texts)
        boxes.push_back(LabelBoxAt(op.points[0].x, op.points[0].y,
                                   RecordingDeviceContext::TextExtentFor(op.font, op.text.size()), op.align,
                                   op.font.escapement, 0));
      for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t k = i + 1; k < boxes.size(); ++k)
          EXPECT_FALSE(LabelBoxesOverlap(boxes[i], boxes[k])) << texts[i].text << " and " << texts[k].text;
      // Evenly thinned: the values drawn step by one amount (the Z columns draw each twice).
      std::vector<long double> values;
      for (const DcOp& op : texts)
        if (values.empty() || std::stold(op.text) != values.back()) values.push_back(std::stold(op.text));
      for (std::size_t i = 2; i < values.size(); ++i)
        EXPECT_NEAR(static_cast<double>(values[i] - values[i - 1]), static_cast<double>(values[1] - values[0]), 1e-9);
    }
  }
}

TEST(BoxTitles, PlainRotatedCodedAndStripped) {
  BoxGraph g;
  g.titles.AxisTitles = {"Distance", "Depth", "~@D~@h"};
  auto find = [](const Drawing& f, const std::string& text) -> std::optional<DcOp> {
    for (const DcOp& op : f.Ops(DcOpKind::TextOut))
      if (op.text == text) return op;
    return std::nullopt;
  };
  g.view.LabelBits = 1 | 4;
  Drawing f = g.Frame();
  auto x = find(f, "Distance");
  ASSERT_TRUE(x);
  EXPECT_EQ(x->font.escapement, 0);  // not rotated: the label font
  EXPECT_EQ(x->color, f.Role(kRoleAxisTitles));
  // The coded Z title runs upward: the Symbol font's D (a Delta), then h.
  const auto delta = find(f, "D");
  ASSERT_TRUE(delta);
  EXPECT_EQ(delta->font.charset, platform::CharSet::Symbol);
  EXPECT_EQ(delta->font.escapement, 900);
  EXPECT_TRUE(find(f, "h"));
  EXPECT_FALSE(find(f, "Depth"));  // no Y labels, no Y title

  // Rotate X: the title runs along the X axis, centred on its anchor.
  g.view.LabelBits = 1 | 16;
  x = find(g.Frame(), "Distance");
  ASSERT_TRUE(x);
  EXPECT_NE(x->font.escapement, 0);
  EXPECT_EQ(x->align & platform::TextAlign::kHorizontalMask, platform::TextAlign::kCenter);

  // A metafile with plain text draws the title with its codes removed.
  g.view.LabelBits = 4;
  f = g.Frame(kDrawMetafilePlain);
  EXPECT_TRUE(find(f, "Dh"));
  EXPECT_FALSE(find(f, "D"));
}

TEST(BoxLabels, NothingWithoutFonts) {
  BoxGraph g;
  g.view.LabelBits = 15;
  EXPECT_EQ(g.Draw().Count(DcOpKind::TextOut), 0u);  // no fonts made
}

}  // namespace
