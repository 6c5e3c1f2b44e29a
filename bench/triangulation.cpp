// Timing program for the triangulation kernels: seeded uniform points in the unit square,
// z = sin 3x cos 2y. Prints the best of five runs of
//   delaunay n=<n>                       the Delaunay triangulation (1024, 4096, 16384 points)
//   c1_surface n=16384 grid=120x120      triangulation, global gradients (6 sweeps, 1e-5) and
//                                        the C1 surface on the grid, IST carried along rows
//   watson_c0 / watson_c1 n=16384 ...    natural-neighbour set-up plus the grid (mode 0, 5)
//   watson_eval set=<set> n=<n> mode=<m> the grid alone, per point, on uniform points and on
//                                        degenerate sets: all on a line, on a strip of width
//                                        1e-6 about it, on a circle (every point's natural
//                                        neighbours are then most of the data)
// bench/scipy_reference.py times Qhull and SciPy's Clough-Tocher interpolator on the same
// points for comparison.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "splitmix_points.h"
#include "smooth/kernels/natural_neighbour.h"
#include "smooth/kernels/renka_interpolation.h"
#include "smooth/kernels/renka_triangulation.h"

namespace {

constexpr int kGrid = 120;

struct Points {
  std::vector<double> x, y, z;
  explicit Points(int n) {
    TSplitMixPoints points;
    for (int i = 0; i < n; ++i) {
      x.push_back(points.Next());
      y.push_back(points.Next());
      z.push_back(std::sin(3 * x.back()) * std::cos(2 * y.back()));
    }
  }
};

template <class F>
double BestMs(F run) {
  double best = 1e300;
  for (int rep = 0; rep < 5; ++rep) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

double GridCoordinate(int i) { return (i + 0.5) / kGrid; }

// The degenerate sets, n points each, z = sin 3x cos 2y, from the same generator.
Points DegenerateSet(const char* kind, int n) {
  Points p(n);
  for (int i = 0; i < n; ++i) {
    const double u = p.x[i], v = p.y[i];
    if (kind[0] == 'c' && kind[1] == 'o' && kind[2] == 'l') {  // collinear
      p.x[i] = u;
      p.y[i] = 0.3 + 0.4 * u;
    } else if (kind[0] == 's') {  // strip
      p.x[i] = u;
      p.y[i] = 0.3 + 0.4 * u + 1e-6 * (v - 0.5);
    } else if (kind[0] == 'c') {  // cocircular
      const double t = 2 * 3.14159265358979323846 * u;
      p.x[i] = 0.5 + 0.5 * std::cos(t);
      p.y[i] = 0.5 + 0.5 * std::sin(t);
    }
    p.z[i] = std::sin(3 * p.x[i]) * std::cos(2 * p.y[i]);
  }
  return p;
}

// Microseconds per grid point of slot 0 over [0, 1]^2 (the set-up not counted); the
// degenerate sets are evaluated on a coarser grid, which is enough for a per-point time.
void WatsonEvaluationTimes(double& sink) {
  for (const int n : {1024, 16384}) {
    for (const char* set : {"uniform", "collinear", "strip", "cocircular"}) {
      const Points p = std::string(set) == "uniform" ? Points(n) : DegenerateSet(set, n);
      for (const int mode : {0, 5}) {
        TWatsonSlots slots;
        if (WatsonCreate(slots, n, p.x.data(), p.y.data(), p.z.data(), mode) == 0) continue;
        const int grid = 20;
        const double ms = BestMs([&] {
          for (int j = 0; j < grid; ++j)
            for (int i = 0; i < grid; ++i)
              sink += static_cast<double>(WatsonEvaluate(slots, (i + 0.5) / grid, (j + 0.5) / grid, 0));
        });
        std::printf("watson_eval set=%s n=%d mode=%d us_per_point=%.2f\n", set, n, mode, 1000.0 * ms / (grid * grid));
      }
    }
  }
}

}  // namespace

int main() {
  double sink = 0.0;
  for (const int n : {1024, 4096, 16384}) {
    const Points p(n);
    std::vector<int> block(13 * static_cast<size_t>(n));
    const double ms = BestMs([&] {
      int lnew = 0, ier = 0;
      RenkaTriangulate(n, p.x.data(), p.y.data(), block.data(), block.data() + 6 * n,
                       block.data() + 12 * n, lnew, ier);
      sink += ier;
    });
    std::printf("delaunay n=%d ms=%.2f\n", n, ms);
  }

  const int n = 16384;
  const Points p(n);
  const double ms_c1 = BestMs([&] {
    std::vector<int> block(13 * static_cast<size_t>(n));
    int* list = block.data();
    int* lptr = list + 6 * n;
    int* lend = list + 12 * n;
    int lnew = 0, ier = 0, nit = 6;
    double dgmax = 1e-5, sigma = 0.0;
    RenkaTriangulate(n, p.x.data(), p.y.data(), list, lptr, lend, lnew, ier);
    std::vector<double> gx(n), gy(n);
    RenkaGradients(0, nullptr, n, p.x.data(), p.y.data(), p.z.data(), list, lptr, lend, 0, &sigma,
                   nit, dgmax, gx.data(), gy.data(), ier);
    int ist = 1;
    for (int j = 0; j < kGrid; ++j)
      for (int i = 0; i < kGrid; ++i) {
        double pz, pzx, pzy;
        RenkaInterpolateC1(GridCoordinate(i), GridCoordinate(j), 0, nullptr, n, p.x.data(),
                           p.y.data(), p.z.data(), list, lptr, lend, 0, &sigma, gx.data(),
                           gy.data(), 0, ist, pz, pzx, pzy, ier);
        sink += pz;
      }
  });
  std::printf("c1_surface n=%d grid=%dx%d ms=%.2f\n", n, kGrid, kGrid, ms_c1);

  for (const int mode : {0, 5}) {
    const double ms = BestMs([&] {
      TWatsonSlots slots;
      if (WatsonCreate(slots, n, p.x.data(), p.y.data(), p.z.data(), mode) == 0) return;
      for (int j = 0; j < kGrid; ++j)
        for (int i = 0; i < kGrid; ++i)
          sink += static_cast<double>(WatsonEvaluate(slots, GridCoordinate(i), GridCoordinate(j), 0));
    });
    std::printf("watson_%s n=%d grid=%dx%d ms=%.2f\n", mode == 0 ? "c0" : "c1", n, kGrid, kGrid, ms);
  }
  WatsonEvaluationTimes(sink);
  return sink == 12345.0 ? 1 : 0;
}
