#include "tools/ui/udf_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>
#include <utility>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/ui/number_field.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "fit/session.h"
#include "graph3d/ui/evaluation_progress.h"
#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "tools/udf/udf_files.h"
#include "tools/ui/function_picker.h"
#include "tools/ui/udf_graph.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToCp1252;
using platform::qt::ToWindow;

constexpr int kFirstSelectButton = 911;
constexpr int kNameEdit = 701, kCountEdit = 702, kTextEdit = 703, kNumberStatic = 734;
constexpr int kFirstStartEdit = 704, kFirstMinEdit = 714, kFirstMaxEdit = 724;
constexpr int kFirstInsertButton = 351;
constexpr const char* kUdfFilter = "User Function [udf]|*.udf|";
constexpr const char* kUdlFilter = "UDF Library [udl]|*.udl|";
constexpr const char* kReadLibraryCaption = "Read User Function Library";
constexpr const char* kSaveLibraryCaption = "Save User Functions to Library";

constexpr const char* kInsertLabels[8] = {"&General",          "&Trigonometric", "Stat&istical",
                                          "&Bessel",           "Ca&lculus",      "&XYZ Data Table",
                                          "Co&nditional",      "X&Y NLin Base"};

std::string Caption(int k) { return CFormat("User Defined Function %d", k + 1); }

// The length the function text takes in the record, where each line end is CR LF.
int StoredLength(const QString& text) { return static_cast<int>(text.size() + text.count('\n')); }

}  // namespace

TDlgUDF::TDlgUDF(QWidget* parent, TSession& session) : TDlg(parent), session_(session) {
  setObjectName("TDlgUDF");
  const auto button = [this](int id, const char* label) {
    auto* b = new QPushButton(label, this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    buttons_.push_back(b);
    return b;
  };
  const auto edit = [this](int id, int maxLength) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::number(id));
    e->setMaxLength(maxLength);
    return e;
  };

  // The function chooser.
  auto* chooser = new QHBoxLayout;
  chooser->setSpacing(2);
  chooser->addWidget(new QLabel("Function:", this));
  for (int i = 0; i < kUdfCount; ++i) {
    const std::string label = i < 9 ? CFormat("&%d", i + 1) : CFormat("%d", i + 1);
    QPushButton* b = button(kFirstSelectButton + i, label.c_str());
    b->setFixedWidth(b->fontMetrics().horizontalAdvance("15") + 16);
    connect(b, &QPushButton::clicked, this, [this, i] { SelectUdf(i); });
    chooser->addWidget(b);
  }
  chooser->addStretch();

  // Name, count and the number of the function shown.
  number_ = new QLabel(this);
  number_->setObjectName(QString::number(kNumberStatic));
  number_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  number_->setAlignment(Qt::AlignCenter);
  number_->setMinimumWidth(number_->fontMetrics().horizontalAdvance("000") + 8);
  name_ = edit(kNameEdit, kUdfNameMaxChars);
  name_->setMinimumWidth(name_->fontMetrics().horizontalAdvance("MMMMMMMMMM") + 12);
  countEdit_ = edit(kCountEdit, kUdfCountMaxChars);
  countEdit_->setFixedWidth(countEdit_->fontMetrics().horizontalAdvance("000") + 12);
  countEdit_->installEventFilter(this);
  auto* heading = new QHBoxLayout;
  heading->addWidget(new QLabel("UDF", this));
  heading->addWidget(number_);
  heading->addSpacing(12);
  auto* nameLabel = new QLabel("Na&me:", this);
  nameLabel->setBuddy(name_);
  heading->addWidget(nameLabel);
  heading->addWidget(name_);
  heading->addSpacing(12);
  auto* countLabel = new QLabel("&Parameters:", this);
  countLabel->setBuddy(countEdit_);
  heading->addWidget(countLabel);
  heading->addWidget(countEdit_);
  heading->addStretch();

  // The function's lines, with the clipboard and the function pickers beside them.
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QString::number(kTextEdit));
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setTabChangesFocus(true);
  text_->setMinimumSize(text_->fontMetrics().horizontalAdvance(QString(48, 'M')), text_->fontMetrics().lineSpacing() * 9);
  connect(text_, &QPlainTextEdit::textChanged, this, &TDlgUDF::LimitText);
  auto* clip = new QVBoxLayout;
  QPushButton* cut = button(361, "Cut");
  QPushButton* copy = button(362, "C&opy");
  QPushButton* paste = button(363, "Past&e");
  connect(cut, &QPushButton::clicked, this, [this] { text_->cut(); text_->setFocus(); });
  connect(copy, &QPushButton::clicked, this, [this] { text_->copy(); text_->setFocus(); });
  connect(paste, &QPushButton::clicked, this, [this] { text_->paste(); text_->setFocus(); });
  for (QPushButton* b : {cut, copy, paste}) clip->addWidget(b);
  clip->addStretch();
  auto* textRow = new QHBoxLayout;
  textRow->addWidget(text_, 1);
  textRow->addLayout(clip);
  auto* pickers = new QGridLayout;
  pickers->setSpacing(4);
  for (int g = 0; g < 8; ++g) {
    QPushButton* b = button(kFirstInsertButton + g, kInsertLabels[g]);
    connect(b, &QPushButton::clicked, this, [this, g] { CmInsertFunction(g); });
    pickers->addWidget(b, g / 4, g % 4);
  }
  auto* textLabel = new QLabel("&Function: one Z= line, F1= .. F9= lines", this);
  textLabel->setBuddy(text_);
  auto* textLayout = new QVBoxLayout;
  textLayout->addWidget(textLabel);
  textLayout->addLayout(textRow, 1);
  textLayout->addLayout(pickers);
  auto* textBox = new QGroupBox(this);
  textBox->setLayout(textLayout);

  // The parameters: minimum, start and maximum expression of A0..A9.
  auto* rows = new QGridLayout;
  rows->setHorizontalSpacing(4);
  rows->setVerticalSpacing(0);
  const char* headers[] = {"Min", "Start", "Max"};
  for (int c = 0; c < 3; ++c) {
    auto* h = new QLabel(headers[c], this);
    h->setAlignment(Qt::AlignCenter);
    rows->addWidget(h, 0, c + 1);
  }
  for (int i = 0; i < kUdfMaxParams; ++i) {
    const auto u = static_cast<std::size_t>(i);
    rows->addWidget(new QLabel(FromCp1252(UdfParameterRowLabel(i)), this), i + 1, 0);
    min_[u] = edit(kFirstMinEdit + i, kUdfExprMaxChars);
    start_[u] = edit(kFirstStartEdit + i, kUdfExprMaxChars);
    max_[u] = edit(kFirstMaxEdit + i, kUdfExprMaxChars);
    int c = 1;
    for (QLineEdit* e : {min_[u], start_[u], max_[u]}) {
      e->setMinimumWidth(e->fontMetrics().horizontalAdvance("-1.23456e+25") + 12);
      rows->addWidget(e, i + 1, c++);
    }
  }
  auto* paramBox = new QGroupBox("Parameters", this);
  paramBox->setLayout(rows);

  // Files, clearing, adjusting and the endings.
  QPushButton* read = button(13, "&Read");
  QPushButton* save = button(14, "&Save");
  QPushButton* readLib = button(364, "Read UDF Library");
  QPushButton* saveLib = button(365, "Save UDF Library");
  QPushButton* clearCurrent = button(366, "Clear Current U&DF");
  QPushButton* clearAll = button(596, "Clear All UDFs");
  QPushButton* adjust = button(15, "&Adjust");
  QPushButton* fit = button(kFitResult, "Fit &UDFs");
  QPushButton* ok = button(1, "OK");
  QPushButton* cancel = button(2, "Cancel");
  QPushButton* help = button(9, "Help");
  ok->setDefault(true);
  connect(read, &QPushButton::clicked, this, &TDlgUDF::CmReadUdf);
  connect(save, &QPushButton::clicked, this, &TDlgUDF::CmSaveUdf);
  connect(readLib, &QPushButton::clicked, this, &TDlgUDF::CmReadLibrary);
  connect(saveLib, &QPushButton::clicked, this, &TDlgUDF::CmSaveLibrary);
  connect(clearCurrent, &QPushButton::clicked, this, &TDlgUDF::CmClearCurrent);
  connect(clearAll, &QPushButton::clicked, this, &TDlgUDF::CmClearAll);
  connect(adjust, &QPushButton::clicked, this, &TDlgUDF::CmAdjust);
  connect(fit, &QPushButton::clicked, this, &TDlgUDF::CmFitUdfs);
  connect(ok, &QPushButton::clicked, this, [this] {
    if (CanClose()) done(QDialog::Accepted);
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { platform::ShowHelp(ToWindow(this), kHelpContext); });
  auto* files = new QGridLayout;
  files->addWidget(read, 0, 0);
  files->addWidget(save, 0, 1);
  files->addWidget(readLib, 1, 0);
  files->addWidget(saveLib, 1, 1);
  files->addWidget(clearCurrent, 2, 0);
  files->addWidget(clearAll, 2, 1);
  auto* endings = new QHBoxLayout;
  endings->addWidget(adjust);
  endings->addWidget(fit);
  endings->addStretch();
  endings->addWidget(ok);
  endings->addWidget(cancel);
  endings->addWidget(help);

  auto* right = new QVBoxLayout;
  right->addWidget(paramBox);
  right->addLayout(files);
  right->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(heading);
  left->addWidget(textBox, 1);
  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 1);
  columns->addLayout(right);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(chooser);
  layout->addLayout(columns, 1);
  layout->addLayout(endings);

  // The keyboard goes from the name to the count, the text and the rows, then the buttons.
  QWidget* previous = name_;
  for (QWidget* w : std::initializer_list<QWidget*>{countEdit_, text_}) {
    setTabOrder(previous, w);
    previous = w;
  }
  for (std::size_t i = 0; i < kUdfMaxParams; ++i) {
    for (QWidget* w : {min_[i], start_[i], max_[i]}) {
      setTabOrder(previous, w);
      previous = w;
    }
  }

  // The dialog starts on function 1.
  ShowFunction(0);
}

TDlgUDF::~TDlgUDF() = default;

void TDlgUDF::SetupWindow() {
  TDlg::SetupWindow();
  text_->setFocus();
}

QLineEdit* TDlgUDF::Edit(int id) const {
  if (id == kNameEdit) return name_;
  if (id == kCountEdit) return countEdit_;
  if (id >= kFirstStartEdit && id < kFirstStartEdit + kUdfMaxParams) return start_[static_cast<std::size_t>(id - kFirstStartEdit)];
  if (id >= kFirstMinEdit && id < kFirstMinEdit + kUdfMaxParams) return min_[static_cast<std::size_t>(id - kFirstMinEdit)];
  if (id >= kFirstMaxEdit && id < kFirstMaxEdit + kUdfMaxParams) return max_[static_cast<std::size_t>(id - kFirstMaxEdit)];
  return nullptr;
}

QPushButton* TDlgUDF::Button(int id) const {
  for (QPushButton* b : buttons_)
    if (b->objectName() == QString::number(id)) return b;
  return nullptr;
}

TUdfForm TDlgUDF::FormFromControls() const {
  TUdfForm form;
  form.name = ToCp1252(name_->text());
  form.count = ToCp1252(countEdit_->text());
  form.text = ToCp1252(text_->toPlainText());
  for (std::size_t i = 0; i < kUdfMaxParams; ++i) {
    form.minText[i] = ToCp1252(min_[i]->text());
    form.startText[i] = ToCp1252(start_[i]->text());
    form.maxText[i] = ToCp1252(max_[i]->text());
  }
  return form;
}

void TDlgUDF::ShowForm(const TUdfForm& form) {
  name_->setText(FromCp1252(form.name));
  countEdit_->setText(FromCp1252(form.count));
  // The edit shows lines; the record's CR LF ends become its line breaks.
  QString text = FromCp1252(form.text);
  text.replace("\r\n", "\n");
  text_->setPlainText(text);
  lastGoodText_ = text_->toPlainText();
  ShowLimits(form);
  count_ = std::clamp(UdfCountFromText(form.count), 1, kUdfMaxParams);
  EnableRows();
}

void TDlgUDF::ShowLimits(const TUdfForm& form) {
  // A value wider than its field (the 19 digits of a fitted start) shows from its first digit.
  for (std::size_t i = 0; i < kUdfMaxParams; ++i) {
    ShowFromFirstDigit(*min_[i], FromCp1252(form.minText[i]));
    ShowFromFirstDigit(*start_[i], FromCp1252(form.startText[i]));
    ShowFromFirstDigit(*max_[i], FromCp1252(form.maxText[i]));
  }
}

void TDlgUDF::EnableRows() {
  for (int i = 0; i < kUdfMaxParams; ++i) {
    const auto u = static_cast<std::size_t>(i);
    for (QLineEdit* e : {min_[u], start_[u], max_[u]}) e->setEnabled(i < count_);
  }
}

void TDlgUDF::LimitText() {
  // The record holds 1023 characters with CR LF line ends: typing or pasting beyond that
  // is refused, as a full edit refuses more characters.
  const QString now = text_->toPlainText();
  if (StoredLength(now) <= kUdfTextMaxChars) {
    lastGoodText_ = now;
    return;
  }
  const int caret = text_->textCursor().position() - static_cast<int>(now.size() - lastGoodText_.size());
  const QSignalBlocker block(text_);
  text_->setPlainText(lastGoodText_);
  QTextCursor cursor = text_->textCursor();
  cursor.setPosition(std::clamp(caret, 0, static_cast<int>(lastGoodText_.size())));
  text_->setTextCursor(cursor);
  QApplication::beep();
}

bool TDlgUDF::eventFilter(QObject* watched, QEvent* event) {
  if (watched == countEdit_) {
    if (event->type() == QEvent::FocusIn) QTimer::singleShot(0, countEdit_, &QLineEdit::selectAll);
    if (event->type() == QEvent::FocusOut) ApplyCountEdit();
  }
  return TDlg::eventFilter(watched, event);
}

bool TDlgUDF::ApplyCountEdit() {
  if (applyingCount_) return false;
  applyingCount_ = true;
  TUdfForm form = FormFromControls();
  const bool taken = ApplyUdfCount(form, count_);
  // Only the count and the rows change: the text and its caret stay as the user left them.
  countEdit_->setText(FromCp1252(form.count));
  ShowLimits(form);
  EnableRows();
  if (!taken) {
    ErrorBox(ToWindow(this), kUdfCountErrorCaption, kUdfCountErrorText);
    countEdit_->setFocus();
    countEdit_->selectAll();
  }
  applyingCount_ = false;
  return taken;
}

std::span<const TXYZPoint> TDlgUDF::Points() const {
  const auto rows = static_cast<std::size_t>(std::max(session_.Table.XYZRows(), 0));
  const std::span<const TXYZPoint> all = std::as_const(session_.Table).XYZData();
  return all.empty() ? all : all.first(std::min(rows + 1, all.size()));
}

long double TDlgUDF::ZRange() const { return session_.DataStats.Z.Range; }

void TDlgUDF::KeepForCancel(int k) {
  Held& held = held_[static_cast<std::size_t>(k)];
  if (held.holding) return;
  const TUdfRecord* record = UdfRecordAt(k);
  held.record = record ? std::make_unique<TUdfRecord>(*record) : nullptr;
  held.holding = true;
}

bool TDlgUDF::Rebuild() {
  // A count typed and not yet taken (Enter pressed in its edit) is taken first.
  if (countEdit_->text() != QString::number(count_) && !ApplyCountEdit()) return false;
  std::vector<QLineEdit*> edits = {name_};
  for (std::size_t i = 0; i < static_cast<std::size_t>(count_); ++i) {
    edits.push_back(min_[i]);
    edits.push_back(start_[i]);
    edits.push_back(max_[i]);
  }
  if (!EditsHoldProgramText(this, edits)) return false;
  const std::string outside = platform::qt::CharactersOutsideCp1252(text_->toPlainText());
  if (!outside.empty()) {
    ErrorBox(ToWindow(this), Caption(k_), "Only Western European characters can be kept here.\nThese characters cannot: " + outside);
    text_->setFocus();
    return false;
  }
  KeepForCancel(k_);
  BoundUdfTable()[static_cast<std::size_t>(k_)] = UdfRecordFromForm(FormFromControls());
  return true;
}

bool TDlgUDF::ValidateWithBusyWindow() {
  const std::string caption = CFormat("UDF %d", k_ + 1);
  ShowBusyMsg(ToWindow(this), caption, "Validation in Progress", 1);
  TUdfVerdict verdict;
  {
    // A line can run for long (a product over a million terms): Cancel stops it, and the
    // function is refused with "Calculation Cancelled" at that line.
    const TEvaluationProgress progress(this, FromCp1252(caption), QStringLiteral("Validation in Progress"));
    verdict = ValidateUdf(k_, Points(), ZRange());
  }
  HideBusyMsg();
  ShowVerdict(verdict);
  if (verdict.Valid()) Committed(k_);
  return verdict.Valid();
}

bool TDlgUDF::TakeCurrent() {
  if (!Rebuild()) return false;
  if (UdfTextIsBlank(ToCp1252(text_->toPlainText()))) {
    // No text is no function: deleting it is what the user asked for.
    FreeUdf(k_);
    Committed(k_);
    return true;
  }
  return ValidateWithBusyWindow();
}

void TDlgUDF::ShowVerdict(const TUdfVerdict& shown) {
  if (shown.caption.empty()) return;  // valid, without a warning
  TUdfVerdict verdict = shown;
  // The record holds the text in upper case: the box names the line as the user typed it.
  const QTextBlock typed = text_->document()->findBlockByNumber(verdict.line);
  if (verdict.line >= 0 && typed.isValid()) verdict.detail = UdfLineDetail(verdict.line, ToCp1252(typed.text()));
  ErrorBox(ToWindow(this), verdict.caption, verdict.BoxText());
  if (verdict.Valid()) return;
  QLineEdit* limit = nullptr;
  if (verdict.row >= 0 && verdict.row < kUdfMaxParams) {
    const auto u = static_cast<std::size_t>(verdict.row);
    limit = verdict.field == UdfField::kMinimum ? min_[u] : verdict.field == UdfField::kStart ? start_[u] : verdict.field == UdfField::kMaximum ? max_[u] : nullptr;
  }
  if (limit) {
    limit->setFocus();
    limit->selectAll();
    return;
  }
  text_->setFocus();
  const QTextBlock block = text_->document()->findBlockByNumber(verdict.line);
  if (verdict.line < 0 || !block.isValid()) return;
  QTextCursor cursor(block);
  if (verdict.column < 0) {
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  } else {
    cursor.setPosition(block.position() + std::min(verdict.column, block.length() - 1));
  }
  text_->setTextCursor(cursor);
}

void TDlgUDF::ShowFunction(int k) {
  k_ = k;
  ExprThreadContext().CurrentUdf = k;
  const TUdfRecord* record = UdfRecordAt(k);
  ShowForm(record ? UdfFormFromRecord(*record) : ClearedUdfForm());
  setWindowTitle(FromCp1252(Caption(k)));
  number_->setText(QString::number(k + 1));
  text_->setFocus();
}

void TDlgUDF::SelectUdf(int k2) {
  if (k2 < 0 || k2 >= kUdfCount) return;
  if (!TakeCurrent()) return;
  ShowFunction(k2);
}

bool TDlgUDF::CanClose() { return TakeCurrent(); }

void TDlgUDF::done(int result) {
  if (result == QDialog::Rejected) {
    // Cancel: a function refused in this dialog comes back as it stood before.
    for (int k = 0; k < kUdfCount; ++k) {
      Held& held = held_[static_cast<std::size_t>(k)];
      if (!held.holding) continue;
      const bool compiled = held.record && held.record->Compiled != 0;
      UdfUnload(k);
      BoundUdfTable()[static_cast<std::size_t>(k)] = std::move(held.record);
      held.holding = false;
      if (compiled) {
        const TCurrentUdfScope scope(ExprThreadContext(), k);
        // The record compiled before; if it no longer does (the data changed), it stays
        // defined but unfitted, as any function whose load fails.
        (void)UdfLoad(k);
      }
    }
  }
  TDlg::done(result);
}

void TDlgUDF::CmReadUdf() {
  std::string path;
  if (FileOpenDlg(ToWindow(this), CFormat("Read User Function %d", k_ + 1), path, nullptr, "UDF", kUdfFilter, 1) != 1)
    return;
  TUdfTextCuts cuts;
  const int read = ReadUdfFile(BoundUdfTable(), k_, path, &cuts);
  if (read != 1) {
    // The functions stay as they were: the file is named with what went wrong.
    ErrorBox(ToWindow(this), path,
             read == kUdfFileMalformed ? "Not a User Function File: Nothing Was Read" : "Unable to Read User Function File");
    return;
  }
  // The record read is parsed, not compiled: nothing of the function it replaced may run
  // until it is validated.
  UdfUnload(k_);
  Committed(k_);
  ShowFunction(k_);
  // A name or text longer than the function holds was cut: told once the dialog shows what
  // was kept.
  if (cuts.Any()) InfoBox(ToWindow(this), path, UdfTextCutsText(cuts));
}

void TDlgUDF::CmSaveUdf() {
  if (!Rebuild()) return;
  bool valid = ValidateWithBusyWindow();
  if (!valid) {
    if (AskYesNo(ToWindow(this), kUdfValidationCaption, "Save UDF Anyway?") != platform::kIdYes) return;
    if (!Rebuild()) return;
  }
  std::string path;
  if (FileSaveDlg(ToWindow(this), "Save User Function", path, nullptr, "UDF", kUdfFilter, 1) != 1) return;
  const int written = WriteUdfFile(BoundUdfTable(), k_, path);
  if (!valid) FreeUdf(k_);
  if (written != 1)
    ErrorBox(ToWindow(this), path, SaveFailureText(path, "Unable to Write User Function File"));
}

void TDlgUDF::CmReadLibrary() {
  std::string path;
  if (FileOpenDlg(ToWindow(this), kReadLibraryCaption, path, nullptr, "UDL", kUdlFilter, 1) != 1) return;
  int dropped = 0;
  const int n = ReadUdfLibrary(BoundUdfTable(), path, &dropped);
  if (n <= 0) {
    ErrorBox(ToWindow(this), path,
             n == kUdfFileMalformed ? "Not a User Function Library: Nothing Was Read" : "Unable to Read User Function Library");
    return;
  }
  for (Held& held : held_) held.holding = false;
  ShowBusyMsg(ToWindow(this), kReadLibraryCaption, "Validation in Progress", 1);
  TUdfBatchValidation batch;
  {
    // Fifteen functions may each run long: Cancel stops the checks, and what is left
    // unchecked stays as read.
    const TEvaluationProgress progress(this, QString::fromLatin1(kReadLibraryCaption),
                                       QStringLiteral("Validation in Progress"));
    batch = ValidateAllUdfs(Points(), ZRange());
  }
  HideBusyMsg();
  // Each refusal and warning names its function, since the dialog shows only one.
  for (const TUdfBatchValidation::Entry& e : batch.reports)
    ErrorBox(ToWindow(this), e.verdict.caption, Caption(e.k) + "\n\n" + e.verdict.BoxText());
  std::string text = CFormat("Successfully Installed %d of %d UDFs", batch.valid, n);
  if (dropped > 0) text += CFormat("\n\nThe file ends before %d further UDFs its header names.", dropped);
  if (batch.cancelled)
    text += CFormat("\n\nValidation Cancelled: %d UDFs Were Not Checked and Are Not Fitted Until Accepted",
                    batch.unchecked);
  InfoBox(ToWindow(this), kReadLibraryCaption, text);
  ShowFunction(batch.firstValid >= 0 ? batch.firstValid : 0);
}

void TDlgUDF::CmSaveLibrary() {
  if (!TakeCurrent()) return;
  std::string path;
  if (FileSaveDlg(ToWindow(this), kSaveLibraryCaption, path, nullptr, "UDL", kUdlFilter, 1) != 1) return;
  const int m = WriteUdfLibrary(BoundUdfTable(), path);
  if (m == kUdfFileNotWritten) {
    ErrorBox(ToWindow(this), path, SaveFailureText(path, "Unable to Write User Function Library"));
    return;
  }
  InfoBox(ToWindow(this), kSaveLibraryCaption, CFormat("Saved %d UDFs to Library %s", m, path.c_str()));
}

void TDlgUDF::CmClearAll() {
  if (AskYesNo(ToWindow(this), "Clear User-Defined Functions", "Clear All UDFs?") != platform::kIdYes) return;
  FreeAllUdfs();
  for (Held& held : held_) held.holding = false;
  ShowFunction(0);
}

void TDlgUDF::CmClearCurrent() {
  // Only the controls: the record is freed at the next rebuild, its text being blank.
  ShowForm(ClearedUdfForm());
  text_->setFocus();
}

void TDlgUDF::CmInsertFunction(int group) {
  const std::optional<std::string> chosen = PickFunction(this, group);
  if (!chosen) return;
  text_->insertPlainText(FromCp1252(*chosen));
  text_->setFocus();
}

void TDlgUDF::CmAdjust() {
  if (!Rebuild()) return;
  if (!ValidateWithBusyWindow()) return;
  const std::optional<TUdfForm> adjusted = AdjustUdfStarts(this, session_, k_, FormFromControls());
  if (adjusted) ShowForm(*adjusted);
}

void TDlgUDF::CmFitUdfs() {
  if (!TakeCurrent()) return;
  if (UdfTableDefinedCount(BoundUdfTable()) > 0)
    done(kFitResult);
  else
    InfoBox(ToWindow(this), Caption(k_), "No UDF Is Defined: There Is Nothing to Fit.");
}
