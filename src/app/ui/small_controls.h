// Small controls of the program's dialogs: an integer field with a range, an edit that
// remembers where its selection stood, an owner-drawn frame, a picture button and the
// triangle-arrow buttons (one of them repeating while held).
#pragma once

#include <QFrame>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

#include "app/ui/number_field.h"

class QTimer;

// An integer entry with a range, a number field of the program's one contract (see
// number_field.h). Every key is taken as typed: a key refused because the text would leave
// the range left a text the user never meant ("25" under 18 stood as "2", "-5" over 3 as
// "5"), and a click on OK then took it. Finishing the field (leaving it, or CheckRange, or
// the settling of OK and of every button that uses it) puts the nearer bound into a value
// outside the range, and the last value it held into a text that is no number, and says
// "Valid Range is %d to %d".
class TEditInt : public QLineEdit, public TNumberField {
  Q_OBJECT
 public:
  TEditInt(QWidget* parent, int textLimit, long minimum, long maximum);
  // `textLimit`, the width of the range's values, does not cut what is typed or written.
  // True when the text is a value inside the range; otherwise corrects it and shows the
  // message.
  bool CheckRange();
  // The value the field holds: the text's when it holds one, else the last one it held.
  long Value() const;
  long Minimum() const { return min_; }
  long Maximum() const { return max_; }

  // Words of the field's own in place of "Valid Range is %d to %d" under "Invalid Entry".
  void SetMessage(const QString& caption, const QString& message);

  std::optional<long double> Read(const QString& text) const override;
  QString TextOf(long double value) const override;
  QString Message() const override;
  QString MessageCaption() const override;
  long double RangeMinimum() const override { return static_cast<long double>(min_); }
  long double RangeMaximum() const override { return static_cast<long double>(max_); }
  // Never narrower than the widest value of the range: a layout that gave the field what its
  // label left (Maximum Iterations beside a long label, 22 pixels for "100") showed a part.
  QSize minimumSizeHint() const override;

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  long min_;
  long max_;
  QString caption_;
  QString message_;
};

// Reads a decimal integer from the start of a text as the program always has (blanks, a
// sign, digits up to the first other character; no digits read as 0). Answers false when
// the number does not fit in a long, with `value` set to the nearer end of long's range.
bool ReadLeadingInteger(const QString& text, long& value);

// An edit that, when it loses the focus, records its selection and writes itself into the
// caller's variable, so that a dialog knows which field was last active.
class TEditPos : public QLineEdit {
  Q_OBJECT
 public:
  TEditPos(QWidget* parent, int textLimit, QPointer<TEditPos>* focusTarget);
  int SelStart() const { return selStart_; }
  int SelEnd() const { return selEnd_; }

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QPointer<TEditPos>* focusTarget_;
  int selStart_ = 0;
  int selEnd_ = 0;
};

// A frame that its dialog paints: every paint asks the dialog (Paint signal with the
// frame's id) to draw into it.
class TODFrame : public QFrame {
  Q_OBJECT
 public:
  TODFrame(QWidget* parent, int id);
  int Id() const { return id_; }

 signals:
  void Paint(int id, QPainter& painter);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int id_;
};

// A push button showing a picture centred on a button face with a one-pixel 3D frame.
class TBitMapBtn : public QPushButton {
  Q_OBJECT
 public:
  TBitMapBtn(QWidget* parent, const QPixmap& bitmap);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap bitmap_;
};

// A button with one or two triangle arrows (direction 0 up, 1 down, 2 left, 3 right),
// yellow when raised and cyan, shifted one pixel, when pressed.
class TButtonTri : public QPushButton {
  Q_OBJECT
 public:
  TButtonTri(QWidget* parent, int arrows, int direction);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int arrows_;
  int direction_;
};

// A triangle button that fires at once when pressed and again every 250 ms while held.
class TButtonTriRpt : public TButtonTri {
  Q_OBJECT
 public:
  TButtonTriRpt(QWidget* parent, int arrows, int direction);

 signals:
  void Fired();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QTimer* timer_;
};
