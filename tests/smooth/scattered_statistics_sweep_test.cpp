// The own kernels' triangle walks step through twin LIST indices instead of searching each
// ring: the same walks, so the set-up's statistics (whose searches each start where the
// last one ended, and at a node may end in any of its triangles, a rounding apart) and the
// surface stay bit for bit those of the ring searches (first recorded with them), for 16384
// random points with repeated positions (so that code 16 computes its statistics),
// coordinates that double holds exactly and ones it does not, and for the loess code 7. The
// heights are Franke's function by arithmetic alone, and these set-ups and surfaces call no
// library function whose last bit depends on the CPU: the bits recorded are every x86-64
// machine's. The two grids of code 16 were recorded again when its gradients came to be held
// to what the node values support: the repeated positions' heights, 0.25 apart, make bumps
// whose gradients carried the surface 0.17 below every point. With them the statistics of
// the long-double coordinates moved in their last bits: there a point's place rounds beside
// its node, and the surface's slope there is no longer the bump's. Both are again those first
// recorded: within the hull the surface is the method's own, its gradients the estimated
// ones (the hold of the gradients, and a hold of the surface to the range of the points about
// each place, cut sparsely sampled peaks of data without noise; held gradients serve the
// extrapolation beyond the hull alone).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
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

// FNV-1a over the bits of a 120 x 120 grid over the data's box.
std::uint64_t GridHash(TNParm3D& engine) {
  constexpr int kGrid = 120;
  std::vector<long double> xs(kGrid), ys(kGrid);
  for (int i = 0; i < kGrid; ++i) {
    xs[static_cast<std::size_t>(i)] = engine.XMin() + (engine.XMax() - engine.XMin()) * (i + 0.5L) / kGrid;
    ys[static_cast<std::size_t>(i)] = engine.YMin() + (engine.YMax() - engine.YMin()) * (i + 0.5L) / kGrid;
  }
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (const long double v : engine.EvalGrid(kGrid, kGrid, xs, ys)) {
    const TBits b = Bits(v);
    h = Mix(Mix(h, b.significand), static_cast<std::uint64_t>(b.exponent));
  }
  return h;
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
  std::uint64_t grid;
};

void ExpectRecorded(TNParm3D& engine, const TRecorded& want) {
  ASSERT_TRUE(engine.HasSurface());
  const TRecorded got{engine.Sse(), engine.StdErr(), engine.RSquared(), GridHash(engine)};
  EXPECT_EQ(got.sse, want.sse);
  EXPECT_EQ(got.stdErr, want.stdErr);
  EXPECT_EQ(got.rSquared, want.rSquared);
  EXPECT_EQ(got.grid, want.grid);
}

TEST(ScatteredStatisticsSweep, Code16AtDoubleCoordinatesIsAsWalked) {
  PointTable data = Repeating(Scattered(16384, 16384, Franke));
  TNParm3D engine(data, kNPOwnTriangulation, 1, 0, false);
  ASSERT_TRUE(engine.DuplicatesMerged());
  const TRecorded recorded = {0xa.2ffffffffffff1p-1L, 0x9.072bb33685bcf6p-9L, 0xf.f103b2b628b5bdcp-4L, 0x9c62304b5ee65eb8ull};
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
  ExpectRecorded(engine, {0xa.30000000000003p-1L, 0x9.072bb33685bcfep-9L, 0xf.f1c52d8e9a16863p-4L, 0x60d87245c0c43d79ull});
}

TEST(ScatteredStatisticsSweep, LoessNodesAreAsWalked) {
  PointTable data = Table(Scattered(1500, 7, Franke, 0.1L, 1.7L, -0.3L, 0.9L));
  TNParm3D engine(data, kNPLoess, 2, 13, false);
  ExpectRecorded(engine, {0xf.a3b4ae433e0835ep-18L, 0xd.18a17c8515da516p-16L, 0xf.ffff8a113fd935bp-4L, 0x847bc28ffb5e7979ull});
}

}  // namespace
