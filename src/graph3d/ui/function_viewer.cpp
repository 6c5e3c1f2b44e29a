#include "graph3d/ui/function_viewer.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

#include "app/ui/command_ids.h"
#include "app/ui/command_table.h"
#include "app/ui/data_status_window.h"
#include "app/ui/main_window.h"
#include "app/ui/owned_window.h"
#include "graph3d/graph_options.h"
#include "graph3d/surface_search_start.h"
#include "graph3d/ui/view_function_dialog.h"
#include "platform/qt/early_clicks.h"
#include "platform/qt/qt_text.h"

namespace {

constexpr const char* kModeTexts[kViewModeCount] = {"None", "dX", "dY", "dXdY", "dX\xB2", "dY\xB2"};
constexpr const char* kEvaluationCaption = "View Function Evaluation";

// The button pairs of the viewer's column, left and right (0: none).
constexpr std::pair<int, int> kButtonRows[] = {
    {TVFXY::kOk, TVFXY::kHelp},     {kCmGraphType, kCmViewOptions}, {kCmScaling, kCmAnimate},
    {kCmTitles, kCmGraphFont},      {kCmColors, kCmPointsOptions},  {TVFXY::kCopy, TVFXY::kPrint},
    {kCmEvaluate, TVFXY2::kQuickEval}, {TVFXY::kUndo, 0}};

}  // namespace

TVFXY2::TVFXY2(QWidget* parent, T3DGraphSetup* setup, const std::string& text, ViewMode& mode,
               std::unique_ptr<GraphOptionDialogs> dialogs)
    : TVFXY(parent, setup, std::move(dialogs)), text_(text), mode_(mode) {
  setWindowTitle(tr("View Function of X,Y"));
  Context().evaluationCaption = kEvaluationCaption;
  auto* column = new QWidget(this);
  auto* grid = new QGridLayout(column);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(4);
  int row = 0;
  for (const auto& [left, right] : kButtonRows) {
    grid->addWidget(MakeButton(left, column), row, 0);
    if (right == kQuickEval) {
      auto* b = new QPushButton(tr("&QuickEval"), column);
      b->setObjectName(QString::number(kQuickEval));
      b->setAutoDefault(false);
      b->setEnabled(static_cast<bool>(GetQuickEvalMaker()));
      connect(b, &QPushButton::clicked, this, &TVFXY2::ToggleQuickEval);
      grid->addWidget(b, row, 1);
    } else if (right != 0) {
      grid->addWidget(MakeButton(right, column), row, 1);
    }
    ++row;
  }
  auto* deriv = new QGroupBox(tr("Deriv"), column);
  auto* radios = new QGridLayout(deriv);
  radios->setContentsMargins(4, 2, 4, 2);
  radios->setSpacing(1);
  for (int i = 0; i < kViewModeCount; ++i) {
    auto* r = new QRadioButton(platform::qt::FromCp1252(kModeTexts[i]), deriv);
    r->setObjectName(QString::number(kModeFirst + i));
    modeButtons_[static_cast<std::size_t>(i)] = r;
    connect(r, &QRadioButton::clicked, this, [this, i] { SetViewMode(static_cast<ViewMode>(i)); });
    radios->addWidget(r, i % 3, i / 3);
  }
  grid->addWidget(deriv, row++, 0, 1, 2);
  grid->setRowStretch(row, 1);

  auto* top = new QHBoxLayout(this);
  top->setContentsMargins(4, 4, 4, 4);
  top->addWidget(Pane(), 1);
  top->addWidget(column);
}

TVFXY2::~TVFXY2() { CloseQuickEval(); }

QRadioButton* TVFXY2::ModeButton(ViewMode m) const {
  const int i = static_cast<int>(m);
  return i >= 0 && i < kViewModeCount ? modeButtons_[static_cast<std::size_t>(i)] : nullptr;
}

void TVFXY2::SetupWindow() {
  TVFXY::SetupWindow();
  for (int i = 0; i < kViewModeCount; ++i) modeButtons_[static_cast<std::size_t>(i)]->setChecked(i == static_cast<int>(mode_));
}

void TVFXY2::done(int result) {
  // Quick Eval reads this window's surface: it goes first.
  CloseQuickEval();
  TVFXY::done(result);
}

void TVFXY2::SetViewMode(ViewMode m) {
  if (m == mode_) return;
  T3DBase& renderer = Renderer();
  T3DGraphSetup* setup = renderer.Setup();
  if (setup == nullptr) return;
  renderer.EnableDrawing(false);
  mode_ = m;
  if (setup->TitleSettings != nullptr) SetGraphTitlesFromText(*setup->TitleSettings, text_, m);
  // The grid and the Z range are those of the new surface; SetData enables drawing again.
  (void)renderer.SetData(setup);
  if (QRadioButton* b = ModeButton(m)) b->setChecked(true);
  Redraw(2);
  if (QuickEvalOpen() && quickEval_.evaluate) quickEval_.evaluate();
}

TSurfaceSearchStart TVFXY2::MinCellOfView() const { return SurfaceSearchStart(Renderer(), false); }
TSurfaceSearchStart TVFXY2::MaxCellOfView() const { return SurfaceSearchStart(Renderer(), true); }

void TVFXY2::ToggleQuickEval() {
  if (QuickEvalOpen() && ShowAgainIfMinimized(quickEval_.dialog)) return;
  if (QuickEvalOpen()) {
    CloseQuickEval();
    return;
  }
  const QuickEvalMaker& maker = GetQuickEvalMaker();
  if (!maker) return;
  TQuickEvalSource source;
  // The surface the window draws, the mode's derivative with its steps over the viewed ranges.
  source.value = [this](long double x, long double y) {
    const T3DGraphSetup* setup = Renderer().Setup();
    return setup && setup->SurfaceFn ? setup->SurfaceFn(x, y) : EvalViewMode(mode_, x, y);
  };
  source.minimumStart = [this] { return MinCellOfView(); };
  source.maximumStart = [this] { return MaxCellOfView(); };
  quickEval_ = maker(this, std::move(source));
  if (QDialog* d = quickEval_.dialog) {
    // Closed by the user: the viewer forgets it.
    connect(d, &QDialog::finished, this, [this, d] {
      if (quickEval_.dialog == d) quickEval_ = {};
      d->deleteLater();
    });
  }
}

void TVFXY2::CloseQuickEval() {
  QPointer<QDialog> d = quickEval_.dialog;
  quickEval_ = {};
  if (d.isNull()) return;
  d->close();
  delete d.data();
}

void CmViewFunction(QWidget* parent, ProgramSettings& settings, TViewFnRecord& record, const TFunctionViewerHost& host) {
  TGraphOptions options(settings, kGraphFunctionViewer, kPointsDataStatus, kPlaceFunctionViewer);
  T3DGraphSetup& setup = options.Setup();
  ViewMode mode = ViewMode::Value;
  // The derivatives' steps follow the widths of X and Y the function is viewed over.
  finite_differences::TSurfaceScales scales;
  setup.SurfaceFn = [&mode, &scales](long double x, long double y) { return EvalViewMode(mode, x, y, scales); };
  options.points.FitRecord = nullptr;
  options.points.FitRecordWord = 0;
  setup.ResidualMode = 0;
  setup.ZFromPoints = 0;
  setup.UserScheme = 1;
  setup.LockMask = 0;
  if (host.closeStatusWindow) host.closeStatusWindow();
  for (;;) {
    TViewFnRanges ranges;
    if ((new TDlgVFXY(parent, &record, &ranges))->Execute() != QDialog::Accepted || record.text.empty()) break;
    T3DScalingBlock& s = setup.Scaling;
    s.Auto = {1, 1, 1};
    s.Log = {0, 0, 0};
    s.Zoom = {1, 1, 1};
    s.Divs = {0, 0, 0};
    s.DataDivs = {0, 0, 0};
    // The ranges as the dialog's check evaluated them: a text such as RAND() is not evaluated
    // a second time into other values.
    s.DataLow[0] = s.AxisLow[0] = ranges.xMin;
    s.DataHigh[0] = s.AxisHigh[0] = ranges.xMax;
    s.DataLow[1] = s.AxisLow[1] = ranges.yMin;
    s.DataHigh[1] = s.AxisHigh[1] = ranges.yMax;
    s.DataLow[2] = s.AxisLow[2] = s.DataHigh[2] = s.AxisHigh[2] = 0;
    scales = {std::fabs(ranges.xMax - ranges.xMin), std::fabs(ranges.yMax - ranges.yMin)};
    mode = ViewMode::Value;
    SetGraphTitlesFromText(options.titles, record.text, mode);
    options.customTitles.Enabled = 0;
    auto* viewer = new TVFXY2(parent, &setup, record.text, mode, host.optionDialogs ? host.optionDialogs() : nullptr);
    viewer->resize(880, 640);
    // It comes up once the function's surface has been evaluated, which may take a while: a
    // click on its way to the dialog before it must not land on its graph or buttons.
    GuardAgainstEarlyClicks(viewer);
    if (viewer->Execute() != TVFXY::kUndo) break;
  }
  if (host.showStatusWindow) host.showStatusWindow();
  options.StoreBack();
}

void RegisterFunctionViewerCommand() {
  // The entry outlives each use of the command, so that the dialog opens with the last one.
  auto record = std::make_shared<TViewFnRecord>(ClearedViewFnRecord());
  RegisterCommand(CmFunctionViewer, [record] {
    const TFunctionViewerHost host{CloseDataStatus, ShowDataStatus, nullptr};
    CmViewFunction(MainWindow, CurrentSettings(), *record, host);
  });
}
