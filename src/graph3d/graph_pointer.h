// What the mouse does over a graph window: the data point under the pointer, the click
// zones that open the option dialogs, and the view steps of the wheel and middle button.
// Kept apart from the widgets so that the rules can be tested without a window.
#pragma once

#include <span>
#include <string>

#include "app/xyz_point.h"
#include "graph3d/renderer.h"

// Pixels within which a projected point counts as under the pointer, and the movement that
// turns a click on a point into a drag.
inline constexpr int kPickTolerance = 3;
inline constexpr int kDragThreshold = 2;

// The entry (1 .. count) of a kept point list (entry 0 holds the count in x, entries sorted
// by x) nearest to (x, y) within the tolerance in both directions, by the distance
// |dx| + |dy|; an earlier entry wins a tie. 0 when none is near, or when (x, y) lies outside
// 0..width, 0..height (coordinates relative to the graph rectangle).
int FindNearestKeptPoint(std::span<const TKeptPoint> list, int x, int y, int width, int height);

// Whether a release at (x, y) after a press at (pressX, pressY) is still a click.
inline bool IsClick(int pressX, int pressY, int x, int y) {
  return (x - pressX < kDragThreshold && pressX - x < kDragThreshold) &&
         (y - pressY < kDragThreshold && pressY - y < kDragThreshold);
}

// The option dialog a click on the graph opens: titles on the top tenth, the 3D view in the
// middle, scaling on the left, right and bottom tenths. (dx, dy) relative to the graph
// rectangle's top left, w and h its size.
enum class ClickZone { Titles, View, Scaling };
ClickZone ClickZoneAt(int dx, int dy, int w, int h);

struct TWheelKeys {
  bool shift = false;
  bool ctrl = false;
};
// Wheel notches from the wheel message's signed delta (120 a notch, truncating).
inline int WheelNotches(int delta) { return delta / 120; }
// Touch pads and fine wheels report deltas short of a notch: the part of a delta short of a
// whole notch is kept for the next message instead of vanishing in the division.
class TWheelAccumulator {
 public:
  // Whole notches (signed) of this delta with what was left over before.
  int Notches(int delta);

 private:
  int remainder_ = 0;
};
// The rotation (XY view angle, whole degrees) after a wheel turn: with a key, or from one of
// the four quarter views 30, 120, 210, 300, steps of 15 (Ctrl), 30 (Shift) or 90 degrees,
// past 360 to 30 and below 0 to 300; otherwise the next quarter view.
int WheelRotation(int rotation, int notches, TWheelKeys keys);
// The elevation (Z view angle) after a wheel turn: steps of 15 (Shift) or 10 (Ctrl), past 90
// to 0 and below 0 to 90; without a key the cycle 0, 20, 90, 0 whatever the direction.
int WheelElevation(int elevation, int notches, TWheelKeys keys);

// The texts the status strip shows for a data point under the pointer: "XYZ Point %d  [%s]"
// with its status, and its coordinates with 5 significant digits.
struct TPointTexts {
  std::string message, x, y, z;
};
TPointTexts HoverTexts(const TXYZPoint& point, int number);
// "Change Status of XYZ Point %d to %s": the status a click would give the point.
std::string ToggleText(const TXYZPoint& point, int number);
// The status a click gives a point: inactive ('*') becomes active, anything else inactive.
inline char ToggledStatus(char status) { return status == '*' ? ' ' : '*'; }
