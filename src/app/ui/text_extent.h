// How far a line of text reaches in pixels as the text windows and lists draw it, so that
// their scroll range takes in every line whole whatever the font: the column of "9" they
// step by is narrower than a proportional font's wider characters.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/coded_text_drawing.h"

class QPaintDevice;

// The advance in pixels of each Windows-1252 character in a font.
using TGlyphAdvances = std::array<double, 256>;

// The advances of a set of coded fonts on a paint device: `plain` of each character in the
// normal font, as plain text is drawn; `coded` the widest any of the fonts a code switches to
// gives it (normal, Symbol, bold, italic), as coded text may be drawn.
struct TTextAdvances {
  TGlyphAdvances plain{}, coded{};
};
TTextAdvances MeasureTextAdvances(const CodedFontSet& fonts, const QPaintDevice* device);

// How far a line reaches as DrawSegmentedLine draws it (attr: the segment lengths,
// 0-terminated): each segment from its visible column of `charStep` pixels, plain text by
// its advances, coded text by the widest.
double SegmentedLineExtent(std::string_view text, const std::uint8_t* attr, int charStep,
                           const TTextAdvances& advances);
// How far a text drawn whole as plain text reaches.
double PlainTextExtent(std::string_view text, const TTextAdvances& advances);
