// TPoints, the "Points" dialog: symbol size, shape and fill, which points are shown, and
// whether Z lines are hidden, with a quick mesh preview after each change and the full graph
// two seconds later.
#pragma once

#include <map>

#include "graph3d/ui/preview_clock.h"
#include "graph3d/ui/small_graph_dialog.h"

class QAbstractButton;
class QLabel;
class QScrollBar;
class QCheckBox;

class TPoints : public T3DSFDlg {
  Q_OBJECT
 public:
  TPoints(QWidget* parent, T3DGraphSetup* setup);
  ~TPoints() override;

  // The control of an id of the dialog (605-607 shape, 518-523 fill, 596/609/604 display,
  // 611 Hide Z lines, 610 size bar).
  QWidget* Control(int id) const;
  void Click(int id);
  void SetSize(int size, bool release);
  void CmReset();
  void Tick();
  int TickCount() const { return ticks_; }

 private:
  void UpdateControls();
  void QuickPreview();
  T3DPointsRec& State() { return state_; }

  TRememberedView remembered_;
  T3DPointsRec& state_;
  TPreviewClock* clock_;
  int ticks_ = 0;
  QScrollBar* sizeBar_;
  QLabel* sizeText_;
  std::map<int, QAbstractButton*> buttons_;
};
