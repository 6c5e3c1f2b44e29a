// The two windows that turn the XYZ data into a grid and, on OK, hand the gridded points out
// to replace the data table:
//   TDFSpline, "Interpolate to Uniform Grid" (command 2161): the data interpolated onto a
//     uniform nX by nY grid over their X and Y extent;
//   TFSSpline, "Fill Sparse Grid" (command 2160): data on an incomplete rectangular grid
//     with the missing nodes filled.
// Both use one of the gridded-data engine's ten grid-making methods and show the bicubic
// spline through the grid. They are twins: TRegridWindow holds what they share.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "app/xyz_point.h"
#include "smooth/engines/gridded_engine.h"
#include "smooth/ui/smoothing_window.h"

class QRadioButton;

class TRegridWindow : public TBaseNP {
  Q_OBJECT
 public:
  static constexpr int kNX = 101;
  static constexpr int kNY = 102;
  static constexpr int kInput = 111;  // then "Output" (112)
  static constexpr int kFirstMethod = 121;  // 121-130: grid-making methods 0-9
  static constexpr int kInputCount = 131;
  static constexpr int kOutputCount = 132;
  static constexpr int kGridSize = 133;
  static constexpr int kUnevaluated = 134;
  // The sparse-grid window's word that the data are a complete grid already.
  static constexpr int kCompleteGrid = 135;
  // Its word that the data's grid is too large to fill, and a uniform grid is made instead.
  static constexpr int kGridTooLarge = 136;
  static constexpr int kMinGridSize = 4;
  static constexpr int kMaxGridSize = 128;

  ~TRegridWindow() override;

  void ClickDisplay(int display);
  void ClickMethod(int method);
  TSpline3D& Engine() { return *engine_; }
  int Display() const { return display_; }
  int Method() const { return method_; }
  int GridNX() const { return nx_; }
  int GridNY() const { return ny_; }

  // Hands the grid out and closes; when no grid could be made the user is told and the
  // window stays open, handing nothing out. Data that are a complete grid already are not
  // handed out: the sparse-grid window's OK leaves them as they are.
  void accept() override;

 protected:
  // `nx`, `ny`: the uniform grid's size (0 and 0: fill the data's own sparse grid).
  TRegridWindow(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, int helpContext, int* method,
                PointTable* gridOut, int nx, int ny, std::unique_ptr<GraphOptionDialogs> dialogs);
  // Builds the control column; the uniform-grid window passes its "Output Grid" group.
  void BuildControls(bool uniform);
  void Recompute() override;
  void StatusChanged() override;
  virtual void WriteSettingsBack() = 0;
  bool Uniform() const { return nx_ > 0; }

  int nx_ = 0, ny_ = 0;

 private:
  void BuildEngine();
  void ShowPoints();
  void UpdateControls();
  void EditChanged(int which);

  int* methodOut_;
  PointTable* gridOut_;
  T3DGraphSetup* setup_;
  int method_;
  int display_ = 0;
  std::unique_ptr<TSpline3D> engine_;
  // The engine's grid with the data's header extras, as the "Output" display draws it.
  PointTable output_;
  std::array<QRadioButton*, kRegridMethodCount> methods_{};
  std::array<QRadioButton*, 2> displays_{};
  std::array<TRangeSpinEdit*, 2> edits_{};
};

class TDFSpline : public TRegridWindow {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 102;
  // `gridSize`: nX and nY, read clamped to 4..128 and written back at OK with the method.
  TDFSpline(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, std::array<std::int32_t, 2>* gridSize,
            int* method, PointTable* gridOut, std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);

 protected:
  void WriteSettingsBack() override;

 private:
  std::array<std::int32_t, 2>* gridSize_;
};

class TFSSpline : public TRegridWindow {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 106;
  TFSSpline(QWidget* parent, T3DGraphSetup* setup, TDataSession& data, int* method, PointTable* gridOut,
            std::unique_ptr<GraphOptionDialogs> dialogs = nullptr);

 protected:
  void WriteSettingsBack() override {}
};

// What the user hears when the data's own grid has more nodes than a sparse grid fills and a
// uniform grid is made instead (its OK replaces the data by that grid's points): the sizes
// of both. Empty when the engine filled the data's grid, or made none.
std::string SparseGridGaveWayText(const TSpline3D& engine);

// The table handed out at OK: the grid's records 0 .. count, the header holding the count
// and the table's capacity (1024, doubled while the count exceeds capacity - 2, up to the
// data table's largest), each later record zero. Empty when `grid` holds no point.
PointTable GridTableForData(std::span<const TXYZPoint> grid);
