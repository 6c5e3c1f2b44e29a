// The scattered-algorithm test suite: every chosen method variant of the scattered-data
// engine on every pair of the extension library's ten test functions and five data
// patterns, built on the pattern's sites with z from the function, evaluated (or
// differentiated) on the 33 x 33 test grid over the unit square and compared with the
// function's exact values there. The result is a comma-separated report:
//   "Surface,   Data," then one column per variant ("%-14s,", with "MeanErr" and "MaxErr"
//   after each when asked), CR LF;
//   per pair "%7d,%7d," (function, pattern) then per variant "%14.5Lg," with the sum of
//   squared errors over the grid's total sum of squares (1 - r2), and when asked the mean
//   and the largest error, CR LF.
// A variant whose engine gives no grid, and the relative figure of a function that is
// constant on the grid, read "NA" right-aligned in the field. A pattern that gives no sites
// leaves its row out.
//
// The variants are slots of one table (NPTestVariant): "Defaults" runs each method's default
// variant, "Vary" every slot of it; the extension methods run their options from the
// ranges the library reports.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "smooth/engines/scattered_engine.h"

// The choices of the test suite's dialog.
struct TNPTestSelection {
  std::array<bool, 8> methods{};     // engine codes 0..7: Akima I .. Loess
  std::array<bool, 8> extensions{};  // extension methods 1..8 ("A" .. "H")
  int derivative = 0;                // 0 the value, 1 d/dx, 2 d/dy
  bool vary = false;                 // every variant of a method, not only its defaults
  bool addErrors = false;            // the mean and largest error beside each figure
};

inline constexpr int kNPTestSlots = 100;

// Slot 0..99 of the variant table: engine code, options and column name; an empty slot (or
// one outside the table) gives code -1, options 0 and an empty name.
void NPTestVariant(int slot, int& code, int& option1, int& option2, std::string& name);

struct TNPTestColumn {
  int code, option1, option2;
  std::string name;
};

// The variants the selection runs, in the report's column order: the table's slots, then
// the extension methods (count of them, at most 8) with their options from the library's
// test items (row k of items holds item 10 + k, row 4 + k item 20 + k). An option range
// with a step of 0 or less runs its first value once; a range is cut at kNPTestMaxRange
// values.
inline constexpr int kNPTestMaxRange = 64;
std::vector<TNPTestColumn> NPTestColumns(const TNPTestSelection& selection, int count,
                                         const TNPTestItems& items);

// The header line with its CR LF.
std::string NPTestHeader(const std::vector<TNPTestColumn>& columns, bool addErrors);

// The figures of one variant against the exact grid (both 1089 values x fastest), with
// its field separators: "%14.5Lg," for each, "NA" where there is no estimate, where a node's
// estimate or exact value is the missing value or not a finite number, or (the first figure) where the total sum
// of squares is 0 or not finite.
std::string NPTestFigures(const std::vector<long double>& estimate,
                          const std::vector<long double>& exact, long double sst, bool addErrors);

// Where the run is: the busy window's caption for each pair and its text for each variant.
struct TNPTestProgress {
  std::function<void(const std::string&)> problem;
  std::function<void(const std::string&)> variant;
};

// Runs the suite with the extension library held for its length and answers the report's
// text. Without the library (or its test entries) the report is the header alone.
std::string RunNPTestSuite(const TNPTestSelection& selection, const TNPTestProgress& progress);
