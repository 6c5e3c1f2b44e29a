#include "exchange/excel_readers.h"

#include "app/file_utils.h"
#include "exchange/biff_cells.h"
#include "exchange/compound_file.h"
#include "exchange/reader_contract.h"

namespace {

struct TBiffFile {
  TReadError error = TReadError::kNone;
  TSheetCells cells;
};

TBiffFile LoadPlainBiff(const std::string& path) {
  TBiffFile file;
  const std::vector<std::uint8_t> bytes = LoadFileToGlobal(path);
  if (bytes.empty())
    file.error = TReadError::kCannotOpen;
  else
    file.cells = DecodeBiffCells(bytes);
  return file;
}

TBiffFile LoadOleWorkbook(const std::string& path) {
  TBiffFile file;
  if (FileSize(path) <= 0) {
    file.error = TReadError::kCannotOpen;
    return file;
  }
  const auto stream = ExtractOleWorkbook(path);
  if (!stream)
    file.error = TReadError::kMalformed;
  else
    file.cells = DecodeBiffCells(*stream);
  return file;
}

}  // namespace

TReadResult ReadExcelBiff(const TReadArgs& args) {
  const TBiffFile file = LoadPlainBiff(args.path);
  if (file.error != TReadError::kNone) return FailedRead(file.error);
  TReadResult result;
  TReadArgs sheet0 = args;
  sheet0.sheet = 0;
  result.titles = SheetTitles(file.cells, 0, args.colX, args.colY, args.colZ, {}, &result.unheldCharacters);
  ReadRowsInFileOrder(file.cells, sheet0, result);
  return result;
}

int ListExcelColumns(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  const TBiffFile file = LoadPlainBiff(path);
  if (file.error != TReadError::kNone) return ListerFailure(file.error);
  return ListSheetColumns(file.cells, {false, 6}, list);
}

TColumnArray ReadExcelColumn(const std::string& path, int column) {
  const TBiffFile file = LoadPlainBiff(path);
  if (file.error != TReadError::kNone) return {};
  return SheetColumnValues(file.cells, 0, column, TColumnScope::kToLaterSheet);
}

TPairedColumns ReadExcelColumnPairs(const std::string& path, std::span<const int> columns) {
  const TBiffFile file = LoadPlainBiff(path);
  if (file.error != TReadError::kNone) return {};
  return SheetColumnPairs(file.cells, 0, columns, false);
}

std::optional<std::vector<std::uint8_t>> ExtractOleWorkbook(const std::string& path) {
  TCompoundFile file;
  if (!file.Open(path)) return std::nullopt;
  for (const char* name : {"Book", "Workbook"}) {
    const int entry = file.FindChild(file.Root(), name);
    if (file.EntryType(entry) == TCompoundFile::kStream) return file.ReadStream(entry);
  }
  return std::nullopt;
}

TReadResult ReadWorkbookStream(const TSheetCells& cells, const TReadArgs& args) {
  TReadResult result;
  result.titles = SheetTitles(cells, args.sheet, args.colX, args.colY, args.colZ, {}, &result.unheldCharacters);
  const auto column = [&](int c) { return ColumnByRow(cells, args.sheet, c, false); };
  const TRowArray w = args.colW >= 0 ? column(args.colW) : TRowArray{};
  StoreColumnArrays(column(args.colX), column(args.colY), column(args.colZ), args.colW >= 0 ? &w : nullptr,
                    true, args, TSheetBreak(cells, args.sheet, false), result);
  NoteSheetDamage(cells, args.sheet, result);
  return result;
}

int ListWorkbookColumns(const TSheetCells& cells, std::vector<std::string>& list) {
  return ListSheetColumns(cells, {true, 6}, list);
}

TReadResult ReadOleExcel(const TReadArgs& args) {
  const TBiffFile file = LoadOleWorkbook(args.path);
  if (file.error != TReadError::kNone) return FailedRead(file.error);
  return ReadWorkbookStream(file.cells, args);
}

int ListOleExcelColumns(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  const TBiffFile file = LoadOleWorkbook(path);
  if (file.error != TReadError::kNone) return ListerFailure(file.error);
  return ListWorkbookColumns(file.cells, list);
}

TColumnArray ReadOleExcelColumn(const std::string& path, int sheet, int column) {
  const TBiffFile file = LoadOleWorkbook(path);
  if (file.error != TReadError::kNone) return {};
  return SheetColumnValues(file.cells, sheet, column, TColumnScope::kToLaterSheet);
}

TPairedColumns ReadOleExcelColumnPairs(const std::string& path, int sheet, std::span<const int> columns) {
  const TBiffFile file = LoadOleWorkbook(path);
  if (file.error != TReadError::kNone) return {};
  return SheetColumnPairs(file.cells, sheet, columns, false);
}
