#include "exchange/export/mv5_export.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <vector>

#include "app/byte_codec.h"
#include "app/c_format.h"
#include "app/long_double.h"

namespace {

using Cells = std::vector<TMvCell>;

constexpr TAxisCap kMv5AxisCap{16383, 16383};

struct Column {
  int number = 0;
  std::string title;
  bool block = true;  // columns without a block still get their statistics column
  Cells cells;
};

// The number cells of one export: a value, or an empty cell where it is missing or a double
// cannot hold it (1e400 would be infinite, 1e-400 a zero that was never computed); those are
// counted for the user.
class NumberCells {
 public:
  TMvCell operator()(long double v) {
    if (!IsUsableValue(v)) return MvEmptyCell();
    if (!HeldAsDouble(v)) {
      ++notHeld_;
      return MvEmptyCell();
    }
    return MvNumberCell(static_cast<double>(v));
  }
  int NotHeld() const { return notHeld_; }

 private:
  int notHeld_ = 0;
};
TMvCell Text(std::string_view text) {
  TMvCell c;
  MvPackText(c, text);
  return c;
}

// The text cells hold capitals only: the parameter letters are written "A", "B", ... "AA".
std::string UpperLetter(int k) {
  std::string letter = ExportParameterLetter(k);
  for (char& c : letter) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return letter;
}

struct GridPoint {
  long double x = 0, y = 0;
  TExportPoint at;
};

// Every grid point evaluated once, i-major, at most 16384.
std::vector<GridPoint> EvaluateGrid(const TExportTableInput& in, const TExportGrid& grid) {
  std::vector<GridPoint> points;
  points.reserve(grid.pointCount);
  for (const long double x : grid.xs)
    for (const long double y : grid.ys) {
      if (points.size() == grid.pointCount) return points;
      points.push_back({x, y, EvaluateExportPoint(*in.review, x, y)});
    }
  return points;
}

// The grid columns from `first` on: x, y, z and, with limits, z -/+ confidence and z -/+
// prediction.
void GridColumns(std::vector<Column>& columns, int first, const std::vector<GridPoint>& grid, bool limits,
                 NumberCells& cell) {
  const int count = limits ? 7 : 3;
  for (int k = 0; k < count; ++k) columns[static_cast<std::size_t>(first + k)].cells.reserve(grid.size());
  for (const GridPoint& g : grid) {
    const TExportPoint& p = g.at;
    const long double m = ExprErrorValue;
    const long double values[7] = {g.x,
                                   g.y,
                                   p.valid ? p.z : m,
                                   p.valid && p.hasConfidence ? p.confidenceLow : m,
                                   p.valid && p.hasConfidence ? p.confidenceHigh : m,
                                   p.valid && p.hasPrediction ? p.predictionLow : m,
                                   p.valid && p.hasPrediction ? p.predictionHigh : m};
    for (int k = 0; k < count; ++k) columns[static_cast<std::size_t>(first + k)].cells.push_back(cell(values[k]));
  }
}

std::vector<Column> NumberedColumns(const std::vector<std::string>& titles) {
  std::vector<Column> columns(titles.size());
  for (std::size_t k = 0; k < titles.size(); ++k) columns[k].number = static_cast<int>(k), columns[k].title = titles[k];
  return columns;
}

// Writes the data worksheet of `rows` rows, the statistics worksheet and the template's
// item 2, and saves the file.
TMv5ExportResult WriteWorksheets(const std::filesystem::path& path, const std::vector<Column>& columns, int rows,
                                 int gridPoints, const NumberCells& values, const std::filesystem::path& templatePath) {
  TMv5ExportResult result;
  result.rows = rows;
  result.gridPoints = gridPoints;
  result.valuesNotHeld = values.NotHeld();
  if (ExportEvaluationsStopped()) {
    result.status = Mv5ExportStatus::kCannotWrite;
    return result;
  }
  TMvDescriptor fd;
  MvInitFileDescriptor(fd);
  for (const auto& [at, value] : {std::pair{0, 0}, {2, 0}, {4, 1}})
    bytes::StoreU16(&fd[mv5::kFileWords + static_cast<std::size_t>(at)], static_cast<std::uint16_t>(value));
  TMvWriteHandle h;
  MvCode code = MvCreate(h, path, kMv5FileHeaderText, &fd);
  const auto step = [&code](MvCode c) {
    if (code == MvCode::kOk) code = c;
  };
  const int count = static_cast<int>(columns.size());
  TMvDescriptor d;
  MvInitDataItem(d, count, rows);
  step(MvBeginDataItem(h, kMv5ItemHeaderText, d));
  for (const Column& c : columns) {
    if (!c.block || code != MvCode::kOk) continue;
    TMvColumnRecord record;
    MvInitColumnRecord(record, c.number, static_cast<int>(c.cells.size()), 0);
    step(MvBeginColumn(h, record));
    step(MvWriteCells(h, c.cells));
  }
  step(MvEndItem(h));
  MvInitStatsItem(d, count, kMvStatsCells);
  step(MvBeginStatsItem(h, kMv5ItemHeaderText, d));
  for (const Column& c : columns) {
    std::array<TMvCell, kMvStatsCells> stats;
    const int n = MvInitStatsColumn(stats, c.title);
    TMvColumnRecord record;
    MvInitColumnRecord(record, c.number, n, 1);
    step(MvBeginColumn(h, record));
    step(MvWriteCells(h, std::span(stats.data(), static_cast<std::size_t>(n))));
  }
  step(MvEndItem(h));
  if (code != MvCode::kOk) {  // the handle goes without saving anything
    result.status = Mv5ExportStatus::kCannotWrite;
    result.code = code;
    return result;
  }
  // A template that is missing or no worksheet leaves the file without item 2.
  TMvReadHandle source;
  MvCode copied = MvOpen(source, templatePath, nullptr, kMvKeepHeaderTexts);
  if (copied == MvCode::kOk) copied = MvCopyItem(h, source, kMvExtraItem);
  (void)MvClose(source);  // read only, no rows begun: nothing to lose
  if (copied != MvCode::kOk) {
    result.status = Mv5ExportStatus::kWrittenWithoutTemplate;
    result.code = copied;
  }
  if (const MvCode closed = MvCloseWrite(h); closed != MvCode::kOk) {
    result.status = Mv5ExportStatus::kCannotWrite;
    result.code = closed;
  }
  return result;
}

}  // namespace

TExportGrid Mv5ExportGrid(const TExportRequest& request) {
  TExportGrid grid;
  grid.xs = ExportAxisValues(request.x, kMv5AxisCap);
  grid.ys = ExportAxisValues(request.y, kMv5AxisCap);
  grid.pointCount = std::min<std::size_t>(grid.xs.size() * grid.ys.size(), kMv5MaxGridPoints);
  return grid;
}

std::string Mv5ConfidenceTitle(int level) { return CFormat("%s%c Conf", ExportLevelText(level).c_str(), '%'); }
std::string Mv5PredictionTitle(int level) { return CFormat("%s%c Pred", ExportLevelText(level).c_str(), '%'); }

TMv5ExportResult ExportFitParamsToMv(const std::filesystem::path& path, const TExportTableInput& in,
                                     const std::filesystem::path& templateDirectory) {
  const std::string conf = Mv5ConfidenceTitle(in.review->LimitsLevel);
  const std::string pred = Mv5PredictionTitle(in.review->LimitsLevel);
  std::vector<Column> columns = NumberedColumns(
      {"", "", "Parameters", "Values", "Std. Err.", "T Value", conf, conf, "", "X Observed", "Y Observed",
       "Z Observed", "Z Predicted", "Z Residual", "Z %Residual", conf, conf, pred, pred, "", "X Generated",
       "Y Generated", "Z Predict", conf, conf, pred, pred});
  columns[8].block = columns[19].block = false;
  const TExportFit& fit = *in.fit;
  const long double m = ExprErrorValue;
  NumberCells cell;

  for (const char* label : {"EQN #", "R2", "ADJR2", "STD ERR", "F"}) columns[0].cells.push_back(Text(label));
  for (const long double v : {static_cast<long double>(fit.equationNumber), fit.r2, fit.adjustedR2, fit.fitStdError, fit.f})
    columns[1].cells.push_back(cell(v));

  for (std::size_t k = 0; k < fit.parameters.size(); ++k) {
    const long double value = fit.parameters[k];
    const long double se = k < fit.standardErrors.size() ? fit.standardErrors[k] : m;
    // A standard error of 0 is one that was not computed: its cells stay empty.
    const bool hasError = IsUsableValue(se) && se != 0;
    columns[2].cells.push_back(Text(UpperLetter(static_cast<int>(k))));
    columns[3].cells.push_back(cell(value));
    columns[4].cells.push_back(cell(hasError ? se : m));
    columns[5].cells.push_back(cell(hasError ? value / se : m));
    columns[6].cells.push_back(cell(hasError ? value - fit.tValue * se : m));
    columns[7].cells.push_back(cell(hasError ? value + fit.tValue * se : m));
  }

  for (const TXYZPoint& point : in.points) {
    long double cells[10] = {m, m, m, m, m, m, m, m, m, m};  // an inactive point: ten empty cells
    if (IsActive(point)) {
      const TExportPoint p = EvaluateExportPoint(*in.review, point.X, point.Y);
      cells[0] = point.X, cells[1] = point.Y, cells[2] = point.Z;
      if (p.valid) {
        cells[3] = p.z;
        cells[4] = point.Z - p.z;
        if (point.Z != 0) cells[5] = 100 * (point.Z - p.z) / point.Z;
        if (p.hasConfidence) cells[6] = p.confidenceLow, cells[7] = p.confidenceHigh;
        if (p.hasPrediction) cells[8] = p.predictionLow, cells[9] = p.predictionHigh;
      }
    }
    for (std::size_t k = 0; k < 10; ++k) columns[9 + k].cells.push_back(cell(cells[k]));
  }

  const std::vector<GridPoint> grid = EvaluateGrid(in, Mv5ExportGrid(*in.request));
  GridColumns(columns, 20, grid, true, cell);
  // The fit's five labels need five rows even beside a small table.
  const std::size_t rows = std::max({in.points.size(), grid.size(), fit.parameters.size(), std::size_t{5}});
  return WriteWorksheets(path, columns, static_cast<int>(rows), static_cast<int>(grid.size()), cell,
                         templateDirectory / kMv5TemplateFull);
}

TMv5ExportResult ExportGenInfoToMv(const std::filesystem::path& path, const TExportTableInput& in,
                                   const std::filesystem::path& templateDirectory) {
  const std::string conf = Mv5ConfidenceTitle(in.review->LimitsLevel);
  const std::string pred = Mv5PredictionTitle(in.review->LimitsLevel);
  std::vector<Column> columns = NumberedColumns({"X Generated", "Y Generated", "Z Predicted", conf, conf, pred, pred});
  const std::vector<GridPoint> grid = EvaluateGrid(in, Mv5ExportGrid(*in.request));
  NumberCells values;
  GridColumns(columns, 0, grid, true, values);
  return WriteWorksheets(path, columns, static_cast<int>(grid.size()), static_cast<int>(grid.size()), values,
                         templateDirectory / kMv5TemplateGenerated);
}

TMv5ExportResult ExportGridToMv(const std::filesystem::path& path, const TExportTableInput& in,
                                const std::filesystem::path& templateDirectory) {
  std::vector<Column> columns = NumberedColumns({"X Generated", "Y Generated", "Z Predicted"});
  TReviewCallbacks surfaceOnly = *in.review;  // the limits are not asked for
  surfaceOnly.ReviewConfidenceLimit = nullptr;
  surfaceOnly.ReviewPredictionLimit = nullptr;
  TExportTableInput plain = in;
  plain.review = &surfaceOnly;
  const std::vector<GridPoint> grid = EvaluateGrid(plain, Mv5ExportGrid(*in.request));
  NumberCells values;
  GridColumns(columns, 0, grid, false, values);
  return WriteWorksheets(path, columns, static_cast<int>(grid.size()), static_cast<int>(grid.size()), values,
                         templateDirectory / kMv5TemplateGenerated);
}

TMv5ExportResult ExportFitToMv(const std::filesystem::path& path, const TExportTableInput& in,
                               const std::filesystem::path& templateDirectory) {
  switch (in.request ? in.request->tableKind : -1) {
    case 0: return ExportFitParamsToMv(path, in, templateDirectory);
    case 1: return ExportGenInfoToMv(path, in, templateDirectory);
    case 2: return ExportGridToMv(path, in, templateDirectory);
    default: {
      TMv5ExportResult result;
      result.status = Mv5ExportStatus::kUnknownKind;
      return result;
    }
  }
}
