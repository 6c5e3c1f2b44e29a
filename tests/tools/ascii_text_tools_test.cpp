#include "tools/ascii_text_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/german_locale.h"
#include "support/scratch_files.h"

namespace {

std::string Replaced(std::string text, char from, char to) {
  ReplaceOutsideQuotes(text, from, to);
  return text;
}
std::string Minimized(std::string text, Delimiter d) {
  MinimizeSpace(text, d);
  return text;
}

TEST(AsciiTextTools, EuropeanCommasBecomePointsOutsideQuotes) {
  EXPECT_EQ(Replaced("1,5;2,25", ',', '.'), "1.5;2.25");
  EXPECT_EQ(Replaced("\"Druck, bar\" 1,5\n\"open 2,5\n3,5", ',', '.'), "\"Druck, bar\" 1.5\n\"open 2,5\n3.5");
}

TEST(AsciiTextTools, BlanksCompressToOneDelimiter) {
  const std::string spaced = "   1  \t 2     3   ";
  EXPECT_EQ(Minimized(spaced, Delimiter::kComma), "1,2,3");
  EXPECT_EQ(Minimized(spaced, Delimiter::kSpace), "1 2 3");
  EXPECT_EQ(Minimized(spaced, Delimiter::kTab), "1\t2\t3");
  // Every line loses its leading and trailing blanks; commas become the delimiter too,
  // quoted text keeps its own.
  EXPECT_EQ(Minimized("  1,2  \r\n\t 3 \"a b\"  \n", Delimiter::kSpace), "1 2\r\n3 \"a b\"\n");
  EXPECT_EQ(Minimized("1, 2 3", Delimiter::kTab), "1\t\t2\t3");
  EXPECT_TRUE(IsEditorTextEmpty(""));
  EXPECT_FALSE(IsEditorTextEmpty("\n"));
}

TEST(AsciiTextTools, LineEndsOfTheEditAndOfFiles) {
  EXPECT_EQ(ToEditorText("a\r\nb\rc\n\0d"), "a\nb\nc\n");
  EXPECT_EQ(ToEditorText(std::string("x\0y", 3)), "xy");
  EXPECT_EQ(ToCrLfText("a\nb"), "a\r\nb\r\n");
  EXPECT_EQ(ToCrLfText("a\r\n\r\nb\r"), "a\r\n\r\nb\r\n");
  EXPECT_EQ(ToCrLfText(""), "");
  EXPECT_TRUE(SpansLines("1 2 3\n4 5 6"));
  EXPECT_TRUE(SpansLines("1 2 3\r\n4"));
  EXPECT_FALSE(SpansLines("1 2 3\r\n"));
  EXPECT_FALSE(SpansLines("1 2 3"));
}

// Two selected lines of three numbers copy as a worksheet of two rows and three number
// cells; gnumeric reads them back (skipped where its converter is not installed).
TEST(AsciiTextTools, ATwoLineSelectionIsAWorksheetThatGnumericReadsBack) {
  if (std::system("command -v ssconvert >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ssconvert";
  ScratchDir dir;
  for (int form : {1, 3}) {
    const std::vector<std::uint8_t> sheet = SelectionWorksheet("1 2 3\n4.5,-5, 0.25\n", form);
    ASSERT_FALSE(sheet.empty());
    const std::string path = dir.Write(form == 1 ? "s.wk1" : "s.wk3", sheet);
    const std::string command =
        "LC_ALL=C.UTF-8 ssconvert -I Gnumeric_lotus:lotus '" + path + "' '" + dir.File("s.csv") + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << form;
    EXPECT_EQ(ReadText(dir.File("s.csv")), "1,2,3\n4.5,-5,0.25\n") << form;
  }
  // Labels: quoted text, words, a lone sign, an empty cell between two commas.
  const std::string path = dir.Write("l.wk1", SelectionWorksheet("\"Run 1\" depth - 7,,8", 1));
  const std::string command =
      "LC_ALL=C.UTF-8 ssconvert -I Gnumeric_lotus:lotus '" + path + "' '" + dir.File("l.csv") + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadText(dir.File("l.csv")), "\"Run 1\",depth,-,7,,8\n");
}

TEST(AsciiTextTools, WorksheetNumbersAreReadWithAPointUnderAGermanLocale) {
  USE_GERMAN_LOCALE(german);
  const std::vector<std::uint8_t> sheet = SelectionWorksheet("1.5 2.25\n", 1);
  auto holds = [&](double v) {
    unsigned char bytes[8];
    std::memcpy(bytes, &v, 8);
    return std::search(sheet.begin(), sheet.end(), bytes, bytes + 8) != sheet.end();
  };
  EXPECT_TRUE(holds(1.5));
  EXPECT_TRUE(holds(2.25));
  EXPECT_TRUE(SelectionWorksheet("", 1).empty());
  EXPECT_TRUE(SelectionWorksheet("\r\n", 1).empty());
}

// Hostile text through every conversion: unbalanced quotes, lone signs, long tokens, NUL
// bytes, CR without LF. The edit's text holds neither CR nor NUL, files get one CR LF a
// line, the conversions never change the number of lines, and the
// worksheet of any selection is well formed (begins with its first record); run under the
// sanitizers too.
TEST(AsciiTextTools, HostileTextThroughEveryConversion) {
  std::uint64_t state = 0x9E3779B97F4A7C15ULL;
  auto next = [&state] {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    return state;
  };
  const std::string pieces[] = {" ", "\t", ",", ",,", "\"", "'", "\r\n", "\n", "\r", "-", "+", ".", "1e", "1E+999",
                                "-.5e-3", std::string(1, '\0'), "abc", std::string(2000, '9')};
  for (int round = 0; round < 1500; ++round) {
    std::string text;
    const int parts = static_cast<int>(next() % 40);
    for (int i = 0; i < parts; ++i) text += pieces[next() % std::size(pieces)];
    const std::string editor = ToEditorText(text);
    EXPECT_EQ(editor.find_first_of(std::string("\r\0", 2)), std::string::npos);
    const auto lines = std::count(editor.begin(), editor.end(), '\n');
    for (Delimiter d : {Delimiter::kSpace, Delimiter::kComma, Delimiter::kTab}) {
      std::string t = editor;
      MinimizeSpace(t, d);
      EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), lines);
    }
    std::string european = editor;
    ReplaceOutsideQuotes(european, ',', '.');
    EXPECT_EQ(european.size(), editor.size());
    const std::string crlf = ToCrLfText(editor);
    // Every line ended by one CR LF.
    EXPECT_EQ(std::count(crlf.begin(), crlf.end(), '\r'), std::count(crlf.begin(), crlf.end(), '\n'));
    EXPECT_EQ(crlf.find("\r\r"), std::string::npos);
    for (int form : {1, 3}) {
      const std::vector<std::uint8_t> sheet = SelectionWorksheet(editor, form);
      if (!sheet.empty()) {
        ASSERT_GE(sheet.size(), 4u);
        EXPECT_EQ(sheet[0], 0);
        EXPECT_EQ(sheet[1], 0);
      }
    }
  }
}

}  // namespace
