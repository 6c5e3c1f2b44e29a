#include "graph3d/title_set.h"

#include <gtest/gtest.h>

#include <string>

#include "app/settings_file.h"
#include "graph3d/color_schemes.h"

namespace {

T3DTitleSet FullSet() {
  T3DTitleSet t;
  t.Lines = {"Rank 1 Eqn 1", "r~^2~^=0.99", "", "line 4", "line 5"};
  t.AxisTitles = {"X", "", "~@a~@ [m]"};
  t.FontSizes = {18, 14.4f, 12, 12};
  t.Enabled = 1;
  t.LineCoded = {0, 1, 0, 0, 0};
  t.AxisCoded = {0, 0, 1};
  t.FixedSizes = 1;
  return t;
}

TEST(CloneTitleSet, CopiesTextsAndSettingsAsTheyStand) {
  T3DTitleSet source = FullSet();
  const std::unique_ptr<T3DTitleSet> copy = CloneTitleSet(source);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Lines, source.Lines);
  EXPECT_EQ(copy->AxisTitles, source.AxisTitles);
  EXPECT_EQ(copy->FontSizes, source.FontSizes);
  EXPECT_EQ(copy->Enabled, 1);
  EXPECT_EQ(copy->LineCoded, source.LineCoded);
  EXPECT_EQ(copy->AxisCoded, source.AxisCoded);
  EXPECT_EQ(copy->FixedSizes, 1);
  // A copy, not a view: changing it leaves the source alone.
  copy->Lines[0] = "changed";
  EXPECT_EQ(source.Lines[0], "Rank 1 Eqn 1");
}

TEST(CloneTitleSet, TextsAreCutToTheirFieldsInBothSets) {
  struct Case {
    std::string text;
    bool axis;
    std::string expected;
  };
  const std::string line160(160, 'a');
  const std::string axis80(80, 'b');
  const Case cases[] = {
      {line160, false, line160},                       // exactly fits
      {line160 + "overflow", false, line160},          // cut at 160
      {axis80, true, axis80},
      {axis80 + "c", true, axis80},                    // cut at 80
      {std::string("ab\0cd", 5), false, "ab"},         // a stored text ends at its NUL
      {std::string("x\0" "y", 3), true, "x"},
  };
  for (const Case& c : cases) {
    T3DTitleSet source;
    (c.axis ? source.AxisTitles[1] : source.Lines[2]) = c.text;
    const auto copy = CloneTitleSet(source);
    ASSERT_NE(copy, nullptr);
    const std::string& copied = c.axis ? copy->AxisTitles[1] : copy->Lines[2];
    const std::string& kept = c.axis ? source.AxisTitles[1] : source.Lines[2];
    EXPECT_EQ(copied, c.expected) << c.text.size();
    EXPECT_EQ(kept, c.expected) << c.text.size();
  }
}

TEST(UserColorSchemes, ResetTakesBuiltInSchemeOne) {
  TUserColorSchemes schemes = DefaultUserColorSchemes();
  for (auto& scheme : schemes) scheme.fill(9);
  ResetUserColorScheme(schemes, 14);
  // "Page White Color": role r is entry r * 9 + 1 of the table.
  for (int role = 0; role < kColorRoleCount; ++role) {
    EXPECT_EQ(schemes[14][static_cast<std::size_t>(role)],
              ColorSchemeTable[static_cast<std::size_t>(role * 9 + 1)])
        << role;
  }
  EXPECT_EQ(schemes[14][kRoleTitle], 4);       // maroon
  EXPECT_EQ(schemes[14][kRoleBackground], 15);  // white
  EXPECT_EQ(schemes[13][0], 9);                 // the others are untouched
  for (int outside : {-1, 15, 1000}) {
    const TUserColorSchemes before = schemes;
    ResetUserColorScheme(schemes, outside);
    EXPECT_EQ(schemes, before) << outside;
  }
}

TEST(UserColorSchemes, SettingsDefaultsAreTheResetSchemes) {
  // The settings file keeps the user schemes as raw bytes with a default of its own; both
  // must agree with the renderer's table.
  const ProgramSettings settings = DefaultSettings(1280, 1024);
  const TUserColorSchemes schemes = DefaultUserColorSchemes();
  ASSERT_EQ(settings.userColorSchemes.size(), sizeof(schemes));
  std::size_t k = 0;
  for (const TColorScheme& scheme : schemes) {
    for (std::uint8_t c : scheme) EXPECT_EQ(settings.userColorSchemes[k++], c) << k;
  }
}

}  // namespace
