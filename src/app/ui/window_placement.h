// Where a window was left, kept in a placement record of the settings (left, top, width,
// height, maximised): one pair of functions serves every window that keeps its place.
//
// The record holds the client rectangle: where the window's own area stands on the screen and
// its size. That is the one rectangle a window can be put back to exactly. A window manager
// draws its frame around the client area, and the frame's place is known to the program only
// once the window has been shown: a new window that is given a place after its native window
// exists (every dialog, whose set-up runs as it is shown) has its client put there, and a
// position read before the frame is known is the client's too. A record mixing the two (the
// frame's place recorded, the client put there) brought windows back a title bar lower, once
// per opening or for ever. Restoring gives the window its client rectangle, held within the
// screen, so a window reopens exactly where it was left, with or without a window manager.
#pragma once

#include <QMargins>

#include <optional>

#include "app/settings_file.h"

class QWidget;

// Whether the record holds a place: a left of -1 (or no size) means none was saved and the
// window takes its own default place. Any other left is a place, one off the screen's left
// edge included.
bool HoldsPlacement(const WindowPlacement& place);

// Records where the window stands: its client rectangle, maximised 0.
// A maximised window only sets the maximised word (the place it goes back to is kept); a
// minimised one records nothing.
void RecordPlacement(const QWidget& window, WindowPlacement& place);

// What the record's fifth word is to a window.
enum class MaximisedWord {
  kRestored,  // the maximised flag: a window left maximised opens maximised
  kIgnored,   // not applied when the window opens (a satellite of the review keeps whether it
              // was open there; the graph frame windows open at their place and size only)
};

// Puts the window where the record says, held within the screen (before it is shown, or
// after); false, and the window untouched, when the record holds no place.
bool RestorePlacement(QWidget& window, const WindowPlacement& place, MaximisedWord maximised);

// The frame the window manager draws round the window, once the window is shown and framed;
// none before.
std::optional<QMargins> OwnFrame(const QWidget& window);

// A window that keeps its place in a record: the place is applied once, when the window is
// set up, and recorded from then on at every move and resize while the window is shown. The
// moves of showing and centring a window come before the saved place is applied, and are
// not recorded over it.
class TPlacementKeeper {
 public:
  TPlacementKeeper() = default;
  TPlacementKeeper(WindowPlacement* place, MaximisedWord maximised) : place_(place), maximised_(maximised) {}

  // Applies the record once; false when there is no record or it holds no place (the window
  // then stays where its own default put it). Either way, later moves are recorded.
  bool Apply(QWidget& window);
  // Called at the window's moves and resizes.
  void Record(const QWidget& window);
  // Recording stops (a window whose record is locked, or that is going).
  void Pause(bool paused) { paused_ = paused; }
  WindowPlacement* Place() const { return place_; }
  bool Applied() const { return applied_; }

 private:
  WindowPlacement* place_ = nullptr;
  MaximisedWord maximised_ = MaximisedWord::kIgnored;
  bool applied_ = false;
  bool paused_ = false;
};
