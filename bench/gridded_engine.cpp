// Timing program for the gridded-data engine, the median of five runs of each line:
//   bspline_interp grid=128x128 out=120x120 ms=…   BSOpk on both axes, BSInt2 and BSGEvl,
//                                                 order 4, z = sin 3x cos 2y on [0, 1]^2
//   scipy_rectbivariatespline grid=128x128 out=120x120 ms=…   the same data through SciPy's
//                                                 RectBivariateSpline (kx = ky = 3, s = 0),
//                                                 build plus evaluation on the grid, when
//                                                 Debian's python3-scipy is installed
//   regrid method=<m> n=16384 grid=128x128 ms=…    the engine made over 16384 scattered points
//                                                 (bench/splitmix_points.h) with a uniform
//                                                 128 x 128 grid by each method, then code 0
//   optimal_knots order=<k> sets=250 ms=…          BSOpk on 250 sets of uneven sites drawn at
//                                                 random (50 each of 40, 60, 100, 128 and 200
//                                                 sites in [0, 1), SplitMix), the whole batch
//   nurbs grid=128x128 degree=3 ms=…               code 5 (NURBS lines, then the bicubic)
//   volume code=16 n=16384 ms=…                    the first volume request of the scattered
//                                                 engine over the data's rectangle
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/xyz_point.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/libs/numerical_library.h"
#include "splitmix_points.h"

namespace {

constexpr int kGrid = 128;
constexpr int kOut = 120;
constexpr int kPoints = 16384;
constexpr int kRuns = 5;

double Median(const std::function<void()>& run) {
  std::array<double, kRuns> ms{};
  for (double& m : ms) {
    const auto start = std::chrono::steady_clock::now();
    run();
    m = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  std::sort(ms.begin(), ms.end());
  return ms[kRuns / 2];
}

double F(double x, double y) { return std::sin(3 * x) * std::cos(2 * y); }

PointTable Scattered() {
  TSplitMixPoints points;
  PointTable t(static_cast<std::size_t>(kPoints) + 1);
  t[0].X = kPoints;
  for (int i = 1; i <= kPoints; ++i) {
    TXYZPoint& p = t[static_cast<std::size_t>(i)];
    p.X = points.Next();
    p.Y = points.Next();
    p.Z = F(static_cast<double>(p.X), static_cast<double>(p.Y));
    p.W = 1;
    p.Status = kPointActive;
  }
  return t;
}

PointTable Grid() {
  PointTable t(static_cast<std::size_t>(kGrid) * kGrid + 1);
  t[0].X = kGrid * kGrid;
  std::size_t k = 1;
  for (int j = 0; j < kGrid; ++j)
    for (int i = 0; i < kGrid; ++i, ++k) {
      t[k].X = static_cast<long double>(i) / (kGrid - 1);
      t[k].Y = static_cast<long double>(j) / (kGrid - 1);
      t[k].Z = F(static_cast<double>(t[k].X), static_cast<double>(t[k].Y)) +
               0.01 * std::sin(37.0 * i + 11.0 * j);
      t[k].W = 1;
      t[k].Status = kPointActive;
    }
  return t;
}

void BSplineLine() {
  std::vector<double> x(kGrid), z(static_cast<std::size_t>(kGrid) * kGrid), out(kOut);
  for (int i = 0; i < kGrid; ++i) x[static_cast<std::size_t>(i)] = static_cast<double>(i) / (kGrid - 1);
  for (int j = 0; j < kGrid; ++j)
    for (int i = 0; i < kGrid; ++i)
      z[static_cast<std::size_t>(j * kGrid + i)] = F(x[static_cast<std::size_t>(i)], x[static_cast<std::size_t>(j)]);
  for (int i = 0; i < kOut; ++i) out[static_cast<std::size_t>(i)] = (i + 0.5) / kOut;
  std::vector<double> t(kGrid + 4), coef(z.size()), values(static_cast<std::size_t>(kOut) * kOut);
  double checksum = 0;
  const double ms = Median([&] {
    int ier = 0;
    BSOpk(kGrid, x.data(), 4, t.data(), ier);
    BSInt2(kGrid, x.data(), kGrid, x.data(), z.data(), kGrid, 4, 4, t.data(), t.data(), coef.data(), ier);
    BSGEvl(0, 0, kOut, out.data(), kOut, out.data(), 4, 4, t.data(), t.data(), kGrid, kGrid,
           coef.data(), values.data(), kOut, ier);
    checksum += values[777];
  });
  std::printf("bspline_interp grid=%dx%d out=%dx%d ms=%.3f\n", kGrid, kGrid, kOut, kOut, ms);
  // SciPy on the same data in the same run, as a reference for the target.
  const std::string script =
      "import time, numpy as np\n"
      "from scipy.interpolate import RectBivariateSpline\n"
      "x = np.arange(128) / 127.0\n"
      "z = np.sin(3 * x)[:, None] * np.cos(2 * x)[None, :]\n"
      "o = (np.arange(120) + 0.5) / 120\n"
      "ms = []\n"
      "for r in range(5):\n"
      "    t0 = time.perf_counter()\n"
      "    s = RectBivariateSpline(x, x, z, kx=3, ky=3, s=0)\n"
      "    v = s(o, o)\n"
      "    ms.append((time.perf_counter() - t0) * 1000)\n"
      "print('scipy_rectbivariatespline grid=128x128 out=120x120 ms=%.3f' % sorted(ms)[2])\n";
  const std::string command = "/usr/bin/python3 -c \"" + script + "\" 2>/dev/null";
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char line[256];
    bool any = false;
    while (std::fgets(line, sizeof line, pipe)) {
      std::fputs(line, stdout);
      any = true;
    }
    if (pclose(pipe) != 0 || !any) std::printf("scipy_rectbivariatespline unavailable\n");
  }
  if (checksum == 12345.6789) std::printf("\n");
}

// Uneven random sites, where Newton's iteration for the optimal knots needs its guarded
// steps and, on a few sets, the continuation from even sites.
void OptimalKnotsLines() {
  TSplitMixPoints points;
  std::vector<std::vector<double>> sets;
  for (const int n : {40, 60, 100, 128, 200})
    for (int r = 0; r < 50; ++r) {
      std::vector<double> s(static_cast<std::size_t>(n));
      for (double& v : s) v = points.Next();
      std::sort(s.begin(), s.end());
      sets.push_back(s);
    }
  for (const int k : {3, 4, 6}) {
    int refused = 0;
    const double ms = Median([&] {
      refused = 0;
      for (const std::vector<double>& s : sets) {
        std::vector<double> t(s.size() + static_cast<std::size_t>(k));
        int ier = 0;
        BSOpk(static_cast<int>(s.size()), s.data(), k, t.data(), ier);
        refused += ier != 0;
      }
    });
    std::printf("optimal_knots order=%d sets=%zu ms=%.3f%s\n", k, sets.size(), ms, refused ? " (refused some)" : "");
  }
}

}  // namespace

int main() {
  if (LoadNumLib(true) == 0) return 1;
  BSplineLine();
  OptimalKnotsLines();

  PointTable scattered = Scattered();
  for (int method = 0; method < kRegridMethodCount; ++method) {
    bool ready = false;
    const double ms = Median([&] {
      TSpline3D engine(scattered, kGridBSpline, 3, 3, 0, 0, kGrid, kGrid, method, true);
      ready = engine.Ready() && engine.HasSurface();
    });
    std::printf("regrid method=%d n=%d grid=%dx%d ms=%.3f%s\n", method, kPoints, kGrid, kGrid, ms,
                ready ? "" : " (no grid)");
  }

  PointTable grid = Grid();
  const double nurbs = Median([&] {
    TSpline3D engine(grid, kGridNurbsCubic, 3, 3, 0, 0, 0, 0, kRegridRenka, false);
    if (!engine.HasSurface()) std::printf("nurbs failed\n");
  });
  std::printf("nurbs grid=%dx%d degree=3 ms=%.3f\n", kGrid, kGrid, nurbs);

  TNParm3D preview(scattered, kNPOwnTriangulation, 1, 0, true);
  const double volume = Median([&] {
    long double error = 0;
    // A new rectangle each run: every one is a first request.
    static int shift = 0;
    const long double d = 1e-9L * ++shift;
    (void)preview.Volume(0.0L + d, 1.0L, 0.0L, 1.0L, &error);
  });
  std::printf("volume code=16 n=%d ms=%.3f\n", kPoints, volume);
  (void)LoadNumLib(false);
  return 0;
}
