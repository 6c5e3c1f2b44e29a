#include "smooth/ui/loess_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/spin_edit.h"
#include "graph3d/graph_options.h"
#include "smooth/engines/smoothing_titles.h"

T3DSmooth::T3DSmooth(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, TNPSettings* settings,
                     std::unique_ptr<GraphOptionDialogs> dialogs)
    : TBaseNP(parent, setup, data, kHelpContext, std::move(dialogs)),
      settings_(settings),
      working_(ClampNPSettings(*settings, TNPSettingsKind::kLoess)),
      setup_(setup) {
  setWindowTitle(tr("Loess XYZ Data Smoothing"));
  const auto m = static_cast<std::size_t>(working_.method);
  engine_ = MakeEngineWithProgress(working_.method, working_.option1[m], working_.option2[m]);
  if (!engine_) {
    CancelOpening();
    return;
  }
  CopyBackOptions();

  auto* buttons = new QGridLayout;
  buttons->addWidget(MakeButton(1, tr("OK"), [this] { accept(); }), 0, 0);
  buttons->addWidget(MakeButton(2, tr("Cancel"), [this] { reject(); }), 0, 1);
  Column()->addLayout(buttons);
  auto* options = new QGroupBox(tr("Options"), this);
  auto* grid = new QGridLayout(options);
  const char* const labels[2] = {"Or&der", "Count"};
  for (int which = 0; which < 2; ++which) {
    QLabel* label = MakeStatic(133 + which, tr(labels[which]));
    edits_[static_cast<std::size_t>(which)] = MakeEdit(kOrder + which, 1, [this, which] { OptionEdited(which); });
    label->setBuddy(edits_[static_cast<std::size_t>(which)]);
    grid->addWidget(label, which, 0);
    grid->addWidget(edits_[static_cast<std::size_t>(which)], which, 1);
  }
  Column()->addWidget(options);
  Column()->addWidget(MakeStatisticsGroup());
  Column()->addWidget(MakeButton(kHelp, tr("Help"), {}));
  Column()->addStretch(1);

  AttachSurface();
  // The smooth is of the data as they stand: no point is toggled here.
  SetPickingEnabled(false);
  TUpdating updating(*this);
  RefreshEdits();
  ShowStatistics();
}

T3DSmooth::~T3DSmooth() { ClearSurface(*setup_); }

void T3DSmooth::AttachSurface() {
  surfaceShown_ = AttachSmoothing(*setup_, [this] { return engine_.get(); }, stdErr_, NoSurfaceText("Loess"));
}

void T3DSmooth::CopyBackOptions() {
  const auto m = static_cast<std::size_t>(working_.method);
  working_.option1[m] = engine_->Option1();
  working_.option2[m] = engine_->Option2();
}

void T3DSmooth::RefreshEdits() {
  const auto m = static_cast<std::size_t>(working_.method);
  WriteEdit(*edits_[0], engine_->Option1Min(), engine_->Option1Max(), working_.option1[m]);
  WriteEdit(*edits_[1], engine_->Option2Min(), engine_->Option2Max(), working_.option2[m]);
}

void T3DSmooth::ShowStatistics() {
  ShowStatisticsValues(engine_->HasSurface(), engine_->ShownSse(), engine_->RSquared());
}

void T3DSmooth::OptionEdited(int which) {
  const std::optional<int> value = EditValue(*edits_[static_cast<std::size_t>(which)]);
  if (!value) return;
  const auto m = static_cast<std::size_t>(working_.method);
  (which == 0 ? working_.option1 : working_.option2)[m] = *value;
  chosen_.Chose(which, working_.method);
  ScheduleRecompute();
}

void T3DSmooth::Recompute() {
  Renderer().EnableDrawing(false);
  const auto m = static_cast<std::size_t>(working_.method);
  // Cancelled, the engine keeps the smooth before, and its options become the window's.
  (void)SetMethodWithProgress(*engine_, working_.method, working_.option1[m], working_.option2[m]);
  CopyBackOptions();
  RefreshEdits();
  ShowStatistics();
  if (engine_->HasSurface() != surfaceShown_) {
    AttachSurface();  // the surface came or went: the graph is handed anew
    return;
  }
  stdErr_ = ResidualBandReference(*engine_);
  Renderer().EnableDrawing(true);
  Renderer().RecomputeScales();
}

void T3DSmooth::accept() {
  if (!SettleForUse()) return;
  *settings_ = chosen_.Kept(*settings_, working_);
  failed_ = !ReplaceDataZ(engine_->SmoothedData(), "Loess XYZ Data Smoothing");
  if (!failed_ && smoothedOut_ != nullptr) *smoothedOut_ = true;
  TBaseNP::accept();
}
