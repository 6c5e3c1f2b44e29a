// The residuals of the data against the fit under review, as the residual graph saves them
// and as it draws them in its surface mode: r = Z - f(X, Y) of every active point whose
// fitted value is a number, plain, in percent of Z, or in units of the fit's standard
// error.
//
// The saved text holds exactly one line of 79 bytes a point and nothing after the last; a
// worksheet holds exactly the records written, so no file ends in padding.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/sav_write_result.h"
#include "app/xyz_point.h"
#include "graph3d/graph_setup.h"

// The residual graph's modes (the setting ResidualMode).
enum ResidualKind : int {
  kResidualPlain = 0,
  kResidualPercent = 1,
  kResidualStandard = 2,
  kResidualSurface = 3,  // the plain residuals with a surface through them
};

struct TResidualRow {
  long double x = 0, y = 0, r = 0;
  friend bool operator==(const TResidualRow&, const TResidualRow&) = default;
};

// The residual of one point: z - fitted; in percent of z (0 when z is 0); or over the fit's
// standard error `stdError` (0 without one, or when it is 0).
long double ResidualOf(int kind, long double z, long double fitted, const long double* stdError);

// The rows of records 1..N: inactive points, points whose evaluation raises a math error
// (the calling thread's flag is cleared before each) and points whose fitted value is the
// missing value are left out.
std::vector<TResidualRow> ResidualRows(std::span<const TXYZPoint> table, const SurfaceFunction& fit, int kind,
                                       const long double* stdError);

// The points the surface mode draws: the kept points packed from record 1 with Z replaced
// by their plain residual, the header counting them.
PointTable ResidualPointTable(std::span<const TXYZPoint> table, const SurfaceFunction& fit);

// "%25.17Lg %25.17Lg %25.17Lg" and CR LF a row: X, Y and the residual.
std::string ResidualText(std::span<const TResidualRow> rows);
// A worksheet (1 WK1, 3 WK3) of the rows: X, Y and the residual in columns 0-2, row k of the
// sheet for row k.
std::vector<std::uint8_t> ResidualWorksheet(std::span<const TResidualRow> rows, int form);

// Writes the rows in the form the file's extension names (any case): .wk1 and .wk3
// worksheets, .sav a statistics-package file of X, Y and the residual as Z (when the program
// has its writer), anything else text; through a temporary file, so that a failed save
// leaves an existing file as it was. False when the file cannot be written; `savResult`, when
// given, receives the .sav writer's answer (a value that refused the save).
[[nodiscard]] bool WriteResidualFile(const std::string& path, std::span<const TResidualRow> rows,
                                     TSavWriteResult* savResult = nullptr);
