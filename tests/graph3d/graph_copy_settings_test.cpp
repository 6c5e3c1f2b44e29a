// The copy settings record (settings field 24) and the monochrome graph types.
#include <gtest/gtest.h>

#include "graph3d/graph_copy_settings.h"

namespace {

std::vector<std::uint8_t> Record(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  std::vector<std::uint8_t> out;
  for (std::int32_t v : {a, b, c, d})
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * k)));
  return out;
}

TEST(CopyGraphSettings, DefaultsAreMetafileColourFrame) {
  const TCopyGraphSettings d;
  EXPECT_EQ(EncodeCopyGraphSettings(d), Record(1, 1, 1, 0));
  EXPECT_EQ(DecodeCopyGraphSettings(Record(1, 1, 1, 0)), d);
}

TEST(CopyGraphSettings, EveryDestinationRoundTrips) {
  for (int destination : {0, 1, 2, 4, 5, 6, 7}) {
    const std::vector<std::uint8_t> bytes = Record(destination, 0, 1, 1);
    const TCopyGraphSettings s = DecodeCopyGraphSettings(bytes);
    EXPECT_EQ(static_cast<int>(s.destination), destination);
    EXPECT_FALSE(s.useColor);
    EXPECT_TRUE(s.frame);
    EXPECT_TRUE(s.preserveSymbols);
    EXPECT_EQ(EncodeCopyGraphSettings(s), bytes);
  }
}

TEST(CopyGraphSettings, DamagedRecordsGiveTheDefaults) {
  const TCopyGraphSettings d;
  for (const auto& bytes : {Record(3, 1, 1, 0), Record(8, 1, 1, 0), Record(-1, 1, 1, 0), Record(2, 2, 1, 0),
                            Record(2, 1, 1, -1), std::vector<std::uint8_t>(12, 0), std::vector<std::uint8_t>{}})
    EXPECT_EQ(DecodeCopyGraphSettings(bytes), d);
}

TEST(CopyGraphSettings, MonochromeTypes) {
  // Wire frame and mesh stay; gradients (2-15) copy as 9, shaded (16-19) as 16.
  const int expected[20] = {0, 1, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 16, 16, 16, 16};
  for (int type = 0; type < 20; ++type) EXPECT_EQ(MonochromeGraphType(type), expected[type]) << type;
}

}  // namespace
