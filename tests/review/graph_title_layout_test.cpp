// The review graph's title layout: the drawn set, custom lines that follow the rank, sizes.

#include <gtest/gtest.h>

#include "review/graph_title_layout.h"

namespace {

T3DTitleSet Automatic(int lines) {
  T3DTitleSet s;
  // As the summary lines come: data title, rank, statistics, two parameter lines.
  const char* texts[5] = {"Pressure data", "Rank 2  Eqn 7  z=a+bx", "r~^2~^=0.99", "a=1 b=2", "c=3"};
  for (int i = 0; i < lines; ++i) s.Lines[static_cast<std::size_t>(i)] = texts[i];
  s.AxisTitles = {"X", "Y", "~@6~@Z"};
  s.Enabled = 1;
  return s;
}

TEST(GraphTitleLayout, SizesFollowTheNumberOfLines) {
  const struct {
    int lines;
    std::int16_t fixed;
    std::array<float, 4> factors;
  } cases[] = {
      {2, 0, {1.5f, 1.2f, 1.0f, 1.0f}},     {1, 0, {1.5f, 1.2f, 1.0f, 1.0f}},
      {3, 0, {1.2f, 1.0f, 0.875f, 1.0f}},   {5, 0, {1.0f, 0.875f, 0.75f, 1.0f}},
      {2, 1, {1.0f, 1.0f, 1.0f, 1.0f}},
  };
  for (const auto& c : cases) {
    T3DTitleSet custom;
    T3DTitleSet automatic = Automatic(c.lines);
    automatic.FixedSizes = c.fixed;
    T3DTitleSet& drawn = LayoutGraphTitles(custom, automatic, 10.0f);
    EXPECT_EQ(&drawn, &automatic);
    EXPECT_EQ(automatic.Enabled, 0);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(automatic.FontSizes[i], 10.0f * c.factors[i]) << c.lines;
    EXPECT_EQ(drawn.LineCoded[2], c.lines >= 3 ? 1 : 0);
    EXPECT_EQ(drawn.LineCoded[1], 0);
    EXPECT_EQ(drawn.AxisCoded, (std::array<std::uint8_t, 3>{0, 0, 1}));
  }
}

TEST(GraphTitleLayout, CustomLinesFollowTheRankUntilRewritten) {
  T3DTitleSet automatic = Automatic(5);
  T3DTitleSet custom = Automatic(5);
  custom.Lines[0] = "My data";
  custom.Lines[1] = "Rank 1  Eqn 1  z=a";
  custom.Lines[2] = "My own line";
  custom.Lines[3] = "a=9";
  custom.Lines[4] = "old";
  custom.FontSizes = {2, 2, 2, 2};
  T3DTitleSet& drawn = LayoutGraphTitles(custom, automatic, 10.0f);
  EXPECT_EQ(&drawn, &custom);
  EXPECT_EQ(custom.Lines[0], "My data");
  EXPECT_EQ(custom.Lines[1], automatic.Lines[1]);
  EXPECT_EQ(custom.Lines[2], "My own line");
  EXPECT_EQ(custom.Lines[3], "a=1 b=2");
  EXPECT_EQ(custom.Lines[4], "c=3");
  EXPECT_EQ(custom.FontSizes, (std::array<float, 4>{2, 2, 2, 2}));
  custom.Lines[1] = "Mine";
  LayoutGraphTitles(custom, automatic, 10.0f);
  EXPECT_EQ(custom.Lines[1], "Mine");
}

}  // namespace
