#include "graph3d/title_set.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "app/settings_file.h"
#include "graph3d/color_schemes.h"

namespace {

// A copy of the set, its texts cut to their fields in the copy and in the source alike.
TEST(CloneTitleSet, TextsAreCutToTheirFieldsInBothSets) {
  struct Case {
    std::string text;
    bool axis;
    std::string expected;
  };
  const std::string line160(160, 'a');
  const std::string axis80(80, 'b');
  const Case cases[] = {
      {line160, false, line160},                // exactly fits
      {line160 + "overflow", false, line160},   // cut at 160
      {axis80, true, axis80},
      {axis80 + "c", true, axis80},             // cut at 80
      {std::string("ab\0cd", 5), false, "ab"},  // a stored text ends at its NUL
      {std::string("x\0" "y", 3), true, "x"},
  };
  for (const Case& c : cases) {
    T3DTitleSet source;
    source.FontSizes = {18, 14.4f, 12, 12};
    source.LineCoded = {0, 1, 0, 0, 0};
    std::string& text = c.axis ? source.AxisTitles[1] : source.Lines[2];
    text = c.text;
    const auto copy = CloneTitleSet(source);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(c.axis ? copy->AxisTitles[1] : copy->Lines[2], c.expected) << c.text.size();
    EXPECT_EQ(text, c.expected) << c.text.size();
    EXPECT_EQ(std::tie(copy->FontSizes, copy->LineCoded), std::tie(source.FontSizes, source.LineCoded));
  }
}

TEST(UserColorSchemes, ResetTakesBuiltInSchemeOneAsTheSettingsDefaultsDo) {
  TUserColorSchemes schemes = DefaultUserColorSchemes();
  for (auto& scheme : schemes) scheme.fill(9);
  ResetUserColorScheme(schemes, 14);
  // "Page White Color": role r is entry r * 9 + 1 of the table.
  EXPECT_EQ(schemes[14], BuiltinColorScheme(ColorSchemeTable, 1));
  EXPECT_EQ(schemes[14][kRoleTitle], 4);        // maroon
  EXPECT_EQ(schemes[14][kRoleBackground], 15);  // white
  EXPECT_EQ(schemes[13][0], 9);                 // the others are untouched
  for (int outside : {-1, 15, 1000}) {
    const TUserColorSchemes before = schemes;
    ResetUserColorScheme(schemes, outside);
    EXPECT_EQ(schemes, before) << outside;
  }
  // The settings file keeps the user schemes as raw bytes with a default of its own; both
  // must agree with the renderer's table.
  const ProgramSettings settings = DefaultSettings(1280, 1024);
  const TUserColorSchemes defaults = DefaultUserColorSchemes();
  ASSERT_EQ(settings.userColorSchemes.size(), sizeof(defaults));
  EXPECT_TRUE(std::equal(settings.userColorSchemes.begin(), settings.userColorSchemes.end(),
                         reinterpret_cast<const std::uint8_t*>(defaults.data())));
  for (const TColorScheme& scheme : defaults) EXPECT_EQ(scheme, defaults[0]);
  EXPECT_EQ(defaults[0], BuiltinColorScheme(ColorSchemeTable, 1));
}

}  // namespace
