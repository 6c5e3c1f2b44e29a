#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <map>
#include <tuple>

#include "exchange/export/ascii_export.h"
#include "exchange/export/export_tables.h"
#include "exchange/export/mv5_export.h"
#include "exchange/export_fixture.h"
#include "support/decimal_ranges.h"
#include "support/german_locale.h"

namespace {

constexpr long double kInf = std::numeric_limits<long double>::infinity();

struct AxisCase {
  TExportRange range;
  std::vector<long double> values;
};

TEST(ExportGrid, AxisValuesPinTheEndAndCountWholeQuotients) {
  GermanLocale german;
  const TAxisCap cap = ExportAxisCap(0, false);
  const AxisCase cases[] = {
      {{0, 0.3L, 1}, {0, 0.3L, 0.6L, 1}},
      {{0, 0.4L, 1}, {0, 0.4L, 1}},
      {{0, 0.1L, 0.2L}, {0, 0.1L, 0.2L}},       // 0.2 / 0.1 is a hair below 2
      {{1, 1, 0.5L}, {0.5L}},                   // q = -0.5: one value, the end
      {{1, 1, -1.5L}, {}},                      // q = -2.5: none
      {{1, 1, -100}, {}},                       // q far below -2 never turns the count positive
      {{0, 1, std::nanl("")}, {std::nanl("")}}, // NaN quotient: one value
  };
  for (const AxisCase& c : cases) {
    const std::vector<long double> got = ExportAxisValues(c.range, cap);
    ASSERT_EQ(got.size(), c.values.size()) << static_cast<double>(c.range.end);
    for (std::size_t i = 0; i < got.size(); ++i) {
      if (std::isnan(c.values[i]))
        EXPECT_TRUE(std::isnan(got[i]));
      else
        EXPECT_EQ(got[i], c.values[i]) << i;
    }
  }
}

// Export grids over the decimal ranges counting up whose ends lie a whole number of steps
// from the start or a real fraction of a step off it (support/decimal_ranges.h): trunc of
// the quotient plus one values, the quotient taken as whole only within the rounding of the
// range's numbers, the last value the end. A fixed allowance of 1e-9 of the quotient gave 0
// to 0.999999999 by 0.001 1001 columns.
TEST(ExportGrid, EndsARealFractionOfAStepOffKeepTheirFraction) {
  namespace dr = decimal_ranges;
  int left = 0, counted = 0, wrong = 0;
  const TAxisCap cap = ExportAxisCap(3, true);
  for (const dr::TRange& c : dr::Ranges(dr::FullGrid(), left)) {
    if (c.step[0] == '-') continue;
    const TExportRange range{std::strtold(c.start.c_str(), nullptr), std::strtold(c.step.c_str(), nullptr),
                             std::strtold(c.end.c_str(), nullptr)};
    const std::vector<long double> values = ExportAxisValues(range, cap);
    ++counted;
    if ((static_cast<long long>(values.size()) != c.count || values.back() != range.end) && ++wrong <= 10)
      ADD_FAILURE() << c.start << " to " << c.end << " by " << c.step << ": " << values.size() << " values for "
                    << c.count;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(counted, 5187);
  EXPECT_EQ(ExportAxisCount({0, 0.001L, 0.999999999L}, ExportAxisCap(0, false)), 1000);
}

TEST(ExportGrid, InfiniteQuotientsTakeTheCapOrNothing) {
  EXPECT_EQ(ExportAxisCount({0, 0, 1}, ExportAxisCap(0, false)), 16383);
  EXPECT_EQ(ExportAxisCount({0, 0, 1}, ExportAxisCap(1, false)), 16384);
  EXPECT_EQ(ExportAxisCount({0, 0, 1}, ExportAxisCap(3, false)), 229);
  EXPECT_EQ(ExportAxisCount({0, 0, 1}, ExportAxisCap(3, true)), 16383);
  EXPECT_EQ(ExportAxisCount({1, 0, 0}, ExportAxisCap(0, false)), 0);  // -inf
  EXPECT_EQ(ExportAxisCount({0, -kInf, 1}, ExportAxisCap(0, false)), 1);  // q = -0: one value
  // The matrix of a grid with X quotient 500 has 229 columns, the last one X end.
  const std::vector<long double> xs = ExportAxisValues({0, 1, 500}, ExportAxisCap(3, false));
  ASSERT_EQ(xs.size(), 229u);
  EXPECT_EQ(xs.back(), 500);
  EXPECT_EQ(xs[227], 227);
}

TEST(ExportGrid, PointCountsAreCappedByKind) {
  EXPECT_EQ(MakeExportGrid({0, Steps(200), Steps(200)}).pointCount, 16382u);
  EXPECT_EQ(MakeExportGrid({1, Steps(200), Steps(200)}).pointCount, 16383u);
  EXPECT_EQ(MakeExportGrid({3, Steps(200), Steps(200)}).pointCount, 40000u);
  EXPECT_EQ(MakeExportGrid({0, Steps(3), Steps(4)}).pointCount, 12u);
}

TEST(ExportTitles, LevelNamesTheLimitColumns) {
  GermanLocale german;
  EXPECT_EQ(ConfidenceTitle(1), "95.00% Conf Lim");
  EXPECT_EQ(PredictionTitle(1), "95.00% Pred Lim");
  EXPECT_EQ(ConfidenceTitle(4), "99.99% Conf Lim");
  EXPECT_EQ(PredictionTitle(0), "90.00% Pred Lim");
  EXPECT_EQ(InactivePointLabel(7), "   7*");
  EXPECT_EQ(ExportParameterLetter(0), "a");
  EXPECT_EQ(ExportParameterLetter(21), "v");
  EXPECT_EQ(ExportParameterLetter(22), "aa");
  EXPECT_EQ(ExportParameterLetter(23), "ab");
  EXPECT_EQ(ExportParameterLetter(65), "bv");
}

TEST(ExportEvaluation, LimitsAreLeftOutOnTheirOwn) {
  TPlaneExport plane;
  TReviewCallbacks review = plane.review;
  review.ReviewPredictionLimit = [](long double, long double, long double) { return ExprErrorValue; };
  TExportPoint p = EvaluateExportPoint(review, 1, 1);
  EXPECT_TRUE(p.valid);
  EXPECT_EQ(p.z, 6);
  EXPECT_TRUE(p.hasConfidence);
  EXPECT_EQ(p.confidenceLow, 5.75L);
  EXPECT_FALSE(p.hasPrediction);
  bool fault = false;
  review.TakeMathError = [&fault] { return std::exchange(fault, false); };
  review.ReviewEvalZ = [&fault](long double, long double) { fault = true; return 1.0L; };
  EXPECT_FALSE(EvaluateExportPoint(review, 1, 1).valid);
  review.ReviewEvalZ = [](long double, long double) { return ExprErrorValue; };
  EXPECT_FALSE(EvaluateExportPoint(review, 1, 1).valid);
}

// Collects cells by (column, row).
struct CellMap : TExportCellSink {
  struct Cell {
    bool label;
    long double value;
    std::string text;
    bool right;
  };
  std::map<std::pair<int, int>, Cell> cells;
  std::vector<std::pair<int, int>> order;
  void Number(int c, int r, long double v) override { cells[{c, r}] = {false, v, {}, false}, order.push_back({c, r}); }
  void Label(int c, int r, std::string_view t, bool right) override {
    cells[{c, r}] = {true, 0, std::string(t), right}, order.push_back({c, r});
  }
  int MaxRow() const {
    int m = -1;
    for (auto& [k, v] : cells) m = std::max(m, k.second);
    return m;
  }
};

TEST(ExportCells, FullWorksheetBlocksAndRowsAfterTheGridLoop) {
  GermanLocale german;
  TPlaneExport plane(20);
  plane.points[6].Status = '*';
  plane.SetGrid(0, Steps(3), Steps(4));
  const TExportGrid grid = MakeExportGrid(plane.request);
  CellMap map;
  const TExportOutcome out = WriteExportCells(plane.Input(), grid, ExportGridRules::kLotusExcel, 16383, map);
  EXPECT_EQ(out.result, 14);  // rows 2-13 by the grid loop, then 14-22
  EXPECT_EQ(ExportTableLayout(plane.Input(), grid, 16383).lastRow, 21);
  EXPECT_EQ(out.lastRowWritten, 21);
  EXPECT_EQ(map.cells.at({9, 8}).text, "   7*");
  EXPECT_TRUE(map.cells.at({9, 8}).right);
  EXPECT_EQ(map.cells.at({9, 1}).text, "XYZ #");
  EXPECT_EQ(map.cells.at({16, 1}).text, "95.00% Conf Lim");
  EXPECT_EQ(map.cells.at({27, 1}).text, "95.00% Pred Lim");
  EXPECT_EQ(map.cells.at({0, 0}).text, "Plane data");
  EXPECT_EQ(map.cells.at({3, 0}).text, "z=a+bx+cy");
  EXPECT_EQ(map.cells.at({1, 3}).value, 1);  // equation number
  // Parameter b has no standard error: only its letter and value.
  EXPECT_EQ(map.cells.at({2, 3}).text, "b");
  EXPECT_EQ(map.cells.count({4, 3}), 0u);
  EXPECT_EQ(map.cells.at({5, 2}).value, 8);            // 1 / 0.125
  EXPECT_EQ(map.cells.at({6, 4}).value, 3 - 2 * 0.5L);  // value - t SE
  // Observed point 1 at row 2: Z = 1 exactly, residual 0.
  EXPECT_EQ(map.cells.at({14, 2}).value, 0);
  EXPECT_EQ(map.cells.at({15, 2}).value, 0);
  EXPECT_EQ(map.cells.at({19, 21}).value, plane.points[19].Z + TPlaneExport::kPrediction);
  // The grid: X-major, x and y in columns 21 and 22 from row 2.
  EXPECT_EQ(map.cells.at({21, 13}).value, 2);
  EXPECT_EQ(map.cells.at({22, 13}).value, 3);
  EXPECT_EQ(map.cells.at({23, 13}).value, 14);
  EXPECT_EQ(map.cells.count({21, 14}), 0u);
  // Row order: no cell of a row comes before a cell of an earlier row.
  for (std::size_t i = 1; i < map.order.size(); ++i)
    ASSERT_LE(map.order[i - 1].second, map.order[i].second);
}

TEST(ExportCells, SmallSheetsKeepTheirSummaryAndParameterRows) {
  TPlaneExport plane(5);
  plane.SetGrid(0, Steps(2), Steps(2));
  const TExportGrid grid = MakeExportGrid(plane.request);
  // The table's own figure: max(5, 4) + 2 = 7 rows ...
  EXPECT_EQ(std::max<std::size_t>(plane.points.size(), grid.pointCount) + 2, 7u);
  // ... but the summary reaches row 9, and the extent and the cells cover it.
  EXPECT_EQ(ExportTableLayout(plane.Input(), grid, 16383).lastRow, 9);
  CellMap map;
  (void)WriteExportCells(plane.Input(), grid, ExportGridRules::kLotusExcel, 16383, map);
  EXPECT_EQ(map.cells.at({0, 9}).text, "Time");
  EXPECT_EQ(map.cells.at({1, 9}).text, "2:40:00 AM");
  EXPECT_EQ(map.MaxRow(), 9);
}

TEST(ExportCells, InvalidGridPointsFollowTheFormatsRule) {
  TPlaneExport plane(1);
  plane.review.ReviewEvalZ = [](long double x, long double y) { return x == 1 ? ExprErrorValue : x + y; };
  plane.SetGrid(0, Steps(2), Steps(3));
  const TExportGrid grid = MakeExportGrid(plane.request);
  CellMap lotus, quattro;
  (void)WriteExportCells(plane.Input(), grid, ExportGridRules::kLotusExcel, 16383, lotus);
  (void)WriteExportCells(plane.Input(), grid, ExportGridRules::kQuattroPro, 16383, quattro);
  for (int row = 5; row <= 7; ++row) {
    EXPECT_EQ(lotus.cells.count({21, row}), 0u);
    EXPECT_EQ(quattro.cells.at({22, row}).value, row - 5);
    EXPECT_EQ(quattro.cells.count({23, row}), 0u);
  }
}

TEST(ExportCells, RowsPastTheFormatsLastRowAreCutAndCounted) {
  TPlaneExport plane(10);
  plane.SetGrid(1, Steps(100), Steps(100));  // 10000 points, capped at 16383: all fit
  const TExportGrid grid = MakeExportGrid(plane.request);
  CellMap map;
  const TExportOutcome out = WriteExportCells(plane.Input(), grid, ExportGridRules::kLotusExcel, 8191, map);
  EXPECT_EQ(out.result, 10001);
  EXPECT_EQ(out.lastRowWritten, 8191);
  EXPECT_EQ(out.rowsCut, 10000 - 8191);
  EXPECT_EQ(ExportTableLayout(plane.Input(), grid, 8191).lastRow, 8191);
}

TEST(ExportCells, GeneratedTablesCompleteTheXValueInProgress) {
  // 16384 x 2 points in kind 1: the X value starting at row 16383 is written whole.
  TPlaneExport plane(0);
  plane.SetGrid(1, {0, 0, 1}, Steps(2));
  const TExportGrid grid = MakeExportGrid(plane.request);
  ASSERT_EQ(grid.xs.size(), 16384u);
  CellMap map;
  const TExportOutcome out = WriteExportCells(plane.Input(), grid, ExportGridRules::kLotusExcel, 65535, map);
  EXPECT_EQ(out.lastRowWritten, 16384);
  EXPECT_EQ(out.result, 16385);
  EXPECT_EQ(ExportTableLayout(plane.Input(), grid, 65535).lastRow, 16383);
}

// The Quattro Pro run begins no X value past row 16382 in any kind and always completes the
// one in progress; the Lotus and Excel run cuts that one's grid cells after row 16384.
TEST(ExportCells, QuattroProRunsCompleteTheXValueInProgress) {
  struct Case {
    int kind, nx, ny;
    ExportGridRules rules;
    int gridCells, lastGridRow;
  };
  const Case cases[] = {
      {1, 16384, 2, ExportGridRules::kLotusExcel, 16384, 16384},  // X values from rows 1, 3, ..., 16383
      {1, 16384, 2, ExportGridRules::kQuattroPro, 16382, 16382},  // ... to row 16381
      {2, 3, 16384, ExportGridRules::kQuattroPro, 16384, 16384},  // the first X value fills rows 1-16384
      {0, 3, 8192, ExportGridRules::kLotusExcel, 16383, 16384},   // X values from rows 2 and 8194
      {0, 3, 8192, ExportGridRules::kQuattroPro, 16384, 16385},
  };
  for (const Case& c : cases) {
    TPlaneExport plane(0);
    plane.SetGrid(c.kind, Steps(c.nx), Steps(c.ny));
    const TExportGrid grid = MakeExportGrid(plane.request);
    CellMap map;
    (void)WriteExportCells(plane.Input(), grid, c.rules, 65535, map);
    const int xColumn = c.kind == 0 ? 21 : 0;
    int cells = 0, last = -1;
    for (const auto& [at, cell] : map.cells)
      if (at.first == xColumn && !cell.label) ++cells, last = std::max(last, at.second);
    EXPECT_EQ(cells, c.gridCells) << c.kind << " " << static_cast<int>(c.rules);
    EXPECT_EQ(last, c.lastGridRow) << c.kind << " " << static_cast<int>(c.rules);
  }
}

}  // namespace

// ---- Grids past a table's room ------------------------------------------------------------

// The grids of a user's report: X 0 .. 10 by 0.05 and Y 0 .. 5 by 0.025 (201 x 201 = 40,401
// points); X 0 .. 5.5 by 0.001 and Y 0 .. 34 by 1 (5,501 x 35 = 192,535 points), whose X
// passes the matrix's 229 columns; and a Y of 100,001 values, past every generated table's
// axis cap, whose last value the table still pins to the end.
const TExportRange kFineX{0, 0.05L, 10}, kFineY{0, 0.025L, 5};
const TExportRange kLongX{0, 0.001L, 5.5L}, kShortY{0, 1, 34};
const TExportRange kThreeX{0, 0.5L, 1}, kLongY{0, 0.001L, 100};

// The grid points a cell map holds (x, y in their first column, one row each), the last one
// in row order, as a reader of the file would find them.
struct TFoundGrid {
  long long points = 0;
  long double lastX = 0, lastY = 0;
};
TFoundGrid FoundGrid(const CellMap& map, int kind) {
  TFoundGrid found;
  if (kind == 3) {
    for (const auto& [at, cell] : map.cells) found.points += at.first >= 1 && at.second >= 1;
    return found;
  }
  const int column = kind == 0 ? 21 : 0, first = kind == 0 ? 2 : 1;
  for (const auto& [at, cell] : map.cells) {
    if (at.first != column || at.second < first) continue;
    ++found.points;
    found.lastX = cell.value;
    found.lastY = map.cells.at({column + 1, at.second}).value;
  }
  return found;
}

// Every worksheet writer in every table kind tells how many points of the grid it left out
// and where its file stops, and the file stops there: the exports stopped at 16,384 points
// without a word, and Excel told only "1 Row ... Left Out".
TEST(ExportGridCut, EveryWorksheetTellsThePointsItLeavesOutAndWhereItStops) {
  GermanLocale german;
  struct TFormat {
    const char* name;
    ExportGridRules rules;
    int maxRow;
  };
  const TFormat formats[] = {{"Lotus", ExportGridRules::kLotusExcel, 65535},
                             {"Excel", ExportGridRules::kLotusExcel, 16383},
                             {"Quattro Pro", ExportGridRules::kQuattroPro, 65535}};
  const struct {
    TExportRange x, y;
  } grids[] = {{kFineX, kFineY}, {kLongX, kShortY}, {kThreeX, kLongY}};
  int told = 0;
  for (const TFormat& f : formats) {
    for (const auto& g : grids) {
      for (int kind = 0; kind <= 3; ++kind) {
        SCOPED_TRACE(testing::Message() << f.name << " kind " << kind << " grid of " << ExportAxisAsked(g.x) << " x "
                                        << ExportAxisAsked(g.y));
        TPlaneExport plane(3);
        plane.SetGrid(kind, g.x, g.y);
        const TExportGrid grid = MakeExportGrid(plane.request);
        CellMap map;
        const TExportOutcome out = WriteExportCells(plane.Input(), grid, f.rules, f.maxRow, map);
        const TFoundGrid found = FoundGrid(map, kind);
        const TGridCut cut = ExportGridCut(plane.request, grid, out.gridPoints);
        EXPECT_EQ(cut.asked, ExportAxisAsked(g.x) * ExportAxisAsked(g.y));
        EXPECT_EQ(cut.written, found.points);
        if (kind != 3) {
          EXPECT_EQ(cut.stopX, found.lastX);
          EXPECT_EQ(cut.stopY, found.lastY);
        }
        const std::string text = WorksheetLossText(plane.request, grid, out, f.maxRow);
        EXPECT_EQ(text.empty(), !cut.Cut()) << text;
        told += !text.empty();
      }
    }
  }
  // The matrix holds the first grid whole; every other table is cut.
  EXPECT_EQ(told, 3 * (3 * 3 + 2));

  // The texts, as the user reads them.
  const auto text = [](ExportGridRules rules, int maxRow, int kind, TExportRange x, TExportRange y) {
    TPlaneExport plane(3);
    plane.SetGrid(kind, x, y);
    const TExportGrid grid = MakeExportGrid(plane.request);
    CellMap map;
    const TExportOutcome out = WriteExportCells(plane.Input(), grid, rules, maxRow, map);
    return WorksheetLossText(plane.request, grid, out, maxRow);
  };
  EXPECT_EQ(text(ExportGridRules::kLotusExcel, 16383, 1, kFineX, kFineY),
            "24,018 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 2.525");
  EXPECT_EQ(text(ExportGridRules::kLotusExcel, 65535, 2, kFineX, kFineY),
            "24,017 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 2.55");
  EXPECT_EQ(text(ExportGridRules::kQuattroPro, 65535, 0, kFineX, kFineY),
            "23,919 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 5");
  EXPECT_EQ(text(ExportGridRules::kLotusExcel, 65535, 1, kLongX, kShortY),
            "176,151 of the Grid's 192,535 Points Were Left Out of the File\nIt Stops at X = 0.468, Y = 3");
  EXPECT_EQ(text(ExportGridRules::kLotusExcel, 16383, 3, kLongX, kShortY),
            "184,520 of the Grid's 192,535 Points Were Left Out of the File\n"
            "Its X Values Run to 0.227, Then Jump to the Range's End, 5.5");
  EXPECT_EQ(text(ExportGridRules::kLotusExcel, 65535, 1, kThreeX, kLongY),
            "283,619 of the Grid's 300,003 Points Were Left Out of the File\nIt Stops at X = 0, Y = 100\n"
            "Its Y Values Run to 16.382, Then Jump to the Range's End, 100");
  // Rows of the data past an Excel sheet are told beside the grid's points.
  TPlaneExport tall(16384);
  tall.SetGrid(0, kFineX, kFineY);
  const TExportGrid grid = MakeExportGrid(tall.request);
  CellMap map;
  const TExportOutcome out = WriteExportCells(tall.Input(), grid, ExportGridRules::kLotusExcel, 16383, map);
  EXPECT_EQ(WorksheetLossText(tall.request, grid, out, 16383),
            "2 Rows Beyond the Worksheet's 16,384 Rows Were Left Out of the File\n"
            "24,019 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 2.5");
  // A grid the table holds is not told.
  EXPECT_EQ(text(ExportGridRules::kLotusExcel, 16383, 1, Steps(100), Steps(100)), "");
}

// The delimited text and the sibling worksheet take their grids by rules of their own: the
// text completes every X it begins and counts only its whole lines, the sibling worksheet
// stops at 16,384 points.
TEST(ExportGridCut, TextAndSiblingWorksheetTellWhereTheyStop) {
  GermanLocale german;
  TPlaneExport plane(3);
  TAsciiExportRequest request;
  request.x = kFineX;
  request.y = kFineY;
  int lines = 0;
  TGridCut cut;
  for (const AsciiLayout layout : {AsciiLayout::kWithLimits, AsciiLayout::kColumns}) {
    request.layout = layout;
    const std::string text = AsciiExportText(request, plane.review, lines, &cut);
    // Lines of the file after its titles: one per point written.
    const long long written = std::count(text.begin(), text.end(), '\n') - 1;
    EXPECT_EQ(cut.written, written);
    EXPECT_EQ(GridCutText(cut), "23,919 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 5");
    const std::size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
    EXPECT_EQ(text.substr(lastLine, 10), "4.05      ");
  }
  request.layout = AsciiLayout::kMatrix;
  request.x = kLongX;
  request.y = kShortY;
  (void)AsciiExportText(request, plane.review, lines, &cut);
  EXPECT_EQ(GridCutText(cut), "184,520 of the Grid's 192,535 Points Were Left Out of the File\n"
                              "Its X Values Run to 0.227, Then Jump to the Range's End, 5.5");
  request.x = kFineX;
  request.y = kFineY;
  (void)AsciiExportText(request, plane.review, lines, &cut);
  EXPECT_EQ(GridCutText(cut), "");

  plane.SetGrid(2, kFineX, kFineY);
  const TExportGrid grid = Mv5ExportGrid(plane.request);
  EXPECT_EQ(grid.pointCount, 16384u);
  EXPECT_EQ(GridCutText(ExportGridCut(plane.request, grid, static_cast<long long>(grid.pointCount))),
            "24,017 of the Grid's 40,401 Points Were Left Out of the File\nIt Stops at X = 4.05, Y = 2.55");
}
