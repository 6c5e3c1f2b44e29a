#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/emf_recorder.h"
#include "platform/wmf_recorder.h"
#include "support/metafile_scene.h"

namespace {

using platform::Brush;
using platform::Color;
using platform::Font;
using platform::Pen;
using platform::Point;

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return U16(b, at) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

// Walks the records: sizes chain to the end, the last record is the end mark. Answers the
// functions met, in order.
std::vector<std::uint32_t> WmfFunctions(const std::vector<std::uint8_t>& b) {
  std::vector<std::uint32_t> functions;
  std::size_t at = 18;
  while (at + 6 <= b.size()) {
    const std::uint32_t words = U32(b, at);
    EXPECT_GE(words, 3u);
    if (words < 3) break;
    functions.push_back(U16(b, at + 4));
    at += 2 * static_cast<std::size_t>(words);
  }
  EXPECT_EQ(at, b.size());
  return functions;
}

std::vector<std::uint32_t> EmfTypes(const std::vector<std::uint8_t>& b) {
  std::vector<std::uint32_t> types;
  std::size_t at = 0;
  while (at + 8 <= b.size()) {
    const std::uint32_t size = U32(b, at + 4);
    EXPECT_EQ(size % 4, 0u);
    EXPECT_GE(size, 8u);
    if (size < 8) break;
    types.push_back(U32(b, at));
    at += size;
  }
  EXPECT_EQ(at, b.size());
  return types;
}

TEST(MetafileRecorders, WmfHeaderAndRecordsAreConsistent) {
  platform::WmfRecorder wmf(202, 152, 96, nullptr);
  DrawMetafileScene(wmf);
  const std::vector<std::uint8_t> b = wmf.Finish();
  ASSERT_GE(b.size(), 18u);
  EXPECT_EQ(U16(b, 0), 1);
  EXPECT_EQ(U16(b, 2), 9);
  EXPECT_EQ(U16(b, 4), 0x0300);
  EXPECT_EQ(U32(b, 6) * 2, b.size());
  const std::vector<std::uint32_t> f = WmfFunctions(b);
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(f.back(), 0u);
  // The window: origin (0, 0), extent as asked (y first).
  EXPECT_EQ(f[0], 0x020Bu);
  EXPECT_EQ(f[1], 0x020Cu);
  EXPECT_EQ(U16(b, 18 + 10 + 6), 152);
  EXPECT_EQ(U16(b, 18 + 10 + 8), 202);
  // Objects: a pen, a brush and a font at most, plus the one that replaces one of them.
  EXPECT_LE(U16(b, 10), 4);
  std::uint32_t largest = 0;
  for (std::size_t at = 18; at < b.size(); at += 2 * U32(b, at)) largest = std::max(largest, U32(b, at));
  EXPECT_EQ(U32(b, 12), largest);
  // Every object made is deleted again, and a pixel of palette entry 0 is stored as its RGB.
  EXPECT_EQ(std::count(f.begin(), f.end(), 0x02FAu) + std::count(f.begin(), f.end(), 0x02FCu) +
                std::count(f.begin(), f.end(), 0x02FBu),
            std::count(f.begin(), f.end(), 0x01F0u));
  const auto pixel = std::find(f.begin(), f.end(), 0x041Fu);
  ASSERT_NE(pixel, f.end());
}

TEST(MetafileRecorders, EmfHeaderAndRecordsAreConsistent) {
  const std::string description("QVRK\0Graph\0\0", 12);
  platform::EmfRecorder emf(201, 151, 96, nullptr, description);
  DrawMetafileScene(emf);
  const std::vector<std::uint8_t> b = emf.Finish();
  EXPECT_EQ(U32(b, 0), 1u);
  EXPECT_EQ(U32(b, 40), 0x464D4520u);
  EXPECT_EQ(U32(b, 48), b.size());
  const std::vector<std::uint32_t> types = EmfTypes(b);
  EXPECT_EQ(U32(b, 52), types.size());
  EXPECT_EQ(types.back(), 14u);
  EXPECT_EQ(U32(b, 8 + 8), 200u);  // bounds right, inclusive
  EXPECT_EQ(U32(b, 60), 12u);      // description characters, NULs included
  EXPECT_EQ(U16(b, U32(b, 64) + 10), 'G');
  // Handles: 0 for the metafile, then at most four live objects.
  EXPECT_LE(U16(b, 56), 5);
  EXPECT_EQ(std::count(types.begin(), types.end(), 84u), 2);
}

}  // namespace
