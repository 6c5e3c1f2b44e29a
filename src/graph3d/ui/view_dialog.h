// T3DView, the "3D View Options" dialog: mesh counts, illumination shifts, perspective, back
// planes, contour planes, labels, grids, the view angles and the size in the frame, with a
// live preview (quick 10 x 10 mesh while an angle moves, a shaded preview for the light, the
// full graph after a quiet second or two), and .v3d files.
#pragma once

#include <map>

#include "graph3d/ui/preview_clock.h"
#include "graph3d/ui/small_graph_dialog.h"

class QAbstractButton;
class QLabel;
class QScrollBar;
class TRangeSpinEdit;

class T3DView : public T3DSFDlg {
  Q_OBJECT
 public:
  // What a typed change waits for before its preview.
  enum class Pending { None, Mesh, Light, Level };

  T3DView(QWidget* parent, T3DGraphSetup* setup);
  ~T3DView() override;

  // Controls by their ids (spin edits 400, 402, 409, 410, 412, 426; check boxes and radio
  // buttons 403-439; scroll bars 405, 407, 440; statics 406, 408, 441).
  QWidget* Control(int id) const;
  void Click(int id);
  // A scroll bar moved (or, with `release`, ended) at `position`.
  void Scroll(int id, int position);
  void Tick();
  void CmReset();
  void CmReadView();
  void CmSaveView();
  bool Square() const { return square_; }
  int LabelBits() const { return remembered_.labelBits; }
  int GridBits() const { return remembered_.gridBits; }

 private:
  void UpdateControls();
  void SetEditValues();
  void EditChanged(int id);
  void QuickPreview();
  void FullPreview(bool light = false);
  T3DViewRec& Record();

  TRememberedView remembered_;
  bool square_;
  TPreviewClock* clock_;
  int ticks_ = 0;
  Pending pending_ = Pending::None;
  bool updating_ = true;
  std::map<int, TRangeSpinEdit*> edits_;
  std::map<int, QAbstractButton*> buttons_;
  std::map<int, QScrollBar*> bars_;
  std::map<int, QLabel*> texts_;
};
