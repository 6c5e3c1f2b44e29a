// A picture as the image cache keeps it: the byte count and the little-endian words of the
// pixels, or a 32-bit DIB, plain or coded by kind; a coded frame expands to the plain one.
#include "graph3d/frame_codec.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/bitmap_files.h"

namespace {

// 3 x 2 pixels: red, green, blue over white, black, grey.
const std::vector<std::uint32_t> kPicture = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu,
                                             0xFFFFFFFFu, 0xFF000000u, 0xFF808080u};

std::vector<std::uint8_t> Plain(TLZW& frame) {
  const std::uint8_t* data = frame.Lock();
  std::vector<std::uint8_t> plain(data, data + frame.PlainSize());
  frame.Unlock();
  return plain;
}

TEST(FrameCodec, EveryKindKeepsThePicture) {
  const struct {
    int kind;
    bool coded;
    bool dib;
  } kinds[] = {{kImageBits, false, false}, {kImageDib, false, true},     {kImageRleDib, true, false},
               {kImageLzwBits, true, false}, {kImageLzwDib, true, true}, {7, true, false}};
  for (const auto& k : kinds) {
    std::unique_ptr<TLZW> frame = EncodeFramePixels(kPicture, 3, 2, k.kind, 42);
    ASSERT_NE(frame, nullptr) << k.kind;
    EXPECT_EQ(frame->Tag(), 42u);
    EXPECT_EQ(frame->Compressed(), k.coded) << k.kind;
    const std::vector<std::uint8_t> plain = Plain(*frame);
    if (k.dib) {
      DibPicture picture;
      ASSERT_TRUE(ReadDib(plain, picture)) << k.kind;
      EXPECT_EQ(picture.width, 3);
      EXPECT_EQ(picture.height, 2);
      EXPECT_EQ(picture.pixels, kPicture);
    } else {
      // The byte count, then each pixel as 0xFFRRGGBB low byte first.
      const std::vector<std::uint8_t> expected = {24, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0xFF,
                                                  0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0x80, 0x80, 0x80, 0xFF};
      EXPECT_EQ(plain, expected) << k.kind;
    }
  }
}

TEST(FrameCodec, PicturesThatDoNotAddUpAreRefused) {
  EXPECT_EQ(EncodeFramePixels(kPicture, 4, 2, kImageBits, 1), nullptr);
  EXPECT_EQ(EncodeFramePixels({}, 0, 0, kImageLzwBits, 1), nullptr);
  EXPECT_EQ(EncodeFramePixels(kPicture, -3, -2, kImageDib, 1), nullptr);
}

TEST(FrameCodec, StoredKindsReadAsTheKindsKeptHere) {
  EXPECT_EQ(EffectiveImageKind(kImageBits), kImageBits);
  EXPECT_EQ(EffectiveImageKind(kImageDib), kImageDib);
  EXPECT_EQ(EffectiveImageKind(kImageRleDib), kImageLzwBits);  // no 256-colour displays here
  EXPECT_EQ(EffectiveImageKind(kImageLzwBits), kImageLzwBits);
  EXPECT_EQ(EffectiveImageKind(kImageLzwDib), kImageLzwDib);
  EXPECT_EQ(EffectiveImageKind(-1), kImageLzwBits);
  EXPECT_EQ(EffectiveImageKind(9), kImageLzwBits);
}

}  // namespace
