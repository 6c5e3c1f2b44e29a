// Tool bars and buttons with hover tips: resting the pointer on a button for 500 ms shows
// the string whose id is the button's tip id in a yellow box (light grey when the button is
// disabled) beside the pointer; leaving or pressing the button hides it at once.
#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QToolBar>

class QTimer;

// Watches widgets and shows their tips; a widget's tip id is its "ondravik_tip" property.
class HoverTip : public QObject {
  Q_OBJECT
 public:
  explicit HoverTip(QObject* parent, int delayMs = 500);
  void Watch(QWidget* widget, int tipId);
  // The tip on show, for tests (empty when none).
  QString ShownText() const { return shownText_; }
  bool Shown() const { return !shownText_.isEmpty(); }
  void Hide();

 signals:
  void TipShown(int tipId);
  void TipHidden();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Show();

  int delayMs_;
  QTimer* timer_;
  QPointer<QWidget> target_;
  QString shownText_;
};

// The main window's tool bar: every button carries its command id as tip id.
class THControlBar : public QToolBar {
  Q_OBJECT
 public:
  THControlBar(const QString& title, int childId, QWidget* parent);
  // Adds a button for the action; its tip is the hint of the command id.
  QWidget* AddButton(QAction* action, int commandId);
  HoverTip* Tips() const { return tips_; }

 private:
  HoverTip* tips_;
};

// A dialog button with a hover tip.
class THButton : public QPushButton {
  Q_OBJECT
 public:
  THButton(const QString& text, int tipId, QWidget* parent);
  HoverTip* Tips() const { return tips_; }

 private:
  HoverTip* tips_;
};

// A hover button that shows a picture instead of a text.
class THBitMapBtn : public THButton {
  Q_OBJECT
 public:
  THBitMapBtn(const QPixmap& bitmap, int tipId, QWidget* parent);
};
