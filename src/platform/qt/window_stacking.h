// The window manager's stacking of the program's windows, where the window system tells it:
// on X11 under a window manager that keeps the list of managed windows in stacking order
// (_NET_CLIENT_LIST_STACKING, as EWMH asks), the list itself, and a call after each change of
// it. A window manager restacks windows without telling the windows themselves (a click on a
// modal window puts it over the windows it owns, and where a dialog covers them no window is
// uncovered, so no window hears of it): the list is the only witness. Elsewhere (the offscreen
// platform, Wayland) nothing is read and no call comes.
#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

namespace platform::qt {

// The managed windows, bottom first, by their native ids; empty where the stacking cannot be
// read.
std::vector<WId> ManagedStacking();

// Calls `restacked` from the event loop after the window manager changed its stacking (once
// for changes that come together) until the returned object goes. Null where no change can be
// heard of.
class TStackingWatch {
 public:
  virtual ~TStackingWatch() = default;
};
std::unique_ptr<TStackingWatch> WatchStacking(std::function<void()> restacked);

}  // namespace platform::qt
