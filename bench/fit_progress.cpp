// What the progress reports cost a foreground fit run: the same run timed without
// callbacks, and as the fit worker runs it, every report carried as a message to a
// user-interface thread (here a thread that serves a queue) and waited for.
//
//   bench_fit_progress [--points N] [--kind K]   N points (default 16384) of a smooth
//                                                surface; K a fit kind 0..10 (default 6,
//                                                polynomial and rational)
//
// Prints both times, the messages and sends (at most one a report interval) and the mean cost
// of a send.
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "app/c_format.h"
#include "app/data_statistics.h"
#include "fit/fit_kinds.h"
#include "fit/fit_list.h"
#include "fit/fit_progress.h"
#include "fit/fit_run.h"
#include "platform/gui_thread.h"

namespace {

using Clock = std::chrono::steady_clock;

// A user-interface thread that runs whatever is posted to it.
class ServingDispatcher : public platform::UiDispatcher {
 public:
  ServingDispatcher() : thread_([this] { Serve(); }) {}
  ~ServingDispatcher() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  bool OnUiThread() const override { return std::this_thread::get_id() == thread_.get_id(); }
  void Post(std::function<void()> task) override {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(task));
    }
    wake_.notify_all();
  }
  void Send(std::function<void()> task) override { (void)platform::SendToUiUnless(std::move(task), never_); }  // never stopped

 private:
  void Serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (queue_.empty()) return;
      auto task = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      task();
      lock.lock();
    }
  }
  std::atomic<int> never_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool stop_ = false;
  std::thread thread_;
};

PointTable Surface(int n) {
  PointTable table = NewPointTable(n);
  const int side = static_cast<int>(std::ceil(std::sqrt(n)));
  for (int i = 1; i <= n; ++i) {
    TXYZPoint& p = table[static_cast<std::size_t>(i)];
    p.X = 1 + (i - 1) % side;
    p.Y = 1 + (i - 1) / side;
    p.Z = 50 + 12 * std::exp(-std::pow((p.X - side / 2.0L) / 30, 2) - std::pow((p.Y - side / 2.0L) / 25, 2)) +
          0.3L * std::sin(0.7L * i);
    p.W = 1;
    p.Status = kPointActive;
  }
  return table;
}

double RunSeconds(PointTable& table, const TDataStats& stats, const TFitSelection& s,
                  const TFitOptions& o, TFitReporter* reporter, TFitList& list) {
  TFitRunContext ctx(table, stats, s, o, list);
  if (reporter) reporter->Install(ctx);
  CountFitRun(ctx);
  const auto start = Clock::now();
  RunFitFamilies(ctx);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  int n = 16384, kind = kFitKindPolyRational;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--points") == 0) n = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--kind") == 0) kind = std::atoi(argv[i + 1]);
  }
  if (n < 4 || n > 16384 || kind < 0 || kind >= kFitKindCount) {
    std::fprintf(stderr, "usage: bench_fit_progress [--points 4..16384] [--kind 0..10]\n");
    return 2;
  }
  PointTable table = Surface(n);
  TDataStats stats;
  ComputeTableStatistics(table, stats);
  stats.DistinctY = CountTableDistinctY(table);
  stats.DistinctX = CountTableDistinctX(table);
  TFitSelection s = DefaultFitSelection();
  TFitOptions o = DefaultFitOptions();
  SetSelectionForFitKind(kind, s, o);

  TFitList list;
  const double bare = RunSeconds(table, stats, s, o, nullptr, list);
  long long messages = 0, sends = 0;
  double reported = 0;
  {
    ServingDispatcher ui;
    platform::SetUiDispatcher(&ui);
    TFitReporter reporter([&messages, &sends](const std::vector<TFitMessage>& batch) {
      ++sends;
      const auto count = static_cast<long long>(batch.size());
      return platform::SendToUiUnless([&messages, count] { messages += count; }, FitAbort);
    });
    // The worker is this thread; the serving thread plays the user-interface thread.
    reported = RunSeconds(table, stats, s, o, &reporter, list);
    platform::SetUiDispatcher(nullptr);
  }
  std::fputs(CFormat("%d points, kind %d, %d fits\n", n, kind, list.Count()).c_str(), stdout);
  std::fputs(CFormat("run without reports  %.3f s\n", bare).c_str(), stdout);
  std::fputs(CFormat("run with reports     %.3f s  (%lld messages in %lld sends, %.1f us a send)\n",
                     reported, messages, sends,
                     sends ? (reported - bare) * 1e6 / static_cast<double>(sends) : 0.0)
                 .c_str(),
             stdout);
  return 0;
}
