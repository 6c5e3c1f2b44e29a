// The kinds of fit that the fit commands run and the background fit types: what each kind
// sets in the fit selection, and in the highest-term option, before its run.
//
//   kind  background  fits                          masks poly/rat/subset  non-linear flags
//   0     10          the current custom set        kept                   kept
//   1     1           all equations                 4095/123/7             all set
//   2     2           all linear equations          4095/123/7             all clear
//   3     3           simple equations              63/27/7                all clear
//   4     5           polynomial equations          4095/0/0               all clear
//   5     6           rational equations            0/123/0                all clear
//   6     7           polynomial and rational       4095/123/0             all clear
//   7     11          the user functions only       0/0/0                  all clear
//   8     8           peak functions                0/0/0                  0-71 set
//   9     9           transition functions          0/0/0                  72-143 set, 144-171 kept
//   10    4           robust plane                  0/0/0                  168-171 set
//
// The highest term count minus 1 becomes 2 for the simple equations and 10 for kinds 7-10;
// the other kinds keep it. Every run also fits each defined user function.
#pragma once

#include "fit/fit_blocks.h"

enum FitKind : int {
  kFitKindCustomSet = 0,
  kFitKindAll = 1,
  kFitKindLinear = 2,
  kFitKindSimple = 3,
  kFitKindPolynomial = 4,
  kFitKindRational = 5,
  kFitKindPolyRational = 6,
  kFitKindUserFunctions = 7,
  kFitKindPeak = 8,
  kFitKindTransition = 9,
  kFitKindRobustPlane = 10,
};
inline constexpr int kFitKindCount = 11;

// Background fit types 0..11; 0 is no background fit.
inline constexpr int kBackgroundFitTypeCount = 12;
inline constexpr int kBackgroundFitNone = 0;
inline constexpr int kBackgroundFitCustomSet = 10;

// The kind a background fit type runs; -1 for type 0 and for a type outside 1..11.
int FitKindOfBackgroundType(int type);

// Sets what the kind chooses; what it keeps is left as it is. A kind outside 0..10 changes
// nothing.
void SetSelectionForFitKind(int kind, TFitSelection& selection, TFitOptions& options);
