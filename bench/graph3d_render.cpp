// The renderer's own cost, without rasterisation: sampling a 120 x 120 surface grid, and
// drawing one frame of each kind of surface, of data points (with the visible-only test)
// and of the contour planes and the box into a device context that only counts.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "graph3d/renderer.h"

namespace {

using platform::Point;

// Takes every call and draws nothing.
class CountingContext final : public platform::DeviceContext {
 public:
  long polygons = 0;
  long lines = 0;

  platform::DeviceCaps Caps() const override { return {1920, 1080, 96, 96, 24}; }
  platform::Pen SelectPen(const platform::Pen& p) override { return std::exchange(pen_, p); }
  platform::Brush SelectBrush(const platform::Brush& b) override { return std::exchange(brush_, b); }
  platform::Font SelectFont(const platform::Font& f) override { return std::exchange(font_, f); }
  const platform::Palette* SelectPalette(const platform::Palette* p) override {
    return std::exchange(palette_, p);
  }
  int RealizePalette() override { return 0; }
  platform::Color SetTextColor(platform::Color c) override { return c; }
  platform::Color SetBkColor(platform::Color c) override { return c; }
  platform::BkMode SetBkMode(platform::BkMode m) override { return m; }
  unsigned SetTextAlign(unsigned f) override { return f; }
  void MoveTo(int, int) override {}
  void LineTo(int, int) override { ++lines; }
  void Polyline(std::span<const Point>) override { ++lines; }
  void Rectangle(int, int, int, int) override {}
  void Ellipse(int, int, int, int) override {}
  void Polygon(std::span<const Point> pts) override {
    ++polygons;
    benchmark::DoNotOptimize(pts.data());
  }
  void SetPixel(int, int, platform::Color) override {}
  platform::Color GetPixel(int, int) const override { return platform::Color::White(); }
  void TextOut(int, int, std::string_view) override {}
  platform::Size GetTextExtent(std::string_view t) const override {
    return {static_cast<int>(t.size()) * 8, 16};
  }
  void SetClipRect(const platform::Rect&) override {}
  void ResetClip() override {}
  std::unique_ptr<platform::DeviceContext> CreateCompatible(int, int) override {
    return std::make_unique<CountingContext>();
  }
  bool BitBlt(int, int, int, int, const platform::DeviceContext&, int, int) override {
    return true;
  }

 private:
  platform::Pen pen_;
  platform::Brush brush_;
  platform::Font font_;
  const platform::Palette* palette_ = nullptr;
};

struct Graph {
  T3DViewRec view;
  T3DPointsRec points;
  platform::Font font{"Arial", 12};
  T3DTitleSet titles;
  std::int32_t scheme = 1;
  T3DGraphSetup setup;

  explicit Graph(int type) {
    view.GraphType = static_cast<std::int16_t>(type);
    view.MeshX = view.MeshY = 120;
    setup.View = &view;
    setup.PointsOpt = &points;
    setup.Font = &font;
    setup.TitleSettings = &titles;
    setup.Scheme = &scheme;
    setup.SurfaceFn = [](long double x, long double y) { return std::sin(x) * std::cos(y); };
    setup.Scaling.Auto = {0, 0, 1};
    setup.Scaling.AxisLow = setup.Scaling.DataLow = {-3.2L, -3.2L, 0};
    setup.Scaling.AxisHigh = setup.Scaling.DataHigh = {3.2L, 3.2L, 1};
  }
};

void BM_SampleSurfaceGrid(benchmark::State& state) {
  Graph g(5);
  T3DBase r;
  for (auto _ : state) benchmark::DoNotOptimize(r.SetData(&g.setup));
  state.SetItemsProcessed(state.iterations() * 120 * 120);
}
BENCHMARK(BM_SampleSurfaceGrid)->Unit(benchmark::kMillisecond);

// One frame of graph type state.range(0) on a 120 x 120 mesh (without rasterising).
void BM_RenderSurface(benchmark::State& state) {
  Graph g(static_cast<int>(state.range(0)));
  T3DBase r;
  r.SetGraphRect(platform::Rect{0, 0, 1920, 1080});
  r.SetData(&g.setup);
  CountingContext dc;
  for (auto _ : state) r.Draw(dc, kDrawScreen);
  state.counters["polygons/frame"] =
      static_cast<double>(dc.polygons) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RenderSurface)
    ->Arg(0)->Arg(1)->Arg(5)->Arg(13)->Arg(16)
    ->Unit(benchmark::kMillisecond);

// A table of n points scattered over the surface's square, a little off the surface.
PointTable ScatteredPoints(int n) {
  PointTable table = NewPointTable(n);
  std::uint64_t state = 977;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  };
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = table[static_cast<std::size_t>(i)];
    p.X = -3.2L + 6.4L * next();
    p.Y = -3.2L + 6.4L * next();
    p.Z = std::sin(p.X) * std::cos(p.Y) + 0.2L * (next() - 0.5L);
    p.W = 1;
    p.Status = kPointActive;
  }
  table[0].Z = -1.1L;
  table[0].RXYZ = 1.1L;
  return table;
}

// One frame of the "24 Spectrum" surface on a 60 x 60 mesh with state.range(0) points,
// coloured by their residuals; state.range(1) is the points display (1 all points, 2
// visible only, the test made again for every frame).
void BM_RenderPoints(benchmark::State& state) {
  Graph g(5);
  g.view.MeshX = g.view.MeshY = 60;
  PointTable table = ScatteredPoints(static_cast<int>(state.range(0)));
  g.setup.Points = [&table] { return std::span<const TXYZPoint>(table); };
  g.points.Display = static_cast<std::uint16_t>(state.range(1));
  long double sigma = 0.05L;
  g.points.FitRecord = &sigma;
  T3DBase r;
  r.SetGraphRect(platform::Rect{0, 0, 1920, 1080});
  r.SetData(&g.setup);
  CountingContext dc;
  for (auto _ : state) {
    r.LoadOptions();  // marks the visible-only test as stale
    r.Draw(dc, kDrawScreen);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RenderPoints)
    ->Args({500, 1})->Args({5000, 1})->Args({5000, 2})
    ->Unit(benchmark::kMillisecond);

// One frame with both contour planes, the box with grids and labels, on a 120 x 120 mesh.
void BM_RenderContoursAndBox(benchmark::State& state) {
  Graph g(static_cast<int>(state.range(0)));
  g.view.ContourBits = 3;
  g.view.BackPlanes = 2;
  T3DBase r;
  r.SetGraphRect(platform::Rect{0, 0, 1920, 1080});
  r.SetData(&g.setup);
  r.CreateScreenFonts();
  CountingContext dc;
  for (auto _ : state) r.Draw(dc, kDrawScreen);
  state.counters["lines/frame"] =
      static_cast<double>(dc.lines) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RenderContoursAndBox)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond);

// The axes alone of map coordinates (eastings 431000 .. 436000, northings 5403001 .. 5407000)
// in a 760 x 560 graph, seen from twelve directions: long labels, and titles that must find
// a place clear of them.
void BM_RenderAxesFarOff(benchmark::State& state) {
  std::vector<std::unique_ptr<Graph>> graphs;
  std::vector<std::unique_ptr<T3DBase>> renderers;
  for (int angle = 0; angle < 360; angle += 30) {
    auto g = std::make_unique<Graph>(5);
    g->view.MeshX = g->view.MeshY = 4;
    g->view.BackPlanes = 3;
    g->view.AngleXY = angle;
    g->view.AngleZ = 20;
    g->titles.AxisTitles = {"EASTING", "NORTHING", "ELEVATION"};
    g->setup.Scaling.Auto = {0, 0, 0};
    g->setup.Scaling.Divs = {5, 5, 5};
    g->setup.Scaling.AxisLow = g->setup.Scaling.DataLow = {431000, 5403001.26L, 90};
    g->setup.Scaling.AxisHigh = g->setup.Scaling.DataHigh = {436000, 5406999.44L, 110};
    auto r = std::make_unique<T3DBase>();
    r->SetGraphRect(platform::Rect{0, 0, 760, 560});
    r->SetData(&g->setup);
    r->CreateScreenFonts();
    graphs.push_back(std::move(g));
    renderers.push_back(std::move(r));
  }
  CountingContext dc;
  for (auto _ : state)
    for (auto& r : renderers) r->Draw(dc, kDrawScreen);
  state.SetItemsProcessed(state.iterations() * static_cast<long>(renderers.size()));
}
BENCHMARK(BM_RenderAxesFarOff)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
