// What a turn of the mouse wheel does to the review graph's view: in rotation mode it turns
// the graph, in elevation mode it tilts it. Plain notches jump between the standard views;
// Shift and Ctrl step by fixed angles.
#pragma once

enum WheelMode : int {
  kWheelRotation = 0,
  kWheelElevation = 1,
};

struct TWheelView {
  double rotation = 0;   // degrees
  double elevation = 0;  // degrees
};

// Wheel deltas come in steps of 120 per notch from a mouse, in smaller steps from touch
// pads: the part of a delta short of a whole notch is kept for the next message.
class TWheelAccumulator {
 public:
  // Whole notches (signed) of this delta with what was left over before.
  int Notches(int delta);

 private:
  int remainder_ = 0;
};

// Applies `notches` (non-zero) to the view. With neither key a rotation off the standard
// views 30, 120, 210 and 300 snaps to the next of them above it (none from 300 up), and one
// on them turns by 90 per notch; Shift turns by 30, Ctrl by 15, a result above 360 becoming
// 30 and one below 0 becoming 300. Elevation: Shift 15 and Ctrl 10 per notch, wrapping
// above 90 to 0 and below 0 to 90; with neither key 20, 90 and 0 in turn.
void ApplyWheelNotches(TWheelView& view, int mode, int notches, bool shift, bool ctrl);
