// Clicks that were meant for what stood there before a window appeared. A window that opens
// by itself (the review that follows a fit after its ten seconds, a progress window shown once
// the work has taken a while, a message box or a window that tells the end of work the user
// waited on) or whose buttons change by themselves (the fit dialog's OK and Start buttons
// where Cancel stood) comes up under a pointer already on its way: the click
// meant for the window before it landed on the new one (on the review's graph it opened 3D
// Scaling). The window takes no click that began before it appeared: none that arrives before
// it stands in sight (shown and painted), none whose press the window system made before that
// moment though the program handled it after (its event's time tells), not the release of a button that was already
// down as it appeared, and not the second click of a double-click whose first it passed over.
// A press passed over takes its release and double-click with it.
#pragma once

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>

class QWidget;
class QWindow;

class TEarlyClickGuard : public QObject {
 public:
  // Guards `window` (a top-level widget) from its next showing on; a child of it.
  explicit TEarlyClickGuard(QWidget* window);
  ~TEarlyClickGuard() override;

  // The window's controls changed by themselves: it counts as appearing now (once the
  // events at hand have been handled).
  void AppearsNow();
  // Presses passed over so far.
  int PassedOver() const { return passedOver_; }

  // Follows the times of the program's input events from now on, to tell when a press was
  // made (the main window calls it at start; a guard calls it too).
  static void WatchInputTimes();

  // The clock that tells a double-click, in milliseconds (a steady clock unless a test sets
  // its own; an empty function puts the steady clock back). When a press was made is told
  // by the steady clock, the window system's; the input times seen so far are forgotten.
  static void SetClock(std::function<std::int64_t()> clock);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Guarded(const QObject* watched) const;
  bool BeganBeforeAppearing(std::uint64_t timestamp) const;

  QPointer<QWidget> window_;
  bool exposed_ = false;   // on the screen since it was last shown
  bool appeared_ = false;  // in sight: on the screen and the program caught up with it
  int appearing_ = 0;      // the last appearance asked
  std::int64_t appearedAt_ = 0;
  std::int64_t lastPassedOver_ = 0;
  bool passedOverBefore_ = false;
  Qt::MouseButtons heldAtAppearing_;
  Qt::MouseButtons passing_;  // buttons whose press was passed over, until released
  int passedOver_ = 0;
};

// Guards a window that opens by itself (TEarlyClickGuard); answers the guard.
TEarlyClickGuard* GuardAgainstEarlyClicks(QWidget* window);
