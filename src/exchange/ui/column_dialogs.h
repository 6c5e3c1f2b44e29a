// The column selection dialogs: before a file of more than three columns (or with sheets,
// fields or variables) is read, the user picks its X, Y, Z and weight columns from the list
// the file's lister gives. Each class adds to the one before:
//
//   TDlgSelCol     one column (X)
//   TDlgSelXY      X and Y: dialog 4035 "Select X and Y Columns", the two-column read of
//                  the data-generation tool (and of any tool that reads two columns of a
//                  text or spreadsheet file)
//   TDlgSelXYZ     adds Z and the weights
//   TDlgVisSelXYZ  dialog 4078 with a 3D preview of the chosen columns (visual_column_dialog.h)
//
// The dialogs work on a copy of the caller's choice and write it back on OK only; a choice
// is refused while its columns lie on different sheets or repeat a column.
#pragma once

#include <QLabel>
#include <QListWidget>

#include <string>
#include <vector>

#include "app/import_readers.h"
#include "app/ui/dialog.h"
#include "exchange/column_choice.h"

class QGridLayout;
class TPathLabel;
class QHBoxLayout;
class QPushButton;
class QVBoxLayout;

inline constexpr int kSelectXYTemplate = 4035;
inline constexpr int kSelectXYZTemplate = 4078;

class TDlgSelCol : public TDlg {
  Q_OBJECT
 public:
  // Control ids (object names of the controls, for the tests).
  static constexpr int kPathText = 641, kKindText = 642, kList = 643, kXText = 644;
  static constexpr int kYText = 645, kZText = 646, kWText = 647;
  static constexpr int kXButton = 648, kYButton = 649, kZButton = 650, kWButton = 651;

  // `listXY`: list two-column text files too (the two-column read). `columns` receives
  // the choice when the dialog closes with OK. `shown`: the name the dialog shows for the
  // file (a temporary copy's is no name the user knows), the path when empty.
  TDlgSelCol(QWidget* parent, int templateId, std::string path, int kind, bool listXY,
             TImportColumns& columns, std::string shown = {});

  const TImportColumns& Choice() const { return choice_; }
  QListWidget* List() const { return list_; }

 protected:
  void SetupWindow() override;
  void accept() override;

  // Why the choice cannot be taken: 0 none; else the message's text.
  enum TProblem { kNoProblem, kNotChosen, kMixedSheets, kSameColumns };
  virtual TProblem SelectionProblem() const;
  bool CanClose();
  // The selection moved, or an item was double-clicked.
  virtual void SelectionChanged();
  virtual void DoubleClicked(int row);
  // After every change of the choice.
  virtual void ChoiceChanged() {}

  // The column and sheet of a listed item (column -1 for none).
  TColumnRef ParseItem(int row) const;
  TColumnRef ParseSelection() const { return ParseItem(list_->currentRow()); }
  // Sets a column of the choice (0 X, 1 Y, 2 Z, 3 W) to an item and shows the item's text.
  void Choose(int which, int row);
  bool Chosen(int which) const;
  // A button and the text of its choice, in the column of choices.
  void AddChoiceRow(int which, const QString& buttonText, int buttonId, int textId);
  int HelpContext() const { return templateId_ == kSelectXYTemplate ? 10 : 54; }
  const std::string& PathOf() const { return path_; }

  QHBoxLayout* body_;      // the list, the choices and (4078) the preview side by side
  QGridLayout* choices_;
  QVBoxLayout* choiceColumn_;
  TImportColumns choice_;
  int templateId_;
  int kind_;

 private:
  std::string path_;
  std::string shown_;
  bool listXY_;
  TImportColumns& columns_;
  TPathLabel* pathText_;  // the file, shortened to the dialog's width
  QLabel* kindText_;
  QListWidget* list_;
  QLabel* choiceTexts_[4] = {nullptr, nullptr, nullptr, nullptr};
  std::vector<std::string> entries_;
};

class TDlgSelXY : public TDlgSelCol {
  Q_OBJECT
 public:
  TDlgSelXY(QWidget* parent, int templateId, std::string path, int kind, bool listXY, TImportColumns& columns,
            std::string shown = {});

 protected:
  TProblem SelectionProblem() const override;
  void SelectionChanged() override;
  void DoubleClicked(int row) override;
  // Fills the first column not yet chosen of the first `count` (X, Y[, Z]).
  void FillFirstUnset(int count);
};

class TDlgSelXYZ : public TDlgSelXY {
  Q_OBJECT
 public:
  TDlgSelXYZ(QWidget* parent, int templateId, std::string path, int kind, bool listXY, TImportColumns& columns,
             std::string shown = {});

 protected:
  TProblem SelectionProblem() const override;
  void SelectionChanged() override;
  // On item k, when items k + 1 and k + 2 exist, X, Y and Z become items k, k + 1, k + 2.
  void DoubleClicked(int row) override;
};
