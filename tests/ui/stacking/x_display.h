// An X server and a window manager of the test's own: Xvfb on a free display with one screen,
// and openbox on it with a configuration written here (click to focus, and a press in a
// window raises it, as most desktops do), so that nothing of the machine's settings counts.
// The tools that look at and act on the display as a user would: the window manager's
// stacking list and a window's states (xprop), real pointer clicks (xdotool), and a window
// of another program (xmessage).
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace stacking {

// Runs a program found on PATH with `args` and the environment of this process (DISPLAY
// included), waits for it and answers its standard output, or nothing when it could not be
// run or failed.
std::optional<std::string> RunTool(const std::vector<std::string>& args);

// Why the tests found no display (set by main when the display could not start), or empty.
std::string& NoDisplayReason();

class TXDisplay {
 public:
  // Starts the server and the window manager; on failure answers null and says why.
  static std::unique_ptr<TXDisplay> Start(int width, int height, std::string* whyNot);
  ~TXDisplay();
  TXDisplay(const TXDisplay&) = delete;
  TXDisplay& operator=(const TXDisplay&) = delete;

  // ":n", for DISPLAY.
  const std::string& Name() const { return name_; }

 private:
  TXDisplay() = default;
  std::string name_;
  std::string scratch_;  // the window manager's home and configuration
  pid_t server_ = -1;
  pid_t windowManager_ = -1;
};

// The managed windows, bottom first, as the window manager stacks them.
std::vector<unsigned long> StackingOrder();
// The window's _NET_WM_STATE atoms by name ("_NET_WM_STATE_ABOVE", ...).
std::vector<std::string> WindowStates(unsigned long window);
// A press and release of the left button at a point of the screen.
bool ClickAt(int x, int y);
// Asks the window manager to activate a window, as a click on its task button would.
bool Activate(unsigned long window);
// Asks the window manager to raise a window, as a pager or another program may.
bool Raise(unsigned long window);

// A window of another program (xmessage) in the lower right corner of the screen, ended with
// the object.
class TOtherProgram {
 public:
  explicit TOtherProgram(const std::string& text);
  ~TOtherProgram();
  TOtherProgram(const TOtherProgram&) = delete;
  TOtherProgram& operator=(const TOtherProgram&) = delete;
  // Its window once the window manager manages it (waits), or 0.
  unsigned long Window();

 private:
  pid_t pid_ = -1;
  std::string title_;
};

}  // namespace stacking
