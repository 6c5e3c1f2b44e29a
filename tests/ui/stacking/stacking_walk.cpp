#include "stacking_walk.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QWindow>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "app/ui/main_window.h"
#include "app/ui/owned_window.h"
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

// The windows in sight that `owner` keeps beside it.
std::vector<QPointer<QWidget>> KeptWindows(const QWidget* owner) {
  std::vector<QPointer<QWidget>> kept;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->parentWidget() != nullptr && w->parentWidget()->window() == owner &&
        w->findChild<TOwnedWindowKeeper*>(QString(), Qt::FindDirectChildrenOnly) != nullptr)
      kept.emplace_back(w);
  return kept;
}

// The owner, then every window it keeps, then the dialog (when there is one), in that order
// from the bottom; windows of other programs may stand anywhere.
bool InOrder(const std::vector<unsigned long>& order, const QWidget* owner,
             const std::vector<QPointer<QWidget>>& kept, const QWidget* dialog) {
  const int bottom = PlaceOf(order, owner);
  const int top = dialog != nullptr ? PlaceOf(order, dialog) : static_cast<int>(order.size());
  if (bottom < 0 || top < 0) return false;
  return std::all_of(kept.begin(), kept.end(), [&](const QPointer<QWidget>& w) {
    const int place = w ? PlaceOf(order, w) : -1;
    return place > bottom && place < top;
  });
}

// The stacking settles in order: it holds at three looks in a row, the program's events
// handled in between.
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

void Click(QWidget* w, QPoint local) {
  const QPoint at = w->mapToGlobal(local);
  ASSERT_TRUE(ClickAt(at.x(), at.y())) << "xdotool could not click";
}

// A button by its control id (its object name; the grid editor's read "button<id>").
QAbstractButton* ButtonOf(QWidget* owner, int id) {
  for (QAbstractButton* b : owner->findChildren<QAbstractButton*>())
    if (b->window() == owner && b->isVisible() &&
        (b->objectName() == QString::number(id) || b->objectName() == QString("button%1").arg(id)))
      return b;
  return nullptr;
}


// A way to open a dialog over the owner as a user does: a click on a button, or on a menu of
// the owner's menu bar and then on one of its items.
struct Opener {
  std::string name;
  std::function<void()> open;
  // Over once the click has been handled without a window (a file dialog answered at once).
  std::function<bool()> settles;
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
          }};
}

// Every item of the owner's menus that opens a dialog by its name ("...").
std::vector<Opener> MenuDialogOpeners(QWidget* owner) {
  std::vector<Opener> openers;
  QMenuBar* bar = owner->findChild<QMenuBar*>();
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
  QRect place = corners[0];
  for (const QRect& corner : corners)
    if (std::none_of(controls.begin(), controls.end(),
                     [&](const QRect& control) { return control.adjusted(-30, -40, 30, 30).intersects(corner); })) {
      place = corner;
      break;
    }
  w->setGeometry(place);
  (void)WaitUntil([&] { return w->geometry().topLeft() == place.topLeft(); });
}

// Opens the owner's windows by clicking the buttons that open them.
void OpenKeptWindows(QWidget* owner, const std::vector<int>& buttons) {
  int index = 0;
  for (const QPointer<QWidget>& w : KeptWindows(owner))
    if (w) MoveAside(owner, w, index++);
  for (int id : buttons) {
    const std::set<QWidget*> before = Shown();
    QAbstractButton* b = ButtonOf(owner, id);
    ASSERT_NE(b, nullptr) << "no button " << id;
    Click(b, b->rect().center());
    QWidget* opened = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      for (const QPointer<QWidget>& w : KeptWindows(owner))
        if (w && !before.count(w)) opened = w;
      return opened != nullptr;
    })) << "the button " << Plain(b->text()) << " opened no window";
    (void)QTest::qWaitForWindowExposed(opened, 10000);
    MoveAside(owner, opened, index++);
  }
}

// The checks with one dialog over the owner: opened by a click, after a click in the dialog,
// (once) after a spell in another program, and closed again. Answers whether a dialog came.
bool CheckDialog(QWidget* owner, const Opener& opener, bool visitAnotherProgram) {
  const std::set<QWidget*> before = Shown();
  const std::vector<QPointer<QWidget>> kept = KeptWindows(owner);
  std::string dialogName;
  const bool opened = WithWindow(
      opener.open,
      [&](QWidget* w) { return !before.count(w) && w->windowModality() != Qt::NonModal; },
      [&](QWidget* dialog) {
        dialogName = Name(dialog);
        ExpectInOrder(owner, kept, dialog, dialogName + " opened by " + opener.name);
        Click(dialog, QPoint(2, 2));
        ExpectInOrder(owner, kept, dialog, "after a click in " + dialogName);
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
    if (auto* dialog = qobject_cast<QDialog*>(w.data()))
      dialog->reject();
    else if (w)
      w->close();
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

int WindowStacking::CheckOwner(TProgramUnderWalk& program, int command, const char* ownerClass,
                               const std::vector<int>& keptButtons, const std::vector<int>& dialogButtons,
                               bool visitAnotherProgram) {
  int dialogs = 0;
  const bool opened = WithWindow([&] { program.Window().ExecuteCommand(command); },
                                 [&](QWidget* w) { return IsA(w, ownerClass); },
                                 [&](QWidget* owner) {
                                   OpenKeptWindows(owner, keptButtons);
                                   if (HasFatalFailure()) return;
                                   std::vector<Opener> openers;
                                   for (int id : dialogButtons) openers.push_back(ButtonOpener(owner, id));
                                   for (Opener& o : MenuDialogOpeners(owner)) openers.push_back(std::move(o));
                                   for (const Opener& o : openers) {
                                     dialogs += CheckDialog(owner, o, visitAnotherProgram && dialogs == 0) ? 1 : 0;
                                     if (HasFatalFailure()) return;
                                   }
                                 });
  EXPECT_TRUE(opened) << ownerClass << " did not open";
  return dialogs;
}

}  // namespace stacking
