// The option dialogs of the review's code and parameter exports: "Code Generation" (TCode:
// language, full test code or the function alone, the function's name) and "Write Equation
// Coefficients to ASCII File" (TParms: what the summary holds besides the parameters).
// Both read their options when they open and write them back only on OK.
#pragma once

#include <array>
#include <string>

#include "app/ui/dialog.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

// The code generator's options as the dialog edits them.
struct TCodeOptions {
  int dialect = 1;  // 0 C 80-bit, 1 C 64-bit, 2 Pascal, 3 Basic, 4 FORTRAN 77, 5 FORTRAN 90
  int scope = 0;    // 0 full test code, 1 function code only
};

class TCode : public TDlg {
  Q_OBJECT
 public:
  // The language buttons in their order on the dialog, with the dialect each stands for:
  // the 64-bit C button comes first.
  static constexpr int kFirstLanguage = 846;  // 846-851
  static constexpr int kFullTest = 852, kFunctionOnly = 853, kName = 854;
  static constexpr int kNameLimit = 24;
  static constexpr int kHelpContext = 13;

  // `name` is shown and receives the name typed (at most 29 characters) on OK.
  TCode(QWidget* parent, TCodeOptions& options, std::string& name);
  QRadioButton* Button(int id) const;
  QLineEdit* NameEdit() const { return name_; }
  void accept() override;

 private:
  TCodeOptions& options_;
  std::string& nameOut_;
  std::array<QRadioButton*, 8> buttons_{};
  QLineEdit* name_ = nullptr;
};

// The dialect of language button 846 + i.
int CodeDialectOfButton(int index);

class TParms : public TDlg {
  Q_OBJECT
 public:
  static constexpr int kFirstOption = 861;  // 861-865: the option bits 1, 2, 4, 8, 16
  static constexpr int kHelpContext = 12;

  explicit TParms(QWidget* parent, int& options);
  QCheckBox* Box(int id) const;
  void accept() override;

 private:
  int& options_;
  std::array<QCheckBox*, 5> boxes_{};
};
