// "Custom Ondravik 3D Equation Set": the linear families, the non-linear shape groups with
// their forms and intercepts, and the counts of what the set fits and keeps. The dialog
// edits the session's `FitSelection` in place; its command keeps a copy and puts it back on Cancel.
//
// Endings: OK (1), Cancel (2), "&Fit" (21: fit the set now).
#pragma once

#include "app/ui/dialog.h"
#include "fit/custom_set_form.h"

class QCheckBox;
class QLabel;
class QPushButton;
struct TSession;

class TDlgCF : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kFitResult = 21;

  TDlgCF(QWidget* parent, TSession& session);

  QCheckBox* Box(int id) const;       // 101-114, 201-215, 301-308
  QLabel* Count(int id) const;        // 810 selected linear, 335 kept linear, 815 non-linear
  QPushButton* Button(int id) const;  // 21, 13, 14, 18, 27, 804, 805, 811, 812

 protected:
  void SetupWindow() override;

 private:
  // Block to boxes and counts; the block is left as it is.
  void Load();
  // Boxes to block, counts, dependent boxes (after every click).
  void Refresh();
  // The counts of the block as it stands.
  void ShowCounts();
  void SelectLinear(bool all);
  void SelectNonLinear(bool all);
  void CmRead();
  void CmSave();
  void CmOptions();

  TSession& session_;
  TFitSelection opened_;
  // The block as Load showed it: boxes clicked back to how they showed it give it back as it
  // was (a form writes some blocks otherwise, as mask 11 writes 54).
  TFitSelection loaded_;
  QCheckBox* boxes_[kCustomInterceptAdd + 1] = {};
  // The state of each dependent box while its base is unchecked, which checking the base
  // again gives back.
  bool beforeBaseOff_[kCustomInterceptAdd + 1] = {};
  QLabel* selected_ = nullptr;
  QLabel* kept_ = nullptr;
  QLabel* nonlinear_ = nullptr;
  QPushButton* fit_ = nullptr;
  std::vector<QPushButton*> buttons_;
};
