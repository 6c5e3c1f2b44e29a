// Adjusting a user-defined function's start values by hand: the rows of the "Inspect and
// Adjust UDF" graph window and of its "Partial Derivatives Within Range of Data" table,
// one row per parameter with a scroll bar (positions 0..100) and an edit.
//
// A row is bounded when both limits are finite (lower above -9e24, upper below 9e24): its
// bar then spans the limits, one unit a hundredth of them. No row's value stays at or past
// its limits (-1e25 and 1e25 unless the function says otherwise): a value scrolled, fitted,
// or typed and finished there is held just inside it, where the functions dialog's
// validation takes it (it refuses a start value that is not strictly between its limits).
// While the user types, the text stays as typed: a value at a limit ("0" on the way to
// "0.5" under a lower limit of 0) is taken as it stands until the field is finished.
// An unbounded row's bar moves the value relative to its centre 50 by a step chosen from the
// spread of the parameter's effect over the data, and is re-centred when it reaches an end,
// so the value can move on as far as the user likes.
//
// Every change is written at once to the record's start value and to the language variable
// Ai of the calling thread, which the graph's value callback reads. The derivative table
// measures the effect of every parameter again after each change; the graph measures a
// parameter again when its bar is re-centred or its value typed.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "app/xyz_point.h"
#include "expr/udf_record.h"
#include "fit/levenberg_marquardt.h"

struct TDataStats;
struct TFitOptions;

inline constexpr int kAdjustPositionMax = 100;
inline constexpr int kAdjustCentre = 50;

struct TUdfAdjustRow {
  bool enabled = false;  // a parameter of the function (below its count)
  bool bounded = false;
  long double lower = 0, upper = 0;  // the parameter's limits
  long double value = 0;
  long double step = 0;   // value change per bar unit
  int position = kAdjustCentre;
  int lastPosition = kAdjustCentre;
  long double savedValue = 0;  // at the window's set-up, for "&Reset"
  long double savedStep = 0;
  std::string editText;
};

// The texts of one row of the derivative table.
struct TUdfDerivativeRow {
  std::string minimum, maximum, range, percentOfZ, relativePercent;
};

class TUdfAdjustRows {
 public:
  enum class Window { kGraph, kDerivatives };

  // Function k of the bound table, which must stay defined and loaded while the rows
  // live; `points` (records 0..N) and the data's z range measure the parameters' effect.
  TUdfAdjustRows(Window window, int k, std::span<const TXYZPoint> points, long double zRange);

  // The window's set-up: every row from the record's start values and limits, the values
  // and steps kept for "&Reset"; the derivative table measures every parameter first.
  void Setup();
  // The bar of row i moved to `position` (kept within 0..100).
  void Scroll(int i, int position);
  // The user typed `text` into the edit of row i (a key): evaluated at once and taken as it
  // stands, the row's text the typed one; false (nothing changes) when it gives no value, or
  // one past a bounded row's limits (its field takes none).
  [[nodiscard]] bool Edit(int i, std::string_view text);
  // The edit of row i was finished (left, Enter, a button, the bar): a value at or past a
  // limit is brought just inside it, and the text shows it. True when the value moved.
  bool Finish(int i);
  // "&Reset": the values and steps of the set-up.
  void Reset();
  // "Find && &Update": fits the function alone from the start values; when the fit gave
  // parameters they become the start values and the rows follow (bars centred, bounded
  // bars at their values). The fit's answer comes back for the window to tell.
  [[nodiscard]] UserFitResult FindAndUpdate(const TDataStats& stats, const TFitOptions& options);
  // The derivative table closed with OK: the rows take the record's start values.
  void TakeRecordStarts();
  // The derivative table cancelled: the record's start values and the variables go back
  // to this window's values.
  void PutBackStarts();

  const TUdfAdjustRow& Row(int i) const { return rows_[static_cast<std::size_t>(i)]; }
  int Count() const { return count_; }
  int Function() const { return k_; }
  // The derivative table of the current start values, rows below the count.
  std::array<TUdfDerivativeRow, kUdfMaxParams> DerivativeTable() const;

 private:
  TUdfRecord& Record() const;
  void SetValue(int i, long double v);  // the row, the record and Ai
  void KeepWithinLimits(int i);
  // Row i took a new value by its edit: its bar follows, and its effect is measured again.
  void Placed(int i);
  // The value of row i with `digits` digits, or more where fewer would reach a limit.
  std::string ValueText(int i, int digits) const;
  int BoundedPosition(int i) const;
  void ComputeStep(int i);
  void ComputeSteps();
  void MeasureEffect(int p);  // p = -1: every parameter
  // After a change: the derivative table measures every parameter and takes new steps.
  void AfterChange();

  Window window_;
  int k_;
  std::span<const TXYZPoint> points_;
  long double zRange_;
  int count_ = 0;
  std::array<TUdfAdjustRow, kUdfMaxParams> rows_{};
};

// The refresh of an adjust window comes a second after the last change: a change starts a
// count that the window's 100 ms timer advances, and the tick that finds it at 10
// refreshes. Without a timer every change refreshes at once.
class TAdjustRefresh {
 public:
  void SetTimerRunning(bool running) { timerRunning_ = running; }
  // A change; true when the caller refreshes at once.
  [[nodiscard]] bool Changed();
  // A timer tick; true when it is time to refresh.
  [[nodiscard]] bool Tick();
  void Clear() { pending_ = 0; }
  int Pending() const { return pending_; }

 private:
  bool timerRunning_ = false;
  int pending_ = 0;
};

// The user-defined functions dialog after the graph's OK: which start values changed
// (|new - kept| > |kept| 1e-5), and whether a changed one's start expression reads the data.
struct TAdjustedStarts {
  std::array<bool, kUdfMaxParams> changed{};
  bool changedReadsData = false;
  bool AnyChanged() const;
};
TAdjustedStarts CompareAdjustedStarts(const TUdfRecord& r, const std::array<long double, kUdfMaxParams>& kept);
// The start expression text of an adjusted start value ("%.6Lg").
std::string AdjustedStartText(long double value);
// The start expression text of parameter i's adjusted start value: "%.6Lg", or more digits
// where six would read back at a limit.
std::string AdjustedStartText(const TUdfRecord& r, int i);
