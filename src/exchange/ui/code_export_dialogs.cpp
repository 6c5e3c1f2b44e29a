#include "exchange/ui/code_export_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "exchange/codegen/code_generator.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"

namespace {

using platform::qt::FromCp1252;
using platform::qt::ToCp1252;
using platform::qt::ToWindow;

constexpr const char* kLanguages[] = {"&C 64 bit", "C &80 bit", "&Pascal", "&Basic", "&Fortran 77", "Fortran &90"};
constexpr int kLanguageDialects[] = {1, 0, 2, 3, 4, 5};
constexpr int kLanguageCount = 6;
constexpr std::size_t kNameReadLimit = 29;
// Room for a title bar's icon and buttons beside its caption, in pixels.
constexpr int kTitleBarButtons = 110;

constexpr const char* kParmsOptions[] = {"Add &Date, Time, File Source", "Add Main, X, Y, Z Data Table &Titles",
                                         "Add &Equation", "Add &r2, DOF r2, Std Error, F-statistic",
                                         "Add &Identifiers"};

bool AllBlank(const std::string& s) { return s.find_first_not_of(" \t") == std::string::npos; }

std::string Trimmed(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

int CodeDialectOfButton(int index) { return index >= 0 && index < kLanguageCount ? kLanguageDialects[index] : -1; }

// ---------------------------------------------------------------------------------------
// TCode

TCode::TCode(QWidget* parent, TCodeOptions& options, std::string& name)
    : TDlg(parent), options_(options), nameOut_(name) {
  setWindowTitle("Code Generation");
  setObjectName("TCode");
  auto* language = new QGroupBox("Language:", this);
  auto* languageLayout = new QVBoxLayout(language);
  auto* languageSet = new QButtonGroup(language);
  for (int i = 0; i < kLanguageCount; ++i) {
    auto* b = new QRadioButton(kLanguages[i], language);
    b->setObjectName(QString("button%1").arg(kFirstLanguage + i));
    b->setChecked(kLanguageDialects[i] == options.dialect);
    languageSet->addButton(b);
    languageLayout->addWidget(b);
    buttons_[static_cast<std::size_t>(i)] = b;
  }
  auto* type = new QGroupBox("Type:", this);
  auto* typeLayout = new QVBoxLayout(type);
  auto* typeSet = new QButtonGroup(type);
  const char* typeTexts[] = {"F&ull Test Code", "Function Code &Only"};
  for (int i = 0; i < 2; ++i) {
    auto* b = new QRadioButton(typeTexts[i], type);
    b->setObjectName(QString("button%1").arg(kFullTest + i));
    b->setChecked(options.scope == i);
    typeSet->addButton(b);
    typeLayout->addWidget(b);
    buttons_[static_cast<std::size_t>(kLanguageCount + i)] = b;
  }
  typeLayout->addStretch(1);
  name_ = new QLineEdit(FromCp1252(name).left(kNameLimit), this);
  name_->setObjectName(QString("edit%1").arg(kName));
  name_->setMaxLength(kNameLimit);
  auto* nameLabel = new QLabel("Function &Name:", this);
  nameLabel->setBuddy(name_);

  auto* groups = new QHBoxLayout;
  groups->addWidget(language);
  groups->addWidget(type);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(nameLabel);
  nameRow->addWidget(name_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addLayout(nameRow);
  layout->addWidget(OkCancelHelpButtons(this, kHelpContext));
}

QRadioButton* TCode::Button(int id) const {
  const int k = id - kFirstLanguage;
  return k >= 0 && k < static_cast<int>(buttons_.size()) ? buttons_[static_cast<std::size_t>(k)] : nullptr;
}

void TCode::accept() {
  // The name is checked before anything is stored: a blank name keeps the dialog open, and
  // a Cancel after it must leave the options as they were.
  std::string name = ToCp1252(name_->text());
  if (name.size() > kNameReadLimit) name.resize(kNameReadLimit);
  if (AllBlank(name)) {
    name_->setFocus();
    return;
  }
  // A name no compiler takes ("my peak", "2012eqn") or one the code uses itself is refused
  // before the file is written, not met as a compiler's error afterwards.
  name = Trimmed(name);
  if (const std::string fault = CodeFunctionNameFault(name); !fault.empty()) {
    ErrorBox(ToWindow(this), "Code Generation", fault);
    name_->setFocus();
    name_->selectAll();
    return;
  }
  for (int i = 0; i < kLanguageCount; ++i)
    if (buttons_[static_cast<std::size_t>(i)]->isChecked()) options_.dialect = kLanguageDialects[i];
  options_.scope = buttons_[kLanguageCount + 1]->isChecked() ? 1 : 0;
  nameOut_ = name;
  TDlg::accept();
}

// ---------------------------------------------------------------------------------------
// TParms

TParms::TParms(QWidget* parent, int& options) : TDlg(parent), options_(options) {
  setWindowTitle("Write Equation Coefficients to ASCII File");
  setObjectName("TParms");
  auto* group = new QGroupBox("Options:", this);
  auto* groupLayout = new QVBoxLayout(group);
  for (int i = 0; i < static_cast<int>(boxes_.size()); ++i) {
    auto* box = new QCheckBox(kParmsOptions[i], group);
    box->setObjectName(QString("button%1").arg(kFirstOption + i));
    box->setChecked((options & (1 << i)) != 0);
    groupLayout->addWidget(box);
    boxes_[static_cast<std::size_t>(i)] = box;
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(OkCancelHelpButtons(this, kHelpContext));
  // The caption is longer than the options: wide enough that the title bar shows it whole.
  QFont title = font();
  title.setBold(true);
  setMinimumWidth(QFontMetrics(title).horizontalAdvance(windowTitle()) + kTitleBarButtons);
}

QCheckBox* TParms::Box(int id) const {
  const int k = id - kFirstOption;
  return k >= 0 && k < static_cast<int>(boxes_.size()) ? boxes_[static_cast<std::size_t>(k)] : nullptr;
}

void TParms::accept() {
  int bits = 0;
  for (int i = 0; i < static_cast<int>(boxes_.size()); ++i)
    if (boxes_[static_cast<std::size_t>(i)]->isChecked()) bits |= 1 << i;
  options_ = bits;
  TDlg::accept();
}
