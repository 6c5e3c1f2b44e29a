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

void ReorderKeepingSavedMark(TDataSession& session, const std::function<void()>& reorder) {
  const bool inOrder =
      session.SavedMark && DataOrderSignature(session.Table.XYZData()) == session.SavedMark->order;
  reorder();
  if (inOrder) session.SavedMark->order = DataOrderSignature(session.Table.XYZData());
}
