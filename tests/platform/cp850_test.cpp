// The program's Windows-1252 text in code page 850, the code page of Lotus worksheet labels.
#include "platform/cp850.h"

#include <gtest/gtest.h>

#include "platform/cp1252.h"

namespace {

TEST(Cp850, EveryCharacterTheCodePageHoldsComesBackAndTheOthersBecomeQuestionMarks) {
  int held = 0;
  for (int b = 0x20; b < 0x100; ++b) {
    const std::string one(1, static_cast<char>(b));
    const std::string converted = platform::Cp1252ToCp850(one);
    ASSERT_EQ(converted.size(), 1u);
    const int code = platform::UnicodeToCp850(platform::Cp1252ToUnicode(static_cast<unsigned char>(b)));
    if (code < 0 || b == 0x7F) {
      EXPECT_EQ(converted, "?") << b;
    } else {
      EXPECT_EQ(static_cast<unsigned char>(converted[0]), code) << b;
      ++held;
    }
  }
  // Printable ASCII, every byte from 0xA0 on, and of 0x80-0x9F only the florin (counted with
  // Python's cp1252 and cp850 codecs).
  EXPECT_EQ(held, 95 + 96 + 1);
  // Words a scientist writes: accents, micro, degree, plus-minus, squared, sharp s.
  EXPECT_EQ(platform::Cp1252ToCp850("\xE9\xE8\xFC\xC4\xB5\xB0\xB1\xB2\xDF"), "\x82\x8A\x81\x8E\xE6\xF8\xF1\xFD\xE1");
  // Control bytes announce other character sets to the readers: never written.
  EXPECT_EQ(platform::Cp1252ToCp850(std::string("a\x01\x14z\x80", 5)), "a??z?");
}

TEST(Cp850, LabelsReadBackAsWritten) {
  for (int b = 0x20; b < 0x100; ++b) {
    const std::string one(1, static_cast<char>(b));
    const std::string there = platform::Cp1252ToCp850(one);
    if (there != "?") {
      EXPECT_EQ(platform::Cp850ToCp1252(there), one) << b;
    }
  }
  // Box drawing has no Windows-1252 character; control bytes announce other sets.
  EXPECT_EQ(platform::Cp850ToCp1252(std::string("\xB0\xC4x\x01\x81", 5)), "??x?\xFC");
}

}  // namespace
