// The range of a term-subset fit's linear part over the data rectangle, found from its
// parameters: whether a fit of 1/Z (z = 1/s) has a pole between the points it was fitted to.
//
// No candidate term mixes x and y, so the linear part s = p_0 + Σ p_i·term(t_i) is a function
// of x plus a function of y, and its least (largest) value over the rectangle is the sum of
// the least (largest) values of the two over their axes. Each is bracketed by branch and
// bound over the axis: the axis is first cut where any of its terms or their slopes turns
// (x ln x at 1/e, (ln x)² at 1 and its slope at e, ...), so that on every piece each term and
// each slope is monotone and takes its extremes at the piece's ends. A piece on which the
// slopes' enclosure keeps one sign has its extreme at an end; any other is bounded by its
// midpoint value less the steepest slope times half its width, and halved until that bound
// comes within a rounding of the terms' size of the best value found. Nothing is sampled: a
// dip however narrow is bracketed. The terms must be defined over the whole range of their
// axis, as the run's term exclusions make them.
#pragma once

#include <cstdint>
#include <span>

#include "fit/fit_run.h"
#include "numerics/polynomial_range.h"

// A bracketed extreme: the linear part takes `attained` somewhere over the rectangle and no
// value beyond `bound` (below it for a least value, above it for a largest).
struct TBracketedExtreme {
  long double bound = 0.0L;
  long double attained = 0.0L;
};

struct TLinearPartRange {
  TBracketedExtreme low, high;
  // False when a term has no finite value somewhere over its range.
  bool defined = true;
};

// The least and largest value over [x.low, x.high] × [y.low, y.high] of the linear part of the
// term-subset fit with parameters p[0..m] and term codes terms[1..m] (terms[0], the variant,
// is not read), its exponential terms scaled as `scales` says.
TLinearPartRange SubsetLinearPartRange(const long double* p, std::span<const std::int32_t> terms, int m,
                                       const TValueRange& x, const TValueRange& y, const TFitRunScales& scales);

// True unless the linear part keeps one sign over the rectangle by more than a rounding of its
// terms' size: where it comes to 0, a fit of 1/Z has a pole. A part with no value somewhere
// counts as vanishing.
bool SubsetLinearPartVanishes(const long double* p, std::span<const std::int32_t> terms, int m, const TValueRange& x,
                              const TValueRange& y, const TFitRunScales& scales);
