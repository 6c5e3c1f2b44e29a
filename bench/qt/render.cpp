// Frame time of the 3D renderer on a full-HD off-screen image: the complete graph of a
// fitted surface over its data points, drawn into a 1920 x 1080 QImage through the Qt
// device context, rasterisation included.
//
// The data are N points scattered over [-3, 3] x [-3, 3] from a smooth hill on a tilted
// plane with a little noise; the surface is the full cubic in x and y fitted to them by
// least squares (normal equations solved by LU). The frame holds the surface in the
// "24 Spectrum" gradient (graph type 5), a contour plane on the floor, the points with their
// Z lines coloured by the size of their residual, the back planes with grids, the three axes
// with labels and titles, and two title lines.
//
//   bench_render [--frames N] [--type T] [--mesh M] [--points P] [--display D]
//                [--view XY,Z] [--labels BITS] [--png FILE]
//                [--emf FILE] [--wmf FILE] [--dib FILE] [--pdf FILE]
//
// --display is the points display (1 all, 2 visible only, 3 hidden), --view the rotation
// and elevation in degrees (210,20 by default), --labels the view record's label bits
// (1023 by default: every axis and title, labels turned).
// Prints the time to sample the surface grid and the minimum, median and mean frame time;
// with --png the last frame is written to FILE. --emf, --wmf and --dib write the frame as
// "Copy Graph" writes its files (enhanced metafile, placeable metafile, 8-bit DIB), --pdf
// prints it as "Print Graph" does (full page, landscape) to a PDF file; each with its time.
#include <QGuiApplication>
#include <QImage>
#include <QPrinter>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/c_format.h"
#include "graph3d/renderer.h"
#include "graph3d/ui/graph_output.h"
#include "numerics/dense_solvers.h"
#include "platform/qt/qt_device_context.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct Options {
  int frames = 20;
  int type = 5;
  int mesh = 60;
  int points = 500;
  int display = 1;
  int labels = 1023;
  long double angleXY = 210, angleZ = 20;
  std::string png;
  std::string emf, wmf, dib, pdf;
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
    } else if (std::strcmp(argv[k], "--points") == 0 && hasValue) {
      o.points = std::clamp(std::atoi(argv[++k]), 11, 16384);
    } else if (std::strcmp(argv[k], "--display") == 0 && hasValue) {
      o.display = std::clamp(std::atoi(argv[++k]), 1, 3);
    } else if (std::strcmp(argv[k], "--labels") == 0 && hasValue) {
      o.labels = std::atoi(argv[++k]);
    } else if (std::strcmp(argv[k], "--view") == 0 && hasValue) {
      const char* text = argv[++k];
      o.angleXY = std::strtold(text, nullptr);
      const char* comma = std::strchr(text, ',');
      if (comma != nullptr) o.angleZ = std::strtold(comma + 1, nullptr);
    } else if (std::strcmp(argv[k], "--png") == 0 && hasValue) {
      o.png = argv[++k];
    } else if (std::strcmp(argv[k], "--emf") == 0 && hasValue) {
      o.emf = argv[++k];
    } else if (std::strcmp(argv[k], "--wmf") == 0 && hasValue) {
      o.wmf = argv[++k];
    } else if (std::strcmp(argv[k], "--dib") == 0 && hasValue) {
      o.dib = argv[++k];
    } else if (std::strcmp(argv[k], "--pdf") == 0 && hasValue) {
      o.pdf = argv[++k];
    } else {
      std::fprintf(stderr,
                   "usage: %s [--frames N] [--type T] [--mesh M] [--points P] [--display D]\n"
                   "       [--view XY,Z] [--labels BITS] [--png FILE]\n"
                   "       [--emf FILE] [--wmf FILE] [--dib FILE] [--pdf FILE]\n",
                   argv[0]);
      return false;
    }
  }
  return true;
}

// The measured surface: a hill on a tilted plane.
long double Truth(long double x, long double y) {
  return 2 + 0.25L * x - 0.15L * y + 3 * std::exp(-((x - 0.6L) * (x - 0.6L) + (y + 0.4L) * (y + 0.4L)) / 3);
}

// The ten terms of the full cubic: 1, x, y, x², xy, y², x³, x²y, xy², y³.
std::array<long double, 10> CubicTerms(long double x, long double y) {
  return {1, x, y, x * x, x * y, y * y, x * x * x, x * x * y, x * y * y, y * y * y};
}

struct FittedCubic {
  std::array<long double, 10> a{};
  long double sigma = 0;  // the fit standard error

  long double operator()(long double x, long double y) const {
    const auto t = CubicTerms(x, y);
    long double z = 0;
    for (std::size_t k = 0; k < t.size(); ++k) z += a[k] * t[k];
    return z;
  }
};

// N points from the hill with uniform noise of +-0.3 (a fixed LCG, so that every run draws
// the same picture), the header holding the Z range as the data statistics leave it.
PointTable MakePoints(int n) {
  PointTable table = NewPointTable(n);
  std::uint64_t state = 20240607;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  };
  long double zMin = 1e300L, zMax = -1e300L;
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = table[static_cast<std::size_t>(i)];
    p.X = -3 + 6 * next();
    p.Y = -3 + 6 * next();
    p.Z = Truth(p.X, p.Y) + 0.6L * (next() - 0.5L);
    p.W = 1;
    p.Status = i % 50 == 0 ? kPointInactive : kPointActive;
    zMin = std::min(zMin, p.Z);
    zMax = std::max(zMax, p.Z);
  }
  table[0].Z = zMin;
  table[0].RXYZ = zMax;
  return table;
}

// Least squares over the active points through the normal equations.
FittedCubic FitCubic(const PointTable& table) {
  constexpr int m = 10;
  std::array<std::array<long double, m>, m> normal{};
  std::array<long double, m> rhs{};
  int count = 0;
  for (const TXYZPoint& p : PointsOf(std::span<const TXYZPoint>(table))) {
    if (!IsActive(p)) continue;
    const auto t = CubicTerms(p.X, p.Y);
    for (int i = 0; i < m; ++i) {
      rhs[static_cast<std::size_t>(i)] += t[static_cast<std::size_t>(i)] * p.Z;
      for (int j = 0; j < m; ++j) {
        normal[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] +=
            t[static_cast<std::size_t>(i)] * t[static_cast<std::size_t>(j)];
      }
    }
    ++count;
  }
  std::array<long double*, m> rows;
  for (int i = 0; i < m; ++i) rows[static_cast<std::size_t>(i)] = normal[static_cast<std::size_t>(i)].data();
  FittedCubic fit;
  if (!SolveLU(rows.data(), rhs.data(), m).Solved()) return fit;
  fit.a = rhs;
  long double sse = 0;
  for (const TXYZPoint& p : PointsOf(std::span<const TXYZPoint>(table))) {
    if (!IsActive(p)) continue;
    const long double r = p.Z - fit(p.X, p.Y);
    sse += r * r;
  }
  fit.sigma = std::sqrt(sse / (count - m));
  return fit;
}

// The copy and print paths of the graph windows, each timed.
bool WriteOutputs(T3DBase& renderer, const Options& o) {
  const std::pair<const std::string*, CopyDestination> files[] = {
      {&o.emf, CopyDestination::EnhancedMetafileFile},
      {&o.wmf, CopyDestination::PlaceableMetafileFile},
      {&o.dib, CopyDestination::DibFile}};
  for (const auto& [path, destination] : files) {
    if (path->empty()) continue;
    TCopyGraphSettings settings;
    settings.destination = destination;
    const Clock::time_point start = Clock::now();
    if (!WriteGraphFile(renderer, settings, *path)) {
      std::fprintf(stderr, "cannot write %s\n", path->c_str());
      return false;
    }
    std::printf("%s", CFormat("written %s: %.2f ms\n", path->c_str(), Milliseconds(Clock::now() - start)).c_str());
  }
  if (!o.pdf.empty()) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromLocal8Bit(o.pdf.c_str()));
    TPrintGraphRec rec;
    rec.UseColor = 1;
    rec.FrameGraph = 1;
    const Clock::time_point start = Clock::now();
    if (PrintGraphPage(renderer, printer, rec, nullptr, nullptr) != PrintOutcome::Printed) {
      std::fprintf(stderr, "cannot print to %s\n", o.pdf.c_str());
      return false;
    }
    std::printf("%s", CFormat("printed %s: %.2f ms\n", o.pdf.c_str(), Milliseconds(Clock::now() - start)).c_str());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);

  PointTable table = MakePoints(options.points);
  const FittedCubic fit = FitCubic(table);

  T3DViewRec view = DefaultViewRec();
  view.GraphType = static_cast<std::int16_t>(options.type);
  view.MeshX = view.MeshY = static_cast<std::int16_t>(options.mesh);
  view.ContourBits = 1;  // the contour plane on the floor
  view.AngleXY = options.angleXY;
  view.AngleZ = options.angleZ;
  view.LabelBits = static_cast<std::int16_t>(options.labels);
  T3DPointsRec points = DefaultPointsRec();
  points.FitRecord = &fit.sigma;
  points.Display = static_cast<std::uint16_t>(options.display);
  platform::Font font{"Arial", 12};
  T3DTitleSet titles;
  titles.Lines[0] = "Full cubic z = a + bx + cy + dx~^2~^ + exy + fy~^2~^ + ...";
  titles.Lines[1] = CFormat("%d points, fit std error %.4Lg; %d x %d mesh, graph type %d",
                            options.points, fit.sigma, options.mesh, options.mesh, options.type);
  titles.AxisTitles = {"Distance x [m]", "Depth y [m]", "Height ~@D~@h [m]"};
  std::int32_t scheme = 1;  // "Page White Color"
  T3DGraphSetup setup;
  setup.View = &view;
  setup.PointsOpt = &points;
  setup.Font = &font;
  setup.TitleSettings = &titles;
  setup.Scheme = &scheme;
  setup.SurfaceFn = [&fit](long double x, long double y) { return fit(x, y); };
  setup.Points = [&table] { return std::span<const TXYZPoint>(table); };
  setup.Scaling.Auto = {1, 1, 1};
  setup.Scaling.DataLow = {-3, -3, 0};
  setup.Scaling.DataHigh = {3, 3, 1};

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
  std::printf("%s", CFormat("frame 1920x1080, type %d, %d points, %d frames: min %.2f ms, median %.2f ms, mean %.2f ms\n",
                            options.type, options.points, options.frames, sorted.front(),
                            sorted[sorted.size() / 2], sum / static_cast<double>(frames.size()))
                        .c_str());
  if (!options.png.empty()) {
    if (!image.save(QString::fromLocal8Bit(options.png.c_str()), "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", options.png.c_str());
      return 1;
    }
    std::printf("written %s\n", options.png.c_str());
  }
  return WriteOutputs(renderer, options) ? 0 : 1;
}
