#include "smooth/ui/regrid_windows.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/c_format.h"
#include "app/data_table.h"
#include "app/number_format.h"
#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"

namespace {

// The uniform-grid window's texts; the sparse-grid window has no accelerator on method 7.
const char* const kMethodTexts[kRegridMethodCount] = {
    "Akima I (&78)", "Akima IMS&L",  "Akima II (&96)", "Preusser C&1", "Preusser C&2",
    "&Renka I",      "Ren&ka II C1", "Ren&ka II C2",   "Renka III C2", "&Watson"};
constexpr const char* kEvaluationCaption = "Evaluation of Bicubic Spline Fitted to Output Grid";
constexpr int kFirstCapacity = 1024;

}  // namespace

std::string SparseGridGaveWayText(const TSpline3D& engine) {
  const auto [nx, ny] = engine.FillGaveWay();
  if (nx == 0 || ny == 0) return {};
  const long long nodes = static_cast<long long>(nx) * static_cast<long long>(ny);
  return CFormat("The Data's Grid of %zu x %zu = %s Nodes Is More Than the %s a Sparse Grid Fills\n"
                 "A Uniform %d x %d Grid Is Made Instead: OK Replaces the Data by Its %d Points",
                 nx, ny, FormatWithCommas(nodes).c_str(), FormatWithCommas(kMaxFillNodes).c_str(), engine.Nx(),
                 engine.Ny(), engine.Nx() * engine.Ny());
}

PointTable GridTableForData(std::span<const TXYZPoint> grid) {
  const int count = PointCount(grid);
  if (count <= 0) return {};
  // The data table holds at most kXYZMaxPoints points, so the capacity stops there.
  int capacity = kFirstCapacity;
  while (count > capacity - 2 && capacity < kXYZMaxPoints) capacity *= 2;
  capacity = std::max(capacity, count);
  PointTable table(static_cast<std::size_t>(capacity) + 1);
  std::copy_n(grid.begin(), count + 1, table.begin());
  table[0].X = count;
  table[0].Y = capacity;
  return table;
}

TRegridWindow::TRegridWindow(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, int helpContext,
                             int* method, PointTable* gridOut, int nx, int ny,
                             std::unique_ptr<GraphOptionDialogs> dialogs)
    : TBaseNP(parent, setup, data, helpContext, std::move(dialogs)),
      nx_(nx),
      ny_(ny),
      methodOut_(method),
      gridOut_(gridOut),
      setup_(setup),
      method_(std::clamp(*method, 0, kRegridMethodCount - 1)) {
  Context().evaluationCaption = kEvaluationCaption;
  Context().evaluationCalculus = NPSurfaceCalculus(std::function<TSpline3D*()>([this] { return engine_.get(); }));
  if (gridOut_ != nullptr) gridOut_->clear();
}

TRegridWindow::~TRegridWindow() { ClearSurface(*setup_); }

void TRegridWindow::BuildControls(bool uniform) {
  BuildEngine();
  auto* buttons = new QGridLayout;
  buttons->addWidget(MakeButton(1, tr("OK"), [this] { accept(); }), 0, 0);
  buttons->addWidget(MakeButton(2, tr("Cancel"), [this] { reject(); }), 0, 1);
  if (uniform)
    buttons->addWidget(MakeButton(kCmSection, tr("Sect&ion"), [this] { (void)RunOptionCommand(kCmSection); }), 1, 0);
  Column()->addLayout(buttons);

  auto* algorithm = new QGroupBox(tr("Algorithm"), this);
  auto* methodBox = new QVBoxLayout(algorithm);
  methodBox->setSpacing(1);
  auto* methodGroup = new QButtonGroup(this);
  for (int m = 0; m < kRegridMethodCount; ++m) {
    QString text = tr(kMethodTexts[m]);
    if (!uniform && m == kRegridShepardCubic) text.remove(QLatin1Char('&'));
    QRadioButton* r = MakeRadio(methodGroup, algorithm, kFirstMethod + m, text, [this, m] { ClickMethod(m); });
    methodBox->addWidget(r);
    methods_[static_cast<std::size_t>(m)] = r;
  }
  Column()->addWidget(algorithm);

  auto* display = new QGroupBox(tr("Point Display"), this);
  auto* displayBox = new QHBoxLayout(display);
  auto* displayGroup = new QButtonGroup(this);
  const char* const displayTexts[2] = {"Inp&ut", "Output"};
  for (int d = 0; d < 2; ++d) {
    QRadioButton* r = MakeRadio(displayGroup, display, kInput + d, tr(displayTexts[d]), [this, d] { ClickDisplay(d); });
    displayBox->addWidget(r);
    displays_[static_cast<std::size_t>(d)] = r;
  }
  Column()->addWidget(display);

  if (uniform) {
    auto* grid = new QGroupBox(tr("Output Grid"), this);
    auto* gridBox = new QGridLayout(grid);
    const char* const editTexts[2] = {"n &X", "n &Y"};
    for (int which = 0; which < 2; ++which) {
      auto* label = new QLabel(tr(editTexts[which]), grid);
      TRangeSpinEdit* edit = MakeEdit(kNX + which, 4, [this, which] { EditChanged(which); });
      label->setBuddy(edit);
      gridBox->addWidget(label, which, 0);
      gridBox->addWidget(edit, which, 1);
      edits_[static_cast<std::size_t>(which)] = edit;
    }
    Column()->addWidget(grid);
  }

  auto* counts = new QGridLayout;
  counts->addWidget(new QLabel(tr("Input:"), this), 0, 0);
  counts->addWidget(MakeStatic(kInputCount, {}), 0, 1);
  counts->addWidget(new QLabel(tr("Output:"), this), 1, 0);
  counts->addWidget(MakeStatic(kOutputCount, {}), 1, 1);
  if (!uniform) counts->addWidget(MakeStatic(kGridSize, {}), 2, 0, 1, 2);
  counts->addWidget(MakeStatic(kUnevaluated, {}), 3, 0, 1, 2);
  if (!uniform) {
    QLabel* complete = MakeStatic(kCompleteGrid, tr("No point is missing:\nthe data are a complete\ngrid already."));
    complete->hide();
    counts->addWidget(complete, 4, 0, 1, 2);
    QLabel* tooLarge = MakeStatic(kGridTooLarge, {});
    tooLarge->hide();
    counts->addWidget(tooLarge, 5, 0, 1, 2);
  }
  Column()->addLayout(counts);

  auto* lower = new QGridLayout;
  lower->addWidget(MakeButton(kCmEvaluate, tr("&Eval Spline"), [this] { (void)RunOptionCommand(kCmEvaluate); }), 0, 0);
  lower->addWidget(MakeButton(kHelp, tr("Help"), {}), 0, 1);
  Column()->addLayout(lower);
  Column()->addStretch(1);

  TUpdating updating(*this);
  for (int which = 0; uniform && which < 2; ++which)
    WriteEdit(*edits_[static_cast<std::size_t>(which)], kMinGridSize, kMaxGridSize, which == 0 ? nx_ : ny_);
  ShowPoints();
}

void TRegridWindow::BuildEngine() {
  engine_.reset();
  // Cubic spline through the grid; the uniform grid is made whatever the data are.
  engine_ = std::make_unique<TSpline3D>(Table(), kGridBSpline, 3, 3, nx_, ny_, nx_, ny_, method_, Uniform());
}

void TRegridWindow::ShowPoints() {
  Renderer().EnableDrawing(false);
  setup_->SurfaceFn = [this](long double x, long double y) { return NPSurfaceValue(engine_.get(), x, y, 0); };
  setup_->GridFn = [this](int nx, int ny, std::span<const long double> xs, std::span<const long double> ys) {
    return engine_->EvalGrid(nx, ny, xs, ys);
  };
  setup_->PointSurfaceFn = nullptr;
  if (display_ == 0) {
    output_.clear();
    setup_->Points = TablePoints(Data().Table);
  } else {
    const std::span<const TXYZPoint> grid = engine_->Working();
    output_.assign(grid.begin(), grid.begin() + std::min<std::ptrdiff_t>(grid.size(), PointCount(grid) + 1));
    const std::span<TXYZPoint> table = Table();
    if (!output_.empty() && !table.empty()) {
      output_[0].Z = table[0].Z;
      output_[0].RXYZ = table[0].RXYZ;
    }
    setup_->Points = [this] { return std::span<const TXYZPoint>(output_); };
  }
  (void)AttachSetup(setup_);
  SetPickingEnabled(display_ == 0);
  {
    TUpdating updating(*this);
    UpdateControls();
  }
  Renderer().EnableDrawing(true);
  Redraw(2);
}

void TRegridWindow::UpdateControls() {
  for (int m = 0; m < kRegridMethodCount; ++m) methods_[static_cast<std::size_t>(m)]->setChecked(m == method_);
  for (int d = 0; d < 2; ++d) displays_[static_cast<std::size_t>(d)]->setChecked(d == display_);
  Control<QLabel>(kInputCount)->setText(QString::number(PointCount(Table())));
  const int made = engine_->Ready() ? PointCount(engine_->Working()) : 0;
  Control<QLabel>(kOutputCount)->setText(QString::number(made));
  const int failed = engine_->Ready() ? engine_->FailedNodes() : 0;
  auto* unevaluated = Control<QLabel>(kUnevaluated);
  // Those nodes are inactive in the grid and hold Renka I's values: the window says whose.
  unevaluated->setText(tr("Not evaluated: %1\n(inactive, Renka I's\nvalues there)").arg(failed));
  unevaluated->setVisible(failed > 0);
  if (!Uniform()) {
    Control<QLabel>(kGridSize)->setText(QStringLiteral("[%1x%2]").arg(engine_->Nx()).arg(engine_->Ny()));
    // Data already on a complete grid leave nothing to choose, and the window says why its
    // controls are greyed.
    const bool choose = !engine_->GridDetected();
    for (QRadioButton* r : methods_) r->setEnabled(choose);
    for (QRadioButton* r : displays_) r->setEnabled(choose);
    Control<QLabel>(kCompleteGrid)->setVisible(!choose);
    // The data's own grid too large to fill: the grid shown (and handed out) is a uniform one.
    const auto [fillX, fillY] = engine_->FillGaveWay();
    auto* tooLarge = Control<QLabel>(kGridTooLarge);
    tooLarge->setText(tr("The data's grid of\n%1 x %2 nodes is too\nlarge to fill: a uniform\ngrid is made instead.")
                          .arg(fillX)
                          .arg(fillY));
    tooLarge->setVisible(fillX > 0);
  }
}

void TRegridWindow::ClickDisplay(int display) {
  if (Updating() || display < 0 || display > 1) return;
  display_ = display;
  // A grid size typed just before is made first (the rebuild shows the points chosen): OK
  // would otherwise hand out the grid on show while the fields name another.
  if (RecomputePending()) {
    FlushRecompute();
  } else {
    ShowPoints();
  }
}

void TRegridWindow::ClickMethod(int method) {
  if (Updating() || method < 0 || method >= kRegridMethodCount) return;
  CancelRecompute();
  method_ = method;
  RunRecompute();
}

void TRegridWindow::EditChanged(int which) {
  const std::optional<int> value = EditValue(*edits_[static_cast<std::size_t>(which)]);
  if (!value) return;
  (which == 0 ? nx_ : ny_) = *value;
  ScheduleRecompute();
}

void TRegridWindow::Recompute() {
  Renderer().EnableDrawing(false);
  ClearSurface(*setup_);
  BuildEngine();
  ShowPoints();
}

void TRegridWindow::StatusChanged() {
  CancelRecompute();
  Recompute();
}

void TRegridWindow::accept() {
  if (!SettleForUse()) return;
  if (!Uniform() && engine_->GridDetected()) {
    // No point is missing: there is nothing to fill, and the data stay as they are (handed
    // out, the same grid in another order would replace them, naming no file, voiding the
    // fits and asking at Exit to be saved).
    *methodOut_ = method_;
    TBaseNP::accept();
    return;
  }
  // Without a made grid the engine's table is the merged data, not a grid: nothing to hand out.
  PointTable grid = engine_->Ready() ? GridTableForData(engine_->Working()) : PointTable{};
  if (grid.empty()) {
    (void)ErrorBox(platform::qt::ToWindow(this), windowTitle().toStdString(),
                   "No grid could be made from these data with this method.\n"
                   "The data table is left as it was.");
    return;
  }
  *methodOut_ = method_;
  WriteSettingsBack();
  if (gridOut_ != nullptr) *gridOut_ = std::move(grid);
  TBaseNP::accept();
}

TDFSpline::TDFSpline(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, std::array<std::int32_t, 2>* gridSize,
                     int* method, PointTable* gridOut, std::unique_ptr<GraphOptionDialogs> dialogs)
    : TRegridWindow(parent, setup, data, kHelpContext, method, gridOut,
                    std::clamp<int>((*gridSize)[0], kMinGridSize, kMaxGridSize),
                    std::clamp<int>((*gridSize)[1], kMinGridSize, kMaxGridSize), std::move(dialogs)),
      gridSize_(gridSize) {
  setWindowTitle(tr("Interpolate to Uniform Grid"));
  BuildControls(true);
}

void TDFSpline::WriteSettingsBack() { *gridSize_ = {nx_, ny_}; }

TFSSpline::TFSSpline(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, int* method, PointTable* gridOut,
                     std::unique_ptr<GraphOptionDialogs> dialogs)
    : TRegridWindow(parent, setup, data, kHelpContext, method, gridOut, 0, 0, std::move(dialogs)) {
  setWindowTitle(tr("Fill Sparse Grid"));
  BuildControls(false);
}
