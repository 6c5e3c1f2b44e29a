// The grid data editor's model: the points of the XYZ data table edited in place, one cell
// per value, twenty rows at a time. The window (tools/ui/grid_editor.h) shows the page this
// model describes and hands every key, click and button to it; nothing here knows a widget.
//
// Rows: the table's points 1 .. N, then the "new row" N + 1, whose values stay missing
// until it is completed. A cell of a missing value shows empty. A cell holds any expression
// of the language, evaluated when it is committed; moving off a cell commits it. On the new
// row X, Y, Z open one after the other; entering Z completes the row (W 1 with AutoEntry W),
// which counts it into N and opens the next new row. AutoEntry X, Y, Z continue a column
// linearly from the two rows above (at most two of them at once).
//
// While the editor runs it keeps the X, Y and Z ranges of the session's statistics up to
// date for its live graph: each committed value widens them at once; a rescan a few rows per
// timer tick narrows them again after values were overwritten; deleting a point that held an
// extreme rescans at once.
//
// The table is changed in place: the background fit must not run while the editor does.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <string_view>

#include "app/long_double.h"

struct TDataSession;
struct TXYZPoint;

// The keys the cells hand to the editor (the keyboard's key codes, and the control
// characters of Ctrl+N, Ctrl+U and Ctrl+Y).
enum EditorKey : int {
  kKeyCtrlN = 14,
  kKeyCtrlU = 21,
  kKeyCtrlY = 25,
  kKeyPageUp = 33,
  kKeyPageDown = 34,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyInsert = 45,
};

enum GridColumn : int { kColX = 0, kColY = 1, kColZ = 2, kColW = 3 };

// The text of the current cell as the window holds it, and whether the user typed in it
// since it was last shown: a cell passed over unchanged keeps its value to the last digit
// (its text shows only 15 of them).
struct TCellText {
  std::string text;
  bool edited = true;
};

// A cell that did not evaluate: the message box to show, and where the caret goes.
struct TCellError {
  std::string caption;
  std::string text;
  int column = 0;
  // A word on a step that was taken (the value committed), told once the page shows it,
  // rather than a refusal that keeps the cell as typed.
  bool notice = false;
  bool Any() const { return !caption.empty() || !text.empty(); }
};

// One visible line of the page.
struct TGridLine {
  int row = 0;              // the table row shown, 0 for none
  std::string label;        // the row number, or empty
  std::array<std::string, 4> text;
  std::array<bool, 4> enabled{};
  bool excludeEnabled = false;
  bool excluded = false;
};

// The figures of the live graph's axes (the statistics' ranges as the editor keeps them).
struct TGraphRanges {
  long double low[3]{}, high[3]{};
};

class TGridEditor {
 public:
  static constexpr int kLines = 20;
  static constexpr int kRescanRowsPerTick = 10;
  static constexpr long double kMinWeight = 1e-30L;
  static constexpr long double kMaxWeight = 1e30L;

  // The editor of the session's table as it stands. savedSignature: the caller's variable
  // that receives the data's signature after each successful save (may be null).
  TGridEditor(TDataSession& session, std::uint64_t* savedSignature);
  TGridEditor(const TGridEditor&) = delete;
  TGridEditor& operator=(const TGridEditor&) = delete;

  // The end of the set-up: from here on the completed new rows count.
  void FinishSetup() { initialising_ = false; }

  // ---- What the window shows ----
  int Rows() const;  // N
  int TopRow() const { return topRow_; }
  int PageRow() const { return pageRow_; }
  GridColumn Column() const { return column_; }
  int CurrentRow() const { return topRow_ + pageRow_; }
  bool OnNewRow() const { return CurrentRow() == Rows() + 1; }
  // Whether a new row can be entered (the table has room for it).
  bool NewRowOpen() const { return newRowOpen_; }
  TGridLine Line(int line) const;
  // The scroll bar: 1 .. N + 1.
  int ScrollMaximum() const { return Rows() + 1; }
  // The status line: the calculation line of the current column while the current row is
  // calculated, else empty.
  std::string StatusText() const;
  bool AutoEntry(GridColumn column) const { return auto_[column]; }
  bool ApplyCalc() const { return applyCalc_; }
  TGraphRanges GraphRanges() const;
  // The text a value is shown with (X, Y, Z "%.15Lg", W "%.6Lg", empty when missing).
  static std::string CellText(long double value, GridColumn column);

  // ---- What the user does ----
  // A key from a cell (EditorKey): moves, inserts, deletes or excludes; every move commits
  // the current cell first.
  TCellError Key(int key, const TCellText& cell);
  // A click in a cell of another line or column.
  TCellError Click(int line, GridColumn column, const TCellText& cell);
  // The scroll bar moved to a row; on an error it stays at TopRow().
  TCellError ScrollTo(int row, const TCellText& cell);
  // "&Next" (and Enter): commit and move on.
  TCellError Next(const TCellText& cell);
  TCellError Insert(const TCellText& cell);
  void Delete();
  // The word of the last step that found the table full (no new row could open after the
  // row just completed), once; nothing when none did.
  TCellError TakeTableFull() { return std::exchange(tableFull_, {}); }
  // The exclusion box of a line changed.
  void SetExcluded(int line, bool excluded);
  // AutoEntry X, Y, Z, W. False when the switch is refused (a third of X, Y, Z).
  bool SetAutoEntry(GridColumn column, bool on);
  void SetApplyCalc(bool on) { applyCalc_ = on; }

  // Every command of the editor but Delete (whose row goes with what was typed in it) and
  // Cancel commits the current cell first: a value typed and not yet committed was
  // overwritten by the page the command showed, or the command worked on the old one (7
  // typed over 0, then X = X+1 calculated, gave 1). On the new row the entry then moves on
  // as a click elsewhere moves it. It goes ahead only on a cell that is valid, an empty new
  // row, or a point's cell emptied (which keeps its value).
  TCellError CommitForCommand(const TCellText& cell, bool& ready);
  // Sort Table and Reverse: the cell committed; ready on a valid cell or an empty new row,
  // with 4 points or more.
  TCellError PrepareTableCommand(const TCellText& cell, bool& ready);
  // Sorts rows 1 .. N by one of the data table's sort keys (magnitudes from the values as
  // they now stand); back to the top.
  void Sort(int key);
  // Exchanges two columns of rows 1 .. N (0 X, 1 Y, 2 Z), with their ranges and names.
  void Reverse(GridColumn a, GridColumn b);
  // Save: the cell committed (a new row's value moves on) and at least 4 points: ready.
  // "Unable to Save XYZ Data"/"Minimum 4 XYZ Required for Save" is the caller's to show.
  TCellError PrepareSave(const TCellText& cell, bool& ready, bool& tooFewPoints);
  // After a successful save: statistics recomputed, the saved signature recorded.
  void Saved();
  // Clear All: no points, no titles, no weights.
  void ClearAll();
  // Closing with OK: the cell committed; false keeps the editor open.
  TCellError CanClose(const TCellText& cell, bool& mayClose);
  // The calculation changed (the editor's Calculation button).
  void CalculationChanged(bool present) { applyCalc_ = present && applyCalc_; }

  // One step of the range rescan (timer 5): true when a range changed.
  bool RescanStep();
  // Before the window shows the page: the header's count is N; for the live graph its Z
  // fields also receive the Z range.
  void Refresh(bool forGraph);

 private:
  enum Commit : int { kCommitError = 0, kCommitted = 1, kEmptyNewRow = -1, kStays = -2 };

  TXYZPoint& Record(int row);
  const TXYZPoint& Record(int row) const;
  long double& Value(int row, GridColumn column);
  long double ValueAt(int row, GridColumn column) const;
  void SetRows(int n);
  bool CellEnabled(int row, GridColumn column) const;
  void KeepCurrentCellOpen();

  int CommitCell(const TCellText& cell, TCellError& error);
  bool RowNeedsCalc() const;
  void ApplyCalcToCell();
  void WidenRanges(GridColumn column, long double value);
  void AdvanceEntry();
  void CompleteRow();
  void Fill(GridColumn column, bool thenNext);
  void PrepareNewRow(int row);
  void LineDown();
  void LineUp();
  void RecomputeRanges();
  void EmptyRanges();
  TCellError MoveKey(int key, const TCellText& cell);

  TDataSession& session_;
  std::uint64_t* savedSignature_;
  int topRow_ = 1;
  int pageRow_ = 0;
  GridColumn column_ = kColX;
  bool initialising_ = true;
  bool newRowOpen_ = true;
  TCellError tableFull_;
  std::array<bool, 4> auto_{false, false, false, true};
  bool applyCalc_ = false;
  int scanRow_ = 0;
  long double scanLow_[3]{}, scanHigh_[3]{};
};
