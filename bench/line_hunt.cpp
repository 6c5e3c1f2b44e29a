// The hunt for surfaces of points measured along lines that leave the data's size: every
// scattered method (each option pair the smoothing window offers), every grid maker and the
// gridded engine over the tables of tests/smooth/line_tables.h and two more (lines at 60
// degrees, three lines of 3001 points). For each case a line
//   <table> | <method> | inside lo .. hi [missing m] | beyond lo .. hi [off o] | OK/OUT
// inside: the surface at the test's places inside the hull (a quarter of the lines' spacing
// across, 0.1 and 0.005 along); missing: places inside the hull (or on it) that get the
// missing value; beyond: a lattice over the data's rectangle outside the hull, and off the
// largest distance there from the value at the nearest place of the hull (the hull's nearest
// value, as the engine takes it). OUT where the inside range leaves the data's range widened
// by the range on either side, or a place inside is missing. Then the counts.
//
//   bench_line_hunt [--table N] [--threads N] [--where]
//
//   --where  where each range's least and greatest value and its first missing place lie
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "smooth/engines/data_hull.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/line_tables.h"

namespace {

using smooth_test::TLineTable;

struct TMethod {
  const char* name;
  int code, option1, option2;
};
const TMethod kMethods[] = {
    {"Akima I", kNPAkima1, 1, 5},
    {"Akima I (20)", kNPAkima1Fixed, 0, 0},
    {"Akima II", kNPAkima2, 1, 9},
    {"Preusser C1", kNPPreusser, 1, 3},
    {"Preusser C2", kNPPreusser, 2, 3},
    {"Renka I", kNPRenka1, 0, 0},
    {"Renka I frame", kNPRenka1, 1, 0},
    {"Renka I tension", kNPRenka1, 0, 1},
    {"Renka I frame tension", kNPRenka1, 1, 1},
    {"Renka II quadratic", kNPRenka2, 1, 13},
    {"Renka II cubic", kNPRenka2, 2, 17},
    {"Renka III", kNPRenka3, 2, 18},
    {"Watson C0", kNPWatson, 0, 0},
    {"Watson C1 5", kNPWatson, 1, 5},
    {"Loess", kNPLoess, 2, 13},
    {"Own triangulation", kNPOwnTriangulation, 1, 0},
    {"Loess gradient", kNPLoessGradient, 2, 13},
    {"Loess smoothed", kNPLoessSmoothed, 2, 13},
    {"Loess cosine", kNPLoessCosine, 2, 13},
};
constexpr int kGrids = kRegridMethodCount + 1;  // every grid maker and the gridded engine
// The lattice over the data's rectangle: 4 times as fine as the grid makers' 41 x 41 nodes.
constexpr int kLattice = 160;

struct TLayout {
  TLineTable table;
  int lines;
  long double width, c, s, inset;
};

std::vector<TLayout> Layouts() {
  constexpr long double kCos30 = 0.866025403784438646764L, kSin30 = 0.5L;
  constexpr long double kCos60 = 0.5L, kSin60 = 0.866025403784438646764L;
  std::vector<TLineTable> tables = smooth_test::LineTables();
  std::vector<TLayout> out = {{tables[0], 11, 2, 1, 0, 0},
                              {tables[1], 11, 2, 1, 0, 0},
                              {tables[2], 11, 2, kCos30, kSin30, 0},
                              {tables[3], 11, 2, 1, 0, 0.01L},
                              {tables[4], 4, 1.5L, 1, 0, 0}};
  out.push_back({smooth_test::LineTable("11 lines at 60 degrees", 11, 0.2L, 400, 2e-5L, 0, kCos60, kSin60, 11), 11, 2,
                 kCos60, kSin60, 0});
  out.push_back({smooth_test::LineTable("3 lines of 3001 points", 3, 0.5L, 3000, 2e-5L, 0, 1, 0, 12), 3, 1, 1, 0, 0});
  // The bowed lines also up to the hull's sides (above 0.01 inside the outer lines), where the
  // slivers of triangles of three points of an outer line lie.
  out.push_back({tables[3], 11, 2, 1, 0, 0});
  out.back().table.name += ", to the hull";
  return out;
}

struct TPlace {
  long double x, y;
};

std::vector<TPlace> Inside(const TLayout& l, const TDataHull& hull) {
  std::vector<long double> v;
  for (int i = 0; i <= 100; ++i) v.push_back(0.1L * i);
  for (int i = 0; i <= 50; ++i) v.push_back(6.25L + 0.005L * i);
  std::vector<TPlace> places;
  const int across = 4 * (l.lines - 1);
  for (int j = 0; j <= across; ++j)
    for (const long double b : v) {
      const long double a = l.inset + (l.width - 2 * l.inset) * j / across;
      const long double x = l.c * a - l.s * b, y = l.s * a + l.c * b;
      if (hull.Contains(x, y)) places.push_back({x, y});
    }
  return places;
}

struct TResult {
  std::string line;
  bool out = false;
};

// The range of z over places, with the count of missing values.
struct TRange {
  long double lo = 1e300L, hi = -1e300L;
  int missing = 0;
  // Where the least and greatest values and the first missing one lie.
  long double loX = 0, loY = 0, hiX = 0, hiY = 0, missingX = 0, missingY = 0;
  void Add(long double z, long double x = 0, long double y = 0) {
    if (IsMissingValue(z)) {
      if (missing++ == 0) missingX = x, missingY = y;
      return;
    }
    if (z < lo) lo = z, loX = x, loY = y;
    if (z > hi) hi = z, hiX = x, hiY = y;
  }
  std::string Where() const {
    char buf[200];
    std::snprintf(buf, sizeof buf, " [lo at %.6g, %.6g; hi at %.6g, %.6g; missing at %.9g, %.9g]", static_cast<double>(loX),
                  static_cast<double>(loY), static_cast<double>(hiX), static_cast<double>(hiY),
                  static_cast<double>(missingX), static_cast<double>(missingY));
    return buf;
  }
};

// The nearest place of the hull of the points (as a polygon of points) to (x, y).
struct THullPolygon {
  std::vector<TPlace> v;
  explicit THullPolygon(const TLineTable& t) {
    std::vector<TPlace> p;
    for (const auto& q : t.points) p.push_back({q.x, q.y});
    std::sort(p.begin(), p.end(), [](const TPlace& a, const TPlace& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    auto cross = [](const TPlace& o, const TPlace& a, const TPlace& b) {
      return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
    };
    std::vector<TPlace> h(2 * p.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
      while (k >= 2 && cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
      h[k++] = p[i];
    }
    for (std::size_t i = p.size() - 1, t2 = k + 1; i > 0; --i) {
      while (k >= t2 && cross(h[k - 2], h[k - 1], p[i - 1]) <= 0) --k;
      h[k++] = p[i - 1];
    }
    h.resize(k - 1);
    v = h;
  }
  TPlace Foot(long double x, long double y) const {
    TPlace best{x, y};
    long double d2 = 1e300L;
    for (std::size_t i = 0; i < v.size(); ++i) {
      const TPlace a = v[i], b = v[(i + 1) % v.size()];
      const long double ex = b.x - a.x, ey = b.y - a.y, len2 = ex * ex + ey * ey;
      long double t = len2 > 0 ? ((x - a.x) * ex + (y - a.y) * ey) / len2 : 0;
      t = std::clamp(t, 0.0L, 1.0L);
      const long double fx = a.x + t * ex, fy = a.y + t * ey;
      const long double d = (fx - x) * (fx - x) + (fy - y) * (fy - y);
      if (d < d2) d2 = d, best = {fx, fy};
    }
    return best;
  }
};

}  // namespace

int main(int argc, char** argv) {
  int only = -1, threads = 3;
  bool where = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--table") && i + 1 < argc) only = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--threads") && i + 1 < argc) threads = std::max(1, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--where")) where = true;
  }
  const std::vector<TLayout> layouts = Layouts();
  const int perTable = static_cast<int>(std::size(kMethods)) + kGrids;
  std::vector<std::pair<int, int>> jobs;
  for (int n = 0; n < static_cast<int>(layouts.size()); ++n)
    if (only < 0 || only == n)
      for (int m = 0; m < perTable; ++m) jobs.push_back({n, m});
  std::vector<TResult> results(jobs.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t j; (j = next++) < jobs.size();) {
      const auto [n, m] = jobs[j];
      const TLayout& l = layouts[static_cast<std::size_t>(n)];
      PointTable table = smooth_test::Table(l.table.points);
      const TDataHull hull(table);
      long double zMin = l.table.points[0].z, zMax = zMin;
      for (const auto& p : l.table.points) zMin = std::min(zMin, p.z), zMax = std::max(zMax, p.z);
      const long double lo = zMin - (zMax - zMin), hi = zMax + (zMax - zMin);
      const std::vector<TPlace> places = Inside(l, hull);
      char buf[512];
      TRange in, beyond;
      long double off = 0;
      std::string name;
      if (m < static_cast<int>(std::size(kMethods))) {
        const TMethod& method = kMethods[m];
        name = method.name;
        TNParm3D engine(table, method.code, method.option1, method.option2, false);
        if (!engine.HasSurface()) {
          results[j] = {l.table.name + " | " + name + " | no surface", true};
          continue;
        }
        for (const TPlace& p : places) in.Add(engine.EvalAt(p.x, p.y), p.x, p.y);
        // The nodes of a fine lattice over the data's rectangle inside the hull too: the grid
        // makers' nodes fall between the places along the lines.
        for (int b = 0; b <= kLattice; ++b)
          for (int a = 0; a <= kLattice; ++a) {
            const long double x = engine.XMin() + (engine.XMax() - engine.XMin()) * a / kLattice;
            const long double y = engine.YMin() + (engine.YMax() - engine.YMin()) * b / kLattice;
            if (hull.Contains(x, y)) in.Add(engine.EvalAt(x, y), x, y);
          }
        const THullPolygon polygon(l.table);
        for (int b = 0; b <= 60; ++b)
          for (int a = 0; a <= 60; ++a) {
            const long double x = engine.XMin() + (engine.XMax() - engine.XMin()) * a / 60;
            const long double y = engine.YMin() + (engine.YMax() - engine.YMin()) * b / 60;
            if (hull.Contains(x, y)) continue;
            const long double z = engine.EvalAt(x, y);
            beyond.Add(z, x, y);
            const TPlace f = polygon.Foot(x, y);
            const long double zf = engine.EvalAt(f.x, f.y);
            if (!IsMissingValue(z) && !IsMissingValue(zf)) off = std::max(off, std::fabs(z - zf));
          }
      } else if (m < static_cast<int>(std::size(kMethods)) + kRegridMethodCount) {
        const int regrid = m - static_cast<int>(std::size(kMethods));
        name = "grid " + std::to_string(regrid);
        TSpline3D engine(table, kGridBSpline, 3, 3, 25, 25, 41, 41, regrid, true);
        if (!engine.Ready()) {
          results[j] = {l.table.name + " | " + name + " | not made", true};
          continue;
        }
        for (const TXYZPoint& p : engine.Working().subspan(1))
          (hull.Contains(p.X, p.Y) ? in : beyond).Add(p.Z, p.X, p.Y);
      } else {
        name = "gridded B-spline";
        TSpline3D engine(table, kGridBSpline, 3, 3, 25, 25, 41, 41, kRegridRenka, false);
        if (!engine.Ready()) {
          results[j] = {l.table.name + " | " + name + " | not made", true};
          continue;
        }
        for (const TPlace& p : places) in.Add(engine.EvalAt(p.x, p.y), p.x, p.y);
      }
      const bool out = in.lo < lo || in.hi > hi || in.missing > 0;
      std::snprintf(buf, sizeof buf, " | inside %.4g .. %.4g missing %d | beyond %.4g .. %.4g missing %d off %.4g | %s",
                    static_cast<double>(in.lo), static_cast<double>(in.hi), in.missing, static_cast<double>(beyond.lo),
                    static_cast<double>(beyond.hi), beyond.missing, static_cast<double>(off), out ? "OUT" : "OK");
      results[j] = {l.table.name + " | " + name + buf + (where ? in.Where() + " beyond" + beyond.Where() : ""), out};
    }
  };
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) pool.emplace_back(work);
  for (auto& t : pool) t.join();
  int outs = 0;
  for (const TResult& r : results) {
    std::printf("%s\n", r.line.c_str());
    outs += r.out;
  }
  std::printf("cases %zu, out of size or missing inside %d\n", results.size(), outs);
  return 0;
}
