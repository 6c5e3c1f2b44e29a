#include "exchange/notebook_readers.h"

#include <cstdint>
#include <optional>

#include "app/file_utils.h"
#include "exchange/biff_cells.h"
#include "exchange/compound_file.h"
#include "exchange/excel_readers.h"
#include "exchange/mvw_reader.h"
#include "exchange/reader_contract.h"

namespace {

constexpr int kExcelSection = 1;

struct TSection {
  TReadError error = TReadError::kNone;
  int kind = 0;
  std::vector<std::uint8_t> stream;
};

TSection LoadSection(const std::string& path) {
  TSection s;
  if (FileSize(path) <= 0) {
    s.error = TReadError::kCannotOpen;
    return s;
  }
  const std::optional<int> kind = FindNotebookSection(path, &s.stream);
  if (!kind)
    s.error = TReadError::kMalformed;
  else
    s.kind = *kind;
  return s;
}

}  // namespace

TReadResult ReadNotebook(const TReadArgs& args) {
  const TSection s = LoadSection(args.path);
  if (s.error != TReadError::kNone) {
    TReadResult result;
    result.error = s.error;
    return result;
  }
  if (s.kind == kExcelSection) return ReadWorkbookStream(DecodeBiffCells(s.stream), args);
  return ReadMvwBytes(s.stream, args);
}

int ListNotebookColumns(const std::string& path, std::vector<std::string>& list) {
  list.clear();
  const TSection s = LoadSection(path);
  if (s.error != TReadError::kNone) return ListerFailure(s.error);
  if (s.kind == kExcelSection) return ListWorkbookColumns(DecodeBiffCells(s.stream), list);
  return ListMvwColumns(s.stream, list);
}

TColumnArray ReadNotebookColumn(const std::string& path, int sheet, int column) {
  const TSection s = LoadSection(path);
  if (s.error != TReadError::kNone) return {};
  if (s.kind == kExcelSection) return SheetColumnValues(DecodeBiffCells(s.stream), sheet, column, TColumnScope::kToLaterSheet);
  return ReadMvwColumnArray(s.stream, column - 1);
}

TPairedColumns ReadNotebookColumnPairs(const std::string& path, int sheet, std::span<const int> columns) {
  const TSection s = LoadSection(path);
  if (s.error != TReadError::kNone) return {};
  if (s.kind == kExcelSection) return SheetColumnPairs(DecodeBiffCells(s.stream), sheet, columns, false);
  return ReadMvwColumnPairs(s.stream, columns);
}
