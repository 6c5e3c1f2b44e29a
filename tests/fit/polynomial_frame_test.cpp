// The frame of the polynomial families: which kinds are shifted, and the way back from a
// solution in the frame to the coefficients of raw powers.

#include <gtest/gtest.h>

#include <vector>

#include "fit/fit_families.h"
#include "fit/polynomial_frame.h"

namespace {

TDataStats StatsWithRanges(long double x0, long double x1, long double y0, long double y1, long double z0,
                           long double z1) {
  TDataStats s;
  s.X.Min = x0;
  s.X.Max = x1;
  s.Y.Min = y0;
  s.Y.Max = y1;
  s.Z.Min = z0;
  s.Z.Max = z1;
  return s;
}

// A kind is shifted where its values lie on one side of 0 with the largest magnitude below
// three times the smallest; the centre is the midpoint and the scale the power of 2 that takes
// the half width into [0.5, 1).
TEST(PolynomialFrame, OnlyAxesFarFromTheOriginAreShifted) {
  struct Case {
    long double lo, hi;
    TPowerShift x;
  };
  const Case cases[] = {
      {1, 10, {}},                  // ordinary data keep raw powers
      {1, 7, {}},
      {-4, 4, {}},
      {0, 1e6L, {}},
      {10, 20, {15, 0.125L}},       // half width 5: scale 1/8
      {10, 29.5L, {19.75L, 0.0625L}},
      {10, 30, {}},                 // three times: not shifted
      {-20, -10, {-15, 0.125L}},    // the mirror
      {933888, 1163264, {1048576, 1.0L / 131072}},
      {5, 5, {}},                   // no width
  };
  for (const Case& c : cases) {
    const TPolynomialFrame f = ChoosePolynomialFrame(StatsWithRanges(c.lo, c.hi, -1, 1, -1, 1));
    EXPECT_EQ(f.Of(kKindX).centre, c.x.centre) << c.lo << " " << c.hi;
    EXPECT_EQ(f.Of(kKindX).scale, c.x.scale) << c.lo << " " << c.hi;
  }
  // x in [1e6, 2e6]: x is shifted, and so are ln x ([13.8, 14.5]) and 1/x ([5e-7, 1e-6]).
  const TPolynomialFrame far = ChoosePolynomialFrame(StatsWithRanges(1e6L, 2e6L, 1, 10, 1000, 1001));
  EXPECT_FALSE(far.Of(kKindX).Identity());
  EXPECT_FALSE(far.Of(kKindLnX).Identity());
  EXPECT_FALSE(far.Of(kKindInvX).Identity());
  EXPECT_TRUE(far.Of(kKindY).Identity());  // y in [1, 10]: raw; ln y [0, 2.3]: raw
  EXPECT_TRUE(far.Of(kKindLnY).Identity());
  EXPECT_TRUE(far.Of(kKindInvY).Identity());  // 1/y in [0.1, 1]
  EXPECT_EQ(far.zCentre, 1000.5L);
  // x across 0: no logarithm, and 1/x has no bounded range.
  const TPolynomialFrame across = ChoosePolynomialFrame(StatsWithRanges(-1, 10, 1, 2, 1, 10));
  EXPECT_TRUE(across.Of(kKindLnX).Identity());
  EXPECT_TRUE(across.Of(kKindInvX).Identity());
  EXPECT_TRUE(ChoosePolynomialFrame(StatsWithRanges(1, 10, 1, 5, 1, 10)).Identity());
}

// With x = 15 + 8u and y = 4v (centre 0, scale 1/4), z centred at 100:
// 1 + 2u + 3u² + 5v - 4v² + 6uv is, in x and y,
//   1 + 2(x - 15)/8 + 3(x - 15)²/64 + 5y/4 - 4y²/16 + 6(x - 15)y/32 + 100.
TEST(PolynomialFrame, SolutionBecomesRawCoefficients) {
  TPolynomialFrame f;
  f.kinds[kKindX - kKindX] = {15, 0.125L};
  f.kinds[kKindY - kKindX] = {0, 0.25L};
  f.zCentre = 100;
  const std::vector<TMonomial> quadratic = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {0, 2, 0}, {1, 1, 0}};
  long double c[6] = {1, 2, 5, 3, -4, 6};  // a, X, Y, X², Y², XY
  ASSERT_TRUE(FrameToRawCoefficients(f, kKindX, kKindY, quadratic, c));
  const long double expected[6] = {
      1 - 30.0L / 8 + 3 * 225.0L / 64 + 100,  // constant
      2.0L / 8 - 3 * 30.0L / 64,              // x
      5.0L / 4 - 6 * 15.0L / 32,              // y
      3.0L / 64,                              // x²
      -4.0L / 16,                             // y²
      6.0L / 32,                              // xy
  };
  for (int i = 0; i < 6; ++i) EXPECT_EQ(c[i], expected[i]) << i;

  // Kinds and z left alone: the solution stays as it is, bit for bit.
  TPolynomialFrame onlyLog;
  onlyLog.kinds[kKindLnX - kKindX] = {14, 0.5L};
  long double same[6] = {0.1L, 0.2L, 0.3L, 0.4L, 0.5L, 0.6L};
  ASSERT_TRUE(FrameToRawCoefficients(onlyLog, kKindX, kKindY, quadratic, same));
  EXPECT_EQ(std::vector<long double>(same, same + 6), (std::vector<long double>{0.1L, 0.2L, 0.3L, 0.4L, 0.5L, 0.6L}));

  // A basis without the lower powers of a shifted one has no raw form in its own terms.
  const std::vector<TMonomial> gap = {{0, 0, 0}, {2, 0, 0}};
  long double g[2] = {1, 1};
  EXPECT_FALSE(FrameToRawCoefficients(f, kKindX, kKindY, gap, g));
}

}  // namespace
