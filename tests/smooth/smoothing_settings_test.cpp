// The smoothing windows' settings records: the defaults are the bytes the settings file
// starts with, records round-trip byte for byte, and damaged fields are clamped on read.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "app/byte_codec.h"
#include "app/settings_file.h"
#include "smooth/engines/smoothing_settings.h"

namespace {

std::vector<std::uint8_t> Words(const std::vector<std::int32_t>& words) {
  bytes::ByteWriter w;
  for (std::int32_t v : words) w.I32(v);
  return w.Take();
}

TEST(SmoothingSettings, DefaultsAreTheSettingsFileDefaultsByteForByte) {
  const ProgramSettings file = DefaultSettings(1024, 768);
  EXPECT_EQ(EncodeNPSettings(DefaultNPSettings(TNPSettingsKind::kScattered)), file.scatteredSettings);
  EXPECT_EQ(EncodeNPSettings(DefaultNPSettings(TNPSettingsKind::kLoess)), file.loessSettings);
  EXPECT_EQ(EncodeNPGridSettings(DefaultNPGridSettings(TNPGridSettingsKind::kGridded)), file.gridSplineSettings);
  EXPECT_EQ(EncodeNPGridSettings(DefaultNPGridSettings(TNPGridSettingsKind::kNurbs)), file.nurbsSettings);
  EXPECT_EQ(EncodeNPSettings({}).size(), 164u);
  EXPECT_EQ(EncodeNPGridSettings({}).size(), 136u);
}

TEST(SmoothingSettings, RecordsInRangeRoundTripByteForByte) {
  // Every field distinct, so that a swapped or shifted field shows.
  std::vector<std::int32_t> scattered;
  for (int i = 0; i < 40; ++i) scattered.push_back(i * 7 + 1);
  scattered.push_back(12);
  const std::vector<std::uint8_t> block = Words(scattered);
  const TNPSettings s = DecodeNPSettings(block, TNPSettingsKind::kScattered);
  EXPECT_EQ(s.option1[0], 1);
  EXPECT_EQ(s.option2[0], 141);
  EXPECT_EQ(s.option2[19], 274);
  EXPECT_EQ(s.method, 12);
  EXPECT_EQ(EncodeNPSettings(s), block);

  std::vector<std::int32_t> grid;
  for (int i = 0; i < 16; ++i) grid.push_back(1 + i % 9);        // orders
  for (int i = 0; i < 16; ++i) grid.push_back(2 + i * 1000);     // knots
  grid.push_back(4);
  grid.push_back(-77);  // reserved, kept as read
  const std::vector<std::uint8_t> gridBlock = Words(grid);
  const TNPGridSettings g = DecodeNPGridSettings(gridBlock, TNPGridSettingsKind::kGridded);
  EXPECT_EQ(g.orderY[0], 9);
  EXPECT_EQ(g.knotsX[1], 1002);
  EXPECT_EQ(g.knotsY[7], 15002);
  EXPECT_EQ(g.method, 4);
  EXPECT_EQ(g.reserved, -77);
  EXPECT_EQ(EncodeNPGridSettings(g), gridBlock);
}

TEST(SmoothingSettings, DamagedFieldsAreClampedOnRead) {
  constexpr std::int32_t kLow = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kHigh = std::numeric_limits<std::int32_t>::max();
  std::vector<std::int32_t> words(41, 0);
  words[0] = kLow;
  words[5] = kHigh;
  words[20] = -1;
  words[40] = 16;  // the previews' own code has no button
  TNPSettings s = DecodeNPSettings(Words(words), TNPSettingsKind::kScattered);
  EXPECT_EQ(s.option1[0], kNPOptionLow);
  EXPECT_EQ(s.option1[5], kNPOptionHigh);
  EXPECT_EQ(s.option2[0], kNPOptionLow);
  EXPECT_EQ(s.method, 3);

  struct Case {
    std::int32_t stored, scattered, loess;
  };
  for (const Case c : {Case{-1, 3, 17}, Case{0, 0, 17}, Case{7, 7, 7}, Case{15, 15, 17}, Case{17, 3, 17},
                       Case{18, 3, 18}, Case{19, 3, 19}, Case{20, 3, 17}, Case{kHigh, 3, 17}}) {
    words[40] = c.stored;
    EXPECT_EQ(DecodeNPSettings(Words(words), TNPSettingsKind::kScattered).method, c.scattered) << c.stored;
    EXPECT_EQ(DecodeNPSettings(Words(words), TNPSettingsKind::kLoess).method, c.loess) << c.stored;
  }

  std::vector<std::int32_t> grid(34, 0);
  grid[0] = 0;      // order below 1
  grid[8] = 99;     // order above 9
  grid[16] = 1;     // knots below 2
  grid[24] = kHigh; // knots above the largest grid
  grid[32] = 8;     // no method 8
  const TNPGridSettings g = DecodeNPGridSettings(Words(grid), TNPGridSettingsKind::kNurbs);
  EXPECT_EQ(g.orderX[0], kNPOrderLow);
  EXPECT_EQ(g.orderY[0], kNPOrderHigh);
  EXPECT_EQ(g.knotsX[0], kNPKnotsLow);
  EXPECT_EQ(g.knotsY[0], kNPKnotsHigh);
  EXPECT_EQ(g.method, 5);
  grid[32] = -3;
  EXPECT_EQ(DecodeNPGridSettings(Words(grid), TNPGridSettingsKind::kGridded).method, 0);
}

TEST(SmoothingSettings, BlocksOfAnotherSizeGiveTheDefaults) {
  for (std::size_t size : {0u, 1u, 163u, 165u, 136u}) {
    const std::vector<std::uint8_t> block(size, 0xFF);
    EXPECT_EQ(DecodeNPSettings(block, TNPSettingsKind::kLoess), DefaultNPSettings(TNPSettingsKind::kLoess)) << size;
  }
  for (std::size_t size : {0u, 135u, 137u, 164u}) {
    const std::vector<std::uint8_t> block(size, 0xFF);
    EXPECT_EQ(DecodeNPGridSettings(block, TNPGridSettingsKind::kGridded),
              DefaultNPGridSettings(TNPGridSettingsKind::kGridded))
        << size;
  }
}

}  // namespace

namespace {

// OK keeps what the user set and nothing the window clamped on its own: the stored record,
// with the method and each entry the user set taken from the window's working copy.
TEST(SmoothingSettings, OkKeepsOnlyTheEntriesTheUserSet) {
  const TNPGridSettings stored = DefaultNPGridSettings(TNPGridSettingsKind::kGridded);
  TNPGridSettings working = stored;
  working.knotsX.fill(6);  // the clamps of a small table, on every method the window visited
  working.knotsY.fill(5);
  working.orderX[3] = 2;
  working.method = 3;
  TNPChoices untouched;
  EXPECT_EQ(untouched.Kept(stored, working), stored);

  TNPChoices typed;
  typed.Chose(kNPKnotsYField, 3);
  TNPGridSettings expected = stored;
  expected.knotsY[3] = 5;
  EXPECT_EQ(typed.Kept(stored, working), expected);
  typed.ChoseMethod();
  expected.method = 3;
  EXPECT_EQ(typed.Kept(stored, working), expected);

  const TNPSettings options = DefaultNPSettings(TNPSettingsKind::kScattered);
  TNPSettings shown = options;
  shown.option2.fill(4);
  shown.option1[6] = 0;
  shown.method = 6;
  TNPChoices watson;
  watson.Chose(kNPOption1Field, 6);
  TNPSettings kept = options;
  kept.option1[6] = 0;
  EXPECT_EQ(watson.Kept(options, shown), kept);
}

}  // namespace
