#include "graph3d/ui/print_graph_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

#include "app/c_format.h"
#include "app/file_utils.h"
#include "graph3d/option_files.h"
#include "graph3d/print_layout.h"
#include "graph3d/ui/copy_graph_dialog.h"
#include "graph3d/ui/print_text_dialog.h"
#include "platform/file_dialog.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/string_table.h"

namespace {

constexpr int kReadTitle = 3273;
constexpr int kSaveTitle = 3275;
constexpr int kWriteFailedText = 3075;
constexpr const char* kCpgFilter = "Custom Print [cpg]|*.cpg|";

constexpr std::array<const char*, 4> kLayoutTexts{"&Half-Page (Portrait)", "&Full-Page (Landscape)",
                                                  "&Custom Portrait", "Cus&tom Landscape"};
constexpr std::array<const char*, 4> kMarginTexts{"&Left of Graph cm:", "Abo&ve Graph cm:",
                                                  "R&ight of Graph cm:", "&Below Graph cm:"};

QPointer<TPrintAbortDlg>& AbortDialog() {
  static QPointer<TPrintAbortDlg> dialog;
  return dialog;
}
bool& AbortFlag() {
  static bool flag = false;
  return flag;
}

constexpr std::array<const char*, 4> kMarginSides{"left", "top", "right", "bottom"};

}  // namespace

TPrintAbortDlg::TPrintAbortDlg(QWidget* parent, const QString& device, const QString& port)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle("Printing");
  setModal(false);
  auto* box = new QVBoxLayout(this);
  auto* deviceLabel = new QLabel(device, this);
  deviceLabel->setObjectName("101");
  deviceLabel->setAlignment(Qt::AlignCenter);
  auto* portLabel = new QLabel(port, this);
  portLabel->setObjectName("102");
  portLabel->setAlignment(Qt::AlignCenter);
  box->addWidget(deviceLabel);
  box->addWidget(portLabel);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("2");
  connect(cancel, &QPushButton::clicked, this, &TPrintAbortDlg::reject);
  box->addWidget(cancel, 0, Qt::AlignCenter);
  setMinimumWidth(260);
}

void TPrintAbortDlg::reject() {
  cancelled_ = true;
  AbortFlag() = true;
  if (parentWidget() != nullptr) parentWidget()->setEnabled(true);
  hide();
  deleteLater();
}

QString PrinterDeviceName() {
  const QPrinter& p = ProgramPrinter();
  if (!p.printerName().isEmpty()) return p.printerName();
  return p.outputFormat() == QPrinter::PdfFormat ? QStringLiteral("PDF") : QStringLiteral("(no printer)");
}

QString PrinterPortName() {
  const QPrinter& p = ProgramPrinter();
  return p.outputFileName().isEmpty() ? p.printerName() : p.outputFileName();
}

void BeginPrintAbort(QWidget* parent) {
  AbortFlag() = false;
  if (parent != nullptr) parent->setEnabled(false);
  auto* dialog = new TPrintAbortDlg(parent, PrinterDeviceName(), PrinterPortName());
  // The dialog stays usable while its parent is disabled.
  dialog->setEnabled(true);
  AbortDialog() = dialog;
  dialog->show();
  CenterWindow(parent, dialog);
  QApplication::processEvents();
}

bool PrintAbortProc() {
  QApplication::processEvents();
  return !AbortFlag();
}

bool EndPrintAbort(QWidget* parent) {
  if (parent != nullptr) parent->setEnabled(true);
  if (!AbortFlag() && AbortDialog()) {
    AbortDialog()->hide();
    AbortDialog()->deleteLater();
  }
  AbortDialog() = nullptr;
  return AbortFlag();
}

TPrintGraph::TPrintGraph(QWidget* parent, TPrintGraphRec* rec, const QRect& graphRect, bool hasSummary,
                         bool* printerChanged)
    : TDlg(parent, 0), target_(rec), rec_(*rec), graphRect_(graphRect), hasSummary_(hasSummary),
      printerChanged_(printerChanged) {
  setWindowTitle("Print Graph");
  auto* box = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* layoutGroup = new QGroupBox("Layout", this);
  auto* layoutBox = new QVBoxLayout(layoutGroup);
  for (std::size_t k = 0; k < layouts_.size(); ++k) {
    auto* radio = new QRadioButton(kLayoutTexts[k], layoutGroup);
    radio->setObjectName(QString::number(kLayoutControls[k]));
    connect(radio, &QRadioButton::clicked, this, [this, k] { ApplyLayout(static_cast<int>(k)); });
    layoutBox->addWidget(radio);
    layouts_[k] = radio;
  }
  top->addWidget(layoutGroup);
  auto* marginGroup = new QGroupBox("Margins", this);
  auto* grid = new QGridLayout(marginGroup);
  for (std::size_t k = 0; k < margins_.size(); ++k) {
    auto* edit = new TEditReal(marginGroup, static_cast<int>(kMarginTextSize),
                               MarginFieldRules("Print Graph", kMarginSides[k]));
    edit->setObjectName(QString::number(kMarginEdits[k]));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    auto* label = new QLabel(kMarginTexts[k], marginGroup);
    label->setBuddy(edit);
    grid->addWidget(label, static_cast<int>(k), 0);
    grid->addWidget(edit, static_cast<int>(k), 1);
    margins_[k] = edit;
  }
  top->addWidget(marginGroup);
  box->addLayout(top);

  auto addCheck = [&](int id, const char* text, std::int16_t TPrintGraphRec::*field) {
    auto* check = new QCheckBox(text, this);
    check->setObjectName(QString::number(id));
    connect(check, &QCheckBox::toggled, this, [this, field](bool on) {
      if (guard_ == 0) rec_.*field = on ? 1 : 0;
    });
    box->addWidget(check);
    return check;
  };
  frame_ = addCheck(kFrameBox, "Fr&ame Graph", &TPrintGraphRec::FrameGraph);
  color_ = addCheck(kColorBox, "Use C&olor", &TPrintGraphRec::UseColor);
  summary_ = addCheck(kSummaryBox, "Add &Numeric Summary", &TPrintGraphRec::AddSummary);

  auto* printerGroup = new QGroupBox("Printer", this);
  auto* printerBox = new QGridLayout(printerGroup);
  device_ = new QLabel(printerGroup);
  device_->setObjectName(QString::number(kDeviceStatic));
  port_ = new QLabel(printerGroup);
  port_->setObjectName(QString::number(kPortStatic));
  auto* setup = new QPushButton("Set&up", printerGroup);
  setup->setObjectName(QString::number(kSetupButton));
  // Enter prints: a side button keeps the focus after its own dialog closes, and must not
  // take Enter for itself.
  setup->setAutoDefault(false);
  // A page turned in the setup turns the layout, which keeps the custom margins shown.
  connect(setup, &QPushButton::clicked, this, SettlingFirst([this] { Setup(); }));
  printerBox->addWidget(device_, 0, 0);
  printerBox->addWidget(port_, 1, 0);
  printerBox->addWidget(setup, 0, 1, 2, 1);
  box->addWidget(printerGroup);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  save_ = buttons->addButton("&Save", QDialogButtonBox::ActionRole);
  save_->setObjectName(QString::number(kSaveButton));
  auto* read = buttons->addButton("&Read", QDialogButtonBox::ActionRole);
  read->setObjectName(QString::number(kReadButton));
  save_->setAutoDefault(false);
  read->setAutoDefault(false);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(save_, &QPushButton::clicked, this, [this] { Save(); });
  connect(read, &QPushButton::clicked, this, [this] { Read(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &TPrintGraph::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TPrintGraph::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this,
          [this] { platform::ShowHelp(platform::qt::ToWindow(this), kHelpContext); });
  box->addWidget(buttons);
}

void TPrintGraph::SetupWindow() {
  TDlg::SetupWindow();
  guard_ = 2;
  ApplyLayout(std::clamp<int>(rec_.Layout, 0, 3));
  guard_ = 0;
  RefreshPrinterNames();
  if (graphRect_.isValid()) CenterWindowOnRect(this, graphRect_);
}

void TPrintGraph::ShowChecks() {
  const int saved = guard_;
  guard_ = std::max(guard_, 1);
  frame_->setChecked(rec_.FrameGraph != 0);
  color_->setChecked(rec_.UseColor != 0);
  // The summary goes under a graph on a portrait page only. A window without a summary shows
  // the choice disabled and keeps it for the windows that print one (its print leaves the
  // summary out): OK or Read then Save once wrote it as off.
  if (!LayoutAllowsSummary(rec_.Layout)) rec_.AddSummary = 0;
  summary_->setChecked(rec_.AddSummary != 0);
  summary_->setEnabled(hasSummary_ && LayoutAllowsSummary(rec_.Layout));
  guard_ = saved;
}

void TPrintGraph::ShowMargins(const std::array<float, 4>& cm, bool enabled) {
  for (std::size_t k = 0; k < margins_.size(); ++k) {
    const double shown = static_cast<double>(cm[k]);
    margins_[k]->setText(QString::fromStdString(enabled ? MarginText(cm[k], CFormat("%-6.2f", shown), kMarginTextSize)
                                                        : CFormat("%g", shown)));
    margins_[k]->setEnabled(enabled);
  }
  save_->setEnabled(enabled);
}

void TPrintGraph::StoreEdits() {
  if (rec_.Layout != kLayoutCustomPortrait && rec_.Layout != kLayoutCustomLandscape) return;
  std::array<float, 4>& set = rec_.Layout == kLayoutCustomPortrait ? rec_.PortraitMargins : rec_.LandscapeMargins;
  // The fields are settled before they are stored: each holds a margin it shows.
  for (std::size_t k = 0; k < set.size(); ++k)
    if (const std::optional<long double> cm = margins_[k]->TypedValue()) set[k] = static_cast<float>(*cm);
}

void TPrintGraph::ApplyLayout(int layout) {
  if (guard_ == 0) {
    // A layout chosen from the keyboard leaves no field: a margin text that is no margin
    // goes back to the margin it held before the custom margins are kept.
    SettleFieldsQuietly(this);
    StoreEdits();
  }
  const int saved = guard_;
  guard_ = std::max(guard_, 1);
  rec_.Layout = static_cast<std::int16_t>(layout);
  rec_.Orientation = static_cast<std::int16_t>(layout == kLayoutFullPageLandscape || layout == kLayoutCustomLandscape);
  for (std::size_t k = 0; k < layouts_.size(); ++k) layouts_[k]->setChecked(static_cast<int>(k) == layout);
  switch (layout) {
    // The fixed layouts show the margins they print with (the half page once showed 1.5,
    // 2.5, 1.5 and 14 cm and printed with 1.27, 1.27, 1.27 and 15.24).
    case kLayoutHalfPagePortrait:
    case kLayoutFullPageLandscape: ShowMargins(FixedLayoutMarginsCm(layout), false); break;
    case kLayoutCustomPortrait: ShowMargins(rec_.PortraitMargins, true); break;
    default: ShowMargins(rec_.LandscapeMargins, true); break;
  }
  ShowChecks();
  guard_ = saved;
}

void TPrintGraph::RefreshPrinterNames() {
  device_->setText(PrinterDeviceName());
  port_->setText(PrinterPortName());
}

void TPrintGraph::Setup() {
  if (printerChanged_ != nullptr) *printerChanged_ = true;
  const bool portrait = layouts_[0]->isChecked() || layouts_[2]->isChecked();
  ProgramPrinter().setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
  guard_ = 2;
  RunPrinterSetup(this);
  guard_ = 0;
  // The page turned in the setup: the layout follows it.
  const bool landscape = ProgramPrinter().pageLayout().orientation() == QPageLayout::Landscape;
  if (portrait && landscape) ApplyLayout(kLayoutFullPageLandscape);
  if (!portrait && !landscape) ApplyLayout(kLayoutHalfPagePortrait);
  RefreshPrinterNames();
}

void TPrintGraph::Read() {
  std::string path;
  if (FileOpenDlg(platform::qt::ToWindow(this), platform::LoadString(kReadTitle), path, nullptr, "CPG", kCpgFilter, 1) != 1)
    return;
  TPrintGraphRec read;
  switch (ReadCustomPrintFile(path, read)) {
    case OptionFileStatus::CannotOpen: return;
    case OptionFileStatus::Refused:
      ErrorBox(platform::qt::ToWindow(this), path, platform::LoadString(kCustomPrintFileErrorId));
      return;
    case OptionFileStatus::Ok: break;
  }
  rec_ = read;
  // The file's layout is shown as its radio shows it: a fixed layout's margins are the ones
  // it prints with, and the custom margins the file brought come up with their layouts.
  guard_ = 2;
  ApplyLayout(rec_.Layout);
  guard_ = 0;
}

void TPrintGraph::Save() {
  // What is written is what the fields show.
  if (!FieldsSettled()) return;
  std::string path;
  if (FileSaveDlg(platform::qt::ToWindow(this), platform::LoadString(kSaveTitle), path, nullptr, "CPG", kCpgFilter, 1) != 1)
    return;
  StoreEdits();
  if (!WriteCustomPrintFile(path, rec_))
    ErrorBox(platform::qt::ToWindow(this), path, SaveFailureText(path, kWriteFailedText));
}

void TPrintGraph::accept() {
  if (!FieldsSettled()) return;
  StoreEdits();
  *target_ = rec_;
  TDlg::accept();
}

void RunGraphPrint(QWidget* owner, T3DBase& renderer, const QRect& graphRect, const TSummaryDrawer& summary) {
  TPrintGraphRec rec = CurrentPrintGraphRec();
  ProgramPrinter().setPageOrientation(rec.Orientation != 0 ? QPageLayout::Landscape : QPageLayout::Portrait);
  bool printerChanged = false;
  if ((new TPrintGraph(owner, &rec, graphRect, static_cast<bool>(summary), &printerChanged))->Execute() !=
      QDialog::Accepted)
    return;
  StorePrintGraphRec(rec);
  // Taken after the dialog: its Setup works on the program's printer as it stands then.
  QPrinter& printer = ProgramPrinter();
  if (!ChoosePrintFile(owner, printer)) return;
  BeginPrintAbort(owner);
  const PrintOutcome outcome = PrintGraphPage(renderer, printer, rec, summary, [] { return !PrintAbortProc(); });
  (void)EndPrintAbort(owner);  // a cancel is the outcome's
  if (outcome == PrintOutcome::Failed)
    ErrorBox(platform::qt::ToWindow(owner), "Print Graph", PrinterOpenFailureText(printer));
}
