#include "app/bitmap_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/byte_codec.h"
#include "app/file_utils.h"
#include "support/scratch_files.h"

namespace {

std::vector<std::uint8_t> InfoHeader(int bitCount, std::uint32_t usedColors) {
  std::vector<std::uint8_t> h(kDibInfoHeaderSize, 0);
  bytes::StoreU32(h.data(), kDibInfoHeaderSize);
  bytes::StoreU16(h.data() + 14, static_cast<std::uint16_t>(bitCount));
  bytes::StoreU32(h.data() + 32, usedColors);
  return h;
}

std::vector<std::uint8_t> CoreHeader(int bitCount) {
  std::vector<std::uint8_t> h(kDibCoreHeaderSize, 0);
  bytes::StoreU32(h.data(), kDibCoreHeaderSize);
  bytes::StoreU16(h.data() + 10, static_cast<std::uint16_t>(bitCount));
  return h;
}

// A picture of a few flat colours, as a graph is.
std::vector<std::uint32_t> Picture(int w, int h, int colours) {
  std::vector<std::uint32_t> p(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p[static_cast<std::size_t>(y) * w + x] =
          0xFF000000u | static_cast<std::uint32_t>(((x / 3 + y / 5) % colours) * 0x10305);
  return p;
}

TEST(BitmapFiles, ColourTableSizes) {
  EXPECT_EQ(DibNumColors(InfoHeader(24, 0)), 0);
  EXPECT_EQ(DibNumColors(InfoHeader(8, 17)), 17);
  EXPECT_EQ(DibNumColors(InfoHeader(8, 0)), 256);
  EXPECT_EQ(DibNumColors(InfoHeader(4, 0)), 16);
  EXPECT_EQ(DibNumColors(InfoHeader(1, 0)), 2);
  EXPECT_EQ(DibPaletteBytes(InfoHeader(8, 0)), 1024u);
  EXPECT_EQ(DibNumColors(CoreHeader(4)), 16);
  EXPECT_EQ(DibPaletteBytes(CoreHeader(8)), 768u);
  EXPECT_EQ(DibNumColors({}), 0);
}

TEST(BitmapFiles, EightBitFileOfAGraphHasItsExactSize) {
  // A 400 x 300 graph is copied as a 401 x 301 bitmap.
  const std::vector<std::uint8_t> dib = MakeDib(Picture(401, 301, 12), 401, 301, 8);
  const std::vector<std::uint8_t> file = DibFileBytes(dib);
  EXPECT_EQ(file.size(), 122682u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(bytes::LoadU32(file.data() + 2), 122682u);
  EXPECT_EQ(bytes::LoadU32(file.data() + 10), 14u + 40u + 1024u);

  ScratchDir dir;
  const auto path = dir.Path() / "graph.dib";
  ASSERT_TRUE(SaveDIBFile(path, dib));
  EXPECT_EQ(LoadFileToGlobal(path), file);
  EXPECT_FALSE(SaveDIBFile(dir.Path() / "none.dib", {}));
}

TEST(BitmapFiles, EveryBitCountReadsBackItsPixels) {
  struct Case {
    int bitCount;
    int colours;
  };
  for (const Case c : {Case{1, 2}, Case{4, 9}, Case{8, 200}, Case{24, 300}, Case{32, 300}}) {
    SCOPED_TRACE(c.bitCount);
    const int w = 37, h = 11;  // odd widths exercise the row padding
    const std::vector<std::uint32_t> picture = Picture(w, h, c.colours);
    DibPicture back;
    ASSERT_TRUE(ReadDib(MakeDib(picture, w, h, c.bitCount), back));
    EXPECT_EQ(back.width, w);
    EXPECT_EQ(back.height, h);
    EXPECT_EQ(back.pixels, picture);
  }
}

TEST(BitmapFiles, TooManyColoursMapToTheNearestOfTheFixedTable) {
  std::vector<std::uint32_t> picture;
  for (std::uint32_t k = 0; k < 1000; ++k) picture.push_back(0xFF000000u | (k * 16777));
  DibPicture back;
  ASSERT_TRUE(ReadDib(MakeDib(picture, 1000, 1, 8), back));
  for (std::size_t i = 0; i < picture.size(); ++i) {
    long d2 = 0;
    for (int shift : {0, 8, 16}) {
      const long d = static_cast<long>(picture[i] >> shift & 0xFF) - static_cast<long>(back.pixels[i] >> shift & 0xFF);
      d2 += d * d;
    }
    EXPECT_LE(d2, 3 * 26 * 26) << i;  // never farther than the nearest corner of the cube's cell
  }
}

TEST(BitmapFiles, MalformedDibsAreRefused) {
  DibPicture out;
  std::vector<std::uint8_t> dib = MakeDib(Picture(20, 20, 5), 20, 20, 8);
  EXPECT_FALSE(ReadDib(std::span(dib).first(dib.size() - 1), out));  // bits cut short
  std::vector<std::uint8_t> huge = dib;
  bytes::StoreU32(huge.data() + 4, 0x7FFFFFFF);
  EXPECT_FALSE(ReadDib(huge, out));
  std::vector<std::uint8_t> rle = dib;
  bytes::StoreU32(rle.data() + 16, 1);
  EXPECT_FALSE(ReadDib(rle, out));
  std::vector<std::uint8_t> oddHeader = dib;
  bytes::StoreU32(oddHeader.data(), 0xFFFFFFF0u);
  EXPECT_FALSE(ReadDib(oddHeader, out));
  // Random bytes behind a plausible header never read out of bounds (AddressSanitizer).
  std::uint32_t x = 99;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> bad = dib;
    bad.resize(40 + (x = x * 1664525u + 1013904223u) % bad.size());
    for (int k = 0; k < 6; ++k) {
      x = x * 1664525u + 1013904223u;
      bad[x % std::min<std::size_t>(bad.size(), 48)] = static_cast<std::uint8_t>(x >> 24);
    }
    (void)ReadDib(bad, out);
  }
}

TEST(BitmapFiles, PlaceableHeaderChecksumAndRewrite) {
  const std::vector<std::uint8_t> h = PlaceableHeader({0, 0, 1000, 800}, 1440);
  ASSERT_EQ(h.size(), kPlaceableHeaderSize);
  EXPECT_EQ(bytes::LoadU32(h.data()), kPlaceableKey);
  EXPECT_EQ(bytes::LoadU16(h.data() + 10), 1000);
  EXPECT_EQ(bytes::LoadU16(h.data() + 12), 800);
  EXPECT_EQ(bytes::LoadU16(h.data() + 14), 1440);
  EXPECT_EQ(bytes::LoadU16(h.data() + 20), 0x5279);

  ScratchDir dir;
  const auto path = dir.Path() / "graph.wmf";
  const std::vector<std::uint8_t> body = {1, 0, 9, 0, 0, 3, 5, 6, 7};
  ASSERT_TRUE(SaveGlobalToFile(body, path));
  ASSERT_TRUE(AddPlaceableHeader(path, {0, 0, 1000, 800}, 1440));
  std::vector<std::uint8_t> expected = h;
  expected.insert(expected.end(), body.begin(), body.end());
  EXPECT_EQ(LoadFileToGlobal(path), expected);
  EXPECT_FALSE(AddPlaceableHeader(dir.Path() / "missing.wmf", {0, 0, 1, 1}, 96));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "missing.wmf"));
}

}  // namespace
