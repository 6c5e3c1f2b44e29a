// The renderer's own cost, without rasterisation: sampling a 120 x 120 surface grid, and
// drawing one frame of each kind of surface into a device context that only counts.
#include <benchmark/benchmark.h>

#include <cmath>

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

}  // namespace

BENCHMARK_MAIN();
