// Akima's scattered-data kernel: triangulation (validity, Delaunay agreement, the published
// exchange test), closest points, exact nodes, plane reproduction, first-derivative
// continuity across triangle sides, derivative codes against differences in triangles,
// strips and sectors, the work-array contract of MD 1, 2 and 3, the single-point evaluator,
// and hostile input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <vector>

#include "smooth/kernels/akima_interpolation.h"
#include "smooth/kernels/akima_triangulation.h"
#include "smooth_test_support.h"
#include "triangulation_test_support.h"

namespace {

using smooth_test::Mesh;
using smooth_test::Triangle;

// One kernel set-up over points, with its work arrays.
struct Kernel {
  std::vector<double> x, y, z;
  int ncp = 5;
  std::vector<int> iwk;
  std::vector<double> wk;

  int ndp() const { return static_cast<int>(x.size()); }
  int Nt() const { return iwk[4]; }
  int Nl() const { return iwk[5]; }
  std::array<int, 3> Tri(int t) const {
    return {iwk[15 + 3 * (t - 1)], iwk[16 + 3 * (t - 1)], iwk[17 + 3 * (t - 1)]};
  }
  std::array<int, 3> Seg(int l) const {
    const std::size_t at = 24 * x.size() + 3 * (l - 1);
    return {iwk[at], iwk[at + 1], iwk[at + 2]};
  }

  // A grid call; iwk is sized for the grid (fresh with MD 1).
  int Grid(int md, const std::vector<double>& xi, const std::vector<double>& yi,
           std::vector<double>& zi, int deriv = 0) {
    const int nxi = static_cast<int>(xi.size()), nyi = static_cast<int>(yi.size());
    const std::size_t need = AkimaIntWorkSize(ncp, ndp(), nxi, nyi);
    if (md == kAkimaNewPoints) iwk.assign(need, 0);
    else if (iwk.size() < need) iwk.resize(need, 0);
    wk.resize(AkimaRealWorkSize(ndp()));
    zi.resize(xi.size() * yi.size());
    return AkimaGridInterpolate(md, ncp, ndp(), x, y, z, nxi, nyi, xi, yi, zi, iwk, wk, deriv);
  }
  // One point by MD 2 over the last set-up.
  double At(double px, double py, int deriv = 0) {
    std::vector<double> zi;
    EXPECT_EQ(Grid(kAkimaNewValues, {px}, {py}, zi, deriv), 1);
    return zi[0];
  }
};

Kernel Scattered(int n, std::uint64_t seed, const std::function<double(double, double)>& f) {
  Kernel k;
  smooth_test::RandomPoints(n, seed, k.x, k.y);
  for (int i = 0; i < n; ++i) k.z.push_back(f(k.x[i], k.y[i]));
  return k;
}

double Smooth(double x, double y) { return std::sin(3 * x) * std::cos(2 * y) + x * x * y; }

std::vector<double> Axis(double a, double b, int n) {
  std::vector<double> v(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = a + (b - a) * i / (n - 1);
  return v;
}

double Cross(const Kernel& k, int a, int b, int c) {
  return (k.x[b - 1] - k.x[a - 1]) * (k.y[c - 1] - k.y[a - 1]) -
         (k.x[c - 1] - k.x[a - 1]) * (k.y[b - 1] - k.y[a - 1]);
}

// ---- triangulation ----

// Every triangle counter-clockwise, every side shared by two triangles or on the border
// once, the border closed counter-clockwise with each segment's triangle holding it, and
// NT = 2 NDP - NL - 2 (every point a vertex).
void ExpectValidTriangulation(const Kernel& k) {
  const int nt = k.Nt(), nl = k.Nl(), n = k.ndp();
  ASSERT_EQ(nt, 2 * n - nl - 2);
  std::map<std::pair<int, int>, int> sides;
  for (int t = 1; t <= nt; ++t) {
    const auto v = k.Tri(t);
    EXPECT_GT(Cross(k, v[0], v[1], v[2]), 0.0) << "triangle " << t;
    for (int e = 0; e < 3; ++e) ++sides[{v[e], v[(e + 1) % 3]}];
  }
  int border = 0;
  for (const auto& [side, count] : sides) {
    EXPECT_EQ(count, 1);
    if (!sides.count({side.second, side.first})) ++border;
  }
  EXPECT_EQ(border, nl);
  for (int l = 1; l <= nl; ++l) {
    const auto s = k.Seg(l), next = k.Seg(l % nl + 1);
    EXPECT_EQ(s[1], next[0]) << "segment " << l;
    EXPECT_TRUE(sides.count({s[0], s[1]})) << "segment " << l << " runs against its triangle";
    const auto t = k.Tri(s[2]);
    EXPECT_TRUE(std::count(t.begin(), t.end(), s[0]) && std::count(t.begin(), t.end(), s[1]))
        << "segment " << l << " names triangle " << s[2];
  }
}

TEST(AkimaTriangulate, ValidAndLocallyOptimalOnScatteredAndGriddedPoints) {
  struct Case {
    const char* name;
    Kernel k;
  };
  Kernel grid;
  for (int j = 0; j < 9; ++j)
    for (int i = 0; i < 11; ++i) {
      grid.x.push_back(i * 0.1);
      grid.y.push_back(j * 0.125);
      grid.z.push_back(0);
    }
  Case cases[] = {{"random 300", Scattered(300, 7, Smooth)},
                  {"random 40", Scattered(40, 99, Smooth)},
                  {"grid 11 x 9", grid}};
  for (Case& c : cases) {
    std::vector<double> zi;
    ASSERT_EQ(c.k.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 1) << c.name;
    ExpectValidTriangulation(c.k);
    // No interior side calls for an exchange.
    std::map<std::pair<int, int>, int> opposite;
    for (int t = 1; t <= c.k.Nt(); ++t) {
      const auto v = c.k.Tri(t);
      for (int e = 0; e < 3; ++e) opposite[{v[e], v[(e + 1) % 3]}] = v[(e + 2) % 3];
    }
    for (const auto& [side, p1] : opposite) {
      const auto back = opposite.find({side.second, side.first});
      if (back == opposite.end()) continue;
      EXPECT_FALSE(AkimaSwapTest(c.k.x, c.k.y, p1, back->second, side.first, side.second))
          << c.name << " side " << side.first << "-" << side.second;
    }
  }
}

TEST(AkimaTriangulate, MaxMinAngleMatchesDelaunayInGeneralPosition) {
  Kernel k = Scattered(500, 2024, Smooth);
  std::vector<double> zi;
  ASSERT_EQ(k.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 1);
  std::set<Triangle> akima;
  for (int t = 1; t <= k.Nt(); ++t) {
    auto v = k.Tri(t);
    std::sort(v.begin(), v.end());
    akima.insert({v[0], v[1], v[2]});
  }
  const Mesh delaunay = smooth_test::Triangulate(k.x, k.y);
  ASSERT_EQ(delaunay.ier, 0);
  EXPECT_EQ(akima, smooth_test::Triangles(delaunay));
}

TEST(AkimaTriangulate, ConvexQuadrilateralGivesTwoTrianglesAndFourSegments) {
  Kernel k;
  k.x = {0, 1, 1.2, -0.1};
  k.y = {0, 0.1, 1, 0.9};
  k.z = {1, 2, 3, 4};
  k.ncp = 3;
  // A grid reaching well beyond the hull on every side: every point is extrapolated or
  // interpolated, none left as it was.
  const auto xi = Axis(-2, 3, 41), yi = Axis(-1.5, 2.5, 37);
  std::vector<double> zi(xi.size() * yi.size(), std::numeric_limits<double>::quiet_NaN());
  ASSERT_EQ(k.Grid(kAkimaNewPoints, xi, yi, zi), 1);
  EXPECT_EQ(k.Nt(), 2);
  EXPECT_EQ(k.Nl(), 4);
  for (double v : zi) EXPECT_TRUE(std::isfinite(v));
}

TEST(AkimaTriangulate, CollinearPoints) {
  struct Case {
    const char* name;
    std::vector<double> x, y;
    int result;
  };
  const Case cases[] = {
      {"three on a line, then one off it", {0, 1, 2, 1}, {0, 1, 2, 3}, 1},
      {"five on a line, one off it last", {0, 1, 2, 3, 4, 2}, {0, 0.5, 1, 1.5, 2, 5}, 1},
      {"all on one line", {0, 1, 2, 3, 4}, {1, 2, 3, 4, 5}, 0},
      {"all on a vertical line", {2, 2, 2, 2}, {0, 1, 3, 2}, 0},
  };
  for (const Case& c : cases) {
    std::vector<int> ipt(6 * c.x.size()), ipl(3 * c.x.size());
    int nt = 0, nl = 0;
    EXPECT_EQ(AkimaTriangulate(static_cast<int>(c.x.size()), c.x, c.y, ipt, ipl, nt, nl), c.result)
        << c.name;
  }
}

// Point sets with many equal distances (grids, in the engines' x-then-y order), clusters and
// random points.
std::vector<std::pair<std::vector<double>, std::vector<double>>> PointSets() {
  std::vector<std::pair<std::vector<double>, std::vector<double>>> sets;
  std::vector<double> x, y;
  for (int i = 0; i < 23; ++i)
    for (int j = 0; j < 17; ++j) {
      x.push_back(i * 0.25);
      y.push_back(j * 0.25);
    }
  sets.push_back({x, y});
  smooth_test::RandomPoints(700, 8, x, y);
  sets.push_back({x, y});
  smooth_test::RandomPoints(300, 9, x, y);
  for (int i = 0; i < 300; ++i) {
    x.push_back(0.5 + 1e-3 * x[static_cast<std::size_t>(i)]);
    y.push_back(0.5 + 1e-3 * y[static_cast<std::size_t>(i)]);
  }
  sets.push_back({x, y});
  smooth_test::RandomPoints(40, 10, x, y);  // too few for the cells: the full scan
  sets.push_back({x, y});
  // Transects: dense along four lines, so that every point's nearest lie on its own line.
  x.clear();
  y.clear();
  for (int i = 0; i < 30; ++i)
    for (int line = 0; line < 4; ++line) {
      x.push_back(i * 0.01 + 0.003 * line);
      y.push_back(line);
    }
  sets.push_back({x, y});
  return sets;
}

TEST(AkimaClosestPair, IsThePairTheFullScanKeeps) {
  for (const auto& [x, y] : PointSets()) {
    const int n = static_cast<int>(x.size());
    int want1 = 0, want2 = 0;
    double want = std::numeric_limits<double>::infinity();
    for (int i = 0; i < n; ++i)
      for (int j = i + 1; j < n; ++j) {
        const double d = (x[j] - x[i]) * (x[j] - x[i]) + (y[j] - y[i]) * (y[j] - y[i]);
        if (d < want) {
          want = d;
          want1 = i + 1;
          want2 = j + 1;
        }
      }
    int ip1 = 0, ip2 = 0;
    double dsq = 0;
    ASSERT_TRUE(AkimaClosestPair(n, x, y, ip1, ip2, dsq)) << n;
    EXPECT_EQ(ip1, want1) << n;
    EXPECT_EQ(ip2, want2) << n;
    EXPECT_EQ(dsq, want) << n;
  }
  const std::vector<double> x = {0, 1, 2, 1}, y = {0, 1, 2, 1};
  int ip1 = 0, ip2 = 0;
  double dsq = 0;
  EXPECT_FALSE(AkimaClosestPair(4, x, y, ip1, ip2, dsq)) << "two points coincide";
}

TEST(AkimaSwapTest, PrefersTheLargerSmallestAngle) {
  // A flat quadrilateral: the long diagonal makes two slivers, the short one two fair
  // triangles. Cocircular points (a square) keep their diagonal; a concave one never swaps.
  const std::vector<double> x = {0, 0, -2, 2, 1, -1, 0, 0};
  const std::vector<double> y = {1, -1, 0, 0, 0, 0, 0.2, -3};
  EXPECT_TRUE(AkimaSwapTest(x, y, 1, 2, 3, 4));   // replace 3-4 by 1-2
  EXPECT_FALSE(AkimaSwapTest(x, y, 3, 4, 1, 2));  // keep 1-2 over 3-4
  const std::vector<double> sx = {0, 1, 1, 0}, sy = {0, 1, 0, 1};
  EXPECT_FALSE(AkimaSwapTest(sx, sy, 1, 2, 3, 4));
  EXPECT_FALSE(AkimaSwapTest(sx, sy, 3, 4, 1, 2));
  // 3 and 4 on the same side of the line 1-2: not a convex quadrilateral.
  const std::vector<double> cx = {0, 3, -2, 2}, cy = {1, 1, 0, 0};
  EXPECT_FALSE(AkimaSwapTest(cx, cy, 1, 2, 3, 4));
}

// ---- closest points ----

TEST(AkimaGridInterpolate, ClosestPointsAreTheNearest) {
  Kernel k = Scattered(200, 31, Smooth);
  k.ncp = 7;
  std::vector<double> zi;
  ASSERT_EQ(k.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 1);
  const std::size_t ipc = 27 * k.x.size();
  for (int p = 0; p < k.ndp(); ++p) {
    std::vector<std::pair<double, int>> d;
    for (int q = 0; q < k.ndp(); ++q)
      if (q != p) d.push_back({std::hypot(k.x[q] - k.x[p], k.y[q] - k.y[p]), q + 1});
    std::sort(d.begin(), d.end());
    std::set<int> want, got;
    for (int j = 0; j < k.ncp; ++j) {
      want.insert(d[static_cast<std::size_t>(j)].second);
      got.insert(k.iwk[ipc + static_cast<std::size_t>(k.ncp * p + j)]);
    }
    EXPECT_EQ(got, want) << "point " << p + 1;
  }
}

// The closest points one point at a time over all points, as published: the first NCP others,
// then each nearer point replacing the first held of the largest distance; a collinear set
// takes the nearest point off its line in place of that farthest one.
std::vector<int> PublishedClosestPoints(const std::vector<double>& x, const std::vector<double>& y,
                                        int ncp) {
  const int n = static_cast<int>(x.size());
  std::vector<int> ipc;
  for (int p = 0; p < n; ++p) {
    std::vector<double> d;
    std::vector<int> held;
    auto dsq = [&](int q) { return (x[q] - x[p]) * (x[q] - x[p]) + (y[q] - y[p]) * (y[q] - y[p]); };
    auto farthest = [&] {
      return static_cast<int>(std::max_element(d.begin(), d.end()) - d.begin());
    };
    for (int q = 0; q < n; ++q) {
      if (q == p) continue;
      if (static_cast<int>(held.size()) < ncp) {
        held.push_back(q);
        d.push_back(dsq(q));
      } else if (dsq(q) < d[static_cast<std::size_t>(farthest())]) {
        const int f = farthest();
        held[static_cast<std::size_t>(f)] = q;
        d[static_cast<std::size_t>(f)] = dsq(q);
      }
    }
    auto sine2 = [&](int q) {
      const double ax = x[held[0]] - x[p], ay = y[held[0]] - y[p];
      const double bx = x[q] - x[p], by = y[q] - y[p];
      const double c = by * ax - bx * ay;
      return (c / (ax * ax + ay * ay)) * (c / (bx * bx + by * by));
    };
    bool collinear = true;
    for (int j = 1; j < ncp; ++j) collinear = collinear && !(sine2(held[j]) > kAkimaCollinearSine2);
    if (collinear) {
      int best = -1;
      for (int q = 0; q < n; ++q)
        if (q != p && std::find(held.begin(), held.end(), q) == held.end() &&
            sine2(q) > kAkimaCollinearSine2 && (best < 0 || dsq(q) < dsq(best)))
          best = q;
      held[static_cast<std::size_t>(farthest())] = best;
    }
    for (int q : held) ipc.push_back(q + 1);
  }
  return ipc;
}

TEST(AkimaGridInterpolate, ClosestPointsFollowThePublishedScan) {
  const auto sets = PointSets();
  for (std::size_t set = 0; set < sets.size(); ++set) {
    const auto& [x, y] = sets[set];
    // The transects, the last set, lie along lines: there each point's closest points reach
    // across the lines (line_neighbourhood.h) where the published scan took its own line and
    // the one nearest point off it, and the curvature across a narrow ridge between the lines
    // stood at twice the data's height. Every closest point of a point on an inner line lies
    // on it or on a line beside it, and from NCP 5 on both lines beside it are among them.
    const bool transects = set + 1 == sets.size();
    for (const int ncp : {3, 5, 9}) {
      Kernel k;
      k.x = x;
      k.y = y;
      k.z.assign(x.size(), 1.0);
      k.ncp = ncp;
      std::vector<double> zi;
      ASSERT_EQ(k.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 1);
      const std::size_t at = 27 * x.size();
      const std::vector<int> got(k.iwk.begin() + static_cast<std::ptrdiff_t>(at),
                                 k.iwk.begin() + static_cast<std::ptrdiff_t>(at + ncp * x.size()));
      if (!transects) {
        EXPECT_EQ(got, PublishedClosestPoints(x, y, ncp)) << x.size() << " points, NCP " << ncp;
        continue;
      }
      for (std::size_t p = 0; p < x.size(); ++p) {
        if (y[p] == 0 || y[p] == 3) continue;
        bool below = false, above = false;
        for (int j = 0; j < ncp; ++j) {
          const double other = y[static_cast<std::size_t>(got[p * static_cast<std::size_t>(ncp) + static_cast<std::size_t>(j)] - 1)];
          EXPECT_LE(std::fabs(other - y[p]), 1.0) << "point " << p + 1 << ", NCP " << ncp;
          below = below || other < y[p];
          above = above || other > y[p];
        }
        EXPECT_TRUE(ncp < 5 || (below && above)) << "point " << p + 1 << ", NCP " << ncp;
        EXPECT_TRUE(below || above) << "point " << p + 1 << ", NCP " << ncp;
      }
    }
  }
}

TEST(AkimaGridInterpolate, CloseCountBounds) {
  Kernel k = Scattered(40, 5, Smooth);
  std::vector<double> zi;
  struct Case {
    int ncp;
    int result;
  };
  for (const Case c : {Case{26, 0}, Case{25, 1}, Case{40, 0}, Case{39, 0}, Case{1, 0}, Case{2, 1}}) {
    k.ncp = c.ncp;
    // NCP 39 passes the entry's own bounds but not the closest-point step's limit of 25.
    EXPECT_EQ(k.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), c.result) << "NCP " << c.ncp;
  }
  Kernel four;
  four.x = {0, 1, 0, 1};
  four.y = {0, 0, 1, 1.2};
  four.z = {0, 1, 2, 3};
  four.ncp = 4;
  EXPECT_EQ(four.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 0) << "NCP = NDP";
  four.ncp = 3;
  EXPECT_EQ(four.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 1);
}

// ---- interpolation ----

TEST(AkimaGridInterpolate, NodesAreExact) {
  Kernel k = Scattered(150, 12, Smooth);
  std::vector<double> zi;
  ASSERT_EQ(k.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 1);
  for (int i = 0; i < k.ndp(); ++i) EXPECT_NEAR(k.At(k.x[i], k.y[i]), k.z[i], 1e-14) << i;
}

TEST(AkimaGridInterpolate, PlanesAreReproducedWithTheirSlopes) {
  const double a = 1.5, b = -2.25, c = 0.75;
  Kernel k = Scattered(80, 3, [&](double x, double y) { return a + b * x + c * y; });
  const auto xi = Axis(-0.5, 1.5, 17), yi = Axis(-0.4, 1.6, 15);
  const double want[6] = {0, b, c, 0, 0, 0};
  for (int deriv = 0; deriv < 6; ++deriv) {
    std::vector<double> zi;
    ASSERT_EQ(k.Grid(deriv == 0 ? kAkimaNewPoints : kAkimaNewValues, xi, yi, zi, deriv), 1);
    for (std::size_t j = 0; j < yi.size(); ++j)
      for (std::size_t i = 0; i < xi.size(); ++i) {
        const double w = deriv == 0 ? a + b * xi[i] + c * yi[j] : want[deriv];
        EXPECT_NEAR(zi[j * xi.size() + i], w, 1e-11) << "code " << deriv << " at " << xi[i]
                                                     << ", " << yi[j];
      }
  }
}

TEST(AkimaGridInterpolate, FirstDerivativesContinuousAcrossTriangleSides) {
  Kernel k = Scattered(120, 77, Smooth);
  std::vector<double> zi;
  ASSERT_EQ(k.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 1);
  std::map<std::pair<int, int>, int> opposite;
  for (int t = 1; t <= k.Nt(); ++t) {
    const auto v = k.Tri(t);
    for (int e = 0; e < 3; ++e) opposite[{v[e], v[(e + 1) % 3]}] = v[(e + 2) % 3];
  }
  int sides = 0;
  for (const auto& [side, p] : opposite) {
    if (side.first > side.second || !opposite.count({side.second, side.first})) continue;
    const double ax = k.x[side.first - 1], ay = k.y[side.first - 1];
    const double bx = k.x[side.second - 1], by = k.y[side.second - 1];
    const double len = std::hypot(bx - ax, by - ay);
    const double nx = (ay - by) / len, ny = (bx - ax) / len;
    for (const double t : {0.23, 0.5, 0.81}) {
      const double mx = ax + t * (bx - ax), my = ay + t * (by - ay);
      for (int deriv = 0; deriv <= 2; ++deriv) {
        auto f = [&](double px, double py) { return k.At(px, py, deriv); };
        const double left = smooth_test::SideLimit(f, mx, my, nx, ny);
        const double right = smooth_test::SideLimit(f, mx, my, -nx, -ny);
        EXPECT_NEAR(left, right, 1e-8 * std::max(1.0, std::fabs(left)))
            << "side " << side.first << "-" << side.second << " code " << deriv;
      }
    }
    ++sides;
  }
  EXPECT_GT(sides, 300);
}

// Which piece a point lies in, and how far it is from the piece's boundary.
enum class Piece { kTriangle, kStrip, kSector };
struct Where {
  Piece piece;
  double clearance;
};

Where PieceOf(const Kernel& k, double px, double py) {
  double nearest = 1e300;
  for (int t = 1; t <= k.Nt(); ++t) {
    const auto v = k.Tri(t);
    double lo = 1e300;
    for (int e = 0; e < 3; ++e) {
      const int a = v[e], b = v[(e + 1) % 3];
      const double ex = k.x[b - 1] - k.x[a - 1], ey = k.y[b - 1] - k.y[a - 1];
      lo = std::min(lo, (ex * (py - k.y[a - 1]) - ey * (px - k.x[a - 1])) / std::hypot(ex, ey));
    }
    if (lo > 0) return {Piece::kTriangle, lo};
    nearest = std::min(nearest, -lo);
  }
  // Outside: the strips are bounded by the normals at the border vertices.
  for (int l = 1; l <= k.Nl(); ++l) {
    const auto s = k.Seg(l);
    const double ax = k.x[s[0] - 1], ay = k.y[s[0] - 1], bx = k.x[s[1] - 1], by = k.y[s[1] - 1];
    const double len = std::hypot(bx - ax, by - ay);
    const double along = ((px - ax) * (bx - ax) + (py - ay) * (by - ay)) / len;
    const double off = ((px - ax) * (by - ay) - (py - ay) * (bx - ax)) / len;
    if (off > 0 && along > 0 && along < len)
      return {Piece::kStrip, std::min({nearest, off, along, len - along})};
    if (off > 0) nearest = std::min({nearest, std::fabs(along), std::fabs(along - len)});
  }
  return {Piece::kSector, nearest};
}

TEST(AkimaGridInterpolate, DerivativeCodesAgreeWithDifferencesInEveryPiece) {
  Kernel k = Scattered(60, 404, Smooth);
  std::vector<double> zi;
  ASSERT_EQ(k.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 1);
  std::map<Piece, int> tried;
  std::vector<double> px, py;
  smooth_test::RandomPoints(400, 17, px, py);
  for (std::size_t i = 0; i < px.size(); ++i) {
    const double x = -0.6 + 2.2 * px[i], y = -0.6 + 2.2 * py[i];
    const Where where = PieceOf(k, x, y);
    // Steps well inside the piece and small against its size keep the differences to one
    // polynomial and their truncation error small.
    const double h = std::min(1e-3, 0.05 * where.clearance);
    if (h < 1e-4) continue;
    ++tried[where.piece];
    auto f = [&](double dx, double dy) { return k.At(x + dx, y + dy); };
    // Central differences with steps h and h / 2, combined by Richardson extrapolation.
    auto diffs = [&](double s) {
      const double c = f(0, 0);
      return std::array<double, 6>{
          c,
          (f(s, 0) - f(-s, 0)) / (2 * s),
          (f(0, s) - f(0, -s)) / (2 * s),
          (f(s, 0) - 2 * c + f(-s, 0)) / (s * s),
          (f(0, s) - 2 * c + f(0, -s)) / (s * s),
          (f(s, s) - f(s, -s) - f(-s, s) + f(-s, -s)) / (4 * s * s),
      };
    };
    const auto coarse = diffs(h), fine = diffs(h / 2);
    for (int deriv = 1; deriv < 6; ++deriv) {
      const double exact = k.At(x, y, deriv);
      const double estimate = (4 * fine[deriv] - coarse[deriv]) / 3;
      EXPECT_NEAR(exact, estimate, 1e-5 * std::max(1.0, std::fabs(exact)))
          << "code " << deriv << " at " << x << ", " << y << " piece "
          << static_cast<int>(where.piece);
    }
  }
  EXPECT_GT(tried[Piece::kTriangle], 50);
  EXPECT_GT(tried[Piece::kStrip], 20);
  EXPECT_GT(tried[Piece::kSector], 20);
}

TEST(AkimaGridInterpolate, UnknownDerivativeCodeGivesZero) {
  Kernel k = Scattered(30, 8, Smooth);
  const auto xi = Axis(-1, 2, 9), yi = Axis(-1, 2, 8);
  std::vector<double> zi;
  for (int deriv : {6, -1, 99}) {
    ASSERT_EQ(k.Grid(kAkimaNewPoints, xi, yi, zi, deriv), 1);
    for (double v : zi) EXPECT_EQ(v, 0.0) << "code " << deriv;
  }
}

// ---- the work-array contract ----

TEST(AkimaGridInterpolate, ModesReuseTheirWork) {
  Kernel k = Scattered(70, 21, Smooth);
  const auto xi = Axis(0, 1, 12), yi = Axis(0, 1, 10);
  std::vector<double> first, again;
  ASSERT_EQ(k.Grid(kAkimaNewPoints, xi, yi, first), 1);
  // New values on the same points and grid (MD 3), then MD 2 with the old values back.
  const std::vector<double> z0 = k.z;
  for (double& v : k.z) v *= 2;
  ASSERT_EQ(k.Grid(kAkimaSameGrid, xi, yi, again), 1);
  for (std::size_t i = 0; i < first.size(); ++i) EXPECT_NEAR(again[i], 2 * first[i], 1e-12);
  k.z = z0;
  ASSERT_EQ(k.Grid(kAkimaNewValues, xi, yi, again), 1);
  EXPECT_EQ(again, first);

  // MD 3 with another grid size fails and leaves ZI as it was.
  std::vector<double> other(13 * 10, -7.0);
  const auto xi13 = Axis(0, 1, 13);
  EXPECT_EQ(AkimaGridInterpolate(kAkimaSameGrid, k.ncp, k.ndp(), k.x, k.y, k.z, 13, 10, xi13, yi,
                                 other, k.iwk, k.wk, 0),
            0);
  for (double v : other) EXPECT_EQ(v, -7.0);
  // MD 2 with another NCP or NDP fails too; the stored work still serves MD 3.
  EXPECT_EQ(AkimaGridInterpolate(kAkimaNewValues, 4, k.ndp(), k.x, k.y, k.z, 12, 10, xi, yi, other,
                                 k.iwk, k.wk, 0),
            0);
  ASSERT_EQ(k.Grid(kAkimaSameGrid, xi, yi, again), 1);
  EXPECT_EQ(again, first);
}

TEST(AkimaGridInterpolate, FailedSetUpLeavesNothingToReuse) {
  Kernel k;
  k.x = {0, 1, 2, 3, 4};
  k.y = {0, 1, 2, 3, 4};
  k.z = {1, 2, 3, 4, 5};
  k.ncp = 3;
  std::vector<double> zi;
  EXPECT_EQ(k.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 0);
  EXPECT_EQ(k.Grid(kAkimaNewValues, {0.5}, {0.5}, zi), 0);
  EXPECT_EQ(k.Grid(kAkimaSameGrid, {0.5}, {0.5}, zi), 0);
}

TEST(TAkimaPointEvaluator, GivesTheNumbersOfAOnePointCall) {
  // Gridded points put many evaluation points exactly on sides and vertices.
  Kernel k;
  for (int j = 0; j < 7; ++j)
    for (int i = 0; i < 8; ++i) {
      k.x.push_back(i / 7.0);
      k.y.push_back(j / 6.0);
      k.z.push_back(Smooth(i / 7.0, j / 6.0));
    }
  std::vector<double> zi;
  ASSERT_EQ(k.Grid(kAkimaNewPoints, {0.5}, {0.5}, zi), 1);
  const auto evaluator = TAkimaPointEvaluator::Build(k.ndp(), k.x, k.y, k.iwk);
  ASSERT_TRUE(evaluator);
  std::vector<double> probes_x, probes_y;
  for (int j = -3; j <= 15; ++j)
    for (int i = -3; i <= 17; ++i) {
      probes_x.push_back(i / 14.0);
      probes_y.push_back(j / 12.0);
    }
  smooth_test::RandomPoints(200, 5, probes_x, probes_y);
  for (std::size_t p = 0; p < probes_x.size(); ++p)
    for (int deriv = 0; deriv < 6; ++deriv)
      EXPECT_EQ(evaluator->Evaluate(probes_x[p], probes_y[p], deriv, k.z, k.wk),
                k.At(probes_x[p], probes_y[p], deriv))
          << probes_x[p] << ", " << probes_y[p] << " code " << deriv;
}

// ---- hostile input ----

TEST(AkimaGridInterpolate, HostileInputIsRefused) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    std::vector<double> x, y, z;
    std::vector<double> xi;
    int result;
  };
  const std::vector<double> x5 = {0, 1, 0, 1, 0.4}, y5 = {0, 0, 1, 1, 0.6};
  const std::vector<double> z5 = {1, 2, 3, 4, 5};
  const Case cases[] = {
      {"NaN x", {0, 1, nan, 1, 0.4}, y5, z5, {0.5}, 0},
      {"infinite y", x5, {0, 0, 1, inf, 0.6}, z5, {0.5}, 0},
      {"NaN z", x5, y5, {1, 2, nan, 4, 5}, {0.5}, 0},
      {"NaN grid x", x5, y5, z5, {nan}, 0},
      {"duplicate point", {0, 1, 0, 1, 1}, {0, 0, 1, 1, 1}, z5, {0.5}, 0},
      {"enormous scale", {0, 1e160, 0, 1e160, 4e159}, {0, 0, 1e160, 1e160, 6e159}, z5, {1e159}, 0},
      {"huge scale", {0, 1e100, 0, 1e100, 4e99}, {0, 0, 1e100, 1e100, 6e99}, z5, {1e99}, 0},
      {"large scale", {0, 1e50, 0, 1e50, 4e49}, {0, 0, 1e50, 1e50, 6e49}, z5, {1e49}, 1},
      {"small scale", {0, 1e-100, 0, 1e-100, 4e-101}, {0, 0, 1e-100, 1e-100, 6e-101}, z5, {1e-101}, 1},
      {"tiny scale", {0, 1e-170, 0, 1e-170, 4e-171}, {0, 0, 1e-170, 1e-170, 6e-171}, z5, {1e-171}, 0},
  };
  for (const Case& c : cases) {
    Kernel k;
    k.x = c.x;
    k.y = c.y;
    k.z = c.z;
    k.ncp = 3;
    std::vector<double> zi;
    EXPECT_EQ(k.Grid(kAkimaNewPoints, c.xi, c.xi, zi), c.result) << c.name;
    if (c.result == 1) {
      EXPECT_TRUE(std::isfinite(zi[0])) << c.name;
    }
  }
  // Work arrays shorter than the call needs.
  Kernel k;
  k.x = x5;
  k.y = y5;
  k.z = z5;
  k.ncp = 3;
  std::vector<double> zi(1);
  std::vector<int> iwk(AkimaIntWorkSize(3, 5, 1, 1) - 1);
  std::vector<double> wk(AkimaRealWorkSize(5));
  const std::vector<double> at = {0.5};
  EXPECT_EQ(AkimaGridInterpolate(1, 3, 5, k.x, k.y, k.z, 1, 1, at, at, zi, iwk, wk, 0), 0);
  iwk.resize(iwk.size() + 1);
  wk.pop_back();
  EXPECT_EQ(AkimaGridInterpolate(1, 3, 5, k.x, k.y, k.z, 1, 1, at, at, zi, iwk, wk, 0), 0);
  EXPECT_EQ(AkimaGridInterpolate(4, 3, 5, k.x, k.y, k.z, 1, 1, at, at, zi, iwk, wk, 0), 0);
}

}  // namespace
