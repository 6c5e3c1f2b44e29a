#include "smooth/ui/test_suite_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int kFirstMethodBox = 111;
constexpr int kFirstDerivative = 141;
constexpr int kFirstControl = 151;
constexpr int kAddBox = 161;

const char* const kMethodTexts[16] = {"Aki&ma I", "Akima II", "Pre&usser", "&Renka I",
                                      "Ren&ka II", "Renka III", "&Watson", "Loess",
                                      "A", "B", "C", "D", "E", "F", "G", "H"};
const char* const kDerivativeTexts[3] = {"None", "dX", "dY"};
const char* const kControlTexts[2] = {"Defaults", "Vary"};

}  // namespace

TNPTestDlg::TNPTestDlg(QWidget* parent, TNPTestSelection* selection)
    : TDlg(parent), selection_(selection) {
  setWindowTitle("Select Algorithms for Test Suite");
  setObjectName("TNPTestDlg");
  // The program's methods in one column, the extension library's beside them.
  auto* methods = new QGroupBox(this);
  auto* methodGrid = new QGridLayout(methods);
  for (int i = 0; i < 16; ++i) {
    methods_[i] = new QCheckBox(kMethodTexts[i], this);
    methods_[i]->setObjectName(QString::number(kFirstMethodBox + i));
    methods_[i]->setChecked(i < 8 ? selection->methods[i] : selection->extensions[i - 8]);
    methodGrid->addWidget(methods_[i], i % 8, i / 8);
  }

  auto* derivative = new QGroupBox("Partial Derivative", this);
  auto* derivativeLayout = new QVBoxLayout(derivative);
  auto* derivativeGroup = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    derivative_[i] = new QRadioButton(kDerivativeTexts[i], this);
    derivative_[i]->setObjectName(QString::number(kFirstDerivative + i));
    derivativeGroup->addButton(derivative_[i]);
    derivativeLayout->addWidget(derivative_[i]);
  }
  derivative_[selection->derivative >= 0 && selection->derivative < 3 ? selection->derivative : 0]
      ->setChecked(true);

  auto* controls = new QGroupBox("Controls", this);
  auto* controlsLayout = new QVBoxLayout(controls);
  auto* controlGroup = new QButtonGroup(this);
  for (int i = 0; i < 2; ++i) {
    controls_[i] = new QRadioButton(kControlTexts[i], this);
    controls_[i]->setObjectName(QString::number(kFirstControl + i));
    controlGroup->addButton(controls_[i]);
    controlsLayout->addWidget(controls_[i]);
  }
  controls_[selection->vary ? 1 : 0]->setChecked(true);

  auto* errors = new QGroupBox("Max/Mean Errors", this);
  auto* errorsLayout = new QVBoxLayout(errors);
  add_ = new QCheckBox("Add", this);
  add_->setObjectName(QString::number(kAddBox));
  add_->setChecked(selection->addErrors);
  errorsLayout->addWidget(add_);

  auto* options = new QVBoxLayout;
  options->addWidget(derivative);
  options->addWidget(controls);
  options->addWidget(errors);
  options->addStretch();
  auto* columns = new QHBoxLayout;
  columns->addWidget(methods);
  columns->addLayout(options);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addWidget(buttons);
  // Wide enough for the caption beside the title bar's buttons.
  setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);
}

QCheckBox* TNPTestDlg::Box(int id) const {
  if (id >= kFirstMethodBox && id < kFirstMethodBox + 16) return methods_[id - kFirstMethodBox];
  return id == kAddBox ? add_ : nullptr;
}

QRadioButton* TNPTestDlg::Radio(int id) const {
  if (id >= kFirstDerivative && id < kFirstDerivative + 3) return derivative_[id - kFirstDerivative];
  if (id >= kFirstControl && id < kFirstControl + 2) return controls_[id - kFirstControl];
  return nullptr;
}

void TNPTestDlg::accept() {
  for (int i = 0; i < 8; ++i) {
    selection_->methods[i] = methods_[i]->isChecked();
    selection_->extensions[i] = methods_[i + 8]->isChecked();
  }
  for (int i = 0; i < 3; ++i)
    if (derivative_[i]->isChecked()) selection_->derivative = i;
  selection_->vary = controls_[1]->isChecked();
  selection_->addErrors = add_->isChecked();
  TDlg::accept();
}
