#include "graph3d/ui/viewer_dialogs.h"

namespace {

FunctionInsertDialog& InsertDialog() {
  static FunctionInsertDialog dialog;
  return dialog;
}

EvaluationTableDialog& EvaluationTable() {
  static EvaluationTableDialog dialog;
  return dialog;
}

QuickEvalMaker& QuickEval() {
  static QuickEvalMaker maker;
  return maker;
}

}  // namespace

void SetFunctionInsertDialog(FunctionInsertDialog dialog) { InsertDialog() = std::move(dialog); }
const FunctionInsertDialog& GetFunctionInsertDialog() { return InsertDialog(); }

void SetEvaluationTableDialog(EvaluationTableDialog dialog) { EvaluationTable() = std::move(dialog); }
const EvaluationTableDialog& GetEvaluationTableDialog() { return EvaluationTable(); }

void SetQuickEvalMaker(QuickEvalMaker maker) { QuickEval() = std::move(maker); }
const QuickEvalMaker& GetQuickEvalMaker() { return QuickEval(); }
