// The review's render thread: while the user looks at one fit, it draws the graphs of the
// fits listed in the equation list, row by row from the top, into the review window's image
// cache, so that stepping to another rank shows a kept picture instead of drawing it again.
//
// It draws from a snapshot that the user-interface thread makes when it starts the thread:
// the list's ranks in row order with a copy of each listed fit record, copies of what a
// refit reads (the data's statistics and table, the sums of the run that made the fits),
// the window's graph record with every option record it points to, both title sets, the
// user functions' records and the settings that shape a picture. For each row the thread
// refits the rank from its copies into a fit side of its own (RefitSide), formats that
// rank's titles, draws the graph on a surface made by the factory the user interface hands
// it, codes the picture as the window would keep it, and stores it under its rank. It reads
// nothing the user-interface thread may change meanwhile, never waits for that thread, and
// posts a report after each stored picture.
//
// Each thread has its own fit side and expression context, so the window may refit and
// evaluate any rank (a user function's too) while the thread draws; nothing is suspended.
//
// Stopping is cooperative and without time-out: the state word goes to -1, which the thread
// tests between its steps, the renderer inside its drawing loops, and the thread's
// evaluations at their safe points (a user function may take minutes to refit and draw:
// its evaluations then give up at once), and Stop joins the thread. A run cut short clears the cache (the list it drew may be changing); a run that
// ends because the cache refuses a picture keeps the cache as it is. The owner stops the
// thread, clears the cache and starts it on a new snapshot whenever what the pictures show
// changes (a re-sort, filter or rebuild of the list, the view, limits, titles, the size).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "app/data_statistics.h"
#include "app/data_titles.h"
#include "app/xyz_point.h"
#include "expr/udf_record.h"
#include "fit/fit_records.h"
#include "fit/fit_run.h"
#include "graph3d/graph_setup.h"
#include "graph3d/image_cache.h"
#include "platform/image_surface.h"

struct TSession;

// What shapes the pictures besides the fits: the window's surface and size, and the settings
// as they stand when the thread starts.
struct TRenderLook {
  platform::Rect graphRect;  // the window renderer's graph rectangle (edges inclusive)
  int width = 0;             // the picture: the window's graph pane
  int height = 0;
  int surfaceMode = 0;  // ReviewSurfaceMode
  int limitsMode = 0;   // ReviewLimitsMode
  int limitsLevel = 1;  // 0..4
  int titleLines = 5;   // automatic title lines 2, 3 or 5
  int titleDigits = 8;  // significant digits of the numbers in titles
  int imageKind = 3;    // ImageKind
};

struct TRenderSnapshot {
  TRenderSnapshot() = default;
  TRenderSnapshot(const TRenderSnapshot&) = delete;
  TRenderSnapshot& operator=(const TRenderSnapshot&) = delete;

  // The list's rows top to bottom: ranks[i] and a copy of its record fits[i].
  std::vector<int> ranks;
  std::vector<TFitResult> fits;
  // What a refit reads besides the record; the sums are never changed once a run made them.
  TFitRunProducts products;
  TDataStats stats;
  PointTable table;  // records 0..N
  TUdfTable udfs;
  TDataTitles titles;

  // The window's graph record; its option pointers lead to the copies below (the callbacks
  // are the thread's own).
  T3DGraphSetup setup;
  T3DViewRec view;
  T3DPointsRec points;
  T3DAnimRec anim;
  platform::Font font;
  std::int32_t scheme = 0;
  TUserColorSchemes userSchemes{};
  T3DTitleSet customTitles;
  T3DTitleSet automaticTitles;

  TRenderLook look;
};

// The snapshot of `ranks` (the list's rows; a rank outside the session's list is left out)
// with the window's record `record` as it stands (the caller stores its renderer's options
// into it first). User-interface thread; null when memory runs out.
std::unique_ptr<TRenderSnapshot> MakeRenderSnapshot(const TSession& session, std::span<const int> ranks,
                                                     const T3DGraphSetup& record, const TRenderLook& look);

// After each stored picture, on the user-interface thread.
struct TRenderReport {
  int rank = 0;
  int storedBytes = 0;
  double drawSeconds = 0;  // refit, titles, grid and drawing
};

class TRenderThread {
 public:
  enum State : int { kIdle = 0, kRunning = 1, kStopRequested = -1 };

  // The pictures go into `cache`, which outlives this object.
  TRenderThread(TImageCache& cache, platform::ImageSurfaceFactory surfaces);
  // Stops and joins a running thread; reports still queued are dropped.
  ~TRenderThread();
  TRenderThread(const TRenderThread&) = delete;
  TRenderThread& operator=(const TRenderThread&) = delete;

  // Runs on the user-interface thread after each stored picture, while this object lives.
  void SetReportHandler(std::function<void(const TRenderReport&)> handler);
  // Tests: called on the thread each time its evaluations ask whether to go on. Set it
  // while no thread runs.
  void SetQuestionWatcher(std::function<void()> watch) { questionWatch_ = std::move(watch); }

  // Stops a running thread, then draws the snapshot's rows on a new one. False (nothing
  // started) for a snapshot without rows.
  bool Start(std::unique_ptr<TRenderSnapshot> snapshot);
  // Asks a running thread to stop and joins it: its pictures are then cleared from the
  // cache. A thread that has finished is joined. The state is 0 afterwards.
  void Stop();

  int State() const { return state_.load(); }
  // Rows finished by the last run (a picture stored, or a row skipped).
  int RowsDone() const { return rowsDone_.load(); }

 private:
  void Run(TRenderSnapshot& snapshot);

  TImageCache& cache_;
  platform::ImageSurfaceFactory surfaces_;
  std::atomic<int> state_{kIdle};
  std::atomic<int> rowsDone_{0};
  std::unique_ptr<TRenderSnapshot> snapshot_;
  std::function<void()> questionWatch_;
  std::thread thread_;
  // The handler behind a token the posted reports hold weakly: a report that runs after
  // this object has gone finds nothing.
  std::shared_ptr<std::function<void(const TRenderReport&)>> report_;
};
