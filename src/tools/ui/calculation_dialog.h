// The "Calculations" dialog (4041): the four formula lines X=, Y=, Z=, W=, checked on the
// data when the user presses OK or saves them; copy, cut and paste on the current line;
// the function-insertion lists; .clc files read and saved.
#pragma once

#include <QPointer>

#include <array>
#include <span>

#include "app/ui/dialog.h"
#include "app/ui/small_controls.h"
#include "app/xyz_point.h"
#include "tools/data_calculation.h"

class QPushButton;

class TCalc : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 46;
  enum Control : int {
    kLineX = 681,  // 681-684 the X, Y, Z and W lines
    kClear = 366,
    kRead = 13,
    kSave = 14,
    kCopy = 362,
    kCut = 361,
    kPaste = 363,
    kFirstList = 351,  // 351-358 the function lists
  };

  // `lines` is read at set-up and receives the checked lines on OK; `table` is the data the
  // lines are tried on.
  TCalc(QWidget* parent, TCalcLines* lines, std::span<const TXYZPoint> table);

  TEditPos* Line(int index) const { return lines_[static_cast<std::size_t>(index)]; }
  QPushButton* Button(int id) const;
  TEditPos* CurrentLine() const { return current_; }
  // The current line with the selection it had when it lost the focus, focused.
  TEditPos* FocusCurrentLine();

  // OK: closes when the lines check (or all are empty); an error is shown at its line.
  void accept() override;
  void CmClear();
  void CmReadCalc();
  void CmSaveCalc();
  void InsertFunction(int list);

 protected:
  void SetupWindow() override;

 private:
  TCalcLines ReadEdits() const;
  void FillEdits(const TCalcLines& lines);
  void MakeCurrent(int index, int caret);
  // Checks the edits' lines into `checked`; false when an error was shown.
  bool Validate(TCalcLines& checked, TCalcValidation::Result& result);

  TCalcLines* buffer_;
  std::span<const TXYZPoint> table_;
  std::array<TEditPos*, 4> lines_{};
  // The line that last had the focus (each line writes itself here when it loses it).
  QPointer<TEditPos> current_;
};
