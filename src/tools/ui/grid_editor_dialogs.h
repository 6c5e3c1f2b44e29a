// The grid editor's two small dialogs: "Sort Data Table" (4038) and "Reverse Variables"
// (4061).
#pragma once

#include <utility>

#include "app/ui/dialog.h"
#include "tools/grid_editor_model.h"

class QRadioButton;

class TSortDlg : public TDlg {
  Q_OBJECT
 public:
  enum Control : int { kAscending = 691, kDescending = 692, kByX = 693, kByY, kByZ, kByMagnitudeXY, kByMagnitudeXYZ };
  // `key` receives the data table's sort key on OK.
  TSortDlg(QWidget* parent, int* key);
  QRadioButton* Radio(int id) const;
  void accept() override;

 private:
  int* key_;
};

// The sort key of an order (descending or not) and a choice 0..4 (X, Y, Z, magnitude XY,
// magnitude XYZ): X then Y 0/3, Y then X 4/7, Z 8/9, the radii 10/11 and 12/13.
int EditorSortKey(bool descending, int by);

class TReverseDlg : public TDlg {
  Q_OBJECT
 public:
  enum Control : int { kXAndZ = 890, kYAndZ = 891, kXAndY = 892 };
  // `columns` receives the two columns to exchange on OK.
  TReverseDlg(QWidget* parent, std::pair<GridColumn, GridColumn>* columns);
  QRadioButton* Radio(int id) const;
  void accept() override;

 private:
  std::pair<GridColumn, GridColumn>* columns_;
};
