// A value of the data table that a file format cannot hold, and how the user is told: a save
// that would not give the table back refuses to write anything and names the first such
// value by its row and axis.
#pragma once

#include <string>
#include <string_view>

struct TValueNotHeld {
  int row = 0;             // 1-based row of the table
  const char* axis = "";   // "X", "Y", "Z" or "W"
  long double value = 0;
};

// "Row 3, X: 1E+400 Cannot Be Held by a .sav File\nNothing Was Written" for the file kind
// ".sav".
std::string ValueNotHeldText(const TValueNotHeld& refused, std::string_view fileKind);
