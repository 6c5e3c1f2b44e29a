#include "exchange/worksheet_readers.h"

#include <array>

#include "exchange/lotus_cells.h"
#include "exchange/reader_contract.h"
#include "exchange/sheet_cells.h"

TReadResult ReadWorksheet(const TReadArgs& args) {
  const TLotusFile file = LoadWorksheetCells(args.path, 0);
  if (file.error != TReadError::kNone) return FailedRead(file.error);
  TReadResult result;
  result.titles = SheetTitles(file.cells, args.sheet, args.colX, args.colY, args.colZ, {}, &result.unheldCharacters);
  ReadRowsInFileOrder(file.cells, args, result);
  return result;
}

TReadResult ReadQuattroWQ1(const TReadArgs& args) {
  const TLotusFile file = LoadLotusCells(args.path, TLotusLayout::kWq1);
  if (file.error != TReadError::kNone) return FailedRead(file.error);
  TReadResult result;
  TReadArgs sheet0 = args;
  sheet0.sheet = 0;
  result.titles = SheetTitles(file.cells, 0, args.colX, args.colY, args.colZ, {kAnyRow, false}, &result.unheldCharacters);
  MergeColumnRuns(file.cells, sheet0, result);
  return result;
}

TReadResult ReadQuattroWB1(const TReadArgs& args) {
  const TLotusFile file = LoadLotusCells(args.path, TLotusLayout::kWb1);
  if (file.error != TReadError::kNone) return FailedRead(file.error);
  TReadResult result;
  result.titles = SheetTitles(file.cells, args.sheet, args.colX, args.colY, args.colZ, {kAnyRow, true}, &result.unheldCharacters);
  const auto column = [&](int c) { return ColumnByRow(file.cells, args.sheet, c, true); };
  const TRowArray w = args.colW >= 0 ? column(args.colW) : TRowArray{};
  StoreColumnArrays(column(args.colX), column(args.colY), column(args.colZ),
                    args.colW >= 0 ? &w : nullptr, true, args, TSheetBreak(file.cells, args.sheet, true), result);
  NoteSheetDamage(file.cells, args.sheet, result);
  return result;
}

TReadResult ReadWorksheetMatrix(const std::string& path, int capacity) {
  const TLotusFile file = LoadWorksheetCells(path, 0);
  if (file.error != TReadError::kNone) return FailedRead(file.error);
  TReadResult result;
  TReadArgs args;
  args.path = path;
  args.capacity = capacity;
  // The x of each column, from the numbers of row 0 before the first cell of a later row.
  std::array<long double, kListedColumns> xs;
  xs.fill(kNoCell);
  for (const TSheetCell& c : file.cells.cells) {
    if (c.sheet != 0 || c.row != 0) break;
    if (c.kind == TCellKind::kNumber && c.column >= 1 && c.column < kListedColumns)
      xs[static_cast<std::size_t>(c.column)] = c.value;
  }
  TPointCollector points(args, result);
  int row = -1;
  long double y = kNoCell;
  for (const TSheetCell& c : file.cells.cells) {
    if (c.sheet > 0) break;
    // A cell where a point would be that holds an infinity or NaN, or the missing value, is
    // told.
    if (c.sheet == 0 && c.row != 0 && c.column >= 1 && c.kind == TCellKind::kNotFinite) points.SkipNonFiniteRow();
    if (c.sheet == 0 && c.row != 0 && c.column >= 1 && c.kind == TCellKind::kMissingValue) points.SkipMissingValueRow();
    if (c.sheet < 0 || c.row == 0 || c.kind != TCellKind::kNumber) continue;
    // A row without a y in column 0 takes none from the row above it.
    if (c.row != row) row = c.row, y = kNoCell;
    if (c.column == 0) {
      y = c.value;
    } else if (c.column < kListedColumns && HasCell(xs[static_cast<std::size_t>(c.column)]) && HasCell(y)) {
      (void)points.Add(xs[static_cast<std::size_t>(c.column)], y, c.value, 1);
      if (points.Done()) break;
    }
  }
  if (!points.Done()) NoteSheetDamage(file.cells, 0, result);
  return result;
}

int ListWorksheetColumns(const std::string& path, std::vector<std::string>& list, int kind) {
  list.clear();
  const TLotusFile file = LoadWorksheetCells(path, kind);
  if (file.error != TReadError::kNone) return ListerFailure(file.error);
  return ListSheetColumns(file.cells, {kind == 7 || kind == 12, 6}, list);
}

int ListWB1Columns(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  const TLotusFile file = LoadLotusCells(path, TLotusLayout::kWb1);
  if (file.error != TReadError::kNone) return ListerFailure(file.error);
  return ListSheetColumns(file.cells, {true, 5}, list);
}

TColumnArray ReadWorksheetColumn(const std::string& path, int sheet, int column) {
  const TLotusFile file = LoadWorksheetCells(path, 0);
  if (file.error != TReadError::kNone) return {};
  return SheetColumnValues(file.cells, sheet, column, TColumnScope::kToLaterSheet);
}

TColumnArray ReadQuattroWQ1Column(const std::string& path, int column) {
  const TLotusFile file = LoadLotusCells(path, TLotusLayout::kWq1);
  if (file.error != TReadError::kNone) return {};
  return SheetColumnValues(file.cells, 0, column, TColumnScope::kRun);
}

TColumnArray ReadQuattroWB1Column(const std::string& path, int sheet, int column) {
  const TLotusFile file = LoadLotusCells(path, TLotusLayout::kWb1);
  if (file.error != TReadError::kNone) return {};
  return SheetColumnValues(file.cells, sheet, column, TColumnScope::kRun);
}

TPairedColumns ReadWorksheetColumnPairs(const std::string& path, int sheet, std::span<const int> columns) {
  const TLotusFile file = LoadWorksheetCells(path, 0);
  if (file.error != TReadError::kNone) return {};
  return SheetColumnPairs(file.cells, sheet, columns, false);
}

TPairedColumns ReadQuattroWQ1ColumnPairs(const std::string& path, std::span<const int> columns) {
  const TLotusFile file = LoadLotusCells(path, TLotusLayout::kWq1);
  if (file.error != TReadError::kNone) return {};
  return SheetColumnPairs(file.cells, 0, columns, true);
}

TPairedColumns ReadQuattroWB1ColumnPairs(const std::string& path, int sheet, std::span<const int> columns) {
  const TLotusFile file = LoadLotusCells(path, TLotusLayout::kWb1);
  if (file.error != TReadError::kNone) return {};
  return SheetColumnPairs(file.cells, sheet, columns, true);
}
