#include "exchange/sheet_cells.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

#include "app/c_format.h"
#include "app/long_double.h"
#include "exchange/dif_reader.h"
#include "exchange/reader_contract.h"

namespace {

constexpr std::size_t kListEntryChars = 47;
constexpr int kListLabelRows = 100;
constexpr std::size_t kMaxRows = 65536;

bool IsMissing(long double v) { return !IsUsableValue(v); }

// A weight read from a column: one that is not above 0 (or missing) gives 1.
long double PositiveWeight(long double w) { return w > 0 ? w : 1; }

}  // namespace

void TSheetCells::Number(int sheet, int row, int column, long double value) {
  if (!std::isfinite(value) || IsMissingValue(value)) {
    NoNumber(sheet, row, column, IsMissingValue(value) ? TCellKind::kMissingValue : TCellKind::kNotFinite);
    return;
  }
  TSheetCell c;
  c.sheet = sheet, c.row = row, c.column = column, c.value = DataValueOfDouble(value);
  cells.push_back(c);
}

void TSheetCells::Label(int sheet, int row, int column, std::string text, int replacedCharacters) {
  TSheetCell c;
  c.sheet = sheet, c.row = row, c.column = column, c.kind = TCellKind::kLabel;
  c.text = static_cast<std::uint32_t>(texts.size());
  texts.push_back(std::move(text));
  replaced.resize(texts.size());
  replaced.back() = replacedCharacters;
  cells.push_back(c);
}

void TSheetCells::NoNumber(int sheet, int row, int column, TCellKind kind) {
  TSheetCell c;
  c.sheet = sheet, c.row = row, c.column = column, c.kind = kind;
  cells.push_back(c);
}

void NoteSheetDamage(const TSheetCells& cells, int sheet, TReadResult& result) {
  if (!cells.cut) return;
  std::int64_t lastRow = 0;
  for (const TSheetCell& c : cells.cells) {
    if (c.sheet > sheet) return;  // the sheet ended before the break
    if (c.sheet == sheet) lastRow = static_cast<std::int64_t>(c.row) + 1;
  }
  result.damagedAfterRow = lastRow;
}

TSheetBreak::TSheetBreak(const TSheetCells& cells, int sheet, bool byColumn) : byColumn_(byColumn) {
  if (!cells.cut) return;
  for (const TSheetCell& c : cells.cells) {
    if (c.sheet > sheet) {  // the sheet ended before the break
      columnsRead_.clear();
      return;
    }
    if (c.sheet != sheet) continue;
    lastRow_ = c.row, lastColumn_ = c.column;
    columnsRead_.push_back(c.column);
  }
  broke_ = true;
  std::sort(columnsRead_.begin(), columnsRead_.end());
  columnsRead_.erase(std::unique(columnsRead_.begin(), columnsRead_.end()), columnsRead_.end());
}

bool TSheetBreak::Lost(int row, int column) const {
  if (!broke_) return false;
  // Column by column, the break cut short the column it was in and left out every column
  // after it, of which no cell was read.
  if (byColumn_)
    return column == lastColumn_ ? row > lastRow_ : !std::binary_search(columnsRead_.begin(), columnsRead_.end(), column);
  return row > lastRow_ || (row == lastRow_ && column > lastColumn_);
}

TDataTitles SheetTitles(const TSheetCells& cells, int sheet, int colX, int colY, int colZ,
                        TTitleRule rule, int* unheld) {
  TDataTitles titles;
  int lost = 0;
  const auto take = [&](const TSheetCell& c) {
    if (c.text < cells.replaced.size()) lost += cells.replaced[c.text];
  };
  int titleColumn = -1;
  if (rule.title) {
    int labels = 0;
    for (const TSheetCell& c : cells.cells)
      if (c.sheet == sheet && c.row == 0 && c.kind == TCellKind::kLabel) {
        ++labels;
        titleColumn = c.column;
      }
    if (labels != 1) titleColumn = -1;
  }
  bool named[3] = {false, false, false};
  for (const TSheetCell& c : cells.cells) {
    if (c.sheet > sheet || (c.sheet == sheet && c.row > rule.lastRow)) break;
    if (c.sheet != sheet || c.kind != TCellKind::kLabel) continue;
    const std::string_view text = cells.Text(c);
    if (c.row == 0 && c.column == titleColumn) {
      titles.SetTitle(text), take(c);
    } else if (c.column == colX && !named[0]) {
      titles.SetXName(text), named[0] = !titles.XName.empty(), take(c);
    } else if (c.column == colY && !named[1]) {
      titles.SetYName(text), named[1] = !titles.YName.empty(), take(c);
    } else if (c.column == colZ && !named[2]) {
      titles.SetZName(text), named[2] = !titles.ZName.empty(), take(c);
    }
    if (named[0] && named[1] && named[2]) break;
  }
  if (unheld) *unheld = lost;
  return titles;
}

void ReadRowsInFileOrder(const TSheetCells& cells, const TReadArgs& args, TReadResult& result) {
  TPointCollector points(args, result);
  const bool weighted = args.colW >= 0;
  const std::array<int, 4> columns = {args.colX, args.colY, args.colZ, args.colW};
  std::array<long double, 4> v{};
  bool numberInRow = false;     // a chosen column of the row gave a number not yet made a point
  bool notFiniteInRow = false;  // a chosen column of the row held an infinity or NaN
  bool missingInRow = false;    // a chosen column of the row held the missing value
  const auto startOver = [&] {
    v = {kNoCell, kNoCell, kNoCell, weighted ? kNoCell : 1.0L};
    numberInRow = notFiniteInRow = missingInRow = false;
  };
  const auto skipRow = [&] {
    if (notFiniteInRow)
      points.SkipNonFiniteRow();
    else if (missingInRow)
      points.SkipMissingValueRow();
    else if (numberInRow)
      points.SkipRow();
  };
  startOver();
  bool laterSheet = false;
  int previousRow = -1, previousColumn = -1;
  for (const TSheetCell& c : cells.cells) {
    if (c.sheet > args.sheet) {
      laterSheet = true;
      break;
    }
    if (c.sheet < args.sheet) continue;
    // Cells of one row lie together: a new row number, or a column that falls, begins the
    // next row, so cells of different rows are never joined into one point.
    if (c.row != previousRow || c.column < previousColumn) {
      skipRow();
      startOver();
    }
    previousRow = c.row, previousColumn = c.column;
    if (c.kind == TCellKind::kLabel) continue;
    const long double value = c.kind == TCellKind::kNumber ? c.value : kNoCell;
    for (std::size_t k = 0; k < columns.size(); ++k)
      if (c.column == columns[k]) {
        v[k] = value;
        numberInRow = numberInRow || c.kind == TCellKind::kNumber;
        notFiniteInRow = notFiniteInRow || c.kind == TCellKind::kNotFinite;
        missingInRow = missingInRow || c.kind == TCellKind::kMissingValue;
        break;
      }
    if (std::any_of(v.begin(), v.end(), IsMissing)) continue;
    (void)points.Add(v[0], v[1], v[2], PositiveWeight(v[3]));
    if (points.Done()) break;
    startOver();
  }
  // The row the break cut short is told with the break, not as a row of text or nothing.
  if (laterSheet || !cells.cut || points.Done()) skipRow();
  if (!points.Done()) NoteSheetDamage(cells, args.sheet, result);
  result.weighted = weighted && !result.points.empty();
}

namespace {

// The cells of a column's run, of every kind: from the column's first cell on the sheet to
// the first cell of another column or sheet.
std::span<const TSheetCell> RunCells(const TSheetCells& cells, int sheet, int column) {
  const auto begin = std::find_if(cells.cells.begin(), cells.cells.end(), [&](const TSheetCell& c) {
    return c.sheet == sheet && c.column == column;
  });
  const auto end = std::find_if(begin, cells.cells.end(), [&](const TSheetCell& c) {
    return c.sheet != sheet || c.column != column;
  });
  return {begin, end};
}

}  // namespace

std::vector<const TSheetCell*> ColumnRun(const TSheetCells& cells, int sheet, int column) {
  std::vector<const TSheetCell*> run;
  for (const TSheetCell& c : RunCells(cells, sheet, column))
    if (c.kind == TCellKind::kNumber) run.push_back(&c);
  return run;
}

void MergeColumnRuns(const TSheetCells& cells, const TReadArgs& args, TReadResult& result) {
  TPointCollector points(args, result);
  const bool weighted = args.colW >= 0;
  const auto x = ColumnRun(cells, args.sheet, args.colX);
  std::vector<std::vector<const TSheetCell*>> others = {ColumnRun(cells, args.sheet, args.colY),
                                                        ColumnRun(cells, args.sheet, args.colZ)};
  if (weighted) others.push_back(ColumnRun(cells, args.sheet, args.colW));
  // The rows in which a chosen column holds a number, or an infinity or NaN: those that make
  // no point were skipped, unless a chosen cell they lack lay beyond a break.
  const std::array<int, 4> chosen = {args.colX, args.colY, args.colZ, args.colW};
  std::array<std::set<int>, 4> held;  // the rows in which each chosen column holds a cell
  std::set<int> numberRows, notFiniteRows, missingRows, pointRows;
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    if (chosen[k] < 0) continue;
    for (const TSheetCell& c : RunCells(cells, args.sheet, chosen[k])) {
      held[k].insert(c.row);
      if (c.kind == TCellKind::kNumber) numberRows.insert(c.row);
      if (c.kind == TCellKind::kNotFinite) notFiniteRows.insert(c.row);
      if (c.kind == TCellKind::kMissingValue) missingRows.insert(c.row);
    }
  }
  const TSheetBreak where(cells, args.sheet, true);
  const auto lost = [&](int row) {
    return where.LostRow(row, chosen, [&](std::size_t k) { return held[k].contains(row); });
  };
  std::vector<std::size_t> at(others.size(), 0);
  for (const TSheetCell* xc : x) {
    std::array<long double, 3> v = {0, 0, 1};  // Y, Z, W
    bool complete = true;
    bool ranOut = false;
    for (std::size_t k = 0; k < others.size() && complete; ++k) {
      const auto& run = others[k];
      while (at[k] < run.size() && run[at[k]]->row < xc->row) ++at[k];
      // A column that has run out can pair no later row.
      ranOut = at[k] == run.size();
      if (ranOut) break;
      complete = run[at[k]]->row == xc->row;
      v[k] = run[at[k]]->value;
    }
    if (ranOut) break;
    if (!complete) continue;
    pointRows.insert(xc->row);
    (void)points.Add(xc->value, v[0], v[1], PositiveWeight(v[2]));
    if (points.Done()) break;
  }
  for (const int row : notFiniteRows)
    if (!pointRows.contains(row) && !lost(row)) points.SkipNonFiniteRow();
  for (const int row : missingRows)
    if (!pointRows.contains(row) && !notFiniteRows.contains(row) && !lost(row)) points.SkipMissingValueRow();
  for (const int row : numberRows)
    if (!pointRows.contains(row) && !notFiniteRows.contains(row) && !missingRows.contains(row) && !lost(row))
      points.SkipRow();
  if (!points.Done()) NoteSheetDamage(cells, args.sheet, result);
  result.weighted = weighted && !result.points.empty();
}

TRowArray ColumnByRow(const TSheetCells& cells, int sheet, int column, bool runOnly) {
  TRowArray rows;
  const auto put = [&rows](const TSheetCell& c) {
    const auto r = static_cast<std::size_t>(c.row);
    if (c.row < 0 || r >= kMaxRows) return;
    if (rows.size() <= r) rows.resize(r + 1, kNoCell);
    rows[r] = c.value;
  };
  const auto take = [&put](const TSheetCell& c) {
    if (c.kind == TCellKind::kNumber) put(c);
    if (c.kind == TCellKind::kNotFinite) put(TSheetCell{c.sheet, c.row, c.column, c.kind, kNotFiniteCell, 0});
    if (c.kind == TCellKind::kMissingValue) put(TSheetCell{c.sheet, c.row, c.column, c.kind, ExprErrorValue, 0});
  };
  if (runOnly) {
    for (const TSheetCell& c : RunCells(cells, sheet, column)) take(c);
    return rows;
  }
  for (const TSheetCell& c : cells.cells)
    if (c.sheet == sheet && c.column == column) take(c);
  return rows;
}

void StoreColumnArrays(const TRowArray& x, const TRowArray& y, const TRowArray& z,
                       const TRowArray* w, bool weightsFlag, const TReadArgs& args,
                       const TSheetBreak& where, TReadResult& result) {
  TPointCollector points(args, result);
  // Rows past the end of a shorter array hold no cell there.
  const auto at = [](const TRowArray& a, std::size_t i) { return i < a.size() ? a[i] : kNoCell; };
  const std::array<int, 4> chosen = {args.colX, args.colY, args.colZ, w ? args.colW : -1};
  std::size_t rows = std::max({x.size(), y.size(), z.size()});
  if (w) rows = std::max(rows, w->size());
  for (std::size_t i = 0; i < rows && !points.Done(); ++i) {
    const std::array<long double, 4> v = {at(x, i), at(y, i), at(z, i), w ? at(*w, i) : 1.0L};
    const auto row = static_cast<int>(i);
    if (where.LostRow(row, chosen, [&v](std::size_t k) { return HasCell(v[k]); }))
      continue;
    if (std::find(v.begin(), v.end(), kNotFiniteCell) != v.end())
      points.SkipNonFiniteRow();
    else if (std::any_of(v.begin(), v.begin() + (w ? 4 : 3), IsMissingValue))
      points.SkipMissingValueRow();
    else if (IsIncompleteRow(std::span(v.data(), w ? 4 : 3)))
      points.SkipRow();
    else
      (void)points.AddSignedWeight(v[0], v[1], v[2], v[3]);  // stored or not: both fine
  }
  result.weighted = w && weightsFlag && !result.points.empty();
}

TPairedColumns SheetColumnPairs(const TSheetCells& cells, int sheet, std::span<const int> columns,
                                           bool runOnly) {
  if (columns.empty()) return {};
  std::vector<TRowArray> byRow;
  for (const int column : columns) byRow.push_back(ColumnByRow(cells, sheet, column, runOnly));
  return PairRowArrays(byRow, 0);
}

TColumnArray SheetColumnValues(const TSheetCells& cells, int sheet, int column, TColumnScope scope) {
  TColumnArray values = NewColumnArray();
  if (scope == TColumnScope::kRun) {
    for (const TSheetCell* c : ColumnRun(cells, sheet, column)) AppendColumnValue(values, c->value);
    return values;
  }
  for (const TSheetCell& c : cells.cells) {
    if (c.sheet > sheet) break;
    if (c.sheet == sheet && c.column == column && c.kind == TCellKind::kNumber)
      AppendColumnValue(values, c.value);
  }
  return values;
}

int ListSheetColumns(const TSheetCells& cells, TListForm form, std::vector<std::string>& list,
                     std::size_t capacity) {
  list.clear();
  std::map<int, std::string> entries;  // the current sheet's, by column
  const auto flush = [&] {
    for (auto& [column, entry] : entries)
      if (list.size() < capacity) list.push_back(std::move(entry));
    entries.clear();
  };
  int sheet = -1;
  for (const TSheetCell& c : cells.cells) {
    if (c.sheet != sheet) {
      flush();
      sheet = c.sheet;
    }
    const bool listedSheet = form.sheetForm ? c.sheet >= 0 && c.sheet < kListedSheets : c.sheet == 0;
    if (!listedSheet || c.column < 0 || c.column >= kListedColumns) continue;
    auto [it, created] = entries.try_emplace(c.column);
    std::string& entry = it->second;
    if (created) {
      const std::string letters = ColumnLetters(c.column);
      entry = form.sheetForm ? CFormat("%-4s:", (std::string(1, static_cast<char>('A' + c.sheet)) + "!" + letters).c_str())
                             : CFormat("%-2s:", letters.c_str());
    }
    if (c.kind != TCellKind::kLabel || c.row > kListLabelRows || entry.size() >= kListEntryChars) continue;
    const std::size_t room = kListEntryChars - entry.size();
    if (room < form.minRoom) continue;
    entry += ' ';
    entry += cells.Text(c).substr(0, room - 1);
  }
  flush();
  if (list.size() < 2) {
    list.clear();
    return 0;
  }
  return static_cast<int>(list.size());
}
