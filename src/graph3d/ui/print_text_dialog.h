// The "Print Text" dialog of the text windows: a header line, date and page numbers,
// orientation, justification, extent and colour (the last three when the window offers
// them), margins in centimetres, the printer setup, and custom text print files (.cpt) that
// hold every field of the dialog.
#pragma once

#include <array>
#include <string>

#include "app/ui/dialog.h"
#include "app/ui/number_field.h"
#include "graph3d/text_print_buffer.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// How a margin field of the print dialogs reads: one number of centimetres from 0 to 100,
// with its own words ("The left margin must be ...") under `caption`.
TRealFieldRules MarginFieldRules(const char* caption, const char* side);

class TPrnWin : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kResourceId = 4030;
  static constexpr int kHelpContext = 30;
  static constexpr int kHeaderEdit = 591, kDateBox = 597, kPageNumbersBox = 592;
  // Radios in the order of the buffer's checks from "P&ortrait" to "&Color".
  static constexpr std::array<int, 8> kRadioControls{538, 539, 593, 594, 595, 598, 518, 519};
  static constexpr std::array<int, 4> kMarginEdits{540, 541, 542, 543};
  static constexpr int kReadButton = 13, kSaveButton = 14, kResetButton = 18, kSetupButton = 30;

  // `header` may be null (no header). On OK the options and `callerHeader` (79 characters
  // at most) are written; `printerChanged` is cleared now and set when the setup runs.
  TPrnWin(QWidget* parent, const char* header, TTextPrintOptions* options, std::string* callerHeader,
          bool* printerChanged, const TTextPrintOffers& offers);

  // The buffer as the controls show it.
  TTextPrintBuffer Buffer() const;

 protected:
  void SetupWindow() override;
  void accept() override;

 private:
  void Show(const TTextPrintBuffer& buffer);
  // False, after saying which characters, when the header holds one the print cannot.
  bool HeaderHeld();
  void Setup();
  void Read();
  void Save();

  TTextPrintOptions* options_;
  std::string* callerHeader_;
  bool* printerChanged_;
  TTextPrintOffers offers_;
  TTextPrintBuffer opened_;  // the buffer as built at construction ("&Reset" returns to it)
  QLineEdit* header_;
  QCheckBox* date_;
  QCheckBox* pageNumbers_;
  std::array<QRadioButton*, 8> radios_{};
  std::array<QLineEdit*, 4> margins_{};
  QLabel* device_;
  QLabel* port_;
};

// Makes "Print Text" the options dialog of every text window's print command (the settings'
// text print record and a header kept for the run).
void InstallTextPrintDialog();
