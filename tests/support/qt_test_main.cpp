// main() of the widget tests: an offscreen QApplication around the GoogleTest run.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <gtest/gtest.h>

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
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
