// Ranking of the fit list by the criterion of the options (or of the review's list).
//
//   code   order                          code   order
//   1      r² descending                  4097   m ascending, then r² descending
//   2      adjusted r² descending         4098   m ascending, then adjusted r² descending
//   4      fit standard error ascending   4100   m ascending, then fit standard error ascending
//   8      F descending                   4104   m ascending, then F descending
//   16     complexity ascending,          4112   m ascending, then complexity ascending
//          then r² descending
//   64     equation number ascending      4160   m ascending, then equation number ascending
//
// Codes above 4096 put the number of parameters first. The sort exchanges record pointers
// only (fit_quicksort.h); equal keys keep no particular order, except that under codes 1 and
// 16 fits whose r² are equal to their rounding (SSE/SST agreeing to 1e-12) rank by parameter
// count, fewer first. Under every code but 64 and 4160, a non-linear fit that stopped short of
// its minimum (`TFitResult::converged` false) ranks after every fit that did not.
#pragma once

#include <memory>
#include <span>

#include "fit/fit_list.h"
#include "fit/fit_records.h"

inline constexpr int kSortByParameterCount = 4096;

// True for the twelve codes of the table.
bool IsFitSortCode(int code);

// Ranks the records in place; nothing happens for fewer than 2 records or a code outside
// the table.
void SortFitResults(std::span<std::unique_ptr<TFitResult>> fits, int code);

// Ranks slots 1..count of a fit list.
void SortFitList(TFitList& list, int code);
