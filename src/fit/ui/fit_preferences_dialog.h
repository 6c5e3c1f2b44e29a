// "Ondravik 3D Fitting Preferences": the initial sort of the ranked list, keep counts, the
// highest term count, the significant-digit threshold, the solver switches, the iteration
// and convergence limits and the robust mode. The dialog edits `FitOptions` (and, through a
// 280-byte file, `FitSelection`) in place; the controls are stored into the block however
// the dialog closes, and its command puts the blocks back on Cancel.
#pragma once

#include "app/ui/dialog.h"
#include "fit/fit_options_form.h"

class QCheckBox;
class QPushButton;
class QRadioButton;
class TEditInt;
struct TFitSession;

class TDlgFitOpt : public TDlg {
  Q_OBJECT
 public:
  TDlgFitOpt(QWidget* parent, TFitSession& session);

  QRadioButton* Radio(int id) const;  // 101-104 sort, 301-304 robust mode
  TEditInt* Edit(int id) const;       // 105-107, 201, 202
  QCheckBox* Box(int id) const;       // 108, 109
  QPushButton* Button(int id) const;  // 13 Read, 14 Save, 18 Reset

  void done(int result) override;

 private:
  void Show(const TFitOptionsForm& form);
  TFitOptionsForm Controls() const;
  void Store();
  void CmRead();
  void CmSave();

  // The block the controls were last loaded from: its sort code survives when the user
  // leaves the sort radios as they were.
  TFitSession& session_;
  TFitOptions loaded_;
  QRadioButton* sort_[kSortRadioCount] = {};
  QRadioButton* robust_[kRobustRadioCount] = {};
  TEditInt* keep_ = nullptr;
  TEditInt* highest_ = nullptr;
  TEditInt* digits_ = nullptr;
  TEditInt* iterations_ = nullptr;
  TEditInt* converge_ = nullptr;
  QCheckBox* svd_ = nullptr;
  QCheckBox* noDof_ = nullptr;
  QPushButton* read_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* reset_ = nullptr;
};
