// The rectangle of an integral or volume request, remembered by both engines so that asking
// again for the same one takes the numerical-integration route. It is kept whole: two
// requests are the same only when all four sides are.
#pragma once

struct TRectangle {
  long double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  bool operator==(const TRectangle&) const = default;
};

// The answer to the first request for a rectangle, kept for the second: its value (the
// missing value when it had none) and its relative error.
struct TFirstVolume {
  TRectangle rect;
  long double value = 0, error = 0;
};
