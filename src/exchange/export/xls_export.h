// Excel 4.0 worksheet files (BIFF4, one sheet, not a compound file) of the export tables:
// a fixed settings block, DIMENSIONS, NUMBER and LABEL cells in row order (XF 15), and a
// fixed closing block of window, selection and column-width records.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "app/byte_codec.h"
#include "exchange/export/export_tables.h"

// Rows 0..16383 of an Excel 4 sheet; gnumeric drops any row past it.
inline constexpr int kBiff4MaxRow = 16383;
inline constexpr std::size_t kBiff4MaxLabel = 255;
inline constexpr std::size_t kBiff4SettingsSize = 1349;
inline constexpr std::size_t kBiff4ClosingSize = 93;

// BOF, WRITEACCESS, the settings block and DIMENSIONS.
void Biff4PutHeader(bytes::ByteWriter& out, int rowCount, int columnCount);
void Biff4PutNumber(bytes::ByteWriter& out, int column, int row, double value);
// The text cut to 255 characters.
void Biff4PutLabel(bytes::ByteWriter& out, int column, int row, std::string_view text);
void Biff4PutClosing(bytes::ByteWriter& out);
// The settings block alone (for its tests).
const std::vector<std::uint8_t>& Biff4SettingsBlock();

// -1 when the file cannot be written (an existing file is kept), 0 for a table kind outside
// 0..3, else the table's result with the rows cut at row 16383.
[[nodiscard]] TExportOutcome XlsExportTable(const std::filesystem::path& path, const TExportTableInput& in);
