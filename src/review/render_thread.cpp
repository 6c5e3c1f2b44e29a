#include "review/render_thread.h"

#include <chrono>
#include <cstdlib>
#include <new>

#include "expr/eval_context.h"
#include "expr/evaluation_stop.h"
#include "fit/confidence_limits.h"
#include "fit/fit_refit.h"
#include "fit/fit_side.h"
#include "fit/session.h"
#include "graph3d/frame_codec.h"
#include "graph3d/renderer.h"
#include "platform/gui_thread.h"
#include "review/equation_text.h"
#include "review/graph_title_layout.h"
#include "review/review_rules.h"
#include "review/review_surface.h"

namespace {

// The record's option pointers to the snapshot's own copies; the window's record pointed to
// the program's settings, which the user-interface thread may change while the thread draws.
void PointAtCopies(TRenderSnapshot& s, const T3DGraphSetup& record) {
  T3DGraphSetup& r = s.setup;
  r = T3DGraphSetup{};
  r.Scaling = record.Scaling;
  r.LimitKind = record.LimitKind;
  r.ResidualMode = record.ResidualMode;
  r.ZFromPoints = record.ZFromPoints;
  r.SchemeTable = record.SchemeTable;
  r.UserScheme = record.UserScheme;
  if (record.View != nullptr) {
    s.view = *record.View;
    r.View = &s.view;
  }
  if (record.PointsOpt != nullptr) {
    s.points = *record.PointsOpt;
    r.PointsOpt = &s.points;
  }
  if (record.Anim != nullptr) {
    s.anim = *record.Anim;
    r.Anim = &s.anim;
  }
  if (record.Font != nullptr) {
    s.font = *record.Font;
    r.Font = &s.font;
  }
  if (record.Scheme != nullptr) {
    s.scheme = *record.Scheme;
    r.Scheme = &s.scheme;
  }
  if (record.UserSchemes != nullptr) {
    s.userSchemes = *record.UserSchemes;
    r.UserSchemes = &s.userSchemes;
  }
  if (record.Titles != nullptr) s.customTitles = *record.Titles;
  if (record.TitleSettings != nullptr) s.automaticTitles = *record.TitleSettings;
  r.Titles = &s.customTitles;
  r.TitleSettings = &s.automaticTitles;
  // The thread's renderer never writes its state back.
  r.LockMask = kLockEverything;
}

// The base size of the automatic titles: the graph font's, 12 points without one.
float TitleBaseSize(const TRenderSnapshot& s) {
  return s.setup.Font != nullptr && s.font.height != 0 ? static_cast<float>(std::abs(s.font.height)) : 12.0f;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

std::unique_ptr<TRenderSnapshot> MakeRenderSnapshot(const TSession& session, std::span<const int> ranks,
                                                     const T3DGraphSetup& record, const TRenderLook& look) {
  try {
    auto s = std::make_unique<TRenderSnapshot>();
    const int count = session.FitCount.load();
    s->ranks.reserve(ranks.size());
    s->fits.reserve(ranks.size());
    for (const int rank : ranks) {
      const TFitResult* fit = rank >= 1 && rank <= count ? session.FitList.At(rank) : nullptr;
      if (fit == nullptr) continue;
      s->ranks.push_back(rank);
      s->fits.push_back(*fit);
    }
    s->products = session.FitListProducts;
    s->stats = session.DataStats;
    const std::span<const TXYZPoint> all = session.Table.XYZData();
    const int n = PointCount(all);
    s->table.assign(all.begin(), all.empty() ? all.end() : all.begin() + n + 1);
    s->udfs = CopyUdfTable(session.UdfTable);
    s->titles = session.DataTitles();
    s->look = look;
    PointAtCopies(*s, record);
    return s;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

TRenderThread::TRenderThread(TImageCache& cache, platform::ImageSurfaceFactory surfaces)
    : cache_(cache), surfaces_(std::move(surfaces)) {}

TRenderThread::~TRenderThread() {
  Stop();
  report_.reset();
}

void TRenderThread::SetReportHandler(std::function<void(const TRenderReport&)> handler) {
  Stop();
  report_ = handler ? std::make_shared<std::function<void(const TRenderReport&)>>(std::move(handler)) : nullptr;
}

bool TRenderThread::Start(std::unique_ptr<TRenderSnapshot> snapshot) {
  Stop();
  if (!snapshot || snapshot->ranks.empty() || !surfaces_) return false;
  snapshot_ = std::move(snapshot);
  rowsDone_.store(0);
  state_.store(kRunning);
  try {
    thread_ = std::thread([this] { Run(*snapshot_); });
  } catch (const std::system_error&) {
    state_.store(kIdle);
    snapshot_.reset();
    return false;
  }
  return true;
}

void TRenderThread::Stop() {
  int running = kRunning;
  state_.compare_exchange_strong(running, kStopRequested);
  if (thread_.joinable()) thread_.join();
  state_.store(kIdle);
  snapshot_.reset();
}

void TRenderThread::Run(TRenderSnapshot& s) {
  // The thread's evaluations hear the stop at their safe points: a user function that takes
  // minutes to refit or to draw ends at once, and Stop does not wait for it.
  const TEvaluationStopScope question(ExprThreadContext(), [this] {
    if (questionWatch_) questionWatch_();
    return state_.load() != kStopRequested;
  });
  const TRenderLook& look = s.look;
  const std::weak_ptr<std::function<void(const TRenderReport&)>> report = report_;
  TFitSide side;
  T3DGraphSetup& record = s.setup;
  const bool surface = look.surfaceMode == kSurfaceZ;
  const int mode = look.surfaceMode;
  record.SurfaceFn = [&side, mode](long double x, long double y) { return SurfaceZ(side, mode, x, y); };
  const int level = look.limitsLevel;
  if (surface && look.limitsMode != kLimitsNone) {
    const bool prediction = look.limitsMode == kLimitsPrediction;
    record.LimitFn = [&side, level, prediction](long double x, long double y, long double z) {
      return LimitAtLevel(side, level, prediction, x, y, z);
    };
  }
  record.LimitKind = RendererLimitKind(surface ? look.limitsMode : kLimitsNone);
  // The derivative surfaces are drawn alone, as the window draws them.
  if (surface) record.Points = [&s] { return std::span<const TXYZPoint>(s.table); };
  if (record.PointsOpt != nullptr) record.PointsOpt->FitRecord = surface ? &side.eqn.fitStdError : nullptr;

  bool stopped = false;
  auto stopNow = [&] { return stopped || (stopped = state_.load() == kStopRequested); };
  T3DBase renderer;
  renderer.SetStopWord(&state_);
  if (renderer.SetData(&record)) {
    renderer.SetGraphRect(look.graphRect);
    TRefitSources sources;
    sources.products = &s.products;
    sources.stats = &s.stats;
    sources.table = s.table;
    const int refitMode = surface && look.limitsMode != kLimitsNone ? kRefitCovariance : kRefitRecord;
    const float titleSize = TitleBaseSize(s);
    for (std::size_t row = 0; row < s.ranks.size() && !stopNow(); ++row) {
      const auto start = std::chrono::steady_clock::now();
      const int rank = s.ranks[row];
      if (!RefitSide(side, s.fits[row], rank, refitMode, sources) || stopNow()) {
        rowsDone_.fetch_add(1);
        continue;
      }
      const TSummaryLines lines = FormatFitSummary(rank, side.eqn, s.titles.Title, look.titleDigits, s.udfs);
      FormatGraphTitleSet(s.automaticTitles, lines, look.titleLines, s.titles, look.surfaceMode);
      (void)LayoutGraphTitles(s.customTitles, s.automaticTitles, titleSize);
      // The fonts follow the sizes of this rank's titles, as the window's do.
      renderer.PrepareTitles();
      renderer.DeleteFonts();
      renderer.CreateScreenFonts();
      renderer.Recompute();
      if (stopNow()) break;
      std::unique_ptr<platform::ImageSurface> picture = surfaces_(look.width, look.height);
      if (picture == nullptr) {
        // No picture of this rank: the window draws it when the user gets there.
        rowsDone_.fetch_add(1);
        continue;
      }
      renderer.Prepare();
      renderer.EraseSurface(picture->Context(), look.width, look.height);
      renderer.Draw(picture->Context(), kDrawScreen);
      if (stopNow()) break;
      std::unique_ptr<TLZW> frame =
          EncodeFramePixels(picture->Pixels(), picture->Width(), picture->Height(), look.imageKind, rank);
      picture.reset();
      const double seconds = SecondsSince(start);
      rowsDone_.fetch_add(1);
      if (frame == nullptr) continue;
      if (stopNow()) break;
      const int stored = cache_.CacheImage(std::move(frame));
      // The cache is full: the run ends, and what it holds stays.
      if (stored < 0) break;
      const TRenderReport figures{rank, stored, seconds};
      platform::PostToUi([report, figures] {
        if (const auto handler = report.lock()) (*handler)(figures);
      });
    }
  }
  if (stopped) cache_.Clear();
  // The record's callbacks lead into this frame: they go with it.
  record.SurfaceFn = nullptr;
  record.LimitFn = nullptr;
  record.Points = nullptr;
  int expected = kRunning;
  state_.compare_exchange_strong(expected, kIdle);
}
