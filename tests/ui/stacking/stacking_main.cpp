// main() of the stacking tests: an X server and a window manager of their own, then the
// QApplication on them through the xcb platform. Listing the tests (as test discovery does)
// starts nothing; a display that cannot start leaves the tests to skip with the reason.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

#include "platform/qt/qt_services.h"
#include "platform/qt/whole_control_clicks.h"
#include "support/test_fonts.h"
#include "x_display.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QTemporaryDir runtimeDir;
  if (runtimeDir.isValid()) {
    QFile::setPermissions(runtimeDir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner);
    setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 1);
  }
  QTemporaryDir fontDir;
  if (fontDir.isValid()) UseOwnFonts(fontDir.path());
  std::string whyNot;
  // The screen the walks of every window assume.
  std::unique_ptr<stacking::TXDisplay> display = stacking::TXDisplay::Start(1280, 1024, &whyNot);
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
