// The headless parts of the graph option dialogs: animation settings, sectioning the data,
// title markup and the custom title file, and the user colour file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/data_table.h"
#include "graph3d/animation_settings.h"
#include "graph3d/data_section.h"
#include "graph3d/option_files.h"
#include "graph3d/title_block.h"
#include "support/scratch_files.h"

namespace {

T3DAnimRec Anim(int sxy, int exy, int dxy, int sz, int ez, int dz) {
  T3DAnimRec r;
  r.StartXY = static_cast<std::int16_t>(sxy);
  r.EndXY = static_cast<std::int16_t>(exy);
  r.StepXY = static_cast<std::int16_t>(dxy);
  r.StartZ = static_cast<std::int16_t>(sz);
  r.EndZ = static_cast<std::int16_t>(ez);
  r.StepZ = static_cast<std::int16_t>(dz);
  return r;
}

TEST(AnimationSettings, NormalisesAgainstTheOpenedBlock) {
  const T3DAnimRec opened = Anim(5, 360, 5, 60, -60, -5);
  struct Case {
    T3DAnimRec in, want;
  } cases[] = {
      {Anim(10, 350, -5, 60, -60, -5), Anim(10, 350, 5, 60, -60, -5)},    // sign turned
      {Anim(300, 20, 7, -30, 30, -2), Anim(300, 20, -7, -30, 30, 2)},     // both axes
      {Anim(40, 40, 5, 10, 10, 3), Anim(5, 360, 5, 60, -60, -3)},         // start = end
      {Anim(0, 90, 0, 0, 45, 0), Anim(0, 90, 5, 0, 45, 5)},               // zero step, flipped
  };
  for (const Case& c : cases) {
    T3DAnimRec r = c.in;
    NormalizeAnimSettings(r, opened);
    EXPECT_EQ(r, c.want);
  }
  EXPECT_EQ(ResetAnimSettings(), Anim(5, 360, 5, 60, -60, -5));
}

PointTable SectionTable() {
  PointTable t = NewPointTable(8);
  for (int i = 1; i <= 8; ++i) {
    t[static_cast<std::size_t>(i)].X = i - 1;  // x = 0 .. 7
    t[static_cast<std::size_t>(i)].Y = 10 * i;
    t[static_cast<std::size_t>(i)].Z = -i;
    t[static_cast<std::size_t>(i)].Status = kPointActive;
  }
  return t;
}

std::string Statuses(const PointTable& t) {
  std::string s;
  for (std::size_t i = 1; i < t.size(); ++i) s += t[i].Status;
  return s;
}

TEST(DataSection, IncludeExcludeAndApplyModes) {
  SectionRequest slab;
  slab.bounds[0] = 2;
  slab.bounds[1] = 5;
  PointTable t = SectionTable();
  t[8].Status = kPointInactive;
  slab.mode = SectionMode::Include;
  slab.apply = SectionApply::New;
  EXPECT_EQ(ApplySection(t, slab), 4);
  EXPECT_EQ(Statuses(t), "**    **");  // x = 2, 3, 4, 5: the bounds are inclusive

  t = SectionTable();
  t[1].Status = kPointInactive;  // outside the slab: kept as it was
  slab.mode = SectionMode::Exclude;
  slab.apply = SectionApply::Existing;
  EXPECT_EQ(ApplySection(t, slab), 3);
  EXPECT_EQ(Statuses(t), "* ****  ");

  SectionRequest none;
  none.apply = SectionApply::Existing;
  EXPECT_EQ(ApplySection(t, none), 8);
  EXPECT_EQ(Statuses(t), "        ");

  SectionRequest upper;  // one bound on each of Y and Z
  upper.bounds[3] = 40;
  upper.bounds[4] = -3;
  EXPECT_EQ(ApplySection(t, upper), 3);  // y <= 40 and z >= -3
  EXPECT_EQ(Statuses(t), "   *****");
}

TEST(DataSection, StopsTheFitFirstAndWritesUnderTheLock) {
  TDataTable table;
  ASSERT_TRUE(table.AllocPointArray());
  PointTable src = SectionTable();
  std::copy(src.begin(), src.end(), table.XYZData().begin());
  SectionRequest r;
  r.bounds[0] = 6;
  bool stopped = false;
  const int active = ApplySectionToTable(table, r, [&] {
    stopped = true;
    // The lock is free when the fit is stopped: the stopper may wait for a worker that reads.
    EXPECT_TRUE(table.Mutex().try_lock());
    table.Mutex().unlock();
  });
  EXPECT_TRUE(stopped);
  EXPECT_EQ(active, 2);
  EXPECT_TRUE(table.Mutex().try_lock());  // released afterwards
  table.Mutex().unlock();
}

TEST(TitleMarkup, PairsAroundTheSelectionOrTheNextCharacter) {
  auto e = InsertMarkupPair("x2", 1, 1, kSuperscriptCode, 160);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->text, "x~^2~^");
  EXPECT_EQ(e->text.substr(static_cast<std::size_t>(e->selStart),
                           static_cast<std::size_t>(e->selEnd - e->selStart)),
            "~^2~^");
  e = InsertMarkupPair("H2O", 1, 2, kSubscriptCode, 160);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->text, "H~`2~`O");
  e = InsertMarkupPair("ab", 2, 2, kSuperscriptCode, 160);  // at the end: nothing to mark
  ASSERT_TRUE(e);
  EXPECT_EQ(e->text, "ab~^~^");
}

TEST(TitleMarkup, InsertThatDoesNotFitIsRefused) {
  EXPECT_FALSE(InsertMarkupPair(std::string(157, 'a'), 0, 0, kSuperscriptCode, 160));
  EXPECT_TRUE(InsertMarkupPair(std::string(156, 'a'), 0, 0, kSuperscriptCode, 160));
  EXPECT_FALSE(InsertMarkupPair(std::string(77, 'a'), 3, 3, kSubscriptCode, 80));
  EXPECT_FALSE(InsertSpecialCharacter(std::string(76, 'a'), 0, kSymbolCodeBase + 33, 80));
  EXPECT_FALSE(InsertSpecialCharacter(std::string(160, 'a'), 0, 200, 160));
}

TEST(TitleMarkup, SpecialCharacters) {
  auto e = InsertSpecialCharacter("ab", 1, kSymbolCodeBase + 32 + 1, 160);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->text, std::string("a~@") + '!' + "~@b");
  EXPECT_EQ(e->selStart, 6);
  e = InsertSpecialCharacter("ab", 2, 0xB0, 160);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->text, "ab\xB0");
  EXPECT_EQ(e->selEnd, 3);
}

TTitleBlock AutomaticBlock(int rank) {
  TTitleBlock b;
  b.lines = {"Data", "Rank " + std::to_string(rank) + "  Eqn 1", "r~^2~^=0." + std::to_string(rank),
             "a=" + std::to_string(rank), "d=0"};
  b.axisTitles = {"X", "Y", "Z"};
  for (auto& s : b.sizes) s.position = 20;
  return b;
}

TEST(TitleBlock, CustomSetKeepsUserTextAndFollowsTheCurrentFit) {
  TTitleBlock saved = AutomaticBlock(3);
  saved.lines[0] = "My own title";
  T3DTitleSet set;
  StoreTitleBlock(saved, AutomaticBlock(3), set);
  EXPECT_EQ(set.Enabled, 1);
  const TTitleBlock now = WorkingTitleBlock(set, AutomaticBlock(1));
  EXPECT_EQ(now.lines[0], "My own title");
  EXPECT_EQ(now.lines[1], "Rank 1  Eqn 1");
  EXPECT_EQ(now.lines[2], "r~^2~^=0.1");
  EXPECT_EQ(now.lines[3], "a=1");

  TTitleBlock mine = AutomaticBlock(3);
  mine.lines[1] = "Second line of my own";
  RefreshAutomaticFitLines(mine, AutomaticBlock(1));
  EXPECT_EQ(mine.lines[1], "Second line of my own");
  EXPECT_EQ(mine.lines[2], "r~^2~^=0.1");
}

TEST(TitleBlock, EnabledOnlyWhenABlockByteDiffers) {
  T3DTitleSet set;
  StoreTitleBlock(AutomaticBlock(2), AutomaticBlock(2), set);
  EXPECT_EQ(set.Enabled, 0);
  TTitleBlock b = AutomaticBlock(2);
  b.sizes[3].position = 21;
  StoreTitleBlock(b, AutomaticBlock(2), set);
  EXPECT_EQ(set.Enabled, 1);
  EXPECT_FLOAT_EQ(set.FontSizes[3], 10.5f);
  b = AutomaticBlock(2);
  b.axisTitles[2] = "Z~^2~^";
  StoreTitleBlock(b, AutomaticBlock(2), set);
  EXPECT_EQ(set.AxisCoded[2], 1);
  EXPECT_EQ(set.AxisCoded[0], 0);
}

TEST(TitleFile, LayoutRoundTripAndHostileBytes) {
  TTitleBlock b = AutomaticBlock(1);
  b.lines[4] = std::string(300, 'q');  // longer than its field: cut, NUL kept
  b.sizes[0].position = 47;
  const auto bytes = EncodeTitleBlock(b);
  ASSERT_EQ(bytes.size(), 1096u);
  EXPECT_EQ(bytes[644 + 159], 'q');
  EXPECT_EQ(bytes[644 + 160], 0);
  EXPECT_EQ(bytes[1048], 12);
  EXPECT_EQ(bytes[1052], 48);
  EXPECT_EQ(bytes[1056], 47);
  TTitleBlock back;
  ASSERT_TRUE(DecodeTitleBlock(bytes, back));
  EXPECT_EQ(back.lines[4].size(), 160u);
  EXPECT_EQ(back.lines[0], "Data");

  std::vector<std::uint8_t> hostile(1096, 'x');  // no NUL anywhere, sizes out of range
  ASSERT_TRUE(DecodeTitleBlock(hostile, back));
  for (const auto& line : back.lines) EXPECT_EQ(line.size(), 160u);
  for (const auto& axis : back.axisTitles) EXPECT_EQ(axis.size(), 80u);
  for (const auto& s : back.sizes) {
    EXPECT_EQ(s.low, 12);
    EXPECT_EQ(s.high, 48);
    EXPECT_GE(s.position, 12);
    EXPECT_LE(s.position, 48);
  }
  EXPECT_FALSE(DecodeTitleBlock(std::vector<std::uint8_t>(1095, 0), back));
}

TEST(TitleFile, OnlyExactSizeIsRead) {
  ScratchDir dir;
  TTitleBlock b = AutomaticBlock(1);
  ASSERT_TRUE(WriteTitleFile(dir.File("t.ttl"), b));
  TTitleBlock back;
  EXPECT_EQ(ReadTitleFile(dir.File("t.ttl"), back), OptionFileStatus::Ok);
  EXPECT_EQ(back, b);
  TTitleBlock untouched = back;
  EXPECT_EQ(ReadTitleFile(dir.Write("s.ttl", std::vector<std::uint8_t>(1095, 0)), back),
            OptionFileStatus::Refused);
  EXPECT_EQ(back, untouched);
  EXPECT_EQ(ReadTitleFile(dir.File("none.ttl"), back), OptionFileStatus::CannotOpen);
}

TEST(UserColorsFile, SizeAndIndicesChecked) {
  ScratchDir dir;
  TColorScheme scheme{};
  for (std::size_t i = 0; i < scheme.size(); ++i) scheme[i] = static_cast<std::uint8_t>(i % 16);
  ASSERT_TRUE(WriteUserColorsFile(dir.File("u.clr"), scheme));
  EXPECT_EQ(ReadBytes(dir.File("u.clr")).size(), 27u);
  TColorScheme back{};
  EXPECT_EQ(ReadUserColorsFile(dir.File("u.clr"), back), OptionFileStatus::Ok);
  EXPECT_EQ(back, scheme);
  const TColorScheme before = back;
  std::vector<std::uint8_t> bad(27, 3);
  bad[26] = 16;
  EXPECT_EQ(ReadUserColorsFile(dir.Write("bad.clr", bad), back), OptionFileStatus::Refused);
  EXPECT_EQ(ReadUserColorsFile(dir.Write("long.clr", std::vector<std::uint8_t>(28, 1)), back),
            OptionFileStatus::Refused);
  EXPECT_EQ(ReadUserColorsFile(dir.Write("short.clr", std::vector<std::uint8_t>(26, 1)), back),
            OptionFileStatus::Refused);
  EXPECT_EQ(back, before);
}

}  // namespace
