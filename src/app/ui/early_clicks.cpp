#include "app/ui/early_clicks.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <utility>

namespace {

std::function<std::int64_t()>& Clock() {
  static std::function<std::int64_t()> clock;
  return clock;
}

std::int64_t Now() {
  if (Clock()) return Clock()();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t Interval() {
  const int ms = QGuiApplication::styleHints()->mouseDoubleClickInterval();
  return ms > 0 ? ms : 400;
}

}  // namespace

void TEarlyClickGuard::SetClock(std::function<std::int64_t()> clock) { Clock() = std::move(clock); }

TEarlyClickGuard::TEarlyClickGuard(QWidget* window) : QObject(window), window_(window) {
  // The application's events: a press reaches the window's native window first, and every
  // control under the pointer after it.
  qApp->installEventFilter(this);
  if (window->isVisible()) AppearsNow();
}

TEarlyClickGuard::~TEarlyClickGuard() {
  if (qApp) qApp->removeEventFilter(this);
}

void TEarlyClickGuard::AppearsNow() {
  appeared_ = true;
  appearedAt_ = Now();
  heldAtAppearing_ = QGuiApplication::mouseButtons();
  passing_ |= heldAtAppearing_;
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
    return false;
  }
  if (type == QEvent::Expose && !appeared_ && window_ && watched == window_->windowHandle() &&
      window_->windowHandle()->isExposed()) {
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
  const bool early = !appeared_ || now - appearedAt_ < Interval() ||
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
