#include "fit/ui/background_fit_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "fit/background_fit.h"
#include "platform/help.h"
#include "platform/qt/qt_text.h"

namespace {
constexpr int kHelpBackground = 89;
const char* const kTypeTexts[TBgProc::kTypeCount] = {
    "&None",
    "&All Equations",
    "&Linear Equations",
    "&Simple Equations",
    "Ro&bust Plane",
    "&Polynomial Equations",
    "Ra&tional Equations",
    "Pol&y-Ratl Equations",
    "Pea&k Functions",
    "Transition &Functions",
    "Current &Custom Equation Set",
    "Current &User Functions",
};
}  // namespace

TBgProc::TBgProc(QWidget* parent, int* type, unsigned* flags)
    : TDlg(parent), type_(type), flags_(flags) {
  setWindowTitle("Background Thread Processing");
  setObjectName("TBgProc");
  auto* grid = new QGridLayout;
  auto* group = new QButtonGroup(this);
  for (int i = 0; i < kTypeCount; ++i) {
    radios_[i] = new QRadioButton(kTypeTexts[i], this);
    radios_[i]->setObjectName(QString::number(101 + i));
    group->addButton(radios_[i]);
    grid->addWidget(radios_[i], i % 6, i / 6);
  }
  radios_[*type >= 0 && *type < kTypeCount ? *type : 0]->setChecked(true);
  auto* types = new QGroupBox("Background Fit", this);
  types->setLayout(grid);
  beep_ = new QCheckBox("Au&dible Signal When Done", this);
  beep_->setObjectName("201");
  beep_->setChecked((*flags & kBgFitFlagBeep) != 0);
  review_ = new QCheckBox("Automatic &Review When Done", this);
  review_->setObjectName("202");
  review_->setChecked((*flags & kBgFitFlagAutoReview) != 0);
  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this,
          [this] { platform::ShowHelp(platform::qt::ToWindow(this), kHelpBackground); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(types);
  layout->addWidget(beep_);
  layout->addWidget(review_);
  layout->addWidget(buttons);
}

QRadioButton* TBgProc::Radio(int id) const {
  return id >= 101 && id < 101 + kTypeCount ? radios_[id - 101] : nullptr;
}

QCheckBox* TBgProc::Box(int id) const { return id == 201 ? beep_ : id == 202 ? review_ : nullptr; }

void TBgProc::accept() {
  for (int i = 0; i < kTypeCount; ++i)
    if (radios_[i]->isChecked()) *type_ = i;
  *flags_ = (beep_->isChecked() ? kBgFitFlagBeep : 0u) | (review_->isChecked() ? kBgFitFlagAutoReview : 0u);
  TDlg::accept();
}
