// Every window and dialog the command table reaches, on a 30-point table with fits, as a
// restless new user meets them: each is opened, every enabled control is clicked (buttons,
// boxes, menu items, list rows, every visible cell of the grids), a digit is typed over each
// selected edit, and the window is closed again. Dialogs that open on the way are walked the
// same way; file dialogs are cancelled and message boxes answered without harm. Nothing may
// crash or hang, and the table and the fits must be as they were after each command.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdio>
#include <set>
#include <string>

#include "app/ui/dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "every_window_support.h"
#include "fit/session.h"
#include "support/table_bytes.h"

namespace {

using namespace every_window;

TEST(EveryWindow, OpensClicksTypesAndClosesEveryWindowAndLeavesTheDataAsTheyWere) {
  TProgramUnderWalk program("ondravik_every_window");
  TSession& session = program.Session();
  QVRK& window = program.Window();

  // A few minutes at most, even on a slow machine; past that the remaining windows are only
  // closed, and the test fails.
  Walker walker(Clock::now() + std::chrono::minutes(4));
  // Every box the walk meets shows alone: no busy or progress window of the work beside it.
  WorkBesideBoxes beside(program.Answers());
  // Every window carries a caption of its own: an empty one is filled by the window system
  // with the executable's name ("ondravik3d").
  std::set<std::string> untitled;
  walker.SetOpenedHook([&](const QPointer<QWidget>& w) {
    if (w && w->isWindow() && QString(w->windowTitle()).remove(QStringLiteral("[*]")).trimmed().isEmpty())
      untitled.insert(std::string(w->metaObject()->className()) + " \"" + w->objectName().toStdString() + "\"");
  });
  const int commands = program.RunEveryCommand([&](const std::function<void()>& open) { walker.Run(open); },
                                               [&](const CommandInfo& c) {
    EXPECT_EQ(ActiveDialog(), nullptr) << c.id;
    EXPECT_EQ(TableBytes(session.Table), program.TableAtStart())
        << "command " << c.id << " \"" << c.text << "\" changed the table";
    EXPECT_EQ(session.Table.XYZRows(), 30) << c.id;
    EXPECT_EQ(Fits(session), program.FitsAtStart()) << "command " << c.id << " \"" << c.text << "\" changed the fits";
    // A window closed without a change keeps the fit results, not only the list.
    EXPECT_EQ(session.FitResultsValid, 1) << "command " << c.id << " \"" << c.text << "\" voided the fit results";
    EXPECT_EQ(session.FitCount, session.FitList.Count()) << c.id;
    EXPECT_EQ(window.HaveFits, 1) << c.id;
  });
  EXPECT_FALSE(walker.TimedOut());
  for (const std::string& w : untitled) ADD_FAILURE() << w << " has no caption";
  for (const std::string& b : beside.Beside()) ADD_FAILURE() << b;
  EXPECT_GT(beside.Boxes(), 0);
  EXPECT_GE(commands, 40);
  // Every window with an integer field had a digit typed over each of them.
  for (const char* host : {"TDlgDigitalFilter", "TAnimate", "T3DScale", "TDlgFitOpt", "TPreference", "TASCIIGen"})
    EXPECT_GT(walker.IntegerEdits(host), 0) << host;
  EXPECT_GT(walker.Windows(), 60);
  EXPECT_GE(walker.Cells(), 80);  // the grid editor's twenty lines of four cells
  EXPECT_GT(walker.Edits(), 30);
  std::fprintf(stderr, "%d commands, %d windows, %d clicks, %d cells, %d edits, %d boxes\n", commands,
               walker.Windows(), walker.Clicks(), walker.Cells(), walker.Edits(), program.Answers().Shown());
  for (const std::string& s : walker.Seen()) std::fprintf(stderr, "  %s\n", s.c_str());
}

}  // namespace
