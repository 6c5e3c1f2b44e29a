// The Gaussian peak with an offset (equation 2002) ends its Levenberg-Marquardt iteration
// where it reaches its minimum, in about as many iterations on 1000 points as on 16384, with
// weights and without, however the last bits of the data and sums round: near the minimum
// a step may lower a large sum by a unit in its last place or change nothing at all, and
// both are the end. (A fit whose last steps changed nothing once ran to its iteration limit
// of 99, on one CPU maker's exponentials and not on another's.)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "fit_test_data.h"

namespace {

using namespace fit_test;

// n scattered points of 5 G((x - 0.5)/1.2) G((y + 0.7)/0.9) with a little noise, their
// heights moved by a unit in the last place up or down (or left) by a hash of `rounding`
// and the point, as another machine's exponential rounds them; with `weighted`, weights
// in 0.5..1.5.
PointTable NoisyPeak(int n, bool weighted, std::uint64_t rounding) {
  PointTable table = NewPointTable(n);
  std::uint64_t state = 20240611;
  auto uniform = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  };
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = table[static_cast<std::size_t>(i)];
    p.X = -5 + 10 * uniform();
    p.Y = -5 + 10 * uniform();
    const long double u = (p.X - 0.5L) / 1.2L, v = (p.Y + 0.7L) / 0.9L;
    p.Z = 5 * std::exp(-(u * u + v * v) / 2) + 0.01L * (uniform() - 0.5L);
    const std::uint64_t h = (rounding * 0x9E3779B97F4A7C15ULL + static_cast<std::uint64_t>(i)) * 0xBF58476D1CE4E5B9ULL;
    if (rounding != 0 && (h >> 62) == 1) p.Z = std::nextafter(p.Z, 10.0L);
    if (rounding != 0 && (h >> 62) == 2) p.Z = std::nextafter(p.Z, -10.0L);
    p.W = weighted ? 0.5L + uniform() : 1;
    p.Status = kPointActive;
  }
  return table;
}

TEST(PeakFitIterations, TheGaussianPeakEndsAtItsMinimumInAboutAsManyIterationsOnAnyRounding) {
  std::vector<std::uint32_t> counts;
  for (const int n : {1000, 16384})
    for (const bool weighted : {false, true})
      for (std::uint64_t rounding = 0; rounding < 4; ++rounding) {
        PointTable t = NoisyPeak(n, weighted, rounding);
        const TDataStats stats = StatsOf(t);
        TFitSelection selection;
        selection.nonlinear[1] = 1;  // equation 2002
        TFitList list;
        TFitRunContext ctx(t, stats, selection, DefaultFitOptions(), list);
        CountFitRun(ctx);
        ASSERT_EQ(RunFitFamilies(ctx), 1) << n << " points, weighted " << weighted << ", rounding " << rounding;
        const TFitResult* fit = FindEquation(list, 2002);
        ASSERT_NE(fit, nullptr);
        // The offset, then the peak's height, centres and widths, to the noise's reach.
        ExpectParameters(fit, {0, 5, 0.5L, 1.2L, -0.7L, 0.9L}, 3e-3L);
        counts.push_back(fit->terms[1]);
        EXPECT_LE(fit->terms[1], 12u) << n << " points, weighted " << weighted << ", rounding " << rounding;
      }
  const auto [fewest, most] = std::minmax_element(counts.begin(), counts.end());
  EXPECT_LE(*most - *fewest, 3u);
}

}  // namespace
