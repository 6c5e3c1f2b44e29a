// Readers of Excel workbooks: plain BIFF files (import kind 13, one sheet, columns by
// letter) and compound-file workbooks (kind 20, a "Book" or "Workbook" stream, columns by
// sheet letter and column letters), with their column listers and one-column readers. The
// compound file is opened read-only and its stream parsed in memory.
//
// Listers answer the number of columns listed (at least 2, else 0), -1 when the file holds
// no worksheet stream or cell, -2 when it cannot be opened.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/import_readers.h"
#include "exchange/sheet_cells.h"

// A plain BIFF file read row by row like a Lotus sheet: cells of one row join into a
// point, a weight that is not above 0 becomes 1, a cell that shows no number (an error, a
// text formula) leaves its row out.
[[nodiscard]] TReadResult ReadExcelBiff(const TReadArgs& args);
int ListExcelColumns(const std::string& path, std::vector<std::string>& list);
TColumnArray ReadExcelColumn(const std::string& path, int column);
// The chosen columns paired by row (the rows in which every one of them holds a number, one
// array per column, element 0 the count); empty when the file cannot be read.
TPairedColumns ReadExcelColumnPairs(const std::string& path, std::span<const int> columns);

// The workbook stream of a compound file ("Book", else "Workbook"); nothing when the file
// is no compound file or holds neither.
std::optional<std::vector<std::uint8_t>> ExtractOleWorkbook(const std::string& path);

// Reads args.sheet of a compound-file workbook: each chosen column by row, then stored row
// by row (a negative weight marks its row inactive, stored as its magnitude).
[[nodiscard]] TReadResult ReadOleExcel(const TReadArgs& args);
int ListOleExcelColumns(const std::string& path, std::vector<std::string>& list);
TColumnArray ReadOleExcelColumn(const std::string& path, int sheet, int column);
TPairedColumns ReadOleExcelColumnPairs(const std::string& path, int sheet, std::span<const int> columns);

// The same over a workbook stream already in memory (a notebook's Excel section).
[[nodiscard]] TReadResult ReadWorkbookStream(const TSheetCells& cells, const TReadArgs& args);
int ListWorkbookColumns(const TSheetCells& cells, std::vector<std::string>& list);
