#include "app/ui/owned_window.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

TOwnedWindowKeeper::TOwnedWindowKeeper(QWidget* owned, std::function<void()> raise)
    : QObject(owned), owned_(owned), raise_(std::move(raise)) {
  QWidget* parent = owned != nullptr ? owned->parentWidget() : nullptr;
  if (parent == nullptr) return;
  owner_ = parent->window();
  if (!raise_) raise_ = [this] {
    if (owned_) owned_->raise();
  };
  // A click lands on one of the owner's child widgets, never on the window itself: the
  // application sees them all.
  qApp->installEventFilter(this);
}

bool TOwnedWindowKeeper::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::WindowActivate && type != QEvent::MouseButtonPress) return false;
  if (owner_.isNull() || owned_.isNull() || pending_ || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != owner_ || !owned_->isVisible()) return false;
  // The window manager raises the owner before the program hears of the click: raising
  // the owned window after the event puts it back on top.
  pending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        pending_ = false;
        if (owned_ && owned_->isVisible()) raise_();
      },
      Qt::QueuedConnection);
  return false;
}
