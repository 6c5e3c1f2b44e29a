// The colour dialogs of a graph: TColor_ ("Color Scheme") picks one of the nine built-in
// schemes or the user scheme; its "&Customize Colors" hands over to TUserColor ("Custom
// Colors"), which sets each of the 27 colour roles of the current user scheme to one of the
// 16 basic colours and reads and writes the scheme as a .clr file.
#pragma once

#include <QWidget>

#include <array>

#include "graph3d/ui/small_graph_dialog.h"

class QRadioButton;
class QButtonGroup;

class TColor_ : public T3DSFDlg {
  Q_OBJECT
 public:
  static constexpr int kFirstScheme = 518;
  static constexpr int kCustomize = 528;

  TColor_(QWidget* parent, T3DGraphSetup* setup);
  QRadioButton* SchemeButton(int scheme) const { return buttons_[static_cast<std::size_t>(scheme)]; }
  void ChooseScheme(int scheme);
  // Copies a built-in scheme into the current user scheme and closes with kCustomize.
  void Customize();

 private:
  void CheckScheme();
  std::array<QRadioButton*, 10> buttons_{};
};

class TUserColor : public T3DSFDlg {
  Q_OBJECT
 public:
  TUserColor(QWidget* parent, T3DGraphSetup* setup);

  int SelectedRole() const { return role_; }
  void SelectRole(int role);
  // Gives the selected role colour `index` (0-15), as a click on the palette does.
  void ChooseColor(int index);
  // The palette cell under a point of the palette frame (-1 for none), and that frame.
  int PaletteCellAt(QPoint p) const;
  QWidget* PaletteFrame() const { return palette_; }
  QWidget* RoleStrip() const { return strip_; }
  void CmReadColors();
  void CmSaveColors();
  void CmReset();

 private:
  TColorScheme& UserScheme();
  void Refresh();

  QWidget* palette_;
  QWidget* strip_;
  QButtonGroup* roles_;
  int role_ = 0;
  TColorScheme opened_{};
};
