#include "app/data_files.h"

#include <algorithm>
#include <new>

#include "app/c_format.h"
#include "app/data_file_writers.h"
#include "app/data_statistics.h"
#include "app/data_table.h"
#include "app/file_utils.h"
#include "app/import_readers.h"
#include "app/prescan_hooks.h"
#include "app/private_temp_dir.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "platform/busy_window.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/string_table.h"

std::string DataFileName;
std::string DataFileLabel;
int AppendMode = 0;
int ApplyCalcToNewData = 0;
int ImportFileKind = 0;

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

void ApplyCalculation(int firstRow) {
  if (DataFileHooks().ApplyCalculation) DataFileHooks().ApplyCalculation(firstRow);
}

// "Number of Points Read %d\nMin 4 XYZ Points Required", the path as caption.
void TooFewPoints(const std::string& path, int count) {
  ErrorBox(Owner(), path, CFormat(std::string(platform::LoadString(3063)).c_str(), std::max(count, 0)));
}

// The table as it was before a read, put back when the read fails.
struct TableBackup {
  PointTable copy = DupDataTable();
  int rows = XYZRows();

  void Restore() const {
    if (copy.empty()) return;
    RestoreDataTable(copy);
    // The records the failed read wrote beyond the old table are cleared too (clearing
    // from record 1 would clear the header with them).
    const TXYZPoint header = XYZData()[0];
    ClearPointsFrom(PointCount(copy) + 1);
    XYZData()[0] = header;
    SetXYZRows(rows);
  }
};

// Prepares the table for a reader; returns the first row and sets `cleared`.
int PrepareTable(int& cleared) {
  cleared = 0;
  if (!AppendMode) {
    cleared = XYZRows() > 0 ? 1 : 0;
    SetXYZRows(0);
    std::span<TXYZPoint> data = XYZData();
    if (!data.empty()) data[0].X = data[0].W = 0;
  }
  return XYZRows() + 1;
}

// The driver's steps after a read that stored enough points.
int AcceptRead(int count, int firstRow, const std::string& path, bool convertWeights,
               const TDataTitles& readTitles) {
  VoidFitResults();
  SetHaveData(1);
  std::span<TXYZPoint> data = XYZData();
  SetXYZRows(PointCount(data));
  DataFileLabel = path;
  DataUnsaved = AppendMode;
  if (convertWeights && data[0].W == 1) {
    // Standard deviations become the weights 1 / sd^2 (a zero, which would divide by
    // zero, gives 1).
    for (int i = firstRow; i <= XYZRows(); ++i) {
      TXYZPoint& p = data[static_cast<std::size_t>(i)];
      p.W = p.W != 0 ? 1 / (p.W * p.W) : 1;
    }
    data[0].Marker = '0';
  }
  const bool calculate = ApplyCalcToNewData && CalculationDefined();
  if (calculate && AppendMode) ApplyCalculation(firstRow);
  PrescanData(Owner());
  if (calculate && !AppendMode) ApplyCalculation(1);

  const TDataTitles previous = DataTitles();
  TDataTitles& titles = DataTitles();
  titles = readTitles;
  if (titles.Title.empty()) titles.SetTitle(path);
  if (DataFileHooks().RunTitlesDialog && DataFileHooks().RunTitlesDialog(&previous) == 0) return -1;
  return count;
}

}  // namespace

TDataFileHooks& DataFileHooks() {
  static TDataFileHooks hooks;
  return hooks;
}

void VoidFitResults() {
  if (PrescanHooks().VoidFitResults) PrescanHooks().VoidFitResults();
  if (DataFileHooks().SetHaveFits) DataFileHooks().SetHaveFits(0);
}

int ImportFilterIndex(std::string_view extension) {
  const int kind = ImportKindByExt(extension);
  return kind > 0 ? kind : 1;
}

int ConfirmDiscardData() {
  ApplyCalcToNewData = 0;
  if (CalculationDefined()) {
    const int answer = AskYesNoCancelIds(Owner(), 3005, 3007);
    if (answer == platform::kIdCancel) return 2;
    if (answer == platform::kIdYes) ApplyCalcToNewData = 1;
  }
  if (!AppendMode && DataUnsaved) {
    const int answer = AskYesNoCancelIds(Owner(), 3008, 3009);
    if (answer == platform::kIdCancel) return 2;
    if (answer == platform::kIdYes) {
      if (DataFileHooks().SaveAs) DataFileHooks().SaveAs();
      // The user wanted the data kept: a save he cancelled, or one that failed, must not
      // let the import replace them.
      if (DataUnsaved) return 2;
    } else {
      DataUnsaved = 0;
    }
  }
  return 1;
}

int ImportDataFile(int filtered) {
  const ProgramSettings& settings = CurrentSettings();
  const int filterN = filtered ? settings.FilterStep : 1;
  const int filterStart = filtered ? settings.FilterStart : 1;
  TImportReaders& readers = ImportReaders();

  const int kind = readers.Detect ? readers.Detect(DataFileName) : 0;
  ImportFileKind = kind;
  const std::string path = DataFileName;
  if (kind == -1) {
    ErrorBox(Owner(), platform::LoadString(3003), path);
    return 0;
  }
  if (ImportKindRefused(kind)) {
    ErrorBox(Owner(), path, platform::LoadString(3064));
    return 0;
  }
  const TWholeFileReader& reader = readers.Read[static_cast<std::size_t>(kind)];
  const bool needsColumns = ImportKindNeedsColumns(kind);
  if (!reader || (needsColumns && !readers.ChooseColumns)) {
    // A kind whose reader this program does not have yet: refused, never half-read.
    TooFewPoints(path, 0);
    return 0;
  }
  bool convertWeights = false;
  if (needsColumns) {
    ProgramSettings& s = CurrentSettings();
    if (readers.ChooseColumns(path, kind, s.ImportPreviewOn, s.WeightsAreSD) != 1) return 0;
    convertWeights = s.WeightsAreSD && ImportColW >= 0;
  }

  // The background fit reads the table: it stops before the table changes.
  StopBackgroundFit();
  const TableBackup backup;
  int cleared = 0;
  const int firstRow = PrepareTable(cleared);
  TReadArgs args;
  args.path = path;
  args.firstRow = firstRow;
  args.cleared = cleared;
  args.filterN = filterN;
  args.filterStart = filterStart;
  args.sheet = ImportSheetX;
  args.colX = ImportColX, args.colY = ImportColY, args.colZ = ImportColZ, args.colW = ImportColW;
  TDataTitles titles;
  // "Reading Data..." or "Digitally Filtering Data..." while the reader works.
  ShowBusyMsg(Owner(), path, platform::LoadString(filtered ? 3071 : 3069), 1);
  const int count = reader(args, titles);
  HideBusyMsg();
  if (count < kMinPoints) {
    backup.Restore();
    TooFewPoints(path, count);
    return std::max(count, 0);
  }
  return AcceptRead(count, firstRow, path, convertWeights, titles);
}

int ReadMatrixFile(const std::string& path) {
  TImportReaders& readers = ImportReaders();
  std::string detected = path;
  const int kind = readers.Detect ? readers.Detect(detected) : 0;
  if (kind != kImportKindWK1 && kind != kImportKindWK3) return 0;
  if (!readers.ReadMatrix) {
    TooFewPoints(path, 0);
    return 0;
  }
  StopBackgroundFit();
  const TableBackup backup;
  int cleared = 0;
  const int firstRow = PrepareTable(cleared);
  const int count = readers.ReadMatrix(detected, firstRow, cleared);
  if (count < kMinPoints) {
    backup.Restore();
    TooFewPoints(path, count);
    return std::max(count, 0);
  }
  // A matrix has no titles: the path becomes the title, the names stay empty.
  return AcceptRead(count, firstRow, path, false, TDataTitles{});
}

int EvEditorData(std::string_view text) {
  StopBackgroundFit();
  const std::filesystem::path dir = PrivateTempDir();
  if (dir.empty()) return 0;
  const std::string file = (dir / kEditorFileName).string();
  const TWholeFileReader& reader = ImportReaders().Read[kImportKindAsciiXYZ];
  if (!reader || !SaveGlobalToFile(text, file)) return 0;
  const TableBackup backup;
  SetXYZRows(0);
  TReadArgs args;
  args.path = file;
  TDataTitles titles;
  const int count = reader(args, titles);
  DeleteFileOem(file);
  if (count < kMinPoints) {
    // The editor's text is kept in the editor; the table keeps the data it held.
    backup.Restore();
    TooFewPoints(std::string(platform::LoadString(3086)), count);
    return std::max(count, 0);
  }
  VoidFitResults();
  DataTitles() = titles;
  DataFileLabel = DataFileName.empty() ? file : DataFileName;
  SetXYZRows(PointCount(XYZData()));
  SetHaveData(1);
  PrescanData(Owner());
  return count;
}

int SaveDataAs(const std::string& path) {
  bool written = false;
  try {
    switch (SaveFormatByExt(path)) {
      case kSaveFormatText:
        written = WriteDataText(path) >= 0;
        break;
      case kSaveFormatWk1:
        written = WriteDataWorksheet(path, 1);
        break;
      case kSaveFormatWk3:
        written = WriteDataWorksheet(path, 3);
        break;
      case kSaveFormatSav:
        written = ImportReaders().WriteSav && ImportReaders().WriteSav(path) >= 0;
        break;
      default:  // WordStar and rich text are no data formats
        break;
    }
  } catch (const std::bad_alloc&) {
    ErrorBoxIds(Owner(), 3082, 3448);
    return 0;
  }
  if (!written) {
    ErrorBox(Owner(), path, platform::LoadString(3082));
    return 0;
  }
  AddRecentFile(path);
  DataUnsaved = 0;
  DataFileLabel = path;
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

TXYPairs ReadXYColumns(platform::Window owner, std::string_view title, int& cancelled) {
  cancelled = 0;
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
      readers.ChooseXYColumns(path, kind) != 1) {
    cancelled = 1;
    return {};
  }
  const auto& readColumn = readers.ReadColumn[static_cast<std::size_t>(kind)];
  if (!readColumn) return {};
  ShowBusyMsg(owner, path, platform::LoadString(3069), 1);
  const TColumnArray x = readColumn(path, ImportSheetX, ImportColX);
  const TColumnArray y = readColumn(path, ImportSheetY, ImportColY);
  HideBusyMsg();
  if (x.empty() || y.empty() || x[0] < 1 || y[0] < 1) return {};
  const std::size_t n = static_cast<std::size_t>(std::min(x[0], y[0]));
  TXYPairs pairs(n + 1);
  pairs[0] = {static_cast<long double>(n), static_cast<long double>(n)};
  for (std::size_t i = 1; i <= n; ++i) pairs[i] = {x[i], y[i]};
  return pairs;
}
