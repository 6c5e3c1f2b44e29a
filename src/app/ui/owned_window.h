// A modeless window that a window opens beside itself (Quick Eval beside a graph) belongs
// above that window, as an owned window does. Not every window manager keeps it there: one
// that raises a modal owner over its own transients on a click or an activation hides the
// owned window behind it, and the owner's toggle button then closes a window the user
// could no longer see.
//
// The stacking kept: the owner, then the windows it owns, then a dialog opened over the
// owner (its 3D View, its Titles, a message). A window manager that raises a modal chain
// as one puts every modal window of it (the owner and its dialog alike) above every
// modeless one, so no order of raisings gives the owned windows a place between the two:
// a dialog opened over an owner whose windows are kept is kept above the windows of its
// program's layer while the program is active (and only then: it does not stand over
// other programs' windows), and the owned windows are raised again under it after each
// click in or activation of the owner or of its dialog.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

// Keeps `owned` above the window of its parent widget (the owner) and under the dialogs
// opened over the owner: whenever the owner or one of its dialogs is activated or clicked
// anywhere, a visible `owned` is raised again once the event has been handled, and a
// dialog shown over the owner while `owned` is visible is kept above (KeptAboveOwnedWindows).
// The windows `owned` opens itself (its font dialog) are left to the window manager. The
// keeper is a child of `owned` and ends with it. `raise` replaces the raising (tests count
// it); by default it raises `owned`.
class TOwnedWindowKeeper : public QObject {
  Q_OBJECT

 public:
  explicit TOwnedWindowKeeper(QWidget* owned, std::function<void()> raise = {});

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The owner itself, or a modal window opened over it (through any number of dialogs),
  // not through `owned`.
  bool OverOwner(const QWidget* window) const;
  // Raises `owned` once the events at hand have been handled (once for all of them).
  void RaiseLater();

  QPointer<QWidget> owned_;
  QPointer<QWidget> owner_;
  std::function<void()> raise_;
  bool pending_ = false;
};

// A window the user minimised is open but out of sight (a window manager without a task bar
// leaves no trace of it): the toggle button of its owner brings it back instead of closing
// it. True when it did.
bool ShowAgainIfMinimized(QWidget* window);

// Whether `dialog` is kept above the windows of its program's layer now: shown over an
// owner whose owned windows were in sight, while the program is active.
bool KeptAboveOwnedWindows(const QWidget* dialog);

// Gives every modeless window shown beside a modal one (a graph or editor run modally, a
// window it opens left modeless) a keeper, unless it has one. Once per program; the
// watching ends with StopKeepingModelessWindowsAboveModalOwners.
void KeepModelessWindowsAboveModalOwners();
void StopKeepingModelessWindowsAboveModalOwners();
