#include "graph3d/label_thinning.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

TLabelBox LabelBoxAt(int x, int y, platform::Size extent, unsigned align, int escapement, int margin) {
  namespace TA = platform::TextAlign;
  const double w = extent.cx, h = extent.cy;
  double left = 0;
  switch (align & TA::kHorizontalMask) {
    case TA::kRight: left = -w; break;
    case TA::kCenter: left = -w / 2; break;
    default: break;
  }
  const double top = (align & TA::kBottom) != 0 ? -h : 0;
  const double m = margin;
  // Along the text (u) and down the glyphs (v), turned onto the screen, whose y grows
  // downward: a counter-clockwise turn by t maps (u, v) to (u cos t + v sin t, v cos t - u sin t).
  const double t = escapement / 10.0 * std::numbers::pi / 180.0;
  const double c = std::cos(t), s = std::sin(t);
  const double us[4] = {left - m, left + w + m, left + w + m, left - m};
  const double vs[4] = {top, top, top + h, top + h};
  TLabelBox box;
  for (std::size_t i = 0; i < 4; ++i)
    box.corners[i] = {x + us[i] * c + vs[i] * s, y + vs[i] * c - us[i] * s};
  return box;
}

platform::Point ShiftInto(const TLabelBox& box, const platform::Rect& room) {
  double left = INFINITY, right = -INFINITY, top = INFINITY, bottom = -INFINITY;
  for (const auto& c : box.corners) {
    left = std::min(left, c[0]), right = std::max(right, c[0]);
    top = std::min(top, c[1]), bottom = std::max(bottom, c[1]);
  }
  // Whole pixels, each shift rounded so that it brings the box all the way in; a turned box's
  // corners carry the sine's rounding (cos 90 degrees is 6e-17), which moves no pixel.
  constexpr double kRounding = 1e-6;
  auto shift = [](double low, double high, int roomLow, int roomHigh) {
    int d = 0;
    if (high > roomHigh + kRounding) d = static_cast<int>(std::floor(roomHigh - high + kRounding));
    if (low + d < roomLow - kRounding) d = static_cast<int>(std::ceil(roomLow - low - kRounding));
    return d;
  };
  return {shift(left, right, room.left, room.right), shift(top, bottom, room.top, room.bottom)};
}

namespace {

// Whether an edge normal of `a` separates the two boxes.
bool SeparatedByEdgeOf(const TLabelBox& a, const TLabelBox& b) {
  for (std::size_t i = 0; i < 4; ++i) {
    const auto& p = a.corners[i];
    const auto& q = a.corners[(i + 1) % 4];
    const double nx = q[1] - p[1], ny = p[0] - q[0];
    double aMin = INFINITY, aMax = -INFINITY, bMin = INFINITY, bMax = -INFINITY;
    for (std::size_t k = 0; k < 4; ++k) {
      const double pa = a.corners[k][0] * nx + a.corners[k][1] * ny;
      const double pb = b.corners[k][0] * nx + b.corners[k][1] * ny;
      aMin = std::min(aMin, pa), aMax = std::max(aMax, pa);
      bMin = std::min(bMin, pb), bMax = std::max(bMax, pb);
    }
    if (aMax <= bMin || bMax <= aMin) return true;
  }
  return false;
}

}  // namespace

bool LabelBoxesOverlap(const TLabelBox& a, const TLabelBox& b) {
  return !SeparatedByEdgeOf(a, b) && !SeparatedByEdgeOf(b, a);
}

int LabelStride(std::span<const TLabelBox> boxes) {
  const int n = static_cast<int>(boxes.size());
  for (int k = 1; k < n; ++k) {
    bool apart = true;
    for (int i = 0; apart && i + k < n; i += k)
      apart = !LabelBoxesOverlap(boxes[static_cast<std::size_t>(i)], boxes[static_cast<std::size_t>(i + k)]);
    if (apart) return k;
  }
  return std::max(n, 1);
}

platform::Point PlaceClearOf(platform::Point at, const TTextShape& text, long double outward, int step, int reach,
                             const platform::Rect& room, std::vector<TLabelBox>& taken,
                             std::span<const TLabelBox> rather) {
  const auto boxAt = [&](platform::Point p) {
    return LabelBoxAt(p.x, p.y, text.extent, text.align, text.escapement, text.margin);
  };
  const auto clearOf = [](const TLabelBox& box, std::span<const TLabelBox> others) {
    return std::none_of(others.begin(), others.end(), [&](const TLabelBox& o) { return LabelBoxesOverlap(box, o); });
  };
  const auto take = [&](platform::Point p) {
    taken.push_back(boxAt(p));
    return p;
  };
  const platform::Point shift = ShiftInto(boxAt(at), room);
  const platform::Point inside{at.x + shift.x, at.y + shift.y};
  step = std::max(step, 1);
  const int rings = std::max(reach, 0) / step;
  const double ox = std::cos(static_cast<double>(outward)), oy = -std::sin(static_cast<double>(outward));
  // First clear of both `taken` and `rather`, then of `taken` alone.
  for (const bool strict : {true, false}) {
    const auto clearAt = [&](platform::Point p) {
      const TLabelBox box = boxAt(p);
      return ShiftInto(box, room) == platform::Point{0, 0} && clearOf(box, taken) && (!strict || clearOf(box, rather));
    };
    if (clearAt(inside)) return take(inside);
    // The lattice about `at` is tried in the order of the cost of the move: its length, with
    // the part that goes back against `outward` counted twice (a title moved back toward its
    // axis lands among the axis's labels; one moved past them, or along them, still reads as
    // theirs). Its rings are laid out a few at a time (most texts find a place at once): a
    // place of ring r costs at least r steps, so the places of the rings laid out that cost no
    // more than the next ring's least are tried in order before the next rings are added.
    std::vector<std::pair<double, platform::Point>> places;
    double tried = -1;
    for (int laid = std::min(4, rings); laid > 0; laid = laid >= rings ? 0 : std::min(2 * laid, rings)) {
      places.clear();
      for (int i = -laid; i <= laid; ++i)
        for (int j = -laid; j <= laid; ++j) {
          const double dx = i * step, dy = j * step;
          const double back = std::max(0.0, -(dx * ox + dy * oy));
          const double cost = std::hypot(dx, dy) + back;
          if (cost > tried) places.push_back({cost, {at.x + i * step, at.y + j * step}});
        }
      std::stable_sort(places.begin(), places.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
      const double bound = laid >= rings ? INFINITY : static_cast<double>(laid + 1) * step;
      for (const auto& [cost, p] : places) {
        if (cost > bound) break;
        if (clearAt(p)) return take(p);
      }
      tried = bound;
    }
  }
  return take(inside);
}
