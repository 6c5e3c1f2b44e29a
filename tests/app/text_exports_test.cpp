// The text windows' line buffer and what is exported from it: Rich Text, worksheets, text
// and WordStar files.
#include "app/text_exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "app/byte_codec.h"
#include "app/c_format.h"
#include "app/coded_text.h"
#include "app/file_utils.h"
#include "app/log_font.h"
#include "app/text_line_buffer.h"
#include "app/worksheet_records.h"
#include "support/scratch_files.h"

namespace {

TRtfFont TenPoint() {
  TRtfFont f;
  f.height = 10;
  f.face = "Courier New";
  f.family = kFamilyModern;
  f.charWidth = 8;
  f.screenDpi = 96;
  return f;
}

TEST(RichText, PlainTextIsEscapedWhole) {
  EXPECT_EQ(CodedTextToRtf("C:\\data\\x.prn", TenPoint(), true), "C:\\\\data\\\\x.prn");
  EXPECT_EQ(CodedTextToRtf("a\\\\b {c} \xE9", TenPoint(), true), "a\\\\\\\\b \\{c\\} \\'e9");
}

TEST(RichText, CodesBecomeRunsWithSizesRaisesAndColours) {
  int codes = 0;
  EXPECT_EQ(CodedTextToRtf("r~^2~^", TenPoint(), true, &codes),
            "\\plain\\f6\\fs20\\cf0 r\\plain\\f6\\fs13\\cf0\\up6 2\\plain\\f6\\fs20\\cf0 ");
  EXPECT_EQ(codes, 4);
  EXPECT_EQ(CodedTextToRtf("~`i~`", TenPoint(), true),
            "\\plain\\f6\\fs20\\cf0 \\plain\\f6\\fs13\\cf0\\dn2 i\\plain\\f6\\fs20\\cf0 ");
  EXPECT_EQ(CodedTextToRtf("~@a~@~*b~*~!c", TenPoint(), true),
            "\\plain\\f6\\fs20\\cf0 \\plain\\f7\\fs20\\cf0 a\\plain\\f6\\fs20\\cf0 "
            "\\plain\\f6\\fs20\\cf0\\b b\\plain\\f6\\fs20\\cf0 \\plain\\f6\\fs20\\cf4 c");
  // Colours off: colour codes are dropped; a doubled tilde is one tilde.
  EXPECT_EQ(CodedTextToRtf("~#x~#~~", TenPoint(), false, &codes), "\\plain\\f6\\fs20\\cf0 x~");
  EXPECT_EQ(codes, 5);
}

TEST(RichText, DocumentWithPlainAndSegmentedLines) {
  TMFile lines("", 10);
  lines.AppendLine("Title {1}");
  const std::uint8_t attr[15] = {6, 6};
  lines.AppendLine("x~^2~^  3.5   ", attr);
  const std::string doc = TextWindowRtf(lines, TenPoint(), true);
  EXPECT_EQ(doc.rfind("{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl", 0), 0u);
  EXPECT_NE(doc.find("{\\f6\\fmodern\\fprq1 Courier New;}"), std::string::npos);
  EXPECT_NE(doc.find("\\plain\\f6\\fs20 Title \\{1\\}\r\n\\par \\pard\\tx240\\tx960\\plain\\f6\\fs20 "),
            std::string::npos);  // segments start at visible columns 2 and 8: 8*2*1440/96, ...
  EXPECT_NE(doc.find("\\tab   3.5"), std::string::npos);
  EXPECT_EQ(doc.substr(doc.size() - 6), "\\par }");
}

TEST(TextWorksheet, NumbersWordsAndEmptyCells) {
  TMFile lines("", 10);
  lines.AppendLine("1.5e-3,abc, ,7");
  lines.AppendLine("-------------");
  lines.AppendLine("'quoted text' \"\" word 12abc");
  const auto image = TextWindowWorksheet(lines, 1);
  bytes::ByteReader r(image);
  r.Seek(kWK1HeaderSize);
  // Every cell record after the header as (row, column, number or label text).
  using Cell = std::tuple<int, int, std::string>;
  std::vector<Cell> cells;
  while (r.Remaining() > 4) {
    const int op = r.U16();
    const int len = r.U16();
    r.Skip(1);
    const int col = r.U16(), row = r.U16();
    if (op == 0x0F) {
      r.Skip(1);
      cells.emplace_back(row, col, r.FixedString(static_cast<std::size_t>(len - 6)));
    } else {
      EXPECT_EQ(op, 0x0E);
      cells.emplace_back(row, col, CFormat("%.17g", r.F64()));  // exact: 17 digits
    }
  }
  // The empty cell and the dashes give nothing.
  EXPECT_EQ(cells, (std::vector<Cell>{{0, 0, "0.0015"}, {0, 1, "abc"}, {0, 3, "7"}, {2, 0, "quoted text"},
                                      {2, 1, "word"}, {2, 2, "12"}, {2, 3, "abc"}}));
  // The range: 4 columns, last row 2.
  EXPECT_EQ(image[14], 3);
  EXPECT_EQ(image[16], 2);
}

TEST(TextWindowFiles, TextKeepsWholeLinesAndWordStarTakesControlBytes) {
  TMFile lines("", 10);
  const std::string longLine(400, 'n');
  lines.AppendLine(longLine);
  lines.AppendLine("x~^2~^ ~*b~*");
  ScratchDir dir;
  const std::string path = dir.File("text.txt");
  ASSERT_TRUE(WriteTextWindowFile(lines, path, kSaveFormatText, TRtfFont{}, true));
  EXPECT_EQ(ReadText(path), longLine + "\r\nx^2 b\r\n");
  ASSERT_TRUE(WriteTextWindowFile(lines, path, kSaveFormatWordStar, TRtfFont{}, true));
  EXPECT_EQ(ReadText(path), longLine + "\r\nx\x14" "2\x14 \x02" "b\x02\r\n");
  EXPECT_FALSE(WriteTextWindowFile(lines, path, kSaveFormatSav, TRtfFont{}, true));
  EXPECT_EQ(TextWindowPlainText(lines), longLine + "\r\nx^2 b");
}

// Every line of a buffer.
std::vector<std::string> AllLines(const TMFile& f) {
  std::vector<std::string> out;
  for (int i = 0; i < f.LineCount(); ++i) out.emplace_back(f.GetLine(i));
  return out;
}
using Texts = std::vector<std::string>;

TEST(TMFile, VisibleWidthDiscountsCodePairs) {
  TMFile f("", 10);
  ASSERT_EQ(f.AppendLine("ab~^cd~^ef"), 1);
  EXPECT_EQ((std::vector<int>{f.GetLineLength(0), f.GetLineWidth(0), f.MaxWidth()}), (std::vector<int>{10, 6, 6}));
  EXPECT_TRUE(f.IsCoded(0));
}

TEST(TMFile, SetLineAppendsAtTheCountAndFailsBeyondAndLineFeedsSplit) {
  TMFile f("", 3);
  EXPECT_EQ((std::vector<int>{f.SetLine(0, "a"), f.SetLine(2, "c"), f.SetLine(1, "b"), f.SetLine(0, "A")}),
            (std::vector<int>{1, 0, 1, 1}));
  EXPECT_EQ(f.SetLine(-1, "x\ny"), 0);  // two lines do not fit in the third place
  EXPECT_EQ(AllLines(f), (Texts{"A", "b"}));
  EXPECT_EQ(f.GetLine(5), nullptr);
  EXPECT_EQ(f.GetLineLength(-1), 0);

  TMFile g("", 10);
  EXPECT_EQ(g.SetLine(0, "one\ntwo\nthree\n"), 1);
  EXPECT_EQ(g.SetLine(1, std::string(600, 'x')), 1);  // kept whole, however long
  EXPECT_EQ(AllLines(g), (Texts{"one", std::string(600, 'x'), "three"}));
  EXPECT_EQ(g.MaxWidth(), 600);
  const std::uint8_t attr[15] = {3, 2};
  EXPECT_EQ(g.InsertLine(0, "first\nsecond", attr), 1);
  EXPECT_EQ(AllLines(g), (Texts{"first", "second", "one", std::string(600, 'x'), "three"}));
  EXPECT_EQ(g.GetLineAttr(1)[0], 3);
  EXPECT_EQ(g.DeleteLine(3), 1);  // the widest line
  EXPECT_EQ(g.MaxWidth(), 6);
  EXPECT_EQ(g.DeleteLine(9), 0);
}

TEST(TMFile, LoadingExpandsTabsAndKeepsLongLinesWholeAndAFileBeyondTheCapacityLeavesNoTable) {
  ScratchDir dir;
  // A TAB at column 0 gives two blanks, at column 1 one.
  TMFile f(dir.Write("tabs.txt", "\tA\r\nB\tC\n" + std::string(700, 'z') + "\nlast"), 10);
  ASSERT_TRUE(f.HasTable());
  EXPECT_EQ(AllLines(f), (Texts{"  A", "B C", std::string(700, 'z'), "last"}));
  const std::string four = dir.Write("four.txt", "1\n2\n3\n4\n");
  TMFile small(four, 3);
  EXPECT_FALSE(small.HasTable());
  EXPECT_EQ(small.LineCount(), 0);
  // Appending it to a buffer keeps what was read.
  TMFile g("", 5);
  g.AppendLine("first");
  g.AppendLine("second");
  EXPECT_FALSE(g.Append(four));
  EXPECT_TRUE(g.HasTable());
  EXPECT_EQ(g.LineCount(), 5);
  EXPECT_FALSE(g.Load("/no/such/file"));
  EXPECT_FALSE(g.HasTable());
}

// Every export of a text window takes its lines whole: a line of 1200 numbers (7,000
// characters) comes back in the text and WordStar files and the clipboard text, as 1200
// number cells of a WK1 worksheet, and whole in the rich text.
TEST(TMFile, EveryExportTakesALongLineWhole) {
  ScratchDir dir;
  std::string wide;
  for (int k = 0; k < 1200; ++k) wide += (k ? " " : "") + std::to_string(k) + ".5";
  TMFile f(dir.Write("wide.txt", "head\n" + wide + "\n"), 10);
  ASSERT_EQ(f.LineCount(), 2);
  EXPECT_EQ(f.GetLine(1), wide);
  EXPECT_EQ(TextWindowPlainText(f), "head\r\n" + wide);
  for (const int format : {kSaveFormatText, kSaveFormatWordStar}) {
    const std::string saved = dir.File("saved.txt");
    ASSERT_TRUE(WriteTextWindowFile(f, saved, format, TRtfFont{}, false));
    EXPECT_EQ(ReadText(saved), "head\r\n" + wide + "\r\n") << format;
  }
  EXPECT_NE(TextWindowRtf(f, TRtfFont{}, false).find(wide), std::string::npos);
  // The worksheet's cells: one label, then 1200 numbers, the last 1199.5 in column 1199.
  const std::vector<std::uint8_t> wk1 = TextWindowWorksheet(f, 1);
  int numbers = 0, lastColumn = -1;
  double lastValue = 0;
  for (std::size_t at = 0; at + 4 <= wk1.size();) {
    const unsigned type = wk1[at] | wk1[at + 1] << 8, length = wk1[at + 2] | wk1[at + 3] << 8;
    if (type == 14 && at + 4 + 13 <= wk1.size()) {
      ++numbers;
      lastColumn = wk1[at + 5] | wk1[at + 6] << 8;
      std::memcpy(&lastValue, &wk1[at + 9], sizeof lastValue);
    }
    at += 4 + length;
  }
  EXPECT_EQ(numbers, 1200);
  EXPECT_EQ(lastColumn, 1199);
  EXPECT_EQ(lastValue, 1199.5);
}

// A file a user views is text as it stands: its tildes are characters. Each is kept as "~~",
// shown as one tilde, and every export gives the file's own line back (read as codes, "~/"
// and "~~" vanished from the screen, the clipboard and every saved copy).
TEST(TMFile, AViewedFileKeepsItsTildesInEveryExport) {
  ScratchDir dir;
  const std::string line = "path ~/data x~^2 50%~~off ~";
  const std::string file = dir.Write("tildes.txt", line + "\r\n" + std::string(300, '~') + "\r\n");
  TMFile f("", 10);
  ASSERT_TRUE(f.Load(file, FileTildes::kLiteral));
  ASSERT_EQ(f.LineCount(), 2);
  EXPECT_EQ(f.GetLineWidth(0), static_cast<int>(line.size()));
  EXPECT_EQ(TextWindowPlainText(f), line + "\r\n" + std::string(300, '~'));
  // A long line of tildes is kept whole, each tilde as one pair.
  EXPECT_EQ(f.GetLineLength(1), 600);
  EXPECT_EQ(f.GetLineWidth(1), 300);

  const std::string saved = dir.File("saved.txt");
  ASSERT_TRUE(WriteTextWindowFile(f, saved, kSaveFormatText, TRtfFont{}, true));
  EXPECT_EQ(ReadText(saved).substr(0, line.size() + 2), line + "\r\n");
  ASSERT_TRUE(WriteTextWindowFile(f, saved, kSaveFormatWordStar, TRtfFont{}, true));
  EXPECT_EQ(ReadText(saved).substr(0, line.size() + 2), line + "\r\n");
  EXPECT_NE(TextWindowRtf(f, TRtfFont{}, true).find("path ~/data x~^2 50%~~off ~"), std::string::npos);
  // The worksheet's cells are the file's words ("50" is a number before them).
  const std::vector<std::uint8_t> wk1 = TextWindowWorksheet(f, 1);
  const std::string image(wk1.begin(), wk1.end());
  for (const char* word : {"~/data", "x~^2", "%~~off"}) EXPECT_NE(image.find(word), std::string::npos) << word;

  // The program's own lists keep their codes.
  TMFile codes("", 10);
  ASSERT_TRUE(codes.Load(file));
  EXPECT_EQ(StripTextCodes(codes.GetLine(0)), "path data x^(2 50%)off ");
  // Appending reads the same way.
  ASSERT_TRUE(codes.Append(dir.Write("more.txt", "a~b\n"), FileTildes::kLiteral));
  EXPECT_EQ(StripTextCodes(codes.GetLine(2)), "a~b");
}

TEST(TMFile, VisibleWidthCountsATildeShownAsOne) {
  EXPECT_EQ(VisibleWidth("ab~^cd~^ef"), 6);
  EXPECT_EQ(VisibleWidth("a~~b"), 3);
  EXPECT_EQ(VisibleWidth("~~~^x~^"), 2);  // a tilde, then superscript x
  EXPECT_EQ(VisibleWidth("ab~"), 1);      // a tilde that ends the text, as each '~' takes two
}

TEST(LineSegments, ListedLengthsThenTheRest) {
  const std::uint8_t attr[15] = {2, 3};
  const auto s = LineSegments("abcdefgh", attr);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[1], (std::pair<int, int>{2, 3}));
  EXPECT_EQ(s[2], (std::pair<int, int>{5, 3}));
  EXPECT_EQ(LineSegments("abc", nullptr).size(), 1u);
}

}  // namespace
