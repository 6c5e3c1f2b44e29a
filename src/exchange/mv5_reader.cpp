#include "exchange/mv5_reader.h"

#include <algorithm>
#include <array>
#include <map>

#include "app/c_format.h"
#include "app/long_double.h"
#include "exchange/mv5_records.h"
#include "exchange/reader_contract.h"

namespace {

constexpr int kMinListedCells = 3;

// The cells of every column of the open item, walking its blocks once (a column that
// appears twice counts by its first block, as a seek finds it).
std::map<int, int> ColumnLengths(TMvReadHandle& h) {
  std::map<int, int> lengths;
  TMvColumnRecord r;
  while (MvNextBlock(h, &r) == MvCode::kOk) lengths.try_emplace(MvRecordColumn(r), MvRecordCells(r));
  return lengths;
}

}  // namespace

int ListMv5Columns(const std::string& path, std::vector<std::string>& list, std::size_t capacity) {
  list.clear();
  TMvReadHandle h;
  if (const MvCode open = MvOpen(h, path, nullptr, kMvKeepBlockTable); open != MvCode::kOk)
    return open == MvCode::kBadHeader ? kListMalformed : -1;
  if (MvOpenDataItem(h, nullptr) == MvCode::kOk) {
    for (const auto& [column, cells] : ColumnLengths(h)) {
      if (list.size() >= capacity) break;
      if (cells < kMinListedCells) continue;
      const std::string entry = CFormat("%4d: ", column + 1) + MvColumnTitle(h, column);
      list.push_back(entry.substr(0, kMv5EntryChars));
    }
  }
  (void)MvClose(h);  // no rows were begun: it closes
  if (list.size() < 2) {
    list.clear();
    return -2;
  }
  return static_cast<int>(list.size());
}

TReadResult ReadMv5(const TReadArgs& args) {
  const bool weighted = args.colW > 0;
  TReadResult result;
  TMvReadHandle h;
  if (const MvCode open = MvOpen(h, args.path, nullptr, kMvKeepBlockTable); open != MvCode::kOk)
    return FailedRead(open == MvCode::kBadHeader ? TReadError::kMalformed : TReadError::kCannotOpen);
  result.titles.SetXName(MvColumnTitle(h, args.colX - 1));
  result.titles.SetYName(MvColumnTitle(h, args.colY - 1));
  result.titles.SetZName(MvColumnTitle(h, args.colZ - 1));

  std::vector<int> columns = {args.colX - 1, args.colY - 1, args.colZ - 1};
  if (weighted) columns.push_back(args.colW - 1);
  if (MvOpenDataItem(h, nullptr) != MvCode::kOk || MvRowsBegin(h, static_cast<int>(columns.size())) != MvCode::kOk)
    return FailedRead(TReadError::kMalformed);
  for (std::size_t slot = 0; slot < columns.size(); ++slot)
    if (MvRowsAttach(h, static_cast<int>(slot), columns[slot]) != MvCode::kOk) return FailedRead(TReadError::kMalformed);
  TPointCollector points(args, result);
  std::array<double, 4> row{};
  const std::span<double> cells(row.data(), columns.size());
  for (;;) {
    // Rows with an empty, text or damaged cell are passed over: they are no points and the
    // digital filter does not count them.
    const MvCode code = MvRowsNext(h, cells, kMvSkipIncompleteRows);
    if (code == MvCode::kNoMore) break;
    if (code != MvCode::kOk) return FailedRead(TReadError::kMalformed);
    // A number that is the missing value makes no point, and is told; the double nearest
    // +-1e300 is +-1e300 (DataValueOfDouble).
    if (std::any_of(cells.begin(), cells.end(), [](double v) { return IsMissingValue(v); })) {
      points.SkipMissingValueRow();
      continue;
    }
    const long double w = weighted && row[3] > 0 ? DataValueOfDouble(row[3]) : 1.0L;
    // A point dropped by the filter or cut: counted there.
    (void)points.Add(DataValueOfDouble(row[0]), DataValueOfDouble(row[1]), DataValueOfDouble(row[2]), w);
    if (points.Done()) break;
  }
  // Rows passed over for a cell without a number: told, unless the read stopped early.
  if (!points.Done()) result.skippedRows = h.rowsSkipped;
  MvRowsEnd(h);
  result.weighted = weighted && !result.points.empty();
  return result;
}

TColumnArray ReadMv5Column(const std::string& path, int column) {
  TMvReadHandle h;
  if (MvOpen(h, path, nullptr, kMvKeepBlockTable) != MvCode::kOk || MvOpenDataItem(h, nullptr) != MvCode::kOk ||
      MvColumnLength(h, column - 1) < kMinListedCells || MvRowsBegin(h, 1) != MvCode::kOk ||
      MvRowsAttach(h, 0, column - 1) != MvCode::kOk)
    return {};
  TColumnArray values = NewColumnArray();
  double v = 0;
  MvCode code;
  while ((code = MvRowsNext(h, std::span(&v, 1), kMvSkipIncompleteRows)) == MvCode::kOk)
    AppendColumnValue(values, DataValueOfDouble(v));
  MvRowsEnd(h);
  if (code != MvCode::kNoMore) return {};
  return values;
}

TPairedColumns ReadMv5ColumnPairs(const std::string& path, std::span<const int> columns) {
  TMvReadHandle h;
  if (columns.empty() || MvOpen(h, path, nullptr, kMvKeepBlockTable) != MvCode::kOk ||
      MvOpenDataItem(h, nullptr) != MvCode::kOk || MvRowsBegin(h, static_cast<int>(columns.size())) != MvCode::kOk)
    return {};
  for (std::size_t slot = 0; slot < columns.size(); ++slot)
    if (MvRowsAttach(h, static_cast<int>(slot), columns[slot] - 1) != MvCode::kOk) {
      MvRowsEnd(h);
      return {};
    }
  TColumnPairs pairs(columns.size());
  std::vector<double> cells(columns.size());
  std::vector<long double> row(columns.size());
  MvCode code;
  bool room = true;
  // Rows with an empty, text or damaged cell in a chosen column are passed over, as by ReadMv5.
  while (room && (code = MvRowsNext(h, cells, kMvSkipIncompleteRows)) == MvCode::kOk) {
    std::transform(cells.begin(), cells.end(), row.begin(), [](double v) { return DataValueOfDouble(v); });
    room = pairs.AddRow(row);
  }
  MvRowsEnd(h);
  if (room && code != MvCode::kNoMore) return {};
  return pairs.Take();
}
