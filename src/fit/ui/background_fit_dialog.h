// "Background Thread Processing": which equations the background fit runs after the data
// or the options change (or none), and whether it beeps and starts the review when done.
#pragma once

#include "app/ui/dialog.h"

class QCheckBox;
class QRadioButton;

class TBgProc : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kTypeCount = 12;

  // Shows the type and flags; OK writes them back.
  TBgProc(QWidget* parent, int* type, unsigned* flags);

  QRadioButton* Radio(int id) const;  // 101-112: types 0-11
  QCheckBox* Box(int id) const;       // 201 audible signal, 202 automatic review

  void accept() override;

 private:
  int* type_;
  unsigned* flags_;
  QRadioButton* radios_[kTypeCount] = {};
  QCheckBox* beep_ = nullptr;
  QCheckBox* review_ = nullptr;
};
