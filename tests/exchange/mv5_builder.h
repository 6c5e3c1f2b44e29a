// Builds small sibling-product DOS worksheets (".MV5") for the tests with the record
// library's writer: a data worksheet of the given columns, a statistics worksheet with a
// title for each column that has one, and optionally an item 2 of one text cell.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "exchange/mv5_records.h"

namespace exchange_test {

inline const std::string kMv5Header = std::string(kMvHeaderPrefix) + " test worksheet\x1A";
inline const std::string kMv5ItemHeader = std::string(kMvHeaderPrefix) + " item\x1A";

struct Mv5Column {
  int column = 0;
  std::optional<std::string> title;
  std::vector<TMvCell> cells;
};

inline TMvCell N(double v) { return MvNumberCell(v); }
inline TMvCell E() { return MvEmptyCell(); }
inline TMvCell T(std::string_view text) {
  TMvCell c{};
  MvPackText(c, text);
  return c;
}

// Writes the worksheet to `path`; the first code that was not kOk (kOk when all went well).
inline MvCode WriteMv5(const std::string& path, const std::vector<Mv5Column>& columns, bool withItem2 = false) {
  int count = 0, rows = 0;
  for (const Mv5Column& c : columns) {
    count = std::max(count, c.column + 1);
    rows = std::max(rows, static_cast<int>(c.cells.size()));
  }
  TMvWriteHandle h;
  MvCode code = MvCreate(h, path, kMv5Header, nullptr);
  const auto step = [&code](MvCode c) {
    if (code == MvCode::kOk) code = c;
  };
  TMvDescriptor d;
  MvInitDataItem(d, count, rows);
  step(MvBeginDataItem(h, kMv5ItemHeader, d));
  for (const Mv5Column& c : columns) {
    TMvColumnRecord r;
    MvInitColumnRecord(r, c.column, static_cast<int>(c.cells.size()), 0);
    step(MvBeginColumn(h, r));
    step(MvWriteCells(h, c.cells));
  }
  step(MvEndItem(h));
  MvInitStatsItem(d, count, kMvStatsCells);
  step(MvBeginStatsItem(h, kMv5ItemHeader, d));
  for (const Mv5Column& c : columns) {
    std::array<TMvCell, kMvStatsCells> stats;
    const int n = MvInitStatsColumn(stats, c.title);
    TMvColumnRecord r;
    MvInitColumnRecord(r, c.column, n, 1);
    step(MvBeginColumn(h, r));
    step(MvWriteCells(h, std::span(stats.data(), static_cast<std::size_t>(n))));
  }
  step(MvEndItem(h));
  if (withItem2) {
    TMvDescriptor extra{};
    MvInitDataItem(extra, 1, 1);
    step(MvBeginItem(h, kMvExtraItem, kMv5ItemHeader, extra));
    TMvColumnRecord r;
    MvInitColumnRecord(r, 0, 1, 2);
    step(MvBeginColumn(h, r));
    const TMvCell cell = T("EXTRA");
    step(MvWriteCells(h, std::span(&cell, 1)));
    step(MvEndItem(h));
  }
  step(MvCloseWrite(h));
  return code;
}

}  // namespace exchange_test
