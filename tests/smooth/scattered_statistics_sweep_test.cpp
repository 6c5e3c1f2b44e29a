// The own kernels' triangle walks step through twin LIST indices instead of searching each
// ring: the same walks, so the set-up's statistics (whose searches each start where the
// last one ended, and at a node may end in any of its triangles, a rounding apart) and the
// surface stay those of the ring searches (recorded with them), for 16384 random points with
// repeated positions (so that code 16 computes its statistics), coordinates that double
// holds exactly and ones it does not, and for the loess code 7. The data's heights and the
// loess weights come from the long double exponential, whose last bit differs between
// processor makers: the figures are compared to 1e-12 of their size, far inside what another
// walk or another triangle at a node would change.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "smooth/engines/scattered_engine.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Franke;
using smooth_test::Scattered;
using smooth_test::Table;

// Every bit of a long double: its 64-bit significand and its exponent.
struct TBits {
  std::uint64_t significand;
  int exponent;
};

TBits Bits(long double v) {
  int e = 0;
  const long double m = std::frexp(v, &e);
  return {static_cast<std::uint64_t>(static_cast<std::int64_t>(std::ldexp(m, 63))), e};
}

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) h = (h ^ ((v >> (8 * i)) & 0xff)) * 0x100000001b3ull;
  return h;
}

// Nodes of a 120 x 120 grid over the data's box: one near each corner and two inside.
constexpr int kGrid = 120;
constexpr std::array<int, 6> kNodes = {0, 7 * kGrid + 11, 60 * kGrid + 60, 20 * kGrid + 100, 97 * kGrid + 33,
                                       kGrid * kGrid - 1};
std::array<long double, kNodes.size()> GridNodes(TNParm3D& engine) {
  std::vector<long double> xs(kGrid), ys(kGrid);
  for (int i = 0; i < kGrid; ++i) {
    xs[static_cast<std::size_t>(i)] = engine.XMin() + (engine.XMax() - engine.XMin()) * (i + 0.5L) / kGrid;
    ys[static_cast<std::size_t>(i)] = engine.YMin() + (engine.YMax() - engine.YMin()) * (i + 0.5L) / kGrid;
  }
  const std::vector<long double> grid = engine.EvalGrid(kGrid, kGrid, xs, ys);
  std::array<long double, kNodes.size()> nodes{};
  for (std::size_t k = 0; k < kNodes.size(); ++k) nodes[k] = grid.at(static_cast<std::size_t>(kNodes[k]));
  return nodes;
}

// n points, the last hundredth at earlier positions with other heights.
PointTable Repeating(std::vector<smooth_test::TPoint> points) {
  const std::size_t n = points.size();
  for (std::size_t i = n - n / 100; i < n; ++i) {
    points[i] = points[7 * i % (n / 2)];
    points[i].z += 0.25L;
  }
  return Table(points);
}

struct TRecorded {
  long double sse, stdErr, rSquared;
  std::array<long double, kNodes.size()> nodes;
};

void ExpectNear(long double got, long double want, const char* what) {
  EXPECT_LE(std::fabs(got - want), 1e-12L * std::fabs(want)) << what << " " << static_cast<double>(got);
}

void ExpectRecorded(TNParm3D& engine, const TRecorded& want) {
  ASSERT_TRUE(engine.HasSurface());
  ExpectNear(engine.Sse(), want.sse, "SSE");
  ExpectNear(engine.StdErr(), want.stdErr, "standard error");
  ExpectNear(engine.RSquared(), want.rSquared, "r²");
  const auto nodes = GridNodes(engine);
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    ExpectNear(nodes[k], want.nodes[k], "grid node");
  }
}

TEST(ScatteredStatisticsSweep, Code16AtDoubleCoordinatesIsAsWalked) {
  PointTable data = Repeating(Scattered(16384, 16384, Franke));
  TNParm3D engine(data, kNPOwnTriangulation, 1, 0, false);
  ASSERT_TRUE(engine.DuplicatesMerged());
  const TRecorded recorded = {0xa.2ffffffffffff1p-1L, 0x9.072bb33685bcf6p-9L, 0xf.f103b2b628b5bdcp-4L,
                                {0xc.71dfe4c23028p-4L, 0xe.bea89672d7598p-4L, 0xa.457afd7f7c2fp-5L,
                                 0xc.f09ec53a1eap-5L, 0xf.04e11f5c2468p-6L, 0x9.5b94dd9adc7b8p-8L}};
  ExpectRecorded(engine, recorded);
  // Evaluations before a new set-up move the shared start node; the statistics stay.
  (void)engine.EvalAt(0.9L, 0.1L);
  ASSERT_TRUE(engine.SetMethod(kNPOwnTriangulation, 1, 0));
  ExpectRecorded(engine, recorded);
}

TEST(ScatteredStatisticsSweep, Code16AtLongDoubleCoordinatesIsAsWalked) {
  PointTable data = Repeating(Scattered(16384, 99, Franke, 0.1L, 1.7L, -0.3L, 0.9L));
  TNParm3D engine(data, kNPOwnTriangulation, 1, 0, false);
  ASSERT_TRUE(engine.DuplicatesMerged());
  ExpectRecorded(engine, {0xa.30000000000003p-1L, 0x9.072bb33685bcfep-9L, 0xf.f1c52d8e9a16863p-4L,
                          {0xd.23d95407bd0f8p-4L, 0xa.deb14388bc448p-4L, 0xe.72d6df09589a8p-6L,
                           0x9.8d9c519782708p-10L, 0xd.49ff14fa4d8cp-5L, 0x8.1da8614ba5ep-13L}});
}

TEST(ScatteredStatisticsSweep, LoessNodesAreAsWalked) {
  PointTable data = Table(Scattered(1500, 7, Franke, 0.1L, 1.7L, -0.3L, 0.9L));
  TNParm3D engine(data, kNPLoess, 2, 13, false);
  ExpectRecorded(engine, {0xf.a3b4ae433e083b9p-18L, 0xd.18a17c8515da53cp-16L, 0xf.ffff8a113fd935bp-4L,
                          {0xd.27b0006ddc148p-4L, 0xa.dba165b56bc68p-4L, 0xe.65632a91102e8p-6L,
                           0x9.902f902911a7p-10L, 0xd.4f61c317e586p-5L, 0x8.24666f5223ce8p-13L}});
}

}  // namespace
