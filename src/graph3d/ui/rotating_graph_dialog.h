// T3DDlgSW, the graph dialog of windows that show data points over a surface (the data view,
// the smoothing and review windows): a status strip of four fields under the graph, point
// picking (hovering shows a point's number, status and coordinates; a click without a drag
// toggles it between active and inactive), and view steps by the wheel and middle button.
#pragma once

#include <functional>

#include "graph3d/graph_pointer.h"
#include "graph3d/ui/graph_dialog.h"

class QFrame;
class QLabel;

class T3DDlgSW : public T3DDlg {
  Q_OBJECT
 public:
  // Ids of the status strip and its four fields (message, X, Y, Z).
  static constexpr int kStrip = 397;
  static constexpr int kFieldIds[4] = {387, 388, 389, 390};
  // Posted to the dialog after every status toggle (first parameter 2).
  static constexpr int kPointsChangedMessage = 0x9FD;

  T3DDlgSW(QWidget* parent, T3DGraphSetup* setup, int counted = 1);

  // Changes a data point's status character in the table the graph shows (1-based record);
  // the opener stops the background fit first. Without it no point can be toggled.
  void SetPointToggler(std::function<void(int record, char status)> toggler) { toggler_ = std::move(toggler); }
  // Runs the data pre-scan after point edits (the program's PrescanData).
  void SetPrescan(std::function<void()> prescan) { prescan_ = std::move(prescan); }
  // Called after each toggle (the smoothing windows refresh their statistics).
  void SetPointsChangedHandler(std::function<void()> handler) { pointsChanged_ = std::move(handler); }

  QFrame* StatusStrip() const { return strip_; }
  QString FieldText(int i) const;
  void SetFieldText(int i, const QString& text);
  bool PointEdits() const { return pointEdits_; }
  // Hands the renderer a new or changed record (another surface, other points). SetData
  // forgets the points drawn from the old record, and the list of them with it; the pointer
  // is matched to that list, so it is kept again. False as SetData answers it.
  [[nodiscard]] bool AttachSetup(T3DGraphSetup* setup);
  void SetPickingEnabled(bool enabled) { pickingEnabled_ = enabled; }
  bool PickingEnabled() const { return pickingEnabled_; }
  void SetPrescanOnFinish(bool on) { prescanOnFinish_ = on; }
  int WheelMode() const { return wheelMode_; }
  // The middle button's steps: released, the wheel turns the other angle; double-clicked,
  // the standard view (rotation 210, elevation 20) with the wheel on the elevation.
  void ToggleWheelMode() { wheelMode_ = 1 - wheelMode_; }
  void StandardView();

  // Leaving the dialog: the arrow cursor, and the pre-scan when points were toggled.
  bool FinishPointEdits();
  void SetArrowCursor();

 protected:
  void SetupWindow() override;
  void PaneMousePress(QMouseEvent* event) override;
  void PaneMouseMove(QMouseEvent* event) override;
  void PaneMouseRelease(QMouseEvent* event) override;
  void PaneMouseDoubleClick(QMouseEvent* event) override;
  void PaneWheel(QWheelEvent* event) override;
  // The status text of the data point under the pointer (its number and status here).
  virtual QString HoverMessage(const TXYZPoint& point, int record) const;

  // The wheel step of the view; public for the wheel message of derived windows. A delta
  // short of a notch turns nothing until the next ones make a notch.
 public:
  void WheelStep(int delta, Qt::KeyboardModifiers modifiers);

 private:
  // The record under (x, y) of the pane (0 for none) and its kept-list entry.
  int PointAt(int x, int y, int* entry = nullptr) const;
  const TXYZPoint* Record(int record) const;
  void ShowTexts(const QString& message, const QString& x, const QString& y, const QString& z);

  QFrame* strip_;
  QLabel* fields_[4] = {};
  std::function<void(int, char)> toggler_;
  std::function<void()> prescan_;
  std::function<void()> pointsChanged_;
  bool holding_ = false;
  QPoint press_;
  int heldEntry_ = 0;
  int heldRecord_ = 0;
  bool pointEdits_ = false;
  bool prescanOnFinish_ = true;
  bool pickingEnabled_ = true;
  int wheelMode_ = 0;  // 0 rotation, 1 elevation
  TWheelAccumulator wheel_;
};
