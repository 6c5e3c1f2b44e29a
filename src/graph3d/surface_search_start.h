// Where a search for a surface's lowest (or highest) point starts, and the box it keeps to.
#pragma once

struct TSurfaceSearchStart {
  long double x = 0, y = 0;
  long double xLow = 0, xHigh = 0;
  long double yLow = 0, yHigh = 0;
};
