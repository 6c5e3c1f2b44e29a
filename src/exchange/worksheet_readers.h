// Readers of the Lotus and Quattro worksheet files: import kinds 6 WKS, 7 WK4, 8 WK1, 10 WKQ
// and 12 WK3 (ReadWorksheet), 11 WQ1 (ReadQuattroWQ1) and 9 WB1 (ReadQuattroWB1), with their
// column listers and one-column readers, and the matrix read of a WK1 or WK3 sheet for the
// clipboard-matrix import.
//
// Columns and sheets are numbered from 0. Listers answer the number of columns listed (at
// least 2, else 0), -1 when the file holds no cell and -2 when it cannot be opened.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/import_readers.h"

// Reads the args.sheet of a WKS/WK1/WKQ/WK3/WK4 file row by row; the title and names come
// from the sheet's labels. Malformed when the file holds no cell.
[[nodiscard]] TReadResult ReadWorksheet(const TReadArgs& args);
// Reads a WQ1 file (cells stored column by column), joining the chosen columns row by row;
// the names are the first labels of the X, Y and Z columns.
[[nodiscard]] TReadResult ReadQuattroWQ1(const TReadArgs& args);
// Reads a sheet of a WB1 notebook: each chosen column by row, then stored row by row; a
// negative weight marks its row inactive.
[[nodiscard]] TReadResult ReadQuattroWB1(const TReadArgs& args);

// The matrix read: x from the numbers of row 0 (columns 1 to 230), y from column 0 of each
// later row, z from the cells between; at most `capacity` points, every point active with
// weight 1. A cell whose column has no x, or whose row has no y, gives no point.
[[nodiscard]] TReadResult ReadWorksheetMatrix(const std::string& path, int capacity);

// The columns of a file of kind 6, 7, 8, 10, 11 or 12 (sheet form "A!B :" for 7 and 12).
int ListWorksheetColumns(const std::string& path, std::vector<std::string>& list, int kind);
int ListWB1Columns(const std::string& path, std::vector<std::string>& list);

// One column's numbers: of a Lotus sheet in file order; of a WQ1 or WB1 column from its
// first cell to the first cell of another column. Empty when the file cannot be read.
TColumnArray ReadWorksheetColumn(const std::string& path, int sheet, int column);
TColumnArray ReadQuattroWQ1Column(const std::string& path, int column);
TColumnArray ReadQuattroWB1Column(const std::string& path, int sheet, int column);

// The chosen columns paired by row as the kind's whole-file reader pairs them (the rows in
// which every one of them holds a number, one array per column, element 0 the count);
// empty when the file cannot be read.
TPairedColumns ReadWorksheetColumnPairs(const std::string& path, int sheet, std::span<const int> columns);
TPairedColumns ReadQuattroWQ1ColumnPairs(const std::string& path, std::span<const int> columns);
TPairedColumns ReadQuattroWB1ColumnPairs(const std::string& path, int sheet, std::span<const int> columns);
