#include "app/text_exports.h"

#include <gtest/gtest.h>

#include "app/byte_codec.h"
#include "app/file_utils.h"
#include "app/log_font.h"
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
  // NUMBER 0.0015 at column 0, LABEL abc at column 1, NUMBER 7 at column 3.
  EXPECT_EQ(r.U16(), 0x0E);
  r.Skip(3);
  EXPECT_EQ(r.U16(), 0);
  EXPECT_EQ(r.U16(), 0);
  EXPECT_EQ(r.F64(), 0.0015);
  EXPECT_EQ(r.U16(), 0x0F);
  r.Skip(3);
  EXPECT_EQ(r.U16(), 1);
  r.Skip(2 + 1 + 4);
  EXPECT_EQ(r.U16(), 0x0E);
  r.Skip(3);
  EXPECT_EQ(r.U16(), 3);
  EXPECT_EQ(r.U16(), 0);
  EXPECT_EQ(r.F64(), 7.0);
  // The dashes give nothing; row 2: "quoted text", word, 12, abc in columns 0-3.
  std::vector<std::pair<int, std::string>> cells;
  while (r.Remaining() > 4) {
    const int op = r.U16();
    const int len = r.U16();
    r.Skip(1);
    const int col = r.U16(), row = r.U16();
    EXPECT_EQ(row, 2);
    std::string text;
    if (op == 0x0F) {
      r.Skip(1);
      text = r.FixedString(static_cast<std::size_t>(len - 6));
    } else {
      text = std::to_string(static_cast<int>(r.F64()));
    }
    cells.emplace_back(col, text);
  }
  EXPECT_EQ(cells, (std::vector<std::pair<int, std::string>>{
                       {0, "quoted text"}, {1, "word"}, {2, "12"}, {3, "abc"}}));
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

}  // namespace
