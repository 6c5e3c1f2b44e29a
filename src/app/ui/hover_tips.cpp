#include "app/ui/hover_tips.h"

#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

HoverTip::HoverTip(QObject* parent, int delayMs)
    : QObject(parent), delayMs_(delayMs), timer_(new QTimer(this)) {
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &HoverTip::Show);
}

void HoverTip::Watch(QWidget* widget, int tipId) {
  widget->setProperty("ondravik_tip", tipId);
  widget->setAttribute(Qt::WA_Hover);
  widget->installEventFilter(this);
}

bool HoverTip::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::Enter:
    case QEvent::HoverEnter:
      if (widget && widget != target_) {
        Hide();
        target_ = widget;
        timer_->start(delayMs_);
      }
      break;
    case QEvent::Leave:
    case QEvent::HoverLeave:
    case QEvent::MouseButtonPress:
      if (widget == target_) {
        timer_->stop();
        Hide();
        target_ = nullptr;
      }
      break;
    case QEvent::ToolTip:
      return true;  // the tip is ours; the library's own tooltip would show the menu text
    default:
      break;
  }
  return false;
}

void HoverTip::Show() {
  if (!target_) return;
  const int id = target_->property("ondravik_tip").toInt();
  const QString text = platform::qt::FromCp1252(platform::LoadString(id));
  if (text.isEmpty()) return;
  QPalette palette = QToolTip::palette();
  palette.setColor(QPalette::ToolTipBase,
                   target_->isEnabled() ? QColor(255, 255, 0) : QColor(192, 192, 192));
  palette.setColor(QPalette::ToolTipText, Qt::black);
  QToolTip::setPalette(palette);
  QToolTip::showText(QCursor::pos() + QPoint(10, 10), text, target_);
  shownText_ = text;
  emit TipShown(id);
}

void HoverTip::Hide() {
  if (shownText_.isEmpty()) return;
  QToolTip::hideText();
  shownText_.clear();
  emit TipHidden();
}

THControlBar::THControlBar(const QString& title, int childId, QWidget* parent)
    : QToolBar(title, parent), tips_(new HoverTip(this)) {
  setObjectName(QString::number(childId));
  setMovable(false);
  setFloatable(false);
  setIconSize(QSize(20, 20));
  toggleViewAction()->setVisible(false);
}

QWidget* THControlBar::AddButton(QAction* action, int commandId) {
  addAction(action);
  QWidget* button = widgetForAction(action);
  if (button) {
    button->setObjectName(QString::number(commandId));
    tips_->Watch(button, commandId);
  }
  return button;
}

THButton::THButton(const QString& text, int tipId, QWidget* parent)
    : QPushButton(text, parent), tips_(new HoverTip(this)) {
  tips_->Watch(this, tipId);
}

THBitMapBtn::THBitMapBtn(const QPixmap& bitmap, int tipId, QWidget* parent)
    : THButton(QString(), tipId, parent) {
  setIcon(QIcon(bitmap));
  setIconSize(bitmap.size());
}
