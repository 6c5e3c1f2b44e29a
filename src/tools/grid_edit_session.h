// The bookkeeping of the grid editor's command around the editor's run: a backup of the
// table and its signature before, and afterwards the decision whether the change is kept,
// undone or saved, and whether the fit results still belong to the data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/data_saved_mark.h"
#include "app/data_titles.h"
#include "app/xyz_point.h"
#include "platform/window.h"

struct TDataSession;

struct TGridEditStart {
  std::uint64_t signature = 0;       // the data's signature when the editor opened
  std::uint64_t savedSignature = 0;  // the signature of the last save made in the editor
  PointTable backup;                 // empty when memory ran out
  // What the editor's Titles, Reverse, Clear All and Save change beside the points, put
  // back with them when the changes are abandoned.
  TDataTitles titles;
  std::string fileLabel;
  int dataUnsaved = 0;
  std::optional<TSavedDataMark> savedMark;
  // The data the fit results belonged to (DataFingerprint): a pre-scan while the editor is
  // open (a calculation applied from it) changes it.
  std::uint64_t fingerprint = 0;
};

// Before the editor opens.
TGridEditStart BeginGridEdit(const TDataSession& session);

// What the command does last.
enum class AfterGridEdit {
  kShowStatus,  // the status window is shown again
  kSaveAsRan,   // Save As ran, and showed the status window itself
};

// After the editor closed (cancelled: by Cancel). Changed data after Cancel, whatever is
// left of them (Clear All leaves nothing): "Abandon Changes?"; Yes puts the table back as it
// was, with its titles, the file it names and its saved state (a save made in the editor
// holds the changes, not the table put back); fits made meanwhile of the edited data (a
// calculation applied from the editor) are voided and the table put back is fitted again.
// Data kept with fewer than 4 points: the fit results are void and the table no data to
// work on. Otherwise, data whose signature is unchanged keep everything. Changed data kept:
// the fit results are void, the pre-scan runs, and when the data differ from what the
// editor last saved, "Save Current Data?"; data left unsaved count as unsaved.
AfterGridEdit FinishGridEdit(TDataSession& session, TGridEditStart& start, bool cancelled,
                             platform::Window owner);
