// The review window's two small dialogs: "Titles Format", which chooses how many automatic
// title lines the review graph carries (or hands over to the custom titles), and
// "Equation Search", which asks for the number of the equation to show.
#pragma once

#include <functional>

#include <cstdint>
#include <string>

#include "app/ui/dialog.h"

class QLineEdit;
class TEditInt;
class QRadioButton;

// Template 4052. Every click but "Custom Titles" turns the custom titles off; the radio
// buttons set the line count at once. Cancel (its button, Escape, the close box) puts the
// count and the custom flag back as they were when the dialog opened. Results: 1 OK,
// 0 Cancel, kCustomTitlesResult.
class TTitleFmt : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kCustomTitlesResult = 528;
  static constexpr int kHelpContext = 6;

  TTitleFmt(QWidget* parent, std::int32_t* lineCount, std::int16_t* customFlag);
  QRadioButton* LinesButton(int lines) const;
  void reject() override;

 protected:
  void SetupWindow() override;

 private:
  // After the control's own work: the line count and the custom flag.
  void Clicked(int id);

  std::int32_t* lineCount_;
  std::int16_t* customFlag_;
  const std::int32_t openedLineCount_;
  const std::int16_t openedCustomFlag_;
  QRadioButton* two_;
  QRadioButton* three_;
  QRadioButton* five_;
};

// Template 4050: edit 860 "Equation Number:" of at most 10 characters, digits only. The
// text stays in `entry` from one opening to the next. OK asks `refusal` about the number: a
// text of refusal ("Not a Ondravik 3D Equation", "Equation Not in List") is shown under
// "Equation Search Error" and the dialog stays open on the number, as the search reopened it.
class TEqnSearchDlg : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kMaxEntry = 10;

  TEqnSearchDlg(QWidget* parent, std::string* entry, std::function<const char*(long)> refusal);
  QLineEdit* Edit() const;
  void accept() override;

 private:
  std::string* entry_;
  std::function<const char*(long)> refusal_;
  TEditInt* edit_;
};
