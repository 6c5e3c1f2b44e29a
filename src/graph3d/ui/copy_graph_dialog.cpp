#include "graph3d/ui/copy_graph_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "graph3d/ui/graph_output.h"
#include "platform/help.h"
#include "platform/qt/qt_text.h"

namespace {

constexpr std::array<CopyDestination, 7> kDestinations{
    CopyDestination::BitmapToClipboard,     CopyDestination::MetafileToClipboard,
    CopyDestination::PlaceableMetafileFile, CopyDestination::DibFile,
    CopyDestination::EnhancedMetafileToClipboard, CopyDestination::EnhancedMetafileFile,
    CopyDestination::AllClipboardFormats};

constexpr std::array<const char*, 7> kDestinationTexts{
    "Windows &BitMap and Palette To Clipboard",
    "Windows &MetaFile To Clipboard",
    "Windows MetaFile To &File in Aldus Placeable Format",
    "Windows Device &Independent BitMap (DIB) To File",
    "Windows &Enhanced MetaFile To Clipboard",
    "&Windows Enhanced MetaFile To File",
    "&All Clipboard Formats"};

}  // namespace

void CenterWindowOnRect(QWidget* window, const QRect& r) {
  window->adjustSize();
  QRect g = window->frameGeometry();
  g.moveCenter(r.center());
  if (const QScreen* screen = QGuiApplication::screenAt(r.center())) {
    const QRect avail = screen->availableGeometry();
    if (!avail.contains(g)) g.moveCenter(avail.center());
  }
  window->move(g.topLeft());
}

TCopyGraph::TCopyGraph(QWidget* parent, TCopyGraphSettings* settings, const QRect& graphRect)
    : TDlg(parent, 0), settings_(settings), choice_(*settings), graphRect_(graphRect) {
  setWindowTitle("Copy Graph");
  auto* box = new QVBoxLayout(this);
  auto* group = new QGroupBox("Destination", this);
  auto* groupBox = new QVBoxLayout(group);
  for (std::size_t k = 0; k < kDestinations.size(); ++k) {
    auto* radio = new QRadioButton(kDestinationTexts[k], group);
    radio->setObjectName(QString::number(kDestinationControls[k]));
    groupBox->addWidget(radio);
    destinations_[k] = radio;
    connect(radio, &QRadioButton::clicked, this, [this, k] {
      choice_.destination = kDestinations[k];
      Refresh();
    });
  }
  box->addWidget(group);
  auto addCheck = [&](int id, const char* text, bool TCopyGraphSettings::*flag) {
    auto* check = new QCheckBox(text, this);
    check->setObjectName(QString::number(id));
    connect(check, &QCheckBox::clicked, this, [this, flag] {
      choice_.*flag = !(choice_.*flag);
      Refresh();
    });
    box->addWidget(check);
    return check;
  };
  useColor_ = addCheck(kUseColorBox, "&Use Color", &TCopyGraphSettings::useColor);
  frame_ = addCheck(kFrameBox, "Bounding F&rame", &TCopyGraphSettings::frame);
  preserve_ = addCheck(kPreserveBox, "&Preserve Superscripts, Subscripts, and Symbols in MetaFiles",
                       &TCopyGraphSettings::preserveSymbols);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TCopyGraph::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TCopyGraph::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this,
          [this] { platform::ShowHelp(platform::qt::ToWindow(this), kHelpContext); });
  box->addWidget(buttons);
}

void TCopyGraph::SetupWindow() {
  TDlg::SetupWindow();
  Refresh();
  if (graphRect_.isValid()) CenterWindowOnRect(this, graphRect_);
}

void TCopyGraph::Refresh() {
  for (std::size_t k = 0; k < kDestinations.size(); ++k)
    destinations_[k]->setChecked(choice_.destination == kDestinations[k]);
  useColor_->setChecked(choice_.useColor);
  frame_->setChecked(choice_.frame);
  // A bitmap keeps no text: the flag means nothing there.
  const CopyDestination d = choice_.destination;
  const bool bitmapOnly = d == CopyDestination::BitmapToClipboard || d == CopyDestination::DibFile;
  preserve_->setChecked(d != CopyDestination::BitmapToClipboard && choice_.preserveSymbols);
  preserve_->setEnabled(!bitmapOnly);
}

void TCopyGraph::accept() {
  *settings_ = choice_;
  TDlg::accept();
}

bool RunCopyGraphDialog(QWidget* owner, const QRect& graphRect, TCopyGraphSettings& chosen) {
  chosen = CurrentCopyGraphSettings();
  if ((new TCopyGraph(owner, &chosen, graphRect))->Execute() != QDialog::Accepted) return false;
  StoreCopyGraphSettings(chosen);
  return true;
}
