// The option dialogs of the review's surface exports, each on the range dialog TGenParms
// (its "Generated Data:" group of start, increment and end of X and Y): "Write Lotus File"
// (TLotus: WK1 or WK3 and the table kind), "Write Excel File" (TExcel), "Write Quattro Pro
// Windows File" (TQPWin), "Write Merovane Windows File" (TMerovane: three table kinds, no
// matrix) and "Write Surface to ASCII File" (TASCIIGen: delimiter, layout, precision).
// Each checks the range first; its options change only when the dialog closes with OK.
#pragma once

#include <vector>

#include "tools/ui/generation_dialogs.h"

class QRadioButton;
class TEditInt;

// The table kinds' buttons: the full worksheet, the generated information, the generated
// XYZ in columns and as a matrix.
inline constexpr int kTableKindCount = 4;

// A range dialog with radio buttons numbered from 861 (the options groups, in their order).
class TExportRangeDlg : public TGenParms {
  Q_OBJECT
 public:
  QRadioButton* Button(int id) const;

 protected:
  TExportRangeDlg(QWidget* parent, const QString& caption, int helpContext, TGenRange& range);
  // A group of exclusive radio buttons above the range, numbered on from the last one, the
  // button at `checked` checked; the index of the first button.
  int AddRadioGroup(const QString& title, const std::vector<QString>& texts, int checked);
  // The index within its group of the checked button among `count` from `first`; -1 when none.
  int CheckedIn(int first, int count) const;

 private:
  std::vector<QRadioButton*> buttons_;
};

class TLotus : public TExportRangeDlg {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 15;
  TLotus(QWidget* parent, int& fileType, int& tableKind, TGenRange& range);

 protected:
  bool CanClose() override;

 private:
  int& fileType_;
  int& tableKind_;
};

// TExcel and TQPWin: the four table kinds.
class TExcel : public TExportRangeDlg {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 15;
  TExcel(QWidget* parent, int& tableKind, TGenRange& range, const QString& caption = "Write Excel File");

 protected:
  bool CanClose() override;

 private:
  int& tableKind_;
};

class TQPWin : public TExcel {
  Q_OBJECT
 public:
  TQPWin(QWidget* parent, int& tableKind, TGenRange& range);
};

class TMerovane : public TExportRangeDlg {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 14;
  TMerovane(QWidget* parent, int& tableKind, TGenRange& range);

 protected:
  bool CanClose() override;

 private:
  int& tableKind_;
};

struct TAsciiGenOptions {
  int delimiter = 0;   // 0 blank, 1 comma, 2 tab
  int format = 1;      // 0 with limits, 1 columns, 2 matrix
  int precision = 18;  // 3..18
};

class TASCIIGen : public TExportRangeDlg {
  Q_OBJECT
 public:
  static constexpr int kHelpContext = 11;
  static constexpr int kPrecision = 528;
  TASCIIGen(QWidget* parent, TAsciiGenOptions& options, TGenRange& range);
  TEditInt* PrecisionEdit() const { return precision_; }

 protected:
  bool CanClose() override;

 private:
  TAsciiGenOptions& options_;
  TEditInt* precision_ = nullptr;
};
