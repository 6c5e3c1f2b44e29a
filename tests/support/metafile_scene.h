// A small picture with every kind of call the renderer makes, for the metafile tests.
#pragma once

#include "platform/device_context.h"

inline void DrawMetafileScene(platform::DeviceContext& dc) {
  const platform::Palette palette{{platform::Color::Rgb(10, 20, 30), platform::Color::Rgb(200, 100, 50)}};
  dc.SelectPalette(&palette);
  dc.RealizePalette();
  dc.SelectBrush(platform::Brush::Solid(platform::Color::White()));
  dc.SelectPen(platform::Pen::Null());
  dc.Rectangle(0, 0, 200, 150);
  dc.SelectPen(platform::Pen::Solid(platform::Color::PaletteIndex(1)));
  dc.SelectBrush(platform::Brush::Solid(platform::Color::Hex(0x3366CC)));
  const platform::Point triangle[] = {{20, 120}, {100, 20}, {180, 120}};
  dc.Polygon(triangle);
  dc.SelectPen(platform::Pen::Dotted(platform::Color::Black()));
  dc.MoveTo(10, 140);
  dc.LineTo(190, 140);
  const platform::Point zigzag[] = {{10, 10}, {30, 30}, {50, 10}, {70, 30}};
  dc.Polyline(zigzag);
  dc.SelectBrush(platform::Brush::Null());
  dc.Ellipse(150, 10, 190, 50);
  dc.SetPixel(5, 5, platform::Color::PaletteIndex(0));
  dc.SetBkMode(platform::BkMode::Transparent);
  dc.SetTextColor(platform::Color::Hex(0x800000));
  dc.SelectFont(platform::Font{"Arial", -14, 700, false, 0, platform::CharSet::Ansi});
  dc.SetTextAlign(platform::TextAlign::kCenter | platform::TextAlign::kBaseline);
  dc.TextOut(100, 80, "z = a\xB2 + x\x80");
  dc.SelectFont(platform::Font{"Symbol", -14, 400, false, 900, platform::CharSet::Symbol});
  dc.TextOut(30, 100, "abp");
  dc.SetClipRect({10, 10, 100, 100});
  dc.Rectangle(0, 0, 150, 150);
  dc.ResetClip();
  dc.SelectPalette(nullptr);
}

