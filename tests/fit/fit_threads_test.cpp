// The fit threads as the user-interface thread drives them: the foreground worker behind its
// progress dialog (completion, Cancel at any moment, nothing to fit) and the background fit
// after imports. The test thread plays the user-interface thread: messages and posted tasks
// queue up until it pumps them, as they would while the real one is busy.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "app/background_fit_hold.h"
#include "app/data_files.h"
#include "app/data_statistics.h"
#include "app/data_table.h"
#include "app/import_readers.h"
#include "app/long_double.h"
#include "app/prescan_hooks.h"
#include "app/private_temp_dir.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "fit/background_fit.h"
#include "fit/fit_command.h"
#include "fit/fit_evaluation.h"
#include "fit/session.h"
#include "fit/fit_kinds.h"
#include "fit/fit_list.h"
#include "fit/fit_records.h"
#include "fit/fit_threads.h"
#include "expr/data_statistics_cells.h"
#include "fit/block_helpers.h"
#include "fit/levenberg_marquardt.h"
#include "fit_test_data.h"
#include "platform/gui_thread.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace std::chrono_literals;

// Tasks for the user-interface thread wait in a queue until the test pumps them.
class QueueDispatcher : public platform::UiDispatcher {
 public:
  QueueDispatcher() : ui_(std::this_thread::get_id()) { previous_ = platform::SetUiDispatcher(this); }
  ~QueueDispatcher() override { platform::SetUiDispatcher(previous_); }
  bool OnUiThread() const override { return std::this_thread::get_id() == ui_; }
  void Post(std::function<void()> task) override {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(task));
    }
    wake_.notify_all();
  }
  void Send(std::function<void()> task) override {
    if (OnUiThread()) return task();
    std::promise<void> done;
    Post([&] {
      task();
      done.set_value();
    });
    done.get_future().wait();
  }
  // Runs queued tasks until `until` holds; false after a minute.
  bool PumpUntil(const std::function<bool()>& until) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!until()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        if (!wake_.wait_for(lock, 5ms, [this] { return !queue_.empty(); })) continue;
        task = std::move(queue_.front());
        queue_.pop_front();
      }
      task();
    }
    return true;
  }
  void PumpAll() {
    PumpUntil([this] {
      std::lock_guard lock(mutex_);
      return queue_.empty();
    });
  }

 private:
  std::thread::id ui_;
  platform::UiDispatcher* previous_ = nullptr;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
};

// n x n grid points of z = f(x, y); the first `inactive` points get a missing Z.
std::vector<TXYZPoint> Grid(int n, long double (*f)(long double, long double), int inactive = 0) {
  std::vector<TXYZPoint> points;
  for (int i = 0; i < n * n; ++i) {
    TXYZPoint p{};
    p.X = 1 + i % n;
    p.Y = 1 + i / n;
    p.Z = i < inactive ? ExprErrorValue : f(p.X, p.Y);
    p.W = 1;
    p.Status = kPointActive;
    points.push_back(p);
  }
  return points;
}
long double Plane(long double x, long double y) { return 1 + 2 * x + 3 * y; }
long double Bumpy(long double x, long double y) { return 5 + x * y / (1 + x) + 0.1L * y * y; }

// A fresh session; the program's other globals as a run of the program has them, and every
// test leaves them so.
class FitThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_ = CurrentSettings();
    selection_ = session_.FitSelection;
    options_ = session_.FitOptions;
    CurrentSettings() = DefaultSettings(1280, 1024);
    session_.FitSelection = DefaultFitSelection();
    session_.FitOptions = DefaultFitOptions();
    FitAbort = FitSkip = 0;
    ASSERT_TRUE(session_.Table.AllocPointArray());
    ImportReaders().Read[kImportKindAsciiXYZ] = [this](const TReadArgs&) {
      // The data change: the background fit must be gone by now.
      joinedAtDataChange_.push_back(!BackgroundFitThreadExists() && BgFitState == 0 &&
                                    session_.FitCount == 0 && session_.FitResultsValid == 0);
      TReadResult read;
      read.points.assign(next_.begin(), next_.end());
      read.pointsInFile = static_cast<int>(next_.size());
      return read;
    };
    InstallBackgroundFit(session_);
    BackgroundFitHooks().Done = [this] {
      dones_.push_back(Done{queue_.OnUiThread(), session_.FitResultsValid.load(), session_.CurFitEqn().r2});
    };
    BackgroundFitHooks().Beep = [this] { ++beeps_; };
  }
  void TearDown() override {
    StopFitThread();
    StopBackgroundFitThread(session_);
    queue_.PumpAll();
    PrescanHooks() = {};
    SetBackgroundFitStopper({});
    SetBackgroundFitHolder({}, {});
    BackgroundFitHooks() = {};
    ImportReaders().Read[kImportKindAsciiXYZ] = {};
    SetFitProgressSink(nullptr);
    FreeFitStorage(session_);
    RemovePrivateTempDir();
    CurrentSettings() = settings_;
    session_.FitSelection = selection_;
    session_.FitOptions = options_;
    FitAbort = 0;
  }
  // The import road of the editor hand-over: stop, read, pre-scan.
  void Import(std::vector<TXYZPoint> points) {
    next_ = std::move(points);
    ASSERT_EQ(EvEditorData(session_, "points"), static_cast<int>(next_.size()));
  }

  TSession session_;
  QueueDispatcher queue_;
  std::vector<TXYZPoint> next_;
  std::vector<bool> joinedAtDataChange_;
  struct Done {
    bool onUiThread;
    int resultsValid;
    long double r2;
  };
  std::vector<Done> dones_;
  int beeps_ = 0;

 private:
  ProgramSettings settings_;
  TFitSelection selection_;
  TFitOptions options_;
};

// The progress dialog as far as the worker sees it.
class RecordingSink : public TFitProgressSink {
 public:
  explicit RecordingSink(TSession& session) : session_(session) { SetFitProgressSink(this); }
  ~RecordingSink() override { SetFitProgressSink(nullptr); }
  void EvFitProgress(const TFitMessage& m) override {
    codes.push_back(m.code);
    if (m.code == kFitMsgComplete) CompleteFitRun(session_);
  }
  bool Got(int code) const { return std::find(codes.begin(), codes.end(), code) != codes.end(); }
  std::vector<int> codes;

 private:
  TSession& session_;
};

TEST_F(FitThreads, CompletedRunMakesRankOneCurrentAndEndsInTheChosenReview) {
  const struct {
    int dialogResult;
    int review;  // -1 none, 0 graph first, 1 list first
    int modeAfter;
  } cases[] = {{kFitDlgOk, -1, 1}, {kFitDlgGraphStart, 0, 0}, {kFitDlgListStart, 1, 1},
               {kFitDlgTimedOut, 1, 1}};
  for (const auto& c : cases) {
    Import(Grid(6, Plane));
    StopBackgroundFit();
    CurrentSettings().reviewStartMode = 1;  // the last review mode
    const TFitCommand command = BeginFitCommand(session_, kFitKindSimple);
    EXPECT_EQ(session_.FitOptions.highestTerm, 2u);
    RecordingSink sink(session_);
    ASSERT_TRUE(StartFitThread(MakeFitJob(session_, session_.FitSelection, session_.FitOptions)));
    ASSERT_TRUE(queue_.PumpUntil([&] { return sink.Got(kFitMsgComplete); }));
    EXPECT_TRUE(sink.Got(kFitMsgGaugeFirst));
    EXPECT_TRUE(sink.Got(kFitMsgFitted));
    EXPECT_EQ(session_.FitResultsValid, 1);
    EXPECT_GT(session_.FitCount, 1);
    EXPECT_NEAR(static_cast<double>(session_.CurFitEqn().r2), 1.0, 1e-15);  // the plane, ranked first
    EXPECT_EQ(EndFitCommand(session_, command, c.dialogResult), c.review);
    EXPECT_EQ(CurrentSettings().reviewStartMode, c.modeAfter);
    EXPECT_EQ(session_.FitOptions, DefaultFitOptions());
    EXPECT_EQ(session_.FitResultsValid, 1);  // the ranked results are kept
  }
}

// Cancel ends the command with the session's results as they stand: none for a run cut off
// mid-way (none were there before it), the run's own when it had completed and published
// them just before; the blocks are put back either way.
TEST_F(FitThreads, CancelLeavesTheSessionsResultsAndTheBlocksAsTheyWere) {
  Import(Grid(20, Bumpy));
  StopBackgroundFit();
  const TFitSelection selection = session_.FitSelection;
  const TFitOptions options = session_.FitOptions;
  for (bool completed : {false, true}) {
    const TFitCommand command = BeginFitCommand(session_, completed ? kFitKindSimple : kFitKindAll);
    ASSERT_NE(session_.FitSelection, selection);
    RecordingSink sink(session_);
    ASSERT_TRUE(StartFitThread(MakeFitJob(session_, session_.FitSelection, session_.FitOptions)));
    // Mid-run: the worker is left waiting in a send that nobody serves while the command
    // ends; after completion, the fits of the run are in the list.
    ASSERT_TRUE(queue_.PumpUntil(
        [&] { return sink.Got(completed ? kFitMsgComplete : kFitMsgGaugeFirst + 1); }));
    if (completed) {
      ASSERT_GT(session_.FitList.Count(), 0);
    }
    const int published = completed ? session_.FitList.Count() : 0;
    EXPECT_EQ(EndFitCommand(session_, command, kFitDlgCancel), -1);
    EXPECT_FALSE(FitThreadRunning());
    EXPECT_EQ(session_.FitList.Count(), published);
    EXPECT_EQ(session_.FitCount, published);
    EXPECT_EQ(session_.FitResultsValid, completed ? 1 : 0);
    EXPECT_EQ(session_.FitSelection, selection);
    EXPECT_EQ(session_.FitOptions, options);
    EXPECT_FALSE(sink.Got(kFitMsgComplete) && !completed);
  }
}

TEST_F(FitThreads, NothingToFitEndsTheDialogWithAMessage) {
  Import(Grid(5, Plane));
  StopBackgroundFit();
  session_.FitSelection = TFitSelection{};  // an empty custom set and no user functions
  const TFitCommand command = BeginFitCommand(session_, kFitKindCustomSet);
  RecordingSink sink(session_);
  ASSERT_TRUE(StartFitThread(MakeFitJob(session_, session_.FitSelection, session_.FitOptions)));
  ASSERT_TRUE(queue_.PumpUntil([&] { return sink.Got(kFitMsgNothingToFit); }));
  EXPECT_EQ(EndFitCommand(session_, command, kFitDlgOk), -1);
  EXPECT_EQ(sink.codes, std::vector<int>{kFitMsgNothingToFit});
  EXPECT_EQ(session_.FitResultsValid, 0);
}

TEST_F(FitThreads, BackgroundFitStartsAfterAnImportOfFourActivePoints) {
  SetBackgroundFitChoice(3, kBgFitFlagBeep);  // simple equations
  for (int inactive : {6, 5}) {  // 3 and then 4 active points of 9
    dones_.clear();
    Import(Grid(3, Plane, inactive));
    EXPECT_EQ(session_.DataStats.ActiveCount, 9 - inactive);
    EXPECT_EQ(BackgroundFitThreadExists(), inactive == 5);
  }
  // The thread ends with its fits ranked but not published: that happens on the
  // user-interface thread, session_.FitResultsValid last, after rank 1 has become current.
  ASSERT_TRUE(queue_.PumpUntil([] { return BgFitState == 0; }) || BgFitState == 0);
  ASSERT_TRUE(queue_.PumpUntil([&] { return !dones_.empty(); }));
  ASSERT_EQ(dones_.size(), 1u);
  EXPECT_TRUE(dones_[0].onUiThread);
  EXPECT_EQ(dones_[0].resultsValid, 1);
  EXPECT_NEAR(static_cast<double>(dones_[0].r2), 1.0, 1e-15);
  EXPECT_EQ(beeps_, 1);
  EXPECT_EQ(BgFitDone, 1);
}

// Points that all weigh nothing give no statistics to fit from: no background fit starts,
// as with fewer than four points (it ran on statistics reset to 0).
TEST_F(FitThreads, PointsThatAllWeighNothingStartNoBackgroundFit) {
  SetBackgroundFitChoice(3, 0);  // simple equations
  std::vector<TXYZPoint> points = Grid(4, Plane);
  for (TXYZPoint& p : points) p.W = 0;
  Import(points);
  EXPECT_EQ(session_.DataStats.ActiveCount, 16);
  EXPECT_FALSE(BackgroundFitThreadExists());
  points = Grid(4, Plane);
  points[3].W = 0;  // one point of no weight among them is no obstacle
  Import(points);
  EXPECT_TRUE(BackgroundFitThreadExists());
  StopBackgroundFit();
}

TEST_F(FitThreads, BackgroundFitIsStoppedAndJoinedBeforeADataChange) {
  SetBackgroundFitChoice(1, 0);  // all equations: long enough to be caught running
  Import(Grid(20, Bumpy));
  EXPECT_TRUE(BackgroundFitThreadExists());
  SetBackgroundFitChoice(3, 0);
  Import(Grid(4, Plane));
  ASSERT_EQ(joinedAtDataChange_.size(), 2u);
  EXPECT_TRUE(joinedAtDataChange_[1]);
  // Only the fit of the new data is ever published.
  ASSERT_TRUE(queue_.PumpUntil([&] { return !dones_.empty(); }));
  StopFitThread();
  queue_.PumpAll();
  EXPECT_EQ(dones_.size(), 1u);
  EXPECT_EQ(session_.FitResultsValid, 1);
}

TEST_F(FitThreads, AStopBeforePublicationPublishesNothing) {
  SetBackgroundFitChoice(3, kBgFitFlagBeep);
  Import(Grid(4, Plane));
  // The run ends and its publication waits in the queue; a data change comes first.
  while (BgFitState != 0) std::this_thread::sleep_for(1ms);
  StopBackgroundFit();
  queue_.PumpAll();
  EXPECT_TRUE(dones_.empty());
  EXPECT_EQ(beeps_, 0);
  EXPECT_EQ(session_.FitResultsValid, 0);
  EXPECT_EQ(session_.FitCount, 0);
}

// A window that changes the statuses for a while holds the background fit: published
// results stay through the hold and the resume; a run the hold cut short before it published
// starts again on the resume and publishes; a foreground fit after a hold is never followed
// by a background run that would void its results.
TEST_F(FitThreads, AHoldKeepsTheResultsAndAResumeStartsACutShortRunAgain) {
  SetBackgroundFitChoice(3, 0);  // simple equations
  Import(Grid(4, Plane));
  ASSERT_TRUE(queue_.PumpUntil([&] { return !dones_.empty(); }));
  const int fits = session_.FitCount;
  ASSERT_GT(fits, 0);
  HoldBackgroundFit();
  ResumeBackgroundFit();  // nothing was cut short: nothing starts
  EXPECT_FALSE(BackgroundFitThreadExists());
  EXPECT_EQ(session_.FitResultsValid, 1);
  EXPECT_EQ(session_.FitCount, fits);

  // Held before its results are published (the queue is not served meanwhile).
  dones_.clear();
  Import(Grid(5, Plane));
  ASSERT_TRUE(BackgroundFitThreadExists());
  HoldBackgroundFit();
  EXPECT_FALSE(BackgroundFitThreadExists());
  queue_.PumpAll();
  EXPECT_TRUE(dones_.empty());
  ResumeBackgroundFit();
  EXPECT_TRUE(BackgroundFitThreadExists());
  ASSERT_TRUE(queue_.PumpUntil([&] { return !dones_.empty(); }));
  EXPECT_EQ(session_.FitResultsValid, 1);

  // A foreground fit begins after a hold that cut a run short.
  dones_.clear();
  Import(Grid(6, Plane));
  HoldBackgroundFit();
  StopBackgroundFitKeepingResults();
  ResumeBackgroundFit();
  EXPECT_FALSE(BackgroundFitThreadExists());
}

// A run's asks of its go-on question, counted by a watcher around the question the fit
// thread gave it, and the count at its first no (the moment the run saw the stop).
struct TAskCount {
  std::atomic<int> asks{0};
  std::atomic<int> atFirstNo{-1};
  std::atomic<int> runs{0};
  void Watch() {
    SetFitRunWatcher([this](TFitRunContext& ctx) {
      ++runs;
      ctx.goOn = [this, ask = ctx.goOn] {
        const int n = ++asks;
        const bool on = ask();
        int none = -1;
        if (!on) atFirstNo.compare_exchange_strong(none, n);
        return on;
      };
    });
  }
  ~TAskCount() { SetFitRunWatcher({}); }
};

// The session's own user-defined functions, bound to the language for the test.
struct SessionFunctions {
  explicit SessionFunctions(TSession& session) {
    ExprBindDataStats(&session.DataStats);
    ExprBindUdfTable(&session.UdfTable);
    ExprStartUp();
  }
  ~SessionFunctions() {
    FreeAllUdfs();
    ExprThreadContext().CurrentUdf = 0;
    ExprBindUdfTable(nullptr);
    ExprBindDataStats(nullptr);
  }
};

// A held, stopped or cancelled fit while a costly user function is evaluated: each value
// of F1 x a million terms, 529 points, three values a point for two parameters, so that
// one Marquardt pass asks the run's question 6.2 million times (minutes). The hold, the
// stop and the Cancel must come back with the run ended at its next safe points: after
// the run first answered no, each thread and each block of the pass asks once more at
// most. Nothing of the stopped run is published; the held one starts again on the resume.
TEST_F(FitThreads, AHoldStopOrCancelEndsACostlyUserFunctionMidPass) {
  Import(Grid(23, Bumpy));
  StopBackgroundFit();
  SessionFunctions functions(session_);
  fit_test::DefineUserFunction(0, "F1=1+SIN($*X+Y)/1E7\r\nZ=A0*PROD(1,1,999999,1)+A1*X+0*Y", {1, 1});
  ASSERT_TRUE(UdfReadyToFit(0));
  const int threads = static_cast<int>(BlockThreadCount(0));
  const int blocks = (23 * 23 + kBlockPoints - 1) / kBlockPoints;
  const int bound = 2 * (threads + blocks);
  const auto endedAtOnce = [&](const TAskCount& c, const char* road) {
    ASSERT_GT(c.atFirstNo.load(), 0) << road;
    EXPECT_LE(c.asks.load() - c.atFirstNo.load(), bound) << road;
  };
  SetBackgroundFitChoice(11, 0);  // the current user functions

  {  // A hold (Surface-Fit Preferences, the user-function dialog), then the resume.
    TAskCount count;
    count.Watch();
    StartBackgroundFit(session_);
    ASSERT_TRUE(queue_.PumpUntil([&] { return count.asks > 0; }));
    HoldBackgroundFit();
    EXPECT_FALSE(BackgroundFitThreadExists());
    endedAtOnce(count, "hold");
    queue_.PumpAll();
    EXPECT_TRUE(dones_.empty());
    EXPECT_EQ(session_.FitResultsValid, 0);
    EXPECT_EQ(session_.FitCount, 0);
    // The run the hold cut short starts again, and a stop ends it as soon.
    const int before = count.asks;
    ResumeBackgroundFit();
    EXPECT_TRUE(BackgroundFitThreadExists());
    ASSERT_TRUE(queue_.PumpUntil([&] { return count.asks > before; }));
    EXPECT_EQ(count.runs, 2);
    count.atFirstNo = -1;
    StopBackgroundFit();
    EXPECT_FALSE(BackgroundFitThreadExists());
    endedAtOnce(count, "stop");
    queue_.PumpAll();
    EXPECT_TRUE(dones_.empty());
    EXPECT_EQ(session_.FitResultsValid, 0);
  }

  {  // A fit command's Cancel.
    TAskCount count;
    count.Watch();
    const TFitCommand command = BeginFitCommand(session_, kFitKindUserFunctions);
    RecordingSink sink(session_);
    ASSERT_TRUE(StartFitThread(MakeFitJob(session_, session_.FitSelection, session_.FitOptions)));
    ASSERT_TRUE(queue_.PumpUntil([&] { return count.asks > 0; }));
    EXPECT_EQ(EndFitCommand(session_, command, kFitDlgCancel), -1);
    EXPECT_FALSE(FitThreadRunning());
    endedAtOnce(count, "cancel");
    queue_.PumpAll();
    EXPECT_FALSE(sink.Got(kFitMsgComplete));
    EXPECT_EQ(session_.FitList.Count(), 0);
    EXPECT_EQ(session_.FitResultsValid, 0);
  }
}

// Stop Current Fit while a costly user function is evaluated (the function of the test
// above: a Marquardt pass asks the run's question 6.2 million times, minutes). The skip is
// taken at the evaluation's next safe point: that equation ends there, without a record, for
// its parameters were never measured on every point; the run goes on with the next equation
// (a cheap one, fitted and listed) and to its end. After the skip was taken, each block of the
// stopped pass asks at most once more. The skip waited for the pass to end and for the
// iteration report after it: the fit had not ended after 7 min 48 s.
TEST_F(FitThreads, StopCurrentFitEndsACostlyUserFunctionMidPassAndTheRunGoesOn) {
  Import(Grid(23, Bumpy));
  StopBackgroundFit();
  SessionFunctions functions(session_);
  // Taken from the end of the jobs: the costly function first, then the cheap one.
  fit_test::DefineUserFunction(0, "Z=A0+A1*X+0*Y", {1, 1});
  fit_test::DefineUserFunction(1, "F1=1+SIN($*X+Y)/1E7\r\nZ=A0*PROD(1,1,999999,1)+A1*X+0*Y", {1, 1});
  ASSERT_TRUE(UdfReadyToFit(0) && UdfReadyToFit(1));
  std::atomic<int> asks{0}, atSkip{-1}, skipsTaken{0};
  SetFitRunWatcher([&](TFitRunContext& ctx) {
    ctx.nonlinearThreads = 1;  // one equation at a time: the skip meets the costly one
    ctx.goOn = [&, ask = ctx.goOn] {
      ++asks;
      return ask();
    };
    ctx.skipAsked = [&, take = ctx.skipAsked] {
      const bool taken = take();
      if (taken) {
        atSkip = asks.load();
        ++skipsTaken;
      }
      return taken;
    };
  });
  const TFitCommand command = BeginFitCommand(session_, kFitKindUserFunctions);
  RecordingSink sink(session_);
  ASSERT_TRUE(StartFitThread(MakeFitJob(session_, session_.FitSelection, session_.FitOptions)));
  ASSERT_TRUE(queue_.PumpUntil([&] { return asks > 0; }));
  FitSkip = 1;  // the progress dialog's "&Stop Current Fit"
  ASSERT_TRUE(queue_.PumpUntil([&] { return sink.Got(kFitMsgComplete); }));
  SetFitRunWatcher({});
  EXPECT_EQ(skipsTaken, 1);
  EXPECT_EQ(FitSkip, 0);
  ASSERT_GT(atSkip.load(), 0);
  const int blocks = (23 * 23 + kBlockPoints - 1) / kBlockPoints;
  // The cheap function's evaluations ask too, a few hundred times: bounded by its passes.
  EXPECT_LE(asks - atSkip, blocks + 2000);
  EXPECT_FALSE(sink.Got(kFitMsgAbort));
  (void)EndFitCommand(session_, command, kFitDlgOk);
  ASSERT_EQ(session_.FitList.Count(), 1);
  EXPECT_EQ(session_.FitList.Ranked()[0]->equationNumber, UdfEquationNumber(0));
}

}  // namespace
