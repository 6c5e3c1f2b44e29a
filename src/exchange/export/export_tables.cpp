#include "exchange/export/export_tables.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/c_format.h"
#include "app/long_double.h"
#include "app/number_format.h"
#include "app/worksheet_records.h"
#include "expr/eval_context.h"
#include "numerics/stepped_range.h"
#include "review/equation_text.h"

namespace {

constexpr const char* kLevelTexts[] = {"90.00", "95.00", "99.00", "99.90", "99.99"};
constexpr const char* kSummaryLabels[] = {"Eqn", "Eqn #", "r2", "DF Adj r2", "Fit Std Err",
                                          "F-stat", "Date", "Time"};
// Rows of the full worksheet's fixed blocks.
constexpr int kFirstSummaryRow = 2;
constexpr int kLastSummaryRow = 9;

int Level(int level) { return std::clamp(level, 0, 4); }

bool IsKind(int kind, ExportTableKind k) { return kind == static_cast<int>(k); }

}  // namespace

TAxisCap ExportAxisCap(int tableKind, bool yAxis) {
  switch (tableKind) {
    case 0: return {16381, 16382};
    case 1:
    case 2: return {16382, 16383};
    case 3: return yAxis ? TAxisCap{16381, 16382} : TAxisCap{228, 228};
    default: return {0, 0};
  }
}

std::size_t ExportPointCap(int tableKind) {
  switch (tableKind) {
    case 0: return 16382;
    case 1:
    case 2: return 16383;
    default: return 0;
  }
}

namespace {

// trunc(q) + 1 for the quotient q of the range, held to `cap` above `limit`.
long double AxisCount(const TExportRange& range, long double limit, long double cap) {
  long double q = (range.end - range.start) / range.increment;
  if (std::isnan(q)) return 1;
  if (q > limit) q = cap;
  if (std::isinf(q)) return q < 0 ? 0 : q;
  const long double whole = WholeWithinRounding(q, StepQuotientRounding(range.start, range.increment, range.end));
  return std::max(std::trunc(whole) + 1, 0.0L);
}

}  // namespace

long long ExportAxisCount(const TExportRange& range, TAxisCap cap) {
  return static_cast<long long>(AxisCount(range, cap.limit, cap.cap));
}

long double ExportAxisAsked(const TExportRange& range) {
  constexpr long double kNoLimit = std::numeric_limits<long double>::infinity();
  return AxisCount(range, kNoLimit, kNoLimit);
}

std::vector<long double> ExportAxisValues(const TExportRange& range, TAxisCap cap) {
  const long long n = ExportAxisCount(range, cap);
  std::vector<long double> values(static_cast<std::size_t>(n));
  for (long long i = 0; i + 1 < n; ++i)
    values[static_cast<std::size_t>(i)] = range.start + static_cast<long double>(i) * range.increment;
  if (n > 0) values.back() = range.end;
  return values;
}

TExportGrid MakeExportGrid(const TExportRequest& request) {
  TExportGrid grid;
  grid.xs = ExportAxisValues(request.x, ExportAxisCap(request.tableKind, false));
  grid.ys = ExportAxisValues(request.y, ExportAxisCap(request.tableKind, true));
  grid.pointCount = grid.xs.size() * grid.ys.size();
  const std::size_t cap = ExportPointCap(request.tableKind);
  if (cap != 0) grid.pointCount = std::min(grid.pointCount, cap);
  return grid;
}

TExportPoint EvaluateExportPoint(const TReviewCallbacks& review, long double x, long double y,
                                 bool withLimits) {
  TExportPoint p;
  if (review.TakeMathError) review.TakeMathError();
  p.z = review.ReviewEvalZ(x, y);
  const bool fault = review.TakeMathError && review.TakeMathError();
  p.valid = p.z != ExprErrorValue && !fault;
  if (!p.valid || !withLimits) return p;
  if (review.ReviewConfidenceLimit) {
    const long double c = review.ReviewConfidenceLimit(x, y, p.z);
    if ((p.hasConfidence = c != ExprErrorValue)) p.confidenceLow = p.z - c, p.confidenceHigh = p.z + c;
  }
  if (review.ReviewPredictionLimit) {
    const long double c = review.ReviewPredictionLimit(x, y, p.z);
    if ((p.hasPrediction = c != ExprErrorValue)) p.predictionLow = p.z - c, p.predictionHigh = p.z + c;
  }
  return p;
}

std::string ExportLevelText(int level) { return kLevelTexts[Level(level)]; }

std::string ConfidenceTitle(int level) { return CFormat("%s%c Conf Lim", kLevelTexts[Level(level)], '%'); }
std::string PredictionTitle(int level) { return CFormat("%s%c Pred Lim", kLevelTexts[Level(level)], '%'); }

std::string ExportParameterLetter(int k) {
  std::string label = ParameterLabel(k);
  if (!label.empty() && label[0] == ' ') label.erase(0, 1);
  return label;
}

std::string InactivePointLabel(int i) { return CFormat("%4d%c", i, '*'); }

namespace {

// Applies the format's last row and counts the rows it cuts off.
class TRowLimitedSink {
 public:
  TRowLimitedSink(TExportCellSink& sink, int maxRow) : sink_(sink), maxRow_(maxRow) {}
  // A value every format's readers show honestly as a number goes in as one; one a double
  // cannot hold goes in as its digits, and NaN leaves the cell empty (WorksheetCellKind).
  void Number(int column, int row, long double value) {
    if (!Keep(row)) return;
    switch (WorksheetCellKind(value)) {
      case WorksheetCell::kNumber: sink_.Number(column, row, value); break;
      case WorksheetCell::kText: sink_.Label(column, row, WorksheetValueText(value), true); break;
      case WorksheetCell::kEmpty: break;
    }
  }
  void Label(int column, int row, std::string_view text, bool right) {
    if (Keep(row)) sink_.Label(column, row, text, right);
  }
  // A missing figure (a statistic that cannot be formed, a missing coordinate) leaves its
  // cell empty: every spreadsheet reads an empty cell as missing, and -12345.6789 as a figure.
  void Figure(int column, int row, long double value) {
    if (!IsMissingValue(value)) Number(column, row, value);
  }
  int LastRowWritten() const { return lastWritten_; }
  int RowsCut() const { return lastSeen_ > maxRow_ ? lastSeen_ - maxRow_ : 0; }
  int BlockRowsCut() const { return lastBlockSeen_ > maxRow_ ? lastBlockSeen_ - maxRow_ : 0; }
  bool Holds(int row) const { return row <= maxRow_; }
  // The cells that follow are the generated grid's (whose points cut off are told apart).
  void GridCells(bool grid) { grid_ = grid; }

 private:
  bool Keep(int row) {
    lastSeen_ = std::max(lastSeen_, row);
    if (!grid_) lastBlockSeen_ = std::max(lastBlockSeen_, row);
    if (row > maxRow_) return false;
    lastWritten_ = std::max(lastWritten_, row);
    return true;
  }
  TExportCellSink& sink_;
  int maxRow_;
  int lastWritten_ = -1;
  int lastSeen_ = -1;
  int lastBlockSeen_ = -1;
  bool grid_ = false;
};

struct TTitles {
  std::string confidence, prediction;
};

// One format's grid run in one table kind (ExportGridRules).
struct TGridRun {
  int stopRow;          // a new X value begins only while its first row is at most this
  int lastCellRow;      // grid cells past this row are dropped
  bool keepInvalidXY;   // a full worksheet's invalid grid point keeps its x and y (kinds 1
                        // and 2 keep them in every format)
};

TGridRun GridRunOf(ExportGridRules rules, bool fullWorksheet) {
  constexpr int kNoCellLimit = std::numeric_limits<int>::max();
  if (rules == ExportGridRules::kQuattroPro) return {16382, kNoCellLimit, true};
  // Lotus and Excel: the grid cells end at row 16384 in every kind; kinds 1 and 2, whose
  // grid starts a row higher, begin an X value one row further down.
  return {fullWorksheet ? 16382 : 16383, 16384, false};
}

struct TGridCellsEnd {
  TRowLimitedSink& out;
  ~TGridCellsEnd() { out.GridCells(false); }
};

void GridPointCells(TRowLimitedSink& out, const TReviewCallbacks& review, int firstColumn, int row,
                    long double x, long double y, bool withLimits, bool keepInvalidXY) {
  out.GridCells(true);
  const TGridCellsEnd end{out};
  const TExportPoint p = EvaluateExportPoint(review, x, y, withLimits);
  if (!p.valid && !keepInvalidXY) return;
  out.Number(firstColumn, row, x);
  out.Number(firstColumn + 1, row, y);
  if (!p.valid) return;
  out.Number(firstColumn + 2, row, p.z);
  if (!withLimits) return;
  if (p.hasConfidence) {
    out.Number(firstColumn + 3, row, p.confidenceLow);
    out.Number(firstColumn + 4, row, p.confidenceHigh);
  }
  if (p.hasPrediction) {
    out.Number(firstColumn + 5, row, p.predictionLow);
    out.Number(firstColumn + 6, row, p.predictionHigh);
  }
}

// The cells of row r of the full worksheet's summary, parameter and observed blocks.
void FixedBlockCells(TRowLimitedSink& out, const TExportTableInput& in, int r) {
  const TExportFit& fit = *in.fit;
  if (r >= kFirstSummaryRow && r <= kLastSummaryRow) {
    const int k = r - kFirstSummaryRow;
    out.Label(0, r, kSummaryLabels[k], false);
    switch (k) {
      case 0: out.Label(1, r, fit.equationText, false); break;
      case 1: out.Number(1, r, fit.equationNumber); break;
      case 2: out.Figure(1, r, fit.r2); break;
      case 3: out.Figure(1, r, fit.adjustedR2); break;
      case 4: out.Figure(1, r, fit.fitStdError); break;
      case 5: out.Figure(1, r, fit.f); break;
      case 6: out.Label(1, r, fit.date, true); break;
      case 7: out.Label(1, r, fit.time, true); break;
    }
  }
  const long long k = r - 2;
  if (k >= 0 && static_cast<std::size_t>(k) < fit.parameters.size()) {
    const auto i = static_cast<std::size_t>(k);
    const long double value = fit.parameters[i];
    const long double se = i < fit.standardErrors.size() ? fit.standardErrors[i] : ExprErrorValue;
    out.Label(2, r, ExportParameterLetter(static_cast<int>(k)), true);
    out.Number(3, r, value);
    if (se != ExprErrorValue) {
      out.Number(4, r, se);
      out.Number(5, r, se == 0 ? 0.0L : value / se);
      out.Number(6, r, value - fit.tValue * se);
      out.Number(7, r, value + fit.tValue * se);
    }
  }
  const long long i = r - 1;
  if (i >= 1 && static_cast<std::size_t>(i) <= in.points.size()) {
    const TXYZPoint& pt = in.points[static_cast<std::size_t>(i - 1)];
    if (pt.Status == '*')
      out.Label(9, r, InactivePointLabel(static_cast<int>(i)), true);
    else
      out.Number(9, r, static_cast<long double>(i));
    // The surface is not evaluated at a missing place, nor a residual formed of a missing Z.
    out.Figure(10, r, pt.X);
    out.Figure(11, r, pt.Y);
    out.Figure(12, r, pt.Z);
    if (IsMissingValue(pt.X) || IsMissingValue(pt.Y)) return;
    const TExportPoint p = EvaluateExportPoint(*in.review, pt.X, pt.Y);
    if (!p.valid) return;
    out.Number(13, r, p.z);
    if (!IsMissingValue(pt.Z)) {
      out.Number(14, r, pt.Z - p.z);
      out.Number(15, r, pt.Z == 0 ? 0.0L : 100 * (pt.Z - p.z) / pt.Z);
    }
    if (p.hasConfidence) {
      out.Number(16, r, p.confidenceLow);
      out.Number(17, r, p.confidenceHigh);
    }
    if (p.hasPrediction) {
      out.Number(18, r, p.predictionLow);
      out.Number(19, r, p.predictionHigh);
    }
  }
}

// The last row a full worksheet's fixed blocks reach: the Parts' max(N, G) + 1, but never
// short of the summary and parameter rows, which a small table would otherwise lose.
int FullWorksheetLastRow(const TExportTableInput& in, const TExportGrid& grid) {
  const int n = static_cast<int>(in.points.size());
  const int base = std::max(n, static_cast<int>(grid.pointCount)) + 1;
  return std::max({base, kLastSummaryRow, static_cast<int>(in.fit->parameters.size()) + 1});
}

TExportOutcome FullWorksheet(const TExportTableInput& in, const TExportGrid& grid, TGridRun run,
                             TRowLimitedSink& out) {
  const int level = in.review->LimitsLevel;
  const TTitles titles{ConfidenceTitle(level), PredictionTitle(level)};
  out.Label(0, 0, in.fit->dataTitle, false);
  out.Label(3, 0, in.fit->equationText, false);
  const std::string columnTitles[28] = {
      "", "", "Parameters", "Values", "Std Error", "T Value", titles.confidence, titles.confidence,
      "", "XYZ #", "X Observed", "Y Observed", "Z Observed", "Z Predicted", "Z Residual",
      "Z Residual%", titles.confidence, titles.confidence, titles.prediction, titles.prediction,
      "", "X Generated", "Y Generated", "Z Predicted", titles.confidence, titles.confidence,
      titles.prediction, titles.prediction};
  for (int c = 0; c < 28; ++c)
    if (!columnTitles[c].empty()) out.Label(c, 1, columnTitles[c], true);

  int r = 2;
  long long taken = 0;
  for (long double x : grid.xs) {
    if (r > run.stopRow) break;
    for (long double y : grid.ys) {
      FixedBlockCells(out, in, r);
      if (r <= run.lastCellRow) {
        GridPointCells(out, *in.review, 21, r, x, y, true, run.keepInvalidXY);
        if (out.Holds(r)) ++taken;
      }
      ++r;
    }
  }
  TExportOutcome outcome;
  outcome.result = r;
  outcome.gridPoints = taken;
  const int last = FullWorksheetLastRow(in, grid) + 1;
  for (int row = r; row <= last; ++row) FixedBlockCells(out, in, row);
  return outcome;
}

TExportOutcome GeneratedColumns(const TExportTableInput& in, const TExportGrid& grid, bool limits,
                                TGridRun run, TRowLimitedSink& out) {
  const int level = in.review->LimitsLevel;
  const std::string titles[7] = {"X Generated",         "Y Generated",          "Z Predicted",
                                 ConfidenceTitle(level), ConfidenceTitle(level), PredictionTitle(level),
                                 PredictionTitle(level)};
  for (int c = 0; c < (limits ? 7 : 3); ++c) out.Label(c, 0, titles[c], true);
  int r = 1;
  long long taken = 0;
  for (long double x : grid.xs) {
    if (r > run.stopRow) break;
    for (long double y : grid.ys) {
      if (r <= run.lastCellRow) {
        GridPointCells(out, *in.review, 0, r, x, y, limits, true);
        if (out.Holds(r)) ++taken;
      }
      ++r;
    }
  }
  return {.result = r, .gridPoints = taken};
}

TExportOutcome Matrix(const TExportTableInput& in, const TExportGrid& grid, TRowLimitedSink& out) {
  for (std::size_t c = 0; c < grid.xs.size(); ++c) out.Number(static_cast<int>(c) + 1, 0, grid.xs[c]);
  for (std::size_t r = 0; r < grid.ys.size(); ++r) {
    const int row = static_cast<int>(r) + 1;
    out.Number(0, row, grid.ys[r]);
    for (std::size_t c = 0; c < grid.xs.size(); ++c) {
      const TExportPoint p = EvaluateExportPoint(*in.review, grid.xs[c], grid.ys[r], false);
      if (p.valid) out.Number(static_cast<int>(c) + 1, row, p.z);
    }
  }
  return {.result = 1, .gridPoints = static_cast<long long>(grid.xs.size() * grid.ys.size())};
}

}  // namespace

TExportLayout ExportTableLayout(const TExportTableInput& in, const TExportGrid& grid, int maxRow) {
  TExportLayout layout;
  const int g = static_cast<int>(grid.pointCount);
  switch (in.request->tableKind) {
    case 0: layout = {27, FullWorksheetLastRow(in, grid)}; break;
    case 1: layout = {6, g}; break;
    case 2: layout = {2, g}; break;
    case 3: layout = {static_cast<int>(grid.xs.size()), static_cast<int>(grid.ys.size())}; break;
    default: break;
  }
  layout.lastRow = std::min(layout.lastRow, maxRow);
  return layout;
}

TGridCut ExportGridCut(const TExportRequest& request, const TExportGrid& grid, long long taken) {
  TGridCut cut;
  const long double askedX = ExportAxisAsked(request.x), askedY = ExportAxisAsked(request.y);
  cut.asked = askedX * askedY;
  const std::size_t nx = grid.xs.size(), ny = grid.ys.size();
  if (nx == 0 || ny == 0) return cut;
  const auto jump = [](const std::vector<long double>& values, long double asked, bool held) {
    TGridCut::TJump j;
    if ((j.present = held && values.size() >= 2 && static_cast<long double>(values.size()) < asked))
      j.before = values[values.size() - 2], j.end = values.back();
    return j;
  };
  if (IsKind(request.tableKind, ExportTableKind::kGeneratedMatrix)) {
    cut.written = static_cast<long double>(nx * ny);
    cut.jumpX = jump(grid.xs, askedX, true);
    cut.jumpY = jump(grid.ys, askedY, true);
    return cut;
  }
  cut.written = static_cast<long double>(taken);
  if (taken <= 0 || !cut.Cut()) return cut;
  const std::size_t last = static_cast<std::size_t>(taken - 1);
  const std::size_t i = std::min(last / ny, nx - 1), j = last % ny;
  cut.stops = true;
  cut.stopX = grid.xs[i];
  cut.stopY = grid.ys[j];
  cut.jumpX = jump(grid.xs, askedX, i == nx - 1);
  cut.jumpY = jump(grid.ys, askedY, static_cast<std::size_t>(taken) >= ny);
  return cut;
}

std::string RowsCutText(const TExportOutcome& outcome, int maxRow) {
  if (outcome.blockRowsCut <= 0) return {};
  const bool one = outcome.blockRowsCut == 1;
  return CFormat("%d Row%s Beyond the Worksheet's %s Rows %s Left Out of the File", outcome.blockRowsCut,
                 one ? "" : "s", FormatWithCommas(maxRow + 1LL).c_str(), one ? "Was" : "Were");
}

std::string WorksheetLossText(const TExportRequest& request, const TExportGrid& grid, const TExportOutcome& outcome,
                              int maxRow) {
  const std::string rows = RowsCutText(outcome, maxRow);
  const std::string points = GridCutText(ExportGridCut(request, grid, outcome.gridPoints));
  return rows + (rows.empty() || points.empty() ? "" : "\n") + points;
}

bool ExportEvaluationsStopped() { return ExprThreadContext().stopped; }

TExportOutcome WriteExportCells(const TExportTableInput& in, const TExportGrid& grid,
                                ExportGridRules rules, int maxRow, TExportCellSink& sink) {
  TRowLimitedSink out(sink, maxRow);
  TExportOutcome outcome;
  const int kind = in.request->tableKind;
  if (IsKind(kind, ExportTableKind::kFullWorksheet))
    outcome = FullWorksheet(in, grid, GridRunOf(rules, true), out);
  else if (IsKind(kind, ExportTableKind::kGeneratedInformation))
    outcome = GeneratedColumns(in, grid, true, GridRunOf(rules, false), out);
  else if (IsKind(kind, ExportTableKind::kGeneratedColumns))
    outcome = GeneratedColumns(in, grid, false, GridRunOf(rules, false), out);
  else if (IsKind(kind, ExportTableKind::kGeneratedMatrix))
    outcome = Matrix(in, grid, out);
  outcome.lastRowWritten = out.LastRowWritten();
  outcome.rowsCut = out.RowsCut();
  outcome.blockRowsCut = out.BlockRowsCut();
  return outcome;
}
