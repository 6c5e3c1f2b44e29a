// Delimited text of the generated tables: XYZ with limits, XYZ in columns, or the Z matrix,
// with blank (fixed-width fields), comma or tab separators. Lines end in LF alone.
#pragma once

#include <filesystem>

#include "exchange/export/export_tables.h"

enum class AsciiDelimiter : int { kBlank = 0, kComma = 1, kTab = 2 };
enum class AsciiLayout : int { kWithLimits = 0, kColumns = 1, kMatrix = 2 };

struct TAsciiExportRequest {
  AsciiDelimiter delimiter = AsciiDelimiter::kBlank;
  AsciiLayout layout = AsciiLayout::kWithLimits;
  int precision = 6;  // significant digits, 3..18
  TExportRange x, y;
};

// The text itself. `lines` receives the line counter of layouts 0 and 1 (1 for the matrix);
// `cut`, when given, what the text holds of the grid the request asks for (ExportGridCut).
std::string AsciiExportText(const TAsciiExportRequest& request, const TReviewCallbacks& review, int& lines,
                            TGridCut* cut = nullptr);
// -1 when the file cannot be written (an existing file is kept); else the line counter.
[[nodiscard]] int AsciiExportTable(const std::filesystem::path& path, const TAsciiExportRequest& request,
                                   const TReviewCallbacks& review, TGridCut* cut = nullptr);
