// The stacking walk: an owner opened by its command, the windows it keeps opened by their
// buttons and moved aside, and each of its dialogs opened by a real click on its button or
// menu item; with each dialog up, the window manager's stacking must read (from the bottom)
// the owner, every window it keeps, the dialog: when the dialog opens, after a click in it,
// after a spell in another program (once per owner), and, without the dialog, once it is
// closed. Real clicks through the X server (xdotool) on the display of x_display.h.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

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

class WindowStacking : public ::testing::Test {
 protected:
  // Skips, saying why, when main() could not start the display.
  void SetUp() override;

  // Opens the owner (of class `ownerClass`) by its command, its kept windows by
  // `keptButtons`, and every dialog of `dialogButtons` and of its menus' "..." items;
  // answers the dialogs checked.
  int CheckOwner(every_window::TProgramUnderWalk& program, int command, const char* ownerClass,
                 const std::vector<int>& keptButtons, const std::vector<int>& dialogButtons,
                 bool visitAnotherProgram);
};

}  // namespace stacking
