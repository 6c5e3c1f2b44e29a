// The data half of a session: the XYZ data table with its statistics and titles, and the
// state of the data file it came from. The
// fitting engine adds its half on top (fit/session.h); each subsystem below the fitting
// engine works on this part alone, so that it never reaches past its own layer.
//
// Threads: as for the table (data_table.h). The statistics, the fingerprint and the titles
// belong to the user-interface thread; a worker copies what it needs before it starts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/data_saved_mark.h"
#include "app/data_statistics.h"
#include "app/data_table.h"
#include "app/data_titles.h"
#include "app/import_readers.h"
#include "app/long_double.h"

struct TDataSession {
  TDataSession() = default;
  TDataSession(const TDataSession&) = delete;
  TDataSession& operator=(const TDataSession&) = delete;

  TDataTable Table;
  // Rewritten by every pre-scan (PrescanData) after the table changed; the fitters, the
  // status window, the graphs and the exporters read it. No figure before the first scan.
  TDataStats DataStats = NoDataStatistics();
  // The table's DataSignature (app/data_signature.h) at the last pre-scan: the data the
  // fit results of that pre-scan's background fit belong to. 0 before the first scan.
  std::uint64_t DataFingerprint = 0;

  // Path of the file being imported or last imported.
  std::string DataFileName;
  // The file name the status window, the titles dialog and the summaries show: the path of
  // the last successful import or save, as text (a UTF-8 name in the code page the windows
  // and exports read, where its bytes showed "MÃ¼ller" for "Müller").
  std::string DataFileLabel;
  // The data table was changed since it was loaded or saved: set by the roads that know it
  // (pasted or appended data, which no file holds even where they equal SavedMark), cleared
  // by a save. Whether Exit asks is DataNeedsSaving (app/data_saved_mark.h), which also
  // compares the data with SavedMark.
  int DataUnsaved = 0;
  // The table and the titles as last read from a file or saved (MarkDataSaved); none before.
  std::optional<TSavedDataMark> SavedMark;
  // 0: an import replaces the table; 1: it appends. Set by the import and append commands;
  // recent files, drops and the start-up file use the mode of the last of those.
  int AppendMode = 0;
  // The user asked to apply the defined calculation to the new data.
  int ApplyCalcToNewData = 0;
  // Kind of the file being imported (app/import_readers.h).
  int ImportFileKind = 0;
  // The columns and sheets last chosen in the column dialogs.
  TImportColumns ImportColumns;

  // The data title and the axis names (written by the import road and the titles dialog).
  TDataTitles& DataTitles() { return titles_; }
  const TDataTitles& DataTitles() const { return titles_; }

 private:
  TDataTitles titles_;
};
