#include "exchange/reader_contract.h"

#include "app/data_table.h"
#include "app/long_double.h"

bool KeepFilteredPoint(int c, int n, int start) {
  if (c < start) return false;
  if (n < 1) return true;
  return (c + 1 - start) % n == 0;
}

TTableFiller::TTableFiller(int firstRow, int cleared) {
  if (cleared) ClearUsedPoints();
  ClearPointsFrom(firstRow);
}

bool TTableFiller::Room(int row) {
  while (row > XYZCapacity() - 2)
    if (!GrowPointArray()) return false;
  return true;
}

TXYZPoint& TTableFiller::Record(int row) { return XYZData()[static_cast<std::size_t>(row)]; }

void TTableFiller::Store(int row, long double x, long double y, long double z, long double w,
                         char status) {
  TXYZPoint& p = Record(row);
  p.X = x;
  p.Y = y;
  p.Z = z;
  p.W = w;
  p.Status = status;
}

void TTableFiller::Finish(int stored, bool setWeights) {
  std::span<TXYZPoint> data = XYZData();
  if (data.empty()) return;
  data[0].X += stored;
  if (setWeights) data[0].W = 1;
}

TColumnArray NewColumnArray() {
  TColumnArray column;
  column.reserve(129);
  column.push_back(0);
  return column;
}

void AppendColumnValue(TColumnArray& column, long double value) {
  if (column.empty()) column.push_back(0);
  const int n = static_cast<int>(column[0]);
  if (n >= kMaxColumnValues) return;
  column.push_back(value);
  column[0] = n + 1;
}

bool ReadLinePiece(std::FILE* file, std::string& line, int maxChars) {
  line.clear();
  int ch = 0;
  while (static_cast<int>(line.size()) < maxChars && (ch = std::getc(file)) != EOF) {
    if (ch == '\n') return true;
    line.push_back(static_cast<char>(ch));
  }
  return !line.empty() || ch == '\n';
}
