#include "graph3d/axis_labels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

// Division values, whether the axis is logarithmic, the Graph Labels digits, and the labels.
struct Case {
  std::vector<long double> values;
  bool log;
  int digits;
  Texts texts;
};

TEST(AxisLabelTexts, TheFewestDigitsFromTheGraphLabelsUpThatTellNeighboursApart) {
  const Case cases[] = {
      {{0, 0.125L, 0.25L}, false, 6, {"0", "0.125", "0.25"}},
      {{0, 0.125L, 0.25L}, false, 2, {"0", "0.12", "0.25"}},  // already apart at two
      // Labels written with an exponent share their digits (this axis once read "1e+20",
      // "1.000000000000005e+20", "1.00000000000001e+20").
      {{1e20L, 1e20L + 5e5L, 1e20L + 1e6L},
       false,
       6,
       {"1.000000000000000e+20", "1.000000000000005e+20", "1.000000000000010e+20"}},
      {{-2, -1, 0}, true, 6, {"0.01", "0.1", "1"}},
      // Values no number of digits tells apart stop at 18.
      {{1e20L, 1e20L}, false, 6, {"1e+20", "1e+20"}},
      {{}, false, 6, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(AxisLabelTexts(c.values, c.log, c.digits), c.texts);
}

// The labels of one axis share one number of significant digits, the fewest that show each
// tick as "%g" writes it: an axis far from the origin read "5.4065e+06, 5.406e+06, ...
// 5.403e+06", four digits beside five. Labels written without an exponent keep their form.
TEST(AxisLabelTexts, LabelsWithAnExponentShareTheirDigits) {
  const Case cases[] = {
      {{5406500, 5406000, 5405500, 5405000, 5404500, 5404000, 5403500, 5403000},
       false,
       6,
       {"5.4065e+06", "5.4060e+06", "5.4055e+06", "5.4050e+06", "5.4045e+06", "5.4040e+06", "5.4035e+06",
        "5.4030e+06"}},
      {{-5403000, -5403500, -5404000}, false, 6, {"-5.4030e+06", "-5.4035e+06", "-5.4040e+06"}},
      {{5403000, 5404000, 5405000, 5406000}, false, 6, {"5.403e+06", "5.404e+06", "5.405e+06", "5.406e+06"}},
      // Tiny ranges: 1.2e-7 .. 1.3e-7 by 2.5e-9.
      {{1.2e-7L, 1.225e-7L, 1.25e-7L, 1.275e-7L, 1.3e-7L},
       false,
       6,
       {"1.200e-07", "1.225e-07", "1.250e-07", "1.275e-07", "1.300e-07"}},
      // A tiny range far from the origin needs more digits than the labels' own to tell its
      // ticks apart; every label takes them.
      {{2e13L, 2e13L + 0.5L, 2e13L + 1}, false, 6, {"20000000000000", "20000000000000.5", "20000000000001"}},
      {{4e17L, 4e17L + 20, 4e17L + 40}, false, 6, {"4.0000000000000000e+17", "4.0000000000000002e+17", "4.0000000000000004e+17"}},
      // Written without an exponent, as "%g" writes them: "-1, -0.5, 0, 0.5".
      {{-1, -0.5L, 0, 0.5L}, false, 6, {"-1", "-0.5", "0", "0.5"}},
      {{0, 500000, 1000000, 1500000}, false, 6, {"0", "500000", "1.0e+06", "1.5e+06"}},
      {{4, 5, 6, 7}, true, 6, {"10000", "100000", "1e+06", "1e+07"}},
      {{5.5L, 6, 6.5L}, true, 6, {"316228", "1.00000e+06", "3.16228e+06"}},
  };
  for (const Case& c : cases) EXPECT_EQ(AxisLabelTexts(c.values, c.log, c.digits), c.texts);
}

}  // namespace
