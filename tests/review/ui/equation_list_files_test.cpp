// The main window's equation-list commands open the lists written beside the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>

#include "app/shell_state.h"
#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/text_window.h"
#include "review/equation_list_files.h"

namespace {

TEST(EquationListCommands, EachListOpensWithinItsWindowsCapacity) {
  ProgramDir = QCoreApplication::applicationDirPath().toStdString() + "/";
  RegisterTextWindowCommands();
  const int commands[4] = {CmPolynomialList, CmRationalList, CmNonLinearList, CmSubsetList};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(kEquationListFiles[i].name);
    ASSERT_TRUE(CommandConditionAllows(commands[i]));
    ASSERT_TRUE(RunCommandHandler(commands[i]));
    TScrWin* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* text = qobject_cast<TScrWin*>(w); text && text->isVisible()) window = text;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Lines().Capacity(), kEquationListFiles[i].capacity);
    EXPECT_EQ(window->Lines().LineCount(), static_cast<int>(kEquationListFiles[i].lines().size()));
    window->close();
    QApplication::processEvents();
  }
}

}  // namespace
