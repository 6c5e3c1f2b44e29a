// The eight lists of the function-insertion dialogs: what the language offers, grouped, each
// entry written as it is inserted into a formula (the language's own spelling, with
// placeholders for the arguments: "IBETA(A,B,X)", "DTOR(Deg)").
#pragma once

#include <span>

struct TFunctionList {
  int resource;       // 4004 + the list's index
  const char* title;  // the dialog's caption
  std::span<const char* const> entries;
};

inline constexpr int kFunctionListCount = 8;
inline constexpr int kFunctionListFirstResource = 4004;
// The calculus list (the integrals, sums, derivatives and roots of a sub-function), which a
// data calculation cannot use: it has no sub-functions.
inline constexpr int kCalculusFunctionList = 4;

// List 0 general, 1 trigonometric, 2 statistical, 3 Bessel, 4 calculus, 5 XYZ data table,
// 6 conditional, 7 non-linear base.
const TFunctionList& FunctionList(int list);
