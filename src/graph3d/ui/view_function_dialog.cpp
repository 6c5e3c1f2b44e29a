#include "graph3d/ui/view_function_dialog.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/ui/number_field.h"
#include "graph3d/ui/option_dialog_buttons.h"
#include "graph3d/ui/viewer_dialogs.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

namespace {

constexpr int kReadTitle = 3227;  // "Read View Function(X,Y)"
constexpr int kSaveTitle = 3229;  // "Save View Function(X,Y)"

constexpr const char* kRangeLabels[4] = {"Minimum X", "Maximum X", "Minimum Y", "Maximum Y"};
constexpr const char* kInsertLists[8] = {"&General", "&Trigonometric", "Stat&istical",  "&Bessel",
                                         "Ca&lculus", "XYZ &Data Table", "Co&nditional", "Non-Lin Base"};

// The record's form of a text: its lines ended by CR LF once the trailing line ends are gone.
std::string RecordForm(const QString& text) {
  std::string out;
  for (const char c : platform::qt::ToCp1252(text)) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::size_t StoredSize(const std::string& recordText) {
  const std::size_t keep = recordText.find_last_not_of("\r\n");
  return keep == std::string::npos ? 0 : keep + 1;
}

}  // namespace

TEditMLine::TEditMLine(QWidget* parent, int limit) : QPlainTextEdit(parent), limit_(limit) {
  setObjectName(QString::number(TDlgVFXY::kText));
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTabChangesFocus(true);
  connect(this, &QPlainTextEdit::textChanged, this, [this] { KeepWithinLimit(); });
}

std::string TEditMLine::RecordText() const { return RecordForm(toPlainText()); }

void TEditMLine::SetRecordText(std::string_view text) {
  QString shown;
  for (const TTextLine& line : TextLines(text)) shown += platform::qt::FromCp1252(text.substr(line.start, line.length)) + '\n';
  lastGood_ = shown;
  setPlainText(shown);
}

void TEditMLine::KeepWithinLimit() {
  const QString now = toPlainText();
  // The record keeps its text with CR LF line ends and one more CR LF behind the last line.
  if (StoredSize(RecordForm(now)) + 2 <= static_cast<std::size_t>(limit_)) {
    lastGood_ = now;
    return;
  }
  const int caret = std::min(textCursor().position(), static_cast<int>(lastGood_.size()));
  const QSignalBlocker block(this);
  setPlainText(lastGood_);
  QTextCursor c = textCursor();
  c.setPosition(caret);
  setTextCursor(c);
  QApplication::beep();
}

void TEditMLine::SelectInLine(int line, int column, int length) {
  const QTextBlock block = document()->findBlockByNumber(line);
  if (!block.isValid()) return;
  const int start = block.position() + std::clamp(column, 0, block.length() - 1);
  QTextCursor c(document());
  c.setPosition(start);
  c.setPosition(std::min(start + std::max(length, 0), block.position() + block.length() - 1), QTextCursor::KeepAnchor);
  setTextCursor(c);
  ensureCursorVisible();
}

void TEditMLine::keyPressEvent(QKeyEvent* event) {
  // A new line whatever the modifiers: the dialog's OK button never sees the key.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    insertPlainText("\n");
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TEditMLine::focusOutEvent(QFocusEvent* event) {
  const QTextCursor c = textCursor();
  selStart_ = c.selectionStart();
  selEnd_ = c.selectionEnd();
  QPlainTextEdit::focusOutEvent(event);
}

TDlgVFXY::TDlgVFXY(QWidget* parent, TViewFnRecord* record, TViewFnRanges* ranges)
    : TDlg(parent), record_(record), checkedRanges_(ranges), buffer_(*record),
      text_(new TEditMLine(this, static_cast<int>(TViewFnRecord::kTextLimit))) {
  setWindowTitle(tr("View Function(X,Y)"));
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  text_->setFont(fixed);
  text_->setMinimumSize(QFontMetrics(fixed).horizontalAdvance('W') * 60, QFontMetrics(fixed).lineSpacing() * 12);

  auto* textLabel = new QLabel(tr("&Function (one Z= line, F1= to F9= lines and assignments)"), this);
  textLabel->setBuddy(text_);

  auto* editRow = new QHBoxLayout;
  const std::pair<int, const char*> editButtons[] = {{kCut, "C&ut"}, {kCopy, "C&opy"}, {kPaste, "Past&e"}};
  for (const auto& [id, label] : editButtons) {
    auto* b = new QPushButton(tr(label), this);
    b->setObjectName(QString("button%1").arg(id));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, id = id] {
      if (id == kCut) text_->cut();
      else if (id == kCopy) text_->copy();
      else text_->paste();
      text_->setFocus();
    });
    editRow->addWidget(b);
  }
  editRow->addStretch(1);

  auto* rangeBox = new QGroupBox(tr("Ranges"), this);
  auto* rangeGrid = new QGridLayout(rangeBox);
  for (int i = 0; i < 4; ++i) {
    auto* e = new QLineEdit(rangeBox);
    e->setMaxLength(static_cast<int>(TViewFnRecord::kRangeLimit));
    e->setObjectName(QString::number(kMinX + i));
    e->setMinimumWidth(QFontMetrics(e->font()).horizontalAdvance('0') * 18);
    auto* label = new QLabel(tr(kRangeLabels[i]), rangeBox);
    label->setBuddy(e);
    rangeGrid->addWidget(label, i / 2, (i % 2) * 2);
    rangeGrid->addWidget(e, i / 2, (i % 2) * 2 + 1);
    ranges_[static_cast<std::size_t>(i)] = e;
  }

  auto* insertBox = new QGroupBox(tr("Insert Function"), this);
  auto* insertGrid = new QGridLayout(insertBox);
  const bool canInsert = static_cast<bool>(GetFunctionInsertDialog());
  for (int k = 0; k < 8; ++k) {
    auto* b = new QPushButton(tr(kInsertLists[k]), insertBox);
    b->setObjectName(QString("button%1").arg(kInsertFirst + k));
    b->setAutoDefault(false);
    b->setEnabled(canInsert);
    connect(b, &QPushButton::clicked, this, [this, k] { InsertFunction(k); });
    insertGrid->addWidget(b, k / 4, k % 4);
  }

  auto* left = new QVBoxLayout;
  left->addWidget(textLabel);
  left->addWidget(text_, 1);
  left->addLayout(editRow);
  left->addWidget(rangeBox);
  left->addWidget(insertBox);

  auto* buttons = new QVBoxLayout;
  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName("button1");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &TDlgVFXY::accept);
  buttons->addWidget(ok);
  const std::pair<int, const char*> side[] = {{2, "Cancel"}, {kClear, "&Clear"}, {kRead, "&Read"}, {kSave, "&Save"},
                                              {9, "Help"}};
  for (const auto& [id, label] : side) {
    auto* b = new QPushButton(tr(label), this);
    b->setObjectName(QString("button%1").arg(id));
    b->setAutoDefault(false);
    buttons->addWidget(b);
    switch (id) {
      case 2: connect(b, &QPushButton::clicked, this, &QDialog::reject); break;
      case kClear: connect(b, &QPushButton::clicked, this, &TDlgVFXY::CmClear); break;
      case kRead: connect(b, &QPushButton::clicked, this, &TDlgVFXY::CmRead); break;
      case kSave: connect(b, &QPushButton::clicked, this, &TDlgVFXY::CmSave); break;
      default:
        connect(b, &QPushButton::clicked, this,
                [this] { platform::ShowHelp(platform::qt::ToWindow(this), kHelpContext); });
    }
  }
  buttons->addStretch(1);

  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 1);
  top->addLayout(buttons);
}

QPushButton* TDlgVFXY::Button(int id) const { return findChild<QPushButton*>(QString("button%1").arg(id)); }

void TDlgVFXY::SetupWindow() {
  TDlg::SetupWindow();
  WriteControls();
  FocusText();
}

void TDlgVFXY::WriteControls() {
  text_->SetRecordText(buffer_.text);
  for (std::size_t i = 0; i < ranges_.size(); ++i) ShowFromFirstDigit(*ranges_[i], platform::qt::FromCp1252(buffer_.ranges[i]));
}

void TDlgVFXY::ReadControls() {
  buffer_.text = text_->RecordText();
  if (buffer_.text.size() > TViewFnRecord::kTextLimit) buffer_.text.resize(TViewFnRecord::kTextLimit);
  for (std::size_t i = 0; i < ranges_.size(); ++i) buffer_.ranges[i] = platform::qt::ToCp1252(ranges_[i]->text());
}

void TDlgVFXY::FocusText() {
  text_->moveCursor(QTextCursor::Start);
  text_->setFocus();
}

bool TDlgVFXY::Validate(TViewFnCheck& check) {
  check = ValidateViewFunction(buffer_);
  if (check.ok) return true;
  ErrorBox(platform::qt::ToWindow(this), check.caption, check.message);
  if (check.field == ViewFnField::Text) {
    text_->setFocus();
    if (check.line >= 0) text_->SelectInLine(check.line, check.column, check.length);
  } else {
    QLineEdit* e = ranges_[static_cast<std::size_t>(static_cast<int>(check.field) - 1)];
    e->setFocus();
    e->selectAll();
  }
  return false;
}

void TDlgVFXY::accept() {
  ReadControls();
  TViewFnCheck check;
  if (!Validate(check)) return;
  buffer_.text = check.text;
  *record_ = buffer_;
  if (checkedRanges_ != nullptr) *checkedRanges_ = check.ranges;
  TDlg::accept();
}

void TDlgVFXY::CmClear() {
  const TViewFnRecord cleared = ClearedViewFnRecord();
  buffer_.text = cleared.text;
  buffer_.ranges = cleared.ranges;
  WriteControls();
  FocusText();
}

void TDlgVFXY::CmRead() {
  const std::string title = platform::StringOrId(kReadTitle);
  const std::string path = AskOptionFile(this, false, title.c_str(), kViewFnFileFilter, kViewFnFileExtension);
  if (path.empty()) return;
  TViewFnRecord read = buffer_;
  const std::string error = platform::StringOrId(kViewFnFileErrorId);
  if (ReportOptionFile(this, path, ReadViewFnFile(path, read), error.c_str())) {
    buffer_ = read;
    WriteControls();
  }
  FocusText();
}

void TDlgVFXY::CmSave() {
  const std::string title = platform::StringOrId(kSaveTitle);
  const std::string path = AskOptionFile(this, true, title.c_str(), kViewFnFileFilter, kViewFnFileExtension);
  if (path.empty()) return;
  ReadControls();
  TViewFnCheck check;
  if (!Validate(check)) return;
  buffer_.text = check.text;
  ReportOptionFileSave(this, path, WriteViewFnFile(path, buffer_));
  FocusText();
}

void TDlgVFXY::InsertFunction(int list) {
  const FunctionInsertDialog& dialog = GetFunctionInsertDialog();
  if (!dialog) return;
  // The list's dialog takes the focus: the edit's selection is the one it kept.
  const int start = text_->SelStart(), end = text_->SelEnd();
  const std::optional<std::string> chosen = dialog(this, list);
  if (!chosen) return;
  QTextCursor c = text_->textCursor();
  c.setPosition(std::min(start, static_cast<int>(text_->document()->characterCount()) - 1));
  c.setPosition(std::min(end, static_cast<int>(text_->document()->characterCount()) - 1), QTextCursor::KeepAnchor);
  c.insertText(platform::qt::FromCp1252(*chosen));
  text_->setTextCursor(c);
  text_->setFocus();
}
