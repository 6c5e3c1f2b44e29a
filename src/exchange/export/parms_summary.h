// The coefficient summary of the fit under review: optional date, titles, equation and fit
// statistics, then one line per parameter and an empty line, written or appended as a text
// file with CR LF line ends.
#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "exchange/export/export_tables.h"

enum ParmsSummaryFlags : int {
  kParmsDateTimeSource = 1,
  kParmsDataTitles = 2,
  kParmsEquation = 4,
  kParmsStatistics = 8,
  kParmsIdentifiers = 16,
};

struct TParmsSummaryInput {
  std::string date, time, dataSource;
  std::string dataTitle, xName, yName, zName;
  const TExportFit* fit = nullptr;  // equation text, statistics and parameters 0..m
};

// The summary's text, LF line ends.
std::string ParmsSummaryText(const TParmsSummaryInput& in, int flags);
// 1 when written; -1 when the file cannot be written (an existing file is kept whole, also
// when appending).
[[nodiscard]] int ParmsWriteSummary(const std::filesystem::path& path, int flags, bool append,
                                    const TParmsSummaryInput& in);
