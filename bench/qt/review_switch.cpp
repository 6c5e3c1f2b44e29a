// The cost of a change of rank in the review window (offscreen): 16384 noisy points, the
// default fit run, a graph pane of 1000 x 750 pixels with every point shown.
//
//   bench_review_switch [--steps N]
//
// Medians over N steps (20 by default) of
//   redrawn  a step down the list whose picture is not kept: refit, titles, grid, drawing
//            (and keeping the new frame in the cache), up to the pane painted;
//   cached   a step down the list to a rank the render thread has drawn already;
//   stop     the time from asking the render thread to stop, while it draws, to its join.
// The last line reads "switch 16384 points: redrawn A ms, cached B ms, stop C ms".
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "app/c_format.h"
#include "app/data_statistics.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "fit/fit_blocks.h"
#include "fit/fit_results.h"
#include "fit/fit_run.h"
#include "fit/session.h"
#include "graph3d/graph_options.h"
#include "platform/qt/qt_services.h"
#include "review/review_layout.h"
#include "review/review_titles.h"
#include "review/ui/review_window.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPoints = 16384;
constexpr int kPaneWidth = 1000, kPaneHeight = 750;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Scattered points of a smooth hill on a tilted plane with 5 % noise.
PointTable NoisyPoints() {
  PointTable table = NewPointTable(kPoints);
  std::uint64_t state = 16384;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<long double>(state >> 11) / 9007199254740992.0L;
  };
  for (int i = 1; i <= kPoints; ++i) {
    TXYZPoint& p = table[static_cast<std::size_t>(i)];
    p.X = -3 + 6 * next();
    p.Y = -3 + 6 * next();
    const long double z = 5 + 0.4L * p.X - 0.3L * p.Y + 3 * std::exp(-(p.X * p.X + p.Y * p.Y) / 2);
    p.Z = z * (1 + 0.05L * (2 * next() - 1));
    p.W = 1;
    p.Status = kPointActive;
  }
  return table;
}

bool FitSession(TSession& session) {
  PointTable table = NoisyPoints();
  if (ComputeTableStatistics(table, session.DataStats) < 4) return false;
  session.DataStats.DistinctX = CountTableDistinctX(table);
  session.DataStats.DistinctY = CountTableDistinctY(table);
  const TPureError pe = TablePureErrorSums(table);
  session.DataStats.PureErrorSS = pe.SS;
  session.DataStats.PureErrorDOF = pe.DOF;
  if (!session.Table.ReplaceDataTable(table)) return false;
  session.Table.SetXYZRows(kPoints);
  TFitRunOutcome outcome;
  TFitRunContext ctx(table, session.DataStats, DefaultFitSelection(), DefaultFitOptions(), outcome.list);
  CountFitRun(ctx);
  if (RunFitFamilies(ctx) <= 0) return false;
  outcome.products = FitRunProductsOf(ctx);
  PublishFitResults(session, std::move(outcome));
  return true;
}

// One step down the list, painted.
double TimedStep(TRView& w) {
  const Clock::time_point start = Clock::now();
  w.Command(kReviewLower);
  w.Pane()->repaint();
  return Milliseconds(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
  int steps = 20;
  if (argc == 3 && std::strcmp(argv[1], "--steps") == 0) steps = std::clamp(std::atoi(argv[2]), 3, 200);
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  platform::qt::InstallQtServices();
  ScreenWidth = 1920;
  ScreenHeight = 1080;
  ProgramSettings& s = CurrentSettings();
  s = DefaultSettings(ScreenWidth, ScreenHeight);
  s.GraphCacheKb = 999999;
  s.ShowCacheStats = 1;

  TSession session;
  const Clock::time_point fitStart = Clock::now();
  if (!FitSession(session)) {
    std::fputs("the fit run failed\n", stderr);
    return 1;
  }
  std::fputs(CFormat("default fit run: %d fits in %.0f ms\n", session.FitList.Count(),
                     Milliseconds(Clock::now() - fitStart))
                 .c_str(),
             stdout);

  TGraphOptions options(s, kGraphDataStatusFits, kPointsDataStatusFits, ReviewLayoutSlot(false, kLayoutReview));
  T3DGraphSetup& setup = options.Setup();
  SetDataRanges(setup.Scaling, session.DataStats);
  setup.Titles = &ReviewTitleSets().custom;
  setup.TitleSettings = &ReviewTitleSets().automatic;
  options.points.Display = static_cast<std::uint16_t>((options.points.Display & 0xFF00) | 1);  // all points
  auto window = std::make_unique<TRView>(nullptr, session, &setup, false);
  TRView& w = *window;
  w.resize(1300, 900);
  w.show();
  QApplication::processEvents();
  w.resize(w.width() + kPaneWidth - w.Pane()->width(), w.height() + kPaneHeight - w.Pane()->height());
  QApplication::processEvents();
  std::fputs(CFormat("pane %d x %d\n", w.Pane()->width(), w.Pane()->height()).c_str(), stdout);

  // Cached: steps through rows the thread has drawn (it goes on drawing further rows).
  w.StartRender();
  const Clock::time_point fill = Clock::now();
  while (w.RenderThread().RowsDone() < steps + 2 && w.RenderThread().State() != 0) {
    QApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const double perPicture = Milliseconds(Clock::now() - fill) / std::max(1, w.RenderThread().RowsDone());
  w.Command(kReviewFirst);
  w.Pane()->repaint();
  std::vector<double> cached;
  for (int k = 0; k < steps; ++k) {
    const double ms = TimedStep(w);
    if (w.LastFromCache()) cached.push_back(ms);
    QApplication::processEvents();
  }

  // Stop: asked at different moments of a drawing.
  std::vector<double> stops;
  for (int k = 0; k < steps; ++k) {
    w.StartRender();
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + 7 * (k % 10)));
    const Clock::time_point start = Clock::now();
    w.StopRender();
    stops.push_back(Milliseconds(Clock::now() - start));
  }

  // Redrawn: no picture kept, no thread drawing.
  s.BackgroundCacheOn = 0;
  w.Command(kReviewFirst);
  std::vector<double> redrawn, drawing;
  for (int k = 0; k < steps; ++k) {
    w.ClearImageCache();
    redrawn.push_back(TimedStep(w));
    drawing.push_back(1000.0 * w.RenderTime());
  }

  std::fputs(CFormat("render thread: %.0f ms a picture (refit, titles, grid, drawing, coding)\n", perPicture).c_str(),
             stdout);
  std::fputs(CFormat("redrawn: median %.1f ms, of which drawing %.1f ms\n", Median(redrawn), Median(drawing)).c_str(),
             stdout);
  std::fputs(CFormat("cached: %d steps from the cache, median %.1f ms\n", static_cast<int>(cached.size()), Median(cached))
                 .c_str(),
             stdout);
  std::fputs(CFormat("switch %d points: redrawn %.0f ms, cached %.0f ms, stop %.0f ms\n", kPoints, Median(redrawn),
                     Median(cached), Median(stops))
                 .c_str(),
             stdout);
  window.reset();
  platform::qt::UninstallQtServices();
  return 0;
}
