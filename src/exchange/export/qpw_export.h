// Quattro Pro for Windows notebook files (WB1, one sheet) of the export tables: a notebook
// header whose record 0x0006 carries the extent and whose page record 0x00CA opens the
// sheet, the cells column by column, and a closing block that ends the page (0x00CB).
#pragma once

#include <filesystem>

#include "app/byte_codec.h"
#include "exchange/export/export_tables.h"

// The row field's limit: gnumeric and LibreOffice read every row of the tables (up to 16385)
// from a notebook page, so no row is cut short of it.
inline constexpr int kQpwMaxRow = 65535;
inline constexpr std::size_t kQpwLastColumnOffset = 20;
inline constexpr std::size_t kQpwLastRowOffset = 22;

void QpwPutHeader(bytes::ByteWriter& out, int rowCount, int columnCount);
void QpwPutNumber(bytes::ByteWriter& out, int column, int row, double value);
// Left-aligned; the body padded to an even length.
void QpwPutLabel(bytes::ByteWriter& out, int column, int row, std::string_view text);
void QpwPutClosing(bytes::ByteWriter& out);

// -1 when the file cannot be written (an existing file is kept), 0 for a table kind outside
// 0..3, else the table's result.
[[nodiscard]] TExportOutcome QpwExportTable(const std::filesystem::path& path, const TExportTableInput& in);
