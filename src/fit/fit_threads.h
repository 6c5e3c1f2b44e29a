// The foreground fit: a worker thread runs one fit run on copies of the data and the blocks,
// and reports to the progress dialog through messages sent to the user-interface thread.
//
// Order of a run, with the thread each step runs on:
//   UI      MakeFitJob: copies of the XYZ data table, its statistics, both blocks and the
//           user-defined functions
//   UI      StartFitThread (the dialog does it on its start message)
//   worker  FitThreadProc: count; nothing to fit ends with kFitMsgNothingToFit; otherwise
//           the run into the job's own list, the ranking, the elapsed time and
//           kFitMsgComplete
//   UI      CompleteFitRun (the dialog on kFitMsgComplete): the run's list is published into
//           the session (PublishFitResults): rank 1 becomes the current fit, then
//           FitResultsValid is set
//   UI      StopFitThread (the dialog as it goes): FitAbort, then the join
//
// The worker's sends give up once FitAbort is set, so the user-interface thread may set it
// and join the worker at any moment without waiting for a send that it would have to serve.
#pragma once

#include <functional>

#include "app/data_statistics.h"
#include "app/xyz_point.h"
#include "expr/udf_record.h"
#include "fit/fit_blocks.h"
#include "fit/fit_progress.h"
#include "fit/fit_run.h"

struct TSession;

// Everything a run reads, copied on the user-interface thread before the worker starts, so
// that the worker never reads what the user-interface thread owns.
struct TFitJob {
  PointTable table;  // records 0..N of the XYZ data table
  TDataStats stats;
  TFitSelection selection;
  TFitOptions options;
  TUdfTable udfs;  // copies of the session's user-defined functions
  // Filled by the worker: the ranked list and the products of the finished run.
  TFitRunOutcome outcome;
};
// The copies of a session; an empty table when memory for them is short.
TFitJob MakeFitJob(const TSession& session, const TFitSelection& selection,
                   const TFitOptions& options);

// The receiver of the messages of the running foreground fit (the progress dialog).
class TFitProgressSink {
 public:
  virtual ~TFitProgressSink() = default;
  virtual void EvFitProgress(const TFitMessage& message) = 0;
};
// The sink of the running dialog, null when none; user-interface thread only (checked).
void SetFitProgressSink(TFitProgressSink* sink);
TFitProgressSink* FitProgressSink();

// Carries messages from the worker to the sink (a sink gone by then receives nothing);
// false when they were given up because FitAbort is set.
[[nodiscard]] bool SendFitMessages(const std::vector<TFitMessage>& messages);

// The worker's body: -1 when there was nothing to fit or the run was aborted, else 0.
// Its evaluations ask FitAbort whether to go on, so that Cancel ends even a pass over the
// points of a user function that runs for minutes at its next safe point.
int FitThreadProc(TFitJob& job);

// Clears FitAbort and FitSkip and starts the worker on the job; false when a worker was not
// joined yet or no thread could be made.
[[nodiscard]] bool StartFitThread(TFitJob job);
// Sets FitAbort and waits for the worker (nothing when none runs).
void StopFitThread();
// A worker was started and not joined yet: its run and its results belong to the dialog.
bool FitThreadRunning();

// Tests look into the runs of the fit threads (the foreground worker's and the background
// fit's): `watch` is called on the run's thread with the run's context just before the run
// starts, its callbacks and its go-on question in place. Set while no fit thread runs.
using TFitRunWatcher = std::function<void(TFitRunContext& ctx)>;
void SetFitRunWatcher(TFitRunWatcher watch);
// Called by the fit threads.
void WatchFitRun(TFitRunContext& ctx);

// On the user-interface thread, when the run completed: the finished run of the worker last
// started (none when its copy of the data failed) is published into the session
// (PublishFitResults).
void CompleteFitRun(TSession& session);
