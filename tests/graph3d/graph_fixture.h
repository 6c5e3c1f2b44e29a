// A graph setup record with its option records, for renderer tests.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "app/data_table.h"
#include "graph3d/renderer.h"
#include "platform/recording_device_context.h"

// One frame of a graph on the recording device context, with the renderer that drew it.
struct Drawing {
  std::unique_ptr<T3DBase> r;
  platform::RecordingDeviceContext dc;

  // The screen point of (x, y, z).
  platform::Point At(long double x, long double y, long double z) const {
    platform::Point p;
    r->Project(x, y, z, p.x, p.y);
    return p;
  }
  // The pen or brush colour of a colour role, as the renderer selects it on screen.
  platform::Color Role(int role) const {
    const platform::Color c = Basic16Colors[static_cast<std::size_t>(r->ColorIndex(role))];
    return platform::Color::PaletteRgb(c.Red(), c.Green(), c.Blue());
  }
  std::vector<platform::DcOp> Ops(platform::DcOpKind kind) const { return dc.OpsOf(kind); }
  std::size_t Count(platform::DcOpKind kind) const { return dc.Count(kind); }
};

struct GraphFixture {
  T3DViewRec view = DefaultViewRec();
  T3DPointsRec points = DefaultPointsRec();
  T3DAnimRec anim;
  platform::Font font{"Arial", 12};
  T3DTitleSet titles;
  T3DTitleSet custom;
  std::int32_t scheme = 1;
  TUserColorSchemes userSchemes = DefaultUserColorSchemes();
  T3DGraphSetup setup;

  GraphFixture() {
    setup.View = &view;
    setup.PointsOpt = &points;
    setup.Anim = &anim;
    setup.Font = &font;
    setup.Titles = &custom;
    setup.TitleSettings = &titles;
    setup.Scheme = &scheme;
    setup.UserSchemes = &userSchemes;
    setup.SchemeTable = &ColorSchemeTable;
  }

  // A surface over [x0, x1] x [y0, y1] with the Z range taken from the surface.
  void SetSurface(SurfaceFunction f, long double x0 = -3, long double x1 = 3,
                  long double y0 = -3, long double y1 = 3) {
    setup.SurfaceFn = std::move(f);
    for (int a = 0; a < 2; ++a) {
      setup.Scaling.Auto[static_cast<std::size_t>(a)] = 0;
      setup.Scaling.Zoom[static_cast<std::size_t>(a)] = 1;
      setup.Scaling.Divs[static_cast<std::size_t>(a)] = 6;
    }
    setup.Scaling.AxisLow[0] = setup.Scaling.DataLow[0] = x0;
    setup.Scaling.AxisHigh[0] = setup.Scaling.DataHigh[0] = x1;
    setup.Scaling.AxisLow[1] = setup.Scaling.DataLow[1] = y0;
    setup.Scaling.AxisHigh[1] = setup.Scaling.DataHigh[1] = y1;
    setup.Scaling.Auto[2] = 1;
  }

  // Fixed axis ranges (no automatic scaling), with `divisions` on every axis.
  void FixRanges(std::array<long double, 3> low, std::array<long double, 3> high,
                 std::int16_t divisions = 4) {
    setup.Scaling.Auto = {0, 0, 0};
    setup.Scaling.Zoom = {1, 1, 1};
    setup.Scaling.AxisLow = setup.Scaling.DataLow = low;
    setup.Scaling.AxisHigh = setup.Scaling.DataHigh = high;
    setup.Scaling.Divs = {divisions, divisions, divisions};
  }

  // The graph without its box, labels and titles: only the surface and the points draw.
  void ContentOnly() {
    view.BackPlanes = 0;
    view.LabelBits = 0;
    view.GridBits = 0;
  }

  // A renderer on the record, drawing into a 640 x 480 rectangle.
  std::unique_ptr<T3DBase> MakeRenderer(int width = 640, int height = 480) {
    auto r = std::make_unique<T3DBase>();
    r->SetGraphRect(platform::Rect{0, 0, width, height});
    r->SetData(&setup, true);
    return r;
  }

  // One frame in a width x height rectangle, on a context that holds its far edges too;
  // with `fonts` the screen fonts are made, which the labels and titles need.
  Drawing Draw(int width = 640, int height = 480, bool fonts = false, int mode = kDrawScreen) {
    Drawing d{MakeRenderer(width, height), platform::RecordingDeviceContext(width + 1, height + 1)};
    if (fonts) d.r->CreateScreenFonts();
    d.r->Draw(d.dc, mode);
    return d;
  }
};

// A table of points with the statistics' Z range in its header.
inline PointTable MakeTable(std::initializer_list<std::array<long double, 3>> xyz) {
  PointTable t = NewPointTable(static_cast<int>(xyz.size()));
  std::size_t k = 1;
  long double zmin = 1e300L, zmax = -1e300L;
  for (const auto& p : xyz) {
    t[k++] = TXYZPoint{p[0], p[1], p[2], 1, kPointActive};
    zmin = std::min(zmin, p[2]);
    zmax = std::max(zmax, p[2]);
  }
  t[0].Z = zmin;
  t[0].RXYZ = zmax;
  return t;
}

// A full table of 16384 points: a 128 x 128 grid over [1, 3] x [1, 3] on the surface
// z = 2 + sin x cos y, a quarter of the floor of a 0 .. 4 box.
struct DenseGrid {
  static long double At(int i) { return 1 + i * 2.0L / 127; }
  static long double Height(long double x, long double y) { return 2 + std::sin(x) * std::cos(y); }
  static PointTable Table() {
    PointTable table = NewPointTable(kXYZMaxPoints);
    for (int i = 0; i < kXYZMaxPoints; ++i) {
      const long double x = At(i % 128), y = At(i / 128);
      table[static_cast<std::size_t>(i) + 1] = TXYZPoint{x, y, Height(x, y), 1, kPointActive};
    }
    return table;
  }
  // The median distance on the device between neighbours of the grid, as `r` projects them.
  static double MedianNeighbourGap(const T3DBase& r) {
    const auto place = [&r](int i, int j) {
      platform::Point p;
      r.Project(At(i), At(j), Height(At(i), At(j)), p.x, p.y);
      return p;
    };
    std::vector<double> gaps;
    for (int i = 0; i + 1 < 128; ++i)
      for (int j = 0; j + 1 < 128; ++j) {
        const platform::Point a = place(i, j), right = place(i + 1, j), up = place(i, j + 1);
        gaps.push_back(std::hypot(a.x - right.x, a.y - right.y));
        gaps.push_back(std::hypot(a.x - up.x, a.y - up.y));
      }
    const auto middle = gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2);
    std::nth_element(gaps.begin(), middle, gaps.end());
    return *middle;
  }
};

// Sets the display facts for one test and puts the previous ones back afterwards.
class DisplayColors {
 public:
  explicit DisplayColors(long colors) : saved_(GetGraphDisplayFacts()) {
    GraphDisplayFacts f = saved_;
    f.colors = colors;
    SetGraphDisplayFacts(f);
  }
  ~DisplayColors() { SetGraphDisplayFacts(saved_); }

 private:
  GraphDisplayFacts saved_;
};
