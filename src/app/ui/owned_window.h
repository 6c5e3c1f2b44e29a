// A modeless window that a window opens beside itself (Quick Eval beside a graph) belongs
// above that window, as an owned window does. Not every window manager keeps it there: one
// that raises a modal owner over its own transients on a click or an activation hides the
// owned window behind it, and the owner's toggle button then closes a window the user
// could no longer see.
//
// The stacking kept: the owner, then the windows it owns (the one the user opened or used
// last on top), then a dialog opened over the owner or over one of its windows (its 3D View,
// its Titles, a pane's Font, a message). A window manager may also add a newly shown owned
// window just above its owner, under the windows the owner keeps already: the new window is
// raised over them once it is on the screen. A window manager that raises a modal chain
// as one puts every modal window of it (the owner and its dialog alike) above every
// modeless one, so no order of raisings gives the owned windows a place between the two:
// a dialog opened over an owner whose windows are kept is kept above the windows of its
// program's layer while the program is active (and only then: it does not stand over
// other programs' windows), and the owned windows are raised again under it after each
// click in or activation of the owner or of a dialog over it or over one of its windows, and
// after each restack of the window manager's that put the owner over one of them (where the
// window system tells: a restack under a dialog uncovers no window, so no window hears of it).
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class QWidget;

// Keeps `owned` above the window of its parent widget (the owner) and under the dialogs
// opened over the owner or over any window the owner keeps: whenever the owner or one of
// those dialogs is activated or clicked anywhere, the visible kept windows of the owner are
// raised again once the event has been handled, and a dialog shown over them is kept above
// (KeptAboveOwnedWindows). The windows an owner keeps (the review's list, panes, residual
// graph and Quick Eval) are raised in the order the user last opened, clicked or activated
// them: what the user opened last stands in front. A window kept by a kept window (a text
// window opened from a pane) belongs with the first owner's windows. The keeper is a child
// of `owned` and ends with it. `raise` replaces the raising (tests count it); by default it
// raises `owned`.
class TOwnedWindowKeeper : public QObject {
  Q_OBJECT

 public:
  explicit TOwnedWindowKeeper(QWidget* owned, std::function<void()> raise = {});
  ~TOwnedWindowKeeper() override;

  // The window kept above its owner.
  QWidget* Owned() const { return owned_; }
  // The owner whose windows this one stands with (the first owner that is kept by none).
  QWidget* Owner() const { return owner_; }

 private:
  friend class TKeptWindows;

  QPointer<QWidget> owned_;
  QPointer<QWidget> owner_;
  QPointer<QObject> kept_;  // the owner's TKeptWindows
  std::function<void()> raise_;
  // Shown and not yet on the screen: raised over the others once the window system has it.
  bool awaitingScreen_ = false;
};

// The windows `owner` keeps in sight, bottom first: in the order they are raised.
std::vector<QWidget*> KeptWindowsInOrder(const QWidget* owner);

// A window the user minimised is open but out of sight (a window manager without a task bar
// leaves no trace of it): the toggle button of its owner brings it back instead of closing
// it. True when it did.
bool ShowAgainIfMinimized(QWidget* window);

// Whether `dialog` is kept above the windows of its program's layer now: shown over an
// owner whose owned windows were in sight, while the program is active.
bool KeptAboveOwnedWindows(const QWidget* dialog);

// Gives every modeless window shown beside a modal one (a graph or editor run modally, a
// window it opens left modeless), or beside a kept window (a pane's ASCII editor), a keeper,
// unless it has one. Once per program; the watching ends with
// StopKeepingModelessWindowsAboveModalOwners.
void KeepModelessWindowsAboveModalOwners();
void StopKeepingModelessWindowsAboveModalOwners();
