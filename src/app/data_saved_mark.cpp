#include "app/data_saved_mark.h"

#include "app/data_session.h"
#include "app/data_signature.h"

void MarkDataSaved(TDataSession& session) {
  session.SavedMark = TSavedDataMark{DataSignature(session.Table.XYZData()), session.DataTitles()};
  session.DataUnsaved = 0;
}

bool DataNeedsSaving(const TDataSession& session) {
  if (session.DataUnsaved) return true;
  if (session.Table.XYZRows() <= 0) return false;
  if (!session.SavedMark) return true;
  return DataSignature(session.Table.XYZData()) != session.SavedMark->signature ||
         !(session.DataTitles() == session.SavedMark->titles);
}
