#include "app/ui/coded_caption.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

// Titles and names as a caption shows them: the characters the graph draws, not the codes.
// The Symbol characters are those of the published Symbol-to-Unicode table (a alpha, b beta,
// q theta, W Omega, 0xB6 the partial sign, 0xB0 the degree sign), the others Windows-1252.
TEST(CodedTextCaption, SymbolRunsShowTheirCharactersAndCodesAreDropped) {
  const struct {
    std::string coded;
    QString shown;
  } cases[] = {
      {"Plate ~@a~@ at 20\xB0"
       "C",
       QString::fromUtf8("Plate \u03B1 at 20\u00B0C")},
      {"~@\xB6~@Z/~@\xB6~@X", QString::fromUtf8("\u2202Z/\u2202X")},
      {"~@abq~@ W ~@W~@", QString::fromUtf8("\u03B1\u03B2\u03B8 W \u03A9")},
      // Bold, italic, subscript and colours show as plain text; "~~" is one tilde.
      {"~*Yield~* ~&of~& ~!batch~! a~`1~` 100~~", "Yield of batch a1 100~"},
      // Switching any font off goes back to the plain font: b after "~*~@a~*" is a b.
      {"~*~@a~*b", QString::fromUtf8("\u03B1b")},
      // Superscripts as the text exports write them.
      {"x~^2~^ + r~^abc~^ + e~^(k)~^", "x^2 + r^(abc) + e^(k)"},
      {"\x80 5", QString::fromUtf8("\u20AC 5")},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CodedTextCaption(c.coded), c.shown) << c.coded;
}

// Hostile titles: a code cut at the end, an unclosed run, text after a NUL (a fixed-size
// field ends there), tildes alone.
TEST(CodedTextCaption, CutAndUnclosedCodesEndCleanly) {
  EXPECT_EQ(CodedTextCaption("Title~"), "Title");
  EXPECT_EQ(CodedTextCaption("~"), "");
  EXPECT_EQ(CodedTextCaption("~~~"), "~");
  EXPECT_EQ(CodedTextCaption("~@ab"), QString::fromUtf8("\u03B1\u03B2"));
  EXPECT_EQ(CodedTextCaption("x~^10"), "x^(10)");
  EXPECT_EQ(CodedTextCaption("Ridge\0~@a~@"s), "Ridge");
  EXPECT_EQ(CodedTextCaption("~Q~7plain"), "plain");  // codes without effect
}

}  // namespace
