#include "fit/background_fit.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <system_error>
#include <thread>

#include "app/background_fit_hold.h"
#include "app/byte_codec.h"
#include "app/data_files.h"
#include "app/fpu_control.h"
#include "app/prescan_hooks.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "fit/fit_kinds.h"
#include "fit/fit_list.h"
#include "fit/fit_ranking.h"
#include "fit/fit_refit.h"
#include "fit/fit_results.h"
#include "fit/fit_run.h"
#include "fit/fit_threads.h"
#include "fit/session.h"
#include "platform/gui_thread.h"

std::atomic<int> BgFitState{0};
std::atomic<int> BgFitDone{0};

namespace {

constexpr int kMinActivePoints = 4;

// One background run: its copies, its own list and its context, shared by the thread and the
// task that publishes its results.
struct TBackgroundRun {
  TBackgroundRun(TSession& s, TFitJob j)
      : session(s),
        job(std::move(j)),
        ctx(job.table, job.stats, job.selection, job.options, job.outcome.list) {
    ctx.udfs = &job.udfs;
  }
  TSession& session;  // whose data were copied, and where the results go
  TFitJob job;
  TFitRunContext ctx;
  int generation = 0;
  int result = -1;
};

std::thread g_thread;           // started and joined on the user-interface thread
// Counts starts and stops; a publishing task of an older generation does nothing.
std::atomic<int> g_generation{0};
// User-interface thread only. A run started and not yet published (or stopped) ...
bool g_unpublished = false;
// ... and a run of that kind that a hold stopped: the data it fitted may come back.
bool g_heldUnpublished = false;

std::uint32_t BlockWord(std::size_t offset) {
  const Block& b = CurrentSettings().backgroundFitBlock;
  if (b.size() < offset + 4) return 0;
  return bytes::ByteReader(std::span(b).subspan(offset, 4)).U32();
}

void SetBlockWord(std::size_t offset, std::uint32_t value) {
  Block& b = CurrentSettings().backgroundFitBlock;
  if (b.size() < kThreadBlockSize) b.resize(kThreadBlockSize, 0);
  bytes::ByteWriter w;
  w.Raw(b);
  w.PatchU32(offset, value);
  b = w.Take();
}

// One step below the normal priority: a nice value one higher for this thread only (Linux
// keeps a nice value per thread). Failure leaves the normal priority, which only costs
// responsiveness.
void LowerThisThreadPriority() {
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, tid);
  if (errno == 0) ::setpriority(PRIO_PROCESS, tid, nice + 1);
}

// Stops and joins a running fit; a run that has not published never will.
void StopRun() {
  int running = 1;
  BgFitState.compare_exchange_strong(running, -1);
  if (g_thread.joinable()) g_thread.join();
  ++g_generation;
  BgFitState = 0;
  g_unpublished = false;
}

int AnswerUnlessStopped() { return BgFitState.load() == -1 ? 0 : 1; }

// On the user-interface thread: the run's results become the session's fit results.
void PublishBackgroundRun(TBackgroundRun& run) {
  if (run.generation != g_generation.load()) return;  // stopped since
  g_unpublished = false;
  TSession& session = run.session;
  PublishFitResults(session, std::move(run.job.outcome));
  if (DataFileHooks().SetHaveFits) DataFileHooks().SetHaveFits(session.FitResultsValid);
  const TBackgroundFitHooks& hooks = BackgroundFitHooks();
  if ((BackgroundFitFlags() & kBgFitFlagBeep) && hooks.Beep) hooks.Beep();
  if (session.FitResultsValid) {
    BgFitDone = 1;
    if (hooks.Done) hooks.Done();
  }
}

void BgFitThreadProc(const std::shared_ptr<TBackgroundRun>& run) {
  SetProgramFpuControl();
  LowerThisThreadPriority();
  TFitRunContext& ctx = run->ctx;
  ctx.progress = [](int, float, std::uint32_t, int) { return AnswerUnlessStopped(); };
  ctx.status = [](int, int, float, std::uint32_t, int, std::uint32_t, long double) {
    return AnswerUnlessStopped();
  };
  // A stop or hold waits for this thread: its evaluations end at their next safe point.
  ctx.goOn = [] { return AnswerUnlessStopped() != 0; };
  WatchFitRun(ctx);
  if (CountFitRun(ctx)) {
    run->result = RunFitFamilies(ctx);
    if (run->result != -1) {
      TFitRunOutcome& outcome = run->job.outcome;
      if (ctx.Listed() > 1)
        SortFitList(outcome.list, static_cast<int>(run->job.options.sortCriterion));
      outcome.products = FitRunProductsOf(ctx);
      platform::PostToUi([run] { PublishBackgroundRun(*run); });
    }
  }
  int running = 1;
  BgFitState.compare_exchange_strong(running, 0);
}

}  // namespace

int BackgroundFitType() {
  const std::uint32_t type = BlockWord(kBgFitTypeOffset);
  return type < static_cast<std::uint32_t>(kBackgroundFitTypeCount) ? static_cast<int>(type) : 0;
}

std::uint32_t BackgroundFitFlags() { return BlockWord(kBgFitFlagsOffset) & 3u; }

void SetBackgroundFitChoice(int type, std::uint32_t flags) {
  platform::AssertUiThread();
  if (type < 0 || type >= kBackgroundFitTypeCount) type = kBackgroundFitNone;
  SetBlockWord(kBgFitTypeOffset, static_cast<std::uint32_t>(type));
  SetBlockWord(kBgFitFlagsOffset, flags & 3u);
}

TBackgroundFitHooks& BackgroundFitHooks() {
  static TBackgroundFitHooks hooks;
  return hooks;
}

void StartBackgroundFit(TSession& session) {
  platform::AssertUiThread();
  StopBackgroundFitThread(session);
  const int kind = FitKindOfBackgroundType(BackgroundFitType());
  // Never beside a foreground run: both write the one fit list.
  if (kind < 0 || session.DataStats.ActiveCount < kMinActivePoints || !HasWeightedStatistics(session.DataStats) ||
      Exiting || FitThreadRunning())
    return;
  TFitSelection selection = session.FitSelection;
  TFitOptions options = session.FitOptions;
  SetSelectionForFitKind(kind, selection, options);
  auto run = std::make_shared<TBackgroundRun>(session, MakeFitJob(session, selection, options));
  if (run->job.table.empty()) return;  // no memory for the copy: no background fit
  run->generation = ++g_generation;
  BgFitState = 1;
  BgFitDone = 0;
  try {
    g_thread = std::thread([run] { BgFitThreadProc(run); });
    g_unpublished = true;
  } catch (const std::system_error&) {
    BgFitState = 0;
  }
}

void StopBackgroundFitKeepingResults() {
  StopRun();
  // Other results follow (a foreground run's): a held run must not start and void them.
  g_heldUnpublished = false;
}

void StopBackgroundFitThread(TSession& session) {
  platform::AssertUiThread();
  StopBackgroundFitKeepingResults();
  if (DataFileHooks().SetHaveFits) DataFileHooks().SetHaveFits(0);
  VoidFitList(session);
  BgFitDone = 0;
  // Whatever a hold kept is void now; the pre-scan that follows starts a fit of its own.
  g_heldUnpublished = false;
}

bool BackgroundFitThreadExists() { return g_thread.joinable(); }

void InstallBackgroundFit(TSession& session) {
  // The pre-scan of this session's table restarts its background fit; a pre-scan of any
  // other table leaves it and this session's results alone.
  const TDataSession* const data = &session;
  TPrescanHooks& hooks = PrescanHooks();
  hooks.StartBackgroundFit = [&session, data](TDataSession& prescanned) {
    if (&prescanned == data) StartBackgroundFit(session);
  };
  hooks.VoidFitResults = [&session, data](TDataSession& prescanned) {
    // Joined first: a run of the old data must neither write the list nor publish.
    if (&prescanned == data) StopBackgroundFitThread(session);
  };
  SetBackgroundFitStopper([&session] { StopBackgroundFitThread(session); });
  SetBackgroundFitHolder(
      [] {
        g_heldUnpublished = g_heldUnpublished || g_unpublished;
        StopRun();
      },
      [&session] {
        if (!g_heldUnpublished) return;
        g_heldUnpublished = false;
        StartBackgroundFit(session);
      });
}
