// The commands whose dialogs sit over the data, the fit blocks or the user functions, run
// with background-fit results present: cancelled, or closed with nothing the fits depend
// on changed, they keep the results (Graph Start and List Start stay enabled, the count and
// the current rank stay); a change of what the fits depend on voids them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/background_fit_hold.h"
#include "app/prescan_hooks.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_line.h"
#include "app/ui/command_table.h"
#include "app/ui/data_file_commands.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "app/ui/program.h"
#include "app/ui/small_controls.h"
#include "exchange/import_registration.h"
#include "expr/data_statistics_cells.h"
#include "expr/expression.h"
#include "fit/background_fit.h"
#include "fit/fit_blocks.h"
#include "fit/fit_refit.h"
#include "fit/session.h"
#include "fit/ui/custom_set_dialog.h"
#include "fit/ui/fit_commands.h"
#include "fit/ui/fit_preferences_dialog.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_services.h"
#include "tools/udf/udf_session.h"
#include "tools/ui/calculation_dialog.h"
#include "tools/ui/data_tool_commands.h"
#include "tools/ui/titles_dialog.h"
#include "tools/ui/udf_commands.h"
#include "tools/ui/udf_dialog.h"

namespace {

namespace fs = std::filesystem;

class KeptFitResults : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterImportReaders();
    RegisterDataFileCommands(session_);
    RegisterFitCommands(session_);
    RegisterDataToolCommands(session_);
    RegisterUserFunctionCommands(session_);
    ExprBindDataStats(&session_.DataStats);
    ExprBindUdfTable(&session_.UdfTable);
    ExprStartUp();
    home_ = fs::temp_directory_path() / ("ondravik_kept_fits_" + std::to_string(::getpid()));
    fs::remove_all(home_);
    fs::create_directories(home_);
    setenv("ONDRAVIK_HOME", home_.c_str(), 1);
    platform::qt::InstallQtServices();
    platform::SetMessageBoxService(&boxes_);
    platform::SetFileDialogService(&files_);
    SecondInstance = 1;  // never writes the settings
    OpenDialogCount = 0;
    Exiting = 0;
    ApplyCommandLine({});
    window_ = std::make_unique<QVRK>(session_);
    window_->SetupWindow();
    // The review is another subsystem's: only whether it can start is looked at here.
    RegisterCommand(CmReviewGraph, [] {});
    RegisterCommand(CmReviewList, [] {});
    QApplication::processEvents();

    // z = 3 - x + y/2 with small errors on a 6 by 6 grid, fitted by the background fit of
    // the simple equations; rank 2 is made the current one, as a review leaves it.
    SetBackgroundFitChoice(3, 0);
    const fs::path path = home_ / "grid.txt";
    {
      std::ofstream out(path);
      for (int i = 0; i < 36; ++i) {
        const int x = 1 + i % 6, y = 1 + i / 6;
        out << x << ' ' << y << ' ' << 3 - x + 0.5 * y + 0.01 * ((i * 7) % 5 - 2) << '\n';
      }
    }
    ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
    files_.Answer(path.string());
    ASSERT_TRUE(window_->ExecuteCommand(CmImport));
    ASSERT_TRUE(PumpUntil([this] { return session_.FitResultsValid == 1 && BgFitState == 0; }));
    ASSERT_GE(session_.FitCount, 3);
    session_.ReviewCurrentRank = 2;
    ASSERT_TRUE(MakeRankCurrent(session_, 2, kRefitRecord));
    count_ = session_.FitCount;
    equation_ = session_.CurFit.eqn.equationNumber;
  }
  void TearDown() override {
    window_.reset();
    FreeAllUdfs();
    ExprBindUdfTable(nullptr);
    ExprBindDataStats(nullptr);
    for (const CommandInfo& c : CommandTable()) UnregisterCommand(c.id);
    ForgetShellSteps();
    // The background fit's hooks hold this session too.
    PrescanHooks() = {};
    SetBackgroundFitStopper({});
    SetBackgroundFitHolder({}, {});
    SetFitResultsQuery({});
    platform::qt::UninstallQtServices();
    fs::remove_all(home_);
  }

  // Runs `command` with `answer` acting on its dialog (none when the command has only a file
  // dialog or a message box); the background fit must be held, not running, while it is open.
  void Run(int command, const std::function<void(QDialog*)>& answer) {
    int seen = 0;
    ModalAnswer<QDialog> dialog([&](QDialog* d) {
      ++seen;
      EXPECT_FALSE(BackgroundFitThreadExists()) << command;
      if (answer) answer(d);
    });
    ASSERT_TRUE(window_->ExecuteCommand(command)) << command;
    EXPECT_EQ(seen, answer ? 1 : 0) << command;
  }

  void ExpectResultsKept(int command) {
    EXPECT_EQ(session_.FitResultsValid, 1) << command;
    EXPECT_EQ(window_->HaveFits, 1) << command;
    EXPECT_TRUE(window_->IsCommandEnabled(CmReviewGraph)) << command;
    EXPECT_TRUE(window_->IsCommandEnabled(CmReviewList)) << command;
    EXPECT_EQ(session_.FitCount, count_) << command;
    EXPECT_EQ(session_.ReviewCurrentRank, 2) << command;
    EXPECT_EQ(session_.CurFit.eqn.equationNumber, equation_) << command;
    // The fit had finished: there is nothing to start again.
    EXPECT_FALSE(BackgroundFitThreadExists()) << command;
  }

  void ExpectResultsVoided(int command) {
    EXPECT_EQ(session_.FitResultsValid, 0) << command;
    EXPECT_EQ(session_.FitCount, 0) << command;
    EXPECT_EQ(window_->HaveFits, 0) << command;
    EXPECT_FALSE(window_->IsCommandEnabled(CmReviewGraph)) << command;
    EXPECT_FALSE(window_->IsCommandEnabled(CmReviewList)) << command;
  }

  TSession session_;
  fs::path home_;
  platform::ScriptedAnswers boxes_;
  platform::ScriptedFiles files_;
  std::unique_ptr<QVRK> window_;
  int count_ = 0;
  int equation_ = 0;
};

TEST_F(KeptFitResults, CancelledCommandsKeepTheResults) {
  // The last session's functions, unreadable: told, and nothing changed.
  std::ofstream(fs::path(SettingsDir) / "QVRK2V3.CFG", std::ios::binary) << "damaged";
  LastSessionUdfs = 1;
  const auto reject = [](QDialog* d) { d->reject(); };
  const struct {
    int command;
    std::function<void(QDialog*)> answer;
  } cases[] = {
      {CmCalculation, reject},
      {CmEditCustomSet, reject},
      {CmReadCustomSet, nullptr},  // the file dialog cancelled
      {CmUserFunctions, reject},
      {CmFitPreferences, reject},
      {CmLastSessionUdfs, nullptr},
  };
  const TFitSelection selection = session_.FitSelection;
  const TFitOptions options = session_.FitOptions;
  for (const auto& c : cases) {
    Run(c.command, c.answer);
    ExpectResultsKept(c.command);
  }
  EXPECT_EQ(session_.FitSelection, selection);
  EXPECT_EQ(session_.FitOptions, options);
  LastSessionUdfs = 0;
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].caption, "Read User Function Library");
}

TEST_F(KeptFitResults, CommandsClosedWithNothingTheFitsDependOnChangedKeepTheResults) {
  const auto accept = [](QDialog* d) { d->accept(); };
  // A calculation entered but not applied: only the formulas changed.
  boxes_.Answer(platform::kIdNo);
  Run(CmCalculation, [](QDialog* d) {
    static_cast<TCalc*>(d)->Line(2)->setText("Z*2");
    d->accept();
  });
  ExpectResultsKept(CmCalculation);
  EXPECT_EQ(window_->HaveCalc, 1);
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].caption, "Calculation");

  for (const int command : {CmEditCustomSet, CmUserFunctions, CmFitPreferences}) {
    Run(command, accept);
    ExpectResultsKept(command);
  }
  // A set read from a file that holds the set in use.
  const fs::path same = home_ / "same.fit";
  ASSERT_TRUE(WriteFitSelectionFile(same, session_.FitSelection));
  files_.Answer(same.string());
  Run(CmReadCustomSet, nullptr);
  ExpectResultsKept(CmReadCustomSet);
}

TEST_F(KeptFitResults, AChangedFitOptionOrFunctionVoidsTheResultsAndTheFitStartsAgain) {
  Run(CmFitPreferences, [](QDialog* d) {
    static_cast<TDlgFitOpt*>(d)->Edit(201)->setText("350");
    d->accept();
  });
  EXPECT_EQ(session_.FitOptions.maxIterations, 350u);
  ExpectResultsVoided(CmFitPreferences);
  // The background fit runs again under the new options.
  ASSERT_TRUE(PumpUntil([this] { return session_.FitResultsValid == 1 && BgFitState == 0; }));
  EXPECT_EQ(window_->HaveFits, 1);

  // A function defined in the dialog and kept with OK. (Cancelled, the dialog leaves every
  // function as it was, one validated on the way included: the results stay.)
  const auto definePlane = [](QDialog* d) {
    auto* udf = static_cast<TDlgUDF*>(d);
    udf->Edit(701)->setText("Plane");
    udf->Edit(702)->setText("3");
    udf->TextEdit()->setPlainText("Z=A0+A1*X+A2*Y");
    udf->Button(912)->click();  // on to function 2: function 1 is validated on the way
  };
  Run(CmUserFunctions, [&](QDialog* d) {
    definePlane(d);
    d->reject();
  });
  EXPECT_EQ(UdfRecordAt(0), nullptr);
  EXPECT_EQ(session_.FitResultsValid, 1);
  EXPECT_EQ(window_->HaveFits, 1);
  EXPECT_FALSE(BackgroundFitThreadExists());
  Run(CmUserFunctions, [&](QDialog* d) {
    definePlane(d);
    d->accept();
  });
  ExpectResultsVoided(CmUserFunctions);
}

}  // namespace
