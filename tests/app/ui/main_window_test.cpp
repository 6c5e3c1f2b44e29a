#include "app/ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/data_session.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/about_box.h"
#include "app/ui/command_line.h"
#include "app/ui/command_table.h"
#include "app/ui/dialog.h"
#include "app/ui/hover_tips.h"
#include "app/ui/modal_answers.h"
#include "app/ui/program.h"
#include "platform/gui_thread.h"
#include "platform/message_box.h"
#include "platform/qt/qt_services.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ONDRAVIK_HOME", home_.Path().c_str(), 1);
    platform::qt::InstallQtServices();
    platform::SetMessageBoxService(&boxes_);  // answer boxes from the script, not a person
    SecondInstance = 0;
    OpenDialogCount = 0;
    Exiting = 0;
    LastSessionUdfs = 0;
    ApplyCommandLine({});
  }
  void TearDown() override {
    for (const CommandInfo& c : CommandTable())
      if (registered_.count(c.id)) UnregisterCommand(c.id);
    platform::qt::UninstallQtServices();
  }
  // Gives every command a handler that counts its runs.
  void RegisterAll() {
    for (const CommandInfo& c : CommandTable()) {
      if (HasCommandHandler(c.id)) continue;
      registered_[c.id] = 0;
      const int id = c.id;
      RegisterCommand(id, [this, id] { ++registered_[id]; });
    }
  }
  std::unique_ptr<QVRK> Start() {
    auto window = std::make_unique<QVRK>(session_);
    window->SetupWindow();
    QApplication::processEvents();
    return window;
  }
  fs::path Settings() const { return home_.Path() / kSettingsFileName; }
  static std::vector<bool> Enabled(QVRK& window, std::initializer_list<int> ids) {
    std::vector<bool> out;
    for (int id : ids) out.push_back(window.Action(id)->isEnabled());
    return out;
  }
  using Bools = std::vector<bool>;
  TDataSession session_;
  ScratchDir home_;
  std::map<int, int> registered_;
  platform::ScriptedAnswers boxes_;
};

TEST_F(MainWindowTest, CleanStartAndExitWritesTheSettingsFileAndASecondRunTheSameBytes) {
  {
    auto window = Start();
    EXPECT_EQ(MainWindow, window.get());
    EXPECT_TRUE(window->FirstBar()->isVisible());
    EXPECT_TRUE(window->SecondBar()->isVisible());
    EXPECT_TRUE(window->statusBar()->isVisible());
    EXPECT_EQ(window->windowTitle(), "Ondravik 3D v3");
    EXPECT_TRUE(window->close());
  }
  EXPECT_EQ(MainWindow, nullptr);
  EXPECT_EQ(fs::file_size(Settings()), kSettingsFileSize);
  // No help is installed: the first run opens no box to say so.
  EXPECT_TRUE(boxes_.Boxes().empty());
  const auto first = ReadText(Settings());
  Start()->close();
  EXPECT_EQ(ReadText(Settings()), first);
  EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(MainWindowTest, SecondInstanceNeverWritesSettings) {
  SecondInstance = 1;
  Start()->close();
  EXPECT_FALSE(fs::exists(Settings()));
  SecondInstance = 0;
}

// Settings that cannot be kept at exit are not lost without a word.
TEST_F(MainWindowTest, SettingsThatCannotBeSavedAtExitAreReported) {
  const fs::path blocked = home_.Path() / "file" / "settings";
  home_.Write("file", "a file where the settings folder should be");
  setenv("ONDRAVIK_HOME", blocked.c_str(), 1);
  Start()->close();
  int reports = 0;
  for (const auto& box : boxes_.Boxes())
    if (box.text == "Program Settings Could Not Be Saved in " + blocked.string()) ++reports;
  EXPECT_EQ(reports, 1);
}

// Hidden bars and recent files of one run are there in the next.
TEST_F(MainWindowTest, BarsAndRecentFilesAreRestored) {
  CurrentSettings() = DefaultSettings(800, 600);
  {
    auto window = Start();
    window->ExecuteCommand(CmToggleToolBar);
    window->ExecuteCommand(CmToggleStatusBar);
    EXPECT_FALSE(window->Action(CmToggleToolBar)->isChecked());
    CurrentSettings().recentFiles[0] = "/data/one.prn";
    CurrentSettings().recentFiles[2] = "/data/two.prn";  // a gap, as a damaged file may hold
    CurrentSettings().recentFiles[3] = "/data/R&D/x&y.prn";
    window->close();
  }
  auto window = Start();
  // The first bar and the status bar come back hidden; the second bar stays visible.
  EXPECT_FALSE(window->FirstBar()->isVisible());
  EXPECT_TRUE(window->SecondBar()->isVisible());
  EXPECT_FALSE(window->statusBar()->isVisible());
  // The recent files are appended to the File menu, each item opening its own entry.
  EXPECT_EQ(window->RecentCount, 3);
  EXPECT_EQ(window->MenuText(CmRecentFile1), "&1 /data/one.prn");
  EXPECT_EQ(window->MenuText(CmRecentFile1 + 2), "&2 /data/two.prn");
  // A path's ampersands are shown, not taken as menu keys.
  EXPECT_EQ(window->MenuText(CmRecentFile1 + 3), "&3 /data/R&&D/x&&y.prn");
  EXPECT_EQ(QAction(window->MenuText(CmRecentFile1 + 3)).iconText(), "3 /data/R&D/x&y.prn");
  EXPECT_EQ(window->Menu(0)->actions().last(), window->Action(CmRecentFile1 + 3));
}

// A first run puts the framed window at the screen's top-left corner, as wide as the screen
// and 70 pixels less high; closed there, it opens there again at the next start. The client
// given that rectangle put the frame past the screen's right edge, and the next start held it
// within the room kept for an unknown frame, away from where it was left.
TEST_F(MainWindowTest, TheDefaultPlaceIsTheFramesAndComesBackAtTheNextStart) {
  QRect first;
  {
    auto window = Start();
    ASSERT_FALSE(window->windowHandle()->frameMargins().isNull());  // offscreen draws a frame
    EXPECT_EQ(window->frameGeometry(), QRect(0, 0, ScreenWidth, ScreenHeight - 70));
    first = window->geometry();
    window->close();
  }
  EXPECT_EQ(CurrentSettings().placements[kPlaceMainWindow],
            (WindowPlacement{first.x(), first.y(), first.width(), first.height(), 0}));
  for (int start = 0; start < 2; ++start) {
    auto window = Start();
    EXPECT_EQ(window->geometry(), first) << start;
    window->close();
  }
}

TEST_F(MainWindowTest, EnablersFollowHandlersDataFitsAndFunctions) {
  {
    // Commands without handlers stay disabled.
    auto window = Start();
    window->HaveData = 1;
    window->RefreshBars();
    EXPECT_EQ(Enabled(*window, {CmFitAll, CmImport, CmAbout, CmExit}), (Bools{false, false, true, true}));
    EXPECT_FALSE(window->ExecuteCommand(CmFitAll));
  }
  RegisterAll();
  auto window = Start();
  auto state = [&](int data, int fits, int calc) {
    window->HaveData = data, window->HaveFits = fits, window->HaveCalc = calc;
    window->RefreshBars();
    return Enabled(*window, {CmImport, CmSaveAs, CmFitAll, CmReviewGraph, CmReviewList,
                             CmCancelCalculation, CmBackgroundLight});
  };
  EXPECT_EQ(state(0, 0, 0), (Bools{true, false, false, false, false, false, false}));
  EXPECT_EQ(state(1, 0, 0), (Bools{true, true, true, false, false, false, false}));  // no fits
  EXPECT_EQ(state(0, 1, 0), (Bools{true, false, false, false, false, false, false}));  // no data
  EXPECT_EQ(state(0, 1, 1)[5], true);  // a calculation without data can be cancelled
  SetBackgroundFitQuery([] { return true; });
  EXPECT_EQ(state(0, 1, 1)[6], true);
  SetBackgroundFitQuery(nullptr);
}

TEST_F(MainWindowTest, CountedDialogDisablesExactlyTheCommandsThatLookAtIt) {
  RegisterAll();
  auto window = Start();
  window->HaveData = window->HaveCalc = window->HaveFits = window->HaveUdfs = 1;
  LastSessionUdfs = 1;
  window->RefreshBars();
  for (const CommandInfo& c : CommandTable())
    if (c.id != CmBackgroundLight) {
      EXPECT_TRUE(window->IsCommandEnabled(c.id)) << c.id;
    }
  auto* other = new TDlg(nullptr);  // counted only with the main window as parent
  other->show();
  EXPECT_EQ(OpenDialogCount, 0);
  auto* first = new TDlg(window.get());
  auto* second = new TDlg(window.get());
  first->show();
  second->show();
  EXPECT_EQ(OpenDialogCount, 2);
  for (const CommandInfo& c : CommandTable()) {
    const bool looksAtCount = c.enabler != Enabler::Always && c.enabler != Enabler::T &&
                              c.enabler != Enabler::R;
    if (c.id == CmBackgroundLight) continue;
    EXPECT_EQ(window->Action(c.id)->isEnabled(), !looksAtCount) << c.id;
  }
  EXPECT_TRUE(window->Action(CmBackgroundFit)->isEnabled());
  delete first;
  EXPECT_FALSE(window->Action(CmImport)->isEnabled());
  delete second;
  EXPECT_EQ(OpenDialogCount, 0);
  EXPECT_TRUE(window->Action(CmImport)->isEnabled());
  delete other;
}

TEST_F(MainWindowTest, MenuTextsAcceleratorsAndHintsAndCtrlRRunsTheRationalFitOnly) {
  RegisterAll();
  auto window = Start();
  struct Case {
    int id;
    const char* menu;
    const char* hint;
  } cases[] = {
      {CmImport, "&Import...\tCtrl+I", "Import XYZ Data Table from File"},
      {CmFitRobustPlane, "Surface-Fit Ro&bust Plane",
       "Surface-Fit Simple Plane by Least Squares and by Three Robust Procedures"},
      {CmFitRational, "Surface-Fit Ratio&nal Equations\tCtrl+R",
       "Surface-Fit All Rational Equations and UDFs"},
      {CmReviewGraph, "&Graph Start...\tCtrl+G",
       "Begin the Ondravik 3D Review Emphasizing Surface-Fit Graph"},
      {CmToggleStatusBar, "&Status Bar", "Toggles Status Bar On and Off"},
      {CmExit, "E&xit", "Exit Ondravik 3D"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(window->MenuText(c.id), c.menu);
    EXPECT_EQ(window->Action(c.id)->statusTip(), c.hint);
  }
  EXPECT_EQ(window->Action(CmFitRational)->shortcut(), QKeySequence("Ctrl+R"));
  EXPECT_TRUE(window->Action(CmFitRobustPlane)->shortcut().isEmpty());
  EXPECT_EQ(window->Action(CmHelpContents)->shortcut(), QKeySequence("F1"));
  // Every menu item and button with a hint in the table has its string.
  for (const CommandInfo& c : CommandTable())
    if (c.menu >= 0) {
      EXPECT_FALSE(window->HintText(c.id).isEmpty()) << c.id;
    }
  EXPECT_EQ(window->Menu(6)->title(), "&Process");
  EXPECT_TRUE(window->Menu(6)->actions().contains(window->Action(CmFitAll)));

  window->HaveData = 1;
  window->RefreshBars();
  window->activateWindow();
  QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(registered_[CmFitRational], 1);
  EXPECT_EQ(registered_[CmFitRobustPlane], 0);
}

TEST_F(MainWindowTest, PostedCommandRunsOnTheMessageLoop) {
  RegisterAll();
  auto window = Start();
  std::thread worker([] { platform::PostCommand(CmReviewGraph); });
  worker.join();
  EXPECT_EQ(registered_[CmReviewGraph], 0);
  QApplication::processEvents();
  EXPECT_EQ(registered_[CmReviewGraph], 1);
}

TEST_F(MainWindowTest, CommandLineCasesAndTheExtensionLibrary) {
  struct Case {
    std::vector<std::string> words;
    std::string file;
    int audit;
    std::string dll;
  } cases[] = {
      {{"f.dat", "Audit"}, "f.dat", 5, ""},
      {{"Audit3"}, "", 3, ""},
      {{"NPDLL:EXT"}, "", 0, "EXT.DLL"},
      {{"/home/a b/my.data.v2.prn", "No3D"}, "/home/a b/my.data.v2.prn", 0, ""},
      {{"Audit99999999999999"}, "", INT_MAX, ""},
      {{"noext"}, "noext", 0, ""},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.words);
    EXPECT_EQ(std::tie(line.dataFile, line.auditLevel, line.npDllName), std::tie(c.file, c.audit, c.dll));
  }
  // The library adds the test item; the file is opened by a posted command.
  RegisterAll();
  ApplyCommandLine({"NPDLL:EXT", "data.prn"});
  auto window = Start();
  EXPECT_EQ(NPDllName, "EXT.DLL");
  EXPECT_TRUE(window->Menu(5)->actions().contains(window->Action(CmTestScattered)));
  EXPECT_EQ(window->MenuText(CmTestScattered), "&Test Scattered Algorithms");
  EXPECT_EQ(registered_[CmOpenStartupFile], 1);
  ApplyCommandLine({});
}

TEST_F(MainWindowTest, ResetDefaultsAsksAndDeletesBothFiles) {
  Start()->close();
  home_.Write(kUdfSessionFileName, "x");
  auto window = Start();
  CurrentSettings().LimitsLevel = 4;
  boxes_.Answer(platform::kIdNo);
  window->ExecuteCommand(CmResetDefaults);
  EXPECT_EQ(CurrentSettings().LimitsLevel, 4);
  boxes_.Answer(platform::kIdYes);
  window->ExecuteCommand(CmResetDefaults);
  EXPECT_EQ(CurrentSettings().LimitsLevel, 1);
  EXPECT_FALSE(fs::exists(Settings()));
  EXPECT_FALSE(fs::exists(home_.Path() / kUdfSessionFileName));
  EXPECT_EQ(boxes_.Boxes().back().caption, "Reset Defaults");
  EXPECT_EQ(boxes_.Boxes().back().text, "Restore All Program Defaults?");
}

// Unsaved data are offered for saving at exit; a save that does not happen (cancelled or
// failed) keeps the program open, and one that does lets it close.
TEST_F(MainWindowTest, UnsavedDataIsOfferedForSavingAtExit) {
  int saves = 0;
  RegisterCommand(CmSaveAs, [&] {
    if (++saves == 2) session_.DataUnsaved = 0;
  });
  registered_[CmSaveAs] = 0;
  RegisterAll();
  auto window = Start();
  session_.DataUnsaved = 1;
  boxes_.Answer(platform::kIdYes);
  EXPECT_FALSE(window->close());
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(boxes_.Boxes().back().text, "Save Current Data?");
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(Exiting.load(), 0);
  boxes_.Answer(platform::kIdYes);
  EXPECT_TRUE(window->close());
  EXPECT_EQ(saves, 2);
  EXPECT_EQ(Exiting.load(), 1);
}

TEST_F(MainWindowTest, HoverTipShowsTheHintAfterItsDelay) {
  auto window = Start();
  QWidget* button = window->FirstBar()->widgetForAction(window->Action(CmImport));
  ASSERT_NE(button, nullptr);
  HoverTip* tips = window->FirstBar()->Tips();
  QEvent enter(QEvent::Enter), leave(QEvent::Leave);
  QApplication::sendEvent(button, &enter);
  EXPECT_FALSE(tips->Shown());  // not before its delay
  ASSERT_TRUE(PumpUntil([&] { return tips->Shown(); }));
  EXPECT_EQ(tips->ShownText(), "Import XYZ Data Table from File");
  QApplication::sendEvent(button, &leave);
  EXPECT_FALSE(tips->Shown());
  // Leaving within the delay shows nothing.
  QApplication::sendEvent(button, &enter);
  QTest::qWait(200);
  QApplication::sendEvent(button, &leave);
  QTest::qWait(500);
  EXPECT_FALSE(tips->Shown());
}

TEST_F(MainWindowTest, AboutBoxCountsColoursOfEveryDepthAndTimedMessagesCloseThemselves) {
  // A 32-bit screen used to show "-1 Colors".
  for (auto [bits, text] : {std::pair{32, "16M Colors"}, {24, "16M Colors"}, {16, "65K Colors"}, {8, "256 Colors"}})
    EXPECT_EQ(TAbout::ColorsText(ColorsForBits(bits)), text) << bits;
  auto window = Start();
  int timedOut = 0;
  auto* dlg = new TDlgTimedMsg(window.get(), "Closing soon", 50, &timedOut);
  EXPECT_EQ(dlg->Execute(), 2);
  EXPECT_EQ(timedOut, 18);
}

}  // namespace
