// Printing a graph: the "Print Graph" dialog (page layout, frame, colour, numeric summary,
// custom margins, printer setup, custom print files .cpg) and the modeless "Printing" dialog
// that offers Cancel while a page is made, shared with the text windows.
#pragma once

#include <QDialog>
#include <QRect>

#include <array>
#include <functional>

#include "app/ui/dialog.h"
#include "graph3d/option_records.h"
#include "graph3d/ui/graph_output.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class TEditReal;
class QPushButton;
class QRadioButton;

// The modeless "Printing" dialog: its parent is disabled while it shows, its one button
// (Cancel) records the user's wish to stop.
class TPrintAbortDlg : public QDialog {
  Q_OBJECT
 public:
  TPrintAbortDlg(QWidget* parent, const QString& device, const QString& port);
  bool Cancelled() const { return cancelled_; }

 protected:
  void reject() override;

 private:
  bool cancelled_ = false;
};

// Shows the "Printing" dialog over `parent` (disabled meanwhile); EndPrintAbort closes it,
// enables the parent again and answers whether the user cancelled. PrintAbortProc lets the
// dialog's events through and answers true while the print may go on.
void BeginPrintAbort(QWidget* parent);
bool PrintAbortProc();
[[nodiscard]] bool EndPrintAbort(QWidget* parent);

// The printer's name and where it prints (a file for PDF output), as the print dialogs show.
QString PrinterDeviceName();
QString PrinterPortName();

class TPrintGraph : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kResourceId = 4024;
  static constexpr int kHelpContext = 24;
  static constexpr std::array<int, 4> kLayoutControls{534, 535, 544, 545};
  static constexpr std::array<int, 4> kMarginEdits{540, 541, 542, 543};
  static constexpr int kFrameBox = 536, kColorBox = 537, kSummaryBox = 546;
  static constexpr int kSetupButton = 30, kSaveButton = 14, kReadButton = 13;
  static constexpr int kDeviceStatic = 387, kPortStatic = 388;

  // Edits `rec` (written on OK only). `printerChanged` is set when the user opened the
  // printer setup.
  TPrintGraph(QWidget* parent, TPrintGraphRec* rec, const QRect& graphRect, bool hasSummary,
              bool* printerChanged);

  const TPrintGraphRec& Record() const { return rec_; }

 protected:
  void SetupWindow() override;
  void accept() override;

 private:
  void ApplyLayout(int layout);
  // The edits into the current custom set (when the layout is custom).
  void StoreEdits();
  void ShowMargins(const std::array<float, 4>& cm, bool enabled);
  void ShowChecks();
  void RefreshPrinterNames();
  void Setup();
  void Read();
  void Save();

  TPrintGraphRec* target_;
  TPrintGraphRec rec_;
  QRect graphRect_;
  bool hasSummary_;
  bool* printerChanged_;
  int guard_ = 0;  // 2 during the set-up, 1 while a layout is applied
  std::array<QRadioButton*, 4> layouts_{};
  std::array<TEditReal*, 4> margins_{};
  QCheckBox* frame_;
  QCheckBox* color_;
  QCheckBox* summary_;
  QPushButton* save_;
  QLabel* device_;
  QLabel* port_;
};

// The print command of a graph window: runs the dialog, then prints the page under the
// "Printing" dialog. `summary` draws the window's numeric summary (null: it has none).
void RunGraphPrint(QWidget* owner, T3DBase& renderer, const QRect& graphRect, const TSummaryDrawer& summary);
