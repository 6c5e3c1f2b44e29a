// The tables every surface-fit export writes (worksheets and delimited text):
//   1. the request: table kind and the generated X and Y ranges;
//   2. the generated grid: counts by the quotient rule with the kind's caps, the last grid
//      line pinned to the end value;
//   3. point evaluation: z, then the confidence and prediction pairs, each left out on its
//      own when it cannot be evaluated;
//   4. the cells of the four kinds, handed in row order to a cell sink, with the row limit
//      of the file format applied and the rows cut off reported.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/grid_cut.h"
#include "app/xyz_point.h"
#include "exchange/export/review_callbacks.h"

enum class ExportTableKind : int {
  kFullWorksheet = 0,
  kGeneratedInformation = 1,
  kGeneratedColumns = 2,
  kGeneratedMatrix = 3,
};

struct TExportRange {
  long double start = 0, increment = 0, end = 0;
};

struct TExportRequest {
  int tableKind = 0;  // 0..3; any other value writes nothing
  TExportRange x, y;
};

// The fit under review as the tables show it (the caller has made the reviewed rank current).
struct TExportFit {
  std::string dataTitle;
  std::string equationText;  // plain text, without display codes
  std::string date, time;
  int equationNumber = 0;
  std::span<const long double> parameters;      // 0..m
  std::span<const long double> standardErrors;  // 0..m; the missing value when not computed
  long double tValue = 0;                       // t of the level in force
  // The missing value for a statistic that cannot be formed (ShownStatistics).
  long double r2 = 0, adjustedR2 = 0, fitStdError = 0, f = 0;
};

// ---- grid --------------------------------------------------------------------------------

// Quotient limit and cap of one axis of a table kind.
struct TAxisCap {
  long double limit;
  long double cap;
};
TAxisCap ExportAxisCap(int tableKind, bool yAxis);
// The largest grid point count G of a kind (0 when the count is not capped).
std::size_t ExportPointCap(int tableKind);

// Number of values of an axis: trunc(q) + 1 for the quotient q = (end - start) / increment,
// q capped. Never negative; a NaN quotient gives one value (the end), -inf none. A quotient
// within the rounding of the range's own numbers of a whole number counts as that number
// (StepQuotientRounding, numerics/stepped_range.h), so that 0 to 0.2 by 0.1 keeps its last
// step although 0.2 / 0.1 is a hair below 2 in binary.
long long ExportAxisCount(const TExportRange& range, TAxisCap cap);
// The values: start + i * increment, the last one the end value exactly.
std::vector<long double> ExportAxisValues(const TExportRange& range, TAxisCap cap);
// The number of values the range asks for, by the same rule without a cap (infinite for an
// increment of 0 across a range).
long double ExportAxisAsked(const TExportRange& range);

struct TExportGrid {
  std::vector<long double> xs, ys;
  std::size_t pointCount = 0;  // G: nx * ny, capped for kinds 0-2
};
TExportGrid MakeExportGrid(const TExportRequest& request);

// ---- evaluation --------------------------------------------------------------------------

struct TExportPoint {
  bool valid = false;
  long double z = 0;
  bool hasConfidence = false, hasPrediction = false;
  long double confidenceLow = 0, confidenceHigh = 0;
  long double predictionLow = 0, predictionHigh = 0;
};
// z at (x, y) with its limits. `withLimits` false skips the two half-width calls.
TExportPoint EvaluateExportPoint(const TReviewCallbacks& review, long double x, long double y,
                                 bool withLimits = true);

// Whether the user stopped this thread's evaluations of the surface (a Cancel while a user
// function took long): a writer then leaves its file as it was, rather than write values of
// evaluations that gave up.
bool ExportEvaluationsStopped();

// "90.00", "95.00", "99.00", "99.90" or "99.99" for the level 0..4 (clamped).
std::string ExportLevelText(int level);
// "95.00% Conf Lim" and "95.00% Pred Lim" for the level 0..4.
std::string ConfidenceTitle(int level);
std::string PredictionTitle(int level);
// The label of parameter k: 'a' + k up to 'v', then "aa", "ab", ...
std::string ExportParameterLetter(int k);
// The point-number label of an inactive point: "%4d*".
std::string InactivePointLabel(int i);

// ---- cells -------------------------------------------------------------------------------

// Receives the cells of a table. Labels carry their alignment (right-aligned titles,
// left-aligned texts) for the formats that keep one. Numbers are values a double holds as
// a normal number (or zero): a value it cannot hold arrives as a right-aligned label of its
// digits, and NaN as no cell (WorksheetCellKind).
class TExportCellSink {
 public:
  virtual ~TExportCellSink() = default;
  virtual void Number(int column, int row, long double value) = 0;
  virtual void Label(int column, int row, std::string_view text, bool rightAligned) = 0;
};

// The extent (last column, last row) a header states, and how the cell pass ended.
struct TExportLayout {
  int lastColumn = 0;
  int lastRow = 0;
};

struct TExportOutcome {
  int result = 0;       // the Parts' result: 1 for the matrix, else the row after the last grid row
  int lastRowWritten = -1;
  int rowsCut = 0;      // rows beyond the format's last row, not written
  // The grid's points the file holds, the first ones in grid order (every point of a matrix):
  // a point whose row was written, also where the surface had no value and left it empty.
  long long gridPoints = 0;
  // Rows beyond the format's last row that held cells of the fit, its parameters or the
  // observed data (the grid's are told by its points).
  int blockRowsCut = 0;
};

// How a format's writer runs the generated grid. A new X value begins only while its first
// row is at most the stop row; the formats differ in that row, in what happens to the X
// value in progress and to a grid point the surface cannot give:
//   kLotusExcel  stop rows 16382 (full worksheet) and 16383 (kinds 1 and 2); the grid cells
//                of the X value in progress stop at row 16384; a full worksheet leaves an
//                invalid grid point's whole row out.
//   kQuattroPro  stop row 16382 in every kind; the X value in progress is always completed;
//                an invalid grid point keeps its x and y.
enum class ExportGridRules { kLotusExcel, kQuattroPro };

struct TExportTableInput {
  const TExportRequest* request = nullptr;
  const TExportFit* fit = nullptr;
  std::span<const TXYZPoint> points;  // records 1..N of the data table
  const TReviewCallbacks* review = nullptr;
};

// Extent of a table: the Parts' figures, widened in a full worksheet to its summary and
// parameter rows, then held to the format's last row.
TExportLayout ExportTableLayout(const TExportTableInput& in, const TExportGrid& grid, int maxRow);

// What a file holds of the grid `request` asks for, when it holds the first `taken` points of
// `grid` (the grid after the kind's caps) in grid order, or every point of a matrix.
TGridCut ExportGridCut(const TExportRequest& request, const TExportGrid& grid, long long taken);

// What the user hears of a table longer than its format's sheet: "2 Rows Beyond the
// Worksheet's 16,384 Rows Were Left Out of the File" for rows 0..`maxRow` that held the fit's
// or the data's cells; empty when none was cut.
std::string RowsCutText(const TExportOutcome& outcome, int maxRow);
// Those rows, then the grid's points left out and where the file stops (GridCutText); empty
// when the file holds the whole table and the whole grid `request` asks for.
std::string WorksheetLossText(const TExportRequest& request, const TExportGrid& grid, const TExportOutcome& outcome,
                              int maxRow);

// Writes every cell of the table in row order (within a row, left to right); cells below
// `maxRow` are dropped and counted.
TExportOutcome WriteExportCells(const TExportTableInput& in, const TExportGrid& grid,
                                ExportGridRules rules, int maxRow, TExportCellSink& sink);
