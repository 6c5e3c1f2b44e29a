// Delaunay triangulation in the adjacency-list structure: the first triangle's exact lists,
// error codes, the first-three preparation, agreement with Qhull, structural invariants,
// the empty-circumcircle property, and hostile input.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>
#include <vector>

#include "triangulation_test_support.h"

namespace {

using smooth_test::Mesh;
using smooth_test::Triangle;
using smooth_test::Triangulate;

// Checks the rings against each other: symmetric adjacency, counter-clockwise order of
// consecutive neighbours, a negated last neighbour exactly on the hull, the Euler count
// nt = 2n - 2 - nb and LNEW = one more than the 2 * (3n - 3 - nb) entries in use.
void ExpectConsistent(const Mesh& m) {
  const int n = m.n();
  std::map<std::pair<int, int>, int> arcs;
  int boundary = 0;
  for (int k = 1; k <= n; ++k) {
    const auto ring = smooth_test::Ring(m, k);
    ASSERT_GE(ring.size(), 2u) << "node " << k;
    const bool on_hull = ring.back() < 0;
    boundary += on_hull;
    for (size_t i = 0; i < ring.size(); ++i) {
      const int a = std::abs(ring[i]);
      ASSERT_GE(a, 1);
      ASSERT_LE(a, n);
      ASSERT_TRUE(i + 1 == ring.size() || ring[i] > 0) << "only the last entry may be negated";
      ++arcs[{k, a}];
      if (i + 1 < ring.size() || !on_hull) {
        const int b = std::abs(ring[(i + 1) % ring.size()]);
        EXPECT_GT(smooth_test::Cross(m, k, a, b), 0.0) << "triangle " << k << " " << a << " " << b;
      }
    }
  }
  for (const auto& [arc, count] : arcs) {
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(arcs.count({arc.second, arc.first})) << arc.first << "-" << arc.second;
  }
  const int nt = static_cast<int>(smooth_test::Triangles(m).size());
  EXPECT_EQ(nt, 2 * n - 2 - boundary);
  EXPECT_EQ(m.lnew - 1, 2 * (3 * n - 3 - boundary));
}

// Local Delaunay test over every interior edge (equivalent to the empty circumcircle of every
// triangle): the node beyond a side lies not inside the triangle's circumcircle.
int NonDelaunayEdges(const Mesh& m, long double tolerance) {
  int bad = 0;
  for (const Triangle& t : smooth_test::Triangles(m)) {
    Triangle c = t;
    if (smooth_test::Cross(m, c[0], c[1], c[2]) < 0) std::swap(c[1], c[2]);
    for (int e = 0; e < 3; ++e) {
      const int u = c[e], v = c[(e + 1) % 3];
      // The node beyond u -> v follows u in v's ring.
      const auto ring = smooth_test::Ring(m, v);
      for (size_t i = 0; i < ring.size(); ++i) {
        if (std::abs(ring[i]) != u || ring[i] < 0) continue;
        const int w = std::abs(ring[(i + 1) % ring.size()]);
        if (smooth_test::InCircle(m, c[0], c[1], c[2], w) > tolerance) ++bad;
      }
    }
  }
  return bad;
}

TEST(RenkaTriangulate, ThreeNodesGiveThePublishedLists) {
  struct Case {
    const char* name;
    std::vector<double> x, y;
    std::vector<int> list;
  };
  const Case cases[] = {
      {"counter-clockwise", {0, 1, 0}, {0, 0, 1}, {2, -3, 3, -1, 1, -2}},
      {"clockwise", {0, 0, 1}, {0, 1, 0}, {3, -2, 1, -3, 2, -1}},
  };
  for (const Case& c : cases) {
    const Mesh m = Triangulate(c.x, c.y);
    ASSERT_EQ(m.ier, 0) << c.name;
    EXPECT_EQ(m.lnew, 7) << c.name;
    EXPECT_EQ(std::vector<int>(m.list.begin(), m.list.begin() + 6), c.list) << c.name;
    EXPECT_EQ(std::vector<int>(m.lptr.begin(), m.lptr.begin() + 6),
              (std::vector<int>{2, 1, 4, 3, 6, 5}))
        << c.name;
    EXPECT_EQ(m.lend, (std::vector<int>{2, 4, 6})) << c.name;
  }
}

TEST(RenkaTriangulate, ErrorCodes) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    std::vector<double> x, y;
    int ier;
  };
  const Case cases[] = {
      {"two nodes", {0, 1}, {0, 0}, kRenkaInvalidInput},
      {"first three collinear, fourth off the line", {0, 1, 2, 0}, {0, 1, 2, 5}, kRenkaCollinear},
      {"first three collinear vertically", {3, 3, 3, 1}, {0, 1, 2, 5}, kRenkaCollinear},
      {"first two coincide", {1, 1, 0, 2}, {1, 1, 0, 3}, kRenkaCollinear},
      {"repeated interior node", {0, 1, 0, 0.25, 1, 0.25}, {0, 0, 1, 0.25, 1, 0.25}, 4},
      {"repeated first node", {0, 1, 0, 1, 0}, {0, 0, 1, 1, 0}, 1},
      {"repeated hull node", {0, 1, 0, 1, 0.3, 1}, {0, 0, 1, 1, 0.4, 0}, 2},
      {"not a number", {0, 1, 0, nan}, {0, 0, 1, 0.5}, kRenkaInvalidInput},
      {"infinite", {0, 1, 0, 0.5}, {0, 0, 1, inf}, kRenkaInvalidInput},
      {"three nodes", {0, 1, 0}, {0, 0, 1}, kRenkaOk},
  };
  for (const Case& c : cases) EXPECT_EQ(Triangulate(c.x, c.y).ier, c.ier) << c.name;
}

TEST(RenkaTriangulate, CocircularNodesKeepTheFirstDiagonal) {
  // (1, 2, 3) is the first triangle; node 4 closes the square on the same circle, and its
  // swap test finds sin12 = 0, so the diagonal 1-3 stays.
  const Mesh m = Triangulate({1, 0, -1, 0}, {0, 1, 0, -1});
  ASSERT_EQ(m.ier, 0);
  EXPECT_EQ(smooth_test::Triangles(m), (std::set<Triangle>{{1, 2, 3}, {1, 3, 4}}));
  EXPECT_FALSE(RenkaSwapTest(2, 4, 1, 3, m.x.data(), m.y.data()));
  EXPECT_FALSE(RenkaSwapTest(4, 2, 3, 1, m.x.data(), m.y.data()));
}

TEST(RenkaPrepareFirstThree, BringsANodeOffTheLineForward) {
  struct Case {
    const char* name;
    std::vector<double> x, y;
    int swap;
    int result;
    std::vector<double> x_after;
  };
  const Case cases[] = {
      {"off the line at 4, swapped", {0, 1, 2, 5, 3}, {0, 1, 2, 0, 3}, 1, 0, {5, 1, 2, 0, 3}},
      {"off the line at 4, swap off", {0, 1, 2, 5}, {0, 1, 2, 0}, 0, 0, {0, 1, 2, 5}},
      {"first three fine", {0, 1, 0, 2}, {0, 0, 1, 2}, 1, 0, {0, 1, 0, 2}},
      {"vertical line, off at 5", {2, 2, 2, 2, 7}, {0, 1, 2, 3, 0}, 1, 0, {7, 2, 2, 2, 2}},
      {"all on one line", {0, 1, 2, 3}, {1, 2, 3, 4}, 1, 1, {0, 1, 2, 3}},
      {"two points", {0, 1}, {0, 0}, 1, 1, {0, 1}},
  };
  for (const Case& c : cases) {
    std::vector<double> x = c.x, y = c.y, z(x.size());
    for (size_t i = 0; i < z.size(); ++i) z[i] = 10.0 * i;
    EXPECT_EQ(RenkaPrepareFirstThree(static_cast<int>(x.size()), x.data(), y.data(), z.data(),
                                     c.swap),
              c.result)
        << c.name;
    EXPECT_EQ(x, c.x_after) << c.name;
    // z travels with its point: the (x, y, z) triples are the same set as before.
    std::multiset<std::array<double, 3>> before, after;
    for (size_t i = 0; i < x.size(); ++i) {
      before.insert({c.x[i], c.y[i], 10.0 * i});
      after.insert({x[i], y[i], z[i]});
    }
    EXPECT_EQ(before, after) << c.name;
    if (c.result == 0 && c.swap == 1) {
      EXPECT_EQ(Triangulate(x, y).ier, 0) << c.name;
    }
  }
}

TEST(RenkaTriangulate, EqualsQhullOnReferenceSets) {
  for (const char* name : {"delaunay_100.txt", "delaunay_2000.txt"}) {
    const auto ref = smooth_test::ReadReference(name, 2, 3);
    ASSERT_TRUE(ref.ok) << name;
    std::vector<double> x, y;
    for (const auto& p : ref.points) {
      x.push_back(p[0]);
      y.push_back(p[1]);
    }
    const Mesh m = Triangulate(x, y);
    ASSERT_EQ(m.ier, 0) << name;
    std::set<Triangle> expected;
    for (const auto& r : ref.rows)
      expected.insert({static_cast<int>(r[0]), static_cast<int>(r[1]), static_cast<int>(r[2])});
    EXPECT_EQ(smooth_test::Triangles(m), expected) << name;
    ExpectConsistent(m);
  }
}

TEST(RenkaTriangulate, RandomSetsAreConsistentAndDelaunay) {
  for (const int n : {3, 4, 10, 257, 16384}) {
    std::vector<double> x, y;
    smooth_test::RandomPoints(n, 1000 + n, x, y);
    const Mesh m = Triangulate(x, y);
    ASSERT_EQ(m.ier, 0) << n;
    ExpectConsistent(m);
    EXPECT_EQ(NonDelaunayEdges(m, 1e-12L), 0) << n;
  }
}

TEST(RenkaTriangulate, SmallCircleTestAgreesWithTheFullOne) {
  // On a small set, no node at all lies inside any triangle's circumcircle.
  std::vector<double> x, y;
  smooth_test::RandomPoints(150, 77, x, y);
  const Mesh m = Triangulate(x, y);
  ASSERT_EQ(m.ier, 0);
  for (Triangle t : smooth_test::Triangles(m)) {
    if (smooth_test::Cross(m, t[0], t[1], t[2]) < 0) std::swap(t[1], t[2]);
    for (int d = 1; d <= m.n(); ++d) EXPECT_LE(smooth_test::InCircle(m, t[0], t[1], t[2], d), 1e-12L);
  }
}

// A 12 x 9 lattice in row order.
void Lattice(std::vector<double>& x, std::vector<double>& y) {
  for (int j = 0; j < 9; ++j)
    for (int i = 0; i < 12; ++i) {
      x.push_back(i * 0.5);
      y.push_back(j * 0.25);
    }
}

TEST(RenkaTriangulate, GridWithCollinearHullAndCocircularQuadsIsValid) {
  // A 12 x 9 lattice in row order: every quadrilateral is cocircular and 38 nodes lie on
  // straight hull sides.
  std::vector<double> x, y;
  Lattice(x, y);
  ASSERT_EQ(RenkaPrepareFirstThree(static_cast<int>(x.size()), x.data(), y.data(), nullptr, 1), 0);
  const Mesh m = Triangulate(x, y);
  ASSERT_EQ(m.ier, 0);
  ExpectConsistent(m);
  EXPECT_EQ(smooth_test::Triangles(m).size(), 2u * 11 * 8);
  EXPECT_EQ(NonDelaunayEdges(m, 1e-12L), 0);
}

TEST(RenkaTriangulate, SameTrianglesAtEveryScale) {
  std::vector<double> x, y;
  smooth_test::RandomPoints(500, 5, x, y);
  const auto reference = smooth_test::Triangles(Triangulate(x, y));
  for (const double scale : {0x1.0p-200, 0x1.0p-20, 0x1.0p+20, 0x1.0p+200}) {
    std::vector<double> xs = x, ys = y;
    for (double& v : xs) v *= scale;
    for (double& v : ys) v *= scale;
    const Mesh m = Triangulate(xs, ys);
    ASSERT_EQ(m.ier, 0) << scale;
    EXPECT_EQ(smooth_test::Triangles(m), reference) << scale;
  }
}

// The same 4096 points scaled towards both ends of the double range: the orientation and
// circle tests, products of two and four coordinate differences, once overflowed from 1e155
// on (9768 clockwise or flat triangles and 168 hull nodes instead of 20, with IER 0) and
// underflowed below 1e-160 (1e-200 was called collinear). Each scaled set now gives a
// consistent Delaunay mesh with the hull of the unscaled one.
TEST(RenkaTriangulate, ExtremeScalesGiveTheUnscaledMesh) {
  std::vector<double> x, y;
  smooth_test::RandomPoints(4096, 16384, x, y);
  const Mesh reference = Triangulate(x, y);
  ASSERT_EQ(reference.ier, 0);
  int hull = 0;
  for (int k = 1; k <= reference.n(); ++k) hull += reference.list[reference.lend[k - 1] - 1] < 0;
  for (const double scale : {1e155, 1.7e308, 1e-160, 1e-300, 0x1.0p-900, 0x1.0p+1000}) {
    SCOPED_TRACE(scale);
    std::vector<double> xs = x, ys = y;
    for (double& v : xs) v *= scale;
    for (double& v : ys) v *= scale;
    const Mesh m = Triangulate(xs, ys);
    ASSERT_EQ(m.ier, 0);
    ExpectConsistent(m);
    int boundary = 0;
    for (int k = 1; k <= m.n(); ++k) boundary += m.list[m.lend[k - 1] - 1] < 0;
    EXPECT_EQ(boundary, hull);
    EXPECT_EQ(NonDelaunayEdges(m, 1e-12L), 0);
    // A power of two changes no decision: the very same triangles.
    if (std::ilogb(scale) == std::log2(scale)) {
      EXPECT_EQ(smooth_test::Triangles(m), smooth_test::Triangles(reference));
    }
  }
}

// Node by node at 1e200 the mesh is the one of the whole set at once.
TEST(RenkaAddNode, ExtremeScaleBuildsTheSameMesh) {
  std::vector<double> x, y;
  smooth_test::RandomPoints(300, 7, x, y);
  for (double& v : x) v *= 1e200;
  for (double& v : y) v *= 1e200;
  const Mesh whole = Triangulate(x, y);
  ASSERT_EQ(whole.ier, 0);
  Mesh m = Triangulate({x[0], x[1], x[2]}, {y[0], y[1], y[2]});
  ASSERT_EQ(m.ier, 0);
  m.x.resize(x.size());
  m.y.resize(y.size());
  m.list.resize(6 * x.size());
  m.lptr.resize(6 * x.size());
  m.lend.resize(x.size());
  int count = 3;
  for (int k = 4; k <= static_cast<int>(x.size()); ++k) {
    RenkaAddNode(k, x[k - 1], y[k - 1], k - 1, 0, nullptr, count, m.x.data(), m.y.data(), m.list.data(),
                 m.lptr.data(), m.lend.data(), m.lnew, m.ier);
    ASSERT_EQ(m.ier, 0) << k;
  }
  ExpectConsistent(m);
  EXPECT_EQ(NonDelaunayEdges(m, 1e-12L), 0);
}

TEST(RenkaLocate, InsideAndOutsideTheHull) {
  // Unit square with its centre (node 5).
  const Mesh m = Triangulate({0, 1, 1, 0, 0.5}, {0, 0, 1, 1, 0.5});
  ASSERT_EQ(m.ier, 0);
  struct Case {
    double px, py;
    std::set<int> triangle;  // inside: the three vertices
    int i1, i2;              // outside: the visible chain's ends
  };
  const Case cases[] = {
      {0.5, 0.1, {1, 2, 5}, 0, 0},  {0.9, 0.5, {2, 3, 5}, 0, 0}, {0.5, 0.5, {}, 0, 0},
      {0.5, -1.0, {}, 2, 1},        {2.0, 0.5, {}, 3, 2},        {-3.0, -3.0, {}, 2, 4},
      {2.0, 0.0, {}, 3, 2},  // on the extension of the bottom side: only the right side is seen
  };
  for (const Case& c : cases) {
    for (int start = 1; start <= 5; ++start) {
      int i1, i2, i3;
      RenkaLocate(start, c.px, c.py, m.n(), m.x.data(), m.y.data(), m.list.data(), m.lptr.data(),
                  m.lend.data(), i1, i2, i3);
      if (c.i1 != 0) {
        EXPECT_EQ(i3, 0);
        EXPECT_EQ(i1, c.i1) << c.px << "," << c.py;
        EXPECT_EQ(i2, c.i2) << c.px << "," << c.py;
      } else {
        ASSERT_NE(i3, 0);
        EXPECT_GE(smooth_test::Cross(m, i1, i2, i3), 0.0);
        if (!c.triangle.empty()) {
          EXPECT_EQ((std::set<int>{i1, i2, i3}), c.triangle);
        } else {
          EXPECT_TRUE(i1 == 5 || i2 == 5 || i3 == 5);
        }
      }
    }
  }
}

// The twin LIST indices name, for every ring entry, the entry of the other end's ring; the
// walk through them visits the triangles the ring searches do and ends in the same one, for
// points inside and outside the hull, at nodes (where any of their triangles would do) and
// on the lattice's collinear hull sides, from every kind of start.
TEST(RenkaLocate, TwinSlotsWalkToTheSameTriangle) {
  std::vector<double> rx, ry;
  smooth_test::RandomPoints(2000, 4242, rx, ry);
  std::vector<double> gx, gy;
  Lattice(gx, gy);
  ASSERT_EQ(RenkaPrepareFirstThree(static_cast<int>(gx.size()), gx.data(), gy.data(), nullptr, 1), 0);
  for (const Mesh& m : {Triangulate(rx, ry), Triangulate(gx, gy)}) {
    ASSERT_EQ(m.ier, 0);
    const int n = m.n();
    const std::vector<int> twins = RenkaTwinSlots(n, m.list.data(), m.lptr.data(), m.lend.data());
    ASSERT_EQ(twins.size(), 6u * static_cast<std::size_t>(n));
    for (int v = 1; v <= n; ++v) {
      int lp = m.lend[static_cast<std::size_t>(v) - 1];
      do {
        lp = m.lptr[static_cast<std::size_t>(lp) - 1];
        const int u = std::abs(m.list[static_cast<std::size_t>(lp) - 1]);
        const int back = twins[static_cast<std::size_t>(lp) - 1];
        EXPECT_EQ(std::abs(m.list[static_cast<std::size_t>(back) - 1]), v);
        EXPECT_EQ(twins[static_cast<std::size_t>(back) - 1], lp) << v << " " << u;
      } while (lp != m.lend[static_cast<std::size_t>(v) - 1]);
    }
    const double x0 = *std::min_element(m.x.begin(), m.x.end()), x1 = *std::max_element(m.x.begin(), m.x.end());
    const double y0 = *std::min_element(m.y.begin(), m.y.end()), y1 = *std::max_element(m.y.begin(), m.y.end());
    std::uint64_t seed = 99;
    auto next = [&seed] {
      seed = seed * 6364136223846793005ull + 1442695040888963407ull;
      return static_cast<double>(seed >> 11) * 0x1.0p-53;
    };
    for (int k = 0; k < 3000; ++k) {
      double px, py;
      if (k % 3 == 0) {  // a node
        const std::size_t i = static_cast<std::size_t>(k) % static_cast<std::size_t>(n);
        px = m.x[i];
        py = m.y[i];
      } else {  // the box and a margin of half its size around it
        px = x0 + (x1 - x0) * (2 * next() - 0.5);
        py = y0 + (y1 - y0) * (2 * next() - 0.5);
      }
      const int start = 1 + static_cast<int>(next() * n) % n;
      int a1, a2, a3, b1, b2, b3;
      RenkaLocate(start, px, py, n, m.x.data(), m.y.data(), m.list.data(), m.lptr.data(),
                  m.lend.data(), nullptr, a1, a2, a3);
      RenkaLocate(start, px, py, n, m.x.data(), m.y.data(), m.list.data(), m.lptr.data(),
                  m.lend.data(), twins.data(), b1, b2, b3);
      const std::array<int, 3> searched{a1, a2, a3}, twinned{b1, b2, b3};
      EXPECT_EQ(searched, twinned) << px << ", " << py << " from " << start;
    }
  }
}

TEST(RenkaLocate, VisibleChainIsExactlyTheHullSidesThePointSees) {
  std::vector<double> x, y;
  smooth_test::RandomPoints(300, 31, x, y);
  const Mesh m = Triangulate(x, y);
  ASSERT_EQ(m.ier, 0);
  auto sees = [&](int a, int b, double px, double py) {  // hull side a -> b, counter-clockwise
    return !RenkaLeft(m.x[a - 1], m.y[a - 1], m.x[b - 1], m.y[b - 1], px, py);
  };
  auto previous = [&](int node) { return -m.list[m.lend[node - 1] - 1]; };
  for (int i = 0; i < 400; ++i) {
    const double angle = 0.0157 * i, radius = 0.8 + 0.01 * (i % 50);
    const double px = 0.5 + radius * std::cos(angle), py = 0.5 + radius * std::sin(angle);
    int i1, i2, i3;
    RenkaLocate(1 + i % 300, px, py, m.n(), m.x.data(), m.y.data(), m.list.data(), m.lptr.data(),
                m.lend.data(), i1, i2, i3);
    ASSERT_EQ(i3, 0);
    // Clockwise from i1 to i2 every side is seen; the sides on either side of the chain not.
    int node = i1, sides = 0;
    while (node != i2 && sides <= m.n()) {
      const int before = previous(node);
      EXPECT_TRUE(sees(before, node, px, py)) << i;
      node = before;
      ++sides;
    }
    EXPECT_GE(sides, 1);
    const int after_i1 = std::abs(smooth_test::Ring(m, i1).front());
    EXPECT_FALSE(sees(i1, after_i1, px, py)) << i;
    EXPECT_FALSE(sees(previous(i2), i2, px, py)) << i;
  }
}

TEST(RenkaTriangulate, HostileInputNeverBreaksTheArrays) {
  // Coincident clusters, enormous and tiny magnitudes, exact repeats: any error code is
  // acceptable, a crash or an out-of-range write (ASan) is not, and a success is valid.
  std::vector<double> x, y;
  smooth_test::RandomPoints(400, 9, x, y);
  const double magnitudes[] = {1e-300, 1e-150, 1e150, 1e300, 1.7e308};
  for (int variant = 0; variant < 6; ++variant) {
    std::vector<double> xs = x, ys = y;
    for (size_t i = 3; i < xs.size(); ++i) {
      if (variant < 5 && i % 7 == 0) xs[i] *= magnitudes[variant];
      if (variant == 5 && i % 3 == 0) {  // many nodes a rounding step apart
        xs[i] = xs[0] + std::ldexp(static_cast<double>(i % 5), -52);
        ys[i] = ys[0];
      }
    }
    const Mesh m = Triangulate(xs, ys);
    if (m.ier == 0) ExpectConsistent(m);
  }
}

TEST(RenkaTriangulate, LatticeDataFullOfTiesTriangulateOrNameARepeat) {
  // Random points of a 6 x 6 integer lattice: repeats, collinear runs along the hull and
  // cocircular quadruples everywhere. A success must be a valid Delaunay triangulation; an
  // error must name a node that a later node repeats, or (collinear) come from a repeat among
  // the first three, which the preparation does not look for.
  std::uint64_t seed = 12345;
  auto next = [&seed](int m) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<int>((seed >> 33) % static_cast<std::uint64_t>(m));
  };
  int successes = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const int n = 3 + next(40);
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
      x[i] = next(6);
      y[i] = next(6) * 0.5;
    }
    if (RenkaPrepareFirstThree(n, x.data(), y.data(), nullptr, 1) != 0) continue;
    const Mesh m = Triangulate(x, y);
    if (m.ier > 0) {
      bool repeated = false;
      for (int j = m.ier; j < n; ++j) repeated |= x[j] == x[m.ier - 1] && y[j] == y[m.ier - 1];
      EXPECT_TRUE(repeated) << "trial " << trial << " ier " << m.ier;
      continue;
    }
    if (m.ier == kRenkaCollinear) {
      auto same = [&](int a, int b) { return x[a] == x[b] && y[a] == y[b]; };
      EXPECT_TRUE(same(0, 1) || same(0, 2) || same(1, 2)) << "trial " << trial;
      continue;
    }
    ASSERT_EQ(m.ier, 0) << "trial " << trial;
    ++successes;
    ExpectConsistent(m);
    EXPECT_EQ(NonDelaunayEdges(m, 1e-12L), 0) << "trial " << trial;
  }
  EXPECT_GT(successes, 5);
}

}  // namespace
