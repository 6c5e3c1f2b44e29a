#include "review/residual_table.h"

#include <algorithm>

#include "app/c_format.h"
#include "app/number_format.h"
#include "app/file_utils.h"
#include "app/import_readers.h"
#include "app/long_double.h"
#include "app/worksheet_records.h"
#include "expr/eval_context.h"

namespace {

// The fitted value at a point, or the missing value when the evaluation failed.
long double FittedAt(const SurfaceFunction& fit, const TXYZPoint& p) {
  ExprContext& ctx = ExprThreadContext();
  ctx.ExprMathError = 0;
  const long double f = fit ? fit(p.X, p.Y) : ExprErrorValue;
  return ctx.ExprMathError != 0 || !IsUsableValue(f) ? ExprErrorValue : f;
}

}  // namespace

long double ResidualOf(int kind, long double z, long double fitted, const long double* stdError) {
  const long double r = z - fitted;
  switch (kind) {
    case kResidualPercent: return z == 0 ? 0.0L : 100 * r / z;
    case kResidualStandard: return stdError == nullptr || *stdError == 0 ? 0.0L : r / *stdError;
    default: return r;
  }
}

std::vector<TResidualRow> ResidualRows(std::span<const TXYZPoint> table, const SurfaceFunction& fit, int kind,
                                       const long double* stdError) {
  std::vector<TResidualRow> rows;
  const int n = PointCount(table);
  rows.reserve(static_cast<std::size_t>(std::max(n, 0)));
  for (int i = 1; i <= n; ++i) {
    const TXYZPoint& p = table[static_cast<std::size_t>(i)];
    if (!IsActive(p)) continue;
    const long double f = FittedAt(fit, p);
    if (IsMissingValue(f)) continue;
    rows.push_back({p.X, p.Y, ResidualOf(kind, p.Z, f, stdError)});
  }
  return rows;
}

PointTable ResidualPointTable(std::span<const TXYZPoint> table, const SurfaceFunction& fit) {
  const int n = PointCount(table);
  PointTable out = NewPointTable(std::max(n, 0));
  if (out.empty()) return out;
  int kept = 0;
  for (int i = 1; i <= n; ++i) {
    const TXYZPoint& p = table[static_cast<std::size_t>(i)];
    if (!IsActive(p)) continue;
    const long double f = FittedAt(fit, p);
    if (IsMissingValue(f)) continue;
    TXYZPoint& q = out[static_cast<std::size_t>(++kept)];
    q = p;
    q.Z = p.Z - f;
  }
  out.resize(static_cast<std::size_t>(kept) + 1);
  SetPointCount(out, kept);
  return out;
}

std::string ResidualText(std::span<const TResidualRow> rows) {
  std::string text;
  text.reserve(rows.size() * 79);
  // The point's X and Y as the data hold them (a file of doubles without its binary
  // remainder); the residual with all its digits.
  for (const TResidualRow& row : rows)
    text += CFormat("%25s %25s %25.17Lg\r\n", DataFigureText(row.x, 17).c_str(), DataFigureText(row.y, 17).c_str(), row.r);
  return text;
}

std::vector<std::uint8_t> ResidualWorksheet(std::span<const TResidualRow> rows, int form) {
  const int lastRow = std::max(static_cast<int>(rows.size()) - 1, 0);
  TWorksheetImage sheet(form, 2, lastRow);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const int row = static_cast<int>(k);
    sheet.Number(0, row, rows[k].x);
    sheet.Number(1, row, rows[k].y);
    sheet.Number(2, row, rows[k].r);
  }
  return sheet.Finish();
}

bool WriteResidualFile(const std::string& path, std::span<const TResidualRow> rows, TSavWriteResult* savResult) {
  switch (SaveFormatByExt(path)) {
    case kSaveFormatWk1: return SaveGlobalToFile(ResidualWorksheet(rows, 1), path);
    case kSaveFormatWk3: return SaveGlobalToFile(ResidualWorksheet(rows, 3), path);
    case kSaveFormatSav: {
      const auto& write = ImportReaders().WriteSavPoints;
      if (!write) return false;
      PointTable table = NewPointTable(static_cast<int>(rows.size()));
      if (table.empty()) return false;
      for (std::size_t k = 0; k < rows.size(); ++k) {
        TXYZPoint& p = table[k + 1];
        p.X = rows[k].x;
        p.Y = rows[k].y;
        p.Z = rows[k].r;
        p.W = 1;
        p.Status = kPointActive;
      }
      const TSavWriteResult written = write(table, path);
      if (savResult) *savResult = written;
      return written.status == SavWriteStatus::kWritten;
    }
    default: return SaveGlobalToFile(ResidualText(rows), path);
  }
}
