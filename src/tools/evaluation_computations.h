// The evaluation table's numerical kernel: a surface z = F(x, y) handed over by the window
// that opened the table (a fit under review, a view function, a smoothing engine), and what
// the table computes on it in its eight modes: the value, the roots of F = Z along X or Y,
// and the five partial derivatives; and the volume under the surface over a rectangle.
//
// Roots are found by bisection on brackets where F - Z changes sign, and are roots only
// where F - Z comes near 0 (a pole or a jump changes sign too: numerics/sign_change_root.h).
// A search with a
// candidate list brackets 100 equal sub-intervals of the range and two brackets of 5 % beyond
// each end; a range that spans whole decades is searched in fourteen decades around it
// instead, those inside the range in the hundredths of each decade and of the range (a
// decade bracketed whole lost any two roots in it); a bracket edge
// where F equals Z exactly counts as a root of the bracket that starts there (the last
// bracket also takes its far edge), so a root on an edge is reported once, never twice or
// not at all.
//
// Failures follow the calculation language: a surface or callback that cannot give a value
// returns the missing value or leaves a code in the calling thread's ExprMathError, and every
// result it touches becomes the missing value. Nothing here shows a message. Everything runs
// on the thread that owns the surface's expression context (the user-interface thread).
#pragma once

#include <functional>
#include <vector>

#include "expr/finite_differences.h"

// The computation modes, in the order of the table's buttons and the generation choices.
enum EvalMode : int {
  kEvalZ = 0,        // Z = F(X, Y)
  kEvalRootX = 1,    // X = a root of F(x, Y) = Z
  kEvalRootY = 2,    // Y = a root of F(X, y) = Z
  kEvalDzDx = 3,
  kEvalDzDy = 4,
  kEvalD2zDx2 = 5,
  kEvalD2zDy2 = 6,
  kEvalD2zDxDy = 7,
};
inline constexpr int kEvalModeCount = 8;

// The label a table line of the mode ends with ("Z=F(X,Y)", "X=Root(Z,Y)", ...); empty for a
// mode outside 0..7.
const char* EvalModeLabel(int mode);
// Whether lines of the mode may carry limits (the value and the roots; never a derivative).
inline bool EvalModeTakesLimits(int mode) { return mode >= kEvalZ && mode <= kEvalRootY; }

using TSurfaceFn = std::function<long double(long double x, long double y)>;
// (x1, x2, y1, y2, error estimate out) with x1 < x2 and y1 < y2.
using TVolumeFn = std::function<long double(long double x1, long double x2, long double y1, long double y2,
                                            long double& error)>;
// Half-width of a band at (x, y) around the surface value z, or the missing value.
using TLimitFn = std::function<long double(long double x, long double y, long double z)>;

// What an opener hands over: the surface, its graph's axis ranges, and what it knows besides.
struct TEvalSurface {
  TSurfaceFn z;
  long double xMin = 0, xMax = 1, yMin = 0, yMax = 1, zMin = 0, zMax = 1;
  // Analytic derivatives and volume; each that is empty is replaced by difference quotients
  // of z and by the integrators.
  TSurfaceFn dzdx, d2zdx2, dzdy, d2zdy2, d2zdxdy;
  TVolumeFn volume;
  // Confidence and prediction half-widths of a fit made current with its covariance; only
  // such an opener sets them, and only then can lines carry limits.
  TLimitFn confidenceLimit, predictionLimit;
  bool LimitsAvailable() const { return confidenceLimit && predictionLimit; }
};

// The volume of the session's current fit over a rectangle, for a table opened on a fit
// under review: as the review takes the fit's volume over the data rectangle, cut at the
// fit's centres and where its data cluster (fit/fit_volume.h); the missing value where it
// has none to the tolerance 1e-8. The fit and the data are read when it is called.
struct TSession;
TVolumeFn CurrentFitVolume(const TSession& session);

// One entry per bracket searched: its root, or the missing value.
using TRootCandidates = std::vector<long double>;

// Which edges of a bracket count as a root when F equals Z there exactly.
enum class BracketEdges { kLeft, kBoth };

struct TVolumeResult {
  long double value;  // the missing value on failure
  long double error;  // the estimate, or the missing value when there is none
};

class TEvalComputer {
 public:
  explicit TEvalComputer(TEvalSurface surface);

  const TEvalSurface& Surface() const { return surface_; }
  // The scales of the difference quotients (expr/finite_differences.h): the widths of the
  // table's X and Y ranges (the unit for a range without width).
  finite_differences::TSurfaceScales DifferenceScales() const { return scales_; }

  // The mode's result into x (mode 1), y (mode 2) or z (the others); a mode outside 0..7
  // changes nothing. Modes 1 and 2 take the root of a plain bisection over the whole range
  // when it brackets one, else the first candidate of the full search.
  void Compute(long double& x, long double& y, long double& z, int mode) const;

  // One root of F(x, y) = z in [a, b] (BisectY: of F(x, y) = z along y), or the missing value.
  long double BisectX(long double z, long double y, long double a, long double b,
                      BracketEdges edges = BracketEdges::kBoth) const;
  long double BisectY(long double z, long double x, long double a, long double b,
                      BracketEdges edges = BracketEdges::kBoth) const;

  // Every bracket's root (the missing value where a bracket holds none), in the order:
  // the 100 sub-intervals of [lo, hi] upwards, then [lo - 5s, lo], [lo - 10s, lo - 5s],
  // [hi, hi + 5s], [hi + 5s, hi + 10s] with s a hundredth of the range (104 entries); when
  // no bracket holds a root and hi > 0, the first 14 become the fourteen decades from
  // hi / 1e7 to hi x 1e7. When lo > 0 and the range spans n >= 1 whole decades: the
  // brackets between every edge of the hundredths of the range and of each of its decades
  // upwards, then the whole decades below lo from the nearest down, then those above hi
  // upwards, fourteen decades in all centred on the range's own.
  void RootSearchX(long double z, long double y, long double lo, long double hi, TRootCandidates& list) const;
  void RootSearchY(long double z, long double x, long double lo, long double hi, TRootCandidates& list) const;

  // The volume over [x1, x2] x [y1, y2]: the opener's callback, else nested Gauss-Legendre
  // integrals to 1e-8 and, when their estimate is not below 1e-8, nested adaptive Simpson
  // integrals, keeping the one with the smaller estimate.
  TVolumeResult Volume(long double x1, long double x2, long double y1, long double y2) const;

 private:
  TEvalSurface surface_;
  finite_differences::TSurfaceScales scales_;
};
