#include "x_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

extern char** environ;

namespace stacking {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Generous: the server and the window manager start on a loaded two-core machine too.
constexpr auto kStartTime = std::chrono::seconds(60);

// Click to focus, and a press in a window (its title bar or its inside) focuses and raises
// it: the behaviour under which a modal owner comes up over the windows it owns.
constexpr const char* kOpenboxConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <mouse>
    <context name="Client">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
    <context name="Titlebar">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
  </mouse>
</openbox_config>
)";

std::vector<char*> Argv(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// A child that ends when this process does (the tests run before any thread of Qt's exists,
// so fork is safe here). `prepare` runs in the child before the program.
pid_t StartChild(const std::vector<std::string>& args, const std::function<void()>& prepare) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  const int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
  }
  if (prepare) prepare();
  std::vector<char*> argv = Argv(args);
  execvp(argv[0], argv.data());
  _exit(127);
}

void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  pid = -1;
}

bool Exited(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid;
}

std::vector<unsigned long> WindowIds(const std::string& text) {
  std::vector<unsigned long> ids;
  static const std::regex id("0x[0-9a-fA-F]+");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), id); it != std::sregex_iterator(); ++it)
    ids.push_back(std::stoul(it->str(), nullptr, 16));
  return ids;
}

std::string Hex(unsigned long window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", window);
  return text;
}

}  // namespace

std::string& NoDisplayReason() {
  static std::string reason;
  return reason;
}

std::optional<std::string> RunTool(const std::vector<std::string>& args) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv = Argv(args);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return std::nullopt;
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(out[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return text;
}

std::unique_ptr<TXDisplay> TXDisplay::Start(int width, int height, std::string* whyNot) {
  std::unique_ptr<TXDisplay> display(new TXDisplay);
  for (const char* tool : {"Xvfb", "openbox", "xprop", "xdotool", "xmessage"}) {
    const std::string probe = std::string("command -v ") + tool + " >/dev/null 2>&1";
    if (std::system(probe.c_str()) != 0) {
      *whyNot = std::string(tool) + " is not installed";
      return nullptr;
    }
  }
  // The server writes its display number to a pipe once it accepts connections.
  int ready[2];
  if (pipe(ready) != 0) {
    *whyNot = "no pipe for the X server";
    return nullptr;
  }
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  display->server_ = StartChild({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", screen, "-nolisten",
                                 "tcp", "-noreset"},
                                [&] { close(ready[0]); });
  close(ready[1]);
  std::string number;
  const auto deadline = Clock::now() + kStartTime;
  while (Clock::now() < deadline && number.find('\n') == std::string::npos) {
    pollfd p{ready[0], POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) {
      if (Exited(display->server_)) break;
      continue;
    }
    char c;
    if (read(ready[0], &c, 1) != 1) break;
    number += c;
  }
  close(ready[0]);
  if (number.find('\n') == std::string::npos) {
    *whyNot = "Xvfb did not start";
    return nullptr;
  }
  number.pop_back();
  display->name_ = ":" + number;
  setenv("DISPLAY", display->name_.c_str(), 1);

  // The window manager, with a home of its own and the configuration above.
  display->scratch_ = (fs::temp_directory_path() / ("ondravik_openbox_" + std::to_string(getpid()))).string();
  fs::create_directories(display->scratch_);
  const std::string config = display->scratch_ + "/rc.xml";
  std::ofstream(config) << kOpenboxConfig;
  const std::string home = display->scratch_;
  display->windowManager_ = StartChild({"openbox", "--sm-disable", "--config-file", config}, [&] {
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    setenv("XDG_CACHE_HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", home.c_str(), 1);
  });
  while (Clock::now() < deadline) {
    const std::optional<std::string> check = RunTool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"});
    if (check && check->find("window id") != std::string::npos) return display;
    if (Exited(display->windowManager_)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  *whyNot = "openbox did not take the screen";
  return nullptr;
}

TXDisplay::~TXDisplay() {
  Stop(windowManager_);
  Stop(server_);
  if (!scratch_.empty()) {
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }
}

std::vector<unsigned long> StackingOrder() {
  const std::optional<std::string> text = RunTool({"xprop", "-root", "-notype", "_NET_CLIENT_LIST_STACKING"});
  return text ? WindowIds(*text) : std::vector<unsigned long>{};
}

std::vector<std::string> WindowStates(unsigned long window) {
  std::vector<std::string> states;
  const std::optional<std::string> text = RunTool({"xprop", "-id", Hex(window), "-notype", "_NET_WM_STATE"});
  if (!text) return states;
  static const std::regex state("_NET_WM_STATE_[A-Z_]+");
  for (auto it = std::sregex_iterator(text->begin(), text->end(), state); it != std::sregex_iterator(); ++it)
    states.push_back(it->str());
  return states;
}

bool ClickAt(int x, int y) {
  // A move to where the pointer stands already (a second click on the same spot) is never
  // seen to happen: xdotool would wait for it, the program's events held meanwhile.
  const std::optional<std::string> at = RunTool({"xdotool", "getmouselocation", "--shell"});
  const bool there = at && at->find("X=" + std::to_string(x) + "\n") != std::string::npos &&
                     at->find("Y=" + std::to_string(y) + "\n") != std::string::npos;
  if (there) return RunTool({"xdotool", "click", "1"}).has_value();
  return RunTool({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y), "click", "1"}).has_value();
}

bool Activate(unsigned long window) { return RunTool({"xdotool", "windowactivate", Hex(window)}).has_value(); }

bool Raise(unsigned long window) { return RunTool({"xdotool", "windowraise", Hex(window)}).has_value(); }

TOtherProgram::TOtherProgram(const std::string& text) : title_("ondravik-other-" + std::to_string(getpid())) {
  std::vector<std::string> args = {"xmessage", "-title", title_, "-geometry", "-0-0", text};
  std::vector<char*> argv = Argv(args);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
}

TOtherProgram::~TOtherProgram() { Stop(pid_); }

unsigned long TOtherProgram::Window() {
  const auto deadline = Clock::now() + kStartTime;
  while (pid_ > 0 && Clock::now() < deadline) {
    const std::optional<std::string> found = RunTool({"xdotool", "search", "--name", "^" + title_ + "$"});
    const std::vector<unsigned long> order = StackingOrder();
    std::istringstream lines(found.value_or(""));
    for (std::string line; std::getline(lines, line);) {
      const unsigned long id = std::strtoul(line.c_str(), nullptr, 10);
      if (id != 0 && std::find(order.begin(), order.end(), id) != order.end()) return id;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return 0;
}

}  // namespace stacking
