#include "app/ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <optional>

#include "app/ui/dialog.h"

bool HoldsPlacement(const WindowPlacement& place) { return place.x != -1 && place.width > 0 && place.height > 0; }

void RecordPlacement(const QWidget& window, WindowPlacement& place) {
  if (window.isMinimized()) return;
  if (window.isMaximized()) {
    place.maximized = 1;
    return;
  }
  // A window one pixel off the screen's left edge would read as "never placed", and would
  // lose its size too: it is kept one pixel further left (it is brought back within the
  // screen when it opens).
  const QRect client = window.geometry();
  const int x = client.x() == -1 ? -2 : client.x();
  place = WindowPlacement{x, client.y(), client.width(), client.height(), 0};
}

std::optional<QMargins> OwnFrame(const QWidget& window) {
  const QWindow* own = window.windowHandle();
  if (own == nullptr || !own->isVisible() || own->frameMargins().isNull()) return std::nullopt;
  return own->frameMargins();
}

namespace {

// The frame the window manager draws round this program's windows, as it drew it round this
// window or another one shown already; none while no window has been shown.
std::optional<QMargins> KnownFrame(const QWidget& window) {
  if (const std::optional<QMargins> own = OwnFrame(window)) return own;
  for (const QWindow* w : QGuiApplication::topLevelWindows())
    if (w->isVisible() && !w->frameMargins().isNull()) return w->frameMargins();
  return std::nullopt;
}

}  // namespace

bool RestorePlacement(QWidget& window, const WindowPlacement& place, MaximisedWord maximised) {
  if (!HoldsPlacement(place)) return false;
  // A rectangle that lies on the screen with its frame goes back exactly: the room held for
  // an unknown frame is wider than most, and moved a window left at a screen's edge inward.
  // Before any window of the program has been shown (the main window at start) the frame is
  // not known: a client rectangle that lies on the screen was recorded from the window shown
  // there with its frame, and goes back exactly too.
  const QRect client(place.x, place.y, place.width, place.height);
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  const QRect area = screen->availableGeometry();
  const std::optional<QMargins> frame = KnownFrame(window);
  if (frame ? area.contains(client.marginsAdded(*frame)) : area.contains(client))
    window.setGeometry(client);
  else
    PlaceWithinScreen(&window, client);
  if (maximised == MaximisedWord::kRestored && place.maximized == 1)
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
  return true;
}

bool TPlacementKeeper::Apply(QWidget& window) {
  if (applied_) return false;
  applied_ = true;
  return place_ != nullptr && RestorePlacement(window, *place_, maximised_);
}

void TPlacementKeeper::Record(const QWidget& window) {
  if (!applied_ || paused_ || place_ == nullptr || !window.isVisible()) return;
  if (maximised_ == MaximisedWord::kRestored) {
    RecordPlacement(window, *place_);
    return;
  }
  // The fifth word is not the window's: only the rectangle is kept.
  const std::int32_t owners = place_->maximized;
  if (window.isMaximized()) return;
  RecordPlacement(window, *place_);
  place_->maximized = owners;
}
