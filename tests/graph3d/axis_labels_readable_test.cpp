// Axis labels are read against the graph's background, off the filled floor and back planes,
// in every graph window as it opens with fresh settings. In the scattered-data window (the
// "Cyan" scheme) the labels of map coordinates ("5.4030e+06") ran onto the black floor, where
// navy digits cannot be read, and navy on teal read poorly everywhere else.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/number_scanner.h"
#include "graph3d/graph_options.h"
#include "graph3d/label_thinning.h"
#include "graph_fixture.h"

namespace {

using platform::Color;
using platform::DcOp;
using platform::DcOpKind;
using platform::RecordingDeviceContext;

// The contrast ratio of two colours as the Web Content Accessibility Guidelines (2.x) define
// it, from the relative luminance of sRGB: (L1 + 0.05) / (L2 + 0.05), the lighter first. Text
// of the labels' size needs 4.5 to be read (their level AA).
double Luminance(Color c) {
  const auto channel = [](int v) {
    const double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.Red()) + 0.7152 * channel(c.Green()) + 0.0722 * channel(c.Blue());
}
double Contrast(Color a, Color b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(AxisLabelsReadable, ContrastRatiosAreThoseOfThePublishedDefinition) {
  // Reference values of the definition: black on white 21, and a mid grey (#777777) on white
  // 4.48, which WCAG's own notes give as just short of 4.5.
  EXPECT_NEAR(Contrast(Color::Hex(0x000000), Color::Hex(0xFFFFFF)), 21.0, 1e-9);
  EXPECT_NEAR(Contrast(Color::Hex(0x777777), Color::Hex(0xFFFFFF)), 4.478, 1e-3);
  EXPECT_NEAR(Contrast(Color::Hex(0x000080), Color::Hex(0x008080)), 3.35, 5e-3);  // navy on teal
}

// The windows that host a graph, by their view record and points record: each opens with its
// own view, colour scheme and labels.
struct GraphWindow {
  const char* name;
  int viewSlot, pointsSlot;
};
constexpr GraphWindow kGraphWindows[] = {
    {"data view", kGraphDataStatus, kPointsDataStatus},
    {"function viewer", kGraphFunctionViewer, kPointsDataStatus},
    {"status window with fits", kGraphDataStatusFits, kPointsDataStatusFits},
    {"review", kGraphReviewPane, kPointsReviewPane},
    {"accept or undo", kGraphAcceptUndo, kPointsAcceptUndo},
    {"user function graph", kGraphUserFunction, kPointsUserFunction},
    {"non-linear sampler", kGraphSampler, kPointsDataStatus},
    {"gridded-data spline", kGraphGridSpline, kPointsGridSpline},
    {"scattered data", kGraphScattered, kPointsScattered},
    {"uniform grid", kGraphUniformGrid, kPointsUniformGrid},
    {"loess", kGraphLoess, kPointsLoess},
    {"NURBS", kGraphNurbs, kPointsNurbs},
    {"sparse grid", kGraphSparseGrid, kPointsSparseGrid},
};

// Ranges of map coordinates (eastings and northings in metres), of figures far from the origin
// over a tiny span, small ranges about zero and a plain one.
struct AxisRanges {
  std::array<long double, 3> low, high;
  std::int16_t divisions;
};
constexpr std::size_t kLongestLabels = 3;  // 1e20 over 4e6: "1.00000000000001e+20"
constexpr AxisRanges kRanges[] = {
    {{431000, 5403001.26L, 85}, {436000, 5406999.44L, 110}, 5},
    {{5403000, 612000, 99.99L}, {5406500, 613500, 100.05L}, 7},
    {{612000, 5403000, -1.2e-7L}, {613500, 5406500, 1.3e-7L}, 7},
    {{-0.0012345L, 1e9L, 1e20L}, {-0.0012344L, 1e9L + 4, 1e20L + 4e6L}, 5},
    {{-1e-6L, -2e-6L, -3e-6L}, {1e-6L, 2e-6L, 3e-6L}, 4},
    {{-1, -1, -1}, {1, 1, 1}, 4},
};

// The graph sizes the windows take on screens of 1024 x 768 to 1600 x 1200 (the review's, a
// status window's, the smoothing windows', a residual graph's), and a wide low and a narrow
// tall one.
constexpr std::pair<int, int> kSizes[] = {{1180, 900}, {760, 560}, {580, 520}, {528, 359},
                                         {437, 397}, {900, 300}, {300, 640}};

// One graph window's graph over fixed ranges.
struct WindowGraph {
  ProgramSettings settings;
  std::unique_ptr<TGraphOptions> options;
  PointTable table = MakeTable({});

  WindowGraph(const GraphWindow& window, const AxisRanges& r) {
    ResetDefaults(settings, 1280, 1024);
    options = std::make_unique<TGraphOptions>(settings, window.viewSlot, window.pointsSlot, -1);
    T3DGraphSetup& setup = options->Setup();
    setup.Points = [this] { return std::span<const TXYZPoint>(table); };
    setup.Scaling.Auto = {0, 0, 0};
    setup.Scaling.Zoom = {1, 1, 1};
    setup.Scaling.AxisLow = setup.Scaling.DataLow = r.low;
    setup.Scaling.AxisHigh = setup.Scaling.DataHigh = r.high;
    setup.Scaling.Divs = {r.divisions, r.divisions, r.divisions};
    options->titles.AxisTitles = {"EASTING", "NORTHING", "ELEVATION"};
    options->titles.Lines = {"SURVEY", "SOUTH FIELD", "", "", ""};
  }

  Drawing Draw(int width, int height, int angleXY, int angleZ) {
    options->view.AngleXY = angleXY;
    options->view.AngleZ = angleZ;
    Drawing d{std::make_unique<T3DBase>(), RecordingDeviceContext(width + 1, height + 1)};
    d.r->SetGraphRect(platform::Rect{0, 0, width, height});
    d.r->SetData(&options->Setup(), true);
    d.r->CreateScreenFonts();
    d.r->Draw(d.dc, kDrawScreen);
    return d;
  }
};

TLabelBox BoxOf(const DcOp& op) {
  return LabelBoxAt(op.points[0].x, op.points[0].y, RecordingDeviceContext::TextExtentFor(op.font, op.text.size()),
                    op.align, op.font.escapement, 0);
}

// The filled faces of the box as drawn: the polygons filled before the first text, in the
// colours of the floor and the two back planes.
std::vector<TLabelBox> FilledPlanes(const Drawing& d) {
  std::vector<TLabelBox> faces;
  const Color planes[] = {d.Role(kRoleXYBackPlane), d.Role(kRoleXZBackPlane), d.Role(kRoleYZBackPlane)};
  for (const DcOp& op : d.dc.Ops()) {
    if (op.kind == DcOpKind::TextOut) break;
    if (op.kind != DcOpKind::Polygon || op.points.size() != 4) continue;
    const auto same = [&op](Color c) {
      return c.Red() == op.brushRgb.Red() && c.Green() == op.brushRgb.Green() && c.Blue() == op.brushRgb.Blue();
    };
    if (std::none_of(std::begin(planes), std::end(planes), same)) continue;
    TLabelBox face;
    for (std::size_t k = 0; k < 4; ++k)
      face.corners[k] = {static_cast<double>(op.points[k].x), static_cast<double>(op.points[k].y)};
    faces.push_back(face);
  }
  return faces;
}

bool IsNumber(const std::string& text) { return IsWholeDecimalNumber(text); }

bool SameRgb(Color a, Color b) { return a.Red() == b.Red() && a.Green() == b.Green() && a.Blue() == b.Blue(); }

// Every graph window with fresh settings, every view round the box from above and below,
// every size, every kind of range: each axis label drawn lies off the filled floor and back
// planes, or, where the graph leaves it no room off them, stands on a plate of the background
// colour; and it, each axis title and the graph's title lines read against the background
// behind them (a contrast of 4.5 at least).
TEST(AxisLabelsReadable, EveryGraphWindowsLabelsStayOffThePlanesAndReadAgainstTheBackground) {
  int views = 0, labels = 0, titles = 0, onPlanes = 0, onPlates = 0, onPlatesWithRoom = 0, unreadable = 0;
  std::map<std::string, int> onPlanesByWindow, unreadableByWindow;
  for (const GraphWindow& window : kGraphWindows)
    for (const AxisRanges& range : kRanges)
      for (const auto& [width, height] : kSizes)
        for (int angleZ : {20, -20, 60, 5})
          for (int angleXY = 0; angleXY < 360; angleXY += 30) {
            WindowGraph g(window, range);
            const Drawing d = g.Draw(width, height, angleXY, angleZ);
            ++views;
            const std::vector<TLabelBox> planes = FilledPlanes(d);
            EXPECT_EQ(planes.size(), window.viewSlot == kGraphReviewPane ? 0u : 3u) << window.name;
            const Color background = d.Role(kRoleBackground);
            const std::string where = std::string(window.name) + " " + std::to_string(width) + " x " +
                                      std::to_string(height) + " seen from " + std::to_string(angleXY) + ", " +
                                      std::to_string(angleZ);
            Color plate = Color::Hex(0xFFFFFF);
            for (const DcOp& op : d.dc.Ops()) {
              if (op.kind == DcOpKind::SetBkColor) plate = op.color;
              if (op.kind != DcOpKind::TextOut) continue;
              const bool label = IsNumber(op.text);
              const bool title = op.text == "EASTING" || op.text == "NORTHING" || op.text == "ELEVATION" ||
                                 op.text == "SURVEY" || op.text == "SOUTH FIELD";
              if (!label && !title) continue;
              (label ? labels : titles) += 1;
              if (Contrast(op.color, background) < 4.5) {
                if (unreadableByWindow[window.name]++ == 0)
                  ADD_FAILURE() << "\"" << op.text << "\" hard to read on the background (contrast "
                                << Contrast(op.color, background) << ") in the " << where;
                ++unreadable;
              }
              if (!label) continue;
              const TLabelBox box = BoxOf(op);
              if (std::none_of(planes.begin(), planes.end(), [&](const TLabelBox& p) { return LabelBoxesOverlap(box, p); }))
                continue;
              if (op.bkMode == platform::BkMode::Opaque && SameRgb(plate, background)) {
                ++onPlates;
                if (&range != &kRanges[kLongestLabels]) ++onPlatesWithRoom;
                continue;
              }
              if (onPlanesByWindow[window.name]++ < 3)
                ADD_FAILURE() << "\"" << op.text << "\" on a filled plane in the " << where;
              ++onPlanes;
            }
          }
  std::fprintf(stderr,
               "%d views, %d labels, %d titles: %d labels on a plane, %d on a plate (%d of fewer than 15 digits), %d texts "
               "hard to read\n",
               views, labels, titles, onPlanes, onPlates, onPlatesWithRoom, unreadable);
  for (const auto& [name, n] : onPlanesByWindow) std::fprintf(stderr, "  %s: %d labels on a plane\n", name.c_str(), n);
  for (const auto& [name, n] : unreadableByWindow) std::fprintf(stderr, "  %s: %d texts hard to read\n", name.c_str(), n);
  EXPECT_EQ(onPlanes, 0);
  EXPECT_EQ(unreadable, 0);
  EXPECT_GT(labels, 400000);
  // Plates only where the graph has no room for the labels beside the box: labels of 15 digits
  // (fifteen and more characters, wider than the room beside the box in most of these graphs),
  // and fewer than one in a hundred of the others.
  EXPECT_LT(onPlatesWithRoom * 100, labels);
}

}  // namespace
