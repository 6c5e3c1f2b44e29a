// main() of the widget tests: an offscreen QApplication around the GoogleTest run, with
// fonts of its own.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/qt/qt_services.h"
#include "platform/qt/whole_control_clicks.h"
#include "support/test_fonts.h"

int main(int argc, char** argv) {
  // Test discovery runs the binary without ctest's environment, so set the platform here,
  // before the QApplication exists.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QTemporaryDir runtimeDir;
  if (std::getenv("XDG_RUNTIME_DIR") == nullptr && runtimeDir.isValid()) {
    QFile::setPermissions(runtimeDir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner);
    setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 1);
  }
  QTemporaryDir fontDir;
  if (fontDir.isValid()) UseOwnFonts(fontDir.path());
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  platform::qt::KeepNumbersInTheCLocale();  // as the program starts
  platform::qt::ClickWholeControls();  // as the program starts
  return RUN_ALL_TESTS();
}
