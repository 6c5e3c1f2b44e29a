// TDlgEval, the "Evaluate" dialog: the user types X, Y (and Z, X2, Y2) and collects in a
// numbered table beside the dialog the surface's value, the roots of F = Z along X or Y, the
// partial derivatives and volumes, with confidence or prediction limits where the surface
// has them. The table is cleared, saved, copied, and filled by generation from a grid or
// from two columns of a file (written to the table or straight into a text file).
//
// The dialog knows nothing of where the surface comes from: the window that opens it hands
// over a TEvalSurface (the value, the graph's ranges, and what it knows besides). Every
// input field accepts a formula of the calculation language. The last inputs, the limit
// choice, the save dialog's extension and the generation choices persist in the settings.
#pragma once

#include <QString>

#include <array>
#include <memory>
#include <string>

#include "app/text_line_buffer.h"
#include "app/ui/text_window.h"
#include "tools/data_generation.h"
#include "tools/evaluation_computations.h"
#include "tools/evaluation_table.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
struct TDataSession;

// Controls of the dialog.
enum EvalControl : int {
  kEvalInputX = 555,  // 555-559: X, Y, Z, X2, Y2
  kEvalConfBox = 882,
  kEvalPredBox = 883,
  kEvalButtonZ = 560,  // 560-567: the computations of modes 0..7
  kEvalButtonVolume = 568,
  kEvalClearTable = 336,
  kEvalSaveTable = 365,
  kEvalCopyTable = 362,
  kEvalGenerate = 569,
};
// The button of a computation mode.
constexpr int EvalModeButton(int mode) { return kEvalButtonZ + mode; }

class TDlgEval : public TDlgScrWin {
  Q_OBJECT
 public:
  // `title`: the table window's caption (coded text). `session`: its column choices serve
  // the generation's file source.
  TDlgEval(QWidget* parent, const std::string& title, TEvalSurface surface, TDataSession& session);
  ~TDlgEval() override;

  QLineEdit* Input(int field) const { return inputs_[static_cast<std::size_t>(field)]; }
  QCheckBox* ConfBox() const { return conf_; }
  QCheckBox* PredBox() const { return pred_; }
  QPushButton* Button(int id) const;
  const TEvalTable& Table() const { return *table_; }
  const TEvalComputer& Computer() const { return computer_; }
  int FocusField() const { return focusField_; }

  // The commands of the buttons.
  void Command(int id);
  void EvaluateAt(int mode);
  void CmRoot(int mode);
  void CmVolume();
  void CmClearTable();
  void CmSaveTable();
  void CmCopyTable();
  void CmGenerateTable();

 protected:
  void SetupWindow() override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // An input field's value: false, with the focus on the field, when it does not evaluate.
  bool ReadField(int field, long double& value);
  void SelectInput(int field);
  void SetLimitsMode(int mode);
  void ShowLimitBoxes();
  TEvalLimitChoice LimitChoice() const;
  // Appends a line and puts it at the top of the text (as far as the text allows).
  void AddLine(const TEvalLine& line);
  // The input list of a generated grid, or none (the range dialog cancelled).
  TEvalInputs AskGenerationRange(int mode);
  void GenerateToTable(int mode, const TEvalInputs& inputs);
  void GenerateToFile(int mode, const TEvalInputs& inputs);
  void TellTableFull();

  TEvalComputer computer_;
  TDataSession& session_;
  TMFile ownLines_{"", 1};  // stands in when the text window is gone
  std::unique_ptr<TEvalTable> table_;
  std::array<QLineEdit*, 5> inputs_{};
  QCheckBox* conf_ = nullptr;
  QCheckBox* pred_ = nullptr;
  int focusField_ = 0;
};

// Runs the evaluation table over a surface modally (the dialog deletes itself).
void RunEvaluationTable(QWidget* parent, const std::string& title, TEvalSurface surface, TDataSession& session);
