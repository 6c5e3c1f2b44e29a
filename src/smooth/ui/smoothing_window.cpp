#include "smooth/ui/smoothing_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "app/background_fit_hold.h"
#include "app/long_double.h"
#include "app/point_table.h"
#include "app/shell_state.h"
#include "graph3d/point_toggling.h"
#include "platform/help.h"
#include "smooth/engines/data_hull.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/engines/smoothing_titles.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "app/ui/owned_window.h"
#include "app/ui/progress_window.h"
#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"

namespace {

constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;

struct ToolButton {
  int id;
  const char* text;
};
constexpr ToolButton kToolBar[] = {
    {kCmGraphType, "&3D Type"}, {kCmViewOptions, "3D &View"}, {kCmScaling, "&Scaling"},
    {kCmAnimate, "&Animate"},   {kCmTitles, "&Titles"},       {kCmGraphFont, "&Font"},
    {kCmColors, "C&olors"},     {kCmPointsOptions, "Poi&nts"}, {TBaseNP::kCopy, "&Copy"},
    {TBaseNP::kPrint, "&Print"}};

// The hourglass of a recomputation.
class TBusyCursor {
 public:
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

QString FormatStatistic(long double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6Lg", v);
  return QString::fromLatin1(text);
}

}  // namespace

TBaseNP::TBaseNP(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, int helpContext,
                 std::unique_ptr<GraphOptionDialogs> dialogs, bool keepStatuses)
    : T3DDlgSW(parent, setup),
      data_(data),
      helpContext_(helpContext),
      keepStatuses_(keepStatuses),
      savedUnsaved_(data.DataUnsaved),
      dataSet_(data.Table.XYZData().first(static_cast<std::size_t>(data.Table.XYZRows()) + 1), nullptr),
      dialogs_(dialogs ? std::move(dialogs) : std::make_unique<GraphOptionDialogs>()) {
  dataSet_.SaveStatus();
  dataSet_.SaveHeaderExtras();
  KeepBuiltStatuses();

  TDataTable& table = data.Table;
  context_.mutablePoints = [&table] { return table.XYZData().first(static_cast<std::size_t>(table.XYZRows()) + 1); };
  context_.tableMutex = &table.Mutex();
  // Statuses changed here go back when the window closes (the view-data window's may come
  // back too): the fit results are kept until then, and judged then.
  context_.stopBackgroundFit = [] { HoldBackgroundFit(); };
  context_.sectionPreparesData = false;

  SetPointToggler([this, toggle = MakeDataPointToggler(data, HoldBackgroundFit)](int record, char status) {
    statusesTouched_ = true;
    toggle(record, status);
  });
  // Statuses go back when the window closes: no pre-scan for them.
  SetPrescanOnFinish(keepStatuses);
  // The toggle is drawn first; the surface follows from the event loop.
  SetPointsChangedHandler([this] {
    QMetaObject::invokeMethod(this, [this] { StatusChanged(); }, Qt::QueuedConnection);
  });

  timer_.setSingleShot(true);
  timer_.setInterval(kRecomputeDelayMs);
  connect(&timer_, &QTimer::timeout, this, [this] { RunRecompute(); });

  auto* controls = new QWidget(this);
  column_ = new QVBoxLayout(controls);
  column_->setContentsMargins(0, 0, 0, 0);
  column_->setSpacing(4);
  toolBar_ = new QWidget(this);
  BuildToolBar(toolBar_, keepStatuses);
  auto* graph = new QVBoxLayout;
  graph->setSpacing(4);
  if (!keepStatuses) graph->addWidget(toolBar_);
  graph->addWidget(Pane(), 1);
  graph->addWidget(StatusStrip());
  auto* top = new QHBoxLayout(this);
  top->setContentsMargins(4, 4, 4, 4);
  top->addWidget(controls);
  top->addLayout(graph, 1);
}

TBaseNP::~TBaseNP() {
  CloseQuickEval();
  if (!keepStatuses_ && statusesTouched_) {
    // The toggles held the background fit; nothing reads the statuses while they go back.
    std::unique_lock lock(data_.Table.Mutex());
    dataSet_.RestoreStatus();
    data_.DataUnsaved = savedUnsaved_;
  }
  {
    std::unique_lock lock(data_.Table.Mutex());
    dataSet_.RestoreHeaderExtras();
  }
  // The table is back as it was: its fit results stand, and a background fit that a toggle
  // or a section cut short starts again. (The view-data window's opener judges its table.)
  if (!keepStatuses_) ResumeBackgroundFit();
}

void TBaseNP::BuildToolBar(QWidget* bar, bool vertical) {
  QBoxLayout* row = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(bar)) : new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  for (const ToolButton& b : kToolBar) {
    std::function<void()> action;
    if (b.id == kCopy) {
      action = [this] { CopyGraph(); };
    } else if (b.id == kPrint) {
      action = [this] { PrintGraph(); };
    } else {
      action = [this, id = b.id] { (void)RunOptionCommand(id); };
    }
    auto* button = new QPushButton(tr(b.text), bar);
    button->setObjectName(QString::number(b.id));  // the click zones find the buttons by id
    button->setAutoDefault(false);
    // Each shows, prints or copies the surface the fields make.
    connect(button, &QPushButton::clicked, this, SettlingFirst(std::move(action)));
    row->addWidget(button);
  }
  row->addStretch(1);
}

QPushButton* TBaseNP::MakeButton(int id, const QString& text, std::function<void()> action) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(QString::number(id));
  button->setAutoDefault(false);
  if (id == kHelp) {
    action = [this] { platform::ShowHelp(platform::qt::ToWindow(this), helpContext_); };
  } else if (id == kQuickEval) {
    action = [this] { ToggleQuickEval(); };
  }
  // Every button but Help and the window's ends works on the surface the fields make (OK
  // settles in its own accept, Cancel abandons what was typed).
  const bool usesSurface = id != kHelp && id != kOkButton && id != kCancelButton;
  connect(button, &QPushButton::clicked, this, usesSurface ? SettlingFirst(std::move(action)) : std::move(action));
  return button;
}

TRangeSpinEdit* TBaseNP::MakeEdit(int id, int pageSteps, std::function<void()> changed) {
  auto* edit = new TRangeSpinEdit(this);
  edit->setObjectName(QString::number(id));
  edit->SetPageSteps(pageSteps);
  edit->SetFormat("");
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance("0000000") + 24);
  connect(edit, &QLineEdit::textChanged, this, [this, edit, changed = std::move(changed)] {
    if (Updating()) return;
    // A text on the way to a value ("20" of "200" is one, "200" past the range is not) makes
    // no surface: the recomputation that its first keystrokes started is dropped, so that the
    // graph never shows a value the field no longer holds. Leaving the field settles it,
    // and the value it then holds starts the recomputation again.
    if (!edit->TypedValue()) CancelRecompute();
    changed();
  });
  return edit;
}

QRadioButton* TBaseNP::MakeRadio(QButtonGroup* group, QWidget* parent, int id, const QString& text,
                                 std::function<void()> clicked) {
  auto* r = new QRadioButton(text, parent);
  r->setObjectName(QString::number(id));
  group->addButton(r);
  connect(r, &QRadioButton::clicked, this, std::move(clicked));
  return r;
}

QWidget* TBaseNP::MakeDerivativeGroup(int firstId, std::array<QRadioButton*, kNPChoiceCount>& choices,
                                      std::function<void(int)> clicked) {
  static const char* const kChoiceTexts[kNPChoiceCount] = {"None", "dX", "dY", "dXdY", "dX\xB2", "dY\xB2"};
  auto* derivative = new QGroupBox(tr("Partial Derivative"), this);
  auto* grid = new QGridLayout(derivative);
  grid->setSpacing(1);
  auto* group = new QButtonGroup(this);
  for (int c = 0; c < kNPChoiceCount; ++c) {
    QRadioButton* r = MakeRadio(group, derivative, firstId + c, platform::qt::FromCp1252(kChoiceTexts[c]),
                                [clicked, c] { clicked(c); });
    grid->addWidget(r, c % 3, c / 3);
    choices[static_cast<std::size_t>(c)] = r;
  }
  return derivative;
}

QGridLayout* TBaseNP::MakeEvalButtons() {
  auto* buttons = new QGridLayout;
  buttons->addWidget(MakeButton(kQuickEval, tr("&Quick Eval"), {}), 0, 0);
  buttons->addWidget(MakeButton(kHelp, tr("Help"), {}), 0, 1);
  buttons->addWidget(MakeButton(kCmEvaluate, tr("&Eval"), [this] { (void)RunOptionCommand(kCmEvaluate); }), 1, 0);
  return buttons;
}

QLabel* TBaseNP::MakeStatic(int id, const QString& text) {
  auto* label = new QLabel(text, this);
  label->setObjectName(QString::number(id));
  return label;
}

QWidget* TBaseNP::MakeStatisticsGroup() {
  auto* group = new QGroupBox(tr("Statistics"), this);
  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel(tr("SSE:"), group), 0, 0);
  grid->addWidget(new QLabel(platform::qt::FromCp1252("r\xB2:"), group), 1, 0);
  QLabel* sse = MakeStatic(kSse, QString());
  QLabel* r2 = MakeStatic(kRSquared, QString());
  for (QLabel* l : {sse, r2}) {
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance("-0.000000e-000"));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  grid->addWidget(sse, 0, 1);
  grid->addWidget(r2, 1, 1);
  grid->setColumnStretch(1, 1);
  return group;
}

void TBaseNP::ShowStatisticsValues(bool shown, long double sse, long double rSquared) {
  // A surface that failed has no statistics: its fields are blank, never an earlier one's.
  const auto text = [shown](long double v) {
    return shown && std::isfinite(v) && v != ExprErrorValue ? FormatStatistic(v) : QString();
  };
  if (auto* l = Control<QLabel>(kSse)) l->setText(text(sse));
  if (auto* l = Control<QLabel>(kRSquared)) l->setText(text(rSquared));
  EvaluateQuickEval();
}

std::optional<int> TBaseNP::EditValue(const TRangeSpinEdit& edit) {
  const std::optional<long double> v = edit.TypedValue();
  if (!v) return std::nullopt;
  return static_cast<int>(*v);
}

void TBaseNP::WriteEdit(TRangeSpinEdit& edit, int minimum, int maximum, int value) {
  TUpdating updating(*this);
  // The user may be typing in it: a text that reads the value stays as typed.
  edit.SetRangeAndValue(minimum, maximum, value);
}

void TBaseNP::ScheduleRecompute() { timer_.start(); }

void TBaseNP::RunWithProgress(const std::function<void(TNPSetupProgress)>& work) {
  // While the window is being built it is not shown yet: the progress stands over its owner.
  TProgressWindow progress(isVisible() ? this : parentWidget(), windowTitle(), tr("Smoothing the data..."));
  work([&progress](int done, int total) { return progress.Step(done, total); });
}

bool TBaseNP::SetMethodWithProgress(TNParm3D& engine, int method, int option1, int option2) {
  bool done = false;
  RunWithProgress([&](TNPSetupProgress progress) {
    engine.SetSetupProgress(std::move(progress));
    done = engine.SetMethod(method, option1, option2);
    engine.SetSetupProgress(nullptr);
  });
  return done;
}

std::unique_ptr<TNParm3D> TBaseNP::MakeEngineWithProgress(int method, int option1, int option2) {
  std::unique_ptr<TNParm3D> engine;
  RunWithProgress([&](TNPSetupProgress progress) {
    engine = std::make_unique<TNParm3D>(Table(), method, option1, option2, false, std::move(progress));
  });
  if (engine->SetupCancelled()) engine.reset();
  return engine;
}

void TBaseNP::KeepBuiltStatuses() {
  builtStatuses_.clear();
  for (const TXYZPoint& p : Table()) builtStatuses_.push_back(p.Status);
}

void TBaseNP::PutBackBuiltStatuses() {
  std::span<TXYZPoint> table = Table();
  if (table.size() != builtStatuses_.size()) return;  // the window never resizes the table
  std::unique_lock lock(data_.Table.Mutex());
  for (std::size_t k = 1; k < table.size(); ++k) table[k].Status = builtStatuses_[k];
}

bool TBaseNP::SettleForUse() {
  if (!FieldsSettled()) return false;
  FlushRecompute();
  return true;
}

void TBaseNP::FlushRecompute() {
  if (!timer_.isActive()) return;
  timer_.stop();
  RunRecompute();
}

void TBaseNP::RunRecompute() {
  timer_.stop();
  {
    TBusyCursor busy;
    Recompute();
    ++recomputes_;
  }
  Redraw(2);
}

GraphOptionResult TBaseNP::RunOptionCommand(int id) {
  const GraphOptionResult r = RunGraphOptionCommand(*this, id, *dialogs_, context_);
  if (r.dataChanged) {
    statusesTouched_ = true;
    StatusChanged();
  }
  return r;
}

void TBaseNP::done(int result) {
  timer_.stop();
  // Quick Eval reads this window's surface: it goes first.
  CloseQuickEval();
  // Statuses that stay changed have the data's statistics computed again.
  if (keepStatuses_) (void)FinishPointEdits();  // answers true: nothing keeps the window open
  T3DDlgSW::done(result);
}

bool TBaseNP::ReplaceDataZ(const PointTable& smoothed, const char* caption) {
  std::span<TXYZPoint> table = Table();
  if (smoothed.size() != table.size()) {
    (void)ErrorBox(platform::qt::ToWindow(this), caption, "The data could not be smoothed; they are left as they were.");
    return false;
  }
  StopBackgroundFit();
  DataTableWriteLock lock(data_.Table.Mutex());
  for (std::size_t k = 1; k < table.size(); ++k) table[k].Z = smoothed[k].Z;
  return true;
}

namespace {

template <class Engine>
bool AttachSmoothingOf(TBaseNP& window, T3DGraphSetup& setup, std::function<Engine*()> engine, PointsSource points,
                       long double& stdErr, const std::string& noSurface) {
  Engine* now = engine();
  const bool surface = now != nullptr && now->HasSurface();
  SetNPSurface(setup, std::move(engine), kNPChoiceValue, std::move(points));
  if (setup.PointsOpt != nullptr) {
    stdErr = surface ? ResidualBandReference(*now) : 0;
    setup.PointsOpt->FitRecord = surface ? &stdErr : nullptr;
  }
  NoteNoSurface(setup, surface, noSurface);
  (void)window.AttachSetup(&setup);
  return surface;
}

}  // namespace

bool TBaseNP::AttachSmoothing(T3DGraphSetup& setup, std::function<TNParm3D*()> engine, long double& stdErr,
                              const std::string& noSurface) {
  return AttachSmoothingOf(*this, setup, std::move(engine), TablePoints(data_.Table), stdErr, noSurface);
}

bool TBaseNP::AttachSmoothing(T3DGraphSetup& setup, std::function<TSpline3D*()> engine, long double& stdErr,
                              const std::string& noSurface) {
  return AttachSmoothingOf(*this, setup, std::move(engine), TablePoints(data_.Table), stdErr, noSurface);
}

std::span<TXYZPoint> TBaseNP::Table() {
  return data_.Table.XYZData().first(static_cast<std::size_t>(data_.Table.XYZRows()) + 1);
}

std::optional<TSurfaceSearchStart> SurfaceSearchStartAt(const T3DBase& renderer, long double x, long double y) {
  const std::array<long double, 2> at = {x, y};
  const std::array<int, 2> lines = {renderer.GridNx(), renderer.GridNy()};
  std::array<long double, 6> box{};  // x before, own, after; then y
  for (std::size_t a = 0; a < 2; ++a) {
    const bool logAxis = renderer.Scaling().Log[a] != 0;
    if (lines[a] < 2 || (logAxis && !(at[a] > 0))) return std::nullopt;
    // Grid lines stand at equal steps in axis units (decades on a log axis).
    const long double v = logAxis ? std::log10(at[a]) : at[a];
    const long double low = renderer.AxisLow(static_cast<int>(a)), high = renderer.AxisHigh(static_cast<int>(a));
    if (!(low < high) || v < low || v > high) return std::nullopt;
    const long double step = (high - low) / (lines[a] - 1);
    const long double nearest = std::clamp(std::round((v - low) / step), 0.0L, lines[a] - 1.0L);
    const long double before = low + std::max(nearest - 1, 0.0L) * step;
    const long double after = low + std::min(nearest + 1, lines[a] - 1.0L) * step;
    box[3 * a] = AxisToData(renderer, static_cast<int>(a), before);
    box[3 * a + 1] = at[a];
    box[3 * a + 2] = AxisToData(renderer, static_cast<int>(a), after);
  }
  // The point itself lies inside, whatever the rounding of the lines.
  return TSurfaceSearchStart{x, y, std::min(box[0], x), std::max(box[2], x), std::min(box[3], y), std::max(box[5], y)};
}

std::optional<TSurfaceSearchStart> ExtremeDataPointStart(const T3DBase& renderer, std::span<const TXYZPoint> table,
                                                         const SurfaceFunction& surface, bool maximum) {
  const TXYZPoint* extreme = nullptr;
  long double zLow = 0, zHigh = 0;
  for (std::size_t k = 1; k < table.size(); ++k) {
    const TXYZPoint& p = table[k];
    if (p.Status != kPointActive || !IsUsableValue(p.Z)) continue;
    if (extreme == nullptr) zLow = zHigh = p.Z;
    zLow = std::min(zLow, p.Z);
    zHigh = std::max(zHigh, p.Z);
    if (extreme == nullptr || (maximum ? p.Z > extreme->Z : p.Z < extreme->Z)) extreme = &p;
  }
  if (extreme == nullptr || !surface) return std::nullopt;
  // Only a surface through the point: elsewhere the data's extreme says little of the surface's.
  const long double v = surface(extreme->X, extreme->Y);
  if (!IsUsableValue(v) || std::fabs(v - extreme->Z) > kThroughDataPoint * (zHigh - zLow + std::fabs(extreme->Z)))
    return std::nullopt;
  return SurfaceSearchStartAt(renderer, extreme->X, extreme->Y);
}

TSurfaceSearchStart TBaseNP::MinCellOfView() const { return SurfaceSearchStart(Renderer(), false); }
TSurfaceSearchStart TBaseNP::MaxCellOfView() const { return SurfaceSearchStart(Renderer(), true); }

void TBaseNP::ToggleQuickEval() {
  if (QuickEvalOpen() && ShowAgainIfMinimized(quickEval_.dialog)) return;
  if (QuickEvalOpen()) {
    CloseQuickEval();
    return;
  }
  const QuickEvalMaker& maker = GetQuickEvalMaker();
  TQuickEvalSource source = QuickEvalSource();
  if (!maker || !source.value) return;
  quickEval_ = maker(this, std::move(source));
  if (QDialog* d = quickEval_.dialog) {
    // Closed by the user: the window forgets it.
    connect(d, &QDialog::finished, this, [this, d] {
      if (quickEval_.dialog == d) quickEval_ = {};
      d->deleteLater();
    });
  }
}

void TBaseNP::EvaluateQuickEval() {
  if (QuickEvalOpen() && quickEval_.evaluate) quickEval_.evaluate();
}

void TBaseNP::CloseQuickEval() {
  QPointer<QDialog> d = quickEval_.dialog;
  quickEval_ = {};
  if (d.isNull()) return;
  d->close();
  delete d.data();
}

namespace {

std::vector<long double> GridOf(TNParm3D& engine, int nx, int ny, std::span<const long double> xs,
                                std::span<const long double> ys, int mode) {
  return engine.GridMode(nx, ny, xs, ys, mode);
}
std::vector<long double> GridOf(TSpline3D& engine, int nx, int ny, std::span<const long double> xs,
                                std::span<const long double> ys, int mode) {
  return engine.EvalGridMode(nx, ny, xs, ys, mode);
}

long double VolumeOf(TNParm3D& engine, long double x1, long double x2, long double y1, long double y2,
                     long double& error) {
  return engine.Volume(x1, x2, y1, y2, &error);
}
long double VolumeOf(TSpline3D& engine, long double x1, long double x2, long double y1, long double y2,
                     long double& error) {
  return engine.Integrate(x1, x2, y1, y2, &error);
}

template <class Engine>
TSurfaceCalculus CalculusOf(std::function<Engine*()> engine) {
  const auto mode = [engine](int m) {
    return [engine, m](long double x, long double y) { return NPSurfaceValue(engine(), x, y, m); };
  };
  TSurfaceCalculus c;
  c.dzdx = mode(NPChoiceDerivMode(kNPChoiceDx));
  c.d2zdx2 = mode(NPChoiceDerivMode(kNPChoiceDx2));
  c.dzdy = mode(NPChoiceDerivMode(kNPChoiceDy));
  c.d2zdy2 = mode(NPChoiceDerivMode(kNPChoiceDy2));
  c.d2zdxdy = mode(NPChoiceDerivMode(kNPChoiceDxDy));
  c.volume = [engine](long double x1, long double x2, long double y1, long double y2, long double& error) {
    return VolumeOf(*engine(), x1, x2, y1, y2, error);
  };
  return c;
}

template <class Engine>
void SetSurfaceOf(T3DGraphSetup& setup, std::function<Engine*()> engine, int choice, PointsSource points) {
  if (Engine* now = engine(); now == nullptr || !now->HasSurface()) {
    // No surface to draw or to measure the points against: the points alone.
    ClearSurface(setup);
    setup.Points = choice == kNPChoiceValue ? std::move(points) : nullptr;
    return;
  }
  const int mode = NPChoiceDerivMode(choice);
  setup.SurfaceFn = [engine, mode](long double x, long double y) { return NPSurfaceValue(engine(), x, y, mode); };
  setup.GridFn = [engine, mode](int nx, int ny, std::span<const long double> xs, std::span<const long double> ys) {
    return GridOf(*engine(), nx, ny, xs, ys, mode);
  };
  if (choice == kNPChoiceValue) {
    setup.PointSurfaceFn = [engine](long double x, long double y, long double z) {
      Engine* e = engine();
      return e != nullptr && e->HasSurface() ? e->EvalAtDataPoint(x, y, z) : ExprErrorValue;
    };
    setup.Points = std::move(points);
  } else {
    setup.PointSurfaceFn = nullptr;
    setup.Points = nullptr;
  }
}

}  // namespace

void SetNPSurface(T3DGraphSetup& setup, std::function<TNParm3D*()> engine, int choice, PointsSource points) {
  // The scattered methods extrapolate beyond the data's hull, into the corners of the axes
  // that the graph rounds out: far from the data, and no part of the Z scale or the extremes.
  auto hull = std::make_shared<const TDataHull>(points ? points() : std::span<const TXYZPoint>{});
  setup.ScaleRegion = [hull](long double x, long double y) { return hull->Contains(x, y); };
  SetSurfaceOf(setup, std::move(engine), choice, std::move(points));
}

void SetNPSurface(T3DGraphSetup& setup, std::function<TSpline3D*()> engine, int choice, PointsSource points) {
  setup.ScaleRegion = nullptr;
  SetSurfaceOf(setup, std::move(engine), choice, std::move(points));
}

TSurfaceCalculus NPSurfaceCalculus(std::function<TNParm3D*()> engine) { return CalculusOf(std::move(engine)); }
TSurfaceCalculus NPSurfaceCalculus(std::function<TSpline3D*()> engine) { return CalculusOf(std::move(engine)); }

void NoteNoSurface(T3DGraphSetup& setup, bool hasSurface, const std::string& why) {
  if (setup.TitleSettings == nullptr) return;
  setup.TitleSettings->Lines[1] = hasSurface ? std::string() : why;
}

std::string NoSurfaceText(const std::string& methodName) {
  return "No Surface: " + methodName + " Cannot Make a Surface of These Data";
}

void ClearSurface(T3DGraphSetup& setup) {
  setup.ScaleRegion = nullptr;
  setup.SurfaceFn = nullptr;
  setup.PointSurfaceFn = nullptr;
  setup.GridFn = nullptr;
}

bool CheckNotCollinear(std::span<const TXYZPoint> table, const char* consequence) {
  PointTable copy = CopyPoints(table);
  if (!copy.empty() && !IsCollinearXY(copy, false, nullptr)) return true;
  (void)ErrorBox(nullptr, "Data Set Error", std::string("All points are collinear.\n") + consequence);
  return false;
}
