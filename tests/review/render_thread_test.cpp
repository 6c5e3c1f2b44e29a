// The review's render thread on a real fit run with user functions among its ranks: its
// pictures are the window's own, they do not change while the window refits other ranks on
// its thread, and every way of ending a run (stop mid-drawing, a full cache, a stop while a
// report waits, a new order) leaves the cache and the state as they should be. These tests
// run under ThreadSanitizer (scripts/sanitize tsan-threads).
#include "review/render_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "app/settings_file.h"
#include "fit/confidence_limits.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_refit.h"
#include "fit/fit_test_data.h"
#include "fit/session.h"
#include "graph3d/frame_codec.h"
#include "graph3d/graph_options.h"
#include "graph3d/renderer.h"
#include "platform/gui_thread.h"
#include "review/equation_text.h"
#include "review/graph_title_layout.h"
#include "review/recording_surface.h"
#include "review/review_rules.h"
#include "review/review_surface.h"
#include "tools/udf/udf_evaluation.h"

namespace {

using namespace fit_test;
using review_test::RecordingSurface;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 240, kHeight = 180;

// z = 2 + 0.5·x·y + 0.3·y² (+ a little noise) over [-2, 2]².
PointTable Saddle() {
  return GridTable(Axis(-2, 0.5L, 9), Axis(-2, 0.5L, 9), [](long double x, long double y) {
    return 2 + 0.5L * x * y + 0.3L * y * y + 0.01L * std::sin(3 * x + y);
  });
}

// Waits (in small steps, at most 60 s) until the condition holds.
template <class F>
bool WaitFor(F condition) {
  const auto end = Clock::now() + std::chrono::seconds(60);
  while (!condition()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// A user-interface thread that queues what is posted to it until the test runs it.
class QueuedDispatcher : public platform::UiDispatcher {
 public:
  QueuedDispatcher() : ui_(std::this_thread::get_id()) { previous_ = platform::SetUiDispatcher(this); }
  ~QueuedDispatcher() override { platform::SetUiDispatcher(previous_); }
  bool OnUiThread() const override { return std::this_thread::get_id() == ui_; }
  void Post(std::function<void()> task) override {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  void Send(std::function<void()> task) override { Post(std::move(task)); }
  std::size_t Queued() {
    std::lock_guard lock(mutex_);
    return tasks_.size();
  }
  void RunQueued() {
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard lock(mutex_);
      tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
  }

 private:
  std::thread::id ui_;
  platform::UiDispatcher* previous_ = nullptr;
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
};

class RenderThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CurrentSettings() = DefaultSettings(1280, 1024);
    DefineUserFunction(2, "Z=A0+A1*X*Y+A2*Y*Y", {1, 1, 1});
    DefineUserFunction(5, "Z=A0+A1*EXP(A2*X*Y)", {2, 0.5L, 0.1L});
    for (int k : {2, 5})
      session.UdfTable[static_cast<std::size_t>(k)] = std::make_unique<TUdfRecord>(*BoundUdfTable()[static_cast<std::size_t>(k)]);
    ASSERT_GT(PublishRun(session, Saddle(), LinearSelection(0xFFFF, 0, 0), &session.UdfTable), 0);
    // Twenty rows with the user functions among them.
    for (int rank = 1; rank <= session.FitList.Count(); ++rank)
      if (IsUdfRank(session, rank)) ranks.push_back(rank);
    ASSERT_EQ(ranks.size(), 2u);
    for (int rank = 1; rank <= session.FitList.Count() && ranks.size() < 20; ++rank)
      if (!IsUdfRank(session, rank)) ranks.push_back(rank);
    ASSERT_EQ(ranks.size(), 20u);
    options = std::make_unique<TGraphOptions>(CurrentSettings(), kGraphDataStatusFits, kPointsDataStatusFits,
                                              kPlaceReviewGraphFirst);
    SetDataRanges(options->Setup().Scaling, session.DataStats);
    // A coarse mesh keeps the runs short under ThreadSanitizer.
    options->view.MeshX = options->view.MeshY = 12;
    options->Setup().Titles = &options->customTitles;
    options->Setup().TitleSettings = &options->titles;
    cache.Init(100000);
  }

  TRenderLook Look(int limitsMode = kLimitsNone) const {
    TRenderLook look;
    look.graphRect = {1, 1, kWidth - 2, kHeight - 2};
    look.width = kWidth;
    look.height = kHeight;
    look.limitsMode = limitsMode;
    look.limitsLevel = 2;
    look.titleLines = 5;
    look.titleDigits = 8;
    look.imageKind = kImageLzwBits;
    return look;
  }
  std::unique_ptr<TRenderSnapshot> Snapshot(const std::vector<int>& rows, int limitsMode = kLimitsNone) {
    return MakeRenderSnapshot(session, rows, options->Setup(), Look(limitsMode));
  }
  // The plain bytes the cache holds for each rank.
  std::map<int, std::vector<std::uint8_t>> Pictures() {
    std::map<int, std::vector<std::uint8_t>> pictures;
    for (int rank = 1; rank <= session.FitList.Count(); ++rank) {
      cache.SetKey(rank);
      std::vector<std::uint8_t> plain;
      if (cache.ExpandFrame(plain)) pictures[rank] = std::move(plain);
    }
    return pictures;
  }
  static platform::ImageSurfaceFactory Recorders() {
    return [](int w, int h) { return std::make_unique<RecordingSurface>(w, h); };
  }

  UserFunctionScope scope;
  TSession session;
  std::vector<int> ranks;
  std::unique_ptr<TGraphOptions> options;
  TImageCache cache;
};

TEST_F(RenderThreadTest, PicturesAreTheWindowsOwnFrames) {
  TRenderThread thread(cache, Recorders());
  ASSERT_TRUE(thread.Start(Snapshot(ranks, kLimitsPrediction)));
  ASSERT_TRUE(WaitFor([&] { return thread.State() == TRenderThread::kIdle; }));
  const std::map<int, std::vector<std::uint8_t>> pictures = Pictures();
  ASSERT_EQ(pictures.size(), 20u);

  // The window's way to a frame: the rank made current, its titles laid out, the record's
  // surface and limits over the current fit, the pane erased and drawn on the window's
  // rectangle.
  for (const int rank : {ranks[0], ranks[1], ranks[7]}) {
    ASSERT_TRUE(MakeRankCurrent(session, rank, kRefitCovariance));
    T3DGraphSetup& setup = options->Setup();
    setup.SurfaceFn = [this](long double x, long double y) { return SurfaceZ(session.CurFit, kSurfaceZ, x, y); };
    setup.LimitFn = [this](long double x, long double y, long double z) {
      return LimitAtLevel(session.CurFit, 2, true, x, y, z);
    };
    setup.LimitKind = RendererLimitKind(kLimitsPrediction);
    setup.Points = [this] { return std::span<const TXYZPoint>(session.Table.XYZData()); };
    options->points.FitRecord = &session.CurFit.eqn.fitStdError;
    FormatCurrentFitTitles(options->titles, session, 5, kSurfaceZ, 8);
    (void)LayoutGraphTitles(options->customTitles, options->titles, 12.0f);
    T3DBase renderer;
    ASSERT_TRUE(renderer.SetData(&setup));
    renderer.SetGraphRect(Look().graphRect);
    renderer.PrepareTitles();
    renderer.DeleteFonts();
    renderer.CreateScreenFonts();
    renderer.Recompute();
    renderer.Prepare();
    RecordingSurface surface(kWidth, kHeight);
    renderer.EraseSurface(surface.Context(), kWidth, kHeight);
    renderer.Draw(surface.Context(), kDrawScreen);
    std::unique_ptr<TLZW> frame = EncodeFramePixels(surface.Pixels(), kWidth, kHeight, kImageLzwBits, rank);
    ASSERT_NE(frame, nullptr);
    const std::uint8_t* plain = frame->Lock();
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(plain, plain + frame->PlainSize()), pictures.at(rank)) << "rank " << rank;
    frame->Unlock();
    setup.SurfaceFn = nullptr;
    setup.LimitFn = nullptr;
    setup.Points = nullptr;
  }
}

TEST_F(RenderThreadTest, PicturesDoNotChangeWhileTheWindowRefitsOtherRanks) {
  // In the second run the tenth picture waits for the refits below, so that the two
  // overlap however the machine schedules the threads.
  std::atomic<bool> holdTenth{false};
  std::atomic<int> pictures{0}, refits{0};
  const int listCount = session.FitList.Count();
  TRenderThread thread(cache, [&](int w, int h) {
    const int index = ++pictures;
    return std::make_unique<RecordingSurface>(w, h, [&, index] {
      if (holdTenth && index == 10) (void)WaitFor([&] { return refits.load() > listCount; });
    });
  });
  ASSERT_TRUE(thread.Start(Snapshot(ranks, kLimitsConfidence)));
  ASSERT_TRUE(WaitFor([&] { return thread.State() == TRenderThread::kIdle; }));
  const std::map<int, std::vector<std::uint8_t>> idle = Pictures();
  ASSERT_EQ(idle.size(), 20u);

  // Again, while this thread refits and evaluates every rank of the list (the user
  // functions' among them) with their limits, as the window does when the user steps.
  cache.Clear();
  pictures = 0;
  holdTenth = true;
  ASSERT_TRUE(thread.Start(Snapshot(ranks, kLimitsConfidence)));
  long double sum = 0;
  while (thread.State() != TRenderThread::kIdle) {
    const int rank = 1 + refits % listCount;
    ASSERT_TRUE(MakeRankCurrent(session, rank, kRefitCovariance));
    for (int i = 0; i < 5; ++i) sum += EvalFitZ(session.CurFit, -1 + 0.4L * i, 0.3L * i);
    sum += ConfidenceLimit(session.CurFit, 0.5L, 0.5L, EvalFitZ(session.CurFit, 0.5L, 0.5L));
    ++refits;
  }
  EXPECT_GT(refits.load(), listCount);  // the refits went on all the while
  EXPECT_TRUE(std::isfinite(sum));
  EXPECT_EQ(Pictures(), idle);
}

TEST_F(RenderThreadTest, StopWhileDrawingClearsTheCacheAndIdles) {
  // The third picture holds its 40th figure until the stop is asked for.
  std::atomic<int> pictures{0};
  std::atomic<bool> held{false};
  TRenderThread* running = nullptr;
  TRenderThread thread(cache, [&](int w, int h) {
    const int index = ++pictures;
    auto figures = std::make_shared<int>(0);
    return std::make_unique<RecordingSurface>(w, h, [&, index, figures] {
      if (index != 3 || ++*figures != 40) return;
      held = true;
      (void)WaitFor([&] { return running->State() == TRenderThread::kStopRequested; });
    });
  });
  running = &thread;
  ASSERT_TRUE(thread.Start(Snapshot(ranks)));
  ASSERT_TRUE(WaitFor([&] { return held.load(); }));
  int count = 0;
  EXPECT_EQ(cache.CachedBytes(&count) > 0, true);
  EXPECT_EQ(count, 2);
  thread.Stop();
  EXPECT_EQ(thread.State(), TRenderThread::kIdle);
  EXPECT_EQ(cache.CachedBytes(&count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(pictures.load(), 3);  // no picture after the stop
  EXPECT_EQ(thread.RowsDone(), 2);
}

// A user function that takes minutes to draw (a product of a million terms of a line with a
// sine at every node of the mesh, and its covariance for the limits): a stop while the thread
// evaluates it ends the run at the evaluations' next safe point, and Stop returns without
// waiting for the picture. The thread asked nothing before and Stop waited for the whole
// row.
TEST_F(RenderThreadTest, AStopEndsAUserFunctionThatTakesMinutesToDraw) {
  DefineUserFunction(5, "F1=1+SIN($*X+Y)/1E7\r\nZ=A0+A1*EXP(A2*X*Y)*PROD(1,1,999999,1)", {2, 0.5L, 0.1L});
  std::atomic<int> asks{0};
  TRenderThread thread(cache, Recorders());
  thread.SetQuestionWatcher([&] { ++asks; });
  int udfRank = 0;
  for (const int rank : ranks)
    if (session.FitList.At(rank)->equationNumber == UdfEquationNumber(5)) udfRank = rank;
  ASSERT_GT(udfRank, 0);
  ASSERT_TRUE(thread.Start(Snapshot({udfRank, ranks[5]}, kLimitsConfidence)));
  ASSERT_TRUE(WaitFor([&] { return asks.load() > 0; }));
  thread.Stop();
  EXPECT_EQ(thread.State(), TRenderThread::kIdle);
  // Each evaluation after the stop gives up at its first line: the 144 nodes of the mesh and
  // the covariance's points ask once each at most.
  const int atStop = asks.load();
  EXPECT_EQ(thread.RowsDone(), 1);
  int count = 0;
  EXPECT_EQ(cache.CachedBytes(&count), 0);
  // A new run on the cheap rank alone draws its picture.
  thread.SetQuestionWatcher({});
  ASSERT_TRUE(thread.Start(Snapshot({ranks[5]})));
  ASSERT_TRUE(WaitFor([&] { return thread.State() == TRenderThread::kIdle; }));
  EXPECT_EQ(Pictures().count(ranks[5]), 1u);
  EXPECT_EQ(asks.load(), atStop);
}

TEST_F(RenderThreadTest, ACacheWithoutRoomKeepsOnePictureAndEndsTheRun) {
  cache.Init(0);
  TRenderThread thread(cache, Recorders());
  ASSERT_TRUE(thread.Start(Snapshot(ranks)));
  ASSERT_TRUE(WaitFor([&] { return thread.State() == TRenderThread::kIdle; }));
  thread.Stop();  // joins a finished run: nothing is cleared
  int count = 0;
  EXPECT_GT(cache.CachedBytes(&count), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(thread.RowsDone(), 2);  // the second picture was refused
  EXPECT_EQ(Pictures().begin()->first, ranks[0]);
}

TEST_F(RenderThreadTest, StopReturnsWhileAReportWaitsForTheWindow) {
  QueuedDispatcher ui;
  int delivered = 0;
  {
    TRenderThread thread(cache, Recorders());
    thread.SetReportHandler([&](const TRenderReport& report) {
      EXPECT_TRUE(ui.OnUiThread());
      EXPECT_GT(report.storedBytes, 0);
      ++delivered;
    });
    ASSERT_TRUE(thread.Start(Snapshot(ranks)));
    // The window does not take its reports while it asks the thread to stop.
    ASSERT_TRUE(WaitFor([&] { return ui.Queued() >= 2; }));
    thread.Stop();
    EXPECT_EQ(thread.State(), TRenderThread::kIdle);
    const std::size_t queued = ui.Queued();
    ui.RunQueued();
    EXPECT_EQ(delivered, static_cast<int>(queued));
    ASSERT_TRUE(thread.Start(Snapshot(ranks)));
    ASSERT_TRUE(WaitFor([&] { return ui.Queued() >= 1; }));
  }
  // Reports of a thread whose owner has gone find no one.
  const int before = delivered;
  ui.RunQueued();
  EXPECT_EQ(delivered, before);
}

TEST_F(RenderThreadTest, ANewOrderRestartsTheRunFromItsFirstRow) {
  std::mutex mutex;
  std::vector<int> stored;
  std::atomic<int> pictures{0};
  std::atomic<bool> gate{false};
  TRenderThread* running = nullptr;
  TRenderThread thread(cache, [&](int w, int h) {
    // The first run waits before its third picture until the list is re-sorted.
    if (++pictures == 3)
      (void)WaitFor([&] { return gate.load() || running->State() == TRenderThread::kStopRequested; });
    return std::make_unique<RecordingSurface>(w, h);
  });
  running = &thread;
  thread.SetReportHandler([&](const TRenderReport& report) {
    std::lock_guard lock(mutex);
    stored.push_back(report.rank);
  });
  ASSERT_TRUE(thread.Start(Snapshot(ranks)));
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard lock(mutex);
    return stored.size() == 2;
  }));
  // The re-sort: the owner stops the thread, clears the cache and starts the new order.
  const std::vector<int> reversed(ranks.rbegin(), ranks.rend());
  thread.Stop();
  cache.Clear();
  {
    std::lock_guard lock(mutex);
    stored.clear();
  }
  gate = true;
  ASSERT_TRUE(thread.Start(Snapshot(reversed)));
  ASSERT_TRUE(WaitFor([&] { return thread.State() == TRenderThread::kIdle; }));
  std::lock_guard lock(mutex);
  EXPECT_EQ(stored, reversed);
  int count = 0;
  cache.CachedBytes(&count);
  EXPECT_EQ(count, 20);
}

TEST_F(RenderThreadTest, SnapshotLeavesOutRanksOutsideTheListAndCopiesTheRecords) {
  std::vector<int> rows = {0, ranks[0], session.FitList.Count() + 1, ranks[1]};
  std::unique_ptr<TRenderSnapshot> s = Snapshot(rows);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->ranks, (std::vector<int>{ranks[0], ranks[1]}));
  EXPECT_EQ(s->fits[0].equationNumber, session.FitList.At(ranks[0])->equationNumber);
  EXPECT_EQ(s->table.size(), session.Table.XYZData().size());
  // The record's option pointers lead into the snapshot, and its renderer never writes back.
  EXPECT_EQ(s->setup.View, &s->view);
  EXPECT_EQ(s->setup.PointsOpt, &s->points);
  EXPECT_EQ(s->setup.Titles, &s->customTitles);
  EXPECT_EQ(s->setup.LockMask, kLockEverything);
  TRenderThread thread(cache, Recorders());
  EXPECT_FALSE(thread.Start(Snapshot({0, -3})));  // no row: nothing starts
  EXPECT_EQ(thread.State(), TRenderThread::kIdle);
}

}  // namespace
