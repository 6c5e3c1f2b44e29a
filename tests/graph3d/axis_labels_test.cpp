#include "graph3d/axis_labels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

TEST(AxisLabelTexts, TheFewestDigitsFromTheGraphLabelsUpThatTellNeighboursApart) {
  struct Case {
    std::vector<long double> values;
    bool log;
    int digits;
    Texts texts;
  };
  const Case cases[] = {
      {{0, 0.125L, 0.25L}, false, 6, {"0", "0.125", "0.25"}},
      {{0, 0.125L, 0.25L}, false, 2, {"0", "0.12", "0.25"}},  // already apart at two
      {{1e20L, 1e20L + 5e5L, 1e20L + 1e6L}, false, 6, {"1e+20", "1.000000000000005e+20", "1.00000000000001e+20"}},
      {{-2, -1, 0}, true, 6, {"0.01", "0.1", "1"}},
      // Values no number of digits tells apart stop at 18.
      {{1e20L, 1e20L}, false, 6, {"1e+20", "1e+20"}},
      {{}, false, 6, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(AxisLabelTexts(c.values, c.log, c.digits), c.texts);
}

}  // namespace
