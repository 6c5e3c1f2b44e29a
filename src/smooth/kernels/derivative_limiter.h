// Node derivative estimates held to what noisy data support, for the extrapolation of every
// interpolant that builds its surface from values and estimated derivatives at the data
// points.
//
// An interpolant of noisy data passes through every point, and its derivative estimates
// carry the noise: two points a thousandth apart whose values differ by the noise give a
// slope a thousand times the noise, and a one-sided fit at a hull point amplifies it again,
// most in the second and third derivatives. Beyond the hull the interpolant carries those
// slopes away from every point.
//
// Inside the hull a method's surface is its own, values and derivatives: an exact
// interpolant of noisy data overshoots them by its nature, and no measure tells the curvature
// of a narrow peak sampled by a few points from noise (a bump of width 0.005 at 300 points,
// its top between them, was held at the samples' height). So the estimates are limited only
// while a TNodeLimits is open on the thread: the engines open one for the set-up and the
// evaluations of the surface they extrapolate from beyond the hull (hull_guard.h), and no
// other. Outside it every kernel keeps its own estimates.
//
// MeasureTrend finds the data's least-squares plane with the spread of the values about it,
// how much the values vary from a point to its nearest neighbour (half the mean square
// difference of the residuals) and their noise (the residual of each point from the
// least-squares quadratic of its nearest neighbours). Their ratio tells noisy data (about 1)
// from smooth data (the variation far above the noise) and sets the allowance: a few noise
// widths for noisy data, growing fast with the ratio for smooth data, infinite without noise.
//
// LimitNodeTaylor then holds a node's Taylor polynomial at its neighbours (the limiter of
// Barth and Jespersen, order by order): cut after each order, it must keep within the range
// of the neighbours' values and its own, widened at each neighbour by the allowance and by
// what smooth data make of the distance to it, which the neighbour's own expansion shows by
// missing the node (twice that, at most twice the allowance). The first order that strays
// is scaled to reach the bound and the orders above it are dropped. An estimate that
// reproduces its neighbours, as from data of a polynomial it can hold, is never limited.
#pragma once

#include <span>

// The allowance of noisy data, in noise widths.
inline constexpr double kLimiterNoiseWidths = 3.0;
// A neighbour's miss of the node widens the bound there by this many times, up to this many
// allowances.
inline constexpr double kLimiterMutual = 2.0;
// The highest derivative order a node's Taylor polynomial may hold.
inline constexpr int kTaylorMaxOrder = 4;

// While one is open on a thread, the set-ups on that thread limit their node derivatives
// (and take the other holds of noisy data: the Shepard fits' damping, the local fits' weight
// floor); scopes nest. Without one every kernel keeps its own estimates.
class TNodeLimits {
 public:
  TNodeLimits();
  ~TNodeLimits();
  TNodeLimits(const TNodeLimits&) = delete;
  TNodeLimits& operator=(const TNodeLimits&) = delete;
  // Whether a scope is open on this thread.
  static bool Active();

 private:
  bool was_;
};

// The least-squares plane z0 + ax (x - x0) + ay (y - y0) of scattered values, the least and
// greatest residual about it, how much the residuals vary from a point to its nearest
// neighbour and the noise of the values (standard deviations).
struct TDataTrend {
  double x0 = 0, y0 = 0, z0 = 0, ax = 0, ay = 0;
  double low = 0, high = 0;
  double variation = 0;
  double noise = 0;
  // The same two from the typical (median) difference and residual: where a cliff, a step or
  // a narrow peak crosses a few of the pairs and neighbourhoods, they swell `variation` and
  // `noise` and leave these as they are.
  double typicalVariation = 0, typicalNoise = 0;
  // The largest magnitude of the values: the scale of their rounding.
  double scale = 0;

  double Plane(double x, double y) const { return z0 + ax * (x - x0) + ay * (y - y0); }
  // How far a node's Taylor polynomial may stray beyond the values about it: a few noise
  // widths for noisy data (whose variation between neighbours is about their noise), growing
  // with the cube of the variation's excess over the noise for smooth data, infinite for data
  // without noise, never less than the rounding of the values.
  double Allowance() const;
  // The allowance of the typical variation and noise, never more than Allowance(): on a
  // table of noise with a step or a cliff across it, a few noise widths, where the step
  // made Allowance() count the whole table as smooth (5 to 12 noise widths).
  double TypicalAllowance() const;
};

// Over points 0..n-1 (n = the shortest span). Fewer than two points, or points that are not
// finite numbers, give a trend with no noise about the mean.
TDataTrend MeasureTrend(std::span<const double> x, std::span<const double> y,
                        std::span<const double> z);

// A node's derivatives: d[a][b] is the derivative of order a in x and b in y, for
// 1 <= a + b <= order (d[0][0] is not read).
struct TNodeTaylor {
  int order = 0;
  double d[kTaylorMaxOrder + 1][kTaylorMaxOrder + 1] = {};
};

// The rise of an expansion from its node to the offset (dx, dy).
double TaylorRise(const TNodeTaylor& t, double dx, double dy);

// A check point of an expansion: the value there, and how far beyond the range of the check
// values (and the node's) the expansion may stray at it.
struct TCheck {
  double value = 0, slack = 0;
};
// The slack at a neighbour whose own expansion misses the node by `back`.
double CheckSlack(double allowance, double back);

// The limit itself, for expansions of any kind about a node of value z0: parts[k * order +
// q - 1] is the share of order q (1..order) in the expansion at check point k. An expansion
// that meets every check point (to rounding) is left whole: it is that of data it
// reproduces. Otherwise, order by order from the first, the expansion cut after that order
// must keep within [min - slack, max + slack] at every check point (min and max over the
// check values and z0); the first order that strays is scaled to reach a bound at most and
// the orders above it are dropped. scale[q - 1] receives the factor of order q. Answers
// whether any factor is below 1.
bool LimitOrders(double z0, std::span<const TCheck> checks, std::span<const double> parts,
                 int order, double* scale);

// Limits the derivatives of point `self` as LimitOrders does, the check points being its
// neighbours with the slack CheckSlack(allowance, miss), the miss being that of the
// neighbour's own unlimited expansion originals[j] at point self (none where originals is
// shorter). Answers whether anything was changed.
bool LimitNodeTaylor(std::span<const double> x, std::span<const double> y,
                     std::span<const double> z, int self, std::span<const int> neighbours,
                     double allowance, std::span<const TNodeTaylor> originals,
                     TNodeTaylor& taylor);
