#include "review/ui/review_dialogs.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/ui/small_controls.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "review/equation_search.h"
#include "platform/qt/qt_text.h"

namespace {

enum TitleFormatControl : int {
  kTwoTitles = 843,
  kThreeTitles = 844,
  kFiveTitles = 845,
  kCustomTitles = 528,
  kOkButton = 1,
  kCancelButton = 2,
  kHelpButton = 9,
};

QPushButton* Button(QWidget* parent, int id, const char* text) {
  auto* b = new QPushButton(parent->tr(text), parent);
  b->setObjectName(QString::number(id));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TTitleFmt::TTitleFmt(QWidget* parent, std::int32_t* lineCount, std::int16_t* customFlag)
    : TDlg(parent),
      lineCount_(lineCount),
      customFlag_(customFlag),
      openedLineCount_(*lineCount),
      openedCustomFlag_(*customFlag) {
  setObjectName("TTitleFmt");
  setWindowTitle(tr("Titles Format"));
  auto* group = new QGroupBox(this);
  auto* radios = new QVBoxLayout(group);
  two_ = new QRadioButton(tr("&2 Titles (Main,Eqn)"), group);
  three_ = new QRadioButton(tr("&3 Titles (Main,Eqn,Stat)"), group);
  five_ = new QRadioButton(tr("&5 Titles (Main,Eqn,Stat,Parms)"), group);
  const std::pair<QRadioButton*, int> ids[] = {{two_, kTwoTitles}, {three_, kThreeTitles}, {five_, kFiveTitles}};
  for (const auto& [radio, id] : ids) {
    radio->setObjectName(QString::number(id));
    radios->addWidget(radio);
    connect(radio, &QRadioButton::clicked, this, [this, id = id] { Clicked(id); });
  }
  QPushButton* ok = Button(this, kOkButton, "OK");
  ok->setDefault(true);
  QPushButton* cancel = Button(this, kCancelButton, "Cancel");
  QPushButton* custom = Button(this, kCustomTitles, "&Custom Titles");
  QPushButton* help = Button(this, kHelpButton, "Help");
  connect(ok, &QPushButton::clicked, this, [this] {
    Clicked(kOkButton);
    done(1);
  });
  connect(cancel, &QPushButton::clicked, this, &TTitleFmt::reject);
  connect(custom, &QPushButton::clicked, this, [this] { done(kCustomTitlesResult); });
  connect(help, &QPushButton::clicked, this, [this] {
    Clicked(kHelpButton);
    platform::ShowHelp(platform::qt::ToWindow(this), kHelpContext);
  });
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {ok, cancel, custom, help}) buttons->addWidget(b);
  buttons->addStretch(1);
  auto* top = new QHBoxLayout(this);
  top->addWidget(group);
  top->addLayout(buttons);
}

QRadioButton* TTitleFmt::LinesButton(int lines) const {
  return lines == 2 ? two_ : lines == 3 ? three_ : lines == 5 ? five_ : nullptr;
}

void TTitleFmt::SetupWindow() {
  TDlg::SetupWindow();
  if (QRadioButton* r = LinesButton(*lineCount_)) r->setChecked(true);
}

void TTitleFmt::reject() {
  // The radio buttons wrote the count as they were clicked (and Help turned the custom titles
  // off): Cancel leaves the titles as the user had them, on screen and in the settings.
  *lineCount_ = openedLineCount_;
  *customFlag_ = openedCustomFlag_;
  TDlg::reject();
}

void TTitleFmt::Clicked(int id) {
  if (id == kTwoTitles) *lineCount_ = 2;
  if (id == kThreeTitles) *lineCount_ = 3;
  if (id == kFiveTitles) *lineCount_ = 5;
  // Any choice here but the custom titles' own button means the automatic titles.
  *customFlag_ = 0;
}

TEqnSearchDlg::TEqnSearchDlg(QWidget* parent, std::string* entry, std::function<const char*(long)> refusal)
    : TDlg(parent), entry_(entry), refusal_(std::move(refusal)) {
  setObjectName("TEqnSearchDlg");
  setWindowTitle(tr("Equation Search"));
  auto* label = new QLabel(tr("Equation Number:"), this);
  // Equation numbers have at most ten digits; a number that names no equation is told by
  // the search itself, so the field's own words are the search's.
  edit_ = new TEditInt(this, kMaxEntry, 0, 9999999999L);
  edit_->SetMessage(kEquationSearchCaption, kNotAnEquationText);
  edit_->setText(QString::fromLatin1(entry->c_str()));
  edit_->setObjectName("860");
  // The last number is offered selected: typing replaces it instead of appending to it.
  edit_->selectAll();
  edit_->setFocus();
  label->setBuddy(edit_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TEqnSearchDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(edit_);
  auto* top = new QVBoxLayout(this);
  top->addLayout(row);
  top->addWidget(buttons);
}

QLineEdit* TEqnSearchDlg::Edit() const { return edit_; }

void TEqnSearchDlg::accept() {
  if (!FieldsSettled()) return;
  *entry_ = edit_->text().toLatin1().toStdString();
  if (const char* why = refusal_ ? refusal_(edit_->Value()) : nullptr) {
    ErrorBox(platform::qt::ToWindow(this), kEquationSearchCaption, why);
    edit_->setFocus();
    edit_->selectAll();
    return;
  }
  TDlg::accept();
}
