#include "app/text_line_buffer.h"

#include <gtest/gtest.h>

#include "support/scratch_files.h"

namespace {

class TextFile : public ::testing::Test {
 protected:
  std::string Write(const std::string& text) { return dir_.Write("text.txt", text); }
  ScratchDir dir_;
};

TEST(TMFile, VisibleWidthDiscountsCodePairs) {
  TMFile f("", 10);
  ASSERT_EQ(f.AppendLine("ab~^cd~^ef"), 1);
  EXPECT_EQ(f.GetLineLength(0), 10);
  EXPECT_EQ(f.GetLineWidth(0), 6);
  EXPECT_TRUE(f.IsCoded(0));
  EXPECT_EQ(f.MaxWidth(), 6);
}

TEST(TMFile, SetLineAppendsAtTheCountAndFailsBeyond) {
  TMFile f("", 3);
  EXPECT_EQ(f.SetLine(0, "a"), 1);
  EXPECT_EQ(f.SetLine(2, "c"), 0);
  EXPECT_EQ(f.SetLine(1, "b"), 1);
  EXPECT_EQ(f.SetLine(0, "A"), 1);
  EXPECT_STREQ(f.GetLine(0), "A");
  EXPECT_EQ(f.LineCount(), 2);
  EXPECT_EQ(f.SetLine(-1, "x\ny"), 0);  // two lines do not fit in the third place
  EXPECT_EQ(f.GetLine(5), nullptr);
  EXPECT_EQ(f.GetLineLength(-1), 0);
}

TEST(TMFile, LineFeedsSplitAndLongLinesAreCut) {
  TMFile f("", 10);
  EXPECT_EQ(f.SetLine(0, "one\ntwo\nthree\n"), 1);
  EXPECT_EQ(f.LineCount(), 3);
  EXPECT_STREQ(f.GetLine(2), "three");
  EXPECT_EQ(f.SetLine(1, std::string(600, 'x')), -1);
  EXPECT_EQ(f.GetLineLength(1), kLineLengthLimit);
  EXPECT_EQ(f.MaxWidth(), kLineLengthLimit);
  const std::uint8_t attr[15] = {3, 2};
  EXPECT_EQ(f.InsertLine(0, "first\nsecond", attr), 1);
  EXPECT_EQ(f.LineCount(), 5);
  EXPECT_STREQ(f.GetLine(1), "second");
  EXPECT_EQ(f.GetLineAttr(1)[0], 3);
  EXPECT_STREQ(f.GetLine(2), "one");
  EXPECT_EQ(f.DeleteLine(3), 1);  // the widest line
  EXPECT_EQ(f.MaxWidth(), 6);
  EXPECT_EQ(f.DeleteLine(9), 0);
}

TEST_F(TextFile, LoadingExpandsTabsAndCutsLongLines) {
  TMFile f(Write("\tA\r\nB\tC\n" + std::string(700, 'z') + "\nlast"), 10);
  ASSERT_TRUE(f.HasTable());
  ASSERT_EQ(f.LineCount(), 4);
  EXPECT_STREQ(f.GetLine(0), "  A");  // a TAB at column 0 gives two blanks
  EXPECT_STREQ(f.GetLine(1), "B C");  // at column 1 one blank
  EXPECT_EQ(f.GetLineLength(2), kLineLengthLimit);
  EXPECT_STREQ(f.GetLine(3), "last");
}

TEST_F(TextFile, FileBeyondTheCapacityLeavesNoTableButAppendKeepsWhatItRead) {
  const std::string path = Write("1\n2\n3\n4\n");
  TMFile small(path, 3);
  EXPECT_FALSE(small.HasTable());
  EXPECT_EQ(small.LineCount(), 0);
  TMFile f("", 5);
  f.AppendLine("first");
  f.AppendLine("second");
  EXPECT_FALSE(f.Append(path));
  EXPECT_TRUE(f.HasTable());
  EXPECT_EQ(f.LineCount(), 5);
  EXPECT_FALSE(f.Load("/no/such/file"));
  EXPECT_FALSE(f.HasTable());
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
