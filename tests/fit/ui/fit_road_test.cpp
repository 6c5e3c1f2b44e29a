// The fitting road as a user walks it: import a text file, let the background fit run, run
// a fit command, watch the progress dialog, choose a review or cancel; and the dialogs that
// set up what is fitted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "app/background_fit_hold.h"
#include "app/data_signature.h"
#include "app/data_statistics.h"
#include "app/data_table.h"
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
#include "fit/background_fit.h"
#include "fit/fit_command.h"
#include "fit/fit_list.h"
#include "fit/fit_records.h"
#include "fit/session.h"
#include "fit/ui/background_fit_dialog.h"
#include "fit/ui/custom_set_dialog.h"
#include "fit/ui/fit_commands.h"
#include "fit/ui/fit_preferences_dialog.h"
#include "fit/ui/fit_progress_dialog.h"
#include "graph3d/ui/status_graph.h"
#include "platform/file_dialog.h"
#include "platform/gui_thread.h"
#include "platform/message_box.h"
#include "platform/qt/qt_services.h"
#include "platform/timer.h"
#include "review/ui/review_window.h"
#include "tools/ui/titles_dialog.h"

namespace {

namespace fs = std::filesystem;

// Timers that fire when the test says so.
class ManualTimers : public platform::TimerService {
 public:
  int Start(int ms, bool, std::function<void()> callback) override {
    timers_[++last_] = {ms, std::move(callback)};
    return last_;
  }
  void Stop(int id) override { timers_.erase(id); }
  // Fires the one timer of that duration; false when none runs.
  bool Fire(int ms) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
      if (it->second.first == ms) {
        auto callback = std::move(it->second.second);
        timers_.erase(it);
        callback();
        return true;
      }
    return false;
  }
  bool Runs(int ms) const {
    for (const auto& [id, t] : timers_)
      if (t.first == ms) return true;
    return false;
  }

 private:
  int last_ = 0;
  std::map<int, std::pair<int, std::function<void()>>> timers_;
};

// Holds every hand-over from a worker to the user-interface thread until Release: the test
// sees the dialog of a running fit however fast the fit would have ended.
class HeldWorkerSends : public platform::UiDispatcher {
 public:
  HeldWorkerSends() : next_(platform::SetUiDispatcher(this)) {}
  ~HeldWorkerSends() override {
    Release();
    platform::SetUiDispatcher(next_);
  }
  bool OnUiThread() const override { return next_->OnUiThread(); }
  void Post(std::function<void()> task) override {
    HoldWorker();
    next_->Post(std::move(task));
  }
  void Send(std::function<void()> task) override {
    HoldWorker();
    next_->Send(std::move(task));
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    released_.notify_all();
  }

 private:
  void HoldWorker() {
    if (next_->OnUiThread()) return;
    std::unique_lock lock(mutex_);
    released_.wait(lock, [this] { return open_; });
  }

  platform::UiDispatcher* next_;
  std::mutex mutex_;
  std::condition_variable released_;
  bool open_ = false;
};

class FitRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterImportReaders();
    RegisterDataFileCommands(session_);
    RegisterFitCommands(session_);
    home_ = fs::temp_directory_path() / ("ondravik_fit_road_" + std::to_string(::getpid()));
    fs::remove_all(home_);
    fs::create_directories(home_);
    setenv("ONDRAVIK_HOME", home_.c_str(), 1);
    platform::qt::InstallQtServices();
    previousTimers_ = platform::SetTimerService(&timers_);
    platform::SetMessageBoxService(&boxes_);
    platform::SetFileDialogService(&files_);
    SecondInstance = 1;  // never writes the settings
    OpenDialogCount = 0;
    Exiting = 0;
    ApplyCommandLine({});
    window_ = std::make_unique<QVRK>(session_);
    window_->SetupWindow();
    QApplication::processEvents();
  }
  void TearDown() override {
    window_.reset();
    for (const CommandInfo& c : CommandTable()) UnregisterCommand(c.id);
    ForgetShellSteps();
    // The background fit's hooks hold this session too.
    PrescanHooks() = {};
    SetBackgroundFitStopper({});
    SetBackgroundFitHolder({}, {});
    SetFitResultsQuery({});
    platform::SetTimerService(previousTimers_);
    platform::qt::UninstallQtServices();
    fs::remove_all(home_);
  }
  // Imports a grid of n x n points of z = f(x, y) from a text file.
  void Import(int n, const std::function<double(double, double)>& f) {
    const fs::path path = home_ / "grid.txt";
    {
      std::ofstream out(path);
      for (int i = 0; i < n * n; ++i) {
        const double x = 1 + i % n, y = 1 + i / n;
        out << x << ' ' << y << ' ' << f(x, y) << '\n';
      }
    }
    ModalAnswer<TTitlesDlg> titles([](TTitlesDlg* d) { d->accept(); });
    files_.Answer(path.string());
    ASSERT_TRUE(window_->ExecuteCommand(CmImport));
    ASSERT_EQ(session_.Table.XYZRows(), n * n);
  }

  TSession session_;
  fs::path home_;
  ManualTimers timers_;
  platform::TimerService* previousTimers_ = nullptr;
  platform::ScriptedAnswers boxes_;
  platform::ScriptedFiles files_;
  std::unique_ptr<QVRK> window_;
};

TEST_F(FitRoad, FitEndsAfterTenSecondsWithTheLastReviewModeAndKeepsTheResults) {
  SetBackgroundFitChoice(0, 0);
  Import(8, [](double x, double y) { return 1 + 2 * x + 3 * y; });
  CurrentSettings().reviewStartMode = 1;  // list first, chosen at an earlier review
  std::vector<int> posted;
  RegisterCommand(CmReviewList, [&] { posted.push_back(CmReviewList); });
  ASSERT_TRUE(window_->IsCommandEnabled(CmFitSimple));
  bool sawRun = false;
  HeldWorkerSends held;
  ModalAnswer<TFit> progress([&](TFit* d) {
    EXPECT_EQ(d->windowTitle(), "Ondravik 3D Automated Fitting");
    EXPECT_TRUE(d->Button(kFitDlgCancel)->isVisible());
    EXPECT_FALSE(d->Button(kFitDlgOk)->isVisible());
    held.Release();
    ASSERT_TRUE(PumpUntil([d] { return d->Button(kFitDlgOk)->isVisible(); }));
    sawRun = true;
    EXPECT_FALSE(d->Button(kFitDlgCancel)->isVisible());
    EXPECT_TRUE(d->Button(kFitDlgListStart)->isVisible());
    EXPECT_TRUE(d->Button(kFitDlgGraphStart)->isVisible());
    EXPECT_EQ(d->Gauge(948)->Value(), 100);  // sums
    EXPECT_FALSE(d->Text(kFitMsgFitted)->text().isEmpty());
    EXPECT_TRUE(d->Text(kFitMsgTime)->text().startsWith("Time "));
    EXPECT_FALSE(timers_.Runs(TFit::kClockTickMs));  // the clock stops with the run
    EXPECT_TRUE(timers_.Fire(TFit::kDoneTimeoutMs));
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitSimple));
  ASSERT_TRUE(sawRun);
  EXPECT_EQ(CurrentSettings().reviewStartMode, 1);
  EXPECT_EQ(session_.FitResultsValid, 1);
  EXPECT_EQ(window_->HaveFits, 1);
  EXPECT_NEAR(static_cast<double>(session_.CurFitEqn().r2), 1.0, 1e-15);
  QApplication::processEvents();
  EXPECT_EQ(posted, std::vector<int>{CmReviewList});
  EXPECT_TRUE(boxes_.Boxes().empty());
}

// Without a review to start, the finished dialog offers none and does not close itself:
// its totals stay until OK, and the results show in the status window.
TEST_F(FitRoad, WithoutAReviewTheResultsShowInTheStatusWindow) {
  SetBackgroundFitChoice(0, 0);
  Import(6, [](double x, double y) { return x * y + 1; });
  ModalAnswer<TFit> progress([&](TFit* d) {
    ASSERT_TRUE(PumpUntil([d] { return d->Button(kFitDlgGraphStart)->isVisible(); }));
    for (int id : {kFitDlgGraphStart, kFitDlgListStart}) {
      EXPECT_TRUE(d->Button(id)->isVisible());
      EXPECT_FALSE(d->Button(id)->isEnabled());
      EXPECT_EQ(d->Button(id)->toolTip(), "The fit review is not available yet");
    }
    EXPECT_FALSE(timers_.Runs(TFit::kDoneTimeoutMs));
    EXPECT_FALSE(d->Text(kFitMsgFitted)->text().isEmpty());
    d->Button(kFitDlgGraphStart)->click();  // disabled: nothing happens
    EXPECT_TRUE(d->isVisible());
    d->Button(kFitDlgOk)->click();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitPolynomial));
  ASSERT_EQ(progress.Seen(), 1);
  EXPECT_EQ(session_.FitResultsValid, 1);
  ASSERT_NE(DataStatusWin(), nullptr);  // no review yet: the status window with the fit
  EXPECT_FALSE(window_->IsCommandEnabled(CmReviewGraph));
}

// A second fit cancelled half-way leaves the first fit's finished results as they were.
TEST_F(FitRoad, CancelledSecondFitKeepsTheFirstFitsResults) {
  SetBackgroundFitChoice(0, 0);
  Import(30, [](double x, double y) { return 2 + std::sin(x / 7) * std::exp(y / 40); });
  {
    ModalAnswer<TFit> first([](TFit* d) {
      ASSERT_TRUE(PumpUntil([d] { return d->Button(kFitDlgOk)->isVisible(); }));
      d->Button(kFitDlgOk)->click();
    });
    ASSERT_TRUE(window_->ExecuteCommand(CmFitRobustPlane));
  }
  ASSERT_EQ(session_.FitResultsValid, 1);
  const int count = session_.FitCount;
  ASSERT_GT(count, 0);
  std::vector<int> equations;
  for (int i = 1; i <= count; ++i) equations.push_back(session_.FitList.At(i)->equationNumber);
  const long double r2 = session_.CurFitEqn().r2;

  ModalAnswer<TFit> second([](TFit* d) {
    ASSERT_TRUE(PumpUntil([d] { return d->Gauge(949)->Value() > 0; }));
    d->Button(kFitDlgCancel)->click();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitAll));
  ASSERT_EQ(second.Seen(), 1);
  EXPECT_EQ(boxes_.Boxes().back().text, "Processing Aborted.");
  EXPECT_EQ(boxes_.Boxes().back().caption, "Ondravik 3D");
  EXPECT_EQ(session_.FitResultsValid, 1);
  EXPECT_EQ(window_->HaveFits, 1);
  ASSERT_EQ(session_.FitCount, count);
  for (int i = 1; i <= count; ++i) EXPECT_EQ(session_.FitList.At(i)->equationNumber, equations[i - 1u]) << i;
  EXPECT_EQ(session_.CurFitEqn().r2, r2);
}

TEST_F(FitRoad, RunShortOfMemorySaysSoBeforeItEnds) {
  TFit dialog(window_.get(), session_, MakeFitJob(session_, session_.FitSelection, session_.FitOptions));
  dialog.EvFitProgress({kFitMsgComplete, -2, 0.0L, {}});
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "Insufficient Memory");
  EXPECT_TRUE(dialog.Button(kFitDlgOk)->isVisibleTo(&dialog));
}

// No button moves under the pointer: "Stop Current Fit" appearing leaves the others where
// they stand, and once the run completes no button takes the place Cancel had.
TEST_F(FitRoad, ProgressButtonsStayWhereTheyStandWhileButtonsComeAndGo) {
  // Laid out unshown: shown, the dialog would start its worker.
  TFit dialog(window_.get(), session_, MakeFitJob(session_, session_.FitSelection, session_.FitOptions));
  dialog.resize(dialog.sizeHint());
  const auto layOut = [&dialog] {
    dialog.layout()->invalidate();
    dialog.layout()->activate();
  };
  const auto places = [&] {
    layOut();
    return std::vector<QRect>{dialog.Button(932)->geometry(), dialog.IterationBox()->geometry(),
                              dialog.Button(kFitDlgCancel)->geometry()};
  };
  const std::vector<QRect> before = places();
  dialog.EvFitProgress({kFitMsgSkipButton, -1, 0.0L, {}});
  ASSERT_FALSE(dialog.Button(931)->isHidden());
  EXPECT_EQ(places(), before);
  for (const QRect& r : before) EXPECT_FALSE(dialog.Button(931)->geometry().intersects(r));

  dialog.EvFitProgress({kFitMsgSkipButton, -2, 0.0L, {}});
  dialog.EvFitProgress({kFitMsgComplete, 1, 0.0L, {}});
  layOut();
  ASSERT_FALSE(dialog.Button(kFitDlgOk)->isHidden());
  for (int id : {kFitDlgOk, kFitDlgListStart, kFitDlgGraphStart})
    if (!dialog.Button(id)->isHidden()) {
      EXPECT_FALSE(dialog.Button(id)->geometry().intersects(before[2])) << id;
    }
}

TEST_F(FitRoad, CancelAbortsTheRunAndRestoresTheBlocks) {
  SetBackgroundFitChoice(0, 0);
  Import(30, [](double x, double y) { return 2 + std::sin(x / 7) * std::exp(y / 40); });
  const TFitSelection selection = session_.FitSelection;
  const TFitOptions options = session_.FitOptions;
  ModalAnswer<TFit> progress([&](TFit* d) {
    ASSERT_TRUE(PumpUntil([d] { return d->Gauge(949)->Value() > 0; }));
    d->Button(kFitDlgCancel)->click();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitAll));
  ASSERT_EQ(progress.Seen(), 1);
  ASSERT_FALSE(boxes_.Boxes().empty());
  EXPECT_EQ(boxes_.Boxes().back().text, "Processing Aborted.");
  EXPECT_EQ(session_.FitList.Count(), 0);
  EXPECT_EQ(session_.FitResultsValid, 0);
  EXPECT_EQ(window_->HaveFits, 0);
  EXPECT_EQ(session_.FitSelection, selection);
  EXPECT_EQ(session_.FitOptions, options);
}

// The worker reports the time only when the non-linear phase starts and at the end: the
// dialog's own clock keeps the Time field moving in between.
TEST_F(FitRoad, TimeFieldKeepsRunningWhileTheFitGoes) {
  SetBackgroundFitChoice(0, 0);
  Import(30, [](double x, double y) { return 2 + std::sin(x / 7) * std::exp(y / 40); });
  ModalAnswer<TFit> progress([&](TFit* d) {
    ASSERT_TRUE(PumpUntil([d] { return d->Gauge(949)->Value() > 0; }));
    ASSERT_TRUE(timers_.Runs(TFit::kClockTickMs));
    d->Text(kFitMsgTime)->clear();
    ASSERT_TRUE(timers_.Fire(TFit::kClockTickMs));
    EXPECT_TRUE(d->Text(kFitMsgTime)->text().startsWith("Time "));
    d->Button(kFitDlgCancel)->click();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitAll));
  ASSERT_EQ(progress.Seen(), 1);
}

// A read that leaves the table as it was keeps its fits: an append into a full table and an
// import of too few points are refused, and the fits, their count and the review stay.
TEST_F(FitRoad, RefusedReadsKeepTheTableAndItsFits) {
  // The simple equations fit the full table in the background.
  SetBackgroundFitChoice(3, 0);
  Import(128, [](double x, double y) { return 3 - x + 0.5 * y; });
  ASSERT_EQ(session_.Table.XYZRows(), kXYZMaxPoints);
  ASSERT_TRUE(PumpUntil([this] { return session_.FitResultsValid == 1; }));
  const int fits = session_.FitCount;
  ASSERT_GT(fits, 0);
  const std::uint64_t table = DataSignature(session_.Table.XYZData());
  auto expectFitsKept = [&](const char* road) {
    QApplication::processEvents();
    EXPECT_EQ(session_.Table.XYZRows(), kXYZMaxPoints) << road;
    EXPECT_EQ(DataSignature(session_.Table.XYZData()), table) << road;
    EXPECT_EQ(session_.FitResultsValid, 1) << road;
    EXPECT_EQ(session_.FitCount, fits) << road;
    EXPECT_EQ(BgFitDone, 1) << road;
    EXPECT_EQ(window_->HaveFits, 1) << road;  // Graph Start, List Start and the rank line
  };

  std::string more;
  for (int i = 1; i <= 500; ++i) more += std::to_string(i) + " 1 2\n";
  {
    std::ofstream(home_ / "more.txt") << more;
  }
  files_.Answer((home_ / "more.txt").string());
  ASSERT_TRUE(window_->ExecuteCommand(CmAppend));
  ASSERT_FALSE(boxes_.Boxes().empty());
  EXPECT_EQ(boxes_.Boxes().back().text,
            "The Data Table is Full: It Holds 16384 of at Most 16384 Points\nNo Points of the File Were Appended");
  expectFitsKept("append");

  {
    std::ofstream(home_ / "three.txt") << "1 1 1\n2 1 3\n1 2 2\n";
  }
  files_.Answer((home_ / "three.txt").string());
  ASSERT_TRUE(window_->ExecuteCommand(CmImport));
  EXPECT_EQ(boxes_.Boxes().back().text, "Number of Points Read 3\nMin 4 XYZ Points Required");
  expectFitsKept("import");
}

TEST_F(FitRoad, BackgroundFitAfterTheImportLightsAndRedrawsTheStatusWindow) {
  SetBackgroundFitChoice(3, 0);  // simple equations, no automatic review
  Import(6, [](double x, double y) { return 3 - x + 0.5 * y; });
  ASSERT_TRUE(PumpUntil([this] { return session_.FitResultsValid == 1; }));
  EXPECT_EQ(BgFitDone, 1);
  EXPECT_EQ(window_->HaveFits, 1);
  // The status window is drawn again with the fit.
  ASSERT_TRUE(PumpUntil([] { return DataStatusWin() != nullptr; }));
  // The preferences hold it before anything can change; cancelled, they keep its results.
  ModalAnswer<TDlgFitOpt> prefs([this](TDlgFitOpt* d) {
    EXPECT_EQ(session_.FitResultsValid, 1);
    EXPECT_FALSE(BackgroundFitThreadExists());
    d->reject();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitPreferences));
  EXPECT_EQ(prefs.Seen(), 1);
  EXPECT_EQ(session_.FitResultsValid, 1);
}

// A background fit that asks for a review starts it once its results are in: the review
// of the last mode (graph first) on rank 1, and the status window after it closes.
TEST_F(FitRoad, BackgroundFitWithAutomaticReviewOpensTheReview) {
  RegisterReviewCommands(session_);
  SetBackgroundFitChoice(3, kBgFitFlagAutoReview);
  ModalAnswer<TRView> review([](TRView* w) {
    EXPECT_EQ(w->Rank(), 1);
    EXPECT_FALSE(w->ListFirst());
    w->Command(kReviewOk);
  });
  Import(6, [](double x, double y) { return 3 - x + 0.5 * y; });
  ASSERT_TRUE(PumpUntil([&review] { return review.Seen() == 1; }));
  ASSERT_TRUE(PumpUntil([] { return DataStatusWin() != nullptr; }));
  EXPECT_EQ(session_.FitResultsValid, 1);
  SetStatusGraphTitler(nullptr);
}

TEST_F(FitRoad, CustomSetDialogKeepsDependentBoxesWithTheirBase) {
  Import(2, [](double x, double y) { return x + y; });
  session_.FitSelection = DefaultFitSelection();
  {
  ModalAnswer<TDlgCF> dialog([this](TDlgCF* d) {
    EXPECT_TRUE(d->Button(TDlgCF::kFitResult)->isEnabled());
    EXPECT_EQ(d->Count(810)->text(), "151,229,741");
    EXPECT_EQ(d->Count(815)->text(), "24");
    d->Box(101)->click();  // polynomial "Standard" off: "Add Ln,Inv" goes with it
    EXPECT_FALSE(d->Box(102)->isChecked());
    EXPECT_FALSE(d->Box(102)->isEnabled());
    EXPECT_EQ(session_.FitSelection.polynomialMask, 0u);
    d->Box(206)->click();  // Gaussian/log-normal in all six pairs of forms
    EXPECT_EQ(d->Count(815)->text(), "36");
    d->accept();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmEditCustomSet));
  }
  EXPECT_EQ(session_.FitSelection.nonlinear[60], 1);
  EXPECT_EQ(session_.FitSelection.nonlinear[71], 1);
  EXPECT_EQ(session_.FitSelection.rationalMask, 27u);

  const TFitSelection before = session_.FitSelection;
  ModalAnswer<TDlgCF> cancelled([](TDlgCF* d) {
    d->Button(804)->click();  // clear all linear
    d->reject();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmEditCustomSet));
  EXPECT_EQ(session_.FitSelection, before);
}

// Opening the dialog shows the set without rewriting it: a mask and flags that no click
// would produce (polynomial bits 0, 1 and 3; Gaussian standard and Lorentzian standard with
// intercept) come back from OK exactly as they went in.
TEST_F(FitRoad, CustomSetDialogLeavesAnUntouchedSetAsItWas) {
  TFitSelection odd = DefaultFitSelection();
  odd.polynomialMask = 11;
  odd.rationalMask = 1;
  odd.subsetMask = 6;
  std::fill(odd.nonlinear.begin(), odd.nonlinear.end(), 0);
  odd.nonlinear[0] = odd.nonlinear[13] = 1;
  for (const bool pressReset : {false, true}) {
    session_.FitSelection = odd;
    ModalAnswer<TDlgCF> dialog([pressReset](TDlgCF* d) {
      EXPECT_TRUE(d->Box(102)->isChecked());
      EXPECT_EQ(d->Count(815)->text(), "2");
      EXPECT_FALSE(d->Box(106)->isEnabled());  // its base, subset "Standard", is off
      if (pressReset)
        d->Button(18)->click();  // Reset puts back the set as it was opened
      d->accept();
    });
    ASSERT_TRUE(window_->ExecuteCommand(CmEditCustomSet));
    EXPECT_EQ(dialog.Seen(), 1);
    EXPECT_EQ(session_.FitSelection, odd);
    EXPECT_EQ(session_.FitSelection.polynomialMask, 11u);
    EXPECT_EQ(session_.FitSelection.nonlinear[1], 0);
    EXPECT_EQ(session_.FitSelection.nonlinear[12], 0);
  }
  // Every box clicked and clicked back (a base box with its dependent among them) leaves
  // the set, its odd masks included, as it was, and the fit results with it.
  session_.FitSelection = odd;
  ModalAnswer<TDlgCF> changedBack([](TDlgCF* d) {
    for (int id : {101, 102, 103, 110, 201, 202, 301, 302}) {
      d->Box(id)->click();
      d->Box(id)->click();
    }
    EXPECT_TRUE(d->Box(102)->isChecked());  // its base went off and came back
    d->accept();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmEditCustomSet));
  EXPECT_EQ(changedBack.Seen(), 1);
  EXPECT_EQ(session_.FitSelection, odd);
}

TEST_F(FitRoad, PreferencesResetFillsTheControlsAndCancelKeepsTheOptions) {
  const TFitOptions before = session_.FitOptions;
  {
  ModalAnswer<TDlgFitOpt> dialog([](TDlgFitOpt* d) {
    d->Button(18)->click();
    EXPECT_EQ(d->Edit(107)->text(), "9");
    EXPECT_EQ(d->Edit(201)->text(), "200");
    EXPECT_EQ(d->Edit(106)->text(), "66");
    EXPECT_TRUE(d->Radio(101)->isChecked());
    d->reject();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitPreferences));
  }
  EXPECT_EQ(session_.FitOptions, before);

  ModalAnswer<TDlgFitOpt> accepted([](TDlgFitOpt* d) {
    d->Edit(201)->setText("350");
    d->Radio(303)->setChecked(true);
    d->accept();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitPreferences));
  EXPECT_EQ(session_.FitOptions.maxIterations, 350u);
  EXPECT_EQ(session_.FitOptions.robustMode, 2u);
}

// Preferences that change the options void the results: the status window that opens after
// them shows the data without a fit. (It was opened before the change was settled and went on
// showing the old current fit, with no background fit to replace it.)
TEST_F(FitRoad, ChangedPreferencesLeaveNoOldFitInTheStatusWindow) {
  SetBackgroundFitChoice(0, 0);
  Import(6, [](double x, double y) { return x * y + 1; });
  ModalAnswer<TFit> progress([](TFit* d) {
    ASSERT_TRUE(PumpUntil([d] { return d->Button(kFitDlgOk)->isVisible(); }));
    d->Button(kFitDlgOk)->click();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitPolynomial));
  ASSERT_EQ(session_.FitResultsValid, 1);
  ASSERT_NE(DataStatusWin(), nullptr);
  EXPECT_TRUE(DataStatusWin()->WithFits());

  // Untouched: the results and the window with them stay.
  {
    ModalAnswer<TDlgFitOpt> untouched([](TDlgFitOpt* d) { d->accept(); });
    ASSERT_TRUE(window_->ExecuteCommand(CmFitPreferences));
  }
  EXPECT_EQ(session_.FitResultsValid, 1);
  ASSERT_NE(DataStatusWin(), nullptr);
  EXPECT_TRUE(DataStatusWin()->WithFits());

  ModalAnswer<TDlgFitOpt> changed([](TDlgFitOpt* d) {
    d->Edit(201)->setText("350");
    d->accept();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitPreferences));
  EXPECT_EQ(session_.FitOptions.maxIterations, 350u);
  EXPECT_EQ(session_.FitResultsValid, 0);
  ASSERT_NE(DataStatusWin(), nullptr);
  EXPECT_FALSE(DataStatusWin()->WithFits());
}

// Enter on a keep count out of range: the dialog stays open with the count put right and
// the range said while it is still there to be seen; nothing is stored until an OK that the
// fields allow. (The dialog once closed, stored the clamped value unseen, and told the range
// after it had gone.)
TEST_F(FitRoad, PreferencesOkOnAValueOutOfRangeStaysOpenOnIt) {
  platform::ScriptedAnswers answers;
  const TFitOptions before = session_.FitOptions;
  bool stayed = false;
  ModalAnswer<TDlgFitOpt> dialog([&](TDlgFitOpt* d) {
    TEditInt* keep = d->Edit(105);
    QApplication::setActiveWindow(d);
    keep->setFocus();
    keep->selectAll();
    QTest::keyClicks(keep, "0");
    QTest::keyClick(keep, Qt::Key_Return);  // OK is the default button
    stayed = d->isVisible();
    EXPECT_EQ(keep->text(), "1");
    EXPECT_TRUE(keep->hasFocus());
    EXPECT_EQ(session_.FitOptions, before);
    // An emptied field goes back to the count it held, and is said too.
    keep->selectAll();
    QTest::keyClick(keep, Qt::Key_Delete);
    d->accept();
    EXPECT_EQ(keep->text(), "1");
    d->accept();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmFitPreferences));
  EXPECT_TRUE(stayed);
  ASSERT_EQ(answers.Boxes().size(), 2u);
  EXPECT_EQ(answers.Boxes()[0].caption, "Invalid Entry");
  EXPECT_EQ(answers.Boxes()[0].text, "Valid Range is 1 to 200");
  EXPECT_EQ(answers.Boxes()[1].text, "Valid Range is 1 to 200");
  EXPECT_EQ(session_.FitOptions.keepPolynomial, 1u);
}

TEST_F(FitRoad, BackgroundChoiceIsKeptInTheSettings) {
  ModalAnswer<TBgProc> dialog([](TBgProc* d) {
    EXPECT_TRUE(d->Radio(104)->isChecked());  // the default: simple equations
    d->Radio(111)->setChecked(true);
    d->Box(202)->setChecked(true);
    d->accept();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmBackgroundFit));
  EXPECT_EQ(BackgroundFitType(), 10);
  EXPECT_EQ(BackgroundFitFlags(), kBgFitFlagAutoReview);
}

// OK on the background choice as it stood, or with only the signal and the automatic review
// changed, keeps the background fit's results: only another type of fit starts again.
TEST_F(FitRoad, BackgroundChoiceOkWithTheSameTypeKeepsTheResults) {
  SetBackgroundFitChoice(3, 0);
  Import(6, [](double x, double y) { return 3 - x + 0.5 * y; });
  ASSERT_TRUE(PumpUntil([this] { return session_.FitResultsValid == 1 && BgFitState == 0; }));
  const int fits = session_.FitCount;
  const TFitResult* const first = session_.FitList.At(1);
  ASSERT_GT(fits, 0);

  for (const bool beep : {false, true}) {
    ModalAnswer<TBgProc> dialog([beep](TBgProc* d) {
      if (beep) d->Box(201)->setChecked(true);
      d->accept();
    });
    ASSERT_TRUE(window_->ExecuteCommand(CmBackgroundFit));
    ASSERT_EQ(dialog.Seen(), 1);
    EXPECT_EQ(BgFitState, 0) << beep;  // nothing runs again
    EXPECT_EQ(BgFitDone, 1) << beep;
    EXPECT_EQ(session_.FitResultsValid, 1) << beep;
    EXPECT_EQ(session_.FitCount, fits) << beep;
    EXPECT_EQ(session_.FitList.At(1), first) << beep;
    EXPECT_EQ(window_->HaveFits, 1) << beep;
  }
  EXPECT_EQ(BackgroundFitType(), 3);
  EXPECT_EQ(BackgroundFitFlags(), kBgFitFlagBeep);

  // Another type fits again: the simple equations' results give way to the robust plane's.
  ModalAnswer<TBgProc> robust([](TBgProc* d) {
    d->Radio(105)->setChecked(true);
    d->accept();
  });
  ASSERT_TRUE(window_->ExecuteCommand(CmBackgroundFit));
  EXPECT_EQ(BackgroundFitType(), 4);
  ASSERT_TRUE(PumpUntil([this] { return session_.FitResultsValid == 1 && BgFitState == 0; }));
  EXPECT_NE(session_.FitCount, fits);
}

// "Reset All Defaults" answered No or Cancel changes nothing: the background fit's results
// stay as they were (the question once came after the fit was stopped, which threw them away).
// Yes resets the fit options with everything else, and the results made with the old ones go.
TEST_F(FitRoad, ResetAllDefaultsNotConfirmedKeepsTheFitResults) {
  SetBackgroundFitChoice(3, 0);
  Import(6, [](double x, double y) { return 3 - x + 0.5 * y; });
  ASSERT_TRUE(PumpUntil([this] { return session_.FitResultsValid == 1 && BgFitState == 0; }));
  const int fits = session_.FitCount;
  const TFitResult* const first = session_.FitList.At(1);
  ASSERT_GT(fits, 0);
  for (const int answer : {platform::kIdNo, platform::kIdCancel}) {
    boxes_.Answer(answer);
    ASSERT_TRUE(window_->ExecuteCommand(CmResetDefaults));
    EXPECT_EQ(boxes_.Boxes().back().text, "Restore All Program Defaults?");
    EXPECT_EQ(session_.FitResultsValid, 1) << answer;
    EXPECT_EQ(session_.FitCount, fits) << answer;
    EXPECT_EQ(session_.FitList.At(1), first) << answer;
    EXPECT_EQ(window_->HaveFits, 1) << answer;
    EXPECT_NE(DataStatusWin(), nullptr) << answer;
  }
  boxes_.Answer(platform::kIdYes);
  ASSERT_TRUE(window_->ExecuteCommand(CmResetDefaults));
  EXPECT_EQ(session_.FitResultsValid, 0);
  EXPECT_EQ(window_->HaveFits, 0);
  EXPECT_NE(DataStatusWin(), nullptr);  // the data stay, and their window
}

TEST_F(FitRoad, ReadCustomSetTakesAWholeSetAndRefusesAnyOtherSize) {
  TFitSelection peaks;
  peaks.nonlinear[3] = 1;
  const fs::path good = home_ / "peaks.fit";
  ASSERT_TRUE(WriteFitSelectionFile(good, peaks));
  const fs::path bad = home_ / "short.fit";
  std::ofstream(bad, std::ios::binary) << std::string(251, '\0');
  session_.FitSelection = DefaultFitSelection();

  files_.Answer(bad.string());
  ASSERT_TRUE(window_->ExecuteCommand(CmReadCustomSet));
  ASSERT_FALSE(boxes_.Boxes().empty());
  EXPECT_EQ(boxes_.Boxes().back().caption, bad.string());
  EXPECT_EQ(boxes_.Boxes().back().text, "Error in Reading Custom Equation Set File");
  EXPECT_EQ(session_.FitSelection, DefaultFitSelection());

  files_.Answer(good.string());
  ASSERT_TRUE(window_->ExecuteCommand(CmReadCustomSet));
  EXPECT_EQ(session_.FitSelection, peaks);
  EXPECT_EQ(files_.Requests().back().title, "Read Custom Equation Set");
}

}  // namespace
