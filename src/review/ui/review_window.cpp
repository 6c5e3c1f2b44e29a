#include "review/ui/review_window.h"

#include "platform/qt/early_clicks.h"

#include <QAction>
#include <QActionGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QGuiApplication>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "app/c_format.h"
#include "app/number_format.h"
#include "app/shell_state.h"
#include "app/ui/command_ids.h"
#include "app/ui/clear_placement.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "app/ui/owned_window.h"
#include "app/ui/program_printer.h"
#include "app/ui/small_controls.h"
#include "expr/eval_context.h"
#include "fit/confidence_limits.h"
#include "fit/fit_evaluation.h"
#include "fit/fit_ranking.h"
#include "fit/fit_refit.h"
#include "fit/session.h"
#include "graph3d/graph_options.h"
#include "graph3d/ui/evaluation_progress.h"
#include "graph3d/ui/graph_output.h"
#include "graph3d/ui/status_graph.h"
#include "graph3d/ui/titles_dialog.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_device_context.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"
#include "review/equation_list_rows.h"
#include "review/equation_search.h"
#include "review/equation_text.h"
#include "review/graph_title_layout.h"
#include "review/pane_text.h"
#include "review/review_surface.h"
#include "review/review_titles.h"
#include "review/ui/graph_menu_items.h"
#include "review/ui/review_dialogs.h"
#include "review/ui/review_preferences.h"
#include "review/ui/summary_drawing.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToWindow;

constexpr int kResidualText = 3293;
constexpr int kInactiveText = 3294;
constexpr int kResidualWidth = 8;
constexpr int kLevelCount = 5;

// The sort commands and their criteria; 2378 toggles the parameter-count bit.
constexpr struct {
  int id;
  int code;
} kSortCommands[] = {{2373, 1}, {2374, 2}, {2375, 4}, {2376, 8}, {2377, 16}, {2379, 64}};

// What the derivative surfaces cannot offer: they have no data points to compare with.
constexpr int kDataButtons[] = {kReviewData, kReviewResiduals, kReviewIntervals, kReviewEvaluate};
constexpr int kDataItems[] = {kCmReviewDataWindow, kCmReviewResidualsWindow, kCmReviewEvaluation,
                              kCmReviewConfidence, kCmReviewPrediction};

// Commands that later parts of the program bring (disabled until they do).
constexpr int kExtensionIds[] = {
    kCmReviewSaveLotus,      kCmReviewSaveExcel,       kCmReviewSaveQuattro,   kCmReviewSaveSibling,
    kCmReviewSaveAscii,      kCmReviewCodeGeneration,  kCmReviewSaveUdf,       kCmReviewSaveParameters,
    kCmReviewSaveCovariance, kCmReviewSaveAudit,       kCmReviewEvaluation,    kReviewEvaluate,
    kReviewQuickEval,
};

// The progress window's text while a rank is made current and drawn.
QString RefittingText(int rank) { return QStringLiteral("Refitting Rank %1...").arg(rank); }

bool IsExtension(int id) { return std::find(std::begin(kExtensionIds), std::end(kExtensionIds), id) != std::end(kExtensionIds); }

// The graph option commands the menu shares with the buttons.
int OptionButtonOf(int command) {
  switch (command) {
    case kCmReviewGraphType: return kCmGraphType;
    case kCmReviewView: return kCmViewOptions;
    case kCmReviewScaling: return kCmScaling;
    case kCmReviewPointFormat: return kCmPointsOptions;
    case kCmReviewFontSelect: return kCmGraphFont;
    case kCmReviewColors: return kCmColors;
    case kCmReviewAnimate: return kCmAnimate;
    default: return 0;
  }
}

// The satellites stay above the review window, as windows it owns: the window manager
// stacks them with it instead of under the main window (X11 window managers are told a
// window's owner only for dialog-type windows). Before the window is first shown. A new
// type makes the rectangle the window was given its frame's: the satellite, placed where it
// was left, came back a title bar lower at every opening. It is given its client rectangle
// again. The review runs modally, and a window manager may put a modal window over its own
// transients at a click in it: the keeper raises the satellite again, so that the list did
// not sink behind the review at the first click on a derivative or a rank.
void OwnWindow(QWidget* satellite) {
  const QRect client = satellite->geometry();
  satellite->setWindowFlags((satellite->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
  satellite->setGeometry(client);
  new TOwnedWindowKeeper(satellite);
}

}  // namespace

TReviewExtensions& ReviewExtensions() {
  static TReviewExtensions extensions;
  return extensions;
}

TRView::TRView(QWidget* parent, TSession& session, T3DGraphSetup* setup, bool listFirst,
               std::unique_ptr<GraphOptionDialogs> dialogs)
    : TViewData(parent, setup, GraphOptionContext{}, std::move(dialogs), TOwnLayout{}),
      session_(session),
      setup_(setup),
      listFirst_(listFirst),
      rank_(session.ReviewCurrentRank),
      limits_(TReviewLimits::Opening(CurrentSettings().LimitsMode)) {
  setObjectName("TRView");
  setWindowTitle(tr("Review Surface-Fit"));
  listRect_ = LayoutRect(Layout(kLayoutList));
  const ProgramSettings& s = CurrentSettings();
  if (s.GraphCacheOn != 0) {
    InitImageCache(s.GraphCacheKb);
    SetImageKind(s.ReviewImageKind);
  }
  render_ = std::make_unique<TRenderThread>(Cache(), &platform::qt::QtImageSurface::Make);
  // The cache's figures on the status line grow with each picture the thread keeps.
  // The reports are posted to the user-interface thread; where no dispatcher is installed
  // (a test without the program's services) they arrive on the thread and are queued here.
  render_->SetReportHandler([this](const TRenderReport&) {
    QMetaObject::invokeMethod(this, [this] { ShowRenderStats(); }, Qt::AutoConnection);
  });
  renderStart_.setSingleShot(true);
  connect(&renderStart_, &QTimer::timeout, this, [this] { StartRender(); });
  setup_->SurfaceFn = [this](long double x, long double y) { return SurfaceZ(session_.CurFit, surfaceMode_, x, y); };
  {
    // The rank under review is made current before the graph is attached to it, so that a
    // surface that takes long to evaluate is sampled once; a Cancel leaves the review
    // unopened.
    const TEvaluationTask task(parent, windowTitle(), RefittingText(rank_));
    session_.ReviewCurrentRank = rank_;
    (void)::MakeRankCurrent(session_, rank_, limits_.mode != kLimitsNone ? kRefitCovariance : kRefitRecord);
    AttachRecord();
    Retitle();
    UpdateMenus();
    SetFrameKey(rank_);
    openingCancelled_ = task.Cancelled();
  }
  // A surface mode belongs to one review.
  surfaceMode_ = kSurfaceZ;

  auto* bar = new QMenuBar(this);
  BuildMenus(bar);
  auto* column = new QWidget(this);
  BuildButtons(column);
  auto* graph = new QVBoxLayout;
  graph->setSpacing(4);
  graph->addWidget(Pane(), 1);
  graph->addWidget(StatusStrip());
  auto* body = new QHBoxLayout;
  body->addLayout(graph, 1);
  body->addWidget(column);
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(4, 4, 4, 4);
  top->setMenuBar(bar);
  top->addLayout(body);
  SetMenuCommandHandler([this](int id) { Command(id); });
}

TRView::~TRView() {
  closing_ = true;
  StopRender();
  // The satellites go first: none may call back into a window half destroyed.
  ClosePanes(false);
  if (list_ != nullptr) {
    list_->AllowClose();
    delete list_;
    list_ = nullptr;
  }
  // The record outlives the window: nothing in it may call into it.
  setup_->SurfaceFn = nullptr;
}

WindowPlacement& TRView::Layout(int entry) const {
  return ReviewLayoutBlock(CurrentSettings(), listFirst_)[static_cast<std::size_t>(entry)];
}

QAction* TRView::Action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

QPushButton* TRView::Button(int id) const {
  const auto it = buttons_.find(id);
  return it == buttons_.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------------------------------
// Building the window

QAction* TRView::AddAction(QMenu* menu, int id, const char* text, bool checkable) {
  QAction* a = menu->addAction(FromCp1252(text));
  a->setObjectName(QString::number(id));
  a->setCheckable(checkable);
  connect(a, &QAction::triggered, this, [this, id] { Command(id); });
  actions_[id] = a;
  return a;
}

// Each item of a menu has a letter of its own: "&Last Equation" and "Next &Lower Rank
// Equation", "Polynomial/Rational &Equations" and "Sort by &Equation Number" shared theirs.
void TRView::BuildMenus(QMenuBar* bar) {
  QMenu* file = bar->addMenu(tr("&File"));
  AddAction(file, kCmReviewSaveLotus, "Save &Lotus 123...");
  AddAction(file, kCmReviewSaveExcel, "Save &Excel...");
  AddAction(file, kCmReviewSaveQuattro, "Save &Quattro Pro Win...");
  AddAction(file, kCmReviewSaveSibling, "Save Merovane W&in...");
  AddAction(file, kCmReviewSaveAscii, "Save &ASCII...");
  file->addSeparator();
  AddAction(file, kCmReviewCodeGeneration, "&Code Generation...");
  AddAction(file, kCmReviewSaveUdf, "Save Ondravik &UDF");
  AddAction(file, kCmReviewSaveParameters, "Save Para&meters...");
  AddAction(file, kCmReviewSaveCovariance, "Save Co&variance Matrix...");
  file->addSeparator();
  AddAction(file, kCmReviewPreferences, "P&references...");
  file->addSeparator();
  AddAction(file, kCmReviewPrinterSetup, "Printer Se&tup...");
  AddAction(file, kCmReviewPrint, "&Print...");
  if (AuditLevel != 0) {
    file->addSeparator();
    AddAction(file, kCmReviewSaveAudit, "Save Au&dit File...");
  }

  QMenu* edit = bar->addMenu(tr("&Edit"));
  AddAction(edit, kCmReviewCopy, "&Copy...");

  QMenu* graph = bar->addMenu(tr("&Graph"));
  for (const TGraphMenuItem& item : kGraphMenuItems) AddAction(graph, item.id, item.text);

  QMenu* intervals = bar->addMenu(tr("&Intervals"));
  AddAction(intervals, kCmReviewConfidence, "&Confidence", true);
  AddAction(intervals, kCmReviewPrediction, "&Prediction", true);
  intervals->addSeparator();
  const char* levels[kLevelCount] = {"9&0 %", "9&5%", "9&9%", "99.9%", "99.99%"};
  for (int i = 0; i < kLevelCount; ++i) AddAction(intervals, kCmReviewLevel90 + i, levels[i], true);

  QMenu* scan = bar->addMenu(tr("&Scan"));
  AddAction(scan, kCmReviewSearch, "&Search Specific Equation...");
  scan->addSeparator();
  AddAction(scan, kCmReviewFirst, "&First Equation");
  AddAction(scan, kCmReviewLast, "&Last Equation");
  AddAction(scan, kCmReviewHigher, "Next &Higher Rank Equation");
  AddAction(scan, kCmReviewLower, "Next Lo&wer Rank Equation");

  QMenu* list = bar->addMenu(tr("&List"));
  AddAction(list, kCmReviewKeepList, "&Keep List after Selection", true);
  AddAction(list, kCmReviewAllGoodness, "All &Goodness of Fit in List", true);
  AddAction(list, kCmReviewListFont, "&Font for List...");
  list->addSeparator();
  // The subsets as the list's own menu names them.
  const char* subsets[6] = {"&All Equations",        "&Simple Equations",   "Polynomial/Rational &Equations",
                            "&Polynomial Equations", "&Rational Equations", "&Non-Linear Equations"};
  for (int i = 0; i < 6; ++i) AddAction(list, kCmReviewSubsetAll + i, subsets[i], true);
  list->addSeparator();
  const char* sorts[6] = {"S&ort by r\xB2",         "Sort by &DOF Adjusted &r\xB2", "Sort b&y Std Error",
                          "Sort by F-s&tatistic",   "Sort by F&loating Point Speed", "Sort by E&quation Number"};
  for (int i = 0; i < 6; ++i) AddAction(list, kSortCommands[i].id, sorts[i], true);
  list->addSeparator();
  AddAction(list, kCmReviewSortByCount, "Arrange &by Parameter Count", true);

  QMenu* window = bar->addMenu(tr("&Window"));
  AddAction(window, kCmReviewGraphWindow, "&Surface-Fit Graph");
  AddAction(window, kCmReviewResidualsWindow, "&Residuals Graph");
  AddAction(window, kCmReviewListWindow, "Equation &List");
  AddAction(window, kCmReviewNumericWindow, "&Numeric Summary");
  AddAction(window, kCmReviewDataWindow, "&Data Summary");
  AddAction(window, kCmReviewPrecisionWindow, "&Precision Summary");
  AddAction(window, kCmReviewEvaluation, "&Evaluation");

  for (QMenu* m : {file, edit, graph, intervals, scan, list, window})
    connect(m, &QMenu::aboutToShow, this, [this] { EnableModeCommands(); });
}

void TRView::AddButton(QWidget* parent, QWidget* button, int id) {
  button->setObjectName(QString::number(id));
  if (auto* push = qobject_cast<QPushButton*>(button)) {
    push->setAutoDefault(false);
    buttons_[id] = push;
    connect(push, &QPushButton::clicked, this, [this, id] { Command(id); });
  }
  (void)parent;
}

void TRView::BuildButtons(QWidget* column) {
  auto* grid = new QGridLayout(column);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(3);
  int row = 0;
  auto pair = [&](int leftId, const char* left, int rightId, const char* right) {
    auto* a = new QPushButton(tr(left), column);
    AddButton(column, a, leftId);
    grid->addWidget(a, row, 0);
    if (rightId != 0) {
      auto* b = new QPushButton(tr(right), column);
      AddButton(column, b, rightId);
      grid->addWidget(b, row, 1);
    }
    ++row;
  };
  pair(kReviewOk, "OK", kReviewHelp, "Help");
  Button(kReviewOk)->setDefault(true);
  pair(kCmGraphType, "&3D Type", kCmViewOptions, "3D &View");
  pair(kCmScaling, "&Scaling", kCmAnimate, "&Animate");
  pair(kCmTitles, "&Titles", kCmGraphFont, "&Font");
  pair(kCmColors, "Colors", kCmPointsOptions, "Points");
  pair(kReviewCopyButton, "&Copy", kReviewPrintButton, "&Print");
  pair(kReviewIntervals, "&Intervals", kReviewResiduals, "&Residuals");

  // The arrows: the first rank, one rank up, one rank down.
  auto* arrows = new QHBoxLayout;
  arrows->setSpacing(3);
  const struct {
    int id, count, direction;
  } tri[] = {{kReviewFirst, 2, 0}, {kReviewHigher, 1, 0}, {kReviewLower, 1, 1}};
  for (const auto& t : tri) {
    auto* b = new TButtonTri(column, t.count, t.direction);
    b->setMinimumHeight(26);
    AddButton(column, b, t.id);
    arrows->addWidget(b);
  }
  grid->addLayout(arrows, row++, 0, 1, 2);
  pair(kReviewSearchButton, "&Search", kReviewList, "&List");
  pair(kReviewNumeric, "&Numeric", kReviewData, "&Data");
  pair(kReviewPrecision, "Precisi&on", kReviewEvaluate, "&Eval");
  pair(kReviewQuickEval, "&QuickEval", 0, nullptr);

  auto* deriv = new QGroupBox(tr("Deriv"), column);
  auto* radios = new QGridLayout(deriv);
  radios->setContentsMargins(4, 2, 4, 2);
  radios->setSpacing(1);
  const char* modes[6] = {"None", "dX", "dY", "dXdY", "dX\xB2", "dY\xB2"};
  for (int i = 0; i < 6; ++i) {
    auto* r = new QRadioButton(FromCp1252(modes[i]), deriv);
    r->setObjectName(QString::number(kReviewSurfaceNone + i));
    modeButtons_[static_cast<std::size_t>(i)] = r;
    connect(r, &QRadioButton::clicked, this, [this, i] { SetSurfaceMode(i); });
    radios->addWidget(r, i % 3, i / 3);
  }
  modeButtons_[0]->setChecked(true);
  grid->addWidget(deriv, row++, 0, 1, 2);
  grid->setRowStretch(row, 1);
}

// ---------------------------------------------------------------------------------------
// Setting up and closing

void TRView::SetupWindow() {
  TEqnListSetup listSetup;
  listSetup.openingMode = listFirst_ ? kOpenListFirst : kOpenGraphFirst;
  listSetup.savedRect = &listRect_;
  listSetup.allGoodness = &CurrentSettings().ListAllGoodnessOfFit;
  list_ = new TEqnList(this, session_, this, listSetup);
  OwnWindow(list_);
  const WindowPlacement& place = Layout(kLayoutReview);
  const bool neverPlaced = place.x == -1 || place.width == -1;
  TViewData::SetupWindow();
  // Never placed: the upper left of the screen, clear of the list's place in the lower
  // right of a graph-first review.
  if (neverPlaced) move(ScreenWidth / 50, ScreenHeight / 25);
  {
    // The rank was made current and its surface sampled when the window was made: the
    // titles are laid out on the fonts the setup made, and the first picture is drawn
    // within a step the user may cancel (a user function's fit may take long to draw),
    // which closes the review.
    const TEvaluationTask task(this, windowTitle(), RefittingText(rank_));
    Retitle();
    if (DrawNowIfCostly()) PaintGraph();
    if (task.Cancelled()) {
      openingCancelled_ = true;
      QMetaObject::invokeMethod(this, [this] { done(kReviewOk); }, Qt::QueuedConnection);
    }
  }
  CheckLimitItems();
  EnableModeCommands();
  // The satellites come once the window is on the screen, so that the window manager
  // stacks them above it.
  QMetaObject::invokeMethod(this, [this] { ShowSatellites(); }, Qt::QueuedConnection);
}

void TRView::ShowSatellites() {
  if (openingCancelled_) return;
  // A fit list without a fit: nothing to review.
  if (!list_->SetupWindow()) {
    done(kReviewOk);
    return;
  }
  CheckListItems();
  // Satellites that were open when this kind of review last closed.
  if (LayoutOpen(Layout(kLayoutResiduals))) OpenResiduals(false);
  for (int entry : {kLayoutNumeric, kLayoutData, kLayoutPrecision})
    if (LayoutOpen(Layout(entry))) OpenPane(entry, false);
  if (list_->GetCount() < 2 && list_->isVisible()) ToggleList();
  activateWindow();
  renderWanted_ = true;
  StartRender();
}

void TRView::done(int result) {
  closing_ = true;
  StopRender();
  ClosePanes(true);
  session_.ReviewCurrentRank = rank_;
  SetLayoutRect(Layout(kLayoutList), listRect_);
  TViewData::done(result);
}

void TRView::ClosePanes(bool recordFlags) {
  if (recordFlags) {
    // The residual graph's record keeps where its window stood; then its open flag.
    if (residOptions_) residOptions_->StoreBack();
    SetLayoutOpen(Layout(kLayoutResiduals), residWin_ != nullptr);
  }
  CloseResiduals();
  for (int entry : {kLayoutNumeric, kLayoutData, kLayoutPrecision}) {
    TRVScrWin* pane = TextPane(entry);
    if (recordFlags) SetLayoutOpen(Layout(entry), pane != nullptr);
    if (pane == nullptr) continue;
    pane->ForgetOwner();
    pane->AllowClose();
    delete pane;
  }
}

TRVScrWin* TRView::TextPane(int entry) const {
  switch (entry) {
    case kLayoutNumeric: return numWin_;
    case kLayoutData: return dataWin_;
    case kLayoutPrecision: return precWin_;
    default: return nullptr;
  }
}

// ---------------------------------------------------------------------------------------
// The current fit

void TRView::AttachRecord() {
  Renderer().StoreOptions();
  const bool surface = surfaceMode_ == kSurfaceZ;
  // The derivative surfaces are drawn alone: the data belong to the surface itself.
  setup_->Points = surface ? TablePoints(session_.Table) : PointsSource{};
  // The residual bands of the points are in units of the current fit's standard error.
  if (setup_->PointsOpt != nullptr) setup_->PointsOpt->FitRecord = surface ? &session_.CurFit.eqn.fitStdError : nullptr;
  const TFitSide& fit = session_.CurFit;
  switch (limits_.mode) {
    case kLimitsConfidence:
      setup_->LimitFn = [&fit](long double x, long double y, long double z) { return ConfidenceLimit(fit, x, y, z); };
      break;
    case kLimitsPrediction:
      setup_->LimitFn = [&fit](long double x, long double y, long double z) { return PredictionLimit(fit, x, y, z); };
      break;
    default: setup_->LimitFn = nullptr; break;
  }
  setup_->LimitKind = RendererLimitKind(limits_.mode);
  (void)Renderer().SetData(setup_);
  // The kept points are what the pointer is matched to.
  Renderer().SetKeepPoints(true);
}

struct TRView::TShown {
  int rank = 0;
  int currentUdf = 0;
  TFitSide fit;
  TReviewTitleSets titles;
  TReviewLimits limits;
  int level = 0;
  int surfaceMode = kSurfaceZ;
  TShownGraph graph;
  std::vector<std::pair<QPointer<TRVScrWin>, TRVScrWin::TShownText>> panes;
  std::optional<TResid::TShown> residuals;
};

TRView::TShown TRView::KeepShown() const {
  TShown k{session_.ReviewCurrentRank,
           ExprThreadContext().CurrentUdf,
           session_.CurFit,
           ReviewTitleSets(),
           limits_,
           CurrentSettings().LimitsLevel,
           surfaceMode_,
           KeepShownGraph(),
           {},
           std::nullopt};
  for (int entry : {kLayoutNumeric, kLayoutData, kLayoutPrecision})
    if (TRVScrWin* pane = TextPane(entry)) k.panes.emplace_back(pane, pane->KeepText());
  if (residWin_) k.residuals = residWin_->Keep();
  return k;
}

void TRView::PutBackShown(TShown kept) {
  rank_ = kept.rank;
  session_.ReviewCurrentRank = kept.rank;
  session_.CurFit = std::move(kept.fit);
  ExprThreadContext().CurrentUdf = kept.currentUdf;
  ReviewTitleSets() = std::move(kept.titles);
  const bool attach = kept.limits.mode != limits_.mode || kept.surfaceMode != surfaceMode_;
  limits_ = kept.limits;
  CurrentSettings().LimitsMode = limits_.mode;
  CurrentSettings().LimitsLevel = kept.level;
  surfaceMode_ = kept.surfaceMode;
  if (QRadioButton* r = modeButtons_[static_cast<std::size_t>(surfaceMode_)]) r->setChecked(true);
  // The record as it was; its surface is sampled again by evaluations that give up at once
  // after the Cancel, and the figures it showed come back with the picture.
  if (attach) AttachRecord();
  FormatGraphTitle();
  PutBackShownGraph(std::move(kept.graph));
  // The rank's own pictures: after a re-sort a rank number names another fit.
  SetFrameKey(rank_);
  for (auto& [pane, text] : kept.panes)
    if (pane) pane->PutBackText(std::move(text));
  if (residWin_ && kept.residuals) residWin_->PutBack(std::move(*kept.residuals));
  if (list_ != nullptr) list_->SelectPrefix(CFormat("%4d", rank_));
  CheckLimitItems();
  EnableModeCommands();
}

bool TRView::RefitAndRedraw() {
  // The render thread refits from its own copies into its own fit: it goes on meanwhile.
  const TEvaluationTask task(this, windowTitle(), RefittingText(rank_));
  TShown kept = KeepShown();
  const bool wasSuspended = PaintingSuspended();
  SetPaintingSuspended(true);
  if (residWin_) residWin_->SetBusy(true);
  session_.ReviewCurrentRank = rank_;
  const bool made = ::MakeRankCurrent(session_, rank_, limits_.mode != kLimitsNone ? kRefitCovariance : kRefitRecord);
  SetFrameKey(rank_);
  const bool drawn = made && DrawNowIfCostly();
  if (made) {
    Retitle();
    Renderer().Recompute();
    if (drawn) PaintGraph();
    UpdateMenus();
  }
  if (residWin_) residWin_->SetBusy(false);
  SetPaintingSuspended(wasSuspended);
  const bool cancelled = task.Cancelled();
  if (cancelled) PutBackShown(std::move(kept));
  Redraw(drawn || cancelled ? 0 : 1);
  return !cancelled;
}

bool TRView::DrawNowIfCostly() const {
  // Only the language's evaluations can take long and be stopped (a user function's, the
  // derivatives of one); the picture of every other fit is drawn at the next paint.
  return session_.CurFit.udfIndex >= 0;
}

void TRView::Retitle() {
  const ProgramSettings& s = CurrentSettings();
  FormatCurrentFitTitles(ReviewTitleSets().automatic, session_, s.ReviewTitleLines, surfaceMode_,
                         s.GraphTitleDigits);
  FormatGraphTitle();
}

void TRView::FormatGraphTitle() {
  TReviewTitleSets& sets = ReviewTitleSets();
  const float points = setup_->Font != nullptr && setup_->Font->height != 0
                           ? static_cast<float>(std::abs(setup_->Font->height))
                           : 12.0f;
  (void)LayoutGraphTitles(sets.custom, sets.automatic, points);
  // The fonts follow the sizes of the lines laid out, so that a rank is drawn the same
  // whichever rank was shown before it (and as the render thread draws it).
  RebuildFonts();
}

void TRView::RebuildFonts() {
  Renderer().PrepareTitles();
  Renderer().DeleteFonts();
  Renderer().CreateScreenFonts();
}

void TRView::UpdateMenus() {
  for (int entry : {kLayoutNumeric, kLayoutData, kLayoutPrecision})
    if (TRVScrWin* pane = TextPane(entry)) {
      pane->SetRank(rank_);
      pane->Rebuild();
    }
  if (residWin_) residWin_->Refresh();
  if (ReviewExtensions().refreshSatellites) ReviewExtensions().refreshSatellites(*this);
  EnableModeCommands();
}

void TRView::Redraw(int mode) {
  if (mode == 2) StopRender();
  TViewData::Redraw(mode);
  if (mode == 2) StartRender();
}

void TRView::MakeRankCurrent(int how, int rank) {
  switch (how) {
    case kRankRowChosen: rank_ = rank; break;
    case kRankListRebuilt:
    case kRankFirstAfterSort:
      // A new order, filter or form of the list: the thread starts again on the new rows
      // (which a list being rebuilt has once the events in hand are done).
      StopRender();
      ClearImageCache();
      if (how == kRankFirstAfterSort) rank_ = rank;
      ScheduleRenderStart();
      break;
    default: return;
  }
  if (rank_ < 1) return;
  (void)RefitAndRedraw();  // a Cancel shows the rank shown before
}

void TRView::ReviewNotify(int code) {
  switch (code) {
    case kNotifyListHidden: activateWindow(); break;
    case kNotifyKeepList:
    case kNotifyFilter:
    case kNotifySort:
    case kNotifyAllGoodness: CheckListItems(); break;
    case kNotifyDataType:
      if (dataWin_) {
        dataWin_->SetRank(rank_);
        dataWin_->Rebuild();
      }
      break;
    case kNotifyNumericOptions:
      if (numWin_) {
        numWin_->SetRank(rank_);
        numWin_->Rebuild();
      }
      break;
    case kNotifyNumericClosed: numWin_ = nullptr; break;
    case kNotifyDataClosed: dataWin_ = nullptr; break;
    case kNotifyPrecisionClosed: precWin_ = nullptr; break;
    default: break;
  }
}

void TRView::BeforeFitListResort() { StopRender(); }

void TRView::ListMiddleButton(bool doubleClick) {
  if (doubleClick)
    StandardView();
  else
    ToggleWheelMode();
}

void TRView::ListRotateStep(int delta, bool shift, bool ctrl) {
  Qt::KeyboardModifiers keys;
  if (shift) keys |= Qt::ShiftModifier;
  if (ctrl) keys |= Qt::ControlModifier;
  WheelStep(delta, keys);
}

// ---------------------------------------------------------------------------------------
// Commands

bool TRView::CommandAvailable(int id) const {
  if (!IsExtension(id)) return true;
  const TReviewExtensions& ext = ReviewExtensions();
  if (ext.commands.find(id) == ext.commands.end()) return false;
  if (id == kCmReviewSaveUdf && !CanSaveAsUserFunction(session_.CurFitEqn())) return false;
  const auto condition = ext.conditions.find(id);
  return condition == ext.conditions.end() || !condition->second || condition->second(*this);
}

void TRView::RunExtension(int id) {
  if (!CommandAvailable(id)) return;
  const auto handler = ReviewExtensions().commands.find(id);
  if (handler != ReviewExtensions().commands.end() && handler->second) handler->second(*this);
}

void TRView::Command(int id) {
  if (IsExtension(id)) {
    RunExtension(id);
    return;
  }
  if (const int option = OptionButtonOf(id)) id = option;
  if (id >= kCmReviewLevel90 && id < kCmReviewLevel90 + kLevelCount) {
    SetLevel(id - kCmReviewLevel90);
    return;
  }
  if ((id >= kCmReviewSubsetAll && id < kCmReviewSubsetAll + 6) || (id >= kCmReviewSortR2 && id <= kCmReviewSortNumber) ||
      id == kCmReviewKeepList || id == kCmReviewAllGoodness || id == kCmReviewListFont) {
    RunListCommand(id);
    return;
  }
  switch (id) {
    case kReviewOk: done(kReviewOk); break;
    case kReviewHelp: platform::ShowHelp(ToWindow(this), kReviewHelpContext); break;
    case kCmGraphType:
    case kCmViewOptions:
    case kCmScaling:
    case kCmAnimate:
    case kCmGraphFont:
    case kCmColors:
    case kCmPointsOptions: (void)RunOptionCommand(id); break;
    case kCmTitles:
    case kCmReviewTitles: CmTitles(); break;
    case kReviewCopyButton:
    case kCmReviewCopy: CopyGraph(); break;
    case kReviewPrintButton:
    case kCmReviewPrint: PrintGraph(); break;
    case kCmReviewPrinterSetup: RunPrinterSetup(this); break;
    case kReviewIntervals:
    case kCmReviewConfidence:
    case kCmReviewPrediction: ChangeLimits(id); break;
    case kReviewFirst: Step(kStepFirst); break;
    case kReviewHigher: Step(kStepHigher); break;
    case kReviewLower: Step(kStepLower); break;
    case kCmReviewFirst:
    case kCmReviewLast:
    case kCmReviewHigher:
    case kCmReviewLower: Step(id); break;
    case kReviewSearchButton:
    case kCmReviewSearch: CmFindEquation(); break;
    case kCmReviewPreferences: CmPreferences(); break;
    case kReviewList: ToggleList(); break;
    case kCmReviewListWindow: ShowList(true); break;
    case kReviewNumeric: OpenPane(kLayoutNumeric, true); break;
    case kReviewData: OpenPane(kLayoutData, true); break;
    case kReviewPrecision: OpenPane(kLayoutPrecision, true); break;
    case kCmReviewNumericWindow: OpenPane(kLayoutNumeric, false); break;
    case kCmReviewDataWindow: OpenPane(kLayoutData, false); break;
    case kReviewResiduals: OpenResiduals(true); break;
    case kCmReviewResidualsWindow: OpenResiduals(false); break;
    case kCmReviewPrecisionWindow: OpenPane(kLayoutPrecision, false); break;
    case kCmReviewGraphWindow:
      raise();
      activateWindow();
      break;
    default: break;
  }
}

void TRView::Step(int step) {
  if (list_ == nullptr) return;
  const int row = StepRow(step, list_->GetSelIndex(), list_->GetCount());
  if (row < 0) return;
  list_->SetSelIndex(row);
  SelectedRowCurrent();
}

void TRView::SelectedRowCurrent() {
  const std::string* row = list_->GetSelString();
  if (row == nullptr) return;
  const int rank = RankOfRow(*row);
  if (rank < 1) return;
  rank_ = rank;
  (void)RefitAndRedraw();  // a Cancel shows the rank shown before
}

void TRView::CmFindEquation() {
  SetPaintingSuspended(true);
  // The dialog asks about each number before it closes: one that names no equation of the
  // list is told, and the dialog stays open on it.
  int rank = 0;
  const auto refusal = [this, &rank](long number) -> const char* {
    const std::optional<int> equation =
        number >= 0 && number <= std::numeric_limits<int>::max() ? std::optional<int>(static_cast<int>(number)) : std::nullopt;
    if (!equation || !IsBuiltinEquationNumber(*equation)) return kNotAnEquationText;
    rank = FindRankOfEquation(session_, *equation);
    return rank < 1 ? kEquationNotInListText : nullptr;
  };
  const bool found = (new TEqnSearchDlg(this, &searchEntry_, refusal))->Execute() == QDialog::Accepted && rank > 0;
  if (found) {
    rank_ = rank;
    if (list_ != nullptr) list_->SelectPrefix(CFormat("%4d", rank));
    (void)RefitAndRedraw();  // a Cancel shows the rank shown before
  }
  SetPaintingSuspended(false);
  Redraw(0);
}

void TRView::CmPreferences() {
  ProgramSettings& s = CurrentSettings();
  auto cacheSettings = [&s] {
    return std::array<std::int32_t, 6>{s.ReviewImageKind,  s.GraphCacheKb,     s.GraphCacheOn,
                                       s.BackgroundCacheOn, s.GraphLabelDigits, s.GraphTitleDigits};
  };
  const std::array<std::int32_t, 6> before = cacheSettings();
  if ((new TPreference(this, s))->Execute() != QDialog::Accepted) {
    Redraw(0);
    return;
  }
  Retitle();
  if (cacheSettings() != before) {
    // The pictures kept were drawn with the old digits, kind or size.
    StopRender();
    FreeImageCache();
    if (s.GraphCacheOn != 0) {
      InitImageCache(s.GraphCacheKb);
      SetImageKind(s.ReviewImageKind);
    }
    StartRender();
  }
  Redraw(1);
  UpdateMenus();
}

void TRView::CmTitles() {
  TReviewTitleSets& sets = ReviewTitleSets();
  ProgramSettings& s = CurrentSettings();
  const std::int32_t oldLines = s.ReviewTitleLines;
  const bool wasCustom = sets.custom.Enabled != 0;
  SetPaintingSuspended(true);
  const int result = (new TTitleFmt(this, &s.ReviewTitleLines, &sets.custom.Enabled))->Execute();
  SetPaintingSuspended(false);
  const bool newCount = s.ReviewTitleLines != oldLines;
  auto rebuild = [this] {
    FormatGraphTitle();
    RebuildFonts();
    Redraw(2);
  };
  if (result != TTitleFmt::kCustomTitlesResult) {
    if (result != QDialog::Accepted || !newCount) {
      Redraw(0);
      return;
    }
    sets.custom.Enabled = 0;
    Retitle();
    rebuild();
    return;
  }
  if (newCount) Retitle();
  const platform::Font font = setup_->Font != nullptr ? *setup_->Font : platform::Font{"Arial", 12};
  const bool ok = (new TTitles(this, &sets.custom, sets.automatic, font))->Execute() == QDialog::Accepted;
  if (sets.custom.Enabled == 0) {
    if (newCount || wasCustom)
      rebuild();
    else
      Redraw(0);
  } else if (!ok) {
    Redraw(0);
  } else {
    rebuild();
  }
}

void TRView::ChangeLimits(int command) {
  TShown kept = KeepShown();
  if (command == kCmReviewConfidence) limits_.ToggleConfidence();
  if (command == kCmReviewPrediction) limits_.TogglePrediction();
  if (command == kReviewIntervals) limits_.ToggleIntervals();
  CurrentSettings().LimitsMode = limits_.mode;
  CheckLimitItems();
  TGraphChange change;
  change.refit = limits_.mode != kLimitsNone;
  (void)ApplyGraphChange(std::move(kept), change);  // a Cancel puts the limits back
}

void TRView::SetLevel(int index) {
  TShown kept = KeepShown();
  CurrentSettings().LimitsLevel = index;
  CheckLimitItems();
  // New t values of the level.
  TGraphChange change;
  change.refit = change.redraw = limits_.mode != kLimitsNone;
  change.satellites = [this] {
    for (int entry : {kLayoutNumeric, kLayoutData})
      if (TRVScrWin* pane = TextPane(entry)) {
        pane->SetRank(rank_);
        (void)pane->Rebuild();
      }
  };
  (void)ApplyGraphChange(std::move(kept), change);  // a Cancel puts the level back
}

bool TRView::ApplyGraphChange(TShown kept, const TGraphChange& change) {
  const TEvaluationTask task(this, windowTitle(), QStringLiteral("Calculation in Progress"));
  const bool wasSuspended = PaintingSuspended();
  SetPaintingSuspended(true);
  if (change.redraw) StopRender();
  // A rank the list holds: it was made current before.
  if (change.refit) (void)::MakeRankCurrent(session_, rank_, kRefitCovariance);
  const bool drawn = change.redraw && DrawNowIfCostly();
  if (change.redraw) {
    AttachRecord();
    // The pictures of the other ranks show the graph as it was.
    ClearImageCache();
    if (drawn) PaintGraph();
  }
  if (change.satellites) change.satellites();
  SetPaintingSuspended(wasSuspended);
  const bool cancelled = task.Cancelled();
  if (cancelled) PutBackShown(std::move(kept));
  if (change.redraw) {
    TViewData::Redraw(drawn || cancelled ? 0 : 2);
    StartRender();
  }
  return !cancelled;
}

void TRView::SetSurfaceMode(int mode) {
  if (mode == surfaceMode_ || mode < kSurfaceZ || mode > kSurfaceD2zDy2) {
    if (QRadioButton* r = modeButtons_[static_cast<std::size_t>(surfaceMode_)]) r->setChecked(true);
    return;
  }
  TShown kept = KeepShown();
  modeButtons_[static_cast<std::size_t>(mode)]->setChecked(true);
  surfaceMode_ = mode;
  Retitle();
  // The derivatives of a user function's fit may take long to sample: a Cancel keeps the
  // surface shown, with its data pane and residual graph.
  TGraphChange change;
  change.satellites = [this] {
    if (ReviewExtensions().refreshSatellites) ReviewExtensions().refreshSatellites(*this);
  };
  if (!ApplyGraphChange(std::move(kept), change)) return;
  if (mode != kSurfaceZ && dataWin_) {
    dataWin_->ForgetOwner();
    dataWin_->AllowClose();
    delete dataWin_;
  }
  if (mode != kSurfaceZ) CloseResiduals();
  EnableModeCommands();
}

void TRView::EnableModeCommands() {
  const bool surface = surfaceMode_ == kSurfaceZ;
  for (const auto& [id, action] : actions_) action->setEnabled(CommandAvailable(id));
  for (const auto& [id, button] : buttons_) button->setEnabled(CommandAvailable(id));
  if (!surface) {
    for (int id : kDataButtons)
      if (QPushButton* b = Button(id)) b->setEnabled(false);
    for (int id : kDataItems)
      if (QAction* a = Action(id)) a->setEnabled(false);
  }
}

void TRView::CheckLimitItems() {
  if (QAction* a = Action(kCmReviewConfidence)) a->setChecked(limits_.mode == kLimitsConfidence);
  if (QAction* a = Action(kCmReviewPrediction)) a->setChecked(limits_.mode == kLimitsPrediction);
  const int level = CurrentSettings().LimitsLevel;
  for (int i = 0; i < kLevelCount; ++i)
    if (QAction* a = Action(kCmReviewLevel90 + i)) a->setChecked(i == level);
}

void TRView::CheckListItems() {
  if (list_ == nullptr) return;
  const int code = list_->SortCode();
  for (const auto& sort : kSortCommands)
    if (QAction* a = Action(sort.id)) a->setChecked((code & kSortCriterionMask) == sort.code);
  if (QAction* a = Action(kCmReviewSortByCount)) a->setChecked((code & kSortByParameterCount) != 0);
  for (int i = 0; i < 6; ++i)
    if (QAction* a = Action(kCmReviewSubsetAll + i)) a->setChecked(i == list_->Filter());
  if (QAction* a = Action(kCmReviewKeepList)) a->setChecked(list_->KeepList());
  if (QAction* a = Action(kCmReviewAllGoodness)) a->setChecked(CurrentSettings().ListAllGoodnessOfFit != 0);
}

void TRView::RunListCommand(int id) {
  if (list_ == nullptr) return;
  if (id == kCmReviewKeepList) {
    list_->CmKeepList();
    CheckListItems();
    if (list_->KeepList()) ShowList(true);
    FocusList();
    return;
  }
  if (id == kCmReviewAllGoodness) {
    list_->CmAllGoodnessOfFit();
    CheckListItems();
    ShowList(true);
    return;
  }
  if (id == kCmReviewListFont) {
    setEnabled(false);
    list_->setEnabled(false);
    list_->CmFont();
    list_->setEnabled(true);
    setEnabled(true);
    ShowList(true);
    return;
  }
  if (id == kCmReviewSortByCount) {
    list_->CmSortByParamCount();
  } else if (id >= kCmReviewSubsetAll && id < kCmReviewSubsetAll + 6) {
    list_->SetSubset(id - kCmReviewSubsetAll);
  } else {
    for (const auto& sort : kSortCommands)
      if (sort.id == id) list_->SetSortCode(sort.code | (list_->SortCode() & kSortByParameterCount));
  }
  CheckListItems();
  if (!list_->isVisible()) ShowList(true);
}

void TRView::ToggleList() {
  if (list_ == nullptr || ShowAgainIfMinimized(list_)) return;
  if (list_->isVisible()) {
    list_->ShowList(false);
    activateWindow();
  } else {
    ShowList(true);
  }
}

void TRView::ShowList(bool show) {
  if (list_ == nullptr) return;
  list_->ShowList(show);
  if (show) FocusList();
}

std::vector<QRect> TRView::ListInSight() const {
  if (list_ == nullptr || !list_->isVisible() || list_->isMinimized()) return {};
  return {list_->frameGeometry()};
}

void TRView::FocusList() {
  if (list_ != nullptr && list_->isVisible()) list_->activateWindow();
}

void TRView::OpenPane(int entry, bool toggle) {
  if (TRVScrWin* open = TextPane(entry)) {
    if (toggle) {
      open->ForgetOwner();
      open->close();
      ReviewNotify(entry == kLayoutNumeric ? kNotifyNumericClosed
                   : entry == kLayoutData  ? kNotifyDataClosed
                                           : kNotifyPrecisionClosed);
    } else {
      open->raise();
      open->activateWindow();
    }
    return;
  }
  if (entry == kLayoutData && surfaceMode_ != kSurfaceZ) return;
  WindowPlacement* place = &Layout(entry);
  TReviewNotifier notify = [this](int code) { ReviewNotify(code); };
  TRVScrWin* pane = nullptr;
  switch (entry) {
    case kLayoutNumeric: pane = numWin_ = new TRVNumWin(this, session_, place, rank_, notify); break;
    case kLayoutData: pane = dataWin_ = new TRVDataWin(this, session_, place, rank_, notify); break;
    case kLayoutPrecision: pane = precWin_ = new TRVPrecWin(this, session_, place, rank_, notify); break;
    default: return;
  }
  OwnWindow(pane);
  pane->OpenBeside(frameGeometry(), entry == kLayoutNumeric ? 0 : entry == kLayoutPrecision ? 1 : 2, ListInSight());
  pane->show();
  pane->activateWindow();
  // The pane's text is of the current fit; the graph keeps what it draws. A text the user
  // cancelled (a user function's figures may take long) leaves the pane unopened.
  if (!pane->Rebuild()) {
    pane->ForgetOwner();
    pane->AllowClose();
    delete pane;
  }
}

void TRView::OpenResiduals(bool toggle) {
  if (residWin_) {
    if (toggle) {
      CloseResiduals();
      activateWindow();
    } else {
      residWin_->raise();
      residWin_->activateWindow();
    }
    return;
  }
  // The residuals are of the data against the surface itself.
  if (surfaceMode_ != kSurfaceZ) return;
  ProgramSettings& s = CurrentSettings();
  bool neverPlaced = false;
  if (!residOptions_) {
    residOptions_ = std::make_unique<TGraphOptions>(s, kGraphReviewPane, kPointsReviewPane,
                                                    ReviewLayoutSlot(listFirst_, kLayoutResiduals));
    // Never placed: a quarter of the screen at its lower right, then clear of the review's
    // buttons (on a small screen that quarter reaches over the lower ones).
    WindowPlacement& place = residOptions_->placement;
    if (place.x == -1 || place.width <= 0) {
      const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
      const int w = screen.width() / 2, h = screen.height() / 2;
      place = WindowPlacement{screen.right() - w - 10, screen.bottom() - h - 30, w, h, 0};
      neverPlaced = true;
    }
  }
  T3DGraphSetup& r = residOptions_->Setup();
  r.SurfaceFn = [this](long double x, long double y) { return EvalFitZ(session_.CurFit, x, y); };
  r.PointSurfaceFn = nullptr;
  r.GridFn = nullptr;
  r.Points = TablePoints(session_.Table);
  r.LimitFn = nullptr;
  r.LimitKind = 0;
  r.ResidualMode = std::clamp(static_cast<int>(s.ResidualMode), 0, 2) + 1;
  r.UserScheme = 5;
  residOptions_->points.FitRecord = &session_.CurFit.eqn.fitStdError;
  SetDataRanges(r.Scaling, session_.DataStats);
  TReviewTitleSets& titles = ResidualTitleSets();
  titles.custom.Enabled = 0;
  r.Titles = &titles.custom;
  r.TitleSettings = &titles.automatic;
  // The residuals of a user function's fit may take long: a Cancel leaves the window
  // unopened.
  const TEvaluationTask task(this, tr("Residuals"), QStringLiteral("Calculation in Progress"));
  residWin_ = new TResid(this, session_, &r, OptionDialogs());
  if (neverPlaced) {
    // Its record holds the place found, for the next opening in this review. The equation
    // list stays in sight where the screen has room (at 1600 x 1200 the graph covered it).
    PlaceClearOf(residWin_, this, residWin_->geometry(), TClearFit::kLargestArea, ListInSight());
    RecordPlacement(*residWin_, residOptions_->placement);
  }
  residWin_->setAttribute(Qt::WA_DeleteOnClose);
  OwnWindow(residWin_);
  connect(residWin_, &T3DWin::closed, this, [this] { activateWindow(); });
  residWin_->SetBusy(true);
  residWin_->show();
  residWin_->DrawFrameNow();
  residWin_->SetBusy(false);
  if (task.Cancelled()) {
    CloseResiduals();
    return;
  }
  residWin_->update();
  residWin_->activateWindow();
}

void TRView::CloseResiduals() {
  if (!residWin_) return;
  // Closed from here: the review needs no word of it.
  disconnect(residWin_, &T3DWin::closed, this, nullptr);
  delete residWin_;
}

// The graph is drawn whatever the satellites' rectangles cover: only the window system knows
// whether a satellite stands over the pane or under it, and a graph left undrawn under one
// that the review has since come over would show another rank than the panes.
void TRView::AfterPaint() { ShowRenderStats(); }

void TRView::ShowRenderStats() {
  if (closing_ || CurrentSettings().ShowCacheStats == 0) return;
  TRenderFigures f;
  f.fromCache = LastFromCache();
  f.drawSeconds = RenderTime();
  f.imageBytes = std::max<std::int64_t>(LastImageSize(), 0);
  f.displaySeconds = TransferTime();
  f.cacheBytes = Cache().CachedBytes(&f.cacheImages);
  const TRenderStatsTexts t = FormatRenderStats(f);
  SetFieldText(1, QString::fromLatin1(t.frame.c_str()));
  SetFieldText(2, QString::fromLatin1(t.display.c_str()));
  SetFieldText(3, QString::fromLatin1(t.cache.c_str()));
}

bool TRView::BackgroundRenderOn() const {
  const ProgramSettings& s = CurrentSettings();
  return s.GraphCacheOn != 0 && s.BackgroundCacheOn != 0 && Cache().Enabled();
}

void TRView::StartRender() {
  renderStart_.stop();
  if (closing_ || !renderWanted_ || list_ == nullptr || !BackgroundRenderOn()) return;
  std::vector<int> ranks;
  ranks.reserve(static_cast<std::size_t>(list_->GetCount()));
  for (int row = 0; row < list_->GetCount(); ++row)
    if (const std::string* text = list_->GetString(row)) ranks.push_back(RankOfRow(*text));
  // The thread draws what the window would: its renderer's options as they stand now.
  Renderer().StoreOptions();
  const ProgramSettings& s = CurrentSettings();
  TRenderLook look;
  look.graphRect = Renderer().GraphRect();
  look.width = Pane()->width();
  look.height = Pane()->height();
  look.surfaceMode = surfaceMode_;
  look.limitsMode = limits_.mode;
  look.limitsLevel = s.LimitsLevel;
  look.titleLines = s.ReviewTitleLines;
  look.titleDigits = s.GraphTitleDigits;
  look.imageKind = ImageKindInUse();
  (void)render_->Start(MakeRenderSnapshot(session_, ranks, *setup_, look));
}

void TRView::StopRender() {
  renderStart_.stop();
  render_->Stop();
}

void TRView::ScheduleRenderStart(int delayMs) {
  if (renderWanted_ && !closing_) renderStart_.start(delayMs);
}

void TRView::PaneResized() {
  // The pictures are of the pane's size: a new size draws them anew, once the resizing
  // has come to rest.
  StopRender();
  TViewData::PaneResized();
  ScheduleRenderStart(250);
}

// ---------------------------------------------------------------------------------------
// The mouse

bool TRView::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) {
    // The click that brings the window forward is not a click on the graph. (The windows
    // the review keeps are raised again by their keepers, in the order the user last used
    // them.)
    activateClick_ = true;
  }
  return TViewData::event(event);
}

void TRView::PaneMouseMove(QMouseEvent* event) {
  activateClick_ = false;
  TViewData::PaneMouseMove(event);
}

void TRView::PaneMousePress(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && activateClick_) {
    activateClick_ = false;
    return;
  }
  TViewData::PaneMousePress(event);
}

QString TRView::HoverMessage(const TXYZPoint& point, int record) const {
  if (point.Status == '*') return FromCp1252(CFormat(platform::LoadString(kInactiveText).data(), record));
  ExprThreadContext().ExprMathError = 0;
  const long double fitted = EvalFitZ(session_.CurFit, point.X, point.Y);
  const std::string residual = FormatNumber(point.Z - fitted, kResidualWidth);
  return FromCp1252(CFormat(platform::LoadString(kResidualText).data(), record, residual.c_str()));
}

void TRView::DrawSummary(platform::DeviceContext& dc, int dpi, const platform::Rect& rect, bool colors) {
  DrawCurrentFitSummary(session_, dc, dpi, rect, colors);
}

// ---------------------------------------------------------------------------------------
// Opening

void OpenReviewWindow(QWidget* mainWindow, TSession& session, bool listFirst) {
  CloseDataStatus();
  ProgramSettings& s = CurrentSettings();
  {
    TGraphOptions options(s, kGraphDataStatusFits, kPointsDataStatusFits,
                          ReviewLayoutSlot(listFirst, kLayoutReview));
    T3DGraphSetup& setup = options.Setup();
    SetDataRanges(setup.Scaling, session.DataStats);
    TReviewTitleSets& titles = ReviewTitleSets();
    setup.Titles = &titles.custom;
    setup.TitleSettings = &titles.automatic;
    // Every review opens with the automatic titles of the rank under review.
    titles.custom.Enabled = 0;
    auto* window = new TRView(mainWindow, session, &setup, listFirst);
    // It may open by itself (after a fit's ten seconds, after a background fit) under a
    // pointer on its way to the window before it.
    GuardAgainstEarlyClicks(window);
    if (window->OpeningCancelled()) {
      delete window;  // the user cancelled the refit of a fit that takes long to evaluate
    } else {
      window->resize(std::max(ScreenWidth * 31 / 50, 760), std::max(ScreenHeight * 37 / 50, 560));
      window->Execute();
    }
    options.StoreBack();
  }
  s.reviewStartMode = listFirst ? 1 : 0;
  ShowDataStatus();
}

void RegisterReviewCommands(TSession& session) {
  RegisterCommand(CmReviewGraph, [&session] { OpenReviewWindow(MainWindow, session, false); });
  RegisterCommand(CmReviewList, [&session] { OpenReviewWindow(MainWindow, session, true); });
  SetStatusGraphTitler([&session](T3DTitleSet& titles) {
    FormatCurrentFitTitles(titles, session, 2, kSurfaceZ, CurrentSettings().GraphTitleDigits);
  });
  RegisterReviewPreferences();
}
