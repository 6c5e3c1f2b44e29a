// Axis labels that would run together are thinned: every k-th label is drawn, with the
// smallest k for which no two drawn labels touch. A label is a box on the screen (turned with
// its font's escapement) placed by its anchor and text alignment; two boxes touch when the
// separating-axis test finds no line between them.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "platform/device_context.h"

struct TLabelBox {
  std::array<std::array<double, 2>, 4> corners{};  // in order round the box
};

// The box of a label of `extent` drawn at (x, y) with the alignment flags of
// platform::TextAlign and a font turned by `escapement` tenths of a degree counter-clockwise,
// grown by `margin` pixels before and after the text (a line's height already holds the
// room between lines).
TLabelBox LabelBoxAt(int x, int y, platform::Size extent, unsigned align, int escapement, int margin);

// The least shift that brings `box` inside `room` (right and bottom exclusive); where the box
// is wider or taller than the room, its left or top edge is kept inside.
platform::Point ShiftInto(const TLabelBox& box, const platform::Rect& room);

// Whether two boxes overlap (boxes that only share an edge do not).
bool LabelBoxesOverlap(const TLabelBox& a, const TLabelBox& b);

// The step k >= 1 such that the labels 0, k, 2k, ... of a row of boxes (in the order they
// stand along the axis) do not overlap; the row's length when none but the first fits.
int LabelStride(std::span<const TLabelBox> boxes);

// A text to be placed among others: its extent, alignment flags, escapement and the margin
// kept before and after it, as LabelBoxAt takes them.
struct TTextShape {
  platform::Size extent;
  unsigned align = 0;
  int escapement = 0;
  int margin = 0;
};

// Where a text meant for `at` goes so that it lies whole inside `room` (right and bottom
// exclusive) and runs into none of the boxes `taken`, and where it can into none of `rather`
// either: `at` itself, or the least shift into the room, or else the nearest place on a
// lattice of `step` pixels about `at`, a move back against `outward` (a screen angle,
// counter-clockwise, y upward) counting double. Where no place within `reach` pixels is clear
// of `taken`, the least shift into the room. Its box joins `taken`.
platform::Point PlaceClearOf(platform::Point at, const TTextShape& text, long double outward, int step, int reach,
                             const platform::Rect& room, std::vector<TLabelBox>& taken,
                             std::span<const TLabelBox> rather = {});
