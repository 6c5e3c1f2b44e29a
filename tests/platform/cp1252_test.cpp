// Windows-1252 against Unicode, and UTF-8 names brought into the program's coded text.
#include "platform/cp1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1252, BytesAndCharactersMapBothWays) {
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(platform::UnicodeToCp1252(platform::Cp1252ToUnicode(static_cast<unsigned char>(b))), b) << b;
  EXPECT_EQ(platform::Cp1252ToUnicode(0x80), u'\u20AC');
  EXPECT_EQ(platform::UnicodeToCp1252(U'\u03A9'), -1);
}

TEST(Cp1252, Utf8NamesBecomeCodedText) {
  struct Case {
    const char* utf8;
    const char* coded;
  };
  const Case cases[] = {
      {"plain.dat", "plain.dat"},
      {"messwerte_\xC3\xBC.dat", "messwerte_\xFC.dat"},      // u umlaut
      {"\xE2\x82\xAC" "5", "\x80" "5"},                        // euro sign
      {"\xCE\xA9-\xF0\x9F\x98\x80", "?-?"},                    // no Windows-1252 byte
      {"latin1_\xFC.dat", "latin1_\xFC.dat"},                  // not UTF-8: kept
      {"\xC0\xAF\xE0\x80\xAF\xED\xA0\x80", "\xC0\xAF\xE0\x80\xAF\xED\xA0\x80"},  // overlong, surrogate
      {"cut\xE2\x82", "cut\xE2\x82"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::Utf8ToCp1252(c.utf8), c.coded) << c.utf8;
}

TEST(Cp1252, CodedTextBecomesUtf8AndComesBack) {
  std::string every;
  for (int b = 1; b < 256; ++b) every += static_cast<char>(b);
  EXPECT_EQ(platform::Utf8ToCp1252(platform::Cp1252ToUtf8(every)), every);
  EXPECT_EQ(platform::Cp1252ToUtf8("H\xF6he \x80" "5"), "H\xC3\xB6he \xE2\x82\xAC" "5");
  // Held to a byte count, a character that does not fit whole is left out.
  EXPECT_EQ(platform::Cp1252ToUtf8("ab\x80", 4), "ab");
  EXPECT_EQ(platform::Cp1252ToUtf8("ab\x80", 5), "ab\xE2\x82\xAC");
  EXPECT_EQ(platform::Cp1252ToUtf8("\xFC\xFC\xFC", 5), "\xC3\xBC\xC3\xBC");
}

}  // namespace
