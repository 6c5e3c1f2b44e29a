// Whether a surface known only through its values (a user function's) has a value all over
// the data rectangle, as far as a fixed set of samples can tell.
//
// The families built into the program are judged from their parameters (a rational's
// denominator, a 1/Z fit's linear part); a user function is text, and only its values speak
// for it. It is sampled on a grid of 33 x 33 nodes over the rectangle, edges included: a node
// where it has no value (a division by 0, a logarithm of a negative, an overflow) condemns it.
// Between two neighbouring nodes on either side of the data's middle z it crosses that level
// somewhere: halving the bracket 48 times follows the crossing, and a continuous surface is
// then within a few of the bracket's widths of the level on both sides, while one with a pole
// there stands beyond the data's whole z range on both. A pole that keeps one sign (1/x²) and
// does not change the sign of the nodes' offsets is not seen. The samples are the same for
// every run: the answer depends on the surface and the rectangle alone.
#pragma once

#include <functional>

#include "numerics/polynomial_range.h"

// The surface at (x, y): true with its value, false where it has none.
using TSurfaceSampler = std::function<bool(long double x, long double y, long double& z)>;

// False when the surface has no value at some sample over [x.low, x.high] × [y.low, y.high],
// or a pole between two nodes; z is the data's z range, whose middle is the level followed
// and whose width (1 when it is 0) the measure of a pole.
bool SampledSurfaceDefined(const TSurfaceSampler& surface, const TValueRange& x, const TValueRange& y,
                           const TValueRange& z);
