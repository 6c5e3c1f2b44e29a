// The data status window shows the current table after every command the menus reach: each
// command that closes it while it runs shows it again when it is done, however its windows
// were left (closed at once, as a user who changed their mind closes them).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <set>
#include <string>
#include <vector>

#include "app/ui/dialog.h"
#include "fit/session.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "every_window_support.h"

namespace {

using namespace every_window;

// Closes every window but the main window and the status window.
void CloseOthers() {
  for (int round = 0; round < 20; ++round) {
    QWidget* open = nullptr;
    if (QWidget* popup = QApplication::activePopupWidget()) open = popup;
    if (open == nullptr) open = ActiveDialog();
    if (open == nullptr)
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != MainWindow && w != DataStatusWin()) {
          open = w;
          break;
        }
    if (open == nullptr) return;
    if (auto* dialog = qobject_cast<QDialog*>(open)) dialog->reject();
    if (open->isVisible()) open->close();
    QApplication::processEvents();
  }
}

TEST(EveryCommandStatus, TheStatusWindowComesBackAfterEveryCommand) {
  TProgramUnderWalk program("ondravik_status_walk");
  program.Window().ExecuteCommand(CmShowDataStatus);
  QApplication::processEvents();
  ASSERT_NE(DataStatusWin(), nullptr);
  std::vector<std::string> without;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [] { CloseOthers(); });
  program.RunEveryCommand(
      [&](const std::function<void()>& open) {
        closer.start(20);
        open();
        closer.stop();
        CloseOthers();
      },
      [&](const CommandInfo& c) {
        QApplication::processEvents();
        if (program.Session().Table.XYZRows() >= 4 && DataStatusWin() == nullptr) {
          without.push_back(std::to_string(c.id) + " " + Plain(c.text));
          program.Window().ExecuteCommand(CmShowDataStatus);
          QApplication::processEvents();
        }
      });
  EXPECT_TRUE(without.empty()) << [&] {
    std::string all;
    for (const std::string& s : without) all += s + "; ";
    return all;
  }();
}

}  // namespace
