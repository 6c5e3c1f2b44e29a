#include "stacking_walk.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QAction>
#include <QApplication>
#include <QWindow>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/ui/main_window.h"
#include "app/ui/owned_window.h"
#include "graph3d/ui/animation_dialogs.h"
#include "x_display.h"

namespace stacking {

namespace {

using namespace every_window;
using namespace std::chrono_literals;

// Every wait is for the window manager or the program on a loaded machine: generous, and
// over as soon as what is waited for is there.
constexpr auto kPatience = 30s;

std::string Name(const QWidget* w) {
  return std::string(w->metaObject()->className()) + " \"" + w->windowTitle().toStdString() + "\"";
}

// The X window of a top-level widget: its native window's, which the platform makes anew
// when a window's keep-above state changed before it is shown again (the widget's own
// record of it is not told).
unsigned long XWindow(const QWidget* w) {
  return w->windowHandle() != nullptr ? static_cast<unsigned long>(w->windowHandle()->winId()) : 0;
}

std::string NameOf(unsigned long window) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && XWindow(w) == window) return Name(w);
  char id[40];
  std::snprintf(id, sizeof id, "another program's window 0x%lx", window);
  return id;
}

std::string Describe(const std::vector<unsigned long>& order) {
  std::string text;
  for (unsigned long window : order) text += (text.empty() ? "" : " < ") + NameOf(window);
  return text;
}

int PlaceOf(const std::vector<unsigned long>& order, const QWidget* w) {
  const auto it = std::find(order.begin(), order.end(), XWindow(w));
  return it == order.end() ? -1 : static_cast<int>(it - order.begin());
}

std::set<QWidget*> Shown() {
  std::set<QWidget*> shown;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) shown.insert(w);
  return shown;
}

}  // namespace

QRect FrameOnScreen(const QWidget* window) {
  const QRect frame = window->frameGeometry();
  if (frame.contains(window->geometry())) return frame;
  for (const QWidget* w : Shown()) {
    const QRect f = w->frameGeometry(), g = w->geometry();
    if (w != window && f.contains(g) && f != g)
      return window->geometry().adjusted(f.left() - g.left(), f.top() - g.top(), f.right() - g.right(),
                                         f.bottom() - g.bottom());
  }
  return window->geometry();
}

std::vector<QPointer<QWidget>> KeptWindows(const QWidget* owner) {
  std::vector<QPointer<QWidget>> kept;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() || w->parentWidget() == nullptr) continue;
    // Kept by the owner, or by one of its windows (which stands with the owner's).
    const auto* keeper = w->findChild<TOwnedWindowKeeper*>(QString(), Qt::FindDirectChildrenOnly);
    if (keeper != nullptr && (w->parentWidget()->window() == owner || keeper->Owner() == owner)) kept.emplace_back(w);
  }
  return kept;
}

namespace {

// The owner, then every window it keeps in the order given (the one in front last), then the
// dialog (when there is one), from the bottom; windows of other programs may stand anywhere.
bool InOrder(const std::vector<unsigned long>& order, const QWidget* owner,
             const std::vector<QPointer<QWidget>>& kept, const QWidget* dialog) {
  int below = PlaceOf(order, owner);
  const int top = dialog != nullptr ? PlaceOf(order, dialog) : static_cast<int>(order.size());
  if (below < 0 || top < 0) return false;
  for (const QPointer<QWidget>& w : kept) {
    const int place = w ? PlaceOf(order, w) : -1;
    if (place <= below || place >= top) return false;
    below = place;
  }
  return true;
}

}  // namespace

void ExpectInOrder(const QWidget* owner, const std::vector<QPointer<QWidget>>& kept, const QWidget* dialog,
                   const std::string& when) {
  std::string seen;
  int held = 0;
  const bool settled = WaitUntil([&] {
    const std::vector<unsigned long> order = StackingOrder();
    seen = Describe(order);
    held = InOrder(order, owner, kept, dialog) ? held + 1 : 0;
    if (held < 3) QTest::qWait(100);
    return held >= 3;
  });
  std::string wanted = Name(owner);
  for (const QPointer<QWidget>& w : kept)
    if (w) wanted += " < " + Name(w);
  if (dialog != nullptr) wanted += " < " + Name(dialog);
  EXPECT_TRUE(settled) << when << ":\n  wanted (from the bottom) " << wanted << "\n  stacked " << seen;
}

namespace {

// Whether a press reached any window of the program.
class TPressWatch : public QObject {
 public:
  TPressWatch() { qApp->installEventFilter(this); }
  ~TPressWatch() override { qApp->removeEventFilter(this); }
  bool pressed = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) &&
        watched->isWidgetType())
      pressed = true;
    return false;
  }
};

// The user opened, clicked or used it last: it stands in front of the others.
void ToFront(std::vector<QPointer<QWidget>>& kept, const QWidget* w) {
  const auto it = std::find(kept.begin(), kept.end(), w);
  if (it != kept.end()) std::rotate(it, it + 1, kept.end());
}

}  // namespace

void Click(QWidget* w, QPoint local) {
  const QPoint at = w->mapToGlobal(local);
  ASSERT_TRUE(ClickAt(at.x(), at.y())) << "xdotool could not click";
}

QAbstractButton* ButtonOf(QWidget* owner, int id) {
  for (QAbstractButton* b : owner->findChildren<QAbstractButton*>())
    if (b->window() == owner && b->isVisible() &&
        (b->objectName() == QString::number(id) || b->objectName() == QString("button%1").arg(id)))
      return b;
  return nullptr;
}



void ExpectClearOfControls(const QWidget* owner, const QWidget* window, const std::string& when) {
  const QRect frame = FrameOnScreen(window);
  for (const QWidget* c : owner->findChildren<QWidget*>()) {
    if (c->window() != owner || !c->isVisibleTo(owner) || !c->isEnabled()) continue;
    const bool inBox = qobject_cast<const QAbstractSpinBox*>(c->parentWidget()) != nullptr ||
                       qobject_cast<const QComboBox*>(c->parentWidget()) != nullptr;
    const bool reached = qobject_cast<const QAbstractButton*>(c) != nullptr || qobject_cast<const QMenuBar*>(c) != nullptr ||
                         qobject_cast<const QAbstractSpinBox*>(c) != nullptr || qobject_cast<const QComboBox*>(c) != nullptr ||
                         qobject_cast<const QAbstractSlider*>(c) != nullptr ||
                         (qobject_cast<const QLineEdit*>(c) != nullptr && !inBox);
    if (!reached) continue;
    const QRect place(c->mapToGlobal(QPoint(0, 0)), c->size());
    EXPECT_FALSE(frame.intersects(place)) << when << ": " << Name(window) << " covers the " << c->metaObject()->className()
                                          << " " << c->objectName().toStdString() << " of " << Name(owner);
  }
}

std::optional<QPoint> InertSpot(const QWidget* window) {
  const auto inert = [window](const QWidget* at) {
    if (at == nullptr || at->window() != window) return false;
    const std::string kind = at->metaObject()->className();
    return at == window || qobject_cast<const QLabel*>(at) != nullptr || qobject_cast<const QGroupBox*>(at) != nullptr ||
           kind == "QWidget" || kind == "QFrame";
  };
  // Covered by a window of the program that the window manager stacks above this one (Qt's own
  // idea of which window stands at a point does not follow the window manager's restacks).
  const std::vector<unsigned long> order = StackingOrder();
  const int place = PlaceOf(order, window);
  const std::set<QWidget*> shown = Shown();
  const auto covered = [&](const QPoint& at) {
    return std::any_of(shown.begin(), shown.end(), [&](QWidget* w) {
      return w != window && PlaceOf(order, w) > place && FrameOnScreen(w).contains(at);
    });
  };
  const QRect inside = window->rect();
  for (int y = 2; y < inside.height(); y += 8)
    for (int x = 2; x < inside.width(); x += 8) {
      const QPoint at = window->mapToGlobal(QPoint(x, y));
      if (inert(QApplication::widgetAt(at)) && !covered(at)) return at;
    }
  // The title bar, where no window of the program above this one covers it.
  const QRect frame = FrameOnScreen(window);
  const int y = (frame.top() + window->geometry().top()) / 2;
  if (y >= window->geometry().top()) return std::nullopt;
  for (int x = frame.left() + 30; x < frame.right() - 100; x += 10) {
    const QPoint at(x, y);
    if (!covered(at)) return at;
  }
  return std::nullopt;
}

namespace {

// A way to open a dialog over the owner as a user does: a click on a button, or on a menu of
// the owner's menu bar and then on one of its items.
struct Opener {
  std::string name;
  std::function<void()> open;
  // Over once the click has been handled without a window (a file dialog answered at once).
  std::function<bool()> settles;
  // The kept window whose menu the click opens (it comes to the front), or none.
  QPointer<QWidget> keptWindow;
};

Opener ButtonOpener(QWidget* owner, int id) {
  QAbstractButton* b = ButtonOf(owner, id);
  const std::string name = b ? "the button " + Plain(b->text()) : "button " + std::to_string(id);
  return {name,
          [owner, id] {
            QAbstractButton* button = ButtonOf(owner, id);
            ASSERT_NE(button, nullptr) << "no button " << id;
            Click(button, button->rect().center());
          },
          {},
          {}};
}

Opener MenuOpener(QMenuBar* bar, QMenu* menu, QAction* item) {
  QPointer<QMenu> m(menu);
  QPointer<QAction> a(item);
  auto clicked = std::make_shared<bool>(false);
  return {Plain(menu->title()) + " > " + Plain(item->text()),
          [bar, m, a, clicked] {
            *clicked = false;
            Click(bar, bar->actionGeometry(m->menuAction()).center());
            ASSERT_TRUE(WaitUntil([&] { return m && m->isVisible(); })) << "the menu did not open";
            ASSERT_TRUE(a);
            Click(m, m->actionGeometry(a).center());
            *clicked = true;
          },
          [m, clicked] {
            // The item's command ran without a window: the menu is gone and the events are over.
            if (!*clicked || (m && m->isVisible())) return false;
            QTest::qWait(700);
            return true;
          },
          {}};
}

// Every item of the window's menus that opens a dialog by its name ("...").
std::vector<Opener> MenuDialogOpeners(QWidget* owner) {
  std::vector<Opener> openers;
  QMenuBar* bar = nullptr;
  for (QMenuBar* b : owner->findChildren<QMenuBar*>())
    if (b->window() == owner && b->isVisible()) bar = b;
  if (bar == nullptr) return openers;
  for (QAction* top : bar->actions()) {
    QMenu* menu = top->menu();
    if (menu == nullptr) continue;
    for (QAction* item : menu->actions())
      if (!item->isSeparator() && item->menu() == nullptr && item->text().endsWith("..."))
        openers.push_back(MenuOpener(bar, menu, item));
  }
  return openers;
}

// Moves a kept window clear of the owner's buttons and menu bar (the walk clicks them), to
// the first corner of the screen that leaves them free, each a little beside the last.
void MoveAside(QWidget* owner, QWidget* w, int index) {
  std::vector<QRect> controls;
  for (QWidget* c : owner->findChildren<QWidget*>())
    if (c->isVisible() && (qobject_cast<QAbstractButton*>(c) || qobject_cast<QMenuBar*>(c)))
      controls.emplace_back(c->mapToGlobal(QPoint(0, 0)), c->size());
  // The corners' areas, inset from the screen's edges, with room for the windows' steps and
  // frames.
  const QRect area = owner->screen()->availableGeometry().adjusted(10, 60, -150, -150);
  const QSize size(340, 220);
  const int step = 30 * index;
  const QRect corners[] = {
      QRect(QPoint(area.left() + step, area.bottom() - size.height() - step), size),
      QRect(QPoint(area.right() - size.width() - step, area.bottom() - size.height() - step), size),
      QRect(QPoint(area.right() - size.width() - step, area.top() + step), size),
      QRect(QPoint(area.left() + step, area.top() + step), size)};
  // Clear of the whole owner where a corner is: a click on the owner or its raising then
  // uncovers nothing of it, and only the window manager's stacking tells the program.
  const QRect ownerFrame = FrameOnScreen(owner).adjusted(-30, -40, 30, 30);
  QRect place = corners[0];
  const auto clearOfControls = [&](const QRect& corner) {
    return std::none_of(controls.begin(), controls.end(),
                        [&](const QRect& control) { return control.adjusted(-30, -40, 30, 30).intersects(corner); });
  };
  // The corners of the screen itself too, each window a step further in.
  const QRect screen = owner->screen()->availableGeometry().adjusted(10, 40, -20, -40);
  const QRect edges[] = {
      QRect(QPoint(screen.right() - size.width() - step, screen.bottom() - size.height() - step), size),
      QRect(QPoint(screen.right() - size.width() - step, screen.top() + step), size),
      QRect(QPoint(screen.left() + step, screen.bottom() - size.height() - step), size)};
  const auto clearOfOwner = [&](const QRect& corner) { return !ownerFrame.intersects(corner); };
  if (const auto* edge = std::find_if(std::begin(edges), std::end(edges), clearOfOwner); edge != std::end(edges))
    place = *edge;
  else if (const auto* corner = std::find_if(std::begin(corners), std::end(corners), clearOfControls);
           corner != std::end(corners))
    place = *corner;
  w->setGeometry(place);
  (void)WaitUntil([&] { return w->geometry().topLeft() == place.topLeft(); });
}

}  // namespace

void ClickInert(const QWidget* w) {
  if (const std::optional<QPoint> at = InertSpot(w)) {
    ASSERT_TRUE(ClickAt(at->x(), at->y())) << "xdotool could not click";
  } else {
    ASSERT_TRUE(Activate(XWindow(w))) << "xdotool could not activate " << Name(w);
  }
}

namespace {

// Opens the owner's windows by clicking the buttons that open them, each where it opens or
// moved aside; `kept` holds the ones open already and takes the new ones, in front.
void OpenKeptWindows(QWidget* owner, const std::vector<int>& buttons, bool moveAside,
                     std::vector<QPointer<QWidget>>& kept, const std::string& leftFree) {
  int index = 0;
  if (moveAside)
    for (const QPointer<QWidget>& w : kept)
      if (w) MoveAside(owner, w, index++);
  for (int id : buttons) {
    const std::set<QWidget*> before = Shown();
    QAbstractButton* b = ButtonOf(owner, id);
    ASSERT_NE(b, nullptr) << "no button " << id;
    const std::string name = Plain(b->text());
    const TPressWatch press;
    Click(b, b->rect().center());
    QWidget* opened = nullptr;
    bool closed = false;
    const auto openedOrClosed = [&] {
      const std::vector<QPointer<QWidget>> now = KeptWindows(owner);
      for (const QPointer<QWidget>& w : now)
        if (w && !before.count(w)) opened = w;
      closed = std::any_of(kept.begin(), kept.end(), [&](const QPointer<QWidget>& w) {
        return w.isNull() || std::find(now.begin(), now.end(), w) == now.end();
      });
      return opened != nullptr || closed;
    };
    // A click that reached no window of the program is given again, as a user would: on a
    // busy machine the window manager can let it land before the owner stands where it was
    // placed (Quick Eval of the scattered-data window opened nothing once so).
    if (!WaitUntil(openedOrClosed) && !press.pressed) Click(b, b->rect().center());
    ASSERT_TRUE(opened != nullptr || closed || WaitUntil(openedOrClosed)) << "the button " << name << " opened no window";
    if (opened == nullptr) {
      // The owner reopened the window it was last closed with (an earlier walk's), and the
      // button closed it: a second click opens it anew.
      std::erase_if(kept, [&](const QPointer<QWidget>& w) { return w.isNull() || !w->isVisible(); });
      const std::set<QWidget*> shown = Shown();
      Click(b, b->rect().center());
      ASSERT_TRUE(WaitUntil([&] {
        for (const QPointer<QWidget>& w : KeptWindows(owner))
          if (w && !shown.count(w)) opened = w;
        return opened != nullptr;
      })) << "the button " << name << " opened no window";
    }
    (void)QTest::qWaitForWindowExposed(opened, 10000);
    kept.emplace_back(opened);
    ExpectInOrder(owner, kept, nullptr, Name(opened) + " opened by the button " + name);
    if (moveAside) {
      MoveAside(owner, opened, index++);
    } else {
      ExpectClearOfControls(owner, opened, Name(opened) + " opened by the button " + name);
      for (const QPointer<QWidget>& w : kept)
        if (w && w != opened && w->metaObject()->className() == leftFree)
          EXPECT_FALSE(FrameOnScreen(opened).intersects(FrameOnScreen(w)))
              << Name(opened) << " opened by the button " << name << " covers " << Name(w) << ": "
              << opened->frameGeometry().x() << "," << opened->frameGeometry().y() << " "
              << opened->frameGeometry().width() << "x" << opened->frameGeometry().height();
      ClickInert(owner);
      ExpectInOrder(owner, kept, nullptr, "after a click on " + Name(owner) + " with " + Name(opened) + " open");
    }
  }
  if (moveAside || kept.size() < 2) return;
  // The window at the back, clicked, comes to the front, and stays there at the next click on
  // the owner.
  QPointer<QWidget> back = kept.front();
  ClickInert(back);
  ToFront(kept, back);
  ExpectInOrder(owner, kept, nullptr, "after a click on " + Name(back));
  ClickInert(owner);
  ExpectInOrder(owner, kept, nullptr, "after a click on " + Name(back) + " and then on " + Name(owner));
}

// The checks with one dialog over the owner or over one of its kept windows: opened by a
// click, after a click in it, after a click on the owner, (once) after a spell in another
// program, and closed again. Answers whether a dialog came.
bool CheckDialog(QWidget* owner, const Opener& opener, std::vector<QPointer<QWidget>>& kept,
                 bool visitAnotherProgram, int ownerClicks = 1, int ownerRaises = 0) {
  const std::set<QWidget*> before = Shown();
  // The click on a kept window's menu brings that window to the front.
  if (opener.keptWindow) ToFront(kept, opener.keptWindow);
  std::string dialogName;
  const bool opened = WithWindow(
      opener.open,
      [&](QWidget* w) { return !before.count(w) && w->windowModality() != Qt::NonModal; },
      [&](QWidget* dialog) {
        dialogName = Name(dialog);
        // A dialog of a kept window (the list's font, from the review's menu) brings that
        // window forward with it.
        for (const QWidget* w = dialog->parentWidget(); w != nullptr; w = w->window()->parentWidget())
          if (std::find(kept.begin(), kept.end(), w->window()) != kept.end()) {
            ToFront(kept, w->window());
            break;
          }
        ExpectInOrder(owner, kept, dialog, dialogName + " opened by " + opener.name);
        Click(dialog, QPoint(2, 2));
        ExpectInOrder(owner, kept, dialog, "after a click in " + dialogName);
        // The owner is blocked meanwhile, but the window manager raises it at each click.
        for (int click = 1; click <= ownerClicks; ++click) {
          ClickInert(owner);
          ExpectInOrder(owner, kept, dialog,
                        "after click " + std::to_string(click) + " on " + Name(owner) + " with " + dialogName + " up");
        }
        for (int raise = 1; raise <= ownerRaises; ++raise) {
          ASSERT_TRUE(Raise(XWindow(owner))) << "xdotool could not raise " << Name(owner);
          ExpectInOrder(owner, kept, dialog,
                        "after raising " + std::to_string(raise) + " of " + Name(owner) + " by another program with " +
                            dialogName + " up");
        }
        if (!visitAnotherProgram) return;
        TOtherProgram other("another program");
        const unsigned long window = other.Window();
        ASSERT_NE(window, 0u) << "xmessage did not come up";
        ASSERT_TRUE(Activate(window));
        auto above = [&] {
          const std::vector<std::string> states = WindowStates(XWindow(dialog));
          return std::find(states.begin(), states.end(), "_NET_WM_STATE_ABOVE") != states.end();
        };
        EXPECT_TRUE(WaitUntil([&] {
          const std::vector<unsigned long> order = StackingOrder();
          const auto at = std::find(order.begin(), order.end(), window);
          return at != order.end() && static_cast<int>(at - order.begin()) > PlaceOf(order, dialog) && !above();
        })) << dialogName << " stayed above another program's window that was activated: "
            << Describe(StackingOrder());
        Click(dialog, QPoint(2, 2));
        ExpectInOrder(owner, kept, dialog, "back in " + dialogName + " from another program");
        EXPECT_TRUE(WaitUntil(above)) << dialogName << " is not kept above the owned windows again";
      },
      opener.settles);
  if (opened) ExpectInOrder(owner, kept, nullptr, dialogName + " closed");
  std::fprintf(stderr, "  %s: %s\n", opener.name.c_str(), opened ? dialogName.c_str() : "no dialog");
  return opened;
}

bool IsA(const QWidget* w, const char* className) { return std::string(w->metaObject()->className()) == className; }

// The Animate dialog opened by the owner's button and its OK clicked: the player comes up
// playing, in front of the owner and its kept windows (the owner blocked meanwhile), stays
// there after a click on the owner, and answers its Stop and Start, a key (which stops it)
// and its close box (which stops it while playing, then closes it). Answers whether it played.
bool CheckAnimationPlayer(QWidget* owner, int button, const std::vector<QPointer<QWidget>>& kept) {
  const std::set<QWidget*> before = Shown();
  bool played = false;
  const auto playing = [](QWidget* w) { return static_cast<TAnimateWin*>(w)->Playing(); };
  // The player runs once the dialog's own event loop is over: it is watched from the events
  // it runs by itself.
  QTimer watch;
  watch.setInterval(50);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QWidget* player = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && IsA(w, "TAnimateWin")) player = w;
    if (player == nullptr) return;
    watch.stop();
    (void)QTest::qWaitForWindowExposed(player, static_cast<int>(std::chrono::milliseconds(kPatience).count()));
    auto* win = static_cast<TAnimateWin*>(player);
    [&] {
      EXPECT_TRUE(win->Playing()) << "the player did not start";
      ExpectInOrder(owner, kept, player, "Animate View opened by the Animate dialog's OK");
      ClickInert(owner);
      ExpectInOrder(owner, kept, player, "after a click on " + Name(owner) + " with Animate View playing");
      QMenuBar* bar = win->MenuBar();
      QAction* startStop = bar->actions().value(0);
      ASSERT_NE(startStop, nullptr);
      Click(bar, bar->actionGeometry(startStop).center());
      EXPECT_TRUE(WaitUntil([&] { return !playing(player); })) << "Stop was not served while playing";
      Click(bar, bar->actionGeometry(startStop).center() + QPoint(1, 0));
      EXPECT_TRUE(WaitUntil([&] { return playing(player); })) << "Start was not served";
      ASSERT_TRUE(RunTool({"xdotool", "key", "Escape"}).has_value()) << "xdotool could not press a key";
      EXPECT_TRUE(WaitUntil([&] { return !playing(player); })) << "a key did not stop the player";
      Click(bar, bar->actionGeometry(startStop).center());
      EXPECT_TRUE(WaitUntil([&] { return playing(player); })) << "Start was not served";
      ExpectInOrder(owner, kept, player, "Animate View playing again");
      // Closing it while it plays (its close box) only stops it.
      EXPECT_FALSE(player->close());
      EXPECT_TRUE(WaitUntil([&] { return !playing(player); })) << "the close box did not stop the player";
      EXPECT_TRUE(player->isVisible());
    }();
    // Whatever failed, the player is stopped and closed: the walk goes on.
    if (win->Playing()) win->CmStop();
    (void)WaitUntil([&] { return !win->Playing(); });
    player->close();
    played = true;
  });
  (void)WithWindow(
      ButtonOpener(owner, button).open,
      [&](QWidget* w) { return !before.count(w) && IsA(w, "TAnimate"); },
      [&](QWidget* dialog) {
        QAbstractButton* ok = nullptr;
        for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
          if (Plain(b->text()) == "OK") ok = b;
        ASSERT_NE(ok, nullptr) << "the Animate dialog has no OK";
        Click(ok, ok->rect().center());
        EXPECT_TRUE(WaitUntil([&] { return !dialog->isVisible(); })) << "the Animate dialog's OK did not close it";
        watch.start();
      });
  EXPECT_TRUE(WaitUntil([&] { return played; })) << "Animate View did not come up";
  watch.stop();
  if (played) ExpectInOrder(owner, kept, nullptr, "Animate View closed");
  std::fprintf(stderr, "  Animate > OK: %s\n", played ? "Animate View played" : "no player");
  return played;
}

}  // namespace

bool WithWindow(const std::function<void()>& open, const std::function<bool(QWidget*)>& wanted,
                const std::function<void(QWidget*)>& inside, const std::function<bool()>& settles) {
  bool done = false;
  QTimer watch;
  watch.setInterval(50);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QWidget* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && wanted(w)) window = w;
    if (window == nullptr) return;
    watch.stop();
    QPointer<QWidget> w(window);
    (void)QTest::qWaitForWindowExposed(window, static_cast<int>(std::chrono::milliseconds(kPatience).count()));
    if (w) inside(w);
    // A dialog that `inside` accepted keeps its answer (its own event loop is not over yet).
    if (auto* dialog = qobject_cast<QDialog*>(w.data())) {
      if (dialog->isVisible() || dialog->result() != QDialog::Accepted) dialog->reject();
    } else if (w) {
      w->close();
    }
    done = true;
  });
  watch.start();
  open();
  (void)WaitUntil([&] { return done || (settles && settles()); });
  watch.stop();
  return done;
}

bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = Clock::now() + kPatience;
  while (Clock::now() < deadline) {
    if (condition()) return true;
    QTest::qWait(50);
  }
  return condition();
}

void WindowStacking::SetUp() {
  if (!NoDisplayReason().empty())
    GTEST_SKIP() << "no X display with a window manager could be started (" << NoDisplayReason()
                 << "): the stacking of the windows is not checked";
}

namespace {

// A kept window the program activates by itself (the review focuses its list after the list's
// font) is the one the user used last: it comes to the front of the walk's order too.
class TActivations : public QObject {
 public:
  TActivations(const QWidget* owner, std::vector<QPointer<QWidget>>& kept) : owner_(owner), kept_(kept) {
    qApp->installEventFilter(this);
  }
  ~TActivations() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::WindowActivate || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w->isWindow() && std::find(kept_.begin(), kept_.end(), w) != kept_.end()) ToFront(kept_, w);
    return false;
  }

 private:
  const QWidget* owner_;
  std::vector<QPointer<QWidget>>& kept_;
};

}  // namespace

TOwnerTally WindowStacking::CheckOwner(TProgramUnderWalk& program, const TOwnerWalk& walk) {
  TOwnerTally tally;
  const bool opened = WithWindow(
      [&] { program.Window().ExecuteCommand(walk.command); },
      [&](QWidget* w) { return (!walk.answerFirst || !walk.answerFirst(w)) && IsA(w, walk.ownerClass); },
      [&](QWidget* owner) {
        // The windows the owner opened by itself (the review's list) stand first.
        std::vector<QPointer<QWidget>> kept = KeptWindows(owner);
        const TActivations activations(owner, kept);
        OpenKeptWindows(owner, walk.keptButtons, walk.moveAside, kept, walk.keptWindowLeftFree);
        if (HasFatalFailure()) return;
        tally.keptWindows = static_cast<int>(kept.size());
        std::vector<Opener> openers;
        for (int id : walk.dialogButtons) openers.push_back(ButtonOpener(owner, id));
        if (walk.ownerMenus)
          for (Opener& o : MenuDialogOpeners(owner)) openers.push_back(std::move(o));
        for (const Opener& o : openers) {
          const bool visit = walk.visitAnotherProgram && tally.dialogs == 0;
          tally.dialogs += CheckDialog(owner, o, kept, visit, walk.ownerClicksWithDialogUp, walk.ownerRaisesWithDialogUp) ? 1 : 0;
          if (HasFatalFailure()) return;
        }
        if (walk.animateButton != 0) {
          tally.animationsPlayed += CheckAnimationPlayer(owner, walk.animateButton, kept) ? 1 : 0;
          if (HasFatalFailure()) return;
        }
        if (walk.keptWindowsDialogs) CheckKeptWindowsDialogs(owner, kept, tally);
        if (HasFatalFailure()) return;
        for (const std::string& item : walk.keptWindowItems) {
          tally.keptWindowWindows += OpenFromKeptWindows(owner, item, kept);
          if (HasFatalFailure()) return;
        }
      });
  EXPECT_TRUE(opened) << walk.ownerClass << " did not open";
  return tally;
}

void WindowStacking::CheckKeptWindowsDialogs(QWidget* owner, std::vector<QPointer<QWidget>>& kept, TOwnerTally& tally) {
        const std::vector<QPointer<QWidget>> windows = kept;
        for (const QPointer<QWidget>& w : windows) {
          if (!w) continue;
          std::vector<Opener> keptOpeners = MenuDialogOpeners(w);
          if (keptOpeners.empty()) continue;
          // Brought to the front first, as a user does before using its menus.
          ClickInert(w);
          ToFront(kept, w);
          ExpectInOrder(owner, kept, nullptr, "after a click on " + Name(w));
          for (Opener& o : keptOpeners) {
            o.keptWindow = w;
            o.name = Name(w) + ": " + o.name;
            tally.keptWindowDialogs += CheckDialog(owner, o, kept, false) ? 1 : 0;
            if (HasFatalFailure()) return;
          }
        }
}

int WindowStacking::OpenFromKeptWindows(QWidget* owner, const std::string& item, std::vector<QPointer<QWidget>>& kept) {
  int opened = 0;
  const std::vector<QPointer<QWidget>> windows = kept;
  for (const QPointer<QWidget>& w : windows) {
    if (!w) continue;
    QMenuBar* bar = nullptr;
    for (QMenuBar* b : w->findChildren<QMenuBar*>())
      if (b->window() == w && b->isVisible()) bar = b;
    if (bar == nullptr) continue;
    for (QAction* top : bar->actions()) {
      QMenu* menu = top->menu();
      if (menu == nullptr) continue;
      for (QAction* a : menu->actions()) {
        if (a->isSeparator() || Plain(a->text()) != item || !a->isEnabled()) continue;
        ClickInert(w);
        ToFront(kept, w);
        ExpectInOrder(owner, kept, nullptr, "after a click on " + Name(w));
        const std::set<QWidget*> before = Shown();
        MenuOpener(bar, menu, a).open();
        if (HasFatalFailure()) return opened;
        QWidget* beside = nullptr;
        EXPECT_TRUE(WaitUntil([&] {
          for (const QPointer<QWidget>& k : KeptWindows(owner))
            if (k && !before.count(k)) beside = k;
          return beside != nullptr;
        })) << Name(w) << ": " << item << " opened no window kept with " << Name(owner) << "'s";
        if (beside == nullptr) continue;
        (void)QTest::qWaitForWindowExposed(beside, 30000);
        ++opened;
        kept.emplace_back(beside);
        ExpectInOrder(owner, kept, nullptr, Name(beside) + " opened from " + Name(w));
        ClickInert(owner);
        ExpectInOrder(owner, kept, nullptr, "after a click on " + Name(owner) + " with " + Name(beside) + " open");
        QPointer<QWidget> gone(beside);
        beside->close();
        (void)WaitUntil([&] { return gone.isNull() || !gone->isVisible(); });
        kept.erase(std::remove(kept.begin(), kept.end(), gone), kept.end());
        std::erase_if(kept, [](const QPointer<QWidget>& k) { return k.isNull() || !k->isVisible(); });
        std::fprintf(stderr, "  %s: %s\n", (Name(w) + ": " + item).c_str(), "a window kept with the owner's");
      }
    }
  }
  return opened;
}

int WindowStacking::CheckOwner(TProgramUnderWalk& program, int command, const char* ownerClass,
                               const std::vector<int>& keptButtons, const std::vector<int>& dialogButtons,
                               bool visitAnotherProgram) {
  TOwnerWalk walk;
  walk.command = command;
  walk.ownerClass = ownerClass;
  walk.keptButtons = keptButtons;
  walk.dialogButtons = dialogButtons;
  walk.visitAnotherProgram = visitAnotherProgram;
  return CheckOwner(program, walk).dialogs;
}

void StackingAt1600x1200::SetUp() {
  WindowStacking::SetUp();
  if (IsSkipped()) return;
  ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1600, 1200));
}

void StackingAt1024x768::SetUp() {
  WindowStacking::SetUp();
  if (IsSkipped()) return;
  ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1024, 768));
}

}  // namespace stacking
