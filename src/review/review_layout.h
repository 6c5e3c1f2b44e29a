// Where the review's windows stand. The settings keep two layout blocks, one for reviews
// opened graph first and one for reviews opened list first, each of six placements in this
// order: the review window, the equation list, the residual graph and the numeric, data and
// precision panes. A placement's fifth word is, for the four satellites, whether the
// window was open when the review last closed (the review window's own entry keeps its
// maximised state there), so that each kind of review reopens as the user left it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "app/settings_file.h"

enum ReviewLayoutEntry : int {
  kLayoutReview = 0,
  kLayoutList = 1,
  kLayoutResiduals = 2,
  kLayoutNumeric = 3,
  kLayoutData = 4,
  kLayoutPrecision = 5,
};
inline constexpr std::size_t kLayoutEntryCount = 6;

// The blocks start at kPlaceReviewGraphFirst and kPlaceReviewListFirst of the settings'
// placements.
inline int ReviewLayoutSlot(bool listFirst, int entry) {
  return (listFirst ? kPlaceReviewListFirst : kPlaceReviewGraphFirst) + entry;
}
std::span<WindowPlacement, kLayoutEntryCount> ReviewLayoutBlock(ProgramSettings& settings, bool listFirst);

// The open flag of a satellite's entry.
inline bool LayoutOpen(const WindowPlacement& p) { return p.maximized == 1; }
inline void SetLayoutOpen(WindowPlacement& p, bool open) { p.maximized = open ? 1 : 0; }

// The first four words as the equation list keeps them (left, top, width, height).
std::array<std::int32_t, 4> LayoutRect(const WindowPlacement& p);
void SetLayoutRect(WindowPlacement& p, const std::array<std::int32_t, 4>& rect);
