// The program's message boxes on screen: a short message under a long caption is shown in a
// box wide enough for the whole caption.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>

#include "platform/message_box.h"
#include "platform/qt/qt_services.h"

namespace {

TEST(QtMessageBoxes, ShortMessageKeepsItsLongCaptionInSight) {
  platform::qt::InstallQtServices();
  const std::string caption = "View Function(X,Y) Validation Error";
  int width = 0, captionWidth = 0;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    QFont bold = box->font();
    bold.setBold(true);
    captionWidth = QFontMetrics(bold).horizontalAdvance(QString::fromStdString(caption));
    width = box->width();
    box->accept();
  });
  EXPECT_EQ(ErrorBox(nullptr, caption, "B=LN(Y|"), platform::kIdOk);
  EXPECT_GT(captionWidth, 0);
  EXPECT_GE(width, captionWidth + 100);
  platform::SetMessageBoxService(nullptr);
}

// A box that names no caption shows the program's in its title bar: an empty caption was
// filled by the window system with the executable's name.
TEST(QtMessageBoxes, ABoxWithoutACaptionShowsTheProgramsName) {
  platform::qt::UninstallQtServices();  // the services afresh, the boxes' among them
  platform::qt::InstallQtServices();
  QString title;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    box->accept();
  });
  EXPECT_EQ(ErrorBox(nullptr, "", "Processing Aborted."), platform::kIdOk);
  EXPECT_EQ(title, "Ondravik 3D");
  platform::SetMessageBoxService(nullptr);
}

}  // namespace
