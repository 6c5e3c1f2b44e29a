#include "fit/fit_threads.h"

#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "app/data_table.h"
#include "app/fpu_control.h"
#include "fit/fit_list.h"
#include "fit/fit_ranking.h"
#include "fit/fit_refit.h"
#include "fit/fit_results.h"
#include "fit/fit_run.h"
#include "fit/session.h"
#include "platform/gui_thread.h"

namespace {

TFitProgressSink* g_sink = nullptr;  // user-interface thread only
std::thread g_worker;               // started and joined on the user-interface thread
// The job of the worker last started (user-interface thread). The worker fills its outcome
// before it sends kFitMsgComplete and touches it no more, so the user-interface thread may
// take the outcome when that message arrives.
std::shared_ptr<TFitJob> g_job;
TFitRunWatcher g_watcher;  // written only while no fit thread runs

}  // namespace

void SetFitRunWatcher(TFitRunWatcher watch) { g_watcher = std::move(watch); }

void WatchFitRun(TFitRunContext& ctx) {
  if (g_watcher) g_watcher(ctx);
}

TFitJob MakeFitJob(const TSession& session, const TFitSelection& selection,
                   const TFitOptions& options) {
  TFitJob job;
  job.table = session.Table.DupDataTable();
  job.stats = session.DataStats;
  job.selection = selection;
  job.options = options;
  try {
    job.udfs = CopyUdfTable(session.UdfTable);
  } catch (const std::bad_alloc&) {
    job.table.clear();  // no memory for the copies: the run ends as out of memory
  }
  return job;
}

void SetFitProgressSink(TFitProgressSink* sink) {
  platform::AssertUiThread();
  g_sink = sink;
}

TFitProgressSink* FitProgressSink() {
  platform::AssertUiThread();
  return g_sink;
}

bool SendFitMessages(const std::vector<TFitMessage>& messages) {
  return platform::SendToUiUnless(
      [messages] {
        // The sink is looked up for each message: one of them may end the dialog.
        for (const TFitMessage& m : messages)
          if (g_sink) g_sink->EvFitProgress(m);
      },
      FitAbort);
}

int FitThreadProc(TFitJob& job) {
  SetProgramFpuControl();
  if (job.table.empty()) {
    // No memory for the copy of the data: the run ends as out of memory, without fits.
    // A run that was aborted meanwhile has no one waiting for its end.
    (void)SendFitMessages({{kFitMsgTime, 0, 0.0L, {}}, {kFitMsgComplete, -2, 0.0L, {}}});
    return 0;
  }
  TFitRunOutcome& outcome = job.outcome;
  TFitRunContext ctx(job.table, job.stats, job.selection, job.options, outcome.list);
  ctx.udfs = &job.udfs;
  TFitReporter reporter(SendFitMessages);
  reporter.Install(ctx);
  ctx.goOn = [] { return FitAbort.load() == 0; };
  ctx.skipAsked = [] { return FitSkip.exchange(0) != 0; };
  WatchFitRun(ctx);
  if (!CountFitRun(ctx)) {
    // The dialog says so and closes, rather than waiting for a run that never comes.
    (void)SendFitMessages({{kFitMsgNothingToFit, 0, 0.0L, {}}});  // aborted: no one waits
    return -1;
  }
  const int r = RunFitFamilies(ctx);
  if (r == -1) return -1;
  if (outcome.list.Count() > 1)
    SortFitList(outcome.list, static_cast<int>(job.options.sortCriterion));
  outcome.products = FitRunProductsOf(ctx);
  reporter.Flush();
  (void)SendFitMessages({{kFitMsgTime, 0, 0.0L, {}}, {kFitMsgComplete, r, 0.0L, {}}});  // aborted: no one waits
  return 0;
}

bool StartFitThread(TFitJob job) {
  if (g_worker.joinable()) return false;
  FitAbort = 0;
  FitSkip = 0;
  auto owned = std::make_shared<TFitJob>(std::move(job));
  try {
    g_worker = std::thread([owned] { FitThreadProc(*owned); });
  } catch (const std::system_error&) {
    return false;
  }
  g_job = std::move(owned);
  return true;
}

void StopFitThread() {
  if (!g_worker.joinable()) return;
  FitAbort = 1;
  g_worker.join();
  g_job.reset();
}

bool FitThreadRunning() { return g_worker.joinable(); }

void CompleteFitRun(TSession& session) {
  TFitRunOutcome outcome;
  if (g_job) {
    outcome = std::move(g_job->outcome);
    g_job.reset();
  }
  PublishFitResults(session, std::move(outcome));
}
