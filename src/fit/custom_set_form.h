// The custom equation set dialog's check boxes and counts, apart from the widgets: how the
// selection block shows as check boxes, how the boxes make the block, and the counts the
// dialog shows.
//
// Boxes by control id:
//   101 polynomial "Standard" (mask 9)   102 "Add Ln,Inv" (54, with 101 only)
//   103 rational "Standard" (9)          104 "Add Ln" (18, with 103 only)
//   105 subsets of Z, 106 of ln Z, 107 of 1/Z (106 and 107 with 105 only)
//   108 Chebyshev polynomials (bit 6)    109 "Add Ln" (bit 11, with 108 only)
//   110 Chebyshev rationals (bit 5)      111 "Add Ln" (bit 6, with 110 only)
//   112 Fourier series (bits 7 and 10)   113 cosine series (8)   114 sigmoid series (9)
//   201-214 the 14 shape groups          215 robust plane (flags 168-171)
//   301-306 forms: standard, equal widths, additive, additive with synergy, function of X
//           only, function of Y only
//   307 intercept "None", 308 "Add"
#pragma once

#include <array>
#include <cstdint>

#include "fit/fit_blocks.h"

inline constexpr int kCustomLinearFirst = 101, kCustomLinearLast = 114;
inline constexpr int kCustomGroupFirst = 201, kCustomGroupLast = 215;
inline constexpr int kCustomFormFirst = 301, kCustomFormLast = 306;
inline constexpr int kCustomInterceptNone = 307, kCustomInterceptAdd = 308;

struct TCustomSetForm {
  std::array<bool, 14> linear{};  // 101..114
  std::array<bool, 15> groups{};  // 201..215
  std::array<bool, 6> forms{};    // 301..306
  bool interceptNone = false;
  bool interceptAdd = false;

  // The box of a control id (false for an id that is not a box).
  bool Checked(int id) const;
  void Check(int id, bool on);
  bool operator==(const TCustomSetForm&) const = default;
};

// The base box of a dependent box (102 -> 101, 104 -> 103, 106 and 107 -> 105, 109 -> 108,
// 111 -> 110); 0 for any other id.
int CustomSetBaseBox(int id);

// The boxes that show a selection: a linear box is checked when any of its bits is set, a
// group when any of its 12 flags is, the robust plane by flag 168, a form when a set flag
// has it. Without a form, "Standard"; without an intercept, "None".
TCustomSetForm CustomSetFormOf(const TFitSelection& selection);
// The selection the boxes make: masks from the linear boxes (a dependent box counts only
// with its base box), every flag cleared and then set for each checked group by each
// checked form and intercept.
void StoreCustomSetForm(const TCustomSetForm& form, TFitSelection& selection);

// The counts the dialog shows: linear equations selected (with every candidate subset of
// the term-subset variants), linear equations kept, non-linear equations selected.
struct TCustomSetCounts {
  std::uint64_t selectedLinear = 0;
  std::uint64_t keptLinear = 0;
  std::uint32_t nonlinear = 0;
};
TCustomSetCounts CountCustomSet(const TFitSelection& selection, const TFitOptions& options);
