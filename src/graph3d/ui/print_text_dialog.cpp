#include "graph3d/ui/print_text_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "app/settings_file.h"
#include "app/ui/text_window.h"
#include "graph3d/ui/graph_output.h"
#include "graph3d/ui/print_graph_dialog.h"
#include "platform/file_dialog.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

namespace {

using B = TTextPrintBuffer;

constexpr int kReadTitle = 3273;
constexpr int kSaveTitle = 3275;
constexpr int kWriteFailedText = 3075;
constexpr const char* kCptFilter = "Custom Print [cpt]|*.cpt|";

constexpr std::array<const char*, 8> kRadioTexts{"P&ortrait", "Landscap&e", "&Flush Left", "Center Lon&gest Line",
                                                 "&Present Display", "&All Information", "&Monochrome", "&Color"};
constexpr std::array<const char*, 4> kGroupTexts{"Orientation", "Justification", "Extent", "Color"};
constexpr std::array<const char*, 4> kMarginTexts{"&Left cm:", "&Top cm:", "&Right cm:", "&Bottom cm:"};
constexpr std::array<const char*, 4> kMarginNames{"left", "top", "right", "bottom"};

}  // namespace

TRealFieldRules MarginFieldRules(const char* caption, const char* side) {
  TRealFieldRules rules;
  rules.minimum = 0;
  rules.maximum = kMaxMarginCm;
  rules.show = [](long double cm) { return QString::fromStdString(CFormat("%-.5g", static_cast<double>(cm))); };
  rules.caption = caption;
  rules.message = QString::fromStdString(CFormat("The %s margin must be a number of centimetres from 0 to 100.", side));
  return rules;
}

TPrnWin::TPrnWin(QWidget* parent, const char* header, TTextPrintOptions* options, std::string* callerHeader,
                 bool* printerChanged, const TTextPrintOffers& offers)
    : TDlg(parent), options_(options), callerHeader_(callerHeader), printerChanged_(printerChanged), offers_(offers) {
  if (printerChanged_ != nullptr) *printerChanged_ = false;
  opened_ = FillTextPrintBuffer(*options, header != nullptr ? header : "", offers);
  setWindowTitle("Print Text");
  auto* box = new QVBoxLayout(this);
  auto* headerRow = new QHBoxLayout;
  header_ = new QLineEdit(this);
  header_->setObjectName(QString::number(kHeaderEdit));
  header_->setMaxLength(static_cast<int>(B::kHeaderBytes) - 1);
  header_->setMinimumWidth(header_->fontMetrics().horizontalAdvance(QString(48, QChar('n'))));
  auto* headerLabel = new QLabel("&Header:", this);
  headerLabel->setBuddy(header_);
  headerRow->addWidget(headerLabel);
  headerRow->addWidget(header_, 1);
  box->addLayout(headerRow);
  auto* checks = new QHBoxLayout;
  date_ = new QCheckBox("&Date", this);
  date_->setObjectName(QString::number(kDateBox));
  pageNumbers_ = new QCheckBox("Page &Numbers", this);
  pageNumbers_->setObjectName(QString::number(kPageNumbersBox));
  checks->addWidget(date_);
  checks->addWidget(pageNumbers_);
  checks->addStretch(1);
  box->addLayout(checks);

  auto* choices = new QGridLayout;
  for (std::size_t g = 0; g < kGroupTexts.size(); ++g) {
    auto* group = new QGroupBox(kGroupTexts[g], this);
    auto* groupBox = new QVBoxLayout(group);
    auto* exclusive = new QButtonGroup(group);
    for (std::size_t k = 2 * g; k < 2 * g + 2; ++k) {
      auto* radio = new QRadioButton(kRadioTexts[k], group);
      radio->setObjectName(QString::number(kRadioControls[k]));
      exclusive->addButton(radio);
      groupBox->addWidget(radio);
      radios_[k] = radio;
    }
    choices->addWidget(group, static_cast<int>(g / 2), static_cast<int>(g % 2));
  }
  auto* marginGroup = new QGroupBox("Margins", this);
  auto* grid = new QGridLayout(marginGroup);
  for (std::size_t k = 0; k < margins_.size(); ++k) {
    auto* edit = new TEditReal(marginGroup, static_cast<int>(B::kMarginBytes) - 1,
                               MarginFieldRules("Print Text", kMarginNames[k]));
    edit->setObjectName(QString::number(kMarginEdits[k]));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000000")));
    auto* label = new QLabel(kMarginTexts[k], marginGroup);
    label->setBuddy(edit);
    grid->addWidget(label, static_cast<int>(k % 2), static_cast<int>(k / 2) * 2);
    grid->addWidget(edit, static_cast<int>(k % 2), static_cast<int>(k / 2) * 2 + 1);
    margins_[k] = edit;
  }
  choices->addWidget(marginGroup, 2, 0, 1, 2);
  box->addLayout(choices);

  auto* printerRow = new QHBoxLayout;
  device_ = new QLabel(this);
  device_->setObjectName("387");
  port_ = new QLabel(this);
  port_->setObjectName("388");
  printerRow->addWidget(device_);
  printerRow->addWidget(port_, 1);
  box->addLayout(printerRow);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  auto addButton = [&](const char* text, int id, auto action) {
    QPushButton* b = buttons->addButton(text, QDialogButtonBox::ActionRole);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);  // Enter prints, wherever the focus was left
    connect(b, &QPushButton::clicked, this, action);
  };
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  addButton("&Read", kReadButton, [this] { Read(); });
  addButton("&Save", kSaveButton, [this] { Save(); });
  addButton("&Reset", kResetButton, [this] { Show(opened_); });
  addButton("Set&up", kSetupButton, [this] { Setup(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &TPrnWin::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TPrnWin::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this,
          [this] { platform::ShowHelp(platform::qt::ToWindow(this), kHelpContext); });
  box->addWidget(buttons);
}

void TPrnWin::SetupWindow() {
  TDlg::SetupWindow();
  Show(opened_);
  const bool offered[3] = {offers_.justification, offers_.extent, offers_.colour};
  for (std::size_t g = 0; g < 3; ++g) {
    radios_[2 + 2 * g]->setEnabled(offered[g]);
    radios_[3 + 2 * g]->setEnabled(offered[g]);
  }
  device_->setText(PrinterDeviceName());
  port_->setText(PrinterPortName());
}

void TPrnWin::Show(const TTextPrintBuffer& b) {
  header_->setText(platform::qt::FromCp1252(b.header));
  date_->setChecked(b.checks[B::kDate] != 0);
  pageNumbers_->setChecked(b.checks[B::kPageNumbers] != 0);
  for (std::size_t k = 0; k < radios_.size(); ++k) {
    // A pair with neither set (a choice not offered) shows both clear.
    auto* group = radios_[k]->group();
    if (group != nullptr) group->setExclusive(false);
    radios_[k]->setChecked(b.checks[B::kPortrait + k] != 0);
    if (group != nullptr) group->setExclusive(true);
  }
  for (std::size_t k = 0; k < margins_.size(); ++k) margins_[k]->setText(QString::fromLatin1(b.margins[k].c_str()));
}

TTextPrintBuffer TPrnWin::Buffer() const {
  TTextPrintBuffer b;
  b.header = platform::qt::ToCp1252(header_->text()).substr(0, B::kHeaderBytes - 1);
  b.checks[B::kDate] = date_->isChecked();
  b.checks[B::kPageNumbers] = pageNumbers_->isChecked();
  for (std::size_t k = 0; k < radios_.size(); ++k) b.checks[B::kPortrait + k] = radios_[k]->isChecked();
  for (std::size_t k = 0; k < margins_.size(); ++k)
    b.margins[k] = margins_[k]->text().toLatin1().toStdString().substr(0, B::kMarginBytes - 1);
  return b;
}

void TPrnWin::accept() {
  // A margin box the print would not understand is put right and told, never dropped.
  if (!FieldsSettled() || !HeaderHeld()) return;
  std::string header;
  ApplyTextPrintBuffer(Buffer(), offers_, *options_, header);
  if (callerHeader_ != nullptr) *callerHeader_ = header;
  TDlg::accept();
}

bool TPrnWin::HeaderHeld() {
  // The header is printed and saved as the program's single-byte text: a character it cannot
  // hold is named, not printed as '?'.
  return EditsHoldProgramText(this, std::span<QLineEdit* const>(&header_, 1));
}

void TPrnWin::Setup() {
  if (printerChanged_ != nullptr) *printerChanged_ = true;
  ProgramPrinter().setPageOrientation(radios_[1]->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
  RunPrinterSetup(this);
  const bool landscape = ProgramPrinter().pageLayout().orientation() == QPageLayout::Landscape;
  radios_[0]->setChecked(!landscape);
  radios_[1]->setChecked(landscape);
  device_->setText(PrinterDeviceName());
  port_->setText(PrinterPortName());
}

void TPrnWin::Read() {
  std::string path;
  if (FileOpenDlg(platform::qt::ToWindow(this), platform::LoadString(kReadTitle), path, nullptr, "CPT", kCptFilter, 1) != 1)
    return;
  TTextPrintBuffer b;
  switch (ReadTextPrintFile(path, b)) {
    case OptionFileStatus::CannotOpen: return;
    case OptionFileStatus::Refused:
      ErrorBox(platform::qt::ToWindow(this), path, platform::LoadString(kCustomPrintFileErrorId));
      return;
    case OptionFileStatus::Ok: Show(AdoptReadTextPrintBuffer(Buffer(), b, offers_)); return;
  }
}

void TPrnWin::Save() {
  // A file is written only when the dialog can read it back: what the fields show.
  if (!FieldsSettled() || !HeaderHeld()) return;
  std::string path;
  if (FileSaveDlg(platform::qt::ToWindow(this), platform::LoadString(kSaveTitle), path, nullptr, "CPT", kCptFilter, 1) != 1)
    return;
  if (!WriteTextPrintFile(path, Buffer()))
    ErrorBox(platform::qt::ToWindow(this), path, SaveFailureText(path, kWriteFailedText));
}

void InstallTextPrintDialog() {
  SetTextPrintDialog([](QWidget* parent, const TTextPrintOffers& offers) {
    static std::string header;
    TTextPrintOptions options = DecodeTextPrint(CurrentSettings().textPrint);
    bool printerChanged = false;
    TTextPrintJob job;
    const std::string opening = header;
    auto* dialog = new TPrnWin(parent, opening.c_str(), &options, &header, &printerChanged, offers);
    if (dialog->Execute() != QDialog::Accepted) {
      job.cancelled = true;
      return job;
    }
    CurrentSettings().textPrint = EncodeTextPrint(options);
    if (!header.empty()) job.titleBlock.push_back(header);
    job.beginPrinting = [](QWidget* window) { BeginPrintAbort(window); };
    job.keepPrinting = [] { return PrintAbortProc(); };
    job.endPrinting = [](QWidget* window) { (void)EndPrintAbort(window); };
    return job;
  });
}
