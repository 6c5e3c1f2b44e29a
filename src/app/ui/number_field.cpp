#include "app/ui/number_field.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "app/c_format.h"
#include "app/field_text.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

namespace {

constexpr int kRangeMessageId = 3001;    // "Valid Range is %d to %d"
constexpr int kInvalidEntryCaption = 3002;  // "Invalid Entry"

// A button that abandons the window: the program's Cancel (id 2) or a button box's reject.
bool AbandonsWindow(const QWidget* w) {
  const auto* button = qobject_cast<const QAbstractButton*>(w);
  if (button == nullptr) return false;
  if (button->objectName() == "2") return true;
  if (const auto* box = qobject_cast<const QDialogButtonBox*>(button->parentWidget()))
    return box->buttonRole(const_cast<QAbstractButton*>(button)) == QDialogButtonBox::RejectRole;
  QString text = button->text();
  text.remove('&');
  return text == "Cancel";
}

// A button that acts when pressed (OK, Apply, Save, Reset, Help...), not a box or a choice.
bool PushButton(const QWidget* w) {
  return qobject_cast<const QAbstractButton*>(w) != nullptr && qobject_cast<const QCheckBox*>(w) == nullptr &&
         !w->inherits("QRadioButton");
}

}  // namespace

TNumberField::TNumberField(QLineEdit& edit) : edit_(edit) {
  QObject::connect(&edit_, &QLineEdit::textChanged, &edit_, [this] { TextChanged(); });
}

QString TNumberField::Message() const {
  if (!std::isfinite(RangeMinimum()) && !std::isfinite(RangeMaximum())) return QStringLiteral("Enter a number.");
  // Filled in here rather than through a format taken from the table, so that a changed
  // table can never mismatch the arguments.
  QString message = platform::qt::FromCp1252(platform::StringOrId(kRangeMessageId));
  for (const long double bound : {RangeMinimum(), RangeMaximum()}) {
    const qsizetype at = message.indexOf("%d");
    if (at >= 0) message.replace(at, 2, TextOf(bound));
  }
  return message;
}

QString TNumberField::MessageCaption() const {
  return platform::qt::FromCp1252(platform::StringOrId(kInvalidEntryCaption));
}

bool TNumberField::Holds(const QString& text) const {
  if (takesEmpty_ && text.trimmed().isEmpty()) return true;
  const std::optional<long double> v = Read(text);
  return v && *v >= RangeMinimum() && *v <= RangeMaximum();
}

std::optional<long double> TNumberField::TypedValue() const {
  if (!reading_ || *reading_ < RangeMinimum() || *reading_ > RangeMaximum()) return std::nullopt;
  return reading_;
}

void TNumberField::TextChanged() {
  const QString text = edit_.text();
  reading_ = Read(text);
  // The program's own texts are held at once; what the user types is held once it is
  // settled, so that a text that is no value goes back to the value before the typing began
  // (not to "1" on the way to "1,5").
  const bool holds = (takesEmpty_ && text.trimmed().isEmpty()) ||
                     (reading_ && *reading_ >= RangeMinimum() && *reading_ <= RangeMaximum());
  if (holds && !edit_.isModified()) Hold(text);
}

void TNumberField::Hold(const QString& text) {
  held_ = text;
  heldSet_ = true;
}

void TNumberField::Rejudge() { reading_ = Read(edit_.text()); }

QString TNumberField::HeldText() const {
  if (!HasRange()) return edit_.text();
  if (heldSet_ && Holds(held_)) return held_;
  // Nothing held yet, or a range that moved since: the nearest value the field takes.
  long double fallback = 0;
  if (heldSet_)
    if (const std::optional<long double> v = Read(held_)) fallback = *v;
  if (takesEmpty_ && !heldSet_) return {};
  return TextOf(std::clamp(fallback, RangeMinimum(), RangeMaximum()));
}

TNumberField::Settled TNumberField::Settle() {
  const Settled settled = PutRight();
  Finished();
  return settled;
}

TNumberField::Settled TNumberField::PutRight() {
  const QString text = edit_.text();
  // A range without a value in it (a smoothing engine that has none to offer for the data)
  // leaves the field as the program wrote it.
  if (!HasRange()) return Settled::kKept;
  if (Holds(text)) {
    Hold(text);
    return Settled::kKept;
  }
  if (const std::optional<long double> v = Read(text)) {
    ShowFromFirstDigit(edit_, TextOf(std::clamp(*v, RangeMinimum(), RangeMaximum())));
    return Settled::kClamped;
  }
  ShowFromFirstDigit(edit_, HeldText());
  return Settled::kRestored;
}

bool TNumberField::PutRightUnseen() const { return unseen_ && *unseen_ == edit_.text(); }

void TNumberField::Tell() {
  unseen_.reset();
  ErrorBox(platform::qt::ToWindow(edit_.window()), platform::qt::ToCp1252(MessageCaption()),
           platform::qt::ToCp1252(Message()));
}

void TNumberField::Leave(const QFocusEvent* event) {
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
  if (!edit_.isVisible() || !edit_.isEnabled() || edit_.isReadOnly()) return;
  QWidget* next = QApplication::focusWidget();
  if (next != nullptr && next->window() != edit_.window()) return;
  if (AbandonsWindow(next)) return;
  if (Settle() == Settled::kKept) return;
  // Left for a button: by a click, whose press is under way, or from the keyboard by a
  // field that keeps quiet on leaving, whose button is pressed next. The button's own
  // settling tells it.
  if (PushButton(next) && (event->reason() == Qt::MouseFocusReason || quietOnLeave_)) {
    unseen_ = edit_.text();
    return;
  }
  if (!quietOnLeave_) Tell();
}

TNumberField* NumberFieldOf(QLineEdit* edit) { return dynamic_cast<TNumberField*>(edit); }

bool SettledByPress(TNumberField& field, QAbstractSlider* bar) {
  if (field.Settle() == TNumberField::Settled::kKept) return true;
  // A slider stops repeating when it is disabled: the press is over for it.
  if (bar != nullptr && bar->isEnabled()) {
    bar->setEnabled(false);
    bar->setEnabled(true);
  }
  QLineEdit* edit = &field.Edit();
  const bool quiet = field.QuietOnLeave();
  QTimer::singleShot(0, edit, [edit, quiet] {
    TNumberField* f = NumberFieldOf(edit);
    if (f == nullptr || !edit->isVisible()) return;
    if (!quiet) f->Tell();
    edit->setFocus(Qt::OtherFocusReason);
    SelectFromFirstDigit(*edit);
  });
  return false;
}

void ShowFromFirstDigit(QLineEdit& edit, const QString& text) {
  if (text.size() > edit.maxLength()) edit.setMaxLength(static_cast<int>(text.size()));
  edit.setText(text);
  if (!edit.hasFocus()) edit.setCursorPosition(0);
}

void SelectFromFirstDigit(QLineEdit& edit) {
  const int length = static_cast<int>(edit.text().size());
  edit.setSelection(length, -length);
}

namespace {

// A field the user can type into now; the others show what the program wrote.
bool Reachable(const QLineEdit* edit, const QWidget* window) {
  return edit->window() == window && edit->isVisibleTo(const_cast<QWidget*>(window)) && edit->isEnabled() &&
         !edit->isReadOnly();
}

}  // namespace

bool SettleFields(QWidget* window) {
  TNumberField* first = nullptr;
  for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
    TNumberField* field = NumberFieldOf(edit);
    if (field == nullptr || !Reachable(edit, window)) continue;
    const bool putRight = field->Settle() != TNumberField::Settled::kKept;
    if ((putRight || field->PutRightUnseen()) && first == nullptr) first = field;
  }
  if (first == nullptr) return true;
  first->Tell();
  first->Edit().setFocus(Qt::OtherFocusReason);
  SelectFromFirstDigit(first->Edit());
  return false;
}

void SettleFieldsQuietly(QWidget* window) {
  for (QLineEdit* edit : window->findChildren<QLineEdit*>())
    if (TNumberField* field = NumberFieldOf(edit); field != nullptr && Reachable(edit, window)) {
      (void)field->Settle();
      field->Seen();
    }
}

TEditReal::TEditReal(QWidget* parent, int textLimit, TRealFieldRules rules)
    : QLineEdit(parent), TNumberField(static_cast<QLineEdit&>(*this)), rules_(std::move(rules)) {
  setMaxLength(textLimit);
  SetTakesEmpty(rules_.takesEmpty);
}

std::optional<long double> TEditReal::Read(const QString& text) const {
  if (rules_.read) return rules_.read(text);
  return ReadRealText(text.toStdString());
}

QString TEditReal::TextOf(long double value) const {
  if (rules_.show) return rules_.show(value);
  return QString::fromStdString(CFormat("%.10Lg", value));
}

QString TEditReal::Message() const { return rules_.message.isEmpty() ? TNumberField::Message() : rules_.message; }

QString TEditReal::MessageCaption() const {
  return rules_.caption.isEmpty() ? TNumberField::MessageCaption() : rules_.caption;
}

void TEditReal::SetRange(long double minimum, long double maximum) {
  rules_.minimum = minimum;
  rules_.maximum = maximum;
  Rejudge();
}

void TEditReal::Finished() {
  if (rules_.finished) rules_.finished();
}

void TEditReal::focusInEvent(QFocusEvent* event) {
  Entered();
  QLineEdit::focusInEvent(event);
}

void TEditReal::focusOutEvent(QFocusEvent* event) {
  Leave(event);
  QLineEdit::focusOutEvent(event);
}
