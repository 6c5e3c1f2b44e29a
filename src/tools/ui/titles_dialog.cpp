#include "tools/ui/titles_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/ui/path_label.h"
#include "platform/help.h"
#include "platform/qt/qt_text.h"

namespace {
using platform::qt::FromCp1252;
using platform::qt::ToCp1252;
constexpr int kHelpTitles = 85;
}  // namespace

TTitlesDlg::TTitlesDlg(QWidget* parent, TDataSession& session, const TDataTitles* previous)
    : TDlg(parent), session_(session), working_(session.DataTitles()), previous_(previous) {
  setWindowTitle("Data Description and Variable Names");
  setObjectName("TTitlesDlg");
  const char* labels[4] = {"&Main Title:", "&X Title:", "&Y Title:", "&Z Title:"};
  auto* form = new QFormLayout;
  for (int i = 0; i < 4; ++i) {
    edits_[i] = new QLineEdit(this);
    edits_[i]->setObjectName(QString("edit%1").arg(661 + i));
    edits_[i]->setMaxLength(static_cast<int>(i == 0 ? kDataTitleLength : kAxisNameLength));
    edits_[i]->setMinimumWidth(i == 0 ? 420 : 260);
    auto* label = new QLabel(labels[i], this);
    label->setBuddy(edits_[i]);
    form->addRow(label, edits_[i]);
  }
  count_ = new QLabel(this);
  count_->setObjectName("static666");
  source_ = new TPathLabel(this);
  source_->setObjectName("static667");
  form->addRow("Number of XYZ in Table:", count_);
  form->addRow("File Source:", source_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  previousButton_ = buttons->addButton("&Previous", QDialogButtonBox::ActionRole);
  previousButton_->setObjectName("button670");
  connect(previousButton_, &QPushButton::clicked, this, &TTitlesDlg::CmPrevious);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this,
          [this] { platform::ShowHelp(platform::qt::ToWindow(this), kHelpTitles); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  Fill(working_);
}

QLineEdit* TTitlesDlg::Edit(int id) const {
  return id >= 661 && id <= 664 ? edits_[id - 661] : nullptr;
}

QLabel* TTitlesDlg::Static(int id) const {
  return id == 666 ? count_ : id == 667 ? source_ : nullptr;
}

void TTitlesDlg::Fill(const TDataTitles& t) {
  const std::string* texts[4] = {&t.Title, &t.XName, &t.YName, &t.ZName};
  for (int i = 0; i < 4; ++i) edits_[i]->setText(FromCp1252(*texts[i]));
}

void TTitlesDlg::SetupWindow() {
  TDlg::SetupWindow();
  previousButton_->setEnabled(previous_ != nullptr);
  source_->SetPath(FromCp1252(session_.DataFileLabel));
  count_->setText(QString::number(session_.Table.XYZRows()));
}

void TTitlesDlg::CmPrevious() {
  if (!previous_) return;
  working_ = *previous_;
  Fill(working_);
}

void TTitlesDlg::accept() {
  if (!EditsHoldProgramText(this, edits_)) return;
  working_.SetTitle(ToCp1252(edits_[0]->text()));
  working_.SetXName(ToCp1252(edits_[1]->text()));
  working_.SetYName(ToCp1252(edits_[2]->text()));
  working_.SetZName(ToCp1252(edits_[3]->text()));
  session_.DataTitles() = working_;
  TDlg::accept();
}

int RunTitlesDialog(QWidget* parent, TDataSession& session, const TDataTitles* previous) {
  return ExecuteAndDelete(new TTitlesDlg(parent, session, previous)) == QDialog::Accepted ? 1 : 0;
}
