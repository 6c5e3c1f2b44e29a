// Where printed pages end: a heading is kept with the lines it heads.
#include "app/page_breaks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Lines final : public TExportLines {
 public:
  explicit Lines(std::vector<std::string> texts) : texts_(std::move(texts)) {}
  int Count() const override { return static_cast<int>(texts_.size()); }
  std::string_view Line(int index) const override { return texts_[static_cast<std::size_t>(index)]; }
  const std::uint8_t* Attr(int) const override { return kPlain; }

 private:
  static constexpr std::uint8_t kPlain[1] = {0};
  std::vector<std::string> texts_;
};

// Which lines keep with the next one, over the shapes the program prints: the numeric
// summary's column heads over their values, a list's section title over a blank line and its
// rows, the first line of a paragraph of a plain file, and lines that are none of these.
TEST(PageBreaks, HeadingsAndFirstLinesKeepWithWhatFollows) {
  const Lines text({
      "~#Rank~# ~!1~!  ~#Eqn~# ~!1  z=a+bx+cy~!",                  // 0: text, a blank follows
      "",                                                            // 1
      "~#X at Fn Zmin~#   ~#Y at Fn Zmin~#   ~#Fn Zmin~#",          // 2: heading
      "~!0           ~!   ~!0           ~!   ~!1.0166666667~!",     // 3
      "~#X at Fn Zmax~#   ~#Y at Fn Zmax~#   ~#Fn Zmax~#",          // 4: heading inside the paragraph
      "~!2           ~!   ~!2           ~!   ~!11.016666667~!",     // 5
      "",                                                            // 6
      "~*Full Quadratic and Cubic Polynomials~*",                    // 7: a list's title
      "",                                                            // 8: between title and rows
      "~!~*  301~*~!  z=a+bx+cy+dx~^2~^+ey~^2~^+fxy",                // 9: first row
      "~!~*  302~*~!  z=a+bx+cy+dx~^2~^",                            // 10
      "",                                                            // 11
      "Parameter   Value      Std Error",                           // 12: a plain file's head
      "a           1.016      0.068",                               // 13
      "",                                                            // 14
      "A line alone",                                               // 15
      "",                                                            // 16
      "~#100%~~ sure~#",                                             // 17: a heading, its tilde shown
      "",                                                            // 18
      "~#Heading with nothing under it~#",                           // 19
      "",                                                            // 20
  });
  const std::vector<bool> keeps = {false, false, true,  false, true,  false, false, true,  true,  true, false,
                                   false, true,  false, false, false, false, true,  true,  false, false};
  ASSERT_EQ(static_cast<int>(keeps.size()), text.Count());
  // Line 17's heading keeps with line 19, another heading, over a blank line; 19 heads nothing.
  for (int i = 0; i < text.Count(); ++i)
    EXPECT_EQ(KeepsWithNext(text, i, 0, text.Count()), keeps[static_cast<std::size_t>(i)]) << i << " " << text.Line(i);
  // The first line printed opens a paragraph even where the text goes on above it.
  EXPECT_FALSE(KeepsWithNext(text, 13, 13, text.Count()));
  EXPECT_TRUE(KeepsWithNext(text, 9, 9, text.Count()));
  EXPECT_FALSE(KeepsWithNext(text, 10, 9, text.Count()));
}

// A page that would end on a heading ends before it; one that would end on a blank line
// between a title and its rows, or on the first of the rows, ends before the title; a page
// that is a single run of lines kept together is filled as it has room for.
TEST(PageBreaks, APageEndsBeforeTheHeadingThatWouldEndIt) {
  const Lines text({"a", "b", "c", "", "~#Head~#", "1", "2", "", "~*Title~*", "", "row", "row", "row"});
  const int n = text.Count();
  EXPECT_EQ(PageEnd(text, 0, 5, 0, n), 4);    // would end on "Head": ends before it
  EXPECT_EQ(PageEnd(text, 0, 6, 0, n), 6);    // "Head" with its first line
  EXPECT_EQ(PageEnd(text, 0, 9, 0, n), 8);    // would end on "Title"
  EXPECT_EQ(PageEnd(text, 0, 10, 0, n), 8);   // on the blank under it
  EXPECT_EQ(PageEnd(text, 0, 11, 0, n), 8);   // nor on the first row of a paragraph
  EXPECT_EQ(PageEnd(text, 0, 12, 0, n), 12);  // "Title" with two rows
  EXPECT_EQ(PageEnd(text, 8, 10, 0, n), 10);  // a page of nothing but the run: filled
  EXPECT_EQ(PageEnd(text, 0, 1, 0, n), 1);    // "a" opens its paragraph, but is all the page holds
  EXPECT_EQ(PageEnd(text, 0, n, 0, n), n);    // the rest fits
}

}  // namespace
