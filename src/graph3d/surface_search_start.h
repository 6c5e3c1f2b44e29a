// Where a search for a surface's lowest (or highest) point starts, and the box it keeps to.
#pragma once

class T3DBase;

struct TSurfaceSearchStart {
  long double x = 0, y = 0;
  long double xLow = 0, xHigh = 0;
  long double yLow = 0, yHigh = 0;
};

// A place along the renderer's X (axis 0) or Y (axis 1) axis as the data value there: the
// grid lines stand at equal steps in decades on a log axis, the surface takes data values.
long double AxisToData(const T3DBase& renderer, int axis, long double v);

// The search for the lowest (highest) point of the surface the renderer draws: from the
// extreme node of its grid, kept to the grid lines on either side of it, in data values.
TSurfaceSearchStart SurfaceSearchStart(const T3DBase& renderer, bool maximum);
