// Readers of the sibling plotting product's notebooks (".RNB", compound files): import kind
// 21 when the first section found holds a data worksheet (read as a Windows worksheet,
// mvw_reader.h, from memory) and 22 when it holds an Excel sheet (read as a workbook
// stream, excel_readers.h). The file is opened read-only and nothing is copied.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/import_readers.h"

[[nodiscard]] TReadResult ReadNotebook(const TReadArgs& args);
// "%4d: " entries of a data worksheet, or the sheet form of an Excel sheet; -1 when the
// file cannot be opened or holds no section, else as the section's lister.
int ListNotebookColumns(const std::string& path, std::vector<std::string>& list);
// A data worksheet's 1-based column (sheet unused), or an Excel sheet's column.
TColumnArray ReadNotebookColumn(const std::string& path, int sheet, int column);
// The chosen columns paired by row as ReadNotebook pairs them (one array per column,
// element 0 the count); empty when the file cannot be read.
TPairedColumns ReadNotebookColumnPairs(const std::string& path, int sheet, std::span<const int> columns);
