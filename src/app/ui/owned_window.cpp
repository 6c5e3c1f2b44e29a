#include "app/ui/owned_window.h"

#include "app/ui/dialog.h"
#include "platform/qt/window_stacking.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <memory>
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

const QWidget* WidgetOf(const QWindow* window) {
  for (const QWidget* w : QApplication::topLevelWidgets())
    if (w->windowHandle() == window) return w;
  return nullptr;
}

TOwnedWindowKeeper* KeeperOf(const QWidget* window) {
  return window != nullptr ? window->findChild<TOwnedWindowKeeper*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

}  // namespace

// The windows one owner keeps, and the order they stand in (bottom first). One object per
// owner, a child of it; the application's events are watched here once for all of them.
class TKeptWindows : public QObject {
 public:
  static TKeptWindows* Of(QWidget* owner) {
    if (TKeptWindows* kept = Find(owner)) return kept;
    return new TKeptWindows(owner);
  }
  static TKeptWindows* Find(const QWidget* owner) {
    if (owner == nullptr) return nullptr;
    for (QObject* child : owner->children())
      if (auto* kept = dynamic_cast<TKeptWindows*>(child)) return kept;
    return nullptr;
  }

  void Join(TOwnedWindowKeeper* keeper) { order_.emplace_back(keeper); }
  void Leave(const TOwnedWindowKeeper* keeper) {
    std::erase_if(order_, [keeper](const QPointer<TOwnedWindowKeeper>& k) { return k.isNull() || k == keeper; });
  }

  std::vector<QWidget*> InOrder() const {
    std::vector<QWidget*> windows;
    for (const QPointer<TOwnedWindowKeeper>& k : order_)
      if (k && k->owned_ && k->owned_->isVisible()) windows.push_back(k->owned_);
    return windows;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit TKeptWindows(QWidget* owner) : QObject(owner), owner_(owner) {
    // A click lands on one of the owner's child widgets, never on the window itself: the
    // application sees them all.
    qApp->installEventFilter(this);
    // Not every restack reaches a window as an event: a click on the owner while its dialog
    // is up (the owner takes no input then), or the window manager's raising of a dialog as it
    // is activated, put the owner over its windows where the dialog covers them, and nothing
    // is uncovered. The window manager's list tells.
    stackingWatch_ = platform::qt::WatchStacking([this] { CheckStacking(); });
  }

  TOwnedWindowKeeper* Member(const QWidget* window) const {
    for (const QPointer<TOwnedWindowKeeper>& k : order_)
      if (k && k->owned_ == window) return k;
    return nullptr;
  }
  bool AnyInSight() const {
    return std::any_of(order_.begin(), order_.end(),
                       [](const QPointer<TOwnedWindowKeeper>& k) { return k && k->owned_ && k->owned_->isVisible(); });
  }
  // The user opened, clicked or activated it: it stands in front of the others.
  void ToFront(TOwnedWindowKeeper* keeper) {
    const auto it = std::find(order_.begin(), order_.end(), keeper);
    if (it == order_.end() || it + 1 == order_.end()) return;
    std::rotate(it, it + 1, order_.end());
  }
  // The owner itself, or a modal window opened over it or over one of its kept windows
  // (through any number of dialogs).
  bool Over(const QWidget* window) const {
    for (const QWidget* w = window; w != nullptr;) {
      if (w == owner_ || Member(w) != nullptr) return true;
      if (!RunsModally(w)) return false;
      const QWidget* parent = w->parentWidget();
      w = parent != nullptr ? parent->window() : nullptr;
    }
    return false;
  }
  // Raises the kept windows once the events at hand have been handled; `afterRestack` when
  // asked by the window manager's stacking rather than by something the user did.
  void RaiseLater(bool afterRestack = false);
  // The window manager's stacking, where it can be read: a kept window under the owner is
  // raised again with the others, whatever put it there.
  void CheckStacking();
  // Each kept window in sight is drawn whole again: a window the window manager raised over
  // another is shown from what the window system tells it of the part uncovered, and where
  // nothing told it (the Data Summary raised over the Numeric Summary went on showing the
  // Numeric Summary's text until it was clicked) the other window's pixels stayed.
  void RedrawKept();

  QPointer<QWidget> owner_;
  std::vector<QPointer<TOwnedWindowKeeper>> order_;
  bool pending_ = false;
  std::unique_ptr<platform::qt::TStackingWatch> stackingWatch_;
  // Raisings asked by the stacking alone that the window manager did not follow, in a row,
  // and all of them since the user last did something the program heard of (a window manager
  // that undoes every raising at once is not answered without end).
  static constexpr int kStackingRaises = 3;
  static constexpr int kStackingRaisesInAll = 64;
  int stackingRaises_ = 0;
  int stackingRaisesInAll_ = 0;
  // The stacking of the owner and the windows it keeps, bottom first, when last read; and
  // whether windows raised here wait for the window manager's restack to be drawn whole
  // (between two readings the window manager may have put one over another and back).
  std::vector<WId> lastOrder_;
  bool redrawAfterRestack_ = false;
};

bool TKeptWindows::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (owner_.isNull() || !AnyInSight()) return false;
  if (type == QEvent::ApplicationStateChange) {
    // Back from another program (or from a moment without an active window between two of
    // this one's): the dialog over the owner is kept above again, and the window manager
    // may have raised the owner meanwhile.
    const Qt::ApplicationState state = QGuiApplication::applicationState();
    const QWidget* modal = ActiveDialog();
    if (state == Qt::ApplicationActive && modal != nullptr && Over(modal)) RaiseLater();
    return false;
  }
  if (type == QEvent::Expose && watched->isWindowType()) {
    const QWidget* shown = WidgetOf(static_cast<const QWindow*>(watched));
    if (shown == nullptr || !shown->isVisible()) return false;
    if (TOwnedWindowKeeper* member = Member(shown)) {
      // A window just shown is on the screen now, where the window manager put it: just
      // above the owner, under the windows the owner kept already (Quick Eval opened out of
      // sight under the summaries, active and taking the keys).
      if (member->awaitingScreen_) {
        member->awaitingScreen_ = false;
        RaiseLater();
      }
      return false;
    }
    // The window manager uncovered the owner or a dialog over it: it may have raised the
    // chain again without an activation the program hears of (a dialog asks to be activated
    // once it is mapped, and that restack comes after the activation by the mapping).
    if (Over(shown)) RaiseLater();
    return false;
  }
  if (type != QEvent::WindowActivate && type != QEvent::MouseButtonPress && type != QEvent::Show) return false;
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  QWidget* window = widget->window();
  if (TOwnedWindowKeeper* member = Member(window)) {
    // Shown, clicked or activated (the window manager raised it): it stands in front.
    if (type == QEvent::MouseButtonPress || widget == window) ToFront(member);
    if (type == QEvent::Show && widget == window) member->awaitingScreen_ = true;
    return false;
  }
  if (!Over(window)) return false;
  if (type == QEvent::Show) {
    if (!widget->isWindow() || widget == owner_) return false;
    // Shown before the window system maps it: it comes up above the owned windows.
    TDialogLift::Instance().Lift(widget);
    // A dialog of a kept window (the list's font) brings that window forward: the window
    // manager raises a dialog's owner with it, and the user works on that window now.
    for (const QWidget* w = widget->parentWidget(); w != nullptr; w = w->window()->parentWidget())
      if (TOwnedWindowKeeper* member = Member(w->window())) {
        ToFront(member);
        break;
      }
    return false;
  }
  RaiseLater();
  return false;
}

void TKeptWindows::RaiseLater(bool afterRestack) {
  if (!afterRestack) stackingRaises_ = stackingRaisesInAll_ = 0;
  if (pending_) return;
  // The window manager raises the owner (with its dialog) before the program hears of the
  // click: raising the kept windows after the event puts them back above the owner, and
  // under the dialog, which is kept above them.
  pending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        pending_ = false;
        // A dialog over the owner that is not kept above (the program is not active, or
        // the dialog belongs to another window) stays on top until it is closed.
        const QWidget* modal = ActiveDialog();
        if (modal != nullptr && modal != owner_ && !KeptAboveOwnedWindows(modal)) return;
        // Bottom first: the window in front is raised last.
        const std::vector<QPointer<TOwnedWindowKeeper>> order(order_.begin(), order_.end());
        for (const QPointer<TOwnedWindowKeeper>& k : order)
          if (k && k->owned_ && k->owned_->isVisible() && !k->owned_->isMinimized()) k->raise_();
        // Where the window manager's stacking cannot be read, no restack is heard of: the
        // raised windows are drawn whole now; else once it has restacked them.
        if (stackingWatch_ == nullptr) RedrawKept();
        else redrawAfterRestack_ = true;
      },
      Qt::QueuedConnection);
}

void TKeptWindows::RedrawKept() {
  for (const QPointer<TOwnedWindowKeeper>& k : order_) {
    if (!k || !k->owned_ || !k->owned_->isVisible() || k->owned_->isMinimized()) continue;
    // Each widget of it: a scroll area's view is drawn only when it is asked itself.
    k->owned_->update();
    for (QWidget* child : k->owned_->findChildren<QWidget*>())
      if (child->isVisible() && child->window() == k->owned_) child->update();
  }
}

void TKeptWindows::CheckStacking() {
  if (owner_.isNull() || !AnyInSight() || owner_->windowHandle() == nullptr) return;
  const std::vector<WId> order = platform::qt::ManagedStacking();
  const auto place = [&order](const QWidget* w) {
    const auto it = std::find(order.begin(), order.end(), w->windowHandle()->winId());
    return it == order.end() ? -1 : static_cast<int>(it - order.begin());
  };
  const int owner = place(owner_);
  if (owner < 0) return;
  // A restack that moved the owner or a window it keeps: they are drawn whole once the window
  // manager has them where they stand now.
  std::vector<WId> ours;
  for (const WId id : order) {
    if (id == owner_->windowHandle()->winId()) {
      ours.push_back(id);
      continue;
    }
    for (const QPointer<TOwnedWindowKeeper>& k : order_)
      if (k && k->owned_ && k->owned_->windowHandle() != nullptr && k->owned_->windowHandle()->winId() == id)
        ours.push_back(id);
  }
  if (ours != lastOrder_ || redrawAfterRestack_) {
    lastOrder_ = ours;
    RedrawKept();
  }
  for (const QPointer<TOwnedWindowKeeper>& k : order_) {
    if (!k || !k->owned_ || !k->owned_->isVisible() || k->owned_->isMinimized() || k->owned_->windowHandle() == nullptr)
      continue;
    const int at = place(k->owned_);
    if (at >= 0 && at < owner) {
      // A window manager that will not raise them (every raise is a restack it reports)
      // is not asked again and again: a few times, until the user does something.
      if (stackingRaises_ >= kStackingRaises || stackingRaisesInAll_ >= kStackingRaisesInAll) return;
      ++stackingRaises_;
      ++stackingRaisesInAll_;
      RaiseLater(true);
      return;
    }
  }
  // The window manager followed the last raising: the next restack that sinks the windows
  // (the owner raised once more by a click that only the window manager hears of, while a
  // dialog is up) is answered again, however many came before.
  stackingRaises_ = 0;
  redrawAfterRestack_ = false;
}

TOwnedWindowKeeper::TOwnedWindowKeeper(QWidget* owned, std::function<void()> raise)
    : QObject(owned), owned_(owned), raise_(std::move(raise)) {
  QWidget* parent = owned != nullptr ? owned->parentWidget() : nullptr;
  if (parent == nullptr) return;
  // A window opened from a kept window stands with the first owner's windows.
  QWidget* owner = parent->window();
  for (const TOwnedWindowKeeper* k = KeeperOf(owner); k != nullptr && k->owner_ != nullptr; k = KeeperOf(owner))
    owner = k->owner_;
  owner_ = owner;
  if (!raise_) raise_ = [this] {
    if (owned_) owned_->raise();
  };
  TKeptWindows* kept = TKeptWindows::Of(owner);
  kept->Join(this);
  kept_ = kept;
  // Made as it is being shown (a modeless window given a keeper by the watch below): it is
  // raised once the window system has it.
  awaitingScreen_ = owned->isVisible();
}

TOwnedWindowKeeper::~TOwnedWindowKeeper() {
  if (auto* kept = static_cast<TKeptWindows*>(kept_.data())) kept->Leave(this);
}

std::vector<QWidget*> KeptWindowsInOrder(const QWidget* owner) {
  const TKeptWindows* kept = TKeptWindows::Find(owner);
  return kept != nullptr ? kept->InOrder() : std::vector<QWidget*>{};
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
// modeless gets a keeper, and so does one opened from a kept window (a text window's ASCII
// editor opened from a review pane), which stands with the first owner's windows.
class TModelessWindowWatch : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
    auto* window = static_cast<QWidget*>(watched);
    if (!window->isWindow() || RunsModally(window)) return false;
    const Qt::WindowType type = window->windowType();
    if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen) return false;
    const QWidget* parent = window->parentWidget();
    if (parent == nullptr) return false;
    const QWidget* owner = parent->window();
    if (!RunsModally(owner) && KeeperOf(owner) == nullptr) return false;
    if (KeeperOf(window) == nullptr)
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
