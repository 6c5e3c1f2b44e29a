#include "exchange/ui/range_export_dialogs.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/c_format.h"
#include "app/ui/small_controls.h"

namespace {

constexpr int kFirstButton = 861;

const std::vector<QString>& TableKindTexts() {
  static const std::vector<QString> texts = {"&Full Worksheet", "&Generated Information",
                                             "Generated XYZ Only (&Column Format)",
                                             "Generated XYZ Only (&Matrix Format)"};
  return texts;
}

TGenParmsTexts RangeTexts(const QString& caption, int helpContext) {
  TGenParmsTexts texts;
  texts.caption = caption;
  texts.incrementLabel = "&Incr:";
  texts.groupTitle = "Generated Data:";
  texts.helpContext = helpContext;
  return texts;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TExportRangeDlg

TExportRangeDlg::TExportRangeDlg(QWidget* parent, const QString& caption, int helpContext, TGenRange& range)
    : TGenParms(parent, RangeTexts(caption, helpContext), range) {}

QRadioButton* TExportRangeDlg::Button(int id) const {
  const int k = id - kFirstButton;
  return k >= 0 && k < static_cast<int>(buttons_.size()) ? buttons_[static_cast<std::size_t>(k)] : nullptr;
}

int TExportRangeDlg::AddRadioGroup(const QString& title, const std::vector<QString>& texts, int checked) {
  const int first = static_cast<int>(buttons_.size());
  auto* box = new QGroupBox(title, this);
  auto* layout = new QVBoxLayout(box);
  auto* set = new QButtonGroup(box);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    auto* b = new QRadioButton(texts[i], box);
    b->setObjectName(QString("button%1").arg(kFirstButton + first + static_cast<int>(i)));
    b->setChecked(static_cast<int>(i) == checked);
    set->addButton(b);
    layout->addWidget(b);
    buttons_.push_back(b);
  }
  OptionsLayout()->addWidget(box);
  return first;
}

int TExportRangeDlg::CheckedIn(int first, int count) const {
  for (int i = 0; i < count; ++i)
    if (buttons_[static_cast<std::size_t>(first + i)]->isChecked()) return i;
  return -1;
}

// ---------------------------------------------------------------------------------------
// TLotus

TLotus::TLotus(QWidget* parent, int& fileType, int& tableKind, TGenRange& range)
    : TExportRangeDlg(parent, "Write Lotus File", kHelpContext, range), fileType_(fileType), tableKind_(tableKind) {
  setObjectName("TLotus");
  AddRadioGroup("Type:", {"WK&1", "WK&3"}, fileType == 3 ? 1 : 0);
  AddRadioGroup("Format:", TableKindTexts(), tableKind);
}

bool TLotus::CanClose() {
  if (!TGenParms::CanClose()) return false;
  fileType_ = CheckedIn(0, 2) == 0 ? 1 : 3;
  if (const int kind = CheckedIn(2, kTableKindCount); kind >= 0) tableKind_ = kind;
  return true;
}

// ---------------------------------------------------------------------------------------
// TExcel, TQPWin

TExcel::TExcel(QWidget* parent, int& tableKind, TGenRange& range, const QString& caption)
    : TExportRangeDlg(parent, caption, kHelpContext, range), tableKind_(tableKind) {
  setObjectName("TExcel");
  AddRadioGroup("Format:", TableKindTexts(), tableKind);
}

bool TExcel::CanClose() {
  if (!TGenParms::CanClose()) return false;
  if (const int kind = CheckedIn(0, kTableKindCount); kind >= 0) tableKind_ = kind;
  return true;
}

TQPWin::TQPWin(QWidget* parent, int& tableKind, TGenRange& range)
    : TExcel(parent, tableKind, range, "Write Quattro Pro Windows File") {
  setObjectName("TQPWin");
}

// ---------------------------------------------------------------------------------------
// TMerovane

TMerovane::TMerovane(QWidget* parent, int& tableKind, TGenRange& range)
    : TExportRangeDlg(parent, "Write Merovane Windows File", kHelpContext, range), tableKind_(tableKind) {
  setObjectName("TMerovane");
  const std::vector<QString>& kinds = TableKindTexts();
  AddRadioGroup("Format:", {kinds[0], kinds[1], kinds[2]}, tableKind);
}

bool TMerovane::CanClose() {
  if (!TGenParms::CanClose()) return false;
  if (const int kind = CheckedIn(0, 3); kind >= 0) tableKind_ = kind;
  return true;
}

// ---------------------------------------------------------------------------------------
// TASCIIGen

TASCIIGen::TASCIIGen(QWidget* parent, TAsciiGenOptions& options, TGenRange& range)
    : TExportRangeDlg(parent, "Write Surface to ASCII File", kHelpContext, range), options_(options) {
  setObjectName("TASCIIGen");
  AddRadioGroup("Delimit:", {"Sp&ace", "C&omma", "&Tab"}, options.delimiter);
  AddRadioGroup("Format:",
                {"&Generated XYZ with Confidence Limits", "Generated XYZ Only (&Column Format)",
                 "Generated XYZ Only (&Matrix Format)"},
                options.format);
  precision_ = new TEditInt(this, 2, 3, 18);
  precision_->setObjectName(QString("edit%1").arg(kPrecision));
  precision_->setText(QString::fromLatin1(CFormat("%d", options.precision)));
  precision_->setMaximumWidth(60);
  auto* label = new QLabel("&Precision [3-18]:", this);
  label->setBuddy(precision_);
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(precision_);
  row->addStretch(1);
  OptionsLayout()->addLayout(row);
}

bool TASCIIGen::CanClose() {
  // A precision outside 3..18 is corrected in the edit, with its message, and the dialog
  // stays open on it; settled before the range so that a refused close changes nothing.
  if (!FieldsSettled()) return false;
  if (!TGenParms::CanClose()) return false;
  if (const int d = CheckedIn(0, 3); d >= 0) options_.delimiter = d;
  if (const int f = CheckedIn(3, 3); f >= 0) options_.format = f;
  options_.precision = static_cast<int>(precision_->Value());
  return true;
}
