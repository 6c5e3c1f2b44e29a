// What a file or a table made of a generated X-Y grid holds of the grid its range asks for,
// and what the user is told when it holds less: how many points were left out and where it
// stops. A grid is taken X-major (every Y of the first X, then of the next), so a file that
// holds only its first points stops at the last X and Y it reached. An axis given fewer
// values than its range asks for may still end on the range's end value, after a jump.
#pragma once

#include <string>
#include <string_view>

struct TGridCut {
  long double asked = 0;    // the points the range asks for (nx * ny before any cap)
  long double written = 0;  // the points the file holds
  // The file holds the grid's points in their order up to (stopX, stopY).
  bool stops = false;
  long double stopX = 0, stopY = 0;
  // An axis cut short whose end value the file still holds, right after `before`.
  struct TJump {
    bool present = false;
    long double before = 0, end = 0;
  };
  TJump jumpX, jumpY;

  bool Cut() const { return written < asked; }
};

// Empty when nothing was left out. Otherwise, for `target` "File":
//   "24,017 of the Grid's 40,401 Points Were Left Out of the File"
//   "It Stops at X = 4.05, Y = 2.55"
//   "Its Y Values Run to 16.381, Then Jump to the Range's End, 100"
// `xName` and `yName` name the two axes as the range dialog did ("X" and "Y", "Z" and "Y").
std::string GridCutText(const TGridCut& cut, std::string_view target = "File", std::string_view xName = "X",
                        std::string_view yName = "Y");

// A place of the grid as its axes are named: "X = 4.05, Y = 2.55".
std::string GridPlaceText(std::string_view xName, long double x, std::string_view yName, long double y);
