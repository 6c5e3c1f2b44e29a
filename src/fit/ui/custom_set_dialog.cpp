#include "fit/ui/custom_set_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/file_utils.h"
#include "app/number_format.h"
#include "fit/session.h"
#include "fit/ui/fit_commands.h"
#include "platform/file_dialog.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"

namespace {

using platform::qt::ToWindow;
constexpr int kHelpCustomSet = 70;
constexpr const char* kFitFilter = "Custom Fit [fit]|*.fit|";

struct BoxText {
  int id;
  const char* text;
};
const BoxText kBoxes[] = {
    {101, "Standard"},      {102, "Add Ln,Inv"},     {103, "Standard"},
    {104, "Add Ln"},        {105, "Standard"},       {106, "Add Ln Z"},
    {107, "Add Inverse Z"}, {108, "Chebyshev"},      {109, "Add Ln"},
    {110, "Chebyshev"},     {111, "Add Ln"},         {112, "Fourier Series"},
    {113, "Cosine Series"}, {114, "Sigmoid Series"}, {201, "Gaussian"},
    {202, "Lorentzian"},    {203, "Log-Normal"},     {204, "Logistic Peak"},
    {205, "Extreme Value"}, {206, "Gaussian/Log-Normal"}, {207, "Gaussian Cumulative"},
    {208, "Lorentzian Cumulative"}, {209, "Log-Normal Cumulative"}, {210, "Sigmoid"},
    {211, "Extreme Value Cumulative"}, {212, "Logistic Dose Response"}, {213, "Exponential"},
    {214, "Power"},         {215, "Robust Plane"},   {301, "Standard"},
    {302, "Equal Widths"},  {303, "Additive"},       {304, "Additive w/Synergy"},
    {305, "Fn in X Only"},  {306, "Fn in Y Only"},   {307, "None"},
    {308, "Add"},
};

QGroupBox* Group(QWidget* parent, const char* title, QLayout* layout) {
  auto* box = new QGroupBox(title, parent);
  box->setLayout(layout);
  return box;
}

}  // namespace

TDlgCF::TDlgCF(QWidget* parent, TSession& session)
    : TDlg(parent), session_(session), opened_(session.FitSelection) {
  setWindowTitle("Custom Ondravik 3D Equation Set");
  setObjectName("TDlgCF");
  for (const BoxText& b : kBoxes) {
    auto* box = new QCheckBox(b.text, this);
    box->setObjectName(QString::number(b.id));
    boxes_[b.id] = box;
    connect(box, &QCheckBox::clicked, this, [this] { Refresh(); });
  }
  const auto button = [this](int id, const char* text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    buttons_.push_back(b);
    return b;
  };
  const auto count = [this](int id) {
    auto* l = new QLabel(this);
    l->setObjectName(QString::number(id));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setMinimumWidth(110);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
  };

  // Linear families.
  auto* linear = new QGridLayout;
  const char* rows[] = {"Polynomial", "Rational", "Selective Subset"};
  const int rowBoxes[3][3] = {{101, 102, 0}, {103, 104, 0}, {105, 106, 107}};
  for (int r = 0; r < 3; ++r) {
    linear->addWidget(new QLabel(rows[r], this), r, 0);
    for (int c = 0; c < 3; ++c)
      if (rowBoxes[r][c]) linear->addWidget(boxes_[rowBoxes[r][c]], r, c + 1);
  }
  linear->addWidget(new QLabel("Chebyshev Poly", this), 3, 0);
  linear->addWidget(boxes_[108], 3, 1);
  linear->addWidget(boxes_[109], 3, 2);
  linear->addWidget(new QLabel("Chebyshev Ratl", this), 4, 0);
  linear->addWidget(boxes_[110], 4, 1);
  linear->addWidget(boxes_[111], 4, 2);
  linear->addWidget(boxes_[112], 5, 1);
  linear->addWidget(boxes_[113], 5, 2);
  linear->addWidget(boxes_[114], 5, 3);
  selected_ = count(810);
  kept_ = count(335);
  linear->addWidget(new QLabel("Selected:", this), 6, 0);
  linear->addWidget(selected_, 6, 1);
  linear->addWidget(new QLabel("Kept:", this), 6, 2);
  linear->addWidget(kept_, 6, 3);
  auto* linearButtons = new QHBoxLayout;
  QPushButton* selectLinear = button(805, "Select &All");
  QPushButton* clearLinear = button(804, "&Clear All");
  linearButtons->addWidget(selectLinear);
  linearButtons->addWidget(clearLinear);
  linearButtons->addStretch();
  linear->addLayout(linearButtons, 7, 0, 1, 4);

  // Non-linear shapes, forms and intercepts.
  auto* shapes = new QGridLayout;
  for (int id = 201; id <= 215; ++id) shapes->addWidget(boxes_[id], (id - 201) % 8, (id - 201) / 8);
  auto* forms = new QVBoxLayout;
  for (int id = 301; id <= 306; ++id) forms->addWidget(boxes_[id]);
  auto* intercept = new QVBoxLayout;
  intercept->addWidget(boxes_[307]);
  intercept->addWidget(boxes_[308]);
  intercept->addStretch();
  auto* nonlinearRow = new QHBoxLayout;
  nonlinearRow->addLayout(shapes, 2);
  nonlinearRow->addWidget(Group(this, "Forms", forms));
  nonlinearRow->addWidget(Group(this, "Intercept", intercept));
  nonlinear_ = count(815);
  auto* nonlinearButtons = new QHBoxLayout;
  nonlinearButtons->addWidget(new QLabel("Selected:", this));
  nonlinearButtons->addWidget(nonlinear_);
  nonlinearButtons->addStretch();
  QPushButton* selectNonLinear = button(812, "Select A&ll");
  QPushButton* clearNonLinear = button(811, "Cl&ear All");
  nonlinearButtons->addWidget(selectNonLinear);
  nonlinearButtons->addWidget(clearNonLinear);
  auto* nonlinearLayout = new QVBoxLayout;
  nonlinearLayout->addLayout(nonlinearRow);
  nonlinearLayout->addLayout(nonlinearButtons);

  auto* bottom = new QHBoxLayout;
  fit_ = button(kFitResult, "&Fit");
  QPushButton* read = button(13, "&Read...");
  QPushButton* save = button(14, "&Save...");
  QPushButton* reset = button(18, "Rese&t");
  QPushButton* options = button(27, "&Options...");
  QPushButton* help = button(9, "&Help");
  QPushButton* ok = button(1, "OK");
  QPushButton* cancel = button(2, "Cancel");
  ok->setDefault(true);
  for (QPushButton* b : {fit_, read, save, reset, options, help}) bottom->addWidget(b);
  bottom->addStretch();
  bottom->addWidget(ok);
  bottom->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Group(this, "Linear Equations", linear));
  layout->addWidget(Group(this, "Non-Linear Equations", nonlinearLayout));
  layout->addLayout(bottom);

  connect(selectLinear, &QPushButton::clicked, this, [this] { SelectLinear(true); });
  connect(clearLinear, &QPushButton::clicked, this, [this] { SelectLinear(false); });
  connect(selectNonLinear, &QPushButton::clicked, this, [this] { SelectNonLinear(true); });
  connect(clearNonLinear, &QPushButton::clicked, this, [this] { SelectNonLinear(false); });
  connect(fit_, &QPushButton::clicked, this, [this] { done(kFitResult); });
  connect(read, &QPushButton::clicked, this, &TDlgCF::CmRead);
  connect(save, &QPushButton::clicked, this, &TDlgCF::CmSave);
  connect(reset, &QPushButton::clicked, this, [this] {
    session_.FitSelection = opened_;
    Load();
  });
  connect(options, &QPushButton::clicked, this, &TDlgCF::CmOptions);
  connect(help, &QPushButton::clicked, this, [this] { platform::ShowHelp(ToWindow(this), kHelpCustomSet); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  Load();
}

QCheckBox* TDlgCF::Box(int id) const {
  return id >= 0 && id <= kCustomInterceptAdd ? boxes_[id] : nullptr;
}

QLabel* TDlgCF::Count(int id) const {
  return id == 810 ? selected_ : id == 335 ? kept_ : id == 815 ? nonlinear_ : nullptr;
}

QPushButton* TDlgCF::Button(int id) const {
  for (QPushButton* b : buttons_)
    if (b->objectName() == QString::number(id)) return b;
  return nullptr;
}

void TDlgCF::SetupWindow() {
  TDlg::SetupWindow();
  // Fitting needs 4 rows in the table (active or not: the run itself counts the active).
  fit_->setEnabled(session_.Table.XYZRows() >= 4);
}

void TDlgCF::Load() {
  // Showing the block never writes it: boxes can light for bits that no click would set
  // (polynomial mask 11 lights "Add Ln,Inv", which stores as 54), so the selection stays as
  // it was until the user changes a box.
  loaded_ = session_.FitSelection;
  const TCustomSetForm form = CustomSetFormOf(session_.FitSelection);
  for (const BoxText& b : kBoxes) boxes_[b.id]->setChecked(form.Checked(b.id));
  for (const BoxText& b : kBoxes) beforeBaseOff_[b.id] = false;
  for (const BoxText& b : kBoxes) {
    const int base = CustomSetBaseBox(b.id);
    if (base != 0) boxes_[b.id]->setEnabled(boxes_[base]->isChecked());
  }
  ShowCounts();
}

void TDlgCF::Refresh() {
  TCustomSetForm form;
  for (const BoxText& b : kBoxes) {
    const int base = CustomSetBaseBox(b.id);
    if (base != 0) {
      QCheckBox* box = boxes_[b.id];
      const bool on = boxes_[base]->isChecked();
      if (!on && box->isEnabled()) {
        beforeBaseOff_[b.id] = box->isChecked();
        box->setChecked(false);
      } else if (on && !box->isEnabled()) {
        box->setChecked(beforeBaseOff_[b.id]);
      }
      box->setEnabled(on);
    }
    form.Check(b.id, boxes_[b.id]->isChecked());
  }
  // Boxes clicked back to what they showed: the block as it was, not as the form writes it.
  if (form == CustomSetFormOf(loaded_))
    session_.FitSelection = loaded_;
  else
    StoreCustomSetForm(form, session_.FitSelection);
  ShowCounts();
}

void TDlgCF::ShowCounts() {
  const TCustomSetCounts c = CountCustomSet(session_.FitSelection, session_.FitOptions);
  selected_->setText(QString::fromStdString(FormatWithCommas(static_cast<long long>(c.selectedLinear))));
  kept_->setText(QString::number(static_cast<qulonglong>(c.keptLinear)));
  nonlinear_->setText(QString::number(c.nonlinear));
}

void TDlgCF::SelectLinear(bool all) {
  session_.FitSelection.polynomialMask = all ? kPolyMaskAll : 0;
  session_.FitSelection.rationalMask = all ? kRatMaskAll : 0;
  session_.FitSelection.subsetMask = all ? kSubsetMaskAll : 0;
  Load();
}

void TDlgCF::SelectNonLinear(bool all) {
  std::fill(session_.FitSelection.nonlinear.begin(), session_.FitSelection.nonlinear.begin() + kNonlinearEquationCount,
            all ? 1 : 0);
  Load();
}

void TDlgCF::CmRead() {
  if (ReadCustomSetFile(this, session_)) Load();
}

void TDlgCF::CmSave() {
  std::string path;
  if (FileSaveDlg(ToWindow(this), "Save Custom Equation Set", path, nullptr, "FIT", kFitFilter, 1) != 1)
    return;
  if (!WriteFitSelectionFile(path, session_.FitSelection))
    ErrorBox(ToWindow(this), path, SaveFailureText(path, "Error in Writing Custom Equation Set File"));
}

void TDlgCF::CmOptions() {
  // A 280-byte preferences file read there replaces the selection too: reload the boxes.
  RunFitPreferences(this, session_);
  Load();
}
