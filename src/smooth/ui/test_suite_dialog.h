// "Select Algorithms for Test Suite" (dialog 4077): which scattered-data methods and
// extension methods the test suite runs, the partial derivative it compares, whether each
// method runs its defaults or every variant, and whether the mean and largest errors are
// added. The controls keep their ids as object names: check boxes 111-118 (engine codes
// 0-7) and 119-126 (extension methods A-H), radio buttons 141-143 ("None", "dX", "dY") and
// 151-152 ("Defaults", "Vary"), check box 161 ("Add").
#pragma once

#include <array>

#include "app/ui/dialog.h"
#include "smooth/engines/scattered_test_suite.h"

class QCheckBox;
class QRadioButton;

class TNPTestDlg : public TDlg {
  Q_OBJECT
 public:
  // Shows the selection; OK writes it back.
  TNPTestDlg(QWidget* parent, TNPTestSelection* selection);

  QCheckBox* Box(int id) const;        // 111-126, 161
  QRadioButton* Radio(int id) const;   // 141-143, 151-152

  void accept() override;

 private:
  TNPTestSelection* selection_;
  std::array<QCheckBox*, 16> methods_{};
  std::array<QRadioButton*, 3> derivative_{};
  std::array<QRadioButton*, 2> controls_{};
  QCheckBox* add_ = nullptr;
};
