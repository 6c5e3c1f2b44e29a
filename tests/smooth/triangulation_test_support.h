// Shared helpers of the triangulation tests: a triangulation held in vectors, its triangle
// set read back from the rings, structural checks and the committed reference files.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "smooth/kernels/renka_triangulation.h"

namespace smooth_test {

struct Mesh {
  std::vector<double> x, y;
  std::vector<int> list, lptr, lend;
  int lnew = 0;
  int ier = 99;
  int n() const { return static_cast<int>(x.size()); }
};

inline Mesh Triangulate(std::vector<double> x, std::vector<double> y) {
  Mesh m;
  m.x = std::move(x);
  m.y = std::move(y);
  const int n = m.n();
  m.list.assign(6 * std::max(n, 1), 0);
  m.lptr.assign(6 * std::max(n, 1), 0);
  m.lend.assign(std::max(n, 1), 0);
  RenkaTriangulate(n, m.x.data(), m.y.data(), m.list.data(), m.lptr.data(), m.lend.data(), m.lnew,
                   m.ier);
  return m;
}

using Triangle = std::array<int, 3>;

// Every triangle once, vertices sorted ascending (1-based node numbers).
inline std::set<Triangle> Triangles(const Mesh& m) {
  std::set<Triangle> out;
  for (int k = 1; k <= m.n(); ++k) {
    const int lpl = m.lend[k - 1];
    int lp = lpl;
    do {
      const int next = m.lptr[lp - 1];
      // A boundary node's ring does not close: its last and first neighbours span no triangle.
      if (lp != lpl || m.list[lpl - 1] > 0) {
        Triangle t{k, std::abs(m.list[lp - 1]), std::abs(m.list[next - 1])};
        std::sort(t.begin(), t.end());
        out.insert(t);
      }
      lp = next;
    } while (lp != lpl);
  }
  return out;
}

inline std::vector<int> Ring(const Mesh& m, int k) {
  std::vector<int> ring;
  const int lpl = m.lend[k - 1];
  int lp = lpl;
  do {
    lp = m.lptr[lp - 1];
    ring.push_back(m.list[lp - 1]);
  } while (lp != lpl && ring.size() <= m.list.size());
  return ring;
}

// Twice the signed area of (a, b, c), in long double so that coordinates near the ends of
// the double range neither overflow nor underflow.
inline long double Cross(const Mesh& m, int a, int b, int c) {
  auto d = [](double u, double v) { return static_cast<long double>(u) - v; };
  return d(m.x[b - 1], m.x[a - 1]) * d(m.y[c - 1], m.y[a - 1]) - d(m.x[c - 1], m.x[a - 1]) * d(m.y[b - 1], m.y[a - 1]);
}

// How far node d lies inside the circumcircle of the counter-clockwise triangle (a, b, c),
// relative to the size of the terms (positive: inside). Long double keeps the sign honest
// for all but nearly cocircular nodes.
inline long double InCircle(const Mesh& m, int a, int b, int c, int d) {
  auto col = [&](int i, long double& dx, long double& dy, long double& w) {
    dx = static_cast<long double>(m.x[i - 1]) - m.x[d - 1];
    dy = static_cast<long double>(m.y[i - 1]) - m.y[d - 1];
    w = dx * dx + dy * dy;
  };
  long double ax, ay, aw, bx, by, bw, cx, cy, cw;
  col(a, ax, ay, aw);
  col(b, bx, by, bw);
  col(c, cx, cy, cw);
  const long double det =
      ax * (by * cw - bw * cy) - ay * (bx * cw - bw * cx) + aw * (bx * cy - by * cx);
  const long double scale = std::fabs(ax * by * cw) + std::fabs(ax * bw * cy) +
                            std::fabs(ay * bx * cw) + std::fabs(ay * bw * cx) +
                            std::fabs(aw * bx * cy) + std::fabs(aw * by * cx);
  return scale == 0 ? 0 : det / scale;
}

// Reads "points n" (x y [more columns]) then an optional second block "<word> m" of rows.
struct ReferenceFile {
  std::vector<std::vector<double>> points;
  std::vector<std::vector<double>> rows;
  bool ok = false;
};

inline ReferenceFile ReadReference(const std::string& name, int point_columns, int row_columns) {
  ReferenceFile r;
  std::ifstream in(std::string(ONDRAVIK_TEST_DATA_DIR) + "/smooth/" + name);
  std::string word;
  int count = 0;
  if (!(in >> word >> count)) return r;
  r.points.assign(count, std::vector<double>(point_columns));
  for (auto& p : r.points)
    for (double& v : p) in >> v;
  if (!(in >> word >> count)) return r;
  r.rows.assign(count, std::vector<double>(row_columns));
  for (auto& p : r.rows)
    for (double& v : p) in >> v;
  r.ok = static_cast<bool>(in);
  return r;
}

// Seeded uniform points in the unit square (SplitMix64).
inline void RandomPoints(int n, std::uint64_t seed, std::vector<double>& x, std::vector<double>& y) {
  auto next = [&seed]() {
    std::uint64_t z = (seed += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
  };
  x.resize(n);
  y.resize(n);
  for (int i = 0; i < n; ++i) {
    x[i] = next();
    y[i] = next();
  }
}

}  // namespace smooth_test
