#include "tools/grid_edit_session.h"

#include "app/data_files.h"
#include "app/data_session.h"
#include "app/data_signature.h"
#include "app/data_statistics.h"
#include "platform/message_box.h"

namespace {

void SetHaveData(int on) {
  if (DataFileHooks().SetHaveData) DataFileHooks().SetHaveData(on);
}

}  // namespace

TGridEditStart BeginGridEdit(const TDataSession& session) {
  TGridEditStart start;
  start.signature = DataSignature(session.Table.XYZData());
  start.savedSignature = start.signature;
  start.backup = session.Table.DupDataTable();
  start.titles = session.DataTitles();
  start.fileLabel = session.DataFileLabel;
  start.dataUnsaved = session.DataUnsaved;
  start.savedMark = session.SavedMark;
  start.fingerprint = session.DataFingerprint;
  return start;
}

AfterGridEdit FinishGridEdit(TDataSession& session, TGridEditStart& start, bool cancelled,
                             platform::Window owner) {
  TDataTable& table = session.Table;
  ComputeDataStatistics(table, session.DataStats);
  const std::uint64_t now = DataSignature(table.XYZData());
  const bool changed = now != start.signature || session.DataTitles() != start.titles;
  if (cancelled && changed && !start.backup.empty() && AskYesNoIds(owner, 3421, 3422) == platform::kIdYes) {
    if (table.RestoreDataTable(start.backup)) {
      session.DataTitles() = start.titles;
      session.DataFileLabel = start.fileLabel;
      session.DataUnsaved = start.dataUnsaved;
      session.SavedMark = start.savedMark;
      const bool enough = table.XYZRows() > 3;
      SetHaveData(enough ? 1 : 0);
      if (session.DataFingerprint != start.fingerprint) {
        // A calculation applied from the editor pre-scanned the edited data and fitted
        // them: those fits are not of the table put back.
        VoidFitResults(session);
        if (enough) {
          PrescanData(session, owner);
          return AfterGridEdit::kShowStatus;
        }
      }
      PrepareDataForFit(session);
      return AfterGridEdit::kShowStatus;
    }
    // Only memory can refuse the points the table held before: the edited data stay.
    ErrorBoxIds(owner, 3421, 3448);
  }
  const int n = table.XYZRows();
  if (n <= 3) {
    // The editor kept only its ranges up to date: the statistics follow the table again.
    session.DataUnsaved = n > 0 && (now != start.signature || session.DataUnsaved) ? 1 : 0;
    VoidFitResults(session);
    SetHaveData(0);
    return AfterGridEdit::kShowStatus;
  }
  if (now == start.signature) return AfterGridEdit::kShowStatus;
  VoidFitResults(session);
  SetHaveData(1);
  PrescanData(session, owner);
  if (start.savedSignature == now) return AfterGridEdit::kShowStatus;
  // The edits are unsaved until a save says otherwise.
  session.DataUnsaved = 1;
  if (AskYesNoIds(owner, 3008, 3009) == platform::kIdYes && DataFileHooks().SaveAs) {
    DataFileHooks().SaveAs(session);
    return AfterGridEdit::kSaveAsRan;
  }
  return AfterGridEdit::kShowStatus;
}
