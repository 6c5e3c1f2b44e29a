// TDerivativeChoiceNP, the estimation windows that show their surface or one of its five
// partial derivatives (the scattered-data and the gridded-data window): the choice, the
// statistics of the surface itself, the graph's points and titles for the choice, and
// Quick Eval on what is shown. `SmoothingEngine` is the window's smoothing engine (TNParm3D,
// TSpline3D): it answers HasSurface, Sse, RSquared, StdErr and EvalMode(x, y, mode).
#pragma once

#include <QRadioButton>
#include <QVBoxLayout>

#include <array>
#include <memory>
#include <string>

#include "app/long_double.h"
#include "graph3d/graph_options.h"
#include "smooth/ui/smoothing_window.h"

template <class SmoothingEngine>
class TDerivativeChoiceNP : public TBaseNP {
 public:
  // What a click on a derivative button (0..5) does.
  void ClickChoice(int choice) {
    if (Updating() || choice < 0 || choice >= kNPChoiceCount) return;
    const bool changed = choice != choice_;
    choice_ = choice;
    if (RecomputePending()) {
      // An option typed just before is made into the surface first (the recomputation hands
      // the graph the new choice): dropped, the fields would show one surface and the graph,
      // the statistics and OK another.
      FlushRecompute();
    } else if (changed) {
      AttachSurface();
      Redraw(2);
    }
    ShowStatistics();
  }

  SmoothingEngine& Engine() { return *engine_; }
  int Choice() const { return choice_; }

 protected:
  TDerivativeChoiceNP(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, const TDataTitles& titles,
                      int helpContext, std::unique_ptr<GraphOptionDialogs> dialogs)
      : TBaseNP(parent, setup, data, helpContext, std::move(dialogs)), titles_(titles), setup_(setup) {
    // The evaluation table takes the engine's own derivatives and volume.
    Context().evaluationCalculus =
        NPSurfaceCalculus(std::function<SmoothingEngine*()>([this] { return engine_.get(); }));
  }

  ~TDerivativeChoiceNP() override {
    // The renderer may draw until its window goes: it stops reading this engine first.
    ClearSurface(*setup_);
    CloseQuickEval();
  }

  // Makes the engine from the window's working settings; false when the user cancelled it,
  // the engine before (none while the window is built) then kept.
  virtual bool BuildEngine() = 0;
  // Writes the working settings, as the engine clamped them, into the window's edits.
  virtual void RefreshEdits() = 0;
  // Sets the window's own controls; calls UpdateChoiceControls.
  virtual void UpdateControls() = 0;
  // Why the engine made no surface, for the graph to say (its method, as its button names it,
  // cannot make one of the data at hand).
  virtual std::string NoSurfaceReason() const = 0;

  // The foot of the control column: the "Partial Derivative" group (buttons numbered from
  // `firstChoice`), the statistics and the evaluation buttons.
  void AddColumnFoot(int firstChoice) {
    Column()->addWidget(MakeDerivativeGroup(firstChoice, choices_, [this](int c) { ClickChoice(c); }));
    Column()->addWidget(MakeStatisticsGroup());
    Column()->addLayout(MakeEvalButtons());
    Column()->addStretch(1);
  }

  // The first surface, once the window's controls stand.
  void ShowFirstSurface() {
    TUpdating updating(*this);
    RefreshEdits();
    AttachSurface();
    ShowStatistics();
  }

  // Hands the graph the engine's surface for the choice, the residual band's reference and
  // the titles for the choice; points may be toggled only while they are shown.
  void AttachSurface() {
    Renderer().EnableDrawing(false);
    SetNPSurface(*setup_, [this] { return engine_.get(); }, choice_, TablePoints(Data().Table));
    if (setup_->PointsOpt != nullptr) {
      stdErr_ = ResidualBandReference(*engine_);
      setup_->PointsOpt->FitRecord = choice_ == kNPChoiceValue ? &stdErr_ : nullptr;
    }
    if (setup_->TitleSettings != nullptr) SetNPGraphTitles(*setup_->TitleSettings, titles_, choice_);
    NoteNoSurface(*setup_, engine_->HasSurface(), NoSurfaceReason());
    (void)AttachSetup(setup_);
    SetPickingEnabled(choice_ == kNPChoiceValue);
  }

  // The statuses of the data changed: the engine is made again on the active points. The
  // engine before answers the graph until the new one is made; when the user cancels the
  // rebuild it stays, with the statuses it was built on.
  void StatusChanged() override {
    CancelRecompute();
    Renderer().EnableDrawing(false);
    if (BuildEngine()) {
      KeepBuiltStatuses();
    } else {
      PutBackBuiltStatuses();
    }
    RefreshEdits();
    AttachSurface();
    ShowStatistics();
    Redraw(2);
  }

  // The derivative buttons, and the commands that work on the surface itself only.
  void UpdateChoiceControls() {
    for (int c = 0; c < kNPChoiceCount; ++c) choices_[static_cast<std::size_t>(c)]->setChecked(c == choice_);
    const bool value = choice_ == kNPChoiceValue;
    Control(kCmSection)->setEnabled(value);
    Control(kCmEvaluate)->setEnabled(value);
    Control(kQuickEval)->setEnabled(static_cast<bool>(GetQuickEvalMaker()));
  }

  // SSE and r² of the surface itself; a derivative, or a surface that could not be set up,
  // shows them blank.
  void ShowStatistics() {
    ShowStatisticsValues(choice_ == kNPChoiceValue && engine_->HasSurface(), engine_->ShownSse(), engine_->RSquared());
    TUpdating updating(*this);
    UpdateControls();
  }

  long double ChoiceValue(long double x, long double y) {
    return NPSurfaceValue(engine_.get(), x, y, NPChoiceDerivMode(choice_));
  }

  TQuickEvalSource QuickEvalSource() override {
    TQuickEvalSource source;
    source.value = [this](long double x, long double y) { return ChoiceValue(x, y); };
    // The extremes are the surface's inside the region its graph takes its scale from (the
    // scattered data's hull): beyond it lies extrapolation, however low or high.
    source.searchValue = [this](long double x, long double y) {
      if (setup_->ScaleRegion && !setup_->ScaleRegion(x, y)) return ExprErrorValue;
      return ChoiceValue(x, y);
    };
    source.minimumStart = [this] { return MinCellOfView(); };
    source.maximumStart = [this] { return MaxCellOfView(); };
    // An interpolating surface passes through the data's own extremes: its searches start
    // there too (the surface itself only; a derivative does not pass through the data).
    const auto dataStart = [this, surface = source.searchValue](bool maximum) -> std::optional<TSurfaceSearchStart> {
      if (choice_ != kNPChoiceValue) return std::nullopt;
      return ExtremeDataPointStart(Renderer(), Table(), surface, maximum);
    };
    source.dataMinimumStart = [dataStart] { return dataStart(false); };
    source.dataMaximumStart = [dataStart] { return dataStart(true); };
    source.placement = quickEvalPlacement_;
    return source;
  }

  const TDataTitles& titles_;
  T3DGraphSetup* setup_;
  std::unique_ptr<SmoothingEngine> engine_;
  int choice_ = 0;
  long double stdErr_ = 0;  // the residual band's reference while the surface is shown
  std::array<QRadioButton*, kNPChoiceCount> choices_{};
};
