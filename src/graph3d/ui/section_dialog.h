// TSection, the "Section Data" dialog: a box in X, Y and Z (any bound may stay empty) keeps the
// points inside it active ("&Include") or deactivates them ("&Exclude"), applied to the data
// table at once ("&Apply Existing" or "Apply &New"); the ranges follow and the preview shows
// the result. Cancel through the option command puts every status back.
#pragma once

#include <array>

#include "app/ui/number_field.h"
#include "graph3d/data_section.h"
#include "graph3d/ui/graph_option_commands.h"
#include "graph3d/ui/small_graph_dialog.h"

class QLineEdit;
class QRadioButton;

class TSection : public T3DSFDlg {
  Q_OBJECT
 public:
  TSection(QWidget* parent, T3DGraphSetup* setup, const GraphOptionContext& context);

  // The edits 623-628: Xi, Xf, Yi, Yf, Zi, Zf.
  QLineEdit* BoundEdit(int i) const { return edits_[static_cast<std::size_t>(i)]; }
  void SetMode(SectionMode mode);
  void Apply(SectionApply apply);
  void CmReset();

 private:
  const GraphOptionContext& context_;
  std::array<TEditReal*, 6> edits_{};
  QRadioButton* include_;
  QRadioButton* exclude_;
  SectionMode mode_ = SectionMode::Include;
};
