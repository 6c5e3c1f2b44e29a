// The lines of a user-defined function's (or the view function's) text and what each one
// is: the Z line and the sub-function lines Fj / #Fj are compiled into program slots, any
// other line is a statement run once when the function is loaded.
#pragma once

#include <string_view>
#include <vector>

enum class UdfLineKind {
  kValue,        // begins with Z: compiled into slot 10k
  kSubFunction,  // begins with Fj or #Fj, j 1..9: compiled into slot 10k+j
  kStatement,    // anything else (F0, F without a digit too): run once when loaded
};

struct TUdfLine {
  UdfLineKind kind = UdfLineKind::kStatement;
  int sub = 0;                  // j of a sub-function line
  std::string_view text;        // the whole line, without its line end
  bool hasEquals = false;       // the line holds "="
  std::string_view expression;  // after the first "=" for Z and Fj lines, else the whole line
};

// Classifies one line (a trailing CR is dropped).
TUdfLine ClassifyUdfLine(std::string_view line);

// The lines of a text as a text-mode stream delivers them: split at LF, the CR before an
// LF dropped, a last line without LF still a line. Function texts and the user-function
// files are read with it.
class TUdfTextLines {
 public:
  explicit TUdfTextLines(std::string_view text) : rest_(text) {}
  // The next line; false at the end of the text.
  bool Next(std::string_view& line);

 private:
  std::string_view rest_;
};
// All lines of a text, as TUdfTextLines gives them.
std::vector<std::string_view> UdfTextLines(std::string_view text);
// Slot of a Z or Fj line of function k; -1 for a statement.
int UdfLineSlot(int k, const TUdfLine& line);
