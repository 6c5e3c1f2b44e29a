// main() of the stacking tests: an X server and a window manager of their own, then the
// QApplication on them through the xcb platform. Listing the tests (as test discovery does)
// starts nothing; a display that cannot start leaves the tests to skip with the reason.
//
// A suite whose name ends in "At<width>x<height>" runs on a screen of that size, every other
// one on 1280 x 1024. One program has one display: tests that ask for screens of different
// sizes (a run of them all) are run by a program of their own each, one per size.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/qt_services.h"
#include "platform/qt/whole_control_clicks.h"
#include "support/test_fonts.h"
#include "x_display.h"

namespace {

// gtest's filter: positive patterns, then after a '-' negative ones, each list split by ':',
// each pattern with '*' and '?'.
bool Glob(const char* pattern, const char* text) {
  if (*pattern == '\0') return *text == '\0';
  if (*pattern == '*') return Glob(pattern + 1, text) || (*text != '\0' && Glob(pattern, text + 1));
  return *text != '\0' && (*pattern == '?' || *pattern == *text) && Glob(pattern + 1, text + 1);
}

bool AnyOf(const std::string& patterns, const std::string& name) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = patterns.find(':', start);
    const std::string one = patterns.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (Glob(one.c_str(), name.c_str())) return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

bool Selected(const std::string& filter, const std::string& name) {
  const std::size_t dash = filter.find('-');
  const std::string positive = dash == std::string::npos ? filter : filter.substr(0, dash);
  const std::string negative = dash == std::string::npos ? std::string() : filter.substr(dash + 1);
  return AnyOf(positive.empty() ? "*" : positive, name) && (negative.empty() || !AnyOf(negative, name));
}

// The screen a suite asks for by its name.
std::pair<int, int> ScreenOf(const std::string& suite) {
  const std::size_t at = suite.rfind("At");
  int width = 0, height = 0;
  char end = 0;
  if (at != std::string::npos && std::sscanf(suite.c_str() + at, "At%dx%d%c", &width, &height, &end) == 2 &&
      width > 0 && height > 0)
    return {width, height};
  return {1280, 1024};
}

// The tests this run takes, by the screen each asks for.
std::map<std::pair<int, int>, std::vector<std::string>> SelectedByScreen() {
  std::map<std::pair<int, int>, std::vector<std::string>> tests;
  const std::string filter = GTEST_FLAG_GET(filter);
  const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
  for (int i = 0; i < unit.total_test_suite_count(); ++i) {
    const ::testing::TestSuite& suite = *unit.GetTestSuite(i);
    for (int j = 0; j < suite.total_test_count(); ++j) {
      const std::string name = std::string(suite.name()) + "." + suite.GetTestInfo(j)->name();
      if (Selected(filter, name)) tests[ScreenOf(suite.name())].push_back(name);
    }
  }
  return tests;
}

// This program again with the tests of one screen; answers its exit code.
int RunApart(const std::vector<std::string>& arguments, const std::vector<std::string>& tests) {
  std::string filter = "--gtest_filter=";
  for (const std::string& t : tests) filter += (&t == &tests.front() ? "" : ":") + t;
  std::vector<std::string> args = {"/proc/self/exe"};
  for (std::size_t i = 1; i < arguments.size(); ++i)
    if (arguments[i].rfind("--gtest_filter=", 0) != 0) args.push_back(arguments[i]);
  args.push_back(filter);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // ends with this program
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return 1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv, argv + argc);
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  const auto byScreen = SelectedByScreen();
  if (byScreen.size() > 1) {
    int result = 0;
    for (const auto& [screen, tests] : byScreen) result = std::max(result, RunApart(arguments, tests));
    return result;
  }
  const std::pair<int, int> screen = byScreen.empty() ? std::pair(1280, 1024) : byScreen.begin()->first;
  QTemporaryDir runtimeDir;
  if (runtimeDir.isValid()) {
    QFile::setPermissions(runtimeDir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner);
    setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 1);
  }
  QTemporaryDir fontDir;
  if (fontDir.isValid()) UseOwnFonts(fontDir.path());
  std::string whyNot;
  std::unique_ptr<stacking::TXDisplay> display = stacking::TXDisplay::Start(screen.first, screen.second, &whyNot);
  if (display) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  } else {
    stacking::NoDisplayReason() = whyNot;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  int result = 0;
  {
    QApplication app(argc, argv);
    platform::qt::KeepNumbersInTheCLocale();  // as the program starts
    platform::qt::ClickWholeControls();  // as the program starts
    result = RUN_ALL_TESTS();
  }
  return result;
}
