#include "platform/recording_device_context.h"

#include <array>
#include <tuple>
#include <utility>
#include <gtest/gtest.h>

namespace {

using platform::Brush;
using platform::Color;
using platform::DcOpKind;
using platform::Palette;
using platform::Pen;
using platform::Point;
using platform::RecordingDeviceContext;

TEST(Color, ClassicReferenceLayoutResolvedThroughTheSelectedPalette) {
  // 0x00BBGGRR for RGB, kind byte 1 for a palette index, 2 for a palette-matched RGB.
  EXPECT_EQ(Color::Rgb(0x12, 0x34, 0x56).ref, 0x00563412u);
  EXPECT_EQ(Color::Hex(0xB0B000).ref, 0x0000B0B0u);
  EXPECT_EQ(Color::PaletteIndex(31).ref, 0x0100001Fu);
  EXPECT_EQ(Color::PaletteRgb(1, 2, 3).ref, 0x02030201u);
  EXPECT_EQ(Color::PaletteRgb(1, 2, 3).PlainRgb(), Color::Rgb(1, 2, 3));
  EXPECT_FALSE(Color::Invalid().IsPaletteIndex());
  const Palette palette{{Color::Hex(0xC00000), Color::Hex(0x00FF00), Color::Hex(0x0000FF)}};
  struct Case {
    Color in;
    const Palette* palette;
    Color out;
  };
  const Case cases[] = {
      {Color::PaletteIndex(1), &palette, Color::Hex(0x00FF00)},
      {Color::PaletteIndex(7), &palette, Color::Hex(0xC00000)},  // out of range: entry 0
      {Color::PaletteIndex(1), nullptr, Color::Black()},
      {Color::PaletteRgb(9, 8, 7), &palette, Color::Rgb(9, 8, 7)},
      {Color::Rgb(9, 8, 7), nullptr, Color::Rgb(9, 8, 7)},
      {Color::Invalid(), &palette, Color::Invalid()},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::ResolveColor(c.in, c.palette), c.out);
}

TEST(RecordingDeviceContext, RecordsFiguresWithTheStateTheyWereDrawnIn) {
  RecordingDeviceContext dc;
  const Palette palette{{Color::Hex(0x112233), Color::Hex(0x445566)}};
  dc.SelectPalette(&palette);
  dc.SelectBrush(Brush::Solid(Color::PaletteIndex(1)));
  dc.SelectPen(Pen::Solid(Color::PaletteRgb(1, 2, 3)));
  const std::array<Point, 4> quad = {{{0, 0}, {10, 0}, {10, 5}, {0, 5}}};
  dc.Polygon(quad);
  dc.MoveTo(3, 4);
  dc.LineTo(7, 9);
  dc.LineTo(1, 1);
  dc.Rectangle(0, 0, 5, 6);

  ASSERT_EQ(dc.Count(DcOpKind::Polygon), 1u);
  const auto polygon = dc.OpsOf(DcOpKind::Polygon)[0];
  EXPECT_EQ(polygon.points, std::vector<Point>(quad.begin(), quad.end()));
  // The brush as selected, and the pen's and brush's colours resolved through the palette.
  EXPECT_EQ(std::tuple(polygon.brush.color, polygon.brushRgb, polygon.penRgb),
            std::tuple(Color::PaletteIndex(1), Color::Hex(0x445566), Color::Rgb(1, 2, 3)));
  std::vector<std::vector<Point>> lines;  // each from the current position
  for (const auto& op : dc.OpsOf(DcOpKind::LineTo)) lines.push_back(op.points);
  EXPECT_EQ(lines, (std::vector<std::vector<Point>>{{{3, 4}, {7, 9}}, {{7, 9}, {1, 1}}}));
  EXPECT_EQ(dc.OpsOf(DcOpKind::Rectangle)[0].rect, (platform::Rect{0, 0, 5, 6}));
  EXPECT_EQ(dc.OpsOf(DcOpKind::SelectPalette)[0].value, 2);
  EXPECT_NE(dc.Describe().find("Polygon (0,0) (10,0)"), std::string::npos);
}

TEST(RecordingDeviceContext, PixelsReadBackInsideSurfaceAndClipAndBlitFromOffScreen) {
  RecordingDeviceContext dc(200, 100);
  const Palette palette{{Color::Hex(0x000080), Color::Hex(0x008000)}};
  dc.SelectPalette(&palette);
  dc.SetPixel(10, 10, Color::PaletteIndex(1));
  const std::pair<Point, Color> pixels[] = {{{10, 10}, Color::Hex(0x008000)},
                                            {{11, 10}, Color::White()},
                                            {{200, 10}, Color::Invalid()},
                                            {{-1, 0}, Color::Invalid()}};
  for (const auto& [p, c] : pixels) EXPECT_EQ(dc.GetPixel(p.x, p.y), c) << p.x;
  dc.SetClipRect(platform::Rect{0, 0, 10, 10});
  EXPECT_EQ(dc.GetPixel(10, 10), Color::Invalid());
  dc.ResetClip();
  EXPECT_EQ(dc.GetPixel(10, 10), Color::Hex(0x008000));
  {
    auto memory = dc.CreateCompatible(50, 40);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->Caps().width, 50);
    memory->SetPixel(2, 3, Color::Hex(0xFF0000));
    memory->SetPixel(49, 39, Color::Hex(0x00FF00));
    memory->Rectangle(0, 0, 50, 40);
    EXPECT_TRUE(dc.BitBlt(100, 50, 10, 10, *memory, 0, 0));
  }
  EXPECT_EQ(dc.CreateCompatible(0, 10), nullptr);
  // The off-screen context stays observable after it is gone.
  ASSERT_EQ(dc.Children().size(), 1u);
  EXPECT_EQ(dc.Children()[0]->Count(DcOpKind::Rectangle), 1u);
  EXPECT_EQ(dc.GetPixel(102, 53), Color::Hex(0xFF0000));
  EXPECT_EQ(dc.GetPixel(149, 89), Color::White());  // outside the copied 10 x 10 block
}

}  // namespace
