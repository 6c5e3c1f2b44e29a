// Spin edits: an edit field with its own up and down arrows (TSpinner) that step the value
// with auto-repeat (first step on release, or after 250 ms held, then every 100 ms). Ctrl
// steps by the page (5 steps), Ctrl+Shift by the range maximum; the Up and Down keys step as
// the arrows do; a right click offers every value in a menu. TRangeSpinEdit holds a number
// in a range, TListSpinEdit one text of a list.
#pragma once

#include <QLineEdit>
#include <QStringList>
#include <QWidget>

#include "app/ui/number_field.h"

class QTimer;
class TSpinEdit;

class TSpinner : public QWidget {
  Q_OBJECT
 public:
  explicit TSpinner(TSpinEdit* buddy);
  void SetArrowsEnabled(bool up, bool down);
  bool UpEnabled() const { return upEnabled_; }
  bool DownEnabled() const { return downEnabled_; }
  static constexpr int kWidth = 15;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int ArrowAt(QPoint pos) const;  // 1 upper, 0 lower, -1 none (or disabled)
  void Step();

  TSpinEdit* buddy_;
  QTimer* timer_;
  bool upEnabled_ = true;
  bool downEnabled_ = true;
  int pressed_ = -1;
  bool over_ = false;
  double pressStep_ = 1;
};

class TSpinEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TSpinEdit(QWidget* parent);

  // The step of a press: the step, the page with Ctrl, the range maximum with Ctrl+Shift.
  double StepFor(Qt::KeyboardModifiers modifiers) const;
  virtual double GetStep() const { return step_; }
  virtual void StepUp(double step) = 0;
  virtual void StepDown(double step) = 0;
  virtual void UpdateArrows() = 0;
  virtual void Validate() = 0;
  virtual void ShowValueMenu(QPoint globalPos) = 0;

  TSpinner* Spinner() const { return spinner_; }
  double Minimum() const { return min_; }
  double Maximum() const { return max_; }
  double PageStep() const { return page_; }
  void SetValidateOnLeave(bool on) { validate_ = on; }
  void SetValueMenu(bool on) { valueMenu_ = on; }

 signals:
  // The value was set by the program with the notify flag, or stepped.
  void ValueChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

  TSpinner* spinner_;
  double step_ = 1;
  double page_ = 5;
  double min_ = 0;
  double max_ = 100;
  double value_ = 0;
  bool validate_ = true;
  bool valueMenu_ = false;
};

// A number in a range, a field of the program's one contract (number_field.h): leaving it
// clamps a number outside the range and puts back the last value it held for a text that is
// no number, without a word (the arrows show the range); OK says the range, also after a
// click on it put the field right unseen.
class TRangeSpinEdit : public TSpinEdit, public TNumberField {
  Q_OBJECT
 public:
  explicit TRangeSpinEdit(QWidget* parent);
  void SetRange(double minimum, double maximum);
  // ".n" (n decimals, step 10^-n; any text after the number is shown after the value) or
  // anything else (whole numbers, step 1); the page is 5 steps unless set otherwise.
  void SetFormat(const QString& format);
  void SetPageSteps(int steps);
  void SetValue(double value, bool select = false, bool notify = false);
  // The range and the value as the program holds them after a change of its own (a
  // recomputation): a text that reads the value already stays as typed, with its cursor
  // and selection ("+4" or "04" is not made "4" under the user's keys).
  void SetRangeAndValue(double minimum, double maximum, double value);
  // The value shown when the whole text is one (whole numbers for a format without
  // decimals; the format's text after the number may follow it), else the last value set.
  double GetValue() const;
  QString FormatValue(double value) const;

  void StepUp(double step) override;
  void StepDown(double step) override;
  void UpdateArrows() override;
  void Validate() override;
  void ShowValueMenu(QPoint globalPos) override;
  // The values the menu offers (minimum, minimum + step, ... up to the maximum).
  std::vector<double> MenuValues() const;

  std::optional<long double> Read(const QString& text) const override;
  long double RangeMinimum() const override { return min_; }
  long double RangeMaximum() const override { return max_; }
  QString TextOf(long double value) const override { return FormatValue(static_cast<double>(value)); }

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int decimals_ = -1;  // -1: whole numbers
  int pageSteps_ = 5;
  QString suffix_;
};

class TListSpinEdit : public TSpinEdit {
  Q_OBJECT
 public:
  explicit TListSpinEdit(QWidget* parent);
  void AddText(const QString& text) { texts_ << text; }
  const QStringList& Texts() const { return texts_; }
  // Index of the current text (without regard to case), -1 when it is not in the list.
  int Index() const;
  void SetIndex(int index);

  void StepUp(double step) override;
  void StepDown(double step) override;
  void UpdateArrows() override;
  void Validate() override;
  void ShowValueMenu(QPoint globalPos) override;

 private:
  QStringList texts_;
};
