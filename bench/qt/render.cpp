// Frame time of the 3D renderer on a full-HD off-screen image: a 120 x 120 surface of
// z = sin(x) cos(y) in the "24 Spectrum" gradient (graph type 5) drawn into a 1920 x 1080
// QImage through the Qt device context, rasterisation included.
//
//   bench_render [--frames N] [--type T] [--mesh M] [--png FILE]
//
// Prints the time to sample the surface grid and the minimum, median and mean frame time;
// with --png the last frame is written to FILE.
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/c_format.h"
#include "graph3d/renderer.h"
#include "platform/qt/qt_device_context.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct Options {
  int frames = 20;
  int type = 5;
  int mesh = 120;
  std::string png;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int k = 1; k < argc; ++k) {
    const bool hasValue = k + 1 < argc;
    if (std::strcmp(argv[k], "--frames") == 0 && hasValue) {
      o.frames = std::max(1, std::atoi(argv[++k]));
    } else if (std::strcmp(argv[k], "--type") == 0 && hasValue) {
      o.type = std::clamp(std::atoi(argv[++k]), 0, kGraphTypeCount - 1);
    } else if (std::strcmp(argv[k], "--mesh") == 0 && hasValue) {
      o.mesh = std::clamp(std::atoi(argv[++k]), 2, T3DBase::kMaxMesh);
    } else if (std::strcmp(argv[k], "--png") == 0 && hasValue) {
      o.png = argv[++k];
    } else {
      std::fprintf(stderr, "usage: %s [--frames N] [--type T] [--mesh M] [--png FILE]\n", argv[0]);
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);

  T3DViewRec view = DefaultViewRec();
  view.GraphType = static_cast<std::int16_t>(options.type);
  view.MeshX = view.MeshY = static_cast<std::int16_t>(options.mesh);
  T3DPointsRec points = DefaultPointsRec();
  platform::Font font{"Arial", 12};
  T3DTitleSet titles;
  titles.Lines[0] = "z = sin(x)\xB7" "cos(y)";  // the middle dot of Windows-1252
  titles.Lines[1] = CFormat("%d x %d mesh, graph type %d", options.mesh, options.mesh,
                            options.type);
  std::int32_t scheme = 1;  // "Page White Color"
  T3DGraphSetup setup;
  setup.View = &view;
  setup.PointsOpt = &points;
  setup.Font = &font;
  setup.TitleSettings = &titles;
  setup.Scheme = &scheme;
  setup.SurfaceFn = [](long double x, long double y) { return std::sin(x) * std::cos(y); };
  setup.Scaling.Auto = {0, 0, 1};
  setup.Scaling.AxisLow = setup.Scaling.DataLow = {-3.2L, -3.2L, 0};
  setup.Scaling.AxisHigh = setup.Scaling.DataHigh = {3.2L, 3.2L, 1};
  setup.Scaling.Divs = {8, 8, 8};

  QImage image(1920, 1080, QImage::Format_RGB32);
  platform::qt::QtDeviceContext dc(image);
  T3DBase renderer;
  renderer.SetGraphRect(platform::Rect{0, 0, image.width(), image.height()});
  const Clock::time_point setupStart = Clock::now();
  if (!renderer.SetData(&setup)) {
    std::fprintf(stderr, "the graph could not be set up\n");
    return 1;
  }
  const double setupMs = Milliseconds(Clock::now() - setupStart);
  renderer.CreateScreenFonts();

  std::vector<double> frames;
  for (int k = 0; k < options.frames; ++k) {
    const Clock::time_point start = Clock::now();
    renderer.Draw(dc, kDrawScreen);
    frames.push_back(Milliseconds(Clock::now() - start));
  }
  std::vector<double> sorted = frames;
  std::sort(sorted.begin(), sorted.end());
  double sum = 0;
  for (double f : frames) sum += f;
  std::printf("%s", CFormat("surface grid %dx%d: %.2f ms\n", options.mesh, options.mesh, setupMs).c_str());
  std::printf("%s", CFormat("frame 1920x1080, type %d, %d frames: min %.2f ms, median %.2f ms, mean %.2f ms\n",
                            options.type, options.frames, sorted.front(),
                            sorted[sorted.size() / 2], sum / static_cast<double>(frames.size()))
                        .c_str());
  if (!options.png.empty()) {
    if (!image.save(QString::fromLocal8Bit(options.png.c_str()), "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", options.png.c_str());
      return 1;
    }
    std::printf("written %s\n", options.png.c_str());
  }
  return 0;
}
