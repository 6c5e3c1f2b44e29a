// TTitles, the "Custom Titles" dialog: the five title lines, the three axis titles and four
// font sizes of a graph, starting from the automatic titles and keeping the user's own text;
// buttons insert superscript, subscript and special-character markup (TSpcChar, "Add Special
// Character"), and title sets are read and written as .ttl files.
#pragma once

#include <array>

#include "app/ui/dialog.h"
#include "graph3d/title_block.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollBar;

class TTitles : public TDlg {
  Q_OBJECT
 public:
  // `custom` is written when the dialog is confirmed; `automatic` holds the automatic texts
  // and sizes (the graph's standard title set).
  TTitles(QWidget* parent, T3DTitleSet* custom, const T3DTitleSet& automatic, const platform::Font& font);

  QLineEdit* TextEdit(int i) const { return edits_[static_cast<std::size_t>(i)]; }  // 0-7
  QScrollBar* SizeBar(int i) const { return bars_[static_cast<std::size_t>(i)]; }   // 0-3
  QLabel* SizeText(int i) const { return sizeTexts_[static_cast<std::size_t>(i)]; }  // 0-7
  const TTitleBlock& Working() const { return working_; }
  void SetLastEdit(int i) { last_ = i; }
  void Superscript();
  void Subscript();
  // Inserts the special character of a chooser code (see InsertSpecialCharacter).
  void InsertSpecial(int code);
  void SpecialCharacter();
  void SetConstant(bool on);
  void CmReset();
  void CmReadTitles();
  void CmSaveTitles();
  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ReadControls();
  void WriteControls();
  void UpdateSizes();
  void InsertPair(const char* code);
  std::size_t Limit(int i) const { return i < 5 ? 160 : 80; }

  T3DTitleSet* custom_;
  TTitleBlock automatic_;
  TTitleBlock working_;
  platform::Font font_;
  std::array<QLineEdit*, 8> edits_{};
  std::array<QScrollBar*, 4> bars_{};
  std::array<QLabel*, 8> sizeTexts_{};
  QCheckBox* constant_;
  int last_ = 0;
  bool writing_ = false;
};

// The chooser of special characters: the upper half of the title font (codes 128-255) and the
// Symbol font (32-255, given as 1024 + character).
class TSpcChar : public TDlg {
  Q_OBJECT
 public:
  TSpcChar(QWidget* parent, const QString& titleFace, int* code);
  // The code of a click at `p` in the title-font grid (516) or the Symbol grid (381).
  static int CodeAt(bool symbol, QPoint p, QSize grid);
  void Choose(int code);

 private:
  int* code_;
};
