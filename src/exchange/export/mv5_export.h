// The fit under review written into the sibling product's DOS worksheets (".MV5", the
// record library of exchange/mv5_records.h), in three table kinds:
//
//   0 full worksheet (27 columns)   0, 1   the fit's labels "EQN #", "R2", "ADJR2",
//                                          "STD ERR", "F" and its figures
//                                   2-7    per parameter: letter, value, standard error,
//                                          t = value / error, value -/+ t(level) * error
//                                   9-18   per data point: X, Y, Z, Z predicted, residual,
//                                          % residual, the confidence and prediction pairs
//                                   20-26  per grid point: x, y, z and the two pairs
//                                   (8 and 19 have no block)
//   1 generated information         x, y, z, z -/+ confidence, z -/+ prediction
//   2 generated XYZ only            x, y, z
//
// The data worksheet holds max(points, grid points, parameters, 5) rows; the statistics
// worksheet gives every column its title; item 2 is copied from the template beside the
// program ("QKMV5A.OVL" for kind 0, "QKMV5B.OVL" for the others, made at build time by
// tools/make_mv5_templates). The grid: nx = trunc(min((end - start) / increment, 16383)) + 1
// by the export grid rule (a quotient a hair below a whole number counts as it), the last
// value pinned to the end; points i-major, at most 16384 of them. A value that is missing
// (an inactive point, an evaluation that fails, a standard error of 0 or none) or that a
// double cannot hold (HeldAsDouble: 1e400 would be infinite, 1e-400 zero) is an empty cell;
// the latter are counted.
//
// The file is saved through a temporary file renamed at the end: a failed export leaves an
// existing file as it was.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "exchange/export/export_tables.h"
#include "exchange/mv5_records.h"

inline constexpr const char* kMv5TemplateFull = "QKMV5A.OVL";
inline constexpr const char* kMv5TemplateGenerated = "QKMV5B.OVL";
inline constexpr int kMv5MaxGridPoints = 16384;

enum class Mv5ExportStatus {
  kWritten,                 // data and statistics worksheets and the template's item 2
  kWrittenWithoutTemplate,  // written, but the template was missing or no worksheet: no item 2
  kUnknownKind,             // a table kind outside 0..2: nothing written
  kCannotWrite,             // the file could not be written (an existing file is kept)
};

struct [[nodiscard]] TMv5ExportResult {
  Mv5ExportStatus status = Mv5ExportStatus::kWritten;
  MvCode code = MvCode::kOk;  // of the step that failed (the template's, for kWrittenWithoutTemplate)
  int rows = 0;               // of the data worksheet
  int gridPoints = 0;         // written per grid column
  int valuesNotHeld = 0;      // values a double cannot hold, left as empty cells
};

// Dispatches on in.request->tableKind to the three writers below. `templateDirectory` holds
// the two templates (the program's directory).
TMv5ExportResult ExportFitToMv(const std::filesystem::path& path, const TExportTableInput& in,
                               const std::filesystem::path& templateDirectory);
TMv5ExportResult ExportFitParamsToMv(const std::filesystem::path& path, const TExportTableInput& in,
                                     const std::filesystem::path& templateDirectory);
TMv5ExportResult ExportGenInfoToMv(const std::filesystem::path& path, const TExportTableInput& in,
                                   const std::filesystem::path& templateDirectory);
TMv5ExportResult ExportGridToMv(const std::filesystem::path& path, const TExportTableInput& in,
                                const std::filesystem::path& templateDirectory);

// The grid of the generated surface as the worksheets take it.
TExportGrid Mv5ExportGrid(const TExportRequest& request);

// "95.00% Conf" and "95.00% Pred" for the level 0..4.
std::string Mv5ConfidenceTitle(int level);
std::string Mv5PredictionTitle(int level);

// The header texts of the files and items this program writes.
inline constexpr std::string_view kMv5FileHeaderText{"\x0A\x0DRokvel DOS worksheet, written by Ondravik 3D\x1A"};
inline constexpr std::string_view kMv5ItemHeaderText{"\x0A\x0DRokvel worksheet item\x1A"};
