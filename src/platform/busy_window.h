// The busy window: a small modeless window with a caption, a short message and optionally
// the hourglass, shown around long operations. There is at most one at a time. The Qt layer
// installs the real window; without one (headless runs and tests) the state is only kept, so
// that callers can be tested.
#pragma once

#include <string>
#include <string_view>

#include "platform/window.h"

namespace platform {

class BusyWindowService {
 public:
  virtual ~BusyWindowService() = default;
  virtual void Show(Window parent, const std::string& caption, const std::string& text,
                    bool hourglass) = 0;
  virtual void Update(const std::string* caption, const std::string* text) = 0;
  virtual void Hide() = 0;
};

BusyWindowService* SetBusyWindowService(BusyWindowService* service);

// What the busy window shows now (for tests and for the status of long operations).
struct BusyState {
  bool shown = false;
  bool hourglass = false;
  std::string caption;
  std::string text;
};
BusyState CurrentBusyState();

}  // namespace platform

// Closes a busy window that is still open, then opens one with the caption and the text;
// a nonzero hourglass flag shows the wait cursor until HideBusyMsg.
void ShowBusyMsg(platform::Window parent, std::string_view caption, std::string_view text,
                 int hourglass);
// The same with both texts from the string table; when either is missing nothing is shown
// (an open busy window is still closed first).
void ShowBusyMsgId(platform::Window parent, int captionId, int textId, int hourglass);
// While a busy window is open: a non-null caption or text replaces the one shown.
void UpdateBusyMsg(const char* caption, const char* text);
void HideBusyMsg();
