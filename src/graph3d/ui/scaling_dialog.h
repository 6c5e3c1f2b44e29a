// T3DScale, the "3D Scaling" dialog: per axis automatic range, logarithmic axis, zoom, minimum,
// maximum (numbers or formulas) and divisions, previewed as a plain mesh that turns into the
// full graph a second after the last change; .scl files.
#pragma once

#include <array>
#include <optional>

#include "graph3d/ui/preview_clock.h"
#include "graph3d/ui/small_graph_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class TEditInt;
class TEditReal;
struct TRealFieldRules;

class T3DScale : public T3DSFDlg {
  Q_OBJECT
 public:
  T3DScale(QWidget* parent, T3DGraphSetup* setup);
  ~T3DScale() override;

  QCheckBox* AutoBox(int axis) const { return auto_[static_cast<std::size_t>(axis)]; }
  QCheckBox* LogBox(int axis) const { return log_[static_cast<std::size_t>(axis)]; }
  QLineEdit* MinEdit(int axis) const;
  QLineEdit* MaxEdit(int axis) const;
  QLineEdit* DivsEdit(int axis) const;
  QScrollBar* ZoomBar(int axis) const { return zoom_[static_cast<std::size_t>(axis)]; }
  QLabel* ZoomText(int axis) const { return zoomText_[static_cast<std::size_t>(axis)]; }

  void ToggleAuto(int axis);
  void ToggleLog(int axis);
  // The zoom bar of an axis at `position`; `tracking` while the thumb is dragged.
  void Zoom(int axis, int position, bool tracking);
  void Tick();
  void ApplyEdits();
  void CmReset();
  void CmReadScale();
  void CmSaveScale();
  void accept() override;

 private:
  // Writes the fields of the axes in `mask` from the state; a field the user is typing into
  // is left alone unless `evenFocused`.
  void UpdateFields(int mask, bool evenFocused = false);
  void EditChanged(int axis, int field);
  void AfterClick(int axis, int mask);
  // How a range field reads: a number or a formula, above 0 on a log axis.
  TRealFieldRules RangeRules(int axis);
  // The value a range field's text gives, as shown (not yet in decades on a log axis); none
  // when the text gives none.
  std::optional<long double> ReadRange(int axis, const QString& text) const;
  // A shown value in the axis's units: its decades on a log axis.
  long double AxisUnits(int axis, long double shown) const;
  static int MaskOf(int axis) { return axis == 0 ? 5 : axis == 1 ? 6 : 4; }

  TRememberedView remembered_;
  TPreviewClock* clock_;
  int ticks_ = 0;
  bool updating_ = true;
  bool writing_ = false;
  std::array<QCheckBox*, 3> auto_{};
  std::array<QCheckBox*, 3> log_{};
  std::array<QScrollBar*, 3> zoom_{};
  std::array<QLabel*, 3> zoomText_{};
  std::array<TEditReal*, 3> min_{};
  std::array<TEditReal*, 3> max_{};
  std::array<TEditInt*, 3> divs_{};
  // The texts UpdateFields last wrote into the range edits: an edit that still shows them
  // keeps the exact value behind its six-digit text when the edits are applied.
  std::array<std::array<QString, 2>, 3> shown_;
};
