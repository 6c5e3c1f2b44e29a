#include "app/data_saved_mark.h"

#include "app/data_session.h"
#include "app/data_signature.h"

void MarkDataSaved(TDataSession& session) {
  const std::span<const TXYZPoint> data = session.Table.XYZData();
  session.SavedMark = TSavedDataMark{DataSignature(data), DataOrderSignature(data), session.DataTitles()};
  session.DataUnsaved = 0;
}

bool DataNeedsSaving(const TDataSession& session) {
  if (session.DataUnsaved) return true;
  if (session.Table.XYZRows() <= 0) return false;
  if (!session.SavedMark) return true;
  const std::span<const TXYZPoint> data = session.Table.XYZData();
  return DataSignature(data) != session.SavedMark->signature ||
         DataOrderSignature(data) != session.SavedMark->order ||
         !(session.DataTitles() == session.SavedMark->titles);
}

void KeepSavedMarkAcross(TDataSession& session, const std::function<void()>& programStep) {
  const std::span<const TXYZPoint> before = session.Table.XYZData();
  const bool sameRecords = session.SavedMark && DataSignature(before) == session.SavedMark->signature;
  const bool inOrder = session.SavedMark && DataOrderSignature(before) == session.SavedMark->order;
  programStep();
  const std::span<const TXYZPoint> after = session.Table.XYZData();
  if (sameRecords) session.SavedMark->signature = DataSignature(after);
  if (inOrder) session.SavedMark->order = DataOrderSignature(after);
}
