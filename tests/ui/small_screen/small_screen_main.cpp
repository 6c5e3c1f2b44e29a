// main() of the small-screen walk: an offscreen QApplication on one screen of 1024 x 768
// (the offscreen platform reads its screens from a file), with the fonts of every widget test.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/qt/qt_services.h"
#include "platform/qt/whole_control_clicks.h"
#include "support/test_fonts.h"

int main(int argc, char** argv) {
  QTemporaryDir scratch;
  if (!scratch.isValid()) return 1;
  QFile::setPermissions(scratch.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  setenv("XDG_RUNTIME_DIR", scratch.path().toLocal8Bit().constData(), 1);
  // Frames drawn round the windows, as a window manager draws them.
  QFile screens(scratch.path() + "/screens.json");
  if (!screens.open(QIODevice::WriteOnly)) return 1;
  screens.write(R"({"windowFrameMargins": true, "screens": [{"name": "small", "x": 0, "y": 0, "width": 1024,
    "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  screens.close();
  setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens.fileName()).toLocal8Bit().constData(), 1);
  UseOwnFonts(scratch.path());
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  platform::qt::KeepNumbersInTheCLocale();  // as the program starts
  platform::qt::ClickWholeControls();  // as the program starts
  return RUN_ALL_TESTS();
}
