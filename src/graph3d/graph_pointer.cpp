#include "graph3d/graph_pointer.h"

#include <algorithm>
#include <cstdlib>

#include "app/c_format.h"
#include "platform/string_table.h"

namespace {

constexpr int kPointStatusText = 3281;
constexpr int kChangeStatusText = 3282;
constexpr int kActiveText = 3285;
constexpr int kInactiveText = 3286;
constexpr int kPointDigits = 5;

std::string Text(int id) { return std::string(platform::LoadString(id)); }

}  // namespace

int FindNearestKeptPoint(std::span<const TKeptPoint> list, int x, int y, int width, int height) {
  if (list.empty() || x < 0 || y < 0 || x > width || y > height) return 0;
  const int count = std::clamp(list[0].x, 0, static_cast<int>(list.size()) - 1);
  if (count == 0) return 0;
  // The last entry left of the window; the walk starts there (or at entry 1).
  const auto sorted = list.subspan(1, static_cast<std::size_t>(count));
  const auto after = std::lower_bound(sorted.begin(), sorted.end(), x - kPickTolerance,
                                      [](const TKeptPoint& p, int v) { return p.x < v; });
  int k = static_cast<int>(after - sorted.begin());  // entries 1..k lie left of the window
  if (k == 0) k = 1;
  int best = 0;
  int bestDistance = 0;
  for (; k <= count && list[static_cast<std::size_t>(k)].x <= x + kPickTolerance; ++k) {
    const TKeptPoint& p = list[static_cast<std::size_t>(k)];
    const int dx = std::abs(p.x - x), dy = std::abs(p.y - y);
    if (p.x < 0 || dx > kPickTolerance || dy > kPickTolerance) continue;
    if (best == 0 || dx + dy < bestDistance) {
      best = k;
      bestDistance = dx + dy;
    }
  }
  return best;
}

int TWheelAccumulator::Notches(int delta) {
  remainder_ += delta;
  const int notches = WheelNotches(remainder_);
  remainder_ -= notches * 120;
  return notches;
}

ClickZone ClickZoneAt(int dx, int dy, int w, int h) {
  if (dy < h / 10) return ClickZone::Titles;
  if (dx >= w / 10 && dx <= (w / 10) * 9 && dy <= (h / 10) * 9) return ClickZone::View;
  return ClickZone::Scaling;
}

int WheelRotation(int rotation, int notches, TWheelKeys keys) {
  const bool quarter = rotation == 30 || rotation == 120 || rotation == 210 || rotation == 300;
  if (keys.shift || keys.ctrl || quarter) {
    const int step = keys.ctrl ? 15 : keys.shift ? 30 : 90;
    rotation += step * notches;
    if (rotation > 360) rotation = 30;
    if (rotation < 0) rotation = 300;
    return rotation;
  }
  if (rotation < 30) return 30;
  if (rotation < 120) return 120;
  if (rotation < 210) return 210;
  if (rotation < 300) return 300;
  return rotation;
}

int WheelElevation(int elevation, int notches, TWheelKeys keys) {
  if (keys.shift || keys.ctrl) {
    elevation += notches * (keys.shift ? 15 : 10);
    if (elevation > 90) elevation = 0;
    if (elevation < 0) elevation = 90;
    return elevation;
  }
  if (elevation < 20) return 20;
  if (elevation < 90) return 90;
  return 0;
}

TPointTexts HoverTexts(const TXYZPoint& point, int number) {
  TPointTexts t;
  t.message = CFormat(Text(kPointStatusText).c_str(), number,
                      Text(point.Status == '*' ? kInactiveText : kActiveText).c_str());
  t.x = CFormat("%.*Lg", kPointDigits, point.X);
  t.y = CFormat("%.*Lg", kPointDigits, point.Y);
  t.z = CFormat("%.*Lg", kPointDigits, point.Z);
  return t;
}

std::string ToggleText(const TXYZPoint& point, int number) {
  return CFormat(Text(kChangeStatusText).c_str(), number,
                 Text(point.Status == '*' ? kActiveText : kInactiveText).c_str());
}
