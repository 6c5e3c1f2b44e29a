#include "app/ui/clear_placement.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>
#include <utility>

#include "app/ui/dialog.h"

namespace {

bool Reachable(const QWidget* c) {
  if (qobject_cast<const QAbstractButton*>(c) || qobject_cast<const QMenuBar*>(c) ||
      qobject_cast<const QAbstractSpinBox*>(c) || qobject_cast<const QComboBox*>(c) ||
      qobject_cast<const QAbstractSlider*>(c))
    return true;
  // A line edit inside a spin box or a combo box is the box's.
  return qobject_cast<const QLineEdit*>(c) && !qobject_cast<const QAbstractSpinBox*>(c->parentWidget()) &&
         !qobject_cast<const QComboBox*>(c->parentWidget());
}

long long Area(const QRect& r) { return static_cast<long long>(r.width()) * r.height(); }

// Controls that stand together (a column of buttons, a grid of cells) as one rectangle: two
// are joined when they nearly touch and their joint rectangle is hardly more than the two;
// a menu bar and the button under it stay apart.
std::vector<QRect> Joined(std::vector<QRect> rects) {
  constexpr int kGap = 6;
  for (bool joined = true; joined;) {
    joined = false;
    for (std::size_t i = 0; i < rects.size() && !joined; ++i)
      for (std::size_t j = i + 1; j < rects.size() && !joined; ++j) {
        const QRect both = rects[i] | rects[j];
        if (!rects[i].adjusted(-kGap, -kGap, kGap, kGap).intersects(rects[j])) continue;
        if (4 * Area(both) > 5 * (Area(rects[i]) + Area(rects[j]))) continue;
        rects[i] = both;
        rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(j));
        joined = true;
      }
  }
  return rects;
}

// The sizes to try from `wanted` down to `least`, each way in a few steps.
std::vector<QSize> Sizes(QSize wanted, QSize least, TClearFit fit) {
  constexpr int kSteps = 8;
  least = least.boundedTo(wanted);
  std::set<int> widths, heights;
  for (int k = 0; k <= kSteps; ++k) {
    widths.insert(wanted.width() - (wanted.width() - least.width()) * k / kSteps);
    heights.insert(wanted.height() - (wanted.height() - least.height()) * k / kSteps);
  }
  std::vector<QSize> sizes;
  for (int w : widths)
    for (int h : heights) sizes.emplace_back(w, h);
  std::stable_sort(sizes.begin(), sizes.end(), [fit](QSize a, QSize b) {
    if (fit == TClearFit::kFullWidth && a.width() != b.width()) return a.width() > b.width();
    return static_cast<long long>(a.width()) * a.height() > static_cast<long long>(b.width()) * b.height();
  });
  return sizes;
}

}  // namespace

std::vector<QRect> ReachableControls(const QWidget* owner) {
  std::vector<QRect> controls;
  if (owner == nullptr || !owner->isVisible()) return controls;
  for (const QWidget* c : owner->findChildren<QWidget*>()) {
    if (c->window() != owner || !c->isVisibleTo(owner) || !c->isEnabled() || !Reachable(c)) continue;
    controls.emplace_back(c->mapToGlobal(QPoint(0, 0)), c->size());
  }
  return controls;
}

QRect ClearPlace(const QRect& room, const QRect& wanted, QSize least, const std::vector<QRect>& keepFree,
                 const QMargins& frame, TClearFit fit) {
  const std::vector<QRect> controls = Joined(keepFree);
  for (const QSize size : Sizes(wanted.size().boundedTo(room.size()), least, fit)) {
    const int w = size.width(), h = size.height();
    // Where an edge of the frame meets an edge of a control or of the room.
    std::vector<int> xs = {wanted.x(), room.left(), room.right() + 1 - w};
    std::vector<int> ys = {wanted.y(), room.top(), room.bottom() + 1 - h};
    for (const QRect& c : controls) {
      xs.push_back(c.right() + 1 + frame.left());
      xs.push_back(c.left() - frame.right() - w);
      ys.push_back(c.bottom() + 1 + frame.top());
      ys.push_back(c.top() - frame.bottom() - h);
    }
    std::optional<QRect> best;
    long long bestDistance = 0;
    for (int x : xs)
      for (int y : ys) {
        const QRect client(x, y, w, h);
        if (!room.contains(client)) continue;
        const QRect frameRect = client.marginsAdded(frame);
        if (std::any_of(controls.begin(), controls.end(), [&](const QRect& c) { return c.intersects(frameRect); }))
          continue;
        const long long distance = std::llabs(static_cast<long long>(x) - wanted.x()) +
                                   std::llabs(static_cast<long long>(y) - wanted.y());
        if (!best || distance < bestDistance) {
          best = client;
          bestDistance = distance;
        }
      }
    if (best) return *best;
  }
  QRect held = wanted;
  held.setSize(wanted.size().boundedTo(room.size()));
  held.moveLeft(std::clamp(held.left(), room.left(), room.right() + 1 - held.width()));
  held.moveTop(std::clamp(held.top(), room.top(), room.bottom() + 1 - held.height()));
  return held;
}

void PlaceClearOf(QWidget* window, const QWidget* owner, const QRect& wanted, TClearFit fit) {
  PlaceClearOf(window, owner, wanted, fit, {});
}

void PlaceClearOf(QWidget* window, const QWidget* owner, const QRect& wanted, TClearFit fit,
                  const std::vector<QRect>& alsoFree) {
  if (owner == nullptr || !owner->isVisible()) {
    PlaceWithinScreen(window, wanted);
    return;
  }
  const QRect room = WindowRoom(window);
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen->availableGeometry();
  // The frame WindowRoom allows for: a title bar above, a border on each side and below.
  const int border = area.right() - room.right();
  const QMargins frame(room.left() - area.left(), room.top() - area.top(), border, border);
  // A pane narrower than a few words, or lower than a few lines, is of no use.
  const QSize useful(std::min(wanted.width(), 240), std::min(wanted.height(), 160));
  const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize()).expandedTo(useful);
  const std::vector<QRect> controls = ReachableControls(owner);
  if (!alsoFree.empty()) {
    // The frame allowed for is the usual one, not the window manager's own: a few pixels
    // more keep the other window's edge in sight.
    constexpr int kGap = 8;
    std::vector<QRect> keepFree = controls;
    for (const QRect& r : alsoFree) keepFree.push_back(r.adjusted(-kGap, -kGap, kGap, kGap));
    // A table keeps its columns; a graph gives up a third of its size at most.
    const QSize wantedSize = wanted.size().boundedTo(room.size());
    const QSize enough = fit == TClearFit::kFullWidth ? QSize(wantedSize.width(), least.height())
                                                      : wantedSize * 2 / 3;
    const QRect place = ClearPlace(room, wanted, enough.expandedTo(least), keepFree, frame, fit);
    const QRect placed = place.marginsAdded(frame);
    if (place.width() >= enough.width() && place.height() >= enough.height() &&
        std::none_of(keepFree.begin(), keepFree.end(), [&](const QRect& r) { return r.intersects(placed); })) {
      window->setGeometry(place);
      return;
    }
  }
  window->setGeometry(ClearPlace(room, wanted, least, controls, frame, fit));
}
