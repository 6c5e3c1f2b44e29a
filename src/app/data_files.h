// The data-file commands' headless side: the state they share, the import driver through
// which every road into the XYZ data table runs (file, drop, command line, recent file,
// clipboard, editor), Save As, and the recent-file list.
//
// The driver identifies the file's kind, lets the user choose columns where the kind needs
// them, calls the kind's reader (app/import_readers.h), converts weights, applies a
// defined calculation, runs the pre-scan and the titles dialog. A read that fails or gives
// fewer than 4 points leaves the table, its row count and the fit results exactly as they
// were before (the user's table is never emptied by a bad file), and a kind whose reader
// does not exist is refused before the table is touched.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/data_titles.h"
#include "app/import_readers.h"
#include "platform/window.h"

// The open dialog's filters for data files.
inline constexpr const char* kDataImportFilter =
    "ASCII [prn,dat,txt]|*.prn;*.dat;*.txt|Lotus 123 [wk?]|*.wk?|Excel [xls]|*.xls|"
    "Quattro Pro [wb? wq?]|*.wb?;*.wq?|Merovane [mv? rnb]|*.mv?;*.rnb|OKAP Windows [sav]|*.sav|"
    "dBASE [dbf]|*.dbf|DIF [dif]|*.dif|All Supported|*.prn;*.dat;*.txt;*.wk?;*.xls;*.wb?;"
    "*.wq?;*.mv?;*.rnb;*.sav;*.dbf;*.dif|All|*.*|";
// The initial filter of that dialog for an extension last chosen (by its reader kind).
int ImportFilterIndex(std::string_view extension);

class TDataTable;
struct TDataSession;

// What the driver asks of the user interface and of other subsystems; each registers its
// part at start-up. An empty entry is skipped (no calculation is defined, no dialog runs).
struct TDataFileHooks {
  platform::Window owner = nullptr;
  // The titles dialog over the session's DataTitles(), with the titles before the import as
  // the previous block (or null); 1 on OK, 0 when cancelled.
  std::function<int(TDataSession& session, const TDataTitles* previous)> RunTitlesDialog;
  std::function<bool()> CalculationDefined;
  // Applies the defined calculation to the session's table from a first row to the end.
  std::function<void(TDataSession& session, int firstRow)> ApplyCalculation;
  // The main window's have-data and have-fits flags.
  std::function<void(int)> SetHaveData;
  std::function<void(int)> SetHaveFits;
  // Runs the Save As command (dialog included) on the session; afterwards its DataUnsaved
  // tells whether it saved.
  std::function<void(TDataSession& session)> SaveAs;
  // The recent-file list changed: the menu is built anew.
  std::function<void()> RecentFilesChanged;
  // The progress of an import's read, with Cancel (the user interface's progress window,
  // shown once the read has taken a moment): made as the read begins, with the path as
  // caption and the text to show, it is asked with the cases read so far and answers false
  // once the user cancelled. Without it the busy window stands while the read runs.
  std::function<std::function<bool(int casesRead)>(const std::string& path, std::string_view text)> ReadProgress;
};
TDataFileHooks& DataFileHooks();

// The session's fit results no longer describe its table: voided (the pre-scan hook), and
// the main window's have-fits flag cleared.
void VoidFitResults(TDataSession& session);

// Before any import: asks whether to apply a defined calculation to the new data and, when
// replacing unsaved data, whether to save it. 2 when the user cancelled (also when he chose
// to save and then did not), else 1.
int ConfirmDiscardData(TDataSession& session);

// Stores an accepted read in the table: after its rows when appending (the header count
// grows), else in place of them (every record cleared first). The header's weights flag
// becomes 1 when the file gave weights, else an append keeps it and a replacement clears
// it. False, the table unchanged, when the table cannot hold the points.
[[nodiscard]] bool CommitReadResult(TDataTable& table, const TReadResult& read, bool append);

// What the data read from the clipboard's temporary copy are known by.
inline constexpr const char* kClipboardSourceName = "Clipboard";

// Imports the session's DataFileName with the digital filter of the settings (filtered 1) or
// without. `sourceName`: what the user knows the file by (kClipboardSourceName for the
// clipboard's temporary copy), the path when empty: the data's label, their title when the
// file gives none, and the caption of the read's messages.
// Returns the points read (a count below 4 is a failed read, the table unchanged), 0 when
// the file was refused, the column dialog or the read cancelled, -1 when the titles dialog was
// cancelled (the data stay). A read the table does not take keeps the fit results.
[[nodiscard]] int ImportDataFile(TDataSession& session, int filtered, std::string_view sourceName = {});

// The clipboard-matrix import of a WK1 or WK3 file: x from the sheet's first row, y from
// its first column, z from the cells. `sourceName` and results as ImportDataFile.
[[nodiscard]] int ReadMatrixFile(TDataSession& session, const std::string& path, std::string_view sourceName = {});

// The ASCII editor hands its text over: read as an XYZ data text into the emptied table,
// titles included, without the titles dialog. Text with fewer than 4 points is refused
// (message over `owner`, the editor that handed it) and the table kept. Returns the points
// read. Without an owner: over the data commands' window (the main window).
int EvEditorData(TDataSession& session, std::string_view text, platform::Window owner);
int EvEditorData(TDataSession& session, std::string_view text);

// Writes the table to the path by its extension: data text, WK1, WK3 or (where its writer
// exists) a statistics-package file. On success the path joins the recent files, becomes
// the data's label and the data count as saved (1); on failure, or for an extension that
// names no data format, the user is told, nothing counts as saved and 0 is returned. What is
// told and asked opens over `owner` (the window whose Save it is); without one, over the
// data commands' window (the main window).
[[nodiscard]] int SaveDataAs(TDataSession& session, const std::string& path, platform::Window owner);
[[nodiscard]] int SaveDataAs(TDataSession& session, const std::string& path);

// Puts a path on top of the recent-file list (most recent first, five at most). Paths keep
// their case, and are compared exactly, since file names that differ in case name
// different files here.
void AddRecentFile(const std::string& path);

// X-Y pairs of two columns of a file chosen by the user (the columns chosen are kept in the
// session) (the data-generation tool): pair 0 holds (n, n), pairs 1..n the values of the
// rows in which both columns hold a number. Empty with cancelled set when the user
// cancelled or the file cannot give two columns; empty without it when no row gives a pair.
using TXYPairs = std::vector<std::pair<long double, long double>>;
// The pairs hold at most 16,383 rows of the file: `leftOut`, when given, receives the rows
// past them that would have made pairs, for the caller to tell.
struct TPairsLeftOut {
  int rows = 0;
  bool more = false;  // the file holds more rows than were counted (kPointsCountBound)
  bool Any() const { return rows > 0 || more; }
};
TXYPairs ReadXYColumns(TDataSession& session, platform::Window owner, std::string_view title, int& cancelled,
                       TPairsLeftOut* leftOut = nullptr);
