// Values stepped from a start to an end: the count from the quotient taken as the whole
// number it is a rounding away from, each value formed afresh, the last on the end itself.
//
// References: exact decimal arithmetic (Python's fractions.Fraction of the typed decimals):
// 0 to 1 by 0.1 spans exactly 10 steps, 0 to 1 by 0.3 spans 3 steps and a third, 0 to 0.6 by
// 0.4 one step and a half, 2.7 down to -1.3 by 0.1 exactly 40 steps.
#include "numerics/stepped_range.h"

#include <gtest/gtest.h>

#include "support/decimal_ranges.h"
#include "support/long_double_near.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

TEST(SteppedRange, DecimalStepsCountEveryValueUpToTheEndAndNoneBeyond) {
  struct Case {
    long double start, step, end;
    long double count;
    bool endsOnEnd;
  };
  const Case cases[] = {
      {0, 0.1L, 1, 11, true},        // 1 / 0.1 is a hair off 10 in binary
      {0, 0.3L, 1, 4, false},        // 0, 0.3, 0.6, 0.9
      {0, 0.4L, 0.6L, 2, false},     // one and a half steps: 0.8 would pass the end
      {2.7L, -0.1L, -1.3L, 41, true},  // counting down
      {1, 1e-3L, 2, 1001, true},
      {0, 0.1, 1, 11, true},         // a step read as a double: 0.1000000000000000055
      {3, 1, 3, 1, true},            // start and end equal: one value
      {0, 1, 1e6L, 1000001, true},
  };
  for (const Case& c : cases) {
    const TSteppedRange r = SteppedRange(c.start, c.step, c.end);
    EXPECT_EQ(r.count, c.count) << static_cast<double>(c.start) << " " << static_cast<double>(c.step);
    EXPECT_EQ(r.endsOnEnd, c.endsOnEnd) << static_cast<double>(c.step);
    if (c.endsOnEnd) { EXPECT_EQ(r.At(r.count - 1), c.end); }
    // Every value lies within the range, and each is the start plus a whole number of steps.
    const long double low = std::fmin(c.start, c.end), high = std::fmax(c.start, c.end);
    for (long double k = 0; k < r.count; ++k) {
      const long double v = r.At(k);
      EXPECT_TRUE(low <= v && v <= high) << static_cast<double>(v);
      EXPECT_NEAR(static_cast<double>(v), static_cast<double>(c.start + k * c.step), 1e-15 * (1 + std::fabs(static_cast<double>(v))));
    }
  }
  // The value k is formed afresh: a thousand additions of 0.001 drift, k·0.001 does not.
  const TSteppedRange thousandths = SteppedRange(0, 1e-3L, 10);
  EXPECT_EQ(thousandths.At(7000), 7000 * 1e-3L);
}

TEST(SteppedRange, NoValuesForStepsThatCannotReachTheEnd) {
  EXPECT_EQ(SteppedRange(0, -0.1L, 1).count, 0);  // pointing away from the end
  EXPECT_EQ(SteppedRange(0, 0, 1).count, 0);      // a step of 0: an infinite quotient
  EXPECT_EQ(SteppedRange(0, kNaN, 1).count, 0);
  EXPECT_EQ(SteppedRange(kNaN, 1, 1).count, 0);
  EXPECT_EQ(SteppedRange(0, 1, kInf).count, 0);
  // An infinite step gives the start alone.
  const TSteppedRange once = SteppedRange(0.5L, kInf, 1);
  ASSERT_EQ(once.count, 1);
  EXPECT_EQ(once.At(0), 0.5L);
}

TEST(SteppedRange, WholeWithinRoundingOnlyTakesRoundingForAWholeNumber) {
  // The rounding of 0 to 1 by 0.1: 2^-50 x 10 steps, some 9e-15.
  const long double tenths = StepQuotientRounding(0, 0.1L, 1);
  EXPECT_LD_NEAR(tenths, 10 * 0x1p-50L, 1e-30L);
  EXPECT_EQ(WholeWithinRounding(9.9999999999999999L, tenths), 10);
  EXPECT_EQ(WholeWithinRounding(3.0000001L, tenths), 3.0000001L);  // a real fraction stays
  EXPECT_EQ(WholeWithinRounding(-1.5L, tenths), -1.5L);
  EXPECT_EQ(WholeWithinRounding(-0.9999999999999L, 1e-12L), -1);
  EXPECT_TRUE(std::isnan(WholeWithinRounding(kNaN, tenths)));
  EXPECT_EQ(WholeWithinRounding(-kInf, tenths), -kInf);
  // A million steps of a millionth: 5e-10 of the quotient is 5e-4 of a step, no rounding
  // of 0, 1e-6 and 1 (a fixed allowance of 1e-9 of the quotient once took it as whole).
  const long double millionths = StepQuotientRounding(0, 1e-6L, 1);
  EXPECT_EQ(WholeWithinRounding(1e6L * (1 + 5e-10L), millionths), 1e6L * (1 + 5e-10L));
  EXPECT_EQ(WholeWithinRounding(1e6L * (1 + 1e-19L), millionths), 1e6L);
}

// Ranges over the grid of decimal starts and steps whose ends lie a whole number of steps
// from the start or a real fraction of a step off it (support/decimal_ranges.h), counting
// up and down, each number read as the user's text into a long double, and also through a
// double. A fixed allowance of 1e-9 of the quotient took 7999 of them for whole counts: 0 to
// 0.999999999 by 0.001 gave 1001 values, the last 0.999999999.
TEST(SteppedRange, EndsARealFractionOfAStepOffKeepTheirFraction) {
  namespace dr = decimal_ranges;
  int left = 0;
  const std::vector<dr::TRange> ranges = dr::Ranges(dr::FullGrid(), left);
  int read = 0, wrong = 0;
  for (const dr::TRange& c : ranges) {
    const long double s = std::strtold(c.start.c_str(), nullptr);
    const long double i = std::strtold(c.step.c_str(), nullptr);
    const long double e = std::strtold(c.end.c_str(), nullptr);
    for (const bool viaDouble : {false, true}) {
      const auto as = [&](long double v) { return viaDouble ? static_cast<long double>(static_cast<double>(v)) : v; };
      const TSteppedRange r = SteppedRange(as(s), as(i), as(e));
      const long double last = r.count > 0 ? r.At(r.count - 1) : 0;
      const bool inside = i > 0 ? last <= as(e) : last >= as(e);
      ++read;
      if (r.count != static_cast<long double>(c.count) || r.endsOnEnd != c.endsOnEnd || !inside) {
        if (++wrong <= 10)
          ADD_FAILURE() << c.start << " to " << c.end << " by " << c.step << (viaDouble ? " (doubles)" : "") << ": "
                        << static_cast<double>(r.count) << " values for " << c.count;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(ranges.size(), 10415u);
  EXPECT_EQ(left, 3409);
  EXPECT_EQ(read, 20830);
  // The range that added a value: 1000 values, the last 0.999.
  const TSteppedRange thousandths = SteppedRange(0, 0.001L, 0.999999999L);
  EXPECT_EQ(thousandths.count, 1000);
  EXPECT_FALSE(thousandths.endsOnEnd);
  EXPECT_EQ(thousandths.At(999), 999 * 0.001L);
}

// The mesh of a graph: every node inside the range, the last one on its high end.
TEST(SteppedRange, EvenlySpacedNodesEndOnTheHighEndExactly) {
  int pastTheEnd = 0;
  for (int n = 2; n <= 120; ++n) {
    for (const long double hi : {0.7L, 1.0L, 4.67L, 1e-3L, 5.4e6L}) {
      const long double lo = -0.3L * hi;
      EXPECT_EQ(EvenlySpacedNode(lo, hi, 0, n), lo);
      EXPECT_EQ(EvenlySpacedNode(lo, hi, n - 1, n), hi);
      for (int i = 0; i < n; ++i) {
        const long double x = EvenlySpacedNode(lo, hi, i, n);
        EXPECT_TRUE(lo <= x && x <= hi) << n << " " << i;
      }
      // Walked by repeated addition, as the mesh was, the last node often misses hi.
      long double walked = lo;
      for (int i = 1; i < n; ++i) walked += (hi - lo) / (n - 1);
      pastTheEnd += walked > hi ? 1 : 0;
    }
  }
  EXPECT_GT(pastTheEnd, 0);
  EXPECT_EQ(EvenlySpacedNode(2, 5, 0, 1), 2);
}

}  // namespace
