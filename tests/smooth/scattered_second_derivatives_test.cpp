// Code 16 estimates the gradients of its gradient fields, which only its second derivatives
// read, when one is first asked for: its values and first derivatives are those it gave when
// the set-up estimated everything, bit for bit, and so are its second derivatives once
// asked, in whichever order and from however many threads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <thread>
#include <vector>

#include "smooth/engines/scattered_engine.h"
#include "smooth_test_support.h"

namespace {

using smooth_test::Franke;
using smooth_test::Scattered;
using smooth_test::Table;

struct TAt {
  long double x, y;
  std::array<double, 6> modes;  // the engine's value and derivatives 1..5, as doubles
};

// 60 Franke points (seed 57), code 16, when every derivative level was set up at once:
// inside the hull, on its edge region and outside it (extrapolated).
const TAt kBefore[] = {
    {0.5L, 0.5L,
     {0x1.53d7832fcebd5p-2, -0x1.c759112500f13p-2, -0x1.e45484074df44p-1, 0x1.d9e3fce8ef5e4p+3,
      -0x1.32318007babbcp-5, 0x1.10a5820211eebp+2}},
    {0.13L, 0.77L,
     {0x1.3df990878cce5p-2, -0x1.b28aaf73a9006p-3, -0x1.7475332f4878p-2, -0x1.1595673164bdp+1,
      -0x1.773135b81704p-2, 0x1.88d295219118p+0}},
    {0.91L, 0.08L,
     {0x1.9b51d5c6d1fb8p-3, -0x1.cd88b431756cdp-1, 0x1.0811075dd9a89p+0, -0x1.82e688f4d4861p+1,
      -0x1.05da757fcec55p+1, -0x1.0735b342b7022p+2}},
    {0.333L, 0.25L,
     {0x1.020298d62d91bp+0, -0x1.74c35bae49d4cp+1, -0x1.020588515e50ap-1, -0x1.fcfdf1490d0a3p+3,
      -0x1.ab7df570fbcbdp+4, 0x1.340c0acc5867cp+3}},
    // Beyond the hull the extrapolation is held within a few noise widths of the surface at
    // the hull's nearest point, taken within the range of the points about it (Franke's
    // 0.026 and 0.81 there; the extrapolation gave -0.058 and 0.28, held by the whole table's
    // allowance from the foot alone -0.053 and 0.677), and where held the surface is level.
    {1.2L, 0.6L, {0x1.8b721b03b6b1p-5, 0, 0, 0, 0, 0}},
    {-0.1L, -0.2L, {0x1.8e5da42fbe321p-1, 0, 0, 0, 0, 0}},
};

PointTable Data() { return Table(Scattered(60, 57, Franke)); }

void ExpectModes(TNParm3D& engine, std::initializer_list<int> modes) {
  for (const TAt& at : kBefore)
    for (const int m : modes)
      EXPECT_EQ(static_cast<double>(engine.EvalMode(at.x, at.y, m)), at.modes[static_cast<std::size_t>(m)])
          << "mode " << m << " at " << static_cast<double>(at.x) << ", " << static_cast<double>(at.y);
}

TEST(ScatteredSecondDerivatives, ValuesFirstThenSecondDerivativesAreAsBefore) {
  PointTable data = Data();
  TNParm3D engine(data, kNPOwnTriangulation, 1, 0, false);
  ASSERT_TRUE(engine.HasSurface());
  ExpectModes(engine, {0, 1, 2});
  ExpectModes(engine, {3, 4, 5});
  ExpectModes(engine, {0, 1, 2});
  // A new set-up leaves them for later again.
  ASSERT_TRUE(engine.SetMethod(kNPOwnTriangulation, 1, 0));
  ExpectModes(engine, {5, 0});
}

TEST(ScatteredSecondDerivatives, SecondDerivativesFirstAreAsBefore) {
  PointTable data = Data();
  TNParm3D engine(data, kNPOwnTriangulation, 1, 0, false);
  ExpectModes(engine, {4, 3, 5, 0, 1, 2});
  // Grids read the same surface as points.
  const std::vector<long double> xs = {0.5L, 0.333L}, ys = {0.5L, 0.25L};
  const std::vector<long double> g = engine.GridMode(2, 2, xs, ys, 3);
  ASSERT_EQ(g.size(), 4u);
  EXPECT_EQ(static_cast<double>(g[0]), kBefore[0].modes[3]);
  EXPECT_EQ(static_cast<double>(g[3]), kBefore[3].modes[3]);
}

// The render thread and the user interface may ask at once; the second-derivative step is
// made once and both read what it made (run under ThreadSanitizer for the races). Each
// search for a point's triangle starts where some thread's last one ended, so a point on a
// side of two triangles may be read in either: the same surface to rounding.
TEST(ScatteredSecondDerivatives, TwoThreadsAskingAtOnceReadTheSameSurface) {
  PointTable data = Data();
  for (int round = 0; round < 8; ++round) {
    TNParm3D engine(data, kNPOwnTriangulation, 1, 0, false);
    std::array<std::vector<double>, 2> got;
    auto ask = [&engine](std::vector<double>& out, int firstMode) {
      for (int k = 0; k < 6; ++k) {
        const int m = (firstMode + k) % 6;
        for (const TAt& at : kBefore) out.push_back(static_cast<double>(engine.EvalMode(at.x, at.y, m)));
      }
    };
    std::thread other(ask, std::ref(got[0]), 3);
    ask(got[1], 0);
    other.join();
    for (int t = 0; t < 2; ++t) {
      const int firstMode = t == 0 ? 3 : 0;
      std::size_t i = 0;
      for (int k = 0; k < 6; ++k) {
        const int m = (firstMode + k) % 6;
        for (const TAt& at : kBefore) {
          const double want = at.modes[static_cast<std::size_t>(m)];
          EXPECT_NEAR(got[static_cast<std::size_t>(t)][i++], want, 1e-12 * std::max(1.0, std::fabs(want)));
        }
      }
    }
  }
}

}  // namespace
