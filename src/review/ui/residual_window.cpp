#include "review/ui/residual_window.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "app/file_utils.h"
#include "app/settings_file.h"
#include "app/ui/program_printer.h"
#include "expr/eval_context.h"
#include "fit/session.h"
#include "graph3d/graph_pointer.h"
#include "graph3d/ui/evaluation_progress.h"
#include "graph3d/ui/titles_dialog.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "review/equation_text.h"
#include "review/graph_title_layout.h"
#include "review/review_titles.h"
#include "review/ui/graph_menu_items.h"
#include "review/ui/review_dialogs.h"
#include "review/ui/summary_drawing.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToWindow;

constexpr const char* kSaveTitle = "Save Residuals";
constexpr int kWriteFailedText = 3075;

// The mode of each mode command.
constexpr struct {
  int command;
  int mode;
} kModeCommands[] = {{TResid::kCmResiduals, kResidualPlain},
                     {TResid::kCmResidualsPercent, kResidualPercent},
                     {TResid::kCmResidualsStandard, kResidualStandard},
                     {TResid::kCmResidualSurface, kResidualSurface}};

// The graph option command a menu command runs.
int OptionCommandOf(int id) {
  switch (id) {
    case TResid::kCmGraphType: return kCmGraphType;
    case TResid::kCmView: return kCmViewOptions;
    case TResid::kCmScaling: return kCmScaling;
    case TResid::kCmPointFormat: return kCmPointsOptions;
    case TResid::kCmColors: return kCmColors;
    case TResid::kCmFont: return kCmGraphFont;
    case TResid::kCmAnimate: return kCmAnimate;
    default: return 0;
  }
}

}  // namespace

TResid::TResid(QWidget* parent, TSession& session, T3DGraphSetup* setup, GraphOptionDialogs& dialogs)
    : T3DWinSL(parent, tr("Residuals"), setup), session_(session), dialogs_(dialogs), menu_(new QMenuBar(this)) {
  setObjectName("TResid");
  fitValue_ = setup->SurfaceFn;
  sourceData_ = setup->Points;

  QMenu* file = menu_->addMenu(tr("&File"));
  AddAction(file, kCmSaveAs, "Save &As...");
  file->addSeparator();
  AddAction(file, kCmPrinterSetup, "Printer Se&tup...");
  AddAction(file, kCmPrint, "&Print...");
  QMenu* edit = menu_->addMenu(tr("&Edit"));
  AddAction(edit, kCmCopy, "&Copy...");
  QMenu* graph = menu_->addMenu(tr("&Graph"));
  for (const TGraphMenuItem& item : kGraphMenuItems) AddAction(graph, item.id, item.text);
  QMenu* modes = menu_->addMenu(tr("&Residuals"));
  AddAction(modes, kCmResiduals, "&Residuals Graph", true);
  AddAction(modes, kCmResidualsPercent, "Res&iduals % Graph", true);
  AddAction(modes, kCmResidualsStandard, "Resi&duals SE Graph", true);
  AddAction(modes, kCmResidualSurface, "R&esiduals Surface Graph", true);

  CheckModeItems();
  Retitle();
  BuildResiduals();
  FormatGraphTitle();
}

TResid::~TResid() {
  // The record outlives the window: nothing in it may lead here.
  if (setup_ != nullptr) {
    setup_->SurfaceFn = fitValue_;
    setup_->PointSurfaceFn = nullptr;
    setup_->GridFn = nullptr;
    setup_->Points = sourceData_;
  }
}

QAction* TResid::AddAction(QMenu* menu, int id, const char* text, bool checkable) {
  QAction* a = menu->addAction(FromCp1252(text));
  a->setObjectName(QString::number(id));
  a->setCheckable(checkable);
  connect(a, &QAction::triggered, this, [this, id] { Command(id); });
  actions_[id] = a;
  return a;
}

QAction* TResid::Action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

int TResid::TopInset() const { return menu_->sizeHint().height(); }

void TResid::resizeEvent(QResizeEvent* event) {
  // The menu bar spans the window above the graph.
  menu_->setGeometry(0, 0, width(), menu_->sizeHint().height());
  T3DWinSL::resizeEvent(event);
}

int TResid::Mode() const { return std::clamp(static_cast<int>(CurrentSettings().ResidualMode), 0, 3); }

void TResid::Command(int id) {
  for (const auto& m : kModeCommands)
    if (m.command == id) {
      SetMode(m.mode);
      return;
    }
  if (const int option = OptionCommandOf(id)) {
    if (id == kCmGraphType && Mode() != kResidualSurface) return;
    RunOption(option);
    return;
  }
  switch (id) {
    case kCmSaveAs: CmSaveAs(); break;
    case kCmTitles: CmTitles(); break;
    case kCmPrint: PrintGraph(); break;
    case kCmCopy: CopyGraph(); break;
    case kCmPrinterSetup: RunPrinterSetup(this); break;
    default: break;
  }
}

void TResid::SetMode(int mode) {
  // The residuals of a user function's fit may take minutes: a Cancel keeps the mode shown.
  const TEvaluationTask task(this, windowTitle(), QStringLiteral("Calculation in Progress"));
  const int was = Mode();
  TShown kept = Keep();
  busy_ = true;
  CurrentSettings().ResidualMode = mode;
  Retitle();
  BuildResiduals();
  FormatGraphTitle();
  DrawFrameNow();
  busy_ = false;
  if (task.Cancelled()) {
    CurrentSettings().ResidualMode = was;
    PutBack(std::move(kept));
  }
  CheckModeItems();
  update();
}

void TResid::CheckModeItems() {
  const int mode = Mode();
  for (const auto& m : kModeCommands)
    if (QAction* a = Action(m.command)) a->setChecked(m.mode == mode);
  // The graph type is the surface's: there is none to choose in the other modes.
  if (QAction* a = Action(kCmGraphType)) a->setEnabled(mode == kResidualSurface);
}

void TResid::BuildResiduals() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const bool wasBusy = std::exchange(busy_, true);
  residSurface_.reset();
  workData_.clear();
  if (Mode() == kResidualSurface) {
    workData_ = ResidualPointTable(sourceData_ ? sourceData_() : std::span<const TXYZPoint>(), fitValue_);
    // Nothing with 3 points or fewer, or all on one line: the points are drawn as residuals.
    // Residuals of stopped evaluations make no surface: what the window showed is put back.
    if (!ExprThreadContext().stopped) residSurface_ = MakePreviewSurface(workData_);
  }
  AttachResiduals();
  busy_ = wasBusy;
  QGuiApplication::restoreOverrideCursor();
}

void TResid::AttachResiduals() {
  const int mode = Mode();
  if (residSurface_) {
    AttachPreviewSurface(*setup_, residSurface_);
    setup_->Points = [this] { return std::span<const TXYZPoint>(workData_); };
    setup_->ResidualMode = 0;
  } else {
    workData_.clear();
    AttachPreviewSurface(*setup_, std::nullopt);
    setup_->SurfaceFn = fitValue_;
    setup_->Points = sourceData_;
    setup_->ResidualMode = mode == kResidualSurface ? 1 : mode + 1;
  }
  renderer_.StoreOptions();
  (void)renderer_.SetData(setup_);
  renderer_.SetKeepPoints(true);
}

void TResid::Retitle() {
  const ProgramSettings& s = CurrentSettings();
  SetResidualGraphTitles(ResidualTitleSets().automatic, session_, session_.ReviewCurrentRank, s.ResidualTitleLines, Mode(),
                         s.GraphTitleDigits);
}

void TResid::FormatGraphTitle() {
  TReviewTitleSets& sets = ResidualTitleSets();
  const float points = setup_->Font != nullptr && setup_->Font->height != 0
                           ? static_cast<float>(std::abs(setup_->Font->height))
                           : 12.0f;
  (void)LayoutGraphTitles(sets.custom, sets.automatic, points);
  renderer_.PrepareTitles();
  renderer_.DeleteFonts();
  renderer_.CreateScreenFonts();
}

bool TResid::Refresh() {
  const TEvaluationTask task(this, windowTitle(), QStringLiteral("Calculation in Progress"));
  TShown kept = Keep();
  busy_ = true;
  Retitle();
  if (Mode() == kResidualSurface) {
    BuildResiduals();
  } else {
    renderer_.ComputeResiduals();
  }
  FormatGraphTitle();
  if (Mode() != kResidualSurface) renderer_.Recompute();
  DrawFrameNow();
  busy_ = false;
  const bool cancelled = task.Cancelled();
  if (cancelled) PutBack(std::move(kept));
  update();
  return !cancelled;
}

TResid::TShown TResid::Keep() const { return TShown{KeepShownFrame(), ResidualTitleSets(), workData_, residSurface_}; }

void TResid::PutBack(TShown kept) {
  ResidualTitleSets() = std::move(kept.titles);
  workData_ = std::move(kept.workData);
  residSurface_ = std::move(kept.surface);
  // Attached again as they were (the surface is the smoothing engine's, or the fit's own
  // residuals, whose evaluations give up at once after the Cancel); the figures they
  // showed come back with the frame.
  AttachResiduals();
  FormatGraphTitle();
  PutBackShownFrame(std::move(kept.frame));
}

std::vector<TResidualRow> TResid::Rows() const {
  const int mode = Mode();
  const long double* stdError = setup_->PointsOpt != nullptr ? setup_->PointsOpt->FitRecord : nullptr;
  return ResidualRows(sourceData_ ? sourceData_() : std::span<const TXYZPoint>(), fitValue_,
                      mode == kResidualSurface ? kResidualPlain : mode, stdError);
}

bool TResid::SaveTo(const std::string& path) {
  TSavWriteResult sav;
  if (WriteResidualFile(path, Rows(), &sav)) return true;
  ErrorBox(ToWindow(this), path,
           sav.status == SavWriteStatus::kValueNotHeld ? SavRefusalText(sav) : SaveFailureText(path, kWriteFailedText));
  return false;
}

void TResid::CmSaveAs() {
  std::string path;
  if (FileSaveDlg(ToWindow(this), kSaveTitle, path, nullptr, "DAT", kSaveFilter, 1) != 1) return;
  (void)SaveTo(path);
}

void TResid::CmTitles() {
  ProgramSettings& s = CurrentSettings();
  TReviewTitleSets& sets = ResidualTitleSets();
  const std::int32_t oldLines = s.ResidualTitleLines;
  const int result = (new TTitleFmt(this, &s.ResidualTitleLines, &sets.custom.Enabled))->Execute();
  if (result == QDialog::Rejected) return;  // the titles as they were
  if (result == TTitleFmt::kCustomTitlesResult) {
    if (s.ResidualTitleLines != oldLines) Retitle();
    const platform::Font font = setup_->Font != nullptr ? *setup_->Font : platform::Font{"Arial", 12};
    (void)(new TTitles(this, &sets.custom, sets.automatic, font))->Execute();
  } else {
    // OK means the automatic titles of the rank.
    Retitle();
  }
  FormatGraphTitle();
  Redraw();
}

void TResid::RunOption(int optionCommand) {
  GraphOptionContext context;
  context.animationCaption = "Animate View Function";
  (void)RunGraphOptionCommand(*this, renderer_, [this](int mode) { RedrawMode(mode); }, optionCommand, dialogs_,
                              context);
}

void TResid::RedrawMode(int mode) {
  if (mode == 0)
    update();
  else
    Redraw();
}

void TResid::DrawSummary(platform::DeviceContext& dc, int dpi, const platform::Rect& rect, bool colors) {
  DrawCurrentFitSummary(session_, dc, dpi, rect, colors);
}

bool TResid::event(QEvent* event) {
  // The click that brings the window forward is not a click on the graph.
  if (event->type() == QEvent::WindowActivate) activateClick_ = true;
  return T3DWinSL::event(event);
}

void TResid::mouseMoveEvent(QMouseEvent* event) {
  activateClick_ = false;
  T3DWinSL::mouseMoveEvent(event);
}

void TResid::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    T3DWinSL::mousePressEvent(event);
    return;
  }
  if (activateClick_) {
    activateClick_ = false;
    return;
  }
  const QPoint p = FramePoint(event->position().toPoint());
  const platform::Rect r = renderer_.GraphRect();
  if (p.x() < r.left || p.x() > r.right || p.y() < r.top || p.y() > r.bottom) return;
  switch (ClickZoneAt(p.x() - r.left, p.y() - r.top, r.right - r.left, r.bottom - r.top)) {
    case ClickZone::Titles: Command(kCmTitles); break;
    case ClickZone::Scaling: Command(kCmScaling); break;
    case ClickZone::View: Command(kCmView); break;
  }
}
