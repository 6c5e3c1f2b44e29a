// The stored 3945-byte record: where each field lies, and what the checks refuse.
#include <functional>

#include "tools/udf/udf_record_codec.h"
#include "udf_test_support.h"

namespace {

class RecordCodecTest : public UdfTest {
 protected:
  // A function with every field set to something recognisable.
  static TUdfRecord& Full() {
    TUdfRecord& r = Define(0, "PLANE", "Z=A0+A1*X+A1*Y\r\n", {{"-1e+25", "1", "1e+25"}, {"-5", "ZMEAN", "9"}});
    r.Lower = {-1e25L, -5};
    r.Start = {1, 4};
    r.Upper = {1e25L, 9};
    r.DataMask = 0x2;
    r.DerivMax[0] = 1;
    r.DerivMin[1] = -0.5L;
    r.Compiled = 1;
    return r;
  }
};

TEST_F(RecordCodecTest, FieldsLieAtTheirOffsets) {
  const std::vector<std::uint8_t> b = EncodeUdfRecord(Full());
  ASSERT_EQ(b.size(), 3945u);
  // Name, text, then A1's minimum and start texts and A0's maximum text (80 bytes each).
  const std::pair<std::size_t, const char*> texts[] = {
      {0, "PLANE"}, {15, "Z=A0+A1*X+A1*Y\r\n"}, {1339 + 80, "-5"}, {2139 + 80, "ZMEAN"}, {2939, "1e+25"}};
  for (const auto& [offset, text] : texts) EXPECT_EQ(TextAt(b, offset), text) << offset;
  // A0's and A1's lower limits, A1's start and upper, DerivMax[0] and DerivMin[1].
  const std::pair<std::size_t, long double> reals[] = {{1039, -1e25L}, {1049, -5}, {1149, 4},
                                                       {1249, 9},      {3743, 1},  {3843 + 10, -0.5L}};
  for (const auto& [offset, value] : reals) EXPECT_EQ(ExtendedAt(b, offset), value) << offset;
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 11, b.begin() + 15), (std::vector<std::uint8_t>{2, 0, 1, 0}));
  EXPECT_EQ(U32At(b, 3739), 0x2u);  // the mask
  EXPECT_EQ(b[3943], 1);            // the compiled flag, u16
  EXPECT_EQ(b[3944], 0);
}

TEST_F(RecordCodecTest, RoundTripKeepsEveryFieldButTheCompiledFlag) {
  const TUdfRecord& r = Full();
  TUdfRecord back;
  ASSERT_TRUE(DecodeUdfRecord(EncodeUdfRecord(r), back));
  EXPECT_EQ(back.Compiled, 0);  // the slots of this run hold nothing of a record just read
  back.Compiled = r.Compiled;
  EXPECT_EQ(EncodeUdfRecord(back), EncodeUdfRecord(r));
}

TEST_F(RecordCodecTest, StaleBytesBehindATextAreNotWrittenAndLongNamesAreCut) {
  TUdfRecord& r = Full();
  std::memcpy(r.Name.data(), "AB\0XYZ", 6);
  std::vector<std::uint8_t> b = EncodeUdfRecord(r);
  for (std::size_t i = 2; i < 11; ++i) EXPECT_EQ(b[i], 0) << i;
  // An unterminated name is written cut to 10 characters, so it stays storable.
  std::memcpy(r.Name.data(), "ABCDEFGHIJK", 11);
  EXPECT_TRUE(UdfRecordIsSound(r));
  EXPECT_EQ(TextAt(EncodeUdfRecord(r), 0), "ABCDEFGHIJ");
}

TEST_F(RecordCodecTest, DamagedRecordsAreRefused) {
  const std::vector<std::uint8_t> good = EncodeUdfRecord(Full());
  auto fill = [](std::size_t offset, std::size_t n, std::uint8_t v) {
    return [=](std::vector<std::uint8_t>& b) { std::fill_n(b.begin() + static_cast<long>(offset), n, v); };
  };
  auto put16 = [](std::size_t offset, std::uint16_t v) {
    return [=](std::vector<std::uint8_t>& b) {
      b[offset] = static_cast<std::uint8_t>(v);
      b[offset + 1] = static_cast<std::uint8_t>(v >> 8);
    };
  };
  // Sets the 10 bytes of an extended real: mantissa (integer bit 63) and sign/exponent.
  auto putExtended = [](std::size_t offset, std::uint64_t mantissa, std::uint16_t exponent) {
    return [=](std::vector<std::uint8_t>& b) {
      for (std::size_t i = 0; i < 8; ++i) b[offset + i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
      b[offset + 8] = static_cast<std::uint8_t>(exponent);
      b[offset + 9] = static_cast<std::uint8_t>(exponent >> 8);
    };
  };
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"name without terminator", fill(0, 11, 'N')}, {"text without terminator", fill(15, 1024, 'Z')},
      {"minimum text without terminator", fill(1339 + 80 * 9, 80, '1')},
      {"start text without terminator", fill(2139, 80, '1')},
      {"maximum text without terminator", fill(2939 + 80 * 4, 80, '1')},
      {"parameter count 0", put16(11, 0)}, {"parameter count 11", put16(11, 11)},
      {"parameter count 32767", put16(11, 32767)}, {"parameter count -1", put16(11, 0xFFFF)},
      {"line count -1", put16(13, 0xFFFF)}, {"line count 32767", put16(13, 32767)},
      {"stray mask bit", put16(3739 + 2, 0x0010)},
      {"NaN lower limit", putExtended(1039, 0xC000000000000000ull, 0x7FFF)},
      {"infinite start value", putExtended(1139 + 30, 0x8000000000000000ull, 0x7FFF)},
      {"unnormal upper limit", putExtended(1239, 0x4000000000000000ull, 0x3FFF)},
      {"pseudo-denormal derivative", putExtended(3843, 0x8000000000000000ull, 0x0000)},
  };
  TUdfRecord r;
  for (const Case& c : cases) {
    std::vector<std::uint8_t> b = good;
    c.damage(b);
    EXPECT_FALSE(DecodeUdfRecord(b, r)) << c.what;
  }
  EXPECT_FALSE(DecodeUdfRecord(std::span(good).first(3944), r));
  std::vector<std::uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(DecodeUdfRecord(longer, r));
  // Denormals and zeros in their own encodings are numbers like any other.
  std::vector<std::uint8_t> b = good;
  putExtended(1039, 1, 0)(b);
  EXPECT_TRUE(DecodeUdfRecord(b, r));
  EXPECT_GT(r.Lower[0], 0);
}

}  // namespace
