#include "review/review_layout.h"

std::span<WindowPlacement, kLayoutEntryCount> ReviewLayoutBlock(ProgramSettings& settings, bool listFirst) {
  const auto first = static_cast<std::size_t>(ReviewLayoutSlot(listFirst, kLayoutReview));
  return std::span<WindowPlacement, kLayoutEntryCount>(settings.placements.data() + first, kLayoutEntryCount);
}

std::array<std::int32_t, 4> LayoutRect(const WindowPlacement& p) { return {p.x, p.y, p.width, p.height}; }

void SetLayoutRect(WindowPlacement& p, const std::array<std::int32_t, 4>& rect) {
  p.x = rect[0];
  p.y = rect[1];
  p.width = rect[2];
  p.height = rect[3];
}
