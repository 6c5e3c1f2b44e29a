// The two small dialogs of data generation: "Generate" (TGenASCII) chooses where the input
// pairs come from, where the results go and what is computed; "Generated Data Parameters"
// (TGenParms) takes start, increment and end of the two axes of a grid.
//
// TGenParms is also the base of the review's export dialogs, which write a generated grid of
// the surface to a file: they give it their caption, help topic and row texts, put their own
// option groups into OptionsLayout() and check them in CanClose after the base's check.
#pragma once

#include <QString>

#include <array>

#include "app/ui/dialog.h"
#include "tools/data_generation.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

// Help topic of the evaluation table, generation and range dialogs.
inline constexpr int kEvaluationHelpContext = 10;

// The choices of "Generate", as the settings keep them.
struct TGenChoice {
  int source = 0;       // 0 generate a grid, 1 read two columns of a file
  int destination = 0;  // 0 the evaluation table, 1 a text file
  int mode = 0;         // the computation, EvalMode 0..7
};

class TGenASCII : public TDlg {
  Q_OBJECT
 public:
  TGenASCII(QWidget* parent, TGenChoice& choice);
  // 571, 572 source; 573, 574 destination; 560..567 the computations.
  QRadioButton* Button(int id) const;
  // OK: the checked buttons become the choice.
  void accept() override;

 private:
  TGenChoice& choice_;
  std::array<QRadioButton*, 12> buttons_{};
};

// The dialog's texts; the defaults are those of data generation.
struct TGenParmsTexts {
  QString caption = "Generated Data Parameters";
  QString axis1 = "X";
  QString axis2 = "Y";
  QString incrementLabel = "&Increment:";
  QString groupTitle;  // a frame titled so around the range edits, when given
  int helpContext = kEvaluationHelpContext;
};

// The range last accepted by a range dialog in this run (all 0 at start): what "&Previous"
// brings back.
TGenRange& GenRangePrevious();

class TGenParms : public TDlg {
  Q_OBJECT
 public:
  // `block` holds the values first shown and receives the accepted ones (only on OK).
  TGenParms(QWidget* parent, const TGenParmsTexts& texts, TGenRange& block);

  // 576 start 1, 577 increment 1, 578 end 1, 579 start 2, 580 increment 2, 581 end 2.
  QLineEdit* Edit(int id) const;
  QLabel* AxisLabel(int id) const;  // 387, 388
  QPushButton* PreviousButton() const { return previous_; }
  void accept() override;

 protected:
  // Where a derived dialog adds its own groups (above the range edits).
  QVBoxLayout* OptionsLayout() const { return options_; }
  void SetupWindow() override;
  // OK asks this first: the ranges are read and checked; an error keeps the dialog open
  // ("Invalid Entry") and the caller's block unchanged. A derived dialog calls it first.
  virtual bool CanClose();

 private:
  void Show(const TGenRange& range);

  TGenRange& block_;
  // What Show put into the edits: an edit still showing its text gives its value back.
  std::array<QString, 6> shownTexts_;
  TGenRange shownValues_{};
  std::array<QLineEdit*, 6> edits_{};
  std::array<QLabel*, 2> labels_{};
  QPushButton* previous_ = nullptr;
  QVBoxLayout* options_ = nullptr;
};
