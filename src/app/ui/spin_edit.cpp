#include "app/ui/spin_edit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "app/c_format.h"
#include "app/field_text.h"

namespace {

// A menu of every value of a wide range would never open; this many are offered at most.
constexpr int kMaxMenuValues = 1000;

}  // namespace

TSpinner::TSpinner(TSpinEdit* buddy) : QWidget(buddy), buddy_(buddy), timer_(new QTimer(this)) {
  setObjectName("spinner");
  setCursor(Qt::ArrowCursor);
  connect(timer_, &QTimer::timeout, this, [this] {
    if (timer_->interval() == 250) timer_->setInterval(100);  // first delay, then repeat
    if (over_) Step();
  });
}

void TSpinner::SetArrowsEnabled(bool up, bool down) {
  if (up == upEnabled_ && down == downEnabled_) return;
  upEnabled_ = up;
  downEnabled_ = down;
  update();
}

int TSpinner::ArrowAt(QPoint pos) const {
  if (!rect().contains(pos)) return -1;
  const int arrow = pos.y() < height() / 2 ? 1 : 0;
  return (arrow == 1 ? upEnabled_ : downEnabled_) ? arrow : -1;
}

void TSpinner::Step() {
  if (pressed_ == 1) {
    buddy_->StepUp(pressStep_);
  } else if (pressed_ == 0) {
    buddy_->StepDown(pressStep_);
  }
}

void TSpinner::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = ArrowAt(event->position().toPoint());
  if (pressed_ < 0) return;
  pressStep_ = buddy_->StepFor(event->modifiers());
  over_ = true;
  buddy_->setFocus();
  timer_->start(250);
  update();
}

void TSpinner::mouseMoveEvent(QMouseEvent* event) {
  if (pressed_ < 0) return;
  const QPoint p = event->position().toPoint();
  const bool over = rect().contains(p) && (p.y() < height() / 2 ? 1 : 0) == pressed_;
  if (over != over_) {
    over_ = over;
    update();
  }
}

void TSpinner::mouseReleaseEvent(QMouseEvent* event) {
  if (pressed_ < 0 || event->button() != Qt::LeftButton) return;
  timer_->stop();
  if (over_) Step();
  pressed_ = -1;
  over_ = false;
  update();
}

void TSpinner::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const int h = height();
  for (int arrow : {1, 0}) {
    const QRect r = arrow == 1 ? QRect(0, 0, width(), h / 2) : QRect(0, h / 2, width(), h - h / 2);
    const bool sunken = pressed_ == arrow && over_;
    p.fillRect(r, pal.color(QPalette::Button));
    p.setPen(sunken ? pal.color(QPalette::Dark) : pal.color(QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(sunken ? pal.color(QPalette::Light) : pal.color(QPalette::Dark));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    const bool enabled = arrow == 1 ? upEnabled_ : downEnabled_;
    p.setPen(Qt::NoPen);
    p.setBrush(enabled ? pal.color(QPalette::ButtonText)
                       : pal.color(QPalette::Disabled, QPalette::ButtonText));
    const QPoint c = r.center() + (sunken ? QPoint(1, 1) : QPoint(0, 0));
    const int u = std::max(2, std::min(r.width(), r.height()) / 4);
    const QPoint up[3] = {QPoint(c.x() - u, c.y() + u / 2), QPoint(c.x() + u, c.y() + u / 2),
                          QPoint(c.x(), c.y() - u / 2 - 1)};
    const QPoint down[3] = {QPoint(c.x() - u, c.y() - u / 2), QPoint(c.x() + u, c.y() - u / 2),
                            QPoint(c.x(), c.y() + u / 2 + 1)};
    const QPoint* tri = arrow == 1 ? up : down;
    p.drawPolygon(tri, 3);
  }
}

TSpinEdit::TSpinEdit(QWidget* parent) : QLineEdit(parent), spinner_(new TSpinner(this)) {
  setTextMargins(0, 0, TSpinner::kWidth, 0);
}

double TSpinEdit::StepFor(Qt::KeyboardModifiers modifiers) const {
  if (!(modifiers & Qt::ControlModifier)) return GetStep();
  return modifiers & Qt::ShiftModifier ? max_ : page_;
}

void TSpinEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  spinner_->setGeometry(width() - TSpinner::kWidth - 1, 1, TSpinner::kWidth, height() - 2);
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
    const double step = StepFor(event->modifiers());
    if (event->key() == Qt::Key_Up) {
      StepUp(step);
    } else {
      StepDown(step);
    }
    return;
  }
  QLineEdit::keyPressEvent(event);
  UpdateArrows();
}

void TSpinEdit::keyReleaseEvent(QKeyEvent* event) {
  QLineEdit::keyReleaseEvent(event);
  UpdateArrows();
}

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
  if (validate_) Validate();
  QLineEdit::focusOutEvent(event);
}

void TSpinEdit::contextMenuEvent(QContextMenuEvent* event) {
  if (valueMenu_) {
    ShowValueMenu(event->globalPos());
  } else {
    QLineEdit::contextMenuEvent(event);
  }
}

void TSpinEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) {
    spinner_->setEnabled(isEnabled());
    UpdateArrows();
  }
}

TRangeSpinEdit::TRangeSpinEdit(QWidget* parent) : TSpinEdit(parent), TNumberField(static_cast<QLineEdit&>(*this)) {
  SetQuietOnLeave(true);
  SetValue(0);
}

void TRangeSpinEdit::SetRange(double minimum, double maximum) {
  min_ = minimum;
  max_ = maximum;
  Rejudge();
  SetValue(minimum);
}

void TRangeSpinEdit::SetFormat(const QString& format) {
  decimals_ = -1;
  suffix_.clear();
  step_ = 1;
  if (format.startsWith('.')) {
    int i = 1;
    while (i < format.size() && format[i].isDigit()) ++i;
    bool ok = false;
    const int n = format.mid(1, i - 1).toInt(&ok);
    if (ok && n >= 0 && n <= 15) {
      decimals_ = n;
      step_ = std::pow(10.0, -n);
      suffix_ = format.mid(i);
    }
  }
  page_ = pageSteps_ * step_;
  SetValue(value_);
}

void TRangeSpinEdit::SetPageSteps(int steps) {
  pageSteps_ = std::max(steps, 1);
  page_ = pageSteps_ * step_;
}

QString TRangeSpinEdit::FormatValue(double value) const {
  if (decimals_ < 0) return QString::fromStdString(CFormat("%ld", std::lround(value))) + suffix_;
  return QString::fromStdString(CFormat("%.*f", decimals_, value)) + suffix_;
}

void TRangeSpinEdit::SetValue(double value, bool select, bool notify) {
  value_ = value;
  setText(FormatValue(value));
  if (select) selectAll();
  UpdateArrows();
  if (notify) emit ValueChanged();
}

void TRangeSpinEdit::SetRangeAndValue(double minimum, double maximum, double value) {
  const std::optional<long double> shown = Read(text());
  if (!shown || *shown != static_cast<long double>(value)) {
    SetRange(minimum, maximum);
    SetValue(value);
    return;
  }
  min_ = minimum;
  max_ = maximum;
  value_ = value;
  Rejudge();
  UpdateArrows();
}

std::optional<long double> TRangeSpinEdit::Read(const QString& text) const {
  QString number = text.trimmed();
  const QString suffix = suffix_.trimmed();
  if (!suffix.isEmpty() && number.endsWith(suffix)) number.chop(suffix.size());
  const std::string s = number.toStdString();
  if (decimals_ < 0) {
    const std::optional<long> v = ReadIntegerText(s);
    if (!v) return std::nullopt;
    return static_cast<long double>(*v);
  }
  return ReadRealText(s);
}

double TRangeSpinEdit::GetValue() const {
  const std::optional<long double> v = Read(text());
  return v ? static_cast<double>(*v) : value_;
}

void TRangeSpinEdit::StepUp(double step) {
  // A value typed past the range (235 over 120) is put right first, and the press stops
  // there: it stepped from the typed value, still past the range.
  if (!SettledByPress(*this, nullptr)) return;
  value_ = GetValue();
  if (value_ < max_) {
    SetValue(std::min(value_ + step, max_), false, true);
  } else {
    UpdateArrows();
  }
}

void TRangeSpinEdit::StepDown(double step) {
  if (!SettledByPress(*this, nullptr)) return;
  value_ = GetValue();
  if (value_ > min_) {
    SetValue(std::max(value_ - step, min_), false, true);
  } else {
    UpdateArrows();
  }
}

void TRangeSpinEdit::UpdateArrows() {
  const double v = GetValue();
  spinner_->SetArrowsEnabled(isEnabled() && v < max_, isEnabled() && v > min_);
}

void TRangeSpinEdit::Validate() { (void)Settle(); }

void TRangeSpinEdit::focusInEvent(QFocusEvent* event) {
  Entered();
  QLineEdit::focusInEvent(event);
}

void TRangeSpinEdit::focusOutEvent(QFocusEvent* event) {
  if (validate_) Leave(event);
  QLineEdit::focusOutEvent(event);
}

std::vector<double> TRangeSpinEdit::MenuValues() const {
  std::vector<double> values;
  if (step_ <= 0) return values;
  for (int k = 0; k < kMaxMenuValues; ++k) {
    const double v = min_ + k * step_;
    if (!(v < max_ + step_ / 2)) break;
    values.push_back(v);
  }
  return values;
}

void TRangeSpinEdit::ShowValueMenu(QPoint globalPos) {
  QMenu menu(this);
  const double current = GetValue();
  const auto values = MenuValues();
  for (std::size_t k = 0; k < values.size(); ++k) {
    QAction* a = menu.addAction(FormatValue(values[k]));
    a->setCheckable(true);
    a->setChecked(std::fabs(values[k] - current) < step_ / 2);
    a->setData(static_cast<int>(k));
  }
  if (QAction* chosen = menu.exec(globalPos)) {
    const double v = min_ + chosen->data().toInt() * step_;
    if (v >= min_ && v <= max_ + step_ / 2) SetValue(std::min(v, max_));
  }
}

TListSpinEdit::TListSpinEdit(QWidget* parent) : TSpinEdit(parent) {
  valueMenu_ = true;
  texts_.reserve(11);
}

int TListSpinEdit::Index() const {
  for (int i = 0; i < texts_.size(); ++i)
    if (texts_[i].compare(text(), Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void TListSpinEdit::SetIndex(int index) {
  if (index < 0 || index >= texts_.size()) return;
  value_ = index;
  setText(texts_[index]);
  UpdateArrows();
  emit ValueChanged();
}

// Up moves toward the first text, down toward the last, a whole entry at a time.
void TListSpinEdit::StepUp(double step) {
  const int i = Index();
  if (i > 0) SetIndex(std::max(0, i - std::max(1, static_cast<int>(step))));
}

void TListSpinEdit::StepDown(double step) {
  const int i = Index();
  if (i >= 0 && i + 1 < texts_.size())
    SetIndex(std::min(static_cast<int>(texts_.size()) - 1, i + std::max(1, static_cast<int>(step))));
}

void TListSpinEdit::UpdateArrows() {
  const int i = Index();
  spinner_->SetArrowsEnabled(isEnabled() && i > 0,
                             isEnabled() && i >= 0 && i + 1 < texts_.size());
}

void TListSpinEdit::Validate() {
  if (Index() >= 0) return;
  const QString typed = text().toUpper();
  if (typed.isEmpty()) return;
  for (int i = 0; i < texts_.size(); ++i) {
    if (texts_[i].toUpper().startsWith(typed)) {
      SetIndex(i);
      return;
    }
  }
}

void TListSpinEdit::ShowValueMenu(QPoint globalPos) {
  QMenu menu(this);
  const int current = Index();
  for (int i = 0; i < texts_.size(); ++i) {
    QAction* a = menu.addAction(texts_[i]);
    a->setCheckable(true);
    a->setChecked(i == current);
    a->setData(i);
  }
  if (QAction* chosen = menu.exec(globalPos)) SetIndex(chosen->data().toInt());
}
