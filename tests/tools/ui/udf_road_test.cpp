// The user-defined functions' road as a user walks it, through the main window: import data
// made from z = a + b x + c y², define F(x, y) = a + b x + c y² in the dialog and save it as a
// .udf file, start afresh without functions, read the file back, "Fit UDFs", watch the
// progress dialog, and find the function ranked with its parameters recovered.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "app/ui/dialog.h"
#include "app/background_fit_hold.h"
#include "app/prescan_hooks.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/ui/command_table.h"
#include "app/ui/data_file_commands.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "app/ui/modal_answers.h"
#include "app/ui/program.h"
#include "exchange/import_registration.h"
#include "expr/data_statistics_cells.h"
#include "expr/expression.h"
#include "fit/background_fit.h"
#include "fit/fit_command.h"
#include "fit/fit_list.h"
#include "fit/session.h"
#include "fit/ui/fit_commands.h"
#include "fit/ui/fit_progress_dialog.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_services.h"
#include "tools/ui/titles_dialog.h"
#include "tools/ui/udf_commands.h"
#include "tools/ui/udf_dialog.h"

namespace {

namespace fs = std::filesystem;

class UdfRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterImportReaders();
    RegisterDataFileCommands(session_);
    RegisterFitCommands(session_);
    RegisterUserFunctionCommands(session_);
    // The language reads this session's statistics and functions, as start-up binds them.
    ExprBindDataStats(&session_.DataStats);
    ExprBindUdfTable(&session_.UdfTable);
    ExprStartUp();
    home_ = fs::temp_directory_path() / ("ondravik_udf_road_" + std::to_string(::getpid()));
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
    SetBackgroundFitChoice(0, 0);
    QApplication::processEvents();
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

  TSession session_;
  fs::path home_;
  platform::ScriptedAnswers boxes_;
  platform::ScriptedFiles files_;
  std::unique_ptr<QVRK> window_;
};

TEST_F(UdfRoad, AFunctionSavedReadBackAndFittedRecoversTheParametersOfItsData) {
  // z = 1.5 - 2.25 x + 0.75 y² on an 8 x 8 grid.
  const fs::path data = home_ / "bowl.txt";
  {
    std::ofstream out(data);
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 8; ++j) {
        const double x = 0.5 + 0.5 * i, y = -2 + 0.5 * j;
        out << x << ' ' << y << ' ' << 1.5 - 2.25 * x + 0.75 * y * y << '\n';
      }
  }
  {
    ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
    files_.Answer(data.string());
    ASSERT_TRUE(window_->ExecuteCommand(CmImport));
  }
  ASSERT_EQ(session_.Table.XYZRows(), 64);
  EXPECT_FALSE(window_->IsCommandEnabled(CmFitUserFunctions));

  // Defined and saved.
  const fs::path udf = home_ / "bowl.udf";
  {
    ModalAnswer<TDlgUDF> define([&](TDlgUDF* d) {
      d->Edit(701)->setText("Bowl");
      d->Edit(702)->setText("3");
      d->TextEdit()->setPlainText("Z=A0+A1*X+A2*Y*Y");
      files_.Answer(udf.string());
      d->Button(14)->click();
      d->Button(1)->click();
    });
    ASSERT_TRUE(window_->ExecuteCommand(CmUserFunctions));
  }
  ASSERT_TRUE(fs::exists(udf));
  EXPECT_TRUE(window_->IsCommandEnabled(CmFitUserFunctions));

  // A fresh start: no function.
  FreeAllUdfs();
  for (int k = 0; k < kUdfCount; ++k) UdfUnload(k);

  // Read back and fitted from the dialog.
  ModalAnswer<TDlgUDF> readBack([&](TDlgUDF* d) {
    files_.Answer(udf.string());
    d->Button(13)->click();
    EXPECT_EQ(d->Edit(701)->text(), "Bowl");
    EXPECT_EQ(d->TextEdit()->toPlainText(), "Z=A0+A1*X+A2*Y*Y\n");
    d->Button(TDlgUDF::kFitResult)->click();
  });
  int progressSeen = 0;
  ModalAnswer<TFit> progress([&](TFit* d) {
    ++progressSeen;
    ASSERT_TRUE(PumpUntil([d] { return d->Button(kFitDlgOk)->isVisible(); }));
    d->Button(kFitDlgOk)->click();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmUserFunctions));
  ASSERT_TRUE(PumpUntil([&] { return progressSeen == 1 && ActiveDialog() == nullptr; }));

  ASSERT_EQ(session_.FitResultsValid, 1);
  ASSERT_EQ(session_.FitCount, 1);
  EXPECT_EQ(session_.FitList.At(1)->equationNumber, 2501);
  const TFitEqn& fit = session_.CurFitEqn();
  EXPECT_EQ(fit.equationNumber, 2501);
  const long double expected[] = {1.5L, -2.25L, 0.75L};
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_NEAR(static_cast<double>(fit.parameters[i] / expected[i] - 1), 0.0, 1e-9) << i;
  for (const auto& box : boxes_.Boxes()) ADD_FAILURE() << box.caption << ": " << box.text;
}

}  // namespace
