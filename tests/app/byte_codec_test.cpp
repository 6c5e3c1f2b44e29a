#include "app/byte_codec.h"
#include "app/c_format.h"

#include <array>
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using bytes::ByteReader;
using bytes::ByteWriter;

TEST(ExtendedReal, MissingValueHasItsStoredBytes) {
  // The missing value is the double -12345.6789 widened, as every stored file carries it.
  const std::array<std::uint8_t, 10> expected = {0x00, 0x08, 0xC5, 0x8F, 0x31,
                                                 0xB7, 0xE6, 0xC0, 0x0C, 0xC0};
  std::uint8_t out[10];
  bytes::EncodeExtended(ExprErrorValue, out);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 10),
            std::vector<std::uint8_t>(expected.begin(), expected.end()));
  EXPECT_NE(ExprErrorValue, -12345.6789L);
}

TEST(ExtendedReal, RoundTripsEveryKindOfValue) {
  const long double values[] = {0.0L, -0.0L, 1.0L, -2.5L, 0.1L, 1e-4940L, 1e4931L,
                                std::numeric_limits<long double>::denorm_min(),
                                std::numeric_limits<long double>::infinity()};
  for (long double v : values) {
    std::uint8_t out[10];
    bytes::EncodeExtended(v, out);
    const long double back = bytes::DecodeExtended(out);
    EXPECT_EQ(std::signbit(back), std::signbit(v));
    EXPECT_EQ(back, v);
  }
  // 1.0 is mantissa 0x8000000000000000 with the biased exponent 0x3FFF.
  std::uint8_t one[10];
  bytes::EncodeExtended(1.0L, one);
  EXPECT_EQ(std::vector<std::uint8_t>(one, one + 10),
            (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
}

TEST(ByteCodec, FieldsAreLittleEndianAndRoundTrip) {
  ByteWriter w;
  w.U8(0xAB);
  w.I16(-2);
  w.U32(0x01020304);
  w.F32(1.5f);
  w.F64(-0.25);
  w.Extended(3.0L);
  w.FixedString("abcdef", 4);
  ASSERT_EQ(w.Size(), 1u + 2 + 4 + 4 + 8 + 10 + 4);
  EXPECT_EQ(std::vector<std::uint8_t>(w.Bytes().begin(), w.Bytes().begin() + 7),
            (std::vector<std::uint8_t>{0xAB, 0xFE, 0xFF, 0x04, 0x03, 0x02, 0x01}));

  ByteReader r(w.Bytes());
  EXPECT_EQ(r.U8(), 0xAB);
  EXPECT_EQ(r.I16(), -2);
  EXPECT_EQ(r.U32(), 0x01020304u);
  EXPECT_EQ(r.F32(), 1.5f);
  EXPECT_EQ(r.F64(), -0.25);
  EXPECT_EQ(r.Extended(), 3.0L);
  EXPECT_EQ(r.FixedString(4), "abc");
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.Remaining(), 0u);
}

TEST(ByteCodec, ReadPastTheEndFailsForGoodAndYieldsZerosAndFixedStringsStopAtTheirField) {
  const std::uint8_t data[] = {1, 2, 3};
  ByteReader r(data);
  EXPECT_EQ(r.U16(), 0x0201);
  EXPECT_EQ(r.U32(), 0u);
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.U8(), 0u);  // even though one byte is left
  EXPECT_FALSE(r.Skip(0));
  const std::uint8_t unterminated[] = {'a', 'b', 'c', 'd', 'X'};
  ByteReader s(unterminated);
  EXPECT_EQ(s.FixedString(4), "abcd");
  EXPECT_EQ(s.U8(), 'X');
}

TEST(CFormat, UsesThePointWhateverTheLocale) {
  // A German locale may be missing on the machine; the point must come out either way.
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  EXPECT_EQ(CFormat("%.*Lg", 5, 1.25L), "1.25");
  EXPECT_EQ(CFormat("%s-%d", "x", 7), "x-7");
  EXPECT_EQ(CFormat("%300d", 1).size(), 300u);
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
