// Coded text: parsing, measuring, laying out, stripping and drawing on a device context.
#include "app/coded_text.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/coded_text_drawing.h"
#include "platform/recording_device_context.h"

namespace {

// Every character of font f is kWidth[f] wide and kHeight[f] high; the reference string of
// eight characters is then 80 x 20 in font 0, so h = 20 and the text is not turned.
constexpr int kWidth[5] = {10, 6, 11, 12, 9};
constexpr int kHeight[5] = {20, 16, 20, 20, 20};

class FixedMetrics : public CodedTextMetrics {
 public:
  explicit FixedMetrics(bool allFonts = true) : all_fonts_(allFonts) {}
  bool HasFont(int font) const override { return all_fonts_ || font == 2; }
  CodedTextExtent Extent(int font, std::string_view text) const override {
    return {kWidth[font] * static_cast<int>(text.size()), kHeight[font]};
  }

 private:
  bool all_fonts_;
};

const CodedColor kBlack = CodedRgb(0, 0, 0);

// The runs of a layout as (text, font, x, y).
using LaidRun = std::tuple<std::string, int, int, int>;
std::vector<LaidRun> Runs(const CodedTextLayout& l) {
  std::vector<LaidRun> out;
  for (const CodedTextRun& r : l.runs) out.emplace_back(r.text, r.font, r.x, r.y);
  return out;
}

TEST(CodedText, ParseSplitsRunsCodesAndLiteralTildes) {
  const auto pieces = ParseCodedText("a~^2~^b~~c~");
  ASSERT_EQ(pieces.size(), 7u);  // the trailing lone tilde ends the text
  EXPECT_EQ(pieces[0].text, "a");
  EXPECT_EQ(pieces[1].kind, CodedTextPiece::kCode);
  EXPECT_EQ(pieces[1].code, '^');
  EXPECT_EQ(pieces[2].text, "2");
  EXPECT_EQ(pieces[5].kind, CodedTextPiece::kTilde);
  EXPECT_EQ(pieces[5].text, "~");
  EXPECT_EQ(pieces[6].text, "c");

  // A tilde that is the last character the limit allows is not read as a code.
  const auto limited = ParseCodedText("ab~^c", 3);
  ASSERT_EQ(limited.size(), 1u);
  EXPECT_EQ(limited[0].text, "ab");
  EXPECT_EQ(ParseCodedText("abcdef", 4)[0].text, "abcd");
  EXPECT_TRUE(ParseCodedText("~").empty());
  EXPECT_EQ(ParseCodedText(std::string_view("ab\0~^c", 6)).size(), 1u);  // ends at the NUL
}

TEST(CodedText, MeasureAddsEachVisibleCharacterInItsFont) {
  const FixedMetrics m;
  struct Case {
    const char* text;
    int limit, width, visible;
  };
  const Case cases[] = {
      {"x~^2~^", -1, 10 + 6, 2},     {"abc", -1, 30, 3},
      {"~~", -1, 10, 1},             {"~*b~*~&i~&", -1, 12 + 9, 2},
      {"~!abc~!", -1, 30, 3},        {"~@p~@~`i", -1, 11 + 6, 2},
      {"abc~", -1, 30, 3},           {"ab~^c", 3, 20, 2},
      {"abcdef", 4, 40, 4},          {"", -1, 0, 0},
  };
  for (const Case& c : cases) {
    int visible = -1;
    EXPECT_EQ(MeasureCodedText(m, c.text, c.limit, &visible), c.width) << c.text;
    EXPECT_EQ(visible, c.visible) << c.text;
  }
  // A missing small font leaves the normal font selected.
  EXPECT_EQ(MeasureCodedText(FixedMetrics(false), "x~^2~^", -1, nullptr), 20);
}

TEST(CodedText, TextWithoutCodesIsOneRunAlignedByTheContext) {
  const FixedMetrics m;
  CodedTextLayout l = LayoutCodedText(m, "abc", 100, 50, 3, 1, false, true, kBlack);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.align, kTextAlignCenter);
  ASSERT_EQ(l.runs.size(), 1u);
  EXPECT_EQ(l.runs[0].text, "abc");
  EXPECT_EQ(l.runs[0].x, 100);

  l = LayoutCodedText(m, "abcdef", 100, 50, 2, 2, true, true, kBlack);
  EXPECT_EQ(l.align, kTextAlignRight | kTextAlignBottom);
  EXPECT_EQ(l.runs[0].text, "ab");

  // Vertical text without codes is centred on y whatever the alignment.
  for (int alignment : {0, 1, 2}) {
    l = LayoutCodedText(m, "abc", 10, 200, -1, alignment, false, true, kBlack);
    EXPECT_EQ(l.align, kTextAlignTop);
    EXPECT_EQ(l.runs[0].y, 200 + 30 / 2);
  }
}

TEST(CodedText, SuperscriptSubscriptAndHandAlignmentOfCodedText) {
  const FixedMetrics m;
  CodedTextLayout l = LayoutCodedText(m, "x~^2~^y~`i~`", 100, 50, 255, 0, false, true, kBlack);
  EXPECT_EQ(l.result, 8);
  EXPECT_EQ(Runs(l), (std::vector<LaidRun>{{"x", 0, 100, 50}, {"2", 1, 110, 50 - 20 / 8},
                                       {"y", 0, 116, 50}, {"i", 1, 126, 50 + 20 / 3}}));
  // Coded text is centred and right-aligned by hand.
  l = LayoutCodedText(m, "x~^2~^", 100, 50, 255, 1, false, true, kBlack);
  EXPECT_EQ(l.align, kTextAlignLeft);
  EXPECT_EQ(l.runs[0].x, 100 - 16 / 2);
  l = LayoutCodedText(m, "x~^2~^", 100, 50, 255, 2, true, true, kBlack);
  EXPECT_EQ(l.align, kTextAlignLeft | kTextAlignBottom);
  EXPECT_EQ(l.runs[0].x, 100 - 16);
  EXPECT_EQ(l.runs[1].x, 100 - 6);
  // Runs of several characters advance by their whole width.
  l = LayoutCodedText(m, "abc~*d", 0, 0, 255, 0, false, true, kBlack);
  EXPECT_EQ(Runs(l)[1], (LaidRun{"d", 3, 30, 0}));
}

TEST(CodedText, VerticalCodedTextAdvancesUpTheColumn) {
  const FixedMetrics m;
  CodedTextLayout l = LayoutCodedText(m, "ab~*c", 10, 200, -1, 0, true, true, kBlack);
  EXPECT_EQ(l.align, kTextAlignBottom);
  EXPECT_EQ(Runs(l), (std::vector<LaidRun>{{"ab", 0, 10, 200}, {"c", 3, 10, 200 - 20}}));
  // Centred only for alignment 1: the start moves down by half the width.
  EXPECT_EQ(LayoutCodedText(m, "ab~*c", 10, 200, -1, 1, false, true, kBlack).runs[0].y, 200 + (20 + 12) / 2);
  EXPECT_EQ(LayoutCodedText(m, "ab~*c", 10, 200, -1, 2, false, true, kBlack).runs[0].y, 200);
}

TEST(CodedText, ColoursToggleAndFallBackInTheirOrderAndLiteralTildesAreNotCounted) {
  const FixedMetrics m;
  const CodedColor def = CodedRgb(1, 2, 3);
  CodedTextLayout l = LayoutCodedText(m, "~!a~#b~!c~#d", 0, 0, 255, 0, false, true, def);
  std::vector<CodedColor> colours;
  for (const CodedTextRun& r : l.runs) colours.push_back(r.color);
  // Navy off: maroon is still on; maroon off: the default colour.
  EXPECT_EQ(colours, (std::vector<CodedColor>{CodedRgb(0, 0, 128), CodedRgb(128, 0, 0), CodedRgb(128, 0, 0), def}));
  // Without the colour flag the codes are consumed, counted, and ignored.
  l = LayoutCodedText(m, "~!abc~!", 0, 0, 255, 0, false, false, def);
  EXPECT_EQ(l.result, 4);
  ASSERT_EQ(l.runs.size(), 1u);
  EXPECT_EQ(l.runs[0].color, def);
  l = LayoutCodedText(m, "a~~b", 0, 0, 255, 0, false, true, kBlack);
  EXPECT_EQ(l.result, 0);  // "~~" is not counted
  EXPECT_EQ(Runs(l), (std::vector<LaidRun>{{"a", 0, 0, 0}, {"~", 0, 10, 0}, {"b", 0, 20, 0}}));
  // A limit that ends right after a tilde draws nothing for that tilde; a lone tilde at
  // the very end is never read past.
  EXPECT_EQ(Runs(LayoutCodedText(m, "ab~^c", 0, 0, 3, 0, false, true, kBlack)), (std::vector<LaidRun>{{"ab", 0, 0, 0}}));
  EXPECT_EQ(LayoutCodedText(m, "abc~", 0, 0, 255, 0, false, true, kBlack).runs.size(), 1u);
}

TEST(CodedText, StripControlBytesAndGreyConvertTheCodes) {
  struct Case {
    const char* coded;
    std::size_t limit;
    const char* plain;
  };
  const Case cases[] = {
      {"x~^2~^", 80, "x^2"},        {"r~^abc~^", 80, "r^(abc)"},          {"~@a~@", 80, "a"},
      {"r~^abc", 80, "r^(abc)"},  // a run that reaches the end still closes
      {"x~^(a+b)~^", 80, "x^(a+b)"},
      {"x~^2", 80, "x^(2)"},      // single only when a code follows directly
      {"x~^2~*b~*", 80, "x^2b"},  // the closing code is skipped whatever it is
      {"a~~b", 80, "a~b"},  // the tilde it is drawn as
      {"~!navy~! ~#red~#", 80, "navy red"}, {"ab~", 80, "ab"},
      {"x~^", 80, "x^"},            {"r~^abc~^", 3, "r^("},               {"", 80, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(StripTextCodes(c.coded, c.limit), c.plain) << c.coded;
  EXPECT_EQ(StripTextCodes(std::string_view("ab\0~^c", 6)), "ab");
  EXPECT_EQ(CodedTextToCtrlChars("~^2~^~`i~`~*b~*~&it~&~!c~!~~"),
            "\x14" "2\x14\x16i\x16\x02" "b\x02\x19it\x19" "c~");
  EXPECT_EQ(CodedTextToCtrlChars("abcdef~*", 3), "abc");
  EXPECT_EQ(CodedTextToCtrlChars("ab~"), "ab");

  std::string text = "~!a~#b~$c~=d~~!e~";
  GreyOutTextCodes(text);
  EXPECT_EQ(text, "~+a~+b~+c~=d~~!e~");
}

using platform::Color;
using platform::DcOpKind;
using platform::Font;
using platform::RecordingDeviceContext;

// The recorder's metrics: a character is ceil(|height| / 2) wide and |height| high.
CodedFontSet Fonts() {
  CodedFontSet set;
  set[0] = Font{"Arial", -16};
  set[1] = Font{"Arial", -13};
  set[2] = Font{"Symbol", -16, 400, false, 0, platform::CharSet::Symbol};
  set[3] = Font{"Arial", -16, 700};
  set[4] = Font{"Arial", -16, 400, true};
  return set;
}

const Color kDefault = Color::Rgb(10, 20, 30);

TEST(CodedTextDrawing, SuperscriptRunMovesUpInTheSmallFont) {
  RecordingDeviceContext dc;
  const CodedFontSet fonts = Fonts();
  EXPECT_EQ(DrawCodedTextOnDC(dc, "x~^2~^", fonts, 100, 50, 100, 0, 0, 1, kDefault), 4);
  auto texts = dc.OpsOf(DcOpKind::TextOut);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "x");
  EXPECT_EQ(texts[0].points[0], (platform::Point{100, 50}));
  EXPECT_EQ(texts[0].font, *fonts[0]);
  // h = min(cx, cy) of 8 reference characters = min(64, 16); superscript is h/8 up and
  // a one-character run advances by min(width, height) = 8.
  EXPECT_EQ(texts[1].text, "2");
  EXPECT_EQ(texts[1].points[0], (platform::Point{108, 48}));
  EXPECT_EQ(texts[1].font, *fonts[1]);
  // Font 0 and the default colour are selected again at the end.
  auto selects = dc.OpsOf(DcOpKind::SelectFont);
  EXPECT_EQ(selects.back().font, *fonts[0]);
  EXPECT_EQ(dc.OpsOf(DcOpKind::SetTextColor).back().color, kDefault);
}

TEST(CodedTextDrawing, ColoursFallBackInTheirOrder) {
  RecordingDeviceContext dc;
  DrawCodedTextOnDC(dc, "~!~#a~!b~#c", Fonts(), 0, 0, 100, 0, 0, 1, kDefault);
  auto texts = dc.OpsOf(DcOpKind::TextOut);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].color, Color::Rgb(128, 0, 0));  // navy and maroon on: maroon last set
  EXPECT_EQ(texts[1].color, Color::Rgb(128, 0, 0));  // navy off: maroon stays
  EXPECT_EQ(texts[2].color, kDefault);               // maroon off: the default
}

TEST(CodedTextDrawing, TextWithoutCodesIsOneTextOutAlignedByTheContext) {
  RecordingDeviceContext dc;
  EXPECT_EQ(DrawCodedTextOnDC(dc, "plain", Fonts(), 40, 10, 100, 1, 1, 1, kDefault), 0);
  auto texts = dc.OpsOf(DcOpKind::TextOut);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].points[0], (platform::Point{40, 10}));
  EXPECT_EQ(texts[0].align, platform::TextAlign::kCenter | platform::TextAlign::kBottom);
}

TEST(CodedTextDrawing, LiteralTildeIsDrawnAndNotCounted) {
  RecordingDeviceContext dc;
  EXPECT_EQ(DrawCodedTextOnDC(dc, "a~~b~*c~*", Fonts(), 0, 0, 100, 0, 0, 1, kDefault), 4);
  auto texts = dc.OpsOf(DcOpKind::TextOut);
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[1].text, "~");
  EXPECT_EQ(texts[3].font.weight, 700);
}

TEST(CodedTextDrawing, MeasuringContextIsSeparate) {
  RecordingDeviceContext dc, measure;
  DrawCodedText(dc, measure, "x~^2~^", Fonts(), 0, 0, 100, 1, 0, 1, kDefault);
  EXPECT_EQ(dc.Count(DcOpKind::GetTextExtent), 0u);
  EXPECT_GT(measure.Count(DcOpKind::GetTextExtent), 0u);
  EXPECT_EQ(measure.OpsOf(DcOpKind::SelectFont).back().font, *Fonts()[0]);
}

}  // namespace
