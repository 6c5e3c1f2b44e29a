// T3DType, the "3D Graph Type" dialog: twenty radio buttons (id 101 + type) choose the graph
// type 0-19 and the preview shows it at once.
#pragma once

#include <array>

#include "graph3d/ui/small_graph_dialog.h"

class QRadioButton;

class T3DType : public T3DSDlg {
  Q_OBJECT
 public:
  static constexpr int kFirstButton = 101;
  static constexpr int kResetType = 5;

  T3DType(QWidget* parent, T3DGraphSetup* setup);
  QRadioButton* TypeButton(int type) const { return buttons_[static_cast<std::size_t>(type)]; }
  void ChooseType(int type);
  void CmReset();

 private:
  std::array<QRadioButton*, 20> buttons_{};
};
