#include "tools/grid_editor_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/c_format.h"
#include "app/data_session.h"
#include "app/data_signature.h"
#include "app/data_sort.h"
#include "app/data_statistics.h"
#include "app/number_format.h"
#include "expr/error_text.h"
#include "expr/eval_context.h"
#include "expr/expression.h"
#include "tools/data_calculation.h"

namespace {

constexpr long double kEmptyLow = 1e300L;
constexpr long double kEmptyHigh = -1e300L;
constexpr int kLastLine = TGridEditor::kLines - 1;
constexpr int kMagnitudeSortFirst = 10;
constexpr int kMagnitudeSortLast = 13;

TAxisStats& Axis(TDataStats& stats, int column) {
  return column == kColX ? stats.X : column == kColY ? stats.Y : stats.Z;
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

// The word of a table that takes no further row.
std::string TableFullText(int rows) {
  return CFormat("The Data Table Is Full: It Holds %s Points, the Most the Editor Can Keep\nNo Row Can Be Added",
                 FormatWithCommas(rows).c_str());
}

void SetMissing(TXYZPoint& p) {
  p.X = p.Y = p.Z = p.W = ExprErrorValue;
  p.Status = kPointActive;
}

}  // namespace

TGridEditor::TGridEditor(TDataSession& session, std::uint64_t* savedSignature)
    : session_(session), savedSignature_(savedSignature) {
  // Few points, or none active, give no ranges yet: the first values entered make them.
  if (Rows() < 4 || !HasDataExtremes(session_.DataStats)) EmptyRanges();
  PrepareNewRow(Rows() + 1);
  Refresh(false);
}

// ---------------------------------------------------------------------------------------
// Table access. The table moves when it grows: every access reads it anew.

int TGridEditor::Rows() const { return session_.Table.XYZRows(); }

TXYZPoint& TGridEditor::Record(int row) { return session_.Table.XYZData()[static_cast<std::size_t>(row)]; }
const TXYZPoint& TGridEditor::Record(int row) const {
  return session_.Table.XYZData()[static_cast<std::size_t>(row)];
}

long double& TGridEditor::Value(int row, GridColumn column) {
  TXYZPoint& p = Record(row);
  switch (column) {
    case kColX: return p.X;
    case kColY: return p.Y;
    case kColZ: return p.Z;
    default: return p.W;
  }
}

long double TGridEditor::ValueAt(int row, GridColumn column) const {
  return const_cast<TGridEditor*>(this)->Value(row, column);
}

void TGridEditor::SetRows(int n) {
  session_.Table.SetXYZRows(n);
  SetPointCount(session_.Table.XYZData(), n);
}

std::string TGridEditor::CellText(long double value, GridColumn column) {
  if (IsMissingValue(value)) return {};
  return column == kColW ? CFormat("%.6Lg", value) : CFormat("%.15Lg", value);
}

bool TGridEditor::CellEnabled(int row, GridColumn column) const {
  const int n = Rows();
  if (row < 1) return false;
  if (row <= n) return true;
  if (row != n + 1 || !newRowOpen_) return false;
  // The new row opens X, then Y, then Z as the values come, and W once X, Y, Z are there.
  for (int c = kColX; c < column; ++c)
    if (IsMissingValue(ValueAt(row, static_cast<GridColumn>(c)))) return false;
  return true;
}

TGridLine TGridEditor::Line(int line) const {
  TGridLine out;
  const int row = topRow_ + line;
  const int n = Rows();
  if (row > n + 1 || (row == n + 1 && !newRowOpen_)) return out;
  out.row = row;
  out.label = std::to_string(row);
  for (int c = kColX; c <= kColW; ++c) {
    const auto column = static_cast<GridColumn>(c);
    out.enabled[static_cast<std::size_t>(c)] = CellEnabled(row, column);
    if (out.enabled[static_cast<std::size_t>(c)]) out.text[static_cast<std::size_t>(c)] = CellText(ValueAt(row, column), column);
  }
  out.excludeEnabled = out.enabled[kColW];
  out.excluded = out.excludeEnabled && !IsActive(Record(row));
  return out;
}

void TGridEditor::KeepCurrentCellOpen() {
  const int n = Rows();
  if (CurrentRow() > n + 1 || (CurrentRow() == n + 1 && !newRowOpen_)) {
    // Past the rows that can be entered: back to the last one.
    const int target = std::max(newRowOpen_ ? n + 1 : n, 1);
    if (target < topRow_ || target > topRow_ + kLastLine) topRow_ = std::max(target - kLastLine, 1);
    pageRow_ = target - topRow_;
    column_ = kColX;
  }
  if (!CellEnabled(CurrentRow(), column_)) column_ = kColX;
}

std::string TGridEditor::StatusText() const {
  if (!RowNeedsCalc()) return {};
  return CalcTexts().text[static_cast<std::size_t>(column_)];
}

TGraphRanges TGridEditor::GraphRanges() const {
  TGraphRanges r;
  for (int a = 0; a < 3; ++a) {
    const TAxisStats& s = Axis(session_.DataStats, a);
    long double lo = s.Min, hi = s.Max;
    if (lo > hi) lo = 0, hi = 1;  // nothing entered yet
    if (lo == hi) lo -= 0.5L, hi += 0.5L;
    r.low[a] = lo;
    r.high[a] = hi;
  }
  return r;
}

void TGridEditor::Refresh(bool forGraph) {
  SetPointCount(session_.Table.XYZData(), Rows());
  if (!forGraph) return;
  const TGraphRanges r = GraphRanges();
  Record(0).Z = r.low[kColZ];
  Record(0).RXYZ = r.high[kColZ];
}

// ---------------------------------------------------------------------------------------
// Committing a cell

bool TGridEditor::RowNeedsCalc() const {
  if (!applyCalc_) return false;
  if (OnNewRow()) return true;
  const int row = CurrentRow();
  for (int c = kColX; c <= kColW; ++c)
    if (IsMissingValue(ValueAt(row, static_cast<GridColumn>(c)))) return true;
  return false;
}

namespace {

void SetRowVariables(ExprContext& ctx, const TXYZPoint& p, int row) {
  auto or1 = [](long double v) { return IsMissingValue(v) ? 1.0L : v; };
  ctx.ExprVars.X() = or1(p.X);
  ctx.ExprVars.Y() = or1(p.Y);
  ctx.ExprVars.Z() = or1(p.Z);
  ctx.ExprVars.W() = or1(p.W);
  ctx.ExprPointIndex = row;
}

}  // namespace

void TGridEditor::ApplyCalcToCell() {
  const int row = CurrentRow();
  if (CalcTexts().text[static_cast<std::size_t>(column_)].empty()) return;
  ExprContext& ctx = ExprThreadContext();
  SetRowVariables(ctx, Record(row), row);
  const long double v = ExprRunSlot(kCalcFirstSlot + column_);
  // Stopped by the user: the cell keeps the value typed.
  if (ctx.abortCode == kErrEvaluationCancelled) return;
  TXYZPoint& p = Record(row);
  const bool failed = IsMissingValue(v);
  if (failed) p.Status = kPointInactive;
  if (column_ != kColW) {
    Value(row, column_) = failed ? 0 : v;
    return;
  }
  p.W = failed ? 1 : std::fabs(v);
  if (p.W != 1) Record(0).W = 1;
}

void TGridEditor::WidenRanges(GridColumn column, long double value) {
  if (column == kColW || IsMissingValue(value)) return;
  TAxisStats& s = Axis(session_.DataStats, column);
  bool widened = false;
  if (value > s.Max) s.Max = value, widened = true;
  if (value < s.Min) s.Min = value, widened = true;
  if (!widened) return;
  s.Range = s.Max - s.Min;
  scanRow_ = 0;
}

int TGridEditor::CommitCell(const TCellText& cell, TCellError& error) {
  const int row = CurrentRow();
  const int n = Rows();
  if (IsBlank(cell.text)) return row == n + 1 ? kEmptyNewRow : kStays;
  long double value = ValueAt(row, column_);
  // A cell passed over unchanged keeps its value to the last digit.
  if (cell.edited || IsMissingValue(value)) {
    const std::string text = UpperCase(cell.text);
    ExprContext& ctx = ExprThreadContext();
    SetRowVariables(ctx, Record(row), row);
    value = ExprParseAndRun(text);
    // A trailing bad token leaves the value before it ("1 2" gives 1): no such cell is kept.
    if (IsMissingValue(value) || ctx.ExprSyntaxCode != 0) {
      error.caption = ctx.ExprMathError < 0 ? ExprErrorText(ctx.ExprMathError) : ExprSyntaxText(ctx.ExprSyntaxCode);
      error.text = ExprErrorLine(text, ctx.ExprErrorColumn);
      error.column = ctx.ExprErrorColumn;
      return kCommitError;
    }
    const bool needsCalc = RowNeedsCalc();
    if (column_ == kColW) value = std::clamp(value, kMinWeight, kMaxWeight);
    Value(row, column_) = value;
    if (column_ == kColW && value != 1) Record(0).W = 1;
    if (needsCalc) ApplyCalcToCell();
    value = ValueAt(row, column_);
  }
  WidenRanges(column_, value);
  if (row <= n && ((column_ == kColX && IsMissingValue(ValueAt(row, kColY))) ||
                   (column_ == kColY && IsMissingValue(ValueAt(row, kColZ))))) {
    AdvanceEntry();
    return kStays;
  }
  return kCommitted;
}

// ---------------------------------------------------------------------------------------
// Moving on after a value

void TGridEditor::LineDown() {
  if (pageRow_ < kLastLine)
    ++pageRow_;
  else
    ++topRow_;
}

void TGridEditor::LineUp() {
  if (pageRow_ > 0)
    --pageRow_;
  else if (topRow_ > 1)
    --topRow_;
}

void TGridEditor::PrepareNewRow(int row) {
  TDataTable& table = session_.Table;
  newRowOpen_ = row <= table.XYZCapacity() - 2 || table.GrowPointArray();
  if (newRowOpen_) SetMissing(Record(row));
  if (!initialising_) SetRows(row - 1);
}

void TGridEditor::Fill(GridColumn column, bool thenNext) {
  const int row = CurrentRow();
  if (row < 3) return;
  const long double a = ValueAt(row - 1, column), b = ValueAt(row - 2, column);
  if (IsMissingValue(a) || IsMissingValue(b)) return;
  const long double value = 2 * a - b;
  Value(row, column) = value;
  WidenRanges(column, value);
  if (thenNext) (void)Next({CellText(value, column), false});  // a value present always commits
}

void TGridEditor::CompleteRow() {
  LineDown();
  PrepareNewRow(CurrentRow());
  column_ = kColX;
  if (!newRowOpen_) {
    // The table is full: the cursor stays on the row just completed, and the user hears
    // that no further row can be typed (the new row stayed shut without a word).
    LineUp();
    column_ = kColW;
    tableFull_ = {"Data Table Full", TableFullText(Rows()), 0, true};
    return;
  }
  if (auto_[kColX]) Fill(kColX, true);
}

void TGridEditor::AdvanceEntry() {
  const int row = CurrentRow();
  const bool newRow = row == Rows() + 1;
  switch (column_) {
    case kColX:
      column_ = kColY;
      if (newRow && auto_[kColY]) Fill(kColY, true);
      break;
    case kColY:
      column_ = kColZ;
      if (newRow && auto_[kColZ]) Fill(kColZ, true);
      break;
    case kColZ:
      if (!newRow) {
        column_ = kColW;
        break;
      }
      Record(row).Status = kPointActive;
      if (!auto_[kColW]) {
        column_ = kColW;
        break;
      }
      {
        const bool needsCalc = RowNeedsCalc();
        Record(row).W = 1;
        if (needsCalc) {
          column_ = kColW;
          ApplyCalcToCell();
        }
      }
      CompleteRow();
      break;
    case kColW:
      if (!newRow) {
        LineDown();
        column_ = kColX;
      } else {
        CompleteRow();
      }
      break;
  }
}

TCellError TGridEditor::Next(const TCellText& cell) {
  TCellError error;
  if (CommitCell(cell, error) == kCommitted) AdvanceEntry();
  KeepCurrentCellOpen();
  return error;
}

// ---------------------------------------------------------------------------------------
// Keys, clicks, scrolling

TCellError TGridEditor::Key(int key, const TCellText& cell) {
  switch (key) {
    case kKeyCtrlN:
    case kKeyInsert: return Insert(cell);
    case kKeyCtrlY: Delete(); return {};
    case kKeyCtrlU:
      if (CurrentRow() > Rows()) return {};
      Record(CurrentRow()).Status = IsActive(Record(CurrentRow())) ? kPointInactive : kPointActive;
      return MoveKey(kKeyDown, cell);
    default: return MoveKey(key, cell);
  }
}

TCellError TGridEditor::MoveKey(int key, const TCellText& cell) {
  TCellError error;
  const int commit = CommitCell(cell, error);
  if (commit == kCommitError) return error;
  if (commit == kCommitted && OnNewRow()) {
    AdvanceEntry();
    KeepCurrentCellOpen();
    return error;
  }
  if (commit == kStays) {
    KeepCurrentCellOpen();
    return error;
  }
  const int n = Rows();
  switch (key) {
    case kKeyPageUp: topRow_ = std::max(topRow_ - TGridEditor::kLines, 1); break;
    case kKeyPageDown:
      topRow_ = topRow_ + kLines > n + 1 ? n + 1 : topRow_ + kLines;
      if (CurrentRow() > n + 1) pageRow_ = 0;
      if (OnNewRow()) column_ = kColX;
      break;
    case kKeyEnd: {
      const int top = n + 1 - std::min(n, kLastLine);
      if (topRow_ != top) {
        topRow_ = top;
        pageRow_ = std::min(n, kLastLine);
      } else {
        topRow_ = n + 1;
        pageRow_ = 0;
      }
      column_ = kColX;
      break;
    }
    case kKeyHome:
      topRow_ = 1, pageRow_ = 0, column_ = kColX;
      break;
    case kKeyLeft:
      if (column_ != kColX)
        column_ = static_cast<GridColumn>(column_ - 1);
      else if (CurrentRow() > 1) {
        LineUp();
        column_ = kColW;
      }
      break;
    case kKeyUp:
      if (CurrentRow() > 1) LineUp();
      break;
    case kKeyRight:
      if (OnNewRow()) break;
      if (column_ != kColW) {
        column_ = static_cast<GridColumn>(column_ + 1);
      } else {
        LineDown();
        column_ = kColX;
      }
      break;
    case kKeyDown:
      if (OnNewRow()) break;
      LineDown();
      if (OnNewRow()) column_ = kColX;
      break;
    default: break;
  }
  KeepCurrentCellOpen();
  return error;
}

TCellError TGridEditor::Click(int line, GridColumn column, const TCellText& cell) {
  if (line < 0 || line >= kLines) return {};  // no such cell on the page
  TCellError error;
  const int commit = CommitCell(cell, error);
  if (commit == kCommitError) return error;
  if (commit == kCommitted && OnNewRow()) {
    AdvanceEntry();
  } else if (commit == kCommitted || commit == kEmptyNewRow) {
    if (CellEnabled(topRow_ + line, column)) {
      pageRow_ = line;
      column_ = column;
    }
  }
  KeepCurrentCellOpen();
  return error;
}

TCellError TGridEditor::ScrollTo(int row, const TCellText& cell) {
  TCellError error;
  if (CommitCell(cell, error) == kCommitError) return error;
  const int n = Rows();
  topRow_ = std::clamp(row, 1, n + 1);
  if (CurrentRow() > n + 1) pageRow_ = 0;
  if (OnNewRow()) column_ = kColX;
  KeepCurrentCellOpen();
  return error;
}

// ---------------------------------------------------------------------------------------
// Rows: insert, delete, exclude

TCellError TGridEditor::Insert(const TCellText& cell) {
  const int row = CurrentRow();
  const int n = Rows();
  if (row > n) return {};
  TDataTable& table = session_.Table;
  // A full table takes no row: the user hears it, and the cell keeps what was typed.
  if (n + 1 > table.XYZCapacity() - 2 && !table.GrowPointArray()) return {"Insert", TableFullText(n), 0};
  TCellError error;
  if (CommitCell(cell, error) != kCommitted) return error;
  column_ = kColX;
  for (int i = n + 1; i >= row; --i) Record(i + 1) = Record(i);
  Record(row) = TXYZPoint{};
  SetMissing(Record(row));
  SetRows(n + 1);
  KeepCurrentCellOpen();
  return error;
}

void TGridEditor::Delete() {
  const int row = CurrentRow();
  const int n = Rows();
  if (row > n + 1) return;
  bool extreme = false;
  for (int c = kColX; c <= kColZ; ++c) {
    const TAxisStats& s = Axis(session_.DataStats, c);
    const long double v = ValueAt(row, static_cast<GridColumn>(c));
    extreme = extreme || v == s.Min || v == s.Max;
  }
  if (row <= n) {
    for (int i = row; i <= n; ++i) Record(i) = Record(i + 1);
    Record(n + 1) = TXYZPoint{};
    SetRows(n - 1);
  } else {
    column_ = kColX;
    TXYZPoint& p = Record(row);
    p.X = p.Y = p.Z = ExprErrorValue;
  }
  if (extreme || Rows() == 0) RecomputeRanges();
  KeepCurrentCellOpen();
}

void TGridEditor::SetExcluded(int line, bool excluded) {
  if (initialising_) return;
  const int row = topRow_ + line;
  if (row > Rows() + 1 || !CellEnabled(row, kColW)) return;
  pageRow_ = line;
  Record(row).Status = excluded ? kPointInactive : kPointActive;
  KeepCurrentCellOpen();
}

bool TGridEditor::SetAutoEntry(GridColumn column, bool on) {
  if (column != kColW && on) {
    int others = 0;
    for (int c = kColX; c <= kColZ; ++c) others += c != column && auto_[static_cast<std::size_t>(c)] ? 1 : 0;
    if (others >= 2) return false;
  }
  auto_[static_cast<std::size_t>(column)] = on;
  if (on && column != kColW && OnNewRow() && IsMissingValue(ValueAt(CurrentRow(), column))) Fill(column, false);
  return true;
}

// ---------------------------------------------------------------------------------------
// Table commands

TCellError TGridEditor::CommitForCommand(const TCellText& cell, bool& ready) {
  TCellError error;
  const int commit = CommitCell(cell, error);
  // On the new row the entry moves on as a click elsewhere moves it (a Z completes the row);
  // a cell of a point emptied keeps its value (the page shows it again).
  if (commit == kCommitted && OnNewRow()) AdvanceEntry();
  ready = commit != kCommitError;
  KeepCurrentCellOpen();
  return error;
}

TCellError TGridEditor::PrepareTableCommand(const TCellText& cell, bool& ready) {
  TCellError error;
  const int commit = CommitCell(cell, error);
  ready = (commit == kCommitted || commit == kEmptyNewRow) && Rows() >= 4;
  KeepCurrentCellOpen();
  return error;
}

void TGridEditor::Sort(int key) {
  const int n = Rows();
  std::span<TXYZPoint> data = session_.Table.XYZData();
  SetPointCount(data, n);
  // The magnitudes of edited rows are those of their new values.
  if (key >= kMagnitudeSortFirst && key <= kMagnitudeSortLast)
    for (int i = 1; i <= n; ++i) {
      TXYZPoint& p = data[static_cast<std::size_t>(i)];
      p.RXY = std::sqrt(p.X * p.X + p.Y * p.Y);
      p.RXYZ = std::sqrt(p.X * p.X + p.Y * p.Y + p.Z * p.Z);
    }
  SortDataTable(data, key);
  topRow_ = 1, pageRow_ = 0, column_ = kColX;
}

void TGridEditor::Reverse(GridColumn a, GridColumn b) {
  for (int i = 1; i <= Rows(); ++i) std::swap(Value(i, a), Value(i, b));
  TAxisStats& sa = Axis(session_.DataStats, a);
  TAxisStats& sb = Axis(session_.DataStats, b);
  std::swap(sa.Min, sb.Min);
  std::swap(sa.Max, sb.Max);
  std::swap(sa.Range, sb.Range);
  TDataTitles& titles = session_.DataTitles();
  std::string* names[3] = {&titles.XName, &titles.YName, &titles.ZName};
  std::swap(*names[a], *names[b]);
}

TCellError TGridEditor::PrepareSave(const TCellText& cell, bool& ready, bool& tooFewPoints) {
  ready = tooFewPoints = false;
  TCellError error;
  const int commit = CommitCell(cell, error);
  if (commit == kCommitted) AdvanceEntry();
  KeepCurrentCellOpen();
  if (commit != kCommitted && commit != kEmptyNewRow) return error;
  tooFewPoints = Rows() < 4;
  ready = !tooFewPoints;
  if (ready) SetPointCount(session_.Table.XYZData(), Rows());
  return error;
}

void TGridEditor::Saved() {
  ComputeDataStatistics(session_.Table, session_.DataStats);
  if (savedSignature_) *savedSignature_ = DataSignature(session_.Table.XYZData());
}

void TGridEditor::ClearAll() {
  SetRows(0);
  TXYZPoint& header = Record(0);
  header.W = 0;
  newRowOpen_ = true;
  SetMissing(Record(1));
  session_.DataTitles() = TDataTitles{};
  topRow_ = 1, pageRow_ = 0, column_ = kColX;
  EmptyRanges();
}

TCellError TGridEditor::CanClose(const TCellText& cell, bool& mayClose) {
  TCellError error;
  const int commit = CommitCell(cell, error);
  if (commit == kCommitted) AdvanceEntry();
  KeepCurrentCellOpen();
  mayClose = commit == kCommitted || commit == kEmptyNewRow;
  return error;
}

// ---------------------------------------------------------------------------------------
// Ranges

void TGridEditor::EmptyRanges() {
  for (int a = 0; a < 3; ++a) {
    TAxisStats& s = Axis(session_.DataStats, a);
    s.Min = kEmptyLow;
    s.Max = kEmptyHigh;
    s.Range = 0;
  }
  scanRow_ = 0;
}

void TGridEditor::RecomputeRanges() {
  EmptyRanges();
  for (int i = 1; i <= Rows(); ++i) {
    if (!IsActive(Record(i))) continue;
    for (int c = kColX; c <= kColZ; ++c) WidenRanges(static_cast<GridColumn>(c), ValueAt(i, static_cast<GridColumn>(c)));
  }
  scanRow_ = 0;
}

bool TGridEditor::RescanStep() {
  const int n = Rows();
  if (n < 4) return false;
  for (int k = 0; k < kRescanRowsPerTick; ++k) {
    if (scanRow_ < 1 || scanRow_ > n) {
      scanRow_ = 1;
      std::fill(std::begin(scanLow_), std::end(scanLow_), kEmptyLow);
      std::fill(std::begin(scanHigh_), std::end(scanHigh_), kEmptyHigh);
    }
    if (IsActive(Record(scanRow_)))
      for (int c = kColX; c <= kColZ; ++c) {
        const long double v = ValueAt(scanRow_, static_cast<GridColumn>(c));
        if (IsMissingValue(v)) continue;
        scanLow_[c] = std::min(scanLow_[c], v);
        scanHigh_[c] = std::max(scanHigh_[c], v);
      }
    if (scanRow_ < n) {
      ++scanRow_;
      continue;
    }
    scanRow_ = 0;
    bool changed = false;
    for (int c = kColX; c <= kColZ; ++c) {
      if (scanLow_[c] > scanHigh_[c]) continue;
      TAxisStats& s = Axis(session_.DataStats, c);
      if (s.Min == scanLow_[c] && s.Max == scanHigh_[c]) continue;
      s.Min = scanLow_[c];
      s.Max = scanHigh_[c];
      s.Range = s.Max - s.Min;
      changed = true;
    }
    return changed;
  }
  return false;
}
