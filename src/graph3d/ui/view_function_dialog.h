// The "View Function(X,Y)" dialog: the user types a function z = f(x, y) in the calculation
// language, with auxiliary lines F1..F9 and assignments, and the X and Y ranges over which the
// function viewer shows it. OK checks the entry (graph3d/view_function_check.h), shows the
// first error with its place selected, and only a valid entry reaches the caller's record.
// The entry can be read from and saved to a view-function file (.vfz).
#pragma once

#include <QPlainTextEdit>

#include <array>

#include "app/ui/dialog.h"
#include "graph3d/view_function.h"
#include "graph3d/view_function_check.h"

class QLineEdit;
class QPushButton;

// The function text. Enter starts a new line and never ends the dialog; the edit keeps the
// selection it had when it last lost the focus, for the buttons that insert a function; the
// text never grows beyond what the record holds with its line ends.
class TEditMLine : public QPlainTextEdit {
  Q_OBJECT
 public:
  TEditMLine(QWidget* parent, int limit);

  // The text as the record keeps it (single-byte, lines ended by CR LF), and back.
  std::string RecordText() const;
  void SetRecordText(std::string_view text);
  // The selection as it stood when the edit last lost the focus.
  int SelStart() const { return selStart_; }
  int SelEnd() const { return selEnd_; }
  // Selects `length` characters from `column` of line `line` (0-based) and shows them.
  void SelectInLine(int line, int column, int length);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void KeepWithinLimit();

  int limit_;
  QString lastGood_;
  int selStart_ = 0;
  int selEnd_ = 0;
};

class TDlgVFXY : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 87;
  enum Control : int {
    kText = 341,
    kMinX = 342,  // 342..345: minimum X, maximum X, minimum Y, maximum Y
    kInsertFirst = 351,  // 351..358: the function-insertion lists 0..7
    kCut = 361,
    kCopy = 362,
    kPaste = 363,
    kClear = 366,
    kRead = 13,
    kSave = 14,
  };

  // `record` is the caller's entry, changed only when OK ends the dialog with a valid entry;
  // `ranges`, when given, then receives the ranges the check evaluated.
  TDlgVFXY(QWidget* parent, TViewFnRecord* record, TViewFnRanges* ranges = nullptr);

  TEditMLine* TextEdit() const { return text_; }
  QLineEdit* RangeEdit(int i) const { return ranges_[static_cast<std::size_t>(i)]; }
  QPushButton* Button(int id) const;
  const TViewFnRecord& Buffer() const { return buffer_; }

  void CmClear();
  void CmRead();
  void CmSave();
  void InsertFunction(int list);
  void accept() override;

 protected:
  void SetupWindow() override;

 private:
  void WriteControls();
  void ReadControls();
  // Checks the entry as the controls hold it; a failure is shown and its place selected.
  bool Validate(TViewFnCheck& check);
  void FocusText();

  TViewFnRecord* record_;
  TViewFnRanges* checkedRanges_;
  TViewFnRecord buffer_;
  TEditMLine* text_;
  std::array<QLineEdit*, 4> ranges_{};
};
