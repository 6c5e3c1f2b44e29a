#include "tools/ui/calculation_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/file_utils.h"
#include "graph3d/ui/evaluation_progress.h"
#include "platform/file_dialog.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"
#include "tools/function_lists.h"
#include "tools/ui/function_picker.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToCp1252;
using platform::qt::ToWindow;

constexpr const char* kCalcFilter = "Calc [clc]|*.clc|";
constexpr const char* kLineLabels[4] = {"&X=", "&Y=", "&Z=", "&W="};
constexpr const char* kListLabels[kFunctionListCount] = {
    "&General", "&Trigonometric", "Stat&istical", "&Bessel", "Ca&lculus", "XYZ &Data Table", "Co&nditional",
    "Non-Lin B&ase"};

}  // namespace

// ---------------------------------------------------------------------------------------
// TCalc

TCalc::TCalc(QWidget* parent, TCalcLines* lines, std::span<const TXYZPoint> table)
    : TDlg(parent), buffer_(lines), table_(table) {
  setWindowTitle("Calculations");
  setObjectName("TCalc");
  auto* form = new QGridLayout;
  for (int i = 0; i < 4; ++i) {
    auto* e = new TEditPos(this, static_cast<int>(kCalcLineChars), &current_);
    e->setObjectName(QString("edit%1").arg(kLineX + i));
    e->setMinimumWidth(QFontMetrics(e->font()).horizontalAdvance('X') * 48);
    auto* label = new QLabel(kLineLabels[i], this);
    label->setBuddy(e);
    form->addWidget(label, i, 0);
    form->addWidget(e, i, 1);
    lines_[static_cast<std::size_t>(i)] = e;
  }
  auto button = [this](int id, const char* text) {
    auto* b = new QPushButton(tr(text), this);
    b->setObjectName(QString("button%1").arg(id));
    b->setAutoDefault(false);
    return b;
  };
  auto* editRow = new QHBoxLayout;
  const std::pair<int, const char*> edits[] = {{kCopy, "C&opy"}, {kCut, "C&ut"}, {kPaste, "Past&e"}};
  for (const auto& [id, text] : edits) {
    QPushButton* b = button(id, text);
    connect(b, &QPushButton::clicked, this, [this, id = id] {
      TEditPos* line = FocusCurrentLine();
      if (id == kCopy) line->copy();
      if (id == kCut) line->cut();
      if (id == kPaste) line->paste();
    });
    editRow->addWidget(b);
  }
  editRow->addStretch(1);

  auto* lists = new QGroupBox(tr("Insert Function"), this);
  auto* listGrid = new QGridLayout(lists);
  for (int k = 0; k < kFunctionListCount; ++k) {
    QPushButton* b = button(kFirstList + k, kListLabels[k]);
    connect(b, &QPushButton::clicked, this, [this, k] { InsertFunction(k); });
    listGrid->addWidget(b, k / 4, k % 4);
  }

  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel(tr("Enter Calculation(s) Desired:"), this));
  left->addLayout(form);
  left->addLayout(editRow);
  left->addWidget(lists);

  auto* right = new QVBoxLayout;
  QPushButton* ok = button(1, "OK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &TCalc::accept);
  right->addWidget(ok);
  QPushButton* cancel = button(2, "Cancel");
  connect(cancel, &QPushButton::clicked, this, &TCalc::reject);
  right->addWidget(cancel);
  const std::pair<int, const char*> side[] = {{kClear, "&Clear"}, {kRead, "&Read"}, {kSave, "&Save"}, {9, "Help"}};
  for (const auto& [id, text] : side) {
    QPushButton* b = button(id, text);
    right->addWidget(b);
    if (id == kClear) connect(b, &QPushButton::clicked, this, &TCalc::CmClear);
    if (id == kRead) connect(b, &QPushButton::clicked, this, &TCalc::CmReadCalc);
    if (id == kSave) connect(b, &QPushButton::clicked, this, &TCalc::CmSaveCalc);
    if (id == 9) connect(b, &QPushButton::clicked, this, [this] { platform::ShowHelp(ToWindow(this), kHelpContext); });
  }
  right->addStretch(1);

  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 1);
  top->addLayout(right);
}

QPushButton* TCalc::Button(int id) const { return findChild<QPushButton*>(QString("button%1").arg(id)); }

void TCalc::SetupWindow() {
  TDlg::SetupWindow();
  FillEdits(*buffer_);
  // A data calculation has no sub-functions for the calculus built-ins to work on.
  for (int k = 0; k < kFunctionListCount; ++k) Button(kFirstList + k)->setEnabled(k != kCalculusFunctionList);
  MakeCurrent(kCalcX, 0);
}

TCalcLines TCalc::ReadEdits() const {
  TCalcLines lines;
  for (int i = 0; i < 4; ++i) lines.text[static_cast<std::size_t>(i)] = ToCp1252(lines_[static_cast<std::size_t>(i)]->text());
  return lines;
}

void TCalc::FillEdits(const TCalcLines& lines) {
  for (int i = 0; i < 4; ++i) lines_[static_cast<std::size_t>(i)]->setText(FromCp1252(lines.text[static_cast<std::size_t>(i)]));
}

void TCalc::MakeCurrent(int index, int caret) {
  TEditPos* line = lines_[static_cast<std::size_t>(index)];
  current_ = line;
  line->setFocus();
  line->setCursorPosition(caret);
}

bool TCalc::Validate(TCalcLines& checked, TCalcValidation::Result& result) {
  if (!EditsHoldProgramText(this, std::span<QLineEdit* const>(reinterpret_cast<QLineEdit* const*>(lines_.data()), 4)))
    return false;
  checked = ReadEdits();
  TCalcValidation v;
  {
    // A line may run for long (a user function summing a million terms): Cancel stops it,
    // and the line is refused with "Calculation Cancelled".
    const TEvaluationProgress progress(this, windowTitle(), QStringLiteral("Validation in Progress"));
    v = ValidateCalcLines(checked, table_);
  }
  // Blank lines emptied and prefixes dropped show in the edits.
  FillEdits(checked);
  result = v.result;
  if (v.result == TCalcValidation::kError) {
    ErrorBox(ToWindow(this), v.caption, v.text);
    MakeCurrent(v.line, v.column);
    return false;
  }
  if (v.result == TCalcValidation::kAllEmpty) MakeCurrent(kCalcX, 0);
  return true;
}

void TCalc::accept() {
  TCalcLines checked;
  TCalcValidation::Result result = TCalcValidation::kError;
  if (!Validate(checked, result)) return;
  *buffer_ = checked;
  TDlg::accept();
}

void TCalc::CmClear() {
  FillEdits(TCalcLines{});
  MakeCurrent(kCalcX, 0);
}

void TCalc::CmReadCalc() {
  std::string path, ext;
  if (FileOpenDlg(ToWindow(this), platform::LoadString(3121), path, &ext, "CLC", kCalcFilter, 1) != 1) {
    if (current_) current_->setFocus();
    return;
  }
  const TCalcFileRead read = ReadCalcFile(path, ReadEdits());
  if (read.status == CalcFileStatus::kCannotOpen) {
    ErrorBox(ToWindow(this), platform::LoadString(3003), path);
    return;
  }
  if (read.status == CalcFileStatus::kBadLine) {
    ErrorBox(ToWindow(this), path, platform::LoadString(3122));
    return;
  }
  FillEdits(read.lines);
  MakeCurrent(kCalcX, 0);
}

void TCalc::CmSaveCalc() {
  TCalcLines checked;
  TCalcValidation::Result result = TCalcValidation::kError;
  if (!Validate(checked, result) || result != TCalcValidation::kValid) return;
  std::string path, ext;
  if (FileSaveDlg(ToWindow(this), platform::LoadString(3123), path, &ext, "CLC", kCalcFilter, 1) == 1 &&
      !WriteCalcFile(path, checked))
    ErrorBox(ToWindow(this), path, SaveFailureText(path, 3075));
  if (current_) current_->setFocus();
}

TEditPos* TCalc::FocusCurrentLine() {
  TEditPos* line = current_ ? current_.data() : lines_[0];
  line->setFocus();
  line->setSelection(line->SelStart(), line->SelEnd() - line->SelStart());
  return line;
}

void TCalc::InsertFunction(int list) {
  const std::optional<std::string> chosen = PickFunction(this, list);
  TEditPos* line = FocusCurrentLine();
  // The chosen text replaces the selection, and the caret follows it.
  if (chosen) line->insert(FromCp1252(*chosen));
}
