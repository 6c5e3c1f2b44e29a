#include "app/ui/owned_window.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace {

// The dialogs kept above the owned windows of their owner, each from its showing to its
// hiding. The keep-above state is given while the program is active and taken away while
// it is not, so that the dialog never stands over another program's windows.
class TDialogLift : public QObject {
 public:
  static TDialogLift& Instance() {
    static QPointer<TDialogLift> lift;
    if (!lift) lift = new TDialogLift(qApp);
    return *lift;
  }

  void Lift(QWidget* dialog) {
    // A window that asked to stay on top by itself keeps its own state.
    if (Held(dialog) || (dialog->windowFlags() & Qt::WindowStaysOnTopHint)) return;
    lifted_.emplace_back(dialog);
    dialog->installEventFilter(this);
    Apply(dialog, QGuiApplication::applicationState() == Qt::ApplicationActive);
  }

  bool Held(const QWidget* dialog) const {
    return std::any_of(lifted_.begin(), lifted_.end(), [dialog](const QPointer<QWidget>& d) { return d == dialog; });
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Hide || !watched->isWidgetType()) return false;
    auto* dialog = static_cast<QWidget*>(watched);
    if (!dialog->isWindow()) return false;
    Apply(dialog, false);
    dialog->removeEventFilter(this);
    std::erase_if(lifted_, [dialog](const QPointer<QWidget>& d) { return d.isNull() || d == dialog; });
    return false;
  }

 private:
  explicit TDialogLift(QObject* parent) : QObject(parent) {
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
      std::erase_if(lifted_, [](const QPointer<QWidget>& d) { return d.isNull(); });
      for (const QPointer<QWidget>& dialog : lifted_) Apply(dialog, state == Qt::ApplicationActive);
    });
  }

  // Both the widget's flags and its native window's: the window system is told at once when
  // the window is on the screen, and at its mapping otherwise.
  static void Apply(QWidget* dialog, bool above) {
    const Qt::WindowFlags flags = dialog->windowFlags();
    const Qt::WindowFlags wanted = above ? flags | Qt::WindowStaysOnTopHint : flags & ~Qt::WindowStaysOnTopHint;
    if (wanted != flags) dialog->overrideWindowFlags(wanted);
    if (QWindow* handle = dialog->windowHandle()) {
      const Qt::WindowFlags native = handle->flags();
      handle->setFlags(above ? native | Qt::WindowStaysOnTopHint : native & ~Qt::WindowStaysOnTopHint);
    }
  }

  std::vector<QPointer<QWidget>> lifted_;
};

}  // namespace

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

namespace {

const QWidget* WidgetOf(const QWindow* window) {
  for (const QWidget* w : QApplication::topLevelWidgets())
    if (w->windowHandle() == window) return w;
  return nullptr;
}

}  // namespace

bool TOwnedWindowKeeper::OverOwner(const QWidget* window) const {
  for (const QWidget* w = window; w != nullptr;) {
    if (w == owner_) return true;
    if (w == owned_ || w->windowModality() == Qt::NonModal) return false;
    const QWidget* parent = w->parentWidget();
    w = parent != nullptr ? parent->window() : nullptr;
  }
  return false;
}

bool TOwnedWindowKeeper::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (owner_.isNull() || owned_.isNull() || !owned_->isVisible()) return false;
  if (type == QEvent::ApplicationStateChange) {
    // Back from another program (or from a moment without an active window between two of
    // this one's): the dialog over the owner is kept above again, and the window manager
    // may have raised the owner meanwhile.
    const Qt::ApplicationState state = QGuiApplication::applicationState();
    const QWidget* modal = QApplication::activeModalWidget();
    if (state == Qt::ApplicationActive && modal != nullptr && OverOwner(modal)) RaiseLater();
    return false;
  }
  if (type == QEvent::Expose && watched->isWindowType()) {
    // The window manager uncovered the owner or its dialog: it may have raised the chain
    // again without an activation the program hears of (a dialog asks to be activated once
    // it is mapped, and that restack comes after the activation by the mapping).
    const QWidget* shown = WidgetOf(static_cast<const QWindow*>(watched));
    if (shown != nullptr && shown->isVisible() && OverOwner(shown)) RaiseLater();
    return false;
  }
  if (type != QEvent::WindowActivate && type != QEvent::MouseButtonPress && type != QEvent::Show) return false;
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (!OverOwner(widget->window())) return false;
  if (type == QEvent::Show) {
    // Shown before the window system maps it: it comes up above the owned window.
    if (widget->isWindow() && widget != owner_) TDialogLift::Instance().Lift(widget);
    return false;
  }
  RaiseLater();
  return false;
}

void TOwnedWindowKeeper::RaiseLater() {
  if (pending_) return;
  // The window manager raises the owner (with its dialog) before the program hears of the
  // click: raising the owned window after the event puts it back above the owner, and under
  // the dialog, which is kept above it.
  pending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        pending_ = false;
        if (!owned_ || !owned_->isVisible()) return;
        // A dialog over the owner that is not kept above (the program is not active, or
        // the dialog belongs to another window) stays on top until it is closed.
        const QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal != owner_ && !KeptAboveOwnedWindows(modal)) return;
        raise_();
      },
      Qt::QueuedConnection);
}

bool KeptAboveOwnedWindows(const QWidget* dialog) {
  return dialog != nullptr && TDialogLift::Instance().Held(dialog) && (dialog->windowFlags() & Qt::WindowStaysOnTopHint);
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
