// The fitting preferences dialog's controls, apart from the widgets: how the options block
// shows in them, how they are stored back, and what Reset puts into them.
//
//   101-104 radio: initial sort by r² (code 1), adjusted r² (2), fit standard error (4),
//           F (8)
//   105     keep count 1-200 (shows the term-subset keep count, stored into all three)
//   106     highest term count 2-66 (stored minus 1)
//   107     term significant digit threshold 1-15
//   108     automatic SVD            109  no DOF for error
//   201     maximum iterations 2-9999
//   202     converge to significant digits in r², 3-15
//   301-304 radio: robust mode 0-3
#pragma once

#include "fit/fit_blocks.h"

inline constexpr int kSortRadioCount = 4;
inline constexpr int kRobustRadioCount = 4;

struct TFitOptionsForm {
  int sortRadio = -1;  // 0..3 for 101..104, -1 none checked
  long keep = 0;
  long highestTerms = 0;  // the term count itself (the block holds it minus 1)
  long digits = 0;
  bool autoSvd = false;
  bool noDof = false;
  long iterations = 0;
  long convergeDigits = 0;
  int robustMode = 0;  // 0..3 for 301..304
  bool operator==(const TFitOptionsForm&) const = default;
};

// The sort code of each radio: 1, 2, 4, 8.
int SortCodeOfRadio(int radio);

// The controls of a block: the sort radio from the code's bits 0..3 (none for the codes
// 16 and 64, which have no radio).
TFitOptionsForm FitOptionsFormOf(const TFitOptions& options);
// Stores the controls, each clamped into its range. The sort code becomes the checked
// radio's code, unless the radio is the one the dialog opened with (or none is checked):
// then `openedWith`'s code stays, so that a code the radios cannot show (complexity,
// equation number, or the parameter count first) survives a visit to the dialog.
void StoreFitOptionsForm(const TFitOptionsForm& form, const TFitOptions& openedWith,
                         TFitOptions& options);
// What Reset puts into the controls (not into the block): sort by r², keep 10, 66 terms,
// 9 digits, 200 iterations, 6 convergence digits, both switches off, least squares.
TFitOptionsForm ResetFitOptionsForm();
