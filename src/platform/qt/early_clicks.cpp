#include "platform/qt/early_clicks.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

std::function<std::int64_t()>& Clock() {
  static std::function<std::int64_t()> clock;
  return clock;
}

// The steady clock in milliseconds: the clock of the window system's input times on X11.
std::int64_t SteadyNow() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t Now() { return Clock() ? Clock()() : SteadyNow(); }

// How the input events' clock stands to the steady clock: the least (now - timestamp) seen
// over the input events handled, which is the clocks' difference plus the shortest delivery
// (on X11 the window system's clock is the steady clock itself). A time made up by a program
// runs ahead of it and only ever makes a press look later than it was; a window system's
// clock that wrapped makes a press look older than any click on its way (kLongestWay).
// Events without a time (0) tell nothing.
struct TInputClock {
  bool known = false;
  std::int64_t offset = 0;
  void Saw(std::uint64_t timestamp) {
    if (timestamp == 0) return;
    const std::int64_t difference = SteadyNow() - static_cast<std::int64_t>(timestamp);
    if (!known || difference < offset) offset = difference;
    known = true;
  }
};

TInputClock& InputClock() {
  static TInputClock clock;
  return clock;
}

// Sees every input event of the program for the input clock.
class TInputClockWatch : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->isInputEvent() && watched->isWindowType()) InputClock().Saw(static_cast<QInputEvent*>(event)->timestamp());
    return false;
  }
};

// A press told older than this before the window appeared is no click on its way: the two
// clocks disagree (a window system of another clock), and the press is taken as it comes.
constexpr std::int64_t kLongestWay = 5000;

std::int64_t Interval() {
  const int ms = QGuiApplication::styleHints()->mouseDoubleClickInterval();
  return ms > 0 ? ms : 400;
}

}  // namespace

void TEarlyClickGuard::SetClock(std::function<std::int64_t()> clock) {
  Clock() = std::move(clock);
  InputClock() = {};
}

void TEarlyClickGuard::WatchInputTimes() {
  static QPointer<TInputClockWatch> watch;
  if (watch || qApp == nullptr) return;
  watch = new TInputClockWatch(qApp);
  qApp->installEventFilter(watch);
}

TEarlyClickGuard::TEarlyClickGuard(QWidget* window) : QObject(window), window_(window) {
  WatchInputTimes();
  // The application's events: a press reaches the window's native window first, and every
  // control under the pointer after it.
  qApp->installEventFilter(this);
  if (window->isVisible()) {
    exposed_ = true;
    AppearsNow();
  }
}

TEarlyClickGuard::~TEarlyClickGuard() {
  if (qApp) qApp->removeEventFilter(this);
}

void TEarlyClickGuard::AppearsNow() {
  // It stands in sight once what is at hand has been handled: the exposure or the change
  // painted (its paint was asked before), and the events already waiting, a click on its way
  // among them, handled as not yet in sight.
  appeared_ = false;
  ++appearing_;
  QMetaObject::invokeMethod(
      this,
      [this, appearing = appearing_] {
        if (appearing != appearing_ || window_.isNull() || !window_->isVisible()) return;
        appeared_ = true;
        appearedAt_ = SteadyNow();
        heldAtAppearing_ = QGuiApplication::mouseButtons();
        passing_ |= heldAtAppearing_;
      },
      Qt::QueuedConnection);
}

bool TEarlyClickGuard::BeganBeforeAppearing(std::uint64_t timestamp) const {
  // A press the window system made before the window stood in sight, handled after it (the
  // program was busy putting it up): its time says so.
  const TInputClock& clock = InputClock();
  if (timestamp == 0 || !clock.known) return false;
  const std::int64_t began = static_cast<std::int64_t>(timestamp) + clock.offset;
  return began < appearedAt_ && appearedAt_ - began < kLongestWay;
}

bool TEarlyClickGuard::Guarded(const QObject* watched) const {
  if (window_.isNull()) return false;
  if (watched->isWindowType()) return watched == window_->windowHandle();
  if (!watched->isWidgetType()) return false;
  return static_cast<const QWidget*>(watched)->window() == window_;
}

bool TEarlyClickGuard::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::Show && watched == window_) {
    // Shown again (after a box, say): it appears once it is on the screen.
    appeared_ = false;
    exposed_ = false;
    return false;
  }
  if (type == QEvent::Expose && !exposed_ && window_ && watched == window_->windowHandle() &&
      window_->windowHandle()->isExposed()) {
    exposed_ = true;
    AppearsNow();
    return false;
  }
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
    return false;
  if (!Guarded(watched)) return false;
  const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
  if (type == QEvent::MouseButtonRelease) {
    if (!passing_.testFlag(button)) return false;
    passing_ &= ~Qt::MouseButtons(button);
    return true;
  }
  if (type == QEvent::MouseButtonDblClick) return passing_.testFlag(button);
  const std::int64_t now = Now();
  const bool early = !appeared_ || BeganBeforeAppearing(static_cast<QMouseEvent*>(event)->timestamp()) ||
                     (passedOverBefore_ && now - lastPassedOver_ < Interval());
  if (!early) {
    // A press of its own: whatever was held before has been let go elsewhere.
    passing_ &= ~Qt::MouseButtons(button);
    return false;
  }
  // One event seen by the native window and then by the control: counted once.
  if (!passing_.testFlag(button)) ++passedOver_;
  passing_ |= button;
  passedOverBefore_ = true;
  lastPassedOver_ = now;
  return true;
}

TEarlyClickGuard* GuardAgainstEarlyClicks(QWidget* window) { return new TEarlyClickGuard(window); }
