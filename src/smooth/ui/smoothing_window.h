// TBaseNP, the base of the smoothing windows: a modal graph dialog with the control column
// on the left, the graph tool bar over the graph (type, view, scaling, animation, titles,
// font, colours, points, copy, print), the status strip under it, and the compute cycle the
// windows share:
//   - a radio button acts at once and cancels a pending recomputation;
//   - a numeric edit stores its value when the text is a number inside the edit's range
//     and starts (or restarts) a single-shot timer of 900 ms; the recomputation runs when
//     it fires, so several keystrokes recompute once, with the last value; a text that is
//     no such number drops the recomputation waiting (the "20" typed on the way to "200"
//     is never made into a surface);
//   - a radio button that does not recompute itself (a derivative, the points shown) runs
//     a recomputation still waiting first: the graph shows what the fields hold;
//   - values the window writes into its own edits (clamped values, a method change) are
//     written with the updating flag set and never start a recomputation;
//   - a point toggled with the mouse makes the window rebuild its surface once the toggle
//     is done (a queued call);
//   - the point statuses of the data table are saved when the window opens and put back
//     when it goes, so that statuses toggled inside it do not outlive it (the view-data
//     window keeps them).
#pragma once

#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/data_session.h"
#include "app/long_double.h"
#include "app/xyz_data_set.h"
#include "graph3d/surface_search_start.h"
#include "graph3d/ui/graph_option_commands.h"
#include "graph3d/ui/rotating_graph_dialog.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "smooth/engines/scattered_engine.h"
#include "smooth/engines/smoothing_titles.h"

class QButtonGroup;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QVBoxLayout;
class TSpline3D;
class TRangeSpinEdit;

class TBaseNP : public T3DDlgSW {
  Q_OBJECT
 public:
  static constexpr int kRecomputeDelayMs = 900;
  static constexpr int kCopy = 362;
  static constexpr int kPrint = 380;
  static constexpr int kQuickEval = 382;
  static constexpr int kHelp = 9;
  static constexpr int kSse = 131;
  static constexpr int kRSquared = 132;

  // `keepStatuses`: point statuses changed in the window stay changed, and the tool bar
  // stands in the control column, where the window places it (the view-data window).
  TBaseNP(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, int helpContext,
          std::unique_ptr<GraphOptionDialogs> dialogs, bool keepStatuses = false);
  ~TBaseNP() override;

  // A control by its id (buttons, radio buttons, edits, statics).
  template <class T = QWidget>
  T* Control(int id) const {
    return findChild<T*>(QString::number(id));
  }
  // Runs a graph option command (371-377, 378, 385, 386) on the window.
  GraphOptionResult RunOptionCommand(int id);
  GraphOptionDialogs& OptionDialogs() { return *dialogs_; }

  bool RecomputePending() const { return timer_.isActive(); }
  // Runs a pending recomputation now (as the timer would).
  void FlushRecompute();
  // The road of OK and of every button that uses the surface (Eval, Quick Eval, Section,
  // the graph tool bar), before it stores, hands out or shows anything: the option fields
  // settled (one put right is told: false), then a recomputation still waiting for its delay
  // run now, so that what is used is what the fields show.
  [[nodiscard]] bool SettleForUse() override;
  // Recomputations run since the window opened (each one a new surface).
  int RecomputeCount() const { return recomputes_; }
  // Whether the window is writing its own controls (edits' changes are then ignored).
  bool Updating() const { return updating_ > 0; }
  // Whether the user cancelled the surface the window was to open with: the window is not
  // to be shown, and nothing it was given has changed.
  bool OpeningCancelled() const { return openingCancelled_; }

  // Opens Quick Eval beside the window, or closes it when it is open.
  void ToggleQuickEval();
  bool QuickEvalOpen() const { return !quickEval_.dialog.isNull(); }
  // The record of Quick Eval's place that this window's Quick Eval keeps (or none).
  void SetQuickEvalPlacement(WindowPlacement* placement) { quickEvalPlacement_ = placement; }

 protected:
  // Sets the updating flag for its life.
  class TUpdating {
   public:
    explicit TUpdating(TBaseNP& w) : w_(w) { ++w_.updating_; }
    ~TUpdating() { --w_.updating_; }
    TUpdating(const TUpdating&) = delete;
    TUpdating& operator=(const TUpdating&) = delete;

   private:
    TBaseNP& w_;
  };

  void done(int result) override;

  // The left column the derived window fills.
  QVBoxLayout* Column() const { return column_; }
  QWidget* ToolBar() const { return toolBar_; }
  QPushButton* MakeButton(int id, const QString& text, std::function<void()> action);
  TRangeSpinEdit* MakeEdit(int id, int pageSteps, std::function<void()> changed);
  QLabel* MakeStatic(int id, const QString& text);
  // A radio button of `group` numbered `id`, running `clicked` when the user clicks it.
  QRadioButton* MakeRadio(QButtonGroup* group, QWidget* parent, int id, const QString& text,
                          std::function<void()> clicked);
  // The "Partial Derivative" group: None, dX, dY, dXdY, dX², dY² numbered from `firstId`,
  // kept in `choices`; a click hands its index to `clicked`.
  QWidget* MakeDerivativeGroup(int firstId, std::array<QRadioButton*, kNPChoiceCount>& choices,
                               std::function<void(int)> clicked);
  // Quick Eval, Help and Eval, for the foot of the column.
  QGridLayout* MakeEvalButtons();
  // The usual "Statistics" group (SSE 131, r² 132) for the column.
  QWidget* MakeStatisticsGroup();
  // SSE and r² each as "%.6Lg", or both blank.
  void ShowStatisticsValues(bool shown, long double sse, long double rSquared);
  // A whole number typed into `edit` inside its range, else nothing (the text is ignored).
  static std::optional<int> EditValue(const TRangeSpinEdit& edit);
  // Writes a range and a value into an edit without the window reacting to it; a text the
  // user typed that reads the value stays.
  void WriteEdit(TRangeSpinEdit& edit, int minimum, int maximum, int value);

  // An edit changed: the recomputation waits for the delay (restarted by each change).
  void ScheduleRecompute();
  // Whatever is pending is dropped (a radio button acts at once instead).
  void CancelRecompute() { timer_.stop(); }
  // Recomputes under the busy cursor, then shows the new surface.
  void RunRecompute();
  // The derived window's recomputation: give the engine the new settings, copy back what
  // it clamped, refresh the statistics.
  virtual void Recompute() = 0;
  // The scattered-data engine's SetMethod with a progress window that the user may cancel
  // (it shows when the set-up takes a moment, as loess over many points and neighbours
  // does); false when cancelled, the engine then as it was.
  bool SetMethodWithProgress(TNParm3D& engine, int method, int option1, int option2);
  // A scattered-data engine on the data table under the same progress window; none when
  // the user cancelled.
  std::unique_ptr<TNParm3D> MakeEngineWithProgress(int method, int option1, int option2);
  // The constructor's engine was cancelled: the window stops building itself.
  void CancelOpening() { openingCancelled_ = true; }
  // Rebuilds the surface after the statuses of the data changed (a point toggled, a
  // section accepted).
  virtual void StatusChanged() {}
  // The statuses of the table are those the surface on show was built on (kept when the
  // window opens and after each rebuild); a rebuild the user cancelled puts them back.
  void KeepBuiltStatuses();
  void PutBackBuiltStatuses();
  // What Quick Eval evaluates; no value function leaves the button disabled.
  virtual TQuickEvalSource QuickEvalSource() { return {}; }
  void EvaluateQuickEval();
  // The searches' start from the drawn grid's lowest and highest node.
  TSurfaceSearchStart MinCellOfView() const;
  TSurfaceSearchStart MaxCellOfView() const;

  // Every record of the data table (inactive ones too) takes the Z of the same record of
  // `smoothed`; X, Y, W and statuses stay. Without a smoothed copy the data stay as they
  // are, the user is told in a box captioned `caption`, and the answer is false.
  bool ReplaceDataZ(const PointTable& smoothed, const char* caption);

  // Hands the graph (`setup`) the surface of the window's engine (choice 0) with the residual band's
  // reference `stdErr`; while the engine has none, the points alone and the title line that
  // says `noSurface`. Answers whether the engine has a surface.
  bool AttachSmoothing(T3DGraphSetup& setup, std::function<TNParm3D*()> engine, long double& stdErr,
                       const std::string& noSurface);
  bool AttachSmoothing(T3DGraphSetup& setup, std::function<TSpline3D*()> engine, long double& stdErr,
                       const std::string& noSurface);

  // The data table the window shows (records 0 .. N).
  std::span<TXYZPoint> Table();
  TDataSession& Data() { return data_; }
  GraphOptionContext& Context() { return context_; }
  void CloseQuickEval();

 private:
  void BuildToolBar(QWidget* bar, bool vertical);
  // Runs `work` with the progress window of a smoothing set-up, handing it what to report to.
  void RunWithProgress(const std::function<void(TNPSetupProgress)>& work);

  TDataSession& data_;
  int helpContext_;
  bool keepStatuses_;
  int savedUnsaved_;
  TXYZ dataSet_;
  GraphOptionContext context_;
  std::unique_ptr<GraphOptionDialogs> dialogs_;
  QVBoxLayout* column_ = nullptr;
  QWidget* toolBar_ = nullptr;
  QTimer timer_;
  int updating_ = 0;
  int recomputes_ = 0;
  bool statusesTouched_ = false;
  bool openingCancelled_ = false;
  std::vector<char> builtStatuses_;
  TQuickEvalWindow quickEval_;

 protected:
  WindowPlacement* quickEvalPlacement_ = nullptr;
};

// The engine's surface or derivative `mode` at (x, y); the missing value when there is no
// engine or its set-up left no surface (the engines answer 0 then, which the evaluation
// table and Quick Eval would show as a value).
template <class Engine>
long double NPSurfaceValue(Engine* engine, long double x, long double y, int mode) {
  return engine != nullptr && engine->HasSurface() ? engine->EvalMode(x, y, mode) : ExprErrorValue;
}

// The reference of the residual bands the data points are coloured by: the surface's fit
// standard error, or 0 (every point in the first band) where its SSE is the rounding of a
// surface that passes through the data, shown as 0: a standard error of 1e-15 made points
// of an exact interpolant look beyond three of them.
template <class Engine>
long double ResidualBandReference(const Engine& engine) {
  return engine.ShownSse() == 0 ? 0.0L : engine.StdErr();
}

// A smoothing engine's surface for `choice` (0..5) as the graph reads it; the data points
// and the surface at them only with the surface itself (choice 0), else none. `engine`
// answers the window's current engine at each call. An engine without a surface (its method
// cannot make one of the data at hand) gives the graph none: the points of choice 0 are
// drawn alone, which a graph of a surface missing at every point would leave out.
void SetNPSurface(T3DGraphSetup& setup, std::function<TNParm3D*()> engine, int choice, PointsSource points);
void SetNPSurface(T3DGraphSetup& setup, std::function<TSpline3D*()> engine, int choice, PointsSource points);
void ClearSurface(T3DGraphSetup& setup);
// The graph's second title line says `why` there is no surface while the engine has none, and
// is empty while it has one.
void NoteNoSurface(T3DGraphSetup& setup, bool hasSurface, const std::string& why);
// "No Surface: <method> Cannot Make a Surface of These Data".
std::string NoSurfaceText(const std::string& methodName);
// The engine's own derivatives and volume (TNParm3D::Volume, TSpline3D::Integrate) for the
// evaluation table; `engine` answers the window's current engine at each call.
TSurfaceCalculus NPSurfaceCalculus(std::function<TNParm3D*()> engine);
TSurfaceCalculus NPSurfaceCalculus(std::function<TSpline3D*()> engine);

// A search that starts at (x, y), kept to the renderer's grid lines on either side of the
// grid node nearest to it; none when (x, y) lies outside the graph's axes.
std::optional<TSurfaceSearchStart> SurfaceSearchStartAt(const T3DBase& renderer, long double x, long double y);
// How close a surface comes to a data point that it passes through, as a share of the data's
// Z range (and the point's own size): interpolation reproduces its points to the rounding.
inline constexpr long double kThroughDataPoint = 1e-9L;
// The search from the lowest (highest) active point of `table` (records 0..N) where `surface`
// passes through it; none where it does not, or the point lies outside the graph's axes.
std::optional<TSurfaceSearchStart> ExtremeDataPointStart(const T3DBase& renderer, std::span<const TXYZPoint> table,
                                                         const SurfaceFunction& surface, bool maximum);

// The opening check of the estimation windows: false, after the box "All points are
// collinear.\n" + `consequence` captioned "Data Set Error", when the active points of the
// table lie on one line or are fewer than 3.
[[nodiscard]] bool CheckNotCollinear(std::span<const TXYZPoint> table, const char* consequence);
