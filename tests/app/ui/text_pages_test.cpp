// The pages of a text print laid out on a recording device context: an A4 page at 600 dpi
// and fonts whose characters are half their height wide, so that no installed font decides
// where a line ends.
#include "app/ui/text_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/log_font.h"
#include "app/ui/text_window.h"
#include "platform/recording_device_context.h"

namespace {

using platform::Color;
using platform::DcOp;
using platform::DcOpKind;
using platform::RecordingDeviceContext;

constexpr int kDpi = 600;
constexpr int kA4Width = 4961;  // 210 x 297 mm at 600 dpi
constexpr int kA4Height = 7016;

// Rows of an equation list: the segments of each row given apart by '|'.
class ListRows final : public TExportLines {
 public:
  explicit ListRows(const std::vector<std::string>& rows) {
    for (const std::string& row : rows) {
      std::string text;
      std::vector<std::uint8_t> attr;
      std::size_t start = 0;
      for (std::size_t bar; (bar = row.find('|', start)) != std::string::npos; start = bar + 1) {
        attr.push_back(static_cast<std::uint8_t>(bar - start));
        text += row.substr(start, bar - start);
      }
      text += row.substr(start);
      attr.push_back(0);
      texts_.push_back(text);
      attrs_.push_back(attr);
    }
  }
  int Count() const override { return static_cast<int>(texts_.size()); }
  std::string_view Line(int index) const override { return texts_[static_cast<std::size_t>(index)]; }
  const std::uint8_t* Attr(int index) const override { return attrs_[static_cast<std::size_t>(index)].data(); }

 private:
  std::vector<std::string> texts_;
  std::vector<std::vector<std::uint8_t>> attrs_;
};

std::string Row(int rank, const std::string& name) {
  return std::string("   ") + std::to_string(rank) + "  |~#        0.99~#  |~$  3~$  |~!~*      405~*~!  |~!" + name + "~!";
}

// The fonts of a record on the recording context, stepped as a printer's are.
TTextPageFonts RecordingFonts(const TLogFont& font) {
  TTextPageFonts f;
  f.fonts = MakeCodedFonts(font, kDpi);
  const platform::Size cell = RecordingDeviceContext::TextExtentFor(*f.fonts[0], 1);
  f.lineStep = cell.cy;
  f.charStep = cell.cx * 6 / 5;
  return f;
}

struct PrintedPages {
  RecordingDeviceContext dc{kA4Width, kA4Height, kDpi};
  PrintOutcome outcome = PrintOutcome::Failed;
  int pages = 1;
  int questions = 0;

  PrintedPages(const ListRows& rows, bool colourOption, bool listColours) {
    TTextPrintOptions options;
    options.colour = colourOption;
    options.date = false;
    options.pageNumber = false;
    TTextPrintRequest request;
    request.lines = &rows;
    request.last = rows.Count();
    request.font = DefaultTextFont();
    request.colors = listColours;
    request.color = Color::Black();
    request.titleBlock = {"Equation List"};
    request.overflowQuestion = [this] {
      ++questions;
      return true;
    };
    outcome = DrawTextPages(dc, request, options, RecordingFonts, [this] {
      ++pages;
      return true;
    });
  }
  std::vector<DcOp> Texts() const { return dc.OpsOf(DcOpKind::TextOut); }
  // How far right a left-aligned text reaches.
  static int RightEdge(const DcOp& op) {
    return op.points[0].x + RecordingDeviceContext::TextExtentFor(op.font, op.text.size()).cx;
  }
};

const std::string kLongestName =
    "z=a+bx~^1.5~^+cx~^2~^+dx~^0.5~^lnx+ex~^0.5~^+fylny+gy~^1.5~^+hy~^2~^+iy~^2~^lny+jy~^2.5~^+k/x";

TEST(TextPages, MonochromePrintsEveryLineInBlackAndColourKeepsTheCodesColours) {
  const ListRows rows({Row(1, "z=a+bx+cy"), Row(2, "Chebyshev X,Y Rational Order 4/5")});
  for (const bool listColours : {false, true}) {
    const PrintedPages mono(rows, false, listColours);
    ASSERT_EQ(mono.outcome, PrintOutcome::Printed);
    for (const DcOp& op : mono.Texts()) EXPECT_EQ(op.color, Color::Black()) << op.text;
  }
  // With "Color" and the list's colours the codes colour their runs (r² maroon, the figure
  // count green, names navy); either alone prints black.
  const PrintedPages colour(rows, true, true);
  std::vector<Color> colours;
  for (const DcOp& op : colour.Texts()) colours.push_back(op.color);
  EXPECT_GE(std::count_if(colours.begin(), colours.end(), [](Color c) { return c != Color::Black(); }), 6);
  const PrintedPages colourOptionOnly(rows, true, false);
  for (const DcOp& op : colourOptionOnly.Texts()) EXPECT_EQ(op.color, Color::Black()) << op.text;
}

// At the default font the longest name of a list runs past the right margin of an A4 page:
// the whole print takes a smaller font, and every name ends inside the margin.
TEST(TextPages, LongestNameStaysWholeWithinTheMarginsOfAnA4Page) {
  const ListRows rows({Row(1, "z=a+bx+cy"), Row(2, kLongestName), Row(3, "Fourier Series Bivariate Order 2x5")});
  const PrintedPages printed(rows, false, true);
  ASSERT_EQ(printed.outcome, PrintOutcome::Printed);
  EXPECT_EQ(printed.questions, 0);
  const int requested = MakeCodedFonts(DefaultTextFont(), kDpi)[0]->height;
  int drawnHeight = 0;
  bool sawTheEnd = false;
  const TPrintRect margins = TextPrintRect(TTextPrintOptions{}, kA4Width, kA4Height, kDpi, kDpi, 0, 0);
  for (const DcOp& op : printed.Texts()) {
    EXPECT_GE(op.points[0].x, margins.left) << op.text;
    EXPECT_LE(PrintedPages::RightEdge(op), margins.right) << op.text;
    drawnHeight = op.font.height;
    sawTheEnd = sawTheEnd || op.text.ends_with("+k/x");
  }
  EXPECT_TRUE(sawTheEnd);
  EXPECT_LT(std::abs(drawnHeight), std::abs(requested));

  // Lines that fit keep the font asked for.
  const PrintedPages fitting(ListRows({Row(1, "z=a+bx+cy")}), false, true);
  EXPECT_EQ(fitting.Texts().back().font.height, requested);
}

// A line that no font size lets fit asks the overflow question; No abandons the print before
// anything is drawn.
TEST(TextPages, ALineTooWideEvenInTheSmallestFontAsksFirst) {
  const ListRows rows({Row(1, std::string(400, 'x'))});
  const PrintedPages printed(rows, false, true);
  EXPECT_EQ(printed.questions, 1);
  EXPECT_EQ(printed.outcome, PrintOutcome::Printed);
  TLogFont smallest = DefaultTextFont();
  smallest.height = 6;
  EXPECT_EQ(printed.Texts().back().font.height, MakeCodedFonts(smallest, kDpi)[0]->height);
}

// The lines each page printed: the texts drawn between one page break and the next, by line
// (a coded line is drawn a run at a time; the runs of one line share its height).
std::vector<std::vector<std::string>> PagesOf(const std::vector<std::string>& text) {
  const ListRows rows(text);
  RecordingDeviceContext dc{kA4Width, kA4Height, kDpi};
  TTextPrintOptions options;
  options.date = false;
  options.pageNumber = false;
  TTextPrintRequest request;
  request.lines = &rows;
  request.last = rows.Count();
  request.font = DefaultTextFont();
  std::vector<std::size_t> breaks;
  EXPECT_EQ(DrawTextPages(dc, request, options, RecordingFonts,
                          [&] {
                            breaks.push_back(dc.OpsOf(DcOpKind::TextOut).size());
                            return true;
                          }),
            PrintOutcome::Printed);
  const std::vector<DcOp> ops = dc.OpsOf(DcOpKind::TextOut);
  breaks.push_back(ops.size());
  std::vector<std::vector<std::string>> pages;
  std::size_t op = 0;
  for (std::size_t end : breaks) {
    std::vector<std::string>& page = pages.emplace_back();
    for (int y = -1; op < end; ++op) {
      if (ops[op].points[0].y != y) page.emplace_back();
      y = ops[op].points[0].y;
      page.back() += ops[op].text;
    }
  }
  return pages;
}

// A heading is printed on the page of the lines it heads: a page of the numeric summary ended
// on "X at Fn Zmin  Y at Fn Zmin  Fn Zmin" with the values at the top of the next page. So
// does a list's section title with its rows, and the first line of a plain paragraph.
TEST(TextPages, AHeadingIsPrintedOnThePageOfTheLinesItHeads) {
  // How many lines a page holds.
  const std::vector<std::string> filler(400, "0.9988503645   0.9984192512   0.1276569477");
  const std::size_t perPage = PagesOf(filler).front().size();
  ASSERT_GT(perPage, 20u);

  const struct {
    std::vector<std::string> closing;  // the lines that start at the last line of page 1
    std::string head;                  // the first line of page 2 after the mend
  } cases[] = {
      {{"~#X at Fn Zmin~#   ~#Y at Fn Zmin~#   ~#Fn Zmin~#", "~!0~!   ~!0~!   ~!1.0166666667~!"}, "X at Fn Zmin"},
      {{"~*Full Quadratic and Cubic Polynomials~*", "", "~!~*  301~*~!  z=a+bx+cy", "~!~*  302~*~!  z=a+bx"},
       "Full Quadratic and Cubic Polynomials"},
      {{"Parameter   Value      Std Error", "a           1.016      0.068"}, "Parameter"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> text(filler.begin(), filler.begin() + static_cast<std::ptrdiff_t>(perPage - 2));
    text.emplace_back("");
    text.insert(text.end(), c.closing.begin(), c.closing.end());
    text.insert(text.end(), 10, "0.9988503645   0.9984192512");
    const auto pages = PagesOf(text);
    ASSERT_GE(pages.size(), 2u) << c.head;
    for (const std::string& line : pages[0]) EXPECT_EQ(line.find(c.head), std::string::npos) << "on page 1: " << line;
    ASSERT_FALSE(pages[1].empty()) << c.head;
    EXPECT_NE(pages[1].front().find(c.head), std::string::npos) << pages[1].front();
  }
}

}  // namespace
