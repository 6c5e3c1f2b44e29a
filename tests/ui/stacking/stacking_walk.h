// The stacking walk: an owner opened by its command, the windows it keeps opened by their
// buttons, and each of its dialogs (and, where asked, each dialog of each kept window) opened
// by a real click on its button or menu item; the window manager's stacking must read (from
// the bottom) the owner, the windows it keeps in the order the user opened or last clicked
// them (what the user opened last stands in front), then the dialog: as each kept window
// opens, after a click on the owner where nothing covers it, after a click on a kept window,
// with each dialog up (when it opens, after a click in it, after a click on the owner, after
// a spell in another program once per owner) and once it is closed. Real clicks through the X
// server (xdotool) on the display of x_display.h.
#pragma once

#include <gtest/gtest.h>

#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QPoint;
class QRect;
class QAbstractButton;
class QWidget;

#include "every_window_support.h"

namespace stacking {

// Handles the program's events until `condition` holds, for half a minute at most (the window
// manager or the program on a loaded machine); answers whether it held.
bool WaitUntil(const std::function<bool()>& condition);

// Runs `open` and, once a window that `wanted` picks is up (opened at once or by the events
// that follow), `inside` on it from within that window's own event loop; then closes it.
// False when none came before the events that `open` started were over (`settles` says when).
bool WithWindow(const std::function<void()>& open, const std::function<bool(QWidget*)>& wanted,
                const std::function<void(QWidget*)>& inside, const std::function<bool()>& settles = {});

// The place `window`'s frame takes on the screen. Qt measures a window's frame once and keeps
// the measure; where it measured while the window manager was still putting its frame
// around the window it keeps a frame of 1 x 1 pixels, so a window whose frame does not hold
// its client area is given the frame margins of a window whose frame does.
QRect FrameOnScreen(const QWidget* window);

// A point of `window` (global) that a click may land on without acting: the window itself, a
// label or a frame, in sight (no other window over it); else a point of its title bar that no
// window of the program covers; none where the others cover it whole.
std::optional<QPoint> InertSpot(const QWidget* window);

// The windows `owner` keeps that are on the screen (those of its kept windows too).
std::vector<QPointer<QWidget>> KeptWindows(const QWidget* owner);
// The button of `owner` with the command id, or null.
QAbstractButton* ButtonOf(QWidget* owner, int id);
// A real click at a point of `w` (local), and on a spot of `w` where a click does nothing.
void Click(QWidget* w, QPoint local);
void ClickInert(const QWidget* w);
// Waits until the window manager stacks, from the bottom, the owner, `kept` in that order,
// then `dialog` (when not null); a failure says `when`.
void ExpectInOrder(const QWidget* owner, const std::vector<QPointer<QWidget>>& kept, const QWidget* dialog,
                   const std::string& when);

// Whether `window`'s frame leaves free every control of `owner` a user reaches: its buttons,
// boxes, fields, scroll bars and menu bar, enabled and in sight (a failure names each covered).
void ExpectClearOfControls(const QWidget* owner, const QWidget* window, const std::string& when);

// The windows in sight that `owner` keeps beside it.
std::vector<QPointer<QWidget>> KeptWindows(const QWidget* owner);
// The stacking settles as wanted: from the bottom, the owner, every window in `kept` in its
// order (the one in front last), then `dialog` (when there is one); windows of other programs
// may stand anywhere. It holds at three looks in a row, the program's events handled in
// between; a failure names `when` and the stacking seen.
void ExpectInOrder(const QWidget* owner, const std::vector<QPointer<QWidget>>& kept, const QWidget* dialog,
                   const std::string& when);
// A real click (xdotool) at a point of `w` (its own coordinates).
void Click(QWidget* w, QPoint local);
// A button of `owner` by its control id (its object name; the grid editor's read
// "button<id>"), visible; or null.
QAbstractButton* ButtonOf(QWidget* owner, int id);
// A click where `InertSpot` finds room, as a user clicks a window to bring it forward; a
// window the others cover whole is brought forward as from a task bar (the window manager
// asked to activate it).
void ClickInert(const QWidget* w);

// One owner and what the walk does with it.
struct TOwnerWalk {
  int command = 0;
  const char* ownerClass = "";
  // Answers a window that comes before the owner (the function viewer asks for its function
  // first); true when it answered.
  std::function<bool(QWidget*)> answerFirst;
  // The buttons that open the windows it keeps, clicked in this order.
  std::vector<int> keptButtons;
  // The buttons that open its dialogs; the "..." items of its menus are added unless
  // `ownerMenus` is off.
  std::vector<int> dialogButtons;
  bool ownerMenus = true;
  // The kept windows moved clear of the owner's controls (the walk clicks them); else they
  // stay where they open, over one another as they come, and must leave the owner's
  // controls free there (ExpectClearOfControls).
  bool moveAside = true;
  // The "..." items of each kept window's menus too (a pane's Font, the residual graph's 3D
  // View), each opened by a click on the kept window's menu.
  bool keptWindowsDialogs = false;
  // Items of the kept windows' menus that open a window of their own beside them (a text
  // window's "ASCII Editor"): each opened by real clicks, it stands in front of all the owner's
  // windows, and stays there after a click on the owner.
  std::vector<std::string> keptWindowItems;
  bool visitAnotherProgram = false;
  // A kept window (by its class) that the others, where they open, leave in sight: none of
  // them covers any of it.
  std::string keptWindowLeftFree;
  // Clicks on the owner, one after another, while each of its dialogs is up: the window
  // manager raises the blocked owner over its windows at each, and nothing but its stacking
  // tells the program.
  int ownerClicksWithDialogUp = 1;
  // Raisings of the owner asked by another program (a pager, a task bar) while each of its
  // dialogs is up, one after another: nothing of the owner is uncovered, no event reaches
  // the program, only the window manager's stacking tells.
  int ownerRaisesWithDialogUp = 0;
  // The button of the owner's Animate dialog, whose OK plays the graph in the "Animate View"
  // window: while it plays, it stands in front of the owner and its kept windows, after a
  // click on the owner too, and answers its menu, a key and its close box; or 0.
  int animateButton = 0;
};

// What a walk of one owner met.
struct TOwnerTally {
  int keptWindows = 0;
  int dialogs = 0;            // opened over the owner
  int keptWindowDialogs = 0;  // opened over a kept window
  int keptWindowWindows = 0;  // opened beside a kept window by keptWindowItems
  int animationsPlayed = 0;
};

class WindowStacking : public ::testing::Test {
 public:
  TOwnerTally CheckOwner(every_window::TProgramUnderWalk& program, const TOwnerWalk& walk);
  // The walk as it was first written: kept windows moved aside, the owner's dialogs.
  int CheckOwner(every_window::TProgramUnderWalk& program, int command, const char* ownerClass,
                 const std::vector<int>& keptButtons, const std::vector<int>& dialogButtons,
                 bool visitAnotherProgram);

 protected:
  // Skips, saying why, when main() could not start the display.
  void SetUp() override;

 private:
  void CheckKeptWindowsDialogs(QWidget* owner, std::vector<QPointer<QWidget>>& kept, TOwnerTally& tally);
  int OpenFromKeptWindows(QWidget* owner, const std::string& item, std::vector<QPointer<QWidget>>& kept);
};

// The same on a screen of the size the suite's name gives (stacking_main.cpp starts it).
class StackingAt1600x1200 : public WindowStacking {
 protected:
  void SetUp() override;
};
class StackingAt1024x768 : public WindowStacking {
 protected:
  void SetUp() override;
};

}  // namespace stacking
