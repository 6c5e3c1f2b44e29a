// A modeless window that a window opens beside itself (Quick Eval beside a graph) belongs
// above that window, as an owned window does. Not every window manager keeps it there: one
// that raises a modal owner over its own transients on a click or an activation hides the
// owned window behind it, and the owner's toggle button then closes a window the user
// could no longer see.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

// Keeps `owned` above the window of its parent widget: whenever that window is activated
// or clicked anywhere, a visible `owned` is raised again once the event has been handled.
// The keeper is a child of `owned` and ends with it. `raise` replaces the raising (tests
// count it); by default it raises `owned`.
class TOwnedWindowKeeper : public QObject {
  Q_OBJECT

 public:
  explicit TOwnedWindowKeeper(QWidget* owned, std::function<void()> raise = {});

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> owned_;
  QPointer<QWidget> owner_;
  std::function<void()> raise_;
  bool pending_ = false;
};

// A window the user minimised is open but out of sight (a window manager without a task bar
// leaves no trace of it): the toggle button of its owner brings it back instead of closing
// it. True when it did.
bool ShowAgainIfMinimized(QWidget* window);

// Gives every modeless window shown beside a modal one (a graph or editor run modally, a
// window it opens left modeless) a keeper, unless it has one. Once per program; the
// watching ends with StopKeepingModelessWindowsAboveModalOwners.
void KeepModelessWindowsAboveModalOwners();
void StopKeepingModelessWindowsAboveModalOwners();
