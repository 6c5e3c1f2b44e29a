// How large the data points' symbols are drawn: the points options' size, scaled with the
// width of the graph as on every device (a printer page is thousands of pixels wide), but
// never so large that neighbouring symbols cover each other, and the surface, in one blob.
#pragma once

#include <span>

#include "platform/device_context.h"

// The mean distance between neighbouring points at these positions: the square root of the
// area of their convex hull per point, or for points that lie along a line, the line's
// length per point (whichever is larger). The data often cover only part of the graph's
// rectangle, so the rectangle says little about how close they lie. 0 for fewer than two
// distinct positions.
double MeanPointSpacing(std::span<const platform::Point> positions);

// The half-size in pixels of the point symbols of a graph `width` pixels wide at the points
// options' size (1 to 10): the size times one pixel per 500 of the width, but no more than a
// quarter of the points' mean spacing (0: no neighbours to keep clear of), and at least 1.
int PointSymbolHalfSize(int width, int size, double spacing);
