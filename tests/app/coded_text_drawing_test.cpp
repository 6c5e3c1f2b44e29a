#include "app/coded_text_drawing.h"

#include <gtest/gtest.h>

#include "platform/recording_device_context.h"

namespace {

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

TEST(CodedTextDrawing, ColourCodesAreIgnoredWithoutTheColourFlag) {
  RecordingDeviceContext dc;
  EXPECT_EQ(DrawCodedTextOnDC(dc, "~!abc~!", Fonts(), 0, 0, 100, 0, 0, 0, kDefault), 4);
  auto texts = dc.OpsOf(DcOpKind::TextOut);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "abc");
  EXPECT_EQ(texts[0].color, kDefault);
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
