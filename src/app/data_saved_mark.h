// Whether the data need saving. The table's points and titles as last read from a file or
// saved are kept as a mark; Exit and a replacing import ask "Save Current Data?" when the
// data differ from it, whatever road changed them (an editor's hand-back, a section kept, new
// titles, a calculation), so that no road can forget to say so, while a change undone (a
// value typed and typed back, statuses toggled and put back) asks nothing. DataUnsaved stays
// for the data no file holds although they may equal the mark (pasted or appended data).
//
// The table is compared by its DataSignature (app/data_signature.h), every value, weight and
// status and the point count, and by the order of its records, which a saved file keeps: a
// Sort Table in the grid editor was lost at Exit without a question. The program's own sort
// (the pre-scan orders the table by x, then y) changes nothing the user did: the mark follows
// it (KeepSavedMarkAcross), as does its marking of a point it cannot use (a missing value, a
// negative weight) inactive.
#pragma once

#include <cstdint>
#include <functional>

#include "app/data_titles.h"

struct TDataSession;

struct TSavedDataMark {
  std::uint64_t signature = 0;
  std::uint64_t order = 0;  // DataOrderSignature
  TDataTitles titles;
};

// The data as they stand are those of a file: the mark is taken and DataUnsaved cleared.
void MarkDataSaved(TDataSession& session);

// Whether Exit must ask: DataUnsaved, or a table that holds points other than the mark's (or
// that holds points while no file was read or saved) or titles other than the mark's. An
// empty table has nothing to save.
[[nodiscard]] bool DataNeedsSaving(const TDataSession& session);

// Runs `programStep`, a change the program makes of its own accord (the pre-scan's sort, and
// its marking of points it cannot use inactive): records that were those of the mark before it
// are so after it, and so is an order that was the mark's.
void KeepSavedMarkAcross(TDataSession& session, const std::function<void()>& programStep);
