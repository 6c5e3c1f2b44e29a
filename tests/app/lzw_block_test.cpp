#include "app/lzw_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<std::uint8_t> Expand(const std::vector<std::uint8_t>& coded) {
  std::vector<std::uint8_t> plain(static_cast<std::size_t>(LzwPlainSize(coded)));
  EXPECT_EQ(LzwExpand(plain, coded), static_cast<long>(plain.size()));
  return plain;
}

// Bits 16-23 of each next x of the LCG x <- (1103515245 x + 12345) mod 2^31, x = 1 first.
std::vector<std::uint8_t> LcgBytes(std::size_t n) {
  std::vector<std::uint8_t> out(n);
  std::uint32_t x = 1;
  for (auto& b : out) {
    x = (1103515245u * x + 12345u) & 0x7FFFFFFFu;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  return out;
}

TEST(LzwBlock, CodedLengthsAndRoundTrips) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> plain;
    std::size_t codedSize;
  };
  std::vector<std::uint8_t> ramp;
  for (int k = 0; k < 40; ++k)
    for (int b = 0; b < 256; ++b) ramp.push_back(static_cast<std::uint8_t>(b));
  const Case cases[] = {
      {"1000 zero bytes", std::vector<std::uint8_t>(1000, 0), 72},
      {"empty block", {}, 24},
      {"bytes 0-255 forty times", ramp, 2920},
      // Incompressible data fills the dictionary twice: the coder resets it and goes on.
      {"10000 LCG bytes", LcgBytes(10000), 13632},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::uint8_t> coded = LzwCode(c.plain);
    EXPECT_EQ(coded.size(), c.codedSize);
    EXPECT_EQ(coded.size() % 8, 0u);
    EXPECT_EQ(LzwPlainSize(coded), static_cast<long>(c.plain.size()));
    EXPECT_EQ(Expand(coded), c.plain);
  }
}

TEST(LzwBlock, ZeroBlockStreamStartsAndEndsAsRecorded) {
  const std::vector<std::uint8_t> coded = LzwCode(std::vector<std::uint8_t>(1000, 0));
  ASSERT_EQ(coded.size(), 72u);
  const std::uint8_t head[] = {0x80, 0x08, 0x0A, 0x25, 0x62, 0x91, 0x2C, 0x98};
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(coded[i], head[i]) << i;
  EXPECT_EQ(coded[70], 0x55);
  EXPECT_EQ(coded[71], 0xFF);
}

TEST(LzwBlock, DamagedHeaderIsRefused) {
  const std::vector<std::uint8_t> good = LzwCode(std::vector<std::uint8_t>(1000, 7));
  std::vector<std::uint8_t> dest(1000);
  // The second code carries the blank; its bits start at bit 9 of the stream. Changing a
  // later byte of the header changes either the magic or the sum check.
  int refused = 0;
  for (std::size_t i = 1; i < 12; ++i) {
    std::vector<std::uint8_t> bad = good;
    bad[i] ^= 0x10;
    if (LzwPlainSize(bad) == 1000) continue;  // the flipped bit lay in the data
    ++refused;
    EXPECT_EQ(LzwPlainSize(bad), 0) << i;
    EXPECT_EQ(LzwExpand(dest, bad), -2) << i;
  }
  EXPECT_GE(refused, 8);
  EXPECT_EQ(LzwPlainSize({}), 0);
  EXPECT_EQ(LzwExpand(dest, {}), -2);
}

TEST(LzwBlock, DestinationTooSmallOrStreamCutShortIsRefused) {
  const std::vector<std::uint8_t> plain = LcgBytes(5000);
  std::vector<std::uint8_t> coded = LzwCode(plain);
  std::vector<std::uint8_t> small(4999);
  EXPECT_EQ(LzwExpand(small, coded), -2);
  coded.resize(coded.size() / 2);
  std::vector<std::uint8_t> dest(5000);
  EXPECT_EQ(LzwExpand(dest, coded), -2);
}

TEST(LzwBlock, RandomDamageNeverOverrunsOrHangs) {
  // Run under AddressSanitizer by scripts/sanitize: every damaged stream must end in -2 or a
  // full expansion, never a write past the destination.
  const std::vector<std::uint8_t> plain = LcgBytes(3000);
  const std::vector<std::uint8_t> good = LzwCode(plain);
  std::uint32_t x = 12345;
  auto next = [&] { return x = x * 1664525u + 1013904223u; };
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> bad = good;
    const int flips = 1 + static_cast<int>(next() % 8);
    for (int k = 0; k < flips; ++k) {
      // Keep the header intact half of the time so that the data path is exercised.
      const std::size_t lo = (round % 2) ? 24 : 0;
      bad[lo + next() % (bad.size() - lo)] = static_cast<std::uint8_t>(next() >> 24);
    }
    std::vector<std::uint8_t> dest(3000);
    const long r = LzwExpand(dest, bad);
    EXPECT_TRUE(r == -2 || r == 3000) << r;
  }
}

TEST(LzwBlock, ObjectLocksCodedAndPlainCopies) {
  const std::vector<std::uint8_t> plain = LcgBytes(4096);
  TLZW coded(plain, 77, true);
  EXPECT_TRUE(coded.Compressed());
  EXPECT_EQ(coded.Tag(), 77u);
  EXPECT_EQ(coded.PlainSize(), plain.size());
  const std::uint8_t* p = coded.Lock();
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(coded.Locked());
  EXPECT_EQ(std::vector<std::uint8_t>(p, p + plain.size()), plain);
  coded.Unlock();
  EXPECT_FALSE(coded.Locked());

  TLZW copy(plain, 0, false);
  EXPECT_FALSE(copy.Compressed());
  EXPECT_EQ(copy.StoredSize(), plain.size());
  p = copy.Lock();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::vector<std::uint8_t>(p, p + plain.size()), plain);

  TLZW empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.Lock(), nullptr);

  const std::vector<std::uint8_t> stored = coded.Detach();
  EXPECT_TRUE(coded.Empty());
  EXPECT_EQ(LzwPlainSize(stored), 4096);
}

}  // namespace
