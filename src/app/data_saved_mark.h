// Whether the data need saving. The table's points and titles as last read from a file or
// saved are kept as a mark; Exit and a replacing import ask "Save Current Data?" when the
// data differ from it, whatever road changed them (an editor's hand-back, a section kept, new
// titles, a calculation), so that no road can forget to say so, while a change undone (a
// value typed and typed back, statuses toggled and put back) asks nothing. DataUnsaved stays
// for the data no file holds although they may equal the mark (pasted or appended data).
//
// The table is compared by its DataSignature (app/data_signature.h): every value, weight and
// status and the point count, but not the order of the records, which no saved file's
// data depend on.
#pragma once

#include <cstdint>

#include "app/data_titles.h"

struct TDataSession;

struct TSavedDataMark {
  std::uint64_t signature = 0;
  TDataTitles titles;
};

// The data as they stand are those of a file: the mark is taken and DataUnsaved cleared.
void MarkDataSaved(TDataSession& session);

// Whether Exit must ask: DataUnsaved, or a table that holds points other than the mark's (or
// that holds points while no file was read or saved) or titles other than the mark's. An
// empty table has nothing to save.
[[nodiscard]] bool DataNeedsSaving(const TDataSession& session);
