#include "graph3d/ui/status_graph.h"

#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "app/ui/data_status_window.h"
#include "fit/fit_evaluation.h"
#include "fit/session.h"
#include "graph3d/title_set.h"
#include "graph3d/ui/data_view_window.h"
#include "graph3d/ui/evaluation_progress.h"
#include "graph3d/ui/function_viewer.h"
#include "graph3d/preview_surface.h"
#include "graph3d/ui/print_text_dialog.h"
#include "platform/qt/qt_device_context.h"

namespace {

TStatusGraphTitler& StatusGraphTitler() {
  static TStatusGraphTitler titler;
  return titler;
}

}  // namespace

void SetStatusGraphTitler(TStatusGraphTitler titler) { StatusGraphTitler() = std::move(titler); }

TStatusGraph::TStatusGraph(QWidget* pane, TSession& session, bool withFits)
    : QWidget(pane),
      options_(CurrentSettings(), withFits ? kGraphDataStatusFits : kGraphDataStatus,
               withFits ? kPointsDataStatusFits : kPointsDataStatus, -1) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  T3DGraphSetup& setup = options_.Setup();
  // The titles the user gave the data; with fits the review's titles of the current rank
  // take their place.
  SetGraphTitlesFromData(options_.titles, session.DataTitles());
  TDataTable& table = session.Table;
  // Records 0 .. N of the table as it stands when the graph is drawn.
  setup.Points = [&table] {
    const std::span<const TXYZPoint> all = std::as_const(table).XYZData();
    if (all.empty()) return all;
    const long double n = all[0].X;
    const std::size_t count = n >= 0 && n < static_cast<long double>(all.size()) ? static_cast<std::size_t>(n) : 0;
    return all.first(count + 1);
  };
  if (withFits) {
    const TFitSide& fit = session.CurFit;
    setup.SurfaceFn = [&fit](long double x, long double y) { return EvalFitZ(fit, x, y); };
    costly_ = fit.udfIndex >= 0;
    // The points are banded by the current fit's standard error, as the review bands them.
    options_.points.FitRecord = &fit.eqn.fitStdError;
    if (StatusGraphTitler()) StatusGraphTitler()(options_.titles);
  } else {
    // Without fits the data are shown through a smoothed surface over a copy of the table
    // as it stands (the window is closed before any command changes the data).
    AttachPreviewSurface(setup, MakePreviewSurface(setup.Points()));
  }
  // The axes span the active points, scaled automatically from there.
  const TAxisStats* axes[3] = {&session.DataStats.X, &session.DataStats.Y, &session.DataStats.Z};
  for (std::size_t a = 0; a < 3; ++a) {
    const TAxisSpan span = DataAxisSpan(*axes[a]);
    setup.Scaling.DataLow[a] = span.low;
    setup.Scaling.DataHigh[a] = span.high;
    setup.Scaling.Auto[a] = 1;
    setup.Scaling.Zoom[a] = 1;
  }
  {
    // The surface is sampled as the renderer takes the record: a Cancel while a user
    // function's fit is sampled leaves its surface out.
    const TEvaluationTask task(pane->window(), pane->window()->windowTitle(), QStringLiteral("Calculation in Progress"));
    renderer_ = std::make_unique<T3DBase>(&setup);
    if (task.Cancelled()) LeaveOutSurface();
  }
  renderer_->CreateScreenFonts();
  auto* box = new QVBoxLayout(pane);
  box->setContentsMargins(0, 0, 0, 0);
  box->addWidget(this);
}

TStatusGraph::~TStatusGraph() {
  // The renderer writes its state into the records, which then go back to the settings.
  renderer_.reset();
  options_.StoreBack();
}

void TStatusGraph::resizeEvent(QResizeEvent*) {
  renderer_->SetGraphRect({1, 1, std::max(width() - 2, 2), std::max(height() - 2, 2)});
  frameValid_ = false;
}

void TStatusGraph::paintEvent(QPaintEvent*) {
  if ((!frameValid_ || frame_.size() != size()) && !drawing_) {
    if (!costly_) {
      DrawFrame();
    } else {
      drawing_ = true;
      QTimer::singleShot(0, this, [this] { DrawCostlyFrame(); });
      if (frame_.size() != size()) {
        frame_ = QImage(size(), QImage::Format_RGB32);
        renderer_->Prepare();
        platform::qt::QtDeviceContext dc(frame_);
        renderer_->EraseSurface(dc, frame_.width(), frame_.height());
      }
    }
  }
  QPainter(this).drawImage(0, 0, frame_);
}

void TStatusGraph::DrawFrame() {
  QImage frame(size(), QImage::Format_RGB32);
  renderer_->Prepare();
  {
    platform::qt::QtDeviceContext dc(frame);
    renderer_->EraseSurface(dc, frame.width(), frame.height());
    renderer_->Draw(dc, kDrawScreen);
  }
  frame_ = std::move(frame);
  frameValid_ = true;
}

void TStatusGraph::DrawCostlyFrame() {
  {
    const TEvaluationTask task(window(), window()->windowTitle(), QStringLiteral("Calculation in Progress"));
    DrawFrame();
    if (task.Cancelled()) LeaveOutSurface();
  }
  if (!costly_) DrawFrame();  // the data alone
  drawing_ = false;
  update();
}

void TStatusGraph::LeaveOutSurface() {
  T3DGraphSetup& setup = options_.Setup();
  setup.SurfaceFn = nullptr;
  options_.points.FitRecord = nullptr;
  (void)renderer_->SetData(&setup);
  costly_ = false;
}

void RegisterGraphWindows(TSession& session) {
  InstallTextPrintDialog();
  SetStatusGraphMaker([&session](QWidget* pane, bool withFits) { new TStatusGraph(pane, session, withFits); });
  RegisterDataViewCommand(session);
  RegisterFunctionViewerCommand();
}
