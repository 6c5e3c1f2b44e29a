// Lotus 1-2-3 worksheet files of the export tables: release 2 (WK1) and release 3 (WK3) on
// the clipboard images' header and trailer templates, cells in row order.
#pragma once

#include <filesystem>

#include "exchange/export/export_tables.h"

// The row field's limit. Release 2 and 3 sheets have 8192 rows, but gnumeric and LibreOffice
// read every row of the tables (up to 16385) from these files, so no row is cut short of it.
inline constexpr int kLotusMaxRow = 65535;
// WK1 labels are cut here (the release 2 cell's text limit).
inline constexpr std::size_t kLotusExportMaxLabel = 240;

// File kind 3 writes WK3, any other WK1. The result is -1 when the file cannot be written
// (an existing file is kept), 0 for a table kind outside 0..3 (nothing written), else the
// table's result.
[[nodiscard]] TExportOutcome LotusExportTable(const std::filesystem::path& path, int fileKind,
                                              const TExportTableInput& in);
