#include "app/ui/small_controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <climits>

#include "app/field_text.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

bool ReadLeadingInteger(const QString& text, long& value) {
  int i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulated as a negative number so that LONG_MIN fits; an overflow is reported, never
  // wrapped into a value inside the range.
  long v = 0;
  for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i) {
    const int d = text[i].unicode() - '0';
    if (v < (LONG_MIN + d) / 10) {
      value = negative ? LONG_MIN : LONG_MAX;
      return false;
    }
    v = v * 10 - d;
  }
  if (!negative && v == LONG_MIN) {
    value = LONG_MAX;
    return false;
  }
  value = negative ? v : -v;
  return true;
}

TEditInt::TEditInt(QWidget* parent, int textLimit, long minimum, long maximum)
    : QLineEdit(parent), TNumberField(static_cast<QLineEdit&>(*this)), min_(minimum), max_(maximum) {
  // The limit is the width of the range's values, not a cut: Qt drops a key past its
  // maxLength without a word, and "100" typed into a two-digit field of 10 to 500 stood as 10.
  // A longer text is judged whole when the field is finished.
  (void)textLimit;
}

std::optional<long double> TEditInt::Read(const QString& text) const {
  const std::optional<long> v = ReadIntegerText(text.toStdString());
  if (!v) return std::nullopt;
  return static_cast<long double>(*v);
}

QString TEditInt::TextOf(long double value) const { return QString::number(static_cast<long>(value)); }

void TEditInt::SetMessage(const QString& caption, const QString& message) {
  caption_ = caption;
  message_ = message;
}

QString TEditInt::Message() const { return message_.isEmpty() ? TNumberField::Message() : message_; }

QString TEditInt::MessageCaption() const { return caption_.isEmpty() ? TNumberField::MessageCaption() : caption_; }

long TEditInt::Value() const {
  const std::optional<long double> typed = TypedValue();
  const std::optional<long double> v = typed ? typed : Read(HeldText());
  return v ? static_cast<long>(*v) : min_;
}

QSize TEditInt::minimumSizeHint() const {
  QSize size = QLineEdit::minimumSizeHint();
  const QFontMetrics metrics = fontMetrics();
  int widest = 0;
  for (const long bound : {min_, max_}) widest = std::max(widest, metrics.horizontalAdvance(QString::number(bound)));
  // The frame, Qt's text margin of 2 on either side, the text margins and the cursor.
  const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
  const QMargins margins = textMargins();
  size.setWidth(std::max(size.width(), widest + 2 * frame + 4 + margins.left() + margins.right() + 2));
  return size;
}

void TEditInt::focusInEvent(QFocusEvent* event) {
  Entered();
  QLineEdit::focusInEvent(event);
}

void TEditInt::focusOutEvent(QFocusEvent* event) {
  Leave(event);
  QLineEdit::focusOutEvent(event);
}

bool TEditInt::CheckRange() {
  if (Settle() == Settled::kKept && !PutRightUnseen()) return true;
  Tell();
  return false;
}

TEditPos::TEditPos(QWidget* parent, int textLimit, QPointer<TEditPos>* focusTarget)
    : QLineEdit(parent), focusTarget_(focusTarget) {
  setMaxLength(textLimit);
}

void TEditPos::focusOutEvent(QFocusEvent* event) {
  if (hasSelectedText()) {
    selStart_ = selectionStart();
    selEnd_ = selectionEnd();
  } else {
    selStart_ = selEnd_ = cursorPosition();
  }
  if (focusTarget_) *focusTarget_ = this;
  QLineEdit::focusOutEvent(event);
}

TODFrame::TODFrame(QWidget* parent, int id) : QFrame(parent), id_(id) {
  setObjectName(QString::number(id));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TODFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  emit Paint(id_, painter);
}

TBitMapBtn::TBitMapBtn(QWidget* parent, const QPixmap& bitmap)
    : QPushButton(parent), bitmap_(bitmap) {}

void TBitMapBtn::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const QRect r = rect();
  p.fillRect(r, pal.color(QPalette::Button));
  const QRect frame = r.adjusted(1, 1, -2, -2);
  p.setPen(isDown() ? pal.color(QPalette::Dark) : pal.color(QPalette::Light));
  p.drawLine(frame.topLeft(), frame.topRight());
  p.drawLine(frame.topLeft(), frame.bottomLeft());
  if (!isDown()) {
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(frame.bottomLeft(), frame.bottomRight());
    p.drawLine(frame.topRight(), frame.bottomRight());
  }
  p.setClipRect(r.adjusted(2, 2, -2, -2));
  const int dx = std::max(0, (r.width() - bitmap_.width()) / 2);
  const int dy = std::max(0, (r.height() - bitmap_.height()) / 2);
  p.drawPixmap(dx, dy, bitmap_);
  if (hasFocus()) {
    p.setClipping(false);
    p.setPen(QPen(pal.color(QPalette::WindowText), 1, Qt::DotLine));
    p.drawRect(r.adjusted(3, 3, -4, -4));
  }
}

TButtonTri::TButtonTri(QWidget* parent, int arrows, int direction)
    : QPushButton(parent), arrows_(arrows == 2 ? 2 : 1), direction_(direction) {}

void TButtonTri::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const QRect r = rect().adjusted(0, 0, -1, -1);
  const bool down = isDown();
  p.fillRect(rect(), pal.color(QPalette::Button));
  p.setPen(Qt::black);
  p.drawRect(r);
  p.setPen(down ? pal.color(QPalette::Dark) : pal.color(QPalette::Light));
  p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
  p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
  if (!down) {
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
    p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
  }
  const int u = std::max(1, height() / 5);
  QPoint c = rect().center() + (down ? QPoint(1, 1) : QPoint(0, 0));
  p.setPen(Qt::black);
  p.setBrush(down ? QColor(0, 255, 255) : QColor(255, 255, 0));
  // Along the pointing axis the unit vector d; across it e.
  const QPoint d = direction_ == 0 ? QPoint(0, -1)
                   : direction_ == 1 ? QPoint(0, 1)
                   : direction_ == 2 ? QPoint(-1, 0)
                                     : QPoint(1, 0);
  const QPoint e(d.y(), d.x());
  for (int k = 0; k < arrows_; ++k) {
    // Two arrows stand side by side along the pointing axis, u apart.
    const QPoint m = arrows_ == 2 ? c + d * (k == 0 ? -u / 2 - u / 2 : u / 2 + u / 2) : c;
    const QPoint tri[3] = {m + d * u, m - d * u + e * u, m - d * u - e * u};
    p.drawPolygon(tri, 3);
  }
}

TButtonTriRpt::TButtonTriRpt(QWidget* parent, int arrows, int direction)
    : TButtonTri(parent, arrows, direction), timer_(new QTimer(this)) {
  connect(timer_, &QTimer::timeout, this, &TButtonTriRpt::Fired);
}

void TButtonTriRpt::mousePressEvent(QMouseEvent* event) {
  QPushButton::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  emit Fired();
  timer_->start(250);
}

void TButtonTriRpt::mouseReleaseEvent(QMouseEvent* event) {
  timer_->stop();
  QPushButton::mouseReleaseEvent(event);
}
