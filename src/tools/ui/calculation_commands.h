// The Calculate menu's commands: enter a calculation (2131), apply it (2132), clear it
// (2133), and apply it again without the fit bookkeeping (2134, the grid editor's road); the
// accept-or-undo window that every application of a calculation shows; and the import
// driver's hooks that apply a defined calculation to new data.
#pragma once

class QWidget;
struct TDataSession;

namespace calculation_commands {

// Applies the current calculation from firstRow on, with the accept-or-undo window over
// `parent`: true when the change was kept.
[[nodiscard]] bool ApplyWithAcceptOrUndo(QWidget* parent, TDataSession& session, int firstRow);

void CmCalculation(TDataSession& session);
void CmApplyCalc(TDataSession& session);
// The grid editor's road (over the editor): applied, kept or undone; the editor's command
// settles the fit results afterwards.
void CmApplyCalcAgain(QWidget* parent, TDataSession& session);
void CmClearCalc();

}  // namespace calculation_commands

// Registers 2131-2134 and the import driver's calculation hooks on `session`.
void RegisterCalculationCommands(TDataSession& session);
