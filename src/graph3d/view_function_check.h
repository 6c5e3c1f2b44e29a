// The check of a view function before the viewer draws it, in the order the user meets the
// messages:
//   1. the text is normalised (every line ended by CR LF, trailing line ends dropped, one
//      CR LF appended);
//   2. the four range texts are evaluated: each must give a value, and each minimum must be
//      below its maximum;
//   3. A0..A7 are set to 1, X and $ to the middle of the X range, Y to the middle of Y;
//   4. each line is run once: it must hold "=", a "Z" line and each "Fn" line may stand only
//      once, and its expression must give a value without an error; the Fn lines are
//      compiled into the view function's slots 161..169 so that later lines can call them;
//   5. the function needs a Z line, no adjustable parameter, both X and Y, and Z only on the
//      left of its own line;
//   6. the whole text is compiled for the viewer (ExprCompileViewFn).
// The first failure ends the check with the message the user is shown and the place in the
// entry it names. Runs on the calling thread's expression context (its variables change).
#pragma once

#include <string>

#include "graph3d/view_function.h"

// String ids of the messages.
inline constexpr int kViewFnErrorCaption = 3201;  // "View Function(X,Y) Validation Error"
inline constexpr int kViewFnNoEqualSign = 3202;
inline constexpr int kViewFnSecondZ = 3203;
inline constexpr int kViewFnSecondF = 3204;     // its "x" becomes the line's digit
inline constexpr int kViewFnNoZ = 3205;
inline constexpr int kViewFnParameters = 3206;
inline constexpr int kViewFnMissingXY = 3207;   // its "x" becomes X or Y
inline constexpr int kViewFnZOnRight = 3208;
inline constexpr int kViewFnCompileError = 3209;
inline constexpr int kViewFnLineMissing = 3217;      // its "Fx" becomes the missing line
inline constexpr int kViewFnLineCallsItself = 3218;  // its "Fx" becomes the line
inline constexpr int kViewFnLineNestsCalculus = 3219;  // its "Fx" becomes the line
inline constexpr int kViewFnBadRangeFirst = 3221;  // 3221..3226, see ViewFnRangeMessage

// Which part of the entry a failure names (and takes the focus).
enum class ViewFnField { Text, MinX, MaxX, MinY, MaxY };

struct TViewFnRanges {
  long double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

struct TViewFnCheck {
  bool ok = false;
  std::string caption;
  std::string message;
  int messageId = 0;  // the string id of the message, or 0 when it is the marked line
  ViewFnField field = ViewFnField::Text;
  // In the function text: the line (0-based, -1 none) and, within it, where the selection
  // starts and how long it is (0: the caret).
  int line = -1;
  int column = 0;
  int length = 0;
  std::string text;      // the normalised function text
  TViewFnRanges ranges;  // the evaluated ranges, once they passed
};

[[nodiscard]] TViewFnCheck ValidateViewFunction(const TViewFnRecord& record);
