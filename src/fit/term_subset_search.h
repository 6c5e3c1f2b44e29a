// The term-subset search: phase 4 of a fit run. For each selected Z variant v (0 z, 1 ln z,
// 2 1/z) it searches the linear models
//
//   Z_v = a_0 + a_1·t_1(x, y) + .. + a_k·t_k(x, y),   2 <= k <= min(h, 8),
//
// built from k of the 42 candidate terms (candidate_terms.h), and appends the best of each k
// by r² (up to the subset keep count of the options) to the fit list as term-subset
// equations (kind 4, numbered by term_subset_numbers.h).
//
// Every model is solved from the run's per-variant sums in correlation form (the Cholesky
// factor of the k x k correlation matrix of standardised terms, no pass over the data; a
// subset whose r² that form cannot hold to 9 digits takes no part): all 861 admissible pairs are
// searched, then for 3..8 terms only the terms that did best in the previous count take part
// (screening: 15, 9, 7 and 6 terms per axis before the searches of 3, 4, 5 and 6 terms). The
// ln z and 1/z variants search beyond pairs only when their best pair reaches the mark the z
// variant set (the smallest r² among its kept pairs), so that the order z, ln z, 1/z of the
// driver matters. The fits of ln z and 1/z are measured in z units: their SSE is that of the
// back-transformed model over the data.
//
// SearchTermCombinations itself is declared with the driver (fit_run.h):
//   int SearchTermCombinations(TFitRunContext& ctx, int termLimit, int variant);
// It returns the number of fits appended, 0 when the subset mask lacks the variant or the
// term limit is below 2 (the phase then has nothing to search), -1 when the user aborted,
// -2 when memory for its work tables ran out.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "fit/fit_run.h"

class TSumsTable;

// The marks of the variants on the calling thread: [0] is the z variant's mark, [1] and [2]
// the best pair r² of ln z and 1/z. They live for one run: the search of the z variant (the
// first call of every run) sets all three back to 0, so a run without the z variant never
// compares against the mark of an earlier run.
std::array<long double, kZVariantCount>& SubsetBestR2();

// The normal equations of one subset fit (k terms, terms[0] the variant) from the sums of its
// variant, into the top-left (k+1) x (k+1) block of `a` and b[0..k]: the weighted count, the
// term sums and the pair sums, with the right side Σ ω·Z_v and Σ ω·Z_v·t.
void BuildSubsetNormalEquations(const TSumsTable& sums, int k, std::span<const std::int32_t> terms,
                                long double* const* a, long double* b);
