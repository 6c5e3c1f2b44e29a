// "User Defined Functions": the dialog in which the user writes, checks, reads, saves and
// adjusts the 15 user-defined functions of a session, one at a time.
//
// The controls hold the texts of the function shown (function k); only a rebuild (switching,
// OK, Save, Save Library, Adjust, Fit UDFs) writes them into record k, and every rebuild is
// followed by the validation (tools/udf/udf_validation.h). A refusal leaves every text the
// user typed in its control, sends the focus to the fault and names it in the box.
//
// Cancel: the edits of the function shown are dropped, and a function that a refused
// validation freed or emptied in this dialog is put back as it was before (recompiled when
// it was compiled), so that Cancel never loses a function; functions validated in the
// dialog keep their changes.
//
// Endings: OK (1), Cancel (2), "Fit &UDFs" (19: fit the user-defined functions now).
#pragma once

#include <array>
#include <memory>
#include <span>

#include "app/ui/dialog.h"
#include "app/xyz_point.h"
#include "tools/udf/udf_form.h"
#include "tools/udf/udf_validation.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
struct TSession;

class TDlgUDF : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kFitResult = 19;
  static constexpr int kHelpContext = 39;

  TDlgUDF(QWidget* parent, TSession& session);
  ~TDlgUDF() override;

  // The function shown (0..14).
  int Current() const { return k_; }
  QLineEdit* Edit(int id) const;  // 701 name, 702 count, 704..733 parameter expressions
  QPlainTextEdit* TextEdit() const { return text_; }
  QPushButton* Button(int id) const;
  QLabel* Number() const { return number_; }

  // What the controls hold, and the controls set from texts.
  TUdfForm FormFromControls() const;
  void ShowForm(const TUdfForm& form);

  // The count edit's text taken as it loses the focus (an invalid count is refused with its
  // box, and the previous count comes back: false).
  bool ApplyCountEdit();
  // Buttons 911..925: function k2 shown, after function k was taken (refused: stays on k).
  void SelectUdf(int k2);
  // OK's check: the function shown taken and valid (or blank, and freed).
  bool CanClose();

  void done(int result) override;

 protected:
  void SetupWindow() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Rebuilds record k from the controls; false (nothing rebuilt) when the texts hold
  // characters the program's text cannot keep.
  bool Rebuild();
  // Rebuild, then: a blank text frees the function (true), any other is validated with the
  // busy window and its verdict shown (true when valid).
  bool TakeCurrent();
  bool ValidateWithBusyWindow();
  void ShowVerdict(const TUdfVerdict& verdict);
  void ShowFunction(int k);  // k becomes the function shown, from its record or cleared
  // Writes the limits and starts of the form into their fields, each shown from its start.
  void ShowLimits(const TUdfForm& form);
  void EnableRows();
  void KeepForCancel(int k);
  void Committed(int k) { held_[static_cast<std::size_t>(k)].holding = false; }

  void CmReadUdf();
  void CmSaveUdf();
  void CmReadLibrary();
  void CmSaveLibrary();
  void CmClearAll();
  void CmClearCurrent();
  void CmInsertFunction(int group);
  void CmAdjust();
  void CmFitUdfs();
  void LimitText();

  std::span<const TXYZPoint> Points() const;
  long double ZRange() const;

  TSession& session_;
  int k_ = 0;
  int count_ = 1;  // the count in step with edit 702
  QLabel* number_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLineEdit* countEdit_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QString lastGoodText_;
  std::array<QLineEdit*, kUdfMaxParams> min_{}, start_{}, max_{};
  std::vector<QPushButton*> buttons_;
  bool applyingCount_ = false;
  // The record as it stood before a refused validation in this dialog (per function).
  struct Held {
    bool holding = false;
    std::unique_ptr<TUdfRecord> record;
  };
  std::array<Held, kUdfCount> held_;
};
