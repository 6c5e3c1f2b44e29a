// The single-instance socket: a later copy with the same settings folder on the same display
// links to the first and is told to close when it exits; copies with another settings
// folder or on another display are first instances of their own.
#include "platform/qt/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using platform::qt::SingleInstance;

class SingleInstanceTest : public ::testing::Test {
 protected:
  // A title of this test run only, so that a program running beside the tests never meets it.
  const QString title_ = "Ondravik test " + QString::number(QCoreApplication::applicationPid());
  QTemporaryDir home_;
  QString Folder(const char* name) const { return home_.filePath(name); }
};

TEST_F(SingleInstanceTest, LaterInstanceOfTheSameSettingsAndDisplayIsToldToClose) {
  SingleInstance first(title_, Folder("settings"), ":0");
  EXPECT_FALSE(first.IsSecond());
  // Another spelling of the same folder is the same folder.
  SingleInstance second(title_, Folder("x/../settings/"), ":0");
  EXPECT_TRUE(second.IsSecond());
  QSignalSpy closed(&second, &SingleInstance::CloseRequested);
  QTest::qWait(50);  // the first accepts the connection
  first.CloseLaterInstances();
  EXPECT_TRUE(closed.wait(2000));
}

TEST_F(SingleInstanceTest, CopiesWithOtherSettingsFoldersOrDisplaysDoNotLink) {
  ASSERT_TRUE(QDir(home_.path()).mkpath("existing"));
  SingleInstance first(title_, Folder("existing"), ":0");
  ASSERT_FALSE(first.IsSecond());
  SingleInstance otherFolder(title_, Folder("other"), ":0");
  SingleInstance otherDisplay(title_, Folder("existing"), ":1");
  EXPECT_FALSE(otherFolder.IsSecond());
  EXPECT_FALSE(otherDisplay.IsSecond());
  QSignalSpy folderClosed(&otherFolder, &SingleInstance::CloseRequested);
  QSignalSpy displayClosed(&otherDisplay, &SingleInstance::CloseRequested);
  QTest::qWait(50);
  first.CloseLaterInstances();
  QTest::qWait(200);
  EXPECT_EQ(folderClosed.count(), 0);
  EXPECT_EQ(displayClosed.count(), 0);
  // Each of them is the first of its own scope: a later copy there links to it.
  SingleInstance later(title_, Folder("other"), ":0");
  EXPECT_TRUE(later.IsSecond());
}

TEST_F(SingleInstanceTest, SocketNamesAreShortAndScoped) {
  const QString a = SingleInstance::SocketName(title_, Folder("a"), ":0");
  EXPECT_NE(a, SingleInstance::SocketName(title_, Folder("b"), ":0"));
  EXPECT_NE(a, SingleInstance::SocketName(title_, Folder("a"), "xcb:1"));
  EXPECT_EQ(a, SingleInstance::SocketName(title_, Folder("a/"), ":0"));
  const QString deep = SingleInstance::SocketName("Ondravik 3D v3", "/" + QString(300, 'd'), ":0");
  EXPECT_LE(deep.size(), 60);
  EXPECT_TRUE(deep.startsWith("Ondravik_3D_v3-"));
}

}  // namespace
