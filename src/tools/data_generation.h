// Data generation of the evaluation table: a list of input pairs (a rectangular grid from
// start, increment and end on two axes, or two columns of a file), each pair put through
// the table's computation, the results appended to the table or written to a text file.
//
// A pair (A, B) is read by the computation mode: (Z, Y) for roots in X, (Z, X) for roots in
// Y, (X, Y) for the value and the derivatives. Lists hold pair 0 = (n, n) and pairs 1..n.
//
// Grid counts: an axis from s to e by i has floor((e - s) / i) + 1 values, where a quotient
// within the rounding of s, e and i of a whole number counts as that number (SteppedRange,
// numerics/stepped_range.h), so that 0:0.1:1 gives 11 values although 1 / 0.1 is 9.999...
// in binary, while 0:0.3:1 gives 4 and 0:0.001:0.999999999 gives 1000; the last value is
// then e itself. At most 16384 pairs are made.
#pragma once

#include <array>
#include <optional>
#include <functional>
#include <span>
#include <string>

#include "app/data_files.h"
#include "app/grid_cut.h"
#include "tools/evaluation_computations.h"
#include "tools/evaluation_table.h"

using TEvalInputs = TXYPairs;

inline constexpr int kMaxGeneratedPairs = 16384;

// The number of values an axis from start to end by increment gives (0 when it gives
// none: a zero, infinite or wrong-way increment), at most kMaxGeneratedPairs + 1 (so that a
// caller can tell a cut).
int GridAxisCount(long double start, long double increment, long double end);

struct TGridInputs {
  TEvalInputs list;        // empty: no list
  bool truncated = false;  // the grid asked for more than 16384 pairs and was cut there
  long double requested = 0;  // the pairs the grid asked for
};
// The grid of pairs, the first axis changing slowest.
TGridInputs MakeGridInputs(long double start1, long double increment1, long double end1, long double start2,
                           long double increment2, long double end2);
// What the list holds of the grid: its first pairs, up to its last one.
TGridCut GridInputsCut(const TGridInputs& grid);

// The six values of the range dialog: start, increment and end of axis 1, then of axis 2.
enum GenRangeField : int { kGenStart1, kGenIncrement1, kGenEnd1, kGenStart2, kGenIncrement2, kGenEnd2 };
using TGenRange = std::array<long double, 6>;

// The range dialog's check of its six entries. Each entry is a formula of the calculation
// language (its first 29 characters); one that does not evaluate is an error. One error more
// when start and end of an axis are equal, or, failing that, an increment is 0. The accepted
// range has each axis in order (start below end) with a positive increment; on any error
// `range` holds what could be read and corrected, and the caller keeps its own block.
struct TGenRangeCheck {
  int errors = 0;
  TGenRange range{};
};
// `held`: the entries the user left as the dialog showed them take the value shown, whose
// text (the shortest that gives back its double) need not read back to it exactly.
using TGenHeldValues = std::array<std::optional<long double>, 6>;
TGenRangeCheck CheckGenRange(std::span<const std::string, 6> entries, const TGenRange& block,
                             const TGenHeldValues& held = {});

// The two axes a mode generates, as labels ("X" and "Y", "Z" and "Y", "Z" and "X").
struct TGenAxisLabels {
  const char* first;
  const char* second;
};
TGenAxisLabels GenAxisLabels(int mode);
// The range first offered: each axis from the surface's minimum to its maximum in nine
// steps (ten values).
TGenRange InitialGenRange(int mode, const TEvalSurface& surface);
// X, Y and Z before the computation of a pair (the unknown one 0).
void PairInputs(int mode, long double a, long double b, long double& x, long double& y, long double& z);

// Told before each pair (done so far, total); false stops the generation.
using TGenProgress = std::function<bool(int done, int total)>;

struct TGenOutcome {
  int pairs = 0;         // pairs computed
  int written = 0;       // lines appended or written
  bool cancelled = false;
  bool tableFull = false;  // the table could not take every line
  // Of the lines taken: pairs the computation gave no value for, and pairs with a value
  // whose band could not be evaluated (limits chosen). A file leaves both out, the table
  // shows them "Error".
  int noValue = 0;
  int noBand = 0;
};

// What a generation must tell of its pairs without a value or a band, one line each ("%d
// of the %d Inputs Gave No Value and Were Left Out of the File"; into the table "...: Their
// Lines Show Error"); empty when every pair gave its line whole.
std::string GenerationLossText(const TGenOutcome& outcome, const TEvalLimitChoice& limits, bool toFile);

// What the user hears of the pairs of a file left out by the two-column read (at most
// kMaxColumnValues pairs are read): how many, and the last pair read, named by the mode's
// axes. Empty when nothing was left out.
std::string FilePairsLeftOutText(const TPairsLeftOut& leftOut, const TEvalInputs& pairs, TGenAxisLabels labels);

// What the user hears when the table filled before every input had its line: how many inputs
// were left out and the last input whose line the table took. Empty when none was left out.
std::string TableFullText(const TGenOutcome& outcome, const TEvalInputs& inputs, TGenAxisLabels labels,
                          int tableLines);

// Every pair's line appended to the table, numbered on from its lines; a pair that fails
// shows "Error".
TGenOutcome GenerateToTable(const TEvalComputer& computer, const TEvalLimitChoice& limits, int mode,
                            const TEvalInputs& inputs, TEvalTable& table, const TGenProgress& progress);

// The text of a generated file: one line per pair with a value, "X  Y  Z" with 17 digits,
// with limits also a tab and the lower and upper limit (a pair without limits is left out),
// each line ended by one CR LF.
TGenOutcome GenerateFileText(const TEvalComputer& computer, const TEvalLimitChoice& limits, int mode,
                             const TEvalInputs& inputs, std::string& text, const TGenProgress& progress);

// A typed entry evaluated as a formula of the calculation language (its first `maxChars`
// characters): false when it is blank, does not parse or raises a math error.
[[nodiscard]] bool ReadEntryValue(std::string_view text, std::size_t maxChars, long double& value);
