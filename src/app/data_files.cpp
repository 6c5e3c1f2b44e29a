#include "app/data_files.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <system_error>

#include "app/background_fit_hold.h"
#include "app/c_format.h"
#include "app/data_file_writers.h"
#include "app/data_saved_mark.h"
#include "app/data_statistics.h"
#include "app/data_session.h"
#include "app/data_table.h"
#include "app/file_utils.h"
#include "app/import_readers.h"
#include "app/prescan_hooks.h"
#include "app/private_temp_dir.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "app/text_file_bytes.h"
#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/string_table.h"

namespace {

constexpr int kMinPoints = 4;
constexpr const char* kEditorFileName = "_QVRK_.PRN";

platform::Window Owner() { return DataFileHooks().owner; }

void SetHaveData(int on) {
  if (DataFileHooks().SetHaveData) DataFileHooks().SetHaveData(on);
}

bool CalculationDefined() {
  return DataFileHooks().CalculationDefined && DataFileHooks().CalculationDefined();
}

void ApplyCalculation(TDataSession& session, int firstRow) {
  if (DataFileHooks().ApplyCalculation) DataFileHooks().ApplyCalculation(session, firstRow);
}

constexpr int kFileIsEmpty = 3046;
constexpr int kTooManyColumns = 3047;
constexpr int kPointsCut = 3048;
constexpr int kLinesSkipped = 3049;
constexpr const char* kShorterThanHeader =
    "The File is Shorter Than Its Header Says: It Holds %lld of the %lld Records Counted";
// A file that broke off (TReadResult::damagedAfterRow) and cells that held no finite number.
constexpr const char* kDamagedAfterRow = "The File is Damaged After Row %lld: Nothing After It Could Be Read";
constexpr const char* kRowsNotFinite = "Rows Skipped Because a Chosen Column Held Infinity or NaN: %d";
// What the text readers' range rule and the missing-value mark of stored files did to a read.
constexpr const char* kRowsBeyondRange = "Rows Skipped Because a Chosen Column Held a Number Beyond 1E300 in Magnitude: %d";
constexpr const char* kRowsMissingValue = "Rows Skipped Because a Chosen Column Held the Missing Value -12345.6789: %d";
constexpr const char* kNearZeroValues = "Numbers Nearer 0 Than 1E-300 Read as 0: %d";
// The cut message of a read that stopped counting (kPointsCountBound).
constexpr const char* kMorePointsCut =
    "The File Holds More Than %d Points, %d Were Read\nThe Data Table Holds at Most %d Points";
// Rows of chosen columns that gave no point, or an inactive one (TReadResult::skippedRows,
// inactiveRows).
constexpr const char* kRowsSkipped = "Rows Skipped Because a Chosen Column Held Text or Nothing: %d";
constexpr const char* kRowsInactive = "Rows Kept Inactive Because a Chosen Column Held Text or Nothing: %d";
// A read that stopped at the bound before the table was full (a digital filter kept fewer).
constexpr const char* kReadStopped = "The File Holds More Than %d Records, Reading Stopped There\n%d Points Were Read";
// An append that found no room for a read of kMinPoints: the table is full, which "Min 4
// XYZ Points Required" would wrongly blame on the file.
constexpr const char* kTableFull = "The Data Table is Full: It Holds %d of at Most %d Points\nNo Points of the File Were Appended";
// A kind the import dialog offers whose reader (or column choice) is not there yet: no
// file of it was read, which "Number of Points Read 0" would wrongly suggest.
constexpr const char* kKindNotReadable = "Files of This Kind Cannot Be Read Yet";

std::string Text(int id) { return std::string(platform::LoadString(id)); }

// "Lines Skipped Because a Value Is Missing or Not a Number: <n>", or empty for none.
std::string SkippedLinesText(const TReadResult& read) {
  if (read.skippedLines <= 0) return {};
  return CFormat(Text(kLinesSkipped).c_str(), read.skippedLines);
}

// The titles a read cut to their fields' length: "The File's Title Was Cut to 80
// Characters", "The File's X and Z Names Were Cut to 40 Characters Each"; empty for none.
std::string TitlesCutText(const TDataTitles& titles) {
  std::string text;
  if (titles.cut & TDataTitles::kCutTitle)
    text = CFormat("The File's Title Was Cut to %zu Characters", kDataTitleLength);
  std::vector<const char*> names;
  if (titles.cut & TDataTitles::kCutXName) names.push_back("X");
  if (titles.cut & TDataTitles::kCutYName) names.push_back("Y");
  if (titles.cut & TDataTitles::kCutZName) names.push_back("Z");
  if (names.empty()) return text;
  std::string which = names[0];
  for (std::size_t i = 1; i < names.size(); ++i) which += (i + 1 == names.size() ? " and " : ", ") + std::string(names[i]);
  if (!text.empty()) text += "\n";
  return text + CFormat(names.size() == 1 ? "The File's %s Name Was Cut to %zu Characters"
                                          : "The File's %s Names Were Cut to %zu Characters Each",
                        which.c_str(), kAxisNameLength);
}

// What a read lost on the way in: points beyond the table's room, lines and rows that were
// no points, records the file's header counts but the file does not hold; empty when it lost
// nothing.
std::string ReadLossesText(const TReadResult& read) {
  std::string text;
  const auto line = [&text](const std::string& more) { text += (text.empty() ? "" : "\n") + more; };
  if (read.pointsCut > 0)
    line(CFormat(read.morePointsInFile ? kMorePointsCut : Text(kPointsCut).c_str(), read.pointsInFile,
                 std::max(read.Count(), 0), kXYZMaxPoints));
  else if (read.morePointsInFile)
    line(CFormat(kReadStopped, kPointsCountBound, std::max(read.Count(), 0)));
  if (read.skippedLines > 0) line(SkippedLinesText(read));
  if (read.skippedRows > 0) line(CFormat(kRowsSkipped, read.skippedRows));
  if (read.inactiveRows > 0) line(CFormat(kRowsInactive, read.inactiveRows));
  if (read.nonFiniteRows > 0) line(CFormat(kRowsNotFinite, read.nonFiniteRows));
  if (read.beyondRangeRows > 0) line(CFormat(kRowsBeyondRange, read.beyondRangeRows));
  if (read.missingValueRows > 0) line(CFormat(kRowsMissingValue, read.missingValueRows));
  if (read.nearZeroValues > 0) line(CFormat(kNearZeroValues, read.nearZeroValues));
  if (read.unheldCharacters > 0) line(UnheldCharactersText(read.unheldCharacters, TUnheldFate::kShown, "the File's Titles"));
  if (const std::string cut = TitlesCutText(read.titles); !cut.empty()) line(cut);
  if (read.recordsInHeader > read.recordsInFile)
    line(CFormat(kShorterThanHeader, static_cast<long long>(read.recordsInFile),
                 static_cast<long long>(read.recordsInHeader)));
  if (read.damagedAfterRow) line(CFormat(kDamagedAfterRow, static_cast<long long>(*read.damagedAfterRow)));
  return text;
}

// "Number of Points Read %d\nMin 4 XYZ Points Required" (and what the read lost), the path
// as caption.
void TooFewPoints(platform::Window owner, const std::string& path, int count, const TReadResult* read = nullptr) {
  std::string text = CFormat(Text(3063).c_str(), std::max(count, 0));
  if (read && !ReadLossesText(*read).empty()) text += "\n" + ReadLossesText(*read);
  ErrorBox(owner, path, text);
}

void ReportReadLosses(const std::string& path, const TReadResult& read, platform::Window owner = Owner()) {
  const std::string text = ReadLossesText(read);
  if (!text.empty()) InfoBox(owner, path, text);
}

// The room the table has for a read: all of it when the read replaces the table, what
// follows its rows when it appends.
int ReadCapacity(const TDataTable& table, bool append) {
  return kXYZMaxPoints - (append ? table.XYZRows() : 0);
}

// The driver's steps after a read that stored enough points.
int AcceptRead(TDataSession& session, const TReadResult& read, int firstRow,
               const std::string& path, bool convertWeights) {
  const int count = read.Count();
  VoidFitResults(session);
  SetHaveData(1);
  std::span<TXYZPoint> data = session.Table.XYZData();
  session.Table.SetXYZRows(PointCount(data));
  session.DataFileLabel = FileNameToCodedText(path);
  session.DataUnsaved = session.AppendMode;
  if (convertWeights && data[0].W == 1) {
    // Standard deviations become the weights 1 / sd^2 (a zero, which would divide by
    // zero, gives 1).
    for (int i = firstRow; i <= session.Table.XYZRows(); ++i) {
      TXYZPoint& p = data[static_cast<std::size_t>(i)];
      p.W = p.W != 0 ? 1 / (p.W * p.W) : 1;
    }
    data[0].Marker = '0';
  }
  // The titles the file gives: the name comes from the file system (UTF-8 here); titles are
  // coded text.
  TDataTitles fileTitles = read.titles;
  if (fileTitles.Title.empty()) fileTitles.SetTitle(FileNameToCodedText(path));
  fileTitles.cut = 0;  // a file's name as its title is no title of the file cut short
  const TDataTitles previous = session.DataTitles();
  session.DataTitles() = fileTitles;
  // Data that replace the table from a file are those of the file; pasted data are no file's.
  if (!session.AppendMode && path != kClipboardSourceName) MarkDataSaved(session);
  ReportReadLosses(path, read);
  const bool calculate = session.ApplyCalcToNewData && CalculationDefined();
  if (calculate && session.AppendMode) ApplyCalculation(session, firstRow);
  PrescanData(session, Owner());
  if (calculate && !session.AppendMode) ApplyCalculation(session, 1);

  if (DataFileHooks().RunTitlesDialog && DataFileHooks().RunTitlesDialog(session, &previous) == 0)
    return -1;
  return count;
}

// The reading error: a read that failed is not a file of too few points. `kind` 0: a file
// of no kind this program knows.
std::string ReadErrorText(TReadError error, int kind) {
  if (error == TReadError::kCannotOpen) return "Error Reading the File: It Cannot Be Opened\nNothing Was Read";
  if (ImportKindName(kind).empty())
    return "Error Reading the File: It is Damaged or of a Kind This Program Does Not Read\nNothing Was Read";
  return CFormat("Error Reading the File: It is Damaged or Not a %s File\nNothing Was Read", ImportKindName(kind).c_str());
}

// A read that cannot be used: told over `owner`, and the table is as it was. True when it
// was refused.
bool RefuseRead(platform::Window owner, const std::string& path, const TReadResult& read, int kind,
                const TDataTable& table, bool append) {
  if (read.Count() >= kMinPoints) return false;
  if (read.error != TReadError::kNone)
    ErrorBox(owner, path, ReadErrorText(read.error, kind));
  else if (append && read.pointsCut > 0)
    ErrorBox(owner, path, CFormat(kTableFull, table.XYZRows(), kXYZMaxPoints));
  else
    TooFewPoints(owner, path, read.Count(), &read);
  return true;
}

// A file whose column lister finds its structure broken is refused with the reading error
// before any column dialog: the dialog would open on an empty list and say nothing, and the
// read could only fail. True when it was refused.
bool RefuseMalformedColumns(platform::Window owner, const std::string& path, const std::string& shown, int kind) {
  const auto& lister = ImportReaders().List[static_cast<std::size_t>(std::clamp(kind, 0, kImportKindCount))];
  std::vector<std::string> columns;
  if (!lister || lister(path, columns) != kListMalformed) return false;
  ErrorBox(owner, shown, ReadErrorText(TReadError::kMalformed, kind));
  return true;
}

// Commits an accepted read; false (told, table unchanged) when memory runs out.
bool Commit(TDataSession& session, const TReadResult& read) {
  if (CommitReadResult(session.Table, read, session.AppendMode != 0)) return true;
  ErrorBoxIds(Owner(), 3068, 3448);
  return false;
}

// Stores a read that the background fit was held for: refused (told) or not committed, the
// table is as it was and keeps its fits, and a fit the hold cut short starts again. True
// when the read is in the table.
bool StoreHeldRead(TDataSession& session, const std::string& path, const TReadResult& read, int kind) {
  if (!RefuseRead(Owner(), path, read, kind, session.Table, session.AppendMode != 0) && Commit(session, read))
    return true;
  ResumeBackgroundFit();
  return false;
}

// What an import returns for a read StoreHeldRead did not store: the points it read when
// they were too few (a failed read), else 0.
int NotStoredCount(const TReadResult& read) { return read.Count() < kMinPoints ? std::max(read.Count(), 0) : 0; }

// Before a worksheet save: a table with a value the form cannot hold is refused, naming it
// (a WK1 number is a double; 1e400 would be lost); a table with inactive points is saved
// only when the user agrees that they come back active, the worksheet having no place for
// the mark. False when nothing is to be written.
bool WorksheetSaveAgreed(platform::Window owner, const TDataSession& session, const std::string& path, int form) {
  const std::span<const TXYZPoint> table = session.Table.XYZData();
  const char* kind = form == 1 ? ".wk1" : ".wk3";
  if (const std::optional<TValueNotHeld> refused = FirstValueNotHeld(table, form)) {
    ErrorBox(owner, path, ValueNotHeldText(*refused, kind));
    return false;
  }
  const int inactive = InactivePointsWritten(table);
  if (inactive > 0) {
    const std::string text =
        CFormat("A %s File Keeps No Inactive Marks: the %d Inactive Point%s Will Be Read Back as Active\nSave Anyway?",
                kind, inactive, inactive == 1 ? "" : "s");
    if (AskYesNo(owner, path, text) != platform::kIdYes) return false;
  }
  // Worksheet labels are in code page 850, which lacks some of the program's characters.
  const std::string lacking = TitleCharactersNotHeld(session.DataTitles());
  if (lacking.empty()) return true;
  const std::string text = CFormat(
      "A %s File Cannot Hold the Titles' Characters %s: They Will Be Read Back as ?\nSave Anyway?", kind, lacking.c_str());
  return AskYesNo(owner, path, text) == platform::kIdYes;
}

}  // namespace

TDataFileHooks& DataFileHooks() {
  static TDataFileHooks hooks;
  return hooks;
}

void VoidFitResults(TDataSession& session) {
  if (PrescanHooks().VoidFitResults) PrescanHooks().VoidFitResults(session);
  if (DataFileHooks().SetHaveFits) DataFileHooks().SetHaveFits(0);
}

int ImportFilterIndex(std::string_view extension) {
  const int kind = ImportKindByExt(extension);
  return kind > 0 ? kind : 1;
}

int ConfirmDiscardData(TDataSession& session) {
  session.ApplyCalcToNewData = 0;
  if (CalculationDefined()) {
    const int answer = AskYesNoCancelIds(Owner(), 3005, 3007);
    if (answer == platform::kIdCancel) return 2;
    if (answer == platform::kIdYes) session.ApplyCalcToNewData = 1;
  }
  if (!session.AppendMode && DataNeedsSaving(session)) {
    const int answer = AskYesNoCancelIds(Owner(), 3008, 3009);
    if (answer == platform::kIdCancel) return 2;
    if (answer == platform::kIdYes) {
      if (DataFileHooks().SaveAs) DataFileHooks().SaveAs(session);
      // The user wanted the data kept: a save he cancelled, or one that failed, must not
      // let the import replace them.
      if (DataNeedsSaving(session)) return 2;
    } else {
      session.DataUnsaved = 0;
    }
  }
  return 1;
}

bool CommitReadResult(TDataTable& table, const TReadResult& read, bool append) {
  const int n = static_cast<int>(read.points.size());
  const int firstRow = append ? table.XYZRows() + 1 : 1;
  if (firstRow - 1 + n > kXYZMaxPoints || !table.EnsurePointCapacity(firstRow - 1 + n))
    return false;
  DataTableWriteLock lock(table.Mutex());
  const std::span<TXYZPoint> data = table.XYZData();
  const long double oldWeights = data[0].W;
  const int oldCount = firstRow > 1 ? PointCount(data) : 0;
  // Everything from the first new row on is cleared (from record 0 when replacing), so no
  // record of an earlier, longer table is left behind the new points.
  for (std::size_t i = firstRow > 1 ? static_cast<std::size_t>(firstRow) : 0; i < data.size(); ++i) {
    TXYZPoint& p = data[i];
    p.X = p.Y = p.Z = p.W = 0;
    p.Status = 0;
  }
  std::copy(read.points.begin(), read.points.end(), data.begin() + firstRow);
  data[0].X = oldCount + n;
  // An append keeps the weights of the rows before unless this file gave weights.
  data[0].W = read.weighted ? 1 : (firstRow > 1 ? oldWeights : 0);
  return true;
}

int ImportDataFile(TDataSession& session, int filtered, std::string_view sourceName) {
  const ProgramSettings& settings = CurrentSettings();
  const int filterN = filtered ? settings.FilterStep : 1;
  const int filterStart = filtered ? settings.FilterStart : 1;
  TImportReaders& readers = ImportReaders();

  const int kind = readers.Detect ? readers.Detect(session.DataFileName) : 0;
  session.ImportFileKind = kind;
  const std::string path = session.DataFileName;
  const std::string shown = sourceName.empty() ? path : std::string(sourceName);
  if (kind == -1) {
    // Detection cannot tell a missing file from an empty one; the user can.
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec))
      ErrorBox(Owner(), shown, Text(kFileIsEmpty));
    else
      ErrorBox(Owner(), platform::LoadString(3003), path);
    return 0;
  }
  if (kind == 0 && SniffTextFile(path) != 2) {
    // Not text, and no kind's probe took it (a dBASE header that runs past the file's end):
    // no count of columns describes such a file.
    ErrorBox(Owner(), shown, ReadErrorText(TReadError::kMalformed, 0));
    return 0;
  }
  if (ImportKindRefused(kind)) {
    ErrorBox(Owner(), shown, platform::LoadString(3064));
    return 0;
  }
  const TWholeFileReader& reader = readers.Read[static_cast<std::size_t>(kind)];
  const bool needsColumns = ImportKindNeedsColumns(kind);
  if (!reader || (needsColumns && !readers.ChooseColumns)) {
    // A kind this program cannot read is refused, never half-read. Without a column dialog
    // (a build without the user interface) a text or DIF file of more columns than X, Y and
    // Z cannot have its columns chosen: say that rather than that it held no points.
    if (reader && (kind == 4 || kind == 18 || kind == 19))
      ErrorBox(Owner(), shown, Text(kTooManyColumns));
    else
      ErrorBox(Owner(), shown, kKindNotReadable);
    return 0;
  }
  bool convertWeights = false;
  if (needsColumns) {
    if (RefuseMalformedColumns(Owner(), path, shown, kind)) return 0;
    ProgramSettings& s = CurrentSettings();
    if (readers.ChooseColumns(path, shown, kind, s.ImportPreviewOn, s.WeightsAreSD,
                              session.ImportColumns) != 1)
      return 0;
    convertWeights = s.WeightsAreSD && session.ImportColumns.ImportColW >= 0;
  }

  // The background fit is held before the table may change; its results stay until it does.
  HoldBackgroundFit();
  TReadArgs args;
  args.path = path;
  args.capacity = ReadCapacity(session.Table, session.AppendMode != 0);
  args.filterN = filterN;
  args.filterStart = filterStart;
  const TImportColumns& c = session.ImportColumns;
  args.sheet = c.ImportSheetX;
  args.colX = c.ImportColX, args.colY = c.ImportColY;
  args.colZ = c.ImportColZ, args.colW = c.ImportColW;
  // "Reading Data..." or "Digitally Filtering Data..." while the reader works, with Cancel
  // where the user interface gives the read a progress window.
  const std::string_view working = platform::LoadString(filtered ? 3071 : 3069);
  if (DataFileHooks().ReadProgress) args.progress = DataFileHooks().ReadProgress(shown, working);
  else ShowBusyMsg(Owner(), shown, working, 1);
  const TReadResult read = reader(args);
  args.progress = nullptr;  // the progress window closes
  HideBusyMsg();
  if (read.cancelled) {  // the table and its fits as they were, and nothing to tell
    ResumeBackgroundFit();
    return 0;
  }
  const int firstRow = session.AppendMode ? session.Table.XYZRows() + 1 : 1;
  if (!StoreHeldRead(session, shown, read, kind)) return NotStoredCount(read);
  return AcceptRead(session, read, firstRow, shown, convertWeights);
}

int ReadMatrixFile(TDataSession& session, const std::string& path, std::string_view sourceName) {
  const std::string shown = sourceName.empty() ? path : std::string(sourceName);
  TImportReaders& readers = ImportReaders();
  std::string detected = path;
  const int kind = readers.Detect ? readers.Detect(detected) : 0;
  if (kind != kImportKindWK1 && kind != kImportKindWK3) return 0;
  if (!readers.ReadMatrix) {
    ErrorBox(Owner(), shown, kKindNotReadable);
    return 0;
  }
  HoldBackgroundFit();
  TReadResult read =
      readers.ReadMatrix(detected, ReadCapacity(session.Table, session.AppendMode != 0));
  const int firstRow = session.AppendMode ? session.Table.XYZRows() + 1 : 1;
  if (!StoreHeldRead(session, shown, read, kind)) return NotStoredCount(read);
  // A matrix has no titles: the source's name becomes the title, the names stay empty.
  read.titles = TDataTitles{};
  return AcceptRead(session, read, firstRow, shown, false);
}

int EvEditorData(TDataSession& session, std::string_view text) { return EvEditorData(session, text, Owner()); }

int EvEditorData(TDataSession& session, std::string_view text, platform::Window owner) {
  // Held, not stopped: text the table does not take leaves it and its fits as they were.
  HoldBackgroundFit();
  const std::filesystem::path dir = PrivateTempDir();
  if (dir.empty()) {
    ResumeBackgroundFit();
    return 0;
  }
  const std::string file = (dir / kEditorFileName).string();
  const TWholeFileReader& reader = ImportReaders().Read[kImportKindAsciiXYZ];
  if (!reader || !SaveGlobalToFile(TextFileBytes(text), file)) {
    ResumeBackgroundFit();
    return 0;
  }
  TReadArgs args;
  args.path = file;
  const TReadResult read = reader(args);
  // The temporary copy has served its purpose; one that cannot be removed harms nothing.
  (void)DeleteFileOem(file);
  // The editor's text is kept in the editor; the table keeps the data it held.
  if (RefuseRead(owner, std::string(platform::LoadString(3086)), read, kImportKindAsciiXYZ, session.Table, false)) {
    ResumeBackgroundFit();
    return std::max(read.Count(), 0);
  }
  if (!CommitReadResult(session.Table, read, false)) {
    ResumeBackgroundFit();
    ErrorBoxIds(owner, 3086, 3448);
    return 0;
  }
  VoidFitResults(session);
  session.DataTitles() = read.titles;
  session.DataTitles().cut = 0;
  // The temporary copy is gone: a table that came from no file names no source.
  session.DataFileLabel = FileNameToCodedText(session.DataFileName);
  session.Table.SetXYZRows(PointCount(session.Table.XYZData()));
  SetHaveData(1);
  // The text's lines past the table's room, and those that are no points, are told as a
  // file's are: they were left out without a word.
  ReportReadLosses(std::string(platform::LoadString(3086)), read, owner);
  PrescanData(session, owner);
  return read.Count();
}

int SaveDataAs(TDataSession& session, const std::string& path) { return SaveDataAs(session, path, Owner()); }

int SaveDataAs(TDataSession& session, const std::string& path, platform::Window owner) {
  bool written = false;
  errno = 0;  // a failed save's system call leaves its reason here (SaveGlobalToFile)
  try {
    switch (SaveFormatByExt(path)) {
      case kSaveFormatText:
        written = WriteDataText(session, path) >= 0;
        break;
      case kSaveFormatWk1:
      case kSaveFormatWk3: {
        const int form = SaveFormatByExt(path) == kSaveFormatWk1 ? 1 : 3;
        if (!WorksheetSaveAgreed(owner, session, path, form)) return 0;
        written = WriteDataWorksheet(session, path, form);
        break;
      }
      case kSaveFormatSav: {
        if (!ImportReaders().WriteSav) break;
        const TSavWriteResult sav = ImportReaders().WriteSav(session, path);
        if (sav.status == SavWriteStatus::kValueNotHeld) {
          ErrorBox(owner, path, SavRefusalText(sav));
          return 0;
        }
        written = sav.status == SavWriteStatus::kWritten;
        // A .sav file keeps points only: those holding a missing value are not in it.
        if (written && sav.casesWritten < sav.tableRows) {
          const int left = sav.tableRows - sav.casesWritten;
          InfoBox(owner, path,
                  CFormat("%d Point%s Holding a Missing Value %s Left Out of the File", left, left == 1 ? "" : "s",
                          left == 1 ? "Was" : "Were"));
        }
        break;
      }
      default: {  // WordStar and rich text are no data formats: say so, not only that it failed
        const std::size_t dot = path.find_last_of('.');
        ErrorBox(owner, path,
                 std::string(platform::LoadString(3082)) + "\nA Data Table Is Not Written as a " + path.substr(dot) +
                     " File: Choose prn, dat, txt, wk1, wk3 or sav");
        return 0;
      }
    }
  } catch (const std::bad_alloc&) {
    ErrorBoxIds(owner, 3082, 3448);
    return 0;
  }
  if (!written) {
    const int reason = errno;
    std::string text = SaveFailureText(path, 3082);
    // "Unable to Save XYZ Data" alone leaves the user guessing: the system's reason goes
    // with it (a text of its own, such as a write-protected file, says enough).
    if (text == platform::LoadString(3082) && reason != 0)
      text += "\n" + FileNameToCodedText(std::system_category().message(reason));
    ErrorBox(owner, path, text);
    return 0;
  }
  AddRecentFile(path);
  MarkDataSaved(session);
  session.DataFileLabel = FileNameToCodedText(path);
  return 1;
}

void AddRecentFile(const std::string& path) {
  auto& recent = CurrentSettings().recentFiles;
  const auto it = std::find(recent.begin(), recent.end(), path);
  if (it == recent.begin()) return;
  if (it != recent.end())
    std::rotate(recent.begin(), it, it + 1);
  else {
    std::rotate(recent.rbegin(), recent.rbegin() + 1, recent.rend());
    recent[0] = path;
  }
  if (DataFileHooks().RecentFilesChanged) DataFileHooks().RecentFilesChanged();
}

TXYPairs ReadXYColumns(TDataSession& session, platform::Window owner, std::string_view title, int& cancelled,
                       TPairsLeftOut* leftOut) {
  cancelled = 0;
  if (leftOut) *leftOut = {};
  std::string& lastExt = CurrentSettings().LastExtensions[2];
  std::string path, ext;
  if (FileOpenDlg(owner, title, path, &ext, "PRN", kDataImportFilter, ImportFilterIndex(lastExt)) != 1) {
    cancelled = 1;
    return {};
  }
  lastExt = ext;
  TImportReaders& readers = ImportReaders();
  const int kind = readers.Detect ? readers.Detect(path) : 0;
  if (kind == -1) ErrorBox(owner, platform::LoadString(3003), path);
  if (kind == 1 || kind == 16) ErrorBox(owner, platform::LoadString(3449), path);
  if (kind < 1 || kind == 1 || kind == 16 || kind > kImportKindCount || !readers.ChooseXYColumns ||
      RefuseMalformedColumns(owner, path, path, kind) || readers.ChooseXYColumns(owner, path, kind, session.ImportColumns) != 1) {
    cancelled = 1;
    return {};
  }
  const auto& readPairs = readers.ReadColumnPairs[static_cast<std::size_t>(kind)];
  if (!readPairs) return {};
  ShowBusyMsg(owner, path, platform::LoadString(3069), 1);
  const TImportColumns& c = session.ImportColumns;
  // X and Y paired by row, only where both hold a number (the dialog keeps them on one
  // sheet): a row with an empty, text or missing cell would otherwise pair the values of
  // different rows or hand the missing value on as an input.
  const int columns[] = {c.ImportColX, c.ImportColY};
  const TPairedColumns xy = readPairs(path, c.ImportSheetX, columns);
  HideBusyMsg();
  if (xy.size() != 2 || xy[0].empty() || xy[0][0] < 1) return {};
  if (leftOut) *leftOut = {xy.rowsLeftOut, xy.moreLeftOut};
  const std::size_t n = static_cast<std::size_t>(xy[0][0]);
  TXYPairs pairs(n + 1);
  pairs[0] = {static_cast<long double>(n), static_cast<long double>(n)};
  for (std::size_t i = 1; i <= n; ++i) pairs[i] = {xy[0][i], xy[1][i]};
  return pairs;
}
