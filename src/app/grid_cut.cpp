#include "app/grid_cut.h"

#include <cmath>

#include "app/c_format.h"
#include "app/number_format.h"

namespace {

// A count of points with its thousands marked; one past what a 64-bit count holds in three
// digits and an exponent.
std::string CountText(long double n) {
  if (n < 1e18L) return FormatWithCommas(static_cast<long long>(n));
  return CFormat("%.3Lg", n);
}

std::string Place(long double v) { return ShortestFigureText(v); }

std::string JumpLine(const TGridCut::TJump& jump, std::string_view axis) {
  if (!jump.present) return {};
  const std::string name(axis);
  return CFormat("\nIts %s Values Run to %s, Then Jump to the Range's End, %s", name.c_str(), Place(jump.before).c_str(),
                 Place(jump.end).c_str());
}

}  // namespace

std::string GridCutText(const TGridCut& cut, std::string_view target, std::string_view xName, std::string_view yName) {
  if (!cut.Cut()) return {};
  const std::string where(target), x(xName), y(yName);
  std::string text;
  if (std::isfinite(cut.asked))
    text = CFormat("%s of the Grid's %s Points Were Left Out of the %s", CountText(cut.asked - cut.written).c_str(),
                   CountText(cut.asked).c_str(), where.c_str());
  else
    text = CFormat("The Grid's Range Asks for Endless Points: the %s Holds %s of Them", where.c_str(),
                   CountText(cut.written).c_str());
  if (cut.stops && cut.written > 0)
    text += "\nIt Stops at " + GridPlaceText(x, cut.stopX, y, cut.stopY);
  return text + JumpLine(cut.jumpX, x) + JumpLine(cut.jumpY, y);
}

std::string GridPlaceText(std::string_view xName, long double x, std::string_view yName, long double y) {
  const std::string xn(xName), yn(yName);
  return CFormat("%s = %s, %s = %s", xn.c_str(), Place(x).c_str(), yn.c_str(), Place(y).c_str());
}
