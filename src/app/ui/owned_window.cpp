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
        if (!owned_ || !owned_->isVisible()) return;
        // The click opened a dialog over the owner (the graph's click zones do): it stays on
        // top until it is closed.
        const QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != owner_) return;
        raise_();
      },
      Qt::QueuedConnection);
  return false;
}

bool ShowAgainIfMinimized(QWidget* window) {
  if (window == nullptr || !window->isVisible() || !window->isMinimized()) return false;
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
  return true;
}

namespace {

// Watches every window as it is shown: one whose owner runs modally while it stays
// modeless gets a keeper.
class TModelessWindowWatch : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
    auto* window = static_cast<QWidget*>(watched);
    if (!window->isWindow() || window->windowModality() != Qt::NonModal) return false;
    const Qt::WindowType type = window->windowType();
    if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen) return false;
    const QWidget* parent = window->parentWidget();
    if (parent == nullptr || parent->window()->windowModality() == Qt::NonModal) return false;
    if (window->findChild<TOwnedWindowKeeper*>(QString(), Qt::FindDirectChildrenOnly) == nullptr)
      new TOwnedWindowKeeper(window);
    return false;
  }
};

QPointer<TModelessWindowWatch>& Watch() {
  static QPointer<TModelessWindowWatch> watch;
  return watch;
}

}  // namespace

void KeepModelessWindowsAboveModalOwners() {
  if (Watch() || qApp == nullptr) return;
  Watch() = new TModelessWindowWatch(qApp);
  qApp->installEventFilter(Watch());
}

void StopKeepingModelessWindowsAboveModalOwners() { delete Watch(); }
