// Clicks that were meant for what stood there before a window appeared. A window that opens
// by itself (the review that follows a fit after its ten seconds, a progress window shown once
// the work has taken a while) or whose buttons change by themselves (the fit dialog's OK and
// Start buttons where Cancel stood) comes up under a pointer already on its way: the click
// meant for the window before it landed on the new one (on the review's graph it opened 3D
// Scaling). The window takes no click that began before it appeared: none while it is not yet
// on the screen, none for a double-click interval after it appeared (the time a click already
// on its way takes to arrive; a person reads a new window for longer before clicking on it),
// and not the release of a button that was already down as it appeared. A press passed over
// takes its release and double-click with it, and a press that follows it within the interval
// (the second of a double-click) is passed over too.
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

  // The window's controls changed by themselves: it counts as appearing now.
  void AppearsNow();
  // Presses passed over so far.
  int PassedOver() const { return passedOver_; }

  // The clock the guard reads, in milliseconds (a steady clock unless a test sets its own;
  // an empty function puts the steady clock back).
  static void SetClock(std::function<std::int64_t()> clock);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Guarded(const QObject* watched) const;

  QPointer<QWidget> window_;
  bool appeared_ = false;
  std::int64_t appearedAt_ = 0;
  std::int64_t lastPassedOver_ = 0;
  bool passedOverBefore_ = false;
  Qt::MouseButtons heldAtAppearing_;
  Qt::MouseButtons passing_;  // buttons whose press was passed over, until released
  int passedOver_ = 0;
};

// Guards a window that opens by itself (TEarlyClickGuard); answers the guard.
TEarlyClickGuard* GuardAgainstEarlyClicks(QWidget* window);
