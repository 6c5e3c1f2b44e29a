#include "fit/ui/fit_preferences_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/file_utils.h"
#include "app/ui/small_controls.h"
#include "fit/fit_session.h"
#include "platform/file_dialog.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"

namespace {

using platform::qt::ToWindow;
constexpr int kHelpPreferences = 92;
constexpr const char* kFtpFilter = "Fit Preferences [ftp]|*.ftp|";

const char* const kSortTexts[kSortRadioCount] = {"Coef of &Det r\u00b2", "DOF Ad&justed r\u00b2",
                                                 "Fit Std Err&or", "&F-statistic"};
const char* const kRobustTexts[kRobustRadioCount] = {"&None (Least Squares)", "Least &Absolute Deviation",
                                                     "&Lorentzian", "&Pearson VII Limit"};

long ValueOf(const TEditInt* edit) { return edit->Value(); }

}  // namespace

TDlgFitOpt::TDlgFitOpt(QWidget* parent, TFitSession& session)
    : TDlg(parent), session_(session), loaded_(session.FitOptions) {
  setWindowTitle("Ondravik 3D Fitting Preferences");
  setObjectName("TDlgFitOpt");

  auto* sortLayout = new QVBoxLayout;
  auto* sortGroup = new QButtonGroup(this);
  for (int i = 0; i < kSortRadioCount; ++i) {
    sort_[i] = new QRadioButton(kSortTexts[i], this);
    sort_[i]->setObjectName(QString::number(101 + i));
    sortGroup->addButton(sort_[i]);
    sortLayout->addWidget(sort_[i]);
  }
  auto* sortBox = new QGroupBox("Initial Equation Sort", this);
  sortBox->setLayout(sortLayout);

  const auto edit = [this](int id, int digits, long lo, long hi) {
    auto* e = new TEditInt(this, digits, lo, hi);
    e->setObjectName(QString::number(id));
    e->setMaximumWidth(70);
    return e;
  };
  keep_ = edit(105, 3, kKeepCountMin, kKeepCountMax);
  highest_ = edit(106, 2, kHighestTermMin + 1, kHighestTermMax + 1);
  digits_ = edit(107, 2, kDigitThresholdMin, kDigitThresholdMax);
  iterations_ = edit(201, 4, kMaxIterationsMin, kMaxIterationsMax);
  converge_ = edit(202, 2, kConvergeDigitsMin, kConvergeDigitsMax);
  svd_ = new QCheckBox("Automatic &SVD on Ill-Conditioned Matrices", this);
  svd_->setObjectName("108");
  noDof_ = new QCheckBox("No DOF for &Error (Error-Free Data)", this);
  noDof_->setObjectName("109");
  auto* linear = new QFormLayout;
  linear->addRow("&Keep Count per Term Count:", keep_);
  linear->addRow("&Highest Term Count:", highest_);
  linear->addRow("&Term Significant Digits:", digits_);
  linear->addRow(svd_);
  linear->addRow(noDof_);
  auto* linearBox = new QGroupBox("Linear Fitting", this);
  linearBox->setLayout(linear);

  auto* nonlinear = new QFormLayout;
  nonlinear->addRow("&Maximum Iterations:", iterations_);
  nonlinear->addRow("&Converge to Digits in r\u00b2:", converge_);
  auto* robustGroup = new QButtonGroup(this);
  for (int i = 0; i < kRobustRadioCount; ++i) {
    robust_[i] = new QRadioButton(kRobustTexts[i], this);
    robust_[i]->setObjectName(QString::number(301 + i));
    robustGroup->addButton(robust_[i]);
    nonlinear->addRow(robust_[i]);
  }
  auto* nonlinearBox = new QGroupBox("Non-Linear Fitting", this);
  nonlinearBox->setLayout(nonlinear);

  const auto button = [this](int id, const char* text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
  };
  read_ = button(13, "&Read...");
  save_ = button(14, "Sa&ve...");
  reset_ = button(18, "Rese&t");
  QPushButton* help = button(9, "He&lp");
  QPushButton* ok = button(1, "OK");
  QPushButton* cancel = button(2, "Cancel");
  ok->setDefault(true);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {read_, save_, reset_, help}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(sortBox);
  left->addWidget(linearBox);
  columns->addLayout(left);
  columns->addWidget(nonlinearBox, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addLayout(buttons);

  connect(read_, &QPushButton::clicked, this, &TDlgFitOpt::CmRead);
  connect(save_, &QPushButton::clicked, this, &TDlgFitOpt::CmSave);
  connect(reset_, &QPushButton::clicked, this, [this] { Show(ResetFitOptionsForm()); });
  connect(help, &QPushButton::clicked, this, [this] { platform::ShowHelp(ToWindow(this), kHelpPreferences); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  Show(FitOptionsFormOf(session_.FitOptions));
}

QRadioButton* TDlgFitOpt::Radio(int id) const {
  if (id >= 101 && id < 101 + kSortRadioCount) return sort_[id - 101];
  if (id >= 301 && id < 301 + kRobustRadioCount) return robust_[id - 301];
  return nullptr;
}

TEditInt* TDlgFitOpt::Edit(int id) const {
  switch (id) {
    case 105: return keep_;
    case 106: return highest_;
    case 107: return digits_;
    case 201: return iterations_;
    case 202: return converge_;
    default: return nullptr;
  }
}

QCheckBox* TDlgFitOpt::Box(int id) const { return id == 108 ? svd_ : id == 109 ? noDof_ : nullptr; }

QPushButton* TDlgFitOpt::Button(int id) const {
  return id == 13 ? read_ : id == 14 ? save_ : id == 18 ? reset_ : nullptr;
}

void TDlgFitOpt::Show(const TFitOptionsForm& f) {
  // A radio group allows no empty choice once one is checked: leave it exclusive-free while
  // setting, so that a code without a radio shows none.
  for (QRadioButton* r : sort_) {
    r->setAutoExclusive(false);
    r->setChecked(false);
  }
  if (f.sortRadio >= 0) sort_[f.sortRadio]->setChecked(true);
  for (QRadioButton* r : sort_) r->setAutoExclusive(true);
  keep_->setText(QString::number(f.keep));
  highest_->setText(QString::number(f.highestTerms));
  digits_->setText(QString::number(f.digits));
  iterations_->setText(QString::number(f.iterations));
  converge_->setText(QString::number(f.convergeDigits));
  svd_->setChecked(f.autoSvd);
  noDof_->setChecked(f.noDof);
  robust_[std::clamp(f.robustMode, 0, kRobustRadioCount - 1)]->setChecked(true);
}

TFitOptionsForm TDlgFitOpt::Controls() const {
  TFitOptionsForm f;
  for (int i = 0; i < kSortRadioCount; ++i)
    if (sort_[i]->isChecked()) f.sortRadio = i;
  f.keep = ValueOf(keep_);
  f.highestTerms = ValueOf(highest_);
  f.digits = ValueOf(digits_);
  f.iterations = ValueOf(iterations_);
  f.convergeDigits = ValueOf(converge_);
  f.autoSvd = svd_->isChecked();
  f.noDof = noDof_->isChecked();
  for (int i = 0; i < kRobustRadioCount; ++i)
    if (robust_[i]->isChecked()) f.robustMode = i;
  return f;
}

void TDlgFitOpt::Store() { StoreFitOptionsForm(Controls(), loaded_, session_.FitOptions); }

void TDlgFitOpt::done(int result) {
  Store();
  TDlg::done(result);
}

void TDlgFitOpt::CmRead() {
  std::string path;
  if (FileOpenDlg(ToWindow(this), "Read Surface-Fit Preferences File", path, nullptr, "FTP",
                  kFtpFilter, 1) != 1)
    return;
  if (!ReadFitOptionsFile(path, session_.FitSelection, session_.FitOptions)) {
    ErrorBox(ToWindow(this), path, "Error in Reading Surface-Fit Preferences File");
    return;
  }
  loaded_ = session_.FitOptions;
  Show(FitOptionsFormOf(session_.FitOptions));
}

void TDlgFitOpt::CmSave() {
  // What is written is what the fields show.
  if (!FieldsSettled()) return;
  Store();
  std::string path;
  if (FileSaveDlg(ToWindow(this), "Save Surface-Fit Preferences", path, nullptr, "FTP", kFtpFilter,
                  1) != 1)
    return;
  if (!WriteFitOptionsFile(path, session_.FitOptions))
    ErrorBox(ToWindow(this), path, SaveFailureText(path, "Error in Writing Surface-Fit Preferences File"));
}
