// Values stepped from a start toward an end: start, start + step, start + 2 step, ...
//
// A counting loop that adds the step to a running value and stops once the value passes the
// end loses its last value to rounding, or gains one: a tenth is not a binary number, and
// 0 + 0.1 + ... + 0.1 passes 1 at the tenth addition, so a loop from 0 to 1 by 0.1 stopped
// at 0.9. Here the count comes first, from the quotient (end - start) / step taken as the
// whole number that the rounding of the range's own numbers may have moved it from; value k
// is formed afresh as start + k step (no drift over many steps), and a value that lands on
// the end is the end itself. A quotient a real fraction away from a whole number keeps its
// fraction: 0 to 1 by 0.3 gives 0, 0.3, 0.6 and 0.9, never a value past the end.
#pragma once

// How far from a whole number the quotient (end - start) / step of a range may lie and still
// be taken as that number: as far as the rounding of the range's own numbers can move it.
// Each number is taken to carry up to two roundings to a 64-bit double (a decimal read or
// computed in doubles; long doubles round far less), which moves the quotient by at most
// 2^-51 (|start| + |end|) / |step|; the allowance is twice that. A range whose end a user
// typed a real fraction of a step short, a millionth of it or a billionth, keeps that
// fraction: 0 to 0.999999999 by 0.001 has 1000 values, the last 0.999, where a fixed
// allowance of 1e-9 of the quotient took it for 1000 steps and added a value past the end.
long double StepQuotientRounding(long double start, long double step, long double end);

// q itself, or the whole number nearest it when it lies within `rounding` of it. NaN and
// infinities come back as they are.
long double WholeWithinRounding(long double q, long double rounding);

struct TSteppedRange {
  long double start = 0.0L;
  long double step = 0.0L;
  long double end = 0.0L;
  // The values from start toward end, none past it; 0 when there are none (a step of 0 or
  // NaN, a step pointing away from the end, a start or end not finite).
  long double count = 0.0L;
  // The last value lands on the end (the quotient was whole): that value is the end itself.
  bool endsOnEnd = false;

  // Value k, 0 <= k < count.
  long double At(long double k) const;
};

// The values from `start` to `end` by `step` (a negative step counts down). Start and end
// equal give the one value start.
TSteppedRange SteppedRange(long double start, long double step, long double end);

// Node i (0 <= i < n) of n nodes spread evenly from lo to hi: lo + i (hi - lo) / (n - 1),
// formed afresh for each node, the last node hi itself; lo for n below 2. A mesh walked by
// adding its spacing to a running coordinate ends a few units of the last place beside hi,
// past it as often as not, where a function defined up to hi has no value.
long double EvenlySpacedNode(long double lo, long double hi, int i, int n);
